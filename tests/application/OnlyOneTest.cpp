// The single-instance guard. In this process, top-level windows of class "TApplication" with the
// application's title stand in for other copies; copies that really end, copies started together and
// the command line handed over run the host program as child processes.
#include "application/QELTOnlyOne.h"
#include "tests/application/ApplicationTestSupport.h"
#include "tests/framework/WindowTesting.h"
#include "tests/support/ErrorMessage.h"

#include "framework/FormText.h"
#include "framework/Forms.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace WindowTesting;

namespace {

// Another copy's application window, as the guard sees one.
class TStandIn {
public:
    explicit TStandIn(const std::string& title, bool minimized = false, const char* className = "TApplication")
        : FWindow(CreateWindowExA(0, className, title.c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                  100, 100, 0, 0, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr))
    {
        ShowWindow(FWindow.Get(), minimized ? SW_SHOWMINNOACTIVE : SW_SHOWNOACTIVATE);
    }
    HWND Handle() const noexcept { return FWindow.Get(); }

private:
    TWindowHandle FWindow;
};

// The application's title for a test, and its events, put back afterwards.
class OnlyOne : public testing::Test {
protected:
    OnlyOne() { Application->SetTitle(Title); }
    ~OnlyOne() override
    {
        Application->SetTitle(FTitle);
        Application->SetOnException(FOnException);
    }

    std::string GuardForm(const std::string& properties) const
    {
        return "object Main: TForm\n"
               "  object Guard: TQELOnlyOne\n" +
               properties +
               "    OnExceeded = GuardExceeded\n"
               "    OnNewInstance = GuardNewInstance\n"
               "  end\n"
               "end\n";
    }

    const std::string Title = "Guard test " + std::to_string(GetCurrentProcessId());
    const std::string FTitle = Application->Title();
    const TExceptionEvent FOnException = Application->OnException();
    TEventLog Log;
};

// Receives the exceptions the application reports.
class TErrors : public TComponent {
public:
    TErrors() : TComponent(nullptr) {}
    void Raised(TObject* sender, Exception& e) { Lines.push_back(EventArgText(sender) + ": " + e.Message()); }
    std::vector<std::string> Lines;
};

// A new copy's record: its directory, a NUL, its arguments.
std::string Record(const std::string& directory, const std::string& arguments)
{
    return directory + '\0' + arguments;
}

// Sends a WM_COPYDATA record as a new copy would, and gives the answer.
LRESULT SendRecord(ULONG_PTR kind, const std::string& data, bool withData = true)
{
    COPYDATASTRUCT record{kind, static_cast<DWORD>(data.size()), withData ? const_cast<char*>(data.data()) : nullptr};
    return SendMessageA(Application->Handle(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&record));
}
constexpr ULONG_PTR NewInstanceRecord = 0x51454C31;

} // namespace

TEST_F(OnlyOne, StartsWithOneInstanceAndRestoreAndExitAndStoresOnlyWhatDiffers)
{
    TForm form(nullptr);
    auto* guard = new TQELOnlyOne(&form);
    guard->SetName("Guard");
    EXPECT_EQ(guard->About(), "(About)");
    EXPECT_EQ(guard->Instances(), 1);
    EXPECT_EQ(guard->OnExceed(), aRestoreAndExit);
    EXPECT_NE(StoredText(form).find("  object Guard: TQELOnlyOne\n  end"), std::string::npos) << StoredText(form);
    guard->SetInstances(3);
    guard->SetOnExceed(aNone);
    EXPECT_NE(StoredText(form).find("  object Guard: TQELOnlyOne\n    Instances = 3\n    OnExceed = aNone\n  end"),
              std::string::npos)
        << StoredText(form);
}

TEST_F(OnlyOne, OneOtherCopyExceedsOneInstanceAndWithNoneOnlyTheEventFires)
{
    TStandIn other(Title, true);
    auto form = Log.Read(GuardForm("    OnExceed = aNone\n"));
    EXPECT_EQ(Log.Lines, (std::vector<std::string>{"Guard.OnExceeded Sender=Guard NoOfInstances=2"}));
    EXPECT_TRUE(IsIconic(other.Handle())); // not touched
}

TEST_F(OnlyOne, WithRestoreAMinimisedCopyIsRestoredAndThisOneRunsOn)
{
    TStandIn other(Title, true);
    auto form = Log.Read(GuardForm("    OnExceed = aRestore\n"));
    EXPECT_EQ(Log.Lines, (std::vector<std::string>{"Guard.OnExceeded Sender=Guard NoOfInstances=2"}));
    EXPECT_FALSE(IsIconic(other.Handle()));
    EXPECT_TRUE(form);
}

TEST_F(OnlyOne, WithRestoreACopyThatIsShownBecomesTheForegroundWindow)
{
    auto mine = std::make_unique<TForm>(Application);
    mine->Show();
    SetForegroundWindow(mine->Handle());
    TStandIn other(Title);
    ASSERT_NE(GetForegroundWindow(), other.Handle());
    auto form = Log.Read(GuardForm("    OnExceed = aRestore\n"));
    EXPECT_EQ(GetForegroundWindow(), other.Handle());
}

// Made in code, with its properties and a handler of the program's own class, the guard counts when
// its form is finished, as one read from a description does: before the form shows, and once.
TEST_F(OnlyOne, MadeInCodeItCountsWhenItsFormIsFinished)
{
    struct TCounts : TObject {
        void Exceeded(TObject*, int instances)
        {
            Found.push_back(instances);
            Shown = Form->HandleAllocated() && IsWindowVisible(Form->Handle());
        }
        TForm* Form = nullptr;
        std::vector<int> Found;
        bool Shown = true;
    } counts;
    TStandIn other(Title, true);
    auto form = std::make_unique<TForm>(Application);
    counts.Form = form.get();
    auto* guard = new TQELOnlyOne(form.get());
    guard->SetOnExceed(aNone);
    guard->SetOnExceeded(TQELOnExceeded(&counts, &TCounts::Exceeded));
    EXPECT_TRUE(counts.Found.empty()) << "not while its properties are being set";
    form->Show();
    EXPECT_EQ(counts.Found, std::vector<int>{2});
    EXPECT_FALSE(counts.Shown);
    form->Finish();
    form->Hide();
    form->Show();
    EXPECT_EQ(counts.Found, std::vector<int>{2});
}

TEST_F(OnlyOne, TwoInstancesAllowTwoCopiesAndTheThirdExceeds)
{
    TStandIn first(Title);
    {
        auto form = Log.Read(GuardForm("    Instances = 2\n    OnExceed = aNone\n"));
        EXPECT_TRUE(Log.Lines.empty());
    }
    TStandIn second(Title);
    auto form = Log.Read(GuardForm("    Instances = 2\n    OnExceed = aNone\n"));
    EXPECT_EQ(Log.Lines, (std::vector<std::string>{"Guard.OnExceeded Sender=Guard NoOfInstances=3"}));
}

TEST_F(OnlyOne, NoInstancesIsExceededByThisCopyAloneAndBringsNothingForward)
{
    TStandIn stranger(Title + " (another)", true);
    auto form = Log.Read(GuardForm("    Instances = 0\n    OnExceed = aRestore\n"));
    EXPECT_EQ(Log.Lines, (std::vector<std::string>{"Guard.OnExceeded Sender=Guard NoOfInstances=1"}));
    EXPECT_TRUE(IsIconic(stranger.Handle()));
}

TEST_F(OnlyOne, OnlyTheSameClassAndTheSameTitleCount)
{
    TStandIn otherTitle(Title + "!");
    TStandIn otherCase("guard TEST " + std::to_string(GetCurrentProcessId()));
    TStandIn otherClass(Title, false, "TPUtilWindow");
    auto form = Log.Read(GuardForm("    OnExceed = aNone\n"));
    EXPECT_TRUE(Log.Lines.empty());
}

TEST_F(OnlyOne, AnApplicationWithoutTitleIsNeverCounted)
{
    Application->SetTitle("");
    TStandIn untitled("");
    auto form = Log.Read(GuardForm("    Instances = 0\n    OnExceed = aNone\n"));
    EXPECT_TRUE(Log.Lines.empty());
}

TEST_F(OnlyOne, OnlyOneMayExistAndARefusedOneLeavesTheCountAsItWas)
{
    const std::string message =
        "You can have only one class of type\r\nTQELOnlyOne\r\n in a project and it must be on the Mainform";
    TForm form(nullptr);
    TForm other(nullptr);
    auto* first = new TQELOnlyOne(&form);
    EXPECT_EQ(ErrorMessageOf<QELTOnlyOne::EQELDuplicateError>([&] { new TQELOnlyOne(&other); }), message);
    EXPECT_EQ(ErrorMessageOf<QELTOnlyOne::EQELDuplicateError>([&] { new TQELOnlyOne(&form); }), message);
    EXPECT_EQ(other.ComponentCount(), 0); // nothing half-built stays behind
    delete first;
    EXPECT_NO_THROW(delete new TQELOnlyOne(&other));

    // The same in the designer, where the check never runs.
    TForm designer(nullptr);
    designer.SetDesigning(true);
    auto* designed = new TQELOnlyOne(&designer);
    EXPECT_EQ(ErrorMessageOf<QELTOnlyOne::EQELDuplicateError>([&] { new TQELOnlyOne(&designer); }), message);
    delete designed;
    EXPECT_NO_THROW(new TQELOnlyOne(&designer));
}

TEST_F(OnlyOne, AConstructorFailingAfterTheCountTakesItBackDown)
{
    // An owner that refuses the guard once it has been counted.
    struct TRefusingOwner : TForm {
        using TForm::TForm;
        bool Refuse = true;
        void Notification(TComponent* component, TOperation operation) override
        {
            TForm::Notification(component, operation);
            if (operation == opInsert && Refuse)
                throw EComponentError("refused");
        }
    } form(nullptr);
    EXPECT_THROW(new TQELOnlyOne(&form), EComponentError);
    EXPECT_EQ(form.ComponentCount(), 0);
    form.Refuse = false;
    EXPECT_NO_THROW(new TQELOnlyOne(&form));
}

TEST_F(OnlyOne, InTheDesignerTheCheckNeverRuns)
{
    TStandIn other(Title, true);
    TForm designer(nullptr);
    designer.SetDesigning(true);
    TReader("object Main: TForm\n"
            "  object Guard: TQELOnlyOne\n"
            "    Instances = 0\n"
            "    OnExceed = aRestore\n"
            "  end\n"
            "end\n")
        .ReadRootComponent(&designer);
    EXPECT_EQ(designer.ComponentCount(), 1);
    EXPECT_TRUE(IsIconic(other.Handle())); // not brought forward
}

// ---------------------------------------------------------------------------------------------------
// The command line of a new copy

TEST_F(OnlyOne, ANewCopysCommandLineAndDirectoryFireOnNewInstanceFromTheMessageLoop)
{
    auto form = Log.Read(GuardForm(""));
    EXPECT_EQ(SendRecord(NewInstanceRecord, Record("C:\\work", "open \"a b.txt\" -x")), TRUE);
    EXPECT_TRUE(Log.Lines.empty()); // not while the sender waits
    EXPECT_TRUE(PumpUntil([&] { return !Log.Lines.empty(); }));
    EXPECT_EQ(Log.Lines, (std::vector<std::string>{
                             "Guard.OnNewInstance Sender=Guard Arguments='open \"a b.txt\" -x' Directory='C:\\work'"}));

    // Two in a row, each once, in order.
    Log.Lines.clear();
    SendRecord(NewInstanceRecord, Record("D:\\", "one"));
    SendRecord(NewInstanceRecord, Record("E:\\", ""));
    PumpFor(100);
    EXPECT_EQ(Log.Lines, (std::vector<std::string>{"Guard.OnNewInstance Sender=Guard Arguments='one' Directory='D:\\'",
                                                   "Guard.OnNewInstance Sender=Guard Arguments='' Directory='E:\\'"}));
}

TEST_F(OnlyOne, RecordsThatAreNotANewCopysAreRefusedUnread)
{
    auto form = Log.Read(GuardForm(""));
    EXPECT_EQ(SendRecord(NewInstanceRecord + 1, Record("C:\\", "x")), FALSE);
    EXPECT_EQ(SendRecord(NewInstanceRecord, "no separator"), FALSE);
    EXPECT_EQ(SendRecord(NewInstanceRecord, ""), FALSE);
    EXPECT_EQ(SendRecord(NewInstanceRecord, Record("C:\\", "x"), false), FALSE);
    EXPECT_EQ(SendRecord(NewInstanceRecord, std::string(65537, '\0')), FALSE);
    EXPECT_EQ(SendMessageA(Application->Handle(), WM_COPYDATA, 0, 0), FALSE);
    PumpFor(100);
    EXPECT_TRUE(Log.Lines.empty());

    // Without a guard, nobody takes them.
    form.reset();
    EXPECT_EQ(SendRecord(NewInstanceRecord, Record("C:\\", "x")), FALSE);
}

TEST_F(OnlyOne, AnExceptionInTheHandlerGoesToTheApplication)
{
    TErrors errors;
    Application->SetOnException(TExceptionEvent(&errors, &TErrors::Raised));
    TForm form(Application);
    auto* guard = new TQELOnlyOne(&form);
    guard->SetName("Guard");
    struct TThrower : TComponent {
        TThrower() : TComponent(nullptr) {}
        void Arrived(TObject*, const std::string& arguments, const std::string&) { throw Exception("bad " + arguments); }
    } thrower;
    guard->SetOnNewInstance(TQELOnNewInstance(&thrower, &TThrower::Arrived));
    SendRecord(NewInstanceRecord, Record("C:\\", "one"));
    SendRecord(NewInstanceRecord, Record("C:\\", "two"));
    PumpFor(100);
    EXPECT_EQ(errors.Lines, (std::vector<std::string>{"Guard: bad one", "Guard: bad two"}));
}

// ---------------------------------------------------------------------------------------------------
// Real copies: the host program

namespace {

std::string HostForm(const std::string& title, int instances)
{
    return "object Main: TGuardedForm\n"
           "  Caption = 'Guarded'\n"
           "  OnShow = MainShow\n"
           "  object App: TQELApplication\n"
           "    ApplicationTitle = '" +
           title +
           "'\n"
           "    OnRestore = AppRestore\n"
           "  end\n"
           "  object Guard: TQELOnlyOne\n"
           "    Instances = " +
           std::to_string(instances) +
           "\n"
           "    OnExceeded = GuardExceeded\n"
           "    OnNewInstance = GuardNewInstance\n"
           "  end\n"
           "end\n";
}

std::string CurrentDirectory()
{
    char directory[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, directory);
    return directory;
}

} // namespace

TEST(OnlyOneHost, ASecondCopyEndsBeforeItsFormShowsAndTheFirstComesBackWithItsCommandLine)
{
    const std::string title = "QEL guard " + std::to_string(GetCurrentProcessId());
    TDescriptionFile form(HostForm(title, 1));
    const std::string arguments = "run \"" + form.Path() + "\" --seconds 60";
    TChildProcess first(HostCommand(arguments));
    ASSERT_TRUE(first.WaitForLine("Main.OnShow")) << first.Err();
    HWND firstForm = FindProcessWindow(first.ProcessId(), "TGuardedForm");
    HWND firstApplication = FindProcessWindow(first.ProcessId(), "TApplication", title.c_str());
    ASSERT_NE(firstForm, nullptr);
    ASSERT_NE(firstApplication, nullptr);
    // The user minimises the first copy: its form goes with its application window.
    SendMessageA(firstForm, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(IsIconic(firstApplication));
    ASSERT_FALSE(IsWindowVisible(firstForm));

    TChildProcess second(HostCommand(arguments));
    EXPECT_EQ(second.Wait(), 0u) << second.Err();
    EXPECT_EQ(second.OutLines(), (std::vector<std::string>{"Guard.OnExceeded Sender=Guard NoOfInstances=2"}));
    EXPECT_EQ(second.Err(), "");

    // The first copy ran its own restore path, and got the second's command line.
    const std::string newInstance =
        "Guard.OnNewInstance Sender=Guard Arguments='" + arguments + "' Directory='" + CurrentDirectory() + "'";
    EXPECT_TRUE(first.WaitForLine(newInstance)) << first.Err();
    EXPECT_TRUE(first.WaitForLine("App.OnRestore Sender=TApplication")) << first.Err();
    EXPECT_FALSE(IsIconic(firstApplication));
    EXPECT_TRUE(IsWindowVisible(firstForm));
    EXPECT_TRUE(first.Running());
    EXPECT_EQ(first.Err(), "");
}

TEST(OnlyOneHost, AFirstCopyMinimisedIntoTheTrayComesBackOutOfIt)
{
    const std::string title = "QEL guard tray " + std::to_string(GetCurrentProcessId());
    // The application component's OnRestore would replace the tray's: the form leaves it out.
    std::string description = HostForm(title, 1);
    description.erase(description.find("    OnRestore = AppRestore\n"), 27);
    description.insert(description.rfind("end"), "  object Tray: TQELSystemTray\n"
                                                  "    Enabled = True\n"
                                                  "    OnRestore = TrayRestore\n"
                                                  "  end\n");
    TDescriptionFile form(description);
    const std::string arguments = "run \"" + form.Path() + "\" --seconds 60";
    const std::size_t icons = TrayIconWindows().size();
    TChildProcess first(HostCommand(arguments));
    ASSERT_TRUE(first.WaitForLine("Main.OnShow")) << first.Err();
    HWND firstForm = FindProcessWindow(first.ProcessId(), "TGuardedForm");
    HWND firstApplication = FindProcessWindow(first.ProcessId(), "TApplication", title.c_str());
    ASSERT_NE(firstApplication, nullptr);
    SendMessageA(firstForm, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_FALSE(IsWindowVisible(firstApplication)); // no taskbar button: the tray only
    ASSERT_EQ(TrayIconWindows().size(), icons + 1);

    TChildProcess second(HostCommand(arguments));
    EXPECT_EQ(second.Wait(), 0u) << second.Err();
    EXPECT_TRUE(first.WaitForLine("Tray.OnRestore Sender=TApplication")) << first.Err();
    EXPECT_TRUE(IsWindowVisible(firstApplication));
    EXPECT_TRUE(IsWindowVisible(firstForm));
    EXPECT_EQ(TrayIconWindows().size(), icons);
}

// Copies of this executable, each with its application window made and titled well before the guard
// counts (as an application's window exists from its start while its main form loads): without the
// mutex, copies started together all see each other and all end.
TEST(OnlyOneCopies, OfCopiesStartedTogetherExactlyInstancesKeepRunning)
{
    const std::string title = "QEL together " + std::to_string(GetCurrentProcessId());
    auto description = [&](int instances) {
        return "object Main: TForm\n"
               "  object App: TQELApplication\n"
               "    ApplicationTitle = '" +
               title +
               "'\n"
               "  end\n"
               "  object Slow: TLoadProbe\n"
               "    Delay = 300\n"
               "  end\n"
               "  object Guard: TQELOnlyOne\n"
               "    Instances = " +
               std::to_string(instances) +
               "\n"
               "  end\n"
               "end\n";
    };
    const TDescriptionFile one(description(1));
    const TDescriptionFile two(description(2));
    for (int round = 0; round < 20; ++round) {
        const int instances = round % 2 + 1;
        const std::string command = SelfCommand("--run-form \"" + (instances == 1 ? one : two).Path() + "\"");
        std::vector<std::unique_ptr<TChildProcess>> copies;
        for (int i = 0; i < 3; ++i)
            copies.push_back(std::make_unique<TChildProcess>(command, true));
        for (auto& copy : copies)
            copy->Resume();
        int running = 0;
        for (auto& copy : copies) {
            // Each copy either gets past its guard or ends with 0.
            if (copy->WaitForLine("read to the end", 30000))
                ++running;
            else
                EXPECT_EQ(copy->Wait(), 0u) << copy->Err();
        }
        EXPECT_EQ(running, instances) << "round " << round;
    }
}
