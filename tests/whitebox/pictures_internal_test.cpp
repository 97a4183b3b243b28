// What drawing code reads of a picture: the image a control shows (a ring's selected
// item's), and that a record taken out stays whole after the control changes or goes.
#include <gtest/gtest.h>

#include "rtengine.h"
#include "ui/ui_internal.h"

namespace {

int bitmapWithColor(int color) {
    const unsigned char bits[3] = {static_cast<unsigned char>(color >> 16),
                                   static_cast<unsigned char>(color >> 8),
                                   static_cast<unsigned char>(color)};
    int bitmap = 0;
    EXPECT_EQ(NewBitmap(-1, 24, 1, 1, nullptr, bits, nullptr, &bitmap), 0);
    return bitmap;
}

int firstColor(const rte::ui::ImageRef &image) {
    if (!image || image->bits.size() < 3) return -1;
    return image->bits[0] << 16 | image->bits[1] << 8 | image->bits[2];
}

// The shown image under the model lock, as drawing code takes it.
rte::ui::ImageRef shown(int panel, int control) {
    rte::ui::Model &m = rte::ui::model();
    rte::ui::Guard lock(m.mutex);
    rte::ui::Panel *p;
    int code;
    const rte::ui::Control *c = rte::ui::findControl(m, panel, control, p, code);
    return c ? rte::ui::shownImage(*c) : nullptr;
}

TEST(PictureAccess, ShownImageFollowsTheSelectionAndOutlivesTheControl) {
    int panel = NewPanel(0, "p", 0, 0, 100, 100);
    int ring = NewCtrl(panel, RTE_CTRL_PICTURE_RING, "", 0, 0);
    int picture = NewCtrl(panel, RTE_CTRL_PICTURE, "", 0, 0);
    int button = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "b", 0, 0);
    EXPECT_EQ(shown(panel, ring), nullptr);      // no items
    EXPECT_EQ(shown(panel, picture), nullptr);   // no image yet
    EXPECT_EQ(shown(panel, button), nullptr);    // holds none
    for (int color : {0x112233, 0x445566}) {
        int bitmap = bitmapWithColor(color);
        ASSERT_EQ(InsertPictureRingItem(panel, ring, -1, color, bitmap), 0);
        ASSERT_EQ(DiscardBitmap(bitmap), 0);
    }
    EXPECT_EQ(firstColor(shown(panel, ring)), 0x112233);
    ASSERT_EQ(SetCtrlIndex(panel, ring, 1), 0);
    rte::ui::ImageRef kept = shown(panel, ring);
    EXPECT_EQ(firstColor(kept), 0x445566);

    int code = 1;
    EXPECT_EQ(firstColor(rte::ui::controlImage(panel, ring, 0, code)), 0x112233);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(rte::ui::controlImage(panel, ring, 2, code), nullptr);
    EXPECT_EQ(code, RTE_UIE_INDEX_OUT_OF_RANGE);
    EXPECT_EQ(rte::ui::controlImage(panel, button, 0, code), nullptr);
    EXPECT_EQ(code, RTE_UIE_WRONG_CONTROL_KIND);

    const unsigned char white[3] = {0xFF, 0xFF, 0xFF};
    ASSERT_EQ(SetImageBits(panel, ring, 1, -1, 24, 1, 1, nullptr, white, nullptr), 0);
    EXPECT_EQ(firstColor(shown(panel, ring)), 0xFFFFFF);
    ASSERT_EQ(DiscardPanel(panel), 0);
    EXPECT_EQ(firstColor(kept), 0x445566);  // the record taken out is unchanged
}

}  // namespace
