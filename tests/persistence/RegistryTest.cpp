// TRegistry and TRegIniFile on the real registry.
#include "framework/Registry.h"

#include "framework/StringList.h"
#include "tests/persistence/PersistenceTestSupport.h"

#include <gtest/gtest.h>

#include <climits>

using namespace std::string_literals;

namespace {

std::string Dword(DWORD value)
{
    return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

class RegistryTest : public testing::Test {
protected:
    TTempRegistryKey FKey;
};

TEST_F(RegistryTest, OpenKeyFromTheRootAndRelativeToTheCurrentKey)
{
    TRegistry registry;
    EXPECT_EQ(registry.RootKey(), HKEY_CURRENT_USER);
    EXPECT_EQ(registry.CurrentKey(), nullptr);

    ASSERT_TRUE(registry.OpenKey("\\" + FKey.Path(), true));
    EXPECT_EQ(registry.CurrentPath(), FKey.Path());
    EXPECT_NE(registry.CurrentKey(), nullptr);

    ASSERT_TRUE(registry.OpenKey("Child\\Grandchild", true));
    EXPECT_EQ(registry.CurrentPath(), FKey.Path() + "\\Child\\Grandchild");
    EXPECT_TRUE(RawRegistryKeyExists(HKEY_CURRENT_USER, FKey.Path() + "\\Child\\Grandchild"));

    // A leading backslash counts from the root again, whatever is open.
    ASSERT_TRUE(registry.OpenKey("\\" + FKey.Path() + "\\Child", false));
    EXPECT_EQ(registry.CurrentPath(), FKey.Path() + "\\Child");

    registry.CloseKey();
    EXPECT_EQ(registry.CurrentKey(), nullptr);
    EXPECT_EQ(registry.CurrentPath(), "");
    // With no key open a relative key counts from the root as well.
    ASSERT_TRUE(registry.OpenKey(FKey.Path(), false));
    EXPECT_EQ(registry.CurrentPath(), FKey.Path());
}

TEST_F(RegistryTest, OpenKeyWithoutCreatingFailsOnAMissingKeyAndKeepsTheCurrentOne)
{
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("\\" + FKey.Path(), true));
    const HKEY current = registry.CurrentKey();

    EXPECT_FALSE(registry.OpenKey("Missing", false));
    EXPECT_EQ(registry.CurrentKey(), current);
    EXPECT_EQ(registry.CurrentPath(), FKey.Path());
    EXPECT_FALSE(RawRegistryKeyExists(HKEY_CURRENT_USER, FKey.Path() + "\\Missing"));
}

TEST_F(RegistryTest, AKeyOpenedReadOnlyIsReadButNotWritten)
{
    SetRawRegistryValue(HKEY_CURRENT_USER, FKey.Path(), "Text", REG_SZ, "kept"s + '\0');
    TRegistry registry;
    EXPECT_FALSE(registry.OpenKeyReadOnly("\\" + FKey.Path() + "\\Missing"));
    EXPECT_FALSE(RawRegistryKeyExists(HKEY_CURRENT_USER, FKey.Path() + "\\Missing"));
    ASSERT_TRUE(registry.OpenKeyReadOnly("\\" + FKey.Path()));
    EXPECT_EQ(registry.CurrentPath(), FKey.Path());
    EXPECT_EQ(registry.ReadString("Text"), "kept");
    EXPECT_THROW(registry.WriteString("Text", "changed"), ERegistryException);
    EXPECT_EQ(RawRegistryValue(HKEY_CURRENT_USER, FKey.Path(), "Text")->Data, "kept"s + '\0');
}

TEST_F(RegistryTest, ValuesOfTheCurrentKey)
{
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("\\" + FKey.Path(), true));

    EXPECT_FALSE(registry.ValueExists("Text"));
    EXPECT_EQ(registry.ReadString("Text"), "");
    registry.WriteString("Text", "C:\\Program Files\\App\\app.exe");
    EXPECT_TRUE(registry.ValueExists("Text"));
    EXPECT_EQ(registry.ReadString("Text"), "C:\\Program Files\\App\\app.exe");
    const auto raw = RawRegistryValue(HKEY_CURRENT_USER, FKey.Path(), "Text");
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->Type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw->Data, "C:\\Program Files\\App\\app.exe"s + '\0');

    registry.WriteInteger("Number", -17);
    EXPECT_EQ(registry.ReadInteger("Number"), -17);
    EXPECT_EQ(RawRegistryValue(HKEY_CURRENT_USER, FKey.Path(), "Number")->Type, static_cast<DWORD>(REG_DWORD));

    EXPECT_TRUE(registry.DeleteValue("Text"));
    EXPECT_FALSE(registry.ValueExists("Text"));
    EXPECT_FALSE(registry.DeleteValue("Text"));
}

TEST_F(RegistryTest, ReadIntegerRaisesOnAMissingOrTextValue)
{
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("\\" + FKey.Path(), true));
    EXPECT_THROW((void)registry.ReadInteger("Missing"), ERegistryException);
    registry.WriteString("Text", "12");
    try {
        (void)registry.ReadInteger("Text");
        FAIL() << "no exception";
    } catch (const ERegistryException& e) {
        EXPECT_NE(e.Message().find("'Text'"), std::string::npos) << e.Message();
        EXPECT_NE(e.Message().find("HKEY_CURRENT_USER\\" + FKey.Path()), std::string::npos) << e.Message();
    }
}

TEST_F(RegistryTest, WithoutAnOpenKeyValueExistsIsFalseAndTheRestRaises)
{
    TRegistry registry;
    EXPECT_FALSE(registry.ValueExists("Anything"));
    EXPECT_THROW(registry.WriteString("Name", "x"), ERegistryException);
    EXPECT_THROW((void)registry.ReadString("Name"), ERegistryException);
    EXPECT_THROW(registry.WriteInteger("Name", 1), ERegistryException);
    EXPECT_THROW((void)registry.DeleteValue("Name"), ERegistryException);
}

TEST_F(RegistryTest, ChangingTheRootKeyClosesTheCurrentKey)
{
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("\\" + FKey.Path(), true));
    registry.SetRootKey(HKEY_CURRENT_USER);
    EXPECT_NE(registry.CurrentKey(), nullptr);
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(registry.RootKey(), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(registry.CurrentKey(), nullptr);
    EXPECT_EQ(registry.CurrentPath(), "");
}

TEST_F(RegistryTest, NamesWithANulRaiseInsteadOfAddressingAShorterName)
{
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("\\" + FKey.Path(), true));
    EXPECT_THROW(registry.WriteString("A\0B"s, "x"), ERegistryException);
    EXPECT_FALSE(RawRegistryValue(HKEY_CURRENT_USER, FKey.Path(), "A"));
    EXPECT_THROW((void)registry.OpenKey("Sub\0Key"s, true), ERegistryException);
}

// ---------------------------------------------------------------------------------------------------

class RegIniFileTest : public testing::Test {
protected:
    RegIniFileTest() : FIni(FKey.Path()) {}
    std::string SectionPath(const std::string& section) const { return FKey.Path() + "\\" + section; }

    TTempRegistryKey FKey;
    TRegIniFile FIni;
};

TEST_F(RegIniFileTest, SectionsAreSubkeysOfTheFileKey)
{
    EXPECT_EQ(FIni.RootKey(), HKEY_CURRENT_USER);
    EXPECT_EQ(FIni.FileName(), FKey.Path());
    FIni.WriteString("Section", "Name", "Value");
    FIni.WriteInteger("Section", "Count", 42);
    FIni.WriteBool("Section", "Flag", true);

    const auto text = RawRegistryValue(HKEY_CURRENT_USER, SectionPath("Section"), "Name");
    ASSERT_TRUE(text);
    EXPECT_EQ(text->Type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(text->Data, "Value"s + '\0');
    const auto count = RawRegistryValue(HKEY_CURRENT_USER, SectionPath("Section"), "Count");
    ASSERT_TRUE(count);
    EXPECT_EQ(count->Type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(count->Data, Dword(42));
    EXPECT_EQ(RawRegistryValue(HKEY_CURRENT_USER, SectionPath("Section"), "Flag")->Data, Dword(1));

    EXPECT_EQ(FIni.ReadString("Section", "Name", "def"), "Value");
    EXPECT_EQ(FIni.ReadInteger("Section", "Count", -1), 42);
    EXPECT_TRUE(FIni.ReadBool("Section", "Flag", false));
}

TEST_F(RegIniFileTest, ReadsFallBackToTheirDefaultAndCreateNothing)
{
    EXPECT_EQ(FIni.ReadString("Section", "Name", "  default  "), "  default  ");
    EXPECT_EQ(FIni.ReadInteger("Section", "Name", INT_MIN), INT_MIN);
    EXPECT_TRUE(FIni.ReadBool("Section", "Name", true));
    EXPECT_FALSE(FIni.ReadBool("Section", "Name", false));
    EXPECT_FALSE(RawRegistryKeyExists(HKEY_CURRENT_USER, FKey.Path()));

    FIni.WriteString("Section", "Other", "x");
    EXPECT_EQ(FIni.ReadString("Section", "Name", "def"), "def");
    EXPECT_EQ(FIni.ReadInteger("Section", "Name", 7), 7);
}

TEST_F(RegIniFileTest, IntegersAndBooleansRoundTrip)
{
    for (int value : {0, 1, -1, 123456789, INT_MIN, INT_MAX}) {
        FIni.WriteInteger("S", "I", value);
        EXPECT_EQ(FIni.ReadInteger("S", "I", value == 0 ? 1 : 0), value);
    }
    FIni.WriteBool("S", "B", false);
    EXPECT_FALSE(FIni.ReadBool("S", "B", true));
    FIni.WriteBool("S", "B", true);
    EXPECT_TRUE(FIni.ReadBool("S", "B", false));
}

TEST_F(RegIniFileTest, ValuesOtherProgramsWroteReadAsTheyMean)
{
    SetRawRegistryValue(HKEY_CURRENT_USER, SectionPath("S"), "NoTerminator", REG_SZ, "abc");
    SetRawRegistryValue(HKEY_CURRENT_USER, SectionPath("S"), "Expand", REG_EXPAND_SZ, "%TEMP%\\x"s + '\0');
    SetRawRegistryValue(HKEY_CURRENT_USER, SectionPath("S"), "Dword", REG_DWORD, Dword(static_cast<DWORD>(-5)));
    SetRawRegistryValue(HKEY_CURRENT_USER, SectionPath("S"), "Digits", REG_SZ, "-250"s + '\0');
    SetRawRegistryValue(HKEY_CURRENT_USER, SectionPath("S"), "Words", REG_SZ, "twelve"s + '\0');

    EXPECT_EQ(FIni.ReadString("S", "NoTerminator", ""), "abc");
    EXPECT_EQ(FIni.ReadString("S", "Expand", ""), "%TEMP%\\x");
    EXPECT_EQ(FIni.ReadString("S", "Dword", ""), "-5");
    EXPECT_EQ(FIni.ReadInteger("S", "Dword", 0), -5);
    EXPECT_EQ(FIni.ReadInteger("S", "Digits", 0), -250);
    EXPECT_EQ(FIni.ReadInteger("S", "Words", 99), 99);
}

TEST_F(RegIniFileTest, DataOfAnotherTypeRaisesNamingValueAndKey)
{
    SetRawRegistryValue(HKEY_CURRENT_USER, SectionPath("S"), "Blob", REG_BINARY, "\x01\x02"s);
    for (auto read : {+[](TRegIniFile& ini) { (void)ini.ReadString("S", "Blob", ""); },
                      +[](TRegIniFile& ini) { (void)ini.ReadInteger("S", "Blob", 0); }}) {
        try {
            read(FIni);
            FAIL() << "no exception";
        } catch (const ERegistryException& e) {
            EXPECT_NE(e.Message().find("'Blob'"), std::string::npos) << e.Message();
            EXPECT_NE(e.Message().find("HKEY_CURRENT_USER\\" + SectionPath("S")), std::string::npos) << e.Message();
        }
    }
}

TEST_F(RegIniFileTest, TextKeepsEveryByte)
{
    const std::string texts[] = {"", "\0"s, "a\0b"s, "ends in two NULs\0\0"s, "  blanks and \"quotes\"  ",
                                 "line\r\nbreak", std::string(5000, 'x')};
    for (const std::string& text : texts) {
        FIni.WriteString("S", "T", text);
        EXPECT_EQ(FIni.ReadString("S", "T", "default"), text);
    }
}

TEST_F(RegIniFileTest, TheRootKeyDecidesWhereTheFileLies)
{
    TRegIniFile ini("QELSystmTests-" + std::to_string(GetCurrentProcessId()));
    ini.SetRootKey(HKEY_CURRENT_CONFIG);
    ini.WriteString("S", "N", "v");
    EXPECT_TRUE(RawRegistryValue(HKEY_CURRENT_CONFIG, ini.FileName() + "\\S", "N"));
    EXPECT_FALSE(RawRegistryKeyExists(HKEY_CURRENT_USER, ini.FileName()));
    ini.EraseSection("");
    EXPECT_FALSE(RawRegistryKeyExists(HKEY_CURRENT_CONFIG, ini.FileName()));
}

TEST_F(RegIniFileTest, ALeadingBackslashInTheFileNameStillMeansBelowTheRoot)
{
    TRegIniFile ini("\\" + FKey.Path());
    ini.WriteString("S", "N", "v");
    EXPECT_TRUE(RawRegistryValue(HKEY_CURRENT_USER, SectionPath("S"), "N"));
}

TEST_F(RegIniFileTest, ReadSectionValuesReplacesTheListWithNameValueLines)
{
    FIni.WriteString("S", "Text", "  padded  ");
    FIni.WriteInteger("S", "Number", 12);
    TStringList list;
    list.Add("old line");
    FIni.ReadSectionValues("S", list);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Values("Text"), "  padded  ");
    EXPECT_EQ(list.Values("Number"), "12");

    FIni.ReadSectionValues("Missing", list);
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(RegIniFileTest, EraseSectionRemovesTheSectionWithEverythingBelowIt)
{
    FIni.WriteString("S", "A", "1");
    FIni.WriteString("S\\Deeper", "B", "2");
    FIni.WriteString("Kept", "C", "3");
    FIni.EraseSection("S");
    EXPECT_FALSE(RawRegistryKeyExists(HKEY_CURRENT_USER, SectionPath("S")));
    EXPECT_TRUE(RawRegistryValue(HKEY_CURRENT_USER, SectionPath("Kept"), "C"));
    EXPECT_NO_THROW(FIni.EraseSection("S"));
}

TEST_F(RegIniFileTest, EraseSectionRefusesToEraseARootKey)
{
    TRegIniFile ini("");
    EXPECT_THROW(ini.EraseSection(""), ERegistryException);
}

TEST_F(RegIniFileTest, DeleteKeyRemovesOneValue)
{
    FIni.WriteString("S", "A", "1");
    FIni.WriteString("S", "B", "2");
    FIni.DeleteKey("S", "A");
    EXPECT_FALSE(RawRegistryValue(HKEY_CURRENT_USER, SectionPath("S"), "A"));
    EXPECT_TRUE(RawRegistryValue(HKEY_CURRENT_USER, SectionPath("S"), "B"));
    EXPECT_NO_THROW(FIni.DeleteKey("S", "A"));
    EXPECT_NO_THROW(FIni.DeleteKey("Missing", "A"));
}

TEST_F(RegIniFileTest, AKeyThatCannotBeCreatedRaisesNamingIt)
{
    // A key name is at most 255 characters long.
    const std::string section(300, 'k');
    try {
        FIni.WriteString(section, "N", "v");
        FAIL() << "no exception";
    } catch (const ERegistryException& e) {
        EXPECT_NE(e.Message().find("HKEY_CURRENT_USER\\" + FKey.Path()), std::string::npos) << e.Message();
    }
}

TEST_F(RegIniFileTest, NamesWithANulRaise)
{
    EXPECT_THROW(FIni.WriteString("S", "A\0B"s, "x"), ERegistryException);
    EXPECT_THROW(FIni.WriteString("S\0T"s, "A", "x"), ERegistryException);
    EXPECT_THROW((void)FIni.ReadString("S", "A\0B"s, "x"), ERegistryException);
    EXPECT_FALSE(RawRegistryKeyExists(HKEY_CURRENT_USER, SectionPath("S")));
}

} // namespace
