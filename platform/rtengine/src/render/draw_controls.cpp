// Drawing panels and their controls: what each kind of control looks like.
//
// Choices:
//  - Look: a flat face in the panel's colour with 3-D borders in the four shades of it
//    (the shades Get3dBorderColors gives); command buttons raised (two pixels), the
//    fields of numeric indicators, colour controls, rings and list boxes sunken (two
//    pixels). Captions and labels black, grey when dimmed. A child panel has a
//    one-pixel outline in its frame colour, drawn over its edge.
//  - Order: the panel's face, then its controls from the back of the z order to the
//    front, each with its label, then its shown child panels (oldest first), each
//    clipped to its own area, which sits at its top/left in the parent. Hidden
//    controls and timers are not drawn; a child panel is drawn only while displayed.
//  - A numeric indicator shows its value in digits (RTE_ATTR_PRECISION digits after the
//    point for float and double, whole numbers for the integer types; rounded half away
//    from zero by our own code, so every system writes the same digits), right-aligned,
//    when RTE_ATTR_SHOW_DIGITAL_DISPLAY is 1, on its fill colour (the panel face when
//    RTE_TRANSPARENT). It shows a bar, filled in proportion to the value within the
//    range, when the digital display is off or a marker style is set; with both, the
//    digits take the right end and the bar the rest. Marker styles 1-3 add a tick at
//    every division along the bar's lower edge.
//  - Scale values (marker styles 2 and 3) go on a line of the dialog font under the
//    control's rectangle (ui::kScaleValuesGap below it), not inside: an indicator is
//    often lower than a line of text (the progress dialog's is 14 pixels). That line
//    belongs to the control's bounding rectangle and display picture. Each value is
//    written as the digits are and centred under its tick (the ends at the bar's inner
//    edges), then moved just enough to stay within the control's width, so the end
//    values end up aligned with the control's edges. Style 2 writes the two ends;
//    style 3 every step-th division, the step the smallest at which neighbouring values
//    keep 4 pixels apart, so the values shown stay evenly spaced however many
//    divisions there are. The maximum always shows, and a division too close to it
//    gives way; when even the two ends would crowd each other, only the minimum shows.
//  - A ring shows its selected item (escape codes removed) and a small arrow at its
//    right end; a slide ring has arrows at both ends.
//  - A list box draws its visible lines from its first visible one; each line's escape
//    codes move the pen to a pixel column, set the colour of what follows or behind
//    it, or draw a filled box of a width (framed in the text colour, one line high less
//    two pixels). The selected line has the selection colour behind it, and its text
//    in the selected-text colour unless the line sets its own.
//  - Pictures show their image (a picture ring its selected item's) in the area inside
//    their frame by their fit mode: unscaled and centred (the default), stretched to
//    the area, or scaled to the largest size that fits with its shape kept (each side
//    rounded to whole pixels, at least 1) and centred; always cut to the area. Scaling
//    uses the renderer's one area filter (scaleArea), nearest pixels when enlarging by
//    whole factors, exact means when shrinking. Pixels the image's mask leaves out show
//    what is behind: for framed pictures their face, for a plain picture the panel;
//    scaled, a pixel partly left out blends with it. A picture button and a raised
//    picture sit in a raised two-pixel frame, a picture ring in a sunken one, a plain
//    picture has none. A dimmed picture has every other pixel (a checkerboard) covered
//    by the panel's face.
//  - Fractions (the indicator's bar) are computed in 64-bit integers from the value
//    rounded to 1/65536 of the range, so x86 and x64 builds fill the same pixels.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "render/render.h"

namespace rte::render {

namespace {

using ui::Control;
using ui::LineRun;

constexpr std::uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF;
constexpr int kBorder = 2;    // the 3-D borders of buttons and fields
constexpr int kTextInset = 3; // text inside a field, from its border

std::uint32_t captionColor(const Palette &palette, const Control &c) {
    return c.dimmed ? palette.dimmedText : palette.text;
}

void raised(Canvas &canvas, const Palette &palette, int top, int left, int height, int width) {
    canvas.bevel(top, left, height, width, 1, palette.highlight, palette.darkShadow);
    canvas.bevel(top + 1, left + 1, height - 2, width - 2, 1, palette.light, palette.shadow);
}

void sunken(Canvas &canvas, const Palette &palette, int top, int left, int height, int width) {
    canvas.bevel(top, left, height, width, 1, palette.shadow, palette.highlight);
    canvas.bevel(top + 1, left + 1, height - 2, width - 2, 1, palette.darkShadow, palette.light);
}

int drawLabel(Canvas &canvas, const Palette &palette, const Control &c) {
    if (!c.hasLabel()) return 0;
    int top = c.labelTop(), left = c.labelLeft();
    if (c.labelRaised) {
        ui::Size extent = c.labelExtent();
        raised(canvas, palette, top, left, extent.height, extent.width);
        top += ui::kRaisedLabelFrame;
        left += ui::kRaisedLabelFrame;
    }
    return drawText(canvas, ui::dialogFont(), c.label, left, top, captionColor(palette, c));
}

int drawButton(Canvas &canvas, const Palette &palette, const Control &c) {
    canvas.fill(c.top, c.left, c.height, c.width, palette.face);
    raised(canvas, palette, c.top, c.left, c.height, c.width);
    ClipScope scope(canvas);
    canvas.clipTo(c.top + kBorder, c.left + kBorder, c.height - 2 * kBorder, c.width - 2 * kBorder);
    int left = c.left + (c.width - c.labelSize.width) / 2;
    int top = c.top + (c.height - c.labelSize.height) / 2;
    return drawText(canvas, ui::dialogFont(), c.label, left, top, captionColor(palette, c));
}

// The value's share of the range in 1/65536, 0 .. 65536.
long long shareOfRange(const ui::NumericState &n) {
    double span = n.maximum - n.minimum;
    if (!(span > 0)) return n.value >= n.maximum ? 65536 : 0;
    double share = std::round((n.value - n.minimum) / span * 65536.0);
    return std::clamp<long long>(static_cast<long long>(share), 0, 65536);
}

// A value as the indicator writes it: whole numbers for the integer data types, float
// and double with RTE_ATTR_PRECISION digits after the point.
std::string formatValue(const ui::NumericState &n, double value) {
    static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const bool real = n.dataType == RTE_VAL_FLOAT || n.dataType == RTE_VAL_DOUBLE;
    const int precision = real ? std::clamp(n.precision, 0, 15) : 0;
    const double scaled = value * kPowers[precision];
    if (!(std::fabs(scaled) < 9007199254740992.0)) {  // 2^53: no fraction left to round
        char text[400];
        std::snprintf(text, sizeof text, "%.*f", precision, value);
        return text;
    }
    // Rounded here, half away from zero (7.25 to one digit is 7.3), rather than by the
    // C library, whose handling of ties is its own and need not be the same everywhere.
    const long long whole = std::llround(scaled);
    const unsigned long long magnitude = static_cast<unsigned long long>(whole < 0 ? -whole : whole);
    const auto unit = static_cast<unsigned long long>(kPowers[precision]);
    std::string text = (whole < 0 ? "-" : "") + std::to_string(magnitude / unit);
    if (precision > 0) {
        std::string fraction = std::to_string(magnitude % unit);
        text += '.';
        text.append(size_t(precision) - fraction.size(), '0');
        text += fraction;
    }
    return text;
}

std::string digitsOf(const ui::NumericState &n) { return formatValue(n, n.value); }

// The pixel column of division d (0 .. divisions) of a bar `inner` pixels wide.
int divisionColumn(int inner, int d, int divisions) {
    return int((static_cast<long long>(inner) * d + divisions / 2) / divisions);
}

void drawBar(Canvas &canvas, const Palette &palette, const Control &c, int width) {
    const ui::NumericState &n = c.numeric;
    int inner = std::max(width - 2 * kBorder, 0), innerHeight = std::max(c.height - 2 * kBorder, 0);
    int filled = int((shareOfRange(n) * inner + 32768) >> 16);
    canvas.fill(c.top + kBorder, c.left + kBorder, innerHeight, filled,
                c.dimmed ? palette.shadow : palette.selection);
    if (n.markerStyle == 0) return;
    int tick = std::max(innerHeight / 3, 1);
    for (int d = 1; d < n.divisions; ++d)
        canvas.fill(c.top + kBorder + innerHeight - tick,
                    c.left + kBorder + divisionColumn(inner, d, n.divisions), tick, 1, palette.text);
}

// One value of the scale, placed: centred under its tick, moved inside the control.
struct ScaleValue {
    std::string text;
    int left, width;
};

// Values closer than this look like one number.
constexpr int kValueSpacing = 4;

bool crowded(const ScaleValue &a, const ScaleValue &b) {
    return a.left + a.width + kValueSpacing > b.left;
}

// The values at divisions 0 .. divisions (every one measured) of a bar `inner` wide.
std::vector<ScaleValue> placeScaleValues(const Control &c, int inner) {
    const ui::NumericState &n = c.numeric;
    std::vector<ScaleValue> values;
    for (int d = 0; d <= n.divisions; ++d) {
        // Interpolated as a weighted sum, which cannot overflow on the widest ranges.
        double share = double(d) / n.divisions;
        double value = d == n.divisions ? n.maximum : n.minimum * (1 - share) + n.maximum * share;
        ScaleValue v{formatValue(n, value), 0, 0};
        v.width = fonts::measureText(ui::dialogFont(), v.text.data(), v.text.size()).width;
        int centre = c.left + kBorder + divisionColumn(inner, d, n.divisions);
        v.left = std::max(c.left, std::min(centre - v.width / 2, c.left + c.width - v.width));
        values.push_back(std::move(v));
    }
    return values;
}

// Which divisions get their value: both ends for style 2; for style 3 every step-th
// division, the step the smallest at which no two neighbours crowd each other. The
// maximum always shows (a division too close to it gives way) unless it would crowd
// the minimum.
std::vector<int> shownDivisions(const std::vector<ScaleValue> &values, int style) {
    const int last = int(values.size()) - 1;
    if (crowded(values[0], values[size_t(last)])) return {0};
    for (int step = style == 3 ? 1 : last; step <= last; ++step) {
        std::vector<int> shown;
        for (int d = 0; d < last; d += step) shown.push_back(d);
        while (shown.size() > 1 && crowded(values[size_t(shown.back())], values[size_t(last)]))
            shown.pop_back();
        shown.push_back(last);
        bool apart = true;
        for (size_t k = 1; k < shown.size() && apart; ++k)
            apart = !crowded(values[size_t(shown[k - 1])], values[size_t(shown[k])]);
        if (apart) return shown;
    }
    return {0};
}

// The scale's values on their line under the control (marker styles 2 and 3).
int drawScaleValues(Canvas &canvas, const Palette &palette, const Control &c, int barWidth) {
    const int inner = std::max(barWidth - 2 * kBorder, 0);
    const int top = c.top + c.height + ui::kScaleValuesGap;
    std::vector<ScaleValue> values = placeScaleValues(c, inner);
    ClipScope scope(canvas);
    canvas.clipTo(top, c.left, ui::labelLineHeight(), c.width);
    for (int d : shownDivisions(values, c.numeric.markerStyle)) {
        const ScaleValue &v = values[size_t(d)];
        if (int code = drawText(canvas, ui::dialogFont(), v.text, v.left, top, captionColor(palette, c)))
            return code;
    }
    return 0;
}

int drawNumeric(Canvas &canvas, const Palette &palette, const Control &c) {
    const ui::NumericState &n = c.numeric;
    std::uint32_t back = n.fillColor == RTE_TRANSPARENT ? palette.face : std::uint32_t(n.fillColor);
    bool bar = !n.digitalDisplay || n.markerStyle != 0;
    std::string digits = n.digitalDisplay ? digitsOf(n) : std::string();
    int digitsWidth = 0;
    if (!digits.empty())
        digitsWidth = fonts::measureText(ui::dialogFont(), digits.data(), digits.size()).width +
                      2 * kTextInset + 2 * kBorder;
    int barWidth = digits.empty() ? c.width : std::max(c.width - digitsWidth, 0);
    if (bar) {
        canvas.fill(c.top, c.left, c.height, barWidth, back);
        drawBar(canvas, palette, c, barWidth);
        sunken(canvas, palette, c.top, c.left, c.height, barWidth);
        if (n.markerStyle >= 2)
            if (int code = drawScaleValues(canvas, palette, c, barWidth)) return code;
    }
    if (digits.empty()) return 0;
    int left = bar ? c.left + barWidth : c.left, width = bar ? c.width - barWidth : c.width;
    canvas.fill(c.top, left, c.height, width, back);
    sunken(canvas, palette, c.top, left, c.height, width);
    ClipScope scope(canvas);
    canvas.clipTo(c.top + kBorder, left + kBorder, c.height - 2 * kBorder, width - 2 * kBorder);
    int textWidth = digitsWidth - 2 * kTextInset - 2 * kBorder;
    int top = c.top + (c.height - ui::labelLineHeight()) / 2;
    return drawText(canvas, ui::dialogFont(), digits, left + width - kBorder - kTextInset - textWidth,
                    top, captionColor(palette, c));
}

int drawColor(Canvas &canvas, const Palette &palette, const Control &c) {
    canvas.fill(c.top, c.left, c.height, c.width, std::uint32_t(c.color));
    sunken(canvas, palette, c.top, c.left, c.height, c.width);
    return 0;
}

int drawTextMessage(Canvas &canvas, const Palette &palette, const Control &c) {
    ClipScope scope(canvas);
    canvas.clipTo(c.top, c.left, c.height, c.width);
    return drawText(canvas, c.textFont.resolved, c.label, c.left, c.top, captionColor(palette, c));
}

// A filled triangle pointing left (-1) or right (1), `size` pixels high at its base.
void arrow(Canvas &canvas, std::uint32_t color, int centerX, int centerY, int size, int direction) {
    int half = size / 2;
    for (int k = 0; k <= half; ++k) {
        int x = centerX + direction * (k - half / 2);
        int extent = half - k;
        canvas.fill(centerY - extent, x, 2 * extent + 1, 1, color);
    }
}

int drawRing(Canvas &canvas, const Palette &palette, const Control &c) {
    canvas.fill(c.top, c.left, c.height, c.width, palette.field);
    sunken(canvas, palette, c.top, c.left, c.height, c.width);
    const bool slide = c.kind->style == RTE_CTRL_SLIDE_RING;
    int arrowRoom = c.height, centerY = c.top + c.height / 2, size = std::max(c.height / 2, 3);
    std::uint32_t color = captionColor(palette, c);
    arrow(canvas, color, c.left + c.width - arrowRoom / 2, centerY, size, 1);
    if (slide) arrow(canvas, color, c.left + arrowRoom / 2, centerY, size, -1);
    if (c.selected < 0) return 0;
    ClipScope scope(canvas);
    int textLeft = c.left + (slide ? arrowRoom : kBorder + kTextInset);
    canvas.clipTo(c.top + kBorder, textLeft, c.height - 2 * kBorder,
                  c.left + c.width - arrowRoom - textLeft);
    std::string text = ui::listLineText(c.items[size_t(c.selected)].label);
    int top = c.top + (c.height - ui::lineHeightOf(c.textFont.resolved)) / 2;
    return drawText(canvas, c.textFont.resolved, text, textLeft, top, color);
}

int drawListLine(Canvas &canvas, const fonts::ResolvedFont &font, const std::string &label,
                 int left, int top, int lineHeight, std::uint32_t color) {
    int pen = left;
    bool behind = false;
    std::uint32_t background = 0;
    for (const LineRun &run : ui::parseListLine(label)) {
        switch (run.kind) {
        case LineRun::Column: pen = left + run.number; break;
        case LineRun::Foreground: color = std::uint32_t(run.color); break;
        case LineRun::Background:
            background = std::uint32_t(run.color);
            behind = true;
            break;
        case LineRun::Box:
            canvas.fill(top + 1, pen, lineHeight - 2, run.number, std::uint32_t(run.color));
            canvas.frame(top + 1, pen, lineHeight - 2, run.number, color);
            pen += run.number;
            break;
        case LineRun::Text: {
            int width = fonts::measureText(font, run.text.data(), run.text.size()).width;
            if (behind) canvas.fill(top, pen, lineHeight, width, background);
            if (int code = drawText(canvas, font, run.text, pen, top, color)) return code;
            pen += width;
            break;
        }
        }
    }
    return 0;
}

int drawListBox(Canvas &canvas, const Palette &palette, const Control &c) {
    canvas.fill(c.top, c.left, c.height, c.width, palette.field);
    sunken(canvas, palette, c.top, c.left, c.height, c.width);
    ClipScope scope(canvas);
    canvas.clipTo(c.top + ui::kListFrame, c.left + ui::kListFrame, c.height - 2 * ui::kListFrame,
                  c.width - 2 * ui::kListFrame);
    const fonts::ResolvedFont &font = c.textFont.resolved;
    const int line = std::max(ui::lineHeightOf(font), 1);
    const int last = std::min<int>(int(c.items.size()), c.firstVisible + c.visibleLines);
    for (int index = c.firstVisible; index < last; ++index) {
        int top = c.top + ui::kListFrame + (index - c.firstVisible) * line;
        bool selected = index == c.selected;
        std::uint32_t color = captionColor(palette, c);
        if (selected) {
            canvas.fill(top, c.left + ui::kListFrame, line, c.width - 2 * ui::kListFrame,
                        c.dimmed ? palette.shadow : palette.selection);
            color = palette.selectedText;
        }
        if (int code = drawListLine(canvas, font, c.items[size_t(index)].label,
                                    c.left + ui::kListFrame + 1, top, line, color))
            return code;
    }
    return 0;
}

// The colour of pixel x of an image row.
std::uint32_t imagePixel(const bitmaps::Image &image, const unsigned char *row, int x) {
    if (image.depth >= 24) {
        const unsigned char *pixel = row + size_t(x) * size_t(image.depth / 8);
        return std::uint32_t(pixel[0]) << 16 | std::uint32_t(pixel[1]) << 8 | pixel[2];
    }
    int bit = x * image.depth, shift = 8 - image.depth - bit % 8;
    int index = (row[bit / 8] >> shift) & ((1 << image.depth) - 1);
    return std::uint32_t(image.colorTable[size_t(index)]);
}

// Where an image goes in an area, by fit mode: its top left and size.
Rect fittedPlace(int mode, const Rect &area, int imageWidth, int imageHeight) {
    long long width = imageWidth, height = imageHeight;
    if (mode == RTE_FIT_STRETCHED) {
        width = area.width, height = area.height;
    } else if (mode == RTE_FIT_ASPECT) {
        // The side that limits the scaling fills the area, the other keeps the shape.
        if (static_cast<long long>(imageWidth) * area.height >=
            static_cast<long long>(imageHeight) * area.width) {
            width = area.width;
            height = (static_cast<long long>(imageHeight) * area.width + imageWidth / 2) / imageWidth;
        } else {
            height = area.height;
            width = (static_cast<long long>(imageWidth) * area.height + imageHeight / 2) / imageHeight;
        }
        width = std::max(width, 1LL), height = std::max(height, 1LL);
    }
    return {int(area.top + (area.height - height) / 2), int(area.left + (area.width - width) / 2),
            int(height), int(width)};
}

// A channel of a colour averaged with the coverage it came with, divided back out.
std::uint32_t uncovered(std::uint32_t pixel, int coverage) {
    std::uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        int channel = int((pixel >> shift) & 0xFF);
        out |= std::uint32_t(std::min((channel * 255 + coverage / 2) / coverage, 255)) << shift;
    }
    return out;
}

// An image scaled into place (unscaled when its size is the image's), made only where
// the canvas's clipping lets it show. Pixels its mask leaves out are not drawn; scaled,
// the mask is averaged like the colours, so a cell partly left out blends with what is
// behind it in proportion.
void drawImage(Canvas &canvas, const bitmaps::Image &image, const Rect &place) {
    const Canvas::Clip clip = canvas.clip();
    const long long x = static_cast<long long>(canvas.originX()) + place.left;
    const long long y = static_cast<long long>(canvas.originY()) + place.top;
    auto within = [](long long v, int size) { return int(std::clamp<long long>(v, 0, size)); };
    const Window window{within(clip.x0 - x, place.width), within(clip.y0 - y, place.height),
                        within(clip.x1 - x, place.width), within(clip.y1 - y, place.height)};
    if (window.x0 >= window.x1 || window.y0 >= window.y1) return;
    const size_t maskRow = size_t(RTE_BITMAP_MASK_ROW_BYTES(image.width));
    auto source = [&](int sx, int sy) -> std::uint32_t {
        if (!image.mask.empty() && !(image.mask[size_t(sy) * maskRow + size_t(sx / 8)] & (0x80 >> (sx % 8))))
            return 0;  // no colour, no coverage
        return 0xFF000000u | imagePixel(image, &image.bits[size_t(sy) * size_t(image.rowBytes)], sx);
    };
    if (place.width == image.width && place.height == image.height) {  // unscaled: as it is
        for (int py = window.y0; py < window.y1; ++py)
            for (int px = window.x0; px < window.x1; ++px)
                if (std::uint32_t pixel = source(px, py))
                    canvas.blend(place.left + px, place.top + py, pixel & 0xFFFFFF, 255);
        return;
    }
    scaleArea(image.width, image.height, place.width, place.height, window, source,
              [&](int px, int py, std::uint32_t pixel) {
                  int coverage = int(pixel >> 24);
                  if (coverage == 0) return;
                  std::uint32_t color = coverage == 255 ? pixel & 0xFFFFFF : uncovered(pixel, coverage);
                  canvas.blend(place.left + px, place.top + py, color, coverage);
              });
}

int drawPicture(Canvas &canvas, const Palette &palette, const Control &c) {
    const bool framed = c.kind->style != RTE_CTRL_PICTURE;
    const bool ring = c.is(ui::kPictureRing);
    if (framed) {
        canvas.fill(c.top, c.left, c.height, c.width, palette.face);
        if (ring)
            sunken(canvas, palette, c.top, c.left, c.height, c.width);
        else
            raised(canvas, palette, c.top, c.left, c.height, c.width);
    }
    const int inset = framed ? kBorder : 0;
    const Rect area{c.top + inset, c.left + inset, c.height - 2 * inset, c.width - 2 * inset};
    ClipScope scope(canvas);
    canvas.clipTo(area.top, area.left, area.height, area.width);
    ui::ImageRef image = ui::shownImage(c);
    if (image && area.height > 0 && area.width > 0)
        drawImage(canvas, *image, fittedPlace(c.fitMode, area, image->width, image->height));
    if (c.dimmed)  // a dimmed picture is covered by every other pixel of the face
        for (int y = c.top; y < c.top + c.height; ++y)
            for (int x = c.left + (y & 1); x < c.left + c.width; x += 2)
                canvas.blend(x, y, palette.face, 255);
    return 0;
}

int drawBody(Canvas &canvas, const Palette &palette, const Control &c) {
    switch (c.kind->bit) {
    case ui::kButton: return drawButton(canvas, palette, c);
    case ui::kNumeric: return drawNumeric(canvas, palette, c);
    case ui::kColor: return drawColor(canvas, palette, c);
    case ui::kText: return drawTextMessage(canvas, palette, c);
    case ui::kRing: return drawRing(canvas, palette, c);
    case ui::kListBox: return drawListBox(canvas, palette, c);
    case ui::kPicture:
    case ui::kPictureRing: return drawPicture(canvas, palette, c);
    default: return 0;  // timers
    }
}

}  // namespace

Palette paletteOf(const ui::Panel &panel) {
    Palette palette;
    const ui::BorderShades shades = ui::borderShades(panel.backColor);
    palette.face = std::uint32_t(panel.backColor);
    palette.frame = std::uint32_t(panel.frameColor);
    palette.highlight = std::uint32_t(shades.highlight);
    palette.light = std::uint32_t(shades.light);
    palette.shadow = std::uint32_t(shades.shadow);
    palette.darkShadow = std::uint32_t(shades.darkShadow);
    palette.text = kBlack;
    palette.dimmedText = 0x808080;
    palette.field = kWhite;
    palette.selection = 0x0A246A;
    palette.selectedText = kWhite;
    return palette;
}

int drawControl(Canvas &canvas, const Palette &palette, const Control &control, bool evenHidden,
                bool withLabel) {
    if (control.kind->hidden || (!control.visible && !evenHidden)) return 0;
    if (int code = drawBody(canvas, palette, control)) return code;
    return withLabel ? drawLabel(canvas, palette, control) : 0;
}

int drawPanel(Canvas &canvas, const ui::Model &model, const ui::Panel &panel) {
    const Palette palette = paletteOf(panel);
    canvas.fill(0, 0, panel.height, panel.width, palette.face);
    for (auto id = panel.zOrder.rbegin(); id != panel.zOrder.rend(); ++id) {
        const Control *c = panel.control(*id);
        if (!c) continue;
        if (int code = drawControl(canvas, palette, *c, false, true)) return code;
    }
    for (int handle : panel.children) {
        const ui::Panel *child = model.panel(handle);
        if (!child || !child->visible) continue;
        ClipScope scope(canvas);
        canvas.clipTo(child->top, child->left, child->height, child->width);
        canvas.setOrigin(canvas.originX() + child->left, canvas.originY() + child->top);
        if (int code = drawPanel(canvas, model, *child)) return code;
        canvas.frame(0, 0, child->height, child->width, paletteOf(*child).frame);
    }
    return 0;
}

Rect panelExtent(const ui::Panel &panel) {
    long long top = 0, left = 0, bottom = panel.height, right = panel.width;
    for (int id : panel.zOrder) {
        const Control *c = panel.control(id);
        if (!c || c->kind->hidden || !c->visible) continue;
        Rect r = ui::boundingRect(*c);
        top = std::min<long long>(top, r.top);
        left = std::min<long long>(left, r.left);
        bottom = std::max<long long>(bottom, static_cast<long long>(r.top) + r.height);
        right = std::max<long long>(right, static_cast<long long>(r.left) + r.width);
    }
    return {int(top), int(left), int(std::min<long long>(bottom - top, INT_MAX)),
            int(std::min<long long>(right - left, INT_MAX))};
}

}  // namespace rte::render
