// Running the qel host program as a child process in tests: a description in a file of its own, the
// run with its standard output and error captured, its lines, and waiting for one of its windows.
#pragma once

#include "framework/Win32.h"
#include "framework/Win32Handles.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace HostProcess {

using TLines = std::vector<std::string>;

inline std::string ExeDirectory()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory(path, length);
    return directory.substr(0, directory.find_last_of("\\/") + 1);
}

// The build puts the test programs in tests/ and the host in tools/, side by side.
inline std::string HostPath()
{
    return ExeDirectory() + "..\\tools\\qel.exe";
}

// A form description in a file of its own for the length of a test.
class TDescriptionFile {
public:
    explicit TDescriptionFile(const std::string& text)
    {
        char directory[MAX_PATH];
        char name[MAX_PATH];
        (void)GetTempPathA(MAX_PATH, directory);
        (void)GetTempFileNameA(directory, "qfm", 0, name);
        FPath = name;
        std::ofstream(FPath, std::ios::binary) << text;
    }
    ~TDescriptionFile() { (void)DeleteFileA(FPath.c_str()); }
    const std::string& Path() const { return FPath; }

private:
    std::string FPath;
};

struct TRunResult {
    DWORD ExitCode = 0;
    std::string Out;
    std::string Err;
};

inline std::string ReadAll(HANDLE pipe)
{
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &read, nullptr) && read > 0)
        text.append(buffer, read);
    return text;
}

// Runs the host with arguments, its standard output and error in pipes, and returns once it has
// ended. whileRunning gets the process before that, to act on its windows. A run that takes more than
// a minute is stopped and fails the test.
inline TRunResult RunHost(const std::string& arguments, const std::function<void(HANDLE)>& whileRunning = {})
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE outRead, outWrite, errRead, errWrite;
    EXPECT_TRUE(CreatePipe(&outRead, &outWrite, &inherit, 0));
    EXPECT_TRUE(CreatePipe(&errRead, &errWrite, &inherit, 0));
    TKernelHandle outReader(outRead), outWriter(outWrite), errReader(errRead), errWriter(errWrite);
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    std::string commandLine = "\"" + HostPath() + "\" " + arguments;
    PROCESS_INFORMATION info{};
    TRunResult result;
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
        ADD_FAILURE() << "cannot start " << commandLine << " (error " << GetLastError() << ")";
        return result;
    }
    TKernelHandle process(info.hProcess), thread(info.hThread);
    // Only the child may hold the writing ends now, so the reads end when it does.
    outWriter.Reset();
    errWriter.Reset();
    std::thread outThread([&] { result.Out = ReadAll(outRead); });
    std::thread errThread([&] { result.Err = ReadAll(errRead); });
    if (whileRunning)
        whileRunning(info.hProcess);
    if (WaitForSingleObject(info.hProcess, 60000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << commandLine << " did not end within a minute";
        TerminateProcess(info.hProcess, 99);
        WaitForSingleObject(info.hProcess, INFINITE);
    }
    outThread.join();
    errThread.join();
    GetExitCodeProcess(info.hProcess, &result.ExitCode);
    return result;
}

inline TLines Lines(const std::string& text)
{
    TLines lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
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
