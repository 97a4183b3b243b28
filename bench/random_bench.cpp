// Random draws: the library's per-thread generator (Random, which finds the calling
// thread's state on every call) against GLib's g_rand_double on a GRand the caller
// keeps, one draw per call each.
#include <benchmark/benchmark.h>
#include <glib.h>

#include <vector>

#include "ratios.h"
#include "toolbox.h"

namespace {

constexpr int kDrawsPerCall = 1000;

void drawToolbox() {
    double sum = 0.0;
    for (int k = 0; k < kDrawsPerCall; ++k) sum += Random(0.0, 1.0);
    benchmark::DoNotOptimize(sum);
}

GRand *glibGenerator() {
    static GRand *generator = g_rand_new_with_seed(945329041);
    return generator;
}

void drawGlib() {
    GRand *generator = glibGenerator();
    double sum = 0.0;
    for (int k = 0; k < kDrawsPerCall; ++k) sum += g_rand_double(generator);
    benchmark::DoNotOptimize(sum);
}

void randomToolbox(benchmark::State &state) {
    for (auto _ : state) drawToolbox();
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kDrawsPerCall);
}

void randomGlib(benchmark::State &state) {
    for (auto _ : state) drawGlib();
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kDrawsPerCall);
}

BENCHMARK(randomToolbox);
BENCHMARK(randomGlib);

}  // namespace

int main(int argc, char **argv) {
    std::vector<bench::Pair> pairs = {{"Random / g_rand_double", drawToolbox, drawGlib}};
    return bench::runAndPrintRatios(argc, argv, pairs);
}
