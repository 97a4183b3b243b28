// Private to rtengine: what the thread families (ids, locks, thread-safe and
// thread-local variables) and the event loop share.
//
//  - Engine state lives in immortal<T>() objects (rte_internal.h).
//  - Handles index a HandleTable whose entries are never freed. A lookup is lock-free;
//    an entry that is discarded and reused gets a new generation in its handle, so a
//    stale handle never finds the new object.
//  - Each thread the engine sees gets a ThreadRecord (thread_record.cpp), reached
//    through a platform thread-local pointer and ended by the platform's thread-exit
//    notification.
#ifndef RTE_THREADS_INTERNAL_H
#define RTE_THREADS_INTERNAL_H

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "rte_internal.h"

namespace rte {

// ---- Handle tables ---------------------------------------------------------------------

// Handles are (generation << kIndexBits) | index with generation >= 1, so they are > 0.
template <typename Object, unsigned kChunkCount>
class HandleTable {
public:
    static constexpr unsigned kChunkSize = 256;
    static constexpr unsigned kIndexBits = 14;
    static constexpr unsigned kCapacity = kChunkSize * kChunkCount;
    static_assert(kCapacity <= (1u << kIndexBits), "index must fit its bits");

    struct Entry {
        std::atomic<int> handle{0};  // 0 while free
        unsigned generation = 0;     // guarded by the table's mutex
        unsigned nextFree = 0;       // guarded by the table's mutex
        Object object;
    };

    static unsigned indexOf(int handle) {
        return static_cast<unsigned>(handle) & ((1u << kIndexBits) - 1);
    }

    // The live entry of handle, or null. Lock-free.
    Entry *find(int handle) const {
        if (handle <= 0) return nullptr;
        unsigned index = indexOf(handle);
        if (index >= kCapacity) return nullptr;
        Entry *chunk = chunks_[index / kChunkSize].load(std::memory_order_acquire);
        if (!chunk) return nullptr;
        Entry &entry = chunk[index % kChunkSize];
        return entry.handle.load(std::memory_order_acquire) == handle ? &entry : nullptr;
    }

    // Takes a free entry and tells the handle it will have once published; null when
    // the table is full or a chunk cannot be made.
    Entry *reserve(int &handle) {
        std::lock_guard<std::mutex> guard(mutex_);
        unsigned index;
        if (freeHead_ != kNone) {
            index = freeHead_;
            freeHead_ = entryAt(index).nextFree;
        } else {
            if (used_ == kCapacity) return nullptr;
            index = used_;
            if (index % kChunkSize == 0) {
                Entry *chunk = new (std::nothrow) Entry[kChunkSize];
                if (!chunk) return nullptr;
                chunks_[index / kChunkSize].store(chunk, std::memory_order_release);
            }
            ++used_;
        }
        Entry &entry = entryAt(index);
        entry.generation = entry.generation % kMaxGeneration + 1;
        handle = static_cast<int>((entry.generation << kIndexBits) | index);
        return &entry;
    }

    // Makes a reserved entry findable.
    static void publish(Entry &entry, int handle) {
        entry.handle.store(handle, std::memory_order_release);
    }

    // Ends the entry's handle and returns the entry for reuse.
    void retire(Entry &entry) {
        std::lock_guard<std::mutex> guard(mutex_);
        unsigned index = indexOf(entry.handle.load(std::memory_order_relaxed));
        entry.handle.store(0, std::memory_order_release);
        entry.nextFree = freeHead_;
        freeHead_ = index;
    }

private:
    static constexpr unsigned kNone = ~0u;
    static constexpr unsigned kMaxGeneration = (1u << (31 - kIndexBits)) - 1;

    Entry &entryAt(unsigned index) {
        return chunks_[index / kChunkSize].load(std::memory_order_relaxed)[index % kChunkSize];
    }

    std::mutex mutex_;
    std::atomic<Entry *> chunks_[kChunkCount] = {};
    unsigned used_ = 0;
    unsigned freeHead_ = kNone;
};

// ---- Recursive lock --------------------------------------------------------------------

// The lock of CmtGetLock and of thread-safe variables: a mutex with an owner and a
// depth, so the owning thread may take it again and only the owner may release it.
class RecursiveLock {
public:
    void acquire(std::uintptr_t me) {
        if (owner_.load(std::memory_order_relaxed) == me) {
            ++depth_;
            return;
        }
        mutex_.lock();
        owner_.store(me, std::memory_order_relaxed);
        depth_ = 1;
    }
    // False when me does not own the lock.
    bool release(std::uintptr_t me) {
        if (owner_.load(std::memory_order_relaxed) != me) return false;
        if (--depth_ == 0) {
            owner_.store(0, std::memory_order_relaxed);
            mutex_.unlock();
        }
        return true;
    }
    // Gives the lock up whatever its depth (the caller owns it).
    void releaseAll() {
        depth_ = 0;
        owner_.store(0, std::memory_order_relaxed);
        mutex_.unlock();
    }

private:
    std::mutex mutex_;
    std::atomic<std::uintptr_t> owner_{0};
    int depth_ = 0;
};

// ---- Threads ---------------------------------------------------------------------------

struct TlvCopy;
class ThreadLoop;

constexpr unsigned kTlvChunkCount = 4;  // 1024 thread-local variables
constexpr unsigned kTlvChunkSize = 256;

// What the engine keeps for one thread. Made on the thread's first need, ended and
// freed on the thread itself when it ends (never for a thread that does not end, such
// as the main thread at process exit).
struct ThreadRecord {
    unsigned id = 0;
    // The thread's copies of thread-local variables by table index; a chunk is made on
    // the thread's first copy in it. Entries are cleared by a discarding thread.
    std::atomic<TlvCopy *> *tlvChunks[kTlvChunkCount] = {};
    // The thread's event loop: null until the thread registers (event_loop.cpp).
    std::unique_ptr<ThreadLoop> loop;
};

// The calling thread's id (the value of CmtGetCurrentThreadID) without registering.
unsigned currentThreadId();

// The calling thread's record, made on first use; null when it cannot be made.
ThreadRecord *currentRecord();

// Platform backend (thread_record_posix.cpp, thread_record_win32.cpp).
unsigned systemThreadId();
// Stores the calling thread's record and arms the thread-exit notification, which
// calls endThread(record) on the thread. False when the notification cannot be armed.
bool installCurrentRecord(ThreadRecord *record);
void clearCurrentRecord();
// The calling thread's record when it has one (fast: one thread-local load), and a
// cheap token that tells the calling thread apart from every other live thread (the
// owner of a RecursiveLock).
#if defined(_WIN32)
ThreadRecord *loadCurrentRecord();
inline std::uintptr_t ownerToken() { return GetCurrentThreadId(); }
#else
extern __thread ThreadRecord *currentRecordSlot __attribute__((tls_model("initial-exec")));
inline ThreadRecord *loadCurrentRecord() { return currentRecordSlot; }
inline std::uintptr_t ownerToken() { return reinterpret_cast<std::uintptr_t>(&currentRecordSlot); }
#endif

// Runs the end of a thread on that thread: thread-local copies (their discard routines
// with the thread-exit event), the thread-end hooks, then the event queue (dropped
// calls get their drop functions). Frees the record.
void endThread(ThreadRecord *record);

// Thread-local variables (thread_local_vars.cpp): ends the thread's copies.
void endThreadLocalCopies(ThreadRecord &record);

// Event loop (event_loop.cpp): runs the thread-end hooks and closes the thread's event
// queue, giving the calls still queued to their drop functions.
void endThreadLoop(ThreadRecord &record);

// Monotonic seconds for Timer (clock backends).
double monotonicSeconds();

}  // namespace rte

#endif
