// Array utilities: the data-type table, element-wise conversion between numeric types
// and the rearrangement of interleaved channels into channel blocks.
//
// Choices made here:
//  - ConvertArrayType leaves a target element untouched when no value can be read
//    (string or invalid source type) or written (string or invalid target type).
//  - Doubles that no 64-bit integer holds still convert to integer types by the same
//    law as every other value: truncated, then wrapped modulo 2^64 and cut to the
//    target's width. NaN and the infinities have no integer value and give 0.
//  - Doubles beyond float's range become the infinity of their sign (what rounding to
//    the nearest float gives), without relying on an out-of-range cast.
//  - The string type's size is that of a pointer (4 on the 32-bit targets), since its
//    elements are pointers; counting 4 on a 64-bit target would split them.
//  - TransposeData checks the type code before anything else, so an invalid code
//    asserts even when there is nothing to rearrange.
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

#include "toolbox_internal.h"

namespace {

// The string type is an array of pointers: 4 bytes on 32-bit targets, pointer-sized on
// 64-bit ones, so that such arrays are moved as whole pointers.
constexpr int kTypeSizes[] = {1, 4, 2, 4, 8, static_cast<int>(sizeof(char *)), 2, 4, 1};
constexpr int kTypeCount = static_cast<int>(sizeof kTypeSizes / sizeof kTypeSizes[0]);

bool isValidType(int type) { return type >= 0 && type < kTypeCount; }

template <typename T>
T load(const unsigned char *at) {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

template <typename T>
void store(unsigned char *at, T value) {
    std::memcpy(at, &value, sizeof value);
}

// Source element as a double; false when the type carries no number.
bool readAsDouble(const unsigned char *at, int type, double *value) {
    switch (type) {
    case TB_TYPE_CHAR: *value = load<std::int8_t>(at); return true;
    case TB_TYPE_INT: *value = load<std::int32_t>(at); return true;
    case TB_TYPE_SHORT: *value = load<std::int16_t>(at); return true;
    case TB_TYPE_FLOAT: *value = load<float>(at); return true;
    case TB_TYPE_DOUBLE: *value = load<double>(at); return true;
    case TB_TYPE_UNSIGNED_SHORT: *value = load<std::uint16_t>(at); return true;
    case TB_TYPE_UNSIGNED_INT: *value = load<std::uint32_t>(at); return true;
    case TB_TYPE_UNSIGNED_CHAR: *value = load<std::uint8_t>(at); return true;
    default: return false;
    }
}

// The value truncated toward zero, as its two's-complement bits modulo 2^64.
std::uint64_t truncatedBits(double value) {
    if (!std::isfinite(value)) return 0;
    double whole = std::trunc(value);
    constexpr double kTwo63 = 9223372036854775808.0;
    if (whole >= -kTwo63 && whole < kTwo63)
        return static_cast<std::uint64_t>(static_cast<std::int64_t>(whole));
    constexpr double kTwo64 = 2 * kTwo63;
    double wrapped = std::fmod(whole, kTwo64);  // exact; |wrapped| < 2^64
    if (wrapped < 0) wrapped += kTwo64;         // exact: multiples of 2^11 here
    return static_cast<std::uint64_t>(wrapped);
}

float nearestFloat(double value) {
    // Above this, rounding to nearest gives infinity; below, the cast is in range.
    constexpr double kFloatLimit = static_cast<double>(FLT_MAX) + 0x1p103;
    if (value >= kFloatLimit) return std::numeric_limits<float>::infinity();
    if (value <= -kFloatLimit) return -std::numeric_limits<float>::infinity();
    if (value > FLT_MAX) return FLT_MAX;
    if (value < -FLT_MAX) return -FLT_MAX;
    return static_cast<float>(value);
}

void writeFromDouble(unsigned char *at, int type, double value) {
    switch (type) {
    case TB_TYPE_CHAR:
    case TB_TYPE_UNSIGNED_CHAR: store(at, static_cast<std::uint8_t>(truncatedBits(value))); break;
    case TB_TYPE_SHORT:
    case TB_TYPE_UNSIGNED_SHORT: store(at, static_cast<std::uint16_t>(truncatedBits(value))); break;
    case TB_TYPE_INT:
    case TB_TYPE_UNSIGNED_INT: store(at, static_cast<std::uint32_t>(truncatedBits(value))); break;
    case TB_TYPE_FLOAT: store(at, nearestFloat(value)); break;
    case TB_TYPE_DOUBLE: store(at, value); break;
    default: break;
    }
}

// The scratch method: each channel's samples, in order, copied behind the previous
// channel's.
template <size_t Size>
void gatherChannels(const unsigned char *from, unsigned char *to, size_t points, size_t channels) {
    size_t rows = points / channels, extra = points % channels;
    unsigned char *out = to;
    for (size_t ch = 0; ch < channels; ++ch) {
        size_t samples = rows + (ch < extra ? 1 : 0);
        const unsigned char *in = from + ch * Size;
        for (size_t k = 0; k < samples; ++k, in += channels * Size, out += Size)
            std::memcpy(out, in, Size);
    }
}

void gatherChannels(const unsigned char *from, unsigned char *to, size_t points, size_t channels,
                    size_t size) {
    switch (size) {
    case 1: gatherChannels<1>(from, to, points, channels); break;
    case 2: gatherChannels<2>(from, to, points, channels); break;
    case 4: gatherChannels<4>(from, to, points, channels); break;
    default: gatherChannels<8>(from, to, points, channels); break;
    }
}

// Takes element `from` out and puts it at `to` (to <= from), shifting the elements in
// between one place up; only one element of extra memory.
void moveElementDown(unsigned char *data, size_t size, size_t from, size_t to) {
    if (from == to) return;
    unsigned char held[8];
    std::memcpy(held, data + from * size, size);
    std::memmove(data + (to + 1) * size, data + to * size, (from - to) * size);
    std::memcpy(data + to * size, held, size);
}

// The same rearrangement without a scratch array: channels are gathered to the front
// of the part not yet done, one at a time; then the partial last row, left at the end
// in channel order, is moved to the ends of its channels. Quadratic in moves.
void transposeInPlace(unsigned char *data, size_t size, size_t points, size_t channels) {
    size_t rows = points / channels, extra = points % channels;
    unsigned char *part = data;
    for (size_t left = channels; left > 1; --left, part += rows * size)
        for (size_t i = 1; i < rows; ++i) moveElementDown(part, size, i * left, i);
    for (size_t j = extra; j-- > 0;) moveElementDown(data, size, points - 1, (j + 1) * rows);
}

}  // namespace

extern "C" {

int GetDataTypeSize(int dataType) {
    TB_ASSERT(isValidType(dataType), "Parameter 1 passed to GetDataTypeSize was not a valid data type.");
    return isValidType(dataType) ? kTypeSizes[dataType] : 0;
}

void ConvertArrayType(const void *source, int sourceType, void *target, int targetType, int count) {
    if (count <= 0) return;
    TB_ASSERT(source != nullptr, "NULL passed to first parameter of ConvertArrayType()");
    TB_ASSERT(target != nullptr, "NULL passed to third parameter of ConvertArrayType()");
    if (!isValidType(sourceType) || !isValidType(targetType)) return;
    size_t sourceSize = static_cast<size_t>(kTypeSizes[sourceType]);
    size_t targetSize = static_cast<size_t>(kTypeSizes[targetType]);
    const auto *in = static_cast<const unsigned char *>(source);
    auto *out = static_cast<unsigned char *>(target);
    // In index order, element by element, so that overlapping arrays behave as the
    // element-wise definition says.
    for (int i = 0; i < count; ++i, in += sourceSize, out += targetSize) {
        double value;
        if (readAsDouble(in, sourceType, &value)) writeFromDouble(out, targetType, value);
    }
}

void TransposeData(void *data, int dataType, int numPoints, int numChannels) {
    size_t size = static_cast<size_t>(GetDataTypeSize(dataType));
    if (numChannels < 2 || numPoints <= 0) return;
    if (numPoints / numChannels < 2 && numPoints % numChannels == 0) return;
    TB_ASSERT(data != nullptr, "NULL passed to first parameter of TransposeData()");
    auto points = static_cast<size_t>(numPoints), channels = static_cast<size_t>(numChannels);
    auto *bytes = static_cast<unsigned char *>(data);
    // A size that overflows cannot be allocated either: the in-place method then runs.
    bool fits = points <= std::numeric_limits<size_t>::max() / size;
    std::unique_ptr<unsigned char, decltype(&std::free)> scratch(
        fits ? static_cast<unsigned char *>(tb::allocate(points * size)) : nullptr, &std::free);
    if (!scratch) {
        transposeInPlace(bytes, size, points, channels);
        return;
    }
    gatherChannels(bytes, scratch.get(), points, channels, size);
    std::memcpy(bytes, scratch.get(), points * size);
}

}  // extern "C"
