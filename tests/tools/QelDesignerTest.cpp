// qel as the designer's face, run as a child process: the palette, a form inspected in the designing
// state (editors, attributes, value texts, what a selection shares, changes through the editors and
// the description written back), the dialog button pressed by edit, the errors of each command, and
// the checked-in component reference against what the code generates.
#include "foundation/QELSysReg.h"

#include "tests/tools/HostProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace HostProcess;

namespace {

constexpr const char* DesignForm = "object Main: TDesignProbeForm\n"
                                   "  Caption = 'Designed'\n"
                                   "  OnShow = MainShow\n"
                                   "  object Beeper: TQELAdvancedExecComponent\n"
                                   "    Sound = bQuestion\n"
                                   "  end\n"
                                   "  object Hook1: TQELFormHook\n"
                                   "    OnMessage = HookMessage\n"
                                   "  end\n"
                                   "  object Choices: TComboBox\n"
                                   "    Items.Strings = (\n"
                                   "      'first')\n"
                                   "  end\n"
                                   "end\n";

std::string ReadText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

bool Contains(const TLines& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(DesignerPalette, ListsThePagesAndTheirClassesInOrder)
{
    Register();
    TLines expected;
    for (const TPalettePage& page : PalettePages()) {
        expected.push_back(page.Name);
        for (TClass cls : page.Classes)
            expected.push_back("  " + cls->Name);
    }
    const TRunResult result = RunHost("palette");
    EXPECT_EQ(result.ExitCode, 0u) << result.Err;
    EXPECT_EQ(SplitLines(result.Out), expected);
    EXPECT_EQ(SplitLines(result.Out).front(), "QEL System");
}

TEST(DesignerInspect, ShowsEveryPropertyWithItsEditorAttributesAndValue)
{
    TDescriptionFile form(DesignForm);
    const TRunResult result = RunHost("inspect \"" + form.Path() + "\"");
    EXPECT_EQ(result.ExitCode, 0u) << result.Err;
    const TLines lines = SplitLines(result.Out);
    for (const char* line : {
             "Main.Name TComponentNameProperty 0x00 [] = Main",
             "Main.Caption TStringProperty 0x08 [paMultiSelect] = Designed",
             "Main.OnShow TMethodProperty 0x29 [paValueList,paMultiSelect,paSortList] = MainShow",
             "Beeper.About TQELAboutSystemComponent 0x48 [paMultiSelect,paReadOnly] = (QEL System Components)",
             "Beeper.DesignExecute TQELExecSystemProperty 0x44 [paDialog,paReadOnly] = (Execute Test)",
             "Beeper.Sound TEnumProperty 0x29 [paValueList,paMultiSelect,paSortList] = bQuestion",
             "Hook1.OnMessage TMethodProperty 0x29 [paValueList,paMultiSelect,paSortList] = HookMessage",
             "Choices.Items TStringListProperty 0x4C [paDialog,paMultiSelect,paReadOnly] = (TStrings)",
             "Main.Font.Size TIntegerProperty 0x08 [paMultiSelect] = 8",
         })
        EXPECT_TRUE(Contains(lines, line)) << line << "\n" << result.Out;
    // In the designer the handlers do not run: the hook sees the form's messages, but prints nothing.
    for (const std::string& line : lines)
        EXPECT_NE(line.find(" = "), std::string::npos) << line;
}

TEST(DesignerInspect, ShowsWhatASelectionShares)
{
    TDescriptionFile form(DesignForm);
    const TRunResult result = RunHost("inspect \"" + form.Path() + "\" --select Beeper,Hook1");
    EXPECT_EQ(result.ExitCode, 0u) << result.Err;
    EXPECT_EQ(SplitLines(result.Out),
              (TLines{"Beeper,Hook1.Tag TIntegerProperty 0x08 [paMultiSelect] = 0",
                      "Beeper,Hook1.About TQELAboutSystemComponent 0x48 [paMultiSelect,paReadOnly] = (QEL System Components)"}));
}

TEST(DesignerInspect, ChangesPropertiesThroughTheirEditorsAndSavesTheDescription)
{
    TDescriptionFile form(DesignForm);
    TDescriptionFile saved("");
    const TRunResult result =
        RunHost("inspect \"" + form.Path() + "\" --size 500x300 --set Beeper.Sound=bExclamation" +
                " --set Hook1.OnMessage=Spy --set \"Main.Caption=Changed here\" --set Main.OnShow= --save \"" +
                saved.Path() + "\"");
    EXPECT_EQ(result.ExitCode, 0u) << result.Err;
    const TLines lines = SplitLines(result.Out);
    EXPECT_TRUE(Contains(lines, "Main.Width TIntegerProperty 0x08 [paMultiSelect] = 500")) << result.Out;
    EXPECT_TRUE(Contains(lines, "Main.Height TIntegerProperty 0x08 [paMultiSelect] = 300")) << result.Out;
    EXPECT_TRUE(Contains(lines, "Beeper.Sound TEnumProperty 0x29 [paValueList,paMultiSelect,paSortList] = bExclamation"));

    const TLines description = SplitLines(ReadText(saved.Path()));
    for (const char* line : {"object Main: TDesignProbeForm", "  Width = 500", "  Height = 300",
                             "  Caption = 'Changed here'", "    Sound = bExclamation", "    OnMessage = Spy",
                             "      'first')"})
        EXPECT_TRUE(Contains(description, line)) << line << "\n" << ReadText(saved.Path());
    EXPECT_FALSE(Contains(description, "  OnShow = MainShow")) << "an empty name detaches the handler";

    // What was saved reads again, with the same values.
    const TRunResult again = RunHost("inspect \"" + saved.Path() + "\"");
    EXPECT_EQ(again.ExitCode, 0u) << again.Err;
    EXPECT_TRUE(Contains(SplitLines(again.Out), "Hook1.OnMessage TMethodProperty 0x29 [paValueList,paMultiSelect,paSortList] = Spy"));
}

// The explode animation takes over the form's OnShow, OnPaint and OnHide in the designer too; what the
// designer shows and stores are still the form's own handlers, and the size limits it captured.
TEST(DesignerInspect, ShowsAndSavesTheFormsOwnHandlersWhereAComponentTookOverItsEvents)
{
    TDescriptionFile form("object Main: TExplodingForm\n"
                          "  Width = 300\n"
                          "  Height = 200\n"
                          "  OnShow = MainShow\n"
                          "  OnHide = MainHide\n"
                          "  object Sizes: TQELFormSizes\n"
                          "    MinWidth = 0\n"
                          "    MaxWidth = 0\n"
                          "    MinHeight = 0\n"
                          "    MaxHeight = 0\n"
                          "    Options = [MinimumWidth, MaximumHeight]\n"
                          "  end\n"
                          "  object Explode: TQELFormExplode\n"
                          "  end\n"
                          "end\n");
    TDescriptionFile saved("");
    const TRunResult result =
        RunHost("inspect \"" + form.Path() + "\" --size 420x260 --save \"" + saved.Path() + "\"");
    EXPECT_EQ(result.ExitCode, 0u) << result.Err;
    const TLines lines = SplitLines(result.Out);
    for (const char* line : {
             "Main.OnShow TMethodProperty 0x29 [paValueList,paMultiSelect,paSortList] = MainShow",
             "Main.OnHide TMethodProperty 0x29 [paValueList,paMultiSelect,paSortList] = MainHide",
             "Main.OnPaint TMethodProperty 0x29 [paValueList,paMultiSelect,paSortList] = ",
             "Sizes.MinWidth TIntegerProperty 0x08 [paMultiSelect] = 420",
             "Sizes.MaxHeight TIntegerProperty 0x08 [paMultiSelect] = 260",
         })
        EXPECT_TRUE(Contains(lines, line)) << line << "\n" << result.Out;

    const std::string text = ReadText(saved.Path());
    const TLines description = SplitLines(text);
    for (const char* line : {"  OnShow = MainShow", "  OnHide = MainHide", "    MinWidth = 420", "    MaxWidth = 0",
                             "    MinHeight = 0", "    MaxHeight = 260"})
        EXPECT_TRUE(Contains(description, line)) << line << "\n" << text;
    EXPECT_EQ(text.find("OnPaint"), std::string::npos) << text;

    const TRunResult again = RunHost("inspect \"" + saved.Path() + "\"");
    EXPECT_EQ(again.ExitCode, 0u) << again.Err;
    EXPECT_TRUE(
        Contains(SplitLines(again.Out), "Main.OnShow TMethodProperty 0x29 [paValueList,paMultiSelect,paSortList] = MainShow"))
        << again.Out;
}

// A form stored as visible and maximised is not shown in the designer: its designed bounds and state
// are what is saved, and the size limits follow only the size the designer gives it.
TEST(DesignerInspect, AVisibleMaximisedFormKeepsItsDesignedBounds)
{
    TDescriptionFile form("object Main: TShownForm\n"
                          "  Left = 30\n"
                          "  Top = 40\n"
                          "  Width = 300\n"
                          "  Height = 200\n"
                          "  Visible = True\n"
                          "  WindowState = wsMaximized\n"
                          "  object Sizes: TQELFormSizes\n"
                          "    MinWidth = 0\n"
                          "    MaxWidth = 0\n"
                          "    MinHeight = 0\n"
                          "    MaxHeight = 0\n"
                          "    Options = [MinimumWidth, MinimumHeight]\n"
                          "  end\n"
                          "end\n");
    TDescriptionFile saved("");
    const TRunResult result = RunHost("inspect \"" + form.Path() + "\" --save \"" + saved.Path() + "\"");
    EXPECT_EQ(result.ExitCode, 0u) << result.Err;
    const std::string text = ReadText(saved.Path());
    const TLines description = SplitLines(text);
    for (const char* line : {"  Left = 30", "  Top = 40", "  Width = 300", "  Height = 200", "  Visible = True",
                             "  WindowState = wsMaximized", "    MinWidth = 0", "    MinHeight = 0"})
        EXPECT_TRUE(Contains(description, line)) << line << "\n" << text;

    const TRunResult resized = RunHost("inspect \"" + form.Path() + "\" --size 320x240");
    EXPECT_EQ(resized.ExitCode, 0u) << resized.Err;
    EXPECT_TRUE(Contains(SplitLines(resized.Out), "Sizes.MinWidth TIntegerProperty 0x08 [paMultiSelect] = 320"))
        << resized.Out;
}

TEST(DesignerEdit, TheStringListEditorChangesTheLinesThatAreSaved)
{
    TDescriptionFile form(DesignForm);
    TDescriptionFile saved("");
    std::string offered;
    const TRunResult result =
        RunHost("edit \"" + form.Path() + "\" Choices Items --save \"" + saved.Path() + "\"", [&](HANDLE process) {
            // The dialog is there once it shows with its edit box and buttons.
            HWND dialog = nullptr, edit = nullptr, ok = nullptr;
            for (int i = 0; i < 400 && !(ok && IsWindowVisible(dialog)); ++i) {
                if (WaitForSingleObject(process, 50) != WAIT_TIMEOUT)
                    break;
                dialog = FindWindowA("TForm", "String list editor");
                edit = dialog ? FindWindowExA(dialog, nullptr, "Edit", nullptr) : nullptr;
                ok = dialog ? FindWindowExA(dialog, nullptr, nullptr, "OK") : nullptr;
            }
            ASSERT_TRUE(edit && ok && IsWindowVisible(dialog));
            // The text of another process's edit box comes only through the message.
            char text[64] = {};
            SendMessageA(edit, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
            offered = text;
            SetWindowTextA(edit, "alpha\r\nbeta");
            PostMessageA(ok, BM_CLICK, 0, 0);
        });
    EXPECT_EQ(result.ExitCode, 0u) << result.Err;
    EXPECT_EQ(offered, "first\r\n");
    const std::string description = ReadText(saved.Path());
    EXPECT_NE(description.find("    Items.Strings = (\r\n      'alpha'\r\n      'beta')"), std::string::npos)
        << description;
}

TEST(DesignerEdit, TheExecuteTestButtonRunsExecuteAndEnds)
{
    TDescriptionFile form(DesignForm);
    const TRunResult result = RunHost("edit \"" + form.Path() + "\" Beeper DesignExecute");
    EXPECT_EQ(result.ExitCode, 0u) << result.Err;
    EXPECT_EQ(result.Err, "");
}

TEST(DesignerEdit, AnExecuteTestButtonWhoseExecuteRaisesFails)
{
    TDescriptionFile form("object Files: TFilesForm\n"
                          "  object Operator: TQELFileOperator\n"
                          "  end\n"
                          "end\n");
    const TRunResult result = RunHost("edit \"" + form.Path() + "\" Operator DesignExecute");
    EXPECT_EQ(result.ExitCode, 3u) << result.Err;
    EXPECT_EQ(SplitLines(result.Err), TLines{"qel edit: Directory Information is invalid"});
}

// Waits for the visible dialog with caption whose button says button, and presses it.
void PressDialogButton(HANDLE process, const char* caption, const char* button)
{
    HWND pressed = nullptr;
    for (int i = 0; i < 400 && !pressed; ++i) {
        if (WaitForSingleObject(process, 50) != WAIT_TIMEOUT)
            break;
        HWND dialog = FindWindowA(nullptr, caption);
        if (dialog && IsWindowVisible(dialog))
            pressed = FindWindowExA(dialog, nullptr, "Button", button);
    }
    ASSERT_TRUE(pressed) << caption << ": " << button;
    PostMessageA(pressed, BM_CLICK, 0, 0);
}

// The Execute Test button of a message component shows its dialog in the designer; the answer fires
// the handler the description names, printed as run prints it, and is kept when the form is saved.
TEST(DesignerEdit, TheExecuteTestButtonShowsTheMessageComponentsDialog)
{
    TDescriptionFile form("object Messages: TMessagesForm\n"
                          "  object Ask: TQELMsgBox\n"
                          "    Caption.Strings = (\n"
                          "      'Designed here?')\n"
                          "    MessageType = mtWarning\n"
                          "    Buttons = [mbYes, mbNo]\n"
                          "    OnYes = AskYes\n"
                          "    OnNo = AskNo\n"
                          "  end\n"
                          "  object Who: TQELMsgDlg\n"
                          "    Header = 'Who designs'\n"
                          "    Return = 'Nobody'\n"
                          "    OnOk = WhoOk\n"
                          "    OnCancel = WhoCancel\n"
                          "  end\n"
                          "end\n");
    const TRunResult answered = RunHost("edit \"" + form.Path() + "\" Ask DesignExecute",
                                        [](HANDLE process) { PressDialogButton(process, "Warning", "&No"); });
    EXPECT_EQ(answered.ExitCode, 0u) << answered.Err;
    EXPECT_EQ(SplitLines(answered.Out), TLines{"Ask.OnNo Sender=Ask"});

    TDescriptionFile saved("");
    const TRunResult cancelled =
        RunHost("edit \"" + form.Path() + "\" Who DesignExecute --save \"" + saved.Path() + "\"",
                [](HANDLE process) { PressDialogButton(process, "Who designs", "Cancel"); });
    EXPECT_EQ(cancelled.ExitCode, 0u) << cancelled.Err;
    EXPECT_EQ(SplitLines(cancelled.Out), TLines{"Who.OnCancel Sender=Who"});
    EXPECT_TRUE(Contains(SplitLines(ReadText(saved.Path())), "    Return = 'Nobody'")) << ReadText(saved.Path());
}

TEST(DesignerCommands, RefuseWhatTheFormOrTheCommandLineDoesNotHave)
{
    TDescriptionFile form(DesignForm);
    const std::string path = "\"" + form.Path() + "\"";
    const std::vector<std::pair<std::string, std::string>> cases{
        {"palette extra", "qel palette: palette expects 0 arguments but found 1"},
        {"inspect", "qel inspect: inspect expects 1 argument but found 0"},
        {"inspect " + path + " --fast 1", "qel inspect: unknown option '--fast'"},
        {"inspect " + path + " --size", "qel inspect: --size expects a value"},
        {"inspect " + path + " --size 0x10", "--size expects WIDTHxHEIGHT in pixels (1 to 32767) but found '0x10'"},
        {"inspect " + path + " --save a --save b", "qel inspect: --save may be given once"},
        {"inspect " + path + " --select Beeper,Nobody", "qel inspect: the form has no component named 'Nobody'"},
        {"inspect " + path + " --set Beeper.Loud=1", "qel inspect: the form has no property Beeper.Loud"},
        {"inspect " + path + " --set Beeper", "--set expects COMPONENT.PROPERTY=VALUE but found 'Beeper'"},
        {"inspect " + path + " --set Beeper.About=x",
         "qel inspect: Beeper.About cannot be typed into in the designer (its editor is TQELAboutSystemComponent)"},
        {"inspect " + path + " --set Beeper.Sound=bLoud", "qel inspect: Beeper.Sound: 'bLoud' is not a value of TQELBeeptype"},
        {"inspect " + path + " --set Main.Tag=x", "qel inspect: Main.Tag: 'x' is not a valid integer value"},
        {"inspect " + path + " --set Hook1.Name=Beeper", "qel inspect: Hook1.Name: "},
        {"edit " + path + " Beeper", "qel edit: edit expects 3 arguments but found 2"},
        {"edit " + path + " Nobody About", "qel edit: the form has no component named 'Nobody'"},
        {"edit " + path + " Beeper Sound", "qel edit: Beeper.Sound has no dialog button (its editor is TEnumProperty)"},
        {"reference a b", "qel reference: reference expects at most one file name but found 2"},
    };
    for (const auto& [arguments, message] : cases) {
        const TRunResult result = RunHost(arguments);
        EXPECT_EQ(result.ExitCode, 2u) << arguments;
        // Nothing is printed before the error; edit prints the calls of the hook's handler from the
        // start, as run does.
        if (!arguments.starts_with("edit")) {
            EXPECT_EQ(result.Out, "") << arguments;
        }
        EXPECT_NE(result.Err.find(message), std::string::npos) << arguments << "\n" << result.Err;
    }
}

TEST(DesignerCommands, ReportADescriptionThatCannotBeReadWithItsLineAndColumn)
{
    TDescriptionFile form("object Broken: TForm\n"
                          "  Nonsense = 1\n"
                          "end\n");
    // The second guard refuses to be created: the component's own error, with where the reader was.
    TDescriptionFile refused("object Guarded: TForm\n"
                             "  object First: TQELOnlyOne\n"
                             "  end\n"
                             "  object Second: TQELOnlyOne\n"
                             "  end\n"
                             "end\n");
    for (const char* command : {"inspect", "edit"}) {
        const std::string edit = command == std::string("edit") ? " A B" : "";
        const TRunResult result = RunHost(std::string(command) + " \"" + form.Path() + "\"" + edit);
        EXPECT_EQ(result.ExitCode, 1u) << command;
        EXPECT_NE(result.Err.find(form.Path() + ": Line 2, column 3"), std::string::npos) << result.Err;

        const TRunResult second = RunHost(std::string(command) + " \"" + refused.Path() + "\"" + edit);
        EXPECT_EQ(second.ExitCode, 1u) << command;
        EXPECT_NE(second.Err.find(refused.Path() + ": Line 4, column 18: cannot create a TQELOnlyOne: You can have "
                                                   "only one class of type"),
                  std::string::npos)
            << second.Err;
    }
}

TEST(DesignerCommands, TheUsageListsThemWithRun)
{
    const TRunResult result = RunHost("");
    EXPECT_EQ(result.ExitCode, 2u);
    for (const char* command : {"usage: qel run FORM", "qel palette", "qel inspect FORM", "qel edit FORM", "qel reference"})
        EXPECT_NE(result.Err.find(command), std::string::npos) << command;
}

TEST(DesignerReference, TheCheckedInReferenceIsWhatTheCodeGenerates)
{
    TDescriptionFile generated("");
    const TRunResult result = RunHost("reference \"" + generated.Path() + "\"");
    ASSERT_EQ(result.ExitCode, 0u) << result.Err;
    const std::string text = ReadText(generated.Path());
    EXPECT_EQ(text, ReadText(QEL_SOURCE_DIR "/docs/components.md"))
        << "docs/components.md is out of date: run ./qel reference docs/components.md";
    // Every component on the palette has its section.
    Register();
    for (const TPalettePage& page : PalettePages())
        for (TClass cls : page.Classes)
            EXPECT_NE(text.find("\n### " + cls->Name + "\n"), std::string::npos) << cls->Name;
}

// What a program needs that the property table alone did not say: the operations it calls, the value a
// constructor starts with, the types of the events' parameters (those the handler may change marked),
// set and colour types by their names, and the items of a collection.
TEST(DesignerReference, ListsOperationsInitialValuesParameterTypesAndCollectionItems)
{
    const TRunResult result = RunHost("reference");
    ASSERT_EQ(result.ExitCode, 0u) << result.Err;
    std::string text = result.Out;
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    for (const char* line :
         {"| `Log(Text)` | appends Text as one whole line", "| `ClearLog()` |", "| `Store()` |",
          "| `CheckPrevInstances()` |", "| `Execute()` | copies FileFrom into FileTo",
          "| `Header` | string |  | 'Generic Log File for my Application' | when not empty |",
          "| `Active` | Boolean |  | True | always |", "| `ApplicationTitle` | string |  | the application's |",
          "| `HintColor` | TColor | 8454143 | the application's |", "| `Options` | TQELFormSizeOptions |",
          "| `OnStoreControl` | TQELOnStoreControl | Sender: TObject, var Result: Boolean |",
          "| `BeforeWrite` | TQELBeforeWrite | Sender: TObject, var Line: string, LineNo: Integer, "
          "var WriteLine: Boolean |",
          "\n### TQELStringList\n", "\n### TQELBetaStringList\n",
          "Its items are of class TQELStringList or of a class derived from it: TQELBetaStringList."})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    EXPECT_EQ(text.find("set of "), std::string::npos);
}

} // namespace
