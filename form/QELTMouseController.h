// TQELMouseController moves the mouse cursor to a point or a control and fences it into a rectangle
// or a control's client area. The fence lives in the system (the cursor clip rectangle); the
// component frees it when the form is told to cancel its modes and when the component goes.
#pragma once

#include "foundation/QELTFormHook.h"

class TQELMouseController : public TQELHookComponent {
    QEL_CLASS(TQELMouseController)
public:
    using TQELHookComponent::TQELHookComponent;
    ~TQELMouseController() override;

    // All coordinates are screen pixels.
    void PositionAt(int x, int y);
    // To the top-left corner of the control's client area.
    void PositionAtControl(TControl* control);
    // Confines the cursor to r, moving it to r's top-left corner first when it lies outside. An empty
    // rectangle changes nothing: a fence set before stays.
    void FenceAt(const RECT& r);
    void FenceAtControl(TControl* control);
    // Frees the cursor, whoever fenced it.
    void StopFencing();

    // WM_CANCELMODE frees the cursor; every message passes on.
    void Hooked(TMessage& message) override;
};
