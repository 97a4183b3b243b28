// Sorting, searching and list insertion against the usual alternatives: the C
// library's qsort and bsearch, std::sort and std::binary_search with a comparison
// through a function pointer, std::vector and GLib's GArray. Every sort and search
// uses the same comparison function, IntCompare (DoubleCompare for 8-byte elements),
// which lives in the library and so cannot be inlined into any of them.
//
// Inputs rotate: each sort call takes the next of five patterns (random, sorted,
// reversed, many duplicates, organ pipe), each search call the next 1024 of 65536
// random keys, so no branch predictor learns one input. A killer input, made by
// McIlroy's adversary against ListQuickSort itself, shows the worst case.
#include <glib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <numeric>
#include <random>
#include <vector>

#include "killer_adversary.h"
#include "ratios.h"
#include "toolbox.h"

namespace {

using Ints = std::vector<int>;

// --- Inputs ----------------------------------------------------------------------------

enum class Pattern { Random, Sorted, Reversed, Duplicates, OrganPipe };
const Pattern kPatterns[] = {Pattern::Random, Pattern::Sorted, Pattern::Reversed, Pattern::Duplicates,
                             Pattern::OrganPipe};
const char *patternName(Pattern p) {
    static const char *names[] = {"random", "sorted", "reversed", "many duplicates", "organ pipe"};
    return names[static_cast<int>(p)];
}

Ints makeInput(Pattern pattern, int n) {
    std::mt19937 random(12345u + static_cast<unsigned>(n));
    Ints v(n);
    for (int k = 0; k < n; ++k) v[k] = static_cast<int>(random());
    switch (pattern) {
        case Pattern::Random: break;
        case Pattern::Sorted: std::sort(v.begin(), v.end()); break;
        case Pattern::Reversed: std::sort(v.rbegin(), v.rend()); break;
        case Pattern::Duplicates:
            for (int &x : v) x &= 15;
            break;
        case Pattern::OrganPipe:
            for (int k = 0; k < n; ++k) v[k] = k < n / 2 ? k : n - k;
            break;
    }
    return v;
}

// McIlroy's adversary played against ListQuickSort: an input on which it does its most work.
Ints killerInput(int n) {
    KillerAdversary adversary(n);
    Ints index = adversary.indices();
    ListRef list = ListCreate(sizeof(int));
    ListInsertItems(list, index.data(), ListPosEnd, n);
    ListQuickSort(list, KillerAdversary::compare);
    ListDispose(list);
    return adversary.decidedInput();
}

// Comparisons through pointers the optimiser cannot see through (read from volatiles).
ItemCompareFn volatile g_compare = IntCompare;
ItemCompareFn opaqueCompare() { return g_compare; }
ItemCompareFn volatile g_doubleCompare = DoubleCompare;

using Less = bool (*)(const int &, const int &);
bool lessThroughCompare(const int &a, const int &b) { return IntCompare(&a, &b) < 0; }
Less volatile g_less = lessThroughCompare;
Less opaqueLess() { return g_less; }

// --- Sorting: each call sorts a fresh copy of the next input ---------------------------

using Inputs = std::shared_ptr<bench::Rotation<Ints>>;

Inputs rotatedInputs(int n) { return std::make_shared<bench::Rotation<Ints>>(std::vector<Ints>{
                                         makeInput(Pattern::Random, n), makeInput(Pattern::Sorted, n),
                                         makeInput(Pattern::Reversed, n), makeInput(Pattern::Duplicates, n),
                                         makeInput(Pattern::OrganPipe, n)}); }
Inputs singleInput(Ints input) { return std::make_shared<bench::Rotation<Ints>>(std::vector<Ints>{std::move(input)}); }

std::function<void()> sortWork(const std::string &which, Inputs inputs) {
    if (which == "ListQuickSort" || which == "ListHeapSort") {
        std::shared_ptr<HandleRecord> list(ListCreate(sizeof(int)), ListDispose);
        auto sort = which == "ListQuickSort" ? ListQuickSort : ListHeapSort;
        return [list, inputs, sort] {
            const Ints &input = inputs->next();
            ListClear(list.get());
            ListInsertItems(list.get(), input.data(), ListPosEnd, static_cast<int>(input.size()));
            sort(list.get(), opaqueCompare());
            benchmark::ClobberMemory();
        };
    }
    auto work = std::make_shared<Ints>();
    auto fresh = [inputs, work] {
        const Ints &input = inputs->next();
        work->assign(input.begin(), input.end());
    };
    if (which == "HeapSort")
        return [fresh, work] {
            fresh();
            HeapSort(work->data(), static_cast<int>(work->size()), sizeof(int), opaqueCompare());
            benchmark::ClobberMemory();
        };
    if (which == "qsort")
        return [fresh, work] {
            fresh();
            std::qsort(work->data(), work->size(), sizeof(int), opaqueCompare());
            benchmark::ClobberMemory();
        };
    return [fresh, work] {
        fresh();
        std::sort(work->begin(), work->end(), opaqueLess());
        benchmark::ClobberMemory();
    };
}

// --- Searching: 1024 random keys per call, about half present ---------------------------
// Every contender searches the same memory, the list's item area, so that none is
// helped or hurt by the cache.

template <typename T>
struct SearchData {
    std::vector<T> keys;  // 65536, used 1024 at a time in turn
    size_t next = 0;
    std::shared_ptr<HandleRecord> list;
    const T *items = nullptr;
    int n = 0;
    const T *nextKeys() {
        const T *block = keys.data() + next;
        next = (next + 1024) % keys.size();
        return block;
    }
};

template <typename T>
std::shared_ptr<SearchData<T>> searchData(int n) {
    auto data = std::make_shared<SearchData<T>>();
    std::vector<T> sorted(n);
    for (int k = 0; k < n; ++k) sorted[k] = static_cast<T>(2 * k);
    std::mt19937 random(777u + static_cast<unsigned>(n));
    for (int k = 0; k < 65536; ++k) data->keys.push_back(static_cast<T>(random() % (2u * n)));
    data->list.reset(ListCreate(sizeof(T)), ListDispose);
    ListInsertItems(data->list.get(), sorted.data(), ListPosEnd, n);
    data->items = static_cast<const T *>(ListGetDataPtr(data->list.get()));
    data->n = n;
    return data;
}

template <typename T, typename Find>
std::function<void()> searchLoop(std::shared_ptr<SearchData<T>> data, Find find) {
    return [data, find] {
        const T *keys = data->nextKeys();
        long found = 0;
        for (int k = 0; k < 1024; ++k) found += find(*data, keys[k]);
        benchmark::DoNotOptimize(found);
    };
}

template <typename T>
std::function<void()> searchWork(const std::string &which, int n) {
    auto data = searchData<T>(n);
    ItemCompareFn compare = sizeof(T) == 4 ? opaqueCompare() : g_doubleCompare;
    using Data = SearchData<T>;
    if (which == "BinSearch")
        return searchLoop(data, [compare](const Data &d, const T &key) {
            return BinSearch(d.items, d.n, sizeof(T), &key, compare) >= 0;
        });
    if (which == "ListBinSearch")
        return searchLoop(data, [compare](const Data &d, const T &key) {
            return ListBinSearch(d.list.get(), &key, compare) > 0;
        });
    if (which == "bsearch")
        return searchLoop(data, [compare](const Data &d, const T &key) {
            return std::bsearch(&key, d.items, static_cast<size_t>(d.n), sizeof(T), compare) != nullptr;
        });
    Less less = opaqueLess();
    return searchLoop(data, [less](const Data &d, const T &key) {
        if constexpr (sizeof(T) == 4) {
            return std::binary_search(d.items, d.items + d.n, key, less);
        } else {
            return false;
        }
    });
}

// --- Insertion: n single-item inserts into a new container -------------------------------

enum Where { kEnd = 0, kFront = 1, kMiddle = 2 };

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
            g_array_append_vals(array, &k, 1);
        else if (where == kFront)
            g_array_prepend_vals(array, &k, 1);
        else
            g_array_insert_vals(array, static_cast<guint>(k / 2), &k, 1);
    }
    benchmark::DoNotOptimize(array->data);
    g_array_free(array, TRUE);
}

std::function<void()> insertWork(const std::string &which, int n, Where where) {
    void (*fill)(int, Where) = which == "ListInsertItem" ? fillList
                               : which == "std::vector"  ? fillVector
                                                         : fillGArray;
    return [fill, n, where] { fill(n, where); };
}

// --- The table -----------------------------------------------------------------------------

std::string sized(const std::string &text, int n) { return text + "  n=" + std::to_string(n); }

std::vector<bench::Pair> ratioPairs() {
    std::vector<bench::Pair> pairs;
    auto add = [&pairs](const std::string &label, const std::string &subject, std::function<void()> s,
                        const std::string &baseline, std::function<void()> b, long rotation = 1) {
        pairs.push_back({label, std::move(s), std::move(b), subject, baseline, rotation});
    };
    for (int n : {1000, 100000, 1000000}) {
        for (const char *sort : {"ListQuickSort", "ListHeapSort", "HeapSort"})
            for (const char *other : {"qsort", "std::sort"})
                add(sized(std::string(sort) + " / " + other + ", 5 patterns", n),
                    sized(std::string(sort) + "/patterns", n), sortWork(sort, rotatedInputs(n)),
                    sized(std::string(other) + "/patterns", n), sortWork(other, rotatedInputs(n)), 5);
    }
    for (Pattern pattern : kPatterns) {
        const int n = 100000;
        Inputs input = singleInput(makeInput(pattern, n));
        add(sized(std::string("ListQuickSort / qsort, ") + patternName(pattern), n), "", sortWork("ListQuickSort", input),
            "", sortWork("qsort", input));
    }
    {
        const int n = 30000;
        Inputs killer = singleInput(killerInput(n));
        add(sized("ListQuickSort / qsort, killer input", n), sized("ListQuickSort/killer", n),
            sortWork("ListQuickSort", killer), sized("qsort/killer", n), sortWork("qsort", killer));
    }
    for (int n : {1000, 100000, 1000000}) {
        for (const char *find : {"BinSearch", "ListBinSearch"})
            for (const char *other : {"bsearch", "std::binary_search"})
                add(sized(std::string(find) + " / " + other + ", 1024 random keys", n),
                    sized(std::string(find) + "/int", n), searchWork<int>(find, n),
                    sized(std::string(other) + "/int", n), searchWork<int>(other, n));
    }
    for (const char *find : {"BinSearch", "ListBinSearch"}) {
        const int n = 100000;
        add(sized(std::string(find) + " / bsearch, 8-byte doubles", n), sized(std::string(find) + "/double", n),
            searchWork<double>(find, n), sized("bsearch/double", n), searchWork<double>("bsearch", n));
    }
    const char *places[] = {"end", "front", "middle"};
    for (Where where : {kEnd, kFront, kMiddle}) {
        for (int n : {1000, 100000, 1000000}) {
            if (where != kEnd && n > 100000) continue;  // quadratic for all three
            for (const char *other : {"std::vector", "GArray"}) {
                std::string place = places[where];
                add(sized("ListInsertItem at " + place + " / " + other, n), sized("ListInsertItem/" + place, n),
                    insertWork("ListInsertItem", n, where), sized(std::string(other) + "/" + place, n),
                    insertWork(other, n, where));
            }
        }
    }
    return pairs;
}

}  // namespace

int main(int argc, char **argv) { return bench::runAndPrintRatios(argc, argv, ratioPairs()); }
