// Child processes of the tests.
#include "tests/support/Processes.h"

#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>

std::string TestExePath()
{
    std::vector<char> path(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size())
            return std::string(path.data(), length);
        path.resize(path.size() * 2);
    }
}

namespace {

// The build puts the test programs in tests/, the host in tools/ and the examples in examples/, side
// by side.
std::string BuiltProgramPath(const std::string& program)
{
    const std::string exe = TestExePath();
    return exe.substr(0, exe.find_last_of("\\/") + 1) + "..\\" + program;
}

} // namespace

std::string HostExePath()
{
    return BuiltProgramPath("tools\\qel.exe");
}

std::string HostCommand(const std::string& arguments)
{
    return "\"" + HostExePath() + "\" " + arguments;
}

std::string ExampleCommand(const std::string& program, const std::string& arguments)
{
    return "\"" + BuiltProgramPath("examples\\" + program + ".exe") + "\" " + arguments;
}

std::string SelfCommand(const std::string& arguments)
{
    return "\"" + TestExePath() + "\" " + arguments;
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

TDescriptionFile::TDescriptionFile(const std::string& text)
{
    char directory[MAX_PATH];
    char name[MAX_PATH];
    (void)GetTempPathA(MAX_PATH, directory);
    (void)GetTempFileNameA(directory, "qfm", 0, name);
    FPath = name;
    std::ofstream(FPath, std::ios::binary) << text;
}

TDescriptionFile::~TDescriptionFile()
{
    (void)DeleteFileA(FPath.c_str());
}

TChildProcess::TChildProcess(const std::string& commandLine, bool suspended)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
    if (!CreatePipe(&outRead, &outWrite, &inherit, 0) || !CreatePipe(&errRead, &errWrite, &inherit, 0))
        throw std::runtime_error("cannot create the pipes for " + commandLine);
    TKernelHandle outReader(outRead), outWriter(outWrite), errReader(errRead), errWriter(errWrite);
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    std::string line = commandLine;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, suspended ? CREATE_SUSPENDED : 0, nullptr,
                        nullptr, &startup, &info))
        throw std::runtime_error("cannot start " + commandLine + " (error " + std::to_string(GetLastError()) + ")");
    FProcess.Reset(info.hProcess);
    FThread.Reset(info.hThread);
    FProcessId = info.dwProcessId;
    // Only the child holds the writing ends now, so the reads end when it does.
    outWriter.Reset();
    errWriter.Reset();
    FOutReader = std::thread([this, pipe = std::make_shared<TKernelHandle>(outReader.Release())] {
        Read(pipe->Get(), FOut);
    });
    FErrReader = std::thread([this, pipe = std::make_shared<TKernelHandle>(errReader.Release())] {
        Read(pipe->Get(), FErr);
    });
}

TChildProcess::~TChildProcess()
{
    if (Running())
        Kill();
    FOutReader.join();
    FErrReader.join();
}

void TChildProcess::Read(HANDLE pipe, std::string& text)
{
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &read, nullptr) && read > 0) {
        const std::lock_guard<std::mutex> lock(FLock);
        text.append(buffer, read);
    }
    ++FReadersDone;
}

void TChildProcess::WaitForReaders() const
{
    for (int i = 0; i < 250 && FReadersDone < 2; ++i)
        Sleep(20);
}

void TChildProcess::Resume()
{
    (void)ResumeThread(FThread.Get());
}

bool TChildProcess::Running() const
{
    return WaitForSingleObject(FProcess.Get(), 0) == WAIT_TIMEOUT;
}

bool TChildProcess::WaitForLine(const std::string& prefix, DWORD timeoutMs) const
{
    const DWORD start = GetTickCount();
    for (;;) {
        const bool ended = !Running();
        if (ended)
            WaitForReaders();
        for (const std::string& line : OutLines())
            if (line.compare(0, prefix.size(), prefix) == 0)
                return true;
        if (ended || GetTickCount() - start > timeoutMs)
            return false;
        Sleep(20);
    }
}

std::optional<DWORD> TChildProcess::Wait(DWORD timeoutMs) const
{
    if (WaitForSingleObject(FProcess.Get(), timeoutMs) != WAIT_OBJECT_0)
        return std::nullopt;
    WaitForReaders();
    DWORD exitCode = 0;
    (void)GetExitCodeProcess(FProcess.Get(), &exitCode);
    return exitCode;
}

void TChildProcess::Kill(UINT exitCode)
{
    (void)TerminateProcess(FProcess.Get(), exitCode);
    (void)WaitForSingleObject(FProcess.Get(), INFINITE);
}

std::string TChildProcess::Out() const
{
    const std::lock_guard<std::mutex> lock(FLock);
    return FOut;
}

std::vector<std::string> TChildProcess::OutLines() const
{
    return SplitLines(Out());
}

std::string TChildProcess::Err() const
{
    const std::lock_guard<std::mutex> lock(FLock);
    return FErr;
}

namespace {

struct TProcessWindowSearch {
    DWORD ProcessId;
    const std::string& ClassName;
    const char* Title;
    std::vector<HWND> Found;
};

BOOL CALLBACK MatchProcessWindow(HWND window, LPARAM data)
{
    auto& search = *reinterpret_cast<TProcessWindowSearch*>(data);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    char name[256] = {};
    char text[256] = {};
    GetClassNameA(window, name, sizeof name);
    GetWindowTextA(window, text, sizeof text);
    if (processId == search.ProcessId && search.ClassName == name && (!search.Title || std::string(text) == search.Title))
        search.Found.push_back(window);
    return TRUE;
}

} // namespace

std::vector<HWND> ProcessWindows(DWORD processId, const std::string& className, const char* title)
{
    TProcessWindowSearch search{processId, className, title, {}};
    EnumWindows(&MatchProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

HWND FindProcessWindow(DWORD processId, const std::string& className, const char* title)
{
    const std::vector<HWND> found = ProcessWindows(processId, className, title);
    return found.empty() ? nullptr : found.front();
}

namespace {

template <class TAccept>
HWND WaitForWindow(const TChildProcess& process, const std::string& className, const char* title, DWORD timeoutMs,
                   TAccept accept)
{
    const DWORD start = GetTickCount();
    for (;;) {
        for (HWND window : ProcessWindows(process.ProcessId(), className, title))
            if (accept(window))
                return window;
        if (!process.Running() || GetTickCount() - start > timeoutMs)
            return nullptr;
        Sleep(20);
    }
}

} // namespace

HWND WaitForProcessWindow(const TChildProcess& process, const std::string& className, const char* title,
                          DWORD timeoutMs)
{
    return WaitForWindow(process, className, title, timeoutMs, [](HWND) { return true; });
}

HWND WaitForShownProcessWindow(const TChildProcess& process, const std::string& className, const char* title,
                               DWORD timeoutMs)
{
    return WaitForWindow(process, className, title, timeoutMs, [](HWND window) { return IsWindowVisible(window) != FALSE; });
}
