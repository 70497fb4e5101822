// File properties on real files: the name parts, attributes written back bit by bit, sizes beyond
// 32 bits, the time stamp, renaming by extension, and what a missing or locked file reads as.
#include "files/QELTFileProperties.h"

#include "framework/FormText.h"
#include "framework/SysUtils.h"
#include "framework/Win32Handles.h"
#include "tests/files/FilesTestSupport.h"
#include "tests/support/ImportPatch.h"

#include <gtest/gtest.h>

namespace {

class FilePropertiesTest : public testing::Test {
protected:
    FilePropertiesTest() : FProperties(nullptr) {}

    // A file of that size, sparse on the host.
    std::string SizedFile(const std::string& name, std::int64_t size) const
    {
        const std::string path = FScratch.File(name);
        const TKernelHandle file(
            CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        LARGE_INTEGER end;
        end.QuadPart = size;
        EXPECT_TRUE(SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.Get()));
        return path;
    }

    TScratchDirectory FScratch;
    TQELFileProperties FProperties;
};

} // namespace

TEST_F(FilePropertiesTest, ANewComponentIsEmptyAndStoresNothing)
{
    EXPECT_EQ(FProperties.Filename(), "");
    EXPECT_EQ(FProperties.Size(), 0);
    EXPECT_TRUE(FProperties.Attributes().Empty());
    EXPECT_EQ(FProperties.AttributesShort(), "");
    EXPECT_EQ(FProperties.Date(), "");

    FProperties.SetFilename(FScratch.File("stored.txt", "x"));
    TComponent root(nullptr);
    auto* onForm = new TQELFileProperties(&root);
    onForm->SetName("Properties1");
    onForm->SetFilename(FProperties.Filename());
    EXPECT_EQ(WriteComponentText(root).find("Filename"), std::string::npos);
}

TEST_F(FilePropertiesTest, TheNameIsSplitIntoItsParts)
{
    const std::string path = FScratch.File("Work\\archive.tar.gz", "12345");
    FProperties.SetFilename(path);
    EXPECT_EQ(FProperties.Filename(), path);
    EXPECT_EQ(FProperties.Path(), FScratch / "Work\\");
    EXPECT_EQ(FProperties.NameAndExtension(), "archive.tar.gz");
    EXPECT_EQ(FProperties.NameOnly(), "archive");
    EXPECT_EQ(FProperties.Extension(), ".gz");
    EXPECT_EQ(FProperties.Size(), 5);
    EXPECT_EQ(FProperties.Size64(), 5);

    // Writers of the derived parts only derive them again.
    const std::string attributesShort = FProperties.AttributesShort();
    FProperties.SetFilePath("elsewhere");
    FProperties.SetFilenameExt("other.txt");
    FProperties.SetFilenameAlone("other");
    FProperties.SetFileAttrShort("SHRA");
    FProperties.SetFileSize(99);
    EXPECT_EQ(FProperties.Path(), FScratch / "Work\\");
    EXPECT_EQ(FProperties.NameAndExtension(), "archive.tar.gz");
    EXPECT_EQ(FProperties.NameOnly(), "archive");
    EXPECT_EQ(FProperties.AttributesShort(), attributesShort);
    EXPECT_EQ(FProperties.Size(), 5);
    EXPECT_TRUE(FileExists(path));

    FProperties.SetFilename(FScratch.File(".profile", ""));
    EXPECT_EQ(FProperties.NameOnly(), "");
    EXPECT_EQ(FProperties.Extension(), ".profile");
    EXPECT_EQ(FProperties.Size(), 0);
}

TEST_F(FilePropertiesTest, ARelativeNameIsStoredFullyQualified)
{
    FScratch.File("relative.txt", "x");
    const std::string previous = GetCurrentDir();
    ASSERT_TRUE(SetCurrentDir(FScratch.Path()));
    FProperties.SetFilename("relative.txt");
    ASSERT_TRUE(SetCurrentDir(previous));
    EXPECT_EQ(FProperties.Filename(), FScratch / "relative.txt");
}

TEST_F(FilePropertiesTest, AMissingFileReadsAsNothing)
{
    FProperties.SetFilename(FScratch.File("there.txt", "x"));
    FProperties.SetFilename(FScratch / "missing.txt");
    EXPECT_EQ(FProperties.Filename(), "");
    EXPECT_EQ(FProperties.NameAndExtension(), "");
    EXPECT_TRUE(FProperties.Attributes().Empty());
    EXPECT_EQ(FProperties.AttributesShort(), "----");
    EXPECT_EQ(FProperties.Size(), -1);
    EXPECT_EQ(FProperties.Date(), "");
    EXPECT_EQ(FProperties.Time(), "");
    // Directories are no files.
    FProperties.SetFilename(FScratch.Path());
    EXPECT_EQ(FProperties.Filename(), "");
}

TEST_F(FilePropertiesTest, AssigningTheSameNameDoesNotRefresh)
{
    const std::string path = FScratch.File("same.txt", "abc");
    FProperties.SetFilename(path);
    FScratch.File("same.txt", "abcdef");
    FProperties.SetFilename(path);
    EXPECT_EQ(FProperties.Size(), 3);
    FProperties.SetFileSize(0);
    EXPECT_EQ(FProperties.Size(), 6);
}

TEST_F(FilePropertiesTest, AttributesAreWrittenBitByBit)
{
    const std::string path = FScratch.File("attributes.txt", "x");
    FProperties.SetFilename(path);
    // ftDirectory cannot be given to a file: only the read-only bit changes.
    FProperties.SeTFileProperties(FProperties.Attributes() + TFileType{ftReadOnly, ftDirectory});
    EXPECT_NE(FileGetAttr(path) & faReadOnly, 0);
    EXPECT_EQ(FileGetAttr(path) & faDirectory, 0);
    EXPECT_TRUE(FProperties.Attributes().Contains(ftReadOnly));
    EXPECT_FALSE(FProperties.Attributes().Contains(ftDirectory));
    EXPECT_EQ(FProperties.AttributesShort().substr(0, 3), "--R");

    // (Wine reports every file as archived, whatever is set.)
    FProperties.SeTFileProperties(TFileType{ftHidden, ftSystem});
    EXPECT_EQ(FileGetAttr(path) & (faReadOnly | faHidden | faSysFile), faHidden | faSysFile);
    EXPECT_EQ(FProperties.AttributesShort().substr(0, 3), "SH-");
    FProperties.SeTFileProperties(TFileType{ftReadOnly, ftArchive});
    EXPECT_EQ(FProperties.AttributesShort(), "--RA");
    EXPECT_EQ(FileGetAttr(path) & (faReadOnly | faHidden | faSysFile | faArchive), faReadOnly | faArchive);
}

namespace {

// While it lives, reading attributes fails with access denied and writes of attributes are counted.
int GAttributeWrites = 0;

DWORD WINAPI RefuseAttributeRead(LPCSTR)
{
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_FILE_ATTRIBUTES;
}

BOOL WINAPI CountAttributeWrite(LPCSTR, DWORD)
{
    ++GAttributeWrites;
    return TRUE;
}

struct TUnreadableAttributes {
    TUnreadableAttributes() { GAttributeWrites = 0; }
    TImportPatch FRead{"kernel32.dll", "GetFileAttributesA", &RefuseAttributeRead};
    TImportPatch FWrite{"kernel32.dll", "SetFileAttributesA", &CountAttributeWrite};
};

} // namespace

TEST_F(FilePropertiesTest, AnAttributeWordThatCannotBeReadIsNotWrittenBack)
{
    const std::string path = FScratch.File("unreadable.txt", "x");
    FProperties.SetFilename(path);
    const TFileType before = FProperties.Attributes();
    {
        const TUnreadableAttributes unreadable;
        FProperties.SeTFileProperties(TFileType{ftHidden});
        EXPECT_EQ(GAttributeWrites, 0);
    }
    EXPECT_EQ(FProperties.Attributes(), before);
    EXPECT_EQ(FileGetAttr(path) & (faReadOnly | faHidden | faSysFile), 0);
}

TEST_F(FilePropertiesTest, SizesBeyondTwoGigabytesSaturate)
{
    for (const std::int64_t size : {3LL << 30, (4LL << 30) - 1, 5LL << 30}) {
        const std::string path = SizedFile("big" + std::to_string(size) + ".bin", size);
        FProperties.SetFilename(path);
        EXPECT_EQ(FProperties.Size(), 2147483647) << size;
        EXPECT_EQ(FProperties.Size64(), size);
    }
    FProperties.SetFilename(SizedFile("edge.bin", 2147483647));
    EXPECT_EQ(FProperties.Size(), 2147483647);
}

TEST_F(FilePropertiesTest, TheTimeStampIsReadAndWritten)
{
    const std::string path = FScratch.File("stamped.txt", "x");
    FProperties.SetFilename(path);
    const TDateTime stamp = EncodeDate(2020, 2, 29) + EncodeTime(13, 45, 30, 0);
    FProperties.SetFileDate(DateToStr(stamp));
    FProperties.SetFileTime(TimeToStr(stamp));
    EXPECT_EQ(FProperties.Date(), DateToStr(stamp));
    EXPECT_EQ(FProperties.Time(), TimeToStr(stamp));
    const TKernelHandle file = FileOpen(path, fmOpenRead);
    EXPECT_EQ(FileGetDate(file.Get()), DateTimeToFileDate(stamp));

    // An empty part changes nothing; text that is no date raises and leaves the file alone.
    FProperties.SetFileDate("");
    FProperties.SetFileTime("");
    EXPECT_EQ(FProperties.Date(), DateToStr(stamp));
    EXPECT_THROW(FProperties.SetFileDate("not a date"), EConvertError);
    EXPECT_EQ(FileGetDate(file.Get()), DateTimeToFileDate(stamp));
}

TEST_F(FilePropertiesTest, ADateTheFileCannotHoldRaisesAndChangesNothing)
{
    const std::string path = FScratch.File("stamped.txt", "x");
    FProperties.SetFilename(path);
    const TDateTime stamp = EncodeDate(2020, 2, 29) + EncodeTime(13, 45, 30, 0);
    FProperties.SetFileDate(DateToStr(stamp));
    FProperties.SetFileTime(TimeToStr(stamp));
    // A file's time stamp runs from 1980 to 2107.
    for (const TDateTime outside : {EncodeDate(1979, 12, 31), EncodeDate(2108, 1, 1)})
        EXPECT_THROW(FProperties.SetFileDate(DateToStr(outside)), EConvertError) << DateToStr(outside);
    EXPECT_EQ(FProperties.Date(), DateToStr(stamp));
    const TKernelHandle file = FileOpen(path, fmOpenRead);
    EXPECT_EQ(FileGetDate(file.Get()), DateTimeToFileDate(stamp));
}

TEST_F(FilePropertiesTest, AFileHeldOpenExclusivelyHasNoTimeButEverythingElse)
{
    const std::string path = FScratch.File("held.txt", "1234");
    const TKernelHandle held(
        CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    FProperties.SetFilename(path);
    EXPECT_EQ(FProperties.Filename(), path);
    EXPECT_EQ(FProperties.Size(), 4);
    EXPECT_EQ(FProperties.Date(), "");
    EXPECT_EQ(FProperties.Time(), "");
}

TEST_F(FilePropertiesTest, AnExtensionRenamesTheFileToItsUpperCaseName)
{
    const std::string path = FScratch.File("Work\\page.txt", "x");
    FProperties.SetFilename(path);
    FProperties.SetFileExt("htmlx");
    const std::string renamed = AnsiUpperCase(FScratch / "Work\\page.htm");
    EXPECT_EQ(FProperties.Filename(), renamed);
    EXPECT_EQ(FProperties.Extension(), ".HTM");
    EXPECT_EQ(FProperties.NameAndExtension(), "PAGE.HTM");
    EXPECT_TRUE(FileExists(FScratch / "Work\\PAGE.HTM"));
    EXPECT_FALSE(FileExists(path));

    // The dot is optional; an empty extension renames nothing.
    FProperties.SetFileExt(".doc");
    EXPECT_EQ(FProperties.Extension(), ".DOC");
    FProperties.SetFileExt("");
    EXPECT_EQ(FProperties.Extension(), ".DOC");
    EXPECT_TRUE(FileExists(FScratch / "Work\\PAGE.DOC"));
}

TEST_F(FilePropertiesTest, AnExtensionThatWouldMoveTheFileIsRefused)
{
    const std::string path = FScratch.File("Work\\page.txt", "x");
    FScratch.Directory("Other");
    FProperties.SetFilename(path);
    for (const char* extension : {"\\..\\x", "/x", "C:x", ".\\a"}) {
        FProperties.SetFileExt(extension);
        EXPECT_EQ(FProperties.Filename(), path) << extension;
        EXPECT_EQ(FProperties.Extension(), ".txt") << extension;
    }
    EXPECT_TRUE(FileExists(path));
}

TEST_F(FilePropertiesTest, ARenameThatFailsChangesNothing)
{
    const std::string path = FScratch.File("clash.txt", "x");
    FScratch.File("CLASH.DOC", "taken");
    FProperties.SetFilename(path);
    FProperties.SetFileExt("doc");
    EXPECT_EQ(FProperties.Filename(), path);
    EXPECT_EQ(FProperties.Extension(), ".txt");
    EXPECT_EQ(ReadBytes(FScratch / "CLASH.DOC"), "taken");
}
