// Fonts, icons and drawn text.
#include "framework/Graphics.h"

#include "framework/Strings.h"

#include <algorithm>
#include <cstring>

QEL_CLASS_INFO(TFont, TPersistent)
{
    return {
        Prop("Name", &TFont::Name, &TFont::SetName).Default("MS Sans Serif"),
        Prop("Size", &TFont::Size, &TFont::SetSize).Default(8),
        Prop("Style", &TFont::Style, &TFont::SetStyle).Default(TFontStyles{}),
    };
}

TFont::TFont() = default;

void TFont::SetName(const std::string& name)
{
    FName = name;
    Changed();
}

void TFont::SetSize(int points)
{
    FSize = points;
    Changed();
}

void TFont::SetStyle(TFontStyles style)
{
    FStyle = style;
    Changed();
}

void TFont::Changed()
{
    FHandle.Reset();
    FOnChange(this);
}

HFONT TFont::Handle()
{
    if (!FHandle) {
        HDC screen = GetDC(nullptr);
        const int height = -MulDiv(FSize, GetDeviceCaps(screen, LOGPIXELSY), 72);
        ReleaseDC(nullptr, screen);
        FHandle.Reset(CreateFontA(height, 0, 0, 0, FStyle.Contains(fsBold) ? FW_BOLD : FW_NORMAL,
                                  FStyle.Contains(fsItalic), FStyle.Contains(fsUnderline),
                                  FStyle.Contains(fsStrikeOut), DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                                  FName.c_str()));
    }
    return static_cast<HFONT>(FHandle.Get());
}

void TFont::Assign(TPersistent* source)
{
    if (auto* font = dynamic_cast<TFont*>(source)) {
        FName = font->FName;
        FSize = font->FSize;
        FStyle = font->FStyle;
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

// ---------------------------------------------------------------------------------------------------
// TIcon

QEL_CLASS_INFO(TIcon, TPersistent)
{
    return {
        Prop("Data", &TIcon::Data, &TIcon::SetData),
    };
}

namespace {

#pragma pack(push, 1)
struct TIconDirHeader {
    WORD Reserved;
    WORD Type; // 1 for icons
    WORD Count;
};
struct TIconDirEntry {
    BYTE Width;
    BYTE Height;
    BYTE ColorCount;
    BYTE Reserved;
    WORD Planes;
    WORD BitCount;
    DWORD BytesInRes;
    DWORD ImageOffset;
};
#pragma pack(pop)

template <class T>
void Append(TBytes& bytes, const T& value)
{
    const auto* raw = reinterpret_cast<const unsigned char*>(&value);
    bytes.insert(bytes.end(), raw, raw + sizeof value);
}

// The bits of bitmap as a bottom-up DIB of bitCount bits per pixel, rows padded to 32 bits.
TBytes DibBits(HBITMAP bitmap, int width, int height, WORD bitCount)
{
    struct {
        BITMAPINFOHEADER Header;
        RGBQUAD Colors[2];
    } info{};
    info.Header.biSize = sizeof(BITMAPINFOHEADER);
    info.Header.biWidth = width;
    info.Header.biHeight = height;
    info.Header.biPlanes = 1;
    info.Header.biBitCount = bitCount;
    info.Header.biCompression = BI_RGB;
    const int stride = ((width * bitCount + 31) / 32) * 4;
    TBytes bits(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height));
    HDC screen = GetDC(nullptr);
    const int lines = GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), bits.data(),
                                reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (lines != height)
        throw EInvalidGraphic("Cannot read the icon's bitmap");
    return bits;
}

} // namespace

void TIcon::SetHandle(HICON handle)
{
    FHandle.Reset(handle);
}

TBytes TIcon::Data() const
{
    if (!FHandle)
        return {};
    ICONINFO iconInfo{};
    if (!GetIconInfo(FHandle.Get(), &iconInfo))
        throw EInvalidGraphic("Cannot read the icon");
    TGdiObjectHandle color(iconInfo.hbmColor);
    TGdiObjectHandle mask(iconInfo.hbmMask);
    BITMAP maskInfo{};
    GetObjectA(iconInfo.hbmMask, sizeof maskInfo, &maskInfo);
    const int width = maskInfo.bmWidth;
    // A monochrome icon keeps its image in the lower half of a double-height mask.
    const int height = iconInfo.hbmColor ? maskInfo.bmHeight : maskInfo.bmHeight / 2;
    if (!iconInfo.hbmColor)
        throw EInvalidGraphic("Monochrome icons cannot be stored");
    const TBytes colorBits = DibBits(iconInfo.hbmColor, width, height, 32);
    const TBytes maskBits = DibBits(iconInfo.hbmMask, width, height, 1);

    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height * 2;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    const auto imageSize = static_cast<DWORD>(sizeof header + colorBits.size() + maskBits.size());

    TBytes data;
    Append(data, TIconDirHeader{0, 1, 1});
    Append(data, TIconDirEntry{static_cast<BYTE>(width >= 256 ? 0 : width),
                               static_cast<BYTE>(height >= 256 ? 0 : height), 0, 0, 1, 32, imageSize,
                               sizeof(TIconDirHeader) + sizeof(TIconDirEntry)});
    Append(data, header);
    data.insert(data.end(), colorBits.begin(), colorBits.end());
    data.insert(data.end(), maskBits.begin(), maskBits.end());
    return data;
}

void TIcon::SetData(const TBytes& data)
{
    if (data.empty()) {
        FHandle.Reset();
        return;
    }
    TIconDirHeader dir{};
    TIconDirEntry entry{};
    if (data.size() < sizeof dir + sizeof entry)
        throw EInvalidGraphic("Icon data is too short");
    std::memcpy(&dir, data.data(), sizeof dir);
    std::memcpy(&entry, data.data() + sizeof dir, sizeof entry);
    if (dir.Reserved != 0 || dir.Type != 1 || dir.Count == 0 || entry.ImageOffset > data.size() ||
        entry.BytesInRes > data.size() - entry.ImageOffset)
        throw EInvalidGraphic("Icon data is not in icon format");
    auto* image = const_cast<unsigned char*>(data.data() + entry.ImageOffset);
    HICON icon = CreateIconFromResourceEx(image, entry.BytesInRes, TRUE, 0x00030000, 0, 0, LR_DEFAULTCOLOR);
    if (!icon)
        throw EInvalidGraphic("Icon data is not in icon format");
    FHandle.Reset(icon);
}

void TIcon::Assign(TPersistent* source)
{
    if (auto* icon = dynamic_cast<TIcon*>(source)) {
        if (icon != this)
            FHandle.Reset(icon->Empty() ? nullptr : CopyIcon(icon->Handle()));
        return;
    }
    TPersistent::Assign(source);
}

// ---------------------------------------------------------------------------------------------------
// Text

int DrawAnsiText(HDC dc, std::string_view text, RECT& rect, UINT format)
{
    const std::wstring wide = AnsiToWide(text);
    return DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &rect, format);
}

std::vector<INT> AnsiTextExtents(HDC dc, std::string_view text)
{
    const std::wstring wide = AnsiToWide(text);
    std::vector<INT> wideExtents(wide.size());
    SIZE size{};
    if (!wide.empty())
        (void)GetTextExtentExPointW(dc, wide.c_str(), static_cast<int>(wide.size()), 0, nullptr, wideExtents.data(),
                                    &size);
    // A character is one UTF-16 unit, or two beyond U+FFFF.
    std::vector<INT> extents(text.size());
    std::size_t unit = 0;
    for (std::size_t i = 0, length; i < text.size(); i += length) {
        length = AnsiCharLength(text, i);
        const std::optional<char32_t> code = Utf8CharCode(text, i);
        unit += code && *code > 0xFFFF ? 2 : 1;
        const INT extent = unit <= wide.size() ? wideExtents[unit - 1] : size.cx;
        std::fill(extents.begin() + static_cast<std::ptrdiff_t>(i),
                  extents.begin() + static_cast<std::ptrdiff_t>(i + length), extent);
    }
    return extents;
}
