// Private to toolbox (delayed calls): the signal a deferred call's waiter sleeps on
// until the thread that runs the call raises it. Each system has its own backend:
// posix/delayed_signal.cpp sleeps on a condition variable; win32/delayed_signal.cpp
// keeps the waiting thread's window messages flowing while it waits.
#ifndef TOOLBOX_DELAYED_SIGNAL_H
#define TOOLBOX_DELAYED_SIGNAL_H

namespace tb {

class CallSignal {
public:
    CallSignal();
    ~CallSignal();
    CallSignal(const CallSignal &) = delete;
    CallSignal &operator=(const CallSignal &) = delete;

    // False when the signal could not be made (no memory or no system object).
    bool usable() const { return state_ != nullptr; }
    // Raises it once; any thread.
    void raise();
    // Waits until raised, at most timeoutMs milliseconds (-1: no limit, other negative
    // values count as 0): true when it was raised.
    bool await(int timeoutMs);

private:
    struct State;
    State *state_;
};

}  // namespace tb

#endif
