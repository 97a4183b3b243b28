// Port input and output, Windows backend: the speaker's tone as a square wave on the
// default wave-out device. One second of the wave holds a whole number of periods, so
// the device loops that one buffer for as long as the tone lasts and no thread of ours
// feeds it. A device that cannot be opened (none, or busy) leaves the speaker silent.
#include <windows.h>

#include <mmsystem.h>

#include <memory>
#include <vector>

#include "rte_internal.h"

namespace {

constexpr DWORD kSampleRate = 44100;
constexpr unsigned int kHighestTone = 20000;  // above it nothing is heard anyway
constexpr unsigned char kLow = 0x60, kHigh = 0xA0;  // 8-bit unsigned, modest volume

// One sounding tone: the open device and the looped buffer it plays; closing
// resets the device first, so the buffer is no longer in use when it is freed.
class Tone {
public:
    static std::unique_ptr<Tone> start(unsigned int hertz) {
        std::unique_ptr<Tone> tone(new Tone(hertz));
        if (!tone->open()) return nullptr;
        return tone;
    }
    ~Tone() {
        if (!device_) return;
        waveOutReset(device_);
        if (prepared_) waveOutUnprepareHeader(device_, &header_, sizeof header_);
        waveOutClose(device_);
    }
    Tone(const Tone &) = delete;
    Tone &operator=(const Tone &) = delete;

private:
    explicit Tone(unsigned int hertz) : samples_(kSampleRate) {
        // Sample i lies in half-period floor(2 * hertz * i / rate); even halves are high.
        for (DWORD i = 0; i < kSampleRate; ++i)
            samples_[i] = (2ull * hertz * i / kSampleRate) % 2 == 0 ? kHigh : kLow;
    }

    bool open() {
        WAVEFORMATEX format = {};
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = 1;
        format.nSamplesPerSec = kSampleRate;
        format.wBitsPerSample = 8;
        format.nBlockAlign = 1;
        format.nAvgBytesPerSec = kSampleRate;
        if (waveOutOpen(&device_, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
            device_ = nullptr;
            return false;
        }
        header_.lpData = reinterpret_cast<LPSTR>(samples_.data());
        header_.dwBufferLength = static_cast<DWORD>(samples_.size());
        header_.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
        header_.dwLoops = 0xFFFFFFFFu;
        if (waveOutPrepareHeader(device_, &header_, sizeof header_) != MMSYSERR_NOERROR) return false;
        prepared_ = true;
        return waveOutWrite(device_, &header_, sizeof header_) == MMSYSERR_NOERROR;
    }

    std::vector<unsigned char> samples_;
    HWAVEOUT device_ = nullptr;
    WAVEHDR header_ = {};
    bool prepared_ = false;
};

// The tone sounding now; replaced or ended under the port state's lock. The holder is
// never destroyed, so no device call runs while the engine is unloaded at exit (under
// the loader's lock); the system closes the device with the process.
std::unique_ptr<Tone> &currentTone() {
    static auto *holder = new std::unique_ptr<Tone>;
    return *holder;
}

}  // namespace

namespace rte {

void speakerTone(unsigned int hertz) {
    currentTone().reset();
    if (hertz == 0 || hertz > kHighestTone) return;
    currentTone() = Tone::start(hertz);
}

}  // namespace rte
