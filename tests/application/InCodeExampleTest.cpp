// The example program whose form and components are all made in code (examples/incode), run as the
// guide shows it: with everything finished before its form shows, a second copy ends before its own
// form shows, and of two copies started together exactly one keeps running.
#include "tests/support/Processes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

using TLines = std::vector<std::string>;

bool Contains(const TLines& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Ends a running copy the way the example is told to: a copy started with "stop".
void Stop(TChildProcess& running)
{
    TChildProcess stop(ExampleCommand("incode", "stop"));
    const std::optional<DWORD> stopCode = stop.Wait();
    ASSERT_TRUE(stopCode.has_value());
    EXPECT_EQ(*stopCode, 0u) << stop.Out() << stop.Err();
    EXPECT_EQ(stop.OutLines(), TLines{"Guard.OnExceeded NoOfInstances=2"});
    const std::optional<DWORD> exitCode = running.Wait();
    ASSERT_TRUE(exitCode.has_value());
    EXPECT_EQ(*exitCode, 0u) << running.Out() << running.Err();
}

} // namespace

TEST(InCodeExample, ASecondCopyEndsBeforeItsFormShowsAndHandsItsCommandLineToTheFirst)
{
    TChildProcess first(ExampleCommand("incode", ""));
    ASSERT_TRUE(first.WaitForLine("Saver.OnRestore")) << first.Out() << first.Err();
    Stop(first);
    EXPECT_EQ(first.OutLines(), (TLines{"MainForm.OnShow Title=QELSystm made in code",
                                        "TopMost.Active=True top-most=yes", "Saver.OnRestore",
                                        "Guard.OnNewInstance Arguments=stop", "MainForm.OnClose", "ended"}));
}

TEST(InCodeExample, OfTwoCopiesStartedTogetherOneEndsBeforeItsFormShows)
{
    TChildProcess a(ExampleCommand("incode", ""), true);
    TChildProcess b(ExampleCommand("incode", ""), true);
    a.Resume();
    b.Resume();
    const HANDLE both[] = {a.Handle(), b.Handle()};
    const DWORD ended = WaitForMultipleObjects(2, both, FALSE, 30000);
    ASSERT_TRUE(ended == WAIT_OBJECT_0 || ended == WAIT_OBJECT_0 + 1) << a.Out() << b.Out();
    TChildProcess& ender = ended == WAIT_OBJECT_0 ? a : b;
    TChildProcess& survivor = ended == WAIT_OBJECT_0 ? b : a;
    const std::optional<DWORD> enderCode = ender.Wait();
    ASSERT_TRUE(enderCode.has_value());
    EXPECT_EQ(*enderCode, 0u) << ender.Err();
    EXPECT_EQ(ender.OutLines(), TLines{"Guard.OnExceeded NoOfInstances=2"}) << "its form never showed";

    ASSERT_TRUE(survivor.WaitForLine("Guard.OnNewInstance")) << survivor.Out() << survivor.Err();
    ASSERT_TRUE(survivor.WaitForLine("Saver.OnRestore")) << survivor.Out();
    Stop(survivor);
    const TLines lines = survivor.OutLines();
    EXPECT_TRUE(Contains(lines, "MainForm.OnShow Title=QELSystm made in code")) << survivor.Out();
    EXPECT_TRUE(Contains(lines, "Guard.OnNewInstance Arguments=")) << survivor.Out();
    EXPECT_FALSE(Contains(lines, "Guard.OnExceeded NoOfInstances=2")) << survivor.Out();
}
