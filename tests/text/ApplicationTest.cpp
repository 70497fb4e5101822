// The application components under UTF-8: the tray tip cut between characters to what the record's
// 64 bytes hold, the input dialog's title, prompt and text, and the choice dialog's entries and typed
// text beyond ASCII.
#include "tests/text/TextTesting.h"

#include "application/QELTMessages.h"
#include "application/QELTSystemTray.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"
#include "framework/Strings.h"
#include "tests/framework/WindowTesting.h"
#include "tests/support/ImportPatch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace WindowTesting;

namespace {

// The tip of the last record the library handed to the shell, which still gets every call.
class TTipSpy {
public:
    TTipSpy() : FPatch("shell32.dll", "Shell_NotifyIconA", &Spy) {}
    static std::string& LastTip()
    {
        static std::string tip;
        return tip;
    }

private:
    static BOOL WINAPI Spy(DWORD message, PNOTIFYICONDATAA data)
    {
        LastTip() = std::string(data->szTip, strnlen(data->szTip, sizeof data->szTip));
        const auto shell = reinterpret_cast<decltype(&Shell_NotifyIconA)>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("shell32.dll"), "Shell_NotifyIconA")));
        return shell(message, data);
    }
    TImportPatch FPatch;
};

HWND ChildOfClass(HWND dialog, const std::string& className)
{
    for (HWND child : dialog ? ChildWindows(dialog) : std::vector<HWND>())
        if (WindowClass(child) == className)
            return child;
    return nullptr;
}

std::string Repeated(const std::string& text, int count)
{
    std::string result;
    for (int i = 0; i < count; ++i)
        result += text;
    return result;
}

} // namespace

// 63 bytes and the terminator: 21 ideographs of three bytes; 62 letters and not half of an e-acute.
TEST(TextTray, TheTipIsCutBetweenCharactersToWhatItsBytesHold)
{
    TTipSpy spy;
    auto form = std::make_unique<TForm>(Application);
    auto* tray = new TQELSystemTray(form.get());
    tray->SetHint(CafeNihon());
    tray->SetEnabled(true);
    EXPECT_EQ(TTipSpy::LastTip(), CafeNihon());
    tray->SetHint(Repeated(Utf8(u8"\u65E5"), 30));
    EXPECT_EQ(TTipSpy::LastTip(), Repeated(Utf8(u8"\u65E5"), 21));
    tray->SetHint(std::string(62, 'a') + Utf8(u8"\u00E9") + "b");
    EXPECT_EQ(TTipSpy::LastTip(), std::string(62, 'a'));
    tray->SetHint(Greek());
    EXPECT_EQ(TTipSpy::LastTip(), Greek());
}

TEST(TextMessages, TheInputDialogShowsAndTakesTextBeyondAscii)
{
    TForm form(nullptr);
    auto* query = new TQELMsgDlg(&form);
    query->SetHeader(Greek());
    query->SetQuestion(CafeNihon());
    query->SetReturn(CafeNihon());
    std::wstring title, offered;
    int promptWidth = 0;
    SIZE promptExtent{};
    TUserAction answer([&] {
        HWND dialog = FindThreadWindow("TForm", Greek().c_str());
        HWND edit = ChildOfClass(dialog, "Edit");
        if (!edit)
            return false;
        wchar_t text[64] = {};
        (void)GetWindowTextW(dialog, text, 64);
        title = text;
        (void)GetWindowTextW(edit, text, 64);
        offered = text;
        auto* dialogForm = dynamic_cast<TForm*>(FindControl(dialog));
        auto* prompt = dialogForm->Components(0)->As<TLabel>();
        promptWidth = prompt->Width();
        promptExtent = TextExtent(dialogForm->Font()->Handle(), AnsiToWide(prompt->Caption()));
        SendMessageW(edit, EM_SETSEL, 0, -1);
        SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"\x03B1\x03BB\x03C6\x03B1"));
        return PressButton("TForm", Greek().c_str(), "OK");
    });
    EXPECT_TRUE(query->Execute());
    EXPECT_EQ(title, AnsiToWide(Greek()));
    EXPECT_EQ(offered, L"caf\x00E9-\x65E5\x672C");
    EXPECT_EQ(promptWidth, promptExtent.cx);
    EXPECT_EQ(query->Return(), Utf8(u8"\u03B1\u03BB\u03C6\u03B1"));
}

// The box takes 127 characters, three bytes each here, not 127 bytes.
TEST(TextMessages, TheChoiceDialogOffersAndTakesTextBeyondAscii)
{
    TForm form(nullptr);
    auto* choice = new TQELMsgSelect(&form);
    choice->SetHeader(Greek());
    choice->SetQuestion(CafeNihon());
    choice->Items()->Add(Greek());
    choice->Items()->Add(CafeNihon());
    choice->Items()->Add("apple");
    choice->SetSorted(true);
    choice->SetReturn(CafeNihon());
    std::vector<std::string> shown;
    int selected = -2;
    TUserAction pick([&] {
        HWND dialog = FindThreadWindow("TForm", Greek().c_str());
        HWND combo = ChildOfClass(dialog, "ComboBox");
        if (!combo)
            return false;
        for (int i = 0; i < SendMessageA(combo, CB_GETCOUNT, 0, 0); ++i) {
            std::string text(static_cast<std::size_t>(SendMessageA(combo, CB_GETLBTEXTLEN, i, 0)), '\0');
            SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
            shown.push_back(text);
        }
        selected = static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0));
        return PressKey("TForm", Greek().c_str(), VK_RETURN);
    });
    EXPECT_TRUE(choice->Execute());
    EXPECT_EQ(shown, (std::vector<std::string>{"apple", CafeNihon(), Greek()}));
    EXPECT_EQ(selected, 1);
    EXPECT_EQ(choice->Return(), CafeNihon());

    TUserAction type([&] {
        HWND dialog = FindThreadWindow("TForm", Greek().c_str());
        HWND combo = ChildOfClass(dialog, "ComboBox");
        HWND edit = combo ? GetWindow(combo, GW_CHILD) : nullptr;
        if (!edit)
            return false;
        SetWindowTextA(edit, "");
        // As the user types or pastes: the box keeps what its limit allows.
        const std::wstring typed(130, L'\x65E5');
        SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(typed.c_str()));
        PostMessageA(FindChild(dialog, "OK"), BM_CLICK, 0, 0);
        return true;
    });
    EXPECT_TRUE(choice->Execute());
    EXPECT_EQ(choice->Return(), Repeated(Utf8(u8"\u65E5"), 127));
}
