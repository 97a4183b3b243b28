// Sorting and searching: bisection results and insertion codes, the exchange routine,
// every sort over sizes, patterns and element widths, the order equal elements are
// left in, sorted insertion and the ready-made comparisons.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "toolbox.h"
#include "killer_adversary.h"

namespace {

struct ListDeleter {
    void operator()(HandleRecord *list) const { ListDispose(list); }
};
using ListPtr = std::unique_ptr<HandleRecord, ListDeleter>;

template <typename T>
ListPtr listOf(const std::vector<T> &values) {
    ListPtr list(ListCreate(sizeof(T)));
    if (!values.empty()) {
        EXPECT_EQ(ListInsertItems(list.get(), values.data(), ListPosEnd, int(values.size())), 1);
    }
    return list;
}

template <typename T>
std::vector<T> contents(ListRef list) {
    std::vector<T> out(ListNumItems(list));
    if (!out.empty()) std::memcpy(out.data(), ListGetDataPtr(list), out.size() * sizeof(T));
    return out;
}

// --- Bisection -----------------------------------------------------------------------

// Found elements give their index, misses -(insertion index) - 1.
TEST(BinSearch, ResultsAndInsertionCodes) {
    const int sorted[] = {1, 3, 5, 9};
    struct Case { int key, expected; };
    for (Case c : {Case{7, -4}, Case{0, -1}, Case{10, -5}, Case{5, 2}, Case{1, 0}, Case{9, 3},
                   Case{2, -2}, Case{4, -3}}) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(BinSearch(sorted, 4, sizeof(int), &c.key, IntCompare), c.expected);
    }
    int key = 3;
    EXPECT_EQ(BinSearch(sorted, 0, sizeof(int), &key, IntCompare), -1);
    EXPECT_EQ(BinSearch(nullptr, 4, sizeof(int), &key, IntCompare), -1);
    EXPECT_EQ(BinSearch(sorted, 4, sizeof(int), nullptr, IntCompare), -1);
    EXPECT_EQ(BinSearch(sorted, 1, sizeof(int), &key, IntCompare), -2);
}

// Among equal elements the bisection returns the first one it meets: the middle here.
TEST(BinSearch, EqualRunGivesTheElementMetFirst) {
    const int run[] = {2, 2, 2, 2, 2};
    int two = 2;
    EXPECT_EQ(BinSearch(run, 5, sizeof(int), &two, IntCompare), 2);
    const int tail[] = {1, 1, 1, 2, 2, 2, 2, 2};
    EXPECT_EQ(BinSearch(tail, 8, sizeof(int), &two, IntCompare), 3);
}

std::vector<std::pair<const void *, const void *>> *g_calls;

int recordingCompare(const void *a, const void *b) {
    g_calls->push_back({a, b});
    return IntCompare(a, b);
}

// The key is always the first argument, and the comparisons stay within log2(n) + 1.
TEST(BinSearch, KeyFirstAndLogarithmicComparisons) {
    std::vector<int> values(1000);
    for (int k = 0; k < 1000; ++k) values[k] = 2 * k;
    std::vector<std::pair<const void *, const void *>> calls;
    g_calls = &calls;
    for (int key : {-1, 0, 1, 999, 1998, 1999, 2000}) {
        calls.clear();
        BinSearch(values.data(), 1000, sizeof(int), &key, recordingCompare);
        EXPECT_LE(calls.size(), 11u) << key;
        for (auto &call : calls) EXPECT_EQ(call.first, &key);
    }
}

// A null comparison orders by bytes in memory, not by value.
TEST(BinSearch, NullCompareIsByteWise) {
    const unsigned char bytes[][2] = {{0, 9}, {1, 0}, {1, 5}, {2, 0}};
    const unsigned char key[2] = {1, 5};
    const unsigned char missing[2] = {1, 6};
    EXPECT_EQ(BinSearch(bytes, 4, 2, key, nullptr), 2);
    EXPECT_EQ(BinSearch(bytes, 4, 2, missing, nullptr), -4);
}

// The bisection as first written: the reference every element size must agree with.
int referenceBinSearch(const unsigned char *base, int n, int size, const void *key, ItemCompareFn compare) {
    int low = 0, high = n - 1, mid = 0, result = -1;
    while (low <= high) {
        mid = (low + high) >> 1;
        const unsigned char *element = base + size_t(mid) * size;
        result = compare ? compare(key, element) : std::memcmp(key, element, size_t(size));
        if (result == 0) return mid;
        if (result < 0)
            high = mid - 1;
        else
            low = mid + 1;
    }
    return -(result > 0 ? mid + 1 : mid) - 1;
}

int firstByteCompare(const void *a, const void *b) {
    return int(*static_cast<const unsigned char *>(a)) - int(*static_cast<const unsigned char *>(b));
}

// Every element size (the 4- and 8-byte forms and the general one), with and without
// a comparison, probes as the plain bisection does: the same index among runs of equal
// elements and the same insertion code for every miss, in the array and list forms.
class BinSearchReference : public ::testing::TestWithParam<int> {};

TEST_P(BinSearchReference, SameAnswerAsThePlainBisection) {
    const int width = GetParam();
    std::mt19937 random(static_cast<unsigned>(width));
    for (int n : {1, 2, 3, 4, 5, 7, 8, 16, 31, 64, 100, 1000}) {
        std::vector<std::vector<unsigned char>> elements(static_cast<size_t>(n), std::vector<unsigned char>(static_cast<size_t>(width)));
        for (auto &element : elements)
            for (auto &b : element) b = static_cast<unsigned char>(random() % 6);  // many equal
        std::sort(elements.begin(), elements.end());
        std::vector<unsigned char> array;
        for (auto &element : elements) array.insert(array.end(), element.begin(), element.end());
        ListPtr list(ListCreate(width));
        ListInsertItems(list.get(), array.data(), ListPosEnd, n);
        for (ItemCompareFn compare : {firstByteCompare, static_cast<ItemCompareFn>(nullptr)}) {
            for (int trial = 0; trial < 40; ++trial) {
                std::vector<unsigned char> key(static_cast<size_t>(width));
                for (auto &b : key) b = static_cast<unsigned char>(random() % 7);
                SCOPED_TRACE("n=" + std::to_string(n) + " key " + std::to_string(key[0]));
                int expected = referenceBinSearch(array.data(), n, width, key.data(), compare);
                ASSERT_EQ(BinSearch(array.data(), n, width, key.data(), compare), expected);
                ASSERT_EQ(ListBinSearch(list.get(), key.data(), compare), expected >= 0 ? expected + 1 : 0);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Widths, BinSearchReference, ::testing::Values(1, 2, 3, 4, 5, 8, 12));

// --- SwapBlock -----------------------------------------------------------------------

// Word-wise and byte-wise paths exchange exactly numBytes bytes and nothing around.
TEST(SwapBlock, ExchangesExactlyTheBlocks) {
    struct Case { int offsetA, offsetB, bytes; };
    for (Case c : {Case{0, 16, 8}, Case{0, 16, 7}, Case{1, 17, 8}, Case{1, 16, 12}, Case{0, 16, 1},
                   Case{3, 20, 13}}) {
        SCOPED_TRACE(std::to_string(c.offsetA) + "/" + std::to_string(c.offsetB) + "/" +
                     std::to_string(c.bytes));
        alignas(8) unsigned char buffer[48];
        std::memset(buffer, 0xbd, sizeof buffer);
        for (int k = 0; k < c.bytes; ++k) {
            buffer[c.offsetA + k] = static_cast<unsigned char>(k + 1);
            buffer[c.offsetB + k] = static_cast<unsigned char>(100 + k);
        }
        SwapBlock(buffer + c.offsetA, buffer + c.offsetB, c.bytes);
        for (int k = 0; k < 48; ++k) {
            unsigned char expected = 0xbd;
            if (k >= c.offsetA && k < c.offsetA + c.bytes) expected = 100 + (k - c.offsetA);
            if (k >= c.offsetB && k < c.offsetB + c.bytes) expected = 1 + (k - c.offsetB);
            ASSERT_EQ(buffer[k], expected) << k;
        }
    }
}

TEST(SwapBlock, NonPositiveCountExchangesNothing) {
    int a = 1, b = 2;
    SwapBlock(&a, &b, 0);
    SwapBlock(&a, &b, -4);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2);
}

// --- The sorts over many inputs ------------------------------------------------------

enum class Sorter { Heap, Insertion, ListQuick, ListHeap, ListInsertion };
enum class Pattern { Random, Sorted, Reversed, AllEqual, FewDistinct, OrganPipe };

std::vector<int> makeInput(Pattern pattern, int n) {
    std::mt19937 random(static_cast<unsigned>(n) * 7919u + static_cast<unsigned>(pattern));
    std::vector<int> v(n);
    for (int k = 0; k < n; ++k) {
        switch (pattern) {
            case Pattern::Random: v[k] = static_cast<int>(random()); break;
            case Pattern::Sorted: v[k] = k - n / 2; break;
            case Pattern::Reversed: v[k] = n - k; break;
            case Pattern::AllEqual: v[k] = 42; break;
            case Pattern::FewDistinct: v[k] = static_cast<int>(random() % 3) - 1; break;
            case Pattern::OrganPipe: v[k] = k < n / 2 ? k : n - k; break;
        }
    }
    return v;
}

void runSort(Sorter sorter, std::vector<int> &values) {
    if (sorter == Sorter::Heap) return HeapSort(values.data(), int(values.size()), sizeof(int), IntCompare);
    if (sorter == Sorter::Insertion)
        return InsertionSort(values.data(), int(values.size()), sizeof(int), IntCompare);
    ListPtr list = listOf(values);
    if (sorter == Sorter::ListQuick) ListQuickSort(list.get(), IntCompare);
    if (sorter == Sorter::ListHeap) ListHeapSort(list.get(), IntCompare);
    if (sorter == Sorter::ListInsertion) ListInsertionSort(list.get(), IntCompare);
    values = contents<int>(list.get());
}

using SortCase = std::tuple<Sorter, Pattern>;
class SortLaw : public ::testing::TestWithParam<SortCase> {};

// Every sort gives ascending order and keeps exactly the same elements, from the
// smallest arrays (each quicksort segment shape) to large ones.
TEST_P(SortLaw, AscendingPermutation) {
    auto [sorter, pattern] = GetParam();
    bool quadratic = sorter == Sorter::Insertion || sorter == Sorter::ListInsertion;
    for (int n : {0, 1, 2, 3, 4, 5, 6, 7, 8, 31, 100, 1000, 50000}) {
        if (quadratic && n > 1000) continue;
        SCOPED_TRACE(n);
        std::vector<int> values = makeInput(pattern, n);
        std::vector<int> expected = values;
        std::sort(expected.begin(), expected.end());
        runSort(sorter, values);
        ASSERT_EQ(values, expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllSorts, SortLaw,
    ::testing::Combine(::testing::Values(Sorter::Heap, Sorter::Insertion, Sorter::ListQuick,
                                         Sorter::ListHeap, Sorter::ListInsertion),
                       ::testing::Values(Pattern::Random, Pattern::Sorted, Pattern::Reversed,
                                         Pattern::AllEqual, Pattern::FewDistinct, Pattern::OrganPipe)));

// Items of every width go through their own exchange routine; each item must move
// whole (its key and its payload together). Odd widths, 16-bit and 32-bit units.
class ItemWidth : public ::testing::TestWithParam<int> {};

TEST_P(ItemWidth, QuickAndHeapSortMoveWholeItems) {
    const int width = GetParam();
    const int n = 300;
    std::mt19937 random(width);
    std::vector<unsigned char> items(size_t(n) * width);
    for (int k = 0; k < n; ++k) {
        unsigned char key = static_cast<unsigned char>(random() % 251);
        for (int b = 0; b < width; ++b) items[size_t(k) * width + b] = static_cast<unsigned char>(key + 3 * b);
    }
    for (int which = 0; which < 2; ++which) {
        SCOPED_TRACE(which ? "heap" : "quick");
        ListPtr list(ListCreate(width));
        ListInsertItems(list.get(), items.data(), ListPosEnd, n);
        if (which) ListHeapSort(list.get(), firstByteCompare);
        else ListQuickSort(list.get(), firstByteCompare);
        const auto *sorted = static_cast<const unsigned char *>(ListGetDataPtr(list.get()));
        for (int k = 0; k < n; ++k) {
            const unsigned char *item = sorted + size_t(k) * width;
            if (k) {
                ASSERT_LE(item[-width], item[0]) << k;
            }
            for (int b = 1; b < width; ++b) ASSERT_EQ(item[b], static_cast<unsigned char>(item[0] + 3 * b));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Widths, ItemWidth, ::testing::Values(1, 2, 3, 4, 5, 6, 8, 10, 12, 16, 20));

// HeapSort on an array at an odd address (byte exchanges) sorts the same way.
TEST(HeapSort, UnalignedArray) {
    std::vector<unsigned char> raw(1 + 50 * sizeof(int));
    std::vector<int> values = makeInput(Pattern::Random, 50);
    std::memcpy(raw.data() + 1, values.data(), 50 * sizeof(int));
    HeapSort(raw.data() + 1, 50, sizeof(int), IntCompare);
    std::memcpy(values.data(), raw.data() + 1, 50 * sizeof(int));
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
}

// --- The order equal elements are left in ---------------------------------------------

struct Tagged {
    int key;
    char tag;
};

int keyCompare(const void *a, const void *b) {
    return IntCompare(&static_cast<const Tagged *>(a)->key, &static_cast<const Tagged *>(b)->key);
}

std::string tags(const std::vector<Tagged> &items) {
    std::string out;
    for (const Tagged &t : items) out += t.tag;
    return out;
}

// The insertion sort is stable: equal keys keep their input order.
TEST(EqualElements, InsertionSortIsStable) {
    std::vector<Tagged> items = {{2, 'a'}, {1, 'b'}, {2, 'c'}, {1, 'd'}, {0, 'e'}, {2, 'f'}};
    InsertionSort(items.data(), int(items.size()), sizeof(Tagged), keyCompare);
    EXPECT_EQ(tags(items), "ebdacf");
}

// Worked by hand from the sift rules (ties stay, ties go to the left child).
TEST(EqualElements, HeapSortLeavesTheDescribedOrder) {
    std::vector<Tagged> three = {{1, 'a'}, {1, 'b'}, {1, 'c'}};
    HeapSort(three.data(), 3, sizeof(Tagged), keyCompare);
    EXPECT_EQ(tags(three), "bca");
    std::vector<Tagged> four = {{1, 'a'}, {1, 'b'}, {1, 'c'}, {1, 'd'}};
    HeapSort(four.data(), 4, sizeof(Tagged), keyCompare);
    EXPECT_EQ(tags(four), "bcda");
    // Two equal children below a smaller parent: the left one is taken.
    std::vector<Tagged> tie = {{2, 'a'}, {1, 'b'}, {2, 'c'}, {2, 'd'}};
    HeapSort(tie.data(), 4, sizeof(Tagged), keyCompare);
    EXPECT_EQ(tags(tie), "bcda");
}

// Worked by hand from the partition (median of three, pivot moved to hi - 1).
TEST(EqualElements, QuickSortLeavesTheDescribedOrder) {
    ListPtr list = listOf(std::vector<Tagged>{{1, 'a'}, {1, 'b'}, {1, 'c'}, {1, 'd'}, {1, 'e'}});
    ListQuickSort(list.get(), keyCompare);
    EXPECT_EQ(tags(contents<Tagged>(list.get())), "adcbe");
    ListPtr four = listOf(std::vector<Tagged>{{1, 'a'}, {1, 'b'}, {1, 'c'}, {1, 'd'}});
    ListQuickSort(four.get(), keyCompare);
    EXPECT_EQ(tags(contents<Tagged>(four.get())), "abcd");
}

// The quicksort as first written, without a depth limit, over raw items exchanged byte
// by byte: the reference for inputs that never reach the limit.
void referenceQuickSort(unsigned char *base, int n, int size, ItemCompareFn compare) {
    if (n < 2) return;
    auto swap = [size](unsigned char *a, unsigned char *b) { std::swap_ranges(a, a + size, b); };
    auto median = [&](unsigned char *lo, unsigned char *hi) {
        unsigned char *mid = lo + ((hi - lo) / size / 2) * size;
        if (compare(lo, mid) > 0) swap(lo, mid);
        if (compare(lo, hi) > 0) swap(lo, hi);
        if (compare(mid, hi) > 0) swap(mid, hi);
        return mid;
    };
    std::vector<std::pair<unsigned char *, unsigned char *>> parts;
    unsigned char *lo = base, *hi = base + ptrdiff_t(n - 1) * size;
    for (;;) {
        const ptrdiff_t span = hi - lo;
        if (span > 2 * size) {
            unsigned char *pivot = hi - size, *mid = median(lo, hi);
            if (mid != pivot) swap(mid, pivot);
            unsigned char *i = lo, *j = pivot;
            do {
                do i += size; while (i < pivot && compare(i, pivot) < 0);
                do j -= size; while (j > lo && compare(j, pivot) > 0);
                if (i < j) swap(i, j);
            } while (i < j);
            if (i != pivot) swap(i, pivot);
            if (i - lo > hi - i) {
                if (i - size > lo) parts.push_back({lo, i - size});
                lo = i;
            } else {
                if (hi > i + size) parts.push_back({i + size, hi});
                hi = i;
            }
            continue;
        }
        if (span == size && compare(lo, hi) > 0) swap(lo, hi);
        if (span == 2 * size) median(lo, hi);
        if (parts.empty()) return;
        std::tie(lo, hi) = parts.back();
        parts.pop_back();
    }
}

// Inputs that stay below the depth limit are left exactly as the plain quicksort leaves
// them, equal items in the same order, for every exchange routine and for keys that
// are all different, few or mostly the same.
class QuickSortReference : public ::testing::TestWithParam<int> {};

TEST_P(QuickSortReference, SameBytesAsThePlainQuicksort) {
    const int width = GetParam();
    std::mt19937 random(static_cast<unsigned>(width) * 31u);
    for (int n : {2, 3, 4, 5, 9, 33, 100, 1000, 20000}) {
        for (int keys : {2, 16, 256}) {
            for (int order = 0; order < 3; ++order) {  // random, ascending, descending keys
                SCOPED_TRACE("n=" + std::to_string(n) + " keys=" + std::to_string(keys) + " order=" +
                             std::to_string(order));
                std::vector<unsigned char> items(size_t(n) * width);
                for (auto &b : items) b = static_cast<unsigned char>(random());
                for (int k = 0; k < n; ++k) {
                    unsigned char key = static_cast<unsigned char>(random() % keys);
                    if (order) key = static_cast<unsigned char>(int64_t(k) * keys / n);
                    if (order == 2) key = static_cast<unsigned char>(keys - 1 - key);
                    items[size_t(k) * width] = key;
                }
                std::vector<unsigned char> expected = items;
                referenceQuickSort(expected.data(), n, width, firstByteCompare);
                ListPtr list(ListCreate(width));
                ListInsertItems(list.get(), items.data(), ListPosEnd, n);
                ListQuickSort(list.get(), firstByteCompare);
                ASSERT_EQ(std::memcmp(ListGetDataPtr(list.get()), expected.data(), items.size()), 0);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Widths, QuickSortReference, ::testing::Values(1, 3, 4, 6, 8, 12));

// No input, however crafted, makes the quicksort quadratic: against the adversary it
// stays within a small multiple of n log2 n comparisons and still sorts.
TEST(SortRobustness, QuickSortStandsUpToAKillerAdversary) {
    const int n = 10000;
    KillerAdversary adversary(n);
    ListPtr list = listOf(adversary.indices());
    ListQuickSort(list.get(), KillerAdversary::compare);
    EXPECT_LT(adversary.comparisons(), 8LL * n * 14) << "8 n log2 n";
    std::vector<int> sorted = contents<int>(list.get());
    for (int k = 1; k < n; ++k) ASSERT_LE(KillerAdversary::compare(&sorted[k - 1], &sorted[k]), 0) << k;
}

// A comparison that is no ordering at all must still end, and lose no element.
TEST(SortRobustness, InconsistentComparisonEndsWithAPermutation) {
    static std::mt19937 random(5);
    auto coinCompare = [](const void *, const void *) { return static_cast<int>(random() % 3) - 1; };
    std::vector<int> values = makeInput(Pattern::Random, 5000);
    std::vector<int> expected = values;
    std::sort(expected.begin(), expected.end());
    ListPtr list = listOf(values);
    ListQuickSort(list.get(), coinCompare);
    ListHeapSort(list.get(), coinCompare);
    std::vector<int> after = contents<int>(list.get());
    HeapSort(after.data(), int(after.size()), sizeof(int), coinCompare);
    InsertionSort(after.data(), 500, sizeof(int), coinCompare);
    std::sort(after.begin(), after.end());
    EXPECT_EQ(after, expected);
}

// Null and empty inputs are left alone; null comparisons sort by bytes.
TEST(SortRobustness, NullEmptyAndByteWise) {
    ListQuickSort(nullptr, IntCompare);
    ListHeapSort(nullptr, IntCompare);
    ListInsertionSort(nullptr, IntCompare);
    HeapSort(nullptr, 5, 4, IntCompare);
    InsertionSort(nullptr, 5, 4, IntCompare);
    ListPtr empty(ListCreate(4));
    ListQuickSort(empty.get(), IntCompare);
    EXPECT_EQ(ListNumItems(empty.get()), 0);
    // Little-endian: 256 is 00 01 00 00, which is before 1 (01 00 00 00) byte-wise.
    ListPtr list = listOf(std::vector<int>{1, 256, 2});
    ListQuickSort(list.get(), nullptr);
    EXPECT_EQ(contents<int>(list.get()), (std::vector<int>{256, 1, 2}));
    std::vector<int> array = {1, 256, 2};
    HeapSort(array.data(), 3, sizeof(int), nullptr);
    EXPECT_EQ(array, (std::vector<int>{256, 1, 2}));
}

// --- List searching and sorted insertion ----------------------------------------------

TEST(ListSorted, IsSorted) {
    EXPECT_EQ(ListIsSorted(listOf(std::vector<int>{1}).get(), IntCompare), 1);
    EXPECT_EQ(ListIsSorted(listOf(std::vector<int>{2, 1}).get(), IntCompare), 0);
    EXPECT_EQ(ListIsSorted(listOf(std::vector<int>{1, 1}).get(), IntCompare), 1);
    EXPECT_EQ(ListIsSorted(listOf(std::vector<int>{1, 2, 3, 2}).get(), IntCompare), 0);
    EXPECT_EQ(ListIsSorted(listOf(std::vector<int>{}).get(), IntCompare), 1);
    EXPECT_EQ(ListIsSorted(listOf(std::vector<int>{256, 1}).get(), nullptr), 1);
    EXPECT_EQ(ListIsSorted(nullptr, IntCompare), 0);
}

TEST(ListSorted, BinSearchPositions) {
    ListPtr list = listOf(std::vector<int>{1, 3, 5});
    int one = 1, five = 5, four = 4;
    EXPECT_EQ(ListBinSearch(list.get(), &one, IntCompare), 1);
    EXPECT_EQ(ListBinSearch(list.get(), &five, IntCompare), 3);
    EXPECT_EQ(ListBinSearch(list.get(), &four, IntCompare), 0);
    EXPECT_EQ(ListBinSearch(list.get(), nullptr, IntCompare), 0);
    EXPECT_EQ(ListBinSearch(nullptr, &one, IntCompare), 0);
}

TEST(ListSorted, InsertInOrder) {
    ListPtr list = listOf(std::vector<int>{1, 3, 5});
    int four = 4, six = 6, zero = 0;
    EXPECT_EQ(ListInsertInOrder(list.get(), &four, IntCompare), 1);
    EXPECT_EQ(contents<int>(list.get()), (std::vector<int>{1, 3, 4, 5}));
    EXPECT_EQ(ListInsertInOrder(list.get(), &six, IntCompare), 1);
    EXPECT_EQ(ListInsertInOrder(list.get(), &zero, IntCompare), 1);
    EXPECT_EQ(contents<int>(list.get()), (std::vector<int>{0, 1, 3, 4, 5, 6}));
    EXPECT_EQ(ListInsertInOrder(list.get(), nullptr, IntCompare), 0);
    EXPECT_EQ(ListInsertInOrder(nullptr, &six, IntCompare), 0);
    ListPtr empty(ListCreate(sizeof(int)));
    EXPECT_EQ(ListInsertInOrder(empty.get(), &six, IntCompare), 1);
    EXPECT_EQ(contents<int>(empty.get()), std::vector<int>{6});
}

// An equal item goes in front of the equal item the bisection found.
TEST(ListSorted, InsertInOrderPutsEqualInFront) {
    ListPtr list = listOf(std::vector<Tagged>{{1, 'a'}, {3, 'a'}, {5, 'a'}});
    Tagged three = {3, 'b'};
    ASSERT_EQ(ListInsertInOrder(list.get(), &three, keyCompare), 1);
    EXPECT_EQ(tags(contents<Tagged>(list.get())), "abaa");
    EXPECT_EQ(contents<Tagged>(list.get())[1].key, 3);
}

// Many random sorted insertions keep the list sorted and complete.
TEST(ListSorted, InsertInOrderKeepsOrder) {
    ListPtr list(ListCreate(sizeof(int)));
    std::vector<int> values = makeInput(Pattern::FewDistinct, 300);
    std::vector<int> more = makeInput(Pattern::Random, 300);
    values.insert(values.end(), more.begin(), more.end());
    for (int v : values) ASSERT_EQ(ListInsertInOrder(list.get(), &v, IntCompare), 1);
    std::sort(values.begin(), values.end());
    EXPECT_EQ(contents<int>(list.get()), values);
}

// --- Comparison functions --------------------------------------------------------------

TEST(Compare, IntegersAtTheExtremes) {
    int lo = INT_MIN, hi = INT_MAX, zero = 0;
    EXPECT_EQ(IntCompare(&lo, &hi), -1) << "no subtraction overflow";
    EXPECT_EQ(IntCompare(&hi, &lo), 1);
    EXPECT_EQ(IntCompare(&zero, &zero), 0);
    short slo = SHRT_MIN, shi = SHRT_MAX, sm = -1;
    EXPECT_EQ(ShortCompare(&slo, &shi), -1);
    EXPECT_EQ(ShortCompare(&shi, &sm), 1);
    EXPECT_EQ(ShortCompare(&sm, &sm), 0);
}

// A not-a-number compares greater on either side; signed zeros are equal.
TEST(Compare, FloatingPointWithNaN) {
    float fnan = std::nanf(""), fone = 1.0f, fzero = 0.0f, fnegzero = -0.0f;
    EXPECT_EQ(FloatCompare(&fnan, &fone), 1);
    EXPECT_EQ(FloatCompare(&fone, &fnan), 1);
    EXPECT_EQ(FloatCompare(&fnan, &fnan), 1);
    EXPECT_EQ(FloatCompare(&fzero, &fnegzero), 0);
    EXPECT_EQ(FloatCompare(&fzero, &fone), -1);
    double dnan = std::nan(""), done = 1.0, dtwo = 2.0;
    EXPECT_EQ(DoubleCompare(&dnan, &done), 1);
    EXPECT_EQ(DoubleCompare(&done, &dnan), 1);
    EXPECT_EQ(DoubleCompare(&dtwo, &done), 1);
    EXPECT_EQ(DoubleCompare(&done, &dtwo), -1);
    EXPECT_EQ(DoubleCompare(&dtwo, &dtwo), 0);
}

// The elements are char pointers; strcmp's own value comes back unchanged.
TEST(Compare, CStringsThroughPointers) {
    const char *a = "apple", *b = "apricot", *a2 = "apple";
    int (*volatile libraryStrcmp)(const char *, const char *) = std::strcmp;  // not folded
    EXPECT_EQ(CStringCompare(&a, &b), libraryStrcmp(a, b));
    EXPECT_EQ(CStringCompare(&b, &a), libraryStrcmp(b, a));
    EXPECT_EQ(CStringCompare(&a, &a2), 0);
    ListPtr list = listOf(std::vector<const char *>{"pear", "fig", "apple", "kiwi"});
    ListQuickSort(list.get(), CStringCompare);
    auto sorted = contents<const char *>(list.get());
    EXPECT_STREQ(sorted[0], "apple");
    EXPECT_STREQ(sorted[3], "pear");
}

}  // namespace
