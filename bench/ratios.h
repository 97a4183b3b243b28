// Ratios of a library function's time to an alternative's, measured in the same run.
//
// Google Benchmark prints each function's own times. The ratio table is measured
// separately and in pairs: the two functions of a row run alternately, several rounds,
// each timed by the thread's CPU clock, and the ratio is best / best. Alternating and
// taking the best keep the ratio steady on a machine shared with other work, where two
// benchmarks run a minute apart may see very different loads.
#ifndef BENCH_RATIOS_H
#define BENCH_RATIOS_H

#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace bench {

struct Pair {
    std::string label;                // the row's text
    std::function<void()> subject;    // one call of the library function's workload
    std::function<void()> baseline;   // the same workload through the alternative
};

inline double threadSeconds() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

inline double secondsPerCall(const std::function<void()> &work, int calls) {
    double start = threadSeconds();
    for (int k = 0; k < calls; ++k) work();
    return (threadSeconds() - start) / calls;
}

// subject time / baseline time, each the best of `rounds` alternating measurements of
// at least 20 ms.
inline double pairedRatio(const Pair &pair, int rounds = 7) {
    int calls = 1;
    while (calls < (1 << 20) && secondsPerCall(pair.subject, calls) * calls < 0.02) calls *= 2;
    double bestSubject = std::numeric_limits<double>::max();
    double bestBaseline = bestSubject;
    for (int round = 0; round < rounds; ++round) {
        bestSubject = std::min(bestSubject, secondsPerCall(pair.subject, calls));
        bestBaseline = std::min(bestBaseline, secondsPerCall(pair.baseline, calls));
    }
    return bestSubject / bestBaseline;
}

// Runs the registered benchmarks, then measures and prints the ratio table. With
// --ratios-only the benchmarks are skipped.
inline int runAndPrintRatios(int argc, char **argv, const std::vector<Pair> &pairs) {
    bool ratiosOnly = false;
    std::vector<char *> args;
    for (int k = 0; k < argc; ++k) {
        if (std::string(argv[k]) == "--ratios-only")
            ratiosOnly = true;
        else
            args.push_back(argv[k]);
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
    if (!ratiosOnly) benchmark::RunSpecifiedBenchmarks();
    std::printf("\n%-60s %6s\n", "ratio (library / alternative, CPU time, best of 7)", "ratio");
    for (const Pair &pair : pairs) {
        std::printf("%-60s %6.2f\n", pair.label.c_str(), pairedRatio(pair));
        std::fflush(stdout);
    }
    benchmark::Shutdown();
    return 0;
}

}  // namespace bench

#endif
