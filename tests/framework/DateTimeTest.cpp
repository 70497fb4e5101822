// DateTime: the day count against the system's own calendar (FILETIME), leap days and bounds, rounding
// at midnight, days before day 0, text in the system's formats (checked against GetDateFormatA and
// GetTimeFormatA), parsing round trips and bad text, other regional pictures, and settings that change
// under the routines (GetLocaleInfoA intercepted).
#include "framework/DateTime.h"

#include "framework/Exceptions.h"
#include "framework/Win32.h"
#include "tests/support/ErrorMessage.h"
#include "tests/support/ImportPatch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

SYSTEMTIME MakeSystemTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int msec = 0)
{
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(year);
    time.wMonth = static_cast<WORD>(month);
    time.wDay = static_cast<WORD>(day);
    time.wHour = static_cast<WORD>(hour);
    time.wMinute = static_cast<WORD>(minute);
    time.wSecond = static_cast<WORD>(second);
    time.wMilliseconds = static_cast<WORD>(msec);
    return time;
}

// Every field but the day of the week.
std::string Text(const SYSTEMTIME& time)
{
    return std::to_string(time.wYear) + "-" + std::to_string(time.wMonth) + "-" + std::to_string(time.wDay) + " " +
           std::to_string(time.wHour) + ":" + std::to_string(time.wMinute) + ":" + std::to_string(time.wSecond) +
           "." + std::to_string(time.wMilliseconds);
}

// The system's count of 100 ns ticks since 1601, and the day of the week it works out.
std::uint64_t FileTicks(const SYSTEMTIME& time)
{
    FILETIME file;
    EXPECT_TRUE(SystemTimeToFileTime(&time, &file));
    return (std::uint64_t{file.dwHighDateTime} << 32) | file.dwLowDateTime;
}

std::string SystemDate(const SYSTEMTIME& time, const char* picture = nullptr)
{
    char buffer[200];
    const int length = GetDateFormatA(LOCALE_USER_DEFAULT, picture ? 0 : DATE_SHORTDATE, &time, picture, buffer,
                                      sizeof buffer);
    return length > 0 ? std::string(buffer, static_cast<std::size_t>(length - 1)) : "(GetDateFormatA failed)";
}

std::string SystemTime(const SYSTEMTIME& time, const char* picture = nullptr)
{
    char buffer[200];
    const int length = GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &time, picture, buffer, sizeof buffer);
    return length > 0 ? std::string(buffer, static_cast<std::size_t>(length - 1)) : "(GetTimeFormatA failed)";
}

constexpr double OneMSec = 1.0 / (24 * 60 * 60 * 1000);

// The days and milliseconds of two values agree.
::testing::AssertionResult SameMoment(TDateTime a, TDateTime b)
{
    if (std::fabs(static_cast<double>(a) - static_cast<double>(b)) < OneMSec / 2)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << static_cast<double>(a) << " vs " << static_cast<double>(b);
}

// German conventions: day first, dots, a 24-hour clock and no designators.
TFormatSettings German()
{
    TFormatSettings settings;
    settings.DecimalSeparator = ",";
    settings.ThousandSeparator = ".";
    settings.DateSeparator = ".";
    settings.TimeSeparator = ":";
    settings.ShortDateFormat = "dd.MM.yyyy";
    settings.LongTimeFormat = "HH:mm:ss";
    settings.TwoDigitYearMax = 2049;
    return settings;
}

} // namespace

TEST(DateTimeEncode, CountsDaysAsTheSystemCalendarDoes)
{
    EXPECT_EQ(static_cast<double>(EncodeDate(1899, 12, 30)), 0.0);
    EXPECT_EQ(static_cast<double>(EncodeDate(2000, 1, 1)), 36526.0);
    const std::uint64_t ticksPerDay = 864000000000ull;
    const std::uint64_t base = FileTicks(MakeSystemTime(1601, 1, 1));
    const double baseDate = EncodeDate(1601, 1, 1);
    for (int year = 1601; year <= 9999; year += 7)
        for (int month = 1; month <= 12; month += 5) {
            const std::uint64_t days = (FileTicks(MakeSystemTime(year, month, 28)) - base) / ticksPerDay;
            ASSERT_EQ(EncodeDate(year, month, 28) - baseDate, static_cast<double>(days)) << year << "-" << month;
        }
}

TEST(DateTimeEncode, DecodesEveryDayBackAndDaysFollowEachOther)
{
    int previousYear = 0, previousMonth = 12, previousDay = 31;
    for (double date = EncodeDate(1, 1, 1); date <= EncodeDate(9999, 12, 31); date += 1) {
        int year, month, day;
        DecodeDate(date, year, month, day);
        ASSERT_EQ(static_cast<double>(EncodeDate(year, month, day)), date);
        const bool nextDay = year == previousYear && month == previousMonth && day == previousDay + 1;
        const bool nextMonth = year == previousYear && month == previousMonth + 1 && day == 1;
        const bool nextYear = year == previousYear + 1 && month == 1 && day == 1 && previousMonth == 12;
        ASSERT_TRUE(nextDay || nextMonth || nextYear) << year << "-" << month << "-" << day;
        previousYear = year;
        previousMonth = month;
        previousDay = day;
    }
}

TEST(DateTimeEncode, LeapDays)
{
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_TRUE(IsLeapYear(2024));
    EXPECT_TRUE(IsLeapYear(1600));
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_FALSE(IsLeapYear(2100));
    EXPECT_FALSE(IsLeapYear(2023));
    EXPECT_EQ(EncodeDate(2024, 3, 1) - EncodeDate(2024, 2, 28), 2.0);
    EXPECT_EQ(EncodeDate(2023, 3, 1) - EncodeDate(2023, 2, 28), 1.0);
    EXPECT_EQ(EncodeDate(2000, 3, 1) - EncodeDate(2000, 2, 28), 2.0);
    EXPECT_EQ(ErrorMessageOf<EConvertError>([] { EncodeDate(1900, 2, 29); }), "Invalid argument to date encode");
    EXPECT_EQ(ErrorMessageOf<EConvertError>([] { EncodeDate(2023, 2, 29); }), "Invalid argument to date encode");
}

TEST(DateTimeEncode, RejectsValuesOutOfRange)
{
    const int dates[][3] = {{0, 1, 1}, {10000, 1, 1}, {2020, 0, 1}, {2020, 13, 1}, {2020, 1, 0}, {2020, 1, 32},
                            {2020, 4, 31}, {-1, 1, 1}};
    for (const auto& date : dates)
        EXPECT_EQ(ErrorMessageOf<EConvertError>([&] { EncodeDate(date[0], date[1], date[2]); }), "Invalid argument to date encode")
            << date[0] << "-" << date[1] << "-" << date[2];
    const int times[][4] = {{24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}, {-1, 0, 0, 0},
                            {0, 0, 0, -1}};
    for (const auto& time : times)
        EXPECT_EQ(ErrorMessageOf<EConvertError>([&] { EncodeTime(time[0], time[1], time[2], time[3]); }),
                  "Invalid argument to time encode")
            << time[0] << ":" << time[1] << ":" << time[2] << "." << time[3];
    int year, month, day;
    EXPECT_EQ(ErrorMessageOf<EConvertError>([&] { DecodeDate(1e300, year, month, day); }), "Invalid date and time value");
    EXPECT_EQ(ErrorMessageOf<EConvertError>([&] { DecodeDate(std::nan(""), year, month, day); }), "Invalid date and time value");
    EXPECT_EQ(ErrorMessageOf<EConvertError>([&] { DecodeDate(EncodeDate(1, 1, 1) - 1, year, month, day); }),
              "Invalid date and time value");
}

TEST(DateTimeEncode, TimesOfDay)
{
    EXPECT_EQ(static_cast<double>(EncodeTime(12, 0, 0, 0)), 0.5);
    EXPECT_EQ(static_cast<double>(EncodeTime(6, 0, 0, 0)), 0.25);
    EXPECT_LT(EncodeTime(23, 59, 59, 999), 1.0);
    for (int minuteOfDay = 0; minuteOfDay < 24 * 60; ++minuteOfDay) {
        const int msec = minuteOfDay % 1000;
        const TDateTime time = EncodeDate(2021, 7, 4) + EncodeTime(minuteOfDay / 60, minuteOfDay % 60, 59, msec);
        int hour, minute, second, ms;
        DecodeTime(time, hour, minute, second, ms);
        ASSERT_EQ(hour * 60 + minute, minuteOfDay);
        ASSERT_EQ(second, 59);
        ASSERT_EQ(ms, msec);
    }
}

TEST(DateTimeEncode, AHairBeforeMidnightIsTheNextDayAtMidnight)
{
    const TDateTime almost = EncodeDate(2020, 12, 31) + 1 - OneMSec / 3;
    int year, month, day, hour, minute, second, msec;
    DecodeDate(almost, year, month, day);
    DecodeTime(almost, hour, minute, second, msec);
    EXPECT_EQ(year * 10000 + month * 100 + day, 20210101);
    EXPECT_EQ(hour + minute + second + msec, 0);
    EXPECT_EQ(DayOfWeek(almost), DayOfWeek(EncodeDate(2021, 1, 1)));
    EXPECT_EQ(DateTimeToStr(almost), DateToStr(EncodeDate(2021, 1, 1)));
}

TEST(DateTimeEncode, BeforeDayZeroTheTimeStillRunsForward)
{
    const TDateTime value = SystemTimeToDateTime(MakeSystemTime(1899, 12, 29, 6));
    EXPECT_EQ(static_cast<double>(value), -1.25);
    const SYSTEMTIME back = DateTimeToSystemTime(value);
    EXPECT_EQ(back.wYear * 10000 + back.wMonth * 100 + back.wDay, 18991229);
    EXPECT_EQ(back.wHour, 6);
    const TDateTime early = SystemTimeToDateTime(MakeSystemTime(1066, 10, 14, 18, 30));
    int hour, minute, second, msec;
    DecodeTime(early, hour, minute, second, msec);
    EXPECT_EQ(hour * 100 + minute, 1830);
    EXPECT_TRUE(SameMoment(StrToDateTime(DateTimeToStr(early)), early));
}

TEST(DateTimeEncode, DayOfWeekAgreesWithTheSystem)
{
    EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 30)), 7); // a Saturday
    EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 31)), 1);
    EXPECT_EQ(DayOfWeek(SystemTimeToDateTime(MakeSystemTime(1899, 12, 24, 21, 36))), 1);
    for (double date = EncodeDate(1601, 1, 1); date < EncodeDate(9999, 12, 31); date += 97.0) {
        SYSTEMTIME system = DateTimeToSystemTime(date);
        const WORD computed = system.wDayOfWeek;
        FILETIME file;
        ASSERT_TRUE(SystemTimeToFileTime(&system, &file));
        ASSERT_TRUE(FileTimeToSystemTime(&file, &system));
        ASSERT_EQ(computed, system.wDayOfWeek) << date;
        ASSERT_EQ(DayOfWeek(date), system.wDayOfWeek + 1) << date;
    }
}

TEST(DateTimeEncode, SystemTimesRoundTrip)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    EXPECT_EQ(Text(DateTimeToSystemTime(SystemTimeToDateTime(now))), Text(now));
    EXPECT_EQ(DateTimeToSystemTime(SystemTimeToDateTime(now)).wDayOfWeek, now.wDayOfWeek);
    for (const SYSTEMTIME& time : {MakeSystemTime(2024, 2, 29, 23, 59, 59, 999), MakeSystemTime(1, 1, 1),
                                   MakeSystemTime(9999, 12, 31, 23, 59, 59, 999), MakeSystemTime(1899, 12, 30)})
        EXPECT_EQ(Text(DateTimeToSystemTime(SystemTimeToDateTime(time))), Text(time));
    SYSTEMTIME bad = MakeSystemTime(2023, 2, 29);
    EXPECT_EQ(ErrorMessageOf<EConvertError>([&] { SystemTimeToDateTime(bad); }), "Invalid argument to date encode");
}

TEST(DateTimeClock, NowDateAndTimeComeFromTheLocalClock)
{
    SYSTEMTIME before, after;
    GetLocalTime(&before);
    const TDateTime now = Now();
    const TDateTime date = Date();
    const TDateTime time = Time();
    GetLocalTime(&after);
    EXPECT_GE(now, SystemTimeToDateTime(before));
    EXPECT_LE(now, SystemTimeToDateTime(after));
    EXPECT_EQ(date, std::floor(static_cast<double>(date)));
    EXPECT_GE(date, std::floor(static_cast<double>(SystemTimeToDateTime(before))));
    EXPECT_LE(date, SystemTimeToDateTime(after));
    EXPECT_GE(time, 0.0);
    EXPECT_LT(time, 1.0);
    // Unless the clock passed midnight in between, time is the fraction of now, give or take the gap.
    if (before.wDay == after.wDay) {
        EXPECT_LT(std::fabs(time - (now - std::floor(static_cast<double>(now)))), 1.0 / 24 / 60);
    }
}

TEST(DateTimeText, FollowsTheSystemsShortDateAndTimeFormats)
{
    for (const SYSTEMTIME& day : {MakeSystemTime(2024, 2, 9), MakeSystemTime(1999, 12, 31), MakeSystemTime(1601, 1, 1),
                                  MakeSystemTime(2049, 10, 5), MakeSystemTime(9999, 11, 30)})
        EXPECT_EQ(DateToStr(SystemTimeToDateTime(day)), SystemDate(day));
    for (int hour : {0, 1, 9, 11, 12, 13, 23})
        for (int minute : {0, 5, 59}) {
            const SYSTEMTIME time = MakeSystemTime(2024, 2, 9, hour, minute, minute / 2);
            EXPECT_EQ(TimeToStr(SystemTimeToDateTime(time)), SystemTime(time));
        }
}

TEST(DateTimeText, PicturesMeanWhatTheyMeanToWindows)
{
    const SYSTEMTIME day = MakeSystemTime(2005, 3, 7, 14, 5, 9);
    const TDateTime value = SystemTimeToDateTime(day);
    for (const char* picture : {"dddd, MMMM d, yyyy", "ddd dd MMM yy", "d/M/yy", "yyyy-MM-dd", "MM/dd/yyyy",
                                "'Day' d 'of' MMMM", "d 'o''clock'", "dddddd MMMMM"})
        EXPECT_EQ(FormatDateTime(picture, value), SystemDate(day, picture)) << picture;
    for (const char* picture : {"HH:mm:ss", "H:m:s", "h:mm tt", "hh 't'", "t h", "'at' HH' h'"})
        EXPECT_EQ(FormatDateTime(picture, value), SystemTime(day, picture)) << picture;
    const SYSTEMTIME morning = MakeSystemTime(2005, 3, 7, 0, 7);
    for (const char* picture : {"h:mm tt", "hh:mm t", "HH:mm"})
        EXPECT_EQ(FormatDateTime(picture, SystemTimeToDateTime(morning)), SystemTime(morning, picture)) << picture;
}

TEST(DateTimeText, DateTimeLeavesOutMidnight)
{
    const TDateTime day = EncodeDate(2024, 2, 29);
    EXPECT_EQ(DateTimeToStr(day), DateToStr(day));
    const TDateTime noon = day + EncodeTime(12, 0, 0, 0);
    EXPECT_EQ(DateTimeToStr(noon), DateToStr(day) + " " + TimeToStr(noon));
    const TDateTime justAfter = day + EncodeTime(0, 0, 0, 1);
    EXPECT_EQ(DateTimeToStr(justAfter), DateToStr(day) + " " + TimeToStr(justAfter));
}

TEST(DateTimeParse, SystemTextRoundTrips)
{
    const TFormatSettings system = TFormatSettings::FromSystem();
    for (double date = EncodeDate(1, 1, 1); date < EncodeDate(9999, 12, 31); date += 7.0)
        ASSERT_EQ(static_cast<double>(StrToDate(DateToStr(date, system), system)), date) << DateToStr(date, system);
    for (int second = 0; second < 24 * 60 * 60; ++second) {
        const TDateTime time = static_cast<double>(second) / (24 * 60 * 60);
        ASSERT_TRUE(SameMoment(StrToTime(TimeToStr(time, system), system), time)) << TimeToStr(time, system);
    }
    const TDateTime moments[] = {EncodeDate(2024, 2, 29), EncodeDate(2024, 2, 29) + EncodeTime(0, 0, 1, 0),
                                 EncodeDate(1999, 12, 31) + EncodeTime(12, 0, 0, 0),
                                 EncodeDate(2000, 1, 1) + EncodeTime(23, 59, 59, 0)};
    for (const TDateTime value : moments)
        EXPECT_TRUE(SameMoment(StrToDateTime(DateTimeToStr(value)), value)) << DateTimeToStr(value);
}

TEST(DateTimeParse, SystemTextWithoutSecondsOrWithDesignators)
{
    const TFormatSettings system = TFormatSettings::FromSystem();
    const std::string& colon = system.TimeSeparator;
    EXPECT_TRUE(SameMoment(StrToTime("10" + colon + "30"), EncodeTime(10, 30, 0, 0)));
    EXPECT_TRUE(SameMoment(StrToTime(" 7" + colon + "05" + colon + "09 "), EncodeTime(7, 5, 9, 0)));
    if (!system.TimePMString.empty()) {
        EXPECT_TRUE(SameMoment(StrToTime("10" + colon + "30 " + system.TimePMString), EncodeTime(22, 30, 0, 0)));
        EXPECT_TRUE(SameMoment(StrToTime("12" + colon + "00 " + system.TimeAMString), 0.0));
        EXPECT_TRUE(SameMoment(StrToTime("12" + colon + "00 " + system.TimePMString), EncodeTime(12, 0, 0, 0)));
        EXPECT_TRUE(SameMoment(StrToTime(system.TimePMString + " 1" + colon + "05"), EncodeTime(13, 5, 0, 0)));
        EXPECT_TRUE(SameMoment(StrToTime("1" + colon + "05" + LowerCase(system.TimePMString)), EncodeTime(13, 5, 0, 0)));
    }
}

TEST(DateTimeParse, BadTextRaisesQuotingIt)
{
    for (const char* text : {"31/31/2020", "", "abc", "2/30/2020", "13/13/2020", "1/1", "1/1/2020x", "0/0/0"})
        EXPECT_EQ(ErrorMessageOf<EConvertError>([&] { StrToDate(text); }), "'" + std::string(text) + "' is not a valid date")
            << text;
    for (const char* text : {"25:00", "", "10", "10:60", "10:30:60", "10:30:", "x10:30", "13:00 PM", "0:30 AM"})
        EXPECT_EQ(ErrorMessageOf<EConvertError>([&] { StrToTime(text); }), "'" + std::string(text) + "' is not a valid time")
            << text;
    const TFormatSettings system = TFormatSettings::FromSystem();
    const std::string date = DateToStr(EncodeDate(2020, 1, 5));
    for (const std::string& text : {std::string("x"), date + " 25" + system.TimeSeparator + "00", date + " x",
                                    date + "10" + system.TimeSeparator + "00"})
        EXPECT_EQ(ErrorMessageOf<EConvertError>([&] { StrToDateTime(text); }), "'" + text + "' is not a valid date and time")
            << text;
}

TEST(DateTimeOtherSettings, DayFirstWithDots)
{
    const TFormatSettings german = German();
    EXPECT_EQ(DateToStr(EncodeDate(2024, 2, 1), german), "01.02.2024");
    EXPECT_EQ(DateToStr(EncodeDate(99, 1, 5), german), "05.01.0099");
    EXPECT_EQ(TimeToStr(EncodeTime(13, 5, 9, 0), german), "13:05:09");
    EXPECT_EQ(static_cast<double>(StrToDate("29.02.2024", german)), EncodeDate(2024, 2, 29));
    EXPECT_EQ(static_cast<double>(StrToDate("1.2.2024", german)), EncodeDate(2024, 2, 1));
    EXPECT_EQ(static_cast<double>(StrToDate("05.01.0099", german)), EncodeDate(99, 1, 5));
    EXPECT_TRUE(SameMoment(StrToDateTime("1.2.2024 13:05", german), EncodeDate(2024, 2, 1) + EncodeTime(13, 5, 0, 0)));
    EXPECT_EQ(ErrorMessageOf<EConvertError>([&] { StrToDate("2/1/2024", german); }), "'2/1/2024' is not a valid date");
    EXPECT_EQ(ErrorMessageOf<EConvertError>([&] { StrToDate("29.02.2023", german); }), "'29.02.2023' is not a valid date");
    EXPECT_EQ(ErrorMessageOf<EConvertError>([&] { StrToTime("1:05 PM", german); }), "'1:05 PM' is not a valid time");
}

TEST(DateTimeOtherSettings, TwoDigitYearsFallInTheWindow)
{
    TFormatSettings german = German();
    EXPECT_EQ(static_cast<double>(StrToDate("1.2.49", german)), EncodeDate(2049, 2, 1));
    EXPECT_EQ(static_cast<double>(StrToDate("1.2.50", german)), EncodeDate(1950, 2, 1));
    EXPECT_EQ(static_cast<double>(StrToDate("1.2.0", german)), EncodeDate(2000, 2, 1));
    EXPECT_EQ(static_cast<double>(StrToDate("1.2.99", german)), EncodeDate(1999, 2, 1));
    german.TwoDigitYearMax = 2029;
    EXPECT_EQ(static_cast<double>(StrToDate("1.2.30", german)), EncodeDate(1930, 2, 1));
    EXPECT_EQ(static_cast<double>(StrToDate("1.2.29", german)), EncodeDate(2029, 2, 1));
    // Three digits are a year as written.
    EXPECT_EQ(static_cast<double>(StrToDate("1.2.030", german)), EncodeDate(30, 2, 1));
}

TEST(DateTimeOtherSettings, YearFirstAndSeparatorsWithBlanks)
{
    TFormatSettings iso = German();
    iso.ShortDateFormat = "yyyy-MM-dd";
    iso.DateSeparator = "-";
    EXPECT_EQ(DateToStr(EncodeDate(2020, 1, 5), iso), "2020-01-05");
    EXPECT_EQ(static_cast<double>(StrToDate("2020-1-5", iso)), EncodeDate(2020, 1, 5));
    EXPECT_EQ(ErrorMessageOf<EConvertError>([&] { StrToDate("05-01-2020", iso); }), "'05-01-2020' is not a valid date");

    TFormatSettings hungarian = German();
    hungarian.ShortDateFormat = "yyyy. MM. dd.";
    hungarian.DateSeparator = ". ";
    const TDateTime day = EncodeDate(2020, 1, 5);
    EXPECT_EQ(DateToStr(day, hungarian), "2020. 01. 05.");
    EXPECT_EQ(static_cast<double>(StrToDate("2020. 01. 05.", hungarian)), day);
    EXPECT_EQ(static_cast<double>(StrToDate("2020.1.5", hungarian)), day);
    const TDateTime moment = day + EncodeTime(10, 0, 0, 0);
    EXPECT_TRUE(SameMoment(StrToDateTime(DateTimeToStr(moment, hungarian), hungarian), moment));
}

TEST(DateTimeOtherSettings, DesignatorsOfTheSettings)
{
    TFormatSettings settings = German();
    settings.LongTimeFormat = "tt h:mm:ss";
    settings.TimeAMString = "vorm.";
    settings.TimePMString = "nachm.";
    EXPECT_EQ(TimeToStr(EncodeTime(0, 5, 0, 0), settings), "vorm. 12:05:00");
    EXPECT_EQ(TimeToStr(EncodeTime(12, 5, 0, 0), settings), "nachm. 12:05:00");
    EXPECT_EQ(TimeToStr(EncodeTime(23, 5, 0, 0), settings), "nachm. 11:05:00");
    EXPECT_TRUE(SameMoment(StrToTime("nachm. 1:05", settings), EncodeTime(13, 5, 0, 0)));
    EXPECT_TRUE(SameMoment(StrToTime("1:05 NACHM.", settings), EncodeTime(13, 5, 0, 0)));
    EXPECT_TRUE(SameMoment(StrToTime("vorm. 12:05:30", settings), EncodeTime(0, 5, 30, 0)));
    EXPECT_EQ(ErrorMessageOf<EConvertError>([&] { StrToTime("1:05 PM", settings); }), "'1:05 PM' is not a valid time");
    EXPECT_EQ(ErrorMessageOf<EConvertError>([&] { StrToTime("13:05 nachm.", settings); }), "'13:05 nachm.' is not a valid time");
    EXPECT_EQ(ErrorMessageOf<EConvertError>([&] { StrToTime("vorm. 1:05 nachm.", settings); }),
              "'vorm. 1:05 nachm.' is not a valid time");
}

namespace {

decltype(&GetLocaleInfoA) RealGetLocaleInfoA = nullptr;

// A user who switched to ISO dates, a clock with dots and a decimal comma.
int WINAPI IsoLocaleInfo(LCID locale, LCTYPE flaggedType, LPSTR data, int size)
{
    // The framework asks for the text in the process's code page.
    const LCTYPE type = flaggedType & ~LCTYPE{LOCALE_USE_CP_ACP};
    const char* answer = type == LOCALE_SSHORTDATE    ? "yyyy-MM-dd"
                         : type == LOCALE_SDATE       ? "-"
                         : type == LOCALE_STIMEFORMAT ? "HH.mm.ss"
                         : type == LOCALE_STIME       ? "."
                         : type == LOCALE_SDECIMAL    ? ","
                                                      : nullptr;
    if (!answer)
        return RealGetLocaleInfoA(locale, flaggedType, data, size);
    const int length = static_cast<int>(std::strlen(answer)) + 1;
    if (size == 0)
        return length;
    if (size < length)
        return 0;
    std::memcpy(data, answer, static_cast<std::size_t>(length));
    return length;
}

} // namespace

TEST(DateTimeOtherSettings, ChangedSystemSettingsShowAtTheNextCall)
{
    RealGetLocaleInfoA = GetLocaleInfoA; // read from the import table before the patch replaces it
    const TDateTime moment = EncodeDate(2024, 2, 29) + EncodeTime(13, 5, 9, 0);
    const std::string before = DateTimeToStr(moment);
    {
        TImportPatch patch("kernel32.dll", "GetLocaleInfoA", IsoLocaleInfo);
        EXPECT_EQ(DateTimeToStr(moment), "2024-02-29 13.05.09");
        EXPECT_TRUE(SameMoment(StrToDateTime("2024-2-29 13.05.09"), moment));
        EXPECT_EQ(Format("%.1f", {2.5}), "2,5");
    }
    EXPECT_EQ(DateTimeToStr(moment), before);
}
