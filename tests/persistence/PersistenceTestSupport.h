// Places and probes shared by the persistence tests: a registry key and an INI file of their own that
// are removed afterwards, raw access to what was stored, and a counter for notify events.
#pragma once

#include "framework/Component.h"
#include "framework/Win32.h"

#include <optional>
#include <string>

// A key below HKEY_CURRENT_USER\Software\QELSystmTests, unique to the process and the instance. The
// whole tree goes with the object.
class TTempRegistryKey {
public:
    TTempRegistryKey();
    ~TTempRegistryKey();
    TTempRegistryKey(const TTempRegistryKey&) = delete;
    TTempRegistryKey& operator=(const TTempRegistryKey&) = delete;

    // Below HKEY_CURRENT_USER, without a leading backslash.
    const std::string& Path() const noexcept { return FPath; }

private:
    std::string FPath;
};

// A file name in the temporary directory, unique to the process and the instance; the file (if any
// was made) goes with the object.
class TTempIniFile {
public:
    TTempIniFile();
    ~TTempIniFile();
    TTempIniFile(const TTempIniFile&) = delete;
    TTempIniFile& operator=(const TTempIniFile&) = delete;

    const std::string& Path() const noexcept { return FPath; }
    bool Exists() const;
    // The file's bytes (empty when it does not exist), and a way to write it as another program would.
    std::string Content() const;
    void SetContent(const std::string& content) const;

private:
    std::string FPath;
};

// The number the environment variable holds, else fallback: for runs that a variable makes longer
// or repeats with a seed.
unsigned long EnvironmentNumber(const char* name, unsigned long fallback);

// A stored registry value as the registry holds it.
struct TRawValue {
    DWORD Type = REG_NONE;
    std::string Data;
};
// view: 0 for the program's own registry view, KEY_WOW64_64KEY or KEY_WOW64_32KEY for another.
std::optional<TRawValue> RawRegistryValue(HKEY root, const std::string& path, const std::string& name,
                                          REGSAM view = 0);
void SetRawRegistryValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                         const std::string& data, REGSAM view = 0);
bool RawRegistryKeyExists(HKEY root, const std::string& path);
// The number of values directly in the key; 0 when it does not exist.
int RawRegistryValueCount(HKEY root, const std::string& path, REGSAM view = 0);

// Counts the calls of the notify event it hands out and keeps the last sender.
class TEventCounter : public TObject {
public:
    TNotifyEvent Handler() { return TNotifyEvent(this, &TEventCounter::Fired); }
    void Fired(TObject* sender)
    {
        ++Count;
        Sender = sender;
    }

    int Count = 0;
    TObject* Sender = nullptr;
};

// The root of the form descriptions the tests read and write: it publishes the methods their events
// name and counts the calls.
class TPersistenceTestForm : public TComponent {
    QEL_CLASS(TPersistenceTestForm)
public:
    using TComponent::TComponent;

    void IllegalAbortDetected(TObject* sender)
    {
        ++IllegalAborts;
        LastSender = sender;
    }
    void StoreError(TObject* sender)
    {
        ++StoreErrors;
        LastSender = sender;
    }

    int IllegalAborts = 0;
    int StoreErrors = 0;
    TObject* LastSender = nullptr;

private:
    static TMethodList PublishedMethods();
};
