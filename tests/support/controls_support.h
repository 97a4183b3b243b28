// Helpers for the control-utility and dialog suites: sized buttons, labelled
// indicators, bounding rectangles, the items of an id list, a snapshot of what the
// walks and layouts may change, and a watchdog for calls that must not hang.
#ifndef TOOLBOX_CONTROLS_SUPPORT_H
#define TOOLBOX_CONTROLS_SUPPORT_H

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "rtengine.h"
#include "toolbox.h"
#include "ui_support.h"

// Beside the engine's Rect, where comparisons and printing find them.
inline bool operator==(const Rect &a, const Rect &b) {
    return a.top == b.top && a.left == b.left && a.height == b.height && a.width == b.width;
}
inline std::ostream &operator<<(std::ostream &out, const Rect &r) {
    return out << "{top " << r.top << ", left " << r.left << ", height " << r.height
               << ", width " << r.width << "}";
}

namespace testing_support {

inline Rect boundsOf(int panel, int control) {
    Rect r{-1, -1, -1, -1};
    EXPECT_EQ(GetCtrlBoundingRect(panel, control, &r.top, &r.left, &r.height, &r.width), 0);
    return r;
}

// A command button of the given size (its caption is drawn inside, so its bounding
// rectangle is the button itself).
inline int makeButton(int panel, int top, int left, int height, int width) {
    int button = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "", top, left);
    EXPECT_GE(button, 2);
    EXPECT_EQ(SetCtrlAttribute(panel, button, RTE_ATTR_HEIGHT, height), 0);
    EXPECT_EQ(SetCtrlAttribute(panel, button, RTE_ATTR_WIDTH, width), 0);
    return button;
}

// A numeric indicator whose label sits automatically above it.
inline int makeIndicator(int panel, const char *label, int top, int left) {
    int indicator = NewCtrl(panel, RTE_CTRL_NUMERIC_INDICATOR, label, top, left);
    EXPECT_GE(indicator, 2);
    return indicator;
}

inline std::vector<int> idsOf(ListRef list) {
    std::vector<int> ids(size_t(ListNumItems(list)));
    for (size_t k = 0; k < ids.size(); ++k) ListGetItem(list, &ids[k], int(k) + 1);
    return ids;
}

struct DisposeList {
    void operator()(HandleRecord *list) const { ListDispose(list); }
};
using ScopedList = std::unique_ptr<HandleRecord, DisposeList>;

// What group operations may change on a control: position, size, label place, orders,
// shortcut key (where the kind has them; -1 where it has not).
inline std::vector<int> snapshotOf(int panel, const std::vector<int> &controls) {
    static const int kAttributes[] = {RTE_ATTR_TOP,        RTE_ATTR_LEFT,
                                      RTE_ATTR_HEIGHT,     RTE_ATTR_WIDTH,
                                      RTE_ATTR_LABEL_LEFT, RTE_ATTR_LABEL_TOP,
                                      RTE_ATTR_ZPLANE_POSITION, RTE_ATTR_CTRL_TAB_POSITION,
                                      RTE_ATTR_SHORTCUT_KEY, RTE_ATTR_DIMMED};
    std::vector<int> values;
    int breaking = SetBreakOnLibraryErrors(0);
    for (int c : controls)
        for (int attribute : kAttributes) {
            int value = -1;
            if (GetCtrlAttribute(panel, c, attribute, &value) < 0) value = -1;
            values.push_back(value);
        }
    SetBreakOnLibraryErrors(breaking);
    return values;
}

// The handle the next panel will get, minus one: a panel made and discarded at once.
inline int newestPanel() {
    int probe = NewPanel(0, "probe", 0, 0, 10, 10);
    DiscardPanel(probe);
    return probe;
}

// The handles made after `since`, none of which may still be a panel.
inline void expectNoPanelsSince(int since) {
    int next = NewPanel(0, "probe", 0, 0, 10, 10);
    int breaking = SetBreakOnLibraryErrors(0);
    for (int handle = since + 1; handle < next; ++handle) {
        int visible;
        EXPECT_EQ(GetPanelAttribute(handle, RTE_ATTR_VISIBLE, &visible), RTE_UIE_INVALID_PANEL)
            << "panel " << handle << " was left behind";
    }
    SetBreakOnLibraryErrors(breaking);
    DiscardPanel(next);
}

// Runs call on a thread of its own and waits for it at most `seconds`; a call that has
// not returned by then fails the test and ends the program, since a hung thread cannot
// be joined.
inline void finishesWithin(double seconds, const std::function<void()> &call,
                           const char *what) {
    struct State {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
    };
    auto state = std::make_shared<State>();
    std::thread([state, call] {
        call();
        std::lock_guard<std::mutex> lock(state->mutex);
        state->finished = true;
        state->done.notify_all();
    }).detach();
    std::unique_lock<std::mutex> lock(state->mutex);
    if (!state->done.wait_for(lock, std::chrono::duration<double>(seconds),
                              [&] { return state->finished; })) {
        std::fprintf(stderr, "%s did not return within %.0f s\n", what, seconds);
        std::fflush(stderr);
        std::_Exit(3);
    }
}

}  // namespace testing_support

#endif
