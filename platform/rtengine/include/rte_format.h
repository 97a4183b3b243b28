/* rtengine: formatted copy into a string.
 *
 * The formats the engine accepts: the target item "%s<" first, then any mix of
 * literal text, "%s" items (the next source string argument, copied whole) and "%%"
 * (one percent sign). Every other use of "%" is refused with RTE_UIE_INVALID_FORMAT
 * (-63) and the target is left as it was; so is a null source string
 * (RTE_UIE_NULL_ARGUMENT, -65). */
#ifndef RTE_FORMAT_H
#define RTE_FORMAT_H

#include <stddef.h>
#include "rte_api.h"

RTE_EXTERN_C_BEGIN

/* Writes the composed text, zero-terminated, into target and returns its length.
 * The caller guarantees room for it; FmtLimited is the checked form. */
RTE_API int Fmt(char *target, const char *format, ...);

/* As Fmt, but writes nothing and returns RTE_UIE_BUFFER_TOO_SMALL (-57) when the
 * text and its terminator need more than targetSize bytes. */
RTE_API int FmtLimited(char *target, size_t targetSize, const char *format, ...);

RTE_EXTERN_C_END

#endif
