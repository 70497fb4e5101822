// Redirects, for the lifetime of one object, a function this executable imports from a system DLL,
// so a test can see what the code under test passes to the system and keep harmful calls from it.
// Only calls made through the executable's own import table are caught, which covers every call the
// library makes, since the library is linked into the test executable.
#pragma once

#include "framework/Win32.h"

#include <type_traits>

class TImportPatch {
public:
    // Raises std::runtime_error when the executable does not import functionName from moduleName.
    // replacement must have the imported function's signature and calling convention.
    template <class F>
        requires std::is_function_v<F>
    TImportPatch(const char* moduleName, const char* functionName, F* replacement)
        : TImportPatch(moduleName, functionName, reinterpret_cast<ULONG_PTR>(replacement))
    {
    }
    ~TImportPatch();
    TImportPatch(const TImportPatch&) = delete;
    TImportPatch& operator=(const TImportPatch&) = delete;

private:
    TImportPatch(const char* moduleName, const char* functionName, ULONG_PTR replacement);

    ULONG_PTR* FEntry;
    ULONG_PTR FOriginal;
};

// The function as the system exports it, for a replacement that passes some calls on.
template <class F>
F* SystemFunction(const char* module, const char* name)
{
    return reinterpret_cast<F*>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(module), name)));
}
