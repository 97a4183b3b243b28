// Helpers for the fuzz targets: splitting the input into fields and guarded buffers
// that catch any write outside the room a function was given.
#ifndef TOOLBOX_FUZZ_SUPPORT_H
#define TOOLBOX_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace fuzz_support {

// Stops the run with a message: the law named was broken.
[[noreturn]] inline void broken(const char *law) {
    std::fprintf(stderr, "law broken: %s\n", law);
    std::abort();
}

inline void require(bool holds, const char *law) {
    if (!holds) broken(law);
}

// The input split at zero bytes into at most maxFields strings.
inline std::vector<std::string> fields(const uint8_t *data, size_t size, size_t maxFields) {
    std::vector<std::string> out(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0 && out.size() < maxFields)
            out.emplace_back();
        else
            out.back() += static_cast<char>(data[i]);
    }
    return out;
}

// A buffer of `room` usable bytes between two poisoned guard zones.
class GuardedBuffer {
public:
    static constexpr size_t kGuard = 32;
    static constexpr unsigned char kPoison = 0xbd;
    explicit GuardedBuffer(size_t room, unsigned char fill = kPoison)
        : room_(room), bytes_(room + 2 * kGuard, kPoison) {
        std::memset(data(), fill, room);
    }
    char *data() { return reinterpret_cast<char *>(bytes_.data() + kGuard); }
    size_t room() const { return room_; }
    // True when neither guard zone was written.
    bool guardsIntact() const {
        for (size_t i = 0; i < kGuard; ++i)
            if (bytes_[i] != kPoison || bytes_[kGuard + room_ + i] != kPoison) return false;
        return true;
    }

private:
    size_t room_;
    std::vector<unsigned char> bytes_;
};

}  // namespace fuzz_support

#endif
