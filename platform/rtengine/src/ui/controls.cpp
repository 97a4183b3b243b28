// Controls: making and discarding them, attributes, callbacks, values, the focus and
// the bounding rectangle.
//
// Choices: a value outside the control's range or data type is refused (no clamping),
// so a failed SetCtrlVal leaves the value as it was; GetCtrlVal of a command button
// writes an int 0, of an empty ring or list box fails (it has no value). New objects
// cannot be made on a panel being discarded.
#include "ui/ui_internal.h"

namespace rte::ui {

namespace {

int newCtrl(int panel, int style, const char *label, int top, int left, unsigned &owner) {
    Model &m = model();
    Guard lock(m.mutex);
    int code;
    Panel *p = findPanel(m, panel, code);
    if (!p || p->discarding) return RTE_UIE_INVALID_PANEL;
    const Kind *kind = findKind(style);
    if (!kind) return RTE_UIE_INVALID_CONTROL_STYLE;
    if (!validPosition(top) || !validPosition(left)) return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
    auto c = std::make_unique<Control>();
    c->id = int(p->controls.size()) + 2;
    c->kind = kind;
    c->top = top;
    c->left = left;
    c->width = kind->width;
    c->height = kind->height;
    c->sizedByCaption = kind->sizedByCaption;
    c->mode = kind->defaultMode;
    if (kind->bit == kNumeric) c->numeric = defaultNumericState();
    if (kind->bit & kIntValued) c->numeric.dataType = RTE_VAL_INTEGER;
    if (kind->bit == kTimer) c->timer.due = clockNow() + c->timer.interval;
    if (kind->bit & kTextFontKinds) c->textFont.resolved = dialogFont();
    c->setLabel(label ? label : "");
    if (kind->bit & kTextFontKinds) c->fitToFont();
    p->controls.reserve(p->controls.size() + 1);
    p->tabOrder.reserve(p->tabOrder.size() + 1);
    p->zOrder.reserve(p->zOrder.size() + 1);
    std::vector<TimerRef> &timers = m.timers[p->owner];
    if (kind->bit == kTimer) timers.reserve(timers.size() + 1);
    int id = c->id;
    if (kind->bit == kTimer) timers.push_back({panel, id});
    owner = p->owner;
    p->controls.push_back(std::move(c));
    p->tabOrder.push_back(id);
    p->zOrder.insert(p->zOrder.begin(), id);
    panelLooksChanged(m, panel);
    return id;
}

// The attribute's entry for this control, or the code that refuses it.
const CtrlAttribute *attributeOf(const Control &c, int attribute, int &code) {
    const CtrlAttribute *a = findCtrlAttribute(attribute);
    code = a && (a->kinds & c.kind->bit) ? 0 : RTE_UIE_INVALID_ATTRIBUTE;
    return code ? nullptr : a;
}

int getCtrlAttribute(int panel, int control, int attribute, void *value) {
    return withControl(panel, control, [&](Model &, Panel &p, Control &c) -> int {
        int code;
        const CtrlAttribute *a = attributeOf(c, attribute, code);
        if (!a) return code;
        if (!value) return RTE_UIE_NULL_ARGUMENT;
        AttrValue v;
        code = a->get(p, c, v);
        if (code == 0) writeValue(a->kind, c.numeric.dataType, v, value);
        return code;
    });
}

int setLockedCtrlAttribute(int panel, int control, int attribute, va_list &args,
                           unsigned &owner) {
    return withControl(panel, control, [&](Model &m, Panel &p, Control &c) -> int {
        int code;
        const CtrlAttribute *a = attributeOf(c, attribute, code);
        if (!a) return code;
        if (!a->set) return RTE_UIE_INVALID_ATTRIBUTE;
        AttrValue v;
        readVarArg(a->kind, c.numeric.dataType, args, v);
        owner = p.owner;
        code = a->set(p, c, v);
        if (code == 0) panelLooksChanged(m, panel);
        return code;
    });
}

int setCtrlAttribute(int panel, int control, int attribute, va_list &args) {
    unsigned owner = 0;
    int code = setLockedCtrlAttribute(panel, control, attribute, args, owner);
    // A timer armed from another thread: its owner may sleep until an older due time.
    bool arming = attribute == RTE_ATTR_INTERVAL || attribute == RTE_ATTR_ENABLED;
    if (code == 0 && arming && owner != callingThread()) wakeOwner(owner);
    return code;
}

int setActiveCtrl(int panel, int control) {
    {
        Model &m = model();
        Guard lock(m.mutex);
        int code;
        Panel *p = findPanel(m, panel, code);
        if (!p) return code;
        if (p->owner != callingThread()) return RTE_UIE_WRONG_THREAD;
        if (control != 0) {
            const Control *c = p->control(control);
            if (!c) return RTE_UIE_INVALID_CONTROL;
            if (!c->canTakeFocus()) return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
        }
    }
    moveFocus(panel, control);
    return 0;
}

}  // namespace

}  // namespace rte::ui

using namespace rte::ui;

extern "C" {

int NewCtrl(int panel, int style, const char *label, int top, int left) {
    return entry("NewCtrl", [&] {
        unsigned owner = 0;
        int id = newCtrl(panel, style, label, top, left, owner);
        if (id > 0 && style == RTE_CTRL_TIMER && owner != callingThread()) wakeOwner(owner);
        return id;
    });
}

int DiscardCtrl(int panel, int control) {
    return entry("DiscardCtrl", [&] { return discardControl(panel, control); });
}

int GetCtrlAttribute(int panel, int control, int attribute, void *value) {
    return entry("GetCtrlAttribute",
                 [&] { return getCtrlAttribute(panel, control, attribute, value); });
}

int SetCtrlAttribute(int panel, int control, int attribute, ...) {
    va_list args;
    va_start(args, attribute);
    int result = entry("SetCtrlAttribute",
                       [&] { return setCtrlAttribute(panel, control, attribute, args); });
    va_end(args);
    return result;
}

int InstallCtrlCallback(int panel, int control, CtrlCallbackFn function, void *callbackData) {
    return entry("InstallCtrlCallback", [&] {
        return withControl(panel, control, [&](Model &, Panel &, Control &c) {
            c.function = function;
            c.data = callbackData;
            return 0;
        });
    });
}

int SetCtrlVal(int panel, int control, ...) {
    va_list args;
    va_start(args, control);
    int result = entry("SetCtrlVal", [&] {
        return setCtrlAttribute(panel, control, RTE_ATTR_CTRL_VAL, args);
    });
    va_end(args);
    return result;
}

int GetCtrlVal(int panel, int control, void *value) {
    return entry("GetCtrlVal", [&] {
        // A command button has no value of its own: it reads as an int 0.
        bool button = false;
        int code = withControl(panel, control, [&](Model &, Panel &, Control &c) -> int {
            button = c.kind->bit == kButton;
            if (!button) return 0;
            if (!value) return RTE_UIE_NULL_ARGUMENT;
            AttrValue zero;
            writeValue(ValueKind::Int, 0, zero, value);
            return 0;
        });
        if (code != 0 || button) return code;
        return getCtrlAttribute(panel, control, RTE_ATTR_CTRL_VAL, value);
    });
}

int SetActiveCtrl(int panel, int control) {
    return entry("SetActiveCtrl", [&] { return setActiveCtrl(panel, control); });
}

int GetActiveCtrl(int panel) {
    return entry("GetActiveCtrl", [&] {
        Model &m = model();
        Guard lock(m.mutex);
        int code;
        Panel *p = findPanel(m, panel, code);
        return p ? p->activeCtrl : code;
    });
}

int GetCtrlBoundingRect(int panel, int control, int *top, int *left, int *height, int *width) {
    return entry("GetCtrlBoundingRect", [&] {
        return withControl(panel, control, [&](Model &, Panel &, Control &c) {
            Rect r = boundingRect(c);
            if (top) *top = r.top;
            if (left) *left = r.left;
            if (height) *height = r.height;
            if (width) *width = r.width;
            return 0;
        });
    });
}

}  // extern "C"
