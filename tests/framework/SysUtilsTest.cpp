// File-system routines against the real file system: files and directories, drive space, the
// current directory.
#include "framework/SysUtils.h"

#include "framework/Win32.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

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
