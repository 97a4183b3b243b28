// Text measuring and layout: GetTextDisplaySize and the measuring and layout the
// user-interface model and the renderer use.
//
// Choices:
//  - A line's width is its advances and kerning in 1/64 pixel, summed, then rounded to
//    whole pixels (half up); the text is as wide as its widest line.
//  - "\n", "\r\n" and a lone "\r" end a line, so "a\n" is two lines. A text is as high
//    as its lines times the line height; the empty text is one empty line.
//  - Control characters take no room and break kerning: no pair is kerned across one.
#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "faces.h"
#include "rte_internal.h"

namespace rte {
namespace fonts {

namespace {

bool endsLine(unsigned char byte) { return byte == '\n' || byte == '\r'; }

// Walks the text line by line and hands each glyph with its pen position (1/64 pixel)
// and line number to place. Gives the widest line (1/64 pixel) and the line count.
template <typename Place>
void walkText(const SizedFace &sized, const char *text, size_t length, Place &&place,
              long long &widest64, int &lines) {
    const Face &face = *sized.face;
    const bool kerns = face.hasKerning();
    long long pen = 0;
    int previous = -1;  // the byte before on this line, when it has a glyph
    widest64 = 0;
    lines = 1;
    for (size_t at = 0; at < length; ++at) {
        unsigned char byte = static_cast<unsigned char>(text[at]);
        if (endsLine(byte)) {
            if (byte == '\r' && at + 1 < length && text[at + 1] == '\n') ++at;
            widest64 = std::max(widest64, pen);
            pen = 0;
            previous = -1;
            if (lines < INT_MAX) ++lines;
            continue;
        }
        int glyph = face.glyphOfByte(byte);
        if (glyph < 0) {
            previous = -1;
            continue;
        }
        if (kerns && previous >= 0) {
            int kerning = face.kerning(static_cast<unsigned char>(previous), byte);
            if (kerning) pen += sized.toPixels64(kerning);
        }
        place(glyph, pen, lines - 1);
        pen += sized.advance64[byte];
        previous = byte;
    }
    widest64 = std::max(widest64, pen);
}

}  // namespace

TextExtent measureInFace(const SizedFace &sized, const char *text, size_t length) {
    long long widest64 = 0;
    int lines = 1;
    walkText(sized, text, length, [](int, long long, int) {}, widest64, lines);
    long long height = static_cast<long long>(lines) * sized.metrics.lineHeight;
    return TextExtent{wholePixels(widest64), int(std::min<long long>(height, INT_MAX)), lines,
                      widest64};
}

TextExtent measureText(const ResolvedFont &font, const char *text, size_t length) {
    return measureInFace(*font.face, text, length);
}

LineMetrics lineMetrics(const ResolvedFont &font) { return font.face->metrics; }

int layoutText(const ResolvedFont &font, const char *text, size_t length,
               std::vector<PlacedGlyph> &run) try {
    const SizedFace &sized = *font.face;
    const LineMetrics &metrics = sized.metrics;
    long long widest64 = 0;
    int lines = 1;
    run.clear();
    walkText(
        sized, text, length,
        [&](int glyph, long long pen64, int line) {
            long long baseline = static_cast<long long>(line) * metrics.lineHeight + metrics.ascent;
            run.push_back(PlacedGlyph{glyph, wholePixels(pen64),
                                      int(std::min<long long>(baseline, INT_MAX))});
        },
        widest64, lines);
    return 0;
} catch (const std::bad_alloc &) {
    return RTE_UIE_OUT_OF_MEMORY;
}

}  // namespace fonts
}  // namespace rte

extern "C" {

int GetTextDisplaySize(const char *text, const char *metaFont, int *height, int *width) {
    constexpr const char *kName = "GetTextDisplaySize";
    if (!text || !metaFont) return rte::fail(kName, RTE_UIE_NULL_ARGUMENT);
    try {
        const rte::fonts::SizedFace *sized = rte::fonts::metaFontFace(metaFont);
        if (!sized) return rte::fail(kName, RTE_UIE_UNKNOWN_FONT);
        rte::fonts::TextExtent extent = rte::fonts::measureInFace(*sized, text, std::strlen(text));
        if (height) *height = extent.height;
        if (width) *width = extent.width;
        return 0;
    } catch (const std::bad_alloc &) {
        return rte::fail(kName, RTE_UIE_OUT_OF_MEMORY);
    }
}

}  // extern "C"
