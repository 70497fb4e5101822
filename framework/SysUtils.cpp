// File-system routines.
#include "framework/SysUtils.h"

#include "framework/Win32.h"

#include <vector>

bool FileExists(const std::string& name)
{
    if (name.empty())
        return false;
    const DWORD attributes = GetFileAttributesA(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

namespace {

struct TDiskSpace {
    std::int64_t Free = -1;
    std::int64_t Size = -1;
};

TDiskSpace ReadDiskSpace(int drive)
{
    if (drive < 0 || drive > 26)
        return {};
    // The root of the drive, or no path at all for the current directory's drive.
    const std::string root = drive == 0 ? std::string() : std::string(1, static_cast<char>('A' + drive - 1)) + ":\\";
    // An empty drive must not bring up the system's "insert a disk" box.
    const UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS);
    ULARGE_INTEGER freeToCaller{}, total{}, totalFree{};
    const BOOL read = GetDiskFreeSpaceExA(drive == 0 ? nullptr : root.c_str(), &freeToCaller, &total, &totalFree);
    (void)SetErrorMode(previousMode);
    if (!read)
        return {};
    return {static_cast<std::int64_t>(freeToCaller.QuadPart), static_cast<std::int64_t>(total.QuadPart)};
}

} // namespace

std::int64_t DiskFree(int drive)
{
    return ReadDiskSpace(drive).Free;
}

std::int64_t DiskSize(int drive)
{
    return ReadDiskSpace(drive).Size;
}

std::string GetCurrentDir()
{
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length < buffer.size())
            return std::string(buffer.data(), length);
        buffer.resize(length); // the length needed, terminator included
    }
}

bool SetCurrentDir(const std::string& directory)
{
    return SetCurrentDirectoryA(directory.c_str()) != 0;
}
