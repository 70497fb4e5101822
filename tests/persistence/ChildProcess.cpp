// Child processes of the test executable.
#include "tests/persistence/ChildProcess.h"

#include "framework/FormText.h"
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

} // namespace

DWORD RunChild(const std::string& description, TChildEnd end)
{
    static int instance = 0;
    const std::string readyName =
        "QELSystmPersistenceChild-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++instance);
    const TKernelHandle ready(CreateEventA(nullptr, TRUE, FALSE, readyName.c_str()));
    if (!ready)
        throw std::runtime_error("cannot create the event " + readyName);

    // The description reaches the child through its inherited environment.
    const std::string exe = ModuleFileName();
    std::string commandLine = "\"" + exe + "\" " + std::string(ChildSwitch) +
                              (end == TChildEnd::Killed ? "wait" : "end") + " " + readyName;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    SetEnvironmentVariableA(DescriptionVariable, description.c_str());
    const BOOL created =
        CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started);
    SetEnvironmentVariableA(DescriptionVariable, nullptr);
    if (!created)
        throw std::runtime_error("cannot start " + commandLine);
    const TKernelHandle process(started.hProcess);
    const TKernelHandle thread(started.hThread);

    if (end == TChildEnd::Killed) {
        const HANDLE waitFor[] = {ready.Get(), process.Get()};
        const DWORD signalled = WaitForMultipleObjects(2, waitFor, FALSE, TimeLimit);
        if (signalled != WAIT_OBJECT_0) {
            (void)TerminateProcess(process.Get(), 1);
            throw std::runtime_error("the child ended or hung before its form was loaded");
        }
        (void)TerminateProcess(process.Get(), KilledExitCode);
    }
    if (WaitForSingleObject(process.Get(), TimeLimit) != WAIT_OBJECT_0) {
        (void)TerminateProcess(process.Get(), 1);
        throw std::runtime_error("the child did not end");
    }
    DWORD exitCode = 0;
    GetExitCodeProcess(process.Get(), &exitCode);
    return exitCode;
}

std::optional<int> RunAsChildIfAsked(int argc, char** argv)
{
    if (argc < 3 || std::string_view(argv[1]).substr(0, ChildSwitch.size()) != ChildSwitch)
        return std::nullopt;
    const std::string_view mode = std::string_view(argv[1]).substr(ChildSwitch.size());
    try {
        const std::unique_ptr<TComponent> form(TReader(EnvironmentVariable(DescriptionVariable)).ReadComponent(nullptr));
        if (mode == "wait") {
            const TKernelHandle ready(OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2]));
            SetEvent(ready.Get());
            Sleep(INFINITE);
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "persistence child: %s\n", e.what());
        return 2;
    }
}
