// The library's registration with the designer: the palette pages in their order, the About text and
// the Execute Test button on every component that has them, and the read-only information editors,
// checked on a stand-in with the drive-volume component's property types (and on the component itself
// once the program has it).
#include "foundation/QELSysReg.h"

#include "foundation/QELSystem.h"
#include "persistence/QELTStartup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Publishes a property of each type the drive-volume component has, and two it has not.
class TRegFakeVolume : public TQELSystemsComponent {
    QEL_CLASS(TRegFakeVolume)
public:
    using TQELSystemsComponent::TQELSystemsComponent;
    const std::string& Label() const noexcept { return FLabel; }
    void SetLabel(const std::string& label) { FLabel = label; }
    bool Compressed() const noexcept { return FCompressed; }
    void SetCompressed(bool compressed) { FCompressed = compressed; }
    int Flags() const noexcept { return FFlags; }
    void SetFlags(int flags) { FFlags = flags; }
    char Drive() const noexcept { return FDrive; }
    void SetDrive(char drive) { FDrive = drive; }
    unsigned Serial() const noexcept { return FSerial; }
    void SetSerial(unsigned serial) { FSerial = serial; }

private:
    std::string FLabel = "DATA";
    bool FCompressed = true;
    int FFlags = 10;
    char FDrive = 'C';
    unsigned FSerial = 5;
};

class TRegFakeVolumeChild : public TRegFakeVolume {
    QEL_CLASS(TRegFakeVolumeChild)
public:
    using TRegFakeVolume::TRegFakeVolume;
};

// Counts the calls of Execute, which the Execute Test button makes.
class TRegCountingExecute : public TQELExecuteComponent {
    QEL_CLASS(TRegCountingExecute)
public:
    using TQELExecuteComponent::TQELExecuteComponent;
    bool Execute() override
    {
        ++Calls;
        return true;
    }
    int Calls = 0;
};

QEL_CLASS_INFO(TRegFakeVolume, TQELSystemsComponent)
{
    using C = TRegFakeVolume;
    return {
        Prop("Label", &C::Label, &C::SetLabel),
        Prop("Compressed", &C::Compressed, &C::SetCompressed),
        Prop("Flags", &C::Flags, &C::SetFlags),
        Prop("Drive", &C::Drive, &C::SetDrive),
        Prop("Serial", &C::Serial, &C::SetSerial),
    };
}

QEL_CLASS_INFO(TRegFakeVolumeChild, TRegFakeVolume)
{
    return {};
}

QEL_CLASS_INFO(TRegCountingExecute, TQELExecuteComponent)
{
    return {};
}

class TNoMethodsDesigner : public TFormDesigner {
public:
    explicit TNoMethodsDesigner(TComponent* root) : FRoot(root) {}
    TComponent* Root() const override { return FRoot; }
    std::string GetMethodName(const TMethod&) const override { return {}; }
    TMethod CreateMethod(const std::string&, const TEventTypeInfo&) override { return {}; }

private:
    TComponent* FRoot;
};

// The palette in the order the library registers it; a program that lacks some of the classes (the
// framework's own tests, a partial build) has the others in the same order.
const std::vector<std::string> FirstPage{
    "TQELExitWindows", "TQELFileExecute",  "TQELTopMost",         "TQELOnlyOne",    "TQELMsgDlg",
    "TQELMsgBox",      "TQELMsgSelect",    "TQELStartup",         "TQELScreenSaver", "TQELTimeTrigger",
    "TQELWallPaper",   "TQELFormHook",     "TQELMouseController", "TQELWavePlayer", "TQELCDTriggers",
    "TQELVersionDetails", "TQELSystemKeys", "TQELMultiLists",
};
const std::vector<std::string> SecondPage{
    "TQELFormSizes",      "TQELFormAspect",   "TQELDriveVolume",   "TQELApplication", "TQELStoreData",
    "TQELIllegalAbort",   "TQELFormSaver",    "TQELLogFile",       "TQELTextReplace", "TQELSystemTray",
    "TQELFileProperties", "TQELFileOperator", "TQELDroppedFiles",  "TQELSystemDetails", "TQELFileCollector",
    "TQELStringHolder",   "TQELJokeHolder",   "TQELFormExplode",   "TQELResourceInfo",
};

std::vector<std::string> Present(const std::vector<std::string>& names)
{
    std::vector<std::string> present;
    std::copy_if(names.begin(), names.end(), std::back_inserter(present), [](const std::string& name) {
        return GetClass(name) != nullptr;
    });
    return present;
}

std::vector<std::string> PageClasses(const std::string& name)
{
    std::vector<std::string> classes;
    for (const TPalettePage& page : PalettePages())
        if (page.Name == name)
            for (TClass cls : page.Classes)
                classes.push_back(cls->Name);
    return classes;
}

class Registration : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Register();
        Register(); // the designer may load the library again: nothing changes
        RegisterReadOnlyInformationEditors(TRegFakeVolume::StaticClass());
    }

    std::unique_ptr<TPropertyEditor> EditorOf(TSelection selection, const std::string& name)
    {
        const TClass cls = selection.front()->ClassType();
        const TPropInfo* prop = cls->FindProperty(name);
        return CreatePropertyEditor(GetEditorClass(cls, *prop), Designer, std::move(selection), *prop);
    }

    TComponent Root{nullptr};
    TNoMethodsDesigner Designer{&Root};
};

TEST_F(Registration, PutsTheComponentsOnTwoPagesInTheirOrder)
{
    EXPECT_EQ(PageClasses("QEL System"), Present(FirstPage));
    EXPECT_EQ(PageClasses("QEL System 2"), Present(SecondPage));
    if (Present(FirstPage).size() == FirstPage.size() && Present(SecondPage).size() == SecondPage.size()) {
        EXPECT_EQ(PageClasses("QEL System").size(), 18u);
        EXPECT_EQ(PageClasses("QEL System 2").size(), 19u);
    }
    for (const TPalettePage& page : PalettePages())
        for (const char* base : {"TQELSystemsComponent", "TQELExecuteComponent", "TQELAdvancedExecComponent",
                                 "TQELHookComponent"})
            EXPECT_EQ(std::find(page.Classes.begin(), page.Classes.end(), GetClass(base)), page.Classes.end())
                << base << " is on " << page.Name;
}

TEST_F(Registration, EveryComponentShowsTheAboutTextReadOnly)
{
    for (const TPalettePage& page : PalettePages())
        for (TClass cls : page.Classes) {
            if (!cls->InheritsFrom(TQELSystemsComponent::StaticClass()))
                continue;
            EXPECT_EQ(GetEditorClass(cls, *cls->FindProperty("About")), TQELAboutSystemComponent::StaticClass())
                << cls->Name;
        }
    TRegFakeVolume volume(&Root);
    volume.SetAbout("anything");
    TQELSystemsComponent plain(&Root);
    auto about = EditorOf({&volume, &plain}, "About");
    EXPECT_EQ(about->ClassType(), TQELAboutSystemComponent::StaticClass());
    EXPECT_EQ(about->GetValue(), "(QEL System Components)");
    EXPECT_EQ(about->GetAttributes().Bits(), 0x48u);
    EXPECT_EQ(plain.About(), "(About)");
}

TEST_F(Registration, TheExecuteTestButtonRunsTheFirstSelectedComponentsExecute)
{
    TRegCountingExecute first(&Root);
    TRegCountingExecute second(&Root);
    auto execute = EditorOf({&first, &second}, "DesignExecute");
    EXPECT_EQ(execute->ClassType(), TQELExecSystemProperty::StaticClass());
    EXPECT_EQ(execute->GetValue(), "(Execute Test)");
    EXPECT_EQ(execute->GetAttributes().Bits(), 0x44u);
    execute->Edit();
    EXPECT_EQ(first.Calls, 1);
    EXPECT_EQ(second.Calls, 0);

    // Without paMultiSelect it is offered only while one component is selected; About is offered always.
    std::vector<std::string> shared;
    for (const auto& editor : GetComponentProperties({&first, &second}, Designer))
        shared.push_back(editor->GetName());
    EXPECT_EQ(shared, (std::vector<std::string>{"Tag", "About"}));
    TQELExecuteComponent plain(&Root);
    EditorOf({&plain}, "DesignExecute")->Edit(); // the base Execute: nothing happens
}

TEST_F(Registration, TheInformationComponentShowsItsStringsBooleansAndIntegersReadOnly)
{
    TRegFakeVolumeChild volume(&Root);
    volume.SetName("Volume1");
    std::vector<std::string> lines;
    for (const auto& editor : GetComponentProperties({&volume}, Designer))
        lines.push_back(editor->GetName() + " " + editor->ClassName() + " " +
                        std::to_string(editor->GetAttributes().Bits()) + " " + editor->GetValue());
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "Name TComponentNameProperty 0 Volume1",
                         "Tag TQELROIntegerProperty 72 0",
                         "About TQELAboutSystemComponent 72 (QEL System Components)",
                         "Label TQELROStringProperty 72 DATA",
                         "Compressed TQELROBooleanproperty 72 True",
                         "Flags TQELROIntegerProperty 72 10",
                         "Drive TCharProperty 8 C",
                         "Serial TIntegerProperty 8 5",
                     }))
        << "Name and About keep their own editors; Tag is an Integer too; Char and Cardinal are not covered";
}

TEST_F(Registration, OtherComponentsKeepTheirStringsAndBooleansEditable)
{
    TQELStartup startup(&Root);
    auto unique = EditorOf({&startup}, "UniqueName");
    EXPECT_EQ(unique->ClassType(), TStringProperty::StaticClass());
    unique->SetValue("MyApp");
    EXPECT_EQ(startup.UniqueName(), "MyApp");
    EXPECT_EQ(EditorOf({&startup}, "AutoStartup")->ClassType(), TBoolProperty::StaticClass());
}

TEST_F(Registration, TheDriveVolumeComponentGetsTheReadOnlyEditorsOnceTheProgramHasIt)
{
    const TClass volume = GetClass("TQELDriveVolume");
    if (!volume)
        GTEST_SKIP() << "this build has no drive-volume component";
    for (const TPropInfo* prop : volume->AllProperties()) {
        if (prop->Name == "About" || prop->Name == "Name")
            continue;
        TClass expected = GetEditorClass(TQELSystemsComponent::StaticClass(), *prop);
        if (*prop->Type == typeid(std::string))
            expected = TQELROStringProperty::StaticClass();
        else if (*prop->Type == typeid(bool))
            expected = TQELROBooleanproperty::StaticClass();
        else if (*prop->Type == typeid(int))
            expected = TQELROIntegerProperty::StaticClass();
        EXPECT_EQ(GetEditorClass(volume, *prop)->Name, expected->Name) << prop->Name;
    }
}

} // namespace
