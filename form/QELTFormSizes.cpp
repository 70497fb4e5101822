// The form size limits.
#include "form/QELTFormSizes.h"

QEL_CLASS_INFO(TQELFormSizes, TQELHookComponent)
{
    using C = TQELFormSizes;
    return {
        Prop("MinWidth", &C::MinWidth, &C::SetMinWidth).Stored(TStored::Always),
        Prop("MaxWidth", &C::MaxWidth, &C::SetMaxWidth).Stored(TStored::Always),
        Prop("MinHeight", &C::MinHeight, &C::SetMinHeight).Stored(TStored::Always),
        Prop("MaxHeight", &C::MaxHeight, &C::SetMaxHeight).Stored(TStored::Always),
        Prop("Options", &C::Options, &C::SetOptions).Stored(TStored::Always),
    };
}

void TQELFormSizes::Hooked(TMessage& message)
{
    // The form and the hooks before this one go first, so the limits have the last word.
    TQELHookComponent::Hooked(message);
    const TComponentState state = ComponentState();
    if (state.Contains(csDestroying))
        return;
    const bool designing = state == TComponentState{csDesigning};
    if (designing && message.Msg == WM_SIZE)
        CaptureSize();
    if (!designing && message.Msg == WM_GETMINMAXINFO && message.LParam)
        EnforceLimits(*reinterpret_cast<MINMAXINFO*>(message.LParam));
}

void TQELFormSizes::CaptureSize()
{
    const TControl* owner = static_cast<TControl*>(Owner());
    if (FOptions.Contains(MinimumWidth))
        FMinWidth = owner->Width();
    if (FOptions.Contains(MaximumWidth))
        FMaxWidth = owner->Width();
    if (FOptions.Contains(MinimumHeight))
        FMinHeight = owner->Height();
    if (FOptions.Contains(MaximumHeight))
        FMaxHeight = owner->Height();
}

void TQELFormSizes::EnforceLimits(MINMAXINFO& info) const
{
    if (FMinWidth > 0)
        info.ptMinTrackSize.x = FMinWidth;
    if (FMaxWidth > 0)
        info.ptMaxTrackSize.x = FMaxWidth;
    if (FMinHeight > 0)
        info.ptMinTrackSize.y = FMinHeight;
    if (FMaxHeight > 0)
        info.ptMaxTrackSize.y = FMaxHeight;
}
