// The test executable started again as a child process that loads a form description: the way to
// prove what a run that ends abnormally (killed) or normally leaves behind for the next one.
#pragma once

#include "framework/Win32.h"
#include "framework/Win32Handles.h"

#include <memory>
#include <optional>
#include <string>

class TChildProcess;

enum class TChildEnd { Killed, Normal };

// Exit code of a child that was killed once its form was loaded.
constexpr DWORD KilledExitCode = 3;

// Starts this executable in child mode with description, a TPersistenceTestForm. The child loads it,
// and then either waits until the parent kills it (TerminateProcess, as soon as the form is loaded)
// or destroys the form and exits with 0. Returns the child's exit code; raises std::runtime_error
// when the child cannot be started, fails to load, or does not end within a time limit.
DWORD RunChild(const std::string& description, TChildEnd end);

// Runs description, whose root is a form, as an application in a child (its main form shown), then
// ends the Windows session under it as the system does at a logoff: WM_QUERYENDSESSION, then
// WM_ENDSESSION with TRUE to its application window, and the process is ended if it is still there a
// few seconds later. Returns what the child answered to the query.
LRESULT RunChildThroughLogoff(const std::string& description);

// Starts count children that each write entries named prefix0, prefix1, ... (prefix "A" for the
// first child, "B" for the second, ...), the integers 0 to entries - 1, into section of the INI file
// at once: they wait for one another before their first write. Returns once all have ended; raises
// when one fails or hangs.
void RunIniWriters(const std::string& fileName, const std::string& section, int count, int entries);

// The value the writers of TIniLoopWriter give their entry number index.
std::string IniLoopValue(int index);

// A child that writes the entries prefix0, prefix1, ... (each IniLoopValue of its number) into section
// of an INI file through a data store, one after the other, until it is killed, and reports every
// write it finished. It is started at once but begins to write only at Start.
class TIniLoopWriter {
public:
    TIniLoopWriter(const std::string& fileName, const std::string& section, const std::string& prefix);
    TIniLoopWriter(const TIniLoopWriter&) = delete;
    TIniLoopWriter& operator=(const TIniLoopWriter&) = delete;
    ~TIniLoopWriter();

    void Start();
    // Waits until the first write is done, lets it go on for delay milliseconds, kills it and gives the
    // number of writes it reported done. Raises when it ends or hangs before its first write.
    int KillAfter(DWORD delay);

private:
    std::string FStartName;
    TKernelHandle FStart;
    std::unique_ptr<TChildProcess> FChild;
};

// The child's side, called first thing in main: when the command line asks for child mode, does the
// child's work and gives its exit code.
std::optional<int> RunAsChildIfAsked(int argc, char** argv);
