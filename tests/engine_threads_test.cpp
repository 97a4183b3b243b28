// The engine's clock, thread ids, locks, thread-safe and thread-local variables, used
// from many threads (every case also runs under ThreadSanitizer).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "rtengine.h"
#include "test_support.h"
#include "thread_support.h"

namespace {

using testing_support::Gate;
using testing_support::systemThreadIdWithoutEngine;

constexpr int kThreads = 4;

// Runs work(t) on kThreads threads that are all alive at once while they run it (so no
// thread id is reused among them).
void onThreads(const std::function<void(int)> &work) {
    std::atomic<int> arrived{0};
    Gate together;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            work(t);
            if (++arrived == kThreads) together.open();
            together.wait();
        });
    for (std::thread &thread : threads) thread.join();
}

// Timer starts near 0, never goes back and resolves well below a millisecond; the id
// functions agree with the system's id and differ between live threads.
TEST(ThreadsClock, TimerAndThreadIds) {
    double first = Timer(), previous = first, smallestStep = 1.0;
    EXPECT_GE(first, 0.0);
    EXPECT_LT(first, 600.0);
    for (int i = 0; i < 100000 && smallestStep > 1e-4; ++i) {
        double now = Timer();
        ASSERT_GE(now, previous);
        if (now > previous) smallestStep = std::min(smallestStep, now - previous);
        previous = now;
    }
    EXPECT_LT(smallestStep, 1e-4);
    std::mutex guard;
    std::set<unsigned> ids{CmtGetCurrentThreadID()};
    onThreads([&](int) {
        unsigned id = CurrThreadId();
        EXPECT_EQ(id, CmtGetCurrentThreadID());
        EXPECT_EQ(id, systemThreadIdWithoutEngine());
        std::lock_guard<std::mutex> lock(guard);
        ids.insert(id);
    });
    EXPECT_EQ(ids.size(), static_cast<size_t>(kThreads + 1));
    EXPECT_EQ(ids.count(0u), 0u);
}

// --- Locks ---

// Bad arguments and dead handles (never made, discarded, discarded and the entry
// reused) are refused and reported; the owner's gets are counted; only the owner
// releases.
TEST(Locks, ArgumentsHandlesRecursionAndOwnership) {
    testing_support::LibraryErrorCounter errors;
    int lock = -7;
    EXPECT_EQ(CmtNewLock(nullptr, 0, nullptr), RTE_UIE_NULL_ARGUMENT);
    EXPECT_EQ(CmtNewLock("named", 0, &lock), RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    EXPECT_EQ(CmtNewLock(nullptr, 1, &lock), RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    EXPECT_EQ(lock, -7);
    EXPECT_EQ(errors.reports(), 3);
    int dead = 0;
    ASSERT_EQ(CmtNewLock("", 0, &dead), 0);
    ASSERT_EQ(CmtDiscardLock(dead), 0);
    ASSERT_EQ(CmtNewLock(nullptr, 0, &lock), 0);
    EXPECT_GT(lock, 0);
    EXPECT_NE(lock, dead) << "a reused entry must not revive the old handle";
    for (int unknown : {0, -1, 12345, dead}) {
        SCOPED_TRACE(unknown);
        EXPECT_EQ(CmtGetLock(unknown), RTE_UIE_INVALID_THREAD_OBJECT);
        EXPECT_EQ(CmtReleaseLock(unknown), RTE_UIE_INVALID_THREAD_OBJECT);
        EXPECT_EQ(CmtDiscardLock(unknown), RTE_UIE_INVALID_THREAD_OBJECT);
    }
    for (int i = 0; i < 3; ++i) ASSERT_EQ(CmtGetLock(lock), 0);
    std::thread([lock] { EXPECT_EQ(CmtReleaseLock(lock), RTE_UIE_NOT_LOCK_OWNER); }).join();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(CmtReleaseLock(lock), 0) << "release " << i;
    EXPECT_EQ(CmtReleaseLock(lock), RTE_UIE_NOT_LOCK_OWNER);
    std::thread([lock] {
        EXPECT_EQ(CmtGetLock(lock), 0) << "the lock stayed owned after the last release";
        EXPECT_EQ(CmtReleaseLock(lock), 0);
    }).join();
    EXPECT_EQ(CmtDiscardLock(lock), 0);
}

// Increments of a plain counter under the lock (taken twice each time) are never lost,
// and are race-free under ThreadSanitizer. The owner may then discard the lock while it
// holds it twice; a thread waiting for it is let go with -130.
TEST(Locks, MutualExclusionAndDiscardWithWaiters) {
    int lock = 0;
    ASSERT_EQ(CmtNewLock(nullptr, 0, &lock), 0);
    long counter = 0;
    constexpr int kRounds = 2000;
    onThreads([&](int) {
        for (int i = 0; i < kRounds; ++i) {
            CmtGetLock(lock);
            CmtGetLock(lock);
            ++counter;
            CmtReleaseLock(lock);
            CmtReleaseLock(lock);
        }
    });
    EXPECT_EQ(counter, long(kThreads) * kRounds);
    ASSERT_EQ(CmtGetLock(lock), 0);
    ASSERT_EQ(CmtGetLock(lock), 0);
    std::atomic<int> waiterResult{1};
    std::thread waiter([&] { waiterResult = CmtGetLock(lock); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(waiterResult.load(), 1) << "the waiter got a lock that was owned";
    EXPECT_EQ(CmtDiscardLock(lock), 0);
    waiter.join();
    EXPECT_EQ(waiterResult.load(), RTE_UIE_INVALID_THREAD_OBJECT);
}

// --- Thread-safe variables ---

// Arguments; storage starts zeroed; set and get copy whole values; a discarded variable
// refuses everything, output untouched.
TEST(ThreadSafeVars, ArgumentsCopiesAndDiscard) {
    int tsv = -7;
    EXPECT_EQ(CmtNewTSV(4, nullptr), RTE_UIE_NULL_ARGUMENT);
    EXPECT_EQ(CmtNewTSV(0, &tsv), RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    EXPECT_EQ(tsv, -7);
    ASSERT_EQ(CmtNewTSV(sizeof(void *), &tsv), 0);
    void *value = &tsv, *stored = &value;
    ASSERT_EQ(CmtGetTSV(tsv, &value), 0);
    EXPECT_EQ(value, nullptr);
    EXPECT_EQ(CmtSetTSV(tsv, &stored), 0);
    EXPECT_EQ(CmtGetTSV(tsv, &value), 0);
    EXPECT_EQ(value, stored);
    EXPECT_EQ(CmtSetTSV(tsv, nullptr), RTE_UIE_NULL_ARGUMENT);
    EXPECT_EQ(CmtGetTSV(tsv, nullptr), RTE_UIE_NULL_ARGUMENT);
    EXPECT_EQ(CmtGetTSVPtr(tsv, nullptr), RTE_UIE_NULL_ARGUMENT);
    EXPECT_EQ(CmtDiscardTSV(tsv), 0);
    void *pointer = nullptr;
    EXPECT_EQ(CmtGetTSVPtr(tsv, &pointer), RTE_UIE_INVALID_THREAD_OBJECT);
    EXPECT_EQ(pointer, nullptr);
    EXPECT_EQ(CmtGetTSV(tsv, &value), RTE_UIE_INVALID_THREAD_OBJECT);
    EXPECT_EQ(CmtSetTSV(tsv, &stored), RTE_UIE_INVALID_THREAD_OBJECT);
    EXPECT_EQ(CmtReleaseTSVPtr(tsv), RTE_UIE_INVALID_THREAD_OBJECT);
    EXPECT_EQ(CmtDiscardTSV(tsv), RTE_UIE_INVALID_THREAD_OBJECT);
}

// A nested get on the holding thread does not deadlock and gives the same storage; set
// and get work while it is held; only the holder releases, once per get; another
// thread gets the pointer only after the last release. Many threads updating through
// the pointer lose nothing, and whole copies never mix two updates.
TEST(ThreadSafeVars, ReentrantGetOwnershipAndConcurrentUpdates) {
    struct Pair {
        long a, b;
    };
    int tsv = 0;
    ASSERT_EQ(CmtNewTSV(sizeof(Pair), &tsv), 0);
    Pair *outer = nullptr, *inner = nullptr;
    ASSERT_EQ(CmtGetTSVPtr(tsv, &outer), 0);
    ASSERT_EQ(CmtGetTSVPtr(tsv, &inner), 0);
    EXPECT_EQ(inner, outer);
    Pair copy{41, 41};
    EXPECT_EQ(CmtSetTSV(tsv, &copy), 0);
    std::atomic<long> seen{0};
    std::thread other([&] {
        EXPECT_EQ(CmtReleaseTSVPtr(tsv), RTE_UIE_NOT_LOCK_OWNER);
        Pair *mine = nullptr;
        EXPECT_EQ(CmtGetTSVPtr(tsv, &mine), 0);
        seen = mine->a;
        EXPECT_EQ(CmtReleaseTSVPtr(tsv), 0);
    });
    EXPECT_EQ(CmtReleaseTSVPtr(tsv), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(seen.load(), 0) << "got the pointer while another thread held it";
    outer->a = outer->b = 0;
    EXPECT_EQ(CmtReleaseTSVPtr(tsv), 0);
    EXPECT_EQ(CmtReleaseTSVPtr(tsv), RTE_UIE_NOT_LOCK_OWNER);
    other.join();
    constexpr int kRounds = 1000;
    std::atomic<int> torn{0};
    onThreads([&](int) {
        for (int i = 0; i < kRounds; ++i) {
            Pair *pair = nullptr, whole{};
            CmtGetTSVPtr(tsv, &pair);
            ++pair->a;
            ++pair->b;
            CmtReleaseTSVPtr(tsv);
            CmtGetTSV(tsv, &whole);
            if (whole.a != whole.b) ++torn;
        }
    });
    ASSERT_EQ(CmtGetTSV(tsv, &copy), 0);
    EXPECT_EQ(copy.a, long(kThreads) * kRounds);
    EXPECT_EQ(torn.load(), 0);
    EXPECT_EQ(CmtDiscardTSV(tsv), 0);
}

// --- Thread-local variables ---

// What discard routines saw, for checking after the threads have ended.
struct DiscardCall {
    int value, event;
    void *callbackData;
    unsigned threadId;
    std::thread::id ranOn;
};
std::mutex discardLogMutex;
std::vector<DiscardCall> discardLog;

void logDiscard(void *copy, int event, void *callbackData, unsigned threadId) {
    std::lock_guard<std::mutex> guard(discardLogMutex);
    discardLog.push_back({*static_cast<int *>(copy), event, callbackData, threadId, std::this_thread::get_id()});
}

std::vector<DiscardCall> takeDiscardLog() {
    std::lock_guard<std::mutex> guard(discardLogMutex);
    return std::move(discardLog);
}

// Arguments; each thread gets its own copy made from the template (zeros without one),
// the same copy on every get, and never sees another thread's changes.
TEST(ThreadLocalVars, ArgumentsAndCopiesFromTheTemplate) {
    int handle = -7, zeroed = 0;
    EXPECT_EQ(CmtNewThreadLocalVar(4, nullptr, nullptr, nullptr, nullptr), RTE_UIE_NULL_ARGUMENT);
    EXPECT_EQ(CmtNewThreadLocalVar(0, nullptr, nullptr, nullptr, &handle), RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    EXPECT_EQ(handle, -7);
    const int templateValue[3] = {0x38589391, 1, 7};
    ASSERT_EQ(CmtNewThreadLocalVar(sizeof templateValue, templateValue, nullptr, nullptr, &handle), 0);
    ASSERT_EQ(CmtNewThreadLocalVar(64, nullptr, nullptr, nullptr, &zeroed), 0);
    EXPECT_EQ(CmtGetThreadLocalVar(handle, nullptr), RTE_UIE_NULL_ARGUMENT);
    int *mine = nullptr;
    const int otherGeneration = handle + (1 << 14);
    for (int unknown : {0, -3, otherGeneration}) EXPECT_EQ(CmtGetThreadLocalVar(unknown, &mine), RTE_UIE_INVALID_THREAD_OBJECT);
    ASSERT_EQ(CmtGetThreadLocalVar(handle, &mine), 0);
    mine[2] = -1;
    std::mutex guard;
    std::set<int *> copies{mine};
    onThreads([&](int t) {
        int *copy = nullptr, *again = nullptr;
        unsigned char *zeros = nullptr;
        ASSERT_EQ(CmtGetThreadLocalVar(handle, &copy), 0);
        EXPECT_EQ(std::memcmp(copy, templateValue, sizeof templateValue), 0);
        copy[2] = t;
        ASSERT_EQ(CmtGetThreadLocalVar(zeroed, &zeros), 0);
        EXPECT_EQ(std::count(zeros, zeros + 64, 0), 64);
        std::this_thread::yield();
        CmtGetThreadLocalVar(handle, &again);
        EXPECT_EQ(again, copy);
        EXPECT_EQ(again[2], t);
        std::lock_guard<std::mutex> lock(guard);
        copies.insert(copy);
    });
    EXPECT_EQ(copies.size(), static_cast<size_t>(kThreads + 1));
    EXPECT_EQ(mine[2], -1);
    EXPECT_EQ(CmtDiscardThreadLocalVar(handle), 0);
    EXPECT_EQ(CmtDiscardThreadLocalVar(zeroed), 0);
    EXPECT_EQ(CmtGetThreadLocalVar(handle, &mine), RTE_UIE_INVALID_THREAD_OBJECT);
    EXPECT_EQ(CmtDiscardThreadLocalVar(handle), RTE_UIE_INVALID_THREAD_OBJECT);
}

// A thread's end runs the routine on that thread, with the thread-exit event, its id,
// the callback data and its copy still holding what it stored. A copy a routine makes
// while its thread ends is ended too. A later discard finds nothing left to end.
TEST(ThreadLocalVars, ThreadExitRunsTheRoutineOnTheEndingThread) {
    static int first, second;
    int data = 0;
    ASSERT_EQ(CmtNewThreadLocalVar(sizeof(int), nullptr, logDiscard, &data, &second), 0);
    auto makesSecond = [](void *copy, int event, void *callbackData, unsigned id) {
        logDiscard(copy, event, callbackData, id);
        int *other = nullptr;
        CmtGetThreadLocalVar(second, &other);
        *other = 2;
    };
    ASSERT_EQ(CmtNewThreadLocalVar(sizeof(int), nullptr, makesSecond, &data, &first), 0);
    unsigned id = 0;
    std::thread::id stdId;
    std::thread([&] {
        id = systemThreadIdWithoutEngine();
        stdId = std::this_thread::get_id();
        int *copy = nullptr;
        ASSERT_EQ(CmtGetThreadLocalVar(first, &copy), 0);
        *copy = 77;
    }).join();
    std::thread([] {}).join();
    std::vector<DiscardCall> calls = takeDiscardLog();
    ASSERT_EQ(calls.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(calls[i].value, i == 0 ? 77 : 2);
        EXPECT_EQ(calls[i].event, CMT_TLV_EVENT_THREAD_EXIT);
        EXPECT_EQ(calls[i].callbackData, &data);
        EXPECT_EQ(calls[i].threadId, id);
        EXPECT_EQ(calls[i].ranOn, stdId);
    }
    EXPECT_EQ(CmtDiscardThreadLocalVar(first), 0);
    EXPECT_EQ(CmtDiscardThreadLocalVar(second), 0);
    EXPECT_TRUE(takeDiscardLog().empty()) << "an ended copy was discarded again";
}

// Discarding runs the routine on the discarding thread once per live copy, with each
// copy's owner and contents; the owners then get -130 and their ends run nothing.
TEST(ThreadLocalVars, DiscardRunsTheRoutineForEveryLiveCopy) {
    int handle = 0;
    ASSERT_EQ(CmtNewThreadLocalVar(sizeof(int), nullptr, logDiscard, nullptr, &handle), 0);
    int *mainCopy = nullptr;
    ASSERT_EQ(CmtGetThreadLocalVar(handle, &mainCopy), 0);
    *mainCopy = 1000;
    Gate discarded;
    std::atomic<int> made{0};
    std::mutex guard;
    std::set<std::pair<unsigned, int>> expected{{CmtGetCurrentThreadID(), 1000}};
    std::thread owners([&] {
        onThreads([&](int t) {
            int *copy = nullptr;
            ASSERT_EQ(CmtGetThreadLocalVar(handle, &copy), 0);
            *copy = t;
            {
                std::lock_guard<std::mutex> lock(guard);
                expected.insert({systemThreadIdWithoutEngine(), t});
            }
            ++made;
            discarded.wait();
            EXPECT_EQ(CmtGetThreadLocalVar(handle, &copy), RTE_UIE_INVALID_THREAD_OBJECT);
        });
    });
    while (made.load() < kThreads) std::this_thread::yield();
    EXPECT_EQ(CmtDiscardThreadLocalVar(handle), 0);
    std::vector<DiscardCall> calls = takeDiscardLog();
    discarded.open();
    owners.join();
    std::set<std::pair<unsigned, int>> seen;
    for (const DiscardCall &call : calls) {
        EXPECT_EQ(call.event, CMT_TLV_EVENT_DISCARD);
        EXPECT_EQ(call.ranOn, std::this_thread::get_id());
        seen.insert({call.threadId, call.value});
    }
    EXPECT_EQ(calls.size(), static_cast<size_t>(kThreads + 1));
    EXPECT_EQ(seen, expected);
    EXPECT_TRUE(takeDiscardLog().empty()) << "a thread's end ran a discarded copy's routine";
}

// Threads ending while their variable is discarded: each copy's routine runs exactly
// once, by one route or the other.
TEST(ThreadLocalVars, ThreadExitRacingDiscardRunsEachRoutineOnce) {
    for (int round = 0; round < 40; ++round) {
        int handle = 0;
        ASSERT_EQ(CmtNewThreadLocalVar(sizeof(int), nullptr, logDiscard, nullptr, &handle), 0);
        std::atomic<int> copiesMade{0};
        std::vector<std::thread> owners;
        for (int t = 0; t < kThreads; ++t)
            owners.emplace_back([&] {
                int *copy = nullptr;
                if (CmtGetThreadLocalVar(handle, &copy) == 0) ++copiesMade;
            });
        if (round % 2) std::this_thread::yield();
        EXPECT_EQ(CmtDiscardThreadLocalVar(handle), 0);
        for (std::thread &owner : owners) owner.join();
        ASSERT_EQ(takeDiscardLog().size(), static_cast<size_t>(copiesMade.load())) << "round " << round;
    }
}

}  // namespace
