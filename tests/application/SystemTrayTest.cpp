// The system tray icon against Wine's notification area on the X11 driver: what the component hands
// Shell_NotifyIconA (seen through a spy that passes the calls on), the icon's life with the application
// minimised and restored, clicks on the real icon window, the popup menu, the take-over and give-back
// of the application's events, an application minimised into the tray that stays reachable, a refused
// add while the form is read, and the shell's restart (TaskbarCreated), also across processes.
#include "application/QELTApplication.h"
#include "application/QELTSystemTray.h"
#include "tests/application/ApplicationTestSupport.h"
#include "tests/framework/WindowTesting.h"
#include "tests/support/ErrorMessage.h"
#include "tests/support/ImportPatch.h"

#include "framework/Forms.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace WindowTesting;

namespace {

// The shell's own Shell_NotifyIconA, past the spy: what another program would call.
decltype(&Shell_NotifyIconA) RealShellNotifyIcon()
{
    return reinterpret_cast<decltype(&Shell_NotifyIconA)>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("shell32.dll"), "Shell_NotifyIconA")));
}

struct TShellCall {
    DWORD Message;
    NOTIFYICONDATAA Record; // the 88 bytes the shell reads, the rest zero
    BOOL Result;
};

// Records every Shell_NotifyIconA call of the library and passes it on to the shell; FailAdds refuses
// that many NIM_ADD calls first, as a shell without a notification area would.
class TShellSpy {
public:
    TShellSpy() : FPatch("shell32.dll", "Shell_NotifyIconA", &Spy) { Current = this; }
    ~TShellSpy() { Current = nullptr; }
    TShellSpy(const TShellSpy&) = delete;
    TShellSpy& operator=(const TShellSpy&) = delete;

    std::vector<DWORD> Messages() const
    {
        std::vector<DWORD> messages;
        for (const TShellCall& call : Calls)
            messages.push_back(call.Message);
        return messages;
    }
    const NOTIFYICONDATAA& Last() const { return Calls.back().Record; }

    std::vector<TShellCall> Calls;
    int FailAdds = 0;

private:
    static BOOL WINAPI Spy(DWORD message, PNOTIFYICONDATAA data)
    {
        TShellCall call{message, {}, FALSE};
        std::memcpy(&call.Record, data, std::min<std::size_t>(data->cbSize, NOTIFYICONDATAA_V1_SIZE));
        if (message == NIM_ADD && Current->FailAdds > 0)
            --Current->FailAdds;
        else
            call.Result = RealShellNotifyIcon()(message, data);
        Current->Calls.push_back(call);
        return call.Result;
    }
    static inline TShellSpy* Current = nullptr;
    TImportPatch FPatch;
};

// Records the timers the tray's window sets and kills, arming none of them: the test gives the ticks.
// The timers of every other window go to the system.
class TTimerSpy {
public:
    struct TCall {
        HWND Window;
        UINT_PTR Id;
        UINT Interval; // 0 for a kill
        bool operator==(const TCall&) const = default;
    };

    explicit TTimerSpy(const TShellSpy& shell)
        : FShell(shell), FSet("user32.dll", "SetTimer", &SpySetTimer), FKill("user32.dll", "KillTimer", &SpyKillTimer)
    {
        Current = this;
    }
    ~TTimerSpy() { Current = nullptr; }
    TTimerSpy(const TTimerSpy&) = delete;
    TTimerSpy& operator=(const TTimerSpy&) = delete;

    std::vector<TCall> Calls;

private:
    template <class F>
    static F* Real(const char* name)
    {
        return reinterpret_cast<F*>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), name)));
    }
    bool IsTrays(HWND window) const { return !FShell.Calls.empty() && window == FShell.Last().hWnd; }
    static UINT_PTR WINAPI SpySetTimer(HWND window, UINT_PTR id, UINT interval, TIMERPROC proc)
    {
        if (!Current->IsTrays(window))
            return Real<decltype(SetTimer)>("SetTimer")(window, id, interval, proc);
        Current->Calls.push_back({window, id, interval});
        return id;
    }
    static BOOL WINAPI SpyKillTimer(HWND window, UINT_PTR id)
    {
        if (!Current->IsTrays(window))
            return Real<decltype(KillTimer)>("KillTimer")(window, id);
        Current->Calls.push_back({window, id, 0});
        return TRUE;
    }

    static inline TTimerSpy* Current = nullptr;
    const TShellSpy& FShell;
    TImportPatch FSet;
    TImportPatch FKill;
};

// Receives the events the tests attach by hand.
class TRecorder : public TComponent {
public:
    TRecorder() : TComponent(nullptr) {}
    void Notify(TObject* sender) { Senders.push_back(sender); }
    void Raised(TObject*, Exception& e) { Errors.push_back(e.Message()); }
    void RightClick(TObject*, TMouseButton, TShiftState, int, int) { ++RightClicks; }
    std::vector<TObject*> Senders;
    int RightClicks = 0;
    std::vector<std::string> Errors;
};

// Each test starts with the application's window shown and not minimised, as Run leaves it, and its
// title and events as they were; all of it is put back afterwards.
class SystemTray : public testing::Test {
protected:
    SystemTray()
    {
        ShowWindow(Application->Handle(), SW_SHOWNORMAL);
        Application->SetTitle("Tray test");
    }
    ~SystemTray() override
    {
        Application->Restore();
        ShowWindow(Application->Handle(), SW_HIDE);
        Application->SetTitle(FTitle);
        Application->SetOnMinimize(FOnMinimize);
        Application->SetOnRestore(FOnRestore);
        Application->SetOnException(FOnException);
        Application->SetIcon(&FIcon);
    }

    std::unique_ptr<TForm> NewForm() { return std::make_unique<TForm>(Application); }

    const std::string FTitle = Application->Title();
    const TNotifyEvent FOnMinimize = Application->OnMinimize();
    const TNotifyEvent FOnRestore = Application->OnRestore();
    const TExceptionEvent FOnException = Application->OnException();
    TIcon FIcon;
    TShellSpy Shell;

private:
    void SetUp() override { FIcon.Assign(Application->Icon()); }
};

// The window of after that before did not have.
HWND NewWindow(const std::vector<HWND>& before, const std::vector<HWND>& after)
{
    for (HWND window : after)
        if (std::find(before.begin(), before.end(), window) == before.end())
            return window;
    return nullptr;
}

// Takes the icon of window out of the notification area behind the component's back, as a restarting
// shell loses it.
bool LoseIcon(HWND window)
{
    NOTIFYICONDATAA gone{};
    gone.cbSize = NOTIFYICONDATAA_V1_SIZE;
    gone.hWnd = window;
    return RealShellNotifyIcon()(NIM_DELETE, &gone) != FALSE;
}

std::string Tip(const NOTIFYICONDATAA& record)
{
    return std::string(record.szTip, strnlen(record.szTip, sizeof record.szTip));
}

constexpr const char* TrayForm = "object Main: TForm\n"
                                 "  object Tray: TQELSystemTray\n"
                                 "    Enabled = True\n"
                                 "    NormalIcon = True\n"
                                 "    OnClick = TrayClick\n"
                                 "    OnDblClick = TrayDblClick\n"
                                 "    OnRightClick = TrayRightClick\n"
                                 "  end\n"
                                 "end\n";

} // namespace

TEST_F(SystemTray, StartsDisabledAndStoresOnlyWhatDiffers)
{
    auto form = NewForm();
    auto* tray = new TQELSystemTray(form.get());
    tray->SetName("Tray");
    EXPECT_EQ(tray->About(), "(About)");
    EXPECT_FALSE(tray->Enabled());
    EXPECT_EQ(tray->Hint(), "");
    EXPECT_EQ(tray->PopupMenu(), nullptr);
    EXPECT_FALSE(tray->NormalIcon());
    EXPECT_TRUE(Shell.Calls.empty());
    const std::string text = StoredText(*form);
    EXPECT_NE(text.find("object Tray: TQELSystemTray\n    Hint = ''\n  end"), std::string::npos) << text;
}

TEST_F(SystemTray, TheRecordCarriesTheHiddenWindowTheCallbackTheOwnIconAndTheTitleAsTip)
{
    auto form = NewForm();
    auto* tray = new TQELSystemTray(form.get());
    tray->SetNormalIcon(true);
    EXPECT_TRUE(Shell.Calls.empty()); // not enabled yet
    tray->SetEnabled(true);
    ASSERT_EQ(Shell.Messages(), (std::vector<DWORD>{NIM_ADD}));
    EXPECT_TRUE(Shell.Calls[0].Result);
    const NOTIFYICONDATAA& record = Shell.Last();
    // The record's first layout: 88 bytes, 104 with the wider handles of x86_64.
#ifdef _WIN64
    EXPECT_EQ(record.cbSize, 104u);
#else
    EXPECT_EQ(record.cbSize, 88u);
#endif
    EXPECT_EQ(WindowClass(record.hWnd), "TPUtilWindow");
    EXPECT_EQ(GetWindowThreadProcessId(record.hWnd, nullptr), GetCurrentThreadId());
    EXPECT_EQ(record.uID, 0u);
    EXPECT_EQ(record.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(record.uCallbackMessage, 1025u);
    EXPECT_EQ(Tip(record), "Tray test");
    // A copy of the application's icon, owned by the component.
    TIcon shown;
    shown.SetHandle(CopyIcon(record.hIcon));
    EXPECT_NE(record.hIcon, Application->Icon()->Handle());
    EXPECT_EQ(shown.Data(), Application->Icon()->Data());

    // A long hint is cut to 63 characters; the same hint again calls nothing; an empty one drops the tip.
    const std::string hint = std::string(60, 'a') + std::string(40, 'b');
    tray->SetHint(hint);
    EXPECT_EQ(Shell.Messages(), (std::vector<DWORD>{NIM_ADD, NIM_MODIFY}));
    EXPECT_EQ(Tip(Shell.Last()), hint.substr(0, 63));
    tray->SetHint(hint);
    EXPECT_EQ(Shell.Calls.size(), 2u);
    tray->SetHint("");
    EXPECT_EQ(Shell.Last().uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON));
    EXPECT_EQ(Tip(Shell.Last()), "");

    form.reset();
    EXPECT_EQ(Shell.Messages().back(), static_cast<DWORD>(NIM_DELETE));
}

TEST_F(SystemTray, WithoutHintNorTitleTheRecordHasNoTip)
{
    Application->SetTitle("");
    auto form = NewForm();
    auto* tray = new TQELSystemTray(form.get());
    tray->SetNormalIcon(true);
    tray->SetEnabled(true);
    ASSERT_FALSE(Shell.Calls.empty());
    EXPECT_EQ(Shell.Last().uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON));
}

TEST_F(SystemTray, MinimisedTheApplicationLivesInTheTrayAloneAndComesBackOnRestore)
{
    TRecorder recorder;
    auto form = NewForm();
    auto* tray = new TQELSystemTray(form.get());
    tray->SetOnMinimize(TNotifyEvent(&recorder, &TRecorder::Notify));
    tray->SetOnRestore(TNotifyEvent(&recorder, &TRecorder::Notify));
    TIcon icon;
    icon.SetHandle(CopyIcon(LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_WARNING))));
    tray->SetIcon(&icon);
    tray->SetEnabled(true);
    // Not minimised: nothing to show, the icon is taken out (a refused delete does no harm).
    EXPECT_EQ(Shell.Messages(), (std::vector<DWORD>{NIM_DELETE}));

    Application->Minimize();
    EXPECT_FALSE(IsWindowVisible(Application->Handle())); // no taskbar button
    EXPECT_EQ(Shell.Messages(), (std::vector<DWORD>{NIM_DELETE, NIM_ADD}));
    EXPECT_TRUE(Shell.Calls.back().Result);
    EXPECT_EQ(Application->Icon()->Data(), icon.Data()); // the application shows the tray's icon
    EXPECT_EQ(recorder.Senders, (std::vector<TObject*>{Application}));

    Application->Restore();
    EXPECT_TRUE(IsWindowVisible(Application->Handle()));
    EXPECT_FALSE(IsIconic(Application->Handle()));
    EXPECT_EQ(Shell.Messages(), (std::vector<DWORD>{NIM_DELETE, NIM_ADD, NIM_DELETE}));
    EXPECT_EQ(recorder.Senders, (std::vector<TObject*>{Application, Application}));
}

TEST_F(SystemTray, WithNormalIconTheIconStaysThroughMinimiseAndRestore)
{
    auto form = NewForm();
    auto* tray = new TQELSystemTray(form.get());
    tray->SetEnabled(true);
    tray->SetNormalIcon(true);
    EXPECT_EQ(Shell.Messages(), (std::vector<DWORD>{NIM_DELETE, NIM_ADD}));
    Application->Minimize();
    EXPECT_EQ(Shell.Messages().back(), static_cast<DWORD>(NIM_MODIFY));
    Application->Restore();
    EXPECT_EQ(Shell.Calls.size(), 3u); // no delete
    // Turned off while the application is shown, the icon goes.
    tray->SetNormalIcon(false);
    EXPECT_EQ(Shell.Messages().back(), static_cast<DWORD>(NIM_DELETE));
}

TEST_F(SystemTray, EnabledWhileTheApplicationIsMinimisedTheIconIsAdded)
{
    Application->Minimize();
    auto form = NewForm();
    auto* tray = new TQELSystemTray(form.get());
    tray->SetNormalIcon(true);
    tray->SetEnabled(true);
    EXPECT_EQ(Shell.Messages(), (std::vector<DWORD>{NIM_ADD}));
}

TEST_F(SystemTray, ClicksOnTheIconWindowFireTheEventsWithTheComponentAsSender)
{
    TEventLog log;
    const std::vector<HWND> before = TrayIconWindows();
    auto form = log.Read(TrayForm);
    const std::vector<HWND> after = TrayIconWindows();
    ASSERT_EQ(after.size(), before.size() + 1);
    HWND icon = NewWindow(before, after);
    POINT cursor{300, 200};
    SetCursorPos(cursor.x, cursor.y);

    // A double click: up, double click, up.
    PostMessageA(icon, WM_LBUTTONUP, 0, 0);
    PostMessageA(icon, WM_LBUTTONDBLCLK, 0, 0);
    PostMessageA(icon, WM_LBUTTONUP, 0, 0);
    PostMessageA(icon, WM_RBUTTONUP, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return log.Lines.size() >= 4; }));
    EXPECT_EQ(log.Lines, (std::vector<std::string>{"Tray.OnClick Sender=Tray", "Tray.OnDblClick Sender=Tray",
                                                   "Tray.OnClick Sender=Tray",
                                                   "Tray.OnRightClick Sender=Tray Button=mbRight Shift=[] X=300 Y=200"}));
    form.reset();
    EXPECT_EQ(TrayIconWindows().size(), before.size());
}

TEST_F(SystemTray, ARightClickOpensThePopupMenuOnlyWhileTheApplicationIsHiddenOrWithNormalIcon)
{
    TRecorder recorder;
    auto form = NewForm();
    auto* menu = new TPopupMenu(form.get());
    auto* item = new TMenuItem(form.get());
    item->SetCaption("&Show");
    menu->Add(item);
    auto* tray = new TQELSystemTray(form.get());
    tray->SetPopupMenu(menu);
    tray->SetOnMinimize(TNotifyEvent(&recorder, &TRecorder::Notify));
    tray->SetEnabled(true);
    Application->Minimize();
    ASSERT_FALSE(Shell.Calls.empty());
    HWND window = Shell.Last().hWnd;
    SetCursorPos(320, 240);

    // Minimised into the tray: the menu opens at the cursor.
    RECT menuRect{};
    TUserAction pick([&] {
        HWND open = FindThreadWindow("#32768");
        if (!open)
            return false;
        GetWindowRect(open, &menuRect);
        EndMenu();
        return true;
    });
    SendMessageA(window, 1025, 0, WM_RBUTTONUP);
    EXPECT_TRUE(pick.Done());
    EXPECT_EQ(menuRect.left, 320);
    EXPECT_EQ(menuRect.top, 240);

    // Shown, without NormalIcon: no menu.
    Application->Restore();
    {
        bool opened = false;
        TUserAction watch(
            [&] {
                opened = opened || FindThreadWindow("#32768") != nullptr;
                EndMenu();
                return false;
            },
            20, 100000);
        SendMessageA(window, 1025, 0, WM_RBUTTONUP);
        PumpFor(200);
        EXPECT_FALSE(opened);
    }

    // Shown, with NormalIcon: the menu opens.
    tray->SetNormalIcon(true);
    TUserAction again([&] {
        if (!FindThreadWindow("#32768"))
            return false;
        EndMenu();
        return true;
    });
    SendMessageA(window, 1025, 0, WM_RBUTTONUP);
    EXPECT_TRUE(again.Done());

    // The menu freed, the reference goes; a right click then only fires the event.
    delete menu;
    EXPECT_EQ(tray->PopupMenu(), nullptr);
    tray->SetOnRightClick(TMouseEvent(&recorder, &TRecorder::RightClick));
    SendMessageA(window, 1025, 0, WM_RBUTTONUP);
    EXPECT_EQ(recorder.RightClicks, 1);
}

TEST_F(SystemTray, PlacedInTheDesignerItNeverTouchesTheTrayNorTheApplication)
{
    TForm designer(nullptr);
    designer.SetDesigning(true);
    TRecorder recorder;
    Application->SetOnMinimize(TNotifyEvent(&recorder, &TRecorder::Notify));
    auto* tray = new TQELSystemTray(&designer);
    tray->SetEnabled(true);
    tray->SetNormalIcon(true);
    tray->SetHint("Designed");
    EXPECT_EQ(Application->OnMinimize(), TNotifyEvent(&recorder, &TRecorder::Notify));
    delete tray;
    EXPECT_TRUE(Shell.Calls.empty());
}

// ---------------------------------------------------------------------------------------------------
// Mended faults

TEST_F(SystemTray, DestroyedItGivesBackTheApplicationsEventsItStillHolds)
{
    auto form = NewForm();
    auto* tray = new TQELSystemTray(form.get());
    EXPECT_EQ(Application->OnMinimize(), TNotifyEvent(tray, &TQELSystemTray::HandleMinimize));
    EXPECT_EQ(Application->OnRestore(), TNotifyEvent(tray, &TQELSystemTray::HandleRestore));
    delete tray;
    EXPECT_FALSE(Application->OnMinimize());
    EXPECT_FALSE(Application->OnRestore());
    Application->Minimize(); // would call the freed component
    Application->Restore();

    // A handler installed after the component's stays.
    TRecorder recorder;
    tray = new TQELSystemTray(form.get());
    Application->SetOnRestore(TNotifyEvent(&recorder, &TRecorder::Notify));
    delete tray;
    EXPECT_FALSE(Application->OnMinimize());
    EXPECT_EQ(Application->OnRestore(), TNotifyEvent(&recorder, &TRecorder::Notify));
}

TEST_F(SystemTray, DestroyedItPutsBackTheHandlersTheApplicationHadBefore)
{
    TRecorder minimized, restored;
    Application->SetOnMinimize(TNotifyEvent(&minimized, &TRecorder::Notify));
    Application->SetOnRestore(TNotifyEvent(&restored, &TRecorder::Notify));
    auto form = NewForm();
    auto* tray = new TQELSystemTray(form.get());
    EXPECT_EQ(Application->OnMinimize(), TNotifyEvent(tray, &TQELSystemTray::HandleMinimize)) << "replaced";
    delete tray;
    EXPECT_EQ(Application->OnMinimize(), TNotifyEvent(&minimized, &TRecorder::Notify));
    EXPECT_EQ(Application->OnRestore(), TNotifyEvent(&restored, &TRecorder::Notify));
}

TEST_F(SystemTray, AnApplicationMinimisedIntoTheTrayGetsItsTaskbarButtonBackWhenTheIconGoes)
{
    auto form = NewForm();
    auto* tray = new TQELSystemTray(form.get());
    tray->SetEnabled(true);
    Application->Minimize();
    ASSERT_FALSE(IsWindowVisible(Application->Handle()));
    tray->SetEnabled(false);
    EXPECT_EQ(Shell.Messages().back(), static_cast<DWORD>(NIM_DELETE));
    EXPECT_TRUE(IsWindowVisible(Application->Handle()));
    EXPECT_TRUE(IsIconic(Application->Handle()));

    // The same when the component goes.
    tray->SetEnabled(true);
    ShowWindow(Application->Handle(), SW_HIDE); // as minimising into the tray left it
    ASSERT_FALSE(IsWindowVisible(Application->Handle()));
    delete tray;
    EXPECT_TRUE(IsWindowVisible(Application->Handle()));
    EXPECT_TRUE(IsIconic(Application->Handle()));
}

TEST_F(SystemTray, AnIconTheShellRefusesOnMinimiseLeavesTheTaskbarButtonAndIsReported)
{
    TRecorder recorder;
    Application->SetOnException(TExceptionEvent(&recorder, &TRecorder::Raised));
    auto form = NewForm();
    auto* tray = new TQELSystemTray(form.get());
    tray->SetEnabled(true);
    Shell.FailAdds = 1;
    Application->Minimize();
    EXPECT_TRUE(IsWindowVisible(Application->Handle()));
    EXPECT_TRUE(IsIconic(Application->Handle()));
    EXPECT_EQ(recorder.Errors, (std::vector<std::string>{"Cannot create shell notification Icon"}));
}

TEST_F(SystemTray, TheRecordHoldsTheComponentsOwnCopyOfAnIconSet)
{
    auto form = NewForm();
    auto* tray = new TQELSystemTray(form.get());
    tray->SetNormalIcon(true);
    tray->SetEnabled(true);
    auto icon = std::make_unique<TIcon>();
    icon->SetHandle(CopyIcon(LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_QUESTION))));
    const TBytes picture = icon->Data();
    const HICON callers = icon->Handle();
    tray->SetIcon(icon.get());
    icon.reset(); // the caller frees its icon
    ASSERT_EQ(Shell.Messages().back(), static_cast<DWORD>(NIM_MODIFY));
    const HICON shown = Shell.Last().hIcon;
    EXPECT_NE(shown, callers);
    TIcon copy;
    copy.SetHandle(CopyIcon(shown)); // still a valid icon
    EXPECT_EQ(copy.Data(), picture);
}

TEST_F(SystemTray, AnAddRefusedWhileTheFormIsReadIsTriedAgainEverySecond)
{
    TTimerSpy timers(Shell);
    TEventLog log;
    Shell.FailAdds = 2;
    auto form = log.Read(TrayForm); // does not fail
    // Enabled alone, the icon is not wanted yet (taken out); NormalIcon wants it.
    EXPECT_EQ(Shell.Messages(), (std::vector<DWORD>{NIM_DELETE, NIM_ADD}));
    EXPECT_FALSE(Shell.Calls.back().Result);
    // A timer of a second tries again, until the icon is in.
    ASSERT_EQ(timers.Calls.size(), 1u);
    const TTimerSpy::TCall retry = timers.Calls[0];
    EXPECT_EQ(retry.Interval, 1000u);
    SendMessageA(retry.Window, WM_TIMER, retry.Id, 0);
    EXPECT_EQ(Shell.Messages(), (std::vector<DWORD>{NIM_DELETE, NIM_ADD, NIM_ADD}));
    EXPECT_FALSE(Shell.Calls.back().Result);
    EXPECT_EQ(timers.Calls.size(), 1u);
    SendMessageA(retry.Window, WM_TIMER, retry.Id, 0);
    EXPECT_EQ(Shell.Messages(), (std::vector<DWORD>{NIM_DELETE, NIM_ADD, NIM_ADD, NIM_ADD}));
    EXPECT_TRUE(Shell.Calls.back().Result);
    // No more tries once it is in: the timer goes, and a tick already on its way does nothing.
    EXPECT_EQ(timers.Calls, (std::vector<TTimerSpy::TCall>{retry, {retry.Window, retry.Id, 0}}));
    SendMessageA(retry.Window, WM_TIMER, retry.Id, 0);
    EXPECT_EQ(Shell.Calls.size(), 4u);

    // Outside loading a refusal is an error, and the next add tries again.
    auto* tray = form->FindComponent("Tray")->As<TQELSystemTray>();
    tray->SetEnabled(false);
    Shell.FailAdds = 1;
    EXPECT_EQ(ErrorMessageOf<EOutOfResources>([&] { tray->SetEnabled(true); }), "Cannot create shell notification Icon");
    tray->FillTray();
    EXPECT_TRUE(Shell.Calls.back().Result);
}

TEST_F(SystemTray, ShownIconsComeBackWhenTheShellRestarts)
{
    auto form = NewForm();
    auto* tray = new TQELSystemTray(form.get());
    tray->SetEnabled(true);
    ASSERT_EQ(Shell.Messages(), (std::vector<DWORD>{NIM_DELETE}));
    HWND window = Shell.Last().hWnd;
    const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    SendMessageA(window, taskbarCreated, 0, 0); // not shown: nothing to bring back
    EXPECT_EQ(Shell.Calls.size(), 1u);
    tray->SetNormalIcon(true);
    ASSERT_TRUE(LoseIcon(window));
    SendMessageA(window, taskbarCreated, 0, 0);
    EXPECT_EQ(Shell.Messages(), (std::vector<DWORD>{NIM_DELETE, NIM_ADD, NIM_MODIFY, NIM_ADD}));
    EXPECT_TRUE(Shell.Calls.back().Result);
}

TEST_F(SystemTray, ABroadcastWhileTheShellStillHasTheIconOnlyRefreshesIt)
{
    TRecorder recorder;
    Application->SetOnException(TExceptionEvent(&recorder, &TRecorder::Raised));
    auto form = NewForm();
    auto* tray = new TQELSystemTray(form.get());
    tray->SetNormalIcon(true);
    tray->SetEnabled(true);
    ASSERT_EQ(Shell.Messages(), (std::vector<DWORD>{NIM_ADD}));
    // Any program may broadcast the shell's start.
    SendMessageA(Shell.Last().hWnd, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(recorder.Errors.empty());
    // Still known to be in the tray: minimising refreshes it rather than adding it again.
    Application->Minimize();
    EXPECT_TRUE(recorder.Errors.empty());
    EXPECT_EQ(Shell.Messages().back(), static_cast<DWORD>(NIM_MODIFY));
}

TEST_F(SystemTray, AnIconTheRestartedShellRefusesGivesTheApplicationInTheTrayItsTaskbarButtonBack)
{
    TRecorder recorder;
    Application->SetOnException(TExceptionEvent(&recorder, &TRecorder::Raised));
    auto form = NewForm();
    auto* tray = new TQELSystemTray(form.get());
    tray->SetEnabled(true);
    Application->Minimize();
    ASSERT_FALSE(IsWindowVisible(Application->Handle()));
    HWND window = Shell.Last().hWnd;
    ASSERT_TRUE(LoseIcon(window));
    Shell.FailAdds = 1;
    SendMessageA(window, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(IsWindowVisible(Application->Handle()));
    EXPECT_TRUE(IsIconic(Application->Handle()));
    EXPECT_EQ(recorder.Errors, (std::vector<std::string>{"Cannot create shell notification Icon"}));
}

// ---------------------------------------------------------------------------------------------------
// Across processes, through the host program

TEST(SystemTrayHost, ClicksArePrintedAndTheIconComesBackAfterTaskbarCreated)
{
    TDescriptionFile form(TrayForm);
    const std::size_t before = TrayIconWindows().size();
    TChildProcess host(HostCommand("run \"" + form.Path() + "\" --seconds 30"));
    auto iconCount = [] { return TrayIconWindows().size(); };
    auto waitForIcons = [&](std::size_t count) {
        for (int i = 0; i < 500 && iconCount() != count; ++i)
            Sleep(20);
        return iconCount() == count;
    };
    ASSERT_TRUE(waitForIcons(before + 1)) << host.Err();
    PostMessageA(TrayIconWindows().back(), WM_LBUTTONUP, 0, 0);
    EXPECT_TRUE(host.WaitForLine("Tray.OnClick Sender=Tray")) << host.Err();

    // Another program takes the icon out, as a restarting shell loses it, then broadcasts the shell's
    // start. The icon is added again.
    const std::vector<HWND> windows = ProcessWindows(host.ProcessId(), "TPUtilWindow");
    for (HWND window : windows) {
        NOTIFYICONDATAA record{};
        record.cbSize = NOTIFYICONDATAA_V1_SIZE;
        record.hWnd = window;
        (void)Shell_NotifyIconA(NIM_DELETE, &record);
    }
    ASSERT_TRUE(waitForIcons(before));
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0, SMTO_ABORTIFHUNG, 5000,
                        &answer);
    EXPECT_TRUE(waitForIcons(before + 1));
    EXPECT_TRUE(host.Running()) << host.Err();
    host.Kill();
    EXPECT_EQ(host.Err(), "");
}

// The popup menu is a modal loop of the system's: the run's time limit closes it as it closes a dialog,
// and the right click is printed once the menu has gone.
TEST(SystemTrayHost, AMenuStillOpenWhenTheTimeIsUpDoesNotKeepTheProgramRunning)
{
    std::string description = TrayForm;
    description.insert(description.find("  object Tray"), "  object Menu: TPopupMenu\n"
                                                          "    object ShowItem: TMenuItem\n"
                                                          "      Caption = '&Show'\n"
                                                          "    end\n"
                                                          "  end\n");
    description.insert(description.find("    NormalIcon"), "    PopupMenu = Menu\n");
    TDescriptionFile form(description);
    // The menu has to be open when the time is up: a machine too busy to open it in time is given
    // twice as long, and again.
    for (int seconds = 3; seconds <= 48; seconds *= 2) {
        const std::vector<HWND> before = TrayIconWindows();
        TChildProcess host(HostCommand("run \"" + form.Path() + "\" --seconds " + std::to_string(seconds)));
        // Icons of programs ended before may still be going: the new one is the one not there before.
        HWND icon = nullptr;
        for (int i = 0; i < 500 && host.Running() && !(icon = NewWindow(before, TrayIconWindows())); ++i)
            Sleep(20);
        if (icon)
            PostMessageA(icon, WM_RBUTTONUP, 0, 0);
        const bool opened = icon && WaitForProcessWindow(host, "#32768");
        EXPECT_EQ(host.Wait(60000), 0u);
        EXPECT_EQ(host.Err(), "");
        if (!opened)
            continue;
        const std::vector<std::string> lines = host.OutLines();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back().rfind("Tray.OnRightClick Sender=Tray Button=mbRight Shift=[]", 0), 0u) << lines.back();
        return;
    }
    FAIL() << "the menu never opened before the time was up";
}
