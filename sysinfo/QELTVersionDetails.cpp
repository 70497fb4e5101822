// The version details.
#include "sysinfo/QELTVersionDetails.h"

#include "framework/Forms.h"
#include "framework/Strings.h"
#include "framework/Win32.h"

#include <cstring>
#include <vector>

QEL_CLASS_INFO(TQELVersionDetails, TQELSystemsComponent)
{
    using C = TQELVersionDetails;
    return {
        Prop("CompanyName", &C::CompanyName, &C::SetDesign).Stored(TStored::Never),
        Prop("FileDescription", &C::FileDescription, &C::SetDesign).Stored(TStored::Never),
        Prop("FileVersion", &C::FileVersion, &C::SetDesign).Stored(TStored::Never),
        Prop("InternalName", &C::InternalName, &C::SetDesign).Stored(TStored::Never),
        Prop("LegalCopyright", &C::LegalCopyright, &C::SetDesign).Stored(TStored::Never),
        Prop("OriginalFilename", &C::OriginalFilename, &C::SetDesign).Stored(TStored::Never),
        Prop("ProductName", &C::ProductName, &C::SetDesign).Stored(TStored::Never),
        Prop("ProductVersion", &C::ProductVersion, &C::SetDesign).Stored(TStored::Never),
    };
}

QEL_OPERATIONS(TQELVersionDetails)
{
    using C = TQELVersionDetails;
    return {
        Operation(&C::ReInitialize, "ReInitialize()", "reads the running program's version record again"),
    };
}

namespace {

constexpr WORD USEnglish = 0x0409;

// The string table to read: the first translation in U.S. English, else the last one listed, else
// U.S. English with code page 0 when the record lists none.
std::string StringTablePath(const std::vector<char>& record)
{
    WORD language = USEnglish;
    WORD codePage = 0;
    void* table = nullptr;
    UINT length = 0;
    if (VerQueryValueA(record.data(), "\\VarFileInfo\\Translation", &table, &length) && table) {
        // Entries of a 16-bit language and a 16-bit code page; a partial entry at the end is ignored.
        const auto* entries = static_cast<const unsigned char*>(table);
        for (UINT i = 0; i + 4 <= length; i += 4) {
            std::memcpy(&language, entries + i, sizeof language);
            std::memcpy(&codePage, entries + i + 2, sizeof codePage);
            if (language == USEnglish)
                break;
        }
    }
    return "\\StringFileInfo\\" + IntToHex(language, 4) + IntToHex(codePage, 4) + "\\";
}

std::string QueryText(const std::vector<char>& record, const std::string& path)
{
    void* text = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(record.data(), path.c_str(), &text, &length) || !text)
        return {};
    // The length counts characters, its terminator included when there is one.
    return std::string(static_cast<const char*>(text), strnlen(static_cast<const char*>(text), length));
}

} // namespace

TQELVersionDetails::TQELVersionDetails(TComponent* owner) : TQELSystemsComponent(owner)
{
    ReInitialize();
}

void TQELVersionDetails::SetDesign(const std::string&)
{
}

void TQELVersionDetails::ReInitialize()
{
    const std::string exeName = Application->ExeName();
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(exeName.c_str(), &handle);
    if (size == 0)
        return;
    std::vector<char> record(size);
    if (!GetFileVersionInfoA(exeName.c_str(), handle, size, record.data()))
        return;
    // The root's fixed file information is looked up first; nothing of it is published.
    void* fixedInfo = nullptr;
    UINT fixedLength = 0;
    (void)VerQueryValueA(record.data(), "\\", &fixedInfo, &fixedLength);
    const std::string table = StringTablePath(record);
    FCompanyName = QueryText(record, table + "CompanyName");
    FFileDescription = QueryText(record, table + "FileDescription");
    FFileVersion = QueryText(record, table + "FileVersion");
    FInternalName = QueryText(record, table + "InternalName");
    FLegalCopyright = QueryText(record, table + "LegalCopyRight");
    FOriginalFilename = QueryText(record, table + "OriginalFileName");
    FProductName = QueryText(record, table + "ProductName");
    FProductVersion = QueryText(record, table + "ProductVersion");
}
