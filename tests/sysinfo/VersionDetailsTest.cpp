// TQELVersionDetails on the version record compiled into this test executable (two translations, see
// VersionResource.rc), and on records served by stand-ins for the version calls.
#include "sysinfo/QELTVersionDetails.h"

#include "framework/FormText.h"
#include "framework/Forms.h"
#include "tests/sysinfo/SysinfoTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <optional>

using namespace std::string_literals;

namespace {

using TTexts = std::vector<std::string>;

TTexts Values(const TQELVersionDetails& details)
{
    return {details.CompanyName(),      details.FileDescription(), details.FileVersion(),
            details.InternalName(),     details.LegalCopyright(),  details.OriginalFilename(),
            details.ProductName(),      details.ProductVersion()};
}

TEST(VersionDetails, TheRunningExecutablesRecordIsReadInUSEnglish)
{
    TQELVersionDetails details(nullptr);
    EXPECT_EQ(details.About(), "(About)");
    EXPECT_EQ(Values(details), (TTexts{"QEL Test Bench Inc.", "System information tests", "2.3.4.5", "test_sysinfo",
                                       "Copyright QEL", "test_sysinfo.exe", "QEL System Tests", "2.3"}));
}

TEST(VersionDetails, AssignmentsAreIgnoredAndNothingIsStored)
{
    TSysinfoTestForm form(nullptr);
    form.SetName("Form");
    auto* details = new TQELVersionDetails(&form);
    details->SetName("Version");
    SetPropValue(*details, *details->ClassType()->FindProperty("ProductName"), "Something else"s);
    details->SetDesign("");
    EXPECT_EQ(details->ProductName(), "QEL System Tests");
    EXPECT_EQ(details->CompanyName(), "QEL Test Bench Inc.");
    EXPECT_EQ(WriteComponentText(form), "object Form: TSysinfoTestForm\r\n"
                                        "  object Version: TQELVersionDetails\r\n"
                                        "  end\r\n"
                                        "end\r\n");
}

// ---------------------------------------------------------------------------------------------------
// Records served by stand-ins

constexpr DWORD RecordSize = 64;
constexpr char RecordMark[] = "served record";

struct TFakeRecord {
    std::optional<std::string> Translation; // the raw table; none: the record has no table
    std::map<std::string, std::string> Values; // full path -> text as stored, terminator included
    DWORD Size = RecordSize; // what the size call answers
    bool ReadFails = false;
    // What the stand-ins were given.
    std::vector<std::string> SizeFiles;
    std::vector<std::string> ReadFiles;
    std::vector<DWORD> ReadSizes;
    std::vector<std::string> Queries;
    bool ForeignBlock = false;
};
TFakeRecord* Record = nullptr;

DWORD WINAPI FakeGetFileVersionInfoSizeA(LPCSTR file, LPDWORD handle)
{
    Record->SizeFiles.push_back(file);
    if (handle)
        *handle = 0;
    if (!Record->Size)
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return Record->Size;
}

BOOL WINAPI FakeGetFileVersionInfoA(LPCSTR file, DWORD, DWORD size, LPVOID block)
{
    Record->ReadFiles.push_back(file);
    Record->ReadSizes.push_back(size);
    if (Record->ReadFails) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    std::memcpy(block, RecordMark, sizeof RecordMark);
    return TRUE;
}

BOOL WINAPI FakeVerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, PUINT length)
{
    Record->ForeignBlock |= std::memcmp(block, RecordMark, sizeof RecordMark) != 0;
    Record->Queries.push_back(subBlock);
    std::string* data = nullptr;
    if (std::string(subBlock) == "\\VarFileInfo\\Translation") {
        if (Record->Translation)
            data = &*Record->Translation;
    } else if (auto found = Record->Values.find(subBlock); found != Record->Values.end())
        data = &found->second;
    if (!data) {
        *length = 0;
        return FALSE;
    }
    *buffer = data->data();
    *length = static_cast<UINT>(data->size());
    return TRUE;
}

std::string Entries(std::initializer_list<std::pair<WORD, WORD>> entries)
{
    std::string table;
    for (const auto& [language, codePage] : entries) {
        table.append(reinterpret_cast<const char*>(&language), 2);
        table.append(reinterpret_cast<const char*>(&codePage), 2);
    }
    return table;
}

const char* const ValueNames[] = {"CompanyName",    "FileDescription",  "FileVersion", "InternalName",
                                  "LegalCopyRight", "OriginalFileName", "ProductName", "ProductVersion"};

class VersionDetailsServed : public testing::Test {
protected:
    VersionDetailsServed() { Record = &FRecord; }
    ~VersionDetailsServed() override { Record = nullptr; }

    // Fills the string table under prefix with "<prefix>Name" texts for every value name.
    void FillTable(const std::string& table)
    {
        for (const char* name : ValueNames)
            FRecord.Values[table + name] = table + name + '\0';
    }
    // The values a component reads, and the string table whose values they are.
    TTexts ReadValues()
    {
        FRecord.Queries.clear();
        return Values(TQELVersionDetails(nullptr));
    }
    static TTexts TableValues(const std::string& table)
    {
        TTexts texts;
        for (const char* name : ValueNames)
            texts.push_back(table + name);
        return texts;
    }

    TFakeRecord FRecord;
    TImportPatch FSize{"version.dll", "GetFileVersionInfoSizeA", &FakeGetFileVersionInfoSizeA};
    TImportPatch FRead{"version.dll", "GetFileVersionInfoA", &FakeGetFileVersionInfoA};
    TImportPatch FQuery{"version.dll", "VerQueryValueA", &FakeVerQueryValueA};
};

TEST_F(VersionDetailsServed, TheExecutablesRecordIsReadWhole)
{
    FRecord.Translation = Entries({{0x0409, 0x04E4}});
    FillTable("\\StringFileInfo\\040904E4\\");
    EXPECT_EQ(ReadValues(), TableValues("\\StringFileInfo\\040904E4\\"));
    EXPECT_EQ(FRecord.SizeFiles, TTexts{Application->ExeName()});
    EXPECT_EQ(FRecord.ReadFiles, TTexts{Application->ExeName()});
    EXPECT_EQ(FRecord.ReadSizes, std::vector<DWORD>{RecordSize});
    EXPECT_FALSE(FRecord.ForeignBlock);
    // The fixed information at the root first, though nothing of it is shown.
    TTexts expectedQueries{"\\", "\\VarFileInfo\\Translation"};
    for (const char* name : ValueNames)
        expectedQueries.push_back("\\StringFileInfo\\040904E4\\"s + name);
    EXPECT_EQ(FRecord.Queries, expectedQueries);
}

TEST_F(VersionDetailsServed, TheFirstUSEnglishTranslationWinsElseTheLastOne)
{
    FRecord.Translation = Entries({{0x0407, 0x04E4}});
    FillTable("\\StringFileInfo\\040704E4\\");
    EXPECT_EQ(ReadValues(), TableValues("\\StringFileInfo\\040704E4\\"));
    FillTable("\\StringFileInfo\\040904B0\\");
    FillTable("\\StringFileInfo\\040C04E4\\");
    FRecord.Translation = Entries({{0x0407, 0x04E4}, {0x0409, 0x04B0}, {0x0409, 0x0000}});
    EXPECT_EQ(ReadValues(), TableValues("\\StringFileInfo\\040904B0\\"));
    FRecord.Translation = Entries({{0x0407, 0x04E4}, {0x040C, 0x04E4}});
    EXPECT_EQ(ReadValues(), TableValues("\\StringFileInfo\\040C04E4\\"));
}

TEST_F(VersionDetailsServed, WithoutAWholeTranslationEntryUSEnglishWithCodePageZeroIsRead)
{
    FillTable("\\StringFileInfo\\04090000\\");
    EXPECT_EQ(ReadValues(), TableValues("\\StringFileInfo\\04090000\\"));
    FRecord.Translation = "\x07\x04"s; // half an entry
    EXPECT_EQ(ReadValues(), TableValues("\\StringFileInfo\\04090000\\"));
    // A whole entry and a part of the next: the part is not read.
    FillTable("\\StringFileInfo\\040704E4\\");
    FRecord.Translation = Entries({{0x0407, 0x04E4}}) + "\x09\x04"s;
    EXPECT_EQ(ReadValues(), TableValues("\\StringFileInfo\\040704E4\\"));
}

TEST_F(VersionDetailsServed, AMissingValueReadsEmptyAndATextEndsAtItsTerminator)
{
    FRecord.Translation = Entries({{0x0409, 0x04E4}});
    FRecord.Values["\\StringFileInfo\\040904E4\\CompanyName"] = "QEL\0hidden"s;
    FRecord.Values["\\StringFileInfo\\040904E4\\ProductVersion"] = "";
    EXPECT_EQ(ReadValues(), (TTexts{"QEL", "", "", "", "", "", "", ""}));
}

TEST_F(VersionDetailsServed, WithoutARecordEveryValueStaysAsItWas)
{
    FRecord.Size = 0;
    TQELVersionDetails details(nullptr);
    EXPECT_EQ(Values(details), TTexts(8));
    EXPECT_TRUE(FRecord.ReadFiles.empty());

    FRecord.Size = RecordSize;
    FRecord.Translation = Entries({{0x0409, 0x04E4}});
    FillTable("\\StringFileInfo\\040904E4\\");
    details.ReInitialize();
    EXPECT_EQ(Values(details), TableValues("\\StringFileInfo\\040904E4\\"));

    FRecord.Size = 0;
    details.ReInitialize();
    EXPECT_EQ(Values(details), TableValues("\\StringFileInfo\\040904E4\\"));
    FRecord.Size = RecordSize;
    FRecord.ReadFails = true;
    FRecord.Queries.clear();
    details.ReInitialize();
    EXPECT_EQ(Values(details), TableValues("\\StringFileInfo\\040904E4\\"));
    EXPECT_TRUE(FRecord.Queries.empty());
}

} // namespace
