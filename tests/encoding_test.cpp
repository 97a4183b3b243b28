// Text encoding of byte blocks: the exact alphabet and group layout, the tails, the
// round trip over many sizes, malformed texts and memory shortage.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "assertion_capture.h"
#include "toolbox.h"
#include "toolbox_internal.h"

using testing_support::assertionShownBy;

namespace {

std::string encode(const std::vector<unsigned char> &bytes) {
    char *text = reinterpret_cast<char *>(0xdeadbeef);
    EXPECT_EQ(ConvertDataToText(bytes.data(), static_cast<int>(bytes.size()), &text), 1);
    if (text == nullptr || text == reinterpret_cast<char *>(0xdeadbeef)) return "<none>";
    std::string result(text);
    std::free(text);
    return result;
}

std::vector<unsigned char> bytesOf(const std::string &s) { return {s.begin(), s.end()}; }

// A straightforward encoder written from the layout, to compare the fast loops with.
std::string referenceEncode(const std::vector<unsigned char> &in) {
    std::string out;
    size_t i = 0;
    for (; i + 3 <= in.size(); i += 3) {
        out += static_cast<char>('0' + ((in[i] >> 6) << 4 | (in[i + 1] >> 6) << 2 | in[i + 2] >> 6));
        for (int k = 0; k < 3; ++k) out += static_cast<char>('0' + (in[i + k] & 63));
    }
    if (in.size() - i == 1) {
        out += static_cast<char>('0' + ((in[i] >> 6) << 4));
        out += static_cast<char>('0' + (in[i] & 63));
    } else if (in.size() - i == 2) {
        out += static_cast<char>('0' + ((in[i] >> 6) << 4 | (in[i + 1] >> 6) << 2));
        out += static_cast<char>('0' + (in[i] & 63));
        out += static_cast<char>('0' + (in[i + 1] & 63));
    }
    return out;
}

TEST(ConvertDataToText, KnownBlocksGiveTheirTexts) {
    EXPECT_EQ(encode(bytesOf("abc")), "EQRS");
    EXPECT_EQ(encode(bytesOf("abc1")), "EQRS0a");
    EXPECT_EQ(encode(bytesOf("abc12")), "EQRS0ab");
    EXPECT_EQ(encode(bytesOf("ab")), "DQR");
    EXPECT_EQ(encode({0}), "00");
    EXPECT_EQ(encode({255}), std::string("\x60") + "o");
    EXPECT_EQ(encode({255, 255}), "loo");
    EXPECT_EQ(encode({255, 255, 255}), "oooo");
    EXPECT_EQ(encode({0, 127, 128}), "60o0");
}

// An empty block is an allocated empty text, not a null one.
TEST(ConvertDataToText, EmptyBlockGivesAnEmptyText) {
    char *text = nullptr;
    EXPECT_EQ(ConvertDataToText(nullptr, 0, &text), 1);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "");
    std::free(text);
}

// Every character lies in the 64-character alphabet: no space, comma or quote.
TEST(ConvertDataToText, UsesOnlyTheAlphabet) {
    std::vector<unsigned char> all(256 * 3);
    for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<unsigned char>(i * 7 + i / 256);
    for (char c : encode(all)) {
        EXPECT_GE(c, '0');
        EXPECT_LE(c, 'o');
    }
}

TEST(ConvertDataToText, NoMemoryGivesZeroAndNullText) {
    char *text = reinterpret_cast<char *>(0xdeadbeef);
    tb::failAllocations(0, 1);
    EXPECT_EQ(ConvertDataToText(reinterpret_cast<const unsigned char *>("abc"), 3, &text), 0);
    EXPECT_EQ(text, nullptr);
}

TEST(ConvertTextToData, KnownTextsGiveTheirBytes) {
    int size = -7;
    unsigned char *data = nullptr;
    ASSERT_EQ(ConvertTextToData("EQRS0ab", &size, &data), 1);
    EXPECT_EQ(size, 5);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(data), 5), "abc12");
    std::free(data);
    ASSERT_EQ(ConvertTextToData("loo", nullptr, &data), 1);
    EXPECT_EQ(data[0], 255);
    EXPECT_EQ(data[1], 255);
    std::free(data);
}

// Nothing to decode: size 0, result 1, and the data pointer left as it was.
TEST(ConvertTextToData, EmptyAndOneCharacterTextsAllocateNothing) {
    for (const char *text : {"", "E"}) {
        SCOPED_TRACE(text);
        int size = -7;
        unsigned char *data = reinterpret_cast<unsigned char *>(0xdeadbeef);
        EXPECT_EQ(ConvertTextToData(text, &size, &data), 1);
        EXPECT_EQ(size, 0);
        EXPECT_EQ(data, reinterpret_cast<unsigned char *>(0xdeadbeef));
    }
}

// A length of 4k + 1 (k >= 1) is no encoding: refused cleanly, nothing allocated.
TEST(ConvertTextToData, LengthLeavingRemainderOneIsRefused) {
    for (const char *text : {"EQRSE", "EQRS0abcd", "000000000"}) {
        SCOPED_TRACE(text);
        int size = 12345;
        unsigned char *data = reinterpret_cast<unsigned char *>(0xdeadbeef);
        EXPECT_EQ(ConvertTextToData(text, &size, &data), 0);
        EXPECT_EQ(data, nullptr);
        EXPECT_EQ(size, -1);
    }
}

// Memory shortage still reports the size that was needed.
TEST(ConvertTextToData, NoMemoryGivesZeroNullDataAndTheSize) {
    int size = 0;
    unsigned char *data = reinterpret_cast<unsigned char *>(0xdeadbeef);
    tb::failAllocations(0, 1);
    EXPECT_EQ(ConvertTextToData("EQRS0ab", &size, &data), 0);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(size, 5);
}

// Characters outside the alphabet decode by the same formulas, wrapped to 8 bits.
TEST(ConvertTextToData, CharactersOutsideTheAlphabetFollowTheFormulas) {
    const char text[] = "p !\xff" "0~";  // '0'+64, below '0', a high byte; then a tail
    unsigned char *data = nullptr;
    int size = 0;
    ASSERT_EQ(ConvertTextToData(text, &size, &data), 1);
    ASSERT_EQ(size, 4);
    unsigned h = static_cast<unsigned char>('p' - '0');
    EXPECT_EQ(data[0], static_cast<unsigned char>(((h & 48) << 2) | static_cast<unsigned char>(' ' - '0')));
    EXPECT_EQ(data[1], static_cast<unsigned char>(((h & 12) << 4) | static_cast<unsigned char>('!' - '0')));
    EXPECT_EQ(data[2], static_cast<unsigned char>(((h & 3) << 6) | static_cast<unsigned char>(0xff - '0')));
    EXPECT_EQ(data[3], static_cast<unsigned char>('~' - '0'));
    std::free(data);
}

class AnyCharacters : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override { tb::capSimd(GetParam()); }
    void TearDown() override { tb::capSimd(2); }
};

// Long texts of arbitrary characters go through the fast loops: they must give exactly
// the bytes of the formulas, not only for well-formed input.
TEST_P(AnyCharacters, EveryPathMatchesTheFormulas) {
    std::mt19937 random(7 + static_cast<unsigned>(GetParam()));
    std::string text(4 * 101 + 3, ' ');
    for (char &c : text) c = static_cast<char>(1 + random() % 255);
    unsigned char *data = nullptr;
    int size = 0;
    ASSERT_EQ(ConvertTextToData(text.c_str(), &size, &data), 1);
    ASSERT_EQ(size, 3 * 101 + 2);
    for (int i = 0; i < size; ++i) {
        const char *group = text.c_str() + 4 * (i / 3);
        unsigned h = static_cast<unsigned char>(group[0] - '0');
        int k = i % 3;
        unsigned expected = (((h >> (4 - 2 * k)) & 3) << 6) | static_cast<unsigned char>(group[k + 1] - '0');
        ASSERT_EQ(data[i], static_cast<unsigned char>(expected)) << "byte " << i;
    }
    std::free(data);
}

INSTANTIATE_TEST_SUITE_P(Paths, AnyCharacters, ::testing::Values(0, 1, 2));

std::vector<int> roundTripSizes() {
    std::vector<int> sizes;
    for (int n = 0; n <= 100; ++n) sizes.push_back(n);
    for (int n = 101; n <= 5000; n += 37) sizes.push_back(n);
    for (int n : {4095, 4096, 4097, 65536, 65537}) sizes.push_back(n);
    return sizes;
}

// Every coding path (portable, SSSE3, AVX2 where the processor has them) is run.
class RoundTrip : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override { tb::capSimd(GetParam()); }
    void TearDown() override { tb::capSimd(2); }
};

// Encoding then decoding gives back every block of sizes 0 to 65537; the text equals
// the reference encoder's.
TEST_P(RoundTrip, GivesBackEveryByteAndTheSize) {
    for (int size : roundTripSizes()) {
        SCOPED_TRACE("size " + std::to_string(size));
        std::mt19937 random(static_cast<unsigned>(size) * 2654435761u);
        std::vector<unsigned char> block(static_cast<size_t>(size));
        for (auto &b : block) b = static_cast<unsigned char>(random());
        if (size % 5 == 0)
            for (auto &b : block) b = 255;  // all top bits set
        std::string text = encode(block);
        ASSERT_EQ(text, referenceEncode(block));
        ASSERT_EQ(text.size(), 4 * (block.size() / 3) + (block.size() % 3 ? block.size() % 3 + 1 : 0));
        int decodedSize = -1;
        unsigned char *data = nullptr;
        ASSERT_EQ(ConvertTextToData(text.c_str(), &decodedSize, &data), 1);
        ASSERT_EQ(decodedSize, size);
        if (size > 0) {
            EXPECT_EQ(std::memcmp(data, block.data(), block.size()), 0);
            std::free(data);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, RoundTrip, ::testing::Values(0, 1, 2));

TEST(EncodingDeathTest, ProgrammingErrorsAssert) {
    char *text = nullptr;
    EXPECT_NE(assertionShownBy([&] { ConvertDataToText(reinterpret_cast<const unsigned char *>("a"), -1, &text); })
                  .find("Negative size"),
              std::string::npos);
    EXPECT_NE(assertionShownBy([] { ConvertTextToData(nullptr, nullptr, nullptr); }).find("ConvertTextToData"),
              std::string::npos);
}

}  // namespace
