// The delayed-call timer against GLib's main loop: a call due 1 ms after it was posted,
// posting the next one as it runs, for 2 s; the lateness of each call (when it ran minus
// when it was due) on the library's thread timer (PostDelayedCall, the thread waiting in
// GetUserEvent) and on g_timeout_add (the thread in g_main_loop_run), in the same run.
// Reported: the number of calls, the median and the 99th percentile of the lateness.
#include <benchmark/benchmark.h>
#include <glib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "rtengine.h"
#include "toolbox.h"

namespace {

constexpr double kPeriod = 0.001;    // seconds from posting to due
constexpr double kSession = 2.0;     // seconds of one measurement
constexpr int kSessionDone = -4711;  // the user event that ends a library session

struct Session {
    std::vector<double> lateness;  // seconds
    double due = 0, end = 0;       // library: Timer(); GLib: monotonic seconds
    GMainLoop *loop = nullptr;
};

double glibNow() { return double(g_get_monotonic_time()) * 1e-6; }

void libraryCall(void *data) {
    Session *s = static_cast<Session *>(data);
    double now = Timer();
    s->lateness.push_back(now - s->due);
    if (now >= s->end) {
        QueueUserEvent(kSessionDone, 0, 0);
        return;
    }
    s->due = Timer() + kPeriod;
    PostDelayedCall(libraryCall, s, kPeriod);
}

gboolean glibCall(gpointer data) {
    Session *s = static_cast<Session *>(data);
    double now = glibNow();
    s->lateness.push_back(now - s->due);
    if (now >= s->end) {
        g_main_loop_quit(s->loop);
        return FALSE;
    }
    s->due = glibNow() + kPeriod;
    g_timeout_add(1, glibCall, s);
    return FALSE;
}

std::vector<double> measureLibrary() {
    Session s;
    s.end = Timer() + kSession;
    s.due = Timer() + kPeriod;
    PostDelayedCall(libraryCall, &s, kPeriod);
    while (GetUserEvent(1, nullptr, nullptr) != kSessionDone) {
    }
    return s.lateness;
}

std::vector<double> measureGlib() {
    Session s;
    s.loop = g_main_loop_new(nullptr, FALSE);
    s.end = glibNow() + kSession;
    s.due = glibNow() + kPeriod;
    g_timeout_add(1, glibCall, &s);
    g_main_loop_run(s.loop);
    g_main_loop_unref(s.loop);
    return s.lateness;
}

struct Summary {
    size_t calls = 0;
    double median = 0, p99 = 0;  // microseconds
};

Summary summarise(std::vector<double> lateness) {
    Summary out;
    out.calls = lateness.size();
    if (lateness.empty()) return out;
    std::sort(lateness.begin(), lateness.end());
    out.median = lateness[lateness.size() / 2] * 1e6;
    size_t rank = size_t(std::ceil(0.99 * double(lateness.size())));
    out.p99 = lateness[std::max<size_t>(rank, 1) - 1] * 1e6;
    return out;
}

Summary librarySummary, glibSummary;

void report(benchmark::State &state, const Summary &s) {
    state.counters["calls"] = double(s.calls);
    state.counters["median_us"] = s.median;
    state.counters["p99_us"] = s.p99;
}

void timerLateness(benchmark::State &state) {
    for (auto _ : state) librarySummary = summarise(measureLibrary());
    report(state, librarySummary);
}

void glibLateness(benchmark::State &state) {
    for (auto _ : state) glibSummary = summarise(measureGlib());
    report(state, glibSummary);
}

BENCHMARK(timerLateness)
    ->Name("PostDelayedCall, due 1 ms after posting, 2 s")
    ->Iterations(1)
    ->UseRealTime();
BENCHMARK(glibLateness)->Name("g_timeout_add(1), 2 s")->Iterations(1)->UseRealTime();

}  // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    std::printf("\n%-28s %7s %12s %12s\n", "lateness", "calls", "median (us)", "p99 (us)");
    std::printf("%-28s %7zu %12.1f %12.1f\n", "PostDelayedCall", librarySummary.calls,
                librarySummary.median, librarySummary.p99);
    std::printf("%-28s %7zu %12.1f %12.1f\n", "g_timeout_add", glibSummary.calls,
                glibSummary.median, glibSummary.p99);
    if (glibSummary.median > 0 && glibSummary.p99 > 0)
        std::printf("%-28s %7s %12.2f %12.2f\n", "ratio (library / GLib)", "",
                    librarySummary.median / glibSummary.median,
                    librarySummary.p99 / glibSummary.p99);
    benchmark::Shutdown();
    return 0;
}
