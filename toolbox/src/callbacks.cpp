// Callback chaining: several named callbacks on one control or panel, threaded through
// the object's own callback attributes. The object carries the link callback as its
// callback function and the newest link record as its callback data; each record keeps
// the function and data that were installed before it. Also the per-panel link counts
// of the panels-with-linked-callbacks list and the exit clean-up that discards those
// panels.
//
// Choices:
//  - Unchaining drops the panel's count as a discard does, so the list holds exactly the
//    panels that still carry links; a panel whose links are all gone is not discarded
//    at exit.
//  - A link reads the next callback of its chain after its own callback has run: a link
//    unchained by a callback during an event does not get that event.
//  - Threads. Edits take library lock 0 and, inside it, a private gate: a mutex held
//    only for a few steps, never while a callback runs, that the link callbacks take to
//    step along a chain. Each record counts the calls running through it and leaves
//    memory only when it is out of its chain and no call runs through it, so an edit on
//    one thread never frees a record another thread is calling with.
//  - The engine reads an object's callback function and data just before it delivers,
//    outside our locks, so a delivery that began before an unchain on another thread
//    may still arrive with the removed record. Unchained records are therefore kept for
//    reuse by later links instead of going back to the heap (until the process ends),
//    and a delivery that arrives with a record no longer in that object's chain is
//    passed to the object's callback as it is now. Records of discarded objects are
//    freed at once: the engine delivers nothing more to them.
//  - The exit clean-up takes the first entry of the panel list, discards that panel and
//    removes the entry if the discard left it, as often as the list had entries when it
//    began. Discards remove entries meanwhile and new ones go to the end, so every panel
//    listed at the start is reached and none twice. Panels of other threads cannot be
//    discarded there (the engine refuses) and are left to their threads.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "toolbox_internal.h"

namespace {

constexpr uint32_t kLinkSignature = 0x4C494E4Bu;  // "LINK"

// The user-interface library's code -45, which chaining gives for a type name that is
// already in the chain and for one that is not there.
constexpr int kLinkNameCode = -45;

enum class LinkState {
    kLive,       // in its object's chain
    kUnchained,  // taken out by an unchain; kept for reuse once no call runs through it
    kDiscarded,  // its object was discarded; freed once no call runs through it
    kSpare       // waiting for reuse
};

template <typename Fn>
struct ChainLink {
    uint32_t signature;
    char *typeName;        // private copy, freed when the link leaves its chain
    void *callbackData;    // the link's own data
    Fn callback;           // the link's own callback, may be null
    Fn previousCallback;   // what was installed before the link (gate)
    void *previousData;    // (gate)
    int panel, control;    // the object whose chain it belongs to; control 0: a panel
    int calls;             // calls running through the record (gate)
    LinkState state;       // (gate)
    ChainLink *nextSpare;  // (gate)
};

// The gate: guards the records' chain fields and, for the library, every change of an
// object's callback attributes. Made on first use and never destroyed, so late exit
// routines can still use it.
std::mutex &gate() {
    static std::mutex *mutex = new std::mutex;
    return *mutex;
}
using GateHold = std::lock_guard<std::mutex>;

// A record on whose behalf the calling thread is about to call the link callback: the
// caller has already counted the call in it. Set just before the call, taken at once
// by the callee.
thread_local const void *handedOver = nullptr;

// ---- the two shapes of chain ----

struct CtrlShape {
    using Fn = CtrlCallbackFn;
    static int read(int panel, int control, Fn *function, void **data) {
        int code = GetCtrlAttribute(panel, control, RTE_ATTR_CALLBACK_FUNCTION_POINTER, function);
        return code < 0 ? code : GetCtrlAttribute(panel, control, RTE_ATTR_CALLBACK_DATA, data);
    }
    static int install(int panel, int control, Fn function, void *data) {
        return InstallCtrlCallback(panel, control, function, data);
    }
    static int clearFunction(int panel, int control) {
        return SetCtrlAttribute(panel, control, RTE_ATTR_CALLBACK_FUNCTION_POINTER, (void *)0);
    }
    static int invoke(Fn function, int panel, int control, int event, void *data, intptr_t data1,
                      intptr_t data2) {
        return function(panel, control, event, data, data1, data2);
    }
    static Fn linkCallback();
};

struct PanelShape {
    using Fn = PanelCallbackFn;
    static int read(int panel, int, Fn *function, void **data) {
        int code = GetPanelAttribute(panel, RTE_ATTR_CALLBACK_FUNCTION_POINTER, function);
        return code < 0 ? code : GetPanelAttribute(panel, RTE_ATTR_CALLBACK_DATA, data);
    }
    static int install(int panel, int, Fn function, void *data) {
        return InstallPanelCallback(panel, function, data);
    }
    static int clearFunction(int panel, int) {
        return SetPanelAttribute(panel, RTE_ATTR_CALLBACK_FUNCTION_POINTER, (void *)0);
    }
    static int invoke(Fn function, int panel, int, int event, void *data, intptr_t data1,
                      intptr_t data2) {
        return function(panel, event, data, data1, data2);
    }
    static Fn linkCallback();
};

// ---- the panels-with-linked-callbacks counts ----

struct PanelCount {
    int panel;
    int count;
};

// The list inside the thread-safe variable, held for a scope.
class PanelList {
public:
    PanelList() : list_(GetPointerToTsvPanelsWithLinkedCallbacksList()) {}
    ~PanelList() {
        if (list_) ReleasePointerToTsvPanelsWithLinkedCallbacksList();
    }
    PanelList(const PanelList &) = delete;
    PanelList &operator=(const PanelList &) = delete;
    ListRef *get() const { return list_; }

private:
    ListRef *list_;
};

int findPanelCount(ListRef list, int panel) {
    PanelCount key = {panel, 0};
    return ListFindItem(list, &key, ListPosFront, IntCompare);
}

int addPanelCount(int panel) {
    PanelList held;
    ListRef *list = held.get();
    if (!list) return RTE_UIE_OUT_OF_MEMORY;
    if (!*list && !(*list = ListCreate(static_cast<int>(sizeof(PanelCount)))))
        return RTE_UIE_OUT_OF_MEMORY;
    if (int position = findPanelCount(*list, panel)) {
        static_cast<PanelCount *>(ListGetPtrToItem(*list, position))->count += 1;
        return 0;
    }
    PanelCount item = {panel, 1};
    return ListInsertItem(*list, &item, ListPosEnd) ? 0 : RTE_UIE_OUT_OF_MEMORY;
}

void dropPanelCount(int panel) {
    PanelList held;
    ListRef *list = held.get();
    if (!list || !*list) return;
    int position = findPanelCount(*list, panel);
    if (position == 0) return;
    PanelCount *item = static_cast<PanelCount *>(ListGetPtrToItem(*list, position));
    if (--item->count <= 0) ListRemoveItem(*list, nullptr, position);
}

// ---- records ----

template <typename Fn>
ChainLink<Fn> *&spares() {
    static ChainLink<Fn> *first = nullptr;
    return first;
}

// A zeroed record, a spare one when there is one (gate held).
template <typename Fn>
ChainLink<Fn> *takeRecord() {
    ChainLink<Fn> *record = spares<Fn>();
    if (record) {
        spares<Fn>() = record->nextSpare;
        *record = ChainLink<Fn>{};
        return record;
    }
    return static_cast<ChainLink<Fn> *>(tb::allocateZeroed(1, sizeof(ChainLink<Fn>)));
}

// Lets a record go once it is out of its chain and no call runs through it (gate held).
template <typename Fn>
void settleRecord(ChainLink<Fn> *record) {
    if (record->calls > 0) return;
    if (record->state == LinkState::kDiscarded) {
        std::free(record->typeName);
        std::free(record);
    } else if (record->state == LinkState::kUnchained) {
        record->state = LinkState::kSpare;
        record->nextSpare = spares<Fn>();
        spares<Fn>() = record;
    }
}

template <typename Fn>
void freeSpares() {
    GateHold hold(gate());
    while (ChainLink<Fn> *record = spares<Fn>()) {
        spares<Fn>() = record->nextSpare;
        std::free(record);
    }
}

// ---- walking a chain (lock 0 and the gate held) ----

template <typename Shape>
struct Chain {
    using Fn = typename Shape::Fn;
    using Link = ChainLink<Fn>;

    // The record when (function, data) is a link of this shape.
    static Link *asLink(Fn function, void *data) {
        return function == Shape::linkCallback() && data ? static_cast<Link *>(data) : nullptr;
    }

    struct Walk {
        Link *match = nullptr;   // the link named as asked
        Link *newer = nullptr;   // its newer neighbour, null when it is the newest
        Link *oldest = nullptr;  // the last link of the chain
        Fn baseCallback = nullptr;
        void *baseData = nullptr;
    };

    // Walks the object's chain from its callback attributes, stopping at the link named
    // typeName (null: walks to the base callback). 0 or the engine's code.
    static int walk(int panel, int control, const char *typeName, Walk &found) {
        Fn function = nullptr;
        void *data = nullptr;
        int code = Shape::read(panel, control, &function, &data);
        if (code < 0) return code;
        Link *newer = nullptr;
        while (Link *link = asLink(function, data)) {
            if (typeName && std::strcmp(link->typeName, typeName) == 0) {
                found.match = link;
                found.newer = newer;
                return 0;
            }
            found.oldest = link;
            newer = link;
            function = link->previousCallback;
            data = link->previousData;
        }
        found.baseCallback = function;
        found.baseData = data;
        return 0;
    }

    // ---- the four operations ----

    static int chain(int panel, int control, Fn callback, void *callbackData,
                     const char *typeName) {
        if (!typeName) return RTE_UIE_NULL_ARGUMENT;
        ensureExitCleanup();
        tb::LibraryLock lock0(0);
        {
            GateHold hold(gate());
            Walk found;
            int code = walk(panel, control, typeName, found);
            if (code < 0) return code;
            if (found.match) return kLinkNameCode;
        }
        int code = addPanelCount(panel);
        if (code < 0) return code;
        char *name = StrDup(typeName);
        Link *record = nullptr;
        if (name) {
            GateHold hold(gate());
            record = takeRecord<Fn>();
            if (record) code = install(record, panel, control, callback, callbackData, name);
        }
        if (!name || !record || code < 0) {
            std::free(name);
            if (record) {
                GateHold hold(gate());
                record->state = LinkState::kDiscarded;
                record->typeName = nullptr;
                settleRecord(record);
            }
            dropPanelCount(panel);
            return code < 0 ? code : RTE_UIE_OUT_OF_MEMORY;
        }
        return 0;
    }

    // Fills a new record and puts it in front of the chain (gate held).
    static int install(Link *record, int panel, int control, Fn callback, void *callbackData,
                       char *name) {
        Fn previous = nullptr;
        void *previousData = nullptr;
        int code = Shape::read(panel, control, &previous, &previousData);
        if (code < 0) return code;
        record->signature = kLinkSignature;
        record->typeName = name;
        record->callbackData = callbackData;
        record->callback = callback;
        record->previousCallback = previous;
        record->previousData = previousData;
        record->panel = panel;
        record->control = control;
        record->state = LinkState::kLive;
        return Shape::install(panel, control, Shape::linkCallback(), record);
    }

    static int getData(int panel, int control, const char *typeName, void **callbackData) {
        if (!callbackData) return RTE_UIE_NULL_ARGUMENT;
        if (typeName && typeName[0] == '\0') {
            tb::LibraryLock lock0(0);
            GateHold hold(gate());
            Walk found;
            int code = walk(panel, control, nullptr, found);
            if (code < 0) return code;
            *callbackData = found.baseData;
            return 0;
        }
        int code = find(panel, control, typeName, callbackData);
        return code == 0 ? kLinkNameCode : code < 0 ? code : 0;
    }

    // The data of the link named typeName: 1 found, 0 none, or a code.
    static int find(int panel, int control, const char *typeName, void **callbackData) {
        if (!typeName) return RTE_UIE_NULL_ARGUMENT;
        tb::LibraryLock lock0(0);
        GateHold hold(gate());
        Walk found;
        int code = walk(panel, control, typeName, found);
        if (code < 0) return code;
        if (!found.match) return 0;
        *callbackData = found.match->callbackData;
        return 1;
    }

    static int unchain(int panel, int control, const char *typeName) {
        tb::BreakingOff quiet;
        if (!typeName) return RTE_UIE_NULL_ARGUMENT;
        char *name = nullptr;
        {
            tb::LibraryLock lock0(0);
            GateHold hold(gate());
            Walk found;
            int code = walk(panel, control, typeName, found);
            if (code < 0) return code;
            Link *link = found.match;
            if (!link) return 0;
            if (found.newer) {
                found.newer->previousCallback = link->previousCallback;
                found.newer->previousData = link->previousData;
            } else {
                code = Shape::install(panel, control, link->previousCallback, link->previousData);
                if (code < 0) return code;
            }
            name = link->typeName;
            link->typeName = nullptr;
            link->state = LinkState::kUnchained;
            settleRecord(link);
        }
        std::free(name);
        dropPanelCount(panel);
        return 1;
    }

    static int call(int panel, int control, int event, intptr_t data1, intptr_t data2,
                    int *returnValue) {
        Fn function = nullptr;
        void *data = nullptr;
        {
            tb::LibraryLock lock0(0);
            GateHold hold(gate());
            int code = Shape::read(panel, control, &function, &data);
            if (code < 0) return code;
            if (!function) return 0;
            if (Link *link = asLink(function, data)) link->calls += 1;
        }
        int result = invokeCounted(function, data, panel, control, event, data1, data2);
        if (returnValue) *returnValue = result;
        return 1;
    }

    // Calls function; when it is a link whose record the caller has counted the call in,
    // the record is handed over so the link does not count it again.
    static int invokeCounted(Fn function, void *data, int panel, int control, int event,
                             intptr_t data1, intptr_t data2) {
        if (asLink(function, data)) handedOver = data;
        return Shape::invoke(function, panel, control, event, data, data1, data2);
    }

    // ---- the link callback ----

    // Counts the call in the record; false when the record is not in this object's
    // chain any more (a delivery that began before an unchain).
    static bool enter(Link *link, int panel, int control) {
        if (handedOver == link) {
            handedOver = nullptr;
            return true;
        }
        GateHold hold(gate());
        if (link->state != LinkState::kLive || link->panel != panel || link->control != control)
            return false;
        link->calls += 1;
        return true;
    }

    // A late delivery goes to the object's callback as it is now.
    static int redeliver(int panel, int control, int event, intptr_t data1, intptr_t data2) {
        Fn function = nullptr;
        void *data = nullptr;
        {
            GateHold hold(gate());
            tb::BreakingOff quiet;
            if (Shape::read(panel, control, &function, &data) < 0 || !function) return 0;
            if (Link *link = asLink(function, data)) {
                if (link->state != LinkState::kLive || link->panel != panel ||
                    link->control != control)
                    return 0;
                link->calls += 1;
            }
        }
        return invokeCounted(function, data, panel, control, event, data1, data2);
    }

    // The next callback of the chain, counted in its record when it is a link.
    static Fn nextCallback(Link *link, void **data) {
        GateHold hold(gate());
        *data = link->previousData;
        if (Link *next = asLink(link->previousCallback, link->previousData)) next->calls += 1;
        return link->previousCallback;
    }

    // On a discard the chain unwinds: the object gets back what was installed before.
    static void unwind(Link *link) {
        GateHold hold(gate());
        Shape::install(link->panel, link->control, link->previousCallback, link->previousData);
    }

    // Ends the call; on a discard the record leaves its chain. True when the panel's
    // count is to be dropped.
    static bool leave(Link *link, bool discard) {
        GateHold hold(gate());
        link->calls -= 1;
        bool wasLive = link->state == LinkState::kLive;
        if (discard && wasLive) link->state = LinkState::kDiscarded;
        settleRecord(link);
        return discard && wasLive;
    }

    static int linkCallback(int panel, int control, int event, void *callbackData, intptr_t data1,
                            intptr_t data2) {
        Link *link = static_cast<Link *>(callbackData);
        if (!enter(link, panel, control)) return redeliver(panel, control, event, data1, data2);
        bool discard = event == EVENT_DISCARD;
        if (discard) unwind(link);
        int result = 0;
        if (link->callback)
            result = Shape::invoke(link->callback, panel, control, event, link->callbackData, data1,
                                   data2);
        if (discard) result = 0;
        if (result == 0) {
            void *nextData = nullptr;
            if (Fn next = nextCallback(link, &nextData))
                result = invokeCounted(next, nextData, panel, control, event, data1, data2);
        }
        if (leave(link, discard)) dropPanelCount(panel);
        return result;
    }

    // Makes the object's discard silent for its base callback: the oldest link stops
    // passing events on, or, without links, the object's callback is cleared.
    static void silenceBase(int panel, int control) {
        tb::LibraryLock lock0(0);
        GateHold hold(gate());
        Walk found;
        if (walk(panel, control, nullptr, found) < 0) return;
        if (!found.oldest) {
            Shape::clearFunction(panel, control);
            return;
        }
        found.oldest->previousCallback = nullptr;
        found.oldest->previousData = nullptr;
    }

    static void ensureExitCleanup();
};

int ctrlLink(int panel, int control, int event, void *data, intptr_t data1, intptr_t data2) {
    return Chain<CtrlShape>::linkCallback(panel, control, event, data, data1, data2);
}

int panelLink(int panel, int event, void *data, intptr_t data1, intptr_t data2) {
    return Chain<PanelShape>::linkCallback(panel, 0, event, data, data1, data2);
}

CtrlCallbackFn CtrlShape::linkCallback() { return ctrlLink; }
PanelCallbackFn PanelShape::linkCallback() { return panelLink; }

// ---- the exit clean-up ----

// The first entry's panel and the number of entries; 0 and 0 when the list is empty.
int firstListedPanel(int *entries) {
    PanelList held;
    ListRef *list = held.get();
    *entries = list ? ListNumItems(*list) : 0;
    if (*entries == 0) return 0;
    return static_cast<PanelCount *>(ListGetPtrToItem(*list, 1))->panel;
}

void removeListedPanel(int panel) {
    PanelList held;
    ListRef *list = held.get();
    if (!list || !*list) return;
    if (int position = findPanelCount(*list, panel)) ListRemoveItem(*list, nullptr, position);
}

void disposePanelList() {
    PanelList held;
    if (ListRef *list = held.get()) {
        ListDispose(*list);
        *list = nullptr;
    }
}

void discardChainedPanels() {
    if (tb::engineDetached()) return;
    tb::BreakingOff quiet;
    int entries = 0;
    firstListedPanel(&entries);
    for (int round = 0; round < entries; ++round) {
        int left = 0;
        int panel = firstListedPanel(&left);
        if (left == 0) break;
        DiscardPanel(panel);
        removeListedPanel(panel);
    }
    disposePanelList();
    freeSpares<CtrlCallbackFn>();
    freeSpares<PanelCallbackFn>();
}

tb::OneTimeGuard exitCleanupGuard;

template <typename Shape>
void Chain<Shape>::ensureExitCleanup() {
    exitCleanupGuard.run([] {
        tb::threadState();
        tb::registerExitRoutine(discardChainedPanels);
    });
}

}  // namespace

namespace tb {

int findChainedCallbackData(int panel, int control, const char *typeName, void **callbackData) {
    return Chain<CtrlShape>::find(panel, control, typeName, callbackData);
}

void silenceBaseCtrlCallback(int panel, int control) {
    Chain<CtrlShape>::silenceBase(panel, control);
}

void silenceBasePanelCallback(int panel) { Chain<PanelShape>::silenceBase(panel, 0); }

}  // namespace tb

extern "C" {

int ChainCtrlCallback(int panel, int control, CtrlCallbackFn callback, void *callbackData,
                      const char *typeName) {
    return Chain<CtrlShape>::chain(panel, control, callback, callbackData, typeName);
}

int GetChainedCallbackData(int panel, int control, const char *typeName, void **callbackData) {
    return Chain<CtrlShape>::getData(panel, control, typeName, callbackData);
}

int UnchainCtrlCallback(int panel, int control, const char *typeName) {
    return Chain<CtrlShape>::unchain(panel, control, typeName);
}

int CallCtrlCallback(int panel, int control, int event, intptr_t eventData1, intptr_t eventData2,
                     int *returnValue) {
    return Chain<CtrlShape>::call(panel, control, event, eventData1, eventData2, returnValue);
}

int ChainPanelCallback(int panel, PanelCallbackFn callback, void *callbackData,
                       const char *typeName) {
    return Chain<PanelShape>::chain(panel, 0, callback, callbackData, typeName);
}

int GetChainedPanelCallbackData(int panel, const char *typeName, void **callbackData) {
    return Chain<PanelShape>::getData(panel, 0, typeName, callbackData);
}

int UnchainPanelCallback(int panel, const char *typeName) {
    return Chain<PanelShape>::unchain(panel, 0, typeName);
}

int CallPanelCallback(int panel, int event, intptr_t eventData1, intptr_t eventData2,
                      int *returnValue) {
    return Chain<PanelShape>::call(panel, 0, event, eventData1, eventData2, returnValue);
}

}  // extern "C"
