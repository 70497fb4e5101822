// TQELIllegalAbort: the marker of a run that did not end, proved with forms loaded from descriptions,
// in this process and in child processes that are killed or end normally.
#include "persistence/QELTIllegalAbort.h"

#include "framework/FormText.h"
#include "framework/IniFiles.h"
#include "tests/persistence/ChildProcess.h"
#include "tests/persistence/PersistenceTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(IllegalAbortCreation, ANewComponentHasADefaultStoreWithErrorIntZero)
{
    TQELIllegalAbort component(nullptr);
    EXPECT_EQ(component.About(), "(About)");
    ASSERT_NE(component.ParamStore(), nullptr);
    EXPECT_EQ(component.ParamStore()->ErrorInt(), 0);
    EXPECT_EQ(component.ParamStore()->Registry()->Path(), "Software\\Company\\Product");
    EXPECT_EQ(component.ParamStore()->Registry()->Section(), "MySection");
    EXPECT_FALSE(component.OnIllegalAbort().Assigned());
    // Created by code, it never loads, so it never sets the marker; its destructor then writes 0 to
    // the default location, which this test must not leave behind.
    component.ParamStore()->SetEnabled(false);
}

class IllegalAbortTest : public testing::TestWithParam<TQELDatatype> {
protected:
    bool Registry() const { return GetParam() == sRegistry; }

    // The lines that put the data store property on this test's own location, in section.
    std::string Location(const std::string& property, const std::string& section) const
    {
        if (Registry())
            return "    " + property + ".Registry.Path = '" + FKey.Path() + "'\n"
                   "    " + property + ".Registry.Section = '" + section + "'\n";
        return "    " + property + ".Datatype = sIniFile\n"
               "    " + property + ".Inifile.Filename = '" + FFile.Path() + "'\n"
               "    " + property + ".Inifile.Section = '" + section + "'\n";
    }
    // A form holding the component, its store on this test's own location.
    std::string Description(const std::string& storeLines = {}, const std::string& section = "Run") const
    {
        return "object Form: TPersistenceTestForm\n"
               "  object Detector: TQELIllegalAbort\n"
               "    ParamStore.OnError = StoreError\n" +
               Location("ParamStore", section) + storeLines +
               "    OnIllegalAbort = IllegalAbortDetected\n"
               "  end\n"
               "end\n";
    }
    std::unique_ptr<TPersistenceTestForm> Load(const std::string& description) const
    {
        return std::unique_ptr<TPersistenceTestForm>(
            ObjectAs<TPersistenceTestForm>(TReader(description).ReadComponent(nullptr)));
    }
    // The marker as stored; nothing when absent.
    std::optional<int> Marker(const std::string& section = "Run") const
    {
        if (Registry()) {
            const auto value = RawRegistryValue(HKEY_CURRENT_USER, FKey.Path() + "\\" + section, "IllegalAbort");
            if (!value || value->Type != REG_DWORD)
                return std::nullopt;
            return *reinterpret_cast<const int*>(value->Data.data());
        }
        const int absent = -123456;
        const int value = TIniFile(FFile.Path()).ReadInteger(section, "IllegalAbort", absent);
        return value == absent ? std::nullopt : std::optional<int>(value);
    }
    void SetMarker(int value) const
    {
        if (Registry())
            SetRawRegistryValue(HKEY_CURRENT_USER, FKey.Path() + "\\Run", "IllegalAbort", REG_DWORD,
                                std::string(reinterpret_cast<const char*>(&value), sizeof value));
        else
            TIniFile(FFile.Path()).WriteInteger("Run", "IllegalAbort", value);
    }

    // A component made in code on form, its store on this test's own location.
    TQELIllegalAbort* MakeInCode(TPersistenceTestForm& form) const
    {
        auto* component = new TQELIllegalAbort(&form);
        component->SetOnIllegalAbort(TNotifyEvent(&form, &TPersistenceTestForm::IllegalAbortDetected));
        TQELDataStore& store = *component->ParamStore();
        store.Registry()->SetPath(FKey.Path());
        store.Registry()->SetSection("Run");
        store.Inifile()->SetFilename(FFile.Path());
        store.Inifile()->SetSection("Run");
        store.SetDatatype(GetParam());
        return component;
    }

    TTempRegistryKey FKey;
    TTempIniFile FFile;
};

INSTANTIATE_TEST_SUITE_P(BothStores, IllegalAbortTest, testing::Values(sRegistry, sIniFile),
                         [](const testing::TestParamInfo<TQELDatatype>& info) {
                             return info.param == sRegistry ? "Registry" : "IniFile";
                         });

TEST_P(IllegalAbortTest, AFirstRunFiresNothingAndHoldsTheMarkerUntilItsOrderlyEnd)
{
    auto form = Load(Description());
    EXPECT_EQ(form->IllegalAborts, 0);
    // The absent marker reads as ErrorInt, which the store reports.
    EXPECT_EQ(form->StoreErrors, 1);
    EXPECT_EQ(Marker(), 1);
    form.reset();
    EXPECT_EQ(Marker(), 0);
}

TEST_P(IllegalAbortTest, AfterAnOrderlyEndTheNextLoadFiresNothing)
{
    Load(Description()).reset();
    auto form = Load(Description());
    EXPECT_EQ(form->IllegalAborts, 0);
    EXPECT_EQ(form->StoreErrors, 1); // the stored 0 equals ErrorInt
    EXPECT_EQ(Marker(), 1);
}

TEST_P(IllegalAbortTest, AMarkerLeftAtOneFiresOnceAndIsSetAgain)
{
    SetMarker(1);
    auto form = Load(Description());
    EXPECT_EQ(form->IllegalAborts, 1);
    EXPECT_EQ(form->LastSender, form->FindComponent("Detector"));
    EXPECT_EQ(form->StoreErrors, 0);
    EXPECT_EQ(Marker(), 1);
}

TEST_P(IllegalAbortTest, AnyOtherNumberCountsAsAnOrderlyEndAndIsOverwritten)
{
    SetMarker(2);
    auto form = Load(Description());
    EXPECT_EQ(form->IllegalAborts, 0);
    EXPECT_EQ(Marker(), 1);
}

TEST_P(IllegalAbortTest, AnotherSectionLooksAtAFreshMarker)
{
    SetMarker(1);
    auto form = Load(Description({}, "Other"));
    EXPECT_EQ(form->IllegalAborts, 0);
    EXPECT_EQ(Marker("Other"), 1);
    EXPECT_EQ(Marker("Run"), 1);
}

TEST_P(IllegalAbortTest, ADisabledStoreNeverFiresAndWritesNothing)
{
    SetMarker(1);
    auto form = Load(Description("    ParamStore.Enabled = False\n"));
    EXPECT_EQ(form->IllegalAborts, 0);
    EXPECT_EQ(form->StoreErrors, 0);
    form.reset();
    EXPECT_EQ(Marker(), 1);
}

TEST_P(IllegalAbortTest, AComponentCreatedByCodeNeverSetsTheMarkerButClearsIt)
{
    SetMarker(1);
    TPersistenceTestForm form(nullptr);
    auto* component = MakeInCode(form);
    EXPECT_EQ(Marker(), 1);
    delete component;
    EXPECT_EQ(form.IllegalAborts, 0);
    EXPECT_EQ(Marker(), 0);
}

// Made in code and finished, it does what one read from a description does, once.
TEST_P(IllegalAbortTest, AComponentMadeInCodeAndFinishedReportsAndSetsTheMarkerAsALoadedOne)
{
    SetMarker(1);
    TPersistenceTestForm form(nullptr);
    auto* component = MakeInCode(form);
    form.Finish();
    form.Finish();
    EXPECT_EQ(form.IllegalAborts, 1);
    EXPECT_EQ(form.LastSender, component);
    EXPECT_EQ(Marker(), 1);
    delete component;
    EXPECT_EQ(Marker(), 0);
}

TEST_P(IllegalAbortTest, AKilledRunIsReportedOnceByTheNextLoad)
{
    ASSERT_EQ(RunChild(Description(), TChildEnd::Killed), KilledExitCode);
    // The killed run never reached its orderly end.
    EXPECT_EQ(Marker(), 1);
    auto form = Load(Description());
    EXPECT_EQ(form->IllegalAborts, 1);
    EXPECT_EQ(Marker(), 1);
    form.reset();
    EXPECT_EQ(Marker(), 0);
    // Reported once: the run after an orderly end hears nothing.
    EXPECT_EQ(Load(Description())->IllegalAborts, 0);
}

TEST_P(IllegalAbortTest, ARunThatEndsNormallyLeavesZeroAndTheNextLoadFiresNothing)
{
    ASSERT_EQ(RunChild(Description(), TChildEnd::Normal), 0u);
    EXPECT_EQ(Marker(), 0);
    auto form = Load(Description());
    EXPECT_EQ(form->IllegalAborts, 0);
    EXPECT_EQ(Marker(), 1);
}

// A logoff is an orderly end: the marker is cleared, and a form saver on the same form has stored,
// before the system ends the process.
TEST_P(IllegalAbortTest, ALogoffEndsTheRunInAnOrderlyWay)
{
    const std::string description = "object Session: TForm\n"
                                    "  Left = 120\n  Top = 90\n  Width = 333\n  Height = 222\n"
                                    "  object Detector: TQELIllegalAbort\n" +
                                    Location("ParamStore", "Run") +
                                    "  end\n"
                                    "  object Saver: TQELFormSaver\n" +
                                    Location("FormStore", "Forms") +
                                    "  end\n"
                                    "end\n";
    EXPECT_EQ(RunChildThroughLogoff(description), TRUE) << description;
    EXPECT_EQ(Marker(), 0);
    TQELDataStore store;
    store.SetDatatype(GetParam());
    store.Registry()->SetPath(FKey.Path());
    store.Registry()->SetSection("Forms");
    store.Inifile()->SetFilename(FFile.Path());
    store.Inifile()->SetSection("Forms");
    EXPECT_EQ(store.ReadInt("TForm_WindowState"), 2);
    EXPECT_EQ(store.ReadInt("TForm_Width"), 333);
    EXPECT_EQ(store.ReadInt("TForm_Left"), 120);
}

TEST_P(IllegalAbortTest, ARunningInstanceMakesAnotherOneStartedMeanwhileReport)
{
    auto first = Load(Description());
    auto second = Load(Description());
    EXPECT_EQ(first->IllegalAborts, 0);
    EXPECT_EQ(second->IllegalAborts, 1);
}

} // namespace
