// The message and input dialogs, answered as a user would: a timer finds the dialog window and
// presses a button or a key. Titles, icons, button order and modal results, dialog keys, the Help
// button, placement by MessageDlgPos, InputQuery. The choice dialog the message components build from
// the framework's controls is tried through the component itself.
#include "framework/Dialogs.h"
#include "framework/StdCtrls.h"

#include "tests/framework/WindowTesting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace WindowTesting;

namespace {

constexpr const char* MessageForm = "TMessageForm";

const TMsgDlgButtons AllButtons{mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbHelp};

struct TButtonCase {
    TMsgDlgBtn Button;
    const char* Caption;
    TModalResult Result;
};
const TButtonCase ButtonCases[] = {
    {mbYes, "&Yes", 6},   {mbNo, "&No", 7},         {mbOK, "OK", 1},          {mbCancel, "Cancel", 2},
    {mbAbort, "&Abort", 3}, {mbRetry, "&Retry", 4}, {mbIgnore, "&Ignore", 5}, {mbAll, "&All", 8},
};

RECT WindowRect(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

// The dialog's buttons from left to right.
std::vector<HWND> ButtonsLeftToRight(HWND dialog)
{
    std::vector<HWND> buttons;
    for (HWND child : ChildWindows(dialog))
        if (WindowClass(child) == "Button")
            buttons.push_back(child);
    std::sort(buttons.begin(), buttons.end(), [](HWND a, HWND b) { return WindowRect(a).left < WindowRect(b).left; });
    return buttons;
}

// The label that carries the message, found through the dialog's form.
TLabel* MessageLabel(HWND dialog)
{
    auto* form = dynamic_cast<TForm*>(FindControl(dialog));
    return form ? dynamic_cast<TLabel*>(form->FindComponent("Message")) : nullptr;
}

// Whether the dialog shows the system icon at the top-left of its client area, as DrawIcon draws it
// on the dialog's face.
bool ShowsIcon(HWND dialog, LPCSTR iconName)
{
    const int side = GetSystemMetrics(SM_CXICON);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = side;
    info.bmiHeader.biHeight = side;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC memory = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    RECT all{0, 0, side, side};
    FillRect(memory, &all, GetSysColorBrush(COLOR_BTNFACE));
    DrawIcon(memory, 0, 0, LoadIconA(nullptr, iconName));
    HDC screen = GetDC(dialog);
    int differences = 0;
    for (int x = 0; x < side; ++x)
        for (int y = 0; y < side; ++y)
            differences += GetPixel(screen, 8 + x, 8 + y) != GetPixel(memory, x, y);
    ReleaseDC(dialog, screen);
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return differences == 0;
}

class TRecorder : public TComponent {
public:
    TRecorder() : TComponent(nullptr) {}
    void Help(std::uint16_t command, int data, bool&, bool& handled)
    {
        Calls.push_back(std::to_string(command) + " " + std::to_string(data));
        handled = true;
    }
    std::vector<std::string> Calls;
};

} // namespace

// ---------------------------------------------------------------------------------------------------
// MessageDlg

TEST(DialogsMessageDlg, EveryButtonAnswersWithItsModalResultInTheOrderOfTheSet)
{
    for (const TButtonCase& c : ButtonCases) {
        std::vector<std::string> captions;
        TUserAction user([&] {
            HWND dialog = FindThreadWindow(MessageForm, "Confirmation");
            if (!dialog)
                return false;
            for (HWND button : ButtonsLeftToRight(dialog))
                captions.push_back(WindowText(button));
            return PressButton(MessageForm, "Confirmation", c.Caption);
        });
        EXPECT_EQ(MessageDlg("Pick one", mtConfirmation, AllButtons, 0), c.Result) << c.Caption;
        EXPECT_EQ(captions, (std::vector<std::string>{"&Yes", "&No", "OK", "Cancel", "&Abort", "&Retry", "&Ignore",
                                                      "&All", "&Help"}));
    }
}

TEST(DialogsMessageDlg, AButtonSetShowsOnlyItsButtons)
{
    std::vector<std::string> captions;
    TUserAction user([&] {
        HWND dialog = FindThreadWindow(MessageForm, "Warning");
        if (!dialog)
            return false;
        for (HWND button : ButtonsLeftToRight(dialog))
            captions.push_back(WindowText(button));
        return PressButton(MessageForm, "Warning", "&Retry");
    });
    EXPECT_EQ(MessageDlg("Disk not ready", mtWarning, TMsgDlgButtons{mbIgnore, mbAbort, mbRetry}, 0), mrRetry);
    EXPECT_EQ(captions, (std::vector<std::string>{"&Abort", "&Retry", "&Ignore"}));
}

TEST(DialogsMessageDlg, TheTypeGivesTitleAndIcon)
{
    struct TTypeCase {
        TMsgDlgType Type;
        const char* Title;
        LPCSTR Icon;
    };
    const TTypeCase cases[] = {
        {mtWarning, "Warning", IDI_WARNING},
        {mtError, "Error", IDI_ERROR},
        {mtInformation, "Information", IDI_INFORMATION},
        {mtConfirmation, "Confirmation", IDI_QUESTION},
    };
    for (const TTypeCase& c : cases) {
        bool icon = false;
        int textLeft = -1;
        std::string text;
        TUserAction user([&] {
            HWND dialog = FindThreadWindow(MessageForm, c.Title);
            if (!dialog)
                return false;
            UpdateWindow(dialog);
            icon = ShowsIcon(dialog, c.Icon);
            if (TLabel* label = MessageLabel(dialog)) {
                textLeft = label->Left();
                text = label->Caption();
            }
            return PressButton(MessageForm, c.Title, "OK");
        });
        EXPECT_EQ(MessageDlg("Something & something else", c.Type, TMsgDlgButtons{mbOK}, 0), mrOk);
        EXPECT_TRUE(icon) << c.Title;
        EXPECT_EQ(textLeft, 8 + GetSystemMetrics(SM_CXICON) + 10) << c.Title;
        EXPECT_EQ(text, "Something & something else");
    }

    // The custom type has the application's title and no icon.
    int textLeft = -1;
    TUserAction user([&] {
        HWND dialog = FindThreadWindow(MessageForm, Application->Title().c_str());
        if (!dialog)
            return false;
        if (TLabel* label = MessageLabel(dialog))
            textLeft = label->Left();
        return PressButton(MessageForm, Application->Title().c_str(), "OK");
    });
    EXPECT_EQ(MessageDlg("Custom", mtCustom, TMsgDlgButtons{mbOK}, 0), mrOk);
    EXPECT_EQ(textLeft, 8);
}

TEST(DialogsMessageDlg, EnterPressesTheDefaultButtonAndEscapeTheCancelButton)
{
    struct TKeyCase {
        TMsgDlgButtons Buttons;
        WPARAM Key;
        TModalResult Result;
    };
    const TKeyCase cases[] = {
        {{mbYes, mbNo}, VK_RETURN, mrYes},
        {{mbYes, mbNo}, VK_ESCAPE, mrNo},
        {{mbOK}, VK_RETURN, mrOk},
        {{mbOK}, VK_ESCAPE, mrOk},
        {{mbOK, mbCancel}, VK_RETURN, mrOk},
        {{mbOK, mbCancel}, VK_ESCAPE, mrCancel},
        {{mbYes, mbNo, mbCancel}, VK_ESCAPE, mrCancel},
        {{mbAbort, mbRetry, mbIgnore}, VK_RETURN, mrRetry},
    };
    for (const TKeyCase& c : cases) {
        TUserAction user([&] { return PressKey(MessageForm, "Information", c.Key); });
        EXPECT_EQ(MessageDlg("Keys", mtInformation, c.Buttons, 0), c.Result)
            << "buttons " << c.Buttons.Bits() << " key " << c.Key;
    }
}

TEST(DialogsMessageDlg, ClosingTheDialogAnswersCancel)
{
    TUserAction user([] {
        HWND dialog = FindThreadWindow(MessageForm, "Error");
        if (dialog)
            PostMessageA(dialog, WM_CLOSE, 0, 0);
        return dialog != nullptr;
    });
    EXPECT_EQ(MessageDlg("Closed", mtError, TMsgDlgButtons{mbYes, mbNo}, 0), mrCancel);
}

TEST(DialogsMessageDlg, HelpAsksTheApplicationAndLeavesTheDialogOpen)
{
    TRecorder recorder;
    const THelpEvent previous = Application->OnHelp();
    Application->SetOnHelp(THelpEvent(&recorder, &TRecorder::Help));
    int step = 0;
    TUserAction user([&] {
        if (step == 0 && PressButton(MessageForm, "Information", "&Help"))
            step = 1;
        else if (step == 1 && !recorder.Calls.empty() && PressButton(MessageForm, "Information", "OK"))
            return true;
        return false;
    });
    EXPECT_EQ(MessageDlg("Help me", mtInformation, TMsgDlgButtons{mbOK, mbHelp}, 77), mrOk);
    Application->SetOnHelp(previous);
    EXPECT_EQ(recorder.Calls, (std::vector<std::string>{"1 77"}));
}

TEST(DialogsMessageDlg, LongLinesAreWrappedAtHalfTheScreenAndLineBreaksKept)
{
    int labelWidth = 0, labelHeight = 0, oneLine = 0;
    RECT dialogRect{};
    TUserAction user([&] {
        HWND dialog = FindThreadWindow(MessageForm, "Information");
        TLabel* label = dialog ? MessageLabel(dialog) : nullptr;
        if (!label)
            return false;
        labelWidth = label->Width();
        labelHeight = label->Height();
        dialogRect = WindowRect(dialog);
        return PressButton(MessageForm, "Information", "OK");
    });
    std::string longText;
    for (int i = 0; i < 60; ++i)
        longText += "word ";
    MessageDlg(longText, mtInformation, TMsgDlgButtons{mbOK}, 0);
    EXPECT_LE(labelWidth, Screen->Width() / 2);
    EXPECT_LE(dialogRect.right - dialogRect.left, Screen->Width() / 2 + 100);

    TLabel probe(nullptr);
    oneLine = probe.Height();
    const int wrappedHeight = labelHeight;
    EXPECT_GT(wrappedHeight, 2 * oneLine);

    TUserAction lines([&] {
        HWND dialog = FindThreadWindow(MessageForm, "Information");
        TLabel* label = dialog ? MessageLabel(dialog) : nullptr;
        if (!label)
            return false;
        labelHeight = label->Height();
        return PressButton(MessageForm, "Information", "OK");
    });
    MessageDlg("first\rsecond\rthird\r", mtInformation, TMsgDlgButtons{mbOK}, 0);
    EXPECT_GE(labelHeight, 3 * oneLine - 3);
}

// ---------------------------------------------------------------------------------------------------
// MessageDlgPos

TEST(DialogsMessageDlgPos, ThePositionPlacesTheDialogAndMinusOneKeepsItCentred)
{
    struct TPosCase {
        int X, Y;
    };
    for (TPosCase c : {TPosCase{100, 50}, TPosCase{-1, 50}, TPosCase{100, -1}, TPosCase{-1, -1}}) {
        RECT r{};
        TUserAction user([&] {
            HWND dialog = FindThreadWindow(MessageForm, "Information");
            if (!dialog)
                return false;
            r = WindowRect(dialog);
            return PressButton(MessageForm, "Information", "OK");
        });
        EXPECT_EQ(MessageDlgPos("Placed", mtInformation, TMsgDlgButtons{mbOK}, 0, c.X, c.Y), mrOk);
        const int width = r.right - r.left, height = r.bottom - r.top;
        EXPECT_EQ(r.left, c.X == -1 ? (Screen->Width() - width) / 2 : c.X) << c.X << "," << c.Y;
        EXPECT_EQ(r.top, c.Y == -1 ? (Screen->Height() - height) / 2 : c.Y) << c.X << "," << c.Y;
    }
}

// ---------------------------------------------------------------------------------------------------
// InputQuery

TEST(DialogsInputQuery, ConfirmingReturnsTheEditedText)
{
    std::string offered;
    DWORD selStart = 1, selEnd = 0;
    bool focused = false;
    TUserAction user([&] {
        HWND dialog = FindThreadWindow("TForm", "Your name");
        HWND edit = nullptr;
        for (HWND child : dialog ? ChildWindows(dialog) : std::vector<HWND>{})
            if (WindowClass(child) == "Edit")
                edit = child;
        if (!edit)
            return false;
        offered = WindowText(edit);
        SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&selStart), reinterpret_cast<LPARAM>(&selEnd));
        focused = GetFocus() == edit;
        SetWindowTextA(edit, "Grace");
        return PressButton("TForm", "Your name", "OK");
    });
    std::string value = "Ada";
    EXPECT_TRUE(InputQuery("Your name", "&Name:", value));
    EXPECT_EQ(value, "Grace");
    EXPECT_EQ(offered, "Ada");
    EXPECT_EQ(selStart, 0u);
    EXPECT_EQ(selEnd, 3u);
    EXPECT_TRUE(focused);
}

TEST(DialogsInputQuery, CancellingLeavesTheValueAlone)
{
    TUserAction user([] {
        HWND dialog = FindThreadWindow("TForm", "Your name");
        HWND edit = dialog ? GetWindow(dialog, GW_CHILD) : nullptr;
        while (edit && WindowClass(edit) != "Edit")
            edit = GetWindow(edit, GW_HWNDNEXT);
        if (!edit)
            return false;
        SetWindowTextA(edit, "changed");
        return PressButton("TForm", "Your name", "Cancel");
    });
    std::string value = "Ada";
    EXPECT_FALSE(InputQuery("Your name", "Name:", value));
    EXPECT_EQ(value, "Ada");
}

TEST(DialogsInputQuery, EnterConfirmsAndEscapeCancels)
{
    std::string value = "typed";
    TUserAction enter([] { return PressKey("TForm", "Query", VK_RETURN); });
    EXPECT_TRUE(InputQuery("Query", "Prompt", value));
    EXPECT_EQ(value, "typed");
    TUserAction escape([] { return PressKey("TForm", "Query", VK_ESCAPE); });
    EXPECT_FALSE(InputQuery("Query", "Prompt", value));
}
