// Panels: making, showing, popups, position and the panel attributes.
//
// Choices: RTE_AUTO_CENTER centres a top-level panel on the screen (the primary
// screen on Windows, a virtual 1024 x 768 one elsewhere) and a child panel in its parent. Popup stacks are kept per
// thread, so a popup blocks input to the other panels of its own thread only (each
// thread runs its own user interface). The active panel, where SimulateKeyPress(0, ...)
// goes, is the one most recently displayed, installed as a popup or clicked. A new
// panel has a light grey face (0xC0C0C0, whose 3-D shades read well with black text)
// and a dark grey frame (0x404040) that stands out from the face and its shades.
#include <algorithm>

#include "ui/ui_internal.h"

namespace rte::ui {

namespace {

int centred(int extent, int room) { return (room - extent) / 2; }

// Resolves RTE_AUTO_CENTER for one coordinate of p.
int placed(const Model &m, const Panel &p, int value, bool vertical) {
    if (value != RTE_AUTO_CENTER) return value;
    const Panel *parent = m.panel(p.parent);
    const Size screen = parent ? Size{} : screenSize();
    int room = parent ? (vertical ? parent->height : parent->width)
                      : (vertical ? screen.height : screen.width);
    return centred(vertical ? p.height : p.width, room);
}

bool validPlace(int v) { return v == RTE_AUTO_CENTER || validPosition(v); }

// A panel the calling thread owns, for the calls that deliver callbacks or (on
// Windows) need the panel's window.
Panel *ownedPanel(Model &m, int handle, int &code) {
    Panel *p = findPanel(m, handle, code);
    if (p && p->owner != callingThread()) {
        code = RTE_UIE_WRONG_THREAD;
        return nullptr;
    }
    return p;
}

// ---- Panel attributes ----

struct PanelAttribute {
    int number;
    ValueKind kind;
    int (*get)(const Model &, const Panel &, AttrValue &);
    int (*set)(Model &, Panel &, const AttrValue &);  // null: read-only
};

int setBoolean(bool &field, int value) {
    if (value != 0 && value != 1) return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
    field = value == 1;
    return 0;
}

int setColor(int &field, int value) {
    if (!isColor(value)) return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
    field = value;
    return 0;
}

const PanelAttribute kPanelAttributes[] = {
    {RTE_ATTR_CALLBACK_DATA, ValueKind::Pointer,
     [](const Model &, const Panel &p, AttrValue &v) { v.p = p.data; return 0; },
     [](Model &, Panel &p, const AttrValue &v) { p.data = v.p; return 0; }},
    {RTE_ATTR_CALLBACK_FUNCTION_POINTER, ValueKind::Pointer,
     [](const Model &, const Panel &p, AttrValue &v) {
         v.p = reinterpret_cast<void *>(p.function);
         return 0;
     },
     [](Model &, Panel &p, const AttrValue &v) {
         p.function = reinterpret_cast<PanelCallbackFn>(v.p);
         return 0;
     }},
    {RTE_ATTR_VISIBLE, ValueKind::Int,
     [](const Model &, const Panel &p, AttrValue &v) { v.i = p.visible; return 0; }, nullptr},
    {RTE_ATTR_LEFT, ValueKind::Int,
     [](const Model &, const Panel &p, AttrValue &v) { v.i = p.left; return 0; },
     [](Model &m, Panel &p, const AttrValue &v) {
         if (!validPlace(v.i)) return int(RTE_UIE_INVALID_ATTRIBUTE_VALUE);
         p.left = placed(m, p, v.i, false);
         return 0;
     }},
    {RTE_ATTR_TOP, ValueKind::Int,
     [](const Model &, const Panel &p, AttrValue &v) { v.i = p.top; return 0; },
     [](Model &m, Panel &p, const AttrValue &v) {
         if (!validPlace(v.i)) return int(RTE_UIE_INVALID_ATTRIBUTE_VALUE);
         p.top = placed(m, p, v.i, true);
         return 0;
     }},
    {RTE_ATTR_WIDTH, ValueKind::Int,
     [](const Model &, const Panel &p, AttrValue &v) { v.i = p.width; return 0; },
     [](Model &, Panel &p, const AttrValue &v) {
         if (!validSize(v.i)) return int(RTE_UIE_INVALID_ATTRIBUTE_VALUE);
         p.width = v.i;
         return 0;
     }},
    {RTE_ATTR_HEIGHT, ValueKind::Int,
     [](const Model &, const Panel &p, AttrValue &v) { v.i = p.height; return 0; },
     [](Model &, Panel &p, const AttrValue &v) {
         if (!validSize(v.i)) return int(RTE_UIE_INVALID_ATTRIBUTE_VALUE);
         p.height = v.i;
         return 0;
     }},
    {RTE_ATTR_BACK_COLOR, ValueKind::Int,
     [](const Model &, const Panel &p, AttrValue &v) { v.i = p.backColor; return 0; },
     [](Model &, Panel &p, const AttrValue &v) { return setColor(p.backColor, v.i); }},
    {RTE_ATTR_FRAME_COLOR, ValueKind::Int,
     [](const Model &, const Panel &p, AttrValue &v) { v.i = p.frameColor; return 0; },
     [](Model &, Panel &p, const AttrValue &v) { return setColor(p.frameColor, v.i); }},
    {RTE_ATTR_CLOSE_CTRL, ValueKind::Int,
     [](const Model &, const Panel &p, AttrValue &v) { v.i = p.closeCtrl; return 0; },
     [](Model &, Panel &p, const AttrValue &v) {
         if (v.i != 0 && !p.control(v.i)) return int(RTE_UIE_INVALID_CONTROL);
         p.closeCtrl = v.i;
         return 0;
     }},
    {RTE_ATTR_SIZABLE, ValueKind::Int,
     [](const Model &, const Panel &p, AttrValue &v) { v.i = p.sizable; return 0; },
     [](Model &, Panel &p, const AttrValue &v) { return setBoolean(p.sizable, v.i); }},
    {RTE_ATTR_SYSTEM_WINDOW, ValueKind::Pointer,
     [](const Model &, const Panel &p, AttrValue &v) { v.p = p.window.handle; return 0; },
     nullptr},
    {RTE_ATTR_PANEL_PARENT, ValueKind::Int,
     [](const Model &, const Panel &p, AttrValue &v) { v.i = p.parent; return 0; }, nullptr},
    {RTE_ATTR_PANEL_FIRST_CTRL, ValueKind::Int,
     [](const Model &, const Panel &p, AttrValue &v) {
         v.i = p.tabOrder.empty() ? 0 : p.tabOrder.front();
         return 0;
     },
     nullptr},
    {RTE_ATTR_FLOATING, ValueKind::Int,
     [](const Model &, const Panel &p, AttrValue &v) { v.i = p.floating; return 0; },
     [](Model &m, Panel &p, const AttrValue &v) {
         int code = setBoolean(p.floating, v.i);
         if (code == 0 && indexInOrder(m.stacking, p.handle) >= 0) bringToFront(m, p.handle);
         return code;
     }},
    {RTE_ATTR_TITLE, ValueKind::String,
     [](const Model &, const Panel &p, AttrValue &v) { v.out = &p.title; return 0; },
     [](Model &, Panel &p, const AttrValue &v) {
         if (!v.text) return int(RTE_UIE_NULL_ARGUMENT);
         p.title = v.text;
         return 0;
     }},
    {RTE_ATTR_TITLE_LENGTH, ValueKind::Int,
     [](const Model &, const Panel &p, AttrValue &v) { v.i = int(p.title.size()); return 0; },
     nullptr},
    {RTE_ATTR_ACTIVE_CTRL, ValueKind::Int,
     [](const Model &, const Panel &p, AttrValue &v) { v.i = p.activeCtrl; return 0; }, nullptr},
    {RTE_ATTR_NUM_CTRLS, ValueKind::Int,
     [](const Model &, const Panel &p, AttrValue &v) { v.i = int(p.tabOrder.size()); return 0; },
     nullptr},
};

const PanelAttribute *findPanelAttribute(int number) {
    for (const PanelAttribute &a : kPanelAttributes)
        if (a.number == number) return &a;
    return nullptr;
}

int newPanel(int parentHandle, const char *title, int top, int left, int height, int width) {
    if (!validPlace(top) || !validPlace(left) || !validSize(height) || !validSize(width))
        return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
    if (!prepareOwningThread()) return RTE_UIE_OUT_OF_MEMORY;
    auto p = std::make_unique<Panel>();
    p->title = title ? title : "";
    p->height = height;
    p->width = width;
    p->owner = callingThread();
    Model &m = model();
    Guard lock(m.mutex);
    if (parentHandle != 0) {
        int code;
        Panel *parent = findPanel(m, parentHandle, code);
        if (!parent || parent->discarding) return RTE_UIE_INVALID_PANEL;
        if (parent->owner != p->owner) return RTE_UIE_WRONG_THREAD;
        parent->children.reserve(parent->children.size() + 1);
        p->parent = parentHandle;
    }
    m.panels.reserve(m.panels.size() + 1);
    m.stacking.reserve(m.stacking.size() + 1);
    p->handle = ++m.lastPanel;
    p->top = placed(m, *p, top, true);
    p->left = placed(m, *p, left, false);
    int handle = p->handle;
    m.panels.emplace(handle, std::move(p));
    if (Panel *parent = m.panel(parentHandle)) parent->children.push_back(handle);
    return handle;
}

// A new top-level panel gets its window at once; without one it is not made.
int newPanelWithWindow(int parentHandle, const char *title, int top, int left, int height,
                       int width) {
    int handle = newPanel(parentHandle, title, top, left, height, width);
    if (handle < 0 || parentHandle != 0) return handle;
    int code = openPanelWindow(handle);
    if (code == 0) return handle;
    Model &m = model();
    Guard lock(m.mutex);
    m.panels.erase(handle);
    return code;
}

int showPanel(int handle, bool asPopup) {
    Model &m = model();
    Guard lock(m.mutex);
    int code;
    Panel *p = ownedPanel(m, handle, code);
    if (!p) return code;
    if (asPopup && p->parent != 0) return RTE_UIE_INVALID_PANEL;
    std::vector<int> &popups = m.popups[p->owner];
    popups.reserve(popups.size() + 1);
    m.stacking.reserve(m.stacking.size() + 1);
    p->visible = true;
    if (asPopup) {
        removeFromOrder(popups, handle);
        popups.push_back(handle);
    }
    if (p->parent == 0) bringToFront(m, handle);
    m.activePanel = handle;
    panelLooksChanged(m, handle);
    return 0;
}

// Runs a change of the model, then lets the panel's window follow it.
template <typename Change>
int changeShown(int panel, Change change) {
    int code = change();
    if (code == 0) windowFollowsModel(panel);
    return code;
}

int showAndRaise(int panel, bool asPopup) {
    int code = changeShown(panel, [&] { return showPanel(panel, asPopup); });
    if (code == 0) raisePanelWindow(panel);
    return code;
}

}  // namespace

void hideInModel(Model &m, Panel &p) {
    p.visible = false;
    if (p.parent != 0) panelLooksChanged(m, p.parent);
    auto popups = m.popups.find(p.owner);
    if (popups != m.popups.end()) removeFromOrder(popups->second, p.handle);
    if (m.activePanel == p.handle) m.activePanel = 0;
}

}  // namespace rte::ui

using namespace rte::ui;

extern "C" {

int NewPanel(int parentPanel, const char *title, int top, int left, int height, int width) {
    return entry("NewPanel",
                 [&] { return newPanelWithWindow(parentPanel, title, top, left, height, width); });
}

int DiscardPanel(int panel) {
    return entry("DiscardPanel", [&] { return discardPanel(panel); });
}

int DisplayPanel(int panel) {
    return entry("DisplayPanel", [&] { return showAndRaise(panel, false); });
}

int InstallPopup(int panel) {
    return entry("InstallPopup", [&] { return showAndRaise(panel, true); });
}

int HidePanel(int panel) {
    return entry("HidePanel", [&] {
        return changeShown(panel, [&] {
            Model &m = model();
            Guard lock(m.mutex);
            int code;
            Panel *p = ownedPanel(m, panel, code);
            if (p) hideInModel(m, *p);
            return code;
        });
    });
}

int RemovePopup(int panel) {
    return entry("RemovePopup", [&] {
        int removed = 0;
        int code = [&] {
            Model &m = model();
            Guard lock(m.mutex);
            if (panel == 0) {
                std::vector<int> &popups = m.popups[callingThread()];
                if (popups.empty()) return 0;
                panel = popups.back();
            }
            int failure;
            Panel *p = ownedPanel(m, panel, failure);
            if (!p) return failure;
            if (indexInOrder(m.popups[p->owner], panel) < 0) return int(RTE_UIE_INVALID_PANEL);
            hideInModel(m, *p);
            removed = panel;
            return 0;
        }();
        if (removed != 0) windowFollowsModel(removed);
        return code;
    });
}

int SetPanelPos(int panel, int top, int left) {
    return entry("SetPanelPos", [&] {
        if (!validPlace(top) || !validPlace(left)) return int(RTE_UIE_INVALID_ATTRIBUTE_VALUE);
        return changeShown(panel, [&] {
            Model &m = model();
            Guard lock(m.mutex);
            int code;
            Panel *p = findPanel(m, panel, code);
            if (!p) return code;
            p->top = placed(m, *p, top, true);
            p->left = placed(m, *p, left, false);
            // A child panel is drawn in its parent's window, which the move does not touch.
            if (p->parent != 0) panelLooksChanged(m, p->parent);
            return 0;
        });
    });
}

int GetPanelAttribute(int panel, int attribute, void *value) {
    return entry("GetPanelAttribute", [&] {
        Model &m = model();
        Guard lock(m.mutex);
        int code;
        Panel *p = findPanel(m, panel, code);
        if (!p) return code;
        const PanelAttribute *a = findPanelAttribute(attribute);
        if (!a) return int(RTE_UIE_INVALID_ATTRIBUTE);
        if (!value) return int(RTE_UIE_NULL_ARGUMENT);
        AttrValue v;
        code = a->get(m, *p, v);
        if (code == 0) writeValue(a->kind, 0, v, value);
        return code;
    });
}

int SetPanelAttribute(int panel, int attribute, ...) {
    va_list args;
    va_start(args, attribute);
    int result = entry("SetPanelAttribute", [&] {
        Model &m = model();
        Guard lock(m.mutex);
        int code;
        Panel *p = findPanel(m, panel, code);
        if (!p) return code;
        const PanelAttribute *a = findPanelAttribute(attribute);
        if (!a || !a->set) return int(RTE_UIE_INVALID_ATTRIBUTE);
        AttrValue v;
        readVarArg(a->kind, 0, args, v);
        code = a->set(m, *p, v);
        if (code == 0) panelLooksChanged(m, panel);
        return code;
    });
    va_end(args);
    if (result == 0 && windowShowsAttribute(attribute)) windowFollowsModel(panel);
    return result;
}

int InstallPanelCallback(int panel, PanelCallbackFn function, void *callbackData) {
    return entry("InstallPanelCallback", [&] {
        Model &m = model();
        Guard lock(m.mutex);
        int code;
        Panel *p = findPanel(m, panel, code);
        if (!p) return code;
        p->function = function;
        p->data = callbackData;
        return 0;
    });
}

}  // extern "C"
