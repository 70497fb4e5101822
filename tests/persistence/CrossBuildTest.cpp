// What the i686 and the x86_64 build store is the same: a form description, an INI file and registry
// values written by one build read the same in the other, and are the bytes the other writes itself.
//
// scripts/cross-build-test.sh (the last step of `make test`) runs these tests in both builds in one
// Wine prefix: with QEL_CROSS_BUILD_STEP=write in one build, then =read in the other, and the other
// way round, in the folder QEL_CROSS_BUILD_DIR. In a plain run of the suite one process writes and
// reads in a folder of its own.
#include "persistence/QELTStoreData.h"

#include "framework/FormText.h"
#include "tests/persistence/PersistenceTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>

using namespace std::string_literals;

namespace {

// Where and what this run does.
struct TCrossRun {
    std::string Prefix; // of the files' paths: the folder with a backslash, or that and a name of its own
    bool Write = true;
    bool Read = true;

    // Files this process only wrote are the other build's to read; the others go.
    void Done(const std::string& path) const
    {
        if (Read)
            (void)DeleteFileA(path.c_str());
    }
};

const TCrossRun& CrossRun()
{
    static const TCrossRun run = [] {
        TCrossRun result;
        const char* folder = std::getenv("QEL_CROSS_BUILD_DIR");
        const char* step = std::getenv("QEL_CROSS_BUILD_STEP");
        if (folder && *folder) {
            result.Prefix = std::string(folder) + "\\";
            result.Write = step && step == "write"s;
            result.Read = step && step == "read"s;
        } else {
            char temp[MAX_PATH + 1] = {};
            (void)GetTempPathA(sizeof temp, temp);
            result.Prefix = temp + "QELCrossBuild-"s + std::to_string(GetCurrentProcessId()) + "-";
        }
        return result;
    }();
    return run;
}

std::string FileContent(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

void SetFileContent(const std::string& path, const std::string& content)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << content;
    ASSERT_TRUE(file.good()) << path;
}

// Text in the system's code page (1252) beyond ASCII, with bytes the scrambling moves across 0x80.
const std::string Text = "Gr\xFC\xDF" "e, 100 \x80 \x84quoted\x93 - \xE9t\xE9";

// The values, written through a store.
void WriteValues(TQELDataStore& store)
{
    store.WriteStr("Text", Text);
    store.WriteCrypt("Scrambled", Text);
    store.WriteInt("Smallest", INT_MIN + 1);
    store.WriteInt("Largest", INT_MAX);
    store.WriteBool("Flag", true);
}

void ExpectValues(TQELDataStore& store)
{
    TEventCounter errors;
    store.SetOnError(errors.Handler());
    EXPECT_EQ(store.ReadStr("Text"), Text);
    EXPECT_EQ(store.ReadCrypt("Scrambled"), Text);
    EXPECT_EQ(store.ReadInt("Smallest"), INT_MIN + 1);
    EXPECT_EQ(store.ReadInt("Largest"), INT_MAX);
    EXPECT_TRUE(store.ReadBool("Flag"));
    EXPECT_EQ(errors.Count, 0);
}

const char* const ValueNames[] = {"Text", "Scrambled", "Smallest", "Largest", "Flag"};

const std::string RegistryPath = "Software\\QELSystmTests";
const std::string RegistrySection = "CrossBuild";

void UseRegistry(TQELDataStore& store, const std::string& section)
{
    store.SetDatatype(sRegistry);
    store.Registry()->SetRootkey(hkeyCurrentUser);
    store.Registry()->SetPath(RegistryPath);
    store.Registry()->SetSection(section);
}

void UseIniFile(TQELDataStore& store, const std::string& path)
{
    store.SetDatatype(sIniFile);
    store.Inifile()->SetFilename(path);
    store.Inifile()->SetSection("Cross Build");
}

// Writes the values through a store placed by place(store, false) when this run writes. When it
// reads, reads them back from there and writes them again through a store placed by place(store, true),
// where the test finds what this build stores itself; false when it does not read.
bool WriteAndRead(const TCrossRun& run, const std::function<void(TQELDataStore& store, bool own)>& place)
{
    if (run.Write) {
        TQELDataStore store;
        place(store, false);
        WriteValues(store);
    }
    if (!run.Read)
        return false;
    TQELDataStore theirs;
    place(theirs, false);
    ExpectValues(theirs);
    TQELDataStore own;
    place(own, true);
    WriteValues(own);
    return true;
}

TEST(CrossBuild, RegistryValuesReadTheSameAndAreStoredAlike)
{
    const std::string theirs = RegistryPath + "\\" + RegistrySection;
    const std::string own = theirs + "-Own";
    if (!WriteAndRead(CrossRun(), [](TQELDataStore& store, bool isOwn) {
            UseRegistry(store, isOwn ? RegistrySection + "-Own" : RegistrySection);
        }))
        return;
    for (const char* name : ValueNames) {
        const auto written = RawRegistryValue(HKEY_CURRENT_USER, theirs, name);
        const auto expected = RawRegistryValue(HKEY_CURRENT_USER, own, name);
        ASSERT_TRUE(written) << name;
        ASSERT_TRUE(expected) << name;
        EXPECT_EQ(written->Type, expected->Type) << name;
        EXPECT_EQ(written->Data, expected->Data) << name;
    }
    (void)RegDeleteTreeA(HKEY_CURRENT_USER, theirs.c_str());
    (void)RegDeleteTreeA(HKEY_CURRENT_USER, own.c_str());
}

TEST(CrossBuild, AnIniFileReadsTheSameAndHoldsTheSameBytes)
{
    const TCrossRun& run = CrossRun();
    const std::string theirs = run.Prefix + "cross.ini";
    const std::string own = run.Prefix + "own.ini";
    if (WriteAndRead(run, [&](TQELDataStore& store, bool isOwn) { UseIniFile(store, isOwn ? own : theirs); })) {
        const std::string content = FileContent(theirs);
        EXPECT_NE(content.find("Text=" + Text), std::string::npos) << content;
        EXPECT_EQ(content, FileContent(own));
        run.Done(own);
    }
    run.Done(theirs);
}

// Every kind of value a description holds: integers at their ends, text beyond ASCII (as # codes where
// the writer uses them), Booleans, enumerations, nested objects and an event.
const std::string Description = "object Form: TPersistenceTestForm\r\n"
                                "  object Data: TQELStoreData\r\n"
                                "    OnError = StoreError\r\n"
                                "    DataStore.ErrorInt = -2147483647\r\n"
                                "    DataStore.ErrorStr = 'Gr'#252#223'e '#128' and '#39'quotes'#39\r\n"
                                "    DataStore.ErrorBool = True\r\n"
                                "    DataStore.Enabled = False\r\n"
                                "    DataStore.Datatype = sIniFile\r\n"
                                "    DataStore.Registry.Rootkey = hkeyLocalMachine\r\n"
                                "    DataStore.Registry.Path = 'Software\\Cross'\r\n"
                                "    DataStore.Registry.Section = ''\r\n"
                                "    DataStore.Inifile.Filename = 'C:\\Settings\\cross.ini'\r\n"
                                "    DataStore.Inifile.Section = 'Cross'\r\n"
                                "  end\r\n"
                                "end\r\n";

std::string Rewritten(const std::string& description)
{
    const std::unique_ptr<TComponent> form(TReader(description).ReadComponent(nullptr));
    const auto* data = ObjectAs<TQELStoreData>(form->FindComponent("Data"));
    EXPECT_EQ(data->DataStore()->ErrorInt(), -2147483647);
    EXPECT_EQ(data->DataStore()->ErrorStr(), "Gr\xFC\xDF" "e \x80 and 'quotes'");
    EXPECT_EQ(data->DataStore()->Datatype(), sIniFile);
    EXPECT_EQ(data->DataStore()->Registry()->Rootkey(), hkeyLocalMachine);
    return WriteComponentText(*form);
}

TEST(CrossBuild, AFormDescriptionReadsTheSameAndIsWrittenAlike)
{
    const TCrossRun& run = CrossRun();
    const std::string path = run.Prefix + "cross.qfm";
    if (run.Write)
        SetFileContent(path, Rewritten(Description));
    if (run.Read) {
        const std::string theirs = FileContent(path);
        ASSERT_FALSE(theirs.empty()) << path;
        EXPECT_EQ(Rewritten(theirs), theirs);
        EXPECT_EQ(Rewritten(Description), theirs);
    }
    run.Done(path);
}

} // namespace
