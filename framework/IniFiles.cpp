// TIniFile on the private-profile calls.
#include "framework/IniFiles.h"

#include "framework/StringList.h"
#include "framework/Strings.h"
#include "framework/SysErrors.h"
#include "framework/Win32.h"

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace {

std::string TooLong(const std::string& what, std::size_t length)
{
    return what + " is " + std::to_string(length) + " characters long; the profile functions take at most " +
           std::to_string(MaxIniText);
}

// Where the system's profile functions put a file: a name without a directory in the Windows
// directory, anything else as the system completes it.
std::string FullIniPath(const std::string& fileName)
{
    if (fileName.find_first_of("\\/:") == std::string::npos) {
        char directory[MAX_PATH];
        const UINT length = GetWindowsDirectoryA(directory, MAX_PATH);
        return std::string(directory, length < MAX_PATH ? length : 0) + "\\" + fileName;
    }
    const DWORD size = GetFullPathNameA(fileName.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return fileName;
    std::string path(size, '\0');
    path.resize(GetFullPathNameA(fileName.c_str(), size, path.data(), nullptr));
    return path;
}

// One mutex per file for every process: named after a hash of the file's full path (which may be
// longer than a mutex name can be). Paths differing in case are one file.
std::string MutexName(const std::string& fullPath)
{
    std::uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (char c : UpperCase(fullPath)) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string name = "QELSystm.IniFile.";
    for (int shift = 60; shift >= 0; shift -= 4)
        name += digits[(hash >> shift) & 15];
    return name;
}

// The mutex of a file, made at its first use in the process and kept: opening it anew for every
// call would cost more than the call.
HANDLE FileMutex(const std::string& fullPath, const std::string& fileName)
{
    static auto* mutexes = new std::map<std::string, HANDLE>(); // lives, and keeps them, as long as the process
    const std::string name = MutexName(fullPath);
    if (auto found = mutexes->find(name); found != mutexes->end())
        return found->second;
    auto& mutex = (*mutexes)[name];
    mutex = CreateMutexA(nullptr, FALSE, name.c_str());
    if (!mutex) {
        const DWORD error = GetLastError();
        mutexes->erase(name);
        throw EIniFileException("Cannot guard " + fileName + " against other processes (error " +
                                std::to_string(error) + ")");
    }
    return mutex;
}

// What the system strips from either end of a name or a value as it reads the file back: blanks and
// the control characters (tab, form feed, Ctrl-Z among them). Treating every code up to the blank
// alike keeps the rule independent of the exact set a given system strips.
bool IsBlank(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

bool HasBlankEnd(const std::string& text)
{
    return !text.empty() && (IsBlank(text.front()) || IsBlank(text.back()));
}

bool IsQuote(char c)
{
    return c == '"' || c == '\'';
}

bool HasLineBreakOrNul(const std::string& text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos;
}

// Section and entry names must come back as the same line part: no line breaks, no blanks the
// system would strip, nothing that closes the section header or starts a value, a comment or a header.
void CheckSection(const std::string& section, const std::string& fileName)
{
    if (section.size() > MaxIniText)
        throw EIniFileException(TooLong("A section name for " + fileName, section.size()));
    if (section.empty() || HasLineBreakOrNul(section) || HasBlankEnd(section) ||
        section.find(']') != std::string::npos)
        throw EIniFileException("Invalid section name '" + section + "' for " + fileName +
                                ": it must not be empty, contain a line break, a NUL or ']', nor start or "
                                "end with a blank");
}

void CheckName(const std::string& name, const std::string& fileName)
{
    if (name.size() > MaxIniText)
        throw EIniFileException(TooLong("An entry name for " + fileName, name.size()));
    if (name.empty() || HasLineBreakOrNul(name) || HasBlankEnd(name) || name.find('=') != std::string::npos ||
        name.front() == ';' || name.front() == '[')
        throw EIniFileException("Invalid entry name '" + name + "' for " + fileName +
                                ": it must not be empty, contain a line break, a NUL or '=', start with ';' "
                                "or '[', nor start or end with a blank");
}

// A read with a NUL in a name would silently look up a shorter one.
void CheckReadNames(const std::string& section, const std::string& name, const std::string& fileName)
{
    if (section.find('\0') != std::string::npos || name.find('\0') != std::string::npos)
        throw EIniFileException("A section or entry name read from " + fileName + " contains a NUL character");
    if (section.size() > MaxIniText)
        throw EIniFileException(TooLong("A section name read from " + fileName, section.size()));
    if (name.size() > MaxIniText)
        throw EIniFileException(TooLong("An entry name read from " + fileName, name.size()));
}

// The system gives back what stands between the blanks and the quotes it strips; quoting a value whose
// ends would be stripped (or that is itself quoted) makes it come back whole. Other values are written
// as they are, so files stay as other programs write them.
std::string Protected(const std::string& value)
{
    if (value.empty())
        return value;
    if (HasBlankEnd(value) || IsQuote(value.front()) || IsQuote(value.back()))
        return '"' + value + '"';
    return value;
}

// Calls a private-profile reader that fills a buffer, growing the buffer until the text fits. reserve
// is the number of terminators the reader keeps room for: a length reaching them may mean a cut text.
template <class F>
std::string ReadIntoBuffer(F&& read, DWORD reserve)
{
    char local[1024];
    DWORD length = read(local, static_cast<DWORD>(sizeof local));
    if (length + reserve < sizeof local)
        return std::string(local, length);
    std::vector<char> buffer(sizeof local);
    do {
        buffer.resize(buffer.size() * 2);
        length = read(buffer.data(), static_cast<DWORD>(buffer.size()));
    } while (length + reserve >= buffer.size());
    return std::string(buffer.data(), length);
}

} // namespace

TIniFile::TIniFile(std::string fileName) : FFileName(std::move(fileName))
{
    if (FFileName.empty() || FFileName.find('\0') != std::string::npos) {
        std::string shown; // a NUL would end the message wherever it is shown
        for (char c : FFileName)
            shown += c == '\0' ? std::string("#0") : std::string(1, c);
        throw EIniFileException("Invalid INI file name '" + shown + "': it must not be empty or contain a NUL");
    }
    const std::string fullPath = FullIniPath(FFileName);
    if (fullPath.size() >= MAX_PATH)
        throw EIniFileException("The INI file name '" + FFileName + "' is too long: " + std::to_string(fullPath.size()) +
                                " characters with its directory, at most " + std::to_string(MAX_PATH - 1));
    FMutex = FileMutex(fullPath, FFileName);
}

template <class F>
auto TIniFile::Locked(F&& call) const
{
    // WAIT_ABANDONED (a process ended holding the mutex) hands it over all the same.
    (void)WaitForSingleObject(FMutex, INFINITE);
    struct TRelease {
        HANDLE Mutex;
        ~TRelease() { (void)ReleaseMutex(Mutex); }
    } release{FMutex};
    return call();
}

std::optional<std::string> TIniFile::Read(const std::string& section, const std::string& name) const
{
    CheckReadNames(section, name, FFileName);
    // A line of the file never holds a line feed, so this default tells an absent entry from every
    // stored value in one call. (The system would also strip trailing blanks from a real default.)
    static constexpr const char* absent = "\n";
    std::string value = ReadIntoBuffer(
        [&](char* buffer, DWORD size) {
            return Locked([&] {
                return GetPrivateProfileStringA(section.c_str(), name.c_str(), absent, buffer, size, FFileName.c_str());
            });
        },
        1);
    if (value == absent)
        return std::nullopt;
    return value;
}

void TIniFile::Write(const char* section, const char* name, const char* value, const std::string& what)
{
    const auto [written, error] = Locked([&] {
        SetLastError(ERROR_SUCCESS);
        const BOOL result = WritePrivateProfileStringA(section, name, value, FFileName.c_str());
        return std::pair{result, GetLastError()};
    });
    if (written)
        return;
    throw EIniFileException("Unable to " + what + " in " + FFileName +
                            (error != ERROR_SUCCESS ? ": " + SysErrorMessage(error) : std::string()));
}

std::string TIniFile::ReadString(const std::string& section, const std::string& name,
                                 const std::string& defaultValue) const
{
    return Read(section, name).value_or(defaultValue);
}

void TIniFile::WriteString(const std::string& section, const std::string& name, const std::string& value)
{
    CheckSection(section, FFileName);
    CheckName(name, FFileName);
    if (HasLineBreakOrNul(value))
        throw EIniFileException("The value of '" + name + "' in [" + section + "] cannot be written to " +
                                FFileName + ": an INI file cannot hold a line break or a NUL inside a value");
    const std::string text = Protected(value);
    if (text.size() > MaxIniText)
        throw EIniFileException(TooLong("The value of '" + name + "' in [" + section + "] for " + FFileName, text.size()));
    Write(section.c_str(), name.c_str(), text.c_str(), "write '" + name + "' in [" + section + "]");
}

int TIniFile::ReadInteger(const std::string& section, const std::string& name, int defaultValue) const
{
    const std::optional<std::string> text = Read(section, name);
    return text ? StrToIntDef(*text, defaultValue) : defaultValue;
}

void TIniFile::WriteInteger(const std::string& section, const std::string& name, int value)
{
    WriteString(section, name, IntToStr(value));
}

bool TIniFile::ReadBool(const std::string& section, const std::string& name, bool defaultValue) const
{
    return ReadInteger(section, name, defaultValue ? 1 : 0) != 0;
}

void TIniFile::WriteBool(const std::string& section, const std::string& name, bool value)
{
    WriteString(section, name, value ? "1" : "0");
}

void TIniFile::ReadSectionValues(const std::string& section, TStrings& strings) const
{
    CheckReadNames(section, {}, FFileName);
    // The entry names, each ended by a NUL, the list by a second one. The values are read one by one
    // rather than from the raw section lines so that each comes back exactly as ReadString gives it.
    const std::string names = ReadIntoBuffer(
        [&](char* buffer, DWORD size) {
            return Locked(
                [&] { return GetPrivateProfileStringA(section.c_str(), nullptr, "", buffer, size, FFileName.c_str()); });
        },
        2);
    TStringList lines;
    for (std::size_t start = 0; start < names.size();) {
        const std::size_t end = names.find('\0', start);
        const std::string name = names.substr(start, end - start);
        if (std::optional<std::string> value = Read(section, name))
            lines.Add(name + "=" + *value);
        start = end == std::string::npos ? names.size() : end + 1;
    }
    // The caller's list changes only once everything was read.
    strings.Assign(&lines);
}

void TIniFile::EraseSection(const std::string& section)
{
    CheckSection(section, FFileName);
    Write(section.c_str(), nullptr, nullptr, "erase [" + section + "]");
}

void TIniFile::DeleteKey(const std::string& section, const std::string& name)
{
    CheckSection(section, FFileName);
    CheckName(name, FFileName);
    Write(section.c_str(), name.c_str(), nullptr, "delete '" + name + "' in [" + section + "]");
}
