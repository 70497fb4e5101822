// TIniFile: named values in the sections of an INI file, through the system's private-profile calls.
//
// The file name is handed to the system unchanged, so a bare name lands where the system puts INI
// files (the Windows directory). Every text written reads back byte for byte: the system strips blanks
// and one pair of quotes around a value, so a value that would lose anything that way is written
// inside quotes. Text that a line of the file cannot hold (a line break or a NUL in a value, names
// that would read back as something else) raises EIniFileException before the file is touched, as does
// a write the system refuses.
//
// The system's profile functions cannot take every text: a file name whose full path reaches MAX_PATH
// characters or holds a NUL, and any section, entry name or value of more than MaxIniText characters
// (longer ones are silently taken for none, which can empty a whole section, or crash the process).
// Those are refused with EIniFileException before any call.
//
// Processes share INI files: every profile call on a file holds a mutex named after the file's full
// path, so that calls from several processes (and several TIniFile objects) on one file never
// overlap, and two programs writing one file at once lose nothing. (The system reads a file again
// when its time stamp has changed since its last call.) The mutex costs two calls to the system's
// object manager per call, about 30 microseconds under Wine.
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
    // Hands the arguments to the system's writer and raises when it fails.
    void Write(const char* section, const char* name, const char* value, const std::string& what);
    // Runs one profile call with the file's mutex held.
    template <class F>
    auto Locked(F&& call) const;

    std::string FFileName;
    HANDLE FMutex = nullptr; // the process keeps one per file
};
