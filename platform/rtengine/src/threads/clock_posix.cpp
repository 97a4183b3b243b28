// POSIX backend of the clock: CLOCK_MONOTONIC (nanosecond resolution on Linux).
#include <time.h>

#include "threads/threads_internal.h"

namespace rte {

double monotonicSeconds() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

}  // namespace rte
