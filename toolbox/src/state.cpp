// Object existence and the library's shared state: the registry of live objects, the
// panels-with-linked-callbacks variable, the per-thread library state, the two library
// locks and the exit routines that end them.
//
// Choices:
//  - The panels-with-linked-callbacks variable has one creator. The first use of the
//    shared state makes it, and InitializeTsvPanelsWithLinkedCallbacksList makes it
//    again only after UninitializeTsvPanelsWithLinkedCallbacksList ended it; until then
//    the accessors find no variable (null pointer, -130). It holds one ListRef, a
//    pointer's size.
//  - The thread-local clean-up of a thread that is still running (the state is being
//    discarded) is posted to that thread with copies of what it cleans up, never with
//    a pointer into the thread's copy of the state, which the engine frees as soon as
//    the discard routine returns, also when the wait of at most 2000 ms ran out. When
//    the thread ends before it runs the clean-up, the clean-up runs on it as it ends.
//  - The object registry keeps pointer-sized items; a null object is not registered
//    (RegisterExistence gives 0).
//  - Exit routines go to the process's exit list (registerExitRoutine), which runs them
//    last registered first; once the engine has been detached they leave everything as
//    it is (the object registry too, which stays usable).
//  - When memory is too short for the clean-up's record, what the thread held is left
//    as it is (lost) rather than ended on a thread that does not own it.
//  - The meta-font panel is discarded by the clean-up on its own thread. When that
//    thread has ended before the clean-up could run there, the engine has discarded
//    its panels already, and the discard here only finds the handle gone (quietly).
#include <cstdlib>
#include <mutex>

#include "toolbox_internal.h"

namespace {

// --- object existence ---------------------------------------------------------------

ListRef existenceRegistry = nullptr;

void disposeExistenceRegistry() {
    if (tb::engineDetached()) return;
    ListDispose(existenceRegistry);
    existenceRegistry = nullptr;
}

// --- the panels-with-linked-callbacks variable ----------------------------------------

std::mutex panelsVariableMutex;     // serialises making and ending the variable
std::atomic<int> panelsVariable{0}; // the engine's handle, 0 while there is none

int makePanelsVariable() {
    std::lock_guard<std::mutex> hold(panelsVariableMutex);
    if (panelsVariable.load() != 0) return 0;
    int handle = 0;
    int result = CmtNewTSV(static_cast<int>(sizeof(ListRef)), &handle);
    if (result < 0) return result;
    ListRef none = nullptr;
    CmtSetTSV(handle, &none);
    panelsVariable.store(handle);
    return 0;
}

int endPanelsVariable() {
    std::lock_guard<std::mutex> hold(panelsVariableMutex);
    int handle = panelsVariable.exchange(0);
    return handle != 0 ? CmtDiscardTSV(handle) : RTE_UIE_INVALID_THREAD_OBJECT;
}

// --- the per-thread library state ---------------------------------------------------

tb::OneTimeGuard stateGuard;
std::atomic<int> threadStateVariable{0};  // the engine's handle, 0 while there is none

constexpr tb::LibraryThreadState kStateTemplate = {
    tb::kDefaultRandomSeed, 1, {0.0, 0.0, 0.0}, {0, 0, 0}, {0}, nullptr, 0, 0, 0};

#if TOOLBOX_FAULT_INJECTION
void (*cleanupObserver)(tb::DelayedCallTimer *, int) = nullptr;
#endif

// What a thread's clean-up ends, copied out of the thread's state.
struct StateCleanup {
    tb::DelayedCallTimer *delayedCallTimer;
    int metaFontPanel;
};

// Runs on the thread that owned the state, and frees the clean-up record.
void runCleanup(void *data) {
    StateCleanup *cleanup = static_cast<StateCleanup *>(data);
#if TOOLBOX_FAULT_INJECTION
    if (cleanupObserver) cleanupObserver(cleanup->delayedCallTimer, cleanup->metaFontPanel);
#endif
    tb::disposeDelayedCallTimer(cleanup->delayedCallTimer);
    if (cleanup->metaFontPanel > 0) {
        // Gone already (or, when the thread ended first, owned by no one): nothing to say.
        tb::BreakingOff quiet;
        DiscardPanel(cleanup->metaFontPanel);
    }
    std::free(cleanup);
}

void discardThreadState(void *copy, int event, void *, unsigned int threadId) {
    tb::LibraryThreadState *state = static_cast<tb::LibraryThreadState *>(copy);
    if (!state->delayedCallTimer && state->metaFontPanel <= 0) return;
    StateCleanup *cleanup = static_cast<StateCleanup *>(tb::allocate(sizeof(StateCleanup)));
    if (!cleanup) return;  // memory exhausted: what the thread held is lost
    *cleanup = {state->delayedCallTimer, state->metaFontPanel};
    state->delayedCallTimer = nullptr;
    state->metaFontPanel = 0;
    if (event != CMT_TLV_EVENT_DISCARD) {
        runCleanup(cleanup);
        return;
    }
    bool handedOver = false;
    tb::postDeferredCall(runCleanup, cleanup, threadId, 2000, runCleanup, &handedOver);
    // A thread without an event queue has ended: free here what it left behind.
    if (!handedOver) runCleanup(cleanup);
}

void endSharedState() {
    if (tb::engineDetached()) return;
    int handle = threadStateVariable.exchange(0);
    if (handle != 0) CmtDiscardThreadLocalVar(handle);
    endPanelsVariable();
}

void makeSharedState() {
    int handle = 0;
    if (CmtNewThreadLocalVar(static_cast<int>(sizeof(tb::LibraryThreadState)), &kStateTemplate,
                             discardThreadState, nullptr, &handle) == 0)
        threadStateVariable.store(handle);
    makePanelsVariable();
    tb::registerExitRoutine(endSharedState);
}

void ensureSharedState() { stateGuard.run(makeSharedState); }

// --- the library locks --------------------------------------------------------------

tb::OneTimeGuard lockGuard;
int libraryLocks[2] = {0, 0};

void endLibraryLocks() {
    if (tb::engineDetached()) return;
    for (int lock : libraryLocks)
        if (lock != 0) CmtDiscardLock(lock);
}

void makeLibraryLocks() {
    for (int &lock : libraryLocks) CmtNewLock(nullptr, 0, &lock);
    tb::registerExitRoutine(endLibraryLocks);
}

}  // namespace

namespace tb {

int registerExitRoutine(void (*routine)(void)) { return RTE_RegisterExitRoutine(routine); }

bool engineDetached() { return RTE_HasBeenDetached() != 0; }

LibraryThreadState *threadState() {
    ensureSharedState();
    int handle = threadStateVariable.load();
    void *copy = nullptr;
    if (handle == 0 || CmtGetThreadLocalVar(handle, &copy) < 0) return nullptr;
    return static_cast<LibraryThreadState *>(copy);
}

int takeLibraryLock(int which) {
    lockGuard.run(makeLibraryLocks);
    CmtGetLock(libraryLocks[which]);
    return 1;
}

int releaseLibraryLock(int which) {
    CmtReleaseLock(libraryLocks[which]);
    return 0;
}

void discardThreadStateCopy(void *copy, int event, unsigned int threadId) {
    discardThreadState(copy, event, nullptr, threadId);
}

#if TOOLBOX_FAULT_INJECTION
void observeStateCleanups(void (*observer)(DelayedCallTimer *timer, int metaFontPanel)) {
    cleanupObserver = observer;
}
#endif

}  // namespace tb

extern "C" {

int RegisterExistence(void *object) {
    if (!object) return 0;
    if (!existenceRegistry) {
        existenceRegistry = ListCreate(static_cast<int>(sizeof(void *)));
        if (existenceRegistry) tb::registerExitRoutine(disposeExistenceRegistry);
    }
    return existenceRegistry ? ListInsertInOrder(existenceRegistry, &object, nullptr) : 0;
}

void DeRegisterExistence(void *object) {
    if (!existenceRegistry || !object) return;
    int position = ListBinSearch(existenceRegistry, &object, nullptr);
    if (position > 0) ListRemoveItem(existenceRegistry, nullptr, position);
}

int ObjectExists(void *object) {
    if (!existenceRegistry || !object) return 0;
    return ListBinSearch(existenceRegistry, &object, nullptr) > 0;
}

int InitializeTsvPanelsWithLinkedCallbacksList(void) {
    ensureSharedState();
    return makePanelsVariable();
}

int UninitializeTsvPanelsWithLinkedCallbacksList(void) { return endPanelsVariable(); }

ListRef *GetPointerToTsvPanelsWithLinkedCallbacksList(void) {
    ensureSharedState();
    void *stored = nullptr;
    int handle = panelsVariable.load();
    if (handle == 0 || CmtGetTSVPtr(handle, &stored) < 0) return nullptr;
    return static_cast<ListRef *>(stored);
}

int ReleasePointerToTsvPanelsWithLinkedCallbacksList(void) {
    int handle = panelsVariable.load();
    return handle != 0 ? CmtReleaseTSVPtr(handle) : RTE_UIE_INVALID_THREAD_OBJECT;
}

int SetTsvPanelsWithLinkedCallbacksList(ListRef list) {
    ensureSharedState();
    int handle = panelsVariable.load();
    return handle != 0 ? CmtSetTSV(handle, &list) : RTE_UIE_INVALID_THREAD_OBJECT;
}

ListRef GetTsvPanelsWithLinkedCallbacksList(void) {
    ListRef *stored = GetPointerToTsvPanelsWithLinkedCallbacksList();
    if (!stored) return nullptr;
    ListRef list = *stored;
    ReleasePointerToTsvPanelsWithLinkedCallbacksList();
    return list;
}

}  // extern "C"
