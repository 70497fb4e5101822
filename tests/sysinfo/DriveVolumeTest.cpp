// TQELDriveVolume on real drives (C:, the test drive Q: whose label and serial number the test
// scripts set, a letter with nothing behind it) and on volumes served by a stand-in for
// GetVolumeInformationA: what each query asks for, the order of queries, errors and events.
#include "sysinfo/QELTDriveVolume.h"

#include "framework/FormText.h"
#include "tests/sysinfo/SysinfoTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace {

using TLog = std::vector<std::string>;

// The letter of a drive that does not exist, from the end of the alphabet.
char MissingDrive()
{
    const DWORD drives = GetLogicalDrives();
    for (char letter = 'Y'; letter > 'D'; --letter)
        if ((drives & (1u << (letter - 'A'))) == 0)
            return letter;
    throw std::runtime_error("every drive letter is in use");
}

// What a replaced GetVolumeInformationA was asked for.
struct TVolumeCall {
    std::string Root;
    DWORD LabelSize;    // 0 when no label was asked for
    bool Serial;
    DWORD FileSystemSize;
    bool MaximumLength;
    bool Flags;
    UINT ErrorMode;     // the process's error mode during the call
};

// The volume the stand-in reports, or the failure it reports (error FirstError, FirstError + 1, ...
// call by call).
struct TFakeVolume {
    std::string Label;
    DWORD Serial = 0;
    std::string FileSystem;
    DWORD Flags = 0;
    DWORD FirstError = 0; // 0: the calls succeed
    std::vector<TVolumeCall> Calls;
};
TFakeVolume* Volume = nullptr;

void CopyName(const std::string& name, LPSTR buffer, DWORD size)
{
    if (buffer && size > 0) {
        std::strncpy(buffer, name.c_str(), size - 1);
        buffer[size - 1] = '\0';
    }
}

BOOL WINAPI FakeGetVolumeInformationA(LPCSTR root, LPSTR label, DWORD labelSize, LPDWORD serial,
                                      LPDWORD maximumLength, LPDWORD flags, LPSTR fileSystem, DWORD fileSystemSize)
{
    Volume->Calls.push_back({root ? root : "", label ? labelSize : 0, serial != nullptr,
                             fileSystem ? fileSystemSize : 0, maximumLength != nullptr, flags != nullptr,
                             GetErrorMode()});
    if (Volume->FirstError) {
        SetLastError(Volume->FirstError + static_cast<DWORD>(Volume->Calls.size()) - 1);
        return FALSE;
    }
    CopyName(Volume->Label, label, labelSize);
    CopyName(Volume->FileSystem, fileSystem, fileSystemSize);
    if (serial)
        *serial = Volume->Serial;
    if (maximumLength)
        *maximumLength = 255;
    if (flags)
        *flags = Volume->Flags;
    return TRUE;
}
static_assert(std::is_same_v<decltype(&GetVolumeInformationA), decltype(&FakeGetVolumeInformationA)>);

// Serves the volume given while it lives.
class TVolumeStandIn {
public:
    explicit TVolumeStandIn(TFakeVolume& volume)
        : FPatch("kernel32.dll", "GetVolumeInformationA", &FakeGetVolumeInformationA)
    {
        Volume = &volume;
    }
    ~TVolumeStandIn() { Volume = nullptr; }
    TVolumeStandIn(const TVolumeStandIn&) = delete;
    TVolumeStandIn& operator=(const TVolumeStandIn&) = delete;

private:
    TImportPatch FPatch;
};

// Frees the component it is given from its handlers: from BeforeUpdate, or from OnError at the
// failure numbered FreeAt, as a handler may (one that closes the form for good). Counts the failures
// it sees.
struct TFreer : TObject {
    TQELDriveVolume* Volume = nullptr;
    int FreeAt = 0;
    int Errors = 0;
    void Free(TObject*) { delete Volume; }
    void Error(int)
    {
        if (++Errors == FreeAt)
            delete Volume;
    }
};

// Stands in for MessageBoxA, whose modal loop may run a handler that frees the component: the first
// box frees the one given, and every box is counted and answered with OK.
TQELDriveVolume* FreedByTheBox = nullptr;
int BoxesShown = 0;

int WINAPI FreeingMessageBox(HWND, LPCSTR, LPCSTR, UINT)
{
    if (++BoxesShown == 1)
        delete FreedByTheBox;
    return IDOK;
}
static_assert(std::is_same_v<decltype(&MessageBoxA), decltype(&FreeingMessageBox)>);

class DriveVolumeTest : public testing::Test {
protected:
    DriveVolumeTest() : FForm(nullptr) { FForm.SetName("Form"); }

    // A component on the form, its events logged by the form.
    TQELDriveVolume* NewVolume()
    {
        auto* volume = new TQELDriveVolume(&FForm);
        volume->SetName("Drive");
        volume->SetBeforeUpdate(TNotifyEvent(&FForm, &TSysinfoTestForm::BeforeUpdate));
        volume->SetAfterUpdate(TNotifyEvent(&FForm, &TSysinfoTestForm::AfterUpdate));
        volume->SetOnError(TQELOnDriveVolumeError(&FForm, &TSysinfoTestForm::DriveError));
        return volume;
    }

    static void ExpectNoVolume(const TQELDriveVolume& volume)
    {
        EXPECT_EQ(volume.VolumeLabel(), "");
        EXPECT_EQ(volume.SerialNumber(), "");
        EXPECT_EQ(volume.FileSystemName(), "");
        EXPECT_EQ(volume.FileSystemFlags(), 0);
        EXPECT_FALSE(volume.CasePreserved() || volume.CaseSensitive() || volume.StoredUniCodeOnDisk() ||
                     volume.PersistentACLS() || volume.FileCompression() || volume.VolumeIsCompressed());
    }

    TSysinfoTestForm FForm;
};

TEST_F(DriveVolumeTest, ANewComponentDescribesDriveCAsTheSystemDoes)
{
    char label[MAX_PATH + 1] = {}, fileSystem[MAX_PATH + 1] = {};
    DWORD serial = 0, maximumLength = 0, flags = 0;
    ASSERT_TRUE(GetVolumeInformationA("C:\\", label, sizeof label, &serial, &maximumLength, &flags, fileSystem,
                                      sizeof fileSystem));
    TMessageBoxRecorder boxes;
    TQELDriveVolume volume(nullptr);
    EXPECT_TRUE(boxes.Calls().empty());
    EXPECT_EQ(volume.About(), "(About)");
    EXPECT_EQ(volume.CurrentDrive(), 'C');
    EXPECT_EQ(volume.VolumeLabel(), label);
    EXPECT_EQ(volume.FileSystemName(), "NTFS");
    EXPECT_EQ(volume.FileSystemFlags(), static_cast<int>(flags));
    EXPECT_EQ(volume.CasePreserved(), (flags & FS_CASE_IS_PRESERVED) != 0);
    EXPECT_EQ(volume.StoredUniCodeOnDisk(), (flags & FS_UNICODE_STORED_ON_DISK) != 0);
    char serialText[10];
    std::snprintf(serialText, sizeof serialText, "%04X:%04X", static_cast<unsigned>(serial >> 16),
                  static_cast<unsigned>(serial & 0xFFFF));
    EXPECT_EQ(volume.SerialNumber(), serialText);
}

TEST_F(DriveVolumeTest, TheTestDriveReadsItsLabelInUpperCaseAndItsSerialWithLeadingZeros)
{
    // The drive is made in the Wine prefix by scripts/wine-env.sh, with the label "Qel Test" and the
    // serial number 0000abcd.
    if (!GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version"))
        GTEST_SKIP() << "drive Q: is the Wine test drive";
    TQELDriveVolume* volume = NewVolume();
    volume->SetDrive('q');
    EXPECT_EQ(volume->CurrentDrive(), 'Q');
    EXPECT_EQ(volume->VolumeLabel(), "QEL TEST");
    EXPECT_EQ(volume->SerialNumber(), "0000:ABCD");
    EXPECT_NE(volume->FileSystemName(), "");
    EXPECT_EQ(FForm.Log, (TLog{"Drive.BeforeUpdate", "Drive.AfterUpdate"}));
}

TEST_F(DriveVolumeTest, ALetterWithoutADriveReportsTenErrorsBetweenTheEventsAndReadsEmpty)
{
    TQELDriveVolume* volume = NewVolume();
    FForm.Log.clear();
    volume->SetDrive(MissingDrive());
    TLog expected{"Drive.BeforeUpdate"};
    expected.insert(expected.end(), 10, "DriveError=3");
    expected.push_back("Drive.AfterUpdate");
    EXPECT_EQ(FForm.Log, expected);
    EXPECT_EQ(volume->CurrentDrive(), MissingDrive());
    ExpectNoVolume(*volume);
}

TEST_F(DriveVolumeTest, WithoutAnErrorHandlerEachFailedQueryShowsAMessageBox)
{
    TQELDriveVolume volume(nullptr);
    TMessageBoxRecorder boxes;
    volume.SetDrive(MissingDrive());
    ASSERT_EQ(boxes.Calls().size(), 10u);
    for (const TMessageBoxCall& box : boxes.Calls()) {
        EXPECT_EQ(box.Text, "Error 3 in Drive Volume Information !");
        EXPECT_EQ(box.Caption, "TQELDriveVolume");
        EXPECT_EQ(box.Flags, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    }
}

TEST_F(DriveVolumeTest, TheConstructorCanOnlyShowItsFailuresInMessageBoxes)
{
    TFakeVolume fake;
    fake.FirstError = ERROR_NOT_READY;
    TVolumeStandIn standIn(fake);
    TMessageBoxRecorder boxes;
    TQELDriveVolume volume(nullptr);
    ASSERT_EQ(boxes.Calls().size(), 10u);
    EXPECT_EQ(boxes.Calls().front().Text, "Error 21 in Drive Volume Information !");
    EXPECT_EQ(boxes.Calls().back().Text, "Error 30 in Drive Volume Information !");
    ExpectNoVolume(volume);
}

TEST_F(DriveVolumeTest, AnErrorCodeWithItsTopBitSetIsShownAsTheSystemsNumber)
{
    // Such codes come from drivers and network providers; the box shows the code itself, the handler's
    // Integer the same 32 bits.
    TFakeVolume fake;
    fake.FirstError = 0xE0000001;
    TVolumeStandIn standIn(fake);
    TMessageBoxRecorder boxes;
    TQELDriveVolume* volume = NewVolume();
    ASSERT_EQ(boxes.Calls().size(), 10u);
    EXPECT_EQ(boxes.Calls().front().Text, "Error 3758096385 in Drive Volume Information !");
    fake.Calls.clear();
    volume->SetDrive('C');
    ASSERT_EQ(FForm.Log.size(), 12u);
    EXPECT_EQ(FForm.Log[1], "DriveError=" + std::to_string(static_cast<int>(0xE0000001u)));
    EXPECT_EQ(boxes.Calls().size(), 10u);
}

TEST_F(DriveVolumeTest, AFullUpdateQueriesFlagsSixTimesThenSerialLabelFileSystemAndFlagsQuietly)
{
    TFakeVolume fake;
    TVolumeStandIn standIn(fake);
    TQELDriveVolume* volume = NewVolume();
    fake.Calls.clear();
    fake.FirstError = 1000;
    const UINT previousMode = SetErrorMode(SEM_NOGPFAULTERRORBOX);
    volume->SetDrive('Q');
    const UINT modeAfter = SetErrorMode(previousMode);

    EXPECT_EQ(modeAfter, static_cast<UINT>(SEM_NOGPFAULTERRORBOX));
    TLog expected{"Drive.BeforeUpdate"};
    for (int error = 1000; error < 1010; ++error)
        expected.push_back("DriveError=" + std::to_string(error));
    expected.push_back("Drive.AfterUpdate");
    EXPECT_EQ(FForm.Log, expected);

    ASSERT_EQ(fake.Calls.size(), 10u);
    for (std::size_t i = 0; i < fake.Calls.size(); ++i) {
        const TVolumeCall& call = fake.Calls[i];
        SCOPED_TRACE("query " + std::to_string(i));
        EXPECT_EQ(call.Root, "Q:\\");
        EXPECT_TRUE(call.MaximumLength);
        EXPECT_TRUE(call.Flags);
        EXPECT_EQ(call.ErrorMode, static_cast<UINT>(SEM_FAILCRITICALERRORS));
        EXPECT_EQ(call.Serial, i == 6);
        EXPECT_EQ(call.LabelSize, i == 7 ? 261u : 0u);
        EXPECT_EQ(call.FileSystemSize, i == 8 ? 261u : 0u);
    }
}

TEST_F(DriveVolumeTest, TheErrorModeIsRestoredWhenTheErrorHandlerRaises)
{
    struct TRaiser : TObject {
        void Raise(int) { throw std::runtime_error("handler failed"); }
    } raiser;
    TFakeVolume fake;
    TVolumeStandIn standIn(fake);
    TQELDriveVolume* volume = NewVolume();
    volume->SetOnError(TQELOnDriveVolumeError(&raiser, &TRaiser::Raise));
    fake.FirstError = ERROR_NOT_READY;
    const UINT previousMode = SetErrorMode(0);
    EXPECT_THROW(volume->SetDrive('Q'), std::runtime_error);
    EXPECT_EQ(SetErrorMode(previousMode), 0u);
    EXPECT_EQ(FForm.Log, TLog{"Drive.BeforeUpdate"});
}

TEST_F(DriveVolumeTest, AHandlerThatFreesTheComponentEndsTheUpdateThere)
{
    TFakeVolume fake;
    TVolumeStandIn standIn(fake);
    {
        TFreer freer;
        freer.Volume = NewVolume();
        freer.Volume->SetBeforeUpdate(TNotifyEvent(&freer, &TFreer::Free));
        fake.Calls.clear();
        freer.Volume->SetDrive('Q');
        EXPECT_TRUE(fake.Calls.empty());
        EXPECT_TRUE(FForm.Log.empty());
        EXPECT_EQ(FForm.ComponentCount(), 0);
    }
    // Freed by the report of each query in turn: the six flags, serial number, label, file system, flag word.
    for (int failure = 1; failure <= 10; ++failure) {
        SCOPED_TRACE("freed at failure " + std::to_string(failure));
        fake.FirstError = 0;
        TFreer freer;
        freer.FreeAt = failure;
        freer.Volume = NewVolume();
        freer.Volume->SetOnError(TQELOnDriveVolumeError(&freer, &TFreer::Error));
        fake.FirstError = ERROR_NOT_READY;
        fake.Calls.clear();
        freer.Volume->SetDrive('Q');
        EXPECT_EQ(fake.Calls.size(), static_cast<std::size_t>(failure));
        EXPECT_EQ(freer.Errors, failure);
        EXPECT_EQ(FForm.Log, TLog{"Drive.BeforeUpdate"});
        EXPECT_EQ(FForm.ComponentCount(), 0);
        FForm.Log.clear();
    }
}

TEST_F(DriveVolumeTest, AComponentFreedWhileItsMessageBoxIsShownAsksNoMore)
{
    TFakeVolume fake;
    TVolumeStandIn standIn(fake);
    TQELDriveVolume* volume = NewVolume();
    volume->SetOnError({});
    fake.FirstError = ERROR_NOT_READY;
    fake.Calls.clear();
    FreedByTheBox = volume;
    BoxesShown = 0;
    {
        const TImportPatch boxes("user32.dll", "MessageBoxA", &FreeingMessageBox);
        volume->SetDrive('Q');
    }
    EXPECT_EQ(BoxesShown, 1);
    EXPECT_EQ(fake.Calls.size(), 1u);
    EXPECT_EQ(FForm.Log, TLog{"Drive.BeforeUpdate"});
    EXPECT_EQ(FForm.ComponentCount(), 0);
}

TEST_F(DriveVolumeTest, AnErrorHandlerThatFreesTheComponentEndsARefreshOfAGroup)
{
    TFakeVolume fake;
    TVolumeStandIn standIn(fake);
    const std::pair<const char*, TValue> assignments[] = {
        {"CaseSensitive", std::int64_t{1}},
        {"VolumeLabel", std::string("ignored")},
        {"FileSystemFlags", std::int64_t{1}}};
    for (const auto& [name, value] : assignments) {
        SCOPED_TRACE(name);
        fake.FirstError = 0;
        TFreer freer;
        freer.FreeAt = 1;
        freer.Volume = NewVolume();
        freer.Volume->SetOnError(TQELOnDriveVolumeError(&freer, &TFreer::Error));
        fake.FirstError = ERROR_NOT_READY;
        fake.Calls.clear();
        SetPropValue(*freer.Volume, *TQELDriveVolume::StaticClass()->FindProperty(name), value);
        EXPECT_EQ(fake.Calls.size(), 1u);
        EXPECT_EQ(FForm.ComponentCount(), 0);
    }
    EXPECT_TRUE(FForm.Log.empty());
}

TEST_F(DriveVolumeTest, EachFlagReadsItsOwnBitAndNamesReadInUpperCaseOfTheCodePage)
{
    TFakeVolume fake;
    fake.Label = "caf\xE9 Disk";
    fake.Serial = 0x1A2B3C4D;
    fake.FileSystem = "fat32";
    fake.Flags = FS_VOL_IS_COMPRESSED | FS_CASE_SENSITIVE | FS_PERSISTENT_ACLS;
    TVolumeStandIn standIn(fake);
    TQELDriveVolume volume(nullptr);
    EXPECT_EQ(volume.VolumeLabel(), "CAF\xC9 DISK");
    EXPECT_EQ(volume.SerialNumber(), "1A2B:3C4D");
    EXPECT_EQ(volume.FileSystemName(), "FAT32");
    EXPECT_EQ(volume.FileSystemFlags(), static_cast<int>(fake.Flags));
    EXPECT_TRUE(volume.VolumeIsCompressed());
    EXPECT_TRUE(volume.CaseSensitive());
    EXPECT_TRUE(volume.PersistentACLS());
    EXPECT_FALSE(volume.CasePreserved());
    EXPECT_FALSE(volume.StoredUniCodeOnDisk());
    EXPECT_FALSE(volume.FileCompression());

    fake.Flags = FS_CASE_IS_PRESERVED | FS_UNICODE_STORED_ON_DISK | FS_FILE_COMPRESSION | 0x80000000;
    volume.SetDrive('C');
    EXPECT_FALSE(volume.VolumeIsCompressed());
    EXPECT_FALSE(volume.CaseSensitive());
    EXPECT_FALSE(volume.PersistentACLS());
    EXPECT_TRUE(volume.CasePreserved());
    EXPECT_TRUE(volume.StoredUniCodeOnDisk());
    EXPECT_TRUE(volume.FileCompression());
    // The word exactly as the system gives it, its top bit too.
    EXPECT_EQ(static_cast<DWORD>(volume.FileSystemFlags()), fake.Flags);
}

TEST_F(DriveVolumeTest, OnlyLettersSelectADriveButEveryAssignmentUpdatesWithBothEvents)
{
    TFakeVolume fake;
    TVolumeStandIn standIn(fake);
    TQELDriveVolume* volume = NewVolume();
    const std::pair<char, char> cases[] = {{'b', 'B'}, {'3', 'B'}, {'*', 'B'}, {'\xE9', 'B'}, {'B', 'B'},
                                           {'z', 'Z'}, {'A', 'A'}, {'[', 'A'}, {'`', 'A'}};
    for (const auto& [assigned, expected] : cases) {
        SCOPED_TRACE(std::string("assigned ") + assigned);
        FForm.Log.clear();
        fake.Calls.clear();
        volume->SetDrive(assigned);
        EXPECT_EQ(volume->CurrentDrive(), expected);
        EXPECT_EQ(FForm.Log, (TLog{"Drive.BeforeUpdate", "Drive.AfterUpdate"}));
        ASSERT_EQ(fake.Calls.size(), 10u);
        EXPECT_EQ(fake.Calls.back().Root, std::string(1, expected) + ":\\");
    }
}

TEST_F(DriveVolumeTest, AssigningAnInformationPropertyRereadsOnlyItsGroupWithoutEvents)
{
    TFakeVolume fake;
    fake.Label = "first";
    fake.Serial = 1;
    fake.FileSystem = "one";
    fake.Flags = FS_CASE_SENSITIVE;
    TVolumeStandIn standIn(fake);
    TQELDriveVolume* volume = NewVolume();
    fake.Label = "second";
    fake.Serial = 2;
    fake.FileSystem = "two";
    fake.Flags = FS_CASE_IS_PRESERVED;
    const TClass cls = volume->ClassType();
    auto assign = [&](const char* name, const TValue& value) {
        fake.Calls.clear();
        SetPropValue(*volume, *cls->FindProperty(name), value);
        return fake.Calls.size();
    };

    EXPECT_EQ(assign("VolumeLabel", std::string("ignored")), 3u);
    EXPECT_EQ(volume->VolumeLabel(), "SECOND");
    EXPECT_EQ(volume->SerialNumber(), "0000:0002");
    EXPECT_EQ(volume->FileSystemName(), "TWO");
    EXPECT_TRUE(volume->CaseSensitive());
    EXPECT_EQ(volume->FileSystemFlags(), FS_CASE_SENSITIVE);

    EXPECT_EQ(assign("FileSystemFlags", std::int64_t{12345}), 1u);
    EXPECT_EQ(volume->FileSystemFlags(), FS_CASE_IS_PRESERVED);
    EXPECT_TRUE(volume->CaseSensitive());

    EXPECT_EQ(assign("CaseSensitive", std::int64_t{1}), 6u);
    EXPECT_FALSE(volume->CaseSensitive());
    EXPECT_TRUE(volume->CasePreserved());
    EXPECT_TRUE(FForm.Log.empty());
}

TEST_F(DriveVolumeTest, ADescriptionStoresNoInformationAndReadsTheDriveItNames)
{
    TQELDriveVolume* volume = NewVolume();
    volume->SetDrive('Q');
    EXPECT_EQ(WriteComponentText(FForm), "object Form: TSysinfoTestForm\r\n"
                                         "  object Drive: TQELDriveVolume\r\n"
                                         "    AfterUpdate = AfterUpdate\r\n"
                                         "    BeforeUpdate = BeforeUpdate\r\n"
                                         "    OnError = DriveError\r\n"
                                         "  end\r\n"
                                         "end\r\n");

    // A description may still name a drive: assigned after the events, it updates with them.
    const std::string missing(1, MissingDrive());
    std::unique_ptr<TSysinfoTestForm> form(ObjectAs<TSysinfoTestForm>(
        TReader("object Form: TSysinfoTestForm\n"
                "  object Drive: TQELDriveVolume\n"
                "    BeforeUpdate = BeforeUpdate\n"
                "    OnError = DriveError\n"
                "    AfterUpdate = AfterUpdate\n"
                "    CurrentDrive = '" + missing + "'\n"
                "  end\n"
                "end\n")
            .ReadComponent(nullptr)));
    EXPECT_EQ(form->Log.size(), 12u);
    EXPECT_EQ(form->Log.front(), "Drive.BeforeUpdate");
    EXPECT_EQ(form->Log[1], "DriveError=3");
    EXPECT_EQ(form->Log.back(), "Drive.AfterUpdate");
}

} // namespace
