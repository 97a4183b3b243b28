// Delayed and deferred calls: a call run on another thread's event processing, waited
// for with a time-out; calls run later on the calling thread from its delayed-call timer
// (a timer control on a hidden panel the thread owns), and the end of that timer.
//
// Choices:
//  - Calls due at the same time run in the order they were posted.
//  - A delay that is not a finite number is refused (PostDelayedCall gives 0).
//  - A timer control discarded from outside (its panel discarded, say by a delayed call)
//    is never set again; the next call posted, or a call still waiting, gets the timer a
//    new panel and control.
//  - The thread's clean-up may end the timer while one of its calls runs (a nested event
//    pass inside the call runs the clean-up): the timer then ends when that call returns.
//  - The record of a call is shared by the waiter and the thread that runs it, and each
//    holds a reference: whichever lets go last frees it, so a waiter that gives up early
//    (time-out) and a call that finishes late never both free it or both leave it.
//  - The waiter sleeps on a signal (delayed_signal.h) until the call has finished, the
//    time has run out or the call was dropped; it never spins. A time-out of -1 waits
//    without limit; any other negative time-out counts as 0. On Windows the waiting
//    thread's window messages keep flowing meanwhile, so its windows do not freeze and
//    a thread that sends one of them a message cannot deadlock with the waiter.
//  - A call dropped because its thread ended before running it frees its record there;
//    a waiter still waiting then gets RTE_UIE_NO_SUCH_THREAD (-132), the code a post to
//    an ended thread gives.
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <new>

#include "delayed_signal.h"
#include "toolbox_internal.h"

namespace {

enum CallState { kPending, kFinished, kDropped };

struct DeferredCall {
    DelayedCallFn function;
    void *data;
    DelayedCallFn dropData;
    tb::CallSignal settled;                // raised once the state left kPending
    std::atomic<CallState> state{kPending};
    std::atomic<int> holders{2};           // the waiter and the call
};

void destroyCall(DeferredCall *call) {
    call->~DeferredCall();
    std::free(call);
}

DeferredCall *makeCall(DelayedCallFn function, void *data, DelayedCallFn dropData) {
    void *storage = tb::allocate(sizeof(DeferredCall));
    if (!storage) return nullptr;
    DeferredCall *call = new (storage) DeferredCall;
    if (!call->settled.usable()) {
        destroyCall(call);
        return nullptr;
    }
    call->function = function;
    call->data = data;
    call->dropData = dropData;
    return call;
}

// Lets go of one side's hold; the last to let go frees the record.
void letGo(DeferredCall *call) {
    if (call->holders.fetch_sub(1, std::memory_order_acq_rel) == 1) destroyCall(call);
}

void settle(DeferredCall *call, CallState state) {
    call->state.store(state, std::memory_order_release);
    call->settled.raise();
    letGo(call);
}

// Runs on the target thread, from its event processing.
void runCall(void *record) {
    DeferredCall *call = static_cast<DeferredCall *>(record);
    call->function(call->data);
    settle(call, kFinished);
}

// Runs on the target thread as it ends, when the call was still queued.
void dropCall(void *record) {
    DeferredCall *call = static_cast<DeferredCall *>(record);
    if (call->dropData) call->dropData(call->data);
    settle(call, kDropped);
}

// Waits until the call settles or the time-out runs out; 0 also after a time-out.
int awaitCall(DeferredCall *call, int timeoutMs) {
    call->settled.await(timeoutMs);
    return call->state.load(std::memory_order_acquire) == kDropped ? RTE_UIE_NO_SUCH_THREAD : 0;
}

}  // namespace

namespace tb {

int postDeferredCall(DelayedCallFn function, void *callbackData, unsigned int threadId,
                     int timeoutMs, DelayedCallFn dropData, bool *handedOver) {
    *handedOver = false;
    if (!function) return RTE_UIE_NULL_ARGUMENT;
    DeferredCall *call = makeCall(function, callbackData, dropData);
    if (!call) return RTE_UIE_OUT_OF_MEMORY;
    if (threadId == CmtGetCurrentThreadID()) {
        *handedOver = true;
        function(callbackData);
        destroyCall(call);
        return 0;
    }
    int posted = PostDeferredCallToThreadEx(runCall, call, threadId, dropCall);
    if (posted < 0) {
        destroyCall(call);
        return posted;
    }
    *handedOver = true;
    int result = awaitCall(call, timeoutMs);
    letGo(call);
    return result;
}

}  // namespace tb

extern "C" int PostDeferredCallToThreadAndWait(DelayedCallFn function, void *callbackData,
                                               unsigned int threadId, int timeoutMs) {
    bool handedOver = false;
    return tb::postDeferredCall(function, callbackData, threadId, timeoutMs, nullptr,
                                &handedOver);
}

// ---- delayed calls ----

namespace {

// A queued delayed call. Among calls due at the same time the one posted first runs
// first (order).
struct PendingCall {
    DelayedCallFn function;
    void *data;
    double due;             // on the Timer() clock
    DelayedCallFn dropped;  // runs instead when the timer ends with the call queued
    unsigned long long order;
};

// Latest due first, so the next call due is the last item.
int laterFirst(const void *first, const void *second) {
    const PendingCall *a = static_cast<const PendingCall *>(first);
    const PendingCall *b = static_cast<const PendingCall *>(second);
    if (a->due != b->due) return a->due > b->due ? -1 : 1;
    if (a->order != b->order) return a->order > b->order ? -1 : 1;
    return 0;
}

// Sets the timer control for the next call due, or disables it when none is queued.
// Nothing to do once the control is gone.
void rearm(tb::DelayedCallTimer *timer) {
    if (timer->timerCtrl <= 0) return;
    int count = ListNumItems(timer->queue);
    if (count == 0) {
        SetCtrlAttribute(timer->panel, timer->timerCtrl, RTE_ATTR_ENABLED, 0);
        return;
    }
    const PendingCall *next =
        static_cast<const PendingCall *>(ListGetPtrToItem(timer->queue, count));
    double interval = next->due - Timer();
    SetCtrlAttribute(timer->panel, timer->timerCtrl, RTE_ATTR_ENABLED, 1);
    SetCtrlAttribute(timer->panel, timer->timerCtrl, RTE_ATTR_INTERVAL,
                     interval > 0.0 ? interval : 0.0);
}

void endTimer(tb::DelayedCallTimer *timer);
bool ensureTimerControl(tb::DelayedCallTimer *timer);

// The timer control's callback: runs at most one due call per tick.
int tick(int, int, int event, void *data, intptr_t eventData1, intptr_t) {
    tb::DelayedCallTimer *timer = static_cast<tb::DelayedCallTimer *>(data);
    if (event == EVENT_DISCARD) {
        timer->timerCtrl = 0;
        return 0;
    }
    if (event != EVENT_TIMER_TICK) return 0;
    double now = *reinterpret_cast<const double *>(eventData1);
    int count = ListNumItems(timer->queue);
    if (count > 0) {
        PendingCall next;
        ListGetItem(timer->queue, &next, count);
        if (next.due <= now) {
            ListRemoveItem(timer->queue, nullptr, count);
            timer->running += 1;
            next.function(next.data);
            timer->running -= 1;
        }
    }
    if (timer->ended && timer->running == 0) {
        endTimer(timer);
        return 0;
    }
    // A call that discarded the timer control leaves the later calls a new one.
    if (timer->timerCtrl <= 0 && ListNumItems(timer->queue) > 0) ensureTimerControl(timer);
    rearm(timer);
    return 0;
}

// Makes the panel and the timer control; false when either cannot be made.
bool makeTimerControl(tb::DelayedCallTimer *timer) {
    int panel = NewPanel(0, "", -100, -100, 10, 10);
    if (panel <= 0) return false;
    int control = NewCtrl(panel, RTE_CTRL_TIMER, "", 0, 0);
    if (control <= 0 || InstallCtrlCallback(panel, control, tick, timer) < 0) {
        DiscardPanelNoBOLE(panel, 0);
        return false;
    }
    timer->panel = panel;
    timer->ownsPanel = 1;
    timer->timerCtrl = control;
    return true;
}

tb::DelayedCallTimer *makeTimer() {
    tb::DelayedCallTimer *timer =
        static_cast<tb::DelayedCallTimer *>(tb::allocateZeroed(1, sizeof(tb::DelayedCallTimer)));
    if (!timer) return nullptr;
    timer->queue = ListCreate(static_cast<int>(sizeof(PendingCall)));
    if (!timer->queue || !makeTimerControl(timer)) {
        ListDispose(timer->queue);
        std::free(timer);
        return nullptr;
    }
    return timer;
}

// A timer whose control was discarded from outside gets a new panel and control, so the
// queued calls still run.
bool ensureTimerControl(tb::DelayedCallTimer *timer) {
    if (timer->timerCtrl > 0) return true;
    if (timer->ownsPanel) DiscardPanelNoBOLE(timer->panel, 1);
    timer->panel = 0;
    timer->ownsPanel = 0;
    return makeTimerControl(timer);
}

// Discards the timer's panel (or control), hands every queued call to its drop routine
// and frees the record.
void endTimer(tb::DelayedCallTimer *timer) {
    if (timer->panel > 0) {
        if (timer->ownsPanel)
            DiscardPanelNoBOLE(timer->panel, 0);
        else
            DiscardCtrlNoBOLE(timer->panel, timer->timerCtrl, 0);
    }
    for (int position = ListNumItems(timer->queue); position > 0; --position) {
        const PendingCall *call =
            static_cast<const PendingCall *>(ListGetPtrToItem(timer->queue, position));
        if (call->dropped) call->dropped(call->data);
    }
    ListDispose(timer->queue);
    std::free(timer);
}

}  // namespace

namespace tb {

int postDelayedCall(DelayedCallFn function, void *callbackData, double delay,
                    DelayedCallFn dropped) {
    if (!function || !std::isfinite(delay)) return 0;
    LibraryThreadState *state = threadState();
    if (!state) return 0;
    if (!state->delayedCallTimer) state->delayedCallTimer = makeTimer();
    DelayedCallTimer *timer = state->delayedCallTimer;
    if (!timer || !ensureTimerControl(timer)) return 0;
    PendingCall call = {function, callbackData, Timer() + delay, dropped, timer->nextOrder++};
    int queued = ListInsertInOrder(timer->queue, &call, laterFirst);
    rearm(timer);
    return queued;
}

void disposeDelayedCallTimer(DelayedCallTimer *timer) {
    if (!timer) return;
    if (timer->running > 0)
        timer->ended = 1;  // a call of this timer is running: its tick ends the timer
    else
        endTimer(timer);
}

}  // namespace tb

extern "C" int PostDelayedCall(DelayedCallFn function, void *callbackData, double delay) {
    return tb::postDelayedCall(function, callbackData, delay, nullptr);
}
