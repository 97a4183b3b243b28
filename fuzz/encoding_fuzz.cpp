// The text encoding of byte blocks, through each of the coder's paths (vector or
// portable, chosen by the input): ConvertTextToData on arbitrary text gives exactly the
// bytes of the decoding formulas applied to each character (or refuses a length no
// encoding has, with size -1 and a null block); ConvertDataToText gives a text of the
// expected length inside the 64-character alphabet, equal to the formulas' result, and
// decoding it gives back the bytes. A refused allocation gives 0 and a null pointer.
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "toolbox.h"
#include "toolbox_internal.h"

using namespace fuzz_support;

namespace {

unsigned value(char c) { return static_cast<unsigned char>(static_cast<unsigned char>(c) - '0'); }

// Byte i of the group taken from the four characters at group.
unsigned char decodedByte(const char *group, int i) {
    unsigned top = value(group[0]) >> (4 - 2 * i) & 3;
    return static_cast<unsigned char>(top << 6 | value(group[1 + i]));
}

std::string expectedDecoding(const std::string &text) {
    std::string out;
    for (size_t at = 0; at < text.size(); at += 4) {
        size_t characters = std::min<size_t>(4, text.size() - at);
        for (size_t i = 0; i + 1 < characters; ++i)
            out += static_cast<char>(decodedByte(text.c_str() + at, static_cast<int>(i)));
    }
    return out;
}

std::string expectedEncoding(const unsigned char *bytes, size_t size) {
    std::string out;
    for (size_t at = 0; at < size; at += 3) {
        size_t n = std::min<size_t>(3, size - at);
        unsigned top = 0;
        for (size_t i = 0; i < n; ++i) top |= (bytes[at + i] >> 6u) << (4 - 2 * i);
        out += static_cast<char>('0' + top);
        for (size_t i = 0; i < n; ++i) out += static_cast<char>('0' + (bytes[at + i] & 63));
    }
    return out;
}

void refuseAllocation(int which) {
    if (which >= 0) tb::failAllocations(which, 1);
}

void allowAllocations() { tb::failAllocations(0, 0); }

void checkDecoding(const std::string &text, bool refused) {
    size_t length = text.size();
    size_t expectedSize = 3 * (length / 4) + (length % 4 ? length % 4 - 1 : 0);
    unsigned char sentinel = 0;
    unsigned char *block = &sentinel;
    int size = 12345;
    refuseAllocation(refused ? 0 : -1);
    int code = ConvertTextToData(text.c_str(), &size, &block);
    allowAllocations();
    if (length % 4 == 1 && length >= 5) {
        require(code == 0 && size == -1 && block == nullptr, "a length no encoding has is refused");
    } else if (expectedSize == 0) {
        require(code == 1 && size == 0 && block == &sentinel,
                "an empty decoding allocates nothing and leaves the block pointer");
    } else if (refused) {
        require(code == 0 && block == nullptr && size == static_cast<int>(expectedSize),
                "short memory gives 0, a null block and the size needed");
    } else {
        require(code == 1 && size == static_cast<int>(expectedSize), "the decoded size follows the length");
        require(std::memcmp(block, expectedDecoding(text).data(), expectedSize) == 0,
                "each byte follows the decoding formulas");
        std::free(block);
    }
}

void checkRoundTrip(const unsigned char *bytes, size_t size, bool refused) {
    char *text = reinterpret_cast<char *>(1);
    refuseAllocation(refused ? 0 : -1);
    int code = ConvertDataToText(bytes, static_cast<int>(size), &text);
    allowAllocations();
    if (refused) {
        require(code == 0 && text == nullptr, "short memory gives 0 and a null text");
        return;
    }
    require(code == 1 && text != nullptr, "encoding succeeds");
    std::string expected = expectedEncoding(bytes, size);
    require(expected == text, "the text follows the encoding formulas");
    for (size_t i = 0; text[i]; ++i) require(text[i] >= '0' && text[i] <= 'o', "the text stays in the alphabet");

    unsigned char *back = nullptr;
    int backSize = -2;
    code = ConvertTextToData(text, &backSize, &back);
    require(code == 1 && backSize == static_cast<int>(size), "decoding gives the encoded size back");
    require(size == 0 || std::memcmp(back, bytes, size) == 0, "decoding gives the encoded bytes back");
    std::free(back);
    std::free(text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1) return 0;
    // Byte 0: bits 0-1 the widest coder allowed, bit 2 the law, bit 3 a refused allocation.
    unsigned control = data[0];
    tb::capSimd(static_cast<int>(control & 3) > 2 ? 2 : static_cast<int>(control & 3));
    bool refused = (control & 8) != 0;
    if (control & 4) {
        std::string text(reinterpret_cast<const char *>(data + 1), size - 1);
        checkDecoding(text.c_str(), refused);
    } else {
        // The bytes get a block of their exact size, so a read beyond them is caught.
        unsigned char *bytes = static_cast<unsigned char *>(std::malloc(size - 1 ? size - 1 : 1));
        std::memcpy(bytes, data + 1, size - 1);
        checkRoundTrip(bytes, size - 1, refused);
        std::free(bytes);
    }
    return 0;
}
