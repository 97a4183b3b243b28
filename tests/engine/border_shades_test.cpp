// The engine's internal border shades are the ones its public call hands out, so
// what the engine draws matches what programs compute from Get3dBorderColors.
#include <gtest/gtest.h>

#include "rte_ui.h"
#include "ui/colors.h"

namespace {

TEST(BorderShadesInternal, MatchThePublicCall) {
    for (int color = 0; color <= 0xFFFFFF; color += 0x00F0F1) {
        const rte::ui::BorderShades shades = rte::ui::borderShades(color);
        int light, highlight, darkShadow, shadow;
        ASSERT_EQ(Get3dBorderColors(color, &light, &highlight, &darkShadow, &shadow), 0);
        EXPECT_EQ(shades.light, light) << color;
        EXPECT_EQ(shades.highlight, highlight) << color;
        EXPECT_EQ(shades.darkShadow, darkShadow) << color;
        EXPECT_EQ(shades.shadow, shadow) << color;
    }
}

}  // namespace
