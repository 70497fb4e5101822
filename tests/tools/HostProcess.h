// Running the qel host program as a child process in tests: the run with its standard output and error
// captured, its lines, and waiting for one of its windows.
#pragma once

#include "framework/Win32.h"
#include "framework/Win32Handles.h"
#include "tests/support/Processes.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace HostProcess {

using TLines = std::vector<std::string>;

struct TRunResult {
    DWORD ExitCode = 0;
    std::string Out;
    std::string Err;
};

// Runs the host with arguments, its standard output and error captured, and returns once it has
// ended. whileRunning gets the process before that, to act on its windows. A run that takes more than
// a minute is stopped and fails the test.
inline TRunResult RunHost(const std::string& arguments, const std::function<void(HANDLE)>& whileRunning = {})
{
    TChildProcess host(HostCommand(arguments));
    if (whileRunning)
        whileRunning(host.Handle());
    std::optional<DWORD> exitCode = host.Wait(60000);
    if (!exitCode) {
        ADD_FAILURE() << "qel " << arguments << " did not end within a minute";
        host.Kill();
        exitCode = host.Wait();
    }
    return {exitCode.value_or(99), host.Out(), host.Err()};
}

inline bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

// Waits until a top-level window of windowClass exists, for up to 20 seconds or until process ends.
inline HWND WaitForWindow(const char* windowClass, HANDLE process)
{
    for (int i = 0; i < 400; ++i) {
        if (HWND window = FindWindowA(windowClass, nullptr))
            return window;
        if (WaitForSingleObject(process, 50) == WAIT_OBJECT_0)
            break;
    }
    return nullptr;
}

} // namespace HostProcess
