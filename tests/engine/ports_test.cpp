// The engine's speaker ports: when the tone sounds and at what pitch, as the ports
// hand it to the platform's sound backend.
#include <gtest/gtest.h>

#include "rte_internal.h"
#include "rte_ports.h"

namespace {

constexpr int kControl = 0x43, kChannel2 = 0x42, kGate = 0x61;

void programDivisor(unsigned int divisor) {
    RTE_outp(kControl, 0xB6);
    RTE_outp(kChannel2, static_cast<int>(divisor & 0xFF));
    RTE_outp(kChannel2, static_cast<int>(divisor >> 8));
}

// Only both gate bits sound the tone, at 1193182 / divisor rounded (0 counts 65536);
// a new divisor while sounding changes the pitch, and clearing either bit silences it.
TEST(SpeakerPorts, BothGateBitsSoundTheProgrammedPitch) {
    RTE_outp(kGate, 0);
    programDivisor(1193);
    EXPECT_EQ(rte::speakerHertz(), 0u);
    for (int gate : {0x01, 0x02, 0xFC, 0xFD, 0xFE}) {
        RTE_outp(kGate, gate);
        EXPECT_EQ(rte::speakerHertz(), 0u) << "gate " << gate;
    }
    RTE_outp(kGate, 0xF3);
    EXPECT_EQ(rte::speakerHertz(), 1000u);
    struct Pitch {
        unsigned int divisor, hertz;
    } pitches[] = {{0, 18}, {1, 1193182}, {2, 596591}, {3, 397727}, {0xFFFF, 18}, {2712, 440}};
    for (const Pitch &p : pitches) {
        programDivisor(p.divisor);
        EXPECT_EQ(rte::speakerHertz(), p.hertz) << "divisor " << p.divisor;
    }
    RTE_outp(kGate, 0xF1);
    EXPECT_EQ(rte::speakerHertz(), 0u);
    RTE_outp(kGate, 0);
}

}  // namespace
