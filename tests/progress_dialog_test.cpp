// Progress dialog: its layout for each kind of Cancel label, modal and not; the
// percentage pinned; a scripted user pressing Cancel during a loop of updates (a timer
// on the dialog's thread, and another thread); the cancel key with the button off the
// panel; dialogs ended every way, and failing at every step of their making, with
// nothing left behind; a panel callback of the application's own; bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "controls_support.h"
#include "test_support.h"
#include "toolbox.h"
#include "toolbox_internal.h"
#include "ui_support.h"

using namespace testing_support;

namespace {

constexpr int kWidth = 328;

struct DialogParts {
    int indicator = 0, button = 0;
};

// The indicator comes first in the chain, the Cancel button (if any) second.
DialogParts partsOf(int dialog) {
    std::vector<int> chain = chainOf(dialog);
    DialogParts parts;
    if (chain.size() > 0) parts.indicator = chain[0];
    if (chain.size() > 1) parts.button = chain[1];
    EXPECT_LE(chain.size(), 2u);
    return parts;
}

int shownPercent(int dialog) {
    int value = -1;
    EXPECT_EQ(GetCtrlVal(dialog, partsOf(dialog).indicator, &value), 0);
    return value;
}

// Every case ends with as many dialogs held as it began with, and no user events.
class ProgressDialog : public ::testing::Test {
protected:
    void SetUp() override {
        baseline_ = tb::liveProgressDialogs();
        takeUserEvents();
    }
    void TearDown() override {
        EXPECT_EQ(tb::liveProgressDialogs(), baseline_);
        takeUserEvents();
    }
    int baseline() const { return baseline_; }

private:
    int baseline_ = 0;
};

struct Look {
    int modal;
    const char *cancelLabel;
    int markerStyle;
};

class ProgressDialogLook : public ProgressDialog, public ::testing::WithParamInterface<Look> {};

// The panel, centred and 328 wide; the indicator below its label, centred, 0..100 of
// int; the button under it with the Escape key, or off the panel for an empty label;
// modal dialogs keep input from the other panels.
TEST_P(ProgressDialogLook, LayoutAndModality) {
    const Look &look = GetParam();
    EventLog otherLog;
    ScopedPanel other(0, 0, 0, 100, 100);
    int otherButton = makeButton(other, 10, 10, 20, 40);
    otherLog.watch(other, otherButton);
    ASSERT_EQ(DisplayPanel(other), 0);

    int d = CreateProgressDialog("Copying", "Progress", look.modal, look.markerStyle,
                                 look.cancelLabel);
    ASSERT_GT(d, 0);
    DialogParts parts = partsOf(d);
    const int height = panelInt(d, RTE_ATTR_HEIGHT);
    EXPECT_EQ(panelInt(d, RTE_ATTR_WIDTH), kWidth);
    EXPECT_EQ(panelInt(d, RTE_ATTR_TOP), (RTE_SCREEN_HEIGHT - height) / 2);
    EXPECT_EQ(panelInt(d, RTE_ATTR_LEFT), (RTE_SCREEN_WIDTH - kWidth) / 2);
    EXPECT_EQ(panelInt(d, RTE_ATTR_VISIBLE), 1);
    EXPECT_EQ(panelInt(d, RTE_ATTR_FLOATING), 1);
    EXPECT_EQ(panelInt(d, RTE_ATTR_SIZABLE), 0);

    const int ind = parts.indicator;
    const struct {
        int attribute, expected;
    } indicator[] = {{RTE_ATTR_CTRL_STYLE, RTE_CTRL_NUMERIC_INDICATOR},
                     {RTE_ATTR_WIDTH, 300},
                     {RTE_ATTR_HEIGHT, 14},
                     {RTE_ATTR_DATA_TYPE, RTE_VAL_INTEGER},
                     {RTE_ATTR_MIN_VALUE, 0},
                     {RTE_ATTR_MAX_VALUE, 100},
                     {RTE_ATTR_SHOW_DIGITAL_DISPLAY, 0},
                     {RTE_ATTR_PRECISION, 0},
                     {RTE_ATTR_MARKER_STYLE, look.markerStyle},
                     {RTE_ATTR_DIVISIONS, look.markerStyle == 3 ? 3 : 10},
                     {RTE_ATTR_FILL_COLOR, RTE_TRANSPARENT},
                     {RTE_ATTR_LABEL_LEFT, 14},
                     {RTE_ATTR_LABEL_TOP, 14},
                     {RTE_ATTR_TOP, ctrlInt(d, ind, RTE_ATTR_LABEL_HEIGHT) + 18}};
    for (const auto &a : indicator)
        EXPECT_EQ(ctrlInt(d, ind, a.attribute), a.expected) << a.attribute;
    Rect bounds = boundsOf(d, ind);
    EXPECT_EQ(bounds.top, 14);
    EXPECT_EQ(bounds.left, (kWidth - bounds.width) / 2);
    const int content = bounds.height + 28;

    if (!look.cancelLabel) {
        EXPECT_EQ(parts.button, 0);
        EXPECT_EQ(height, content);
    } else {
        ASSERT_NE(parts.button, 0);
        const int b = parts.button;
        EXPECT_EQ(ctrlInt(d, b, RTE_ATTR_SHORTCUT_KEY), RTE_KEY_ESCAPE);
        Rect button = boundsOf(d, b);
        if (*look.cancelLabel) {
            EXPECT_EQ(button.top, content);
            EXPECT_EQ(button.left, kWidth / 2 - button.width / 2);
            EXPECT_EQ(height, content + 14 + button.height);
        } else {
            EXPECT_EQ(height, content);
            EXPECT_LE(button.top + button.height, 0);  // wholly outside the panel
            EXPECT_LE(button.left + button.width, 0);
        }
    }

    ASSERT_EQ(SimulateCtrlClick(other, otherButton, 1), 0);
    ASSERT_EQ(ProcessSystemEvents(), 0);
    EXPECT_EQ(otherLog.controlsGetting(EVENT_COMMIT).size(), look.modal ? 0u : 1u);
    EXPECT_EQ(DiscardProgressDialog(d), 0);
}

const Look kLooks[] = {{0, nullptr, 0}, {1, nullptr, 1}, {0, "", 2}, {1, "", 3},
                       {0, "__Cancel", 3}, {1, "Stop the copying now", 0}};
INSTANTIATE_TEST_SUITE_P(Table, ProgressDialogLook, ::testing::ValuesIn(kLooks));

// Percentages outside 0..100 are pinned; updates without a Cancel press give 0.
TEST_F(ProgressDialog, PercentagePinned) {
    int d = CreateProgressDialog("t", "i", 0, 0, "Cancel");
    ASSERT_GT(d, 0);
    const struct {
        int percent, shown;
    } cases[] = {{-5, 0}, {150, 100}, {37, 37}, {0, 0}, {100, 100}, {INT_MIN, 0}, {INT_MAX, 100}};
    for (const auto &c : cases) {
        EXPECT_EQ(UpdateProgressDialog(d, c.percent, 1), 0) << c.percent;
        EXPECT_EQ(shownPercent(d), c.shown) << c.percent;
    }
    EXPECT_EQ(DiscardProgressDialog(d), 0);
}

// A scripted user on the dialog's own thread: a timer that ticks in every event pass
// clicks Cancel on its fifth tick, while the caller loops over updates. Exactly the next
// update reports it, the following one does not, and the commit also reached the
// thread's user events.
struct ScriptedUser {
    int dialog, button, ticks = 0;
    static int onTick(int, int, int event, void *data, intptr_t, intptr_t) {
        auto *user = static_cast<ScriptedUser *>(data);
        if (event == EVENT_TIMER_TICK && ++user->ticks == 5)
            SimulateCtrlClick(user->dialog, user->button, 1);
        return 0;
    }
};

TEST_F(ProgressDialog, ScriptedUserCancelsDuringTheLoop) {
    for (int modal : {1, 0}) {
        SCOPED_TRACE(modal);
        int d = CreateProgressDialog("Working", "Done so far", modal, 1, "Cancel");
        ASSERT_GT(d, 0);
        ScriptedUser user{d, partsOf(d).button};
        ScopedPanel script(0, -200, -200, 10, 10);
        int timer = NewCtrl(script, RTE_CTRL_TIMER, "", 0, 0);
        ASSERT_EQ(SetCtrlAttribute(script, timer, RTE_ATTR_INTERVAL, 0.0), 0);
        ASSERT_EQ(InstallCtrlCallback(script, timer, &ScriptedUser::onTick, &user), 0);

        int percent = 0, cancelled = 0;
        for (; percent < 1000 && !cancelled; ++percent)
            cancelled = UpdateProgressDialog(d, percent, 1);
        EXPECT_EQ(cancelled, 1);
        EXPECT_GE(percent, 5);
        EXPECT_EQ(shownPercent(d), std::min(percent - 1, 100));
        EXPECT_EQ(UpdateProgressDialog(d, 99, 1), 0);
        EXPECT_EQ(takeUserEvents(), (std::vector<TakenUserEvent>{{EVENT_COMMIT, d, user.button}}));
        EXPECT_EQ(DiscardProgressDialog(d), 0);
    }
}

// The cancel key cancels whether the button is under the indicator or off the panel;
// without a Cancel label nothing cancels.
TEST_F(ProgressDialog, CancelKey) {
    for (const char *label : {"Cancel", "", static_cast<const char *>(nullptr)}) {
        SCOPED_TRACE(label ? label : "(none)");
        int d = CreateProgressDialog("t", "i", 1, 0, label);
        ASSERT_GT(d, 0);
        ASSERT_EQ(SimulateKeyPress(d, RTE_KEY_ESCAPE), 0);
        EXPECT_EQ(UpdateProgressDialog(d, 10, 1), label ? 1 : 0);
        EXPECT_EQ(UpdateProgressDialog(d, 20, 1), 0);
        ASSERT_EQ(SimulateKeyPress(d, RTE_KEY_ESCAPE), 0);
        ASSERT_EQ(ProcessSystemEvents(), 0);  // pressed between updates: still reported once
        EXPECT_EQ(UpdateProgressDialog(d, 30, 0), label ? 1 : 0);
        EXPECT_EQ(UpdateProgressDialog(d, 30, 0), 0);
        EXPECT_EQ(DiscardProgressDialog(d), 0);
        takeUserEvents();
    }
}

// A callback and data of the application's own on the dialog panel (as chaining a
// callback installs) replace the panel's callback data: the dialog still finds its
// record, never writes into the application's data, and is freed on discard.
int foreignPanelEvents(int, int event, void *data, intptr_t, intptr_t) {
    static_cast<std::vector<int> *>(data)->push_back(event);
    return 0;
}

TEST_F(ProgressDialog, ForeignCallbackDataIsLeftAlone) {
    int d = CreateProgressDialog("t", "i", 0, 0, "Cancel");
    ASSERT_GT(d, 0);
    std::vector<int> events;
    ASSERT_EQ(InstallPanelCallback(d, foreignPanelEvents, &events), 0);
    ASSERT_EQ(SimulateKeyPress(d, RTE_KEY_ESCAPE), 0);
    EXPECT_EQ(UpdateProgressDialog(d, 60, 1), 1);
    EXPECT_EQ(shownPercent(d), 60);
    EXPECT_EQ(UpdateProgressDialog(d, 61, 1), 0);
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(DiscardProgressDialog(d), 0);
    EXPECT_EQ(events, (std::vector<int>{EVENT_DISCARD}));

    int e = CreateProgressDialog("t", "i", 0, 0, "Cancel");
    ASSERT_GT(e, 0);
    unsigned char words[16];
    std::memset(words, 0xBD, sizeof words);
    ASSERT_EQ(SetPanelAttribute(e, RTE_ATTR_CALLBACK_DATA, static_cast<void *>(words)), 0);
    ASSERT_EQ(SimulateKeyPress(e, RTE_KEY_ESCAPE), 0);
    EXPECT_EQ(UpdateProgressDialog(e, 5, 1), 1);
    for (unsigned char byte : words) EXPECT_EQ(byte, 0xBD);
    ASSERT_EQ(DiscardPanel(e), 0);  // the dialog's own callback still frees the record
}

// Every way a dialog ends lets go of its record: DiscardProgressDialog, DiscardPanel,
// the end of its thread. Another thread cannot discard it.
TEST_F(ProgressDialog, EveryEndFreesTheRecord) {
    int d = CreateProgressDialog("t", "i", 1, 0, "Cancel");
    ASSERT_GT(d, 0);
    EXPECT_EQ(tb::liveProgressDialogs(), baseline() + 1);
    int fromElsewhere = 0;
    std::thread([&] { fromElsewhere = DiscardProgressDialog(d); }).join();
    EXPECT_EQ(fromElsewhere, RTE_UIE_WRONG_THREAD);
    EXPECT_EQ(UpdateProgressDialog(d, 50, 1), 0);
    EXPECT_EQ(DiscardPanel(d), 0);
    EXPECT_EQ(tb::liveProgressDialogs(), baseline());

    LibraryErrorCounter errors;
    EXPECT_EQ(UpdateProgressDialog(d, 50, 1), RTE_UIE_INVALID_PANEL);
    EXPECT_EQ(DiscardProgressDialog(d), RTE_UIE_INVALID_PANEL);
    EXPECT_EQ(errors.reports(), 0);

    std::thread([] {
        EXPECT_GT(CreateProgressDialog("t", "i", 1, 2, ""), 0);
    }).join();
    EXPECT_EQ(tb::liveProgressDialogs(), baseline());
}

// A failure at each step of the making returns its code and leaves no panel, no record
// and no popup; so does a record that cannot be allocated, or a bad marker style.
TEST_F(ProgressDialog, EveryFailingStepLeavesNothing) {
    for (int modal : {0, 1}) {
        int pass = 0;
        for (;; ++pass) {
            SCOPED_TRACE("modal " + std::to_string(modal) + ", step " + std::to_string(pass));
            int before = newestPanel();
            tb::failDialogSteps(pass, RTE_UIE_OUT_OF_MEMORY);
            int d = CreateProgressDialog("t", "i", modal, 3, "Cancel");
            tb::failDialogSteps(0, 0);
            if (d > 0) {
                EXPECT_EQ(DiscardProgressDialog(d), 0);
                break;
            }
            EXPECT_EQ(d, RTE_UIE_OUT_OF_MEMORY);
            expectNoPanelsSince(before);
            EXPECT_EQ(tb::liveProgressDialogs(), baseline());
        }
        EXPECT_GT(pass, 25);  // every step was made to fail once
    }
    int before = newestPanel();
    tb::failAllocations(0, 1);
    EXPECT_EQ(CreateProgressDialog("t", "i", 0, 0, "Cancel"), RTE_UIE_OUT_OF_MEMORY);
    tb::failAllocations(0, 0);
    for (int style : {-1, 4, INT_MAX})
        EXPECT_EQ(CreateProgressDialog("t", "i", 1, style, "Cancel"),
                  RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    expectNoPanelsSince(before);
}

// Panel 0 or less does nothing; a panel that is no dialog is neither updated nor
// discarded, and its callback data is left as it was; no library errors are reported.
TEST_F(ProgressDialog, PanelsThatAreNoDialogs) {
    LibraryErrorCounter errors;
    for (int none : {0, -3}) {
        EXPECT_EQ(UpdateProgressDialog(none, 50, 1), 0);
        EXPECT_EQ(DiscardProgressDialog(none), 0);
    }
    ScopedPanel plain;
    int data = 7;
    ASSERT_EQ(SetPanelAttribute(plain, RTE_ATTR_CALLBACK_DATA, static_cast<void *>(&data)), 0);
    EXPECT_EQ(UpdateProgressDialog(plain, 50, 1), 0);
    EXPECT_EQ(DiscardProgressDialog(plain), RTE_UIE_INVALID_PANEL);
    EXPECT_EQ(panelInt(plain, RTE_ATTR_VISIBLE), 0);  // still there
    EXPECT_EQ(data, 7);
    EXPECT_EQ(UpdateProgressDialog(1 << 30, 50, 1), RTE_UIE_INVALID_PANEL);
    EXPECT_EQ(errors.reports(), 0);
}

// Another thread's user presses Cancel through the driver once the dialog shows 30%;
// the dialog's thread sees it in the next update.
class ProgressDialogThreads : public ProgressDialog {};

TEST_F(ProgressDialogThreads, UserOnAnotherThreadCancels) {
    int d = CreateProgressDialog("t", "i", 0, 0, "Cancel");
    ASSERT_GT(d, 0);
    DialogParts parts = partsOf(d);
    std::thread user([&] {
        double giveUp = Timer() + 10.0;
        int value = 0;
        while (Timer() < giveUp && GetCtrlVal(d, parts.indicator, &value) == 0 && value < 30)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        SimulateCtrlClick(d, parts.button, 1);
    });
    int cancelled = 0, last = 0;
    double giveUp = Timer() + 15.0;
    for (int step = 0; !cancelled && Timer() < giveUp; ++step) {
        last = step % 100;
        cancelled = UpdateProgressDialog(d, last, 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    user.join();
    EXPECT_EQ(cancelled, 1);
    EXPECT_GE(last, 30);
    EXPECT_EQ(DiscardProgressDialog(d), 0);
}

}  // namespace
