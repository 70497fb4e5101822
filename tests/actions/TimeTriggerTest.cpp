// TQELTimeTrigger with the clock under the test's control: GetLocalTime, which the framework's Now
// reads, is replaced by a fake that the tests step across the trigger second and midnight. Polls are
// called directly, except where the component's own timer is what is tested.
#include "actions/QELTTimeTrigger.h"

#include "framework/ExtCtrls.h"
#include "framework/FormText.h"
#include "tests/framework/WindowTesting.h"
#include "tests/support/ErrorMessage.h"
#include "tests/support/ImportPatch.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>

using namespace WindowTesting;

namespace {

// The readings the fake clock gives, one a call; the last one stays.
std::deque<SYSTEMTIME> ClockReadings;

void WINAPI FakeGetLocalTime(LPSYSTEMTIME time)
{
    *time = ClockReadings.front();
    if (ClockReadings.size() > 1)
        ClockReadings.pop_front();
}

SYSTEMTIME At(int year, int month, int day, int hour, int minute, int second, int msec = 0)
{
    return DateTimeToSystemTime(EncodeDate(year, month, day) + EncodeTime(hour, minute, second, msec));
}

std::string TimeText(int hour, int minute, int second)
{
    return TimeToStr(EncodeTime(hour, minute, second, 0));
}

std::string DateText(int year, int month, int day)
{
    return DateToStr(EncodeDate(year, month, day));
}

// The date text with its year in two digits.
std::string TwoDigitYear(std::string date)
{
    return date.replace(date.find("2024"), 4, "24");
}

// An event as TTriggerLog records it.
std::string Ev(const std::string& event, int year, int month, int day, int hour, int minute, int second)
{
    return event + " " + DateText(year, month, day) + " " + TimeText(hour, minute, second);
}

// Records each event with the texts the component showed at that moment.
class TTriggerLog : public TComponent {
    QEL_CLASS(TTriggerLog)
public:
    using TComponent::TComponent;
    void Trigger(TObject* sender) { Add("Trigger", sender); }
    void NewTime(TObject* sender) { Add("NewTime", sender); }
    void NewDate(TObject* sender) { Add("NewDate", sender); }
    void FailingTrigger(TObject*) { throw Exception("handler failed"); }
    void FreeingTrigger(TObject* sender)
    {
        Events.push_back("Trigger, freeing it");
        delete sender;
    }
    // Records the event, then polls once more from inside the handler, as the component's timer does
    // while a handler shows a modal dialog.
    void NestedNewTime(TObject* sender) { Nested("NewTime", sender); }
    void NestedNewDate(TObject* sender) { Nested("NewDate", sender); }
    void Failure(TObject* sender, Exception& e) { Events.push_back("Failure " + sender->ClassName() + " " + e.Message()); }

    std::vector<std::string> Events;

private:
    void Nested(const std::string& event, TObject* sender)
    {
        Add(event, sender);
        if (Events.size() < 10)
            static_cast<TQELTimeTrigger*>(sender)->TimerCheckForTrigger(nullptr);
    }
    void Add(const std::string& event, TObject* sender)
    {
        auto* trigger = dynamic_cast<TQELTimeTrigger*>(sender);
        Events.push_back(event + " " + (trigger ? trigger->CurrentDate() + " " + trigger->CurrentTime() : "?"));
    }
    static TMethodList PublishedMethods();
};

} // namespace

QEL_CLASS_INFO(TTriggerLog, TComponent)
{
    return {};
}

TMethodList TTriggerLog::PublishedMethods()
{
    return {PublishedMethod<TTriggerLog>("Trigger", &TTriggerLog::Trigger),
            PublishedMethod<TTriggerLog>("NewTime", &TTriggerLog::NewTime),
            PublishedMethod<TTriggerLog>("NewDate", &TTriggerLog::NewDate)};
}

namespace {

// A log read from a description, holding the trigger Trigger1 with the property lines given, armed,
// its OnTrigger on the log's Trigger.
std::unique_ptr<TComponent> ReadArmedTrigger(const std::string& properties)
{
    return std::unique_ptr<TComponent>(TReader("object Log: TTriggerLog\n"
                                               "  object Trigger1: TQELTimeTrigger\n" +
                                               properties +
                                               "    CheckForTrigger = True\n"
                                               "    OnTrigger = Trigger\n"
                                               "  end\n"
                                               "end\n")
                                           .ReadComponent(nullptr));
}

class TimeTriggerTest : public testing::Test {
protected:
    TimeTriggerTest() : FClock("kernel32.dll", "GetLocalTime", &FakeGetLocalTime)
    {
        SetClock(At(2024, 3, 9, 10, 29, 58, 100));
        FLog = std::make_unique<TTriggerLog>(nullptr);
        FTrigger = new TQELTimeTrigger(FLog.get());
    }

    static void SetClock(const SYSTEMTIME& now) { ClockReadings = {now}; }
    // One poll at the given moment.
    void PollAt(const SYSTEMTIME& now)
    {
        SetClock(now);
        FTrigger->TimerCheckForTrigger(nullptr);
    }
    void Log(bool trigger, bool newTime, bool newDate)
    {
        if (trigger)
            FTrigger->SetOnTrigger(TNotifyEvent(FLog.get(), &TTriggerLog::Trigger));
        if (newTime)
            FTrigger->SetOnNewTime(TNotifyEvent(FLog.get(), &TTriggerLog::NewTime));
        if (newDate)
            FTrigger->SetOnNewDate(TNotifyEvent(FLog.get(), &TTriggerLog::NewDate));
    }
    std::vector<std::string>& Events() { return FLog->Events; }

    TImportPatch FClock;
    std::unique_ptr<TTriggerLog> FLog;
    TQELTimeTrigger* FTrigger;
};

} // namespace

TEST_F(TimeTriggerTest, StartsWithTheClockAsTextNoTriggerAndItsOwnTimer)
{
    EXPECT_EQ(FTrigger->CurrentTime(), TimeText(10, 29, 58));
    EXPECT_EQ(FTrigger->CurrentDate(), DateText(2024, 3, 9));
    EXPECT_EQ(FTrigger->TriggerTime(), "");
    EXPECT_EQ(FTrigger->TriggerDate(), "");
    EXPECT_FALSE(FTrigger->CheckForTrigger());
    ASSERT_EQ(FTrigger->ComponentCount(), 1);
    auto* timer = dynamic_cast<TTimer*>(FTrigger->Components(0));
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->Interval(), 200);
    EXPECT_TRUE(timer->Enabled());
}

TEST_F(TimeTriggerTest, TheOwnTimerPollsTheClock)
{
    Log(false, true, false);
    SetClock(At(2024, 3, 9, 10, 31, 0));
    EXPECT_TRUE(PumpUntil([&] { return FTrigger->CurrentTime() == TimeText(10, 31, 0); }));
    ASSERT_FALSE(Events().empty());
    EXPECT_EQ(Events()[0], "NewTime " + DateText(2024, 3, 9) + " " + TimeText(10, 31, 0));
}

TEST_F(TimeTriggerTest, TheFirstPollReportsANewTimeAndDateThenEachChangeOnce)
{
    Log(false, true, true);
    PollAt(At(2024, 3, 9, 10, 29, 58, 300));
    EXPECT_EQ(Events(), (std::vector<std::string>{Ev("NewTime", 2024, 3, 9, 10, 29, 58), Ev("NewDate", 2024, 3, 9, 10, 29, 58)}));
    Events().clear();
    PollAt(At(2024, 3, 9, 10, 29, 58, 500));
    PollAt(At(2024, 3, 9, 10, 29, 59, 0));
    PollAt(At(2024, 3, 9, 10, 29, 59, 200));
    EXPECT_EQ(Events(), std::vector<std::string>{Ev("NewTime", 2024, 3, 9, 10, 29, 59)});

    Events().clear();
    PollAt(At(2024, 3, 9, 23, 59, 59, 900));
    PollAt(At(2024, 3, 10, 0, 0, 0, 100));
    PollAt(At(2024, 3, 10, 0, 0, 0, 300));
    EXPECT_EQ(Events(), (std::vector<std::string>{Ev("NewTime", 2024, 3, 9, 23, 59, 59), Ev("NewTime", 2024, 3, 10, 0, 0, 0),
                                                  Ev("NewDate", 2024, 3, 10, 0, 0, 0)}));
}

TEST_F(TimeTriggerTest, APollWithinAHandlerReportsNoChangeAgain)
{
    FTrigger->SetOnNewTime(TNotifyEvent(FLog.get(), &TTriggerLog::NestedNewTime));
    FTrigger->SetOnNewDate(TNotifyEvent(FLog.get(), &TTriggerLog::NestedNewDate));
    PollAt(At(2024, 3, 9, 10, 29, 58, 300));
    EXPECT_EQ(Events(), (std::vector<std::string>{Ev("NewTime", 2024, 3, 9, 10, 29, 58), Ev("NewDate", 2024, 3, 9, 10, 29, 58)}));
}

TEST_F(TimeTriggerTest, APollTakesTimeAndDateFromOneReading)
{
    // A clock that moves on between two readings, across midnight.
    ClockReadings = {At(2024, 3, 9, 23, 59, 59, 999), At(2024, 3, 10, 0, 0, 0, 0)};
    FTrigger->TimerCheckForTrigger(nullptr);
    EXPECT_EQ(FTrigger->CurrentTime(), TimeText(23, 59, 59));
    EXPECT_EQ(FTrigger->CurrentDate(), DateText(2024, 3, 9));
}

TEST_F(TimeTriggerTest, TriggerTextsAreNormalisedAndBadTextKeepsTheOldValue)
{
    FTrigger->SetTriggerTime("10:30");
    EXPECT_EQ(FTrigger->TriggerTime(), TimeText(10, 30, 0));
    FTrigger->SetTriggerTime("22:15:07");
    EXPECT_EQ(FTrigger->TriggerTime(), TimeText(22, 15, 7));
    FTrigger->SetTriggerDate(TwoDigitYear(DateText(2024, 3, 9)));
    EXPECT_EQ(FTrigger->TriggerDate(), DateText(2024, 3, 9));

    EXPECT_EQ(ErrorMessageOf<EConvertError>([&] { FTrigger->SetTriggerTime("half past ten"); }),
              "'half past ten' is not a valid time");
    EXPECT_EQ(FTrigger->TriggerTime(), TimeText(22, 15, 7));
    EXPECT_EQ(ErrorMessageOf<EConvertError>([&] { FTrigger->SetTriggerDate("2/30/2024"); }),
              "'2/30/2024' is not a valid date");
    EXPECT_EQ(FTrigger->TriggerDate(), DateText(2024, 3, 9));

    FTrigger->SetTriggerTime("");
    FTrigger->SetTriggerDate("");
    EXPECT_EQ(FTrigger->TriggerTime(), "");
    EXPECT_EQ(FTrigger->TriggerDate(), "");
}

TEST_F(TimeTriggerTest, FiresOnceOnTheFirstPollWithinTheTriggerSecondAndDisarms)
{
    Log(true, false, false);
    FTrigger->SetTriggerTime("10:30");
    FTrigger->SetCheckForTrigger(true);
    PollAt(At(2024, 3, 9, 10, 29, 59, 800));
    EXPECT_TRUE(Events().empty());
    PollAt(At(2024, 3, 9, 10, 30, 0, 0));
    PollAt(At(2024, 3, 9, 10, 30, 0, 200));
    PollAt(At(2024, 3, 9, 10, 30, 0, 400));
    PollAt(At(2024, 3, 9, 10, 30, 1, 0));
    EXPECT_EQ(Events(), std::vector<std::string>{Ev("Trigger", 2024, 3, 9, 10, 30, 0)});
    EXPECT_FALSE(FTrigger->CheckForTrigger());

    // The next day only when armed again.
    PollAt(At(2024, 3, 10, 10, 29, 59, 900));
    PollAt(At(2024, 3, 10, 10, 30, 0, 100));
    EXPECT_EQ(Events().size(), 1u);
    PollAt(At(2024, 3, 11, 10, 29, 59, 900));
    FTrigger->SetCheckForTrigger(true);
    PollAt(At(2024, 3, 11, 10, 30, 0, 100));
    EXPECT_EQ(Events().back(), Ev("Trigger", 2024, 3, 11, 10, 30, 0));
    EXPECT_EQ(Events().size(), 2u);
}

TEST_F(TimeTriggerTest, ArmedWithinTheTriggerSecondItStillFires)
{
    Log(true, false, false);
    FTrigger->SetTriggerTime("10:30:00");
    PollAt(At(2024, 3, 9, 10, 30, 0, 100));
    FTrigger->SetCheckForTrigger(true);
    PollAt(At(2024, 3, 9, 10, 30, 0, 300));
    EXPECT_EQ(Events(), std::vector<std::string>{Ev("Trigger", 2024, 3, 9, 10, 30, 0)});

    // After the last poll of that second: late, on the next one.
    FTrigger->SetTriggerDate(DateText(2024, 3, 10));
    PollAt(At(2024, 3, 10, 10, 30, 0, 900));
    FTrigger->SetCheckForTrigger(true);
    PollAt(At(2024, 3, 10, 10, 30, 1, 100));
    EXPECT_EQ(Events().back(), Ev("Trigger", 2024, 3, 10, 10, 30, 1));
    EXPECT_EQ(Events().size(), 2u);
}

TEST_F(TimeTriggerTest, ASetDateFiresOnlyOnThatDateAndNeverWithoutATime)
{
    Log(true, false, false);
    FTrigger->SetTriggerDate(DateText(2024, 3, 10));
    FTrigger->SetCheckForTrigger(true);
    for (int hour = 0; hour < 24; ++hour)
        PollAt(At(2024, 3, 10, hour, 0, 0));
    EXPECT_TRUE(Events().empty());

    FTrigger->SetTriggerTime(TimeText(10, 30, 0));
    PollAt(At(2024, 3, 9, 10, 29, 59, 900));
    PollAt(At(2024, 3, 9, 10, 30, 0, 100));
    EXPECT_TRUE(Events().empty());
    PollAt(At(2024, 3, 10, 10, 29, 59, 900));
    PollAt(At(2024, 3, 10, 10, 30, 0, 100));
    EXPECT_EQ(Events(), std::vector<std::string>{Ev("Trigger", 2024, 3, 10, 10, 30, 0)});
}

TEST_F(TimeTriggerTest, ASecondMissedWhileBusyFiresOnceLateOnTheTriggerDate)
{
    Log(true, false, false);
    FTrigger->SetTriggerTime("10:30:00");
    FTrigger->SetCheckForTrigger(true);
    PollAt(At(2024, 3, 9, 10, 29, 58, 900));
    PollAt(At(2024, 3, 9, 10, 30, 3, 0)); // no poll fell into 10:30:00
    PollAt(At(2024, 3, 9, 10, 30, 3, 200));
    EXPECT_EQ(Events(), std::vector<std::string>{Ev("Trigger", 2024, 3, 9, 10, 30, 3)});

    // Busy across midnight into the trigger date.
    FTrigger->SetTriggerDate(DateText(2024, 3, 10));
    FTrigger->SetTriggerTime("0:00:01");
    FTrigger->SetCheckForTrigger(true);
    PollAt(At(2024, 3, 9, 23, 59, 58, 0));
    PollAt(At(2024, 3, 10, 0, 0, 5, 0));
    EXPECT_EQ(Events().back(), Ev("Trigger", 2024, 3, 10, 0, 0, 5));
    EXPECT_EQ(Events().size(), 2u);
}

TEST_F(TimeTriggerTest, AnUndatedSecondMissedAcrossMidnightFiresOnceLate)
{
    Log(true, false, false);
    FTrigger->SetTriggerTime(TimeText(23, 59, 59));
    FTrigger->SetCheckForTrigger(true);
    PollAt(At(2024, 3, 9, 23, 59, 58, 900));
    PollAt(At(2024, 3, 10, 0, 0, 2, 0)); // busy until the next day
    PollAt(At(2024, 3, 10, 0, 0, 2, 200));
    EXPECT_EQ(Events(), std::vector<std::string>{Ev("Trigger", 2024, 3, 10, 0, 0, 2)});

    // Armed again after the second went by: nothing before the next day's.
    FTrigger->SetCheckForTrigger(true);
    PollAt(At(2024, 3, 10, 12, 0, 0));
    PollAt(At(2024, 3, 10, 23, 59, 58, 900));
    EXPECT_EQ(Events().size(), 1u);
    PollAt(At(2024, 3, 10, 23, 59, 59, 100));
    EXPECT_EQ(Events().back(), Ev("Trigger", 2024, 3, 10, 23, 59, 59));
}

TEST_F(TimeTriggerTest, ADatedSecondMissedAcrossMidnightFiresOnceLate)
{
    Log(true, false, false);
    FTrigger->SetTriggerDate(DateText(2024, 3, 9));
    FTrigger->SetTriggerTime(TimeText(23, 59, 59));
    FTrigger->SetCheckForTrigger(true);
    PollAt(At(2024, 3, 9, 23, 59, 58, 900));
    PollAt(At(2024, 3, 10, 0, 0, 1, 0)); // busy until the next day
    PollAt(At(2024, 3, 10, 0, 0, 1, 200));
    EXPECT_EQ(Events(), std::vector<std::string>{Ev("Trigger", 2024, 3, 10, 0, 0, 1)});
    EXPECT_FALSE(FTrigger->CheckForTrigger());

    // Busy for days.
    FTrigger->SetTriggerDate(DateText(2024, 3, 10));
    FTrigger->SetTriggerTime("12:00:00");
    FTrigger->SetCheckForTrigger(true);
    PollAt(At(2024, 3, 10, 11, 59, 59, 900));
    PollAt(At(2024, 3, 13, 8, 0, 0));
    PollAt(At(2024, 3, 13, 12, 0, 0, 100));
    EXPECT_EQ(Events(), (std::vector<std::string>{Ev("Trigger", 2024, 3, 10, 0, 0, 1),
                                                  Ev("Trigger", 2024, 3, 13, 8, 0, 0)}));
}

TEST_F(TimeTriggerTest, AMomentGoneBeforeTheTriggerWasSetOrArmedDoesNotFire)
{
    Log(true, false, false);
    // A date in the past when the component is made.
    const std::unique_ptr<TComponent> root =
        ReadArmedTrigger("    TriggerDate = '" + DateText(2024, 3, 8) + "'\n    TriggerTime = '10:30'\n");
    auto* loaded = dynamic_cast<TQELTimeTrigger*>(root->FindComponent("Trigger1"));
    ASSERT_NE(loaded, nullptr);
    for (const SYSTEMTIME& now : {At(2024, 3, 9, 10, 29, 58, 300), At(2024, 3, 9, 10, 30, 0, 100),
                                  At(2024, 3, 10, 10, 30, 0, 100)}) {
        SetClock(now);
        loaded->TimerCheckForTrigger(nullptr);
    }
    EXPECT_TRUE(static_cast<TTriggerLog*>(root.get())->Events.empty());
    EXPECT_TRUE(loaded->CheckForTrigger());

    // Set, while the thread was busy, to a moment that had gone by since the last poll.
    PollAt(At(2024, 3, 9, 10, 29, 58, 900));
    SetClock(At(2024, 3, 9, 10, 30, 3, 0));
    FTrigger->SetTriggerDate(DateText(2024, 3, 9));
    FTrigger->SetTriggerTime("10:30:00");
    FTrigger->SetCheckForTrigger(true);
    PollAt(At(2024, 3, 9, 10, 30, 3, 100));
    PollAt(At(2024, 3, 10, 10, 30, 0, 100));
    EXPECT_TRUE(Events().empty());

    // Set when today's trigger second has long gone: nothing before tomorrow's.
    PollAt(At(2024, 3, 10, 11, 0, 0));
    FTrigger->SetTriggerDate("");
    FTrigger->SetTriggerTime("10:30:00");
    PollAt(At(2024, 3, 10, 11, 0, 1));
    PollAt(At(2024, 3, 11, 0, 0, 0));
    PollAt(At(2024, 3, 11, 10, 29, 59, 900));
    EXPECT_TRUE(Events().empty());
    PollAt(At(2024, 3, 11, 10, 30, 0, 100));
    EXPECT_EQ(Events(), std::vector<std::string>{Ev("Trigger", 2024, 3, 11, 10, 30, 0)});
}

TEST_F(TimeTriggerTest, WritingTheCurrentTextsReadsTheClockInstead)
{
    SetClock(At(2024, 12, 31, 18, 5, 6));
    FTrigger->SetCurrentTime(TimeText(9, 0, 0));
    FTrigger->SetCurrentDate(DateText(2000, 1, 1));
    EXPECT_EQ(FTrigger->CurrentTime(), TimeText(18, 5, 6));
    EXPECT_EQ(FTrigger->CurrentDate(), DateText(2024, 12, 31));
}

TEST_F(TimeTriggerTest, AFailingHandlerGoesToTheApplicationAndThePollGoesOn)
{
    Log(false, true, false);
    FTrigger->SetOnTrigger(TNotifyEvent(FLog.get(), &TTriggerLog::FailingTrigger));
    const TExceptionEvent previous = Application->OnException();
    Application->SetOnException(TExceptionEvent(FLog.get(), &TTriggerLog::Failure));
    FTrigger->SetTriggerTime("10:30:00");
    FTrigger->SetCheckForTrigger(true);
    PollAt(At(2024, 3, 9, 10, 30, 0, 100));
    Application->SetOnException(previous);
    EXPECT_EQ(Events(), (std::vector<std::string>{"Failure TQELTimeTrigger handler failed",
                                                  Ev("NewTime", 2024, 3, 9, 10, 30, 0)}));
    EXPECT_FALSE(FTrigger->CheckForTrigger());
}

TEST_F(TimeTriggerTest, AHandlerMayFreeTheComponent)
{
    // As closing a form whose close action frees it does, from a dialog the handler shows.
    Log(false, true, true);
    FTrigger->SetOnTrigger(TNotifyEvent(FLog.get(), &TTriggerLog::FreeingTrigger));
    FTrigger->SetTriggerTime("10:30:00");
    FTrigger->SetCheckForTrigger(true);
    PollAt(At(2024, 3, 9, 10, 30, 0, 100));
    EXPECT_EQ(Events(), std::vector<std::string>{"Trigger, freeing it"});
    EXPECT_EQ(FLog->ComponentCount(), 0);

    // From a tick of its own timer, which goes with it.
    Events().clear();
    auto* trigger = new TQELTimeTrigger(FLog.get());
    trigger->SetOnTrigger(TNotifyEvent(FLog.get(), &TTriggerLog::FreeingTrigger));
    trigger->SetTriggerTime("10:31:00");
    trigger->SetCheckForTrigger(true);
    SetClock(At(2024, 3, 9, 10, 31, 0, 100));
    EXPECT_TRUE(PumpUntil([&] { return !Events().empty(); }));
    PumpFor(300);
    EXPECT_EQ(Events(), std::vector<std::string>{"Trigger, freeing it"});
    EXPECT_EQ(FLog->ComponentCount(), 0);
}

TEST_F(TimeTriggerTest, ALoadedTriggerIsArmedWithItsNormalisedTimeAndTheClocksTexts)
{
    const std::unique_ptr<TComponent> root = ReadArmedTrigger("    CurrentTime = '" + TimeText(1, 2, 3) + "'\n"
                                                              "    CurrentDate = '" + DateText(1999, 1, 1) + "'\n"
                                                              "    TriggerDate = '" +
                                                              TwoDigitYear(DateText(2024, 3, 9)) + "'\n"
                                                              "    TriggerTime = '10:30'\n");
    auto* trigger = dynamic_cast<TQELTimeTrigger*>(root->FindComponent("Trigger1"));
    ASSERT_NE(trigger, nullptr);
    EXPECT_EQ(trigger->CurrentTime(), TimeText(10, 29, 58));
    EXPECT_EQ(trigger->CurrentDate(), DateText(2024, 3, 9));
    EXPECT_EQ(trigger->TriggerTime(), TimeText(10, 30, 0));
    EXPECT_EQ(trigger->TriggerDate(), DateText(2024, 3, 9));
    EXPECT_TRUE(trigger->CheckForTrigger());

    SetClock(At(2024, 3, 9, 10, 30, 0, 100));
    trigger->TimerCheckForTrigger(nullptr);
    EXPECT_EQ(static_cast<TTriggerLog*>(root.get())->Events, std::vector<std::string>{Ev("Trigger", 2024, 3, 9, 10, 30, 0)});

    // Every property is written back, the clock's texts included.
    const std::string written = WriteComponentText(*root);
    for (const std::string& line :
         {"CurrentTime = '" + TimeText(10, 30, 0) + "'", "CurrentDate = '" + DateText(2024, 3, 9) + "'",
          "TriggerDate = '" + DateText(2024, 3, 9) + "'", "TriggerTime = '" + TimeText(10, 30, 0) + "'",
          std::string("CheckForTrigger = False")})
        EXPECT_NE(written.find(line), std::string::npos) << line;
}
