// Text encoding of byte blocks: 3 bytes b0 b1 b2 become the 4 characters
//   c0 = '0' + (top two bits of b0, b1, b2 as bits 5-4, 3-2, 1-0)
//   c1, c2, c3 = '0' + low six bits of b0, b1, b2
// and a last 1 or 2 bytes become 2 or 3 characters. Decoding applies the inverse
// formulas without validating the characters, each byte kept to its low 8 bits.
//
// Speed: on x86 processors whole groups are coded eight (AVX2) or four (SSSE3) at a
// time, one group per 32-bit lane with byte shuffles, chosen at run time; the rest,
// and every other processor, use a portable group-at-a-time loop. All give exactly
// the bytes of the plain formulas, for any input.
//
// Choices made here: a text whose length leaves remainder 1 when divided by 4 and is
// 5 or more characters long is no encoding of anything; it is refused with 0, a null
// block and the size -1, rather than decoded with its last character dropped. A text
// whose decoded size would not fit an int is refused the same way.
#include <climits>
#include <cstdint>
#include <cstring>

#include "toolbox_internal.h"

#if TB_X86_SIMD
#include <immintrin.h>
#endif

namespace {

constexpr unsigned char kFirst = '0';

// One whole group, the plain formulas.
inline void encodeGroup(const unsigned char *in, char *out) {
    out[0] = static_cast<char>(kFirst + (((in[0] >> 2) & 0x30) | ((in[1] >> 4) & 0x0C) | (in[2] >> 6)));
    out[1] = static_cast<char>(kFirst + (in[0] & 0x3F));
    out[2] = static_cast<char>(kFirst + (in[1] & 0x3F));
    out[3] = static_cast<char>(kFirst + (in[2] & 0x3F));
}

// Characters are taken as their 8-bit codes; subtraction and OR wrap to 8 bits.
inline unsigned char digit(char c) { return static_cast<unsigned char>(static_cast<unsigned char>(c) - kFirst); }

inline void decodeGroup(const char *in, unsigned char *out, int bytes) {
    unsigned char h = digit(in[0]);
    out[0] = static_cast<unsigned char>(((h & 0x30) << 2) | digit(in[1]));
    if (bytes > 1) out[1] = static_cast<unsigned char>(((h & 0x0C) << 4) | digit(in[2]));
    if (bytes > 2) out[2] = static_cast<unsigned char>(((h & 0x03) << 6) | digit(in[3]));
}

// Portable bulk loops over whole groups, a group per 32-bit word so the compiler can
// keep everything in registers.
void encodeGroupsPortable(const unsigned char *in, char *out, size_t groups) {
    for (size_t g = 0; g < groups; ++g, in += 3, out += 4) {
        std::uint32_t b0 = in[0], b1 = in[1], b2 = in[2];
        std::uint32_t word = ((b0 >> 2 & 0x30) | (b1 >> 4 & 0x0C) | (b2 >> 6)) |
                             (b0 & 0x3F) << 8 | (b1 & 0x3F) << 16 | (b2 & 0x3F) << 24;
        word += 0x30303030u;  // no lane exceeds 63, so no carry crosses lanes
        unsigned char bytes[4] = {static_cast<unsigned char>(word), static_cast<unsigned char>(word >> 8),
                                  static_cast<unsigned char>(word >> 16), static_cast<unsigned char>(word >> 24)};
        std::memcpy(out, bytes, 4);
    }
}

void decodeGroupsPortable(const char *in, unsigned char *out, size_t groups) {
    for (size_t g = 0; g < groups; ++g, in += 4, out += 3) decodeGroup(in, out, 3);
}

#if TB_X86_SIMD
// 4 groups per step: the 12 input bytes are spread to one group per 32-bit lane as
// (x, b0, b1, b2); c0 is built from the lane's top bits by shifts.
__attribute__((target("ssse3"))) size_t encodeGroupsSsse3(const unsigned char *in, char *out,
                                                          size_t groups) {
    const __m128i spread = _mm_setr_epi8(-1, 0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11);
    const __m128i low6 = _mm_set1_epi32(0x3F3F3F00);
    const __m128i offset = _mm_set1_epi8(static_cast<char>(kFirst));
    size_t done = 0;
    // 16 bytes are loaded for 12 used: stop while 4 spare bytes of input remain.
    for (; done + 6 <= groups; done += 4, in += 12, out += 16) {
        __m128i w = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(in)), spread);
        __m128i top = _mm_or_si128(
            _mm_or_si128(_mm_and_si128(_mm_srli_epi32(w, 10), _mm_set1_epi32(0x30)),
                         _mm_and_si128(_mm_srli_epi32(w, 20), _mm_set1_epi32(0x0C))),
            _mm_srli_epi32(w, 30));
        __m128i chars = _mm_add_epi8(_mm_or_si128(_mm_and_si128(w, low6), top), offset);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out), chars);
    }
    return done;
}

// 16 characters per step: each 32-bit lane (h, d1, d2, d3) after subtracting '0'
// gets h's bit pairs moved to the top of d1, d2, d3, then 3 bytes per lane are packed.
__attribute__((target("ssse3"))) size_t decodeGroupsSsse3(const char *in, unsigned char *out,
                                                          size_t groups) {
    const __m128i pack = _mm_setr_epi8(1, 2, 3, 5, 6, 7, 9, 10, 11, 13, 14, 15, -1, -1, -1, -1);
    const __m128i offset = _mm_set1_epi8(static_cast<char>(kFirst));
    size_t done = 0;
    // 16 bytes are stored for 12 produced: stop while 4 spare bytes of output remain
    // (those are written again by the next step or the tail).
    for (; done + 6 <= groups; done += 4, in += 16, out += 12) {
        __m128i w = _mm_sub_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(in)), offset);
        __m128i tops = _mm_or_si128(
            _mm_or_si128(_mm_slli_epi32(_mm_and_si128(w, _mm_set1_epi32(0x30)), 10),
                         _mm_slli_epi32(_mm_and_si128(w, _mm_set1_epi32(0x0C)), 20)),
            _mm_slli_epi32(w, 30));
        __m128i bytes = _mm_shuffle_epi8(_mm_or_si128(w, tops), pack);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out), bytes);
    }
    return done;
}

// The same steps on 32 characters: each 128-bit half works as above, fed from its own
// 16-byte load (12 input bytes apart) and stored to its own place.
__attribute__((target("avx2"))) size_t encodeGroupsAvx2(const unsigned char *in, char *out,
                                                        size_t groups) {
    const __m256i spread = _mm256_setr_epi8(-1, 0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11,
                                            -1, 0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11);
    const __m256i low6 = _mm256_set1_epi32(0x3F3F3F00);
    const __m256i offset = _mm256_set1_epi8(static_cast<char>(kFirst));
    size_t done = 0;
    // The second load reads bytes 12 to 27 of the step: stop while 4 spare bytes remain.
    for (; done + 10 <= groups; done += 8, in += 24, out += 32) {
        __m256i raw = _mm256_inserti128_si256(
            _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i *>(in))),
            _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + 12)), 1);
        __m256i w = _mm256_shuffle_epi8(raw, spread);
        __m256i top = _mm256_or_si256(
            _mm256_or_si256(_mm256_and_si256(_mm256_srli_epi32(w, 10), _mm256_set1_epi32(0x30)),
                            _mm256_and_si256(_mm256_srli_epi32(w, 20), _mm256_set1_epi32(0x0C))),
            _mm256_srli_epi32(w, 30));
        __m256i chars = _mm256_add_epi8(_mm256_or_si256(_mm256_and_si256(w, low6), top), offset);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out), chars);
    }
    return done;
}

__attribute__((target("avx2"))) size_t decodeGroupsAvx2(const char *in, unsigned char *out,
                                                        size_t groups) {
    const __m256i pack = _mm256_setr_epi8(1, 2, 3, 5, 6, 7, 9, 10, 11, 13, 14, 15, -1, -1, -1, -1,
                                          1, 2, 3, 5, 6, 7, 9, 10, 11, 13, 14, 15, -1, -1, -1, -1);
    const __m256i offset = _mm256_set1_epi8(static_cast<char>(kFirst));
    size_t done = 0;
    // The upper half is stored 16 bytes at byte 12 of the step: stop while 4 spare bytes
    // of output remain.
    for (; done + 10 <= groups; done += 8, in += 32, out += 24) {
        __m256i w = _mm256_sub_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(in)), offset);
        __m256i tops = _mm256_or_si256(
            _mm256_or_si256(_mm256_slli_epi32(_mm256_and_si256(w, _mm256_set1_epi32(0x30)), 10),
                            _mm256_slli_epi32(_mm256_and_si256(w, _mm256_set1_epi32(0x0C)), 20)),
            _mm256_slli_epi32(w, 30));
        __m256i bytes = _mm256_shuffle_epi8(_mm256_or_si256(w, tops), pack);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm256_castsi256_si128(bytes));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 12), _mm256_extracti128_si256(bytes, 1));
    }
    return done;
}
#endif

void encodeGroups(const unsigned char *in, char *out, size_t groups) {
    size_t done = 0;
#if TB_X86_SIMD
    int level = tb::simdLevel();
    if (level >= 2) done = encodeGroupsAvx2(in, out, groups);
    if (level >= 1) done += encodeGroupsSsse3(in + 3 * done, out + 4 * done, groups - done);
#endif
    encodeGroupsPortable(in + 3 * done, out + 4 * done, groups - done);
}

void decodeGroups(const char *in, unsigned char *out, size_t groups) {
    size_t done = 0;
#if TB_X86_SIMD
    int level = tb::simdLevel();
    if (level >= 2) done = decodeGroupsAvx2(in, out, groups);
    if (level >= 1) done += decodeGroupsSsse3(in + 4 * done, out + 3 * done, groups - done);
#endif
    decodeGroupsPortable(in + 4 * done, out + 3 * done, groups - done);
}

}  // namespace

extern "C" {

int ConvertDataToText(const unsigned char *data, int size, char **text) {
    TB_ASSERT(text != nullptr, "NULL passed to third parameter of ConvertDataToText()");
    TB_ASSERT(size >= 0, "Negative size passed to ConvertDataToText()");
    TB_ASSERT(data != nullptr || size == 0, "NULL passed to first parameter of ConvertDataToText()");
    size_t groups = static_cast<size_t>(size) / 3, rest = static_cast<size_t>(size) % 3;
    size_t length = 4 * groups + (rest ? rest + 1 : 0);
    char *out = static_cast<char *>(tb::allocate(length + 1));
    *text = out;
    if (!out) return 0;
    encodeGroups(data, out, groups);
    if (rest) {
        unsigned char last[3] = {data[3 * groups], 0, 0};
        if (rest > 1) last[1] = data[3 * groups + 1];
        char chars[4];
        encodeGroup(last, chars);
        std::memcpy(out + 4 * groups, chars, rest + 1);
    }
    out[length] = '\0';
    return 1;
}

int ConvertTextToData(const char *text, int *size, unsigned char **data) {
    TB_ASSERT(text != nullptr, "NULL passed to first parameter of ConvertTextToData()");
    TB_ASSERT(data != nullptr, "NULL passed to third parameter of ConvertTextToData()");
    size_t length = std::strlen(text);
    size_t groups = length / 4, rest = length % 4;
    size_t bytes = 3 * groups + (rest ? rest - 1 : 0);
    if ((rest == 1 && length >= 5) || bytes > static_cast<size_t>(INT_MAX)) {
        if (size) *size = -1;
        *data = nullptr;
        return 0;
    }
    if (size) *size = static_cast<int>(bytes);
    if (bytes == 0) return 1;
    unsigned char *out = static_cast<unsigned char *>(tb::allocate(bytes));
    *data = out;
    if (!out) return 0;
    decodeGroups(text, out, groups);
    if (rest > 1) decodeGroup(text + 4 * groups, out + 3 * groups, static_cast<int>(rest - 1));
    return 1;
}

}  // extern "C"
