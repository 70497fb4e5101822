// The application object on real windows: its window and the forms it owns, minimising and restoring
// through the main form, the message loop and its events, Run and Terminate (in a child process, since
// a terminated application stays so), exceptions raised in window procedures; object window
// procedures and their pool, hidden utility windows, the timer, icons and the screen.
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/Graphics.h"

#include "tests/framework/WindowTesting.h"
#include "tests/support/Processes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

using namespace WindowTesting;

namespace {

constexpr UINT ProbeMessage = WM_APP + 17;

// Receives window messages and application events for the tests.
class TProbe : public TComponent {
public:
    TProbe() : TComponent(nullptr) {}

    void WndProc(TMessage& message)
    {
        if (message.Msg == ProbeMessage) {
            Log.push_back(Name() + ":" + std::to_string(message.WParam));
            if (Previous)
                message.Result = CallWindowProcA(Previous, Window, message.Msg, message.WParam + 1, message.LParam);
            else
                message.Result = static_cast<LRESULT>(message.WParam) * 10;
            return;
        }
        if (message.Msg == WM_APP + 18)
            throw Exception("boom");
        if (message.Msg == WM_APP + 19)
            throw std::runtime_error("standard trouble");
        if (message.Msg == WM_APP + 20)
            throw 42;
        message.Result = DefWindowProcA(Window, message.Msg, message.WParam, message.LParam);
    }

    void Notify(TObject* sender) { Senders.push_back(sender); }
    void ExceptionRaised(TObject* sender, Exception& e)
    {
        Senders.push_back(sender);
        Messages.push_back(e.Message());
    }
    void Idle(TObject*, bool& done)
    {
        ++IdleCalls;
        done = false;
    }
    void MessageArrived(MSG& message, bool& handled)
    {
        if (message.message == ProbeMessage) {
            Messages.push_back("seen " + std::to_string(message.wParam));
            handled = message.wParam == 1;
        }
    }
    void Help(std::uint16_t command, int data, bool&, bool& handled)
    {
        Messages.push_back("help " + std::to_string(command) + " " + std::to_string(data));
        handled = true;
    }

    HWND Window = nullptr;
    WNDPROC Previous = nullptr;
    std::vector<std::string> Log;
    std::vector<TObject*> Senders;
    std::vector<std::string> Messages;
    int IdleCalls = 0;
};

// Restores the application's events a test replaced.
struct TApplicationEventsGuard {
    TExceptionEvent OnException = Application->OnException();
    TNotifyEvent OnMinimize = Application->OnMinimize();
    TNotifyEvent OnRestore = Application->OnRestore();
    TIdleEvent OnIdle = Application->OnIdle();
    TMessageEvent OnMessage = Application->OnMessage();
    THelpEvent OnHelp = Application->OnHelp();
    ~TApplicationEventsGuard()
    {
        Application->SetOnException(OnException);
        Application->SetOnMinimize(OnMinimize);
        Application->SetOnRestore(OnRestore);
        Application->SetOnIdle(OnIdle);
        Application->SetOnMessage(OnMessage);
        Application->SetOnHelp(OnHelp);
    }
};

} // namespace

// ---------------------------------------------------------------------------------------------------
// The application's window and its forms

TEST(ApplicationWindow, AZeroSizedTopLevelWindowOfClassTApplicationTitledTitle)
{
    HWND window = Application->Handle();
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(WindowClass(window), "TApplication");
    EXPECT_EQ(WindowText(window), Application->Title());
    EXPECT_EQ(GetWindow(window, GW_OWNER), nullptr);
    EXPECT_EQ(GetParent(window), nullptr);
    EXPECT_FALSE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    RECT r{};
    GetWindowRect(window, &r);
    EXPECT_EQ(r.right - r.left, 0);
    EXPECT_EQ(r.bottom - r.top, 0);

    const std::string title = Application->Title();
    Application->SetTitle("Another title");
    EXPECT_EQ(WindowText(window), "Another title");
    Application->SetTitle(title);
    // The default title is the program's name.
    std::string exe = Application->ExeName();
    exe = exe.substr(exe.find_last_of('\\') + 1);
    EXPECT_EQ(title, exe.substr(0, exe.find_last_of('.')));
    EXPECT_EQ(GetFileAttributesA(Application->ExeName().c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

TEST(ApplicationWindow, FormsAreOwnedWindowsOfTheApplicationWindow)
{
    auto form = std::make_unique<TForm>(Application);
    HWND window = form->Handle();
    EXPECT_EQ(GetWindow(window, GW_OWNER), Application->Handle());
    EXPECT_FALSE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_EQ(form->Owner(), Application);
}

TEST(ApplicationWindow, TheIconIsACopyAndTheHintSettingsHaveTheirDefaults)
{
    EXPECT_FALSE(Application->Icon()->Empty());
    EXPECT_EQ(Application->HintColor(), 0x80FFFF);
    EXPECT_EQ(Application->HintPause(), 800);
    EXPECT_TRUE(Application->ShowHint());

    TIcon icon;
    icon.SetHandle(CopyIcon(LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_WARNING))));
    TIcon previous;
    previous.Assign(Application->Icon());
    Application->SetIcon(&icon);
    EXPECT_NE(Application->Icon()->Handle(), icon.Handle());
    EXPECT_EQ(Application->Icon()->Data(), icon.Data());
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(Application->Handle(), WM_GETICON, ICON_BIG, 0)),
              Application->Icon()->Handle());
    Application->SetIcon(&previous);
}

// ---------------------------------------------------------------------------------------------------
// Minimising and restoring

TEST(ApplicationMinimize, MinimisingTheMainFormMinimisesTheApplication)
{
    TApplicationEventsGuard guard;
    TProbe probe;
    Application->SetOnMinimize(TNotifyEvent(&probe, &TProbe::Notify));
    Application->SetOnRestore(TNotifyEvent(&probe, &TProbe::Notify));
    ASSERT_EQ(Application->MainForm(), nullptr);
    TForm* raw = nullptr;
    Application->CreateForm(raw);
    std::unique_ptr<TForm> mainForm(raw);
    ASSERT_EQ(Application->MainForm(), mainForm.get());
    auto other = std::make_unique<TForm>(Application);
    ShowWindow(Application->Handle(), SW_SHOWNORMAL);
    mainForm->Show();
    other->Show();

    SendMessageA(mainForm->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(IsIconic(Application->Handle()));
    EXPECT_EQ(probe.Senders, (std::vector<TObject*>{Application}));
    EXPECT_EQ(mainForm->WindowState(), wsMinimized);
    // The forms go with their owner.
    EXPECT_FALSE(IsWindowVisible(mainForm->Handle()));
    EXPECT_FALSE(IsWindowVisible(other->Handle()));
    EXPECT_TRUE(mainForm->Visible());

    // The taskbar button restores the application window.
    SendMessageA(Application->Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(IsIconic(Application->Handle()));
    EXPECT_EQ(probe.Senders, (std::vector<TObject*>{Application, Application}));
    EXPECT_EQ(mainForm->WindowState(), wsNormal);
    EXPECT_TRUE(IsWindowVisible(mainForm->Handle()));
    EXPECT_TRUE(IsWindowVisible(other->Handle()));

    // The same through the main form's WindowState.
    mainForm->SetWindowState(wsMinimized);
    EXPECT_TRUE(IsIconic(Application->Handle()));
    EXPECT_FALSE(IsIconic(mainForm->Handle()));
    EXPECT_EQ(mainForm->WindowState(), wsMinimized);
    mainForm->SetWindowState(wsNormal);
    EXPECT_FALSE(IsIconic(Application->Handle()));
    EXPECT_EQ(probe.Senders.size(), 4u);

    other.reset();
    mainForm.reset();
    EXPECT_EQ(Application->MainForm(), nullptr);
    ShowWindow(Application->Handle(), SW_HIDE);
}

// ---------------------------------------------------------------------------------------------------
// Object window procedures and utility windows

TEST(ApplicationObjectInstances, ChainsOfInstancesCallTheirMethodsInOrder)
{
    TProbe base, first, second;
    base.SetName("base");
    first.SetName("first");
    second.SetName("second");
    HWND window = AllocateHWnd(TWndMethod(&base, &TProbe::WndProc));
    base.Window = first.Window = second.Window = window;

    WNDPROC firstProc = MakeObjectInstance(TWndMethod(&first, &TProbe::WndProc));
    WNDPROC secondProc = MakeObjectInstance(TWndMethod(&second, &TProbe::WndProc));
    EXPECT_NE(firstProc, secondProc);
    first.Previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(firstProc)));
    second.Previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(secondProc)));

    EXPECT_EQ(SendMessageA(window, ProbeMessage, 1, 0), 30);
    EXPECT_EQ(second.Log, (std::vector<std::string>{"second:1"}));
    EXPECT_EQ(first.Log, (std::vector<std::string>{"first:2"}));
    EXPECT_EQ(base.Log, (std::vector<std::string>{"base:3"}));

    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(first.Previous));
    FreeObjectInstance(secondProc);
    FreeObjectInstance(firstProc);
    EXPECT_EQ(SendMessageA(window, ProbeMessage, 5, 0), 50);
    DeallocateHWnd(window);
    EXPECT_FALSE(IsWindow(window));
}

// More instances than one block of thunks holds: each one its own procedure calling its own method,
// none of them in memory that can be written, and those freed are used again.
TEST(ApplicationObjectInstances, GrowOnDemandInMemoryThatIsNeverWritable)
{
    constexpr int count = 5000;
    std::vector<std::unique_ptr<TProbe>> probes;
    std::vector<WNDPROC> procs;
    for (int i = 0; i < count; ++i) {
        probes.push_back(std::make_unique<TProbe>());
        probes.back()->SetName("p" + std::to_string(i));
        procs.push_back(MakeObjectInstance(TWndMethod(probes.back().get(), &TProbe::WndProc)));
    }
    std::vector<WNDPROC> distinct = procs;
    std::sort(distinct.begin(), distinct.end());
    EXPECT_EQ(std::unique(distinct.begin(), distinct.end()), distinct.end());

    for (int i = 0; i < count; ++i) {
        MEMORY_BASIC_INFORMATION memory{};
        ASSERT_EQ(VirtualQuery(reinterpret_cast<void*>(procs[i]), &memory, sizeof memory), sizeof memory);
        ASSERT_EQ(memory.Protect, static_cast<DWORD>(PAGE_EXECUTE_READ)) << "instance " << i;
    }
    // A block is one allocation granule of 16-byte thunks handed out from its start (on x86_64 less
    // the room of the stub at its end). Instances freed by earlier tests are handed out again first,
    // so the block is told by its allocation: the first instance of another block follows the last
    // thunk of the first.
    const auto blockOf = [](WNDPROC proc) {
        MEMORY_BASIC_INFORMATION memory{};
        (void)VirtualQuery(reinterpret_cast<void*>(proc), &memory, sizeof memory);
        return reinterpret_cast<std::uintptr_t>(memory.AllocationBase);
    };
    int second = 1;
    while (second < count && blockOf(procs[second]) == blockOf(procs[second - 1]))
        ++second;
    ASSERT_LT(second, count);
    // The last thunk of the first block: 4096 thunks to a block, 4092 on x86_64.
#ifdef _WIN64
    constexpr std::uintptr_t lastThunk = 65536 - 64 - 16;
#else
    constexpr std::uintptr_t lastThunk = 65536 - 16;
#endif
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(procs[second - 1]) - blockOf(procs[second - 1]), lastThunk);
    for (int i : {0, 1, second - 1, second, count - 1}) {
        EXPECT_EQ(CallWindowProcA(procs[i], nullptr, ProbeMessage, 7, 0), 70);
        EXPECT_EQ(probes[i]->Log, std::vector<std::string>{"p" + std::to_string(i) + ":7"});
    }

    FreeObjectInstance(procs[second]);
    // A freed instance no longer reaches its object.
    EXPECT_EQ(CallWindowProcA(procs[second], nullptr, ProbeMessage, 8, 0), 0);
    EXPECT_EQ(probes[second]->Log.size(), 1u);
    TProbe again;
    WNDPROC reused = MakeObjectInstance(TWndMethod(&again, &TProbe::WndProc));
    EXPECT_EQ(reused, procs[second]);
    EXPECT_EQ(CallWindowProcA(reused, nullptr, ProbeMessage, 9, 0), 90);
    FreeObjectInstance(reused);
    for (int i = 0; i < count; ++i)
        if (i != second)
            FreeObjectInstance(procs[i]);
}

// What an instance's method was handed; it answers with a result of its own, of full width.
class TRecorder : public TComponent {
public:
    TRecorder() : TComponent(nullptr) {}

    void WndProc(TMessage& message)
    {
        Msg = message.Msg;
        WParam = message.WParam;
        LParam = message.LParam;
        Frames = CaptureStackBackTrace(0, static_cast<DWORD>(std::size(Addresses)), Addresses, nullptr);
        message.Result = static_cast<LRESULT>(~message.WParam);
    }

    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    void* Addresses[62] = {};
    USHORT Frames = 0;
};

// Every bit of the message parameters reaches the method and every bit of its result the caller: 64
// of them in the x86_64 build.
TEST(ApplicationObjectInstances, ParametersAndResultKeepTheirFullWidth)
{
    TRecorder recorder;
    WNDPROC proc = MakeObjectInstance(TWndMethod(&recorder, &TRecorder::WndProc));
    const auto wParam = static_cast<WPARAM>(0xFEDCBA9876543210ull);
    const auto lParam = static_cast<LPARAM>(0x8000000180000001ull);
    EXPECT_EQ(CallWindowProcA(proc, nullptr, WM_APP + 7, wParam, lParam), static_cast<LRESULT>(~wParam));
    EXPECT_EQ(recorder.Msg, static_cast<UINT>(WM_APP + 7));
    EXPECT_EQ(recorder.WParam, wParam);
    EXPECT_EQ(recorder.LParam, lParam);
    FreeObjectInstance(proc);
}

#ifdef _WIN64
// An x86_64 thunk reaches its method through a stub of the block's making, whose unwind record the
// system knows: a stack walk from inside the method (as an exception's search makes) passes the stub and
// reaches the code that called the procedure.
TEST(ApplicationObjectInstances, AStackWalkPassesThroughTheStub)
{
    TRecorder recorder;
    WNDPROC proc = MakeObjectInstance(TWndMethod(&recorder, &TRecorder::WndProc));
    (void)CallWindowProcA(proc, nullptr, WM_APP + 7, 0, 0);
    MEMORY_BASIC_INFORMATION block{};
    ASSERT_EQ(VirtualQuery(reinterpret_cast<void*>(proc), &block, sizeof block), sizeof block);
    const auto blockStart = reinterpret_cast<std::uintptr_t>(block.AllocationBase);
    const auto blockEnd = reinterpret_cast<std::uintptr_t>(block.BaseAddress) + block.RegionSize;
    const auto inBlock = [&](void* address) {
        const auto at = reinterpret_cast<std::uintptr_t>(address);
        return at >= blockStart && at < blockEnd;
    };
    const auto inThisProgram = [](void* address) {
        HMODULE module = nullptr;
        return GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                  static_cast<LPCSTR>(address), &module) &&
               module == GetModuleHandleA(nullptr);
    };
    void** const end = recorder.Addresses + recorder.Frames;
    void** const stub = std::find_if(recorder.Addresses, end, inBlock);
    ASSERT_NE(stub, end) << "no frame in the stub among " << recorder.Frames;
    // Beyond the stub: the system's call of the procedure, then this test.
    EXPECT_NE(std::find_if(stub + 1, end, inThisProgram), end) << "the walk ended at the stub";
    FreeObjectInstance(proc);
}
#endif

TEST(ApplicationObjectInstances, AllocateHWndHandsTheWindowsMessagesToTheMethod)
{
    TProbe probe;
    {
        TUtilWindowHandle window(AllocateHWnd(TWndMethod(&probe, &TProbe::WndProc)));
        probe.Window = window.Get();
        EXPECT_FALSE(IsWindowVisible(window.Get()));
        EXPECT_EQ(SendMessageA(window.Get(), ProbeMessage, 4, 0), 40);
        PostMessageA(window.Get(), ProbeMessage, 6, 0);
        Application->ProcessMessages();
        EXPECT_EQ(probe.Log, (std::vector<std::string>{":4", ":6"}));
        EXPECT_EQ(GetParent(window.Get()), nullptr);
    }
    EXPECT_FALSE(IsWindow(probe.Window));
}

// ---------------------------------------------------------------------------------------------------
// Exceptions

TEST(ApplicationExceptions, AnExceptionInAWindowProcedureReachesOnException)
{
    TApplicationEventsGuard guard;
    TProbe probe;
    TUtilWindowHandle window(AllocateHWnd(TWndMethod(&probe, &TProbe::WndProc)));
    probe.Window = window.Get();
    Application->SetOnException(TExceptionEvent(&probe, &TProbe::ExceptionRaised));

    SendMessageA(window.Get(), WM_APP + 18, 0, 0);
    PostMessageA(window.Get(), WM_APP + 19, 0, 0);
    Application->ProcessMessages();
    SendMessageA(window.Get(), WM_APP + 20, 0, 0);
    EXPECT_EQ(probe.Messages, (std::vector<std::string>{"boom", "standard trouble", "Unknown exception"}));
    EXPECT_EQ(probe.Senders, (std::vector<TObject*>{Application, Application, Application}));

    // Also from a form's event, raised while the form paints.
    struct TFailingForm : TForm {
        using TForm::TForm;
        void Fail(TObject*) { throw Exception("paint failed"); }
    };
    auto form = std::make_unique<TFailingForm>(Application);
    form->SetOnPaint(TNotifyEvent(form.get(), &TFailingForm::Fail));
    form->Show();
    UpdateWindow(form->Handle());
    EXPECT_EQ(probe.Messages.back(), "paint failed");
}

TEST(ApplicationExceptions, WithoutOnExceptionTheMessageIsShownInAMessageBox)
{
    TApplicationEventsGuard guard;
    Application->SetOnException({});
    std::string shown;
    TUserAction user([&] {
        HWND box = FindThreadWindow("#32770", Application->Title().c_str());
        if (!box)
            return false;
        for (HWND child : ChildWindows(box))
            if (WindowClass(child) == "Static" && !WindowText(child).empty())
                shown = WindowText(child);
        return PressButton("#32770", Application->Title().c_str(), "OK");
    });
    try {
        throw Exception("Disk is full");
    } catch (...) {
        Application->HandleException(nullptr);
    }
    EXPECT_TRUE(user.Done());
    EXPECT_EQ(shown, "Disk is full.");
}

// ---------------------------------------------------------------------------------------------------
// The message loop

TEST(ApplicationMessageLoop, OnMessageSeesMessagesFirstAndOnIdleRunsWhenTheQueueIsEmpty)
{
    TApplicationEventsGuard guard;
    TProbe probe;
    TUtilWindowHandle window(AllocateHWnd(TWndMethod(&probe, &TProbe::WndProc)));
    probe.Window = window.Get();
    Application->SetOnMessage(TMessageEvent(&probe, &TProbe::MessageArrived));
    PostMessageA(window.Get(), ProbeMessage, 1, 0); // handled by OnMessage: not dispatched
    PostMessageA(window.Get(), ProbeMessage, 2, 0);
    Application->ProcessMessages();
    EXPECT_EQ(probe.Messages, (std::vector<std::string>{"seen 1", "seen 2"}));
    EXPECT_EQ(probe.Log, (std::vector<std::string>{":2"}));

    Application->SetOnIdle(TIdleEvent(&probe, &TProbe::Idle));
    Application->HandleMessage(); // nothing waiting: idle
    EXPECT_EQ(probe.IdleCalls, 1);
    PostMessageA(window.Get(), ProbeMessage, 3, 0);
    Application->HandleMessage(); // one message: no idle
    EXPECT_EQ(probe.IdleCalls, 1);
    EXPECT_EQ(probe.Log.back(), ":3");
    EXPECT_FALSE(Application->Terminated());
}

TEST(ApplicationMessageLoop, HelpCommandAsksOnHelp)
{
    TApplicationEventsGuard guard;
    TProbe probe;
    EXPECT_FALSE(Application->HelpCommand(HELP_CONTEXT, 12));
    Application->SetOnHelp(THelpEvent(&probe, &TProbe::Help));
    EXPECT_TRUE(Application->HelpCommand(HELP_CONTEXT, 12));
    EXPECT_EQ(probe.Messages, (std::vector<std::string>{"help 1 12"}));
}

// Run ends the application for good, so it runs in a child process: this executable started again
// with only the disabled case below.
TEST(ApplicationRun, DISABLED_RunShowsTheMainFormAndEndsWhenItCloses)
{
    TForm* mainForm = nullptr;
    Application->CreateForm(mainForm);
    ASSERT_EQ(Application->MainForm(), mainForm);
    bool formShown = false, applicationShown = false;
    TUserAction user([&] {
        formShown = IsWindowVisible(mainForm->Handle()) != FALSE;
        applicationShown = IsWindowVisible(Application->Handle()) != FALSE;
        mainForm->Close();
        return true;
    });
    Application->Run();
    EXPECT_TRUE(user.Done());
    EXPECT_TRUE(Application->Terminated());
    EXPECT_TRUE(formShown);
    EXPECT_TRUE(applicationShown);
}

TEST(ApplicationRun, RunShowsTheMainFormAndEndsWhenItCloses)
{
    TChildProcess child(
        SelfCommand("--gtest_filter=ApplicationRun.DISABLED_* --gtest_also_run_disabled_tests"));
    const std::optional<DWORD> exitCode = child.Wait(30000);
    ASSERT_TRUE(exitCode.has_value());
    EXPECT_EQ(*exitCode, 0u) << child.Out();
}

// ---------------------------------------------------------------------------------------------------
// TTimer

TEST(ApplicationTimer, TheTimerFiresWhileEnabledAndStartsAgainOnChanges)
{
    TProbe probe;
    auto timer = std::make_unique<TTimer>(nullptr);
    EXPECT_TRUE(timer->Enabled());
    EXPECT_EQ(timer->Interval(), 1000);
    timer->SetInterval(30);
    timer->SetOnTimer(TNotifyEvent(&probe, &TProbe::Notify));
    EXPECT_TRUE(PumpUntil([&] { return probe.Senders.size() >= 3; }));
    EXPECT_EQ(probe.Senders[0], timer.get());

    timer->SetEnabled(false);
    probe.Senders.clear();
    PumpFor(150);
    EXPECT_TRUE(probe.Senders.empty());

    // A long interval set while running restarts the count: no tick for a while.
    timer->SetEnabled(true);
    timer->SetInterval(5000);
    PumpFor(150);
    EXPECT_TRUE(probe.Senders.empty());
    timer->SetInterval(20);
    EXPECT_TRUE(PumpUntil([&] { return !probe.Senders.empty(); }));
    timer->SetInterval(0);
    probe.Senders.clear();
    PumpFor(100);
    EXPECT_TRUE(probe.Senders.empty());
}

TEST(ApplicationTimer, AnExceptionInOnTimerReachesOnException)
{
    TApplicationEventsGuard guard;
    TProbe probe;
    struct TFailing : TComponent {
        TFailing() : TComponent(nullptr) {}
        void Fail(TObject*) { throw Exception("tick failed"); }
    } failing;
    Application->SetOnException(TExceptionEvent(&probe, &TProbe::ExceptionRaised));
    TTimer timer(nullptr);
    timer.SetInterval(20);
    timer.SetOnTimer(TNotifyEvent(&failing, &TFailing::Fail));
    EXPECT_TRUE(PumpUntil([&] { return !probe.Messages.empty(); }));
    timer.SetEnabled(false);
    EXPECT_EQ(probe.Messages[0], "tick failed");
}

// ---------------------------------------------------------------------------------------------------
// TIcon and TScreen

TEST(ApplicationGraphics, IconAssignCopiesTheImageIntoANewHandle)
{
    TIcon original;
    original.SetHandle(CopyIcon(LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_QUESTION))));
    TIcon copy;
    copy.Assign(&original);
    ASSERT_FALSE(copy.Empty());
    EXPECT_NE(copy.Handle(), original.Handle());
    const TBytes data = original.Data();
    EXPECT_FALSE(data.empty());
    EXPECT_EQ(copy.Data(), data);

    TIcon empty;
    copy.Assign(&empty);
    EXPECT_TRUE(copy.Empty());
    EXPECT_TRUE(copy.Data().empty());
    EXPECT_THROW(copy.Assign(Application), EConvertError);
}

TEST(ApplicationGraphics, IconDataRoundTripsAndRejectsOtherBytes)
{
    TIcon original;
    original.SetHandle(CopyIcon(LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_WARNING))));
    const TBytes data = original.Data();
    // The layout of an .ico file: reserved 0, type 1, one image.
    ASSERT_GE(data.size(), 22u);
    EXPECT_EQ(data[0] | data[1] << 8, 0);
    EXPECT_EQ(data[2] | data[3] << 8, 1);
    EXPECT_EQ(data[4] | data[5] << 8, 1);

    TIcon restored;
    restored.SetData(data);
    ASSERT_FALSE(restored.Empty());
    EXPECT_EQ(restored.Data(), data);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(restored.Handle(), &info));
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    EXPECT_TRUE(info.fIcon);

    EXPECT_THROW(restored.SetData(TBytes{1, 2, 3}), EInvalidGraphic);
    TBytes notAnIcon(40, 0);
    notAnIcon[2] = 2; // a cursor directory
    EXPECT_THROW(restored.SetData(notAnIcon), EInvalidGraphic);
    EXPECT_EQ(restored.Data(), data); // bad bytes leave the icon as it was
    restored.SetData({});
    EXPECT_TRUE(restored.Empty());
}

TEST(ApplicationGraphics, TheScreenIsTheDisplay)
{
    EXPECT_EQ(Screen->Width(), GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(Screen->Height(), GetSystemMetrics(SM_CYSCREEN));
    EXPECT_GT(Screen->Width(), 0);
}
