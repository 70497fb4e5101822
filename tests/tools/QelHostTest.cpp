// The qel host program, run as a child process on small form descriptions: the event lines it prints,
// the class name its generic form takes, how a run ends (time limit, or the form closed by the user),
// and what it says about a malformed description or a bad command line.
#include "framework/Win32.h"
#include "framework/Win32Handles.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using TLines = std::vector<std::string>;

std::string ExeDirectory()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory(path, length);
    return directory.substr(0, directory.find_last_of("\\/") + 1);
}

// The build puts the test programs in tests/ and the host in tools/, side by side.
std::string HostPath()
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

std::string ReadAll(HANDLE pipe)
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
TRunResult RunHost(const std::string& arguments, const std::function<void(HANDLE)>& whileRunning = {})
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

TLines Lines(const std::string& text)
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

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

// Waits until a top-level window of windowClass exists, for up to 20 seconds or until process ends.
HWND WaitForWindow(const char* windowClass, HANDLE process)
{
    for (int i = 0; i < 400; ++i) {
        if (HWND window = FindWindowA(windowClass, nullptr))
            return window;
        if (WaitForSingleObject(process, 50) == WAIT_OBJECT_0)
            break;
    }
    return nullptr;
}

constexpr const char* ProbeForm = "object HostProbe: THostProbeForm\n"
                                   "  Caption = 'Host probe'\n"
                                   "  OnShow = FormShow\n"
                                   "  OnClose = FormClose\n"
                                   "  object Hook1: TQELFormHook\n"
                                   "    OnMessage = HookMessage\n"
                                   "  end\n"
                                   "end\n";

TEST(HostRun, PrintsALinePerEventCallAndClosesTheFormAtTheTimeLimit)
{
    TDescriptionFile form(ProbeForm);
    bool windowFound = false;
    const TRunResult result = RunHost("run \"" + form.Path() + "\" --seconds 1", [&](HANDLE process) {
        // The generic form's window class is the class the description names.
        windowFound = WaitForWindow("THostProbeForm", process) != nullptr;
    });
    EXPECT_EQ(result.ExitCode, 0u) << result.Err;
    EXPECT_EQ(result.Err, "");
    EXPECT_TRUE(windowFound);

    // The form's own events once each, OnClose last; every other line is a message the hook saw. The
    // show sends the form WM_SHOWWINDOW (24) with WParam True, after OnShow.
    const TLines lines = Lines(result.Out);
    ASSERT_GE(lines.size(), 3u) << result.Out;
    EXPECT_EQ(lines.back(), "HostProbe.OnClose Sender=HostProbe Action=caHide") << result.Out;
    int shows = 0;
    bool shownAfterOnShow = false;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i] == "HostProbe.OnShow Sender=HostProbe")
            ++shows;
        else
            EXPECT_TRUE(StartsWith(lines[i], "Hook1.OnMessage Sender=Hook1 WndMessage={Msg=")) << lines[i];
        if (StartsWith(lines[i], "Hook1.OnMessage Sender=Hook1 WndMessage={Msg=24 WParam=1 "))
            shownAfterOnShow = shows == 1;
    }
    EXPECT_EQ(shows, 1) << result.Out;
    EXPECT_TRUE(shownAfterOnShow) << result.Out;
}

TEST(HostRun, EndsWhenTheUserClosesTheForm)
{
    TDescriptionFile form(ProbeForm);
    const TRunResult result = RunHost("run \"" + form.Path() + "\"", [&](HANDLE process) {
        HWND window = WaitForWindow("THostProbeForm", process);
        ASSERT_NE(window, nullptr);
        PostMessageA(window, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(result.ExitCode, 0u) << result.Err;
    const TLines lines = Lines(result.Out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "HostProbe.OnClose Sender=HostProbe Action=caHide") << result.Out;
    // The hook saw the request to close before the form acted on it: WM_CLOSE is 16.
    ASSERT_GE(lines.size(), 2u);
    EXPECT_TRUE(StartsWith(lines[lines.size() - 2], "Hook1.OnMessage Sender=Hook1 WndMessage={Msg=16 "))
        << result.Out;
}

TEST(HostRun, ReportsAMalformedDescriptionWithItsLineAndColumn)
{
    TDescriptionFile form("object Broken: TForm\n"
                          "  Caption = 'Broken'\n"
                          "  Nonsense = 1\n"
                          "end\n");
    const TRunResult result = RunHost("run \"" + form.Path() + "\" --seconds 1");
    EXPECT_EQ(result.ExitCode, 1u);
    EXPECT_EQ(result.Out, "");
    EXPECT_NE(result.Err.find(form.Path()), std::string::npos) << result.Err;
    EXPECT_NE(result.Err.find("Line 3, column 3"), std::string::npos) << result.Err;
    EXPECT_NE(result.Err.find("Nonsense"), std::string::npos) << result.Err;
}

TEST(HostRun, ReportsASyntaxErrorWithItsLineAndColumn)
{
    TDescriptionFile form("object Broken: TForm\n"
                          "  Caption 'Broken'\n"
                          "end\n");
    const TRunResult result = RunHost("run \"" + form.Path() + "\"");
    EXPECT_EQ(result.ExitCode, 1u);
    EXPECT_NE(result.Err.find("Line 2, column 11"), std::string::npos) << result.Err;
}

TEST(HostRun, RefusesARootThatIsNotAForm)
{
    TDescriptionFile form("object Holder: TComponent\n"
                          "end\n");
    const TRunResult result = RunHost("run \"" + form.Path() + "\"");
    EXPECT_EQ(result.ExitCode, 1u);
    EXPECT_NE(result.Err.find("not a form"), std::string::npos) << result.Err;
}

TEST(HostRun, ReportsAMissingFile)
{
    const TRunResult result = RunHost("run no-such-form.qfm");
    EXPECT_EQ(result.ExitCode, 1u);
    EXPECT_NE(result.Err.find("no-such-form.qfm"), std::string::npos) << result.Err;
}

TEST(HostRun, ExecutesTheNamedComponentsInOrderOnceTheFormIsShown)
{
    TDescriptionFile form("object HostProbe: THostProbeForm\n"
                          "  OnShow = FormShow\n"
                          "  object Plain: TQELExecuteComponent\n"
                          "  end\n"
                          "  object Beeper: TQELAdvancedExecComponent\n"
                          "  end\n"
                          "end\n");
    const TRunResult result =
        RunHost("run \"" + form.Path() + "\" --seconds 1 --execute Beeper --execute Plain --execute Beeper");
    EXPECT_EQ(result.ExitCode, 0u) << result.Err;
    EXPECT_EQ(Lines(result.Out), (TLines{"HostProbe.OnShow Sender=HostProbe", "Beeper.Execute Result=False",
                                         "Plain.Execute Result=False", "Beeper.Execute Result=False"}));
}

TEST(HostRun, RefusesAnExecuteOfAComponentThatIsMissingOrHasNoExecute)
{
    TDescriptionFile form("object HostProbe: THostProbeForm\n"
                          "  OnShow = FormShow\n"
                          "  object Hook1: TQELFormHook\n"
                          "  end\n"
                          "end\n");
    for (const auto& [name, message] : {std::pair{"Nobody", "no component named 'Nobody'"},
                                        std::pair{"Hook1", "Hook1 is a TQELFormHook, which has no Execute"}}) {
        const TRunResult result = RunHost("run \"" + form.Path() + "\" --execute " + name);
        EXPECT_EQ(result.ExitCode, 2u) << name;
        EXPECT_EQ(result.Out, "") << name; // refused before the form is shown
        EXPECT_NE(result.Err.find(message), std::string::npos) << result.Err;
    }
}

TEST(HostCommandLine, BadOnesGetTheUsage)
{
    for (const char* arguments : {"", "walk form.qfm", "run", "run a.qfm b.qfm", "run a.qfm --seconds",
                                  "run a.qfm --seconds soon", "run a.qfm --seconds 0", "run a.qfm --fast", "run a.qfm --execute",
                                  "run a.qfm --log Log1", "run a.qfm --clear-log"}) {
        const TRunResult result = RunHost(arguments);
        EXPECT_EQ(result.ExitCode, 2u) << arguments;
        EXPECT_NE(result.Err.find("usage: qel run FORM [--seconds N]"), std::string::npos) << arguments;
    }
}

// A folder of the test's own under the system's temporary folder, with what it holds removed.
class TScratchFolder {
public:
    TScratchFolder()
    {
        char base[MAX_PATH];
        (void)GetTempPathA(MAX_PATH, base);
        FPath = std::string(base) + "qelhost" + std::to_string(GetCurrentProcessId());
        (void)CreateDirectoryA(FPath.c_str(), nullptr);
    }
    ~TScratchFolder()
    {
        for (const std::string& name : FNames)
            (void)DeleteFileA((FPath + "\\" + name).c_str());
        (void)RemoveDirectoryA(FPath.c_str());
    }
    // The full name of a file in the folder, which goes with it.
    std::string operator/(const std::string& name)
    {
        FNames.push_back(name);
        return FPath + "\\" + name;
    }
    const std::string& Path() const { return FPath; }

private:
    std::string FPath;
    std::vector<std::string> FNames;
};

std::string ReadBytes(const std::string& fileName)
{
    std::ostringstream bytes;
    bytes << std::ifstream(fileName, std::ios::binary).rdbuf();
    return bytes.str();
}

TEST(HostActions, ACollectorRunsAndReportsEachFile)
{
    TScratchFolder folder;
    const std::string first = folder / "b.txt";
    const std::string second = folder / "a.txt";
    std::ofstream(first) << "b";
    std::ofstream(second) << "a";
    TDescriptionFile form("object HostProbe: THostProbeForm\n"
                          "  object Collector1: TQELFileCollector\n"
                          "    InitialDirectory = '" + folder.Path() + "'\n"
                          "    FileMask = '*.txt'\n"
                          "    OnFileFound = Collector1FileFound\n"
                          "  end\n"
                          "end\n");
    const TRunResult result = RunHost("run \"" + form.Path() + "\" --seconds 1 --execute Collector1");
    EXPECT_EQ(result.ExitCode, 0u) << result.Err;
    EXPECT_EQ(Lines(result.Out), (TLines{"Collector1.OnFileFound Sender=Collector1 Filename='" + second + "'",
                                         "Collector1.OnFileFound Sender=Collector1 Filename='" + first + "'",
                                         "Collector1.Execute Result=True"}));
}

TEST(HostActions, ATextReplaceRunsThroughItsExecute)
{
    TScratchFolder folder;
    const std::string source = folder / "in.txt";
    const std::string target = folder / "out.txt";
    std::ofstream(source, std::ios::binary) << "one\ntwo\n";
    TDescriptionFile form("object HostProbe: THostProbeForm\n"
                          "  object Replace1: TQELTextReplace\n"
                          "    FileFrom = '" + source + "'\n"
                          "    FileTo = '" + target + "'\n"
                          "    BeforeWrite = Replace1BeforeWrite\n"
                          "  end\n"
                          "end\n");
    const TRunResult result = RunHost("run \"" + form.Path() + "\" --seconds 1 --execute Replace1");
    EXPECT_EQ(result.ExitCode, 0u) << result.Err;
    EXPECT_EQ(Lines(result.Out), (TLines{"Replace1.BeforeWrite Sender=Replace1 Line='one' LineNo=1 WriteLine=True",
                                         "Replace1.BeforeWrite Sender=Replace1 Line='two' LineNo=2 WriteLine=True",
                                         "Replace1.Execute Result=True"}));
    EXPECT_EQ(ReadBytes(target), "one\r\ntwo\r\n");
}

TEST(HostActions, ALogIsWrittenAndClearedInTheOrderGiven)
{
    TScratchFolder folder;
    const std::string log = folder / "run.log";
    TDescriptionFile form("object HostProbe: THostProbeForm\n"
                          "  object Log1: TQELLogFile\n"
                          "    LogFile = '" + log + "'\n"
                          "    LogSpecial = True\n"
                          "    Special = '[probe]'\n"
                          "    OnClear = Log1Clear\n"
                          "  end\n"
                          "end\n");
    TRunResult result =
        RunHost("run \"" + form.Path() + "\" --seconds 1 --log Log1 first --clear-log Log1 --log Log1 \"second line\"");
    EXPECT_EQ(result.ExitCode, 0u) << result.Err;
    EXPECT_EQ(Lines(result.Out), (TLines{"Log1.Log Text='first'", "Log1.OnClear Sender=Log1", "Log1.ClearLog",
                                         "Log1.Log Text='second line'"}));
    EXPECT_EQ(ReadBytes(log), "[probe] second line\r\n");

}

TEST(HostActions, AFailingActionIsReportedAndTheNextOneRuns)
{
    TScratchFolder folder;
    TDescriptionFile form("object HostProbe: THostProbeForm\n"
                          "  object Log1: TQELLogFile\n"
                          "    LogFile = '" + folder.Path() + "\\missing\\run.log'\n"
                          "    OnClear = Log1Clear\n"
                          "  end\n"
                          "end\n");
    const TRunResult result = RunHost("run \"" + form.Path() + "\" --seconds 1 --log Log1 lost --clear-log Log1");
    EXPECT_EQ(result.ExitCode, 0u) << result.Err;
    EXPECT_EQ(Lines(result.Out), (TLines{"Log1.OnClear Sender=Log1", "Log1.ClearLog"}));
    EXPECT_NE(result.Err.find("qel: Cannot open '" + folder.Path() + "\\missing\\run.log'"), std::string::npos)
        << result.Err;
}

TEST(HostActions, ALogActionNeedsALogFile)
{
    TDescriptionFile form("object HostProbe: THostProbeForm\n"
                          "  object Hook1: TQELFormHook\n"
                          "  end\n"
                          "end\n");
    for (const std::string& action : {std::string("--log Hook1 text"), std::string("--clear-log Hook1")}) {
        const TRunResult result = RunHost("run \"" + form.Path() + "\" " + action);
        EXPECT_EQ(result.ExitCode, 2u) << action;
        EXPECT_NE(result.Err.find("Hook1 is a TQELFormHook, which is not a log file"), std::string::npos)
            << result.Err;
    }
}

} // namespace
