// The measuring half of ratios.h, without Google Benchmark, so that a harness built
// where Google Benchmark is not (the Windows build, run under Wine) measures its pairs
// the same way: interleaved rounds, the order swapped every round, the median of the
// rounds' ratios. See ratios.h for why.
#ifndef BENCH_RATIO_ROUNDS_H
#define BENCH_RATIO_ROUNDS_H

#include <time.h>

#include <algorithm>
#include <cstdio>
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

// Interleaved rounds of at least roundSeconds of the subject each (the same number of
// calls for both sides, a multiple of the rotation's length). A clock that ticks
// coarsely needs longer rounds.
inline Measured measurePair(const Pair &pair, int rounds, double roundSeconds = 0.02) {
    long calls = std::max(1L, pair.rotation);
    while (calls < (1L << 24) &&
           secondsPerCall(pair.subject, calls, pair.clock) * double(calls) < roundSeconds)
        calls *= 2;
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

}  // namespace bench

#endif
