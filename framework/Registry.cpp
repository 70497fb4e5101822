// The registry classes on advapi32.
#include "framework/Registry.h"

#include "framework/StringList.h"
#include "framework/Strings.h"
#include "framework/SysErrors.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace {

std::string RootName(HKEY root)
{
    struct TRootName {
        HKEY Key;
        const char* Name;
    };
    static const TRootName names[] = {
        {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},   {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
        {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"}, {HKEY_USERS, "HKEY_USERS"},
        {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG"}, {HKEY_DYN_DATA, "HKEY_DYN_DATA"},
    };
    for (const TRootName& entry : names)
        if (entry.Key == root)
            return entry.Name;
    return "root key " + IntToHex(reinterpret_cast<UINT_PTR>(root), 8);
}

std::string KeyName(HKEY root, const std::string& path)
{
    return path.empty() ? RootName(root) : RootName(root) + "\\" + path;
}

[[noreturn]] void RaiseRegistry(const std::string& what, LSTATUS status)
{
    throw ERegistryException(what + ": " + SysErrorMessage(static_cast<DWORD>(status)));
}

// Registry names are C strings: a NUL inside one would silently address another value or key.
void CheckName(const std::string& name, const char* what, HKEY root, const std::string& path)
{
    if (name.find('\0') != std::string::npos)
        throw ERegistryException(std::string("The ") + what + " name '" + name.c_str() +
                                 "...' in " + KeyName(root, path) + " contains a NUL character");
}

// A value's type and raw data; false when the value does not exist.
bool QueryValue(HKEY key, const std::string& name, DWORD& type, std::string& data, HKEY root,
                const std::string& path)
{
    CheckName(name, "value", root, path);
    // Most values fit here, which saves asking for the size first.
    char local[256];
    DWORD size = sizeof local;
    LSTATUS status = RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(local), &size);
    if (status == ERROR_SUCCESS) {
        data.assign(local, size);
        return true;
    }
    // The value may grow between the calls; ask again until it fits.
    while (status == ERROR_MORE_DATA) {
        data.resize(size);
        status = RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
        if (status == ERROR_SUCCESS) {
            data.resize(size);
            return true;
        }
    }
    if (status == ERROR_FILE_NOT_FOUND)
        return false;
    RaiseRegistry("Failed to read the value '" + name + "' of " + KeyName(root, path), status);
}

[[noreturn]] void RaiseDataType(const std::string& name, HKEY root, const std::string& path)
{
    throw ERegistryException("Invalid data type for the value '" + name + "' of " + KeyName(root, path));
}

DWORD DwordOf(const std::string& data)
{
    DWORD value = 0;
    for (std::size_t i = data.size(); i-- > 0;)
        value = (value << 8) | static_cast<unsigned char>(data[i]);
    return value;
}

// Text is written with one terminating NUL after its exact bytes, so exactly one is taken off: a text
// that itself ends in NUL characters keeps them. Data written without a terminator stays whole.
std::string TextOf(DWORD type, std::string data, const std::string& name, HKEY root, const std::string& path)
{
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        if (!data.empty() && data.back() == '\0')
            data.pop_back();
        return data;
    case REG_DWORD:
        if (data.size() == sizeof(DWORD))
            return IntToStr(static_cast<int>(DwordOf(data)));
        break;
    }
    RaiseDataType(name, root, path);
}

// A REG_DWORD, or text holding a whole integer; defaultValue for other text.
int IntegerOf(DWORD type, const std::string& data, int defaultValue, const std::string& name, HKEY root,
              const std::string& path)
{
    if (type == REG_DWORD && data.size() == sizeof(DWORD))
        return static_cast<int>(DwordOf(data));
    return StrToIntDef(TextOf(type, data, name, root, path), defaultValue);
}

void SetValue(HKEY key, const std::string& name, DWORD type, const void* data, DWORD size, HKEY root,
              const std::string& path)
{
    CheckName(name, "value", root, path);
    LSTATUS status = RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    if (status != ERROR_SUCCESS)
        RaiseRegistry("Failed to set the value '" + name + "' of " + KeyName(root, path), status);
}

void SetString(HKEY key, const std::string& name, const std::string& value, HKEY root, const std::string& path)
{
    // c_str() supplies the terminator; the length given keeps embedded NULs.
    SetValue(key, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1), root, path);
}

void SetInteger(HKEY key, const std::string& name, int value, HKEY root, const std::string& path)
{
    const DWORD data = static_cast<DWORD>(value);
    SetValue(key, name, REG_DWORD, &data, sizeof data, root, path);
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// TRegistry

void TRegistry::SetRootKey(HKEY rootKey)
{
    if (rootKey == FRootKey)
        return;
    CloseKey();
    FRootKey = rootKey;
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate)
{
    return OpenKeyWith(key, canCreate, KEY_READ | KEY_WRITE);
}

bool TRegistry::OpenKeyReadOnly(const std::string& key)
{
    return OpenKeyWith(key, false, KEY_READ);
}

bool TRegistry::OpenKeyWith(const std::string& key, bool canCreate, REGSAM access)
{
    const bool fromRoot = !key.empty() && key.front() == '\\';
    const bool relative = !fromRoot && FCurrentKey;
    const std::string subKey = fromRoot ? key.substr(1) : key;
    CheckName(subKey, "key", FRootKey, FCurrentPath);

    const HKEY base = relative ? FCurrentKey.Get() : FRootKey;
    HKEY opened = nullptr;
    const LSTATUS status =
        canCreate ? RegCreateKeyExA(base, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                                    &opened, nullptr)
                  : RegOpenKeyExA(base, subKey.c_str(), 0, access, &opened);
    if (status != ERROR_SUCCESS)
        return false;

    FCurrentKey.Reset(opened);
    if (relative && !subKey.empty())
        FCurrentPath += "\\" + subKey;
    else if (!relative)
        FCurrentPath = subKey;
    return true;
}

void TRegistry::CloseKey()
{
    FCurrentKey.Reset();
    FCurrentPath.clear();
}

HKEY TRegistry::OpenKeyOrRaise() const
{
    if (!FCurrentKey)
        throw ERegistryException("No registry key is open below " + RootName(FRootKey));
    return FCurrentKey.Get();
}

bool TRegistry::ValueExists(const std::string& name) const
{
    CheckName(name, "value", FRootKey, FCurrentPath);
    return FCurrentKey && RegQueryValueExA(FCurrentKey.Get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
                              ERROR_SUCCESS;
}

std::string TRegistry::ReadString(const std::string& name) const
{
    DWORD type = 0;
    std::string data;
    if (!QueryValue(OpenKeyOrRaise(), name, type, data, FRootKey, FCurrentPath))
        return {};
    // Unlike the INI view of the registry, a number is not text here.
    if (type == REG_DWORD)
        RaiseDataType(name, FRootKey, FCurrentPath);
    return TextOf(type, std::move(data), name, FRootKey, FCurrentPath);
}

void TRegistry::WriteString(const std::string& name, const std::string& value)
{
    SetString(OpenKeyOrRaise(), name, value, FRootKey, FCurrentPath);
}

int TRegistry::ReadInteger(const std::string& name) const
{
    DWORD type = 0;
    std::string data;
    if (!QueryValue(OpenKeyOrRaise(), name, type, data, FRootKey, FCurrentPath) || type != REG_DWORD ||
        data.size() != sizeof(DWORD))
        RaiseDataType(name, FRootKey, FCurrentPath);
    return static_cast<int>(DwordOf(data));
}

void TRegistry::WriteInteger(const std::string& name, int value)
{
    SetInteger(OpenKeyOrRaise(), name, value, FRootKey, FCurrentPath);
}

bool TRegistry::DeleteValue(const std::string& name)
{
    CheckName(name, "value", FRootKey, FCurrentPath);
    return RegDeleteValueA(OpenKeyOrRaise(), name.c_str()) == ERROR_SUCCESS;
}

// ---------------------------------------------------------------------------------------------------
// TRegIniFile

namespace {

// Opens an existing key; an empty handle when it does not exist.
TRegKeyHandle OpenExisting(HKEY root, const std::string& path, REGSAM access)
{
    CheckName(path, "key", root, {});
    HKEY key = nullptr;
    const LSTATUS status = RegOpenKeyExA(root, path.c_str(), 0, access, &key);
    if (status == ERROR_FILE_NOT_FOUND)
        return {};
    if (status != ERROR_SUCCESS)
        RaiseRegistry("Failed to open " + KeyName(root, path), status);
    return TRegKeyHandle(key);
}

// One value of the key path; false when the key or the value does not exist.
bool ReadValue(HKEY root, const std::string& path, const std::string& name, DWORD& type, std::string& data)
{
    CheckName(name, "value", root, path);
    const TRegKeyHandle key = OpenExisting(root, path, KEY_QUERY_VALUE);
    return key && QueryValue(key.Get(), name, type, data, root, path);
}

// Takes the name of the value to be written as well, so that a bad one fails before the key is made.
TRegKeyHandle CreateForWriting(HKEY root, const std::string& path, const std::string& name)
{
    CheckName(path, "key", root, {});
    CheckName(name, "value", root, path);
    HKEY key = nullptr;
    const LSTATUS status =
        RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS)
        RaiseRegistry("Failed to create " + KeyName(root, path), status);
    return TRegKeyHandle(key);
}

} // namespace

std::string TRegIniFile::SectionPath(const std::string& section) const
{
    // The file name is a path below the root even when written with a leading backslash.
    std::string_view file = FFileName;
    file.remove_prefix(std::min(file.find_first_not_of('\\'), file.size()));
    // Built in one allocation: this runs for every value read or written.
    std::string path;
    path.reserve(file.size() + 1 + section.size());
    path += file;
    if (!path.empty() && !section.empty())
        path += '\\';
    path += section;
    return path;
}

std::string TRegIniFile::ReadString(const std::string& section, const std::string& name,
                                    const std::string& defaultValue) const
{
    const std::string path = SectionPath(section);
    DWORD type = 0;
    std::string data;
    if (!ReadValue(FRootKey, path, name, type, data))
        return defaultValue;
    return TextOf(type, std::move(data), name, FRootKey, path);
}

void TRegIniFile::WriteString(const std::string& section, const std::string& name, const std::string& value)
{
    const std::string path = SectionPath(section);
    SetString(CreateForWriting(FRootKey, path, name).Get(), name, value, FRootKey, path);
}

int TRegIniFile::ReadInteger(const std::string& section, const std::string& name, int defaultValue) const
{
    const std::string path = SectionPath(section);
    DWORD type = 0;
    std::string data;
    if (!ReadValue(FRootKey, path, name, type, data))
        return defaultValue;
    return IntegerOf(type, data, defaultValue, name, FRootKey, path);
}

void TRegIniFile::WriteInteger(const std::string& section, const std::string& name, int value)
{
    const std::string path = SectionPath(section);
    SetInteger(CreateForWriting(FRootKey, path, name).Get(), name, value, FRootKey, path);
}

bool TRegIniFile::ReadBool(const std::string& section, const std::string& name, bool defaultValue) const
{
    return ReadInteger(section, name, defaultValue ? 1 : 0) != 0;
}

void TRegIniFile::WriteBool(const std::string& section, const std::string& name, bool value)
{
    WriteInteger(section, name, value ? 1 : 0);
}

void TRegIniFile::ReadSectionValues(const std::string& section, TStrings& strings) const
{
    const std::string path = SectionPath(section);
    TStringList lines;
    if (const TRegKeyHandle key = OpenExisting(FRootKey, path, KEY_QUERY_VALUE)) {
        std::vector<char> name(16384); // the longest value name the registry allows, and its NUL
        for (DWORD index = 0;; ++index) {
            DWORD nameLength = static_cast<DWORD>(name.size());
            const LSTATUS status = RegEnumValueA(key.Get(), index, name.data(), &nameLength, nullptr, nullptr,
                                                 nullptr, nullptr);
            if (status == ERROR_NO_MORE_ITEMS)
                break;
            if (status != ERROR_SUCCESS)
                RaiseRegistry("Failed to list the values of " + KeyName(FRootKey, path), status);
            const std::string valueName(name.data(), nameLength);
            DWORD type = 0;
            std::string data;
            if (QueryValue(key.Get(), valueName, type, data, FRootKey, path))
                lines.Add(valueName + "=" + TextOf(type, std::move(data), valueName, FRootKey, path));
        }
    }
    // The caller's list changes only once everything was read.
    strings.Assign(&lines);
}

void TRegIniFile::EraseSection(const std::string& section)
{
    const std::string path = SectionPath(section);
    if (path.empty())
        throw ERegistryException("Refusing to erase the root key " + RootName(FRootKey));
    CheckName(path, "key", FRootKey, {});
    const LSTATUS status = RegDeleteTreeA(FRootKey, path.c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        RaiseRegistry("Failed to delete " + KeyName(FRootKey, path), status);
}

void TRegIniFile::DeleteKey(const std::string& section, const std::string& name)
{
    const std::string path = SectionPath(section);
    const TRegKeyHandle key = OpenExisting(FRootKey, path, KEY_SET_VALUE);
    if (!key)
        return;
    CheckName(name, "value", FRootKey, path);
    const LSTATUS status = RegDeleteValueA(key.Get(), name.c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        RaiseRegistry("Failed to delete the value '" + name + "' of " + KeyName(FRootKey, path), status);
}
