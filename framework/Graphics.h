// Colours, fonts, icons, and text drawn in the process's code page.
#pragma once

#include "framework/TypInfo.h"
#include "framework/Win32.h"
#include "framework/Win32Handles.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A colour as 0x00BBGGRR, or a system colour as 0x80000000 + COLOR_xxx: a 32-bit integer of a type of
// its own, so that properties of it are known as colours (they are streamed as integers).
enum TColor : std::int32_t {};
inline std::string_view TypeName(const TColor*)
{
    return "TColor";
}
inline constexpr TColor clInfoBk = static_cast<TColor>(0x80000000 | COLOR_INFOBK);
inline constexpr TColor clBtnFace = static_cast<TColor>(0x80000000 | COLOR_BTNFACE);

enum TFontStyle : std::uint8_t { fsBold, fsItalic, fsUnderline, fsStrikeOut };
inline const TEnumInfo& EnumTypeInfo(TFontStyle)
{
    static const TEnumInfo info{"TFontStyle", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}, "TFontStyles"};
    return info;
}
using TFontStyles = TSet<TFontStyle>;

// A font description; Handle makes (and keeps) the matching GDI font.
class TFont : public TPersistent {
    QEL_CLASS(TFont)
public:
    TFont();

    const std::string& Name() const noexcept { return FName; }
    void SetName(const std::string& name);
    int Size() const noexcept { return FSize; }
    void SetSize(int points);
    TFontStyles Style() const noexcept { return FStyle; }
    void SetStyle(TFontStyles style);

    HFONT Handle();
    void Assign(TPersistent* source) override;

    // Fired after every change, so that the windows drawing with the font take the new one.
    const TNotifyEvent& OnChange() const noexcept { return FOnChange; }
    void SetOnChange(const TNotifyEvent& event) { FOnChange = event; }

private:
    void Changed();

    std::string FName = "MS Sans Serif";
    int FSize = 8;
    TFontStyles FStyle;
    TGdiObjectHandle FHandle;
    TNotifyEvent FOnChange;
};

// An icon. The object owns its icon handle; Assign copies the icon, so two objects never share one.
// Streamed as its Data: the icon in the layout of an .ico file.
class TIcon : public TPersistent {
    QEL_CLASS(TIcon)
public:
    TIcon() = default;

    HICON Handle() const noexcept { return FHandle.Get(); }
    // Takes ownership of handle.
    void SetHandle(HICON handle);
    bool Empty() const noexcept { return !FHandle; }
    // Gives up ownership: the caller destroys the returned icon.
    HICON ReleaseHandle() noexcept { return FHandle.Release(); }

    TBytes Data() const;
    void SetData(const TBytes& data); // EInvalidGraphic for bytes that are not an icon

    void Assign(TPersistent* source) override;

private:
    TIconHandle FHandle;
};

class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

// Text of the process's code page, drawn and measured. The ANSI drawing calls read text in the code
// page of the font, not in the process's: under UTF-8 (docs/text.md) they would draw each byte as a
// letter. These go through the wide calls.
int DrawAnsiText(HDC dc, std::string_view text, RECT& rect, UINT format);
// For each byte of text, the width of the text up to the end of the character that byte belongs to
// (the partial extents GetTextExtentExPoint gives).
std::vector<INT> AnsiTextExtents(HDC dc, std::string_view text);
