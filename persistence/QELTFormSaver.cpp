// The form saver: store on close, restore on show.
#include "persistence/QELTFormSaver.h"

#include <algorithm>

QEL_CLASS_INFO(TQELFormSaver, TQELSystemsComponent)
{
    using C = TQELFormSaver;
    return {
        Prop("FormStore", &C::FormStore),
        Prop("StoreSize", &C::StoreSize, &C::SetStoreSize).Default(true),
        Prop("StoreLocation", &C::StoreLocation, &C::SetStoreLocation).Default(true),
        Prop("StoreState", &C::StoreState, &C::SetStoreState).Default(true),
        Prop("StoreVisible", &C::StoreVisible, &C::SetStoreVisible).Default(true),
        Prop("StoreControls", &C::StoreControls, &C::SetStoreControls).Stored(TStored::Always),
        Prop("OnStore", &C::OnStore, &C::SetOnStore),
        Prop("OnStoreControl", &C::OnStoreControl, &C::SetOnStoreControl),
        Prop("OnRestore", &C::OnRestore, &C::SetOnRestore),
    };
}

QEL_OPERATIONS(TQELFormSaver)
{
    using C = TQELFormSaver;
    return {
        Operation(&C::Store, "Store()",
                  "stores the forms' values now, after the form's own OnClose handler, as closing the form does"),
        Operation(&C::Restore, "Restore()",
                  "restores them now, after the form's own OnShow handler, as showing the form does"),
        Operation(&C::ReadInt, "ReadInt(Name, Default)",
                  "reads the integer Name through FormStore, Default when it is missing"),
        Operation(&C::ReadStr, "ReadStr(Name, Default)",
                  "reads the text Name through FormStore, Default when it is missing"),
        Operation(&C::ReadBool, "ReadBool(Name, Default)",
                  "reads the Boolean Name through FormStore, Default when it is missing"),
        Operation(&C::ExtWndProc, "ExtWndProc(Message)",
                  "the form's window procedure while the saver watches it: notes the bounds before a maximise"),
    };
}

namespace {

TForm* OwnerForm(TComponent* owner)
{
    if (!owner)
        throw EInvalidCast("TQELFormSaver needs a form as its owner");
    return owner->As<TForm>();
}

// Moves bounds that lie entirely off every monitor (a monitor since removed, a smaller screen) onto the
// work area of the nearest one, keeping the size where it fits.
RECT KeepOnScreen(RECT bounds)
{
    if (MonitorFromRect(&bounds, MONITOR_DEFAULTTONULL))
        return bounds;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromRect(&bounds, MONITOR_DEFAULTTONEAREST), &monitor))
        return bounds;
    const RECT& work = monitor.rcWork;
    const LONG width = std::min(bounds.right - bounds.left, work.right - work.left);
    const LONG height = std::min(bounds.bottom - bounds.top, work.bottom - work.top);
    const LONG left = std::clamp(bounds.left, work.left, work.right - width);
    const LONG top = std::clamp(bounds.top, work.top, work.bottom - height);
    return {left, top, left + width, top + height};
}

} // namespace

TQELFormSaver::TQELFormSaver(TComponent* owner)
    : TQELSystemsComponent(owner), FFormStore(std::make_unique<TQELDataStore>()), FOwnerForm(OwnerForm(owner)),
      FObjectInstance(MakeObjectInstance(TWndMethod(this, &TQELFormSaver::ExtWndProc)))
{
    if (ComponentState().Contains(csDesigning))
        return;
    // The window first (its creation can fail), the owner's events last: a failed construction
    // leaves nothing bound to this object.
    try {
        InstallWndProc();
        TEventChain<TNotifyEvent>::TakeOver(FOwnerForm->ShowSlot(), ShowHandler(), FPrevShow);
        TEventChain<TCloseEvent>::TakeOver(FOwnerForm->CloseSlot(), CloseHandler(), FPrevClose);
    } catch (...) {
        (void)TEventChain<TNotifyEvent>::GiveBack(FOwnerForm->ShowSlot(), ShowHandler());
        UnhookWindowProc(FHookedWindow, FObjectInstance);
        FreeObjectInstance(FObjectInstance);
        throw;
    }
    FOwnerForm->ShowSlot() = ShowHandler();
    FOwnerForm->CloseSlot() = CloseHandler();
}

TQELFormSaver::~TQELFormSaver()
{
    FFormStore.reset();
    if (!ComponentState().Contains(csDesigning)) {
        // Give the handlers back only where the slots still hold ours: a component that took them
        // over after the saver calls the saver's previous handlers instead. A handler the program
        // assigned to the form meanwhile is among them: it went under the saver.
        if (TEventChain<TNotifyEvent>::GiveBack(FOwnerForm->ShowSlot(), ShowHandler()))
            FOwnerForm->ShowSlot() = FPrevShow;
        if (TEventChain<TCloseEvent>::GiveBack(FOwnerForm->CloseSlot(), CloseHandler()))
            FOwnerForm->CloseSlot() = FPrevClose;
    }
    if (FHookedWindow)
        UnhookWindowProc(FHookedWindow, FObjectInstance);
    FreeObjectInstance(FObjectInstance);
}

void TQELFormSaver::InstallWndProc()
{
    FHookedWindow = FOwnerForm->Handle();
    HookWindowProc(FHookedWindow, FObjectInstance, FPrevWndProc);
}

// A window that the framework recreated while the form was being read gets the procedure again.
void TQELFormSaver::Loaded()
{
    TQELSystemsComponent::Loaded();
    if (FHookedWindow && FOwnerForm->Handle() != FHookedWindow) {
        UnhookWindowProc(FHookedWindow, FObjectInstance);
        InstallWndProc();
    }
}

void TQELFormSaver::ExtWndProc(TMessage& message)
{
    if (message.Msg == WM_SYSCOMMAND && (message.WParam == SC_MAXIMIZE || message.WParam == SC_MINIMIZE))
        BeforeMaximize();
    message.Result = CallWindowProcFast(FPrevWndProc, FHookedWindow, message.Msg, message.WParam, message.LParam);
}

void TQELFormSaver::BeforeMaximize()
{
    FCapturedValid = true;
    FCaptured = {FOwnerForm->Left(), FOwnerForm->Top(), FOwnerForm->Width(), FOwnerForm->Height()};
}

void TQELFormSaver::Store()
{
    TCloseAction scratch = caHide;
    FPrevClose(FOwnerForm, scratch);
    StoreAll(FOwnerForm);
}

void TQELFormSaver::Restore()
{
    FPrevShow(FOwnerForm);
    RestoreAll(FOwnerForm);
}

int TQELFormSaver::ReadInt(const std::string& name, int defaultValue)
{
    FFormStore->SetErrorInt(defaultValue);
    return FFormStore->ReadInt(name);
}

std::string TQELFormSaver::ReadStr(const std::string& name, const std::string& defaultValue)
{
    FFormStore->SetErrorStr(defaultValue);
    return FFormStore->ReadStr(name);
}

bool TQELFormSaver::ReadBool(const std::string& name, bool defaultValue)
{
    FFormStore->SetErrorBool(defaultValue);
    return FFormStore->ReadBool(name);
}

// The form's own handler runs as it would without the saver. A store that fails (a file that cannot
// be written) is reported, and the form still closes: the user and the program can always end it.
void TQELFormSaver::CloseRoutine(TObject* sender, TCloseAction& action)
{
    FPrevClose(sender, action);
    try {
        StoreAll(sender);
    } catch (...) {
        Application->HandleException(this);
    }
}

// In the same way a restore that fails is reported and the form is shown all the same.
void TQELFormSaver::ShowRoutine(TObject* sender)
{
    FPrevShow(sender);
    try {
        RestoreAll(sender);
    } catch (...) {
        Application->HandleException(this);
    }
}

void TQELFormSaver::StoreAll(TObject* sender)
{
    if (!FFormStore->Enabled())
        return;
    FOnStore(sender);
    for (int i = 0; i < Application->ComponentCount(); ++i)
        if (auto* form = dynamic_cast<TForm*>(Application->Components(i)))
            StoreForm(form);
}

void TQELFormSaver::RestoreAll(TObject* sender)
{
    if (FFormStore->Enabled())
        for (int i = 0; i < Application->ComponentCount(); ++i)
            if (auto* form = dynamic_cast<TForm*>(Application->Components(i)))
                RestoreForm(form);
    FOnRestore(sender);
}

void TQELFormSaver::StoreForm(TForm* form)
{
    const std::string prefix = form->ClassName();
    const TWindowState state = form->WindowState();
    if (FStoreState) {
        static constexpr int stateNumbers[] = {2, 1, 3}; // normal, minimised, maximised
        FFormStore->WriteInt(prefix + "_WindowState", stateNumbers[state]);
    }
    // A form that is not normal has no bounds worth keeping, except the owner's captured ones.
    const bool normal = state == wsNormal;
    const bool captured = !normal && form == FOwnerForm && FCapturedValid;
    if (FStoreSize && (normal || captured)) {
        FFormStore->WriteInt(prefix + "_Width", normal ? form->Width() : FCaptured.right);
        FFormStore->WriteInt(prefix + "_Height", normal ? form->Height() : FCaptured.bottom);
    }
    if (FStoreLocation && (normal || captured)) {
        FFormStore->WriteInt(prefix + "_Top", normal ? form->Top() : FCaptured.top);
        FFormStore->WriteInt(prefix + "_Left", normal ? form->Left() : FCaptured.left);
    }
    if (FStoreVisible)
        FFormStore->WriteBool(prefix + "_Visible", form->Visible());
    if (FStoreControls)
        for (int i = 0; i < form->ControlCount(); ++i)
            StoreControl(form->Controls(i));
}

void TQELFormSaver::StoreControl(TControl* control)
{
    bool result = true;
    FOnStoreControl(control, result);
    if (!result)
        return;
    const std::string& prefix = control->Name();
    if (FStoreSize) {
        FFormStore->WriteInt(prefix + "_Width", control->Width());
        FFormStore->WriteInt(prefix + "_Height", control->Height());
    }
    if (FStoreLocation) {
        FFormStore->WriteInt(prefix + "_Top", control->Top());
        FFormStore->WriteInt(prefix + "_Left", control->Left());
    }
    if (FStoreVisible)
        FFormStore->WriteBool(prefix + "_Visible", control->Visible());
    if (auto* windowed = dynamic_cast<TWinControl*>(control))
        for (int i = 0; i < windowed->ControlCount(); ++i)
            StoreControl(windowed->Controls(i));
}

void TQELFormSaver::RestoreForm(TForm* form)
{
    const std::string prefix = form->ClassName();
    if (FStoreSize && form->WindowState() == wsNormal) {
        form->SetWidth(ReadInt(prefix + "_Width", form->Width()));
        form->SetHeight(ReadInt(prefix + "_Height", form->Height()));
    }
    if (FStoreLocation) {
        form->SetTop(ReadInt(prefix + "_Top", form->Top()));
        form->SetLeft(ReadInt(prefix + "_Left", form->Left()));
    }
    if (FStoreSize || FStoreLocation) {
        const RECT bounds = form->BoundsRect();
        const RECT visible = KeepOnScreen(bounds);
        if (!EqualRect(&bounds, &visible))
            form->SetBounds(visible.left, visible.top, visible.right - visible.left, visible.bottom - visible.top);
    }
    if (FStoreVisible)
        form->SetVisible(ReadBool(prefix + "_Visible", form->Visible()));
    if (FStoreState) {
        switch (ReadInt(prefix + "_WindowState", 2)) {
        case 1:
            form->SetWindowState(wsMinimized);
            break;
        case 2:
            form->SetWindowState(wsNormal);
            break;
        case 3:
            form->SetWindowState(wsMaximized);
            break;
        default:
            break;
        }
    }
    if (FStoreControls)
        for (int i = 0; i < form->ControlCount(); ++i)
            RestoreControl(form->Controls(i));
}

void TQELFormSaver::RestoreControl(TControl* control)
{
    const std::string& prefix = control->Name();
    if (FStoreSize) {
        control->SetWidth(ReadInt(prefix + "_Width", control->Width()));
        control->SetHeight(ReadInt(prefix + "_Height", control->Height()));
    }
    if (FStoreLocation) {
        control->SetTop(ReadInt(prefix + "_Top", control->Top()));
        control->SetLeft(ReadInt(prefix + "_Left", control->Left()));
    }
    if (FStoreVisible)
        control->SetVisible(ReadBool(prefix + "_Visible", control->Visible()));
    if (auto* windowed = dynamic_cast<TWinControl*>(control))
        for (int i = 0; i < windowed->ControlCount(); ++i)
            RestoreControl(windowed->Controls(i));
}
