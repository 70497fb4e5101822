// The deadline of the qel commands, run as child processes: a run, an inspect and an edit end by it
// whatever their components show (message boxes while the form is read, while a property is set, from
// the Execute Test button), the environment gives it when the command line does not, and a command
// that cannot end by then is ended with an exit code of its own.
#include "tests/tools/HostProcess.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using namespace HostProcess;

namespace {

// A drive volume without an OnError handler shows a message box for each query that fails: drive A:
// has nothing behind it, so every query fails, while the form is read.
constexpr const char* DriveForm = "object DriveProbe: TDriveProbeForm\n"
                                  "  OnShow = FormShow\n"
                                  "  object Drive: TQELDriveVolume\n"
                                  "    CurrentDrive = 'A'\n"
                                  "  end\n"
                                  "end\n";

// The environment variable for the children started while it exists.
class TEnvironment {
public:
    TEnvironment(const char* name, const char* value) : FName(name)
    {
        char old[256];
        const DWORD length = GetEnvironmentVariableA(name, old, sizeof old);
        if (length > 0 && length < sizeof old)
            FOld = old;
        (void)SetEnvironmentVariableA(name, value);
    }
    ~TEnvironment() { (void)SetEnvironmentVariableA(FName, FOld ? FOld->c_str() : nullptr); }
    TEnvironment(const TEnvironment&) = delete;
    TEnvironment& operator=(const TEnvironment&) = delete;

private:
    const char* FName;
    std::optional<std::string> FOld;
};

TEST(HostDeadline, EndsARunWhoseComponentShowsMessageBoxesWhileTheFormIsRead)
{
    TDescriptionFile form(DriveForm);
    const TRunResult result = RunHost("run \"" + form.Path() + "\" --seconds 1");
    EXPECT_EQ(result.ExitCode, 0u) << result.Err;
    // The boxes held the reading up beyond the deadline: the form was never shown.
    EXPECT_EQ(result.Out, "");
}

TEST(HostDeadline, ARunWhoseActionsNeverRanFails)
{
    TDescriptionFile form("object DriveProbe: TDriveProbeForm\n"
                          "  object Drive: TQELDriveVolume\n"
                          "    CurrentDrive = 'A'\n"
                          "  end\n"
                          "  object Plain: TQELExecuteComponent\n"
                          "  end\n"
                          "end\n");
    const TRunResult result = RunHost("run \"" + form.Path() + "\" --seconds 1 --execute Plain");
    EXPECT_EQ(result.ExitCode, 3u) << result.Err;
    EXPECT_EQ(result.Out, "");
    EXPECT_NE(result.Err.find("qel: the run ended before its form was shown; no action ran"), std::string::npos)
        << result.Err;
}

TEST(HostDeadline, EndsAnInspectWhoseSettingShowsMessageBoxes)
{
    TDescriptionFile form("object DriveProbe: TDriveProbeForm\n"
                          "  object Drive: TQELDriveVolume\n"
                          "  end\n"
                          "end\n");
    const TRunResult result = RunHost("inspect \"" + form.Path() + "\" --set Drive.CurrentDrive=B --seconds 1");
    EXPECT_EQ(result.ExitCode, 0u) << result.Err;
    EXPECT_NE(result.Out.find("Drive.CurrentDrive TCharProperty"), std::string::npos) << result.Out;
}

TEST(HostDeadline, EndsAnEditWhoseButtonShowsAMessageBox)
{
    TDescriptionFile form("object Messages: TMessagesForm\n"
                          "  object Ask: TQELMsgBox\n"
                          "    Buttons = [mbYes, mbNo]\n"
                          "    OnYes = AskYes\n"
                          "    OnNo = AskNo\n"
                          "  end\n"
                          "end\n");
    const TRunResult result = RunHost("edit \"" + form.Path() + "\" Ask DesignExecute --seconds 1");
    EXPECT_EQ(result.ExitCode, 0u) << result.Err;
    // Nobody answered.
    EXPECT_EQ(result.Out, "");
}

TEST(HostDeadline, ComesFromTheEnvironmentWhenTheCommandLineGivesNone)
{
    TDescriptionFile form("object HostProbe: THostProbeForm\n"
                          "  OnClose = FormClose\n"
                          "end\n");
    {
        const TEnvironment seconds("QEL_SECONDS", "0.5");
        const TRunResult result = RunHost("run \"" + form.Path() + "\"");
        EXPECT_EQ(result.ExitCode, 0u) << result.Err;
        EXPECT_EQ(SplitLines(result.Out), TLines{"HostProbe.OnClose Sender=HostProbe Action=caHide"});
    }
    const TEnvironment seconds("QEL_SECONDS", "soon");
    for (const char* command : {"run", "inspect"}) {
        const TRunResult result = RunHost(std::string(command) + " \"" + form.Path() + "\"");
        EXPECT_EQ(result.ExitCode, 2u) << command;
        EXPECT_NE(result.Err.find("QEL_SECONDS expects a number of seconds above 0 but found 'soon'"),
                  std::string::npos)
            << result.Err;
    }
}

// The run waits for a program it started, without reading its messages, beyond its deadline: it is
// ended, and says so. The program it waited for is a second qel, closed by the test afterwards.
TEST(HostDeadline, EndsACommandThatCannotEndByItselfWithAnExitCodeOfItsOwn)
{
    TDescriptionFile waited("object Waited: TWaitedProbeForm\n"
                            "end\n");
    TDescriptionFile form("object HostProbe: THostProbeForm\n"
                          "  object Waiter: TQELFileExecute\n"
                          "    Filename = '" + HostExePath() + "'\n"
                          "    ExeParameters = 'run \"" + waited.Path() + "\" --seconds 600'\n"
                          "    Wait = True\n"
                          "  end\n"
                          "end\n");
    const TRunResult result = RunHost("run \"" + form.Path() + "\" --seconds 1 --execute Waiter");
    EXPECT_EQ(result.ExitCode, 4u) << result.Err;
    EXPECT_EQ(result.Out, "");
    EXPECT_EQ(result.Err, "qel: the command had not ended by its deadline and was ended\n");

    HWND window = nullptr;
    for (int i = 0; i < 400 && !window; ++i) {
        window = FindWindowA("TWaitedProbeForm", nullptr);
        Sleep(50);
    }
    ASSERT_NE(window, nullptr) << "the program waited for never showed its form";
    DWORD processId = 0;
    (void)GetWindowThreadProcessId(window, &processId);
    const TKernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process.Get(), 30000), WAIT_OBJECT_0);
}

} // namespace
