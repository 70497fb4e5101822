// The data store's text and integer reads and writes, in the registry and in an INI file, against the
// raw calls that open the same key or file, read or write the value, and close again.
#include "bench/Bench.h"

#include "framework/Win32.h"
#include "framework/Win32Handles.h"
#include "persistence/QELTStoreData.h"

#include <cstdlib>
#include <string>

namespace {

constexpr int RegistryOperations = 4500;
constexpr int IniOperations = 900; // an INI write rewrites the file: about a millisecond under Wine

const std::string Section = "Bench";
// Two texts written in turn: a write of the value already stored may cost less (an INI file is then
// not rewritten), and that is not what is measured.
const std::string Texts[2] = {"C:\\Program Files\\Company\\Product\\settings.dat",
                              "C:\\Program Files\\Company\\Product\\settings.bak"};

// ---------------------------------------------------------------------------------------------------
// Raw registry calls, one open and close each, as a program without the store would write them

TRegKeyHandle CreateKey(const std::string& path)
{
    HKEY key = nullptr;
    (void)RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    return TRegKeyHandle(key);
}

TRegKeyHandle OpenKey(const std::string& path)
{
    HKEY key = nullptr;
    (void)RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &key);
    return TRegKeyHandle(key);
}

void RawRegistryWriteStr(const std::string& path, const char* name, const std::string& value)
{
    (void)RegSetValueExA(CreateKey(path).Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>(value.size() + 1));
}

std::string RawRegistryReadStr(const std::string& path, const char* name)
{
    char buffer[256];
    DWORD size = sizeof buffer;
    if (RegQueryValueExA(OpenKey(path).Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) !=
        ERROR_SUCCESS)
        return {};
    return std::string(buffer, size > 0 ? size - 1 : 0);
}

void RawRegistryWriteInt(const std::string& path, const char* name, int value)
{
    const DWORD data = static_cast<DWORD>(value);
    (void)RegSetValueExA(CreateKey(path).Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                         sizeof data);
}

int RawRegistryReadInt(const std::string& path, const char* name)
{
    DWORD data = 0;
    DWORD size = sizeof data;
    (void)RegQueryValueExA(OpenKey(path).Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &size);
    return static_cast<int>(data);
}

// ---------------------------------------------------------------------------------------------------

volatile int Sink; // keeps the reads from being optimised away

void RunDataStoreBench()
{
    const std::string key = "Software\\QELSystmBench\\" + std::to_string(GetCurrentProcessId());
    const std::string sectionPath = key + "\\" + Section;
    char temp[MAX_PATH];
    const DWORD tempLength = GetTempPathA(MAX_PATH, temp);
    const std::string iniFile =
        std::string(temp, tempLength) + "qelbench-" + std::to_string(GetCurrentProcessId()) + ".ini";

    TQELDataStore registryStore;
    registryStore.Registry()->SetPath(key);
    registryStore.Registry()->SetSection(Section);
    TQELDataStore iniStore;
    iniStore.SetDatatype(sIniFile);
    iniStore.Inifile()->SetFilename(iniFile);
    iniStore.Inifile()->SetSection(Section);

    int counter = 0;
    CompareWithRaw("registry WriteStr", RegistryOperations,
                   [&] { RawRegistryWriteStr(sectionPath, "Text", Texts[++counter % 2]); },
                   [&] { registryStore.WriteStr("Text", Texts[++counter % 2]); });
    CompareWithRaw("registry ReadStr", RegistryOperations,
                   [&] { Sink = static_cast<int>(RawRegistryReadStr(sectionPath, "Text").size()); },
                   [&] { Sink = static_cast<int>(registryStore.ReadStr("Text").size()); });
    CompareWithRaw("registry WriteInt", RegistryOperations,
                   [&] { RawRegistryWriteInt(sectionPath, "Number", ++counter); },
                   [&] { registryStore.WriteInt("Number", ++counter); });
    CompareWithRaw("registry ReadInt", RegistryOperations, [&] { Sink = RawRegistryReadInt(sectionPath, "Number"); },
                   [&] { Sink = registryStore.ReadInt("Number"); });

    // A write puts the whole new content on the disk before it takes the file's place (the raw write
    // changes the file in place and leaves it to the system's cache): what that costs depends on the
    // disk, so the writes are shown without a target.
    auto rawIniWriteStr = [&] {
        (void)WritePrivateProfileStringA(Section.c_str(), "Text", Texts[++counter % 2].c_str(), iniFile.c_str());
    };
    auto rawIniReadStr = [&] {
        char buffer[1024];
        const DWORD length =
            GetPrivateProfileStringA(Section.c_str(), "Text", "Error", buffer, sizeof buffer, iniFile.c_str());
        Sink = static_cast<int>(std::string(buffer, length).size());
    };
    auto rawIniWriteInt = [&] {
        (void)WritePrivateProfileStringA(Section.c_str(), "Number", std::to_string(++counter).c_str(), iniFile.c_str());
    };
    auto rawIniReadInt = [&] {
        Sink = static_cast<int>(GetPrivateProfileIntA(Section.c_str(), "Number", 0, iniFile.c_str()));
    };
    auto iniReadStr = [&] { Sink = static_cast<int>(iniStore.ReadStr("Text").size()); };
    auto iniReadInt = [&] { Sink = iniStore.ReadInt("Number"); };
    CompareWithRaw(
        "INI file WriteStr", IniOperations, rawIniWriteStr, [&] { iniStore.WriteStr("Text", Texts[++counter % 2]); },
        NoTarget);
    // A file written in the last two seconds is read afresh at every call.
    CompareWithRaw("INI file ReadStr, just written", IniOperations, rawIniReadStr, iniReadStr, NoTarget);
    CompareWithRaw(
        "INI file WriteInt", IniOperations, rawIniWriteInt, [&] { iniStore.WriteInt("Number", ++counter); }, NoTarget);
    CompareWithRaw("INI file ReadInt, just written", IniOperations, rawIniReadInt, iniReadInt, NoTarget);
    // Settings are mostly read from a file at rest.
    Sleep(2500);
    CompareWithRaw("INI file ReadStr", IniOperations, rawIniReadStr, iniReadStr);
    CompareWithRaw("INI file ReadInt", IniOperations, rawIniReadInt, iniReadInt);

    (void)RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
    (void)RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\QELSystmBench");
    (void)DeleteFileA(iniFile.c_str());
}

const bool Registered = RegisterBenchmark("Data store (TQELDataStore), one value a call", &RunDataStoreBench);

} // namespace
