// The system-action tests bring their own main: before any test (or child) runs, every ExitWindowsEx
// call of the process is caught and refused, and the executable also serves as its own child process.
#include "tests/actions/ActionsTestSupport.h"
#include "tests/support/ImportPatch.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    const TImportPatch exitGuard("user32.dll", "ExitWindowsEx", &RefusedExitWindowsEx);
    if (const std::optional<int> exitCode = RunAsChildIfAsked(argc, argv))
        return *exitCode;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
