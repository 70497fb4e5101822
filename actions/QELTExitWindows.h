// TQELExitWindows logs the user off, restarts, shuts down or powers off Windows on Execute, after an
// optional yes/no question, and ends the application once Windows has accepted the request.
// QELExitWindows makes one such request with the shutdown privilege of the process switched on for
// its duration, so that it also succeeds for users whose privilege is present but disabled.
#pragma once

#include "foundation/QELSystem.h"
#include "framework/Win32.h"

#include <string>

// The kind of exit. Note that the ordinals of xReboot and xShutDown do not follow their flag values.
enum TQELExitType : std::uint8_t { xLogoff, xReboot, xShutDown, xPowerOff, xForce };
inline const TEnumInfo& EnumTypeInfo(TQELExitType)
{
    static const TEnumInfo info{"TQELExitType", {"xLogoff", "xReboot", "xShutDown", "xPowerOff", "xForce"}};
    return info;
}

// Calls ExitWindowsEx(flags, 0) with SeShutdownPrivilege enabled around it; true when Windows accepted.
// The thread's last-error value is left as ExitWindowsEx set it, not as switching the privilege off
// again would leave it.
bool QELExitWindows(DWORD flags);

class TQELExitWindows : public TQELExecuteComponent {
    QEL_CLASS(TQELExitWindows)
public:
    explicit TQELExitWindows(TComponent* owner);

    // Fires OnExecute, asks ConfirmMessage when Confirm is set, then makes the request. True only when
    // Windows accepted it; the application is then terminated. A component freed by the handler or
    // while the question is up makes no request.
    bool Execute() override;

    TQELExitType ExitType() const noexcept { return FExitType; }
    void SetExitType(TQELExitType exitType) { FExitType = exitType; }
    // The question does not follow ExitType.
    const std::string& ConfirmMessage() const noexcept { return FConfirmMessage; }
    void SetConfirmMessage(const std::string& message) { FConfirmMessage = message; }
    bool Confirm() const noexcept { return FConfirm; }
    void SetConfirm(bool confirm) { FConfirm = confirm; }
    // Fired at the start of every Execute, before the question; sender is the component.
    const TNotifyEvent& OnExecute() const noexcept { return FOnExecute; }
    void SetOnExecute(const TNotifyEvent& event) { FOnExecute = event; }

    // "Error: " and the system's error number of the last refused request, in decimal; empty until a
    // request was refused, and kept as it was by a request that succeeds or is not made.
    const std::string& LastError() const noexcept { return FLastError; }

private:
    TQELExitType FExitType = xLogoff;
    std::string FConfirmMessage;
    bool FConfirm = true;
    TNotifyEvent FOnExecute;
    std::string FLastError;
};
