// Thread-local variables: one copy per thread, made from the variable's template on
// the thread's first get, ended with the discard routine either by the thread's end
// (thread-exit event, on that thread) or by the variable's discard (discard event, on
// the discarding thread).
//
// How: each thread's record holds its copies by table index; a get whose copy exists
// is two loads and no lock. Everything else (making a copy, ending copies) happens
// under one mutex, and a copy is ended by whoever unlinks it under that mutex, so a
// thread ending while its variable is discarded has its routine run exactly once.
// Routines run outside the mutex: they may call the engine, and a discard routine may
// wait for the owning thread.
//
// Choices: a thread's end repeats its clean-up up to four rounds for copies that
// routines made while the thread was ending; copies still made after that are freed
// without their routine.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "threads/threads_internal.h"

namespace rte {

// A copy's header; its bytes follow it.
struct alignas(std::max_align_t) TlvCopy {
    int handle = 0;  // the variable's handle, fixed for the copy's life
    ThreadRecord *owner = nullptr;
    unsigned ownerId = 0;
    TlvCopy *previous = nullptr;  // the variable's list of live copies
    TlvCopy *next = nullptr;

    unsigned char *bytes() { return reinterpret_cast<unsigned char *>(this + 1); }
};

}  // namespace rte

namespace {

using rte::ThreadRecord;
using rte::TlvCopy;

struct Variable {
    int size = 0;
    unsigned char *templateBytes = nullptr;
    CmtTLVDiscardFn discardFn = nullptr;
    void *callbackData = nullptr;
    TlvCopy *copies = nullptr;  // live copies, a doubly linked list
};

using VariableTable = rte::HandleTable<Variable, rte::kTlvChunkCount>;
static_assert(VariableTable::kChunkSize == rte::kTlvChunkSize, "records index copies like the table");

struct ThreadLocalState {
    VariableTable table;
    std::mutex mutex;  // guards every Variable and every record's copy entries
};
ThreadLocalState &state() { return rte::immortal<ThreadLocalState>(); }

// A copy taken out of the books, with what its routine needs.
struct EndingCopy {
    TlvCopy *copy;
    CmtTLVDiscardFn discardFn;
    void *callbackData;
};

std::atomic<TlvCopy *> &entryOf(ThreadRecord &record, unsigned index) {
    return record.tlvChunks[index / rte::kTlvChunkSize][index % rte::kTlvChunkSize];
}

void link(Variable &variable, TlvCopy *copy) {
    copy->next = variable.copies;
    if (variable.copies) variable.copies->previous = copy;
    variable.copies = copy;
}

void unlink(Variable &variable, TlvCopy *copy) {
    if (copy->previous)
        copy->previous->next = copy->next;
    else
        variable.copies = copy->next;
    if (copy->next) copy->next->previous = copy->previous;
    copy->previous = copy->next = nullptr;
}

void endCopies(const std::vector<EndingCopy> &ending, int event) {
    for (const EndingCopy &item : ending) {
        if (item.discardFn)
            item.discardFn(item.copy->bytes(), event, item.callbackData, item.copy->ownerId);
        ::operator delete(item.copy);
    }
}

// Makes the calling thread's copy; called under the mutex. Null with code set.
TlvCopy *makeCopy(ThreadRecord &record, Variable &variable, int handle, int &code) {
    unsigned index = VariableTable::indexOf(handle);
    std::atomic<TlvCopy *> *&chunk = record.tlvChunks[index / rte::kTlvChunkSize];
    if (!chunk) {
        chunk = new (std::nothrow) std::atomic<TlvCopy *>[rte::kTlvChunkSize]();
        if (!chunk) {
            code = RTE_UIE_OUT_OF_MEMORY;
            return nullptr;
        }
    }
    void *memory = ::operator new(sizeof(TlvCopy) + static_cast<size_t>(variable.size), std::nothrow);
    if (!memory) {
        code = RTE_UIE_OUT_OF_MEMORY;
        return nullptr;
    }
    TlvCopy *copy = new (memory) TlvCopy;
    copy->handle = handle;
    copy->owner = &record;
    copy->ownerId = record.id;
    std::memcpy(copy->bytes(), variable.templateBytes, static_cast<size_t>(variable.size));
    link(variable, copy);
    chunk[index % rte::kTlvChunkSize].store(copy, std::memory_order_release);
    return copy;
}

// The copy of handle on this thread when it exists already: the hot path.
TlvCopy *existingCopy(ThreadRecord *record, int handle) {
    if (!record || handle <= 0) return nullptr;
    unsigned index = VariableTable::indexOf(handle);
    if (index >= VariableTable::kCapacity) return nullptr;
    std::atomic<TlvCopy *> *chunk = record->tlvChunks[index / rte::kTlvChunkSize];
    if (!chunk) return nullptr;
    TlvCopy *copy = chunk[index % rte::kTlvChunkSize].load(std::memory_order_acquire);
    return copy && copy->handle == handle ? copy : nullptr;
}

int getSlowly(int handle, void *ptrToPtr) {
    ThreadRecord *record = rte::currentRecord();
    if (!record) return rte::fail("CmtGetThreadLocalVar", RTE_UIE_OUT_OF_MEMORY);
    ThreadLocalState &s = state();
    std::lock_guard<std::mutex> guard(s.mutex);
    VariableTable::Entry *entry = s.table.find(handle);
    if (!entry) return rte::fail("CmtGetThreadLocalVar", RTE_UIE_INVALID_THREAD_OBJECT);
    int code = 0;
    TlvCopy *copy = makeCopy(*record, entry->object, handle, code);
    if (!copy) return rte::fail("CmtGetThreadLocalVar", code);
    void *bytes = copy->bytes();
    std::memcpy(ptrToPtr, &bytes, sizeof bytes);
    return 0;
}

}  // namespace

namespace rte {

void endThreadLocalCopies(ThreadRecord &record) {
    constexpr int kRounds = 4;
    ThreadLocalState &s = state();
    for (int round = 0; round <= kRounds; ++round) {
        std::vector<EndingCopy> ending;
        {
            std::lock_guard<std::mutex> guard(s.mutex);
            for (unsigned index = 0; index < VariableTable::kCapacity; ++index) {
                std::atomic<TlvCopy *> *chunk = record.tlvChunks[index / kTlvChunkSize];
                if (!chunk) {
                    index += kTlvChunkSize - 1;
                    continue;
                }
                TlvCopy *copy = chunk[index % kTlvChunkSize].exchange(nullptr);
                if (!copy) continue;
                Variable &variable = s.table.find(copy->handle)->object;
                unlink(variable, copy);
                // Memory for the list may run out: then the routine is skipped.
                try {
                    ending.push_back({copy, variable.discardFn, variable.callbackData});
                } catch (const std::bad_alloc &) {
                    ::operator delete(copy);
                }
            }
            if (ending.empty() || round == kRounds) {
                for (std::atomic<TlvCopy *> *&chunk : record.tlvChunks) {
                    delete[] chunk;
                    chunk = nullptr;
                }
            }
        }
        if (ending.empty()) return;
        if (round == kRounds) {
            for (const EndingCopy &item : ending) ::operator delete(item.copy);
            return;
        }
        endCopies(ending, CMT_TLV_EVENT_THREAD_EXIT);
    }
}

}  // namespace rte

extern "C" {

int CmtNewThreadLocalVar(int sizeOfVar, const void *templateValue, CmtTLVDiscardFn discardFn,
                         void *callbackData, int *handle) {
    if (!handle) return rte::fail("CmtNewThreadLocalVar", RTE_UIE_NULL_ARGUMENT);
    if (sizeOfVar < 1) return rte::fail("CmtNewThreadLocalVar", RTE_UIE_INVALID_ATTRIBUTE_VALUE);
    auto *bytes = static_cast<unsigned char *>(std::calloc(1, static_cast<size_t>(sizeOfVar)));
    if (!bytes) return rte::fail("CmtNewThreadLocalVar", RTE_UIE_OUT_OF_MEMORY);
    if (templateValue) std::memcpy(bytes, templateValue, static_cast<size_t>(sizeOfVar));
    ThreadLocalState &s = state();
    std::lock_guard<std::mutex> guard(s.mutex);
    int newHandle = 0;
    VariableTable::Entry *entry = s.table.reserve(newHandle);
    if (!entry) {
        std::free(bytes);
        return rte::fail("CmtNewThreadLocalVar", RTE_UIE_OUT_OF_MEMORY);
    }
    entry->object = Variable{sizeOfVar, bytes, discardFn, callbackData, nullptr};
    VariableTable::publish(*entry, newHandle);
    *handle = newHandle;
    return 0;
}

int CmtGetThreadLocalVar(int handle, void *ptrToPtr) {
    if (!ptrToPtr) return rte::fail("CmtGetThreadLocalVar", RTE_UIE_NULL_ARGUMENT);
    if (TlvCopy *copy = existingCopy(rte::loadCurrentRecord(), handle)) {
        void *bytes = copy->bytes();
        std::memcpy(ptrToPtr, &bytes, sizeof bytes);
        return 0;
    }
    return getSlowly(handle, ptrToPtr);
}

int CmtDiscardThreadLocalVar(int handle) {
    ThreadLocalState &s = state();
    std::vector<EndingCopy> ending;
    {
        std::lock_guard<std::mutex> guard(s.mutex);
        VariableTable::Entry *entry = s.table.find(handle);
        if (!entry) return rte::fail("CmtDiscardThreadLocalVar", RTE_UIE_INVALID_THREAD_OBJECT);
        Variable &variable = entry->object;
        size_t count = 0;
        for (TlvCopy *copy = variable.copies; copy; copy = copy->next) ++count;
        try {
            ending.reserve(count);
        } catch (const std::bad_alloc &) {
            return rte::fail("CmtDiscardThreadLocalVar", RTE_UIE_OUT_OF_MEMORY);
        }
        unsigned index = VariableTable::indexOf(handle);
        while (TlvCopy *copy = variable.copies) {
            unlink(variable, copy);
            entryOf(*copy->owner, index).store(nullptr, std::memory_order_release);
            ending.push_back({copy, variable.discardFn, variable.callbackData});
        }
        std::free(variable.templateBytes);
        variable = Variable{};
        s.table.retire(*entry);
    }
    endCopies(ending, CMT_TLV_EVENT_DISCARD);
    return 0;
}

}  // extern "C"
