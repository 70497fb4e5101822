// Text replace on real files: what reaches the handler and the target, the line limit, added lines,
// a target that is the source itself, failures part-way, and when pending messages are handled.
#include "files/QELTTextReplace.h"

#include "framework/Forms.h"
#include "framework/SysUtils.h"
#include "framework/Win32Handles.h"
#include "tests/files/FilesTestSupport.h"
#include "tests/support/ErrorMessage.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <functional>
#include <vector>

namespace {

using TLines = std::vector<std::string>;

std::string Joined(const TLines& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

TLines Numbered(int count)
{
    TLines lines;
    for (int i = 1; i <= count; ++i)
        lines.push_back("line " + std::to_string(i));
    return lines;
}

class TextReplaceTest : public testing::Test, public TObject {
protected:
    TextReplaceTest() : FReplace(new TQELTextReplace(nullptr))
    {
        FReplace->SetFileFrom(FSource);
        FReplace->SetFileTo(FTarget);
        FReplace->SetBeforeWrite(TQELBeforeWrite(this, &TextReplaceTest::BeforeWrite));
    }
    ~TextReplaceTest() override { delete FReplace; }

    void BeforeWrite(TObject* sender, std::string& line, int lineNo, bool& writeLine)
    {
        EXPECT_EQ(sender, FReplace);
        EXPECT_TRUE(writeLine);
        FSeen.push_back(std::to_string(lineNo) + ":" + line);
        if (FHandler)
            FHandler(line, lineNo, writeLine);
    }

    // The files the folder holds besides the source and the target: a temporary one left behind.
    TLines Strays() const
    {
        TLines strays;
        WIN32_FIND_DATAA entry;
        const HANDLE search = FindFirstFileA((FScratch / "*").c_str(), &entry);
        for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &entry))
            if (const std::string name = entry.cFileName; name != "." && name != ".." && name != "source.txt" &&
                                                          name != "target.txt")
                strays.push_back(name);
        if (search != INVALID_HANDLE_VALUE)
            FindClose(search);
        return strays;
    }

    TScratchDirectory FScratch;
    const std::string FSource = FScratch / "source.txt";
    const std::string FTarget = FScratch / "target.txt";
    TQELTextReplace* FReplace;
    std::function<void(std::string&, int, bool&)> FHandler;
    TLines FSeen;
};

} // namespace

TEST_F(TextReplaceTest, AnEmptySourceGivesAnEmptyTarget)
{
    FScratch.File("source.txt", "");
    FScratch.File("target.txt", "old content");
    EXPECT_FALSE(FReplace->Execute());
    EXPECT_EQ(ReadBytes(FTarget), "");
    EXPECT_TRUE(FSeen.empty());
}

TEST_F(TextReplaceTest, TheHandlerMayChangeOrDropEachLine)
{
    FScratch.File("source.txt", "one\ntwo\r\nthree\rfour");
    FHandler = [](std::string& line, int lineNo, bool& writeLine) {
        for (char& c : line)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        writeLine = lineNo % 2 == 1;
    };
    EXPECT_TRUE(FReplace->Execute());
    EXPECT_EQ(FSeen, (TLines{"1:one", "2:two", "3:three", "4:four"}));
    EXPECT_EQ(ReadBytes(FTarget), "ONE\r\nTHREE\r\n");
    EXPECT_TRUE(Strays().empty());
}

TEST_F(TextReplaceTest, WithoutAHandlerTheCopyHasCrLfBreaks)
{
    FScratch.File("source.txt", "a\nb\n\nc");
    FReplace->SetBeforeWrite({});
    EXPECT_TRUE(FReplace->Execute());
    EXPECT_EQ(ReadBytes(FTarget), "a\r\nb\r\n\r\nc\r\n");
}

TEST_F(TextReplaceTest, AddedLinesGoBeforeTheCurrentOneUnlessItWasDroppedFirst)
{
    FScratch.File("source.txt", Joined({"keep", "replace", "drop first"}));
    FHandler = [this](std::string&, int lineNo, bool& writeLine) {
        if (lineNo == 1)
            FReplace->AddNewString("added before keep");
        if (lineNo == 2) {
            FReplace->AddNewString("instead of replace");
            writeLine = false;
        }
        if (lineNo == 3) {
            writeLine = false;
            FReplace->AddNewString("never written");
        }
    };
    EXPECT_TRUE(FReplace->Execute());
    EXPECT_EQ(ReadBytes(FTarget), Joined({"added before keep", "keep", "instead of replace"}));
}

TEST_F(TextReplaceTest, OnlyTheFirstLinesPassWhenLimited)
{
    FScratch.File("source.txt", Joined(Numbered(10)));
    FReplace->SetUseNoOfLines(true);
    FReplace->SetNoOfLinesOnly(3);
    EXPECT_TRUE(FReplace->Execute());
    EXPECT_EQ(FSeen, (TLines{"1:line 1", "2:line 2", "3:line 3"}));
    EXPECT_EQ(ReadBytes(FTarget), Joined(Numbered(3)));

    FSeen.clear();
    FReplace->SetNoOfLinesOnly(0);
    EXPECT_FALSE(FReplace->Execute());
    EXPECT_TRUE(FSeen.empty());
    EXPECT_EQ(ReadBytes(FTarget), "");
}

TEST_F(TextReplaceTest, ATargetThatIsTheSourceIsFilteredInPlace)
{
    FScratch.File("source.txt", Joined(Numbered(5)));
    FReplace->SetFileTo(FSource);
    FHandler = [](std::string& line, int, bool&) { line = "<" + line + ">"; };
    EXPECT_TRUE(FReplace->Execute());
    EXPECT_EQ(ReadBytes(FSource), "<line 1>\r\n<line 2>\r\n<line 3>\r\n<line 4>\r\n<line 5>\r\n");
    EXPECT_TRUE(Strays().empty());
}

TEST_F(TextReplaceTest, AMissingFileNameIsRefusedBeforeAnythingOpens)
{
    FReplace->SetFileTo("");
    EXPECT_EQ(ErrorMessageOf([&] { FReplace->Execute(); }), "Filename not supplied");
    FReplace->SetFileTo(FTarget);
    FReplace->SetFileFrom("");
    EXPECT_EQ(ErrorMessageOf([&] { FReplace->Execute(); }), "Filename not supplied");
    EXPECT_TRUE(Strays().empty());
}

TEST_F(TextReplaceTest, AMissingSourceOrTargetFolderRaisesAndLeavesTheTargetAlone)
{
    FScratch.File("target.txt", "kept");
    try {
        FReplace->Execute();
        FAIL() << "a missing source was read";
    } catch (const EInOutError& error) {
        EXPECT_EQ(error.ErrorCode(), static_cast<unsigned long>(ERROR_FILE_NOT_FOUND));
    }
    EXPECT_EQ(ReadBytes(FTarget), "kept");
    FScratch.File("source.txt", "x");
    FReplace->SetFileTo(FScratch / "missing\\target.txt");
    EXPECT_THROW(FReplace->Execute(), EInOutError);
    EXPECT_TRUE(Strays().empty());
}

TEST_F(TextReplaceTest, ATargetThatCannotBeWrittenFailsBeforeTheFirstLine)
{
    FScratch.File("source.txt", Joined(Numbered(3)));
    // A folder of that name.
    FReplace->SetFileTo(FScratch.Directory("folder"));
    EXPECT_THROW(FReplace->Execute(), EInOutError);
    // A file another program holds without sharing.
    FReplace->SetFileTo(FTarget);
    FScratch.File("target.txt", "held");
    {
        const TKernelHandle held(
            CreateFileA(FTarget.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held);
        EXPECT_THROW(FReplace->Execute(), EInOutError);
    }
    EXPECT_TRUE(FSeen.empty());
    EXPECT_EQ(ReadBytes(FTarget), "held");
    EXPECT_EQ(Strays(), TLines{"folder"});
}

TEST_F(TextReplaceTest, AFailureOnLineFiveLeavesTheTargetAsItWasAndBothFilesClosed)
{
    FScratch.File("source.txt", Joined(Numbered(10)));
    FScratch.File("target.txt", "earlier content\r\n");
    FHandler = [](std::string&, int lineNo, bool&) {
        if (lineNo == 5)
            throw Exception("stopped on line 5");
    };
    EXPECT_EQ(ErrorMessageOf([&] { FReplace->Execute(); }), "stopped on line 5");
    EXPECT_EQ(FSeen.size(), 5u);
    EXPECT_EQ(ReadBytes(FTarget), "earlier content\r\n");
    EXPECT_TRUE(Strays().empty());
    EXPECT_TRUE(FileCanBeDeleted(FSource));
    EXPECT_TRUE(FileCanBeDeleted(FTarget));
}

TEST_F(TextReplaceTest, ARelativeTargetIsTheOneWhereTheCopyBegan)
{
    // A handler that changes the current directory (as a file operator does) moves nothing.
    FScratch.File("source.txt", Joined(Numbered(2)));
    const std::string other = FScratch.File("other\\target.txt", "other");
    const std::string previous = GetCurrentDir();
    ASSERT_TRUE(SetCurrentDir(FScratch.Path()));
    FReplace->SetFileFrom("source.txt");
    FReplace->SetFileTo("target.txt");
    FHandler = [&](std::string&, int, bool&) { (void)SetCurrentDir(FScratch / "other"); };
    const bool result = FReplace->Execute();
    ASSERT_TRUE(SetCurrentDir(previous));
    EXPECT_TRUE(result);
    EXPECT_EQ(ReadBytes(FTarget), Joined(Numbered(2)));
    EXPECT_EQ(ReadBytes(other), "other");
}

TEST_F(TextReplaceTest, ANestedExecuteIsRefusedAndTouchesNothing)
{
    FScratch.File("source.txt", Joined(Numbered(3)));
    const std::string other = FScratch.File("other.txt", "other target");
    bool nested = true;
    FHandler = [&](std::string&, int lineNo, bool&) {
        if (lineNo == 2) {
            FReplace->SetFileTo(other);
            nested = FReplace->Execute();
        }
    };
    EXPECT_TRUE(FReplace->Execute());
    EXPECT_FALSE(nested);
    EXPECT_EQ(FSeen.size(), 3u);
    // The copy goes to the target it began with.
    EXPECT_EQ(ReadBytes(FTarget), Joined(Numbered(3)));
    EXPECT_EQ(ReadBytes(other), "other target");
}

TEST_F(TextReplaceTest, AddingOutsideACopyDoesNothingBeforeTheFirstAndRaisesAfterIt)
{
    FReplace->AddNewString("nowhere");
    FScratch.File("source.txt", "x");
    EXPECT_TRUE(FReplace->Execute());
    EXPECT_THROW(FReplace->AddNewString("too late"), EInOutError);
    EXPECT_EQ(ReadBytes(FTarget), "x\r\n");
}

TEST_F(TextReplaceTest, MessagesAreHandledAfterTheFirstLineThenEveryTwentyMilliseconds)
{
    // Slow lines: each handler finds the message posted by the line before handled.
    TMessageTarget counter;
    FScratch.File("source.txt", Joined(Numbered(4)));
    counter.Post();
    std::vector<int> handled;
    FHandler = [&](std::string&, int, bool&) {
        handled.push_back(counter.Handled());
        counter.Post();
        Sleep(25);
    };
    EXPECT_TRUE(FReplace->Execute());
    EXPECT_EQ(handled, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(counter.Handled(), 5); // the last one at the end

    // Fast lines: a round of messages every 20 ms, not one per line.
    constexpr int LineCount = 3000;
    FScratch.File("source.txt", Joined(Numbered(LineCount)));
    int rounds = 0;
    int previous = counter.Handled();
    FHandler = [&](std::string&, int, bool&) {
        if (counter.Handled() != previous)
            ++rounds;
        previous = counter.Handled();
        counter.Post();
    };
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(FReplace->Execute());
    const auto elapsed = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
    EXPECT_EQ(counter.Handled(), 5 + LineCount);
    EXPECT_GE(rounds, 1);
    EXPECT_LE(rounds, elapsed / 20 + 2) << elapsed << " ms";
    EXPECT_LT(rounds, LineCount / 10);
}

TEST_F(TextReplaceTest, ACopyWhoseComponentIsFreedWhileMessagesAreHandledStops)
{
    FScratch.File("source.txt", Joined(Numbered(5)));
    FScratch.File("target.txt", "kept");
    TMessageTarget counter([this] {
        delete FReplace;
        FReplace = nullptr;
    });
    counter.Post();
    TQELTextReplace* replace = FReplace;
    EXPECT_FALSE(replace->Execute());
    EXPECT_EQ(FReplace, nullptr);
    EXPECT_TRUE(FSeen.empty());
    EXPECT_EQ(ReadBytes(FTarget), "kept");
    EXPECT_TRUE(Strays().empty());
}
