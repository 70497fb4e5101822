// TPanel and TTimer.
#include "framework/ExtCtrls.h"

#include "framework/Graphics.h"

// ---------------------------------------------------------------------------------------------------
// TPanel

QEL_CLASS_INFO(TPanel, TWinControl)
{
    return {};
}

TPanel::TPanel(TComponent* owner) : TWinControl(owner)
{
    FBounds = {0, 0, 185, 41};
}

void TPanel::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    // Tab and the arrow keys of the form's dialog handling walk into the panel's controls.
    params.ExStyle |= WS_EX_CONTROLPARENT;
    params.ClassStyle |= CS_HREDRAW | CS_VREDRAW;
}

void TPanel::TextChanged()
{
    TWinControl::TextChanged();
    if (HandleAllocated())
        InvalidateRect(Handle(), nullptr, TRUE);
}

void TPanel::Paint(HDC dc)
{
    RECT r = ClientRect();
    DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
    HGDIOBJ previous = SelectObject(dc, FontHandle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    DrawAnsiText(dc, FCaption, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, previous);
    TWinControl::Paint(dc);
}

// ---------------------------------------------------------------------------------------------------
// TTimer

QEL_CLASS_INFO(TTimer, TComponent)
{
    return {
        Prop("Enabled", &TTimer::Enabled, &TTimer::SetEnabled).Default(true),
        Prop("Interval", &TTimer::Interval, &TTimer::SetInterval).Default(1000),
        Prop("OnTimer", &TTimer::OnTimer, &TTimer::SetOnTimer),
    };
}

namespace {

constexpr UINT_PTR TimerId = 1;

} // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner), FWindow(AllocateHWnd(TWndMethod(this, &TTimer::WndProc)))
{
}

void TTimer::SetEnabled(bool enabled)
{
    if (enabled == FEnabled)
        return;
    FEnabled = enabled;
    UpdateTimer();
}

void TTimer::SetInterval(int milliseconds)
{
    if (milliseconds == FInterval)
        return;
    FInterval = milliseconds;
    UpdateTimer();
}

void TTimer::SetOnTimer(const TNotifyEvent& event)
{
    FOnTimer = event;
    UpdateTimer();
}

// A timer nobody listens to is not worth a system timer.
void TTimer::UpdateTimer()
{
    KillTimer(FWindow.Get(), TimerId);
    if (FEnabled && FInterval > 0 && FOnTimer &&
        !SetTimer(FWindow.Get(), TimerId, static_cast<UINT>(FInterval), nullptr))
        throw EOutOfResources("Not enough timers available");
}

void TTimer::WndProc(TMessage& message)
{
    if (message.Msg == WM_TIMER) {
        FOnTimer(this);
        return;
    }
    message.Result = DefWindowProcA(FWindow.Get(), message.Msg, message.WParam, message.LParam);
}
