// The system details.
#include "sysinfo/QELTSystemDetails.h"

#include "framework/Forms.h"
#include "framework/Registry.h"
#include "framework/Strings.h"
#include "framework/SysUtils.h"

#include <cstring>

QEL_CLASS_INFO(TQELSystemDetails, TQELSystemsComponent)
{
    using C = TQELSystemDetails;
    return {
        Prop("Organisation", &C::Organisation, &C::SetSelfString).Stored(TStored::Never),
        Prop("Owner", &C::RegisteredOwner, &C::SetSelfString).Stored(TStored::Never),
        Prop("CPU", &C::CPU, &C::SetSelfString).Stored(TStored::Never),
        Prop("OS", &C::OS, &C::SetSelfString).Stored(TStored::Never),
        Prop("WinVersion", &C::WinVersion, &C::SetSelfString).Stored(TStored::Never),
        Prop("Build", &C::Build, &C::SetSelfString).Stored(TStored::Never),
        Prop("TotalMemory", &C::TotalMemory, &C::SetSelfString).Stored(TStored::Never),
        Prop("DriveC", &C::DriveC, &C::SetSelfString).Stored(TStored::Never),
        Prop("ProgramFilesDir", &C::ProgramFilesDir, &C::SetSelfString).Stored(TStored::Never),
        Prop("SystemRoot", &C::SystemRoot, &C::SetSelfString).Stored(TStored::Never),
        Prop("Username", &C::Username, &C::SetSelfString).Stored(TStored::Never),
        Prop("ComputerName", &C::ComputerName, &C::SetSelfString).Stored(TStored::Never),
        Prop("ScreenWidth", &C::ScreenWidth, &C::SetSelfString).Stored(TStored::Never),
        Prop("ScreenHeight", &C::ScreenHeight, &C::SetSelfString).Stored(TStored::Never),
    };
}

namespace {

constexpr const char* CurrentVersionKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

// A text value of the open key. A value that is missing, or holds something other than text, reads as
// empty: a foreign value type in the machine's settings must not keep a form from loading.
std::string ReadText(const TRegistry& registry, const std::string& name)
{
    try {
        return registry.ReadString(name);
    } catch (const ERegistryException&) {
        return {};
    }
}

// The text of a buffer the system filled, up to its first NUL.
std::string BufferText(const char* buffer, std::size_t size)
{
    return std::string(buffer, strnlen(buffer, size));
}

} // namespace

TQELSystemDetails::TQELSystemDetails(TComponent* owner) : TQELSystemsComponent(owner)
{
    ReadRegistry();
    ReadProcessor();
    ReadWindowsVersion();
    ReadMemory();
    ReadDriveC();
    SetSelfString({});
}

void TQELSystemDetails::SetSelfString(const std::string&)
{
    FScreenHeight = IntToStr(Screen->Height());
    FScreenWidth = IntToStr(Screen->Width());
}

void TQELSystemDetails::ReadRegistry()
{
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    // Read-only: a standard user may read the machine's settings but not change them. Without the key
    // every value reads as empty.
    if (!registry.OpenKeyReadOnly(CurrentVersionKey))
        return;
    FOrganisation = ReadText(registry, "RegisteredOrganization");
    FOwner = ReadText(registry, "RegisteredOwner");
    FProgramFilesDir = ReadText(registry, "ProgramFilesDir");
    FSystemRoot = ReadText(registry, "SystemRoot");
}

void TQELSystemDetails::ReadProcessor()
{
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    switch (info.dwProcessorType) {
    case PROCESSOR_INTEL_386:
        FCPU = "Intel 386";
        break;
    case PROCESSOR_INTEL_486:
        FCPU = "Intel 486";
        break;
    case PROCESSOR_INTEL_PENTIUM:
        FCPU = "Intel Pentium";
        break;
    default:
        break; // a family the component has no name for
    }
}

void TQELSystemDetails::ReadWindowsVersion()
{
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    // The version is wanted as the system reports it to this program, compatibility shims included;
    // Visual C++ declares the call deprecated for that very reason.
#if defined(_MSC_VER)
#pragma warning(push)
#pragma warning(disable : 4996)
#endif
    (void)GetVersionExA(&version);
#if defined(_MSC_VER)
#pragma warning(pop)
#endif
    switch (version.dwPlatformId) {
    case VER_PLATFORM_WIN32s:
        FOS = "Windows 3.1";
        break;
    case VER_PLATFORM_WIN32_WINDOWS:
        FOS = "Windows 95";
        break;
    case VER_PLATFORM_WIN32_NT:
        FOS = "Windows NT";
        break;
    default:
        break;
    }
    FWinVersion = Format("%d.%d", {version.dwMajorVersion, version.dwMinorVersion});
    // The 95 platform keeps the major and minor version in the high word of the build number.
    FBuild = Format("%d", {LOWORD(version.dwBuildNumber)});
}

void TQELSystemDetails::ReadMemory()
{
    MEMORYSTATUS status{};
    status.dwLength = sizeof status;
    GlobalMemoryStatus(&status);
    FTotalMemory = Format("%d KB", {status.dwTotalPhys / 1024});
}

void TQELSystemDetails::ReadDriveC()
{
    // Asked first whether the drive can be read at all, then for the figure. A drive gone by the
    // second answer is not available either, not one of 0 MB.
    const std::int64_t size = DiskSize(3) == -1 ? -1 : DiskSize(3);
    FDriveC = size == -1 ? std::string() : Format("%d MB", {size / (1024 * 1024)});
}

std::string TQELSystemDetails::Username() const
{
    char name[256] = {};
    DWORD size = 255;
    return GetUserNameA(name, &size) ? BufferText(name, sizeof name) : std::string("User not logged on");
}

std::string TQELSystemDetails::ComputerName() const
{
    char name[255] = {};
    DWORD size = 255;
    return GetComputerNameA(name, &size) ? BufferText(name, sizeof name) : std::string("Error on locating Computername");
}
