// The designer's windows.
#include "tools/QelDesignWindows.h"

#include "actions/QELTExitWindows.h"
#include "actions/QELTScreenSaver.h"
#include "actions/QELTSystemKeys.h"
#include "actions/QELTWallPaper.h"
#include "files/QELTFileOperator.h"
#include "framework/Buttons.h"
#include "framework/Dialogs.h"
#include "framework/Exceptions.h"
#include "framework/Graphics.h"
#include "framework/Strings.h"
#include "framework/SysUtils.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

// Beside the inspector and below the palette.
const char* const NewFormText = "object Form1: TForm1\r\n"
                                "  Left = 350\r\n"
                                "  Top = 100\r\n"
                                "  Width = 480\r\n"
                                "  Height = 320\r\n"
                                "  Caption = 'Form1'\r\n"
                                "end\r\n";

namespace {

constexpr int GlyphSize = 24;
constexpr int ButtonSize = 30;
// A component on the form: its glyph in a box, its name under it; the grid of the layout.
constexpr int IconSize = 28;
constexpr int NameHeight = 16;
constexpr int CellWidth = 84;
constexpr int CellHeight = 56;
constexpr int LayoutMargin = 12;

// A colour of its own for each class name, dark enough for white initials.
COLORREF GlyphColor(const std::string& className)
{
    std::uint32_t hash = 2166136261u;
    for (char c : className)
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return RGB(40 + hash % 150, 40 + (hash >> 8) % 150, 40 + (hash >> 16) % 150);
}

// A class name without its prefix, the library's or the plain T: FormSaver for TQELFormSaver, Edit
// for TEdit. Components are named after it.
std::string BaseName(const std::string& className)
{
    for (std::string_view prefix : {"TQEL", "T"})
        if (className.size() > prefix.size() && className.starts_with(prefix))
            return className.substr(prefix.size());
    return className;
}

// The first of Base1, Base2, ... (FormSaver1 for TQELFormSaver) that names neither the root nor a
// component on it nor any of taken.
std::string UniqueName(const TComponent& root, const std::string& className, const std::vector<std::string>& taken)
{
    const std::string base = BaseName(className);
    for (int i = 1;; ++i) {
        std::string name = base + std::to_string(i);
        if (!root.FindComponent(name) && !SameText(root.Name(), name) &&
            std::none_of(taken.begin(), taken.end(), [&](const std::string& t) { return SameText(t, name); }))
            return name;
    }
}

// The clipboard, open while it stands.
class TOpenClipboard {
public:
    explicit TOpenClipboard(HWND owner) : FOpened(OpenClipboard(owner) != FALSE)
    {
        if (!FOpened)
            throw Exception("Cannot open the clipboard (error " + std::to_string(GetLastError()) + ")");
    }
    ~TOpenClipboard()
    {
        if (FOpened)
            (void)CloseClipboard();
    }
    TOpenClipboard(const TOpenClipboard&) = delete;
    TOpenClipboard& operator=(const TOpenClipboard&) = delete;

private:
    bool FOpened;
};

// Text goes on the clipboard as UTF-16, which every program reads whatever its code page.
void SetClipboardText(HWND owner, const std::string& text)
{
    const std::wstring wide = AnsiToWide(text);
    TGlobalHandle memory(GlobalAlloc(GMEM_MOVEABLE, (wide.size() + 1) * sizeof(wchar_t)));
    if (!memory)
        throw EOutOfResources("Cannot put " + std::to_string(text.size()) + " bytes on the clipboard");
    std::memcpy(GlobalLock(memory.Get()), wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
    (void)GlobalUnlock(memory.Get());
    const TOpenClipboard clipboard(owner);
    (void)EmptyClipboard();
    if (!SetClipboardData(CF_UNICODETEXT, memory.Get()))
        throw Exception("Cannot put text on the clipboard (error " + std::to_string(GetLastError()) + ")");
    (void)memory.Release(); // the clipboard's now
}

// The clipboard's text; empty when it holds none.
std::string ClipboardText(HWND owner)
{
    const TOpenClipboard clipboard(owner);
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const auto* wide = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr;
    if (!wide)
        return {};
    std::string text = WideToAnsi(wide);
    (void)GlobalUnlock(data);
    return text;
}

// The lines of text, split at CR LF or LF.
std::vector<std::string> TextLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start - (end > start && text[end - 1] == '\r')));
        start = end + 1;
    }
    return lines;
}

// The capitals of the class's base name (FormSaver: FS), two at most; the first two letters of a name
// with fewer.
std::string Initials(const std::string& className)
{
    const std::string name = BaseName(className);
    std::string initials;
    for (char c : name)
        if (c >= 'A' && c <= 'Z' && initials.size() < 2)
            initials += c;
    return initials.size() == 2 ? initials : name.substr(0, 2);
}

void DrawGlyph(HDC dc, RECT r, const std::string& className)
{
    const TGdiObjectHandle brush(CreateSolidBrush(GlyphColor(className)));
    FillRect(dc, &r, static_cast<HBRUSH>(brush.Get()));
    FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    const HGDIOBJ font = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    DrawAnsiText(dc, Initials(className), r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, font);
}

HICON MakeGlyphIcon(const std::string& className)
{
    const TScreenDCHandle screen(GetDC(nullptr));
    const TMemoryDCHandle dc(CreateCompatibleDC(screen.Get()));
    const TGdiObjectHandle color(CreateCompatibleBitmap(screen.Get(), GlyphSize, GlyphSize));
    // All of the glyph is drawn: a mask of zero bits, each row a multiple of 16 bits.
    const std::vector<BYTE> zeros(((GlyphSize + 15) / 16) * 2 * GlyphSize, 0);
    const TGdiObjectHandle mask(CreateBitmap(GlyphSize, GlyphSize, 1, 1, zeros.data()));
    if (!dc || !color || !mask)
        throw EOutOfResources("Cannot draw the glyph of " + className);
    const HGDIOBJ previous = SelectObject(dc.Get(), color.Get());
    DrawGlyph(dc.Get(), {0, 0, GlyphSize, GlyphSize}, className);
    SelectObject(dc.Get(), previous);
    ICONINFO info{TRUE, 0, 0, static_cast<HBITMAP>(mask.Get()), static_cast<HBITMAP>(color.Get())};
    HICON icon = CreateIconIndirect(&info);
    if (!icon)
        throw EOutOfResources("Cannot make the glyph of " + className);
    return icon;
}

// The window's device context outside WM_PAINT.
class TWindowDC {
public:
    explicit TWindowDC(HWND window) : FWindow(window), FDC(GetDC(window)) {}
    ~TWindowDC() { ReleaseDC(FWindow, FDC); }
    TWindowDC(const TWindowDC&) = delete;
    TWindowDC& operator=(const TWindowDC&) = delete;
    HDC Get() const noexcept { return FDC; }

private:
    HWND FWindow;
    HDC FDC;
};

bool IsPlaced(const TComponent& component)
{
    return !component.HasParent();
}

// The components whose Execute Test acts on the machine as a whole.
bool ActsOnTheMachine(const TPersistent* object)
{
    return object->InheritsFrom(TQELExitWindows::StaticClass()) ||
           object->InheritsFrom(TQELWallPaper::StaticClass()) ||
           object->InheritsFrom(TQELScreenSaver::StaticClass()) ||
           object->InheritsFrom(TQELSystemKeys::StaticClass()) ||
           object->InheritsFrom(TQELFileOperator::StaticClass());
}

} // namespace

// The value field of the inspector: Enter sets the value, also where the form's dialog handling would
// take Enter for its default button.
class TInspectorEdit : public TEdit {
public:
    using TEdit::TEdit;

    void SetOnEnter(const TNotifyEvent& event) { FOnEnter = event; }

    void WndProc(TMessage& message) override
    {
        if (message.Msg == WM_GETDLGCODE) {
            TEdit::WndProc(message);
            const auto* msg = reinterpret_cast<const MSG*>(message.LParam);
            if (msg && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN)
                message.Result |= DLGC_WANTMESSAGE;
            return;
        }
        if (message.Msg == WM_KEYDOWN && message.WParam == VK_RETURN) {
            FOnEnter(this);
            message.Result = 0;
            return;
        }
        if (message.Msg == WM_CHAR && message.WParam == '\r')
            return; // no beep
        TEdit::WndProc(message);
    }

private:
    TNotifyEvent FOnEnter;
};

TDesignWindows::TDesignWindows(TDesignSession& session, std::string fileName, bool saveAtDeadline,
                               const TDeadline& deadline)
    : FSession(session), FFileName(std::move(fileName)), FSaveAtDeadline(saveAtDeadline), FDeadline(deadline)
{
    if (!dynamic_cast<TForm*>(FSession.Root()))
        throw EUsage("the root of " + FFileName + " is a " + FSession.Root()->ClassName() + ", which is no form");
    FFormProc = MakeObjectInstance(TWndMethod(this, &TDesignWindows::FormWndProc));
    MakePalette();
    MakeInspector();
}

TDesignWindows::~TDesignWindows()
{
    UnhookForm();
    FreeObjectInstance(FFormProc);
}

TForm& TDesignWindows::Form() const
{
    return *static_cast<TForm*>(FSession.Root());
}

void TDesignWindows::Run(std::vector<std::string> selected)
{
    FSelected = std::move(selected);
    LayOut();
    HookForm();
    FPalette->Show();
    FInspector->Show();
    FText = FSession.Text();
    FSavedText = GetFileAttributesA(FFileName.c_str()) == INVALID_FILE_ATTRIBUTES ? std::string() : FText;
    FillRows();
    Application->SetMainForm(FPalette.get());
    if (!Application->Terminated())
        Application->Run();
}

// ---------------------------------------------------------------------------------------------------
// The palette

void TDesignWindows::MakePalette()
{
    // Owned by the application too, which forgets it as its main form when it goes.
    FPalette = std::make_unique<TForm>(Application);
    FPalette->SetCaption("Component Palette");
    FPalette->SetOnClose(TCloseEvent(this, &TDesignWindows::PaletteClose));
    FTips = new TToolTips(FPalette.get());
    FPages = new TTabControl(FPalette.get());
    FPages->SetParent(FPalette.get());
    TStringList names;
    std::size_t most = 0;
    for (const TPalettePage& page : PalettePages()) {
        names.Add(page.Name);
        most = std::max(most, page.Classes.size());
    }
    FPages->SetTabs(&names);
    FPages->SetTabIndex(0);
    FPages->SetOnChange(TNotifyEvent(this, &TDesignWindows::PageChanged));
    const int width = static_cast<int>(most) * ButtonSize + 24;
    FPalette->SetBounds(0, 0, width, 120);
    FPalette->SetClientWidth(width);
    FPages->SetBounds(0, 0, FPalette->ClientWidth(), FPalette->ClientHeight());
    const RECT display = FPages->DisplayRect();
    FPalette->SetClientHeight(display.top + ButtonSize + 12);
    FPages->SetHeight(FPalette->ClientHeight());
    for (const TPalettePage& page : PalettePages()) {
        std::vector<TBitBtn*>& buttons = FButtons.emplace_back();
        for (TClass cls : page.Classes) {
            auto* button = new TBitBtn(FPalette.get());
            button->SetParent(FPages);
            button->SetBounds(display.left + 4 + static_cast<int>(buttons.size()) * ButtonSize, display.top + 4,
                              ButtonSize - 2, ButtonSize - 2);
            TIcon glyph;
            glyph.SetHandle(MakeGlyphIcon(cls->Name));
            button->SetGlyph(&glyph);
            button->SetOnClick(TNotifyEvent(this, &TDesignWindows::PaletteClick));
            buttons.push_back(button);
            SetWindowLongPtrA(button->Handle(), GWLP_ID, static_cast<LONG_PTR>(buttons.size()));
            FTips->Add(*button, cls->Name);
            button->SetVisible(FButtons.size() == 1);
        }
    }
}

void TDesignWindows::PageChanged(TObject*)
{
    for (std::size_t page = 0; page < FButtons.size(); ++page)
        for (TBitBtn* button : FButtons[page])
            button->SetVisible(static_cast<int>(page) == FPages->TabIndex());
}

void TDesignWindows::PaletteClick(TObject* sender)
{
    for (std::size_t page = 0; page < FButtons.size(); ++page) {
        auto found = std::find(FButtons[page].begin(), FButtons[page].end(), sender);
        if (found != FButtons[page].end())
            FPlacing = PalettePages()[page].Classes[static_cast<std::size_t>(found - FButtons[page].begin())];
    }
}

void TDesignWindows::PaletteClose(TObject*, TCloseAction& action)
{
    if (FDeadline.Passed()) {
        if (FSaveAtDeadline)
            Save();
        return;
    }
    if (!Modified())
        return;
    switch (MessageDlg("Save the changes to " + FFileName + "?", mtConfirmation, {mbYes, mbNo, mbCancel}, 0)) {
    case mrYes:
        Save();
        break;
    case mrNo:
        break;
    default:
        action = caNone;
        break;
    }
}

// ---------------------------------------------------------------------------------------------------
// The form

void TDesignWindows::HookForm()
{
    FFormWindow = Form().Handle();
    HookWindowProc(FFormWindow, FFormProc, FPreviousFormProc);
    ShowWindow(FFormWindow, SW_SHOWNA);
    InvalidateRect(FFormWindow, nullptr, TRUE);
}

void TDesignWindows::UnhookForm()
{
    if (FFormWindow)
        UnhookWindowProc(FFormWindow, FFormProc);
    FFormWindow = nullptr;
}

// Components without a design position go into the first free cells of a grid, in rows as wide as
// the form: free of the form's controls, which would hide them, and of the components placed.
void TDesignWindows::LayOut()
{
    const TComponent* root = FSession.Root();
    const int columns = std::max(1, (Form().ClientWidth() - LayoutMargin) / CellWidth);
    int cell = 0;
    for (int i = 0; i < root->ComponentCount(); ++i) {
        TComponent* component = root->Components(i);
        if (!IsPlaced(*component) || component->DesignPosition())
            continue;
        for (;; ++cell) {
            const TDesignPosition position{LayoutMargin + (cell % columns) * CellWidth,
                                           LayoutMargin + (cell / columns) * CellHeight};
            const RECT r{position.Left, position.Top, position.Left + CellWidth, position.Top + CellHeight};
            bool free = true;
            for (int k = 0; k < root->ComponentCount() && free; ++k) {
                const TComponent& other = *root->Components(k);
                const auto* control = dynamic_cast<const TControl*>(&other);
                RECT taken, overlap;
                if (control && control->Parent() == &Form())
                    taken = control->BoundsRect();
                else if (!control && other.DesignPosition())
                    taken = IconRect(other);
                else
                    continue;
                free = !IntersectRect(&overlap, &r, &taken);
            }
            if (free) {
                component->SetDesignPosition(position);
                break;
            }
        }
    }
}

// The glyph's box and the name under it.
RECT TDesignWindows::IconRect(const TComponent& component) const
{
    const TDesignPosition position = component.DesignPosition().value_or(TDesignPosition{});
    const int left = position.Left + IconSize / 2 - CellWidth / 2 + 2;
    return {left, position.Top, left + CellWidth - 4, position.Top + IconSize + NameHeight};
}

TComponent* TDesignWindows::ComponentAt(POINT point) const
{
    const TComponent* root = FSession.Root();
    // The one drawn last is on top.
    for (int i = root->ComponentCount() - 1; i >= 0; --i) {
        TComponent* component = root->Components(i);
        const TDesignPosition position = component->DesignPosition().value_or(TDesignPosition{});
        const RECT glyph{position.Left, position.Top, position.Left + IconSize, position.Top + IconSize};
        RECT name = IconRect(*component);
        name.top = glyph.bottom;
        if (IsPlaced(*component) && (PtInRect(&glyph, point) || PtInRect(&name, point)))
            return component;
    }
    return nullptr;
}

void TDesignWindows::PaintIcons(HDC dc)
{
    const TComponent* root = FSession.Root();
    const HGDIOBJ font = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    for (int i = 0; i < root->ComponentCount(); ++i) {
        const TComponent& component = *root->Components(i);
        if (!IsPlaced(component))
            continue;
        const TDesignPosition position = component.DesignPosition().value_or(TDesignPosition{});
        RECT glyph{position.Left, position.Top, position.Left + IconSize, position.Top + IconSize};
        DrawGlyph(dc, glyph, component.ClassName());
        if (std::find(FSelected.begin(), FSelected.end(), component.Name()) != FSelected.end()) {
            RECT mark = glyph;
            InflateRect(&mark, 2, 2);
            FrameRect(dc, &mark, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            InflateRect(&mark, -1, -1);
            FrameRect(dc, &mark, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        }
        RECT name = IconRect(component);
        name.top = glyph.bottom + 1;
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        DrawAnsiText(dc, component.Name(), name, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    SelectObject(dc, font);
}

void TDesignWindows::FormWndProc(TMessage& message)
{
    const POINT point{static_cast<short>(LOWORD(message.LParam)), static_cast<short>(HIWORD(message.LParam))};
    switch (message.Msg) {
    case WM_PAINT: {
        message.Result = CallWindowProcFast(FPreviousFormProc, FFormWindow, message.Msg, message.WParam, message.LParam);
        const TWindowDC dc(FFormWindow);
        PaintIcons(dc.Get());
        return;
    }
    case WM_LBUTTONDOWN:
        MouseDown(point, (message.WParam & MK_SHIFT) != 0);
        return;
    case WM_MOUSEMOVE:
        // Only a move with the button down drags: the system also sends moves of its own (when
        // capture is taken, or a window changes under the pointer) that carry no button.
        if (FDragging && (message.WParam & MK_LBUTTON))
            MouseMove(point);
        return;
    case WM_LBUTTONUP:
        MouseUp();
        return;
    case WM_KEYDOWN:
        if (message.WParam == VK_DELETE) {
            DeleteSelection();
            return;
        }
        break;
    case WM_CHAR:
        if (CommandKey(message.WParam))
            return;
        break;
    case WM_CLOSE:
        // The form is closed with the designer.
        FPalette->Close();
        return;
    case WM_WINDOWPOSCHANGED:
        message.Result = CallWindowProcFast(FPreviousFormProc, FFormWindow, message.Msg, message.WParam, message.LParam);
        Changed();
        return;
    default:
        break;
    }
    message.Result = CallWindowProcFast(FPreviousFormProc, FFormWindow, message.Msg, message.WParam, message.LParam);
}

// Ctrl+S, Ctrl+Z, Ctrl+Y, Ctrl+X, Ctrl+C and Ctrl+V as the characters they type.
bool TDesignWindows::CommandKey(WPARAM key)
{
    switch (key) {
    case 'S' - '@':
        Save();
        return true;
    case 'Z' - '@':
        Undo();
        return true;
    case 'Y' - '@':
        Redo();
        return true;
    case 'X' - '@':
        Copy();
        DeleteSelection();
        return true;
    case 'C' - '@':
        Copy();
        return true;
    case 'V' - '@':
        Paste();
        return true;
    default:
        return false;
    }
}

void TDesignWindows::MouseDown(POINT point, bool shift)
{
    SetFocus(FFormWindow);
    if (FPlacing) {
        Place(point);
        return;
    }
    TComponent* component = ComponentAt(point);
    std::vector<std::string> selected = FSelected;
    if (!component)
        selected.clear();
    else if (shift) {
        auto found = std::find(selected.begin(), selected.end(), component->Name());
        if (found != selected.end())
            selected.erase(found);
        else
            selected.push_back(component->Name());
    } else if (std::find(selected.begin(), selected.end(), component->Name()) == selected.end())
        selected = {component->Name()};
    Select(selected);
    if (component && !shift) {
        FDragging = true;
        FDragged = false;
        FDragFrom = point;
        SetCapture(FFormWindow);
    }
}

void TDesignWindows::MouseMove(POINT point)
{
    const int dx = point.x - FDragFrom.x, dy = point.y - FDragFrom.y;
    if (dx == 0 && dy == 0)
        return;
    for (TPersistent* object : Selection())
        if (auto* component = dynamic_cast<TComponent*>(object); component && IsPlaced(*component)) {
            const TDesignPosition position = component->DesignPosition().value_or(TDesignPosition{});
            component->SetDesignPosition(TDesignPosition{std::max(0, position.Left + dx), std::max(0, position.Top + dy)});
        }
    FDragFrom = point;
    FDragged = true;
    InvalidateRect(FFormWindow, nullptr, TRUE);
}

void TDesignWindows::MouseUp()
{
    if (!FDragging)
        return;
    FDragging = false;
    ReleaseCapture();
    if (FDragged)
        Changed();
}

void TDesignWindows::Place(POINT point)
{
    const TClass cls = std::exchange(FPlacing, nullptr);
    TComponent* root = FSession.Root();
    const std::string name = UniqueName(*root, cls->Name, {});
    TComponent* component = nullptr;
    try {
        component = cls->CreateComponent(root);
        component->SetName(name);
    } catch (const Exception& e) {
        delete component;
        Refuse(e.Message());
        return;
    }
    component->SetDesignPosition(TDesignPosition{std::max(0, static_cast<int>(point.x) - IconSize / 2),
                                                 std::max(0, static_cast<int>(point.y) - IconSize / 2)});
    FSelected = {name};
    Changed();
}

void TDesignWindows::DeleteSelection()
{
    for (TPersistent* object : Selection())
        if (object != FSession.Root())
            delete object;
    FSelected.clear();
    Changed();
}

// The selected components (not the form) go on the clipboard as the blocks of the description that
// describe them, as they stand in it but a level less indented: text that any form's description can
// take.
void TDesignWindows::Copy()
{
    std::string blocks;
    bool inside = false;
    for (const std::string& line : TextLines(FText)) {
        if (!inside && line.starts_with("  object ")) {
            const std::string name = line.substr(9, line.find(':') - 9);
            inside = std::any_of(FSelected.begin(), FSelected.end(), [&](const std::string& n) { return SameText(n, name); });
        }
        if (inside) {
            blocks += line.substr(2) + "\r\n";
            inside = line != "  end";
        }
    }
    if (blocks.empty())
        return;
    try {
        SetClipboardText(FFormWindow, blocks);
    } catch (const Exception& e) {
        Refuse(e.Message());
    }
}

// The blocks of components on the clipboard join the form, after the components it has, and are
// selected; a name the form has already gives way to a new one made the usual way. Text that is
// no components is refused, and so is a component the form cannot take (with the reader's message).
void TDesignWindows::Paste()
{
    std::vector<std::string> lines;
    try {
        lines = TextLines(ClipboardText(FFormWindow));
    } catch (const Exception& e) {
        Refuse(e.Message());
        return;
    }
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    if (lines.empty() || !lines.front().starts_with("object ") || lines.back() != "end") {
        Refuse("The clipboard holds no components");
        return;
    }
    std::vector<std::string> names;
    std::string blocks;
    for (std::string& line : lines) {
        if (line.starts_with("object ")) {
            const std::size_t colon = line.find(':');
            if (colon == std::string::npos) {
                Refuse("The clipboard holds no components");
                return;
            }
            std::string name = line.substr(7, colon - 7);
            const std::string className = line.substr(line.find_first_not_of(' ', colon + 1));
            if (FSession.Root()->FindComponent(name) || SameText(FSession.Root()->Name(), name) ||
                std::any_of(names.begin(), names.end(), [&](const std::string& n) { return SameText(n, name); }))
                name = UniqueName(*FSession.Root(), className, names);
            line = "object " + name + ": " + className;
            names.push_back(name);
        }
        blocks += "  " + line + "\r\n";
    }
    std::string text = FText;
    text.insert(text.rfind("end"), blocks);
    const std::string before = FText;
    FSelected = names;
    Restore(std::move(text));
    if (FText != before) {
        FUndo.push_back(before);
        FRedo.clear();
    }
}

// ---------------------------------------------------------------------------------------------------
// The inspector

void TDesignWindows::MakeInspector()
{
    FInspector = std::make_unique<TForm>(nullptr);
    FInspector->SetCaption("Object Inspector");
    FInspector->SetOnClose(TCloseEvent(this, &TDesignWindows::InspectorClose));
    FInspector->SetBounds(0, FPalette->Height(), 340, 440);
    FInspectorPages = new TTabControl(FInspector.get());
    FInspectorPages->SetParent(FInspector.get());
    TStringList pages;
    pages.Add("Properties");
    pages.Add("Events");
    FInspectorPages->SetTabs(&pages);
    FInspectorPages->SetTabIndex(0);
    FInspectorPages->SetOnChange(TNotifyEvent(this, &TDesignWindows::InspectorPageChanged));
    const int width = FInspector->ClientWidth(), height = FInspector->ClientHeight();
    FInspectorPages->SetBounds(0, 0, width, height - 30);
    const RECT display = FInspectorPages->DisplayRect();
    FRowList = new TListBox(FInspector.get());
    FRowList->SetParent(FInspectorPages);
    FRowList->SetBounds(display.left, display.top, display.right - display.left, display.bottom - display.top);
    FRowList->SetOnClick(TNotifyEvent(this, &TDesignWindows::RowClick));
    FRowList->SetOnDblClick(TNotifyEvent(this, &TDesignWindows::RowDoubleClick));
    INT tabStop = 90;
    SendMessageA(FRowList->Handle(), LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&tabStop));
    FValueEdit = new TInspectorEdit(FInspector.get());
    FValueEdit->SetParent(FInspector.get());
    FValueEdit->SetBounds(2, height - 26, width - 34, 22);
    FValueEdit->SetOnEnter(TNotifyEvent(this, &TDesignWindows::ValueEntered));
    FValueList = new TComboBox(FInspector.get());
    FValueList->SetParent(FInspector.get());
    FValueList->SetStyle(csDropDownList);
    FValueList->SetBounds(2, height - 27, width - 34, 22);
    FValueList->SetDropDownCount(12);
    FValueList->SetOnChange(TNotifyEvent(this, &TDesignWindows::ValuePicked));
    FValueList->SetVisible(false);
    FDialogButton = new TBitBtn(FInspector.get());
    FDialogButton->SetParent(FInspector.get());
    FDialogButton->SetCaption("...");
    FDialogButton->SetBounds(width - 30, height - 27, 28, 24);
    FDialogButton->SetOnClick(TNotifyEvent(this, &TDesignWindows::DialogClick));
    FDialogButton->SetVisible(false);
}

void TDesignWindows::InspectorPageChanged(TObject*)
{
    FillRows();
}

// The inspector is closed with the designer, as the form is: hidden, it could not be had back.
void TDesignWindows::InspectorClose(TObject*, TCloseAction& action)
{
    action = caNone;
    FPalette->Close();
}

void TDesignWindows::FillRows()
{
    const TRow* current = CurrentRow();
    const std::string currentPath = current ? current->Path : std::string();
    FRows.clear();
    const TSelection selection = Selection();
    AddRows(GetComponentProperties(selection, FSession), {}, 0, FInspectorPages->TabIndex() == 1);
    TStringList lines;
    int index = -1;
    for (const TRow& row : FRows) {
        const TPropertyAttributes attributes = row.Editor->GetAttributes();
        std::string marker;
        if (attributes.Contains(paSubProperties))
            marker = FExpanded.contains(row.Path) ? "[-] " : "[+] ";
        if (row.Path == currentPath)
            index = lines.Count();
        lines.Add(std::string(static_cast<std::size_t>(row.Depth) * 3, ' ') + marker + row.Editor->GetName() + "\t" +
                  (row.Editor->AllEqual() ? row.Editor->GetValue() : std::string()));
    }
    FRowList->SetItems(&lines);
    FRowList->SetItemIndex(index);
    RowClick(nullptr);
}

void TDesignWindows::AddRows(TPropertyEditors editors, const std::string& prefix, int depth, bool events)
{
    for (auto& editor : editors) {
        if (depth == 0 && (editor->PropInfo().Kind == TTypeKind::Method) != events)
            continue;
        const std::string name = editor->GetName();
        const std::string path = prefix.empty() ? name : name.starts_with('[') ? prefix + name : prefix + "." + name;
        TPropertyEditors parts;
        if (FExpanded.contains(path) && editor->GetAttributes().Contains(paSubProperties))
            parts = editor->GetProperties();
        FRows.push_back({std::move(editor), path, depth});
        AddRows(std::move(parts), path, depth + 1, events);
    }
}

TDesignWindows::TRow* TDesignWindows::CurrentRow()
{
    const int index = FRowList ? FRowList->ItemIndex() : -1;
    return index >= 0 && index < static_cast<int>(FRows.size()) ? &FRows[static_cast<std::size_t>(index)] : nullptr;
}

// Shows the value of the line picked.
void TDesignWindows::RowClick(TObject*)
{
    TRow* row = CurrentRow();
    const TPropertyAttributes attributes = row ? row->Editor->GetAttributes() : TPropertyAttributes{};
    const std::string value = row && row->Editor->AllEqual() ? row->Editor->GetValue() : std::string();
    // A handler's name is typed: the events get the field, not the list of handlers there are.
    const bool list = attributes.Contains(paValueList) && !attributes.Contains(paReadOnly) &&
                      row->Editor->PropInfo().Kind != TTypeKind::Method;
    FValueList->SetVisible(list);
    FValueEdit->SetVisible(!list);
    FDialogButton->SetVisible(attributes.Contains(paDialog));
    if (list) {
        TStringList values;
        std::vector<std::string> all = row->Editor->GetValues();
        if (attributes.Contains(paSortList))
            std::sort(all.begin(), all.end(), [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
        for (const std::string& one : all)
            values.Add(one);
        FValueList->SetItems(&values);
        FValueList->SetItemIndex(values.IndexOf(value));
    } else {
        FValueEdit->SetText(value);
        SendMessageA(FValueEdit->Handle(), EM_SETREADONLY, !row || attributes.Contains(paReadOnly), 0);
    }
}

void TDesignWindows::RowDoubleClick(TObject*)
{
    TRow* row = CurrentRow();
    if (!row)
        return;
    if (row->Editor->GetAttributes().Contains(paSubProperties)) {
        if (!FExpanded.erase(row->Path))
            FExpanded.insert(row->Path);
        FillRows();
        return;
    }
    if (row->Editor->PropInfo().Kind == TTypeKind::Method && row->Editor->GetValue().empty()) {
        auto* component = dynamic_cast<TComponent*>(row->Editor->GetComponent(0));
        const std::string event = row->Editor->GetName();
        SetValue(*row, (component ? component->Name() : std::string()) +
                           (event.starts_with("On") ? event.substr(2) : event));
    }
}

void TDesignWindows::ValueEntered(TObject*)
{
    if (TRow* row = CurrentRow())
        SetValue(*row, FValueEdit->Text());
}

void TDesignWindows::ValuePicked(TObject*)
{
    if (TRow* row = CurrentRow(); row && FValueList->ItemIndex() >= 0)
        SetValue(*row, FValueList->Items()->Get(FValueList->ItemIndex()));
}

void TDesignWindows::SetValue(TRow& row, const std::string& text)
{
    if (row.Editor->GetAttributes().Contains(paReadOnly)) {
        Refuse(row.Path + " cannot be typed into in the designer");
    } else {
        try {
            row.Editor->SetValue(text);
        } catch (const Exception& e) {
            Refuse(row.Path + ": " + e.Message());
        }
    }
    Changed();
}

void TDesignWindows::DialogClick(TObject*)
{
    TRow* row = CurrentRow();
    if (!row || !row->Editor->GetAttributes().Contains(paDialog))
        return;
    if (row->Editor->PropInfo().Name == "DesignExecute" && ActsOnTheMachine(row->Editor->GetComponent(0)) &&
        MessageDlg("Execute Test runs the action of " +
                       EventArgText(static_cast<const TObject*>(row->Editor->GetComponent(0))) +
                       " on this machine. Run it?",
                   mtConfirmation, {mbYes, mbNo}, 0) != mrYes)
        return;
    try {
        row->Editor->Edit();
    } catch (const Exception& e) {
        Refuse(row->Path + ": " + e.Message());
    }
    Changed();
}

// ---------------------------------------------------------------------------------------------------
// Changes

TSelection TDesignWindows::Selection() const
{
    TSelection selection;
    for (const std::string& name : FSelected)
        if (TComponent* component = FSession.Root()->FindComponent(name))
            selection.push_back(component);
    if (selection.empty())
        selection.push_back(FSession.Root());
    return selection;
}

void TDesignWindows::Select(std::vector<std::string> names)
{
    FSelected = std::move(names);
    InvalidateRect(FFormWindow, nullptr, TRUE);
    FillRows();
}

// After anything that may have changed the form: a change is kept for undoing, and shown.
void TDesignWindows::Changed()
{
    if (FRestoring || FText.empty())
        return;
    std::string text = FSession.Text();
    if (text != FText) {
        FUndo.push_back(std::exchange(FText, std::move(text)));
        FRedo.clear();
    }
    InvalidateRect(FFormWindow, nullptr, TRUE);
    FillRows();
}

void TDesignWindows::Refuse(const std::string& message)
{
    PrintLine(stderr, "qel design: " + message);
    MessageDlg(message, mtError, {mbOK}, 0);
}

// The form as text describes it, the same components selected where they still exist.
void TDesignWindows::Restore(std::string text)
{
    FRestoring = true;
    UnhookForm();
    try {
        FSession.Load(text);
    } catch (const std::exception& e) {
        Refuse(e.what());
        text = FText;
    }
    FText = std::move(text);
    HookForm();
    FRestoring = false;
    Select(FSelected);
}

void TDesignWindows::Undo()
{
    if (FUndo.empty())
        return;
    FRedo.push_back(FText);
    std::string text = std::move(FUndo.back());
    FUndo.pop_back();
    Restore(std::move(text));
}

void TDesignWindows::Redo()
{
    if (FRedo.empty())
        return;
    FUndo.push_back(FText);
    std::string text = std::move(FRedo.back());
    FRedo.pop_back();
    Restore(std::move(text));
}

void TDesignWindows::Save()
{
    Changed();
    try {
        // The header first: a description is never saved naming handlers it cannot declare.
        FSession.SaveHeader(ChangeFileExt(FFileName, ".h"));
        FSession.Save(FFileName);
        FSavedText = FText;
    } catch (const Exception& e) {
        Refuse(e.Message());
    }
}

bool TDesignWindows::Modified() const
{
    return FText != FSavedText;
}
