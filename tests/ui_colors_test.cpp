// Panel colours and the shades of 3-D borders.
#include <gtest/gtest.h>

#include <ostream>

#include "rtengine.h"
#include "test_support.h"
#include "ui_support.h"

using testing_support::LibraryErrorCounter;
using testing_support::panelInt;
using testing_support::ScopedPanel;

namespace {

struct Shades {
    int color, light, highlight, darkShadow, shadow;
};
std::ostream &operator<<(std::ostream &out, const Shades &s) {
    return out << std::hex << "0x" << s.color;
}

int channelSum(int color) { return ((color >> 16) & 0xFF) + ((color >> 8) & 0xFF) + (color & 0xFF); }
// Every channel of `lower` at most the same channel of `upper`.
bool noLighterThan(int lower, int upper) {
    for (int shift : {16, 8, 0})
        if (((lower >> shift) & 0xFF) > ((upper >> shift) & 0xFF)) return false;
    return true;
}

class BorderShades : public testing::TestWithParam<Shades> {};

// Known shades, worked out by hand: a third and two thirds of each channel's way to
// white or black, rounded away from the face.
INSTANTIATE_TEST_SUITE_P(
    Colors, BorderShades,
    testing::Values(Shades{0x000000, 0x555555, 0xAAAAAA, 0x000000, 0x000000},
                    Shades{0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0x555555, 0xAAAAAA},
                    Shades{0xC0C0C0, 0xD5D5D5, 0xEAEAEA, 0x404040, 0x808080},
                    Shades{0x808080, 0xABABAB, 0xD5D5D5, 0x2A2A2A, 0x555555},
                    Shades{0xFEFEFE, 0xFFFFFF, 0xFFFFFF, 0x545454, 0xA9A9A9},
                    Shades{0x010101, 0x565656, 0xABABAB, 0x000000, 0x000000},
                    Shades{0xFF0000, 0xFF5555, 0xFFAAAA, 0x550000, 0xAA0000},
                    Shades{0x0000FF, 0x5555FF, 0xAAAAFF, 0x000055, 0x0000AA},
                    Shades{0x123456, 0x61788F, 0xB0BCC7, 0x06111C, 0x0C2239}));

// The shades are the expected ones, ordered from dark shadow to highlight channel by
// channel, and the highlight is strictly lighter (the shadow strictly darker) unless
// the face is already white (black).
TEST_P(BorderShades, AreStableAndOrdered) {
    const Shades want = GetParam();
    Shades got{want.color, -1, -1, -1, -1};
    ASSERT_EQ(Get3dBorderColors(want.color, &got.light, &got.highlight, &got.darkShadow,
                                &got.shadow),
              0);
    EXPECT_EQ(got.light, want.light);
    EXPECT_EQ(got.highlight, want.highlight);
    EXPECT_EQ(got.darkShadow, want.darkShadow);
    EXPECT_EQ(got.shadow, want.shadow);

    EXPECT_TRUE(noLighterThan(got.darkShadow, got.shadow));
    EXPECT_TRUE(noLighterThan(got.shadow, want.color));
    EXPECT_TRUE(noLighterThan(want.color, got.light));
    EXPECT_TRUE(noLighterThan(got.light, got.highlight));
    if (want.color != 0xFFFFFF) {
        EXPECT_GT(channelSum(got.highlight), channelSum(want.color));
    }
    if (want.color != 0) {
        EXPECT_LT(channelSum(got.shadow), channelSum(want.color));
    }

    // Each output alone gives the same value; the others may be null.
    int only = -1;
    ASSERT_EQ(Get3dBorderColors(want.color, nullptr, &only, nullptr, nullptr), 0);
    EXPECT_EQ(only, want.highlight);
    ASSERT_EQ(Get3dBorderColors(want.color, nullptr, nullptr, nullptr, &only), 0);
    EXPECT_EQ(only, want.shadow);
}

// A colour outside 0 .. 0xFFFFFF is refused and reported, and nothing is written.
TEST(BorderShadesInput, ColorsOutOfRangeAreRefused) {
    LibraryErrorCounter errors;
    for (int bad : {-1, 0x1000000, int(0x80FFFFFF)}) {
        int light = 7, highlight = 7, darkShadow = 7, shadow = 7;
        EXPECT_EQ(Get3dBorderColors(bad, &light, &highlight, &darkShadow, &shadow),
                  RTE_UIE_INVALID_ATTRIBUTE_VALUE)
            << bad;
        EXPECT_EQ(light + highlight + darkShadow + shadow, 28);
    }
    EXPECT_EQ(errors.reports(), 3);
}

// A new panel has the documented colours; both are read and written as 0x00RRGGBB, a
// value outside the range is refused without a change, and panels keep their own.
TEST(PanelColors, DefaultsRangeAndIndependence) {
    ScopedPanel panel, other;
    const struct {
        int attribute, initial;
    } colors[] = {{RTE_ATTR_BACK_COLOR, 0xC0C0C0}, {RTE_ATTR_FRAME_COLOR, 0x404040}};
    for (const auto &c : colors) {
        EXPECT_EQ(panelInt(panel, c.attribute), c.initial);
        for (int value : {0, 0xFFFFFF, 0x123456}) {
            ASSERT_EQ(SetPanelAttribute(panel, c.attribute, value), 0);
            EXPECT_EQ(panelInt(panel, c.attribute), value);
        }
        LibraryErrorCounter errors;
        for (int bad : {-1, 0x1000000})
            EXPECT_EQ(SetPanelAttribute(panel, c.attribute, bad), RTE_UIE_INVALID_ATTRIBUTE_VALUE);
        EXPECT_EQ(panelInt(panel, c.attribute), 0x123456);
        EXPECT_EQ(panelInt(other, c.attribute), c.initial);
    }
    // They belong to panels: a control does not have them.
    int button = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "b", 0, 0);
    int value = 0;
    LibraryErrorCounter errors;
    EXPECT_EQ(GetCtrlAttribute(panel, button, RTE_ATTR_BACK_COLOR, &value), RTE_UIE_INVALID_ATTRIBUTE);
    EXPECT_EQ(SetCtrlAttribute(panel, button, RTE_ATTR_FRAME_COLOR, 0), RTE_UIE_INVALID_ATTRIBUTE);
}

}  // namespace
