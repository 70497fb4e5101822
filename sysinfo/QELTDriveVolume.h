// TQELDriveVolume publishes the volume information of one drive letter: label, serial number,
// file-system name, the file-system flag word and six flags decoded from it. The values are read when
// the component is created and whenever CurrentDrive is assigned; assigning any information property
// re-reads its group. A volume that cannot be read is reported through OnError, or in a message box
// when nobody handles it, once for every query that failed.
#pragma once

#include "foundation/QELSystem.h"
#include "framework/Win32.h"

// ErrorNumber is the system error code of the failed query. There is no sender.
struct TQELOnDriveVolumeError : TEvent<int> {
    using TEvent::TEvent;
    static constexpr std::string_view TypeName = "TQELOnDriveVolumeError";
    static constexpr std::array<std::string_view, 1> ParamNames{"ErrorNumber"};
};

class TQELDriveVolume : public TQELSystemsComponent {
    QEL_CLASS(TQELDriveVolume)
public:
    // Reads drive C. No handler can be attached yet, so failures show as message boxes.
    explicit TQELDriveVolume(TComponent* owner);

    // The flags of the flag word. Assigning any of them re-reads all six, one query each.
    bool VolumeIsCompressed() const noexcept { return FVolumeIsCompressed; }
    bool CasePreserved() const noexcept { return FCasePreserved; }
    bool CaseSensitive() const noexcept { return FCaseSensitive; }
    bool StoredUniCodeOnDisk() const noexcept { return FStoredUniCodeOnDisk; }
    bool PersistentACLS() const noexcept { return FPersistentACLS; }
    bool FileCompression() const noexcept { return FFileCompression; }
    void UpdateBoolInfo(bool ignored);

    // Label and file-system name in upper case, the serial number as XXXX:XXXX. Assigning any of them
    // re-reads all three.
    const std::string& VolumeLabel() const noexcept { return FVolumeLabel; }
    const std::string& SerialNumber() const noexcept { return FSerialNumber; }
    const std::string& FileSystemName() const noexcept { return FFileSystemName; }
    void UpdateStringInfo(const std::string& ignored);

    // The flag word as the system gives it. Assigning re-reads it.
    int FileSystemFlags() const noexcept { return FFileSystemFlags; }
    void UpdateIntegerInfo(int ignored);

    // Always an upper-case letter. Assigning a letter (either case) selects that drive; anything else
    // keeps the drive. Either way the whole volume is read again, between BeforeUpdate and AfterUpdate.
    char CurrentDrive() const noexcept { return FCurrentDrive; }
    void SetDrive(char drive);

    const TNotifyEvent& AfterUpdate() const noexcept { return FAfterUpdate; }
    void SetAfterUpdate(const TNotifyEvent& event) { FAfterUpdate = event; }
    const TNotifyEvent& BeforeUpdate() const noexcept { return FBeforeUpdate; }
    void SetBeforeUpdate(const TNotifyEvent& event) { FBeforeUpdate = event; }
    const TQELOnDriveVolumeError& OnError() const noexcept { return FOnError; }
    void SetOnError(const TQELOnDriveVolumeError& event) { FOnError = event; }

private:
    void UpdateAll();
    // Each reads its group; false when a handler freed the component on the way.
    bool ReadBoolInfo(const TComponentWatch& watch);
    bool ReadStringInfo(const TComponentWatch& watch);
    bool ReadIntegerInfo(const TComponentWatch& watch);
    std::string GetVolumeLabel();
    std::string GetVolumeSerialNumber();
    std::string GetVolumeFileSystemName();
    DWORD GetVolumeFileSystemFlags();
    bool QueryVolume(char* volumeName, DWORD* serialNumber, char* fileSystemName, DWORD& flags);
    void ProcessError();

    bool FVolumeIsCompressed = false;
    bool FCasePreserved = false;
    bool FCaseSensitive = false;
    bool FStoredUniCodeOnDisk = false;
    bool FPersistentACLS = false;
    bool FFileCompression = false;
    std::string FVolumeLabel;
    std::string FSerialNumber;
    std::string FFileSystemName;
    int FFileSystemFlags = 0;
    char FCurrentDrive = 'C';
    TNotifyEvent FAfterUpdate;
    TNotifyEvent FBeforeUpdate;
    TQELOnDriveVolumeError FOnError;
};
