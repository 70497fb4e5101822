// Checks the ground every other test stands on: the test executables are self-contained 32-bit
// Windows programs, they get real windows and message queues, the notification area works on the
// test display, and the shell records the library fills in have their 32-bit sizes.
#include "framework/Win32.h"

#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstddef>

namespace {

constexpr UINT ProbeMessage = WM_USER + 7;

struct TProbeLog {
  int FProbeCount = 0;
  WPARAM FLastWParam = 0;
  bool FDestroyed = false;
};

TProbeLog* GProbeLog = nullptr;

LRESULT CALLBACK ProbeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == ProbeMessage) {
    ++GProbeLog->FProbeCount;
    GProbeLog->FLastWParam = wParam;
    return static_cast<LRESULT>(wParam) * 2;
  }
  if (message == WM_DESTROY) {
    GProbeLog->FDestroyed = true;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// A registered window class and one top-level window of it, for the length of a test.
class WineSmoke : public testing::Test {
protected:
  void SetUp() override {
    GProbeLog = &FLog;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = ProbeWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = ProbeClassName;
    ASSERT_NE(RegisterClassA(&windowClass), 0) << "RegisterClassA failed: " << GetLastError();
    FWindow = CreateWindowExA(0, ProbeClassName, "Harness probe", WS_OVERLAPPEDWINDOW, 10, 10, 200, 100,
                              nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(FWindow, nullptr) << "CreateWindowExA failed: " << GetLastError();
  }

  void TearDown() override {
    if (FWindow != nullptr) {
      DestroyWindow(FWindow);
    }
    UnregisterClassA(ProbeClassName, GetModuleHandleA(nullptr));
    GProbeLog = nullptr;
  }

  static constexpr const char* ProbeClassName = "QELHarnessProbe";
  TProbeLog FLog;
  HWND FWindow = nullptr;
};

TEST_F(WineSmoke, SentMessageReachesTheWindowProcedureAndReturnsItsResult) {
  EXPECT_TRUE(IsWindow(FWindow));
  EXPECT_EQ(GetParent(FWindow), nullptr);

  EXPECT_EQ(SendMessageA(FWindow, ProbeMessage, 21, 0), 42);
  EXPECT_EQ(FLog.FProbeCount, 1);
  EXPECT_EQ(FLog.FLastWParam, 21u);
}

TEST_F(WineSmoke, PostedMessageIsDeliveredByTheMessageLoop) {
  ASSERT_TRUE(PostMessageA(FWindow, ProbeMessage, 5, 0));
  EXPECT_EQ(FLog.FProbeCount, 0) << "posted messages wait in the queue";

  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    DispatchMessageA(&message);
  }
  EXPECT_EQ(FLog.FProbeCount, 1);
  EXPECT_EQ(FLog.FLastWParam, 5u);
}

TEST_F(WineSmoke, DestroyingTheWindowSendsWmDestroy) {
  ASSERT_TRUE(DestroyWindow(FWindow));
  EXPECT_TRUE(FLog.FDestroyed);
  EXPECT_FALSE(IsWindow(FWindow));
  FWindow = nullptr;
}

// Needs a real display driver: with Wine's null driver NIM_ADD fails.
TEST_F(WineSmoke, NotificationAreaAcceptsAnIcon) {
  NOTIFYICONDATAA data{};
  data.cbSize = NOTIFYICONDATAA_V1_SIZE;
  data.hWnd = FWindow;
  data.uFlags = NIF_MESSAGE | NIF_ICON;
  data.uCallbackMessage = WM_USER + 1;
  data.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512));  // IDI_APPLICATION
  ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &data));
  EXPECT_TRUE(Shell_NotifyIconA(NIM_DELETE, &data));
}

// The build is the architecture its toolchain names: a pointer, a handle and a message parameter are
// 8 bytes wide in the x86_64 build, 4 in the i686 one.
TEST(WineSmokeBuild, PointersHaveTheWidthOfTheArchitecture) {
#ifdef _WIN64
  constexpr std::size_t width = 8;
#else
  constexpr std::size_t width = 4;
#endif
  EXPECT_EQ(sizeof(void*), width);
  EXPECT_EQ(sizeof(HWND), width);
  EXPECT_EQ(sizeof(LPARAM), width);
  EXPECT_EQ(sizeof(WPARAM), width);
  EXPECT_EQ(sizeof(LRESULT), width);
  EXPECT_EQ(sizeof(LONG_PTR), width);
}

// Linked statically: a program that needs the compiler's runtime DLLs does not start on a bare system.
TEST(WineSmokeBuild, LoadsNoCompilerRuntimeDll) {
  for (const char* name : {"libstdc++-6.dll", "libgcc_s_dw2-1.dll", "libgcc_s_seh-1.dll", "libwinpthread-1.dll"}) {
    EXPECT_EQ(GetModuleHandleA(name), nullptr) << name;
  }
}

// The library hands these records to the shell with the sizes of their first (Windows 95/NT 4)
// layout, which every later Windows accepts. For the notification record that is not its sizeof
// (508 bytes with _WIN32_WINNT 0x0601, 528 on x86_64) but NOTIFYICONDATAA_V1_SIZE. In the x86_64 build
// handles are 8 bytes wide and aligned to 8, which moves every field after cbSize.
struct TShellLayout {
  std::size_t NotifySize, HWnd, UID, UFlags, UCallbackMessage, HIcon, SzTip, ShellExecuteSize;
};
#ifdef _WIN64
constexpr TShellLayout ShellLayout{104, 8, 16, 20, 24, 32, 40, 112};
#else
constexpr TShellLayout ShellLayout{88, 4, 8, 12, 16, 20, 24, 60};
#endif

TEST(WineSmokeBuild, ShellRecordsHaveTheLayoutOfTheArchitecture) {
  EXPECT_EQ(NOTIFYICONDATAA_V1_SIZE, ShellLayout.NotifySize);
  EXPECT_EQ(offsetof(NOTIFYICONDATAA, hWnd), ShellLayout.HWnd);
  EXPECT_EQ(offsetof(NOTIFYICONDATAA, uID), ShellLayout.UID);
  EXPECT_EQ(offsetof(NOTIFYICONDATAA, uFlags), ShellLayout.UFlags);
  EXPECT_EQ(offsetof(NOTIFYICONDATAA, uCallbackMessage), ShellLayout.UCallbackMessage);
  EXPECT_EQ(offsetof(NOTIFYICONDATAA, hIcon), ShellLayout.HIcon);
  EXPECT_EQ(offsetof(NOTIFYICONDATAA, szTip), ShellLayout.SzTip);

  EXPECT_EQ(sizeof(SHELLEXECUTEINFOA), ShellLayout.ShellExecuteSize);
}

}  // namespace
