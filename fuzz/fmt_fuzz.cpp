// Fmt and FmtLimited over arbitrary formats and items: they either compose exactly the
// text a plain reading of the notation gives (or, for an int target, the number the C
// library's strtol reads from it), or refuse with a code and leave the target alone;
// FmtLimited never writes outside the room it was given.
#include <cerrno>
#include <climits>
#include <cstdio>

#include "fuzz_support.h"
#include "rtengine.h"

using namespace fuzz_support;

namespace {

// The notation read plainly: "%s<" or "%d<" first, then literal text, "%s" items and
// "%%". Returns false for a format the engine must refuse.
bool expectedText(const std::string &format, const std::vector<std::string> &items,
                  std::string &out) {
    if (format.compare(0, 3, "%s<") != 0 && format.compare(0, 3, "%d<") != 0) return false;
    size_t next = 0;
    for (size_t i = 3; i < format.size(); ++i) {
        if (format[i] != '%') {
            out += format[i];
        } else if (i + 1 < format.size() && format[i + 1] == '%') {
            out += '%';
            ++i;
        } else if (i + 1 < format.size() && format[i + 1] == 's') {
            out += items[next++];
            ++i;
        } else {
            return false;
        }
    }
    return true;
}

// The int target: strtol's decimal reading of the text (the C locale's white space, a
// sign, digits), within the int range. Gives the characters read, or -90.
int expectedInt(const std::string &text, int &value) {
    const char *start = text.c_str();
    char *end = nullptr;
    errno = 0;
    long read = std::strtol(start, &end, 10);
    if (end == start || errno == ERANGE || read < INT_MIN || read > INT_MAX)
        return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
    value = static_cast<int>(read);
    return static_cast<int>(end - start);
}

void checkIntTarget(size_t limit, const std::string &format, const std::string &text, const char *const *a) {
    int value = 0;
    int used = expectedInt(text, value);
    GuardedBuffer limited(limit, 'u');
    int code = FmtLimited(limited.data(), limit, format.c_str(), a[0], a[1], a[2], a[3], a[4], a[5],
                          a[6], a[7]);
    require(limited.guardsIntact(), "FmtLimited writes only inside its room");
    if (used >= 0 && limit >= sizeof value) {
        require(code == used, "FmtLimited returns the characters read");
        require(std::memcmp(limited.data(), &value, sizeof value) == 0, "FmtLimited stores the number");
        for (size_t i = sizeof value; i < limit; ++i)
            require(limited.data()[i] == 'u', "FmtLimited writes only the int");
    } else {
        require(code == (used < 0 ? used : RTE_UIE_BUFFER_TOO_SMALL), "FmtLimited refuses with the right code");
        for (size_t i = 0; i < limit; ++i)
            require(limited.data()[i] == 'u', "a refused FmtLimited leaves the target alone");
    }
    GuardedBuffer whole(sizeof value, 'u');
    code = Fmt(whole.data(), format.c_str(), a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]);
    require(whole.guardsIntact(), "Fmt writes only the int");
    require(code == used, "Fmt returns the characters read or refuses");
    if (used >= 0) require(std::memcmp(whole.data(), &value, sizeof value) == 0, "Fmt stores the number");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1) return 0;
    size_t limit = data[0] % 64;
    std::vector<std::string> parts = fields(data + 1, size - 1, 9);
    std::string format = parts[0];
    std::vector<std::string> items(parts.begin() + 1, parts.end());
    size_t itemCount = 0;
    for (size_t i = 0; i + 1 < format.size(); ++i)
        if (format[i] == '%') {
            if (format[i + 1] == 's') ++itemCount;
            ++i;
        }
    if (itemCount > 8) return 0;
    items.resize(8);
    const char *a[8];
    for (int i = 0; i < 8; ++i) a[i] = items[i].c_str();

    std::string expected;
    bool valid = expectedText(format, items, expected);
    if (valid && format[1] == 'd') {
        checkIntTarget(limit, format, expected, a);
        return 0;
    }

    GuardedBuffer limited(limit, 'u');
    int code = FmtLimited(limited.data(), limit, format.c_str(), a[0], a[1], a[2], a[3], a[4],
                          a[5], a[6], a[7]);
    require(limited.guardsIntact(), "FmtLimited writes only inside its room");
    if (valid && expected.size() < limit) {
        require(code == static_cast<int>(expected.size()), "FmtLimited returns the length");
        require(std::memcmp(limited.data(), expected.c_str(), expected.size() + 1) == 0,
                "FmtLimited composes the expected text");
    } else {
        require(code == (valid ? RTE_UIE_BUFFER_TOO_SMALL : RTE_UIE_INVALID_FORMAT),
                "FmtLimited refuses with the right code");
        for (size_t i = 0; i < limit; ++i)
            require(limited.data()[i] == 'u', "a refused FmtLimited leaves the target alone");
    }

    GuardedBuffer whole(expected.size() + 1, 'u');
    code = Fmt(whole.data(), format.c_str(), a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]);
    require(whole.guardsIntact(), "Fmt writes only the composed text");
    require(code == (valid ? static_cast<int>(expected.size()) : RTE_UIE_INVALID_FORMAT),
            "Fmt returns the length or refuses");
    return 0;
}
