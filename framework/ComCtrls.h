// The common controls: a row of tabs, and the tool tips that show a control's hint.
#pragma once

#include "framework/Controls.h"
#include "framework/StringList.h"

// A row of tabs, one for each line of Tabs, of which one is picked. The control draws the tabs only:
// what a page shows is up to its owner, told of the change by OnChange.
class TTabControl : public TWinControl {
    QEL_CLASS(TTabControl)
public:
    explicit TTabControl(TComponent* owner);
    ~TTabControl() override;

    TStrings* Tabs() const noexcept;
    void SetTabs(TStrings* tabs); // copies the lines
    // The picked tab, -1 for none.
    int TabIndex() const;
    void SetTabIndex(int index);
    // The part of the client area below the tabs, where a page goes.
    RECT DisplayRect();

    // Fired when the user picked another tab.
    const TNotifyEvent& OnChange() const noexcept { return FOnChange; }
    void SetOnChange(const TNotifyEvent& event) { FOnChange = event; }

    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWindowHandle() override;

private:
    void TabsChanged(TObject* sender);
    void FillWindow();

    TStringList* FTabs;
    int FTabIndex = -1; // kept while there is no window
    TNotifyEvent FOnChange;
};

// The tool tips of the controls of one window: each control added shows its text in a tip while the
// mouse rests on it.
class TToolTips : public TComponent {
    QEL_CLASS(TToolTips)
public:
    explicit TToolTips(TComponent* owner);

    // Shows hint for control, which must have a window.
    void Add(TWinControl& control, const std::string& hint);
    // The text shown for control; empty for one never added.
    std::string Hint(TWinControl& control);

private:
    HWND Window();

    TWindowHandle FWindow;
};
