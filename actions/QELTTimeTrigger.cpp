// The time trigger.
#include "actions/QELTTimeTrigger.h"

#include "framework/DateTime.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"

QEL_CLASS_INFO(TQELTimeTrigger, TQELSystemsComponent)
{
    using C = TQELTimeTrigger;
    return {
        Prop("CurrentTime", &C::CurrentTime, &C::SetCurrentTime).Stored(TStored::Always).Initially("the time"),
        Prop("CurrentDate", &C::CurrentDate, &C::SetCurrentDate).Stored(TStored::Always).Initially("the date"),
        Prop("TriggerDate", &C::TriggerDate, &C::SetTriggerDate).Stored(TStored::Always),
        Prop("TriggerTime", &C::TriggerTime, &C::SetTriggerTime).Stored(TStored::Always),
        Prop("CheckForTrigger", &C::CheckForTrigger, &C::SetCheckForTrigger).Stored(TStored::Always),
        Prop("OnTrigger", &C::OnTrigger, &C::SetOnTrigger),
        Prop("OnNewTime", &C::OnNewTime, &C::SetOnNewTime),
        Prop("OnNewDate", &C::OnNewDate, &C::SetOnNewDate),
    };
}

QEL_OPERATIONS(TQELTimeTrigger)
{
    using C = TQELTimeTrigger;
    return {
        Operation(&C::TimerCheckForTrigger, "TimerCheckForTrigger(Sender)",
                  "the timer's handler, every 200 ms: fires OnTrigger when the trigger time has come, then "
                  "OnNewTime and OnNewDate"),
    };
}

namespace {

constexpr int PollInterval = 200;
constexpr long long SecondsPerDay = 24 * 60 * 60;

// Where a clock reading falls as the time and date texts see it: its second of the day, and its second
// counted from the framework's day 0. The date and time routines round to the millisecond; decoding
// the same way keeps the second found here the one the texts show.
struct TPollSecond {
    int SecondOfDay = 0;
    long long Second = 0;

    explicit TPollSecond(TDateTime value)
    {
        int year, month, day, hour, minute, second, msec;
        DecodeDate(value, year, month, day);
        DecodeTime(value, hour, minute, second, msec);
        SecondOfDay = (hour * 60 + minute) * 60 + second;
        Second = static_cast<long long>(EncodeDate(year, month, day)) * SecondsPerDay + SecondOfDay;
    }
};

} // namespace

TQELTimeTrigger::TQELTimeTrigger(TComponent* owner) : TQELSystemsComponent(owner)
{
    const TDateTime now = Now();
    FCurrentTime = TimeToStr(now);
    FCurrentDate = DateToStr(now);
    CheckFrom(now);
    FTimer = new TTimer(this);
    FTimer->SetInterval(PollInterval);
    FTimer->SetOnTimer(TNotifyEvent(this, &TQELTimeTrigger::TimerCheckForTrigger));
}

TQELTimeTrigger::~TQELTimeTrigger()
{
    delete FTimer;
}

void TQELTimeTrigger::SetCurrentTime(const std::string&)
{
    FPreviousTime = FCurrentTime;
    FCurrentTime = TimeToStr(Now());
}

void TQELTimeTrigger::SetCurrentDate(const std::string&)
{
    FPreviousDate = FCurrentDate;
    FCurrentDate = DateToStr(Now());
}

void TQELTimeTrigger::SetTriggerDate(const std::string& date)
{
    if (date.empty()) {
        FTriggerDate.clear();
        return;
    }
    const TDateTime value = StrToDate(date);
    FTriggerDate = DateToStr(value);
    FTriggerDay = TPollSecond(value).Second;
    CheckFrom(Now());
}

void TQELTimeTrigger::SetTriggerTime(const std::string& time)
{
    if (time.empty()) {
        FTriggerTime.clear();
        return;
    }
    const TDateTime value = StrToTime(time);
    FTriggerTime = TimeToStr(value);
    FTriggerSecond = TPollSecond(value).SecondOfDay;
    CheckFrom(Now());
}

void TQELTimeTrigger::SetCheckForTrigger(bool check)
{
    FCheckForTrigger = check;
    if (check)
        CheckFrom(Now());
}

// A trigger set or armed now has missed nothing before the present second.
void TQELTimeTrigger::CheckFrom(TDateTime now)
{
    FCheckedTo = TPollSecond(now).Second - 1;
}

void TQELTimeTrigger::TimerCheckForTrigger(TObject*)
{
    const TDateTime now = Now();
    const TFormatSettings settings = TFormatSettings::FromSystem();
    FCurrentTime = TimeToStr(now, settings);
    FCurrentDate = DateToStr(now, settings);
    const bool reached = TriggerReached(now);
    FCheckedTo = TPollSecond(now).Second;
    // A handler may free the component (a dialog it shows lets a form with it close for good); then
    // the poll ends there.
    const TComponentWatch watch(this);
    if (reached && FCheckForTrigger) {
        FCheckForTrigger = false;
        if (!Fire(FOnTrigger, watch))
            return;
    }
    // Each change is taken note of before it is told: a handler that lets the message loop run (a
    // dialog) sees further polls, which must not report the same change again.
    if (FPreviousTime != FCurrentTime) {
        FPreviousTime = FCurrentTime;
        if (!Fire(FOnNewTime, watch))
            return;
    }
    if (FPreviousDate != FCurrentDate) {
        FPreviousDate = FCurrentDate;
        (void)Fire(FOnNewDate, watch);
    }
}

bool TQELTimeTrigger::TriggerReached(TDateTime now) const
{
    if (FTriggerTime.empty())
        return false;
    if (FTriggerTime == FCurrentTime && (FTriggerDate.empty() || FTriggerDate == FCurrentDate))
        return true;
    // Missed while the thread was busy: the trigger moment (on its date, or on any date the one last
    // due, today's or yesterday's) has come, and after the last second already checked.
    const TPollSecond poll(now);
    long long due = FTriggerDay + FTriggerSecond;
    if (FTriggerDate.empty()) {
        due = poll.Second - poll.SecondOfDay + FTriggerSecond;
        if (due > poll.Second)
            due -= SecondsPerDay;
    }
    return FCheckedTo < due && due <= poll.Second;
}

bool TQELTimeTrigger::Fire(const TNotifyEvent& event, const TComponentWatch& watch)
{
    try {
        event(this);
    } catch (...) {
        Application->HandleException(watch.Alive() ? this : nullptr);
    }
    return watch.Alive();
}
