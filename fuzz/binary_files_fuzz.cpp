// FindBytesInFile and the chained readers (ReadLineFromBinaryFile or
// ReadStringFromBinaryFile) over random files held in memory streams: every result,
// offset, flag and string agrees with a plain scan of the bytes, and after each call
// the stream stands exactly behind what the scan says was consumed.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "rtengine.h"
#include "toolbox.h"

using namespace fuzz_support;

namespace {

// Where a forward search from start finds pattern, or npos. A byte that breaks a
// partial match is not tried as the start of a new one.
size_t scanFor(const std::string &file, size_t start, const std::string &pattern) {
    size_t matched = 0;
    for (size_t i = start; i < file.size(); ++i) {
        if (file[i] == pattern[matched]) {
            if (++matched == pattern.size()) return i + 1 - matched;
        } else {
            matched = 0;
        }
    }
    return std::string::npos;
}

struct Read {
    std::string text;
    size_t consumed = 0;
    int endOfFile = 0;
    int maximumReached = 0;
};

// A string from start: up to a zero byte (consumed, not kept), limit bytes (negative:
// none; reaching it counts before reaching the end), or the end of the file.
Read scanString(const std::string &file, size_t start, long long limit) {
    Read r;
    for (size_t i = 0;; ++i) {
        if (limit >= 0 && static_cast<long long>(i) == limit) {
            r.maximumReached = 1;
            r.consumed = i;
            return r;
        }
        if (start + i == file.size()) {
            r.endOfFile = 1;
            r.consumed = i;
            return r;
        }
        if (file[start + i] == '\0') {
            r.consumed = i + 1;
            return r;
        }
        r.text += file[start + i];
    }
}

// A line: the string up to and including the "\r\n" the search finds, or less when
// the caller's maximum is smaller; the rest of the file when there is no line end.
Read scanLine(const std::string &file, size_t start, long long maximum) {
    size_t lineEnd = scanFor(file, start, "\r\n");
    long long limit = maximum;
    if (lineEnd != std::string::npos) {
        long long length = static_cast<long long>(lineEnd - start + 2);
        if (maximum < 0 || maximum > length) limit = length;
    }
    return scanString(file, start, limit);
}

void checkSearch(FILE *stream, const std::string &file, size_t start, const std::string &pattern) {
    int offset = static_cast<int>(0xdeadbeef);
    long position = -7;
    std::fseek(stream, static_cast<long>(start), SEEK_SET);
    int code = FindBytesInFile(stream, pattern.data(), static_cast<int>(pattern.size()), &offset, &position);
    if (pattern.empty()) {
        require(code == RTE_UIE_COUNT_BELOW_ONE, "an empty pattern is refused");
        require(offset == static_cast<int>(0xdeadbeef) && position == -7, "a refused search stores nothing");
        require(std::ftell(stream) == static_cast<long>(start), "a refused search reads nothing");
        return;
    }
    size_t at = scanFor(file, start, pattern);
    if (at != std::string::npos) {
        require(code == 1, "a pattern that is there is found");
        require(offset == static_cast<int>(at - start) && position == static_cast<long>(at),
                "the match is reported where it starts");
        require(std::ftell(stream) == static_cast<long>(at + pattern.size()), "the stream stands behind the match");
    } else {
        require(code == 0, "a pattern that is not there is not found");
        require(offset == static_cast<int>(file.size() - start) && position == static_cast<long>(file.size()),
                "a failed search reports the bytes read");
        require(std::ftell(stream) == static_cast<long>(file.size()), "a failed search ends at the end");
    }
}

void checkReads(FILE *stream, const std::string &file, size_t start, int maximum, bool lines) {
    std::fseek(stream, static_cast<long>(start), SEEK_SET);
    size_t position = start;
    // Chained calls until the end; a maximum of 0 consumes nothing, so it is tried once.
    for (int call = 0; call < 64; ++call) {
        Read expected = lines ? scanLine(file, position, maximum) : scanString(file, position, maximum);
        char *text = reinterpret_cast<char *>(1);
        int endOfFile = 7, maximumReached = 7;
        int code = lines ? ReadLineFromBinaryFile(stream, &text, maximum, &endOfFile, &maximumReached)
                         : ReadStringFromBinaryFile(stream, &text, maximum, &endOfFile, &maximumReached);
        require(code == 0 && text != nullptr, "a read from a good stream succeeds");
        require(expected.text == text, "the text read is the scan's");
        require(endOfFile == expected.endOfFile && maximumReached == expected.maximumReached,
                "the flags tell why the read stopped");
        std::free(text);
        position += expected.consumed;
        require(std::ftell(stream) == static_cast<long>(position), "the stream stands behind what was consumed");
        if (expected.endOfFile || maximum == 0) break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 4) return 0;
    // Byte 0: bit 0 lines or strings; byte 1: the start; byte 2: the maximum (signed,
    // negative: none); byte 3: the pattern length (0 to 7); then the pattern and the file.
    bool lines = (data[0] & 1) == 0;
    int maximum = static_cast<signed char>(data[2]);
    size_t count = std::min<size_t>(data[3] % 8, size - 4);
    std::string pattern(reinterpret_cast<const char *>(data + 4), count);
    std::string file(reinterpret_cast<const char *>(data + 4 + count), size - 4 - count);
    size_t start = data[1] % (file.size() + 1);

    std::string bytes = file;  // the stream's own copy: it must not be changed
    FILE *stream = fmemopen(bytes.empty() ? nullptr : &bytes[0], bytes.size(), "rb");
    if (!stream) return 0;
    checkSearch(stream, file, start, pattern);
    checkReads(stream, file, start, maximum, lines);
    std::fclose(stream);
    require(bytes == file, "reading leaves the file as it was");
    return 0;
}
