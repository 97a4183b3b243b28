/* rtengine: export macro and the conventions of every engine header.
 *
 * Conventions
 *  - Plain C functions; failures come back as negative codes (see rte_errors.h),
 *    never as exceptions.
 *  - Strings are zero-terminated 8-bit strings. Paths are Windows paths on Windows
 *    and POSIX paths elsewhere; a path has at most 259 characters (RTE_MAX_PATHNAME_LEN
 *    bytes with its terminator).
 *  - Nothing an engine call returns needs freeing unless its contract says so.
 *  - A failing call, while break-on-library-errors is on, is reported to the
 *    library-error handler before it returns its code (rte_errors.h). */
#ifndef RTE_API_H
#define RTE_API_H

#if defined(_WIN32)
#  if defined(RTENGINE_BUILDING)
#    define RTE_API __declspec(dllexport)
#  else
#    define RTE_API __declspec(dllimport)
#  endif
#else
#  define RTE_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
#  define RTE_EXTERN_C_BEGIN extern "C" {
#  define RTE_EXTERN_C_END }
#else
#  define RTE_EXTERN_C_BEGIN
#  define RTE_EXTERN_C_END
#endif

/* Room of a path buffer, terminator included. */
#define RTE_MAX_PATHNAME_LEN 260

#endif
