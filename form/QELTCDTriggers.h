// TQELCDTriggers tells the application when a medium (a CD) arrives in a drive or is taken out: it
// listens for the system's WM_DEVICECHANGE broadcasts, which reach top-level windows, and fires an
// event with the drive's letter.
#pragma once

#include "foundation/QELTFormHook.h"

// FirstDriveLetter is the letter of the drive concerned (the lowest one when several are named).
struct TQELDeviceChangeEvent : TEvent<TObject*, char> {
    using TEvent::TEvent;
    static constexpr std::string_view TypeName = "TQELDeviceChangeEvent";
    static constexpr std::array<std::string_view, 2> ParamNames{"Sender", "FirstDriveLetter"};
};

class TQELCDTriggers : public TQELHookComponent {
    QEL_CLASS(TQELCDTriggers)
public:
    using TQELHookComponent::TQELHookComponent;

    const TQELDeviceChangeEvent& AfterInsert() const noexcept { return FAfterInsert; }
    void SetAfterInsert(const TQELDeviceChangeEvent& event) { FAfterInsert = event; }
    const TQELDeviceChangeEvent& AfterRemove() const noexcept { return FAfterRemove; }
    void SetAfterRemove(const TQELDeviceChangeEvent& event) { FAfterRemove = event; }

    // The letter of the lowest drive in mask (bit 0 is A:), or '\0' when no bit from A: to Z: is set.
    static char GetFirstDriveLetter(std::uint32_t mask);

    // WM_DEVICECHANGE goes to WMDeviceChange and no further (an error there is reported, and the
    // form keeps answering messages); every other message passes on.
    void Hooked(TMessage& message) override;

    // Fires AfterInsert or AfterRemove for a medium arriving in or leaving a drive; descendants may
    // decide otherwise.
    virtual void WMDeviceChange(TMessage& message);

private:
    TQELDeviceChangeEvent FAfterInsert;
    TQELDeviceChangeEvent FAfterRemove;
};
