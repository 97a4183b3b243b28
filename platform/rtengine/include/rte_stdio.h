/* rtengine: the engine's standard streams.
 *
 * The engine writes and reads through the C runtime's standard input/output library;
 * its standard streams are the runtime's own stdin, stdout and stderr, so what a
 * program writes to the engine's output and to stdout lands in the same place, in
 * order. */
#ifndef RTE_STDIO_H
#define RTE_STDIO_H

#include <stdio.h>
#include "rte_api.h"

RTE_EXTERN_C_BEGIN

/* Indexes into the array RTE_GetFilesArray returns. */
enum { RTE_STDIN_INDEX = 0, RTE_STDOUT_INDEX = 1, RTE_STDERR_INDEX = 2, RTE_STD_STREAMS = 3 };

/* The engine's array of standard streams (RTE_STD_STREAMS entries: input, output,
 * error). The array lives as long as the process; its entries are never null. */
RTE_API FILE *const *RTE_GetFilesArray(void);

/* The engine's standard output, RTE_GetFilesArray()[RTE_STDOUT_INDEX]. */
RTE_API FILE *RTE_StdOut(void);

RTE_EXTERN_C_END

#endif
