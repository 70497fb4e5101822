// What the system-action tests share: the guard that keeps every ExitWindowsEx call of this process
// from reaching the system, this executable started again as a child in one of several modes, and a
// folder of the test's own.
#pragma once

#include "framework/Win32.h"
#include "tests/support/Processes.h"

#include <optional>
#include <string>
#include <vector>

// An exit request that reached the guard, with whether SeShutdownPrivilege was enabled at that moment.
struct TExitRequest {
    UINT Flags;
    DWORD Reason;
    bool PrivilegeEnabled;
};

// The requests recorded by the guard and by the tests' own fakes, oldest first; tests clear it.
std::vector<TExitRequest>& ExitRequests();
// Records the request as the guard does; for fakes put on top of the guard.
void RecordExitRequest(UINT flags, DWORD reason);
// The process-wide guard main installs before anything else runs: records the request and refuses it
// with ERROR_PRIVILEGE_NOT_HELD, as Windows refuses a user without the privilege. Under Wine a real
// ExitWindowsEx would end the whole Wine session, this run with it.
BOOL WINAPI RefusedExitWindowsEx(UINT flags, DWORD reason);
// Whether the privilege is enabled in this process's token now.
bool ShutdownPrivilegeEnabled();

// The command-line switch that starts this executable in a child mode: "--actions-child=MODE" followed
// by the mode's arguments. The modes:
//   report FILE [ARG]...   writes the show command it was started with (a line "show=N", N being -1
//                          without STARTF_USESHOWWINDOW), its current directory ("dir=...") and each
//                          ARG ("arg=...") to FILE, one per line, and ends.
//   wait EVENT FILE        waits until the parent sets its event named EVENT, then writes "done" to
//                          FILE and ends (with 3 when the event never came).
//   broadcast HWND NAME    waits until the parent sets its event named NAME, then posts the registered
//                          message "NAME.posted" to the window HWND (decimal) and sends "NAME.sent" to
//                          every top-level window, waiting up to 30 s for each answer; ends with 0.
//   exit TYPE              runs an application whose timer calls Execute of a TQELExitWindows of exit
//                          type TYPE (ordinal) without confirmation, with ExitWindowsEx answering yes.
//                          Ends, once the application's loop has ended, with 100 + the flags passed
//                          when Execute returned true and terminated the application, else with 1.
std::string ChildSwitch(const std::string& mode);

// Starts this executable with arguments (after the executable's name), waits for it to end and
// returns its exit code; a child that has not ended after 30 s is killed and raises.
DWORD RunChild(const std::string& arguments);

// The child's side, called first thing in main after the guard is in place.
std::optional<int> RunAsChildIfAsked(int argc, char** argv);

// A fresh folder under the system's temporary folder, removed with the files in it.
class TTempFolder {
public:
    TTempFolder();
    ~TTempFolder();
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    // Without a trailing backslash.
    const std::string& Path() const noexcept { return FPath; }
    std::string File(const std::string& name) const { return FPath + "\\" + name; }

private:
    std::string FPath;
};

// The lines of a text file; none when it does not exist.
std::vector<std::string> ReadLines(const std::string& fileName);
void WriteTextFile(const std::string& fileName, const std::string& text);
