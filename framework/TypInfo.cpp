// Run-time type information: value names, property rules and class records.
#include "framework/TypInfo.h"

#include "framework/Collection.h"
#include "framework/Component.h"
#include "framework/StringList.h"
#include "framework/Strings.h"

#include <cstdio>
#include <map>

std::string_view TEnumInfo::NameOf(std::int64_t ordinal) const noexcept
{
    if (ordinal < 0 || static_cast<std::size_t>(ordinal) >= Names.size())
        return {};
    return Names[static_cast<std::size_t>(ordinal)];
}

std::optional<std::int64_t> TEnumInfo::ValueOf(std::string_view name) const noexcept
{
    for (std::size_t i = 0; i < Names.size(); ++i)
        if (SameText(Names[i], name))
            return static_cast<std::int64_t>(i);
    return std::nullopt;
}

std::string_view IntegerTypeName(const std::type_info& type)
{
    static const std::pair<const std::type_info*, std::string_view> names[] = {
        {&typeid(int), "Integer"},        {&typeid(unsigned), "Cardinal"},    {&typeid(long), "LongInt"},
        {&typeid(unsigned long), "LongWord"}, {&typeid(short), "SmallInt"}, {&typeid(unsigned short), "Word"},
        {&typeid(signed char), "ShortInt"}, {&typeid(unsigned char), "Byte"},
    };
    for (const auto& [known, name] : names)
        if (*known == type)
            return name;
    return "Integer";
}

std::string EventArgText(const TObject* object)
{
    if (!object)
        return "nil";
    if (auto* component = dynamic_cast<const TComponent*>(object); component && !component->Name().empty())
        return component->Name();
    return object->ClassName();
}

std::string EventArgText(std::int64_t value)
{
    return std::to_string(value);
}

std::string EventArgText(bool value)
{
    return value ? "True" : "False";
}

std::string EventArgText(const std::string& value)
{
    return "'" + value + "'";
}

std::string EventArgText(char value)
{
    return std::string(1, value);
}

std::string EventArgText(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", value);
    return text;
}

bool TPropInfo::IsObjectKind() const noexcept
{
    return Kind == TTypeKind::Class || Kind == TTypeKind::Component || Kind == TTypeKind::Strings ||
           Kind == TTypeKind::Collection;
}

TStored TPropInfo::EffectiveStored() const noexcept
{
    if (StoredRule != TStored::Auto)
        return StoredRule;
    if (DefaultValue)
        return TStored::NotDefault;
    switch (Kind) {
    case TTypeKind::Method:
    case TTypeKind::Component:
        return TStored::Assigned;
    case TTypeKind::Strings:
    case TTypeKind::Collection:
    case TTypeKind::Binary:
        return TStored::NotEmpty;
    default:
        return TStored::Always;
    }
}

bool TPropInfo::IsStored(const TObject& object) const
{
    switch (EffectiveStored()) {
    case TStored::Never:
        return false;
    case TStored::Always:
    case TStored::Auto:
        return true;
    case TStored::Predicate:
        return StoredPredicate(object);
    case TStored::NotDefault:
        return !DefaultValue || Get(object) != *DefaultValue;
    case TStored::Assigned: {
        TValue value = Get(object);
        if (auto* method = std::get_if<TMethod>(&value))
            return method->Assigned();
        return std::get<TObject*>(value) != nullptr;
    }
    case TStored::NotEmpty: {
        TValue value = Get(object);
        if (auto* text = std::get_if<std::string>(&value))
            return !text->empty();
        if (auto* bytes = std::get_if<TBytes>(&value))
            return !bytes->empty();
        TObject* sub = std::get<TObject*>(value);
        if (Kind == TTypeKind::Strings)
            return sub && static_cast<TStrings*>(sub)->Count() > 0;
        if (Kind == TTypeKind::Collection)
            return sub && static_cast<TCollection*>(sub)->Count() > 0;
        return sub != nullptr;
    }
    }
    return true;
}

bool TClassInfo::InheritsFrom(TClass ancestor) const noexcept
{
    for (TClass cls = this; cls; cls = cls->Parent)
        if (cls == ancestor)
            return true;
    return false;
}

std::vector<const TPropInfo*> TClassInfo::AllProperties() const
{
    std::vector<const TPropInfo*> props = Parent ? Parent->AllProperties() : std::vector<const TPropInfo*>{};
    for (const TPropInfo& own : Properties) {
        auto inherited = std::find_if(props.begin(), props.end(),
                                      [&](const TPropInfo* p) { return SameText(p->Name, own.Name); });
        if (inherited != props.end())
            *inherited = &own;
        else
            props.push_back(&own);
    }
    return props;
}

const TPropInfo* TClassInfo::FindProperty(std::string_view name) const
{
    for (TClass cls = this; cls; cls = cls->Parent)
        for (const TPropInfo& prop : cls->Properties)
            if (SameText(prop.Name, name))
                return &prop;
    return nullptr;
}

const TMethodInfo* TClassInfo::FindMethod(std::string_view name) const
{
    for (TClass cls = this; cls; cls = cls->Parent)
        for (const TMethodInfo& method : cls->Methods)
            if (SameText(method.Name, name))
                return &method;
    return nullptr;
}

const TMethodInfo* TClassInfo::FindMethod(const TObject& object, const TMethod& method) const
{
    if (method.Data != &object)
        return nullptr;
    for (TClass cls = this; cls; cls = cls->Parent)
        for (const TMethodInfo& info : cls->Methods)
            if (info.Bind(const_cast<TObject*>(&object)) == method)
                return &info;
    return nullptr;
}

TValue GetPropValue(const TObject& object, const TPropInfo& prop)
{
    return prop.Get(object);
}

void SetPropValue(TObject& object, const TPropInfo& prop, const TValue& value)
{
    if (!prop.Set)
        throw EConvertError("Property " + prop.Name + " is read-only");
    prop.Set(object, value);
}

namespace {

// Made once and never destroyed: registrations come from static initialisers of every unit.
std::map<TClass, TOperationList (*)()>& Operations()
{
    static auto* operations = new std::map<TClass, TOperationList (*)()>();
    return *operations;
}

} // namespace

void RegisterOperations(TClass cls, TOperationList (*operations)())
{
    Operations()[cls] = operations;
}

TOperationList ClassOperations(TClass cls)
{
    const auto found = Operations().find(cls);
    return found == Operations().end() ? TOperationList{} : found->second();
}
