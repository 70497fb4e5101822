// TQELFormExplode animates its owner form's appearance and disappearance with a trail of hollow
// rectangles drawn on the screen: on show they grow from a small start rectangle out to the form's
// bounds, on hide they shrink back to an end rectangle. Every rectangle is drawn twice with an
// inverting pen, so the screen is left as it was.
//
// The component takes over the form's OnShow, OnPaint and OnHide and calls the handlers it found
// there after its own work; a handler the application assigns to the form meanwhile goes under it and
// is called in the same way. After an animation it gives the event back, and the next paint takes it
// over again. A slot is given back after an animation only while it still holds the component's own
// handler: a component that took the event over after this one (a form saver) keeps it, and calls this
// one from its own handler. The take-overs go through the framework's TEventChain, so that the
// component and such others may go in any order.
#pragma once

#include "foundation/QELSystem.h"
#include "framework/Forms.h"

// Where the show animation starts and the hide animation ends.
enum TQELWipeType : std::uint8_t {
    wsFormTopBorder,
    wsFormBottomBorder,
    wsFormLeftBorder,
    wsFormRightBorder,
    wsScreenTopBorder,
    wsScreenBottomBorder,
    wsScreenLeftBorder,
    wsScreenRightBorder,
    wsFormTopLeft,
    wsFormBottomLeft,
    wsFormTopRight,
    wsFormBottomRight,
    wsScreenTopLeft,
    wsScreenBottomLeft,
    wsScreenTopRight,
    wsScreenBottomRight,
    wsFormMiddle,
    wsScreenMiddle,
    wsCustompoint
};
inline const TEnumInfo& EnumTypeInfo(TQELWipeType)
{
    static const TEnumInfo info{
        "TQELWipeType",
        {"wsFormTopBorder", "wsFormBottomBorder", "wsFormLeftBorder", "wsFormRightBorder", "wsScreenTopBorder",
         "wsScreenBottomBorder", "wsScreenLeftBorder", "wsScreenRightBorder", "wsFormTopLeft", "wsFormBottomLeft",
         "wsFormTopRight", "wsFormBottomRight", "wsScreenTopLeft", "wsScreenBottomLeft", "wsScreenTopRight",
         "wsScreenBottomRight", "wsFormMiddle", "wsScreenMiddle", "wsCustompoint"}};
    return info;
}

// When to animate: on show and hide, on show only, on hide only.
enum TQELShowType : std::uint8_t { onAlways, onShow, onHide };
inline const TEnumInfo& EnumTypeInfo(TQELShowType)
{
    static const TEnumInfo info{"TQELShowType", {"onAlways", "onShow", "onHide"}};
    return info;
}

// The edges of a start or end rectangle just worked out; the handler may change them.
struct TQELOnGetPoints : TEvent<TObject*, int&, int&, int&, int&> {
    using TEvent::TEvent;
    static constexpr std::string_view TypeName = "TQELOnGetPoints";
    static constexpr std::array<std::string_view, 5> ParamNames{"Sender", "CustomLeft", "CustomTop", "CustomRight",
                                                                "CustomBottom"};
};

class TQELFormExplode : public TQELSystemsComponent {
    QEL_CLASS(TQELFormExplode)
public:
    // The owner must be a form (EInvalidCast otherwise). Its events are taken over in the designer
    // too, but nothing is drawn there.
    explicit TQELFormExplode(TComponent* owner);
    // Gives each event back: where the slot holds the component's handler, the handler it found there
    // goes back in; a component that took the event over after this one calls that handler instead.
    ~TQELFormExplode() override;

    // Steps of each animation: each pass draws this many rectangles plus one; 0 counts as 1.
    std::uint16_t NoOfSteps() const noexcept { return FNoOfSteps; }
    void SetNoOfSteps(std::uint16_t steps) { FNoOfSteps = steps; }
    TQELShowType ShowType() const noexcept { return FShowType; }
    void SetShow(TQELShowType showType) { FShowType = showType; }
    TQELWipeType OnShowType() const noexcept { return FOnShowType; }
    void SetOnShowType(TQELWipeType wipeType) { FOnShowType = wipeType; }
    TQELWipeType OnCloseType() const noexcept { return FOnCloseType; }
    void SetOnCloseType(TQELWipeType wipeType) { FOnCloseType = wipeType; }
    // The wsCustompoint rectangle, in screen pixels.
    std::uint16_t CustomLeft() const noexcept { return FCustomLeft; }
    void SetCustomLeft(std::uint16_t value) { FCustomLeft = value; }
    std::uint16_t CustomTop() const noexcept { return FCustomTop; }
    void SetCustomTop(std::uint16_t value) { FCustomTop = value; }
    std::uint16_t CustomBottom() const noexcept { return FCustomBottom; }
    void SetCustomBottom(std::uint16_t value) { FCustomBottom = value; }
    std::uint16_t CustomRight() const noexcept { return FCustomRight; }
    void SetCustomRight(std::uint16_t value) { FCustomRight = value; }

    // Called each time a start or end rectangle has been worked out: twice per show, once per hide.
    const TQELOnGetPoints& OnGetPoints() const noexcept { return FOnGetPoints; }
    void SetOnGetPoints(const TQELOnGetPoints& event) { FOnGetPoints = event; }

    // The start or end rectangle of a wipe type, from the form's bounds and the screen's size, as
    // OnGetPoints leaves it. For the right-hand corners left lies beyond right.
    void GetSrect(int& left, int& top, int& right, int& bottom, TQELWipeType wipeType);

    // The handlers installed on the form's OnShow, OnPaint and OnHide.
    void MyOnShow(TObject* sender);
    void MyOnPaint(TObject* sender);
    void MyOnHide(TObject* sender);
    // The show and hide animations for form on dc (the pen and the mix mode already selected into it),
    // in steps steps; 0 counts as 1.
    void ShowForm(HDC dc, TForm* form, std::uint16_t steps);
    void HideForm(HDC dc, TForm* form, std::uint16_t steps);

private:
    // An event of the owner form taken over: the handler found in the slot, and whether the component
    // stands in the slot's chain (when not, the slot was given back, or never taken over, and the next
    // paint takes it over again).
    struct TTakeOver {
        TNotifyEvent& (TForm::*Slot)() noexcept;
        void (TQELFormExplode::*Handler)(TObject*);
        TNotifyEvent Saved;
        bool Linked = false;
    };
    TNotifyEvent OwnHandler(const TTakeOver& takeOver) { return TNotifyEvent(this, takeOver.Handler); }
    TNotifyEvent& Slot(const TTakeOver& takeOver) { return (FForm->*takeOver.Slot)(); }
    void TakeOver(TTakeOver& takeOver);
    // Leaves the slot's chain wherever the component stands in it.
    void Leave(TTakeOver& takeOver);
    // Leaves it only where the slot holds the component's handler.
    void GiveBack(TTakeOver& takeOver);

    bool Animates(TQELShowType only) const;
    // Runs a pass on the screen's device context with the inverting pen selected.
    void Animate(void (TQELFormExplode::*animation)(HDC, TForm*, std::uint16_t));
    RECT WipeEdges(TQELWipeType wipeType);

    std::uint16_t FNoOfSteps = 40;
    TQELShowType FShowType = onAlways;
    TQELWipeType FOnShowType = wsFormMiddle;
    TQELWipeType FOnCloseType = wsFormMiddle;
    std::uint16_t FCustomLeft = 0;
    std::uint16_t FCustomTop = 0;
    std::uint16_t FCustomBottom = 0;
    std::uint16_t FCustomRight = 0;
    TQELOnGetPoints FOnGetPoints;

    TTakeOver FShow{&TForm::ShowSlot, &TQELFormExplode::MyOnShow, {}, false};
    TTakeOver FPaint{&TForm::PaintSlot, &TQELFormExplode::MyOnPaint, {}, false};
    TTakeOver FHide{&TForm::HideSlot, &TQELFormExplode::MyOnHide, {}, false};
    // The owner; kept, as the owner is no longer known while it destroys the component.
    TForm* FForm = nullptr;
    // The next show or hide may animate.
    bool FArmed = false;
};
