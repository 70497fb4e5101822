// Text replace: a line-by-line copy through BeforeWrite into a temporary file that takes the target's
// place at the end.
#include "files/QELTTextReplace.h"

#include "framework/Forms.h"
#include "framework/SysUtils.h"
#include "framework/TextFiles.h"
#include "framework/Win32Handles.h"

#include <algorithm>
#include <string_view>

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

QEL_OPERATIONS(TQELTextReplace)
{
    using C = TQELTextReplace;
    return {
        Operation(&C::Execute, "Execute()",
                  "copies FileFrom into FileTo line by line through BeforeWrite, replacing FileTo only once the "
                  "copy is whole; True when a line passed"),
        Operation(&C::AddNewString, "AddNewString(Text)",
                  "from BeforeWrite: writes Text as a line of its own before the current one"),
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

// The copy of a target is written beside it as "<target>.qel<N>.tmp", N the first number free, so that
// one left behind by a program that was killed says what it belongs to.
constexpr std::string_view TemporaryMark = ".qel";
constexpr std::string_view TemporaryExtension = ".tmp";
constexpr int TemporaryNumbers = 10000;

// Whether name, found beside the target named targetName, is that of a copy of it.
bool IsTemporaryOf(std::string_view name, const std::string& targetName)
{
    const std::string prefix = targetName + std::string(TemporaryMark);
    if (name.size() <= prefix.size() + TemporaryExtension.size() || !SameText(name.substr(0, prefix.size()), prefix) ||
        !SameText(name.substr(name.size() - TemporaryExtension.size()), TemporaryExtension))
        return false;
    const std::string_view number = name.substr(prefix.size(), name.size() - prefix.size() - TemporaryExtension.size());
    return std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Removes the copies of the target that no running copy owns. A running copy holds its file open
// until the file has taken the target's place, in this process or another, so a copy that can be
// opened with nothing shared is one whose program ended before it finished; closing it removes it.
// The target is fully qualified.
void RemoveAbandonedCopies(const std::string& target)
{
    const std::string directory = ExtractFilePath(target);
    const std::string targetName = ExtractFileName(target);
    TSearchRec search;
    for (int result = FindFirst(target + std::string(TemporaryMark) + "*" + std::string(TemporaryExtension),
                                faAnyFile & ~faDirectory, search);
         result == 0; result = FindNext(search)) {
        if (!IsTemporaryOf(search.Name, targetName))
            continue;
        const HANDLE file = CreateFileA((directory + search.Name).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        (void)TKernelHandle(file == INVALID_HANDLE_VALUE ? nullptr : file);
    }
    FindClose(search);
}

// A new, empty file beside the target, held open from its creation until it has taken the target's
// place, or else removed again. The target is fully qualified.
class TTemporaryFile {
public:
    explicit TTemporaryFile(const std::string& target)
    {
        for (int number = 0; number < TemporaryNumbers; ++number) {
            std::string name = target + std::string(TemporaryMark) + std::to_string(number) +
                               std::string(TemporaryExtension);
            // Shared with the writer and with the move, but with no one who opens it alone.
            const HANDLE file = CreateFileA(name.c_str(), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file != INVALID_HANDLE_VALUE) {
                FHeld.Reset(file);
                FName = std::move(name);
                return;
            }
            if (const DWORD error = GetLastError(); error != ERROR_FILE_EXISTS)
                InOutError("Cannot create a file beside", target, error);
        }
        InOutError("Cannot create a file beside", target, ERROR_FILE_EXISTS);
    }
    ~TTemporaryFile()
    {
        FHeld.Reset();
        if (!FName.empty()) {
            (void)SetFileAttributesA(FName.c_str(), FILE_ATTRIBUTE_NORMAL);
            (void)DeleteFileA(FName.c_str());
        }
    }
    TTemporaryFile(const TTemporaryFile&) = delete;
    TTemporaryFile& operator=(const TTemporaryFile&) = delete;

    const std::string& Name() const noexcept { return FName; }
    // Moves the file, written and closed, over the target, with the target's attributes (a hidden target
    // stays hidden), marked as changed. The system's replace call would keep the attributes on Windows,
    // but under Wine it does not, and there it refuses a file that is still held open, which would leave
    // a moment in which another program's copy could take this one for abandoned.
    void Replace(const std::string& target)
    {
        constexpr DWORD Kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                               FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
        if (const DWORD attributes = GetFileAttributesA(target.c_str());
            attributes != INVALID_FILE_ATTRIBUTES &&
            !SetFileAttributesA(FName.c_str(), (attributes & Kept) | FILE_ATTRIBUTE_ARCHIVE))
            InOutError("Cannot replace", target, GetLastError());
        if (!MoveFileExA(FName.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
            InOutError("Cannot replace", target, GetLastError());
        FName.clear();
    }

private:
    std::string FName;
    TKernelHandle FHeld;
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
    RemoveAbandonedCopies(target);
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
