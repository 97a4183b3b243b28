// Fmt: formatted copy into a string or an int. The target item comes first ("%s<" a
// string, "%d<" an int read from the composed text); after it only literal text, "%s"
// items and "%%" are accepted (see rte_format.h). The whole result is made before
// anything is written, so a refused format, a text that is not a number or a too small
// target leaves the target as it was.
#include <climits>
#include <cstdarg>
#include <cstring>
#include <string>

#include "rte_internal.h"

namespace {

enum class Target { Text, Int };

// Reads the target item; the rest of the format follows it.
int targetOf(const char *format, Target &target, const char *&rest) {
    if (!format) return RTE_UIE_NULL_ARGUMENT;
    if (std::strncmp(format, "%s<", 3) == 0)
        target = Target::Text;
    else if (std::strncmp(format, "%d<", 3) == 0)
        target = Target::Int;
    else
        return RTE_UIE_INVALID_FORMAT;
    rest = format + 3;
    return 0;
}

// Composes the text after the target item into out. Returns 0 or a user-interface code.
int compose(const char *items, va_list args, std::string &out) {
    for (const char *p = items; *p; ++p) {
        if (*p != '%') {
            out += *p;
            continue;
        }
        ++p;
        if (*p == '%') {
            out += '%';
        } else if (*p == 's') {
            const char *item = va_arg(args, const char *);
            if (!item) return RTE_UIE_NULL_ARGUMENT;
            out += item;
        } else {
            return RTE_UIE_INVALID_FORMAT;
        }
    }
    return 0;
}

// The white space reading skips, the same in every locale.
bool isWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Reads a decimal int at the start of text: white space, an optional sign, digits.
// Gives the number of characters used, or RTE_UIE_INVALID_ATTRIBUTE_VALUE when there
// are no digits or the number is outside the int range.
int readInt(const std::string &text, int &value) {
    size_t at = 0;
    while (at < text.size() && isWhiteSpace(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    const size_t firstDigit = at;
    // The magnitude may reach INT_MAX + 1 (for INT_MIN); anything larger stops at once.
    long long magnitude = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        magnitude = magnitude * 10 + (text[at] - '0');
        if (magnitude > static_cast<long long>(INT_MAX) + 1) return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
    }
    if (at == firstDigit) return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
    if (!negative && magnitude > INT_MAX) return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
    value = static_cast<int>(negative ? -magnitude : magnitude);
    if (at > 0x7fffffffu) return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
    return static_cast<int>(at);
}

// Shared by both entry points; limit is SIZE_MAX for the unchecked form.
int formatInto(const char *function, void *target, size_t limit, const char *format, va_list args) {
    if (!target) return rte::fail(function, RTE_UIE_NULL_ARGUMENT);
    Target kind = Target::Text;
    const char *items = nullptr;
    int code = targetOf(format, kind, items);
    if (code < 0) return rte::fail(function, code);
    std::string text;
    try {
        code = compose(items, args, text);
        if (code < 0) return rte::fail(function, code);
    } catch (const std::bad_alloc &) {
        return rte::fail(function, RTE_UIE_OUT_OF_MEMORY);
    }
    if (kind == Target::Int) {
        int value = 0;
        int used = readInt(text, value);
        if (used < 0) return rte::fail(function, used);
        if (limit < sizeof value) return rte::fail(function, RTE_UIE_BUFFER_TOO_SMALL);
        std::memcpy(target, &value, sizeof value);
        return used;
    }
    if (text.size() >= limit || text.size() > 0x7fffffffu)
        return rte::fail(function, RTE_UIE_BUFFER_TOO_SMALL);
    std::memcpy(target, text.c_str(), text.size() + 1);
    return static_cast<int>(text.size());
}

}  // namespace

extern "C" {

int Fmt(void *target, const char *format, ...) {
    va_list args;
    va_start(args, format);
    int result = formatInto("Fmt", target, SIZE_MAX, format, args);
    va_end(args);
    return result;
}

int FmtLimited(void *target, size_t targetSize, const char *format, ...) {
    va_list args;
    va_start(args, format);
    int result = formatInto("FmtLimited", target, targetSize, format, args);
    va_end(args);
    return result;
}

}  // extern "C"
