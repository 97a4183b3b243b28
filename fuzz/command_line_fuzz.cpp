// The command-line splitter over arbitrary lines: the tail behind the program name,
// the argument count, the argument boundaries and the unquoting all agree with a plain
// reading of the rules; counting and splitting agree; nothing is read past the
// terminator (every string sits in a block of exactly its size); and a failing
// allocation leaves argc and argv untouched.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "command_line.h"
#include "fuzz_support.h"

using namespace fuzz_support;

namespace {

// A heap copy of exactly text.size() + 1 bytes, so a read past the terminator is caught.
struct ExactCopy {
    explicit ExactCopy(const std::string &text) : bytes(static_cast<char *>(std::malloc(text.size() + 1))) {
        std::memcpy(bytes, text.c_str(), text.size() + 1);
    }
    ~ExactCopy() { std::free(bytes); }
    ExactCopy(const ExactCopy &) = delete;
    ExactCopy &operator=(const ExactCopy &) = delete;
    char *bytes;
};

// The allocator handed to the splitter: zero-filled blocks, the failAt-th one (counting
// from 0) refused; everything is given back after the input.
std::vector<void *> blocks;
int failAt = -1;
void *countingAllocator(std::size_t bytes) {
    if (static_cast<int>(blocks.size()) == failAt) return nullptr;
    void *block = std::calloc(1, bytes);
    if (block) blocks.push_back(block);
    return block;
}
void releaseBlocks() {
    for (void *block : blocks) std::free(block);
    blocks.clear();
}

bool isArgumentSeparator(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Index of the tail: a quoted name runs to its closing quote, an unquoted one over
// every byte above 32; then bytes 1 to 32 are skipped.
size_t expectedTail(const std::string &line) {
    size_t i = 0;
    if (!line.empty() && line[0] == '"') {
        size_t close = line.find('"', 1);
        i = close == std::string::npos ? line.size() : close + 1;
    } else {
        while (i < line.size() && static_cast<unsigned char>(line[i]) > 32) ++i;
    }
    while (i < line.size() && static_cast<unsigned char>(line[i]) <= 32) ++i;
    return i;
}

// Backslashes stay; a quote behind an odd run of them takes the last one's place;
// other quotes go.
std::string expectedUnquoted(const std::string &argument) {
    std::string out;
    size_t run = 0;
    for (char c : argument) {
        if (c == '"') {
            if (run % 2 == 1) out.back() = '"';
            run = 0;
            continue;
        }
        run = c == '\\' ? run + 1 : 0;
        out += c;
    }
    return out;
}

// The raw arguments: separators (blank, tab, line feed, carriage return) between them;
// an argument ends at a blank or tab outside quotes; a quote behind an odd run of
// backslashes does not open or close the quotes.
std::vector<std::string> expectedArguments(const std::string &tail) {
    std::vector<std::string> out;
    size_t i = 0;
    for (;;) {
        while (i < tail.size() && isArgumentSeparator(tail[i])) ++i;
        if (i == tail.size()) return out;
        size_t start = i, run = 0;
        bool quoted = false;
        for (; i < tail.size(); ++i) {
            char c = tail[i];
            if (c == '\\') {
                ++run;
                continue;
            }
            if (c == '"' && run % 2 == 0) quoted = !quoted;
            if ((c == ' ' || c == '\t') && !quoted) break;
            run = 0;
        }
        out.push_back(tail.substr(start, i - start));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1) return 0;
    // The first byte picks the allocation to refuse (none for most values).
    int refuse = data[0] < 32 ? data[0] : -1;
    std::string line(reinterpret_cast<const char *>(data + 1), size - 1);
    line = line.c_str();  // the splitter sees a C string: up to the first zero byte

    ExactCopy full(line);
    const char *tail = vantor::commandLineTail(full.bytes);
    require(tail >= full.bytes && tail <= full.bytes + line.size(), "the tail lies inside the line");
    require(static_cast<size_t>(tail - full.bytes) == expectedTail(line),
            "the tail starts behind the program name and the blanks after it");
    require(*vantor::commandLineTail(nullptr) == '\0', "a null line has an empty tail");

    const char *base = vantor::moduleBaseName(full.bytes);
    require(base >= full.bytes && base <= full.bytes + line.size(), "the base name lies inside the path");
    size_t lastSeparator = line.find_last_of("\\:");
    require(static_cast<size_t>(base - full.bytes) == (lastSeparator == std::string::npos ? 0 : lastSeparator + 1),
            "the base name starts behind the last separator");

    std::string tailText(tail);
    std::vector<std::string> raw = expectedArguments(tailText);
    ExactCopy tailCopy(tailText);
    int count = vantor::countArguments(tailCopy.bytes);
    require(count == static_cast<int>(raw.size()), "the count matches the arguments");

    // argumentEnd of the first argument ends where the reading ends it.
    if (!raw.empty()) {
        const char *first = tailCopy.bytes + tailText.find_first_not_of(" \t\n\r");
        require(vantor::argumentEnd(first) == first + raw[0].size(), "an argument ends where expected");
    }

    failAt = refuse;
    int argc = 0x5eed;
    char **argv = reinterpret_cast<char **>(&failAt);
    bool split = vantor::splitArguments(tailCopy.bytes, countingAllocator, &argc, &argv);
    if (!split) {
        require(refuse >= 0, "splitting fails only when an allocation fails");
        require(argc == 0x5eed && argv == reinterpret_cast<char **>(&failAt),
                "a failed split leaves argc and argv untouched");
    } else {
        require(refuse < 0 || refuse >= static_cast<int>(blocks.size()),
                "a refused allocation makes the split fail");
        require(argc == count + 1, "splitting and counting agree");
        require(argv[0] != nullptr && argv[0][0] == '\0', "argv[0] is left empty for the name");
        require(argv[argc] == nullptr, "argv ends with a null");
        for (int i = 1; i < argc; ++i)
            require(expectedUnquoted(raw[i - 1]) == argv[i], "each argument is unquoted as expected");
    }
    releaseBlocks();
    failAt = -1;

    // Unquoting in place never grows the text and follows the rules on any text.
    ExactCopy quoted(line);
    vantor::unquoteArgument(quoted.bytes);
    require(expectedUnquoted(line) == quoted.bytes, "unquoting keeps backslashes and drops quotes");
    return 0;
}
