// Helpers for tests on real windows: running the message loop for a while, playing the user from
// inside a modal loop, finding windows by class and text, and what text draws.
#pragma once

#include "framework/Forms.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace WindowTesting {

// Handles messages until done() holds or timeoutMs have passed; returns done(). Pending messages are
// handled at least once, however long the thread had to wait for the processor. The default is a
// watchdog: long enough for a loaded machine, it only ends a test that would never finish.
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 30000)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    if (done())
        return true;
    for (;;) {
        Application->ProcessMessages();
        if (done())
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// Handles messages for a while, at least once: for tests that nothing happens, or that what was
// posted has been handled.
inline void PumpFor(DWORD milliseconds)
{
    PumpUntil([] { return false; }, milliseconds);
}

// Plays the user while a modal loop runs: every periodMs the action is tried from the thread's
// message loop until it returns true (it returns false while the window it looks for is not there
// yet). After timeoutMs (a watchdog) it records a failure and closes the active window, so that a
// dialog that never appeared or never closed cannot hang the run.
class TUserAction {
public:
    explicit TUserAction(std::function<bool()> action, UINT periodMs = 30, DWORD timeoutMs = 30000)
        : FAction(std::move(action)), FDeadline(std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs)),
          FTimer(SetTimer(nullptr, 0, periodMs, &Tick))
    {
        Actions()[FTimer] = this;
    }
    ~TUserAction() { Stop(); }
    TUserAction(const TUserAction&) = delete;
    TUserAction& operator=(const TUserAction&) = delete;

    bool Done() const noexcept { return FDone; }

private:
    static std::map<UINT_PTR, TUserAction*>& Actions()
    {
        static std::map<UINT_PTR, TUserAction*> actions;
        return actions;
    }

    static void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD)
    {
        auto found = Actions().find(timer);
        if (found == Actions().end())
            return;
        TUserAction& self = *found->second;
        if (self.FRunning)
            return; // the action itself runs a message loop
        self.FRunning = true;
        const bool done = self.FAction();
        self.FRunning = false;
        if (done) {
            self.FDone = true;
            self.Stop();
        } else if (std::chrono::steady_clock::now() > self.FDeadline) {
            ADD_FAILURE() << "The user action did not find what it waited for";
            self.Stop();
            if (HWND active = GetActiveWindow())
                PostMessageA(active, WM_CLOSE, 0, 0);
        }
    }

    void Stop()
    {
        if (!FTimer)
            return;
        KillTimer(nullptr, FTimer);
        Actions().erase(FTimer);
        FTimer = 0;
    }

    std::function<bool()> FAction;
    std::chrono::steady_clock::time_point FDeadline;
    UINT_PTR FTimer;
    bool FDone = false;
    bool FRunning = false;
};

inline std::string WindowText(HWND window)
{
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

inline std::string WindowClass(HWND window)
{
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

struct TWindowSearch {
    std::string ClassName;
    const char* Title;
    HWND Found;
};

inline BOOL CALLBACK MatchWindow(HWND window, LPARAM data)
{
    auto& search = *reinterpret_cast<TWindowSearch*>(data);
    if (IsWindowVisible(window) && WindowClass(window) == search.ClassName &&
        (!search.Title || WindowText(window) == search.Title)) {
        search.Found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible top-level window of this thread with that class and (when given) that title.
inline HWND FindThreadWindow(const std::string& className, const char* title = nullptr)
{
    TWindowSearch search{className, title, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), &MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

// The direct child windows of parent, in z-order.
inline std::vector<HWND> ChildWindows(HWND parent)
{
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

// The direct child of parent whose text is text, or null.
inline HWND FindChild(HWND parent, const std::string& text)
{
    for (HWND child : ChildWindows(parent))
        if (WindowText(child) == text)
            return child;
    return nullptr;
}

// Presses the button of the dialog of that class and title whose caption is caption; false while the
// dialog or the button is not there.
inline bool PressButton(const std::string& className, const char* title, const std::string& caption)
{
    HWND dialog = FindThreadWindow(className, title);
    HWND button = dialog ? FindChild(dialog, caption) : nullptr;
    if (!button)
        return false;
    PostMessageA(button, BM_CLICK, 0, 0);
    return true;
}

// A key pressed in the window that has the keyboard focus, inside the top-level window found.
inline bool PressKey(const std::string& className, const char* title, WPARAM key)
{
    HWND dialog = FindThreadWindow(className, title);
    HWND focus = GetFocus();
    if (!dialog || !focus || (focus != dialog && !IsChild(dialog, focus)))
        return false;
    PostMessageA(focus, WM_KEYDOWN, key, 1);
    PostMessageA(focus, WM_KEYUP, key, 0xC0000001);
    return true;
}

// The size DrawTextW gives text in font (DT_CALCRECT with flags, in a rectangle width wide).
inline SIZE TextExtent(HFONT font, const std::wstring& text, UINT flags = 0, int width = 0)
{
    RECT r{0, 0, width, 0};
    HDC dc = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, font);
    DrawTextW(dc, text.c_str(), -1, &r, flags | DT_CALCRECT);
    SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
    return {r.right, r.bottom};
}

// The pixels draw() leaves in a white bitmap of width x height (at least 1 x 1), with font selected, the
// background left as it is and the text in the button text colour.
inline std::vector<COLORREF> DrawnPixels(HFONT font, int width, int height, const std::function<void(HDC)>& draw)
{
    width = std::max(width, 1);
    height = std::max(height, 1);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HGDIOBJ oldFont = SelectObject(dc, font);
    PatBlt(dc, 0, 0, width, height, WHITENESS);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    draw(dc);
    std::vector<COLORREF> colors;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            colors.push_back(GetPixel(dc, x, y));
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return colors;
}

} // namespace WindowTesting
