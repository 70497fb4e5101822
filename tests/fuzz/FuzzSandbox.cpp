// Registry roots and INI files of the fuzzed components, kept apart.
#include "tests/fuzz/FuzzSandbox.h"

#include <cstdint>
#include <stdexcept>

namespace {

// The folder the INI files go to.
std::string Directory;

// Any file name, however made, maps to one file of the folder.
std::string Redirected(const char* fileName)
{
    std::uint32_t hash = 2166136261u;
    for (const char* c = fileName; c && *c; ++c)
        hash = (hash ^ static_cast<unsigned char>(*c)) * 16777619u;
    return Directory + "\\f" + std::to_string(hash) + ".ini";
}

// The INI class places a file through these two: a name with a directory as the system completes it,
// a bare name in the Windows directory.
DWORD WINAPI SandboxFullPath(LPCSTR fileName, DWORD size, LPSTR buffer, LPSTR* filePart)
{
    const std::string path = Redirected(fileName);
    if (size <= path.size())
        return static_cast<DWORD>(path.size() + 1);
    path.copy(buffer, path.size());
    buffer[path.size()] = '\0';
    if (filePart)
        *filePart = buffer + Directory.size() + 1;
    return static_cast<DWORD>(path.size());
}

UINT WINAPI SandboxWindowsDirectory(LPSTR buffer, UINT size)
{
    if (size <= Directory.size())
        return static_cast<UINT>(Directory.size() + 1);
    Directory.copy(buffer, Directory.size());
    buffer[Directory.size()] = '\0';
    return static_cast<UINT>(Directory.size());
}

int WINAPI AnswerMessageBox(HWND, LPCSTR, LPCSTR, UINT)
{
    return IDOK;
}

decltype(&SystemParametersInfoA) RealSystemParameters = nullptr;

// Settings are read as they are; changing them is refused.
BOOL WINAPI ReadOnlySystemParameters(UINT action, UINT param, PVOID value, UINT winIni)
{
    switch (action) {
    case SPI_SETSCREENSAVEACTIVE:
    case SPI_SETSCREENSAVETIMEOUT:
    case SPI_SETDESKWALLPAPER:
        return FALSE;
    default:
        return RealSystemParameters(action, param, value, winIni);
    }
}

BOOL WINAPI KeepKeyboardState(LPBYTE)
{
    return TRUE;
}

const HKEY Roots[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE,
                          HKEY_USERS,        HKEY_CURRENT_CONFIG, HKEY_DYN_DATA};

void DeleteFolder(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do
            (void)DeleteFileA((folder + "\\" + found.cFileName).c_str());
        while (FindNextFileA(search, &found));
        (void)FindClose(search);
    }
    (void)RemoveDirectoryA(folder.c_str());
}

} // namespace

TFuzzSandbox::TFuzzSandbox()
    : FKeyPath("Software\\QELSystmFuzz-" + std::to_string(GetCurrentProcessId()))
{
    char temp[MAX_PATH];
    (void)GetTempPathA(MAX_PATH, temp);
    Directory = std::string(temp) + "qelfuzz-" + std::to_string(GetCurrentProcessId());
    if (!CreateDirectoryA(Directory.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        throw std::runtime_error("cannot create " + Directory);
    try {
        RealSystemParameters = SystemFunction<decltype(SystemParametersInfoA)>("user32.dll", "SystemParametersInfoA");
        FFullPathPatch.emplace("kernel32.dll", "GetFullPathNameA", &SandboxFullPath);
        FWindowsDirectoryPatch.emplace("kernel32.dll", "GetWindowsDirectoryA", &SandboxWindowsDirectory);
        FMessageBoxPatch.emplace("user32.dll", "MessageBoxA", &AnswerMessageBox);
        FSystemParametersPatch.emplace("user32.dll", "SystemParametersInfoA", &ReadOnlySystemParameters);
        FKeyboardPatch.emplace("user32.dll", "SetKeyboardState", &KeepKeyboardState);
        // Every key is made below the real HKEY_CURRENT_USER before any root is redirected.
        for (std::size_t i = 0; i < std::size(Roots); ++i) {
            HKEY key = nullptr;
            if (RegCreateKeyExA(HKEY_CURRENT_USER, (FKeyPath + "\\" + std::to_string(i)).c_str(), 0, nullptr, 0,
                                KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
                throw std::runtime_error("cannot create the sandbox key " + FKeyPath);
            FKeys.push_back(key);
        }
        for (std::size_t i = 0; i < std::size(Roots); ++i)
            if (RegOverridePredefKey(Roots[i], FKeys[i]) == ERROR_SUCCESS)
                FOverridden.push_back(Roots[i]);
        if (FOverridden.size() + 1 < std::size(Roots)) // the system may keep HKEY_DYN_DATA to itself
            throw std::runtime_error("the registry roots cannot be redirected");
    } catch (...) {
        Release();
        throw;
    }
}

TFuzzSandbox::~TFuzzSandbox()
{
    Release();
}

void TFuzzSandbox::Release()
{
    for (HKEY root : FOverridden)
        (void)RegOverridePredefKey(root, nullptr);
    for (HKEY key : FKeys)
        (void)RegCloseKey(key);
    (void)RegDeleteTreeA(HKEY_CURRENT_USER, FKeyPath.c_str());
    (void)RegDeleteKeyA(HKEY_CURRENT_USER, FKeyPath.c_str());
    FFullPathPatch.reset();
    FWindowsDirectoryPatch.reset();
    FMessageBoxPatch.reset();
    FSystemParametersPatch.reset();
    FKeyboardPatch.reset();
    DeleteFolder(Directory);
}
