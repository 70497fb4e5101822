// TQELFormSizes keeps its owner form's window between a minimum and a maximum width and height while
// the user drags its borders. In the designer it works the other way round: each limit ticked in
// Options takes over the form's size whenever the form is resized there.
#pragma once

#include "foundation/QELTFormHook.h"

enum TQELFormSizeOption : std::uint8_t { MinimumWidth, MaximumWidth, MinimumHeight, MaximumHeight };
inline const TEnumInfo& EnumTypeInfo(TQELFormSizeOption)
{
    static const TEnumInfo info{"TQELFormSizeOption",
                                {"MinimumWidth", "MaximumWidth", "MinimumHeight", "MaximumHeight"},
                                "TQELFormSizeOptions"};
    return info;
}
using TQELFormSizeOptions = TSet<TQELFormSizeOption>;

class TQELFormSizes : public TQELHookComponent {
    QEL_CLASS(TQELFormSizes)
public:
    using TQELHookComponent::TQELHookComponent;

    // Window sizes (frame and caption included), as the form's Width and Height; 0 or less: no limit.
    // Plain fields: the next WM_GETMINMAXINFO applies them.
    int MinWidth() const noexcept { return FMinWidth; }
    void SetMinWidth(int value) { FMinWidth = value; }
    int MaxWidth() const noexcept { return FMaxWidth; }
    void SetMaxWidth(int value) { FMaxWidth = value; }
    int MinHeight() const noexcept { return FMinHeight; }
    void SetMinHeight(int value) { FMinHeight = value; }
    int MaxHeight() const noexcept { return FMaxHeight; }
    void SetMaxHeight(int value) { FMaxHeight = value; }
    // The limits that follow the form's size while it is being designed.
    TQELFormSizeOptions Options() const noexcept { return FOptions; }
    void SetOptions(TQELFormSizeOptions options) { FOptions = options; }

    // Lets the form handle the message first, then captures (designing) or enforces (running).
    void Hooked(TMessage& message) override;

private:
    void CaptureSize();
    void EnforceLimits(MINMAXINFO& info) const;

    int FMinWidth = 0;
    int FMaxWidth = 0;
    int FMinHeight = 0;
    int FMaxHeight = 0;
    TQELFormSizeOptions FOptions;
};
