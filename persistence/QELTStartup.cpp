// The autostart registration.
#include "persistence/QELTStartup.h"

#include "framework/Forms.h"
#include "framework/Registry.h"

QEL_CLASS_INFO(TQELStartup, TQELSystemsComponent)
{
    return {
        Prop("UniqueName", &TQELStartup::UniqueName, &TQELStartup::SetUniqueName).Stored(TStored::NotEmpty),
        Prop("AutoStartup", &TQELStartup::AutoStartup, &TQELStartup::SetAutoStartup).Stored(TStored::Always),
    };
}

QEL_OPERATIONS(TQELStartup)
{
    using C = TQELStartup;
    return {
        Operation(&C::InstallApp, "InstallApp(Install)",
                  "registers (or removes) the program under UniqueName; True when it wrote or deleted the value"),
    };
}

namespace {

constexpr const char* RunKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

} // namespace

void TQELStartup::SetAutoStartup(bool autoStartup)
{
    if (autoStartup == FAutoStartup)
        return;
    FAutoStartup = autoStartup;
    if (!ComponentState().Contains(csDesigning))
        (void)InstallApp(autoStartup);
}

void TQELStartup::Loaded()
{
    TQELSystemsComponent::Loaded();
    if (ComponentState().Contains(csDesigning))
        return;
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    (void)registry.OpenKey(RunKey, true);
}

bool TQELStartup::InstallApp(bool install)
{
    if (FUniqueName.empty())
        return false;
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    // A key that cannot be opened shows in the test or the write that follows.
    (void)registry.OpenKey(RunKey, true);
    try {
        // Nothing to do when the value already is as asked; an existing one is not updated, whatever
        // executable it names.
        if (registry.ValueExists(FUniqueName) == install)
            return false;
        if (install)
            registry.WriteString(FUniqueName, Application->ExeName());
        else
            (void)registry.DeleteValue(FUniqueName);
        return true;
    } catch (const Exception&) {
        // Without write access to the machine's settings there is simply no registration.
        return false;
    }
}
