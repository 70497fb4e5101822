// The standard controls: a label drawn by its parent, a single-line edit, a combo box and a list box.
#pragma once

#include "framework/Controls.h"
#include "framework/StringList.h"

// Text drawn straight onto its parent, with no window of its own. An '&' marks the accelerator that
// moves the keyboard focus to FocusControl.
class TLabel : public TControl {
    QEL_CLASS(TLabel)
public:
    explicit TLabel(TComponent* owner);

    // Sized to its text in the parent's font whenever text, font or parent change; with WordWrap the
    // width stays and the height follows.
    bool AutoSize() const noexcept { return FAutoSize; }
    void SetAutoSize(bool autoSize);
    bool WordWrap() const noexcept { return FWordWrap; }
    void SetWordWrap(bool wordWrap);
    // False shows every '&' as it is, for text that is not a control's name.
    bool ShowAccelChar() const noexcept { return FShowAccelChar; }
    void SetShowAccelChar(bool show);
    TWinControl* FocusControl() const noexcept { return FFocusControl; }
    void SetFocusControl(TWinControl* control);

    void SetParent(TWinControl* parent) override;
    void Paint(HDC dc) override;
    void FontChanged() override;
    bool DialogChar(char key) override;

protected:
    void TextChanged() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    HFONT FontHandle() const;
    UINT DrawFlags() const;
    void AdjustBounds();

    bool FAutoSize = true;
    bool FWordWrap = false;
    bool FShowAccelChar = true;
    TWinControl* FFocusControl = nullptr;
};

// A single-line edit box; its Text is what the window shows, typed text included.
class TEdit : public TWinControl {
    QEL_CLASS(TEdit)
public:
    explicit TEdit(TComponent* owner);

    // The most characters the user can type; 0 for no limit beyond the system's.
    int MaxLength() const noexcept { return FMaxLength; }
    void SetMaxLength(int maxLength);
    void SelectAll();

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWindowHandle() override;

private:
    int FMaxLength = 0;
};

enum TComboBoxStyle : std::uint8_t { csDropDown, csSimple, csDropDownList };
inline const TEnumInfo& EnumTypeInfo(TComboBoxStyle)
{
    static const TEnumInfo info{"TComboBoxStyle", {"csDropDown", "csSimple", "csDropDownList"}};
    return info;
}

class TComboBoxStrings;

// A combo box, editable with a drop-down list by default. Items is the window's own list (kept aside
// while there is no window), so indexes and sorting are the ones the user sees.
class TComboBox : public TWinControl {
    QEL_CLASS(TComboBox)
public:
    explicit TComboBox(TComponent* owner);
    ~TComboBox() override;

    TComboBoxStyle Style() const noexcept { return FStyle; }
    void SetStyle(TComboBoxStyle style); // takes a new window
    TStrings* Items() const noexcept;
    void SetItems(TStrings* items); // copies the lines
    // The selected entry, -1 for none.
    int ItemIndex() const;
    void SetItemIndex(int index);
    bool Sorted() const noexcept { return FSorted; }
    void SetSorted(bool sorted); // takes a new window, which sorts the entries
    int MaxLength() const noexcept { return FMaxLength; }
    void SetMaxLength(int maxLength);
    // How many entries the open list shows before it scrolls.
    int DropDownCount() const noexcept { return FDropDownCount; }
    void SetDropDownCount(int count) { FDropDownCount = count; }
    void SelectAll();

    // Fired when the user edited the text or picked another entry.
    const TNotifyEvent& OnChange() const noexcept { return FOnChange; }
    void SetOnChange(const TNotifyEvent& event) { FOnChange = event; }

    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWindowHandle() override;
    void DestroyWnd() override;

private:
    friend class TComboBoxStrings;

    TComboBoxStyle FStyle = csDropDown;
    bool FSorted = false;
    int FMaxLength = 0;
    int FDropDownCount = 8;
    int FItemIndex = -1; // kept while there is no window
    TComboBoxStrings* FItems;
    TNotifyEvent FOnChange;
};

// A list of lines to pick one from. Items are the lines the window shows: a change to them shows at
// once, and the picked line stays picked while it exists.
class TListBox : public TWinControl {
    QEL_CLASS(TListBox)
public:
    explicit TListBox(TComponent* owner);
    ~TListBox() override;

    TStrings* Items() const noexcept;
    void SetItems(TStrings* items); // copies the lines
    // The picked line, -1 for none.
    int ItemIndex() const;
    void SetItemIndex(int index);

    // Fired when the user picked another line, and when a line is double-clicked.
    const TNotifyEvent& OnClick() const noexcept { return FOnClick; }
    void SetOnClick(const TNotifyEvent& event) { FOnClick = event; }
    const TNotifyEvent& OnDblClick() const noexcept { return FOnDblClick; }
    void SetOnDblClick(const TNotifyEvent& event) { FOnDblClick = event; }

    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWindowHandle() override;

private:
    void ItemsChanged(TObject* sender);
    void FillWindow();

    TStringList* FItems;
    int FItemIndex = -1; // kept while there is no window
    TNotifyEvent FOnClick;
    TNotifyEvent FOnDblClick;
};
