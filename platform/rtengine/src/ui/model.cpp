// The user-interface model: the one instance and its lock, handle look-up, the panel
// tree's geometry and visibility, ordered id lists, and the delivery of callbacks.
#include <algorithm>

#include "threads/threads_internal.h"
#include "ui/ui_internal.h"

namespace rte::ui {

Model &model() { return immortal<Model>(); }  // never destroyed: exit routines use it late

unsigned callingThread() { return currentThreadId(); }

double clockNow() { return Timer(); }

int reported(const char *function, int code) { return code < 0 ? rte::fail(function, code) : code; }

Panel *findPanel(Model &m, int handle, int &code) {
    Panel *p = m.panel(handle);
    code = p ? 0 : RTE_UIE_INVALID_PANEL;
    return p;
}

Control *findControl(Model &m, int handle, int id, Panel *&panel, int &code) {
    panel = findPanel(m, handle, code);
    if (!panel) return nullptr;
    Control *c = panel->control(id);
    code = c ? 0 : RTE_UIE_INVALID_CONTROL;
    return c;
}

Point screenOrigin(const Model &m, const Panel &p) {
    Point origin{p.left, p.top};
    for (const Panel *up = m.panel(p.parent); up; up = m.panel(up->parent)) {
        origin.x += up->left;
        origin.y += up->top;
    }
    return origin;
}

bool shownOnScreen(const Model &m, const Panel &p) {
    for (const Panel *at = &p; at; at = m.panel(at->parent))
        if (!at->visible) return false;
    return true;
}

namespace {

bool isWithin(const Model &m, const Panel &p, int ancestor) {
    for (const Panel *at = &p; at; at = m.panel(at->parent))
        if (at->handle == ancestor) return true;
    return false;
}

}  // namespace

bool acceptsInput(const Model &m, const Panel &p) {
    if (p.discarding || !shownOnScreen(m, p)) return false;
    auto popups = m.popups.find(p.owner);
    if (popups == m.popups.end() || popups->second.empty()) return true;
    return isWithin(m, p, popups->second.back());
}

void bringToFront(Model &m, int handle) {
    removeFromOrder(m.stacking, handle);
    // Floating panels stay in front of the others.
    auto firstPlain = std::find_if(m.stacking.begin(), m.stacking.end(), [&](int other) {
        const Panel *o = m.panel(other);
        return !o || !o->floating;
    });
    const Panel *p = m.panel(handle);
    m.stacking.insert(p && p->floating ? m.stacking.begin() : firstPlain, handle);
}

void moveInOrder(std::vector<int> &order, int id, int index) {
    removeFromOrder(order, id);
    order.insert(order.begin() + index, id);
}

int indexInOrder(const std::vector<int> &order, int id) {
    auto found = std::find(order.begin(), order.end(), id);
    return found == order.end() ? -1 : int(found - order.begin());
}

void removeFromOrder(std::vector<int> &order, int id) {
    order.erase(std::remove(order.begin(), order.end(), id), order.end());
}

int deliverToControl(int panel, int control, int event, intptr_t data1, intptr_t data2) {
    CtrlCallbackFn function;
    void *data;
    {
        Model &m = model();
        Guard lock(m.mutex);
        const Panel *p = m.panel(panel);
        const Control *c = p ? p->control(control) : nullptr;
        if (!c || c->discarding || p->discarding) return 0;
        function = c->function;
        data = c->data;
    }
    return function ? function(panel, control, event, data, data1, data2) : 0;
}

int deliverToPanel(int panel, int event, intptr_t data1, intptr_t data2) {
    PanelCallbackFn function;
    void *data;
    {
        Model &m = model();
        Guard lock(m.mutex);
        const Panel *p = m.panel(panel);
        if (!p || p->discarding) return 0;
        function = p->function;
        data = p->data;
    }
    return function ? function(panel, event, data, data1, data2) : 0;
}

void moveFocus(int panel, int control) {
    int previous;
    {
        Model &m = model();
        Guard lock(m.mutex);
        Panel *p = m.panel(panel);
        if (!p || p->activeCtrl == control) return;
        previous = p->activeCtrl;
        p->activeCtrl = control;
    }
    if (previous) deliverToControl(panel, previous, EVENT_LOST_FOCUS, 0, 0);
    if (control) deliverToControl(panel, control, EVENT_GOT_FOCUS, 0, 0);
}

int scaleValuesHeight(const Control &c) {
    if (!c.is(kNumeric) || c.numeric.markerStyle < 2) return 0;
    return kScaleValuesGap + labelLineHeight();
}

Rect drawnRect(const Control &c) {
    return {c.top, c.left, c.height + scaleValuesHeight(c), c.width};
}

Rect boundingRect(const Control &c) {
    Rect drawn = drawnRect(c);
    int top = drawn.top, left = drawn.left, bottom = drawn.top + drawn.height,
        right = drawn.left + drawn.width;
    if (c.hasLabel()) {
        top = std::min(top, c.labelTop());
        left = std::min(left, c.labelLeft());
        Size extent = c.labelExtent();
        bottom = std::max(bottom, c.labelTop() + extent.height);
        right = std::max(right, c.labelLeft() + extent.width);
    }
    return {top, left, bottom - top, right - left};
}

}  // namespace rte::ui

extern "C" {

Rect MakeRect(int top, int left, int height, int width) { return {top, left, height, width}; }

Point MakePoint(int x, int y) { return {x, y}; }

Point PointPinnedToRect(Point point, Rect rect) {
    if (rect.width <= 0 || rect.height <= 0) return {rect.left, rect.top};
    // Widened, so a rectangle that reaches the end of the int range cannot overflow.
    long long right = (long long)rect.left + rect.width - 1;
    long long bottom = (long long)rect.top + rect.height - 1;
    return {int(std::clamp<long long>(point.x, rect.left, right)),
            int(std::clamp<long long>(point.y, rect.top, bottom))};
}

}  // extern "C"
