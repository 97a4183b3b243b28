// The control kinds the engine knows. Adding a kind adds a row here (and a bit in
// ui_internal.h for the attributes it has); nothing else looks at style numbers.
#include "ui/ui_internal.h"

namespace rte::ui {

namespace {

// Rings and list boxes size themselves from their font when they are made (fitToFont).
//  style                        bit       mode                      focus  commits
//  label outside  sized by caption  hidden  width height  caption padding
constexpr Kind kKinds[] = {
    {RTE_CTRL_COMMAND_BUTTON, kButton, RTE_CTRL_MODE_HOT, true, true,
     false, true, false, 0, 0, 24, 10},
    {RTE_CTRL_NUMERIC_INDICATOR, kNumeric, RTE_CTRL_MODE_INDICATOR, true, false,
     true, false, false, 100, 20, 0, 0},
    {RTE_CTRL_TIMER, kTimer, RTE_CTRL_MODE_INDICATOR, false, false,
     false, false, true, 16, 16, 0, 0},
    {RTE_CTRL_COLOR_NUM, kColor, RTE_CTRL_MODE_HOT, true, false,
     true, false, false, 40, 20, 0, 0},
    {RTE_CTRL_TEXT_MSG, kText, RTE_CTRL_MODE_INDICATOR, false, false,
     false, true, false, 0, 0, 0, 0},
    {RTE_CTRL_RING, kRing, RTE_CTRL_MODE_HOT, true, false,
     true, false, false, 100, 0, 0, 0},
    {RTE_CTRL_SLIDE_RING, kRing, RTE_CTRL_MODE_HOT, true, false,
     true, false, false, 100, 0, 0, 0},
    {RTE_CTRL_LIST_BOX, kListBox, RTE_CTRL_MODE_HOT, true, false,
     true, false, false, 150, 0, 0, 0},
    {RTE_CTRL_PICTURE_BUTTON, kPicture, RTE_CTRL_MODE_HOT, true, true,
     true, false, false, 48, 48, 0, 0},
    {RTE_CTRL_PICTURE_RAISED, kPicture, RTE_CTRL_MODE_INDICATOR, true, false,
     true, false, false, 100, 100, 0, 0},
    {RTE_CTRL_PICTURE, kPicture, RTE_CTRL_MODE_INDICATOR, true, false,
     true, false, false, 100, 100, 0, 0},
    {RTE_CTRL_PICTURE_RING, kPictureRing, RTE_CTRL_MODE_HOT, true, false,
     true, false, false, 64, 64, 0, 0},
};

}  // namespace

const Kind *findKind(int style) {
    for (const Kind &kind : kKinds)
        if (kind.style == style) return &kind;
    return nullptr;
}

}  // namespace rte::ui
