/* rtengine: the process model. A program attaches the engine before its main work
 * and detaches it after; while attached, the engine publishes a detach flag (0
 * attached, 1 detached) in a named 4-byte shared memory, so that code which must not
 * run after detach can ask. On Windows that is a page-file backed mapping named as
 * RTE_DetachFlagName says; elsewhere the flag is kept in the process and read with
 * RTE_ReadDetachFlag. */
#ifndef RTE_PROCESS_H
#define RTE_PROCESS_H

#include "rte_api.h"

/* One public symbol of a program: its name and address. Tables end with a null name. */
typedef struct RTE_PublicSymbol {
    const char *name;
    void *address;
} RTE_PublicSymbol;

RTE_EXTERN_C_BEGIN

/* Attaches the engine for the program (module instance: its handle; may be null) with
 * its table of public symbols (may be null). Returns 1 attached, 0 failure. Attaching
 * again while attached returns 1 and keeps the first table. */
RTE_API int InitRTEDll(void *moduleInstance, const RTE_PublicSymbol *symbols);

/* Detaches: the flag reads 1 from now on and the engine's exit clean-up runs. Returns 0,
 * or -1 when the engine was not attached. */
RTE_API int CloseRTEDll(void *moduleInstance);

/* Nonzero while attached. */
RTE_API int RTE_IsAttached(void);

/* Nonzero when the engine runs as "rtsupport.dll"; this engine is always "rtengine.dll". */
RTE_API int UsingSupportDll(void);

/* Address of a public symbol of the attached program, or null. */
RTE_API void *RTE_FindPublicSymbol(const char *name);

/* The program's exit list hands over a routine that empties it; the engine calls it
 * before it ends the process itself (RTEDllAbnormalExit), so exit functions never run
 * twice. Passing null withdraws it. */
RTE_API void __RegisterAtExitCleanup(void (*emptyExitList)(void));

/* Ends the process with code after an exit() while attached: empties the program's
 * exit list through the handed-over routine, detaches and ends the process. */
RTE_API void RTEDllAbnormalExit(int code);

/* The published detach flag: 0 attached, 1 detached or never attached. */
RTE_API int RTE_ReadDetachFlag(void);

/* The name of the shared memory that holds the detach flag of process processId:
 * "RT Engine Shmem for RTEHasBeenDetached, <id>" ("...Detached for Support, <id>" when
 * the engine runs as rtsupport.dll), the id in decimal. Written with its terminator
 * into buffer (256 bytes always suffice); returns its length, or -1 when buffer is null
 * or too small (nothing written then). */
RTE_API int RTE_DetachFlagName(unsigned long processId, char *buffer, int bufferSize);

/* ---- Exit services for portable library code ------------------------------------- */

/* An exit routine: runs once at the end of the process. */
typedef void (*RTE_ExitRoutine)(void);

/* Registers routine to run at the end of the process. When the program's start-up has
 * handed over its exit list (RTE_HandOverExitList), the routine goes to that list and
 * follows its rules (the Windows start-up: 32 slots, run last first by its exit).
 * Otherwise the engine keeps it in a list of its own, run once, last registered first,
 * at normal process end (from the C runtime's atexit, registered on first use; the
 * engine still works while the routines run). On Windows that is the engine DLL's own
 * C runtime, which runs the list when the DLL is unloaded at process end, after the
 * program's exit functions and static destructors. Returns 0, or -1 for a null
 * routine, a full or closed list, or no memory. */
RTE_API int RTE_RegisterExitRoutine(RTE_ExitRoutine routine);

/* Whether exit clean-ups should stand down: the start-up's answer when one was handed
 * over; otherwise 1 from CloseRTEDll until the engine is attached again, else 0 (a
 * program that never attached the engine counts as not detached, so its clean-ups
 * run). */
RTE_API int RTE_HasBeenDetached(void);

/* Called by a program's start-up when it attaches the engine: hands over its exit-list
 * registration (returns 0 or -1) and its detach query, which RTE_RegisterExitRoutine
 * and RTE_HasBeenDetached use from then on. Both null: back to the engine's own. Only
 * both non-null or both null are taken; a mixed pair is ignored. */
RTE_API void RTE_HandOverExitList(int (*registerExitRoutine)(RTE_ExitRoutine routine),
                                  int (*hasBeenDetached)(void));

RTE_EXTERN_C_END

#endif
