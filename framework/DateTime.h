// The framework's date and time value, TDateTime, with the routines that build, take apart, format and
// parse it. Text follows the user's regional settings (TFormatSettings::FromSystem) unless a caller
// passes other settings.
#pragma once

#include "framework/Strings.h"
#include "framework/Win32.h"

#include <string>
#include <string_view>

// Days since 30 December 1899 (0.0), the fraction being the time of day: 1.75 is 31 December 1899, 18:00.
// Before that day the whole days count down while the fraction still runs forward: -1.25 is
// 29 December 1899, 06:00. Converts to and from double, so date arithmetic is plain arithmetic.
struct TDateTime {
    constexpr TDateTime(double value = 0) noexcept : FValue(value) {}
    constexpr operator double() const noexcept { return FValue; }

private:
    double FValue;
};

// The local date and time, the date alone (midnight), the time alone (day 0).
TDateTime Now();
TDateTime Date();
TDateTime Time();

// EncodeDate takes years 1 to 9999; both raise EConvertError for a value out of range.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int msec);
// Both round to the millisecond, so a value a hair short of midnight decodes as the next day at 0:00.
// A value outside years 1 to 9999 raises EConvertError.
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec);
// 1 is Sunday, 7 Saturday.
int DayOfWeek(TDateTime value);
bool IsLeapYear(int year);

TDateTime SystemTimeToDateTime(const SYSTEMTIME& time);
SYSTEMTIME DateTimeToSystemTime(TDateTime value);

// Formats with a Windows date or time picture: d dd ddd dddd, M MM MMM MMMM, yy yyyy, h hh (12-hour),
// H HH (24-hour), m mm, s ss, t tt (AM/PM designator, its first letter for t), 'quoted text' ('' is a quote).
// Any other character stands for itself.
std::string FormatDateTime(std::string_view picture, TDateTime value);
std::string FormatDateTime(std::string_view picture, TDateTime value, const TFormatSettings& settings);

// The short date picture, the long time picture, and both (the time left out at exactly midnight).
std::string DateToStr(TDateTime value);
std::string DateToStr(TDateTime value, const TFormatSettings& settings);
std::string TimeToStr(TDateTime value);
std::string TimeToStr(TDateTime value, const TFormatSettings& settings);
std::string DateTimeToStr(TDateTime value);
std::string DateTimeToStr(TDateTime value, const TFormatSettings& settings);

// A date is three numbers in the order of the short date picture, between date separators; a year of one
// or two digits is placed by TwoDigitYearMax. A time is hours and minutes, optionally seconds, between time
// separators, with an optional AM or PM designator before or after it. A date and time is a date, blanks
// and a time, or a date alone. Bad text raises EConvertError "'text' is not a valid date" (time, date and
// time).
TDateTime StrToDate(std::string_view text);
TDateTime StrToDate(std::string_view text, const TFormatSettings& settings);
TDateTime StrToTime(std::string_view text);
TDateTime StrToTime(std::string_view text, const TFormatSettings& settings);
TDateTime StrToDateTime(std::string_view text);
TDateTime StrToDateTime(std::string_view text, const TFormatSettings& settings);
