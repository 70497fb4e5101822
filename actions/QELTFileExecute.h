// TQELFileExecute starts a program or opens a document through the shell on Execute: with a verb,
// parameters, a working directory and the first show state of its window, and, when asked, waits
// until the started process has ended.
#pragma once

#include "foundation/QELSystem.h"
#include "framework/Forms.h"

#include <cstdint>
#include <string>

// The shell verb. osConfigure opens, as osOpen does.
enum TQELExeStyle : std::uint8_t {
    osDefault,
    osOpen,
    osPrint,
    osExplore,
    osNew,
    osInstall,
    osEdit,
    osFind,
    osTest,
    osConfigure,
    osPlay,
};
inline const TEnumInfo& EnumTypeInfo(TQELExeStyle)
{
    static const TEnumInfo info{"TQELExeStyle",
                                {"osDefault", "osOpen", "osPrint", "osExplore", "osNew", "osInstall", "osEdit",
                                 "osFind", "osTest", "osConfigure", "osPlay"}};
    return info;
}

class TQELFileExecute : public TQELExecuteComponent {
    QEL_CLASS(TQELFileExecute)
public:
    explicit TQELFileExecute(TComponent* owner);

    // Hands the file to ShellExecuteExA; true when the shell started or opened it. A file that cannot
    // be started gives false, after whatever message the shell shows about it. With Wait, returns only
    // once the started process has ended, answering messages that other threads and programs send
    // to this thread meanwhile (posted ones wait). A document taken over by a program already running
    // starts no process, so there is nothing to wait for.
    bool Execute() override;

    const std::string& Filename() const noexcept { return FFilename; }
    void SetFilename(const std::string& filename) { FFilename = filename; }
    const std::string& ExeParameters() const noexcept { return FExeParameters; }
    void SetExeParameters(const std::string& parameters) { FExeParameters = parameters; }
    TQELExeStyle ExeStyle() const noexcept { return FExeStyle; }
    void SetExeStyle(TQELExeStyle style);
    // Empty means the current directory.
    const std::string& ExePath() const noexcept { return FExePath; }
    void SetExePath(const std::string& path) { FExePath = path; }
    bool Wait() const noexcept { return FWait; }
    void SetWait(bool wait) { FWait = wait; }
    TWindowState Windowstate() const noexcept { return FWindowstate; }
    void SetWindowstate(TWindowState state);

private:
    std::string FFilename;
    std::string FExeParameters;
    TQELExeStyle FExeStyle = osDefault;
    std::string FExePath;
    bool FWait = false;
    TWindowState FWindowstate = wsNormal;
    // The verb handed to the shell (none when empty) and the show command, kept by the setters.
    std::string FVerb;
    std::uint16_t FShowCommand = SW_SHOWNORMAL;
};
