// The wallpaper.
#include "actions/QELTWallPaper.h"

#include "framework/Registry.h"
#include "framework/SysUtils.h"
#include "framework/Win32.h"

#include <array>

QEL_CLASS_INFO(TQELWallPaper, TQELExecuteComponent)
{
    using C = TQELWallPaper;
    return {
        Prop("Tiled", &C::Tiled, &C::SetTiled).Default(true),
        Prop("Filename", &C::Filename, &C::SetFilename).Stored(TStored::Always),
        Prop("OnChange", &C::OnChange, &C::SetOnChange),
    };
}

QEL_OPERATIONS(TQELWallPaper)
{
    using C = TQELWallPaper;
    return {
        Operation(&C::Execute, "Execute()",
                  "fires OnChange, then makes Filename the wallpaper, tiled as Tiled says; an empty Filename "
                  "removes it"),
        Operation(&C::SetWallPaper, "SetWallPaper(FileName, Tile)",
                  "makes FileName the wallpaper, tiled or centred; False for a name too long for the system"),
    };
}

namespace {

constexpr const char* DesktopKey = "\\Control Panel\\desktop";
// What the system's wallpaper buffer holds, the terminating NUL included.
constexpr std::size_t WallPaperBufferSize = 256;

} // namespace

void TQELWallPaper::SetFilename(const std::string& filename)
{
    if (ComponentState().Contains(csDesigning) || FileExists(filename))
        FFilename = filename;
}

bool TQELWallPaper::Execute()
{
    // The handler may free the component (a dialog it shows lets a form with it close for good): then
    // the desktop is left as it is.
    const TComponentWatch watch(this);
    FOnChange(this);
    return watch.Alive() && SetWallPaper(FFilename, FTiled);
}

bool TQELWallPaper::SetWallPaper(const std::string& fileName, bool tile)
{
    if (fileName.size() >= WallPaperBufferSize)
        return false;
    TRegistry registry;
    (void)registry.OpenKey(DesktopKey, false);
    registry.WriteString("TileWallPaper", tile ? "1" : "0");
    std::array<char, WallPaperBufferSize> buffer{};
    fileName.copy(buffer.data(), fileName.size());
    (void)SystemParametersInfoA(SPI_SETDESKWALLPAPER, 1, buffer.data(), SPIF_UPDATEINIFILE);
    (void)registry.OpenKey(DesktopKey, false);
    registry.WriteString("Wallpaper", fileName);
    return true;
}
