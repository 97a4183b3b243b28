/* rtengine: error codes, their texts and the break-on-library-errors switch. */
#ifndef RTE_ERRORS_H
#define RTE_ERRORS_H

#include "rte_api.h"

/* Codes of the user-interface library (magnitude below 1000). Every one has a text in
 * GetUILErrorString. */
enum {
    RTE_UIE_NO_ERROR = 0,
    RTE_UIE_OUT_OF_MEMORY = -12,
    RTE_UIE_COUNT_BELOW_ONE = -14,
    RTE_UIE_INVALID_CONTROL = -42,
    RTE_UIE_INVALID_PANEL = -45,
    RTE_UIE_INVALID_ATTRIBUTE = -46,
    RTE_UIE_BUFFER_TOO_SMALL = -57,
    RTE_UIE_INVALID_FORMAT = -63,
    RTE_UIE_NULL_ARGUMENT = -65,
    RTE_UIE_UNKNOWN_FONT = -89,
    RTE_UIE_INVALID_ATTRIBUTE_VALUE = -90,
    RTE_UIE_TOO_MANY_FILES_OPEN = -91,
    RTE_UIE_IO_ERROR = -93,
    RTE_UIE_FILE_NOT_FOUND = -94,
    RTE_UIE_ACCESS_DENIED = -95,
    RTE_UIE_DISK_FULL = -97,
    RTE_UIE_BAD_PATH_NAME = -100,
    /* Threads and events (rte_threads.h, rte_events.h). */
    RTE_UIE_INVALID_THREAD_OBJECT = -130, /* lock or variable never made, or discarded */
    RTE_UIE_NOT_LOCK_OWNER = -131,        /* lock or pointer not held by the caller */
    RTE_UIE_NO_SUCH_THREAD = -132,        /* the thread has no event queue */
    RTE_UIE_INVALID_EVENT = -133,         /* an event number the call cannot take */
    /* User interface (rte_ui.h). */
    RTE_UIE_WRONG_THREAD = -134,          /* the panel belongs to another thread */
    RTE_UIE_INVALID_CONTROL_STYLE = -135, /* NewCtrl: a style the engine does not know */
    RTE_UIE_INDEX_OUT_OF_RANGE = -136,    /* no list item at that index (or none selected) */
    RTE_UIE_WRONG_CONTROL_KIND = -137,    /* the call does not apply to that kind of control */
    /* Bitmaps (rte_bitmaps.h). */
    RTE_UIE_INVALID_BITMAP = -140,        /* bitmap never made, or discarded */
    RTE_UIE_INVALID_PIXEL_DEPTH = -141    /* a pixel depth the call cannot take */
};

RTE_EXTERN_C_BEGIN

/* Text of a user-interface library code; an unknown code gives
 * "Unknown user interface library error". Never null; static, do not free. */
RTE_API const char *GetUILErrorString(int errorCode);

/* Break on library errors: a process-wide switch, off when the engine starts. While
 * it is on, every engine call that fails hands its name and code to the library-error
 * handler before returning. */
RTE_API int GetBreakOnLibraryErrors(void);
/* Sets the switch (nonzero = on) and returns the previous setting. */
RTE_API int SetBreakOnLibraryErrors(int on);
RTE_API void EnableBreakOnLibraryErrors(void);
RTE_API void DisableBreakOnLibraryErrors(void);

/* The handler receives the failing function's name and its code. The default writes
 * one line to standard error: "rtengine: <function> failed with code <code>". */
typedef void (*RTE_LibraryErrorHandler)(const char *function, int errorCode);
/* Installs a handler (null: the default) and returns the previous one. */
RTE_API RTE_LibraryErrorHandler RTE_SetLibraryErrorHandler(RTE_LibraryErrorHandler handler);

RTE_EXTERN_C_END

#endif
