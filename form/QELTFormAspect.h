// TQELFormAspect keeps its owner form at a fixed ratio of width to height while the user drags a
// border or a corner, and gives the maximised form the same ratio. The ratio applies to the client
// area (Client) or to the whole window; two events let the application adjust the frame allowance and
// the final rectangle.
#pragma once

#include "foundation/QELTFormHook.h"

// X and Y are the frame allowance (the non-client width and height); the handler may change them.
struct TQELOnClientModified : TEvent<TObject*, int&, int&> {
    using TEvent::TEvent;
    static constexpr std::string_view TypeName = "TQELOnClientModified";
    static constexpr std::array<std::string_view, 3> ParamNames{"Sender", "X", "Y"};
};

// R is the window rectangle about to go back to the system; the handler may change it.
struct TQELBeforeResizing : TEvent<TObject*, RECT&> {
    using TEvent::TEvent;
    static constexpr std::string_view TypeName = "TQELBeforeResizing";
    static constexpr std::array<std::string_view, 2> ParamNames{"Sender", "R"};
};

class TQELFormAspect : public TQELHookComponent {
    QEL_CLASS(TQELFormAspect)
public:
    using TQELHookComponent::TQELHookComponent;
    // Detaches both events first, so none fires while the hook is taken down.
    ~TQELFormAspect() override;

    // False: every message passes untouched.
    bool Enabled() const noexcept { return FEnabled; }
    void SetEnabled(bool enabled) { FEnabled = enabled; }
    // Both parts must be 1 or more; while one is not, the form sizes freely (a ratio with a zero part
    // has no meaning, and it would divide by zero).
    int RatioWidth() const noexcept { return FRatioWidth; }
    void SetRatioWidth(int value) { FRatioWidth = value; }
    int RatioHeight() const noexcept { return FRatioHeight; }
    void SetRatioHeight(int value) { FRatioHeight = value; }
    // True: the ratio is the client area's; False: the whole window's.
    bool Client() const noexcept { return FClient; }
    void SetClient(bool client) { FClient = client; }

    const TQELOnClientModified& OnClientModified() const noexcept { return FOnClientModified; }
    void SetOnClientModified(const TQELOnClientModified& event) { FOnClientModified = event; }
    const TQELBeforeResizing& BeforeResizing() const noexcept { return FBeforeResizing; }
    void SetBeforeResizing(const TQELBeforeResizing& event) { FBeforeResizing = event; }

    // Corrects a window rectangle being dragged by Side (a WMSZ_ code): the edge opposite the one the
    // user holds follows, so that the ratio holds. Other sides leave the rectangle as it is.
    virtual void EstablishAspectRatio(std::uint16_t side, RECT& rect);

    // WM_SIZING and WM_GETMINMAXINFO are answered here and not passed on; the rest pass.
    void Hooked(TMessage& message) override;

private:
    bool RatioUsable() const noexcept { return FRatioWidth > 0 && FRatioHeight > 0; }
    // The frame allowance for this message, as OnClientModified leaves it.
    POINT FrameAllowance();
    void GiveMaximizedSize(MINMAXINFO& info);

    bool FEnabled = true;
    int FRatioWidth = 1;
    int FRatioHeight = 1;
    bool FClient = true;
    TQELOnClientModified FOnClientModified;
    TQELBeforeResizing FBeforeResizing;
};
