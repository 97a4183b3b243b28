// Fmt: formatted copy into a string. Only the target item "%s<", "%s" items and "%%"
// are accepted (see rte_format.h); the text is measured before anything is written, so
// a refused format or a too small target leaves the target as it was.
#include <cstdarg>
#include <cstring>
#include <string>

#include "rte_internal.h"

namespace {

constexpr char kTargetItem[] = "%s<";

// Composes format's text into out. Returns 0 or a user-interface code.
int compose(const char *format, va_list args, std::string &out) {
    if (!format) return RTE_UIE_NULL_ARGUMENT;
    if (std::strncmp(format, kTargetItem, sizeof kTargetItem - 1) != 0)
        return RTE_UIE_INVALID_FORMAT;
    for (const char *p = format + sizeof kTargetItem - 1; *p; ++p) {
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

// Shared by both entry points; limit is SIZE_MAX for the unchecked form.
int formatInto(const char *function, char *target, size_t limit, const char *format,
               va_list args) {
    if (!target) return rte::fail(function, RTE_UIE_NULL_ARGUMENT);
    std::string text;
    try {
        int code = compose(format, args, text);
        if (code < 0) return rte::fail(function, code);
    } catch (const std::bad_alloc &) {
        return rte::fail(function, RTE_UIE_OUT_OF_MEMORY);
    }
    if (text.size() >= limit || text.size() > 0x7fffffffu)
        return rte::fail(function, RTE_UIE_BUFFER_TOO_SMALL);
    std::memcpy(target, text.c_str(), text.size() + 1);
    return static_cast<int>(text.size());
}

}  // namespace

extern "C" {

int Fmt(char *target, const char *format, ...) {
    va_list args;
    va_start(args, format);
    int result = formatInto("Fmt", target, SIZE_MAX, format, args);
    va_end(args);
    return result;
}

int FmtLimited(char *target, size_t targetSize, const char *format, ...) {
    va_list args;
    va_start(args, format);
    int result = formatInto("FmtLimited", target, targetSize, format, args);
    va_end(args);
    return result;
}

}  // extern "C"
