// Shared by the application tests: forms read from descriptions with every event they name written to a
// log, child processes (the host program, or this executable) with their output collected while they
// run, and the windows of other processes and of the notification area.
#pragma once

#include "framework/Component.h"
#include "framework/Win32.h"
#include "framework/Win32Handles.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// Every event handler a description names, bound to a log that keeps one line per call, as the host
// program prints it: "Component.Event Param=value ...". The log must outlive what it read.
class TEventLog {
public:
    TEventLog();
    ~TEventLog();
    TEventLog(const TEventLog&) = delete;
    TEventLog& operator=(const TEventLog&) = delete;

    // Reads description into a new root owned by the application object.
    std::unique_ptr<TComponent> Read(const std::string& description);

    std::vector<std::string> Lines;

private:
    class TPrinter;
    std::vector<std::unique_ptr<TPrinter>> FPrinters;
};

// The description the writer makes of root, with plain line feeds.
std::string StoredText(const TComponent& root);

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

// The command line that runs the host program (qel.exe, built beside the tests) with arguments, and
// the one that runs this executable.
std::string HostCommand(const std::string& arguments);
std::string SelfCommand(const std::string& arguments);

// A process started from a command line, its standard output and error read while it runs. A process
// still running when the object goes is killed.
class TChildProcess {
public:
    // Suspended, the process waits for Resume before it runs its first instruction.
    explicit TChildProcess(const std::string& commandLine, bool suspended = false);
    ~TChildProcess();
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;

    void Resume();
    DWORD ProcessId() const noexcept { return FProcessId; }
    bool Running() const;
    // Waits until a line of standard output starts with prefix: false when the process ended without
    // printing one, or after timeoutMs.
    bool WaitForLine(const std::string& prefix, DWORD timeoutMs = 20000) const;
    // Waits for the end, and for what it printed to be read, and gives the exit code; nothing after
    // timeoutMs.
    std::optional<DWORD> Wait(DWORD timeoutMs = 30000) const;
    void Kill();
    // What the process printed so far, in lines, and its standard error.
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
// The same, waited for up to timeoutMs while the process runs.
HWND WaitForProcessWindow(const TChildProcess& process, const std::string& className, const char* title = nullptr,
                          DWORD timeoutMs = 20000);

// The icons in the notification area (under Wine's X11 driver, child windows of the tray window).
std::vector<HWND> TrayIconWindows();
