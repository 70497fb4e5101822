// TQELSystemDetails publishes facts about the machine and the Windows installation as read-only text:
// registered owner and organisation, program-files and system directories, processor family, Windows
// platform, version and build, physical memory, the size of drive C, the screen size, the logged-on
// user and the computer name. Everything is read once, when the component is created, except the user
// and computer names, which are read afresh on every access, and the screen size, which any
// assignment brings up to date.
#pragma once

#include "foundation/QELSystem.h"

class TQELSystemDetails : public TQELSystemsComponent {
    QEL_CLASS(TQELSystemDetails)
public:
    explicit TQELSystemDetails(TComponent* owner);

    const std::string& Organisation() const noexcept { return FOrganisation; }
    // Published as Owner; named apart from the component's owner, which it has nothing to do with.
    const std::string& RegisteredOwner() const noexcept { return FOwner; }
    const std::string& CPU() const noexcept { return FCPU; }
    const std::string& OS() const noexcept { return FOS; }
    const std::string& WinVersion() const noexcept { return FWinVersion; }
    const std::string& Build() const noexcept { return FBuild; }
    const std::string& TotalMemory() const noexcept { return FTotalMemory; }
    const std::string& DriveC() const noexcept { return FDriveC; }
    const std::string& ProgramFilesDir() const noexcept { return FProgramFilesDir; }
    const std::string& SystemRoot() const noexcept { return FSystemRoot; }
    // Asked of the system on every read.
    std::string Username() const;
    std::string ComputerName() const;
    const std::string& ScreenWidth() const noexcept { return FScreenWidth; }
    const std::string& ScreenHeight() const noexcept { return FScreenHeight; }

    // The writer of every property: the value is ignored and only the screen size is read again.
    void SetSelfString(const std::string& ignored);

private:
    void ReadRegistry();
    void ReadProcessor();
    void ReadWindowsVersion();
    void ReadMemory();
    void ReadDriveC();

    std::string FOrganisation;
    std::string FOwner;
    std::string FCPU;
    std::string FOS;
    std::string FWinVersion;
    std::string FBuild;
    std::string FTotalMemory;
    std::string FDriveC;
    std::string FProgramFilesDir;
    std::string FSystemRoot;
    std::string FScreenWidth;
    std::string FScreenHeight;
};
