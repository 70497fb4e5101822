// File-system routines: whether a file exists, the free and total space of a drive, and the process's
// current directory.
#pragma once

#include <cstdint>
#include <string>

// Whether name is an existing file (not a directory). An empty name exists nowhere.
bool FileExists(const std::string& name);

// Free and total bytes of a drive: 0 the current drive, 1 A:, 2 B:, 3 C: and so on up to 26 Z:. -1 when
// the drive cannot be read (no such drive, no medium) or the number is outside 0 to 26.
std::int64_t DiskFree(int drive);
std::int64_t DiskSize(int drive);

// The process's current directory, without a trailing backslash except at a drive's root (C:\).
std::string GetCurrentDir();
// Makes directory the current one; false when the system refuses it.
bool SetCurrentDir(const std::string& directory);
