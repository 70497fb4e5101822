// The lock keys.
#include "actions/QELTSystemKeys.h"

#include "framework/Win32.h"

#include <array>

QEL_CLASS_INFO(TQELSystemKeys, TQELSystemsComponent)
{
    using C = TQELSystemKeys;
    return {
        Prop("CapsLock", &C::CapsLock, &C::SetCapsLock).Stored(TStored::Never),
        Prop("NumLock", &C::NumLock, &C::SetNumLock).Stored(TStored::Never),
        Prop("ScrollLock", &C::ScrollLock, &C::SetScrollLock).Stored(TStored::Never),
    };
}

namespace {

using TKeyboardState = std::array<BYTE, 256>;

TKeyboardState KeyboardState()
{
    TKeyboardState state{};
    (void)GetKeyboardState(state.data());
    return state;
}

// Replaces the key's whole entry, toggle and down bits alike.
void SetKeyEntry(int key, bool on)
{
    TKeyboardState state = KeyboardState();
    state[static_cast<std::size_t>(key)] = on ? 1 : 0;
    (void)SetKeyboardState(state.data());
}

bool Toggled(const TKeyboardState& state, int key)
{
    return (state[static_cast<std::size_t>(key)] & 1) != 0;
}

} // namespace

TQELSystemKeys::TQELSystemKeys(TComponent* owner) : TQELSystemsComponent(owner)
{
    const TKeyboardState state = KeyboardState();
    FCapsLock = Toggled(state, VK_CAPITAL);
    FNumLock = Toggled(state, VK_NUMLOCK);
    FScrollLock = Toggled(state, VK_SCROLL);
}

void TQELSystemKeys::SetCapsLock(bool on)
{
    SetKeyEntry(VK_CAPITAL, on);
    FCapsLock = on;
}

void TQELSystemKeys::SetNumLock(bool on)
{
    SetKeyEntry(VK_NUMLOCK, on);
    FNumLock = on;
}

void TQELSystemKeys::SetScrollLock(bool on)
{
    SetKeyEntry(VK_SCROLL, on);
    FScrollLock = on;
}
