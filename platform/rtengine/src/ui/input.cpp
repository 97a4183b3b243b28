// The input driver and what input does: every simulated press, release, key and close
// becomes an input record on the event queue of the thread that owns the panel, and
// that thread's next event pass dispatches it here. Real input on a panel's window
// (window_win32.cpp) makes the same records, with the pointer moved to where it
// happened; its presses always count, and its keys carry their own modifiers.
//
// Choices:
//  - The pointer lives in screen coordinates; a press goes to the panel named by the
//    last SimulateMouseMove while the pointer lies on it (as if it were in front),
//    otherwise to the front-most shown top-level panel under the pointer; then into
//    the shown child panel under the pointer, the newest child first. So a control
//    placed outside its panel's area cannot be clicked, as a user could not. A release
//    goes to the panel that got the press.
//  - Hit-testing happens when the record is dispatched, against the model as it is
//    then. Controls are hit front-most first (z-plane order) by their own rectangle,
//    not their label; hidden controls are not hit; a dimmed control is hit and takes
//    the press without an event.
//  - Enter on a focused command button commits that button, before any shortcut key.
//  - Closing the panel commits its close control whatever the control's state: it is
//    the panel that is being closed, not the control that is being used.
//  - A press on a ring or list box selects after the click event, unless that was
//    stopped; the selection then sends EVENT_VAL_CHANGED (a ring also commits). Keys
//    that move a list's selection are used up by it, changed or not.
//  - A picked list item or colour is an input record like a click: checked against
//    the model when it is dispatched, given to a hot, shown, undimmed control only.
//  - A commit becomes a user event only when its callback did not stop it and the
//    control still exists afterwards, and only while fewer than kMaxPendingCommits
//    user events wait on the thread: a program that works with callbacks alone and
//    never calls GetUserEvent must not pile up commits without end. The callback has
//    seen a commit that is not queued.
#include <cctype>

#include "loop/event_loop.h"
#include "loop/event_queue.h"
#include "ui/ui_internal.h"

namespace rte::ui {

namespace {

constexpr size_t kMaxPendingCommits = RTE_MAX_PENDING_COMMITS;

enum class InputKind { Press, Release, Key, Close, Pick, Color };

struct Input {
    InputKind kind;
    int panel;
    int x = 0, y = 0;  // panel coordinates
    int button = 0;
    int key = 0;
    int control = 0;  // Pick, Color: the control
    int value = 0;    // Pick: the index; Color: the colour
    bool accept = false;  // Color: the user accepts it
};

void dispatchInput(const Input &in);

void runInput(void *input) {
    std::unique_ptr<Input> in(static_cast<Input *>(input));
    dispatchInput(*in);
}

void dropInput(void *input) { delete static_cast<Input *>(input); }

// ---- Targets (lock held) ----

bool panelContains(const Model &m, const Panel &p, int sx, int sy) {
    Point origin = screenOrigin(m, p);
    return contains(origin.y, origin.x, p.height, p.width, sx, sy);
}

int frontPanelAt(const Model &m, int sx, int sy) {
    for (int handle : m.stacking) {
        const Panel *p = m.panel(handle);
        if (p && p->visible && panelContains(m, *p, sx, sy)) return handle;
    }
    return 0;
}

// The panel, or the shown child panel under the point, deepest first.
int descendToChild(const Model &m, int handle, int sx, int sy) {
    for (const Panel *p = m.panel(handle); p;) {
        const Panel *inner = nullptr;
        for (auto child = p->children.rbegin(); child != p->children.rend() && !inner; ++child) {
            const Panel *c = m.panel(*child);
            if (c && c->visible && panelContains(m, *c, sx, sy)) inner = c;
        }
        if (!inner) return p->handle;
        p = inner;
    }
    return 0;
}

// The front-most control hit at (x, y) in panel coordinates, 0 when none.
const Control *controlAt(const Panel &p, int x, int y) {
    for (int id : p.zOrder) {
        const Control *c = p.control(id);
        if (c && !c->kind->hidden && c->visible && !c->discarding &&
            contains(c->top, c->left, c->height, c->width, x, y))
            return c;
    }
    return nullptr;
}

bool commitsNow(const Control &c) {
    return c.kind->commits && c.mode != RTE_CTRL_MODE_INDICATOR && c.visible && !c.dimmed &&
           !c.discarding;
}

// ---- Posting ----

// Queues the record on the owner's event queue (lock not held).
int post(std::unique_ptr<Input> input, unsigned owner) {
    Input *raw = input.release();
    int code = PostDeferredCallToThreadEx(runInput, raw, owner, dropInput);
    if (code < 0) delete raw;
    return code;
}

// Fills a press or release record for the current pointer; false when the pointer is
// over no panel.
bool buttonRecord(Model &m, int button, bool down, Input &record, unsigned &owner) {
    Pointer &ptr = m.pointer;
    int target;
    if (down) {
        const Panel *aimed = m.panel(ptr.aimedPanel);
        target = aimed && panelContains(m, *aimed, ptr.x, ptr.y) ? aimed->handle
                                                                : frontPanelAt(m, ptr.x, ptr.y);
        target = descendToChild(m, target, ptr.x, ptr.y);
        ptr.pressPanel[button] = target;
    } else {
        target = ptr.pressPanel[button];
        ptr.pressPanel[button] = 0;
    }
    const Panel *p = m.panel(target);
    if (!p) return false;
    Point origin = screenOrigin(m, *p);
    owner = p->owner;
    record = {down ? InputKind::Press : InputKind::Release, target, ptr.x - origin.x,
              ptr.y - origin.y, button, 0};
    return true;
}

// A press or release at the pointer. A real one always counts: the model's button
// state may have missed a release that happened outside the engine's windows.
int simulateButton(int button, int down, bool real = false) {
    if ((button != 1 && button != 2) || (down != 0 && down != 1))
        return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
    auto input = std::make_unique<Input>(Input{InputKind::Press, 0});
    unsigned owner = 0;
    {
        Model &m = model();
        Guard lock(m.mutex);
        bool &state = button == 1 ? m.pointer.left : m.pointer.right;
        if (state == (down == 1) && !real) return 0;  // already there: no new press or release
        state = down == 1;
        if (!buttonRecord(m, button, down == 1, *input, owner)) return 0;
    }
    return post(std::move(input), owner);
}

int simulateMove(int panel, int x, int y) {
    if (!validPosition(x) || !validPosition(y)) return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
    Model &m = model();
    Guard lock(m.mutex);
    Point origin{0, 0};
    if (panel != 0) {
        int code;
        const Panel *p = findPanel(m, panel, code);
        if (!p) return code;
        origin = screenOrigin(m, *p);
    }
    m.pointer.x = origin.x + x;
    m.pointer.y = origin.y + y;
    m.pointer.aimedPanel = panel;
    return 0;
}

int simulateClick(int panel, int control, int button) {
    if (button != 1 && button != 2) return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
    int x = 0, y = 0;
    int code = withControl(panel, control, [&](Model &, Panel &, Control &c) {
        x = c.left + c.width / 2;
        y = c.top + c.height / 2;
        return 0;
    });
    if (code == 0) code = simulateMove(panel, x, y);
    if (code == 0) code = simulateButton(button, 1);
    if (code == 0) code = simulateButton(button, 0);
    return code;
}

// A key or close record for a panel; panel 0 takes the active panel for keys. A
// simulated key gets the modifiers SimulateModifierKeys holds; a real one has its own.
int simulatePanelInput(InputKind kind, int panel, int key, bool real = false) {
    auto input = std::make_unique<Input>(Input{kind, panel});
    unsigned owner;
    {
        Model &m = model();
        Guard lock(m.mutex);
        if (kind == InputKind::Key) {
            const int held = real ? 0 : m.pointer.modifiers;
            if (!validKey(key) || !validKey(key | held)) return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
            key |= held;
            if (panel == 0 && (panel = m.activePanel) == 0) return 0;  // nobody to type to
        }
        int code;
        const Panel *p = findPanel(m, panel, code);
        if (!p) return code;
        owner = p->owner;
        input->panel = panel;
        input->key = key;
    }
    return post(std::move(input), owner);
}

// A record for one control of a list or colour kind; checks what can be checked now.
int simulateCtrlInput(InputKind kind, int panel, int control, int value, int accept) {
    auto input = std::make_unique<Input>(Input{kind, panel});
    unsigned owner = 0;
    int code = withControl(panel, control, [&](Model &, Panel &p, Control &c) -> int {
        if (!c.is(kind == InputKind::Pick ? kListKinds : kColor)) return RTE_UIE_WRONG_CONTROL_KIND;
        if (kind == InputKind::Color && (value < 0 || value > 0xFFFFFF || accept < 0 || accept > 1))
            return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
        owner = p.owner;
        return 0;
    });
    if (code != 0) return code;
    input->control = control;
    input->value = value;
    input->accept = accept == 1;
    return post(std::move(input), owner);
}

// ---- Dispatch, on the owning thread ----

// A value the user changed: EVENT_VAL_CHANGED, and a ring commits.
void userChangedValue(int panel, int control, intptr_t value, bool commits) {
    deliverToControl(panel, control, EVENT_VAL_CHANGED, value, 0);
    if (commits) commitControl(panel, control);
}

// Input to one control: the control, hot and able to take input now, or null (lock held).
Control *inputTarget(Model &m, int panel, int control) {
    Panel *p = m.panel(panel);
    Control *c = p && acceptsInput(m, *p) ? p->control(control) : nullptr;
    return c && c->canTakeFocus() ? c : nullptr;
}

// Selects an item by input; sends the events when the selection changed.
void selectByInput(int panel, int control, int index) {
    bool changed = false, ring = false;
    int value = 0;
    {
        Model &m = model();
        Guard lock(m.mutex);
        Control *c = inputTarget(m, panel, control);
        if (!c || index < 0) return;
        changed = selectItem(*c, index);
        ring = c->is(kRings);
        if (changed) panelLooksChanged(m, panel);
        if (changed) value = c->items[size_t(index)].value;
    }
    if (changed) userChangedValue(panel, control, value, ring);
}

void pressOnList(const Input &in, int control) {
    int index;
    {
        Model &m = model();
        Guard lock(m.mutex);
        const Control *c = inputTarget(m, in.panel, control);
        if (!c || !c->is(kListKinds)) return;
        index = listIndexAtPress(*c, in.x, in.y);
    }
    selectByInput(in.panel, control, index);
}

void dispatchPick(const Input &in) {
    {
        Model &m = model();
        Guard lock(m.mutex);
        if (!inputTarget(m, in.panel, in.control)) return;
    }
    moveFocus(in.panel, in.control);
    selectByInput(in.panel, in.control, in.value);
}

void dispatchColor(const Input &in) {
    {
        Model &m = model();
        Guard lock(m.mutex);
        if (!inputTarget(m, in.panel, in.control)) return;
    }
    moveFocus(in.panel, in.control);
    bool changed;
    {
        Model &m = model();
        Guard lock(m.mutex);
        Control *c = inputTarget(m, in.panel, in.control);
        if (!c) return;
        changed = c->color != in.value;
        c->color = in.value;
        if (changed) panelLooksChanged(m, in.panel);
    }
    if (changed) deliverToControl(in.panel, in.control, EVENT_VAL_CHANGED, in.value, 0);
    if (in.accept) commitControl(in.panel, in.control);
}

struct PressTarget {
    int control = 0;
    bool focus = false;
    bool swallowed = false;  // a dimmed control took it
};

PressTarget lockedPress(const Input &in, bool &accepted) {
    PressTarget target;
    Model &m = model();
    Guard lock(m.mutex);
    Panel *p = m.panel(in.panel);
    accepted = p && acceptsInput(m, *p);
    if (!accepted) return target;
    m.activePanel = in.panel;
    const Control *c = controlAt(*p, in.x, in.y);
    if (c && c->dimmed) target.swallowed = true;
    if (c && !c->dimmed) {
        target.control = c->id;
        target.focus = in.button == 1 && c->canTakeFocus();
    }
    if (in.button == 1) {
        p->pressedCtrl = target.swallowed ? 0 : target.control;
        p->pressStopped = false;
    }
    return target;
}

void dispatchPress(const Input &in) {
    bool accepted;
    PressTarget target = lockedPress(in, accepted);
    if (!accepted || target.swallowed) return;
    const int event = in.button == 1 ? EVENT_LEFT_CLICK : EVENT_RIGHT_CLICK;
    if (!target.control) {
        deliverToPanel(in.panel, event, in.y, in.x);
        return;
    }
    if (target.focus) moveFocus(in.panel, target.control);
    int result = deliverToControl(in.panel, target.control, event, in.y, in.x);
    if (result != 0 && in.button == 1) {
        Model &m = model();
        Guard lock(m.mutex);
        Panel *p = m.panel(in.panel);
        if (p && p->pressedCtrl == target.control) p->pressStopped = true;
    }
    if (result == 0 && in.button == 1) pressOnList(in, target.control);
}

void dispatchRelease(const Input &in) {
    if (in.button != 1) return;
    int commit = 0;
    {
        Model &m = model();
        Guard lock(m.mutex);
        Panel *p = m.panel(in.panel);
        if (!p) return;
        int pressed = p->pressedCtrl;
        bool stopped = p->pressStopped;
        p->pressedCtrl = 0;
        if (!pressed || stopped || !acceptsInput(m, *p)) return;
        const Control *c = controlAt(*p, in.x, in.y);
        if (c && c->id == pressed && commitsNow(*c)) commit = pressed;
    }
    if (commit) commitControl(in.panel, commit);
}

// The next control after `from` in tab order (backward when asked), wrapping, that can
// take the focus; 0 when there is none other.
int nextFocus(const Panel &p, int from, bool backward) {
    const int n = int(p.tabOrder.size());
    int at = indexInOrder(p.tabOrder, from);
    if (at < 0) at = backward ? n : -1;
    for (int step = 1; step <= n; ++step) {
        int index = ((at + (backward ? -step : step)) % n + n) % n;
        const Control *c = p.control(p.tabOrder[size_t(index)]);
        if (c && c->canTakeFocus()) return c->id == from ? 0 : c->id;
    }
    return 0;
}

// What a key does after the active control has seen it: move the focus, or commit.
void keyDefaultAction(int panel, int key) {
    const int base = key & 0xFFFF, modifiers = key & ~0xFFFF;
    int focus = 0, commit = 0, list = 0, index = -2;
    {
        Model &m = model();
        Guard lock(m.mutex);
        const Panel *p = m.panel(panel);
        if (!p || !acceptsInput(m, *p)) return;
        const Control *active = p->control(p->activeCtrl);
        if (active && active->is(kListKinds) && active->canTakeFocus())
            index = listIndexForKey(*active, key);
        if (index != -2) {
            list = active->id;
        } else if (base == RTE_KEY_TAB && (modifiers & ~RTE_KEY_MOD_SHIFT) == 0) {
            focus = nextFocus(*p, p->activeCtrl, modifiers == RTE_KEY_MOD_SHIFT);
        } else if (key == RTE_KEY_ENTER && active && commitsNow(*active) &&
                   active->canTakeFocus()) {
            commit = active->id;
        } else {
            const int character = base & 0xFF;
            const bool mnemonic = modifiers == RTE_KEY_MOD_ALT && character != 0;
            for (int id : p->tabOrder) {
                const Control *c = p->control(id);
                if (!c || !commitsNow(*c)) continue;
                if (c->shortcutKey == key ||
                    (mnemonic && labelMnemonic(c->label) == std::tolower(character))) {
                    commit = id;
                    break;
                }
            }
        }
    }
    if (list) selectByInput(panel, list, index);
    if (focus) moveFocus(panel, focus);
    if (commit) commitControl(panel, commit);
}

void dispatchKey(const Input &in) {
    int active;
    {
        Model &m = model();
        Guard lock(m.mutex);
        const Panel *p = m.panel(in.panel);
        if (!p || !acceptsInput(m, *p)) return;
        const Control *c = p->control(p->activeCtrl);
        active = c && c->canTakeFocus() ? c->id : 0;
    }
    if (active && deliverToControl(in.panel, active, EVENT_KEYPRESS, in.key, 0) != 0) return;
    keyDefaultAction(in.panel, in.key);
}

void dispatchClose(const Input &in) {
    {
        Model &m = model();
        Guard lock(m.mutex);
        const Panel *p = m.panel(in.panel);
        if (!p || !acceptsInput(m, *p)) return;
    }
    if (deliverToPanel(in.panel, EVENT_CLOSE, 0, 0) != 0) return;
    int close = 0;
    {
        Model &m = model();
        Guard lock(m.mutex);
        const Panel *p = m.panel(in.panel);
        if (p && !p->discarding && p->control(p->closeCtrl)) close = p->closeCtrl;
    }
    if (close) commitControl(in.panel, close);
}

void dispatchInput(const Input &in) {
    switch (in.kind) {
    case InputKind::Press: dispatchPress(in); break;
    case InputKind::Release: dispatchRelease(in); break;
    case InputKind::Key: dispatchKey(in); break;
    case InputKind::Close: dispatchClose(in); break;
    case InputKind::Pick: dispatchPick(in); break;
    case InputKind::Color: dispatchColor(in); break;
    }
}

}  // namespace

void commitControl(int panel, int control) {
    if (deliverToControl(panel, control, EVENT_COMMIT, 0, 0) != 0) return;
    {
        Model &m = model();
        Guard lock(m.mutex);
        const Panel *p = m.panel(panel);
        const Control *c = p ? p->control(control) : nullptr;
        if (!c || c->discarding || p->discarding) return;
    }
    ThreadLoop *loop = currentThreadLoop();
    if (!loop) return;
    {
        EventQueue &queue = loop->queue();
        std::lock_guard<std::mutex> lock(queue.mutex);
        if (queue.userEvents.size() >= kMaxPendingCommits) return;
    }
    loop->pushUserEvent(EVENT_COMMIT, panel, control);
}

int windowPointerMoved(int panel, int x, int y) { return simulateMove(panel, x, y); }

int windowButton(int panel, int x, int y, int button, bool down) {
    int code = simulateMove(panel, x, y);
    return code == 0 ? simulateButton(button, down ? 1 : 0, true) : code;
}

int windowKey(int panel, int key) { return simulatePanelInput(InputKind::Key, panel, key, true); }

int windowClose(int panel) { return simulatePanelInput(InputKind::Close, panel, 0, true); }

namespace {

struct Placement {
    int panel, event, data1, data2;
};

void runPlacement(void *record) {
    std::unique_ptr<Placement> placed(static_cast<Placement *>(record));
    deliverToPanel(placed->panel, placed->event, placed->data1, placed->data2);
}

void dropPlacement(void *record) { delete static_cast<Placement *>(record); }

}  // namespace

void windowPlaced(int panel, int event, int data1, int data2) {
    auto *record = new (std::nothrow) Placement{panel, event, data1, data2};
    if (!record) return;  // the model holds the new place; only the event is lost
    if (PostDeferredCallToThreadEx(runPlacement, record, callingThread(), dropPlacement) < 0)
        delete record;
}

void windowActivated(int panel) {
    Model &m = model();
    Guard lock(m.mutex);
    const Panel *p = m.panel(panel);
    if (p && !p->discarding) m.activePanel = panel;
}

}  // namespace rte::ui

using namespace rte::ui;

extern "C" {

int SimulateMouseMove(int panel, int x, int y) {
    return entry("SimulateMouseMove", [&] { return simulateMove(panel, x, y); });
}

int SimulateMouseButton(int button, int down) {
    return entry("SimulateMouseButton", [&] { return simulateButton(button, down); });
}

int SimulateCtrlClick(int panel, int control, int button) {
    return entry("SimulateCtrlClick", [&] { return simulateClick(panel, control, button); });
}

int SimulateKeyPress(int panel, int key) {
    return entry("SimulateKeyPress",
                 [&] { return simulatePanelInput(InputKind::Key, panel, key); });
}

int SimulateModifierKeys(int modifiers) {
    return entry("SimulateModifierKeys", [&] {
        const int allowed = RTE_KEY_MOD_SHIFT | RTE_KEY_MOD_CTRL | RTE_KEY_MOD_ALT;
        if (modifiers & ~allowed) return int(RTE_UIE_INVALID_ATTRIBUTE_VALUE);
        Model &m = model();
        Guard lock(m.mutex);
        m.pointer.modifiers = modifiers;
        return 0;
    });
}

int SimulateClosePanel(int panel) {
    return entry("SimulateClosePanel",
                 [&] { return simulatePanelInput(InputKind::Close, panel, 0); });
}

int SimulateListItemPick(int panel, int control, int index) {
    return entry("SimulateListItemPick",
                 [&] { return simulateCtrlInput(InputKind::Pick, panel, control, index, 0); });
}

int SimulateColorPick(int panel, int control, int color, int accept) {
    return entry("SimulateColorPick", [&] {
        return simulateCtrlInput(InputKind::Color, panel, control, color, accept);
    });
}

int GetRelativeMouseState(int panel, int control, int *x, int *y, int *leftDown, int *rightDown,
                          int *keyModifiers) {
    return entry("GetRelativeMouseState", [&] {
        Model &m = model();
        Guard lock(m.mutex);
        int code;
        const Panel *p = findPanel(m, panel, code);
        if (!p) return code;
        Point origin = screenOrigin(m, *p);
        if (control != 0) {
            const Control *c = p->control(control);
            if (!c) return int(RTE_UIE_INVALID_CONTROL);
            origin.x += c->left;
            origin.y += c->top;
        }
        if (x) *x = m.pointer.x - origin.x;
        if (y) *y = m.pointer.y - origin.y;
        if (leftDown) *leftDown = m.pointer.left;
        if (rightDown) *rightDown = m.pointer.right;
        if (keyModifiers) *keyModifiers = m.pointer.modifiers;
        return 0;
    });
}

}  // extern "C"
