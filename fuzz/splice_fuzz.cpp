// SpliceCommaSeparatedList over arbitrary lists (either may be null): the result has
// as many elements as the longer list, each the first list's element when non-empty,
// else the second's. With one allocation made to fail it returns -12 and a null result
// and leaks nothing (the leak checker runs at exit).
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "toolbox.h"
#include "toolbox_internal.h"

using namespace fuzz_support;

namespace {

// A null list has no elements; any other has one more than it has commas.
std::vector<std::string> elements(const std::string *list) {
    std::vector<std::string> out;
    if (!list) return out;
    size_t start = 0;
    for (;;) {
        size_t comma = list->find(',', start);
        out.push_back(list->substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) return out;
        start = comma + 1;
    }
}

std::string expectedSplice(const std::string *first, const std::string *second) {
    std::vector<std::string> a = elements(first), b = elements(second);
    size_t count = std::max(a.size(), b.size());
    std::string out;
    for (size_t i = 0; i < count; ++i) {
        if (i) out += ',';
        if (i < a.size() && !a[i].empty())
            out += a[i];
        else if (i < b.size())
            out += b[i];
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1) return 0;
    // Bits 0-1: which list is null; bits 2-7: the allocation to refuse (63: none).
    unsigned control = data[0];
    std::vector<std::string> parts = fields(data + 1, size - 1, 2);
    parts.resize(2);
    for (std::string &part : parts) part = part.c_str();  // what the function sees
    const std::string *first = (control & 1) ? nullptr : &parts[0];
    const std::string *second = (control & 2) ? nullptr : &parts[1];
    int refuse = static_cast<int>(control >> 2);
    std::string expected = expectedSplice(first, second);

    char *result = reinterpret_cast<char *>(&control);
    if (refuse != 63) tb::failAllocations(refuse, 1);
    int code = SpliceCommaSeparatedList(first ? first->c_str() : nullptr,
                                        second ? second->c_str() : nullptr, &result);
    tb::failAllocations(0, 0);
    if (code == RTE_UIE_OUT_OF_MEMORY) {
        require(refuse != 63, "splicing fails only when memory is short");
        require(result == nullptr, "a failed splice stores a null result");
        return 0;
    }
    require(code == 0, "splicing gives 0 or -12");
    require(result != nullptr, "a successful splice gives a string");
    require(expected == result, "the spliced list takes the first list's non-empty elements");
    std::free(result);
    return 0;
}
