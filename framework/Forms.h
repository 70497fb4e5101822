// Forms, the application object and the screen.
#pragma once

#include "framework/Controls.h"
#include "framework/Graphics.h"

#include <algorithm>
#include <string>
#include <vector>

enum TFormBorderStyle : std::uint8_t { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
inline const TEnumInfo& EnumTypeInfo(TFormBorderStyle)
{
    static const TEnumInfo info{"TFormBorderStyle",
                                {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"}};
    return info;
}

enum TWindowState : std::uint8_t { wsNormal, wsMinimized, wsMaximized };
inline const TEnumInfo& EnumTypeInfo(TWindowState)
{
    static const TEnumInfo info{"TWindowState", {"wsNormal", "wsMinimized", "wsMaximized"}};
    return info;
}

enum TPosition : std::uint8_t { poDesigned, poScreenCenter };
inline const TEnumInfo& EnumTypeInfo(TPosition)
{
    static const TEnumInfo info{"TPosition", {"poDesigned", "poScreenCenter"}};
    return info;
}

enum TCloseAction : std::uint8_t { caNone, caHide, caFree, caMinimize };
inline const TEnumInfo& EnumTypeInfo(TCloseAction)
{
    static const TEnumInfo info{"TCloseAction", {"caNone", "caHide", "caFree", "caMinimize"}};
    return info;
}

struct TCloseEvent : TEvent<TObject*, TCloseAction&> {
    using TEvent::TEvent;
    static constexpr std::string_view TypeName = "TCloseEvent";
    static constexpr std::array<std::string_view, 2> ParamNames{"Sender", "Action"};
};

using TModalResult = int;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = 1;
inline constexpr TModalResult mrCancel = 2;
inline constexpr TModalResult mrAbort = 3;
inline constexpr TModalResult mrRetry = 4;
inline constexpr TModalResult mrIgnore = 5;
inline constexpr TModalResult mrYes = 6;
inline constexpr TModalResult mrNo = 7;
inline constexpr TModalResult mrAll = 8;

// Event slots of an object taken over by components that do not own it (a form's OnShow taken over by
// a form saver and by an explode animation, the application's OnMinimize by a tray icon and by an
// application component), each keeping the handler it found there, to call it from its own or to put
// it back. Like window procedures (HookWindowProc), the takers form a chain in which the last one is
// called first, and a record of who stands in front of whom lets them leave in any order: a taker
// whose handler the slot still holds gives the slot back; one behind another hands the taker in front
// of it the handler to call instead. Takers on one slot must all go through this record, and install
// and remove their handlers in the slot itself (TForm's ShowSlot and the others).
//
// An owner may let its own handler go under the takers: Assign puts it at the end of the chain, where
// the taker furthest behind calls it, and Own reads it from there (TForm does so for OnShow and the
// others). The application object's slots are plain: assigning one replaces whatever it holds.
template <class E>
class TEventChain {
public:
    // handler takes over slot: previous receives what the slot holds (unless that is handler itself,
    // put back by someone else: previous then stays). The caller installs handler in the slot.
    static void TakeOver(const E& slot, const E& handler, E& previous)
    {
        Links().push_back({&slot, handler, &previous}); // first: the only step that can fail
        if (slot != handler)
            previous = slot;
    }
    // Takes handler out of the chain of slot. True when the slot itself holds it: the caller then puts
    // back the handler its previous holds. False when it was not in the chain, or stood behind another.
    static bool GiveBack(const E& slot, const E& handler)
    {
        auto& links = Links();
        const auto own = Find(slot, handler);
        if (own == links.end())
            return false;
        const E previous = *own->Previous;
        links.erase(own);
        // Whoever called handler calls what handler called (also a taker the application had cut out
        // of a plain slot, which may still put back what it saved).
        for (TLink& link : links)
            if (link.Slot == &slot && *link.Previous == handler)
                *link.Previous = previous;
        return slot == handler;
    }
    // Sets the handler at the end of slot's chain: the slot itself while no one has taken it over.
    static void Assign(E& slot, const E& handler)
    {
        E* end = ChainEnd(slot);
        *(end ? end : &slot) = handler;
    }
    // The handler at the end of slot's chain.
    static const E& Own(const E& slot)
    {
        const E* end = ChainEnd(slot);
        return end ? *end : slot;
    }

private:
    struct TLink {
        const E* Slot;
        E Handler;
        E* Previous;
    };
    // Made once and never destroyed: takers may leave while static objects go away at exit.
    static std::vector<TLink>& Links()
    {
        static auto* links = new std::vector<TLink>();
        return *links;
    }
    static typename std::vector<TLink>::iterator Find(const E& slot, const E& handler)
    {
        auto& links = Links();
        return std::find_if(links.begin(), links.end(),
                            [&](const TLink& link) { return link.Slot == &slot && link.Handler == handler; });
    }
    // Where the handler the last taker behind the others calls is kept; null when none took slot over.
    static E* ChainEnd(const E& slot)
    {
        E* end = nullptr;
        const E* current = &slot;
        for (std::size_t steps = 0; steps <= Links().size(); ++steps) {
            const auto link = Find(slot, *current);
            if (link == Links().end())
                break;
            end = link->Previous;
            current = end;
        }
        return end;
    }
};

// A top-level window. Its window class is named after the form's class, and it is an owned window of
// the application's window, which carries the taskbar button.
class TForm : public TWinControl {
    QEL_CLASS(TForm)
public:
    explicit TForm(TComponent* owner);
    ~TForm() override;

    TFormBorderStyle BorderStyle() const noexcept { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle style); // takes a new window
    TPosition Position() const noexcept { return FPosition; }
    void SetPosition(TPosition position);
    // Follows the real window: a form minimised or maximised by the user reads so.
    TWindowState WindowState() const;
    void SetWindowState(TWindowState state);
    bool Ctl3D() const noexcept { return FCtl3D; }
    void SetCtl3D(bool ctl3D) { FCtl3D = ctl3D; }
    TFont* Font() const noexcept { return FFont; }
    void SetFont(TFont* font);
    HFONT FontHandle() override;
    // The control that gets the keyboard focus when the form is activated; the form keeps it up to
    // date as it loses activation. Without one, the first control in tab order gets the focus.
    TWinControl* ActiveControl() const noexcept { return FActiveControl; }
    void SetActiveControl(TWinControl* control);

    // Showing finishes the form first, and everything made on it in code (TComponent::Finish).
    void SetVisible(bool visible) override;
    // Runs OnClose; then hides, minimises or frees the form as the handler decides. Closing the main
    // form ends the application; closing a modal form ends its modal loop.
    void Close();
    // Shows the form modally and returns its ModalResult once that is set (Close sets mrCancel).
    TModalResult ShowModal();
    TModalResult ModalResult() const noexcept { return FModalResult; }
    void SetModalResult(TModalResult result) { FModalResult = result; }
    // Frees the form once the messages pending for it have been handled.
    void Release();

    // The form's own handlers: what SetOnShow and the others set, what a description names and what
    // the designer writes. Components that take one of these events over (a form saver, an explode
    // animation) stand in front of the form's own handler and call it; assigning the handler while
    // they do sets it under them, so that they go on working whatever the order of making them and
    // assigning it, and reading it gives the handler assigned, not a component's.
    const TNotifyEvent& OnShow() const { return TEventChain<TNotifyEvent>::Own(FOnShow); }
    void SetOnShow(const TNotifyEvent& event) { TEventChain<TNotifyEvent>::Assign(FOnShow, event); }
    const TNotifyEvent& OnHide() const { return TEventChain<TNotifyEvent>::Own(FOnHide); }
    void SetOnHide(const TNotifyEvent& event) { TEventChain<TNotifyEvent>::Assign(FOnHide, event); }
    const TCloseEvent& OnClose() const { return TEventChain<TCloseEvent>::Own(FOnClose); }
    void SetOnClose(const TCloseEvent& event) { TEventChain<TCloseEvent>::Assign(FOnClose, event); }
    const TNotifyEvent& OnPaint() const { return TEventChain<TNotifyEvent>::Own(FOnPaint); }
    void SetOnPaint(const TNotifyEvent& event) { TEventChain<TNotifyEvent>::Assign(FOnPaint, event); }
    // The slots the form fires, for the components that take its events over through TEventChain: they
    // hold the handler of the component standing in front, or the form's own handler while none does.
    TNotifyEvent& ShowSlot() noexcept { return FOnShow; }
    TNotifyEvent& HideSlot() noexcept { return FOnHide; }
    TCloseEvent& CloseSlot() noexcept { return FOnClose; }
    TNotifyEvent& PaintSlot() noexcept { return FOnPaint; }

    bool HasParent() const override { return false; }
    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint(HDC dc) override;
    void ReadCompleted() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    void CenterOnScreen();
    void FontChange(TObject* sender);
    bool FocusActiveControl();
    void RememberActiveControl();
    // Enter or Escape that no control took: the default or cancel button acts (VK_RETURN, VK_ESCAPE).
    void DialogKey(WPARAM key);
    void EndModal(const std::vector<HWND>& disabled, HWND activeWindow);
    // Whether the window on the screen holds the window state: not while it is hidden or OnShow runs,
    // nor in the designer, where the state is a designed value.
    bool WindowHoldsState() const;

    TFormBorderStyle FBorderStyle = bsSizeable;
    TPosition FPosition = poDesigned;
    TWindowState FWindowState = wsNormal;
    bool FCtl3D = true;
    TFont* FFont;
    TWinControl* FActiveControl = nullptr;
    TModalResult FModalResult = mrNone;
    bool FModal = false;
    // From OnShow until the window is shown: WindowState answers the state the form will show in.
    bool FShowing = false;
    TNotifyEvent FOnShow;
    TNotifyEvent FOnHide;
    TCloseEvent FOnClose;
    TNotifyEvent FOnPaint;
};

// Event types of the application object.
struct TExceptionEvent : TEvent<TObject*, Exception&> {
    using TEvent::TEvent;
    static constexpr std::string_view TypeName = "TExceptionEvent";
    static constexpr std::array<std::string_view, 2> ParamNames{"Sender", "E"};
};
std::string EventArgText(const Exception& e);
inline std::string_view TypeName(const Exception*)
{
    return "Exception";
}

// The help request: the handler sets Handled when it gave the help, and may clear CallHelp.
struct THelpEvent : TEvent<std::uint16_t, int, bool&, bool&> {
    using TEvent::TEvent;
    static constexpr std::string_view TypeName = "THelpEvent";
    static constexpr std::array<std::string_view, 4> ParamNames{"Command", "Data", "CallHelp", "Handled"};
};

struct TIdleEvent : TEvent<TObject*, bool&> {
    using TEvent::TEvent;
    static constexpr std::string_view TypeName = "TIdleEvent";
    static constexpr std::array<std::string_view, 2> ParamNames{"Sender", "Done"};
};

struct TMessageEvent : TEvent<MSG&, bool&> {
    using TEvent::TEvent;
    static constexpr std::string_view TypeName = "TMessageEvent";
    static constexpr std::array<std::string_view, 2> ParamNames{"Msg", "Handled"};
};
std::string EventArgText(const MSG& message);
inline std::string_view TypeName(const MSG*)
{
    return "MSG";
}

// What a hint about to be shown says and where; a TShowHintEvent handler may change it.
struct THintInfo {
    TControl* HintControl = nullptr;
    POINT CursorPos{0, 0};
    int HintMaxWidth = 0;
    TColor HintColor = clInfoBk;
    int HideTimeout = 0;
};
std::string EventArgText(const THintInfo& info);
inline std::string_view TypeName(const THintInfo*)
{
    return "THintInfo";
}

struct TShowHintEvent : TEvent<std::string&, bool&, THintInfo&> {
    using TEvent::TEvent;
    static constexpr std::string_view TypeName = "TShowHintEvent";
    static constexpr std::array<std::string_view, 3> ParamNames{"HintStr", "CanShow", "HintInfo"};
};

class TApplication : public TComponent {
    QEL_CLASS(TApplication)
public:
    explicit TApplication(TComponent* owner);
    ~TApplication() override;

    // The application's window: top-level, of class "TApplication", zero-sized, titled Title. It
    // carries the taskbar button; the forms are owned windows of it.
    HWND Handle();
    const std::string& Title() const noexcept { return FTitle; }
    void SetTitle(const std::string& title);
    TIcon* Icon() const noexcept { return FIcon; }
    void SetIcon(TIcon* icon); // takes a copy
    TColor HintColor() const noexcept { return FHintColor; }
    void SetHintColor(TColor color) { FHintColor = color; }
    int HintPause() const noexcept { return FHintPause; }
    void SetHintPause(int milliseconds) { FHintPause = milliseconds; }
    bool ShowHint() const noexcept { return FShowHint; }
    void SetShowHint(bool showHint) { FShowHint = showHint; }
    const std::string& Hint() const noexcept { return FHint; }
    void SetHint(const std::string& hint); // fires OnHint
    std::string ExeName() const;

    TForm* MainForm() const noexcept { return FMainForm; }
    // Creates a form of class T owned by the application; the first form created is the main form.
    template <class T>
    void CreateForm(T*& reference)
    {
        reference = new T(this);
        if (!FMainForm)
            FMainForm = reference;
    }
    // Adopts a form built elsewhere (read from a description) as the main form when there is none.
    void SetMainForm(TForm* form);

    // Finishes what the application owns that is not finished yet (forms and components made in code,
    // see TComponent::Finish), shows the main form and dispatches messages until Terminate.
    void Run();
    // Handles every message waiting in the queue, then returns.
    void ProcessMessages();
    // Waits for and handles one message (running OnIdle when the queue is empty).
    void HandleMessage();
    // Ends Run, and the modal loops running: modal forms answer Cancel, an open menu closes.
    void Terminate();
    bool Terminated() const noexcept { return FTerminated; }
    // Reports the exception being handled (call it from a catch block): to OnException when assigned,
    // else in a message box.
    void HandleException(TObject* sender);
    int MessageBox(const std::string& text, const std::string& caption, UINT flags = MB_OK);
    void Minimize();
    // Brings the minimised application back: its window, its forms, then OnRestore. The same happens
    // when another program restores the application's window (ShowWindow with SW_RESTORE).
    void Restore();

    const TNotifyEvent& OnActivate() const noexcept { return FOnActivate; }
    void SetOnActivate(const TNotifyEvent& event) { FOnActivate = event; }
    const TNotifyEvent& OnDeactivate() const noexcept { return FOnDeactivate; }
    void SetOnDeactivate(const TNotifyEvent& event) { FOnDeactivate = event; }
    const TExceptionEvent& OnException() const noexcept { return FOnException; }
    void SetOnException(const TExceptionEvent& event) { FOnException = event; }
    const THelpEvent& OnHelp() const noexcept { return FOnHelp; }
    void SetOnHelp(const THelpEvent& event) { FOnHelp = event; }
    const TIdleEvent& OnIdle() const noexcept { return FOnIdle; }
    void SetOnIdle(const TIdleEvent& event) { FOnIdle = event; }
    const TMessageEvent& OnMessage() const noexcept { return FOnMessage; }
    void SetOnMessage(const TMessageEvent& event) { FOnMessage = event; }
    const TNotifyEvent& OnMinimize() const noexcept { return FOnMinimize; }
    void SetOnMinimize(const TNotifyEvent& event) { FOnMinimize = event; }
    const TNotifyEvent& OnHint() const noexcept { return FOnHint; }
    void SetOnHint(const TNotifyEvent& event) { FOnHint = event; }
    const TNotifyEvent& OnRestore() const noexcept { return FOnRestore; }
    void SetOnRestore(const TNotifyEvent& event) { FOnRestore = event; }
    const TShowHintEvent& OnShowHint() const noexcept { return FOnShowHint; }
    void SetOnShowHint(const TShowHintEvent& event) { FOnShowHint = event; }

    // Asks for help: OnHelp decides; returns whether help was given.
    bool HelpCommand(std::uint16_t command, int data);
    // Lets OnShowHint adjust a hint about to be shown; returns whether it may show.
    bool DoShowHint(std::string& hintText, THintInfo& info);

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    bool ProcessMessage(MSG& message);
    // Keyboard messages for a form's controls get the dialog treatment: Tab moves the focus, Enter and
    // Escape press the default and cancel buttons, Alt+key an accelerator.
    bool IsDialogKeyMessage(MSG& message);
    void Idle();
    void ReportUnfinished();
    void WndProc(TMessage& message);
    // The application's window has just left the minimised state.
    void Restored();
    // The Windows session ends (WM_ENDSESSION): closes the forms, destroys the components and ends
    // the process.
    [[noreturn]] void EndSession();

    TWindowHandle FHandle;
    WNDPROC FObjectInstance = nullptr;
    std::string FTitle;
    TIcon* FIcon;
    TColor FHintColor = TColor(0x80FFFF); // light yellow
    int FHintPause = 800;
    bool FShowHint = true;
    std::string FHint;
    TForm* FMainForm = nullptr;
    bool FTerminated = false;
    bool FIconic = false; // the window's state as the window procedure last saw it
    TNotifyEvent FOnActivate;
    TNotifyEvent FOnDeactivate;
    TExceptionEvent FOnException;
    THelpEvent FOnHelp;
    TIdleEvent FOnIdle;
    TMessageEvent FOnMessage;
    TNotifyEvent FOnMinimize;
    TNotifyEvent FOnHint;
    TNotifyEvent FOnRestore;
    TShowHintEvent FOnShowHint;
};

class TScreen : public TComponent {
    QEL_CLASS(TScreen)
public:
    explicit TScreen(TComponent* owner);
    int Width() const;
    int Height() const;
};

// The one application object and the one screen of the process. The application's forms and the
// components on them are destroyed when the program ends normally.
extern TApplication* const Application;
extern TScreen* const Screen;

// The orderly halt: destroys everything the application object owns (the forms and the components on
// them, a form still being read included), as a normal end does, then ends the process with exitCode.
// Meant for the user-interface thread; it does not return.
[[noreturn]] void Halt(int exitCode);
