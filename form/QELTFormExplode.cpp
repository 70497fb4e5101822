// The form explode animation.
#include "form/QELTFormExplode.h"

#include <algorithm>
#include <cmath>
#include <limits>

QEL_CLASS_INFO(TQELFormExplode, TQELSystemsComponent)
{
    using C = TQELFormExplode;
    return {
        Prop("NoOfSteps", &C::NoOfSteps, &C::SetNoOfSteps).Default(40),
        Prop("ShowType", &C::ShowType, &C::SetShow).Default(onAlways),
        Prop("OnShowType", &C::OnShowType, &C::SetOnShowType).Default(wsFormMiddle),
        Prop("OnCloseType", &C::OnCloseType, &C::SetOnCloseType).Default(wsFormMiddle),
        Prop("CustomLeft", &C::CustomLeft, &C::SetCustomLeft).Stored(TStored::Always),
        Prop("CustomTop", &C::CustomTop, &C::SetCustomTop).Stored(TStored::Always),
        Prop("CustomBottom", &C::CustomBottom, &C::SetCustomBottom).Stored(TStored::Always),
        Prop("CustomRight", &C::CustomRight, &C::SetCustomRight).Stored(TStored::Always),
        Prop("OnGetPoints", &C::OnGetPoints, &C::SetOnGetPoints),
    };
}

QEL_OPERATIONS(TQELFormExplode)
{
    using C = TQELFormExplode;
    return {
        Operation(&C::GetSrect, "GetSrect(Left, Top, Right, Bottom, WipeType)",
                  "works out the start or end rectangle of WipeType, as OnGetPoints leaves it"),
        Operation(&C::MyOnShow, "MyOnShow(Sender)",
                  "the form's OnShow while the component holds it: the show animation, then the form's own handler"),
        Operation(&C::MyOnPaint, "MyOnPaint(Sender)",
                  "the form's OnPaint while the component holds it: arms the next animation"),
        Operation(&C::MyOnHide, "MyOnHide(Sender)",
                  "the form's OnHide while the component holds it: the hide animation, then the form's own handler"),
        Operation(&C::ShowForm, "ShowForm(DC, Form, Steps)", "draws the show animation of Form on DC in Steps steps"),
        Operation(&C::HideForm, "HideForm(DC, Form, Steps)", "draws the hide animation of Form on DC in Steps steps"),
    };
}

namespace {

// x / 2 rounded to the nearest whole number, an exact half going to the even neighbour.
int Half(int x)
{
    return static_cast<int>(std::lrint(x * 0.5));
}

int ToCoordinate(std::int64_t value)
{
    return static_cast<int>(
        std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// The screen's device context with the black pen, no brush and the inverting mix mode selected, put
// back as they were on every path out of an animation.
class TInvertingPen {
public:
    TInvertingPen()
        : FScreen(GetDC(nullptr)), FOldPen(SelectObject(Dc(), GetStockObject(BLACK_PEN))),
          FOldBrush(SelectObject(Dc(), GetStockObject(NULL_BRUSH))), FOldMode(SetROP2(Dc(), R2_NOTXORPEN))
    {
    }
    ~TInvertingPen()
    {
        (void)SelectObject(Dc(), FOldPen);
        (void)SelectObject(Dc(), FOldBrush);
        (void)SetROP2(Dc(), FOldMode);
    }
    TInvertingPen(const TInvertingPen&) = delete;
    TInvertingPen& operator=(const TInvertingPen&) = delete;

    HDC Dc() const noexcept { return FScreen.Get(); }

private:
    TScreenDCHandle FScreen;
    HGDIOBJ FOldPen;
    HGDIOBJ FOldBrush;
    int FOldMode;
};

// How far each edge moves per step on the way from one rectangle to another in count steps: the
// distance divided by count, truncated toward zero. Handlers may give any coordinates, so this is
// worked out in 64 bits.
struct TStep {
    std::int64_t Left, Top, Right, Bottom;
};

TStep StepBetween(const RECT& from, const RECT& to, int count)
{
    return {(std::int64_t{to.left} - from.left) / count, (std::int64_t{to.top} - from.top) / count,
            (std::int64_t{to.right} - from.right) / count, (std::int64_t{to.bottom} - from.bottom) / count};
}

void DrawFrame(HDC dc, std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom)
{
    (void)Rectangle(dc, ToCoordinate(left), ToCoordinate(top), ToCoordinate(right), ToCoordinate(bottom));
}

void DrawFrame(HDC dc, const RECT& r)
{
    DrawFrame(dc, r.left, r.top, r.right, r.bottom);
}

// Draws count + 1 rectangles, from first on, each step further, handling the application's messages
// after each one.
void DrawTrail(HDC dc, const RECT& first, const TStep& step, int count)
{
    for (std::int64_t i = 0; i <= count; ++i) {
        DrawFrame(dc, first.left + i * step.Left, first.top + i * step.Top, first.right + i * step.Right,
                  first.bottom + i * step.Bottom);
        Application->ProcessMessages();
    }
}

int StepCount(std::uint16_t steps)
{
    return steps ? steps : 1;
}

} // namespace

TQELFormExplode::TQELFormExplode(TComponent* owner) : TQELSystemsComponent(owner)
{
    if (!owner)
        throw EInvalidCast("TQELFormExplode needs a form as its owner");
    FForm = owner->As<TForm>(); // before anything is taken over
    try {
        TakeOver(FShow);
        TakeOver(FPaint);
        TakeOver(FHide);
    } catch (...) {
        Leave(FShow);
        Leave(FPaint);
        Leave(FHide);
        throw;
    }
    FArmed = true;
}

TQELFormExplode::~TQELFormExplode()
{
    Leave(FShow);
    Leave(FPaint);
    Leave(FHide);
}

void TQELFormExplode::TakeOver(TTakeOver& takeOver)
{
    TEventChain<TNotifyEvent>::TakeOver(Slot(takeOver), OwnHandler(takeOver), takeOver.Saved);
    takeOver.Linked = true;
    Slot(takeOver) = OwnHandler(takeOver);
}

void TQELFormExplode::Leave(TTakeOver& takeOver)
{
    if (!takeOver.Linked)
        return;
    takeOver.Linked = false;
    if (TEventChain<TNotifyEvent>::GiveBack(Slot(takeOver), OwnHandler(takeOver)))
        Slot(takeOver) = takeOver.Saved;
}

void TQELFormExplode::GiveBack(TTakeOver& takeOver)
{
    if (Slot(takeOver) == OwnHandler(takeOver))
        Leave(takeOver);
}

bool TQELFormExplode::Animates(TQELShowType only) const
{
    return (FShowType == onAlways || FShowType == only) && FArmed && !ComponentState().Contains(csDesigning);
}

void TQELFormExplode::MyOnShow(TObject* sender)
{
    if (Animates(onShow)) {
        Animate(&TQELFormExplode::ShowForm);
        FArmed = false;
        GiveBack(FShow);
    }
    FShow.Saved(sender);
    Application->ProcessMessages();
}

void TQELFormExplode::MyOnHide(TObject* sender)
{
    if (Animates(onHide)) {
        Animate(&TQELFormExplode::HideForm);
        FArmed = false;
        Application->ProcessMessages();
        GiveBack(FHide);
    }
    FHide.Saved(sender);
    Application->ProcessMessages();
    FArmed = true;
}

void TQELFormExplode::MyOnPaint(TObject* sender)
{
    FArmed = true;
    GiveBack(FPaint);
    // Called from the form's window procedure: a handler's error is reported, and the events are
    // still taken over again.
    try {
        FPaint.Saved(sender);
    } catch (...) {
        Application->HandleException(this);
    }
    Application->ProcessMessages();
    // Each event given back is taken over again, the form's handler of the moment becoming the one
    // called after the component's.
    for (TTakeOver* takeOver : {&FPaint, &FShow, &FHide})
        if (!takeOver->Linked)
            TakeOver(*takeOver);
}

void TQELFormExplode::GetSrect(int& left, int& top, int& right, int& bottom, TQELWipeType wipeType)
{
    // A stored form may lie at the ends of the coordinate range: the corners are worked out in 64 bits
    // and pinned to the range.
    const RECT bounds = FForm->BoundsRect();
    const std::int64_t formLeft = bounds.left;
    const std::int64_t formTop = bounds.top;
    const std::int64_t formRight = bounds.right;
    const std::int64_t formBottom = bounds.bottom;
    const std::int64_t screenWidth = Screen->Width();
    const std::int64_t screenHeight = Screen->Height();
    const auto set = [&](std::int64_t l, std::int64_t t, std::int64_t r, std::int64_t b) {
        left = ToCoordinate(l);
        top = ToCoordinate(t);
        right = ToCoordinate(r);
        bottom = ToCoordinate(b);
    };
    switch (wipeType) {
    case wsFormTopBorder:
        set(formLeft, formTop, formRight, formTop);
        break;
    case wsFormBottomBorder:
        set(formLeft, formBottom, formRight, formBottom);
        break;
    case wsFormLeftBorder:
        set(formLeft, formTop, formLeft, formBottom);
        break;
    case wsFormRightBorder:
        set(formRight, formTop, formRight, formBottom);
        break;
    case wsScreenTopBorder:
        set(0, 0, screenWidth, 0);
        break;
    case wsScreenBottomBorder:
        set(0, screenHeight, screenWidth, screenHeight);
        break;
    case wsScreenLeftBorder:
        set(0, 0, 0, screenHeight);
        break;
    case wsScreenRightBorder:
        set(screenWidth, 0, screenWidth, screenHeight);
        break;
    case wsFormTopLeft:
        set(formLeft, formTop, formLeft + 5, formTop + 5);
        break;
    case wsFormBottomLeft:
        set(formLeft, formBottom - 5, formLeft + 5, formBottom);
        break;
    case wsFormTopRight:
        set(formRight, formTop, formRight - 5, formTop + 5);
        break;
    case wsFormBottomRight:
        set(formRight, formBottom, formRight - 5, formBottom - 5);
        break;
    case wsScreenTopLeft:
        set(0, 0, 5, 5);
        break;
    case wsScreenBottomLeft:
        set(0, screenHeight - 5, 5, screenHeight);
        break;
    case wsScreenTopRight:
        set(screenWidth, 0, screenWidth - 5, 5);
        break;
    case wsScreenBottomRight:
        set(screenWidth, screenHeight, screenWidth - 5, screenHeight - 5);
        break;
    case wsFormMiddle: {
        const std::int64_t x = formLeft + Half(FForm->Width());
        const std::int64_t y = formTop + Half(FForm->Height());
        set(x - 2, y - 2, x + 2, y + 2);
        break;
    }
    case wsScreenMiddle: {
        const std::int64_t x = Half(Screen->Width());
        const std::int64_t y = Half(Screen->Height());
        set(x - 2, y - 2, x + 2, y + 2);
        break;
    }
    case wsCustompoint:
        set(FCustomLeft, FCustomTop, FCustomRight, FCustomBottom);
        break;
    }
    FOnGetPoints(this, left, top, right, bottom);
}

RECT TQELFormExplode::WipeEdges(TQELWipeType wipeType)
{
    int left = 0, top = 0, right = 0, bottom = 0;
    GetSrect(left, top, right, bottom, wipeType);
    return {left, top, right, bottom};
}

void TQELFormExplode::Animate(void (TQELFormExplode::*animation)(HDC, TForm*, std::uint16_t))
{
    const TInvertingPen pen;
    (this->*animation)(pen.Dc(), FForm, FNoOfSteps);
}

// Grows from the start rectangle to the form's bounds, leaving a trail; then draws the same trail
// again from a start rectangle asked for anew, which erases it when OnGetPoints answers alike. When
// OnGetPoints fails the second time, the trail is erased from the first start before the error goes on.
void TQELFormExplode::ShowForm(HDC dc, TForm* form, std::uint16_t steps)
{
    const int count = StepCount(steps);
    const RECT first = WipeEdges(FOnShowType);
    const RECT target = form->BoundsRect();
    const TStep step = StepBetween(first, target, count);
    DrawTrail(dc, first, step, count);
    RECT start;
    try {
        start = WipeEdges(FOnShowType);
    } catch (...) {
        DrawTrail(dc, first, step, count);
        throw;
    }
    DrawFrame(dc, target);
    DrawTrail(dc, start, step, count);
    DrawFrame(dc, target);
}

// Shrinks from the form's bounds to the end rectangle, leaving a trail, then draws it all again.
void TQELFormExplode::HideForm(HDC dc, TForm* form, std::uint16_t steps)
{
    const int count = StepCount(steps);
    const RECT end = WipeEdges(FOnCloseType);
    const RECT bounds = form->BoundsRect();
    const TStep step = StepBetween(bounds, end, count);
    DrawTrail(dc, bounds, step, count);
    DrawFrame(dc, end);
    DrawTrail(dc, bounds, step, count);
    DrawFrame(dc, end);
}
