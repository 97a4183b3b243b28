// The engine's per-thread event queues: deferred calls across threads, bounded and
// re-entrant event processing, user events and waiting for them (every case also runs
// under ThreadSanitizer, and under LeakSanitizer in the sanitizer build).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "rtengine.h"
#include "test_support.h"
#include "thread_support.h"

namespace {

using testing_support::EventThread;
using testing_support::Gate;

// Appends its tag to the log it is given; the log belongs to the thread the calls run on.
struct Logged {
    std::string *log;
    char tag;
};
void appendTag(void *data) {
    auto *entry = static_cast<Logged *>(data);
    *entry->log += entry->tag;
}

// --- Deferred calls ---

TEST(DeferredCalls, ArgumentsAndUnknownThreads) {
    testing_support::LibraryErrorCounter errors;
    unsigned me = CmtGetCurrentThreadID();
    EXPECT_EQ(PostDeferredCallToThread(nullptr, nullptr, me), RTE_UIE_NULL_ARGUMENT);
    EXPECT_EQ(PostDeferredCallToThreadEx(nullptr, nullptr, me, appendTag), RTE_UIE_NULL_ARGUMENT);
    EXPECT_EQ(PostDeferredCallToThread(appendTag, nullptr, 0), RTE_UIE_NO_SUCH_THREAD);
    EXPECT_EQ(PostDeferredCallToThread(appendTag, nullptr, 0xfffffff0u), RTE_UIE_NO_SUCH_THREAD);
    EXPECT_EQ(errors.reports(), 4);
    // A live thread that never registered has no queue.
    Gate done;
    unsigned unregistered = 0;
    Gate known;
    std::thread silent([&] {
        unregistered = testing_support::systemThreadIdWithoutEngine();
        known.open();
        done.wait();
    });
    known.wait();
    EXPECT_EQ(PostDeferredCallToThread(appendTag, nullptr, unregistered), RTE_UIE_NO_SUCH_THREAD);
    done.open();
    silent.join();
    // A thread that registered and ended has none either.
    unsigned ended = 0;
    std::thread([&] { ended = CurrThreadId(); }).join();
    EXPECT_EQ(PostDeferredCallToThread(appendTag, nullptr, ended), RTE_UIE_NO_SUCH_THREAD);
}

// A post never runs the call inside the post, not even to the calling thread from a
// running call; it runs from the next processing, in order.
TEST(DeferredCalls, NeverInlineAndFifoOnTheCallingThread) {
    std::string log;
    Logged a{&log, 'a'}, b{&log, 'b'}, c{&log, 'c'};
    static Logged *later;
    later = &c;
    auto postsC = [](void *data) {
        appendTag(data);
        EXPECT_EQ(PostDeferredCallToThread(appendTag, later, CurrThreadId()), 0);
        EXPECT_EQ(*later->log, "ab") << "the call ran inside the post";
    };
    ASSERT_EQ(PostDeferredCallToThread(appendTag, &a, CurrThreadId()), 0);
    ASSERT_EQ(PostDeferredCallToThread(postsC, &b, CurrThreadId()), 0);
    EXPECT_EQ(log, "");
    EXPECT_EQ(ProcessSystemEvents(), 0);
    EXPECT_EQ(log, "ab") << "a call posted during the pass ran in the same pass";
    EXPECT_EQ(ProcessSystemEvents(), 0);
    EXPECT_EQ(log, "abc");
}

// Calls from many threads to one thread all run there, each poster's in its order.
TEST(DeferredCalls, FifoFromManyThreads) {
    constexpr int kPosters = 4, kCalls = 500;
    struct Call {
        std::vector<int> *seen;
        int poster, sequence;
        std::thread::id *target;
    };
    std::vector<int> lastSeen(kPosters, -1);
    std::atomic<int> outOfOrder{0}, wrongThread{0};
    static std::atomic<int> *disorder, *misplaced;
    disorder = &outOfOrder;
    misplaced = &wrongThread;
    std::thread::id targetId;
    std::vector<Call> calls(kPosters * kCalls);
    {
        EventThread target;
        PostDeferredCallToThread([](void *id) { *static_cast<std::thread::id *>(id) = std::this_thread::get_id(); },
                                 &targetId, target.id());
        std::vector<std::thread> posters;
        for (int p = 0; p < kPosters; ++p)
            posters.emplace_back([&, p] {
                for (int s = 0; s < kCalls; ++s) {
                    Call &call = calls[p * kCalls + s];
                    call = {&lastSeen, p, s, &targetId};
                    ASSERT_EQ(PostDeferredCallToThread(
                                  [](void *data) {
                                      auto *c = static_cast<Call *>(data);
                                      if (std::this_thread::get_id() != *c->target) ++*misplaced;
                                      int &last = (*c->seen)[c->poster];
                                      if (c->sequence != last + 1) ++*disorder;
                                      last = c->sequence;
                                  },
                                  &call, target.id()),
                              0);
                }
            });
        for (std::thread &poster : posters) poster.join();
    }
    EXPECT_EQ(outOfOrder.load(), 0);
    EXPECT_EQ(wrongThread.load(), 0);
    for (int p = 0; p < kPosters; ++p) EXPECT_EQ(lastSeen[p], kCalls - 1) << "poster " << p;
}

// Calls still queued when their thread ends never run; each one's drop function runs
// on the ending thread and frees what the call owned (LeakSanitizer checks that).
TEST(DeferredCalls, CallsQueuedOnAnEndingThreadAreDropped) {
    struct Owned {
        std::atomic<int> *ran, *dropped;
        std::thread::id *expectedThread;
        std::atomic<int> *droppedElsewhere;
    };
    std::atomic<int> ran{0}, dropped{0}, elsewhere{0};
    std::thread::id workerId;
    Gate posted, registered;
    unsigned id = 0;
    std::thread worker([&] {
        id = CmtGetCurrentThreadID();
        workerId = std::this_thread::get_id();
        registered.open();
        posted.wait();  // ends without processing events
    });
    registered.wait();
    for (int i = 0; i < 3; ++i) {
        auto *owned = static_cast<Owned *>(std::malloc(sizeof(Owned)));
        *owned = {&ran, &dropped, &workerId, &elsewhere};
        ASSERT_EQ(PostDeferredCallToThreadEx(
                      [](void *data) {
                          ++*static_cast<Owned *>(data)->ran;
                          std::free(data);
                      },
                      owned, id,
                      [](void *data) {
                          auto *o = static_cast<Owned *>(data);
                          if (std::this_thread::get_id() != *o->expectedThread) ++*o->droppedElsewhere;
                          ++*o->dropped;
                          std::free(data);
                      }),
                  0);
    }
    ASSERT_EQ(PostDeferredCallToThread([](void *) { std::abort(); }, nullptr, id), 0)
        << "a call without a drop function is simply not run";
    posted.open();
    worker.join();
    EXPECT_EQ(ran.load(), 0);
    EXPECT_EQ(dropped.load(), 3);
    EXPECT_EQ(elsewhere.load(), 0);
    EXPECT_EQ(PostDeferredCallToThreadEx(appendTag, nullptr, id, appendTag), RTE_UIE_NO_SUCH_THREAD);
}

// --- Event processing ---

// A call that posts itself again runs once per pass: processing always returns.
TEST(EventLoop, SelfRepostingCallRunsOncePerPass) {
    static int runs;
    runs = 0;
    static DeferredCallFn again;
    again = [](void *) {
        ++runs;
        PostDeferredCallToThread(again, nullptr, CurrThreadId());
    };
    ASSERT_EQ(PostDeferredCallToThread(again, nullptr, CurrThreadId()), 0);
    for (int pass = 1; pass <= 3; ++pass) {
        EXPECT_EQ(ProcessSystemEvents(), 0);
        EXPECT_EQ(runs, pass);
    }
    int event = GetUserEvent(0, nullptr, nullptr);
    EXPECT_EQ(event, 0);
    EXPECT_EQ(runs, 4) << "GetUserEvent without waiting processes once";
    // Let the chain end: the thread's queue outlives the test case.
    again = [](void *) {};
    ProcessSystemEvents();
    ProcessSystemEvents();
}

// A call may process events itself: the nested pass continues with the queued calls in
// order, and the outer pass does not run them again.
TEST(EventLoop, ReentrantProcessing) {
    static std::string log;
    log.clear();
    static Logged b{&log, 'b'}, c{&log, 'c'};
    auto nests = [](void *) {
        log += '(';
        ProcessSystemEvents();
        log += ')';
    };
    PostDeferredCallToThread(nests, nullptr, CurrThreadId());
    PostDeferredCallToThread(appendTag, &b, CurrThreadId());
    PostDeferredCallToThread(appendTag, &c, CurrThreadId());
    EXPECT_EQ(ProcessSystemEvents(), 0);
    EXPECT_EQ(log, "(bc)");
    EXPECT_EQ(ProcessSystemEvents(), 0);
    EXPECT_EQ(log, "(bc)");
}

// --- User events ---

// User events come back in order with their panel and control; negative numbers are
// events (a dialog ends its loop with one); 0 is refused; nothing pending gives 0.
TEST(EventLoop, UserEventsInOrderNegativeAllowed) {
    testing_support::LibraryErrorCounter errors;
    EXPECT_EQ(QueueUserEvent(0, 1, 2), RTE_UIE_INVALID_EVENT);
    EXPECT_EQ(errors.reports(), 1);
    ASSERT_EQ(QueueUserEvent(1, 5, 6), 0);
    ASSERT_EQ(QueueUserEvent(-12, 0, 0), 0);
    ASSERT_EQ(QueueUserEvent(1000, -1, 7), 0);
    int panel = 99, control = 99;
    EXPECT_EQ(GetUserEvent(0, &panel, &control), 1);
    EXPECT_EQ(panel, 5);
    EXPECT_EQ(control, 6);
    EXPECT_EQ(GetUserEvent(1, &panel, &control), -12);
    EXPECT_EQ(panel, 0);
    EXPECT_EQ(control, 0);
    EXPECT_EQ(GetUserEvent(0, nullptr, nullptr), 1000);
    panel = control = 99;
    EXPECT_EQ(GetUserEvent(0, &panel, &control), 0);
    EXPECT_EQ(panel, 0);
    EXPECT_EQ(control, 0);
    // Each thread has its own user events.
    ASSERT_EQ(QueueUserEvent(3, 0, 0), 0);
    std::thread([] { EXPECT_EQ(GetUserEvent(0, nullptr, nullptr), 0); }).join();
    EXPECT_EQ(GetUserEvent(0, nullptr, nullptr), 3);
}

// A user event queued by a call from the pass that GetUserEvent runs is returned at once.
TEST(EventLoop, UserEventFromAProcessedCall) {
    PostDeferredCallToThread([](void *) { QueueUserEvent(-5, 2, 3); }, nullptr, CurrThreadId());
    int panel = 0, control = 0;
    EXPECT_EQ(GetUserEvent(0, &panel, &control), -5);
    EXPECT_EQ(panel, 2);
    EXPECT_EQ(control, 3);
}

// A thread waiting for a user event sleeps: over a ~200 ms wait it uses little
// processor time, and a call posted from another thread wakes it; the call runs there
// and its user event ends the wait.
TEST(EventLoop, WaitingSleepsAndWakesOnAPost) {
    std::atomic<unsigned> waiterId{0};
    double cpuSeconds = -1, waitedSeconds = -1;
    int event = 0;
    std::thread waiter([&] {
        waiterId = CmtGetCurrentThreadID();
        double cpuBefore = testing_support::threadCpuSeconds();
        double start = Timer();
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
    EXPECT_LT(cpuSeconds, 0.05) << "the waiting thread kept the processor busy";
}

}  // namespace
