// Private to rtengine: the software renderer that draws panels and controls into
// pixel canvases, and the deterministic filter that scales them.
//
// Everything here is integer arithmetic on 0x00RRGGBB pixels, so a picture is the same
// bit for bit on every platform and build. The drawing functions read the user-interface
// model and are called with the model lock held.
#ifndef RTE_RENDER_RENDER_H
#define RTE_RENDER_RENDER_H

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/ui_internal.h"

namespace rte::render {

// A picture under construction: rows top first, one 0x00RRGGBB value per pixel, and
// a clipping rectangle that every drawing call keeps to.
class Canvas {
public:
    // The pixels reuse the calling thread's spare storage (kept between pictures up
    // to a size), so drawing one picture after another allocates nothing.
    Canvas(int width, int height, std::uint32_t color);
    ~Canvas();
    Canvas(const Canvas &) = delete;
    Canvas &operator=(const Canvas &) = delete;
    int width() const { return width_; }
    int height() const { return height_; }
    std::uint32_t pixel(int x, int y) const { return pixels_[size_t(y) * size_t(width_) + size_t(x)]; }
    const std::vector<std::uint32_t> &pixels() const { return pixels_; }

    // The drawing origin: what callers draw at (0, 0) lands at (originX, originY).
    void setOrigin(int x, int y) { originX_ = x, originY_ = y; }
    int originX() const { return originX_; }
    int originY() const { return originY_; }
    // Clipping, in origin coordinates; narrowed by clipTo, restored by a ClipScope.
    void clipTo(int top, int left, int height, int width);

    void fill(int top, int left, int height, int width, std::uint32_t color);
    // A one-pixel outline.
    void frame(int top, int left, int height, int width, std::uint32_t color);
    // A 3-D border of the given thickness: light on the top and left edges, dark on the
    // bottom and right ones (swap them for a sunken border).
    void bevel(int top, int left, int height, int width, int thickness, std::uint32_t light,
               std::uint32_t dark);
    // Blends color into one pixel with a coverage of 0..255.
    void blend(int x, int y, std::uint32_t color, int coverage);
    // Draws coverage (width x height, rows top first) at (left, top) in color.
    void blendCoverage(const std::uint8_t *coverage, int width, int height, int left, int top,
                       std::uint32_t color);

    struct Clip {
        int x0, y0, x1, y1;  // canvas pixels, x1/y1 excluded
    };
    Clip clip() const { return clip_; }
    void setClip(Clip clip) { clip_ = clip; }

private:
    int width_, height_;
    int originX_ = 0, originY_ = 0;
    Clip clip_;
    std::vector<std::uint32_t> pixels_;
};

// Restores a canvas's origin and clipping when it ends.
class ClipScope {
public:
    explicit ClipScope(Canvas &canvas)
        : canvas_(canvas), clip_(canvas.clip()), x_(canvas.originX()), y_(canvas.originY()) {}
    ~ClipScope() {
        canvas_.setClip(clip_);
        canvas_.setOrigin(x_, y_);
    }
    ClipScope(const ClipScope &) = delete;
    ClipScope &operator=(const ClipScope &) = delete;

private:
    Canvas &canvas_;
    Canvas::Clip clip_;
    int x_, y_;
};

// Text in a font at (left, top) of its first line's box; "__" markers are not drawn
// (the character after the first one is underlined). Returns 0 or RTE_UIE_OUT_OF_MEMORY.
int drawText(Canvas &canvas, const fonts::ResolvedFont &font, const std::string &text, int left,
             int top, std::uint32_t color);

// The colours a panel is drawn with.
struct Palette {
    std::uint32_t face;       // panel background (its colour), button faces
    std::uint32_t frame;      // the outline of a child panel (the panel's frame colour)
    std::uint32_t highlight;  // 3-D borders: the outer lit edge
    std::uint32_t light;      //   the inner lit edge
    std::uint32_t shadow;     //   the inner shaded edge
    std::uint32_t darkShadow; //   the outer shaded edge
    std::uint32_t text;       // labels and captions
    std::uint32_t dimmedText; // labels and captions of dimmed controls
    std::uint32_t field;      // the inside of rings and list boxes
    std::uint32_t selection;  // the selected line of a list box
    std::uint32_t selectedText;
};
Palette paletteOf(const ui::Panel &panel);

// Draws one control (and its label, when it has one shown) at its place on the panel.
// Timers draw nothing; hidden controls nothing unless `evenHidden` (a control's own
// picture); the label only `withLabel`.
int drawControl(Canvas &canvas, const Palette &palette, const ui::Control &control,
                bool evenHidden, bool withLabel);
// Draws a panel's background, its controls back to front, then its shown child panels,
// with the panel's (0, 0) at the canvas origin.
int drawPanel(Canvas &canvas, const ui::Model &model, const ui::Panel &panel);

// The smallest rectangle holding a panel's client area and all its shown controls.
Rect panelExtent(const ui::Panel &panel);

// What is done with a drawn picture while the model lock is still held: 0 or a code.
using PictureUse = std::function<int(const Canvas &)>;
// Draws an area of a panel (scope and area as GetScaledPanelDisplayBitmap takes them)
// with the model lock held and hands it to use. 0 or a code.
int drawPanelPicture(int panel, int scope, const Rect &area, const PictureUse &use);

// Makes a 24-bit engine bitmap (red, green, blue) of the canvas, scaled to width x
// height with scaleArea. Never reports; 0 or a code.
int makeScaledBitmap(const Canvas &canvas, int width, int height, int *bitmap);

// The source pixels under output cell k of a line of `count` pixels cut into
// `newCount` cells, with their weights (in 1 / newCount pixel; they add up to count).
template <typename Visit>
void forCell(int k, int count, int newCount, Visit visit) {
    long long cellStart = static_cast<long long>(k) * count, cellEnd = cellStart + count;
    for (long long i = cellStart / newCount; i <= (cellEnd - 1) / newCount; ++i) {
        long long from = std::max(cellStart, i * newCount);
        long long to = std::min(cellEnd, (i + 1) * newCount);
        visit(int(i), static_cast<std::uint64_t>(to - from));
    }
}

// The output window of a scaling: columns x0..x1 and rows y0..y1 (ends excluded).
struct Window {
    int x0, y0, x1, y1;
};

// The area filter, for every picture the renderer scales: a width x height source cut
// into newWidth x newHeight cells of exactly width / newWidth by height / newHeight
// pixels; each output pixel is the mean of the source pixels its cell covers, weighted
// by how much of each it covers, rounded half up, in exact integers. Halving averages
// 2 x 2 blocks; doubling repeats each pixel. Four 8-bit channels (0xAARRGGBB) are
// averaged alike. Only the window's pixels are made, row by row, so a large scaled
// picture costs memory for one row of its window only.
//   source(x, y) -> std::uint32_t;  sink(x, y, std::uint32_t)
template <typename Source, typename Sink>
void scaleArea(int width, int height, int newWidth, int newHeight, Window window,
               Source source, Sink sink) {
    const std::uint64_t total = static_cast<std::uint64_t>(width) * std::uint64_t(height);
    const int columns = window.x1 - window.x0;
    if (columns <= 0) return;
    std::vector<std::uint64_t> sums(size_t(columns) * 4);
    for (int y = window.y0; y < window.y1; ++y) {
        std::fill(sums.begin(), sums.end(), 0);
        forCell(y, height, newHeight, [&](int sy, std::uint64_t rowWeight) {
            for (int x = window.x0; x < window.x1; ++x) {
                std::uint64_t *sum = &sums[size_t(x - window.x0) * 4];
                forCell(x, width, newWidth, [&](int sx, std::uint64_t weight) {
                    std::uint32_t pixel = source(sx, sy);
                    weight *= rowWeight;
                    for (int k = 0; k < 4; ++k) sum[k] += weight * ((pixel >> (24 - 8 * k)) & 0xFF);
                });
            }
        });
        for (int x = window.x0; x < window.x1; ++x) {
            const std::uint64_t *sum = &sums[size_t(x - window.x0) * 4];
            std::uint32_t pixel = 0;
            for (int k = 0; k < 4; ++k)
                pixel |= std::uint32_t((sum[k] + total / 2) / total) << (24 - 8 * k);
            sink(x, y, pixel);
        }
    }
}

}  // namespace rte::render

#endif
