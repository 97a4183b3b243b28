// Tab order and control lists: walks along a panel's control chain (which the engine
// keeps in tab order), the previous and the next control that can take the focus, the
// first such control activated, and lists of a panel's controls sorted by tab position.
//
// Choices:
//  - A failing attribute read ends a walk with 0 (no control). Leaving the walk where
//    it stands would repeat the same failing read for ever, for instance for a control
//    id that is not on the panel.
//  - A walk takes at most as many steps as the panel had controls when it began, plus
//    one, so a chain that another thread edits meanwhile cannot keep it going.
//  - CtrlCanBeTabStop reads the mode first and stops at the first condition that fails,
//    so a timer (mode 0, no dimmed attribute) is refused without a failing read and a
//    walk over a panel with timers reports no library errors.
//  - SortCtrlListByTabOrder keeps its panel in the calling thread's library state for
//    the comparison and restores the previous one afterwards; ids whose tab position
//    cannot be read (not on the panel) sort after all the others.
#include <climits>

#include "controls_internal.h"

namespace {

constexpr int kFailed = -1;  // a walk's step whose attribute read failed

// The most steps a walk over the panel may take; 0 for a panel that cannot be read.
int stepLimit(int panel) {
    int count;
    return GetPanelAttribute(panel, RTE_ATTR_NUM_CTRLS, &count) < 0 ? 0 : count + 1;
}

int firstCtrl(int panel) {
    int first;
    if (GetPanelAttribute(panel, RTE_ATTR_PANEL_FIRST_CTRL, &first) < 0) return kFailed;
    return first > 0 ? first : 0;
}

// The control after control in the chain; after the last one 0, or with wrap the first.
int nextInChain(int panel, int control, int wrap) {
    int next;
    if (GetCtrlAttribute(panel, control, RTE_ATTR_NEXT_CTRL, &next) < 0) return kFailed;
    if (next > 0) return next;
    return wrap ? firstCtrl(panel) : 0;
}

int lastCtrl(int panel, int limit) {
    int current = firstCtrl(panel);
    for (int steps = 0; current > 0 && steps < limit; ++steps) {
        int next = nextInChain(panel, current, 0);
        if (next <= 0) return next == 0 ? current : kFailed;
        current = next;
    }
    return current == 0 ? 0 : kFailed;
}

int previousInChain(int panel, int control, int wrap, int limit) {
    int current = firstCtrl(panel);
    if (current <= 0) return current;
    if (wrap && current == control) return lastCtrl(panel, limit);
    for (int steps = 0; current > 0 && steps < limit; ++steps) {
        int next = nextInChain(panel, current, 0);
        if (next < 0) return kFailed;
        if (next == control) return current;
        current = next;
    }
    return current == 0 ? 0 : kFailed;
}

int tabPosition(int panel, int control) {
    int position;
    return GetCtrlAttribute(panel, control, RTE_ATTR_CTRL_TAB_POSITION, &position) < 0 ? INT_MAX
                                                                                       : position;
}

int compareTabPositions(const void *first, const void *second) {
    const tb::LibraryThreadState *state = tb::threadState();
    int a = tabPosition(state->sortPanel, *static_cast<const int *>(first));
    int b = tabPosition(state->sortPanel, *static_cast<const int *>(second));
    return a < b ? -1 : a > b ? 1 : 0;
}

}  // namespace

extern "C" {

int CtrlCanBeTabStop(int panel, int control) {
    int mode, dimmed, visible;
    if (GetCtrlAttribute(panel, control, RTE_ATTR_CTRL_MODE, &mode) < 0 || mode == 0) return 0;
    if (GetCtrlAttribute(panel, control, RTE_ATTR_DIMMED, &dimmed) < 0 || dimmed != 0) return 0;
    if (GetCtrlAttribute(panel, control, RTE_ATTR_VISIBLE, &visible) < 0 || visible == 0)
        return 0;
    return 1;
}

int PreviousCtrl(int panel, int control, int wrap) {
    int previous = previousInChain(panel, control, wrap, stepLimit(panel));
    return previous > 0 ? previous : 0;
}

int NextCtrlInTabOrder(int panel, int control, int forward, int wrap) {
    const int limit = stepLimit(panel);
    int current = control;
    for (int steps = 0; current > 0 && steps < limit; ++steps) {
        current = forward ? nextInChain(panel, current, wrap)
                          : previousInChain(panel, current, wrap, limit);
        if (current <= 0 || current == control) return 0;
        if (CtrlCanBeTabStop(panel, current)) return current;
    }
    return 0;
}

int ActivateFirstCtrl(int panel) {
    const int limit = stepLimit(panel);
    int current = firstCtrl(panel);
    for (int steps = 0; current > 0 && steps < limit; ++steps) {
        if (CtrlCanBeTabStop(panel, current)) return SetActiveCtrl(panel, current) == 0 ? 1 : 0;
        current = nextInChain(panel, current, 0);
    }
    return 0;
}

int GetCtrlList(int panel, ListRef *list) {
    if (!list) return RTE_UIE_NULL_ARGUMENT;
    *list = nullptr;
    tb::OwnedList made(ListCreate(sizeof(int)));
    if (!made) return RTE_UIE_OUT_OF_MEMORY;
    int count, current;
    int code = GetPanelAttribute(panel, RTE_ATTR_NUM_CTRLS, &count);
    if (code == 0) code = GetPanelAttribute(panel, RTE_ATTR_PANEL_FIRST_CTRL, &current);
    while (code == 0 && current > 0 && ListNumItems(made.get()) <= count) {
        if (!ListInsertItem(made.get(), &current, ListPosEnd)) return RTE_UIE_OUT_OF_MEMORY;
        code = GetCtrlAttribute(panel, current, RTE_ATTR_NEXT_CTRL, &current);
    }
    if (code < 0) return code;
    *list = made.release();
    return 0;
}

int SortCtrlListByTabOrder(int panel, ListRef list) {
    if (!tb::isIdList(list)) return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
    tb::LibraryThreadState *state = tb::threadState();
    if (!state) return RTE_UIE_OUT_OF_MEMORY;
    int previous = state->sortPanel;
    state->sortPanel = panel;
    ListQuickSort(list, compareTabPositions);
    state->sortPanel = previous;
    return 0;
}

}  // extern "C"
