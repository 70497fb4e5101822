// Temporary registry keys and INI files for the persistence tests, and raw probes of what was stored.
#include "tests/persistence/PersistenceTestSupport.h"

#include "framework/Win32Handles.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {

int NextInstance()
{
    static int instance = 0;
    return ++instance;
}

std::string UniqueSuffix()
{
    return std::to_string(GetCurrentProcessId()) + "-" + std::to_string(NextInstance());
}

} // namespace

TTempRegistryKey::TTempRegistryKey() : FPath("Software\\QELSystmTests\\" + UniqueSuffix())
{
}

TTempRegistryKey::~TTempRegistryKey()
{
    (void)RegDeleteTreeA(HKEY_CURRENT_USER, FPath.c_str());
    // The parent goes too once no other run uses it (deleting a key that still has subkeys fails).
    (void)RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\QELSystmTests");
}

TTempIniFile::TTempIniFile()
{
    char directory[MAX_PATH];
    const DWORD length = GetTempPathA(MAX_PATH, directory);
    if (length == 0 || length >= MAX_PATH)
        throw std::runtime_error("no temporary directory");
    FPath = std::string(directory, length) + "qel-persistence-" + UniqueSuffix() + ".ini";
}

TTempIniFile::~TTempIniFile()
{
    (void)DeleteFileA(FPath.c_str());
}

bool TTempIniFile::Exists() const
{
    return GetFileAttributesA(FPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string TTempIniFile::Content() const
{
    std::ifstream file(FPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void TTempIniFile::SetContent(const std::string& content) const
{
    std::ofstream file(FPath, std::ios::binary | std::ios::trunc);
    file << content;
}

unsigned long EnvironmentNumber(const char* name, unsigned long fallback)
{
    const char* text = std::getenv(name);
    return text && *text ? std::strtoul(text, nullptr, 10) : fallback;
}

std::optional<TRawValue> RawRegistryValue(HKEY root, const std::string& path, const std::string& name, REGSAM view)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE | view, &opened) != ERROR_SUCCESS)
        return std::nullopt;
    const TRegKeyHandle key(opened);
    TRawValue value;
    DWORD size = 0;
    if (RegQueryValueExA(key.Get(), name.c_str(), nullptr, &value.Type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    value.Data.resize(size);
    if (RegQueryValueExA(key.Get(), name.c_str(), nullptr, &value.Type, reinterpret_cast<BYTE*>(value.Data.data()),
                         &size) != ERROR_SUCCESS)
        return std::nullopt;
    value.Data.resize(size);
    return value;
}

void SetRawRegistryValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                         const std::string& data, REGSAM view)
{
    HKEY created = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, &created, nullptr) !=
        ERROR_SUCCESS)
        throw std::runtime_error("cannot create " + path);
    const TRegKeyHandle key(created);
    if (RegSetValueExA(key.Get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                       static_cast<DWORD>(data.size())) != ERROR_SUCCESS)
        throw std::runtime_error("cannot set " + name);
}

bool RawRegistryKeyExists(HKEY root, const std::string& path)
{
    HKEY opened = nullptr;
    const LSTATUS status = RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, &opened);
    const TRegKeyHandle key(opened);
    return status == ERROR_SUCCESS;
}

int RawRegistryValueCount(HKEY root, const std::string& path, REGSAM view)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE | view, &opened) != ERROR_SUCCESS)
        return 0;
    const TRegKeyHandle key(opened);
    DWORD count = 0;
    if (RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return 0;
    return static_cast<int>(count);
}

QEL_CLASS_INFO(TPersistenceTestForm, TComponent)
{
    return {};
}

TMethodList TPersistenceTestForm::PublishedMethods()
{
    return {
        PublishedMethod<TPersistenceTestForm>("IllegalAbortDetected", &TPersistenceTestForm::IllegalAbortDetected),
        PublishedMethod<TPersistenceTestForm>("StoreError", &TPersistenceTestForm::StoreError),
    };
}
