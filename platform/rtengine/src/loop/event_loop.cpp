// The per-thread event loop: registration, passes, user events, deferred calls and the
// end of a thread's queue.
//
// Choices:
//  - A pass is bounded: it runs the calls numbered below the count queued at its
//    start, so a call that posts itself again runs on the next pass. Calls are taken
//    one at a time from the front, so a nested pass continues in order and every call
//    runs once.
//  - GetUserEvent without waiting runs one pass when nothing is pending and returns a
//    user event that pass produced.
//  - A thread posting to its own id is registered by the post; any other unknown id is
//    refused, so calls never pile up for a thread that will never run them.
//  - Calls still queued when a thread ends are handed to their drop functions on that
//    thread, in queue order, after the thread-end hooks.
#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>

#include "loop/event_loop.h"
#include "loop/event_queue.h"

namespace rte {
namespace {

// The queues of registered threads by thread id.
struct Registry {
    std::mutex mutex;
    std::unordered_map<unsigned, std::shared_ptr<EventQueue>> queues;
};
Registry &registry() { return immortal<Registry>(); }

struct EndHooks {
    std::mutex mutex;
    std::vector<ThreadEndHook> hooks;
};
EndHooks &endHooks() { return immortal<EndHooks>(); }

std::shared_ptr<EventQueue> findQueue(unsigned threadId) {
    Registry &r = registry();
    std::lock_guard<std::mutex> guard(r.mutex);
    auto found = r.queues.find(threadId);
    return found == r.queues.end() ? nullptr : found->second;
}

ThreadLoop *registerCurrentThread() {
    ThreadRecord *record = currentRecord();
    if (!record) return nullptr;
    if (record->loop) return record->loop.get();
    try {
        auto queue = std::make_shared<EventQueue>();
        auto loop = std::make_unique<ThreadLoop>(record->id, queue);
        Registry &r = registry();
        {
            std::lock_guard<std::mutex> guard(r.mutex);
            r.queues[record->id] = queue;
        }
        record->loop = std::move(loop);
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
    return record->loop.get();
}

void runEndHooks(ThreadLoop &loop) {
    std::vector<ThreadEndHook> hooks;
    {
        EndHooks &h = endHooks();
        std::lock_guard<std::mutex> guard(h.mutex);
        hooks = h.hooks;
    }
    for (ThreadEndHook hook : hooks) hook(loop);
}

int post(const char *function, DeferredCallFn call, void *callbackData, unsigned threadId,
         DeferredCallFn drop) {
    if (!call) return fail(function, RTE_UIE_NULL_ARGUMENT);
    std::shared_ptr<EventQueue> queue = findQueue(threadId);
    if (!queue && threadId == currentThreadId()) {
        if (!currentThreadLoop()) return fail(function, RTE_UIE_OUT_OF_MEMORY);
        queue = findQueue(threadId);
    }
    if (!queue) return fail(function, RTE_UIE_NO_SUCH_THREAD);
    bool wake = false;
    {
        std::lock_guard<std::mutex> guard(queue->mutex);
        if (queue->closed) return fail(function, RTE_UIE_NO_SUCH_THREAD);
        try {
            queue->calls.push_back({call, callbackData, drop});
        } catch (const std::bad_alloc &) {
            return fail(function, RTE_UIE_OUT_OF_MEMORY);
        }
        queue->queued.store(queue->queued.load(std::memory_order_relaxed) + 1,
                            std::memory_order_release);
        wake = queue->sleeping;
    }
    if (wake) signalWake(*queue);
    return 0;
}

}  // namespace

ThreadLoop::ThreadLoop(unsigned threadId, std::shared_ptr<EventQueue> queue)
    : threadId_(threadId), queue_(std::move(queue)) {}

bool ThreadLoop::addSource(LoopSource *source) {
    try {
        sources_.push_back(source);
    } catch (const std::bad_alloc &) {
        return false;
    }
    return true;
}

void ThreadLoop::removeSource(LoopSource *source) {
    auto found = std::find(sources_.begin(), sources_.end(), source);
    if (found == sources_.end()) return;
    if (dispatching_ > 0) {
        *found = nullptr;
        sourcesRemoved_ = true;
    } else {
        sources_.erase(found);
    }
}

int ThreadLoop::pushUserEvent(int event, int panel, int control) {
    bool wake = false;
    {
        std::lock_guard<std::mutex> guard(queue_->mutex);
        try {
            queue_->userEvents.push_back({event, panel, control});
        } catch (const std::bad_alloc &) {
            return RTE_UIE_OUT_OF_MEMORY;
        }
        wake = queue_->sleeping;
    }
    if (wake) signalWake(*queue_);
    return 0;
}

bool ThreadLoop::takeUserEvent(int &event, int &panel, int &control) {
    std::lock_guard<std::mutex> guard(queue_->mutex);
    if (queue_->userEvents.empty()) return false;
    const UserEvent &front = queue_->userEvents.front();
    event = front.event;
    panel = front.panel;
    control = front.control;
    queue_->userEvents.pop_front();
    return true;
}

void ThreadLoop::runPass() {
    std::uint64_t limit = queue_->queued.load(std::memory_order_acquire);
    if (callsTaken_ != limit) runCalls(limit);
    if (!sources_.empty()) dispatchSources(Timer());
    pumpWindowMessages();
}

void ThreadLoop::runCalls(std::uint64_t limit) {
    while (callsTaken_ < limit) {
        DeferredCall call;
        {
            std::lock_guard<std::mutex> guard(queue_->mutex);
            if (queue_->calls.empty()) return;
            call = queue_->calls.front();
            queue_->calls.pop_front();
            ++callsTaken_;
        }
        call.function(call.callbackData);
    }
}

void ThreadLoop::dispatchSources(double now) {
    ++dispatching_;
    const size_t count = sources_.size();
    for (size_t i = 0; i < count && i < sources_.size(); ++i) {
        LoopSource *source = sources_[i];
        if (source && source->nextDue() <= now) source->dispatchDue(now);
    }
    if (--dispatching_ == 0 && sourcesRemoved_) {
        sources_.erase(std::remove(sources_.begin(), sources_.end(), nullptr), sources_.end());
        sourcesRemoved_ = false;
    }
}

double ThreadLoop::earliestDue() const {
    double earliest = std::numeric_limits<double>::infinity();
    for (LoopSource *source : sources_)
        if (source) earliest = std::min(earliest, source->nextDue());
    return earliest;
}

void ThreadLoop::sleepUntilWork() {
    double due = earliestDue();
    if (std::isinf(due)) {
        sleepOnQueue(*queue_, -1.0);
        return;
    }
    double seconds = due - Timer();
    if (seconds > 0) sleepOnQueue(*queue_, seconds);
}

ThreadLoop *currentThreadLoop() {
    ThreadRecord *record = loadCurrentRecord();
    if (record && record->loop) return record->loop.get();
    return registerCurrentThread();
}

int wakeThread(unsigned threadId) {
    std::shared_ptr<EventQueue> queue = findQueue(threadId);
    if (!queue) return RTE_UIE_NO_SUCH_THREAD;
    bool wake = false;
    {
        std::lock_guard<std::mutex> guard(queue->mutex);
        if (queue->closed) return RTE_UIE_NO_SUCH_THREAD;
        queue->wakeRequested = true;
        wake = queue->sleeping;
    }
    if (wake) signalWake(*queue);
    return 0;
}

bool addThreadEndHook(ThreadEndHook hook) {
    EndHooks &h = endHooks();
    std::lock_guard<std::mutex> guard(h.mutex);
    try {
        h.hooks.push_back(hook);
    } catch (const std::bad_alloc &) {
        return false;
    }
    return true;
}

void endThreadLoop(ThreadRecord &record) {
    if (!record.loop) return;
    ThreadLoop &loop = *record.loop;
    runEndHooks(loop);
    {
        Registry &r = registry();
        std::lock_guard<std::mutex> guard(r.mutex);
        auto found = r.queues.find(record.id);
        if (found != r.queues.end() && found->second.get() == &loop.queue()) r.queues.erase(found);
    }
    std::deque<DeferredCall> dropped;
    {
        std::lock_guard<std::mutex> guard(loop.queue().mutex);
        loop.queue().closed = true;
        dropped.swap(loop.queue().calls);
        loop.queue().userEvents.clear();
    }
    for (const DeferredCall &call : dropped)
        if (call.dropFunction) call.dropFunction(call.callbackData);
    record.loop.reset();
}

}  // namespace rte

extern "C" {

int PostDeferredCallToThread(DeferredCallFn function, void *callbackData, unsigned int threadId) {
    return rte::post("PostDeferredCallToThread", function, callbackData, threadId, nullptr);
}

int PostDeferredCallToThreadEx(DeferredCallFn function, void *callbackData, unsigned int threadId,
                               DeferredCallFn dropFunction) {
    return rte::post("PostDeferredCallToThreadEx", function, callbackData, threadId, dropFunction);
}

int ProcessSystemEvents(void) {
    rte::ThreadLoop *loop = rte::currentThreadLoop();
    if (!loop) return rte::fail("ProcessSystemEvents", RTE_UIE_OUT_OF_MEMORY);
    loop->runPass();
    return 0;
}

int QueueUserEvent(int eventNumber, int panel, int control) {
    if (eventNumber == 0) return rte::fail("QueueUserEvent", RTE_UIE_INVALID_EVENT);
    rte::ThreadLoop *loop = rte::currentThreadLoop();
    if (!loop) return rte::fail("QueueUserEvent", RTE_UIE_OUT_OF_MEMORY);
    int code = loop->pushUserEvent(eventNumber, panel, control);
    return code < 0 ? rte::fail("QueueUserEvent", code) : 0;
}

int GetUserEvent(int waitForEvent, int *panel, int *control) {
    rte::ThreadLoop *loop = rte::currentThreadLoop();
    if (!loop) return rte::fail("GetUserEvent", RTE_UIE_OUT_OF_MEMORY);
    int event = 0, eventPanel = 0, eventControl = 0;
    if (!loop->takeUserEvent(event, eventPanel, eventControl)) {
        loop->runPass();
        while (!loop->takeUserEvent(event, eventPanel, eventControl) && waitForEvent) {
            loop->sleepUntilWork();
            loop->runPass();
        }
    }
    if (panel) *panel = eventPanel;
    if (control) *control = eventControl;
    return event;
}

}  // extern "C"
