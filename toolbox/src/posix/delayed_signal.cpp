// The deferred call's signal where the waiting thread has no window messages: a
// condition variable; the waiter sleeps and never spins.
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <new>

#include "delayed_signal.h"
#include "toolbox_internal.h"

namespace tb {

struct CallSignal::State {
    std::mutex mutex;
    std::condition_variable changed;
    bool raised = false;  // guarded by mutex
};

CallSignal::CallSignal() : state_(nullptr) {
    if (void *storage = allocate(sizeof(State))) state_ = new (storage) State;
}

CallSignal::~CallSignal() {
    if (!state_) return;
    state_->~State();
    std::free(state_);
}

void CallSignal::raise() {
    {
        std::lock_guard<std::mutex> hold(state_->mutex);
        state_->raised = true;
    }
    state_->changed.notify_all();
}

bool CallSignal::await(int timeoutMs) {
    std::unique_lock<std::mutex> hold(state_->mutex);
    auto raised = [this] { return state_->raised; };
    if (timeoutMs == -1) {
        state_->changed.wait(hold, raised);
        return true;
    }
    return state_->changed.wait_for(hold, std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs),
                                    raised);
}

}  // namespace tb
