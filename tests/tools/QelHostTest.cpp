// The qel host program, run as a child process on small form descriptions: the event lines it prints,
// the values it shows, the class name its generic form takes, how a run ends (time limit, or the form
// closed by the user), what it says about a malformed description or a bad command line, and
// device-change broadcasts from another process (this one, or a second qel) reaching a running form.
#include "tests/tools/HostProcess.h"

#include <dbt.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <fstream>
#include <sstream>
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
    const TRunResult result = RunHost("run \"" + form.Path() + "\" --seconds 1");
    EXPECT_EQ(result.ExitCode, 0u) << result.Err;
    EXPECT_EQ(result.Err, "");

    // The form's own events once each, OnClose last; every other line is a message the hook saw. The
    // show sends the form WM_SHOWWINDOW (24) with WParam True, after OnShow.
    const TLines lines = SplitLines(result.Out);
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
        // The generic form's window class is the class the description names.
        HWND window = WaitForWindow("THostProbeForm", process);
        ASSERT_NE(window, nullptr);
        PostMessageA(window, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(result.ExitCode, 0u) << result.Err;
    const TLines lines = SplitLines(result.Out);
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
    EXPECT_EQ(SplitLines(result.Out), (TLines{"HostProbe.OnClose Sender=HostProbe Action=caHide",
                                              "Saver.OnStore Sender=HostProbe"}));
    const TLines errors = SplitLines(result.Err);
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
    EXPECT_EQ(SplitLines(result.Out), (TLines{"HostProbe.OnShow Sender=HostProbe", "Beeper.Execute Result=False",
                                              "Plain.Execute Result=False", "Beeper.Execute Result=False"}));
}

TEST(HostRun, RefusesAnExecuteOrAShowOfAComponentThatIsMissingOrUnsuitable)
{
    TDescriptionFile form("object HostProbe: THostProbeForm\n"
                          "  OnShow = FormShow\n"
                          "  object Hook1: TQELFormHook\n"
                          "  end\n"
                          "end\n");
    for (const auto& [option, message] :
         {std::pair{"--execute Nobody", "--execute: the form has no component named 'Nobody'"},
          std::pair{"--execute Hook1", "Hook1 is a TQELFormHook, which has no Execute"},
          std::pair{"--show Nobody", "--show: the form has no component named 'Nobody'"}}) {
        const TRunResult result = RunHost("run \"" + form.Path() + "\" " + option);
        EXPECT_EQ(result.ExitCode, 2u) << option;
        EXPECT_EQ(result.Out, "") << option; // refused before the form is shown
        EXPECT_NE(result.Err.find(message), std::string::npos) << result.Err;
    }
}

TEST(HostRun, ShowsTheValuesOfTheNamedComponentsOnceShownAndAfterEachOfTheirEvents)
{
    TDescriptionFile form("object HostProbe: THostProbeForm\n"
                          "  OnShow = FormShow\n"
                          "  object Version: TQELVersionDetails\n"
                          "  end\n"
                          "  object Ticker: TTimer\n"
                          "    Interval = 400\n"
                          "    OnTimer = TickerTimer\n"
                          "  end\n"
                          "end\n");
    // Two ticks, then the user closes the form.
    TChildProcess host(HostCommand("run \"" + form.Path() + "\" --show Version --show Ticker"));
    auto ticks = [&] {
        const TLines lines = host.OutLines();
        return std::count(lines.begin(), lines.end(), "Ticker.OnTimer Sender=Ticker");
    };
    for (int i = 0; i < 1000 && ticks() < 2 && host.Running(); ++i)
        Sleep(20);
    HWND window = FindProcessWindow(host.ProcessId(), "THostProbeForm");
    ASSERT_NE(window, nullptr) << host.Err();
    PostMessageA(window, WM_CLOSE, 0, 0);
    const TRunResult result{host.Wait(60000).value_or(99), host.Out(), host.Err()};
    EXPECT_EQ(result.ExitCode, 0u) << result.Err;
    // The version values are qel.exe's own record.
    const TLines tickerValues{"Ticker.Name=Ticker", "Ticker.Tag=0", "Ticker.Enabled=True", "Ticker.Interval=400"};
    TLines expected{"HostProbe.OnShow Sender=HostProbe",
                    "Version.Name=Version",
                    "Version.Tag=0",
                    "Version.About=(About)",
                    "Version.CompanyName=QELSystm",
                    "Version.FileDescription=QELSystm form host",
                    "Version.FileVersion=1.0.0.0",
                    "Version.InternalName=qel",
                    "Version.LegalCopyright=Copyright (C) the QELSystm developers",
                    "Version.OriginalFilename=qel.exe",
                    "Version.ProductName=QELSystm",
                    "Version.ProductVersion=1.0"};
    expected.insert(expected.end(), tickerValues.begin(), tickerValues.end());
    for (int tick = 0; tick < 2; ++tick) {
        expected.push_back("Ticker.OnTimer Sender=Ticker");
        expected.insert(expected.end(), tickerValues.begin(), tickerValues.end());
    }
    const TLines lines = SplitLines(result.Out);
    ASSERT_GE(lines.size(), expected.size()) << result.Out;
    EXPECT_EQ(TLines(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(expected.size())), expected);
}

// A form whose CD triggers print what reaches them.
constexpr const char* DiscForm = "object DiscProbe: TDiscProbeForm\n"
                                  "  OnShow = FormShow\n"
                                  "  OnClose = FormClose\n"
                                  "  object Disc: TQELCDTriggers\n"
                                  "    AfterInsert = DiscInserted\n"
                                  "    AfterRemove = DiscRemoved\n"
                                  "  end\n"
                                  "end\n";

// Sends WM_DEVICECHANGE to every top-level window, from this process, as the system does.
void BroadcastDeviceChange(WPARAM event, const DEV_BROADCAST_VOLUME& volume)
{
    DWORD_PTR answer = 0;
    EXPECT_TRUE(SendMessageTimeoutA(HWND_BROADCAST, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&volume),
                                    SMTO_ABORTIFHUNG, 5000, &answer));
}

DEV_BROADCAST_VOLUME MediaVolume(DWORD unitMask)
{
    DEV_BROADCAST_VOLUME volume{};
    volume.dbcv_size = sizeof volume;
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    volume.dbcv_unitmask = unitMask;
    volume.dbcv_flags = DBTF_MEDIA;
    return volume;
}

TEST(HostBroadcast, ReachesTheCDTriggersOfARunningForm)
{
    TDescriptionFile form(DiscForm);
    const TRunResult result = RunHost("run \"" + form.Path() + "\" --seconds 60", [&](HANDLE process) {
        HWND window = WaitForWindow("TDiscProbeForm", process);
        ASSERT_NE(window, nullptr);
        BroadcastDeviceChange(DBT_DEVICEARRIVAL, MediaVolume(1u << 4));      // E
        BroadcastDeviceChange(DBT_DEVICEREMOVECOMPLETE, MediaVolume(0x28)); // D and F
        DEV_BROADCAST_VOLUME notMedia = MediaVolume(1u << 6);
        notMedia.dbcv_flags = DBTF_NET;
        BroadcastDeviceChange(DBT_DEVICEARRIVAL, notMedia);
        // Records that say they end before their fields: only what they say they hold arrives, and
        // nothing beyond it may be read.
        DEV_BROADCAST_VOLUME cut = MediaVolume(1u << 7);
        cut.dbcv_size = offsetof(DEV_BROADCAST_VOLUME, dbcv_flags);
        BroadcastDeviceChange(DBT_DEVICEARRIVAL, cut);
        cut.dbcv_size = sizeof(DEV_BROADCAST_HDR);
        BroadcastDeviceChange(DBT_DEVICEARRIVAL, cut);
        BroadcastDeviceChange(DBT_DEVICEARRIVAL, MediaVolume(0)); // no drive at all
        PostMessageA(window, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(result.ExitCode, 0u) << result.Err;
    EXPECT_EQ(result.Err, "");
    EXPECT_EQ(SplitLines(result.Out), (TLines{"DiscProbe.OnShow Sender=DiscProbe",
                                              "Disc.AfterInsert Sender=Disc FirstDriveLetter=E",
                                              "Disc.AfterRemove Sender=Disc FirstDriveLetter=D",
                                              "DiscProbe.OnClose Sender=DiscProbe Action=caHide"}));
}

TEST(HostBroadcast, TellsRunningFormsOfAMediumInADrive)
{
    TDescriptionFile form(DiscForm);
    TRunResult broadcasts[2];
    const TRunResult result = RunHost("run \"" + form.Path() + "\" --seconds 60", [&](HANDLE process) {
        HWND window = WaitForWindow("TDiscProbeForm", process);
        ASSERT_NE(window, nullptr);
        broadcasts[0] = RunHost("broadcast media-arrival q");
        broadcasts[1] = RunHost("broadcast media-removal Q");
        PostMessageA(window, WM_CLOSE, 0, 0);
    });
    for (const TRunResult& broadcast : broadcasts) {
        EXPECT_EQ(broadcast.ExitCode, 0u) << broadcast.Err;
        EXPECT_EQ(broadcast.Out, "");
    }
    EXPECT_EQ(SplitLines(result.Out), (TLines{"DiscProbe.OnShow Sender=DiscProbe",
                                              "Disc.AfterInsert Sender=Disc FirstDriveLetter=Q",
                                              "Disc.AfterRemove Sender=Disc FirstDriveLetter=Q",
                                              "DiscProbe.OnClose Sender=DiscProbe Action=caHide"}));
}

TEST(HostCommandLine, BadOnesGetTheUsage)
{
    for (const char* arguments : {"", "walk form.qfm", "run", "run a.qfm b.qfm", "run a.qfm --seconds",
                                  "run a.qfm --seconds soon", "run a.qfm --seconds 0", "run a.qfm --fast", "run a.qfm --execute",
                                  "run a.qfm --show",
                                  "broadcast", "broadcast media-arrival", "broadcast eject E",
                                  "broadcast media-arrival EF", "broadcast media-removal 4",
                                  "broadcast media-arrival E F", "run a.qfm --log Log1", "run a.qfm --clear-log"}) {
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
    EXPECT_EQ(SplitLines(result.Out), (TLines{"Collector1.OnFileFound Sender=Collector1 Filename='" + second + "'",
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
    EXPECT_EQ(SplitLines(result.Out), (TLines{"Replace1.BeforeWrite Sender=Replace1 Line='one' LineNo=1 WriteLine=True",
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
    EXPECT_EQ(SplitLines(result.Out), (TLines{"Log1.Log Text='first'", "Log1.OnClear Sender=Log1", "Log1.ClearLog",
                                              "Log1.Log Text='second line'"}));
    EXPECT_EQ(ReadBytes(log), "[probe] second line\r\n");
}

// The run goes on to its end, and then says that it failed.
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
    EXPECT_EQ(result.ExitCode, 3u) << result.Err;
    EXPECT_EQ(SplitLines(result.Out), (TLines{"Log1.OnClear Sender=Log1", "Log1.ClearLog"}));
    EXPECT_NE(result.Err.find("qel: Cannot open '" + folder.Path() + "\\missing\\run.log'"), std::string::npos)
        << result.Err;
}

TEST(HostActions, AnExecuteThatRaisesFailsTheRun)
{
    TScratchFolder folder;
    TDescriptionFile form("object HostProbe: THostProbeForm\n"
                          "  OnClose = FormClose\n"
                          "  object Replace1: TQELTextReplace\n"
                          "    FileFrom = '" + folder.Path() + "\\missing.txt'\n"
                          "    FileTo = '" + folder.Path() + "\\out.txt'\n"
                          "  end\n"
                          "end\n");
    const TRunResult result = RunHost("run \"" + form.Path() + "\" --seconds 1 --execute Replace1");
    EXPECT_EQ(result.ExitCode, 3u) << result.Err;
    EXPECT_EQ(SplitLines(result.Out), TLines{"HostProbe.OnClose Sender=HostProbe Action=caHide"});
    EXPECT_NE(result.Err.find("qel: "), std::string::npos) << result.Err;
    EXPECT_NE(result.Err.find("missing.txt"), std::string::npos) << result.Err;
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
