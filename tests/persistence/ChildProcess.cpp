// Child processes of the test executable.
#include "tests/persistence/ChildProcess.h"

#include "framework/FormText.h"
#include "framework/Forms.h"
#include "framework/IniFiles.h"
#include "framework/Win32Handles.h"
#include "persistence/QELTStoreData.h"
#include "tests/support/Processes.h"

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view ChildSwitch = "--persistence-child=";
constexpr const char* DescriptionVariable = "QEL_PERSISTENCE_CHILD_FORM";
constexpr DWORD TimeLimit = 30000;

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
std::unique_ptr<TChildProcess> StartChild(const std::string& mode, const std::string& arguments,
                                          const std::string& description)
{
    SetEnvironmentVariableA(DescriptionVariable, description.c_str());
    try {
        auto child = std::make_unique<TChildProcess>(SelfCommand(std::string(ChildSwitch) + mode + " " + arguments));
        SetEnvironmentVariableA(DescriptionVariable, nullptr);
        return child;
    } catch (...) {
        SetEnvironmentVariableA(DescriptionVariable, nullptr);
        throw;
    }
}

// Waits until ready is signalled; raises (killing the child) when the child ends or hangs before.
void WaitUntilReady(HANDLE ready, TChildProcess& child)
{
    const HANDLE waitFor[] = {ready, child.Handle()};
    if (WaitForMultipleObjects(2, waitFor, FALSE, TimeLimit) != WAIT_OBJECT_0) {
        child.Kill(1);
        throw std::runtime_error("the child ended or hung before its form was loaded: " + child.Err());
    }
}

DWORD WaitForEnd(TChildProcess& child)
{
    const std::optional<DWORD> exitCode = child.Wait(TimeLimit);
    if (!exitCode) {
        child.Kill(1);
        throw std::runtime_error("the child did not end: " + child.Err());
    }
    return *exitCode;
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

// Writes until killed; see TIniLoopWriter.
int WriteIniUntilKilled(char** arguments)
{
    const TKernelHandle start(OpenEventA(SYNCHRONIZE, FALSE, arguments[0]));
    TQELDataStore store;
    store.SetDatatype(sIniFile);
    store.Inifile()->SetFilename(arguments[1]);
    store.Inifile()->SetSection(arguments[2]);
    const std::string prefix = arguments[3];
    if (WaitForSingleObject(start.Get(), TimeLimit) != WAIT_OBJECT_0)
        return 3;
    for (int i = 0;; ++i) {
        store.WriteStr(prefix + std::to_string(i), IniLoopValue(i));
        std::printf("wrote %d\n", i);
        std::fflush(stdout);
    }
}

} // namespace

DWORD RunChild(const std::string& description, TChildEnd end)
{
    const std::string readyName = NewEventName();
    const TKernelHandle ready = NewEvent(readyName);
    const auto child = StartChild(end == TChildEnd::Killed ? "wait" : "end", readyName, description);
    if (end == TChildEnd::Killed) {
        WaitUntilReady(ready.Get(), *child);
        child->Kill(KilledExitCode);
    }
    return WaitForEnd(*child);
}

LRESULT RunChildThroughLogoff(const std::string& description)
{
    const std::string readyName = NewEventName();
    const TKernelHandle ready = NewEvent(readyName);
    const auto child = StartChild("session", readyName, description);
    WaitUntilReady(ready.Get(), *child);
    const HWND application = FindProcessWindow(child->ProcessId(), "TApplication");
    if (!application) {
        child->Kill(1);
        throw std::runtime_error("the child has no application window");
    }
    DWORD_PTR answer = 0;
    (void)SendMessageTimeoutA(application, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_BLOCK, TimeLimit, &answer);
    DWORD_PTR ignored = 0;
    (void)SendMessageTimeoutA(application, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_BLOCK, TimeLimit, &ignored);
    // The system does not wait for a program once it has answered WM_ENDSESSION.
    if (WaitForSingleObject(child->Handle(), 3000) != WAIT_OBJECT_0)
        child->Kill(KilledExitCode);
    (void)WaitForEnd(*child);
    return static_cast<LRESULT>(answer);
}

void RunIniWriters(const std::string& fileName, const std::string& section, int count, int entries)
{
    const std::string startName = NewEventName();
    const TKernelHandle start = NewEvent(startName);
    std::vector<std::unique_ptr<TChildProcess>> children;
    for (int i = 0; i < count; ++i)
        children.push_back(StartChild("ini-writer", startName + " \"" + fileName + "\" " + section + " " +
                                                        std::string(1, static_cast<char>('A' + i)) + " " +
                                                        std::to_string(entries),
                                      {}));
    (void)SetEvent(start.Get());
    for (const auto& child : children)
        if (const DWORD exitCode = WaitForEnd(*child); exitCode != 0)
            throw std::runtime_error("an INI writer ended with " + std::to_string(exitCode) + ": " + child->Err());
}

std::string IniLoopValue(int index)
{
    return "value " + std::to_string(index) + " of a writer that is killed at a random moment";
}

TIniLoopWriter::TIniLoopWriter(const std::string& fileName, const std::string& section, const std::string& prefix)
    : FStartName(NewEventName()), FStart(NewEvent(FStartName)),
      FChild(StartChild("ini-loop", FStartName + " \"" + fileName + "\" " + section + " " + prefix, {}))
{
}

TIniLoopWriter::~TIniLoopWriter() = default;

void TIniLoopWriter::Start()
{
    (void)SetEvent(FStart.Get());
}

int TIniLoopWriter::KillAfter(DWORD delay)
{
    if (!FChild->WaitForLine("wrote 0", TimeLimit)) {
        FChild->Kill(1);
        throw std::runtime_error("the INI writer ended or hung before its first write: " + FChild->Err());
    }
    Sleep(delay);
    FChild->Kill(KilledExitCode);
    (void)WaitForEnd(*FChild);
    int reported = 0;
    for (const std::string& line : FChild->OutLines())
        reported += line.starts_with("wrote ") ? 1 : 0;
    return reported;
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
        if (mode == "ini-loop")
            return argc == 6 ? WriteIniUntilKilled(argv + 2) : 2;
        return LoadForm(mode, argv[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "persistence child: %s\n", e.what());
        return 2;
    }
}
