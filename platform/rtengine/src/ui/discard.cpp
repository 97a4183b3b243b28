// Discarding panels and controls.
//
// An object being discarded is marked first; it keeps resolving (attributes, callback
// installation) until its own EVENT_DISCARD delivery has returned, and then leaves the
// model. The mark makes every later discard of it a no-op and keeps input, focus
// events and timer ticks away from it, so its callback sees EVENT_DISCARD exactly once
// and nothing after it. Child panels go first, then controls in chain order, then the
// panel itself, then its system window. The model lock is released around each
// delivery, so the loops look for "the next object not yet marked" again after each
// one: what a callback discards or makes meanwhile is taken into account (new objects
// cannot be made on a panel being discarded).
#include <algorithm>

#include "ui/ui_internal.h"

namespace rte::ui {

namespace {

// Marks a control and gives its callback as it is now (the delivery follows at once).
bool markControl(int panel, int control, CtrlCallbackFn &function, void *&data, int &code) {
    Model &m = model();
    Guard lock(m.mutex);
    Panel *p;
    Control *c = findControl(m, panel, control, p, code);
    if (!c) return false;
    if (p->owner != callingThread()) {
        code = RTE_UIE_WRONG_THREAD;
        return false;
    }
    if (c->discarding) return false;  // re-entrant: the outer discard finishes it
    c->discarding = true;
    function = c->function;
    data = c->data;
    return true;
}

void removeControl(int panel, int control) {
    Model &m = model();
    Guard lock(m.mutex);
    Panel *p = m.panel(panel);
    if (!p || !p->control(control)) return;
    removeFromOrder(p->tabOrder, control);
    removeFromOrder(p->zOrder, control);
    if (p->activeCtrl == control) p->activeCtrl = 0;
    if (p->closeCtrl == control) p->closeCtrl = 0;
    if (p->pressedCtrl == control) p->pressedCtrl = 0;
    if (p->control(control)->kind->bit == kTimer) {
        std::vector<TimerRef> &timers = m.timers[p->owner];
        timers.erase(std::remove(timers.begin(), timers.end(), TimerRef{panel, control}),
                     timers.end());
    }
    p->controls[size_t(control - 2)].reset();
    panelLooksChanged(m, panel);
}

// The first child panel, then the first control in chain order, not yet marked.
int nextChildToDiscard(int panel) {
    Model &m = model();
    Guard lock(m.mutex);
    const Panel *p = m.panel(panel);
    if (!p) return 0;
    for (int child : p->children) {
        const Panel *c = m.panel(child);
        if (c && !c->discarding) return child;
    }
    return 0;
}

int nextControlToDiscard(int panel) {
    Model &m = model();
    Guard lock(m.mutex);
    const Panel *p = m.panel(panel);
    if (!p) return 0;
    for (int id : p->tabOrder)
        if (!p->control(id)->discarding) return id;
    return 0;
}

void removePanel(int handle) {
    Model &m = model();
    Guard lock(m.mutex);
    Panel *p = m.panel(handle);
    if (!p) return;
    if (Panel *parent = m.panel(p->parent)) removeFromOrder(parent->children, handle);
    removeFromOrder(m.stacking, handle);
    auto popups = m.popups.find(p->owner);
    if (popups != m.popups.end()) removeFromOrder(popups->second, handle);
    if (m.activePanel == handle) m.activePanel = 0;
    if (m.pointer.aimedPanel == handle) m.pointer.aimedPanel = 0;
    m.panels.erase(handle);
}

}  // namespace

int discardControl(int panel, int control) {
    CtrlCallbackFn function = nullptr;
    void *data = nullptr;
    int code = 0;
    if (!markControl(panel, control, function, data, code)) return code;
    if (function) function(panel, control, EVENT_DISCARD, data, 0, 0);
    removeControl(panel, control);
    return 0;
}

int discardPanel(int handle) {
    {
        Model &m = model();
        Guard lock(m.mutex);
        int code;
        Panel *p = findPanel(m, handle, code);
        if (!p) return code;
        if (p->owner != callingThread()) return RTE_UIE_WRONG_THREAD;
        if (p->discarding) return 0;
        p->discarding = true;
    }
    while (int child = nextChildToDiscard(handle)) discardPanel(child);
    while (int control = nextControlToDiscard(handle)) discardControl(handle, control);
    PanelCallbackFn function = nullptr;
    void *data = nullptr;
    {
        Model &m = model();
        Guard lock(m.mutex);
        if (Panel *p = m.panel(handle)) {
            function = p->function;
            data = p->data;
        }
    }
    if (function) function(handle, EVENT_DISCARD, data, 0, 0);
    closePanelWindow(handle);  // after the discard event: its callback still had the window
    removePanel(handle);
    return 0;
}

}  // namespace rte::ui
