// File execute.
#include "actions/QELTFileExecute.h"

#include "framework/Win32Handles.h"

#include <shellapi.h>

#include <array>

QEL_CLASS_INFO(TQELFileExecute, TQELExecuteComponent)
{
    using C = TQELFileExecute;
    return {
        Prop("Filename", &C::Filename, &C::SetFilename).Stored(TStored::Always),
        Prop("ExeParameters", &C::ExeParameters, &C::SetExeParameters).Stored(TStored::Always),
        Prop("ExeStyle", &C::ExeStyle, &C::SetExeStyle).Default(osDefault),
        Prop("ExePath", &C::ExePath, &C::SetExePath).Stored(TStored::Always),
        Prop("Wait", &C::Wait, &C::SetWait).Default(false),
        Prop("Windowstate", &C::Windowstate, &C::SetWindowstate).Default(wsNormal),
    };
}

QEL_OPERATIONS(TQELFileExecute)
{
    using C = TQELFileExecute;
    return {
        Operation(&C::Execute, "Execute()",
                  "opens Filename with ExeParameters as ExeStyle says, and waits for its end with Wait; True when "
                  "it started"),
    };
}

namespace {

// Verbs by TQELExeStyle ordinal, in the letter case the shell is given them.
constexpr std::array<const char*, 11> Verbs{"",     "open", "Print", "explore", "new",  "Install",
                                            "edit", "find", "Test",  "open",    "Play"};

// Show commands by TWindowState ordinal.
constexpr std::array<std::uint16_t, 3> ShowCommands{SW_SHOWNORMAL, SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED};

// Blocks until process has ended. Messages sent to this thread are answered meanwhile: a started
// program that sends one (a broadcast, say) and waits for the answer would otherwise never end.
// Posted messages stay queued for the application's loop.
void WaitForProcess(HANDLE process)
{
    while (MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
        MSG message;
        (void)PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

} // namespace

TQELFileExecute::TQELFileExecute(TComponent* owner) : TQELExecuteComponent(owner)
{
    SetExeStyle(osDefault);
}

void TQELFileExecute::SetExeStyle(TQELExeStyle style)
{
    FVerb = Verbs[style];
    FExeStyle = style;
}

void TQELFileExecute::SetWindowstate(TWindowState state)
{
    if (state == FWindowstate)
        return;
    FShowCommand = ShowCommands[state];
    FWindowstate = state;
}

bool TQELFileExecute::Execute()
{
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.hwnd = Application->Handle();
    info.lpVerb = FVerb.empty() ? nullptr : FVerb.c_str();
    info.lpFile = FFilename.c_str();
    info.lpParameters = FExeParameters.c_str();
    info.lpDirectory = FExePath.c_str();
    info.nShow = FShowCommand;
    const bool started = ShellExecuteExA(&info) != FALSE;
    // Ours to close, whether or not we wait for it.
    const TKernelHandle process(info.hProcess);
    if (FWait && process)
        WaitForProcess(process.Get());
    return started;
}
