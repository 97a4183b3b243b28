// The library's shared state: the object registry, the panels-with-linked-callbacks
// variable, the per-thread state (one per thread, its clean-up on the owning thread,
// also when the discarding thread gives up waiting), the library locks and the one-time
// guards under a crowd of first users, and the exit routines in a child process.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cstdint>
#include <thread>
#include <vector>

#include "thread_support.h"
#include "toolbox.h"
#include "toolbox_internal.h"

using testing_support::EventThread;
using testing_support::Gate;

namespace {

// --- object existence ------------------------------------------------------------------

// Registrations are counted per pointer; null and strangers are never known.
TEST(ObjectExistence, KnowsEachRegistrationUntilItIsRemoved) {
    int a = 0, b = 0, stranger = 0;
    EXPECT_EQ(ObjectExists(nullptr), 0);
    EXPECT_EQ(RegisterExistence(nullptr), 0);
    EXPECT_EQ(ObjectExists(&a), 0);
    DeRegisterExistence(&stranger);  // nothing to remove, before and after a registry exists
    EXPECT_EQ(RegisterExistence(&a), 1);
    EXPECT_EQ(RegisterExistence(&b), 1);
    EXPECT_EQ(RegisterExistence(&a), 1);
    DeRegisterExistence(&stranger);
    DeRegisterExistence(nullptr);
    EXPECT_EQ(ObjectExists(&stranger), 0);
    DeRegisterExistence(&a);
    EXPECT_EQ(ObjectExists(&a), 1);  // registered twice, removed once
    DeRegisterExistence(&a);
    EXPECT_EQ(ObjectExists(&a), 0);
    EXPECT_EQ(ObjectExists(&b), 1);
    DeRegisterExistence(&b);
    EXPECT_EQ(ObjectExists(&b), 0);
}

// A registry that cannot grow refuses the registration and keeps what it had.
TEST(ObjectExistence, ShortMemoryRefusesTheRegistration) {
    std::vector<int> objects(40);
    for (int &object : objects) ASSERT_EQ(RegisterExistence(&object), 1);
    int more = 0;
    tb::failAllocations(0, 1000);
    int registered = 1;
    for (int k = 0; k < 40 && registered; ++k) registered = RegisterExistence(&more);
    tb::failAllocations(0, 0);
    EXPECT_EQ(registered, 0);
    for (int &object : objects) EXPECT_EQ(ObjectExists(&object), 1);
    while (ObjectExists(&more)) DeRegisterExistence(&more);
    for (int &object : objects) DeRegisterExistence(&object);
}

// --- the panels-with-linked-callbacks variable ---------------------------------------

ListRef fakeList(int k) { return reinterpret_cast<ListRef>(static_cast<std::uintptr_t>(0x1000 * k)); }

// One creator: Initialize does not replace a live variable; after Uninitialize nothing
// reaches the discarded one, and Initialize makes a fresh one. The value is a whole
// pointer.
TEST(PanelsVariable, HasOneCreatorAndHoldsAPointer) {
    EXPECT_EQ(GetTsvPanelsWithLinkedCallbacksList(), nullptr);
    ListRef wide = reinterpret_cast<ListRef>(~static_cast<std::uintptr_t>(0) - 0xff);
    EXPECT_EQ(SetTsvPanelsWithLinkedCallbacksList(wide), 0);
    EXPECT_EQ(InitializeTsvPanelsWithLinkedCallbacksList(), 0);
    EXPECT_EQ(GetTsvPanelsWithLinkedCallbacksList(), wide);

    ListRef *outer = GetPointerToTsvPanelsWithLinkedCallbacksList();
    ASSERT_NE(outer, nullptr);
    ListRef *inner = GetPointerToTsvPanelsWithLinkedCallbacksList();  // re-entrant
    EXPECT_EQ(inner, outer);
    *inner = fakeList(2);
    EXPECT_EQ(ReleasePointerToTsvPanelsWithLinkedCallbacksList(), 0);
    EXPECT_EQ(ReleasePointerToTsvPanelsWithLinkedCallbacksList(), 0);
    EXPECT_EQ(ReleasePointerToTsvPanelsWithLinkedCallbacksList(), RTE_UIE_NOT_LOCK_OWNER);
    EXPECT_EQ(GetTsvPanelsWithLinkedCallbacksList(), fakeList(2));

    EXPECT_EQ(UninitializeTsvPanelsWithLinkedCallbacksList(), 0);
    EXPECT_EQ(UninitializeTsvPanelsWithLinkedCallbacksList(), RTE_UIE_INVALID_THREAD_OBJECT);
    EXPECT_EQ(GetPointerToTsvPanelsWithLinkedCallbacksList(), nullptr);
    EXPECT_EQ(GetTsvPanelsWithLinkedCallbacksList(), nullptr);
    EXPECT_EQ(SetTsvPanelsWithLinkedCallbacksList(fakeList(3)), RTE_UIE_INVALID_THREAD_OBJECT);
    EXPECT_EQ(ReleasePointerToTsvPanelsWithLinkedCallbacksList(), RTE_UIE_INVALID_THREAD_OBJECT);

    EXPECT_EQ(InitializeTsvPanelsWithLinkedCallbacksList(), 0);
    EXPECT_EQ(GetTsvPanelsWithLinkedCallbacksList(), nullptr);
}

// --- the per-thread state -------------------------------------------------------------

tb::LibraryThreadState *stateOfNewThread(tb::LibraryThreadState *snapshot) {
    tb::LibraryThreadState *state = nullptr;
    std::thread([&] {
        state = tb::threadState();
        if (state) *snapshot = *state;
    }).join();
    return state;
}

// Each thread starts from the template and its copy is its own.
TEST(LibraryStateThreads, EachThreadGetsItsOwnCopyOfTheTemplate) {
    tb::LibraryThreadState *mine = tb::threadState();
    ASSERT_NE(mine, nullptr);
    mine->randomSeed = 7;
    mine->sortPanel = 99;
    std::strcpy(mine->eventName, "mine");
    tb::LibraryThreadState other;
    std::memset(&other, 0xbd, sizeof other);
    ASSERT_NE(stateOfNewThread(&other), mine);
    EXPECT_EQ(other.randomSeed, 945329041);
    EXPECT_EQ(other.reseedPending, 1);
    EXPECT_EQ(other.reciprocal[0], 0.0);
    EXPECT_EQ(other.generator[2], 0);
    EXPECT_EQ(other.eventName[0], '\0');
    EXPECT_EQ(other.delayedCallTimer, nullptr);
    EXPECT_EQ(other.metaFontPanel, 0);
    EXPECT_EQ(other.sortPanel, 0);
    EXPECT_EQ(mine->sortPanel, 99);
    EXPECT_STREQ(mine->eventName, "mine");
}

// A crowd of threads using the state and the locks for the first time at once: one
// initialisation, so each thread keeps one copy of its state (a second thread-local
// variable would give it a fresh one), every thread finds the one panels variable, and
// the locks exclude (a second set of locks would let the plain counters race). Each
// test runs in a process of its own, so this is the process's first use.
TEST(LibraryStateThreads, FirstUseFromManyThreadsAtOnce) {
    constexpr int kThreads = 16, kRounds = 200;
    std::atomic<bool> go{false};
    std::atomic<int> marked{0}, faults{0};
    long counters[2] = {0, 0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            while (!go) std::this_thread::yield();
            tb::LibraryThreadState *first = tb::threadState();
            if (first) first->sortPanel = t + 1;
            ++marked;
            while (marked < kThreads) std::this_thread::yield();
            tb::LibraryThreadState *again = tb::threadState();
            if (!first || again != first || again->sortPanel != t + 1) ++faults;
            int which = t % 2;
            for (int k = 0; k < kRounds; ++k) {
                tb::LibraryLock hold(which);
                long seen = counters[which];
                std::this_thread::yield();
                counters[which] = seen + 1;
            }
            if (GetPointerToTsvPanelsWithLinkedCallbacksList() == nullptr)
                ++faults;
            else
                ReleasePointerToTsvPanelsWithLinkedCallbacksList();
        });
    go = true;
    for (std::thread &thread : threads) thread.join();
    EXPECT_EQ(faults, 0);
    EXPECT_EQ(counters[0], kThreads / 2 * kRounds);
    EXPECT_EQ(counters[1], kThreads / 2 * kRounds);
}

// --- the clean-up of a thread's state ---------------------------------------------

// What the clean-up observer saw.
struct CleanupSeen {
    std::atomic<int> count{0};
    std::atomic<tb::DelayedCallTimer *> timer{nullptr};
    std::atomic<unsigned int> thread{0};
    Gate done;
};
CleanupSeen *seen = nullptr;

void recordCleanup(tb::DelayedCallTimer *timer, int) {
    seen->timer = timer;
    seen->thread = CmtGetCurrentThreadID();
    ++seen->count;
    seen->done.open();
}

// Watches clean-ups for one test.
class StateCleanupThreads : public ::testing::Test {
protected:
    void SetUp() override {
        seen = &seen_;
        tb::observeStateCleanups(recordCleanup);
    }
    void TearDown() override { tb::observeStateCleanups(nullptr); }

    // A timer record with an empty queue, as a thread's first delayed call leaves it.
    static tb::DelayedCallTimer *newTimer() {
        auto *timer = static_cast<tb::DelayedCallTimer *>(tb::allocateZeroed(1, sizeof(tb::DelayedCallTimer)));
        timer->queue = ListCreate(16);
        return timer;
    }

    CleanupSeen seen_;
};

// A thread's end cleans up its timer on that thread (the leak check sees it freed).
TEST_F(StateCleanupThreads, ThreadExitCleansUpOnTheEndingThread) {
    tb::DelayedCallTimer *timer = newTimer();
    unsigned int ending = 0;
    std::thread([&] {
        ending = CmtGetCurrentThreadID();
        tb::threadState()->delayedCallTimer = timer;
    }).join();
    ASSERT_EQ(seen_.count, 1);
    EXPECT_EQ(seen_.timer, timer);
    EXPECT_EQ(seen_.thread, ending);
}

// A thread whose state holds nothing to clean up is left alone.
TEST_F(StateCleanupThreads, NothingToCleanUpRunsNothing) {
    std::thread([] { tb::threadState()->sortPanel = 5; }).join();
    tb::LibraryThreadState copy{};
    tb::discardThreadStateCopy(&copy, CMT_TLV_EVENT_DISCARD, CmtGetCurrentThreadID());
    EXPECT_EQ(seen_.count, 0);
}

// A discard from another thread has the owner clean up and waits for it.
TEST_F(StateCleanupThreads, DiscardHasTheOwnerCleanUp) {
    EventThread owner;
    tb::LibraryThreadState copy{};
    copy.delayedCallTimer = newTimer();
    tb::DelayedCallTimer *timer = copy.delayedCallTimer;
    tb::discardThreadStateCopy(&copy, CMT_TLV_EVENT_DISCARD, owner.id());
    ASSERT_EQ(seen_.count, 1);
    EXPECT_EQ(seen_.thread, owner.id());
    EXPECT_EQ(seen_.timer, timer);
    EXPECT_EQ(copy.delayedCallTimer, nullptr);
}

// An owner that does not process events: the discard gives up after 2000 ms, the copy
// is then freed (and poisoned by the address checker), and the late clean-up still
// ends the right timer without reading the copy.
TEST_F(StateCleanupThreads, DiscardGivesUpAfterTwoSecondsAndTheLateCleanUpIsSafe) {
    EventThread owner;
    Gate busy;
    PostDeferredCallToThread([](void *g) { static_cast<Gate *>(g)->wait(); }, &busy, owner.id());
    auto *copy = static_cast<tb::LibraryThreadState *>(std::calloc(1, sizeof(tb::LibraryThreadState)));
    copy->delayedCallTimer = newTimer();
    tb::DelayedCallTimer *timer = copy->delayedCallTimer;
    auto start = std::chrono::steady_clock::now();
    tb::discardThreadStateCopy(copy, CMT_TLV_EVENT_DISCARD, owner.id());
    auto waited = std::chrono::steady_clock::now() - start;
    std::free(copy);
    EXPECT_GE(waited, std::chrono::milliseconds(1990));
    EXPECT_EQ(seen_.count, 0);
    busy.open();
    seen_.done.wait();
    EXPECT_EQ(seen_.count, 1);
    EXPECT_EQ(seen_.timer, timer);
    EXPECT_EQ(seen_.thread, owner.id());
}

// --- exit routines ---------------------------------------------------------------------

int registered = 0;

// Prints what the library's state looks like at this point of the exit list.
void printState(const char *when) {
    std::fprintf(stderr, "%s exists=%d panels=%d state=%d\n", when, ObjectExists(&registered),
                 GetTsvPanelsWithLinkedCallbacksList() != nullptr, tb::threadState() != nullptr);
}
void printBefore() { printState("before"); }
void printAfter() { printState("after"); }

// Runs in a child: uses every piece of the state between two printing exit routines and
// ends the process, detached from the engine or not.
void useStateAndExit(bool detach) {
    if (detach) InitRTEDll(nullptr, nullptr);
    RTE_RegisterExitRoutine(printAfter);  // registered first: runs last
    RegisterExistence(&registered);
    SetTsvPanelsWithLinkedCallbacksList(fakeList(1));
    tb::takeLibraryLock(0);
    tb::releaseLibraryLock(0);
    RTE_RegisterExitRoutine(printBefore);
    if (detach) CloseRTEDll(nullptr);
    std::exit(0);
}

// The library's routines run between the two, in reverse order of registration, and
// stand down once the engine has been detached.
TEST(LibraryStateExit, RoutinesRunLastFirstAndStandDownAfterDetach) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(useStateAndExit(false), ::testing::ExitedWithCode(0),
                "before exists=1 panels=1 state=1\nafter exists=0 panels=0 state=0\n");
    EXPECT_EXIT(useStateAndExit(true), ::testing::ExitedWithCode(0),
                "before exists=1 panels=1 state=1\nafter exists=1 panels=1 state=1\n");
}

}  // namespace
