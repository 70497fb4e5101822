// The file tests bring their own main: the executable also runs as its own child process, to write one
// log from two processes at once, and to be killed in the middle of a text replace.
#include "files/QELTLogFile.h"
#include "files/QELTTextReplace.h"
#include "framework/Win32Handles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>

namespace {

// test_files.exe --log-child FILE COUNT EVENT: waits until the event is set, then logs COUNT lines
// "<pid> <n>" into FILE with the header on, and ends with 0.
int RunLogChild(char** argv)
{
    try {
        const TKernelHandle start(OpenEventA(SYNCHRONIZE, FALSE, argv[4]));
        if (!start || WaitForSingleObject(start.Get(), 30000) != WAIT_OBJECT_0)
            return 3;
        TQELLogFile log(nullptr);
        log.SetLogFile(argv[2]);
        log.SetLogHeader(true);
        const std::string prefix = std::to_string(GetCurrentProcessId()) + " ";
        const int count = std::stoi(argv[3]);
        for (int i = 0; i < count; ++i)
            log.Log(prefix + std::to_string(i));
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "log child: %s\n", e.what());
        return 2;
    }
}

// test_files.exe --replace-child SOURCE TARGET: copies SOURCE to TARGET through a text replace whose
// handler prints "copying" at the first line and then waits to be killed; 2 when the copy fails.
class TStoppedCopy : public TObject {
public:
    void BeforeWrite(TObject*, std::string&, int, bool&)
    {
        std::puts("copying");
        std::fflush(stdout);
        Sleep(INFINITE);
    }
};

int RunReplaceChild(char** argv)
{
    try {
        TStoppedCopy stopped;
        TQELTextReplace replace(nullptr);
        replace.SetFileFrom(argv[2]);
        replace.SetFileTo(argv[3]);
        replace.SetBeforeWrite(TQELBeforeWrite(&stopped, &TStoppedCopy::BeforeWrite));
        replace.Execute();
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "replace child: %s\n", e.what());
        return 2;
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::string_view(argv[1]) == "--log-child")
        return RunLogChild(argv);
    if (argc == 4 && std::string_view(argv[1]) == "--replace-child")
        return RunReplaceChild(argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
