// TQELStartup registers the running application to be started by Windows at every logon, or removes
// that registration: one string value, named UniqueName, holding the executable's full path, in the
// machine-wide Run key.
#pragma once

#include "foundation/QELSystem.h"

class TQELStartup : public TQELSystemsComponent {
    QEL_CLASS(TQELStartup)
public:
    using TQELSystemsComponent::TQELSystemsComponent;

    // Adds (install true) or removes the registration. True when it wrote or deleted the value; an
    // existing value is left as it is (false), and registry failures give false, never an exception.
    bool InstallApp(bool install);

    // The name of the Run value; empty disables the component. Changing it moves nothing.
    const std::string& UniqueName() const noexcept { return FUniqueName; }
    void SetUniqueName(const std::string& uniqueName) { FUniqueName = uniqueName; }
    // Setting a different value outside the designer adds or removes the registration at once; so a
    // form stored with True registers the application whenever it is loaded.
    bool AutoStartup() const noexcept { return FAutoStartup; }
    void SetAutoStartup(bool autoStartup);

protected:
    // Makes sure the Run key exists (outside the designer).
    void Loaded() override;

private:
    std::string FUniqueName;
    bool FAutoStartup = false;
};
