// Windows message callbacks: the registry of subclassed panels with their message
// callbacks, and the library's window procedure that dispatches to them.
//
// Choices:
//  - Entries are found again by panel handle (or window) and message number each time
//    they are used, under the registry's lock, and the lock is never held while a
//    callback, a window procedure or the engine runs. So nothing keeps a pointer to an
//    entry that may move or go: a callback may remove callbacks (its own, or the last
//    one of its panel) while the procedure that called it is still running, and a
//    deferred re-subclassing refers to its panel by handle, finding nothing when the
//    panel was discarded meanwhile.
//  - Each (panel, message) has one callback, so a message calls at most one; what that
//    callback leaves in the parameters goes on to the previous procedure, always through
//    CallWindowProcA (the stored procedure may be a handle rather than a function).
//  - WM_DESTROY: the library lets go of the window first (its previous procedure back,
//    the re-subclassing posted to the thread), then calls the message's callback like
//    any other. The re-subclassing reads the panel's window again, subclasses it and
//    calls every callback of the panel, enabled or not, with TbMsgWindowRecreated, the
//    new window in *wParam, 0 in *lParam and the callback's own data.
//  - A subclassing that fails removes the entry it was made for, found by its panel.
//  - Deferred calls get a heap record with copies of the parameters; a record that
//    cannot be allocated is dropped silently, as is one whose thread ends first.
//  - The registry has a lock of its own, so panels of several threads can use it; each
//    panel's callbacks are installed and removed on the panel's thread.
//  - A message reaching the library's procedure for a window it no longer knows (other
//    code subclassed the window over it, then the library let go) goes to
//    DefWindowProcA.
#include <windows.h>

#include <algorithm>
#include <cstdarg>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "toolbox_internal.h"

namespace {

// The panel callback link that removes a panel's entry when the panel is discarded.
constexpr const char *kCleanupLink = "WT_TYPE";

struct MessageEntry {
    int message;
    int mode;
    int enabled;
    WinMsgCallbackFn callback;
    void *data;
};

struct PanelEntry {
    int panel;
    HWND window;
    WNDPROC previous;  // null while the library does not subclass the window
    std::vector<MessageEntry> messages;
};

struct Registry {
    std::mutex mutex;
    std::vector<PanelEntry> panels;
};
Registry &registry() {
    static auto *instance = new Registry;  // never destroyed: windows may outlive statics
    return *instance;
}
using Hold = std::lock_guard<std::mutex>;

PanelEntry *findPanel(Registry &r, int panel) {
    for (PanelEntry &e : r.panels)
        if (e.panel == panel) return &e;
    return nullptr;
}

PanelEntry *findWindow(Registry &r, HWND window) {
    for (PanelEntry &e : r.panels)
        if (e.window == window && e.previous) return &e;
    return nullptr;
}

MessageEntry *findMessage(PanelEntry &e, int message) {
    for (MessageEntry &m : e.messages)
        if (m.message == message) return &m;
    return nullptr;
}

LRESULT CALLBACK libraryWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Subclasses the window: its previous procedure, or null when the procedure cannot be
// read or replaced.
WNDPROC subclass(HWND window) {
    if (!window) return nullptr;
    auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
    if (!previous) return nullptr;
    if (!SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&libraryWindowProc)))
        return nullptr;
    return previous;
}

void restoreProcedure(HWND window, WNDPROC previous) {
    if (window && previous && IsWindow(window))
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
}

void unchainCleanup(int panel) {
    tb::BreakingOff quiet;
    UnchainPanelCallback(panel, kCleanupLink);
}

enum class Unchain { No, Yes };

// Takes the panel's entry out of the registry (only when it has no callbacks left, if
// asked) and gives its window the previous procedure back.
void removePanelEntry(int panel, Unchain unchain, bool onlyWhenEmpty) {
    HWND window = nullptr;
    WNDPROC previous = nullptr;
    {
        Registry &r = registry();
        Hold hold(r.mutex);
        PanelEntry *e = findPanel(r, panel);
        if (!e || (onlyWhenEmpty && !e->messages.empty())) return;
        window = e->window;
        previous = e->previous;
        r.panels.erase(r.panels.begin() + (e - r.panels.data()));
    }
    restoreProcedure(window, previous);
    if (unchain == Unchain::Yes) unchainCleanup(panel);
}

int discardCleanup(int panel, int event, void *, intptr_t, intptr_t) {
    if (event == EVENT_DISCARD) removePanelEntry(panel, Unchain::No, false);
    return 0;
}

// ---- Deferred calls ----

struct DeferredMessage {
    int panel;
    int message;
    uintptr_t wParam;
    intptr_t lParam;
    WinMsgCallbackFn callback;
    void *data;
};

void runDeferred(void *record) {
    std::unique_ptr<DeferredMessage> m(static_cast<DeferredMessage *>(record));
    m->callback(m->panel, m->message, &m->wParam, &m->lParam, m->data);
}

void dropDeferred(void *record) { delete static_cast<DeferredMessage *>(record); }

void postDeferred(int panel, UINT message, uintptr_t wParam, intptr_t lParam,
                  const MessageEntry &entry) {
    auto *record = new (std::nothrow)
        DeferredMessage{panel, int(message), wParam, lParam, entry.callback, entry.data};
    if (!record) return;
    tb::BreakingOff quiet;
    if (PostDeferredCallToThreadEx(runDeferred, record, CurrThreadId(), dropDeferred) < 0)
        delete record;
}

// ---- Re-subclassing after the window was destroyed ----

// Calls the panel's callbacks that are still installed with TbMsgWindowRecreated.
void announceNewWindow(int panel, HWND window, const std::vector<MessageEntry> &callbacks) {
    for (const MessageEntry &m : callbacks) {
        {
            Registry &r = registry();
            Hold hold(r.mutex);
            PanelEntry *e = findPanel(r, panel);
            MessageEntry *still = e ? findMessage(*e, m.message) : nullptr;
            if (!still || still->callback != m.callback) continue;  // removed meanwhile
        }
        uintptr_t wParam = reinterpret_cast<uintptr_t>(window);
        intptr_t lParam = 0;
        m.callback(panel, TbMsgWindowRecreated, &wParam, &lParam, m.data);
    }
}

void resubclass(void *panelHandle) {
    const int panel = static_cast<int>(reinterpret_cast<intptr_t>(panelHandle));
    void *window = nullptr;
    {
        tb::BreakingOff quiet;
        if (GetPanelAttribute(panel, RTE_ATTR_SYSTEM_WINDOW, &window) < 0) {
            removePanelEntry(panel, Unchain::No, false);  // the panel is gone
            return;
        }
    }
    {
        Registry &r = registry();
        Hold hold(r.mutex);
        const PanelEntry *e = findPanel(r, panel);
        if (!e || e->previous) return;  // removed, or subclassed already
    }
    HWND fresh = static_cast<HWND>(window);
    WNDPROC previous = subclass(fresh);
    if (!previous) {
        removePanelEntry(panel, Unchain::Yes, false);
        return;
    }
    std::vector<MessageEntry> callbacks;
    {
        Registry &r = registry();
        Hold hold(r.mutex);
        PanelEntry *e = findPanel(r, panel);
        if (e) {
            e->window = fresh;
            e->previous = previous;
            try {
                callbacks = e->messages;
            } catch (const std::bad_alloc &) {
                callbacks.clear();  // the window is subclassed; the announcement is lost
            }
        }
    }
    announceNewWindow(panel, fresh, callbacks);
}

// The window is being destroyed: give it its previous procedure back and subclass the
// panel's next window later.
void letGoOfWindow(int panel, HWND window) {
    WNDPROC previous = nullptr;
    {
        Registry &r = registry();
        Hold hold(r.mutex);
        PanelEntry *e = findPanel(r, panel);
        if (!e || e->window != window) return;
        previous = e->previous;
        e->previous = nullptr;
    }
    restoreProcedure(window, previous);
    tb::BreakingOff quiet;
    PostDeferredCallToThread(resubclass, reinterpret_cast<void *>(static_cast<intptr_t>(panel)),
                             CurrThreadId());
}

LRESULT CALLBACK libraryWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    int panel = 0;
    WNDPROC previous = nullptr;
    MessageEntry entry = {};
    bool called = false;
    {
        Registry &r = registry();
        Hold hold(r.mutex);
        PanelEntry *e = findWindow(r, window);
        if (e) {
            panel = e->panel;
            previous = e->previous;
            const MessageEntry *m = findMessage(*e, int(message));
            if (m && m->enabled) {
                entry = *m;
                called = true;
            }
        }
    }
    if (!previous) return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_DESTROY) letGoOfWindow(panel, window);
    uintptr_t w = wParam;
    intptr_t l = lParam;
    if (called && entry.mode == TbMsgModeSynchronous) {
        if (entry.callback(panel, int(message), &w, &l, entry.data) != 0)
            return DefWindowProcA(window, message, w, l);
    } else if (called) {
        postDeferred(panel, message, w, l, entry);
    }
    return CallWindowProcA(previous, window, message, w, l);
}

// ---- Installation ----

int addToExistingEntry(int panel, const MessageEntry &added, void **windowHandle, bool &found) {
    Registry &r = registry();
    Hold hold(r.mutex);
    PanelEntry *e = findPanel(r, panel);
    found = e != nullptr;
    if (!e) return 0;
    if (findMessage(*e, added.message)) return TbErrMsgCallbackInstalled;
    try {
        e->messages.push_back(added);
    } catch (const std::bad_alloc &) {
        return RTE_UIE_OUT_OF_MEMORY;
    }
    *windowHandle = e->window;
    return 0;
}

// A new entry for the panel: the discard clean-up chained, the window subclassed, the
// entry with its first callback stored; every failure undoes the steps before it.
int addNewEntry(int panel, const MessageEntry &added, void **windowHandle) {
    void *window = nullptr;
    {
        tb::BreakingOff quiet;
        int code = GetPanelAttribute(panel, RTE_ATTR_SYSTEM_WINDOW, &window);
        if (code < 0) return code;
    }
    int code = ChainPanelCallback(panel, discardCleanup, nullptr, kCleanupLink);
    if (code < 0) return code;
    HWND subclassed = static_cast<HWND>(window);
    WNDPROC previous = subclass(subclassed);
    if (!previous) {
        unchainCleanup(panel);
        return TbErrUnknownSystem;
    }
    try {
        PanelEntry entry{panel, subclassed, previous, {added}};
        Registry &r = registry();
        Hold hold(r.mutex);
        r.panels.push_back(std::move(entry));
    } catch (const std::bad_alloc &) {
        restoreProcedure(subclassed, previous);
        unchainCleanup(panel);
        return RTE_UIE_OUT_OF_MEMORY;
    }
    *windowHandle = window;
    return 0;
}

int setAttribute(MessageEntry &m, int attribute, int value) {
    switch (attribute) {
    case TbMsgAttrEnabled:
        m.enabled = value;
        return 0;
    case TbMsgAttrMode:
        if (value != TbMsgModeSynchronous && value != TbMsgModeDeferred)
            return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
        m.mode = value;
        return 0;
    default:
        return RTE_UIE_INVALID_ATTRIBUTE;
    }
}

}  // namespace

namespace tb {

int installWinMsgCallback(int panel, int message, WinMsgCallbackFn callback, int mode,
                          void *callbackData, void **windowHandle) {
    TB_ASSERT(callback != nullptr && panel > 0, "a message callback needs a function and a panel");
    const MessageEntry added{message, mode, 1, callback, callbackData};
    bool found = false;
    int code = addToExistingEntry(panel, added, windowHandle, found);
    if (found) return code;
    return addNewEntry(panel, added, windowHandle);
}

}  // namespace tb

extern "C" {

int InstallWinMsgCallback(int panel, int message, WinMsgCallbackFn callback, int mode,
                          void *callbackData, void **windowHandle) {
    if (!windowHandle || !callback) return RTE_UIE_NULL_ARGUMENT;
    if (mode != TbMsgModeSynchronous && mode != TbMsgModeDeferred)
        return TbErrInvalidMsgCallbackMode;
    int parent = 0;
    {
        tb::BreakingOff quiet;
        if (GetPanelAttribute(panel, RTE_ATTR_PANEL_PARENT, &parent) < 0)
            return RTE_UIE_INVALID_CONTROL;
    }
    if (parent != 0) return TbErrPanelNotTopLevel;
    return tb::installWinMsgCallback(panel, message, callback, mode, callbackData, windowHandle);
}

int RemoveWinMsgCallback(int panel, int message) {
    {
        Registry &r = registry();
        Hold hold(r.mutex);
        PanelEntry *e = findPanel(r, panel);
        MessageEntry *m = e ? findMessage(*e, message) : nullptr;
        if (!m) return TbErrMsgCallbackNotInstalled;
        e->messages.erase(e->messages.begin() + (m - e->messages.data()));
        if (!e->messages.empty()) return 0;
    }
    removePanelEntry(panel, Unchain::Yes, true);
    return 0;
}

int SetMsgCallbackAttribute(int panel, int message, int attribute, ...) {
    va_list args;
    va_start(args, attribute);
    const int value = va_arg(args, int);
    va_end(args);
    Registry &r = registry();
    Hold hold(r.mutex);
    PanelEntry *e = findPanel(r, panel);
    MessageEntry *m = e ? findMessage(*e, message) : nullptr;
    if (!m) return TbErrMsgCallbackNotInstalled;
    return setAttribute(*m, attribute, value);
}

int GetMsgCallbackAttribute(int panel, int message, int attribute, int *value) {
    if (!value) return RTE_UIE_NULL_ARGUMENT;
    Registry &r = registry();
    Hold hold(r.mutex);
    PanelEntry *e = findPanel(r, panel);
    const MessageEntry *m = e ? findMessage(*e, message) : nullptr;
    if (!m) return TbErrMsgCallbackNotInstalled;
    switch (attribute) {
    case TbMsgAttrEnabled:
        *value = m->enabled;
        return 0;
    case TbMsgAttrMode:
        *value = m->mode;
        return 0;
    default:
        return RTE_UIE_INVALID_ATTRIBUTE;
    }
}

}  // extern "C"
