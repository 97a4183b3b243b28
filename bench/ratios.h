// Ratios of a library function's time to an alternative's, measured in the same run.
//
// Google Benchmark prints each function's own times. The ratio table is measured
// separately and in pairs: the two workloads of a row run in interleaved rounds (the
// order swapped every round), each timed by the thread's CPU clock, and the row shows
// the median of the rounds' ratios with the median times per call. Interleaving and
// the median keep the ratio steady on a machine shared with other work, where two
// benchmarks run a minute apart may see very different loads, and unlike the best of
// the rounds it does not reward one lucky round.
//
// Workloads that take inputs rotate through several of them (see Rotation), so that
// no branch predictor can learn one input and flatter either side.
//
// Options (before Google Benchmark's own): --ratios-only skips the Google Benchmark
// part, --ratios-filter=TEXT keeps the rows whose label holds TEXT, --rounds=N sets the
// number of rounds (default 9).
//
// Work handed to another thread is timed by another clock the pair names: the
// process's processor time (both threads' work) or the wall clock (latency).
#ifndef BENCH_RATIOS_H
#define BENCH_RATIOS_H

#include <benchmark/benchmark.h>

#include <cstdlib>

#include "ratio_rounds.h"

namespace bench {

// Runs the registered benchmarks, then measures and prints the ratio table.
inline int runAndPrintRatios(int argc, char **argv, const std::vector<Pair> &pairs) {
    bool ratiosOnly = false;
    std::string filter;
    int rounds = 9;
    std::vector<char *> args;
    for (int k = 0; k < argc; ++k) {
        std::string arg(argv[k]);
        if (arg == "--ratios-only")
            ratiosOnly = true;
        else if (arg.rfind("--ratios-filter=", 0) == 0)
            filter = arg.substr(16);
        else if (arg.rfind("--rounds=", 0) == 0)
            rounds = std::max(1, std::atoi(arg.c_str() + 9));
        else
            args.push_back(argv[k]);
    }
    // Each named workload once in Google Benchmark's own table.
    std::vector<std::string> registered;
    for (const Pair &pair : pairs) {
        for (auto [name, work] : {std::make_pair(pair.subjectName, pair.subject),
                                  std::make_pair(pair.baselineName, pair.baseline)}) {
            if (name.empty() || std::find(registered.begin(), registered.end(), name) != registered.end())
                continue;
            if (!filter.empty() && pair.label.find(filter) == std::string::npos) continue;
            registered.push_back(name);
            benchmark::RegisterBenchmark(name.c_str(), [work](benchmark::State &state) {
                for (auto _ : state) work();
            })->Unit(benchmark::kMicrosecond);
        }
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
    if (!ratiosOnly) benchmark::RunSpecifiedBenchmarks();
    std::printf("\n%-62s %7s %11s %11s\n", "library / alternative (CPU time, median of interleaved rounds)",
                "ratio", "library", "alternative");
    for (const Pair &pair : pairs) {
        if (!filter.empty() && pair.label.find(filter) == std::string::npos) continue;
        Measured m = measurePair(pair, rounds);
        std::printf("%-62s %7.2f %11s %11s\n", pair.label.c_str(), m.ratio, perCall(m.subject).c_str(),
                    perCall(m.baseline).c_str());
        std::fflush(stdout);
    }
    benchmark::Shutdown();
    return 0;
}

}  // namespace bench

#endif
