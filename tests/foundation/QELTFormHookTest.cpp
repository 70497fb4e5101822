// The owner-form message hook on real windows: what the hooks and the form see of a message and in
// which order, what a handler's change does, the window procedure left behind when hooks go in any
// order, following a window recreated while the form is read, and the owners a hook refuses.
#include "foundation/QELTFormHook.h"

#include "framework/FormText.h"
#include "framework/Forms.h"
#include "framework/Win32.h"
#include "persistence/QELTFormSaver.h"
#include "tests/support/ExceptionRecorder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Sets the border style of the form it sits on: a stored property that puts that form on a new window
// while the form is being read, after the hooks before it in the description were created. Outside the
// anonymous namespace, where the class record can reach its property table.
class TBorderStyler : public TComponent {
    QEL_CLASS(TBorderStyler)
public:
    using TComponent::TComponent;
    TFormBorderStyle BorderStyle() const { return Owner()->As<TForm>()->BorderStyle(); }
    void SetBorderStyle(TFormBorderStyle style) { Owner()->As<TForm>()->SetBorderStyle(style); }
};

QEL_CLASS_INFO(TBorderStyler, TComponent)
{
    return {
        Prop("BorderStyle", &TBorderStyler::BorderStyle, &TBorderStyler::SetBorderStyle).Default(bsSizeable),
    };
}

namespace {

constexpr UINT ProbeMessageId = WM_APP + 1;
constexpr LRESULT FormResult = 0x51;

using TLog = std::vector<std::string>;

// A form whose own window procedure writes down the probes it receives and answers them.
class TProbeForm : public TForm {
public:
    explicit TProbeForm(TLog& log) : TForm(nullptr), FLog(log) {}

    void WndProc(TMessage& message) override
    {
        if (message.Msg == ProbeMessageId) {
            FLog.push_back("form:" + std::to_string(message.WParam));
            message.Result = FormResult;
            return;
        }
        TForm::WndProc(message);
    }

private:
    TLog& FLog;
};

// The OnMessage handler of the hooks under test: notes which hook saw a probe with which WParam, adds
// 100 to the WParam and sets a Result, which the form's answer must overwrite.
class TProbeHandler : public TObject {
public:
    explicit TProbeHandler(TLog& log) : FLog(log) {}

    void HookMessage(TObject* sender, TMessage& message)
    {
        if (message.Msg != ProbeMessageId)
            return;
        FLog.push_back(static_cast<TComponent*>(sender)->Name() + ":" + std::to_string(message.WParam));
        message.WParam += 100;
        message.Result = 7;
    }

private:
    TLog& FLog;
};

// A hook component of its own kind, to see that a descendant's Hooked is the one that runs.
class TCountingHook : public TQELHookComponent {
public:
    using TQELHookComponent::TQELHookComponent;
    int FProbes = 0;

    void Hooked(TMessage& message) override
    {
        if (message.Msg == ProbeMessageId)
            ++FProbes;
        TQELHookComponent::Hooked(message);
    }
};

LONG_PTR WindowProcOf(HWND window)
{
    return GetWindowLongPtrA(window, GWLP_WNDPROC);
}

class FormHook : public testing::Test {
protected:
    FormHook() : FOwnProc(WindowProcOf(FForm->Handle())) {}
    ~FormHook() override { delete FForm; }

    TQELFormHook* AddHook(const std::string& name)
    {
        auto* hook = new TQELFormHook(FForm);
        hook->SetName(name);
        hook->SetOnMessage(TQELHookMessage(&FHandler, &TProbeHandler::HookMessage));
        return hook;
    }
    // Sends a probe to the form's window; returns what the sender got back.
    LRESULT Probe(WPARAM wParam = 1) { return SendMessageA(FForm->Handle(), ProbeMessageId, wParam, 0); }
    LONG_PTR CurrentProc() { return WindowProcOf(FForm->Handle()); }

    TLog FLog;
    TProbeHandler FHandler{FLog};
    TProbeForm* FForm = new TProbeForm(FLog);
    const LONG_PTR FOwnProc;
};

TEST_F(FormHook, HooksTheFormWhenCreated)
{
    AddHook("Hook1");
    EXPECT_NE(CurrentProc(), FOwnProc);
}

TEST_F(FormHook, HandsAMessageToOnMessageAndThenToTheForm)
{
    AddHook("Hook1");
    EXPECT_EQ(Probe(1), FormResult); // the handler's Result is overwritten by the form's answer
    EXPECT_EQ(FLog, (TLog{"Hook1:1", "form:101"}));
}

TEST_F(FormHook, PassesEveryMessageWithoutAHandler)
{
    new TQELFormHook(FForm);
    EXPECT_EQ(Probe(5), FormResult);
    EXPECT_EQ(FLog, TLog{"form:5"});
}

// Hooked twice, a hook would pass messages on to itself until the stack overflows.
TEST_F(FormHook, HookWinOnAHookedComponentChangesNothing)
{
    TQELFormHook* hook = AddHook("Hook1");
    const LONG_PTR hooked = CurrentProc();
    hook->HookWin();
    EXPECT_EQ(CurrentProc(), hooked);
    EXPECT_EQ(Probe(1), FormResult);
    EXPECT_EQ(FLog, (TLog{"Hook1:1", "form:101"}));
    hook->UnhookWin();
    EXPECT_EQ(CurrentProc(), FOwnProc);
    hook->HookWin(); // hooked again once it is off
    EXPECT_EQ(Probe(2), FormResult);
    EXPECT_EQ(FLog, (TLog{"Hook1:1", "form:101", "Hook1:2", "form:102"}));
}

// A failing handler does not keep the message from the form: it is passed on all the same, and the
// exception goes to the application with the hook as sender.
TEST_F(FormHook, AnExceptionFromOnMessageStillPassesTheMessageOn)
{
    struct TFailing : TObject {
        void HookMessage(TObject*, TMessage& message)
        {
            if (message.Msg == ProbeMessageId)
                throw EConvertError("handler trouble");
        }
    } failing;
    auto* hook = new TQELFormHook(FForm);
    hook->SetOnMessage(TQELHookMessage(&failing, &TFailing::HookMessage));
    TExceptionRecorder exceptions;
    const LRESULT result = Probe(3);
    EXPECT_EQ(result, FormResult);
    EXPECT_EQ(FLog, TLog{"form:3"});
    EXPECT_EQ(exceptions.Senders, std::vector<TObject*>{hook});
    EXPECT_EQ(exceptions.Messages, std::vector<std::string>{"handler trouble"});
}

TEST_F(FormHook, RunsADescendantsOverrideOfHooked)
{
    auto* hook = new TCountingHook(FForm);
    Probe();
    Probe();
    EXPECT_EQ(hook->FProbes, 2);
    EXPECT_EQ(FLog, (TLog{"form:1", "form:1"}));
}

TEST_F(FormHook, ChainsTheLastHookedFirst)
{
    AddHook("HookA");
    AddHook("HookB");
    EXPECT_EQ(Probe(1), FormResult);
    EXPECT_EQ(FLog, (TLog{"HookB:1", "HookA:101", "form:201"}));
}

TEST_F(FormHook, UnhookedInReverseOrderLeavesTheFormsOwnProcedure)
{
    TQELFormHook* a = AddHook("HookA");
    TQELFormHook* b = AddHook("HookB");
    delete b;
    Probe(1);
    EXPECT_EQ(FLog, (TLog{"HookA:1", "form:101"}));
    delete a;
    EXPECT_EQ(CurrentProc(), FOwnProc);
    FLog.clear();
    Probe(1);
    EXPECT_EQ(FLog, TLog{"form:1"});
}

TEST_F(FormHook, UnhookedOutOfOrderKeepsTheChainAndLeavesTheFormsOwnProcedure)
{
    TQELFormHook* a = AddHook("HookA");
    TQELFormHook* b = AddHook("HookB");
    const LONG_PTR procOfB = CurrentProc();
    delete a;
    EXPECT_EQ(CurrentProc(), procOfB);
    EXPECT_EQ(Probe(1), FormResult);
    EXPECT_EQ(FLog, (TLog{"HookB:1", "form:101"}));
    delete b;
    EXPECT_EQ(CurrentProc(), FOwnProc);
    FLog.clear();
    Probe(1);
    EXPECT_EQ(FLog, TLog{"form:1"});
}

TEST_F(FormHook, UnhookingTheMiddleOfThreeJoinsItsNeighbours)
{
    AddHook("HookA");
    TQELFormHook* b = AddHook("HookB");
    AddHook("HookC");
    delete b;
    Probe(1);
    EXPECT_EQ(FLog, (TLog{"HookC:1", "HookA:101", "form:201"}));
    // A hook made now takes the slot b left; the chain must not lead into it.
    AddHook("HookD");
    FLog.clear();
    Probe(1);
    EXPECT_EQ(FLog, (TLog{"HookD:1", "HookC:101", "HookA:201", "form:301"}));
}

TEST_F(FormHook, ComesApartFromTheLibrarysOtherSubclassersInAnyOrder)
{
    // The form saver subclasses the form's window too, through the same chain record.
    TQELFormHook* a = AddHook("HookA");
    auto* saver = new TQELFormSaver(FForm);
    TQELFormHook* b = AddHook("HookB");
    delete a;
    EXPECT_EQ(Probe(1), FormResult);
    EXPECT_EQ(FLog, (TLog{"HookB:1", "form:101"}));
    delete saver;
    FLog.clear();
    EXPECT_EQ(Probe(1), FormResult);
    EXPECT_EQ(FLog, (TLog{"HookB:1", "form:101"}));
    delete b;
    EXPECT_EQ(CurrentProc(), FOwnProc);
}

// Another program's subclass, installed with a raw SetWindowLongA and unaware of the chain record.
WNDPROC ForeignPrevious = nullptr;
int ForeignCalls = 0;
LRESULT CALLBACK ForeignProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == ProbeMessageId)
        ++ForeignCalls;
    return CallWindowProcA(ForeignPrevious, window, msg, wParam, lParam);
}

TEST_F(FormHook, AHookGoneFromBehindAForeignSubclassStillPassesMessagesOn)
{
    TQELFormHook* a = AddHook("HookA");
    TQELFormHook* b = AddHook("HookB");
    ForeignCalls = 0;
    ForeignPrevious = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(FForm->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ForeignProc)));
    delete b; // the foreign procedure still calls B's instance
    EXPECT_EQ(Probe(1), FormResult);
    EXPECT_EQ(FLog, (TLog{"HookA:1", "form:101"}));
    EXPECT_EQ(ForeignCalls, 1);

    delete a; // now behind B's stand-in, which takes A's previous procedure
    FLog.clear();
    EXPECT_EQ(Probe(1), FormResult);
    EXPECT_EQ(FLog, TLog{"form:1"});

    // Many hooks may come and go meanwhile.
    for (int i = 0; i < 2000; ++i)
        delete AddHook("Passing");
    FLog.clear();
    EXPECT_EQ(Probe(2), FormResult);
    EXPECT_EQ(FLog, TLog{"form:2"});
}

TEST_F(FormHook, GoesWithItsFormInAnyOrderOfCreation)
{
    AddHook("HookA");
    AddHook("HookB");
    new TCountingHook(FForm);
    delete FForm;
    FForm = new TProbeForm(FLog);
    Probe(1);
    EXPECT_EQ(FLog, TLog{"form:1"});
}

TEST_F(FormHook, FollowsAWindowRecreatedWhileTheFormIsRead)
{
    const HWND before = FForm->Handle();
    TReader reader("object HookForm: TForm\n"
                   "  object Hook1: TQELFormHook\n"
                   "    OnMessage = HookMessage\n"
                   "  end\n"
                   "  object Styler: TBorderStyler\n"
                   "    BorderStyle = bsDialog\n"
                   "  end\n"
                   "end\n");
    reader.SetOnFindMethod([&](TComponent*, const TPropInfo& event, const std::string& methodName) {
        EXPECT_EQ(event.Name, "OnMessage");
        EXPECT_EQ(methodName, "HookMessage");
        return TQELHookMessage(&FHandler, &TProbeHandler::HookMessage).Method();
    });
    reader.ReadRootComponent(FForm);

    ASSERT_EQ(FForm->BorderStyle(), bsDialog);
    ASSERT_NE(FForm->Handle(), before);
    EXPECT_FALSE(IsWindow(before));
    EXPECT_EQ(Probe(1), FormResult);
    EXPECT_EQ(FLog, (TLog{"Hook1:1", "form:101"}));
    delete FForm->FindComponent("Hook1");
    EXPECT_EQ(CurrentProc(), FOwnProc);
}

// Made in code, a hook follows a window made anew before its form is finished, as one read does.
TEST_F(FormHook, MadeInCodeItFollowsAWindowRecreatedBeforeTheFormIsFinished)
{
    AddHook("Hook1");
    const HWND before = FForm->Handle();
    FForm->SetBorderStyle(bsDialog);
    ASSERT_NE(FForm->Handle(), before);
    FForm->Finish();
    EXPECT_EQ(Probe(1), FormResult);
    EXPECT_EQ(FLog, (TLog{"Hook1:1", "form:101"}));
}

TEST(FormHookOwner, MustBeAWindowedControl)
{
    TComponent component(nullptr);
    EXPECT_THROW(new TQELFormHook(&component), EInvalidCast);
    EXPECT_EQ(component.ComponentCount(), 0);

    TControl control(nullptr);
    EXPECT_THROW(new TQELFormHook(&control), EInvalidCast);
    EXPECT_EQ(control.ComponentCount(), 0);
}

TEST(FormHookOwner, IsRequired)
{
    try {
        new TQELFormHook(nullptr);
        ADD_FAILURE() << "a hook without an owner was created";
    } catch (const EComponentError& e) {
        EXPECT_NE(e.Message().find("owner"), std::string::npos) << e.Message();
    }
}

TEST(FormHookProperties, AreAboutAndOnMessage)
{
    std::vector<std::string> names;
    for (const TPropInfo* prop : TQELFormHook::StaticClass()->AllProperties())
        names.push_back(prop->Name);
    EXPECT_EQ(names, (std::vector<std::string>{"Name", "Tag", "About", "OnMessage"}));
    const TPropInfo* onMessage = TQELFormHook::StaticClass()->FindProperty("OnMessage");
    ASSERT_NE(onMessage, nullptr);
    EXPECT_EQ(onMessage->Event->Name, "TQELHookMessage");
    EXPECT_EQ(onMessage->Event->ParamNames, (std::vector<std::string_view>{"Sender", "WndMessage"}));
    EXPECT_EQ(onMessage->EffectiveStored(), TStored::Assigned);
}

} // namespace
