// TComponent: ownership, names, component state and removal notices.
#include "framework/Component.h"

#include "framework/Strings.h"

#include <algorithm>

QEL_CLASS_INFO(TComponent, TPersistent)
{
    return {
        Prop("Name", &TComponent::Name, &TComponent::SetName).Stored(TStored::Never),
        Prop("Tag", &TComponent::Tag, &TComponent::SetTag).Default(0),
    };
}

namespace {

void Erase(std::vector<TComponent*>& list, TComponent* item)
{
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

} // namespace

TComponent::TComponent(TComponent* owner)
{
    if (!owner)
        return;
    try {
        owner->InsertComponent(this);
    } catch (...) {
        // The owner refused the component in its insertion notice. A component whose construction
        // fails is never destroyed, so the owner must not keep it in its list.
        if (FOwner) {
            Erase(FOwner->FComponents, this);
            FOwner = nullptr;
        }
        throw;
    }
}

TComponent::~TComponent()
{
    Destroying();
    // Those who asked for a notice drop their pointers to this component now, while its name and
    // place are still valid.
    std::vector<TComponent*> notifies = std::move(FFreeNotifies);
    for (TComponent* other : notifies) {
        Erase(other->FFreeNotifies, this);
        other->Notification(this, opRemove);
    }
    DestroyComponents();
    if (FOwner)
        FOwner->RemoveComponent(this);
}

TComponent* TComponent::Components(int index) const
{
    if (index < 0 || index >= ComponentCount())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return FComponents[static_cast<std::size_t>(index)];
}

int TComponent::ComponentIndex() const
{
    if (!FOwner)
        return -1;
    auto& list = FOwner->FComponents;
    return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

TComponent* TComponent::FindComponent(std::string_view name) const
{
    if (name.empty())
        return nullptr;
    for (TComponent* component : FComponents)
        if (CompareText(component->FName, name) == 0)
            return component;
    return nullptr;
}

void TComponent::ValidateName(const std::string& name) const
{
    if (!name.empty() && !IsValidIdent(name))
        throw EComponentError("'" + name + "' is not a valid component name");
    if (FOwner && !name.empty())
        if (TComponent* other = FOwner->FindComponent(name); other && other != this)
            throw EComponentError("A component named " + name + " already exists");
}

void TComponent::SetName(const std::string& name)
{
    if (name == FName)
        return;
    ValidateName(name);
    FName = name;
}

void TComponent::InsertComponent(TComponent* component)
{
    // The name must be unique here; checked before the component leaves its present owner, so that a
    // refused move leaves it where it was.
    if (TComponent* other = FindComponent(component->FName); other && other != component)
        throw EComponentError("A component named " + component->FName + " already exists");
    if (component->FOwner)
        component->FOwner->RemoveComponent(component);
    FComponents.push_back(component);
    component->FOwner = this;
    if (FComponentState.Contains(csDesigning))
        component->SetDesigning(true);
    Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component)
{
    Notification(component, opRemove);
    Erase(FComponents, component);
    component->FOwner = nullptr;
}

void TComponent::DestroyComponents()
{
    while (!FComponents.empty()) {
        TComponent* last = FComponents.back();
        FComponents.pop_back();
        last->FOwner = nullptr;
        delete last;
    }
}

void TComponent::Destroying()
{
    if (FComponentState.Contains(csDestroying))
        return;
    FComponentState.Include(csDestroying);
    for (TComponent* component : FComponents)
        component->Destroying();
}

void TComponent::FreeNotification(TComponent* component)
{
    if (!component || component == this)
        return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component) == FFreeNotifies.end())
        FFreeNotifies.push_back(component);
    if (std::find(component->FFreeNotifies.begin(), component->FFreeNotifies.end(), this) ==
        component->FFreeNotifies.end())
        component->FFreeNotifies.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* component)
{
    Erase(FFreeNotifies, component);
    Erase(component->FFreeNotifies, this);
}

void TComponent::SetDesigning(bool designing)
{
    if (designing)
        FComponentState.Include(csDesigning);
    else
        FComponentState.Exclude(csDesigning);
    for (TComponent* component : FComponents)
        component->SetDesigning(designing);
}

void TComponent::SetState(TComponentStateFlag flag, bool on)
{
    if (on)
        FComponentState.Include(flag);
    else
        FComponentState.Exclude(flag);
}

TComponent* TComponent::FindPending(bool (*pending)(const TComponent&))
{
    if (FComponentState.Contains(csDestroying))
        return nullptr;
    if (!FComponentState.Contains(csReading) && pending(*this))
        return this;
    for (TComponent* component : FComponents)
        if (TComponent* found = component->FindPending(pending))
            return found;
    return nullptr;
}

void TComponent::RunLoaded()
{
    FLoaded = true;
    Loaded();
}

void TComponent::RunReadCompleted()
{
    FCompleted = true;
    ReadCompleted();
}

// Each step looks for its next component afresh: a Loaded may create or free components (a handler
// freeing a form, a guard ending the program).
void TComponent::Finish()
{
    const TComponentWatch watch(this);
    while (TComponent* next = watch.Alive() ? FindPending([](const TComponent& c) { return !c.FLoaded; }) : nullptr)
        next->RunLoaded();
    while (TComponent* next = watch.Alive() ? FindPending([](const TComponent& c) { return !c.FCompleted; }) : nullptr)
        next->RunReadCompleted();
}

TComponent* TComponent::NextLeftUnfinished()
{
    TComponent* component = FindPending([](const TComponent& c) {
        return !c.FCompleted && !c.FReported && c.FOwner && c.FOwner->FCompleted &&
               !c.FComponentState.Contains(csDesigning) && c.NeedsFinish();
    });
    if (component)
        component->FReported = true;
    return component;
}

void TComponent::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const
{
    if (root != this)
        return;
    for (TComponent* component : FComponents)
        if (!component->HasParent())
            proc(component);
}

void TComponent::Loaded()
{
    FComponentState.Exclude(csLoading);
}

void TComponent::Notification(TComponent* component, TOperation operation)
{
    if (operation == opRemove)
        RemoveFreeNotification(component);
    for (TComponent* owned : FComponents)
        owned->Notification(component, operation);
}

// ---------------------------------------------------------------------------------------------------
// TComponentWatch

TComponentWatch::TComponentWatch(TComponent* watched) : TComponent(nullptr), FWatched(watched)
{
    FWatched->FreeNotification(this);
}

TComponentWatch::~TComponentWatch()
{
    if (FWatched)
        FWatched->RemoveFreeNotification(this);
}

void TComponentWatch::Notification(TComponent* component, TOperation operation)
{
    if (operation == opRemove && component == FWatched)
        FWatched = nullptr;
    TComponent::Notification(component, operation);
}
