// TQELStartup: the Run value under HKEY_LOCAL_MACHINE, written and deleted for real; missing write
// access and the key's creation at loading observed by patching the executable's registry imports.
#include "persistence/QELTStartup.h"

#include "framework/FormText.h"
#include "tests/persistence/PersistenceTestSupport.h"
#include "tests/support/ImportPatch.h"
#include "tests/support/Processes.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace std::string_literals;

namespace {

const std::string RunPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
// The program's own registry view, the one the component registers in (see docs/stored-settings.md).
constexpr REGSAM RunView = 0;

// What a replaced registry call was given.
struct TRegistryCall {
    HKEY Key;
    std::string Name;
    DWORD Type;
    std::string Data;
};
std::vector<TRegistryCall> RegistryCalls;

LSTATUS WINAPI DeniedRegSetValueExA(HKEY key, LPCSTR name, DWORD, DWORD type, const BYTE* data, DWORD size)
{
    RegistryCalls.push_back({key, name, type, std::string(reinterpret_cast<const char*>(data), size)});
    return ERROR_ACCESS_DENIED;
}
static_assert(std::is_same_v<decltype(&RegSetValueExA), decltype(&DeniedRegSetValueExA)>);

LSTATUS WINAPI RecordedRegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options,
                                       REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY result,
                                       LPDWORD disposition)
{
    RegistryCalls.push_back({key, subKey, 0, {}});
    static const auto original = reinterpret_cast<decltype(&RegCreateKeyExA)>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("advapi32.dll"), "RegCreateKeyExA")));
    return original(key, subKey, reserved, keyClass, options, access, security, result, disposition);
}
static_assert(std::is_same_v<decltype(&RegCreateKeyExA), decltype(&RecordedRegCreateKeyExA)>);

class StartupTest : public testing::Test {
protected:
    StartupTest() : FComponent(nullptr) { RegistryCalls.clear(); }
    ~StartupTest() override
    {
        for (const std::string& name : FNames)
            DeleteRunValue(name);
    }

    // A value name of this test's own; removed from the Run key afterwards.
    std::string NewName()
    {
        FNames.push_back("QELSystmTest-" + std::to_string(GetCurrentProcessId()) + "-" +
                         std::to_string(FNames.size()));
        return FNames.back();
    }
    static std::optional<TRawValue> RunValue(const std::string& name)
    {
        return RawRegistryValue(HKEY_LOCAL_MACHINE, RunPath, name, RunView);
    }
    static void SetRunValue(const std::string& name, const std::string& text)
    {
        SetRawRegistryValue(HKEY_LOCAL_MACHINE, RunPath, name, REG_SZ, text + '\0', RunView);
    }
    static void DeleteRunValue(const std::string& name)
    {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, RunPath.c_str(), 0, KEY_SET_VALUE | RunView, &key) == ERROR_SUCCESS) {
            (void)RegDeleteValueA(key, name.c_str());
            RegCloseKey(key);
        }
    }

    std::vector<std::string> FNames;
    TQELStartup FComponent;
};

TEST_F(StartupTest, ANewComponentIsNotRegistered)
{
    EXPECT_EQ(FComponent.About(), "(About)");
    EXPECT_EQ(FComponent.UniqueName(), "");
    EXPECT_FALSE(FComponent.AutoStartup());
}

TEST_F(StartupTest, WithoutAUniqueNameOnlyThePropertyChanges)
{
    const int before = RawRegistryValueCount(HKEY_LOCAL_MACHINE, RunPath, RunView);
    FComponent.SetAutoStartup(true);
    EXPECT_TRUE(FComponent.AutoStartup());
    EXPECT_FALSE(FComponent.InstallApp(true));
    EXPECT_FALSE(FComponent.InstallApp(false));
    EXPECT_EQ(RawRegistryValueCount(HKEY_LOCAL_MACHINE, RunPath, RunView), before);
}

TEST_F(StartupTest, AutoStartupAddsAndRemovesTheRunValueWithTheExecutablesPath)
{
    const std::string name = NewName();
    FComponent.SetUniqueName(name);
    FComponent.SetAutoStartup(true);
    const auto value = RunValue(name);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->Type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(value->Data, TestExePath() + '\0');

    FComponent.SetAutoStartup(false);
    EXPECT_FALSE(RunValue(name));
}

// Each build registers in its own view: on 64-bit Windows the i686 build's value lies below
// WOW6432Node, where older versions of the library put it, and the x86_64 build's in the 64-bit tree.
TEST_F(StartupTest, TheRunValueIsInTheProgramsOwnRegistryView)
{
    const std::string name = NewName();
    FComponent.SetUniqueName(name);
    FComponent.SetAutoStartup(true);
#ifdef _WIN64
    constexpr REGSAM own = KEY_WOW64_64KEY, other = KEY_WOW64_32KEY;
#else
    constexpr REGSAM own = KEY_WOW64_32KEY, other = KEY_WOW64_64KEY;
#endif
    EXPECT_TRUE(RawRegistryValue(HKEY_LOCAL_MACHINE, RunPath, name, own));
    EXPECT_FALSE(RawRegistryValue(HKEY_LOCAL_MACHINE, RunPath, name, other));
}

TEST_F(StartupTest, InstallAppReportsWhetherItWroteOrDeleted)
{
    const std::string name = NewName();
    FComponent.SetUniqueName(name);
    EXPECT_FALSE(FComponent.InstallApp(false));
    EXPECT_TRUE(FComponent.InstallApp(true));
    EXPECT_FALSE(FComponent.InstallApp(true));
    EXPECT_TRUE(FComponent.InstallApp(false));
    EXPECT_FALSE(RunValue(name));
    // InstallApp leaves the property alone.
    EXPECT_FALSE(FComponent.AutoStartup());
}

TEST_F(StartupTest, AnExistingValueIsLeftAsItIs)
{
    const std::string name = NewName();
    SetRunValue(name, "C:\\Elsewhere\\other.exe");
    FComponent.SetUniqueName(name);
    EXPECT_FALSE(FComponent.InstallApp(true));
    EXPECT_EQ(RunValue(name)->Data, "C:\\Elsewhere\\other.exe"s + '\0');
}

TEST_F(StartupTest, ChangingUniqueNameMovesNothing)
{
    const std::string first = NewName();
    const std::string second = NewName();
    FComponent.SetUniqueName(first);
    FComponent.SetAutoStartup(true);
    FComponent.SetUniqueName(second);
    EXPECT_TRUE(RunValue(first));
    EXPECT_FALSE(RunValue(second));

    FComponent.SetAutoStartup(false); // looks for the new name only
    EXPECT_TRUE(RunValue(first));
    FComponent.SetAutoStartup(true);
    EXPECT_TRUE(RunValue(second));
    EXPECT_TRUE(RunValue(first));
}

TEST_F(StartupTest, SettingTheValueItAlreadyHasCallsNothing)
{
    const std::string name = NewName();
    SetRunValue(name, "kept");
    FComponent.SetUniqueName(name);
    FComponent.SetAutoStartup(false);
    EXPECT_TRUE(RunValue(name)); // an InstallApp(false) would have deleted it

    DeleteRunValue(name);
    FComponent.SetAutoStartup(true);
    EXPECT_TRUE(RunValue(name));
    DeleteRunValue(name);
    FComponent.SetAutoStartup(true);
    EXPECT_FALSE(RunValue(name)); // an InstallApp(true) would have written it again
}

TEST_F(StartupTest, WithoutWriteAccessInstallAppGivesFalseAndRaisesNothing)
{
    const std::string name = NewName();
    FComponent.SetUniqueName(name);
    {
        const TImportPatch denied("advapi32.dll", "RegSetValueExA", &DeniedRegSetValueExA);
        bool result = true;
        EXPECT_NO_THROW(result = FComponent.InstallApp(true));
        EXPECT_FALSE(result);
        EXPECT_NO_THROW(FComponent.SetAutoStartup(true));
    }
    EXPECT_TRUE(FComponent.AutoStartup());
    EXPECT_FALSE(RunValue(name));
    // Both attempts asked for the value the registration consists of.
    ASSERT_EQ(RegistryCalls.size(), 2u);
    for (const TRegistryCall& call : RegistryCalls) {
        EXPECT_EQ(call.Name, name);
        EXPECT_EQ(call.Type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(call.Data, TestExePath() + '\0');
    }
}

TEST_F(StartupTest, InTheDesignerTheRegistryIsNotTouched)
{
    const std::string name = NewName();
    FComponent.SetDesigning(true);
    FComponent.SetUniqueName(name);
    FComponent.SetAutoStartup(true);
    EXPECT_TRUE(FComponent.AutoStartup());
    EXPECT_FALSE(RunValue(name));
}

TEST_F(StartupTest, LoadingAFormStoredWithAutoStartupRegistersTheApplication)
{
    const std::string name = NewName();
    std::unique_ptr<TComponent> form;
    {
        const TImportPatch recorded("advapi32.dll", "RegCreateKeyExA", &RecordedRegCreateKeyExA);
        form.reset(TReader("object Form: TPersistenceTestForm\n"
                           "  object Startup: TQELStartup\n"
                           "    UniqueName = '" + name + "'\n"
                           "    AutoStartup = True\n"
                           "  end\n"
                           "end\n")
                       .ReadComponent(nullptr));
    }
    const auto value = RunValue(name);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->Data, TestExePath() + '\0');
    // The registration (from the property's setter), then Loaded making sure the Run key exists.
    ASSERT_EQ(RegistryCalls.size(), 2u);
    for (const TRegistryCall& call : RegistryCalls) {
        EXPECT_EQ(call.Key, HKEY_LOCAL_MACHINE);
        EXPECT_EQ(call.Name, RunPath);
    }
}

TEST_F(StartupTest, MadeInCodeAndFinishedItDoesWhatLoadingDoes)
{
    const std::string name = NewName();
    TPersistenceTestForm form(nullptr);
    {
        const TImportPatch recorded("advapi32.dll", "RegCreateKeyExA", &RecordedRegCreateKeyExA);
        auto* startup = new TQELStartup(&form);
        startup->SetUniqueName(name);
        startup->SetAutoStartup(true);
        form.Finish();
        form.Finish();
    }
    const auto value = RunValue(name);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->Data, TestExePath() + '\0');
    EXPECT_EQ(RegistryCalls.size(), 2u) << "the registration, then the Run key made sure of once";
}

TEST_F(StartupTest, LoadingAFormInTheDesignerLeavesTheRegistryAlone)
{
    const std::string name = NewName();
    TPersistenceTestForm form(nullptr);
    form.SetDesigning(true);
    const TImportPatch recorded("advapi32.dll", "RegCreateKeyExA", &RecordedRegCreateKeyExA);
    TReader("object Form: TPersistenceTestForm\n"
            "  object Startup: TQELStartup\n"
            "    UniqueName = '" + name + "'\n"
            "    AutoStartup = True\n"
            "  end\n"
            "end\n")
        .ReadRootComponent(&form);
    EXPECT_TRUE(RegistryCalls.empty());
    EXPECT_FALSE(RunValue(name));
}

} // namespace
