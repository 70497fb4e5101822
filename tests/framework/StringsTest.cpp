// Strings: Format's specifiers, widths and argument checks, number text under other regional settings
// and under the system's (checked against GetCurrencyFormatA), integer text in both directions, trimming,
// case conversion and the ASCII and locale-aware comparisons.
#include "framework/Strings.h"

#include "framework/Exceptions.h"
#include "framework/Win32.h"
#include "tests/support/ErrorMessage.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

namespace {

// Number conventions unlike the ones Wine reports, so a separator taken from the wrong place shows.
TFormatSettings Continental()
{
    TFormatSettings settings;
    settings.DecimalSeparator = ",";
    settings.ThousandSeparator = ".";
    settings.CurrencyString = "EUR";
    settings.CurrencyFormat = 3; // 1 $
    settings.NegCurrFormat = 8;  // -1 $
    settings.CurrencyDecimals = 2;
    return settings;
}

std::string SystemCurrency(const char* number)
{
    char buffer[100];
    const int length = GetCurrencyFormatA(LOCALE_USER_DEFAULT, 0, number, nullptr, buffer, sizeof buffer);
    return length > 0 ? std::string(buffer, static_cast<std::size_t>(length - 1)) : "(GetCurrencyFormatA failed)";
}

} // namespace

TEST(StringsFormat, IntegersTakeWidthAlignmentAndMinimumDigits)
{
    EXPECT_EQ(Format("[%5d][%-5d][%.3d][%.3d][%1d]", {42, 42, 7, -7, 123}), "[   42][42   ][007][-007][123]");
    EXPECT_EQ(Format("%d %d", {INT_MIN, INT64_MIN}), "-2147483648 -9223372036854775808");
    EXPECT_EQ(Format("%6.4d|", {-12}), " -0012|");
}

TEST(StringsFormat, UnsignedAndHexShowTheBitsOfTheArgumentsOwnType)
{
    EXPECT_EQ(Format("%u %x", {-1, -1}), "4294967295 FFFFFFFF");
    EXPECT_EQ(Format("%u %x", {std::int64_t{-1}, std::int64_t{-1}}), "18446744073709551615 FFFFFFFFFFFFFFFF");
    EXPECT_EQ(Format("%u", {UINT64_MAX}), "18446744073709551615");
    EXPECT_EQ(Format("%.4x %x %.2u", {255, 0xABCDEFu, 5}), "00FF ABCDEF 05");
}

TEST(StringsFormat, StringsAndCharsArePaddedAndCut)
{
    const std::string name = "Dolly";
    EXPECT_EQ(Format("Hello, %s!", {name}), "Hello, Dolly!");
    EXPECT_EQ(Format("[%.3s][%7s][%-7s]", {"abcdef", "abc", "abc"}), "[abc][    abc][abc    ]");
    EXPECT_EQ(Format("%s%s", {'x', std::string("y\0z", 3)}), std::string("xy\0z", 4));
    EXPECT_EQ(Format("%2.1s|", {"abc"}), " a|");
}

TEST(StringsFormat, IndexAndStarPickArguments)
{
    EXPECT_EQ(Format("%1:s %0:s %s", {"a", "b"}), "b a b");
    EXPECT_EQ(Format("%*d|%-*d|%.*f", {5, 42, 4, 1, 3, 3.14159}), "   42|1   |3.142");
    EXPECT_EQ(Format("%0:s%0:s", {"x"}), "xx");
}

TEST(StringsFormat, PercentPointerAndUpperCaseTypes)
{
    EXPECT_EQ(Format("100%%", {}), "100%");
    int anything = 0;
    const std::string pointer = Format("%p", {static_cast<const void*>(&anything)});
    EXPECT_EQ(pointer.size(), sizeof(void*) * 2);
    EXPECT_EQ(StrToInt("$" + pointer), static_cast<int>(reinterpret_cast<std::uintptr_t>(&anything)));
    EXPECT_EQ(Format("%D %S %X", {1, "s", 255}), "1 s FF");
}

TEST(StringsFormat, FixedAndNumberUseTheGivenSeparators)
{
    const TFormatSettings settings = Continental();
    EXPECT_EQ(Format("%f|%.3f|%.0f", {1234567.891, 2.0, 2.4}, settings), "1234567,89|2,000|2");
    EXPECT_EQ(Format("%n|%n|%n|%.1n", {1234567.891, -1234.5, 999.0, 1000.0}, settings),
              "1.234.567,89|-1.234,50|999,00|1.000,0");
    EXPECT_EQ(Format("%n", {-123456.0}, settings), "-123.456,00");
    // A negative value that rounds to nothing loses its sign.
    EXPECT_EQ(Format("%.2f %.2n", {-0.001, -0.001}, settings), "0,00 0,00");
    EXPECT_EQ(Format("%10.1f|%-10.1f|", {-2.25e2, 0.75}, settings), "    -225,0|0,8       |");
}

TEST(StringsFormat, ScientificAndGeneral)
{
    const TFormatSettings settings = Continental();
    EXPECT_EQ(Format("%e", {1234.5}, settings), "1,23450000000000E+003");
    EXPECT_EQ(Format("%.3e|%.1e", {-0.000123456, 0.0}, settings), "-1,23E-004|0E+000");
    EXPECT_EQ(Format("%g|%g|%g|%g|%g", {123.456, 1e20, 0.00001, 0.0001, 100000.0}, settings),
              "123,456|1E20|1E-5|0,0001|100000");
    EXPECT_EQ(Format("%.3g|%g", {1234.5, -1.5e-7}, settings), "1,23E3|-1,5E-7");
}

TEST(StringsFormat, MoneyFollowsTheCurrencyPatterns)
{
    TFormatSettings settings = Continental();
    EXPECT_EQ(Format("%m|%m|%.0m", {1234.5, -1234.5, 2.0}, settings), "1.234,50 EUR|-1.234,50 EUR|2 EUR");
    settings.CurrencyString = "$";
    settings.CurrencyFormat = 0;
    settings.NegCurrFormat = 0;
    EXPECT_EQ(Format("%m|%m", {0.5, -1234567.0}, settings), "$0,50|($1.234.567,00)");
    settings.NegCurrFormat = 12;
    EXPECT_EQ(Format("%m", {-1.0}, settings), "$ -1,00");
}

TEST(StringsFormat, WithoutSettingsFollowsTheSystem)
{
    // Below a million: Wine's GetCurrencyFormatA sets only one thousands separator.
    EXPECT_EQ(Format("%m", {234567.25}), SystemCurrency("234567.25"));
    EXPECT_EQ(Format("%m", {-234567.25}), SystemCurrency("-234567.25"));
    const TFormatSettings system = TFormatSettings::FromSystem();
    EXPECT_EQ(Format("%n", {1234.5}), "1" + system.ThousandSeparator + "234" + system.DecimalSeparator + "50");
}

TEST(StringsFormat, BadSpecifiersAndArgumentsRaiseQuotingTheFormat)
{
    EXPECT_EQ(ErrorMessageOf<EConvertError>([] { Format("%d", {"x"}); }), "Format '%d' invalid or incompatible with argument");
    EXPECT_EQ(ErrorMessageOf<EConvertError>([] { Format("n=%d", {1.5}); }), "Format 'n=%d' invalid or incompatible with argument");
    EXPECT_EQ(ErrorMessageOf<EConvertError>([] { Format("%s", {5}); }), "Format '%s' invalid or incompatible with argument");
    EXPECT_EQ(ErrorMessageOf<EConvertError>([] { Format("%f", {5}); }), "Format '%f' invalid or incompatible with argument");
    EXPECT_EQ(ErrorMessageOf<EConvertError>([] { Format("%x", {'c'}); }), "Format '%x' invalid or incompatible with argument");
    EXPECT_EQ(ErrorMessageOf<EConvertError>([] { Format("%p", {5}); }), "Format '%p' invalid or incompatible with argument");
    EXPECT_EQ(ErrorMessageOf<EConvertError>([] { Format("%d %d", {1}); }),
              "Format '%d %d' invalid or incompatible with argument");
    EXPECT_EQ(ErrorMessageOf<EConvertError>([] { Format("%2:d", {1, 2}); }),
              "Format '%2:d' invalid or incompatible with argument");
    EXPECT_EQ(ErrorMessageOf<EConvertError>([] { Format("%*d", {"5", 1}); }), "Format '%*d' invalid or incompatible with argument");
    EXPECT_EQ(ErrorMessageOf<EConvertError>([] { Format("%z", {1}); }), "Format '%z' invalid or incompatible with argument");
    EXPECT_EQ(ErrorMessageOf<EConvertError>([] { Format("50%", {1}); }), "Format '50%' invalid or incompatible with argument");
    EXPECT_EQ(ErrorMessageOf<EConvertError>([] { Format("%.d", {1}); }), "Format '%.d' invalid or incompatible with argument");
}

TEST(StringsIntegerText, DecimalAndHexadecimal)
{
    EXPECT_EQ(IntToStr(0), "0");
    EXPECT_EQ(IntToStr(INT_MIN), "-2147483648");
    EXPECT_EQ(IntToStr(INT64_MIN), "-9223372036854775808");
    EXPECT_EQ(IntToHex(255, 4), "00FF");
    EXPECT_EQ(IntToHex(0x12345, 2), "12345");
    EXPECT_EQ(IntToHex(0, 0), "0");
    EXPECT_EQ(IntToHex(-1, 1), "FFFFFFFF");
    EXPECT_EQ(IntToHex(std::int64_t{-2}, 1), "FFFFFFFFFFFFFFFE");
    EXPECT_EQ(IntToHex(DWORD{0x8A2B3C4D}, 8), "8A2B3C4D");
}

TEST(StringsIntegerText, StrToIntAcceptsSignsAndBothBases)
{
    EXPECT_EQ(StrToInt("0"), 0);
    EXPECT_EQ(StrToInt("+7"), 7);
    EXPECT_EQ(StrToInt("-007"), -7);
    EXPECT_EQ(StrToInt("2147483647"), INT_MAX);
    EXPECT_EQ(StrToInt("-2147483648"), INT_MIN);
    EXPECT_EQ(StrToInt("$ff"), 255);
    EXPECT_EQ(StrToInt("0x1F"), 31);
    EXPECT_EQ(StrToInt("0XaB"), 171);
    EXPECT_EQ(StrToInt("-$10"), -16);
    EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
    EXPECT_EQ(StrToInt("$80000000"), INT_MIN);
}

TEST(StringsIntegerText, StrToIntRejectsEverythingElse)
{
    for (const char* text : {"", "abc", " 1", "1 ", "+", "-", "$", "0x", "x10", "2147483648", "-2147483649",
                             "$100000000", "99999999999999999999", "1.0", "--1", "+-1", "0x-1", "$$1", "12a",
                             "1e3"})
        EXPECT_EQ(ErrorMessageOf<EConvertError>([&] { StrToInt(text); }), "'" + std::string(text) + "' is not a valid integer value")
            << text;
    EXPECT_EQ(StrToIntDef("12a", -5), -5);
    EXPECT_EQ(StrToIntDef("", 3), 3);
    EXPECT_EQ(StrToIntDef("-12", 3), -12);
}

TEST(StringsIntegerText, RoundTrips)
{
    for (int value : {INT_MIN, INT_MIN + 1, -65536, -1, 0, 1, 255, 65535, INT_MAX - 1, INT_MAX}) {
        EXPECT_EQ(StrToInt(IntToStr(value)), value);
        EXPECT_EQ(StrToInt("$" + IntToHex(value, 8)), value);
        EXPECT_EQ(StrToInt(Format("%d", {value})), value);
        EXPECT_EQ(StrToInt("0x" + Format("%x", {value})), value);
    }
}

TEST(StringsText, TrimRemovesBlanksAndControlsOnly)
{
    EXPECT_EQ(Trim("\t a  b \r\n"), "a  b");
    EXPECT_EQ(Trim(std::string("\0x\0", 3)), "x");
    EXPECT_EQ(Trim(" \x01\x1F "), "");
    EXPECT_EQ(Trim(""), "");
    // A no-break space (A0 in code page 1252) is text.
    EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0");
}

TEST(StringsText, PlainCaseConversionTouchesAsciiOnly)
{
    EXPECT_EQ(UpperCase("azAZ09_@[`{ \xE4\xF6"), "AZAZ09_@[`{ \xE4\xF6");
    EXPECT_EQ(LowerCase("AZaz09_@[`{ \xC4\xD6"), "azaz09_@[`{ \xC4\xD6");
}

TEST(StringsText, AnsiCaseConversionFollowsTheCodePage)
{
    // Code page 1252: a umlaut E4/C4, o umlaut F6/D6, u umlaut FC/DC.
    EXPECT_EQ(AnsiUpperCase("ab \xE4\xF6\xFC"), "AB \xC4\xD6\xDC");
    EXPECT_EQ(AnsiLowerCase("AB \xC4\xD6\xDC"), "ab \xE4\xF6\xFC");
    EXPECT_EQ(AnsiUpperCase(std::string("a\0b", 3)), std::string("A\0B", 3));
    EXPECT_EQ(AnsiUpperCase(""), "");
}

// This executable runs in the system's code page, 1252 (tests/text runs under UTF-8): every byte is a
// character, so UTF-8's bytes are characters of their own here.
TEST(StringsText, CharactersOfASingleByteCodePageAreBytes)
{
    EXPECT_FALSE(AnsiCodePageIsUtf8());
    const std::string utf8 = "caf\xC3\xA9";
    EXPECT_EQ(AnsiCharLength(utf8, 3), 1u);
    EXPECT_EQ(AnsiCharCount(utf8), 5u);
    EXPECT_EQ(AnsiLeftChars(utf8, 4), "caf\xC3");
    EXPECT_EQ(AnsiLeftBytes(utf8, 4), "caf\xC3");
    EXPECT_FALSE(Utf8CharCode(utf8, 3).has_value());
    EXPECT_EQ(AnsiToWide("caf\xE9\x80"), std::wstring(L"caf\x00E9\x20AC"));
    // Characters the code page has, by their Unicode code: the OE ligature is 8C; no ideographs.
    EXPECT_EQ(AnsiChar(0x152), "\x8C");
    EXPECT_EQ(AnsiChar(0xE9), "\xE9");
    EXPECT_EQ(AnsiChar(0x65E5), std::nullopt);
    // Upper-casing stays in the code page: y-diaeresis FF has its capital at 9F.
    EXPECT_EQ(AnsiUpperCase("\xFF\xE9"), "\x9F\xC9");
}

TEST(StringsCompare, CompareTextFoldsAsciiCase)
{
    EXPECT_EQ(CompareText("Hello", "hELLO"), 0);
    EXPECT_LT(CompareText("a", "B"), 0);
    EXPECT_GT(CompareText("b", "A"), 0);
    EXPECT_LT(CompareText("ab", "abc"), 0);
    EXPECT_GT(CompareText("abc", "AB"), 0);
    EXPECT_EQ(CompareText("", ""), 0);
    // Letters fold to upper case, so they sort before '_' (5F) ...
    EXPECT_GT(CompareText("_", "a"), 0);
    // ... and bytes above 7F compare unsigned and unfolded.
    EXPECT_GT(CompareText("\xE4", "z"), 0);
    EXPECT_NE(CompareText("\xE4", "\xC4"), 0);
    EXPECT_TRUE(SameText("Form1", "FORM1"));
    EXPECT_FALSE(SameText("Form1", "Form10"));
}

TEST(StringsCompare, AnsiComparisonsFollowTheLocale)
{
    EXPECT_EQ(AnsiCompareText("\xE4pfel", "\xC4PFEL"), 0);
    EXPECT_NE(AnsiCompareStr("\xE4pfel", "\xC4pfel"), 0);
    EXPECT_NE(AnsiCompareStr("a", "A"), 0);
    // Byte order would put "B" (42) before "a" (61); the locale does not.
    EXPECT_LT(AnsiCompareText("a", "B"), 0);
    EXPECT_LT(AnsiCompareStr("a", "B"), 0);
    EXPECT_GT(AnsiCompareStr("b", "A"), 0);
    EXPECT_LT(AnsiCompareText("ab", "abc"), 0);
    EXPECT_EQ(AnsiCompareText(std::string_view(), ""), 0);
    EXPECT_LT(AnsiCompareText(std::string_view(), "a"), 0);
    EXPECT_GT(AnsiCompareStr("a", std::string_view()), 0);
}
