// The event loop's interface for the engine families built on it (timer controls,
// panels): sources dispatched by passes and waking a waiting GetUserEvent when due,
// user events pushed from engine code, waking another thread, and thread-end hooks.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

#include "loop/event_loop.h"
#include "rtengine.h"
#include "thread_support.h"

namespace {

constexpr double kNever = std::numeric_limits<double>::infinity();

// A source due at a set time that pushes a user event each time it is dispatched;
// `then` runs after that (the interval is set before, as sources must).
class TickSource : public rte::LoopSource {
public:
    TickSource(rte::ThreadLoop &loop, int event, double interval)
        : loop_(loop), event_(event), interval_(interval) {}
    double nextDue() const override { return due_.load(); }
    void dispatchDue(double now) override {
        ++ticks;
        due_ = interval_ < 0 ? kNever : now + interval_;
        loop_.pushUserEvent(event_, 1, ticks);
        if (then) then(*this);
    }
    void dueAt(double when) { due_ = when; }

    int ticks = 0;
    std::function<void(TickSource &)> then;

private:
    rte::ThreadLoop &loop_;
    int event_;
    double interval_;
    std::atomic<double> due_{kNever};
};

// A waiting GetUserEvent sleeps until the source falls due, then returns the event the
// source pushed, with its panel and control.
TEST(EventLoopSeam, WaitEndsWhenASourceFallsDue) {
    rte::ThreadLoop *loop = rte::currentThreadLoop();
    ASSERT_NE(loop, nullptr);
    EXPECT_EQ(loop->threadId(), CmtGetCurrentThreadID());
    TickSource source(*loop, 15, -1);
    ASSERT_TRUE(loop->addSource(&source));
    double start = Timer();
    source.dueAt(start + 0.1);
    double cpuBefore = testing_support::threadCpuSeconds();
    int panel = 0, control = 0;
    EXPECT_EQ(GetUserEvent(1, &panel, &control), 15);
    double waited = Timer() - start;
    EXPECT_GE(waited, 0.099);
    EXPECT_LT(testing_support::threadCpuSeconds() - cpuBefore, testing_support::kIdleWaitCpuLimit);
    EXPECT_EQ(panel, 1);
    EXPECT_EQ(control, 1);
    loop->removeSource(&source);
}

// A source that stays due is dispatched once per pass; one added during a pass waits
// for the next pass; one may remove itself (or another) while it is dispatched.
TEST(EventLoopSeam, DispatchIsBoundedAndToleratesChanges) {
    rte::ThreadLoop *loop = rte::currentThreadLoop();
    TickSource always(*loop, 1, 0), added(*loop, 2, 0), removed(*loop, 3, 0);
    always.dueAt(0);
    added.dueAt(0);
    removed.dueAt(0);
    always.then = [&](TickSource &) {
        if (always.ticks == 1) loop->addSource(&added);
        if (always.ticks == 2) {
            loop->removeSource(&always);
            loop->removeSource(&removed);
        }
    };
    loop->addSource(&always);
    loop->addSource(&removed);
    ProcessSystemEvents();
    EXPECT_EQ(always.ticks, 1);
    EXPECT_EQ(removed.ticks, 1);
    EXPECT_EQ(added.ticks, 0) << "a source added during a pass ran in that pass";
    ProcessSystemEvents();
    EXPECT_EQ(always.ticks, 2);
    EXPECT_EQ(removed.ticks, 1) << "a source removed during the pass still ran";
    EXPECT_EQ(added.ticks, 1);
    ProcessSystemEvents();
    EXPECT_EQ(always.ticks, 2);
    EXPECT_EQ(added.ticks, 2);
    loop->removeSource(&added);
    while (GetUserEvent(0, nullptr, nullptr) != 0) {
    }
}

// A source armed from another thread is dispatched once that thread wakes the owner.
TEST(EventLoopSeam, WakeThreadLetsASleepingOwnerSeeANewDueTime) {
    std::atomic<TickSource *> shared{nullptr};
    std::atomic<unsigned> ownerId{0};
    int event = 0;
    std::thread owner([&] {
        rte::ThreadLoop *loop = rte::currentThreadLoop();
        TickSource source(*loop, 9, -1);
        loop->addSource(&source);
        shared = &source;
        ownerId = loop->threadId();
        event = GetUserEvent(1, nullptr, nullptr);
        loop->removeSource(&source);
    });
    while (!ownerId.load()) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    shared.load()->dueAt(0);
    EXPECT_EQ(rte::wakeThread(ownerId.load()), 0);
    owner.join();
    EXPECT_EQ(event, 9);
    EXPECT_EQ(rte::wakeThread(ownerId.load()), RTE_UIE_NO_SUCH_THREAD);
}

// Thread-end hooks run on every registered thread as it ends, on that thread, before
// its queue closes; threads that never registered do not run them.
struct HookLog {
    std::mutex mutex;
    std::vector<unsigned> ended;
    std::atomic<int> postsAccepted{0};
};
HookLog &hookLog() {
    static HookLog log;
    return log;
}

TEST(EventLoopSeam, ThreadEndHooksRunOnRegisteredThreads) {
    ASSERT_TRUE(rte::addThreadEndHook([](rte::ThreadLoop &loop) {
        EXPECT_EQ(loop.threadId(), testing_support::systemThreadIdWithoutEngine());
        PostDeferredCallToThreadEx([](void *) {}, nullptr, loop.threadId(),
                                   [](void *) { ++hookLog().postsAccepted; });
        std::lock_guard<std::mutex> guard(hookLog().mutex);
        hookLog().ended.push_back(loop.threadId());
    }));
    unsigned registered = 0;
    std::thread([&] { registered = CurrThreadId(); }).join();
    std::thread([] { testing_support::systemThreadIdWithoutEngine(); }).join();
    std::lock_guard<std::mutex> guard(hookLog().mutex);
    EXPECT_EQ(hookLog().ended, std::vector<unsigned>{registered});
    EXPECT_EQ(hookLog().postsAccepted.load(), 1) << "a call posted by a hook is dropped with the queue";
}

}  // namespace
