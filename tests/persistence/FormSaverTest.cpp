// The form saver on real forms: value names and order, restore, maximise capture, handler take-over
// and give-back, controls, and forms that would come back off the screen.
#include "persistence/QELTFormSaver.h"

#include "PersistenceTestSupport.h"
#include "framework/ExtCtrls.h"
#include "framework/FormText.h"
#include "framework/IniFiles.h"
#include "tests/support/ExceptionRecorder.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <vector>

namespace {

class TMainForm : public TForm {
    QEL_CLASS(TMainForm)
public:
    explicit TMainForm(TComponent* owner) : TForm(owner) {}
    std::vector<std::string> Journal;
    void FormShow(TObject*) { Journal.push_back("own show"); }
    void FormClose(TObject*, TCloseAction&) { Journal.push_back("own close"); }
};

class TOtherForm : public TForm {
    QEL_CLASS(TOtherForm)
public:
    explicit TOtherForm(TComponent* owner) : TForm(owner) {}
};

} // namespace

QEL_CLASS_INFO(TMainForm, TForm)
{
    return {};
}

QEL_CLASS_INFO(TOtherForm, TForm)
{
    return {};
}

namespace {

// Names of the entries of the INI file's section, in file order.
std::vector<std::string> EntryNames(const TTempIniFile& ini)
{
    std::vector<std::string> names;
    std::istringstream lines(ini.Content());
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (const auto equals = line.find('='); equals != std::string::npos)
            names.push_back(line.substr(0, equals));
    }
    return names;
}

class FormSaver : public ::testing::Test {
protected:
    void SetUp() override
    {
        Form = new TMainForm(Application);
        Form->SetBounds(100, 80, 300, 200);
        Form->SetOnShow(TNotifyEvent(Form, &TMainForm::FormShow));
        Form->SetOnClose(TCloseEvent(Form, &TMainForm::FormClose));
        Panel = new TPanel(Form);
        Panel->SetName("Panel1");
        Panel->SetParent(Form);
        Panel->SetBounds(10, 20, 100, 50);
        Saver = new TQELFormSaver(Form);
        Saver->FormStore()->SetDatatype(sIniFile);
        Saver->FormStore()->Inifile()->SetFilename(Ini.Path());
        Saver->FormStore()->Inifile()->SetSection("Forms");
    }
    void TearDown() override { delete Form; }

    int Stored(const std::string& name) { return GetPrivateProfileIntA("Forms", name.c_str(), -999, Ini.Path().c_str()); }
    void Write(const std::string& name, int value)
    {
        WritePrivateProfileStringA("Forms", name.c_str(), std::to_string(value).c_str(), Ini.Path().c_str());
    }

    TTempIniFile Ini;
    TMainForm* Form = nullptr;
    TPanel* Panel = nullptr;
    TQELFormSaver* Saver = nullptr;
};

} // namespace

TEST_F(FormSaver, ClosingStoresEveryValueByClassAndControlNameInOrder)
{
    Form->Show();
    Form->Close();
    EXPECT_EQ(EntryNames(Ini),
              (std::vector<std::string>{"TMainForm_WindowState", "TMainForm_Width", "TMainForm_Height",
                                        "TMainForm_Top", "TMainForm_Left", "TMainForm_Visible", "Panel1_Width",
                                        "Panel1_Height", "Panel1_Top", "Panel1_Left", "Panel1_Visible"}));
    EXPECT_EQ(Stored("TMainForm_WindowState"), 2);
    EXPECT_EQ(Stored("TMainForm_Width"), 300);
    EXPECT_EQ(Stored("TMainForm_Left"), 100);
    EXPECT_EQ(Stored("Panel1_Top"), 20);
    EXPECT_EQ(Form->Journal, (std::vector<std::string>{"own show", "own close"})) << "own handlers first";
}

TEST_F(FormSaver, ShowingRestoresWhatWasStoredAndThenFiresOnRestore)
{
    Write("TMainForm_Width", 420);
    Write("TMainForm_Height", 310);
    Write("TMainForm_Top", 50);
    Write("TMainForm_Left", 60);
    Write("Panel1_Left", 33);
    TEventCounter restored;
    Saver->SetOnRestore(restored.Handler());
    Form->Show();
    EXPECT_EQ(Form->Width(), 420);
    EXPECT_EQ(Form->Height(), 310);
    EXPECT_EQ(Form->Top(), 50);
    EXPECT_EQ(Form->Left(), 60);
    EXPECT_EQ(Panel->Left(), 33);
    EXPECT_EQ(Panel->Width(), 100) << "a missing value leaves the property as it is";
    EXPECT_EQ(restored.Count, 1);
    EXPECT_EQ(restored.Sender, Form);
    EXPECT_EQ(Form->WindowState(), wsNormal);

    Form->Hide();
    Form->Show();
    EXPECT_EQ(restored.Count, 2) << "every showing restores";
}

TEST_F(FormSaver, AMaximisedFormStoresItsBoundsFromBeforeMaximising)
{
    Form->Show();
    SendMessageA(Form->Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    ASSERT_EQ(Form->WindowState(), wsMaximized);
    ASSERT_NE(Form->Width(), 300);
    Saver->Store();
    EXPECT_EQ(Stored("TMainForm_WindowState"), 3);
    EXPECT_EQ(Stored("TMainForm_Width"), 300);
    EXPECT_EQ(Stored("TMainForm_Height"), 200);
    EXPECT_EQ(Stored("TMainForm_Top"), 80);
    EXPECT_EQ(Stored("TMainForm_Left"), 100);
}

TEST_F(FormSaver, MinimisingAMaximisedFormCapturesTheMaximisedBounds)
{
    Form->Show();
    SendMessageA(Form->Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    const RECT maximised = Form->BoundsRect();
    SendMessageA(Form->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_EQ(Form->WindowState(), wsMinimized);
    Saver->Store();
    EXPECT_EQ(Stored("TMainForm_WindowState"), 1);
    EXPECT_EQ(Stored("TMainForm_Width"), maximised.right - maximised.left);
    EXPECT_EQ(Stored("TMainForm_Height"), maximised.bottom - maximised.top);
    EXPECT_EQ(Stored("TMainForm_Left"), maximised.left);
    EXPECT_EQ(Stored("TMainForm_Top"), maximised.top);
    EXPECT_NE(maximised.right - maximised.left, 300) << "the maximised size, not the normal one";
}

TEST_F(FormSaver, AMaximiseCommandWithOtherLowBitsCapturesNothing)
{
    Form->Show();
    SendMessageA(Form->Handle(), WM_SYSCOMMAND, SC_MAXIMIZE | 2, 0);
    ASSERT_EQ(Form->WindowState(), wsMaximized);
    Saver->Store();
    EXPECT_EQ(Stored("TMainForm_WindowState"), 3);
    EXPECT_EQ(Stored("TMainForm_Width"), -999) << "no size or place without captured bounds";
    EXPECT_EQ(Stored("TMainForm_Left"), -999);
}

TEST_F(FormSaver, AFormDesignedMaximisedComesBackNormalWhenNothingIsStored)
{
    Form->SetWindowState(wsMaximized);
    TEventCounter errors;
    Saver->FormStore()->SetOnError(errors.Handler());
    Form->Show();
    EXPECT_EQ(Form->WindowState(), wsNormal);
    EXPECT_GT(errors.Count, 0) << "each missing value is reported by the store";
}

TEST_F(FormSaver, AStoredMaximisedStateIsRestored)
{
    Write("TMainForm_WindowState", 3);
    Form->Show();
    EXPECT_EQ(Form->WindowState(), wsMaximized);
}

TEST_F(FormSaver, StoreRunsTheFormsOwnCloseHandlerAndRestoreItsShowHandler)
{
    Saver->Store();
    Saver->Restore();
    EXPECT_EQ(Form->Journal, (std::vector<std::string>{"own close", "own show"}));
}

TEST_F(FormSaver, ADisabledStoreOnlyCallsTheFormsHandlersAndOnRestore)
{
    Saver->FormStore()->SetEnabled(false);
    TEventCounter stored, restored;
    Saver->SetOnStore(stored.Handler());
    Saver->SetOnRestore(restored.Handler());
    Form->Show();
    Form->Close();
    EXPECT_EQ(Form->Journal, (std::vector<std::string>{"own show", "own close"}));
    EXPECT_EQ(stored.Count, 0);
    EXPECT_EQ(restored.Count, 1);
    EXPECT_FALSE(Ini.Exists());
}

TEST_F(FormSaver, OnStoreFiresOnceWithTheClosingForm)
{
    TEventCounter stored;
    Saver->SetOnStore(stored.Handler());
    Form->Show();
    Form->Close();
    EXPECT_EQ(stored.Count, 1);
    EXPECT_EQ(stored.Sender, Form);
}

TEST_F(FormSaver, AControlRefusedByOnStoreControlIsLeftOutWithEverythingInsideIt)
{
    auto* inner = new TPanel(Form);
    inner->SetName("Inner");
    inner->SetParent(Panel);
    struct TRefuser : TObject {
        TControl* Refused = nullptr;
        void Ask(TObject* sender, bool& result) { result = sender != Refused; }
    } refuser;
    refuser.Refused = Panel;
    Saver->SetOnStoreControl(TQELOnStoreControl(&refuser, &TRefuser::Ask));
    Saver->Store();
    for (const std::string& name : EntryNames(Ini)) {
        EXPECT_EQ(name.rfind("Panel1_", 0), std::string::npos) << name;
        EXPECT_EQ(name.rfind("Inner_", 0), std::string::npos) << name;
    }
    Write("Inner_Left", 7);
    Saver->Restore();
    EXPECT_EQ(inner->Left(), 7) << "restoring still reads values for a refused control";
}

TEST_F(FormSaver, EveryFormOfTheApplicationIsStoredUnderItsClassName)
{
    auto other = std::make_unique<TOtherForm>(Application);
    other->SetBounds(5, 6, 150, 120);
    Saver->Store();
    EXPECT_EQ(Stored("TOtherForm_Width"), 150);
    EXPECT_EQ(Stored("TOtherForm_Visible"), 0);
}

TEST_F(FormSaver, BoundsEntirelyOffEveryMonitorAreMovedBackKeepingTheSize)
{
    Write("TMainForm_Left", 5000);
    Write("TMainForm_Top", 4000);
    Write("TMainForm_Width", 320);
    Write("TMainForm_Height", 240);
    Form->Show();
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(Form->Width(), 320);
    EXPECT_EQ(Form->Height(), 240);
    EXPECT_EQ(Form->Left(), work.right - 320);
    EXPECT_EQ(Form->Top(), work.bottom - 240);
}

TEST_F(FormSaver, BoundsPartlyOnScreenAreAppliedUnchanged)
{
    Write("TMainForm_Left", -250);
    Write("TMainForm_Top", 30);
    Form->Show();
    EXPECT_EQ(Form->Left(), -250);
    EXPECT_EQ(Form->Top(), 30);
}

TEST_F(FormSaver, DestroyingTheSaverGivesTheHandlersAndTheWindowProcedureBack)
{
    const auto saverProc = GetWindowLongPtrA(Form->Handle(), GWLP_WNDPROC);
    delete Saver;
    EXPECT_NE(GetWindowLongPtrA(Form->Handle(), GWLP_WNDPROC), saverProc);
    EXPECT_EQ(FindControl(Form->Handle()), Form);
    EXPECT_EQ(Form->ShowSlot(), TNotifyEvent(Form, &TMainForm::FormShow));
    EXPECT_EQ(Form->CloseSlot(), TCloseEvent(Form, &TMainForm::FormClose));
    Form->Show();
    Form->Close();
    EXPECT_EQ(Form->Journal, (std::vector<std::string>{"own show", "own close"}));
    EXPECT_FALSE(Ini.Exists());
}

TEST_F(FormSaver, HandlersAssignedByCodeAreNotOverwrittenAtDestruction)
{
    TEventCounter replacement;
    Form->SetOnShow(replacement.Handler());
    delete Saver;
    EXPECT_EQ(Form->ShowSlot(), replacement.Handler());
    EXPECT_EQ(Form->CloseSlot(), TCloseEvent(Form, &TMainForm::FormClose));
}

// Handlers assigned after the saver was made go under it: the saver restores and stores as before and
// calls them first, and reading the form's events gives them back.
TEST_F(FormSaver, HandlersAssignedAfterTheSaverWasMadeRunUnderIt)
{
    TEventCounter shown;
    Form->SetOnShow(shown.Handler());
    Form->SetOnClose(TCloseEvent(Form, &TMainForm::FormClose));
    EXPECT_EQ(Form->OnShow(), shown.Handler());
    EXPECT_EQ(Form->ShowSlot().Data(), Saver);
    Write("TMainForm_Width", 420);
    Write("TMainForm_Left", 60);
    Form->Show();
    EXPECT_EQ(Form->Width(), 420) << "the stored place was restored";
    EXPECT_EQ(Form->Left(), 60);
    EXPECT_EQ(shown.Count, 1);
    Form->SetWidth(350);
    Form->Close();
    EXPECT_EQ(Stored("TMainForm_Width"), 350) << "and the place of the moment stored";
    EXPECT_EQ(Form->Journal, std::vector<std::string>{"own close"});
}

// A description read into a form whose saver was made in code assigns the form's handlers under it.
TEST_F(FormSaver, ADescriptionReadIntoTheFormAssignsItsHandlersUnderTheSaver)
{
    TEventCounter shown;
    TReader reader("object Main: TMainForm\n  OnShow = Shown\nend\n");
    reader.SetOnFindMethod([&](TComponent*, const TPropInfo&, const std::string&) { return shown.Handler().Method(); });
    reader.ReadRootComponent(Form);
    EXPECT_EQ(Form->OnShow(), shown.Handler());
    Write("TMainForm_Width", 420);
    Form->Show();
    EXPECT_EQ(shown.Count, 1);
    EXPECT_EQ(Form->Width(), 420);
}

// Made in code, the saver watches the window its form has when the form is finished (here when it
// shows), also when the form took a new window since the saver was made, as a saver read does.
TEST_F(FormSaver, MadeInCodeItWatchesTheWindowTheFormHasWhenItIsFinished)
{
    const HWND before = Form->Handle();
    Form->SetBorderStyle(bsSingle);
    ASSERT_NE(Form->Handle(), before);
    Form->Show();
    SendMessageA(Form->Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    ASSERT_TRUE(IsZoomed(Form->Handle()));
    Form->Close();
    EXPECT_EQ(Stored("TMainForm_WindowState"), 3);
    EXPECT_EQ(Stored("TMainForm_Width"), 300) << "the bounds from before the maximise";
    EXPECT_EQ(Stored("TMainForm_Left"), 100);
}

// A form designed maximised is maximised already while it is restored: a stored normal size does not
// change its normal bounds.
TEST_F(FormSaver, AFormDesignedMaximisedKeepsItsNormalBoundsAgainstAStoredNormalSize)
{
    Write("TMainForm_Width", 500);
    Write("TMainForm_Height", 400);
    Write("TMainForm_WindowState", 3);
    Form->SetWindowState(wsMaximized);
    Form->Show();
    EXPECT_TRUE(IsZoomed(Form->Handle()));
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    ASSERT_TRUE(GetWindowPlacement(Form->Handle(), &placement));
    EXPECT_EQ(placement.rcNormalPosition.right - placement.rcNormalPosition.left, 300);
    EXPECT_EQ(placement.rcNormalPosition.bottom - placement.rcNormalPosition.top, 200);
}

// A saver that cannot store is reported through the application's exception handling, and the form
// closes all the same; Store called by code raises as before.
TEST_F(FormSaver, AFormStaysClosableWhenItsSaverCannotStore)
{
    Form->Show();
    Saver->FormStore()->Inifile()->SetFilename(std::string(1, '\0'));
    {
        TExceptionRecorder report;
        EXPECT_NO_THROW(Form->Close());
        ASSERT_EQ(report.Senders.size(), 1u);
        EXPECT_EQ(report.Senders[0], Saver);
        EXPECT_NE(report.Messages[0].find("file name"), std::string::npos) << report.Messages[0];
    }
    EXPECT_FALSE(Form->Visible());
    EXPECT_FALSE(IsWindowVisible(Form->Handle()));
    EXPECT_EQ(Form->Journal, (std::vector<std::string>{"own show", "own close"}));
    EXPECT_THROW(Saver->Store(), EIniFileException);
}

// A saver whose form has no window to be had (a class name the system refuses) fails to be built and
// leaves nothing behind: the form's handlers are its own, and its window procedure instance is free.
TEST_F(FormSaver, AFailedConstructionLeavesNothingBoundToTheFreedSaver)
{
    class TUnwindowable : public TMainForm {
    public:
        using TMainForm::TMainForm;
        std::string ClassName() const override { return std::string(300, 'W'); }
    };
    auto form = std::make_unique<TUnwindowable>(Application);
    form->SetOnShow(TNotifyEvent(form.get(), &TMainForm::FormShow));
    form->SetOnClose(TCloseEvent(form.get(), &TMainForm::FormClose));
    const WNDPROC probe = MakeObjectInstance(TWndMethod(form.get(), &TForm::WndProc));
    FreeObjectInstance(probe);
    const int components = form->ComponentCount();

    EXPECT_THROW(new TQELFormSaver(form.get()), EOutOfResources);
    EXPECT_EQ(form->ComponentCount(), components);
    EXPECT_EQ(form->ShowSlot(), TNotifyEvent(form.get(), &TMainForm::FormShow));
    EXPECT_EQ(form->CloseSlot(), TCloseEvent(form.get(), &TMainForm::FormClose));
    // The instance the saver took was given back: it is the next one handed out again.
    const WNDPROC next = MakeObjectInstance(TWndMethod(form.get(), &TForm::WndProc));
    EXPECT_EQ(next, probe);
    FreeObjectInstance(next);
    form->Close();
    EXPECT_EQ(form->Journal, std::vector<std::string>{"own close"});
}

TEST_F(FormSaver, AnOwnerThatIsNotAFormIsRefused)
{
    EXPECT_THROW(TQELFormSaver saver(Panel), EInvalidCast);
    EXPECT_THROW(TQELFormSaver saver(nullptr), EInvalidCast);
}

TEST_F(FormSaver, InTheDesignerItOnlyHoldsItsProperties)
{
    auto designed = std::make_unique<TMainForm>(nullptr);
    designed->SetDesigning(true);
    designed->SetOnShow(TNotifyEvent(designed.get(), &TMainForm::FormShow));
    const auto proc = GetWindowLongPtrA(designed->Handle(), GWLP_WNDPROC);
    new TQELFormSaver(designed.get());
    EXPECT_EQ(designed->ShowSlot(), TNotifyEvent(designed.get(), &TMainForm::FormShow));
    EXPECT_EQ(GetWindowLongPtrA(designed->Handle(), GWLP_WNDPROC), proc);
}

TEST_F(FormSaver, StreamsOnlyWhatDiffersFromTheDeclaredDefaults)
{
    delete Saver;
    auto* saver = new TQELFormSaver(Form);
    saver->SetName("FormSaver1");
    Form->SetName("MainForm");
    Form->SetOnShow({});
    Form->SetOnClose({});
    std::string text = WriteComponentText(*Form);
    EXPECT_NE(text.find("StoreControls = True"), std::string::npos) << text;
    EXPECT_EQ(text.find("StoreSize"), std::string::npos) << text;
    EXPECT_EQ(text.find("FormStore.Datatype"), std::string::npos) << text;
    EXPECT_EQ(text.find("About"), std::string::npos) << text;
    saver->SetStoreSize(false);
    saver->FormStore()->SetDatatype(sIniFile);
    text = WriteComponentText(*Form);
    EXPECT_NE(text.find("StoreSize = False"), std::string::npos) << text;
    EXPECT_NE(text.find("FormStore.Datatype = sIniFile"), std::string::npos) << text;
}
