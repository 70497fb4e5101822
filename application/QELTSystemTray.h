// TQELSystemTray puts an icon for the application into the taskbar's notification area. By default the
// icon is there only while the application is minimised, and the application's taskbar button is hidden
// meanwhile; with NormalIcon it stays all the time. Clicks on the icon fire events, and a right click
// opens PopupMenu while the application is hidden (always with NormalIcon).
//
// The component takes over the application's OnMinimize and OnRestore when it is created, replacing
// what they held, and puts that back when it is destroyed if they still hold its own handlers. It keeps the application reachable: when the
// icon leaves the tray while the application is minimised into it (the component disabled or
// destroyed, or an icon the shell refused), the taskbar button comes back. An icon the shell refuses
// while the form is being read (an application started with Windows before the notification area
// exists) is tried again once a second for 30 seconds; an icon that was shown comes back after the
// shell restarts ("TaskbarCreated").
#pragma once

#include "foundation/QELSystem.h"
#include "framework/Controls.h"
#include "framework/Graphics.h"
#include "framework/Menus.h"

#include <shellapi.h>

#include <string>

class TQELSystemTray : public TQELSystemsComponent {
    QEL_CLASS(TQELSystemTray)
public:
    explicit TQELSystemTray(TComponent* owner);
    ~TQELSystemTray() override;

    bool Enabled() const noexcept { return FEnabled; }
    void SetEnabled(bool enabled);
    // The icon's tool tip, at most 63 characters of it; when empty at creation, the application's title.
    const std::string& Hint() const noexcept { return FHint; }
    void SetHint(const std::string& hint);
    TPopupMenu* PopupMenu() const noexcept { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* menu);
    bool NormalIcon() const noexcept { return FNormalIcon; }
    void SetNormalIcon(bool normalIcon);

    // Sender is the component.
    const TNotifyEvent& OnClick() const noexcept { return FOnClick; }
    void SetOnClick(const TNotifyEvent& event) { FOnClick = event; }
    const TNotifyEvent& OnDblClick() const noexcept { return FOnDblClick; }
    void SetOnDblClick(const TNotifyEvent& event) { FOnDblClick = event; }
    const TMouseEvent& OnRightClick() const noexcept { return FOnRightClick; }
    void SetOnRightClick(const TMouseEvent& event) { FOnRightClick = event; }
    // Sender is the application object.
    const TNotifyEvent& OnMinimize() const noexcept { return FOnMinimize; }
    void SetOnMinimize(const TNotifyEvent& event) { FOnMinimize = event; }
    const TNotifyEvent& OnRestore() const noexcept { return FOnRestore; }
    void SetOnRestore(const TNotifyEvent& event) { FOnRestore = event; }

    // Shows a copy of icon in the tray.
    void SetIcon(TIcon* icon);
    // Adds the icon when it is wanted and not there (EOutOfResources "Cannot create shell notification
    // Icon" when the shell refuses, except while the form is being read), removes it, refreshes it.
    void FillTray();
    void EmptyTray();
    void UpdateTray();

    // The application's OnMinimize and OnRestore while the component is installed.
    void HandleMinimize(TObject* sender);
    void HandleRestore(TObject* sender);
    void HandleRightClick(TObject* sender);
    // The hidden window's procedure: the tray's callbacks, the retries, the shell's restart.
    void WndProc(TMessage& message);

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    bool Designing() const noexcept { return ComponentState().Contains(csDesigning); }
    TNotifyEvent MinimizeHandler() { return TNotifyEvent(this, &TQELSystemTray::HandleMinimize); }
    TNotifyEvent RestoreHandler() { return TNotifyEvent(this, &TQELSystemTray::HandleRestore); }
    void SetTip(const std::string& tip);
    bool AddIcon();
    void RetryAdd();
    void StopRetrying();
    void ShowMinimizedApplication();
    void ShellRestarted();

    bool FEnabled = false;
    std::string FHint;
    TPopupMenu* FPopupMenu = nullptr;
    bool FNormalIcon = false;
    TNotifyEvent FOnClick;
    TNotifyEvent FOnDblClick;
    TMouseEvent FOnRightClick;
    TNotifyEvent FOnMinimize;
    TNotifyEvent FOnRestore;

    TIcon FTrayIcon;
    NOTIFYICONDATAA FRecord{};
    bool FShellAvailable = false;
    bool FMinimized = false;
    bool FOutOfTray = true;
    int FRetriesLeft = 0; // while an add refused during loading is tried again
    // The application's handlers found when the component took the events over.
    TNotifyEvent FPrevMinimize;
    TNotifyEvent FPrevRestore;
    // Declared last: destroyed first, with its timer, while the fields are valid.
    TUtilWindowHandle FWindow;
};
