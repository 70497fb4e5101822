// TIniFile: INI files read and changed by the library itself, line by line as the system's private-profile
// calls read and change them, each change put in place in one step.
#include "framework/IniFiles.h"

#include "framework/StringList.h"
#include "framework/Strings.h"
#include "framework/SysErrors.h"
#include "framework/SysUtils.h"
#include "framework/Win32.h"
#include "framework/Win32Handles.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <string_view>
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

// One mutex per file for every process: named after a hash of the file's full path in capitals (which
// may be longer than a mutex name can be). Paths differing in case are one file.
std::string MutexName(const std::string& upperCasePath)
{
    std::uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (char c : upperCasePath) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string name = "QELSystm.IniFile.";
    for (int shift = 60; shift >= 0; shift -= 4)
        name += digits[(hash >> shift) & 15];
    return name;
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

// The name of the file a write prepares the new content in: beside the file, on its volume.
constexpr std::string_view TempSuffix = ".qeltmp";

// ---------------------------------------------------------------------------------------------------
// The text of an INI file

// Text in an 8-bit code page and in UTF-16.
std::wstring Widened(std::string_view text, UINT codePage = CP_ACP)
{
    if (text.empty())
        return {};
    const int length = static_cast<int>(text.size());
    std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0)),
                      L'\0');
    (void)MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

std::string Narrowed(std::wstring_view text, UINT codePage = CP_ACP)
{
    if (text.empty())
        return {};
    const int length = static_cast<int>(text.size());
    std::string narrow(
        static_cast<std::size_t>(WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr)),
        '\0');
    (void)WideCharToMultiByte(codePage, 0, text.data(), length, narrow.data(), static_cast<int>(narrow.size()), nullptr,
                              nullptr);
    return narrow;
}

// What the system's profile functions take for blanks around names and values: tab, line feed,
// vertical tab, form feed, carriage return, Ctrl-Z and the space; no other character.
bool IsProfileBlank(wchar_t c)
{
    return c == L' ' || (c >= L'\t' && c <= L'\r') || c == 0x1A;
}

std::wstring_view Trimmed(std::wstring_view text)
{
    while (!text.empty() && IsProfileBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsProfileBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Names are found without regard to case: CSTR_LESS_THAN, CSTR_EQUAL or CSTR_GREATER_THAN.
int CompareNames(std::wstring_view a, std::wstring_view b)
{
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE);
}

bool SameName(std::wstring_view a, std::wstring_view b)
{
    return CompareNames(a, b) == CSTR_EQUAL;
}

// The content of an INI file, and its lines as the system's profile functions read them. A line whose
// first character that is not blank is '[', and that holds a ']', starts a section, named by what
// stands between the '[' and the last ']'. Any other line that is not blank is an entry of the section
// above it, named by what stands before its first '=' and holding what follows it; a line without '='
// is an entry without a value (which reads as absent), as is a comment, an entry whose name starts with
// ';'. Names and values lose the blanks at their ends, and end at a NUL. Of several sections of one
// name, and of several entries of one name in a section, the first is read and written. The file is
// ANSI text unless it starts with the byte-order mark of UTF-8 or of UTF-16 (either byte order).
class TIniText {
public:
    explicit TIniText(std::string content);

    // What GetPrivateProfileStringA gives for the entry; nothing when it would give its default.
    std::optional<std::string> Value(std::string_view section, std::string_view name) const;
    // The section's entries as name=value lines: the names GetPrivateProfileStringA lists for the
    // section, each with what it gives for that name.
    std::vector<std::string> SectionValues(std::string_view section) const;

    // The content after a change, as the system's WritePrivateProfileStringA changes it; nothing when the
    // change leaves it as it is. Every other line keeps its bytes.
    std::optional<std::string> WithValue(std::string_view section, std::string_view name, std::string_view value) const;
    std::optional<std::string> WithoutEntry(std::string_view section, std::string_view name) const;
    std::optional<std::string> WithoutSection(std::string_view section) const;

private:
    enum class TEncoding { Ansi, Utf8, Utf16Le, Utf16Be };
    enum class TKind { Blank, Header, Entry, Dropped };
    static constexpr std::size_t None = static_cast<std::size_t>(-1);

    // Positions are in code units of the text after the byte-order mark.
    struct TLine {
        std::size_t Begin = 0; // the line's text, then its line break up to Next
        std::size_t End = 0;
        std::size_t Next = 0;
        TKind Kind = TKind::Blank;
        std::size_t NameBegin = 0; // of the section or the entry
        std::size_t NameEnd = 0;
        bool HasValue = false;
        std::size_t ValueBegin = 0; // where the value starts, or for an entry without '=' where its text ends
        std::size_t ValueEnd = 0;   // before the blanks at the end of the line
    };
    // The first section holds the lines before the first header; it has no name.
    struct TSection {
        std::size_t Header = None;    // line indexes
        std::size_t Last = None;      // its last line that is not blank
        std::size_t LastEntry = None; // its last entry
        std::size_t End = 0;          // the line after it
    };

    std::size_t UnitCount() const { return (FContent.size() - FStart) / FUnitSize; }
    wchar_t Unit(std::size_t index) const;
    // The position after the character at index: a lead byte of the ANSI code page takes the next byte.
    std::size_t Step(std::size_t index) const;
    std::wstring Decoded(std::size_t begin, std::size_t end) const;
    std::wstring NameOf(const TLine& line) const;
    std::string Encoded(std::string_view text) const;
    void ReadLine(TLine& line);

    std::optional<std::size_t> FindSection(std::wstring_view name, std::size_t from = 0) const;
    const TLine* FindEntry(std::size_t section, std::wstring_view name) const;
    std::optional<std::string> ValueOf(const TLine* entry) const;
    std::string LineBreak() const;
    std::string Spliced(std::size_t begin, std::size_t end, std::string_view text) const;

    std::string FContent;
    TEncoding FEncoding = TEncoding::Ansi;
    std::size_t FStart = 0; // bytes of the byte-order mark
    std::size_t FUnitSize = 1;
    std::vector<TLine> FLines;
    std::vector<TSection> FSections;
};

TIniText::TIniText(std::string content) : FContent(std::move(content))
{
    if (FContent.starts_with("\xEF\xBB\xBF")) {
        FEncoding = TEncoding::Utf8;
        FStart = 3;
    } else if (FContent.starts_with("\xFF\xFE") || FContent.starts_with("\xFE\xFF")) {
        FEncoding = FContent[0] == '\xFF' ? TEncoding::Utf16Le : TEncoding::Utf16Be;
        FStart = FUnitSize = 2;
    }
    FSections.push_back({});
    const std::size_t count = UnitCount();
    for (std::size_t at = 0; at < count;) {
        TLine line;
        line.Begin = at;
        while (at < count && Unit(at) != L'\r' && Unit(at) != L'\n')
            at = std::min(Step(at), count);
        line.End = at;
        // CR LF, CR or LF; a blank line between is a line of its own.
        if (at < count) {
            const bool carriageReturn = Unit(at) == L'\r';
            ++at;
            if (carriageReturn && at < count && Unit(at) == L'\n')
                ++at;
        }
        line.Next = at;
        ReadLine(line);
        FLines.push_back(line);
    }
    FSections.back().End = FLines.size();
}

wchar_t TIniText::Unit(std::size_t index) const
{
    const std::size_t at = FStart + index * FUnitSize;
    const auto octet = [&](std::size_t offset) { return static_cast<unsigned char>(FContent[at + offset]); };
    switch (FEncoding) {
    case TEncoding::Utf16Le:
        return static_cast<wchar_t>(octet(0) | octet(1) << 8);
    case TEncoding::Utf16Be:
        return static_cast<wchar_t>(octet(0) << 8 | octet(1));
    default:
        return static_cast<wchar_t>(octet(0));
    }
}

std::size_t TIniText::Step(std::size_t index) const
{
    const bool lead =
        FEncoding == TEncoding::Ansi && Unit(index) >= 0x80 && IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(Unit(index)));
    return index + (lead ? 2 : 1);
}

std::wstring TIniText::Decoded(std::size_t begin, std::size_t end) const
{
    std::wstring text;
    if (FUnitSize == 2) {
        for (std::size_t at = begin; at < end; ++at)
            text += Unit(at);
    } else {
        text = Widened(std::string_view(FContent).substr(FStart + begin, end - begin),
                       FEncoding == TEncoding::Utf8 ? CP_UTF8 : CP_ACP);
    }
    // The system keeps names and values as C strings.
    return text.substr(0, text.find(L'\0'));
}

std::wstring TIniText::NameOf(const TLine& line) const
{
    return Decoded(line.NameBegin, line.NameEnd);
}

std::string TIniText::Encoded(std::string_view text) const
{
    if (FEncoding == TEncoding::Ansi)
        return std::string(text);
    const std::wstring wide = Widened(text);
    if (FEncoding == TEncoding::Utf8)
        return Narrowed(wide, CP_UTF8);
    std::string units;
    for (wchar_t c : wide) {
        const char low = static_cast<char>(c & 0xFF), high = static_cast<char>(c >> 8);
        units += FEncoding == TEncoding::Utf16Le ? std::string{low, high} : std::string{high, low};
    }
    return units;
}

void TIniText::ReadLine(TLine& line)
{
    std::size_t begin = line.Begin, end = line.End;
    // Blanks are never part of a character of several bytes, so they can be skipped byte by byte.
    while (begin < end && IsProfileBlank(Unit(begin)))
        ++begin;
    while (end > begin && IsProfileBlank(Unit(end - 1)))
        --end;
    if (begin == end)
        return;
    TSection& section = FSections.back();
    if (Unit(begin) == L'[') {
        std::size_t close = None;
        for (std::size_t at = begin + 1; at < end; at = Step(at))
            if (Unit(at) == L']')
                close = at;
        if (close != None) {
            line.Kind = TKind::Header;
            line.NameBegin = begin + 1;
            line.NameEnd = close;
            while (line.NameBegin < line.NameEnd && IsProfileBlank(Unit(line.NameBegin)))
                ++line.NameBegin;
            while (line.NameEnd > line.NameBegin && IsProfileBlank(Unit(line.NameEnd - 1)))
                --line.NameEnd;
            section.End = FLines.size();
            FSections.push_back({FLines.size(), FLines.size(), None, 0});
            return;
        }
    }
    line.Kind = TKind::Entry;
    line.NameBegin = begin;
    std::size_t equals = begin;
    while (equals < end && Unit(equals) != L'=')
        equals = Step(equals);
    line.HasValue = equals < end;
    line.NameEnd = equals;
    line.ValueBegin = line.ValueEnd = end;
    if (line.HasValue) {
        while (line.NameEnd > begin && IsProfileBlank(Unit(line.NameEnd - 1)))
            --line.NameEnd;
        line.ValueBegin = equals + 1;
        while (line.ValueBegin < end && IsProfileBlank(Unit(line.ValueBegin)))
            ++line.ValueBegin;
    }
    // The system keeps only the first of several entries without a name in a row.
    if (line.NameBegin == line.NameEnd && section.LastEntry != None && NameOf(FLines[section.LastEntry]).empty())
        line.Kind = TKind::Dropped;
    else
        section.LastEntry = FLines.size();
    section.Last = FLines.size();
}

std::optional<std::size_t> TIniText::FindSection(std::wstring_view name, std::size_t from) const
{
    for (std::size_t index = from; index < FSections.size(); ++index) {
        const std::size_t header = FSections[index].Header;
        if (SameName(header == None ? std::wstring() : NameOf(FLines[header]), name))
            return index;
    }
    return std::nullopt;
}

const TIniText::TLine* TIniText::FindEntry(std::size_t section, std::wstring_view name) const
{
    const TSection& found = FSections[section];
    for (std::size_t index = found.Header == None ? 0 : found.Header + 1; index < found.End; ++index)
        if (FLines[index].Kind == TKind::Entry && SameName(NameOf(FLines[index]), name))
            return &FLines[index];
    return nullptr;
}

// New lines end as the file's first line that has a line break ends (CR LF, as the system writes them,
// where there is none).
std::string TIniText::LineBreak() const
{
    for (const TLine& line : FLines)
        if (line.Next > line.End)
            return FContent.substr(FStart + line.End * FUnitSize, (line.Next - line.End) * FUnitSize);
    return Encoded("\r\n");
}

// The content with the units from begin to end replaced by text. Where what comes before then ends in
// a CR and a line that starts with its LF (a blank line) follows, the two would read as one CR LF and
// that line would be gone: the CR gets an LF of its own.
std::string TIniText::Spliced(std::size_t begin, std::size_t end, std::string_view text) const
{
    std::string spliced = FContent.substr(0, FStart + begin * FUnitSize) + std::string(text);
    const std::string carriageReturn = Encoded("\r");
    const bool lineStartsAtEnd = end == 0 || Unit(end - 1) == L'\r' || Unit(end - 1) == L'\n';
    if (end < UnitCount() && Unit(end) == L'\n' && lineStartsAtEnd && spliced.ends_with(carriageReturn))
        spliced += Encoded("\n");
    return spliced + FContent.substr(FStart + end * FUnitSize);
}

std::optional<std::string> TIniText::ValueOf(const TLine* entry) const
{
    if (!entry || !entry->HasValue)
        return std::nullopt;
    std::wstring value = Decoded(entry->ValueBegin, entry->ValueEnd);
    // One pair of quotes around the value goes.
    if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return Narrowed(value);
}

std::optional<std::string> TIniText::Value(std::string_view section, std::string_view name) const
{
    // The system looks a section and an entry up without the blanks around the names asked for.
    const std::optional<std::size_t> found = FindSection(Trimmed(Widened(section)));
    return ValueOf(found ? FindEntry(*found, Trimmed(Widened(name))) : nullptr);
}

std::vector<std::string> TIniText::SectionValues(std::string_view section) const
{
    std::vector<std::string> lines;
    // The system lists the names of a section asked for by its exact name.
    const std::optional<std::size_t> found = FindSection(Widened(section));
    if (!found)
        return lines;
    const TSection& listed = FSections[*found];
    // The first entry of every name, found without regard to case, as FindEntry finds it.
    struct TByName {
        bool operator()(const std::wstring& a, const std::wstring& b) const
        {
            return CompareNames(a, b) == CSTR_LESS_THAN;
        }
    };
    std::map<std::wstring, const TLine*, TByName> first;
    std::vector<std::string> names;
    for (std::size_t index = listed.Header == None ? 0 : listed.Header + 1; index < listed.End; ++index) {
        const TLine& line = FLines[index];
        if (line.Kind != TKind::Entry)
            continue;
        const std::wstring name = NameOf(line);
        first.emplace(name, &line);
        // Lines without '=' and comments are not listed.
        if (line.HasValue && !name.starts_with(L';'))
            names.push_back(Narrowed(name));
    }
    // A list that starts with an empty name reads as no list at all.
    if (!names.empty() && names.front().empty())
        return lines;
    // Each listed name is looked up again, as ReadString looks it up.
    for (const std::string& name : names) {
        const auto entry = first.find(std::wstring(Trimmed(Widened(name))));
        if (const std::optional<std::string> value = ValueOf(entry == first.end() ? nullptr : entry->second))
            lines.push_back(name + "=" + *value);
    }
    return lines;
}

std::optional<std::string> TIniText::WithValue(std::string_view section, std::string_view name,
                                               std::string_view value) const
{
    const std::string entry = Encoded(std::string(name) + "=" + std::string(value));
    const std::optional<std::size_t> found = FindSection(Widened(section));
    if (!found) {
        // A new section goes at the end of the file.
        const bool open = !FLines.empty() && FLines.back().Next == FLines.back().End;
        const std::string lineBreak = LineBreak();
        return Spliced(UnitCount(), UnitCount(),
                       (open ? lineBreak : "") + Encoded("[" + std::string(section) + "]") + lineBreak + entry +
                           lineBreak);
    }
    if (const TLine* line = FindEntry(*found, Widened(name))) {
        if (line->HasValue && Decoded(line->ValueBegin, line->ValueEnd) == Widened(value))
            return std::nullopt;
        // The line keeps its name as it stands, and what stands between the name and the value.
        return Spliced(line->ValueBegin, line->End, (line->HasValue ? "" : Encoded("=")) + Encoded(value));
    }
    // A new entry follows the section's last line that is not blank.
    const TLine& last = FLines[FSections[*found].Last];
    if (last.Next > last.End)
        return Spliced(last.Next, last.Next,
                       entry + FContent.substr(FStart + last.End * FUnitSize, (last.Next - last.End) * FUnitSize));
    const std::string lineBreak = LineBreak();
    return Spliced(last.End, last.End, lineBreak + entry + lineBreak);
}

std::optional<std::string> TIniText::WithoutEntry(std::string_view section, std::string_view name) const
{
    // The system looks for the entry through every section of that name.
    const std::wstring wantedSection = Widened(section), wantedName = Widened(name);
    for (std::optional<std::size_t> found = FindSection(wantedSection); found;
         found = FindSection(wantedSection, *found + 1))
        if (const TLine* line = FindEntry(*found, wantedName))
            return Spliced(line->Begin, line->Next, {});
    return std::nullopt;
}

std::optional<std::string> TIniText::WithoutSection(std::string_view section) const
{
    const std::optional<std::size_t> found = FindSection(Widened(section));
    if (!found || FSections[*found].Header == None)
        return std::nullopt;
    const TSection& erased = FSections[*found];
    return Spliced(FLines[erased.Header].Begin, FLines[erased.End - 1].Next, {});
}

// What the process keeps of a file for as long as it runs: the mutex that guards it among processes,
// made at its first use (opening it anew for every call would cost more than the call), and its text
// as last read, with the times and the size the file had then.
struct TIniFileState {
    HANDLE Mutex = nullptr;
    TFileStamp Stamp;
    std::shared_ptr<const TIniText> Text;
    std::uint64_t LastRead = 0;
};

// A text is kept only for a file whose time of last writing lies this far before the moment it was
// read, two seconds, the coarsest step of a file system's clock: a later change then gives the file
// another time, even where a program changes it in place and leaves its size.
constexpr std::uint64_t SettledAge = 2 * 10000000ull;
// The texts of this many files are kept, those read last.
constexpr std::size_t KeptTexts = 8;

// By the file's full path in capitals.
std::map<std::string, TIniFileState>& FileStates()
{
    // Lives, and keeps the mutexes, as long as the process.
    static auto* states = new std::map<std::string, TIniFileState>();
    return *states;
}

TIniFileState& FileState(const std::string& fullPath, const std::string& fileName)
{
    const std::string key = UpperCase(fullPath);
    if (auto found = FileStates().find(key); found != FileStates().end())
        return found->second;
    const HANDLE mutex = CreateMutexA(nullptr, FALSE, MutexName(key).c_str());
    if (!mutex)
        throw EIniFileException("Cannot guard " + fileName + " against other processes (error " +
                                std::to_string(GetLastError()) + ")");
    TIniFileState& state = FileStates()[key];
    state.Mutex = mutex;
    return state;
}

// The file's text as the system's profile functions read it, with its mutex held: the text read
// before while the file's times and size are as they were then (Wine's reader, too, keeps a file's
// content while its time stays), else the file read afresh. A file that cannot be read reads as empty.
std::shared_ptr<const TIniText> TextToRead(TIniFileState& state, const std::string& fullPath)
{
    static std::uint64_t reads = 0;
    const TFileStamp stamp = FileStamp(fullPath);
    if (stamp.Found && state.Text && stamp == state.Stamp) {
        state.LastRead = ++reads;
        return state.Text;
    }
    state.Text.reset();
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    std::string content;
    const int error = stamp.Found ? ReadFileContent(fullPath, content) : ERROR_FILE_NOT_FOUND;
    auto text = std::make_shared<const TIniText>(std::move(content));
    if (error != 0 || FileTimeTicks(now) < FileTimeTicks(stamp.Data.ftLastWriteTime) + SettledAge)
        return text;
    state.Stamp = stamp;
    state.Text = text;
    state.LastRead = ++reads;
    // The text read longest ago goes when there are too many.
    std::size_t kept = 0;
    TIniFileState* oldest = &state;
    for (auto& [path, other] : FileStates()) {
        if (!other.Text)
            continue;
        ++kept;
        if (other.LastRead < oldest->LastRead)
            oldest = &other;
    }
    if (kept > KeptTexts)
        oldest->Text.reset();
    return text;
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
    FFullPath = FullIniPath(FFileName);
    if (FFullPath.size() >= MAX_PATH)
        throw EIniFileException("The INI file name '" + FFileName + "' is too long: " + std::to_string(FFullPath.size()) +
                                " characters with its directory, at most " + std::to_string(MAX_PATH - 1));
    FMutex = FileState(FFullPath, FFileName).Mutex;
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
    return Locked([&] { return TextToRead(FileState(FFullPath, FFileName), FFullPath)->Value(section, name); });
}

template <class F>
void TIniFile::Change(F&& change, const std::string& what)
{
    const std::string temp = FFullPath + std::string(TempSuffix);
    if (temp.size() >= MAX_PATH)
        throw EIniFileException("Unable to " + what + " in " + FFileName + ": with its directory the name is too " +
                                "long for the temporary file beside it, which may have at most " +
                                std::to_string(MAX_PATH - 1) + " characters");
    const int error = Locked([&] {
        return ChangeFileContent(FFullPath, temp,
                                 [&](const std::string& content) { return change(TIniText(content)); });
    });
    if (error != 0)
        throw EIniFileException("Unable to " + what + " in " + FFileName + ": " + SysErrorMessage(error));
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
    Change([&](const TIniText& file) { return file.WithValue(section, name, text); },
           "write '" + name + "' in [" + section + "]");
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
    // Each value as ReadString gives it, from one reading of the file.
    TStringList lines;
    Locked([&] {
        for (const std::string& line : TextToRead(FileState(FFullPath, FFileName), FFullPath)->SectionValues(section))
            lines.Add(line);
    });
    // The caller's list changes only once everything was read.
    strings.Assign(&lines);
}

void TIniFile::EraseSection(const std::string& section)
{
    CheckSection(section, FFileName);
    Change([&](const TIniText& file) { return file.WithoutSection(section); }, "erase [" + section + "]");
}

void TIniFile::DeleteKey(const std::string& section, const std::string& name)
{
    CheckSection(section, FFileName);
    CheckName(name, FFileName);
    Change([&](const TIniText& file) { return file.WithoutEntry(section, name); },
           "delete '" + name + "' in [" + section + "]");
}
