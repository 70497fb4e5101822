// TQELTopMost keeps its owner form above all windows that are not top-most while Active is True. It
// sets the window's z-order directly; in the designer only the property changes.
#pragma once

#include "foundation/QELSystem.h"

class TQELTopMost : public TQELSystemsComponent {
    QEL_CLASS(TQELTopMost)
public:
    // Touches no window: a form being read gets its stored setting from SetActive, and Loaded.
    using TQELSystemsComponent::TQELSystemsComponent;
    // The form stops being top-most when the component goes.
    ~TQELTopMost() override;

    // Places the owner form's window (created if need be) at once, without activating it. An owner
    // that is not a form keeps the value and changes no window.
    bool Active() const noexcept { return FActive; }
    void SetActive(bool active);

    // Made in code, it touches no window until it is finished (TComponent::Finish).
    bool NeedsFinish() const noexcept override { return true; }

protected:
    // Applies the setting to the form's final window.
    void Loaded() override;

private:
    bool FActive = true;
};
