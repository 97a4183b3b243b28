// Delayed calls on the calling thread's timer: order by due time, calls already due,
// the timer disabled when nothing waits, refused calls, a timer control discarded by a
// call (no engine error may be reported), a timer ended while its call runs (under
// AddressSanitizer), and one timer per thread.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

#include "loop_support.h"
#include "test_support.h"
#include "toolbox.h"
#include "toolbox_internal.h"
#include "ui_support.h"

using testing_support::expectNoLeaks;
using testing_support::LibraryErrorCounter;
using testing_support::pump;
using testing_support::pumpUntil;

namespace {

tb::DelayedCallTimer *timerOfThisThread() { return tb::threadState()->delayedCallTimer; }

int queued() {
    tb::DelayedCallTimer *timer = timerOfThisThread();
    return timer ? ListNumItems(timer->queue) : 0;
}

// A call that notes when it ran (Timer()) and what it was posted with.
struct Noted {
    double delay = 0, posted = 0, ran = -1;
    unsigned int thread = 0;
    std::vector<double> *order = nullptr;
    std::function<void()> during;
};

void note(void *data) {
    Noted *n = static_cast<Noted *>(data);
    n->ran = Timer();
    n->thread = CmtGetCurrentThreadID();
    if (n->order) n->order->push_back(n->delay);
    if (n->during) n->during();
}

bool post(Noted &n, double delay) {
    n.delay = delay;
    n.posted = Timer();
    return PostDelayedCall(note, &n, delay) == 1;
}

// Calls run in the order they fall due, none before its time, and the timer is
// disabled once the queue is empty.
TEST(DelayedCall, RunsInDueOrderAndDisablesTheTimerAfterwards) {
    std::vector<double> order;
    Noted calls[3];
    double delays[3] = {0.3, 0.1, 0.2};
    for (int k = 0; k < 3; ++k) {
        calls[k].order = &order;
        ASSERT_TRUE(post(calls[k], delays[k]));
    }
    tb::DelayedCallTimer *timer = timerOfThisThread();
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(testing_support::ctrlInt(timer->panel, timer->timerCtrl, RTE_ATTR_ENABLED), 1);
    ASSERT_TRUE(pumpUntil([&] { return order.size() == 3; }));
    EXPECT_EQ(order, (std::vector<double>{0.1, 0.2, 0.3}));
    for (const Noted &n : calls) EXPECT_GE(n.ran, n.posted + n.delay) << n.delay;
    pump(1);
    EXPECT_EQ(testing_support::ctrlInt(timer->panel, timer->timerCtrl, RTE_ATTR_ENABLED), 0);
}

// A call already due (delay 0 or negative) runs at the next event pass, one per pass.
TEST(DelayedCall, DueCallsRunAtTheNextPass) {
    std::vector<double> order;
    Noted calls[3];
    double delays[3] = {0.0, -1.0, -1e9};
    for (int k = 0; k < 3; ++k) {
        calls[k].order = &order;
        ASSERT_TRUE(post(calls[k], delays[k]));
    }
    for (size_t passes = 1; passes <= 3; ++passes) {
        ProcessSystemEvents();
        EXPECT_EQ(order.size(), passes);
    }
    EXPECT_EQ(order, (std::vector<double>{-1e9, -1.0, 0.0}));
}

// A call that cannot be queued is refused with 0 and nothing is queued.
TEST(DelayedCall, RefusedCallsQueueNothing) {
    Noted n;
    ASSERT_TRUE(post(n, 1000.0));  // makes the timer
    int before = queued();
    double nan = std::numeric_limits<double>::quiet_NaN();
    double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(PostDelayedCall(nullptr, &n, 0.0), 0);
    for (double delay : {nan, inf, -inf}) EXPECT_EQ(PostDelayedCall(note, &n, delay), 0) << delay;
    EXPECT_EQ(queued(), before);
}

// Short memory at each allocation of a thread's first call (timer record, queue, queue
// room): 0, nothing queued, nothing left behind when the thread ends.
TEST(DelayedCall, ShortMemoryWhileMakingTheTimer) {
    for (int pass = 0;; ++pass) {
        int result = -1, waiting = -1;
        std::thread([&] {
            Noted n;
            tb::failAllocations(pass, 1);
            result = PostDelayedCall(note, &n, 1000.0);
            tb::failAllocations(0, 0);
            waiting = queued();
        }).join();
        if (result == 1) {
            EXPECT_GE(pass, 2);
            break;
        }
        EXPECT_EQ(result, 0) << "failing allocation " << pass;
        EXPECT_EQ(waiting, 0) << "failing allocation " << pass;
        expectNoLeaks();
    }
}

// A call that discards the timer's control, or its whole panel, leaves the later calls
// running on a new control, and no engine call fails on the way.
TEST(DelayedCall, TimerControlDiscardedByACall) {
    for (bool wholePanel : {false, true}) {
        SCOPED_TRACE(wholePanel ? "panel" : "control");
        LibraryErrorCounter errors;
        Noted discarder, later, posted;
        discarder.during = [&] {
            tb::DelayedCallTimer *timer = timerOfThisThread();
            ASSERT_EQ(wholePanel ? DiscardPanel(timer->panel)
                                 : DiscardCtrl(timer->panel, timer->timerCtrl),
                      0);
        };
        ASSERT_TRUE(post(discarder, 0.0));
        ASSERT_TRUE(post(later, 0.01));
        ASSERT_TRUE(pumpUntil([&] { return later.ran >= 0; }));
        ASSERT_TRUE(post(posted, 0.0));
        ASSERT_TRUE(pumpUntil([&] { return posted.ran >= 0; }));
        EXPECT_EQ(errors.reports(), 0) << errors.lastFunction() << " " << errors.lastCode();
    }
}

// The thread's clean-up may end the timer from inside one of its calls (a nested event
// pass runs it): the call returns safely, the waiting calls are dropped, and the next
// call gets a new timer.
TEST(DelayedCall, TimerEndedWhileItsCallRuns) {
    Noted ender, dropped, next;
    ender.during = [] {
        tb::LibraryThreadState *state = tb::threadState();
        tb::DelayedCallTimer *timer = state->delayedCallTimer;
        state->delayedCallTimer = nullptr;
        tb::disposeDelayedCallTimer(timer);
        ProcessSystemEvents();
    };
    ASSERT_TRUE(post(ender, 0.0));
    ASSERT_TRUE(post(dropped, 0.05));
    tb::DelayedCallTimer *old = timerOfThisThread();
    int oldPanel = old->panel;
    ASSERT_TRUE(pumpUntil([&] { return ender.ran >= 0; }));
    int ignored;
    {
        tb::BreakingOff quiet;
        EXPECT_EQ(GetPanelAttribute(oldPanel, RTE_ATTR_VISIBLE, &ignored), RTE_UIE_INVALID_PANEL);
    }
    ASSERT_TRUE(post(next, 0.0));
    ASSERT_TRUE(pumpUntil([&] { return next.ran >= 0; }));
    pump(3);
    EXPECT_LT(dropped.ran, 0);
    expectNoLeaks();
}

// Each thread has its own timer on its own hidden panel, and its calls run on it; a
// thread that ends with calls waiting leaves nothing behind (its panel is gone).
TEST(DelayedCallThreads, EachThreadHasItsOwnTimer) {
    Noted calls[2];
    int panels[2] = {0, 0};
    unsigned int threads[2] = {0, 0};
    std::vector<std::thread> workers;
    for (int k = 0; k < 2; ++k)
        workers.emplace_back([&, k] {
            threads[k] = CmtGetCurrentThreadID();
            ASSERT_TRUE(post(calls[k], 0.01 * k));
            Noted waiting;
            ASSERT_TRUE(post(waiting, 1000.0));
            panels[k] = timerOfThisThread()->panel;
            ASSERT_TRUE(pumpUntil([&] { return calls[k].ran >= 0; }));
        });
    for (std::thread &t : workers) t.join();
    EXPECT_NE(panels[0], panels[1]);
    for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(calls[k].thread, threads[k]);
        int ignored;
        tb::BreakingOff quiet;
        EXPECT_EQ(GetPanelAttribute(panels[k], RTE_ATTR_VISIBLE, &ignored), RTE_UIE_INVALID_PANEL);
    }
    expectNoLeaks();
}

}  // namespace
