// TIniFile: named values in the sections of an INI file, read and written as the system's
// private-profile calls read and write them, but so that a write never leaves a damaged file.
//
// The file name is completed as the system completes it, so a bare name lands where the system puts
// INI files (the Windows directory). Every text written reads back byte for byte: the system strips
// blanks and one pair of quotes around a value, so a value that would lose anything that way is written
// inside quotes. Text that a line of the file cannot hold (a line break or a NUL in a value, names
// that would read back as something else) raises EIniFileException before the file is touched.
//
// Reads find sections and entries exactly as GetPrivateProfileStringA does, and give what it gives.
// The process keeps the text of the files it read last, and reads a file again once its times or its
// size have changed; a file written less than two seconds before it was read is read afresh every
// time (a program that changes it in place may leave time and size as they were within one tick of
// the clock).
//
// A write changes one line (or adds one, or removes a section's lines) and leaves every other byte of
// the file as it was; it writes the whole new content to a temporary file beside the file (the file's
// name followed by ".qeltmp"), flushes it to the disk and puts it in the file's place in one step
// (ChangeFileContent). So whenever the process dies, the file holds either the old content or the
// new one. A write that would change nothing leaves the file alone. A write that cannot be carried
// out (the folder takes no new file, the file is read-only or held open by another program, the disk
// is full) raises EIniFileException and leaves the file as it was. A temporary file left by a writer
// that died is removed by the next write; nothing reads it.
// (A file whose full path leaves no room below MAX_PATH for that suffix can be read, not written.)
//
// Other programs that read and write the file through the system's profile functions go on doing so.
// They cannot take every text: a file name whose full path reaches MAX_PATH characters or holds a
// NUL, and any section, entry name or value of more than MaxIniText characters (longer ones are
// silently taken for none, which can empty a whole section, or crash the process). Those are refused
// with EIniFileException before the file is touched.
//
// Processes share INI files: every read and write of a file holds a mutex named after the file's full
// path, so that calls from several processes (and several TIniFile objects) on one file never
// overlap, and two programs writing one file at once lose nothing. The process keeps the mutex of a
// file once it has made it; holding it costs two calls to the system's object manager. The INI class
// is used from one thread.
#pragma once

#include "framework/Exceptions.h"
#include "framework/Win32.h"

#include <optional>
#include <string>

class TStrings;

class EIniFileException : public Exception {
public:
    using Exception::Exception;
};

// The longest section, entry name or value the profile functions take.
inline constexpr std::size_t MaxIniText = 32766;

class TIniFile {
public:
    // Raises EIniFileException for a file name the system cannot take (see above).
    explicit TIniFile(std::string fileName);
    TIniFile(const TIniFile&) = delete;
    TIniFile& operator=(const TIniFile&) = delete;

    const std::string& FileName() const noexcept { return FFileName; }

    // Reads fall back to their default when the value is absent; an integer read also when the text
    // is not a whole integer.
    std::string ReadString(const std::string& section, const std::string& name, const std::string& defaultValue) const;
    void WriteString(const std::string& section, const std::string& name, const std::string& value);
    int ReadInteger(const std::string& section, const std::string& name, int defaultValue) const;
    void WriteInteger(const std::string& section, const std::string& name, int value);
    bool ReadBool(const std::string& section, const std::string& name, bool defaultValue) const;
    void WriteBool(const std::string& section, const std::string& name, bool value);

    // Replaces the content of strings with the section's entries as name=value lines, each value as
    // ReadString gives it (none when the section is absent).
    void ReadSectionValues(const std::string& section, TStrings& strings) const;
    // Removes the section with all its entries; an absent one is no error.
    void EraseSection(const std::string& section);
    // Removes one entry; an absent one is no error.
    void DeleteKey(const std::string& section, const std::string& name);

private:
    std::optional<std::string> Read(const std::string& section, const std::string& name) const;
    // Replaces the file by change(its text) in one step, unless that gives nothing (no change); raises,
    // naming what was to be done, when it cannot.
    template <class F>
    void Change(F&& change, const std::string& what);
    // Runs call with the file's mutex held.
    template <class F>
    auto Locked(F&& call) const;

    std::string FFileName;
    std::string FFullPath;   // where the file is, as the system's profile functions place it
    HANDLE FMutex = nullptr; // the process keeps one per file
};
