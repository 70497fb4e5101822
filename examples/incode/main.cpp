// A program whose form and components are all made in code, with no form description
// (docs/components-in-code.md walks through it).
//
// The form class makes its components in its constructor and sets their properties; the handlers are
// member functions of the form class. Application->Run() finishes every component before the form
// shows: the application component gives the application its title, and the single-instance guard
// then counts the copies running under that title. A second copy therefore ends before its form
// shows, and hands its command line to the first copy, which closes when it is told "stop". A
// component made while the program runs, after its form was finished, is finished by hand.
//
// Usage: incode [stop]
#include "application/QELTApplication.h"
#include "application/QELTOnlyOne.h"
#include "form/QELTFormTopMost.h"
#include "framework/Forms.h"
#include "persistence/QELTFormSaver.h"

#include <cstdio>
#include <string>

namespace {

void Say(const std::string& line)
{
    std::puts(line.c_str());
    std::fflush(stdout);
}

class TMainForm : public TForm {
public:
    explicit TMainForm(TComponent* owner) : TForm(owner)
    {
        SetName("MainForm");
        SetBounds(200, 150, 360, 140);

        // Made first, so that it has set the title when the guard made next counts the copies.
        auto* settings = new TQELApplication(this);
        settings->SetApplicationTitle("QELSystm made in code");

        auto* guard = new TQELOnlyOne(this);
        guard->SetName("Guard");
        guard->SetOnExceeded(TQELOnExceeded(this, &TMainForm::GuardExceeded));
        guard->SetOnNewInstance(TQELOnNewInstance(this, &TMainForm::GuardNewInstance));

        // The saver takes over the form's OnShow and OnClose; the form's own handlers, assigned after
        // it, run under it all the same.
        auto* saver = new TQELFormSaver(this);
        saver->FormStore()->SetDatatype(sIniFile);
        saver->FormStore()->Inifile()->SetFilename(TempFolder() + "QELSystmInCode.ini");
        saver->FormStore()->Inifile()->SetSection("Forms");
        saver->SetOnRestore(TNotifyEvent(this, &TMainForm::SaverRestore));
        SetOnShow(TNotifyEvent(this, &TMainForm::FormShow));
        SetOnClose(TCloseEvent(this, &TMainForm::FormClose));
    }

private:
    void FormShow(TObject*)
    {
        Say("MainForm.OnShow Title=" + Application->Title());
        // The form is finished now: what is made on it from here on is finished by hand.
        FTopMost = new TQELTopMost(this);
        FTopMost->Finish();
        const bool topMost = (GetWindowLongA(Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        Say(std::string("TopMost.Active=") + (FTopMost->Active() ? "True" : "False") +
            " top-most=" + (topMost ? "yes" : "no"));
    }
    void SaverRestore(TObject*) { Say("Saver.OnRestore"); }
    void FormClose(TObject*, TCloseAction&)
    {
        Say("MainForm.OnClose");
        // A component may be freed at any time; the form frees the others when it goes.
        delete FTopMost;
        FTopMost = nullptr;
    }
    void GuardExceeded(TObject*, int instances)
    {
        Say("Guard.OnExceeded NoOfInstances=" + std::to_string(instances));
    }
    void GuardNewInstance(TObject*, const std::string& arguments, const std::string&)
    {
        Say("Guard.OnNewInstance Arguments=" + arguments);
        if (arguments == "stop")
            Close();
    }

    static std::string TempFolder()
    {
        char folder[MAX_PATH];
        const DWORD length = GetTempPathA(MAX_PATH, folder);
        return std::string(folder, length);
    }

    TQELTopMost* FTopMost = nullptr;
};

} // namespace

int main()
{
    try {
        TMainForm* form = nullptr;
        Application->CreateForm(form);
        Application->Run();
        Say("ended");
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "incode: %s\n", e.what());
        return 1;
    }
}
