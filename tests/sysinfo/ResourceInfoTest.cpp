// TQELResourceInfo: its figures from stand-ins for the memory, disk, key-state and clock calls, and its
// one-second timer running for real in the thread's message loop.
#include "sysinfo/QELTResourceInfo.h"

#include "framework/DateTime.h"
#include "framework/FormText.h"
#include "tests/framework/WindowTesting.h"
#include "tests/sysinfo/SysinfoTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>

using namespace std::string_literals;
using WindowTesting::PumpFor;
using WindowTesting::PumpUntil;

namespace {

constexpr ULONGLONG MB = 1024 * 1024;

// The machine as the stand-ins describe it, and what they were asked.
struct TFakeResources {
    MEMORYSTATUS Memory{sizeof(MEMORYSTATUS), 42, 32 * MB, 10 * MB + 1023, 300 * MB, 100 * MB, 0x7FFE0000, 0x70000000};
    std::optional<ULONGLONG> DriveFree = 100 * MB;
    std::optional<ULONGLONG> DriveSize = 1ull << 40;
    std::map<int, SHORT> KeyStates{{VK_NUMLOCK, 1}, {VK_CAPITAL, 0}, {VK_SCROLL, 0}};
    std::vector<SYSTEMTIME> Clock; // the times GetLocalTime gives, the last one again and again
    DWORD MemoryRecordLength = 0;
    std::vector<std::string> DiskRoots;
    std::vector<int> KeysRead;
    int ClockReads = 0;
};
TFakeResources* Fake = nullptr;

void WINAPI FakeGlobalMemoryStatus(LPMEMORYSTATUS status)
{
    Fake->MemoryRecordLength = status->dwLength;
    *status = Fake->Memory;
}

BOOL WINAPI FakeGetDiskFreeSpaceExA(LPCSTR root, PULARGE_INTEGER freeToCaller, PULARGE_INTEGER total,
                                    PULARGE_INTEGER totalFree)
{
    Fake->DiskRoots.push_back(root ? root : "(current)");
    if (!Fake->DriveFree || !Fake->DriveSize) {
        SetLastError(ERROR_NOT_READY);
        return FALSE;
    }
    if (freeToCaller)
        freeToCaller->QuadPart = *Fake->DriveFree;
    if (total)
        total->QuadPart = *Fake->DriveSize;
    if (totalFree)
        totalFree->QuadPart = *Fake->DriveFree;
    return TRUE;
}

SHORT WINAPI FakeGetKeyState(int key)
{
    Fake->KeysRead.push_back(key);
    return Fake->KeyStates[key];
}

void WINAPI FakeGetLocalTime(LPSYSTEMTIME time)
{
    ++Fake->ClockReads;
    if (Fake->Clock.empty()) {
        SystemFunction<decltype(GetLocalTime)>("kernel32.dll", "GetLocalTime")(time);
        return;
    }
    *time = Fake->Clock.front();
    if (Fake->Clock.size() > 1)
        Fake->Clock.erase(Fake->Clock.begin());
}

SYSTEMTIME At(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second, WORD msec)
{
    SYSTEMTIME time{};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    time.wSecond = second;
    time.wMilliseconds = msec;
    return time;
}

class ResourceInfoTest : public testing::Test {
protected:
    ResourceInfoTest() : FForm(nullptr)
    {
        Fake = &FFake;
        FForm.SetName("Form");
    }
    ~ResourceInfoTest() override { Fake = nullptr; }

    TQELResourceInfo* NewMonitor()
    {
        auto* monitor = new TQELResourceInfo(&FForm);
        monitor->SetName("Monitor");
        return monitor;
    }

    TFakeResources FFake;
    TImportPatch FMemory{"kernel32.dll", "GlobalMemoryStatus", &FakeGlobalMemoryStatus};
    TImportPatch FDisk{"kernel32.dll", "GetDiskFreeSpaceExA", &FakeGetDiskFreeSpaceExA};
    TImportPatch FKeys{"user32.dll", "GetKeyState", &FakeGetKeyState};
    TImportPatch FClock{"kernel32.dll", "GetLocalTime", &FakeGetLocalTime};
    TSysinfoTestForm FForm;
};

TEST_F(ResourceInfoTest, TheFiguresOfMemoryAndOfTheCurrentDrive)
{
    TQELResourceInfo* monitor = NewMonitor();
    EXPECT_EQ(monitor->About(), "(About)");
    EXPECT_EQ(FFake.MemoryRecordLength, MemoryStatusSize);
    EXPECT_EQ(monitor->MemoryPercInUse(), "42 Percent");
    EXPECT_EQ(monitor->PhysMemTotal(), "32768 KB");
    EXPECT_EQ(monitor->PhysMemFree(), "10240 KB");
    EXPECT_EQ(monitor->PageFileUsed(), "200 MB");
    EXPECT_EQ(monitor->VirtualMemUsed(), "262016 KB");
    // Units of 1024000 bytes, whole ones; a drive beyond 32 bits of bytes too.
    EXPECT_EQ(monitor->CurrDriveFree(), "102 MB");
    EXPECT_EQ(monitor->CurrDriveSize(), "1073741 MB");
    EXPECT_EQ(FFake.DiskRoots, (std::vector<std::string>{"(current)", "(current)"}));
}

TEST_F(ResourceInfoTest, MoreAvailableThanInTotalReadsAsANegativeUseTruncatedTowardZero)
{
    // Wine reports more available page file than in total. Used is total less available, whole units
    // cut toward zero: never a wrapped 32-bit difference, never rounded down past it.
    FFake.Memory.dwAvailPageFile = FFake.Memory.dwTotalPageFile + 5 * MB + MB / 2;
    FFake.Memory.dwAvailVirtual = FFake.Memory.dwTotalVirtual + 2047;
    FFake.Memory.dwTotalPhys = 0xFFFFFFFF;
    FFake.Memory.dwAvailPhys = 0xFFFFFC00;
    TQELResourceInfo* monitor = NewMonitor();
    EXPECT_EQ(monitor->PageFileUsed(), "-5 MB");
    EXPECT_EQ(monitor->VirtualMemUsed(), "-1 KB");
    EXPECT_EQ(monitor->PhysMemTotal(), "4194303 KB");
    EXPECT_EQ(monitor->PhysMemFree(), "4194303 KB");

    FFake.Memory.dwAvailPageFile = FFake.Memory.dwTotalPageFile + MB - 1;
    FFake.Memory.dwTotalVirtual = 0xFFFFFFFF;
    FFake.Memory.dwAvailVirtual = 0;
    monitor->SetAll("");
    EXPECT_EQ(monitor->PageFileUsed(), "0 MB");
    EXPECT_EQ(monitor->VirtualMemUsed(), "4194303 KB");
}

TEST_F(ResourceInfoTest, ACurrentDriveThatCannotBeReadShowsNoSpace)
{
    FFake.DriveFree.reset();
    TQELResourceInfo* monitor = NewMonitor();
    EXPECT_EQ(monitor->CurrDriveFree(), "0 MB");
    EXPECT_EQ(monitor->CurrDriveSize(), "0 MB");
}

TEST_F(ResourceInfoTest, LockKeysReadTheirToggleBitOnlyAndAreNeverChanged)
{
    FFake.KeyStates = {{VK_NUMLOCK, 1}, {VK_CAPITAL, static_cast<SHORT>(0x8000)}, {VK_SCROLL, static_cast<SHORT>(0xFF81)}};
    TQELResourceInfo* monitor = NewMonitor();
    EXPECT_EQ(FFake.KeysRead, (std::vector<int>{VK_NUMLOCK, VK_CAPITAL, VK_SCROLL}));
    EXPECT_TRUE(monitor->NumLock());
    EXPECT_FALSE(monitor->CapsLock()); // held down, not toggled on
    EXPECT_TRUE(monitor->ScrollLock());

    FFake.KeysRead.clear();
    FFake.KeyStates[VK_NUMLOCK] = 0;
    const TClass cls = monitor->ClassType();
    SetPropValue(*monitor, *cls->FindProperty("CapsLock"), std::int64_t{1});
    EXPECT_FALSE(monitor->CapsLock());
    SetPropValue(*monitor, *cls->FindProperty("NumLock"), std::int64_t{1});
    EXPECT_FALSE(monitor->NumLock());
    FFake.KeyStates[VK_SCROLL] = 0;
    monitor->SetScroll(true);
    EXPECT_FALSE(monitor->ScrollLock());
    EXPECT_EQ(FFake.KeysRead, (std::vector<int>{VK_CAPITAL, VK_NUMLOCK, VK_SCROLL}));
}

TEST_F(ResourceInfoTest, TimeAndDateComeFromOneReadingOfTheClock)
{
    FFake.Clock = {At(1999, 12, 31, 23, 59, 59, 999), At(2000, 1, 1, 0, 0, 0, 0)};
    TQELResourceInfo* monitor = NewMonitor();
    EXPECT_EQ(FFake.ClockReads, 1);
    EXPECT_EQ(monitor->CurrentTime(), TimeToStr(EncodeTime(23, 59, 59, 0)));
    EXPECT_EQ(monitor->CurrentDate(), DateToStr(EncodeDate(1999, 12, 31)));

    monitor->SetAll("");
    EXPECT_EQ(monitor->CurrentTime(), TimeToStr(EncodeTime(0, 0, 0, 0)));
    EXPECT_EQ(monitor->CurrentDate(), DateToStr(EncodeDate(2000, 1, 1)));
}

TEST_F(ResourceInfoTest, AssigningAnyTextRefreshesEverythingButFiresNothing)
{
    TQELResourceInfo* monitor = NewMonitor();
    monitor->SetOnNewValues(TNotifyEvent(&FForm, &TSysinfoTestForm::NewValues));
    FFake.Memory.dwMemoryLoad = 77;
    FFake.DriveFree = 2048000;
    FFake.KeyStates[VK_CAPITAL] = 1;
    FFake.Clock = {At(2024, 2, 29, 13, 14, 15, 0)};
    SetPropValue(*monitor, *monitor->ClassType()->FindProperty("CurrentTime"), "x"s);
    EXPECT_EQ(monitor->MemoryPercInUse(), "77 Percent");
    EXPECT_EQ(monitor->CurrDriveFree(), "2 MB");
    EXPECT_TRUE(monitor->CapsLock());
    EXPECT_EQ(monitor->CurrentTime(), TimeToStr(EncodeTime(13, 14, 15, 0)));
    EXPECT_EQ(monitor->CurrentDate(), DateToStr(EncodeDate(2024, 2, 29)));
    EXPECT_TRUE(FForm.Log.empty());
}

// The handler sees the values of the refresh that came just before it.
struct TLoadRecorder : TObject {
    void Record(TObject* sender) { Loads.push_back(static_cast<TQELResourceInfo*>(sender)->MemoryPercInUse()); }
    std::vector<std::string> Loads;
};

TEST_F(ResourceInfoTest, EverySecondARefreshThenOnNewValues)
{
    TQELResourceInfo* monitor = NewMonitor();
    TLoadRecorder recorder;
    monitor->SetOnNewValues(TNotifyEvent(&recorder, &TLoadRecorder::Record));
    // Its own timer, a second, drives it; here the test gives the ticks.
    ASSERT_EQ(monitor->ComponentCount(), 1);
    auto* timer = dynamic_cast<TTimer*>(monitor->Components(0));
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->Interval(), 1000);
    EXPECT_TRUE(timer->Enabled());
    FFake.Memory.dwMemoryLoad = 50;
    EXPECT_TRUE(recorder.Loads.empty()); // not before the first tick
    timer->OnTimer()(timer);
    FFake.Memory.dwMemoryLoad = 51;
    EXPECT_EQ(recorder.Loads, std::vector<std::string>{"50 Percent"});
    timer->OnTimer()(timer);
    EXPECT_EQ(recorder.Loads, (std::vector<std::string>{"50 Percent", "51 Percent"}));
}

TEST_F(ResourceInfoTest, WithoutAHandlerTheValuesStillRefreshEverySecond)
{
    TQELResourceInfo* monitor = NewMonitor();
    FFake.Memory.dwMemoryLoad = 99;
    EXPECT_TRUE(PumpUntil([&] { return monitor->MemoryPercInUse() == "99 Percent"; }));
}

TEST_F(ResourceInfoTest, ADestroyedMonitorTicksNoMore)
{
    TQELResourceInfo* monitor = NewMonitor();
    monitor->SetOnNewValues(TNotifyEvent(&FForm, &TSysinfoTestForm::NewValues));
    ASSERT_TRUE(PumpUntil([&] { return !FForm.Log.empty(); }));
    delete monitor;
    FForm.Log.clear();
    const int reads = static_cast<int>(FFake.DiskRoots.size());
    PumpFor(1300);
    EXPECT_TRUE(FForm.Log.empty());
    EXPECT_EQ(static_cast<int>(FFake.DiskRoots.size()), reads);
}

TEST_F(ResourceInfoTest, ADescriptionStoresOnlyTheHandlerAndTheMonitorRunsOnceRead)
{
    TQELResourceInfo* monitor = NewMonitor();
    monitor->SetOnNewValues(TNotifyEvent(&FForm, &TSysinfoTestForm::NewValues));
    const std::string text = WriteComponentText(FForm);
    EXPECT_EQ(text, "object Form: TSysinfoTestForm\r\n"
                    "  object Monitor: TQELResourceInfo\r\n"
                    "    OnNewValues = NewValues\r\n"
                    "  end\r\n"
                    "end\r\n");
    delete monitor;
    std::unique_ptr<TSysinfoTestForm> form(ObjectAs<TSysinfoTestForm>(TReader(text).ReadComponent(nullptr)));
    EXPECT_TRUE(PumpUntil([&] { return !form->Log.empty(); }));
    EXPECT_EQ(form->Log.front(), "Monitor.NewValues");
}

} // namespace
