// The drive volume information.
#include "sysinfo/QELTDriveVolume.h"

#include "framework/Forms.h"
#include "framework/Strings.h"

#include <cstring>
#include <utility>

QEL_CLASS_INFO(TQELDriveVolume, TQELSystemsComponent)
{
    return {
        Prop("VolumeIsCompressed", &TQELDriveVolume::VolumeIsCompressed, &TQELDriveVolume::UpdateBoolInfo)
            .Stored(TStored::Never),
        Prop("CasePreserved", &TQELDriveVolume::CasePreserved, &TQELDriveVolume::UpdateBoolInfo)
            .Stored(TStored::Never),
        Prop("CaseSensitive", &TQELDriveVolume::CaseSensitive, &TQELDriveVolume::UpdateBoolInfo)
            .Stored(TStored::Never),
        Prop("StoredUniCodeOnDisk", &TQELDriveVolume::StoredUniCodeOnDisk, &TQELDriveVolume::UpdateBoolInfo)
            .Stored(TStored::Never),
        Prop("PersistentACLS", &TQELDriveVolume::PersistentACLS, &TQELDriveVolume::UpdateBoolInfo)
            .Stored(TStored::Never),
        Prop("FileCompression", &TQELDriveVolume::FileCompression, &TQELDriveVolume::UpdateBoolInfo)
            .Stored(TStored::Never),
        Prop("VolumeLabel", &TQELDriveVolume::VolumeLabel, &TQELDriveVolume::UpdateStringInfo)
            .Stored(TStored::Never),
        Prop("SerialNumber", &TQELDriveVolume::SerialNumber, &TQELDriveVolume::UpdateStringInfo)
            .Stored(TStored::Never),
        Prop("FileSystemName", &TQELDriveVolume::FileSystemName, &TQELDriveVolume::UpdateStringInfo)
            .Stored(TStored::Never),
        Prop("FileSystemFlags", &TQELDriveVolume::FileSystemFlags, &TQELDriveVolume::UpdateIntegerInfo)
            .Stored(TStored::Never),
        Prop("CurrentDrive", &TQELDriveVolume::CurrentDrive, &TQELDriveVolume::SetDrive).Stored(TStored::Never),
        Prop("AfterUpdate", &TQELDriveVolume::AfterUpdate, &TQELDriveVolume::SetAfterUpdate),
        Prop("BeforeUpdate", &TQELDriveVolume::BeforeUpdate, &TQELDriveVolume::SetBeforeUpdate),
        Prop("OnError", &TQELDriveVolume::OnError, &TQELDriveVolume::SetOnError),
    };
}

namespace {

// Room for the longest label or file-system name the system hands out, with its terminator.
constexpr DWORD NameBufferSize = MAX_PATH + 1;

// An empty removable drive must fail quietly instead of asking for a disk: the process's error mode
// says so for the length of one query, and is put back however the query ends.
class TQuietErrorMode {
public:
    TQuietErrorMode() : FPrevious(SetErrorMode(SEM_FAILCRITICALERRORS)) {}
    ~TQuietErrorMode() { (void)SetErrorMode(FPrevious); }
    TQuietErrorMode(const TQuietErrorMode&) = delete;
    TQuietErrorMode& operator=(const TQuietErrorMode&) = delete;

private:
    UINT FPrevious;
};

std::string BufferText(const char (&buffer)[NameBufferSize])
{
    return std::string(buffer, strnlen(buffer, NameBufferSize));
}

// Stores what one query gives in field, unless the report of its failure freed the component: then
// false, and field is not touched.
template <class T, class Query>
bool Store(const TComponentWatch& watch, T& field, Query query)
{
    T value = query();
    if (!watch.Alive())
        return false;
    field = std::move(value);
    return true;
}

} // namespace

TQELDriveVolume::TQELDriveVolume(TComponent* owner) : TQELSystemsComponent(owner)
{
    UpdateAll();
}

void TQELDriveVolume::SetDrive(char drive)
{
    if (drive >= 'a' && drive <= 'z')
        drive = static_cast<char>(drive - 'a' + 'A');
    if (drive >= 'A' && drive <= 'Z')
        FCurrentDrive = drive;
    UpdateAll();
}

// Any handler, of the two events or of a failed query (or one the message loop of a message box runs),
// may free the component: the update ends there, and nothing of the component is touched again.
void TQELDriveVolume::UpdateAll()
{
    const TComponentWatch watch(this);
    FBeforeUpdate(this);
    if (watch.Alive() && ReadBoolInfo(watch) && ReadStringInfo(watch) && ReadIntegerInfo(watch))
        FAfterUpdate(this);
}

void TQELDriveVolume::UpdateBoolInfo(bool)
{
    (void)ReadBoolInfo(TComponentWatch(this));
}

void TQELDriveVolume::UpdateStringInfo(const std::string&)
{
    (void)ReadStringInfo(TComponentWatch(this));
}

void TQELDriveVolume::UpdateIntegerInfo(int)
{
    (void)ReadIntegerInfo(TComponentWatch(this));
}

bool TQELDriveVolume::ReadBoolInfo(const TComponentWatch& watch)
{
    // One query each, in this order.
    const std::pair<bool TQELDriveVolume::*, DWORD> flags[] = {
        {&TQELDriveVolume::FCasePreserved, FS_CASE_IS_PRESERVED},
        {&TQELDriveVolume::FCaseSensitive, FS_CASE_SENSITIVE},
        {&TQELDriveVolume::FStoredUniCodeOnDisk, FS_UNICODE_STORED_ON_DISK},
        {&TQELDriveVolume::FPersistentACLS, FS_PERSISTENT_ACLS},
        {&TQELDriveVolume::FFileCompression, FS_FILE_COMPRESSION},
        {&TQELDriveVolume::FVolumeIsCompressed, FS_VOL_IS_COMPRESSED},
    };
    for (const auto& flag : flags)
        if (!Store(watch, this->*flag.first, [&] { return (GetVolumeFileSystemFlags() & flag.second) != 0; }))
            return false;
    return true;
}

bool TQELDriveVolume::ReadStringInfo(const TComponentWatch& watch)
{
    return Store(watch, FSerialNumber, [this] { return GetVolumeSerialNumber(); }) &&
           Store(watch, FVolumeLabel, [this] { return GetVolumeLabel(); }) &&
           Store(watch, FFileSystemName, [this] { return GetVolumeFileSystemName(); });
}

bool TQELDriveVolume::ReadIntegerInfo(const TComponentWatch& watch)
{
    return Store(watch, FFileSystemFlags, [this] { return static_cast<int>(GetVolumeFileSystemFlags()); });
}

std::string TQELDriveVolume::GetVolumeLabel()
{
    char label[NameBufferSize] = {};
    DWORD flags = 0;
    return QueryVolume(label, nullptr, nullptr, flags) ? AnsiUpperCase(BufferText(label)) : std::string();
}

std::string TQELDriveVolume::GetVolumeSerialNumber()
{
    DWORD serial = 0;
    DWORD flags = 0;
    if (!QueryVolume(nullptr, &serial, nullptr, flags))
        return {};
    const std::string digits = IntToHex(serial, 8); // upper case, leading zeros kept
    return digits.substr(0, 4) + ":" + digits.substr(4, 4);
}

std::string TQELDriveVolume::GetVolumeFileSystemName()
{
    char name[NameBufferSize] = {};
    DWORD flags = 0;
    return QueryVolume(nullptr, nullptr, name, flags) ? AnsiUpperCase(BufferText(name)) : std::string();
}

DWORD TQELDriveVolume::GetVolumeFileSystemFlags()
{
    DWORD flags = 0;
    return QueryVolume(nullptr, nullptr, nullptr, flags) ? flags : 0;
}

// One GetVolumeInformationA on the current drive's root, asking for the outputs given and the flag
// word; false, once the failure has been reported, when the volume cannot be read.
bool TQELDriveVolume::QueryVolume(char* volumeName, DWORD* serialNumber, char* fileSystemName, DWORD& flags)
{
    const std::string root = std::string(1, FCurrentDrive) + ":\\";
    const TQuietErrorMode quiet;
    DWORD maximumComponentLength = 0;
    if (GetVolumeInformationA(root.c_str(), volumeName, volumeName ? NameBufferSize : 0, serialNumber,
                              &maximumComponentLength, &flags, fileSystemName,
                              fileSystemName ? NameBufferSize : 0))
        return true;
    ProcessError();
    return false;
}

void TQELDriveVolume::ProcessError()
{
    const DWORD error = GetLastError();
    if (FOnError)
        FOnError(static_cast<int>(error));
    else
        (void)Application->MessageBox("Error " + IntToStr(error) + " in Drive Volume Information !",
                                      "TQELDriveVolume", MB_OK | MB_ICONEXCLAMATION);
}
