// Collects the runs of a Google Benchmark program and prints, after the usual output,
// a table of ratios: the CPU time of a library function divided by the time of an
// alternative measured in the same run (below 1.0 the library is faster).
#ifndef BENCH_RATIOS_H
#define BENCH_RATIOS_H

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace bench {

// Keeps each run's CPU time per iteration (steadier than wall time on a shared
// machine), by benchmark name, while printing as usual.
class RecordingReporter : public benchmark::ConsoleReporter {
public:
    RecordingReporter() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                times_[run.benchmark_name()] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    bool has(const std::string &name) const { return times_.count(name) != 0; }
    double time(const std::string &name) const { return times_.at(name); }

private:
    std::map<std::string, double> times_;
};

struct Ratio {
    std::string label;     // the row's text
    std::string subject;   // benchmark name of the library function
    std::string baseline;  // benchmark name of the alternative
};

// Runs the registered benchmarks and prints the ratio rows whose two runs both exist.
inline int runAndPrintRatios(int argc, char **argv, const std::vector<Ratio> &rows) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n%-58s %8s\n", "ratio (library / alternative)", "ratio");
    for (const Ratio &row : rows) {
        if (!reporter.has(row.subject) || !reporter.has(row.baseline)) continue;
        std::printf("%-58s %8.2f\n", row.label.c_str(),
                    reporter.time(row.subject) / reporter.time(row.baseline));
    }
    benchmark::Shutdown();
    return 0;
}

}  // namespace bench

#endif
