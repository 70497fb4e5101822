// The mouse controller with the real cursor. The fence is the system's clip rectangle, which Wine does
// not apply and which must never be left on a developer's mouse: ClipCursor is intercepted, and the
// tests check the rectangles it was given.
#include "form/QELTMouseController.h"

#include "framework/Buttons.h"
#include "framework/StdCtrls.h"
#include "tests/form/FormTesting.h"
#include "tests/support/ImportPatch.h"

#include <climits>
#include <optional>
#include <vector>

namespace {

// What each ClipCursor call asked for: a rectangle, or none (the cursor freed).
std::vector<std::optional<RECT>> Clips;

BOOL WINAPI RecordClipCursor(const RECT* rect)
{
    Clips.push_back(rect ? std::optional<RECT>(*rect) : std::nullopt);
    return TRUE;
}

POINT CursorPos()
{
    POINT position{-1, -1};
    GetCursorPos(&position);
    return position;
}

void ExpectClip(const std::optional<RECT>& clip, LONG left, LONG top, LONG right, LONG bottom)
{
    ASSERT_TRUE(clip.has_value());
    EXPECT_EQ(clip->left, left);
    EXPECT_EQ(clip->top, top);
    EXPECT_EQ(clip->right, right);
    EXPECT_EQ(clip->bottom, bottom);
}

class MouseController : public FormTesting::TFormTest {
protected:
    MouseController() { Clips.clear(); }

    TImportPatch ClipPatch{"user32.dll", "ClipCursor", &RecordClipCursor};
    TQELMouseController* Mouse = new TQELMouseController(Form);
};

TEST_F(MouseController, PublishesOnlyAbout)
{
    EXPECT_EQ(FormTesting::PropertyNames(TQELMouseController::StaticClass()),
              (std::vector<std::string>{"Name", "Tag", "About"}));
}

TEST_F(MouseController, PutsTheCursorWhereItIsTold)
{
    Mouse->PositionAt(321, 123);
    EXPECT_EQ(CursorPos().x, 321);
    EXPECT_EQ(CursorPos().y, 123);
    EXPECT_TRUE(Clips.empty());
}

TEST_F(MouseController, MovesAnOutsideCursorIntoTheFenceFirst)
{
    SetCursorPos(500, 500);
    Mouse->FenceAt({100, 100, 300, 200});
    EXPECT_EQ(CursorPos().x, 100);
    EXPECT_EQ(CursorPos().y, 100);
    ASSERT_EQ(Clips.size(), 1u);
    ExpectClip(Clips[0], 100, 100, 300, 200);
}

TEST_F(MouseController, LeavesACursorInsideTheFenceWhereItIs)
{
    SetCursorPos(150, 120);
    Mouse->FenceAt({100, 100, 300, 200});
    EXPECT_EQ(CursorPos().x, 150);
    EXPECT_EQ(CursorPos().y, 120);
    ASSERT_EQ(Clips.size(), 1u);
}

TEST_F(MouseController, CountsTheRightAndBottomEdgesOutside)
{
    SetCursorPos(300, 150);
    Mouse->FenceAt({100, 100, 300, 200});
    EXPECT_EQ(CursorPos().x, 100);
}

TEST_F(MouseController, SetsNoFenceForAnEmptyRectangle)
{
    SetCursorPos(500, 500);
    Mouse->FenceAt({100, 100, 100, 200});
    Mouse->FenceAt({100, 100, 300, 100});
    EXPECT_TRUE(Clips.empty());
    EXPECT_EQ(CursorPos().x, 500) << "not moved either";
}

TEST_F(MouseController, FencesAndPointsAtAControlsClientArea)
{
    auto* button = new TBitBtn(Form);
    button->SetParent(Form);
    button->SetBounds(20, 30, 120, 40);
    Form->Show();
    POINT origin{0, 0};
    ClientToScreen(button->Handle(), &origin);
    RECT client;
    GetClientRect(button->Handle(), &client);

    Mouse->PositionAtControl(button);
    EXPECT_EQ(CursorPos().x, origin.x);
    EXPECT_EQ(CursorPos().y, origin.y);

    SetCursorPos(0, 0);
    Mouse->FenceAtControl(button);
    ASSERT_EQ(Clips.size(), 1u);
    ExpectClip(Clips[0], origin.x, origin.y, origin.x + client.right, origin.y + client.bottom);
    EXPECT_EQ(CursorPos().x, origin.x);
    EXPECT_EQ(CursorPos().y, origin.y);
}

TEST_F(MouseController, PinsAFenceReachingBeyondTheCoordinateRange)
{
    // A control placed so far out that its client area's right edge lies beyond the range of an int.
    auto* label = new TLabel(Form);
    label->SetParent(Form);
    const POINT formOrigin = Form->ClientOrigin();
    label->SetBounds(INT_MAX - 10 - formOrigin.x, 30, 50, 20);
    ASSERT_EQ(label->ClientOrigin().x, INT_MAX - 10);
    Mouse->FenceAtControl(label);
    ASSERT_EQ(Clips.size(), 1u);
    ExpectClip(Clips[0], INT_MAX - 10, formOrigin.y + 30, INT_MAX, formOrigin.y + 50);
}

TEST_F(MouseController, FreesTheCursorOnStopFencing)
{
    Mouse->StopFencing();
    ASSERT_EQ(Clips.size(), 1u);
    EXPECT_FALSE(Clips[0].has_value());
}

TEST_F(MouseController, FreesTheCursorWhenTheFormCancelsItsModesAndPassesThatOn)
{
    int cancels = 0;
    struct TCancelCounter : TQELHookComponent {
        TCancelCounter(TComponent* owner, int& count) : TQELHookComponent(owner), FCount(count) {}
        void Hooked(TMessage& message) override
        {
            FCount += message.Msg == WM_CANCELMODE;
            TQELHookComponent::Hooked(message);
        }
        int& FCount;
    };
    delete Mouse;
    Clips.clear();
    new TCancelCounter(Form, cancels);
    Mouse = new TQELMouseController(Form);
    Mouse->FenceAt({100, 100, 300, 200});
    Send(WM_CANCELMODE);
    ASSERT_EQ(Clips.size(), 2u);
    EXPECT_FALSE(Clips[1].has_value());
    EXPECT_EQ(cancels, 1);
}

TEST_F(MouseController, FreesTheCursorWhenItGoes)
{
    Mouse->FenceAt({100, 100, 300, 200});
    delete Mouse;
    ASSERT_EQ(Clips.size(), 2u);
    EXPECT_FALSE(Clips[1].has_value());
}

} // namespace
