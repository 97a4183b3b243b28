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

void endThread(ThreadRecord *record) {
    endThreadLocalCopies(*record);
    endThreadLoop(*record);
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
