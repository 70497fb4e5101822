// A form saver's store and restore of a form with 100 controls, against the same number of raw
// registry writes and reads, each opening and closing its key as the saver's store does.
#include "bench/Bench.h"

#include "framework/ExtCtrls.h"
#include "framework/Win32Handles.h"
#include "persistence/QELTFormSaver.h"

#include <string>
#include <vector>

namespace {

constexpr int ControlCount = 100;
constexpr int Runs = 30;
const std::string Section = "Forms";

class TBenchForm : public TForm {
    QEL_CLASS(TBenchForm)
public:
    using TForm::TForm;
};

} // namespace

QEL_CLASS_INFO(TBenchForm, TForm)
{
    return {};
}

namespace {

volatile DWORD Sink;

void RunFormSaverBench()
{
    const std::string key = "Software\\QELSystmBench\\" + std::to_string(GetCurrentProcessId());
    const std::string sectionPath = key + "\\" + Section;

    auto* form = new TBenchForm(Application);
    form->SetBounds(50, 50, 640, 480);
    std::vector<std::string> names{"TBenchForm"};
    for (int i = 0; i < ControlCount; ++i) {
        auto* panel = new TPanel(form);
        panel->SetName("Panel" + std::to_string(i));
        panel->SetParent(form);
        panel->SetBounds(i % 10 * 60, i / 10 * 40, 55, 35);
        names.push_back(panel->Name());
    }
    auto* saver = new TQELFormSaver(form);
    saver->FormStore()->Registry()->SetPath(key);
    saver->FormStore()->Registry()->SetSection(Section);
    form->Show();

    // What a store and a restore run do to the registry: for the form the window state, four
    // bounds and the visibility, for each control four bounds and the visibility.
    std::vector<std::string> valueNames;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i == 0)
            valueNames.push_back(names[i] + "_WindowState");
        for (const char* suffix : {"_Width", "_Height", "_Top", "_Left", "_Visible"})
            valueNames.push_back(names[i] + suffix);
    }
    auto raw = [&] {
        DWORD data = 0;
        for (const std::string& name : valueNames) {
            HKEY key = nullptr;
            (void)RegCreateKeyExA(HKEY_CURRENT_USER, sectionPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                  &key, nullptr);
            TRegKeyHandle owned(key);
            ++data;
            (void)RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
        }
        for (const std::string& name : valueNames) {
            HKEY key = nullptr;
            (void)RegOpenKeyExA(HKEY_CURRENT_USER, sectionPath.c_str(), 0, KEY_QUERY_VALUE, &key);
            TRegKeyHandle owned(key);
            DWORD size = sizeof data;
            (void)RegQueryValueExA(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &size);
            Sink = data;
        }
    };
    auto library = [&] {
        saver->Store();
        saver->Restore();
    };
    CompareWithRaw("store + restore, 100 controls", Runs, raw, library);

    delete form;
    (void)RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
    (void)RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\QELSystmBench");
}

const bool Registered = RegisterBenchmark("Form saver (TQELFormSaver), a form with 100 controls", &RunFormSaverBench);

} // namespace
