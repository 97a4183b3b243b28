// The control kinds the engine knows. Adding a kind adds a row here (and a bit in
// ui_internal.h for the attributes it has); nothing else looks at style numbers.
#include "ui/ui_internal.h"

namespace rte::ui {

namespace {

//  style                        bit       mode                      focus  commits
//  label outside  sized by caption  hidden  width height
constexpr Kind kKinds[] = {
    {RTE_CTRL_COMMAND_BUTTON, kButton, RTE_CTRL_MODE_HOT, true, true,
     false, true, false, 0, 0},
    {RTE_CTRL_NUMERIC_INDICATOR, kNumeric, RTE_CTRL_MODE_INDICATOR, true, false,
     true, false, false, 100, 20},
    {RTE_CTRL_TIMER, kTimer, RTE_CTRL_MODE_INDICATOR, false, false,
     false, false, true, 16, 16},
};

}  // namespace

const Kind *findKind(int style) {
    for (const Kind &kind : kKinds)
        if (kind.style == style) return &kind;
    return nullptr;
}

}  // namespace rte::ui
