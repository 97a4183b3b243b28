// Ratios of a library function's time to an alternative's, measured in the same run.
//
// Google Benchmark prints each function's own times. The ratio table is measured
// separately and in pairs: the two functions of a row run alternately, several rounds,
// each timed by the thread's CPU clock (or another clock the pair names, for work
// handed to another thread), and the ratio is best / best. Alternating and
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
    // The clock: the calling thread's processor time, unless the work hands over to
    // another thread; then the process's processor time (both threads' work, steady on
    // a loaded machine) or the wall clock (latency, which includes waiting to be run).
    clockid_t clock = CLOCK_THREAD_CPUTIME_ID;
};

inline double clockSeconds(clockid_t clock) {
    timespec now;
    clock_gettime(clock, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

inline double threadSeconds() { return clockSeconds(CLOCK_THREAD_CPUTIME_ID); }

inline double secondsPerCall(const std::function<void()> &work, int calls,
                             clockid_t clock = CLOCK_THREAD_CPUTIME_ID) {
    double start = clockSeconds(clock);
    for (int k = 0; k < calls; ++k) work();
    return (clockSeconds(clock) - start) / calls;
}

// subject time / baseline time, each the best of `rounds` alternating measurements of
// at least 20 ms.
inline double pairedRatio(const Pair &pair, int rounds = 7) {
    int calls = 1;
    while (calls < (1 << 20) && secondsPerCall(pair.subject, calls, pair.clock) * calls < 0.02)
        calls *= 2;
    double bestSubject = std::numeric_limits<double>::max();
    double bestBaseline = bestSubject;
    for (int round = 0; round < rounds; ++round) {
        bestSubject = std::min(bestSubject, secondsPerCall(pair.subject, calls, pair.clock));
        bestBaseline = std::min(bestBaseline, secondsPerCall(pair.baseline, calls, pair.clock));
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
    std::printf("\n%-60s %7s\n", "ratio (library / alternative, best of 7)", "ratio");
    for (const Pair &pair : pairs) {
        std::printf("%-60s %7.3f\n", pair.label.c_str(), pairedRatio(pair));
        std::fflush(stdout);
    }
    benchmark::Shutdown();
    return 0;
}

}  // namespace bench

#endif
