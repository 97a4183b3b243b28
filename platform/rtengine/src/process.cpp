// The process model: attach and detach, the program's public symbols, the exit-list
// hand-over and the abnormal exit.
#include <cstring>
#include <mutex>

#include "rte_internal.h"

namespace {

struct ProcessState {
    std::mutex lock;
    bool attached = false;
    bool detached = false;  // CloseRTEDll ran and no attach followed
    const RTE_PublicSymbol *symbols = nullptr;
    void (*emptyExitList)(void) = nullptr;
};

ProcessState &state() {
    static ProcessState instance;
    return instance;
}

}  // namespace

namespace rte {

bool detachedAfterAttach() {
    ProcessState &s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.detached;
}

}  // namespace rte

extern "C" {

int InitRTEDll(void *moduleInstance, const RTE_PublicSymbol *symbols) {
    ProcessState &s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    if (s.attached) return 1;
    if (!rte::publishDetachFlag()) return 0;
    s.attached = true;
    s.detached = false;
    s.symbols = symbols;
    return 1;
}

int CloseRTEDll(void *moduleInstance) {
    ProcessState &s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    if (!s.attached) return -1;
    rte::markDetached();
    s.attached = false;
    s.detached = true;
    s.symbols = nullptr;
    return 0;
}

int RTE_IsAttached(void) {
    ProcessState &s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.attached ? 1 : 0;
}

int UsingSupportDll(void) { return 0; }

void *RTE_FindPublicSymbol(const char *name) {
    ProcessState &s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    if (!name || !s.symbols) return nullptr;
    for (const RTE_PublicSymbol *entry = s.symbols; entry->name; ++entry)
        if (std::strcmp(entry->name, name) == 0) return entry->address;
    return nullptr;
}

void __RegisterAtExitCleanup(void (*emptyExitList)(void)) {
    ProcessState &s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.emptyExitList = emptyExitList;
}

void RTEDllAbnormalExit(int code) {
    void (*emptyExitList)(void) = nullptr;
    {
        ProcessState &s = state();
        std::lock_guard<std::mutex> guard(s.lock);
        emptyExitList = s.emptyExitList;
    }
    if (emptyExitList) emptyExitList();
    CloseRTEDll(nullptr);
    rte::endProcess(code);
}

int RTE_ReadDetachFlag(void) { return rte::readPublishedDetachFlag(); }

}  // extern "C"
