// Timer: seconds on the platform's monotonic clock, counted from the engine's first
// use of the clock in the process.
#include "threads/threads_internal.h"

extern "C" double Timer(void) {
    static const double origin = rte::monotonicSeconds();
    return rte::monotonicSeconds() - origin;
}
