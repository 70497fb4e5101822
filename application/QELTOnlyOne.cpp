// The single-instance guard.
#include "application/QELTOnlyOne.h"

#include "framework/Forms.h"
#include "framework/Strings.h"
#include "framework/Win32Handles.h"

#include <algorithm>
#include <cstring>

QEL_CLASS_INFO(TQELOnlyOne, TQELSystemsComponent)
{
    using C = TQELOnlyOne;
    return {
        Prop("Instances", &C::Instances, &C::SetInstances).Default(1),
        Prop("OnExceed", &C::OnExceed, &C::SetOnExceed).Default(aRestoreAndExit),
        Prop("OnExceeded", &C::OnExceeded, &C::SetOnExceeded),
        Prop("OnNewInstance", &C::OnNewInstance, &C::SetOnNewInstance),
    };
}

QEL_OPERATIONS(TQELOnlyOne)
{
    using C = TQELOnlyOne;
    return {
        Operation(&C::CheckPrevInstances, "CheckPrevInstances()",
                  "counts the running copies and, when there are more than Instances, fires OnExceeded and does "
                  "what OnExceed says (run when the component is finished)"),
    };
}

namespace {

// TQELOnlyOne objects constructed in the process.
int LiveCount = 0;

// The WM_COPYDATA record a new copy sends: dwData marks it, the data holds the directory, a NUL, and
// the arguments. Command lines and ANSI directories are far shorter than the limit.
constexpr ULONG_PTR NewInstanceRecord = 0x51454C31;
constexpr DWORD MaxRecordSize = 65536;
// How long a new copy waits for the running one to take its command line.
constexpr UINT NewInstanceTimeout = 5000;

// Counts the component in before anything else is set up, and refuses a second one. The constructor
// takes the count back down when anything after this raises, since its destructor then never runs.
TComponent* Admit(TComponent* owner)
{
    if (++LiveCount >= 2)
        throw QELTOnlyOne::EQELDuplicateError(
            "You can have only one class of type\r\nTQELOnlyOne\r\n in a project and it must be on the Mainform");
    return owner;
}

// Posted by the guard to the application's window: the command lines taken are handed to
// OnNewInstance from the message loop, not while the new copy waits for its answer.
UINT NewInstanceMessage()
{
    static const UINT message = RegisterWindowMessageA("QELTOnlyOne.NewInstance");
    return message;
}

// The window test's reference and results.
struct TCopySearch {
    HWND Own = nullptr;
    char Title[256] = {};
    char ClassName[256] = {};
    int Matches = 0;
    HWND Other = nullptr; // the last match that is not Own
};

BOOL CALLBACK TestWindow(HWND window, LPARAM data)
{
    auto& search = *reinterpret_cast<TCopySearch*>(data);
    char name[256];
    if (GetClassNameA(window, name, sizeof name) <= 0 || std::strcmp(name, search.ClassName) != 0)
        return TRUE;
    char text[256];
    if (GetWindowTextA(window, text, sizeof text) <= 0 || std::strcmp(text, search.Title) != 0)
        return TRUE;
    ++search.Matches;
    if (window != search.Own)
        search.Other = window;
    return TRUE;
}

// The mutex that makes copies with the same window class and title count one after another, for the
// session. Names cannot hold a backslash beyond the namespace's, nor run past MAX_PATH; two windows
// whose names meet that way only share the mutex.
std::string LockName(const TCopySearch& search)
{
    std::string name = std::string("QELTOnlyOne ") + search.ClassName + " " + search.Title;
    std::replace(name.begin(), name.end(), '\\', '/');
    name = "Local\\" + name;
    name = AnsiLeftBytes(name, MAX_PATH - 1);
    return name;
}

// Holds the mutex from construction to destruction. While it waits it answers the messages other
// threads send to this one's windows: the copy holding the mutex may be bringing this copy's window
// forward. A mutex that cannot be had (an error, not a wait) leaves the count unlocked, as it was
// before there was one.
class TCountLock {
public:
    explicit TCountLock(const std::string& name) : FMutex(CreateMutexA(nullptr, FALSE, name.c_str()))
    {
        if (!FMutex)
            return;
        const HANDLE mutex = FMutex.Get();
        for (;;) {
            const DWORD signalled = MsgWaitForMultipleObjects(1, &mutex, FALSE, INFINITE, QS_SENDMESSAGE);
            // An abandoned mutex is owned all the same: its last owner ended.
            if (signalled == WAIT_OBJECT_0 || signalled == WAIT_ABANDONED_0) {
                FOwned = true;
                return;
            }
            if (signalled != WAIT_OBJECT_0 + 1)
                return;
            MSG message;
            (void)PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
    ~TCountLock()
    {
        if (FOwned)
            (void)ReleaseMutex(FMutex.Get());
    }
    TCountLock(const TCountLock&) = delete;
    TCountLock& operator=(const TCountLock&) = delete;

private:
    TKernelHandle FMutex;
    bool FOwned = false;
};

void BringForward(HWND other)
{
    if (!other)
        return;
    HWND popup = GetLastActivePopup(other);
    (void)BringWindowToTop(other);
    if (IsIconic(popup))
        (void)ShowWindow(popup, SW_RESTORE);
    else
        (void)SetForegroundWindow(popup);
}

// This copy's command line after the program name, which ends at its closing quote when it starts with
// one and else at the first blank.
std::string CommandLineArguments()
{
    const char* line = GetCommandLineA();
    if (*line == '"') {
        line = std::strchr(line + 1, '"');
        line = line ? line + 1 : "";
    } else
        line += std::strcspn(line, " \t");
    return line + std::strspn(line, " \t");
}

std::string CurrentDirectory()
{
    std::string directory(GetCurrentDirectoryA(0, nullptr), '\0');
    directory.resize(GetCurrentDirectoryA(static_cast<DWORD>(directory.size()), directory.data()));
    return directory;
}

// Hands this copy's command line to the running copy's guard and lets that copy take the foreground.
// A copy that does not answer within the time limit (hung, or without a guard) loses it.
void SendNewInstance(HWND other)
{
    if (!other)
        return;
    DWORD process = 0;
    (void)GetWindowThreadProcessId(other, &process);
    (void)AllowSetForegroundWindow(process);
    std::string record = CurrentDirectory();
    record.append(1, '\0').append(CommandLineArguments());
    record = AnsiLeftBytes(record, MaxRecordSize);
    COPYDATASTRUCT data{NewInstanceRecord, static_cast<DWORD>(record.size()), record.data()};
    DWORD_PTR answer = 0;
    (void)SendMessageTimeoutA(other, WM_COPYDATA, reinterpret_cast<WPARAM>(Application->Handle()),
                              reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, NewInstanceTimeout, &answer);
}

} // namespace

TQELOnlyOne::TQELOnlyOne(TComponent* owner)
try : TQELSystemsComponent(Admit(owner)) {
    if (ComponentState().Contains(csDesigning))
        return;
    HWND window = Application->Handle();
    FObjectInstance = MakeObjectInstance(TWndMethod(this, &TQELOnlyOne::ApplicationWndProc));
    HookWindowProc(window, FObjectInstance, FPrevWndProc);
    FHookedWindow = window;
} catch (...) {
    --LiveCount;
}

TQELOnlyOne::~TQELOnlyOne()
{
    if (FHookedWindow)
        UnhookWindowProc(FHookedWindow, FObjectInstance);
    FreeObjectInstance(FObjectInstance);
    --LiveCount;
}

void TQELOnlyOne::Loaded()
{
    TQELSystemsComponent::Loaded();
    if (!ComponentState().Contains(csDesigning))
        CheckPrevInstances();
}

void TQELOnlyOne::CheckPrevInstances()
{
    TCopySearch search;
    search.Own = Application->Handle();
    (void)GetWindowTextA(search.Own, search.Title, sizeof search.Title);
    (void)GetClassNameA(search.Own, search.ClassName, sizeof search.ClassName);
    const TCountLock lock(LockName(search));
    (void)EnumWindows(&TestWindow, reinterpret_cast<LPARAM>(&search));
    if (FInstances >= search.Matches)
        return;
    FOnExceeded(this, search.Matches);
    if (FOnExceed == aRestore || FOnExceed == aRestoreAndExit)
        BringForward(search.Other);
    if (FOnExceed == aExit || FOnExceed == aRestoreAndExit) {
        SendNewInstance(search.Other);
        // The lock is never given back: it goes when the process does, after its windows, so the copy
        // counting next cannot see this one.
        Halt(0);
    }
}

void TQELOnlyOne::ApplicationWndProc(TMessage& message)
{
    if (message.Msg == WM_COPYDATA && TakeNewInstance(message.LParam)) {
        message.Result = TRUE;
        return;
    }
    if (message.Msg == NewInstanceMessage()) {
        FireNewInstances();
        return;
    }
    message.Result = CallWindowProcA(FPrevWndProc, FHookedWindow, message.Msg, message.WParam, message.LParam);
}

// The record comes from another process: everything in it is checked before it is read.
bool TQELOnlyOne::TakeNewInstance(LPARAM record)
{
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(record);
    if (!data || data->dwData != NewInstanceRecord || data->cbData == 0 || data->cbData > MaxRecordSize ||
        !data->lpData)
        return false;
    const std::string text(static_cast<const char*>(data->lpData), data->cbData);
    const std::size_t end = text.find('\0');
    if (end == std::string::npos)
        return false;
    FNewInstances.emplace_back(text.substr(end + 1), text.substr(0, end));
    (void)PostMessageA(FHookedWindow, NewInstanceMessage(), 0, 0);
    return true;
}

void TQELOnlyOne::FireNewInstances()
{
    // A handler may run a message loop in which more arrive: those wait for their own message.
    const auto arrived = std::exchange(FNewInstances, {});
    for (const auto& [arguments, directory] : arrived) {
        try {
            FOnNewInstance(this, arguments, directory);
        } catch (...) {
            Application->HandleException(this);
        }
    }
}
