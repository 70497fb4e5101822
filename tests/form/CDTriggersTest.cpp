// The CD triggers with device-change messages built as the system builds them: which ones fire which
// event with which letter, the records that are refused before they are read, and an error in a
// handler reported while the form keeps answering. (A broadcast from another process is tested with
// the qel host, in tests/tools.)
#include "form/QELTCDTriggers.h"

#include "tests/form/FormTesting.h"

#include <dbt.h>

#include <cstddef>
#include <vector>

namespace {

using TLines = std::vector<std::string>;

DEV_BROADCAST_VOLUME Volume(DWORD unitMask, WORD flags = DBTF_MEDIA)
{
    DEV_BROADCAST_VOLUME volume{};
    volume.dbcv_size = sizeof volume;
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    volume.dbcv_unitmask = unitMask;
    volume.dbcv_flags = flags;
    return volume;
}

constexpr DWORD DriveD = 1u << 3;
constexpr DWORD DriveE = 1u << 4;
constexpr DWORD DriveF = 1u << 5;

class CDTriggers : public FormTesting::TFormTest {
protected:
    CDTriggers()
    {
        Triggers->SetAfterInsert(TQELDeviceChangeEvent(this, &CDTriggers::Inserted));
        Triggers->SetAfterRemove(TQELDeviceChangeEvent(this, &CDTriggers::Removed));
    }

    LRESULT Change(WPARAM event, const void* record)
    {
        return Send(WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(record));
    }

public:
    void Inserted(TObject* sender, char drive)
    {
        EXPECT_EQ(sender, Triggers);
        Log.push_back(std::string("insert ") + drive);
    }
    void Removed(TObject* sender, char drive)
    {
        EXPECT_EQ(sender, Triggers);
        Log.push_back(std::string("remove ") + drive);
    }
    void Refuse(TObject*, char drive) { throw Exception(std::string("no disc in ") + drive + " please"); }

protected:
    TQELCDTriggers* Triggers = new TQELCDTriggers(Form);
    TLines Log;
};

// Counts the device changes that get past the triggers.
class TDeviceChangeCounter : public TQELHookComponent {
public:
    using TQELHookComponent::TQELHookComponent;
    int Count = 0;
    void Hooked(TMessage& message) override
    {
        Count += message.Msg == WM_DEVICECHANGE;
        TQELHookComponent::Hooked(message);
    }
};

TEST(CDTriggersDriveLetter, IsTheLowestDriveOfTheMask)
{
    EXPECT_EQ(TQELCDTriggers::GetFirstDriveLetter(1), 'A');
    EXPECT_EQ(TQELCDTriggers::GetFirstDriveLetter(DriveE), 'E');
    EXPECT_EQ(TQELCDTriggers::GetFirstDriveLetter(DriveD | DriveF), 'D');
    EXPECT_EQ(TQELCDTriggers::GetFirstDriveLetter(1u << 25), 'Z');
}

TEST(CDTriggersDriveLetter, IsNoneWhenNoDriveFromAToZIsNamed)
{
    EXPECT_EQ(TQELCDTriggers::GetFirstDriveLetter(0), '\0');
    EXPECT_EQ(TQELCDTriggers::GetFirstDriveLetter(1u << 26), '\0');
    EXPECT_EQ(TQELCDTriggers::GetFirstDriveLetter(0xFC000000u), '\0');
}

TEST_F(CDTriggers, PublishesItsTwoEvents)
{
    EXPECT_EQ(FormTesting::PropertyNames(TQELCDTriggers::StaticClass()),
              (std::vector<std::string>{"Name", "Tag", "About", "AfterInsert", "AfterRemove"}));
    const TPropInfo* event = TQELCDTriggers::StaticClass()->FindProperty("AfterInsert");
    EXPECT_EQ(event->Event->Name, "TQELDeviceChangeEvent");
    EXPECT_EQ(event->Event->ParamNames, (std::vector<std::string_view>{"Sender", "FirstDriveLetter"}));
}

TEST_F(CDTriggers, ReportInsertedAndRemovedMedia)
{
    const DEV_BROADCAST_VOLUME e = Volume(DriveE);
    Change(DBT_DEVICEARRIVAL, &e);
    Change(DBT_DEVICEREMOVECOMPLETE, &e);
    const DEV_BROADCAST_VOLUME df = Volume(DriveD | DriveF);
    Change(DBT_DEVICEARRIVAL, &df);
    EXPECT_EQ(Log, (TLines{"insert E", "remove E", "insert D"}));
}

TEST_F(CDTriggers, DecideOnAMessageHandedToThemDirectly)
{
    DEV_BROADCAST_VOLUME f = Volume(DriveF);
    TMessage message{WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(&f), 0};
    Triggers->WMDeviceChange(message);
    EXPECT_EQ(Log, TLines{"remove F"});
}

TEST_F(CDTriggers, IgnoreVolumesThatAreNotMedia)
{
    const DEV_BROADCAST_VOLUME network = Volume(DriveE, DBTF_NET);
    const DEV_BROADCAST_VOLUME fixed = Volume(DriveE, 0);
    Change(DBT_DEVICEARRIVAL, &network);
    Change(DBT_DEVICEARRIVAL, &fixed);
    Change(DBT_DEVICEREMOVECOMPLETE, &fixed);
    EXPECT_TRUE(Log.empty());
}

TEST_F(CDTriggers, IgnoreOtherDevicesAndOtherEvents)
{
    DEV_BROADCAST_PORT_A port{};
    port.dbcp_size = sizeof port;
    port.dbcp_devicetype = DBT_DEVTYP_PORT;
    Change(DBT_DEVICEARRIVAL, &port);
    const DEV_BROADCAST_VOLUME e = Volume(DriveE);
    Change(DBT_DEVICEQUERYREMOVE, &e);
    Change(DBT_DEVICEREMOVEPENDING, &e);
    Change(DBT_DEVNODES_CHANGED, nullptr);
    Change(DBT_CONFIGCHANGED, nullptr);
    EXPECT_TRUE(Log.empty());
}

TEST_F(CDTriggers, SwallowEveryDeviceChangeAndPassEverythingElse)
{
    delete Triggers;
    auto* behind = new TDeviceChangeCounter(Form);
    Triggers = new TQELCDTriggers(Form);
    const DEV_BROADCAST_VOLUME e = Volume(DriveE);
    Change(DBT_DEVICEARRIVAL, &e);
    Change(DBT_CONFIGCHANGED, nullptr);
    EXPECT_EQ(behind->Count, 0);
    EXPECT_EQ(Send(WM_GETTEXTLENGTH), static_cast<LRESULT>(Form->Caption().size())) << "other messages pass";
}

TEST_F(CDTriggers, FireNothingForANullRecordOrOneTooShortToRead)
{
    Change(DBT_DEVICEARRIVAL, nullptr);
    Change(DBT_DEVICEREMOVECOMPLETE, nullptr);
    DEV_BROADCAST_VOLUME shortVolume = Volume(DriveE);
    shortVolume.dbcv_size = offsetof(DEV_BROADCAST_VOLUME, dbcv_flags) + 1; // the flags half there
    Change(DBT_DEVICEARRIVAL, &shortVolume);
    DEV_BROADCAST_HDR header{};
    header.dbch_size = 4; // not even the device type
    header.dbch_devicetype = DBT_DEVTYP_VOLUME;
    Change(DBT_DEVICEARRIVAL, &header);
    EXPECT_TRUE(Log.empty());

    shortVolume.dbcv_size = offsetof(DEV_BROADCAST_VOLUME, dbcv_flags) + sizeof(WORD); // just enough
    Change(DBT_DEVICEARRIVAL, &shortVolume);
    EXPECT_EQ(Log, TLines{"insert E"});
}

TEST_F(CDTriggers, FireNothingForAMaskWithoutADrive)
{
    for (DWORD mask : {0u, 1u << 26, 0x80000000u}) {
        const DEV_BROADCAST_VOLUME none = Volume(mask);
        Change(DBT_DEVICEARRIVAL, &none);
        Change(DBT_DEVICEREMOVECOMPLETE, &none);
    }
    EXPECT_TRUE(Log.empty());
}

TEST_F(CDTriggers, ReportAnErrorInAHandlerAndKeepTheFormAnswering)
{
    Triggers->SetAfterInsert(TQELDeviceChangeEvent(this, &CDTriggers::Refuse));
    const DEV_BROADCAST_VOLUME e = Volume(DriveE);
    Change(DBT_DEVICEARRIVAL, &e);
    ASSERT_EQ(Errors.size(), 1u);
    EXPECT_EQ(Errors[0].Sender, Triggers);
    EXPECT_EQ(Errors[0].Message, "no disc in E please");
    Errors.clear();
    Change(DBT_DEVICEREMOVECOMPLETE, &e);
    EXPECT_EQ(Log, TLines{"remove E"});
    Form->SetCaption("still here");
    EXPECT_EQ(Send(WM_GETTEXTLENGTH), 10);
}

TEST_F(CDTriggers, LetADescendantDecideOtherwise)
{
    struct TEveryVolume : TQELCDTriggers {
        using TQELCDTriggers::TQELCDTriggers;
        void WMDeviceChange(TMessage& message) override
        {
            const auto* volume = reinterpret_cast<const DEV_BROADCAST_VOLUME*>(message.LParam);
            AfterInsert()(this, GetFirstDriveLetter(volume->dbcv_unitmask));
        }
    };
    delete Triggers;
    Triggers = new TEveryVolume(Form);
    Triggers->SetAfterInsert(TQELDeviceChangeEvent(this, &CDTriggers::Inserted));
    const DEV_BROADCAST_VOLUME fixed = Volume(DriveF, 0);
    Change(DBT_DEVICEREMOVECOMPLETE, &fixed);
    EXPECT_EQ(Log, TLines{"insert F"});
}

} // namespace
