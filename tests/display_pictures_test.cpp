// Display pictures: controls and panels drawn by the engine into bitmaps, scaled, and
// saved as BMP (library) and PNG (engine) files that outside readers read back.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "bitmap_reader.h"
#include "picture_support.h"
#include "test_support.h"
#include "toolbox.h"
#include "ui_support.h"

using testing_support::BitmapReading;
using testing_support::crop;
using testing_support::ctrlInt;
using testing_support::inkColumns;
using testing_support::panelInt;
using testing_support::nextBitmapHandle;
using testing_support::panelPicture;
using testing_support::Pixels;
using testing_support::ctrlPicture;
using testing_support::readBitmapFile;
using testing_support::readEngineBitmap;
using testing_support::ScopedBitmap;
using testing_support::ScopedPanel;
using testing_support::ScratchDir;

namespace {

constexpr int kSwatch = 0x12AB34;

int newCtrl(int panel, int style, const char *label, int top, int left) {
    int id = NewCtrl(panel, style, label, top, left);
    EXPECT_GE(id, 2) << "style " << style;
    return id;
}

Rect ownRect(int panel, int c) {
    return {ctrlInt(panel, c, RTE_ATTR_TOP), ctrlInt(panel, c, RTE_ATTR_LEFT),
            ctrlInt(panel, c, RTE_ATTR_HEIGHT), ctrlInt(panel, c, RTE_ATTR_WIDTH)};
}

Rect boundingRect(int panel, int c) {
    Rect r{};
    EXPECT_EQ(GetCtrlBoundingRect(panel, c, &r.top, &r.left, &r.height, &r.width), 0);
    return r;
}

struct KindCase {
    const char *name;
    int style;
    bool labelOutside;
};

class ControlPictureTest : public testing::TestWithParam<KindCase> {};

// A picture is exactly the control's rectangle, or its bounding rectangle with the
// label; only kinds with an outside label grow when it is included.
TEST_P(ControlPictureTest, SizeFollowsRectangleAndLabel) {
    ScopedPanel panel;
    int c = newCtrl(panel, GetParam().style, "Some label", 60, 50);
    if (GetParam().style == RTE_CTRL_LIST_BOX || GetParam().style == RTE_CTRL_RING) {
        ASSERT_EQ(InsertListItem(panel, c, -1, "first item", 1), 0);
    }
    Rect own = ownRect(panel, c), bound = boundingRect(panel, c);
    Pixels without = ctrlPicture(panel, c, false), with = ctrlPicture(panel, c, true);
    EXPECT_EQ(without.width, own.width);
    EXPECT_EQ(without.height, own.height);
    EXPECT_EQ(with.width, bound.width);
    EXPECT_EQ(with.height, bound.height);
    EXPECT_EQ(with.height > without.height, GetParam().labelOutside);
    // The picture of the control is the panel's picture at the control's place.
    Pixels whole = panelPicture(panel);
    for (int y = 0; y < with.height; y += 3)
        for (int x = 0; x < with.width; x += 3)
            ASSERT_EQ(with.at(x, y), whole.at(bound.left + x, bound.top + y)) << x << "," << y;
}

// Dimming greys the caption or label, and nothing else changes the picture's size.
TEST_P(ControlPictureTest, DimmedDiffersFromUndimmed) {
    ScopedPanel panel;
    int c = newCtrl(panel, GetParam().style, "Dim me", 60, 50);
    Pixels normal = ctrlPicture(panel, c, true);
    ASSERT_EQ(SetCtrlAttribute(panel, c, RTE_ATTR_DIMMED, 1), 0);
    Pixels dimmed = ctrlPicture(panel, c, true);
    EXPECT_EQ(dimmed.width, normal.width);
    EXPECT_NE(dimmed, normal);
    EXPECT_GT(normal.count(0x000000), dimmed.count(0x000000));
}

INSTANTIATE_TEST_SUITE_P(Kinds, ControlPictureTest,
                         testing::Values(KindCase{"button", RTE_CTRL_COMMAND_BUTTON, false},
                                         KindCase{"numeric", RTE_CTRL_NUMERIC_INDICATOR, true},
                                         KindCase{"colour", RTE_CTRL_COLOR_NUM, true},
                                         KindCase{"text", RTE_CTRL_TEXT_MSG, false},
                                         KindCase{"ring", RTE_CTRL_RING, true},
                                         KindCase{"list", RTE_CTRL_LIST_BOX, true},
                                         KindCase{"picture", RTE_CTRL_PICTURE, true},
                                         KindCase{"pictureButton", RTE_CTRL_PICTURE_BUTTON, true},
                                         KindCase{"pictureRing", RTE_CTRL_PICTURE_RING, true}),
                         [](const testing::TestParamInfo<KindCase> &kind) { return kind.param.name; });

// A colour control shows its colour inside its sunken border, and the border is not it.
TEST(DisplayPictures, ColourControlShowsItsValue) {
    ScopedPanel panel;
    int c = newCtrl(panel, RTE_CTRL_COLOR_NUM, "Colour", 40, 40);
    ASSERT_EQ(SetCtrlVal(panel, c, kSwatch), 0);
    Pixels p = ctrlPicture(panel, c);
    ASSERT_EQ(p.width, 40);
    EXPECT_EQ(p.at(20, 10), kSwatch);
    EXPECT_EQ(p.count(kSwatch), (40 - 4) * (20 - 4));
    EXPECT_NE(p.at(0, 0), kSwatch);
}

// A command button on a panel of a known colour: its face that colour, its raised
// border in the colour's 3-D shades (outer and inner edges), its caption centred.
TEST(DisplayPictures, CommandButtonInThePanelColour) {
    ScopedPanel panel;
    const int face = 0x5080B0;
    ASSERT_EQ(SetPanelAttribute(panel, RTE_ATTR_BACK_COLOR, face), 0);
    int light, highlight, darkShadow, shadow;
    ASSERT_EQ(Get3dBorderColors(face, &light, &highlight, &darkShadow, &shadow), 0);
    int c = newCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "OK", 10, 10);
    Pixels p = ctrlPicture(panel, c);
    EXPECT_EQ(p.width, ctrlInt(panel, c, RTE_ATTR_WIDTH));
    EXPECT_EQ(p.height, ctrlInt(panel, c, RTE_ATTR_HEIGHT));
    EXPECT_EQ(panelPicture(panel).at(0, 0), face);
    EXPECT_EQ(p.at(0, 0), highlight);
    EXPECT_EQ(p.at(1, 1), light);
    EXPECT_EQ(p.at(p.width - 1, p.height - 1), darkShadow);
    EXPECT_EQ(p.at(p.width - 2, p.height / 2), shadow);
    EXPECT_EQ(p.at(3, 3), face);
    const int inside = (p.width - 4) * (p.height - 4);
    EXPECT_LT(p.count(face, 2, 2, p.width - 4, p.height - 4), inside - 10);  // the caption
    EXPECT_EQ(p.count(face, 2, 2, 8, p.height - 4), 8 * (p.height - 4));     // centred
}

// Pictures show their image unscaled and centred; the mask's holes show the face; a
// picture ring shows its selected item's image; a plain picture has no frame.
TEST(DisplayPictures, PicturesShowTheirImages) {
    ScopedPanel panel;
    const int face = 0xC0C0C0;
    ASSERT_EQ(SetPanelAttribute(panel, RTE_ATTR_BACK_COLOR, face), 0);
    // 2 x 2, 24-bit: red, green / blue, white; the mask hides the white pixel.
    const unsigned char bits[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    const unsigned char mask[] = {0xC0, 0, 0x80, 0};
    ScopedBitmap image, other;
    ASSERT_EQ(NewBitmap(6, 24, 2, 2, nullptr, bits, mask, image.out()), 0);
    const int table[2] = {0x112233, 0x445566};
    const unsigned char zeros[2] = {0, 0};
    ASSERT_EQ(NewBitmap(1, 1, 2, 2, table, zeros, nullptr, other.out()), 0);
    int plain = newCtrl(panel, RTE_CTRL_PICTURE, "", 10, 10);  // 100 x 100
    ASSERT_EQ(SetCtrlBitmap(panel, plain, 0, image.get()), 0);
    Pixels p = ctrlPicture(panel, plain);
    ASSERT_EQ(p.width, 100);
    EXPECT_EQ(p.at(49, 49), 0xFF0000);
    EXPECT_EQ(p.at(50, 49), 0x00FF00);
    EXPECT_EQ(p.at(49, 50), 0x0000FF);
    EXPECT_EQ(p.at(50, 50), face);
    EXPECT_EQ(p.count(face), 100 * 100 - 3);
    int ring = newCtrl(panel, RTE_CTRL_PICTURE_RING, "", 150, 10);  // 64 x 64
    ASSERT_EQ(InsertPictureRingItem(panel, ring, -1, 1, image.get()), 0);
    ASSERT_EQ(InsertPictureRingItem(panel, ring, -1, 2, other.get()), 0);
    ASSERT_EQ(SetCtrlIndex(panel, ring, 1), 0);
    Pixels r = ctrlPicture(panel, ring);
    EXPECT_EQ(r.count(0x112233), 4);
    EXPECT_EQ(r.count(0xFF0000), 0);
    EXPECT_NE(r.at(0, 0), face);  // framed
}

// ---- Scale values of numeric indicators ----

constexpr int kFace = 0xC0C0C0, kBar = 14;

// A text in the dialog font as the engine draws it: a text message's picture.
Pixels textPicture(int panel, const std::string &text) {
    int id = newCtrl(panel, RTE_CTRL_TEXT_MSG, text.c_str(), 0, 0);
    Pixels p = ctrlPicture(panel, id);
    EXPECT_EQ(DiscardCtrl(panel, id), 0);
    return p;
}

struct Scale {
    int dataType, precision;
    double minimum, maximum;
    int style, divisions, width;
};

// An unlabelled indicator at (30, 40), kBar high, with a bar and no digits.
int scaleIndicator(int panel, const Scale &s) {
    int c = newCtrl(panel, RTE_CTRL_NUMERIC_INDICATOR, "", 40, 30);
    EXPECT_EQ(SetCtrlAttribute(panel, c, RTE_ATTR_DATA_TYPE, s.dataType), 0);
    for (int bound : {RTE_ATTR_MIN_VALUE, RTE_ATTR_MAX_VALUE}) {
        double v = bound == RTE_ATTR_MIN_VALUE ? s.minimum : s.maximum;
        EXPECT_EQ(s.dataType == RTE_VAL_FLOAT || s.dataType == RTE_VAL_DOUBLE
                      ? SetCtrlAttribute(panel, c, bound, v) : SetCtrlAttribute(panel, c, bound, int(v)), 0);
    }
    const int settings[][2] = {{RTE_ATTR_PRECISION, s.precision}, {RTE_ATTR_SHOW_DIGITAL_DISPLAY, 0},
                               {RTE_ATTR_MARKER_STYLE, s.style},  {RTE_ATTR_DIVISIONS, s.divisions},
                               {RTE_ATTR_WIDTH, s.width},         {RTE_ATTR_HEIGHT, kBar}};
    for (const auto &a : settings) EXPECT_EQ(SetCtrlAttribute(panel, c, a[0], a[1]), 0) << a[0];
    return c;
}

// Which of the candidate texts (one per division, "" for none) the picture shows in
// full where it belongs: centred under its tick (the ends at the bar's inner edges, 2
// pixels in), moved inside the control. Ink on the values' line outside every value
// shown fails. Gives the divisions shown and each one's columns.
std::vector<std::array<int, 3>> shownValues(int panel, const Pixels &p, const Scale &s,
                                            const std::vector<std::string> &texts) {
    const int top = kBar + 1;
    std::vector<bool> ink = inkColumns(p, top, p.height - top, kFace), covered(ink.size(), false);
    std::vector<std::array<int, 3>> shown;
    for (int d = 0; d < int(texts.size()); ++d) {
        if (texts[size_t(d)].empty()) continue;
        Pixels text = textPicture(panel, texts[size_t(d)]);
        int tick = 2 + ((s.width - 4) * d + s.divisions / 2) / s.divisions;
        int left = std::max(0, std::min(tick - text.width / 2, s.width - text.width));
        if (crop(p, left, top, text.width, text.height) != text) continue;
        shown.push_back({d, left, text.width});
        std::fill(covered.begin() + left, covered.begin() + left + text.width, true);
    }
    for (size_t x = 0; x < ink.size(); ++x) EXPECT_FALSE(ink[x] && !covered[x]) << "stray ink at " << x;
    return shown;
}

struct ScaleValuesCase {
    const char *name;
    Scale scale;
    std::vector<std::string> texts;  // by division, "" where none is written
};
std::ostream &operator<<(std::ostream &out, const ScaleValuesCase &k) { return out << k.name; }

class ScaleValuesTest : public testing::TestWithParam<ScaleValuesCase> {};

// Styles 2 and 3 add a line of values under the bar, written like the indicator's
// digits (integer types rounded to whole numbers, float and double to the precision)
// under their ticks, the ends kept inside; the bounding rectangle and the panel's
// picture agree with the control's picture.
TEST_P(ScaleValuesTest, ValuesWrittenUnderTheirTicks) {
    ScopedPanel panel;
    const ScaleValuesCase &k = GetParam();
    int c = scaleIndicator(panel, k.scale);
    Pixels p = ctrlPicture(panel, c);
    const bool line = k.scale.style >= 2;
    ASSERT_EQ(p.height, kBar + (line ? 1 + textPicture(panel, "0").height : 0));
    Rect bound = boundingRect(panel, c);
    EXPECT_EQ(bound.height, p.height);
    EXPECT_EQ(bound.width, p.width);
    EXPECT_EQ(crop(panelPicture(panel), 30, 40, p.width, p.height), p);
    std::vector<int> expected, got;
    for (size_t d = 0; d < k.texts.size(); ++d)
        if (!k.texts[d].empty()) expected.push_back(int(d));
    if (line)
        for (const auto &v : shownValues(panel, p, k.scale, k.texts)) got.push_back(v[0]);
    EXPECT_EQ(got, expected);
}

const Scale kPercent{RTE_VAL_INTEGER, 0, 0, 100, 2, 10, 200};
Scale with(Scale s, int style, int divisions, int width = 200) {
    s.style = style, s.divisions = divisions, s.width = width;
    return s;
}
const std::vector<std::string> kPercentEnds{"0", "", "", "", "", "", "", "", "", "", "100"};

INSTANTIATE_TEST_SUITE_P(
    Table, ScaleValuesTest,
    testing::Values(
        ScaleValuesCase{"none", with(kPercent, 0, 10), {}},
        ScaleValuesCase{"ticksOnly", with(kPercent, 1, 10), {}},
        ScaleValuesCase{"intEnds", with(kPercent, 2, 10), kPercentEnds},
        ScaleValuesCase{"intThirdsRounded", with(kPercent, 3, 3), {"0", "33", "67", "100"}},
        ScaleValuesCase{"oneDivision", with(kPercent, 3, 1), {"0", "100"}},
        ScaleValuesCase{"unsignedChar", {RTE_VAL_UNSIGNED_CHAR, 2, 0, 255, 3, 5, 240},
                        {"0", "51", "102", "153", "204", "255"}},
        ScaleValuesCase{"doubleTieAwayFromZero", {RTE_VAL_DOUBLE, 1, -2.5, 7.25, 2, 4, 160},
                        {"-2.5", "", "", "", "7.3"}},
        ScaleValuesCase{"doubleQuarters", {RTE_VAL_DOUBLE, 2, 0, 1, 3, 4, 200},
                        {"0.00", "0.25", "0.50", "0.75", "1.00"}},
        ScaleValuesCase{"float", {RTE_VAL_FLOAT, 3, -1, 1, 2, 2, 120}, {"-1.000", "", "1.000"}},
        ScaleValuesCase{"endsTooCloseKeepTheMinimum", with(kPercent, 2, 10, 30), {"0"}}),
    [](const testing::TestParamInfo<ScaleValuesCase> &k) { return std::string(k.param.name); });

// More divisions than room: the ends and every step-th value between, evenly spaced,
// none closer than 4 pixels to the next, nothing else written.
TEST(ScaleValues, CrowdedDivisionsThinnedEvenly) {
    for (int divisions : {100, 37}) {
        SCOPED_TRACE(testing::Message() << divisions << " divisions");
        ScopedPanel panel;
        const Scale s{RTE_VAL_INTEGER, 0, 0, double(divisions), 3, divisions, 200};
        std::vector<std::string> texts;
        for (int d = 0; d <= divisions; ++d) texts.push_back(std::to_string(d));
        auto shown = shownValues(panel, ctrlPicture(panel, scaleIndicator(panel, s)), s, texts);
        ASSERT_GE(shown.size(), 4u);
        EXPECT_LT(shown.size(), size_t(divisions) / 2);
        EXPECT_EQ(shown.front()[0], 0);
        EXPECT_EQ(shown.back()[0], divisions);
        for (size_t k = 1; k < shown.size(); ++k) {
            EXPECT_GE(shown[k][1], shown[k - 1][1] + shown[k - 1][2] + 4) << "at division " << shown[k][0];
            if (k + 1 < shown.size()) {
                EXPECT_EQ(shown[k][0] - shown[k - 1][0], shown[1][0]) << "uneven at " << shown[k][0];
            }
        }
    }
}

// ---- Pictures fitted to their area ----

// A w x h 24-bit image in quadrants (the first half w / 2, h / 2 pixels): red, green /
// blue, yellow; the mask leaves the green quadrant out.
constexpr int kQuadrants[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00};
int quadrantOf(int x, int y, int w, int h) { return (y >= h / 2) * 2 + (x >= w / 2); }

void makeQuadrantImage(int w, int h, ScopedBitmap &image) {
    std::vector<unsigned char> bits, mask(size_t(RTE_BITMAP_MASK_ROW_BYTES(w)) * size_t(h), 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int q = quadrantOf(x, y, w, h);
            for (int shift : {16, 8, 0}) bits.push_back(static_cast<unsigned char>(kQuadrants[q] >> shift));
            if (q != 1) mask[size_t(y) * RTE_BITMAP_MASK_ROW_BYTES(w) + size_t(x / 8)] |= 0x80 >> (x % 8);
        }
    ASSERT_EQ(NewBitmap(w * 3, 24, w, h, nullptr, bits.data(), mask.data(), image.out()), 0);
}

struct FitCase {
    const char *name;
    int style, size;  // a square control
    int imageWidth, imageHeight, mode;
    Rect place;  // where the image goes, inside the frame
};
std::ostream &operator<<(std::ostream &out, const FitCase &k) { return out << k.name; }

class FitModeTest : public testing::TestWithParam<FitCase> {};

// Every pixel inside the frame: the image's quadrant where the image lands (scaled by
// whole factors or halved, so each shows pure), the face outside it and where the
// scaled mask leaves the image out.
TEST_P(FitModeTest, ImageLandsInItsPlace) {
    const FitCase &k = GetParam();
    ScopedPanel panel;
    ScopedBitmap image;
    makeQuadrantImage(k.imageWidth, k.imageHeight, image);
    int c = newCtrl(panel, k.style, "", 20, 20);
    for (int a : {RTE_ATTR_WIDTH, RTE_ATTR_HEIGHT}) ASSERT_EQ(SetCtrlAttribute(panel, c, a, k.size), 0);
    ASSERT_EQ(SetCtrlAttribute(panel, c, RTE_ATTR_FIT_MODE, k.mode), 0);
    ASSERT_EQ(SetCtrlBitmap(panel, c, 0, image.get()), 0);
    Pixels p = ctrlPicture(panel, c);
    const int inset = k.style == RTE_CTRL_PICTURE ? 0 : 2, area = k.size - 2 * inset;
    const Rect &r = k.place;
    int wrong = 0;
    for (int y = 0; y < area; ++y)
        for (int x = 0; x < area; ++x) {
            int expected = kFace, q = quadrantOf((x - r.left) * k.imageWidth / r.width,
                                                 (y - r.top) * k.imageHeight / r.height, k.imageWidth,
                                                 k.imageHeight);
            if (x >= r.left && x < r.left + r.width && y >= r.top && y < r.top + r.height && q != 1)
                expected = kQuadrants[q];
            int got = p.at(inset + x, inset + y);
            if (got != expected && ++wrong <= 3)
                ADD_FAILURE() << "at " << x << "," << y << ": " << std::hex << got << " not " << expected;
        }
    EXPECT_EQ(wrong, 0);
}

const int kPlain = RTE_CTRL_PICTURE, kFramed = RTE_CTRL_PICTURE_BUTTON;
INSTANTIATE_TEST_SUITE_P(
    Table, FitModeTest,
    testing::Values(
        FitCase{"centredSmaller", kPlain, 40, 10, 10, RTE_FIT_CENTERED, {15, 15, 10, 10}},
        FitCase{"centredLarger", kPlain, 40, 80, 80, RTE_FIT_CENTERED, {-20, -20, 80, 80}},
        FitCase{"centredWide", kPlain, 40, 20, 10, RTE_FIT_CENTERED, {15, 10, 10, 20}},
        FitCase{"stretchedSmaller", kPlain, 40, 10, 10, RTE_FIT_STRETCHED, {0, 0, 40, 40}},
        FitCase{"stretchedLarger", kPlain, 40, 80, 80, RTE_FIT_STRETCHED, {0, 0, 40, 40}},
        FitCase{"stretchedWide", kPlain, 40, 20, 10, RTE_FIT_STRETCHED, {0, 0, 40, 40}},
        FitCase{"aspectSmaller", kPlain, 40, 10, 10, RTE_FIT_ASPECT, {0, 0, 40, 40}},
        FitCase{"aspectLarger", kPlain, 40, 80, 80, RTE_FIT_ASPECT, {0, 0, 40, 40}},
        FitCase{"aspectWide", kPlain, 40, 20, 10, RTE_FIT_ASPECT, {10, 0, 20, 40}},
        FitCase{"aspectTall", kPlain, 40, 10, 20, RTE_FIT_ASPECT, {0, 10, 40, 20}},
        FitCase{"framedCentred", kFramed, 48, 22, 11, RTE_FIT_CENTERED, {16, 11, 11, 22}},
        FitCase{"framedStretched", kFramed, 48, 22, 11, RTE_FIT_STRETCHED, {0, 0, 44, 44}},
        FitCase{"framedAspect", kFramed, 48, 22, 11, RTE_FIT_ASPECT, {11, 0, 22, 44}}),
    [](const testing::TestParamInfo<FitCase> &k) { return std::string(k.param.name); });

// Shrinking averages: 1-pixel black and white stripes halved are mid grey everywhere,
// cut in thirds a third or two thirds white, never one of the two.
TEST(FitModes, ShrinkingAverages) {
    ScopedPanel panel;
    std::vector<unsigned char> bits;
    for (int k = 0; k < 60 * 60; ++k) bits.insert(bits.end(), 3, static_cast<unsigned char>(k % 2 ? 255 : 0));
    ScopedBitmap stripes;
    ASSERT_EQ(NewBitmap(180, 24, 60, 60, nullptr, bits.data(), nullptr, stripes.out()), 0);
    int c = newCtrl(panel, RTE_CTRL_PICTURE, "", 10, 10);
    ASSERT_EQ(SetCtrlAttribute(panel, c, RTE_ATTR_FIT_MODE, RTE_FIT_STRETCHED), 0);
    ASSERT_EQ(SetCtrlBitmap(panel, c, 0, stripes.get()), 0);
    for (int size : {30, 20}) {
        for (int a : {RTE_ATTR_WIDTH, RTE_ATTR_HEIGHT}) ASSERT_EQ(SetCtrlAttribute(panel, c, a, size), 0);
        Pixels p = ctrlPicture(panel, c);
        EXPECT_EQ(p.count(size == 30 ? 0x808080 : 0x555555), size * size / (size == 30 ? 1 : 2)) << size;
    }
}

struct ScaleCase {
    int height, width;  // asked for
    int expectHeight, expectWidth;
};

class ScalingTest : public testing::TestWithParam<ScaleCase> {};

// 0 and -1 keep a direction's size; doubling repeats every pixel; halving gives the
// rounded mean of each 2 x 2 block.
TEST_P(ScalingTest, SizesAndFilter) {
    ScopedPanel panel(0, 0, 0, 60, 80);
    int c = newCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "Scale", 0, 0);
    ASSERT_EQ(SetCtrlAttribute(panel, c, RTE_ATTR_WIDTH, 80), 0);
    ASSERT_EQ(SetCtrlAttribute(panel, c, RTE_ATTR_HEIGHT, 30), 0);
    const ScaleCase &s = GetParam();
    Pixels natural = ctrlPicture(panel, c), scaled = ctrlPicture(panel, c, false, s.height, s.width);
    ASSERT_EQ(scaled.height, s.expectHeight);
    ASSERT_EQ(scaled.width, s.expectWidth);
    for (int y = 0; y < scaled.height; ++y)
        for (int x = 0; x < scaled.width; ++x) {
            int expected;
            if (scaled.width >= natural.width && scaled.height >= natural.height) {
                expected = natural.at(x * natural.width / scaled.width, y * natural.height / scaled.height);
            } else {
                int fx = natural.width / scaled.width, fy = natural.height / scaled.height;
                int sums[3] = {0, 0, 0};
                for (int dy = 0; dy < fy; ++dy)
                    for (int dx = 0; dx < fx; ++dx)
                        for (int k = 0; k < 3; ++k)
                            sums[k] += natural.at(x * fx + dx, y * fy + dy) >> (16 - 8 * k) & 0xFF;
                int n = fx * fy;
                expected = (sums[0] + n / 2) / n << 16 | (sums[1] + n / 2) / n << 8 | (sums[2] + n / 2) / n;
            }
            ASSERT_EQ(scaled.at(x, y), expected) << "at " << x << "," << y;
        }
}

INSTANTIATE_TEST_SUITE_P(Sizes, ScalingTest,
                         testing::Values(ScaleCase{0, 0, 30, 80}, ScaleCase{-1, -1, 30, 80},
                                         ScaleCase{15, 40, 15, 40}, ScaleCase{60, 160, 60, 160},
                                         ScaleCase{30, 40, 30, 40}, ScaleCase{-1, 160, 30, 160},
                                         ScaleCase{10, 20, 10, 20}, ScaleCase{90, 240, 90, 240}));

// The escape codes of a list line: a filled box at its pixel column, text colours and
// the colour behind the text.
TEST(DisplayPictures, ListEscapeCodesDrawAtTheirColumns) {
    ScopedPanel panel;
    int c = newCtrl(panel, RTE_CTRL_LIST_BOX, "", 10, 10);
    ASSERT_EQ(SetCtrlAttribute(panel, c, RTE_ATTR_WIDTH, 200), 0);
    ASSERT_EQ(InsertListItem(panel, c, -1, "selected", 0), 0);
    ASSERT_EQ(InsertListItem(panel, c, -1, "A\033p60l\033drawfilledbox020FF0000", 1), 0);
    ASSERT_EQ(InsertListItem(panel, c, -1, "\033fg00C000WWWW\033p100l\033bg0000FFxx", 2), 0);
    Pixels p = ctrlPicture(panel, c);
    GTEST_ASSERT_EQ(p.width, 200);
    const int line = (ctrlInt(panel, c, RTE_ATTR_HEIGHT) - 4) / 5, origin = 2 + 1;
    int boxTop = 2 + line, boxMiddle = boxTop + line / 2;
    EXPECT_EQ(p.at(origin + 60 + 10, boxMiddle), 0xFF0000);
    EXPECT_NE(p.at(origin + 60 - 2, boxMiddle), 0xFF0000);
    EXPECT_EQ(p.count(0xFF0000, 0, boxTop, p.width, line), (20 - 2) * (line - 4));
    int textTop = 2 + 2 * line;
    EXPECT_GT(p.count(0x00C000, origin, textTop, 60, line), 5);        // the green text
    EXPECT_EQ(p.count(0x00C000, origin + 60, textTop, 100, line), 0);
    EXPECT_GT(p.count(0x0000FF, origin + 100, textTop, 20, line), 20); // behind "xx"
    EXPECT_EQ(p.count(0x0000FF, origin, textTop, 100, line), 0);
}

// Hidden controls and timers are left out of a panel's picture; the front control of
// two that overlap is drawn last; a displayed child panel is drawn at its place.
TEST(DisplayPictures, PanelDrawsWhatIsShownInZOrder) {
    ScopedPanel panel(0, 0, 0, 200, 300);
    int back = newCtrl(panel, RTE_CTRL_COLOR_NUM, "", 20, 20);
    int front = newCtrl(panel, RTE_CTRL_COLOR_NUM, "", 25, 25);
    ASSERT_EQ(SetCtrlVal(panel, back, 0xFF0000), 0);
    ASSERT_EQ(SetCtrlVal(panel, front, 0x0000FF), 0);
    newCtrl(panel, RTE_CTRL_TIMER, "timer", 100, 100);
    Pixels p = panelPicture(panel);
    EXPECT_EQ(p.at(40, 30), 0x0000FF);
    EXPECT_EQ(p.at(23, 22), 0xFF0000);
    ASSERT_EQ(SetCtrlAttribute(panel, back, RTE_ATTR_ZPLANE_POSITION, 0), 0);
    EXPECT_EQ(panelPicture(panel).at(40, 30), 0xFF0000);
    ASSERT_EQ(SetCtrlAttribute(panel, back, RTE_ATTR_VISIBLE, 0), 0);
    Pixels hidden = panelPicture(panel);
    EXPECT_EQ(hidden.at(40, 30), 0x0000FF);
    EXPECT_EQ(hidden.count(0xFF0000), 0);
    EXPECT_EQ(hidden.count(hidden.at(110, 110), 100, 100, 16, 16), 16 * 16);  // no timer

    int child = NewPanel(panel, "child", 120, 150, 50, 100);
    ASSERT_GT(child, 0);
    int inside = newCtrl(child, RTE_CTRL_COLOR_NUM, "", 10, 10);
    ASSERT_EQ(SetCtrlVal(child, inside, kSwatch), 0);
    EXPECT_EQ(panelPicture(panel).count(kSwatch), 0);  // not displayed yet
    ASSERT_EQ(DisplayPanel(child), 0);
    Pixels withChild = panelPicture(panel);
    EXPECT_EQ(withChild.at(150 + 10 + 20, 120 + 10 + 10), kSwatch);
    EXPECT_EQ(withChild.count(kSwatch), 36 * 16);
    // Cut at the child's edge, whose outline (the frame colour) covers the last column.
    ASSERT_EQ(SetCtrlAttribute(child, inside, RTE_ATTR_LEFT, 90), 0);
    Pixels cut = panelPicture(panel);
    EXPECT_EQ(cut.count(kSwatch), 7 * 16);
    EXPECT_EQ(cut.at(150 + 99, 120 + 20), panelInt(child, RTE_ATTR_FRAME_COLOR));
}

// Scopes and areas: the panel's area, everything shown, and parts of either.
TEST(DisplayPictures, ScopesAndAreas) {
    ScopedPanel panel(0, 0, 0, 100, 120);
    int outside = newCtrl(panel, RTE_CTRL_COLOR_NUM, "", -10, 110);
    ASSERT_EQ(SetCtrlVal(panel, outside, kSwatch), 0);
    const int all = RTE_DISPLAY_AREA_ALL;
    struct {
        int scope;
        Rect area;
        int height, width, swatchPixels;
    } cases[] = {
        {RTE_DISPLAY_SCOPE_PANEL, {0, 0, all, all}, 100, 120, 8 * 8},
        {RTE_DISPLAY_SCOPE_FULL, {0, 0, all, all}, 110, 150, 36 * 16},
        {RTE_DISPLAY_SCOPE_PANEL, {10, 20, 30, 40}, 30, 40, 0},
        {RTE_DISPLAY_SCOPE_PANEL, {0, 100, 500, 500}, 100, 20, 8 * 8},
        {RTE_DISPLAY_SCOPE_FULL, {0, 140, 20, all}, 20, 10, 8 * 16},
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(testing::Message() << "scope " << k.scope << " area " << k.area.top << ","
                                        << k.area.left << "," << k.area.height << "," << k.area.width);
        Pixels p = panelPicture(panel, k.scope, k.area);
        EXPECT_EQ(p.height, k.height);
        EXPECT_EQ(p.width, k.width);
        EXPECT_EQ(p.count(kSwatch), k.swatchPixels);
    }
}

// Bad input gets its code and no bitmap; the output is left alone.
TEST(DisplayPictures, BadInputCodes) {
    ScopedPanel panel;
    int c = newCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "x", 0, 0);
    const Rect all{0, 0, RTE_DISPLAY_AREA_ALL, RTE_DISPLAY_AREA_ALL};
    int before = nextBitmapHandle();
    struct {
        const char *what;
        int code, expected;
    } cases[] = {
        {"no panel", GetScaledCtrlDisplayBitmap(9999999, c, 0, 0, 0, nullptr), RTE_UIE_NULL_ARGUMENT},
        {"bad panel", [&] { int b = 7; return GetScaledCtrlDisplayBitmap(9999999, c, 0, 0, 0, &b); }(),
         RTE_UIE_INVALID_PANEL},
        {"bad control", [&] { int b = 7; return GetScaledCtrlDisplayBitmap(panel, 999, 0, 0, 0, &b); }(),
         RTE_UIE_INVALID_CONTROL},
        {"height -2", [&] { int b = 7; return GetScaledCtrlDisplayBitmap(panel, c, 0, -2, 0, &b); }(),
         RTE_UIE_INVALID_ATTRIBUTE_VALUE},
        {"width 32768", [&] { int b = 7; return GetScaledCtrlDisplayBitmap(panel, c, 0, 0, 32768, &b); }(),
         RTE_UIE_INVALID_ATTRIBUTE_VALUE},
        {"too many pixels",
         [&] { int b = 7; return GetScaledCtrlDisplayBitmap(panel, c, 0, 32767, 32767, &b); }(),
         RTE_UIE_INVALID_ATTRIBUTE_VALUE},
        {"panel null", GetScaledPanelDisplayBitmap(panel, 0, all, 0, 0, nullptr), RTE_UIE_NULL_ARGUMENT},
        {"panel bad", [&] { int b = 7; return GetScaledPanelDisplayBitmap(-3, 0, all, 0, 0, &b); }(),
         RTE_UIE_INVALID_PANEL},
        {"scope 2", [&] { int b = 7; return GetScaledPanelDisplayBitmap(panel, 2, all, 0, 0, &b); }(),
         RTE_UIE_INVALID_ATTRIBUTE_VALUE},
        {"area top -1",
         [&] { int b = 7; return GetScaledPanelDisplayBitmap(panel, 0, {-1, 0, 5, 5}, 0, 0, &b); }(),
         RTE_UIE_INVALID_ATTRIBUTE_VALUE},
        {"area past the panel",
         [&] { int b = 7; return GetScaledPanelDisplayBitmap(panel, 0, {300, 0, 5, 5}, 0, 0, &b); }(),
         RTE_UIE_INVALID_ATTRIBUTE_VALUE},
        {"area width -2",
         [&] { int b = 7; return GetScaledPanelDisplayBitmap(panel, 0, {0, 0, 5, -2}, 0, 0, &b); }(),
         RTE_UIE_INVALID_ATTRIBUTE_VALUE},
        {"area empty",
         [&] { int b = 7; return GetScaledPanelDisplayBitmap(panel, 0, {0, 0, 0, 5}, 0, 0, &b); }(),
         RTE_UIE_INVALID_ATTRIBUTE_VALUE},
    };
    for (const auto &k : cases) EXPECT_EQ(k.code, k.expected) << k.what;
    EXPECT_EQ(nextBitmapHandle(), before + 1) << "a failed call made a bitmap";
}

// The library's shortcuts save what the engine draws (read back by an outside
// reader), free the picture on every path, and pass the engine's codes through.
TEST(DisplayFiles, SavedPicturesReadBackAndAreFreed) {
    ScratchDir dir;
    ScopedPanel panel(0, 0, 0, 90, 130);
    int c = newCtrl(panel, RTE_CTRL_COLOR_NUM, "Swatch", 30, 20);
    ASSERT_EQ(SetCtrlVal(panel, c, kSwatch), 0);
    struct {
        const char *name;
        int code;
        Pixels expected;
    } saves[] = {
        {"ctrl.bmp", SaveCtrlDisplayToFile(panel, c, 1, 0, 0, dir.path("ctrl.bmp").c_str()),
         ctrlPicture(panel, c, true)},
        {"half.bmp", SaveCtrlDisplayToFile(panel, c, 0, 10, 20, dir.path("half.bmp").c_str()),
         ctrlPicture(panel, c, false, 10, 20)},
        {"panel.bmp",
         SavePanelDisplayToFile(panel, RTE_DISPLAY_SCOPE_PANEL, {0, 0, -1, -1}, 0, 0,
                                dir.path("panel.bmp").c_str()),
         panelPicture(panel)},
    };
    for (const auto &s : saves) {
        SCOPED_TRACE(s.name);
        ASSERT_EQ(s.code, 0);
        BitmapReading read;
        ASSERT_TRUE(readBitmapFile(dir.path(s.name), read));
        EXPECT_EQ(read.width, s.expected.width);
        EXPECT_EQ(read.height, s.expected.height);
        EXPECT_EQ(read.pixels, s.expected.rgb);
    }
    EXPECT_EQ(BitmapReading{}.width, -1);
    // Each save's picture is gone afterwards, also when the save itself fails.
    int first = nextBitmapHandle();
    EXPECT_EQ(SaveCtrlDisplayToFile(panel, c, 0, 0, 0, dir.path("x.bmp").c_str()), 0);
    EXPECT_EQ(SaveCtrlDisplayToFile(panel, c, 0, 0, 0, dir.path("no/such/x.bmp").c_str()),
              RTE_UIE_FILE_NOT_FOUND);
    EXPECT_EQ(SaveCtrlDisplayToFile(panel, c, 0, 0, 0, nullptr), RTE_UIE_NULL_ARGUMENT);
    int last = nextBitmapHandle();
    EXPECT_GE(last - first, 4);
    for (int h = first; h < last - 1; ++h) EXPECT_EQ(GetBitmapInfo(h, nullptr, nullptr, nullptr),
                                                      RTE_UIE_INVALID_BITMAP) << "bitmap " << h;
    EXPECT_EQ(SaveCtrlDisplayToFile(panel, 999, 0, 0, 0, dir.path("y.bmp").c_str()),
              RTE_UIE_INVALID_CONTROL);
    EXPECT_EQ(SavePanelDisplayToFile(-1, 0, {0, 0, -1, -1}, 0, 0, dir.path("y.bmp").c_str()),
              RTE_UIE_INVALID_PANEL);
    EXPECT_FALSE(testing_support::fs::exists(dir.path("y.bmp")));
}

// PNG files: an outside reader finds the bitmap's pixels (natively); failures give
// their codes and leave no file.
TEST(PngFiles, SaveReadsBackAndFailsCleanly) {
    ScratchDir dir;
    ScopedPanel panel(0, 0, 0, 60, 70);
    int c = newCtrl(panel, RTE_CTRL_COLOR_NUM, "Png", 25, 10);
    ASSERT_EQ(SetCtrlVal(panel, c, kSwatch), 0);
    ScopedBitmap picture;
    ASSERT_EQ(GetScaledPanelDisplayBitmap(panel, 0, {0, 0, -1, -1}, 0, 0, picture.out()), 0);
    std::string path = dir.path("panel.png");
    dir.write("panel.png", "an older file");
    ASSERT_EQ(SaveBitmapToPngFile(picture.get(), path.c_str()), 0);
    std::string bytes = testing_support::readFile(path);
    ASSERT_GT(bytes.size(), 8u);
    EXPECT_EQ(bytes.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
#ifndef _WIN32
    BitmapReading read;
    ASSERT_TRUE(testing_support::readWithImageMagick(path, read));
    EXPECT_EQ(read.pixels, readEngineBitmap(picture.get()).rgb);
#endif
    // A bitmap with a colour table is written through it.
    int table[2] = {0x102030, 0xF0E0D0};
    unsigned char bits[2] = {0x80, 0x40};
    ScopedBitmap indexed;
    ASSERT_EQ(NewBitmap(1, 1, 2, 2, table, bits, nullptr, indexed.out()), 0);
    ASSERT_EQ(SaveBitmapToPngFile(indexed.get(), dir.path("indexed.png").c_str()), 0);
#ifndef _WIN32
    ASSERT_TRUE(testing_support::readWithImageMagick(dir.path("indexed.png"), read));
    EXPECT_EQ(read.pixels, (std::vector<int>{0xF0E0D0, 0x102030, 0x102030, 0xF0E0D0}));
#endif
    struct {
        const char *what;
        int code, expected;
    } cases[] = {
        {"null path", SaveBitmapToPngFile(picture.get(), nullptr), RTE_UIE_NULL_ARGUMENT},
        {"empty path", SaveBitmapToPngFile(picture.get(), ""), RTE_UIE_BAD_PATH_NAME},
        {"no folder", SaveBitmapToPngFile(picture.get(), dir.path("none/x.png").c_str()),
         RTE_UIE_FILE_NOT_FOUND},
        {"a folder", SaveBitmapToPngFile(picture.get(), dir.path().c_str()), RTE_UIE_ACCESS_DENIED},
        {"bad bitmap", SaveBitmapToPngFile(-5, dir.path("bad.png").c_str()), RTE_UIE_INVALID_BITMAP},
    };
    for (const auto &k : cases) EXPECT_EQ(k.code, k.expected) << k.what;
    EXPECT_FALSE(testing_support::fs::exists(dir.path("bad.png")));
}

}  // namespace
