// The framework's date and time routines.
#include "framework/DateTime.h"

#include "framework/Exceptions.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>

namespace {

constexpr std::int64_t MSecsPerDay = 24 * 60 * 60 * 1000;

// Days from 1 January 1970 in the proleptic Gregorian calendar (after H. Hinnant's civil-date algorithms).
constexpr std::int64_t DaysFromCivil(std::int64_t year, int month, int day)
{
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

constexpr std::int64_t DayZero = DaysFromCivil(1899, 12, 30);

struct TCivilDate {
    int Year;
    int Month;
    int Day;
};

TCivilDate CivilFromDays(std::int64_t days)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    const int month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    return {static_cast<int>(yearOfEra + era * 400 + (month <= 2)), month, day};
}

int DaysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

// A value as whole days and milliseconds into the day, rounded once so that date and time agree.
struct TDayAndTime {
    std::int64_t Days;
    std::int64_t MSecs;
};

TDayAndTime Split(double value)
{
    if (!(value > -693594.0 && value < 2958466.0))
        throw EConvertError("Invalid date and time value");
    const double days = std::trunc(value);
    TDayAndTime split{static_cast<std::int64_t>(days), std::llround(std::fabs(value - days) * MSecsPerDay)};
    if (split.MSecs == MSecsPerDay) {
        split.MSecs = 0;
        split.Days += value < 0 ? -1 : 1;
    }
    return split;
}

// The time runs forward from the start of the day also before day 0, where the days count down.
TDateTime Combine(double date, double time)
{
    return date < 0 ? date - time : date + time;
}

std::optional<TDateTime> TryEncodeDate(int year, int month, int day)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return std::nullopt;
    return static_cast<double>(DaysFromCivil(year, month, day) - DayZero);
}

std::optional<TDateTime> TryEncodeTime(int hour, int minute, int second, int msec)
{
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 || msec > 999)
        return std::nullopt;
    return static_cast<double>(((hour * 60 + minute) * 60 + second) * 1000 + msec) / MSecsPerDay;
}

std::string Digits(int value, std::size_t width)
{
    std::string text = std::to_string(value);
    return std::string(width - std::min(width, text.size()), '0') + text;
}

// Reads the text of a date or time field by field.
class TScanner {
public:
    explicit TScanner(std::string_view text) : FText(text) {}

    bool AtEnd() const { return FPos == FText.size(); }

    // Returns whether there were any blanks.
    bool SkipBlanks()
    {
        const std::size_t start = FPos;
        while (FPos < FText.size() && FText[FPos] == ' ')
            ++FPos;
        return FPos > start;
    }

    // One to maxDigits digits; digits tells how many there were.
    std::optional<int> Number(int maxDigits, int& digits)
    {
        int value = 0;
        for (digits = 0; digits < maxDigits && FPos < FText.size() && FText[FPos] >= '0' && FText[FPos] <= '9';
             ++digits)
            value = value * 10 + (FText[FPos++] - '0');
        return digits > 0 ? std::optional<int>(value) : std::nullopt;
    }

    // A separator or designator, ignoring case.
    bool Match(std::string_view word)
    {
        if (word.empty() || !SameText(FText.substr(FPos, word.size()), word))
            return false;
        FPos += word.size();
        return true;
    }

    // The separator without its blanks, which the text may have or leave out (". ", " - ").
    bool MatchSeparator(std::string_view separator)
    {
        const std::string bare = Trim(separator);
        SkipBlanks();
        return bare.empty() || Match(bare);
    }

    // An AM or PM designator, if there is one: true for PM.
    std::optional<bool> Designator(const TFormatSettings& settings)
    {
        if (Match(settings.TimeAMString))
            return false;
        if (Match(settings.TimePMString))
            return true;
        return std::nullopt;
    }

private:
    std::string_view FText;
    std::size_t FPos = 0;
};

std::optional<TDateTime> ScanDate(TScanner& scanner, const TFormatSettings& settings)
{
    // The fields in the order the short date picture names them.
    std::string order;
    bool quoted = false;
    for (char c : settings.ShortDateFormat) {
        if (c == '\'')
            quoted = !quoted;
        else if (!quoted && (c == 'd' || c == 'M' || c == 'y') && order.find(c) == std::string::npos)
            order += c;
    }
    if (order.size() != 3)
        return std::nullopt;
    int day = 0, month = 0, year = 0, yearDigits = 0;
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (i > 0 && !scanner.MatchSeparator(settings.DateSeparator))
            return std::nullopt;
        scanner.SkipBlanks();
        int digits = 0;
        const std::optional<int> number = scanner.Number(order[i] == 'y' ? 4 : 2, digits);
        if (!number)
            return std::nullopt;
        if (order[i] == 'y')
            yearDigits = digits;
        (order[i] == 'd' ? day : order[i] == 'M' ? month : year) = *number;
    }
    // Some pictures end in the separator ("yyyy.MM.dd.").
    TScanner rest = scanner;
    if (rest.MatchSeparator(settings.DateSeparator) && !Trim(settings.DateSeparator).empty())
        scanner = rest;
    if (yearDigits <= 2)
        year = settings.TwoDigitYearMax - (settings.TwoDigitYearMax - year) % 100;
    return TryEncodeDate(year, month, day);
}

std::optional<TDateTime> ScanTime(TScanner& scanner, const TFormatSettings& settings)
{
    scanner.SkipBlanks();
    std::optional<bool> pm = scanner.Designator(settings);
    scanner.SkipBlanks();
    int digits = 0;
    const std::optional<int> hour = scanner.Number(2, digits);
    if (!hour || !scanner.MatchSeparator(settings.TimeSeparator))
        return std::nullopt;
    const std::optional<int> minute = scanner.Number(2, digits);
    if (!minute)
        return std::nullopt;
    int second = 0;
    TScanner rest = scanner;
    if (rest.MatchSeparator(settings.TimeSeparator)) {
        const std::optional<int> seconds = rest.Number(2, digits);
        if (!seconds)
            return std::nullopt;
        second = *seconds;
        scanner = rest;
    }
    scanner.SkipBlanks();
    if (!pm)
        pm = scanner.Designator(settings);
    int hour24 = *hour;
    if (pm) {
        if (*hour < 1 || *hour > 12)
            return std::nullopt;
        hour24 = *hour % 12 + (*pm ? 12 : 0);
    }
    return TryEncodeTime(hour24, *minute, second, 0);
}

// The whole text must be read; blanks around it are allowed.
template <class TScan>
TDateTime ScanAll(std::string_view text, const char* what, TScan scan)
{
    TScanner scanner(text);
    scanner.SkipBlanks();
    std::optional<TDateTime> value = scan(scanner);
    scanner.SkipBlanks();
    if (!value || !scanner.AtEnd())
        throw EConvertError("'" + std::string(text) + "' is not a valid " + what);
    return *value;
}

} // namespace

TDateTime Now()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return SystemTimeToDateTime(now);
}

TDateTime Date()
{
    return std::trunc(static_cast<double>(Now()));
}

TDateTime Time()
{
    const double now = Now();
    return now - std::trunc(now);
}

TDateTime EncodeDate(int year, int month, int day)
{
    if (const std::optional<TDateTime> date = TryEncodeDate(year, month, day))
        return *date;
    throw EConvertError("Invalid argument to date encode");
}

TDateTime EncodeTime(int hour, int minute, int second, int msec)
{
    if (const std::optional<TDateTime> time = TryEncodeTime(hour, minute, second, msec))
        return *time;
    throw EConvertError("Invalid argument to time encode");
}

void DecodeDate(TDateTime value, int& year, int& month, int& day)
{
    const TCivilDate date = CivilFromDays(Split(value).Days + DayZero);
    year = date.Year;
    month = date.Month;
    day = date.Day;
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec)
{
    const std::int64_t msecs = Split(value).MSecs;
    hour = static_cast<int>(msecs / 3600000);
    minute = static_cast<int>(msecs / 60000 % 60);
    second = static_cast<int>(msecs / 1000 % 60);
    msec = static_cast<int>(msecs % 1000);
}

int DayOfWeek(TDateTime value)
{
    // Day 0 was a Saturday.
    return static_cast<int>((Split(value).Days % 7 + 13) % 7) + 1;
}

bool IsLeapYear(int year)
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

TDateTime SystemTimeToDateTime(const SYSTEMTIME& time)
{
    return Combine(EncodeDate(time.wYear, time.wMonth, time.wDay),
                   EncodeTime(time.wHour, time.wMinute, time.wSecond, time.wMilliseconds));
}

SYSTEMTIME DateTimeToSystemTime(TDateTime value)
{
    int year, month, day, hour, minute, second, msec;
    DecodeDate(value, year, month, day);
    DecodeTime(value, hour, minute, second, msec);
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(year);
    time.wMonth = static_cast<WORD>(month);
    time.wDayOfWeek = static_cast<WORD>(DayOfWeek(value) - 1);
    time.wDay = static_cast<WORD>(day);
    time.wHour = static_cast<WORD>(hour);
    time.wMinute = static_cast<WORD>(minute);
    time.wSecond = static_cast<WORD>(second);
    time.wMilliseconds = static_cast<WORD>(msec);
    return time;
}

std::string FormatDateTime(std::string_view picture, TDateTime value)
{
    return FormatDateTime(picture, value, TFormatSettings::FromSystem());
}

std::string FormatDateTime(std::string_view picture, TDateTime value, const TFormatSettings& settings)
{
    int year, month, day, hour, minute, second, msec;
    DecodeDate(value, year, month, day);
    DecodeTime(value, hour, minute, second, msec);
    const int weekDay = DayOfWeek(value) - 1;
    const int hour12 = hour % 12 == 0 ? 12 : hour % 12;
    const std::string& designator = hour < 12 ? settings.TimeAMString : settings.TimePMString;

    std::string text;
    for (std::size_t i = 0; i < picture.size();) {
        const char c = picture[i];
        if (c == '\'') {
            for (++i; i < picture.size(); ++i) {
                if (picture[i] == '\'' && (i + 1 == picture.size() || picture[i + 1] != '\'')) {
                    ++i;
                    break;
                }
                if (picture[i] == '\'')
                    ++i;
                text += picture[i];
            }
            continue;
        }
        std::size_t run = 1;
        while (i + run < picture.size() && picture[i + run] == c)
            ++run;
        const std::size_t width = std::min<std::size_t>(run, 2);
        switch (c) {
        case 'd':
            text += run == 3 ? settings.ShortDayNames[weekDay]
                    : run > 3 ? settings.LongDayNames[weekDay]
                              : Digits(day, width);
            break;
        case 'M':
            text += run == 3 ? settings.ShortMonthNames[month - 1]
                    : run > 3 ? settings.LongMonthNames[month - 1]
                              : Digits(month, width);
            break;
        case 'y':
            text += run > 2 ? Digits(year, 4) : Digits(year % 100, width);
            break;
        case 'h':
            text += Digits(hour12, width);
            break;
        case 'H':
            text += Digits(hour, width);
            break;
        case 'm':
            text += Digits(minute, width);
            break;
        case 's':
            text += Digits(second, width);
            break;
        case 't':
            text += run >= 2 ? designator : designator.substr(0, 1);
            break;
        default:
            text.append(run, c);
        }
        i += run;
    }
    return text;
}

std::string DateToStr(TDateTime value)
{
    return DateToStr(value, TFormatSettings::FromSystem());
}

std::string DateToStr(TDateTime value, const TFormatSettings& settings)
{
    return FormatDateTime(settings.ShortDateFormat, value, settings);
}

std::string TimeToStr(TDateTime value)
{
    return TimeToStr(value, TFormatSettings::FromSystem());
}

std::string TimeToStr(TDateTime value, const TFormatSettings& settings)
{
    return FormatDateTime(settings.LongTimeFormat, value, settings);
}

std::string DateTimeToStr(TDateTime value)
{
    return DateTimeToStr(value, TFormatSettings::FromSystem());
}

std::string DateTimeToStr(TDateTime value, const TFormatSettings& settings)
{
    std::string text = DateToStr(value, settings);
    if (Split(value).MSecs != 0)
        text += ' ' + TimeToStr(value, settings);
    return text;
}

TDateTime StrToDate(std::string_view text)
{
    return StrToDate(text, TFormatSettings::FromSystem());
}

TDateTime StrToDate(std::string_view text, const TFormatSettings& settings)
{
    return ScanAll(text, "date", [&](TScanner& scanner) { return ScanDate(scanner, settings); });
}

TDateTime StrToTime(std::string_view text)
{
    return StrToTime(text, TFormatSettings::FromSystem());
}

TDateTime StrToTime(std::string_view text, const TFormatSettings& settings)
{
    return ScanAll(text, "time", [&](TScanner& scanner) { return ScanTime(scanner, settings); });
}

TDateTime StrToDateTime(std::string_view text)
{
    return StrToDateTime(text, TFormatSettings::FromSystem());
}

TDateTime StrToDateTime(std::string_view text, const TFormatSettings& settings)
{
    return ScanAll(text, "date and time", [&](TScanner& scanner) -> std::optional<TDateTime> {
        const std::optional<TDateTime> date = ScanDate(scanner, settings);
        if (!date || !scanner.SkipBlanks() || scanner.AtEnd())
            return date;
        const std::optional<TDateTime> time = ScanTime(scanner, settings);
        if (!time)
            return std::nullopt;
        return Combine(*date, *time);
    });
}
