// The owner-form message hook: TQELHookComponent subclasses the window of the form it sits on, so that
// it sees every message of that window before the form does; TQELFormHook hands each one to OnMessage.
//
// Several hooks on one window form a chain: the one hooked last sees a message first and passes it on
// to the procedure it replaced, down to the form's own. Hooks are installed and removed through the
// framework's HookWindowProc/UnhookWindowProc, which keep a per-window record of the chain, so a hook may
// go in any order ("safer subclassing"): when the window still holds this hook's procedure, the one it
// replaced is put back; when a later hook sits in front of it, that later hook is told to pass its
// messages to this hook's previous procedure instead, which splices this hook out of the chain. Every
// subclasser of the library goes through that record, so none is left calling a procedure whose object
// is gone.
#pragma once

#include "foundation/QELSystem.h"
#include "framework/Controls.h"

// Sender is the hook component; the handler may change the message before the form sees it.
struct TQELHookMessage : TEvent<TObject*, TMessage&> {
    using TEvent::TEvent;
    static constexpr std::string_view TypeName = "TQELHookMessage";
    static constexpr std::array<std::string_view, 2> ParamNames{"Sender", "WndMessage"};
};

class TQELHookComponent : public TQELSystemsComponent {
    QEL_CLASS(TQELHookComponent)
public:
    // owner must be a windowed control: EComponentError without one, EInvalidCast for another kind.
    // Its window is created if need be and hooked at once.
    explicit TQELHookComponent(TComponent* owner);
    ~TQELHookComponent() override;

    // Installs the hook on the owner's window; a hook already installed stays as it is.
    void HookWin();
    void UnhookWin();

    // The window procedure of the hooked window. Overrides react to a message and call this one, which
    // passes it on unchanged to the procedure installed before the hook.
    virtual void Hooked(TMessage& message);

protected:
    // Follows the owner's window when reading the form replaced it by a new one.
    void Loaded() override;
    // The window hooked now (null while unhooked).
    HWND HookedWindow() const noexcept { return FHookProc ? FHookedWindow : nullptr; }

private:
    TWinControl* FOwnerControl = nullptr;
    HWND FHookedWindow = nullptr;
    WNDPROC FPrevWndProc = nullptr;
    WNDPROC FHookProc = nullptr;
};

class TQELFormHook : public TQELHookComponent {
    QEL_CLASS(TQELFormHook)
public:
    using TQELHookComponent::TQELHookComponent;

    // Calls OnMessage, then always passes the message on: the handler cannot swallow it, and the
    // Result comes from the procedures behind the hook. An exception from the handler goes to
    // Application->HandleException with the hook as sender, and the message is passed on all the same.
    void Hooked(TMessage& message) override;

    const TQELHookMessage& OnMessage() const noexcept { return FOnMessage; }
    void SetOnMessage(const TQELHookMessage& event) { FOnMessage = event; }

private:
    void CallOnMessage(TMessage& message);

    TQELHookMessage FOnMessage;
};
