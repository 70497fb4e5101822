// The log file on real files: the line's parts in their order, the header of a new or cleared log,
// errors, the writers' lock, and two processes logging into one file at once.
#include "files/QELTLogFile.h"

#include "framework/DateTime.h"
#include "framework/SysUtils.h"
#include "framework/Win32Handles.h"
#include "tests/files/FilesTestSupport.h"
#include "tests/support/ImportPatch.h"
#include "tests/support/Processes.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <thread>
#include <vector>

namespace {

using TLines = std::vector<std::string>;

TLines LinesOf(const std::string& bytes)
{
    TLines lines;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(bytes.substr(start, end - start));
    EXPECT_EQ(start, bytes.size()) << "the log does not end with a whole line";
    return lines;
}

void WINAPI FixedLocalTime(LPSYSTEMTIME time)
{
    *time = SYSTEMTIME{};
    time->wYear = 2024;
    time->wMonth = 2;
    time->wDay = 29;
    time->wDayOfWeek = 4;
    time->wHour = 13;
    time->wMinute = 5;
    time->wSecond = 9;
}

class LogFileTest : public testing::Test, public TObject {
public:
    void Cleared(TObject* sender) { FClears.push_back(sender); }

protected:
    LogFileTest() : FLog(nullptr) { FLog.SetLogFile(FFileName); }

    TScratchDirectory FScratch;
    const std::string FFileName = FScratch / "app.log";
    TQELLogFile FLog;
    std::vector<TObject*> FClears;
};

} // namespace

TEST_F(LogFileTest, ANewComponentHasThePublishedDefaults)
{
    TQELLogFile log(nullptr);
    EXPECT_EQ(log.LogFile(), "");
    EXPECT_EQ(log.Header(), "Generic Log File for my Application");
    EXPECT_EQ(log.Special(), "Logged by User");
    EXPECT_FALSE(log.LogTime() || log.LogDate() || log.LogSpecial() || log.LogHeader());
}

TEST_F(LogFileTest, TheLineIsTheTextAloneWithEveryOptionOff)
{
    FLog.Log("started");
    FLog.Log("");
    FLog.Log("stopped");
    EXPECT_EQ(ReadBytes(FFileName), "started\r\n\r\nstopped\r\n");
}

TEST_F(LogFileTest, LabelTimeAndDateComeInThatOrderEachAfterABlank)
{
    struct TCase {
        bool Special, Time, Date;
        std::string Text;
    };
    const std::vector<TCase> cases{{true, false, false, "special only"},
                                   {false, true, false, "time only"},
                                   {false, false, true, "date only"},
                                   {true, true, true, "all three"}};
    // The clock stands at 2024-02-29 13:05:09.
    const TImportPatch clock("kernel32.dll", "GetLocalTime", &FixedLocalTime);
    const TDateTime now = EncodeDate(2024, 2, 29) + EncodeTime(13, 5, 9, 0);
    for (const TCase& logged : cases) {
        FLog.SetLogSpecial(logged.Special);
        FLog.SetLogTime(logged.Time);
        FLog.SetLogDate(logged.Date);
        FLog.Log(logged.Text);
        FLog.SetSpecial("[app]");
    }
    EXPECT_EQ(LinesOf(ReadBytes(FFileName)),
              (TLines{"Logged by User special only", " " + TimeToStr(now) + " time only",
                      " " + DateToStr(now) + " date only",
                      "[app] " + TimeToStr(now) + " " + DateToStr(now) + " all three"}));
}

TEST_F(LogFileTest, TheHeaderStartsANewLogOnly)
{
    FLog.SetLogHeader(true);
    FLog.SetHeader("My header");
    FLog.Log("one");
    FLog.Log("two");
    EXPECT_EQ(ReadBytes(FFileName), "My header\r\none\r\ntwo\r\n");

    // A log that exists, even empty, is continued without a header.
    const std::string other = FScratch.File("other.log", "");
    FLog.SetLogFile(other);
    FLog.Log("three");
    EXPECT_EQ(ReadBytes(other), "three\r\n");

    // A log deleted between calls is begun afresh.
    ASSERT_TRUE(DeleteFileA(FFileName.c_str()));
    FLog.SetLogFile(FFileName);
    FLog.Log("four");
    EXPECT_EQ(ReadBytes(FFileName), "My header\r\nfour\r\n");
}

TEST_F(LogFileTest, ClearingEmptiesAnExistingLogAndLeavesTheHeaderWhenAsked)
{
    FLog.SetOnClear(TNotifyEvent(this, &LogFileTest::Cleared));
    FLog.Log("one");
    FLog.ClearLog();
    EXPECT_EQ(ReadBytes(FFileName), "");
    EXPECT_EQ(FClears, (std::vector<TObject*>{&FLog}));

    FLog.Log("two");
    FLog.SetLogHeader(true);
    FLog.ClearLog();
    EXPECT_EQ(ReadBytes(FFileName), "Generic Log File for my Application\r\n");
    FLog.Log("three");
    EXPECT_EQ(ReadBytes(FFileName), "Generic Log File for my Application\r\nthree\r\n");

    // A missing log is not created, but the event still fires.
    ASSERT_TRUE(DeleteFileA(FFileName.c_str()));
    FLog.ClearLog();
    EXPECT_EQ(GetFileAttributesA(FFileName.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(FClears.size(), 3u);
}

TEST_F(LogFileTest, AnOnClearHandlerThatFreesTheComponentLeavesTheLogAsItIs)
{
    auto* log = new TQELLogFile(nullptr);
    log->SetLogFile(FFileName);
    log->Log("kept");
    struct TFreer : TObject {
        TQELLogFile* Log = nullptr;
        void Free(TObject*) { delete Log; }
    } freer;
    freer.Log = log;
    log->SetOnClear(TNotifyEvent(&freer, &TFreer::Free));
    log->ClearLog();
    EXPECT_EQ(ReadBytes(FFileName), "kept\r\n");
}

TEST_F(LogFileTest, WithoutAFileNameNothingHappens)
{
    FLog.SetOnClear(TNotifyEvent(this, &LogFileTest::Cleared));
    FLog.SetLogFile("");
    const std::string previous = GetCurrentDir();
    ASSERT_TRUE(SetCurrentDirectoryA(FScratch.Path().c_str()));
    FLog.Log("nowhere");
    FLog.ClearLog();
    ASSERT_TRUE(SetCurrentDirectoryA(previous.c_str()));
    EXPECT_TRUE(FClears.empty());
    WIN32_FIND_DATAA entry;
    const TFindHandle search(FindFirstFileA((FScratch / "*.*").c_str(), &entry));
    int entries = 0;
    for (BOOL more = search ? TRUE : FALSE; more; more = FindNextFileA(search.Get(), &entry))
        ++entries;
    EXPECT_EQ(entries, 2); // . and ..
}

TEST_F(LogFileTest, AFileThatCannotBeWrittenRaisesTheSystemsError)
{
    FLog.SetLogFile(FScratch / "missing\\app.log");
    try {
        FLog.Log("lost");
        FAIL() << "a log was written into a missing directory";
    } catch (const EInOutError& error) {
        EXPECT_EQ(error.ErrorCode(), static_cast<unsigned long>(ERROR_PATH_NOT_FOUND));
        EXPECT_NE(error.Message().find("missing\\app.log"), std::string::npos) << error.Message();
    }
    FLog.SetLogFile(FFileName);
    FLog.Log("kept");
    {
        const TKernelHandle held(
            CreateFileA(FFileName.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held);
        EXPECT_THROW(FLog.Log("refused"), EInOutError);
        EXPECT_THROW(FLog.ClearLog(), EInOutError);
    }
    EXPECT_EQ(ReadBytes(FFileName), "kept\r\n");
    // Nothing stays open after the failures.
    EXPECT_TRUE(FileCanBeDeleted(FFileName));
}

TEST_F(LogFileTest, AWriterWaitsForTheLockOfAnother)
{
    FLog.Log("first");
    // Another writer of the log holds the writers' lock and appends a line of its own.
    const TKernelHandle other(CreateFileA(FFileName.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(other);
    OVERLAPPED place{};
    place.OffsetHigh = 0x40000000;
    ASSERT_TRUE(LockFileEx(other.Get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &place));
    std::thread writer([this] { FLog.Log("second"); });
    Sleep(300);
    EXPECT_EQ(ReadBytes(FFileName), "first\r\n");
    DWORD written = 0;
    ASSERT_TRUE(SetFilePointerEx(other.Get(), LARGE_INTEGER{}, nullptr, FILE_END));
    ASSERT_TRUE(WriteFile(other.Get(), "held\r\n", 6, &written, nullptr));
    ASSERT_TRUE(UnlockFileEx(other.Get(), 0, 1, 0, &place));
    writer.join();
    EXPECT_EQ(ReadBytes(FFileName), "first\r\nheld\r\nsecond\r\n");
}

TEST_F(LogFileTest, TwoProcessesLoggingAtOnceLeaveEveryLineWhole)
{
    constexpr int LinesEach = 5000;
    const std::string eventName = "QELSystmLogStart-" + std::to_string(GetCurrentProcessId());
    const TKernelHandle start(CreateEventA(nullptr, TRUE, FALSE, eventName.c_str()));
    ASSERT_TRUE(start);
    const std::string arguments =
        "--log-child \"" + FFileName + "\" " + std::to_string(LinesEach) + " " + eventName;
    TChildProcess first(SelfCommand(arguments));
    TChildProcess second(SelfCommand(arguments));
    Sleep(200);
    ASSERT_TRUE(SetEvent(start.Get()));
    EXPECT_EQ(first.Wait(60000).value_or(99), 0u) << first.Err();
    EXPECT_EQ(second.Wait(60000).value_or(99), 0u) << second.Err();

    // The header once and first, then each process's lines whole and in its own order.
    const TLines lines = LinesOf(ReadBytes(FFileName));
    ASSERT_EQ(lines.size(), 2u * LinesEach + 1);
    EXPECT_EQ(lines[0], "Generic Log File for my Application");
    int headers = 0;
    std::map<std::string, int> next;
    for (const std::string& line : lines) {
        if (line == "Generic Log File for my Application") {
            ++headers;
            continue;
        }
        std::istringstream parts(line);
        std::string process;
        int number = -1;
        std::string rest;
        ASSERT_TRUE(parts >> process >> number) << line;
        ASSERT_FALSE(parts >> rest) << line;
        EXPECT_EQ(number, next[process]++) << line;
    }
    EXPECT_EQ(headers, 1);
    ASSERT_EQ(next.size(), 2u);
    for (const auto& [process, count] : next)
        EXPECT_EQ(count, LinesEach) << process;
}
