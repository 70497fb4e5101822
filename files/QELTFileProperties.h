// TQELFileProperties presents one existing file as properties: its name split into path, name and
// extension, its attributes, its size and its time of last writing. Assigning the attributes, the date,
// the time or the extension changes the file itself.
#pragma once

#include "foundation/QELSystem.h"
#include "framework/DateTime.h"

#include <cstdint>
#include <string>

enum TFileAttr : std::uint8_t { ftReadOnly, ftHidden, ftSystem, ftVolumeID, ftDirectory, ftArchive, ftNormal };
inline const TEnumInfo& EnumTypeInfo(TFileAttr)
{
    static const TEnumInfo info{"TFileAttr",
                                {"ftReadOnly", "ftHidden", "ftSystem", "ftVolumeID", "ftDirectory", "ftArchive",
                                 "ftNormal"}, "TFileType"};
    return info;
}
// Members ftReadOnly to ftArchive stand for the attribute bits 0x01 to 0x20; ftNormal is never reported.
using TFileType = TSet<TFileAttr>;

class TQELFileProperties : public TQELSystemsComponent {
    QEL_CLASS(TQELFileProperties)
public:
    using TQELSystemsComponent::TQELSystemsComponent;

    // The values are a snapshot taken when Filename was last assigned or the file last changed through
    // this component; nothing watches the file. Assigning Date or Time sets the file's time stamp from
    // both; text that is no date, or a date outside 1980 to 2107, raises EConvertError.
    const std::string& Date() const noexcept { return FDate; }
    void SetFileDate(const std::string& value);
    const std::string& Time() const noexcept { return FTime; }
    void SetFileTime(const std::string& value);
    // Assigning an extension renames the file to its upper-case name with that extension (at most three
    // characters after the dot): report.txt with doc becomes REPORT.DOC. An extension holding a path
    // separator or a colon would move the file elsewhere and is refused.
    const std::string& Extension() const noexcept { return FExtension; }
    void SetFileExt(const std::string& value);
    const std::string& Path() const noexcept { return FPath; }
    void SetFilePath(const std::string& value);
    const std::string& NameAndExtension() const noexcept { return FNameAndExtension; }
    void SetFilenameExt(const std::string& value);
    const std::string& NameOnly() const noexcept { return FNameOnly; }
    void SetFilenameAlone(const std::string& value);
    // Fully qualified; empty when the name assigned was no existing file.
    const std::string& Filename() const noexcept { return FFilename; }
    void SetFilename(const std::string& value);
    TFileType Attributes() const noexcept { return FAttributes; }
    void SeTFileProperties(TFileType value);
    const std::string& AttributesShort() const noexcept { return FAttributesShort; }
    void SetFileAttrShort(const std::string& value);
    // The size in bytes, held at 2147483647 for larger files (Size64 has the whole size); -1 when the
    // file has no directory entry.
    int Size() const noexcept;
    void SetFileSize(int value);
    std::int64_t Size64() const noexcept { return FSize; }

private:
    void Refresh();
    void ReadNameParts();
    void SetFileDateTime(const std::string& value, const std::string& dateTimeText);

    std::string FDate;
    std::string FTime;
    std::string FExtension;
    std::string FPath;
    std::string FNameAndExtension;
    std::string FNameOnly;
    std::string FFilename;
    TFileType FAttributes;
    std::string FAttributesShort;
    std::int64_t FSize = 0;
    TDateTime FDateTime;
};
