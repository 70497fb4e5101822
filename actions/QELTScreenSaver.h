// TQELScreenSaver reads and sets whether the screen saver is active and its time-out, straight from
// and to the system's settings, and starts it on Execute. The settings apply for the session; they
// are not saved in the user's profile.
#pragma once

#include "foundation/QELSystem.h"

class TQELScreenSaver : public TQELExecuteComponent {
    QEL_CLASS(TQELScreenSaver)
public:
    using TQELExecuteComponent::TQELExecuteComponent;

    // Starts the screen saver when it is active, through the owner form's window (WM_SYSCOMMAND,
    // SC_SCREENSAVE), and returns true; an inactive one is left alone (true as well). An owner that
    // is not a form raises EInvalidCast when the screen saver is active; without an owner there is no
    // window to start it from, and the result is false.
    bool Execute() override;

    // Both act on the system at once, also in the designer, and both are stored with the values read
    // at the time, so loading a form applies them.
    bool Active() const;
    void SetActive(bool active);
    int Seconds() const;
    void SetSeconds(int seconds);
};
