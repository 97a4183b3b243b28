// Glyph coverage for the renderer: glyphs rasterised by stb_truetype, kept in a cache,
// and drawn into coverage canvases.
//
// Choices:
//  - Glyphs sit on whole pixels (the pen position rounded), so one picture per glyph
//    and size serves every position.
//  - Synthetic italic slants the outline by 11 degrees, the slant of DejaVu's own
//    obliques; synthetic bold widens the coverage by 1 pixel, plus 1 per 32 pixels of
//    size. Neither changes the advances.
//  - The cache holds at most 4 MiB of pictures; when a new one would pass that, the
//    cache starts afresh (pictures still in use stay alive with their users).
//  - Overlapping coverage adds up, saturating at 255.
//  - Curves are flattened to within 1/20 pixel: stb_truetype's usual 0.35 pixel cuts
//    the inside of every curve and leaves small round glyphs 7 % too light.
#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <new>
#include <tuple>

#include "faces.h"

namespace rte {
namespace fonts {

namespace {

constexpr double kSlant = 0.19438;  // tan(11 degrees)
constexpr size_t kCacheBudget = 4u << 20;

struct GlyphKey {
    const SizedFace *face;
    int glyph;
    bool bold;
    bool italic;
    bool operator<(const GlyphKey &other) const {
        return std::tie(face, glyph, bold, italic) <
               std::tie(other.face, other.glyph, other.bold, other.italic);
    }
};

class GlyphCache {
public:
    std::shared_ptr<const GlyphCoverage> find(const GlyphKey &key) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = pictures_.find(key);
        return found == pictures_.end() ? nullptr : found->second;
    }
    // Keeps picture unless another thread was first; gives the one kept.
    std::shared_ptr<const GlyphCoverage> keep(const GlyphKey &key,
                                              std::shared_ptr<const GlyphCoverage> picture) {
        std::lock_guard<std::mutex> lock(mutex_);
        size_t size = sizeof(GlyphCoverage) + picture->pixels.size();
        if (bytes_ + size > kCacheBudget) {
            pictures_.clear();
            bytes_ = 0;
        }
        auto inserted = pictures_.emplace(key, std::move(picture));
        if (inserted.second) bytes_ += size;
        return inserted.first->second;
    }

private:
    std::mutex mutex_;
    std::map<GlyphKey, std::shared_ptr<const GlyphCoverage>> pictures_;
    size_t bytes_ = 0;
};

GlyphCache &glyphCache() {
    static GlyphCache cache;
    return cache;
}

// The glyph's outline in font units, slanted when asked; freed with its owner.
struct Outline {
    stbtt_vertex *vertices = nullptr;
    int count = 0;
    explicit Outline(const stbtt_fontinfo &info, int glyph) {
        count = stbtt_GetGlyphShape(&info, glyph, &vertices);
    }
    ~Outline() { stbtt_FreeShape(nullptr, vertices); }
    Outline(const Outline &) = delete;
    Outline &operator=(const Outline &) = delete;

    void slant() {
        auto shear = [](stbtt_vertex_type &x, stbtt_vertex_type y) {
            x = stbtt_vertex_type(std::lround(x + y * kSlant));
        };
        for (int k = 0; k < count; ++k) {
            shear(vertices[k].x, vertices[k].y);
            shear(vertices[k].cx, vertices[k].cy);
            shear(vertices[k].cx1, vertices[k].cy1);
        }
    }
};

// The pixel box of an outline at a scale (y grows downwards), from its points and
// control points; empty for an empty outline.
void pixelBox(const Outline &outline, float scale, int &x0, int &y0, int &x1, int &y1) {
    if (outline.count <= 0) {
        x0 = y0 = x1 = y1 = 0;
        return;
    }
    int minX = outline.vertices[0].x, maxX = minX;
    int minY = outline.vertices[0].y, maxY = minY;
    auto include = [&](int x, int y) {
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
    };
    for (int k = 0; k < outline.count; ++k) {
        const stbtt_vertex &v = outline.vertices[k];
        include(v.x, v.y);
        if (v.type == STBTT_vcurve || v.type == STBTT_vcubic) include(v.cx, v.cy);
        if (v.type == STBTT_vcubic) include(v.cx1, v.cy1);
    }
    x0 = int(std::floor(minX * scale));
    x1 = int(std::ceil(maxX * scale));
    y0 = int(std::floor(-maxY * scale));
    y1 = int(std::ceil(-minY * scale));
}

// Each pixel also takes the coverage of the pixels up to strength to its left.
void embolden(GlyphCoverage &picture, int strength) {
    GlyphCoverage heavier;
    heavier.left = picture.left;
    heavier.top = picture.top;
    heavier.width = picture.width + strength;
    heavier.height = picture.height;
    heavier.pixels.assign(size_t(heavier.width) * size_t(heavier.height), 0);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            std::uint8_t value = picture.pixels[size_t(y) * picture.width + x];
            std::uint8_t *row = &heavier.pixels[size_t(y) * heavier.width];
            for (int d = 0; d <= strength; ++d) row[x + d] = std::max(row[x + d], value);
        }
    picture = std::move(heavier);
}

std::shared_ptr<GlyphCoverage> rasterise(const SizedFace &sized, int glyph, bool bold,
                                         bool italic) {
    auto picture = std::make_shared<GlyphCoverage>();
    const stbtt_fontinfo &info = sized.face->info();
    if (glyph < 0 || glyph >= info.numGlyphs) return picture;
    Outline outline(info, glyph);
    if (italic) outline.slant();
    int x0, y0, x1, y1;
    pixelBox(outline, sized.scale, x0, y0, x1, y1);
    if (x1 > x0 && y1 > y0) {
        picture->left = x0;
        picture->top = y0;
        picture->width = x1 - x0;
        picture->height = y1 - y0;
        picture->pixels.assign(size_t(picture->width) * size_t(picture->height), 0);
        stbtt__bitmap target{picture->width, picture->height, picture->width,
                             picture->pixels.data()};
        stbtt_Rasterize(&target, 0.05f, outline.vertices, outline.count, sized.scale,
                        sized.scale, 0, 0, x0, y0, 1, nullptr);
    }
    if (bold && picture->width > 0) embolden(*picture, 1 + sized.pixelSize / 32);
    return picture;
}

void addCoverage(const GlyphCoverage &picture, long long left, long long top,
                 CoverageCanvas &canvas) {
    long long firstRow = std::max(0LL, -top);
    long long endRow = std::min<long long>(picture.height, canvas.height - top);
    long long firstColumn = std::max(0LL, -left);
    long long endColumn = std::min<long long>(picture.width, canvas.width - left);
    for (long long y = firstRow; y < endRow; ++y) {
        const std::uint8_t *source = &picture.pixels[size_t(y) * size_t(picture.width)];
        std::uint8_t *target = canvas.pixels + (top + y) * canvas.stride;
        for (long long x = firstColumn; x < endColumn; ++x) {
            std::uint8_t &pixel = target[left + x];
            pixel = std::uint8_t(std::min(255, pixel + source[x]));
        }
    }
}

}  // namespace

std::shared_ptr<const GlyphCoverage> glyphCoverage(const ResolvedFont &font, int glyph) {
    GlyphKey key{font.face, glyph, font.syntheticBold, font.syntheticItalic};
    try {
        if (auto cached = glyphCache().find(key)) return cached;
        return glyphCache().keep(key, rasterise(*font.face, glyph, key.bold, key.italic));
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

int drawGlyphRun(const ResolvedFont &font, const PlacedGlyph *run, size_t count, int left,
                 int top, CoverageCanvas &canvas) {
    for (size_t k = 0; k < count; ++k) {
        std::shared_ptr<const GlyphCoverage> picture = glyphCoverage(font, run[k].glyph);
        if (!picture) return RTE_UIE_OUT_OF_MEMORY;
        addCoverage(*picture, static_cast<long long>(left) + run[k].x + picture->left,
                    static_cast<long long>(top) + run[k].y + picture->top, canvas);
    }
    return 0;
}

}  // namespace fonts
}  // namespace rte
