// Shared parts of the system-action tests.
#include "tests/actions/ActionsTestSupport.h"

#include "actions/QELTExitWindows.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/Win32Handles.h"
#include "tests/support/ImportPatch.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string_view>

namespace {

constexpr std::string_view SwitchPrefix = "--actions-child=";
constexpr DWORD ChildTimeLimit = 30000;

BOOL WINAPI AcceptedExitWindowsEx(UINT flags, DWORD reason)
{
    RecordExitRequest(flags, reason);
    return TRUE;
}

int ReportChild(int argc, char** argv)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    char directory[MAX_PATH] = {};
    (void)GetCurrentDirectoryA(MAX_PATH, directory);
    std::string report = "show=" +
                         std::to_string((startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1) +
                         "\ndir=" + directory + "\n";
    for (int i = 3; i < argc; ++i)
        report += std::string("arg=") + argv[i] + "\n";
    WriteTextFile(argv[2], report);
    return 0;
}

// Waits (up to the time limit) for an event of the parent's, named; gives false when it never came.
bool WaitForParent(const std::string& eventName)
{
    const TKernelHandle event(OpenEventA(SYNCHRONIZE, FALSE, eventName.c_str()));
    return event && WaitForSingleObject(event.Get(), ChildTimeLimit) == WAIT_OBJECT_0;
}

int WaitChild(char** argv)
{
    if (!WaitForParent(argv[2]))
        return 3;
    WriteTextFile(argv[3], "done\n");
    return 0;
}

int BroadcastChild(char** argv)
{
    const auto target = reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoul(argv[2], nullptr, 10)));
    const std::string name = argv[3];
    // Once the parent's shell call has returned: only its wait is to see the messages.
    if (!WaitForParent(name))
        return 3;
    (void)PostMessageA(target, RegisterWindowMessageA((name + ".posted").c_str()), 0, 0);
    DWORD_PTR answer = 0;
    (void)SendMessageTimeoutA(HWND_BROADCAST, RegisterWindowMessageA((name + ".sent").c_str()), 0, 0, SMTO_NORMAL,
                              ChildTimeLimit, &answer);
    return 0;
}

// Calls Execute from the application's message loop, as a button click would.
class TExitChild : public TComponent {
public:
    explicit TExitChild(TQELExitType exitType)
        : TComponent(nullptr), FExit(new TQELExitWindows(this)), FTimer(new TTimer(this))
    {
        FExit->SetConfirm(false);
        FExit->SetExitType(exitType);
        FTimer->SetInterval(10);
        FTimer->SetOnTimer(TNotifyEvent(this, &TExitChild::Tick));
    }
    bool Result() const noexcept { return FResult; }

private:
    void Tick(TObject*)
    {
        FTimer->SetEnabled(false);
        FResult = FExit->Execute();
    }

    TQELExitWindows* FExit;
    TTimer* FTimer;
    bool FResult = false;
};

int ExitChild(char** argv)
{
    const TImportPatch accepting("user32.dll", "ExitWindowsEx", &AcceptedExitWindowsEx);
    TExitChild child(static_cast<TQELExitType>(std::atoi(argv[2])));
    Application->Run();
    if (!child.Result() || !Application->Terminated() || ExitRequests().size() != 1)
        return 1;
    return 100 + static_cast<int>(ExitRequests()[0].Flags);
}

} // namespace

std::vector<TExitRequest>& ExitRequests()
{
    static std::vector<TExitRequest> requests;
    return requests;
}

void RecordExitRequest(UINT flags, DWORD reason)
{
    ExitRequests().push_back({flags, reason, ShutdownPrivilegeEnabled()});
}

BOOL WINAPI RefusedExitWindowsEx(UINT flags, DWORD reason)
{
    RecordExitRequest(flags, reason);
    SetLastError(ERROR_PRIVILEGE_NOT_HELD);
    return FALSE;
}

bool ShutdownPrivilegeEnabled()
{
    HANDLE rawToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &rawToken))
        return false;
    const TKernelHandle token(rawToken);
    LUID shutdown{};
    if (!LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &shutdown))
        return false;
    std::vector<DWORD> buffer(1024);
    DWORD length = 0;
    if (!GetTokenInformation(token.Get(), TokenPrivileges, buffer.data(),
                             static_cast<DWORD>(buffer.size() * sizeof(DWORD)), &length))
        return false;
    const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
    for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
        const LUID_AND_ATTRIBUTES& entry = privileges->Privileges[i];
        if (entry.Luid.LowPart == shutdown.LowPart && entry.Luid.HighPart == shutdown.HighPart)
            return (entry.Attributes & SE_PRIVILEGE_ENABLED) != 0;
    }
    return false;
}

std::string ChildSwitch(const std::string& mode)
{
    return std::string(SwitchPrefix) + mode;
}

DWORD RunChild(const std::string& arguments)
{
    TChildProcess child(SelfCommand(arguments));
    const std::optional<DWORD> exitCode = child.Wait(ChildTimeLimit);
    if (!exitCode)
        throw std::runtime_error("the child did not end: " + arguments);
    return *exitCode;
}

std::optional<int> RunAsChildIfAsked(int argc, char** argv)
{
    if (argc < 2 || !std::string_view(argv[1]).starts_with(SwitchPrefix))
        return std::nullopt;
    const std::string_view mode = std::string_view(argv[1]).substr(SwitchPrefix.size());
    if (mode == "report" && argc >= 3)
        return ReportChild(argc, argv);
    if (mode == "wait" && argc == 4)
        return WaitChild(argv);
    if (mode == "broadcast" && argc == 4)
        return BroadcastChild(argv);
    if (mode == "exit" && argc == 3)
        return ExitChild(argv);
    std::fprintf(stderr, "actions child: bad arguments for %s\n", argv[1]);
    return 2;
}

TTempFolder::TTempFolder()
{
    static int instance = 0;
    char temp[MAX_PATH];
    const DWORD length = GetTempPathA(MAX_PATH, temp);
    FPath = std::string(temp, length) + "QELActions-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++instance);
    if (!CreateDirectoryA(FPath.c_str(), nullptr))
        throw std::runtime_error("cannot create " + FPath);
}

TTempFolder::~TTempFolder()
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(File("*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do
            (void)DeleteFileA(File(found.cFileName).c_str());
        while (FindNextFileA(search, &found));
        (void)FindClose(search);
    }
    (void)RemoveDirectoryA(FPath.c_str());
}

std::vector<std::string> ReadLines(const std::string& fileName)
{
    std::ifstream file(fileName);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);)
        lines.push_back(line);
    return lines;
}

void WriteTextFile(const std::string& fileName, const std::string& text)
{
    std::ofstream(fileName, std::ios::binary) << text;
}
