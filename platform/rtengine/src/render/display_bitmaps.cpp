// Display pictures: a control or a panel rendered into a new engine bitmap, scaled to a
// size the caller asks for.
//
// Choices (also in rte_bitmaps.h):
//  - A height or width of 0 or -1 keeps the picture's own size in that direction; each
//    direction is scaled on its own (no aspect ratio is kept). Other sizes must be
//    1 .. 32767 (RTE_UIE_INVALID_ATTRIBUTE_VALUE otherwise).
//  - A control's picture is the control alone on the panel's face (what overlaps it is
//    left out), drawn even while it is hidden; with its label it is as large as
//    GetCtrlBoundingRect, without it the control's own rectangle and the scale values
//    a numeric indicator writes under it (ui::drawnRect). A timer's picture is
//    the panel face, 16 x 16.
//  - Panel scopes: RTE_DISPLAY_SCOPE_PANEL is the panel's area (0, 0, height, width);
//    RTE_DISPLAY_SCOPE_FULL adds every shown control outside it. The area's top and
//    left count from the scope's top-left corner; a height or width of
//    RTE_DISPLAY_AREA_ALL reaches the scope's end; the area is cut to the scope, and an
//    area with nothing left is RTE_UIE_INVALID_ATTRIBUTE_VALUE.
//  - Pictures are 24-bit bitmaps (red, green, blue), rows top first. Their size is
//    checked before anything is drawn: a picture (drawn or scaled) larger than the
//    engine's bitmaps may be gives RTE_UIE_INVALID_ATTRIBUTE_VALUE.
//  - Drawing, scaling and filing the bitmap happen under the model lock, so the picture
//    is the model at one moment; nothing in between reports to the library-error
//    handler (which might call back into the model), only the entry point afterwards.
#include <algorithm>

#include "render/render.h"

namespace rte::render {

namespace {

bool validScale(int size) { return size >= -1 && size <= ui::kMaxSize; }

// The size asked for in one direction, or the natural one.
int scaledSize(int asked, int natural) { return asked <= 0 ? natural : asked; }

bool fitsBitmap(long long width, long long height) {
    return width >= 1 && height >= 1 && width <= ui::kMaxSize && height <= ui::kMaxSize &&
           width * height * 3 <= RTE_BITMAP_MAX_BITS_SIZE;
}

// Makes the bitmap of a drawn canvas at the size asked for.
int finish(const Canvas &canvas, int height, int width, int *bitmap) {
    int newWidth = scaledSize(width, canvas.width()), newHeight = scaledSize(height, canvas.height());
    if (!fitsBitmap(newWidth, newHeight)) return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
    int made = 0;
    int code = makeScaledBitmap(canvas, newWidth, newHeight, &made);
    if (code == 0) *bitmap = made;
    return code;
}

int drawCtrlPicture(int panel, int control, bool includeLabel, const PictureUse &use) {
    ui::Model &m = ui::model();
    ui::Guard lock(m.mutex);
    ui::Panel *p;
    int code;
    ui::Control *c = ui::findControl(m, panel, control, p, code);
    if (!c) return code;
    Rect r = includeLabel ? ui::boundingRect(*c) : ui::drawnRect(*c);
    if (!fitsBitmap(r.width, r.height)) return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
    const Palette palette = paletteOf(*p);
    Canvas canvas(r.width, r.height, palette.face);
    canvas.setOrigin(-r.left, -r.top);
    if ((code = drawControl(canvas, palette, *c, true, includeLabel))) return code;
    canvas.setOrigin(0, 0);
    return use(canvas);
}

// The area of a scope asked for, in panel coordinates; false when it is empty.
bool resolveArea(const Rect &scope, const Rect &area, Rect &out) {
    if (area.top < 0 || area.left < 0) return false;
    long long top = static_cast<long long>(scope.top) + area.top;
    long long left = static_cast<long long>(scope.left) + area.left;
    long long bottom = static_cast<long long>(scope.top) + scope.height;
    long long right = static_cast<long long>(scope.left) + scope.width;
    if (area.height != RTE_DISPLAY_AREA_ALL) bottom = std::min(bottom, top + area.height);
    if (area.width != RTE_DISPLAY_AREA_ALL) right = std::min(right, left + area.width);
    if (bottom <= top || right <= left) return false;
    out = {int(top), int(left), int(bottom - top), int(right - left)};
    return true;
}

}  // namespace

int drawPanelPicture(int panel, int scope, const Rect &area, const PictureUse &use) {
    if (scope != RTE_DISPLAY_SCOPE_PANEL && scope != RTE_DISPLAY_SCOPE_FULL)
        return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
    if ((area.height < 0 && area.height != RTE_DISPLAY_AREA_ALL) ||
        (area.width < 0 && area.width != RTE_DISPLAY_AREA_ALL))
        return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
    ui::Model &m = ui::model();
    ui::Guard lock(m.mutex);
    int code;
    ui::Panel *p = ui::findPanel(m, panel, code);
    if (!p) return code;
    Rect whole = scope == RTE_DISPLAY_SCOPE_FULL ? panelExtent(*p) : Rect{0, 0, p->height, p->width};
    Rect r;
    if (!resolveArea(whole, area, r) || !fitsBitmap(r.width, r.height))
        return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
    Canvas canvas(r.width, r.height, paletteOf(*p).face);
    canvas.setOrigin(-r.left, -r.top);
    if ((code = drawPanel(canvas, m, *p))) return code;
    canvas.setOrigin(0, 0);
    return use(canvas);
}

}  // namespace rte::render

using namespace rte::render;

extern "C" {

int GetScaledCtrlDisplayBitmap(int panel, int control, int includeLabel, int height, int width,
                               int *bitmap) {
    return rte::ui::entry("GetScaledCtrlDisplayBitmap", [&] {
        if (!bitmap) return int(RTE_UIE_NULL_ARGUMENT);
        if (!validScale(height) || !validScale(width)) return int(RTE_UIE_INVALID_ATTRIBUTE_VALUE);
        return drawCtrlPicture(panel, control, includeLabel != 0, [&](const Canvas &canvas) {
            return finish(canvas, height, width, bitmap);
        });
    });
}

int GetScaledPanelDisplayBitmap(int panel, int scope, Rect area, int height, int width,
                                int *bitmap) {
    return rte::ui::entry("GetScaledPanelDisplayBitmap", [&] {
        if (!bitmap) return int(RTE_UIE_NULL_ARGUMENT);
        if (!validScale(height) || !validScale(width)) return int(RTE_UIE_INVALID_ATTRIBUTE_VALUE);
        return drawPanelPicture(panel, scope, area, [&](const Canvas &canvas) {
            return finish(canvas, height, width, bitmap);
        });
    });
}

}  // extern "C"
