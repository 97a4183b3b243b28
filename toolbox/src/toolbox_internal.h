// Private to toolbox: what the library's families share.
#ifndef TOOLBOX_INTERNAL_H
#define TOOLBOX_INTERNAL_H

#include <atomic>
#include <chrono>
#include <cstddef>
#include <thread>

#include "rtengine.h"
#include "toolbox.h"

// The file name every library assertion reports.
#define TB_SOURCE_NAME "toolbox"

// Checks a caller's programming error at its start. A check that holds costs a
// compare and a branch; one that fails calls DoAssert, out of line, with the library's
// file name and the line of the check. message may be null for the default text.
#define TB_ASSERT(condition, message)                                      \
    do {                                                                   \
        if (TB_UNLIKELY(!(condition))) tb::assertionFailed(__LINE__, (message)); \
    } while (0)

#if defined(__GNUC__)
#define TB_UNLIKELY(condition) __builtin_expect(!!(condition), 0)
#else
#define TB_UNLIKELY(condition) (condition)
#endif

namespace tb {

// What a failed TB_ASSERT calls: DoAssert with the library's file name; never returns.
[[noreturn]] void assertionFailed(int line, const char *message);

// Switches break-on-library-errors off for a scope and restores the setting found,
// on every way out.
class BreakingOff {
public:
    BreakingOff() : previous_(SetBOLE(0)) {}
    ~BreakingOff() { SetBOLE(previous_); }
    BreakingOff(const BreakingOff &) = delete;
    BreakingOff &operator=(const BreakingOff &) = delete;

private:
    int previous_;
};

// The one translation of engine file codes into the user-interface library's file
// codes (0 stays 0; anything without a closer code is -93).
int mapEngineFileCode(int engineCode);
// The same for families whose contracts name only "not found" (-94) and "out of
// memory" (-12): every other failure is -93.
int mapEngineFileCodeBroadly(int engineCode);

// The bodies of ListInsertItems and ListInsertItem, for the library's own callers.
int insertListItems(ListRef list, const void *ptrToItems, int position, int count);
int insertListItem(ListRef list, const void *ptrToItem, int position);

// The library's allocator (the C heap: what it returns is freed with free()). Zero
// sizes are taken as 1, so a success is never a null pointer.
void *allocate(size_t size);
void *allocateZeroed(size_t count, size_t size);
void *reallocate(void *block, size_t size);

// Vector paths are compiled for GCC-compatible compilers on x86 and chosen at run time.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define TB_X86_SIMD 1
#else
#define TB_X86_SIMD 0
#endif

// The widest vector path the processor has: 2 = AVX2, 1 = SSSE3, 0 = none (always 0
// where TB_X86_SIMD is 0).
int simdLevel();

#if TOOLBOX_FAULT_INJECTION
// Test hooks, compiled only into the test-only variant of the library (toolbox_testing).

// After `pass` more allocations succeed, the next `fail` allocations return null.
// failAllocations(0, 0) disarms it.
void failAllocations(int pass, int fail);

// The widest vector path simdLevel() reports: 2 (AVX2), 1 (SSSE3) or 0 (portable loops
// only).
void capSimd(int level);

// After `pass` more writes of SaveBitmapToFile succeed, the next one fails as a full
// disk would; a negative pass disarms it.
void failBitmapFileWrites(int pass);
#endif

// Test-only (builds with TOOLBOX_FAULT_INJECTION): while a dialog is being made (or a
// colour popup relabels a line), after `pass` more of its engine calls the next one is
// not made and reports `code` instead (a negative engine code); code 0 disarms it.
void failDialogSteps(int pass, int code);
// The failure a dialog's next engine call is to report instead of being made: 0 (make
// the call) except in test builds armed by failDialogSteps.
#if TOOLBOX_FAULT_INJECTION
int dialogStepFailure();
#else
inline int dialogStepFailure() { return 0; }
#endif
// Test-only (builds with TOOLBOX_FAULT_INJECTION): the progress dialogs whose records
// the library holds.
int liveProgressDialogs();

// --- Shared state of the event machinery (state.cpp) ------------------------------

struct DelayedCallTimer;

// The library's per-thread state: one copy per thread, made from a template on the
// thread's first use and cleaned up when the thread ends or the state is discarded.
struct LibraryThreadState {
    // The random generator (numeric.cpp).
    int randomSeed;          // next reseeding starts here; kDefaultRandomSeed in a new thread
    int reseedPending;       // nonzero: reseed before the next draw; 1 in a new thread
    double reciprocal[3];    // 1/30269, 1/30307, 1/30323, written at each reseeding
    int generator[3];        // the three generator states
    char eventName[128];     // "Event %d" texts of UILEventString (errors_events.cpp)
    DelayedCallTimer *delayedCallTimer;  // null until the thread's first delayed call
    int metaFontPanel;       // hidden panel for font measurements, 0 when none
    int metaFontTextCtrl;    // the text control on that panel
    int sortPanel;           // the panel whose controls are being sorted by tab position
};

constexpr int kDefaultRandomSeed = 0x38589391;  // 945329041

// The calling thread's copy of the library state, made on first use; null only when the
// engine cannot make it (memory exhausted) or the state has been discarded at exit.
LibraryThreadState *threadState();

// The per-thread state's discard routine (event: CMT_TLV_EVENT_...) for a copy owned by
// threadId; the engine calls it, and tests call it with copies of their own.
void discardThreadStateCopy(void *copy, int event, unsigned int threadId);

// Test-only (builds with TOOLBOX_FAULT_INJECTION): observer called on the thread that
// cleans up a thread's state, with what it ends, before it ends it. Null removes it.
void observeStateCleanups(void (*observer)(DelayedCallTimer *timer, int metaFontPanel));

// Library lock 0 serialises callback chaining, lock 1 extended mouse events. take
// blocks until the calling thread owns the lock and returns 1; release returns 0.
int takeLibraryLock(int which);
int releaseLibraryLock(int which);

// Owns library lock `which` for a scope.
class LibraryLock {
public:
    explicit LibraryLock(int which) : which_(which) { takeLibraryLock(which_); }
    ~LibraryLock() { releaseLibraryLock(which_); }
    LibraryLock(const LibraryLock &) = delete;
    LibraryLock &operator=(const LibraryLock &) = delete;

private:
    int which_;
};

#ifdef _WIN32
// --- Windows message callbacks (win32/winmsg.cpp) ------------------------------------

// InstallWinMsgCallback without its argument checks and without requiring a top-level
// panel, for the library's own families built on message callbacks.
int installWinMsgCallback(int panel, int message, WinMsgCallbackFn callback, int mode,
                          void *callbackData, void **windowHandle);
#endif

// The process's exit list: routines run at normal process end, last registered first
// (RTE_RegisterExitRoutine). 0 or -1 as the engine returns.
int registerExitRoutine(void (*routine)(void));
// True once the engine has been detached: exit routines then leave everything alone.
bool engineDetached();

// Initialisation that runs once per process, whichever thread comes first: that thread
// runs it while every other caller waits (in 10 ms sleeps) until it is done. Busy is
// never cleared, so a failed initialisation is not tried again.
class OneTimeGuard {
public:
    template <typename Init>
    void run(Init init) {
        if (done_.load(std::memory_order_acquire)) return;
        if (busy_.exchange(1, std::memory_order_acq_rel) == 0) {
            init();
            done_.store(1, std::memory_order_release);
            return;
        }
        while (!done_.load(std::memory_order_acquire))
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

private:
    std::atomic<int> done_{0};
    std::atomic<int> busy_{0};
};

// --- Callback chaining (callbacks.cpp) ----------------------------------------------

// The data of the control's link named typeName: 1 with *callbackData set, 0 when the
// chain has no such link, or a code (-65 null name, the engine's for a bad handle).
int findChainedCallbackData(int panel, int control, const char *typeName, void **callbackData);

// Keeps the coming discard of the object from its base callback: with links, the
// oldest link stops passing events on (the links still hear the discard and are
// freed); without, the object's callback is cleared. Errors are ignored.
void silenceBaseCtrlCallback(int panel, int control);
void silenceBasePanelCallback(int panel);

// --- Delayed and deferred calls (delayed.cpp) ---------------------------------------

// A thread's delayed-call queue and the timer control that drives it.
struct DelayedCallTimer {
    ListRef queue;   // pending calls, latest due first
    int panel;       // panel that carries the timer control
    int ownsPanel;   // 1 when the panel was made for the timer
    int timerCtrl;   // the timer control; 0 once it was discarded
    unsigned long long nextOrder;  // posting order of the next call
    int running;     // calls of this timer running now
    int ended;       // disposed of while a call ran: the tick that ran it ends the timer
};

// Ends a timer on the thread that owns it: discards its panel (or control), hands each
// queued call to its drop routine (postDelayedCall) and frees the record and queue.
// While one of the timer's calls runs, the end waits until that call has returned. Null
// does nothing.
void disposeDelayedCallTimer(DelayedCallTimer *timer);

// PostDelayedCall with a routine that runs instead of the call, with its data, when the
// timer ends with the call still queued (its thread ended or the state was discarded);
// dropped may be null.
int postDelayedCall(DelayedCallFn function, void *callbackData, double delay,
                    DelayedCallFn dropped);

// PostDeferredCallToThreadAndWait with an owner for callbackData. Once the call is
// posted (*handedOver true) callbackData belongs to the call: function runs with it, or,
// when its thread ends with the call still queued, dropData (may be null) runs with it
// on the ending thread. Before that (a negative result, *handedOver false) it stays
// the caller's. The result is PostDeferredCallToThreadAndWait's.
int postDeferredCall(DelayedCallFn function, void *callbackData, unsigned int threadId,
                     int timeoutMs, DelayedCallFn dropData, bool *handedOver);


}  // namespace tb

#endif
