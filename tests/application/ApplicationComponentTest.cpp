// The application component: it starts with the application's values, stores what differs from the
// declared defaults, hands its values and handlers to the application once its form is loaded (in the
// designer too), takes its handlers back when it goes, and exists once per process.
#include "application/QELTApplication.h"
#include "application/QELTSystemTray.h"
#include "tests/application/ApplicationTestSupport.h"
#include "tests/framework/WindowTesting.h"
#include "tests/support/ErrorMessage.h"

#include "framework/FormText.h"
#include "framework/Forms.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using WindowTesting::WindowText;

namespace {

// Receives the application events the tests attach by hand.
class TRecorder : public TComponent {
public:
    TRecorder() : TComponent(nullptr) {}
    void Notify(TObject*) { ++Calls; }
    void Idle(TObject*, bool&) { ++Calls; }
    int Calls = 0;
};

// Each test finds the application's settings and events as they were and leaves them so.
class ApplicationComponent : public testing::Test {
protected:
    ApplicationComponent() { FIcon.Assign(Application->Icon()); }
    ~ApplicationComponent() override
    {
        Application->SetIcon(&FIcon);
        Application->SetTitle(FTitle);
        Application->SetHintColor(FHintColor);
        Application->SetHintPause(FHintPause);
        Application->SetShowHint(FShowHint);
        Application->SetOnActivate(FOnActivate);
        Application->SetOnDeactivate(FOnDeactivate);
        Application->SetOnException(FOnException);
        Application->SetOnHelp(FOnHelp);
        Application->SetOnIdle(FOnIdle);
        Application->SetOnMessage(FOnMessage);
        Application->SetOnMinimize(FOnMinimize);
        Application->SetOnHint(FOnHint);
        Application->SetOnRestore(FOnRestore);
        Application->SetOnShowHint(FOnShowHint);
        Application->Restore();
        ShowWindow(Application->Handle(), SW_HIDE);
    }

    TEventLog Log;

private:
    TIcon FIcon;
    const std::string FTitle = Application->Title();
    const TColor FHintColor = Application->HintColor();
    const int FHintPause = Application->HintPause();
    const bool FShowHint = Application->ShowHint();
    const TNotifyEvent FOnActivate = Application->OnActivate();
    const TNotifyEvent FOnDeactivate = Application->OnDeactivate();
    const TExceptionEvent FOnException = Application->OnException();
    const THelpEvent FOnHelp = Application->OnHelp();
    const TIdleEvent FOnIdle = Application->OnIdle();
    const TMessageEvent FOnMessage = Application->OnMessage();
    const TNotifyEvent FOnMinimize = Application->OnMinimize();
    const TNotifyEvent FOnHint = Application->OnHint();
    const TNotifyEvent FOnRestore = Application->OnRestore();
    const TShowHintEvent FOnShowHint = Application->OnShowHint();
};

// A form with a tray icon and an application component, both with a handler for OnMinimize.
const std::string TrayAndApplication = "object Main: TForm\n"
                                       "  object Tray: TQELSystemTray\n"
                                       "    Enabled = True\n"
                                       "    OnMinimize = TrayMinimize\n"
                                       "  end\n"
                                       "  object App: TQELApplication\n"
                                       "    ApplicationTitle = 'Tray and application'\n"
                                       "    OnMinimize = AppMinimize\n"
                                       "  end\n"
                                       "end\n";

const std::string DuplicateMessage =
    "You can have one and ONLY ONE\r\nTQELApplication Component\r\n in a project and it must be on the Mainform";

} // namespace

TEST_F(ApplicationComponent, StartsWithTheApplicationsValuesSoLoadingItUnchangedChangesNothing)
{
    Application->SetTitle("Before");
    Application->SetHintColor(TColor(0x123456));
    Application->SetHintPause(500);
    Application->SetShowHint(false);
    TForm form(nullptr);
    auto* app = new TQELApplication(&form);
    EXPECT_EQ(app->About(), "(About)");
    EXPECT_EQ(app->ApplicationTitle(), "Before");
    EXPECT_EQ(app->HintColor(), 0x123456);
    EXPECT_EQ(app->HintPause(), 500);
    EXPECT_FALSE(app->ShowHint());
    EXPECT_NE(app->ApplicationIcon()->Handle(), Application->Icon()->Handle());
    EXPECT_EQ(app->ApplicationIcon()->Data(), Application->Icon()->Data());
    delete app;

    const TBytes icon = Application->Icon()->Data();
    auto loaded = Log.Read("object Main: TForm\n"
                           "  object App: TQELApplication\n"
                           "  end\n"
                           "end\n");
    EXPECT_EQ(Application->Title(), "Before");
    EXPECT_EQ(Application->HintColor(), 0x123456);
    EXPECT_EQ(Application->HintPause(), 500);
    EXPECT_FALSE(Application->ShowHint());
    EXPECT_EQ(Application->Icon()->Data(), icon);
}

TEST_F(ApplicationComponent, StoresOnlyTheValuesThatDifferFromTheDeclaredDefaults)
{
    Application->SetHintColor(TColor(0x80FFFF));
    Application->SetHintPause(800);
    Application->SetShowHint(true);
    Application->SetTitle("Stored title");
    TForm form(nullptr);
    auto* app = new TQELApplication(&form);
    app->SetName("App");
    std::string text = StoredText(form);
    EXPECT_EQ(text.find("HintColor"), std::string::npos) << text;
    EXPECT_EQ(text.find("HintPause"), std::string::npos) << text;
    EXPECT_EQ(text.find("ShowHint"), std::string::npos) << text;
    EXPECT_NE(text.find("    ApplicationIcon.Data = {"), std::string::npos) << text;
    EXPECT_NE(text.find("    ApplicationTitle = 'Stored title'\n"), std::string::npos) << text;

    app->SetHintColor(TColor(255));
    app->SetHintPause(100);
    app->SetShowHint(false);
    text = StoredText(form);
    EXPECT_NE(text.find("    HintColor = 255\n    HintPause = 100\n"), std::string::npos) << text;
    EXPECT_NE(text.find("    ShowHint = False\n"), std::string::npos) << text;
}

TEST_F(ApplicationComponent, AHintPauseLeftAtTheDefaultKeepsTheApplicationsOwn)
{
    Application->SetHintPause(650);
    auto form = Log.Read("object Main: TForm\n"
                         "  object App: TQELApplication\n"
                         "    ApplicationTitle = 'Paused'\n"
                         "  end\n"
                         "end\n");
    EXPECT_EQ(form->FindComponent("App")->As<TQELApplication>()->HintPause(), 650);
    EXPECT_EQ(Application->HintPause(), 650);
}

TEST_F(ApplicationComponent, LoadedHandsValuesAndAttachedHandlersToTheApplicationOnce)
{
    TRecorder idle;
    Application->SetOnIdle(TIdleEvent(&idle, &TRecorder::Idle)); // the form attaches none
    TIcon warning;
    warning.SetHandle(CopyIcon(LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_WARNING))));
    TForm designed(nullptr);
    auto* source = new TQELApplication(&designed);
    source->SetIcon(&warning);
    source->SetName("App");
    source->SetHintColor(TColor(255));
    source->SetHintPause(100);
    source->SetShowHint(false);
    source->SetApplicationTitle("Applied");
    std::string text = StoredText(designed);
    text.insert(text.find("  end"), "    OnHint = AppHint\n    OnMinimize = AppMinimize\n    OnRestore = AppRestore\n");
    delete source;

    auto form = Log.Read(text);
    auto* app = form->FindComponent("App")->As<TQELApplication>();
    EXPECT_EQ(Application->Title(), "Applied");
    EXPECT_EQ(WindowText(Application->Handle()), "Applied");
    EXPECT_EQ(Application->HintColor(), 255);
    EXPECT_EQ(Application->HintPause(), 100);
    EXPECT_FALSE(Application->ShowHint());
    EXPECT_EQ(Application->Icon()->Data(), warning.Data());
    EXPECT_EQ(Application->OnIdle(), TIdleEvent(&idle, &TRecorder::Idle));

    Application->SetHint("hello");
    ShowWindow(Application->Handle(), SW_SHOWNORMAL);
    Application->Minimize();
    Application->Restore();
    EXPECT_EQ(Log.Lines, (std::vector<std::string>{"App.OnHint Sender=TApplication", "App.OnMinimize Sender=TApplication",
                                                   "App.OnRestore Sender=TApplication"}));

    // Later changes stay in the component.
    app->SetApplicationTitle("Too late");
    app->SetHintPause(1);
    EXPECT_EQ(Application->Title(), "Applied");
    EXPECT_EQ(Application->HintPause(), 100);
}

TEST_F(ApplicationComponent, ItsMinimiseAndRestoreHandlersReplaceATrayIconsOnTheSameForm)
{
    ShowWindow(Application->Handle(), SW_SHOWNORMAL);
    auto form = Log.Read(TrayAndApplication);
    Application->Minimize();
    EXPECT_EQ(Log.Lines, (std::vector<std::string>{"App.OnMinimize Sender=TApplication"}));
    EXPECT_TRUE(IsWindowVisible(Application->Handle())); // the tray did not take it off the taskbar
    // The tray's restore handler is still there.
    auto* tray = form->FindComponent("Tray")->As<TQELSystemTray>();
    EXPECT_EQ(Application->OnRestore(), TNotifyEvent(tray, &TQELSystemTray::HandleRestore));
}

TEST_F(ApplicationComponent, OnlyOneMayExistEvenOnAnotherFormAndARefusedOneLeavesTheCount)
{
    TForm form(nullptr);
    TForm other(nullptr);
    auto* first = new TQELApplication(&form);
    EXPECT_EQ(ErrorMessageOf<QELTApplication::EQELDuplicateError>([&] { new TQELApplication(&other); }),
              DuplicateMessage);
    EXPECT_EQ(other.ComponentCount(), 0);
    delete first;
    EXPECT_NO_THROW(delete new TQELApplication(&other));

    TForm designer(nullptr);
    designer.SetDesigning(true);
    auto* designed = new TQELApplication(&designer);
    EXPECT_EQ(ErrorMessageOf<QELTApplication::EQELDuplicateError>([&] { new TQELApplication(&designer); }),
              DuplicateMessage);
    delete designed;
    EXPECT_NO_THROW(new TQELApplication(&designer));
}

TEST_F(ApplicationComponent, InTheDesignerLoadedAppliesItsValuesToo)
{
    TForm designer(nullptr);
    designer.SetDesigning(true);
    TReader("object Main: TForm\n"
            "  object App: TQELApplication\n"
            "    ApplicationTitle = 'Designer title'\n"
            "  end\n"
            "end\n")
        .ReadRootComponent(&designer);
    EXPECT_EQ(Application->Title(), "Designer title");
}

TEST_F(ApplicationComponent, DestroyedItTakesBackTheHandlersTheApplicationStillHoldsFromIt)
{
    TRecorder recorder;
    Application->SetOnActivate(TNotifyEvent(&recorder, &TRecorder::Notify)); // not the component's
    auto form = Log.Read("object Main: TForm\n"
                         "  object App: TQELApplication\n"
                         "    ApplicationTitle = 'Taken back'\n"
                         "    OnHint = AppHint\n"
                         "    OnIdle = AppIdle\n"
                         "    OnMinimize = AppMinimize\n"
                         "    OnRestore = AppRestore\n"
                         "  end\n"
                         "end\n");
    ASSERT_TRUE(Application->OnHint());
    Application->SetOnRestore(TNotifyEvent(&recorder, &TRecorder::Notify)); // replaced since
    form.reset();
    EXPECT_FALSE(Application->OnHint());
    EXPECT_FALSE(Application->OnIdle());
    EXPECT_FALSE(Application->OnMinimize());
    EXPECT_EQ(Application->OnRestore(), TNotifyEvent(&recorder, &TRecorder::Notify));
    EXPECT_EQ(Application->OnActivate(), TNotifyEvent(&recorder, &TRecorder::Notify));
    Application->SetHint("nobody listens"); // would call into what the form left behind
    EXPECT_TRUE(Log.Lines.empty());
}

TEST_F(ApplicationComponent, DestroyedItPutsBackTheHandlersItFound)
{
    TRecorder recorder;
    Application->SetOnMinimize(TNotifyEvent(&recorder, &TRecorder::Notify));
    auto form = Log.Read("object Main: TForm\n"
                         "  object App: TQELApplication\n"
                         "    OnMinimize = AppMinimize\n"
                         "  end\n"
                         "end\n");
    ASSERT_NE(Application->OnMinimize(), TNotifyEvent(&recorder, &TRecorder::Notify));
    form.reset();
    EXPECT_EQ(Application->OnMinimize(), TNotifyEvent(&recorder, &TRecorder::Notify));
}

// With a tray icon on the same form, whichever of the two goes first, the application ends with the
// handler it had before either came, and never with one of a component that is gone.
TEST_F(ApplicationComponent, WithATrayIconEitherMayGoFirst)
{
    ShowWindow(Application->Handle(), SW_SHOWNORMAL);
    TRecorder recorder;
    const TNotifyEvent before(&recorder, &TRecorder::Notify);
    for (bool applicationFirst : {true, false}) {
        Application->SetOnMinimize(before);
        Log.Lines.clear();
        auto form = Log.Read(TrayAndApplication);
        auto* tray = form->FindComponent("Tray")->As<TQELSystemTray>();
        if (applicationFirst) {
            delete form->FindComponent("App");
            EXPECT_EQ(Application->OnMinimize(), TNotifyEvent(tray, &TQELSystemTray::HandleMinimize));
            Application->Minimize();
            Application->Restore();
            EXPECT_EQ(Log.Lines, std::vector<std::string>{"Tray.OnMinimize Sender=TApplication"})
                << "the tray hears the minimise again";
        } else
            delete tray;
        form.reset();
        EXPECT_EQ(Application->OnMinimize(), before) << (applicationFirst ? "application first" : "tray first");
    }
    Application->Minimize();
    Application->Restore();
    EXPECT_EQ(recorder.Calls, 1);
}

// Made in code, with a handler of the program's own class, it hands everything over when its form is
// finished, as one read from a description does when its form is loaded; once.
TEST_F(ApplicationComponent, MadeInCodeItHandsItsValuesAndHandlersOverWhenItIsFinished)
{
    TRecorder recorder;
    TForm form(nullptr);
    auto* app = new TQELApplication(&form);
    app->SetApplicationTitle("Made in code");
    app->SetHintPause(123);
    app->SetOnHint(TNotifyEvent(&recorder, &TRecorder::Notify));
    EXPECT_NE(Application->Title(), "Made in code");
    form.Finish();
    EXPECT_EQ(Application->Title(), "Made in code");
    EXPECT_EQ(WindowText(Application->Handle()), "Made in code");
    EXPECT_EQ(Application->HintPause(), 123);
    Application->SetHint("made");
    EXPECT_EQ(recorder.Calls, 1);

    Application->SetTitle("Changed since");
    form.Finish();
    EXPECT_EQ(Application->Title(), "Changed since") << "once";
    delete app;
    EXPECT_FALSE(Application->OnHint());
}
