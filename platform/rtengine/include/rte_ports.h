/* rtengine: port input and output.
 *
 * User-mode programs may not touch hardware ports on any system the engine runs on,
 * so the engine emulates the ports of the PC speaker and nothing else:
 *  - 0x43, the timer's control port: a control word for channel 2 (0x80..0xBF)
 *    selects how the channel's divisor is written and read (bits 4-5: 1 low byte only,
 *    2 high byte only, 3 low then high byte; 0, a latch command, is ignored) and
 *    restarts the low/high sequence. Control words for the other channels are
 *    ignored. A read gives the last control word taken for channel 2 (0 before any).
 *  - 0x42, channel 2's divisor: writes and reads follow the sequence the control word
 *    chose. A read gives a byte of the programmed divisor, not a live count. A divisor
 *    of 0 counts 65536. Before the first control word for channel 2, writes are
 *    ignored and reads give 0xFF.
 *  - 0x61, the speaker gate: the byte written is kept as written; a read gives it
 *    (0 before any write). While its bits 0 (timer gate) and 1 (speaker data) are both
 *    set the speaker sounds at 1193182 / divisor hertz.
 *  - Any other port: writes are ignored and reads give 0xFF, as an unconnected bus
 *    reads. Only the low 8 bits of a value are written; a port outside 0..0xFFFF is
 *    "any other port".
 * The speaker: on Windows the tone is a square wave played through the default
 * wave-out device by a thread of the engine (started with the first tone), so no call
 * waits for the device; without a sound device (or above 20000 Hz) nothing sounds and
 * the ports work all the same.
 * Elsewhere the ports are emulated without sound. One port state per process, safe
 * on several threads at once. Neither function ever fails. */
#ifndef RTE_PORTS_H
#define RTE_PORTS_H

#include "rte_api.h"

RTE_EXTERN_C_BEGIN

/* The byte read from port, 0..255, as above. */
RTE_API int RTE_inp(int port);

/* Writes value's low byte to port, as above; returns the byte written. */
RTE_API int RTE_outp(int port, int value);

RTE_EXTERN_C_END

#endif
