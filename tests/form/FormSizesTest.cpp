// The form size limits on a real sizeable form: the members of WM_GETMINMAXINFO they overwrite, the
// sizes the system then allows, and the capture of the form's size while it is being designed.
#include "form/QELTFormSizes.h"

#include "framework/FormText.h"
#include "tests/form/FormTesting.h"

#include <vector>

namespace {

constexpr LONG Untouched = 7777;

class FormSizes : public FormTesting::TFormTest {
protected:
    // What the component leaves in a record the system had filled with Untouched.
    MINMAXINFO AskMinMax()
    {
        MINMAXINFO info{};
        info.ptMinTrackSize = {Untouched, Untouched};
        info.ptMaxTrackSize = {Untouched, Untouched};
        info.ptMaxSize = {Untouched, Untouched};
        Send(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
        return info;
    }
    // Sizes the window as a drag would, past the framework.
    void DragTo(int width, int height)
    {
        SetWindowPos(Form->Handle(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    TQELFormSizes* Sizes = new TQELFormSizes(Form);
};

TEST_F(FormSizes, PublishTheLimitsAndOptionsAlwaysStored)
{
    EXPECT_EQ(FormTesting::PropertyNames(TQELFormSizes::StaticClass()),
              (std::vector<std::string>{"Name", "Tag", "About", "MinWidth", "MaxWidth", "MinHeight", "MaxHeight",
                                        "Options"}));
    for (const char* name : {"MinWidth", "MaxWidth", "MinHeight", "MaxHeight", "Options"})
        EXPECT_EQ(TQELFormSizes::StaticClass()->FindProperty(name)->EffectiveStored(), TStored::Always) << name;
    EXPECT_EQ(EventArgText(TQELFormSizeOptions{MinimumWidth, MaximumHeight}), "[MinimumWidth,MaximumHeight]");
}

TEST_F(FormSizes, AFreshComponentLimitsNothing)
{
    EXPECT_EQ(Sizes->MinWidth(), 0);
    EXPECT_EQ(Sizes->MaxWidth(), 0);
    EXPECT_EQ(Sizes->MinHeight(), 0);
    EXPECT_EQ(Sizes->MaxHeight(), 0);
    EXPECT_TRUE(Sizes->Options().Empty());
    const MINMAXINFO info = AskMinMax();
    EXPECT_EQ(info.ptMinTrackSize.x, Untouched);
    EXPECT_EQ(info.ptMinTrackSize.y, Untouched);
    EXPECT_EQ(info.ptMaxTrackSize.x, Untouched);
    EXPECT_EQ(info.ptMaxTrackSize.y, Untouched);
}

TEST_F(FormSizes, OverwriteEachTrackSizeWhoseLimitIsSet)
{
    Sizes->SetMinWidth(300);
    MINMAXINFO info = AskMinMax();
    EXPECT_EQ(info.ptMinTrackSize.x, 300);
    EXPECT_EQ(info.ptMinTrackSize.y, Untouched);
    EXPECT_EQ(info.ptMaxTrackSize.x, Untouched);
    EXPECT_EQ(info.ptMaxTrackSize.y, Untouched);

    Sizes->SetMaxWidth(600);
    Sizes->SetMinHeight(150);
    Sizes->SetMaxHeight(450);
    info = AskMinMax();
    EXPECT_EQ(info.ptMinTrackSize.x, 300);
    EXPECT_EQ(info.ptMaxTrackSize.x, 600);
    EXPECT_EQ(info.ptMinTrackSize.y, 150);
    EXPECT_EQ(info.ptMaxTrackSize.y, 450);
    EXPECT_EQ(info.ptMaxSize.x, Untouched) << "the maximised size is not a track size";

    // Negative limits count as none; a minimum above the maximum goes to the system as it is.
    Sizes->SetMinWidth(-5);
    Sizes->SetMaxHeight(-1);
    Sizes->SetMinHeight(500);
    info = AskMinMax();
    EXPECT_EQ(info.ptMinTrackSize.x, Untouched);
    EXPECT_EQ(info.ptMaxTrackSize.y, Untouched);
    EXPECT_EQ(info.ptMinTrackSize.y, 500);
    EXPECT_EQ(info.ptMaxTrackSize.x, 600);
}

TEST_F(FormSizes, KeepTheFormWithinTheLimits)
{
    Sizes->SetMinWidth(300);
    Form->SetBounds(200, 150, 120, 150);
    EXPECT_EQ(Form->Width(), 300);
    EXPECT_EQ(Form->Height(), 150) << "the height is free";
    Form->SetWidth(700);
    EXPECT_EQ(Form->Width(), 700) << "the maximum width is free";

    Sizes->SetMaxWidth(500);
    Sizes->SetMaxHeight(250);
    DragTo(900, 900);
    EXPECT_EQ(Form->Width(), 500);
    EXPECT_EQ(Form->Height(), 250);
}

TEST_F(FormSizes, HaveTheLastWordOverTheFormsOwnLimits)
{
    // A hook installed before this component stands for the form's own handling of the message.
    struct TEarlierLimits : TQELHookComponent {
        using TQELHookComponent::TQELHookComponent;
        void Hooked(TMessage& message) override
        {
            TQELHookComponent::Hooked(message);
            if (message.Msg == WM_GETMINMAXINFO)
                reinterpret_cast<MINMAXINFO*>(message.LParam)->ptMinTrackSize = {111, 111};
        }
    };
    delete Sizes;
    new TEarlierLimits(Form);
    Sizes = new TQELFormSizes(Form);
    Sizes->SetMinWidth(320);
    const MINMAXINFO info = AskMinMax();
    EXPECT_EQ(info.ptMinTrackSize.x, 320);
    EXPECT_EQ(info.ptMinTrackSize.y, 111);
}

TEST_F(FormSizes, TakeOverTheDesignedSizeAndEnforceItAtRunTime)
{
    Sizes->SetMaxWidth(900);
    Sizes->SetOptions({MinimumWidth, MinimumHeight});
    Sizes->SetDesigning(true);
    DragTo(400, 250);
    EXPECT_EQ(Sizes->MinWidth(), 400);
    EXPECT_EQ(Sizes->MinHeight(), 250);
    EXPECT_EQ(Sizes->MaxWidth(), 900) << "not in Options";
    EXPECT_EQ(Sizes->MaxHeight(), 0);

    // Not enforced in the designer: the form follows the drag, and the limits follow the form.
    DragTo(350, 220);
    EXPECT_EQ(Form->Width(), 350);
    EXPECT_EQ(Sizes->MinWidth(), 350);
    EXPECT_EQ(Sizes->MinHeight(), 220);
    EXPECT_EQ(AskMinMax().ptMinTrackSize.x, Untouched);

    Sizes->SetDesigning(false);
    DragTo(100, 100);
    EXPECT_EQ(Form->Width(), 350);
    EXPECT_EQ(Form->Height(), 220);
    EXPECT_EQ(Sizes->MinWidth(), 350) << "no capture at run time";

    Sizes->SetOptions({MaximumWidth, MaximumHeight});
    Sizes->SetDesigning(true);
    Form->SetBounds(200, 150, 420, 260);
    EXPECT_EQ(Sizes->MaxWidth(), 420);
    EXPECT_EQ(Sizes->MaxHeight(), 260);
    EXPECT_EQ(Sizes->MinWidth(), 350);
}

TEST_F(FormSizes, ReadFromADescriptionLimitTheFormTheyAreOn)
{
    delete Sizes;
    delete Form;
    Form = nullptr;
    TReader reader("object Limited: TForm\n"
                   "  Left = 200\n"
                   "  Top = 150\n"
                   "  Width = 400\n"
                   "  Height = 300\n"
                   "  object Sizes: TQELFormSizes\n"
                   "    MinWidth = 380\n"
                   "    MaxWidth = 0\n"
                   "    MinHeight = 0\n"
                   "    MaxHeight = 320\n"
                   "    Options = [MinimumWidth]\n"
                   "  end\n"
                   "end\n");
    Form = reader.ReadComponent(Application)->As<TForm>();
    auto* sizes = Form->FindComponent("Sizes")->As<TQELFormSizes>();
    EXPECT_EQ(sizes->Options(), TQELFormSizeOptions{MinimumWidth});
    Form->SetBounds(200, 150, 100, 600);
    EXPECT_EQ(Form->Width(), 380);
    EXPECT_EQ(Form->Height(), 320);
    EXPECT_NE(WriteComponentText(*Form).find("MaxWidth = 0"), std::string::npos) << "a limit of 0 is stored too";
}

} // namespace
