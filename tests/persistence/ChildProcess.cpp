// Child processes of the test executable.
#include "tests/persistence/ChildProcess.h"

#include "framework/FormText.h"
#include "framework/Forms.h"
#include "framework/IniFiles.h"
#include "framework/Win32Handles.h"

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view ChildSwitch = "--persistence-child=";
constexpr const char* DescriptionVariable = "QEL_PERSISTENCE_CHILD_FORM";
constexpr DWORD TimeLimit = 30000;

std::string ModuleFileName()
{
    std::vector<char> name(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length < name.size())
            return std::string(name.data(), length);
        name.resize(name.size() * 2);
    }
}

std::string EnvironmentVariable(const char* name)
{
    const DWORD size = GetEnvironmentVariableA(name, nullptr, 0);
    if (size == 0)
        return {};
    std::string value(size, '\0');
    value.resize(GetEnvironmentVariableA(name, value.data(), size));
    return value;
}

// A named event for the children to wait on or to signal, unique to this process and call.
std::string NewEventName()
{
    static int instance = 0;
    return "QELSystmPersistenceChild-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++instance);
}

TKernelHandle NewEvent(const std::string& name)
{
    TKernelHandle event(CreateEventA(nullptr, TRUE, FALSE, name.c_str()));
    if (!event)
        throw std::runtime_error("cannot create the event " + name);
    return event;
}

// Starts this executable in child mode with arguments; description reaches it through its inherited
// environment.
TKernelHandle StartChild(const std::string& mode, const std::string& arguments, const std::string& description)
{
    const std::string exe = ModuleFileName();
    std::string commandLine = "\"" + exe + "\" " + std::string(ChildSwitch) + mode + " " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    SetEnvironmentVariableA(DescriptionVariable, description.c_str());
    const BOOL created =
        CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started);
    SetEnvironmentVariableA(DescriptionVariable, nullptr);
    if (!created)
        throw std::runtime_error("cannot start " + commandLine);
    (void)CloseHandle(started.hThread);
    return TKernelHandle(started.hProcess);
}

// Waits until ready is signalled; raises (killing the child) when the child ends or hangs before.
void WaitUntilReady(HANDLE ready, HANDLE process)
{
    const HANDLE waitFor[] = {ready, process};
    if (WaitForMultipleObjects(2, waitFor, FALSE, TimeLimit) != WAIT_OBJECT_0) {
        (void)TerminateProcess(process, 1);
        throw std::runtime_error("the child ended or hung before its form was loaded");
    }
}

DWORD WaitForEnd(HANDLE process)
{
    if (WaitForSingleObject(process, TimeLimit) != WAIT_OBJECT_0) {
        (void)TerminateProcess(process, 1);
        throw std::runtime_error("the child did not end");
    }
    DWORD exitCode = 0;
    GetExitCodeProcess(process, &exitCode);
    return exitCode;
}

struct TWindowSearch {
    DWORD ProcessId;
    HWND Found;
};

BOOL CALLBACK FindApplicationWindow(HWND window, LPARAM search)
{
    auto& s = *reinterpret_cast<TWindowSearch*>(search);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    if (processId != s.ProcessId || std::string_view(className) != "TApplication")
        return TRUE;
    s.Found = window;
    return FALSE;
}

// The child modes.

int LoadForm(std::string_view mode, const char* readyName)
{
    const std::unique_ptr<TComponent> form(TReader(EnvironmentVariable(DescriptionVariable)).ReadComponent(nullptr));
    if (mode == "wait") {
        const TKernelHandle ready(OpenEventA(EVENT_MODIFY_STATE, FALSE, readyName));
        SetEvent(ready.Get());
        Sleep(INFINITE);
    }
    return 0;
}

int RunApplication(const char* readyName)
{
    TReader reader(EnvironmentVariable(DescriptionVariable));
    reader.SetRootClass(TForm::StaticClass());
    auto* form = static_cast<TForm*>(reader.ReadComponent(Application));
    Application->SetMainForm(form);
    // Messages sent from now on are handled once Run has shown the main form.
    const TKernelHandle ready(OpenEventA(EVENT_MODIFY_STATE, FALSE, readyName));
    SetEvent(ready.Get());
    Application->Run();
    return 0;
}

int WriteIni(char** arguments)
{
    const TKernelHandle start(OpenEventA(SYNCHRONIZE, FALSE, arguments[0]));
    TIniFile ini(arguments[1]);
    const std::string section = arguments[2], prefix = arguments[3];
    const int entries = std::stoi(arguments[4]);
    if (WaitForSingleObject(start.Get(), TimeLimit) != WAIT_OBJECT_0)
        return 3;
    for (int i = 0; i < entries; ++i)
        ini.WriteInteger(section, prefix + std::to_string(i), i);
    return 0;
}

} // namespace

DWORD RunChild(const std::string& description, TChildEnd end)
{
    const std::string readyName = NewEventName();
    const TKernelHandle ready = NewEvent(readyName);
    const TKernelHandle process =
        StartChild(end == TChildEnd::Killed ? "wait" : "end", readyName, description);
    if (end == TChildEnd::Killed) {
        WaitUntilReady(ready.Get(), process.Get());
        (void)TerminateProcess(process.Get(), KilledExitCode);
    }
    return WaitForEnd(process.Get());
}

LRESULT RunChildThroughLogoff(const std::string& description)
{
    const std::string readyName = NewEventName();
    const TKernelHandle ready = NewEvent(readyName);
    const TKernelHandle process = StartChild("session", readyName, description);
    WaitUntilReady(ready.Get(), process.Get());
    TWindowSearch search{GetProcessId(process.Get()), nullptr};
    EnumWindows(&FindApplicationWindow, reinterpret_cast<LPARAM>(&search));
    if (!search.Found) {
        (void)TerminateProcess(process.Get(), 1);
        throw std::runtime_error("the child has no application window");
    }
    DWORD_PTR answer = 0;
    (void)SendMessageTimeoutA(search.Found, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_BLOCK, TimeLimit, &answer);
    DWORD_PTR ignored = 0;
    (void)SendMessageTimeoutA(search.Found, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_BLOCK, TimeLimit, &ignored);
    // The system does not wait for a program once it has answered WM_ENDSESSION.
    if (WaitForSingleObject(process.Get(), 3000) != WAIT_OBJECT_0)
        (void)TerminateProcess(process.Get(), KilledExitCode);
    (void)WaitForEnd(process.Get());
    return static_cast<LRESULT>(answer);
}

void RunIniWriters(const std::string& fileName, const std::string& section, int count, int entries)
{
    const std::string startName = NewEventName();
    const TKernelHandle start = NewEvent(startName);
    std::vector<TKernelHandle> children;
    for (int i = 0; i < count; ++i)
        children.push_back(StartChild("ini-writer", startName + " \"" + fileName + "\" " + section + " " +
                                                        std::string(1, static_cast<char>('A' + i)) + " " +
                                                        std::to_string(entries),
                                      {}));
    (void)SetEvent(start.Get());
    for (const TKernelHandle& child : children)
        if (const DWORD exitCode = WaitForEnd(child.Get()); exitCode != 0)
            throw std::runtime_error("an INI writer ended with " + std::to_string(exitCode));
}

std::optional<int> RunAsChildIfAsked(int argc, char** argv)
{
    if (argc < 3 || std::string_view(argv[1]).substr(0, ChildSwitch.size()) != ChildSwitch)
        return std::nullopt;
    const std::string_view mode = std::string_view(argv[1]).substr(ChildSwitch.size());
    try {
        if (mode == "session")
            return RunApplication(argv[2]);
        if (mode == "ini-writer")
            return argc == 7 ? WriteIni(argv + 2) : 2;
        return LoadForm(mode, argv[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "persistence child: %s\n", e.what());
        return 2;
    }
}
