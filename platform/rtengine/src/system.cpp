// Facts about the system the engine runs on, and system attributes: the common part
// of GetSystemAttribute and its test override.
#include <atomic>

#include "rte_internal.h"

namespace {
// 0: no override, the platform's symbol is read.
std::atomic<int> decimalSymbolOverride{0};
}  // namespace

extern "C" {

int GetSystemAttribute(int attribute, void *value) {
    if (!value) return rte::fail("GetSystemAttribute", RTE_UIE_NULL_ARGUMENT);
    switch (attribute) {
    case RTE_ATTR_DECIMAL_SYMBOL: {
        int symbol = decimalSymbolOverride.load() & 0xFF;
        if (!symbol) symbol = static_cast<unsigned char>(rte::platformDecimalSymbol());
        *static_cast<int *>(value) = symbol;
        return 0;
    }
    default:
        return rte::fail("GetSystemAttribute", RTE_UIE_INVALID_ATTRIBUTE);
    }
}

void RTE_SetDecimalSymbolForTesting(int symbol) { decimalSymbolOverride.store(symbol & 0xFF); }

// The engine is built only for the Windows NT family and for POSIX systems; the older
// Windows codes exist for callers that compare against them.
int GetCurrentPlatform(void) {
#if defined(_WIN32)
    return RTE_PLATFORM_WINNT;
#else
    return RTE_PLATFORM_POSIX;
#endif
}

}  // extern "C"
