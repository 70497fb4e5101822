// The standard controls on real windows: the label's size, accelerator and focus control, the edit's
// text and limit, the combo box's and the list box's lines kept in the window, the bit button's kinds
// and clicks, the panel, the pop-up menu answered through the keyboard, the tabs and the tool tips,
// and the property tables they publish.
#include "framework/Buttons.h"
#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/FormText.h"
#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"
#include "framework/Strings.h"

#include "tests/framework/WindowTesting.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

using namespace WindowTesting;

namespace {

std::unique_ptr<TForm> NewForm()
{
    auto form = std::make_unique<TForm>(Application);
    form->SetBounds(100, 100, 400, 300);
    return form;
}

template <class T>
T* NewControl(TForm* form, TWinControl* parent = nullptr)
{
    auto* control = new T(form);
    control->SetParent(parent ? parent : form);
    return control;
}

// The lines of a combo box's or a list box's window.
std::vector<std::string> WindowItems(HWND window)
{
    const bool combo = WindowClass(window) == "ComboBox";
    std::vector<std::string> items;
    const auto count = SendMessageA(window, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        char text[256] = {};
        SendMessageA(window, combo ? CB_GETLBTEXT : LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

std::vector<std::string> Lines(const TStrings& strings)
{
    std::vector<std::string> lines;
    for (int i = 0; i < strings.Count(); ++i)
        lines.push_back(strings.Get(i));
    return lines;
}

void Type(HWND window, const std::string& text)
{
    for (char c : text)
        PostMessageA(window, WM_CHAR, static_cast<unsigned char>(c), 1);
    Application->ProcessMessages();
}

// Records the events of the controls under test.
class TRecorder : public TComponent {
public:
    TRecorder() : TComponent(nullptr) {}
    void Clicked(TObject* sender) { Senders.push_back(sender); }
    void DoubleClicked(TObject* sender) { DoubleClicks.push_back(sender); }
    std::vector<TObject*> DoubleClicks;
    void Changed(TObject* sender)
    {
        Senders.push_back(sender);
        Texts.push_back(static_cast<TComboBox*>(sender)->Text());
    }
    std::vector<TObject*> Senders;
    std::vector<std::string> Texts;
};

bool IsStored(TObject& object, const char* property)
{
    const TPropInfo* prop = object.ClassType()->FindProperty(property);
    EXPECT_NE(prop, nullptr) << property;
    return prop && prop->IsStored(object);
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// TLabel

TEST(ControlsLabel, AutoSizeFitsTheTextInTheParentsFont)
{
    auto form = NewForm();
    auto* label = NewControl<TLabel>(form.get());
    label->SetBounds(10, 12, 5, 5);
    label->SetCaption("Question of the day");
    SIZE size = TextExtent(form->Font()->Handle(), L"Question of the day");
    EXPECT_EQ(label->Width(), size.cx);
    EXPECT_EQ(label->Height(), size.cy);
    EXPECT_EQ(label->Left(), 10);
    EXPECT_EQ(label->Top(), 12);

    // A bigger font makes a bigger label.
    const int before = label->Width();
    form->Font()->SetSize(16);
    EXPECT_GT(label->Width(), before);
    EXPECT_EQ(label->Width(), TextExtent(form->Font()->Handle(), L"Question of the day").cx);

    // An empty label keeps one line's height.
    label->SetCaption("");
    EXPECT_GT(label->Height(), 0);

    label->SetAutoSize(false);
    label->SetBounds(10, 12, 33, 44);
    label->SetCaption("Something much longer than before");
    EXPECT_EQ(label->Width(), 33);
    EXPECT_EQ(label->Height(), 44);
}

TEST(ControlsLabel, WordWrapKeepsTheWidthAndGrowsTheHeight)
{
    auto form = NewForm();
    auto* label = NewControl<TLabel>(form.get());
    label->SetCaption("one two three four five six seven eight nine ten");
    const int oneLine = label->Height();
    label->SetWidth(60);
    label->SetWordWrap(true);
    EXPECT_EQ(label->Width(), 60);
    EXPECT_GT(label->Height(), 2 * oneLine);
}

// A word-wrapped label breaks its lines itself (in time linear in its caption): it comes out the size
// DrawText's own word breaking gives, and draws the same pixels.
TEST(ControlsLabel, WordWrapMeasuresAndDrawsAsDrawTextDoes)
{
    auto form = NewForm();
    auto* label = NewControl<TLabel>(form.get());
    const HFONT font = form->Font()->Handle();
    // The pixels draw() leaves in a bitmap of the label's size.
    const auto pixels = [&](const std::function<void(HDC)>& draw) {
        return DrawnPixels(font, label->Width(), label->Height(), draw);
    };
    const auto check = [&](const std::string& caption, int width) {
        label->SetWordWrap(false);
        label->SetCaption(caption);
        label->SetWidth(width);
        label->SetWordWrap(true);
        const SIZE expected = TextExtent(font, AnsiToWide(caption), DT_WORDBREAK | DT_EXPANDTABS, width);
        EXPECT_EQ(label->Width(), expected.cx) << "[" << caption << "] at " << width;
        EXPECT_EQ(label->Height(), expected.cy) << "[" << caption << "] at " << width;
        // Drawn in a rectangle as wide as asked for, where the system breaks it the same way.
        label->SetBounds(0, 0, std::max(label->Width(), width), label->Height());
        const auto own = pixels([&](HDC dc) { label->Paint(dc); });
        const auto system = pixels([&](HDC dc) {
            RECT r = label->BoundsRect();
            DrawTextA(dc, caption.c_str(), -1, &r, DT_LEFT | DT_WORDBREAK | DT_EXPANDTABS);
        });
        EXPECT_TRUE(own == system) << "[" << caption << "] at " << width << " draws differently";
    };
    // Widths that every word fits (the system adds empty lines of its own where a word does not fit
    // before a line break).
    for (const std::string caption : {"one two three four five six seven eight nine ten",
                                      "Save &all files && folders now&",
                                      "line one\r\nline two is a longer one\nthree\rfour\n\rfive\n\nsix \r\n",
                                      "trailing blanks   ", "x"})
        for (int width : {50, 60, 61, 100, 400})
            check(caption, width);
    // Words wider than the label: each alone on a line, the label as wide as the widest.
    for (int width : {0, 25})
        check("supercalifragilisticexpialidocious is long", width);
}

TEST(ControlsLabel, FocusControlIsClearedWhenTheControlGoes)
{
    auto form = NewForm();
    auto* label = NewControl<TLabel>(form.get());
    auto* edit = NewControl<TEdit>(form.get());
    label->SetFocusControl(edit);
    EXPECT_EQ(label->FocusControl(), edit);
    delete edit;
    EXPECT_EQ(label->FocusControl(), nullptr);
}

TEST(ControlsLabel, TheAcceleratorFocusesTheFocusControl)
{
    auto form = NewForm();
    auto* first = NewControl<TEdit>(form.get());
    auto* label = NewControl<TLabel>(form.get());
    label->SetCaption("&Name");
    label->SetTop(40);
    auto* second = NewControl<TEdit>(form.get());
    second->SetTop(60);
    label->SetFocusControl(second);
    form->Show();
    SetFocus(first->Handle());

    PostMessageA(first->Handle(), WM_SYSCHAR, 'n', 1 << 29);
    Application->ProcessMessages();
    EXPECT_EQ(GetFocus(), second->Handle());

    // Without the accelerator mark the key is nobody's.
    SetFocus(first->Handle());
    label->SetShowAccelChar(false);
    PostMessageA(first->Handle(), WM_SYSCHAR, 'n', 1 << 29);
    Application->ProcessMessages();
    EXPECT_EQ(GetFocus(), first->Handle());
}

// ---------------------------------------------------------------------------------------------------
// TEdit

TEST(ControlsEdit, TextIsTheWindowsTextAndSurvivesANewWindow)
{
    auto form = NewForm();
    auto* edit = NewControl<TEdit>(form.get());
    edit->SetText("before the window");
    EXPECT_FALSE(edit->HandleAllocated());
    EXPECT_EQ(WindowText(edit->Handle()), "before the window");
    SetWindowTextA(edit->Handle(), "typed");
    EXPECT_EQ(edit->Text(), "typed");
    EXPECT_EQ(edit->Caption(), "typed");
    edit->SetText("set");
    EXPECT_EQ(WindowText(edit->Handle()), "set");
    SetWindowTextA(edit->Handle(), "typed again");
    edit->RecreateWnd();
    EXPECT_EQ(WindowText(edit->Handle()), "typed again");
}

TEST(ControlsEdit, MaxLengthLimitsTypingAndSelectAllSelectsTheText)
{
    auto form = NewForm();
    auto* edit = NewControl<TEdit>(form.get());
    edit->SetMaxLength(5);
    form->Show();
    Type(edit->Handle(), "abcdefgh");
    EXPECT_EQ(edit->Text(), "abcde");

    edit->SetText("0123456789");
    edit->SelectAll();
    DWORD start = 0, end = 0;
    SendMessageA(edit->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 10u);
}

// ---------------------------------------------------------------------------------------------------
// TComboBox

TEST(ControlsComboBox, ItemsAreKeptAsideUntilTheWindowAndThenLiveInIt)
{
    auto form = NewForm();
    auto* combo = NewControl<TComboBox>(form.get());
    combo->Items()->Add("beta");
    combo->Items()->Add("alpha");
    combo->SetItemIndex(1);
    EXPECT_FALSE(combo->HandleAllocated());
    EXPECT_EQ(combo->Items()->Count(), 2);

    HWND window = combo->Handle();
    EXPECT_EQ(WindowClass(window), "ComboBox");
    EXPECT_EQ(WindowItems(window), (std::vector<std::string>{"beta", "alpha"}));
    EXPECT_EQ(SendMessageA(window, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(combo->Text(), "alpha");

    combo->Items()->Add("gamma");
    combo->Items()->Insert(0, "first");
    EXPECT_EQ(WindowItems(window), (std::vector<std::string>{"first", "beta", "alpha", "gamma"}));
    combo->Items()->Delete(1);
    combo->Items()->Put(0, "zero");
    EXPECT_EQ(Lines(*combo->Items()), (std::vector<std::string>{"zero", "alpha", "gamma"}));
    EXPECT_EQ(combo->Items()->IndexOf("GAMMA"), 2);
    EXPECT_THROW(combo->Items()->Get(3), EListError);
    EXPECT_THROW(combo->Items()->Delete(-1), EListError);

    TStringList other;
    other.Add("x");
    other.Add("y");
    combo->SetItems(&other);
    EXPECT_EQ(WindowItems(window), (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(Lines(other), (std::vector<std::string>{"x", "y"}));
}

TEST(ControlsComboBox, TextItemIndexAndClear)
{
    auto form = NewForm();
    auto* combo = NewControl<TComboBox>(form.get());
    combo->Handle();
    combo->SetText("typed text");
    EXPECT_EQ(WindowText(combo->Handle()), "typed text");
    EXPECT_EQ(combo->ItemIndex(), -1);
    combo->Items()->Add("one");
    combo->Items()->Add("two");
    // Emptying the list leaves the text alone.
    combo->Items()->Clear();
    EXPECT_EQ(combo->Items()->Count(), 0);
    EXPECT_EQ(combo->Text(), "typed text");

    combo->Items()->Add("one");
    combo->Items()->Add("two");
    combo->SetItemIndex(combo->Items()->IndexOf("TWO"));
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(combo->Text(), "two");
    combo->SetItemIndex(-1);
    EXPECT_EQ(combo->ItemIndex(), -1);
}

TEST(ControlsComboBox, SortedSortsTheWindowsListAndItemsFollowIt)
{
    auto form = NewForm();
    auto* combo = NewControl<TComboBox>(form.get());
    for (const char* item : {"pear", "Apple", "banana"})
        combo->Items()->Add(item);
    combo->SetItemIndex(0);
    HWND unsorted = combo->Handle();
    combo->SetSorted(true);
    HWND sorted = combo->Handle();
    EXPECT_NE(sorted, unsorted);
    EXPECT_TRUE(GetWindowLongA(sorted, GWL_STYLE) & CBS_SORT);
    EXPECT_EQ(WindowItems(sorted), (std::vector<std::string>{"Apple", "banana", "pear"}));
    EXPECT_EQ(Lines(*combo->Items()), (std::vector<std::string>{"Apple", "banana", "pear"}));
    EXPECT_EQ(combo->Items()->Add("cherry"), 2);
    EXPECT_THROW(combo->Items()->Insert(0, "fig"), EListError);

    // Sorting before the window exists sorts the list kept aside too.
    auto* early = NewControl<TComboBox>(form.get());
    early->SetParent(nullptr);
    early->SetSorted(true);
    early->Items()->Add("b");
    early->Items()->Add("a");
    EXPECT_EQ(Lines(*early->Items()), (std::vector<std::string>{"a", "b"}));
}

TEST(ControlsComboBox, ANewWindowKeepsItemsSelectionTextAndLimit)
{
    auto form = NewForm();
    auto* combo = NewControl<TComboBox>(form.get());
    combo->Items()->Add("one");
    combo->Items()->Add("two");
    combo->SetItemIndex(1);
    combo->SetMaxLength(3);
    HWND first = combo->Handle();
    combo->SetStyle(csDropDownList);
    HWND second = combo->Handle();
    EXPECT_NE(first, second);
    EXPECT_EQ((GetWindowLongA(second, GWL_STYLE) & 3), CBS_DROPDOWNLIST);
    EXPECT_EQ(WindowItems(second), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(combo->Text(), "two");

    combo->SetStyle(csDropDown);
    combo->SetText("");
    form->Show();
    HWND edit = GetWindow(combo->Handle(), GW_CHILD);
    ASSERT_EQ(WindowClass(edit), "Edit");
    Type(edit, "abcdef");
    EXPECT_EQ(combo->Text(), "abc");
}

TEST(ControlsComboBox, MaxLengthCutsTypedTextAndSelectAllSelectsIt)
{
    auto form = NewForm();
    auto* combo = NewControl<TComboBox>(form.get());
    combo->SetMaxLength(127);
    combo->SetText("preset");
    form->Show();
    combo->SelectAll();
    DWORD start = 1, end = 0;
    SendMessageA(combo->Handle(), CB_GETEDITSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 6u);

    HWND edit = GetWindow(combo->Handle(), GW_CHILD);
    Type(edit, std::string(200, 'x'));
    EXPECT_EQ(combo->Text(), std::string(127, 'x'));
}

TEST(ControlsComboBox, OnChangeFiresWhenTheUserTypesOrPicks)
{
    auto form = NewForm();
    auto* combo = NewControl<TComboBox>(form.get());
    combo->Items()->Add("one");
    combo->Items()->Add("two");
    TRecorder recorder;
    combo->SetOnChange(TNotifyEvent(&recorder, &TRecorder::Changed));
    form->Show();
    HWND edit = GetWindow(combo->Handle(), GW_CHILD);
    SetFocus(edit);
    Type(edit, "t");
    ASSERT_EQ(recorder.Senders.size(), 1u);
    EXPECT_EQ(recorder.Senders[0], combo);
    EXPECT_EQ(recorder.Texts[0], "t");

    // The down arrow picks the next entry; the handler already sees it as the text.
    PostMessageA(edit, WM_KEYDOWN, VK_DOWN, 1);
    Application->ProcessMessages();
    ASSERT_EQ(recorder.Texts.size(), 2u);
    EXPECT_EQ(recorder.Texts[1], combo->Items()->Get(combo->ItemIndex()));
}

// ---------------------------------------------------------------------------------------------------
// TListBox

TEST(ControlsListBox, LinesAndThePickAreKeptAsideUntilTheWindowAndThenLiveInIt)
{
    auto form = NewForm();
    auto* list = NewControl<TListBox>(form.get());
    list->Items()->Add("alpha");
    list->Items()->Add("beta");
    list->Items()->Add("gamma");
    list->SetItemIndex(1);
    EXPECT_FALSE(list->HandleAllocated());

    HWND window = list->Handle();
    EXPECT_EQ(WindowClass(window), "ListBox");
    EXPECT_EQ(WindowItems(window), (std::vector<std::string>{"alpha", "beta", "gamma"}));
    EXPECT_EQ(SendMessageA(window, LB_GETCURSEL, 0, 0), 1);
    // Tab stops: the designer's inspector shows a name and a value on one line.
    EXPECT_TRUE(GetWindowLongPtrA(window, GWL_STYLE) & LBS_USETABSTOPS);

    // Changing the lines keeps the pick where it still names a line.
    list->Items()->Put(0, "first");
    EXPECT_EQ(WindowItems(window), (std::vector<std::string>{"first", "beta", "gamma"}));
    EXPECT_EQ(list->ItemIndex(), 1);
    list->SetItemIndex(2);
    list->Items()->Delete(2);
    EXPECT_EQ(WindowItems(window), (std::vector<std::string>{"first", "beta"}));
    EXPECT_EQ(list->ItemIndex(), -1);

    TStringList other;
    other.Add("x");
    list->SetItems(&other);
    EXPECT_EQ(WindowItems(window), (std::vector<std::string>{"x"}));
    EXPECT_EQ(Lines(other), (std::vector<std::string>{"x"}));
}

TEST(ControlsListBox, AClickPicksALineWithOnClickAndADoubleClickFiresOnDblClick)
{
    auto form = NewForm();
    auto* list = NewControl<TListBox>(form.get());
    list->SetBounds(10, 10, 200, 120);
    list->Items()->Add("one");
    list->Items()->Add("two");
    TRecorder recorder;
    list->SetOnClick(TNotifyEvent(&recorder, &TRecorder::Clicked));
    list->SetOnDblClick(TNotifyEvent(&recorder, &TRecorder::DoubleClicked));
    form->Show();
    HWND window = list->Handle();
    const auto height = static_cast<int>(SendMessageA(window, LB_GETITEMHEIGHT, 0, 0));
    const LPARAM second = MAKELPARAM(20, height + height / 2);
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, second);
    SendMessageA(window, WM_LBUTTONUP, 0, second);
    ASSERT_EQ(recorder.Senders, (std::vector<TObject*>{list}));
    EXPECT_EQ(list->ItemIndex(), 1);
    EXPECT_TRUE(recorder.DoubleClicks.empty());
    SendMessageA(window, WM_LBUTTONDBLCLK, MK_LBUTTON, second);
    SendMessageA(window, WM_LBUTTONUP, 0, second);
    EXPECT_EQ(recorder.DoubleClicks, (std::vector<TObject*>{list}));
    // Picked from code: no event, as for the system's own list.
    list->SetItemIndex(0);
    EXPECT_EQ(recorder.Senders.size(), 1u);
}

// ---------------------------------------------------------------------------------------------------
// TTabControl and TToolTips

TEST(ControlsTabControl, TabsLiveInTheWindowAndTheKeysPickOneWithOnChange)
{
    auto form = NewForm();
    auto* tabs = NewControl<TTabControl>(form.get());
    tabs->SetBounds(0, 0, 300, 200);
    TStringList names;
    names.Add("QEL System");
    names.Add("QEL System 2");
    names.Add("Third");
    tabs->SetTabs(&names);
    tabs->SetTabIndex(1);
    TRecorder recorder;
    tabs->SetOnChange(TNotifyEvent(&recorder, &TRecorder::Clicked));
    EXPECT_FALSE(tabs->HandleAllocated());

    form->Show();
    HWND window = tabs->Handle();
    EXPECT_EQ(SendMessageA(window, TCM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageA(window, TCM_GETCURSEL, 0, 0), 1);
    char text[64] = "";
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(window, TCM_GETITEMA, 1, reinterpret_cast<LPARAM>(&item));
    EXPECT_STREQ(text, "QEL System 2");

    // The page goes below the tabs, inside the control.
    const RECT display = tabs->DisplayRect();
    EXPECT_GT(display.top, 10);
    EXPECT_GE(display.left, 0);
    EXPECT_LE(display.right, 300);
    EXPECT_LE(display.bottom, 200);
    EXPECT_LT(display.top, display.bottom);

    SendMessageA(window, WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_EQ(tabs->TabIndex(), 2);
    EXPECT_EQ(recorder.Senders, (std::vector<TObject*>{tabs}));
    tabs->SetTabIndex(0);
    EXPECT_EQ(recorder.Senders.size(), 1u);
    EXPECT_EQ(tabs->TabIndex(), 0);

    tabs->Tabs()->Delete(2);
    EXPECT_EQ(SendMessageA(window, TCM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(tabs->TabIndex(), 0);
}

TEST(ControlsToolTips, EachControlAddedHasItsOwnHint)
{
    auto form = NewForm();
    auto* tips = new TToolTips(form.get());
    auto* first = NewControl<TBitBtn>(form.get());
    auto* second = NewControl<TBitBtn>(form.get());
    auto* third = NewControl<TBitBtn>(form.get());
    second->SetLeft(100);
    third->SetLeft(200);
    tips->Add(*first, "TQELFormSaver");
    tips->Add(*second, "TQELOnlyOne");
    EXPECT_EQ(tips->Hint(*first), "TQELFormSaver");
    EXPECT_EQ(tips->Hint(*second), "TQELOnlyOne");
    EXPECT_EQ(tips->Hint(*third), "");
}

// ---------------------------------------------------------------------------------------------------
// TBitBtn

TEST(ControlsBitBtn, KindsGiveCaptionRoleAndModalResult)
{
    auto form = NewForm();
    auto* button = NewControl<TBitBtn>(form.get());
    EXPECT_EQ(button->Kind(), bkCustom);
    EXPECT_EQ(button->Margin(), -1);
    EXPECT_TRUE(button->Glyph()->Empty());
    EXPECT_EQ(button->ModalResult(), mrNone);

    button->SetKind(bkOK);
    EXPECT_EQ(button->Caption(), "OK");
    EXPECT_TRUE(button->Default());
    EXPECT_FALSE(button->Cancel());
    EXPECT_EQ(button->ModalResult(), mrOk);
    // What the kind implies is not stored; what departs from it is.
    EXPECT_TRUE(IsStored(*button, "Kind"));
    EXPECT_FALSE(IsStored(*button, "Default"));
    EXPECT_FALSE(IsStored(*button, "ModalResult"));
    button->SetDefault(false);
    EXPECT_TRUE(IsStored(*button, "Default"));

    button->SetKind(bkCancel);
    EXPECT_EQ(button->Caption(), "Cancel");
    EXPECT_FALSE(button->Default());
    EXPECT_TRUE(button->Cancel());
    EXPECT_EQ(button->ModalResult(), mrCancel);
    EXPECT_EQ(WindowText(button->Handle()), "Cancel");
    EXPECT_EQ(WindowClass(button->Handle()), "Button");
}

TEST(ControlsBitBtn, AClickFiresOnClickAndSetsTheFormsModalResult)
{
    auto form = NewForm();
    auto* panel = NewControl<TPanel>(form.get());
    auto* button = NewControl<TBitBtn>(form.get(), panel);
    auto* plain = NewControl<TBitBtn>(form.get());
    button->SetModalResult(mrRetry);
    TRecorder recorder;
    button->SetOnClick(TNotifyEvent(&recorder, &TRecorder::Clicked));
    plain->SetOnClick(TNotifyEvent(&recorder, &TRecorder::Clicked));
    form->Show();

    SendMessageA(plain->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(form->ModalResult(), mrNone);
    SendMessageA(button->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(form->ModalResult(), mrRetry);
    EXPECT_EQ(recorder.Senders, (std::vector<TObject*>{plain, button}));
}

TEST(ControlsBitBtn, GlyphIsACopyAndCanBeRemoved)
{
    auto form = NewForm();
    auto* button = NewControl<TBitBtn>(form.get());
    TIcon icon;
    icon.SetHandle(CopyIcon(LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_INFORMATION))));
    button->SetGlyph(&icon);
    EXPECT_FALSE(button->Glyph()->Empty());
    EXPECT_NE(button->Glyph()->Handle(), icon.Handle());
    button->SetMargin(4);
    form->Show();
    UpdateWindow(button->Handle()); // draws glyph and caption without complaint
    button->SetGlyph(nullptr);
    EXPECT_TRUE(button->Glyph()->Empty());
    EXPECT_EQ(SendMessageA(button->Handle(), WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON);
}

// ---------------------------------------------------------------------------------------------------
// TPanel

TEST(ControlsPanel, APanelIsAWindowedContainerWithItsCaption)
{
    auto form = NewForm();
    auto* panel = NewControl<TPanel>(form.get());
    panel->SetCaption("Panel text");
    auto* edit = NewControl<TEdit>(form.get(), panel);
    EXPECT_EQ(edit->Parent(), panel);
    EXPECT_EQ(panel->Width(), 185);
    EXPECT_EQ(panel->Height(), 41);
    EXPECT_EQ(WindowText(panel->Handle()), "Panel text");
    panel->SetCaption("Changed");
    EXPECT_EQ(WindowText(panel->Handle()), "Changed");
    EXPECT_TRUE(GetWindowLongA(panel->Handle(), GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
    EXPECT_EQ(GetParent(edit->Handle()), panel->Handle());
}

// A form far beyond any fixed number of window procedures: every control gets its window, and freeing
// the form takes every window with it.
TEST(ControlsPanel, AFormOf5000WindowedControlsLoadsAndFreesThemAll)
{
    constexpr int count = 5000;
    std::string text = "object Many: TForm\n";
    for (int i = 0; i < count; ++i)
        text += "  object Panel" + std::to_string(i) + ": TPanel\n    Left = " + std::to_string(i % 50 * 8) +
                "\n    Top = " + std::to_string(i / 50 * 4) + "\n    Width = 8\n    Height = 4\n  end\n";
    text += "end\n";
    std::unique_ptr<TComponent> root(TReader(text).ReadComponent(Application));
    auto* form = root->As<TForm>();
    ASSERT_EQ(form->ControlCount(), count);
    const HWND formWindow = form->Handle();
    std::vector<HWND> windows;
    for (int i = 0; i < count; ++i) {
        auto* panel = static_cast<TWinControl*>(form->Controls(i));
        ASSERT_TRUE(panel->HandleAllocated()) << i;
        windows.push_back(panel->Handle());
        ASSERT_EQ(GetParent(windows.back()), formWindow) << i;
    }
    EXPECT_EQ(form->Controls(count - 1)->Left(), 49 * 8);
    EXPECT_EQ(form->Controls(count - 1)->Top(), 99 * 4);

    root.reset();
    EXPECT_FALSE(IsWindow(formWindow));
    for (int i = 0; i < count; ++i)
        ASSERT_FALSE(IsWindow(windows[i])) << i;
}

// ---------------------------------------------------------------------------------------------------
// TPopupMenu

namespace {

struct TMenuFixture {
    std::unique_ptr<TForm> Form = NewForm();
    TPopupMenu* Menu = new TPopupMenu(Form.get());
    TRecorder Recorder;
    std::vector<TMenuItem*> Items;

    TMenuFixture()
    {
        for (const char* caption : {"&Open", "-", "&Close", "E&xit"}) {
            auto* item = new TMenuItem(Form.get());
            item->SetCaption(caption);
            item->SetOnClick(TNotifyEvent(&Recorder, &TRecorder::Clicked));
            Menu->Add(item);
            Items.push_back(item);
        }
    }
};

// Presses keys in the open menu; false while no menu is open.
bool PressMenuKeys(std::initializer_list<WPARAM> keys)
{
    HWND menu = FindThreadWindow("#32768");
    if (!menu)
        return false;
    for (WPARAM key : keys) {
        PostMessageA(menu, WM_KEYDOWN, key, 1);
        PostMessageA(menu, WM_KEYUP, key, 0xC0000001);
    }
    return true;
}

} // namespace

TEST(ControlsPopupMenu, PopupShowsTheItemsAndClicksTheOneChosen)
{
    TMenuFixture f;
    f.Form->Show();
    RECT menuRect{};
    int menuItems = 0;
    TUserAction user([&] {
        HWND menu = FindThreadWindow("#32768");
        if (!menu)
            return false;
        GetWindowRect(menu, &menuRect);
        menuItems = GetMenuItemCount(reinterpret_cast<HMENU>(SendMessageA(menu, MN_GETHMENU, 0, 0)));
        return PressMenuKeys({VK_DOWN, VK_DOWN, VK_RETURN}); // the separator is passed by
    });
    f.Menu->Popup(200, 150);
    EXPECT_TRUE(user.Done());
    EXPECT_EQ(f.Recorder.Senders, (std::vector<TObject*>{f.Items[2]}));
    EXPECT_EQ(menuRect.left, 200);
    EXPECT_EQ(menuRect.top, 150);
    EXPECT_EQ(menuItems, 4);

    f.Recorder.Senders.clear();
    TUserAction escape([] { return PressMenuKeys({VK_ESCAPE}); });
    f.Menu->Popup(200, 150);
    EXPECT_TRUE(escape.Done());
    EXPECT_TRUE(f.Recorder.Senders.empty());
}

TEST(ControlsPopupMenu, ItemsLiveInTheMenuAndAreStoredInsideIt)
{
    TMenuFixture f;
    ASSERT_EQ(f.Menu->Count(), 4);
    EXPECT_EQ(f.Menu->Items(2), f.Items[2]);
    EXPECT_THROW(f.Menu->Items(4), EListError);
    EXPECT_TRUE(f.Items[0]->HasParent());
    EXPECT_EQ(f.Items[0]->GetParentComponent(), f.Menu);

    std::vector<TComponent*> children;
    f.Menu->GetChildren([&](TComponent* child) { children.push_back(child); }, f.Form.get());
    EXPECT_EQ(children, (std::vector<TComponent*>(f.Items.begin(), f.Items.end())));
    // The form stores the menu itself and leaves the items to it.
    std::vector<TComponent*> top;
    f.Form->GetChildren([&](TComponent* child) { top.push_back(child); }, f.Form.get());
    EXPECT_EQ(top, (std::vector<TComponent*>{f.Menu}));

    // Moving an item to another menu takes it out of the first; freeing it takes it out of its menu.
    auto* other = new TPopupMenu(f.Form.get());
    f.Items[0]->SetParentComponent(other);
    EXPECT_EQ(f.Menu->Count(), 3);
    EXPECT_EQ(other->Items(0), f.Items[0]);
    EXPECT_THROW(f.Items[1]->SetParentComponent(f.Form.get()), EInvalidCast);
    delete f.Items[3];
    EXPECT_EQ(f.Menu->Count(), 2);

    // A menu freed takes its items with it.
    const int before = f.Form->ComponentCount();
    delete f.Menu;
    EXPECT_EQ(f.Form->ComponentCount(), before - 3);
}

// ---------------------------------------------------------------------------------------------------
// Published properties and form descriptions

TEST(ControlsProperties, FreshControlsStoreNothingButWhatDiffers)
{
    auto form = NewForm();
    auto* label = NewControl<TLabel>(form.get());
    auto* edit = NewControl<TEdit>(form.get());
    auto* combo = NewControl<TComboBox>(form.get());
    auto* timer = new TTimer(form.get());
    for (const char* name : {"AutoSize", "WordWrap", "ShowAccelChar", "FocusControl"})
        EXPECT_FALSE(IsStored(*label, name)) << name;
    for (const char* name : {"Caption", "Text", "MaxLength"})
        EXPECT_FALSE(IsStored(*edit, name)) << name;
    for (const char* name : {"Style", "Sorted", "MaxLength", "DropDownCount", "Items", "ItemIndex", "Text", "OnChange"})
        EXPECT_FALSE(IsStored(*combo, name)) << name;
    for (const char* name : {"Enabled", "Interval", "OnTimer"})
        EXPECT_FALSE(IsStored(*timer, name)) << name;

    label->SetFocusControl(edit);
    edit->SetText("x");
    combo->Items()->Add("entry");
    combo->SetSorted(true);
    timer->SetInterval(200);
    EXPECT_TRUE(IsStored(*label, "FocusControl"));
    EXPECT_TRUE(IsStored(*edit, "Text"));
    EXPECT_FALSE(IsStored(*edit, "Caption"));
    EXPECT_TRUE(IsStored(*combo, "Items"));
    EXPECT_TRUE(IsStored(*combo, "Sorted"));
    EXPECT_TRUE(IsStored(*timer, "Interval"));
}

TEST(ControlsProperties, ControlsReadFromADescriptionAndWriteTheSameBack)
{
    const char* text = R"(object StreamForm: TForm
  Caption = 'Stream'
  object Edit1: TEdit
    Text = 'typed'
    MaxLength = 20
  end
  object Label1: TLabel
    Caption = '&Name'
    FocusControl = Edit1
  end
  object Combo1: TComboBox
    Sorted = True
    Items.Strings = (
      'pear'
      'apple')
    ItemIndex = 1
  end
  object Panel1: TPanel
    Caption = 'Buttons'
    object OkButton: TBitBtn
      Caption = 'Go'
      Kind = bkOK
    end
  end
  object Menu1: TPopupMenu
    object Item1: TMenuItem
      Caption = '&Open'
    end
  end
  object Timer1: TTimer
    Enabled = False
    Interval = 250
  end
end)";
    std::unique_ptr<TComponent> root(TReader(text).ReadComponent(Application));
    auto* form = root->As<TForm>();
    auto* edit = form->FindComponent("Edit1")->As<TEdit>();
    auto* label = form->FindComponent("Label1")->As<TLabel>();
    auto* combo = form->FindComponent("Combo1")->As<TComboBox>();
    auto* panel = form->FindComponent("Panel1")->As<TPanel>();
    auto* ok = form->FindComponent("OkButton")->As<TBitBtn>();
    auto* menu = form->FindComponent("Menu1")->As<TPopupMenu>();
    auto* timer = form->FindComponent("Timer1")->As<TTimer>();
    EXPECT_EQ(edit->Text(), "typed");
    EXPECT_EQ(edit->MaxLength(), 20);
    EXPECT_EQ(label->FocusControl(), edit);
    EXPECT_EQ(Lines(*combo->Items()), (std::vector<std::string>{"apple", "pear"}));
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(ok->Parent(), panel);
    EXPECT_EQ(ok->Caption(), "Go"); // the kind keeps a caption read before it
    EXPECT_TRUE(ok->Default());
    EXPECT_EQ(ok->ModalResult(), mrOk);
    ASSERT_EQ(menu->Count(), 1);
    EXPECT_EQ(menu->Items(0)->Caption(), "&Open");
    EXPECT_FALSE(timer->Enabled());
    EXPECT_EQ(timer->Interval(), 250);

    const std::string written = WriteComponentText(*form);
    EXPECT_NE(written.find("Kind = bkOK"), std::string::npos);
    EXPECT_EQ(written.find("Default ="), std::string::npos);
    EXPECT_NE(written.find("FocusControl = Edit1"), std::string::npos);
    std::unique_ptr<TComponent> again(TReader(written).ReadComponent(nullptr)); // a second StreamForm
    EXPECT_EQ(WriteComponentText(*again), written);
}

TEST(ControlsProperties, MouseEventsReadAsTextWhenBoundGenerically)
{
    struct TSink : TEventSink {
        void EventFired(const std::vector<std::string>& arguments) override { Arguments = arguments; }
        std::vector<std::string> Arguments;
    } sink;
    const TMouseEvent event(TMouseEvent::Generic(&sink));
    event(nullptr, mbRight, TShiftState{ssShift, ssCtrl}, 12, -3);
    EXPECT_EQ(sink.Arguments, (std::vector<std::string>{"nil", "mbRight", "[ssShift,ssCtrl]", "12", "-3"}));
    EXPECT_EQ(EventTypeInfoOf<TMouseEvent>().ParamNames,
              (std::vector<std::string_view>{"Sender", "Button", "Shift", "X", "Y"}));
}

TEST(ControlsProperties, RectanglesReadWithTheirFourEdgesWhenBoundGenerically)
{
    struct TSink : TEventSink {
        void EventFired(const std::vector<std::string>& arguments) override { Arguments = arguments; }
        std::vector<std::string> Arguments;
    } sink;
    const TEvent<TObject*, RECT&> event(TEvent<TObject*, RECT&>::Generic(&sink));
    RECT rect{-4, 10, 1028, 776};
    event(nullptr, rect);
    EXPECT_EQ(sink.Arguments, (std::vector<std::string>{"nil", "{Left=-4 Top=10 Right=1028 Bottom=776}"}));
}
