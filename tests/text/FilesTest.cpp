// The file components under UTF-8, in a folder named beyond ASCII, on real files: the name parts and the
// extension rename with its upper-casing, the shell's file operations, the collector's order, the text
// replace and the log file; and the names the files carry on the Linux side.
#include "tests/text/TextTesting.h"

#include "files/QELTFileCollector.h"
#include "files/QELTFileOperator.h"
#include "files/QELTFileProperties.h"
#include "files/QELTLogFile.h"
#include "files/QELTTextReplace.h"
#include "framework/Strings.h"
#include "framework/SysUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Sorted(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> LinesOf(const TStrings& strings)
{
    std::vector<std::string> lines;
    for (int i = 0; i < strings.Count(); ++i)
        lines.push_back(strings.Get(i));
    return lines;
}

class TextFiles : public testing::Test, public TObject {
protected:
    // The folder as the Linux side names it: the folder's own name there is CafeNihon(), byte for byte.
    std::string HostFolder() const
    {
        const std::string host = HostPath(AnsiToWide(FFolder.Path()));
        EXPECT_TRUE(host.empty() || host.ends_with("/" + CafeNihon())) << host;
        return host;
    }

    TTextFolder FFolder;
};

} // namespace

TEST_F(TextFiles, PropertiesSplitTheNameAndTheExtensionRenameCutsAndUpperCasesWholeCharacters)
{
    const std::string file = FFolder.File(Greek() + ".txt", "x");
    TQELFileProperties properties(nullptr);
    properties.SetFilename(file);
    EXPECT_EQ(properties.Filename(), file);
    EXPECT_EQ(properties.Path(), FFolder.Path() + "\\");
    EXPECT_EQ(properties.NameAndExtension(), Greek() + ".txt");
    EXPECT_EQ(properties.NameOnly(), Greek());
    EXPECT_EQ(properties.Extension(), ".txt");
    EXPECT_EQ(properties.Size(), 1);

    // The dot and three characters (nine bytes of the seven ideographs given), the whole name upper-cased.
    properties.SetFileExt(Utf8(u8"\u65E5\u672C\u8A9E\u30C6\u30AD\u30B9\u30C8"));
    const std::string newName = Utf8(u8"\u0395\u039B\u039B\u0397\u039D\u0399\u039A\u0386.\u65E5\u672C\u8A9E");
    EXPECT_EQ(properties.Extension(), Utf8(u8".\u65E5\u672C\u8A9E"));
    EXPECT_EQ(properties.Filename(), AnsiUpperCase(FFolder.Path()) + "\\" + newName);
    EXPECT_EQ(properties.NameAndExtension(), newName);
    EXPECT_TRUE(FileExists(properties.Filename()));
    EXPECT_EQ(EntryNames(FFolder.Path()), std::vector<std::string>{newName});
    EXPECT_TRUE(HostEntryExists(HostFolder(), newName));
}

TEST_F(TextFiles, TheShellCopiesRenamesAndDeletesFilesNamedBeyondAscii)
{
    const std::string previousDirectory = GetCurrentDir();
    const std::string target = FFolder.Directory(Greek());
    FFolder.File(CafeNihon() + ".txt", "1");
    FFolder.File(Greek() + ".txt", "2");
    TQELFileOperator files(nullptr);
    files.SetFlags({opNoConfirmation, opSilent});
    files.SetDirFrom(FFolder.Path());
    files.FilesFrom()->Add(CafeNihon() + ".txt");
    files.FilesFrom()->Add(Greek() + ".txt");
    files.SetDirTo(target);
    EXPECT_TRUE(files.Execute());
    EXPECT_EQ(Sorted(EntryNames(target)), Sorted({CafeNihon() + ".txt", Greek() + ".txt"}));
    EXPECT_EQ(ReadBytes(target + "\\" + Greek() + ".txt"), "2");
    const std::string hostTarget = HostFolder() + (HostFolder().empty() ? "" : "/" + Greek());
    EXPECT_TRUE(HostEntryExists(hostTarget, CafeNihon() + ".txt"));
    EXPECT_TRUE(HostEntryExists(hostTarget, Greek() + ".txt"));

    files.SetOperation(TQELFileFunction::RenameFile);
    files.SetDirFrom(target);
    files.FilesFrom()->Clear();
    files.FilesFrom()->Add(Greek() + ".txt");
    files.SetDirTo(target + "\\" + Utf8(u8"\u65E5\u672C.txt"));
    EXPECT_TRUE(files.Execute());
    EXPECT_EQ(Sorted(EntryNames(target)), Sorted({CafeNihon() + ".txt", Utf8(u8"\u65E5\u672C.txt")}));
    EXPECT_TRUE(HostEntryExists(hostTarget, Utf8(u8"\u65E5\u672C.txt")));

    files.SetOperation(TQELFileFunction::DeleteFile);
    files.FilesFrom()->Clear();
    files.FilesFrom()->Add(CafeNihon() + ".txt");
    EXPECT_TRUE(files.Execute());
    EXPECT_EQ(EntryNames(target), std::vector<std::string>{Utf8(u8"\u65E5\u672C.txt")});
    EXPECT_FALSE(HostEntryExists(hostTarget, CafeNihon() + ".txt"));
    EXPECT_TRUE(SetCurrentDir(previousDirectory));
}

// The collector sorts as the user's locale does, ignoring case: an accented letter beside its base
// letter, Latin before Greek, Greek capitals among the small letters. The bytes of UTF-8 would put
// e-acute after z and every Greek capital before every small letter.
TEST_F(TextFiles, TheCollectorWalksInTheUsersOrder)
{
    for (const std::string& name : {std::string("Zebra.txt"), Utf8(u8"\u03B3\u03AC\u03BC\u03BC\u03B1.txt"),
                                   std::string("caff.txt"), Utf8(u8"\u0392\u03AE\u03C4\u03B1.txt"),
                                   Utf8(u8"caf\u00E9.txt"), Utf8(u8"\u03B1\u03BB\u03C6\u03B1.txt"), std::string("cafe.txt"),
                                   std::string("skipped.doc")})
        FFolder.File(name);
    FFolder.Directory(Greek());
    FFolder.File(Greek() + "\\" + Utf8(u8"\u65E5\u672C.txt"));
    FFolder.Directory("Zeta");
    FFolder.File("Zeta\\inner.txt");

    TQELFileCollector collector(nullptr);
    std::vector<std::string> found;
    struct TFound : TObject {
        std::vector<std::string>* Names;
        void FileFound(TObject*, const std::string& fileName) { Names->push_back(fileName); }
    } sink;
    sink.Names = &found;
    collector.SetOnFileFound(TQELOnFileFound(&sink, &TFound::FileFound));
    collector.SetInitialDirectory(FFolder.Path());
    collector.SetFileMask("*.txt");
    EXPECT_TRUE(collector.Execute());
    const std::string dir = FFolder.Path() + "\\";
    const std::vector<std::string> expected{
        dir + "cafe.txt",
        dir + Utf8(u8"caf\u00E9.txt"),
        dir + "caff.txt",
        dir + "Zebra.txt",
        dir + Utf8(u8"\u03B1\u03BB\u03C6\u03B1.txt"),
        dir + Utf8(u8"\u0392\u03AE\u03C4\u03B1.txt"),
        dir + Utf8(u8"\u03B3\u03AC\u03BC\u03BC\u03B1.txt"),
        dir + "Zeta\\inner.txt",
        dir + Greek() + "\\" + Utf8(u8"\u65E5\u672C.txt"),
    };
    EXPECT_EQ(LinesOf(*collector.LocatedObjects()), expected);
    EXPECT_EQ(found, expected);
    EXPECT_EQ(collector.InitialDirectory(), dir);
}

TEST_F(TextFiles, TheTextReplaceCopiesLinesBeyondAsciiUnchangedOrChanged)
{
    const std::string source = FFolder.File(Greek() + ".txt", CafeNihon() + "\r\n" + Greek() + "\n" + "\xA9 stray\n");
    const std::string target = FFolder / Utf8(u8"\u65E5\u672C.txt");
    TQELTextReplace replace(nullptr);
    struct TUpper : TObject {
        TQELTextReplace* Replace;
        void BeforeWrite(TObject*, std::string& line, int lineNo, bool&)
        {
            if (lineNo == 2)
                Replace->AddNewString(Utf8(u8"\u65E5\u672C"));
            line = AnsiUpperCase(line);
        }
    } upper;
    upper.Replace = &replace;
    replace.SetFileFrom(source);
    replace.SetFileTo(target);
    replace.SetBeforeWrite(TQELBeforeWrite(&upper, &TUpper::BeforeWrite));
    EXPECT_TRUE(replace.Execute());
    EXPECT_EQ(ReadBytes(target), Utf8(u8"CAF\u00C9-\u65E5\u672C\r\n\u65E5\u672C\r\n"
                                      u8"\u0395\u039B\u039B\u0397\u039D\u0399\u039A\u0386\r\n") +
                                     "\xA9 STRAY\r\n");
    EXPECT_TRUE(HostEntryExists(HostFolder(), Utf8(u8"\u65E5\u672C.txt")));
}

TEST_F(TextFiles, TheLogFileKeepsItsLinesAndNameBeyondAscii)
{
    const std::string name = Greek() + ".log";
    TQELLogFile log(nullptr);
    log.SetLogFile(FFolder / name);
    log.SetLogHeader(true);
    log.SetHeader(CafeNihon());
    log.SetLogSpecial(true);
    log.SetSpecial(Greek());
    log.Log(Utf8(u8"\u65E5\u672C"));
    log.Log("ok");
    EXPECT_EQ(ReadBytes(FFolder / name),
              CafeNihon() + "\r\n" + Greek() + " " + Utf8(u8"\u65E5\u672C") + "\r\n" + Greek() + " ok\r\n");
    EXPECT_TRUE(HostEntryExists(HostFolder(), name));
    log.ClearLog();
    EXPECT_EQ(ReadBytes(FFolder / name), CafeNihon() + "\r\n");
}
