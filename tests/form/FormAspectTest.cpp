// The aspect-ratio keeper on a real form: the edge each side of a drag moves, the frame allowance and
// its event, the rectangle handed back, the maximised size, ratios that cannot be kept, and where the
// keeper sits in a chain of hooks.
#include "form/QELTFormAspect.h"

#include "form/QELTFormSizes.h"
#include "framework/FormText.h"
#include "tests/form/FormTesting.h"

#include <climits>
#include <memory>
#include <ostream>
#include <vector>

// Found by argument-dependent look-up, which searches the global namespace of RECT.
static bool operator==(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != FALSE;
}

static void PrintTo(const RECT& r, std::ostream* out)
{
    *out << EventArgText(r);
}

namespace {

struct TSide {
    WPARAM Side;
    RECT Expected;
};

class FormAspect : public FormTesting::TFormTest {
protected:
    RECT Sizing(WPARAM side, RECT rect)
    {
        EXPECT_EQ(Send(WM_SIZING, side, reinterpret_cast<LPARAM>(&rect)), 0);
        return rect;
    }
    MINMAXINFO MaximizeInfo()
    {
        MINMAXINFO info{};
        info.ptMaxSize = {1032, 776};
        info.ptMaxPosition = {-4, -4};
        info.ptMaxTrackSize = {1036, 780};
        Send(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
        return info;
    }
    int FrameX() { return Form->Width() - Form->ClientWidth(); }
    int FrameY() { return Form->Height() - Form->ClientHeight(); }

public:
    // Handlers of the component's events.
    void ZeroAllowance(TObject* sender, int& x, int& y)
    {
        EXPECT_EQ(sender, Aspect);
        Allowances.push_back({x, y});
        x = 0;
        y = 0;
    }
    void WidenByOne(TObject* sender, RECT& r)
    {
        EXPECT_EQ(sender, Aspect);
        Seen.push_back(r);
        --r.left;
    }
    void Refuse(TObject*, RECT&) { throw Exception("no resizing now"); }

protected:
    TQELFormAspect* Aspect = new TQELFormAspect(Form);
    std::vector<POINT> Allowances;
    std::vector<RECT> Seen;
};

// Counts the sizing messages that reach it.
class TSizingCounter : public TQELHookComponent {
public:
    using TQELHookComponent::TQELHookComponent;
    int Sizings = 0;
    int MinMaxes = 0;
    void Hooked(TMessage& message) override
    {
        Sizings += message.Msg == WM_SIZING;
        MinMaxes += message.Msg == WM_GETMINMAXINFO;
        TQELHookComponent::Hooked(message);
    }
};

TEST_F(FormAspect, PublishesItsPropertiesWithTheirDefaults)
{
    EXPECT_EQ(FormTesting::PropertyNames(TQELFormAspect::StaticClass()),
              (std::vector<std::string>{"Name", "Tag", "About", "Enabled", "RatioWidth", "RatioHeight", "Client",
                                        "OnClientModified", "BeforeResizing"}));
    EXPECT_TRUE(Aspect->Enabled());
    EXPECT_EQ(Aspect->RatioWidth(), 1);
    EXPECT_EQ(Aspect->RatioHeight(), 1);
    EXPECT_TRUE(Aspect->Client());
    Aspect->SetName("Aspect");
    EXPECT_EQ(WriteComponentText(*Aspect), "object Aspect: TQELFormAspect\r\nend\r\n")
        << "nothing differs from a default";
    const TPropInfo* event = TQELFormAspect::StaticClass()->FindProperty("OnClientModified");
    EXPECT_EQ(event->Event->ParamNames, (std::vector<std::string_view>{"Sender", "X", "Y"}));
}

TEST_F(FormAspect, DraggingTheRightBorderMakesTheClientAreaSquare)
{
    Form->SetClientWidth(300);
    Form->SetClientHeight(200);
    RECT window = Form->BoundsRect();
    window.right += 20; // a client width of 320
    const RECT kept = Sizing(WMSZ_RIGHT, window);
    EXPECT_EQ(kept.right - kept.left - FrameX(), 320);
    EXPECT_EQ(kept.bottom - kept.top - FrameY(), 320);
    EXPECT_EQ(kept.top, window.top) << "the bottom edge moves";

    SetWindowPos(Form->Handle(), nullptr, kept.left, kept.top, kept.right - kept.left, kept.bottom - kept.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(Form->ClientWidth(), 320);
    EXPECT_EQ(Form->ClientHeight(), 320);
}

TEST_F(FormAspect, MovesTheEdgeOppositeTheOneDragged)
{
    Aspect->SetClient(false);
    Aspect->SetRatioWidth(4);
    Aspect->SetRatioHeight(3);
    // 421 x 300: the height for the width is 315 (315.75 truncated), the width for the height 400.
    const RECT dragged{100, 100, 521, 400};
    const std::vector<TSide> sides{
        {WMSZ_LEFT, {100, 85, 521, 400}},   {WMSZ_TOPRIGHT, {100, 85, 521, 400}},
        {WMSZ_RIGHT, {100, 100, 521, 415}}, {WMSZ_BOTTOMLEFT, {100, 100, 521, 415}},
        {WMSZ_TOP, {121, 100, 521, 400}},   {WMSZ_TOPLEFT, {121, 100, 521, 400}},
        {WMSZ_BOTTOM, {100, 100, 500, 400}}, {WMSZ_BOTTOMRIGHT, {100, 100, 500, 400}},
        {0, dragged},                        {9, dragged},
    };
    for (const TSide& side : sides)
        EXPECT_EQ(Sizing(side.Side, dragged), side.Expected) << "side " << side.Side;
}

TEST_F(FormAspect, KeepsTheOuterWindowAtFourToThree)
{
    Aspect->SetClient(false);
    Aspect->SetRatioWidth(4);
    Aspect->SetRatioHeight(3);
    EXPECT_EQ(Sizing(WMSZ_BOTTOM, {50, 60, 250, 360}), (RECT{50, 60, 450, 360}));
    // An inner width of -5 gives -3.75 for the height: -3, not -4.
    EXPECT_EQ(Sizing(WMSZ_RIGHT, {100, 100, 95, 400}).bottom, 97);
}

TEST_F(FormAspect, LetsTheApplicationChangeTheAllowance)
{
    Aspect->SetOnClientModified(TQELOnClientModified(this, &FormAspect::ZeroAllowance));
    const RECT kept = Sizing(WMSZ_RIGHT, {100, 100, 400, 250});
    EXPECT_EQ(kept, (RECT{100, 100, 400, 400})) << "behaves as for the whole window";
    ASSERT_EQ(Allowances.size(), 1u);
    EXPECT_EQ(Allowances[0].x, FrameX());
    EXPECT_EQ(Allowances[0].y, FrameY());

    Aspect->SetClient(false);
    Sizing(WMSZ_RIGHT, {100, 100, 400, 250});
    ASSERT_EQ(Allowances.size(), 2u);
    EXPECT_EQ(Allowances[1].x, 0);
    EXPECT_EQ(Allowances[1].y, 0);
}

TEST_F(FormAspect, HandsBackWhatBeforeResizingMakesOfTheCorrectedRectangle)
{
    Aspect->SetClient(false);
    Aspect->SetBeforeResizing(TQELBeforeResizing(this, &FormAspect::WidenByOne));
    const RECT kept = Sizing(WMSZ_RIGHT, {100, 100, 400, 250});
    ASSERT_EQ(Seen.size(), 1u);
    EXPECT_EQ(Seen[0], (RECT{100, 100, 400, 400}));
    EXPECT_EQ(kept, (RECT{99, 100, 400, 400}));
}

TEST_F(FormAspect, GivesTheMaximisedFormTheRatio)
{
    Aspect->SetBeforeResizing(TQELBeforeResizing(this, &FormAspect::WidenByOne));
    // 1:1 on 1024 x 768: the height for the full width (1032) does not fit, so the full height (776)
    // sets both.
    const MINMAXINFO info = MaximizeInfo();
    ASSERT_EQ(Seen.size(), 1u);
    EXPECT_EQ(Seen[0], (RECT{0, 0, 776 + FrameX(), 776 + FrameY()}));
    EXPECT_EQ(info.ptMaxSize.x, 776 + FrameX() + 1) << "the handler's change counts";
    EXPECT_EQ(info.ptMaxSize.y, 776 + FrameY());
    EXPECT_EQ(info.ptMaxPosition.x, -4);
    EXPECT_EQ(info.ptMaxTrackSize.x, 1036);
}

TEST_F(FormAspect, MaximisesAWideFormToTheFullWidth)
{
    // The whole window at 2:1: the full width (1032) and half of it. (With the frame added to the full
    // width, the system's largest tracking size would cut the width.)
    Aspect->SetClient(false);
    Aspect->SetRatioWidth(2);
    Form->Show();
    Form->SetWindowState(wsMaximized);
    RECT window;
    GetWindowRect(Form->Handle(), &window);
    EXPECT_EQ(window.right - window.left, 1032);
    EXPECT_EQ(window.bottom - window.top, 516);
}

TEST_F(FormAspect, WhenDisabledPassesEverythingOn)
{
    delete Aspect;
    auto* behind = new TSizingCounter(Form);
    Aspect = new TQELFormAspect(Form);
    Aspect->SetEnabled(false);
    const RECT dragged{100, 100, 400, 250};
    EXPECT_EQ(Sizing(WMSZ_RIGHT, dragged), dragged);
    EXPECT_EQ(MaximizeInfo().ptMaxSize.x, 1032);
    EXPECT_EQ(behind->Sizings, 1);
    EXPECT_EQ(behind->MinMaxes, 1);

    Aspect->SetEnabled(true);
    Sizing(WMSZ_RIGHT, dragged);
    MaximizeInfo();
    EXPECT_EQ(behind->Sizings, 1) << "answered, not passed on";
    EXPECT_EQ(behind->MinMaxes, 1);
}

TEST_F(FormAspect, HidesTheSizingMessagesFromHooksInstalledBeforeIt)
{
    delete Aspect;
    auto* before = new TQELFormSizes(Form);
    before->SetMinWidth(500);
    Aspect = new TQELFormAspect(Form);
    auto* after = new TQELFormSizes(Form);
    after->SetMaxHeight(600);
    MINMAXINFO info{};
    info.ptMaxSize = {1032, 776};
    Send(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 0) << "the earlier hook never saw it";
    EXPECT_EQ(info.ptMaxTrackSize.y, 600) << "the later hook saw it first";
    EXPECT_EQ(info.ptMaxSize.x, 776 + FrameX());
}

TEST_F(FormAspect, SizesFreelyWithARatioPartOfZeroOrLess)
{
    delete Aspect;
    auto* behind = new TSizingCounter(Form);
    Aspect = new TQELFormAspect(Form);
    const RECT dragged{100, 100, 400, 250};
    for (const auto& [width, height] : {std::pair{0, 1}, std::pair{1, 0}, std::pair{-3, 2}, std::pair{4, -1}}) {
        Aspect->SetRatioWidth(width);
        Aspect->SetRatioHeight(height);
        EXPECT_EQ(Sizing(WMSZ_RIGHT, dragged), dragged);
        RECT direct = dragged;
        Aspect->EstablishAspectRatio(WMSZ_BOTTOM, direct);
        EXPECT_EQ(direct, dragged);
        EXPECT_EQ(MaximizeInfo().ptMaxSize.x, 1032);
    }
    EXPECT_EQ(behind->Sizings, 4) << "passed on";
    EXPECT_EQ(behind->MinMaxes, 4);
}

TEST_F(FormAspect, AStoredFormWithARatioOfZeroStillLoadsAndResizes)
{
    TReader reader("object Zero: TForm\n"
                   "  Width = 300\n"
                   "  Height = 200\n"
                   "  object Aspect: TQELFormAspect\n"
                   "    RatioHeight = 0\n"
                   "  end\n"
                   "end\n");
    std::unique_ptr<TComponent> root(reader.ReadComponent(nullptr));
    auto* form = root->As<TForm>();
    EXPECT_EQ(form->FindComponent("Aspect")->As<TQELFormAspect>()->RatioHeight(), 0);
    form->Show();
    form->SetBounds(10, 10, 420, 330);
    form->SetWindowState(wsMaximized);
    form->SetWindowState(wsNormal);
    EXPECT_EQ(form->Width(), 420);
}

TEST_F(FormAspect, PinsResultsBeyondTheCoordinateRange)
{
    Aspect->SetClient(false);
    Aspect->SetRatioHeight(2000000000);
    EXPECT_EQ(Sizing(WMSZ_RIGHT, {100, 100, 420, 400}).bottom, LONG_MAX);
    EXPECT_EQ(Sizing(WMSZ_LEFT, {100, 100, 420, 400}).top, LONG_MIN);
}

TEST_F(FormAspect, ReportsAHandlersErrorAndStillAnswers)
{
    delete Aspect;
    auto* behind = new TSizingCounter(Form);
    Aspect = new TQELFormAspect(Form);
    Aspect->SetClient(false);
    Aspect->SetBeforeResizing(TQELBeforeResizing(this, &FormAspect::Refuse));
    EXPECT_EQ(Sizing(WMSZ_RIGHT, {100, 100, 400, 250}), (RECT{100, 100, 400, 400}));
    ASSERT_EQ(Errors.size(), 1u);
    EXPECT_EQ(Errors[0].Sender, Aspect);
    EXPECT_EQ(Errors[0].Message, "no resizing now");
    Errors.clear();
    EXPECT_EQ(behind->Sizings, 0);
}

} // namespace
