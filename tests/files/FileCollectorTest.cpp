// The file collector on real trees: the order of the walk, the mask, the starting directory, links that
// lead back up the tree, and handlers that start another walk or free the component during one.
#include "files/QELTFileCollector.h"

#include "framework/Forms.h"
#include "framework/SysUtils.h"
#include "tests/files/FilesTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using TLines = std::vector<std::string>;

TLines LinesOf(const TStrings& strings)
{
    TLines lines;
    for (int i = 0; i < strings.Count(); ++i)
        lines.push_back(strings.Get(i));
    return lines;
}

class FileCollectorTest : public testing::Test, public TObject {
protected:
    FileCollectorTest() : FCollector(new TQELFileCollector(nullptr))
    {
        FCollector->SetOnDirectoryFound(TNotifyEvent(this, &FileCollectorTest::DirectoryFound));
        FCollector->SetOnFileFound(TQELOnFileFound(this, &FileCollectorTest::FileFound));
    }
    ~FileCollectorTest() override { delete FCollector; }

    // The tree of the example: b.txt, a.txt, Z\c.txt, with things the mask must leave out.
    void MakeExampleTree()
    {
        FScratch.File("T\\b.txt", "b");
        FScratch.File("T\\a.txt", "a");
        FScratch.File("T\\Z\\c.txt", "c");
        FScratch.File("T\\notes.doc", "n");
        FScratch.Directory("T\\dir.txt");
        FScratch.File("T\\dir.txt\\inner.txt", "i");
    }

    virtual void DirectoryFound(TObject* sender)
    {
        EXPECT_EQ(sender, FCollector);
        FEvents.push_back("dir");
    }
    virtual void FileFound(TObject* sender, const std::string& fileName)
    {
        EXPECT_EQ(sender, FCollector);
        FEvents.push_back(fileName);
    }

    TScratchDirectory FScratch;
    TQELFileCollector* FCollector;
    TLines FEvents;
};

} // namespace

TEST_F(FileCollectorTest, TheWalkIsDepthFirstAndSortedWithTheDirectoryAnnouncedFirst)
{
    MakeExampleTree();
    const std::string root = FScratch / "T\\";
    FCollector->SetInitialDirectory(FScratch / "T");
    FCollector->SetFileMask("*.txt");
    EXPECT_TRUE(FCollector->Execute());
    // dir.txt is a directory whose name matches: entered, not collected.
    const TLines files{root + "a.txt", root + "b.txt", root + "dir.txt\\inner.txt", root + "Z\\c.txt"};
    EXPECT_EQ(LinesOf(*FCollector->LocatedObjects()), files);
    EXPECT_EQ(FEvents, (TLines{"dir", files[0], files[1], "dir", files[2], "dir", files[3]}));
    EXPECT_EQ(FCollector->InitialDirectory(), root);
}

TEST_F(FileCollectorTest, SortingIgnoresCaseAndHiddenAndReadOnlyFilesAreCollected)
{
    FScratch.File("B.txt");
    FScratch.File("a.txt");
    const std::string hidden = FScratch.File("c.txt");
    const std::string readOnly = FScratch.File("D.txt");
    ASSERT_EQ(FileSetAttr(hidden, faHidden | faSysFile), 0);
    ASSERT_EQ(FileSetAttr(readOnly, faReadOnly), 0);
    FCollector->SetInitialDirectory(FScratch.Path() + "\\");
    FCollector->SetFileMask("*.txt");
    EXPECT_TRUE(FCollector->Execute());
    EXPECT_EQ(LinesOf(*FCollector->LocatedObjects()),
              (TLines{FScratch / "a.txt", FScratch / "B.txt", hidden, readOnly}));
    EXPECT_EQ(FCollector->InitialDirectory(), FScratch.Path() + "\\");
}

TEST_F(FileCollectorTest, WithoutAStartingDirectoryTheWalkStartsInTheCurrentOne)
{
    MakeExampleTree();
    const std::string previous = GetCurrentDir();
    ASSERT_TRUE(SetCurrentDir(FScratch / "T\\Z"));
    FCollector->SetFileMask("*.txt");
    EXPECT_TRUE(FCollector->Execute());
    ASSERT_TRUE(SetCurrentDir(previous));
    EXPECT_EQ(FCollector->InitialDirectory(), FScratch / "T\\Z\\");
    EXPECT_EQ(LinesOf(*FCollector->LocatedObjects()), TLines{FScratch / "T\\Z\\c.txt"});
}

TEST_F(FileCollectorTest, AnEmptyMaskCollectsNothingButEveryDirectoryIsAnnounced)
{
    MakeExampleTree();
    FCollector->SetInitialDirectory(FScratch / "T");
    FCollector->LocatedObjects()->Add("left over");
    EXPECT_FALSE(FCollector->Execute());
    EXPECT_EQ(FCollector->LocatedObjects()->Count(), 0);
    EXPECT_EQ(FEvents, (TLines{"dir", "dir", "dir"}));
}

TEST_F(FileCollectorTest, FilesFoundOnlyBelowTheStartStillMakeASuccess)
{
    FScratch.File("deep\\down\\only.log");
    FCollector->SetInitialDirectory(FScratch.Path());
    FCollector->SetFileMask("*.log");
    EXPECT_TRUE(FCollector->Execute());
    // Scandirectory itself answers for its own directory only.
    EXPECT_FALSE(FCollector->Scandirectory(FScratch.Path() + "\\"));
    EXPECT_TRUE(FCollector->Scandirectory(FScratch / "deep\\down\\"));
    // Scandirectory adds to what is there.
    EXPECT_EQ(FCollector->LocatedObjects()->Count(), 3);
}

TEST_F(FileCollectorTest, LinksToDirectoriesAreNotEntered)
{
    // A link back to the top: followed, three files would come back again at every level of
    // top\sub\back\sub\back... until paths grow too long.
    FScratch.File("top\\one.txt");
    FScratch.File("top\\sub\\two.txt");
    FScratch.File("top\\sub\\deeper\\three.txt");
    const std::string top = FScratch / "top";
    ASSERT_TRUE(MakeDirectoryLink(top + "\\sub\\back", top));
    FCollector->SetInitialDirectory(top);
    FCollector->SetFileMask("*.txt");
    EXPECT_TRUE(FCollector->Execute());
    EXPECT_EQ(LinesOf(*FCollector->LocatedObjects()),
              (TLines{top + "\\one.txt", top + "\\sub\\two.txt", top + "\\sub\\deeper\\three.txt"}));
    EXPECT_EQ(std::count(FEvents.begin(), FEvents.end(), "dir"), 3);
}

namespace {

// Handlers that start another walk while one is on.
class FileCollectorReentryTest : public FileCollectorTest {
protected:
    void FileFound(TObject* sender, const std::string& fileName) override
    {
        FileCollectorTest::FileFound(sender, fileName);
        if (FEvents.size() == 2) {
            FNestedResult = FCollector->Execute();
            FNestedScan = FCollector->Scandirectory(FScratch.Path() + "\\");
        }
    }
    bool FNestedResult = true;
    bool FNestedScan = true;
};

} // namespace

TEST_F(FileCollectorReentryTest, AnotherWalkStartedDuringOneIsRefused)
{
    MakeExampleTree();
    FCollector->SetInitialDirectory(FScratch / "T");
    FCollector->SetFileMask("*.txt");
    EXPECT_TRUE(FCollector->Execute());
    EXPECT_FALSE(FNestedResult);
    EXPECT_FALSE(FNestedScan);
    EXPECT_EQ(FCollector->LocatedObjects()->Count(), 4);
    // Once the walk is over, the next one runs.
    FEvents.clear();
    EXPECT_TRUE(FCollector->Execute());
    EXPECT_FALSE(FNestedResult);
    EXPECT_EQ(FCollector->LocatedObjects()->Count(), 4);
}

namespace {

// Handlers that free the component during its walk, directly or through a message handled meanwhile.
class FileCollectorFreedTest : public FileCollectorTest {
protected:
    void FileFound(TObject* sender, const std::string& fileName) override
    {
        FileCollectorTest::FileFound(sender, fileName);
        if (FEvents.size() == FFreeAfter)
            Free();
    }
    void Free()
    {
        delete FCollector;
        FCollector = nullptr;
    }
    std::size_t FFreeAfter = 0;
};

} // namespace

TEST_F(FileCollectorFreedTest, AWalkWhoseComponentIsFreedByAHandlerStops)
{
    MakeExampleTree();
    FCollector->SetInitialDirectory(FScratch / "T");
    FCollector->SetFileMask("*.txt");
    FFreeAfter = 2; // after the first file
    EXPECT_FALSE(FCollector->Execute());
    EXPECT_EQ(FCollector, nullptr);
    EXPECT_EQ(FEvents.size(), 2u);
}

TEST_F(FileCollectorFreedTest, AWalkWhoseComponentIsFreedWhileMessagesAreHandledStops)
{
    MakeExampleTree();
    FCollector->SetInitialDirectory(FScratch / "T");
    FCollector->SetFileMask("*.txt");
    TMessageTarget freer([this] { Free(); });
    FFreeAfter = 0;
    // Posted before the walk: handled when the walk lets messages through, before the first directory.
    freer.Post();
    EXPECT_FALSE(FCollector->Execute());
    EXPECT_EQ(FCollector, nullptr);
    EXPECT_TRUE(FEvents.empty());
}
