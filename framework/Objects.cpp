// TObject, TPersistent and the class registry.
#include "framework/Objects.h"

#include "framework/Strings.h"
#include "framework/TypInfo.h"

#include <map>

namespace {

// Never destroyed, so that objects freed at exit can still be looked up.
std::map<std::string, TClass>& Registry()
{
    static auto* classes = new std::map<std::string, TClass>();
    return *classes;
}

} // namespace

TClass TObject::StaticClass() noexcept
{
    static const TClassInfo info = [] {
        TClassInfo root;
        root.Name = "TObject";
        return root;
    }();
    return &info;
}

TClass TObject::ClassType() const noexcept
{
    return StaticClass();
}

std::string TObject::ClassName() const
{
    return ClassType()->Name;
}

bool TObject::InheritsFrom(TClass cls) const noexcept
{
    return ClassType()->InheritsFrom(cls);
}

TPropList TObject::PublishedProperties()
{
    return {};
}

TMethodList TObject::PublishedMethods()
{
    return {};
}

void TObject::RaiseInvalidCast(TClass target) const
{
    throw EInvalidCast("Invalid class typecast: a " + ClassName() + " is not a " + target->Name);
}

QEL_CLASS_INFO(TPersistent, TObject)
{
    return {};
}

void TPersistent::Assign(TPersistent* source)
{
    if (!source)
        AssignError(nullptr);
    source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* dest)
{
    dest->AssignError(this);
}

void TPersistent::AssignError(const TPersistent* source) const
{
    const std::string sourceName = source ? source->ClassName() : "nil";
    throw EConvertError("Cannot assign a " + sourceName + " to a " + ClassName());
}

TPersistent* TPersistent::GetOwner() const
{
    return nullptr;
}

void RegisterClass(TClass cls)
{
    Registry()[UpperCase(cls->Name)] = cls;
}

void RegisterClasses(std::initializer_list<TClass> classes)
{
    for (TClass cls : classes)
        RegisterClass(cls);
}

TClass GetClass(std::string_view name) noexcept
{
    auto found = Registry().find(UpperCase(name));
    return found == Registry().end() ? nullptr : found->second;
}

std::vector<TClass> RegisteredClasses()
{
    std::vector<TClass> classes;
    for (const auto& [name, cls] : Registry())
        classes.push_back(cls);
    return classes;
}

TClass FindClass(std::string_view name)
{
    if (TClass cls = GetClass(name))
        return cls;
    throw EClassNotFound("Class " + std::string(name) + " not found");
}
