// McIlroy's adversary ("A killer adversary for quicksort", 1999), shared by the sort
// tests and the sort benchmark: the items are the indices 0..n-1, whose values are
// decided only as the sort compares them, always so that the current pivot candidate
// comes out small. Against a quicksort without a depth limit it forces about n * n / 4
// comparisons; the values it decided make an input that does the same to that sort.
#ifndef TOOLBOX_TESTS_KILLER_ADVERSARY_H
#define TOOLBOX_TESTS_KILLER_ADVERSARY_H

#include <numeric>
#include <vector>

class KillerAdversary {
public:
    // Becomes the adversary that compare() consults, until it goes.
    explicit KillerAdversary(int n) : value_(n, n), gas_(n) { active() = this; }
    ~KillerAdversary() { active() = nullptr; }
    KillerAdversary(const KillerAdversary &) = delete;
    KillerAdversary &operator=(const KillerAdversary &) = delete;

    // The items to sort: the indices 0..n-1.
    std::vector<int> indices() const {
        std::vector<int> index(value_.size());
        std::iota(index.begin(), index.end(), 0);
        return index;
    }

    // The comparison of two indices that the sort under attack is given.
    static int compare(const void *first, const void *second) {
        KillerAdversary &a = *active();
        ++a.comparisons_;
        int x = *static_cast<const int *>(first), y = *static_cast<const int *>(second);
        if (a.value_[x] == a.gas_ && a.value_[y] == a.gas_) a.value_[x == a.candidate_ ? x : y] = a.solid_++;
        if (a.value_[x] == a.gas_)
            a.candidate_ = x;
        else if (a.value_[y] == a.gas_)
            a.candidate_ = y;
        return a.value_[x] < a.value_[y] ? -1 : a.value_[x] > a.value_[y] ? 1 : 0;
    }

    long long comparisons() const { return comparisons_; }

    // After a sort: the values decided, those never compared made solid last.
    std::vector<int> decidedInput() {
        for (int &v : value_)
            if (v == gas_) v = solid_++;
        return value_;
    }

private:
    static KillerAdversary *&active() {
        static KillerAdversary *current = nullptr;
        return current;
    }

    std::vector<int> value_;
    int gas_;
    int solid_ = 0;
    int candidate_ = 0;
    long long comparisons_ = 0;
};

#endif
