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
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace bench {

struct Pair {
    std::string label;                // the row's text
    std::function<void()> subject;    // one call of the library function's workload
    std::function<void()> baseline;   // the same workload through the alternative
    std::string subjectName = {};     // names under which Google Benchmark times each
    std::string baselineName = {};    // workload (unnamed ones are not registered)
    long rotation = 1;                // inputs a workload rotates through: every round
                                      // makes a multiple of this many calls
    clockid_t clock = CLOCK_THREAD_CPUTIME_ID;  // what a round is timed by
};

// The pair timed by another clock than the calling thread's processor time.
inline Pair timedBy(clockid_t clock, Pair pair) {
    pair.clock = clock;
    return pair;
}

// Hands out its inputs in turn, round and round.
template <typename T>
class Rotation {
public:
    explicit Rotation(std::vector<T> inputs) : inputs_(std::move(inputs)) {}
    const T &next() {
        const T &input = inputs_[at_];
        at_ = at_ + 1 == inputs_.size() ? 0 : at_ + 1;
        return input;
    }
    size_t size() const { return inputs_.size(); }

private:
    std::vector<T> inputs_;
    size_t at_ = 0;
};

inline double clockSeconds(clockid_t clock) {
    timespec now;
    clock_gettime(clock, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

inline double secondsPerCall(const std::function<void()> &work, long calls,
                             clockid_t clock = CLOCK_THREAD_CPUTIME_ID) {
    double start = clockSeconds(clock);
    for (long k = 0; k < calls; ++k) work();
    return (clockSeconds(clock) - start) / double(calls);
}

inline double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t half = values.size() / 2;
    return values.size() % 2 ? values[half] : (values[half - 1] + values[half]) / 2;
}

struct Measured {
    double ratio;     // median of the rounds' subject / baseline
    double subject;   // median seconds per call
    double baseline;
};

// Interleaved rounds of at least 20 ms of the subject each (the same number of calls
// for both sides, a multiple of the rotation's length).
inline Measured measurePair(const Pair &pair, int rounds) {
    long calls = std::max(1L, pair.rotation);
    while (calls < (1L << 24) && secondsPerCall(pair.subject, calls, pair.clock) * double(calls) < 0.02) calls *= 2;
    std::vector<double> ratios, subjects, baselines;
    for (int round = 0; round < rounds; ++round) {
        double s, b;
        if (round % 2 == 0) {
            s = secondsPerCall(pair.subject, calls, pair.clock);
            b = secondsPerCall(pair.baseline, calls, pair.clock);
        } else {
            b = secondsPerCall(pair.baseline, calls, pair.clock);
            s = secondsPerCall(pair.subject, calls, pair.clock);
        }
        ratios.push_back(s / b);
        subjects.push_back(s);
        baselines.push_back(b);
    }
    return {median(ratios), median(subjects), median(baselines)};
}

inline std::string perCall(double seconds) {
    char text[32];
    if (seconds >= 1e-3)
        std::snprintf(text, sizeof text, "%.2f ms", seconds * 1e3);
    else if (seconds >= 1e-6)
        std::snprintf(text, sizeof text, "%.2f us", seconds * 1e6);
    else
        std::snprintf(text, sizeof text, "%.1f ns", seconds * 1e9);
    return text;
}

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
