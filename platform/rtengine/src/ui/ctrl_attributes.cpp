// The control attributes: for each number its value type, the kinds that have it, and
// how it is read and set. A setter validates before it changes anything.
#include <algorithm>
#include <cmath>
#include <iterator>

#include "ui/ui_internal.h"

namespace rte::ui {

namespace {

constexpr unsigned kAll =
    kButton | kNumeric | kTimer | kColor | kText | kRing | kListBox | kPicture | kPictureRing;
constexpr unsigned kShown = kAll & ~kTimer;
constexpr int kBadValue = RTE_UIE_INVALID_ATTRIBUTE_VALUE;

using Getter = int (*)(const Panel &, const Control &, AttrValue &);
using Setter = int (*)(Panel &, Control &, const AttrValue &);

int setFlag(bool &field, int value) {
    if (value != 0 && value != 1) return kBadValue;
    field = value == 1;
    return 0;
}

int setInRange(int &field, int value, int low, int high) {
    if (value < low || value > high) return kBadValue;
    field = value;
    return 0;
}

// Moves a control within an ordered list to a new index, 0..n-1.
int setOrderIndex(std::vector<int> &order, int id, int index) {
    if (index < 0 || index >= int(order.size())) return kBadValue;
    moveInOrder(order, id, index);
    return 0;
}

void restartTimer(Control &c) { c.timer.due = clockNow() + c.timer.interval; }

int setTypedBound(Control &c, double v, bool maximum) {
    NumericState &n = c.numeric;
    if (!fitsDataType(n.dataType, v)) return kBadValue;
    if (maximum ? v < n.minimum : v > n.maximum) return kBadValue;
    (maximum ? n.maximum : n.minimum) = v;
    n.value = std::clamp(n.value, n.minimum, n.maximum);
    return 0;
}

// One of the text font properties 683-687.
#define TEXT_FONT_PROPERTY(number)                                                  \
    {                                                                               \
        number, ValueKind::Int, kTextFontKinds,                                     \
            [](const Panel &, const Control &c, AttrValue &v) {                     \
                return getTextFontProperty(c, number, v);                           \
            },                                                                      \
            [](Panel &, Control &c, const AttrValue &v) {                           \
                return setTextFontProperty(c, number, v);                           \
            }                                                                       \
    }

// Sorted by number (checked below), for the binary search.
constexpr CtrlAttribute kCtrlAttributes[] = {
    {RTE_ATTR_DIMMED, ValueKind::Int, kShown,
     [](const Panel &, const Control &c, AttrValue &v) { v.i = c.dimmed; return 0; },
     [](Panel &, Control &c, const AttrValue &v) { return setFlag(c.dimmed, v.i); }},
    {RTE_ATTR_CALLBACK_DATA, ValueKind::Pointer, kAll,
     [](const Panel &, const Control &c, AttrValue &v) { v.p = c.data; return 0; },
     [](Panel &, Control &c, const AttrValue &v) { c.data = v.p; return 0; }},
    {RTE_ATTR_CALLBACK_FUNCTION_POINTER, ValueKind::Pointer, kAll,
     [](const Panel &, const Control &c, AttrValue &v) {
         v.p = reinterpret_cast<void *>(c.function);
         return 0;
     },
     [](Panel &, Control &c, const AttrValue &v) {
         c.function = reinterpret_cast<CtrlCallbackFn>(v.p);
         return 0;
     }},
    {RTE_ATTR_VISIBLE, ValueKind::Int, kAll,
     [](const Panel &, const Control &c, AttrValue &v) {
         v.i = c.visible && !c.kind->hidden;
         return 0;
     },
     [](Panel &, Control &c, const AttrValue &v) {
         if (c.kind->hidden) return int(RTE_UIE_INVALID_ATTRIBUTE);
         return setFlag(c.visible, v.i);
     }},
    {RTE_ATTR_LEFT, ValueKind::Int, kAll,
     [](const Panel &, const Control &c, AttrValue &v) { v.i = c.left; return 0; },
     [](Panel &, Control &c, const AttrValue &v) {
         return setInRange(c.left, v.i, kMinCoordinate, kMaxCoordinate);
     }},
    {RTE_ATTR_TOP, ValueKind::Int, kAll,
     [](const Panel &, const Control &c, AttrValue &v) { v.i = c.top; return 0; },
     [](Panel &, Control &c, const AttrValue &v) {
         return setInRange(c.top, v.i, kMinCoordinate, kMaxCoordinate);
     }},
    {RTE_ATTR_WIDTH, ValueKind::Int, kAll,
     [](const Panel &, const Control &c, AttrValue &v) { v.i = c.width; return 0; },
     [](Panel &, Control &c, const AttrValue &v) {
         int code = setInRange(c.width, v.i, 0, kMaxSize);
         if (code == 0) c.sizedByCaption = false;
         return code;
     }},
    {RTE_ATTR_HEIGHT, ValueKind::Int, kAll,
     [](const Panel &, const Control &c, AttrValue &v) { v.i = c.height; return 0; },
     [](Panel &, Control &c, const AttrValue &v) {
         int code = setInRange(c.height, v.i, 0, kMaxSize);
         if (code == 0) c.sizedByCaption = false;
         if (code == 0) heightChanged(c);
         return code;
     }},
    {RTE_ATTR_ZPLANE_POSITION, ValueKind::Int, kAll,
     [](const Panel &p, const Control &c, AttrValue &v) {
         v.i = indexInOrder(p.zOrder, c.id);
         return 0;
     },
     [](Panel &p, Control &c, const AttrValue &v) { return setOrderIndex(p.zOrder, c.id, v.i); }},
    {RTE_ATTR_CTRL_STYLE, ValueKind::Int, kAll,
     [](const Panel &, const Control &c, AttrValue &v) { v.i = c.kind->style; return 0; },
     nullptr},
    {RTE_ATTR_CTRL_TAB_POSITION, ValueKind::Int, kAll,
     [](const Panel &p, const Control &c, AttrValue &v) {
         v.i = indexInOrder(p.tabOrder, c.id);
         return 0;
     },
     [](Panel &p, Control &c, const AttrValue &v) {
         return setOrderIndex(p.tabOrder, c.id, v.i);
     }},
    {RTE_ATTR_NEXT_CTRL, ValueKind::Int, kAll,
     [](const Panel &p, const Control &c, AttrValue &v) {
         size_t next = size_t(indexInOrder(p.tabOrder, c.id)) + 1;
         v.i = next < p.tabOrder.size() ? p.tabOrder[next] : 0;
         return 0;
     },
     nullptr},
    {RTE_ATTR_CTRL_MODE, ValueKind::Int, kAll,
     [](const Panel &, const Control &c, AttrValue &v) { v.i = c.mode; return 0; },
     [](Panel &, Control &c, const AttrValue &v) {
         if (c.kind->hidden) return int(RTE_UIE_INVALID_ATTRIBUTE);
         return setInRange(c.mode, v.i, RTE_CTRL_MODE_INDICATOR, RTE_CTRL_MODE_HOT);
     }},
    {RTE_ATTR_LABEL_LEFT, ValueKind::Int, kLabelled,
     [](const Panel &, const Control &c, AttrValue &v) { v.i = c.labelLeft(); return 0; },
     [](Panel &, Control &c, const AttrValue &v) {
         if (!validPosition(v.i)) return kBadValue;
         c.labelDy = c.labelTop() - c.top;
         c.labelDx = v.i - c.left;
         c.labelAuto = false;
         return 0;
     }},
    {RTE_ATTR_LABEL_TOP, ValueKind::Int, kLabelled,
     [](const Panel &, const Control &c, AttrValue &v) { v.i = c.labelTop(); return 0; },
     [](Panel &, Control &c, const AttrValue &v) {
         if (v.i == RTE_AUTO_LABEL) {
             c.labelAuto = true;
             return 0;
         }
         if (!validPosition(v.i)) return kBadValue;
         c.labelDx = c.labelLeft() - c.left;
         c.labelDy = v.i - c.top;
         c.labelAuto = false;
         return 0;
     }},
    {RTE_ATTR_LABEL_WIDTH, ValueKind::Int, kButton | kText | kLabelled,
     [](const Panel &, const Control &c, AttrValue &v) { v.i = c.labelExtent().width; return 0; },
     nullptr},
    {RTE_ATTR_LABEL_HEIGHT, ValueKind::Int, kButton | kText | kLabelled,
     [](const Panel &, const Control &c, AttrValue &v) { v.i = c.labelExtent().height; return 0; },
     nullptr},
    {RTE_ATTR_TEXT_FONT_NAME_LENGTH, ValueKind::Int, kTextFontKinds,
     [](const Panel &, const Control &c, AttrValue &v) { return getTextFontNameLength(c, v); },
     nullptr},
    {RTE_ATTR_TEXT_FONT, ValueKind::String, kTextFontKinds,
     [](const Panel &, const Control &c, AttrValue &v) { return getTextFontName(c, v); },
     [](Panel &, Control &c, const AttrValue &v) { return setTextFontName(c, v); }},
    TEXT_FONT_PROPERTY(RTE_ATTR_TEXT_ITALIC),
    TEXT_FONT_PROPERTY(RTE_ATTR_TEXT_UNDERLINE),
    TEXT_FONT_PROPERTY(RTE_ATTR_TEXT_STRIKEOUT),
    TEXT_FONT_PROPERTY(RTE_ATTR_TEXT_POINT_SIZE),
    TEXT_FONT_PROPERTY(RTE_ATTR_TEXT_BOLD),
    {RTE_ATTR_DATA_TYPE, ValueKind::Int, kNumeric | kIntValued,
     [](const Panel &, const Control &c, AttrValue &v) { v.i = c.numeric.dataType; return 0; },
     [](Panel &, Control &c, const AttrValue &v) {
         if (!c.is(kNumeric)) return int(RTE_UIE_INVALID_ATTRIBUTE);  // fixed: int
         if (!isNumericDataType(v.i)) return kBadValue;
         changeDataType(c.numeric, v.i);
         return 0;
     }},
    {RTE_ATTR_MAX_VALUE, ValueKind::Typed, kNumeric,
     [](const Panel &, const Control &c, AttrValue &v) { v.d = c.numeric.maximum; return 0; },
     [](Panel &, Control &c, const AttrValue &v) { return setTypedBound(c, v.d, true); }},
    {RTE_ATTR_MIN_VALUE, ValueKind::Typed, kNumeric,
     [](const Panel &, const Control &c, AttrValue &v) { v.d = c.numeric.minimum; return 0; },
     [](Panel &, Control &c, const AttrValue &v) { return setTypedBound(c, v.d, false); }},
    {RTE_ATTR_PRECISION, ValueKind::Int, kNumeric,
     [](const Panel &, const Control &c, AttrValue &v) { v.i = c.numeric.precision; return 0; },
     [](Panel &, Control &c, const AttrValue &v) {
         return setInRange(c.numeric.precision, v.i, 0, 15);
     }},
    {RTE_ATTR_LABEL_TEXT, ValueKind::String, kAll,
     [](const Panel &, const Control &c, AttrValue &v) { v.out = &c.label; return 0; },
     [](Panel &, Control &c, const AttrValue &v) {
         if (!v.text) return int(RTE_UIE_NULL_ARGUMENT);
         c.setLabel(v.text);
         return 0;
     }},
    {RTE_ATTR_LABEL_TEXT_LENGTH, ValueKind::Int, kAll,
     [](const Panel &, const Control &c, AttrValue &v) { v.i = int(c.label.size()); return 0; },
     nullptr},
    {RTE_ATTR_LABEL_VISIBLE, ValueKind::Int, kLabelled,
     [](const Panel &, const Control &c, AttrValue &v) { v.i = c.labelVisible; return 0; },
     [](Panel &, Control &c, const AttrValue &v) { return setFlag(c.labelVisible, v.i); }},
    {RTE_ATTR_CTRL_VAL, ValueKind::Typed, kNumeric | kIntValued,
     [](const Panel &, const Control &c, AttrValue &v) {
         if (c.is(kListKinds)) return getListValue(c, v);
         v.d = c.is(kColor) ? c.color : c.numeric.value;
         return 0;
     },
     [](Panel &, Control &c, const AttrValue &v) {
         if (c.is(kListKinds)) return setListValue(c, v);
         if (c.is(kColor)) {
             if (v.d < 0 || v.d > 0xFFFFFF) return kBadValue;
             c.color = int(v.d);
             return 0;
         }
         const NumericState &n = c.numeric;
         if (!fitsDataType(n.dataType, v.d) || v.d < n.minimum || v.d > n.maximum)
             return kBadValue;
         c.numeric.value = v.d;
         return 0;
     }},
    {RTE_ATTR_INCR_VALUE, ValueKind::Typed, kNumeric,
     [](const Panel &, const Control &c, AttrValue &v) { v.d = c.numeric.increment; return 0; },
     [](Panel &, Control &c, const AttrValue &v) {
         if (!fitsDataType(c.numeric.dataType, v.d) || v.d < 0) return kBadValue;
         c.numeric.increment = v.d;
         return 0;
     }},
    {RTE_ATTR_FIRST_VISIBLE_LINE, ValueKind::Int, kListBox,
     [](const Panel &, const Control &c, AttrValue &v) { v.i = c.firstVisible; return 0; },
     [](Panel &, Control &c, const AttrValue &v) { return setFirstVisibleLine(c, v.i); }},
    {RTE_ATTR_VISIBLE_LINES, ValueKind::Int, kListBox,
     [](const Panel &, const Control &c, AttrValue &v) { v.i = c.visibleLines; return 0; },
     [](Panel &, Control &c, const AttrValue &v) { return setVisibleLines(c, v.i); }},
    {RTE_ATTR_SHOW_DIGITAL_DISPLAY, ValueKind::Int, kNumeric,
     [](const Panel &, const Control &c, AttrValue &v) {
         v.i = c.numeric.digitalDisplay;
         return 0;
     },
     [](Panel &, Control &c, const AttrValue &v) {
         return setInRange(c.numeric.digitalDisplay, v.i, 0, 1);
     }},
    {RTE_ATTR_FILL_COLOR, ValueKind::Int, kNumeric,
     [](const Panel &, const Control &c, AttrValue &v) { v.i = c.numeric.fillColor; return 0; },
     [](Panel &, Control &c, const AttrValue &v) {
         return setInRange(c.numeric.fillColor, v.i, 0, RTE_TRANSPARENT);
     }},
    {RTE_ATTR_MARKER_STYLE, ValueKind::Int, kNumeric,
     [](const Panel &, const Control &c, AttrValue &v) { v.i = c.numeric.markerStyle; return 0; },
     [](Panel &, Control &c, const AttrValue &v) {
         return setInRange(c.numeric.markerStyle, v.i, 0, 3);
     }},
    {RTE_ATTR_DIVISIONS, ValueKind::Int, kNumeric,
     [](const Panel &, const Control &c, AttrValue &v) { v.i = c.numeric.divisions; return 0; },
     [](Panel &, Control &c, const AttrValue &v) {
         return setInRange(c.numeric.divisions, v.i, 1, 100);
     }},
    {RTE_ATTR_LABEL_RAISED, ValueKind::Int, kLabelled,
     [](const Panel &, const Control &c, AttrValue &v) { v.i = c.labelRaised; return 0; },
     [](Panel &, Control &c, const AttrValue &v) { return setFlag(c.labelRaised, v.i); }},
    {RTE_ATTR_SHORTCUT_KEY, ValueKind::Int, kButton,
     [](const Panel &, const Control &c, AttrValue &v) { v.i = c.shortcutKey; return 0; },
     [](Panel &, Control &c, const AttrValue &v) {
         if (v.i != 0 && !validKey(v.i)) return kBadValue;
         c.shortcutKey = v.i;
         return 0;
     }},
    {RTE_ATTR_FIT_MODE, ValueKind::Int, kPictureKinds,
     [](const Panel &, const Control &c, AttrValue &v) { v.i = c.fitMode; return 0; },
     [](Panel &, Control &c, const AttrValue &v) {
         return setInRange(c.fitMode, v.i, RTE_FIT_CENTERED, RTE_FIT_ASPECT);
     }},
    {RTE_ATTR_INTERVAL, ValueKind::Double, kTimer,
     [](const Panel &, const Control &c, AttrValue &v) { v.d = c.timer.interval; return 0; },
     [](Panel &, Control &c, const AttrValue &v) {
         if (!std::isfinite(v.d) || v.d < 0.0) return kBadValue;
         c.timer.interval = v.d;
         restartTimer(c);
         return 0;
     }},
    {RTE_ATTR_ENABLED, ValueKind::Int, kTimer,
     [](const Panel &, const Control &c, AttrValue &v) { v.i = c.timer.enabled; return 0; },
     [](Panel &, Control &c, const AttrValue &v) {
         bool was = c.timer.enabled;
         int code = setFlag(c.timer.enabled, v.i);
         if (code == 0 && !was && c.timer.enabled) restartTimer(c);
         return code;
     }},
};

constexpr bool sortedByNumber() {
    for (size_t k = 1; k < std::size(kCtrlAttributes); ++k)
        if (kCtrlAttributes[k - 1].number >= kCtrlAttributes[k].number) return false;
    return true;
}
static_assert(sortedByNumber(), "control attributes must be sorted by number");

}  // namespace

const CtrlAttribute *findCtrlAttribute(int number) {
    const CtrlAttribute *end = std::end(kCtrlAttributes);
    const CtrlAttribute *found = std::lower_bound(
        std::begin(kCtrlAttributes), end, number,
        [](const CtrlAttribute &a, int n) { return a.number < n; });
    return found != end && found->number == number ? found : nullptr;
}

}  // namespace rte::ui
