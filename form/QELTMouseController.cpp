// The mouse controller.
#include "form/QELTMouseController.h"

#include <algorithm>
#include <cstdint>
#include <limits>

QEL_CLASS_INFO(TQELMouseController, TQELHookComponent)
{
    return {};
}

QEL_OPERATIONS(TQELMouseController)
{
    using C = TQELMouseController;
    return {
        Operation(&C::PositionAt, "PositionAt(X, Y)", "moves the cursor to the screen point (X, Y)"),
        Operation(&C::PositionAtControl, "PositionAtControl(Control)",
                  "moves the cursor to the top-left corner of Control's client area"),
        Operation(&C::FenceAt, "FenceAt(R)", "keeps the cursor inside the screen rectangle R"),
        Operation(&C::FenceAtControl, "FenceAtControl(Control)", "keeps the cursor inside Control's client area"),
        Operation(&C::StopFencing, "StopFencing()", "lets the cursor go anywhere again"),
    };
}

namespace {

// A control's place may come from a stored form: its far edge stays at the end of the range of an
// int rather than wrapping round.
LONG FarEdge(LONG origin, LONG extent)
{
    return static_cast<LONG>(std::clamp<std::int64_t>(std::int64_t{origin} + extent, std::numeric_limits<LONG>::min(),
                                                      std::numeric_limits<LONG>::max()));
}

} // namespace

TQELMouseController::~TQELMouseController()
{
    StopFencing();
}

void TQELMouseController::PositionAt(int x, int y)
{
    (void)SetCursorPos(x, y);
}

void TQELMouseController::PositionAtControl(TControl* control)
{
    const POINT origin = control->ClientOrigin();
    PositionAt(origin.x, origin.y);
}

void TQELMouseController::FenceAt(const RECT& r)
{
    if (IsRectEmpty(&r))
        return;
    POINT position{0, 0};
    if (GetCursorPos(&position) && !PtInRect(&r, position))
        PositionAt(r.left, r.top);
    (void)ClipCursor(&r);
}

void TQELMouseController::FenceAtControl(TControl* control)
{
    const POINT origin = control->ClientOrigin();
    const RECT client = control->ClientRect();
    FenceAt({origin.x, origin.y, FarEdge(origin.x, client.right), FarEdge(origin.y, client.bottom)});
}

void TQELMouseController::StopFencing()
{
    (void)ClipCursor(nullptr);
}

void TQELMouseController::Hooked(TMessage& message)
{
    if (message.Msg == WM_CANCELMODE)
        StopFencing();
    TQELHookComponent::Hooked(message);
}
