// A drive volume's full update and a resource monitor's refresh, against the raw system calls that
// read the same facts and, for the monitor, format them as a program without the library would.
#include "bench/Bench.h"

#include "framework/Win32.h"
#include "sysinfo/QELTDriveVolume.h"
#include "sysinfo/QELTResourceInfo.h"

#include <cstdio>

namespace {

constexpr int DriveOperations = 150; // an update asks the volume ten times: about 2 ms each under Wine
constexpr int RefreshOperations = 2000;

volatile DWORD Sink; // keeps the results from being optimised away

// One GetVolumeInformationA on C:\, asking for what the given buffers and outputs take, with the error
// mode switched for the call as the component does.
void RawVolumeQuery(char* label, DWORD* serial, char* fileSystem)
{
    const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS);
    DWORD maximumLength = 0, flags = 0;
    (void)GetVolumeInformationA("C:\\", label, label ? MAX_PATH + 1 : 0, serial, &maximumLength, &flags,
                                fileSystem, fileSystem ? MAX_PATH + 1 : 0);
    (void)SetErrorMode(previous);
    Sink = flags;
}

// The ten queries of a full update, one for each of the six flags, serial number, label, file-system
// name and flag word.
void RawFullUpdate()
{
    char label[MAX_PATH + 1], fileSystem[MAX_PATH + 1];
    DWORD serial = 0;
    for (int flag = 0; flag < 6; ++flag)
        RawVolumeQuery(nullptr, nullptr, nullptr);
    RawVolumeQuery(nullptr, &serial, nullptr);
    RawVolumeQuery(label, nullptr, nullptr);
    RawVolumeQuery(nullptr, nullptr, fileSystem);
    RawVolumeQuery(nullptr, nullptr, nullptr);
}

std::int64_t RawDiskSpace(bool free)
{
    const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS);
    ULARGE_INTEGER freeToCaller{}, total{}, totalFree{};
    const BOOL read = GetDiskFreeSpaceExA(nullptr, &freeToCaller, &total, &totalFree);
    (void)SetErrorMode(previous);
    if (!read)
        return -1;
    return static_cast<std::int64_t>(free ? freeToCaller.QuadPart : total.QuadPart);
}

// The monitor's figures read and put into text with the C library and the system's own date and time
// formatting.
void RawRefresh()
{
    char text[11][64];
    MEMORYSTATUS status{};
    status.dwLength = sizeof status;
    GlobalMemoryStatus(&status);
    std::snprintf(text[0], sizeof text[0], "%lu Percent", status.dwMemoryLoad);
    std::snprintf(text[1], sizeof text[1], "%llu KB", static_cast<unsigned long long>(status.dwTotalPhys / 1024));
    std::snprintf(text[2], sizeof text[2], "%llu KB", static_cast<unsigned long long>(status.dwAvailPhys / 1024));
    std::snprintf(text[3], sizeof text[3], "%lld MB",
                  (static_cast<long long>(status.dwTotalPageFile) - status.dwAvailPageFile) / (1024 * 1024));
    std::snprintf(text[4], sizeof text[4], "%lld KB",
                  (static_cast<long long>(status.dwTotalVirtual) - status.dwAvailVirtual) / 1024);
    const int keys = (GetKeyState(VK_NUMLOCK) & 1) + (GetKeyState(VK_CAPITAL) & 1) + (GetKeyState(VK_SCROLL) & 1);
    std::snprintf(text[5], sizeof text[5], "%lld MB", static_cast<long long>(RawDiskSpace(true) / 1024000));
    std::snprintf(text[6], sizeof text[6], "%lld MB", static_cast<long long>(RawDiskSpace(false) / 1024000));
    SYSTEMTIME now;
    GetLocalTime(&now);
    (void)GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &now, nullptr, text[7], sizeof text[7]);
    (void)GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, text[8], sizeof text[8]);
    Sink = static_cast<DWORD>(keys + text[7][0] + text[8][0]);
}

void RunSysinfoBench()
{
    TQELDriveVolume volume(nullptr);
    CompareWithRaw("drive volume full update (C:)", DriveOperations, &RawFullUpdate, [&] { volume.SetDrive('C'); });

    TQELResourceInfo monitor(nullptr);
    CompareWithRaw("resource monitor refresh", RefreshOperations, &RawRefresh, [&] { monitor.SetAll({}); });
}

const bool Registered =
    RegisterBenchmark("System information (TQELDriveVolume, TQELResourceInfo), one update a call", &RunSysinfoBench);

} // namespace
