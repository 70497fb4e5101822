// The string routines under UTF-8: characters of one to four bytes and stray bytes, cuts between
// characters, case beyond ASCII (also where a character changes its length), comparison and sorting in
// the user's order, and the regional settings in UTF-8.
#include "tests/text/TextTesting.h"

#include "framework/StringList.h"
#include "framework/Strings.h"
#include "framework/Win32.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(TextCodePage, TheManifestMakesUtf8TheAnsiCodePage)
{
    EXPECT_EQ(GetACP(), static_cast<UINT>(CP_UTF8));
    EXPECT_TRUE(AnsiCodePageIsUtf8());
}

TEST(TextCharacters, AreOneToFourBytesAndAStrayByteIsOneOfItsOwn)
{
    // c a f e-acute - and two ideographs: 1, 1, 1, 2, 1, 3, 3 bytes.
    const std::string& text = CafeNihon();
    const std::vector<std::size_t> lengths{1, 1, 1, 2, 1, 3, 3};
    std::vector<std::size_t> found;
    for (std::size_t i = 0; i < text.size(); i += AnsiCharLength(text, i))
        found.push_back(AnsiCharLength(text, i));
    EXPECT_EQ(found, lengths);
    EXPECT_EQ(AnsiCharCount(text), 7u);
    EXPECT_EQ(AnsiCharCount(Greek()), 8u);
    EXPECT_EQ(AnsiCharLength(text, text.size()), 0u);

    const std::string emoji = Utf8(u8"\U0001F600");
    EXPECT_EQ(AnsiCharLength(emoji, 0), 4u);
    EXPECT_EQ(Utf8CharCode(emoji, 0), char32_t{0x1F600});
    EXPECT_EQ(AnsiToWide(emoji), std::wstring(L"\xD83D\xDE00"));

    // A lead byte without its follower, a follower without a lead, an overlong form and a surrogate.
    for (const std::string& stray : {std::string("\xE6\x97"), std::string("\xA9"), std::string("\xC0\xAF"),
                                    std::string("\xED\xA0\x80")}) {
        EXPECT_EQ(AnsiCharLength(stray, 0), 1u);
        EXPECT_FALSE(Utf8CharCode(stray, 0).has_value());
        EXPECT_EQ(AnsiCharCount(stray), stray.size());
        EXPECT_EQ(AnsiToWide(stray), std::wstring(stray.size(), L'\xFFFD'));
    }
    EXPECT_EQ(AnsiToWide(CafeNihon()), std::wstring(L"caf\x00E9-\x65E5\x672C"));
    EXPECT_EQ(AnsiChar(0x65E5), Utf8(u8"\u65E5"));
    EXPECT_EQ(AnsiChar(0xD800), std::nullopt);
    EXPECT_EQ(AnsiChar(0x110000), std::nullopt);
}

TEST(TextCharacters, CutsFallBetweenCharacters)
{
    const std::string& text = CafeNihon();
    EXPECT_EQ(AnsiLeftChars(text, 4), Utf8(u8"caf\u00E9"));
    EXPECT_EQ(AnsiLeftChars(text, 6), Utf8(u8"caf\u00E9-\u65E5"));
    EXPECT_EQ(AnsiLeftChars(text, 100), text);
    EXPECT_EQ(AnsiLeftChars(text, 0), "");
    // Four bytes hold "caf" and not half of the e-acute; eight hold the dash but not the first ideograph.
    EXPECT_EQ(AnsiLeftBytes(text, 4), "caf");
    EXPECT_EQ(AnsiLeftBytes(text, 5), Utf8(u8"caf\u00E9"));
    EXPECT_EQ(AnsiLeftBytes(text, 8), Utf8(u8"caf\u00E9-"));
    EXPECT_EQ(AnsiLeftBytes(text, 9), Utf8(u8"caf\u00E9-\u65E5"));
    EXPECT_EQ(AnsiLeftBytes(text, text.size()), text);
}

TEST(TextCharacters, FormatCutsAndPadsWholeCharacters)
{
    EXPECT_EQ(Format("[%.4s][%9s][%-9s]", {CafeNihon(), CafeNihon(), Greek()}),
              "[" + Utf8(u8"caf\u00E9") + "][  " + CafeNihon() + "][" + Greek() + " ]");
}

TEST(TextCase, UpperAndLowerCaseReachBeyondAscii)
{
    EXPECT_EQ(AnsiUpperCase(CafeNihon()), Utf8(u8"CAF\u00C9-\u65E5\u672C"));
    EXPECT_EQ(AnsiUpperCase(Greek()), Utf8(u8"\u0395\u039B\u039B\u0397\u039D\u0399\u039A\u0386"));
    EXPECT_EQ(AnsiLowerCase(Utf8(u8"\u0395\u039B\u039B\u0397\u039D\u0399\u039A\u0386")),
              Utf8(u8"\u03B5\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC"));
    // The upper case of U+0250 takes three bytes where the letter took two, and back.
    EXPECT_EQ(AnsiUpperCase(Utf8(u8"x\u0250y")), Utf8(u8"X\u2C6FY"));
    EXPECT_EQ(AnsiLowerCase(Utf8(u8"X\u2C6FY")), Utf8(u8"x\u0250y"));
    // Stray bytes stay as they are, and so do NUL and characters beyond U+FFFF.
    EXPECT_EQ(AnsiUpperCase(std::string("a\xE6\x97z\xA9") + '\0' + Utf8(u8"\U0001F600b")),
              std::string("A\xE6\x97Z\xA9") + '\0' + Utf8(u8"\U0001F600B"));
    EXPECT_EQ(AnsiUpperCase(""), "");
    // The plain routines stay with ASCII.
    EXPECT_EQ(UpperCase(CafeNihon()), Utf8(u8"CAF\u00E9-\u65E5\u672C"));
}

TEST(TextCompare, CaseIsIgnoredBeyondAsciiAndOrderIsTheUsers)
{
    EXPECT_EQ(AnsiCompareText(Greek(), Utf8(u8"\u03B5\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC")), 0);
    EXPECT_EQ(AnsiCompareText(Utf8(u8"CAF\u00C9"), Utf8(u8"caf\u00E9")), 0);
    EXPECT_NE(AnsiCompareStr(Utf8(u8"CAF\u00C9"), Utf8(u8"caf\u00E9")), 0);
    // Alpha, beta, gamma whatever their case; byte order would put both capitals first.
    EXPECT_LT(AnsiCompareText(Utf8(u8"\u03B1\u03BB\u03C6\u03B1"), Utf8(u8"\u0392\u03AE\u03C4\u03B1")), 0);
    EXPECT_LT(AnsiCompareText(Utf8(u8"\u0392\u03AE\u03C4\u03B1"), Utf8(u8"\u03B3\u03AC\u03BC\u03BC\u03B1")), 0);
    // e-acute sorts with e, before f; its bytes (C3 A9) would sort it after z.
    EXPECT_LT(AnsiCompareText("cafe", Utf8(u8"caf\u00E9")), 0);
    EXPECT_LT(AnsiCompareText(Utf8(u8"caf\u00E9"), "caff"), 0);

    TStringList list;
    list.SetSorted(true);
    for (const std::string& name : {Utf8(u8"\u03B3\u03AC\u03BC\u03BC\u03B1"), std::string("Zebra"), std::string("caff"),
                                   Utf8(u8"\u0392\u03AE\u03C4\u03B1"), Utf8(u8"caf\u00E9"), Utf8(u8"\u03B1\u03BB\u03C6\u03B1"),
                                   std::string("cafe")})
        list.Add(name);
    EXPECT_EQ(list.Text(), "cafe\r\n" + Utf8(u8"caf\u00E9") + "\r\ncaff\r\nZebra\r\n" +
                               Utf8(u8"\u03B1\u03BB\u03C6\u03B1\r\n\u0392\u03AE\u03C4\u03B1\r\n\u03B3\u03AC\u03BC\u03BC\u03B1\r\n"));
    EXPECT_EQ(list.IndexOf(Utf8(u8"\u0391\u039B\u03A6\u0391")), 4);
}

// Regional settings come in the process's code page, not in the locale's (1252 here, where the euro sign
// is the byte 80). The currency symbol is changed for the test and put back.
TEST(TextRegionalSettings, ComeInUtf8)
{
    wchar_t previous[32] = {};
    ASSERT_GT(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SCURRENCY, previous, 32), 0);
    ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SCURRENCY, L"\x20AC"));
    const std::string currency = TFormatSettings::FromSystem().CurrencyString;
    (void)SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SCURRENCY, previous);
    EXPECT_EQ(currency, Utf8(u8"\u20AC"));
}
