// TQELWallPaper sets the desktop wallpaper and its tiling on Execute, for this session and the
// user's profile alike.
#pragma once

#include "foundation/QELSystem.h"

#include <string>

class TQELWallPaper : public TQELExecuteComponent {
    QEL_CLASS(TQELWallPaper)
public:
    using TQELExecuteComponent::TQELExecuteComponent;

    // Fires OnChange, then makes Filename the wallpaper, tiled or centred as Tiled says. An empty
    // Filename removes the wallpaper. False only for a name too long for the system (see
    // SetWallPaper) and when OnChange freed the component; the results of the registry and system
    // calls are not looked at.
    bool Execute() override;

    // Writes "TileWallPaper" ("1" or "0") under HKEY_CURRENT_USER\Control Panel\desktop first, so the
    // system applies it with the image, then sets the wallpaper through the system, and writes
    // "Wallpaper". A name of more than 255 characters does not fit the system's buffer: it changes
    // nothing and gives false.
    bool SetWallPaper(const std::string& fileName, bool tile);

    bool Tiled() const noexcept { return FTiled; }
    void SetTiled(bool tiled) { FTiled = tiled; }
    // At run time only an existing file is taken; any other name leaves the property as it was. The
    // designer takes any name.
    const std::string& Filename() const noexcept { return FFilename; }
    void SetFilename(const std::string& filename);
    // Fired at the start of Execute; sender is the component.
    const TNotifyEvent& OnChange() const noexcept { return FOnChange; }
    void SetOnChange(const TNotifyEvent& event) { FOnChange = event; }

private:
    bool FTiled = true;
    std::string FFilename;
    TNotifyEvent FOnChange;
};
