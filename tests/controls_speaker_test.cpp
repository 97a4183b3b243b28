// The PC speaker over the engine's emulated ports: what StartPCSound/StopPCSound
// program, and how the engine's ports behave for the speaker's ports and all others.
// On Windows a tone may really sound while a case runs; the port state is the same
// whether the process has a sound device or not.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "rtengine.h"
#include "toolbox.h"

namespace {

constexpr int kControl = 0x43, kChannel2 = 0x42, kGate = 0x61;

// The two divisor bytes that reading port 0x42 gives after a low-then-high control word.
unsigned int readDivisor() {
    int low = RTE_inp(kChannel2);
    int high = RTE_inp(kChannel2);
    return static_cast<unsigned int>(low | (high << 8));
}

struct Tone {
    unsigned int frequency;
    unsigned int divisor;
};

class Speaker : public ::testing::TestWithParam<Tone> {
protected:
    void TearDown() override { RTE_outp(kGate, 0); }
};

// The divisor is the timer clock 1193180 over the frequency, 0 for frequency 0 and
// above the clock, cut to 16 bits below 19 Hz; start sets only the gate's two low bits
// and stop clears only them.
TEST_P(Speaker, ProgramsTheDivisorAndGatesOnlyTheLowBits) {
    const Tone tone = GetParam();
    RTE_outp(kGate, 0xA4);
    StartPCSound(tone.frequency);
    EXPECT_EQ(RTE_inp(kControl), 0xB6);
    EXPECT_EQ(readDivisor(), tone.divisor);
    EXPECT_EQ(RTE_inp(kGate), 0xA7);
    StopPCSound();
    EXPECT_EQ(RTE_inp(kGate), 0xA4);
    EXPECT_EQ(readDivisor(), tone.divisor) << "stopping reprogrammed the timer";
}

INSTANTIATE_TEST_SUITE_P(Frequencies, Speaker,
                         ::testing::Values(Tone{1000, 0x04A9}, Tone{0, 0}, Tone{70000, 17},
                                           Tone{1193180, 1}, Tone{1193181, 0}, Tone{10, 119318 & 0xFFFF},
                                           Tone{1, 1193180 & 0xFFFF}, Tone{0xFFFFFFFFu, 0}),
                         [](const ::testing::TestParamInfo<Tone> &tone) {
                             return std::to_string(tone.param.frequency) + "Hz";
                         });

// Stopping a speaker that never started keeps every other bit of port 0x61, whatever
// it held; starting twice keeps the bits and takes the second divisor.
TEST(SpeakerGate, StopWithoutStartAndRestartKeepTheOtherBits) {
    for (int before : {0x00, 0x03, 0xFC, 0xFF, 0x5A}) {
        SCOPED_TRACE(before);
        RTE_outp(kGate, before);
        StopPCSound();
        EXPECT_EQ(RTE_inp(kGate), before & 0xFC);
    }
    RTE_outp(kGate, 0x10);
    StartPCSound(440);
    StartPCSound(2000);
    EXPECT_EQ(RTE_inp(kGate), 0x13);
    EXPECT_EQ(readDivisor(), 1193180u / 2000);
    StopPCSound();
    EXPECT_EQ(RTE_inp(kGate), 0x10);
    RTE_outp(kGate, 0);
}

// Ports other than the speaker's read 0xFF and ignore writes (neighbours of the
// speaker's ports and numbers that alias them in their low bits included); a write
// gives back the low byte it wrote.
TEST(EnginePorts, OtherPortsReadAllOnesAndIgnoreWrites) {
    RTE_outp(kControl, 0xB6);
    RTE_outp(kChannel2, 0x34);
    RTE_outp(kChannel2, 0x12);
    RTE_outp(kGate, 0x0C);
    for (int port : {0x40, 0x41, 0x44, 0x60, 0x62, 0x378, 0xFFFF, 0x10042, 0x10061, -1, -0x42}) {
        SCOPED_TRACE(port);
        EXPECT_EQ(RTE_outp(port, 0x1FF), 0xFF);
        EXPECT_EQ(RTE_inp(port), 0xFF);
    }
    EXPECT_EQ(RTE_inp(kControl), 0xB6);
    EXPECT_EQ(readDivisor(), 0x1234u);
    EXPECT_EQ(RTE_inp(kGate), 0x0C);
    EXPECT_EQ(RTE_outp(kGate, 0x1234503), 0x03);
    EXPECT_EQ(RTE_inp(kGate), 0x03);
    EXPECT_EQ(RTE_outp(kGate, -1), 0xFF);
    RTE_outp(kGate, 0);
}

// Control words: only channel 2's are taken (other channels' and latch commands leave
// the access mode); a low-only or high-only word sends every byte to that half; a new
// word restarts the low/high sequence of writes and reads.
TEST(EnginePorts, ControlWordsChooseHowTheDivisorIsWritten) {
    RTE_outp(kControl, 0xB6);
    RTE_outp(kChannel2, 0x22);
    RTE_outp(kChannel2, 0x11);
    for (int ignored : {0x36, 0x76, 0xF6, 0x80, 0x86}) {
        SCOPED_TRACE(ignored);
        RTE_outp(kControl, ignored);
        EXPECT_EQ(RTE_inp(kControl), 0xB6);
    }
    RTE_outp(kControl, 0x96);  // low byte only
    RTE_outp(kChannel2, 0x44);
    RTE_outp(kChannel2, 0x55);
    EXPECT_EQ(RTE_inp(kChannel2), 0x55);
    EXPECT_EQ(RTE_inp(kChannel2), 0x55);
    RTE_outp(kControl, 0xA6);  // high byte only
    RTE_outp(kChannel2, 0x66);
    EXPECT_EQ(RTE_inp(kChannel2), 0x66);
    RTE_outp(kControl, 0xB6);
    RTE_inp(kChannel2);  // half a read, then a new word starts again at the low byte
    RTE_outp(kChannel2, 0x01);
    RTE_outp(kControl, 0xB6);
    EXPECT_EQ(readDivisor(), 0x6601u);
    RTE_outp(kChannel2, 0xCD);
    RTE_outp(kChannel2, 0xAB);
    EXPECT_EQ(readDivisor(), 0xABCDu);
}

// Threads that start and stop the speaker at once: each port access is whole, so the
// last stop leaves the gate's other bits as they were.
TEST(SpeakerGate, ConcurrentStartsAndStopsKeepTheState) {
    RTE_outp(kGate, 0x40);
    std::vector<std::thread> threads;
    for (unsigned int frequency : {500u, 1000u, 2000u, 4000u})
        threads.emplace_back([frequency] {
            for (int i = 0; i < 200; ++i) {
                StartPCSound(frequency);
                StopPCSound();
            }
        });
    for (std::thread &thread : threads) thread.join();
    EXPECT_EQ(RTE_inp(kGate), 0x40);
    RTE_outp(kControl, 0xB6);
    RTE_outp(kGate, 0);
}

}  // namespace
