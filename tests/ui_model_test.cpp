// The user-interface model: handles, discard rules, attributes and their codes, chain,
// tab and z-plane order, labels and bounding rectangles, numeric data types, focus and
// popups.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "rtengine.h"
#include "test_support.h"
#include "ui_support.h"

using testing_support::chainOf;
using testing_support::ctrlInt;
using testing_support::EventLog;
using testing_support::LibraryErrorCounter;
using testing_support::orderBy;
using testing_support::panelInt;
using testing_support::ScopedPanel;
using testing_support::UiEvent;

namespace {

// Panel handles grow and are never handed out again; control ids start at 2 and are
// not reused within their panel after a discard.
TEST(UiModel, HandlesAreNeverReused) {
    int first = NewPanel(0, "a", 0, 0, 10, 10);
    ASSERT_GT(first, 0);
    ASSERT_EQ(DiscardPanel(first), 0);
    int second = NewPanel(0, "b", 0, 0, 10, 10);
    EXPECT_GT(second, first);

    int a = NewCtrl(second, RTE_CTRL_COMMAND_BUTTON, "a", 0, 0);
    int b = NewCtrl(second, RTE_CTRL_NUMERIC_INDICATOR, "b", 0, 0);
    EXPECT_EQ(a, 2);
    EXPECT_EQ(b, 3);
    ASSERT_EQ(DiscardCtrl(second, b), 0);
    EXPECT_EQ(NewCtrl(second, RTE_CTRL_TIMER, "", 0, 0), 4);
    EXPECT_EQ(DiscardPanel(second), 0);
}

// ---- Discard rules ----

// Everything a discard delivered, in order, from every callback of a panel tree.
struct DiscardRecorder {
    EventLog log;
    std::function<void(const UiEvent &)> during;  // runs inside each delivery
    static int onControl(int panel, int control, int event, void *data, intptr_t a, intptr_t b) {
        auto *self = static_cast<DiscardRecorder *>(data);
        EventLog::onControl(panel, control, event, &self->log, a, b);
        if (self->during) self->during({panel, control, event, a, b});
        return 1;  // results of a discard are ignored
    }
    static int onPanel(int panel, int event, void *data, intptr_t a, intptr_t b) {
        return onControl(panel, 0, event, data, a, b);
    }
};

// Child panels first, then the controls in chain order, then the panel; each callback
// gets event 16 exactly once, timer controls included, whatever the callbacks return.
TEST(UiDiscard, ChildrenThenControlsInChainOrderThenPanel) {
    DiscardRecorder rec;
    int parent = NewPanel(0, "parent", 0, 0, 200, 200);
    int child = NewPanel(parent, "child", 10, 10, 50, 50);
    int a = NewCtrl(parent, RTE_CTRL_COMMAND_BUTTON, "a", 0, 0);
    int b = NewCtrl(parent, RTE_CTRL_TIMER, "", 0, 0);
    int c = NewCtrl(parent, RTE_CTRL_NUMERIC_INDICATOR, "c", 0, 0);
    int inChild = NewCtrl(child, RTE_CTRL_COMMAND_BUTTON, "x", 0, 0);
    ASSERT_EQ(SetCtrlAttribute(parent, c, RTE_ATTR_CTRL_TAB_POSITION, 0), 0);  // chain c a b
    for (int id : {a, b, c})
        ASSERT_EQ(InstallCtrlCallback(parent, id, DiscardRecorder::onControl, &rec), 0);
    ASSERT_EQ(InstallCtrlCallback(child, inChild, DiscardRecorder::onControl, &rec), 0);
    ASSERT_EQ(InstallPanelCallback(parent, DiscardRecorder::onPanel, &rec), 0);
    ASSERT_EQ(InstallPanelCallback(child, DiscardRecorder::onPanel, &rec), 0);

    ASSERT_EQ(DiscardPanel(parent), 0);
    std::vector<UiEvent> expected = {{child, inChild, 16, 0, 0}, {child, 0, 16, 0, 0},
                                     {parent, c, 16, 0, 0},      {parent, a, 16, 0, 0},
                                     {parent, b, 16, 0, 0},      {parent, 0, 16, 0, 0}};
    EXPECT_EQ(rec.log.events(), expected);
    int ignored;
    EXPECT_EQ(GetPanelAttribute(child, RTE_ATTR_VISIBLE, &ignored), RTE_UIE_INVALID_PANEL);
}

// During its own discard an object still resolves and takes a new callback; the new
// callback never gets a second event 16, and discarding it again does nothing.
TEST(UiDiscard, ObjectStaysValidDuringItsOwnDiscard) {
    DiscardRecorder rec;
    EventLog late;
    int panel = NewPanel(0, "p", 0, 0, 100, 100);
    int ctrl = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "ok", 0, 0);
    ASSERT_EQ(InstallCtrlCallback(panel, ctrl, DiscardRecorder::onControl, &rec), 0);
    ASSERT_EQ(InstallPanelCallback(panel, DiscardRecorder::onPanel, &rec), 0);
    std::vector<int> seen;
    rec.during = [&](const UiEvent &e) {
        int left = -1;
        if (e.control) {
            seen.push_back(GetCtrlAttribute(panel, ctrl, RTE_ATTR_LEFT, &left));
            seen.push_back(InstallCtrlCallback(panel, ctrl, EventLog::onControl, &late));
            seen.push_back(DiscardCtrl(panel, ctrl));
        } else {
            seen.push_back(GetPanelAttribute(panel, RTE_ATTR_LEFT, &left));
            seen.push_back(InstallPanelCallback(panel, EventLog::onPanel, &late));
            seen.push_back(DiscardPanel(panel));
            seen.push_back(GetCtrlAttribute(panel, ctrl, RTE_ATTR_LEFT, &left));
        }
    };
    ASSERT_EQ(DiscardPanel(panel), 0);
    EXPECT_EQ(seen, (std::vector<int>{0, 0, 0, 0, 0, 0, RTE_UIE_INVALID_CONTROL}));
    EXPECT_EQ(rec.log.numbers(), (std::vector<int>{16, 16}));
    EXPECT_TRUE(late.events().empty());
}

// The function and data are read just before each delivery: a callback installed on a
// later object during the discard is the one that gets that object's event 16.
TEST(UiDiscard, CallbackReadJustBeforeDelivery) {
    DiscardRecorder rec;
    EventLog replacement;
    int panel = NewPanel(0, "p", 0, 0, 100, 100);
    int first = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "1", 0, 0);
    int second = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "2", 0, 0);
    ASSERT_EQ(InstallCtrlCallback(panel, first, DiscardRecorder::onControl, &rec), 0);
    ASSERT_EQ(InstallCtrlCallback(panel, second, DiscardRecorder::onControl, &rec), 0);
    ASSERT_EQ(InstallPanelCallback(panel, DiscardRecorder::onPanel, &rec), 0);
    rec.during = [&](const UiEvent &e) {
        if (e.control != first) return;
        InstallCtrlCallback(panel, second, EventLog::onControl, &replacement);
        InstallPanelCallback(panel, EventLog::onPanel, &replacement);
    };
    ASSERT_EQ(DiscardPanel(panel), 0);
    EXPECT_EQ(rec.log.controlsGetting(16), (std::vector<int>{first}));
    EXPECT_EQ(replacement.controlsGetting(16), (std::vector<int>{second, 0}));
}

// A link that, on discard, puts the previous callback back and calls it itself (the
// way callback chains unwind): the previous callback gets event 16 once, not twice.
struct Link {
    CtrlCallbackFn previous;
    void *previousData;
    int calls = 0;
    static int call(int panel, int control, int event, void *data, intptr_t a, intptr_t b) {
        auto *link = static_cast<Link *>(data);
        ++link->calls;
        if (event == EVENT_DISCARD)
            InstallCtrlCallback(panel, control, link->previous, link->previousData);
        return link->previous ? link->previous(panel, control, event, link->previousData, a, b)
                              : 0;
    }
};

TEST(UiDiscard, ReinstalledCallbackGetsNoSecondDelivery) {
    EventLog base;
    int panel = NewPanel(0, "p", 0, 0, 100, 100);
    int ctrl = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "b", 0, 0);
    base.watch(panel, ctrl);
    Link link{&EventLog::onControl, &base};
    ASSERT_EQ(InstallCtrlCallback(panel, ctrl, Link::call, &link), 0);
    ASSERT_EQ(DiscardCtrl(panel, ctrl), 0);
    EXPECT_EQ(link.calls, 1);
    EXPECT_EQ(base.numbers(), (std::vector<int>{16}));
    EXPECT_EQ(DiscardPanel(panel), 0);
}

// A discard from inside a discard of another object of the same tree finishes that
// object at once; the outer discard then skips it.
TEST(UiDiscard, NestedDiscardOfALaterControl) {
    DiscardRecorder rec;
    int panel = NewPanel(0, "p", 0, 0, 100, 100);
    int a = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "a", 0, 0);
    int b = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "b", 0, 0);
    for (int id : {a, b}) InstallCtrlCallback(panel, id, DiscardRecorder::onControl, &rec);
    rec.during = [&](const UiEvent &e) {
        if (e.control == a) {
            EXPECT_EQ(DiscardCtrl(panel, b), 0);
        }
    };
    ASSERT_EQ(DiscardPanel(panel), 0);
    EXPECT_EQ(rec.log.controlsGetting(16), (std::vector<int>{a, b}));
}

// New objects cannot be made on a panel being discarded, so the discard ends.
TEST(UiDiscard, NoNewObjectsOnAPanelBeingDiscarded) {
    DiscardRecorder rec;
    int panel = NewPanel(0, "p", 0, 0, 100, 100);
    int ctrl = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "a", 0, 0);
    InstallCtrlCallback(panel, ctrl, DiscardRecorder::onControl, &rec);
    std::vector<int> made;
    rec.during = [&](const UiEvent &) {
        made.push_back(NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "late", 0, 0));
        made.push_back(NewPanel(panel, "late", 0, 0, 10, 10));
    };
    ASSERT_EQ(DiscardPanel(panel), 0);
    EXPECT_EQ(made, (std::vector<int>{RTE_UIE_INVALID_PANEL, RTE_UIE_INVALID_PANEL}));
}

// After a discard every call answers with its code and nothing crashes; the failure is
// reported under the function's name.
struct DeadHandleCase {
    const char *name;
    std::function<int(int panel, int control)> call;
    int expected;  // for a discarded control on a live panel; panel gone: -45
};

void PrintTo(const DeadHandleCase &c, std::ostream *out) { *out << c.name; }

class UiDeadHandles : public ::testing::TestWithParam<DeadHandleCase> {};

TEST_P(UiDeadHandles, DiscardedPanelAndControlGiveCodes) {
    const DeadHandleCase &c = GetParam();
    int panel = NewPanel(0, "p", 0, 0, 100, 100);
    int ctrl = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "a", 0, 0);
    ASSERT_EQ(DiscardCtrl(panel, ctrl), 0);
    {
        LibraryErrorCounter counter;
        EXPECT_EQ(c.call(panel, ctrl), c.expected);
        EXPECT_EQ(counter.reports(), c.expected < 0 ? 1 : 0);
        if (c.expected < 0) {
            EXPECT_EQ(LibraryErrorCounter::lastFunction(), c.name);
        }
    }
    ASSERT_EQ(DiscardPanel(panel), 0);
    EXPECT_EQ(c.call(panel, ctrl), RTE_UIE_INVALID_PANEL);
}

int ignoredInt;
double ignoredDouble;
const DeadHandleCase kDeadHandleCases[] = {
    {"DiscardCtrl", [](int p, int c) { return DiscardCtrl(p, c); }, -42},
    {"GetCtrlAttribute",
     [](int p, int c) { return GetCtrlAttribute(p, c, RTE_ATTR_LEFT, &ignoredInt); }, -42},
    {"SetCtrlAttribute", [](int p, int c) { return SetCtrlAttribute(p, c, RTE_ATTR_LEFT, 1); },
     -42},
    {"InstallCtrlCallback", [](int p, int c) { return InstallCtrlCallback(p, c, nullptr, nullptr); },
     -42},
    {"SetCtrlVal", [](int p, int c) { return SetCtrlVal(p, c, 1.0); }, -42},
    {"GetCtrlVal", [](int p, int c) { return GetCtrlVal(p, c, &ignoredDouble); }, -42},
    {"SetActiveCtrl", [](int p, int c) { return SetActiveCtrl(p, c); }, -42},
    {"GetCtrlBoundingRect",
     [](int p, int c) { return GetCtrlBoundingRect(p, c, nullptr, nullptr, nullptr, nullptr); },
     -42},
    {"GetRelativeMouseState",
     [](int p, int c) {
         return GetRelativeMouseState(p, c, nullptr, nullptr, nullptr, nullptr, nullptr);
     },
     -42},
    {"SimulateCtrlClick", [](int p, int c) { return SimulateCtrlClick(p, c, 1); }, -42},
    {"SimulateKeyPress", [](int p, int) { return SimulateKeyPress(p, 'a'); }, 0},
    {"SimulateClosePanel", [](int p, int) { return SimulateClosePanel(p); }, 0},
    {"SimulateMouseMove", [](int p, int) { return SimulateMouseMove(p, 1, 1); }, 0},
    {"GetPanelAttribute",
     [](int p, int) { return GetPanelAttribute(p, RTE_ATTR_TOP, &ignoredInt); }, 0},
    {"SetPanelPos", [](int p, int) { return SetPanelPos(p, 1, 1); }, 0},
    {"HidePanel", [](int p, int) { return HidePanel(p); }, 0},
    {"InstallPanelCallback", [](int p, int) { return InstallPanelCallback(p, nullptr, nullptr); },
     0},
    {"NewCtrl",
     [](int p, int) {
         int made = NewCtrl(p, RTE_CTRL_TIMER, "", 0, 0);
         return made > 0 ? 0 : made;
     },
     0},
    {"NewPanel",
     [](int p, int) {
         int made = NewPanel(p, "", 0, 0, 1, 1);
         return made > 0 ? 0 : made;
     },
     0},
};
INSTANTIATE_TEST_SUITE_P(Calls, UiDeadHandles, ::testing::ValuesIn(kDeadHandleCases),
                         [](const ::testing::TestParamInfo<DeadHandleCase> &c) {
                             return std::string(c.param.name);
                         });

// ---- Attributes: codes, and nothing changes on failure ----

struct BadAttributeCase {
    int style;
    int attribute;
    int value;
    int expected;
};

class UiBadAttributes : public ::testing::TestWithParam<BadAttributeCase> {};

// A refused setting returns its code and leaves every int attribute of the control as
// it was.
TEST_P(UiBadAttributes, RefusedAndUnchanged) {
    const BadAttributeCase &c = GetParam();
    ScopedPanel panel;
    int ctrl = NewCtrl(panel, c.style, "label", 10, 10);
    NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "other", 0, 0);
    const int watched[] = {500, 530, 531, 532, 533, 540, 610, 612, 620, 670, 671, 710, 737,
                           974, 980, 982, 983, 1020, 1100, 1271};
    auto snapshot = [&] {
        std::vector<int> values;
        int breaking = SetBreakOnLibraryErrors(0);
        for (int a : watched) {
            int v = 0x5A5A5A5A;
            GetCtrlAttribute(panel, ctrl, a, &v);
            values.push_back(v);
        }
        SetBreakOnLibraryErrors(breaking);
        return values;
    };
    std::vector<int> before = snapshot();
    LibraryErrorCounter counter;
    EXPECT_EQ(SetCtrlAttribute(panel, ctrl, c.attribute, c.value), c.expected);
    EXPECT_EQ(counter.reports(), 1);
    EXPECT_EQ(snapshot(), before);
}

const BadAttributeCase kBadAttributeCases[] = {
    {RTE_CTRL_COMMAND_BUTTON, 999, 0, RTE_UIE_INVALID_ATTRIBUTE},
    {RTE_CTRL_COMMAND_BUTTON, 570, 0, RTE_UIE_INVALID_ATTRIBUTE},   // a panel attribute only
    {RTE_CTRL_COMMAND_BUTTON, 681, 0, RTE_UIE_INVALID_ATTRIBUTE},   // reserved
    {RTE_CTRL_COMMAND_BUTTON, RTE_ATTR_DATA_TYPE, 1, RTE_UIE_INVALID_ATTRIBUTE},
    {RTE_CTRL_COMMAND_BUTTON, RTE_ATTR_LABEL_TOP, 0, RTE_UIE_INVALID_ATTRIBUTE},
    {RTE_CTRL_COMMAND_BUTTON, RTE_ATTR_CTRL_STYLE, 112, RTE_UIE_INVALID_ATTRIBUTE},
    {RTE_CTRL_COMMAND_BUTTON, RTE_ATTR_NEXT_CTRL, 2, RTE_UIE_INVALID_ATTRIBUTE},
    {RTE_CTRL_COMMAND_BUTTON, RTE_ATTR_LABEL_WIDTH, 5, RTE_UIE_INVALID_ATTRIBUTE},
    {RTE_CTRL_COMMAND_BUTTON, RTE_ATTR_ENABLED, 1, RTE_UIE_INVALID_ATTRIBUTE},
    {RTE_CTRL_COMMAND_BUTTON, RTE_ATTR_DIMMED, 2, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
    {RTE_CTRL_COMMAND_BUTTON, RTE_ATTR_VISIBLE, -1, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
    {RTE_CTRL_COMMAND_BUTTON, RTE_ATTR_LEFT, 40000, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
    {RTE_CTRL_COMMAND_BUTTON, RTE_ATTR_TOP, RTE_AUTO_LABEL, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
    {RTE_CTRL_COMMAND_BUTTON, RTE_ATTR_WIDTH, -1, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
    {RTE_CTRL_COMMAND_BUTTON, RTE_ATTR_ZPLANE_POSITION, 2, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
    {RTE_CTRL_COMMAND_BUTTON, RTE_ATTR_CTRL_TAB_POSITION, -1, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
    {RTE_CTRL_COMMAND_BUTTON, RTE_ATTR_CTRL_MODE, 2, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
    {RTE_CTRL_COMMAND_BUTTON, RTE_ATTR_SHORTCUT_KEY, 0x0F00, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
    {RTE_CTRL_COMMAND_BUTTON, RTE_ATTR_SHORTCUT_KEY, 0x80000, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
    {RTE_CTRL_COMMAND_BUTTON, RTE_ATTR_SHORTCUT_KEY, 0x0541, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
    {RTE_CTRL_NUMERIC_INDICATOR, RTE_ATTR_DATA_TYPE, RTE_VAL_STRING,
     RTE_UIE_INVALID_ATTRIBUTE_VALUE},
    {RTE_CTRL_NUMERIC_INDICATOR, RTE_ATTR_DATA_TYPE, 9, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
    {RTE_CTRL_NUMERIC_INDICATOR, RTE_ATTR_LABEL_LEFT, -40000, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
    {RTE_CTRL_NUMERIC_INDICATOR, RTE_ATTR_LABEL_LEFT, RTE_AUTO_LABEL,
     RTE_UIE_INVALID_ATTRIBUTE_VALUE},
    {RTE_CTRL_NUMERIC_INDICATOR, RTE_ATTR_PRECISION, 16, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
    {RTE_CTRL_NUMERIC_INDICATOR, RTE_ATTR_FILL_COLOR, RTE_TRANSPARENT + 1,
     RTE_UIE_INVALID_ATTRIBUTE_VALUE},
    {RTE_CTRL_NUMERIC_INDICATOR, RTE_ATTR_MARKER_STYLE, 4, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
    {RTE_CTRL_NUMERIC_INDICATOR, RTE_ATTR_DIVISIONS, 0, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
    {RTE_CTRL_NUMERIC_INDICATOR, RTE_ATTR_SHORTCUT_KEY, 'a', RTE_UIE_INVALID_ATTRIBUTE},
    {RTE_CTRL_NUMERIC_INDICATOR, RTE_ATTR_LABEL_WIDTH, 1, RTE_UIE_INVALID_ATTRIBUTE},
    {RTE_CTRL_TIMER, RTE_ATTR_VISIBLE, 1, RTE_UIE_INVALID_ATTRIBUTE},
    {RTE_CTRL_TIMER, RTE_ATTR_CTRL_MODE, 1, RTE_UIE_INVALID_ATTRIBUTE},
    {RTE_CTRL_TIMER, RTE_ATTR_DIMMED, 1, RTE_UIE_INVALID_ATTRIBUTE},
    {RTE_CTRL_TIMER, RTE_ATTR_ENABLED, 2, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
    {RTE_CTRL_TIMER, RTE_ATTR_LABEL_LEFT, 0, RTE_UIE_INVALID_ATTRIBUTE},
    {RTE_CTRL_PICTURE, RTE_ATTR_FIT_MODE, RTE_FIT_ASPECT + 1, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
    {RTE_CTRL_PICTURE_RING, RTE_ATTR_FIT_MODE, -1, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
    {RTE_CTRL_COMMAND_BUTTON, RTE_ATTR_FIT_MODE, RTE_FIT_STRETCHED, RTE_UIE_INVALID_ATTRIBUTE},
    {RTE_CTRL_NUMERIC_INDICATOR, RTE_ATTR_FIT_MODE, RTE_FIT_CENTERED, RTE_UIE_INVALID_ATTRIBUTE},
};
INSTANTIATE_TEST_SUITE_P(Table, UiBadAttributes, ::testing::ValuesIn(kBadAttributeCases));

// Unknown styles, bad positions, null values and a read-only panel attribute.
TEST(UiModel, RefusedCallsChangeNothing) {
    ScopedPanel panel;
    LibraryErrorCounter counter;
    EXPECT_EQ(NewCtrl(panel, 201, "x", 0, 0), RTE_UIE_INVALID_CONTROL_STYLE);
    EXPECT_EQ(NewCtrl(panel, RTE_CTRL_TIMER, "x", 0, 40000), RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    EXPECT_EQ(NewCtrl(0, RTE_CTRL_TIMER, "x", 0, 0), RTE_UIE_INVALID_PANEL);
    EXPECT_EQ(panelInt(panel, RTE_ATTR_NUM_CTRLS), 0);
    EXPECT_EQ(NewPanel(0, "x", 0, 0, -1, 10), RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    EXPECT_EQ(NewPanel(-3, "x", 0, 0, 10, 10), RTE_UIE_INVALID_PANEL);
    int ctrl = NewCtrl(panel, RTE_CTRL_NUMERIC_INDICATOR, nullptr, 0, 0);
    EXPECT_EQ(GetCtrlAttribute(panel, ctrl, RTE_ATTR_LEFT, nullptr), RTE_UIE_NULL_ARGUMENT);
    EXPECT_EQ(GetPanelAttribute(panel, RTE_ATTR_LEFT, nullptr), RTE_UIE_NULL_ARGUMENT);
    EXPECT_EQ(SetCtrlAttribute(panel, ctrl, RTE_ATTR_LABEL_TEXT, (const char *)nullptr),
              RTE_UIE_NULL_ARGUMENT);
    EXPECT_EQ(SetPanelAttribute(panel, RTE_ATTR_TITLE, (const char *)nullptr),
              RTE_UIE_NULL_ARGUMENT);
    EXPECT_EQ(SetPanelAttribute(panel, RTE_ATTR_VISIBLE, 1), RTE_UIE_INVALID_ATTRIBUTE);
    EXPECT_EQ(SetPanelAttribute(panel, RTE_ATTR_PANEL_FIRST_CTRL, ctrl), RTE_UIE_INVALID_ATTRIBUTE);
    EXPECT_EQ(SetPanelAttribute(panel, RTE_ATTR_CLOSE_CTRL, 99), RTE_UIE_INVALID_CONTROL);
    EXPECT_EQ(SetPanelAttribute(panel, RTE_ATTR_SIZABLE, 3), RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    EXPECT_EQ(SetPanelAttribute(panel, 598, nullptr), RTE_UIE_INVALID_ATTRIBUTE);
    EXPECT_EQ(SetPanelPos(panel, 0, 40000), RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    EXPECT_EQ(counter.reports(), 15);
    EXPECT_EQ(panelInt(panel, RTE_ATTR_CLOSE_CTRL), 0);
    EXPECT_EQ(panelInt(panel, RTE_ATTR_SIZABLE), 1);
    EXPECT_EQ(panelInt(panel, RTE_ATTR_LEFT), 100);
    EXPECT_EQ(panelInt(panel, RTE_ATTR_NUM_CTRLS), 1);
    EXPECT_EQ(ctrlInt(panel, ctrl, RTE_ATTR_LABEL_TEXT_LENGTH), 0);
}

// Callback attributes read back exactly what was installed, a null function included,
// and data may be set without a function.
TEST(UiModel, CallbackAttributesRoundTrip) {
    EventLog log;
    ScopedPanel panel;
    int ctrl = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "ok", 0, 0);
    ASSERT_EQ(InstallCtrlCallback(panel, ctrl, EventLog::onControl, &log), 0);
    CtrlCallbackFn function = nullptr;
    void *data = nullptr;
    ASSERT_EQ(GetCtrlAttribute(panel, ctrl, RTE_ATTR_CALLBACK_FUNCTION_POINTER, &function), 0);
    ASSERT_EQ(GetCtrlAttribute(panel, ctrl, RTE_ATTR_CALLBACK_DATA, &data), 0);
    EXPECT_EQ(function, &EventLog::onControl);
    EXPECT_EQ(data, &log);
    ASSERT_EQ(SetCtrlAttribute(panel, ctrl, RTE_ATTR_CALLBACK_FUNCTION_POINTER, (void *)0), 0);
    ASSERT_EQ(GetCtrlAttribute(panel, ctrl, RTE_ATTR_CALLBACK_FUNCTION_POINTER, &function), 0);
    EXPECT_EQ(function, nullptr);

    int marker = 0;
    ASSERT_EQ(InstallPanelCallback(panel, nullptr, &marker), 0);
    PanelCallbackFn panelFunction = &EventLog::onPanel;
    ASSERT_EQ(GetPanelAttribute(panel, RTE_ATTR_CALLBACK_FUNCTION_POINTER, &panelFunction), 0);
    ASSERT_EQ(GetPanelAttribute(panel, RTE_ATTR_CALLBACK_DATA, &data), 0);
    EXPECT_EQ(panelFunction, nullptr);
    EXPECT_EQ(data, &marker);
}

// ---- Chain, tab and z-plane order ----

struct OrderMove {
    int control;  // index into the made controls
    int position;
    std::vector<int> expected;  // indices, in order
};

class UiOrder : public ::testing::TestWithParam<int> {};

// Setting 610 or 612 takes the control out and puts it at the index; the others close
// up. The chain (612 on the panel, then 613) always walks the tab order. New controls
// go last in tab order and in front in z-plane order.
TEST_P(UiOrder, MovesRenumberTheOthers) {
    const int attribute = GetParam();
    ScopedPanel panel;
    std::vector<int> made;
    for (int k = 0; k < 4; ++k) made.push_back(NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "b", 0, 0));
    auto ids = [&](std::vector<int> indices) {
        std::vector<int> out;
        for (int i : indices) out.push_back(made[size_t(i)]);
        return out;
    };
    const bool tab = attribute == RTE_ATTR_CTRL_TAB_POSITION;
    EXPECT_EQ(orderBy(panel, made, attribute), tab ? ids({0, 1, 2, 3}) : ids({3, 2, 1, 0}));
    const OrderMove moves[] = {
        {0, 3, tab ? std::vector<int>{1, 2, 3, 0} : std::vector<int>{3, 2, 1, 0}},
        {2, 0, tab ? std::vector<int>{2, 1, 3, 0} : std::vector<int>{2, 3, 1, 0}},
        {3, 1, tab ? std::vector<int>{2, 3, 1, 0} : std::vector<int>{2, 3, 1, 0}},
        {1, 1, tab ? std::vector<int>{2, 1, 3, 0} : std::vector<int>{2, 1, 3, 0}},
    };
    for (const OrderMove &move : moves) {
        SCOPED_TRACE(move.position);
        ASSERT_EQ(SetCtrlAttribute(panel, made[size_t(move.control)], attribute, move.position), 0);
        EXPECT_EQ(orderBy(panel, made, attribute), ids(move.expected));
        if (tab) {
            EXPECT_EQ(chainOf(panel), ids(move.expected));
        }
    }
    ASSERT_EQ(DiscardCtrl(panel, made[1]), 0);
    made.erase(made.begin() + 1);
    EXPECT_EQ(orderBy(panel, made, attribute), ids(tab ? std::vector<int>{1, 2, 0}
                                                       : std::vector<int>{1, 2, 0}));
    int fresh = NewCtrl(panel, RTE_CTRL_TIMER, "", 0, 0);
    EXPECT_EQ(ctrlInt(panel, fresh, attribute), tab ? 3 : 0);
    EXPECT_EQ(chainOf(panel).back(), fresh);
}

INSTANTIATE_TEST_SUITE_P(Attributes, UiOrder,
                         ::testing::Values(RTE_ATTR_CTRL_TAB_POSITION, RTE_ATTR_ZPLANE_POSITION));

// An empty panel has no first control.
TEST(UiOrder, EmptyChain) {
    ScopedPanel panel;
    EXPECT_EQ(panelInt(panel, RTE_ATTR_PANEL_FIRST_CTRL), 0);
    int only = NewCtrl(panel, RTE_CTRL_TIMER, "", 0, 0);
    EXPECT_EQ(chainOf(panel), (std::vector<int>{only}));
}

// ---- Labels and bounding rectangles ----

struct RectValues {
    int top, left, height, width;
    bool operator==(const RectValues &o) const {
        return top == o.top && left == o.left && height == o.height && width == o.width;
    }
};
std::ostream &operator<<(std::ostream &out, const RectValues &r) {
    return out << "(" << r.top << ", " << r.left << ", " << r.height << ", " << r.width << ")";
}
RectValues boundsOf(int panel, int ctrl) {
    RectValues r{-1, -1, -1, -1};
    EXPECT_EQ(GetCtrlBoundingRect(panel, ctrl, &r.top, &r.left, &r.height, &r.width), 0);
    return r;
}

// The automatic label sits above the control, left-aligned, and moves with it; a label
// set to a place keeps its offset when the control moves; the bounding rectangle holds
// both, and leaves out a hidden or empty label.
TEST(UiLabels, AutomaticLabelAndBoundingRectangle) {
    ScopedPanel panel;
    int ctrl = NewCtrl(panel, RTE_CTRL_NUMERIC_INDICATOR, "Value", 50, 40);
    const int lw = ctrlInt(panel, ctrl, RTE_ATTR_LABEL_WIDTH);
    const int lh = ctrlInt(panel, ctrl, RTE_ATTR_LABEL_HEIGHT);
    ASSERT_GT(lw, 0);
    ASSERT_GT(lh, 0);
    ASSERT_LT(lw, 100);
    const int labelTop = ctrlInt(panel, ctrl, RTE_ATTR_LABEL_TOP);
    EXPECT_LT(labelTop + lh, 50 + 1);
    EXPECT_EQ(ctrlInt(panel, ctrl, RTE_ATTR_LABEL_LEFT), 40);
    EXPECT_EQ(boundsOf(panel, ctrl), (RectValues{labelTop, 40, 50 + 20 - labelTop, 100}));

    ASSERT_EQ(SetCtrlAttribute(panel, ctrl, RTE_ATTR_TOP, 80), 0);  // still automatic
    EXPECT_EQ(ctrlInt(panel, ctrl, RTE_ATTR_LABEL_TOP), labelTop + 30);

    // Put on the left, as a layout helper does: left, automatic, left again.
    ASSERT_EQ(SetCtrlAttribute(panel, ctrl, RTE_ATTR_LABEL_LEFT, 40 - lw - 1), 0);
    ASSERT_EQ(SetCtrlAttribute(panel, ctrl, RTE_ATTR_LABEL_TOP, RTE_AUTO_LABEL), 0);
    EXPECT_EQ(ctrlInt(panel, ctrl, RTE_ATTR_LABEL_LEFT), 40);
    ASSERT_EQ(SetCtrlAttribute(panel, ctrl, RTE_ATTR_LABEL_LEFT, 40 - lw - 5), 0);
    ASSERT_EQ(SetCtrlAttribute(panel, ctrl, RTE_ATTR_LABEL_TOP, 85), 0);
    EXPECT_EQ(boundsOf(panel, ctrl), (RectValues{80, 40 - lw - 5, 20, 100 + lw + 5}));
    ASSERT_EQ(SetCtrlAttribute(panel, ctrl, RTE_ATTR_LEFT, 140), 0);
    EXPECT_EQ(ctrlInt(panel, ctrl, RTE_ATTR_LABEL_LEFT), 140 - lw - 5);
    EXPECT_EQ(ctrlInt(panel, ctrl, RTE_ATTR_LABEL_TOP), 85);

    ASSERT_EQ(SetCtrlAttribute(panel, ctrl, RTE_ATTR_LABEL_VISIBLE, 0), 0);
    EXPECT_EQ(boundsOf(panel, ctrl), (RectValues{80, 140, 20, 100}));
    ASSERT_EQ(SetCtrlAttribute(panel, ctrl, RTE_ATTR_LABEL_VISIBLE, 1), 0);
    ASSERT_EQ(SetCtrlAttribute(panel, ctrl, RTE_ATTR_LABEL_TEXT, ""), 0);
    EXPECT_EQ(ctrlInt(panel, ctrl, RTE_ATTR_LABEL_WIDTH), 0);
    EXPECT_EQ(boundsOf(panel, ctrl), (RectValues{80, 140, 20, 100}));
    int top = 0;
    EXPECT_EQ(GetCtrlBoundingRect(panel, ctrl, &top, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(top, 80);
}

// "__" markers are not drawn: they count neither in the label's width nor in a
// button's size, and the text reads back as given.
TEST(UiLabels, MnemonicMarkersAreNotMeasured) {
    ScopedPanel panel;
    int plain = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "OK", 0, 0);
    int marked = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "__OK", 0, 0);
    int spaced = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "  __Cancel  ", 0, 0);
    int cancel = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "  Cancel  ", 0, 0);
    for (int a : std::initializer_list<int>{RTE_ATTR_LABEL_WIDTH, RTE_ATTR_LABEL_HEIGHT,
                                            RTE_ATTR_WIDTH, RTE_ATTR_HEIGHT}) {
        EXPECT_EQ(ctrlInt(panel, marked, a), ctrlInt(panel, plain, a)) << a;
        EXPECT_EQ(ctrlInt(panel, spaced, a), ctrlInt(panel, cancel, a)) << a;
    }
    EXPECT_EQ(ctrlInt(panel, marked, RTE_ATTR_LABEL_TEXT_LENGTH), 4);
    char text[8];
    std::memset(text, 0x7F, sizeof text);
    ASSERT_EQ(GetCtrlAttribute(panel, marked, RTE_ATTR_LABEL_TEXT, text), 0);
    EXPECT_STREQ(text, "__OK");
    EXPECT_EQ(text[5], 0x7F);  // exactly length + 1 bytes written
    // A button follows its caption until a size is set.
    ASSERT_EQ(SetCtrlAttribute(panel, plain, RTE_ATTR_LABEL_TEXT, "Longer caption"), 0);
    EXPECT_GT(ctrlInt(panel, plain, RTE_ATTR_WIDTH), ctrlInt(panel, marked, RTE_ATTR_WIDTH));
    ASSERT_EQ(SetCtrlAttribute(panel, plain, RTE_ATTR_WIDTH, 30), 0);
    ASSERT_EQ(SetCtrlAttribute(panel, plain, RTE_ATTR_LABEL_TEXT, "x"), 0);
    EXPECT_EQ(ctrlInt(panel, plain, RTE_ATTR_WIDTH), 30);
    // A button's label is inside it: the bounding rectangle is the button.
    RectValues r = boundsOf(panel, plain);
    EXPECT_EQ(r, (RectValues{0, 0, ctrlInt(panel, plain, RTE_ATTR_HEIGHT), 30}));
}

// ---- Numeric data types ----

struct DataTypeCase {
    int type;
    size_t size;
    double low, high;  // the type's own range
};

class UiNumeric : public ::testing::TestWithParam<DataTypeCase> {
protected:
    // Sets a data-typed attribute the way a C caller passes a value of that type.
    static int setTyped(int panel, int ctrl, int attribute, int type, double v) {
        if (type == RTE_VAL_FLOAT || type == RTE_VAL_DOUBLE)
            return SetCtrlAttribute(panel, ctrl, attribute, v);
        if (type == RTE_VAL_UNSIGNED_INTEGER)
            return SetCtrlAttribute(panel, ctrl, attribute, (unsigned int)v);
        return SetCtrlAttribute(panel, ctrl, attribute, (int)v);
    }
    // Reads into a poisoned buffer; checks that exactly `size` bytes were written.
    static double getTyped(int panel, int ctrl, int attribute, const DataTypeCase &c) {
        unsigned char buffer[16];
        std::memset(buffer, 0xBD, sizeof buffer);
        EXPECT_EQ(GetCtrlAttribute(panel, ctrl, attribute, buffer), 0);
        for (size_t k = c.size; k < sizeof buffer; ++k) EXPECT_EQ(buffer[k], 0xBD) << k;
        switch (c.type) {
        case RTE_VAL_CHAR: return double(int8_t(buffer[0]));
        case RTE_VAL_UNSIGNED_CHAR: return double(buffer[0]);
        case RTE_VAL_SHORT: { int16_t v; std::memcpy(&v, buffer, 2); return v; }
        case RTE_VAL_UNSIGNED_SHORT: { uint16_t v; std::memcpy(&v, buffer, 2); return v; }
        case RTE_VAL_INTEGER: { int32_t v; std::memcpy(&v, buffer, 4); return v; }
        case RTE_VAL_UNSIGNED_INTEGER: { uint32_t v; std::memcpy(&v, buffer, 4); return v; }
        case RTE_VAL_FLOAT: { float v; std::memcpy(&v, buffer, 4); return v; }
        default: { double v; std::memcpy(&v, buffer, 8); return v; }
        }
    }
};

// The typed attributes write exactly sizeof(type) bytes, take the promoted argument
// type, accept the type's extremes and refuse what does not fit or lies out of range.
TEST_P(UiNumeric, TypedAttributesFollowTheDataType) {
    const DataTypeCase &c = GetParam();
    ScopedPanel panel;
    int ctrl = NewCtrl(panel, RTE_CTRL_NUMERIC_INDICATOR, "n", 30, 10);
    ASSERT_EQ(SetCtrlAttribute(panel, ctrl, RTE_ATTR_DATA_TYPE, c.type), 0);
    EXPECT_EQ(getTyped(panel, ctrl, RTE_ATTR_MIN_VALUE, c), c.low);
    EXPECT_EQ(getTyped(panel, ctrl, RTE_ATTR_MAX_VALUE, c), c.high);
    ASSERT_EQ(setTyped(panel, ctrl, RTE_ATTR_CTRL_VAL, c.type, c.high), 0);
    EXPECT_EQ(getTyped(panel, ctrl, RTE_ATTR_CTRL_VAL, c), c.high);
    ASSERT_EQ(setTyped(panel, ctrl, RTE_ATTR_CTRL_VAL, c.type, c.low), 0);
    EXPECT_EQ(getTyped(panel, ctrl, RTE_ATTR_CTRL_VAL, c), c.low);

    // A range inside the type; the value moves into it.
    ASSERT_EQ(setTyped(panel, ctrl, RTE_ATTR_MIN_VALUE, c.type, 2), 0);
    ASSERT_EQ(setTyped(panel, ctrl, RTE_ATTR_MAX_VALUE, c.type, 100), 0);
    EXPECT_EQ(getTyped(panel, ctrl, RTE_ATTR_CTRL_VAL, c), 2);
    ASSERT_EQ(setTyped(panel, ctrl, RTE_ATTR_CTRL_VAL, c.type, 77), 0);
    ASSERT_EQ(setTyped(panel, ctrl, RTE_ATTR_INCR_VALUE, c.type, 5), 0);
    unsigned char value[16];
    std::memset(value, 0xBD, sizeof value);
    ASSERT_EQ(GetCtrlVal(panel, ctrl, value), 0);
    EXPECT_EQ(value[c.size], 0xBD);
    EXPECT_EQ(getTyped(panel, ctrl, RTE_ATTR_INCR_VALUE, c), 5);

    // Refused: out of range, out of order, an increment below 0; nothing changes.
    EXPECT_EQ(setTyped(panel, ctrl, RTE_ATTR_CTRL_VAL, c.type, 101), RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    EXPECT_EQ(setTyped(panel, ctrl, RTE_ATTR_CTRL_VAL, c.type, 1), RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    EXPECT_EQ(setTyped(panel, ctrl, RTE_ATTR_MAX_VALUE, c.type, 1), RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    EXPECT_EQ(setTyped(panel, ctrl, RTE_ATTR_MIN_VALUE, c.type, 101), RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    if (c.low < 0) {
        EXPECT_EQ(setTyped(panel, ctrl, RTE_ATTR_INCR_VALUE, c.type, -1),
                  RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    }
    EXPECT_EQ(getTyped(panel, ctrl, RTE_ATTR_CTRL_VAL, c), 77);
    EXPECT_EQ(getTyped(panel, ctrl, RTE_ATTR_MIN_VALUE, c), 2);
    EXPECT_EQ(getTyped(panel, ctrl, RTE_ATTR_MAX_VALUE, c), 100);
}

// A whole-number type refuses a fraction; a value beyond the type is refused before the
// range is looked at.
TEST_P(UiNumeric, ValuesThatDoNotFitTheTypeAreRefused) {
    const DataTypeCase &c = GetParam();
    ScopedPanel panel;
    int ctrl = NewCtrl(panel, RTE_CTRL_NUMERIC_INDICATOR, "n", 30, 10);
    ASSERT_EQ(SetCtrlAttribute(panel, ctrl, RTE_ATTR_DATA_TYPE, c.type), 0);
    const bool integral = c.type != RTE_VAL_FLOAT && c.type != RTE_VAL_DOUBLE;
    if (!integral) {
        EXPECT_EQ(SetCtrlVal(panel, ctrl, 2.5), 0);
        EXPECT_EQ(SetCtrlVal(panel, ctrl, 0.0 / 0.0), RTE_UIE_INVALID_ATTRIBUTE_VALUE);
        return;
    }
    if (c.size < 4) {
        EXPECT_EQ(SetCtrlVal(panel, ctrl, int(c.high) + 1), RTE_UIE_INVALID_ATTRIBUTE_VALUE);
        EXPECT_EQ(SetCtrlVal(panel, ctrl, int(c.low) - 1), RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    }
    EXPECT_EQ(getTyped(panel, ctrl, RTE_ATTR_CTRL_VAL, c), 0);
}

const DataTypeCase kDataTypes[] = {
    {RTE_VAL_CHAR, 1, -128, 127},
    {RTE_VAL_INTEGER, 4, -2147483648.0, 2147483647.0},
    {RTE_VAL_SHORT, 2, -32768, 32767},
    {RTE_VAL_FLOAT, 4, -3.4028234663852886e38, 3.4028234663852886e38},
    {RTE_VAL_DOUBLE, 8, -1.7976931348623157e308, 1.7976931348623157e308},
    {RTE_VAL_UNSIGNED_SHORT, 2, 0, 65535},
    {RTE_VAL_UNSIGNED_INTEGER, 4, 0, 4294967295.0},
    {RTE_VAL_UNSIGNED_CHAR, 1, 0, 255},
};
INSTANTIATE_TEST_SUITE_P(Types, UiNumeric, ::testing::ValuesIn(kDataTypes),
                         [](const ::testing::TestParamInfo<DataTypeCase> &c) {
                             return "type" + std::to_string(c.param.type);
                         });

// Changing the data type converts the value and the range: truncated toward zero and
// clamped to the new type.
TEST(UiNumeric, ChangingTheTypeConvertsValues) {
    ScopedPanel panel;
    int ctrl = NewCtrl(panel, RTE_CTRL_NUMERIC_INDICATOR, "n", 30, 10);
    ASSERT_EQ(SetCtrlVal(panel, ctrl, 300.7), 0);
    ASSERT_EQ(SetCtrlAttribute(panel, ctrl, RTE_ATTR_DATA_TYPE, RTE_VAL_INTEGER), 0);
    int asInt = 0;
    ASSERT_EQ(GetCtrlVal(panel, ctrl, &asInt), 0);
    EXPECT_EQ(asInt, 300);
    ASSERT_EQ(SetCtrlAttribute(panel, ctrl, RTE_ATTR_DATA_TYPE, RTE_VAL_UNSIGNED_CHAR), 0);
    unsigned char asByte = 0;
    ASSERT_EQ(GetCtrlVal(panel, ctrl, &asByte), 0);
    EXPECT_EQ(asByte, 255);
    ASSERT_EQ(SetCtrlAttribute(panel, ctrl, RTE_ATTR_DATA_TYPE, RTE_VAL_UNSIGNED_INTEGER), 0);
    ASSERT_EQ(SetCtrlAttribute(panel, ctrl, RTE_ATTR_MAX_VALUE, 4294967295u), 0);
    ASSERT_EQ(SetCtrlVal(panel, ctrl, 4294967295u), 0);
    unsigned int asUnsigned = 0;
    ASSERT_EQ(GetCtrlVal(panel, ctrl, &asUnsigned), 0);
    EXPECT_EQ(asUnsigned, 4294967295u);
    // A command button's value reads as 0 and cannot be set; a timer has none.
    int button = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "b", 0, 0);
    int value = 7;
    ASSERT_EQ(GetCtrlVal(panel, button, &value), 0);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(SetCtrlVal(panel, button, 1), RTE_UIE_INVALID_ATTRIBUTE);
    int timer = NewCtrl(panel, RTE_CTRL_TIMER, "", 0, 0);
    EXPECT_EQ(GetCtrlVal(panel, timer, &value), RTE_UIE_INVALID_ATTRIBUTE);
}

// ---- Panels ----

// Centring uses the 1024 x 768 screen for top-level panels and the parent for child
// panels; the title and the parent read back.
TEST(UiPanels, PositionTitleAndParent) {
    ScopedPanel top(0, RTE_AUTO_CENTER, RTE_AUTO_CENTER, 100, 300);
    EXPECT_EQ(panelInt(top, RTE_ATTR_TOP), (768 - 100) / 2);
    EXPECT_EQ(panelInt(top, RTE_ATTR_LEFT), (1024 - 300) / 2);
    ASSERT_EQ(SetPanelAttribute(top, RTE_ATTR_HEIGHT, 200), 0);
    ASSERT_EQ(SetPanelPos(top, RTE_AUTO_CENTER, -50), 0);
    EXPECT_EQ(panelInt(top, RTE_ATTR_TOP), (768 - 200) / 2);
    EXPECT_EQ(panelInt(top, RTE_ATTR_LEFT), -50);
    int child = NewPanel(top, nullptr, 0, 0, 50, 60);
    ASSERT_EQ(SetPanelPos(child, RTE_AUTO_CENTER, RTE_AUTO_CENTER), 0);
    EXPECT_EQ(panelInt(child, RTE_ATTR_TOP), 75);
    EXPECT_EQ(panelInt(child, RTE_ATTR_LEFT), 120);
    EXPECT_EQ(panelInt(child, RTE_ATTR_PANEL_PARENT), int(top));
    EXPECT_EQ(panelInt(top, RTE_ATTR_PANEL_PARENT), 0);
    void *window = &window;
    ASSERT_EQ(GetPanelAttribute(child, RTE_ATTR_SYSTEM_WINDOW, &window), 0);
    EXPECT_EQ(window, nullptr);  // a child panel never has a window of its own
    EXPECT_EQ(RecreatePanelWindow(top), 0);
    EXPECT_EQ(panelInt(top, RTE_ATTR_TOP), (768 - 200) / 2);
    EXPECT_EQ(panelInt(child, RTE_ATTR_TITLE_LENGTH), 0);
    ASSERT_EQ(SetPanelAttribute(top, RTE_ATTR_TITLE, "Progress"), 0);
    char title[16];
    ASSERT_EQ(GetPanelAttribute(top, RTE_ATTR_TITLE, title), 0);
    EXPECT_STREQ(title, "Progress");
    EXPECT_EQ(panelInt(top, RTE_ATTR_TITLE_LENGTH), 8);
    ASSERT_EQ(SetPanelAttribute(top, RTE_ATTR_FLOATING, 1), 0);
    ASSERT_EQ(SetPanelAttribute(top, RTE_ATTR_SIZABLE, 0), 0);
    EXPECT_EQ(panelInt(top, RTE_ATTR_FLOATING), 1);
    EXPECT_EQ(panelInt(top, RTE_ATTR_SIZABLE), 0);
}

// Display, hide and the popup stack: installing makes a panel visible and the top of
// the stack; removing 0 takes the top one; hiding or discarding takes a popup out.
TEST(UiPanels, PopupStack) {
    ScopedPanel a, b, plain;
    int child = NewPanel(a, "child", 0, 0, 10, 10);
    EXPECT_EQ(panelInt(a, RTE_ATTR_VISIBLE), 0);
    ASSERT_EQ(DisplayPanel(plain), 0);
    EXPECT_EQ(panelInt(plain, RTE_ATTR_VISIBLE), 1);
    EXPECT_EQ(InstallPopup(child), RTE_UIE_INVALID_PANEL);
    EXPECT_EQ(RemovePopup(plain), RTE_UIE_INVALID_PANEL);
    ASSERT_EQ(InstallPopup(a), 0);
    ASSERT_EQ(InstallPopup(b), 0);
    ASSERT_EQ(RemovePopup(0), 0);  // b
    EXPECT_EQ(panelInt(b, RTE_ATTR_VISIBLE), 0);
    EXPECT_EQ(panelInt(a, RTE_ATTR_VISIBLE), 1);
    ASSERT_EQ(InstallPopup(b), 0);
    ASSERT_EQ(HidePanel(b), 0);
    EXPECT_EQ(RemovePopup(b), RTE_UIE_INVALID_PANEL);
    ASSERT_EQ(RemovePopup(0), 0);  // a
    EXPECT_EQ(RemovePopup(0), 0);  // none left: nothing to do
    ASSERT_EQ(InstallPopup(a), 0);
    ASSERT_EQ(DiscardPanel(a), 0);
    EXPECT_EQ(RemovePopup(a), RTE_UIE_INVALID_PANEL);
}

// ---- Focus ----

// SetActiveCtrl sends 9 to the control losing the focus, then 8 to the one getting it;
// nothing when it already has it; 0 takes it away; controls that cannot take it are
// refused.
TEST(UiFocus, SetActiveCtrlSendsLostThenGot) {
    EventLog log;  // outlives the panel, whose discard it hears
    ScopedPanel panel;
    int a = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "a", 0, 0);
    int b = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "b", 0, 0);
    int indicator = NewCtrl(panel, RTE_CTRL_NUMERIC_INDICATOR, "n", 0, 0);
    int timer = NewCtrl(panel, RTE_CTRL_TIMER, "", 0, 0);
    for (int c : {a, b, indicator}) log.watch(panel, c);
    ASSERT_EQ(SetActiveCtrl(panel, a), 0);
    ASSERT_EQ(SetActiveCtrl(panel, a), 0);
    ASSERT_EQ(SetActiveCtrl(panel, b), 0);
    EXPECT_EQ(GetActiveCtrl(panel), b);
    EXPECT_EQ(panelInt(panel, RTE_ATTR_ACTIVE_CTRL), b);
    std::vector<UiEvent> expected = {{panel, a, 8, 0, 0}, {panel, a, 9, 0, 0}, {panel, b, 8, 0, 0}};
    EXPECT_EQ(log.events(), expected);
    EXPECT_EQ(SetActiveCtrl(panel, indicator), RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    EXPECT_EQ(SetActiveCtrl(panel, timer), RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    ASSERT_EQ(SetCtrlAttribute(panel, a, RTE_ATTR_DIMMED, 1), 0);
    EXPECT_EQ(SetActiveCtrl(panel, a), RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    ASSERT_EQ(SetCtrlAttribute(panel, indicator, RTE_ATTR_CTRL_MODE, RTE_CTRL_MODE_HOT), 0);
    ASSERT_EQ(SetActiveCtrl(panel, indicator), 0);
    ASSERT_EQ(SetActiveCtrl(panel, 0), 0);
    EXPECT_EQ(GetActiveCtrl(panel), 0);
    EXPECT_EQ(log.numbers(), (std::vector<int>{8, 9, 8, 9, 8, 9}));
    ASSERT_EQ(SetActiveCtrl(panel, b), 0);
    ASSERT_EQ(DiscardCtrl(panel, b), 0);  // the focus goes with it, without event 9
    EXPECT_EQ(GetActiveCtrl(panel), 0);
    EXPECT_EQ(log.numbers(), (std::vector<int>{8, 9, 8, 9, 8, 9, 8, 16}));
}

// ---- Geometry ----

struct PinCase {
    Point in;
    Rect rect;
    Point out;
};

class UiPin : public ::testing::TestWithParam<PinCase> {};

// Pixel cells: the right edge is left + width - 1, the bottom top + height - 1; an
// empty rectangle gives its top left corner.
TEST_P(UiPin, PointPinnedToRect) {
    const PinCase &c = GetParam();
    Point p = PointPinnedToRect(c.in, c.rect);
    EXPECT_EQ(p.x, c.out.x);
    EXPECT_EQ(p.y, c.out.y);
}

INSTANTIATE_TEST_SUITE_P(
    Table, UiPin,
    ::testing::Values(PinCase{{5, 5}, {0, 0, 10, 10}, {5, 5}},
                      PinCase{{-3, 4}, {0, 0, 10, 10}, {0, 4}},
                      PinCase{{10, 10}, {0, 0, 10, 10}, {9, 9}},
                      PinCase{{50, -50}, {20, 30, 5, 6}, {35, 20}},
                      PinCase{{7, 7}, {2, 3, 0, 10}, {3, 2}},
                      PinCase{{7, 7}, {2, 3, 10, -1}, {3, 2}},
                      PinCase{{0x7FFFFFFF, 0}, {0, 0x7FFFFFF0, 1, 0x10}, {0x7FFFFFFF, 0}}));

}  // namespace
