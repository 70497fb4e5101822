// The settings store of the library and the component that offers it to applications.
//
// TQELDataStore reads and writes named values (text, scrambled text, integers, Booleans, a whole
// section) in one section of the registry or of an INI file. It is a persistent sub-object that a
// component owns and publishes, configured in the designer through its nested TQELRegistry and
// TQELIniFile. Every operation opens the backing store, does one read or write and closes it again, so
// a changed location takes effect at the next call.
#pragma once

#include "foundation/QELSystem.h"
#include "framework/Win32.h"

#include <array>
#include <memory>
#include <string>

class TStrings;

enum TQELRootKey : std::uint8_t {
    hkeyClassesRoot,
    hkeyCurrentUser,
    hkeyLocalMachine,
    hkeyUsers,
    hkeyCurrentConfig,
    hkeyDynData,
};
inline const TEnumInfo& EnumTypeInfo(TQELRootKey)
{
    static const TEnumInfo info{"TQELRootKey",
                                {"hkeyClassesRoot", "hkeyCurrentUser", "hkeyLocalMachine", "hkeyUsers",
                                 "hkeyCurrentConfig", "hkeyDynData"}};
    return info;
}

// The registry root key of each TQELRootKey. HKEY_PERFORMANCE_DATA has no value of its own, so the
// last two entries are the handles that follow it.
extern const std::array<HKEY, 6> QELHKeys;

enum TQELDatatype : std::uint8_t { sRegistry, sIniFile };
inline const TEnumInfo& EnumTypeInfo(TQELDatatype)
{
    static const TEnumInfo info{"TQELDatatype", {"sRegistry", "sIniFile"}};
    return info;
}

// Where the values live in the registry: the subkey Section of the key Path below Rootkey.
class TQELRegistry : public TPersistent {
    QEL_CLASS(TQELRegistry)
public:
    TQELRegistry();

    TQELRootKey Rootkey() const noexcept { return FRootkey; }
    void SetRootkey(TQELRootKey rootkey) { FRootkey = rootkey; }
    // Forward slashes are accepted; the store turns them into backslashes at its next operation.
    const std::string& Path() const noexcept { return FPath; }
    void SetPath(const std::string& path) { FPath = path; }
    const std::string& Section() const noexcept { return FSection; }
    void SetSection(const std::string& section) { FSection = section; }

private:
    TQELRootKey FRootkey = hkeyCurrentUser;
    std::string FPath;
    std::string FSection;
};

// Where the values live in an INI file: the section Section of the file Filename, which is handed to
// the system as it is (a bare name lands in the system's INI directory).
class TQELIniFile : public TPersistent {
    QEL_CLASS(TQELIniFile)
public:
    TQELIniFile();

    const std::string& Filename() const noexcept { return FFilename; }
    void SetFilename(const std::string& filename) { FFilename = filename; }
    const std::string& Section() const noexcept { return FSection; }
    void SetSection(const std::string& section) { FSection = section; }

private:
    std::string FFilename;
    std::string FSection;
};

class TQELDataStore : public TPersistent {
    QEL_CLASS(TQELDataStore)
public:
    TQELDataStore();

    // Failures are reported, not raised: a read that cannot find its value returns the fallback below
    // and fires OnError (ReadBool stays silent); an empty section fires OnError for every operation;
    // an empty path or file name makes every operation do nothing. Exceptions of the registry and INI
    // classes (a key that cannot be created, text an INI file cannot hold) reach the caller.
    std::string ReadStr(const std::string& name);
    // Replaces the content of strings with the section's values as name=value lines.
    void ReadStrs(TStrings& strings);
    std::string ReadCrypt(const std::string& name);
    void WriteCrypt(const std::string& name, const std::string& value);
    void WriteStr(const std::string& name, const std::string& value);
    int ReadInt(const std::string& name);
    void WriteInt(const std::string& name, int value);
    bool ReadBool(const std::string& name);
    void WriteBool(const std::string& name, bool value);
    // Removes the whole section.
    void Erase();
    // Removes the one value name from the section.
    void DeleteKey(const std::string& name);

    // The fallbacks of the reads. Reading a value equal to ErrorInt or ErrorStr counts as a failure.
    int ErrorInt() const noexcept { return FErrorInt; }
    void SetErrorInt(int errorInt) { FErrorInt = errorInt; }
    const std::string& ErrorStr() const noexcept { return FErrorStr; }
    void SetErrorStr(const std::string& errorStr) { FErrorStr = errorStr; }
    bool ErrorBool() const noexcept { return FErrorBool; }
    void SetErrorBool(bool errorBool) { FErrorBool = errorBool; }
    // Its sender is the store itself.
    const TNotifyEvent& OnError() const noexcept { return FOnError; }
    void SetOnError(const TNotifyEvent& event) { FOnError = event; }
    // When false, operations do nothing and reads return their fallback, without an event.
    bool Enabled() const noexcept { return FEnabled; }
    void SetEnabled(bool enabled) { FEnabled = enabled; }
    TQELDatatype Datatype() const noexcept { return FDatatype; }
    void SetDatatype(TQELDatatype datatype) { FDatatype = datatype; }
    // Owned by the store; streaming fills them in place.
    TQELRegistry* Registry() const noexcept { return FRegistry.get(); }
    TQELIniFile* Inifile() const noexcept { return FInifile.get(); }

private:
    // Takes an operation up to the backing store and calls call(store, section) on it; false when
    // it stopped before (disabled, no section, no location).
    template <class F>
    bool Access(F&& call);
    void FireError();

    int FErrorInt = 0;
    std::string FErrorStr;
    bool FErrorBool = false;
    TNotifyEvent FOnError;
    bool FEnabled = true;
    TQELDatatype FDatatype = sRegistry;
    std::unique_ptr<TQELRegistry> FRegistry;
    std::unique_ptr<TQELIniFile> FInifile;
};

// A component through which an application reads and writes its own settings: every operation is
// passed on to DataStore unchanged.
class TQELStoreData : public TQELSystemsComponent {
    QEL_CLASS(TQELStoreData)
public:
    explicit TQELStoreData(TComponent* owner);

    std::string ReadStr(const std::string& name) { return FDataStore->ReadStr(name); }
    std::string ReadCrypt(const std::string& name) { return FDataStore->ReadCrypt(name); }
    int ReadInt(const std::string& name) { return FDataStore->ReadInt(name); }
    bool ReadBool(const std::string& name) { return FDataStore->ReadBool(name); }
    void WriteStr(const std::string& name, const std::string& value) { FDataStore->WriteStr(name, value); }
    void WriteCrypt(const std::string& name, const std::string& value) { FDataStore->WriteCrypt(name, value); }
    void WriteInt(const std::string& name, int value) { FDataStore->WriteInt(name, value); }
    void ReadStrs(TStrings& strings) { FDataStore->ReadStrs(strings); }
    void WriteBool(const std::string& name, bool value) { FDataStore->WriteBool(name, value); }
    void DeleteKey(const std::string& name) { FDataStore->DeleteKey(name); }
    void Erase() { FDataStore->Erase(); }

    // Streamed with the component, but nothing fires it: the store reports through DataStore.OnError.
    const TNotifyEvent& OnError() const noexcept { return FOnError; }
    void SetOnError(const TNotifyEvent& event) { FOnError = event; }
    TQELDataStore* DataStore() const noexcept { return FDataStore.get(); }

private:
    TNotifyEvent FOnError;
    std::unique_ptr<TQELDataStore> FDataStore;
};
