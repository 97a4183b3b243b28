// List output: printing a list through item output functions, with frame texts.
//
// OutputList checks its frame texts before writing anything: only "%%" and, where a
// number is passed, one "%d" are accepted; anything else is refused with -63, since it
// would be formatted without a matching argument.
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "toolbox_internal.h"

namespace {

constexpr char kNoOutputFunction[] = "Error, no output function specified\n";

// The number of "%d" conversions in a frame text, or -1 when it holds any conversion
// other than "%%" and "%d" (including a lone "%" at the end).
int countNumberConversions(const char *text) {
    if (!text) return 0;
    int numbers = 0;
    for (const char *p = text; *p; ++p) {
        if (*p != '%') continue;
        ++p;
        if (*p == 'd')
            ++numbers;
        else if (*p != '%')
            return -1;
    }
    return numbers;
}

// A running total that stops at the first negative write.
class Writer {
public:
    explicit Writer(FILE *stream) : stream_(stream) {}

    // Writes a checked frame text, with number when it holds "%d"; false on failure.
    bool text(const char *frame, int number) {
        if (!frame) return true;
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
#endif
        // The text was checked: it holds "%%" and at most one "%d".
        int written = countNumberConversions(frame) > 0 ? std::fprintf(stream_, frame, number)
                                                        : std::fprintf(stream_, frame);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
        return add(written);
    }

    bool add(int written) {
        if (written < 0) {
            failure_ = written;
            return false;
        }
        total_ += written;
        return true;
    }

    // The total (held at INT_MAX should it ever exceed it), or the failure met.
    int result() const {
        if (failure_ < 0) return failure_;
        return total_ > INT_MAX ? INT_MAX : static_cast<int>(total_);
    }

private:
    FILE *stream_;
    int64_t total_ = 0;
    int failure_ = 0;
};

FILE *orStandardOutput(FILE *stream) { return stream ? stream : RTE_StdOut(); }

}  // namespace

extern "C" {

int OutputList(ListRef list, FILE *stream, const char *listPrefix, const char *listSuffix,
               const char *itemPrefix, const char *itemSeparator, ItemOutputFn outputFunction) {
    stream = orStandardOutput(stream);
    if (!outputFunction) return std::fprintf(stream, "%s", kNoOutputFunction);
    if (countNumberConversions(listPrefix) != 0 || countNumberConversions(listSuffix) > 1 ||
        countNumberConversions(listSuffix) < 0 || countNumberConversions(itemPrefix) > 1 ||
        countNumberConversions(itemPrefix) < 0 || countNumberConversions(itemSeparator) > 1 ||
        countNumberConversions(itemSeparator) < 0)
        return RTE_UIE_INVALID_FORMAT;

    Writer out(stream);
    if (!out.text(listPrefix, 0)) return out.result();
    const int n = ListNumItems(list);
    // A 64-bit position, so that the step past INT_MAX items ends the loop.
    for (int64_t i = 1; i <= n; ++i) {
        const int position = static_cast<int>(i);
        if (!out.text(itemPrefix, position)) return out.result();
        if (!out.add(outputFunction(stream, ListGetPtrToItem(list, position)))) return out.result();
        if (position != n && !out.text(itemSeparator, position)) return out.result();
    }
    out.text(listSuffix, n);
    return out.result();
}

int OutputIntegerItem(FILE *stream, void *ptrToItem) {
    if (!ptrToItem) return RTE_UIE_NULL_ARGUMENT;
    int value;
    std::memcpy(&value, ptrToItem, sizeof value);
    return std::fprintf(orStandardOutput(stream), "%d", value);
}

int OutputShortItem(FILE *stream, void *ptrToItem) {
    if (!ptrToItem) return RTE_UIE_NULL_ARGUMENT;
    short value;
    std::memcpy(&value, ptrToItem, sizeof value);
    return std::fprintf(orStandardOutput(stream), "%d", static_cast<int>(value));
}

int OutputDoubleItem(FILE *stream, void *ptrToItem) {
    if (!ptrToItem) return RTE_UIE_NULL_ARGUMENT;
    double value;
    std::memcpy(&value, ptrToItem, sizeof value);
    return std::fprintf(orStandardOutput(stream), "%f", value);
}

int OutputStringItem(FILE *stream, void *ptrToItem) {
    if (!ptrToItem) return RTE_UIE_NULL_ARGUMENT;
    const char *text;
    std::memcpy(&text, ptrToItem, sizeof text);
    return std::fprintf(orStandardOutput(stream), "%s", text ? text : "(null)");
}

}  // extern "C"
