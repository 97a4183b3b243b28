// POSIX backend of the event loop: the owner sleeps on a condition variable under the
// queue's mutex; there are no window messages.
#include <chrono>

#include "loop/event_queue.h"

namespace rte {

EventQueue::EventQueue() = default;
EventQueue::~EventQueue() = default;

void signalWake(EventQueue &queue) { queue.wake.notify_one(); }

void sleepOnQueue(EventQueue &queue, double seconds) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline =
        seconds < 0 ? Clock::time_point::max()
                    : Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                         std::chrono::duration<double>(seconds));
    std::unique_lock<std::mutex> lock(queue.mutex);
    queue.sleeping = true;
    while (!queue.hasWork()) {
        if (seconds < 0)
            queue.wake.wait(lock);
        else if (queue.wake.wait_until(lock, deadline) == std::cv_status::timeout)
            break;
    }
    queue.sleeping = false;
    queue.wakeRequested = false;
}

void pumpWindowMessages() {}

}  // namespace rte
