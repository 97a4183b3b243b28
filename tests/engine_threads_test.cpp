// The engine's clock, thread ids, locks, thread-safe and thread-local variables, used
// from many threads (every case also runs under ThreadSanitizer).
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "rtengine.h"
#include "test_support.h"
#include "thread_support.h"

namespace {

using testing_support::Gate;
using testing_support::LibraryErrorCounter;

constexpr int kThreads = 4;

void onThreads(int count, const std::function<void(int)> &work) {
    std::vector<std::thread> threads;
    for (int t = 0; t < count; ++t) threads.emplace_back(work, t);
    for (std::thread &thread : threads) thread.join();
}

// --- Clock and ids ---

// Timer starts near 0, never goes back, and resolves well below a millisecond.
TEST(ThreadsClock, MonotonicFineAndNearZero) {
    double first = Timer();
    EXPECT_GE(first, 0.0);
    EXPECT_LT(first, 600.0);
    double previous = first, smallestStep = 1.0;
    for (int i = 0; i < 100000 && smallestStep > 1e-4; ++i) {
        double now = Timer();
        ASSERT_GE(now, previous);
        if (now > previous) smallestStep = std::min(smallestStep, now - previous);
        previous = now;
    }
    EXPECT_LT(smallestStep, 1e-4);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_GE(Timer() - first, 0.025);
}

// Both id functions agree, are never 0, and differ between live threads.
TEST(ThreadsClock, ThreadIdsAgreeAndDiffer) {
    unsigned mine = CmtGetCurrentThreadID();
    EXPECT_NE(mine, 0u);
    EXPECT_EQ(CurrThreadId(), mine);
    EXPECT_EQ(mine, testing_support::systemThreadIdWithoutEngine());
    std::mutex guard;
    std::set<unsigned> ids{mine};
    Gate allRead;
    std::atomic<int> read{0};
    onThreads(kThreads, [&](int) {
        unsigned id = CurrThreadId();
        EXPECT_EQ(CmtGetCurrentThreadID(), id);
        {
            std::lock_guard<std::mutex> lock(guard);
            ids.insert(id);
        }
        if (++read == kThreads) allRead.open();
        allRead.wait();  // all alive at once, so no id is reused
    });
    EXPECT_EQ(ids.size(), static_cast<size_t>(kThreads + 1));
}

// --- Locks ---

TEST(Locks, ArgumentsAndHandles) {
    LibraryErrorCounter errors;
    int lock = -7;
    EXPECT_EQ(CmtNewLock(nullptr, 0, nullptr), RTE_UIE_NULL_ARGUMENT);
    EXPECT_EQ(CmtNewLock("named", 0, &lock), RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    EXPECT_EQ(CmtNewLock(nullptr, 1, &lock), RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    EXPECT_EQ(lock, -7) << "output written on failure";
    EXPECT_EQ(errors.reports(), 3);
    int a = 0, b = 0;
    ASSERT_EQ(CmtNewLock(nullptr, 0, &a), 0);
    ASSERT_EQ(CmtNewLock("", 0, &b), 0);
    EXPECT_GT(a, 0);
    EXPECT_GT(b, 0);
    EXPECT_NE(a, b);
    for (int unknown : {0, -1, 12345, a + b}) {
        SCOPED_TRACE(unknown);
        EXPECT_EQ(CmtGetLock(unknown), RTE_UIE_INVALID_THREAD_OBJECT);
        EXPECT_EQ(CmtReleaseLock(unknown), RTE_UIE_INVALID_THREAD_OBJECT);
        EXPECT_EQ(CmtDiscardLock(unknown), RTE_UIE_INVALID_THREAD_OBJECT);
    }
    EXPECT_EQ(CmtDiscardLock(a), 0);
    EXPECT_EQ(CmtDiscardLock(b), 0);
}

// The owner may take the lock again and must release it as often; then it is free.
TEST(Locks, RecursionIsCounted) {
    int lock = 0;
    ASSERT_EQ(CmtNewLock(nullptr, 0, &lock), 0);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(CmtGetLock(lock), 0);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(CmtReleaseLock(lock), 0) << "release " << i;
    EXPECT_EQ(CmtReleaseLock(lock), RTE_UIE_NOT_LOCK_OWNER);
    // Free again: another thread can take and release it.
    std::thread([lock] {
        EXPECT_EQ(CmtGetLock(lock), 0);
        EXPECT_EQ(CmtReleaseLock(lock), 0);
    }).join();
    EXPECT_EQ(CmtDiscardLock(lock), 0);
}

// Only the owner releases; a thread that waits gets the lock once the owner lets go.
TEST(Locks, NonOwnerCannotReleaseAndWaitersBlock) {
    int lock = 0;
    ASSERT_EQ(CmtNewLock(nullptr, 0, &lock), 0);
    ASSERT_EQ(CmtGetLock(lock), 0);
    std::atomic<bool> taken{false};
    std::thread other([&] {
        EXPECT_EQ(CmtReleaseLock(lock), RTE_UIE_NOT_LOCK_OWNER);
        EXPECT_EQ(CmtGetLock(lock), 0);
        taken = true;
        EXPECT_EQ(CmtReleaseLock(lock), 0);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(taken.load()) << "the lock was taken while owned";
    EXPECT_EQ(CmtReleaseLock(lock), 0);
    other.join();
    EXPECT_TRUE(taken.load());
    EXPECT_EQ(CmtDiscardLock(lock), 0);
}

// Increments of a plain counter under the lock are never lost (and are race-free
// under ThreadSanitizer), with recursion mixed in.
TEST(Locks, MutualExclusionUnderContention) {
    int lock = 0;
    ASSERT_EQ(CmtNewLock(nullptr, 0, &lock), 0);
    long counter = 0;
    constexpr int kRounds = 2000;
    onThreads(kThreads, [&](int) {
        for (int i = 0; i < kRounds; ++i) {
            CmtGetLock(lock);
            CmtGetLock(lock);
            ++counter;
            CmtReleaseLock(lock);
            CmtReleaseLock(lock);
        }
    });
    EXPECT_EQ(counter, long(kThreads) * kRounds);
    EXPECT_EQ(CmtDiscardLock(lock), 0);
}

// A discarded handle stays dead, also when its table entry is reused; the discarding
// owner may hold it several times; a thread waiting for it is let go with -130.
TEST(Locks, DiscardedHandlesAndWaiters) {
    int lock = 0;
    ASSERT_EQ(CmtNewLock(nullptr, 0, &lock), 0);
    ASSERT_EQ(CmtGetLock(lock), 0);
    ASSERT_EQ(CmtGetLock(lock), 0);
    std::atomic<int> waiterResult{1};
    std::thread waiter([&] { waiterResult = CmtGetLock(lock); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(CmtDiscardLock(lock), 0);
    waiter.join();
    EXPECT_EQ(waiterResult.load(), RTE_UIE_INVALID_THREAD_OBJECT);
    EXPECT_EQ(CmtGetLock(lock), RTE_UIE_INVALID_THREAD_OBJECT);
    EXPECT_EQ(CmtReleaseLock(lock), RTE_UIE_INVALID_THREAD_OBJECT);
    EXPECT_EQ(CmtDiscardLock(lock), RTE_UIE_INVALID_THREAD_OBJECT);
    int reused = 0;
    ASSERT_EQ(CmtNewLock(nullptr, 0, &reused), 0);
    EXPECT_NE(reused, lock);
    EXPECT_EQ(CmtGetLock(lock), RTE_UIE_INVALID_THREAD_OBJECT);
    EXPECT_EQ(CmtGetLock(reused), 0);
    EXPECT_EQ(CmtReleaseLock(reused), 0);
    EXPECT_EQ(CmtDiscardLock(reused), 0);
}

// --- Thread-safe variables ---

TEST(ThreadSafeVars, ArgumentsZeroedStorageAndCopies) {
    int tsv = -7;
    EXPECT_EQ(CmtNewTSV(4, nullptr), RTE_UIE_NULL_ARGUMENT);
    EXPECT_EQ(CmtNewTSV(0, &tsv), RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    EXPECT_EQ(CmtNewTSV(-1, &tsv), RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    EXPECT_EQ(tsv, -7);
    ASSERT_EQ(CmtNewTSV(sizeof(void *), &tsv), 0);
    void *value = reinterpret_cast<void *>(0x1234);
    ASSERT_EQ(CmtGetTSV(tsv, &value), 0);
    EXPECT_EQ(value, nullptr) << "storage starts zeroed";
    void *stored = &tsv;
    EXPECT_EQ(CmtSetTSV(tsv, &stored), 0);
    EXPECT_EQ(CmtGetTSV(tsv, &value), 0);
    EXPECT_EQ(value, stored);
    EXPECT_EQ(CmtSetTSV(tsv, nullptr), RTE_UIE_NULL_ARGUMENT);
    EXPECT_EQ(CmtGetTSV(tsv, nullptr), RTE_UIE_NULL_ARGUMENT);
    EXPECT_EQ(CmtGetTSVPtr(tsv, nullptr), RTE_UIE_NULL_ARGUMENT);
    EXPECT_EQ(CmtDiscardTSV(tsv), 0);
    EXPECT_EQ(CmtGetTSV(tsv, &value), RTE_UIE_INVALID_THREAD_OBJECT);
    EXPECT_EQ(CmtSetTSV(tsv, &stored), RTE_UIE_INVALID_THREAD_OBJECT);
    void *pointer = nullptr;
    EXPECT_EQ(CmtGetTSVPtr(tsv, &pointer), RTE_UIE_INVALID_THREAD_OBJECT);
    EXPECT_EQ(pointer, nullptr);
    EXPECT_EQ(CmtReleaseTSVPtr(tsv), RTE_UIE_INVALID_THREAD_OBJECT);
    EXPECT_EQ(CmtDiscardTSV(tsv), RTE_UIE_INVALID_THREAD_OBJECT);
}

// A nested get on the holding thread does not deadlock and gives the same storage; set
// and get work while the pointer is held; only the holder releases, once per get; a
// thread that wants the pointer waits for the last release.
TEST(ThreadSafeVars, ReentrantGetAndOwnership) {
    int tsv = 0;
    ASSERT_EQ(CmtNewTSV(sizeof(int), &tsv), 0);
    int *outer = nullptr, *inner = nullptr;
    ASSERT_EQ(CmtGetTSVPtr(tsv, &outer), 0);
    ASSERT_EQ(CmtGetTSVPtr(tsv, &inner), 0);
    EXPECT_EQ(inner, outer);
    *outer = 41;
    int value = 0;
    EXPECT_EQ(CmtGetTSV(tsv, &value), 0);
    EXPECT_EQ(value, 41);
    std::atomic<int> seen{0};
    std::thread other([&] {
        EXPECT_EQ(CmtReleaseTSVPtr(tsv), RTE_UIE_NOT_LOCK_OWNER);
        int *mine = nullptr;
        EXPECT_EQ(CmtGetTSVPtr(tsv, &mine), 0);
        seen = *mine;
        EXPECT_EQ(CmtReleaseTSVPtr(tsv), 0);
    });
    EXPECT_EQ(CmtReleaseTSVPtr(tsv), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(seen.load(), 0) << "got the pointer while another thread held it";
    *outer = 42;
    EXPECT_EQ(CmtReleaseTSVPtr(tsv), 0);
    other.join();
    EXPECT_EQ(seen.load(), 42);
    EXPECT_EQ(CmtReleaseTSVPtr(tsv), RTE_UIE_NOT_LOCK_OWNER);
    EXPECT_EQ(CmtDiscardTSV(tsv), 0);
}

// Read-modify-write through the pointer from many threads loses nothing, and whole-value
// copies never mix two writers' values.
TEST(ThreadSafeVars, ConcurrentUpdatesAndWholeCopies) {
    struct Pair {
        long a, b;
    };
    int tsv = 0;
    ASSERT_EQ(CmtNewTSV(sizeof(Pair), &tsv), 0);
    constexpr int kRounds = 1000;
    std::atomic<int> torn{0};
    onThreads(kThreads, [&](int t) {
        for (int i = 0; i < kRounds; ++i) {
            Pair *pair = nullptr;
            CmtGetTSVPtr(tsv, &pair);
            ++pair->a;
            ++pair->b;
            CmtReleaseTSVPtr(tsv);
            Pair copy{};
            CmtGetTSV(tsv, &copy);
            if (copy.a != copy.b) ++torn;
        }
    });
    Pair result{};
    ASSERT_EQ(CmtGetTSV(tsv, &result), 0);
    EXPECT_EQ(result.a, long(kThreads) * kRounds);
    EXPECT_EQ(torn.load(), 0);
    EXPECT_EQ(CmtDiscardTSV(tsv), 0);
}

// --- Thread-local variables ---

// What a discard routine saw, for checking after the threads have ended.
struct DiscardCall {
    int value;
    int event;
    void *callbackData;
    unsigned threadId;
    std::thread::id ranOn;
};
std::mutex discardLogMutex;
std::vector<DiscardCall> discardLog;

void logDiscard(void *copy, int event, void *callbackData, unsigned threadId) {
    std::lock_guard<std::mutex> guard(discardLogMutex);
    discardLog.push_back({*static_cast<int *>(copy), event, callbackData, threadId,
                          std::this_thread::get_id()});
}

class ThreadLocalVars : public ::testing::Test {
protected:
    void SetUp() override {
        std::lock_guard<std::mutex> guard(discardLogMutex);
        discardLog.clear();
    }
    std::vector<DiscardCall> log() {
        std::lock_guard<std::mutex> guard(discardLogMutex);
        return discardLog;
    }
};

TEST_F(ThreadLocalVars, Arguments) {
    int handle = -7;
    EXPECT_EQ(CmtNewThreadLocalVar(4, nullptr, nullptr, nullptr, nullptr), RTE_UIE_NULL_ARGUMENT);
    EXPECT_EQ(CmtNewThreadLocalVar(0, nullptr, nullptr, nullptr, &handle), RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    EXPECT_EQ(handle, -7);
    ASSERT_EQ(CmtNewThreadLocalVar(4, nullptr, nullptr, nullptr, &handle), 0);
    EXPECT_GT(handle, 0);
    EXPECT_EQ(CmtGetThreadLocalVar(handle, nullptr), RTE_UIE_NULL_ARGUMENT);
    void *copy = nullptr;
    for (int unknown : {0, -3, handle + 1}) EXPECT_EQ(CmtGetThreadLocalVar(unknown, &copy), RTE_UIE_INVALID_THREAD_OBJECT);
    EXPECT_EQ(copy, nullptr);
    EXPECT_EQ(CmtDiscardThreadLocalVar(handle), 0);
    EXPECT_EQ(CmtGetThreadLocalVar(handle, &copy), RTE_UIE_INVALID_THREAD_OBJECT);
    EXPECT_EQ(CmtDiscardThreadLocalVar(handle), RTE_UIE_INVALID_THREAD_OBJECT);
}

// Each thread gets its own copy made from the template (zeros without one), the same
// copy on every get; a change on one thread is not seen on another.
TEST_F(ThreadLocalVars, CopiesPerThreadFromTheTemplate) {
    const int templateValue[3] = {0x38589391, 1, 7};
    int handle = 0, zeroed = 0;
    ASSERT_EQ(CmtNewThreadLocalVar(sizeof templateValue, templateValue, nullptr, nullptr, &handle), 0);
    ASSERT_EQ(CmtNewThreadLocalVar(64, nullptr, nullptr, nullptr, &zeroed), 0);
    int *mine = nullptr, *again = nullptr;
    ASSERT_EQ(CmtGetThreadLocalVar(handle, &mine), 0);
    ASSERT_EQ(CmtGetThreadLocalVar(handle, &again), 0);
    EXPECT_EQ(mine, again);
    EXPECT_EQ(std::memcmp(mine, templateValue, sizeof templateValue), 0);
    mine[2] = -1;
    std::mutex guard;
    std::set<int *> copies{mine};
    Gate allMade;
    std::atomic<int> made{0};
    onThreads(kThreads, [&](int t) {
        int *copy = nullptr;
        ASSERT_EQ(CmtGetThreadLocalVar(handle, &copy), 0);
        EXPECT_EQ(std::memcmp(copy, templateValue, sizeof templateValue), 0);
        copy[2] = t;
        unsigned char *zeros = nullptr;
        ASSERT_EQ(CmtGetThreadLocalVar(zeroed, &zeros), 0);
        for (int i = 0; i < 64; ++i) EXPECT_EQ(zeros[i], 0);
        {
            std::lock_guard<std::mutex> lock(guard);
            copies.insert(copy);
        }
        if (++made == kThreads) allMade.open();
        allMade.wait();
        int *later = nullptr;
        CmtGetThreadLocalVar(handle, &later);
        EXPECT_EQ(later, copy);
        EXPECT_EQ(later[2], t);
    });
    EXPECT_EQ(copies.size(), static_cast<size_t>(kThreads + 1));
    EXPECT_EQ(mine[2], -1);
    EXPECT_EQ(CmtDiscardThreadLocalVar(handle), 0);
    EXPECT_EQ(CmtDiscardThreadLocalVar(zeroed), 0);
}

// A thread's end runs the routine on that thread, with the thread-exit event, its id
// and its copy still holding what it stored; a thread that made no copy gets no call.
TEST_F(ThreadLocalVars, ThreadExitRunsTheRoutineOnTheEndingThread) {
    int handle = 0;
    int data = 0;
    ASSERT_EQ(CmtNewThreadLocalVar(sizeof(int), nullptr, logDiscard, &data, &handle), 0);
    unsigned id = 0;
    std::thread::id stdId;
    std::thread worker([&] {
        id = testing_support::systemThreadIdWithoutEngine();
        stdId = std::this_thread::get_id();
        int *copy = nullptr;
        ASSERT_EQ(CmtGetThreadLocalVar(handle, &copy), 0);
        *copy = 77;
    });
    worker.join();
    std::thread([] {}).join();
    std::vector<DiscardCall> calls = log();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].value, 77);
    EXPECT_EQ(calls[0].event, CMT_TLV_EVENT_THREAD_EXIT);
    EXPECT_EQ(calls[0].callbackData, &data);
    EXPECT_EQ(calls[0].threadId, id);
    EXPECT_EQ(calls[0].ranOn, stdId);
    EXPECT_EQ(CmtDiscardThreadLocalVar(handle), 0);
    EXPECT_EQ(log().size(), 1u) << "the ended copy was discarded again";
}

// Discarding runs the routine on the discarding thread once per live copy, with each
// copy's owner and contents; the owners' later ends run nothing more.
TEST_F(ThreadLocalVars, DiscardRunsTheRoutineForEveryLiveCopy) {
    int handle = 0;
    ASSERT_EQ(CmtNewThreadLocalVar(sizeof(int), nullptr, logDiscard, nullptr, &handle), 0);
    int *mainCopy = nullptr;
    ASSERT_EQ(CmtGetThreadLocalVar(handle, &mainCopy), 0);
    *mainCopy = 1000;
    Gate discarded;
    std::atomic<int> made{0};
    std::mutex guard;
    std::set<std::pair<unsigned, int>> expected{{CmtGetCurrentThreadID(), 1000}};
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t)
        workers.emplace_back([&, t] {
            int *copy = nullptr;
            ASSERT_EQ(CmtGetThreadLocalVar(handle, &copy), 0);
            *copy = t;
            {
                std::lock_guard<std::mutex> lock(guard);
                expected.insert({testing_support::systemThreadIdWithoutEngine(), t});
            }
            ++made;
            discarded.wait();
            EXPECT_EQ(CmtGetThreadLocalVar(handle, &copy), RTE_UIE_INVALID_THREAD_OBJECT);
        });
    while (made.load() < kThreads) std::this_thread::yield();
    EXPECT_EQ(CmtDiscardThreadLocalVar(handle), 0);
    std::vector<DiscardCall> calls = log();
    discarded.open();
    for (std::thread &worker : workers) worker.join();
    ASSERT_EQ(calls.size(), static_cast<size_t>(kThreads + 1));
    std::set<std::pair<unsigned, int>> seen;
    for (const DiscardCall &call : calls) {
        EXPECT_EQ(call.event, CMT_TLV_EVENT_DISCARD);
        EXPECT_EQ(call.ranOn, std::this_thread::get_id());
        seen.insert({call.threadId, call.value});
    }
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(log().size(), calls.size()) << "a thread's end ran a discarded copy's routine";
}

// Threads ending while their variable is discarded: each copy's routine runs exactly
// once, by one route or the other.
TEST_F(ThreadLocalVars, ThreadExitRacingDiscardRunsEachRoutineOnce) {
    constexpr int kRounds = 40;
    for (int round = 0; round < kRounds; ++round) {
        int handle = 0;
        ASSERT_EQ(CmtNewThreadLocalVar(sizeof(int), nullptr, logDiscard, nullptr, &handle), 0);
        std::atomic<int> copiesMade{0};
        Gate go;
        std::vector<std::thread> workers;
        for (int t = 0; t < kThreads; ++t)
            workers.emplace_back([&] {
                int *copy = nullptr;
                if (CmtGetThreadLocalVar(handle, &copy) == 0) ++copiesMade;
                go.wait();
            });
        go.open();
        if (round % 2) std::this_thread::yield();
        EXPECT_EQ(CmtDiscardThreadLocalVar(handle), 0);
        for (std::thread &worker : workers) worker.join();
        ASSERT_EQ(log().size(), static_cast<size_t>(copiesMade.load())) << "round " << round;
        SetUp();
    }
}

// A routine that makes a copy of another variable while its thread ends gets that copy
// ended too.
TEST_F(ThreadLocalVars, CopiesMadeDuringTheThreadsEndAreEnded) {
    static int second = 0;
    int first = 0;
    ASSERT_EQ(CmtNewThreadLocalVar(sizeof(int), nullptr, logDiscard, nullptr, &second), 0);
    auto makeSecond = [](void *copy, int event, void *data, unsigned id) {
        logDiscard(copy, event, data, id);
        int *other = nullptr;
        CmtGetThreadLocalVar(second, &other);
        *other = 2;
    };
    ASSERT_EQ(CmtNewThreadLocalVar(sizeof(int), nullptr, makeSecond, nullptr, &first), 0);
    std::thread([first] {
        int *copy = nullptr;
        CmtGetThreadLocalVar(first, &copy);
        *copy = 1;
    }).join();
    std::vector<DiscardCall> calls = log();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].value, 1);
    EXPECT_EQ(calls[1].value, 2);
    EXPECT_EQ(CmtDiscardThreadLocalVar(first), 0);
    EXPECT_EQ(CmtDiscardThreadLocalVar(second), 0);
}

}  // namespace
