// The list container.
//
// A list is a handle whose storage is a ListRecord followed by capacity item slots.
// Every operation reads the record afresh through the handle, because any resize may
// move the block. Automatic growth on insertion adds the count inserted plus
// max(capacity * (100 + growthPercent) / 100, minGrowth) slots, so an empty list gets
// 5 slots for its first item, then 11, 24, ...
//
// Choices made here where callers could otherwise hurt themselves:
//  - ListCreate refuses an item size of 0 or less (null), so every list has real items.
//  - Growth arithmetic is done in 64 bits; a policy that would add a negative number of
//    slots adds none beyond the count inserted, one that would outgrow a handle adds
//    only the room needed, and a size the handle cannot hold is reported as a failure
//    to grow, never wrapped around.
//  - Items inserted from inside the list itself (ListGetPtrToItem of the same list) are
//    copied aside before the block is resized or shifted, so they are never read from
//    freed or moved storage.
//  - ListDisposePtrList frees only items at least as large as a pointer.
//
// Speed: appending one item where the block has room is a short path of its own (a
// register copy for items of 1, 2, 4 and 8 bytes). The exported functions call one
// another's bodies here directly, never through their exported names, which a shared
// library would reach through its symbol table.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "toolbox_internal.h"

namespace {

constexpr int kDefaultGrowthPercent = 10;
constexpr int kDefaultMinGrowth = 4;
constexpr int64_t kRecordSize = static_cast<int64_t>(sizeof(ListRecord));

ListRecord *record(ListRef list) { return static_cast<ListRecord *>(list->data); }

// Items are addressed as bytes of the block: the record's four-byte array only marks
// where they begin.
char *itemAt(ListRecord *rec, int64_t index) {
    return reinterpret_cast<char *>(rec) + offsetof(ListRecord, items) + index * rec->itemSize;
}

// Whether a block for `slots` items fits the handle's size and the item count's type.
bool slotsFit(const ListRecord *rec, int64_t slots) {
    if (slots < 0 || slots > INT_MAX) return false;
    int64_t bytes = kRecordSize + slots * rec->itemSize;
    return bytes <= static_cast<int64_t>(UINT_MAX) &&
           static_cast<uint64_t>(bytes) <= static_cast<uint64_t>(SIZE_MAX);
}

// Resizes the storage to room for `slots` items; false (nothing changed) when memory is
// short or the size does not fit the handle.
bool resizeToSlots(ListRef list, int64_t slots) {
    const ListRecord *rec = record(list);
    if (!slotsFit(rec, slots)) return false;
    if (!SetHandleSize(list, static_cast<unsigned int>(kRecordSize + slots * rec->itemSize)))
        return false;
    record(list)->capacity = static_cast<int>(slots);
    return true;
}

// The automatic amount added beyond an insertion's count.
int64_t automaticGrowth(const ListRecord *rec) {
    int64_t amount = static_cast<int64_t>(rec->capacity) * (100 + int64_t{rec->growthPercent}) / 100;
    if (amount <= rec->minGrowth) amount = rec->minGrowth;
    return amount < 0 ? 0 : amount;
}

// Makes sure `count` more items fit, growing by count plus the automatic amount. When
// the automatic amount would make a block larger than a handle can hold, only the
// room needed is taken, so a generous policy never makes a fitting insertion fail.
bool growForInsertion(ListRef list, int count) {
    const ListRecord *rec = record(list);
    const int64_t needed = int64_t{rec->numItems} + count;
    if (needed <= rec->capacity) return true;
    int64_t slots = int64_t{rec->capacity} + count + automaticGrowth(rec);
    if (!slotsFit(rec, slots)) slots = needed;
    return resizeToSlots(list, slots);
}

// Maps a range's first position (ListPosFront: 1, ListPosEnd: n) and checks that the
// `count` items from it lie within 1 ... n. Gives the 0-based index of the first.
bool mapRange(const ListRecord *rec, int position, int count, int64_t *first) {
    int n = rec->numItems;
    if (count < 1 || n < 1) return false;
    int64_t p = position == ListPosFront ? 1 : position == ListPosEnd ? n : position;
    if (p < 1 || p + count - 1 > n) return false;
    *first = p - 1;
    return true;
}

// Maps a single position for lookups: ListPosFront 1, ListPosEnd n, else 1 ... n.
bool mapPosition(const ListRecord *rec, int position, int64_t *index) {
    return mapRange(rec, position, 1, index);
}

// True when [bytes, bytes + size) overlaps the list's storage block.
bool insideStorage(ListRef list, const void *bytes, int64_t size) {
    auto begin = reinterpret_cast<uintptr_t>(list->data);
    auto end = begin + list->size;
    auto from = reinterpret_cast<uintptr_t>(bytes);
    return from < end && from + static_cast<uintptr_t>(size) > begin;
}

struct FreeDeleter {
    void operator()(void *block) const { std::free(block); }
};

int compareItems(ItemCompareFn compare, const void *first, const void *second, int size) {
    return compare ? compare(first, second) : std::memcmp(first, second, static_cast<size_t>(size));
}

// Copies one item whose source may overlap the slot (an item of the list itself).
template <typename Unit>
inline void copyUnit(char *slot, const void *item) {
    Unit value;
    std::memcpy(&value, item, sizeof value);
    std::memcpy(slot, &value, sizeof value);
}

inline void copyItem(char *slot, const void *item, int size) {
    switch (size) {
        case 1: copyUnit<uint8_t>(slot, item); break;
        case 2: copyUnit<uint16_t>(slot, item); break;
        case 4: copyUnit<uint32_t>(slot, item); break;
        case 8: copyUnit<uint64_t>(slot, item); break;
        default: std::memmove(slot, item, static_cast<size_t>(size)); break;
    }
}

// Whether position appends to a list of n items (n + 1 is computed in 64 bits).
inline bool appends(int position, int64_t n) {
    return position == ListPosEnd || position == n + 1 || (position == ListPosFront && n == 0);
}

// Appends one item when the block has room for it; false (nothing done) otherwise.
inline bool appendInPlace(ListRecord *rec, const void *item) {
    if (rec->numItems >= rec->capacity) return false;
    copyItem(itemAt(rec, rec->numItems), item, rec->itemSize);
    ++rec->numItems;
    return true;
}

int findItem(ListRef list, const void *ptrToItem, int startingPosition, ItemCompareFn compare) {
    if (!list || !ptrToItem) return 0;
    ListRecord *rec = record(list);
    int64_t start;
    if (!mapPosition(rec, startingPosition, &start)) return 0;
    for (int64_t k = start; k < rec->numItems; ++k)
        if (compareItems(compare, ptrToItem, itemAt(rec, k), rec->itemSize) == 0)
            return static_cast<int>(k + 1);
    return 0;
}

void removeItems(ListRef list, void *itemsDestination, int position, int count) {
    if (!list) return;
    ListRecord *rec = record(list);
    int64_t first;
    if (!mapRange(rec, position, count, &first)) return;
    int64_t bytes = int64_t{count} * rec->itemSize;
    char *slot = itemAt(rec, first);
    // The destination may lie inside the list itself.
    if (itemsDestination) std::memmove(itemsDestination, slot, static_cast<size_t>(bytes));
    int64_t after = rec->numItems - (first + count);
    std::memmove(slot, slot + bytes, static_cast<size_t>(after * rec->itemSize));
    rec->numItems -= count;
}

}  // namespace

namespace tb {

int insertListItems(ListRef list, const void *ptrToItems, int position, int count) {
    if (!list || count < 1) return 0;
    const ListRecord *rec = record(list);
    const int64_t n = rec->numItems;  // n + 1 must not overflow at INT_MAX items
    int64_t index;  // 0-based slot of the first new item
    if (appends(position, n))
        index = n;
    else if (position == ListPosFront)
        index = 0;
    else if (position >= 1 && position <= n)
        index = position - 1;
    else
        return 0;
    int64_t bytes = int64_t{count} * rec->itemSize;
    if (static_cast<uint64_t>(bytes) > SIZE_MAX) return 0;

    std::unique_ptr<void, FreeDeleter> aside;
    if (ptrToItems && insideStorage(list, ptrToItems, bytes)) {
        aside.reset(tb::allocate(static_cast<size_t>(bytes)));
        if (!aside) return 0;
        std::memcpy(aside.get(), ptrToItems, static_cast<size_t>(bytes));
        ptrToItems = aside.get();
    }
    if (!growForInsertion(list, count)) return 0;

    ListRecord *grown = record(list);
    char *slot = itemAt(grown, index);
    if (index < n)
        std::memmove(slot + bytes, slot, static_cast<size_t>((n - index) * grown->itemSize));
    if (ptrToItems)
        std::memcpy(slot, ptrToItems, static_cast<size_t>(bytes));
    else
        std::memset(slot, 0, static_cast<size_t>(bytes));
    grown->numItems = static_cast<int>(n + count);
    return 1;
}

int insertListItem(ListRef list, const void *ptrToItem, int position) {
    if (list && ptrToItem) {
        ListRecord *rec = record(list);
        if (appends(position, rec->numItems) && appendInPlace(rec, ptrToItem)) return 1;
    }
    return insertListItems(list, ptrToItem, position, 1);
}

}  // namespace tb

extern "C" {

ListRef ListCreate(int itemSize) {
    if (itemSize <= 0) return nullptr;
    ListRef list = NewHandle(static_cast<unsigned int>(sizeof(ListRecord)));
    if (!list) return nullptr;
    ListRecord *rec = record(list);
    rec->signature = LIST_SIGNATURE;
    rec->growthPercent = kDefaultGrowthPercent;
    rec->minGrowth = kDefaultMinGrowth;
    rec->capacity = 0;
    rec->itemSize = itemSize;
    rec->numItems = 0;
    return list;
}

void ListDispose(ListRef list) { DisposeHandle(list); }

void ListDisposePtrList(ListRef list) {
    if (!list) return;
    ListRecord *rec = record(list);
    if (rec->itemSize >= static_cast<int>(sizeof(void *))) {
        for (int i = 0; i < rec->numItems; ++i) {
            void *pointer;
            std::memcpy(&pointer, itemAt(rec, i), sizeof pointer);
            std::free(pointer);
        }
    }
    ListDispose(list);
}

void ListClear(ListRef list) {
    if (list) record(list)->numItems = 0;
}

void ListCompact(ListRef list) {
    if (list) resizeToSlots(list, record(list)->numItems);
}

void ListSetAllocationPolicy(ListRef list, int minGrowth, int growthPercent) {
    if (!list) return;
    record(list)->minGrowth = minGrowth;
    record(list)->growthPercent = growthPercent;
}

int ListPreAllocate(ListRef list, int count) {
    if (!list) return 0;
    ListRecord *rec = record(list);
    int64_t room = int64_t{rec->capacity} - rec->numItems;
    if (room >= count) return 1;
    return resizeToSlots(list, int64_t{rec->capacity} + (count - room)) ? 1 : 0;
}

ListRef ListCopy(ListRef list) {
    if (!list) return nullptr;
    const ListRecord *source = record(list);
    ListRef copy = ListCreate(source->itemSize);
    if (!copy) return nullptr;
    if (!resizeToSlots(copy, source->numItems)) {
        ListDispose(copy);
        return nullptr;
    }
    ListRecord *rec = record(copy);
    rec->numItems = source->numItems;
    rec->growthPercent = source->growthPercent;
    rec->minGrowth = source->minGrowth;
    std::memcpy(rec->items, source->items, static_cast<size_t>(int64_t{source->numItems} * source->itemSize));
    return copy;
}

int ListAppend(ListRef list, ListRef listToAppend) {
    if (!listToAppend) return 1;
    if (!list) return 0;
    int size = record(list)->itemSize;
    if (size != record(listToAppend)->itemSize) return 0;
    int64_t m = record(list)->numItems;
    int64_t k = record(listToAppend)->numItems;
    if (k == 0) return 1;
    // Exactly m + k slots, which may also shrink the storage.
    if (!resizeToSlots(list, m + k)) return 0;
    // Read the source only now: when it is the list itself its block has just moved.
    ListRecord *rec = record(list);
    std::memcpy(itemAt(rec, m), record(listToAppend)->items, static_cast<size_t>(k * size));
    rec->numItems = static_cast<int>(m + k);
    return 1;
}

int ListInsertItems(ListRef list, const void *ptrToItems, int position, int count) {
    return tb::insertListItems(list, ptrToItems, position, count);
}

int ListInsertItem(ListRef list, const void *ptrToItem, int position) {
    return tb::insertListItem(list, ptrToItem, position);
}

int ListInsertAfterItem(ListRef list, const void *ptrToItem, const void *ptrToItemToFind,
                        ItemCompareFn compare) {
    int found = findItem(list, ptrToItemToFind, ListPosFront, compare);
    // Behind the last item is the end: found + 1 would overflow at INT_MAX items.
    bool inside = found != 0 && found < record(list)->numItems;
    return tb::insertListItem(list, ptrToItem, inside ? found + 1 : ListPosEnd);
}

int ListInsertBeforeItem(ListRef list, const void *ptrToItem, const void *ptrToItemToFind,
                         ItemCompareFn compare) {
    int found = findItem(list, ptrToItemToFind, ListPosFront, compare);
    return tb::insertListItem(list, ptrToItem, found ? found : ListPosFront);
}

void ListReplaceItems(ListRef list, const void *ptrToItems, int position, int count) {
    if (!list || !ptrToItems) return;
    ListRecord *rec = record(list);
    int64_t first;
    if (!mapRange(rec, position, count, &first)) return;
    std::memmove(itemAt(rec, first), ptrToItems, static_cast<size_t>(int64_t{count} * rec->itemSize));
}

void ListReplaceItem(ListRef list, const void *ptrToItem, int position) {
    ListReplaceItems(list, ptrToItem, position, 1);
}

void ListRemoveItems(ListRef list, void *itemsDestination, int position, int count) {
    removeItems(list, itemsDestination, position, count);
}

void ListRemoveItem(ListRef list, void *itemDestination, int position) {
    removeItems(list, itemDestination, position, 1);
}

void ListGetItems(ListRef list, void *itemsDestination, int position, int count) {
    if (!list || !itemsDestination) return;
    ListRecord *rec = record(list);
    int64_t first;
    if (!mapRange(rec, position, count, &first)) return;
    // The destination may lie inside the list itself.
    std::memmove(itemsDestination, itemAt(rec, first), static_cast<size_t>(int64_t{count} * rec->itemSize));
}

void ListGetItem(ListRef list, void *itemDestination, int position) {
    ListGetItems(list, itemDestination, position, 1);
}

void *ListGetPtrToItem(ListRef list, int position) {
    if (!list) return nullptr;
    ListRecord *rec = record(list);
    int64_t index;
    return mapPosition(rec, position, &index) ? itemAt(rec, index) : nullptr;
}

void *ListGetDataPtr(ListRef list) { return list ? record(list)->items : nullptr; }

int ListGetItemSize(ListRef list) { return list ? record(list)->itemSize : 0; }

int ListNumItems(ListRef list) { return list ? record(list)->numItems : 0; }

int ListEqual(ListRef first, ListRef second) {
    if (first == second) return 1;
    if (!first || !second) return 0;
    const ListRecord *a = record(first);
    const ListRecord *b = record(second);
    if (a->itemSize != b->itemSize || a->numItems != b->numItems) return 0;
    size_t bytes = static_cast<size_t>(int64_t{a->numItems} * a->itemSize);
    return std::memcmp(a->items, b->items, bytes) == 0 ? 1 : 0;
}

int ListFindItem(ListRef list, const void *ptrToItem, int startingPosition, ItemCompareFn compare) {
    return findItem(list, ptrToItem, startingPosition, compare);
}

void ListRemoveDuplicates(ListRef list, ItemCompareFn compare) {
    if (!list) return;
    // Removing an item behind i never moves item i, so its address stays valid as a key.
    for (int i = 1; i < record(list)->numItems; ++i) {
        const void *key = itemAt(record(list), i - 1);
        for (int k = findItem(list, key, i + 1, compare); k != 0; k = findItem(list, key, k, compare))
            removeItems(list, nullptr, k, 1);
    }
}

int ListApplyToEach(ListRef list, int ascending, ItemApplyFn apply, void *callbackData) {
    if (!list || !apply) return 0;
    // The count and the block are read afresh for every call: apply may insert or
    // remove items. The position is 64-bit so that the step past INT_MAX items ends
    // the walk instead of wrapping round.
    int result = 0;
    if (ascending) {
        for (int64_t i = 1; i <= record(list)->numItems; ++i) {
            result = apply(static_cast<int>(i), itemAt(record(list), i - 1), callbackData);
            if (result < 0) return result;
        }
    } else {
        for (int64_t i = record(list)->numItems; i > 0 && i <= record(list)->numItems; --i) {
            result = apply(static_cast<int>(i), itemAt(record(list), i - 1), callbackData);
            if (result < 0) return result;
        }
    }
    return result;
}

}  // extern "C"
