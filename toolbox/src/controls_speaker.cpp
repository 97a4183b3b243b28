// The PC speaker: a tone programmed into the timer's channel 2 and gated to the
// speaker through the engine's ports (rte_ports.h), with the timer's own arithmetic.
//
// Choices:
//  - The divisor is the 32-bit quotient of the timer clock by the frequency cut to its
//    low 16 bits, as the timer takes only two bytes: frequencies below 19 Hz sound
//    at another pitch, and 0 (or anything above the clock) programs 0, the timer's
//    longest count.
#include "rte_ports.h"
#include "toolbox_internal.h"

namespace {

constexpr int kTimerControlPort = 0x43;
constexpr int kTimerChannel2Port = 0x42;
constexpr int kSpeakerGatePort = 0x61;
constexpr int kChannel2SquareWave = 0xB6;  // channel 2, low then high byte, mode 3
constexpr unsigned int kTimerClock = 1193180;
constexpr int kGateBits = 0x03;

unsigned int timerDivisor(unsigned int frequency) { return frequency == 0 ? 0 : kTimerClock / frequency; }

}  // namespace

extern "C" {

void StartPCSound(unsigned int frequency) {
    unsigned int divisor = timerDivisor(frequency);
    RTE_outp(kTimerControlPort, kChannel2SquareWave);
    RTE_outp(kTimerChannel2Port, static_cast<int>(divisor & 0xFFu));
    RTE_outp(kTimerChannel2Port, static_cast<int>((divisor >> 8) & 0xFFu));
    RTE_outp(kSpeakerGatePort, RTE_inp(kSpeakerGatePort) | kGateBits);
}

void StopPCSound(void) { RTE_outp(kSpeakerGatePort, RTE_inp(kSpeakerGatePort) & ~kGateBits & 0xFF); }

}  // extern "C"
