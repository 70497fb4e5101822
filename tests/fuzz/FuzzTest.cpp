// Fuzzing the form reader with every registered class: each input either reads, or is refused with a
// read error that gives its line and column, or fails in a component with the reader telling where;
// nothing crashes, and nothing read (object, window, window procedure instance, heap block) is left
// behind. Components write only into a sandbox.
//
// `make test` runs a short, fixed run. `make fuzz` runs a long one with a new seed:
//     QEL_FUZZ_RUNS (default 1000), QEL_FUZZ_SEED (default 1), QEL_FUZZ_LONG_TEXT (default 20000,
//     the longest generated text).
// A failure prints the seed and the number of the input, which reproduce it.
#include "framework/FormText.h"
#include "framework/Forms.h"
#include "tests/fuzz/DescriptionFuzzer.h"
#include "tests/fuzz/FuzzSandbox.h"
#include "tests/fuzz/HeapCount.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

long Setting(const char* name, long fallback)
{
    const char* text = std::getenv(name);
    return text && *text ? std::strtol(text, nullptr, 10) : fallback;
}

BOOL CALLBACK CountWindow(HWND window, LPARAM count)
{
    ++*reinterpret_cast<long*>(count);
    EnumChildWindows(window, &CountWindow, count);
    return TRUE;
}

// What is alive in the process.
struct TSnapshot {
    long HeapBlocks;
    long Windows;
    bool operator==(const TSnapshot&) const = default;
};

TSnapshot Snapshot()
{
    long windows = 0;
    EnumThreadWindows(GetCurrentThreadId(), &CountWindow, reinterpret_cast<LPARAM>(&windows));
    return {LiveHeapBlocks(), windows};
}

// Takes the calls of every event the inputs bind, and the exceptions of window procedures.
class TSink : public TEventSink {
public:
    void EventFired(const std::vector<std::string>&) override { ++Events; }
    void Raised(TObject*, Exception&) { ++Exceptions; }
    long Events = 0;
    long Exceptions = 0;
};

enum class TOutcome { Read, ReadError, ComponentError };

class Fuzz : public testing::Test {
protected:
    Fuzz() { Application->SetOnException(TExceptionEvent(&FSink, &TSink::Raised)); }
    ~Fuzz() override { Application->SetOnException({}); }

    // Reads text once; a failure to keep the contract is written into failure.
    TOutcome ReadOnce(const std::string& text, std::string& failure)
    {
        TReader reader(text);
        reader.SetOnFindMethod([&](TComponent*, const TPropInfo& event, const std::string&) {
            return event.Event->MakeGeneric(&FSink);
        });
        try {
            const std::unique_ptr<TComponent> root(reader.ReadComponent(nullptr));
            Application->ProcessMessages(); // shown forms paint, timers may fire
            return TOutcome::Read;
        } catch (const EReadError& e) {
            const std::string position =
                "Line " + std::to_string(e.Line()) + ", column " + std::to_string(e.Column()) + ": ";
            if (e.Line() < 1 || e.Column() < 1 || e.Message().compare(0, position.size(), position) != 0)
                failure = "a read error without its position: " + e.Message();
            return TOutcome::ReadError;
        } catch (const Exception& e) {
            if (reader.ErrorContext().compare(0, 5, "Line ") != 0)
                failure = "a component error without a position: " + e.Message();
            return TOutcome::ComponentError;
        } catch (const std::exception& e) {
            failure = std::string("an exception of no framework class: ") + e.what();
            return TOutcome::ComponentError;
        }
    }

    TSink FSink;
};

std::string Excerpt(const std::string& text)
{
    return text.size() <= 2000 ? text : text.substr(0, 2000) + "\n... (" + std::to_string(text.size()) + " bytes)";
}

TEST_F(Fuzz, EveryInputReadsOrFailsWithItsPositionAndLeavesNothingBehind)
{
    const long runs = Setting("QEL_FUZZ_RUNS", 1000);
    const auto seed = static_cast<std::uint32_t>(Setting("QEL_FUZZ_SEED", 1));
    const TFuzzSandbox sandbox;
    TDescriptionFuzzer fuzzer(seed, static_cast<std::size_t>(Setting("QEL_FUZZ_LONG_TEXT", 20000)));
    long outcomes[3] = {};
    int failures = 0;
    for (long input = 0; input < runs && failures < 5; ++input) {
        const std::string text = fuzzer.Next();
        std::string failure;
        const TSnapshot before = Snapshot();
        const TOutcome outcome = ReadOnce(text, failure);
        ++outcomes[static_cast<int>(outcome)];
        // What grows at the first use only (a window class, the application's window) is there for
        // good: the same input read again must leave everything as it found it.
        if (const TSnapshot after = Snapshot(); failure.empty() && !(after == before)) {
            std::string again;
            (void)ReadOnce(text, again);
            const TSnapshot last = Snapshot();
            if (!(last == after))
                failure = "left behind " + std::to_string(last.HeapBlocks - after.HeapBlocks) + " heap blocks and " +
                          std::to_string(last.Windows - after.Windows) + " windows";
        }
        if (!failure.empty()) {
            ++failures;
            ADD_FAILURE() << "seed " << seed << ", input " << input << ": " << failure << "\n" << Excerpt(text);
        }
    }
    std::printf("fuzz: seed %u, %ld inputs: %ld read, %ld read errors, %ld component errors; %ld events, "
                "%ld exceptions in window procedures\n",
                seed, runs, outcomes[0], outcomes[1], outcomes[2], FSink.Events, FSink.Exceptions);
    std::fflush(stdout);
    // The inputs reach both sides of the reader.
    EXPECT_GT(outcomes[0], runs / 20);
    EXPECT_GT(outcomes[1], runs / 5);
}

} // namespace
