// Extended mouse events driven by the input driver: moves and button releases as the
// polling sees them, enabling again, disabling, the end of polling on discards (run under
// LeakSanitizer: the record must be freed), coordinate conversion and bad input; and
// events enabled from a thread that does not own the panel.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <thread>

#include "loop_support.h"
#include "test_support.h"
#include "toolbox.h"
#include "toolbox_internal.h"
#include "ui_support.h"

using testing_support::expectNoLeaks;
using testing_support::Hook;
using testing_support::Hop;
using testing_support::Hops;
using testing_support::pump;
using testing_support::ScopedPanel;

namespace {

using testing_support::panelLinkCount;

// Ends the calling thread's delayed-call timer, dropping what waits in it, so a test
// starts and ends without polling calls of other tests.
void endDelayedCalls() {
    tb::LibraryThreadState *state = tb::threadState();
    tb::disposeDelayedCallTimer(state->delayedCallTimer);
    state->delayedCallTimer = nullptr;
}

// The calls waiting in the calling thread's delayed-call queue.
int queuedDelayedCalls() {
    tb::LibraryThreadState *state = tb::threadState();
    return state && state->delayedCallTimer ? ListNumItems(state->delayedCallTimer->queue) : 0;
}

class MouseEvents : public ::testing::Test {
protected:
    void SetUp() override {
        endDelayedCalls();
        button_ = NewCtrl(panel_, RTE_CTRL_COMMAND_BUTTON, "Go", 50, 60);
        ASSERT_GT(button_, 0);
        ASSERT_EQ(DisplayPanel(panel_), 0);  // hidden panels get no input
        ASSERT_EQ(InstallCtrlCallback(panel_, button_, Hook::onControl, &base_), 0);
        ASSERT_EQ(SimulateMouseMove(panel_, 5, 5), 0);
    }
    void TearDown() override {
        SimulateMouseButton(1, 0);
        SimulateMouseButton(2, 0);
        DiscardPanel(panel_);
        endDelayedCalls();
    }

    // The library's events the button's callback heard since the last look.
    std::vector<Hop> heard() {
        std::vector<Hop> out;
        for (const Hop &h : hops_.taken())
            if (h.event >= TbEventMouseMove && h.event <= TbEventLeftMouseUp) out.push_back(h);
        return out;
    }
    // Moves the pointer to the button's centre.
    Point toButton() {
        int top = 0, left = 0, height = 0, width = 0;
        EXPECT_EQ(GetCtrlBoundingRect(panel_, button_, &top, &left, &height, &width), 0);
        Point centre = MakePoint(left + width / 2, top + height / 2);
        EXPECT_EQ(SimulateMouseMove(panel_, centre.x, centre.y), 0);
        return centre;
    }

    // The hooks outlive the panel, whose discard they still hear.
    Hops hops_;
    Hook base_ = hops_.hook("base");
    ScopedPanel panel_;
    int button_ = 0;
};

// With interval 0 every event pass takes one sample: a move is sent once, with y in
// event data 1 and x in event data 2, as the last position of the sample; a still mouse
// sends nothing.
TEST_F(MouseEvents, MovesAreSentOncePerSampleThatChanged) {
    ASSERT_EQ(EnableExtendedMouseEvents(panel_, button_, 0.0), 0);
    pump(3);
    EXPECT_TRUE(heard().empty());
    ASSERT_EQ(SimulateMouseMove(panel_, 10, 20), 0);
    pump(1);
    EXPECT_EQ(heard(), (std::vector<Hop>{{"base", TbEventMouseMove, 20, 10}}));
    pump(3);
    EXPECT_TRUE(heard().empty());
    ASSERT_EQ(SimulateMouseMove(panel_, 11, 20), 0);
    ASSERT_EQ(SimulateMouseMove(panel_, -12, 321), 0);  // outside the panel too
    pump(1);
    EXPECT_EQ(heard(), (std::vector<Hop>{{"base", TbEventMouseMove, 321, -12}}));
}

// A press on the control followed by its release sends the button-up event once, for
// either button; a release without a press on the control sends nothing.
TEST_F(MouseEvents, ReleaseAfterAPressOnTheControlIsSentOnce) {
    ASSERT_EQ(EnableExtendedMouseEvents(panel_, button_, 0.0), 0);
    for (auto [button, event] :
         {std::pair<int, int>{1, TbEventLeftMouseUp}, {2, TbEventRightMouseUp}}) {
        Point centre = toButton();
        ASSERT_EQ(SimulateMouseButton(button, 1), 0);
        pump(3);
        ASSERT_EQ(SimulateMouseButton(button, 0), 0);
        pump(3);
        EXPECT_EQ(heard(), (std::vector<Hop>{{"base", TbEventMouseMove, centre.y, centre.x},
                                             {"base", event, centre.y, centre.x}}))
            << "button " << button;

        ASSERT_EQ(SimulateMouseMove(panel_, centre.x, 5), 0);  // above the control
        ASSERT_EQ(SimulateMouseButton(button, 1), 0);
        pump(3);
        ASSERT_EQ(SimulateMouseButton(button, 0), 0);
        pump(3);
        EXPECT_EQ(heard(), (std::vector<Hop>{{"base", TbEventMouseMove, 5, centre.x}}));
    }
}

// A button already held when the events are enabled sends its release.
TEST_F(MouseEvents, ButtonHeldAtEnablingSendsItsRelease) {
    ASSERT_EQ(SimulateMouseButton(1, 1), 0);
    pump(1);
    ASSERT_EQ(EnableExtendedMouseEvents(panel_, button_, 0.0), 0);
    pump(2);
    ASSERT_EQ(SimulateMouseButton(1, 0), 0);
    pump(3);
    EXPECT_EQ(heard(), (std::vector<Hop>{{"base", TbEventLeftMouseUp, 5, 5}}));
}

// Enabling again keeps one link and one polling call and applies the new interval.
TEST_F(MouseEvents, EnablingAgainChangesOnlyTheInterval) {
    ASSERT_EQ(EnableExtendedMouseEvents(panel_, button_, 0.0), 0);
    int queued = queuedDelayedCalls();
    ASSERT_EQ(EnableExtendedMouseEvents(panel_, button_, 1000.0), 0);
    EXPECT_EQ(queuedDelayedCalls(), queued);
    EXPECT_EQ(panelLinkCount(panel_), 1);
    ASSERT_EQ(SimulateMouseMove(panel_, 30, 30), 0);
    pump(1);  // the call queued with interval 0 samples and queues the next in 1000 s
    EXPECT_EQ(heard().size(), 1u);
    ASSERT_EQ(SimulateMouseMove(panel_, 31, 31), 0);
    pump(3);
    EXPECT_TRUE(heard().empty());
}

// Disabling silences the control and stops the polling (nothing stays queued, the
// thread's timer is disabled); enabling again resumes without a second link.
TEST_F(MouseEvents, DisablingStopsThePollingAndEnablingResumes) {
    ASSERT_EQ(EnableExtendedMouseEvents(panel_, button_, 0.0), 0);
    pump(1);
    ASSERT_EQ(DisableExtendedMouseEvents(panel_, button_), 0);
    EXPECT_EQ(DisableExtendedMouseEvents(panel_, button_), 0);
    pump(2);
    EXPECT_EQ(queuedDelayedCalls(), 0);
    tb::DelayedCallTimer *timer = tb::threadState()->delayedCallTimer;
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(testing_support::ctrlInt(timer->panel, timer->timerCtrl, RTE_ATTR_ENABLED), 0);
    ASSERT_EQ(SimulateMouseMove(panel_, 40, 40), 0);
    pump(3);
    EXPECT_TRUE(heard().empty());

    ASSERT_EQ(EnableExtendedMouseEvents(panel_, button_, 0.0), 0);
    EXPECT_EQ(queuedDelayedCalls(), 1);
    ASSERT_EQ(SimulateMouseMove(panel_, 41, 42), 0);
    pump(1);
    EXPECT_EQ(heard(), (std::vector<Hop>{{"base", TbEventMouseMove, 42, 41}}));
    EXPECT_EQ(panelLinkCount(panel_), 1);
}

// However the control goes, enabled or disabled, polling or not, as a control or with
// its panel, with or without its callback cleared first (the library's discards): the
// record is freed, nothing stays queued, and the control's other links are freed too.
TEST_F(MouseEvents, DiscardsEndThePollingAndFreeTheRecord) {
    struct Case {
        bool disable, wholePanel, clearFirst;
    };
    for (Case c : {Case{false, false, false}, Case{true, false, false}, Case{false, true, false},
                   Case{true, true, false}, Case{false, false, true}, Case{false, true, true}}) {
        SCOPED_TRACE(::testing::Message() << "disabled " << c.disable << ", panel " << c.wholePanel
                                          << ", cleared first " << c.clearFirst);
        endDelayedCalls();
        int panel = NewPanel(0, "p", 0, 0, 100, 100);
        int button = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "b", 10, 10);
        Hook user = hops_.hook("user");
        ASSERT_EQ(ChainCtrlCallback(panel, button, Hook::onControl, &user, "user"), 0);
        ASSERT_EQ(EnableExtendedMouseEvents(panel, button, 0.0), 0);
        pump(1);
        if (c.disable) {
            ASSERT_EQ(DisableExtendedMouseEvents(panel, button), 0);
            pump(2);
        }
        if (c.wholePanel)
            DiscardPanelNoBOLE(panel, c.clearFirst);
        else
            DiscardCtrlNoBOLE(panel, button, c.clearFirst);
        pump(3);
        EXPECT_EQ(queuedDelayedCalls(), 0);
        EXPECT_EQ(panelLinkCount(panel), 0);
        EXPECT_EQ(hops_.names(), (std::vector<std::string>{"user:16"}));
        DiscardPanelNoBOLE(panel, 0);
        expectNoLeaks();
    }
}

// Conversion into control coordinates and pinning into the control's pixels; a null
// pointer counts as 0 and is not written.
TEST_F(MouseEvents, ConvertMouseCoordinates) {
    // The button: left 60, top 50; its size from the engine.
    int width = testing_support::ctrlInt(panel_, button_, RTE_ATTR_WIDTH);
    int height = testing_support::ctrlInt(panel_, button_, RTE_ATTR_HEIGHT);
    struct Case {
        int relative, pin, x, y, wantX, wantY;
    };
    for (Case c : {Case{0, 0, 5, 7, 5, 7}, Case{1, 0, 5, 7, -55, -43}, Case{0, 1, 5, 7, 60, 50},
                   Case{1, 1, 5, 7, 0, 0}, Case{1, 1, 1000, 1000, width - 1, height - 1},
                   Case{0, 1, 1000, 52, 60 + width - 1, 52}, Case{1, 1, 61, 52, 1, 2}}) {
        int x = c.x, y = c.y;
        ASSERT_EQ(ConvertMouseCoordinates(panel_, button_, c.relative, c.pin, &x, &y), 0);
        EXPECT_EQ(x, c.wantX) << c.relative << c.pin << " " << c.x << "," << c.y;
        EXPECT_EQ(y, c.wantY) << c.relative << c.pin << " " << c.x << "," << c.y;
    }
    int y = 100;
    EXPECT_EQ(ConvertMouseCoordinates(panel_, button_, 1, 1, nullptr, &y), 0);
    EXPECT_EQ(y, height - 1);
    EXPECT_EQ(ConvertMouseCoordinates(panel_, button_, 1, 1, nullptr, nullptr), 0);
}

// Bad input gets its code and changes nothing: no link, no queued call, points as
// they were.
TEST_F(MouseEvents, BadInputGetsItsCode) {
    int gone = NewCtrl(panel_, RTE_CTRL_COMMAND_BUTTON, "gone", 0, 0);
    ASSERT_EQ(DiscardCtrl(panel_, gone), 0);
    int queued = queuedDelayedCalls();
    double nan = std::numeric_limits<double>::quiet_NaN();
    double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(EnableExtendedMouseEvents(panel_, gone, 0.0), RTE_UIE_INVALID_CONTROL);
    EXPECT_EQ(EnableExtendedMouseEvents(-1, button_, 0.0), RTE_UIE_INVALID_PANEL);
    for (double interval : {-0.5, nan, inf})
        EXPECT_EQ(EnableExtendedMouseEvents(panel_, button_, interval),
                  RTE_UIE_INVALID_ATTRIBUTE_VALUE)
            << interval;
    EXPECT_EQ(DisableExtendedMouseEvents(panel_, button_), -45);
    EXPECT_EQ(DisableExtendedMouseEvents(panel_, gone), RTE_UIE_INVALID_CONTROL);
    EXPECT_EQ(panelLinkCount(panel_), 0);
    EXPECT_EQ(queuedDelayedCalls(), queued);
    int x = 3, y = 4;
    EXPECT_EQ(ConvertMouseCoordinates(panel_, gone, 1, 1, &x, &y), RTE_UIE_INVALID_CONTROL);
    EXPECT_EQ(ConvertMouseCoordinates(panel_, gone, 0, 1, &x, &y), RTE_UIE_INVALID_CONTROL);
    EXPECT_EQ(x, 3);
    EXPECT_EQ(y, 4);
}

// ---- threads ----

// The panel belongs to one thread, the events are enabled, and polled, on another: the
// press reaches the watcher on the panel's thread, the release is sent on the polling
// thread, and the record is freed when the panel goes (under ThreadSanitizer: the
// record is never touched by both without the library's lock).
TEST(MouseThreads, EventsEnabledFromAnotherThread) {
    std::atomic<int> panel{0}, button{0};
    std::atomic<bool> discard{false}, done{false};
    std::thread owner([&] {
        int p = NewPanel(0, "owner", 0, 0, 100, 100);
        button = NewCtrl(p, RTE_CTRL_COMMAND_BUTTON, "b", 10, 10);
        DisplayPanel(p);
        panel = p;
        while (!discard) ProcessSystemEvents();
        DiscardPanel(p);
        done = true;
    });
    while (panel == 0) std::this_thread::yield();
    Hops hops;
    Hook user = hops.hook("user");
    ASSERT_EQ(ChainCtrlCallback(panel, button, Hook::onControl, &user, "user"), 0);
    ASSERT_EQ(EnableExtendedMouseEvents(panel, button, 0.0), 0);
    ASSERT_EQ(SimulateCtrlClick(panel, button, 1), 0);
    EXPECT_TRUE(testing_support::pumpUntil([&] {
        for (const Hop &h : hops.taken())
            if (h.event == TbEventLeftMouseUp) return true;
        return false;
    }));
    discard = true;
    owner.join();
    pump(3);
    EXPECT_EQ(queuedDelayedCalls(), 0);
    expectNoLeaks();
}

}  // namespace
