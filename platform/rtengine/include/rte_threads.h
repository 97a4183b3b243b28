/* rtengine: the clock, thread ids, locks, thread-safe variables and thread-local
 * variables.
 *
 * Conventions of this family
 *  - Handles of locks and variables are ints greater than 0. A handle that was never
 *    made, or that has been discarded, gives RTE_UIE_INVALID_THREAD_OBJECT (-130).
 *  - Functions return 0 or a negative code (rte_errors.h); outputs are untouched on
 *    failure. Every failure is reported to the library-error handler while breaking
 *    is on.
 *  - Everything here may be called from any thread, also from threads the engine did
 *    not start (std::thread, CreateThread, pthread_create, the main thread).
 *  - At most 16384 locks, 16384 thread-safe variables and 1024 thread-local variables
 *    exist at once; making one more gives RTE_UIE_OUT_OF_MEMORY (-12). */
#ifndef RTE_THREADS_H
#define RTE_THREADS_H

#include "rte_api.h"

/* Events of a thread-local variable's discard routine (CmtTLVDiscardFn). */
/* The owning thread is ending: the routine runs on that thread, for its copy, while
 * the copy is still valid; the copy is freed after the routine returns. On Windows this
 * happens in the engine's thread-detach notification (with the system's loader lock
 * held: the routine must not wait for other threads to start or end); on POSIX
 * systems in a thread-specific-data destructor. */
#define CMT_TLV_EVENT_THREAD_EXIT 1
/* CmtDiscardThreadLocalVar: the routine runs on the discarding thread, once for every
 * live copy, with threadId the copy's owning thread; each copy is freed as soon as its
 * routine returns, so nothing the routine hands to another thread may point into it. */
#define CMT_TLV_EVENT_DISCARD 2

RTE_EXTERN_C_BEGIN

/* ---- Clock ---------------------------------------------------------------------- */

/* Seconds on a monotonic clock with sub-microsecond resolution (clock_gettime
 * CLOCK_MONOTONIC; QueryPerformanceCounter on Windows). The origin is the engine's
 * first use of the clock in the process, so values start near 0. Timer ticks of the
 * user interface are stamped on the same clock. Never fails. */
RTE_API double Timer(void);

/* ---- Thread ids ----------------------------------------------------------------- */

/* The calling thread's id, never 0: GetCurrentThreadId() on Windows, the kernel
 * thread id elsewhere. Both functions give the same value. The first call registers
 * the thread with the engine: it gets an event queue (rte_events.h) that lives until
 * the thread ends. Ids of ended threads may be given to new threads by the system. */
RTE_API unsigned int CmtGetCurrentThreadID(void);
RTE_API unsigned int CurrThreadId(void);

/* ---- Locks ---------------------------------------------------------------------- */

/* Makes an unowned lock and stores its handle in *lock. lockName must be null or ""
 * and options 0 (other values give RTE_UIE_INVALID_ATTRIBUTE_VALUE, -90); a null lock
 * gives RTE_UIE_NULL_ARGUMENT (-65). */
RTE_API int CmtNewLock(const char *lockName, int options, int *lock);

/* Blocks until the calling thread owns the lock. Recursive: the owning thread may get
 * it again, and must release it as often as it got it. If the lock is discarded while
 * the caller waits, the call returns -130 without owning anything. */
RTE_API int CmtGetLock(int lock);

/* Releases one get of the lock. RTE_UIE_NOT_LOCK_OWNER (-131) when the calling thread
 * does not own it. */
RTE_API int CmtReleaseLock(int lock);

/* Discards the lock: waits until no other thread owns it (the caller may own it, any
 * number of times), then ends it; its handle gives -130 from then on. */
RTE_API int CmtDiscardLock(int lock);

/* ---- Thread-safe variables ------------------------------------------------------ */

/* Makes a variable of sizeOfVar bytes (zeroed) guarded by its own recursive lock, and
 * stores its handle in *tsv. sizeOfVar below 1 gives -90; a null tsv gives -65. */
RTE_API int CmtNewTSV(int sizeOfVar, int *tsv);

/* Locks the variable for the calling thread and stores a pointer to its storage in
 * *(void **)ptrToPtr. Re-entrant: a thread that holds the pointer may get it again
 * (each get is released once). The pointer stays valid until the variable is
 * discarded; use it only between get and release. Null ptrToPtr gives -65. */
RTE_API int CmtGetTSVPtr(int tsv, void *ptrToPtr);

/* Releases one get of the pointer. -131 when the calling thread does not hold it. */
RTE_API int CmtReleaseTSVPtr(int tsv);

/* Copy sizeOfVar bytes from value into the variable, or from the variable into value,
 * under its lock (also allowed while the calling thread holds the pointer). A null
 * value gives -65. */
RTE_API int CmtSetTSV(int tsv, const void *value);
RTE_API int CmtGetTSV(int tsv, void *value);

/* Discards the variable and its storage, waiting like CmtDiscardLock for a holder on
 * another thread to release it. */
RTE_API int CmtDiscardTSV(int tsv);

/* ---- Thread-local variables ----------------------------------------------------- */

/* Called by the engine when a copy of a thread-local variable ends: event is
 * CMT_TLV_EVENT_THREAD_EXIT or CMT_TLV_EVENT_DISCARD, threadId the copy's owning
 * thread (in the id space of CmtGetCurrentThreadID). */
typedef void (*CmtTLVDiscardFn)(void *threadLocalPtr, int event, void *callbackData,
                                unsigned int threadId);

/* Makes a thread-local variable of sizeOfVar bytes and stores its handle in *handle.
 * Each thread's copy is made on its first CmtGetThreadLocalVar as a copy of the
 * sizeOfVar bytes at templateValue (which the engine copies now; null: zeros).
 * discardFn (may be null) runs for every copy as it ends, with callbackData.
 * sizeOfVar below 1 gives -90; a null handle gives -65. */
RTE_API int CmtNewThreadLocalVar(int sizeOfVar, const void *templateValue,
                                 CmtTLVDiscardFn discardFn, void *callbackData, int *handle);

/* Stores a pointer to the calling thread's copy in *(void **)ptrToPtr, making the copy
 * from the template on the thread's first call. Works on any thread; once the copy
 * exists it takes no lock. The pointer is valid until the thread ends or the variable
 * is discarded. Null ptrToPtr gives -65; a copy that cannot be made gives -12. */
RTE_API int CmtGetThreadLocalVar(int handle, void *ptrToPtr);

/* Discards the variable: the discard routine runs on the calling thread with
 * CMT_TLV_EVENT_DISCARD for every live copy, each copy is freed after its routine
 * returns, and the handle gives -130 from then on. When a thread ends while the
 * variable is being discarded, the routine runs exactly once for that thread's copy:
 * either here with CMT_TLV_EVENT_DISCARD or on the ending thread with
 * CMT_TLV_EVENT_THREAD_EXIT. Returns after every routine has returned. */
RTE_API int CmtDiscardThreadLocalVar(int handle);

RTE_EXTERN_C_END

#endif
