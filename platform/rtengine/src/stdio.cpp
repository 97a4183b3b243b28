// The engine's standard streams: the C runtime's own, gathered once into one array.
#include <cstdio>

#include "rte_internal.h"

extern "C" {

FILE *const *RTE_GetFilesArray(void) {
    // Initialised once, on first use, when the runtime's streams certainly exist.
    static FILE *const streams[RTE_STD_STREAMS] = {stdin, stdout, stderr};
    return streams;
}

FILE *RTE_StdOut(void) { return RTE_GetFilesArray()[RTE_STDOUT_INDEX]; }

}  // extern "C"
