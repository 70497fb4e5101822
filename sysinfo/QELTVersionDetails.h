// TQELVersionDetails publishes the version record of the running program's own executable (the file
// Application->ExeName names): company, description, file version, internal name, copyright,
// original file name, product name and product version, read from the string table of the record's
// U.S. English translation, or of its last translation when it has none in U.S. English.
#pragma once

#include "foundation/QELSystem.h"

class TQELVersionDetails : public TQELSystemsComponent {
    QEL_CLASS(TQELVersionDetails)
public:
    // Reads the record.
    explicit TQELVersionDetails(TComponent* owner);

    // Reads the record again. An executable without one, or one that cannot be read, leaves every
    // value as it was; a value the string table lacks reads as empty.
    void ReInitialize();

    const std::string& CompanyName() const noexcept { return FCompanyName; }
    const std::string& FileDescription() const noexcept { return FFileDescription; }
    const std::string& FileVersion() const noexcept { return FFileVersion; }
    const std::string& InternalName() const noexcept { return FInternalName; }
    const std::string& LegalCopyright() const noexcept { return FLegalCopyright; }
    const std::string& OriginalFilename() const noexcept { return FOriginalFilename; }
    const std::string& ProductName() const noexcept { return FProductName; }
    const std::string& ProductVersion() const noexcept { return FProductVersion; }
    // The writer of every property: assignments are ignored.
    void SetDesign(const std::string& ignored);

private:
    std::string FCompanyName;
    std::string FFileDescription;
    std::string FFileVersion;
    std::string FInternalName;
    std::string FLegalCopyright;
    std::string FOriginalFilename;
    std::string FProductName;
    std::string FProductVersion;
};
