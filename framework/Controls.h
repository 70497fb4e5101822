// Window procedures bound to objects, and the control classes: TControl (a rectangle on a parent) and
// TWinControl (a real window, created on first request of its handle).
#pragma once

#include "framework/Component.h"
#include "framework/Win32.h"
#include "framework/Win32Handles.h"

#include <string>
#include <vector>

// A window message as the framework hands it to window procedures and event handlers.
struct TMessage {
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
};
std::string EventArgText(const TMessage& message);
std::string EventArgText(const RECT& rect);
inline std::string_view TypeName(const TMessage*)
{
    return "TMessage";
}
inline std::string_view TypeName(const RECT*)
{
    return "RECT";
}

// A window procedure written as a method: it receives the message and sets its Result.
struct TWndMethod : TEvent<TMessage&> {
    using TEvent::TEvent;
    static constexpr std::string_view TypeName = "TWndMethod";
    static constexpr std::array<std::string_view, 1> ParamNames{"Message"};
};

// A mouse event: which button, the keys and buttons held down, and the point.
enum TMouseButton : std::uint8_t { mbLeft, mbRight, mbMiddle };
inline const TEnumInfo& EnumTypeInfo(TMouseButton)
{
    static const TEnumInfo info{"TMouseButton", {"mbLeft", "mbRight", "mbMiddle"}};
    return info;
}
enum TShiftStateFlag : std::uint8_t { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
inline const TEnumInfo& EnumTypeInfo(TShiftStateFlag)
{
    static const TEnumInfo info{
        "TShiftStateFlag", {"ssShift", "ssAlt", "ssCtrl", "ssLeft", "ssRight", "ssMiddle", "ssDouble"}, "TShiftState"};
    return info;
}
using TShiftState = TSet<TShiftStateFlag>;

struct TMouseEvent : TEvent<TObject*, TMouseButton, TShiftState, int, int> {
    using TEvent::TEvent;
    static constexpr std::string_view TypeName = "TMouseEvent";
    static constexpr std::array<std::string_view, 5> ParamNames{"Sender", "Button", "Shift", "X", "Y"};
};

// Makes a plain window procedure, distinct for each call, that hands every message to method and
// returns the message's Result to the system. An exception that escapes the method goes to
// Application->HandleException instead of unwinding through the system's frames.
//
// Each procedure is a 16-byte thunk of machine code that hands the address of its own cell, as an extra
// first argument, to one common dispatcher, which calls the method the cell holds (for x86_64 through
// a stub at the end of the thunks' block that makes the frame for the fifth argument; see
// Controls.cpp). Thunks are made on demand, one allocation granule (64 KiB: 4096 thunks on i686, 4092
// and the stub on x86_64) at a time: the block is allocated read-write, every thunk in it is written,
// then it is switched to execute-read (and the instruction cache flushed) before any thunk is handed
// out. No memory is ever writable and executable at once, and code is never written again: the
// methods live in the cells, in ordinary memory. There is no limit but memory (EOutOfResources when
// the system refuses a block). Freed thunks are used again; blocks are kept for the life of the
// process, and a freed thunk that a window still calls passes its messages to DefWindowProcA.
WNDPROC MakeObjectInstance(const TWndMethod& method);
void FreeObjectInstance(WNDPROC instance);
// Calls a window procedure as CallWindowProcA does. One made by MakeObjectInstance is called straight,
// without the system's round trip: in a chain of subclassers that is most of the cost of each link.
LRESULT CallWindowProcFast(WNDPROC proc, HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

// Subclassing a window with object procedures, several on one window forming a chain in which the
// last installed sees a message first. Each subclasser keeps the procedure it replaced in a field of
// its own (previous) and passes messages on to it. Removing one that is not the last installed does not
// break the chain: the one installed after it is handed its previous procedure instead. When a
// procedure installed by other code (a raw SetWindowLongA) sits in front and calls the removed one, the
// framework keeps that instance alive, passing messages on, until the window is destroyed; the owner
// still calls FreeObjectInstance as usual. Removing from a window that no longer exists just forgets
// the entry.
void HookWindowProc(HWND window, WNDPROC instance, WNDPROC& previous);
void UnhookWindowProc(HWND window, WNDPROC instance);

// A hidden window whose messages go to method; DeallocateHWnd destroys it and frees its procedure.
HWND AllocateHWnd(const TWndMethod& method);
void DeallocateHWnd(HWND window);
using TUtilWindowHandle = TUniqueHandle<HWND, &DeallocateHWnd>;

class TWinControl;

class TControl : public TComponent {
    QEL_CLASS(TControl)
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    TWinControl* Parent() const noexcept { return FParent; }
    virtual void SetParent(TWinControl* parent);

    int Left() const { return BoundsRect().left; }
    int Top() const { return BoundsRect().top; }
    int Width() const;
    int Height() const;
    void SetLeft(int left);
    void SetTop(int top);
    void SetWidth(int width);
    void SetHeight(int height);
    // A negative width or height is taken as 0; a place so far out that the right or bottom edge would
    // pass the range of int moves back by what is missing, keeping the size.
    virtual void SetBounds(int left, int top, int width, int height);
    // Position in the parent's client area (on the screen for a top-level window), size included.
    virtual RECT BoundsRect() const;

    bool Visible() const noexcept { return FVisible; }
    virtual void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }

    // A windowed control's caption is its window's text, which the user may have edited.
    std::string Caption() const { return GetText(); }
    void SetCaption(const std::string& caption);
    // The same text under the name edit controls give it.
    std::string Text() const { return GetText(); }
    void SetText(const std::string& text) { SetCaption(text); }

    // The client area in client coordinates, and the screen position of its top-left corner.
    virtual RECT ClientRect() const;
    int ClientWidth() const;
    int ClientHeight() const;
    void SetClientWidth(int width);
    void SetClientHeight(int height);
    virtual POINT ClientOrigin() const;

    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* parent) override;

    // Draws a control that has no window of its own into its parent's device context (parent client
    // coordinates); a windowed control draws into its own.
    virtual void Paint(HDC dc);

    // The font the control draws with changed (its form's font).
    virtual void FontChanged() {}
    // An accelerator key (Alt+key) pressed in the control's form: a control that takes it acts and
    // returns true.
    virtual bool DialogChar(char key);

protected:
    virtual std::string GetText() const { return FCaption; }
    virtual void TextChanged() {}
    // Asks the parent to repaint the control's rectangle (a control without a window draws itself
    // inside its parent's paint).
    void Invalidate();
    virtual void SetClientSize(int width, int height);

    RECT FBounds{0, 0, 0, 0};
    bool FVisible = true;
    std::string FCaption;

private:
    TWinControl* FParent = nullptr;
};

class TWinControl : public TControl {
    QEL_CLASS(TWinControl)
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    // The window, created on first request (with the parent's window first).
    HWND Handle();
    bool HandleAllocated() const noexcept { return static_cast<bool>(FHandle); }
    // Destroys the window and creates it again, for properties that only a new window can take.
    void RecreateWnd();

    int ControlCount() const noexcept { return static_cast<int>(FControls.size()); }
    TControl* Controls(int index) const; // EListError when out of bounds

    RECT BoundsRect() const override;
    RECT ClientRect() const override;
    POINT ClientOrigin() const override;
    void SetBounds(int left, int top, int width, int height) override;
    void SetVisible(bool visible) override;
    void SetParent(TWinControl* parent) override;

    void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const override;

    // The font of the control's text: its parent's, up to the form that sets it.
    virtual HFONT FontHandle();
    void FontChanged() override;
    bool DialogChar(char key) override;

    // The window procedure of the control's window: handles what the framework needs and passes the
    // rest to DefaultHandler.
    virtual void WndProc(TMessage& message);
    // The procedure the window had before the framework took it over (the class's own).
    void DefaultHandler(TMessage& message);

protected:
    struct TCreateParams {
        std::string WinClassName;
        std::string Caption;
        DWORD Style = 0;
        DWORD ExStyle = 0;
        int X = 0, Y = 0, Width = 0, Height = 0;
        HWND WndParent = nullptr;
        UINT ClassStyle = CS_DBLCLKS;
        HBRUSH Background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        bool SystemClass = false; // a predefined class (COMBOBOX, BUTTON, ...): not registered here
    };
    virtual void CreateParams(TCreateParams& params);
    virtual void CreateWnd();
    virtual void DestroyWnd();
    // Called once the window exists and runs the framework's procedure.
    virtual void CreateWindowHandle() {}
    void Paint(HDC dc) override;
    std::string GetText() const override;
    void TextChanged() override;
    void SetClientSize(int width, int height) override;
    // Called by WndProc when the window moved or was resized by the system or the user.
    virtual void BoundsChanged() {}
    // Reads the window's bounds back into the fields after the system changed them.
    void UpdateBoundsFromWindow();
    bool IsSystemClass() const noexcept { return FSystemClass; }

private:
    friend class TControl;
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    void PaintControls(HDC dc);

    TWindowHandle FHandle;
    WNDPROC FObjectInstance = nullptr;
    WNDPROC FDefWndProc = nullptr;
    bool FSystemClass = false;
    std::vector<TControl*> FControls;
};

// The window handle's object, when the window belongs to a framework control.
TWinControl* FindControl(HWND window);

// Notifications a parent reflects to the child control they concern (WM_COMMAND from a button or a
// combo box arrives at the child as CN_COMMAND, an owner-drawn button's WM_DRAWITEM as CN_DRAWITEM, a
// common control's WM_NOTIFY as CN_NOTIFY).
inline constexpr UINT CN_BASE = 0xBC00;
inline constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
inline constexpr UINT CN_DRAWITEM = CN_BASE + WM_DRAWITEM;
inline constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;
// Sent by a form to its controls' windows when Enter or Escape (WParam: VK_RETURN, VK_ESCAPE) was
// pressed and no control wanted it; the default or cancel button answers 1 and acts.
inline constexpr UINT CM_DIALOGKEY = 0xB000;
