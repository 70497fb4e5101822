// The persistence components in form descriptions: which properties a description holds (declared
// defaults and stored rules), and that reading it back restores them.
#include "persistence/QELTIllegalAbort.h"
#include "persistence/QELTStartup.h"
#include "persistence/QELTStoreData.h"

#include "framework/FormText.h"
#include "tests/persistence/PersistenceTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// Descriptions are written with CR LF line ends; the expectations are written with "\n".
std::string Lines(std::string_view text)
{
    std::string result;
    for (char c : text)
        result.append(c == '\n' ? "\r\n" : std::string(1, c));
    return result;
}

std::unique_ptr<TPersistenceTestForm> Read(const std::string& description)
{
    return std::unique_ptr<TPersistenceTestForm>(
        ObjectAs<TPersistenceTestForm>(TReader(description).ReadComponent(nullptr)));
}

class StreamingTest : public testing::Test {
protected:
    StreamingTest() : FForm(nullptr) { FForm.SetName("Form"); }

    template <class T>
    T* Add(const std::string& name)
    {
        auto* component = new T(&FForm);
        component->SetName(name);
        return component;
    }
    TNotifyEvent FormMethod(void (TPersistenceTestForm::*method)(TObject*))
    {
        return TNotifyEvent(&FForm, method);
    }

    // Declared first so that it outlives the components whose destructors write to it.
    TTempRegistryKey FKey;
    TPersistenceTestForm FForm;
};

TEST_F(StreamingTest, AStoreWithItsInitialValuesWritesOnlyWhatHasNoDefault)
{
    Add<TQELStoreData>("Data");
    EXPECT_EQ(WriteComponentText(FForm), Lines("object Form: TPersistenceTestForm\n"
                                               "  object Data: TQELStoreData\n"
                                               "    DataStore.ErrorInt = 0\n"
                                               "    DataStore.ErrorStr = 'Error'\n"
                                               "    DataStore.ErrorBool = False\n"
                                               "    DataStore.Registry.Path = 'Software\\Company\\Product'\n"
                                               "    DataStore.Registry.Section = 'MySection'\n"
                                               "    DataStore.Inifile.Filename = 'MyFile.ini'\n"
                                               "    DataStore.Inifile.Section = 'MySection'\n"
                                               "  end\n"
                                               "end\n"));
}

TEST_F(StreamingTest, AChangedStoreWritesEveryDifferenceAndReadsBackTheSame)
{
    auto* data = Add<TQELStoreData>("Data");
    data->SetOnError(FormMethod(&TPersistenceTestForm::StoreError));
    TQELDataStore& store = *data->DataStore();
    store.SetErrorInt(-5);
    store.SetErrorStr("");
    store.SetErrorBool(true);
    store.SetOnError(FormMethod(&TPersistenceTestForm::StoreError));
    store.SetEnabled(false);
    store.SetDatatype(sIniFile);
    store.Registry()->SetRootkey(hkeyLocalMachine);
    store.Registry()->SetPath("");
    store.Registry()->SetSection("Reg");
    store.Inifile()->SetFilename("C:\\Settings\\app.ini");
    store.Inifile()->SetSection("");
    // Emptied texts are written too: left out, they would read back as the constructor's values.
    const std::string expected = Lines("object Form: TPersistenceTestForm\n"
                                       "  object Data: TQELStoreData\n"
                                       "    OnError = StoreError\n"
                                       "    DataStore.ErrorInt = -5\n"
                                       "    DataStore.ErrorStr = ''\n"
                                       "    DataStore.ErrorBool = True\n"
                                       "    DataStore.OnError = StoreError\n"
                                       "    DataStore.Enabled = False\n"
                                       "    DataStore.Datatype = sIniFile\n"
                                       "    DataStore.Registry.Rootkey = hkeyLocalMachine\n"
                                       "    DataStore.Registry.Path = ''\n"
                                       "    DataStore.Registry.Section = 'Reg'\n"
                                       "    DataStore.Inifile.Filename = 'C:\\Settings\\app.ini'\n"
                                       "    DataStore.Inifile.Section = ''\n"
                                       "  end\n"
                                       "end\n");
    EXPECT_EQ(WriteComponentText(FForm), expected);

    auto form = Read(expected);
    auto* read = ObjectAs<TQELStoreData>(form->FindComponent("Data"));
    ASSERT_NE(read, nullptr);
    const TQELDataStore& readStore = *read->DataStore();
    EXPECT_EQ(readStore.ErrorInt(), -5);
    EXPECT_EQ(readStore.ErrorStr(), "");
    EXPECT_TRUE(readStore.ErrorBool());
    EXPECT_FALSE(readStore.Enabled());
    EXPECT_EQ(readStore.Datatype(), sIniFile);
    EXPECT_EQ(readStore.Registry()->Rootkey(), hkeyLocalMachine);
    EXPECT_EQ(readStore.Registry()->Path(), "");
    EXPECT_EQ(readStore.Registry()->Section(), "Reg");
    EXPECT_EQ(readStore.Inifile()->Filename(), "C:\\Settings\\app.ini");
    EXPECT_EQ(readStore.Inifile()->Section(), "");
    // The events are bound to the form's methods.
    readStore.OnError()(nullptr);
    read->OnError()(nullptr);
    EXPECT_EQ(form->StoreErrors, 2);
}

TEST_F(StreamingTest, TheDetectorWritesItsStoreAndAnAssignedHandler)
{
    auto* detector = Add<TQELIllegalAbort>("Detector");
    EXPECT_EQ(WriteComponentText(FForm), Lines("object Form: TPersistenceTestForm\n"
                                               "  object Detector: TQELIllegalAbort\n"
                                               "    ParamStore.ErrorInt = 0\n"
                                               "    ParamStore.ErrorStr = 'Error'\n"
                                               "    ParamStore.ErrorBool = False\n"
                                               "    ParamStore.Registry.Path = 'Software\\Company\\Product'\n"
                                               "    ParamStore.Registry.Section = 'MySection'\n"
                                               "    ParamStore.Inifile.Filename = 'MyFile.ini'\n"
                                               "    ParamStore.Inifile.Section = 'MySection'\n"
                                               "  end\n"
                                               "end\n"));
    // Its destructor clears the marker: keep that out of the default location.
    detector->ParamStore()->Registry()->SetPath(FKey.Path());
    detector->SetOnIllegalAbort(FormMethod(&TPersistenceTestForm::IllegalAbortDetected));
    const std::string text = WriteComponentText(FForm);
    EXPECT_NE(text.find(Lines("    ParamStore.Inifile.Section = 'MySection'\n"
                              "    OnIllegalAbort = IllegalAbortDetected\n"
                              "  end\n")),
              std::string::npos)
        << text;

    auto form = Read(text);
    auto* read = ObjectAs<TQELIllegalAbort>(form->FindComponent("Detector"));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->ParamStore()->Registry()->Path(), FKey.Path());
    EXPECT_TRUE(read->OnIllegalAbort().Assigned());
}

TEST_F(StreamingTest, TheStartupComponentAlwaysWritesAutoStartup)
{
    auto* startup = Add<TQELStartup>("Startup");
    EXPECT_EQ(WriteComponentText(FForm), Lines("object Form: TPersistenceTestForm\n"
                                               "  object Startup: TQELStartup\n"
                                               "    AutoStartup = False\n"
                                               "  end\n"
                                               "end\n"));
    // In the designer, so that setting it registers nothing.
    FForm.SetDesigning(true);
    startup->SetUniqueName("MyApp");
    startup->SetAutoStartup(true);
    EXPECT_EQ(WriteComponentText(FForm), Lines("object Form: TPersistenceTestForm\n"
                                               "  object Startup: TQELStartup\n"
                                               "    UniqueName = 'MyApp'\n"
                                               "    AutoStartup = True\n"
                                               "  end\n"
                                               "end\n"));
}

TEST_F(StreamingTest, AboutIsNeverWritten)
{
    auto* data = Add<TQELStoreData>("Data");
    data->SetAbout("changed");
    auto* startup = Add<TQELStartup>("Startup");
    startup->SetAbout("changed");
    EXPECT_EQ(WriteComponentText(FForm).find("About"), std::string::npos);
}

} // namespace
