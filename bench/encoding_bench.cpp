// Throughput of ConvertDataToText / ConvertTextToData against GLib's base64 (a similar
// 6-bit text encoding) and against memcpy of the same data size (the limit).
//
// Blocks are allocated once and coded again and again: a fresh large allocation costs
// a page fault per 4 KiB on these machines, which would hide the coding work. Every
// coder allocates its output per call (as the library and GLib do); memcpy writes into
// a buffer made once. Throughput is counted in data bytes for both directions.
#include <benchmark/benchmark.h>
#include <glib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "toolbox.h"

namespace {

std::vector<unsigned char> randomBlock(size_t size) {
    std::vector<unsigned char> block(size);
    std::mt19937 random(42);
    for (auto &b : block) b = static_cast<unsigned char>(random());
    return block;
}

void encodeToolbox(benchmark::State &state) {
    auto block = randomBlock(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        char *text = nullptr;
        if (!ConvertDataToText(block.data(), static_cast<int>(block.size()), &text)) state.SkipWithError("no memory");
        benchmark::DoNotOptimize(text);
        std::free(text);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void encodeGlib(benchmark::State &state) {
    auto block = randomBlock(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        gchar *text = g_base64_encode(block.data(), block.size());
        benchmark::DoNotOptimize(text);
        g_free(text);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void decodeToolbox(benchmark::State &state) {
    auto block = randomBlock(static_cast<size_t>(state.range(0)));
    char *text = nullptr;
    ConvertDataToText(block.data(), static_cast<int>(block.size()), &text);
    for (auto _ : state) {
        unsigned char *data = nullptr;
        int size = 0;
        if (!ConvertTextToData(text, &size, &data)) state.SkipWithError("no memory");
        benchmark::DoNotOptimize(data);
        std::free(data);
    }
    std::free(text);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void decodeGlib(benchmark::State &state) {
    auto block = randomBlock(static_cast<size_t>(state.range(0)));
    gchar *text = g_base64_encode(block.data(), block.size());
    for (auto _ : state) {
        gsize size = 0;
        guchar *data = g_base64_decode(text, &size);
        benchmark::DoNotOptimize(data);
        g_free(data);
    }
    g_free(text);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void copyMemcpy(benchmark::State &state) {
    auto block = randomBlock(static_cast<size_t>(state.range(0)));
    std::vector<unsigned char> target(block.size());
    for (auto _ : state) {
        std::memcpy(target.data(), block.data(), block.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

// Keeps the CPU time per iteration of every run (the median when runs are repeated),
// so the ratios can be printed at the end. CPU time, because the machines are shared.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &run : runs)
            if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median")
                seconds_[run.run_name.str()] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    double time(const std::string &name) const {
        auto found = seconds_.find(name);
        return found == seconds_.end() ? 0 : found->second;
    }

private:
    std::map<std::string, double> seconds_;
};

const int kSizes[] = {64 << 10, 4 << 20};

}  // namespace

int main(int argc, char **argv) {
    for (int size : kSizes) {
        benchmark::RegisterBenchmark("encode/toolbox", encodeToolbox)->Arg(size);
        benchmark::RegisterBenchmark("encode/glib_base64", encodeGlib)->Arg(size);
        benchmark::RegisterBenchmark("decode/toolbox", decodeToolbox)->Arg(size);
        benchmark::RegisterBenchmark("decode/glib_base64", decodeGlib)->Arg(size);
        benchmark::RegisterBenchmark("copy/memcpy", copyMemcpy)->Arg(size);
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n%-10s %-8s %18s %18s\n", "block", "coding", "toolbox/glib", "toolbox/memcpy");
    for (int size : kSizes) {
        std::string arg = "/" + std::to_string(size);
        double copy = reporter.time("copy/memcpy" + arg);
        for (const char *direction : {"encode", "decode"}) {
            double ours = reporter.time(std::string(direction) + "/toolbox" + arg);
            double glib = reporter.time(std::string(direction) + "/glib_base64" + arg);
            if (ours <= 0 || glib <= 0 || copy <= 0) continue;
            std::printf("%-10s %-8s %18.2f %18.2f\n",
                        (size >= (1 << 20) ? std::to_string(size >> 20) + " MiB"
                                           : std::to_string(size >> 10) + " KiB")
                            .c_str(),
                        direction, ours / glib, ours / copy);
        }
    }
    std::printf("(time ratios: below 1.0 the library is faster)\n");
    benchmark::Shutdown();
    return 0;
}
