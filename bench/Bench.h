// What the benchmarks of qelbench share: a list of named benchmarks that main runs in turn, and the
// measurement of an operation of the library against the raw system calls it stands for.
#pragma once

#include <functional>

using TBenchmark = void (*)();

// Adds a benchmark to the run; returns true so that a unit can register from a static initialiser:
//     static const bool registered = RegisterBenchmark("Data store", &RunDataStoreBench);
bool RegisterBenchmark(const char* name, TBenchmark run);
void RunBenchmarks();

// The longest a library operation may take compared with the raw calls that do the same.
constexpr double TargetRatio = 1.25;

// Times operations calls of raw and of library, side by side, prints one line with the median cost of
// a call of each, their ratio and whether it meets target (TargetRatio unless a benchmark has its own;
// NoTarget for a comparison that is only shown), and returns the ratio.
constexpr double NoTarget = 0;
double CompareWithRaw(const char* label, int operations, const std::function<void()>& raw,
                      const std::function<void()>& library, double target = TargetRatio);
