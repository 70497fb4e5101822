// The owner-form message hook.
#include "foundation/QELTFormHook.h"

#include "framework/Forms.h"

QEL_CLASS_INFO(TQELHookComponent, TQELSystemsComponent)
{
    return {};
}

QEL_OPERATIONS(TQELHookComponent)
{
    using C = TQELHookComponent;
    return {
        Operation(&C::HookWin, "HookWin()",
                  "puts the component's window procedure on the owner's window (done when it is made)"),
        Operation(&C::UnhookWin, "UnhookWin()", "takes it off again (done when it is freed)"),
        Operation(&C::Hooked, "Hooked(Message)",
                  "the window procedure: sees each message of the form's window first and passes it on"),
    };
}

QEL_CLASS_INFO(TQELFormHook, TQELHookComponent)
{
    return {
        Prop("OnMessage", &TQELFormHook::OnMessage, &TQELFormHook::SetOnMessage),
    };
}

QEL_OPERATIONS(TQELFormHook)
{
    using C = TQELFormHook;
    return {
        Operation(&C::Hooked, "Hooked(Message)", "hands the message to OnMessage, then passes it on"),
    };
}

TQELHookComponent::TQELHookComponent(TComponent* owner) : TQELSystemsComponent(owner)
{
    if (!owner)
        throw EComponentError("A hook component needs an owner with a window to hook");
    FOwnerControl = owner->As<TWinControl>();
    HookWin();
}

TQELHookComponent::~TQELHookComponent()
{
    UnhookWin();
}

void TQELHookComponent::HookWin()
{
    // Hooked twice, the hook would record its own procedure as the one to pass messages on to.
    if (FHookProc)
        return;
    const HWND window = FOwnerControl->Handle();
    // Bound through the virtual Hooked, so a descendant's override is the one that runs.
    const WNDPROC hookProc = MakeObjectInstance(TWndMethod(this, &TQELHookComponent::Hooked));
    try {
        HookWindowProc(window, hookProc, FPrevWndProc);
    } catch (...) {
        FreeObjectInstance(hookProc);
        throw;
    }
    FHookedWindow = window;
    FHookProc = hookProc;
}

void TQELHookComponent::UnhookWin()
{
    if (!FHookProc)
        return;
    UnhookWindowProc(FHookedWindow, FHookProc);
    FreeObjectInstance(FHookProc);
    FHookProc = nullptr;
}

void TQELHookComponent::Loaded()
{
    TQELSystemsComponent::Loaded();
    if (FOwnerControl->Handle() != FHookedWindow) {
        UnhookWin();
        HookWin();
    }
}

void TQELHookComponent::Hooked(TMessage& message)
{
    message.Result = CallWindowProcFast(FPrevWndProc, FHookedWindow, message.Msg, message.WParam, message.LParam);
}

void TQELFormHook::Hooked(TMessage& message)
{
    if (FOnMessage)
        CallOnMessage(message);
    TQELHookComponent::Hooked(message);
}

// Apart from Hooked, so that a hook without a handler pays nothing for the exception frame.
void TQELFormHook::CallOnMessage(TMessage& message)
{
    // A failing handler must not keep the message from the form (a paint would come back for ever).
    try {
        FOnMessage(this, message);
    } catch (...) {
        Application->HandleException(this);
    }
}
