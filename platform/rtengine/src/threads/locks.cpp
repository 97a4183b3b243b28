// Locks: recursive, owned by a thread, in a lock-free handle table.
//
// Choices: a lock discarded while other threads wait for it wakes them with -130 (each
// takes the mutex, finds the handle ended and lets it go); the discarding thread may
// own the lock any number of times, and those gets end with it.
#include "threads/threads_internal.h"

namespace {

using LockTable = rte::HandleTable<rte::RecursiveLock, 64>;
LockTable &locks() { return rte::immortal<LockTable>(); }

// Takes the lock of a live handle; null (and nothing held) when the handle is not live,
// also when it was discarded while the caller waited.
LockTable::Entry *acquireLive(int handle, std::uintptr_t me) {
    LockTable::Entry *entry = locks().find(handle);
    if (!entry) return nullptr;
    entry->object.acquire(me);
    if (entry->handle.load(std::memory_order_acquire) != handle) {
        entry->object.release(me);
        return nullptr;
    }
    return entry;
}

}  // namespace

extern "C" {

int CmtNewLock(const char *lockName, int options, int *lock) {
    if (!lock) return rte::fail("CmtNewLock", RTE_UIE_NULL_ARGUMENT);
    if ((lockName && *lockName) || options != 0)
        return rte::fail("CmtNewLock", RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    int handle = 0;
    LockTable::Entry *entry = locks().reserve(handle);
    if (!entry) return rte::fail("CmtNewLock", RTE_UIE_OUT_OF_MEMORY);
    LockTable::publish(*entry, handle);
    *lock = handle;
    return 0;
}

int CmtGetLock(int lock) {
    if (!acquireLive(lock, rte::ownerToken()))
        return rte::fail("CmtGetLock", RTE_UIE_INVALID_THREAD_OBJECT);
    return 0;
}

int CmtReleaseLock(int lock) {
    LockTable::Entry *entry = locks().find(lock);
    if (!entry) return rte::fail("CmtReleaseLock", RTE_UIE_INVALID_THREAD_OBJECT);
    if (!entry->object.release(rte::ownerToken()))
        return rte::fail("CmtReleaseLock", RTE_UIE_NOT_LOCK_OWNER);
    return 0;
}

int CmtDiscardLock(int lock) {
    LockTable::Entry *entry = acquireLive(lock, rte::ownerToken());
    if (!entry) return rte::fail("CmtDiscardLock", RTE_UIE_INVALID_THREAD_OBJECT);
    locks().retire(*entry);
    entry->object.releaseAll();
    return 0;
}

}  // extern "C"
