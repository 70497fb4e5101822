// TQELFormSaver keeps the size, place, window state and visibility of the application's forms (and,
// when asked, of every control on them) from one run to the next. It takes over its owner form's
// OnShow (restore) and OnClose (store) and watches the owner's window for maximise and minimise
// commands, so that it can store the form's normal bounds rather than the maximised ones. A handler
// the program assigns to the form's OnShow or OnClose, before or after the saver was made, is the
// form's own: the saver calls it first.
#pragma once

#include "foundation/QELSystem.h"
#include "framework/Forms.h"
#include "persistence/QELTStoreData.h"

#include <memory>

// Asked for each control before it is stored; a handler that clears Result keeps the control, and
// everything inside it, out of the store run.
struct TQELOnStoreControl : TEvent<TObject*, bool&> {
    using TEvent::TEvent;
    static constexpr std::string_view TypeName = "TQELOnStoreControl";
    static constexpr std::array<std::string_view, 2> ParamNames{"Sender", "Result"};
};

class TQELFormSaver : public TQELSystemsComponent {
    QEL_CLASS(TQELFormSaver)
public:
    // The owner must be a form (EInvalidCast otherwise).
    explicit TQELFormSaver(TComponent* owner);
    ~TQELFormSaver() override;

    TQELDataStore* FormStore() const noexcept { return FFormStore.get(); }
    bool StoreSize() const noexcept { return FStoreSize; }
    void SetStoreSize(bool value) { FStoreSize = value; }
    bool StoreLocation() const noexcept { return FStoreLocation; }
    void SetStoreLocation(bool value) { FStoreLocation = value; }
    bool StoreState() const noexcept { return FStoreState; }
    void SetStoreState(bool value) { FStoreState = value; }
    bool StoreVisible() const noexcept { return FStoreVisible; }
    void SetStoreVisible(bool value) { FStoreVisible = value; }
    bool StoreControls() const noexcept { return FStoreControls; }
    void SetStoreControls(bool value) { FStoreControls = value; }

    const TNotifyEvent& OnStore() const noexcept { return FOnStore; }
    void SetOnStore(const TNotifyEvent& event) { FOnStore = event; }
    const TQELOnStoreControl& OnStoreControl() const noexcept { return FOnStoreControl; }
    void SetOnStoreControl(const TQELOnStoreControl& event) { FOnStoreControl = event; }
    const TNotifyEvent& OnRestore() const noexcept { return FOnRestore; }
    void SetOnRestore(const TNotifyEvent& event) { FOnRestore = event; }

    // Runs the close routine (the owner form's own OnClose handler included) and so stores. Unlike a
    // close of the form, which reports a failing store through Application->HandleException and
    // closes all the same, these raise the failure to the caller.
    void Store();
    // Runs the show routine (the owner form's own OnShow handler included) and so restores.
    void Restore();

    // Reads through FormStore with Default as its fallback; the fallback stays set afterwards.
    int ReadInt(const std::string& name, int defaultValue);
    std::string ReadStr(const std::string& name, const std::string& defaultValue);
    bool ReadBool(const std::string& name, bool defaultValue);

    // The owner form's window procedure while the saver is installed.
    void ExtWndProc(TMessage& message);

protected:
    void Loaded() override;

private:
    void BeforeMaximize();
    void CloseRoutine(TObject* sender, TCloseAction& action);
    void ShowRoutine(TObject* sender);
    // A store run and a restore run, without the owner form's own handlers.
    void StoreAll(TObject* sender);
    void RestoreAll(TObject* sender);
    void StoreForm(TForm* form);
    void StoreControl(TControl* control);
    void RestoreForm(TForm* form);
    void RestoreControl(TControl* control);
    void InstallWndProc();
    TNotifyEvent ShowHandler() { return TNotifyEvent(this, &TQELFormSaver::ShowRoutine); }
    TCloseEvent CloseHandler() { return TCloseEvent(this, &TQELFormSaver::CloseRoutine); }

    std::unique_ptr<TQELDataStore> FFormStore;
    TForm* FOwnerForm;
    bool FStoreSize = true;
    bool FStoreLocation = true;
    bool FStoreState = true;
    bool FStoreVisible = true;
    bool FStoreControls = true;
    TNotifyEvent FOnStore;
    TQELOnStoreControl FOnStoreControl;
    TNotifyEvent FOnRestore;

    TNotifyEvent FPrevShow;
    TCloseEvent FPrevClose;
    WNDPROC FObjectInstance = nullptr;
    WNDPROC FPrevWndProc = nullptr;
    HWND FHookedWindow = nullptr;
    RECT FCaptured{0, 0, 0, 0}; // left, top, width, height as the owner had them before maximising
    bool FCapturedValid = false;
};
