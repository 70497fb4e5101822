// Owning wrappers for Win32 handles: one alias a handle type, each closing its handle with the call
// that belongs to it. Move-only; Release hands the handle over without closing it.
#pragma once

#include "framework/Win32.h"

#include <utility>

template <class H, auto Close, H Invalid = H{}>
class TUniqueHandle {
public:
    TUniqueHandle() noexcept = default;
    explicit TUniqueHandle(H handle) noexcept : FHandle(handle) {}
    TUniqueHandle(TUniqueHandle&& other) noexcept : FHandle(other.Release()) {}
    TUniqueHandle& operator=(TUniqueHandle&& other) noexcept
    {
        Reset(other.Release());
        return *this;
    }
    TUniqueHandle(const TUniqueHandle&) = delete;
    TUniqueHandle& operator=(const TUniqueHandle&) = delete;
    ~TUniqueHandle() { Reset(); }

    H Get() const noexcept { return FHandle; }
    explicit operator bool() const noexcept { return FHandle != Invalid; }
    H Release() noexcept { return std::exchange(FHandle, Invalid); }
    void Reset(H handle = Invalid) noexcept
    {
        if (FHandle != Invalid)
            (void)Close(FHandle);
        FHandle = handle;
    }

private:
    H FHandle = Invalid;
};

using TWindowHandle = TUniqueHandle<HWND, &DestroyWindow>;
using TIconHandle = TUniqueHandle<HICON, &DestroyIcon>;
using TMenuHandle = TUniqueHandle<HMENU, &DestroyMenu>;
using TGdiObjectHandle = TUniqueHandle<HGDIOBJ, &DeleteObject>;
using TKernelHandle = TUniqueHandle<HANDLE, &CloseHandle>;
using TRegKeyHandle = TUniqueHandle<HKEY, &RegCloseKey>;
// A drop handle the shell passed with WM_DROPFILES: its memory goes back with DragFinish.
using TDropHandle = TUniqueHandle<HDROP, &DragFinish>;
// A directory search (FindFirstFileA); hold it only when the search started, never INVALID_HANDLE_VALUE.
using TFindHandle = TUniqueHandle<HANDLE, &FindClose>;
// The name mappings a shell file operation hands back when asked (FOF_WANTMAPPINGHANDLE).
using TNameMappingsHandle = TUniqueHandle<HANDLE, &SHFreeNameMappings>;
// A device context of the whole screen (GetDC(nullptr)), for measuring text before any window exists.
inline int ReleaseScreenDC(HDC dc) { return ReleaseDC(nullptr, dc); }
using TScreenDCHandle = TUniqueHandle<HDC, &ReleaseScreenDC>;
// A memory device context (CreateCompatibleDC).
using TMemoryDCHandle = TUniqueHandle<HDC, &DeleteDC>;
// Movable global memory (GlobalAlloc), such as the clipboard takes.
using TGlobalHandle = TUniqueHandle<HGLOBAL, &GlobalFree>;
