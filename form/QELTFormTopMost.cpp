// The top-most form.
#include "form/QELTFormTopMost.h"

#include "framework/Forms.h"

QEL_CLASS_INFO(TQELTopMost, TQELSystemsComponent)
{
    return {
        Prop("Active", &TQELTopMost::Active, &TQELTopMost::SetActive).Stored(TStored::Always),
    };
}

TQELTopMost::~TQELTopMost()
{
    // A form whose window was never made needs no new one to be told this; and a form destroying its
    // components (no longer their owner by then) takes its window with it.
    if (auto* form = dynamic_cast<TForm*>(Owner()); form && form->HandleAllocated())
        SetActive(false);
}

void TQELTopMost::SetActive(bool active)
{
    FActive = active;
    if (ComponentState().Contains(csDesigning))
        return;
    if (auto* form = dynamic_cast<TForm*>(Owner()))
        (void)SetWindowPos(form->Handle(), active ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                           SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
}

void TQELTopMost::Loaded()
{
    TQELSystemsComponent::Loaded();
    SetActive(FActive);
}
