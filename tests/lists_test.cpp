// The list container: record layout and growth arithmetic, position mapping, range
// operations, whole-list operations, searching and visiting, and "unchanged on
// failure" under injected out-of-memory.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <numeric>
#include <vector>

#include "huge_list.h"
#include "toolbox_internal.h"

using testing_support::makeFullByteList;

namespace {

struct ListDeleter {
    void operator()(HandleRecord *list) const { ListDispose(list); }
};
using ListPtr = std::unique_ptr<HandleRecord, ListDeleter>;

ListRecord *rec(ListRef list) { return static_cast<ListRecord *>(list->data); }

ListPtr intList(const std::vector<int> &values) {
    ListPtr list(ListCreate(sizeof(int)));
    for (int v : values) EXPECT_EQ(ListInsertItem(list.get(), &v, ListPosEnd), 1);
    return list;
}

std::vector<int> contents(ListRef list) {
    std::vector<int> out(ListNumItems(list));
    if (!out.empty()) std::memcpy(out.data(), ListGetDataPtr(list), out.size() * sizeof(int));
    return out;
}

// Everything a caller can observe of a list, to prove "unchanged".
struct Snapshot {
    ListRecord header;
    unsigned blockSize;
    std::vector<unsigned char> items;
    explicit Snapshot(ListRef list) : header(*rec(list)), blockSize(GetHandleSize(list)) {
        const auto *first = static_cast<const unsigned char *>(ListGetDataPtr(list));
        items.assign(first, first + size_t(header.numItems) * header.itemSize);
    }
    bool operator==(const Snapshot &o) const {
        return std::memcmp(&header, &o.header, offsetof(ListRecord, items)) == 0 &&
               blockSize == o.blockSize && items == o.items;
    }
};

int intCompare(const void *a, const void *b) {
    int x = *static_cast<const int *>(a), y = *static_cast<const int *>(b);
    return (x > y) - (x < y);
}

class Lists : public ::testing::Test {
protected:
    void TearDown() override { tb::failAllocations(0, 0); }
};

// --- Creation, layout and growth ---------------------------------------------------

// The record's fields, their order and defaults are what other code reads directly.
TEST_F(Lists, NewListRecordLayoutAndDefaults) {
    ListPtr list(ListCreate(12));
    ASSERT_NE(list, nullptr);
    const auto *words = static_cast<const unsigned *>(list->data);
    EXPECT_EQ(words[0], 0x4C495354u);
    EXPECT_EQ(int(words[1]), 10) << "growthPercent";
    EXPECT_EQ(int(words[2]), 4) << "minGrowth";
    EXPECT_EQ(int(words[3]), 0) << "capacity";
    EXPECT_EQ(int(words[4]), 12) << "itemSize";
    EXPECT_EQ(int(words[5]), 0) << "numItems";
    EXPECT_EQ(ListGetDataPtr(list.get()), static_cast<void *>(const_cast<unsigned *>(words + 6)));
    EXPECT_EQ(GetHandleSize(list.get()), sizeof(ListRecord));
    EXPECT_EQ(sizeof(ListRecord), 28u);
}

// Item sizes of 0 or less would make every byte count meaningless: refused.
TEST_F(Lists, NonPositiveItemSizeIsRefused) {
    EXPECT_EQ(ListCreate(0), nullptr);
    EXPECT_EQ(ListCreate(-4), nullptr);
}

// Single inserts must grow 0 -> 5 -> 11 -> 24 -> 51, with the block sized exactly
// record + capacity slots at every step.
TEST_F(Lists, GrowthFollowsTheRuleExactly) {
    ListPtr list(ListCreate(sizeof(int)));
    std::vector<int> capacities;
    for (int v = 0; v < 30; ++v) {
        ASSERT_EQ(ListInsertItem(list.get(), &v, ListPosEnd), 1);
        if (capacities.empty() || capacities.back() != rec(list.get())->capacity)
            capacities.push_back(rec(list.get())->capacity);
        EXPECT_EQ(GetHandleSize(list.get()),
                  sizeof(ListRecord) + unsigned(rec(list.get())->capacity) * sizeof(int));
    }
    EXPECT_EQ(capacities, (std::vector<int>{5, 11, 24, 51}));
}

// A full insert adds count + max(capacity * 110%, minGrowth): 4 of 5 plus 3 gives 13.
TEST_F(Lists, MultiInsertGrowsByCountPlusAutomaticAmount) {
    ListPtr list = intList({1, 2, 3, 4});
    ASSERT_EQ(rec(list.get())->capacity, 5);
    const int more[] = {7, 8, 9};
    ASSERT_EQ(ListInsertItems(list.get(), more, 2, 3), 1);
    EXPECT_EQ(rec(list.get())->capacity, 13);
    EXPECT_EQ(contents(list.get()), (std::vector<int>{1, 7, 8, 9, 2, 3, 4}));
}

// The policy's arguments land in the right fields and drive growth; a negative policy
// must still leave room for the inserted items (never fewer slots than needed).
TEST_F(Lists, AllocationPolicyIsStoredAndNegativeValuesAreSafe) {
    ListPtr list(ListCreate(sizeof(int)));
    ListSetAllocationPolicy(list.get(), 20, 50);
    EXPECT_EQ(rec(list.get())->minGrowth, 20);
    EXPECT_EQ(rec(list.get())->growthPercent, 50);
    int v = 1;
    ListInsertItem(list.get(), &v, ListPosEnd);
    EXPECT_EQ(rec(list.get())->capacity, 21);

    ListPtr tight(ListCreate(sizeof(int)));
    ListSetAllocationPolicy(tight.get(), -100, -300);
    for (int k = 0; k < 50; ++k) ASSERT_EQ(ListInsertItem(tight.get(), &k, ListPosFront), 1);
    EXPECT_GE(rec(tight.get())->capacity, 50);
    EXPECT_EQ(contents(tight.get()).front(), 49);
    EXPECT_EQ(contents(tight.get()).back(), 0);
    ListSetAllocationPolicy(nullptr, 1, 1);  // ignored
}

// Sizes beyond what a handle holds must fail cleanly, never wrap around to a small
// block that the copy would overrun; a huge growth policy falls back to the room needed.
TEST_F(Lists, SizeArithmeticNeverWraps) {
    ListPtr huge(ListCreate(1 << 30));
    ASSERT_NE(huge, nullptr);
    Snapshot before(huge.get());
    EXPECT_EQ(ListInsertItems(huge.get(), nullptr, ListPosEnd, 4), 0);
    EXPECT_EQ(ListPreAllocate(huge.get(), 8), 0);
    EXPECT_EQ(ListInsertItems(huge.get(), nullptr, ListPosEnd, INT_MAX), 0);
    EXPECT_TRUE(Snapshot(huge.get()) == before);

    ListPtr list(ListCreate(1000));
    ListSetAllocationPolicy(list.get(), 4, INT_MAX);
    for (int k = 0; k < 6; ++k) ASSERT_EQ(ListInsertItems(list.get(), nullptr, ListPosEnd, 1), 1) << k;
    EXPECT_EQ(ListNumItems(list.get()), 6);
    EXPECT_EQ(rec(list.get())->capacity, 6) << "the exact room, as the policy's would not fit";
    EXPECT_EQ(GetHandleSize(list.get()), sizeof(ListRecord) + 6 * 1000u);
}

// --- Insertion positions -----------------------------------------------------------

// Each accepted position puts the item where it belongs; the others are refused with
// the list untouched.
TEST_F(Lists, InsertPositionMapping) {
    ListPtr list = intList({1, 2, 3});
    int v = 9;
    EXPECT_EQ(ListInsertItem(list.get(), &v, 4), 1) << "n + 1 appends";
    EXPECT_EQ(ListInsertItem(list.get(), &v, ListPosFront), 1);
    v = 8;
    EXPECT_EQ(ListInsertItem(list.get(), &v, 3), 1);
    EXPECT_EQ(contents(list.get()), (std::vector<int>{9, 1, 8, 2, 3, 9}));
    Snapshot before(list.get());
    EXPECT_EQ(ListInsertItem(list.get(), &v, 8), 0) << "n + 2";
    EXPECT_EQ(ListInsertItem(list.get(), &v, -2), 0);
    EXPECT_EQ(ListInsertItems(list.get(), &v, 1, 0), 0) << "count 0";
    EXPECT_EQ(ListInsertItems(list.get(), &v, 1, -1), 0);
    EXPECT_EQ(ListInsertItem(nullptr, &v, 1), 0);
    EXPECT_TRUE(Snapshot(list.get()) == before);
}

TEST_F(Lists, FrontOfAnEmptyListAppends) {
    ListPtr list(ListCreate(sizeof(int)));
    int v = 5;
    EXPECT_EQ(ListInsertItem(list.get(), &v, ListPosFront), 1);
    EXPECT_EQ(contents(list.get()), std::vector<int>{5});
}

// A null source inserts zero-filled items, also in the middle over old bytes.
TEST_F(Lists, NullSourceInsertsZeroes) {
    ListPtr list = intList({-1, -1});
    ListClear(list.get());
    int v = 7;
    ListInsertItem(list.get(), &v, ListPosEnd);
    ASSERT_EQ(ListInsertItems(list.get(), nullptr, 1, 2), 1);
    EXPECT_EQ(contents(list.get()), (std::vector<int>{0, 0, 7}));
}

// Inserting an item of the list into the same list, when the block must grow and
// shift, must copy the right value rather than read freed or moved storage.
TEST_F(Lists, InsertingFromTheListItself) {
    ListPtr list = intList({1, 2, 3, 4, 5});
    ASSERT_EQ(rec(list.get())->capacity, 5);
    ASSERT_EQ(ListInsertItems(list.get(), ListGetPtrToItem(list.get(), 4), 1, 2), 1);
    EXPECT_EQ(contents(list.get()), (std::vector<int>{4, 5, 1, 2, 3, 4, 5}));
    ASSERT_EQ(ListInsertItem(list.get(), ListGetPtrToItem(list.get(), 3), 2), 1);
    EXPECT_EQ(contents(list.get()), (std::vector<int>{4, 1, 5, 1, 2, 3, 4, 5}));
}

// Appending into room the block has copies each item whole, for every width, also an
// item of the list itself, and needs no memory.
TEST_F(Lists, AppendsIntoRoomOfEveryWidth) {
    for (int width : {1, 2, 3, 4, 8, 12}) {
        SCOPED_TRACE(width);
        ListPtr list(ListCreate(width));
        ASSERT_EQ(ListPreAllocate(list.get(), 8), 1);
        std::vector<unsigned char> expected;
        unsigned char item[12];
        tb::failAllocations(0, 100);
        for (int k = 0; k < 4; ++k) {
            for (int b = 0; b < width; ++b) item[b] = static_cast<unsigned char>(16 * k + b + 1);
            ASSERT_EQ(ListInsertItem(list.get(), item, k % 2 ? ListPosEnd : k + 1), 1);
            expected.insert(expected.end(), item, item + width);
        }
        ASSERT_EQ(ListInsertItem(list.get(), ListGetPtrToItem(list.get(), 2), ListPosEnd), 1);
        expected.insert(expected.end(), expected.begin() + width, expected.begin() + 2 * width);
        tb::failAllocations(0, 0);
        ASSERT_EQ(ListNumItems(list.get()), 5);
        EXPECT_EQ(std::memcmp(ListGetDataPtr(list.get()), expected.data(), expected.size()), 0);
        EXPECT_EQ(rec(list.get())->capacity, 8);
    }
}

TEST_F(Lists, InsertAfterAndBeforeFoundItem) {
    ListPtr list = intList({1, 2, 3, 2});
    int two = 2, v = 9, missing = 7;
    EXPECT_EQ(ListInsertAfterItem(list.get(), &v, &two, intCompare), 1);
    EXPECT_EQ(ListInsertBeforeItem(list.get(), &v, &two, nullptr), 1);
    EXPECT_EQ(contents(list.get()), (std::vector<int>{1, 9, 2, 9, 3, 2}));
    v = 0;
    EXPECT_EQ(ListInsertAfterItem(list.get(), &v, &missing, intCompare), 1);
    v = -1;
    EXPECT_EQ(ListInsertBeforeItem(list.get(), &v, &missing, intCompare), 1);
    EXPECT_EQ(contents(list.get()), (std::vector<int>{-1, 1, 9, 2, 9, 3, 2, 0}));
}

// --- Reading, replacing, removing --------------------------------------------------

// ListPosEnd is the last item; ranges reaching past the end do nothing at all.
TEST_F(Lists, RemoveRanges) {
    ListPtr list = intList({1, 2, 3, 4, 5});
    int out = 0xdeadbeef;
    ListRemoveItem(list.get(), &out, ListPosEnd);
    EXPECT_EQ(out, 5);
    Snapshot before(list.get());
    ListRemoveItems(list.get(), &out, ListPosEnd, 2);
    ListRemoveItems(list.get(), nullptr, 3, 3);
    ListRemoveItems(list.get(), nullptr, 1, 5);
    ListRemoveItems(list.get(), nullptr, 5, 1);
    ListRemoveItems(list.get(), nullptr, 1, 0);
    ListRemoveItems(list.get(), nullptr, -2, 1);
    EXPECT_TRUE(Snapshot(list.get()) == before);
    EXPECT_EQ(out, 5);
    int two[2] = {0, 0};
    ListRemoveItems(list.get(), two, 2, 2);
    EXPECT_EQ(two[0], 2);
    EXPECT_EQ(two[1], 3);
    ListRemoveItem(list.get(), nullptr, ListPosFront);
    EXPECT_EQ(contents(list.get()), std::vector<int>{4});
    EXPECT_EQ(rec(list.get())->capacity, 5) << "removal keeps the storage";
}

// A refused read leaves every destination byte as it was; an accepted one writes
// exactly count items and not one byte more.
TEST_F(Lists, GetItemsWritesExactlyTheRange) {
    ListPtr list = intList({10, 20, 30});
    unsigned char buffer[4 * sizeof(int)];
    std::memset(buffer, 0xbd, sizeof buffer);
    ListGetItems(list.get(), buffer, 2, 3);
    ListGetItems(list.get(), buffer, ListPosEnd, 2);
    ListGetItems(list.get(), buffer, 0 - 5, 1);
    for (unsigned char b : buffer) ASSERT_EQ(b, 0xbd);
    ListGetItems(list.get(), buffer, 2, 2);
    int got[2];
    std::memcpy(got, buffer, sizeof got);
    EXPECT_EQ(got[0], 20);
    EXPECT_EQ(got[1], 30);
    for (size_t k = 2 * sizeof(int); k < sizeof buffer; ++k) EXPECT_EQ(buffer[k], 0xbd);
    int one = 0xdeadbeef;
    ListGetItem(list.get(), &one, ListPosEnd);
    EXPECT_EQ(one, 30);
    ListPtr empty(ListCreate(sizeof(int)));
    one = 0xdeadbeef;
    ListGetItem(empty.get(), &one, ListPosFront);
    EXPECT_EQ(one, int(0xdeadbeef));
}

// Replacing from an overlapping part of the same list behaves as a memory move.
TEST_F(Lists, ReplaceItemsIncludingOverlap) {
    ListPtr list = intList({1, 2, 3, 4, 5});
    ListReplaceItems(list.get(), ListGetPtrToItem(list.get(), 1), 2, 3);
    EXPECT_EQ(contents(list.get()), (std::vector<int>{1, 1, 2, 3, 5}));
    int v = 9;
    ListReplaceItem(list.get(), &v, ListPosEnd);
    ListReplaceItems(list.get(), &v, 5, 2);  // past the end: nothing
    ListReplaceItem(list.get(), nullptr, 1);
    EXPECT_EQ(contents(list.get()), (std::vector<int>{1, 1, 2, 3, 9}));
}

// A destination inside the list itself receives the items as they were before the
// call, in either direction of overlap; removal then closes the gap as usual.
TEST_F(Lists, GetAndRemoveIntoTheListItself) {
    std::vector<int> values(1000);
    std::iota(values.begin(), values.end(), 0);
    for (int shift : {7, -7, 300}) {
        SCOPED_TRACE(shift);
        std::vector<int> moved = values;
        std::memmove(moved.data() + 100 + shift, moved.data() + 100, 600 * sizeof(int));
        ListPtr list = intList(values);
        ListGetItems(list.get(), ListGetPtrToItem(list.get(), 101 + shift), 101, 600);
        EXPECT_EQ(contents(list.get()), moved);

        std::vector<int> removed = moved;
        removed.erase(removed.begin() + 100, removed.begin() + 700);
        ListPtr other = intList(values);
        ListRemoveItems(other.get(), ListGetPtrToItem(other.get(), 101 + shift), 101, 600);
        EXPECT_EQ(contents(other.get()), removed);
    }
}

TEST_F(Lists, PointerLookups) {
    ListPtr list = intList({4, 5, 6});
    EXPECT_EQ(*static_cast<int *>(ListGetPtrToItem(list.get(), ListPosFront)), 4);
    EXPECT_EQ(*static_cast<int *>(ListGetPtrToItem(list.get(), ListPosEnd)), 6);
    EXPECT_EQ(ListGetPtrToItem(list.get(), 4), nullptr);
    EXPECT_EQ(ListGetPtrToItem(list.get(), -2), nullptr);
    ListPtr empty(ListCreate(2));
    EXPECT_EQ(ListGetPtrToItem(empty.get(), ListPosFront), nullptr);
    EXPECT_NE(ListGetDataPtr(empty.get()), nullptr);
    EXPECT_EQ(ListGetDataPtr(nullptr), nullptr);
    EXPECT_EQ(ListGetItemSize(empty.get()), 2);
    EXPECT_EQ(ListGetItemSize(nullptr), 0);
    EXPECT_EQ(ListNumItems(nullptr), 0);
}

// --- Whole-list operations ---------------------------------------------------------

TEST_F(Lists, ClearCompactAndPreAllocate) {
    ListPtr list = intList({1, 2, 3, 4, 5, 6, 7});
    ListCompact(list.get());
    EXPECT_EQ(rec(list.get())->capacity, 7);
    EXPECT_EQ(GetHandleSize(list.get()), sizeof(ListRecord) + 7 * sizeof(int));
    EXPECT_EQ(ListPreAllocate(list.get(), 0), 1);
    EXPECT_EQ(ListPreAllocate(list.get(), 3), 1);
    EXPECT_EQ(rec(list.get())->capacity, 10) << "exactly the shortfall";
    EXPECT_EQ(ListPreAllocate(list.get(), 2), 1);
    EXPECT_EQ(rec(list.get())->capacity, 10);
    EXPECT_EQ(ListPreAllocate(nullptr, 1), 0);
    ListClear(list.get());
    EXPECT_EQ(ListNumItems(list.get()), 0);
    EXPECT_EQ(rec(list.get())->capacity, 10);
    ListCompact(list.get());
    EXPECT_EQ(rec(list.get())->capacity, 0);
    ListClear(nullptr);
    ListCompact(nullptr);
}

// A copy has capacity = count, the same policy, and shares nothing with its source.
TEST_F(Lists, CopyIsExactAndIndependent) {
    ListPtr list = intList({1, 2, 3, 4, 5, 6, 7});
    ListPreAllocate(list.get(), 17);
    ListSetAllocationPolicy(list.get(), 3, 25);
    ASSERT_EQ(rec(list.get())->capacity, 24);
    ListPtr copy(ListCopy(list.get()));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(rec(copy.get())->capacity, 7);
    EXPECT_EQ(rec(copy.get())->minGrowth, 3);
    EXPECT_EQ(rec(copy.get())->growthPercent, 25);
    EXPECT_EQ(rec(copy.get())->signature, 0x4C495354u);
    EXPECT_EQ(ListEqual(copy.get(), list.get()), 1);
    int v = 0;
    ListReplaceItem(copy.get(), &v, 1);
    EXPECT_EQ(contents(list.get())[0], 1);
    EXPECT_EQ(ListCopy(nullptr), nullptr);
}

TEST_F(Lists, AppendRules) {
    ListPtr a = intList({1, 2, 3});
    ListPtr shorts(ListCreate(2));
    ListPtr empty(ListCreate(sizeof(int)));
    Snapshot before(a.get());
    EXPECT_EQ(ListAppend(a.get(), nullptr), 1);
    EXPECT_EQ(ListAppend(a.get(), empty.get()), 1);
    EXPECT_EQ(ListAppend(a.get(), shorts.get()), 0);
    EXPECT_TRUE(Snapshot(a.get()) == before);
    EXPECT_EQ(ListAppend(nullptr, a.get()), 0);

    ListPtr b = intList({7, 8});
    EXPECT_EQ(ListAppend(a.get(), b.get()), 1);
    EXPECT_EQ(contents(a.get()), (std::vector<int>{1, 2, 3, 7, 8}));
    EXPECT_EQ(rec(a.get())->capacity, 5);
    EXPECT_EQ(ListAppend(a.get(), a.get()), 1) << "a list appended to itself doubles";
    EXPECT_EQ(contents(a.get()), (std::vector<int>{1, 2, 3, 7, 8, 1, 2, 3, 7, 8}));
    EXPECT_EQ(rec(a.get())->capacity, 10);
}

// Appending can shrink: the capacity becomes exactly the new count.
TEST_F(Lists, AppendSetsCapacityToTheNewCount) {
    ListPtr a = intList({1});
    ListPreAllocate(a.get(), 40);
    ListPtr b = intList({2});
    ASSERT_EQ(ListAppend(a.get(), b.get()), 1);
    EXPECT_EQ(rec(a.get())->capacity, 2);
    EXPECT_EQ(GetHandleSize(a.get()), sizeof(ListRecord) + 2 * sizeof(int));
}

TEST_F(Lists, Equality) {
    ListPtr a = intList({1, 2});
    ListPtr b = intList({1, 2});
    ListPtr c = intList({1, 3});
    ListPtr wide(ListCreate(8));
    ListInsertItems(wide.get(), nullptr, ListPosEnd, 2);
    EXPECT_EQ(ListEqual(a.get(), b.get()), 1);
    EXPECT_EQ(ListEqual(a.get(), a.get()), 1);
    EXPECT_EQ(ListEqual(nullptr, nullptr), 1);
    EXPECT_EQ(ListEqual(a.get(), nullptr), 0);
    EXPECT_EQ(ListEqual(nullptr, a.get()), 0);
    EXPECT_EQ(ListEqual(a.get(), c.get()), 0);
    EXPECT_EQ(ListEqual(a.get(), wide.get()), 0) << "same count, other item size";
    ListPreAllocate(b.get(), 30);
    EXPECT_EQ(ListEqual(a.get(), b.get()), 1) << "capacity does not matter";
}

// ListDisposePtrList must free each item (ASan would report a leak) and accept nulls.
TEST_F(Lists, DisposePtrListFreesEveryItem) {
    ListRef list = ListCreate(sizeof(void *));
    for (int k = 0; k < 5; ++k) {
        void *p = k == 2 ? nullptr : std::malloc(16);
        ListInsertItem(list, &p, ListPosEnd);
    }
    ListDisposePtrList(list);
    ListDisposePtrList(nullptr);
    // Items too small to be pointers are not passed to free() (ASan: no bad free).
    ListRef shorts = ListCreate(2);
    short junk = 0x1234;
    ListInsertItem(shorts, &junk, ListPosEnd);
    ListDisposePtrList(shorts);
}

// --- Searching, duplicates, visiting -----------------------------------------------

// The key is the comparison's first argument; PosEnd starts at (and so examines only)
// the last item.
TEST_F(Lists, FindItem) {
    ListPtr list = intList({5, 6, 5, 7});
    int five = 5, seven = 7;
    EXPECT_EQ(ListFindItem(list.get(), &five, ListPosFront, intCompare), 1);
    EXPECT_EQ(ListFindItem(list.get(), &five, 2, nullptr), 3);
    EXPECT_EQ(ListFindItem(list.get(), &five, 4, intCompare), 0);
    EXPECT_EQ(ListFindItem(list.get(), &five, ListPosEnd, intCompare), 0);
    EXPECT_EQ(ListFindItem(list.get(), &seven, ListPosEnd, intCompare), 4);
    EXPECT_EQ(ListFindItem(list.get(), &five, 5, intCompare), 0);
    EXPECT_EQ(ListFindItem(list.get(), nullptr, 1, intCompare), 0);
    EXPECT_EQ(ListFindItem(nullptr, &five, 1, intCompare), 0);
    std::vector<const void *> firstArguments;
    static std::vector<const void *> *seen;
    seen = &firstArguments;
    auto recordFirst = [](const void *a, const void *) {
        seen->push_back(a);
        return 1;
    };
    ListFindItem(list.get(), &five, ListPosFront, recordFirst);
    ASSERT_EQ(firstArguments.size(), 4u);
    for (const void *p : firstArguments) EXPECT_EQ(p, &five);
}

TEST_F(Lists, RemoveDuplicatesKeepsFirstOccurrencesInOrder) {
    ListPtr list = intList({3, 1, 3, 2, 1});
    ListRemoveDuplicates(list.get(), intCompare);
    EXPECT_EQ(contents(list.get()), (std::vector<int>{3, 1, 2}));
    ListPtr same = intList({4, 4, 4, 4});
    ListRemoveDuplicates(same.get(), nullptr);
    EXPECT_EQ(contents(same.get()), std::vector<int>{4});
    ListRemoveDuplicates(nullptr, intCompare);
}

struct Visit {
    std::vector<int> positions;
    int stopAt = -1;
    ListRef removeFrom = nullptr;
};

int recordVisit(int position, void *item, void *data) {
    auto *visit = static_cast<Visit *>(data);
    visit->positions.push_back(position);
    EXPECT_EQ(*static_cast<int *>(item), position * 10);
    if (visit->removeFrom) ListRemoveItems(visit->removeFrom, nullptr, 1, 2);
    return position == visit->stopAt ? -7 : position;
}

TEST_F(Lists, ApplyToEachOrderStopAndResult) {
    ListPtr list = intList({10, 20, 30, 40});
    Visit up;
    EXPECT_EQ(ListApplyToEach(list.get(), 1, recordVisit, &up), 4);
    EXPECT_EQ(up.positions, (std::vector<int>{1, 2, 3, 4}));
    Visit down;
    EXPECT_EQ(ListApplyToEach(list.get(), 0, recordVisit, &down), 1);
    EXPECT_EQ(down.positions, (std::vector<int>{4, 3, 2, 1}));
    Visit stop;
    stop.stopAt = 2;
    EXPECT_EQ(ListApplyToEach(list.get(), 1, recordVisit, &stop), -7);
    EXPECT_EQ(stop.positions, (std::vector<int>{1, 2})) << "no calls after a negative result";
    ListPtr empty(ListCreate(sizeof(int)));
    EXPECT_EQ(ListApplyToEach(empty.get(), 1, recordVisit, &up), 0);
    EXPECT_EQ(ListApplyToEach(nullptr, 1, recordVisit, &up), 0);
    EXPECT_EQ(ListApplyToEach(list.get(), 1, nullptr, &up), 0);
}

// The count is read again before every call: a callback that removes items ends a
// descending walk once the position lies past the count.
TEST_F(Lists, ApplyToEachRereadsTheCount) {
    ListPtr list = intList({10, 20, 30, 40, 50, 60});
    Visit down;
    down.removeFrom = list.get();
    ListApplyToEach(list.get(), 0, [](int position, void *, void *data) {
        auto *visit = static_cast<Visit *>(data);
        visit->positions.push_back(position);
        ListRemoveItems(visit->removeFrom, nullptr, 1, 2);
        return 0;
    }, &down);
    EXPECT_EQ(down.positions, (std::vector<int>{6})) << "6 -> count 4, position 5 is past it";
    // Ascending, items appended by the callback are visited too.
    ListPtr grow = intList({10});
    Visit up;
    up.removeFrom = grow.get();
    ListApplyToEach(grow.get(), 1, [](int position, void *, void *data) {
        auto *visit = static_cast<Visit *>(data);
        visit->positions.push_back(position);
        int next = (position + 1) * 10;
        if (position < 3) ListInsertItem(visit->removeFrom, &next, ListPosEnd);
        return 0;
    }, &up);
    EXPECT_EQ(up.positions, (std::vector<int>{1, 2, 3}));
}

// --- At the item count's limit -----------------------------------------------------

// A list of INT_MAX items can take no more: every insertion is refused and the list is
// left as it was, with no position arithmetic overflowing on the way (n + 1, the
// bisection's code for "behind the last item", the position after the last item).
TEST_F(Lists, FullListRefusesInsertionsWithoutOverflow) {
    auto list = makeFullByteList();
    if (!list) GTEST_SKIP() << "no room for a list of INT_MAX items";
    const ListRecord header = *rec(list.get());
    const unsigned blockSize = GetHandleSize(list.get());
    char one = 1, zero = 0;
    for (int position : {int{ListPosEnd}, int{ListPosFront}, 1, INT_MAX})
        EXPECT_EQ(ListInsertItem(list.get(), &one, position), 0) << position;
    EXPECT_EQ(ListInsertInOrder(list.get(), &one, nullptr), 0) << "behind every item";
    EXPECT_EQ(ListInsertInOrder(list.get(), &zero, nullptr), 0);
    EXPECT_EQ(std::memcmp(rec(list.get()), &header, offsetof(ListRecord, items)), 0);
    EXPECT_EQ(GetHandleSize(list.get()), blockSize);
}

// Walks over a list of INT_MAX items end at the last one. Visiting gives positions
// 1 ... INT_MAX once each, in order, and must not wrap round to INT_MIN and go on;
// inserting behind the last item found must not compute its position as INT_MAX + 1.
TEST_F(Lists, WalksOverAFullListEndAtTheLastItem) {
    if (!testing_support::walksOverAFullListAffordable()) GTEST_SKIP() << "unoptimised build";
    auto list = makeFullByteList();
    if (!list) GTEST_SKIP() << "no room for a list of INT_MAX items";
    static const char *last;
    last = static_cast<const char *>(ListGetPtrToItem(list.get(), ListPosEnd));
    auto isLast = [](const void *, const void *item) { return item == last ? 0 : 1; };
    char one = 1, zero = 0;
    EXPECT_EQ(ListInsertAfterItem(list.get(), &one, &zero, isLast), 0);
    EXPECT_EQ(ListNumItems(list.get()), INT_MAX);
    EXPECT_EQ(*last, 0);

    struct Walk {
        const char *base;
        int64_t next = 1;
    } walk{static_cast<const char *>(ListGetDataPtr(list.get()))};
    auto visit = [](int position, void *item, void *data) {
        auto *w = static_cast<Walk *>(data);
        if (position != w->next || item != w->base + (w->next - 1)) return -1;
        ++w->next;
        return 0;
    };
    EXPECT_EQ(ListApplyToEach(list.get(), 1, visit, &walk), 0) << "strayed at " << walk.next;
    EXPECT_EQ(walk.next, int64_t{INT_MAX} + 1);
}

// --- Out of memory leaves the list exactly as it was -------------------------------

// Every operation that can grow the block is run with the resize failing: the result
// reports the failure and the record, block and items are untouched.
TEST_F(Lists, OutOfMemoryLeavesTheListUnchanged) {
    ListPtr list = intList({1, 2, 3, 4, 5});
    ListPtr other = intList({6});
    Snapshot before(list.get());
    int v = 9;

    tb::failAllocations(0, 1);
    EXPECT_EQ(ListInsertItem(list.get(), &v, 2), 0);
    EXPECT_TRUE(Snapshot(list.get()) == before);

    tb::failAllocations(0, 1);
    EXPECT_EQ(ListInsertItems(list.get(), nullptr, ListPosEnd, 3), 0);
    EXPECT_TRUE(Snapshot(list.get()) == before);

    tb::failAllocations(0, 1);
    EXPECT_EQ(ListAppend(list.get(), other.get()), 0);
    EXPECT_TRUE(Snapshot(list.get()) == before);

    tb::failAllocations(0, 1);
    EXPECT_EQ(ListAppend(list.get(), list.get()), 0);
    EXPECT_TRUE(Snapshot(list.get()) == before);

    tb::failAllocations(0, 1);
    EXPECT_EQ(ListPreAllocate(list.get(), 10), 0);
    EXPECT_TRUE(Snapshot(list.get()) == before);

    tb::failAllocations(0, 1);
    EXPECT_EQ(ListInsertInOrder(list.get(), &v, intCompare), 0);
    EXPECT_TRUE(Snapshot(list.get()) == before);

    // The copy set aside for a source inside the list, and then the resize itself.
    for (int pass : {0, 1}) {
        tb::failAllocations(pass, 1);
        EXPECT_EQ(ListInsertItem(list.get(), ListGetPtrToItem(list.get(), 1), 1), 0) << pass;
        EXPECT_TRUE(Snapshot(list.get()) == before);
    }
    tb::failAllocations(0, 0);

    ListPreAllocate(list.get(), 20);
    Snapshot roomy(list.get());
    tb::failAllocations(0, 1);
    ListCompact(list.get());
    EXPECT_TRUE(Snapshot(list.get()) == roomy);
    tb::failAllocations(0, 0);
}

// Creation and copy give null when any of their allocations fails (and leak nothing).
TEST_F(Lists, CreateAndCopyFailCleanly) {
    ListPtr list = intList({1, 2, 3});
    for (int pass : {0, 1}) {
        tb::failAllocations(pass, 1);
        EXPECT_EQ(ListCreate(4), nullptr) << pass;
    }
    for (int pass : {0, 1, 2}) {
        tb::failAllocations(pass, 1);
        EXPECT_EQ(ListCopy(list.get()), nullptr) << pass;
    }
    tb::failAllocations(0, 0);
}

// Insertion without growth needs no memory: it succeeds even with allocation failing.
TEST_F(Lists, InsertWithinCapacityNeedsNoAllocation) {
    ListPtr list = intList({1});
    int v = 2;
    tb::failAllocations(0, 100);
    EXPECT_EQ(ListInsertItem(list.get(), &v, ListPosFront), 1);
    tb::failAllocations(0, 0);
    EXPECT_EQ(contents(list.get()), (std::vector<int>{2, 1}));
}

}  // namespace
