// A list at the item count's limit: INT_MAX one-byte items, all zero. The block comes
// from calloc, laid out as ListCreate lays out a list, so its 2 GiB stay untouched
// address space rather than memory actually used; a test that walks every item reads
// only the record. Tests skip when the address space cannot be had (32-bit targets).
// A walk over all the items takes seconds when optimised but minutes in the
// unoptimised sanitizer build, which therefore skips the walks.
#ifndef TOOLBOX_HUGE_LIST_H
#define TOOLBOX_HUGE_LIST_H

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "toolbox.h"

namespace testing_support {

struct HugeListDeleter {
    void operator()(HandleRecord *list) const { ListDispose(list); }
};
using HugeList = std::unique_ptr<HandleRecord, HugeListDeleter>;

// Null when the block cannot be allocated.
inline HugeList makeFullByteList() {
    const uint64_t bytes = sizeof(ListRecord) + uint64_t{INT_MAX};
    if (bytes > SIZE_MAX) return nullptr;
    HugeList list(ListCreate(1));
    if (!list) return nullptr;
    void *block = std::calloc(1, static_cast<size_t>(bytes));
    if (!block) return nullptr;
    std::memcpy(block, list->data, sizeof(ListRecord));
    std::free(list->data);
    list->data = block;
    list->size = static_cast<unsigned int>(bytes);
    auto *record = static_cast<ListRecord *>(block);
    record->capacity = INT_MAX;
    record->numItems = INT_MAX;
    return list;
}

inline bool walksOverAFullListAffordable() {
#ifdef __OPTIMIZE__
    return true;
#else
    return false;
#endif
}

}  // namespace testing_support

#endif
