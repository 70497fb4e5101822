// Exit Windows.
#include "actions/QELTExitWindows.h"

#include "framework/Dialogs.h"
#include "framework/Forms.h"
#include "framework/Win32Handles.h"

#include <array>

QEL_CLASS_INFO(TQELExitWindows, TQELExecuteComponent)
{
    using C = TQELExitWindows;
    return {
        Prop("ExitType", &C::ExitType, &C::SetExitType).Default(xLogoff),
        Prop("ConfirmMessage", &C::ConfirmMessage, &C::SetConfirmMessage).Stored(TStored::Always),
        Prop("Confirm", &C::Confirm, &C::SetConfirm).Default(true),
        Prop("OnExecute", &C::OnExecute, &C::SetOnExecute),
    };
}

QEL_OPERATIONS(TQELExitWindows)
{
    using C = TQELExitWindows;
    return {
        Operation(&C::Execute, "Execute()",
                  "fires OnExecute, asks ConfirmMessage when Confirm is set, then asks Windows to end as ExitType "
                  "says; True when Windows accepted"),
    };
}

namespace {

// ExitWindowsEx flags by TQELExitType ordinal.
constexpr std::array<UINT, 5> ExitFlags{EWX_LOGOFF, EWX_REBOOT, EWX_SHUTDOWN, EWX_POWEROFF, EWX_FORCE};

constexpr const char* ShutdownPrivilege = "SeShutdownPrivilege";

// Switches a privilege of the process's token on or off; true when the token took the change.
bool SetTokenPrivilege(const char* name, bool enable)
{
    HANDLE rawToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &rawToken))
        return false;
    const TKernelHandle token(rawToken);
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    if (!LookupPrivilegeValueA(nullptr, name, &privileges.Privileges[0].Luid))
        return false;
    privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
    TOKEN_PRIVILEGES previous{};
    DWORD returnedLength = 0;
    return AdjustTokenPrivileges(token.Get(), FALSE, &privileges, sizeof previous, &previous, &returnedLength) != 0;
}

} // namespace

bool QELExitWindows(DWORD flags)
{
    (void)SetTokenPrivilege(ShutdownPrivilege, true);
    const bool accepted = ExitWindowsEx(flags, 0) != 0;
    const DWORD error = GetLastError();
    (void)SetTokenPrivilege(ShutdownPrivilege, false);
    SetLastError(error);
    return accepted;
}

TQELExitWindows::TQELExitWindows(TComponent* owner)
    : TQELExecuteComponent(owner), FConfirmMessage("Are you sure you want to Logoff ?")
{
}

bool TQELExitWindows::Execute()
{
    // The handler and the question's message loop may free the component: then nothing is asked of
    // Windows, with values it no longer holds.
    const TComponentWatch watch(this);
    FOnExecute(this);
    if (!watch.Alive() || (FConfirm && MessageDlg(FConfirmMessage, mtConfirmation, {mbYes, mbNo}, 0) != mrYes) ||
        !watch.Alive())
        return false;
    if (!QELExitWindows(ExitFlags[FExitType])) {
        const DWORD error = GetLastError();
        FLastError = "Error: " + std::to_string(error);
        return false;
    }
    Application->Terminate();
    return true;
}
