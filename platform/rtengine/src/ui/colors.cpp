// 3-D border shades of a colour.
//
// Choices made here:
//  - Each channel is moved toward white or black by a fixed fraction in integer
//    arithmetic (no colour-space conversion): deterministic on every platform and
//    compiler, and a shade never leaves the 0..255 range of its channel. The move is
//    rounded up, so a channel that can move does, even next to 0 or 255.
//  - The highlight is lighter than the face in every channel below 255 and the shadow
//    darker in every channel above 0: white's highlight is white and black's shadow is
//    black, as nothing lies beyond them.
#include "ui/colors.h"

#include "rte_internal.h"
#include "rte_ui.h"

namespace rte::ui {

namespace {

// Applies a per-channel mapping to the three channels of 0x00RRGGBB.
template <typename Shade>
int eachChannel(int color, Shade shade) {
    int result = 0;
    for (int shift = 16; shift >= 0; shift -= 8) {
        int channel = (color >> shift) & 0xFF;
        result |= shade(channel) << shift;
    }
    return result;
}

// thirds / 3 of distance, rounded up: any distance left moves by at least 1.
int share(int distance, int thirds) { return (distance * thirds + 2) / 3; }

int towardWhite(int color, int thirds) {
    return eachChannel(color, [&](int c) { return c + share(255 - c, thirds); });
}
int towardBlack(int color, int thirds) {
    return eachChannel(color, [&](int c) { return c - share(c, thirds); });
}

}  // namespace

BorderShades borderShades(int color) {
    return {towardWhite(color, 1), towardWhite(color, 2), towardBlack(color, 2),
            towardBlack(color, 1)};
}

}  // namespace rte::ui

extern "C" int Get3dBorderColors(int color, int *light, int *highlight, int *darkShadow,
                                 int *shadow) {
    if (!rte::ui::isColor(color))
        return rte::fail("Get3dBorderColors", RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    const rte::ui::BorderShades shades = rte::ui::borderShades(color);
    if (light) *light = shades.light;
    if (highlight) *highlight = shades.highlight;
    if (darkShadow) *darkShadow = shades.darkShadow;
    if (shadow) *shadow = shades.shadow;
    return 0;
}
