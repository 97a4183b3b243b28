// Thread-safe variables: storage of a fixed size behind a recursive lock, in a
// lock-free handle table.
//
// Choices: the pointer get is re-entrant on the holding thread; set and get copy under
// the same lock, so they also work while the caller holds the pointer. Discarding waits
// like CmtDiscardLock and frees the storage; waiters get -130.
#include <cstdlib>
#include <cstring>

#include "threads/threads_internal.h"

namespace {

struct Variable {
    rte::RecursiveLock lock;
    unsigned char *storage = nullptr;  // guarded by lock
    int size = 0;                      // guarded by lock
};

using VariableTable = rte::HandleTable<Variable, 64>;
VariableTable &variables() { return rte::immortal<VariableTable>(); }

// Takes the lock of a live variable; null (nothing held) when the handle is not live.
Variable *acquireLive(int handle, std::uintptr_t me) {
    VariableTable::Entry *entry = variables().find(handle);
    if (!entry) return nullptr;
    entry->object.lock.acquire(me);
    if (entry->handle.load(std::memory_order_acquire) != handle) {
        entry->object.lock.release(me);
        return nullptr;
    }
    return &entry->object;
}

// Copies the variable's bytes in or out under its lock.
int copyUnderLock(const char *function, int tsv, void *value, bool into) {
    if (!value) return rte::fail(function, RTE_UIE_NULL_ARGUMENT);
    std::uintptr_t me = rte::ownerToken();
    Variable *variable = acquireLive(tsv, me);
    if (!variable) return rte::fail(function, RTE_UIE_INVALID_THREAD_OBJECT);
    if (into)
        std::memcpy(variable->storage, value, static_cast<size_t>(variable->size));
    else
        std::memcpy(value, variable->storage, static_cast<size_t>(variable->size));
    variable->lock.release(me);
    return 0;
}

}  // namespace

extern "C" {

int CmtNewTSV(int sizeOfVar, int *tsv) {
    if (!tsv) return rte::fail("CmtNewTSV", RTE_UIE_NULL_ARGUMENT);
    if (sizeOfVar < 1) return rte::fail("CmtNewTSV", RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    unsigned char *storage = static_cast<unsigned char *>(std::calloc(1, static_cast<size_t>(sizeOfVar)));
    if (!storage) return rte::fail("CmtNewTSV", RTE_UIE_OUT_OF_MEMORY);
    int handle = 0;
    VariableTable::Entry *entry = variables().reserve(handle);
    if (!entry) {
        std::free(storage);
        return rte::fail("CmtNewTSV", RTE_UIE_OUT_OF_MEMORY);
    }
    // A thread that waited on the entry's previous variable may still hold its lock.
    std::uintptr_t me = rte::ownerToken();
    entry->object.lock.acquire(me);
    entry->object.storage = storage;
    entry->object.size = sizeOfVar;
    entry->object.lock.release(me);
    VariableTable::publish(*entry, handle);
    *tsv = handle;
    return 0;
}

int CmtGetTSVPtr(int tsv, void *ptrToPtr) {
    if (!ptrToPtr) return rte::fail("CmtGetTSVPtr", RTE_UIE_NULL_ARGUMENT);
    Variable *variable = acquireLive(tsv, rte::ownerToken());
    if (!variable) return rte::fail("CmtGetTSVPtr", RTE_UIE_INVALID_THREAD_OBJECT);
    void *storage = variable->storage;
    std::memcpy(ptrToPtr, &storage, sizeof storage);
    return 0;
}

int CmtReleaseTSVPtr(int tsv) {
    VariableTable::Entry *entry = variables().find(tsv);
    if (!entry) return rte::fail("CmtReleaseTSVPtr", RTE_UIE_INVALID_THREAD_OBJECT);
    if (!entry->object.lock.release(rte::ownerToken()))
        return rte::fail("CmtReleaseTSVPtr", RTE_UIE_NOT_LOCK_OWNER);
    return 0;
}

int CmtSetTSV(int tsv, const void *value) {
    return copyUnderLock("CmtSetTSV", tsv, const_cast<void *>(value), true);
}

int CmtGetTSV(int tsv, void *value) { return copyUnderLock("CmtGetTSV", tsv, value, false); }

int CmtDiscardTSV(int tsv) {
    VariableTable::Entry *entry = variables().find(tsv);
    Variable *variable = entry ? acquireLive(tsv, rte::ownerToken()) : nullptr;
    if (!variable) return rte::fail("CmtDiscardTSV", RTE_UIE_INVALID_THREAD_OBJECT);
    variables().retire(*entry);
    std::free(variable->storage);
    variable->storage = nullptr;
    variable->size = 0;
    variable->lock.releaseAll();
    return 0;
}

}  // extern "C"
