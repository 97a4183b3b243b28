// Private to the event loop: the part of a thread's loop that other threads reach
// (posters, wakers), and the platform backend of sleeping and window messages.
#ifndef RTE_EVENT_QUEUE_H
#define RTE_EVENT_QUEUE_H

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>

#if defined(_WIN32)
#include <windows.h>
#else
#include <condition_variable>
#endif

#include "rtengine.h"

namespace rte {

struct DeferredCall {
    DeferredCallFn function;
    void *callbackData;
    DeferredCallFn dropFunction;
};

struct UserEvent {
    int event;
    int panel;
    int control;
};

// Shared between the owning thread and the threads that post to it (by shared_ptr, so
// a poster can signal after unlocking while the owner ends).
struct EventQueue {
    EventQueue();
    ~EventQueue();
    EventQueue(const EventQueue &) = delete;
    EventQueue &operator=(const EventQueue &) = delete;

    // Everything below is guarded by mutex, except that `queued` may be read without it.
    std::mutex mutex;
    std::deque<DeferredCall> calls;
    std::deque<UserEvent> userEvents;
    std::atomic<std::uint64_t> queued{0};  // calls ever queued
    bool closed = false;                   // the thread has ended
    bool sleeping = false;                 // the owner waits for work
    bool wakeRequested = false;

    bool hasWork() const { return !calls.empty() || !userEvents.empty() || wakeRequested; }

#if defined(_WIN32)
    HANDLE wakeEvent;  // auto-reset; null when it could not be made (then never sleeps)
#else
    std::condition_variable wake;
#endif
};

// Platform backend (event_loop_posix.cpp, event_loop_win32.cpp).
// Wakes the owner after a poster set work while it was sleeping (called unlocked).
void signalWake(EventQueue &queue);
// Waits until the queue has work or the time is up (seconds < 0: no limit), or
// (Windows) a message arrives.
void sleepOnQueue(EventQueue &queue, double seconds);
// Dispatches the thread's pending window messages (bounded); nothing off Windows.
void pumpWindowMessages();

}  // namespace rte

#endif
