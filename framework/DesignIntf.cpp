// The palette, the base property editor and the choice of an editor for a property.
#include "framework/DesignIntf.h"

#include "framework/DateTime.h"
#include "framework/DesignEditors.h"
#include "framework/Strings.h"

#include <algorithm>
#include <utility>

QEL_CLASS_INFO(TPropertyEditor, TPersistent)
{
    return {};
}

namespace {

struct TEditorRegistration {
    const std::type_info* Type;
    TClass ComponentClass; // null for every class
    std::string PropertyName; // empty for every property of the type
    TClass EditorClass;
};

// Never destroyed, like the class registry, so that look-ups still work while the program ends.
std::vector<TEditorRegistration>& EditorRegistrations()
{
    static auto* registrations = new std::vector<TEditorRegistration>{
        {&typeid(std::string), TComponent::StaticClass(), "Name", TComponentNameProperty::StaticClass()},
    };
    return *registrations;
}

std::vector<TPalettePage>& Palette()
{
    static auto* pages = new std::vector<TPalettePage>();
    return *pages;
}

// How far down the class tree cls is; -1 for none, so that a registration for every class ranks last.
int Depth(TClass cls)
{
    int depth = -1;
    for (; cls; cls = cls->Parent)
        ++depth;
    return depth;
}

bool Covers(const TEditorRegistration& registration, TClass cls, const TPropInfo& prop)
{
    return registration.Type && prop.Type && *registration.Type == *prop.Type &&
           (!registration.ComponentClass || cls->InheritsFrom(registration.ComponentClass)) &&
           (registration.PropertyName.empty() || SameText(registration.PropertyName, prop.Name));
}

// Whether candidate ranks before best, which was registered earlier.
bool Outranks(const TEditorRegistration& candidate, const TEditorRegistration& best)
{
    const bool candidateNamed = !candidate.PropertyName.empty();
    const bool bestNamed = !best.PropertyName.empty();
    if (candidateNamed != bestNamed)
        return candidateNamed;
    return Depth(candidate.ComponentClass) >= Depth(best.ComponentClass);
}

std::string CharText(char c)
{
    const auto code = static_cast<unsigned char>(c);
    return code < 32 || code == 127 ? "#" + std::to_string(code) : std::string(1, c);
}

} // namespace

TPropertyAttributes TPropertyEditor::GetAttributes() const
{
    return {paMultiSelect};
}

std::string TPropertyEditor::GetValue() const
{
    const TValue value = Value();
    if (FProp->Kind == TTypeKind::Method)
        return FDesigner->GetMethodName(std::get<TMethod>(value));
    return PropertyValueText(*FProp, value);
}

void TPropertyEditor::SetValue(const std::string&)
{
    throw EPropertyError("The " + FProp->Name + " property cannot be set as text");
}

void TPropertyEditor::Edit()
{
}

std::vector<std::string> TPropertyEditor::GetValues() const
{
    return {};
}

TPropertyEditors TPropertyEditor::GetProperties() const
{
    return {};
}

bool TPropertyEditor::AllEqual() const
{
    const TValue first = Value();
    for (int i = 1; i < PropCount(); ++i)
        if (Value(i) != first)
            return false;
    return true;
}

std::string TPropertyEditor::GetName() const
{
    return FProp->Name;
}

TPersistent* TPropertyEditor::GetComponent(int index) const
{
    if (index < 0 || index >= PropCount())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return FSelection[static_cast<std::size_t>(index)];
}

TValue TPropertyEditor::Value(int index) const
{
    return FProp->Get(*GetComponent(index));
}

void TPropertyEditor::SetValueOfAll(const TValue& value)
{
    for (TPersistent* object : FSelection)
        SetPropValue(*object, *FProp, value);
}

std::int64_t TPropertyEditor::GetOrdValue() const
{
    return std::get<std::int64_t>(Value());
}

void TPropertyEditor::SetOrdValue(std::int64_t value)
{
    SetValueOfAll(value);
}

std::string PropertyValueText(const TPropInfo& prop, const TValue& value)
{
    switch (prop.Kind) {
    case TTypeKind::String:
        return std::get<std::string>(value);
    case TTypeKind::Char:
        return CharText(static_cast<char>(std::get<std::int64_t>(value)));
    case TTypeKind::Integer:
        return std::to_string(std::get<std::int64_t>(value));
    case TTypeKind::Bool:
        return std::get<std::int64_t>(value) ? "True" : "False";
    case TTypeKind::Enum: {
        const std::int64_t ordinal = std::get<std::int64_t>(value);
        const std::string_view name = prop.Enum->NameOf(ordinal);
        return name.empty() ? std::to_string(ordinal) : std::string(name);
    }
    case TTypeKind::Set: {
        std::string text;
        const auto bits = static_cast<std::uint64_t>(std::get<std::int64_t>(value));
        for (std::size_t i = 0; i < prop.Enum->Names.size(); ++i)
            if (bits & (std::uint64_t{1} << i))
                text.append(text.empty() ? "" : ",").append(prop.Enum->Names[i]);
        return "[" + text + "]";
    }
    case TTypeKind::Float:
        return EventArgText(std::get<double>(value));
    case TTypeKind::DateTime:
        return DateTimeToStr(TDateTime(std::get<double>(value)));
    case TTypeKind::Class:
    case TTypeKind::Strings:
    case TTypeKind::Collection:
        return "(" + prop.ClassOf()->Name + ")";
    case TTypeKind::Component: {
        const auto* component = static_cast<const TComponent*>(std::get<TObject*>(value));
        return component ? component->Name() : std::string();
    }
    case TTypeKind::Method:
        return {};
    case TTypeKind::Binary:
        return "(" + std::to_string(std::get<TBytes>(value).size()) + " bytes)";
    }
    return {};
}

void RegisterPropertyEditor(const std::type_info& propertyType, TClass componentClass, std::string_view propertyName,
                            TClass editorClass)
{
    if (!editorClass || !editorClass->InheritsFrom(TPropertyEditor::StaticClass()) || !editorClass->CreateInstance)
        throw EInvalidCast("RegisterPropertyEditor expects a property editor class but got " +
                           (editorClass ? editorClass->Name : std::string("nil")));
    std::vector<TEditorRegistration>& registrations = EditorRegistrations();
    const bool known = std::any_of(registrations.begin(), registrations.end(), [&](const TEditorRegistration& r) {
        return *r.Type == propertyType && r.ComponentClass == componentClass && SameText(r.PropertyName, propertyName) &&
               r.EditorClass == editorClass;
    });
    if (!known)
        registrations.push_back({&propertyType, componentClass, std::string(propertyName), editorClass});
}

TClass GetEditorClass(TClass cls, const TPropInfo& prop)
{
    const TEditorRegistration* best = nullptr;
    for (const TEditorRegistration& registration : EditorRegistrations())
        if (Covers(registration, cls, prop) && (!best || Outranks(registration, *best)))
            best = &registration;
    return best ? best->EditorClass : DefaultEditorClass(prop.Kind);
}

std::unique_ptr<TPropertyEditor> CreatePropertyEditor(TClass editorClass, TFormDesigner& designer,
                                                      TSelection selection, const TPropInfo& prop)
{
    if (selection.empty())
        throw EListError("A property editor needs at least one object");
    std::unique_ptr<TPropertyEditor> editor(static_cast<TPropertyEditor*>(editorClass->CreateInstance()));
    editor->FDesigner = &designer;
    editor->FSelection = std::move(selection);
    editor->FProp = &prop;
    return editor;
}

TPropertyEditors GetComponentProperties(const TSelection& selection, TFormDesigner& designer)
{
    TPropertyEditors editors;
    if (selection.empty())
        return editors;
    const TClass first = selection.front()->ClassType();
    for (const TPropInfo* prop : first->AllProperties()) {
        const TClass editorClass = GetEditorClass(first, *prop);
        const bool common = std::all_of(selection.begin() + 1, selection.end(), [&](TPersistent* object) {
            const TPropInfo* other = object->ClassType()->FindProperty(prop->Name);
            return other && other->Type && *other->Type == *prop->Type &&
                   GetEditorClass(object->ClassType(), *other) == editorClass;
        });
        if (!common)
            continue;
        auto editor = CreatePropertyEditor(editorClass, designer, selection, *prop);
        if (selection.size() == 1 || editor->GetAttributes().Contains(paMultiSelect))
            editors.push_back(std::move(editor));
    }
    return editors;
}

void RegisterComponents(std::string_view page, std::initializer_list<TClass> classes)
{
    // Checked before anything is placed, so that a bad class leaves the palette as it was.
    for (TClass cls : classes)
        if (!cls || !cls->CreateComponent)
            throw EInvalidCast("RegisterComponents expects component classes but got " +
                               (cls ? cls->Name : std::string("nil")));
    std::vector<TPalettePage>& pages = Palette();
    auto found = std::find_if(pages.begin(), pages.end(), [&](const TPalettePage& p) { return p.Name == page; });
    TPalettePage& target = found != pages.end() ? *found : pages.emplace_back(TPalettePage{std::string(page), {}});
    for (TClass cls : classes) {
        const bool placed = std::any_of(pages.begin(), pages.end(), [&](const TPalettePage& p) {
            return std::find(p.Classes.begin(), p.Classes.end(), cls) != p.Classes.end();
        });
        if (!placed)
            target.Classes.push_back(cls);
        RegisterClass(cls);
    }
}

const std::vector<TPalettePage>& PalettePages()
{
    return Palette();
}
