// Private to the engine's fonts: the embedded faces, the typefaces that name them and
// the per-size metrics that measuring and drawing share.
#ifndef RTE_FONTS_FACES_H
#define RTE_FONTS_FACES_H

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "fonts.h"
#include "stb_truetype.h"

namespace rte {
namespace fonts {

enum class Family { Sans, Mono, Serif };

// Orders names without regard to ASCII case, as strcmp does.
int compareNames(const char *a, const char *b);

struct Typeface {
    const char *name;
    Family family;
};
// The typeface of that name, or null when the engine does not know it.
const Typeface *findTypeface(const char *name);

// One embedded face, parsed once. The kerning of byte pairs is filled in a row (one
// first byte, every second byte) at a time, when measuring first needs it.
class Face {
public:
    Face(const char *name, const unsigned char *data, const unsigned char *end);
    Face(const Face &) = delete;
    Face &operator=(const Face &) = delete;

    const char *name() const { return name_; }
    const stbtt_fontinfo &info() const { return info_; }
    int unitsPerEm() const { return unitsPerEm_; }
    int ascent() const { return ascent_; }    // font units above the baseline
    int descent() const { return descent_; }  // font units below it (positive)
    int lineGap() const { return lineGap_; }
    // The glyph of a byte, or -1 for the control characters, which take no room.
    int glyphOfByte(unsigned char byte) const { return glyphOfByte_[byte]; }
    int advanceUnits(int glyph) const;
    bool hasKerning() const { return hasKerning_; }
    // Kerning in font units between two bytes that both have glyphs.
    int kerning(unsigned char first, unsigned char second) const {
        return kernRow(first)[second];
    }

private:
    const std::int16_t *kernRow(unsigned char first) const;

    const char *name_;
    stbtt_fontinfo info_;
    int unitsPerEm_ = 0;
    int ascent_ = 0;
    int descent_ = 0;
    int lineGap_ = 0;
    bool hasKerning_ = false;
    std::array<int, 256> glyphOfByte_;
    mutable std::mutex kernMutex_;
    mutable std::array<std::atomic<bool>, 256> kernRowReady_{};
    // Written only under kernMutex_ and read only once its row is ready. Left without
    // an initialiser so that rows never needed are never touched.
    mutable std::array<std::array<std::int16_t, 256>, 256> kernRows_;
};

// The face that draws a family in a weight, and whether it is made heavier itself.
const Face &faceFor(Family family, bool bold);
bool familyHasBoldFace(Family family);

// A face at one pixel size: the advances of the 256 bytes in 1/64 pixel and the
// vertical metrics. Made once per face and size and kept for the process.
struct SizedFace {
    const Face *face;
    int pixelSize;
    float scale;  // pixels per font unit
    std::array<std::int32_t, 256> advance64;  // 0 for the control characters
    LineMetrics metrics;
    // Font units in 1/64 pixel, rounded half away from zero.
    long long toPixels64(long long units) const;
};
// Throws std::bad_alloc when memory runs out.
const SizedFace &sizedFace(const Face &face, int pixelSize);

// 1/64 pixel to whole pixels, half up; below 0 gives 0, beyond INT_MAX gives INT_MAX.
int wholePixels(long long pixels64);

// The face of a meta font, or null when no meta font has that name. Throws
// std::bad_alloc when memory runs out the first time the registry is needed.
const SizedFace *metaFontFace(const char *name);

// Measures length bytes of text in a sized face.
TextExtent measureInFace(const SizedFace &sized, const char *text, size_t length);

}  // namespace fonts
}  // namespace rte

#endif
