// The engine's threads and event loop against the usual alternatives:
//  - a deferred-call round trip (post a call to another thread that is processing
//    events, wait until it has run) against GLib's g_main_context_invoke to a thread
//    running its own GMainContext, and against a bare std::condition_variable hand-off;
//    all three signal completion to the waiting thread the same way;
//  - ProcessSystemEvents with nothing pending against g_main_context_iteration(ctx,
//    FALSE) on an idle context;
//  - CmtGetThreadLocalVar against a C++ thread_local made from a template, read through
//    a function the optimiser cannot inline (the same shape of access: a call that
//    returns the calling thread's block), and against the inlined thread_local itself;
//  - CmtGetLock/CmtReleaseLock against an uncontended std::mutex.
#include <glib.h>

#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>

#include "ratios.h"
#include "rtengine.h"

namespace {

// --- Completion signal shared by the three round trips -----------------------------------

class Completion {
public:
    void signal() {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            done_ = true;
        }
        changed_.notify_one();
    }
    void wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return done_; });
        done_ = false;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool done_ = false;
};

void signalCompletion(void *completion) { static_cast<Completion *>(completion)->signal(); }

// --- The engine: a thread waiting in GetUserEvent --------------------------------------

class EngineThread {
public:
    EngineThread() : thread_([this] { run(); }) { ready_.wait(); }
    ~EngineThread() {
        PostDeferredCallToThread([](void *) { QueueUserEvent(kStop, 0, 0); }, nullptr, id_);
        thread_.join();
    }
    void roundTrip() {
        PostDeferredCallToThread(signalCompletion, &done_, id_);
        done_.wait();
    }

private:
    static constexpr int kStop = 1;
    void run() {
        id_ = CmtGetCurrentThreadID();
        ready_.signal();
        while (GetUserEvent(1, nullptr, nullptr) != kStop) {
        }
    }
    unsigned id_ = 0;
    Completion ready_, done_;
    std::thread thread_;
};

// --- GLib: a thread running its own main context ---------------------------------------

class GlibThread {
public:
    GlibThread()
        : context_(g_main_context_new()), loop_(g_main_loop_new(context_, FALSE)),
          thread_([this] { run(); }) {
        ready_.wait();
    }
    ~GlibThread() {
        g_main_context_invoke(context_, [](gpointer loop) -> gboolean {
            g_main_loop_quit(static_cast<GMainLoop *>(loop));
            return G_SOURCE_REMOVE;
        }, loop_);
        thread_.join();
        g_main_loop_unref(loop_);
        g_main_context_unref(context_);
    }
    void roundTrip() {
        g_main_context_invoke(context_, [](gpointer done) -> gboolean {
            signalCompletion(done);
            return G_SOURCE_REMOVE;
        }, &done_);
        done_.wait();
    }

private:
    void run() {
        g_main_context_push_thread_default(context_);
        g_main_context_invoke(context_, [](gpointer ready) -> gboolean {
            signalCompletion(ready);
            return G_SOURCE_REMOVE;
        }, &ready_);
        g_main_loop_run(loop_);
        g_main_context_pop_thread_default(context_);
    }
    GMainContext *context_;
    GMainLoop *loop_;
    Completion ready_, done_;
    std::thread thread_;
};

// --- The floor: a bare condition-variable hand-off -------------------------------------

class BareThread {
public:
    BareThread() : thread_([this] { run(); }) {}
    ~BareThread() {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            stop_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    void roundTrip() {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            job_ = &done_;
        }
        wake_.notify_one();
        done_.wait();
    }

private:
    void run() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return job_ || stop_; });
            if (stop_) return;
            Completion *job = job_;
            job_ = nullptr;
            lock.unlock();
            job->signal();
            lock.lock();
        }
    }
    std::mutex mutex_;
    std::condition_variable wake_;
    Completion *job_ = nullptr;
    bool stop_ = false;
    Completion done_;
    std::thread thread_;
};

EngineThread &engineThread() {
    static EngineThread thread;
    return thread;
}
GlibThread &glibThread() {
    static GlibThread thread;
    return thread;
}
BareThread &bareThread() {
    static BareThread thread;
    return thread;
}

// --- Idle event processing ----------------------------------------------------------------

GMainContext *idleContext() {
    static GMainContext *context = [] {
        GMainContext *made = g_main_context_new();
        g_main_context_acquire(made);
        return made;
    }();
    return context;
}

// --- Thread-local blocks --------------------------------------------------------------------

struct Block {
    int seed, reseed;
    double reciprocals[3];
    int states[3];
    char names[128];
};
Block makeTemplate() {
    Block block{};
    block.seed = 0x38589391;
    block.reseed = 1;
    return block;
}
const Block kTemplate = makeTemplate();

// Made before main, so that a get is the engine call alone.
const int engineBlockHandle = [] {
    int made = 0;
    CmtNewThreadLocalVar(sizeof(Block), &kTemplate, nullptr, nullptr, &made);
    return made;
}();

thread_local Block cxxBlock = kTemplate;

__attribute__((noinline)) Block *cxxBlockThroughCall() {
    Block *block = &cxxBlock;
    asm volatile("" : "+r"(block));
    return block;
}

Block *engineBlock() {
    Block *block = nullptr;
    CmtGetThreadLocalVar(engineBlockHandle, &block);
    return block;
}

// --- Locks ----------------------------------------------------------------------------------

int engineLock() {
    static const int handle = [] {
        int made = 0;
        CmtNewLock(nullptr, 0, &made);
        return made;
    }();
    return handle;
}
std::mutex &stdMutex() {
    static std::mutex mutex;
    return mutex;
}

void engineLockPair() {
    CmtGetLock(engineLock());
    CmtReleaseLock(engineLock());
}
void stdMutexPair() {
    stdMutex().lock();
    stdMutex().unlock();
}

// --- Google Benchmark's own times -----------------------------------------------------------

void BM_RoundTrip_Engine(benchmark::State &state) {
    for (auto _ : state) engineThread().roundTrip();
}
void BM_RoundTrip_GLib(benchmark::State &state) {
    for (auto _ : state) glibThread().roundTrip();
}
void BM_RoundTrip_BareConditionVariable(benchmark::State &state) {
    for (auto _ : state) bareThread().roundTrip();
}
void BM_IdleProcessing_Engine(benchmark::State &state) {
    for (auto _ : state) ProcessSystemEvents();
}
void BM_IdleProcessing_GLib(benchmark::State &state) {
    GMainContext *context = idleContext();
    for (auto _ : state) g_main_context_iteration(context, FALSE);
}
void BM_ThreadLocal_Engine(benchmark::State &state) {
    for (auto _ : state) benchmark::DoNotOptimize(engineBlock());
}
void BM_ThreadLocal_CxxThroughCall(benchmark::State &state) {
    for (auto _ : state) benchmark::DoNotOptimize(cxxBlockThroughCall());
}
void BM_ThreadLocal_CxxInline(benchmark::State &state) {
    for (auto _ : state) {
        Block *block = &cxxBlock;
        benchmark::DoNotOptimize(block);
    }
}
void BM_Lock_Engine(benchmark::State &state) {
    for (auto _ : state) engineLockPair();
}
void BM_Lock_StdMutex(benchmark::State &state) {
    for (auto _ : state) stdMutexPair();
}

BENCHMARK(BM_RoundTrip_Engine)->UseRealTime();
BENCHMARK(BM_RoundTrip_GLib)->UseRealTime();
BENCHMARK(BM_RoundTrip_BareConditionVariable)->UseRealTime();
BENCHMARK(BM_IdleProcessing_Engine);
BENCHMARK(BM_IdleProcessing_GLib);
BENCHMARK(BM_ThreadLocal_Engine);
BENCHMARK(BM_ThreadLocal_CxxThroughCall);
BENCHMARK(BM_ThreadLocal_CxxInline);
BENCHMARK(BM_Lock_Engine);
BENCHMARK(BM_Lock_StdMutex);

// --- The ratio table ------------------------------------------------------------------------

// The small operations run in batches, so the call through std::function that times
// each workload does not blur their ratios.
constexpr int kBatch = 256;

template <typename Operation>
std::function<void()> batch(Operation operation) {
    return [operation] {
        for (int k = 0; k < kBatch; ++k) operation();
    };
}

std::vector<bench::Pair> ratioPairs() {
    return {
        {"round trip / GLib g_main_context_invoke (process CPU)",
         [] { engineThread().roundTrip(); }, [] { glibThread().roundTrip(); }, CLOCK_PROCESS_CPUTIME_ID},
        {"round trip / bare condition variable (process CPU)",
         [] { engineThread().roundTrip(); }, [] { bareThread().roundTrip(); }, CLOCK_PROCESS_CPUTIME_ID},
        {"round trip / GLib g_main_context_invoke (wall clock)",
         [] { engineThread().roundTrip(); }, [] { glibThread().roundTrip(); }, CLOCK_MONOTONIC},
        {"round trip / bare condition variable (wall clock)",
         [] { engineThread().roundTrip(); }, [] { bareThread().roundTrip(); }, CLOCK_MONOTONIC},
        {"ProcessSystemEvents idle / g_main_context_iteration(FALSE)",
         batch([] { ProcessSystemEvents(); }), batch([] { g_main_context_iteration(idleContext(), FALSE); })},
        {"CmtGetThreadLocalVar / thread_local through a call",
         batch([] { benchmark::DoNotOptimize(engineBlock()); }),
         batch([] { benchmark::DoNotOptimize(cxxBlockThroughCall()); })},
        {"CmtGetThreadLocalVar / thread_local inlined",
         batch([] { benchmark::DoNotOptimize(engineBlock()); }),
         batch([] {
             Block *block = &cxxBlock;
             benchmark::DoNotOptimize(block);
         })},
        {"CmtGetLock + CmtReleaseLock / std::mutex lock + unlock", batch(engineLockPair), batch(stdMutexPair)},
    };
}

}  // namespace

int main(int argc, char **argv) { return bench::runAndPrintRatios(argc, argv, ratioPairs()); }
