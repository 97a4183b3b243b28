// Port input and output: the emulated speaker ports (rte_ports.h says what each port
// does). The state is one small struct under one lock; the platform backend sounds
// the tone whenever the gate or the divisor changes what should be heard.
//
// Choices:
//  - The tone's frequency is rounded to whole hertz before it reaches the backend.
//  - A divisor whose low byte was written but not yet its high byte is used as it
//    stands (the old high byte kept), as the timer itself would count.
#include <mutex>

#include "rte_internal.h"
#include "rte_ports.h"

namespace {

constexpr int kDivisorPort = 0x42;
constexpr int kControlPort = 0x43;
constexpr int kGatePort = 0x61;
constexpr int kUnconnected = 0xFF;
constexpr unsigned int kTimerClock = 1193182;
constexpr int kGateBits = 0x03;  // timer gate and speaker data

enum Access { kLatch = 0, kLowOnly = 1, kHighOnly = 2, kLowThenHigh = 3 };

struct SpeakerPorts {
    std::mutex lock;
    int control = 0;             // last control word taken for channel 2
    unsigned int divisor = 0;    // 16 bits; 0 counts 65536
    bool nextIsHigh = false;     // low/high sequence of writes
    bool nextReadIsHigh = false; // and of reads
    int gate = 0;                // port 0x61 as written
    unsigned int sounding = 0;   // hertz handed to the backend
};

SpeakerPorts &ports() {
    static SpeakerPorts state;
    return state;
}

Access access(int control) { return static_cast<Access>((control >> 4) & 3); }

bool isChannelTwo(int control) { return (control & 0xC0) == 0x80; }

unsigned int audibleHertz(const SpeakerPorts &state) {
    if ((state.gate & kGateBits) != kGateBits) return 0;
    unsigned int count = state.divisor == 0 ? 65536u : state.divisor;
    return (kTimerClock + count / 2) / count;
}

void updateTone(SpeakerPorts &state) {
    unsigned int hertz = audibleHertz(state);
    if (hertz == state.sounding) return;
    state.sounding = hertz;
    rte::speakerTone(hertz);
}

void writeControl(SpeakerPorts &state, int byte) {
    if (!isChannelTwo(byte) || access(byte) == kLatch) return;
    state.control = byte;
    state.nextIsHigh = access(byte) == kHighOnly;
    state.nextReadIsHigh = state.nextIsHigh;
}

void writeDivisor(SpeakerPorts &state, int byte) {
    unsigned int value = static_cast<unsigned int>(byte);
    if (state.nextIsHigh)
        state.divisor = (state.divisor & 0x00FFu) | (value << 8);
    else
        state.divisor = (state.divisor & 0xFF00u) | value;
    if (access(state.control) == kLowThenHigh) state.nextIsHigh = !state.nextIsHigh;
}

int readDivisor(SpeakerPorts &state) {
    int byte = static_cast<int>(state.nextReadIsHigh ? state.divisor >> 8 : state.divisor & 0xFFu);
    if (access(state.control) == kLowThenHigh) state.nextReadIsHigh = !state.nextReadIsHigh;
    return byte;
}

}  // namespace

namespace rte {

unsigned int speakerHertz() {
    SpeakerPorts &state = ports();
    std::lock_guard<std::mutex> hold(state.lock);
    return state.sounding;
}

}  // namespace rte

extern "C" {

RTE_API int RTE_inp(int port) {
    SpeakerPorts &state = ports();
    std::lock_guard<std::mutex> hold(state.lock);
    switch (port) {
    case kControlPort: return state.control;
    case kDivisorPort: return access(state.control) == kLatch ? kUnconnected : readDivisor(state);
    case kGatePort: return state.gate;
    default: return kUnconnected;
    }
}

RTE_API int RTE_outp(int port, int value) {
    int byte = value & 0xFF;
    SpeakerPorts &state = ports();
    std::lock_guard<std::mutex> hold(state.lock);
    switch (port) {
    case kControlPort: writeControl(state, byte); break;
    case kDivisorPort:
        if (access(state.control) != kLatch) writeDivisor(state, byte);
        break;
    case kGatePort: state.gate = byte; break;
    default: return byte;
    }
    updateTone(state);
    return byte;
}

}  // extern "C"
