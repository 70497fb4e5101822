// TQELSystemDetails: registry values written under the machine's key for the test and put back
// afterwards; processor, version, memory, disk, screen, user and computer served by stand-ins for the
// system calls where a test needs other figures than this machine's.
#include "sysinfo/QELTSystemDetails.h"

#include "framework/FormText.h"
#include "tests/sysinfo/SysinfoTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>

using namespace std::string_literals;

namespace {

const std::string CurrentVersionPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char* const RegistryNames[] = {"RegisteredOrganization", "RegisteredOwner", "ProgramFilesDir", "SystemRoot"};

// A value of the machine's CurrentVersion key, as it was before the test; put back (or deleted) at the end.
// In the program's own registry view, or in the one view names (KEY_WOW64_64KEY, KEY_WOW64_32KEY).
class TSavedValue {
public:
    explicit TSavedValue(std::string name, REGSAM view = 0) : FName(std::move(name)), FView(view)
    {
        HKEY key = Open();
        DWORD type = 0;
        char data[4096];
        DWORD size = sizeof data;
        if (RegQueryValueExA(key, FName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size) ==
            ERROR_SUCCESS)
            FSaved.emplace(type, std::string(data, size));
        RegCloseKey(key);
    }
    ~TSavedValue()
    {
        HKEY key = Open();
        if (FSaved)
            RegSetValueExA(key, FName.c_str(), 0, FSaved->first, reinterpret_cast<const BYTE*>(FSaved->second.data()),
                           static_cast<DWORD>(FSaved->second.size()));
        else
            RegDeleteValueA(key, FName.c_str());
        RegCloseKey(key);
    }
    TSavedValue(const TSavedValue&) = delete;
    TSavedValue& operator=(const TSavedValue&) = delete;

    void Set(DWORD type, const std::string& data) const
    {
        HKEY key = Open();
        EXPECT_EQ(RegSetValueExA(key, FName.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                 static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    void SetText(const std::string& text) const { Set(REG_SZ, text + '\0'); }
    void Delete() const
    {
        HKEY key = Open();
        RegDeleteValueA(key, FName.c_str());
        RegCloseKey(key);
    }

private:
    HKEY Open() const
    {
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, CurrentVersionPath.c_str(), 0, KEY_READ | KEY_WRITE | FView, &key),
                  ERROR_SUCCESS);
        return key;
    }

    std::string FName;
    REGSAM FView;
    std::optional<std::pair<DWORD, std::string>> FSaved;
};

class SystemDetailsRegistryTest : public testing::Test {
protected:
    TSavedValue FOrganisation{RegistryNames[0]};
    TSavedValue FOwner{RegistryNames[1]};
    TSavedValue FProgramFiles{RegistryNames[2]};
    TSavedValue FSystemRoot{RegistryNames[3]};
};

TEST_F(SystemDetailsRegistryTest, FourTextValuesOfTheMachinesKeyAreRead)
{
    FOrganisation.SetText("Quality Engineering Ltd");
    FOwner.SetText("Jo Tester");
    FProgramFiles.SetText("D:\\Programs");
    FSystemRoot.Set(REG_EXPAND_SZ, "%SystemDrive%\\WINNT\0"s);
    TQELSystemDetails details(nullptr);
    EXPECT_EQ(details.Organisation(), "Quality Engineering Ltd");
    EXPECT_EQ(details.RegisteredOwner(), "Jo Tester");
    EXPECT_EQ(details.ProgramFilesDir(), "D:\\Programs");
    EXPECT_EQ(details.SystemRoot(), "%SystemDrive%\\WINNT");
    // The component's owner is another matter.
    EXPECT_EQ(details.Owner(), nullptr);
}

TEST_F(SystemDetailsRegistryTest, AValueThatIsNotTextReadsAsEmptyLikeAMissingOne)
{
    FOrganisation.Set(REG_BINARY, "\x01\x02\x03"s);
    FOwner.Set(REG_MULTI_SZ, "one\0two\0\0"s);
    FProgramFiles.Set(REG_DWORD, "\x2A\0\0\0"s); // a number is not text either
    FSystemRoot.SetText("C:\\windows");
    std::optional<TQELSystemDetails> details;
    ASSERT_NO_THROW(details.emplace(nullptr));
    EXPECT_EQ(details->Organisation(), "");
    EXPECT_EQ(details->RegisteredOwner(), "");
    EXPECT_EQ(details->ProgramFilesDir(), "");
    EXPECT_EQ(details->SystemRoot(), "C:\\windows");

    FProgramFiles.Delete();
    EXPECT_EQ(TQELSystemDetails(nullptr).ProgramFilesDir(), "");
}

// Each build reads the key in the registry view of its own kind, as the system gives each program the
// facts of its kind: on 64-bit Windows the 32-bit build sees the WOW6432Node copy of the key, whose
// ProgramFilesDir is the folder of 32-bit programs ("C:\Program Files (x86)").
TEST(SystemDetailsRegistryView, EachBuildReadsTheViewOfItsOwnKind)
{
    const TSavedValue owner64(RegistryNames[1], KEY_WOW64_64KEY);
    const TSavedValue owner32(RegistryNames[1], KEY_WOW64_32KEY);
    owner64.SetText("Owner seen by 64-bit programs");
    owner32.SetText("Owner seen by 32-bit programs");
#ifdef _WIN64
    EXPECT_EQ(TQELSystemDetails(nullptr).RegisteredOwner(), "Owner seen by 64-bit programs");
#else
    EXPECT_EQ(TQELSystemDetails(nullptr).RegisteredOwner(), "Owner seen by 32-bit programs");
#endif
}

// What a replaced RegOpenKeyExA was asked, and whether it refuses.
struct TOpenKeyCall {
    HKEY Root;
    std::string Path;
    REGSAM Access;
};
std::vector<TOpenKeyCall> OpenKeyCalls;
bool RefuseOpenKey = false;

LSTATUS WINAPI RecordRegOpenKeyExA(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY result)
{
    OpenKeyCalls.push_back({root, path ? path : "", access});
    if (RefuseOpenKey)
        return ERROR_FILE_NOT_FOUND;
    return SystemFunction<decltype(RegOpenKeyExA)>("advapi32.dll", "RegOpenKeyExA")(root, path, options, access,
                                                                                     result);
}
static_assert(std::is_same_v<decltype(&RegOpenKeyExA), decltype(&RecordRegOpenKeyExA)>);

TEST_F(SystemDetailsRegistryTest, TheKeyIsOpenedForReadingOnlyAndWithoutItEveryValueIsEmpty)
{
    FOwner.SetText("Jo Tester");
    TImportPatch patch("advapi32.dll", "RegOpenKeyExA", &RecordRegOpenKeyExA);
    OpenKeyCalls.clear();
    RefuseOpenKey = false;
    EXPECT_EQ(TQELSystemDetails(nullptr).RegisteredOwner(), "Jo Tester");
    ASSERT_EQ(OpenKeyCalls.size(), 1u);
    EXPECT_EQ(OpenKeyCalls[0].Root, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(OpenKeyCalls[0].Path, CurrentVersionPath);
    EXPECT_EQ(OpenKeyCalls[0].Access, static_cast<REGSAM>(KEY_READ));

    RefuseOpenKey = true;
    TQELSystemDetails details(nullptr);
    EXPECT_EQ(details.Organisation(), "");
    EXPECT_EQ(details.RegisteredOwner(), "");
    EXPECT_EQ(details.ProgramFilesDir(), "");
    EXPECT_EQ(details.SystemRoot(), "");
}

// ---------------------------------------------------------------------------------------------------
// The machine as the stand-ins describe it

struct TFakeMachine {
    DWORD ProcessorType = PROCESSOR_INTEL_PENTIUM;
    DWORD Platform = VER_PLATFORM_WIN32_NT;
    DWORD Major = 4, Minor = 0, Build = 1381;
    DWORD TotalPhys = 64 * 1024 * 1024;
    std::optional<ULONGLONG> DiskSize = 2ull * 1024 * 1024 * 1024;
    int DiskAnswers = 1000; // how many reads of the size succeed before the drive goes away
    // What the component passed.
    DWORD VersionRecordSize = 0;
    DWORD MemoryRecordLength = 0;
    std::vector<std::string> DiskRoots;
};
TFakeMachine* Machine = nullptr;

void WINAPI FakeGetSystemInfo(LPSYSTEM_INFO info)
{
    SystemFunction<decltype(GetSystemInfo)>("kernel32.dll", "GetSystemInfo")(info);
    info->dwProcessorType = Machine->ProcessorType;
}

BOOL WINAPI FakeGetVersionExA(LPOSVERSIONINFOA info)
{
    Machine->VersionRecordSize = info->dwOSVersionInfoSize;
    info->dwPlatformId = Machine->Platform;
    info->dwMajorVersion = Machine->Major;
    info->dwMinorVersion = Machine->Minor;
    info->dwBuildNumber = Machine->Build;
    std::strcpy(info->szCSDVersion, "");
    return TRUE;
}

void WINAPI FakeGlobalMemoryStatus(LPMEMORYSTATUS status)
{
    Machine->MemoryRecordLength = status->dwLength;
    SystemFunction<decltype(GlobalMemoryStatus)>("kernel32.dll", "GlobalMemoryStatus")(status);
    status->dwTotalPhys = Machine->TotalPhys;
}

BOOL WINAPI FakeGetDiskFreeSpaceExA(LPCSTR root, PULARGE_INTEGER freeToCaller, PULARGE_INTEGER total,
                                    PULARGE_INTEGER totalFree)
{
    Machine->DiskRoots.push_back(root ? root : "(current)");
    if (!Machine->DiskSize || Machine->DiskAnswers-- <= 0) {
        SetLastError(ERROR_NOT_READY);
        return FALSE;
    }
    for (PULARGE_INTEGER out : {freeToCaller, total, totalFree})
        if (out)
            out->QuadPart = *Machine->DiskSize;
    return TRUE;
}

class SystemDetailsTest : public testing::Test {
protected:
    SystemDetailsTest() { Machine = &FMachine; }
    ~SystemDetailsTest() override { Machine = nullptr; }

    TFakeMachine FMachine;
    TImportPatch FSystemInfo{"kernel32.dll", "GetSystemInfo", &FakeGetSystemInfo};
    TImportPatch FVersion{"kernel32.dll", "GetVersionExA", &FakeGetVersionExA};
    TImportPatch FMemory{"kernel32.dll", "GlobalMemoryStatus", &FakeGlobalMemoryStatus};
    TImportPatch FDisk{"kernel32.dll", "GetDiskFreeSpaceExA", &FakeGetDiskFreeSpaceExA};
};

TEST_F(SystemDetailsTest, AnNTMachineOfOldReadsAsSuch)
{
    TQELSystemDetails details(nullptr);
    EXPECT_EQ(details.About(), "(About)");
    EXPECT_EQ(details.CPU(), "Intel Pentium");
    EXPECT_EQ(details.OS(), "Windows NT");
    EXPECT_EQ(details.WinVersion(), "4.0");
    EXPECT_EQ(details.Build(), "1381");
    EXPECT_EQ(details.TotalMemory(), "65536 KB");
    EXPECT_EQ(details.DriveC(), "2048 MB");
    EXPECT_EQ(FMachine.VersionRecordSize, 148u);
    EXPECT_EQ(FMachine.MemoryRecordLength, MemoryStatusSize);
    // Once to learn whether the drive can be read, once more for the figure.
    EXPECT_EQ(FMachine.DiskRoots, (std::vector<std::string>{"C:\\", "C:\\"}));
}

TEST_F(SystemDetailsTest, ProcessorTypesWithoutANameLeaveCPUEmpty)
{
    const std::pair<DWORD, const char*> cases[] = {{PROCESSOR_INTEL_386, "Intel 386"},
                                                   {PROCESSOR_INTEL_486, "Intel 486"},
                                                   {PROCESSOR_INTEL_PENTIUM, "Intel Pentium"},
                                                   {4000, ""},
                                                   {PROCESSOR_AMD_X8664, ""}};
    for (const auto& [type, text] : cases) {
        FMachine.ProcessorType = type;
        EXPECT_EQ(TQELSystemDetails(nullptr).CPU(), text) << "type " << type;
    }
}

TEST_F(SystemDetailsTest, PlatformsAndA95BuildNumberWithVersionInItsHighWord)
{
    const std::pair<DWORD, const char*> platforms[] = {{VER_PLATFORM_WIN32s, "Windows 3.1"},
                                                       {VER_PLATFORM_WIN32_WINDOWS, "Windows 95"},
                                                       {VER_PLATFORM_WIN32_NT, "Windows NT"},
                                                       {3, ""}};
    for (const auto& [platform, text] : platforms) {
        FMachine.Platform = platform;
        EXPECT_EQ(TQELSystemDetails(nullptr).OS(), text) << "platform " << platform;
    }
    FMachine.Platform = VER_PLATFORM_WIN32_WINDOWS;
    FMachine.Major = 4;
    FMachine.Minor = 10;
    FMachine.Build = 0x040A08AE; // 4.10.2222
    TQELSystemDetails details(nullptr);
    EXPECT_EQ(details.WinVersion(), "4.10");
    EXPECT_EQ(details.Build(), "2222");
}

TEST_F(SystemDetailsTest, MemoryAndDriveSizesUseTheirWholeUnsignedRange)
{
    FMachine.TotalPhys = 0xFFFFFFFF;
    FMachine.DiskSize = 3ull << 40; // 3 TB: beyond 32 bits of bytes and of kilobytes
    TQELSystemDetails details(nullptr);
    EXPECT_EQ(details.TotalMemory(), "4194303 KB");
    EXPECT_EQ(details.DriveC(), "3145728 MB");
}

TEST_F(SystemDetailsTest, ADriveCThatCannotBeReadLeavesDriveCEmpty)
{
    FMachine.DiskSize.reset();
    EXPECT_EQ(TQELSystemDetails(nullptr).DriveC(), "");
    EXPECT_EQ(FMachine.DiskRoots, std::vector<std::string>{"C:\\"});
    // Gone between the two reads: still not available, not 0 MB.
    FMachine.DiskSize = 1024 * 1024;
    FMachine.DiskAnswers = 1;
    EXPECT_EQ(TQELSystemDetails(nullptr).DriveC(), "");
    FMachine.DiskAnswers = 1000;
    FMachine.DiskSize = 1024 * 1024 - 1;
    EXPECT_EQ(TQELSystemDetails(nullptr).DriveC(), "0 MB");
}

// ---------------------------------------------------------------------------------------------------
// Screen, user and computer

int ScreenWidth = 0, ScreenHeight = 0;

int WINAPI FakeGetSystemMetrics(int index)
{
    if (index == SM_CXSCREEN)
        return ScreenWidth;
    if (index == SM_CYSCREEN)
        return ScreenHeight;
    return SystemFunction<decltype(GetSystemMetrics)>("user32.dll", "GetSystemMetrics")(index);
}

TEST(SystemDetailsScreen, AnyAssignmentOnlyBringsTheScreenSizeUpToDate)
{
    TQELSystemDetails details(nullptr);
    EXPECT_EQ(details.ScreenWidth(), "1024");
    EXPECT_EQ(details.ScreenHeight(), "768");
    const std::string cpu = details.CPU();
    const std::string memory = details.TotalMemory();

    TImportPatch patch("user32.dll", "GetSystemMetrics", &FakeGetSystemMetrics);
    ScreenWidth = 800;
    ScreenHeight = 600;
    SetPropValue(details, *details.ClassType()->FindProperty("CPU"), "x"s);
    EXPECT_EQ(details.CPU(), cpu);
    EXPECT_EQ(details.TotalMemory(), memory);
    EXPECT_EQ(details.ScreenWidth(), "800");
    EXPECT_EQ(details.ScreenHeight(), "600");

    ScreenWidth = 1280;
    ScreenHeight = 1024;
    details.SetSelfString("");
    EXPECT_EQ(details.ScreenWidth(), "1280");
    EXPECT_EQ(details.ScreenHeight(), "1024");
}

// The names the stand-ins for GetUserNameA and GetComputerNameA give, one a call; failure when none is
// left.
std::vector<std::string> Names;
std::vector<DWORD> NameSizes; // the buffer sizes they were given

// Gives the next name, or fails with error when none is left. size comes back as the system's call
// sets it: the length, with the terminator for a user name, without it for a computer name.
BOOL ServeName(LPSTR buffer, LPDWORD size, DWORD error, DWORD terminator)
{
    NameSizes.push_back(*size);
    if (Names.empty()) {
        SetLastError(error);
        return FALSE;
    }
    std::strcpy(buffer, Names.front().c_str());
    *size = static_cast<DWORD>(Names.front().size()) + terminator;
    Names.erase(Names.begin());
    return TRUE;
}

BOOL WINAPI FakeGetUserNameA(LPSTR buffer, LPDWORD size)
{
    return ServeName(buffer, size, ERROR_NOT_LOGGED_ON, 1);
}

BOOL WINAPI FakeGetComputerNameA(LPSTR buffer, LPDWORD size)
{
    return ServeName(buffer, size, ERROR_INVALID_FUNCTION, 0);
}

TEST(SystemDetailsNames, UserAndComputerAreAskedOnEveryRead)
{
    TQELSystemDetails details(nullptr);
    char user[256], computer[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD userSize = sizeof user, computerSize = sizeof computer;
    ASSERT_TRUE(GetUserNameA(user, &userSize));
    ASSERT_TRUE(GetComputerNameA(computer, &computerSize));
    EXPECT_EQ(details.Username(), user);
    EXPECT_EQ(details.ComputerName(), computer);

    {
        TImportPatch patch("advapi32.dll", "GetUserNameA", &FakeGetUserNameA);
        Names = {"alice", "bob"};
        NameSizes.clear();
        EXPECT_EQ(details.Username(), "alice");
        EXPECT_EQ(details.Username(), "bob");
        EXPECT_EQ(details.Username(), "User not logged on");
        EXPECT_EQ(NameSizes, (std::vector<DWORD>{255, 255, 255}));
    }
    {
        TImportPatch patch("kernel32.dll", "GetComputerNameA", &FakeGetComputerNameA);
        Names = {"BUILDHOST"};
        NameSizes.clear();
        EXPECT_EQ(details.ComputerName(), "BUILDHOST");
        EXPECT_EQ(details.ComputerName(), "Error on locating Computername");
        EXPECT_EQ(NameSizes, (std::vector<DWORD>{255, 255}));
    }
}

TEST(SystemDetailsDescription, NothingIsStoredAndTheOwnerOfTheComponentIsUntouched)
{
    TSysinfoTestForm form(nullptr);
    form.SetName("Form");
    auto* details = new TQELSystemDetails(&form);
    details->SetName("Details");
    EXPECT_EQ(details->Owner(), &form);
    EXPECT_EQ(WriteComponentText(form), "object Form: TSysinfoTestForm\r\n"
                                        "  object Details: TQELSystemDetails\r\n"
                                        "  end\r\n"
                                        "end\r\n");
    // A description that names a value anyway changes nothing but the screen size.
    std::unique_ptr<TSysinfoTestForm> read(ObjectAs<TSysinfoTestForm>(
        TReader("object Form: TSysinfoTestForm\n"
                "  object Details: TQELSystemDetails\n"
                "    Owner = 'Somebody'\n"
                "    OS = 'OS/2'\n"
                "  end\n"
                "end\n")
            .ReadComponent(nullptr)));
    auto* readDetails = ObjectAs<TQELSystemDetails>(read->FindComponent("Details"));
    EXPECT_EQ(readDetails->RegisteredOwner(), details->RegisteredOwner());
    EXPECT_EQ(readDetails->OS(), details->OS());
    EXPECT_EQ(readDetails->Owner(), read.get());
}

} // namespace
