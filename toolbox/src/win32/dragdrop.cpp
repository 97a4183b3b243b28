// Drag and drop: a top-level panel accepts files dropped on its window from the shell.
// A synchronous message callback for WM_DROPFILES collects the names and the drop
// point and runs the panel's callback chain with TbEventFilesDropped.
//
// Choices:
//  - A child panel is refused with TbErrPanelNotTopLevel before anything is installed:
//    it has no window of its own to accept drops.
//  - Each name is fetched into a buffer of exactly its reported length plus one, so a
//    name of any length fits. A name that cannot be allocated or fetched ends the list;
//    the names before it are delivered.
//  - The drop point lives on the handler's stack: eventData2 is valid only during the
//    callback. The array and every name belong to the callback from then on (free).
//  - A drop that is delivered to nobody (the point cannot be read, it lies outside the
//    client area, or the panel has no callback any more) frees the names at once.
//  - The shell's drop handle is released on every path, also when nothing could be
//    collected.
#include <windows.h>

#include <shellapi.h>

#include <cstdint>
#include <cstdlib>

#include "system_calls.h"
#include "toolbox_internal.h"

namespace {

// A null-terminated array of heap names, freed on the way out unless handed over.
class DroppedNames {
public:
    explicit DroppedNames(UINT count)
        : names_(static_cast<char **>(tb::allocateZeroed(size_t(count) + 1, sizeof(char *)))),
          count_(count) {}
    ~DroppedNames() {
        if (!names_) return;
        for (UINT i = 0; i < count_; ++i) std::free(names_[i]);
        std::free(names_);
    }
    DroppedNames(const DroppedNames &) = delete;
    DroppedNames &operator=(const DroppedNames &) = delete;

    bool valid() const { return names_ != nullptr; }
    char **release() {
        char **names = names_;
        names_ = nullptr;
        return names;
    }
    // Fetches every name until one cannot be had.
    void collect(HDROP drop) {
        for (UINT i = 0; i < count_; ++i) {
            names_[i] = fetchName(drop, i);
            if (!names_[i]) return;
        }
    }

private:
    static char *fetchName(HDROP drop, UINT index) {
        int length = 0;
        if (tb::CallDragQueryFile(drop, index, nullptr, 0, &length) != 0 || length < 0)
            return nullptr;
        const UINT size = UINT(length) + 1;
        char *name = static_cast<char *>(tb::allocate(size));
        if (!name) return nullptr;
        int fetched = 0;
        if (tb::CallDragQueryFile(drop, index, name, size, &fetched) != 0 ||
            (fetched <= 0 && length > 0)) {
            std::free(name);
            return nullptr;
        }
        name[length] = '\0';
        return name;
    }

    char **names_;
    UINT count_;
};

UINT droppedCount(HDROP drop) {
    int count = 0;
    if (tb::CallDragQueryFile(drop, 0xFFFFFFFFu, nullptr, 0, &count) != 0 || count < 0) return 0;
    return UINT(count);
}

void deliverDrop(int panel, HDROP drop) {
    DroppedNames names(droppedCount(drop));
    if (!names.valid()) return;
    names.collect(drop);
    POINT where = {0, 0};
    int inClient = 0;
    if (tb::CallDragQueryPoint(drop, &where, &inClient) != 0 || !inClient) return;
    Point point = {int(where.x), int(where.y)};
    char **list = names.release();
    int called = CallPanelCallback(panel, TbEventFilesDropped, reinterpret_cast<intptr_t>(list),
                                   reinterpret_cast<intptr_t>(&point), nullptr);
    if (called != 1) {
        for (char **name = list; *name; ++name) std::free(*name);
        std::free(list);
    }
}

int dropCallback(int panel, int message, uintptr_t *wParam, intptr_t *, void *) {
    if (message == TbMsgWindowRecreated) {
        tb::CallDragAcceptFiles(reinterpret_cast<HWND>(*wParam), TRUE);
    } else if (message == WM_DROPFILES) {
        HDROP drop = reinterpret_cast<HDROP>(*wParam);
        deliverDrop(panel, drop);
        tb::CallDragFinish(drop);
    }
    return 1;  // DefWindowProcA, never the panel's own procedure
}

}  // namespace

extern "C" {

int EnableDragAndDrop(int panel) {
    PanelCallbackFn callback = nullptr;
    int parent = 0;
    {
        tb::BreakingOff quiet;
        if (GetPanelAttribute(panel, RTE_ATTR_CALLBACK_FUNCTION_POINTER, &callback) < 0 ||
            GetPanelAttribute(panel, RTE_ATTR_PANEL_PARENT, &parent) < 0)
            return RTE_UIE_INVALID_CONTROL;
    }
    if (parent != 0) return TbErrPanelNotTopLevel;
    if (!callback) return TbErrPanelNoCallback;
    void *window = nullptr;
    int code = tb::installWinMsgCallback(panel, WM_DROPFILES, dropCallback, TbMsgModeSynchronous,
                                         nullptr, &window);
    if (code < 0) return code;
    code = tb::CallDragAcceptFiles(static_cast<HWND>(window), TRUE);
    if (code < 0) RemoveWinMsgCallback(panel, WM_DROPFILES);
    return code;
}

int DisableDragAndDrop(int panel) {
    void *window = nullptr;
    {
        tb::BreakingOff quiet;
        if (GetPanelAttribute(panel, RTE_ATTR_SYSTEM_WINDOW, &window) < 0)
            return RTE_UIE_INVALID_CONTROL;
    }
    int code = RemoveWinMsgCallback(panel, WM_DROPFILES);
    if (code == TbErrMsgCallbackNotInstalled) return TbErrDragDropNotEnabled;
    tb::CallDragAcceptFiles(static_cast<HWND>(window), FALSE);
    return code;
}

}  // extern "C"
