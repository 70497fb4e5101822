// Helpers of the form-behaviour tests.
#include "tests/form/FormTesting.h"

#include <algorithm>

namespace FormTesting {

TFormTest::TFormTest() : Form(new TForm(Application))
{
    Form->SetBounds(200, 150, 300, 200);
    Application->SetOnException(TExceptionEvent(this, &TFormTest::Reported));
}

TFormTest::~TFormTest()
{
    delete Form;
    Application->SetOnException({});
}

void TFormTest::TearDown()
{
    for (const TErrorReport& report : Errors)
        ADD_FAILURE() << "unexpected error reported: " << report.Message;
}

LRESULT TFormTest::Send(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return SendMessageA(Form->Handle(), msg, wParam, lParam);
}

void TFormTest::Reported(TObject* sender, Exception& e)
{
    Errors.push_back({sender, e.Message()});
}

std::vector<std::string> PropertyNames(TClass cls)
{
    std::vector<std::string> names;
    for (const TPropInfo* prop : cls->AllProperties())
        names.push_back(prop->Name);
    return names;
}

namespace {

inline BOOL DeleteMemoryDC(HDC dc)
{
    return DeleteDC(dc);
}
using TMemoryDCHandle = TUniqueHandle<HDC, &DeleteMemoryDC>;

BITMAPINFO ScreenBitmapInfo()
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = GetSystemMetrics(SM_CXSCREEN);
    info.bmiHeader.biHeight = -GetSystemMetrics(SM_CYSCREEN); // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

} // namespace

std::vector<std::uint32_t> CaptureScreen()
{
    BITMAPINFO info = ScreenBitmapInfo();
    const int width = info.bmiHeader.biWidth;
    const int height = -info.bmiHeader.biHeight;
    const TScreenDCHandle screen(GetDC(nullptr));
    const TMemoryDCHandle memory(CreateCompatibleDC(screen.Get()));
    const TGdiObjectHandle bitmap(CreateCompatibleBitmap(screen.Get(), width, height));
    const HGDIOBJ previous = SelectObject(memory.Get(), bitmap.Get());
    EXPECT_TRUE(BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), 0, 0, SRCCOPY));
    SelectObject(memory.Get(), previous);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    EXPECT_EQ(GetDIBits(memory.Get(), static_cast<HBITMAP>(bitmap.Get()), 0, static_cast<UINT>(height),
                        pixels.data(), &info, DIB_RGB_COLORS),
              height);
    return pixels;
}

void PaintScreen(const std::vector<std::uint32_t>& pixels)
{
    const BITMAPINFO info = ScreenBitmapInfo();
    const int width = info.bmiHeader.biWidth;
    const int height = -info.bmiHeader.biHeight;
    const TScreenDCHandle screen(GetDC(nullptr));
    EXPECT_EQ(SetDIBitsToDevice(screen.Get(), 0, 0, static_cast<DWORD>(width), static_cast<DWORD>(height), 0, 0,
                                0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS),
              height);
}

std::size_t DifferentPixels(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b)
{
    if (a.size() != b.size())
        return std::max(a.size(), b.size());
    std::size_t count = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        count += (a[i] & 0xFFFFFF) != (b[i] & 0xFFFFFF);
    return count;
}

} // namespace FormTesting
