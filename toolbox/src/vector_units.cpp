// The processor's vector units, asked once: the families with vector paths (the text
// encoding of byte blocks, bitmap files) choose their widest path from this level.
// Test builds may cap the level so that every path runs on one machine.
#include <atomic>

#include "toolbox_internal.h"

namespace tb {

#if TOOLBOX_FAULT_INJECTION
namespace {
std::atomic<int> simdCap{2};
}
void capSimd(int level) { simdCap.store(level); }
#endif

int simdLevel() {
#if TB_X86_SIMD
    static const int level = [] {
        __builtin_cpu_init();
        if (__builtin_cpu_supports("avx2")) return 2;
        return __builtin_cpu_supports("ssse3") ? 1 : 0;
    }();
#else
    constexpr int level = 0;
#endif
#if TOOLBOX_FAULT_INJECTION
    int cap = simdCap.load();
    return level < cap ? level : cap;
#else
    return level;
#endif
}

}  // namespace tb
