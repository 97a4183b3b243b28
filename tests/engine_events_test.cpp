// The engine's per-thread event queues: deferred calls across threads, bounded and
// re-entrant event processing, user events and waiting for them (every case also runs
// under ThreadSanitizer, and under LeakSanitizer in the sanitizer build).
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "rtengine.h"
#include "test_support.h"
#include "thread_support.h"

namespace {

using testing_support::Gate;

// The calls below log into the thread they run on.
thread_local std::string callLog;
void logA(void *) { callLog += 'a'; }
void logB(void *) { callLog += 'b'; }
void logC(void *) { callLog += 'c'; }
void post(DeferredCallFn call) { ASSERT_EQ(PostDeferredCallToThread(call, nullptr, CurrThreadId()), 0); }

// A null function and threads without a queue (no such id, a live thread that never
// registered, a thread that ended) are refused and reported.
TEST(DeferredCalls, ArgumentsAndThreadsWithoutQueue) {
    testing_support::LibraryErrorCounter errors;
    EXPECT_EQ(PostDeferredCallToThread(nullptr, nullptr, CurrThreadId()), RTE_UIE_NULL_ARGUMENT);
    EXPECT_EQ(PostDeferredCallToThreadEx(nullptr, nullptr, CurrThreadId(), logA), RTE_UIE_NULL_ARGUMENT);
    Gate known, done;
    unsigned silent = 0, ended = 0;
    std::thread unregistered([&] {
        silent = testing_support::systemThreadIdWithoutEngine();
        known.open();
        done.wait();
    });
    std::thread([&] { ended = CurrThreadId(); }).join();
    known.wait();
    for (unsigned id : {0u, 0xfffffff0u, silent, ended})
        EXPECT_EQ(PostDeferredCallToThread(logA, nullptr, id), RTE_UIE_NO_SUCH_THREAD) << id;
    done.open();
    unregistered.join();
    EXPECT_EQ(errors.reports(), 6);
}

// A post never runs the call inside the post, not even to the calling thread from a
// running call; calls run from the next processing, in order, and a call posted during
// a pass waits for the next pass (so one that posts itself again cannot hold a pass).
TEST(DeferredCalls, NeverInlineFifoAndBoundedPasses) {
    callLog.clear();
    post(logA);
    post([](void *) {
        callLog += 'b';
        post(logC);
        EXPECT_EQ(callLog, "ab") << "the call ran inside the post";
    });
    EXPECT_EQ(callLog, "");
    EXPECT_EQ(ProcessSystemEvents(), 0);
    EXPECT_EQ(callLog, "ab");
    EXPECT_EQ(ProcessSystemEvents(), 0);
    EXPECT_EQ(callLog, "abc");
    static int runs;
    static DeferredCallFn again;
    runs = 0;
    again = [](void *) {
        if (++runs < 10) post(again);
    };
    post(again);
    for (int pass = 1; pass <= 3; ++pass) {
        EXPECT_EQ(ProcessSystemEvents(), 0);
        EXPECT_EQ(runs, pass);
    }
    EXPECT_EQ(GetUserEvent(0, nullptr, nullptr), 0);
    EXPECT_EQ(runs, 4) << "GetUserEvent without waiting processes once";
    while (runs < 10) ProcessSystemEvents();
}

// A call may process events itself: the nested pass continues with the queued calls in
// order, and the outer pass does not run them again.
TEST(DeferredCalls, ReentrantProcessing) {
    callLog.clear();
    post([](void *) {
        callLog += '(';
        ProcessSystemEvents();
        callLog += ')';
    });
    post(logB);
    post(logC);
    ProcessSystemEvents();
    ProcessSystemEvents();
    EXPECT_EQ(callLog, "(bc)");
}

// Calls from many threads to one thread all run there, each poster's in its order.
TEST(DeferredCalls, FifoFromManyThreads) {
    constexpr int kPosters = 4, kCalls = 500;
    struct Call {
        int poster, sequence;
    };
    static std::vector<int> lastSeen;
    static std::atomic<int> disorder;
    static std::thread::id target;
    lastSeen.assign(kPosters, -1);
    disorder = 0;
    std::vector<Call> calls(kPosters * kCalls);
    testing_support::EventThread worker;
    PostDeferredCallToThread([](void *) { target = std::this_thread::get_id(); }, nullptr, worker.id());
    std::vector<std::thread> posters;
    for (int p = 0; p < kPosters; ++p)
        posters.emplace_back([&, p] {
            for (int s = 0; s < kCalls; ++s) {
                calls[p * kCalls + s] = {p, s};
                auto run = [](void *data) {
                    auto *call = static_cast<Call *>(data);
                    if (std::this_thread::get_id() != target || call->sequence != lastSeen[call->poster] + 1)
                        ++disorder;
                    lastSeen[call->poster] = call->sequence;
                };
                ASSERT_EQ(PostDeferredCallToThread(run, &calls[p * kCalls + s], worker.id()), 0);
            }
        });
    for (std::thread &poster : posters) poster.join();
    worker.stop();
    EXPECT_EQ(disorder.load(), 0);
    EXPECT_EQ(lastSeen, std::vector<int>(kPosters, kCalls - 1));
}

// Calls still queued when their thread ends never run; each one's drop function runs on
// the ending thread and frees what the call owned (LeakSanitizer checks that).
TEST(DeferredCalls, CallsQueuedOnAnEndingThreadAreDropped) {
    static std::atomic<int> dropped, droppedElsewhere;
    static std::thread::id ending;
    dropped = droppedElsewhere = 0;
    Gate registered, posted;
    unsigned id = 0;
    std::thread owner([&] {
        id = CmtGetCurrentThreadID();
        ending = std::this_thread::get_id();
        registered.open();
        posted.wait();  // ends without processing events
    });
    registered.wait();
    for (int i = 0; i < 3; ++i) {
        auto drop = [](void *owned) {
            if (std::this_thread::get_id() != ending) ++droppedElsewhere;
            ++dropped;
            std::free(owned);
        };
        ASSERT_EQ(PostDeferredCallToThreadEx([](void *) { std::abort(); }, std::malloc(16), id, drop), 0);
    }
    ASSERT_EQ(PostDeferredCallToThread([](void *) { std::abort(); }, nullptr, id), 0);
    posted.open();
    owner.join();
    EXPECT_EQ(dropped.load(), 3);
    EXPECT_EQ(droppedElsewhere.load(), 0);
}

// --- User events ---

// User events come back in order with their panel and control, one thread's only to
// that thread; negative numbers are events; 0 is refused; nothing pending gives 0.
TEST(EventLoop, UserEventsInOrderNegativeAllowed) {
    testing_support::LibraryErrorCounter errors;
    EXPECT_EQ(QueueUserEvent(0, 1, 2), RTE_UIE_INVALID_EVENT);
    EXPECT_EQ(errors.reports(), 1);
    ASSERT_EQ(QueueUserEvent(1, 5, 6), 0);
    ASSERT_EQ(QueueUserEvent(-12, 0, 0), 0);
    post([](void *) { QueueUserEvent(1000, -1, 7); });
    std::thread([] { EXPECT_EQ(GetUserEvent(0, nullptr, nullptr), 0); }).join();
    int panel = 99, control = 99;
    EXPECT_EQ(GetUserEvent(0, &panel, &control), 1);
    EXPECT_EQ(panel * 10 + control, 56);
    EXPECT_EQ(GetUserEvent(1, &panel, &control), -12);
    EXPECT_EQ(panel * 10 + control, 0);
    EXPECT_EQ(GetUserEvent(0, &panel, &control), 1000) << "the user event of the pass is returned";
    EXPECT_EQ(panel * 10 + control, -3);
    EXPECT_EQ(GetUserEvent(0, &panel, &control), 0);
    EXPECT_EQ(panel * 10 + control, 0);
}

// A thread waiting for a user event sleeps (little processor time over a ~200 ms wait)
// and wakes for a call posted from another thread, which runs there and ends the wait.
TEST(EventLoop, WaitingSleepsAndWakesOnAPost) {
    std::atomic<unsigned> waiterId{0};
    double cpuSeconds = -1, waitedSeconds = -1;
    int event = 0;
    std::thread waiter([&] {
        waiterId = CmtGetCurrentThreadID();
        double cpuBefore = testing_support::threadCpuSeconds(), start = Timer();
        event = GetUserEvent(1, nullptr, nullptr);
        waitedSeconds = Timer() - start;
        cpuSeconds = testing_support::threadCpuSeconds() - cpuBefore;
    });
    while (!waiterId.load()) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_EQ(PostDeferredCallToThread([](void *) { QueueUserEvent(42, 0, 0); }, nullptr, waiterId.load()), 0);
    waiter.join();
    EXPECT_EQ(event, 42);
    EXPECT_GE(waitedSeconds, 0.15);
    EXPECT_LT(cpuSeconds, testing_support::kIdleWaitCpuLimit) << "the waiting thread kept the processor busy";
}

}  // namespace
