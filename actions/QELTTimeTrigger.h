// TQELTimeTrigger polls the clock five times a second. It keeps the time and date as text, tells
// when either text changes, and fires a one-shot trigger when the clock reaches a set time, on a set
// date or any date. Times and dates are compared as the framework's TimeToStr and DateToStr write them
// under the system's regional settings.
#pragma once

#include "foundation/QELSystem.h"
#include "framework/DateTime.h"

#include <string>

class TTimer;

class TQELTimeTrigger : public TQELSystemsComponent {
    QEL_CLASS(TQELTimeTrigger)
public:
    explicit TQELTimeTrigger(TComponent* owner);
    ~TQELTimeTrigger() override;

    // The time and date of the last poll. Writing either ignores the text given and reads the clock.
    const std::string& CurrentTime() const noexcept { return FCurrentTime; }
    void SetCurrentTime(const std::string& ignored);
    const std::string& CurrentDate() const noexcept { return FCurrentDate; }
    void SetCurrentDate(const std::string& ignored);
    // The date to trigger on, as DateToStr writes it; empty for any date. Text that is not a date
    // raises EConvertError and keeps the previous value.
    const std::string& TriggerDate() const noexcept { return FTriggerDate; }
    void SetTriggerDate(const std::string& date);
    // The time to trigger at, as TimeToStr writes it ("10:30" becomes "10:30:00 AM" under a 12-hour
    // clock); empty for no trigger. Text that is not a time raises EConvertError and keeps the
    // previous value.
    const std::string& TriggerTime() const noexcept { return FTriggerTime; }
    void SetTriggerTime(const std::string& time);
    // The trigger is armed; it disarms itself when it fires.
    bool CheckForTrigger() const noexcept { return FCheckForTrigger; }
    void SetCheckForTrigger(bool check);
    // Each has the component as sender.
    const TNotifyEvent& OnTrigger() const noexcept { return FOnTrigger; }
    void SetOnTrigger(const TNotifyEvent& event) { FOnTrigger = event; }
    const TNotifyEvent& OnNewTime() const noexcept { return FOnNewTime; }
    void SetOnNewTime(const TNotifyEvent& event) { FOnNewTime = event; }
    const TNotifyEvent& OnNewDate() const noexcept { return FOnNewDate; }
    void SetOnNewDate(const TNotifyEvent& event) { FOnNewDate = event; }

    // One poll, run by the component's timer every 200 ms: reads the clock once, takes the time and
    // date texts from that one reading, then fires OnTrigger (when armed and the trigger moment has
    // come), OnNewTime and OnNewDate, in that order. The trigger fires on the first poll within its
    // second; when the thread was too busy for a poll to fall into that second, it fires on the first
    // poll after it, past midnight too. A moment already gone when the trigger was set or armed is
    // not waited for: an undated trigger then fires the next day, a dated one never.
    void TimerCheckForTrigger(TObject* sender);

private:
    bool TriggerReached(TDateTime now) const;
    void CheckFrom(TDateTime now);
    // Fires event; an exception its handler raises goes to the application with this component as
    // sender, and the poll goes on. False when the handler freed the component.
    bool Fire(const TNotifyEvent& event, const TComponentWatch& watch);

    std::string FCurrentTime;
    std::string FCurrentDate;
    std::string FTriggerDate;
    std::string FTriggerTime;
    bool FCheckForTrigger = false;
    TNotifyEvent FOnTrigger;
    TNotifyEvent FOnNewTime;
    TNotifyEvent FOnNewDate;
    // The texts last reported. Their first values match no present-day poll, so the first poll
    // reports both a new time and a new date.
    std::string FPreviousTime = "00:00";
    std::string FPreviousDate = "11/7/73";
    // The second of the day TriggerTime names, the first second of the day TriggerDate names (counted
    // as the polls count them), and the last second for which the trigger has been checked: a trigger
    // moment after it is still to come.
    int FTriggerSecond = 0;
    long long FTriggerDay = 0;
    long long FCheckedTo = 0;
    TTimer* FTimer = nullptr; // owned
};
