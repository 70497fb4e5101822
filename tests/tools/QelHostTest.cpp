// The qel host program, run as a child process on small form descriptions: the event lines it prints,
// the class name its generic form takes, how a run ends (time limit, or the form closed by the user),
// and what it says about a malformed description or a bad command line.
#include "tests/tools/HostProcess.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

using namespace HostProcess;

namespace {

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
                                  "run a.qfm --seconds soon", "run a.qfm --seconds 0", "run a.qfm --fast", "run a.qfm --execute"}) {
        const TRunResult result = RunHost(arguments);
        EXPECT_EQ(result.ExitCode, 2u) << arguments;
        EXPECT_NE(result.Err.find("usage: qel run FORM [--seconds N]"), std::string::npos) << arguments;
    }
}

} // namespace
