// The engine's record of each thread: made on the thread's first need, ended on the
// thread itself when the platform reports its end, in a fixed order (thread-local
// copies, then the event loop). Also the thread ids.
#include "loop/event_loop.h"
#include "threads/threads_internal.h"

namespace rte {

unsigned currentThreadId() {
    ThreadRecord *record = loadCurrentRecord();
    return record ? record->id : systemThreadId();
}

ThreadRecord *currentRecord() {
    if (ThreadRecord *record = loadCurrentRecord()) return record;
    std::unique_ptr<ThreadRecord> record(new (std::nothrow) ThreadRecord);
    if (!record) return nullptr;
    record->id = systemThreadId();
    if (!installCurrentRecord(record.get())) return nullptr;
    return record.release();
}

// Discard routines, thread-end hooks and drop functions may use the engine again on
// the ending thread. A copy they make is ended in a further round (four at most; what
// the last round still makes is freed without its routine); a queue made by a routine
// is closed in the same round.
void endThread(ThreadRecord *record) {
    constexpr int kRounds = 4;
    for (int round = 0; round < kRounds; ++round) {
        endThreadLocalCopies(*record, true);
        endThreadLoop(*record);
        if (!record->tlvSlots) break;
    }
    endThreadLocalCopies(*record, false);
    clearCurrentRecord();
    delete record;
}

}  // namespace rte

extern "C" {

// The id registers the thread: a thread that knows its id can hand it to others, who
// may then post to it.
unsigned int CmtGetCurrentThreadID(void) {
    rte::currentThreadLoop();
    return rte::currentThreadId();
}

unsigned int CurrThreadId(void) { return CmtGetCurrentThreadID(); }

}  // extern "C"
