// The dropped-files receiver with drop handles built as the shell builds them: what it collects for
// each CollectBy, its events and their order, the drop registration following Active, and the drop
// memory given back on every path.
#include "form/QELTDroppedFiles.h"

#include "framework/ExtCtrls.h"
#include "framework/FormText.h"
#include "tests/form/FormTesting.h"
#include "tests/support/ImportPatch.h"

#include <shlobj.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

using TLines = std::vector<std::string>;

// A drop handle as the shell hands it over: a DROPFILES header, then each ANSI name ending in NUL,
// then a final NUL.
HDROP MakeDrop(const TLines& paths)
{
    std::size_t size = sizeof(DROPFILES) + 1;
    for (const std::string& path : paths)
        size += path.size() + 1;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = FALSE;
    char* name = reinterpret_cast<char*>(header) + sizeof(DROPFILES);
    for (const std::string& path : paths) {
        std::memcpy(name, path.c_str(), path.size() + 1);
        name += path.size() + 1;
    }
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

// The drop handles given back, in order; each really goes back to the shell.
std::vector<HDROP> Finished;

void WINAPI RecordDragFinish(HDROP drop)
{
    Finished.push_back(drop);
    static const auto original = reinterpret_cast<decltype(&DragFinish)>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("shell32.dll"), "DragFinish")));
    original(drop);
}

TLines Lines(const TStrings& strings)
{
    TLines lines;
    for (int i = 0; i < strings.Count(); ++i)
        lines.push_back(strings.Strings(i));
    return lines;
}

bool AcceptsFiles(HWND window)
{
    return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0;
}

class DroppedFiles : public FormTesting::TFormTest {
protected:
    DroppedFiles() { Finished.clear(); }
    ~DroppedFiles() override
    {
        delete Form; // while DragFinish is still recorded
        Form = nullptr;
    }

    // Drops the files on the form; true when the handle went back to the shell.
    bool Drop(const TLines& paths)
    {
        const HDROP drop = MakeDrop(paths);
        Finished.clear();
        Send(WM_DROPFILES, reinterpret_cast<WPARAM>(drop));
        return Finished == std::vector<HDROP>{drop};
    }
    TLines Collected(TQELFileDisplay collectBy, const TLines& paths)
    {
        Files->SetCollectBy(collectBy);
        EXPECT_TRUE(Drop(paths));
        return Lines(*Files->DroppedItems());
    }

public:
    void StartDrop(TObject* sender)
    {
        EXPECT_EQ(sender, Files);
        Log.push_back("start, holding " + std::to_string(Files->DroppedItems()->Count()));
    }
    void FileDropped(TObject* sender, std::string item)
    {
        EXPECT_EQ(sender, Files);
        Log.push_back("drop " + item + " as item " + std::to_string(Files->DroppedItems()->Count()));
    }
    void EndDrop(TObject*) { Log.push_back("end, holding " + std::to_string(Files->DroppedItems()->Count())); }
    void Refuse(TObject*, std::string item) { throw Exception("cannot take " + item); }

protected:
    TImportPatch FinishPatch{"shell32.dll", "DragFinish", &RecordDragFinish};
    TQELDroppedFiles* Files = new TQELDroppedFiles(Form);
    TLines Log;
};

TEST_F(DroppedFiles, PublishesItsPropertiesWithTheirDefaults)
{
    EXPECT_EQ(FormTesting::PropertyNames(TQELDroppedFiles::StaticClass()),
              (std::vector<std::string>{"Name", "Tag", "About", "CollectBy", "DroppedItems", "Active", "OnStartDrop",
                                        "OnEndDrop", "OnDrop"}));
    EXPECT_EQ(Files->CollectBy(), dFullPath);
    EXPECT_FALSE(Files->Active());
    EXPECT_EQ(Files->DroppedItems()->Count(), 0);
    Files->DroppedItems()->Add("C:\\kept.txt");
    Files->SetName("Files");
    EXPECT_EQ(WriteComponentText(*Files), "object Files: TQELDroppedFiles\r\nend\r\n") << "the items are never stored";
}

TEST_F(DroppedFiles, CollectsFullPaths)
{
    EXPECT_EQ(Collected(dFullPath, {"C:\\a\\b.txt", "C:\\a\\c"}), (TLines{"C:\\a\\b.txt", "C:\\a\\c"}));
}

TEST_F(DroppedFiles, CollectsTheNamePartAfterTheLastBackslash)
{
    EXPECT_EQ(Collected(dFullName, {"C:\\x.y\\readme", "C:\\data\\archive.tar.gz", "nopath.txt"}),
              (TLines{"readme", "archive.tar.gz", ""}));
}

TEST_F(DroppedFiles, CollectsWhatFollowsTheFirstDotOfTheNamePart)
{
    EXPECT_EQ(Collected(dExtension, {"C:\\a\\b.txt", "C:\\a\\c", "C:\\x.y\\readme", "C:\\data\\archive.tar.gz",
                                     "backup.tar.gz", "C:\\a\\trailing."}),
              (TLines{"txt", "", "", "tar.gz", "tar.gz", ""}));
}

TEST_F(DroppedFiles, ReadsALongPathWhole)
{
    const std::string path = "C:\\" + std::string(150, 'd') + "\\" + std::string(100, 'f') + ".log";
    EXPECT_EQ(Collected(dFullPath, {"C:\\short.txt", path, "C:\\after.txt"}),
              (TLines{"C:\\short.txt", path, "C:\\after.txt"}));
}

TEST_F(DroppedFiles, FiresItsEventsAroundEachFileAndClearsTheLastDropFirst)
{
    Files->SetOnStartDrop(TNotifyEvent(this, &DroppedFiles::StartDrop));
    Files->SetOnDrop(TQELOnDrop(this, &DroppedFiles::FileDropped));
    Files->SetOnEndDrop(TNotifyEvent(this, &DroppedFiles::EndDrop));
    Files->SetCollectBy(dFullName);
    ASSERT_TRUE(Drop({"C:\\one.txt", "C:\\two.txt", "C:\\three.txt"}));
    ASSERT_TRUE(Drop({"D:\\four.doc"}));
    EXPECT_EQ(Log, (TLines{"start, holding 0", "drop one.txt as item 1", "drop two.txt as item 2",
                           "drop three.txt as item 3", "end, holding 3", "start, holding 3",
                           "drop four.doc as item 1", "end, holding 1"}));
    EXPECT_EQ(Lines(*Files->DroppedItems()), TLines{"four.doc"});
}

TEST_F(DroppedFiles, FramesAnEmptyDrop)
{
    Files->SetOnStartDrop(TNotifyEvent(this, &DroppedFiles::StartDrop));
    Files->SetOnEndDrop(TNotifyEvent(this, &DroppedFiles::EndDrop));
    ASSERT_TRUE(Drop({"C:\\old.txt"}));
    // A handle the shell's functions cannot read holds no files (and there is nothing to give back).
    Send(WM_DROPFILES, 0);
    EXPECT_EQ(Log, (TLines{"start, holding 0", "end, holding 1", "start, holding 1", "end, holding 0"}));
}

TEST_F(DroppedFiles, GivesTheDropBackAndReportsWhenAHandlerRaises)
{
    Files->SetOnDrop(TQELOnDrop(this, &DroppedFiles::Refuse));
    EXPECT_TRUE(Drop({"C:\\a.txt", "C:\\b.txt"}));
    ASSERT_EQ(Errors.size(), 1u);
    EXPECT_EQ(Errors[0].Sender, Files);
    EXPECT_EQ(Errors[0].Message, "cannot take C:\\a.txt");
    Errors.clear();
    EXPECT_EQ(Lines(*Files->DroppedItems()), TLines{"C:\\a.txt"}) << "the drop stopped there";
    EXPECT_TRUE(IsWindowEnabled(Form->Handle()));
    EXPECT_EQ(Send(WM_NULL), 0) << "the form still answers";
}

TEST_F(DroppedFiles, KeepsTheDropFromTheFormAndPassesEverythingElse)
{
    delete Files;
    std::vector<UINT> behind;
    struct TMessageLog : TQELHookComponent {
        TMessageLog(TComponent* owner, std::vector<UINT>& log) : TQELHookComponent(owner), FLog(log) {}
        void Hooked(TMessage& message) override
        {
            if (message.Msg == WM_DROPFILES || message.Msg == WM_APP)
                FLog.push_back(message.Msg);
            TQELHookComponent::Hooked(message);
        }
        std::vector<UINT>& FLog;
    };
    new TMessageLog(Form, behind);
    Files = new TQELDroppedFiles(Form);
    ASSERT_TRUE(Drop({"C:\\a.txt"}));
    Send(WM_APP);
    EXPECT_EQ(behind, std::vector<UINT>{WM_APP});
}

TEST_F(DroppedFiles, RegistersTheWindowAsADropTargetWhileActive)
{
    EXPECT_FALSE(AcceptsFiles(Form->Handle()));
    Files->SetActive(true);
    EXPECT_TRUE(AcceptsFiles(Form->Handle()));
    Files->SetActive(false);
    EXPECT_FALSE(AcceptsFiles(Form->Handle()));
    Files->SetActive(true);
    delete Files;
    Files = nullptr;
    EXPECT_TRUE(AcceptsFiles(Form->Handle())) << "the registration stays with the window";
}

TEST_F(DroppedFiles, AStoredActiveRegistersTheFinalWindow)
{
    delete Form;
    TReader reader("object Target: TForm\n"
                   "  object Files: TQELDroppedFiles\n"
                   "    CollectBy = dExtension\n"
                   "    Active = True\n"
                   "  end\n"
                   "end\n");
    Form = reader.ReadComponent(Application)->As<TForm>();
    Files = Form->FindComponent("Files")->As<TQELDroppedFiles>();
    EXPECT_TRUE(AcceptsFiles(Form->Handle()));
    EXPECT_EQ(Collected(dExtension, {"C:\\photo.jpeg"}), TLines{"jpeg"});
}

// Made in code, it follows a window made anew before the form is finished, as one read does.
TEST_F(DroppedFiles, MadeInCodeItRegistersTheWindowTheFormHasWhenItIsFinished)
{
    Files->SetActive(true);
    const HWND before = Form->Handle();
    Form->SetBorderStyle(bsDialog);
    ASSERT_NE(Form->Handle(), before);
    EXPECT_FALSE(AcceptsFiles(Form->Handle()));
    Form->Show();
    EXPECT_TRUE(AcceptsFiles(Form->Handle()));
    EXPECT_EQ(Collected(dFullName, {"C:\\photo.jpeg"}), TLines{"photo.jpeg"});
}

TEST_F(DroppedFiles, AssigningTheItemsCopiesThem)
{
    TStringList list;
    list.Add("C:\\given.txt");
    Files->SetDroppedItems(&list);
    list.Clear();
    EXPECT_EQ(Lines(*Files->DroppedItems()), TLines{"C:\\given.txt"});
}

TEST(DroppedFilesOwner, MustBeAForm)
{
    TPanel panel(nullptr);
    const LONG_PTR procedure = GetWindowLongPtrA(panel.Handle(), GWLP_WNDPROC);
    EXPECT_THROW(new TQELDroppedFiles(&panel), EInvalidCast);
    EXPECT_EQ(panel.ComponentCount(), 0);
    EXPECT_EQ(GetWindowLongPtrA(panel.Handle(), GWLP_WNDPROC), procedure) << "nothing hooked";
}

} // namespace
