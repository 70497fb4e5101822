// qelbench: runs every registered benchmark and prints its figures.
#include "bench/Bench.h"

#include <cstdio>

int main()
{
    std::printf("qelbench: per-call cost of library operations against the raw system calls\n");
    RunBenchmarks();
    return 0;
}
