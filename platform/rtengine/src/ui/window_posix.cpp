// Panels without system windows: the model is all there is. The screen is the virtual
// one of the header.
#include "ui/ui_internal.h"

namespace rte::ui {

Size screenSize() { return {RTE_SCREEN_WIDTH, RTE_SCREEN_HEIGHT}; }

int openPanelWindow(int) { return 0; }

void closePanelWindow(int) {}

void windowFollowsModel(int) {}
void panelLooksChanged(const Model &, int) {}

void raisePanelWindow(int) {}

bool windowShowsAttribute(int) { return false; }

}  // namespace rte::ui

extern "C" int RecreatePanelWindow(int panel) {
    using namespace rte::ui;
    return entry("RecreatePanelWindow", [&] {
        Model &m = model();
        Guard lock(m.mutex);
        int code;
        const Panel *p = findPanel(m, panel, code);
        if (!p) return code;
        if (p->owner != callingThread()) return int(RTE_UIE_WRONG_THREAD);
        return p->parent != 0 ? int(RTE_UIE_INVALID_PANEL) : 0;
    });
}
