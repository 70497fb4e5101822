// TLabel, TEdit, TComboBox and TListBox.
#include "framework/StdCtrls.h"

#include "framework/Graphics.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <vector>

// ---------------------------------------------------------------------------------------------------
// TLabel

QEL_CLASS_INFO(TLabel, TControl)
{
    return {
        Prop("AutoSize", &TLabel::AutoSize, &TLabel::SetAutoSize).Default(true),
        Prop("WordWrap", &TLabel::WordWrap, &TLabel::SetWordWrap).Default(false),
        Prop("ShowAccelChar", &TLabel::ShowAccelChar, &TLabel::SetShowAccelChar).Default(true),
        Prop("FocusControl", &TLabel::FocusControl, &TLabel::SetFocusControl),
    };
}

namespace {

// Whether caption marks key as its accelerator ("&File" for F; "&&" is a plain ampersand).
bool IsAccelerator(char key, const std::string& caption)
{
    for (std::size_t i = 0; i + 1 < caption.size(); ++i)
        if (caption[i] == '&') {
            if (caption[i + 1] != '&')
                return std::toupper(static_cast<unsigned char>(caption[i + 1])) ==
                       std::toupper(static_cast<unsigned char>(key));
            ++i;
        }
    return false;
}

// DrawText's tab stops with DT_EXPANDTABS: every eight average character widths.
int TabWidth(const TEXTMETRICA& metrics)
{
    return std::max(1, 8 * static_cast<int>(metrics.tmAveCharWidth));
}

// One line of a word-wrapped text: where it lies in the text, and how wide it draws.
struct TTextLine {
    std::size_t Start;
    std::size_t Length;
    int Width;
};

// Breaks one paragraph of text, [start, end), into lines of at most width as DrawText with
// DT_WORDBREAK | DT_EXPANDTABS does: between words, a word staying on a line only when it fits there
// with the blank after it; a word wider than width alone on its line; the blanks (and tabs) after a
// line's last word kept on it as far as they fit, the rest swallowed by the break. The paragraph is
// measured once, so the time is linear in its length.
void WrapParagraph(HDC dc, const std::string& text, std::size_t start, std::size_t end, int width, bool prefixes,
                   int tabWidth, std::vector<TTextLine>& lines)
{
    // What is drawn, and where each drawn character's spelling starts in text: with prefixes, "&x"
    // draws x and "&&" one '&'.
    std::string shown;
    std::vector<std::size_t> from;
    for (std::size_t i = start; i < end; ++i) {
        from.push_back(i);
        if (prefixes && text[i] == '&' && i + 1 < end)
            ++i;
        shown += text[i];
    }
    from.push_back(end);
    const std::size_t count = shown.size();
    const std::vector<INT> extents = AnsiTextExtents(dc, shown);
    const auto blank = [&](std::size_t k) { return shown[k] == ' ' || shown[k] == '\t'; };
    // x after drawing [first, last) from x, a tab going to the next tab stop.
    const auto advance = [&](long long x, std::size_t first, std::size_t last) {
        for (std::size_t k = first; k < last; ++k)
            x = shown[k] == '\t' ? (x / tabWidth + 1) * tabWidth : x + extents[k] - (k > 0 ? extents[k - 1] : 0);
        return x;
    };
    const auto addLine = [&](std::size_t first, std::size_t last, long long lineWidth) {
        lines.push_back({from[first], from[last] - from[first],
                         static_cast<int>(std::min<long long>(lineWidth, std::numeric_limits<int>::max()))});
    };
    std::size_t lineStart = 0, k = 0;
    long long x = 0; // the width of the line up to k
    bool hasWord = false;
    while (k < count) {
        std::size_t wordStart = k;
        while (wordStart < count && blank(wordStart))
            ++wordStart;
        if (wordStart == count) { // blanks at the end stay on the last line
            x = advance(x, k, count);
            k = count;
            break;
        }
        std::size_t wordEnd = wordStart;
        while (wordEnd < count && !blank(wordEnd))
            ++wordEnd;
        const long long afterWord = advance(advance(x, k, wordStart), wordStart, wordEnd);
        const long long needed = wordEnd < count ? advance(afterWord, wordEnd, wordEnd + 1) : afterWord;
        if (hasWord && needed > width) {
            std::size_t kept = k;
            for (long long next; kept < wordStart && (next = advance(x, kept, kept + 1)) <= width; ++kept)
                x = next;
            addLine(lineStart, kept, x);
            lineStart = wordStart;
            x = advance(0, wordStart, wordEnd);
        } else
            x = afterWord;
        hasWord = true;
        k = wordEnd;
    }
    addLine(lineStart, k, x);
}

// The lines of a text: its paragraphs end at a line break (CR, LF, CR LF or LF CR; one at the very
// end starts no line of its own), and each is broken as WrapParagraph says.
std::vector<TTextLine> WrapText(HDC dc, const std::string& text, int width, bool prefixes, int tabWidth)
{
    std::vector<TTextLine> lines;
    for (std::size_t start = 0;;) {
        const std::size_t end = std::min(text.find_first_of("\r\n", start), text.size());
        WrapParagraph(dc, text, start, end, width, prefixes, tabWidth, lines);
        start = end + 1;
        if (start < text.size() && (text[start] == '\r' || text[start] == '\n') && text[start] != text[end])
            ++start;
        if (start >= text.size())
            return lines;
    }
}

} // namespace

TLabel::TLabel(TComponent* owner) : TControl(owner)
{
    FBounds = {0, 0, 65, 13};
    AdjustBounds();
}

void TLabel::SetAutoSize(bool autoSize)
{
    FAutoSize = autoSize;
    AdjustBounds();
}

void TLabel::SetWordWrap(bool wordWrap)
{
    FWordWrap = wordWrap;
    AdjustBounds();
    Invalidate();
}

void TLabel::SetShowAccelChar(bool show)
{
    FShowAccelChar = show;
    AdjustBounds();
    Invalidate();
}

void TLabel::SetFocusControl(TWinControl* control)
{
    if (FFocusControl)
        RemoveFreeNotification(FFocusControl);
    FFocusControl = control;
    if (control)
        FreeNotification(control);
}

void TLabel::Notification(TComponent* component, TOperation operation)
{
    TControl::Notification(component, operation);
    if (operation == opRemove && component == FFocusControl)
        FFocusControl = nullptr;
}

void TLabel::SetParent(TWinControl* parent)
{
    TControl::SetParent(parent);
    AdjustBounds();
}

void TLabel::TextChanged()
{
    AdjustBounds();
}

void TLabel::FontChanged()
{
    AdjustBounds();
    Invalidate();
}

HFONT TLabel::FontHandle() const
{
    return Parent() ? Parent()->FontHandle() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

// A word-wrapped label breaks its lines itself (WrapText) and draws them one by one: DrawText's own
// DT_WORDBREAK takes time quadratic in the text.
UINT TLabel::DrawFlags() const
{
    return DT_LEFT | DT_EXPANDTABS | (FShowAccelChar ? 0 : DT_NOPREFIX);
}

void TLabel::AdjustBounds()
{
    if (!FAutoSize)
        return;
    // An empty label keeps the height of one line, so that it can still be seen and placed.
    const std::string text = FCaption.empty() ? std::string(" ") : FCaption;
    TScreenDCHandle dc(GetDC(nullptr));
    HGDIOBJ previous = SelectObject(dc.Get(), FontHandle());
    RECT r{0, 0, 0, 0};
    if (FWordWrap) {
        TEXTMETRICA metrics{};
        (void)GetTextMetricsA(dc.Get(), &metrics);
        const std::vector<TTextLine> lines = WrapText(dc.Get(), text, Width(), FShowAccelChar, TabWidth(metrics));
        for (const TTextLine& line : lines)
            r.right = std::max(r.right, static_cast<LONG>(line.Width));
        r.bottom = static_cast<LONG>(std::min<long long>(static_cast<long long>(lines.size()) * metrics.tmHeight,
                                                         std::numeric_limits<int>::max()));
    } else
        DrawAnsiText(dc.Get(), text, r, DrawFlags() | DT_CALCRECT);
    SelectObject(dc.Get(), previous);
    SetBounds(Left(), Top(), r.right, r.bottom);
}

void TLabel::Paint(HDC dc)
{
    RECT r = FBounds;
    HGDIOBJ previous = SelectObject(dc, FontHandle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    if (FWordWrap) {
        TEXTMETRICA metrics{};
        (void)GetTextMetricsA(dc, &metrics);
        RECT clip{}; // what needs drawing: all of it when the device context cannot say
        if (GetClipBox(dc, &clip) == ERROR)
            clip = r;
        long long top = r.top;
        for (const TTextLine& line : WrapText(dc, FCaption, r.right - r.left, FShowAccelChar, TabWidth(metrics))) {
            if (top >= std::min(r.bottom, clip.bottom))
                break;
            RECT lineRect{r.left, static_cast<LONG>(top), r.right, r.bottom};
            if (top + metrics.tmHeight > clip.top)
                DrawAnsiText(dc, std::string_view(FCaption).substr(line.Start, line.Length), lineRect,
                             DrawFlags() | DT_SINGLELINE);
            top += metrics.tmHeight;
        }
    } else
        DrawAnsiText(dc, FCaption, r, DrawFlags());
    SelectObject(dc, previous);
}

bool TLabel::DialogChar(char key)
{
    if (!FShowAccelChar || !FFocusControl || !FFocusControl->HandleAllocated() || !IsAccelerator(key, FCaption))
        return false;
    HWND target = FFocusControl->Handle();
    if (!IsWindowVisible(target) || !IsWindowEnabled(target))
        return false;
    SetFocus(target);
    return true;
}

// ---------------------------------------------------------------------------------------------------
// TEdit

QEL_CLASS_INFO(TEdit, TWinControl)
{
    return {
        // The text is stored once, as Text.
        Prop("Caption", &TEdit::Caption, &TEdit::SetCaption).Stored(TStored::Never),
        Prop("Text", &TEdit::Text, &TEdit::SetText).Stored(TStored::NotEmpty),
        Prop("MaxLength", &TEdit::MaxLength, &TEdit::SetMaxLength).Default(0),
    };
}

TEdit::TEdit(TComponent* owner) : TWinControl(owner)
{
    FBounds = {0, 0, 121, 21};
}

void TEdit::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.WinClassName = "EDIT";
    params.SystemClass = true;
    params.Style |= WS_TABSTOP | ES_AUTOHSCROLL;
    params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TEdit::CreateWindowHandle()
{
    SendMessageA(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
}

void TEdit::SetMaxLength(int maxLength)
{
    FMaxLength = maxLength;
    if (HandleAllocated())
        SendMessageA(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(maxLength), 0);
}

void TEdit::SelectAll()
{
    SendMessageA(Handle(), EM_SETSEL, 0, -1);
}

// ---------------------------------------------------------------------------------------------------
// TComboBox

// The combo box's entries: the window's list while the window exists, a list of our own before it is
// created and between two windows.
class TComboBoxStrings : public TStrings {
public:
    explicit TComboBoxStrings(TComboBox& comboBox) : FComboBox(comboBox) {}

    int Count() const override;
    std::string Get(int index) const override;
    void Put(int index, const std::string& text) override;
    void Insert(int index, const std::string& text) override;
    void Delete(int index) override;
    void Clear() override;
    int Add(const std::string& text) override;

    // Moves the entries between the window and the list kept aside.
    void FillWindow();
    void SaveWindow();
    void SetSorted(bool sorted) { FSaved.SetSorted(sorted); }

private:
    HWND Window() const { return FComboBox.HandleAllocated() ? FComboBox.Handle() : nullptr; }
    void CheckIndex(int index, int count) const;
    void CheckNotSorted() const;

    TComboBox& FComboBox;
    TStringList FSaved;
};

int TComboBoxStrings::Count() const
{
    if (HWND window = Window())
        return static_cast<int>(SendMessageA(window, CB_GETCOUNT, 0, 0));
    return FSaved.Count();
}

void TComboBoxStrings::CheckIndex(int index, int count) const
{
    if (index < 0 || index >= count)
        Error(index);
}

void TComboBoxStrings::CheckNotSorted() const
{
    if (FComboBox.Sorted())
        throw EListError("Operation not allowed on sorted list");
}

std::string TComboBoxStrings::Get(int index) const
{
    HWND window = Window();
    if (!window)
        return FSaved.Get(index);
    CheckIndex(index, Count());
    std::string text(static_cast<std::size_t>(SendMessageA(window, CB_GETLBTEXTLEN, index, 0)) + 1, '\0');
    text.resize(static_cast<std::size_t>(
        SendMessageA(window, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

void TComboBoxStrings::Put(int index, const std::string& text)
{
    CheckNotSorted();
    HWND window = Window();
    if (!window) {
        FSaved.Put(index, text);
        return;
    }
    CheckIndex(index, Count());
    const int selected = FComboBox.ItemIndex();
    SendMessageA(window, CB_DELETESTRING, index, 0);
    Insert(index, text);
    if (selected == index)
        FComboBox.SetItemIndex(index);
}

void TComboBoxStrings::Insert(int index, const std::string& text)
{
    CheckNotSorted();
    HWND window = Window();
    if (!window) {
        FSaved.Insert(index, text);
        return;
    }
    CheckIndex(index, Count() + 1);
    if (SendMessageA(window, CB_INSERTSTRING, index, reinterpret_cast<LPARAM>(text.c_str())) < 0)
        throw EOutOfResources("Cannot insert an entry into the combo box");
}

int TComboBoxStrings::Add(const std::string& text)
{
    HWND window = Window();
    if (!window)
        return FSaved.Add(text);
    // A sorted window puts the entry in its place and says where.
    const auto index = SendMessageA(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (index < 0)
        throw EOutOfResources("Cannot add an entry to the combo box");
    return static_cast<int>(index);
}

void TComboBoxStrings::Delete(int index)
{
    HWND window = Window();
    if (!window) {
        FSaved.Delete(index);
        return;
    }
    CheckIndex(index, Count());
    SendMessageA(window, CB_DELETESTRING, index, 0);
}

void TComboBoxStrings::Clear()
{
    HWND window = Window();
    if (!window) {
        FSaved.Clear();
        return;
    }
    // Emptying the list empties the edit field too; the text is not the list's to take.
    const std::string text = FComboBox.Text();
    SendMessageA(window, CB_RESETCONTENT, 0, 0);
    SetWindowTextA(window, text.c_str());
}

void TComboBoxStrings::FillWindow()
{
    HWND window = Window();
    for (int i = 0; i < FSaved.Count(); ++i)
        SendMessageA(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(FSaved.Get(i).c_str()));
    FSaved.Clear();
}

void TComboBoxStrings::SaveWindow()
{
    std::vector<std::string> lines;
    for (int i = 0; i < Count(); ++i)
        lines.push_back(Get(i));
    FSaved.Clear();
    for (const std::string& line : lines)
        FSaved.Add(line);
}

QEL_CLASS_INFO(TComboBox, TWinControl)
{
    return {
        Prop("Style", &TComboBox::Style, &TComboBox::SetStyle).Default(csDropDown),
        Prop("Sorted", &TComboBox::Sorted, &TComboBox::SetSorted).Default(false),
        Prop("MaxLength", &TComboBox::MaxLength, &TComboBox::SetMaxLength).Default(0),
        Prop("DropDownCount", &TComboBox::DropDownCount, &TComboBox::SetDropDownCount).Default(8),
        Prop("Items", &TComboBox::Items, &TComboBox::SetItems),
        Prop("ItemIndex", &TComboBox::ItemIndex, &TComboBox::SetItemIndex).Default(-1),
        // The text is stored once, as Text.
        Prop("Caption", &TComboBox::Caption, &TComboBox::SetCaption).Stored(TStored::Never),
        Prop("Text", &TComboBox::Text, &TComboBox::SetText).Stored(TStored::NotEmpty),
        Prop("OnChange", &TComboBox::OnChange, &TComboBox::SetOnChange),
    };
}

TComboBox::TComboBox(TComponent* owner) : TWinControl(owner), FItems(new TComboBoxStrings(*this))
{
    FBounds = {0, 0, 145, 21};
}

TComboBox::~TComboBox()
{
    delete FItems;
}

TStrings* TComboBox::Items() const noexcept
{
    return FItems;
}

void TComboBox::SetItems(TStrings* items)
{
    FItems->Assign(items);
}

void TComboBox::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.WinClassName = "COMBOBOX";
    params.SystemClass = true;
    static constexpr DWORD styles[] = {CBS_DROPDOWN, CBS_SIMPLE, CBS_DROPDOWNLIST};
    params.Style |= WS_TABSTOP | WS_VSCROLL | CBS_AUTOHSCROLL | styles[FStyle] | (FSorted ? CBS_SORT : 0);
}

void TComboBox::CreateWindowHandle()
{
    HWND window = Handle();
    FItems->FillWindow();
    SendMessageA(window, CB_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
    SetWindowTextA(window, FCaption.c_str());
    if (FItemIndex >= 0)
        SendMessageA(window, CB_SETCURSEL, static_cast<WPARAM>(FItemIndex), 0);
}

void TComboBox::DestroyWnd()
{
    if (HandleAllocated()) {
        FItemIndex = ItemIndex();
        FItems->SaveWindow();
    }
    TWinControl::DestroyWnd();
}

void TComboBox::SetStyle(TComboBoxStyle style)
{
    if (style == FStyle)
        return;
    FStyle = style;
    RecreateWnd();
}

void TComboBox::SetSorted(bool sorted)
{
    if (sorted == FSorted)
        return;
    FSorted = sorted;
    FItems->SetSorted(sorted);
    RecreateWnd();
}

int TComboBox::ItemIndex() const
{
    if (!HandleAllocated())
        return FItemIndex;
    return static_cast<int>(SendMessageA(const_cast<TComboBox*>(this)->Handle(), CB_GETCURSEL, 0, 0));
}

void TComboBox::SetItemIndex(int index)
{
    FItemIndex = index;
    if (HandleAllocated())
        SendMessageA(Handle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void TComboBox::SetMaxLength(int maxLength)
{
    FMaxLength = maxLength;
    if (HandleAllocated())
        SendMessageA(Handle(), CB_LIMITTEXT, static_cast<WPARAM>(maxLength), 0);
}

void TComboBox::SelectAll()
{
    SendMessageA(Handle(), CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
}

void TComboBox::WndProc(TMessage& message)
{
    if (message.Msg == CN_COMMAND) {
        switch (HIWORD(message.WParam)) {
        case CBN_DROPDOWN: {
            // The window's height is the height of the open list: make room for DropDownCount entries.
            const int count = std::clamp(FItems->Count(), 1, std::max(FDropDownCount, 1));
            const auto itemHeight = static_cast<int>(SendMessageA(Handle(), CB_GETITEMHEIGHT, 0, 0));
            SetWindowPos(Handle(), nullptr, 0, 0, Width(), Height() + itemHeight * count + 2,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
            break;
        }
        case CBN_SELCHANGE:
            // The edit field takes the picked entry only after this notice; OnChange should see it.
            if (const int index = ItemIndex(); index >= 0)
                SetWindowTextA(Handle(), FItems->Get(index).c_str());
            FOnChange(this);
            break;
        case CBN_EDITCHANGE:
            FOnChange(this);
            break;
        default:
            break;
        }
        return;
    }
    TWinControl::WndProc(message);
}

// ---------------------------------------------------------------------------------------------------
// TListBox

QEL_CLASS_INFO(TListBox, TWinControl)
{
    return {
        Prop("Items", &TListBox::Items, &TListBox::SetItems),
        Prop("ItemIndex", &TListBox::ItemIndex, &TListBox::SetItemIndex).Default(-1),
        Prop("OnClick", &TListBox::OnClick, &TListBox::SetOnClick),
        Prop("OnDblClick", &TListBox::OnDblClick, &TListBox::SetOnDblClick),
    };
}

TListBox::TListBox(TComponent* owner) : TWinControl(owner), FItems(new TStringList())
{
    FBounds = {0, 0, 121, 97};
    FItems->SetOnChange(TNotifyEvent(this, &TListBox::ItemsChanged));
}

TListBox::~TListBox()
{
    delete FItems;
}

TStrings* TListBox::Items() const noexcept
{
    return FItems;
}

void TListBox::SetItems(TStrings* items)
{
    FItems->Assign(items);
}

void TListBox::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.WinClassName = "LISTBOX";
    params.SystemClass = true;
    params.Style |= WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_USETABSTOPS;
    params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TListBox::CreateWindowHandle()
{
    FillWindow();
}

void TListBox::FillWindow()
{
    HWND window = Handle();
    SendMessageA(window, WM_SETREDRAW, FALSE, 0);
    SendMessageA(window, LB_RESETCONTENT, 0, 0);
    for (int i = 0; i < FItems->Count(); ++i)
        if (SendMessageA(window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(FItems->Get(i).c_str())) < 0)
            throw EOutOfResources("Cannot add a line to the list box");
    SendMessageA(window, LB_SETCURSEL, static_cast<WPARAM>(FItemIndex), 0);
    SendMessageA(window, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(window, nullptr, TRUE);
}

void TListBox::ItemsChanged(TObject*)
{
    FItemIndex = ItemIndex();
    if (FItemIndex >= FItems->Count())
        FItemIndex = -1;
    if (HandleAllocated())
        FillWindow();
}

int TListBox::ItemIndex() const
{
    if (!HandleAllocated())
        return FItemIndex;
    return static_cast<int>(SendMessageA(const_cast<TListBox*>(this)->Handle(), LB_GETCURSEL, 0, 0));
}

void TListBox::SetItemIndex(int index)
{
    FItemIndex = index;
    if (HandleAllocated())
        SendMessageA(Handle(), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void TListBox::WndProc(TMessage& message)
{
    if (message.Msg == CN_COMMAND) {
        if (HIWORD(message.WParam) == LBN_SELCHANGE)
            FOnClick(this);
        else if (HIWORD(message.WParam) == LBN_DBLCLK)
            FOnDblClick(this);
        return;
    }
    TWinControl::WndProc(message);
}
