// Rings, list boxes, colour controls and text messages in the engine's model: items and
// the selection through every edit, the visible lines and the height, the text font
// attributes and what a font change re-sizes, what the user does to them through the
// input driver (clicks, keys, typing over escape-coded labels, picks from any thread),
// and bad input, each with its code and nothing changed.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "controls_support.h"
#include "list_support.h"
#include "rtengine.h"
#include "test_support.h"
#include "ui_support.h"

using namespace testing_support;

namespace {

class UiLists : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }
    static void reset() {
        SimulateMouseButton(1, 0);
        SimulateModifierKeys(0);
        takeUserEvents();
    }
};

struct EditStep {
    const char *what;
    std::function<int(int panel, int control)> edit;
    int code;
    ListState expected;
};

class UiListEdits : public UiLists, public ::testing::WithParamInterface<int> {};

// Rings and list boxes alike: the first item is selected, the selection follows its
// item through inserts and deletes in front of it, falls to the next (or last) item
// when its own goes, and the value is the selected item's.
TEST_P(UiListEdits, SelectionFollowsItsItem) {
    ScopedPanel panel;
    const int c = NewCtrl(panel, GetParam(), "Items", 40, 20);
    ASSERT_GE(c, 2);
    using P = std::pair<std::string, int>;
    const EditStep steps[] = {
        {"nothing yet", [](int, int) { return 0; }, 0, {{}, -1}},
        {"append b", [](int p, int k) { return InsertListItem(p, k, -1, "b", 2); }, 0, {{P{"b", 2}}, 0}},
        {"a in front", [](int p, int k) { return InsertListItem(p, k, 0, "a", 1); }, 0,
         {{P{"a", 1}, P{"b", 2}}, 1}},
        {"d at count", [](int p, int k) { return InsertListItem(p, k, 2, "d", 4); }, 0,
         {{P{"a", 1}, P{"b", 2}, P{"d", 4}}, 1}},
        {"c between", [](int p, int k) { return InsertListItem(p, k, 2, "c", 3); }, 0,
         {{P{"a", 1}, P{"b", 2}, P{"c", 3}, P{"d", 4}}, 1}},
        {"select c", [](int p, int k) { return SetCtrlIndex(p, k, 2); }, 0,
         {{P{"a", 1}, P{"b", 2}, P{"c", 3}, P{"d", 4}}, 2}},
        {"replace c", [](int p, int k) { return ReplaceListItem(p, k, 2, "C\x1b" "fg00ff00", 30); }, 0,
         {{P{"a", 1}, P{"b", 2}, P{"C\x1b" "fg00ff00", 30}, P{"d", 4}}, 2}},
        {"select by value", [](int p, int k) { return SetCtrlVal(p, k, 4); }, 0,
         {{P{"a", 1}, P{"b", 2}, P{"C\x1b" "fg00ff00", 30}, P{"d", 4}}, 3}},
        {"delete the selected last", [](int p, int k) { return DeleteListItem(p, k, 3, 1); }, 0,
         {{P{"a", 1}, P{"b", 2}, P{"C\x1b" "fg00ff00", 30}}, 2}},
        {"delete in front", [](int p, int k) { return DeleteListItem(p, k, 0, 1); }, 0,
         {{P{"b", 2}, P{"C\x1b" "fg00ff00", 30}}, 1}},
        {"duplicate value, empty label", [](int p, int k) { return InsertListItem(p, k, 0, "", 30); }, 0,
         {{P{"", 30}, P{"b", 2}, P{"C\x1b" "fg00ff00", 30}}, 2}},
        {"first of equal values", [](int p, int k) { return SetCtrlVal(p, k, 30); }, 0,
         {{P{"", 30}, P{"b", 2}, P{"C\x1b" "fg00ff00", 30}}, 0}},
        {"delete none", [](int p, int k) { return DeleteListItem(p, k, 3, 0); }, 0,
         {{P{"", 30}, P{"b", 2}, P{"C\x1b" "fg00ff00", 30}}, 0}},
        {"delete the selected to the end", [](int p, int k) { return DeleteListItem(p, k, 0, -1); }, 0,
         {{}, -1}},
        {"again", [](int p, int k) { return InsertListItem(p, k, -1, "z", 9); }, 0, {{P{"z", 9}}, 0}},
        {"clear", [](int p, int k) { return ClearListCtrl(p, k); }, 0, {{}, -1}},
    };
    for (const EditStep &step : steps) {
        SCOPED_TRACE(step.what);
        ASSERT_EQ(step.edit(panel, c), step.code);
        ListState state = listStateOf(panel, c);
        EXPECT_EQ(state, step.expected);
        int value = -1, index = -2;
        int code = GetCtrlVal(panel, c, &value);
        if (state.selected >= 0) {
            EXPECT_EQ(code, 0);
            EXPECT_EQ(value, state.items[size_t(state.selected)].second);
            EXPECT_EQ(GetIndexFromValue(panel, c, &index, value), 0);
            EXPECT_LE(index, state.selected);
        } else {
            int breaking = SetBreakOnLibraryErrors(0);
            EXPECT_EQ(GetCtrlVal(panel, c, &value), RTE_UIE_INDEX_OUT_OF_RANGE);
            SetBreakOnLibraryErrors(breaking);
        }
    }
    int index = 5;
    EXPECT_EQ(GetIndexFromValue(panel, c, &index, 9), 0);
    EXPECT_EQ(index, -1);
    EXPECT_EQ(ctrlInt(panel, c, RTE_ATTR_DATA_TYPE), RTE_VAL_INTEGER);
}

INSTANTIATE_TEST_SUITE_P(Kinds, UiListEdits,
                         ::testing::Values(RTE_CTRL_RING, RTE_CTRL_SLIDE_RING, RTE_CTRL_LIST_BOX));

// The height is the visible lines times the line height of the list's font, plus the
// frame; a height set by hand gives the lines that fit; a new font re-sizes lists,
// rings and text messages, and a ring's label stays in the dialog font.
TEST_F(UiLists, LinesHeightsAndFonts) {
    ScopedPanel panel;
    const int line = textSize("x").height;
    ASSERT_EQ(CreateMetaFont("UiListsTwenty", "DejaVu Serif", 20, 1, 0, 1, 0), 0);
    const int bigLine = textSize("x", "UiListsTwenty").height;
    ASSERT_GT(bigLine, line);

    const int list = NewCtrl(panel, RTE_CTRL_LIST_BOX, nullptr, 0, 8);
    EXPECT_EQ(ctrlInt(panel, list, RTE_ATTR_VISIBLE_LINES), 5);
    EXPECT_EQ(ctrlInt(panel, list, RTE_ATTR_HEIGHT), 5 * line + 4);
    EXPECT_EQ(ctrlInt(panel, list, RTE_ATTR_LABEL_WIDTH), 0);
    ASSERT_EQ(SetCtrlAttribute(panel, list, RTE_ATTR_VISIBLE_LINES, 7), 0);
    EXPECT_EQ(ctrlInt(panel, list, RTE_ATTR_HEIGHT), 7 * line + 4);
    ASSERT_EQ(SetCtrlAttribute(panel, list, RTE_ATTR_HEIGHT, 3 * line + 4 + line - 1), 0);
    EXPECT_EQ(ctrlInt(panel, list, RTE_ATTR_VISIBLE_LINES), 3);
    ASSERT_EQ(SetCtrlAttribute(panel, list, RTE_ATTR_HEIGHT, 0), 0);
    EXPECT_EQ(ctrlInt(panel, list, RTE_ATTR_VISIBLE_LINES), 1);
    ASSERT_EQ(SetCtrlAttribute(panel, list, RTE_ATTR_VISIBLE_LINES, 3), 0);
    ASSERT_EQ(SetCtrlAttribute(panel, list, RTE_ATTR_TEXT_FONT, "UiListsTwenty"), 0);
    EXPECT_EQ(ctrlInt(panel, list, RTE_ATTR_HEIGHT), 3 * bigLine + 4);

    const int ring = NewCtrl(panel, RTE_CTRL_RING, "Ring", 100, 8);
    EXPECT_EQ(ctrlInt(panel, ring, RTE_ATTR_HEIGHT), line + 6);
    EXPECT_EQ(ctrlInt(panel, ring, RTE_ATTR_LABEL_WIDTH), textSize("Ring").width);
    ASSERT_EQ(SetCtrlAttribute(panel, ring, RTE_ATTR_TEXT_POINT_SIZE, 20), 0);
    ASSERT_EQ(CreateMetaFont("UiListsSans20", RTE_SANS_TYPEFACE, 20, 0, 0, 0, 0), 0);
    EXPECT_EQ(ctrlInt(panel, ring, RTE_ATTR_HEIGHT), textSize("x", "UiListsSans20").height + 6);
    EXPECT_EQ(ctrlInt(panel, ring, RTE_ATTR_LABEL_WIDTH), textSize("Ring").width);

    // A text message is its text, measured in its own font, until sized by hand.
    const char *text = "Color Name:";
    const int msg = NewCtrl(panel, RTE_CTRL_TEXT_MSG, text, 8, 8);
    EXPECT_EQ(ctrlInt(panel, msg, RTE_ATTR_WIDTH), textSize(text).width);
    EXPECT_EQ(ctrlInt(panel, msg, RTE_ATTR_HEIGHT), textSize(text).height);
    EXPECT_EQ(ctrlInt(panel, msg, RTE_ATTR_LABEL_WIDTH), textSize(text).width);
    ASSERT_EQ(SetCtrlAttribute(panel, msg, RTE_ATTR_TEXT_FONT, "UiListsTwenty"), 0);
    EXPECT_EQ(ctrlInt(panel, msg, RTE_ATTR_WIDTH), textSize(text, "UiListsTwenty").width);
    ASSERT_EQ(CreateMetaFont("UiListsTwentyCopy", "UiListsTwenty", 20, 1, 0, 1, 0), 0);
    EXPECT_EQ(ctrlInt(panel, msg, RTE_ATTR_HEIGHT), bigLine);
    // Redefining the meta font leaves the controls that took it as they are.
    ASSERT_EQ(CreateMetaFont("UiListsTwenty", "DejaVu Sans Mono", 8, 0, 0, 0, 0), 0);
    ASSERT_NE(textSize(text, "UiListsTwenty").width, textSize(text, "UiListsTwentyCopy").width);
    EXPECT_EQ(ctrlInt(panel, msg, RTE_ATTR_WIDTH), textSize(text, "UiListsTwentyCopy").width);
    EXPECT_EQ(ctrlInt(panel, list, RTE_ATTR_HEIGHT), 3 * bigLine + 4);
    ASSERT_EQ(SetCtrlAttribute(panel, msg, RTE_ATTR_WIDTH, 5), 0);
    ASSERT_EQ(SetCtrlAttribute(panel, msg, RTE_ATTR_TEXT_FONT, RTE_DIALOG_META_FONT), 0);
    EXPECT_EQ(ctrlInt(panel, msg, RTE_ATTR_WIDTH), 5);
    EXPECT_EQ(ctrlInt(panel, msg, RTE_ATTR_LABEL_WIDTH), textSize(text).width);
}

std::string textFontOf(int panel, int control) {
    int length = -1;
    EXPECT_EQ(GetCtrlAttribute(panel, control, RTE_ATTR_TEXT_FONT_NAME_LENGTH, &length), 0);
    std::string name(size_t(length > 0 ? length : 0) + 1, '\xBD');
    EXPECT_EQ(GetCtrlAttribute(panel, control, RTE_ATTR_TEXT_FONT, &name[0]), 0);
    EXPECT_EQ(name.back(), '\0');
    name.pop_back();
    return name;
}

// 682 reads the meta font's name until a property is set, then the typeface under it;
// the properties read the font's own values until set; bad values change nothing.
TEST_F(UiLists, TextFontReadsBackNameThenTypeface) {
    ScopedPanel panel;
    ASSERT_EQ(CreateMetaFont("UiListsStyled", "bogusfont", 14, 1, 0, 1, 0), 0);
    for (int style : {RTE_CTRL_TEXT_MSG, RTE_CTRL_RING, RTE_CTRL_LIST_BOX}) {
        SCOPED_TRACE(style);
        const int c = NewCtrl(panel, style, "Sample", 0, 0);
        EXPECT_EQ(textFontOf(panel, c), RTE_DIALOG_META_FONT);
        ASSERT_EQ(SetCtrlAttribute(panel, c, RTE_ATTR_TEXT_FONT, "uilistsSTYLED"), 0);
        EXPECT_EQ(textFontOf(panel, c), "uilistsSTYLED");
        const int properties[] = {RTE_ATTR_TEXT_POINT_SIZE, RTE_ATTR_TEXT_BOLD, RTE_ATTR_TEXT_ITALIC,
                                  RTE_ATTR_TEXT_UNDERLINE, RTE_ATTR_TEXT_STRIKEOUT};
        auto read = [&] {
            std::vector<int> values;
            for (int a : properties) values.push_back(ctrlInt(panel, c, a));
            return values;
        };
        EXPECT_EQ(read(), (std::vector<int>{14, 1, 0, 1, 0}));
        {
            LibraryErrorCounter counter;
            EXPECT_EQ(SetCtrlAttribute(panel, c, RTE_ATTR_TEXT_FONT, "NoSuchFont"), RTE_UIE_UNKNOWN_FONT);
            EXPECT_EQ(SetCtrlAttribute(panel, c, RTE_ATTR_TEXT_FONT, (const char *)nullptr),
                      RTE_UIE_NULL_ARGUMENT);
            EXPECT_EQ(SetCtrlAttribute(panel, c, RTE_ATTR_TEXT_POINT_SIZE, 0),
                      RTE_UIE_INVALID_ATTRIBUTE_VALUE);
            EXPECT_EQ(SetCtrlAttribute(panel, c, RTE_ATTR_TEXT_POINT_SIZE, 501),
                      RTE_UIE_INVALID_ATTRIBUTE_VALUE);
            EXPECT_EQ(SetCtrlAttribute(panel, c, RTE_ATTR_TEXT_ITALIC, 2),
                      RTE_UIE_INVALID_ATTRIBUTE_VALUE);
            EXPECT_EQ(counter.reports(), 5);
        }
        EXPECT_EQ(textFontOf(panel, c), "uilistsSTYLED");
        EXPECT_EQ(read(), (std::vector<int>{14, 1, 0, 1, 0}));
        ASSERT_EQ(SetCtrlAttribute(panel, c, RTE_ATTR_TEXT_POINT_SIZE, 2), 0);
        EXPECT_EQ(textFontOf(panel, c), "bogusfont");
        ASSERT_EQ(SetCtrlAttribute(panel, c, RTE_ATTR_TEXT_ITALIC, 1), 0);
        EXPECT_EQ(read(), (std::vector<int>{2, 1, 1, 1, 0}));
        ASSERT_EQ(SetCtrlAttribute(panel, c, RTE_ATTR_TEXT_FONT, "Times New Roman"), 0);
        EXPECT_EQ(textFontOf(panel, c), "Times New Roman");
        EXPECT_EQ(read(), (std::vector<int>{10, 0, 0, 0, 0}));
    }
    const int button = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "b", 0, 0);
    int breaking = SetBreakOnLibraryErrors(0);
    char name[RTE_MAX_FONT_NAME_LEN];
    EXPECT_EQ(GetCtrlAttribute(panel, button, RTE_ATTR_TEXT_FONT, name), RTE_UIE_INVALID_ATTRIBUTE);
    SetBreakOnLibraryErrors(breaking);
}

// A shown panel with a list box of escape-coded lines, its callback logged.
struct ListDialog {
    EventLog log;
    ScopedPanel panel{0, 100, 100, 300, 600};
    int list = NewCtrl(panel, RTE_CTRL_LIST_BOX, "Colors", 30, 20);
    int line = textSize("x").height;
    ListDialog() {
        const std::string labels[] = {colorLine("Red", 415, 109, 0xFF0000),
                                      colorLine("Green", 415, 109, 0x00FF00),
                                      "\x1bqx",  // no code: drawn as text
                                      "\x1bp10lZeta",
                                      colorLine("gray", 415, 109, 0x808080),
                                      "Blue",
                                      "Black"};
        int value = 0;
        for (const std::string &label : labels)
            EXPECT_EQ(InsertListItem(panel, list, -1, label.c_str(), value += 10), 0);
        EXPECT_EQ(SetCtrlAttribute(panel, list, RTE_ATTR_VISIBLE_LINES, 3), 0);
        log.watch(panel, list);
        EXPECT_EQ(DisplayPanel(panel), 0);
    }
    void clickLine(int shownLine) {
        int x = ctrlInt(panel, list, RTE_ATTR_LEFT) + 10;
        int y = ctrlInt(panel, list, RTE_ATTR_TOP) + 2 + shownLine * line + line / 2;
        ASSERT_EQ(SimulateMouseMove(panel, x, y), 0);
        ASSERT_EQ(SimulateMouseButton(1, 1), 0);
        ASSERT_EQ(SimulateMouseButton(1, 0), 0);
    }
    // The selection after input, with the first visible line and the values the
    // value-changed events carried.
    struct Seen {
        int selected, first;
        std::vector<intptr_t> changes;
        bool operator==(const Seen &o) const {
            return selected == o.selected && first == o.first && changes == o.changes;
        }
    };
    Seen after(std::function<void()> input) {
        log.clear();
        input();
        for (int k = 0; k < 3; ++k) ProcessSystemEvents();
        Seen seen{-2, ctrlInt(panel, list, RTE_ATTR_FIRST_VISIBLE_LINE), {}};
        GetCtrlIndex(panel, list, &seen.selected);
        for (const UiEvent &e : log.events())
            if (e.event == EVENT_VAL_CHANGED) seen.changes.push_back(e.data1);
        return seen;
    }
};
std::ostream &operator<<(std::ostream &out, const ListDialog::Seen &s) {
    out << "{selected " << s.selected << ", first " << s.first << ", changes";
    for (intptr_t c : s.changes) out << " " << c;
    return out << "}";
}

// Clicks select the line under the pointer, keys move the selection and scroll it into
// view, typed characters match the line's text without its escape codes; every change,
// and only a change, sends EVENT_VAL_CHANGED with the new value; no commits.
TEST_F(UiLists, UserSelectsListLines) {
    ListDialog d;
    const int p = d.panel, l = d.list;
    using Seen = ListDialog::Seen;
    auto key = [&](int k) { return [=] { ASSERT_EQ(SimulateKeyPress(p, k), 0); }; };
    EXPECT_EQ(d.after([&] { d.clickLine(1); }), (Seen{1, 0, {20}}));
    EXPECT_EQ(d.log.numbers(), (std::vector<int>{EVENT_GOT_FOCUS, EVENT_LEFT_CLICK, EVENT_VAL_CHANGED}));
    const struct {
        int key;
        Seen seen;
    } keys[] = {
        {RTE_KEY_DOWN, {2, 0, {30}}},   {'g', {4, 2, {50}}},   {'G', {1, 1, {20}}},
        {'q', {2, 1, {30}}},            {'z', {3, 1, {40}}},   {'x', {3, 1, {}}},
        {RTE_KEY_HOME, {0, 0, {10}}},   {RTE_KEY_UP, {0, 0, {}}},
        {RTE_KEY_END, {6, 4, {70}}},    {RTE_KEY_PAGE_UP, {3, 3, {40}}},
        {RTE_KEY_PAGE_DOWN, {6, 4, {70}}}, {RTE_KEY_DOWN, {6, 4, {}}},
    };
    for (const auto &k : keys) {
        SCOPED_TRACE(k.key);
        EXPECT_EQ(d.after(key(k.key)), k.seen);
    }
    EXPECT_EQ(d.after([&] { d.clickLine(0); }), (Seen{4, 4, {50}}));
    EXPECT_EQ(d.after([&] { d.clickLine(2); }), (Seen{6, 4, {70}}));
    // A pick scrolls into view; the line already selected, or none at that index, is no change.
    EXPECT_EQ(d.after([&] { ASSERT_EQ(SimulateListItemPick(p, l, 1), 0); }), (Seen{1, 1, {20}}));
    EXPECT_EQ(d.after([&] { ASSERT_EQ(SimulateListItemPick(p, l, 1), 0); }), (Seen{1, 1, {}}));
    EXPECT_EQ(d.after([&] { ASSERT_EQ(SimulateListItemPick(p, l, 7), 0); }), (Seen{1, 1, {}}));
    // Picked from another thread, dispatched on the owning one.
    EXPECT_EQ(d.after([&] { std::thread([&] { SimulateListItemPick(p, l, 5); }).join(); }),
              (Seen{5, 3, {60}}));
    // A stopped click, a list in indicator mode or dimmed: no change.
    d.log.stop(EVENT_LEFT_CLICK);
    EXPECT_EQ(d.after([&] { d.clickLine(0); }), (Seen{5, 3, {}}));
    d.log.stop(EVENT_LEFT_CLICK, 0);
    ASSERT_EQ(SetCtrlAttribute(p, l, RTE_ATTR_CTRL_MODE, RTE_CTRL_MODE_INDICATOR), 0);
    EXPECT_EQ(d.after([&] { d.clickLine(0); }), (Seen{5, 3, {}}));
    EXPECT_EQ(d.after([&] { SimulateListItemPick(p, l, 0); }), (Seen{5, 3, {}}));
    ASSERT_EQ(SetCtrlAttribute(p, l, RTE_ATTR_CTRL_MODE, RTE_CTRL_MODE_HOT), 0);
    ASSERT_EQ(SetCtrlAttribute(p, l, RTE_ATTR_DIMMED, 1), 0);
    EXPECT_EQ(d.after([&] { SimulateListItemPick(p, l, 0); }), (Seen{5, 3, {}}));
    EXPECT_TRUE(takeUserEvents().empty());
}

// A ring: a click selects the next item (wrapping), keys step and stop at the ends;
// each change sends EVENT_VAL_CHANGED and commits, which GetUserEvent returns.
TEST_F(UiLists, UserStepsRings) {
    EventLog log;
    ScopedPanel panel(0, 50, 50, 200, 300);
    const int ring = NewCtrl(panel, RTE_CTRL_SLIDE_RING, "Speed", 40, 20);
    for (const char *label : {"Slow", "Medium", "Fast"})
        ASSERT_EQ(InsertListItem(panel, ring, -1, label, int(std::string(label).size())), 0);
    log.watch(panel, ring);
    ASSERT_EQ(DisplayPanel(panel), 0);
    const struct {
        std::function<int()> input;
        int selected;
        std::vector<int> events;
    } steps[] = {
        {[&] { return SimulateCtrlClick(panel, ring, 1); }, 1,
         {EVENT_GOT_FOCUS, EVENT_LEFT_CLICK, EVENT_VAL_CHANGED, EVENT_COMMIT}},
        {[&] { return SimulateCtrlClick(panel, ring, 1); }, 2,
         {EVENT_LEFT_CLICK, EVENT_VAL_CHANGED, EVENT_COMMIT}},
        {[&] { return SimulateCtrlClick(panel, ring, 1); }, 0,
         {EVENT_LEFT_CLICK, EVENT_VAL_CHANGED, EVENT_COMMIT}},
        {[&] { return SimulateKeyPress(panel, RTE_KEY_UP); }, 0, {EVENT_KEYPRESS}},
        {[&] { return SimulateKeyPress(panel, RTE_KEY_PAGE_DOWN); }, 2,
         {EVENT_KEYPRESS, EVENT_VAL_CHANGED, EVENT_COMMIT}},
        {[&] { return SimulateKeyPress(panel, 'm'); }, 2, {EVENT_KEYPRESS}},
        {[&] { return SimulateListItemPick(panel, ring, 1); }, 1, {EVENT_VAL_CHANGED, EVENT_COMMIT}},
    };
    for (size_t k = 0; k < std::size(steps); ++k) {
        SCOPED_TRACE(k);
        log.clear();
        ASSERT_EQ(steps[k].input(), 0);
        std::vector<TakenUserEvent> taken = takeUserEvents();
        int selected = -2;
        ASSERT_EQ(GetCtrlIndex(panel, ring, &selected), 0);
        EXPECT_EQ(selected, steps[k].selected);
        EXPECT_EQ(log.numbers(), steps[k].events);
        std::vector<TakenUserEvent> commits;
        if (steps[k].events.back() == EVENT_COMMIT) commits.push_back({EVENT_COMMIT, panel, ring});
        EXPECT_EQ(taken, commits);
    }
}

// A colour control: its label measured and placed like a numeric control's, the raised
// frame around it; a picked colour sends EVENT_VAL_CHANGED when it differs and commits
// when accepted (queued for GetUserEvent); a dimmed control takes no colour.
TEST_F(UiLists, ColourControlChangesAndCommits) {
    EventLog log;
    ScopedPanel panel(0, 50, 50, 200, 300);
    const int color = NewCtrl(panel, RTE_CTRL_COLOR_NUM, "Color:", 60, 30);
    log.watch(panel, color);
    ASSERT_EQ(DisplayPanel(panel), 0);
    const TextSize label = textSize("Color:");
    EXPECT_EQ(ctrlInt(panel, color, RTE_ATTR_LABEL_WIDTH), label.width);
    EXPECT_EQ(ctrlInt(panel, color, RTE_ATTR_LABEL_HEIGHT), label.height);
    EXPECT_EQ(ctrlInt(panel, color, RTE_ATTR_LABEL_TOP), 60 - label.height - 2);
    EXPECT_EQ(ctrlInt(panel, color, RTE_ATTR_LABEL_RAISED), 0);
    ASSERT_EQ(SetCtrlAttribute(panel, color, RTE_ATTR_LABEL_RAISED, 1), 0);
    EXPECT_EQ(ctrlInt(panel, color, RTE_ATTR_LABEL_WIDTH), label.width + 4);
    EXPECT_EQ(ctrlInt(panel, color, RTE_ATTR_LABEL_TOP), 60 - label.height - 6);
    EXPECT_EQ(boundsOf(panel, color).top, 60 - label.height - 6);
    ASSERT_EQ(SetCtrlAttribute(panel, color, RTE_ATTR_LABEL_RAISED, 0), 0);
    EXPECT_EQ(boundsOf(panel, color).width, std::max(label.width, 40));

    const struct {
        int colour, accept;
        std::vector<UiEvent> events;
    } picks[] = {
        {0x123456, 0, {{panel, color, EVENT_GOT_FOCUS, 0, 0}, {panel, color, EVENT_VAL_CHANGED, 0x123456, 0}}},
        {0x123456, 1, {{panel, color, EVENT_COMMIT, 0, 0}}},
        {0xFFFFFF, 1, {{panel, color, EVENT_VAL_CHANGED, 0xFFFFFF, 0}, {panel, color, EVENT_COMMIT, 0, 0}}},
        {0, 0, {{panel, color, EVENT_VAL_CHANGED, 0, 0}}},
    };
    for (const auto &pick : picks) {
        SCOPED_TRACE(pick.colour);
        log.clear();
        std::thread([&] { EXPECT_EQ(SimulateColorPick(panel, color, pick.colour, pick.accept), 0); }).join();
        std::vector<TakenUserEvent> taken = takeUserEvents();
        EXPECT_EQ(log.events(), pick.events);
        int value = -1;
        ASSERT_EQ(GetCtrlVal(panel, color, &value), 0);
        EXPECT_EQ(value, pick.colour);
        EXPECT_EQ(taken.size(), size_t(pick.accept));
    }
    ASSERT_EQ(SetCtrlVal(panel, color, 0xABCDEF), 0);
    ASSERT_EQ(SetCtrlAttribute(panel, color, RTE_ATTR_DIMMED, 1), 0);
    log.clear();
    ASSERT_EQ(SimulateColorPick(panel, color, 0x111111, 1), 0);
    EXPECT_TRUE(takeUserEvents().empty());
    EXPECT_TRUE(log.events().empty());
    int value = -1;
    ASSERT_EQ(GetCtrlVal(panel, color, &value), 0);
    EXPECT_EQ(value, 0xABCDEF);
}

// Every bad call gets its code, is reported once, and changes nothing.
TEST_F(UiLists, BadInputGetsItsCodeAndChangesNothing) {
    ScopedPanel panel;
    const int list = NewCtrl(panel, RTE_CTRL_LIST_BOX, "L", 30, 10);
    const int color = NewCtrl(panel, RTE_CTRL_COLOR_NUM, "C", 200, 10);
    const int button = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "B", 250, 10);
    for (const char *label : {"one", "two", "three"}) InsertListItem(panel, list, -1, label, 1);
    ASSERT_EQ(SetCtrlIndex(panel, list, 1), 0);
    char buffer[64];
    int out = 0;
    const int p = panel;
    const struct {
        const char *what;
        std::function<int()> call;
        int code;
    } calls[] = {
        {"insert past the end", [&] { return InsertListItem(p, list, 4, "x", 1); }, RTE_UIE_INDEX_OUT_OF_RANGE},
        {"insert at -2", [&] { return InsertListItem(p, list, -2, "x", 1); }, RTE_UIE_INDEX_OUT_OF_RANGE},
        {"insert null", [&] { return InsertListItem(p, list, 0, nullptr, 1); }, RTE_UIE_NULL_ARGUMENT},
        {"replace at count", [&] { return ReplaceListItem(p, list, 3, "x", 1); }, RTE_UIE_INDEX_OUT_OF_RANGE},
        {"replace null", [&] { return ReplaceListItem(p, list, 0, nullptr, 1); }, RTE_UIE_NULL_ARGUMENT},
        {"delete at count", [&] { return DeleteListItem(p, list, 3, 1); }, RTE_UIE_INDEX_OUT_OF_RANGE},
        {"delete too many", [&] { return DeleteListItem(p, list, 1, 3); }, RTE_UIE_INDEX_OUT_OF_RANGE},
        {"delete -2", [&] { return DeleteListItem(p, list, 0, -2); }, RTE_UIE_INDEX_OUT_OF_RANGE},
        {"count to null", [&] { return GetNumListItems(p, list, nullptr); }, RTE_UIE_NULL_ARGUMENT},
        {"label at -1", [&] { return GetLabelFromIndex(p, list, -1, buffer); }, RTE_UIE_INDEX_OUT_OF_RANGE},
        {"label to null", [&] { return GetLabelFromIndex(p, list, 0, nullptr); }, RTE_UIE_NULL_ARGUMENT},
        {"length at count", [&] { return GetLabelLengthFromIndex(p, list, 3, &out); }, RTE_UIE_INDEX_OUT_OF_RANGE},
        {"value at count", [&] { return GetValueFromIndex(p, list, 3, &out); }, RTE_UIE_INDEX_OUT_OF_RANGE},
        {"index of value to null", [&] { return GetIndexFromValue(p, list, nullptr, 1); }, RTE_UIE_NULL_ARGUMENT},
        {"index to null", [&] { return GetCtrlIndex(p, list, nullptr); }, RTE_UIE_NULL_ARGUMENT},
        {"select at count", [&] { return SetCtrlIndex(p, list, 3); }, RTE_UIE_INDEX_OUT_OF_RANGE},
        {"select a value none has", [&] { return SetCtrlVal(p, list, 2); }, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
        {"items of a button", [&] { return InsertListItem(p, button, -1, "x", 1); }, RTE_UIE_WRONG_CONTROL_KIND},
        {"count of a colour", [&] { return GetNumListItems(p, color, &out); }, RTE_UIE_WRONG_CONTROL_KIND},
        {"no such panel", [&] { return GetNumListItems(p + 100000, list, &out); }, RTE_UIE_INVALID_PANEL},
        {"no such control", [&] { return ClearListCtrl(p, 99); }, RTE_UIE_INVALID_CONTROL},
        {"no visible lines", [&] { return SetCtrlAttribute(p, list, RTE_ATTR_VISIBLE_LINES, 0); },
         RTE_UIE_INVALID_ATTRIBUTE_VALUE},
        {"too many lines", [&] { return SetCtrlAttribute(p, list, RTE_ATTR_VISIBLE_LINES, 1001); },
         RTE_UIE_INVALID_ATTRIBUTE_VALUE},
        {"first line past the items", [&] { return SetCtrlAttribute(p, list, RTE_ATTR_FIRST_VISIBLE_LINE, 3); },
         RTE_UIE_INVALID_ATTRIBUTE_VALUE},
        {"raised 2", [&] { return SetCtrlAttribute(p, color, RTE_ATTR_LABEL_RAISED, 2); },
         RTE_UIE_INVALID_ATTRIBUTE_VALUE},
        {"data type of a list", [&] { return SetCtrlAttribute(p, list, RTE_ATTR_DATA_TYPE, RTE_VAL_DOUBLE); },
         RTE_UIE_INVALID_ATTRIBUTE},
        {"visible lines of a colour", [&] { return SetCtrlAttribute(p, color, RTE_ATTR_VISIBLE_LINES, 3); },
         RTE_UIE_INVALID_ATTRIBUTE},
        {"colour beyond 24 bits", [&] { return SetCtrlVal(p, color, 0x1000000); }, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
        {"negative colour", [&] { return SetCtrlVal(p, color, -1); }, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
        {"pick from a colour", [&] { return SimulateListItemPick(p, color, 0); }, RTE_UIE_WRONG_CONTROL_KIND},
        {"colour for a list", [&] { return SimulateColorPick(p, list, 0, 0); }, RTE_UIE_WRONG_CONTROL_KIND},
        {"pick beyond 24 bits", [&] { return SimulateColorPick(p, color, 0x1000000, 0); },
         RTE_UIE_INVALID_ATTRIBUTE_VALUE},
        {"accept 2", [&] { return SimulateColorPick(p, color, 5, 2); }, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
        {"unknown style", [&] { return NewCtrl(p, 341, "x", 0, 0); }, RTE_UIE_INVALID_CONTROL_STYLE},
    };
    auto snapshot = [&] {
        std::vector<int> values;
        for (int a : std::initializer_list<int>{RTE_ATTR_HEIGHT, RTE_ATTR_VISIBLE_LINES,
                                                RTE_ATTR_FIRST_VISIBLE_LINE})
            values.push_back(ctrlInt(p, list, a));
        int colour = -1;
        EXPECT_EQ(GetCtrlVal(p, color, &colour), 0);
        values.push_back(colour);
        values.push_back(ctrlInt(p, color, RTE_ATTR_LABEL_RAISED));
        values.push_back(panelInt(p, RTE_ATTR_NUM_CTRLS));
        return values;
    };
    const ListState items = listStateOf(p, list);
    const std::vector<int> attributes = snapshot();
    for (const auto &c : calls) {
        SCOPED_TRACE(c.what);
        LibraryErrorCounter counter;
        EXPECT_EQ(c.call(), c.code);
        EXPECT_EQ(counter.reports(), 1);
        EXPECT_EQ(listStateOf(p, list), items);
        EXPECT_EQ(snapshot(), attributes);
    }
    takeUserEvents();
}

}  // namespace
