// The log file: every call opens the file, takes the writers' lock, writes, and closes it again.
#include "files/QELTLogFile.h"

#include "framework/DateTime.h"
#include "framework/TextFiles.h"
#include "framework/Win32Handles.h"

#include <chrono>

QEL_CLASS_INFO(TQELLogFile, TQELSystemsComponent)
{
    using C = TQELLogFile;
    return {
        Prop("LogFile", &C::LogFile, &C::SetLogFile).Stored(TStored::NotEmpty),
        Prop("Header", &C::Header, &C::SetHeader).Stored(TStored::NotEmpty),
        Prop("LogTime", &C::LogTime, &C::SetLogTime).Default(false),
        Prop("LogDate", &C::LogDate, &C::SetLogDate).Default(false),
        Prop("LogSpecial", &C::LogSpecial, &C::SetLogSpecial).Default(false),
        Prop("LogHeader", &C::LogHeader, &C::SetLogHeader).Default(false),
        Prop("Special", &C::Special, &C::SetSpecial).Stored(TStored::NotEmpty),
        Prop("OnClear", &C::OnClear, &C::SetOnClear),
    };
}

QEL_OPERATIONS(TQELLogFile)
{
    using C = TQELLogFile;
    return {
        Operation(&C::Log, "Log(Text)",
                  "appends Text as one whole line, with the tag, time and date asked for, creating the log (and its "
                  "Header) when there is none"),
        Operation(&C::ClearLog, "ClearLog()",
                  "fires OnClear and empties the log, leaving Header in it when LogHeader is set"),
    };
}

namespace {

// How long a call waits for the log while the writer that is making it still holds it.
constexpr std::chrono::seconds MakerWait(1);

// The log opened for writing and locked against every other writer of it, until it goes.
//
// Appending alone does not keep lines whole when several processes write at once: a writer seeks to
// the end and writes the whole of its text while it holds the lock, which covers one byte far beyond
// any end of file, so readers are never kept out.
//
// Only one writer can make the file (CREATE_NEW), and it keeps the other writers out until its first
// text, the header, is in: so the header is written once, and first. ("Open always" tells under Wine
// both of two processes that they made the file.)
class TLockedLog {
public:
    // With mayCreate false a missing log stays closed.
    TLockedLog(const std::string& fileName, bool mayCreate) : FFileName(fileName)
    {
        const auto deadline = std::chrono::steady_clock::now() + MakerWait;
        for (;;) {
            HANDLE file = INVALID_HANDLE_VALUE;
            DWORD error = ERROR_FILE_EXISTS;
            if (mayCreate) {
                file = Open(CREATE_NEW, FILE_SHARE_READ);
                error = GetLastError();
                FCreated = file != INVALID_HANDLE_VALUE;
            }
            if (file == INVALID_HANDLE_VALUE && error == ERROR_FILE_EXISTS) {
                file = Open(OPEN_EXISTING, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
                error = GetLastError();
            }
            if (file != INVALID_HANDLE_VALUE) {
                FFile.Reset(file);
                break;
            }
            if (!mayCreate && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND))
                return;
            // Removed again since, or its maker is still writing the header.
            if ((error != ERROR_FILE_NOT_FOUND && error != ERROR_SHARING_VIOLATION) ||
                std::chrono::steady_clock::now() > deadline)
                InOutError("Cannot open", fileName, error);
            Sleep(1);
        }
        OVERLAPPED place = LockPlace();
        if (!LockFileEx(FFile.Get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &place))
            InOutError("Cannot lock", fileName, GetLastError());
    }
    ~TLockedLog()
    {
        if (!FFile)
            return;
        OVERLAPPED place = LockPlace();
        (void)UnlockFileEx(FFile.Get(), 0, 1, 0, &place);
    }
    TLockedLog(const TLockedLog&) = delete;
    TLockedLog& operator=(const TLockedLog&) = delete;

    bool Opened() const noexcept { return static_cast<bool>(FFile); }
    // Whether this opening made the file.
    bool Created() const noexcept { return FCreated; }

    // Writes text at the end of the file.
    void Append(const std::string& text) { WriteAt(FILE_END, text); }
    // Cuts the file to nothing and writes text into it.
    void Replace(const std::string& text)
    {
        Seek(FILE_BEGIN);
        if (!SetEndOfFile(FFile.Get()))
            InOutError("Cannot write", FFileName, GetLastError());
        WriteAt(FILE_BEGIN, text);
    }

private:
    HANDLE Open(DWORD disposition, DWORD share) const
    {
        return CreateFileA(FFileName.c_str(), GENERIC_WRITE, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    }
    static OVERLAPPED LockPlace()
    {
        OVERLAPPED place{};
        place.OffsetHigh = 0x40000000;
        return place;
    }
    void Seek(DWORD origin)
    {
        if (!SetFilePointerEx(FFile.Get(), LARGE_INTEGER{}, nullptr, origin))
            InOutError("Cannot write", FFileName, GetLastError());
    }
    void WriteAt(DWORD origin, const std::string& text)
    {
        Seek(origin);
        DWORD written = 0;
        if (!WriteFile(FFile.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr))
            InOutError("Cannot write", FFileName, GetLastError());
        if (written != text.size())
            InOutError("Cannot write", FFileName, ERROR_DISK_FULL);
    }

    std::string FFileName;
    TKernelHandle FFile;
    bool FCreated = false;
};

} // namespace

TQELLogFile::TQELLogFile(TComponent* owner)
    : TQELSystemsComponent(owner), FHeader("Generic Log File for my Application"), FSpecial("Logged by User")
{
}

void TQELLogFile::Log(const std::string& text)
{
    if (FLogFile.empty())
        return;
    std::string line;
    if (FLogSpecial)
        line += FSpecial;
    if (FLogTime || FLogDate) {
        const TDateTime now = Now();
        if (FLogTime)
            line.append(" ").append(TimeToStr(now));
        if (FLogDate)
            line.append(" ").append(DateToStr(now));
    }
    line = line.empty() ? text + "\r\n" : line + " " + text + "\r\n";

    TLockedLog log(FLogFile, true);
    log.Append(log.Created() && FLogHeader ? FHeader + "\r\n" + line : line);
}

void TQELLogFile::ClearLog()
{
    if (FLogFile.empty())
        return;
    // The handler may free this component; then the log is left as it is.
    const TComponentWatch watch(this);
    FOnClear(this);
    if (!watch.Alive())
        return;
    TLockedLog log(FLogFile, false);
    if (log.Opened())
        log.Replace(FLogHeader ? FHeader + "\r\n" : std::string());
}
