// Files by their wide names, and the host's view of Windows paths through Wine's own calls.
#include "tests/support/HostFiles.h"

#include "framework/Win32.h"
#include "framework/Win32Handles.h"

std::string FileBytes(const std::wstring& fileName)
{
    const HANDLE file = CreateFileW(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "(cannot open)";
    const TKernelHandle owned(file);
    std::string bytes;
    char buffer[4096];
    for (DWORD read = 0; ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0;)
        bytes.append(buffer, read);
    return bytes;
}

std::string HostPath(const std::wstring& fileName)
{
    using TUnixFileName = char*(CDECL*)(const wchar_t* dosName);
    const auto convert = reinterpret_cast<TUnixFileName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!convert)
        return {};
    char* unixName = convert(fileName.c_str());
    if (!unixName)
        return "(no host name)";
    std::string result = unixName;
    (void)HeapFree(GetProcessHeap(), 0, unixName);
    return result;
}

bool HostEntryExists(const std::string& hostDirectory, const std::string& name)
{
    using TUnixSpawn = LONG(WINAPI*)(char* const* argv, int wait);
    const auto spawn = reinterpret_cast<TUnixSpawn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "__wine_unix_spawnvp")));
    if (!spawn)
        return hostDirectory.empty();
    std::string program = "/usr/bin/test", option = "-e", path = hostDirectory + "/" + name;
    char* const argv[] = {program.data(), option.data(), path.data(), nullptr};
    return spawn(argv, 1) == 0;
}
