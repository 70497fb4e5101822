// Text replace: a line-by-line copy through BeforeWrite into a temporary file that takes the target's
// place at the end.
#include "files/QELTTextReplace.h"

#include "framework/Forms.h"
#include "framework/SysUtils.h"
#include "framework/TextFiles.h"
#include "framework/Win32Handles.h"

#include <chrono>

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
constexpr std::chrono::milliseconds YieldInterval(20);

// Whether YieldInterval has passed since the last yield. The system's tick count costs next to nothing
// to read but moves in steps of 10 to 16 ms; the steady clock is exact but costs as much as copying a
// short line. So the steady clock is read only when the tick count has moved.
class TYieldClock {
public:
    bool Due()
    {
        const DWORD tick = GetTickCount();
        if (FStarted && tick == FTick)
            return false;
        FTick = tick;
        return !FStarted || std::chrono::steady_clock::now() - FLastYield >= YieldInterval;
    }
    void Yielded()
    {
        FStarted = true;
        FLastYield = std::chrono::steady_clock::now();
    }

private:
    bool FStarted = false;
    DWORD FTick = 0;
    std::chrono::steady_clock::time_point FLastYield;
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
