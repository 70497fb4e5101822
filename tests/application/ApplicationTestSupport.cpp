// Helpers of the application tests.
#include "tests/application/ApplicationTestSupport.h"

#include "framework/FormText.h"
#include "framework/Forms.h"

#include <algorithm>
#include <fstream>
#include <sstream>

// ---------------------------------------------------------------------------------------------------
// TEventLog

class TEventLog::TPrinter : public TEventSink {
public:
    TPrinter(TEventLog& log, const TComponent* component, const TPropInfo& event)
        : FLog(log), FComponent(component), FEvent(event)
    {
    }

    void EventFired(const std::vector<std::string>& argumentTexts) override
    {
        std::string line = EventArgText(static_cast<const TObject*>(FComponent)) + "." + FEvent.Name;
        const std::vector<std::string_view>& names = FEvent.Event->ParamNames;
        for (std::size_t i = 0; i < argumentTexts.size() && i < names.size(); ++i)
            line.append(" ").append(names[i]).append("=").append(argumentTexts[i]);
        FLog.Lines.push_back(line);
    }

private:
    TEventLog& FLog;
    const TComponent* FComponent;
    const TPropInfo& FEvent;
};

TEventLog::TEventLog() = default;
TEventLog::~TEventLog() = default;

std::unique_ptr<TComponent> TEventLog::Read(const std::string& description)
{
    TReader reader(description);
    reader.SetOnFindMethod([this](TComponent* component, const TPropInfo& event, const std::string&) {
        FPrinters.push_back(std::make_unique<TPrinter>(*this, component, event));
        return event.Event->MakeGeneric(FPrinters.back().get());
    });
    return std::unique_ptr<TComponent>(reader.ReadComponent(Application));
}

// ---------------------------------------------------------------------------------------------------
// Descriptions, files and command lines

std::string StoredText(const TComponent& root)
{
    std::string text = WriteComponentText(root);
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
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

namespace {

std::string ExePath()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, length);
}

} // namespace

std::string HostCommand(const std::string& arguments)
{
    // The build puts the test programs in tests/ and the host in tools/, side by side.
    const std::string exe = ExePath();
    return "\"" + exe.substr(0, exe.find_last_of("\\/") + 1) + "..\\tools\\qel.exe\" " + arguments;
}

std::string SelfCommand(const std::string& arguments)
{
    return "\"" + ExePath() + "\" " + arguments;
}

// ---------------------------------------------------------------------------------------------------
// TChildProcess

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

void TChildProcess::Kill()
{
    (void)TerminateProcess(FProcess.Get(), 99);
    (void)WaitForSingleObject(FProcess.Get(), INFINITE);
}

std::vector<std::string> TChildProcess::OutLines() const
{
    std::string text;
    {
        const std::lock_guard<std::mutex> lock(FLock);
        text = FOut;
    }
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::string TChildProcess::Err() const
{
    const std::lock_guard<std::mutex> lock(FLock);
    return FErr;
}

// ---------------------------------------------------------------------------------------------------
// Windows

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

HWND WaitForProcessWindow(const TChildProcess& process, const std::string& className, const char* title,
                          DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (HWND window = FindProcessWindow(process.ProcessId(), className, title))
            return window;
        if (!process.Running() || GetTickCount() - start > timeoutMs)
            return nullptr;
        Sleep(20);
    }
}

std::vector<HWND> TrayIconWindows()
{
    std::vector<HWND> icons;
    HWND tray = FindWindowA("__winex11_standalone_tray", nullptr);
    for (HWND child = tray ? GetWindow(tray, GW_CHILD) : nullptr; child; child = GetWindow(child, GW_HWNDNEXT)) {
        char name[64] = {};
        GetClassNameA(child, name, sizeof name);
        if (std::string(name) == "__winex11_tray_icon")
            icons.push_back(child);
    }
    return icons;
}
