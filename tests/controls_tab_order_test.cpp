// Tab order: which controls can take the focus, previous and next tab stops in both
// directions with and without wrapping, walks that must end (a control not on the
// panel), activating the first tab stop, control lists in chain order, and sorting by
// tab position, also on two threads at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <thread>
#include <vector>

#include "controls_support.h"
#include "test_support.h"
#include "toolbox.h"
#include "toolbox_internal.h"
#include "ui_support.h"

using namespace testing_support;

namespace {

// A panel whose chain holds one control of every sort, in this order: A a hot button,
// I an indicator, D a dimmed button, H a hidden button, N an indicator made hot, T a
// timer, B a hot button. Tab stops: A, N, B.
struct MixedPanel {
    ScopedPanel panel{0, 100, 100, 300, 400};
    int A = makeButton(panel, 10, 10, 20, 40);
    int I = makeIndicator(panel, "i", 40, 10);
    int D = makeButton(panel, 70, 10, 20, 40);
    int H = makeButton(panel, 100, 10, 20, 40);
    int N = makeIndicator(panel, "n", 130, 10);
    int T = NewCtrl(panel, RTE_CTRL_TIMER, "", 0, 0);
    int B = makeButton(panel, 160, 10, 20, 40);
    MixedPanel() {
        EXPECT_EQ(SetCtrlAttribute(panel, D, RTE_ATTR_DIMMED, 1), 0);
        EXPECT_EQ(SetCtrlAttribute(panel, H, RTE_ATTR_VISIBLE, 0), 0);
        EXPECT_EQ(SetCtrlAttribute(panel, N, RTE_ATTR_CTRL_MODE, RTE_CTRL_MODE_HOT), 0);
        EXPECT_EQ(chainOf(panel), (std::vector<int>{A, I, D, H, N, T, B}));
    }
    // Letters to ids, so that tables can name the controls.
    int operator[](char name) const {
        switch (name) {
        case 'A': return A;
        case 'I': return I;
        case 'D': return D;
        case 'H': return H;
        case 'N': return N;
        case 'T': return T;
        case 'B': return B;
        default: return 0;
        }
    }
};

TEST(TabOrder, OnlyHotUndimmedVisibleControlsAreTabStops) {
    MixedPanel m;
    LibraryErrorCounter errors;
    for (char name : std::string("AIDHNTB"))
        EXPECT_EQ(CtrlCanBeTabStop(m.panel, m[name]), name == 'A' || name == 'N' || name == 'B')
            << name;
    EXPECT_EQ(CtrlCanBeTabStop(m.panel, 99), 0);
    EXPECT_EQ(errors.reports(), 1);  // only the control that is not there: a timer reads cleanly
}

struct Step {
    char start;
    int forward, wrap;
    char expected;  // '0' for none
};

const Step kSteps[] = {
    {'A', 1, 0, 'N'}, {'N', 1, 0, 'B'}, {'B', 1, 0, '0'}, {'B', 1, 1, 'A'},
    {'I', 1, 0, 'N'}, {'T', 1, 1, 'B'}, {'A', 0, 0, '0'}, {'A', 0, 1, 'B'},
    {'B', 0, 0, 'N'}, {'N', 0, 0, 'A'}, {'T', 0, 1, 'N'}, {'D', 0, 1, 'A'},
};

class TabSteps : public ::testing::TestWithParam<Step> {};

TEST_P(TabSteps, SkipWhatCannotTakeTheFocus) {
    MixedPanel m;
    const Step &s = GetParam();
    EXPECT_EQ(NextCtrlInTabOrder(m.panel, m[s.start], s.forward, s.wrap), m[s.expected]);
}

INSTANTIATE_TEST_SUITE_P(Table, TabSteps, ::testing::ValuesIn(kSteps), [](const auto &test) {
    const Step &s = test.param;
    return std::string(1, s.start) + (s.forward ? "Forward" : "Backward") +
           (s.wrap ? "Wrapping" : "") + "Gives" + std::string(1, s.expected);
});

// The previous control in the chain; backward wrapping from the first lands on the
// last.
TEST(TabOrder, PreviousControl) {
    MixedPanel m;
    EXPECT_EQ(PreviousCtrl(m.panel, m.A, 0), 0);
    EXPECT_EQ(PreviousCtrl(m.panel, m.A, 1), m.B);
    EXPECT_EQ(PreviousCtrl(m.panel, m.I, 1), m.A);
    EXPECT_EQ(PreviousCtrl(m.panel, m.B, 0), m.T);
    EXPECT_EQ(PreviousCtrl(m.panel, 99, 1), 0);
}

// A panel where only the start can take the focus gives 0 after a full circle, either
// way; a walk from a control that is not on the panel, or on a discarded panel, ends
// with 0 at once instead of repeating its failing read for ever.
TEST(TabOrder, WalksEnd) {
    ScopedPanel panel;
    int only = makeButton(panel, 10, 10, 20, 20);
    makeIndicator(panel, "x", 50, 10);
    makeButton(panel, 90, 10, 20, 20);
    ASSERT_EQ(SetCtrlAttribute(panel, chainOf(panel)[2], RTE_ATTR_DIMMED, 1), 0);
    int gone = NewPanel(0, "gone", 0, 0, 10, 10);
    ASSERT_EQ(DiscardPanel(gone), 0);
    int breaking = SetBreakOnLibraryErrors(0);
    finishesWithin(
        20,
        [&] {
            for (int forward : {0, 1})
                for (int wrap : {0, 1}) {
                    EXPECT_EQ(NextCtrlInTabOrder(panel, only, forward, wrap), 0);
                    EXPECT_EQ(NextCtrlInTabOrder(panel, 99, forward, wrap), 0);
                    EXPECT_EQ(NextCtrlInTabOrder(panel, 0, forward, wrap), 0);
                    EXPECT_EQ(NextCtrlInTabOrder(gone, only, forward, wrap), 0);
                }
        },
        "NextCtrlInTabOrder");
    SetBreakOnLibraryErrors(breaking);
}

// The first tab stop gets the focus, with the focus events a user's Tab would give;
// a panel without tab stops, or without controls, gives 0.
TEST(TabOrder, ActivateFirstControlMovesTheFocus) {
    EventLog log;  // outlives the panel's discard events
    MixedPanel m;
    for (int c : {m.A, m.N, m.B}) log.watch(m.panel, c);
    ASSERT_EQ(SetCtrlAttribute(m.panel, m.A, RTE_ATTR_DIMMED, 1), 0);
    ASSERT_EQ(SetActiveCtrl(m.panel, m.B), 0);
    log.clear();
    EXPECT_EQ(ActivateFirstCtrl(m.panel), 1);
    EXPECT_EQ(GetActiveCtrl(m.panel), m.N);
    EXPECT_EQ(log.events(), (std::vector<UiEvent>{{m.panel, m.B, EVENT_LOST_FOCUS, 0, 0},
                                                  {m.panel, m.N, EVENT_GOT_FOCUS, 0, 0}}));

    ScopedPanel empty, indicators;
    makeIndicator(indicators, "a", 40, 10);
    EXPECT_EQ(ActivateFirstCtrl(empty), 0);
    EXPECT_EQ(ActivateFirstCtrl(indicators), 0);
    EXPECT_EQ(GetActiveCtrl(indicators), 0);
    EXPECT_EQ(PreviousCtrl(empty, 2, 1), 0);
    EXPECT_EQ(NextCtrlInTabOrder(empty, 2, 1, 1), 0);
}

// Lists follow the chain, which follows the tab order; an empty panel gives an empty
// list; failures give a code and no list.
TEST(TabOrder, ControlLists) {
    MixedPanel m;
    ListRef list = nullptr;
    ASSERT_EQ(GetCtrlList(m.panel, &list), 0);
    ScopedList held(list);
    EXPECT_EQ(idsOf(list), (std::vector<int>{m.A, m.I, m.D, m.H, m.N, m.T, m.B}));
    ASSERT_EQ(PlaceBefore(m.panel, m.A, m.B), 0);
    ListRef reordered = nullptr;
    ASSERT_EQ(GetCtrlList(m.panel, &reordered), 0);
    ScopedList heldToo(reordered);
    EXPECT_EQ(idsOf(reordered), (std::vector<int>{m.B, m.A, m.I, m.D, m.H, m.N, m.T}));

    ScopedPanel empty;
    ListRef none = nullptr;
    ASSERT_EQ(GetCtrlList(empty, &none), 0);
    ScopedList heldEmpty(none);
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(ListNumItems(none), 0);

    int gone = NewPanel(0, "gone", 0, 0, 10, 10);
    ASSERT_EQ(DiscardPanel(gone), 0);
    int breaking = SetBreakOnLibraryErrors(0);
    ListRef out = reinterpret_cast<ListRef>(&out);
    EXPECT_EQ(GetCtrlList(gone, &out), RTE_UIE_INVALID_PANEL);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(GetCtrlList(m.panel, nullptr), RTE_UIE_NULL_ARGUMENT);
    for (int pass = 0; pass < 3; ++pass) {
        out = reinterpret_cast<ListRef>(&out);
        tb::failAllocations(pass, 1);
        int code = GetCtrlList(m.panel, &out);
        tb::failAllocations(0, 0);
        ScopedList made(out);
        if (code == 0) {
            EXPECT_EQ(idsOf(out).size(), 7u) << "pass " << pass;
        } else {
            EXPECT_EQ(code, RTE_UIE_OUT_OF_MEMORY) << "pass " << pass;
            EXPECT_EQ(out, nullptr) << "pass " << pass;
        }
    }
    SetBreakOnLibraryErrors(breaking);
}

// A panel of `count` buttons whose tab order is a shuffle given by seed.
struct ShuffledPanel {
    ScopedPanel panel{0, 0, 0, 600, 200};
    std::vector<int> tabOrder;
    ShuffledPanel(int count, unsigned seed) {
        for (int k = 0; k < count; ++k) tabOrder.push_back(makeButton(panel, 20 * k, 0, 10, 10));
        std::shuffle(tabOrder.begin(), tabOrder.end(), std::mt19937(seed));
        for (size_t k = 0; k < tabOrder.size(); ++k)
            EXPECT_EQ(SetCtrlAttribute(panel, tabOrder[k], RTE_ATTR_CTRL_TAB_POSITION, int(k)), 0);
        EXPECT_EQ(chainOf(panel), tabOrder);
    }
    // The ids in another shuffled order, as a list.
    ScopedList shuffledList(unsigned seed) const {
        std::vector<int> ids = tabOrder;
        std::shuffle(ids.begin(), ids.end(), std::mt19937(seed));
        ScopedList list(ListCreate(sizeof(int)));
        for (int id : ids) ListInsertItem(list.get(), &id, ListPosEnd);
        return list;
    }
};

// Sorting puts the list in tab order; an id not on the panel goes last; a list of
// other items is refused untouched.
TEST(TabOrder, SortByTabPosition) {
    ShuffledPanel s(12, 7);
    ScopedList list = s.shuffledList(3);
    int stranger = 99;
    ListInsertItem(list.get(), &stranger, 4);
    int breaking = SetBreakOnLibraryErrors(0);
    EXPECT_EQ(SortCtrlListByTabOrder(s.panel, list.get()), 0);
    SetBreakOnLibraryErrors(breaking);
    std::vector<int> expected = s.tabOrder;
    expected.push_back(stranger);
    EXPECT_EQ(idsOf(list.get()), expected);

    ScopedList bytes(ListCreate(1));
    char item = 5;
    ListInsertItem(bytes.get(), &item, ListPosEnd);
    EXPECT_EQ(SortCtrlListByTabOrder(s.panel, bytes.get()), RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    EXPECT_EQ(SortCtrlListByTabOrder(s.panel, nullptr), 0);
}

// Two threads sort lists of the same ids by two panels with different tab orders, at
// the same time: each comparison must read its own thread's panel.
TEST(TabOrderThreads, SortsOnTwoThreadsAtOnceKeepTheirPanels) {
    ShuffledPanel first(16, 1), second(16, 2);
    ASSERT_NE(first.tabOrder, second.tabOrder);
    std::atomic<int> wrong{0};
    auto sorter = [&wrong](const ShuffledPanel *s) {
        for (unsigned round = 0; round < 150; ++round) {
            ScopedList list = s->shuffledList(round);
            if (SortCtrlListByTabOrder(s->panel, list.get()) != 0 ||
                idsOf(list.get()) != s->tabOrder)
                ++wrong;
        }
    };
    std::thread one(sorter, &first), two(sorter, &second);
    one.join();
    two.join();
    EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
