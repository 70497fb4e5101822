// Multi lists: a component owning a collection of string lists.
#include "holders/QELTMultiLists.h"

#include "framework/Forms.h"

QEL_CLASS_INFO(TQELStringList, TCollectionItem)
{
    return {
        Prop("Strings", &TQELStringList::Strings, &TQELStringList::SetStrings).Stored(TStored::Always),
    };
}

QEL_CLASS_INFO(TQELBetaStringList, TQELStringList)
{
    return {
        Prop("HasBoolean", &TQELBetaStringList::HasBoolean, &TQELBetaStringList::SetHasBoolean)
            .Stored(TStored::Always),
    };
}

QEL_CLASS_INFO(TQELStringLists, TCollection)
{
    return {};
}

QEL_CLASS_INFO(TQELMultiLists, TQELSystemsComponent)
{
    return {
        Prop("Lists", &TQELMultiLists::Lists, &TQELMultiLists::SetQELStringLists).Stored(TStored::Always),
    };
}

// ---------------------------------------------------------------------------------------------------
// TQELStringList, TQELBetaStringList

// The collection is checked before the item joins it.
TQELStringList::TQELStringList(TCollection* collection)
    : TCollectionItem(ObjectAs<TQELStringLists>(collection)), FStrings(std::make_unique<TStringList>())
{
}

std::string TQELStringList::GetDisplayName() const
{
    return "Stringlist";
}

void TQELStringList::Assign(TPersistent* source)
{
    if (source && source->Is<TQELStringList>()) {
        FStrings->Assign(static_cast<TQELStringList*>(source)->Strings());
        return;
    }
    TCollectionItem::Assign(source);
}

void TQELBetaStringList::Assign(TPersistent* source)
{
    if (source && source->Is<TQELBetaStringList>())
        FHasBoolean = static_cast<TQELBetaStringList*>(source)->HasBoolean();
    TQELStringList::Assign(source);
}

// ---------------------------------------------------------------------------------------------------
// TQELStringLists

TQELStringLists::TQELStringLists(TQELMultiLists* owner) : TCollection(TQELStringList::StaticClass()), FOwner(owner)
{
}

TQELStringList* TQELStringLists::Add()
{
    (void)Application->MessageBox("Which", "Which", MB_OKCANCEL);
    return static_cast<TQELStringList*>(TCollection::Add());
}

TQELStringList* TQELStringLists::GeTQELStringList(int index) const
{
    return static_cast<TQELStringList*>(GetItem(index));
}

void TQELStringLists::SeTQELStringList(int index, TQELStringList* value)
{
    SetItem(index, value);
}

TPersistent* TQELStringLists::GetOwner() const
{
    return FOwner;
}

// ---------------------------------------------------------------------------------------------------
// TQELMultiLists

TQELMultiLists::TQELMultiLists(TComponent* owner)
    : TQELSystemsComponent(owner), FLists(std::make_unique<TQELStringLists>(this))
{
}
