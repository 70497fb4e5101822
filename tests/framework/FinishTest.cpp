// Finishing components made in code: Finish, showing a form and Application->Run give each component
// its Loaded and then its ReadCompleted once, as reading a description does; one made after its owner
// was finished, and left so, is reported when the application next waits for messages.
#include "framework/FormText.h"
#include "framework/Forms.h"
#include "tests/framework/WindowTesting.h"
#include "tests/support/Processes.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

std::vector<std::string>& Journal()
{
    static std::vector<std::string> journal;
    return journal;
}

// Notes its finishing steps in the journal, with whether its form was on the screen at its Loaded.
class TFinishProbe : public TComponent {
    QEL_CLASS(TFinishProbe)
public:
    explicit TFinishProbe(TComponent* owner) : TComponent(owner) {}

    bool Raise() const noexcept { return FRaise; }
    void SetRaise(bool raise) { FRaise = raise; }

protected:
    void Loaded() override
    {
        TComponent::Loaded();
        auto* form = dynamic_cast<TForm*>(Owner());
        const bool shown = form && form->HandleAllocated() && IsWindowVisible(form->Handle());
        Journal().push_back("Loaded " + Name() + (shown ? " shown" : ""));
        if (FRaise)
            throw EComponentError("probe failed");
    }
    void ReadCompleted() override { Journal().push_back("Completed " + Name()); }

private:
    bool FRaise = false;
};

// A probe whose Loaded does set-up that one made in code must not go without.
class TSetUpProbe : public TFinishProbe {
    QEL_CLASS(TSetUpProbe)
public:
    using TFinishProbe::TFinishProbe;
    bool NeedsFinish() const noexcept override { return true; }
};

} // namespace

QEL_CLASS_INFO(TFinishProbe, TComponent)
{
    return {Prop("Raise", &TFinishProbe::Raise, &TFinishProbe::SetRaise).Default(false)};
}

QEL_CLASS_INFO(TSetUpProbe, TFinishProbe)
{
    return {};
}

namespace {

template <class T = TFinishProbe>
T* Probe(TComponent* owner, const std::string& name)
{
    auto* probe = new T(owner);
    probe->SetName(name);
    return probe;
}

class Finish : public testing::Test {
protected:
    Finish() { Journal().clear(); }
};

// Receives what the application reports, and keeps the wait for messages from blocking.
class TReports : public TObject {
public:
    TReports()
    {
        Application->SetOnException(TExceptionEvent(this, &TReports::Raised));
        Application->SetOnIdle(TIdleEvent(this, &TReports::Idle));
    }
    ~TReports() override
    {
        Application->SetOnException(FOnException);
        Application->SetOnIdle(FOnIdle);
    }
    void Raised(TObject* sender, Exception& e) { Lines.push_back(EventArgText(sender) + ": " + e.Message()); }
    void Idle(TObject*, bool& done)
    {
        ++Idles;
        done = false;
    }
    // Handles messages until the application has waited for more once.
    void WaitOnce()
    {
        const int idles = Idles;
        while (Idles == idles)
            Application->HandleMessage();
    }

    std::vector<std::string> Lines;
    int Idles = 0;

private:
    const TExceptionEvent FOnException = Application->OnException();
    const TIdleEvent FOnIdle = Application->OnIdle();
};

} // namespace

TEST_F(Finish, RunsLoadedForTheWholeTreeThenReadCompletedEachOnce)
{
    TComponent root(nullptr);
    root.SetName("Root");
    auto* a = Probe(&root, "A");
    Probe(a, "A1");
    Probe(&root, "B");
    EXPECT_FALSE(root.Finished());
    root.Finish();
    EXPECT_EQ(Journal(), (std::vector<std::string>{"Loaded A", "Loaded A1", "Loaded B", "Completed A", "Completed A1",
                                                   "Completed B"}));
    EXPECT_TRUE(root.Finished());
    EXPECT_TRUE(a->Finished());

    Journal().clear();
    root.Finish();
    a->Finish();
    EXPECT_TRUE(Journal().empty()) << "once per component";

    // One made later is the only one its owner's Finish finishes.
    Probe(&root, "C");
    root.Finish();
    EXPECT_EQ(Journal(), (std::vector<std::string>{"Loaded C", "Completed C"}));
}

TEST_F(Finish, LeavesWhatADescriptionReadAsTheReaderFinishedIt)
{
    std::unique_ptr<TComponent> form(TReader("object Read: TForm\n"
                                             "  object P1: TFinishProbe\n"
                                             "  end\n"
                                             "end\n")
                                         .ReadComponent(Application));
    EXPECT_EQ(Journal(), (std::vector<std::string>{"Loaded P1", "Completed P1"}));
    EXPECT_TRUE(form->Finished());
    EXPECT_TRUE(form->FindComponent("P1")->Finished());
    Journal().clear();
    form->Finish();
    form->As<TForm>()->Show();
    EXPECT_TRUE(Journal().empty());

    // A component made in code on the read form waits for its own Finish.
    auto* late = Probe(form.get(), "Late");
    EXPECT_FALSE(late->Finished());
    late->Finish();
    EXPECT_EQ(Journal(), (std::vector<std::string>{"Loaded Late shown", "Completed Late"}));
}

// A form read as visible shows while the reader completes it: what code made on it before is finished
// first, and what the reader read gets each step once, from the reader.
TEST_F(Finish, AFormReadAsVisibleIntoAFormMadeInCodeFinishesBothOnce)
{
    auto form = std::make_unique<TForm>(Application);
    Probe(form.get(), "Made");
    TReader("object Read: TForm\n"
            "  Visible = True\n"
            "  object P1: TFinishProbe\n"
            "  end\n"
            "end\n")
        .ReadRootComponent(form.get());
    EXPECT_EQ(Journal(), (std::vector<std::string>{"Loaded P1", "Loaded Made", "Completed Made", "Completed P1"}));
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
    EXPECT_FALSE(form->ComponentState().Contains(csReading));
    EXPECT_FALSE(form->FindComponent("P1")->ComponentState().Contains(csReading));
}

TEST_F(Finish, ShowingAFormFinishesItAndWhatIsOnItBeforeItIsOnTheScreen)
{
    auto form = std::make_unique<TForm>(Application);
    Probe(form.get(), "P1");
    Probe(form.get(), "P2");
    form->Show();
    EXPECT_EQ(Journal(), (std::vector<std::string>{"Loaded P1", "Loaded P2", "Completed P1", "Completed P2"}));
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
    form->Hide();
    Journal().clear();
    form->Show();
    EXPECT_TRUE(Journal().empty());
}

TEST_F(Finish, AFailingLoadedReachesTheCallerAndTheRestIsFinishedNextTime)
{
    TComponent root(nullptr);
    Probe(&root, "A")->SetRaise(true);
    Probe(&root, "B");
    EXPECT_THROW(root.Finish(), EComponentError);
    EXPECT_EQ(Journal(), (std::vector<std::string>{"Loaded A"}));
    root.Finish();
    EXPECT_EQ(Journal(), (std::vector<std::string>{"Loaded A", "Loaded B", "Completed A", "Completed B"}));
}

TEST_F(Finish, AComponentLeftUnfinishedAfterItsOwnerWasIsReportedOnceAtTheNextWait)
{
    TReports reports;
    auto form = std::make_unique<TForm>(Application);
    form->SetName("Shown");
    form->Show();
    auto* late = Probe<TSetUpProbe>(form.get(), "Guard");
    Probe(form.get(), "Plain"); // has no set-up of its own to miss
    auto* finished = Probe<TSetUpProbe>(form.get(), "Finished");
    finished->Finish();
    Application->ProcessMessages();
    EXPECT_TRUE(reports.Lines.empty()) << "only a wait for messages looks";
    reports.WaitOnce();
    EXPECT_EQ(reports.Lines, std::vector<std::string>{"Guard: Guard (TSetUpProbe) was made after Shown (TForm) was "
                                                      "finished and has not been finished itself: call its Finish() "
                                                      "once its properties are set"});
    reports.WaitOnce();
    EXPECT_EQ(reports.Lines.size(), 1u) << "once";
    EXPECT_FALSE(late->Finished());

    // Made on a form not finished yet, it waits for the form.
    auto unfinished = std::make_unique<TForm>(Application);
    Probe<TSetUpProbe>(unfinished.get(), "Waiting");
    reports.WaitOnce();
    EXPECT_EQ(reports.Lines.size(), 1u);
}

// Run ends the application for good, so it runs in a child process: this executable started again
// with only the disabled case below.
TEST(FinishRun, DISABLED_RunFinishesEveryFormBeforeTheMainFormShows)
{
    TForm* mainForm = nullptr;
    Application->CreateForm(mainForm);
    Probe(mainForm, "OnMain");
    TForm* other = nullptr;
    Application->CreateForm(other);
    Probe(other, "OnOther");
    WindowTesting::TUserAction user([&] {
        mainForm->Close();
        return true;
    });
    Application->Run();
    EXPECT_EQ(Journal(),
              (std::vector<std::string>{"Loaded OnMain", "Loaded OnOther", "Completed OnMain", "Completed OnOther"}));
}

TEST(FinishRun, RunFinishesEveryFormBeforeTheMainFormShows)
{
    TChildProcess child(SelfCommand("--gtest_filter=FinishRun.DISABLED_* --gtest_also_run_disabled_tests"));
    const std::optional<DWORD> exitCode = child.Wait(30000);
    ASSERT_TRUE(exitCode.has_value());
    EXPECT_EQ(*exitCode, 0u) << child.Out();
}
