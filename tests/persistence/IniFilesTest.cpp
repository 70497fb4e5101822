// TIniFile on real files.
#include "framework/IniFiles.h"

#include "framework/StringList.h"
#include "framework/SysErrors.h"
#include "framework/Win32.h"
#include "framework/Win32Handles.h"
#include "tests/persistence/ChildProcess.h"
#include "tests/persistence/PersistenceTestSupport.h"
#include "tests/support/ImportPatch.h"

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <functional>
#include <string_view>
#include <utility>

using namespace std::string_literals;

namespace {

class IniFileTest : public testing::Test {
protected:
    IniFileTest() : FIni(FFile.Path()) {}

    TTempIniFile FFile;
    TIniFile FIni;
};

TEST_F(IniFileTest, WritesOrdinaryEntriesTheOrdinaryWay)
{
    FIni.WriteString("Section", "Name", "Value with inner  blanks");
    FIni.WriteInteger("Section", "Count", -42);
    FIni.WriteBool("Section", "Flag", true);
    EXPECT_EQ(FFile.Content(), "[Section]\r\nName=Value with inner  blanks\r\nCount=-42\r\nFlag=1\r\n");

    EXPECT_EQ(FIni.ReadString("Section", "Name", ""), "Value with inner  blanks");
    EXPECT_EQ(FIni.ReadInteger("Section", "Count", 0), -42);
    EXPECT_TRUE(FIni.ReadBool("Section", "Flag", false));
}

TEST_F(IniFileTest, ReadsFallBackToTheirDefault)
{
    EXPECT_EQ(FIni.ReadString("Section", "Name", "  default  "), "  default  ");
    EXPECT_EQ(FIni.ReadString("Section", "Name", "\n"), "\n");
    EXPECT_EQ(FIni.ReadInteger("Section", "Name", INT_MIN), INT_MIN);
    EXPECT_TRUE(FIni.ReadBool("Section", "Name", true));
    FIni.WriteString("Section", "Text", "twelve");
    EXPECT_EQ(FIni.ReadInteger("Section", "Text", 99), 99);
    EXPECT_FALSE(FIni.ReadBool("Section", "Text", false));
}

TEST_F(IniFileTest, IntegersRoundTrip)
{
    for (int value : {0, 1, -1, 123456789, INT_MIN, INT_MAX}) {
        FIni.WriteInteger("S", "I", value);
        EXPECT_EQ(FIni.ReadInteger("S", "I", value == 0 ? 1 : 0), value);
    }
}

TEST_F(IniFileTest, ValuesTheSystemWouldTrimAreQuotedAndComeBackWhole)
{
    const std::string values[] = {" leading",   "trailing ", "\ttab\t",        "\"quoted\"", "'single'",
                                  "\"",         "'",         "\"unbalanced",   "mixed\"'",   " ",
                                  "\x1a" "ctrl-z", "\x0b\x0c", "''",            ""};
    for (const std::string& value : values) {
        FIni.WriteString("S", "V", value);
        EXPECT_EQ(FIni.ReadString("S", "V", "default"), value) << "value [" << value << "]";
    }
    FIni.WriteString("S", "V", " x ");
    EXPECT_NE(FFile.Content().find("V=\" x \"\r\n"), std::string::npos) << FFile.Content();
}

TEST_F(IniFileTest, ValuesOtherProgramsWroteReadAsBefore)
{
    FFile.SetContent("[S]\r\nQuoted=\"inside quotes\"\r\nSingle='single'\r\nPadded=   padded   \r\n"
                     "Plain=plain\r\n");
    EXPECT_EQ(FIni.ReadString("S", "Quoted", ""), "inside quotes");
    EXPECT_EQ(FIni.ReadString("S", "Single", ""), "single");
    EXPECT_EQ(FIni.ReadString("S", "Padded", ""), "padded");
    EXPECT_EQ(FIni.ReadString("S", "Plain", ""), "plain");
}

// Another program's change is seen at the next read: of a file at rest, a change of its time or of
// its size; of a file written a moment ago (one that may change again within the same tick of the
// clock), any change.
TEST_F(IniFileTest, AChangeAnotherProgramMakesIsSeenAtTheNextRead)
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    auto rewrite = [&](const std::string& value, std::int64_t seconds) {
        FFile.SetContent("[S]\r\nN=" + value + "\r\n");
        ULARGE_INTEGER time{{now.dwLowDateTime, now.dwHighDateTime}};
        time.QuadPart += static_cast<ULONGLONG>(seconds * 10000000);
        const FILETIME written{time.LowPart, time.HighPart};
        const TKernelHandle file(CreateFileA(FFile.Path().c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                             OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(SetFileTime(file.Get(), nullptr, nullptr, &written));
    };
    rewrite("1", -3600);
    {
        // As through the system's profile functions, a file no one may read reads as empty.
        const TKernelHandle held(
            CreateFileA(FFile.Path().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        EXPECT_EQ(FIni.ReadString("S", "N", "absent"), "absent");
    }
    EXPECT_EQ(FIni.ReadString("S", "N", ""), "1");
    rewrite("2", -3599);
    EXPECT_EQ(FIni.ReadString("S", "N", ""), "2");
    rewrite("333", -3599);
    EXPECT_EQ(FIni.ReadString("S", "N", ""), "333");
    // A time ahead of the clock is always a moment ago.
    rewrite("4", 3600);
    EXPECT_EQ(FIni.ReadString("S", "N", ""), "4");
    rewrite("5", 3600);
    EXPECT_EQ(FIni.ReadString("S", "N", ""), "5");
}

TEST_F(IniFileTest, AValueALineCannotHoldRaisesAndChangesNothing)
{
    FIni.WriteString("S", "V", "kept");
    const std::string before = FFile.Content();
    for (const std::string& value : {"line\nfeed"s, "carriage\rreturn"s, "nul\0inside"s, "\r\n"s}) {
        try {
            FIni.WriteString("S", "V", value);
            FAIL() << "no exception";
        } catch (const EIniFileException& e) {
            EXPECT_NE(e.Message().find(FFile.Path()), std::string::npos) << e.Message();
            EXPECT_NE(e.Message().find("'V'"), std::string::npos) << e.Message();
        }
        EXPECT_EQ(FFile.Content(), before);
    }
    EXPECT_EQ(FIni.ReadString("S", "V", ""), "kept");
}

TEST_F(IniFileTest, NamesThatWouldReadBackAsSomethingElseRaise)
{
    for (const std::string& name :
         {"a=b"s, ""s, " lead"s, "trail "s, "line\nbreak"s, "nul\0"s, ";comment"s, "[header"s}) {
        EXPECT_THROW(FIni.WriteString("S", name, "v"), EIniFileException) << "name [" << name << "]";
        EXPECT_THROW(FIni.DeleteKey("S", name), EIniFileException) << "name [" << name << "]";
    }
    for (const std::string& section : {"a]b"s, ""s, " lead"s, "trail "s, "line\rbreak"s, "nul\0"s}) {
        EXPECT_THROW(FIni.WriteString(section, "N", "v"), EIniFileException) << "section [" << section << "]";
        EXPECT_THROW(FIni.EraseSection(section), EIniFileException) << "section [" << section << "]";
    }
    EXPECT_THROW((void)FIni.ReadString("S\0T"s, "N", ""), EIniFileException);
    EXPECT_FALSE(FFile.Exists());
}

TEST_F(IniFileTest, AWriteTheSystemRefusesRaisesNamingTheFile)
{
    TIniFile ini("C:\\qel-no-such-directory\\deeper\\file.ini");
    try {
        ini.WriteString("S", "N", "v");
        FAIL() << "no exception";
    } catch (const EIniFileException& e) {
        EXPECT_NE(e.Message().find("C:\\qel-no-such-directory\\deeper\\file.ini"), std::string::npos) << e.Message();
    }
}

TEST_F(IniFileTest, ABareFileNameGoesWhereTheSystemPutsIniFiles)
{
    const std::string bare = "qel-bare-" + std::to_string(GetCurrentProcessId()) + ".ini";
    char windows[MAX_PATH];
    ASSERT_NE(GetWindowsDirectoryA(windows, MAX_PATH), 0u);
    const std::string expected = std::string(windows) + "\\" + bare;
    TIniFile ini(bare);
    ini.WriteString("S", "N", "v");
    const bool there = GetFileAttributesA(expected.c_str()) != INVALID_FILE_ATTRIBUTES;
    (void)DeleteFileA(expected.c_str());
    EXPECT_TRUE(there) << expected;
    EXPECT_EQ(ini.FileName(), bare);
}

TEST_F(IniFileTest, LongValuesAndLongSectionsAreReadWhole)
{
    const std::string longValue(5000, 'v');
    FIni.WriteString("S", "Long", longValue);
    EXPECT_EQ(FIni.ReadString("S", "Long", ""), longValue);

    for (int i = 0; i < 200; ++i)
        FIni.WriteInteger("Many", "EntryWithALongishName" + std::to_string(i), i);
    TStringList list;
    FIni.ReadSectionValues("Many", list);
    ASSERT_EQ(list.Count(), 200);
    EXPECT_EQ(list[0], "EntryWithALongishName0=0");
    EXPECT_EQ(list[199], "EntryWithALongishName199=199");
}

TEST_F(IniFileTest, ReadSectionValuesGivesEachValueAsReadStringDoes)
{
    FIni.WriteString("S", "Padded", "  padded  ");
    FIni.WriteString("S", "Quoted", "\"q\"");
    FIni.WriteString("S", "Plain", "plain");
    TStringList list;
    list.Add("old line");
    FIni.ReadSectionValues("S", list);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list[0], "Padded=  padded  ");
    EXPECT_EQ(list[1], "Quoted=\"q\"");
    EXPECT_EQ(list[2], "Plain=plain");

    FIni.ReadSectionValues("Missing", list);
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(IniFileTest, EraseSectionAndDeleteKey)
{
    FIni.WriteString("S", "A", "1");
    FIni.WriteString("S", "B", "2");
    FIni.WriteString("T", "C", "3");
    FIni.DeleteKey("S", "A");
    EXPECT_EQ(FIni.ReadString("S", "A", "gone"), "gone");
    EXPECT_EQ(FIni.ReadString("S", "B", ""), "2");
    FIni.EraseSection("S");
    EXPECT_EQ(FIni.ReadString("S", "B", "gone"), "gone");
    EXPECT_EQ(FFile.Content(), "[T]\r\nC=3\r\n");
    EXPECT_NO_THROW(FIni.EraseSection("S"));
    EXPECT_NO_THROW(FIni.DeleteKey("S", "A"));
}

// Names and values the profile functions cannot take are refused before the file is touched: longer
// ones would be taken for none (which erases a section) or crash the process.
TEST_F(IniFileTest, TextsTheSystemCannotTakeAreRefusedBeforeAnyCall)
{
    FIni.WriteString("Kept", "N", "v");
    const std::string before = FFile.Content();
    const std::string longest(MaxIniText, 'x');
    const std::string tooLong(MaxIniText + 1, 'x');
    for (const std::string& text : {tooLong, std::string(40000, 's')}) {
        EXPECT_THROW(FIni.WriteString(text, "N", "v"), EIniFileException);
        EXPECT_THROW(FIni.WriteString("S", text, "v"), EIniFileException);
        EXPECT_THROW(FIni.WriteString("S", "N", text), EIniFileException);
        EXPECT_THROW((void)FIni.ReadString(text, "N", ""), EIniFileException);
        EXPECT_THROW((void)FIni.ReadString("S", text, ""), EIniFileException);
        EXPECT_THROW(FIni.EraseSection(text), EIniFileException);
        EXPECT_THROW(FIni.DeleteKey("S", text), EIniFileException);
        TStringList list;
        EXPECT_THROW(FIni.ReadSectionValues(text, list), EIniFileException);
    }
    // A value whose quotes take it over the limit is refused too.
    EXPECT_THROW(FIni.WriteString("S", "N", " " + longest.substr(2)), EIniFileException);
    EXPECT_EQ(FFile.Content(), before);

    FIni.WriteString("S", "N", longest);
    EXPECT_EQ(FIni.ReadString("S", "N", ""), longest);
    EXPECT_EQ(FIni.ReadString("Kept", "N", ""), "v");
}

TEST_F(IniFileTest, FileNamesTheSystemCannotTakeAreRefused)
{
    for (const std::string& name : {""s, "\0"s, "a\0b.ini"s, std::string(MAX_PATH, 'f') + ".ini",
                                    "C:\\" + std::string(MAX_PATH - 3, 'f')}) {
        try {
            TIniFile ini(name);
            FAIL() << "no exception for a name of " << name.size() << " characters";
        } catch (const EIniFileException& e) {
            EXPECT_NE(e.Message().find("file name"), std::string::npos) << e.Message();
            EXPECT_EQ(e.Message().find('\0'), std::string::npos) << "a NUL would cut the message short";
        }
    }
    TIniFile longest("C:\\" + std::string(MAX_PATH - 4, 'f'));
    EXPECT_EQ(longest.FileName().size(), static_cast<std::size_t>(MAX_PATH - 1));
}

// ---------------------------------------------------------------------------------------------------
// Writes that cannot be carried out, and what a write leaves besides the file

// While one lives, CreateFileA refuses to make the temporary file of a write, as in a folder that
// takes no new files.
HANDLE WINAPI RefuseTemporaryFile(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                  DWORD disposition, DWORD flags, HANDLE model)
{
    if (std::string_view(name).ends_with(".qeltmp")) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    return SystemFunction<decltype(CreateFileA)>("kernel32.dll", "CreateFileA")(name, access, share, security,
                                                                                disposition, flags, model);
}

// WriteFile as on a full disk.
BOOL WINAPI WriteOnFullDisk(HANDLE, LPCVOID, DWORD, LPDWORD written, LPOVERLAPPED)
{
    *written = 0;
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

// A handle another program holds on the file; MoveFileExA closes it after its first attempt failed.
HANDLE HeldForAMoment = nullptr;

BOOL WINAPI ReleaseAfterFirstAttempt(LPCSTR from, LPCSTR to, DWORD flags)
{
    const BOOL moved = SystemFunction<decltype(MoveFileExA)>("kernel32.dll", "MoveFileExA")(from, to, flags);
    const DWORD error = GetLastError();
    if (HeldForAMoment)
        (void)CloseHandle(std::exchange(HeldForAMoment, nullptr));
    SetLastError(error);
    return moved;
}

// A program that writes the file through the system's profile functions, in place, while a write of
// ours puts its new content on the disk.
std::string WrittenMeanwhile;

BOOL WINAPI WriteInPlaceMeanwhile(HANDLE file)
{
    if (!WrittenMeanwhile.empty())
        (void)WritePrivateProfileStringA("Theirs", "Value", "kept", std::exchange(WrittenMeanwhile, {}).c_str());
    return SystemFunction<decltype(FlushFileBuffers)>("kernel32.dll", "FlushFileBuffers")(file);
}

class IniFileRefusals : public IniFileTest {
protected:
    IniFileRefusals() { FFile.SetContent(Before); }
    ~IniFileRefusals() override { (void)SetFileAttributesA(FFile.Path().c_str(), FILE_ATTRIBUTE_NORMAL); }

    HANDLE Hold(DWORD share) const
    {
        return CreateFileA(FFile.Path().c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    // A write, a delete and an erase each raise, naming the file and the reason.
    void ExpectEveryChangeRefused(DWORD error)
    {
        const std::function<void()> changes[] = {[&] { FIni.WriteString("S", "N", "new"); },
                                                 [&] { FIni.DeleteKey("S", "N"); }, [&] { FIni.EraseSection("S"); }};
        for (const auto& change : changes) {
            try {
                change();
                ADD_FAILURE() << "no exception";
            } catch (const EIniFileException& e) {
                EXPECT_NE(e.Message().find(FFile.Path()), std::string::npos) << e.Message();
                EXPECT_NE(e.Message().find(SysErrorMessage(error)), std::string::npos) << e.Message();
            }
        }
    }
    // The file as it was, and no temporary file beside it.
    void ExpectUntouched() const
    {
        EXPECT_EQ(FFile.Content(), Before);
        EXPECT_EQ(GetFileAttributesA(Temp().c_str()), INVALID_FILE_ATTRIBUTES);
    }
    std::string Temp() const { return FFile.Path() + ".qeltmp"; }

    const std::string Before = "[S]\r\nN=old\r\n[T]\r\nM=kept\r\n";
};

// Read-only is the file's attribute, as the system shows it (as root under Wine a file without write
// bits could still be written in place): such a file is never changed.
TEST_F(IniFileRefusals, AReadOnlyFileIsNotChanged)
{
    ASSERT_TRUE(SetFileAttributesA(FFile.Path().c_str(), FILE_ATTRIBUTE_READONLY));
    ExpectEveryChangeRefused(ERROR_ACCESS_DENIED);
    EXPECT_NO_THROW(FIni.WriteString("S", "N", "old")) << "the file already holds it";
    ExpectUntouched();
    EXPECT_EQ(GetFileAttributesA(FFile.Path().c_str()) & FILE_ATTRIBUTE_READONLY, DWORD(FILE_ATTRIBUTE_READONLY));
}

TEST_F(IniFileRefusals, AFileAnotherProgramHoldsIsNotChanged)
{
    for (DWORD share : {DWORD(0), DWORD(FILE_SHARE_READ | FILE_SHARE_WRITE)}) {
        const TKernelHandle held(Hold(share));
        ASSERT_NE(held.Get(), INVALID_HANDLE_VALUE);
        // Kept out of reading it at all, or only of putting a new file in its place.
        ExpectEveryChangeRefused(share == 0 ? ERROR_SHARING_VIOLATION : ERROR_ACCESS_DENIED);
    }
    ExpectUntouched();
}

TEST_F(IniFileRefusals, AFileHeldOnlyForAMomentIsChanged)
{
    HeldForAMoment = Hold(FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_NE(HeldForAMoment, INVALID_HANDLE_VALUE);
    {
        const TImportPatch patch("kernel32.dll", "MoveFileExA", &ReleaseAfterFirstAttempt);
        FIni.WriteString("S", "N", "new");
    }
    EXPECT_EQ(HeldForAMoment, nullptr) << "the first attempt was not held up";
    EXPECT_EQ(FFile.Content(), "[S]\r\nN=new\r\n[T]\r\nM=kept\r\n");
}

TEST_F(IniFileRefusals, AFolderThatTakesNoNewFileAndAFullDiskChangeNothing)
{
    {
        const TImportPatch patch("kernel32.dll", "CreateFileA", &RefuseTemporaryFile);
        ExpectEveryChangeRefused(ERROR_ACCESS_DENIED);
    }
    ExpectUntouched();
    {
        const TImportPatch patch("kernel32.dll", "WriteFile", &WriteOnFullDisk);
        ExpectEveryChangeRefused(ERROR_DISK_FULL);
    }
    ExpectUntouched();
}

// What another program changed while a write of ours was under way is not lost: the write starts
// again from the file as that program left it.
TEST_F(IniFileRefusals, AChangeInPlaceDuringAWriteIsKept)
{
    WrittenMeanwhile = FFile.Path();
    {
        const TImportPatch patch("kernel32.dll", "FlushFileBuffers", &WriteInPlaceMeanwhile);
        FIni.WriteString("S", "N", "new");
    }
    EXPECT_TRUE(WrittenMeanwhile.empty()) << "the other program did not write";
    EXPECT_EQ(FIni.ReadString("Theirs", "Value", ""), "kept");
    EXPECT_EQ(FIni.ReadString("S", "N", ""), "new");
    EXPECT_EQ(FIni.ReadString("T", "M", ""), "kept");
}

// A temporary file left by a writer that died is never read, and the next write removes it, also one
// that changes nothing.
TEST_F(IniFileRefusals, AStaleTemporaryFileIsIgnoredAndRemoved)
{
    for (const std::string& value : {"old"s, "new"s}) {
        {
            std::ofstream file(Temp(), std::ios::binary);
            file << "[S]\r\nN=stale\r\n[Stale]\r\nX=1\r\n";
        }
        EXPECT_EQ(FIni.ReadString("S", "N", ""), "old");
        EXPECT_EQ(FIni.ReadString("Stale", "X", "none"), "none");
        FIni.WriteString("S", "N", value);
        EXPECT_EQ(GetFileAttributesA(Temp().c_str()), INVALID_FILE_ATTRIBUTES) << "after writing " << value;
    }
    EXPECT_EQ(FFile.Content(), "[S]\r\nN=new\r\n[T]\r\nM=kept\r\n");
}

// The new file takes the old one's attributes, and a time of last writing after the old one's even
// where the clock has not moved on, so that programs that keep a file's content while its time stands
// still see every change.
TEST_F(IniFileRefusals, TheNewFileKeepsTheAttributesAndItsTimeMovesOn)
{
    ASSERT_TRUE(SetFileAttributesA(FFile.Path().c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    FILETIME previous{};
    for (int i = 0; i < 20; ++i) {
        FIni.WriteInteger("S", "N", i);
        WIN32_FILE_ATTRIBUTE_DATA data{};
        ASSERT_TRUE(GetFileAttributesExA(FFile.Path().c_str(), GetFileExInfoStandard, &data));
        EXPECT_EQ(data.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE),
                  DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
        EXPECT_EQ(CompareFileTime(&previous, &data.ftLastWriteTime), -1) << "write " << i;
        previous = data.ftLastWriteTime;
    }
}

// Every process writes through the same mutex and reads the file afresh: nothing is lost, nothing else
// is touched.
TEST(IniFileProcesses, TwoProcessesWritingOneFileAtOnceLoseNothing)
{
    TTempIniFile file;
    file.SetContent("[Before]\r\nKeep=first\r\n[Shared]\r\nOld=1\r\n[After]\r\nKeep=last\r\n");
    constexpr int entries = 150;
    RunIniWriters(file.Path(), "Shared", 2, entries);

    TIniFile ini(file.Path());
    TStringList list;
    ini.ReadSectionValues("Shared", list);
    EXPECT_EQ(list.Count(), 2 * entries + 1) << file.Content();
    for (const char* prefix : {"A", "B"})
        for (int i = 0; i < entries; ++i)
            ASSERT_EQ(ini.ReadInteger("Shared", prefix + std::to_string(i), -1), i) << prefix << i;
    EXPECT_EQ(ini.ReadString("Shared", "Old", ""), "1");
    EXPECT_EQ(ini.ReadString("Before", "Keep", ""), "first");
    EXPECT_EQ(ini.ReadString("After", "Keep", ""), "last");
}

} // namespace
