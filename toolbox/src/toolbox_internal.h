// Private to toolbox: what the library's families share.
#ifndef TOOLBOX_INTERNAL_H
#define TOOLBOX_INTERNAL_H

#include <cstddef>

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

#if TOOLBOX_FAULT_INJECTION
// Test hooks, compiled only into the test-only variant of the library (toolbox_testing).

// After `pass` more allocations succeed, the next `fail` allocations return null.
// failAllocations(0, 0) disarms it.
void failAllocations(int pass, int fail);

// The widest vector coder the text encoding of byte blocks may use, 2 (AVX2), 1 (SSSE3)
// or 0 (portable loop only).
void capEncodingSimd(int level);
#endif

}  // namespace tb

#endif
