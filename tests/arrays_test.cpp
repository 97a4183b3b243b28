// Array utilities: the type table, conversion between numeric types, and both methods
// of rearranging interleaved channels.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "assertion_capture.h"
#include "toolbox.h"
#include "toolbox_internal.h"

using testing_support::assertionShownBy;

namespace {

TEST(GetDataTypeSize, GivesTheTableSizes) {
    const int expected[] = {1, 4, 2, 4, 8, static_cast<int>(sizeof(char *)), 2, 4, 1};
    for (int type = 0; type < 9; ++type) EXPECT_EQ(GetDataTypeSize(type), expected[type]) << type;
}

TEST(ArraysDeathTest, InvalidTypeCodesAssertWithTheMessage) {
    for (int type : {9, -1}) {
        std::string shown = assertionShownBy([type] { GetDataTypeSize(type); });
        EXPECT_NE(shown.find("Parameter 1 passed to GetDataTypeSize was not a valid data type."),
                  std::string::npos)
            << shown;
    }
    int data[4] = {1, 2, 3, 4};
    EXPECT_NE(assertionShownBy([&] { TransposeData(data, 12, 4, 2); }).find("GetDataTypeSize"),
              std::string::npos);
}

// --- conversion -------------------------------------------------------------------

template <typename To, typename From>
To convertOne(From value, int fromType, int toType) {
    To out;
    std::memset(&out, 0xbd, sizeof out);
    ConvertArrayType(&value, fromType, &out, toType, 1);
    return out;
}

TEST(ConvertArrayType, TruncatesTowardZeroAndWraps) {
    EXPECT_EQ((convertOne<int32_t>(-2.7, TB_TYPE_DOUBLE, TB_TYPE_INT)), -2);
    EXPECT_EQ((convertOne<int32_t>(3.9, TB_TYPE_DOUBLE, TB_TYPE_INT)), 3);
    EXPECT_EQ((convertOne<uint8_t>(300.0, TB_TYPE_DOUBLE, TB_TYPE_UNSIGNED_CHAR)), 44);
    EXPECT_EQ((convertOne<uint16_t>(int32_t{-1}, TB_TYPE_INT, TB_TYPE_UNSIGNED_SHORT)), 65535);
    EXPECT_EQ((convertOne<int8_t>(200.9f, TB_TYPE_FLOAT, TB_TYPE_CHAR)), -56);
    EXPECT_EQ((convertOne<int32_t>(4294967296.0 + 5, TB_TYPE_DOUBLE, TB_TYPE_INT)), 5);
    EXPECT_EQ((convertOne<uint32_t>(-1.5, TB_TYPE_DOUBLE, TB_TYPE_UNSIGNED_INT)), 4294967295u);
}

// An unsigned 32-bit value with its top bit set is a large number, not a negative one.
TEST(ConvertArrayType, UnsignedSourcesKeepTheirValue) {
    EXPECT_EQ((convertOne<double>(uint32_t{4294967295u}, TB_TYPE_UNSIGNED_INT, TB_TYPE_DOUBLE)), 4294967295.0);
    EXPECT_EQ((convertOne<double>(uint16_t{65535}, TB_TYPE_UNSIGNED_SHORT, TB_TYPE_DOUBLE)), 65535.0);
    EXPECT_EQ((convertOne<double>(uint8_t{255}, TB_TYPE_UNSIGNED_CHAR, TB_TYPE_DOUBLE)), 255.0);
    EXPECT_EQ((convertOne<double>(int8_t{-128}, TB_TYPE_CHAR, TB_TYPE_DOUBLE)), -128.0);
    EXPECT_EQ((convertOne<float>(int32_t{16777217}, TB_TYPE_INT, TB_TYPE_FLOAT)), 16777216.0f);
}

// Values no 64-bit integer holds must not be undefined behaviour: they wrap like the
// others, and NaN or infinity give 0.
TEST(ConvertArrayType, HugeAndNonFiniteValuesAreWellDefined) {
    EXPECT_EQ((convertOne<uint32_t>(18446744073709551616.0 + 4096.0 * 3, TB_TYPE_DOUBLE, TB_TYPE_UNSIGNED_INT)),
              12288u);
    EXPECT_EQ((convertOne<int32_t>(-9223372036854775808.0 * 4, TB_TYPE_DOUBLE, TB_TYPE_INT)), 0);
    EXPECT_EQ((convertOne<int32_t>(1e300, TB_TYPE_DOUBLE, TB_TYPE_INT)), 0);
    EXPECT_EQ((convertOne<int16_t>(std::nan(""), TB_TYPE_DOUBLE, TB_TYPE_SHORT)), 0);
    EXPECT_EQ((convertOne<int32_t>(-std::numeric_limits<double>::infinity(), TB_TYPE_DOUBLE, TB_TYPE_INT)), 0);
    EXPECT_EQ((convertOne<float>(1e300, TB_TYPE_DOUBLE, TB_TYPE_FLOAT)), INFINITY);
    EXPECT_EQ((convertOne<float>(-1e39, TB_TYPE_DOUBLE, TB_TYPE_FLOAT)), -INFINITY);
    EXPECT_EQ((convertOne<float>(3.4028235e38, TB_TYPE_DOUBLE, TB_TYPE_FLOAT)), std::numeric_limits<float>::max());
}

// No value to read or nowhere to write: the target is left as it was.
TEST(ConvertArrayType, StringAndInvalidTypesLeaveTheTargetUntouched) {
    int32_t target[3] = {static_cast<int32_t>(0xdeadbeef), static_cast<int32_t>(0xdeadbeef),
                         static_cast<int32_t>(0xdeadbeef)};
    const char *strings[3] = {"1", "2", "3"};
    ConvertArrayType(strings, TB_TYPE_STRING, target, TB_TYPE_INT, 3);
    ConvertArrayType(strings, 42, target, TB_TYPE_INT, 3);
    double values[3] = {1, 2, 3};
    ConvertArrayType(values, TB_TYPE_DOUBLE, target, TB_TYPE_STRING, 1);
    ConvertArrayType(values, TB_TYPE_DOUBLE, target, -3, 3);
    ConvertArrayType(values, TB_TYPE_DOUBLE, target, TB_TYPE_INT, 0);
    for (int32_t t : target) EXPECT_EQ(t, static_cast<int32_t>(0xdeadbeef));
}

// Element by element in index order, and no element past count is written.
TEST(ConvertArrayType, ConvertsExactlyCountElementsInOrder) {
    int16_t source[5] = {-3, 0, 7, 32767, -32768};
    double target[6];
    std::fill(target, target + 6, 99.5);
    ConvertArrayType(source, TB_TYPE_SHORT, target, TB_TYPE_DOUBLE, 5);
    EXPECT_EQ(target[0], -3.0);
    EXPECT_EQ(target[3], 32767.0);
    EXPECT_EQ(target[4], -32768.0);
    EXPECT_EQ(target[5], 99.5);
    // Narrowing in place over the same buffer works because elements go in index order.
    int32_t shared[4] = {1, -2, 300, 4};
    ConvertArrayType(shared, TB_TYPE_INT, shared, TB_TYPE_SHORT, 4);
    int16_t narrowed[4];
    std::memcpy(narrowed, shared, sizeof narrowed);
    EXPECT_EQ(narrowed[0], 1);
    EXPECT_EQ(narrowed[1], -2);
    EXPECT_EQ(narrowed[2], 300);
    EXPECT_EQ(narrowed[3], 4);
}

// --- transposition ----------------------------------------------------------------

std::vector<int> transposed(std::vector<int> data, int channels) {
    TransposeData(data.data(), TB_TYPE_INT, static_cast<int>(data.size()), channels);
    return data;
}

TEST(TransposeData, KnownLayouts) {
    EXPECT_EQ(transposed({1, 2, 3, 4, 5, 6}, 2), (std::vector<int>{1, 3, 5, 2, 4, 6}));
    EXPECT_EQ(transposed({1, 2, 3, 4, 5, 6}, 3), (std::vector<int>{1, 4, 2, 5, 3, 6}));
    EXPECT_EQ(transposed({1, 2, 3, 4, 5, 6, 7}, 3), (std::vector<int>{1, 4, 7, 2, 5, 3, 6}));
    EXPECT_EQ(transposed({1, 2, 3, 4}, 4), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(transposed({1, 2, 3}, 5), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(transposed({1, 2, 3, 4}, 1), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(transposed({1, 2, 3, 4}, 0), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(transposed({1, 2, 3, 4}, -2), (std::vector<int>{1, 2, 3, 4}));
}

// String arrays hold pointers; they must be moved whole, on 64-bit targets too.
TEST(TransposeData, StringArraysMoveWholePointers) {
    const char *labels[] = {"a0", "b0", "a1", "b1", "a2"};
    TransposeData(labels, TB_TYPE_STRING, 5, 2);
    EXPECT_STREQ(labels[0], "a0");
    EXPECT_STREQ(labels[1], "a1");
    EXPECT_STREQ(labels[2], "a2");
    EXPECT_STREQ(labels[3], "b0");
    EXPECT_STREQ(labels[4], "b1");
}

TEST(TransposeData, NothingToDoTouchesNothing) {
    TransposeData(nullptr, TB_TYPE_INT, 0, 3);
    TransposeData(nullptr, TB_TYPE_INT, -5, 3);
    TransposeData(nullptr, TB_TYPE_DOUBLE, 3, 3);
}

// The plain definition: channel ch has numPoints / numChannels samples, one more
// when ch < numPoints % numChannels, sample k taken from element k*numChannels + ch.
std::vector<unsigned char> referenceTranspose(const std::vector<unsigned char> &in, size_t size,
                                              int points, int channels) {
    if (channels < 2 || points <= 0) return in;
    std::vector<unsigned char> out;
    for (int ch = 0; ch < channels; ++ch)
        for (int k = 0; k * channels + ch < points; ++k) {
            size_t at = static_cast<size_t>(k * channels + ch) * size;
            out.insert(out.end(), in.begin() + static_cast<long>(at), in.begin() + static_cast<long>(at + size));
        }
    return out;
}

class TransposeProperty : public ::testing::TestWithParam<std::tuple<int, bool>> {};

// Both methods equal the reference for every type, channel count and point count up
// to 40. Elements are distinct byte patterns, so any misplaced byte shows.
TEST_P(TransposeProperty, EqualsTheReferenceForEveryShape) {
    const int type = std::get<0>(GetParam());
    const bool inPlace = std::get<1>(GetParam());
    const size_t size = static_cast<size_t>(GetDataTypeSize(type));
    std::mt19937 random(static_cast<unsigned>(type) + 11);
    for (int channels = 1; channels <= 40; ++channels)
        for (int points = 0; points <= 40; ++points) {
            std::vector<unsigned char> data(static_cast<size_t>(points) * size);
            for (auto &b : data) b = static_cast<unsigned char>(random());
            std::vector<unsigned char> expected = referenceTranspose(data, size, points, channels);
            if (inPlace) tb::failAllocations(0, 1);
            TransposeData(data.empty() ? nullptr : data.data(), type, points, channels);
            tb::failAllocations(0, 0);
            ASSERT_EQ(data, expected) << "channels " << channels << ", points " << points;
        }
}

INSTANTIATE_TEST_SUITE_P(TypesAndMethods, TransposeProperty,
                         ::testing::Combine(::testing::Range(0, 9), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<int, bool>> &shape) {
                             return "type" + std::to_string(std::get<0>(shape.param)) +
                                    (std::get<1>(shape.param) ? "InPlace" : "Scratch");
                         });

// The in-place method really runs when the scratch array cannot be had: with the
// hook armed for one failure, exactly that allocation is consumed.
TEST(TransposeData, InPlaceMethodRunsWhenScratchMemoryIsShort) {
    std::vector<double> data = {1, 2, 3, 4, 5, 6, 7};
    tb::failAllocations(0, 2);
    TransposeData(data.data(), TB_TYPE_DOUBLE, 7, 2);
    void *next = tb::allocate(8);
    tb::failAllocations(0, 0);
    EXPECT_EQ(next, nullptr) << "TransposeData must have asked for memory exactly once";
    EXPECT_EQ(data, (std::vector<double>{1, 3, 5, 7, 2, 4, 6}));
}

}  // namespace
