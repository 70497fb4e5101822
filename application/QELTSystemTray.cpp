// The system tray icon.
#include "application/QELTSystemTray.h"

#include "framework/Forms.h"
#include "framework/Strings.h"

#include <cstring>

QEL_CLASS_INFO(TQELSystemTray, TQELSystemsComponent)
{
    using C = TQELSystemTray;
    return {
        Prop("Enabled", &C::Enabled, &C::SetEnabled).Default(false),
        Prop("Hint", &C::Hint, &C::SetHint),
        Prop("PopupMenu", &C::PopupMenu, &C::SetPopupMenu),
        Prop("NormalIcon", &C::NormalIcon, &C::SetNormalIcon).Default(false),
        Prop("OnClick", &C::OnClick, &C::SetOnClick),
        Prop("OnDblClick", &C::OnDblClick, &C::SetOnDblClick),
        Prop("OnRightClick", &C::OnRightClick, &C::SetOnRightClick),
        Prop("OnMinimize", &C::OnMinimize, &C::SetOnMinimize),
        Prop("OnRestore", &C::OnRestore, &C::SetOnRestore),
    };
}

QEL_OPERATIONS(TQELSystemTray)
{
    using C = TQELSystemTray;
    return {
        Operation(&C::SetIcon, "SetIcon(Icon)", "shows a copy of Icon in the tray"),
        Operation(&C::FillTray, "FillTray()",
                  "adds the icon to the tray when it is wanted there (EOutOfResources when the shell refuses)"),
        Operation(&C::EmptyTray, "EmptyTray()", "takes the icon out of the tray"),
        Operation(&C::UpdateTray, "UpdateTray()", "refreshes the icon and its tip in the tray"),
        Operation(&C::HandleMinimize, "HandleMinimize(Sender)",
                  "the application's OnMinimize while the component holds it: hides the taskbar button and shows "
                  "the icon"),
        Operation(&C::HandleRestore, "HandleRestore(Sender)",
                  "the application's OnRestore while the component holds it: brings the taskbar button back"),
        Operation(&C::HandleRightClick, "HandleRightClick(Sender)",
                  "opens PopupMenu at the cursor when it may, then fires OnRightClick"),
        Operation(&C::WndProc, "WndProc(Message)",
                  "the hidden window's procedure: the clicks on the icon, the retries, a restarted shell"),
    };
}

namespace {

constexpr UINT TrayCallback = WM_USER + 1;
// The first version of the notification record (88 bytes), which every shell takes, and its tip: 63
// characters in a single-byte code page, fewer where characters take more than a byte (cut between them).
constexpr DWORD RecordSize = NOTIFYICONDATAA_V1_SIZE;
constexpr std::size_t TipLength = 63;
// An add refused while the form is read is tried again this often, this many times.
constexpr UINT_PTR RetryTimer = 1;
constexpr UINT RetryInterval = 1000;
constexpr int RetryCount = 30;

// Broadcast by the shell when it starts (again): the icons it had are gone.
UINT TaskbarCreatedMessage()
{
    static const UINT message = RegisterWindowMessageA("TaskbarCreated");
    return message;
}

} // namespace

TQELSystemTray::TQELSystemTray(TComponent* owner) : TQELSystemsComponent(owner)
{
    FTrayIcon.Assign(Application->Icon());
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    FShellAvailable = GetVersionExA(&version) && version.dwMajorVersion >= 4;
    if (Designing())
        return;
    FWindow = TUtilWindowHandle(AllocateHWnd(TWndMethod(this, &TQELSystemTray::WndProc)));
    FRecord.cbSize = RecordSize;
    FRecord.hWnd = FWindow.Get();
    FRecord.uID = 0;
    FRecord.uFlags = NIF_MESSAGE | NIF_ICON;
    FRecord.uCallbackMessage = TrayCallback;
    FRecord.hIcon = FTrayIcon.Handle();
    SetTip(FHint.empty() ? Application->Title() : FHint);
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    FMinimized = GetWindowPlacement(Application->Handle(), &placement) && placement.showCmd == SW_SHOWMINIMIZED;
    // Taken over last: nothing after this can fail.
    TEventChain<TNotifyEvent>::TakeOver(Application->OnMinimize(), MinimizeHandler(), FPrevMinimize);
    try {
        TEventChain<TNotifyEvent>::TakeOver(Application->OnRestore(), RestoreHandler(), FPrevRestore);
    } catch (...) {
        (void)TEventChain<TNotifyEvent>::GiveBack(Application->OnMinimize(), MinimizeHandler());
        throw;
    }
    Application->SetOnMinimize(MinimizeHandler());
    Application->SetOnRestore(RestoreHandler());
}

TQELSystemTray::~TQELSystemTray()
{
    if (Designing())
        return;
    // What the application held before goes back where it still holds this component's handlers; an
    // application component that replaced them since puts back what it found instead.
    if (TEventChain<TNotifyEvent>::GiveBack(Application->OnMinimize(), MinimizeHandler()))
        Application->SetOnMinimize(FPrevMinimize);
    if (TEventChain<TNotifyEvent>::GiveBack(Application->OnRestore(), RestoreHandler()))
        Application->SetOnRestore(FPrevRestore);
    if (FEnabled) {
        EmptyTray();
        ShowMinimizedApplication();
    }
}

void TQELSystemTray::Notification(TComponent* component, TOperation operation)
{
    TQELSystemsComponent::Notification(component, operation);
    if (operation == opRemove && component == FPopupMenu)
        FPopupMenu = nullptr;
}

void TQELSystemTray::SetEnabled(bool enabled)
{
    FEnabled = enabled;
    if (Designing())
        return;
    if (FEnabled && (FMinimized || FNormalIcon))
        FillTray();
    else {
        EmptyTray();
        ShowMinimizedApplication();
    }
}

void TQELSystemTray::SetHint(const std::string& hint)
{
    if (hint == FHint)
        return;
    FHint = hint;
    if (Designing())
        return;
    SetTip(hint);
    UpdateTray();
}

void TQELSystemTray::SetPopupMenu(TPopupMenu* menu)
{
    FPopupMenu = menu;
    if (menu)
        menu->FreeNotification(this);
}

void TQELSystemTray::SetNormalIcon(bool normalIcon)
{
    FNormalIcon = normalIcon;
    if (Designing())
        return;
    if (!FNormalIcon && FEnabled && !FMinimized)
        EmptyTray();
    if (FNormalIcon && FEnabled)
        FillTray();
}

// The component's own copy goes into the record: the caller may free its icon.
void TQELSystemTray::SetIcon(TIcon* icon)
{
    FTrayIcon.Assign(icon);
    FRecord.hIcon = FTrayIcon.Handle();
    UpdateTray();
}

void TQELSystemTray::SetTip(const std::string& tip)
{
    std::memset(FRecord.szTip, 0, sizeof FRecord.szTip);
    const std::string shown = AnsiLeftBytes(tip, TipLength);
    std::memcpy(FRecord.szTip, shown.data(), shown.size());
    if (tip.empty())
        FRecord.uFlags &= ~static_cast<UINT>(NIF_TIP);
    else
        FRecord.uFlags |= NIF_TIP;
}

void TQELSystemTray::FillTray()
{
    if (!FEnabled || !FShellAvailable || !FOutOfTray || AddIcon())
        return;
    if (!ComponentState().Contains(csLoading))
        throw EOutOfResources("Cannot create shell notification Icon");
    // Failing here would fail the whole form.
    FRetriesLeft = RetryCount;
    (void)SetTimer(FWindow.Get(), RetryTimer, RetryInterval, nullptr);
}

bool TQELSystemTray::AddIcon()
{
    if (!Shell_NotifyIconA(NIM_ADD, &FRecord))
        return false;
    FOutOfTray = false;
    StopRetrying();
    return true;
}

void TQELSystemTray::RetryAdd()
{
    if (!FEnabled || !(FMinimized || FNormalIcon) || !FOutOfTray) {
        StopRetrying();
        return;
    }
    if (AddIcon() || --FRetriesLeft > 0)
        return;
    StopRetrying();
    throw EOutOfResources("Cannot create shell notification Icon");
}

void TQELSystemTray::StopRetrying()
{
    if (FRetriesLeft == 0)
        return;
    FRetriesLeft = 0;
    (void)KillTimer(FWindow.Get(), RetryTimer);
}

void TQELSystemTray::EmptyTray()
{
    StopRetrying();
    if (FShellAvailable)
        (void)Shell_NotifyIconA(NIM_DELETE, &FRecord);
    FOutOfTray = true;
}

void TQELSystemTray::UpdateTray()
{
    if (FEnabled && FShellAvailable && !Designing())
        (void)Shell_NotifyIconA(NIM_MODIFY, &FRecord);
}

// Without its icon, an application minimised into the tray would have no way back: its taskbar button
// returns.
void TQELSystemTray::ShowMinimizedApplication()
{
    if (FMinimized && !IsWindowVisible(Application->Handle()))
        (void)ShowWindow(Application->Handle(), SW_SHOWMINNOACTIVE);
}

// The message comes from every program that broadcasts it, not only from a shell that lost its icons: an
// icon the shell still has is refreshed, one it lost is added again. An application minimised into the
// tray whose icon the shell refuses gets its taskbar button back.
void TQELSystemTray::ShellRestarted()
{
    if (Shell_NotifyIconA(NIM_MODIFY, &FRecord))
        return;
    FOutOfTray = true;
    try {
        FillTray();
    } catch (...) {
        ShowMinimizedApplication();
        throw;
    }
}

void TQELSystemTray::HandleMinimize(TObject* sender)
{
    if (FEnabled) {
        Application->SetIcon(&FTrayIcon);
        FRecord.hIcon = FTrayIcon.Handle();
        (void)ShowWindow(Application->Handle(), SW_HIDE);
        if (!FOutOfTray)
            UpdateTray();
        else {
            try {
                FillTray();
            } catch (...) {
                (void)ShowWindow(Application->Handle(), SW_SHOWMINNOACTIVE);
                Application->HandleException(this);
            }
        }
    }
    FMinimized = true;
    FOnMinimize(sender);
}

void TQELSystemTray::HandleRestore(TObject* sender)
{
    if (FEnabled) {
        (void)ShowWindow(Application->Handle(), SW_RESTORE);
        if (!FNormalIcon)
            EmptyTray();
    }
    FOnRestore(sender);
    FMinimized = false;
}

void TQELSystemTray::HandleRightClick(TObject* sender)
{
    POINT cursor{0, 0};
    (void)GetCursorPos(&cursor);
    if (FPopupMenu && (!IsWindowVisible(Application->Handle()) || FNormalIcon))
        FPopupMenu->Popup(cursor.x, cursor.y);
    FOnRightClick(sender, mbRight, TShiftState{}, cursor.x, cursor.y);
}

void TQELSystemTray::WndProc(TMessage& message)
{
    try {
        if (message.Msg == TrayCallback) {
            // The long parameter names the mouse message; the result is left alone.
            switch (static_cast<UINT>(message.LParam)) {
            case WM_LBUTTONUP:
                FOnClick(this);
                break;
            case WM_LBUTTONDBLCLK:
                FOnDblClick(this);
                break;
            case WM_RBUTTONUP:
                HandleRightClick(this);
                break;
            default:
                break;
            }
            return;
        }
        if (message.Msg == WM_TIMER && message.WParam == RetryTimer) {
            RetryAdd();
            return;
        }
        if (message.Msg == TaskbarCreatedMessage() && !FOutOfTray)
            ShellRestarted();
    } catch (...) {
        Application->HandleException(this);
    }
    message.Result = DefWindowProcA(FWindow.Get(), message.Msg, message.WParam, message.LParam);
}
