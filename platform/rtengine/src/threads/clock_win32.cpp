// Win32 backend of the clock: the performance counter. Whole seconds and the remainder
// are converted apart, so a counter that has run for a long time keeps its resolution.
#include <windows.h>

#include "threads/threads_internal.h"

namespace rte {

double monotonicSeconds() {
    static const LONGLONG frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return value.QuadPart;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    LONGLONG seconds = now.QuadPart / frequency;
    LONGLONG rest = now.QuadPart % frequency;
    return static_cast<double>(seconds) + static_cast<double>(rest) / static_cast<double>(frequency);
}

}  // namespace rte
