// The mouse controller.
#include "form/QELTMouseController.h"

QEL_CLASS_INFO(TQELMouseController, TQELHookComponent)
{
    return {};
}

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
    FenceAt({origin.x, origin.y, origin.x + client.right, origin.y + client.bottom});
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
