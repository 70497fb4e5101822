// A panel that holds other controls, and the timer.
#pragma once

#include "framework/Controls.h"

// A windowed container drawn with a raised bevel, its caption centred.
class TPanel : public TWinControl {
    QEL_CLASS(TPanel)
public:
    explicit TPanel(TComponent* owner);

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint(HDC dc) override;
    void TextChanged() override;
};

// Fires OnTimer every Interval milliseconds while Enabled, through a hidden window of its own.
class TTimer : public TComponent {
    QEL_CLASS(TTimer)
public:
    explicit TTimer(TComponent* owner);

    bool Enabled() const noexcept { return FEnabled; }
    void SetEnabled(bool enabled);
    // Changing the interval starts the count again; 0 stops the timer.
    int Interval() const noexcept { return FInterval; }
    void SetInterval(int milliseconds);
    const TNotifyEvent& OnTimer() const noexcept { return FOnTimer; }
    void SetOnTimer(const TNotifyEvent& event);

private:
    void UpdateTimer();
    void WndProc(TMessage& message);

    bool FEnabled = true;
    int FInterval = 1000;
    TNotifyEvent FOnTimer;
    // Declared last: destroyed first, taking the system timer with it while the fields are valid.
    TUtilWindowHandle FWindow;
};
