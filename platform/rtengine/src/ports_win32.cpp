// Port input and output, Windows backend: the speaker's tone as a square wave on the
// default wave-out device. One second of the wave holds a whole number of periods, so
// the device loops that one buffer for as long as the tone lasts. Opening and closing
// the device can take a while (half a second the first time under Wine, which probes
// its sound drivers), so a worker thread, started with the first tone and never
// ended, does it; a port write only hands over the wanted pitch. A device that cannot
// be opened (none, or busy) leaves the speaker silent.
#include <windows.h>

#include <mmsystem.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
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

// The thread that owns the device: it plays the latest pitch asked for and skips
// pitches that were replaced before it got to them.
class ToneWorker {
public:
    void request(unsigned int hertz) {
        {
            std::lock_guard<std::mutex> hold(lock_);
            if (!started_ && hertz == 0) return;  // nothing sounds yet
            wanted_ = hertz;
            changed_ = true;
            if (!started_) {
                started_ = true;
                std::thread([this] { run(); }).detach();
            }
        }
        wake_.notify_one();
    }

private:
    void run() {
        std::unique_ptr<Tone> tone;
        unsigned int playing = 0;
        for (;;) {
            unsigned int hertz;
            {
                std::unique_lock<std::mutex> hold(lock_);
                wake_.wait(hold, [this] { return changed_; });
                changed_ = false;
                hertz = wanted_;
            }
            if (hertz == playing) continue;
            tone.reset();
            playing = hertz;
            if (hertz != 0 && hertz <= kHighestTone) tone = Tone::start(hertz);
        }
    }

    std::mutex lock_;
    std::condition_variable wake_;
    unsigned int wanted_ = 0;
    bool changed_ = false;
    bool started_ = false;
};

// Never destroyed: its thread runs until the process ends, and the system closes the
// device then; no device call runs while the engine is unloaded under the loader's lock.
ToneWorker &toneWorker() {
    static auto *worker = new ToneWorker;
    return *worker;
}

}  // namespace

namespace rte {

void speakerTone(unsigned int hertz) {
    toneWorker().request(hertz);
}

}  // namespace rte
