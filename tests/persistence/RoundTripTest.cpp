// Text written through the data store comes back byte for byte from the registry and from an INI file,
// or its write raises and changes nothing; scrambled printable text never needs to raise.
#include "persistence/QELTStoreData.h"

#include "framework/IniFiles.h"
#include "tests/persistence/PersistenceTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

using namespace std::string_literals;

namespace {

// The characters of the ANSI code page 1252 that print: blank to tilde, and the codes from 0x80 up
// that the code page defines.
std::string PrintableCharacters()
{
    std::string printable;
    for (int c = 0x20; c <= 0xFF; ++c)
        if (c != 0x7F && c != 0x81 && c != 0x8D && c != 0x8F && c != 0x90 && c != 0x9D)
            printable += static_cast<char>(c);
    return printable;
}

// What scrambled text must always be able to hold: tab, the line breaks and every printable byte
// (blank to tilde, and everything from 0x80 up).
std::string ScrambleSafeCharacters()
{
    std::string characters = "\t\r\n";
    for (int c = 0x20; c <= 0xFF; ++c)
        if (c != 0x7F)
            characters += static_cast<char>(c);
    return characters;
}

// What a line of an INI file cannot hold.
bool IniCannotHold(const std::string& text)
{
    return text.find_first_of("\r\n\0"s) != std::string::npos;
}

// Text for a failure message: non-printable bytes as \xNN, long texts cut short.
std::string Visible(const std::string& text)
{
    constexpr std::size_t shown = 64;
    std::string visible;
    for (unsigned char c : text.substr(0, shown)) {
        if (c >= 0x20 && c < 0x7F) {
            visible += static_cast<char>(c);
        } else {
            static const char digits[] = "0123456789ABCDEF";
            visible += "\\x";
            visible += digits[c >> 4];
            visible += digits[c & 15];
        }
    }
    if (text.size() > shown)
        visible += "... (" + std::to_string(text.size()) + " bytes)";
    return visible;
}

// Reproducible texts of 0 to 1,024 bytes of four kinds: any bytes, bytes an INI line can hold,
// printable text, and short texts of the characters a private-profile reader trims or treats
// specially, which are the ones most likely to come back changed.
class TTextSource {
public:
    explicit TTextSource(std::uint32_t seed) : FRandom(seed) {}

    std::string Next()
    {
        static const std::string printable = PrintableCharacters();
        static const std::string special = " \t\x0b\x0c\x1a\"'=;[]\xA0" "a";
        const std::uint32_t kind = FRandom() % 4;
        const std::size_t length = FRandom() % 2 ? FRandom() % 1025 : FRandom() % 17;
        std::string text(length, '\0');
        for (char& c : text) {
            switch (kind) {
            case 0:
                c = static_cast<char>(FRandom() % 256);
                break;
            case 1:
                do
                    c = static_cast<char>(FRandom() % 256);
                while (c == '\r' || c == '\n' || c == '\0');
                break;
            case 2:
                c = printable[FRandom() % printable.size()];
                break;
            default:
                c = special[FRandom() % special.size()];
                break;
            }
        }
        return text;
    }

private:
    std::mt19937 FRandom;
};

class RoundTripTest : public testing::Test {
protected:
    RoundTripTest()
    {
        FRegistryStore.Registry()->SetPath(FKey.Path());
        FIniStore.SetDatatype(sIniFile);
        FIniStore.Inifile()->SetFilename(FFile.Path());
    }

    TTempRegistryKey FKey;
    TTempIniFile FFile;
    TQELDataStore FRegistryStore;
    TQELDataStore FIniStore;
};

TEST_F(RoundTripTest, RandomTextsComeBackWholeOrTheirWriteRaisesAndChangesNothing)
{
    constexpr int count = 10000;
    constexpr int names = 8;
    TTextSource source(20240611);

    // What each INI value holds: its text and whether it was written scrambled.
    struct TIniValue {
        std::string Text;
        bool Scrambled = false;
    };
    std::map<std::string, TIniValue> iniValues;
    int failures = 0, iniRaised = 0, iniWritten = 0;
    auto fail = [&](const std::string& what) {
        if (++failures <= 10)
            ADD_FAILURE() << what;
    };

    for (int i = 0; i < count; ++i) {
        const std::string text = source.Next();
        const std::string name = "V" + std::to_string(i % names);
        const bool scrambled = i % 2 == 1;
        const std::string context = "text " + std::to_string(i) + (scrambled ? " (scrambled)" : "") + " [" +
                                    Visible(text) + "]";

        // The registry holds every byte.
        std::string stored; // the form in which the text is stored, as read back unscrambled
        try {
            if (scrambled) {
                FRegistryStore.WriteCrypt(name, text);
                if (FRegistryStore.ReadCrypt(name) != text)
                    fail("registry changed " + context);
                stored = FRegistryStore.ReadStr(name);
            } else {
                FRegistryStore.WriteStr(name, text);
                stored = FRegistryStore.ReadStr(name);
                if (stored != text)
                    fail("registry changed " + context);
            }
        } catch (const Exception& e) {
            fail("registry raised " + e.Message() + " for " + context);
        }

        // The INI file holds what fits on a line, and refuses the rest without touching the file.
        const bool mustRaise = IniCannotHold(stored);
        const std::string fileBefore = mustRaise ? FFile.Content() : std::string();
        try {
            if (scrambled)
                FIniStore.WriteCrypt(name, text);
            else
                FIniStore.WriteStr(name, text);
            ++iniWritten;
            if (mustRaise)
                fail("INI did not raise for " + context);
            iniValues[name] = {text, scrambled};
        } catch (const EIniFileException&) {
            ++iniRaised;
            if (!mustRaise)
                fail("INI raised for " + context);
            else if (FFile.Content() != fileBefore)
                fail("INI file changed by the refused write of " + context);
        }
        if (auto found = iniValues.find(name); found != iniValues.end()) {
            const TIniValue& expected = found->second;
            const std::string read = expected.Scrambled ? FIniStore.ReadCrypt(name) : FIniStore.ReadStr(name);
            if (read != expected.Text)
                fail("INI gave [" + Visible(read) + "] for " + context);
        }
    }
    EXPECT_EQ(failures, 0);
    // Both outcomes were exercised in earnest.
    EXPECT_GT(iniRaised, count / 10);
    EXPECT_GT(iniWritten, count / 2);
}

TEST_F(RoundTripTest, ScrambledTabLineBreaksAndPrintableCharactersNeverBecomeWhatAnIniFileCannotHold)
{
    for (char c : ScrambleSafeCharacters()) {
        const std::string text(1, c);
        FRegistryStore.WriteCrypt("C", text);
        const std::string stored = FRegistryStore.ReadStr("C");
        ASSERT_EQ(stored.size(), 1u);
        EXPECT_FALSE(IniCannotHold(stored)) << "character " << Visible(text) << " is stored as " << Visible(stored);
    }
}

TEST_F(RoundTripTest, TabLineBreaksAndPrintableTextRoundTripScrambledThroughAnIniFile)
{
    const std::string printable = ScrambleSafeCharacters();
    // Each character alone (so at both ends of a value), then all of them together.
    for (char c : printable) {
        const std::string text(1, c);
        ASSERT_NO_THROW(FIniStore.WriteCrypt("C", text)) << Visible(text);
        EXPECT_EQ(FIniStore.ReadCrypt("C"), text) << Visible(text);
        ASSERT_NO_THROW(FIniStore.WriteCrypt("C", text + printable + text)) << Visible(text);
        EXPECT_EQ(FIniStore.ReadCrypt("C"), text + printable + text) << Visible(text);
    }
    // Random such texts of every length up to 1,024.
    std::mt19937 random(1252);
    for (int i = 0; i < 500; ++i) {
        std::string text(random() % 1025, '\0');
        for (char& c : text)
            c = printable[random() % printable.size()];
        ASSERT_NO_THROW(FIniStore.WriteCrypt("R", text)) << Visible(text);
        EXPECT_EQ(FIniStore.ReadCrypt("R"), text) << Visible(text);
    }
}

} // namespace
