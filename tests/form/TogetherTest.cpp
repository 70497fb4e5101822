// Every form-behaviour component on one form with a form saver and a form hook, created and destroyed
// in many orders: each showing still calls the form's own handlers once, every message still gets an
// answer, and once all are gone the form has its own window procedure and handlers back.
#include "form/QELTCDTriggers.h"
#include "form/QELTDroppedFiles.h"
#include "form/QELTFormAspect.h"
#include "form/QELTFormExplode.h"
#include "form/QELTFormSizes.h"
#include "form/QELTFormTopMost.h"
#include "form/QELTMouseController.h"
#include "foundation/QELTFormHook.h"
#include "persistence/QELTFormSaver.h"
#include "tests/form/FormTesting.h"
#include "tests/support/ImportPatch.h"

#include <dbt.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <random>
#include <vector>

namespace {

// Nothing is drawn on the screen, and the cursor is never fenced.
BOOL WINAPI NoRectangle(HDC, int, int, int, int)
{
    return TRUE;
}

BOOL WINAPI NoClip(const RECT*)
{
    return TRUE;
}

class FormTogether : public FormTesting::TFormTest {
protected:
    FormTogether()
    {
        Form->SetOnShow(TNotifyEvent(this, &FormTogether::FormShow));
        Form->SetOnHide(TNotifyEvent(this, &FormTogether::FormHide));
        Form->SetOnPaint(TNotifyEvent(this, &FormTogether::FormPaint));
        Form->SetOnClose(TCloseEvent(this, &FormTogether::FormClose));
    }

    // Shows and hides the form, painting it in between, and sends it each message a component acts on.
    void Exercise()
    {
        const int shows = Shows;
        const int hides = Hides;
        Form->Show();
        UpdateWindow(Form->Handle());
        MINMAXINFO info{};
        info.ptMaxSize = {1032, 776};
        Send(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
        RECT rect{100, 100, 400, 300};
        Send(WM_SIZING, WMSZ_RIGHT, reinterpret_cast<LPARAM>(&rect));
        DEV_BROADCAST_VOLUME volume{sizeof volume, DBT_DEVTYP_VOLUME, 0, 1u << 4, DBTF_MEDIA};
        Send(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&volume));
        Send(WM_CANCELMODE);
        Send(WM_DROPFILES, 0);
        Form->Hide();
        EXPECT_EQ(Shows, shows + 1);
        EXPECT_EQ(Hides, hides + 1);
        Form->SetCaption("answering");
        EXPECT_EQ(Send(WM_GETTEXTLENGTH), 9);
    }

public:
    void FormShow(TObject*) { ++Shows; }
    void FormHide(TObject*) { ++Hides; }
    void FormPaint(TObject*) {}
    void FormClose(TObject*, TCloseAction&) {}

protected:
    TImportPatch RectanglePatch{"gdi32.dll", "Rectangle", &NoRectangle};
    TImportPatch ClipPatch{"user32.dll", "ClipCursor", &NoClip};
    int Shows = 0;
    int Hides = 0;
};

TEST_F(FormTogether, AnyOrderOfCreationAndDestructionLeavesTheFormAsItWas)
{
    using TMaker = std::function<TComponent*(TForm*)>;
    const std::vector<TMaker> makers{
        [](TForm* form) {
            auto* saver = new TQELFormSaver(form);
            saver->FormStore()->SetEnabled(false);
            return saver;
        },
        [](TForm* form) { return new TQELFormExplode(form); },
        [](TForm* form) { return new TQELFormHook(form); },
        [](TForm* form) {
            auto* sizes = new TQELFormSizes(form);
            sizes->SetMinWidth(200);
            return sizes;
        },
        [](TForm* form) { return new TQELFormAspect(form); },
        [](TForm* form) { return new TQELMouseController(form); },
        [](TForm* form) {
            auto* files = new TQELDroppedFiles(form);
            files->SetActive(true);
            return files;
        },
        [](TForm* form) { return new TQELCDTriggers(form); },
        [](TForm* form) { return new TQELTopMost(form); },
    };
    const LONG_PTR procedure = GetWindowLongPtrA(Form->Handle(), GWLP_WNDPROC);
    const TNotifyEvent show = Form->ShowSlot();
    const TNotifyEvent hide = Form->HideSlot();
    const TNotifyEvent paint = Form->PaintSlot();
    const TCloseEvent close = Form->CloseSlot();
    std::mt19937 random(8);
    for (int round = 0; round < 8; ++round) {
        std::vector<std::size_t> order(makers.size());
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::shuffle(order.begin(), order.end(), random);
        std::vector<TComponent*> components;
        for (std::size_t maker : order)
            components.push_back(makers[maker](Form));
        Exercise();
        std::shuffle(components.begin(), components.end(), random);
        for (TComponent* component : components) {
            delete component;
            Exercise();
        }
        EXPECT_EQ(GetWindowLongPtrA(Form->Handle(), GWLP_WNDPROC), procedure) << "round " << round;
        EXPECT_EQ(Form->ShowSlot(), show);
        EXPECT_EQ(Form->HideSlot(), hide);
        EXPECT_EQ(Form->PaintSlot(), paint);
        EXPECT_EQ(Form->CloseSlot(), close);
    }
}

} // namespace
