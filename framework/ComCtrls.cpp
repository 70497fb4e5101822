// TTabControl and TToolTips.
#include "framework/ComCtrls.h"

#include <commctrl.h>

namespace {

// The common controls' window classes are there once the library is initialised.
void InitCommonControls(DWORD classes)
{
    INITCOMMONCONTROLSEX init{sizeof init, classes};
    (void)InitCommonControlsEx(&init);
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// TTabControl

QEL_CLASS_INFO(TTabControl, TWinControl)
{
    return {
        Prop("Tabs", &TTabControl::Tabs, &TTabControl::SetTabs),
        Prop("TabIndex", &TTabControl::TabIndex, &TTabControl::SetTabIndex).Default(-1),
        Prop("OnChange", &TTabControl::OnChange, &TTabControl::SetOnChange),
    };
}

TTabControl::TTabControl(TComponent* owner) : TWinControl(owner), FTabs(new TStringList())
{
    FBounds = {0, 0, 289, 193};
    FTabs->SetOnChange(TNotifyEvent(this, &TTabControl::TabsChanged));
}

TTabControl::~TTabControl()
{
    delete FTabs;
}

TStrings* TTabControl::Tabs() const noexcept
{
    return FTabs;
}

void TTabControl::SetTabs(TStrings* tabs)
{
    FTabs->Assign(tabs);
}

void TTabControl::CreateParams(TCreateParams& params)
{
    InitCommonControls(ICC_TAB_CLASSES);
    TWinControl::CreateParams(params);
    params.WinClassName = WC_TABCONTROLA;
    params.SystemClass = true;
    params.Style |= WS_TABSTOP | WS_CLIPSIBLINGS;
}

void TTabControl::CreateWindowHandle()
{
    FillWindow();
}

void TTabControl::FillWindow()
{
    HWND window = Handle();
    SendMessageA(window, TCM_DELETEALLITEMS, 0, 0);
    for (int i = 0; i < FTabs->Count(); ++i) {
        std::string text = FTabs->Get(i);
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = text.data();
        if (SendMessageA(window, TCM_INSERTITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item)) < 0)
            throw EOutOfResources("Cannot add a tab");
    }
    SendMessageA(window, TCM_SETCURSEL, static_cast<WPARAM>(FTabIndex), 0);
}

void TTabControl::TabsChanged(TObject*)
{
    FTabIndex = TabIndex();
    if (FTabIndex >= FTabs->Count())
        FTabIndex = -1;
    if (HandleAllocated())
        FillWindow();
}

int TTabControl::TabIndex() const
{
    if (!HandleAllocated())
        return FTabIndex;
    return static_cast<int>(SendMessageA(const_cast<TTabControl*>(this)->Handle(), TCM_GETCURSEL, 0, 0));
}

void TTabControl::SetTabIndex(int index)
{
    FTabIndex = index;
    if (HandleAllocated())
        SendMessageA(Handle(), TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
}

RECT TTabControl::DisplayRect()
{
    RECT r = ClientRect();
    SendMessageA(Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
    return r;
}

void TTabControl::WndProc(TMessage& message)
{
    if (message.Msg == CN_NOTIFY) {
        if (reinterpret_cast<const NMHDR*>(message.LParam)->code == TCN_SELCHANGE)
            FOnChange(this);
        message.Result = 0;
        return;
    }
    TWinControl::WndProc(message);
}

// ---------------------------------------------------------------------------------------------------
// TToolTips

QEL_CLASS_INFO(TToolTips, TComponent)
{
    return {};
}

TToolTips::TToolTips(TComponent* owner) : TComponent(owner)
{
}

HWND TToolTips::Window()
{
    if (!FWindow) {
        InitCommonControls(ICC_WIN95_CLASSES);
        FWindow.Reset(CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                      GetModuleHandleA(nullptr), nullptr));
        if (!FWindow)
            throw EOutOfResources("Cannot create the tool tips");
    }
    return FWindow.Get();
}

namespace {

TTTOOLINFOA ToolInfo(HWND control, char* text)
{
    TTTOOLINFOA info{};
    info.cbSize = sizeof info;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = GetParent(control);
    info.uId = reinterpret_cast<UINT_PTR>(control);
    info.lpszText = text;
    return info;
}

} // namespace

void TToolTips::Add(TWinControl& control, const std::string& hint)
{
    std::string text = hint;
    TTTOOLINFOA info = ToolInfo(control.Handle(), text.data());
    if (!SendMessageA(Window(), TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)))
        throw EOutOfResources("Cannot add a tool tip");
}

std::string TToolTips::Hint(TWinControl& control)
{
    char text[256] = "";
    TTTOOLINFOA info = ToolInfo(control.Handle(), text);
    SendMessageA(Window(), TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&info));
    return text;
}
