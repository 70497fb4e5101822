// Text replace: a line-by-line copy through BeforeWrite into a temporary file that takes the target's
// place at the end.
#include "files/QELTTextReplace.h"

#include "framework/Forms.h"
#include "framework/SysUtils.h"
#include "framework/TextFiles.h"
#include "framework/Win32Handles.h"

#include <algorithm>

QEL_CLASS_INFO(TQELTextReplace, TQELSystemsComponent)
{
    using C = TQELTextReplace;
    return {
        Prop("FileFrom", &C::FileFrom, &C::SetFileFrom).Stored(TStored::NotEmpty),
        Prop("FileTo", &C::FileTo, &C::SetFileTo).Stored(TStored::NotEmpty),
        Prop("BeforeWrite", &C::BeforeWrite, &C::SetBeforeWrite),
        Prop("UseNoOfLines", &C::UseNoOfLines, &C::SetUseNoOfLines).Default(false),
        Prop("NoOfLinesOnly", &C::NoOfLinesOnly, &C::SetNoOfLinesOnly).Stored(TStored::Always),
    };
}

namespace {

// How long a copy may go without handling pending messages. Handling them costs tens of microseconds,
// which after every line would make a long copy several times slower.
constexpr LONGLONG YieldMilliseconds = 20;
// The performance counter is read about this often while lines are short...
constexpr LONGLONG ReadingMicroseconds = 1000;
// ...but at least once in this many lines.
constexpr LONGLONG MaxLinesUnread = 64;

// Whether YieldMilliseconds have passed since the last yield. The performance counter is exact, but
// under Wine reading it is a call into the system that costs about a microsecond, several times the
// cost of copying a short line; so it is read only every so many lines: as many as the last reading
// showed to pass in ReadingMicroseconds, one while lines are slow, at most MaxLinesUnread. The tick count
// costs next to nothing and a reading is taken at once when it has moved, so a line that suddenly takes
// long is noticed after it; but under Wine the tick count can stand still while a thread computes, so
// it never stands in for the counter.
class TYieldClock {
public:
    bool Due()
    {
        if (!FStarted)
            return true;
        ++FLinesUnread;
        const DWORD tick = GetTickCount();
        if (tick == FTick && FLinesUnread < FStride)
            return false;
        FTick = tick;
        const LONGLONG now = Counter();
        const LONGLONG elapsed = now - FLastReading;
        FStride = elapsed > 0 ? std::clamp(FLinesUnread * Frequency() * ReadingMicroseconds / 1000000 / elapsed,
                                           LONGLONG{1}, MaxLinesUnread)
                              : MaxLinesUnread;
        FLinesUnread = 0;
        FLastReading = now;
        return (now - FLastYield) * 1000 >= YieldMilliseconds * Frequency();
    }
    // Handling the messages may itself take long: the interval starts when it is over.
    void Yielded()
    {
        FStarted = true;
        FLastYield = FLastReading = Counter();
        FTick = GetTickCount();
        FLinesUnread = 0;
    }

private:
    static LONGLONG Counter()
    {
        LARGE_INTEGER now;
        (void)QueryPerformanceCounter(&now);
        return now.QuadPart;
    }
    static LONGLONG Frequency()
    {
        static const LONGLONG frequency = [] {
            LARGE_INTEGER value;
            (void)QueryPerformanceFrequency(&value);
            return value.QuadPart;
        }();
        return frequency;
    }

    bool FStarted = false;
    DWORD FTick = 0;
    LONGLONG FLastYield = 0;
    LONGLONG FLastReading = 0;
    LONGLONG FLinesUnread = 0;
    LONGLONG FStride = 1;
};

// Raises, as creating the target would, when it exists but cannot be written (a folder, a file that
// another program holds) or its name is invalid; the file itself is not changed.
void CheckTarget(const std::string& target)
{
    const HANDLE file = CreateFileA(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD error = GetLastError();
    const TKernelHandle probe(file == INVALID_HANDLE_VALUE ? nullptr : file);
    if (!probe && error != ERROR_FILE_NOT_FOUND)
        InOutError("Cannot create", target, error);
}

// A new, empty file in the target's directory, removed again unless it took the target's place. The
// target is fully qualified.
class TTemporaryFile {
public:
    explicit TTemporaryFile(const std::string& target)
    {
        char name[MAX_PATH];
        if (!GetTempFileNameA(ExtractFilePath(target).c_str(), "qel", 0, name))
            InOutError("Cannot create a file beside", target, GetLastError());
        FName = name;
    }
    ~TTemporaryFile()
    {
        if (!FName.empty())
            (void)DeleteFileA(FName.c_str());
    }
    TTemporaryFile(const TTemporaryFile&) = delete;
    TTemporaryFile& operator=(const TTemporaryFile&) = delete;

    const std::string& Name() const noexcept { return FName; }
    // The file must be closed.
    void Replace(const std::string& target)
    {
        if (!MoveFileExA(FName.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
            InOutError("Cannot replace", target, GetLastError());
        FName.clear();
    }

private:
    std::string FName;
};

} // namespace

bool TQELTextReplace::Execute()
{
    if (FFileTo.empty() || FFileFrom.empty())
        throw Exception("Filename not supplied");
    if (FTarget)
        return false;
    // The file begun is the one replaced, also when a handler assigns FileTo or changes the current
    // directory during the copy.
    const std::string target = ExpandFileName(FFileTo);
    TTextReader source(FFileFrom);
    // The target is written last, but one that cannot be is refused before any line is handed on.
    CheckTarget(target);
    TTemporaryFile temporary(target);
    TTextWriter writer(temporary.Name());

    // Leaves the running state however Execute ends, unless the component was freed meanwhile: then
    // nothing of it may be touched, and the files go with the locals.
    const TComponentWatch watch(this);
    struct TRunning {
        TQELTextReplace& Component;
        const TComponentWatch& Watch;
        ~TRunning()
        {
            if (Watch.Alive())
                Component.FTarget = nullptr;
        }
    } running{*this, watch};
    FTarget = &writer;

    FLineNo = 1;
    bool result = false;
    TYieldClock clock;
    while (source.ReadLine(FLine)) {
        FWriteLine = true;
        if (clock.Due()) {
            Application->ProcessMessages();
            if (!watch.Alive())
                return false;
            clock.Yielded();
        }
        if (FUseNoOfLines && FLineNo > FNoOfLinesOnly)
            continue;
        FBeforeWrite(this, FLine, FLineNo, FWriteLine);
        if (!watch.Alive())
            return false;
        if (FWriteLine)
            writer.WriteLine(FLine);
        ++FLineNo;
        result = true;
    }
    Application->ProcessMessages();
    if (!watch.Alive())
        return false;
    writer.Close();
    source.Close();
    temporary.Replace(target);
    return result;
}

void TQELTextReplace::AddNewString(const std::string& text)
{
    if (!FWriteLine)
        return;
    if (!FTarget)
        InOutError("Cannot write", FFileTo, ERROR_INVALID_HANDLE);
    FTarget->WriteLine(text);
}
