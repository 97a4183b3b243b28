// Facts about the system the engine runs on.
#include "rte_internal.h"

extern "C" {

// The engine is built only for the Windows NT family and for POSIX systems; the older
// Windows codes exist for callers that compare against them.
int GetCurrentPlatform(void) {
#if defined(_WIN32)
    return RTE_PLATFORM_WINNT;
#else
    return RTE_PLATFORM_POSIX;
#endif
}

}  // extern "C"
