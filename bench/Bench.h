// What the benchmarks of qelbench share: a list of named benchmarks that main runs in turn, and the
// measurement of an operation of the library against the raw system calls it stands for.
#pragma once

#include <functional>

using TBenchmark = void (*)();

// The longest a library operation may take compared with the raw calls that do the same, unless a
// benchmark sets a target of its own.
constexpr double TargetRatio = 1.25;

// Adds a benchmark to the run; returns true so that a unit can register from a static initialiser:
//     static const bool registered = RegisterBenchmark("Data store", &RunDataStoreBench);
bool RegisterBenchmark(const char* name, TBenchmark run, double target = TargetRatio);
void RunBenchmarks();

// Times operations calls of raw and of library, side by side, prints one line with the median cost of
// a call of each, their ratio and whether it meets the running benchmark's target, and returns the
// ratio.
double CompareWithRaw(const char* label, int operations, const std::function<void()>& raw,
                      const std::function<void()>& library);
