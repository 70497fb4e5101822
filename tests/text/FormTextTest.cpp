// Form descriptions under UTF-8: text beyond ASCII read and written as it stands, # codes beyond a
// byte, stray bytes written as codes, long strings cut between characters, columns counted in
// characters, and a description of the system's code page from before read as such.
#include "tests/text/TextTesting.h"

#include "files/QELTLogFile.h"
#include "framework/Exceptions.h"
#include "framework/FormText.h"
#include "framework/Forms.h"
#include "framework/Strings.h"
#include "tests/support/ErrorMessage.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

std::unique_ptr<TForm> Read(const std::string& text)
{
    TComponent* root = TReader(text).ReadComponent(nullptr);
    return std::unique_ptr<TForm>(root->As<TForm>());
}

std::string Header(const TForm& form)
{
    return ObjectAs<TQELLogFile>(form.FindComponent("Log"))->Header();
}

std::string Repeated(const std::string& text, int count)
{
    std::string result;
    for (int i = 0; i < count; ++i)
        result += text;
    return result;
}

std::string WithHeader(const std::string& value)
{
    return "object Main: TForm\r\n  object Log: TQELLogFile\r\n    Header = " + value + "\r\n  end\r\nend\r\n";
}

} // namespace

TEST(TextFormText, ReadsTextBeyondAsciiAndCodesBeyondAByte)
{
    const auto form = Read("object Main: TForm\n  Caption = '" + CafeNihon() + "'\n  object Log: TQELLogFile\n" +
                           "    Header = '" + Greek() + "'#26085#128512#233\n  end\nend\n");
    EXPECT_EQ(form->Caption(), CafeNihon());
    // Above 255 a code is the Unicode character; up to 255 it is the byte, as it always was.
    EXPECT_EQ(Header(*form), Greek() + Utf8(u8"\u65E5\U0001F600") + "\xE9");

    EXPECT_EQ(ErrorMessageOf<EReadError>([] { Read(WithHeader("'a'#55296")); }),
              "Line 3, column 17: expected a character code from 0 to 255, or of a character of the code page, but "
              "found #55296");
    EXPECT_EQ(ErrorMessageOf<EReadError>([] { Read(WithHeader("#1114112")); }),
              "Line 3, column 14: expected a character code from 0 to 255, or of a character of the code page, but "
              "found #1114112");
}

TEST(TextFormText, ColumnsCountCharactersAndMessagesShowWholeOnes)
{
    // The letter stands at character 25 of its line, its 33rd byte.
    EXPECT_EQ(ErrorMessageOf<EReadError>([] { Read(WithHeader("'" + Greek() + "' " + Utf8(u8"\u00E9"))); }),
              "Line 3, column 25: expected a name, a value or a symbol but found '" + Utf8(u8"\u00E9") + "'");
    EXPECT_EQ(ErrorMessageOf<EReadError>([] { Read(WithHeader("'" + CafeNihon() + "' + 5")); }),
              "Line 3, column 26: expected a string after '+' but found 5");
    // A message shows at most 30 characters of a string, never half of one.
    const std::string ideographs = Repeated(Utf8(u8"\u65E5"), 40);
    EXPECT_EQ(ErrorMessageOf<EReadError>([&] { Read("object Main: TForm\n  Caption '" + ideographs + "'\nend\n"); }),
              "Line 2, column 11: expected '=' but found string '" + Repeated(Utf8(u8"\u65E5"), 30) + "'...");
}

TEST(TextFormText, WritesWholeCharactersAndStrayBytesAsCodes)
{
    TForm form(nullptr);
    form.SetName("Main");
    form.SetCaption(CafeNihon());
    auto* log = new TQELLogFile(&form);
    log->SetName("Log");
    const std::string ideographs = Repeated(Utf8(u8"\u65E5"), 70);
    log->SetHeader(ideographs);
    log->SetSpecial(Greek() + "\xA9" + "x\xE6\x97");
    const std::string text = WriteComponentText(form);
    EXPECT_NE(text.find("  Caption = '" + CafeNihon() + "'\r\n"), std::string::npos) << text;
    // Sixty-four characters on the first line, the other six on the next.
    EXPECT_NE(text.find("    Header = '" + AnsiLeftChars(ideographs, 64) + "' +\r\n      '" + AnsiLeftChars(ideographs, 6) +
                        "'\r\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("    Special = '" + Greek() + "'#169'x'#230#151\r\n"), std::string::npos) << text;

    const auto read = Read(text);
    EXPECT_EQ(read->Caption(), CafeNihon());
    EXPECT_EQ(Header(*read), ideographs);
    EXPECT_EQ(ObjectAs<TQELLogFile>(read->FindComponent("Log"))->Special(), log->Special());
    EXPECT_EQ(WriteComponentText(*read), text);
}

// Descriptions were text of the system's code page (1252 here). One that is no UTF-8 is read as such.
TEST(TextFormText, ADescriptionOfTheSystemsCodePageReadsAsIt)
{
    const auto form = Read("object Main: TForm\n  Caption = 'caf\xE9 \xC4pfel'#233\nend\n");
    EXPECT_EQ(form->Caption(), Utf8(u8"caf\u00E9 \u00C4pfel") + "\xE9");
}
