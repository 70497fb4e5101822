// The explode animation: the start and end rectangles, the rectangles each animation draws (with
// Rectangle intercepted), when it animates, the take-over and give-back of the form's events in both
// orders with a form saver, and, on the real screen, that a whole show and a whole hide leave every
// pixel as it was.
#include "form/QELTFormExplode.h"

#include "framework/FormText.h"
#include "persistence/QELTFormSaver.h"
#include "tests/form/FormTesting.h"
#include "tests/support/ErrorMessage.h"
#include "tests/support/ImportPatch.h"

#include <climits>
#include <cstring>
#include <memory>
#include <vector>

static bool operator==(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != FALSE;
}

static void PrintTo(const RECT& r, std::ostream* out)
{
    *out << EventArgText(r);
}

namespace {

using WindowTesting::PumpUntil;
using TLines = std::vector<std::string>;
using TRects = std::vector<RECT>;

// The rectangles the animation draws, instead of drawing them.
TRects Drawn;

BOOL WINAPI RecordRectangle(HDC, int left, int top, int right, int bottom)
{
    Drawn.push_back({left, top, right, bottom});
    return TRUE;
}

// The application's own handlers of the form's events.
class TApplicationHandlers : public TObject {
public:
    void FormShow(TObject*) { Log.push_back("app show"); }
    void FormHide(TObject*) { Log.push_back("app hide"); }
    void FormPaint(TObject*)
    {
        ++Paints;
        if (RaiseInPaint)
            throw Exception("paint failed");
    }
    void OtherHide(TObject*) { Log.push_back("other hide"); }

    TLines Log;
    int Paints = 0;
    bool RaiseInPaint = false;
};

RECT Srect(TQELFormExplode* explode, TQELWipeType wipeType)
{
    int left = -1, top = -1, right = -1, bottom = -1;
    explode->GetSrect(left, top, right, bottom, wipeType);
    return {left, top, right, bottom};
}

// An INI file of the system's temp folder for the length of a test.
class TTempIni {
public:
    TTempIni()
    {
        char directory[MAX_PATH];
        (void)GetTempPathA(MAX_PATH, directory);
        FPath = std::string(directory) + "QELFormExplodeTest.ini";
    }
    ~TTempIni() { (void)DeleteFileA(FPath.c_str()); }
    const std::string& Path() const { return FPath; }
    void Write(const char* name, int value) const
    {
        WritePrivateProfileStringA("Forms", name, std::to_string(value).c_str(), FPath.c_str());
    }

private:
    std::string FPath;
};

class FormExplode : public FormTesting::TFormTest {
protected:
    FormExplode()
    {
        Drawn.clear();
        Form->SetOnShow(TNotifyEvent(&App, &TApplicationHandlers::FormShow));
        Form->SetOnHide(TNotifyEvent(&App, &TApplicationHandlers::FormHide));
        Form->SetOnPaint(TNotifyEvent(&App, &TApplicationHandlers::FormPaint));
    }
    ~FormExplode() override
    {
        delete Form;
        Form = nullptr;
    }

    TQELFormExplode* MakeExplode()
    {
        auto* explode = new TQELFormExplode(Form);
        explode->SetOnGetPoints(TQELOnGetPoints(this, &FormExplode::CountPoints));
        return explode;
    }
    TQELFormSaver* MakeSaver()
    {
        auto* saver = new TQELFormSaver(Form);
        saver->FormStore()->SetDatatype(sIniFile);
        saver->FormStore()->Inifile()->SetFilename(Ini.Path());
        saver->FormStore()->Inifile()->SetSection("Forms");
        saver->SetStoreControls(false);
        saver->SetOnRestore(TNotifyEvent(this, &FormExplode::Restored));
        return saver;
    }
    // Waits for a paint since the last wait (which may have come while the form was shown already).
    void WaitForPaint()
    {
        EXPECT_TRUE(PumpUntil([&] { return App.Paints > PaintsSeen; }));
        PaintsSeen = App.Paints;
    }
    // The form's three events fire the component's handlers first.
    bool HoldsAll(TObject* component)
    {
        return Form->ShowSlot().Data() == component && Form->PaintSlot().Data() == component &&
               Form->HideSlot().Data() == component;
    }

public:
    void CountPoints(TObject* sender, int&, int&, int&, int&)
    {
        EXPECT_NE(sender, nullptr);
        App.Log.push_back("points");
    }
    void Restored(TObject*) { App.Log.push_back("restored"); }

protected:
    TApplicationHandlers App;
    int PaintsSeen = 0;
    TTempIni Ini;
};

// With the drawing intercepted.
class FormExplodeDrawing : public FormExplode {
protected:
    TImportPatch RectanglePatch{"gdi32.dll", "Rectangle", &RecordRectangle};
};

TEST_F(FormExplode, PublishesItsPropertiesAndStoresTheWipeTypesOnlyWhenChanged)
{
    auto* explode = new TQELFormExplode(Form);
    EXPECT_EQ(FormTesting::PropertyNames(TQELFormExplode::StaticClass()),
              (std::vector<std::string>{"Name", "Tag", "About", "NoOfSteps", "ShowType", "OnShowType", "OnCloseType",
                                        "CustomLeft", "CustomTop", "CustomBottom", "CustomRight", "OnGetPoints"}));
    EXPECT_EQ(explode->NoOfSteps(), 40);
    EXPECT_EQ(explode->ShowType(), onAlways);
    EXPECT_EQ(explode->OnShowType(), wsFormMiddle);
    EXPECT_EQ(explode->OnCloseType(), wsFormMiddle);
    explode->SetName("Explode");
    EXPECT_EQ(WriteComponentText(*explode), "object Explode: TQELFormExplode\r\n"
                                            "  CustomLeft = 0\r\n"
                                            "  CustomTop = 0\r\n"
                                            "  CustomBottom = 0\r\n"
                                            "  CustomRight = 0\r\n"
                                            "end\r\n");
    explode->SetOnCloseType(wsScreenBottomRight);
    explode->SetShow(onHide);
    explode->SetNoOfSteps(0);
    EXPECT_EQ(WriteComponentText(*explode), "object Explode: TQELFormExplode\r\n"
                                            "  NoOfSteps = 0\r\n"
                                            "  ShowType = onHide\r\n"
                                            "  OnCloseType = wsScreenBottomRight\r\n"
                                            "  CustomLeft = 0\r\n"
                                            "  CustomTop = 0\r\n"
                                            "  CustomBottom = 0\r\n"
                                            "  CustomRight = 0\r\n"
                                            "end\r\n");
}

TEST_F(FormExplode, WorksOutEveryStartRectangle)
{
    Form->SetBounds(100, 100, 301, 200); // right 401, bottom 300
    auto* explode = new TQELFormExplode(Form);
    explode->SetCustomLeft(10);
    explode->SetCustomTop(20);
    explode->SetCustomRight(30);
    explode->SetCustomBottom(40);
    ASSERT_EQ(Screen->Width(), 1024);
    ASSERT_EQ(Screen->Height(), 768);
    const TRects expected{
        {100, 100, 401, 100}, {100, 300, 401, 300}, {100, 100, 100, 300}, {401, 100, 401, 300},
        {0, 0, 1024, 0},      {0, 768, 1024, 768},  {0, 0, 0, 768},       {1024, 0, 1024, 768},
        {100, 100, 105, 105}, {100, 295, 105, 300}, {401, 100, 396, 105}, {401, 300, 396, 295},
        {0, 0, 5, 5},         {0, 763, 5, 768},     {1024, 0, 1019, 5},   {1024, 768, 1019, 763},
        {248, 198, 252, 202}, {510, 382, 514, 386}, {10, 20, 30, 40},
    };
    for (int wipe = wsFormTopBorder; wipe <= wsCustompoint; ++wipe) {
        const auto wipeType = static_cast<TQELWipeType>(wipe);
        EXPECT_EQ(Srect(explode, wipeType), expected[static_cast<std::size_t>(wipe)]) << EventArgText(wipeType);
    }
}

TEST_F(FormExplode, RoundsAnExactHalfToTheEvenNeighbour)
{
    auto* explode = new TQELFormExplode(Form);
    Form->SetBounds(100, 100, 301, 203); // 150.5 gives 150, 101.5 gives 102
    EXPECT_EQ(Srect(explode, wsFormMiddle), (RECT{248, 200, 252, 204}));
    Form->SetBounds(100, 100, 303, 201); // 151.5 gives 152, 100.5 gives 100
    EXPECT_EQ(Srect(explode, wsFormMiddle), (RECT{250, 198, 254, 202}));
}

TEST_F(FormExplode, PinsCornersBeyondTheCoordinateRange)
{
    auto* explode = new TQELFormExplode(Form);
    Form->SetBounds(INT_MIN, INT_MIN, 0, 0); // as a stored form may place it
    EXPECT_EQ(Srect(explode, wsFormTopRight), (RECT{INT_MIN, INT_MIN, INT_MIN, INT_MIN + 5}));
    EXPECT_EQ(Srect(explode, wsFormBottomRight), (RECT{INT_MIN, INT_MIN, INT_MIN, INT_MIN}));
    EXPECT_EQ(Srect(explode, wsFormMiddle), (RECT{INT_MIN, INT_MIN, INT_MIN + 2, INT_MIN + 2}));
    Form->SetBounds(INT_MAX, INT_MAX, 0, 0);
    EXPECT_EQ(Srect(explode, wsFormTopLeft), (RECT{INT_MAX, INT_MAX, INT_MAX, INT_MAX}));
    EXPECT_EQ(Srect(explode, wsFormMiddle), (RECT{INT_MAX - 2, INT_MAX - 2, INT_MAX, INT_MAX}));
}

TEST_F(FormExplode, LetsOnGetPointsChangeTheRectangleForEveryWipeType)
{
    auto* explode = new TQELFormExplode(Form);
    int calls = 0;
    struct TMover : TObject {
        int* Calls;
        void Move(TObject*, int& l, int& t, int& r, int& b)
        {
            ++*Calls;
            l = 1;
            t = 2;
            r = 3;
            b = 4;
        }
    } mover;
    mover.Calls = &calls;
    explode->SetOnGetPoints(TQELOnGetPoints(&mover, &TMover::Move));
    for (int wipe = wsFormTopBorder; wipe <= wsCustompoint; ++wipe)
        EXPECT_EQ(Srect(explode, static_cast<TQELWipeType>(wipe)), (RECT{1, 2, 3, 4}));
    EXPECT_EQ(calls, wsCustompoint + 1);
}

TEST_F(FormExplodeDrawing, GrowsFromTheStartRectangleAndDrawsEveryRectangleTwice)
{
    Form->SetBounds(100, 100, 301, 200);
    auto* explode = MakeExplode();
    explode->SetNoOfSteps(2);
    Form->Show();
    // From (248, 198, 252, 202) to (100, 100, 401, 300) in two steps of (-74, -49, 74, 49), truncated.
    const TRects pass{{248, 198, 252, 202}, {174, 149, 326, 251}, {100, 100, 400, 300}};
    const RECT target{100, 100, 401, 300};
    EXPECT_EQ(Drawn, (TRects{pass[0], pass[1], pass[2], target, pass[0], pass[1], pass[2], target}));
    EXPECT_EQ(App.Log, (TLines{"points", "points", "app show"}));
}

TEST_F(FormExplodeDrawing, ShrinksToTheEndRectangleAndDrawsEveryRectangleTwice)
{
    Form->SetBounds(100, 100, 301, 200);
    auto* explode = MakeExplode();
    explode->SetNoOfSteps(2);
    explode->SetShow(onHide);
    explode->SetOnCloseType(wsFormTopLeft);
    Form->Show();
    ASSERT_TRUE(Drawn.empty());
    Form->Hide();
    // From (100, 100, 401, 300) to (100, 100, 105, 105) in two steps of (0, 0, -148, -97), truncated.
    const TRects pass{{100, 100, 401, 300}, {100, 100, 253, 203}, {100, 100, 105, 106}};
    const RECT end{100, 100, 105, 105};
    EXPECT_EQ(Drawn, (TRects{pass[0], pass[1], pass[2], end, pass[0], pass[1], pass[2], end}));
    EXPECT_EQ(App.Log, (TLines{"app show", "points", "app hide"}));
}

TEST_F(FormExplodeDrawing, RunsEitherAnimationOnTheContextItIsGiven)
{
    Form->SetBounds(100, 100, 301, 200);
    auto* explode = new TQELFormExplode(Form);
    EXPECT_EQ(Form->ShowSlot(), TNotifyEvent(explode, &TQELFormExplode::MyOnShow));
    EXPECT_EQ(Form->PaintSlot(), TNotifyEvent(explode, &TQELFormExplode::MyOnPaint));
    EXPECT_EQ(Form->HideSlot(), TNotifyEvent(explode, &TQELFormExplode::MyOnHide));
    explode->SetOnCloseType(wsFormTopLeft);
    explode->ShowForm(nullptr, Form, 1);
    explode->HideForm(nullptr, Form, 0);
    const RECT middle{248, 198, 252, 202};
    const RECT corner{100, 100, 105, 105};
    const RECT bounds{100, 100, 401, 300};
    EXPECT_EQ(Drawn, (TRects{middle, bounds, bounds, middle, bounds, bounds, bounds, corner, corner, bounds,
                             corner, corner}));
}

TEST_F(FormExplodeDrawing, CountsNoStepsAsOne)
{
    Form->SetBounds(100, 100, 301, 200);
    MakeExplode()->SetNoOfSteps(0);
    Form->Show();
    const RECT start{248, 198, 252, 202};
    const RECT target{100, 100, 401, 300};
    EXPECT_EQ(Drawn, (TRects{start, target, target, start, target, target}));
}

TEST_F(FormExplodeDrawing, AnimatesOnceAShowingAndAgainAfterAPaint)
{
    MakeExplode();
    Form->Show();
    EXPECT_EQ(Drawn.size(), 84u) << "2 x (40 + 1) + 2";
    WaitForPaint();
    Form->Hide();
    EXPECT_EQ(Drawn.size(), 168u);
    Form->Show();
    EXPECT_EQ(Drawn.size(), 252u);
    EXPECT_EQ(App.Log, (TLines{"points", "points", "app show", "points", "app hide", "points", "points",
                               "app show"}));
}

TEST_F(FormExplodeDrawing, DoesNotAnimateAHideBeforeTheFirstPaint)
{
    MakeExplode();
    Form->Show();
    Form->Hide();
    EXPECT_EQ(Drawn.size(), 84u);
    EXPECT_EQ(App.Log, (TLines{"points", "points", "app show", "app hide"}));
}

TEST_F(FormExplodeDrawing, AnimatesOnlyWhatShowTypeSays)
{
    auto* explode = MakeExplode();
    explode->SetShow(onShow);
    Form->Show();
    WaitForPaint();
    Form->Hide();
    EXPECT_EQ(Drawn.size(), 84u);
    EXPECT_EQ(App.Log, (TLines{"points", "points", "app show", "app hide"}));

    explode->SetShow(onHide);
    Drawn.clear();
    App.Log.clear();
    Form->Show();
    WaitForPaint();
    Form->Hide();
    EXPECT_EQ(Drawn.size(), 84u);
    EXPECT_EQ(App.Log, (TLines{"app show", "points", "app hide"}));
}

TEST_F(FormExplodeDrawing, DrawsNothingWhileDesigned)
{
    auto* explode = MakeExplode();
    explode->SetDesigning(true);
    Form->Show();
    WaitForPaint();
    Form->Hide();
    EXPECT_TRUE(Drawn.empty());
    EXPECT_EQ(App.Log, (TLines{"app show", "app hide"}));
    EXPECT_TRUE(HoldsAll(explode)) << "the events are taken over in the designer too";
}

TEST_F(FormExplode, TakesOverTheFormsEventsAndGivesThemBackWhenItGoes)
{
    const TNotifyEvent show = Form->ShowSlot();
    const TNotifyEvent paint = Form->PaintSlot();
    const TNotifyEvent hide = Form->HideSlot();
    auto* explode = new TQELFormExplode(Form);
    EXPECT_TRUE(HoldsAll(explode));
    EXPECT_EQ(Form->OnShow(), show) << "the form's own handler reads as it was";
    delete explode;
    EXPECT_EQ(Form->ShowSlot(), show);
    EXPECT_EQ(Form->PaintSlot(), paint);
    EXPECT_EQ(Form->HideSlot(), hide);
}

TEST_F(FormExplode, LeavesAHandlerAssignedWhileItHeldTheEventInPlace)
{
    auto* explode = new TQELFormExplode(Form);
    const TNotifyEvent other(&App, &TApplicationHandlers::OtherHide);
    Form->SetOnHide(other);
    EXPECT_TRUE(HoldsAll(explode)) << "the handler went under the component";
    EXPECT_EQ(Form->OnHide(), other);
    delete explode;
    EXPECT_EQ(Form->HideSlot(), other);
    EXPECT_EQ(Form->ShowSlot(), TNotifyEvent(&App, &TApplicationHandlers::FormShow));
}

TEST_F(FormExplodeDrawing, AnimatesAShowWhoseHandlerWasAssignedAfterItWasMade)
{
    MakeExplode();
    Form->SetOnShow(TNotifyEvent(&App, &TApplicationHandlers::OtherHide));
    Form->Show();
    EXPECT_EQ(Drawn.size(), 84u);
    EXPECT_EQ(App.Log, (TLines{"points", "points", "other hide"}));
}

TEST_F(FormExplodeDrawing, PicksUpAHandlerAssignedAfterAnAnimationAtThePaint)
{
    auto* explode = MakeExplode();
    explode->SetShow(onShow);
    Form->Show();
    // The show gave OnShow back; the application puts another handler in.
    Form->SetOnShow(TNotifyEvent(&App, &TApplicationHandlers::OtherHide));
    WaitForPaint();
    EXPECT_TRUE(HoldsAll(explode));
    Form->Hide();
    App.Log.clear();
    Form->Show();
    EXPECT_EQ(App.Log, (TLines{"points", "points", "other hide"}));
}

TEST_F(FormExplodeDrawing, PicksUpAHandlerAssignedOverItsOwnAtThePaint)
{
    MakeExplode();
    Form->SetOnHide(TNotifyEvent(&App, &TApplicationHandlers::OtherHide));
    Form->Show();
    WaitForPaint();
    Form->Hide();
    EXPECT_EQ(Drawn.size(), 2 * 84u);
    EXPECT_EQ(App.Log, (TLines{"points", "points", "app show", "points", "other hide"}));
}

TEST_F(FormExplode, ReportsAnErrorOfThePaintHandlerAndStillTakesTheEventsBack)
{
    auto* explode = new TQELFormExplode(Form);
    App.RaiseInPaint = true;
    Form->SetDesigning(true); // no drawing needed here
    Form->Show();
    WaitForPaint();
    ASSERT_FALSE(Errors.empty());
    EXPECT_EQ(Errors[0].Sender, explode);
    EXPECT_EQ(Errors[0].Message, "paint failed");
    Errors.clear();
    EXPECT_TRUE(HoldsAll(explode));
}

// An animation whose memory is spoilt as it goes, so that a call into it cannot pass unnoticed.
struct TSpoiltWhenGone : TQELFormExplode {
    using TQELFormExplode::TQELFormExplode;
    static void* operator new(std::size_t size) { return ::operator new(size); }
    static void operator delete(void* memory, std::size_t size)
    {
        std::memset(memory, 0xCC, size);
        ::operator delete(memory);
    }
};

// Both orders of creation with a form saver, which takes over OnShow as well: the form is shown
// twice, animated both times, and the saver restores both times.
class FormExplodeWithSaver : public FormExplodeDrawing {
protected:
    void ShowTwice()
    {
        Ini.Write("TForm_Width", 333);
        Ini.Write("TForm_Height", 222);
        Form->Show();
        EXPECT_EQ(Form->Width(), 333);
        WaitForPaint();
        Form->Hide();
        Form->SetWidth(250);
        Form->Show();
        EXPECT_EQ(Form->Width(), 333);
        EXPECT_EQ(Drawn.size(), 3 * 84u) << "two shows and a hide";
    }
};

TEST_F(FormExplodeWithSaver, CreatedBeforeTheSaver)
{
    MakeExplode();
    MakeSaver();
    ShowTwice();
    EXPECT_EQ(App.Log, (TLines{"points", "points", "app show", "restored", "points", "app hide", "points",
                               "points", "app show", "restored"}));
}

TEST_F(FormExplodeWithSaver, CreatedAfterTheSaver)
{
    MakeSaver();
    auto* explode = MakeExplode();
    ShowTwice();
    EXPECT_EQ(App.Log, (TLines{"points", "points", "app show", "restored", "points", "app hide", "points",
                               "points", "app show", "restored"}));

    // Gone first, as the later one: the saver's take-over is whole again.
    delete explode;
    Form->Hide();
    App.Log.clear();
    Form->Show();
    EXPECT_EQ(App.Log, (TLines{"app show", "restored"}));
}

// Either one may go first, whichever stands in front: the one left neither calls nor keeps the one gone.
TEST_F(FormExplodeWithSaver, TheAnimationGoesFirstFromBehindTheSaver)
{
    auto* explode = new TSpoiltWhenGone(Form);
    explode->SetOnGetPoints(TQELOnGetPoints(this, &FormExplode::CountPoints));
    MakeSaver();
    ShowTwice();
    delete explode;
    Form->Hide();
    App.Log.clear();
    Drawn.clear();
    Form->Show();
    EXPECT_EQ(App.Log, (TLines{"app show", "restored"}));
    EXPECT_TRUE(Drawn.empty());
}

TEST_F(FormExplodeWithSaver, TheSaverGoesFirstFromBehindTheAnimation)
{
    auto* saver = MakeSaver();
    MakeExplode();
    delete saver; // while the animation holds OnShow, as it does from its creation
    Form->Show();
    EXPECT_EQ(App.Log, (TLines{"points", "points", "app show"}));
    EXPECT_EQ(Drawn.size(), 84u);
}

TEST_F(FormExplodeWithSaver, TheSaverGoesFirstAfterThePaintTookOnShowOverAgain)
{
    auto* saver = MakeSaver();
    MakeExplode();
    Form->Show();
    WaitForPaint(); // the animation takes OnShow over again, in front of the saver
    delete saver;
    Form->Hide();
    App.Log.clear();
    Form->Show();
    EXPECT_EQ(App.Log, (TLines{"points", "points", "app show"}));
    EXPECT_EQ(Drawn.size(), 3 * 84u);
}

TEST_F(FormExplodeWithSaver, TheAnimationGoesFirstAfterTheApplicationAssignedUnderBoth)
{
    auto* explode = new TSpoiltWhenGone(Form);
    auto* saver = MakeSaver();
    Form->SetOnShow(TNotifyEvent(&App, &TApplicationHandlers::OtherHide));
    Form->Show();
    WaitForPaint();
    delete explode;
    App.Log.clear();
    saver->Restore(); // the saver calls what it saved, the animation's handler no more
    EXPECT_EQ(App.Log, (TLines{"other hide", "restored"}));
}

TEST_F(FormExplodeWithSaver, GoWithTheirFormInEitherOrder)
{
    for (bool saverFirst : {true, false}) {
        auto* form = new TForm(Application);
        TQELFormSaver* saver = nullptr;
        if (saverFirst)
            saver = new TQELFormSaver(form);
        new TQELFormExplode(form);
        if (!saverFirst)
            saver = new TQELFormSaver(form);
        saver->FormStore()->SetEnabled(false);
        form->Show();
        form->Hide();
        delete form;
    }
    EXPECT_EQ(Drawn.size(), 2 * 84u);
}

TEST(FormExplodeOwner, MustBeAForm)
{
    TComponent holder(nullptr);
    EXPECT_THROW(new TQELFormExplode(&holder), EInvalidCast);
    EXPECT_EQ(holder.ComponentCount(), 0);
    EXPECT_THROW(new TQELFormExplode(nullptr), EInvalidCast);
}

// On the real screen. The first OnGetPoints of an animation comes before anything is drawn: it takes
// the picture before and posts itself a request that the animation's message handling answers after
// the first rectangle, for a picture in the middle. The application's handler, called after the
// animation, takes the picture after.
class FormExplodeOnScreen : public FormExplode {
protected:
    FormExplodeOnScreen()
    {
        Form->SetOnShow(TNotifyEvent(this, &FormExplodeOnScreen::TakeAfter));
        Form->SetOnHide(TNotifyEvent(this, &FormExplodeOnScreen::TakeAfter));
        Explode = new TQELFormExplode(Form);
        Explode->SetOnGetPoints(TQELOnGetPoints(this, &FormExplodeOnScreen::TakeBefore));
    }

    void Start()
    {
        Calls = 0;
        Before.clear();
        Middle.clear();
        After.clear();
    }
public:
    void TakeBefore(TObject*, int& left, int& top, int& right, int& bottom)
    {
        if (++Calls == 1) {
            Before = FormTesting::CaptureScreen();
            PostMessageA(Helper.Get(), WM_APP, 0, 0);
        }
        if (Calls == 2 && SecondFails)
            throw Exception("no second start");
        const int shift = Calls == 1 ? 0 : SecondShift;
        left += shift;
        top += shift;
        right += shift;
        bottom += shift;
    }
    void TakeMiddle(TMessage& message)
    {
        if (message.Msg == WM_APP && Middle.empty())
            Middle = FormTesting::CaptureScreen();
        else
            message.Result = DefWindowProcA(Helper.Get(), message.Msg, message.WParam, message.LParam);
    }
    void TakeAfter(TObject*) { After = FormTesting::CaptureScreen(); }

protected:
    TQELFormExplode* Explode;
    TUtilWindowHandle Helper{AllocateHWnd(TWndMethod(this, &FormExplodeOnScreen::TakeMiddle))};
    int Calls = 0;
    int SecondShift = 0;
    bool SecondFails = false;
    std::vector<std::uint32_t> Before, Middle, After;
};

TEST_F(FormExplodeOnScreen, AWholeShowAndAWholeHideLeaveTheScreenAsItWas)
{
    Start();
    Form->Show();
    ASSERT_FALSE(Before.empty());
    ASSERT_FALSE(Middle.empty());
    ASSERT_FALSE(After.empty());
    EXPECT_GT(FormTesting::DifferentPixels(Before, Middle), 0u) << "the animation draws on the screen";
    EXPECT_EQ(FormTesting::DifferentPixels(Before, After), 0u) << "and takes all of it away";

    WaitForPaint();
    Start();
    Form->Hide();
    ASSERT_FALSE(Middle.empty());
    EXPECT_GT(FormTesting::DifferentPixels(Before, Middle), 0u);
    EXPECT_EQ(FormTesting::DifferentPixels(Before, After), 0u);
}

TEST_F(FormExplodeOnScreen, AShowWhoseSecondStartRectangleDiffersLeavesItsTrail)
{
    SecondShift = 10;
    Start();
    Form->Show();
    ASSERT_FALSE(After.empty());
    EXPECT_GT(FormTesting::DifferentPixels(Before, After), 0u);
    FormTesting::PaintScreen(Before);
    EXPECT_EQ(FormTesting::DifferentPixels(Before, FormTesting::CaptureScreen()), 0u);
}

TEST_F(FormExplodeOnScreen, AShowWhoseSecondStartRectangleFailsErasesItsTrailBeforeTheErrorGoesOn)
{
    SecondFails = true;
    Start();
    EXPECT_EQ(ErrorMessageOf<Exception>([&] { Form->Show(); }), "no second start");
    ASSERT_FALSE(Middle.empty());
    EXPECT_GT(FormTesting::DifferentPixels(Before, Middle), 0u) << "the first pass was drawn";
    EXPECT_EQ(FormTesting::DifferentPixels(Before, FormTesting::CaptureScreen()), 0u);
}

} // namespace
