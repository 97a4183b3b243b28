// Control layout: id lists read from argument lists, one attribute set on a group in
// each value type, maxima and minima, the bounding rectangle read and moved, labels put
// on the left, distribution, z-plane and tab reordering checked through the positions of
// every control, centring with a label, the dialog shortcut keys pressed through the
// input driver, and bad input that must change nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "assertion_capture.h"
#include "controls_support.h"
#include "test_support.h"
#include "toolbox.h"
#include "toolbox_internal.h"
#include "ui_support.h"

using namespace testing_support;

namespace {

int listFromParmInfo(ListRef *list, int count, ...) {
    va_list arguments;
    va_start(arguments, count);
    int code = GetIntListFromParmInfo(arguments, count, list);
    va_end(arguments);
    return code;
}

// --- id lists ---------------------------------------------------------------------

struct ListCase {
    const char *name;
    std::function<ListRef()> build;
    std::vector<int> expected;
};

const ListCase kListCases[] = {
    {"count 0 ends at 0", [] { return BuildIntegerList(0, 5, 6, 7, 0); }, {5, 6, 7}},
    {"count 3 reads three", [] { return BuildIntegerList(3, 5, 6, 7); }, {5, 6, 7}},
    {"count 2 stops early", [] { return BuildIntegerList(2, 5, 6, 7); }, {5, 6}},
    {"id 1 ends the list", [] { return BuildIntegerList(0, 5, 1, 6, 0); }, {5}},
    {"-1 ends the list", [] { return BuildIntegerList(0, 5, 6, -1); }, {5, 6}},
    {"empty", [] { return BuildIntegerList(0, 0); }, {}},
    {"negative count reads nothing", [] { return BuildIntegerList(-1); }, {}},
};

class IdLists : public ::testing::TestWithParam<ListCase> {};

TEST_P(IdLists, ReadWhatTheArgumentsSay) {
    ScopedList list(GetParam().build());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(ListGetItemSize(list.get()), 4);
    EXPECT_EQ(idsOf(list.get()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, IdLists, ::testing::ValuesIn(kListCases),
                         [](const auto &test) {
                             std::string name = test.param.name;
                             std::replace(name.begin(), name.end(), ' ', '_');
                             std::replace(name.begin(), name.end(), '-', 'm');
                             return name;
                         });

// Appending adds in order; a null list or short memory gives 0 and changes nothing; a
// list made under short memory is either complete or not made at all.
TEST(IdListMemory, AppendAndShortMemory) {
    ScopedList list(BuildIntegerList(0, 2, 3, 0));
    EXPECT_EQ(AppendToIntegerList(list.get(), 0, 4, 5, 0), 1);
    EXPECT_EQ(idsOf(list.get()), (std::vector<int>{2, 3, 4, 5}));
    EXPECT_EQ(AppendToIntegerList(nullptr, 1, 9), 0);

    for (int pass = 0; pass < 4; ++pass) {
        tb::failAllocations(pass, 1);
        ScopedList made(BuildIntegerList(0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0));
        int appended = AppendToIntegerList(list.get(), 2, 11, 12);
        tb::failAllocations(0, 0);
        if (made) {
            EXPECT_EQ(ListNumItems(made.get()), 9) << "pass " << pass;
        }
        EXPECT_EQ(ListNumItems(list.get()), appended ? 6 : 4) << "pass " << pass;
        if (appended) ListRemoveItems(list.get(), nullptr, 5, 2);
    }
    tb::failAllocations(0, 1);
    ListRef out = BuildIntegerList(0, 0);
    EXPECT_EQ(out, nullptr);
    out = reinterpret_cast<ListRef>(&out);
    tb::failAllocations(0, 1);
    EXPECT_EQ(listFromParmInfo(&out, 1, 5), RTE_UIE_OUT_OF_MEMORY);
    EXPECT_EQ(out, nullptr);
    tb::failAllocations(0, 0);
    EXPECT_EQ(listFromParmInfo(nullptr, 1, 5), RTE_UIE_NULL_ARGUMENT);
}

// --- a panel of sized buttons ----------------------------------------------------------

class Layout : public ::testing::Test {
protected:
    EventLog log;  // before the panel: it must outlive the panel's discard events
    ScopedPanel panel{0, 50, 50, 400, 500};
    LibraryErrorCounter errors;  // breaking on: reports are counted, never shown

    std::vector<int> buttons(int n) {
        std::vector<int> made;
        for (int k = 0; k < n; ++k) made.push_back(makeButton(panel, 10 + 40 * k, 10, 20, 30));
        return made;
    }
    ScopedList listOf(const std::vector<int> &ids) {
        ScopedList list(ListCreate(sizeof(int)));
        for (int id : ids) ListInsertItem(list.get(), &id, ListPosEnd);
        return list;
    }
};

// Every attribute type gets the int in its own type: ints, the timer interval as a
// double, data-typed values in the control's type, pointers only as null; strings are
// refused. Without that, a double attribute reads a register the int never reached.
TEST_F(Layout, SetAttributeForListPassesEachTypeRightly) {
    int t1 = NewCtrl(panel, RTE_CTRL_TIMER, "", 0, 0);
    int t2 = NewCtrl(panel, RTE_CTRL_TIMER, "", 0, 0);
    ScopedList timers = listOf({t1, t2});
    EXPECT_EQ(SetAttributeForList(panel, timers.get(), RTE_ATTR_INTERVAL, 2), 0);
    for (int t : {t1, t2}) {
        double interval = -1;
        GetCtrlAttribute(panel, t, RTE_ATTR_INTERVAL, &interval);
        EXPECT_EQ(interval, 2.0);
    }

    int asDouble = makeIndicator(panel, nullptr, 200, 10);
    int asUnsigned = makeIndicator(panel, nullptr, 250, 10);
    ASSERT_EQ(SetCtrlAttribute(panel, asUnsigned, RTE_ATTR_DATA_TYPE, RTE_VAL_UNSIGNED_INTEGER), 0);
    EXPECT_EQ(SetAttributeForCtrls(panel, RTE_ATTR_MAX_VALUE, 50, 0, asDouble, 0), 0);
    EXPECT_EQ(SetAttributeForCtrls(panel, RTE_ATTR_MAX_VALUE, -1, 1, asUnsigned), 0);
    double maxDouble = 0;
    unsigned maxUnsigned = 0;
    GetCtrlAttribute(panel, asDouble, RTE_ATTR_MAX_VALUE, &maxDouble);
    GetCtrlAttribute(panel, asUnsigned, RTE_ATTR_MAX_VALUE, &maxUnsigned);
    EXPECT_EQ(maxDouble, 50.0);
    EXPECT_EQ(maxUnsigned, 4294967295u);

    std::vector<int> b = buttons(2);
    ScopedList pair = listOf(b);
    for (int c : b) log.watch(panel, c);
    EXPECT_EQ(SetAttributeForList(panel, pair.get(), RTE_ATTR_CALLBACK_FUNCTION_POINTER, 1),
              RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    EXPECT_EQ(SetAttributeForList(panel, pair.get(), RTE_ATTR_LABEL_TEXT, 0),
              RTE_UIE_INVALID_ATTRIBUTE);
    for (int c : b) {
        void *function = nullptr;
        GetCtrlAttribute(panel, c, RTE_ATTR_CALLBACK_FUNCTION_POINTER, &function);
        EXPECT_NE(function, nullptr);
    }
    EXPECT_EQ(SetAttributeForList(panel, pair.get(), RTE_ATTR_CALLBACK_FUNCTION_POINTER, 0), 0);
    for (int c : b) {
        void *function = &log;
        GetCtrlAttribute(panel, c, RTE_ATTR_CALLBACK_FUNCTION_POINTER, &function);
        EXPECT_EQ(function, nullptr);
    }
    EXPECT_EQ(SetAttributeForList(panel, pair.get(), RTE_ATTR_LEFT, 77), 0);
    EXPECT_EQ(ctrlInt(panel, b[0], RTE_ATTR_LEFT), 77);
    EXPECT_EQ(ctrlInt(panel, b[1], RTE_ATTR_LEFT), 77);
}

// The first failure stops the walk; controls before it keep the new value, those after
// it are untouched. Refusals before any change change nothing.
TEST_F(Layout, SetAttributeForListStopsAtTheFirstFailure) {
    int labelled = makeIndicator(panel, "Level", 100, 100);
    std::vector<int> b = buttons(2);
    std::vector<int> before = snapshotOf(panel, b);
    ScopedList mixed = listOf({labelled, b[0], b[1]});
    EXPECT_EQ(SetAttributeForList(panel, mixed.get(), RTE_ATTR_LABEL_LEFT, 3),
              RTE_UIE_INVALID_ATTRIBUTE);
    EXPECT_EQ(ctrlInt(panel, labelled, RTE_ATTR_LABEL_LEFT), 3);
    EXPECT_EQ(snapshotOf(panel, b), before);
    ScopedList two = listOf(b);
    EXPECT_EQ(SetAttributeForList(panel, two.get(), RTE_ATTR_LEFT, 40000),
              RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    EXPECT_EQ(SetAttributeForList(panel, two.get(), 9999, 1), RTE_UIE_INVALID_ATTRIBUTE);
    EXPECT_EQ(snapshotOf(panel, b), before);
    EXPECT_EQ(SetAttributeForList(panel, nullptr, RTE_ATTR_LEFT, 1), 0);
    ScopedList doubles(ListCreate(sizeof(double)));
    EXPECT_EQ(SetAttributeForList(panel, doubles.get(), RTE_ATTR_LEFT, 1),
              RTE_UIE_INVALID_ATTRIBUTE_VALUE);
}

// Maximum and minimum with the earliest control on ties, over own and bounding
// attributes and data-typed values; an empty list gives zeros; a failing read writes
// nothing.
TEST_F(Layout, MaximumAndMinimum) {
    int a = makeButton(panel, 30, 10, 20, 40), b = makeButton(panel, 10, 60, 20, 60);
    int c = makeButton(panel, 30, 130, 20, 40), d = makeButton(panel, 10, 200, 20, 60);
    int most = 0, mostAt = 0, least = 0, leastAt = 0;
    EXPECT_EQ(AttributeMaxAndMin(panel, RTE_ATTR_TOP, 0, &most, &mostAt, &least, &leastAt, a, b, c,
                                 d, 0),
              0);
    EXPECT_EQ(std::vector<int>({most, mostAt, least, leastAt}), std::vector<int>({30, a, 10, b}));
    EXPECT_EQ(AttributeMaxAndMin(panel, RTE_ATTR_HEIGHT, 4, &most, &mostAt, &least, &leastAt, d, c,
                                 b, a),
              0);
    EXPECT_EQ(std::vector<int>({most, mostAt, least, leastAt}), std::vector<int>({20, d, 20, d}));

    int high = makeIndicator(panel, "A label wider than the control", 200, 10);
    int low = makeIndicator(panel, nullptr, 150, 10);
    ASSERT_EQ(SetCtrlAttribute(panel, high, RTE_ATTR_WIDTH, 20), 0);
    ASSERT_EQ(SetCtrlAttribute(panel, high, RTE_ATTR_MAX_VALUE, 7.9), 0);
    ASSERT_EQ(SetCtrlAttribute(panel, low, RTE_ATTR_MAX_VALUE, -3.5), 0);
    EXPECT_EQ(AttributeMaxAndMin(panel, TbAttrBoundWidth, 2, &most, &mostAt, nullptr, nullptr,
                                 low, high),
              0);
    EXPECT_EQ(most, boundsOf(panel, high).width);
    EXPECT_EQ(mostAt, high);
    EXPECT_EQ(AttributeMaxAndMin(panel, TbAttrBoundTop, 2, nullptr, nullptr, &least, &leastAt,
                                 low, high),
              0);
    EXPECT_EQ(least, 150);  // the top of `low`: the label of `high` still lies below it
    EXPECT_EQ(AttributeMaxAndMin(panel, RTE_ATTR_MAX_VALUE, 2, &most, &mostAt, &least, &leastAt,
                                 low, high),
              0);
    EXPECT_EQ(std::vector<int>({most, mostAt, least, leastAt}),
              std::vector<int>({7, high, -3, low}));

    most = mostAt = least = leastAt = 0x5EED;
    EXPECT_EQ(AttributeMaxAndMin(panel, RTE_ATTR_TOP, 0, &most, &mostAt, &least, &leastAt, 0), 0);
    EXPECT_EQ(std::vector<int>({most, mostAt, least, leastAt}), std::vector<int>({0, 0, 0, 0}));

    most = mostAt = least = leastAt = 0x5EED;
    EXPECT_EQ(AttributeMaxAndMin(panel, RTE_ATTR_TOP, 0, &most, &mostAt, &least, &leastAt, a, 99,
                                 0),
              RTE_UIE_INVALID_CONTROL);
    EXPECT_EQ(AttributeMaxAndMin(panel, RTE_ATTR_CALLBACK_DATA, 1, &most, &mostAt, &least,
                                 &leastAt, a),
              RTE_UIE_INVALID_ATTRIBUTE);
    EXPECT_EQ(std::vector<int>({most, mostAt, least, leastAt}),
              std::vector<int>({0x5EED, 0x5EED, 0x5EED, 0x5EED}));
}

// Every control of the group gets the group's maximum or minimum, also of the bounding
// left, which lines the labels up.
TEST_F(Layout, SetToTheExtreme) {
    int a = makeButton(panel, 10, 10, 20, 40), b = makeButton(panel, 40, 10, 20, 60);
    int c = makeButton(panel, 70, 10, 20, 50);
    EXPECT_EQ(SetCtrlsToAttributeExtreme(panel, RTE_ATTR_WIDTH, 0, 3, a, b, c), 0);
    for (int k : {a, b, c}) EXPECT_EQ(ctrlInt(panel, k, RTE_ATTR_WIDTH), 60);
    EXPECT_EQ(SetCtrlsToAttributeExtreme(panel, RTE_ATTR_TOP, 1, 0, a, b, c, 0), 0);
    for (int k : {a, b, c}) EXPECT_EQ(ctrlInt(panel, k, RTE_ATTR_TOP), 10);

    int wide = makeIndicator(panel, "A long label here", 200, 100);
    int narrow = makeIndicator(panel, "x", 260, 40);
    ASSERT_EQ(PutLabelOnLeft(panel, wide, 5), 0);
    EXPECT_EQ(SetCtrlsToAttributeExtreme(panel, TbAttrBoundLeft, 1, 2, wide, narrow), 0);
    EXPECT_EQ(boundsOf(panel, wide).left, boundsOf(panel, narrow).left);
    EXPECT_EQ(SetCtrlsToAttributeExtreme(panel, TbAttrBoundWidth, 0, 2, wide, narrow), -63);
}

// Each way of naming a part of the bounding rectangle reads that part; other numbers are
// programming errors with the library's fixed line.
TEST_F(Layout, BoundRectAttributes) {
    int c = makeIndicator(panel, "A label wider than the control", 100, 40);
    ASSERT_EQ(SetCtrlAttribute(panel, c, RTE_ATTR_WIDTH, 30), 0);
    Rect r = boundsOf(panel, c);
    const struct {
        int attribute, expected;
    } parts[] = {{RTE_ATTR_TOP, r.top},       {TbAttrBoundTop, r.top},
                 {RTE_ATTR_LEFT, r.left},     {TbAttrBoundLeft, r.left},
                 {RTE_ATTR_HEIGHT, r.height}, {TbAttrBoundHeight, r.height},
                 {RTE_ATTR_WIDTH, r.width},   {TbAttrBoundWidth, r.width}};
    for (const auto &part : parts) {
        int value = -1;
        EXPECT_EQ(GetCtrlBoundRectAttribute(panel, c, part.attribute, &value), 0);
        EXPECT_EQ(value, part.expected) << "attribute " << part.attribute;
    }
    EXPECT_LT(r.top, 100);
    EXPECT_GT(r.width, 30);
    EXPECT_EQ(GetCtrlBoundRectAttribute(panel, c, RTE_ATTR_TOP, nullptr), RTE_UIE_NULL_ARGUMENT);

    int p = panel;
    std::string shown = assertionShownBy([&] {
        int value;
        GetCtrlBoundRectAttribute(p, c, RTE_ATTR_DIMMED, &value);
    });
    EXPECT_NE(shown.find("Bad attribute passed to GetCtrlBoundRectAttribute()"), std::string::npos)
        << shown;
    EXPECT_NE(shown.find("line 3002 of file 'toolbox'"), std::string::npos) << shown;
    shown = assertionShownBy([&] { SetCtrlBoundRectAttribute(p, c, 9999, 0); });
    EXPECT_NE(shown.find("Bad attribute passed to SetCtrlBoundRectAttribute()"), std::string::npos)
        << shown;
    EXPECT_NE(shown.find("line 3031 of file 'toolbox'"), std::string::npos) << shown;
}

// Moving by the bounding rectangle lands its edge on the value and carries the label;
// sizes give -63 and change nothing; positions outside the int range are refused.
TEST_F(Layout, SetBoundRectAttributeMovesControlAndLabel) {
    int c = makeIndicator(panel, "A label wider than the control", 100, 40);
    ASSERT_EQ(SetCtrlAttribute(panel, c, RTE_ATTR_WIDTH, 30), 0);
    Rect before = boundsOf(panel, c);
    int labelDy = ctrlInt(panel, c, RTE_ATTR_LABEL_TOP) - ctrlInt(panel, c, RTE_ATTR_TOP);
    EXPECT_EQ(SetCtrlBoundRectAttribute(panel, c, RTE_ATTR_TOP, 200), 0);
    EXPECT_EQ(SetCtrlBoundRectAttribute(panel, c, TbAttrBoundLeft, 5), 0);
    EXPECT_EQ(boundsOf(panel, c), (Rect{200, 5, before.height, before.width}));
    EXPECT_EQ(ctrlInt(panel, c, RTE_ATTR_LABEL_TOP) - ctrlInt(panel, c, RTE_ATTR_TOP), labelDy);

    std::vector<int> unchanged = snapshotOf(panel, {c});
    for (int size : {int(RTE_ATTR_WIDTH), int(RTE_ATTR_HEIGHT), int(TbAttrBoundWidth),
                     int(TbAttrBoundHeight)})
        EXPECT_EQ(SetCtrlBoundRectAttribute(panel, c, size, 10), -63);
    for (int far : {40000, INT_MAX, INT_MIN})
        EXPECT_EQ(SetCtrlBoundRectAttribute(panel, c, RTE_ATTR_LEFT, far),
                  RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    EXPECT_EQ(snapshotOf(panel, {c}), unchanged);
}

// The label ends `spacing` pixels left of the control, centred on its height; a
// button's caption cannot be moved, and nothing of it changes.
TEST_F(Layout, LabelsOnTheLeft) {
    int a = makeIndicator(panel, "Amplitude", 100, 150), b = makeIndicator(panel, "F", 160, 150);
    ASSERT_EQ(SetCtrlAttribute(panel, b, RTE_ATTR_HEIGHT, 40), 0);
    EXPECT_EQ(PutLabelsOnLeft(panel, 6, 0, a, b, 0), 0);
    for (int c : {a, b}) {
        SCOPED_TRACE(c);
        int left = ctrlInt(panel, c, RTE_ATTR_LEFT), top = ctrlInt(panel, c, RTE_ATTR_TOP);
        EXPECT_EQ(ctrlInt(panel, c, RTE_ATTR_LABEL_LEFT) + ctrlInt(panel, c, RTE_ATTR_LABEL_WIDTH),
                  left - 6);
        int spare = ctrlInt(panel, c, RTE_ATTR_HEIGHT) - ctrlInt(panel, c, RTE_ATTR_LABEL_HEIGHT);
        EXPECT_EQ(ctrlInt(panel, c, RTE_ATTR_LABEL_TOP), top + spare / 2);
        EXPECT_EQ(boundsOf(panel, c).left, ctrlInt(panel, c, RTE_ATTR_LABEL_LEFT));
    }
    int button = buttons(1)[0];
    std::vector<int> before = snapshotOf(panel, {button});
    EXPECT_EQ(PutLabelOnLeft(panel, button, 6), RTE_UIE_INVALID_ATTRIBUTE);
    EXPECT_EQ(snapshotOf(panel, {button}), before);
}

// The Part's cases: 20, 30 and 40 high with a gap of 10 from 100 land at 100, 130 and
// 170 and leave 210; three 10-wide controls over 50 get gaps of 10. Labels count.
TEST_F(Layout, Distribute) {
    int a = makeButton(panel, 7, 10, 20, 10), b = makeButton(panel, 3, 30, 30, 10);
    int c = makeButton(panel, 99, 50, 40, 10);
    int position = 100;
    EXPECT_EQ(DistributeCtrls(panel, 1, 1, &position, 10, 3, a, b, c), 0);
    EXPECT_EQ(position, 210);
    EXPECT_EQ(std::vector<int>({boundsOf(panel, a).top, boundsOf(panel, b).top,
                                boundsOf(panel, c).top}),
              std::vector<int>({100, 130, 170}));

    position = 5;
    EXPECT_EQ(DistributeCtrls(panel, 0, 0, &position, 50, 0, a, b, c, 0), 0);
    EXPECT_EQ(position, 55);
    EXPECT_EQ(std::vector<int>({ctrlInt(panel, a, RTE_ATTR_LEFT), ctrlInt(panel, b, RTE_ATTR_LEFT),
                                ctrlInt(panel, c, RTE_ATTR_LEFT)}),
              std::vector<int>({5, 25, 45}));

    int x = makeIndicator(panel, "Label one", 0, 300);
    int y = makeIndicator(panel, "Label two", 0, 300);
    position = 20;
    EXPECT_EQ(DistributeCtrls(panel, 1, 1, &position, 4, 2, x, y), 0);
    EXPECT_EQ(boundsOf(panel, x).top, 20);
    EXPECT_EQ(boundsOf(panel, y).top, 20 + boundsOf(panel, x).height + 4);
    EXPECT_EQ(position, boundsOf(panel, y).top + boundsOf(panel, y).height);

    position = 0;
    EXPECT_EQ(DistributeCtrls(panel, 1, 0, &position, 1000, 1, a), 0);  // one control: no gap
    EXPECT_EQ(position, 20);
    EXPECT_EQ(DistributeCtrls(panel, 1, 1, nullptr, 10, 1, a), RTE_UIE_NULL_ARGUMENT);

    position = 300;  // the second id is not on the panel: the first moved, position at it
    EXPECT_EQ(DistributeCtrls(panel, 1, 1, &position, 10, 3, a, 99, b), RTE_UIE_INVALID_CONTROL);
    EXPECT_EQ(boundsOf(panel, a).top, 300);
    EXPECT_EQ(position, 330);
    position = 0;
    EXPECT_EQ(DistributeCtrls(panel, 1, 1, &position, INT_MAX, 2, a, b),
              RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    EXPECT_EQ(position, 0);
}

// Reordering, checked against the intended result on every control: `control` ends
// directly behind / in front of / after / before the reference, the others keep their
// order, and the other ordering does not move.
struct Reordering {
    const char *name;
    int (*move)(int, int, int);
    int attribute;
    bool behind;
};

class Reorder : public Layout, public ::testing::WithParamInterface<Reordering> {};

TEST_P(Reorder, EveryPairEndsAdjacent) {
    const Reordering &r = GetParam();
    const int other = r.attribute == RTE_ATTR_ZPLANE_POSITION ? RTE_ATTR_CTRL_TAB_POSITION
                                                              : RTE_ATTR_ZPLANE_POSITION;
    std::vector<int> ids = buttons(5);
    for (int reference : ids)
        for (int control : ids) {
            SCOPED_TRACE(std::string(r.name) + " " + std::to_string(control) + " to " +
                         std::to_string(reference));
            std::vector<int> order = orderBy(panel, ids, r.attribute);
            std::vector<int> otherOrder = orderBy(panel, ids, other);
            std::vector<int> expected = order;
            if (reference != control) {
                expected.erase(std::find(expected.begin(), expected.end(), control));
                auto at = std::find(expected.begin(), expected.end(), reference);
                expected.insert(r.behind ? at + 1 : at, control);
            }
            ASSERT_EQ(r.move(panel, reference, control), 0);
            EXPECT_EQ(orderBy(panel, ids, r.attribute), expected);
            EXPECT_EQ(orderBy(panel, ids, other), otherOrder);
        }
    // Already adjacent: nothing moves.
    std::vector<int> order = orderBy(panel, ids, r.attribute);
    ASSERT_EQ(r.move(panel, order[2], order[r.behind ? 3 : 1]), 0);
    EXPECT_EQ(orderBy(panel, ids, r.attribute), order);
    EXPECT_EQ(r.move(panel, ids[0], 99), RTE_UIE_INVALID_CONTROL);
    EXPECT_EQ(r.move(panel, 99, ids[0]), RTE_UIE_INVALID_CONTROL);
    EXPECT_EQ(orderBy(panel, ids, r.attribute), order);
}

const Reordering kReorderings[] = {
    {"MoveBehind", MoveBehind, RTE_ATTR_ZPLANE_POSITION, true},
    {"MoveInFront", MoveInFront, RTE_ATTR_ZPLANE_POSITION, false},
    {"PlaceAfter", PlaceAfter, RTE_ATTR_CTRL_TAB_POSITION, true},
    {"PlaceBefore", PlaceBefore, RTE_ATTR_CTRL_TAB_POSITION, false},
};
INSTANTIATE_TEST_SUITE_P(Table, Reorder, ::testing::ValuesIn(kReorderings),
                         [](const auto &test) { return std::string(test.param.name); });

// Centring moves the whole bounding rectangle, label included, into the middle of the
// rectangle given (divisions truncate toward zero, also when it is smaller).
TEST_F(Layout, CenterWithTheLabelAbove) {
    int c = makeIndicator(panel, "A label wider than the control", 100, 40);
    ASSERT_EQ(SetCtrlAttribute(panel, c, RTE_ATTR_WIDTH, 30), 0);
    const Rect areas[] = {{10, 20, 200, 300}, {0, 0, 5, 5}, {-50, 7, 61, 33}};
    for (const Rect &area : areas) {
        SCOPED_TRACE(::testing::PrintToString(area));
        Rect before = boundsOf(panel, c);
        ASSERT_EQ(CenterCtrl(panel, c, area.top, area.left, area.height, area.width), 0);
        EXPECT_EQ(boundsOf(panel, c), (Rect{area.top + (area.height - before.height) / 2,
                                            area.left + (area.width - before.width) / 2,
                                            before.height, before.width}));
    }
    EXPECT_EQ(CenterCtrl(panel, c, INT_MAX, 0, 10, 10), RTE_UIE_INVALID_ATTRIBUTE_VALUE);
}

// Right alignment; a width that cannot be read is returned without a second, failing
// write (one library-error report, from the read).
TEST_F(Layout, RightPosition) {
    int b = makeButton(panel, 10, 10, 20, 45);
    EXPECT_EQ(SetCtrlRightPosition(panel, b, 200), 0);
    EXPECT_EQ(ctrlInt(panel, b, RTE_ATTR_LEFT), 155);
    EXPECT_EQ(SetCtrlRightPosition(panel, b, INT_MIN), RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    EXPECT_EQ(ctrlInt(panel, b, RTE_ATTR_LEFT), 155);
    int reports = errors.reports();
    EXPECT_EQ(SetCtrlRightPosition(panel, 99, 200), RTE_UIE_INVALID_CONTROL);
    EXPECT_EQ(errors.reports(), reports + 1);
    EXPECT_EQ(LibraryErrorCounter::lastFunction(), "GetCtrlAttribute");
}

// Enter commits the accepting button and Escape the cancelling one, wherever they are;
// closing the panel commits the close control. Pressed and closed through the driver.
TEST_F(Layout, DialogShortcutKeysCommitTheirButtons) {
    int ok = makeButton(panel, 10, 10, 20, 40), cancel = makeButton(panel, -100, -100, 20, 40);
    int close = makeButton(panel, 50, 10, 20, 40);
    for (int c : {ok, cancel, close}) log.watch(panel, c);
    ASSERT_EQ(DisplayPanel(panel), 0);
    takeUserEvents();
    ASSERT_EQ(SetCommonDialogShortcutKeys(panel, ok, cancel, close), 0);
    EXPECT_EQ(ctrlInt(panel, ok, RTE_ATTR_SHORTCUT_KEY), 1280);
    EXPECT_EQ(ctrlInt(panel, cancel, RTE_ATTR_SHORTCUT_KEY), 768);
    EXPECT_EQ(panelInt(panel, RTE_ATTR_CLOSE_CTRL), close);

    ASSERT_EQ(SimulateKeyPress(panel, RTE_KEY_ESCAPE), 0);
    ASSERT_EQ(SimulateKeyPress(panel, RTE_KEY_ENTER), 0);
    ASSERT_EQ(SimulateClosePanel(panel), 0);
    ASSERT_EQ(ProcessSystemEvents(), 0);
    EXPECT_EQ(log.controlsGetting(EVENT_COMMIT), (std::vector<int>{cancel, ok, close}));
    EXPECT_EQ(takeUserEvents(), (std::vector<TakenUserEvent>{{EVENT_COMMIT, panel, cancel},
                                                              {EVENT_COMMIT, panel, ok},
                                                              {EVENT_COMMIT, panel, close}}));

    std::vector<int> before = snapshotOf(panel, {ok, cancel, close});
    EXPECT_EQ(SetCommonDialogShortcutKeys(panel, 0, -1, 0), 0);
    EXPECT_EQ(SetCommonDialogShortcutKeys(panel, 99, cancel, close), RTE_UIE_INVALID_CONTROL);
    EXPECT_EQ(snapshotOf(panel, {ok, cancel, close}), before);
}

// Every function answers a discarded panel and a control not on the panel with the
// engine's code and leaves the controls as they were.
TEST_F(Layout, BadHandlesChangeNothing) {
    std::vector<int> ids = buttons(2);
    int labelled = makeIndicator(panel, "L", 200, 200);
    ids.push_back(labelled);
    int gone = NewPanel(0, "gone", 0, 0, 50, 50);
    ASSERT_EQ(DiscardPanel(gone), 0);
    std::vector<int> before = snapshotOf(panel, ids);
    const struct {
        int p, c, expected;
    } handles[] = {{gone, ids[0], RTE_UIE_INVALID_PANEL}, {panel, 99, RTE_UIE_INVALID_CONTROL}};
    for (const auto &h : handles) {
        SCOPED_TRACE(h.expected);
        int position = 10, value = 0;
        const int results[] = {
            SetAttributeForCtrls(h.p, RTE_ATTR_LEFT, 5, 1, h.c),
            AttributeMaxAndMin(h.p, RTE_ATTR_LEFT, 1, &value, nullptr, nullptr, nullptr, h.c),
            SetCtrlsToAttributeExtreme(h.p, RTE_ATTR_LEFT, 0, 1, h.c),
            GetCtrlBoundRectAttribute(h.p, h.c, RTE_ATTR_LEFT, &value),
            SetCtrlBoundRectAttribute(h.p, h.c, RTE_ATTR_LEFT, 5),
            PutLabelsOnLeft(h.p, 3, 1, h.c),
            DistributeCtrls(h.p, 1, 1, &position, 5, 1, h.c),
            MoveBehind(h.p, ids[1], h.c),
            MoveInFront(h.p, h.c, ids[1]),
            PlaceAfter(h.p, ids[1], h.c),
            PlaceBefore(h.p, h.c, ids[1]),
            SetCtrlRightPosition(h.p, h.c, 100),
            CenterCtrl(h.p, h.c, 0, 0, 100, 100),
            SetCommonDialogShortcutKeys(h.p, h.c, 0, 0),
        };
        for (size_t k = 0; k < std::size(results); ++k)
            EXPECT_EQ(results[k], h.expected) << "call " << k;
        EXPECT_EQ(position, 10);
    }
    EXPECT_EQ(snapshotOf(panel, ids), before);
}

}  // namespace
