// Conforming pictures to new panel colours: colours near the old panel colour, its 3-D
// highlight and shadow and the second old colour follow the new ones at every depth,
// the walk over a panel's controls and a ring's images, and the codes of bad calls.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "image_support.h"
#include "test_support.h"
#include "toolbox.h"
#include "ui_support.h"

using testing_support::LibraryErrorCounter;
using testing_support::makeImage;
using testing_support::putImage;
using testing_support::readImage;
using testing_support::ScopedPanel;
using testing_support::TestImage;

namespace {

constexpr int kOld = 0xC0C0C0, kNew = 0x336699, kOld2 = 0x102030, kNew2 = 0xFEDCBA;
constexpr int kPanelFace = 0x224466, kPanelFrame = 0x0A0B0C;
// Neighbours of the pixel under test, far from every colour in play.
constexpr int kLeft = 0x10F030, kRight = 0xF01090;

enum Becomes { Same, New, NewHighlight, NewShadow, New2 };

struct Case {
    const char *name;
    int color;     // the pixel's colour before
    Becomes becomes;
    int newColor = kNew, newColor2 = kNew2, oldColor2 = kOld2;
};

int highlightOf(int color) {
    int h = -1;
    EXPECT_EQ(Get3dBorderColors(color, nullptr, &h, nullptr, nullptr), 0);
    return h;
}
int shadowOf(int color) {
    int s = -1;
    EXPECT_EQ(Get3dBorderColors(color, nullptr, nullptr, nullptr, &s), 0);
    return s;
}

// The old shades of kOld are 0xEAEAEA and 0x808080 (the engine's documented rule).
const Case kCases[] = {
    {"exact", kOld, New},
    {"fifteen_away", 0xC5C5C5, New},
    {"fifteen_in_one_channel", 0xC0C0CF, New},
    {"sixteen_away", 0xC5C5C6, Same},
    {"sixteen_below", 0xB0C0C0, Same},
    {"highlight", 0xEAEAEA, NewHighlight},
    {"near_highlight", 0xEAE5E0, NewHighlight},
    {"outside_highlight", 0xDAEAEA, Same},
    {"shadow", 0x808080, NewShadow},
    {"near_shadow", 0x80808F, NewShadow},
    {"outside_shadow", 0x808090, Same},
    {"second", kOld2, New2},
    {"near_both_ends_second", kOld, New2, kNew, kNew2, 0xC4C4C4},
    {"unrelated", 0x00FF00, Same},
    {"panel_face", kOld, New, -1},
    {"panel_frame", kOld2, New2, kNew, -1},
};

int expected(const Case &c) {
    const int newColor = c.newColor == -1 ? kPanelFace : c.newColor;
    switch (c.becomes) {
    case New: return newColor;
    case NewHighlight: return highlightOf(newColor);
    case NewShadow: return shadowOf(newColor);
    case New2: return c.newColor2 == -1 ? kPanelFrame : c.newColor2;
    case Same: break;
    }
    return c.color;
}

// Three pixels: the colour under test between two neighbours. Indexed depths put the
// colours in the table (index 1 the one under test) and fill the rest far away.
TestImage imageFor(int depth, int color) {
    if (depth >= 24) return makeImage(depth, {kLeft, color, kRight}, {}, 2);
    return makeImage(depth, {0, 1, 0}, {kLeft, color}, 1, kRight);
}

class Conform : public testing::TestWithParam<std::tuple<Case, int>> {};

INSTANTIATE_TEST_SUITE_P(
    Colors, Conform, testing::Combine(testing::ValuesIn(kCases), testing::Values(1, 4, 8, 24, 32)),
    [](const testing::TestParamInfo<std::tuple<Case, int>> &param) {
        return std::string(std::get<0>(param.param).name) + "_" +
               std::to_string(std::get<1>(param.param));
    });

// Only the colour under test changes, to what the rules say; indexed images change
// their table and never their bits, direct ones only the three colour bytes of the
// pixel (spare bytes of 32-bit pixels and of rows stay).
TEST_P(Conform, ColorFollowsThePanel) {
    const Case &c = std::get<0>(GetParam());
    const int depth = std::get<1>(GetParam());
    ScopedPanel panel;
    ASSERT_EQ(SetPanelAttribute(panel, RTE_ATTR_BACK_COLOR, kPanelFace), 0);
    ASSERT_EQ(SetPanelAttribute(panel, RTE_ATTR_FRAME_COLOR, kPanelFrame), 0);
    int picture = NewCtrl(panel, RTE_CTRL_PICTURE, "", 20, 0);
    const TestImage before = imageFor(depth, c.color);
    ASSERT_EQ(putImage(panel, picture, 0, before), 0);

    ASSERT_EQ(ConformCtrlBitmapToPanel(panel, picture, 0, kOld, c.newColor, c.oldColor2, c.newColor2), 0);

    TestImage want = before;
    if (depth <= 8)
        want.colorTable[1] = expected(c);
    else
        want.setPixel(1, 0, expected(c));
    EXPECT_EQ(readImage(panel, picture, 0), want) << std::hex << "wanted 0x" << expected(c)
                                                  << ", got 0x" << readImage(panel, picture, 0).color(1, 0);
}

// A panel with pictures among other controls: one named control changes alone, -1
// changes every picture and passes over the rest, and a ring's images change all at
// -1 or one at its index.
TEST(ConformWalk, EveryPictureOrOne) {
    ScopedPanel panel;
    int numeric = NewCtrl(panel, RTE_CTRL_NUMERIC_INDICATOR, "n", 20, 0);
    int pictures[] = {NewCtrl(panel, RTE_CTRL_PICTURE_BUTTON, "", 20, 120),
                      NewCtrl(panel, RTE_CTRL_PICTURE_RAISED, "", 100, 0),
                      NewCtrl(panel, RTE_CTRL_PICTURE, "", 100, 120)};
    int ring = NewCtrl(panel, RTE_CTRL_PICTURE_RING, "", 200, 0);
    int empty = NewCtrl(panel, RTE_CTRL_PICTURE, "", 200, 100);
    const TestImage old = makeImage(24, {kOld, kOld}), recoloured = makeImage(24, {kNew, kNew});
    for (int p : pictures) ASSERT_EQ(putImage(panel, p, 0, old), 0);
    for (int k = 0; k < 3; ++k) {
        ASSERT_EQ(InsertPictureRingItem(panel, ring, -1, k, 0), 0);
        ASSERT_EQ(putImage(panel, ring, k, old), 0);
    }
    ASSERT_GT(numeric, 0);
    ASSERT_GT(empty, 0);

    ASSERT_EQ(ConformCtrlBitmapToPanel(panel, pictures[1], 0, kOld, kNew, kOld2, kNew2), 0);
    EXPECT_EQ(readImage(panel, pictures[0], 0), old);
    EXPECT_EQ(readImage(panel, pictures[1], 0), recoloured);
    ASSERT_EQ(ConformCtrlBitmapToPanel(panel, ring, 1, kOld, kNew, kOld2, kNew2), 0);
    EXPECT_EQ(readImage(panel, ring, 0), old);
    EXPECT_EQ(readImage(panel, ring, 1), recoloured);
    EXPECT_EQ(readImage(panel, ring, 2), old);

    ASSERT_EQ(ConformCtrlBitmapToPanel(panel, -1, -1, kOld, kNew, kOld2, kNew2), 0);
    for (int p : pictures) EXPECT_EQ(readImage(panel, p, 0), recoloured);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(readImage(panel, ring, k), recoloured);
    EXPECT_EQ(readImage(panel, empty, 0).bits.size(), 0u);
}

// Bad calls give their codes and change nothing.
TEST(ConformInput, BadCallsGiveTheirCodes) {
    ScopedPanel panel;
    int numeric = NewCtrl(panel, RTE_CTRL_NUMERIC_INDICATOR, "n", 20, 0);
    int picture = NewCtrl(panel, RTE_CTRL_PICTURE, "", 20, 120);
    int ring = NewCtrl(panel, RTE_CTRL_PICTURE_RING, "", 200, 0);
    const TestImage old = makeImage(8, {1}, {0, kOld});
    ASSERT_EQ(putImage(panel, picture, 0, old), 0);
    ASSERT_EQ(InsertPictureRingItem(panel, ring, -1, 0, 0), 0);
    const struct {
        int panel, control, index, oldColor, newColor, code;
    } cases[] = {
        {9999, picture, 0, kOld, kNew, RTE_UIE_INVALID_PANEL},
        {9999, -1, 0, kOld, -1, RTE_UIE_INVALID_PANEL},
        {panel, 999, 0, kOld, kNew, RTE_UIE_INVALID_CONTROL},
        {panel, numeric, 0, kOld, kNew, RTE_UIE_INVALID_PANEL},  // holds no images
        {panel, ring, 1, kOld, kNew, RTE_UIE_INDEX_OUT_OF_RANGE},
        {panel, picture, 0, -2, kNew, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
        {panel, -1, 0, kOld, 0x1000000, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
    };
    LibraryErrorCounter errors;
    for (const auto &c : cases) {
        EXPECT_EQ(ConformCtrlBitmapToPanel(c.panel, c.control, c.index, c.oldColor, c.newColor,
                                           kOld2, kNew2),
                  c.code)
            << "control " << c.control;
        EXPECT_EQ(readImage(panel, picture, 0), old);
    }
    EXPECT_GE(errors.reports(), int(std::size(cases)) - 1);  // all but the style refusal
}

}  // namespace
