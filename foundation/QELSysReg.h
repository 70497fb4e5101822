// The library's design-time face: Register puts the components on the palette and installs the
// property editors that show the About text, the Execute Test button and the read-only information of
// the drive-volume component. Applications built with the library never run any of it.
#pragma once

#include "framework/DesignEditors.h"

// About on every component of the library: the fixed text "(QEL System Components)", read-only.
class TQELAboutSystemComponent : public TPropertyEditor {
    QEL_CLASS(TQELAboutSystemComponent)
public:
    TPropertyAttributes GetAttributes() const override;
    std::string GetValue() const override;
};

// DesignExecute on every execute-family component: "(Execute Test)" with a dialog button that runs
// the first selected component's Execute, for real, in the designer.
class TQELExecSystemProperty : public TStringProperty {
    QEL_CLASS(TQELExecSystemProperty)
public:
    TPropertyAttributes GetAttributes() const override;
    std::string GetValue() const override;
    void Edit() override;
};

// The read-only editors: the base editor's attributes plus paReadOnly, the value text of their bases.
class TQELROStringProperty : public TStringProperty {
    QEL_CLASS(TQELROStringProperty)
public:
    TPropertyAttributes GetAttributes() const override;
};

class TQELROIntegerProperty : public TIntegerProperty {
    QEL_CLASS(TQELROIntegerProperty)
public:
    TPropertyAttributes GetAttributes() const override;
};

class TQELROBooleanproperty : public TOrdinalProperty {
    QEL_CLASS(TQELROBooleanproperty)
public:
    TPropertyAttributes GetAttributes() const override;
};

// Called by the designer when it loads the library; calling it again changes nothing.
void Register();

// Shows every string, Boolean and Integer property of cls and its descendants read-only (Register
// does this for the drive-volume component). About and Name keep their own editors.
void RegisterReadOnlyInformationEditors(TClass cls);
