// The persistence tests bring their own main: the executable also runs as its own child process, to
// load a form in a process that is then killed or ends normally.
#include "tests/persistence/ChildProcess.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (const std::optional<int> exitCode = RunAsChildIfAsked(argc, argv))
        return *exitCode;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
