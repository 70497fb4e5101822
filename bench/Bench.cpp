// The benchmark list and the raw-call comparison.
#include "bench/Bench.h"

#include "framework/Win32.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct TEntry {
    const char* Name;
    TBenchmark Run;
    double Target;
};

// The target of the benchmark running now.
double CurrentTarget = TargetRatio;

std::vector<TEntry>& Benchmarks()
{
    static std::vector<TEntry> benchmarks;
    return benchmarks;
}

double Seconds()
{
    static const double frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return static_cast<double>(value.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / frequency;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

bool RegisterBenchmark(const char* name, TBenchmark run, double target)
{
    Benchmarks().push_back({name, run, target});
    return true;
}

void RunBenchmarks()
{
    for (const TEntry& entry : Benchmarks()) {
        std::printf("\n%s\n", entry.Name);
        std::printf("  %-34s %12s %12s %8s  (target: at most %.2fx)\n", "operation", "raw us/call",
                    "lib us/call", "ratio", entry.Target);
        CurrentTarget = entry.Target;
        entry.Run();
    }
}

double CompareWithRaw(const char* label, int operations, const std::function<void()>& raw,
                      const std::function<void()>& library)
{
    // A few untimed calls first: caches, the first creation of a key or a file.
    for (int i = 0; i < 10; ++i) {
        raw();
        library();
    }
    // The two are timed call by call, taking turns which goes first, and compared by their medians:
    // under Wine every registry or file call waits for the wineserver, and on a shared machine the
    // load changes within a second. Calls side by side see the same load, and the median ignores the
    // calls that happened to wait for another process.
    std::vector<double> rawTimes, libraryTimes;
    rawTimes.reserve(operations);
    libraryTimes.reserve(operations);
    for (int i = 0; i < operations; ++i) {
        const double start = Seconds();
        (i % 2 == 0 ? raw : library)();
        const double middle = Seconds();
        (i % 2 == 0 ? library : raw)();
        const double end = Seconds();
        rawTimes.push_back((i % 2 == 0 ? middle - start : end - middle) * 1e6);
        libraryTimes.push_back((i % 2 == 0 ? end - middle : middle - start) * 1e6);
    }
    const double rawCost = Median(rawTimes);
    const double libraryCost = Median(libraryTimes);
    const double ratio = libraryCost / rawCost;
    std::printf("  %-34s %12.2f %12.2f %7.2fx  %s\n", label, rawCost, libraryCost, ratio,
                ratio <= CurrentTarget ? "ok" : "MISSED");
    std::fflush(stdout);
    return ratio;
}
