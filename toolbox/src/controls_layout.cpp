// Control layout and attributes: lists of control ids from argument lists, one
// attribute set on or compared over many controls, the bounding rectangle (control and
// label) read and moved, labels put on the left, controls distributed, reordered,
// right-aligned and centred, and a dialog's usual shortcut keys.
//
// Choices:
//  - Argument lists are read no further than needed: once count ids are taken nothing
//    more is read, and a negative count reads nothing.
//  - Values travel as int and reach each attribute in its own type (controls_numeric.cpp):
//    no attribute ever gets an int where the engine reads a double or a pointer.
//  - An empty list has no maximum or minimum: both values and both controls come out
//    as 0, which is no control (ids start at 2).
//  - The bounding-rectangle numbers may be set as well: TbAttrBoundTop and
//    TbAttrBoundLeft move the bounding rectangle, the sizes give -63, as with 532, 531,
//    540 and 533 in SetCtrlBoundRectAttribute, which takes them as the same attributes.
//  - The engine's automatic label top puts a label above its control, so PutLabelOnLeft
//    sets the label top itself: the label is centred on the control's height.
//  - Sums and differences of caller-given coordinates are formed in 64 bits; one that
//    leaves the int range gives RTE_UIE_INVALID_ATTRIBUTE_VALUE, as the engine answers
//    for a position outside its own range.
//  - A control moved behind, in front of, after or before itself stays where it is.
//  - SetCtrlRightPosition returns a failed width read and sets nothing.
//  - A list whose items are not ints gives RTE_UIE_INVALID_ATTRIBUTE_VALUE.
#include <cstdint>
#include <limits>

#include "controls_internal.h"

namespace {

constexpr int kSizeNotSettable = -63;  // the code the bounding-size setters return
constexpr int kAcceptKey = RTE_KEY_ENTER;
constexpr int kCancelKey = RTE_KEY_ESCAPE;

bool fitsInt(std::int64_t value) {
    return value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max();
}

// The list a variable-argument form reads, null when memory is short.
tb::OwnedList listFromArguments(va_list arguments, int count) {
    ListRef list = nullptr;
    GetIntListFromParmInfo(arguments, count, &list);
    return tb::OwnedList(list);
}

bool isBoundAttribute(int attribute) {
    return attribute >= TbAttrBoundTop && attribute <= TbAttrBoundWidth;
}

// The control attribute a bounding-rectangle attribute stands for; 0 for others.
int ownAttribute(int attribute) {
    switch (attribute) {
    case RTE_ATTR_TOP:
    case TbAttrBoundTop: return RTE_ATTR_TOP;
    case RTE_ATTR_LEFT:
    case TbAttrBoundLeft: return RTE_ATTR_LEFT;
    case RTE_ATTR_HEIGHT:
    case TbAttrBoundHeight: return RTE_ATTR_HEIGHT;
    case RTE_ATTR_WIDTH:
    case TbAttrBoundWidth: return RTE_ATTR_WIDTH;
    default: return 0;
    }
}

int setForOne(int panel, int control, int attribute, int value) {
    if (isBoundAttribute(attribute))
        return SetCtrlBoundRectAttribute(panel, control, attribute, value);
    return tb::setAttributeFromInt(panel, control, attribute, value);
}

int readForComparison(int panel, int control, int attribute, int *value) {
    if (isBoundAttribute(attribute))
        return GetCtrlBoundRectAttribute(panel, control, attribute, value);
    return tb::readAttributeAsInt(panel, control, attribute, value);
}

// Sets control's order attribute (610 or 612) so that it lands directly behind (after)
// or in front of (before) reference; the engine takes the control out and puts it in
// at the index, moving the others.
int placeRelative(int panel, int reference, int control, int attribute, bool behind) {
    int r, c;
    int code = GetCtrlAttribute(panel, reference, attribute, &r);
    if (code < 0) return code;
    code = GetCtrlAttribute(panel, control, attribute, &c);
    if (code < 0) return code;
    if (reference == control) return 0;
    int index = r > c ? (behind ? r : r - 1) : (behind ? r + 1 : r);
    return SetCtrlAttribute(panel, control, attribute, index);
}

int setPosition(int panel, int control, int attribute, std::int64_t value) {
    if (!fitsInt(value)) return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
    return SetCtrlAttribute(panel, control, attribute, static_cast<int>(value));
}

// The sum of the bounding sizes of the controls, or a failing read's code.
int sumOfSizes(int panel, ListRef controls, int sizeAttribute, std::int64_t *sum) {
    *sum = 0;
    for (int k = 1, n = ListNumItems(controls); k <= n; ++k) {
        int size;
        int code = GetCtrlBoundRectAttribute(panel, tb::idAt(controls, k), sizeAttribute, &size);
        if (code < 0) return code;
        *sum += size;
    }
    return 0;
}

}  // namespace

extern "C" {

int GetIntListFromParmInfo(va_list parmInfo, int count, ListRef *list) {
    if (!list) return RTE_UIE_NULL_ARGUMENT;
    *list = nullptr;
    tb::OwnedList made(ListCreate(sizeof(int)));
    if (!made) return RTE_UIE_OUT_OF_MEMORY;
    for (int taken = 0; count == 0 || taken < count; ++taken) {
        int id = va_arg(parmInfo, int);
        if (id <= 1) break;
        if (!ListInsertItem(made.get(), &id, ListPosEnd)) return RTE_UIE_OUT_OF_MEMORY;
    }
    *list = made.release();
    return 0;
}

ListRef BuildIntegerList(int count, ...) {
    va_list arguments;
    va_start(arguments, count);
    tb::OwnedList list = listFromArguments(arguments, count);
    va_end(arguments);
    return list.release();
}

int AppendToIntegerList(ListRef list, int count, ...) {
    va_list arguments;
    va_start(arguments, count);
    tb::OwnedList more = listFromArguments(arguments, count);
    va_end(arguments);
    return more && ListAppend(list, more.get()) ? 1 : 0;
}

int SetAttributeForList(int panel, ListRef controls, int attribute, int value) {
    if (!tb::isIdList(controls)) return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
    for (int k = 1, n = ListNumItems(controls); k <= n; ++k) {
        int code = setForOne(panel, tb::idAt(controls, k), attribute, value);
        if (code < 0) return code;
    }
    return 0;
}

int SetAttributeForCtrls(int panel, int attribute, int value, int count, ...) {
    va_list arguments;
    va_start(arguments, count);
    tb::OwnedList controls = listFromArguments(arguments, count);
    va_end(arguments);
    if (!controls) return RTE_UIE_OUT_OF_MEMORY;
    return SetAttributeForList(panel, controls.get(), attribute, value);
}

int AttrMaxAndMinForList(int panel, ListRef controls, int attribute, int *maxValue,
                         int *maxControl, int *minValue, int *minControl) {
    if (!tb::isIdList(controls)) return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
    int most = 0, mostControl = 0, least = 0, leastControl = 0;
    for (int k = 1, n = ListNumItems(controls); k <= n; ++k) {
        int control = tb::idAt(controls, k);
        int value;
        int code = readForComparison(panel, control, attribute, &value);
        if (code < 0) return code;
        if (k == 1 || value > most) {
            most = value;
            mostControl = control;
        }
        if (k == 1 || value < least) {
            least = value;
            leastControl = control;
        }
    }
    if (maxValue) *maxValue = most;
    if (maxControl) *maxControl = mostControl;
    if (minValue) *minValue = least;
    if (minControl) *minControl = leastControl;
    return 0;
}

int AttributeMaxAndMin(int panel, int attribute, int count, int *maxValue, int *maxControl,
                       int *minValue, int *minControl, ...) {
    va_list arguments;
    va_start(arguments, minControl);
    tb::OwnedList controls = listFromArguments(arguments, count);
    va_end(arguments);
    if (!controls) return RTE_UIE_OUT_OF_MEMORY;
    return AttrMaxAndMinForList(panel, controls.get(), attribute, maxValue, maxControl, minValue,
                                minControl);
}

int SetAttributeToExtremeForList(int panel, ListRef controls, int attribute, int useMinimum) {
    int most, least;
    int code = AttrMaxAndMinForList(panel, controls, attribute, &most, nullptr, &least, nullptr);
    if (code < 0) return code;
    return SetAttributeForList(panel, controls, attribute, useMinimum ? least : most);
}

int SetCtrlsToAttributeExtreme(int panel, int attribute, int useMinimum, int count, ...) {
    va_list arguments;
    va_start(arguments, count);
    tb::OwnedList controls = listFromArguments(arguments, count);
    va_end(arguments);
    if (!controls) return RTE_UIE_OUT_OF_MEMORY;
    return SetAttributeToExtremeForList(panel, controls.get(), attribute, useMinimum);
}

int GetCtrlBoundRectAttribute(int panel, int control, int attribute, int *value) {
    if (!value) return RTE_UIE_NULL_ARGUMENT;
    Rect r;
    int code = GetCtrlBoundingRect(panel, control, &r.top, &r.left, &r.height, &r.width);
    if (code < 0) return code;
    switch (ownAttribute(attribute)) {
    case RTE_ATTR_TOP: *value = r.top; return 0;
    case RTE_ATTR_LEFT: *value = r.left; return 0;
    case RTE_ATTR_HEIGHT: *value = r.height; return 0;
    case RTE_ATTR_WIDTH: *value = r.width; return 0;
    default:
        DoAssert(0, TB_SOURCE_NAME, 3002, "Bad attribute passed to GetCtrlBoundRectAttribute()");
        return RTE_UIE_INVALID_ATTRIBUTE;
    }
}

int SetCtrlBoundRectAttribute(int panel, int control, int attribute, int value) {
    int own = ownAttribute(attribute);
    if (own == 0) {
        DoAssert(0, TB_SOURCE_NAME, 3031, "Bad attribute passed to SetCtrlBoundRectAttribute()");
        return RTE_UIE_INVALID_ATTRIBUTE;
    }
    int bound, current;
    int code = GetCtrlBoundRectAttribute(panel, control, own, &bound);
    if (code < 0) return code;
    code = GetCtrlAttribute(panel, control, own, &current);
    if (code < 0) return code;
    if (own == RTE_ATTR_HEIGHT || own == RTE_ATTR_WIDTH) return kSizeNotSettable;
    return setPosition(panel, control, own, std::int64_t(value) - bound + current);
}

int PutLabelOnLeft(int panel, int control, int spacing) {
    const int attributes[] = {RTE_ATTR_LEFT, RTE_ATTR_TOP, RTE_ATTR_HEIGHT, RTE_ATTR_LABEL_WIDTH,
                              RTE_ATTR_LABEL_HEIGHT};
    int read[5];
    for (int k = 0; k < 5; ++k) {
        int code = GetCtrlAttribute(panel, control, attributes[k], &read[k]);
        if (code < 0) return code;
    }
    const int left = read[0], top = read[1], height = read[2], labelWidth = read[3],
              labelHeight = read[4];
    int code = setPosition(panel, control, RTE_ATTR_LABEL_LEFT,
                           std::int64_t(left) - labelWidth - spacing);
    if (code < 0) return code;
    return setPosition(panel, control, RTE_ATTR_LABEL_TOP, top + (height - labelHeight) / 2);
}

int PutLabelsOnLeftForList(int panel, ListRef controls, int spacing) {
    if (!tb::isIdList(controls)) return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
    for (int k = 1, n = ListNumItems(controls); k <= n; ++k) {
        int code = PutLabelOnLeft(panel, tb::idAt(controls, k), spacing);
        if (code < 0) return code;
    }
    return 0;
}

int PutLabelsOnLeft(int panel, int spacing, int count, ...) {
    va_list arguments;
    va_start(arguments, count);
    tb::OwnedList controls = listFromArguments(arguments, count);
    va_end(arguments);
    if (!controls) return RTE_UIE_OUT_OF_MEMORY;
    return PutLabelsOnLeftForList(panel, controls.get(), spacing);
}

int DistributeCtrlsInList(int panel, ListRef controls, int vertical, int fixedGap, int *position,
                          int gapOrExtent) {
    if (!position) return RTE_UIE_NULL_ARGUMENT;
    if (!tb::isIdList(controls)) return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
    const int place = vertical == 1 ? TbAttrBoundTop : TbAttrBoundLeft;
    const int extent = vertical == 1 ? TbAttrBoundHeight : TbAttrBoundWidth;
    const int n = ListNumItems(controls);
    std::int64_t gap = gapOrExtent;
    if (fixedGap != 1) {
        std::int64_t sizes = 0;
        int code = n < 2 ? 0 : sumOfSizes(panel, controls, extent, &sizes);
        if (code < 0) return code;
        gap = n < 2 ? 2 : (gapOrExtent - sizes) / (n - 1);
    }
    for (int k = 1; k <= n; ++k) {
        int control = tb::idAt(controls, k);
        int size;
        int code = GetCtrlBoundRectAttribute(panel, control, extent, &size);
        if (code < 0) return code;
        code = SetCtrlBoundRectAttribute(panel, control, place, *position);
        if (code < 0) return code;
        std::int64_t next = std::int64_t(*position) + size + (k < n ? gap : 0);
        if (!fitsInt(next)) return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
        *position = static_cast<int>(next);
    }
    return 0;
}

int DistributeCtrls(int panel, int vertical, int fixedGap, int *position, int gapOrExtent,
                    int count, ...) {
    va_list arguments;
    va_start(arguments, count);
    tb::OwnedList controls = listFromArguments(arguments, count);
    va_end(arguments);
    if (!controls) return RTE_UIE_OUT_OF_MEMORY;
    return DistributeCtrlsInList(panel, controls.get(), vertical, fixedGap, position, gapOrExtent);
}

int MoveBehind(int panel, int referenceControl, int control) {
    return placeRelative(panel, referenceControl, control, RTE_ATTR_ZPLANE_POSITION, true);
}

int MoveInFront(int panel, int referenceControl, int control) {
    return placeRelative(panel, referenceControl, control, RTE_ATTR_ZPLANE_POSITION, false);
}

int PlaceAfter(int panel, int referenceControl, int control) {
    return placeRelative(panel, referenceControl, control, RTE_ATTR_CTRL_TAB_POSITION, true);
}

int PlaceBefore(int panel, int referenceControl, int control) {
    return placeRelative(panel, referenceControl, control, RTE_ATTR_CTRL_TAB_POSITION, false);
}

int SetCtrlRightPosition(int panel, int control, int right) {
    int width;
    int code = GetCtrlAttribute(panel, control, RTE_ATTR_WIDTH, &width);
    if (code < 0) return code;
    return setPosition(panel, control, RTE_ATTR_LEFT, std::int64_t(right) - width);
}

int CenterCtrl(int panel, int control, int top, int left, int height, int width) {
    Rect bound;
    int code = GetCtrlBoundingRect(panel, control, &bound.top, &bound.left, &bound.height,
                                   &bound.width);
    if (code < 0) return code;
    int ownTop, ownLeft;
    code = GetCtrlAttribute(panel, control, RTE_ATTR_TOP, &ownTop);
    if (code < 0) return code;
    code = GetCtrlAttribute(panel, control, RTE_ATTR_LEFT, &ownLeft);
    if (code < 0) return code;
    std::int64_t boundTop = top + (std::int64_t(height) - bound.height) / 2;
    std::int64_t boundLeft = left + (std::int64_t(width) - bound.width) / 2;
    code = setPosition(panel, control, RTE_ATTR_TOP, ownTop + (boundTop - bound.top));
    if (code < 0) return code;
    return setPosition(panel, control, RTE_ATTR_LEFT, ownLeft + (boundLeft - bound.left));
}

int SetCommonDialogShortcutKeys(int panel, int okControl, int cancelControl, int closeControl) {
    if (okControl > 0) {
        int code = SetCtrlAttribute(panel, okControl, RTE_ATTR_SHORTCUT_KEY, kAcceptKey);
        if (code < 0) return code;
    }
    if (cancelControl > 0) {
        int code = SetCtrlAttribute(panel, cancelControl, RTE_ATTR_SHORTCUT_KEY, kCancelKey);
        if (code < 0) return code;
    }
    if (closeControl > 0) return SetPanelAttribute(panel, RTE_ATTR_CLOSE_CTRL, closeControl);
    return 0;
}

}  // extern "C"
