// qel design as a user works it, run as a child process and driven from outside with the messages a
// user's clicks and keys produce: the palette's buttons and pages, clicks, drags and keys on the form,
// the inspector's lines, value field, drop-down and dialog button; every result is read back from the
// description the designer saves. Dialogs the designer shows are answered from here, and each run has
// a deadline of its own in case something is left waiting.
#include "foundation/QELSysReg.h"
#include "framework/DesignIntf.h"

#include "tests/tools/HostProcess.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

using namespace HostProcess;

namespace {

std::string ReadText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string Lines(const std::string& text)
{
    std::string result;
    for (char c : text)
        result.append(c == '\n' ? "\r\n" : std::string(1, c));
    return result;
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

std::string WindowText(HWND window)
{
    char text[512] = "";
    SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

struct TChildSearch {
    std::string ClassName;
    int Id;
    std::string Text;
    HWND Found = nullptr;
};

BOOL CALLBACK MatchChild(HWND window, LPARAM data)
{
    auto& search = *reinterpret_cast<TChildSearch*>(data);
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    if (!IsWindowVisible(window) || lstrcmpiA(name, search.ClassName.c_str()) != 0 ||
        (search.Id && GetWindowLongPtrA(window, GWLP_ID) != search.Id) ||
        (!search.Text.empty() && WindowText(window) != search.Text))
        return TRUE;
    search.Found = window;
    return FALSE;
}

// The visible child window of parent of that class, with that control ID or text when given.
HWND Child(HWND parent, const std::string& className, int id = 0, const std::string& text = {})
{
    TChildSearch search{className, id, text};
    EnumChildWindows(parent, &MatchChild, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

// The palette as the designer has it.
const std::vector<TPalettePage>& Pages()
{
    Register();
    return PalettePages();
}

LPARAM Point(int x, int y)
{
    return MAKELPARAM(x, y);
}

// A description in a file of its own, and qel design running on it.
class TDesigner {
public:
    explicit TDesigner(const std::string& fileName, const std::string& options = "--seconds 60")
        : FFileName(fileName), FProcess(HostCommand("design \"" + fileName + "\" " + options))
    {
        Palette = WaitForProcessWindow(FProcess, "TForm", "Component Palette");
        Inspector = WaitForProcessWindow(FProcess, "TForm", "Object Inspector");
        // The windows exist before they are shown and filled: a message sent to them is answered once
        // the designer waits for messages, when it is done with that.
        DWORD_PTR answer = 0;
        (void)SendMessageTimeoutA(Palette, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &answer);
    }

    // Saving writes the header of the form's class beside the description; it goes with the designer.
    ~TDesigner() { (void)DeleteFileA(HeaderFile().c_str()); }
    TDesigner(const TDesigner&) = delete;
    TDesigner& operator=(const TDesigner&) = delete;
    std::string HeaderFile() const { return FFileName.substr(0, FFileName.rfind('.')) + ".h"; }

    // The designed form, by the class its description names.
    HWND Form(const std::string& className)
    {
        return WaitForProcessWindow(FProcess, className);
    }

    const TChildProcess& Process() const { return FProcess; }

    // Picks the palette page and clicks the button of cls on it, then the form at (x, y).
    void Place(HWND form, const std::string& cls, int x, int y, bool post = false)
    {
        HWND tabs = Child(Palette, WC_TABCONTROLA);
        const std::vector<TPalettePage>& pages = Pages();
        for (std::size_t page = 0; page < pages.size(); ++page)
            for (std::size_t i = 0; i < pages[page].Classes.size(); ++i)
                if (pages[page].Classes[i]->Name == cls) {
                    // The arrow keys walk the tabs as clicks pick them, with the same notice.
                    while (static_cast<std::size_t>(SendMessageA(tabs, TCM_GETCURSEL, 0, 0)) != page)
                        SendMessageA(tabs, WM_KEYDOWN, page ? VK_RIGHT : VK_LEFT, 0);
                    HWND button = Child(tabs, "Button", static_cast<int>(i) + 1);
                    EXPECT_TRUE(button) << cls;
                    SendMessageA(button, BM_CLICK, 0, 0);
                    Click(form, x, y, 0, post);
                    return;
                }
        ADD_FAILURE() << cls << " is on no palette page";
    }

    // A click on the form; posted when it may show a message box, which must then be answered.
    void Click(HWND form, int x, int y, WPARAM keys = 0, bool post = false)
    {
        if (post) {
            PostMessageA(form, WM_LBUTTONDOWN, MK_LBUTTON | keys, Point(x, y));
            PostMessageA(form, WM_LBUTTONUP, keys, Point(x, y));
        } else {
            SendMessageA(form, WM_LBUTTONDOWN, MK_LBUTTON | keys, Point(x, y));
            SendMessageA(form, WM_LBUTTONUP, keys, Point(x, y));
        }
    }

    void Drag(HWND form, int fromX, int fromY, int toX, int toY)
    {
        SendMessageA(form, WM_LBUTTONDOWN, MK_LBUTTON, Point(fromX, fromY));
        SendMessageA(form, WM_MOUSEMOVE, MK_LBUTTON, Point((fromX + toX) / 2, (fromY + toY) / 2));
        SendMessageA(form, WM_MOUSEMOVE, MK_LBUTTON, Point(toX, toY));
        SendMessageA(form, WM_LBUTTONUP, 0, Point(toX, toY));
    }

    // Types a control character into the form as Ctrl and the letter do: Ctrl+S saves, Ctrl+Z undoes,
    // Ctrl+Y redoes.
    static void Key(HWND form, char letter) { SendMessageA(form, WM_CHAR, static_cast<WPARAM>(letter - '@'), 1); }

    std::string Saved(HWND form)
    {
        Key(form, 'S');
        return ReadText(FFileName);
    }

    // The inspector's line that starts with name (after its indent and marker), picked as a click does.
    int PickRow(const std::string& name)
    {
        HWND list = Child(Inspector, "ListBox");
        const auto count = SendMessageA(list, LB_GETCOUNT, 0, 0);
        for (int i = 0; i < count; ++i) {
            std::string line = RowText(i);
            line = line.substr(line.find_first_not_of(' '));
            if (line.starts_with("[+] ") || line.starts_with("[-] "))
                line = line.substr(4);
            if (line.starts_with(name + "\t")) {
                SendMessageA(list, LB_SETTOPINDEX, static_cast<WPARAM>(i), 0);
                const auto top = SendMessageA(list, LB_GETTOPINDEX, 0, 0);
                const auto height = SendMessageA(list, LB_GETITEMHEIGHT, 0, 0);
                const int y = static_cast<int>((i - top) * height + height / 2);
                SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, Point(20, y));
                SendMessageA(list, WM_LBUTTONUP, 0, Point(20, y));
                return i;
            }
        }
        ADD_FAILURE() << "the inspector shows no " << name;
        return -1;
    }

    // Asked for in UTF-16, which is how the system hands a list's text to another process; the lines
    // are ASCII.
    std::string RowText(int index)
    {
        wchar_t text[512] = L"";
        SendMessageW(Child(Inspector, "ListBox"), LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
        return std::string(text, text + wcslen(text));
    }

    void DoubleClickRow(const std::string& name)
    {
        const int index = PickRow(name);
        HWND list = Child(Inspector, "ListBox");
        const auto top = SendMessageA(list, LB_GETTOPINDEX, 0, 0);
        const auto height = SendMessageA(list, LB_GETITEMHEIGHT, 0, 0);
        const int y = static_cast<int>((index - top) * height + height / 2);
        SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, Point(20, y));
        SendMessageA(list, WM_LBUTTONUP, 0, Point(20, y));
    }

    HWND ValueEdit() { return Child(Inspector, "Edit"); }

    // Types text into the value field and presses Enter; posted when it may be refused with a message
    // box, which must then be answered.
    void Type(const std::string& text, bool post = false)
    {
        HWND edit = ValueEdit();
        ASSERT_TRUE(edit);
        SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        if (post)
            PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 1);
        else
            SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 1);
    }

    // Picks value in the drop-down of values, telling the inspector as the drop-down does.
    void Pick(const std::string& value)
    {
        HWND combo = Child(Inspector, "ComboBox");
        ASSERT_TRUE(combo);
        const std::wstring wide(value.begin(), value.end());
        const auto index = SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                        reinterpret_cast<LPARAM>(wide.c_str()));
        ASSERT_GE(index, 0) << value;
        SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageA(Inspector, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
    }

    // Waits for the message box titled title and presses its button caption (closes it without one).
    bool Answer(const std::string& title, const std::string& caption = {})
    {
        HWND dialog = WaitForShownProcessWindow(FProcess, "TMessageForm", title.c_str(), 10000);
        if (!dialog)
            return false;
        if (caption.empty())
            PostMessageA(dialog, WM_CLOSE, 0, 0);
        else if (HWND button = Child(dialog, "Button", 0, caption))
            PostMessageA(button, BM_CLICK, 0, 0);
        else
            return false;
        for (int i = 0; i < 500 && IsWindow(dialog) && IsWindowVisible(dialog); ++i)
            Sleep(10);
        // Back in its message loop once what showed the box is done.
        SendMessageA(Palette, WM_NULL, 0, 0);
        return true;
    }

    std::optional<DWORD> Close()
    {
        PostMessageA(Palette, WM_CLOSE, 0, 0);
        return FProcess.Wait(30000);
    }

    HWND Palette = nullptr;
    HWND Inspector = nullptr;

private:

    std::string FFileName;
    TChildProcess FProcess;
};

} // namespace

namespace {

// A path in the temporary directory where no file is yet, removed afterwards.
class TNewFile {
public:
    TNewFile()
    {
        char directory[MAX_PATH];
        char name[MAX_PATH];
        (void)GetTempPathA(MAX_PATH, directory);
        (void)GetTempFileNameA(directory, "qfm", 0, name);
        (void)DeleteFileA(name);
        FPath = name;
    }
    ~TNewFile() { (void)DeleteFileA(FPath.c_str()); }
    TNewFile(const TNewFile&) = delete;
    TNewFile& operator=(const TNewFile&) = delete;
    const std::string& Path() const noexcept { return FPath; }
    bool Exists() const { return GetFileAttributesA(FPath.c_str()) != INVALID_FILE_ATTRIBUTES; }

private:
    std::string FPath;
};

const std::string TwoComponents = Lines(R"(object Designed: TDesignedForm
  Left = 320
  Top = 180
  Width = 500
  Height = 360
  Caption = 'Designed'
  object FormSaver1: TQELFormSaver
    StoreControls = False
    Left = 20
    Top = 20
  end
  object FormSaver2: TQELFormSaver
    StoreControls = False
    Left = 120
    Top = 20
  end
  object ExitWindows1: TQELExitWindows
    Left = 220
    Top = 20
  end
end
)");

// The block of the component called name in a saved description.
std::string Block(const std::string& text, const std::string& name)
{
    const std::size_t start = text.find("object " + name + ":");
    if (start == std::string::npos)
        return {};
    return text.substr(start, text.find("\r\n  end", start) - start);
}

} // namespace

TEST(DesignWindows, OpensItsThreeWindowsOnANewFormAndEndsByItselfWithoutSaving)
{
    TNewFile file;
    TDesigner designer(file.Path(), "--seconds 3");
    EXPECT_TRUE(designer.Palette);
    EXPECT_TRUE(designer.Inspector);
    EXPECT_TRUE(designer.Form("TForm1"));
    EXPECT_EQ(designer.Process().Wait(30000), std::optional<DWORD>(0)) << designer.Process().Err();
    EXPECT_FALSE(file.Exists());
}

TEST(DesignWindows, SavesAtItsDeadlineWhenToldTo)
{
    TNewFile file;
    TDesigner designer(file.Path(), "--seconds 3 --save");
    EXPECT_TRUE(designer.Form("TForm1"));
    EXPECT_EQ(designer.Process().Wait(30000), std::optional<DWORD>(0)) << designer.Process().Err();
    const std::string text = ReadText(file.Path());
    EXPECT_TRUE(text.starts_with("object Form1: TForm1\r\n")) << text;
    EXPECT_TRUE(Contains(text, "Caption = 'Form1'")) << text;
}

TEST(DesignWindows, StartsWithTheComponentsNamedSelected)
{
    TDescriptionFile file(TwoComponents);
    TDesigner designer(file.Path(), "--select formsaver2 --seconds 60");
    HWND form = designer.Form("TDesignedForm");
    ASSERT_TRUE(form);
    designer.PickRow("StoreSize");
    designer.Pick("False");
    const std::string text = designer.Saved(form);
    EXPECT_TRUE(Contains(Block(text, "FormSaver2"), "StoreSize = False")) << text;
    EXPECT_FALSE(Contains(Block(text, "FormSaver1"), "StoreSize")) << text;
    EXPECT_EQ(designer.Close(), std::optional<DWORD>(0));

    const TRunResult unknown = RunHost("design \"" + file.Path() + "\" --select FormSaver1,Nobody --seconds 30");
    EXPECT_EQ(unknown.ExitCode, 2u);
    EXPECT_TRUE(Contains(unknown.Err, "the form has no component named 'Nobody'")) << unknown.Err;
}

TEST(DesignWindows, PlacesEveryClassOfBothPagesWithUniqueNamesAndRefusesASecondOnlyOnce)
{
    TNewFile file;
    TDesigner designer(file.Path());
    HWND form = designer.Form("TForm1");
    ASSERT_TRUE(form);
    int n = 0;
    std::vector<std::string> names;
    for (const TPalettePage& page : Pages())
        for (TClass cls : page.Classes) {
            designer.Place(form, cls->Name, 30 + (n % 8) * 54, 30 + (n / 8) * 50);
            names.push_back(cls->Name.substr(4) + "1: " + cls->Name);
            ++n;
        }
    ASSERT_EQ(n, 37);
    designer.Place(form, "TQELFormSaver", 30, 280);
    designer.Place(form, "TQELOnlyOne", 100, 280, true);
    EXPECT_TRUE(designer.Answer("Error"));
    designer.Place(form, "TQELApplication", 160, 280, true);
    EXPECT_TRUE(designer.Answer("Error"));
    const std::string text = designer.Saved(form);
    for (const std::string& name : names)
        EXPECT_TRUE(Contains(text, "object " + name + "\r\n")) << name;
    EXPECT_TRUE(Contains(text, "object FormSaver2: TQELFormSaver\r\n"));
    EXPECT_FALSE(Contains(text, "OnlyOne2"));
    EXPECT_FALSE(Contains(text, "Application2"));
    // Placed where the click was, the glyph centred on it.
    EXPECT_TRUE(Contains(Block(text, "ExitWindows1"), "Left = 16\r\n    Top = 16"));
    EXPECT_EQ(designer.Close(), std::optional<DWORD>(0));
    EXPECT_TRUE(Contains(designer.Process().Err(), "You can have only one class of type"));
    EXPECT_TRUE(Contains(designer.Process().Err(), "You can have one and ONLY ONE"));
}

TEST(DesignWindows, DragsTheSelectionDeletesAndResizesTheForm)
{
    TDescriptionFile file(TwoComponents);
    TDesigner designer(file.Path());
    HWND form = designer.Form("TDesignedForm");
    ASSERT_TRUE(form);
    // A move without the button, as the system sends of its own when the pointer rests on the form,
    // does not drag.
    SendMessageA(form, WM_LBUTTONDOWN, MK_LBUTTON, Point(30, 30));
    SendMessageA(form, WM_MOUSEMOVE, 0, Point(400, 300));
    SendMessageA(form, WM_LBUTTONUP, 0, Point(400, 300));
    designer.Drag(form, 30, 30, 130, 90);
    std::string text = designer.Saved(form);
    EXPECT_TRUE(Contains(Block(text, "FormSaver1"), "Left = 120\r\n    Top = 80")) << text;
    // The first now sits at 120, 80; the second at 120, 20: a shift-click adds it and both move.
    designer.Click(form, 130, 30);
    designer.Click(form, 130, 90, MK_SHIFT);
    designer.Drag(form, 130, 30, 140, 40);
    text = designer.Saved(form);
    EXPECT_TRUE(Contains(Block(text, "FormSaver1"), "Left = 130\r\n    Top = 90")) << text;
    EXPECT_TRUE(Contains(Block(text, "FormSaver2"), "Left = 130\r\n    Top = 30")) << text;
    // A click on an empty spot selects the form; then one component, and Delete.
    designer.Click(form, 400, 250);
    designer.Click(form, 230, 30);
    SendMessageA(form, WM_KEYDOWN, VK_DELETE, 1);
    SetWindowPos(form, nullptr, 0, 0, 600, 420, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    text = designer.Saved(form);
    EXPECT_FALSE(Contains(text, "ExitWindows1")) << text;
    EXPECT_TRUE(Contains(text, "FormSaver1")) << text;
    EXPECT_TRUE(Contains(text, "  Width = 600\r\n  Height = 420\r\n")) << text;
    EXPECT_EQ(designer.Close(), std::optional<DWORD>(0));
}

TEST(DesignWindows, UndoesAndRedoesEveryChange)
{
    TDescriptionFile file(TwoComponents);
    TDesigner designer(file.Path());
    HWND form = designer.Form("TDesignedForm");
    ASSERT_TRUE(form);
    const std::string original = designer.Saved(form);
    designer.Place(form, "TQELLogFile", 300, 200);
    designer.Drag(form, 300, 200, 350, 220);
    designer.Click(form, 30, 30);
    SendMessageA(form, WM_KEYDOWN, VK_DELETE, 1);
    // Each undo and redo makes the form anew from its snapshot, with a window of its own.
    const auto key = [&](char letter) {
        TDesigner::Key(form, letter);
        form = designer.Form("TDesignedForm");
        return designer.Saved(form);
    };
    EXPECT_TRUE(Contains(key('Z'), "object FormSaver1:"));
    EXPECT_TRUE(Contains(Block(key('Z'), "LogFile1"), "Left = 286\r\n    Top = 186"));
    EXPECT_EQ(key('Z'), original);
    EXPECT_EQ(key('Z'), original); // nothing more to undo
    key('Y');
    const std::string text = key('Y');
    EXPECT_TRUE(Contains(Block(text, "LogFile1"), "Left = 336\r\n    Top = 206")) << text;
    EXPECT_TRUE(Contains(text, "object FormSaver1:")) << text;
    EXPECT_EQ(designer.Close(), std::optional<DWORD>(0));
}

TEST(DesignWindows, InspectorEditsThroughEachKindOfEditor)
{
    TDescriptionFile file(TwoComponents);
    TDesigner designer(file.Path());
    HWND form = designer.Form("TDesignedForm");
    ASSERT_TRUE(form);
    designer.Click(form, 30, 30);
    // A Boolean: the drop-down of its values.
    designer.PickRow("StoreSize");
    designer.Pick("False");
    // A sub-object and its sub-object, opened with a double-click; a string typed in.
    designer.DoubleClickRow("FormStore");
    designer.DoubleClickRow("Registry");
    designer.PickRow("Path");
    designer.Type("Software\\Designed");
    // Read-only: greyed, and what is typed there anyway is refused.
    designer.PickRow("About");
    EXPECT_TRUE(GetWindowLongPtrA(designer.ValueEdit(), GWL_STYLE) & ES_READONLY);
    EXPECT_EQ(WindowText(designer.ValueEdit()), "(QEL System Components)");
    // A wrong value is refused with the editor's message and the old value stays.
    designer.PickRow("Tag");
    designer.Type("twelve", true);
    EXPECT_TRUE(designer.Answer("Error"));
    designer.PickRow("Tag");
    EXPECT_EQ(WindowText(designer.ValueEdit()), "0");
    std::string text = designer.Saved(form);
    const std::string saver = Block(text, "FormSaver1");
    EXPECT_TRUE(Contains(saver, "StoreSize = False")) << saver;
    EXPECT_TRUE(Contains(saver, "FormStore.Registry.Path = 'Software\\Designed'")) << saver;
    EXPECT_FALSE(Contains(saver, "Tag")) << saver;
    EXPECT_FALSE(Contains(Block(text, "FormSaver2"), "StoreSize")) << text;
    EXPECT_TRUE(Contains(designer.Process().Err(), "qel design: Tag: ")) << designer.Process().Err();

    // Both selected: one edit sets both; a property without paMultiSelect is not offered.
    designer.Click(form, 130, 30, MK_SHIFT);
    designer.PickRow("StoreState");
    designer.Pick("False");
    text = designer.Saved(form);
    EXPECT_TRUE(Contains(Block(text, "FormSaver1"), "StoreState = False")) << text;
    EXPECT_TRUE(Contains(Block(text, "FormSaver2"), "StoreState = False")) << text;

    // Execute Test of a component that acts on the machine asks first; No runs nothing.
    designer.Click(form, 400, 250);
    designer.Click(form, 230, 30);
    designer.PickRow("DesignExecute");
    HWND dialogButton = Child(designer.Inspector, "Button", 0, "...");
    ASSERT_TRUE(dialogButton);
    PostMessageA(dialogButton, BM_CLICK, 0, 0);
    EXPECT_TRUE(designer.Answer("Confirmation", "&No"));
    EXPECT_TRUE(designer.Process().Running());
    EXPECT_EQ(designer.Close(), std::optional<DWORD>(0));
}

TEST(DesignWindows, EventsGetHandlersMadeByDoubleClickOrTyped)
{
    TDescriptionFile file(TwoComponents);
    TDesigner designer(file.Path());
    HWND form = designer.Form("TDesignedForm");
    ASSERT_TRUE(form);
    designer.Click(form, 30, 30);
    HWND pages = Child(designer.Inspector, WC_TABCONTROLA);
    SendMessageA(pages, WM_KEYDOWN, VK_RIGHT, 0);
    designer.DoubleClickRow("OnStore");
    designer.PickRow("OnRestore");
    designer.Type("RestoreAll");
    std::string text = designer.Saved(form);
    const std::string saver = Block(text, "FormSaver1");
    EXPECT_TRUE(Contains(saver, "OnStore = FormSaver1Store")) << saver;
    EXPECT_TRUE(Contains(saver, "OnRestore = RestoreAll")) << saver;
    // Beside the description, the header of the form's class declares both, in its method table too
    // (tests/tools/header shows a program built with such a header).
    const std::string headerFile = designer.HeaderFile();
    std::string header = ReadText(headerFile);
    EXPECT_TRUE(Contains(header, "\nclass TDesignedForm : public TForm {\n")) << header;
    EXPECT_TRUE(Contains(header, "    TNotifyEvent::THandler FormSaver1Store; // FormSaver1.OnStore(Sender: TObject)\n"))
        << header;
    EXPECT_TRUE(Contains(header, "    TNotifyEvent::THandler RestoreAll; // FormSaver1.OnRestore(Sender: TObject)\n"))
        << header;
    EXPECT_TRUE(Contains(header, "PublishedMethod<TDesignedForm>(\"RestoreAll\", &TDesignedForm::RestoreAll),")) << header;
    EXPECT_TRUE(Contains(header, "#include \"persistence/QELTFormSaver.h\"\n")) << header;
    // One name for handlers of events of two kinds cannot be declared: the save is refused, and neither
    // the description nor the header changes.
    designer.PickRow("OnStoreControl");
    designer.Type("RestoreAll");
    PostMessageA(form, WM_CHAR, 'S' - '@', 1);
    EXPECT_TRUE(designer.Answer("Error"));
    EXPECT_TRUE(Contains(designer.Process().Err(),
                         "The handler RestoreAll cannot handle both FormSaver1.OnStoreControl (TQELOnStoreControl) and "
                         "FormSaver1.OnRestore (TNotifyEvent)"))
        << designer.Process().Err();
    EXPECT_EQ(ReadText(file.Path()), text);
    EXPECT_EQ(ReadText(headerFile), header);
    // Closing now asks about the change not saved.
    PostMessageA(designer.Palette, WM_CLOSE, 0, 0);
    EXPECT_TRUE(designer.Answer("Confirmation", "&No"));
    EXPECT_EQ(designer.Process().Wait(30000), std::optional<DWORD>(0));
}

TEST(DesignWindows, ADescriptionSavedIsReadBackUnchanged)
{
    TDescriptionFile file(TwoComponents);
    std::string first;
    {
        TDesigner designer(file.Path());
        HWND form = designer.Form("TDesignedForm");
        ASSERT_TRUE(form);
        designer.Place(form, "TQELLogFile", 300, 200);
        first = designer.Saved(form);
        EXPECT_EQ(designer.Close(), std::optional<DWORD>(0));
    }
    TDesigner designer(file.Path());
    HWND form = designer.Form("TDesignedForm");
    ASSERT_TRUE(form);
    EXPECT_EQ(designer.Saved(form), first);
    EXPECT_EQ(designer.Close(), std::optional<DWORD>(0));
}

// Components without a position go into rows of cells 84 by 56 from 12, 12, as many as the form is
// wide, skipping the cells a control or a placed component covers.
TEST(DesignWindows, LaysOutComponentsWithoutAPositionClearOfControlsAndPlacedOnes)
{
    TDescriptionFile file(Lines(R"(object Designed: TDesignedForm
  Width = 420
  Height = 300
  object Choices: TComboBox
    Left = 16
    Top = 16
    Width = 200
  end
  object Placed: TQELFormSaver
    Left = 264
    Top = 12
  end
  object Settings: TQELStoreData
  end
  object Spy: TQELFormHook
  end
end
)"));
    TDesigner designer(file.Path());
    HWND form = designer.Form("TDesignedForm");
    ASSERT_TRUE(form);
    const std::string text = designer.Saved(form);
    EXPECT_TRUE(Contains(Block(text, "Settings"), "Left = 12\r\n    Top = 68")) << text;
    EXPECT_TRUE(Contains(Block(text, "Spy"), "Left = 96\r\n    Top = 68")) << text;
    EXPECT_TRUE(Contains(Block(text, "Placed"), "Left = 264\r\n    Top = 12")) << text;
    EXPECT_EQ(designer.Close(), std::optional<DWORD>(0));
}

TEST(DesignWindows, ClosingWithChangesNotSavedAsks)
{
    TNewFile file;
    TDesigner designer(file.Path());
    HWND form = designer.Form("TForm1");
    ASSERT_TRUE(form);
    designer.Place(form, "TQELLogFile", 100, 100);
    PostMessageA(designer.Palette, WM_CLOSE, 0, 0);
    EXPECT_TRUE(designer.Answer("Confirmation", "Cancel"));
    EXPECT_TRUE(designer.Process().Running());
    EXPECT_FALSE(file.Exists());
    // Closing the inspector or the form is closing the designer; Cancel keeps every window.
    for (HWND window : {designer.Inspector, form}) {
        PostMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(designer.Answer("Confirmation", "Cancel"));
        EXPECT_TRUE(IsWindowVisible(designer.Inspector));
        EXPECT_TRUE(IsWindowVisible(form));
        EXPECT_TRUE(designer.Process().Running());
    }
    PostMessageA(designer.Palette, WM_CLOSE, 0, 0);
    EXPECT_TRUE(designer.Answer("Confirmation", "&Yes"));
    EXPECT_EQ(designer.Process().Wait(30000), std::optional<DWORD>(0));
    EXPECT_TRUE(Contains(ReadText(file.Path()), "object LogFile1: TQELLogFile")) << ReadText(file.Path());
}


namespace {

// The clipboard's text as another program sees it (UTF-16), or text put there as another program does.
std::string ClipboardText()
{
    std::string text;
    if (!OpenClipboard(nullptr))
        return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT))
        if (const auto* wide = static_cast<const wchar_t*>(GlobalLock(data))) {
            for (const wchar_t* c = wide; *c; ++c)
                text += *c < 0x80 ? static_cast<char>(*c) : '?';
            GlobalUnlock(data);
        }
    CloseClipboard();
    return text;
}

void SetClipboardText(const std::string& text)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    auto* wide = static_cast<wchar_t*>(GlobalLock(memory));
    for (std::size_t i = 0; i <= text.size(); ++i)
        wide[i] = static_cast<unsigned char>(text.c_str()[i]);
    GlobalUnlock(memory);
    EXPECT_TRUE(SetClipboardData(CF_UNICODETEXT, memory));
    CloseClipboard();
}

} // namespace

TEST(DesignWindows, CutCopyAndPasteComponentsAsDescriptionTextAlsoBetweenForms)
{
    TDescriptionFile file(TwoComponents);
    {
        TDesigner designer(file.Path());
        HWND form = designer.Form("TDesignedForm");
        ASSERT_TRUE(form);
        SetClipboardText("");
        // Copy: the component's block, a level less indented.
        designer.Click(form, 30, 30);
        const std::string original = designer.Saved(form);
        TDesigner::Key(form, 'C');
        const std::string copied = ClipboardText();
        EXPECT_TRUE(copied.starts_with("object FormSaver1: TQELFormSaver\r\n  FormStore.ErrorInt = 0\r\n")) << copied;
        EXPECT_TRUE(Contains(copied, "\r\n  StoreControls = False\r\n  Left = 20\r\n  Top = 20\r\nend\r\n")) << copied;
        // Pasted onto its own form, under a name of its own, after the components there are, the same
        // but for its name; the window is made anew, as by an undo.
        TDesigner::Key(form, 'V');
        form = designer.Form("TDesignedForm");
        std::string text = designer.Saved(form);
        std::string pasted = Block(text, "FormSaver3");
        ASSERT_FALSE(pasted.empty()) << text;
        EXPECT_EQ(pasted.replace(0, 17, "object FormSaver1"), Block(original, "FormSaver1"));
        EXPECT_TRUE(text.ends_with("  end\r\nend\r\n") && text.rfind("object FormSaver3") > text.rfind("object ExitWindows1"))
            << text;
        // Cut: gone from the form, on the clipboard, and back with an undo.
        designer.Click(form, 230, 30);
        TDesigner::Key(form, 'X');
        text = designer.Saved(form);
        EXPECT_FALSE(Contains(text, "ExitWindows1")) << text;
        EXPECT_EQ(ClipboardText(), Lines("object ExitWindows1: TQELExitWindows\n  ConfirmMessage = 'Are you sure you "
                                          "want to Logoff ?'\n  Left = 220\n  Top = 20\nend\n"));
        TDesigner::Key(form, 'Z');
        form = designer.Form("TDesignedForm");
        EXPECT_TRUE(Contains(designer.Saved(form), "object ExitWindows1: TQELExitWindows")) << text;
        EXPECT_EQ(designer.Close(), std::optional<DWORD>(0));
    }
    // Into another form, in another designer.
    TNewFile other;
    TDesigner designer(other.Path());
    HWND form = designer.Form("TForm1");
    ASSERT_TRUE(form);
    TDesigner::Key(form, 'V');
    form = designer.Form("TForm1");
    std::string text = designer.Saved(form);
    EXPECT_TRUE(Contains(text, "  object ExitWindows1: TQELExitWindows\r\n    ConfirmMessage = 'Are you sure you want to "
                               "Logoff ?'\r\n    Left = 220\r\n    Top = 20\r\n  end\r\nend\r\n"))
        << text;
    // What is no description of components is refused, and the form stays as it was.
    SetClipboardText("hello");
    PostMessageA(form, WM_CHAR, 'V' - '@', 1);
    EXPECT_TRUE(designer.Answer("Error"));
    form = designer.Form("TForm1");
    EXPECT_EQ(designer.Saved(form), text);
    EXPECT_EQ(designer.Close(), std::optional<DWORD>(0));
    EXPECT_TRUE(Contains(designer.Process().Err(), "The clipboard holds no components")) << designer.Process().Err();
}
