// The CD insert and remove triggers.
#include "form/QELTCDTriggers.h"

#include "framework/Forms.h"

#include <dbt.h>

#include <cstddef>

QEL_CLASS_INFO(TQELCDTriggers, TQELHookComponent)
{
    using C = TQELCDTriggers;
    return {
        Prop("AfterInsert", &C::AfterInsert, &C::SetAfterInsert),
        Prop("AfterRemove", &C::AfterRemove, &C::SetAfterRemove),
    };
}

QEL_OPERATIONS(TQELCDTriggers)
{
    using C = TQELCDTriggers;
    return {
        Operation(&C::GetFirstDriveLetter, "GetFirstDriveLetter(Mask)",
                  "the letter of the lowest drive in Mask (bit 0 is A:), #0 when there is none"),
        Operation(&C::WMDeviceChange, "WMDeviceChange(Message)",
                  "fires AfterInsert or AfterRemove for a medium that came or went"),
    };
}

namespace {

constexpr int DriveLetters = 26;

// The volume record of a broadcast, when LParam holds one whose stated size covers every field read.
// The record may come from another process: nothing beyond its stated size is looked at.
const DEV_BROADCAST_VOLUME* VolumeRecord(LPARAM lParam)
{
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
    if (!header || header->dbch_size < offsetof(DEV_BROADCAST_HDR, dbch_devicetype) + sizeof header->dbch_devicetype ||
        header->dbch_devicetype != DBT_DEVTYP_VOLUME)
        return nullptr;
    const auto* volume = reinterpret_cast<const DEV_BROADCAST_VOLUME*>(header);
    if (header->dbch_size < offsetof(DEV_BROADCAST_VOLUME, dbcv_flags) + sizeof volume->dbcv_flags)
        return nullptr;
    return volume;
}

} // namespace

char TQELCDTriggers::GetFirstDriveLetter(std::uint32_t mask)
{
    for (int drive = 0; drive < DriveLetters; ++drive)
        if (mask & (std::uint32_t{1} << drive))
            return static_cast<char>('A' + drive);
    return '\0';
}

void TQELCDTriggers::Hooked(TMessage& message)
{
    if (message.Msg != WM_DEVICECHANGE) {
        TQELHookComponent::Hooked(message);
        return;
    }
    try {
        WMDeviceChange(message);
    } catch (...) {
        Application->HandleException(this);
    }
}

void TQELCDTriggers::WMDeviceChange(TMessage& message)
{
    if (message.WParam != DBT_DEVICEARRIVAL && message.WParam != DBT_DEVICEREMOVECOMPLETE)
        return;
    const DEV_BROADCAST_VOLUME* volume = VolumeRecord(message.LParam);
    if (!volume || !(volume->dbcv_flags & DBTF_MEDIA))
        return;
    const char drive = GetFirstDriveLetter(volume->dbcv_unitmask);
    if (!drive)
        return;
    if (message.WParam == DBT_DEVICEARRIVAL)
        FAfterInsert(this, drive);
    else
        FAfterRemove(this, drive);
}
