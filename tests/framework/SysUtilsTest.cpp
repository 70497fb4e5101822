// File-name routines, and the file-system routines against the real file system: files and
// directories, attributes, searches, time stamps, drive space, the current directory; random numbers.
#include "framework/SysUtils.h"

#include "framework/Exceptions.h"
#include "framework/Win32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

namespace {

// A fresh directory under the system's temporary folder, removed with what it holds.
class TScratchDirectory {
public:
    TScratchDirectory()
    {
        char base[MAX_PATH];
        (void)GetTempPathA(MAX_PATH, base);
        FPath = std::string(base) + "qelsysutils" + std::to_string(GetCurrentProcessId());
        (void)CreateDirectoryA(FPath.c_str(), nullptr);
    }
    ~TScratchDirectory()
    {
        (void)SetFileAttributesA(File().c_str(), FILE_ATTRIBUTE_NORMAL);
        (void)DeleteFileA(File().c_str());
        (void)RemoveDirectoryA(SubDirectory().c_str());
        (void)RemoveDirectoryA(FPath.c_str());
    }
    const std::string& Path() const { return FPath; }
    std::string File() const { return FPath + "\\file.txt"; }
    std::string SubDirectory() const { return FPath + "\\sub"; }

private:
    std::string FPath;
};

} // namespace

TEST(SysUtilsFiles, FileExistsIsTrueForFilesOnly)
{
    TScratchDirectory scratch;
    EXPECT_FALSE(FileExists(scratch.File()));
    std::ofstream(scratch.File()) << "x";
    ASSERT_TRUE(CreateDirectoryA(scratch.SubDirectory().c_str(), nullptr));
    EXPECT_TRUE(FileExists(scratch.File()));
    EXPECT_FALSE(FileExists(scratch.SubDirectory()));
    EXPECT_FALSE(FileExists(scratch.Path()));
    EXPECT_FALSE(FileExists(""));
}

TEST(SysUtilsDisks, DriveCHasASizeAndFreeSpaceWithinIt)
{
    ULARGE_INTEGER freeToCaller{}, total{}, totalFree{};
    ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &freeToCaller, &total, &totalFree));
    EXPECT_EQ(DiskSize(3), static_cast<std::int64_t>(total.QuadPart));
    EXPECT_GT(DiskSize(3), 0);
    EXPECT_GE(DiskFree(3), 0);
    EXPECT_LE(DiskFree(3), DiskSize(3));
}

TEST(SysUtilsDisks, TheCurrentDriveIsDriveZero)
{
    const std::string previous = GetCurrentDir();
    ASSERT_TRUE(SetCurrentDir("C:\\"));
    EXPECT_EQ(DiskSize(0), DiskSize(3));
    ASSERT_TRUE(SetCurrentDir(previous));
}

TEST(SysUtilsDisks, AnUnreadableOrInvalidDriveAnswersMinusOne)
{
    // No prefix links drive letter X to anything.
    EXPECT_EQ(DiskFree(24), -1);
    EXPECT_EQ(DiskSize(24), -1);
    EXPECT_EQ(DiskSize(-1), -1);
    EXPECT_EQ(DiskSize(27), -1);
}

TEST(SysUtilsDirectories, CurrentDirectoryFollowsSetCurrentDir)
{
    TScratchDirectory scratch;
    const std::string previous = GetCurrentDir();
    ASSERT_TRUE(SetCurrentDir(scratch.Path()));
    EXPECT_EQ(GetCurrentDir(), scratch.Path());
    std::ofstream(scratch.File()) << "x";
    EXPECT_TRUE(FileExists("file.txt")); // a relative name is looked up in the current directory
    ASSERT_TRUE(SetCurrentDir("C:\\"));
    EXPECT_EQ(GetCurrentDir(), "C:\\");
    EXPECT_FALSE(FileExists("file.txt"));
    EXPECT_FALSE(SetCurrentDir(scratch.Path() + "\\missing"));
    EXPECT_EQ(GetCurrentDir(), "C:\\");
    ASSERT_TRUE(SetCurrentDir(previous));
}

TEST(SysUtilsFileNames, PartsOfAName)
{
    EXPECT_EQ(ExtractFilePath("C:\\Work\\archive.tar.gz"), "C:\\Work\\");
    EXPECT_EQ(ExtractFileName("C:\\Work\\archive.tar.gz"), "archive.tar.gz");
    EXPECT_EQ(ExtractFileExt("C:\\Work\\archive.tar.gz"), ".gz");
    EXPECT_EQ(ExtractFileDir("C:\\Work\\archive.tar.gz"), "C:\\Work");
    // A colon ends the path too; a dot in a directory is no extension.
    EXPECT_EQ(ExtractFilePath("C:name.txt"), "C:");
    EXPECT_EQ(ExtractFileName("C:name.txt"), "name.txt");
    EXPECT_EQ(ExtractFileExt("C:\\v1.2\\readme"), "");
    EXPECT_EQ(ExtractFileExt(".profile"), ".profile");
    EXPECT_EQ(ExtractFilePath("plain"), "");
    EXPECT_EQ(ExtractFileName("plain"), "plain");
    EXPECT_EQ(ExtractFileName("C:\\Work\\"), "");
}

TEST(SysUtilsFileNames, TheDirectoryKeepsTheBackslashOfARoot)
{
    EXPECT_EQ(ExtractFileDir("C:\\Temp\\"), "C:\\Temp");
    EXPECT_EQ(ExtractFileDir("C:\\"), "C:\\");
    EXPECT_EQ(ExtractFileDir("C:\\a.txt"), "C:\\");
    EXPECT_EQ(ExtractFileDir("\\\\"), "\\\\");
    EXPECT_EQ(ExtractFileDir("\\a.txt"), "\\");
    EXPECT_EQ(ExtractFileDir("a.txt"), "");
}

TEST(SysUtilsFileNames, ChangingTheExtension)
{
    EXPECT_EQ(ChangeFileExt("C:\\Work\\page.txt", ".htm"), "C:\\Work\\page.htm");
    EXPECT_EQ(ChangeFileExt("C:\\Work\\archive.tar.gz", ".zip"), "C:\\Work\\archive.tar.zip");
    EXPECT_EQ(ChangeFileExt("C:\\v1.2\\readme", ".txt"), "C:\\v1.2\\readme.txt");
    EXPECT_EQ(ChangeFileExt("page.txt", ""), "page");
}

TEST(SysUtilsFileNames, TrailingBackslashAndExpansion)
{
    EXPECT_EQ(IncludeTrailingBackslash("C:\\Temp"), "C:\\Temp\\");
    EXPECT_EQ(IncludeTrailingBackslash("C:\\Temp\\"), "C:\\Temp\\");
    EXPECT_EQ(IncludeTrailingBackslash(""), "");

    TScratchDirectory scratch;
    const std::string previous = GetCurrentDir();
    ASSERT_TRUE(SetCurrentDir(scratch.Path()));
    EXPECT_EQ(ExpandFileName("file.txt"), scratch.File());
    EXPECT_EQ(ExpandFileName("sub\\..\\file.txt"), scratch.File());
    EXPECT_EQ(ExpandFileName(""), "");
    ASSERT_TRUE(SetCurrentDir(previous));
}

TEST(SysUtilsFiles, AttributesAreReadAndWritten)
{
    TScratchDirectory scratch;
    EXPECT_EQ(FileGetAttr(scratch.File()), -1);
    EXPECT_NE(FileSetAttr(scratch.File(), faHidden), 0);
    std::ofstream(scratch.File()) << "x";
    ASSERT_EQ(FileSetAttr(scratch.File(), faReadOnly | faHidden), 0);
    EXPECT_EQ(FileGetAttr(scratch.File()) & (faReadOnly | faHidden | faSysFile), faReadOnly | faHidden);
    ASSERT_EQ(FileSetAttr(scratch.File(), 0), 0);
    EXPECT_EQ(FileGetAttr(scratch.File()) & (faReadOnly | faHidden), 0);
    EXPECT_NE(FileGetAttr(scratch.Path()) & faDirectory, 0);
}

TEST(SysUtilsFiles, ASearchListsEntriesWithTheirSizeAndLeavesOutWhatTheMaskExcludes)
{
    TScratchDirectory scratch;
    std::ofstream(scratch.File()) << "12345";
    ASSERT_TRUE(CreateDirectoryA(scratch.SubDirectory().c_str(), nullptr));

    auto names = [&](int attributes) {
        std::vector<std::string> found;
        TSearchRec search;
        for (int result = FindFirst(scratch.Path() + "\\*", attributes, search); result == 0;
             result = FindNext(search))
            found.push_back(search.Name);
        FindClose(search);
        std::sort(found.begin(), found.end());
        return found;
    };
    EXPECT_EQ(names(faAnyFile), (std::vector<std::string>{".", "..", "file.txt", "sub"}));
    EXPECT_EQ(names(0), (std::vector<std::string>{"file.txt"}));

    TSearchRec search;
    ASSERT_EQ(FindFirst(scratch.File(), faAnyFile, search), 0);
    EXPECT_EQ(search.Name, "file.txt");
    EXPECT_EQ(search.Size, 5);
    EXPECT_EQ(search.Attr & faDirectory, 0);
    EXPECT_EQ(FindNext(search), ERROR_NO_MORE_FILES);
    FindClose(search);
    EXPECT_EQ(FindFirst(scratch.Path() + "\\*.none", faAnyFile, search), ERROR_FILE_NOT_FOUND);
}

TEST(SysUtilsFiles, ASearchKeepsSizesBeyondFourGigabytes)
{
    TScratchDirectory scratch;
    {
        const TKernelHandle file(CreateFileA(scratch.File().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file);
        LARGE_INTEGER size;
        size.QuadPart = 5LL << 30; // sparse on the host's file system
        ASSERT_TRUE(SetFilePointerEx(file.Get(), size, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(file.Get()));
    }
    TSearchRec search;
    ASSERT_EQ(FindFirst(scratch.File(), faAnyFile, search), 0);
    EXPECT_EQ(search.Size, 5LL << 30);
}

TEST(SysUtilsFiles, OpeningAndTheTimeOfLastWriting)
{
    TScratchDirectory scratch;
    EXPECT_FALSE(FileOpen(scratch.File(), fmOpenRead));
    std::ofstream(scratch.File()) << "x";
    EXPECT_FALSE(FileOpen(scratch.File(), 7));

    // 14 March 2021, 15:26:52 local time, in whole two-second steps.
    const TDateTime stamp = EncodeDate(2021, 3, 14) + EncodeTime(15, 26, 52, 0);
    const int fileDate = DateTimeToFileDate(stamp);
    EXPECT_EQ(static_cast<unsigned>(fileDate), (41u << 9 | 3u << 5 | 14u) << 16 | (15u << 11 | 26u << 5 | 26u));
    EXPECT_DOUBLE_EQ(FileDateToDateTime(fileDate), stamp);
    {
        const TKernelHandle file = FileOpen(scratch.File(), fmOpenReadWrite);
        ASSERT_TRUE(file);
        EXPECT_EQ(FileSetDate(file.Get(), fileDate), 0);
    }
    const TKernelHandle file = FileOpen(scratch.File(), fmOpenRead);
    ASSERT_TRUE(file);
    EXPECT_EQ(FileGetDate(file.Get()), fileDate);
    EXPECT_EQ(FileGetDate(nullptr), -1);
}

TEST(SysUtilsFiles, DosDatesOutsideTheirRange)
{
    // An odd second goes down to the even one before it.
    const TDateTime odd = EncodeDate(2000, 1, 1) + EncodeTime(0, 0, 3, 0);
    EXPECT_DOUBLE_EQ(FileDateToDateTime(DateTimeToFileDate(odd)), EncodeDate(2000, 1, 1) + EncodeTime(0, 0, 2, 0));
    EXPECT_EQ(DateTimeToFileDate(EncodeDate(1979, 12, 31)), 0);
    EXPECT_EQ(DateTimeToFileDate(EncodeDate(2108, 1, 1)), 0);
    // The last day the form holds sets the sign bit.
    EXPECT_DOUBLE_EQ(FileDateToDateTime(DateTimeToFileDate(EncodeDate(2107, 12, 31))), EncodeDate(2107, 12, 31));
    EXPECT_THROW(FileDateToDateTime(-1), EConvertError); // month 15
    EXPECT_THROW(FileDateToDateTime(0), EConvertError);  // month 0
}

TEST(SysUtilsFiles, RenamingAFile)
{
    TScratchDirectory scratch;
    const std::string other = scratch.Path() + "\\other.txt";
    EXPECT_FALSE(RenameFile(scratch.File(), other));
    std::ofstream(scratch.File()) << "x";
    EXPECT_TRUE(RenameFile(scratch.File(), other));
    EXPECT_FALSE(FileExists(scratch.File()));
    EXPECT_TRUE(FileExists(other));
    std::ofstream(scratch.File()) << "y";
    EXPECT_FALSE(RenameFile(other, scratch.File())); // the name is taken
    (void)DeleteFileA(other.c_str());
}

TEST(SysUtilsRandom, NumbersStayInTheirRangeAndFollowTheSeed)
{
    EXPECT_EQ(Random(0), 0);
    EXPECT_EQ(Random(-5), 0);
    std::vector<int> counts(6);
    for (int i = 0; i < 6000; ++i) {
        const int value = Random(6);
        ASSERT_GE(value, 0);
        ASSERT_LT(value, 6);
        ++counts[static_cast<std::size_t>(value)];
    }
    for (int count : counts)
        EXPECT_NEAR(count, 1000, 150);

    // Seeded from the same clock tick, the generator repeats itself.
    std::vector<int> first, second;
    DWORD tick;
    do {
        tick = GetTickCount();
        Randomize();
        first = {Random(1000), Random(1000), Random(1000)};
        Randomize();
        second = {Random(1000), Random(1000), Random(1000)};
    } while (GetTickCount() != tick);
    EXPECT_EQ(first, second);
}
