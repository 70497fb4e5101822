// Child processes of the tests: this executable or the host program (qel.exe) started again, with
// their standard output and error read while they run, and form descriptions in files to give them.
#pragma once

#include "framework/Win32.h"
#include "framework/Win32Handles.h"

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// This executable's full path.
std::string TestExePath();
// The host program (built beside the tests), the command line that runs it with arguments, the one
// that runs an example program of examples/ (built there too), and the one that runs this executable.
std::string HostExePath();
std::string HostCommand(const std::string& arguments);
std::string ExampleCommand(const std::string& program, const std::string& arguments);
std::string SelfCommand(const std::string& arguments);

// The lines of a text, each without its CR LF or LF.
std::vector<std::string> SplitLines(const std::string& text);

// A form description in a temporary file for the lifetime of the object.
class TDescriptionFile {
public:
    explicit TDescriptionFile(const std::string& text);
    ~TDescriptionFile();
    TDescriptionFile(const TDescriptionFile&) = delete;
    TDescriptionFile& operator=(const TDescriptionFile&) = delete;
    const std::string& Path() const noexcept { return FPath; }

private:
    std::string FPath;
};

// A process started from a command line, its standard output and error read while it runs. A process
// still running when the object goes is killed. Raises std::runtime_error when it cannot be started.
class TChildProcess {
public:
    // Suspended, the process waits for Resume before it runs its first instruction.
    explicit TChildProcess(const std::string& commandLine, bool suspended = false);
    ~TChildProcess();
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;

    void Resume();
    HANDLE Handle() const noexcept { return FProcess.Get(); }
    DWORD ProcessId() const noexcept { return FProcessId; }
    bool Running() const;
    // Waits until a line of standard output starts with prefix: false when the process ended without
    // printing one, or after timeoutMs.
    bool WaitForLine(const std::string& prefix, DWORD timeoutMs = 20000) const;
    // Waits for the end, and for what it printed to be read, and gives the exit code; nothing after
    // timeoutMs.
    std::optional<DWORD> Wait(DWORD timeoutMs = 30000) const;
    // Ends the process with exitCode and waits until it has ended.
    void Kill(UINT exitCode = 99);
    // What the process printed so far: standard output, in lines, and standard error.
    std::string Out() const;
    std::vector<std::string> OutLines() const;
    std::string Err() const;

private:
    void Read(HANDLE pipe, std::string& text);
    // After the end: waits a little for the readers to reach the end of the pipes.
    void WaitForReaders() const;

    TKernelHandle FProcess;
    TKernelHandle FThread;
    DWORD FProcessId = 0;
    mutable std::mutex FLock;
    std::string FOut;
    std::string FErr;
    std::atomic<int> FReadersDone = 0;
    std::thread FOutReader;
    std::thread FErrReader;
};

// The top-level windows of the process with that class (and title, when given), and the first of them.
std::vector<HWND> ProcessWindows(DWORD processId, const std::string& className, const char* title = nullptr);
HWND FindProcessWindow(DWORD processId, const std::string& className, const char* title = nullptr);
// The first top-level window of the process with that class (and title, when given), waited for up to
// timeoutMs while the process runs.
HWND WaitForProcessWindow(const TChildProcess& process, const std::string& className, const char* title = nullptr,
                          DWORD timeoutMs = 20000);
// The same, once it is shown: a form's window has its class and title a moment before it and its
// controls show, and a dialog found before then has no visible button to press.
HWND WaitForShownProcessWindow(const TChildProcess& process, const std::string& className, const char* title = nullptr,
                               DWORD timeoutMs = 20000);
