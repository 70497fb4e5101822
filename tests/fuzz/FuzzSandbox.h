// Keeps what fuzzed components write off the machine, for the lifetime of one object: every
// predefined registry root of this process is redirected to a key of its own below
// HKEY_CURRENT_USER\Software, and every file name the library completes (which places every INI file
// it opens) to a file of a temporary folder.
// Both go with the object. Nor may a component read from a description stop the run or change the
// session: message boxes (a drive that cannot be read reports through one) are answered at once, and
// the screen saver's settings and the keyboard's lock states are left as they are.
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
    std::optional<TImportPatch> FFullPathPatch;
    std::optional<TImportPatch> FWindowsDirectoryPatch;
    std::optional<TImportPatch> FMessageBoxPatch;
    std::optional<TImportPatch> FSystemParametersPatch;
    std::optional<TImportPatch> FKeyboardPatch;
};
