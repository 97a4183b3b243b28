// The renderer's canvas: spans filled straight into the pixel rows, coverage blended in
// integers, glyphs taken from the font engine's cache, and the scaling filter.
//
// Choices:
//  - Blending is (color * a + background * (255 - a) + 127) / 255 per channel, exact in
//    integers, so the same coverage gives the same pixel everywhere.
//  - Glyph coverage comes from the font engine's cache as it is (glyphs sit on whole
//    pixels); text is never drawn through the system.
//  - A mnemonic ("__" before a character) is drawn underlined, one pixel below the
//    baseline, the width of its character.
//  - Scaling averages areas (scaleArea in render.h, shared with fitted pictures): no
//    floating point is involved.
#include <algorithm>
#include <cstring>

#include "render/render.h"

namespace rte::render {

namespace {

// Spare pixel storage of the calling thread, kept up to this many pixels (16 MiB).
constexpr size_t kKeptPixels = size_t(4) << 20;
std::vector<std::uint32_t> &sparePixels() {
    thread_local std::vector<std::uint32_t> spare;
    return spare;
}

}  // namespace

Canvas::Canvas(int width, int height, std::uint32_t color)
    : width_(width), height_(height), clip_{0, 0, width, height} {
    pixels_.swap(sparePixels());
    pixels_.assign(size_t(width) * size_t(height), color);
}

Canvas::~Canvas() {
    if (pixels_.capacity() <= kKeptPixels) pixels_.swap(sparePixels());
}

void Canvas::clipTo(int top, int left, int height, int width) {
    long long x0 = static_cast<long long>(originX_) + left, y0 = static_cast<long long>(originY_) + top;
    clip_.x0 = int(std::clamp<long long>(x0, clip_.x0, clip_.x1));
    clip_.y0 = int(std::clamp<long long>(y0, clip_.y0, clip_.y1));
    clip_.x1 = int(std::clamp<long long>(x0 + width, clip_.x0, clip_.x1));
    clip_.y1 = int(std::clamp<long long>(y0 + height, clip_.y0, clip_.y1));
}

void Canvas::fill(int top, int left, int height, int width, std::uint32_t color) {
    if (height <= 0 || width <= 0) return;
    long long x0 = std::max<long long>(static_cast<long long>(originX_) + left, clip_.x0);
    long long y0 = std::max<long long>(static_cast<long long>(originY_) + top, clip_.y0);
    long long x1 = std::min<long long>(static_cast<long long>(originX_) + left + width, clip_.x1);
    long long y1 = std::min<long long>(static_cast<long long>(originY_) + top + height, clip_.y1);
    for (long long y = y0; y < y1; ++y) {
        std::uint32_t *row = &pixels_[size_t(y) * size_t(width_)];
        std::fill(row + x0, row + std::max(x0, x1), color);
    }
}

void Canvas::frame(int top, int left, int height, int width, std::uint32_t color) {
    bevel(top, left, height, width, 1, color, color);
}

void Canvas::bevel(int top, int left, int height, int width, int thickness, std::uint32_t light,
                   std::uint32_t dark) {
    for (int k = 0; k < thickness && 2 * k < height && 2 * k < width; ++k) {
        int t = top + k, l = left + k, h = height - 2 * k, w = width - 2 * k;
        fill(t, l, 1, w - 1, light);
        fill(t + 1, l, h - 2, 1, light);
        fill(t + h - 1, l, 1, w, dark);
        fill(t, l + w - 1, h - 1, 1, dark);
    }
}

namespace {

inline std::uint32_t mix(std::uint32_t color, std::uint32_t under, int a) {
    std::uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        int c = int((color >> shift) & 0xFF), u = int((under >> shift) & 0xFF);
        out |= std::uint32_t((c * a + u * (255 - a) + 127) / 255) << shift;
    }
    return out;
}

}  // namespace

void Canvas::blend(int x, int y, std::uint32_t color, int coverage) {
    long long cx = static_cast<long long>(originX_) + x, cy = static_cast<long long>(originY_) + y;
    if (coverage <= 0 || cx < clip_.x0 || cx >= clip_.x1 || cy < clip_.y0 || cy >= clip_.y1) return;
    std::uint32_t &pixel = pixels_[size_t(cy) * size_t(width_) + size_t(cx)];
    pixel = coverage >= 255 ? color : mix(color, pixel, coverage);
}

void Canvas::blendCoverage(const std::uint8_t *coverage, int width, int height, int left, int top,
                           std::uint32_t color) {
    long long x = static_cast<long long>(originX_) + left, y = static_cast<long long>(originY_) + top;
    long long firstRow = std::max<long long>(0, clip_.y0 - y);
    long long endRow = std::min<long long>(height, clip_.y1 - y);
    long long firstColumn = std::max<long long>(0, clip_.x0 - x);
    long long endColumn = std::min<long long>(width, clip_.x1 - x);
    for (long long r = firstRow; r < endRow; ++r) {
        const std::uint8_t *source = coverage + r * width;
        std::uint32_t *target = &pixels_[size_t(y + r) * size_t(width_) + size_t(x)];
        for (long long c = firstColumn; c < endColumn; ++c) {
            int a = source[c];
            if (a == 0) continue;
            target[c] = a == 255 ? color : mix(color, target[c], a);
        }
    }
}

int drawText(Canvas &canvas, const fonts::ResolvedFont &font, const std::string &text, int left,
             int top, std::uint32_t color) {
    std::string shown = ui::labelDisplayText(text);
    if (shown.empty()) return 0;
    std::vector<fonts::PlacedGlyph> run;
    if (int code = fonts::layoutText(font, shown.data(), shown.size(), run)) return code;
    for (const fonts::PlacedGlyph &placed : run) {
        auto picture = fonts::glyphCoverage(font, placed.glyph);
        if (!picture) return RTE_UIE_OUT_OF_MEMORY;
        canvas.blendCoverage(picture->pixels.data(), picture->width, picture->height,
                             left + placed.x + picture->left, top + placed.y + picture->top, color);
    }
    size_t marker = text.find("__");
    if (marker != std::string::npos && marker + 2 < text.size()) {
        std::string before = ui::labelDisplayText(text.substr(0, marker));
        int x = fonts::measureText(font, before.data(), before.size()).width;
        int w = fonts::measureText(font, text.data() + marker + 2, 1).width;
        fonts::LineMetrics metrics = fonts::lineMetrics(font);
        int line = int(std::count(before.begin(), before.end(), '\n'));
        if (line == 0) canvas.fill(top + metrics.ascent + 1, left + x, 1, w, color);
    }
    return 0;
}

int makeScaledBitmap(const Canvas &canvas, int width, int height, int *bitmap) {
    std::vector<unsigned char> rgb(size_t(width) * size_t(height) * 3);
    const std::vector<std::uint32_t> &pixels = canvas.pixels();
    auto put = [&](int x, int y, std::uint32_t pixel) {
        unsigned char *out = &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
        out[0] = static_cast<unsigned char>(pixel >> 16);
        out[1] = static_cast<unsigned char>(pixel >> 8);
        out[2] = static_cast<unsigned char>(pixel);
    };
    if (width == canvas.width() && height == canvas.height()) {
        // The common case, a picture at its drawn size: one pass over the pixels.
        unsigned char *out = rgb.data();
        for (std::uint32_t pixel : pixels) {
            *out++ = static_cast<unsigned char>(pixel >> 16);
            *out++ = static_cast<unsigned char>(pixel >> 8);
            *out++ = static_cast<unsigned char>(pixel);
        }
    } else {
        const int sourceWidth = canvas.width();
        scaleArea(sourceWidth, canvas.height(), width, height, Window{0, 0, width, height},
                  [&](int x, int y) { return pixels[size_t(y) * size_t(sourceWidth) + size_t(x)]; },
                  put);
    }
    return rte::adoptRgbBitmap(width, height, std::move(rgb), bitmap);
}

}  // namespace rte::render
