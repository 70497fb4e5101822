// The framework's string and number routines.
#include "framework/Strings.h"

#include "framework/Exceptions.h"
#include "framework/Win32.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

namespace {

// Without LOCALE_USE_CP_ACP the text comes in the locale's own code page, which is never UTF-8.
std::string LocaleText(LCTYPE type)
{
    char buffer[256];
    const int length = GetLocaleInfoA(LOCALE_USER_DEFAULT, type | LOCALE_USE_CP_ACP, buffer, sizeof buffer);
    return length > 0 ? std::string(buffer, static_cast<std::size_t>(length - 1)) : std::string();
}

int LocaleNumber(LCTYPE type)
{
    DWORD value = 0;
    GetLocaleInfoA(LOCALE_USER_DEFAULT, type | LOCALE_RETURN_NUMBER, reinterpret_cast<LPSTR>(&value),
                   sizeof value / sizeof(char));
    return static_cast<int>(value);
}

[[noreturn]] void FormatError(std::string_view fmt)
{
    throw EConvertError("Format '" + std::string(fmt) + "' invalid or incompatible with argument");
}

std::string ZeroPadded(std::string digits, int minDigits)
{
    if (static_cast<int>(digits.size()) < minDigits)
        digits.insert(0, static_cast<std::size_t>(minDigits) - digits.size(), '0');
    return digits;
}

std::string DecimalDigits(std::uint64_t value)
{
    char buffer[24];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

// C writes the exponent as e+07; the framework's forms are E+007 (e) and E7 (g).
std::string WithExponent(const std::string& text, int minDigits, bool plusSign)
{
    const std::size_t e = text.find('e');
    if (e == std::string::npos)
        return text;
    const bool negative = text[e + 1] == '-';
    std::string digits = text.substr(e + 2);
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
    return text.substr(0, e) + 'E' + (negative ? "-" : plusSign ? "+" : "") + ZeroPadded(digits, minDigits);
}

// Puts the regional separators into C's "-1234.5" or "1.5e+07".
std::string LocalNumber(const std::string& text, bool thousands, const TFormatSettings& settings)
{
    const std::size_t point = std::min(text.find('.'), text.size());
    std::string result = text.substr(0, point);
    if (thousands) {
        const std::size_t begin = result[0] == '-' ? 1 : 0;
        for (std::size_t i = point; i > begin + 3; i -= 3)
            result.insert(i - 3, settings.ThousandSeparator);
    }
    if (point < text.size())
        result += settings.DecimalSeparator + text.substr(point + 1);
    return result;
}

std::string ToChars(double value, std::chars_format form, int precision)
{
    char buffer[400];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value, form, precision).ptr);
}

// Rounding to nothing drops the sign: -0.001 with two decimals is 0.00, not -0.00.
std::string FixedText(double value, int decimals)
{
    std::string text = ToChars(value, std::chars_format::fixed, std::clamp(decimals, 0, 18));
    if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos)
        text.erase(0, 1);
    return text;
}

std::string MoneyText(double value, int decimals, const TFormatSettings& settings)
{
    // The Windows currency patterns: '$' stands for the currency string, '1' for the amount.
    static const char* const positive[] = {"$1", "1$", "$ 1", "1 $"};
    static const char* const negative[] = {"($1)", "-$1",  "$-1",  "$1-",  "(1$)", "-1$",  "1-$",   "1$-",
                                           "-1 $", "-$ 1", "1 $-", "$ 1-", "$ -1", "1- $", "($ 1)", "(1 $)"};
    std::string amount = FixedText(value, decimals);
    const bool isNegative = amount[0] == '-';
    if (isNegative)
        amount.erase(0, 1);
    amount = LocalNumber(amount, true, settings);
    const std::string_view pattern = isNegative ? negative[std::clamp(settings.NegCurrFormat, 0, 15)]
                                                : positive[std::clamp(settings.CurrencyFormat, 0, 3)];
    std::string text;
    for (char c : pattern)
        text += c == '$' ? settings.CurrencyString : c == '1' ? amount : std::string(1, c);
    return text;
}

std::string FloatText(char type, double value, std::optional<int> precision, const TFormatSettings& settings)
{
    if (!std::isfinite(value))
        return std::isnan(value) ? "NAN" : value < 0 ? "-INF" : "INF";
    switch (type) {
    case 'e': {
        const int digits = std::clamp(precision.value_or(15), 1, 17);
        return LocalNumber(WithExponent(ToChars(value, std::chars_format::scientific, digits - 1), 3, true), false,
                           settings);
    }
    case 'g': {
        const int digits = std::clamp(precision.value_or(15), 1, 17);
        return LocalNumber(WithExponent(ToChars(value, std::chars_format::general, digits), 1, false), false,
                           settings);
    }
    case 'f':
        return LocalNumber(FixedText(value, precision.value_or(2)), false, settings);
    case 'n':
        return LocalNumber(FixedText(value, precision.value_or(2)), true, settings);
    default: // 'm'
        return MoneyText(value, precision.value_or(settings.CurrencyDecimals), settings);
    }
}

std::optional<int> ParseInteger(std::string_view text)
{
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+'))
        ++i;
    unsigned base = 10;
    if (text.substr(i, 1) == "$") {
        base = 16;
        i += 1;
    } else if (text.substr(i, 2) == "0x" || text.substr(i, 2) == "0X") {
        base = 16;
        i += 2;
    }
    if (i == text.size())
        return std::nullopt;
    // Hexadecimal text is a bit pattern and may fill all 32 bits; decimal text is a signed value.
    const std::uint64_t limit = base == 16 ? 0xFFFFFFFFu : negative ? 0x80000000u : 0x7FFFFFFFu;
    std::uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        const unsigned digit = c >= '0' && c <= '9'   ? unsigned(c - '0')
                               : c >= 'a' && c <= 'f' ? unsigned(c - 'a' + 10)
                               : c >= 'A' && c <= 'F' ? unsigned(c - 'A' + 10)
                                                      : 16u;
        if (digit >= base)
            return std::nullopt;
        magnitude = magnitude * base + digit;
        if (magnitude > limit)
            return std::nullopt;
    }
    const std::uint32_t bits = static_cast<std::uint32_t>(magnitude);
    return static_cast<int>(negative ? 0u - bits : bits);
}

char AsciiUpper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// CompareStringA would read the text in the locale's code page, not the process's.
int AnsiCompare(std::string_view a, std::string_view b, DWORD flags)
{
    const std::wstring wideA = AnsiToWide(a);
    const std::wstring wideB = AnsiToWide(b);
    return CompareStringW(LOCALE_USER_DEFAULT, flags, wideA.c_str(), static_cast<int>(wideA.size()), wideB.c_str(),
                          static_cast<int>(wideB.size())) -
           CSTR_EQUAL;
}

// ---------------------------------------------------------------------------------------------------
// UTF-8 and the code page's characters

UINT ProcessCodePage()
{
    static const UINT codePage = GetACP();
    return codePage;
}

bool DoubleByteCodePage()
{
    static const bool doubleByte = [] {
        CPINFO info{};
        return GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 2;
    }();
    return doubleByte;
}

// The length of the well-formed UTF-8 character at the start of text, 0 when text starts with none
// (no overlong forms, no surrogates, nothing beyond U+10FFFF).
std::size_t Utf8Length(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : low;
        high = lead == 0xED ? 0x9F : high;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : low;
        high = lead == 0xF4 ? 0x8F : high;
    } else
        return 0;
    if (text.size() < length || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return 0;
    return length;
}

// The code point of a well-formed character of length bytes.
char32_t Utf8Decode(std::string_view text, std::size_t length)
{
    static constexpr unsigned char leadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    char32_t code = static_cast<unsigned char>(text[0]) & leadMask[length];
    for (std::size_t i = 1; i < length; ++i)
        code = code << 6 | (static_cast<unsigned char>(text[i]) & 0x3F);
    return code;
}

void AppendUtf8(std::string& text, char32_t code)
{
    const auto add = [&](unsigned value) { text += static_cast<char>(value); };
    if (code < 0x80)
        add(code);
    else if (code < 0x800) {
        add(0xC0 | code >> 6);
        add(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        add(0xE0 | code >> 12);
        add(0x80 | (code >> 6 & 0x3F));
        add(0x80 | (code & 0x3F));
    } else {
        add(0xF0 | code >> 18);
        add(0x80 | (code >> 12 & 0x3F));
        add(0x80 | (code >> 6 & 0x3F));
        add(0x80 | (code & 0x3F));
    }
}

void AppendUtf16(std::wstring& text, char32_t code)
{
    if (code < 0x10000) {
        text += static_cast<wchar_t>(code);
        return;
    }
    code -= 0x10000;
    text += static_cast<wchar_t>(0xD800 | code >> 10);
    text += static_cast<wchar_t>(0xDC00 | (code & 0x3FF));
}

// UTF-16 back to UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::wstring_view text)
{
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t code = text[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            code = 0x10000 + ((code - 0xD800) << 10 | (text[++i] - 0xDC00u));
        else if (code >= 0xD800 && code <= 0xDFFF)
            code = 0xFFFD;
        AppendUtf8(result, code);
    }
    return result;
}

// CharUpperBuffA and CharLowerBuffA change the text in place, so they cannot give a character of
// another length. Under UTF-8 the runs of whole characters go through the wide call instead, and the
// stray bytes between them stay.
std::string ChangedCase(std::string_view text, DWORD(WINAPI* wideCall)(LPWSTR, DWORD),
                        DWORD(WINAPI* ansiCall)(LPSTR, DWORD))
{
    if (!AnsiCodePageIsUtf8()) {
        std::string result(text);
        ansiCall(result.data(), static_cast<DWORD>(result.size()));
        return result;
    }
    std::string result;
    std::wstring run;
    const auto endRun = [&] {
        wideCall(run.data(), static_cast<DWORD>(run.size()));
        result += Utf16ToUtf8(run);
        run.clear();
    };
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8Length(text.substr(i));
        if (length == 0) {
            endRun();
            result += text[i++];
            continue;
        }
        AppendUtf16(run, Utf8Decode(text.substr(i), length));
        i += length;
    }
    endRun();
    return result;
}

} // namespace

TFormatSettings TFormatSettings::FromSystem()
{
    TFormatSettings settings;
    settings.DecimalSeparator = LocaleText(LOCALE_SDECIMAL);
    settings.ThousandSeparator = LocaleText(LOCALE_STHOUSAND);
    settings.CurrencyString = LocaleText(LOCALE_SCURRENCY);
    settings.CurrencyFormat = LocaleNumber(LOCALE_ICURRENCY);
    settings.NegCurrFormat = LocaleNumber(LOCALE_INEGCURR);
    settings.CurrencyDecimals = LocaleNumber(LOCALE_ICURRDIGITS);
    settings.DateSeparator = LocaleText(LOCALE_SDATE);
    settings.TimeSeparator = LocaleText(LOCALE_STIME);
    settings.ShortDateFormat = LocaleText(LOCALE_SSHORTDATE);
    settings.LongTimeFormat = LocaleText(LOCALE_STIMEFORMAT);
    settings.TimeAMString = LocaleText(LOCALE_S1159);
    settings.TimePMString = LocaleText(LOCALE_S2359);
    for (LCTYPE i = 0; i < 12; ++i) {
        settings.ShortMonthNames[i] = LocaleText(LOCALE_SABBREVMONTHNAME1 + i);
        settings.LongMonthNames[i] = LocaleText(LOCALE_SMONTHNAME1 + i);
    }
    // Windows counts the days from Monday.
    for (LCTYPE i = 0; i < 7; ++i) {
        settings.ShortDayNames[i] = LocaleText(LOCALE_SABBREVDAYNAME1 + (i + 6) % 7);
        settings.LongDayNames[i] = LocaleText(LOCALE_SDAYNAME1 + (i + 6) % 7);
    }
    DWORD yearMax = 0;
    if (GetCalendarInfoA(LOCALE_USER_DEFAULT, CAL_GREGORIAN, CAL_ITWODIGITYEARMAX | CAL_RETURN_NUMBER, nullptr, 0,
                         &yearMax)) {
        settings.TwoDigitYearMax = static_cast<int>(yearMax);
    } else {
        // No rule from the system: the hundred years around today.
        SYSTEMTIME now;
        GetLocalTime(&now);
        settings.TwoDigitYearMax = now.wYear + 49;
    }
    return settings;
}

std::string Format(std::string_view fmt, std::initializer_list<TVarRec> args)
{
    return Format(fmt, args, TFormatSettings::FromSystem());
}

std::string Format(std::string_view fmt, std::initializer_list<TVarRec> args, const TFormatSettings& settings)
{
    std::string result;
    std::size_t i = 0;
    std::size_t nextArg = 0;
    const auto peek = [&] { return i < fmt.size() ? fmt[i] : '\0'; };
    const auto takeArg = [&]() -> const TVarRec::TValue& {
        if (nextArg >= args.size())
            FormatError(fmt);
        return args.begin()[nextArg++].Value();
    };
    // Digits, or '*' for the next argument; nothing when neither is there.
    const auto count = [&]() -> std::optional<int> {
        if (peek() == '*') {
            ++i;
            const auto* integer = std::get_if<TVarRec::TInteger>(&takeArg());
            if (!integer)
                FormatError(fmt);
            return static_cast<int>(std::clamp<std::int64_t>(integer->Value, -1000000, 1000000));
        }
        if (peek() < '0' || peek() > '9')
            return std::nullopt;
        int value = 0;
        for (; peek() >= '0' && peek() <= '9'; ++i)
            if ((value = value * 10 + (peek() - '0')) > 1000000)
                FormatError(fmt);
        return value;
    };

    while (i < fmt.size()) {
        if (fmt[i] != '%') {
            result += fmt[i++];
            continue;
        }
        ++i;
        if (peek() == '%') {
            result += fmt[i++];
            continue;
        }
        std::optional<int> number = count();
        if (number && peek() == ':') {
            ++i;
            nextArg = static_cast<std::size_t>(std::max(*number, 0));
            number = count();
        }
        bool leftAlign = false;
        if (!number && peek() == '-') {
            ++i;
            leftAlign = true;
            number = count();
        }
        const int width = number.value_or(0);
        std::optional<int> precision;
        if (peek() == '.') {
            ++i;
            if (!(precision = count()))
                FormatError(fmt);
        }
        const char type = AsciiLower(peek());
        ++i;

        const TVarRec::TValue& value = takeArg();
        const auto* integer = std::get_if<TVarRec::TInteger>(&value);
        std::string text;
        switch (type) {
        case 'd':
            if (!integer)
                FormatError(fmt);
            text = ZeroPadded(DecimalDigits(integer->Value < 0 ? 0 - static_cast<std::uint64_t>(integer->Value)
                                                               : static_cast<std::uint64_t>(integer->Value)),
                              precision.value_or(0));
            if (integer->Value < 0)
                text.insert(0, 1, '-');
            break;
        case 'u':
            if (!integer)
                FormatError(fmt);
            text = ZeroPadded(DecimalDigits(integer->Bits), precision.value_or(0));
            break;
        case 'x':
            if (!integer)
                FormatError(fmt);
            text = StringsDetail::HexDigits(integer->Bits, precision.value_or(0));
            break;
        case 's':
            if (const auto* string = std::get_if<std::string>(&value))
                text = *string;
            else if (const auto* c = std::get_if<char>(&value))
                text = std::string(1, *c);
            else
                FormatError(fmt);
            if (precision && *precision >= 0)
                text = AnsiLeftChars(text, static_cast<std::size_t>(*precision));
            break;
        case 'e':
        case 'f':
        case 'g':
        case 'n':
        case 'm':
            if (const auto* real = std::get_if<double>(&value))
                text = FloatText(type, *real, precision, settings);
            else
                FormatError(fmt);
            break;
        case 'p':
            if (const auto* pointer = std::get_if<const void*>(&value))
                text = StringsDetail::HexDigits(reinterpret_cast<std::uintptr_t>(*pointer), sizeof(void*) * 2);
            else
                FormatError(fmt);
            break;
        default:
            FormatError(fmt);
        }
        const std::size_t padding = static_cast<std::size_t>(std::max(width, 0));
        if (const std::size_t characters = AnsiCharCount(text); characters < padding)
            text.insert(leftAlign ? text.size() : 0, padding - characters, ' ');
        result += text;
    }
    return result;
}

std::string IntToStr(std::int64_t value)
{
    return std::to_string(value);
}

std::string StringsDetail::HexDigits(std::uint64_t bits, int digits)
{
    char buffer[16];
    std::string text(buffer, std::to_chars(buffer, buffer + sizeof buffer, bits, 16).ptr);
    std::transform(text.begin(), text.end(), text.begin(), AsciiUpper);
    return ZeroPadded(std::move(text), digits);
}

int StrToInt(std::string_view text)
{
    if (const std::optional<int> value = ParseInteger(text))
        return *value;
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
}

int StrToIntDef(std::string_view text, int defaultValue)
{
    return ParseInteger(text).value_or(defaultValue);
}

std::string Trim(std::string_view text)
{
    const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return std::string(text);
}

std::string UpperCase(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), AsciiUpper);
    return result;
}

std::string LowerCase(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), AsciiLower);
    return result;
}

bool AnsiCodePageIsUtf8()
{
    return ProcessCodePage() == CP_UTF8;
}

std::size_t AnsiCharLength(std::string_view text, std::size_t index)
{
    if (index >= text.size())
        return 0;
    if (AnsiCodePageIsUtf8())
        return std::max<std::size_t>(Utf8Length(text.substr(index)), 1);
    if (DoubleByteCodePage() && index + 1 < text.size() &&
        IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(text[index])))
        return 2;
    return 1;
}

std::size_t AnsiCharCount(std::string_view text)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); i += AnsiCharLength(text, i))
        ++count;
    return count;
}

std::string AnsiLeftChars(std::string_view text, std::size_t count)
{
    std::size_t end = 0;
    for (; count > 0 && end < text.size(); --count)
        end += AnsiCharLength(text, end);
    return std::string(text.substr(0, end));
}

std::string AnsiLeftBytes(std::string_view text, std::size_t bytes)
{
    std::size_t end = 0;
    for (std::size_t next; end < text.size() && (next = end + AnsiCharLength(text, end)) <= bytes;)
        end = next;
    return std::string(text.substr(0, end));
}

std::optional<char32_t> Utf8CharCode(std::string_view text, std::size_t index)
{
    if (!AnsiCodePageIsUtf8() || index >= text.size())
        return std::nullopt;
    const std::size_t length = Utf8Length(text.substr(index));
    if (length == 0)
        return std::nullopt;
    return Utf8Decode(text.substr(index), length);
}

std::wstring AnsiToWide(std::string_view text)
{
    std::wstring wide;
    if (AnsiCodePageIsUtf8()) {
        wide.reserve(text.size());
        for (std::size_t i = 0; i < text.size();) {
            const std::size_t length = Utf8Length(text.substr(i));
            AppendUtf16(wide, length == 0 ? U'\uFFFD' : Utf8Decode(text.substr(i), length));
            i += std::max<std::size_t>(length, 1);
        }
        return wide;
    }
    if (text.empty())
        return wide;
    wide.resize(text.size()); // never more UTF-16 units than bytes
    wide.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), static_cast<int>(wide.size()))));
    return wide;
}

std::string WideToAnsi(std::wstring_view text)
{
    std::string narrow;
    if (text.empty())
        return narrow;
    const int size = static_cast<int>(text.size());
    narrow.resize(static_cast<std::size_t>(WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, nullptr)));
    narrow.resize(static_cast<std::size_t>(WideCharToMultiByte(CP_ACP, 0, text.data(), size, narrow.data(),
                                                               static_cast<int>(narrow.size()), nullptr, nullptr)));
    return narrow;
}

std::optional<std::string> AnsiChar(char32_t code)
{
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return std::nullopt;
    std::string text;
    if (AnsiCodePageIsUtf8()) {
        AppendUtf8(text, code);
        return text;
    }
    std::wstring wide;
    AppendUtf16(wide, code);
    char buffer[8];
    BOOL usedDefault = FALSE;
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                                           buffer, sizeof buffer, nullptr, &usedDefault);
    if (length <= 0 || usedDefault)
        return std::nullopt;
    return std::string(buffer, static_cast<std::size_t>(length));
}

std::string AnsiUpperCase(std::string_view text)
{
    return ChangedCase(text, CharUpperBuffW, CharUpperBuffA);
}

std::string AnsiLowerCase(std::string_view text)
{
    return ChangedCase(text, CharLowerBuffW, CharLowerBuffA);
}

int CompareText(std::string_view a, std::string_view b)
{
    const std::size_t length = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned char ca = static_cast<unsigned char>(AsciiUpper(a[i]));
        const unsigned char cb = static_cast<unsigned char>(AsciiUpper(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

bool SameText(std::string_view a, std::string_view b)
{
    return CompareText(a, b) == 0;
}

bool IsValidIdent(std::string_view text)
{
    auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (text.empty() || !letter(text[0]))
        return false;
    return std::all_of(text.begin() + 1, text.end(), [&](char c) { return letter(c) || digit(c); });
}

int AnsiCompareText(std::string_view a, std::string_view b)
{
    return AnsiCompare(a, b, NORM_IGNORECASE);
}

int AnsiCompareStr(std::string_view a, std::string_view b)
{
    return AnsiCompare(a, b, 0);
}

void AnsiSortText(std::vector<std::string>& texts)
{
    std::vector<std::pair<std::wstring, std::size_t>> keys;
    keys.reserve(texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i)
        keys.emplace_back(AnsiToWide(texts[i]), i);
    std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) {
        return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.first.c_str(), static_cast<int>(a.first.size()),
                              b.first.c_str(), static_cast<int>(b.first.size())) == CSTR_LESS_THAN;
    });
    std::vector<std::string> sorted;
    sorted.reserve(texts.size());
    for (const auto& key : keys)
        sorted.push_back(std::move(texts[key.second]));
    texts = std::move(sorted);
}
