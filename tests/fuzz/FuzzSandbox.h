// Keeps what fuzzed components write off the machine, for the lifetime of one object: every
// predefined registry root of this process is redirected to a key of its own below
// HKEY_CURRENT_USER\Software, and every INI file the library opens to a file of a temporary folder.
// Both go with the object.
#pragma once

#include "framework/Win32.h"
#include "tests/support/ImportPatch.h"

#include <optional>
#include <string>
#include <vector>

class TFuzzSandbox {
public:
    TFuzzSandbox();
    ~TFuzzSandbox();
    TFuzzSandbox(const TFuzzSandbox&) = delete;
    TFuzzSandbox& operator=(const TFuzzSandbox&) = delete;

private:
    void Release();

    std::string FKeyPath;
    std::vector<HKEY> FOverridden;
    std::vector<HKEY> FKeys;
    std::optional<TImportPatch> FReadPatch;
    std::optional<TImportPatch> FWritePatch;
};
