// Access to the Windows registry: TRegistry works on one open key at a time, TRegIniFile reads and
// writes a key path as if it were an INI file whose sections are subkeys.
//
// Text is stored as REG_SZ with its exact length, so any bytes (embedded NULs included) read back as
// written; integers and Booleans as REG_DWORD. Failures raise ERegistryException naming the key,
// except where a read is documented to fall back to its default.
#pragma once

#include "framework/Exceptions.h"
#include "framework/Win32.h"
#include "framework/Win32Handles.h"

#include <string>

class TStrings;

class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

class TRegistry {
public:
    // Starts at HKEY_CURRENT_USER with no key open.
    TRegistry() = default;
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    HKEY RootKey() const noexcept { return FRootKey; }
    // Closes the current key: a path means nothing under another root.
    void SetRootKey(HKEY rootKey);

    // The open key (null when none is) and its path below the root, without a leading backslash.
    HKEY CurrentKey() const noexcept { return FCurrentKey.Get(); }
    const std::string& CurrentPath() const noexcept { return FCurrentPath; }

    // Opens key, creating it when canCreate is true, and makes it the current key. A leading
    // backslash counts from the root; otherwise key is relative to the current key (or to the root
    // when none is open). False, with the current key unchanged, when it does not exist or may not be
    // opened.
    bool OpenKey(const std::string& key, bool canCreate);
    // Opens an existing key for reading only, as OpenKey does otherwise: what a program may read
    // without the right to change it (the machine's settings, for a standard user).
    bool OpenKeyReadOnly(const std::string& key);
    void CloseKey();

    // Values of the current key. With no key open ValueExists is false and the others raise.
    bool ValueExists(const std::string& name) const;
    // An absent value reads as empty text; a value that is not text raises.
    std::string ReadString(const std::string& name) const;
    void WriteString(const std::string& name, const std::string& value);
    // An absent value or one that is not a REG_DWORD raises.
    int ReadInteger(const std::string& name) const;
    void WriteInteger(const std::string& name, int value);
    bool DeleteValue(const std::string& name);

private:
    bool OpenKeyWith(const std::string& key, bool canCreate, REGSAM access);
    HKEY OpenKeyOrRaise() const;

    HKEY FRootKey = HKEY_CURRENT_USER;
    TRegKeyHandle FCurrentKey;
    std::string FCurrentPath;
};

// An INI-file view of the key FileName below RootKey: a section is the subkey FileName\Section (an
// empty section is FileName itself), a name one of its values. No key is held open between calls:
// each call opens the section's key once, reads or writes, and closes it. Reads never create keys.
class TRegIniFile {
public:
    explicit TRegIniFile(std::string fileName) : FFileName(std::move(fileName)) {}
    TRegIniFile(const TRegIniFile&) = delete;
    TRegIniFile& operator=(const TRegIniFile&) = delete;

    HKEY RootKey() const noexcept { return FRootKey; }
    void SetRootKey(HKEY rootKey) noexcept { FRootKey = rootKey; }
    const std::string& FileName() const noexcept { return FFileName; }

    // Reads fall back to their default when the section or the value is absent. A REG_DWORD reads as
    // its decimal text, text holding a whole integer as that integer (other text gives the default);
    // data of any other type raises.
    std::string ReadString(const std::string& section, const std::string& name, const std::string& defaultValue) const;
    void WriteString(const std::string& section, const std::string& name, const std::string& value);
    int ReadInteger(const std::string& section, const std::string& name, int defaultValue) const;
    void WriteInteger(const std::string& section, const std::string& name, int value);
    bool ReadBool(const std::string& section, const std::string& name, bool defaultValue) const;
    void WriteBool(const std::string& section, const std::string& name, bool value);

    // Replaces the content of strings with the section's values as name=value lines (none when the
    // section is absent).
    void ReadSectionValues(const std::string& section, TStrings& strings) const;
    // Removes the section's key with all its values and subkeys; an absent section is no error.
    void EraseSection(const std::string& section);
    // Removes one value; an absent one is no error.
    void DeleteKey(const std::string& section, const std::string& name);

private:
    std::string SectionPath(const std::string& section) const;

    HKEY FRootKey = HKEY_CURRENT_USER;
    std::string FFileName;
};
