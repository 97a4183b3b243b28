// Event names: the fixed names of events 1 to 16 and the per-thread formatted text of
// every other number.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <thread>
#include <vector>

#include "toolbox.h"

namespace {

// The names sit exactly at 1 ... 16; neighbours on both sides are formatted.
TEST(UILEventString, NamesOneToSixteenAndFormatsTheRest) {
    const char *names[] = {"EVENT_COMMIT", "EVENT_VAL_CHANGED", "EVENT_LEFT_CLICK",
                           "EVENT_LEFT_DOUBLE_CLICK", "EVENT_RIGHT_CLICK",
                           "EVENT_RIGHT_DOUBLE_CLICK", "EVENT_KEYPRESS", "EVENT_GOT_FOCUS",
                           "EVENT_LOST_FOCUS", "EVENT_IDLE", "EVENT_CLOSE", "EVENT_PANEL_SIZE",
                           "EVENT_PANEL_MOVE", "EVENT_END_TASK", "EVENT_TIMER_TICK",
                           "EVENT_DISCARD"};
    for (int event = 1; event <= 16; ++event)
        EXPECT_STREQ(UILEventString(event), names[event - 1]) << event;
    for (int event : {0, 17, -1, 1000, INT_MIN, INT_MAX})
        EXPECT_EQ(std::string(UILEventString(event)), "Event " + std::to_string(event));
}

// The formatted text lives in one buffer per thread: the next call replaces it, a named
// event leaves it alone.
TEST(UILEventString, NextCallOnTheThreadReplacesTheText) {
    char *first = UILEventString(17);
    EXPECT_STREQ(UILEventString(1), "EVENT_COMMIT");
    EXPECT_STREQ(first, "Event 17");
    char *second = UILEventString(-1);
    EXPECT_EQ(second, first);
    EXPECT_STREQ(first, "Event -1");
}

// Threads formatting at the same time never see each other's text.
TEST(EventNameThreads, EachThreadFormatsIntoItsOwnBuffer) {
    constexpr int kThreads = 4, kRounds = 2000;
    std::vector<int> mismatches(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t, &mismatches] {
            for (int k = 0; k < kRounds; ++k) {
                int event = 100 + t * kRounds + k;
                const char *text = UILEventString(event);
                std::this_thread::yield();
                if (text != "Event " + std::to_string(event)) ++mismatches[t];
            }
        });
    for (std::thread &thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(mismatches[t], 0) << t;
}

}  // namespace
