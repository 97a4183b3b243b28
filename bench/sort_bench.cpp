// Sorting, searching and list insertion against the usual alternatives: the C
// library's qsort and bsearch, std::sort and std::lower_bound (std::binary_search in
// the ratio table) with a comparison through a function pointer, std::vector and
// GLib's GArray. Every sort and search uses the same comparison function, IntCompare,
// which lives in the library and so cannot be inlined into any of them.
#include <glib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <vector>

#include "ratios.h"
#include "toolbox.h"

namespace {

const std::vector<int> &randomInts(int n) {
    static std::map<int, std::vector<int>> cache;
    std::vector<int> &values = cache[n];
    if (values.empty()) {
        std::mt19937 random(12345u + static_cast<unsigned>(n));
        values.resize(n);
        for (int &v : values) v = static_cast<int>(random());
    }
    return values;
}

// Comparisons through pointers the optimiser cannot see through (read from volatiles).
ItemCompareFn volatile g_compare = IntCompare;
ItemCompareFn opaqueCompare() { return g_compare; }

using Less = bool (*)(const int &, const int &);
bool lessThroughCompare(const int &a, const int &b) { return IntCompare(&a, &b) < 0; }
Less volatile g_less = lessThroughCompare;
Less opaqueLess() { return g_less; }

// --- Sorting: each iteration sorts a fresh copy of the same random ints -----------------

void listSort(benchmark::State &state, void (*sort)(ListRef, ItemCompareFn)) {
    const std::vector<int> &input = randomInts(static_cast<int>(state.range(0)));
    ListRef list = ListCreate(sizeof(int));
    ListPreAllocate(list, static_cast<int>(input.size()));
    ItemCompareFn compare = opaqueCompare();
    for (auto _ : state) {
        ListClear(list);
        ListInsertItems(list, input.data(), ListPosEnd, static_cast<int>(input.size()));
        sort(list, compare);
        benchmark::ClobberMemory();
    }
    ListDispose(list);
}

void BM_ListQuickSort(benchmark::State &state) { listSort(state, ListQuickSort); }
void BM_ListHeapSort(benchmark::State &state) { listSort(state, ListHeapSort); }

template <typename Sort>
void arraySort(benchmark::State &state, Sort sort) {
    const std::vector<int> &input = randomInts(static_cast<int>(state.range(0)));
    std::vector<int> work(input.size());
    for (auto _ : state) {
        std::memcpy(work.data(), input.data(), input.size() * sizeof(int));
        sort(work);
        benchmark::ClobberMemory();
    }
}

void BM_HeapSort(benchmark::State &state) {
    ItemCompareFn compare = opaqueCompare();
    arraySort(state, [compare](std::vector<int> &v) {
        HeapSort(v.data(), static_cast<int>(v.size()), sizeof(int), compare);
    });
}

void BM_qsort(benchmark::State &state) {
    ItemCompareFn compare = opaqueCompare();
    arraySort(state, [compare](std::vector<int> &v) { std::qsort(v.data(), v.size(), sizeof(int), compare); });
}

void BM_std_sort(benchmark::State &state) {
    Less less = opaqueLess();
    arraySort(state, [less](std::vector<int> &v) { std::sort(v.begin(), v.end(), less); });
}

// --- Searching: the same 1024 keys, about half present, against n sorted ints ----------
// Every contender searches the same memory, the list's item area, so that none is
// helped or hurt by the cache.

struct SearchData {
    std::vector<int> keys;
    ListRef list = nullptr;
    const int *items = nullptr;
    int n = 0;
};

SearchData &searchData(int n) {
    static std::map<int, SearchData> cache;
    SearchData &data = cache[n];
    if (!data.list) {
        std::vector<int> sorted(n);
        for (int k = 0; k < n; ++k) sorted[k] = 2 * k;
        std::mt19937 random(777u);
        for (int k = 0; k < 1024; ++k) data.keys.push_back(static_cast<int>(random() % (2u * n)));
        data.list = ListCreate(sizeof(int));
        ListInsertItems(data.list, sorted.data(), ListPosEnd, n);
        data.items = static_cast<const int *>(ListGetDataPtr(data.list));
        data.n = n;
    }
    return data;
}

template <typename Search>
void search(benchmark::State &state, Search find) {
    SearchData &data = searchData(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        long found = 0;
        for (const int &key : data.keys) found += find(data, key);
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long>(data.keys.size()));
}

void BM_BinSearch(benchmark::State &state) {
    ItemCompareFn compare = opaqueCompare();
    search(state, [compare](SearchData &d, const int &key) {
        return BinSearch(d.items, d.n, sizeof(int), &key, compare) >= 0;
    });
}

void BM_ListBinSearch(benchmark::State &state) {
    ItemCompareFn compare = opaqueCompare();
    search(state, [compare](SearchData &d, const int &key) { return ListBinSearch(d.list, &key, compare) > 0; });
}

void BM_bsearch(benchmark::State &state) {
    ItemCompareFn compare = opaqueCompare();
    search(state, [compare](SearchData &d, const int &key) {
        return std::bsearch(&key, d.items, d.n, sizeof(int), compare) != nullptr;
    });
}

void BM_lower_bound(benchmark::State &state) {
    Less less = opaqueLess();
    search(state, [less](SearchData &d, const int &key) {
        const int *at = std::lower_bound(d.items, d.items + d.n, key, less);
        return at != d.items + d.n && *at == key;
    });
}

// --- Insertion: n single-item inserts into an empty container --------------------------

enum Where { kEnd = 0, kFront = 1, kMiddle = 2 };

// One container filled with n single-item inserts at the end, the front or the middle;
// shared by the benchmarks and the ratio table.
void fillList(int n, Where where) {
    ListRef list = ListCreate(sizeof(int));
    for (int k = 0; k < n; ++k) {
        int position = where == kEnd ? ListPosEnd : where == kFront ? ListPosFront : k / 2 + 1;
        ListInsertItem(list, &k, position);
    }
    benchmark::DoNotOptimize(ListGetDataPtr(list));
    ListDispose(list);
}

void fillVector(int n, Where where) {
    std::vector<int> v;
    for (int k = 0; k < n; ++k) {
        if (where == kEnd)
            v.push_back(k);
        else
            v.insert(where == kFront ? v.begin() : v.begin() + k / 2, k);
    }
    benchmark::DoNotOptimize(v.data());
}

void fillGArray(int n, Where where) {
    GArray *array = g_array_new(FALSE, FALSE, sizeof(int));
    for (int k = 0; k < n; ++k) {
        if (where == kEnd)
            g_array_append_val(array, k);
        else if (where == kFront)
            g_array_prepend_val(array, k);
        else
            g_array_insert_val(array, k / 2, k);
    }
    benchmark::DoNotOptimize(array->data);
    g_array_free(array, TRUE);
}

template <void (*Fill)(int, Where)>
void BM_insert(benchmark::State &state) {
    const int n = static_cast<int>(state.range(0));
    const Where where = static_cast<Where>(state.range(1));
    for (auto _ : state) Fill(n, where);
    state.SetItemsProcessed(state.iterations() * n);
}
void BM_ListInsertItem(benchmark::State &state) { BM_insert<fillList>(state); }
void BM_vector_insert(benchmark::State &state) { BM_insert<fillVector>(state); }
void BM_GArray_insert(benchmark::State &state) { BM_insert<fillGArray>(state); }

void sortSizes(benchmark::internal::Benchmark *b) {
    b->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
}

// Front and middle insertion move the whole tail every time (quadratic for all three),
// so they stop at 10^5 items; appending runs up to 10^6.
void insertShapes(benchmark::internal::Benchmark *b) {
    for (int n : {1000, 100000, 1000000}) b->Args({n, kEnd});
    for (int n : {1000, 100000}) b->Args({n, kFront})->Args({n, kMiddle});
    b->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_ListQuickSort)->Apply(sortSizes);
BENCHMARK(BM_ListHeapSort)->Apply(sortSizes);
BENCHMARK(BM_HeapSort)->Apply(sortSizes);
BENCHMARK(BM_qsort)->Apply(sortSizes);
BENCHMARK(BM_std_sort)->Apply(sortSizes);
BENCHMARK(BM_BinSearch)->Apply(sortSizes);
BENCHMARK(BM_ListBinSearch)->Apply(sortSizes);
BENCHMARK(BM_bsearch)->Apply(sortSizes);
BENCHMARK(BM_lower_bound)->Apply(sortSizes);
BENCHMARK(BM_ListInsertItem)->Apply(insertShapes);
BENCHMARK(BM_vector_insert)->Apply(insertShapes);
BENCHMARK(BM_GArray_insert)->Apply(insertShapes);

// --- The ratio table: the same workloads, run in alternating pairs ---------------------

// One sort of a fresh copy of n random ints, through each contender.
std::function<void()> sortWork(const std::string &which, int n) {
    const std::vector<int> *input = &randomInts(n);
    auto work = std::make_shared<std::vector<int>>(input->size());
    if (which == "ListQuickSort" || which == "ListHeapSort") {
        std::shared_ptr<HandleRecord> list(ListCreate(sizeof(int)), ListDispose);
        ListPreAllocate(list.get(), n);
        auto sort = which == "ListQuickSort" ? ListQuickSort : ListHeapSort;
        return [list, input, sort] {
            ListClear(list.get());
            ListInsertItems(list.get(), input->data(), ListPosEnd, static_cast<int>(input->size()));
            sort(list.get(), opaqueCompare());
        };
    }
    auto fresh = [input, work] { std::memcpy(work->data(), input->data(), input->size() * sizeof(int)); };
    if (which == "HeapSort")
        return [fresh, work] {
            fresh();
            HeapSort(work->data(), static_cast<int>(work->size()), sizeof(int), opaqueCompare());
        };
    if (which == "qsort")
        return [fresh, work] {
            fresh();
            std::qsort(work->data(), work->size(), sizeof(int), opaqueCompare());
        };
    return [fresh, work] {
        fresh();
        std::sort(work->begin(), work->end(), opaqueLess());
    };
}

// 1024 searches in n sorted ints, through each contender.
template <typename Find>
std::function<void()> searchLoop(int n, Find find) {
    SearchData *data = &searchData(n);
    return [data, find] {
        long found = 0;
        for (const int &key : data->keys) found += find(data->items, data->n, data->list, key);
        benchmark::DoNotOptimize(found);
    };
}

std::function<void()> searchWork(const std::string &which, int n) {
    ItemCompareFn compare = opaqueCompare();
    if (which == "BinSearch")
        return searchLoop(n, [compare](const int *items, int count, ListRef, const int &key) {
            return BinSearch(items, count, sizeof(int), &key, compare) >= 0;
        });
    if (which == "ListBinSearch")
        return searchLoop(n, [compare](const int *, int, ListRef list, const int &key) {
            return ListBinSearch(list, &key, compare) > 0;
        });
    if (which == "bsearch")
        return searchLoop(n, [compare](const int *items, int count, ListRef, const int &key) {
            return std::bsearch(&key, items, count, sizeof(int), compare) != nullptr;
        });
    Less less = opaqueLess();
    return searchLoop(n, [less](const int *items, int count, ListRef, const int &key) {
        return std::binary_search(items, items + count, key, less);
    });
}

// n single-item inserts into a new container at the end, the front or the middle.
std::function<void()> insertWork(const std::string &which, int n, Where where) {
    void (*fill)(int, Where) = which == "ListInsertItem" ? fillList
                               : which == "std::vector"  ? fillVector
                                                         : fillGArray;
    return [fill, n, where] { fill(n, where); };
}

std::vector<bench::Pair> ratioPairs() {
    std::vector<bench::Pair> pairs;
    for (int n : {1000, 100000, 1000000}) {
        std::string size = "  n=" + std::to_string(n);
        for (const char *sort : {"ListQuickSort", "ListHeapSort", "HeapSort"})
            for (const char *other : {"qsort", "std::sort"})
                pairs.push_back({std::string(sort) + " / " + other + size, sortWork(sort, n), sortWork(other, n)});
        for (const char *find : {"BinSearch", "ListBinSearch"})
            for (const char *other : {"bsearch", "std::binary_search"})
                pairs.push_back({std::string(find) + " / " + other + size, searchWork(find, n), searchWork(other, n)});
    }
    const char *places[] = {"end", "front", "middle"};
    for (Where where : {kEnd, kFront, kMiddle}) {
        for (int n : {1000, 100000, 1000000}) {
            if (where != kEnd && n > 100000) continue;  // quadratic for all three
            for (const char *other : {"std::vector", "GArray"})
                pairs.push_back({std::string("ListInsertItem at ") + places[where] + " / " + other + "  n=" +
                                     std::to_string(n),
                                 insertWork("ListInsertItem", n, where), insertWork(other, n, where)});
        }
    }
    return pairs;
}

}  // namespace

int main(int argc, char **argv) { return bench::runAndPrintRatios(argc, argv, ratioPairs()); }
