// Colour popup: a scripted user (delayed calls inside the dialog's own loop, driving it
// through the input driver) picks lines and colours and presses OK, Cancel, Default,
// Escape, Enter or closes the dialog; the caller's list and callback calls are checked
// after each run. Also: the layout, long names, empty lists, low memory on Cancel, a
// callback that changes the list, failures while the dialog is made or runs, bad
// input, and the nearest colour of a table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <string>
#include <vector>

#include "controls_support.h"
#include "list_support.h"
#include "loop_support.h"
#include "test_support.h"
#include "toolbox.h"
#include "toolbox_internal.h"
#include "ui_support.h"

using namespace testing_support;

namespace {

constexpr int kNameColumn = 415, kBoxWidth = 109;
constexpr double kStepDelay = 0.02;

// The caller's list: entry k (1-based) named "Colour k", colour 0x100000 + k, default
// colour 0x000100 * k.
class Palette {
public:
    explicit Palette(int count, const std::string &firstName = "") {
        list_ = ListCreate(sizeof(ColorChangeEntry));
        names_.reserve(size_t(count));
        for (int k = 1; k <= count; ++k) {
            names_.push_back(k == 1 && !firstName.empty() ? firstName : "Colour " + std::to_string(k));
            ColorChangeEntry entry{&names_.back()[0], 0x100 * k, 0x100000 + k};
            ListInsertItem(list_, &entry, ListPosEnd);
        }
    }
    ~Palette() { ListDispose(list_); }
    Palette(const Palette &) = delete;
    Palette &operator=(const Palette &) = delete;
    ListRef list() const { return list_; }
    const std::string &name(int k) const { return names_[size_t(k - 1)]; }
    std::vector<int> colors() const { return colorsOf(list_); }
    static std::vector<int> colorsOf(ListRef list) {
        std::vector<int> out;
        for (int k = 1; k <= ListNumItems(list); ++k)
            out.push_back(static_cast<ColorChangeEntry *>(ListGetPtrToItem(list, k))->color);
        return out;
    }

private:
    std::vector<std::string> names_;
    ListRef list_;
};

// What the caller's callback was told: each index, with the colours at that moment.
struct Told {
    std::vector<int> indices;
    std::vector<std::vector<int>> colors;
    static void record(ListRef list, void *data, int index) {
        Told *told = static_cast<Told *>(data);
        told->indices.push_back(index);
        told->colors.push_back(Palette::colorsOf(list));
    }
};

// The dialog's controls, in the order it makes them (its chain).
struct View {
    int panel = 0, ok = 0, cancel = 0, reset = 0, color = 0, nameText = 0, sampleText = 0, list = 0;
    int shownColor() const {
        int value = -1;
        EXPECT_EQ(GetCtrlVal(panel, color, &value), 0);
        return value;
    }
};
View viewOf(int panel) {
    std::vector<int> chain = chainOf(panel);
    EXPECT_EQ(chain.size(), 7u);
    chain.resize(7, 0);
    return {panel, chain[0], chain[1], chain[2], chain[3], chain[4], chain[5], chain[6]};
}

using Step = std::function<void(const View &)>;

// Runs the steps one after another, from delayed calls inside the dialog's loop.
struct Script {
    std::vector<Step> steps;
    size_t next = 0;
    int panel = 0;
    static void tick(void *data) {
        Script *script = static_cast<Script *>(data);
        if (script->next >= script->steps.size()) return;
        script->steps[script->next++](viewOf(script->panel));
        if (script->next < script->steps.size()) PostDelayedCall(tick, script, kStepDelay);
    }
};

// Runs ColorChangePopup on a thread of its own with the script as its user; a dialog
// that never ends fails the test program. Whatever the script left pending ends with
// the thread.
int runPopup(std::vector<Step> steps, ListRef colors, int allowDefault = 1, Told *told = nullptr,
             const char *title = "Colors") {
    Script script{std::move(steps)};
    int result = 1000;
    finishesWithin(20.0, [&] {
        EXPECT_EQ(PostDelayedCall(Script::tick, &script, kStepDelay), 1);
        script.panel = newestPanel() + 1;
        result = ColorChangePopup(title, colors, allowDefault, told ? Told::record : nullptr, told);
        tb::failAllocations(0, 0);  // a script may starve the dialog; the thread's end may not starve
    }, "ColorChangePopup");
    EXPECT_EQ(script.next, script.steps.size()) << "the dialog ended before the script did";
    return result;
}

// The user's actions.
Step pickLine(int index) {
    return [=](const View &v) { ASSERT_EQ(SimulateListItemPick(v.panel, v.list, index), 0); };
}
Step pickColor(int color, int accept) {
    return [=](const View &v) { ASSERT_EQ(SimulateColorPick(v.panel, v.color, color, accept), 0); };
}
Step press(int View::*button) {
    return [=](const View &v) { ASSERT_EQ(SimulateCtrlClick(v.panel, v.*button, 1), 0); };
}
Step key(int k) {
    return [=](const View &v) { ASSERT_EQ(SimulateKeyPress(v.panel, k), 0); };
}
Step check(std::function<void(const View &)> what) { return what; }

std::string lineLabel(const View &v, int index) {
    int length = 0;
    EXPECT_EQ(GetLabelLengthFromIndex(v.panel, v.list, index, &length), 0);
    std::string label(size_t(length) + 1, '\0');
    EXPECT_EQ(GetLabelFromIndex(v.panel, v.list, index, &label[0]), 0);
    label.pop_back();
    return label;
}

class ColorPopup : public ::testing::Test {
protected:
    void SetUp() override { before_ = newestPanel(); }
    void TearDown() override {
        tb::failAllocations(0, 0);
        tb::failDialogSteps(0, 0);
        // The dialogs' threads end their hidden timer panels as they end, just after.
        pumpUntil([&] { return panelsSince(before_) == 0; });
        expectNoPanelsSince(before_);
    }
    static int panelsSince(int since) {
        int next = newestPanel(), alive = 0, visible;
        int breaking = SetBreakOnLibraryErrors(0);
        for (int handle = since + 1; handle < next; ++handle)
            alive += GetPanelAttribute(handle, RTE_ATTR_VISIBLE, &visible) == 0;
        SetBreakOnLibraryErrors(breaking);
        return alive;
    }

private:
    int before_ = 0;
};

// The layout of the steps of building: the list under "Color Name:" with 5 to 10
// visible lines, the colour control on the line below with its label on the left, the
// three buttons equally wide from the right edge, the panel 566 wide, centred, in
// front, closed by Cancel; every line labelled with its name and colour sample.
TEST_F(ColorPopup, LayoutForEachSize) {
    for (int count : {3, 7, 25}) {
        for (int allowDefault : {1, 0}) {
            SCOPED_TRACE(std::to_string(count) + " entries, default " + std::to_string(allowDefault));
            Palette palette(count);
            const std::vector<int> colors = palette.colors();
            Told told;
            int result = runPopup({check([&](const View &v) {
                                       const int p = v.panel;
                                       EXPECT_EQ(ctrlInt(p, v.list, RTE_ATTR_VISIBLE_LINES),
                                                 count < 5 ? 5 : count > 10 ? 10 : count);
                                       EXPECT_EQ(ctrlInt(p, v.list, RTE_ATTR_CTRL_STYLE), RTE_CTRL_LIST_BOX);
                                       EXPECT_EQ(ctrlInt(p, v.list, RTE_ATTR_TOP),
                                                 8 + ctrlInt(p, v.nameText, RTE_ATTR_HEIGHT) + 4);
                                       EXPECT_EQ(ctrlInt(p, v.list, RTE_ATTR_LEFT), 8);
                                       EXPECT_EQ(ctrlInt(p, v.list, RTE_ATTR_WIDTH), 550);
                                       EXPECT_EQ(ctrlInt(p, v.sampleText, RTE_ATTR_LEFT), 428);
                                       const int top = ctrlInt(p, v.list, RTE_ATTR_TOP) +
                                                       ctrlInt(p, v.list, RTE_ATTR_HEIGHT) + 8;
                                       EXPECT_EQ(ctrlInt(p, v.color, RTE_ATTR_TOP), top);
                                       EXPECT_EQ(ctrlInt(p, v.color, RTE_ATTR_LEFT), textSize("Color:").width + 18);
                                       EXPECT_EQ(ctrlInt(p, v.color, RTE_ATTR_LABEL_LEFT), 8);
                                       const int w = ctrlInt(p, v.ok, RTE_ATTR_WIDTH);
                                       const int h = ctrlInt(p, v.ok, RTE_ATTR_HEIGHT);
                                       EXPECT_EQ(w, std::max({textSize("OK").width, textSize("  Cancel  ").width,
                                                              textSize("Default").width}) + 24);
                                       const struct {
                                           int button, left;
                                       } buttons[] = {{v.cancel, 558 - w}, {v.ok, 558 - 2 * w - 16},
                                                      {v.reset, 558 - 3 * w - 32}};
                                       for (const auto &b : buttons) {
                                           EXPECT_EQ(ctrlInt(p, b.button, RTE_ATTR_WIDTH), w);
                                           EXPECT_EQ(ctrlInt(p, b.button, RTE_ATTR_TOP), top);
                                           EXPECT_EQ(ctrlInt(p, b.button, RTE_ATTR_LEFT), b.left);
                                       }
                                       EXPECT_EQ(ctrlInt(p, v.reset, RTE_ATTR_VISIBLE), allowDefault);
                                       EXPECT_EQ(panelInt(p, RTE_ATTR_HEIGHT), top + h + 16);
                                       EXPECT_EQ(panelInt(p, RTE_ATTR_WIDTH), 566);
                                       EXPECT_EQ(panelInt(p, RTE_ATTR_TOP), (RTE_SCREEN_HEIGHT - (top + h + 16)) / 2);
                                       EXPECT_EQ(panelInt(p, RTE_ATTR_FLOATING), 1);
                                       EXPECT_EQ(panelInt(p, RTE_ATTR_CLOSE_CTRL), v.cancel);
                                       EXPECT_EQ(ctrlInt(p, v.ok, RTE_ATTR_SHORTCUT_KEY), RTE_KEY_ENTER);
                                       EXPECT_EQ(ctrlInt(p, v.cancel, RTE_ATTR_SHORTCUT_KEY), RTE_KEY_ESCAPE);
                                       EXPECT_EQ(GetActiveCtrl(p), v.list);
                                       EXPECT_EQ(v.shownColor(), colors[0]);
                                       ListState lines = listStateOf(p, v.list);
                                       ASSERT_EQ(lines.items.size(), size_t(count));
                                       for (int k = 1; k <= count; ++k)
                                           EXPECT_EQ(lines.items[size_t(k - 1)],
                                                     std::make_pair(colorLine(palette.name(k), kNameColumn,
                                                                              kBoxWidth, colors[size_t(k - 1)]),
                                                                    k));
                                   }),
                                   press(&View::ok)},
                                  palette.list(), allowDefault, &told);
            EXPECT_EQ(result, 0);
            EXPECT_EQ(palette.colors(), colors);
            EXPECT_TRUE(told.indices.empty());
        }
    }
}

struct PopupRun {
    const char *what;
    std::vector<Step> steps;
    int result;
    std::vector<int> colors;  // the caller's list afterwards (3 entries)
    std::vector<int> told;    // the indices the callback was given
};

void PrintTo(const PopupRun &run, std::ostream *out) { *out << run.what; }

class ColorPopupRuns : public ColorPopup, public ::testing::WithParamInterface<PopupRun> {};

// Each run of the scripted user ends with the caller's list and callbacks as given.
TEST_P(ColorPopupRuns, CallersListAfterward) {
    const PopupRun &run = GetParam();
    Palette palette(3);
    Told told;
    EXPECT_EQ(runPopup(run.steps, palette.list(), 1, &told), run.result);
    EXPECT_EQ(palette.colors(), run.colors);
    EXPECT_EQ(told.indices, run.told);
}

const std::vector<int> kOriginal{0x100001, 0x100002, 0x100003};
const std::vector<int> kDefaults{0x100, 0x200, 0x300};

// The line picked shows its colour; a colour picked is stored and relabels the line.
Step expectShown(int line, int color) {
    return [=](const View &v) {
        EXPECT_EQ(v.shownColor(), color);
        ListState lines = listStateOf(v.panel, v.list);
        EXPECT_EQ(lines.selected, line);
        EXPECT_EQ(lineLabel(v, line),
                  colorLine("Colour " + std::to_string(line + 1), kNameColumn, kBoxWidth, color));
    };
}

INSTANTIATE_TEST_SUITE_P(
    Script, ColorPopupRuns,
    ::testing::Values(
        PopupRun{"ok after a committed edit",
            {pickLine(1), expectShown(1, 0x100002), pickColor(0x123456, 1), expectShown(1, 0x123456),
             press(&View::ok)},
            1, {0x100001, 0x123456, 0x100003}, {2}},
        PopupRun{"ok after an edit never committed",
            {pickLine(2), pickColor(0xABCDEF, 0), expectShown(2, 0xABCDEF), press(&View::ok)},
            1, {0x100001, 0x100002, 0xABCDEF}, {}},
        PopupRun{"ok without edits", {pickLine(2), press(&View::ok)}, 0, kOriginal, {}},
        PopupRun{"a colour committed unchanged", {pickColor(0x100001, 1), press(&View::ok)}, 1, kOriginal, {1}},
        PopupRun{"cancel after edits, committed and not",
            {pickColor(0x111111, 1), pickLine(2), pickColor(0x222222, 0), press(&View::cancel)},
            0, kOriginal, {1, -1}},
        PopupRun{"cancel without edits", {pickLine(1), press(&View::cancel)}, 0, kOriginal, {}},
        PopupRun{"default then ok", {pickLine(1), press(&View::reset), expectShown(1, 0x200), press(&View::ok)},
            1, kDefaults, {-1}},
        PopupRun{"default then cancel", {press(&View::reset), press(&View::cancel)}, 0, kOriginal, {-1, -1}},
        PopupRun{"default, edit, ok",
            {press(&View::reset), pickColor(0x333333, 1), press(&View::ok)},
            1, {0x333333, 0x200, 0x300}, {-1, 1}},
        PopupRun{"escape cancels", {pickColor(0x444444, 0), key(RTE_KEY_ESCAPE)}, 0, kOriginal, {-1}},
        PopupRun{"enter accepts", {pickColor(0x444444, 0), key(RTE_KEY_ENTER)}, 1,
            {0x444444, 0x100002, 0x100003}, {}},
        PopupRun{"closing cancels",
            {pickColor(0x555555, 1), [](const View &v) { ASSERT_EQ(SimulateClosePanel(v.panel), 0); }},
            0, kOriginal, {1, -1}},
        PopupRun{"keys move the line shown",
            {key(RTE_KEY_END), expectShown(2, 0x100003), key(RTE_KEY_UP), expectShown(1, 0x100002),
             key('c'), expectShown(2, 0x100003), press(&View::ok)},
            0, kOriginal, {}}),
    [](const ::testing::TestParamInfo<PopupRun> &param) {
        std::string name;
        for (const char *c = param.param.what; *c; ++c)
            if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
        return name;
    });

// A name far longer than any fixed label buffer is shown whole, edits and all.
TEST_F(ColorPopup, LongNamesAreShownWhole) {
    const std::string longName(3000, 'n');
    Palette palette(2, longName);
    EXPECT_EQ(runPopup({check([&](const View &v) {
                            EXPECT_EQ(lineLabel(v, 0), colorLine(longName, kNameColumn, kBoxWidth, 0x100001));
                        }),
                        pickColor(0x00FF00, 1),
                        check([&](const View &v) {
                            EXPECT_EQ(lineLabel(v, 0), colorLine(longName, kNameColumn, kBoxWidth, 0x00FF00));
                        }),
                        press(&View::ok)},
                       palette.list()),
              1);
    EXPECT_EQ(palette.colors(), (std::vector<int>{0x00FF00, 0x100002}));
}

// An empty list: no line, the colour control dimmed (a pick changes nothing); Default
// still counts as a change.
TEST_F(ColorPopup, EmptyList) {
    Palette palette(0);
    Told told;
    EXPECT_EQ(runPopup({check([](const View &v) {
                            EXPECT_EQ(listStateOf(v.panel, v.list), (ListState{{}, -1}));
                            EXPECT_EQ(ctrlInt(v.panel, v.color, RTE_ATTR_DIMMED), 1);
                        }),
                        pickColor(0x123456, 1), press(&View::ok)},
                       palette.list(), 1, &told),
              0);
    EXPECT_EQ(runPopup({press(&View::reset), press(&View::ok)}, palette.list(), 1, &told), 1);
    EXPECT_EQ(told.indices, (std::vector<int>{-1}));
    EXPECT_EQ(ListNumItems(palette.list()), 0);
}

// Cancel restores the list even when memory has run out, without needing any; when the
// callback changed the number of entries, the count is put back too, and only a
// restore that needs room and finds none fails, leaving the list as it was.
TEST_F(ColorPopup, CancelRestoresWhateverMemoryIsLeft) {
    Palette palette(3);
    Step starve = [](const View &) { tb::failAllocations(0, 1 << 30); };
    EXPECT_EQ(runPopup({pickColor(0x010203, 1), starve, press(&View::cancel)}, palette.list()), 0);
    EXPECT_EQ(palette.colors(), kOriginal);

    struct Change {
        int extra;   // entries the callback adds (> 0) or removes (< 0)
        bool starved;
        int result;
        size_t count;
    };
    for (const Change &change : {Change{2, true, 0, 3}, Change{-2, false, 0, 3}, Change{-2, true, -12, 1}}) {
        SCOPED_TRACE(std::to_string(change.extra) + (change.starved ? " starved" : ""));
        Palette changed(3);
        ColorChangeEntry added{nullptr, 0, 0x777777};
        std::function<void(ListRef)> edit = [&](ListRef list) {
            for (int k = 0; k < change.extra; ++k) ListInsertItem(list, &added, ListPosEnd);
            for (int k = 0; k < -change.extra; ++k) ListRemoveItem(list, nullptr, ListPosEnd);
            ListCompact(list);  // so that putting entries back needs room
        };
        auto callback = [](ListRef list, void *data, int index) {
            if (index > 0) (*static_cast<std::function<void(ListRef)> *>(data))(list);
        };
        Script script{{pickLine(0), pickColor(0x0A0B0C, 1),
                       [&](const View &) {
                           if (change.starved) tb::failAllocations(0, 1 << 30);
                       },
                       press(&View::cancel)}};
        int result = 1000;
        finishesWithin(20.0, [&] {
            PostDelayedCall(Script::tick, &script, kStepDelay);
            script.panel = newestPanel() + 1;
            result = ColorChangePopup("Colors", changed.list(), 1, callback, &edit);
            tb::failAllocations(0, 0);
        }, "ColorChangePopup");
        EXPECT_EQ(result, change.result);
        ASSERT_EQ(size_t(ListNumItems(changed.list())), change.count);
        if (change.result == 0) EXPECT_EQ(changed.colors(), kOriginal);
        else EXPECT_EQ(changed.colors(), (std::vector<int>{0x0A0B0C}));
    }
}

// A line that cannot be relabelled, or the panel discarded under the dialog, ends it
// with that code; the colours stored before stay.
TEST_F(ColorPopup, FailuresWhileRunningEndTheDialog) {
    Palette palette(3);
    Step failNextRelabel = [](const View &) { tb::failDialogSteps(0, RTE_UIE_OUT_OF_MEMORY); };
    EXPECT_EQ(runPopup({pickColor(0x0000FF, 0), failNextRelabel, pickLine(1), pickColor(0x00FF00, 1)},
                       palette.list()),
              RTE_UIE_OUT_OF_MEMORY);
    EXPECT_EQ(palette.colors(), (std::vector<int>{0x0000FF, 0x00FF00, 0x100003}));
    Step discard = [](const View &v) { ASSERT_EQ(DiscardPanel(v.panel), 0); };
    EXPECT_EQ(runPopup({discard}, palette.list()), RTE_UIE_INVALID_PANEL);
}

// Each engine call of the making failing in turn ends the call with that code, with no
// panel left and the list untouched; bad input is refused before any panel is made.
TEST_F(ColorPopup, FailuresWhileMakingAndBadInput) {
    Palette palette(2);
    int pass = 0;
    for (;; ++pass) {
        SCOPED_TRACE("step " + std::to_string(pass));
        int result = 1000;
        Script script{{key(RTE_KEY_ENTER)}};
        finishesWithin(20.0, [&] {
            PostDelayedCall(Script::tick, &script, kStepDelay);
            script.panel = newestPanel() + 1;
            tb::failDialogSteps(pass, -90);
            result = ColorChangePopup("Colors", palette.list(), 1, nullptr, nullptr);
            tb::failDialogSteps(0, 0);
        }, "ColorChangePopup");
        EXPECT_EQ(palette.colors(), (std::vector<int>{0x100001, 0x100002}));
        if (result == 0) break;
        EXPECT_EQ(result, -90);
    }
    EXPECT_GT(pass, 40);  // every step was made to fail once
    tb::failAllocations(0, 1);
    EXPECT_EQ(ColorChangePopup("Colors", palette.list(), 1, nullptr, nullptr), RTE_UIE_OUT_OF_MEMORY);
    tb::failAllocations(0, 0);

    EXPECT_EQ(ColorChangePopup("Colors", nullptr, 1, nullptr, nullptr), RTE_UIE_NULL_ARGUMENT);
    ListRef ints = ListCreate(sizeof(int));
    EXPECT_EQ(ColorChangePopup("Colors", ints, 1, nullptr, nullptr), TbErrUnrecognizedValue);
    ListDispose(ints);
    for (int bad : {-1, 0x1000000}) {
        for (int field : {0, 1}) {
            Palette wrong(2);
            ColorChangeEntry *entry = static_cast<ColorChangeEntry *>(ListGetPtrToItem(wrong.list(), 2));
            (field ? entry->color : entry->defaultColor) = bad;
            EXPECT_EQ(ColorChangePopup(nullptr, wrong.list(), 0, nullptr, nullptr), TbErrUnrecognizedValue);
        }
    }
}

// The nearest colour weighs the channels and their differences (a grey stays grey),
// ties keep the earlier entry, an exact match is taken at once; empty tables give -1.
TEST(FindClosestColor, NearestByWeightedDistance) {
    const int greys[] = {0x707070, 0x646476};  // Euclid would take the second for 0x646464
    const int ties[] = {0x000010, 0x100000, 0x000010};
    const int exact[] = {0x000000, 0x123456, 0x123456, 0x123457};
    const int whole[] = {0x000000, 0xFFFFFF};
    const struct {
        int color;
        const int *table;
        int count;
        int index;
    } cases[] = {
        {0x646464, greys, 2, 0}, {0x000000, ties, 3, 0}, {0x123456, exact, 4, 1},
        {0x808080, whole, 2, 1}, {0x7F7F7F, whole, 2, 0}, {0xFFFFFF, whole, 1, 0},
        {0x123456, exact, 0, -1}, {0x123456, exact, -5, -1}, {0x123456, nullptr, 0, -1},
        {0x123456, nullptr, 3, RTE_UIE_NULL_ARGUMENT},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FindClosestColorInTable(c.color, c.table, c.count), c.index)
            << std::hex << c.color << " in " << std::dec << c.count;
}

}  // namespace
