// Deferred calls waited for: refusals, calls to the calling thread, calls run on another
// thread, time-outs whose call runs later, calls dropped with their thread, and many
// waiters at once (run under LeakSanitizer, every record must be freed; under
// ThreadSanitizer, the hand-over of a record must be race-free).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "thread_support.h"
#include "toolbox.h"
#include "toolbox_internal.h"

using testing_support::EventThread;
using testing_support::Gate;

namespace {

// What a test call saw: whether and on which thread it ran.
struct CallTrace {
    std::atomic<int> runs{0};
    std::atomic<unsigned int> thread{0};
    Gate done;
};

// Keeps the thread busy until the gate opens.
void keepBusy(EventThread &thread, Gate &gate) {
    PostDeferredCallToThread([](void *g) { static_cast<Gate *>(g)->wait(); }, &gate, thread.id());
}

void traceCall(void *data) {
    CallTrace *trace = static_cast<CallTrace *>(data);
    trace->thread = CmtGetCurrentThreadID();
    ++trace->runs;
    trace->done.open();
}

// Nothing is posted, and the function never runs, when the call is refused.
TEST(DeferredCall, RefusesNullFunctionShortMemoryAndThreadsWithoutQueue) {
    CallTrace trace;
    unsigned int self = CmtGetCurrentThreadID();
    EXPECT_EQ(PostDeferredCallToThreadAndWait(nullptr, &trace, self, -1), -65);
    for (int pass : {0, 1}) {  // the call's record, then what its waiter sleeps on
        tb::failAllocations(pass, 1);
        EXPECT_EQ(PostDeferredCallToThreadAndWait(traceCall, &trace, self, -1), -12) << pass;
    }
    tb::failAllocations(0, 0);
    EXPECT_EQ(PostDeferredCallToThreadAndWait(traceCall, &trace, 0, 100), RTE_UIE_NO_SUCH_THREAD);
    EXPECT_EQ(trace.runs, 0);
}

// A call to the calling thread runs before the wait returns, whatever the time-out.
TEST(DeferredCall, CallToTheCallingThreadRunsBeforeReturning) {
    for (int timeout : {-1, 0, 2000}) {
        CallTrace trace;
        EXPECT_EQ(PostDeferredCallToThreadAndWait(traceCall, &trace, CmtGetCurrentThreadID(), timeout), 0);
        EXPECT_EQ(trace.runs, 1) << timeout;
    }
}

// The call runs on the target thread and has finished when the wait returns.
TEST(DeferredCallThreads, RunsOnTheTargetThreadBeforeTheWaitReturns) {
    EventThread target;
    for (int timeout : {-1, 10000}) {
        CallTrace trace;
        EXPECT_EQ(PostDeferredCallToThreadAndWait(traceCall, &trace, target.id(), timeout), 0);
        EXPECT_EQ(trace.runs, 1);
        EXPECT_EQ(trace.thread, target.id());
    }
}

// A time-out of 0 to a busy thread returns at once; the call runs later, frees its
// record (the leak check watches) and does not touch the waiter's stack.
TEST(DeferredCallThreads, TimeOutToABusyThreadReturnsAndTheCallRunsLater) {
    EventThread target;
    Gate busy;
    keepBusy(target, busy);
    CallTrace trace;
    EXPECT_EQ(PostDeferredCallToThreadAndWait(traceCall, &trace, target.id(), 0), 0);
    EXPECT_EQ(trace.runs, 0);
    busy.open();
    trace.done.wait();
    target.stop();
    EXPECT_EQ(trace.runs, 1);
    EXPECT_EQ(trace.thread, target.id());
}

// A call whose thread ends before running it: it never runs, its record and its data
// are freed on the ending thread (the leak check watches), and a waiter still waiting
// gets -132.
struct DropTrace {
    CallTrace ran, dropped;
};
void runTraced(void *data) { traceCall(&static_cast<DropTrace *>(data)->ran); }
void dropTraced(void *data) { traceCall(&static_cast<DropTrace *>(data)->dropped); }

TEST(DeferredCallThreads, CallDroppedWithItsThreadIsFreedThere) {
    Gate leave;
    std::atomic<unsigned int> ending{0};
    std::thread target([&] {
        ending = CmtGetCurrentThreadID();
        leave.wait();
    });
    while (ending == 0) std::this_thread::yield();

    DropTrace abandoned, awaited;
    bool handedOver = false;
    EXPECT_EQ(tb::postDeferredCall(runTraced, &abandoned, ending, 0, dropTraced, &handedOver), 0);
    EXPECT_TRUE(handedOver);
    int waited = 0;
    std::thread waiter([&] { waited = PostDeferredCallToThreadAndWait(runTraced, &awaited, ending, -1); });
    // Whether the waiter has posted by now or posts after the thread ended, it must get
    // -132; the sleep only makes the first case the usual one.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    leave.open();
    target.join();
    waiter.join();
    EXPECT_EQ(waited, RTE_UIE_NO_SUCH_THREAD);
    EXPECT_EQ(abandoned.ran.runs + awaited.ran.runs, 0);
    EXPECT_EQ(abandoned.dropped.runs, 1);
    EXPECT_EQ(abandoned.dropped.thread, ending.load());
}

// Many waiters with time-outs that run out before, while and after the call runs: every
// call runs exactly once and every record is freed exactly once.
TEST(DeferredCallThreads, ManyWaitersWithMixedTimeOuts) {
    constexpr int kPosters = 4, kCalls = 300;
    EventThread target;
    std::atomic<int> runs{0};
    std::vector<std::thread> posters;
    std::atomic<int> failures{0};
    for (int p = 0; p < kPosters; ++p)
        posters.emplace_back([&, p] {
            for (int k = 0; k < kCalls; ++k) {
                int timeout = (p + k) % 3 == 0 ? 0 : (p + k) % 3 == 1 ? 1 : -1;
                if (PostDeferredCallToThreadAndWait([](void *count) { ++*static_cast<std::atomic<int> *>(count); },
                                                    &runs, target.id(), timeout) != 0)
                    ++failures;
            }
        });
    for (std::thread &poster : posters) poster.join();
    // Calls run in order, so once this one has run every earlier one has.
    EXPECT_EQ(PostDeferredCallToThreadAndWait([](void *) {}, nullptr, target.id(), -1), 0);
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(runs, kPosters * kCalls);
}

}  // namespace
