// Registry roots and INI files of the fuzzed components, kept apart.
#include "tests/fuzz/FuzzSandbox.h"

#include <cstdint>
#include <stdexcept>

namespace {

// The folder the INI files go to, and the system's own profile functions (the executable's import
// entries lead to the redirections below while the sandbox stands).
std::string Directory;
decltype(&GetPrivateProfileStringA) RealRead = nullptr;
decltype(&WritePrivateProfileStringA) RealWrite = nullptr;

// Any file name, however made, maps to one file of the folder.
std::string Redirected(const char* fileName)
{
    std::uint32_t hash = 2166136261u;
    for (const char* c = fileName; c && *c; ++c)
        hash = (hash ^ static_cast<unsigned char>(*c)) * 16777619u;
    return Directory + "\\f" + std::to_string(hash) + ".ini";
}

DWORD WINAPI SandboxRead(LPCSTR section, LPCSTR name, LPCSTR defaultValue, LPSTR buffer, DWORD size, LPCSTR fileName)
{
    return RealRead(section, name, defaultValue, buffer, size, Redirected(fileName).c_str());
}

BOOL WINAPI SandboxWrite(LPCSTR section, LPCSTR name, LPCSTR value, LPCSTR fileName)
{
    return RealWrite(section, name, value, Redirected(fileName).c_str());
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

template <class F>
F SystemFunction(const char* module, const char* name)
{
    // Through void (*)(), the type that casts to any function type without a warning.
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA(module), name)));
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
        RealRead = SystemFunction<decltype(RealRead)>("kernel32.dll", "GetPrivateProfileStringA");
        RealWrite = SystemFunction<decltype(RealWrite)>("kernel32.dll", "WritePrivateProfileStringA");
        RealSystemParameters = SystemFunction<decltype(RealSystemParameters)>("user32.dll", "SystemParametersInfoA");
        FReadPatch.emplace("kernel32.dll", "GetPrivateProfileStringA", &SandboxRead);
        FWritePatch.emplace("kernel32.dll", "WritePrivateProfileStringA", &SandboxWrite);
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
    FReadPatch.reset();
    FWritePatch.reset();
    FMessageBoxPatch.reset();
    FSystemParametersPatch.reset();
    FKeyboardPatch.reset();
    DeleteFolder(Directory);
}
