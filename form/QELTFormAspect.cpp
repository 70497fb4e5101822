// The aspect-ratio keeper.
#include "form/QELTFormAspect.h"

#include "framework/Forms.h"

#include <algorithm>
#include <limits>

QEL_CLASS_INFO(TQELFormAspect, TQELHookComponent)
{
    using C = TQELFormAspect;
    return {
        Prop("Enabled", &C::Enabled, &C::SetEnabled).Default(true),
        Prop("RatioWidth", &C::RatioWidth, &C::SetRatioWidth).Default(1),
        Prop("RatioHeight", &C::RatioHeight, &C::SetRatioHeight).Default(1),
        Prop("Client", &C::Client, &C::SetClient).Default(true),
        Prop("OnClientModified", &C::OnClientModified, &C::SetOnClientModified),
        Prop("BeforeResizing", &C::BeforeResizing, &C::SetBeforeResizing),
    };
}

QEL_OPERATIONS(TQELFormAspect)
{
    using C = TQELFormAspect;
    return {
        Operation(&C::EstablishAspectRatio, "EstablishAspectRatio(Side, Rect)",
                  "corrects a rectangle dragged by Side so that it keeps the ratio"),
    };
}

namespace {

// Sizes come from the system and the ratio and allowance from a stored form or a handler: the
// arithmetic runs in 64 bits on 32-bit operands, and a result outside the coordinate range is pinned
// to its end rather than wrapped.
LONG ToCoordinate(std::int64_t value)
{
    return static_cast<LONG>(std::clamp<std::int64_t>(value, std::numeric_limits<LONG>::min(),
                                                      std::numeric_limits<LONG>::max()));
}

// value * numerator / denominator, truncated toward zero; denominator is 1 or more.
std::int64_t Scale(std::int64_t value, int numerator, int denominator)
{
    return std::int64_t{ToCoordinate(value)} * numerator / denominator;
}

} // namespace

TQELFormAspect::~TQELFormAspect()
{
    FOnClientModified = {};
    FBeforeResizing = {};
}

POINT TQELFormAspect::FrameAllowance()
{
    int x = 0;
    int y = 0;
    if (FClient) {
        TForm* form = Owner()->As<TForm>();
        x = form->Width() - form->ClientWidth();
        y = form->Height() - form->ClientHeight();
    }
    FOnClientModified(this, x, y);
    return {x, y};
}

void TQELFormAspect::EstablishAspectRatio(std::uint16_t side, RECT& rect)
{
    if (!RatioUsable())
        return;
    const POINT frame = FrameAllowance();
    const std::int64_t innerWidth = std::int64_t{rect.right} - rect.left - frame.x;
    const std::int64_t innerHeight = std::int64_t{rect.bottom} - rect.top - frame.y;
    switch (side) {
    case WMSZ_LEFT:
    case WMSZ_TOPRIGHT:
        rect.top = ToCoordinate(rect.bottom - frame.y - Scale(innerWidth, FRatioHeight, FRatioWidth));
        break;
    case WMSZ_RIGHT:
    case WMSZ_BOTTOMLEFT:
        rect.bottom = ToCoordinate(rect.top + frame.y + Scale(innerWidth, FRatioHeight, FRatioWidth));
        break;
    case WMSZ_TOP:
    case WMSZ_TOPLEFT:
        rect.left = ToCoordinate(rect.right - frame.x - Scale(innerHeight, FRatioWidth, FRatioHeight));
        break;
    case WMSZ_BOTTOM:
    case WMSZ_BOTTOMRIGHT:
        rect.right = ToCoordinate(rect.left + frame.x + Scale(innerHeight, FRatioWidth, FRatioHeight));
        break;
    default:
        break;
    }
}

// The maximised size: the full width when the height that goes with it fits the screen, else the
// full height and the width that goes with that.
void TQELFormAspect::GiveMaximizedSize(MINMAXINFO& info)
{
    const POINT frame = FrameAllowance();
    std::int64_t width = info.ptMaxSize.x;
    std::int64_t height = Scale(width, FRatioHeight, FRatioWidth);
    if (height > GetSystemMetrics(SM_CYSCREEN)) {
        height = info.ptMaxSize.y;
        width = Scale(height, FRatioWidth, FRatioHeight);
    }
    RECT rect{0, 0, ToCoordinate(width + frame.x), ToCoordinate(height + frame.y)};
    FBeforeResizing(this, rect);
    info.ptMaxSize.x = ToCoordinate(std::int64_t{rect.right} - rect.left);
    info.ptMaxSize.y = ToCoordinate(std::int64_t{rect.bottom} - rect.top);
}

void TQELFormAspect::Hooked(TMessage& message)
{
    const bool ours = message.Msg == WM_SIZING || message.Msg == WM_GETMINMAXINFO;
    if (!ours || !FEnabled || !RatioUsable() || !message.LParam) {
        TQELHookComponent::Hooked(message);
        return;
    }
    // A handler's error is reported and the message still answered, so the drag goes on.
    try {
        if (message.Msg == WM_SIZING) {
            RECT& rect = *reinterpret_cast<RECT*>(message.LParam);
            EstablishAspectRatio(LOWORD(message.WParam), rect);
            FBeforeResizing(this, rect);
        } else
            GiveMaximizedSize(*reinterpret_cast<MINMAXINFO*>(message.LParam));
    } catch (...) {
        Application->HandleException(this);
    }
    message.Result = 0;
}
