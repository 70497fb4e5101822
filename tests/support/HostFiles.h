// The Linux side of files made under Wine: a Windows path's name on the host, and whether the host has
// an entry of an exact name, its bytes compared as they are (UTF-8 there). Where there is no Linux side
// (on Windows), HostPath is empty and every entry counts as there.
#pragma once

#include <string>

std::string HostPath(const std::wstring& fileName);
bool HostEntryExists(const std::string& hostDirectory, const std::string& name);
