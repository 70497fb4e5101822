// What TIniFile's writes leave in a file, next to what the system's profile functions write and read:
// every change reads through the system as the system's own change does, and every line the change
// does not concern keeps its bytes. QEL_INI_LAYOUT_SEED repeats a run of the random files.
#include "framework/IniFiles.h"

#include "framework/StringList.h"
#include "framework/Win32.h"
#include "framework/Win32Handles.h"
#include "tests/persistence/PersistenceTestSupport.h"

#include <gtest/gtest.h>

#include <cctype>
#include <optional>
#include <random>
#include <vector>

using namespace std::string_literals;

namespace {

enum class TOperation { Write, Delete, Erase };

// What a program that uses the system's profile functions sees of a file: the section names, and for
// each the lines of its first section of that name, as the system lists them.
std::string SystemView(const std::string& fileName)
{
    std::vector<char> buffer(1 << 16);
    const DWORD length =
        GetPrivateProfileSectionNamesA(buffer.data(), static_cast<DWORD>(buffer.size()), fileName.c_str());
    std::string view;
    for (std::size_t at = 0; at < length;) {
        const std::string section(buffer.data() + at);
        at += section.size() + 1;
        std::vector<char> lines(1 << 16);
        const DWORD size = GetPrivateProfileSectionA(section.c_str(), lines.data(), static_cast<DWORD>(lines.size()),
                                                     fileName.c_str());
        view += "[" + section + "]\n";
        for (std::size_t line = 0; line < size;) {
            const std::string text(lines.data() + line);
            view += text + "\n";
            line += text.size() + 1;
        }
    }
    return view;
}

std::string SystemRead(const std::string& fileName, const std::string& section, const std::string& name)
{
    std::vector<char> buffer(1 << 16);
    const DWORD length = GetPrivateProfileStringA(section.c_str(), name.c_str(), "<absent>", buffer.data(),
                                                  static_cast<DWORD>(buffer.size()), fileName.c_str());
    return std::string(buffer.data(), length);
}

// ReadSectionValues as the system's calls give it: the names, then each value.
std::vector<std::string> SystemSectionValues(const std::string& fileName, const std::string& section)
{
    std::vector<char> buffer(1 << 16);
    const DWORD length = GetPrivateProfileStringA(section.c_str(), nullptr, "", buffer.data(),
                                                  static_cast<DWORD>(buffer.size()), fileName.c_str());
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < length;) {
        const std::size_t end = std::string_view(buffer.data(), length).find('\0', at);
        const std::string name(buffer.data() + at, (end == std::string::npos ? length : end) - at);
        if (const std::string value = SystemRead(fileName, section, name); value != "<absent>")
            lines.push_back(name + "=" + value);
        at = end == std::string::npos ? length : end + 1;
    }
    return lines;
}

void SystemChange(const std::string& fileName, TOperation operation, const std::string& section,
                  const std::string& name, const std::string& value)
{
    const BOOL done =
        WritePrivateProfileStringA(section.c_str(), operation == TOperation::Erase ? nullptr : name.c_str(),
                                   operation == TOperation::Write ? value.c_str() : nullptr, fileName.c_str());
    ASSERT_TRUE(done) << "the system's write failed with " << GetLastError();
}

void OurChange(const std::string& fileName, TOperation operation, const std::string& section, const std::string& name,
               const std::string& value)
{
    TIniFile ini(fileName);
    switch (operation) {
    case TOperation::Write:
        ini.WriteString(section, name, value);
        break;
    case TOperation::Delete:
        ini.DeleteKey(section, name);
        break;
    case TOperation::Erase:
        ini.EraseSection(section);
        break;
    }
}

// The lines of a file, each with its line break.
std::vector<std::string> RawLines(const std::string& content)
{
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < content.size();) {
        std::size_t end = content.find_first_of("\r\n", at);
        if (end == std::string::npos)
            end = content.size();
        else if (content[end] == '\r' && end + 1 < content.size() && content[end + 1] == '\n')
            end += 2;
        else
            ++end;
        lines.push_back(content.substr(at, end - at));
        at = end;
    }
    return lines;
}

// The number of lines of before that after no longer has: all but those at the start and at the end
// that both share. A line ending in a lone CR that now ends in CR LF is kept: so it ends where a line
// removed after it was followed by a blank line that starts with its LF.
std::size_t LinesChanged(const std::string& before, const std::string& after)
{
    const std::vector<std::string> old = RawLines(before), now = RawLines(after);
    const auto same = [](const std::string& was, const std::string& is) {
        return was == is || (was.ends_with('\r') && is == was + '\n');
    };
    std::size_t head = 0;
    while (head < old.size() && head < now.size() && same(old[head], now[head]))
        ++head;
    std::size_t tail = 0;
    while (tail < old.size() - head && tail < now.size() - head &&
           same(old[old.size() - 1 - tail], now[now.size() - 1 - tail]))
        ++tail;
    return old.size() - head - tail;
}

// ---------------------------------------------------------------------------------------------------
// Cases measured against the system's writer

struct TLayoutCase {
    const char* Title;
    std::optional<std::string> Before; // none: no file
    TOperation Operation;
    std::string Section, Name, Value;
    std::optional<std::string> After; // what our write leaves; none: still no file
};

const TLayoutCase LayoutCases[] = {
    {"a missing file is created", std::nullopt, TOperation::Write, "S", "K", "V", "[S]\r\nK=V\r\n"},
    {"deleting from a missing file creates none", std::nullopt, TOperation::Delete, "S", "K", "", std::nullopt},
    {"erasing in a missing file creates none", std::nullopt, TOperation::Erase, "S", "", "", std::nullopt},
    {"an empty file", "", TOperation::Write, "A", "k", "v", "[A]\r\nk=v\r\n"},
    {"a new section goes at the end", "[A]\r\nx=1\r\n", TOperation::Write, "B", "k", "v",
     "[A]\r\nx=1\r\n[B]\r\nk=v\r\n"},
    {"a last line without a line break gets one", "[A]\r\nx=1", TOperation::Write, "B", "k", "v",
     "[A]\r\nx=1\r\n[B]\r\nk=v\r\n"},
    {"a new entry follows the section's last entry", "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n", TOperation::Write, "A", "k",
     "v", "[A]\r\nx=1\r\nk=v\r\n\r\n[B]\r\ny=2\r\n"},
    {"a new entry follows a comment at the section's end", "[A]\r\nx=1\r\n;c\r\n[B]\r\ny=2\r\n", TOperation::Write, "A",
     "k", "v", "[A]\r\nx=1\r\n;c\r\nk=v\r\n[B]\r\ny=2\r\n"},
    {"blank lines of blanks only stay after the new entry", "[A]\r\nx=1\r\n   \r\n[B]\r\n", TOperation::Write, "A", "k",
     "v", "[A]\r\nx=1\r\nk=v\r\n   \r\n[B]\r\n"},
    {"odd spacing stays", "  [A]  \r\n  x  =  1  \r\n\tz\t=\t2\r\n", TOperation::Write, "A", "k", "v",
     "  [A]  \r\n  x  =  1  \r\n\tz\t=\t2\r\nk=v\r\n"},
    {"a value changes in place", "  [A]  \r\n  x  =  1  \r\n\tz\t=\t2\r\n", TOperation::Write, "A", "x", "9",
     "  [A]  \r\n  x  =  9\r\n\tz\t=\t2\r\n"},
    {"line feeds stay", "[A]\nx=1\n\n[B]\ny=2\n", TOperation::Write, "A", "x", "9", "[A]\nx=9\n\n[B]\ny=2\n"},
    {"new lines end with the file's line feeds", "[A]\nx=1\n\n[B]\ny=2\n", TOperation::Write, "A", "k", "v",
     "[A]\nx=1\nk=v\n\n[B]\ny=2\n"},
    {"carriage returns alone stay", "[A]\rx=1\r[B]\ry=2\r", TOperation::Write, "A", "k", "v",
     "[A]\rx=1\rk=v\r[B]\ry=2\r"},
    {"the same value leaves the file alone", "[A]\n  x = 1\n", TOperation::Write, "A", "x", "1", "[A]\n  x = 1\n"},
    {"a value holding '='", "[A]\r\nx=1\r\n", TOperation::Write, "A", "k", "a=b=c", "[A]\r\nx=1\r\nk=a=b=c\r\n"},
    {"an empty value", "[A]\r\nx=1\r\n", TOperation::Write, "A", "k", "", "[A]\r\nx=1\r\nk=\r\n"},
    {"an empty value replaced", "[A]\r\nx=\r\n", TOperation::Write, "A", "x", "y", "[A]\r\nx=y\r\n"},
    {"deleting the last entry keeps the header", "[A]\r\nx=1\r\n[B]\r\ny=2\r\n", TOperation::Delete, "A", "x", "",
     "[A]\r\n[B]\r\ny=2\r\n"},
    {"deleting the entry between a lone CR and a blank line keeps the blank line", "[A]\rx=1\n\ny=2\r\n",
     TOperation::Delete, "A", "x", "", "[A]\r\n\ny=2\r\n"},
    {"deleting an absent entry leaves the file alone", "[A]\r\nx=1\r\n", TOperation::Delete, "A", "q", "",
     "[A]\r\nx=1\r\n"},
    {"an entry of a later section of the same name is deleted", "[A]\r\nx=1\r\n[B]\r\ny=2\r\n[a]\r\nz=3\r\n",
     TOperation::Delete, "A", "z", "", "[A]\r\nx=1\r\n[B]\r\ny=2\r\n[a]\r\n"},
    {"a write goes to the first section of a name", "[A]\r\nx=1\r\n[B]\r\ny=2\r\n[a]\r\nz=3\r\n", TOperation::Write,
     "A", "z", "9", "[A]\r\nx=1\r\nz=9\r\n[B]\r\ny=2\r\n[a]\r\nz=3\r\n"},
    {"erasing takes the first section of a name", "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n[a]\r\nz=3\r\n", TOperation::Erase,
     "A", "", "", "[B]\r\ny=2\r\n[a]\r\nz=3\r\n"},
    {"erasing an absent section leaves the file alone", "[A]\r\nx=1\r\n", TOperation::Erase, "Q", "", "",
     "[A]\r\nx=1\r\n"},
    {"erasing the last section", "[A]\r\nx=1\r\n[B]\r\ny=2", TOperation::Erase, "B", "", "", "[A]\r\nx=1\r\n"},
    {"entries before the first section stay", "top=1\r\n[A]\r\nx=1\r\n", TOperation::Write, "A", "k", "v",
     "top=1\r\n[A]\r\nx=1\r\nk=v\r\n"},
    {"blanks around a section name", "[ A ]\r\nx=1\r\n", TOperation::Write, "A", "x", "2", "[ A ]\r\nx=2\r\n"},
    {"text after a section header", "[A] junk\r\nx=1\r\n", TOperation::Write, "A", "k", "v",
     "[A] junk\r\nx=1\r\nk=v\r\n"},
    {"names in another case", "[sEc]\r\nKEY=1\r\n", TOperation::Write, "Sec", "key", "2", "[sEc]\r\nKEY=2\r\n"},
    {"a line without '=' gets a value", "[A]\r\nloose\r\nx=1\r\n", TOperation::Write, "A", "loose", "2",
     "[A]\r\nloose=2\r\nx=1\r\n"},
    {"a line without '=' is deleted", "[A]\r\nloose\r\nx=1\r\n", TOperation::Delete, "A", "loose", "",
     "[A]\r\nx=1\r\n"},
    {"a comment is not an entry", "[A]\r\n;k=1\r\nx=1\r\n", TOperation::Write, "A", "k", "v",
     "[A]\r\n;k=1\r\nx=1\r\nk=v\r\n"},
    {"the first of two entries of a name is written", "[A]\r\nx=1\r\nx=2\r\n", TOperation::Write, "A", "x", "3",
     "[A]\r\nx=3\r\nx=2\r\n"},
    {"the first of two entries of a name is deleted", "[A]\r\nx=1\r\nx=2\r\n", TOperation::Delete, "A", "x", "",
     "[A]\r\nx=2\r\n"},
    {"a '[' line without ']' is an entry", "[A]\r\n[B\r\nx=1\r\n", TOperation::Write, "A", "k", "v",
     "[A]\r\n[B\r\nx=1\r\nk=v\r\n"},
    {"blank lines at the start stay", "\r\n\r\n[A]\r\nx=1\r\n", TOperation::Write, "A", "k", "v",
     "\r\n\r\n[A]\r\nx=1\r\nk=v\r\n"},
    {"a Ctrl-Z at the end is a blank", "[A]\r\nx=1\r\n\x1a", TOperation::Write, "A", "k", "v",
     "[A]\r\nx=1\r\nk=v\r\n\x1a"},
    {"bytes outside the code page's letters stay", "[A]\r\nx=\x81\x8d\x90\xa0\r\n", TOperation::Write, "A", "k", "v",
     "[A]\r\nx=\x81\x8d\x90\xa0\r\nk=v\r\n"},
    {"a text of UTF-8 gets UTF-8", "\xEF\xBB\xBF[A]\r\nx=1\r\n", TOperation::Write, "A", "k", "\xE9",
     "\xEF\xBB\xBF[A]\r\nx=1\r\nk=\xC3\xA9\r\n"},
    {"a text of UTF-16", "\xFF\xFE[\0A\0]\0\r\0\n\0"s, TOperation::Write, "A", "k", "\xE9",
     "\xFF\xFE[\0A\0]\0\r\0\n\0k\0=\0\xE9\0\r\0\n\0"s},
    {"a text of UTF-16 in the other byte order", "\xFE\xFF\0[\0A\0]\0\r\0\n\0x\0=\0\x31"s, TOperation::Write, "B", "k",
     "v", "\xFE\xFF\0[\0A\0]\0\r\0\n\0x\0=\0\x31\0\r\0\n\0[\0B\0]\0\r\0\n\0k\0=\0v\0\r\0\n"s},
};

void PrintTo(const TLayoutCase& c, std::ostream* out)
{
    *out << c.Title;
}

class IniFileLayout : public testing::TestWithParam<TLayoutCase> {};

TEST_P(IniFileLayout, ReadsAsTheSystemsWriteAndKeepsOtherLines)
{
    const TLayoutCase& c = GetParam();
    TTempIniFile system, ours;
    if (c.Before) {
        system.SetContent(*c.Before);
        ours.SetContent(*c.Before);
    }
    SystemChange(system.Path(), c.Operation, c.Section, c.Name, c.Value);
    OurChange(ours.Path(), c.Operation, c.Section, c.Name, c.Value);
    EXPECT_EQ(ours.Exists(), c.After.has_value());
    if (c.After) {
        EXPECT_EQ(ours.Content(), *c.After);
    }
    EXPECT_EQ(SystemView(ours.Path()), SystemView(system.Path()));
}

INSTANTIATE_TEST_SUITE_P(Cases, IniFileLayout, testing::ValuesIn(LayoutCases),
                         [](const testing::TestParamInfo<TLayoutCase>& info) {
                             std::string name;
                             for (const char* c = info.param.Title; *c; ++c)
                                 if (std::isalnum(static_cast<unsigned char>(*c)))
                                     name += *c;
                             return name;
                         });

TEST(IniFileLayoutDetails, AnUnchangedValueLeavesTheFileUntouched)
{
    TTempIniFile file;
    file.SetContent("[A]\r\n x = 1 \r\n");
    const TKernelHandle opened(CreateFileA(file.Path().c_str(), GENERIC_READ,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
    FILETIME before{}, after{};
    ASSERT_TRUE(GetFileTime(opened.Get(), nullptr, nullptr, &before));
    TIniFile(file.Path()).WriteString("A", "X", "1");
    ASSERT_TRUE(GetFileTime(opened.Get(), nullptr, nullptr, &after));
    EXPECT_EQ(CompareFileTime(&before, &after), 0);
    EXPECT_EQ(file.Content(), "[A]\r\n x = 1 \r\n");
}

// ---------------------------------------------------------------------------------------------------
// Files of every odd shape the system reads, changed at random by both writers

// Lines as programs and people write them: headers and entries with blanks, in other cases, twice;
// comments, blank lines, lines without '=', and the three kinds of line break.
std::string RandomFile(std::mt19937& random)
{
    static const char* const lines[] = {"[Alpha]",
                                        "[ alpha ]",
                                        "\t[ALPHA]\t",
                                        "[Beta]",
                                        "[beta] trailing",
                                        "[Gamma]",
                                        "[Delta",
                                        "One=1",
                                        "  one = uno  ",
                                        "TWO=2",
                                        "two",
                                        "  Three=a=b",
                                        "three =  \"quoted\"  ",
                                        "Four='x'",
                                        ";One=comment",
                                        "; a comment",
                                        "=no name",
                                        "",
                                        "   ",
                                        "\t",
                                        "Five=\xE9t\xE9",
                                        "six=\"",
                                        "x"};
    static const char* const breaks[] = {"\r\n", "\r\n", "\r\n", "\n", "\r"};
    std::string text;
    const int count = std::uniform_int_distribution<int>(0, 14)(random);
    for (int i = 0; i < count; ++i) {
        text += lines[std::uniform_int_distribution<std::size_t>(0, std::size(lines) - 1)(random)];
        if (i + 1 < count || random() % 4 != 0)
            text += breaks[std::uniform_int_distribution<std::size_t>(0, std::size(breaks) - 1)(random)];
    }
    switch (random() % 8) {
    case 0:
        return "\xEF\xBB\xBF" + text;
    case 1: {
        std::string wide = "\xFF\xFE";
        for (char c : text)
            wide += std::string{c, '\0'}; // the code page's first 256 characters are UTF-16's
        return wide;
    }
    default:
        return text;
    }
}

TEST(IniFileLayoutRandom, FilesChangedByBothWritersReadAlike)
{
    const auto seed = static_cast<std::uint32_t>(EnvironmentNumber("QEL_INI_LAYOUT_SEED", std::random_device{}()));
    std::mt19937 random(seed);
    static const char* const sections[] = {"Alpha", "alpha", "Beta", "Gamma", "Delta", "New"};
    static const char* const names[] = {"One", "one", "TWO", "Three", "three", "Four", "Five", "six", "x", "Seven"};
    static const char* const values[] = {"1", "v", "a=b", "", "x y", "\xE9"};
    static const char* const readSections[] = {"Alpha", " alpha ", "BETA", "Gamma", "Delta", "New", "Delta"};
    static const char* const readNames[] = {"One", " TWO ", "three", "Four", "Five", "six", "x", "Seven", ";One", ""};
    auto pick = [&](const auto& list) {
        return list[std::uniform_int_distribution<std::size_t>(0, std::size(list) - 1)(random)];
    };
    for (int round = 0; round < 40; ++round) {
        TTempIniFile system, ours;
        const std::string start = RandomFile(random);
        system.SetContent(start);
        ours.SetContent(start);
        for (int step = 0; step < 6; ++step) {
            const auto operation = static_cast<TOperation>(random() % 3);
            const std::string section = pick(sections), name = pick(names), value = pick(values);
            const std::string before = ours.Content();
            SystemChange(system.Path(), operation, section, name, value);
            OurChange(ours.Path(), operation, section, name, value);
            const std::string trace =
                "seed " + std::to_string(seed) + ", round " + std::to_string(round) + ", step " + std::to_string(step) +
                ", operation " + std::to_string(static_cast<int>(operation)) + " [" + section + "] " + name + "=" +
                value + "\nstart: " + start + "\nbefore: " + before + "\nafter: " + ours.Content();
            ASSERT_EQ(SystemView(ours.Path()), SystemView(system.Path())) << trace;
            if (operation != TOperation::Erase && !before.starts_with("\xFF\xFE")) {
                ASSERT_LE(LinesChanged(before, ours.Content()), 1u) << trace;
            }
            TIniFile ini(ours.Path());
            for (const char* readSection : readSections) {
                for (const char* readName : readNames)
                    ASSERT_EQ(ini.ReadString(readSection, readName, "<absent>"),
                              SystemRead(ours.Path(), readSection, readName))
                        << trace << "\nread [" << readSection << "] " << readName;
                TStringList list;
                ini.ReadSectionValues(readSection, list);
                std::vector<std::string> read;
                for (int i = 0; i < list.Count(); ++i)
                    read.push_back(list[i]);
                ASSERT_EQ(read, SystemSectionValues(ours.Path(), readSection)) << trace << "\nsection " << readSection;
            }
        }
    }
}

} // namespace
