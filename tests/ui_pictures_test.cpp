// Picture controls and picture rings: the images they hold, copied in from bitmaps or
// written with SetImageBits, read back at every depth, and the codes of bad calls.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image_support.h"
#include "rtengine.h"
#include "test_support.h"
#include "ui_support.h"

using testing_support::bitmapOf;
using testing_support::ctrlInt;
using testing_support::LibraryErrorCounter;
using testing_support::makeImage;
using testing_support::putImage;
using testing_support::readImage;
using testing_support::ScopedPanel;
using testing_support::TestImage;

namespace {

// One image per depth, with a padded row, and one with a mask.
std::vector<TestImage> sampleImages() {
    std::vector<TestImage> images = {
        makeImage(1, {1, 0, 1, 1, 0, 0, 1, 0, 1}, {0x000000, 0xFFFFFF}),
        makeImage(4, {3, 15, 0, 7, 1}, {0x102030, 0x405060, 0x708090, 0xA0B0C0}, 2, 0x0F0F0F),
        makeImage(8, {0, 255, 17}, {0xC0C0C0}, 1, 0x808080),
        makeImage(24, {0xFF0000, 0x00FF00, 0x0000FF, 0x123456}, {}, 3),
        makeImage(32, {0xC0C0C0, 0xFFFFFF, 0x808080}),
    };
    TestImage masked = makeImage(24, {0x010203, 0x040506});
    masked.mask = {0x80, 0x00};
    images.push_back(masked);
    return images;
}

struct PictureKind {
    const char *name;
    int style, width, height, mode;
};
std::ostream &operator<<(std::ostream &out, const PictureKind &k) { return out << k.name; }

class Pictures : public testing::TestWithParam<PictureKind> {
protected:
    // A control of the kind, with image 0 addressable (a ring gets one empty item).
    int makeControl() {
        int control = NewCtrl(panel, GetParam().style, "picture", 20, 10);
        EXPECT_GT(control, 0);
        if (GetParam().style == RTE_CTRL_PICTURE_RING) {
            EXPECT_EQ(InsertListItem(panel, control, -1, "first", 5), 0);
        }
        return control;
    }
    ScopedPanel panel;
};

INSTANTIATE_TEST_SUITE_P(
    Kinds, Pictures,
    testing::Values(PictureKind{"button", RTE_CTRL_PICTURE_BUTTON, 48, 48, RTE_CTRL_MODE_HOT},
                    PictureKind{"raised", RTE_CTRL_PICTURE_RAISED, 100, 100, RTE_CTRL_MODE_INDICATOR},
                    PictureKind{"plain", RTE_CTRL_PICTURE, 100, 100, RTE_CTRL_MODE_INDICATOR},
                    PictureKind{"ring", RTE_CTRL_PICTURE_RING, 64, 64, RTE_CTRL_MODE_HOT}),
    [](const testing::TestParamInfo<PictureKind> &param) { return std::string(param.param.name); });

// A new picture has its documented size and mode and no image yet: sizes 0, depth 0.
TEST_P(Pictures, StartEmpty) {
    int control = makeControl();
    EXPECT_EQ(ctrlInt(panel, control, RTE_ATTR_WIDTH), GetParam().width);
    EXPECT_EQ(ctrlInt(panel, control, RTE_ATTR_HEIGHT), GetParam().height);
    EXPECT_EQ(ctrlInt(panel, control, RTE_ATTR_CTRL_MODE), GetParam().mode);
    EXPECT_EQ(ctrlInt(panel, control, RTE_ATTR_FIT_MODE), RTE_FIT_CENTERED);
    int sizes[3] = {-1, -1, -1}, shape[4] = {-1, -1, -1, -1};
    ASSERT_EQ(GetImageInfo(panel, control, 0, &sizes[0], &sizes[1], &sizes[2]), 0);
    EXPECT_EQ(sizes[0] + sizes[1] + sizes[2], 0);
    ASSERT_EQ(GetImageBits(panel, control, 0, &shape[0], &shape[1], &shape[2], &shape[3],
                           nullptr, nullptr, nullptr),
              0);
    EXPECT_EQ(shape[0] + shape[1] + shape[2] + shape[3], 0);
}

// Every depth goes in through a bitmap and through SetImageBits and comes back exactly,
// padding and mask included; the bitmap's discard does not reach the picture's copy.
TEST_P(Pictures, ImagesRoundTripAtEveryDepth) {
    int control = makeControl();
    for (const TestImage &image : sampleImages()) {
        SCOPED_TRACE("depth " + std::to_string(image.depth));
        int bitmap = bitmapOf(image);
        ASSERT_EQ(SetCtrlBitmap(panel, control, 0, bitmap), 0);
        ASSERT_EQ(DiscardBitmap(bitmap), 0);
        int sizes[3];
        ASSERT_EQ(GetImageInfo(panel, control, 0, &sizes[0], &sizes[1], &sizes[2]), 0);
        EXPECT_EQ(sizes[0], int(image.colorTable.size() * sizeof(int)));
        EXPECT_EQ(sizes[1], image.rowBytes * image.height);
        EXPECT_EQ(sizes[2], int(image.mask.size()));
        EXPECT_EQ(readImage(panel, control, 0), image);

        ASSERT_EQ(SetCtrlBitmap(panel, control, 0, 0), 0);  // emptied
        ASSERT_EQ(GetImageInfo(panel, control, 0, nullptr, &sizes[1], nullptr), 0);
        EXPECT_EQ(sizes[1], 0);
        ASSERT_EQ(putImage(panel, control, 0, image), 0);
        EXPECT_EQ(readImage(panel, control, 0), image);
    }
}

// SetImageBits checks its pixels as NewBitmap does; a refused write keeps the image.
TEST_P(Pictures, RefusedWritesKeepTheImage) {
    int control = makeControl();
    const TestImage kept = makeImage(8, {1, 2}, {0, 0x111111, 0x222222});
    ASSERT_EQ(putImage(panel, control, 0, kept), 0);
    const int table[256] = {0x1000000};
    const int goodTable[256] = {};
    const struct {
        int rowBytes, depth, width, height;
        const int *table;
        int code;
    } bad[] = {
        {-1, 16, 2, 1, goodTable, RTE_UIE_INVALID_PIXEL_DEPTH},
        {-1, 0, 2, 1, goodTable, RTE_UIE_INVALID_PIXEL_DEPTH},
        {-1, 8, 0, 1, goodTable, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
        {-1, 8, 2, 0, goodTable, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
        {-1, 8, 32768, 1, goodTable, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
        {5, 24, 2, 1, nullptr, RTE_UIE_INVALID_ATTRIBUTE_VALUE},  // rows shorter than 6
        {-1, 8, 2, 1, nullptr, RTE_UIE_NULL_ARGUMENT},
        {-1, 4, 2, 1, table, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
        {32767, 24, 10000, 32767, nullptr, RTE_UIE_INVALID_ATTRIBUTE_VALUE},  // too large
    };
    LibraryErrorCounter errors;
    for (const auto &b : bad) {
        EXPECT_EQ(SetImageBits(panel, control, 0, b.rowBytes, b.depth, b.width, b.height,
                               b.table, nullptr, nullptr),
                  b.code)
            << "depth " << b.depth << " width " << b.width;
        EXPECT_EQ(readImage(panel, control, 0), kept);
    }
    EXPECT_EQ(errors.reports(), int(std::size(bad)));
}

// Addresses that name no image: every image call gives the same code and changes
// nothing; each failure is reported.
TEST(PictureAddresses, BadAddressesGiveTheirCodes) {
    ScopedPanel panel;
    int picture = NewCtrl(panel, RTE_CTRL_PICTURE, "", 0, 0);
    int ring = NewCtrl(panel, RTE_CTRL_PICTURE_RING, "", 0, 0);
    int button = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "b", 0, 0);
    int textRing = NewCtrl(panel, RTE_CTRL_RING, "", 0, 0);
    ASSERT_EQ(InsertListItem(panel, textRing, -1, "a", 1), 0);
    const TestImage image = makeImage(24, {0x010203});
    int bitmap = bitmapOf(image);
    ASSERT_EQ(InsertPictureRingItem(panel, ring, -1, 7, bitmap), 0);
    const struct {
        int panel, control, index, code;
    } cases[] = {
        {9999, picture, 0, RTE_UIE_INVALID_PANEL},
        {panel, 999, 0, RTE_UIE_INVALID_CONTROL},
        {panel, button, 0, RTE_UIE_WRONG_CONTROL_KIND},
        {panel, textRing, 0, RTE_UIE_WRONG_CONTROL_KIND},
        {panel, picture, 1, RTE_UIE_INDEX_OUT_OF_RANGE},
        {panel, picture, -1, RTE_UIE_INDEX_OUT_OF_RANGE},
        {panel, ring, 1, RTE_UIE_INDEX_OUT_OF_RANGE},
        {panel, ring, -1, RTE_UIE_INDEX_OUT_OF_RANGE},
    };
    LibraryErrorCounter errors;
    for (const auto &c : cases) {
        SCOPED_TRACE("control " + std::to_string(c.control) + " index " + std::to_string(c.index));
        int size = 77, depth = 77;
        EXPECT_EQ(GetImageInfo(c.panel, c.control, c.index, &size, &size, &size), c.code);
        EXPECT_EQ(GetImageBits(c.panel, c.control, c.index, nullptr, &depth, nullptr, nullptr,
                               nullptr, nullptr, nullptr),
                  c.code);
        EXPECT_EQ(size + depth, 154);
        EXPECT_EQ(SetCtrlBitmap(c.panel, c.control, c.index, bitmap), c.code);
        EXPECT_EQ(putImage(c.panel, c.control, c.index, image), c.code);
    }
    EXPECT_EQ(errors.reports(), 4 * int(std::size(cases)));
    EXPECT_EQ(SetCtrlBitmap(panel, picture, 0, 12345), RTE_UIE_INVALID_BITMAP);
    EXPECT_EQ(InsertPictureRingItem(panel, ring, 5, 0, bitmap), RTE_UIE_INDEX_OUT_OF_RANGE);
    EXPECT_EQ(InsertPictureRingItem(panel, picture, -1, 0, bitmap), RTE_UIE_WRONG_CONTROL_KIND);
    EXPECT_EQ(InsertPictureRingItem(panel, ring, -1, 0, 12345), RTE_UIE_INVALID_BITMAP);
    EXPECT_EQ(readImage(panel, ring, 0), image);
    int count = 0;
    ASSERT_EQ(GetNumListItems(panel, ring, &count), 0);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(DiscardBitmap(bitmap), 0);
}

// A picture ring is a list: items counted and addressed by the list calls, each with
// its own image that follows it when others are inserted, replaced or deleted.
TEST(PictureRing, ImagesFollowTheirItems) {
    ScopedPanel panel;
    int ring = NewCtrl(panel, RTE_CTRL_PICTURE_RING, "pictures", 20, 0);
    std::vector<TestImage> images;
    for (int k = 0; k < 3; ++k) images.push_back(makeImage(24, {0x010101 * (k + 1)}));
    for (int k = 0; k < 3; ++k) {
        int bitmap = bitmapOf(images[size_t(k)]);
        ASSERT_EQ(InsertPictureRingItem(panel, ring, k == 2 ? 0 : -1, 10 + k, bitmap), 0);
        ASSERT_EQ(DiscardBitmap(bitmap), 0);
    }
    // Items: image 2 (value 12), image 0 (10), image 1 (11); a text item goes in second.
    ASSERT_EQ(InsertListItem(panel, ring, 1, "no image", 99), 0);
    int count = 0;
    ASSERT_EQ(GetNumListItems(panel, ring, &count), 0);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(readImage(panel, ring, 0), images[2]);
    EXPECT_EQ(readImage(panel, ring, 1).bits.size(), 0u);
    EXPECT_EQ(readImage(panel, ring, 2), images[0]);
    ASSERT_EQ(ReplaceListItem(panel, ring, 2, "renamed", 42), 0);
    EXPECT_EQ(readImage(panel, ring, 2), images[0]);
    ASSERT_EQ(DeleteListItem(panel, ring, 0, 2), 0);
    EXPECT_EQ(readImage(panel, ring, 0), images[0]);
    EXPECT_EQ(readImage(panel, ring, 1), images[1]);
    // Its value is the selected item's, as for a ring.
    ASSERT_EQ(SetCtrlIndex(panel, ring, 1), 0);
    int value = 0;
    ASSERT_EQ(GetCtrlVal(panel, ring, &value), 0);
    EXPECT_EQ(value, 11);
    EXPECT_EQ(ctrlInt(panel, ring, RTE_ATTR_DATA_TYPE), RTE_VAL_INTEGER);
}

}  // namespace
