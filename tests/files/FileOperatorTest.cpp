// The file operator against the shell: the record it hands over (intercepted), real copies, moves,
// renames and deletes in a folder of the test's own, confirmations answered from a timer, and the
// events of each outcome.
#include "files/QELTFileOperator.h"

#include "framework/FormText.h"
#include "framework/SysUtils.h"
#include "tests/files/FilesTestSupport.h"
#include "tests/framework/WindowTesting.h"
#include "tests/support/ErrorMessage.h"
#include "tests/support/ImportPatch.h"

#include <gtest/gtest.h>

#include <vector>

using namespace WindowTesting;

namespace {

using TLines = std::vector<std::string>;

// What the shell was handed, while a TShellRecorder lives; each call answers Result, sets the aborted
// flag when asked and hands back Mappings.
struct TShellCall {
    HWND Owner;
    UINT Function;
    std::string Sources; // with the NULs between the names and the closing double NUL
    std::string Destinations;
    FILEOP_FLAGS Flags;
    std::string ProgressTitle;
};
std::vector<TShellCall>* GCalls = nullptr;
int GResult = 0;
BOOL GAborted = FALSE;
HANDLE GMappings = nullptr;
std::vector<HANDLE>* GFreedMappings = nullptr;

// A double-NUL-terminated list, its closing NULs included.
std::string List(const char* list)
{
    std::size_t length = 0;
    while (list[length] != '\0' || list[length + 1] != '\0')
        ++length;
    return std::string(list, length + 2);
}

int WINAPI RecordShellCall(LPSHFILEOPSTRUCTA record)
{
    GCalls->push_back({record->hwnd, record->wFunc, List(record->pFrom), List(record->pTo), record->fFlags,
                       record->lpszProgressTitle ? record->lpszProgressTitle : ""});
    record->fAnyOperationsAborted = GAborted;
    record->hNameMappings = GMappings;
    return GResult;
}

void WINAPI RecordFreeMappings(HANDLE mappings)
{
    GFreedMappings->push_back(mappings);
}

class TShellRecorder {
public:
    TShellRecorder()
    {
        GCalls = &Calls;
        GFreedMappings = &FreedMappings;
        GResult = 0;
        GAborted = FALSE;
        GMappings = nullptr;
    }
    ~TShellRecorder()
    {
        GCalls = nullptr;
        GFreedMappings = nullptr;
    }
    std::vector<TShellCall> Calls;
    std::vector<HANDLE> FreedMappings;

private:
    TImportPatch FOperation{"shell32.dll", "SHFileOperationA", &RecordShellCall};
    TImportPatch FFree{"shell32.dll", "SHFreeNameMappings", &RecordFreeMappings};
};

class FileOperatorTest : public testing::Test, public TObject {
public:
    void SuccessCopy(TObject* sender) { Fired("SuccessCopy", sender); }
    void SuccessDelete(TObject* sender) { Fired("SuccessDelete", sender); }
    void SuccessMove(TObject* sender) { Fired("SuccessMove", sender); }
    void SuccessRename(TObject* sender) { Fired("SuccessRename", sender); }
    void FailCopy(TObject* sender) { Fired("FailCopy", sender); }
    void FailDelete(TObject* sender) { Fired("FailDelete", sender); }
    void FailMove(TObject* sender) { Fired("FailMove", sender); }
    void FailRename(TObject* sender) { Fired("FailRename", sender); }
    void Done(TObject* sender) { Fired("Done", sender); }

protected:
    FileOperatorTest() : FOperator(nullptr)
    {
        using T = FileOperatorTest;
        FOperator.SetOnSuccessCopy(TNotifyEvent(this, &T::SuccessCopy));
        FOperator.SetOnSuccessDelete(TNotifyEvent(this, &T::SuccessDelete));
        FOperator.SetOnSuccessMove(TNotifyEvent(this, &T::SuccessMove));
        FOperator.SetOnSuccessRename(TNotifyEvent(this, &T::SuccessRename));
        FOperator.SetOnFailCopy(TNotifyEvent(this, &T::FailCopy));
        FOperator.SetOnFailDelete(TNotifyEvent(this, &T::FailDelete));
        FOperator.SetOnFailMove(TNotifyEvent(this, &T::FailMove));
        FOperator.SetOnFailRename(TNotifyEvent(this, &T::FailRename));
        FOperator.SetOnDone(TNotifyEvent(this, &T::Done));
        FPreviousDirectory = GetCurrentDir();
    }
    ~FileOperatorTest() override { (void)SetCurrentDir(FPreviousDirectory); }

    void Fired(const std::string& event, TObject* sender)
    {
        EXPECT_EQ(sender, &FOperator);
        FEvents.push_back(event);
    }
    void Files(std::initializer_list<const char*> names)
    {
        FOperator.FilesFrom()->Clear();
        for (const char* name : names)
            FOperator.FilesFrom()->Add(name);
    }

    TScratchDirectory FScratch;
    TQELFileOperator FOperator;
    TLines FEvents;
    std::string FPreviousDirectory;
};

} // namespace

TEST_F(FileOperatorTest, FlagsLiveInTheShellsFlagWord)
{
    EXPECT_EQ(FOperator.GetFlags(), (TQELFileFlags{opAllowUndo, opNoConfirmMkDir}));
    EXPECT_EQ(FOperator.Operation(), TQELFileFunction::CopyFile);
    TShellRecorder shell;
    FScratch.File("a.txt");
    FOperator.SetDirTo(FScratch / "to");
    Files({"a.txt"});
    FOperator.SetDirFrom(FScratch.Path());
    ASSERT_TRUE(FOperator.Execute());
    FOperator.SetFlags({});
    ASSERT_TRUE(FOperator.Execute());
    FOperator.SetFlags({opConfirmMouse, opFilesOnly, opMultiDestFiles, opNoConfirmation, opRenameOnCollision,
                        opSilent, opSimpleProgress, opWantMappingHandle});
    EXPECT_EQ(FOperator.GetFlags(), (TQELFileFlags{opConfirmMouse, opFilesOnly, opMultiDestFiles, opNoConfirmation,
                                                  opRenameOnCollision, opSilent, opSimpleProgress,
                                                  opWantMappingHandle}));
    ASSERT_TRUE(FOperator.Execute());
    ASSERT_EQ(shell.Calls.size(), 3u);
    EXPECT_EQ(shell.Calls[0].Flags, 0x240);
    EXPECT_EQ(shell.Calls[1].Flags, 0);
    EXPECT_EQ(shell.Calls[2].Flags, 0x1BF);
    EXPECT_EQ(shell.Calls[0].Owner, nullptr);
}

TEST_F(FileOperatorTest, TheSourceListIsDirFromBeforeEachNameAndDirFromStaysCurrent)
{
    TShellRecorder shell;
    FOperator.SetDirFrom(FScratch.Path());
    FOperator.SetDirTo("target");
    Files({"a.txt", "b.txt"});
    EXPECT_TRUE(FOperator.Execute());
    ASSERT_EQ(shell.Calls.size(), 1u);
    const std::string from = FScratch.Path() + "\\";
    EXPECT_EQ(shell.Calls[0].Sources, from + "a.txt" + '\0' + from + "b.txt" + '\0' + '\0');
    EXPECT_EQ(shell.Calls[0].Destinations, std::string("target") + '\0' + '\0');
    EXPECT_EQ(shell.Calls[0].Function, static_cast<UINT>(FO_COPY));
    EXPECT_EQ(shell.Calls[0].ProgressTitle, "Copying...");
    EXPECT_EQ(FOperator.DirFrom(), from);
    EXPECT_EQ(GetCurrentDir(), FScratch.Path());
    EXPECT_EQ(FEvents, (TLines{"SuccessCopy", "Done"}));
}

TEST_F(FileOperatorTest, WithoutDirFromTheNamesGoAsTheyStand)
{
    TShellRecorder shell;
    FOperator.SetDirTo("target");
    Files({"C:\\x\\a.txt", "relative.txt"});
    EXPECT_TRUE(FOperator.Execute());
    ASSERT_EQ(shell.Calls.size(), 1u);
    EXPECT_EQ(shell.Calls[0].Sources, std::string("C:\\x\\a.txt") + '\0' + "relative.txt" + '\0' + '\0');
    EXPECT_EQ(GetCurrentDir(), FPreviousDirectory);
    EXPECT_EQ(FOperator.DirFrom(), "");
}

TEST_F(FileOperatorTest, EmptyAndBlankLinesAreSkipped)
{
    TShellRecorder shell;
    FOperator.SetDirTo("target");
    Files({"a.txt", "", "b.txt"});
    EXPECT_TRUE(FOperator.Execute());
    FOperator.SetDirFrom(FScratch.Path());
    EXPECT_TRUE(FOperator.Execute());
    ASSERT_EQ(shell.Calls.size(), 2u);
    // Without DirFrom an empty entry would end the list after a.txt.
    EXPECT_EQ(shell.Calls[0].Sources, std::string("a.txt") + '\0' + "b.txt" + '\0' + '\0');
    // With it, an empty entry would be DirFrom itself.
    const std::string from = FScratch.Path() + "\\";
    EXPECT_EQ(shell.Calls[1].Sources, from + "a.txt" + '\0' + from + "b.txt" + '\0' + '\0');

    // The system drops the spaces at the end of a name: a line of spaces would be DirFrom itself too.
    Files({"a.txt", "   ", " ", "b.txt"});
    EXPECT_TRUE(FOperator.Execute());
    ASSERT_EQ(shell.Calls.size(), 3u);
    EXPECT_EQ(shell.Calls[2].Sources, from + "a.txt" + '\0' + from + "b.txt" + '\0' + '\0');
    shell.Calls.pop_back();

    // Nothing but empty lines is nothing to do.
    Files({"", "  "});
    FEvents.clear();
    EXPECT_FALSE(FOperator.Execute());
    EXPECT_EQ(shell.Calls.size(), 2u);
    EXPECT_EQ(FEvents, (TLines{"FailCopy", "Done"}));
}

TEST_F(FileOperatorTest, EachOperationHasItsFunctionTitleAndEvents)
{
    TShellRecorder shell;
    FOperator.SetDirTo("target");
    Files({"a.txt"});
    const std::vector<std::tuple<TQELFileFunction, UINT, const char*, const char*, const char*>> operations{
        {TQELFileFunction::CopyFile, FO_COPY, "Copying...", "SuccessCopy", "FailCopy"},
        {TQELFileFunction::DeleteFile, FO_DELETE, "Deleteing...", "SuccessDelete", "FailDelete"},
        {TQELFileFunction::MoveFile, FO_MOVE, "Moving...", "SuccessMove", "FailMove"},
        {TQELFileFunction::RenameFile, FO_RENAME, "Renaming...", "SuccessRename", "FailRename"},
    };
    for (const auto& [operation, function, title, success, failure] : operations) {
        FOperator.SetOperation(operation);
        FEvents.clear();
        shell.Calls.clear();
        GResult = 0;
        EXPECT_TRUE(FOperator.Execute());
        EXPECT_EQ(FEvents, (TLines{success, "Done"}));
        ASSERT_EQ(shell.Calls.size(), 1u);
        EXPECT_EQ(shell.Calls[0].Function, function);
        EXPECT_EQ(shell.Calls[0].ProgressTitle, title);
        FEvents.clear();
        GResult = ERROR_ACCESS_DENIED;
        EXPECT_FALSE(FOperator.Execute());
        EXPECT_EQ(FEvents, (TLines{failure, "Done"}));
    }
}

TEST_F(FileOperatorTest, AnAbortedOperationIsAFailureAndMappingsAreFreed)
{
    TShellRecorder shell;
    FOperator.SetDirTo("target");
    Files({"a.txt"});
    GAborted = TRUE;
    EXPECT_FALSE(FOperator.Execute());
    EXPECT_EQ(FEvents, (TLines{"FailCopy", "Done"}));

    GAborted = FALSE;
    int mappings = 0;
    GMappings = &mappings;
    FOperator.SetFlags(FOperator.GetFlags() + TQELFileFlags{opWantMappingHandle, opRenameOnCollision});
    EXPECT_TRUE(FOperator.Execute());
    EXPECT_EQ(shell.FreedMappings, std::vector<HANDLE>{&mappings});
}

TEST_F(FileOperatorTest, MisuseRaisesBeforeAnythingHappens)
{
    TShellRecorder shell;
    FOperator.SetOperation(TQELFileFunction::DeleteFile);
    Files({"a.txt"});
    EXPECT_EQ(ErrorMessageOf([&] { FOperator.Execute(); }), "Directory Information is invalid");
    FOperator.SetDirTo("target");
    FOperator.SetDirFrom(FScratch / "missing");
    EXPECT_EQ(ErrorMessageOf([&] { FOperator.Execute(); }), "Can not locate current Directory");
    EXPECT_TRUE(shell.Calls.empty());
    EXPECT_TRUE(FEvents.empty());
    EXPECT_EQ(GetCurrentDir(), FPreviousDirectory);
}

TEST_F(FileOperatorTest, NoFilesIsAFailureWithoutAShellCall)
{
    TShellRecorder shell;
    FOperator.SetOperation(TQELFileFunction::MoveFile);
    FOperator.SetDirTo("target");
    EXPECT_FALSE(FOperator.Execute());
    EXPECT_TRUE(shell.Calls.empty());
    EXPECT_EQ(FEvents, (TLines{"FailMove", "Done"}));
}

TEST_F(FileOperatorTest, StoredValuesUseTheOperationsNames)
{
    TComponent root(nullptr);
    auto* stored = new TQELFileOperator(&root);
    stored->SetName("Operator1");
    std::string text = WriteComponentText(root);
    EXPECT_EQ(text.find("Flags"), std::string::npos) << text;
    EXPECT_EQ(text.find("Operation"), std::string::npos) << text;
    stored->SetOperation(TQELFileFunction::RenameFile);
    stored->SetFlags({opSilent});
    text = WriteComponentText(root);
    EXPECT_NE(text.find("Operation = RenameFile"), std::string::npos) << text;
    EXPECT_NE(text.find("Flags = [opSilent]"), std::string::npos) << text;
}

// The shell itself from here on.

TEST_F(FileOperatorTest, CopiesMovesRenamesAndDeletesFiles)
{
    FScratch.File("from\\a.txt", "a");
    FScratch.File("from\\b.txt", "b");
    FOperator.SetFlags({opNoConfirmation, opNoConfirmMkDir, opSilent});
    FOperator.SetDirFrom(FScratch / "from");
    FOperator.SetDirTo(FScratch / "copies");
    Files({"a.txt", "b.txt"});
    EXPECT_TRUE(FOperator.Execute());
    EXPECT_EQ(ReadBytes(FScratch / "copies\\a.txt"), "a");
    EXPECT_EQ(ReadBytes(FScratch / "copies\\b.txt"), "b");

    FOperator.SetOperation(TQELFileFunction::MoveFile);
    FOperator.SetDirTo(FScratch.Directory("moved"));
    Files({"b.txt"});
    EXPECT_TRUE(FOperator.Execute());
    EXPECT_FALSE(FileExists(FScratch / "from\\b.txt"));
    EXPECT_EQ(ReadBytes(FScratch / "moved\\b.txt"), "b");

    // A relative destination is taken from DirFrom, which is the current directory now.
    FOperator.SetOperation(TQELFileFunction::RenameFile);
    FOperator.SetDirTo("renamed.txt");
    Files({"a.txt"});
    EXPECT_TRUE(FOperator.Execute());
    EXPECT_EQ(ReadBytes(FScratch / "from\\renamed.txt"), "a");

    FOperator.SetOperation(TQELFileFunction::DeleteFile);
    FOperator.SetFlags(FOperator.GetFlags() - TQELFileFlags{opAllowUndo});
    Files({"renamed.txt"});
    EXPECT_TRUE(FOperator.Execute());
    EXPECT_FALSE(FileExists(FScratch / "from\\renamed.txt"));
    EXPECT_EQ(FEvents, (TLines{"SuccessCopy", "Done", "SuccessMove", "Done", "SuccessRename", "Done", "SuccessDelete",
                               "Done"}));
}

TEST_F(FileOperatorTest, ADeleteWithABlankLineKeepsTheFolder)
{
    FScratch.File("data\\old.txt", "old");
    FScratch.File("data\\keep.txt", "keep");
    FOperator.SetOperation(TQELFileFunction::DeleteFile);
    FOperator.SetFlags({opNoConfirmation, opSilent});
    FOperator.SetDirFrom(FScratch / "data");
    FOperator.SetDirTo("unused");
    Files({"old.txt", "", "   "});
    EXPECT_TRUE(FOperator.Execute());
    EXPECT_FALSE(FileExists(FScratch / "data\\old.txt"));
    EXPECT_EQ(ReadBytes(FScratch / "data\\keep.txt"), "keep");
}

TEST_F(FileOperatorTest, ARelativeDirFromNamesTheFilesWhereItIsNotInsideItself)
{
    // data\data\old.txt is what the names would come to if they were looked up once data is current.
    FScratch.File("data\\old.txt", "old");
    FScratch.File("data\\data\\old.txt", "inner");
    ASSERT_TRUE(SetCurrentDir(FScratch.Path()));
    FOperator.SetOperation(TQELFileFunction::DeleteFile);
    FOperator.SetFlags({opNoConfirmation, opSilent});
    FOperator.SetDirFrom("data");
    FOperator.SetDirTo("unused");
    Files({"old.txt"});
    EXPECT_TRUE(FOperator.Execute());
    EXPECT_FALSE(FileExists(FScratch / "data\\old.txt"));
    EXPECT_EQ(ReadBytes(FScratch / "data\\data\\old.txt"), "inner");
    EXPECT_EQ(FOperator.DirFrom(), "data\\");
    EXPECT_EQ(GetCurrentDir(), FScratch / "data");
}

TEST_F(FileOperatorTest, AConfirmationAnsweredNoIsAFailure)
{
    FScratch.File("from\\a.txt", "new");
    FScratch.File("to\\a.txt", "old");
    FOperator.SetDirFrom(FScratch / "from");
    FOperator.SetDirTo(FScratch / "to");
    Files({"a.txt"});
    TUserAction answer([] { return PressButton("#32770", "Confirm file overwrite", "&No"); });
    EXPECT_FALSE(FOperator.Execute());
    EXPECT_TRUE(answer.Done());
    EXPECT_EQ(ReadBytes(FScratch / "to\\a.txt"), "old");
    EXPECT_EQ(FEvents, (TLines{"FailCopy", "Done"}));

    FEvents.clear();
    TUserAction agree([] { return PressButton("#32770", "Confirm file overwrite", "&Yes"); });
    EXPECT_TRUE(FOperator.Execute());
    EXPECT_TRUE(agree.Done());
    EXPECT_EQ(ReadBytes(FScratch / "to\\a.txt"), "new");
    EXPECT_EQ(FEvents, (TLines{"SuccessCopy", "Done"}));
}

TEST_F(FileOperatorTest, ADeleteThatCanBeUndoneGoesToTheRecycleAreaInTheBuildTree)
{
    // Under Wine the recycle area is a folder of the host's desktop unless the test scripts point it
    // into the build tree.
    const std::string recycled = RecycledFilesFolder();
    const bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    ASSERT_TRUE(!wine || !recycled.empty()) << "XDG_DATA_HOME is not set";
    const std::string name = "gone-" + std::to_string(GetCurrentProcessId()) + ".txt";
    FScratch.File("bin\\" + name, "gone");
    FOperator.SetOperation(TQELFileFunction::DeleteFile);
    FOperator.SetDirFrom(FScratch / "bin");
    FOperator.SetDirTo("unused");
    Files({name.c_str()});
    TUserAction answer([] { return PressButton("#32770", "Confirm file deletion", "&Yes"); });
    EXPECT_TRUE(FOperator.Execute());
    EXPECT_TRUE(answer.Done());
    EXPECT_FALSE(FileExists(FScratch / ("bin\\" + name)));
    EXPECT_EQ(FEvents, (TLines{"SuccessDelete", "Done"}));
    if (!recycled.empty()) {
        const std::string kept = recycled + "\\" + name;
        EXPECT_EQ(ReadBytes(kept), "gone");
        (void)DeleteFileA(kept.c_str());
        (void)DeleteFileA((recycled + "\\..\\info\\" + name + ".trashinfo").c_str());
    }
}

TEST_F(FileOperatorTest, AnOperatorFreedWhileTheShellAsksTouchesNothingAfterwards)
{
    FScratch.File("from\\a.txt", "new");
    FScratch.File("to\\a.txt", "old");
    auto* freed = new TQELFileOperator(nullptr);
    freed->SetOnFailCopy(TNotifyEvent(this, &FileOperatorTest::FailCopy));
    freed->SetOnDone(TNotifyEvent(this, &FileOperatorTest::Done));
    freed->SetDirFrom(FScratch / "from");
    freed->SetDirTo(FScratch / "to");
    freed->FilesFrom()->Add("a.txt");
    // The confirmation's own loop handles the message and frees the operator; then it is answered.
    TMessageTarget freer([&] { delete freed; });
    freer.Post();
    TUserAction answer([] { return PressButton("#32770", "Confirm file overwrite", "&No"); });
    EXPECT_FALSE(freed->Execute());
    EXPECT_TRUE(answer.Done());
    EXPECT_TRUE(FEvents.empty());
    EXPECT_EQ(ReadBytes(FScratch / "to\\a.txt"), "old");
}

TEST_F(FileOperatorTest, AnOperatorFreedByItsOutcomeEventFiresNothingMore)
{
    FScratch.File("from\\a.txt", "a");
    auto* freed = new TQELFileOperator(nullptr);
    struct TFreer : TObject {
        TQELFileOperator* Operator = nullptr;
        int Dones = 0;
        void Free(TObject*) { delete Operator; }
        void Done(TObject*) { ++Dones; }
    } freer;
    freer.Operator = freed;
    freed->SetOnFailCopy(TNotifyEvent(&freer, &TFreer::Free));
    freed->SetOnDone(TNotifyEvent(&freer, &TFreer::Done));
    freed->SetDirFrom(FScratch / "from");
    freed->SetDirTo(FScratch / "to");
    // No lines: the copy fails at once, and its failure event frees the operator.
    EXPECT_FALSE(freed->Execute());
    EXPECT_EQ(freer.Dones, 0);
}
