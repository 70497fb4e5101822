// The framework's string and number routines: Format, integer text in decimal and hexadecimal, trimming,
// case conversion and comparison, and the regional settings they (and the date routines) format with.
//
// The plain routines are byte-wise ASCII; the Ansi ones follow the user's locale and the process's ANSI
// code page, and so do the routines on the characters of that code page.
#pragma once

#include <array>
#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

// The user's regional settings for numbers, money, dates and times. FromSystem reads them afresh on every
// call, so a change in the control panel shows at the next conversion; the overloads that take a
// TFormatSettings let a caller format for other conventions (fill in every field then).
struct TFormatSettings {
    std::string DecimalSeparator;
    std::string ThousandSeparator;
    std::string CurrencyString;
    int CurrencyFormat = 0; // position of the currency string, LOCALE_ICURRENCY (0 to 3)
    int NegCurrFormat = 0;  // pattern of a negative amount, LOCALE_INEGCURR (0 to 15)
    int CurrencyDecimals = 0;
    std::string DateSeparator;
    std::string TimeSeparator;
    std::string ShortDateFormat; // Windows picture, e.g. "M/d/yyyy"
    std::string LongTimeFormat;  // Windows picture, e.g. "h:mm:ss tt"
    std::string TimeAMString;
    std::string TimePMString;
    std::array<std::string, 12> ShortMonthNames;
    std::array<std::string, 12> LongMonthNames;
    std::array<std::string, 7> ShortDayNames; // [0] is Sunday
    std::array<std::string, 7> LongDayNames;
    // A two-digit year yy means the year ending in yy within TwoDigitYearMax - 99 .. TwoDigitYearMax.
    int TwoDigitYearMax = 0;

    static TFormatSettings FromSystem();
};

// One argument of Format.
class TVarRec {
public:
    // An integer keeps the bit pattern of its own type for %u and %x, so a negative int shows as eight
    // hexadecimal digits and a negative int64 as sixteen.
    struct TInteger {
        std::int64_t Value;
        std::uint64_t Bits;
    };
    using TValue = std::variant<TInteger, std::string, char, double, const void*>;

    template <std::integral T>
    TVarRec(T value)
        : FValue(TInteger{static_cast<std::int64_t>(value),
                          static_cast<std::uint64_t>(static_cast<std::make_unsigned_t<T>>(value))})
    {
    }
    TVarRec(char value) : FValue(value) {}
    TVarRec(bool) = delete;
    TVarRec(double value) : FValue(value) {}
    TVarRec(const char* value) : FValue(std::string(value)) {}
    TVarRec(std::string value) : FValue(std::move(value)) {}
    TVarRec(const void* value) : FValue(value) {}

    const TValue& Value() const noexcept { return FValue; }

private:
    TValue FValue;
};

// Formats the arguments into fmt: "%s has %d items", {name, count}. A specifier is
// %[index:][-][width][.precision]type; index picks the argument (0-based) and the following specifiers go
// on from there; width pads with blanks on the left (on the right with '-'); '*' as width or precision
// takes it from the next (integer) argument. Width and precision count characters of the process's code
// page, not bytes. Types:
//   d  integer; precision is the minimum number of digits       u  unsigned integer
//   x  integer in upper-case hexadecimal, precision as for d    s  string or char; precision cuts it
//   e  scientific, precision significant digits (15)            f  fixed, precision decimals (2)
//   g  shortest of fixed and scientific, precision digits (15)  n  as f with thousands separators
//   m  money in the regional currency format                    p  pointer in hexadecimal
//   %% a percent sign
// A bad specifier, an argument of the wrong type or too few arguments raise EConvertError
// "Format '<fmt>' invalid or incompatible with argument".
std::string Format(std::string_view fmt, std::initializer_list<TVarRec> args);
std::string Format(std::string_view fmt, std::initializer_list<TVarRec> args, const TFormatSettings& settings);

std::string IntToStr(std::int64_t value);

namespace StringsDetail {
std::string HexDigits(std::uint64_t bits, int digits);
}

// Upper-case hexadecimal with at least digits digits. A negative value shows as the two's complement of
// its own type: IntToHex(-1, 1) is "FFFFFFFF" for an int.
template <std::integral T>
std::string IntToHex(T value, int digits)
{
    return StringsDetail::HexDigits(static_cast<std::make_unsigned_t<T>>(value), digits);
}

// Accepts an optional sign followed by decimal digits, or by hexadecimal digits after '$' or "0x"; nothing
// else, not even blanks. Decimal text must fit in 32 bits; hexadecimal text may use all 32 bits
// ("$FFFFFFFF" is -1). Otherwise raises EConvertError "'text' is not a valid integer value".
int StrToInt(std::string_view text);
int StrToIntDef(std::string_view text, int defaultValue);

// Removes blanks and control characters at both ends.
std::string Trim(std::string_view text);

// A letter or '_' followed by letters, digits and '_': a name of a component, a property or a method.
bool IsValidIdent(std::string_view text);

// ---------------------------------------------------------------------------------------------------
// Characters of the process's ANSI code page: UTF-8 for a program whose manifest asks for it
// (qelsystm_use_utf8, docs/text.md), otherwise the system's. A character is one byte in a single-byte
// code page, a lead and a trail byte in a double-byte one, and one to four bytes in UTF-8; a byte that
// begins no whole character (a stray byte of broken UTF-8) counts as a character of its own.

bool AnsiCodePageIsUtf8();
// The bytes of the character that starts at index; 0 at or after the end of text.
std::size_t AnsiCharLength(std::string_view text, std::size_t index);
std::size_t AnsiCharCount(std::string_view text);
// The first count characters of text (all of it when it has fewer).
std::string AnsiLeftChars(std::string_view text, std::size_t count);
// The longest start of text that fits in bytes bytes without cutting a character.
std::string AnsiLeftBytes(std::string_view text, std::size_t bytes);
// Under UTF-8, the code point of the character at index; none for a stray byte, and in every other
// code page.
std::optional<char32_t> Utf8CharCode(std::string_view text, std::size_t index);
// The text in UTF-16, for the system calls whose ANSI form does not take the process's code page (the
// drawing calls take the font's). A stray byte becomes U+FFFD, so that each character stays one or,
// beyond U+FFFF, two UTF-16 units.
std::wstring AnsiToWide(std::string_view text);
// UTF-16 text in the process's code page; a character the code page does not have becomes its default
// character.
std::string WideToAnsi(std::wstring_view text);
// The character with that Unicode code point in the process's code page; none when the code page has
// no such character (or the code is no character at all, as a surrogate).
std::optional<std::string> AnsiChar(char32_t code);

// ASCII letters only.
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);
// Every letter the system knows the other case of. Under UTF-8 a character may change its length;
// stray bytes stay as they are.
std::string AnsiUpperCase(std::string_view text);
std::string AnsiLowerCase(std::string_view text);

// All comparisons return a value below, equal to or above zero as a sorts before, with or after b.
int CompareText(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);
// In the order of the user's locale, the text read in the process's code page.
int AnsiCompareText(std::string_view a, std::string_view b);
int AnsiCompareStr(std::string_view a, std::string_view b);
// Sorts texts in AnsiCompareText's order, reading each one once; texts that compare equal keep their
// order.
void AnsiSortText(std::vector<std::string>& texts);
