// The settings store under UTF-8: sections, names and values beyond ASCII in the real registry and in a
// real INI file, plain and scrambled, and what they hold there.
#include "tests/text/TextTesting.h"

#include "framework/StringList.h"
#include "framework/Strings.h"
#include "persistence/QELTStoreData.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string& Name()
{
    static const std::string name = Utf8(u8"\u540D\u524D"); // two ideographs
    return name;
}

// Everything the scrambling must give back: letters of two and three bytes, one of four, and the
// control codes that shift past zero. (An INI line cannot hold the scrambled form of 05, a NUL, which
// the registry keeps.)
std::string Secret()
{
    return CafeNihon() + " " + Greek() + Utf8(u8" \U0001F600") + "\x01\x04\t";
}

// The registry key of the tests, removed before and after each.
const char* const TestKeyRoot = "Software\\QELSystm Text Tests";

class TextStore : public testing::Test {
protected:
    TextStore()
    {
        (void)RegDeleteTreeA(HKEY_CURRENT_USER, TestKeyRoot);
        FStore.Registry()->SetPath(std::string(TestKeyRoot) + "\\" + CafeNihon());
        FStore.Registry()->SetSection(Greek());
        FStore.Inifile()->SetFilename(FFolder / (Greek() + ".ini"));
        FStore.Inifile()->SetSection(CafeNihon());
    }
    ~TextStore() override { (void)RegDeleteTreeA(HKEY_CURRENT_USER, TestKeyRoot); }

    // The registry value as the registry holds it, in UTF-16.
    std::wstring RawRegistryValue(const std::string& name) const
    {
        const std::wstring key = AnsiToWide(FStore.Registry()->Path() + "\\" + FStore.Registry()->Section());
        wchar_t data[256] = {};
        DWORD size = sizeof data - sizeof(wchar_t);
        if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), AnsiToWide(name).c_str(), RRF_RT_REG_SZ, nullptr, data, &size) !=
            ERROR_SUCCESS)
            return L"(missing)";
        return data;
    }

    TTextFolder FFolder;
    TQELDataStore FStore;
};

} // namespace

TEST_F(TextStore, RegistryKeysNamesAndValuesGoBeyondAscii)
{
    FStore.WriteStr(Name(), CafeNihon());
    FStore.WriteInt(Greek(), 42);
    EXPECT_EQ(FStore.ReadStr(Name()), CafeNihon());
    EXPECT_EQ(FStore.ReadInt(Greek()), 42);
    EXPECT_EQ(RawRegistryValue(Name()), L"caf\x00E9-\x65E5\x672C");
    TStringList values;
    FStore.ReadStrs(values);
    EXPECT_EQ(values.Values(Name()), CafeNihon());

    FStore.WriteCrypt(Greek(), Secret() + "\x05");
    EXPECT_EQ(FStore.ReadCrypt(Greek()), Secret() + "\x05");
    FStore.DeleteKey(Name());
    EXPECT_EQ(FStore.ReadStr(Name()), "Error");
    FStore.Erase();
    EXPECT_EQ(FStore.ReadCrypt(Greek()), "Error");
}

// Scrambled ASCII keeps the form it has in every code page; an accented Latin letter becomes the letter
// it becomes in code page 1252 (e-acute E9 to a-umlaut E4), so that both kinds of program find the same
// UTF-16 text in the registry; the control codes below 5 become letters (U+00FB to U+00FF) rather than
// bytes that are no UTF-8.
TEST_F(TextStore, ScrambledTextIsUtf8ThatTheRegistryKeeps)
{
    FStore.WriteCrypt("Secret", Utf8(u8"Hello \u00E9") + "\x01");
    EXPECT_EQ(RawRegistryValue("Secret"), L"C`ggj\x1B\x00E4\x00FC");
    FStore.WriteStr("Plain", "C`ggj\x1B" + Utf8(u8"\u00E4\u00FC"));
    EXPECT_EQ(FStore.ReadCrypt("Plain"), Utf8(u8"Hello \u00E9") + "\x01");
    FStore.WriteCrypt("Far", Utf8(u8"\u65E5\U0001F600"));
    EXPECT_EQ(RawRegistryValue("Far"), L"\x65E0\xD83D\xDEFB"); // within their blocks: U+65E0, U+1F6FB
}

TEST_F(TextStore, IniSectionsNamesAndValuesGoBeyondAscii)
{
    FStore.SetDatatype(sIniFile);
    FStore.WriteStr(Name(), CafeNihon());
    FStore.WriteCrypt(Greek(), Secret());
    EXPECT_EQ(FStore.ReadStr(Name()), CafeNihon());
    EXPECT_EQ(FStore.ReadCrypt(Greek()), Secret());
    TStringList values;
    FStore.ReadStrs(values);
    ASSERT_EQ(values.Count(), 2);
    EXPECT_EQ(values.Get(0), Name() + "=" + CafeNihon());
    EXPECT_EQ(values.Names(1), Greek());

    // The file is UTF-8, and carries its name on the Linux side.
    const std::string bytes = ReadBytes(FStore.Inifile()->Filename());
    EXPECT_TRUE(bytes.starts_with("[" + CafeNihon() + "]\r\n" + Name() + "=" + CafeNihon() + "\r\n")) << bytes;
    const std::string host = HostPath(AnsiToWide(FFolder.Path()));
    EXPECT_TRUE(host.empty() || host.ends_with("/" + CafeNihon())) << host;
    EXPECT_TRUE(HostEntryExists(host, Greek() + ".ini"));

    FStore.Erase();
    EXPECT_EQ(FStore.ReadStr(Name()), "Error");
}
