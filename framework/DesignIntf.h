// The designer's side of the framework: the component palette, property editors that show and change
// published properties as text, and the registry that picks the editor for a property.
//
// Which editor a property gets. Every registration names a property type, a component class (or none,
// for every class) and a property name (or none, for every property of that type). Of the
// registrations whose type is the property's, whose class is the component's class or one of its
// ancestors, and whose name is empty or the property's:
//   1. one naming the property wins over one for every property of the type, even when the latter
//      names a more derived class;
//   2. then the one naming the more derived class wins (naming none counts as the least derived);
//   3. then the one registered later wins.
// A property no registration covers gets the framework's editor for its kind (DesignEditors.h). The
// framework registers one editor itself: TComponentNameProperty for Name on every component, so a
// registration for all strings of a class leaves Name editable. Registering the same editor for the
// same type, class and name again changes nothing, so registration routines may run more than once.
#pragma once

#include "framework/Component.h"

#include <memory>
#include <string>
#include <string_view>
#include <typeinfo>
#include <vector>

// How the designer may offer a property. The values are bit positions: paValueList is 1, paReadOnly
// 0x40, and TPropertyAttributes::Bits() gives the set as one number.
enum TPropertyAttribute : std::uint8_t {
    paValueList,     // GetValues offers the valid values
    paSubProperties, // GetProperties gives the editors of the parts of the value
    paDialog,        // Edit opens a dialog (the designer shows a button)
    paMultiSelect,   // offered while several components are selected
    paAutoUpdate,    // SetValue is called on every change, not once the text is complete
    paSortList,      // the values are offered sorted
    paReadOnly,      // the text cannot be typed into
    paRevertable,    // the value can be put back to the inherited one
};
inline const TEnumInfo& EnumTypeInfo(TPropertyAttribute)
{
    static const TEnumInfo info{"TPropertyAttribute",
                                {"paValueList", "paSubProperties", "paDialog", "paMultiSelect", "paAutoUpdate",
                                 "paSortList", "paReadOnly", "paRevertable"}, "TPropertyAttributes"};
    return info;
}
using TPropertyAttributes = TSet<TPropertyAttribute>;

// A value the editor cannot take: text that is not a value of the property's type, or a property that
// cannot be set as text.
class EPropertyError : public Exception {
public:
    using Exception::Exception;
};

// What property editors need of the designer that shows them.
class TFormDesigner {
public:
    virtual ~TFormDesigner() = default;
    // The form being designed: component references are names of it or of what it owns.
    virtual TComponent* Root() const = 0;
    // The name of the handler method held by an event slot; empty for none.
    virtual std::string GetMethodName(const TMethod& method) const = 0;
    // The form's handler method called name for events of the given type, made when it has none yet.
    virtual TMethod CreateMethod(const std::string& name, const TEventTypeInfo& type) = 0;
};

class TPropertyEditor;
using TPropertyEditors = std::vector<std::unique_ptr<TPropertyEditor>>;
// The objects whose property an editor shows: components, or the sub-objects they publish.
using TSelection = std::vector<TPersistent*>;

// Shows one published property of the selected objects and changes it. The designer creates an editor
// each time it shows a property (CreatePropertyEditor) and frees it afterwards; editors keep no state
// of their own.
//
// The base editor, for a property of any kind:
// - GetAttributes gives [paMultiSelect]: the value can be set on several objects at once.
// - GetValue gives the first object's value as text: a string as it is, a character as itself (#n for
//   a control character), an integer in decimal, a Boolean as True or False, an enumeration value by
//   its name, a set as [a,b], a float in up to 15 significant digits, a date-time in the regional
//   format, an object as its declared class in parentheses, a component reference by name, an event by
//   its handler's name, bytes as their count in parentheses. Empty for a reference or handler that is
//   not set.
// - SetValue raises EPropertyError: the editors for each kind know how to read their text.
// - Edit, GetValues and GetProperties do nothing or give nothing.
class TPropertyEditor : public TPersistent {
    QEL_CLASS(TPropertyEditor)
public:
    TPropertyEditor() = default;

    virtual TPropertyAttributes GetAttributes() const;
    virtual std::string GetValue() const;
    // Sets the value of every selected object from text.
    virtual void SetValue(const std::string& value);
    // What the designer calls when the user presses the property's dialog button.
    virtual void Edit();
    // The values offered in the designer's list, with paValueList.
    virtual std::vector<std::string> GetValues() const;
    // The editors of the value's parts, with paSubProperties.
    virtual TPropertyEditors GetProperties() const;
    // Whether every selected object has the same value; the designer shows no value otherwise.
    virtual bool AllEqual() const;
    // The name the designer lists the property under.
    virtual std::string GetName() const;

    int PropCount() const noexcept { return static_cast<int>(FSelection.size()); }
    // The selected object at index (0 is the first); EListError when out of bounds.
    TPersistent* GetComponent(int index) const;
    const TPropInfo& PropInfo() const noexcept { return *FProp; }
    TFormDesigner& Designer() const noexcept { return *FDesigner; }

protected:
    // The value of the property of the selected object at index.
    TValue Value(int index = 0) const;
    // Sets the property of every selected object to value.
    void SetValueOfAll(const TValue& value);
    std::int64_t GetOrdValue() const;
    void SetOrdValue(std::int64_t value);

private:
    friend std::unique_ptr<TPropertyEditor> CreatePropertyEditor(TClass editorClass, TFormDesigner& designer,
                                                                  TSelection selection, const TPropInfo& prop);

    TFormDesigner* FDesigner = nullptr;
    TSelection FSelection;
    const TPropInfo* FProp = nullptr;
};

// Registers editorClass (TPropertyEditor or a descendant) for the properties of propertyType (the
// declared type: typeid(std::string), typeid(int) for Integer, typeid(bool) for Boolean ...) on
// componentClass and its descendants (every class when null), only the one called propertyName when
// that is not empty. EInvalidCast when editorClass is not a property editor class.
void RegisterPropertyEditor(const std::type_info& propertyType, TClass componentClass, std::string_view propertyName,
                            TClass editorClass);
// The editor class for the property prop of an object of class cls, by the rule at the top.
TClass GetEditorClass(TClass cls, const TPropInfo& prop);
// An editor of class editorClass for prop of the selection, which must not be empty.
std::unique_ptr<TPropertyEditor> CreatePropertyEditor(TClass editorClass, TFormDesigner& designer,
                                                      TSelection selection, const TPropInfo& prop);
// The editors of the properties the designer shows for the selection, in declaration order: for one
// object, every published property; for several, the properties they all publish with the same type
// and get the same editor class for, whose editor has paMultiSelect.
TPropertyEditors GetComponentProperties(const TSelection& selection, TFormDesigner& designer);

// The text of a value of prop as the base editor's GetValue shows it; empty for an event, whose
// handler only the designer can name.
std::string PropertyValueText(const TPropInfo& prop, const TValue& value);

// The component palette: named pages of component classes, both in registration order.
struct TPalettePage {
    std::string Name;
    std::vector<TClass> Classes;
};
// Puts classes on the palette page (created after the existing ones when new), each after those already
// there, and registers them for streaming. A class already on the palette stays where it is.
// EInvalidCast when one is not a component class.
void RegisterComponents(std::string_view page, std::initializer_list<TClass> classes);
const std::vector<TPalettePage>& PalettePages();
