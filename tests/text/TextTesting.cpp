// Texts, a folder named beyond ASCII, and the Linux side of its files.
#include "tests/text/TextTesting.h"

#include "framework/Strings.h"
#include "framework/Win32.h"
#include "framework/Win32Handles.h"

#include <stdexcept>

namespace {

// Permanently, without a question: the folders hold nothing but test files.
void RemoveTree(const std::string& path)
{
    const std::string list = path + std::string(2, '\0');
    SHFILEOPSTRUCTA operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = list.c_str();
    operation.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        (void)SHFileOperationA(&operation);
}

} // namespace

std::string Utf8(const char8_t* text)
{
    return reinterpret_cast<const char*>(text);
}

const std::string& CafeNihon()
{
    static const std::string text = Utf8(u8"caf\u00E9-\u65E5\u672C");
    return text;
}

const std::string& Greek()
{
    static const std::string text = Utf8(u8"\u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC");
    return text;
}

TTextFolder::TTextFolder()
{
    static int instance = 0;
    char temporary[MAX_PATH];
    (void)GetTempPathA(MAX_PATH, temporary);
    FBase = std::string(temporary) + "qeltext" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++instance);
    RemoveTree(FBase);
    FPath = FBase + "\\" + CafeNihon();
    if (!CreateDirectoryA(FBase.c_str(), nullptr) || !CreateDirectoryA(FPath.c_str(), nullptr))
        throw std::runtime_error("cannot create " + FPath);
}

TTextFolder::~TTextFolder()
{
    RemoveTree(FBase);
}

std::string TTextFolder::Directory(const std::string& name) const
{
    const std::string path = *this / name;
    (void)CreateDirectoryA(path.c_str(), nullptr);
    return path;
}

std::string TTextFolder::File(const std::string& name, const std::string& bytes) const
{
    const std::string path = *this / name;
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot create " + path);
    const TKernelHandle owned(file);
    DWORD written = 0;
    if (!bytes.empty() && !WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
        throw std::runtime_error("cannot write " + path);
    return path;
}

std::string ReadBytes(const std::string& fileName)
{
    return FileBytes(AnsiToWide(fileName));
}

std::vector<std::string> EntryNames(const std::string& directory)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    const HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    const TFindHandle owned(search);
    do {
        const std::string name = entry.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(search, &entry));
    return names;
}
