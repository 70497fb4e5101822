// The resource monitor.
#include "sysinfo/QELTResourceInfo.h"

#include "framework/DateTime.h"
#include "framework/Strings.h"
#include "framework/SysUtils.h"

#include <cstdint>

QEL_CLASS_INFO(TQELResourceInfo, TQELSystemsComponent)
{
    using C = TQELResourceInfo;
    return {
        Prop("CurrentTime", &C::CurrentTime, &C::SetAll).Stored(TStored::Never),
        Prop("CurrentDate", &C::CurrentDate, &C::SetAll).Stored(TStored::Never),
        Prop("OnNewValues", &C::OnNewValues, &C::SetOnNewValues),
        Prop("CurrDriveFree", &C::CurrDriveFree, &C::SetAll).Stored(TStored::Never),
        Prop("CurrDriveSize", &C::CurrDriveSize, &C::SetAll).Stored(TStored::Never),
        Prop("CapsLock", &C::CapsLock, &C::Setcaps).Stored(TStored::Never),
        Prop("NumLock", &C::NumLock, &C::SetNum).Stored(TStored::Never),
        Prop("ScrollLock", &C::ScrollLock, &C::SetScroll).Stored(TStored::Never),
        Prop("MemoryPercInUse", &C::MemoryPercInUse, &C::SetAll).Stored(TStored::Never),
        Prop("PhysMemFree", &C::PhysMemFree, &C::SetAll).Stored(TStored::Never),
        Prop("PhysMemTotal", &C::PhysMemTotal, &C::SetAll).Stored(TStored::Never),
        Prop("PageFileUsed", &C::PageFileUsed, &C::SetAll).Stored(TStored::Never),
        Prop("VirtualMemUsed", &C::VirtualMemUsed, &C::SetAll).Stored(TStored::Never),
    };
}

namespace {

constexpr int RefreshInterval = 1000; // milliseconds
constexpr std::int64_t DriveUnit = 1024000; // the drive figures' "MB"

// Whole units of total minus available, cut toward zero. The system has been seen to report more
// available than in total (Wine's page file): that reads as a negative amount, never as a 32-bit
// difference wrapped round.
std::int64_t UsedUnits(SIZE_T total, SIZE_T available, std::int64_t unit)
{
    return (static_cast<std::int64_t>(total) - static_cast<std::int64_t>(available)) / unit;
}

bool Toggled(int key)
{
    return (GetKeyState(key) & 1) != 0;
}

// Free or total space (-1 when the drive cannot be read, which reads as 0).
std::string DriveText(std::int64_t bytes)
{
    return IntToStr(bytes / DriveUnit) + " MB";
}

} // namespace

TQELResourceInfo::TQELResourceInfo(TComponent* owner) : TQELSystemsComponent(owner), FTimer(new TTimer(this))
{
    FTimer->SetOnTimer(TNotifyEvent(this, &TQELResourceInfo::CheckInfo));
    SetAll({});
}

TQELResourceInfo::~TQELResourceInfo()
{
    delete FTimer;
}

void TQELResourceInfo::SetAll(const std::string&)
{
    FMemoryStatus.dwLength = sizeof FMemoryStatus;
    GlobalMemoryStatus(&FMemoryStatus);
    FMemoryPercInUse = IntToStr(FMemoryStatus.dwMemoryLoad) + " Percent";
    FPhysMemTotal = IntToStr(FMemoryStatus.dwTotalPhys / 1024) + " KB";
    FPhysMemFree = IntToStr(FMemoryStatus.dwAvailPhys / 1024) + " KB";
    FPageFileUsed =
        IntToStr(UsedUnits(FMemoryStatus.dwTotalPageFile, FMemoryStatus.dwAvailPageFile, 1024 * 1024)) + " MB";
    FVirtualMemUsed = IntToStr(UsedUnits(FMemoryStatus.dwTotalVirtual, FMemoryStatus.dwAvailVirtual, 1024)) + " KB";
    FNumLock = Toggled(VK_NUMLOCK);
    FCapsLock = Toggled(VK_CAPITAL);
    FScrollLock = Toggled(VK_SCROLL);
    FCurrDriveFree = DriveText(DiskFree(0));
    FCurrDriveSize = DriveText(DiskSize(0));
    FTimer->SetInterval(RefreshInterval);
    FTimer->SetEnabled(true);
    // One reading of the clock for both texts: two could pair 11:59:59 PM with the next day's date. The
    // regional settings are read once a refresh too; each reading asks the system for some fifty values.
    const TDateTime now = Now();
    const TFormatSettings settings = TFormatSettings::FromSystem();
    FCurrentTime = TimeToStr(now, settings);
    FCurrentDate = DateToStr(now, settings);
}

void TQELResourceInfo::Setcaps(bool)
{
    FCapsLock = Toggled(VK_CAPITAL);
}

void TQELResourceInfo::SetNum(bool)
{
    FNumLock = Toggled(VK_NUMLOCK);
}

void TQELResourceInfo::SetScroll(bool)
{
    FScrollLock = Toggled(VK_SCROLL);
}

void TQELResourceInfo::CheckInfo(TObject*)
{
    SetAll({});
    FOnNewValues(this);
}
