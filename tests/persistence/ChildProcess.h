// The test executable started again as a child process that loads a form description: the way to
// prove what a run that ends abnormally (killed) or normally leaves behind for the next one.
#pragma once

#include "framework/Win32.h"

#include <optional>
#include <string>

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

// The child's side, called first thing in main: when the command line asks for child mode, does the
// child's work and gives its exit code.
std::optional<int> RunAsChildIfAsked(int argc, char** argv);
