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

TEST(HostRun, RefusesARootThatIsNotAFormWhereItIsNamed)
{
    TDescriptionFile form("object Holder: TComponent\n"
                          "end\n");
    const TRunResult result = RunHost("run \"" + form.Path() + "\"");
    EXPECT_EQ(result.ExitCode, 1u);
    EXPECT_NE(result.Err.find("Line 1, column 16: expected a TForm but found 'TComponent'"), std::string::npos)
        << result.Err;
}

TEST(HostRun, ReportsAnEmptyFileWithItsPosition)
{
    TDescriptionFile form("");
    const TRunResult result = RunHost("run \"" + form.Path() + "\"");
    EXPECT_EQ(result.ExitCode, 1u);
    EXPECT_NE(result.Err.find(form.Path() + ": Line 1, column 1: expected 'object' but found end of file"),
              std::string::npos)
        << result.Err;
}

// A component that fails while the form is read: its own error, and where the reader was.
TEST(HostRun, ReportsAComponentThatFailsWhileTheFormIsReadWithItsPosition)
{
    TDescriptionFile form("object Main: T" + std::string(300, 'W') + "\n"
                          "  object Saver: TQELFormSaver\n"
                          "  end\n"
                          "end\n");
    const TRunResult result = RunHost("run \"" + form.Path() + "\" --seconds 1");
    EXPECT_EQ(result.ExitCode, 1u);
    EXPECT_EQ(result.Out, "");
    EXPECT_NE(result.Err.find(form.Path() + ": Line 2, column 17: cannot create a TQELFormSaver: Cannot register "
                                            "window class"),
              std::string::npos)
        << result.Err;
}

// A form saver that can neither restore nor store reports it, and the run still ends at its time.
TEST(HostRun, EndsAtTheTimeLimitWhenTheFormsSaverCannotStore)
{
    TDescriptionFile form("object HostProbe: THostProbeForm\n"
                          "  OnClose = FormClose\n"
                          "  object Saver: TQELFormSaver\n"
                          "    FormStore.Datatype = sIniFile\n"
                          "    FormStore.Inifile.Filename = #0\n"
                          "    OnStore = SaverStore\n"
                          "  end\n"
                          "end\n");
    const TRunResult result = RunHost("run \"" + form.Path() + "\" --seconds 1");
    EXPECT_EQ(result.ExitCode, 0u) << result.Err;
    EXPECT_EQ(Lines(result.Out), (TLines{"HostProbe.OnClose Sender=HostProbe Action=caHide",
                                         "Saver.OnStore Sender=HostProbe"}));
    const TLines errors = Lines(result.Err);
    ASSERT_EQ(errors.size(), 2u) << result.Err; // the restore when shown, the store when closed
    for (const std::string& error : errors)
        EXPECT_TRUE(StartsWith(error, "qel: Invalid INI file name")) << error;
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
                                  "run a.qfm --seconds soon", "run a.qfm --seconds 0", "run a.qfm --fast", "run a.qfm --execute"}) {
        const TRunResult result = RunHost(arguments);
        EXPECT_EQ(result.ExitCode, 2u) << arguments;
        EXPECT_NE(result.Err.find("usage: qel run FORM [--seconds N]"), std::string::npos) << arguments;
    }
}

} // namespace
