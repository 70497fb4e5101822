// Files named beyond ASCII, seen whatever the test program's code page: their bytes, by their UTF-16
// name; and the Linux side of files made under Wine: a Windows path's name on the host, and whether the
// host has an entry of an exact name, its bytes compared as they are (UTF-8 there). Where there is no
// Linux side (on Windows), HostPath is empty and every entry counts as there.
#pragma once

#include <string>

// What the file holds; "(cannot open)" when it cannot be read.
std::string FileBytes(const std::wstring& fileName);
std::string HostPath(const std::wstring& fileName);
bool HostEntryExists(const std::string& hostDirectory, const std::string& name);
