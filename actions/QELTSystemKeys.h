// TQELSystemKeys sets the Caps Lock, Num Lock and Scroll Lock states of the calling thread's keyboard
// state table through its properties.
#pragma once

#include "foundation/QELSystem.h"

class TQELSystemKeys : public TQELSystemsComponent {
    QEL_CLASS(TQELSystemKeys)
public:
    // Reads the three toggle states.
    explicit TQELSystemKeys(TComponent* owner);

    // Each reads the state read at construction or last set here, not the live key state. Setting one
    // writes 1 (on) or 0 (off) as the key's whole entry in the thread's keyboard state table, which
    // also clears its key-down bit; the designer acts on its own table too.
    bool CapsLock() const noexcept { return FCapsLock; }
    void SetCapsLock(bool on);
    bool NumLock() const noexcept { return FNumLock; }
    void SetNumLock(bool on);
    bool ScrollLock() const noexcept { return FScrollLock; }
    void SetScrollLock(bool on);

private:
    bool FCapsLock = false;
    bool FNumLock = false;
    bool FScrollLock = false;
};
