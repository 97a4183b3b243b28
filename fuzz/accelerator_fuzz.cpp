// AcceleratorEscapeCodeLocation and RemoveAcceleratorEscapeCode over arbitrary labels:
// the code found is the first run of exactly two underscores with a character behind
// it (longer runs are plain text); removing it drops exactly those two characters and
// nothing is read or written outside the label (it sits in a block of its exact size).
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "toolbox.h"

using namespace fuzz_support;

namespace {

int expectedLocation(const std::string &label) {
    size_t i = 0;
    while (i < label.size()) {
        if (label[i] != '_') {
            ++i;
            continue;
        }
        size_t run = 0;
        while (i + run < label.size() && label[i + run] == '_') ++run;
        if (run == 2 && i + run < label.size()) return static_cast<int>(i);
        i += run;
    }
    return -1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string label(reinterpret_cast<const char *>(data), size);
    label = label.c_str();
    char *exact = static_cast<char *>(std::malloc(label.size() + 1));
    std::memcpy(exact, label.c_str(), label.size() + 1);

    int expected = expectedLocation(label);
    require(AcceleratorEscapeCodeLocation(exact) == expected,
            "the escape code is the first run of exactly two underscores before a character");
    RemoveAcceleratorEscapeCode(exact);
    std::string removed = label;
    if (expected >= 0) removed.erase(static_cast<size_t>(expected), 2);
    require(removed == exact, "removal drops exactly the two underscores of the code");
    std::free(exact);
    require(AcceleratorEscapeCodeLocation(nullptr) == -1, "a null label has no code");
    RemoveAcceleratorEscapeCode(nullptr);
    return 0;
}
