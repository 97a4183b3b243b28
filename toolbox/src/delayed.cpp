// Delayed and deferred calls: a call run on another thread's event processing, waited
// for with a time-out, and the disposal of a thread's delayed-call timer.
//
// Choices:
//  - The record of a call is shared by the waiter and the thread that runs it, and each
//    holds a reference: whichever lets go last frees it, so a waiter that gives up early
//    (time-out) and a call that finishes late never both free it or both leave it.
//  - The waiter sleeps on a condition variable until the call has finished, the time
//    has run out or the call was dropped; it never spins. A time-out of -1 waits without
//    limit; any other negative time-out counts as 0.
//  - A call dropped because its thread ended before running it frees its record there;
//    a waiter still waiting then gets RTE_UIE_NO_SUCH_THREAD (-132), the code a post to
//    an ended thread gives.
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <new>

#include "toolbox_internal.h"

namespace {

enum CallState { kPending, kFinished, kDropped };

struct DeferredCall {
    DelayedCallFn function;
    void *data;
    DelayedCallFn dropData;
    std::mutex mutex;
    std::condition_variable settled;  // the state reached kFinished or kDropped
    CallState state = kPending;       // guarded by mutex
    std::atomic<int> holders{2};      // the waiter and the call
};

DeferredCall *makeCall(DelayedCallFn function, void *data, DelayedCallFn dropData) {
    void *storage = tb::allocate(sizeof(DeferredCall));
    if (!storage) return nullptr;
    DeferredCall *call = new (storage) DeferredCall;
    call->function = function;
    call->data = data;
    call->dropData = dropData;
    return call;
}

void destroyCall(DeferredCall *call) {
    call->~DeferredCall();
    std::free(call);
}

// Lets go of one side's hold; the last to let go frees the record.
void letGo(DeferredCall *call) {
    if (call->holders.fetch_sub(1, std::memory_order_acq_rel) == 1) destroyCall(call);
}

void settle(DeferredCall *call, CallState state) {
    {
        std::lock_guard<std::mutex> hold(call->mutex);
        call->state = state;
    }
    call->settled.notify_all();
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
    std::unique_lock<std::mutex> hold(call->mutex);
    auto settled = [call] { return call->state != kPending; };
    if (timeoutMs == -1)
        call->settled.wait(hold, settled);
    else
        call->settled.wait_for(hold, std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs),
                               settled);
    return call->state == kDropped ? RTE_UIE_NO_SUCH_THREAD : 0;
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

void disposeDelayedCallTimer(DelayedCallTimer *timer) {
    if (!timer) return;
    // The timer's panel or control is discarded here once the engine has panels.
    ListDispose(timer->queue);
    std::free(timer);
}

}  // namespace tb

extern "C" int PostDeferredCallToThreadAndWait(DelayedCallFn function, void *callbackData,
                                               unsigned int threadId, int timeoutMs) {
    bool handedOver = false;
    return tb::postDeferredCall(function, callbackData, threadId, timeoutMs, nullptr,
                                &handedOver);
}
