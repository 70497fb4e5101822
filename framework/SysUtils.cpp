// File names, the file system, drives, the current directory and random numbers.
#include "framework/SysUtils.h"

#include "framework/Win32.h"

#include <algorithm>
#include <vector>

namespace {

constexpr std::string_view PathDelimiters = "\\:";

// Calls a system routine that fills a buffer of a given size and answers the length it wrote, or the
// size it needs (terminator included) when the buffer was too small; 0 on failure.
template <class F>
std::string FilledBuffer(F fill)
{
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = fill(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length < buffer.size())
            return std::string(buffer.data(), length);
        buffer.resize(length);
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// File names

std::string ExtractFilePath(std::string_view fileName)
{
    const std::size_t last = fileName.find_last_of(PathDelimiters);
    return std::string(last == std::string_view::npos ? std::string_view() : fileName.substr(0, last + 1));
}

std::string ExtractFileDir(std::string_view fileName)
{
    const std::size_t last = fileName.find_last_of(PathDelimiters);
    if (last == std::string_view::npos)
        return {};
    const bool rootDelimiter = last == 0 || fileName[last] != '\\' ||
                               PathDelimiters.find(fileName[last - 1]) != std::string_view::npos;
    return std::string(fileName.substr(0, rootDelimiter ? last + 1 : last));
}

std::string ExtractFileName(std::string_view fileName)
{
    const std::size_t last = fileName.find_last_of(PathDelimiters);
    return std::string(last == std::string_view::npos ? fileName : fileName.substr(last + 1));
}

namespace {

// Where the extension starts: at the last dot after the path, or at the end when there is none.
std::size_t ExtensionStart(std::string_view fileName)
{
    const std::size_t last = fileName.find_last_of(".\\:");
    return last != std::string_view::npos && fileName[last] == '.' ? last : fileName.size();
}

} // namespace

std::string ExtractFileExt(std::string_view fileName)
{
    return std::string(fileName.substr(ExtensionStart(fileName)));
}

std::string ChangeFileExt(std::string_view fileName, std::string_view extension)
{
    return std::string(fileName.substr(0, ExtensionStart(fileName))).append(extension);
}

std::string ExpandFileName(const std::string& fileName)
{
    if (fileName.empty())
        return {};
    return FilledBuffer(
        [&](DWORD size, char* buffer) { return GetFullPathNameA(fileName.c_str(), size, buffer, nullptr); });
}

std::string IncludeTrailingBackslash(std::string_view path)
{
    std::string result(path);
    if (!result.empty() && result.back() != '\\')
        result += '\\';
    return result;
}

// ---------------------------------------------------------------------------------------------------
// Files

bool FileExists(const std::string& name)
{
    if (name.empty())
        return false;
    const DWORD attributes = GetFileAttributesA(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

int FileGetAttr(const std::string& fileName)
{
    const DWORD attributes = GetFileAttributesA(fileName.c_str());
    return attributes == INVALID_FILE_ATTRIBUTES ? -1 : static_cast<int>(attributes);
}

int FileSetAttr(const std::string& fileName, int attributes)
{
    return SetFileAttributesA(fileName.c_str(), static_cast<DWORD>(attributes)) ? 0
                                                                                 : static_cast<int>(GetLastError());
}

namespace {

// Moves the search on to the first entry, from the one it stands at, that is not excluded, and copies
// it into the record's fields.
int TakeMatchingEntry(TSearchRec& search)
{
    while ((search.FindData.dwFileAttributes & static_cast<DWORD>(search.ExcludeAttr)) != 0)
        if (!FindNextFileA(search.FindHandle.Get(), &search.FindData))
            return static_cast<int>(GetLastError());
    search.Size = static_cast<std::int64_t>(search.FindData.nFileSizeHigh) << 32 | search.FindData.nFileSizeLow;
    search.Attr = static_cast<int>(search.FindData.dwFileAttributes);
    search.Name = search.FindData.cFileName;
    return 0;
}

} // namespace

int FindFirst(const std::string& path, int attributes, TSearchRec& search)
{
    FindClose(search);
    search.ExcludeAttr = ~attributes & (faHidden | faSysFile | faVolumeID | faDirectory);
    const HANDLE handle = FindFirstFileA(path.c_str(), &search.FindData);
    if (handle == INVALID_HANDLE_VALUE)
        return static_cast<int>(GetLastError());
    search.FindHandle.Reset(handle);
    const int result = TakeMatchingEntry(search);
    if (result != 0)
        FindClose(search);
    return result;
}

int FindNext(TSearchRec& search)
{
    if (!FindNextFileA(search.FindHandle.Get(), &search.FindData))
        return static_cast<int>(GetLastError());
    return TakeMatchingEntry(search);
}

void FindClose(TSearchRec& search)
{
    search.FindHandle.Reset();
}

TKernelHandle FileOpen(const std::string& fileName, int mode)
{
    static constexpr DWORD access[] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
    if (mode < fmOpenRead || mode > fmOpenReadWrite)
        return {};
    const HANDLE handle = CreateFileA(fileName.c_str(), access[mode], FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return TKernelHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

int FileGetDate(HANDLE file)
{
    FILETIME written, local;
    WORD date, time;
    if (!GetFileTime(file, nullptr, nullptr, &written) || !FileTimeToLocalFileTime(&written, &local) ||
        !FileTimeToDosDateTime(&local, &date, &time))
        return -1;
    return static_cast<int>(static_cast<std::uint32_t>(date) << 16 | time);
}

int FileSetDate(HANDLE file, int fileDate)
{
    const auto bits = static_cast<std::uint32_t>(fileDate);
    FILETIME local, written;
    if (!DosDateTimeToFileTime(static_cast<WORD>(bits >> 16), static_cast<WORD>(bits & 0xFFFF), &local) ||
        !LocalFileTimeToFileTime(&local, &written) || !SetFileTime(file, nullptr, nullptr, &written))
        return static_cast<int>(GetLastError());
    return 0;
}

TDateTime FileDateToDateTime(int fileDate)
{
    const auto bits = static_cast<std::uint32_t>(fileDate);
    const auto date = static_cast<int>(bits >> 16);
    const auto time = static_cast<int>(bits & 0xFFFF);
    const TDateTime day = EncodeDate((date >> 9) + 1980, date >> 5 & 15, date & 31);
    return day + EncodeTime(time >> 11, time >> 5 & 63, (time & 31) * 2, 0);
}

int DateTimeToFileDate(TDateTime value)
{
    int year, month, day, hour, minute, second, msec;
    DecodeDate(value, year, month, day);
    DecodeTime(value, hour, minute, second, msec);
    if (year < 1980 || year > 2107)
        return 0;
    const auto date = static_cast<std::uint32_t>((year - 1980) << 9 | month << 5 | day);
    const auto time = static_cast<std::uint32_t>(hour << 11 | minute << 5 | second / 2);
    return static_cast<int>(date << 16 | time);
}

bool RenameFile(const std::string& oldName, const std::string& newName)
{
    return MoveFileA(oldName.c_str(), newName.c_str()) != 0;
}

std::uint64_t FileTimeTicks(const FILETIME& time)
{
    return static_cast<std::uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

bool TFileStamp::operator==(const TFileStamp& other) const
{
    const WIN32_FILE_ATTRIBUTE_DATA& a = Data;
    const WIN32_FILE_ATTRIBUTE_DATA& b = other.Data;
    return Found == other.Found && a.dwFileAttributes == b.dwFileAttributes &&
           FileTimeTicks(a.ftCreationTime) == FileTimeTicks(b.ftCreationTime) &&
           FileTimeTicks(a.ftLastWriteTime) == FileTimeTicks(b.ftLastWriteTime) && a.nFileSizeHigh == b.nFileSizeHigh &&
           a.nFileSizeLow == b.nFileSizeLow;
}

TFileStamp FileStamp(const std::string& fileName)
{
    TFileStamp stamp;
    stamp.Found = GetFileAttributesExA(fileName.c_str(), GetFileExInfoStandard, &stamp.Data) != 0;
    if (!stamp.Found)
        stamp.Data = {};
    return stamp;
}

int ReadFileContent(const std::string& fileName, std::string& content)
{
    content.clear();
    const TKernelHandle file = FileOpen(fileName, fmOpenRead);
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.Get(), &size))
        return static_cast<int>(GetLastError());
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    for (std::size_t done = 0; done < bytes.size();) {
        DWORD read = 0;
        if (!ReadFile(file.Get(), bytes.data() + done,
                      static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20)), &read, nullptr))
            return static_cast<int>(GetLastError());
        if (read == 0) { // the file became shorter meanwhile
            bytes.resize(done);
            break;
        }
        done += read;
    }
    content = std::move(bytes);
    return 0;
}

namespace {

// How often a change that another program holds up is tried, and how long it waits in between: a
// program reading the file through the profile functions holds it for a moment.
constexpr int ChangeAttempts = 40;
constexpr DWORD ChangePause = 5;

bool IsHeldOpen(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}

// The system's time, or a moment after previous where the clock has not passed it yet: a reader that
// keeps a file's content for as long as its time stands still must see every change.
FILETIME TimeAfter(const FILETIME& previous)
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const std::uint64_t time = std::max(FileTimeTicks(now), FileTimeTicks(previous) + 1);
    return {static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
}

// Writes content to a new file name with the attributes given and the time of last writing after
// previous, down to the disk. 0 or the system's error code.
DWORD WriteNewFile(const std::string& name, std::string_view content, DWORD attributes, const FILETIME& previous)
{
    const HANDLE created = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL, nullptr);
    if (created == INVALID_HANDLE_VALUE)
        return GetLastError();
    TKernelHandle file(created);
    for (std::size_t done = 0; done < content.size();) {
        const DWORD part = static_cast<DWORD>(std::min<std::size_t>(content.size() - done, 1 << 20));
        DWORD written = 0;
        if (!WriteFile(file.Get(), content.data() + done, part, &written, nullptr))
            return GetLastError();
        if (written == 0)
            return ERROR_WRITE_FAULT;
        done += written;
    }
    const FILETIME time = TimeAfter(previous);
    if (!SetFileTime(file.Get(), nullptr, nullptr, &time) || !FlushFileBuffers(file.Get()) ||
        !CloseHandle(file.Release()))
        return GetLastError();
    return ERROR_SUCCESS;
}

// Puts the written file in the place of fileName. A rename, which the system does in one step, unlike
// ReplaceFile (which under Wine leaves a moment without the file).
DWORD MoveIntoPlace(const std::string& tempName, const std::string& fileName)
{
    for (int attempt = 1;; ++attempt) {
        if (MoveFileExA(tempName.c_str(), fileName.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return ERROR_SUCCESS;
        const DWORD error = GetLastError();
        if (!IsHeldOpen(error) || attempt == ChangeAttempts)
            return error;
        Sleep(ChangePause);
    }
}

// One attempt at a change: 0 or the system's error code, or nothing where another program held it up
// and it is to be tried again.
std::optional<DWORD> TryChange(const std::string& fileName, const std::string& tempName,
                               const std::function<std::optional<std::string>(const std::string&)>& change)
{
    const TFileStamp before = FileStamp(fileName);
    std::string content;
    if (before.Found) {
        const auto error = static_cast<DWORD>(ReadFileContent(fileName, content));
        // Held by another program, or replaced by one meanwhile.
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_FILE_NOT_FOUND)
            return std::nullopt;
        if (error != ERROR_SUCCESS)
            return error;
    }
    const std::optional<std::string> changed = change(content);
    if (!changed)
        return ERROR_SUCCESS;
    if ((before.Data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0)
        return ERROR_ACCESS_DENIED;
    // The new file is a file of its own: it takes over the old one's attributes, not its creation time
    // or access rights.
    constexpr DWORD kept =
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    DWORD error = WriteNewFile(tempName, *changed, before.Data.dwFileAttributes & kept, before.Data.ftLastWriteTime);
    if (error == ERROR_SUCCESS && FileStamp(fileName) != before) {
        // A program that writes the file in place (the system's profile functions do) changed it while
        // the new content went to the disk, which would drop that change.
        (void)DeleteFileA(tempName.c_str());
        return std::nullopt;
    }
    if (error == ERROR_SUCCESS)
        error = MoveIntoPlace(tempName, fileName);
    if (error != ERROR_SUCCESS)
        (void)DeleteFileA(tempName.c_str());
    return error;
}

} // namespace

int ChangeFileContent(const std::string& fileName, const std::string& tempName,
                      const std::function<std::optional<std::string>(const std::string& content)>& change)
{
    (void)DeleteFileA(tempName.c_str()); // left by a writer that did not finish
    for (int attempt = 1;; ++attempt) {
        if (const std::optional<DWORD> error = TryChange(fileName, tempName, change))
            return static_cast<int>(*error);
        if (attempt == ChangeAttempts)
            return ERROR_SHARING_VIOLATION;
        Sleep(ChangePause);
    }
}

// ---------------------------------------------------------------------------------------------------
// Drives and directories

namespace {

struct TDiskSpace {
    std::int64_t Free = -1;
    std::int64_t Size = -1;
};

TDiskSpace ReadDiskSpace(int drive)
{
    if (drive < 0 || drive > 26)
        return {};
    // The root of the drive, or no path at all for the current directory's drive.
    const std::string root = drive == 0 ? std::string() : std::string(1, static_cast<char>('A' + drive - 1)) + ":\\";
    // An empty drive must not bring up the system's "insert a disk" box.
    const UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS);
    ULARGE_INTEGER freeToCaller{}, total{}, totalFree{};
    const BOOL read = GetDiskFreeSpaceExA(drive == 0 ? nullptr : root.c_str(), &freeToCaller, &total, &totalFree);
    (void)SetErrorMode(previousMode);
    if (!read)
        return {};
    return {static_cast<std::int64_t>(freeToCaller.QuadPart), static_cast<std::int64_t>(total.QuadPart)};
}

} // namespace

std::int64_t DiskFree(int drive)
{
    return ReadDiskSpace(drive).Free;
}

std::int64_t DiskSize(int drive)
{
    return ReadDiskSpace(drive).Size;
}

std::string GetCurrentDir()
{
    return FilledBuffer([](DWORD size, char* buffer) { return GetCurrentDirectoryA(size, buffer); });
}

bool SetCurrentDir(const std::string& directory)
{
    return SetCurrentDirectoryA(directory.c_str()) != 0;
}

// ---------------------------------------------------------------------------------------------------
// Random numbers

namespace {

// A linear congruential generator of full period 2^32; Random takes the high bits of the product
// with the range, so the values of a range are as near equally likely as 32 bits allow.
std::uint32_t RandomSeed = 0;

} // namespace

void Randomize()
{
    RandomSeed = GetTickCount();
}

int Random(int range)
{
    if (range <= 0)
        return 0;
    RandomSeed = RandomSeed * 1664525u + 1013904223u;
    return static_cast<int>(std::uint64_t{RandomSeed} * static_cast<std::uint32_t>(range) >> 32);
}
