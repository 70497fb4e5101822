// The push button with a glyph, used by dialogs for their OK and Cancel buttons.
#pragma once

#include "framework/Controls.h"
#include "framework/Forms.h"
#include "framework/Graphics.h"

enum TBitBtnKind : std::uint8_t { bkCustom, bkOK, bkCancel };
inline const TEnumInfo& EnumTypeInfo(TBitBtnKind)
{
    static const TEnumInfo info{"TBitBtnKind", {"bkCustom", "bkOK", "bkCancel"}};
    return info;
}

// A push button that draws its glyph and caption itself. A click fires OnClick and, when
// ModalResult is set, hands it to the button's form, which ends a modal form. In a form, Enter
// presses the Default button (or the focused one) and Escape the Cancel button.
class TBitBtn : public TWinControl {
    QEL_CLASS(TBitBtn)
public:
    explicit TBitBtn(TComponent* owner);
    ~TBitBtn() override;

    // bkOK and bkCancel make the button its form's default or cancel button with the caption and
    // modal result of that role; a caption already read from a description is kept.
    TBitBtnKind Kind() const noexcept { return FKind; }
    void SetKind(TBitBtnKind kind);
    bool Default() const noexcept { return FDefault; }
    void SetDefault(bool value);
    bool Cancel() const noexcept { return FCancel; }
    void SetCancel(bool value) { FCancel = value; }
    TModalResult ModalResult() const noexcept { return FModalResult; }
    void SetModalResult(TModalResult result) { FModalResult = result; }
    // The picture left of the caption; an empty icon shows the caption alone.
    TIcon* Glyph() const noexcept { return FGlyph; }
    void SetGlyph(TIcon* glyph); // copies; null removes the glyph
    // Pixels between the left edge and the glyph (or the caption); -1 centres the content.
    int Margin() const noexcept { return FMargin; }
    void SetMargin(int margin);

    // What a click does (also BM_CLICK, Enter or Escape in the form).
    virtual void Click();

    const TNotifyEvent& OnClick() const noexcept { return FOnClick; }
    void SetOnClick(const TNotifyEvent& event) { FOnClick = event; }

    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void TextChanged() override;

private:
    bool IsDefaultStored() const;
    bool IsCancelStored() const;
    bool IsModalResultStored() const;
    void DrawItem(const DRAWITEMSTRUCT& item);
    void Repaint();

    TBitBtnKind FKind = bkCustom;
    bool FDefault = false;
    bool FCancel = false;
    TModalResult FModalResult = mrNone;
    TIcon* FGlyph;
    int FMargin = -1;
    TNotifyEvent FOnClick;
};
