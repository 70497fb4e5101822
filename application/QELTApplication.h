// TQELApplication sets the application object's title, icon and hint settings and its event handlers
// from a form: it starts with the application's own values and hands its properties and the handlers
// attached to its events to the application once, when its form has been loaded (in the designer as
// well). Later changes to the component do not reach the application.
//
// When the component is destroyed, each handler it installed that the application still holds makes
// way for the one it replaced, so the application never calls a handler of a form that is gone and
// gets back what it had (a tray icon's OnMinimize, a handler of the program's); other values stay.
//
// Only one TQELApplication may exist in a process: a second one raises QELTApplication::EQELDuplicateError.
// The unit's exception lives in the namespace QELTApplication, since unit QELTOnlyOne declares one of the
// same name.
#pragma once

#include "foundation/QELSystem.h"
#include "framework/Forms.h"

#include <memory>
#include <string>

namespace QELTApplication {

class EQELDuplicateError : public Exception {
public:
    using Exception::Exception;
};

} // namespace QELTApplication

class TQELApplication : public TQELSystemsComponent {
    QEL_CLASS(TQELApplication)
public:
    // Raises QELTApplication::EQELDuplicateError while another TQELApplication exists.
    explicit TQELApplication(TComponent* owner);
    ~TQELApplication() override;

    TColor HintColor() const noexcept { return FHintColor; }
    void SetHintColor(TColor color) { FHintColor = color; }
    int HintPause() const noexcept { return FHintPause; }
    void SetHintPause(int milliseconds) { FHintPause = milliseconds; }
    TIcon* ApplicationIcon() const noexcept { return FApplicationIcon.get(); }
    void SetIcon(TIcon* icon); // copies the icon
    bool ShowHint() const noexcept { return FShowHint; }
    void SetShowHint(bool showHint) { FShowHint = showHint; }
    const std::string& ApplicationTitle() const noexcept { return FApplicationTitle; }
    void SetApplicationTitle(const std::string& title) { FApplicationTitle = title; }

    const TNotifyEvent& OnActivate() const noexcept { return FOnActivate; }
    void SetOnActivate(const TNotifyEvent& event) { FOnActivate = event; }
    const TNotifyEvent& OnDeactivate() const noexcept { return FOnDeactivate; }
    void SetOnDeactivate(const TNotifyEvent& event) { FOnDeactivate = event; }
    const TExceptionEvent& OnException() const noexcept { return FOnException; }
    void SetOnException(const TExceptionEvent& event) { FOnException = event; }
    const THelpEvent& OnHelp() const noexcept { return FOnHelp; }
    void SetOnHelp(const THelpEvent& event) { FOnHelp = event; }
    const TIdleEvent& OnIdle() const noexcept { return FOnIdle; }
    void SetOnIdle(const TIdleEvent& event) { FOnIdle = event; }
    const TMessageEvent& OnMessage() const noexcept { return FOnMessage; }
    void SetOnMessage(const TMessageEvent& event) { FOnMessage = event; }
    const TNotifyEvent& OnMinimize() const noexcept { return FOnMinimize; }
    void SetOnMinimize(const TNotifyEvent& event) { FOnMinimize = event; }
    const TNotifyEvent& OnHint() const noexcept { return FOnHint; }
    void SetOnHint(const TNotifyEvent& event) { FOnHint = event; }
    const TNotifyEvent& OnRestore() const noexcept { return FOnRestore; }
    void SetOnRestore(const TNotifyEvent& event) { FOnRestore = event; }
    const TShowHintEvent& OnShowHint() const noexcept { return FOnShowHint; }
    void SetOnShowHint(const TShowHintEvent& event) { FOnShowHint = event; }

    // Made in code, it hands its values to the application when it is finished (TComponent::Finish).
    bool NeedsFinish() const noexcept override { return true; }

protected:
    // Copies icon, hint settings and title into the application and installs the handlers attached.
    void Loaded() override;

private:
    // An event handed to the application: the handler installed there, and the one it replaced.
    template <class E>
    struct TInstalled {
        E Handler;
        E Previous;
    };

    // Calls action(handler, application getter, application setter, installed record) for each event,
    // in the order Loaded installs them.
    template <class F>
    void ForEachEvent(F action);

    TColor FHintColor;
    int FHintPause;
    std::unique_ptr<TIcon> FApplicationIcon;
    bool FShowHint;
    std::string FApplicationTitle;
    TNotifyEvent FOnActivate;
    TNotifyEvent FOnDeactivate;
    TExceptionEvent FOnException;
    THelpEvent FOnHelp;
    TIdleEvent FOnIdle;
    TMessageEvent FOnMessage;
    TNotifyEvent FOnMinimize;
    TNotifyEvent FOnHint;
    TNotifyEvent FOnRestore;
    TShowHintEvent FOnShowHint;

    TInstalled<TNotifyEvent> FInstalledHint;
    TInstalled<TShowHintEvent> FInstalledShowHint;
    TInstalled<TNotifyEvent> FInstalledActivate;
    TInstalled<TNotifyEvent> FInstalledDeactivate;
    TInstalled<TExceptionEvent> FInstalledException;
    TInstalled<TMessageEvent> FInstalledMessage;
    TInstalled<THelpEvent> FInstalledHelp;
    TInstalled<TIdleEvent> FInstalledIdle;
    TInstalled<TNotifyEvent> FInstalledRestore;
    TInstalled<TNotifyEvent> FInstalledMinimize;
};
