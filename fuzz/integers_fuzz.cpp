// StrToInt and StrToUInt over arbitrary texts: each accepts exactly the texts a plain
// 64-bit reading of "white space, one optional sign, digits, white space" accepts and
// finds in range, gives the same value, and leaves the output untouched otherwise.
#include <cctype>
#include <climits>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "toolbox.h"

using namespace fuzz_support;

namespace {

struct Reading {
    bool wellFormed = false;
    bool negative = false;
    bool huge = false;          // magnitude beyond 2^40: out of every range
    std::int64_t magnitude = 0;
};

bool white(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

Reading readDecimal(const std::string &text) {
    Reading r;
    size_t i = 0, n = text.size();
    while (i < n && white(text[i])) ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) r.negative = text[i++] == '-';
    size_t digits = i;
    for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i) {
        r.magnitude = r.magnitude * 10 + (text[i] - '0');
        if (r.magnitude > (std::int64_t{1} << 40)) {
            r.huge = true;
            r.magnitude = std::int64_t{1} << 40;
        }
    }
    if (i == digits) return r;
    while (i < n && white(text[i])) ++i;
    r.wellFormed = i == n;
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string text(reinterpret_cast<const char *>(data), size);
    text = text.c_str();
    Reading r = readDecimal(text);
    std::int64_t value = r.negative ? -r.magnitude : r.magnitude;

    int signedOut = static_cast<int>(0xdeadbeef);
    int accepted = StrToInt(text.c_str(), &signedOut);
    bool expectSigned = r.wellFormed && !r.huge && value >= INT_MIN && value <= INT_MAX;
    require(accepted == (expectSigned ? 1 : 0), "StrToInt accepts exactly the valid int texts");
    require(signedOut == (expectSigned ? value : static_cast<int>(0xdeadbeef)),
            "StrToInt stores the value, or nothing on refusal");

    unsigned unsignedOut = 0xdeadbeef;
    accepted = StrToUInt(text.c_str(), &unsignedOut);
    bool expectUnsigned = r.wellFormed && !r.huge && !r.negative && value <= UINT_MAX;
    require(accepted == (expectUnsigned ? 1 : 0), "StrToUInt accepts exactly the valid unsigned texts");
    require(unsignedOut == (expectUnsigned ? static_cast<std::uint64_t>(value) : 0xdeadbeefu),
            "StrToUInt stores the value, or nothing on refusal");
    return 0;
}
