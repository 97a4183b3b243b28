// Fmt and FmtLimited over arbitrary formats and items: they either compose exactly the
// text a plain reading of the notation gives, or refuse with a code and leave the
// target alone; FmtLimited never writes outside the room it was given.
#include <cstdio>

#include "fuzz_support.h"
#include "rtengine.h"

using namespace fuzz_support;

namespace {

// The notation read plainly: "%s<" first, then literal text, "%s" items and "%%".
// Returns false for a format the engine must refuse.
bool expectedText(const std::string &format, const std::vector<std::string> &items,
                  std::string &out) {
    if (format.compare(0, 3, "%s<") != 0) return false;
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
