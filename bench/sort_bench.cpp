// Sorting, searching and list insertion against the usual alternatives: the C
// library's qsort and bsearch, std::sort and std::lower_bound with a comparison through
// a function pointer, std::vector and GLib's GArray. Every sort and search uses the
// same comparison function, IntCompare, which lives in the library and so cannot be
// inlined into any of them.
#include <glib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
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

struct SearchData {
    std::vector<int> sorted;
    std::vector<int> keys;
    ListRef list = nullptr;
};

SearchData &searchData(int n) {
    static std::map<int, SearchData> cache;
    SearchData &data = cache[n];
    if (!data.list) {
        data.sorted.resize(n);
        for (int k = 0; k < n; ++k) data.sorted[k] = 2 * k;
        std::mt19937 random(777u);
        for (int k = 0; k < 1024; ++k) data.keys.push_back(static_cast<int>(random() % (2u * n)));
        data.list = ListCreate(sizeof(int));
        ListInsertItems(data.list, data.sorted.data(), ListPosEnd, n);
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
        return BinSearch(d.sorted.data(), static_cast<int>(d.sorted.size()), sizeof(int), &key, compare) >= 0;
    });
}

void BM_ListBinSearch(benchmark::State &state) {
    ItemCompareFn compare = opaqueCompare();
    search(state, [compare](SearchData &d, const int &key) { return ListBinSearch(d.list, &key, compare) > 0; });
}

void BM_bsearch(benchmark::State &state) {
    ItemCompareFn compare = opaqueCompare();
    search(state, [compare](SearchData &d, const int &key) {
        return std::bsearch(&key, d.sorted.data(), d.sorted.size(), sizeof(int), compare) != nullptr;
    });
}

void BM_lower_bound(benchmark::State &state) {
    Less less = opaqueLess();
    search(state, [less](SearchData &d, const int &key) {
        auto at = std::lower_bound(d.sorted.begin(), d.sorted.end(), key, less);
        return at != d.sorted.end() && *at == key;
    });
}

// --- Insertion: n single-item inserts into an empty container --------------------------

enum Where { kEnd = 0, kFront = 1, kMiddle = 2 };

void BM_ListInsertItem(benchmark::State &state) {
    const int n = static_cast<int>(state.range(0));
    const Where where = static_cast<Where>(state.range(1));
    for (auto _ : state) {
        ListRef list = ListCreate(sizeof(int));
        for (int k = 0; k < n; ++k) {
            int position = where == kEnd ? ListPosEnd : where == kFront ? ListPosFront : k / 2 + 1;
            ListInsertItem(list, &k, position);
        }
        benchmark::DoNotOptimize(ListGetDataPtr(list));
        ListDispose(list);
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_vector_insert(benchmark::State &state) {
    const int n = static_cast<int>(state.range(0));
    const Where where = static_cast<Where>(state.range(1));
    for (auto _ : state) {
        std::vector<int> v;
        for (int k = 0; k < n; ++k) {
            if (where == kEnd)
                v.push_back(k);
            else
                v.insert(where == kFront ? v.begin() : v.begin() + k / 2, k);
        }
        benchmark::DoNotOptimize(v.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_GArray_insert(benchmark::State &state) {
    const int n = static_cast<int>(state.range(0));
    const Where where = static_cast<Where>(state.range(1));
    for (auto _ : state) {
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
    state.SetItemsProcessed(state.iterations() * n);
}

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

std::vector<bench::Ratio> ratioRows() {
    std::vector<bench::Ratio> rows;
    auto add = [&rows](const std::string &subject, const std::string &baseline, const std::string &arg) {
        rows.push_back({subject + " / " + baseline + "  n=" + arg, "BM_" + subject + "/" + arg,
                        "BM_" + baseline + "/" + arg});
    };
    for (const char *n : {"1000", "100000", "1000000"}) {
        for (const char *sort : {"ListQuickSort", "ListHeapSort", "HeapSort"}) {
            add(sort, "qsort", n);
            add(sort, "std_sort", n);
        }
        for (const char *find : {"BinSearch", "ListBinSearch"}) {
            add(find, "bsearch", n);
            add(find, "lower_bound", n);
        }
    }
    const char *places[] = {"end", "front", "middle"};
    for (int where : {kEnd, kFront, kMiddle}) {
        for (const char *n : {"1000", "100000", "1000000"}) {
            std::string arg = std::string(n) + "/" + std::to_string(where);
            for (const char *other : {"vector_insert", "GArray_insert"})
                rows.push_back({std::string("ListInsertItem at ") + places[where] + " / " + other + "  n=" + n,
                                "BM_ListInsertItem/" + arg, "BM_" + std::string(other) + "/" + arg});
        }
    }
    return rows;
}

}  // namespace

int main(int argc, char **argv) { return bench::runAndPrintRatios(argc, argv, ratioRows()); }
