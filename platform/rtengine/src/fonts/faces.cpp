// The faces built into the engine, the typefaces that name them, and the per-size
// metrics that measuring reads.
//
// Embedded (turned into data by the build, 2.5 MB of the library): DejaVu Sans, DejaVu
// Sans Bold, DejaVu Sans Mono, DejaVu Serif and DejaVu Serif Bold.
//  - The proportional families bring their bold faces: bold changes widths a lot (W is
//    2025 font units wide upright, 2259 bold) and a heavier upright does not look bold.
//  - No oblique or italic face (they would add 2 MB): DejaVu's obliques are its upright
//    designs slanted, so the engine slants the upright glyphs itself, and italic text
//    measures exactly as the upright text it draws.
//  - One face for DejaVu Sans Mono (its other styles would add 0.8 MB): all its styles
//    have the same advance (1233 units) and no kerning, so the regular face measures
//    bold and italic text exactly.
//
// Bytes are Windows-1252 characters. Widths follow the face's advances and its kerning
// (stb_truetype reads the pair adjustments of the GPOS table, else the kern table).
#include "faces.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <utility>

extern "C" {
// Made by the build (cmake/EmbedFiles.cmake): each face from its first byte to _end.
extern const unsigned char rte_face_DejaVuSans[], rte_face_DejaVuSans_end[];
extern const unsigned char rte_face_DejaVuSans_Bold[], rte_face_DejaVuSans_Bold_end[];
extern const unsigned char rte_face_DejaVuSansMono[], rte_face_DejaVuSansMono_end[];
extern const unsigned char rte_face_DejaVuSerif[], rte_face_DejaVuSerif_end[];
extern const unsigned char rte_face_DejaVuSerif_Bold[], rte_face_DejaVuSerif_Bold_end[];
}

namespace rte {
namespace fonts {

namespace {

constexpr Typeface kTypefaces[] = {
    {RTE_SANS_TYPEFACE, Family::Sans},
    {"Sans", Family::Sans},
    {"Sans Serif", Family::Sans},
    {"Arial", Family::Sans},
    {"Helvetica", Family::Sans},
    {"Microsoft Sans Serif", Family::Sans},
    {"MS Sans Serif", Family::Sans},
    {"MS Shell Dlg", Family::Sans},
    {"MS Shell Dlg 2", Family::Sans},
    {"Segoe UI", Family::Sans},
    {"Tahoma", Family::Sans},
    {"Verdana", Family::Sans},
    {RTE_MONO_TYPEFACE, Family::Mono},
    {"Monospace", Family::Mono},
    {"Courier", Family::Mono},
    {"Courier New", Family::Mono},
    {"Consolas", Family::Mono},
    {"Lucida Console", Family::Mono},
    {RTE_SERIF_TYPEFACE, Family::Serif},
    {"Serif", Family::Serif},
    {"Times", Family::Serif},
    {"Times New Roman", Family::Serif},
    {"Georgia", Family::Serif},
};

// Windows-1252 at 0x80-0x9F; the five bytes it leaves undefined stay C1 controls.
constexpr int kCodepage1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

int codepointOfByte(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? kCodepage1252High[byte - 0x80] : byte;
}

bool isControl(int codepoint) {
    return codepoint < 0x20 || (codepoint >= 0x7F && codepoint < 0xA0);
}

unsigned char lowerAscii(char c) {
    unsigned char byte = static_cast<unsigned char>(c);
    return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte - 'A' + 'a') : byte;
}

enum FaceIndex { kSans, kSansBold, kMono, kSerif, kSerifBold, kFaceCount };

struct FaceTable {
    Face faces[kFaceCount] = {
        {"DejaVuSans.ttf", rte_face_DejaVuSans, rte_face_DejaVuSans_end},
        {"DejaVuSans-Bold.ttf", rte_face_DejaVuSans_Bold, rte_face_DejaVuSans_Bold_end},
        {"DejaVuSansMono.ttf", rte_face_DejaVuSansMono, rte_face_DejaVuSansMono_end},
        {"DejaVuSerif.ttf", rte_face_DejaVuSerif, rte_face_DejaVuSerif_end},
        {"DejaVuSerif-Bold.ttf", rte_face_DejaVuSerif_Bold, rte_face_DejaVuSerif_Bold_end},
    };
};

const FaceTable &faceTable() {
    static const FaceTable table;
    return table;
}

long long roundedQuotient(long long numerator, long long denominator) {
    long long magnitude = (numerator < 0 ? -numerator : numerator);
    long long quotient = (magnitude + denominator / 2) / denominator;
    return numerator < 0 ? -quotient : quotient;
}

}  // namespace

int compareNames(const char *a, const char *b) {
    for (;; ++a, ++b) {
        unsigned char x = lowerAscii(*a), y = lowerAscii(*b);
        if (x != y || !x) return int(x) - int(y);
    }
}

const Typeface *findTypeface(const char *name) {
    for (const Typeface &typeface : kTypefaces)
        if (compareNames(typeface.name, name) == 0) return &typeface;
    return nullptr;
}

Face::Face(const char *name, const unsigned char *data, const unsigned char *end)
    : name_(name) {
    // The data is the build's own copy of a Debian face: failing here means a broken
    // build, not bad input.
    int offset = end > data ? stbtt_GetFontOffsetForIndex(data, 0) : -1;
    if (offset >= 0 && stbtt_InitFont(&info_, data, offset)) {
        const unsigned char *head = info_.data + info_.head;  // unitsPerEm: big-endian at 18
        unitsPerEm_ = head[18] << 8 | head[19];
    }
    if (unitsPerEm_ == 0) {
        std::fprintf(stderr, "rtengine: the embedded face %s is damaged\n", name);
        std::abort();
    }
    stbtt_GetFontVMetrics(&info_, &ascent_, &descent_, &lineGap_);
    descent_ = -descent_;
    hasKerning_ = info_.kern != 0 || info_.gpos != 0;
    for (int byte = 0; byte < 256; ++byte) {
        int codepoint = codepointOfByte(static_cast<unsigned char>(byte));
        glyphOfByte_[byte] = isControl(codepoint) ? -1 : stbtt_FindGlyphIndex(&info_, codepoint);
    }
}

int Face::advanceUnits(int glyph) const {
    int advance = 0;
    int leftSideBearing = 0;
    stbtt_GetGlyphHMetrics(&info_, glyph, &advance, &leftSideBearing);
    return advance;
}

const std::int16_t *Face::kernRow(unsigned char first) const {
    if (kernRowReady_[first].load(std::memory_order_acquire)) return kernRows_[first].data();
    std::lock_guard<std::mutex> lock(kernMutex_);
    std::array<std::int16_t, 256> &row = kernRows_[first];
    if (!kernRowReady_[first].load(std::memory_order_relaxed)) {
        int firstGlyph = glyphOfByte_[first];
        for (int second = 0; second < 256; ++second) {
            int secondGlyph = glyphOfByte_[second];
            row[second] = firstGlyph < 0 || secondGlyph < 0
                              ? 0
                              : std::int16_t(stbtt_GetGlyphKernAdvance(&info_, firstGlyph,
                                                                       secondGlyph));
        }
        kernRowReady_[first].store(true, std::memory_order_release);
    }
    return row.data();
}

const Face &faceFor(Family family, bool bold) {
    const FaceTable &table = faceTable();
    switch (family) {
    case Family::Mono:
        return table.faces[kMono];
    case Family::Serif:
        return table.faces[bold ? kSerifBold : kSerif];
    case Family::Sans:
        break;
    }
    return table.faces[bold ? kSansBold : kSans];
}

bool familyHasBoldFace(Family family) { return family != Family::Mono; }

int wholePixels(long long pixels64) {
    long long pixels = (std::max(pixels64, 0LL) + 32) >> 6;
    return int(std::min<long long>(pixels, INT_MAX));
}

long long SizedFace::toPixels64(long long units) const {
    return roundedQuotient(units * pixelSize * 64, face->unitsPerEm());
}

const SizedFace &sizedFace(const Face &face, int pixelSize) {
    static std::mutex mutex;
    static std::map<std::pair<const Face *, int>, std::unique_ptr<SizedFace>> cache;
    std::lock_guard<std::mutex> lock(mutex);
    std::unique_ptr<SizedFace> &slot = cache[{&face, pixelSize}];
    if (!slot) {
        auto sized = std::make_unique<SizedFace>();
        sized->face = &face;
        sized->pixelSize = pixelSize;
        sized->scale = float(pixelSize) / float(face.unitsPerEm());
        for (int byte = 0; byte < 256; ++byte) {
            int glyph = face.glyphOfByte(static_cast<unsigned char>(byte));
            sized->advance64[byte] =
                glyph < 0 ? 0 : std::int32_t(sized->toPixels64(face.advanceUnits(glyph)));
        }
        sized->metrics.lineHeight =
            wholePixels(sized->toPixels64(face.ascent() + face.descent() + face.lineGap()));
        sized->metrics.ascent = wholePixels(sized->toPixels64(face.ascent()));
        sized->metrics.descent = wholePixels(sized->toPixels64(face.descent()));
        slot = std::move(sized);
    }
    return *slot;
}

}  // namespace fonts
}  // namespace rte
