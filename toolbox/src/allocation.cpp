// The library's allocator: the C heap, so callers free heap strings with free(), with
// a way to make chosen allocations fail that only the test-only variant of the library
// (built with TOOLBOX_FAULT_INJECTION) has.
#include <atomic>
#include <cstdlib>

#include "toolbox_internal.h"

namespace {

#if TOOLBOX_FAULT_INJECTION
std::atomic<int> allocationsToPass{0};
std::atomic<int> allocationsToFail{0};

// Takes one from a positive counter; false when it was already at zero. Threads race
// for the last ones, so the test and the decrement are one step.
bool takeOne(std::atomic<int> &counter) {
    int left = counter.load();
    while (left > 0 && !counter.compare_exchange_weak(left, left - 1)) {
    }
    return left > 0;
}

// True when this allocation is one the test asked to fail.
bool injectFailure() {
    if (allocationsToFail.load() <= 0) return false;
    if (takeOne(allocationsToPass)) return false;
    return takeOne(allocationsToFail);
}
#else
constexpr bool injectFailure() { return false; }
#endif

}  // namespace

namespace tb {

void *allocate(size_t size) { return injectFailure() ? nullptr : std::malloc(size ? size : 1); }

void *allocateZeroed(size_t count, size_t size) {
    return injectFailure() ? nullptr : std::calloc(count ? count : 1, size ? size : 1);
}

void *reallocate(void *block, size_t size) {
    return injectFailure() ? nullptr : std::realloc(block, size ? size : 1);
}

#if TOOLBOX_FAULT_INJECTION
void failAllocations(int pass, int fail) {
    allocationsToPass.store(pass > 0 ? pass : 0);
    allocationsToFail.store(fail > 0 ? fail : 0);
}
#endif

}  // namespace tb
