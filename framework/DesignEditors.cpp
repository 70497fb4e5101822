// The framework's property editors.
#include "framework/DesignEditors.h"

#include "framework/Buttons.h"
#include "framework/Collection.h"
#include "framework/DateTime.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"
#include "framework/StringList.h"
#include "framework/Strings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>
#include <optional>

QEL_CLASS_INFO(TOrdinalProperty, TPropertyEditor)
{
    return {};
}
QEL_CLASS_INFO(TIntegerProperty, TOrdinalProperty)
{
    return {};
}
QEL_CLASS_INFO(TCharProperty, TOrdinalProperty)
{
    return {};
}
QEL_CLASS_INFO(TEnumProperty, TOrdinalProperty)
{
    return {};
}
QEL_CLASS_INFO(TBoolProperty, TOrdinalProperty)
{
    return {};
}
QEL_CLASS_INFO(TSetProperty, TOrdinalProperty)
{
    return {};
}
QEL_CLASS_INFO(TFloatProperty, TPropertyEditor)
{
    return {};
}
QEL_CLASS_INFO(TDateTimeProperty, TPropertyEditor)
{
    return {};
}
QEL_CLASS_INFO(TStringProperty, TPropertyEditor)
{
    return {};
}
QEL_CLASS_INFO(TComponentNameProperty, TStringProperty)
{
    return {};
}
QEL_CLASS_INFO(TBinaryProperty, TPropertyEditor)
{
    return {};
}
QEL_CLASS_INFO(TClassProperty, TPropertyEditor)
{
    return {};
}
QEL_CLASS_INFO(TStringListProperty, TClassProperty)
{
    return {};
}
QEL_CLASS_INFO(TCollectionProperty, TClassProperty)
{
    return {};
}
QEL_CLASS_INFO(TCollectionItemProperty, TClassProperty)
{
    return {};
}
QEL_CLASS_INFO(TComponentProperty, TPropertyEditor)
{
    return {};
}
QEL_CLASS_INFO(TMethodProperty, TPropertyEditor)
{
    return {};
}

namespace {

[[noreturn]] void InvalidValue(const std::string& text, const std::string& what)
{
    throw EPropertyError("'" + text + "' is not " + what);
}

// Decimal digits with an optional minus sign, or $ and hexadecimal digits; nothing else.
std::optional<std::int64_t> ParseInteger(const std::string& text)
{
    const bool negative = text.starts_with('-');
    const bool hex = text.size() > std::size_t{negative} && text[negative] == '$';
    const char* first = text.data() + std::size_t{negative} + std::size_t{hex};
    const char* last = text.data() + text.size();
    std::uint64_t magnitude = 0;
    const auto [end, error] = std::from_chars(first, last, magnitude, hex ? 16 : 10);
    if (first == last || error != std::errc() || end != last || magnitude > (std::uint64_t{1} << 32))
        return std::nullopt;
    const auto value = static_cast<std::int64_t>(magnitude);
    return negative ? -value : value;
}

// A multi-line edit box: Enter starts a new line instead of pressing the dialog's default button.
class TLinesEdit : public TEdit {
public:
    using TEdit::TEdit;

protected:
    void CreateParams(TCreateParams& params) override
    {
        TEdit::CreateParams(params);
        params.Style = (params.Style & ~ES_AUTOHSCROLL) | ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | WS_VSCROLL;
    }
};

// The string list editor: the lines in a multi-line edit box, OK and Cancel. True when the user
// confirmed, lines then holding the edited text.
bool EditLines(const std::string& caption, TStrings& lines)
{
    constexpr int margin = 8;
    constexpr int editWidth = 360;
    constexpr int editHeight = 220;
    constexpr int buttonWidth = 75;
    constexpr int buttonHeight = 25;

    auto form = std::make_unique<TForm>(Application);
    form->SetBorderStyle(bsDialog);
    form->SetCaption(caption);
    form->SetPosition(poScreenCenter);
    form->SetClientWidth(editWidth + 2 * margin);
    form->SetClientHeight(editHeight + buttonHeight + 3 * margin);

    auto* edit = new TLinesEdit(form.get());
    edit->SetName("Lines");
    edit->SetParent(form.get());
    edit->SetBounds(margin, margin, editWidth, editHeight);
    edit->SetText(lines.Text());
    form->SetActiveControl(edit);

    const int buttonTop = 2 * margin + editHeight;
    int buttonLeft = margin + editWidth - 2 * buttonWidth - margin;
    for (TBitBtnKind kind : {bkOK, bkCancel}) {
        auto* button = new TBitBtn(form.get());
        button->SetParent(form.get());
        button->SetKind(kind);
        button->SetBounds(buttonLeft, buttonTop, buttonWidth, buttonHeight);
        buttonLeft += buttonWidth + margin;
    }

    if (form->ShowModal() != mrOk)
        return false;
    lines.SetText(edit->Text());
    return true;
}

} // namespace

bool TOrdinalProperty::AllEqual() const
{
    const std::int64_t first = GetOrdValue();
    for (int i = 1; i < PropCount(); ++i)
        if (std::get<std::int64_t>(Value(i)) != first)
            return false;
    return true;
}

void TIntegerProperty::SetValue(const std::string& value)
{
    const std::optional<std::int64_t> number = ParseInteger(Trim(value));
    if (!number)
        InvalidValue(value, "a valid integer value");
    const TPropInfo& prop = PropInfo();
    if (*number < prop.Min || *number > prop.Max)
        throw EPropertyError("Value must be between " + std::to_string(prop.Min) + " and " +
                             std::to_string(prop.Max));
    SetOrdValue(*number);
}

void TCharProperty::SetValue(const std::string& value)
{
    if (value.size() == 1) {
        SetOrdValue(static_cast<unsigned char>(value[0]));
        return;
    }
    const std::optional<std::int64_t> code = value.starts_with('#') ? ParseInteger(value.substr(1)) : std::nullopt;
    if (!code || *code < 0 || *code > 255)
        InvalidValue(value, "a character: give one character, or # and a code from 0 to 255");
    SetOrdValue(*code);
}

TPropertyAttributes TEnumProperty::GetAttributes() const
{
    return TPropertyEditor::GetAttributes() + TPropertyAttributes{paValueList, paSortList};
}

std::vector<std::string> TEnumProperty::GetValues() const
{
    const std::vector<std::string_view>& names = PropInfo().Enum->Names;
    return {names.begin(), names.end()};
}

void TEnumProperty::SetValue(const std::string& value)
{
    const TEnumInfo& info = *PropInfo().Enum;
    const std::optional<std::int64_t> ordinal = info.ValueOf(Trim(value));
    if (!ordinal)
        InvalidValue(value, "a value of " + std::string(info.TypeName));
    SetOrdValue(*ordinal);
}

TPropertyAttributes TBoolProperty::GetAttributes() const
{
    return TPropertyEditor::GetAttributes() + TPropertyAttributes{paValueList, paSortList};
}

std::vector<std::string> TBoolProperty::GetValues() const
{
    return {"False", "True"};
}

void TBoolProperty::SetValue(const std::string& value)
{
    const std::string text = Trim(value);
    if (!SameText(text, "True") && !SameText(text, "False"))
        InvalidValue(value, "True or False");
    SetOrdValue(SameText(text, "True"));
}

void TSetProperty::SetValue(const std::string& value)
{
    const std::string text = Trim(value);
    if (text.size() < 2 || text.front() != '[' || text.back() != ']')
        InvalidValue(value, "a set: give value names between brackets, separated by commas");
    const TEnumInfo& info = *PropInfo().Enum;
    std::int64_t bits = 0;
    const std::string inner = text.substr(1, text.size() - 2);
    for (std::size_t start = 0; !Trim(inner).empty() && start <= inner.size();) {
        const std::size_t comma = std::min(inner.find(',', start), inner.size());
        const std::string name = Trim(inner.substr(start, comma - start));
        const std::optional<std::int64_t> ordinal = info.ValueOf(name);
        if (!ordinal)
            InvalidValue(name, "a value of " + std::string(info.TypeName));
        bits |= std::int64_t{1} << *ordinal;
        start = comma + 1;
    }
    SetOrdValue(bits);
}

void TFloatProperty::SetValue(const std::string& value)
{
    const std::string text = Trim(value);
    double number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(number))
        InvalidValue(value, "a valid floating point value");
    SetValueOfAll(number);
}

void TDateTimeProperty::SetValue(const std::string& value)
{
    const std::string text = Trim(value);
    try {
        SetValueOfAll(text.empty() ? 0.0 : static_cast<double>(StrToDateTime(text)));
    } catch (const EConvertError& error) {
        throw EPropertyError(error.Message());
    }
}

void TStringProperty::SetValue(const std::string& value)
{
    SetValueOfAll(value);
}

TPropertyAttributes TComponentNameProperty::GetAttributes() const
{
    return TStringProperty::GetAttributes() - TPropertyAttributes{paMultiSelect};
}

void TBinaryProperty::SetValue(const std::string& value)
{
    std::string digits;
    for (char c : value)
        if (c != ' ')
            digits += c;
    TBytes bytes;
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
        unsigned byte = 0;
        const auto [end, error] = std::from_chars(digits.data() + i, digits.data() + i + 2, byte, 16);
        if (error != std::errc() || end != digits.data() + i + 2)
            InvalidValue(value, "hexadecimal digits");
        bytes.push_back(static_cast<unsigned char>(byte));
    }
    if (digits.size() % 2 != 0)
        InvalidValue(value, "hexadecimal digits: give two for each byte");
    SetValueOfAll(bytes);
}

TPropertyAttributes TClassProperty::GetAttributes() const
{
    return {paMultiSelect, paSubProperties, paReadOnly};
}

TPropertyEditors TClassProperty::GetProperties() const
{
    TSelection parts;
    for (int i = 0; i < PropCount(); ++i)
        if (auto* part = static_cast<TPersistent*>(std::get<TObject*>(Value(i))))
            parts.push_back(part);
    if (parts.size() != static_cast<std::size_t>(PropCount()))
        return {};
    return GetComponentProperties(parts, Designer());
}

bool TClassProperty::AllEqual() const
{
    const TObject* first = std::get<TObject*>(Value());
    for (int i = 1; i < PropCount(); ++i) {
        const TObject* other = std::get<TObject*>(Value(i));
        if (!first || !other || first->ClassType() != other->ClassType())
            return false;
    }
    return true;
}

TPropertyAttributes TStringListProperty::GetAttributes() const
{
    return {paMultiSelect, paDialog, paReadOnly};
}

void TStringListProperty::Edit()
{
    auto* first = static_cast<TStrings*>(std::get<TObject*>(Value()));
    TStringList lines;
    if (first)
        lines.Assign(first);
    if (!EditLines("String list editor", lines))
        return;
    for (int i = 0; i < PropCount(); ++i)
        if (auto* strings = static_cast<TStrings*>(std::get<TObject*>(Value(i))))
            strings->Assign(&lines);
}

TPropertyAttributes TCollectionProperty::GetAttributes() const
{
    return {paSubProperties, paReadOnly};
}

TPropertyEditors TCollectionProperty::GetProperties() const
{
    TPropertyEditors items;
    const auto* collection = static_cast<const TCollection*>(std::get<TObject*>(Value()));
    for (int i = 0; collection && i < collection->Count(); ++i) {
        auto item = CreatePropertyEditor(TCollectionItemProperty::StaticClass(), Designer(), {GetComponent(0)},
                                         PropInfo());
        static_cast<TCollectionItemProperty&>(*item).FIndex = i;
        items.push_back(std::move(item));
    }
    return items;
}

TCollectionItem* TCollectionItemProperty::Item() const
{
    return static_cast<const TCollection*>(std::get<TObject*>(Value()))->GetItem(FIndex);
}

std::string TCollectionItemProperty::GetName() const
{
    return "[" + std::to_string(FIndex) + "]";
}

std::string TCollectionItemProperty::GetValue() const
{
    return Item()->DisplayName();
}

TPropertyEditors TCollectionItemProperty::GetProperties() const
{
    return GetComponentProperties({Item()}, Designer());
}

TPropertyAttributes TComponentProperty::GetAttributes() const
{
    return TPropertyEditor::GetAttributes() + TPropertyAttributes{paValueList, paSortList};
}

std::vector<std::string> TComponentProperty::GetValues() const
{
    std::vector<std::string> names;
    const TComponent* root = Designer().Root();
    const TClass cls = PropInfo().ClassOf();
    if (root->InheritsFrom(cls) && !root->Name().empty())
        names.push_back(root->Name());
    for (int i = 0; i < root->ComponentCount(); ++i)
        if (const TComponent* component = root->Components(i); component->InheritsFrom(cls) && !component->Name().empty())
            names.push_back(component->Name());
    return names;
}

void TComponentProperty::SetValue(const std::string& value)
{
    const std::string name = Trim(value);
    TComponent* root = Designer().Root();
    TComponent* component = nullptr;
    if (!name.empty()) {
        component = SameText(root->Name(), name) ? root : root->FindComponent(name);
        if (!component)
            InvalidValue(value, "a component of " + root->Name());
        if (!component->InheritsFrom(PropInfo().ClassOf()))
            throw EPropertyError(name + " is a " + component->ClassName() + ", which is not a " +
                                 PropInfo().ClassOf()->Name);
    }
    SetValueOfAll(static_cast<TObject*>(component));
}

TPropertyAttributes TMethodProperty::GetAttributes() const
{
    return TPropertyEditor::GetAttributes() + TPropertyAttributes{paValueList, paSortList};
}

void TMethodProperty::SetValue(const std::string& value)
{
    const std::string name = Trim(value);
    if (name.empty()) {
        SetValueOfAll(TMethod{});
        return;
    }
    if (!IsValidIdent(name))
        InvalidValue(value, "a valid method name");
    SetValueOfAll(Designer().CreateMethod(name, *PropInfo().Event));
}

TClass DefaultEditorClass(TTypeKind kind)
{
    switch (kind) {
    case TTypeKind::String:
        return TStringProperty::StaticClass();
    case TTypeKind::Char:
        return TCharProperty::StaticClass();
    case TTypeKind::Integer:
        return TIntegerProperty::StaticClass();
    case TTypeKind::Bool:
        return TBoolProperty::StaticClass();
    case TTypeKind::Enum:
        return TEnumProperty::StaticClass();
    case TTypeKind::Set:
        return TSetProperty::StaticClass();
    case TTypeKind::Float:
        return TFloatProperty::StaticClass();
    case TTypeKind::DateTime:
        return TDateTimeProperty::StaticClass();
    case TTypeKind::Class:
        return TClassProperty::StaticClass();
    case TTypeKind::Component:
        return TComponentProperty::StaticClass();
    case TTypeKind::Strings:
        return TStringListProperty::StaticClass();
    case TTypeKind::Collection:
        return TCollectionProperty::StaticClass();
    case TTypeKind::Method:
        return TMethodProperty::StaticClass();
    case TTypeKind::Binary:
        return TBinaryProperty::StaticClass();
    }
    return TPropertyEditor::StaticClass();
}
