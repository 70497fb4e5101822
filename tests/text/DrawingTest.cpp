// Text drawn by the framework under UTF-8: the drawing calls' ANSI forms read text in the font's code
// page, so a label, a panel or a button that used them would show each byte as a letter. Measured and
// drawn as the wide calls do it.
#include "tests/text/TextTesting.h"

#include "framework/Forms.h"
#include "framework/Graphics.h"
#include "framework/StdCtrls.h"
#include "framework/Strings.h"
#include "tests/framework/WindowTesting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using namespace WindowTesting;

TEST(TextDrawing, DrawsAndMeasuresAsTheWideCallsDo)
{
    const HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    const std::string text = CafeNihon() + " " + Greek();
    const std::wstring wide = AnsiToWide(text);
    const auto drawn = [&](bool ansi) {
        return DrawnPixels(font, 300, 20, [&](HDC dc) {
            RECT r{0, 0, 300, 20};
            if (ansi)
                DrawAnsiText(dc, text, r, DT_LEFT | DT_SINGLELINE);
            else
                DrawTextW(dc, wide.c_str(), -1, &r, DT_LEFT | DT_SINGLELINE);
        });
    };
    EXPECT_TRUE(drawn(true) == drawn(false));
    const auto plainAnsi = DrawnPixels(font, 300, 20, [&](HDC dc) {
        RECT r{0, 0, 300, 20};
        DrawTextA(dc, text.c_str(), -1, &r, DT_LEFT | DT_SINGLELINE);
    });
    EXPECT_FALSE(plainAnsi == drawn(false)) << "the system's ANSI call draws UTF-8 as it should: nothing to show";

    // Every byte of a character gets the width up to the character's end.
    HDC dc = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, font);
    const std::vector<INT> extents = AnsiTextExtents(dc, CafeNihon());
    std::vector<INT> wideExtents(7);
    SIZE size{};
    (void)GetTextExtentExPointW(dc, L"caf\x00E9-\x65E5\x672C", 7, 0, nullptr, wideExtents.data(), &size);
    SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
    const std::vector<std::size_t> characterOfByte{0, 1, 2, 3, 3, 4, 5, 5, 5, 6, 6, 6};
    ASSERT_EQ(extents.size(), characterOfByte.size());
    for (std::size_t i = 0; i < extents.size(); ++i)
        EXPECT_EQ(extents[i], wideExtents[characterOfByte[i]]) << "byte " << i;
}

TEST(TextDrawing, LabelsFitAndWrapTheirCaptionAsTheWideCallsDo)
{
    auto form = std::make_unique<TForm>(Application);
    form->SetBounds(100, 100, 400, 300);
    auto* label = new TLabel(form.get());
    label->SetParent(form.get());
    const HFONT font = form->Font()->Handle();

    label->SetCaption(CafeNihon());
    const SIZE oneLine = TextExtent(font, AnsiToWide(CafeNihon()));
    EXPECT_EQ(label->Width(), oneLine.cx);
    EXPECT_EQ(label->Height(), oneLine.cy);

    // The system also breaks lines between ideographs; the label, as the system with Latin text, only at
    // blanks. So the wrapped caption has none.
    const std::string caption = Utf8(u8"caf\u00E9 ") + Greek() + Utf8(u8" \u00C4pfel &") + Greek() + " " + Greek();
    const std::wstring wide = AnsiToWide(caption);
    for (int width : {60, 90, 110, 150}) {
        label->SetWordWrap(false);
        label->SetCaption(caption);
        label->SetWidth(width);
        label->SetWordWrap(true);
        const SIZE expected = TextExtent(font, wide, DT_WORDBREAK | DT_EXPANDTABS, width);
        EXPECT_EQ(label->Width(), expected.cx) << "at " << width;
        EXPECT_EQ(label->Height(), expected.cy) << "at " << width;
        label->SetBounds(0, 0, std::max(label->Width(), width), label->Height());
        const auto own = DrawnPixels(font, label->Width(), label->Height(), [&](HDC dc) { label->Paint(dc); });
        const auto system = DrawnPixels(font, label->Width(), label->Height(), [&](HDC dc) {
            RECT r = label->BoundsRect();
            DrawTextW(dc, wide.c_str(), -1, &r, DT_LEFT | DT_WORDBREAK | DT_EXPANDTABS);
        });
        EXPECT_TRUE(own == system) << "at " << width << " the label draws differently";
    }
}
