// Forms and controls on real windows: handles created on request and again on RecreateWnd, window
// classes named after the form class, bounds and client geometry, the window state read from the
// real window, Show/Hide/Close and their events, ShowModal with buttons and dialog keys, painting
// and fonts.
#include "framework/Buttons.h"
#include "framework/ExtCtrls.h"
#include "framework/FormText.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"

#include "tests/framework/WindowTesting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace WindowTesting;

namespace {

class TWindowsTestForm : public TForm {
    QEL_CLASS(TWindowsTestForm)
public:
    using TForm::TForm;

    void FormShow(TObject* sender)
    {
        Events.push_back("Show");
        StateDuringShow = WindowState();
        if (StateToSetDuringShow)
            SetWindowState(*StateToSetDuringShow);
        VisibleDuringShow = IsWindowVisible(Handle()) != FALSE;
        EXPECT_EQ(sender, this);
    }
    void FormHide(TObject*) { Events.push_back("Hide"); }
    void FormPaint(TObject*) { Events.push_back("Paint"); }
    void FormClose(TObject* sender, TCloseAction& action)
    {
        Events.push_back("Close");
        EXPECT_EQ(sender, this);
        EXPECT_EQ(action, caHide);
        action = CloseAction;
    }

    std::vector<std::string> Events;
    bool VisibleDuringShow = true;
    TWindowState StateDuringShow = wsMinimized;
    std::optional<TWindowState> StateToSetDuringShow;
    TCloseAction CloseAction = caHide;
};

QEL_CLASS_INFO(TWindowsTestForm, TForm)
{
    return {};
}

// Notes, when a description creates it and when its Loaded runs, whether its form was on the screen.
class TVisibilityProbe : public TComponent {
    QEL_CLASS(TVisibilityProbe)
public:
    explicit TVisibilityProbe(TComponent* owner) : TComponent(owner)
    {
        FormVisibleAtCreation = FormVisible();
    }
    static inline bool FormVisibleAtCreation = true;
    static inline std::vector<bool> FormVisibleAtLoaded;

protected:
    void Loaded() override
    {
        TComponent::Loaded();
        FormVisibleAtLoaded.push_back(FormVisible());
    }

private:
    bool FormVisible() const
    {
        auto* form = dynamic_cast<TForm*>(Owner());
        return form && form->HandleAllocated() && IsWindowVisible(form->Handle());
    }
};

QEL_CLASS_INFO(TVisibilityProbe, TComponent)
{
    return {};
}

std::unique_ptr<TWindowsTestForm> NewForm()
{
    auto form = std::make_unique<TWindowsTestForm>(Application);
    form->SetOnShow(TNotifyEvent(form.get(), &TWindowsTestForm::FormShow));
    form->SetOnHide(TNotifyEvent(form.get(), &TWindowsTestForm::FormHide));
    form->SetOnClose(TCloseEvent(form.get(), &TWindowsTestForm::FormClose));
    form->SetBounds(100, 80, 400, 300);
    return form;
}

RECT WindowRect(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

// Watches a component for its removal notice.
class TFreeWatcher : public TComponent {
public:
    explicit TFreeWatcher(TComponent* watched) : TComponent(nullptr) { FreeNotification(watched); }
    bool Freed = false;

protected:
    void Notification(TComponent* component, TOperation operation) override
    {
        TComponent::Notification(component, operation);
        if (operation == opRemove)
            Freed = true;
    }
};

} // namespace

// ---------------------------------------------------------------------------------------------------
// Handles

TEST(WindowsHandles, TheWindowIsCreatedOnFirstRequestWithTheFormsClassName)
{
    auto form = NewForm();
    auto plain = std::make_unique<TForm>(Application);
    EXPECT_FALSE(form->HandleAllocated());
    HWND window = form->Handle();
    ASSERT_TRUE(IsWindow(window));
    EXPECT_TRUE(form->HandleAllocated());
    EXPECT_EQ(form->Handle(), window);
    EXPECT_EQ(WindowClass(window), "TWindowsTestForm");
    EXPECT_EQ(WindowClass(plain->Handle()), "TForm");
    EXPECT_EQ(FindControl(window), form.get());
    EXPECT_FALSE(IsWindowVisible(window));
}

TEST(WindowsHandles, ChildWindowsAreCreatedWithTheirParentInIndexOrder)
{
    auto form = NewForm();
    auto* panel = new TPanel(form.get());
    panel->SetParent(form.get());
    auto* label = new TLabel(form.get());
    label->SetParent(panel);
    auto* edit = new TEdit(form.get());
    edit->SetParent(panel);
    auto* button = new TBitBtn(form.get());
    button->SetParent(form.get());
    EXPECT_FALSE(panel->HandleAllocated());

    form->Handle();
    ASSERT_TRUE(panel->HandleAllocated());
    ASSERT_TRUE(edit->HandleAllocated());
    EXPECT_EQ(GetParent(panel->Handle()), form->Handle());
    EXPECT_EQ(GetParent(edit->Handle()), panel->Handle());
    EXPECT_EQ(WindowClass(edit->Handle()), "Edit");
    EXPECT_EQ(WindowClass(panel->Handle()), "TPanel");
    ASSERT_EQ(form->ControlCount(), 2);
    EXPECT_EQ(form->Controls(0), panel);
    EXPECT_EQ(form->Controls(1), button);
    ASSERT_EQ(panel->ControlCount(), 2);
    EXPECT_EQ(panel->Controls(0), label);
    EXPECT_EQ(panel->Controls(1), edit);
    EXPECT_THROW(panel->Controls(2), EListError);

    // A control added to a parent that has its window gets its own at once.
    auto* late = new TEdit(form.get());
    late->SetParent(form.get());
    EXPECT_TRUE(late->HandleAllocated());
}

TEST(WindowsHandles, RecreateWndGivesANewWindowAndKeepsChildrenAndText)
{
    auto form = NewForm();
    form->SetCaption("Before");
    auto* panel = new TPanel(form.get());
    panel->SetParent(form.get());
    auto* edit = new TEdit(form.get());
    edit->SetParent(panel);
    edit->SetBounds(5, 6, 100, 21);
    HWND oldForm = form->Handle();
    HWND oldEdit = edit->Handle();
    SetWindowTextA(oldEdit, "typed by the user");

    form->RecreateWnd();
    HWND newForm = form->Handle();
    EXPECT_NE(newForm, oldForm);
    EXPECT_FALSE(IsWindow(oldForm));
    EXPECT_FALSE(IsWindow(oldEdit));
    ASSERT_TRUE(edit->HandleAllocated());
    EXPECT_EQ(GetParent(panel->Handle()), newForm);
    EXPECT_EQ(GetParent(edit->Handle()), panel->Handle());
    EXPECT_EQ(WindowText(edit->Handle()), "typed by the user");
    EXPECT_EQ(WindowText(newForm), "Before");
    EXPECT_EQ(edit->Left(), 5);
    EXPECT_EQ(edit->Top(), 6);
    EXPECT_EQ(FindControl(newForm), form.get());
}

TEST(WindowsHandles, BorderStyleTakesANewWindowWithTheMatchingFrame)
{
    auto form = NewForm();
    HWND sizeable = form->Handle();
    EXPECT_TRUE(GetWindowLongA(sizeable, GWL_STYLE) & WS_THICKFRAME);
    form->SetBorderStyle(bsDialog);
    HWND dialog = form->Handle();
    EXPECT_NE(dialog, sizeable);
    EXPECT_FALSE(GetWindowLongA(dialog, GWL_STYLE) & WS_THICKFRAME);
    EXPECT_TRUE(GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
}

// ---------------------------------------------------------------------------------------------------
// Geometry

TEST(WindowsGeometry, BoundsClientRectAndClientOriginFollowTheWindow)
{
    auto form = NewForm();
    form->SetBounds(110, 90, 300, 200);
    HWND window = form->Handle();
    RECT r = WindowRect(window);
    EXPECT_EQ(r.left, 110);
    EXPECT_EQ(r.top, 90);
    EXPECT_EQ(r.right - r.left, 300);
    EXPECT_EQ(r.bottom - r.top, 200);

    RECT client{};
    GetClientRect(window, &client);
    RECT ours = form->ClientRect();
    EXPECT_EQ(ours.right, client.right);
    EXPECT_EQ(ours.bottom, client.bottom);
    EXPECT_LT(form->ClientWidth(), 300);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    EXPECT_EQ(form->ClientOrigin().x, origin.x);
    EXPECT_EQ(form->ClientOrigin().y, origin.y);

    form->SetClientWidth(250);
    form->SetClientHeight(150);
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 250);
    EXPECT_EQ(client.bottom, 150);
    EXPECT_EQ(form->ClientWidth(), 250);
    EXPECT_EQ(form->ClientHeight(), 150);

    // Moved from outside, the form reads its new place.
    SetWindowPos(window, nullptr, 40, 30, 320, 240, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(form->Left(), 40);
    EXPECT_EQ(form->Top(), 30);
    EXPECT_EQ(form->Width(), 320);
    EXPECT_EQ(form->Height(), 240);
}

TEST(WindowsGeometry, ControlsArePlacedInTheirParentsClientArea)
{
    auto form = NewForm();
    auto* panel = new TPanel(form.get());
    panel->SetParent(form.get());
    panel->SetBounds(20, 30, 150, 100);
    auto* label = new TLabel(form.get());
    label->SetParent(panel);
    label->SetBounds(7, 9, 50, 13);
    form->Handle();

    POINT formOrigin = form->ClientOrigin();
    POINT panelOrigin = panel->ClientOrigin();
    EXPECT_EQ(panelOrigin.x, formOrigin.x + 20);
    EXPECT_EQ(panelOrigin.y, formOrigin.y + 30);
    EXPECT_EQ(label->ClientOrigin().x, panelOrigin.x + 7);
    EXPECT_EQ(label->ClientOrigin().y, panelOrigin.y + 9);
    RECT r = WindowRect(panel->Handle());
    EXPECT_EQ(r.left, formOrigin.x + 20);
    EXPECT_EQ(r.right - r.left, 150);
    EXPECT_EQ(panel->ClientWidth(), 150);
    EXPECT_EQ(label->ClientRect().right, label->Width());
}

// ---------------------------------------------------------------------------------------------------
// Window state

// Bounds from a description or the system hold any int: the far edges stay ints, the size is kept,
// and what adds to them (the origin on the screen, a client size) stays in range.
TEST(WindowsGeometry, BoundsFarOutNeverOverflow)
{
    constexpr int most = std::numeric_limits<int>::max();
    constexpr int least = std::numeric_limits<int>::min();
    std::unique_ptr<TComponent> root(TReader("object Far: TForm\n"
                                             "  object L: TLabel\n"
                                             "    AutoSize = False\n"
                                             "    Left = 2147483647\n"
                                             "    Top = 2147483647\n"
                                             "    Width = 65\n"
                                             "  end\n"
                                             "end\n")
                                         .ReadComponent(Application));
    auto* label = static_cast<TControl*>(root->FindComponent("L"));
    RECT r = label->BoundsRect();
    EXPECT_EQ(r.right, most);
    EXPECT_EQ(r.left, most - 65);
    EXPECT_EQ(label->Width(), 65);
    EXPECT_GE(r.bottom, r.top);
    label->SetBounds(most, most, 0, 0);
    EXPECT_EQ(label->ClientOrigin().x, most); // the form's origin added: clamped, not wrapped round
    EXPECT_EQ(label->ClientOrigin().y, most);
    label->SetBounds(least, least, -20, least);
    r = label->BoundsRect();
    EXPECT_EQ(r.left, least);
    EXPECT_EQ(label->Width(), 0);
    EXPECT_EQ(label->Height(), 0);

    auto form = NewForm();
    form->SetBounds(most, least, most, most);
    EXPECT_GE(form->BoundsRect().right, form->BoundsRect().left);
    EXPECT_EQ(form->Width(), most);
    form->SetPosition(poScreenCenter);
    form->SetClientWidth(most);
    form->Show();
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
    EXPECT_GE(form->BoundsRect().right, form->BoundsRect().left);
}

TEST(WindowsState, WindowStateFollowsTheRealWindow)
{
    auto form = NewForm();
    form->Show();
    HWND window = form->Handle();
    EXPECT_EQ(form->WindowState(), wsNormal);

    ShowWindow(window, SW_MAXIMIZE);
    EXPECT_EQ(form->WindowState(), wsMaximized);
    ShowWindow(window, SW_RESTORE);
    EXPECT_EQ(form->WindowState(), wsNormal);
    ShowWindow(window, SW_MINIMIZE);
    EXPECT_EQ(form->WindowState(), wsMinimized);
    ShowWindow(window, SW_RESTORE);

    form->SetWindowState(wsMaximized);
    EXPECT_TRUE(IsZoomed(window));
    form->SetWindowState(wsMinimized);
    EXPECT_TRUE(IsIconic(window));
    form->SetWindowState(wsNormal);
    EXPECT_FALSE(IsIconic(window));
    EXPECT_FALSE(IsZoomed(window));
}

TEST(WindowsState, AHiddenFormKeepsItsStateForTheNextShow)
{
    auto form = NewForm();
    form->Show();
    ShowWindow(form->Handle(), SW_MAXIMIZE);
    form->Hide();
    EXPECT_EQ(form->WindowState(), wsMaximized);
    form->Show();
    EXPECT_TRUE(IsZoomed(form->Handle()));

    auto other = NewForm();
    other->SetWindowState(wsMaximized);
    EXPECT_FALSE(other->HandleAllocated());
    other->Show();
    EXPECT_TRUE(IsZoomed(other->Handle()));
    EXPECT_EQ(other->WindowState(), wsMaximized);
}

// Until the window is shown, OnShow sees the state the form is about to show in, and a state it sets
// is the one the window then shows in.
TEST(WindowsState, DuringOnShowTheStateIsTheOneTheFormWillShowIn)
{
    auto form = NewForm();
    form->SetWindowState(wsMaximized);
    form->Show();
    EXPECT_EQ(form->StateDuringShow, wsMaximized);
    EXPECT_TRUE(IsZoomed(form->Handle()));

    auto other = NewForm();
    other->SetWindowState(wsMaximized);
    other->StateToSetDuringShow = wsNormal;
    other->Show();
    EXPECT_EQ(other->StateDuringShow, wsMaximized);
    EXPECT_FALSE(other->VisibleDuringShow);
    EXPECT_TRUE(IsWindowVisible(other->Handle()));
    EXPECT_FALSE(IsZoomed(other->Handle()));
    EXPECT_EQ(other->WindowState(), wsNormal);
}

// ---------------------------------------------------------------------------------------------------
// Show, Hide, Close

TEST(WindowsShowHideClose, ShowAndHideFireTheirEventsAroundTheWindow)
{
    auto form = NewForm();
    EXPECT_FALSE(form->Visible());
    form->Show();
    EXPECT_TRUE(form->Visible());
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
    EXPECT_FALSE(form->VisibleDuringShow);
    form->Show(); // already shown: no second event
    form->Hide();
    EXPECT_FALSE(form->Visible());
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
    EXPECT_EQ(form->Events, (std::vector<std::string>{"Show", "Hide"}));
}

TEST(WindowsShowHideClose, CloseAsksOnCloseAndFollowsItsAction)
{
    auto form = NewForm();
    form->Show();
    form->CloseAction = caNone;
    form->Close();
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
    EXPECT_TRUE(form->Visible());

    form->CloseAction = caMinimize;
    form->Close();
    EXPECT_TRUE(IsIconic(form->Handle()));
    form->SetWindowState(wsNormal);

    form->CloseAction = caHide;
    SendMessageA(form->Handle(), WM_CLOSE, 0, 0); // the close box
    EXPECT_FALSE(form->Visible());
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
    EXPECT_EQ(form->Events, (std::vector<std::string>{"Show", "Close", "Close", "Close", "Hide"}));
}

TEST(WindowsShowHideClose, CloseWithCaFreeFreesTheFormOnceItsMessagesAreHandled)
{
    auto form = NewForm();
    form->Show();
    form->CloseAction = caFree;
    TFreeWatcher watcher(form.get());
    form->Close();
    EXPECT_FALSE(watcher.Freed); // not from inside its own handler
    TWindowsTestForm* raw = form.release();
    HWND window = raw->Handle();
    EXPECT_TRUE(PumpUntil([&] { return watcher.Freed; }));
    EXPECT_FALSE(IsWindow(window));
}

TEST(WindowsShowHideClose, AFormReadAsVisibleShowsOnceItIsWholeAndEveryComponentIsLoaded)
{
    TVisibilityProbe::FormVisibleAtLoaded.clear();
    std::unique_ptr<TComponent> root(TReader(R"(object ReadForm: TWindowsTestForm
  Caption = 'Read'
  Visible = True
  object Probe1: TVisibilityProbe
  end
  object Probe2: TVisibilityProbe
  end
end)").ReadComponent(Application));
    auto* form = root->As<TWindowsTestForm>();
    EXPECT_FALSE(TVisibilityProbe::FormVisibleAtCreation);
    EXPECT_EQ(TVisibilityProbe::FormVisibleAtLoaded, (std::vector<bool>{false, false}));
    EXPECT_TRUE(form->Visible());
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
}

// The designer shows a form as it was designed: read into the designing state, a form stored as visible
// and maximised is not shown, so neither its state nor its position changes its stored bounds.
TEST(WindowsShowHideClose, AFormReadIntoTheDesignerIsNotShownAndKeepsItsBounds)
{
    TComponent designer(nullptr);
    designer.SetDesigning(true);
    std::unique_ptr<TComponent> root(TReader(R"(object DesignedForm: TWindowsTestForm
  Left = 10
  Top = 20
  Width = 300
  Height = 200
  Visible = True
  Position = poScreenCenter
  WindowState = wsMaximized
end)").ReadComponent(&designer));
    auto* form = root->As<TWindowsTestForm>();
    EXPECT_TRUE(form->Visible());
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
    EXPECT_EQ(form->WindowState(), wsMaximized);
    EXPECT_EQ(form->Left(), 10);
    EXPECT_EQ(form->Top(), 20);
    EXPECT_EQ(form->Width(), 300);
    EXPECT_EQ(form->Height(), 200);
}

TEST(WindowsShowHideClose, OnPaintFiresWhenTheFormPaints)
{
    auto form = NewForm();
    form->SetOnPaint(TNotifyEvent(form.get(), &TWindowsTestForm::FormPaint));
    form->Show();
    InvalidateRect(form->Handle(), nullptr, TRUE);
    UpdateWindow(form->Handle());
    EXPECT_NE(std::find(form->Events.begin(), form->Events.end(), "Paint"), form->Events.end());
}

// ---------------------------------------------------------------------------------------------------
// ShowModal

namespace {

struct TModalFixture {
    std::unique_ptr<TWindowsTestForm> Form = NewForm();
    TBitBtn* Ok;
    TBitBtn* Cancel;
    TBitBtn* Retry;
    TEdit* Edit;

    TModalFixture()
    {
        Form->SetCaption("Modal test");
        Edit = new TEdit(Form.get());
        Edit->SetParent(Form.get());
        Edit->SetBounds(10, 10, 200, 21);
        Ok = NewButton("OK", 10);
        Ok->SetKind(bkOK);
        Cancel = NewButton("Cancel", 100);
        Cancel->SetKind(bkCancel);
        Retry = NewButton("&Retry", 190);
        Retry->SetModalResult(mrRetry);
    }
    TBitBtn* NewButton(const char* caption, int left)
    {
        auto* button = new TBitBtn(Form.get());
        button->SetParent(Form.get());
        button->SetCaption(caption);
        button->SetBounds(left, 50, 75, 25);
        return button;
    }
};

} // namespace

TEST(WindowsModal, ShowModalReturnsTheModalResultOfTheButtonClicked)
{
    TModalFixture f;
    auto other = NewForm();
    other->Show();
    bool otherDisabled = false;
    TUserAction user([&] {
        otherDisabled = !IsWindowEnabled(other->Handle());
        return PressButton("TWindowsTestForm", "Modal test", "&Retry");
    });
    EXPECT_EQ(f.Form->ShowModal(), mrRetry);
    EXPECT_EQ(f.Form->ModalResult(), mrRetry);
    EXPECT_TRUE(otherDisabled);
    EXPECT_TRUE(IsWindowEnabled(other->Handle()));
    EXPECT_FALSE(f.Form->Visible());
    EXPECT_FALSE(IsWindowVisible(f.Form->Handle()));
    EXPECT_EQ(f.Form->Events, (std::vector<std::string>{"Show", "Close", "Hide"}));

    // Shown again, it starts without a result.
    TUserAction again([&] { return PressButton("TWindowsTestForm", "Modal test", "OK"); });
    EXPECT_EQ(f.Form->ShowModal(), mrOk);
}

TEST(WindowsModal, EnterPressesTheDefaultButtonAndEscapeTheCancelButton)
{
    TModalFixture f;
    f.Form->SetActiveControl(f.Edit);
    HWND focused = nullptr;
    TUserAction enter([&] {
        focused = GetFocus();
        return PressKey("TWindowsTestForm", "Modal test", VK_RETURN);
    });
    EXPECT_EQ(f.Form->ShowModal(), mrOk);
    EXPECT_EQ(focused, f.Edit->Handle());

    TUserAction escape([&] { return PressKey("TWindowsTestForm", "Modal test", VK_ESCAPE); });
    EXPECT_EQ(f.Form->ShowModal(), mrCancel);

    // Enter on a focused button presses that button.
    f.Form->SetActiveControl(f.Retry);
    TUserAction onButton([&] { return PressKey("TWindowsTestForm", "Modal test", VK_RETURN); });
    EXPECT_EQ(f.Form->ShowModal(), mrRetry);
}

TEST(WindowsModal, ClosingTheModalFormGivesCancelUnlessOnCloseRefuses)
{
    TModalFixture f;
    TUserAction close([&] {
        HWND window = FindThreadWindow("TWindowsTestForm", "Modal test");
        if (window)
            PostMessageA(window, WM_CLOSE, 0, 0);
        return window != nullptr;
    });
    EXPECT_EQ(f.Form->ShowModal(), mrCancel);

    // caNone keeps the form up: the first click is refused, the second one accepted.
    int clicks = 0;
    bool upAfterFirst = false;
    f.Form->CloseAction = caNone;
    f.Form->Events.clear();
    TUserAction twice([&] {
        if (clicks == 1) { // the first click has been handled by the time of this tick
            upAfterFirst = IsWindowVisible(f.Form->Handle()) != FALSE;
            f.Form->CloseAction = caHide;
        }
        if (!PressButton("TWindowsTestForm", "Modal test", "OK"))
            return false;
        return ++clicks == 2;
    });
    EXPECT_EQ(f.Form->ShowModal(), mrOk);
    EXPECT_TRUE(upAfterFirst);
    EXPECT_EQ(f.Form->Events, (std::vector<std::string>{"Show", "Close", "Close", "Hide"}));
}

TEST(WindowsModal, AVisibleFormCannotBeMadeModal)
{
    auto form = NewForm();
    form->Show();
    EXPECT_THROW(form->ShowModal(), EInvalidOperation);
}

// ---------------------------------------------------------------------------------------------------
// Fonts and painting

TEST(WindowsFonts, TheFormsFontReachesItsControlsWindowsAndFollowsChanges)
{
    auto form = NewForm();
    auto* panel = new TPanel(form.get());
    panel->SetParent(form.get());
    auto* edit = new TEdit(form.get());
    edit->SetParent(panel);
    form->Handle();
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(edit->Handle(), WM_GETFONT, 0, 0)), form->Font()->Handle());

    form->Font()->SetSize(14);
    HFONT changed = form->Font()->Handle();
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(edit->Handle(), WM_GETFONT, 0, 0)), changed);

    TFont bold;
    bold.SetStyle(TFontStyles{fsBold});
    form->SetFont(&bold);
    LOGFONTA logFont{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(edit->Handle(), WM_GETFONT, 0, 0)), sizeof logFont, &logFont);
    EXPECT_EQ(logFont.lfWeight, FW_BOLD);
}

TEST(WindowsFonts, APanelPaintsItsBevelAndItsLabels)
{
    auto form = NewForm();
    form->SetBounds(50, 50, 300, 200);
    auto* panel = new TPanel(form.get());
    panel->SetParent(form.get());
    panel->SetBounds(10, 10, 200, 120);
    auto* label = new TLabel(form.get());
    label->SetParent(panel);
    label->SetBounds(20, 60, 10, 10);
    label->SetCaption("WWWWWW");
    form->Show();
    UpdateWindow(form->Handle());
    PumpFor(50);

    HDC dc = GetDC(panel->Handle());
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    // The bevel's light top edge and dark bottom edge.
    EXPECT_NE(GetPixel(dc, 100, 0), face);
    EXPECT_NE(GetPixel(dc, 100, 119), face);
    // Some of the label's text.
    int inked = 0;
    for (int x = label->Left(); x < label->Left() + label->Width(); ++x)
        for (int y = label->Top(); y < label->Top() + label->Height(); ++y)
            inked += GetPixel(dc, x, y) != face;
    EXPECT_GT(inked, 10);
    // Nothing outside it, in the panel's middle.
    int stray = 0;
    for (int x = 150; x < 190; ++x)
        for (int y = 20; y < 40; ++y)
            stray += GetPixel(dc, x, y) != face;
    EXPECT_EQ(stray, 0);
    ReleaseDC(panel->Handle(), dc);
}
