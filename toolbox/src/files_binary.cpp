// Binary files: searching a stream for a byte pattern, reading zero-terminated strings
// and CR LF lines of any length, writing repeated bytes and text with CR LF line ends.
// Each reads in small chunks and leaves the stream just behind what it consumed.
//
// A line is read in one pass: the bytes are fed to the same matcher the search uses, so
// the line ends exactly where a search for "\r\n" from the line's start would find it
// (a carriage return before the pair hides it), and the stream is positioned once.
//
// Choices made here:
//  - A search pattern of fewer than one byte gives -14 (count below one) at once, with
//    nothing read or stored; null streams, patterns or string outs give -65.
//  - When a read fails for lack of memory, the stream is put back where it was, so a
//    failed read consumes nothing.
//  - A match offset beyond INT_MAX is stored as INT_MAX (the file position is exact).
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "toolbox_internal.h"

namespace {

constexpr size_t kSearchChunk = 128;
constexpr size_t kReadChunk = 128;
constexpr size_t kFillChunk = 64;

bool seekTo(FILE *stream, long long position) {
    return position >= 0 && position <= LONG_MAX &&
           std::fseek(stream, static_cast<long>(position), SEEK_SET) == 0;
}

// The search rule: a byte either extends the partial match or resets it, and the byte
// that broke a partial match is not tried as a new start (1 1 2 is not found in
// 1 1 1 2).
class PatternMatcher {
public:
    PatternMatcher(const char *pattern, int count) : pattern_(pattern), count_(count) {}
    // True when this byte completes the pattern.
    bool feed(unsigned char byte) {
        if (byte == static_cast<unsigned char>(pattern_[matched_])) return ++matched_ == count_;
        matched_ = 0;
        return false;
    }

private:
    const char *pattern_;
    int count_;
    int matched_ = 0;
};

// A growing heap string made with the library's allocator; released unless taken.
class HeapText {
public:
    HeapText() = default;
    ~HeapText() { std::free(data_); }
    HeapText(const HeapText &) = delete;
    HeapText &operator=(const HeapText &) = delete;

    bool start() {
        data_ = static_cast<char *>(tb::allocate(1));
        if (data_) data_[0] = '\0', capacity_ = 1;
        return data_ != nullptr;
    }
    bool append(const char *bytes, size_t count) {
        if (count == 0) return true;
        if (length_ + count + 1 > capacity_) {
            size_t wanted = capacity_;
            while (wanted < length_ + count + 1) wanted *= 2;
            char *grown = static_cast<char *>(tb::reallocate(data_, wanted));
            if (!grown) return false;
            data_ = grown;
            capacity_ = wanted;
        }
        std::memcpy(data_ + length_, bytes, count);
        length_ += count;
        data_[length_] = '\0';
        return true;
    }
    char *take() {
        char *taken = data_;
        data_ = nullptr;
        return taken;
    }

private:
    char *data_ = nullptr;
    size_t length_ = 0;
    size_t capacity_ = 0;
};

// Clears the flags and the string out; -65 for a null stream or string out.
int startRead(FILE *stream, char **string, int *endOfFile, int *maximumReached) {
    if (endOfFile) *endOfFile = 0;
    if (maximumReached) *maximumReached = 0;
    if (string) *string = nullptr;
    return stream && string ? 0 : RTE_UIE_NULL_ARGUMENT;
}

// Reads a string up to its zero byte, the limit or the end of the file; with toLineEnd
// also up to and including the first "\r\n" the search rule finds, which counts as
// reaching the limit (the line's length is the limit). Bytes are taken one at a time
// from the stream's buffer, so exactly what is consumed is read and the stream never
// has to be repositioned (a seek would throw the stream's buffer away on every call).
int readText(FILE *stream, char **string, int maximumLength, int *endOfFile,
             int *maximumReached, bool toLineEnd) {
    int code = startRead(stream, string, endOfFile, maximumReached);
    if (code != 0) return code;
    HeapText text;
    if (!text.start()) return RTE_UIE_OUT_OF_MEMORY;
    long start = std::ftell(stream);
    if (start == -1L) return RTE_UIE_IO_ERROR;

    PatternMatcher lineEnd("\r\n", 2);
    char pending[kReadChunk];
    size_t held = 0;
    long long allowance = maximumLength;  // negative: no limit
    bool lineDone = false;
    bool outOfMemory = false;
    for (;;) {
        if (maximumLength >= 0 && allowance == 0) {
            if (maximumReached) *maximumReached = 1;
            break;
        }
        int next = std::getc(stream);
        if (next == EOF) {
            if (endOfFile) *endOfFile = 1;
            break;
        }
        --allowance;
        if (next == '\0') break;
        pending[held++] = static_cast<char>(next);
        lineDone = toLineEnd && lineEnd.feed(static_cast<unsigned char>(next));
        if (held == sizeof pending || lineDone) {
            outOfMemory = !text.append(pending, held);
            if (outOfMemory) break;
            held = 0;
        }
        if (lineDone) {
            if (maximumReached) *maximumReached = 1;
            break;
        }
    }
    if (outOfMemory || !text.append(pending, held)) {
        seekTo(stream, start);
        return RTE_UIE_OUT_OF_MEMORY;
    }
    *string = text.take();
    return 0;
}

bool writeAll(FILE *stream, const char *bytes, size_t count) {
    return count == 0 || std::fwrite(bytes, 1, count, stream) == count;
}

}  // namespace

extern "C" {

int FindBytesInFile(FILE *stream, const char *pattern, int count, int *offset,
                    long *filePosition) {
    if (!stream || !pattern) return RTE_UIE_NULL_ARGUMENT;
    if (count < 1) return RTE_UIE_COUNT_BELOW_ONE;
    tb::BreakingOff quiet;
    long start = std::ftell(stream);
    if (start == -1L) return RTE_UIE_IO_ERROR;

    PatternMatcher matcher(pattern, count);
    unsigned char chunk[kSearchChunk];
    long long bytesRead = 0;
    bool found = false;
    while (!found) {
        size_t got = std::fread(chunk, 1, sizeof chunk, stream);
        if (got == 0) break;
        for (size_t i = 0; i < got && !found; ++i) {
            ++bytesRead;
            found = matcher.feed(chunk[i]);
        }
    }
    long long distance = found ? bytesRead - count : bytesRead;
    if (offset) *offset = distance > INT_MAX ? INT_MAX : static_cast<int>(distance);
    if (filePosition) *filePosition = static_cast<long>(start + distance);
    if (found && !seekTo(stream, start + distance + count)) return RTE_UIE_IO_ERROR;
    return found ? 1 : 0;
}

int ReadStringFromBinaryFile(FILE *stream, char **string, int maximumLength, int *endOfFile,
                             int *maximumReached) {
    return readText(stream, string, maximumLength, endOfFile, maximumReached, false);
}

int ReadLineFromBinaryFile(FILE *stream, char **string, int maximumLength, int *endOfFile,
                           int *maximumReached) {
    return readText(stream, string, maximumLength, endOfFile, maximumReached, true);
}

int WriteByteToFile(FILE *stream, char byte, int count) {
    if (count < 1) return 0;
    if (!stream) return RTE_UIE_NULL_ARGUMENT;
    char fill[kFillChunk];
    std::memset(fill, byte, std::min<size_t>(kFillChunk, static_cast<size_t>(count)));
    for (size_t left = static_cast<size_t>(count); left > 0;) {
        size_t piece = std::min(kFillChunk, left);
        if (!writeAll(stream, fill, piece)) return RTE_UIE_DISK_FULL;
        left -= piece;
    }
    return 0;
}

int WriteStringToFile(FILE *stream, const char *text) {
    if (!text) return 0;
    if (!stream) return RTE_UIE_NULL_ARGUMENT;
    for (;;) {
        const char *lineFeed = std::strchr(text, '\n');
        size_t length = lineFeed ? static_cast<size_t>(lineFeed - text) : std::strlen(text);
        if (!writeAll(stream, text, length)) return RTE_UIE_DISK_FULL;
        if (!lineFeed) return 0;
        if (!writeAll(stream, "\r\n", 2)) return RTE_UIE_DISK_FULL;
        text = lineFeed + 1;
    }
}

}  // extern "C"
