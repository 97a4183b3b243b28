// The engine's shared state used from many threads at once: the break-on-library-errors
// switch and its handler, the popup presenter, the attach state and the library's
// allocator. Run under ThreadSanitizer (the linux-tsan preset) this finds data races;
// everywhere it checks that no report or popup is lost.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "rtengine.h"
#include "toolbox_internal.h"

namespace {

constexpr int kThreads = 4;
constexpr int kRounds = 500;

std::atomic<int> reports{0};
std::atomic<int> popups{0};

void countReport(const char *, int) { ++reports; }
void countPopup(const char *, const char *) { ++popups; }

void runOnThreads(void (*work)(int)) {
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) threads.emplace_back(work, t);
    for (std::thread &thread : threads) thread.join();
}

// Every failing call made while breaking is on reaches the handler exactly once.
TEST(Threads, FailingCallsAndPopupsFromManyThreads) {
    reports = 0;
    popups = 0;
    RTE_LibraryErrorHandler previousHandler = RTE_SetLibraryErrorHandler(countReport);
    RTE_PopupPresenter previousPresenter = RTE_SetPopupPresenter(countPopup);
    int previousSetting = SetBreakOnLibraryErrors(1);
    runOnThreads([](int) {
        long long size = 0;
        char text[32];
        for (int i = 0; i < kRounds; ++i) {
            RTE_GetFileSize("", &size);
            Fmt(text, "%s<%s", "x");
            MessagePopup("title", "text");
            GetUILErrorString(-12);
        }
    });
    SetBreakOnLibraryErrors(previousSetting);
    RTE_SetPopupPresenter(previousPresenter);
    RTE_SetLibraryErrorHandler(previousHandler);
    EXPECT_EQ(reports.load(), kThreads * kRounds);
    EXPECT_EQ(popups.load(), kThreads * kRounds);
}

// Attach, symbol look-up and the detach flag stay consistent under concurrent use.
TEST(Threads, AttachStateAndSymbols) {
    static int symbolTarget = 0;
    static const RTE_PublicSymbol symbols[] = {{"target", &symbolTarget}, {nullptr, nullptr}};
    ASSERT_EQ(InitRTEDll(nullptr, symbols), 1);
    std::atomic<int> misses{0};
    static std::atomic<int> *missCounter;
    missCounter = &misses;
    runOnThreads([](int) {
        for (int i = 0; i < kRounds; ++i) {
            if (InitRTEDll(nullptr, nullptr) != 1) ++*missCounter;
            if (RTE_FindPublicSymbol("target") != &symbolTarget) ++*missCounter;
            if (RTE_ReadDetachFlag() != 0) ++*missCounter;
        }
    });
    EXPECT_EQ(misses.load(), 0);
    EXPECT_EQ(CloseRTEDll(nullptr), 0);
    EXPECT_EQ(RTE_ReadDetachFlag(), 1);
}

// The allocation-failure hook fails exactly the number of allocations it was armed for.
TEST(Threads, AllocationHookCountsAcrossThreads) {
    static std::atomic<int> failures{0};
    failures = 0;
    tb::failAllocations(0, 100);
    runOnThreads([](int) {
        for (int i = 0; i < kRounds; ++i) {
            void *block = tb::allocate(16);
            if (!block) ++failures;
            std::free(block);
        }
    });
    EXPECT_EQ(failures.load(), 100);
    tb::failAllocations(0, 0);
}

}  // namespace
