// The input driver and what input does (focus, clicks, commits, keys, shortcut keys,
// tab order, closing, modal popups), user events for GetUserEvent, timer controls, and
// the thread rules: wrong-thread calls, input from other threads, thread end.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "rtengine.h"
#include "test_support.h"
#include "ui_support.h"

using testing_support::ctrlInt;
using testing_support::EventLog;
using testing_support::LibraryErrorCounter;
using testing_support::panelInt;
using testing_support::processUntil;
using testing_support::ScopedPanel;
using testing_support::TakenUserEvent;
using testing_support::takeUserEvents;
using testing_support::UiEvent;

namespace {

class UiInput : public testing_support::ReleasedInputTest {
protected:
    // A shown panel with a logged button, an indicator and the panel callback logged.
    struct Dialog {
        EventLog log;
        ScopedPanel panel{0, 100, 100, 200, 300};
        int button = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "__OK", 20, 30);
        int indicator = NewCtrl(panel, RTE_CTRL_NUMERIC_INDICATOR, "n", 100, 30);
        Dialog() {
            log.watch(panel, button);
            log.watch(panel, indicator);
            log.watchPanel(panel);
            EXPECT_EQ(DisplayPanel(panel), 0);
        }
        int centreX(int c) const {
            return ctrlInt(panel, c, RTE_ATTR_LEFT) + ctrlInt(panel, c, RTE_ATTR_WIDTH) / 2;
        }
        int centreY(int c) const {
            return ctrlInt(panel, c, RTE_ATTR_TOP) + ctrlInt(panel, c, RTE_ATTR_HEIGHT) / 2;
        }
    };
};

// A click queues its events for the owning thread's next pass; the pointer state is
// visible at once. Then: focus, EVENT_LEFT_CLICK with y and x, the commit on release,
// and the commit as a user event with its panel and control.
TEST_F(UiInput, ClickFocusesClicksAndCommits) {
    Dialog d;
    const int x = d.centreX(d.button), y = d.centreY(d.button);
    ASSERT_EQ(SimulateMouseMove(d.panel, x, y), 0);
    ASSERT_EQ(SimulateMouseButton(1, 1), 0);
    int left = -1, right = -1, px = 0, py = 0;
    ASSERT_EQ(GetRelativeMouseState(d.panel, 0, &px, &py, &left, &right, nullptr), 0);
    EXPECT_EQ(px, x);
    EXPECT_EQ(py, y);
    EXPECT_EQ(left, 1);
    EXPECT_EQ(right, 0);
    ASSERT_EQ(SimulateMouseButton(1, 0), 0);
    EXPECT_TRUE(d.log.events().empty());  // nothing before the thread processes events

    ASSERT_EQ(ProcessSystemEvents(), 0);
    std::vector<UiEvent> expected = {{d.panel, d.button, EVENT_GOT_FOCUS, 0, 0},
                                     {d.panel, d.button, EVENT_LEFT_CLICK, y, x},
                                     {d.panel, d.button, EVENT_COMMIT, 0, 0}};
    EXPECT_EQ(d.log.events(), expected);
    EXPECT_EQ(GetActiveCtrl(d.panel), d.button);
    int panel = 0, control = 0;
    EXPECT_EQ(GetUserEvent(0, &panel, &control), EVENT_COMMIT);
    EXPECT_EQ(panel, int(d.panel));
    EXPECT_EQ(control, d.button);
    EXPECT_EQ(GetUserEvent(0, &panel, &control), 0);
}

// What a click on each kind of target sends: a stopped click or commit gets no commit
// or user event; a release elsewhere commits nothing; right clicks never commit;
// indicators are clicked but not focused; dimmed controls swallow the press; hidden
// controls let it through to the panel.
struct ClickCase {
    const char *name;
    std::function<void(int panel, int button, EventLog &log)> prepare;
    int mouseButton;
    bool releaseElsewhere;
    std::vector<int> buttonEvents;  // events the button's callback gets
    std::vector<int> panelEvents;
    bool userEvent;
};
void PrintTo(const ClickCase &c, std::ostream *out) { *out << c.name; }

class UiClicks : public UiInput, public ::testing::WithParamInterface<ClickCase> {};

TEST_P(UiClicks, DefaultActions) {
    const ClickCase &c = GetParam();
    Dialog d;
    if (c.prepare) c.prepare(d.panel, d.button, d.log);
    const int x = d.centreX(d.button), y = d.centreY(d.button);
    ASSERT_EQ(SimulateMouseMove(d.panel, x, y), 0);
    ASSERT_EQ(SimulateMouseButton(c.mouseButton, 1), 0);
    if (c.releaseElsewhere) {
        ASSERT_EQ(SimulateMouseMove(d.panel, 250, 180), 0);
    }
    ASSERT_EQ(SimulateMouseButton(c.mouseButton, 0), 0);
    ASSERT_EQ(ProcessSystemEvents(), 0);
    std::vector<int> buttonEvents, panelEvents;
    for (const UiEvent &e : d.log.events())
        (e.control == d.button ? buttonEvents : panelEvents).push_back(e.event);
    EXPECT_EQ(buttonEvents, c.buttonEvents);
    EXPECT_EQ(panelEvents, c.panelEvents);
    EXPECT_EQ(takeUserEvents().size(), c.userEvent ? 1u : 0u);
}

const ClickCase kClickCases[] = {
    {"plain", nullptr, 1, false, {8, 3, 1}, {}, true},
    {"clickStopped", [](int, int, EventLog &log) { log.stop(EVENT_LEFT_CLICK); }, 1, false,
     {8, 3}, {}, false},
    {"commitStopped", [](int, int, EventLog &log) { log.stop(EVENT_COMMIT); }, 1, false,
     {8, 3, 1}, {}, false},
    {"releasedElsewhere", nullptr, 1, true, {8, 3}, {}, false},
    {"rightButton", nullptr, 2, false, {5}, {}, false},
    {"indicatorMode",
     [](int p, int b, EventLog &) { SetCtrlAttribute(p, b, RTE_ATTR_CTRL_MODE, 0); }, 1, false,
     {3}, {}, false},
    {"dimmed", [](int p, int b, EventLog &) { SetCtrlAttribute(p, b, RTE_ATTR_DIMMED, 1); }, 1,
     false, {}, {}, false},
    {"hidden", [](int p, int b, EventLog &) { SetCtrlAttribute(p, b, RTE_ATTR_VISIBLE, 0); }, 1,
     false, {}, {3}, false},
    {"hiddenPanel", [](int p, int, EventLog &) { HidePanel(p); }, 1, false, {}, {}, false},
};
INSTANTIATE_TEST_SUITE_P(Table, UiClicks, ::testing::ValuesIn(kClickCases),
                         [](const ::testing::TestParamInfo<ClickCase> &c) {
                             return std::string(c.param.name);
                         });

// A press outside every control goes to the panel with y and x; the front-most of two
// overlapping controls gets a press, and a z-plane change swaps them.
TEST_F(UiInput, PressesFindTheFrontControlOrThePanel) {
    Dialog d;
    int under = NewCtrl(d.panel, RTE_CTRL_COMMAND_BUTTON, "__OK", 20, 30);  // newest: in front
    d.log.watch(d.panel, under);
    ASSERT_EQ(SimulateMouseMove(d.panel, 290, 190), 0);
    ASSERT_EQ(SimulateMouseButton(2, 1), 0);
    ASSERT_EQ(SimulateMouseButton(2, 0), 0);
    ASSERT_EQ(SimulateCtrlClick(d.panel, d.button, 1), 0);
    ASSERT_EQ(ProcessSystemEvents(), 0);  // hit-testing happens here
    ASSERT_EQ(SetCtrlAttribute(d.panel, under, RTE_ATTR_ZPLANE_POSITION, 2), 0);  // behind
    ASSERT_EQ(SimulateCtrlClick(d.panel, d.button, 1), 0);
    ASSERT_EQ(ProcessSystemEvents(), 0);
    EXPECT_EQ(d.log.events().front(), (UiEvent{d.panel, 0, EVENT_RIGHT_CLICK, 190, 290}));
    EXPECT_EQ(d.log.controlsGetting(EVENT_COMMIT), (std::vector<int>{under, d.button}));
}

// Keys: the active control sees EVENT_KEYPRESS first; stopping it stops the shortcut.
// Shortcut keys commit wherever the button is, also off the panel where no click can
// reach it, but not dimmed ones; Enter commits the focused button; Alt with a mnemonic commits its button.
TEST_F(UiInput, KeysShortcutsAndMnemonics) {
    Dialog d;
    int cancel = NewCtrl(d.panel, RTE_CTRL_COMMAND_BUTTON, "", -100, -100);
    d.log.watch(d.panel, cancel);
    ASSERT_EQ(SetCtrlAttribute(d.panel, d.button, RTE_ATTR_SHORTCUT_KEY, RTE_KEY_ENTER), 0);
    ASSERT_EQ(SetCtrlAttribute(d.panel, cancel, RTE_ATTR_SHORTCUT_KEY, RTE_KEY_ESCAPE), 0);
    EXPECT_EQ(RTE_KEY_ENTER, 1280);
    EXPECT_EQ(RTE_KEY_ESCAPE, 768);
    ASSERT_EQ(SimulateCtrlClick(d.panel, cancel, 1), 0);  // off the panel: not clickable
    ASSERT_EQ(ProcessSystemEvents(), 0);
    EXPECT_TRUE(d.log.events().empty());

    ASSERT_EQ(SimulateKeyPress(d.panel, RTE_KEY_ESCAPE), 0);
    ASSERT_EQ(SimulateKeyPress(0, RTE_KEY_ENTER), 0);  // the active panel: shown last
    ASSERT_EQ(ProcessSystemEvents(), 0);
    EXPECT_EQ(d.log.controlsGetting(EVENT_COMMIT), (std::vector<int>{cancel, d.button}));
    EXPECT_EQ(takeUserEvents(), (std::vector<TakenUserEvent>{{1, d.panel, cancel},
                                                              {1, d.panel, d.button}}));

    d.log.clear();
    ASSERT_EQ(SetActiveCtrl(d.panel, cancel), 0);
    ASSERT_EQ(SimulateKeyPress(d.panel, RTE_KEY_ENTER), 0);  // the focused one commits
    ASSERT_EQ(SimulateKeyPress(d.panel, RTE_KEY_MOD_ALT | 'o'), 0);
    ASSERT_EQ(SimulateModifierKeys(RTE_KEY_MOD_ALT), 0);
    ASSERT_EQ(SimulateKeyPress(d.panel, 'O'), 0);
    ASSERT_EQ(SimulateModifierKeys(0), 0);
    ASSERT_EQ(SimulateKeyPress(d.panel, 'o'), 0);  // no Alt: just a key
    ASSERT_EQ(ProcessSystemEvents(), 0);
    EXPECT_EQ(d.log.controlsGetting(EVENT_COMMIT), (std::vector<int>{cancel, d.button, d.button}));
    std::vector<UiEvent> keys;
    for (const UiEvent &e : d.log.events())
        if (e.event == EVENT_KEYPRESS) keys.push_back(e);
    ASSERT_EQ(keys.size(), 4u);
    EXPECT_EQ(keys[2].data1, RTE_KEY_MOD_ALT | 'O');
    EXPECT_EQ(keys[3], (UiEvent{d.panel, cancel, EVENT_KEYPRESS, 'o', 0}));

    d.log.clear();
    d.log.stop(EVENT_KEYPRESS);
    ASSERT_EQ(SimulateKeyPress(d.panel, RTE_KEY_ESCAPE), 0);
    d.log.stop(EVENT_KEYPRESS, 0);
    ASSERT_EQ(SetCtrlAttribute(d.panel, cancel, RTE_ATTR_DIMMED, 1), 0);
    ASSERT_EQ(SimulateKeyPress(d.panel, RTE_KEY_ESCAPE), 0);
    ASSERT_EQ(ProcessSystemEvents(), 0);
    EXPECT_TRUE(d.log.controlsGetting(EVENT_COMMIT).empty());
    EXPECT_TRUE(takeUserEvents().size() == 3u);
}

// Tab and Shift-Tab walk the tab order, wrapping, and skip indicators, dimmed and
// hidden controls and timers.
TEST_F(UiInput, TabOrderSkipsControlsThatCannotTakeTheFocus) {
    EventLog log;
    ScopedPanel panel;
    ASSERT_EQ(DisplayPanel(panel), 0);
    int a = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "a", 0, 0);
    NewCtrl(panel, RTE_CTRL_NUMERIC_INDICATOR, "indicator", 0, 0);
    int dimmed = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "d", 0, 0);
    NewCtrl(panel, RTE_CTRL_TIMER, "", 0, 0);
    int hidden = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "h", 0, 0);
    int hot = NewCtrl(panel, RTE_CTRL_NUMERIC_INDICATOR, "hot", 0, 0);
    int b = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "b", 0, 0);
    SetCtrlAttribute(panel, dimmed, RTE_ATTR_DIMMED, 1);
    SetCtrlAttribute(panel, hidden, RTE_ATTR_VISIBLE, 0);
    SetCtrlAttribute(panel, hot, RTE_ATTR_CTRL_MODE, RTE_CTRL_MODE_HOT);
    std::vector<int> visited;
    const int keys[] = {RTE_KEY_TAB, RTE_KEY_TAB, RTE_KEY_TAB, RTE_KEY_TAB,
                        RTE_KEY_MOD_SHIFT | RTE_KEY_TAB, RTE_KEY_MOD_SHIFT | RTE_KEY_TAB};
    for (int key : keys) {
        ASSERT_EQ(SimulateKeyPress(panel, key), 0);
        ASSERT_EQ(ProcessSystemEvents(), 0);
        visited.push_back(GetActiveCtrl(panel));
    }
    EXPECT_EQ(visited, (std::vector<int>{a, hot, b, a, b, hot}));
}

// Closing sends EVENT_CLOSE to the panel; unless it is stopped the close control
// commits, also as a user event.
TEST_F(UiInput, ClosingCommitsTheCloseControl) {
    Dialog d;
    ASSERT_EQ(SetPanelAttribute(d.panel, RTE_ATTR_CLOSE_CTRL, d.button), 0);
    ASSERT_EQ(SimulateClosePanel(d.panel), 0);
    ASSERT_EQ(ProcessSystemEvents(), 0);
    EXPECT_EQ(d.log.numbers(), (std::vector<int>{EVENT_CLOSE, EVENT_COMMIT}));
    EXPECT_EQ(takeUserEvents(), (std::vector<TakenUserEvent>{{1, d.panel, d.button}}));
    d.log.clear();
    d.log.stop(EVENT_CLOSE);
    ASSERT_EQ(SimulateClosePanel(d.panel), 0);
    ASSERT_EQ(ProcessSystemEvents(), 0);
    EXPECT_EQ(d.log.numbers(), (std::vector<int>{EVENT_CLOSE}));
    EXPECT_TRUE(takeUserEvents().empty());
}

// While a popup is installed only it and its child panels get input; GetUserEvent
// returns the popup's commits. Removing it lets input reach the other panel again.
TEST_F(UiInput, ModalPopupBlocksOtherPanels) {
    Dialog behind;
    Dialog popup;
    ASSERT_EQ(SetPanelAttribute(behind.panel, RTE_ATTR_CLOSE_CTRL, behind.button), 0);
    ASSERT_EQ(SetCtrlAttribute(behind.panel, behind.button, RTE_ATTR_SHORTCUT_KEY, 'x'), 0);
    int child = NewPanel(popup.panel, "child", 140, 150, 50, 100);
    int inChild = NewCtrl(child, RTE_CTRL_COMMAND_BUTTON, "c", 5, 5);
    popup.log.watch(child, inChild);
    ASSERT_EQ(DisplayPanel(child), 0);
    ASSERT_EQ(InstallPopup(popup.panel), 0);

    ASSERT_EQ(SimulateCtrlClick(behind.panel, behind.button, 1), 0);
    ASSERT_EQ(SimulateKeyPress(behind.panel, 'x'), 0);
    ASSERT_EQ(SimulateClosePanel(behind.panel), 0);
    ASSERT_EQ(SimulateCtrlClick(popup.panel, popup.button, 1), 0);
    ASSERT_EQ(SimulateCtrlClick(child, inChild, 1), 0);
    ASSERT_EQ(ProcessSystemEvents(), 0);
    EXPECT_TRUE(behind.log.events().empty());
    EXPECT_EQ(takeUserEvents(), (std::vector<TakenUserEvent>{{1, popup.panel, popup.button},
                                                              {1, child, inChild}}));

    ASSERT_EQ(RemovePopup(0), 0);
    ASSERT_EQ(SimulateKeyPress(behind.panel, 'x'), 0);
    ASSERT_EQ(ProcessSystemEvents(), 0);
    EXPECT_EQ(behind.log.controlsGetting(EVENT_COMMIT), (std::vector<int>{behind.button}));
}

// Child panels: a click aimed at the child reaches its control, mouse positions are
// relative to each panel and control, also outside them.
TEST_F(UiInput, ChildPanelsAndRelativeMouseState) {
    EventLog log;
    ScopedPanel parent(0, 100, 200, 300, 300);
    int child = NewPanel(parent, "child", 40, 50, 100, 100);
    int button = NewCtrl(child, RTE_CTRL_COMMAND_BUTTON, "b", 10, 20);
    log.watch(child, button);
    ASSERT_EQ(DisplayPanel(parent), 0);
    ASSERT_EQ(DisplayPanel(child), 0);
    // In screen terms: the front panel under the point, then the child under it.
    ASSERT_EQ(SimulateMouseMove(0, 200 + 50 + 21, 100 + 40 + 11), 0);
    int x, y, modifiers;
    ASSERT_EQ(GetRelativeMouseState(parent, 0, &x, &y, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(x, 71);
    EXPECT_EQ(y, 51);
    ASSERT_EQ(GetRelativeMouseState(child, button, &x, &y, nullptr, nullptr, &modifiers), 0);
    EXPECT_EQ(x, 1);
    EXPECT_EQ(y, 1);
    EXPECT_EQ(modifiers, 0);
    ASSERT_EQ(SimulateMouseButton(1, 1), 0);
    ASSERT_EQ(SimulateMouseButton(1, 0), 0);
    ASSERT_EQ(SimulateMouseMove(parent, -10, -20), 0);
    ASSERT_EQ(GetRelativeMouseState(child, button, &x, &y, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(x, -10 - 50 - 20);
    EXPECT_EQ(y, -20 - 40 - 10);
    ASSERT_EQ(ProcessSystemEvents(), 0);
    EXPECT_EQ(log.events(), (std::vector<UiEvent>{{child, button, 8, 0, 0},
                                                   {child, button, 3, 11, 21},
                                                   {child, button, 1, 0, 0}}));
}

// Bad driver arguments get codes; a key with no active panel goes nowhere.
TEST_F(UiInput, BadDriverArguments) {
    LibraryErrorCounter counter;
    EXPECT_EQ(SimulateMouseButton(3, 1), RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    EXPECT_EQ(SimulateMouseButton(1, 2), RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    EXPECT_EQ(SimulateMouseMove(0, 40000, 0), RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    EXPECT_EQ(SimulateMouseMove(-1, 0, 0), RTE_UIE_INVALID_PANEL);
    EXPECT_EQ(SimulateKeyPress(0, 0), RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    EXPECT_EQ(SimulateKeyPress(0, 0x0141), RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    EXPECT_EQ(SimulateModifierKeys(0x100000), RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    EXPECT_EQ(SimulateClosePanel(0), RTE_UIE_INVALID_PANEL);
    EXPECT_EQ(GetRelativeMouseState(0, 0, nullptr, nullptr, nullptr, nullptr, nullptr),
              RTE_UIE_INVALID_PANEL);
    EXPECT_EQ(counter.reports(), 9);
}

// A commit whose callback discards the panel leaves no user event behind.
TEST_F(UiInput, CommitOfADiscardedControlIsNotQueued) {
    ScopedPanel panel;
    ASSERT_EQ(DisplayPanel(panel), 0);
    int button = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "b", 0, 0);
    ASSERT_EQ(InstallCtrlCallback(
                  panel, button,
                  [](int p, int, int event, void *, intptr_t, intptr_t) {
                      if (event == EVENT_COMMIT) DiscardPanel(p);
                      return 0;
                  },
                  nullptr),
              0);
    ASSERT_EQ(SimulateCtrlClick(panel, button, 1), 0);
    ASSERT_EQ(ProcessSystemEvents(), 0);
    EXPECT_TRUE(takeUserEvents().empty());
}

// Commits stop being queued as user events once RTE_MAX_PENDING_COMMITS wait; their
// callbacks still see every one, and queuing resumes when the events are taken.
TEST_F(UiInput, PendingCommitsAreBounded) {
    Dialog d;
    ASSERT_EQ(SetCtrlAttribute(d.panel, d.button, RTE_ATTR_SHORTCUT_KEY, 'x'), 0);
    const int presses = RTE_MAX_PENDING_COMMITS + 10;
    for (int k = 0; k < presses; ++k) ASSERT_EQ(SimulateKeyPress(d.panel, 'x'), 0);
    ASSERT_EQ(ProcessSystemEvents(), 0);
    EXPECT_EQ(d.log.controlsGetting(EVENT_COMMIT).size(), size_t(presses));
    EXPECT_EQ(takeUserEvents().size(), size_t(RTE_MAX_PENDING_COMMITS));
    ASSERT_EQ(SimulateKeyPress(d.panel, 'x'), 0);
    ASSERT_EQ(ProcessSystemEvents(), 0);
    EXPECT_EQ(takeUserEvents().size(), 1u);
}

// ---- Timer controls ----

struct TickLog {
    std::vector<double> times;  // Timer() of each tick, as event data 1 points to it
    int discards = 0;
    std::function<void(int panel, int control)> onTick;
    static int callback(int panel, int control, int event, void *data, intptr_t d1, intptr_t) {
        auto *log = static_cast<TickLog *>(data);
        if (event == EVENT_DISCARD) ++log->discards;
        if (event != EVENT_TIMER_TICK) return 0;
        log->times.push_back(*reinterpret_cast<const double *>(d1));
        if (log->onTick) log->onTick(panel, control);
        return 0;
    }
};

class UiTimers : public UiInput {
protected:
    TickLog ticks;
    ScopedPanel panel;  // never displayed: timers tick on hidden panels
    int timer = NewCtrl(panel, RTE_CTRL_TIMER, "", 0, 0);
    void SetUp() override {
        UiInput::SetUp();
        ASSERT_EQ(InstallCtrlCallback(panel, timer, TickLog::callback, &ticks), 0);
    }
    void passes(int n) {
        for (int k = 0; k < n; ++k) ProcessSystemEvents();
    }
};

// Ticks come only from event passes, at most one per timer and pass, however late;
// event data 1 points to the tick's Timer() time.
TEST_F(UiTimers, TicksOnlyWhileProcessingAtMostOncePerPass) {
    ASSERT_EQ(SetCtrlAttribute(panel, timer, RTE_ATTR_INTERVAL, 0.02), 0);
    double start = Timer();
    std::this_thread::sleep_for(std::chrono::milliseconds(90));
    EXPECT_TRUE(ticks.times.empty());
    passes(1);
    ASSERT_EQ(ticks.times.size(), 1u);
    EXPECT_GE(ticks.times[0], start + 0.02);
    EXPECT_LE(ticks.times[0], Timer());
    passes(3);  // the countdown restarted at the tick: not due again yet
    EXPECT_EQ(ticks.times.size(), 1u);
    EXPECT_EQ(panelInt(panel, RTE_ATTR_VISIBLE), 0);
}

// Interval 0 ticks once on every pass; disabling stops the ticks and enabling restarts
// them; 1271 reads back.
TEST_F(UiTimers, IntervalZeroAndEnabling) {
    ASSERT_EQ(SetCtrlAttribute(panel, timer, RTE_ATTR_INTERVAL, 0.0), 0);
    passes(5);
    EXPECT_EQ(ticks.times.size(), 5u);
    ASSERT_EQ(SetCtrlAttribute(panel, timer, RTE_ATTR_ENABLED, 0), 0);
    EXPECT_EQ(ctrlInt(panel, timer, RTE_ATTR_ENABLED), 0);
    passes(3);
    EXPECT_EQ(ticks.times.size(), 5u);
    ASSERT_EQ(SetCtrlAttribute(panel, timer, RTE_ATTR_ENABLED, 1), 0);
    passes(2);
    EXPECT_EQ(ticks.times.size(), 7u);
    double interval = -1;
    ASSERT_EQ(GetCtrlAttribute(panel, timer, RTE_ATTR_INTERVAL, &interval), 0);
    EXPECT_EQ(interval, 0.0);
    EXPECT_EQ(SetCtrlAttribute(panel, timer, RTE_ATTR_INTERVAL, -0.5),
              RTE_UIE_INVALID_ATTRIBUTE_VALUE);
}

// The tick callback may set a new interval (restarting from then) and may run a nested
// pass, which does not tick the same timer again.
TEST_F(UiTimers, RestartAndNestedPassFromInsideTheTick) {
    ASSERT_EQ(SetCtrlAttribute(panel, timer, RTE_ATTR_INTERVAL, 0.0), 0);
    ticks.onTick = [&](int p, int c) {
        ProcessSystemEvents();
        if (ticks.times.size() == 2) SetCtrlAttribute(p, c, RTE_ATTR_INTERVAL, 3600.0);
    };
    passes(4);
    EXPECT_EQ(ticks.times.size(), 2u);
}

// A waiting GetUserEvent sleeps until the timer falls due, and its tick runs there.
TEST_F(UiTimers, WaitingGetUserEventWakesForADueTimer) {
    ticks.onTick = [&](int p, int c) { QueueUserEvent(1000, p, c); };
    ASSERT_EQ(SetCtrlAttribute(panel, timer, RTE_ATTR_INTERVAL, 0.05), 0);
    double start = Timer();
    int p = 0, c = 0;
    EXPECT_EQ(GetUserEvent(1, &p, &c), 1000);
    EXPECT_GE(Timer() - start, 0.04);
    EXPECT_EQ(p, int(panel));
    EXPECT_EQ(c, timer);
}

// Discarding the timer or its panel sends event 16, once; no tick follows.
TEST_F(UiTimers, DiscardSendsEventSixteen) {
    ASSERT_EQ(SetCtrlAttribute(panel, timer, RTE_ATTR_INTERVAL, 0.0), 0);
    ASSERT_EQ(DiscardPanel(panel), 0);
    passes(2);
    EXPECT_EQ(ticks.discards, 1);
    EXPECT_TRUE(ticks.times.empty());
}

// ---- Threads ----

// Calls that deliver callbacks or need the panel's window answer -134 on another thread;
// attribute calls, NewCtrl and the driver work there.
TEST(UiThreads, WrongThreadCallsAreRefused) {
    ScopedPanel panel;
    int button = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "b", 0, 0);
    std::vector<int> results;
    int made = 0;
    std::thread other([&] {
        results = {DiscardPanel(panel),     DiscardCtrl(panel, button), DisplayPanel(panel),
                   HidePanel(panel),        InstallPopup(panel),        RemovePopup(panel),
                   SetActiveCtrl(panel, button), NewPanel(panel, "child", 0, 0, 10, 10)};
        made = NewCtrl(panel, RTE_CTRL_TIMER, "", 0, 0);
        results.push_back(SetCtrlAttribute(panel, button, RTE_ATTR_LEFT, 7));
        results.push_back(SetPanelAttribute(panel, RTE_ATTR_TITLE, "from another thread"));
        results.push_back(SimulateKeyPress(panel, 'k'));
    });
    other.join();
    std::vector<int> expected(8, RTE_UIE_WRONG_THREAD);
    expected.insert(expected.end(), {0, 0, 0});
    EXPECT_EQ(results, expected);
    EXPECT_GT(made, 0);
    EXPECT_EQ(ctrlInt(panel, button, RTE_ATTR_LEFT), 7);
    EXPECT_EQ(panelInt(panel, RTE_ATTR_NUM_CTRLS), 2);
    EXPECT_EQ(panelInt(panel, RTE_ATTR_VISIBLE), 0);
}

// Input simulated on another thread is delivered on the panel's own thread, by its
// event processing; the commit comes back from its GetUserEvent.
TEST(UiThreads, InputFromAnotherThreadRunsOnTheOwner) {
    takeUserEvents();
    ScopedPanel panel;
    ASSERT_EQ(DisplayPanel(panel), 0);
    int button = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "b", 0, 0);
    std::atomic<unsigned> ranOn{0};
    ASSERT_EQ(InstallCtrlCallback(
                  panel, button,
                  [](int, int, int event, void *data, intptr_t, intptr_t) {
                      if (event == EVENT_COMMIT)
                          static_cast<std::atomic<unsigned> *>(data)->store(CmtGetCurrentThreadID());
                      return 0;
                  },
                  &ranOn),
              0);
    std::thread user([&] { EXPECT_EQ(SimulateCtrlClick(panel, button, 1), 0); });
    int p = 0, c = 0;
    EXPECT_EQ(GetUserEvent(1, &p, &c), EVENT_COMMIT);
    user.join();
    EXPECT_EQ(p, int(panel));
    EXPECT_EQ(c, button);
    EXPECT_EQ(ranOn.load(), CmtGetCurrentThreadID());
}

// A timer armed from another thread wakes its owner's waiting GetUserEvent.
TEST(UiThreads, TimerArmedFromAnotherThreadWakesTheOwner) {
    takeUserEvents();
    ScopedPanel panel;
    int timer = NewCtrl(panel, RTE_CTRL_TIMER, "", 0, 0);
    ASSERT_EQ(SetCtrlAttribute(panel, timer, RTE_ATTR_ENABLED, 0), 0);
    ASSERT_EQ(InstallCtrlCallback(
                  panel, timer,
                  [](int p, int c, int event, void *, intptr_t, intptr_t) {
                      if (event == EVENT_TIMER_TICK) {
                          QueueUserEvent(2000, p, c);
                          SetCtrlAttribute(p, c, RTE_ATTR_ENABLED, 0);
                      }
                      return 0;
                  },
                  nullptr),
              0);
    std::thread arm([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        SetCtrlAttribute(panel, timer, RTE_ATTR_INTERVAL, 0.0);
        SetCtrlAttribute(panel, timer, RTE_ATTR_ENABLED, 1);
    });
    EXPECT_EQ(GetUserEvent(1, nullptr, nullptr), 2000);
    arm.join();
}

// A thread's panels still alive when it ends are discarded on that thread, so their
// callbacks get event 16 there; the handles are invalid afterwards.
TEST(UiThreads, ThreadEndDiscardsItsPanelsOnThatThread) {
    struct Seen {
        std::atomic<unsigned> panelThread{0}, controlThread{0};
    } seen;
    unsigned worker = 0;
    int panel = 0, child = 0;
    std::thread owner([&] {
        worker = CmtGetCurrentThreadID();
        panel = NewPanel(0, "owned", 0, 0, 10, 10);
        child = NewPanel(panel, "child", 0, 0, 5, 5);
        int timer = NewCtrl(child, RTE_CTRL_TIMER, "", 0, 0);
        InstallPanelCallback(
            panel,
            [](int, int event, void *data, intptr_t, intptr_t) {
                if (event == EVENT_DISCARD)
                    static_cast<Seen *>(data)->panelThread = CmtGetCurrentThreadID();
                return 0;
            },
            &seen);
        InstallCtrlCallback(
            child, timer,
            [](int, int, int event, void *data, intptr_t, intptr_t) {
                if (event == EVENT_DISCARD)
                    static_cast<Seen *>(data)->controlThread = CmtGetCurrentThreadID();
                return 0;
            },
            &seen);
    });
    owner.join();
    EXPECT_EQ(seen.panelThread.load(), worker);
    EXPECT_EQ(seen.controlThread.load(), worker);
    int ignored;
    EXPECT_EQ(GetPanelAttribute(panel, RTE_ATTR_TOP, &ignored), RTE_UIE_INVALID_PANEL);
    EXPECT_EQ(GetPanelAttribute(child, RTE_ATTR_TOP, &ignored), RTE_UIE_INVALID_PANEL);
}

// Many threads make, use and discard panels at once; the model stays consistent.
TEST(UiThreads, ConcurrentPanelsAndAttributes) {
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&failures] {
            for (int k = 0; k < 50; ++k) {
                int panel = NewPanel(0, "p", 0, 0, 10, 10);
                int c = NewCtrl(panel, RTE_CTRL_NUMERIC_INDICATOR, "n", 0, 0);
                if (SetCtrlVal(panel, c, double(k)) != 0) ++failures;
                double v = -1;
                if (GetCtrlVal(panel, c, &v) != 0 || v != k) ++failures;
                if (DiscardPanel(panel) != 0) ++failures;
            }
        });
    for (auto &t : threads) t.join();
    EXPECT_EQ(failures.load(), 0);
}

}  // namespace
