// Win32 backend of the thread records: the record pointer in a TLS slot made when the
// engine's DLL is loaded, and the DLL's thread-detach notification, which ends the
// thread. That notification comes for every thread that ends normally, also threads
// the engine did not start; it runs with the system's loader lock held.
#include <windows.h>

#include "threads/threads_internal.h"

namespace {
DWORD recordSlot = TLS_OUT_OF_INDEXES;
}  // namespace

namespace rte {

ThreadRecord *loadCurrentRecord() { return static_cast<ThreadRecord *>(TlsGetValue(recordSlot)); }

unsigned systemThreadId() { return GetCurrentThreadId(); }

bool installCurrentRecord(ThreadRecord *record) { return TlsSetValue(recordSlot, record) != 0; }

void clearCurrentRecord() { TlsSetValue(recordSlot, nullptr); }

}  // namespace rte

// Engine state is never torn down at process detach: exit routines of other modules may
// still call the engine.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        recordSlot = TlsAlloc();
        return recordSlot != TLS_OUT_OF_INDEXES;
    case DLL_THREAD_DETACH:
        if (rte::ThreadRecord *record = rte::loadCurrentRecord()) rte::endThread(record);
        break;
    default:
        break;
    }
    return TRUE;
}
