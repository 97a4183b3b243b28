/* rtengine: facts about the system the engine runs on. */
#ifndef RTE_SYSTEM_H
#define RTE_SYSTEM_H

#include "rte_api.h"

/* Platform codes of GetCurrentPlatform. Callers use them to adapt to how the system
 * reports lengths: the Windows NT family, for example, reports registry name lengths
 * without their terminator. */
enum {
    RTE_PLATFORM_WIN16 = 1,    /* Windows 3.x, 16-bit */
    RTE_PLATFORM_WIN95 = 2,    /* Windows 95, 98 and Me */
    RTE_PLATFORM_WINNT = 3,    /* the Windows NT family: every Windows this engine runs on */
    RTE_PLATFORM_POSIX = 4     /* Linux and other POSIX systems */
};

RTE_EXTERN_C_BEGIN

/* The platform the engine was built for and runs on: RTE_PLATFORM_WINNT in the Windows
 * builds, RTE_PLATFORM_POSIX elsewhere. Never fails. */
RTE_API int GetCurrentPlatform(void);

RTE_EXTERN_C_END

#endif
