// Scratch folders, links and child processes for the file component tests.
#include "tests/files/FilesTestSupport.h"

#include "framework/Win32Handles.h"

#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>

namespace {

// Wine's call that runs a program of the host, and its name of a Windows path on the host.
using TUnixSpawn = LONG(WINAPI*)(char* const* argv, int wait);
using TUnixFileName = char*(CDECL*)(const wchar_t* dosName);

std::string UnixFileName(TUnixFileName convert, const std::string& name)
{
    const std::wstring wide(name.begin(), name.end()); // the test's names are plain ASCII
    char* unixName = convert(wide.c_str());
    if (!unixName)
        return {};
    std::string result = unixName;
    (void)HeapFree(GetProcessHeap(), 0, unixName);
    return result;
}

// Under Wine: runs the host's program with the host's names of the Windows paths given. nullopt when
// this is not Wine.
std::optional<bool> RunOnHost(std::string program, std::string option, std::vector<std::string> paths)
{
    const auto spawn = reinterpret_cast<TUnixSpawn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "__wine_unix_spawnvp")));
    const auto convert = reinterpret_cast<TUnixFileName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!spawn || !convert)
        return std::nullopt;
    std::vector<char*> argv{program.data(), option.data()};
    for (std::string& path : paths) {
        path = UnixFileName(convert, path);
        if (path.empty())
            return false;
        argv.push_back(path.data());
    }
    argv.push_back(nullptr);
    return spawn(argv.data(), 1) == 0;
}

// Removes directory and what it holds. A directory that is a link goes as a link: what it points to
// is not entered.
void RemoveTree(const std::string& directory)
{
    WIN32_FIND_DATAA entry;
    const HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        const TFindHandle owned(search);
        do {
            const std::string name = entry.cFileName;
            const std::string path = directory + "\\" + name;
            if (name == "." || name == "..")
                continue;
            (void)SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
                if (!RunOnHost("/bin/rm", "-f", {path}))
                    (void)RemoveDirectoryA(path.c_str());
            }
            else if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
                RemoveTree(path);
            else
                (void)DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &entry));
    }
    (void)RemoveDirectoryA(directory.c_str());
}

} // namespace

TScratchDirectory::TScratchDirectory()
{
    static int instance = 0;
    char base[MAX_PATH];
    (void)GetTempPathA(MAX_PATH, base);
    FPath = std::string(base) + "qelfiles" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++instance);
    RemoveTree(FPath);
    if (!CreateDirectoryA(FPath.c_str(), nullptr))
        throw std::runtime_error("cannot create " + FPath);
}

TScratchDirectory::~TScratchDirectory()
{
    RemoveTree(FPath);
}

std::string TScratchDirectory::Directory(const std::string& name) const
{
    std::string path = FPath;
    std::istringstream parts(name);
    for (std::string part; std::getline(parts, part, '\\');) {
        path += "\\" + part;
        (void)CreateDirectoryA(path.c_str(), nullptr);
    }
    return path;
}

std::string TScratchDirectory::File(const std::string& name, const std::string& bytes) const
{
    if (const std::size_t slash = name.find_last_of('\\'); slash != std::string::npos)
        Directory(name.substr(0, slash));
    const std::string path = *this / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::string ReadBytes(const std::string& fileName)
{
    std::ostringstream bytes;
    bytes << std::ifstream(fileName, std::ios::binary).rdbuf();
    return bytes.str();
}

bool FileCanBeDeleted(const std::string& fileName)
{
    return DeleteFileA(fileName.c_str()) != 0;
}

bool MakeDirectoryLink(const std::string& link, const std::string& target)
{
    const std::optional<bool> made = RunOnHost("/bin/ln", "-s", {target, link});
    if (made ? !*made : !CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY))
        return false;
    const DWORD attributes = GetFileAttributesA(link.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

TMessageTarget::TMessageTarget(std::function<void()> onHandled)
    : FOnHandled(std::move(onHandled)), FWindow(AllocateHWnd(TWndMethod(this, &TMessageTarget::WndProc)))
{
}

void TMessageTarget::Post()
{
    (void)PostMessageA(FWindow.Get(), WM_USER, 0, 0);
}

void TMessageTarget::WndProc(TMessage& message)
{
    if (message.Msg != WM_USER) {
        message.Result = DefWindowProcA(FWindow.Get(), message.Msg, message.WParam, message.LParam);
        return;
    }
    ++FHandled;
    if (FOnHandled)
        FOnHandled();
}

std::string RecycledFilesFolder()
{
    using TDosFileName = wchar_t*(CDECL*)(const char* unixName);
    const auto convert = reinterpret_cast<TDosFileName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
    char dataHome[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("XDG_DATA_HOME", dataHome, MAX_PATH);
    if (!convert || length == 0 || length >= MAX_PATH)
        return {};
    wchar_t* dosName = convert((std::string(dataHome) + "/Trash/files").c_str());
    if (!dosName)
        return {};
    std::string result;
    for (const wchar_t* c = dosName; *c; ++c)
        result += static_cast<char>(*c); // the build tree's path is plain ASCII
    (void)HeapFree(GetProcessHeap(), 0, dosName);
    return result;
}

