// The owner-form message hook.
#include "foundation/QELTFormHook.h"

QEL_CLASS_INFO(TQELHookComponent, TQELSystemsComponent)
{
    return {};
}

QEL_CLASS_INFO(TQELFormHook, TQELHookComponent)
{
    return {
        Prop("OnMessage", &TQELFormHook::OnMessage, &TQELFormHook::SetOnMessage),
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
    FHookedWindow = FOwnerControl->Handle();
    // Bound through the virtual Hooked, so a descendant's override is the one that runs.
    FHookProc = MakeObjectInstance(TWndMethod(this, &TQELHookComponent::Hooked));
    HookWindowProc(FHookedWindow, FHookProc, FPrevWndProc);
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
    message.Result = CallWindowProcA(FPrevWndProc, FHookedWindow, message.Msg, message.WParam, message.LParam);
}

void TQELFormHook::Hooked(TMessage& message)
{
    FOnMessage(this, message);
    TQELHookComponent::Hooked(message);
}
