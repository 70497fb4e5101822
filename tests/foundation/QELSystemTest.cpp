// The component base classes: their initial values, which of their properties a stored form keeps,
// and the system sound that Execute plays (MessageBeep is intercepted, so the run stays silent and the
// sound type passed can be checked).
#include "foundation/QELSystem.h"

#include "framework/FormText.h"
#include "framework/Win32.h"
#include "tests/support/ImportPatch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<UINT>* GBeeps = nullptr;

BOOL WINAPI RecordBeep(UINT type)
{
    GBeeps->push_back(type);
    return TRUE;
}

// Every MessageBeep the library makes while an object of this class lives is recorded, not played.
class TBeepRecorder {
public:
    TBeepRecorder() : FPatch("user32.dll", "MessageBeep", &RecordBeep) { GBeeps = &FBeeps; }
    ~TBeepRecorder() { GBeeps = nullptr; }
    const std::vector<UINT>& Beeps() const { return FBeeps; }

private:
    std::vector<UINT> FBeeps;
    TImportPatch FPatch;
};

TEST(BaseClasses, StartWithTheirInitialValues)
{
    TQELSystemsComponent systems(nullptr);
    TQELExecuteComponent execute(nullptr);
    TQELAdvancedExecComponent advanced(nullptr);
    EXPECT_EQ(systems.About(), "(About)");
    EXPECT_EQ(execute.About(), "(About)");
    EXPECT_EQ(advanced.About(), "(About)");
    EXPECT_EQ(execute.DesignExecute(), "");
    EXPECT_EQ(advanced.DesignExecute(), "");
    EXPECT_EQ(advanced.Sound(), bNone);
}

TEST(BaseClasses, PublishTheirPropertiesInDeclarationOrder)
{
    std::vector<std::string> names;
    for (const TPropInfo* prop : TQELAdvancedExecComponent::StaticClass()->AllProperties())
        names.push_back(prop->Name);
    EXPECT_EQ(names, (std::vector<std::string>{"Name", "Tag", "About", "DesignExecute", "Sound"}));
}

// A holder with one component of each class, written as a form description.
class StoredForm : public testing::Test {
protected:
    StoredForm()
    {
        FHolder.SetName("Holder");
        FSystems->SetName("Systems1");
        FExecute->SetName("Execute1");
        FAdvanced->SetName("Advanced1");
    }
    TComponent FHolder{nullptr};
    TQELSystemsComponent* FSystems = new TQELSystemsComponent(&FHolder);
    TQELExecuteComponent* FExecute = new TQELExecuteComponent(&FHolder);
    TQELAdvancedExecComponent* FAdvanced = new TQELAdvancedExecComponent(&FHolder);
};

TEST_F(StoredForm, NeverHoldsAboutOrDesignExecute)
{
    FSystems->SetAbout("changed");
    FExecute->SetAbout("changed too");
    FExecute->SetDesignExecute("anything");
    EXPECT_EQ(FSystems->About(), "changed");
    EXPECT_EQ(FExecute->DesignExecute(), "anything");

    const std::string text = WriteComponentText(FHolder);
    EXPECT_NE(text.find("object Execute1: TQELExecuteComponent"), std::string::npos) << text;
    EXPECT_EQ(text.find("About"), std::string::npos) << text;
    EXPECT_EQ(text.find("DesignExecute"), std::string::npos) << text;
}

TEST_F(StoredForm, HoldsSoundOnlyWhenItIsNotNone)
{
    EXPECT_EQ(WriteComponentText(FHolder).find("Sound"), std::string::npos);

    FAdvanced->SetSound(bQuestion);
    const std::string text = WriteComponentText(FHolder);
    EXPECT_NE(text.find("Sound = bQuestion"), std::string::npos) << text;

    TComponent copy(nullptr);
    TReader(text).ReadRootComponent(&copy);
    ASSERT_EQ(copy.ComponentCount(), 3);
    auto* advanced = copy.Components(2)->As<TQELAdvancedExecComponent>();
    EXPECT_EQ(advanced->Sound(), bQuestion);
    EXPECT_EQ(advanced->About(), "(About)");
}

TEST(Execute, OfThePlainExecuteComponentDoesNothingAndFails)
{
    TBeepRecorder recorder;
    TQELExecuteComponent component(nullptr);
    EXPECT_FALSE(component.Execute());
    EXPECT_TRUE(recorder.Beeps().empty());
}

TEST(Execute, WithSoundNoneBeepsNotAtAll)
{
    TBeepRecorder recorder;
    TQELAdvancedExecComponent component(nullptr);
    EXPECT_FALSE(component.Execute());
    EXPECT_TRUE(recorder.Beeps().empty());
}

TEST(Execute, WithSoundQuestionBeepsOnceWithTheQuestionSound)
{
    TBeepRecorder recorder;
    TQELAdvancedExecComponent component(nullptr);
    component.SetSound(bQuestion);
    EXPECT_FALSE(component.Execute());
    EXPECT_EQ(recorder.Beeps(), std::vector<UINT>{0x20});
}

TEST(Execute, PlaysTheSystemSoundOfEachBeepType)
{
    const struct {
        TQELBeeptype Sound;
        UINT Type;
    } cases[] = {{bDefault, 0}, {bAsterix, 0x40}, {bExclamation, 0x30}, {bQuestion, 0x20}, {bCriticalStop, 0x10}};
    for (const auto& c : cases) {
        TBeepRecorder recorder;
        TQELAdvancedExecComponent component(nullptr);
        component.SetSound(c.Sound);
        EXPECT_FALSE(component.Execute());
        EXPECT_EQ(recorder.Beeps(), std::vector<UINT>{c.Type}) << EventArgText(c.Sound);
    }
}

TEST(Execute, WithAnOrdinalBeyondTheBeepTypesBeepsNotAtAll)
{
    TBeepRecorder recorder;
    TQELAdvancedExecComponent component(nullptr);
    component.SetSound(static_cast<TQELBeeptype>(6));
    EXPECT_FALSE(component.Execute());
    EXPECT_TRUE(recorder.Beeps().empty());
}

} // namespace
