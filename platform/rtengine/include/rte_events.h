/* rtengine: deferred calls, event processing and user events.
 *
 * Every registered thread (see CmtGetCurrentThreadID in rte_threads.h) has one event
 * queue: deferred calls posted to it from any thread, the user events it queued, and
 * (later) the due sources of its panels. The queue is worked only by the thread
 * itself, from ProcessSystemEvents and GetUserEvent; on Windows these also pump the
 * thread's Win32 message queue. A thread is registered from its first call of
 * CmtGetCurrentThreadID, CurrThreadId, ProcessSystemEvents, GetUserEvent or
 * QueueUserEvent (or a post to its own id) until it ends.
 *
 * Functions return 0 or a negative code (rte_errors.h); every failure is reported to
 * the library-error handler while breaking is on. */
#ifndef RTE_EVENTS_H
#define RTE_EVENTS_H

#include "rte_api.h"

RTE_EXTERN_C_BEGIN

/* A call run later on the target thread. */
typedef void (*DeferredCallFn)(void *callbackData);

/* Queues function(callbackData) on the event queue of thread threadId. Safe from any
 * thread. Calls to one thread run in the order they were queued, from that thread's
 * event processing, never inside this call (not even when a thread posts to itself
 * from a callback or a window procedure). A thread posting to its own id is
 * registered by the post. A call still queued when its thread ends is dropped
 * without running (see PostDeferredCallToThreadEx); calls queued on a thread that
 * never ends (the main thread at process exit) are never run.
 * Codes: -65 null function; RTE_UIE_NO_SUCH_THREAD (-132) when threadId has no event
 * queue (never registered, or ended), in which case nothing was queued; -12. */
RTE_API int PostDeferredCallToThread(DeferredCallFn function, void *callbackData,
                                     unsigned int threadId);

/* As PostDeferredCallToThread; when the call is dropped without running (its thread
 * ended with the call still queued), dropFunction(callbackData) runs instead, on the
 * ending thread during its exit, so the caller can free what the call owned.
 * dropFunction may be null. When the post itself fails neither function runs. */
RTE_API int PostDeferredCallToThreadEx(DeferredCallFn function, void *callbackData,
                                       unsigned int threadId, DeferredCallFn dropFunction);

/* Runs one bounded batch of the calling thread's events and returns 0 without
 * waiting: the deferred calls that were queued when it was entered (a call posted
 * during the pass, even by a call of the pass, runs on the next pass), each due source
 * at most once, and on Windows the thread's Win32 messages (PeekMessage,
 * TranslateMessage, DispatchMessage): those that were in the queue on entry, ending
 * early at a message posted after the pass began, and at most 512 per pass; a
 * WM_QUIT ends the pass and is posted again, so the program's own message loop sees
 * it. Re-entrant: a callback may call it again; the nested pass continues with the
 * oldest queued call. Returns -12 only when the thread cannot be registered. */
RTE_API int ProcessSystemEvents(void);

/* Appends a user event (eventNumber with panel and control) to the calling thread's
 * user-event queue, for its GetUserEvent. Any number except 0, negative ones
 * included. Codes: RTE_UIE_INVALID_EVENT (-133) for 0; -12. */
RTE_API int QueueUserEvent(int eventNumber, int panel, int control);

/* Takes the calling thread's oldest user event: returns its number (never 0; negative
 * numbers are queued numbers, not failures) and stores its panel and control in
 * *panel and *control (each may be null). With none pending:
 *  - waitForEvent 0: processes events once (as ProcessSystemEvents) and returns the
 *    user event that pass queued, else 0 with *panel and *control set to 0;
 *  - any other waitForEvent: keeps processing events until a user event arrives,
 *    sleeping between passes without using the processor; it wakes when a call is
 *    posted to the thread, a source falls due, or (Windows) a message arrives.
 * Returns -12 (with outputs untouched) only when the thread cannot be registered. */
RTE_API int GetUserEvent(int waitForEvent, int *panel, int *control);

RTE_EXTERN_C_END

#endif
