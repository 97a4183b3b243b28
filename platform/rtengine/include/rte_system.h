/* rtengine: facts about the system the engine runs on and system attributes, read
 * from the platform on every call. */
#ifndef RTE_SYSTEM_H
#define RTE_SYSTEM_H

#include "rte_api.h"

/* Attribute numbers of GetSystemAttribute. */
enum {
    /* The user's decimal symbol, an int whose low byte holds the character. On Linux
     * it is the radix character of the user's numeric locale (LC_ALL, LC_NUMERIC, LANG)
     * without changing the process locale; on Windows the user's regional settings.
     * A symbol that is not exactly one byte long, or that cannot be read, is
     * reported as '.'. */
    RTE_ATTR_DECIMAL_SYMBOL = 1452
};

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

/* Reads a system attribute into *value (an int for every attribute so far).
 * Returns 0, RTE_UIE_NULL_ARGUMENT (-65) for a null value or RTE_UIE_INVALID_ATTRIBUTE
 * (-46) for an unknown attribute; *value is untouched on failure. */
RTE_API int GetSystemAttribute(int attribute, void *value);

/* Test-only: makes RTE_ATTR_DECIMAL_SYMBOL report symbol (its low byte) instead of
 * the platform's, process-wide, until called again; 0 returns to the platform's
 * symbol. For tests of code that localizes numbers; programs never call it. */
RTE_API void RTE_SetDecimalSymbolForTesting(int symbol);

/* The platform the engine was built for and runs on: RTE_PLATFORM_WINNT in the Windows
 * builds, RTE_PLATFORM_POSIX elsewhere. Never fails. */
RTE_API int GetCurrentPlatform(void);

RTE_EXTERN_C_END

#endif
