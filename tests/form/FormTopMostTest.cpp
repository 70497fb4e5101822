// The top-most form: the window style and the z-order against another form brought to the top, what
// loading a stored form does, and the cases where no window may change (another owner, the designer).
#include "form/QELTFormTopMost.h"

#include "framework/ExtCtrls.h"
#include "framework/FormText.h"
#include "tests/form/FormTesting.h"

#include <memory>

namespace {

bool IsTopMost(HWND window)
{
    return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

// Whether upper comes before lower in the z-order of the top-level windows.
bool Above(HWND upper, HWND lower)
{
    for (HWND window = GetWindow(upper, GW_HWNDNEXT); window; window = GetWindow(window, GW_HWNDNEXT))
        if (window == lower)
            return true;
    return false;
}

void BringToTop(HWND window)
{
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetActiveWindow(window);
}

class TopMost : public FormTesting::TFormTest {
protected:
    TopMost()
    {
        Other->SetBounds(260, 200, 300, 200);
        Other->Show();
        Form->Show();
    }
    ~TopMost() override { delete Other; }

    TForm* Other = new TForm(nullptr);
    TQELTopMost* Top = new TQELTopMost(Form);
};

TEST_F(TopMost, PublishesActiveAlwaysStored)
{
    const TPropInfo* active = TQELTopMost::StaticClass()->FindProperty("Active");
    ASSERT_NE(active, nullptr);
    EXPECT_EQ(active->EffectiveStored(), TStored::Always);
    EXPECT_TRUE(Top->Active());
    Top->SetName("Top");
    EXPECT_EQ(WriteComponentText(*Top), "object Top: TQELTopMost\r\n  Active = True\r\nend\r\n");
}

TEST_F(TopMost, MakesNoWindowForAFormThatHasNone)
{
    const bool topMost = IsTopMost(Form->Handle());
    TForm plain(nullptr);
    delete new TQELTopMost(&plain);
    EXPECT_FALSE(plain.HandleAllocated());
    EXPECT_EQ(IsTopMost(Form->Handle()), topMost);
}

TEST_F(TopMost, KeepsTheFormAboveAWindowBroughtToTheTop)
{
    Top->SetActive(true);
    EXPECT_TRUE(IsTopMost(Form->Handle()));
    BringToTop(Other->Handle());
    EXPECT_TRUE(Above(Form->Handle(), Other->Handle()));

    Top->SetActive(false);
    EXPECT_FALSE(IsTopMost(Form->Handle()));
    BringToTop(Other->Handle());
    EXPECT_TRUE(Above(Other->Handle(), Form->Handle())) << "covered again at once";
}

TEST_F(TopMost, RaisesTheFormWithoutActivatingIt)
{
    Top->SetActive(false);
    BringToTop(Other->Handle());
    ASSERT_EQ(GetActiveWindow(), Other->Handle());
    Top->SetActive(true);
    EXPECT_TRUE(Above(Form->Handle(), Other->Handle()));
    EXPECT_EQ(GetActiveWindow(), Other->Handle());
}

TEST_F(TopMost, LetsTheFormGoWhenItGoes)
{
    Top->SetActive(true);
    delete Top;
    EXPECT_FALSE(IsTopMost(Form->Handle()));
}

TEST_F(TopMost, AppliesTheStoredSettingWhenTheFormIsRead)
{
    for (const auto& [stored, expected] : {std::pair{"True", true}, std::pair{"False", false}}) {
        TReader reader(std::string("object Stored: TForm\n"
                                   "  object Top: TQELTopMost\n"
                                   "    Active = ") +
                       stored +
                       "\n"
                       "  end\n"
                       "end\n");
        std::unique_ptr<TComponent> form(reader.ReadComponent(nullptr));
        EXPECT_EQ(IsTopMost(form->As<TForm>()->Handle()), expected) << stored;
    }
}

// Made in code on a form not shown yet, it is applied when the form shows, as the setting of one read
// from a description is; finished by hand, at once.
TEST_F(TopMost, MadeInCodeItIsAppliedWhenItIsFinished)
{
    TForm shown(nullptr);
    new TQELTopMost(&shown);
    ASSERT_FALSE(IsTopMost(shown.Handle()));
    shown.Show();
    EXPECT_TRUE(IsTopMost(shown.Handle()));

    TForm finished(nullptr);
    new TQELTopMost(&finished);
    ASSERT_FALSE(IsTopMost(finished.Handle()));
    finished.Finish();
    EXPECT_TRUE(IsTopMost(finished.Handle()));
}

TEST_F(TopMost, ChangesNoWindowWhileDesigned)
{
    Top->SetActive(true);
    Top->SetDesigning(true);
    Top->SetActive(false);
    EXPECT_FALSE(Top->Active());
    EXPECT_TRUE(IsTopMost(Form->Handle()));

    Top->SetActive(true);
    Top->SetDesigning(false);
    Top->SetActive(false);
    Top->SetDesigning(true);
    Top->SetActive(true);
    EXPECT_FALSE(IsTopMost(Form->Handle()));
}

TEST(TopMostOwner, OtherThanAFormKeepsTheValueAndChangesNoWindow)
{
    TPanel panel(nullptr);
    const LONG style = GetWindowLongA(panel.Handle(), GWL_EXSTYLE);
    auto* top = new TQELTopMost(&panel);
    top->SetActive(false);
    EXPECT_FALSE(top->Active());
    top->SetActive(true);
    EXPECT_TRUE(top->Active());
    EXPECT_EQ(GetWindowLongA(panel.Handle(), GWL_EXSTYLE), style);

    TComponent holder(nullptr);
    auto* loose = new TQELTopMost(&holder);
    loose->SetActive(false);
    EXPECT_FALSE(loose->Active());
}

} // namespace
