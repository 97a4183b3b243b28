/* rtengine: formatted copy into a string or an int.
 *
 * A format starts with its target item, which says what target points to:
 *  - "%s<": a char buffer; the composed text is written there, zero-terminated, and
 *    its length is returned;
 *  - "%d<": an int; the composed text is read as a decimal number and stored there,
 *    and the number of characters of the text that were read is returned (so a caller
 *    can tell whether text followed the number). Reading skips leading white space
 *    (space, tab, line breaks, vertical tab, form feed), takes one optional sign ('+'
 *    or '-') right before the digits, then the decimal digits, and stops at the first
 *    other character: "12abc" gives 12 with 2 characters read, "0x10" gives 0 with 1.
 *    No digits (also "", "-", "- 5") or a number outside the int range gives
 *    RTE_UIE_INVALID_ATTRIBUTE_VALUE (-90).
 * After the target item come literal text, "%s" items (the next source string
 * argument, copied whole) and "%%" (one percent sign). Every other target item or use
 * of "%" is refused with RTE_UIE_INVALID_FORMAT (-63); a null source string gives
 * RTE_UIE_NULL_ARGUMENT (-65), as does a null target or format. On every failure the
 * target is left as it was. */
#ifndef RTE_FORMAT_H
#define RTE_FORMAT_H

#include <stddef.h>
#include "rte_api.h"

RTE_EXTERN_C_BEGIN

/* Writes the result into target as its target item says and returns the count given
 * above. The caller guarantees room for a text result; FmtLimited is the checked form. */
RTE_API int Fmt(void *target, const char *format, ...);

/* As Fmt, but writes nothing and returns RTE_UIE_BUFFER_TOO_SMALL (-57) when the
 * result needs more than targetSize bytes (the text and its terminator, or an int). */
RTE_API int FmtLimited(void *target, size_t targetSize, const char *format, ...);

RTE_EXTERN_C_END

#endif
