// TBitBtn.
#include "framework/Buttons.h"

QEL_CLASS_INFO(TBitBtn, TWinControl)
{
    return {
        Prop("Kind", &TBitBtn::Kind, &TBitBtn::SetKind).Default(bkCustom),
        Prop("Default", &TBitBtn::Default, &TBitBtn::SetDefault).StoredIf(&TBitBtn::IsDefaultStored),
        Prop("Cancel", &TBitBtn::Cancel, &TBitBtn::SetCancel).StoredIf(&TBitBtn::IsCancelStored),
        Prop("ModalResult", &TBitBtn::ModalResult, &TBitBtn::SetModalResult)
            .StoredIf(&TBitBtn::IsModalResultStored),
        Prop("Glyph", &TBitBtn::Glyph, &TBitBtn::SetGlyph),
        Prop("Margin", &TBitBtn::Margin, &TBitBtn::SetMargin).Default(-1),
        Prop("OnClick", &TBitBtn::OnClick, &TBitBtn::SetOnClick),
    };
}

namespace {

// What a kind makes of the button.
struct TKindRole {
    const char* Caption;
    bool Default;
    bool Cancel;
    TModalResult Result;
};
constexpr TKindRole KindRoles[] = {
    {"", false, false, mrNone},
    {"OK", true, false, mrOk},
    {"Cancel", false, true, mrCancel},
};

SIZE IconSize(HICON icon)
{
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info))
        return {0, 0};
    TGdiObjectHandle color(info.hbmColor);
    TGdiObjectHandle mask(info.hbmMask);
    BITMAP bitmap{};
    GetObjectA(info.hbmMask, sizeof bitmap, &bitmap);
    // A monochrome icon's mask holds the image below the mask proper.
    return {bitmap.bmWidth, info.hbmColor ? bitmap.bmHeight : bitmap.bmHeight / 2};
}

TForm* ParentForm(TControl* control)
{
    for (TWinControl* parent = control->Parent(); parent; parent = parent->Parent())
        if (auto* form = dynamic_cast<TForm*>(parent))
            return form;
    return nullptr;
}

} // namespace

TBitBtn::TBitBtn(TComponent* owner) : TWinControl(owner), FGlyph(new TIcon())
{
    FBounds = {0, 0, 75, 25};
}

TBitBtn::~TBitBtn()
{
    delete FGlyph;
}

void TBitBtn::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.WinClassName = "BUTTON";
    params.SystemClass = true;
    params.Style |= WS_TABSTOP | BS_OWNERDRAW;
}

void TBitBtn::SetKind(TBitBtnKind kind)
{
    FKind = kind;
    if (kind == bkCustom)
        return;
    const TKindRole& role = KindRoles[kind];
    FDefault = role.Default;
    FCancel = role.Cancel;
    FModalResult = role.Result;
    if (!ComponentState().Contains(csLoading) || Caption().empty())
        SetCaption(role.Caption);
    Repaint();
}

bool TBitBtn::IsDefaultStored() const
{
    return FDefault != KindRoles[FKind].Default;
}

bool TBitBtn::IsCancelStored() const
{
    return FCancel != KindRoles[FKind].Cancel;
}

bool TBitBtn::IsModalResultStored() const
{
    return FModalResult != KindRoles[FKind].Result;
}

void TBitBtn::SetDefault(bool value)
{
    FDefault = value;
    Repaint();
}

void TBitBtn::SetGlyph(TIcon* glyph)
{
    if (glyph)
        FGlyph->Assign(glyph);
    else
        FGlyph->SetHandle(nullptr);
    Repaint();
}

void TBitBtn::SetMargin(int margin)
{
    FMargin = margin;
    Repaint();
}

void TBitBtn::TextChanged()
{
    TWinControl::TextChanged();
    Repaint();
}

void TBitBtn::Repaint()
{
    if (HandleAllocated())
        InvalidateRect(Handle(), nullptr, TRUE);
}

void TBitBtn::Click()
{
    if (FModalResult != mrNone)
        if (TForm* form = ParentForm(this))
            form->SetModalResult(FModalResult);
    FOnClick(this);
}

void TBitBtn::WndProc(TMessage& message)
{
    switch (message.Msg) {
    case CN_COMMAND:
        if (HIWORD(message.WParam) == BN_CLICKED)
            Click();
        return;
    case CN_DRAWITEM:
        DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(message.LParam));
        message.Result = TRUE;
        return;
    case CM_DIALOGKEY:
        if (((message.WParam == VK_RETURN && FDefault) || (message.WParam == VK_ESCAPE && FCancel)) &&
            IsWindowVisible(Handle()) && IsWindowEnabled(Handle())) {
            Click();
            message.Result = 1;
        }
        return;
    case WM_GETDLGCODE:
        // An owner-drawn button would say it is no push button, and the dialog keys would pass it by.
        message.Result = DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        return;
    case WM_LBUTTONDBLCLK:
        // Owner-drawn buttons report a double click instead of the second click.
        message.Msg = WM_LBUTTONDOWN;
        break;
    default:
        break;
    }
    TWinControl::WndProc(message);
}

void TBitBtn::DrawItem(const DRAWITEMSTRUCT& item)
{
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    const bool pushed = (item.itemState & ODS_SELECTED) != 0;
    const bool focused = (item.itemState & ODS_FOCUS) != 0;
    if (FDefault || focused) {
        FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        InflateRect(&r, -1, -1);
    }
    DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));

    HGDIOBJ previousFont = SelectObject(dc, FontHandle());
    const std::string caption = Caption();
    RECT textSize{0, 0, 0, 0};
    if (!caption.empty())
        DrawAnsiText(dc, caption, textSize, DT_CALCRECT | DT_SINGLELINE);
    const SIZE glyph = IconSize(FGlyph->Handle());
    const int spacing = glyph.cx > 0 && textSize.right > 0 ? 4 : 0;
    const int contentWidth = glyph.cx + spacing + textSize.right;
    const int shift = pushed ? 1 : 0;
    int x = (FMargin < 0 ? r.left + (r.right - r.left - contentWidth) / 2 : r.left + FMargin) + shift;
    if (glyph.cx > 0) {
        DrawIconEx(dc, x, (r.top + r.bottom - glyph.cy) / 2 + shift, FGlyph->Handle(), glyph.cx, glyph.cy, 0,
                   nullptr, DI_NORMAL);
        x += glyph.cx + spacing;
    }
    RECT text{x, r.top + shift, x + textSize.right, r.bottom + shift};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor((item.itemState & ODS_DISABLED) ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    DrawAnsiText(dc, caption, text, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    SelectObject(dc, previousFont);

    if (focused) {
        InflateRect(&r, -3, -3);
        DrawFocusRect(dc, &r);
    }
}
