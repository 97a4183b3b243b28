// Private to the engine: the panel colours' defaults and the shades of a 3-D border,
// shared by the panel attributes, Get3dBorderColors and whatever draws panels.
#ifndef RTE_UI_COLORS_H
#define RTE_UI_COLORS_H

namespace rte::ui {

// A new panel's face (its background) and its frame colour (outline and title strip).
constexpr int kDefaultPanelColor = 0xC0C0C0;
constexpr int kDefaultFrameColor = 0x404040;
constexpr int kMaxColor = 0xFFFFFF;

inline bool isColor(int value) { return value >= 0 && value <= kMaxColor; }

// The four shades of a raised 3-D border around a face of one colour, 0x00RRGGBB each.
// Every channel moves the same fraction of the way toward white (light, highlight) or
// black (shadow, dark shadow), so a shade keeps the face's hue, a lighter face gets
// lighter shades, and the same colour always gives the same shades.
struct BorderShades {
    int light;       // a third of the way to white: the inner lit edge
    int highlight;   // two thirds of the way to white: the outer lit edge
    int darkShadow;  // two thirds of the way to black: the outer shaded edge
    int shadow;      // a third of the way to black: the inner shaded edge
};
// The shades of `color` (0 .. 0xFFFFFF; other bits are ignored).
BorderShades borderShades(int color);

}  // namespace rte::ui

#endif
