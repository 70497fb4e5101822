// QELConsumer: a small application built against the installed QELSystm package.
//
// Its main form is read from a form description, as a designer stores one, into the form class the
// program defines: the description places the components and names the program's handlers for their
// events. A form saver keeps the form's place and size in QELConsumer.ini between runs, a
// single-instance guard ends a second copy and brings the first one forward, and a tray icon holds the
// application while it is minimised.
//
// Usage: consumer [SECONDS]   runs until the form is closed, or for SECONDS seconds.
#include "framework/ExtCtrls.h"
#include "framework/FormText.h"
#include "framework/Forms.h"
#include "application/QELTOnlyOne.h"
#include "application/QELTSystemTray.h"
#include "persistence/QELTFormSaver.h"

#include <cstdio>
#include <cstdlib>

namespace {

// Each component is one object block, and each handler the description names is one published method
// of TMainForm.
constexpr const char* MainFormText = R"(object MainForm: TMainForm
  Left = 160
  Top = 120
  Width = 420
  Height = 160
  Caption = 'QELSystm consumer'
  object Greeting: TLabel
    Left = 16
    Top = 16
    Caption = 'Move or resize this form: it comes back where you leave it.'
  end
  object FormSaver1: TQELFormSaver
    FormStore.Datatype = sIniFile
    FormStore.Inifile.Filename = 'QELConsumer.ini'
    FormStore.Inifile.Section = 'Forms'
    StoreControls = False
    OnRestore = SaverRestore
    OnStore = SaverStore
  end
  object OnlyOne1: TQELOnlyOne
    OnExceeded = GuardExceeded
  end
  object Tray1: TQELSystemTray
    Enabled = True
    Hint = 'QELSystm consumer'
    OnRestore = TrayRestore
  end
end
)";

class TMainForm : public TForm {
    QEL_CLASS(TMainForm)
public:
    using TForm::TForm;

    void SaverRestore(TObject*) { Say("restored"); }
    void SaverStore(TObject*) { Say("stored"); }
    void GuardExceeded(TObject*, int instances)
    {
        std::printf("%s: %d copies running, this one ends\n", Name().c_str(), instances);
        std::fflush(stdout);
    }
    void TrayRestore(TObject*) { Say("back from the tray"); }
    void CloseTimer(TObject*) { Close(); }

private:
    static TMethodList PublishedMethods();
    void Say(const char* what)
    {
        std::printf("%s: place and size %s (%d,%d %dx%d)\n", Name().c_str(), what, Left(), Top(), Width(), Height());
        std::fflush(stdout);
    }
};

QEL_CLASS_INFO(TMainForm, TForm)
{
    return {};
}

TMethodList TMainForm::PublishedMethods()
{
    return {
        PublishedMethod<TMainForm>("SaverRestore", &TMainForm::SaverRestore),
        PublishedMethod<TMainForm>("SaverStore", &TMainForm::SaverStore),
        PublishedMethod<TMainForm>("GuardExceeded", &TMainForm::GuardExceeded),
        PublishedMethod<TMainForm>("TrayRestore", &TMainForm::TrayRestore),
    };
}

} // namespace

int main(int argc, char** argv)
{
    try {
        TMainForm* form = nullptr;
        Application->CreateForm(form);
        TReader(MainFormText).ReadRootComponent(form);
        if (argc > 1) {
            auto* closer = new TTimer(form);
            closer->SetInterval(static_cast<int>(std::atof(argv[1]) * 1000));
            closer->SetOnTimer(TNotifyEvent(form, &TMainForm::CloseTimer));
        }
        Application->Run();
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "consumer: %s\n", e.what());
        return 1;
    }
}
