// File properties: a refresh reads everything from the file; the writers that change the file refresh
// afterwards.
#include "files/QELTFileProperties.h"

#include "framework/Exceptions.h"
#include "framework/Strings.h"
#include "framework/SysUtils.h"

#include <algorithm>
#include <array>
#include <limits>
#include <utility>

QEL_CLASS_INFO(TQELFileProperties, TQELSystemsComponent)
{
    using C = TQELFileProperties;
    return {
        Prop("Date", &C::Date, &C::SetFileDate).Stored(TStored::Never),
        Prop("Time", &C::Time, &C::SetFileTime).Stored(TStored::Never),
        Prop("Extension", &C::Extension, &C::SetFileExt).Stored(TStored::Never),
        Prop("Path", &C::Path, &C::SetFilePath).Stored(TStored::Never),
        Prop("NameAndExtension", &C::NameAndExtension, &C::SetFilenameExt).Stored(TStored::Never),
        Prop("NameOnly", &C::NameOnly, &C::SetFilenameAlone).Stored(TStored::Never),
        Prop("Filename", &C::Filename, &C::SetFilename).Stored(TStored::Never),
        Prop("Attributes", &C::Attributes, &C::SeTFileProperties).Stored(TStored::Never),
        Prop("AttributesShort", &C::AttributesShort, &C::SetFileAttrShort).Stored(TStored::Never),
        Prop("Size", &C::Size, &C::SetFileSize).Stored(TStored::Never),
    };
}

QEL_OPERATIONS(TQELFileProperties)
{
    using C = TQELFileProperties;
    return {
        Operation(&C::Size64, "Size64()",
                  "the file's size in bytes, also beyond 2 GiB; -1 when the file has no directory entry"),
    };
}

namespace {

// The attributes that assigning Attributes changes, with their bits.
constexpr std::array<std::pair<TFileAttr, int>, 4> SettableAttributes{{
    {ftReadOnly, faReadOnly},
    {ftHidden, faHidden},
    {ftSystem, faSysFile},
    {ftArchive, faArchive},
}};

// System, hidden, read-only, archive: "--RA" for a read-only archived file.
std::string AttributesText(TFileType attributes)
{
    std::string text = "----";
    constexpr std::array<std::pair<TFileAttr, char>, 4> letters{
        {{ftSystem, 'S'}, {ftHidden, 'H'}, {ftReadOnly, 'R'}, {ftArchive, 'A'}}};
    for (std::size_t i = 0; i < letters.size(); ++i)
        if (attributes.Contains(letters[i].first))
            text[i] = letters[i].second;
    return text;
}

// The entry's size, -1 when no entry of that name is found.
std::int64_t EntrySize(const std::string& fileName)
{
    TSearchRec search;
    return FindFirst(fileName, faAnyFile, search) == 0 ? search.Size : -1;
}

// The name without its path and without anything from its first dot on.
std::string NameOnlyOf(const std::string& fileName)
{
    const std::string name = ExtractFileName(fileName);
    return name.substr(0, name.find('.'));
}

} // namespace

int TQELFileProperties::Size() const noexcept
{
    return static_cast<int>(std::min<std::int64_t>(FSize, std::numeric_limits<int>::max()));
}

void TQELFileProperties::Refresh()
{
    if (!FFilename.empty())
        FFilename = ExpandFileName(FFilename);
    ReadNameParts();
    const int attributes = FileGetAttr(FFilename);
    FAttributes = attributes < 0 ? TFileType() : TFileType::FromBits(static_cast<std::uint32_t>(attributes & faAnyFile));
    FAttributesShort = AttributesText(FAttributes);
    FSize = EntrySize(FFilename);

    const TKernelHandle file = FileOpen(FFilename, fmOpenRead);
    const int fileDate = file ? FileGetDate(file.Get()) : -1;
    if (fileDate == -1) {
        FDateTime = 0;
        FDate.clear();
        FTime.clear();
    } else {
        FDateTime = FileDateToDateTime(fileDate);
        FDate = DateToStr(FDateTime);
        FTime = TimeToStr(FDateTime);
    }
}

void TQELFileProperties::ReadNameParts()
{
    FNameOnly = NameOnlyOf(FFilename);
    FNameAndExtension = ExtractFileName(FFilename);
    FPath = ExtractFilePath(FFilename);
    FExtension = ExtractFileExt(FFilename);
}

void TQELFileProperties::SetFilename(const std::string& value)
{
    if (value == FFilename)
        return;
    FFilename = FileExists(value) ? value : std::string();
    Refresh();
}

void TQELFileProperties::SeTFileProperties(TFileType value)
{
    if (value == FAttributes)
        return;
    // Without the present word there is nothing to change bits in; -1 would set every attribute.
    int word = FileGetAttr(FFilename);
    if (word < 0)
        return;
    for (const auto& [attribute, bit] : SettableAttributes)
        word = value.Contains(attribute) ? word | bit : word & ~bit;
    if (FileSetAttr(FFilename, word) == 0)
        Refresh();
}

void TQELFileProperties::SetFileDate(const std::string& value)
{
    if (value != FDate)
        SetFileDateTime(value, value + " " + FTime);
}

void TQELFileProperties::SetFileTime(const std::string& value)
{
    if (value != FTime)
        SetFileDateTime(value, FDate + " " + value);
}

void TQELFileProperties::SetFileDateTime(const std::string& value, const std::string& dateTimeText)
{
    if (value.empty() || FFilename.empty())
        return;
    // A date the file's time stamp cannot hold is refused like text that is no date at all, rather
    // than dropped without a word.
    const int fileDate = DateTimeToFileDate(StrToDateTime(dateTimeText));
    if (fileDate == 0)
        throw EConvertError("'" + dateTimeText + "' is outside the dates of a file (1980 to 2107)");
    if (const TKernelHandle file = FileOpen(FFilename, fmOpenReadWrite))
        (void)FileSetDate(file.Get(), fileDate);
    Refresh();
}

void TQELFileProperties::SetFileExt(const std::string& value)
{
    if (value == FExtension)
        return;
    if (value.empty()) {
        FExtension = ExtractFileExt(FFilename);
        return;
    }
    if (value.find_first_of("\\/:") != std::string::npos)
        return;
    std::string extension = value.front() == '.' ? value : "." + value;
    extension = AnsiLeftChars(extension, 4);
    const std::string newName = AnsiUpperCase(ChangeFileExt(FFilename, extension));
    if (newName != FFilename && RenameFile(FFilename, newName)) {
        FFilename = newName;
        Refresh();
    }
}

void TQELFileProperties::SetFilePath(const std::string&)
{
    FPath = ExtractFilePath(FFilename);
}

void TQELFileProperties::SetFilenameExt(const std::string&)
{
    FNameAndExtension = ExtractFileName(FFilename);
}

void TQELFileProperties::SetFilenameAlone(const std::string&)
{
    FNameOnly = NameOnlyOf(FFilename);
}

void TQELFileProperties::SetFileAttrShort(const std::string&)
{
    FAttributesShort = AttributesText(FAttributes);
}

void TQELFileProperties::SetFileSize(int)
{
    FSize = EntrySize(FFilename);
}
