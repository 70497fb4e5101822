// TQELFileExecute: what it hands the shell (seen through a fake of ShellExecuteExA), and real starts
// of this executable in a child mode that reports the show command, directory and arguments it got,
// waits for the test, or broadcasts a sent message while the component waits for it. A missing program brings up
// the shell's error box, which a timer answers.
#include "actions/QELTFileExecute.h"

#include "framework/FormText.h"
#include "framework/SysUtils.h"
#include "tests/actions/ActionsTestSupport.h"
#include "tests/framework/WindowTesting.h"
#include "tests/support/ImportPatch.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <memory>
#include <optional>

using namespace WindowTesting;

namespace {

// What a fake shell call was handed.
struct TShellCall {
    ULONG Mask;
    HWND Window;
    std::optional<std::string> Verb;
    std::optional<std::string> File;
    std::optional<std::string> Parameters;
    std::optional<std::string> Directory;
    int Show;
};
std::vector<TShellCall> ShellCalls;
// The handle the fake hands back as the started process, and the fake's result.
HANDLE FakeProcess = nullptr;
BOOL FakeResult = FALSE;

std::optional<std::string> Text(LPCSTR text)
{
    return text ? std::optional<std::string>(text) : std::nullopt;
}

BOOL WINAPI FakeShellExecuteExA(SHELLEXECUTEINFOA* info)
{
    ShellCalls.push_back({info->fMask, info->hwnd, Text(info->lpVerb), Text(info->lpFile), Text(info->lpParameters),
                          Text(info->lpDirectory), info->nShow});
    info->hProcess = FakeProcess;
    return FakeResult;
}

// The real shell call, with a duplicate of the process handle kept for the test to wait on; once it
// has returned it sets ShellReturned (when there is one), which the started program may wait for.
TKernelHandle StartedProcess;
TKernelHandle ShellReturned;
BOOL WINAPI WatchedShellExecuteExA(SHELLEXECUTEINFOA* info)
{
    static const auto real = reinterpret_cast<decltype(&ShellExecuteExA)>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("shell32.dll"), "ShellExecuteExA")));
    const BOOL result = real(info);
    if (ShellReturned)
        (void)SetEvent(ShellReturned.Get());
    HANDLE duplicate = nullptr;
    if (info->hProcess)
        (void)DuplicateHandle(GetCurrentProcess(), info->hProcess, GetCurrentProcess(), &duplicate, 0, FALSE,
                              DUPLICATE_SAME_ACCESS);
    StartedProcess.Reset(duplicate);
    FakeProcess = info->hProcess; // the component's own handle, to see that it gets closed
    return result;
}

bool HandleIsOpen(HANDLE handle)
{
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != 0;
}

// A named event of this process's own, for a started program to wait on.
std::string NewEvent(TKernelHandle& event, const std::string& use)
{
    const std::string name = "QELSystmActionsTest-" + std::to_string(GetCurrentProcessId()) + "." + use;
    event.Reset(CreateEventA(nullptr, TRUE, FALSE, name.c_str()));
    EXPECT_TRUE(event) << name;
    return name;
}

// Quotes an argument for the command line.
std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

class FileExecuteTest : public testing::Test {
protected:
    FileExecuteTest() : FExecute(std::make_unique<TQELFileExecute>(nullptr))
    {
        ShellCalls.clear();
        FakeProcess = nullptr;
        FakeResult = FALSE;
    }
    ~FileExecuteTest() override
    {
        // No started program outlives its test.
        if (StartedProcess) {
            EXPECT_EQ(WaitForSingleObject(StartedProcess.Get(), 30000), WAIT_OBJECT_0);
        }
        StartedProcess.Reset();
        ShellReturned.Reset();
    }

    // Starts this executable in report mode with the given arguments, waiting for it; gives the report.
    std::vector<std::string> Report(const std::string& arguments)
    {
        const std::string report = FFolder.File("report.txt");
        (void)DeleteFileA(report.c_str());
        FExecute->SetFilename(TestExePath());
        FExecute->SetExeParameters(ChildSwitch("report") + " " + Quoted(report) + " " + arguments);
        FExecute->SetWait(true);
        EXPECT_TRUE(FExecute->Execute());
        return ReadLines(report);
    }

    TTempFolder FFolder;
    std::unique_ptr<TQELFileExecute> FExecute;
};

} // namespace

TEST_F(FileExecuteTest, HandsTheShellTheVerbOfEachStyleInItsLetterCase)
{
    const TImportPatch shell("shell32.dll", "ShellExecuteExA", &FakeShellExecuteExA);
    const std::pair<TQELExeStyle, const char*> cases[] = {
        {osOpen, "open"}, {osPrint, "Print"}, {osExplore, "explore"}, {osNew, "new"},     {osInstall, "Install"},
        {osEdit, "edit"}, {osFind, "find"},   {osTest, "Test"},       {osConfigure, "open"}, {osPlay, "Play"}};
    for (const auto& [style, verb] : cases) {
        FExecute->SetExeStyle(style);
        EXPECT_FALSE(FExecute->Execute());
        ASSERT_FALSE(ShellCalls.empty());
        EXPECT_EQ(ShellCalls.back().Verb, std::optional<std::string>(verb)) << EventArgText(style);
    }
    FExecute->SetExeStyle(osDefault);
    EXPECT_FALSE(FExecute->Execute());
    EXPECT_EQ(ShellCalls.back().Verb, std::nullopt);
}

TEST_F(FileExecuteTest, HandsTheShellItsFieldsWithEmptyTextsNotNull)
{
    const TImportPatch shell("shell32.dll", "ShellExecuteExA", &FakeShellExecuteExA);
    EXPECT_FALSE(FExecute->Execute());
    ASSERT_EQ(ShellCalls.size(), 1u);
    const TShellCall& empty = ShellCalls[0];
    EXPECT_EQ(empty.Mask, static_cast<ULONG>(SEE_MASK_NOCLOSEPROCESS));
    EXPECT_EQ(empty.Window, Application->Handle());
    EXPECT_EQ(empty.File, std::optional<std::string>(""));
    EXPECT_EQ(empty.Parameters, std::optional<std::string>(""));
    EXPECT_EQ(empty.Directory, std::optional<std::string>(""));
    EXPECT_EQ(empty.Show, SW_SHOWNORMAL);

    FExecute->SetFilename("notes.txt");
    FExecute->SetExeParameters("/p");
    FExecute->SetExePath("C:\\windows");
    FExecute->SetWindowstate(wsMaximized);
    EXPECT_FALSE(FExecute->Execute());
    const TShellCall& full = ShellCalls.back();
    EXPECT_EQ(full.File, std::optional<std::string>("notes.txt"));
    EXPECT_EQ(full.Parameters, std::optional<std::string>("/p"));
    EXPECT_EQ(full.Directory, std::optional<std::string>("C:\\windows"));
    EXPECT_EQ(full.Show, SW_SHOWMAXIMIZED);
    FExecute->SetWindowstate(wsMinimized);
    EXPECT_FALSE(FExecute->Execute());
    EXPECT_EQ(ShellCalls.back().Show, SW_SHOWMINIMIZED);
    FExecute->SetWindowstate(wsNormal);
    EXPECT_FALSE(FExecute->Execute());
    EXPECT_EQ(ShellCalls.back().Show, SW_SHOWNORMAL);
}

TEST_F(FileExecuteTest, AStartedProgramGetsTheShowCommandDirectoryAndArguments)
{
    FExecute->SetWindowstate(wsMaximized);
    FExecute->SetExePath(FFolder.Path());
    EXPECT_EQ(Report("one \"two words\""),
              (std::vector<std::string>{"show=3", "dir=" + FFolder.Path(), "arg=one", "arg=two words"}));

    // An empty directory is the current one.
    FExecute->SetExePath("");
    FExecute->SetWindowstate(wsMinimized);
    EXPECT_EQ(Report(""), (std::vector<std::string>{"show=2", "dir=" + GetCurrentDir()}));
    FExecute->SetWindowstate(wsNormal);
    EXPECT_EQ(Report("x"), (std::vector<std::string>{"show=1", "dir=" + GetCurrentDir(), "arg=x"}));
}

TEST_F(FileExecuteTest, WaitReturnsOnlyOnceTheProgramHasEnded)
{
    const TImportPatch shell("shell32.dll", "ShellExecuteExA", &WatchedShellExecuteExA);
    const std::string done = FFolder.File("done.txt");
    // The program ends only after the shell call has returned, so only a wait sees it end.
    const std::string returned = NewEvent(ShellReturned, "returned");
    FExecute->SetFilename(TestExePath());
    FExecute->SetExeParameters(ChildSwitch("wait") + " " + returned + " " + Quoted(done));
    FExecute->SetWait(true);
    EXPECT_TRUE(FExecute->Execute());
    EXPECT_TRUE(FileExists(done));
    EXPECT_EQ(WaitForSingleObject(StartedProcess.Get(), 0), WAIT_OBJECT_0);
    EXPECT_FALSE(HandleIsOpen(FakeProcess));
}

TEST_F(FileExecuteTest, WithoutWaitReturnsAtOnceAndStillClosesTheProcessHandle)
{
    const TImportPatch shell("shell32.dll", "ShellExecuteExA", &WatchedShellExecuteExA);
    const std::string done = FFolder.File("done.txt");
    // The program ends once the test lets it.
    TKernelHandle release;
    const std::string releaseName = NewEvent(release, "release");
    FExecute->SetFilename(TestExePath());
    FExecute->SetExeParameters(ChildSwitch("wait") + " " + releaseName + " " + Quoted(done));
    EXPECT_TRUE(FExecute->Execute());
    EXPECT_FALSE(FileExists(done));
    ASSERT_TRUE(StartedProcess);
    EXPECT_EQ(WaitForSingleObject(StartedProcess.Get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_FALSE(HandleIsOpen(FakeProcess));
    ASSERT_TRUE(SetEvent(release.Get()));
}

TEST_F(FileExecuteTest, WhileWaitingSentMessagesAreAnsweredAndPostedOnesWait)
{
    // The started program posts one message to a window of ours and then broadcasts a sent one, once
    // the shell call has returned. A wait that answered nothing would hold the program in its broadcast
    // until the send timed out.
    const TImportPatch shell("shell32.dll", "ShellExecuteExA", &WatchedShellExecuteExA);
    const std::string name = NewEvent(ShellReturned, "returned");
    const UINT posted = RegisterWindowMessageA((name + ".posted").c_str());
    const UINT sent = RegisterWindowMessageA((name + ".sent").c_str());
    struct TReceiver : TObject {
        void WndProc(TMessage& message)
        {
            if (message.Msg == Posted)
                PostedWhileWaiting = Waiting, ++PostedCount;
            else if (message.Msg == Sent)
                SentWhileWaiting = SentWhileWaiting || Waiting;
            else
                message.Result = DefWindowProcA(Window, message.Msg, message.WParam, message.LParam);
        }
        UINT Posted = 0, Sent = 0;
        HWND Window = nullptr;
        bool Waiting = false, PostedWhileWaiting = false, SentWhileWaiting = false;
        int PostedCount = 0;
    } receiver;
    receiver.Posted = posted;
    receiver.Sent = sent;
    const TUtilWindowHandle window(AllocateHWnd(TWndMethod(&receiver, &TReceiver::WndProc)));
    receiver.Window = window.Get();

    FExecute->SetFilename(TestExePath());
    FExecute->SetExeParameters(ChildSwitch("broadcast") + " " +
                               std::to_string(reinterpret_cast<UINT_PTR>(window.Get())) + " " + name);
    FExecute->SetWait(true);
    receiver.Waiting = true;
    EXPECT_TRUE(FExecute->Execute());
    receiver.Waiting = false;
    EXPECT_TRUE(receiver.SentWhileWaiting);
    EXPECT_EQ(receiver.PostedCount, 0);
    EXPECT_TRUE(PumpUntil([&] { return receiver.PostedCount == 1; }));
    EXPECT_FALSE(receiver.PostedWhileWaiting);
}

TEST_F(FileExecuteTest, AMissingProgramGivesFalseAfterTheShellsMessage)
{
    FExecute->SetFilename(FFolder.File("missing.exe"));
    FExecute->SetWait(true);
    TUserAction user([] { return PressButton("#32770", "Error", "OK"); });
    EXPECT_FALSE(FExecute->Execute());
    EXPECT_TRUE(user.Done());
}

TEST_F(FileExecuteTest, ADocumentTakenOverByARunningProgramReturnsAtOnceEvenWithWait)
{
    // The shell reports success but hands back no process.
    const TImportPatch shell("shell32.dll", "ShellExecuteExA", &FakeShellExecuteExA);
    FakeResult = TRUE;
    FExecute->SetWait(true);
    EXPECT_TRUE(FExecute->Execute());
    EXPECT_EQ(ShellCalls.size(), 1u);
}

TEST_F(FileExecuteTest, OnlyValuesOtherThanTheDefaultsOfStyleWaitAndWindowStateAreStored)
{
    auto root = std::make_unique<TComponent>(nullptr);
    auto* execute = new TQELFileExecute(root.get());
    execute->SetName("Run1");
    const std::string defaults = WriteComponentText(*root);
    EXPECT_NE(defaults.find("Filename = ''"), std::string::npos);
    EXPECT_NE(defaults.find("ExeParameters = ''"), std::string::npos);
    EXPECT_NE(defaults.find("ExePath = ''"), std::string::npos);
    EXPECT_EQ(defaults.find("ExeStyle"), std::string::npos);
    EXPECT_EQ(defaults.find("Wait"), std::string::npos);
    EXPECT_EQ(defaults.find("Windowstate"), std::string::npos);

    execute->SetExeStyle(osConfigure);
    execute->SetWait(true);
    execute->SetWindowstate(wsMaximized);
    const std::unique_ptr<TComponent> loaded(TReader(WriteComponentText(*root)).ReadComponent(nullptr));
    auto* copy = dynamic_cast<TQELFileExecute*>(loaded->FindComponent("Run1"));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->ExeStyle(), osConfigure);
    EXPECT_TRUE(copy->Wait());
    EXPECT_EQ(copy->Windowstate(), wsMaximized);

    // The loaded copy hands the shell what its properties say.
    const TImportPatch shell("shell32.dll", "ShellExecuteExA", &FakeShellExecuteExA);
    copy->SetWait(false);
    EXPECT_FALSE(copy->Execute());
    ASSERT_EQ(ShellCalls.size(), 1u);
    EXPECT_EQ(ShellCalls[0].Verb, std::optional<std::string>("open"));
    EXPECT_EQ(ShellCalls[0].Show, SW_SHOWMAXIMIZED);
}
