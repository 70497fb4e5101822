// The message components, answered as a user would: a timer finds the dialog by its class and title and
// presses a button or types (a watchdog closes what it cannot answer). The message text and the call
// made, each answer's one event, positions, the dialogs owned by the active form (a top-most one too)
// and centred on it, the input and the choice dialogs; and one dialog answered in the host program from
// another process.
#include "application/QELTMessages.h"
#include "tests/application/ApplicationTestSupport.h"
#include "tests/framework/WindowTesting.h"
#include "tests/support/ImportPatch.h"

#include "framework/StdCtrls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using namespace WindowTesting;

namespace {

constexpr const char* MessageForm = "TMessageForm";

RECT WindowRect(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

POINT Centre(HWND window)
{
    const RECT r = WindowRect(window);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// Whether upper lies above lower in the z-order of the top-level windows.
bool Above(HWND upper, HWND lower)
{
    for (HWND window = GetWindow(upper, GW_HWNDNEXT); window; window = GetWindow(window, GW_HWNDNEXT))
        if (window == lower)
            return true;
    return false;
}

// The text the message dialog shows.
std::string MessageText(HWND dialog)
{
    auto* form = dynamic_cast<TForm*>(FindControl(dialog));
    auto* label = form ? dynamic_cast<TLabel*>(form->FindComponent("Message")) : nullptr;
    return label ? label->Caption() : "(no message)";
}

HWND ChildOfClass(HWND parent, const std::string& className)
{
    for (HWND child : ChildWindows(parent))
        if (WindowClass(child) == className)
            return child;
    return nullptr;
}

// Records the system sounds asked for while it lives.
class TBeepSpy {
public:
    TBeepSpy() : FPatch("user32.dll", "MessageBeep", &Beep) { Sounds().clear(); }
    static std::vector<UINT>& Sounds()
    {
        static std::vector<UINT> sounds;
        return sounds;
    }

private:
    static BOOL WINAPI Beep(UINT type)
    {
        Sounds().push_back(type);
        return TRUE;
    }
    TImportPatch FPatch;
};

constexpr const char* BoxForm = "object Main: TForm\n"
                                "  object Box: TQELMsgBox\n"
                                "    Caption.Strings = ('Save the changes?')\n"
                                "    MessageType = mtConfirmation\n"
                                "    Buttons = [mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll]\n"
                                "    OnYes = BoxYes\n"
                                "    OnNo = BoxNo\n"
                                "    OnOk = BoxOk\n"
                                "    OnCancel = BoxCancel\n"
                                "    OnAbort = BoxAbort\n"
                                "    OnIgnore = BoxIgnore\n"
                                "    OnRetry = BoxRetry\n"
                                "    OnAll = BoxAll\n"
                                "  end\n"
                                "  object Query: TQELMsgDlg\n"
                                "    Header = 'Your name'\n"
                                "    Question = 'Name:'\n"
                                "    Return = 'Nobody'\n"
                                "    OnOk = QueryOk\n"
                                "    OnCancel = QueryCancel\n"
                                "  end\n"
                                "  object Choice: TQELMsgSelect\n"
                                "    Header = 'Choose'\n"
                                "    Question = '&Fruit'\n"
                                "    Return = 'PEAR'\n"
                                "    Items.Strings = ('pear' 'apple' 'fig')\n"
                                "    Sorted = True\n"
                                "    OnOk = ChoiceOk\n"
                                "    OnCancel = ChoiceCancel\n"
                                "  end\n"
                                "end\n";

// The form above, read with its events logged.
struct TMessagesFixture {
    TEventLog Log;
    std::unique_ptr<TComponent> Form = Log.Read(BoxForm);
    TQELMsgBox* Box = Form->FindComponent("Box")->As<TQELMsgBox>();
    TQELMsgDlg* Query = Form->FindComponent("Query")->As<TQELMsgDlg>();
    TQELMsgSelect* Choice = Form->FindComponent("Choice")->As<TQELMsgSelect>();
};

} // namespace

// ---------------------------------------------------------------------------------------------------
// TQELMsgBox

TEST(QELMessages, EachStartsWithItsDeclaredValuesAndStoresWhatDiffersFromTheDefaults)
{
    TForm form(nullptr);
    auto* box = new TQELMsgBox(&form);
    box->SetName("Box");
    EXPECT_EQ(box->Sound(), bNone);
    EXPECT_EQ(box->Caption()->Count(), 0);
    EXPECT_EQ(box->MessageType(), mtInformation);
    EXPECT_EQ(box->Buttons(), (TMsgDlgButtons{mbOK, mbCancel}));
    EXPECT_EQ(box->HelpContext(), 0);
    EXPECT_EQ(box->XPosition(), -1);
    EXPECT_EQ(box->YPosition(), -1);
    auto* query = new TQELMsgDlg(&form);
    query->SetName("Query");
    auto* choice = new TQELMsgSelect(&form);
    choice->SetName("Choice");
    EXPECT_FALSE(choice->Sorted());
    // The texts and lists have no declared default: always stored.
    EXPECT_NE(StoredText(form).find("  object Box: TQELMsgBox\n    Caption.Strings = ()\n  end\n"
                                    "  object Query: TQELMsgDlg\n    Header = 'Heading'\n    Question = 'Question'\n"
                                    "    Return = 'Default Return'\n  end\n"
                                    "  object Choice: TQELMsgSelect\n    Header = 'Heading'\n    Question = 'Question'\n"
                                    "    Return = ''\n    Items.Strings = ()\n  end"),
              std::string::npos)
        << StoredText(form);

    box->SetMessageType(mtWarning);
    box->SetButtons(TMsgDlgButtons{mbYes, mbNo});
    box->SetHelpContext(12);
    box->SetXPos(10);
    box->SetYPos(20);
    choice->SetSorted(true);
    EXPECT_NE(StoredText(form).find("    MessageType = mtWarning\n    Buttons = [mbYes, mbNo]\n    HelpContext = 12\n"
                                    "    XPosition = 10\n    YPosition = 20\n"),
              std::string::npos)
        << StoredText(form);
    EXPECT_NE(StoredText(form).find("    Sorted = True\n"), std::string::npos) << StoredText(form);

    // Placed in the designer, the message box starts with a placeholder line.
    TForm designer(nullptr);
    designer.SetDesigning(true);
    auto* designed = new TQELMsgBox(&designer);
    EXPECT_EQ(designed->Caption()->Text(), "Place your message here\r\n");
}

TEST(QELMsgBox, EitherPositionAtMinusOneResetsTheOther)
{
    TQELMsgBox box(nullptr);
    box.SetXPos(100);
    box.SetYPos(50);
    box.SetXPos(-1);
    EXPECT_EQ(box.YPosition(), -1);
    box.SetXPos(100);
    box.SetYPos(50);
    box.SetYPos(-1);
    EXPECT_EQ(box.XPosition(), -1);
    box.SetYPos(50); // X stays -1
    EXPECT_EQ(box.XPosition(), -1);
}

TEST(QELMsgBox, ShowsEachLineEndedByACarriageReturnAfterTheSound)
{
    TBeepSpy beeps;
    TEventLog log;
    auto form = log.Read("object Main: TForm\n"
                         "  object Box: TQELMsgBox\n"
                         "    Sound = bQuestion\n"
                         "    Caption.Strings = ('first' 'second')\n"
                         "    OnOk = BoxOk\n"
                         "    OnCancel = BoxCancel\n"
                         "  end\n"
                         "end\n");
    auto* box = form->FindComponent("Box")->As<TQELMsgBox>();
    std::string text;
    std::vector<UINT> soundsBefore;
    std::vector<std::string> buttons;
    TUserAction user([&] {
        HWND dialog = FindThreadWindow(MessageForm, "Information");
        if (!dialog)
            return false;
        text = MessageText(dialog);
        soundsBefore = TBeepSpy::Sounds();
        for (HWND child : ChildWindows(dialog))
            if (WindowClass(child) == "Button")
                buttons.push_back(WindowText(child));
        return PressButton(MessageForm, "Information", "OK");
    });
    EXPECT_TRUE(box->Execute());
    EXPECT_EQ(text, "first\rsecond\r");
    EXPECT_EQ(soundsBefore, (std::vector<UINT>{MB_ICONQUESTION}));
    std::sort(buttons.begin(), buttons.end());
    EXPECT_EQ(buttons, (std::vector<std::string>{"Cancel", "OK"}));
    EXPECT_EQ(log.Lines, (std::vector<std::string>{"Box.OnOk Sender=Box"}));

    // No lines, no text.
    box->Caption()->Clear();
    TUserAction empty([&] {
        HWND dialog = FindThreadWindow(MessageForm, "Information");
        if (!dialog)
            return false;
        text = MessageText(dialog);
        return PressButton(MessageForm, "Information", "Cancel");
    });
    EXPECT_TRUE(box->Execute());
    EXPECT_EQ(text, "");
    EXPECT_EQ(log.Lines.back(), "Box.OnCancel Sender=Box");
}

TEST(QELMsgBox, EachAnswerFiresExactlyItsOneEvent)
{
    TMessagesFixture f;
    const std::vector<std::pair<std::string, std::string>> answers{
        {"&Yes", "OnYes"},     {"&No", "OnNo"},       {"OK", "OnOk"},         {"Cancel", "OnCancel"},
        {"&Abort", "OnAbort"}, {"&Retry", "OnRetry"}, {"&Ignore", "OnIgnore"}, {"&All", "OnAll"}};
    for (const auto& [button, event] : answers) {
        f.Log.Lines.clear();
        TUserAction user([&] { return PressButton(MessageForm, "Confirmation", button); });
        EXPECT_TRUE(f.Box->Execute());
        EXPECT_EQ(f.Log.Lines, (std::vector<std::string>{"Box." + event + " Sender=Box"})) << button;
    }
}

TEST(QELMsgBox, OnlyYPositionDecidesWhetherThePositionIsUsed)
{
    TMessagesFixture f;
    // Where the message box opens.
    auto opened = [&] {
        RECT r{};
        TUserAction user([&] {
            HWND dialog = FindThreadWindow(MessageForm, "Confirmation");
            if (!dialog)
                return false;
            r = WindowRect(dialog);
            return PressButton(MessageForm, "Confirmation", "OK");
        });
        f.Box->Execute();
        return r;
    };
    f.Box->SetYPos(50); // X stays at the default
    RECT r = opened();
    EXPECT_EQ(r.top, 50);
    EXPECT_EQ(r.left, (Screen->Width() - (r.right - r.left)) / 2);

    f.Box->SetYPos(-1);
    f.Box->SetXPos(100); // Y is -1: the default position
    r = opened();
    EXPECT_EQ(r.left, (Screen->Width() - (r.right - r.left)) / 2);
    EXPECT_EQ(r.top, (Screen->Height() - (r.bottom - r.top)) / 2);
}

// ---------------------------------------------------------------------------------------------------
// Owned by the active form

TEST(QELMessages, EveryDialogBelongsToTheActiveFormAndOpensCentredInFrontOfItTopMostOrNot)
{
    TMessagesFixture f;
    auto owner = std::make_unique<TForm>(Application);
    owner->SetBounds(200, 150, 500, 400);
    owner->Show();
    SetWindowPos(owner->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(owner->Handle());
    ASSERT_EQ(GetActiveWindow(), owner->Handle());

    // Runs one component's Execute and notes where its dialog (class and title) opened.
    const POINT centre = Centre(owner->Handle());
    auto check = [&](TQELExecuteComponent* component, const char* className, const char* title) {
        HWND dialogOwner = nullptr;
        POINT dialogCentre{0, 0};
        bool inFront = false;
        TUserAction user([&] {
            HWND dialog = FindThreadWindow(className, title);
            if (!dialog)
                return false;
            dialogOwner = GetWindow(dialog, GW_OWNER);
            dialogCentre = Centre(dialog);
            inFront = Above(dialog, owner->Handle());
            return PressButton(className, title, "OK");
        });
        component->Execute();
        EXPECT_EQ(dialogOwner, owner->Handle()) << title;
        EXPECT_NEAR(dialogCentre.x, centre.x, 1) << title;
        EXPECT_NEAR(dialogCentre.y, centre.y, 1) << title;
        EXPECT_TRUE(inFront) << title;
    };
    check(f.Box, MessageForm, "Confirmation");
    check(f.Query, "TForm", "Your name");
    check(f.Choice, "TForm", "Choose");
    // Back to the form afterwards.
    EXPECT_EQ(GetActiveWindow(), owner->Handle());
}

TEST(QELMessages, ADialogWhoseFormIsFreedWhileItIsUpAnswersCancel)
{
    TMessagesFixture f;
    auto owner = std::make_unique<TForm>(Application);
    owner->Show();
    SetForegroundWindow(owner->Handle());
    TForm* dialogForm = nullptr;
    TUserAction user([&] {
        HWND dialog = FindThreadWindow(MessageForm, "Confirmation");
        if (!dialog)
            return false;
        dialogForm = dynamic_cast<TForm*>(FindControl(dialog));
        owner.reset(); // a timer of the form's, say, frees it
        return true;
    });
    // Should the dialog wait on with no window, this ends it, so that the run goes on. A dialog that
    // ends as it should has gone before this has seen three of its ticks after the form went (one may
    // have been on its way already).
    int ticksAfterFreeing = 0;
    bool rescued = false;
    TUserAction rescue(
        [&] {
            if (!dialogForm || ++ticksAfterFreeing < 3)
                return false;
            dialogForm->SetModalResult(mrCancel);
            rescued = true;
            return true;
        },
        100, 100000);
    EXPECT_TRUE(f.Box->Execute());
    EXPECT_TRUE(user.Done());
    EXPECT_FALSE(rescued);
    EXPECT_EQ(f.Log.Lines, (std::vector<std::string>{"Box.OnCancel Sender=Box"}));
}

// ---------------------------------------------------------------------------------------------------
// TQELMsgDlg

TEST(QELMsgDlg, ConfirmingKeepsTheEditedTextCancellingLeavesReturnAlone)
{
    TMessagesFixture f;
    std::string offered, prompt;
    TUserAction confirm([&] {
        HWND dialog = FindThreadWindow("TForm", "Your name");
        HWND edit = dialog ? ChildOfClass(dialog, "Edit") : nullptr;
        if (!edit)
            return false;
        offered = WindowText(edit);
        prompt = dynamic_cast<TForm*>(FindControl(dialog))->Components(0)->As<TLabel>()->Caption();
        SetWindowTextA(edit, "Ada");
        return PressButton("TForm", "Your name", "OK");
    });
    EXPECT_TRUE(f.Query->Execute());
    EXPECT_EQ(offered, "Nobody");
    EXPECT_EQ(prompt, "Name:");
    EXPECT_EQ(f.Query->Return(), "Ada");
    EXPECT_EQ(f.Log.Lines, (std::vector<std::string>{"Query.OnOk Sender=Query"}));

    TUserAction cancel([&] {
        HWND dialog = FindThreadWindow("TForm", "Your name");
        HWND edit = dialog ? ChildOfClass(dialog, "Edit") : nullptr;
        if (!edit)
            return false;
        SetWindowTextA(edit, "Grace");
        return PressButton("TForm", "Your name", "Cancel");
    });
    EXPECT_FALSE(f.Query->Execute());
    EXPECT_EQ(f.Query->Return(), "Ada");
    EXPECT_EQ(f.Log.Lines.back(), "Query.OnCancel Sender=Query");
}

// ---------------------------------------------------------------------------------------------------
// TQELMsgSelect

TEST(QELMsgSelect, PreselectsReturnShowsTheEntriesSortedAndKeepsItemsInOrder)
{
    TMessagesFixture f;
    std::vector<std::string> shown;
    int selected = -2;
    std::string label;
    RECT dialogRect{}, comboRect{}, okRect{}, cancelRect{}, client{};
    POINT origin{0, 0};
    TUserAction user([&] {
        HWND dialog = FindThreadWindow("TForm", "Choose");
        HWND combo = dialog ? ChildOfClass(dialog, "ComboBox") : nullptr;
        if (!combo)
            return false;
        for (int i = 0; i < SendMessageA(combo, CB_GETCOUNT, 0, 0); ++i) {
            char text[64] = {};
            SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            shown.push_back(text);
        }
        selected = static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0));
        label = dynamic_cast<TForm*>(FindControl(dialog))->Components(0)->As<TLabel>()->Caption();
        dialogRect = WindowRect(dialog);
        comboRect = WindowRect(combo);
        okRect = WindowRect(FindChild(dialog, "OK"));
        cancelRect = WindowRect(FindChild(dialog, "Cancel"));
        GetClientRect(dialog, &client);
        ClientToScreen(dialog, &origin);
        return PressKey("TForm", "Choose", VK_RETURN);
    });
    EXPECT_TRUE(f.Choice->Execute());
    EXPECT_EQ(f.Choice->Return(), "pear"); // the entry's own spelling
    EXPECT_EQ(shown, (std::vector<std::string>{"apple", "fig", "pear"}));
    EXPECT_EQ(selected, 2);
    EXPECT_EQ(label, "&Fruit");
    EXPECT_EQ(f.Choice->Items()->Text(), "pear\r\napple\r\nfig\r\n");
    EXPECT_EQ(f.Log.Lines, (std::vector<std::string>{"Choice.OnOk Sender=Choice"}));

    // The layout, in the dialog's client area.
    EXPECT_EQ(dialogRect.right - dialogRect.left, 280);
    EXPECT_EQ(comboRect.left - origin.x, 10);
    EXPECT_EQ(comboRect.right - comboRect.left, client.right - 20);
    EXPECT_EQ(okRect.top - comboRect.bottom, 10);
    EXPECT_EQ(okRect.left - origin.x, client.right / 2 - 82);
    EXPECT_EQ(okRect.right - okRect.left, 77);
    EXPECT_EQ(okRect.bottom - okRect.top, 27);
    EXPECT_EQ(cancelRect.left - okRect.right, 10);
    EXPECT_EQ(cancelRect.top, okRect.top);
    EXPECT_EQ(client.bottom, okRect.bottom - origin.y + 10);
}

TEST(QELMsgSelect, TypedTextIsCutTo127CharactersAndCancelLeavesReturnAlone)
{
    TMessagesFixture f;
    f.Choice->SetSorted(false);
    TUserAction type([&] {
        HWND dialog = FindThreadWindow("TForm", "Choose");
        HWND combo = dialog ? ChildOfClass(dialog, "ComboBox") : nullptr;
        HWND edit = combo ? GetWindow(combo, GW_CHILD) : nullptr;
        if (!edit)
            return false;
        SetWindowTextA(edit, "");
        for (int i = 0; i < 200; ++i)
            PostMessageA(edit, WM_CHAR, 'k', 1);
        PostMessageA(FindChild(dialog, "OK"), BM_CLICK, 0, 0);
        return true;
    });
    EXPECT_TRUE(f.Choice->Execute());
    EXPECT_EQ(f.Choice->Return(), std::string(127, 'k'));

    TUserAction cancel([] { return PressKey("TForm", "Choose", VK_ESCAPE); });
    EXPECT_FALSE(f.Choice->Execute());
    EXPECT_EQ(f.Choice->Return(), std::string(127, 'k'));
    EXPECT_EQ(f.Log.Lines, (std::vector<std::string>{"Choice.OnOk Sender=Choice", "Choice.OnCancel Sender=Choice"}));
}

// ---------------------------------------------------------------------------------------------------
// In the host program, answered from another process

TEST(MessagesHost, ADialogAnsweredFromOutsideFiresItsOneEventAndExecuteSaysTrue)
{
    TDescriptionFile form(BoxForm);
    TChildProcess host(HostCommand("run \"" + form.Path() + "\" --seconds 30 --execute Box"));
    HWND dialog = WaitForShownProcessWindow(host, MessageForm, "Confirmation");
    ASSERT_NE(dialog, nullptr) << host.Err();
    PostMessageA(FindChild(dialog, "&No"), BM_CLICK, 0, 0);
    EXPECT_TRUE(host.WaitForLine("Box.Execute Result=True")) << host.Err();
    EXPECT_EQ(host.OutLines(), (std::vector<std::string>{"Box.OnNo Sender=Box", "Box.Execute Result=True"}));
    EXPECT_EQ(host.Err(), "");
}
