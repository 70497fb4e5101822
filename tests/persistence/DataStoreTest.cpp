// TQELDataStore and TQELStoreData on the real registry and real INI files.
#include "persistence/QELTStoreData.h"

#include "framework/IniFiles.h"
#include "framework/Registry.h"
#include "framework/StringList.h"
#include "tests/persistence/PersistenceTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

using namespace std::string_literals;

namespace {

// ---------------------------------------------------------------------------------------------------
// The store on its own

TEST(DataStoreDefaults, ANewStoreHasTheDeclaredInitialValues)
{
    TQELDataStore store;
    EXPECT_EQ(store.ErrorInt(), 0);
    EXPECT_EQ(store.ErrorStr(), "Error");
    EXPECT_FALSE(store.ErrorBool());
    EXPECT_FALSE(store.OnError().Assigned());
    EXPECT_TRUE(store.Enabled());
    EXPECT_EQ(store.Datatype(), sRegistry);
    ASSERT_NE(store.Registry(), nullptr);
    EXPECT_EQ(store.Registry()->Rootkey(), hkeyCurrentUser);
    EXPECT_EQ(store.Registry()->Path(), "Software\\Company\\Product");
    EXPECT_EQ(store.Registry()->Section(), "MySection");
    ASSERT_NE(store.Inifile(), nullptr);
    EXPECT_EQ(store.Inifile()->Filename(), "MyFile.ini");
    EXPECT_EQ(store.Inifile()->Section(), "MySection");
}

TEST(DataStoreDefaults, RootKeysMapToTheirHandles)
{
    // The predefined keys are 32-bit numbers with the top bit set, widened with their sign to a
    // handle's width (0xFFFFFFFF80000000 in a 64-bit program).
    const auto rootKey = [](std::uint32_t number) {
        return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(number)));
    };
    EXPECT_EQ(QELHKeys[hkeyClassesRoot], rootKey(0x80000000));
    EXPECT_EQ(QELHKeys[hkeyCurrentUser], rootKey(0x80000001));
    EXPECT_EQ(QELHKeys[hkeyLocalMachine], rootKey(0x80000002));
    EXPECT_EQ(QELHKeys[hkeyUsers], rootKey(0x80000003));
    EXPECT_EQ(QELHKeys[hkeyCurrentConfig], rootKey(0x80000005));
    EXPECT_EQ(QELHKeys[hkeyDynData], rootKey(0x80000006));
}

TEST(DataStoreDefaults, ANewStoreReadsFromTheDefaultRegistryLocation)
{
    const std::string company = "Software\\Company";
    const bool companyExisted = RawRegistryKeyExists(HKEY_CURRENT_USER, company);
    const std::string name = "QELSystmTest" + std::to_string(GetCurrentProcessId());

    TQELDataStore store;
    TEventCounter errors;
    store.SetOnError(errors.Handler());
    EXPECT_EQ(store.ReadStr(name), "Error");
    EXPECT_EQ(errors.Count, 1);
    EXPECT_EQ(errors.Sender, &store);

    SetRawRegistryValue(HKEY_CURRENT_USER, "Software\\Company\\Product\\MySection", name, REG_SZ, "found"s + '\0');
    const std::string found = store.ReadStr(name);
    if (companyExisted) {
        HKEY section = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Company\\Product\\MySection", 0, KEY_SET_VALUE, &section) ==
            ERROR_SUCCESS) {
            (void)RegDeleteValueA(section, name.c_str());
            RegCloseKey(section);
        }
    } else {
        (void)RegDeleteTreeA(HKEY_CURRENT_USER, company.c_str());
    }
    EXPECT_EQ(found, "found");
    EXPECT_EQ(errors.Count, 1);
}

// ---------------------------------------------------------------------------------------------------
// Every operation on both backing stores

class DataStoreTest : public testing::TestWithParam<TQELDatatype> {
protected:
    DataStoreTest()
    {
        FStore.SetDatatype(GetParam());
        FStore.Registry()->SetPath(FKey.Path());
        FStore.Registry()->SetSection("Values");
        FStore.Inifile()->SetFilename(FFile.Path());
        FStore.Inifile()->SetSection("Values");
        FStore.SetOnError(FErrors.Handler());
    }

    bool Registry() const { return GetParam() == sRegistry; }
    // The stored text of a value as the backing store's own class reads it; nothing when absent.
    std::optional<std::string> Stored(const std::string& name) const
    {
        const std::string absent = "\n(absent)";
        std::string value;
        if (Registry())
            value = TRegIniFile(FKey.Path()).ReadString("Values", name, absent);
        else
            value = TIniFile(FFile.Path()).ReadString("Values", name, absent);
        return value == absent ? std::nullopt : std::optional<std::string>(value);
    }
    // Whether anything at all was written to either backing store.
    bool NothingWritten() const
    {
        return !RawRegistryKeyExists(HKEY_CURRENT_USER, FKey.Path()) && !FFile.Exists();
    }
    // Runs every operation of the store once.
    void RunEveryOperation()
    {
        TStringList list;
        list.Add("untouched");
        (void)FStore.ReadStr("A");
        FStore.ReadStrs(list);
        EXPECT_EQ(list.Text(), "untouched\r\n");
        (void)FStore.ReadCrypt("A");
        FStore.WriteCrypt("A", "x");
        FStore.WriteStr("A", "x");
        (void)FStore.ReadInt("A");
        FStore.WriteInt("A", 1);
        (void)FStore.ReadBool("A");
        FStore.WriteBool("A", true);
        FStore.Erase();
        FStore.DeleteKey("A");
    }

    TTempRegistryKey FKey;
    TTempIniFile FFile;
    TQELDataStore FStore;
    TEventCounter FErrors;
};

INSTANTIATE_TEST_SUITE_P(BothStores, DataStoreTest, testing::Values(sRegistry, sIniFile),
                         [](const testing::TestParamInfo<TQELDatatype>& info) {
                             return info.param == sRegistry ? "Registry" : "IniFile";
                         });

TEST_P(DataStoreTest, TextIntegersAndBooleansRoundTrip)
{
    FStore.WriteStr("Text", "  Some text, \"quoted\"  ");
    EXPECT_EQ(FStore.ReadStr("Text"), "  Some text, \"quoted\"  ");
    EXPECT_EQ(Stored("Text"), "  Some text, \"quoted\"  ");
    for (int value : {0, 1, -1, INT_MIN, INT_MAX}) {
        FStore.WriteInt("Int", value);
        EXPECT_EQ(FStore.ReadInt("Int"), value);
    }
    FStore.WriteBool("Bool", true);
    EXPECT_TRUE(FStore.ReadBool("Bool"));
    FStore.WriteBool("Bool", false);
    FStore.SetErrorBool(true);
    EXPECT_FALSE(FStore.ReadBool("Bool"));
    // Reading 0 into an ErrorInt of 0 above counted as a failure; nothing else did.
    EXPECT_EQ(FErrors.Count, 1);
}

TEST_P(DataStoreTest, AMissingValueReturnsTheFallbackAndFiresOnErrorWithTheStoreAsSender)
{
    EXPECT_EQ(FStore.ReadStr("Missing"), "Error");
    EXPECT_EQ(FErrors.Count, 1);
    EXPECT_EQ(FErrors.Sender, &FStore);
    FStore.SetErrorInt(-7);
    EXPECT_EQ(FStore.ReadInt("Missing"), -7);
    EXPECT_EQ(FErrors.Count, 2);
    EXPECT_EQ(FStore.ReadCrypt("Missing"), "Error");
    EXPECT_EQ(FErrors.Count, 3);
}

TEST_P(DataStoreTest, ReadBoolOfAMissingValueReturnsErrorBoolSilently)
{
    EXPECT_FALSE(FStore.ReadBool("Missing"));
    FStore.SetErrorBool(true);
    EXPECT_TRUE(FStore.ReadBool("Missing"));
    EXPECT_EQ(FErrors.Count, 0);
}

TEST_P(DataStoreTest, AStoredValueEqualToTheFallbackCountsAsAFailure)
{
    FStore.WriteInt("Int", 0);
    EXPECT_EQ(FStore.ReadInt("Int"), 0);
    EXPECT_EQ(FErrors.Count, 1);
    FStore.WriteStr("Text", "Error");
    EXPECT_EQ(FStore.ReadStr("Text"), "Error");
    EXPECT_EQ(FErrors.Count, 2);
    // Comparison with the fallback is exact.
    FStore.WriteStr("Text", "error");
    EXPECT_EQ(FStore.ReadStr("Text"), "error");
    EXPECT_EQ(FErrors.Count, 2);
}

TEST_P(DataStoreTest, ReadCryptOfAMissingValueReturnsErrorStrUnchangedWithOrWithoutAHandler)
{
    EXPECT_EQ(FStore.ReadCrypt("Missing"), "Error");
    FStore.SetOnError({});
    EXPECT_EQ(FStore.ReadCrypt("Missing"), "Error");
}

TEST_P(DataStoreTest, ScrambledTextRoundTripsAndIsStoredShifted)
{
    const std::string text = "Secret password, 100% \"safe\"";
    FStore.WriteCrypt("Crypt", text);
    EXPECT_EQ(FStore.ReadCrypt("Crypt"), text);
    const std::optional<std::string> stored = Stored("Crypt");
    ASSERT_TRUE(stored);
    ASSERT_EQ(stored->size(), text.size());
    // One shift for every character.
    const unsigned char shift = static_cast<unsigned char>((*stored)[0] - text[0]);
    EXPECT_NE(shift, 0);
    for (std::size_t i = 0; i < text.size(); ++i)
        EXPECT_EQ(static_cast<unsigned char>((*stored)[i] - text[i]), shift) << "character " << i;

    // Text written plainly comes back shifted the other way; the scrambled form written plainly
    // reads back unscrambled.
    FStore.WriteStr("Plain", text);
    const std::string unshifted = FStore.ReadCrypt("Plain");
    ASSERT_EQ(unshifted.size(), text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        EXPECT_EQ(static_cast<unsigned char>(text[i] - unshifted[i]), shift) << "character " << i;
    FStore.WriteStr("Plain", *stored);
    EXPECT_EQ(FStore.ReadCrypt("Plain"), text);
}

TEST_P(DataStoreTest, EmptyScrambledTextReadsBackEmpty)
{
    FStore.WriteCrypt("Crypt", "");
    EXPECT_EQ(FStore.ReadCrypt("Crypt"), "");
    EXPECT_EQ(FErrors.Count, 0);
}

TEST_P(DataStoreTest, ReadStrsGivesTheSectionAsNameValueLines)
{
    FStore.WriteStr("Text", "value");
    FStore.WriteInt("Int", 5);
    TStringList list;
    list.Add("replaced");
    FStore.ReadStrs(list);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Values("Text"), "value");
    EXPECT_EQ(list.Values("Int"), "5");
    EXPECT_EQ(FErrors.Count, 0);
}

TEST_P(DataStoreTest, EraseRemovesTheSectionAndDeleteKeyOneValue)
{
    FStore.WriteStr("A", "1");
    FStore.WriteStr("B", "2");
    FStore.WriteStr("C", "3");
    FStore.DeleteKey("B");
    EXPECT_EQ(Stored("A"), "1");
    EXPECT_FALSE(Stored("B"));
    EXPECT_EQ(Stored("C"), "3");
    FStore.Erase();
    EXPECT_FALSE(Stored("A"));
    EXPECT_FALSE(Stored("C"));
    EXPECT_EQ(FErrors.Count, 0);
}

TEST_P(DataStoreTest, SlashesInThePathBecomeBackslashesAtEveryOperation)
{
    using TOperation = void (*)(TQELDataStore&);
    const TOperation operations[] = {
        [](TQELDataStore& store) { (void)store.ReadStr("A"); },
        [](TQELDataStore& store) { store.WriteStr("A", "x"); },
        [](TQELDataStore& store) { store.Erase(); },
        [](TQELDataStore& store) { store.DeleteKey("A"); },
    };
    for (bool enabled : {true, false})
        for (TOperation operation : operations) {
            FStore.SetEnabled(enabled);
            FStore.Registry()->SetPath("Software/QELSystmTests/Slashed/Path");
            operation(FStore);
            EXPECT_EQ(FStore.Registry()->Path(), "Software\\QELSystmTests\\Slashed\\Path");
        }
    (void)RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\QELSystmTests\\Slashed");
}

TEST_P(DataStoreTest, AnEmptySectionFiresOnErrorForEveryOperationAndWritesNothing)
{
    // Only the section of the chosen store counts.
    if (Registry())
        FStore.Registry()->SetSection("");
    else
        FStore.Inifile()->SetSection("");
    RunEveryOperation();
    EXPECT_EQ(FErrors.Count, 11);
    EXPECT_TRUE(NothingWritten());
    EXPECT_EQ(FStore.ReadStr("A"), "Error");
    EXPECT_EQ(FStore.ReadInt("A"), 0);
}

TEST_P(DataStoreTest, AnEmptyLocationMakesEveryOperationDoNothingSilently)
{
    if (Registry())
        FStore.Registry()->SetPath("");
    else
        FStore.Inifile()->SetFilename("");
    RunEveryOperation();
    EXPECT_EQ(FErrors.Count, 0);
    EXPECT_TRUE(NothingWritten());
    EXPECT_EQ(FStore.ReadStr("A"), "Error");
    EXPECT_EQ(FErrors.Count, 0);
}

TEST_P(DataStoreTest, ADisabledStoreDoesNothingAndFiresNothing)
{
    FStore.WriteStr("Kept", "before");
    FStore.SetEnabled(false);
    FStore.SetErrorInt(3);
    EXPECT_EQ(FStore.ReadInt("Kept"), 3);
    EXPECT_EQ(FStore.ReadStr("Kept"), "Error");
    FStore.WriteStr("Kept", "after");
    FStore.Erase();
    RunEveryOperation();
    EXPECT_EQ(FErrors.Count, 0);
    EXPECT_EQ(Stored("Kept"), "before");
}

TEST_P(DataStoreTest, NothingIsCachedBetweenOperations)
{
    FStore.WriteStr("A", "first section");
    FStore.Registry()->SetSection("Other");
    FStore.Inifile()->SetSection("Other");
    EXPECT_EQ(FStore.ReadStr("A"), "Error");
    FStore.WriteStr("A", "second section");
    FStore.Registry()->SetSection("Values");
    FStore.Inifile()->SetSection("Values");
    EXPECT_EQ(FStore.ReadStr("A"), "first section");

    // Changing the backing store takes effect at once as well.
    FStore.SetDatatype(Registry() ? sIniFile : sRegistry);
    EXPECT_EQ(FStore.ReadStr("A"), "Error");
}

TEST_P(DataStoreTest, ErrorsOfTheBackingStoreReachTheCallerAndChangeNothing)
{
    FStore.WriteStr("A", "kept");
    if (Registry()) {
        FStore.Registry()->SetSection(std::string(300, 'k')); // longer than a key name may be
        EXPECT_THROW(FStore.WriteStr("A", "x"), ERegistryException);
    } else {
        EXPECT_THROW(FStore.WriteStr("A", "two\r\nlines"), EIniFileException);
    }
    FStore.Registry()->SetSection("Values");
    EXPECT_EQ(FStore.ReadStr("A"), "kept");
    EXPECT_EQ(FErrors.Count, 0);
}

TEST(DataStoreRootKeys, TheRootKeyChoosesTheRegistryRoot)
{
    const std::string path = "Software\\QELSystmTests-" + std::to_string(GetCurrentProcessId());
    for (const auto& [rootkey, root] : {std::pair{hkeyLocalMachine, HKEY_LOCAL_MACHINE},
                                        std::pair{hkeyCurrentConfig, HKEY_CURRENT_CONFIG},
                                        std::pair{hkeyDynData, HKEY_DYN_DATA}}) {
        TQELDataStore store;
        store.Registry()->SetPath(path);
        store.Registry()->SetSection("S");
        store.Registry()->SetRootkey(rootkey);
        store.WriteStr("N", "v");
        const bool there = RawRegistryValue(root, path + "\\S", "N").has_value();
        (void)RegDeleteTreeA(root, path.c_str());
        EXPECT_TRUE(there) << EnumTypeInfo(rootkey).NameOf(rootkey);
        EXPECT_FALSE(RawRegistryKeyExists(HKEY_CURRENT_USER, path));
    }
}

// ---------------------------------------------------------------------------------------------------
// The component

class StoreDataTest : public testing::Test {
protected:
    StoreDataTest() : FComponent(nullptr)
    {
        FComponent.DataStore()->Registry()->SetPath(FKey.Path());
        FComponent.DataStore()->SetOnError(FStoreErrors.Handler());
        FComponent.SetOnError(FComponentErrors.Handler());
    }

    TTempRegistryKey FKey;
    TQELStoreData FComponent;
    TEventCounter FStoreErrors;
    TEventCounter FComponentErrors;
};

TEST_F(StoreDataTest, ANewComponentHasADefaultStore)
{
    TQELStoreData component(nullptr);
    EXPECT_EQ(component.About(), "(About)");
    EXPECT_FALSE(component.OnError().Assigned());
    ASSERT_NE(component.DataStore(), nullptr);
    EXPECT_EQ(component.DataStore()->ErrorStr(), "Error");
    EXPECT_EQ(component.DataStore()->Registry()->Path(), "Software\\Company\\Product");
}

TEST_F(StoreDataTest, FailuresAreReportedByTheStoreNotByTheComponent)
{
    EXPECT_EQ(FComponent.ReadStr("Missing"), "Error");
    EXPECT_EQ(FStoreErrors.Count, 1);
    EXPECT_EQ(FStoreErrors.Sender, FComponent.DataStore());
    EXPECT_EQ(FComponentErrors.Count, 0);
}

TEST_F(StoreDataTest, EveryOperationReachesTheStore)
{
    FComponent.WriteStr("Text", "text");
    FComponent.WriteCrypt("Crypt", "secret");
    FComponent.WriteInt("Int", 42);
    FComponent.WriteBool("Bool", true);
    EXPECT_EQ(FComponent.ReadStr("Text"), "text");
    EXPECT_EQ(FComponent.ReadCrypt("Crypt"), "secret");
    EXPECT_NE(RawRegistryValue(HKEY_CURRENT_USER, FKey.Path() + "\\MySection", "Crypt")->Data, "secret"s + '\0');
    EXPECT_EQ(FComponent.ReadInt("Int"), 42);
    EXPECT_TRUE(FComponent.ReadBool("Bool"));
    TStringList list;
    FComponent.ReadStrs(list);
    EXPECT_EQ(list.Count(), 4);
    FComponent.DeleteKey("Text");
    EXPECT_EQ(RawRegistryValueCount(HKEY_CURRENT_USER, FKey.Path() + "\\MySection"), 3);
    FComponent.Erase();
    EXPECT_FALSE(RawRegistryKeyExists(HKEY_CURRENT_USER, FKey.Path() + "\\MySection"));
    EXPECT_EQ(FStoreErrors.Count, 0);
}

TEST_F(StoreDataTest, AnIniStoreWithoutAFileNameDoesNothingSilently)
{
    FComponent.DataStore()->SetDatatype(sIniFile);
    FComponent.DataStore()->Inifile()->SetFilename("");
    FComponent.WriteStr("A", "x");
    FComponent.WriteCrypt("A", "x");
    FComponent.WriteInt("A", 1);
    FComponent.WriteBool("A", true);
    EXPECT_EQ(FComponent.ReadStr("A"), "Error");
    EXPECT_EQ(FComponent.ReadCrypt("A"), "Error");
    EXPECT_EQ(FComponent.ReadInt("A"), 0);
    EXPECT_FALSE(FComponent.ReadBool("A"));
    TStringList list;
    list.Add("untouched");
    FComponent.ReadStrs(list);
    EXPECT_EQ(list.Count(), 1);
    FComponent.DeleteKey("A");
    FComponent.Erase();
    EXPECT_EQ(FStoreErrors.Count, 0);
    EXPECT_EQ(FComponentErrors.Count, 0);
}

} // namespace
