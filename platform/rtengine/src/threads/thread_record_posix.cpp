// POSIX backend of the thread records: the record pointer in initial-exec thread-local
// storage (one load on the hot path), and a thread-specific-data key whose destructor
// ends the thread. The kernel thread id is read once per record.
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "threads/threads_internal.h"

namespace rte {

__thread ThreadRecord *currentRecordSlot = nullptr;

namespace {

pthread_key_t exitKey;

void onThreadExit(void *record) { endThread(static_cast<ThreadRecord *>(record)); }

bool exitKeyReady() {
    static const bool ready = pthread_key_create(&exitKey, onThreadExit) == 0;
    return ready;
}

}  // namespace

unsigned systemThreadId() { return static_cast<unsigned>(syscall(SYS_gettid)); }

bool installCurrentRecord(ThreadRecord *record) {
    if (!exitKeyReady() || pthread_setspecific(exitKey, record) != 0) return false;
    currentRecordSlot = record;
    return true;
}

void clearCurrentRecord() {
    currentRecordSlot = nullptr;
    pthread_setspecific(exitKey, nullptr);
}

}  // namespace rte
