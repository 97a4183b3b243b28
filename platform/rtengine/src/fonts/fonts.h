// Private to rtengine: fonts for the user-interface model and the renderer.
//
// A font name is a meta font or a typeface (rte_fonts.h). Resolving one, with the
// overrides a control's font attributes make, gives a ResolvedFont: the description to
// read back, and the face at its pixel size to measure and draw with. These functions
// return codes and never report to the library-error handler: the public entry that
// calls them reports with its own name. All of them are safe from any thread.
#ifndef RTE_FONTS_FONTS_H
#define RTE_FONTS_FONTS_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "rtengine.h"

namespace rte {
namespace fonts {

// What a font name stands for: what a control's font attributes read back.
struct FontSpec {
    std::string typeface;  // the typeface as the meta font was given it, or the name resolved
    int pointSize = 10;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
};

// Changes to a font's own values; kKeep leaves the value as the font has it.
constexpr int kKeep = -1;
struct FontOverrides {
    int pointSize = kKeep;
    int bold = kKeep;  // 0 or 1 (any nonzero: 1)
    int italic = kKeep;
    int underline = kKeep;
    int strikeOut = kKeep;
};

// One embedded face at one pixel size with its caches; lives as long as the process.
struct SizedFace;

struct ResolvedFont {
    FontSpec spec;
    const SizedFace *face = nullptr;
    int pixelSize = 0;           // pixels per em
    bool syntheticBold = false;  // the face is drawn heavier (it has no bold of its own)
    bool syntheticItalic = false;  // the face is drawn slanted
};

// Resolves a meta font or typeface name and applies the overrides. A typeface alone
// has the point size of RTE_DIALOG_META_FONT and no styles. Returns 0,
// RTE_UIE_NULL_ARGUMENT, RTE_UIE_UNKNOWN_FONT (neither a meta font nor a known
// typeface), RTE_UIE_INVALID_ATTRIBUTE_VALUE (an override's point size out of range)
// or RTE_UIE_OUT_OF_MEMORY; out is untouched on failure.
int resolveFont(const char *fontName, const FontOverrides &overrides, ResolvedFont &out);

// The definition of a meta font (predefined or created). Returns 0,
// RTE_UIE_NULL_ARGUMENT, RTE_UIE_UNKNOWN_FONT (not a meta font, typefaces included) or
// RTE_UIE_OUT_OF_MEMORY; out is untouched on failure.
int describeMetaFont(const char *metaFontName, FontSpec &out);

// Pixels per em of a point size (96 pixels per inch, rounded).
int pixelSizeForPoints(int pointSize);

struct LineMetrics {
    int lineHeight;  // pixels from one line's top to the next one's
    int ascent;      // pixels from a line's top to its baseline
    int descent;     // pixels below the baseline
};
LineMetrics lineMetrics(const ResolvedFont &font);

struct TextExtent {
    int width;     // of the widest line, pixels
    int height;    // lines * line height, pixels
    int lines;
    long long widestLine64;  // the widest line before rounding, in 1/64 pixel
};
// Measures length bytes of text (zero bytes included: they take no room).
TextExtent measureText(const ResolvedFont &font, const char *text, size_t length);

// Drawing. A text laid out is a run of glyphs, each at its origin: the pen position on
// its line's baseline, in pixels from the text's top-left corner.
struct PlacedGlyph {
    int glyph;  // glyph index in the face
    int x;      // pen position, pixels
    int y;      // baseline, pixels
};
// Replaces run with the glyphs of length bytes of text. Returns 0 or
// RTE_UIE_OUT_OF_MEMORY.
int layoutText(const ResolvedFont &font, const char *text, size_t length,
               std::vector<PlacedGlyph> &run);

// A glyph's coverage (0 = none, 255 = full), placed relative to its origin: the
// bitmap's top-left pixel is at (origin x + left, baseline + top).
struct GlyphCoverage {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // width * height, rows top to bottom
};
// The glyph as the font draws it (synthetic bold and slant applied), from the cache.
// Null only when memory runs out.
std::shared_ptr<const GlyphCoverage> glyphCoverage(const ResolvedFont &font, int glyph);

// An 8-bit coverage picture that glyph runs are drawn into.
struct CoverageCanvas {
    std::uint8_t *pixels;
    int width;
    int height;
    std::ptrdiff_t stride;  // bytes from one row to the next
};
// Adds the coverage of each glyph of the run (saturating at 255), the run's origin at
// (left, top) of the canvas; whatever falls outside the canvas is clipped. Returns 0 or
// RTE_UIE_OUT_OF_MEMORY (glyphs drawn before the failure stay drawn).
int drawGlyphRun(const ResolvedFont &font, const PlacedGlyph *run, size_t count, int left,
                 int top, CoverageCanvas &canvas);

}  // namespace fonts
}  // namespace rte

#endif
