// Private to rtengine: the per-thread event loop, for the engine families built on it
// (panels, controls and timer controls; on Windows their windows).
//
// Each registered thread has one ThreadLoop, reached on that thread with
// currentThreadLoop(). A pass (ProcessSystemEvents, and every round of GetUserEvent)
// runs the deferred calls queued before the pass, then every due source at most once,
// then (Windows) the thread's window messages. Engine code adds:
//  - sources: objects with a due time (timer controls), dispatched by passes on their
//    thread; a waiting GetUserEvent wakes when the earliest one falls due;
//  - user events pushed from engine code (commits), returned by GetUserEvent;
//  - thread-end hooks, run on every registered thread as it ends (its panels are
//    cleaned up there), before its event queue closes.
// Everything on a ThreadLoop is for its own thread unless said otherwise.
#ifndef RTE_EVENT_LOOP_H
#define RTE_EVENT_LOOP_H

#include <cstdint>
#include <memory>
#include <vector>

#include "threads/threads_internal.h"

namespace rte {

// Something a loop dispatches when it falls due, on Timer()'s clock.
class LoopSource {
public:
    // The Timer() time at which the source is due next; +infinity when it is idle.
    virtual double nextDue() const = 0;
    // Called by a pass with the pass's Timer() time when nextDue() <= now. A source
    // moves its due time on before it calls out: a callback may run a nested pass.
    virtual void dispatchDue(double now) = 0;

protected:
    ~LoopSource() = default;
};

struct EventQueue;  // the part other threads reach (event_queue.h)

class ThreadLoop {
public:
    ThreadLoop(unsigned threadId, std::shared_ptr<EventQueue> queue);
    ThreadLoop(const ThreadLoop &) = delete;
    ThreadLoop &operator=(const ThreadLoop &) = delete;

    unsigned threadId() const { return threadId_; }

    // Sources are not owned; a source removes itself before it is destroyed. Adding
    // gives false when memory runs out. Removing during a pass is allowed (also the
    // source being dispatched); a source added during a pass is dispatched from the
    // next one.
    bool addSource(LoopSource *source);
    void removeSource(LoopSource *source);

    // Appends a user event for GetUserEvent: 0, or RTE_UIE_OUT_OF_MEMORY. Safe from
    // any thread that holds the loop (the queue has its own lock).
    int pushUserEvent(int event, int panel, int control);

    // Used by the event functions.
    void runPass();
    bool takeUserEvent(int &event, int &panel, int &control);
    // Sleeps until there is work: a call, a user event, a wake-up, the earliest due
    // source, or (Windows) a message.
    void sleepUntilWork();
    EventQueue &queue() { return *queue_; }

private:
    void runCalls(std::uint64_t limit);
    void dispatchSources(double now);
    double earliestDue() const;

    unsigned threadId_;
    std::shared_ptr<EventQueue> queue_;
    std::uint64_t callsTaken_ = 0;  // calls are numbered in queue order
    std::vector<LoopSource *> sources_;
    int dispatching_ = 0;           // nesting depth of source dispatch
    bool sourcesRemoved_ = false;   // null entries to sweep after dispatch
};

// The calling thread's loop, registering the thread on first use; null when memory
// runs out.
ThreadLoop *currentThreadLoop();

// Makes thread threadId run a pass soon (for a source armed from another thread): 0,
// or RTE_UIE_NO_SUCH_THREAD when it has no queue.
int wakeThread(unsigned threadId);

// Runs on every registered thread as it ends, on that thread, in the order added.
using ThreadEndHook = void (*)(ThreadLoop &loop);
bool addThreadEndHook(ThreadEndHook hook);

}  // namespace rte

#endif
