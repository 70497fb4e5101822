// Text replace on real files: what reaches the handler and the target, the line limit, added lines,
// a target that is the source itself, the target's attributes, the copy beside it (also one that a
// killed child process left), failures part-way, and when pending messages are handled (on the test's
// clocks).
#include "files/QELTTextReplace.h"

#include "framework/Forms.h"
#include "framework/SysUtils.h"
#include "framework/Win32Handles.h"
#include "tests/files/FilesTestSupport.h"
#include "tests/support/ErrorMessage.h"
#include "tests/support/ImportPatch.h"
#include "tests/support/Processes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
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

TEST_F(TextReplaceTest, TheReplacedTargetKeepsItsAttributes)
{
    FScratch.File("source.txt", Joined(Numbered(2)));
    FScratch.File("target.txt", "hidden");
    ASSERT_TRUE(SetFileAttributesA(FTarget.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_TRUE(FReplace->Execute());
    EXPECT_EQ(ReadBytes(FTarget), Joined(Numbered(2)));
    // Marked as changed, too.
    EXPECT_EQ(GetFileAttributesA(FTarget.c_str()),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE));
    // Filtered in place, a hidden file stays hidden.
    FReplace->SetFileTo(FSource);
    ASSERT_TRUE(SetFileAttributesA(FSource.c_str(), FILE_ATTRIBUTE_HIDDEN));
    EXPECT_TRUE(FReplace->Execute());
    EXPECT_EQ(GetFileAttributesA(FSource.c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    // A new target is a plain file.
    ASSERT_TRUE(SetFileAttributesA(FTarget.c_str(), FILE_ATTRIBUTE_NORMAL));
    ASSERT_TRUE(DeleteFileA(FTarget.c_str()));
    FReplace->SetFileTo(FTarget);
    EXPECT_TRUE(FReplace->Execute());
    EXPECT_EQ(GetFileAttributesA(FTarget.c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM), 0u);
    EXPECT_TRUE(Strays().empty());
}

TEST_F(TextReplaceTest, TheCopyIsWrittenBesideTheTargetUnderItsName)
{
    FScratch.File("source.txt", Joined(Numbered(2)));
    TLines during;
    FHandler = [&](std::string&, int, bool&) { during = Strays(); };
    EXPECT_TRUE(FReplace->Execute());
    EXPECT_EQ(during, TLines{"target.txt.qel0.tmp"});
    EXPECT_TRUE(Strays().empty());

    // Copies left behind are removed by the next copy to the same target; files that only look like
    // them, or belong to another target, stay.
    FScratch.File("target.txt.qel0.tmp", "left behind");
    FScratch.File("target.txt.qel17.tmp", "left behind");
    const TLines others{"other.txt.qel0.tmp", "target.txt.qel.tmp", "target.txt.qel1x.tmp", "target.txt.qel0.tmp.txt",
                        "xtarget.txt.qel0.tmp"};
    for (const std::string& name : others)
        FScratch.File(name, "not a copy of target.txt");
    EXPECT_TRUE(FReplace->Execute());
    TLines expected = others;
    std::sort(expected.begin(), expected.end());
    TLines left = Strays();
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, expected);
    // They went before the copy began, which took the first number again.
    expected.push_back("target.txt.qel0.tmp");
    std::sort(expected.begin(), expected.end());
    std::sort(during.begin(), during.end());
    EXPECT_EQ(during, expected);
}

TEST_F(TextReplaceTest, ACopyKilledHalfWayLeavesItsFileUntilTheNextCopyToTheTarget)
{
    FScratch.File("source.txt", Joined(Numbered(3)));
    FScratch.File("target.txt", "kept");
    TChildProcess child(SelfCommand("--replace-child \"" + FSource + "\" \"" + FTarget + "\""));
    ASSERT_TRUE(child.WaitForLine("copying")) << child.Err();
    EXPECT_EQ(Strays(), TLines{"target.txt.qel0.tmp"});

    // The running copy's file is its own: another copy writes beside it.
    TLines during;
    FHandler = [&](std::string&, int, bool&) { during = Strays(); };
    EXPECT_TRUE(FReplace->Execute());
    std::sort(during.begin(), during.end());
    EXPECT_EQ(during, (TLines{"target.txt.qel0.tmp", "target.txt.qel1.tmp"}));
    EXPECT_EQ(Strays(), TLines{"target.txt.qel0.tmp"});

    // Killed, it leaves its file, which the next copy removes.
    child.Kill();
    EXPECT_EQ(Strays(), TLines{"target.txt.qel0.tmp"});
    EXPECT_TRUE(FReplace->Execute());
    EXPECT_TRUE(Strays().empty());
    EXPECT_EQ(ReadBytes(FTarget), Joined(Numbered(3)));
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

// The copy's clocks, driven by the test: the performance counter moves only when a handler says a line
// took time, and the tick count only when told to; it stands still otherwise, as it can under Wine
// while a thread computes.
class TextReplaceClockTest : public TextReplaceTest {
protected:
    // A line that took that long, the tick count moving with it when asked.
    static void Spend(LONGLONG microseconds, bool tickMoves = false)
    {
        Counter += microseconds * Frequency() / 1000000;
        if (tickMoves)
            Tick += static_cast<DWORD>(microseconds / 1000);
    }
    static double Milliseconds(LONGLONG counter) { return static_cast<double>(counter) * 1000 / Frequency(); }

    // A line whose handler found the messages of the lines before it handled, and the counter then.
    struct TRound {
        int LineNo;
        LONGLONG Counter;
    };
    // Copies lineCount lines; each handler posts a message, then spends what cost gives for its line.
    // Gives the rounds of messages, after the start of the copy as line 0.
    std::vector<TRound> Rounds(int lineCount, const std::function<void(int)>& cost)
    {
        FScratch.File("source.txt", Joined(Numbered(lineCount)));
        TMessageTarget messages;
        std::vector<TRound> rounds{{0, Counter}};
        int seen = 0;
        FHandler = [&](std::string&, int lineNo, bool&) {
            if (messages.Handled() != seen)
                rounds.push_back({lineNo, Counter});
            seen = messages.Handled();
            messages.Post();
            cost(lineNo);
        };
        EXPECT_TRUE(FReplace->Execute());
        EXPECT_EQ(messages.Handled(), lineCount); // the last ones at the end
        return rounds;
    }

    static inline LONGLONG Counter = 0;
    static inline DWORD Tick = 0;

private:
    static LONGLONG Frequency()
    {
        LARGE_INTEGER frequency;
        (void)QueryPerformanceFrequency(&frequency);
        return frequency.QuadPart;
    }
    static BOOL WINAPI FakeQueryPerformanceCounter(LARGE_INTEGER* value)
    {
        value->QuadPart = Counter;
        return TRUE;
    }
    static DWORD WINAPI FakeGetTickCount() { return Tick; }

    const TImportPatch FCounterPatch{"kernel32.dll", "QueryPerformanceCounter", &FakeQueryPerformanceCounter};
    const TImportPatch FTickPatch{"kernel32.dll", "GetTickCount", &FakeGetTickCount};
};

TEST_F(TextReplaceClockTest, MessagesAreHandledAfterTheFirstLineThenEveryTwentyMilliseconds)
{
    // Slow lines: each handler finds the message posted by the line before handled.
    std::vector<TRound> rounds = Rounds(4, [](int) { Spend(25000); });
    ASSERT_EQ(rounds.size(), 4u);
    EXPECT_EQ(rounds.back().LineNo, 4);

    // Short lines: a round of messages every 20 ms, at most a millisecond late, not one per line.
    rounds = Rounds(3000, [](int) { Spend(50); });
    ASSERT_EQ(rounds.size(), 8u); // the start, then 7 rounds in 150 ms
    for (std::size_t i = 1; i < rounds.size(); ++i) {
        EXPECT_GE(Milliseconds(rounds[i].Counter - rounds[i - 1].Counter), 20.0) << i;
        EXPECT_LE(Milliseconds(rounds[i].Counter - rounds[i - 1].Counter), 21.0) << i;
    }
}

TEST_F(TextReplaceClockTest, ALineThatSuddenlyTakesLongIsNoticed)
{
    // After a thousand short lines, one that takes 30 ms: as the tick count has moved, the next line
    // finds the messages handled.
    std::vector<TRound> rounds = Rounds(1100, [](int lineNo) { Spend(lineNo == 1000 ? 30000 : 1, lineNo == 1000); });
    ASSERT_EQ(rounds.size(), 2u);
    EXPECT_EQ(rounds[1].LineNo, 1001);

    // Where the tick count stands still, such lines are noticed within 64 lines, and from then on each
    // slow line is followed by a round.
    rounds = Rounds(1200, [](int lineNo) { Spend(lineNo > 1000 ? 30000 : 1); });
    ASSERT_GE(rounds.size(), 2u);
    EXPECT_GE(rounds[1].LineNo, 1002);
    EXPECT_LE(rounds[1].LineNo, 1001 + 64);
    for (std::size_t i = 2; i < rounds.size(); ++i)
        EXPECT_EQ(rounds[i].LineNo, rounds[i - 1].LineNo + 1);
    EXPECT_EQ(rounds.back().LineNo, 1200);
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
