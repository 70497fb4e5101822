// The framework's property editors: one for every kind of published property, so that the designer
// can show and change each of them, and the Name editor it registers itself (DesignIntf.h says how an
// editor is picked). Values are read and written as text; GetValue is the base editor's throughout.
#pragma once

#include "framework/DesignIntf.h"

// Ordinal properties (integers, characters, Booleans, enumerations, sets): the selection's values
// compare as numbers.
class TOrdinalProperty : public TPropertyEditor {
    QEL_CLASS(TOrdinalProperty)
public:
    bool AllEqual() const override;
};

// Integers of every width: decimal text (or $ and hexadecimal digits) within the type's bounds.
class TIntegerProperty : public TOrdinalProperty {
    QEL_CLASS(TIntegerProperty)
public:
    void SetValue(const std::string& value) override;
};

// A character: the character itself, or # and its decimal code.
class TCharProperty : public TOrdinalProperty {
    QEL_CLASS(TCharProperty)
public:
    void SetValue(const std::string& value) override;
};

// An enumeration: one of its value names, offered sorted.
class TEnumProperty : public TOrdinalProperty {
    QEL_CLASS(TEnumProperty)
public:
    TPropertyAttributes GetAttributes() const override;
    std::vector<std::string> GetValues() const override;
    void SetValue(const std::string& value) override;
};

// A Boolean: True or False.
class TBoolProperty : public TOrdinalProperty {
    QEL_CLASS(TBoolProperty)
public:
    TPropertyAttributes GetAttributes() const override;
    std::vector<std::string> GetValues() const override;
    void SetValue(const std::string& value) override;
};

// A set: value names of its element type between brackets, separated by commas ([] for none).
class TSetProperty : public TOrdinalProperty {
    QEL_CLASS(TSetProperty)
public:
    void SetValue(const std::string& value) override;
};

class TFloatProperty : public TPropertyEditor {
    QEL_CLASS(TFloatProperty)
public:
    void SetValue(const std::string& value) override;
};

// A date and time in the regional format; empty text is 0.
class TDateTimeProperty : public TPropertyEditor {
    QEL_CLASS(TDateTimeProperty)
public:
    void SetValue(const std::string& value) override;
};

class TStringProperty : public TPropertyEditor {
    QEL_CLASS(TStringProperty)
public:
    void SetValue(const std::string& value) override;
};

// Name, on every component: the same text as a string, but only ever on one component at a time,
// since names are unique within their owner.
class TComponentNameProperty : public TStringProperty {
    QEL_CLASS(TComponentNameProperty)
public:
    TPropertyAttributes GetAttributes() const override;
};

// Bytes: shown as their count, set from hexadecimal digits (blanks ignored).
class TBinaryProperty : public TPropertyEditor {
    QEL_CLASS(TBinaryProperty)
public:
    void SetValue(const std::string& value) override;
};

// A persistent sub-object: edited through the editors of its own published properties.
class TClassProperty : public TPropertyEditor {
    QEL_CLASS(TClassProperty)
public:
    TPropertyAttributes GetAttributes() const override;
    TPropertyEditors GetProperties() const override;
    // Sub-objects of one class count as equal: their parts are compared part by part.
    bool AllEqual() const override;
};

// A list of strings: its dialog, the string list editor, edits the lines.
class TStringListProperty : public TClassProperty {
    QEL_CLASS(TStringListProperty)
public:
    TPropertyAttributes GetAttributes() const override;
    void Edit() override;
};

// A collection: its items are the parts, each edited through its own published properties (items are
// added and removed in code or in the form description). Only one collection at a time.
class TCollectionProperty : public TClassProperty {
    QEL_CLASS(TCollectionProperty)
public:
    TPropertyAttributes GetAttributes() const override;
    TPropertyEditors GetProperties() const override;
};

// One item of a collection, listed as [index] with the item's display name as its value.
class TCollectionItemProperty : public TClassProperty {
    QEL_CLASS(TCollectionItemProperty)
public:
    std::string GetName() const override;
    std::string GetValue() const override;
    TPropertyEditors GetProperties() const override;

private:
    friend class TCollectionProperty;
    TCollectionItem* Item() const;

    int FIndex = 0;
};

// A reference to another component of the form: its name, or empty for none; the form's components of
// the property's class are offered.
class TComponentProperty : public TPropertyEditor {
    QEL_CLASS(TComponentProperty)
public:
    TPropertyAttributes GetAttributes() const override;
    std::vector<std::string> GetValues() const override;
    void SetValue(const std::string& value) override;
};

// An event: the name of its handler method on the form, made by the designer when new; empty text
// detaches the handler.
class TMethodProperty : public TPropertyEditor {
    QEL_CLASS(TMethodProperty)
public:
    TPropertyAttributes GetAttributes() const override;
    void SetValue(const std::string& value) override;
};

// The framework's editor class for a property of kind: the one a property gets when no registration
// covers it.
TClass DefaultEditorClass(TTypeKind kind);
