// Binary files: searching a stream for a byte pattern, reading zero-terminated strings
// and CR LF lines of any length, writing repeated bytes and text with CR LF line ends.
// Each reads in small chunks and leaves the stream just behind what it consumed.
//
// A line is read in one pass: the bytes are fed to the same matcher the search uses, so
// the line ends exactly where a search for "\r\n" from the line's start would find it
// (a carriage return before the pair hides it).
//
// The readers take their bytes one at a time from the stream's buffer, holding the
// stream's lock for the whole call, so exactly what is consumed is read and the stream
// never has to be positioned: a successful read asks for no position at all (on a
// stream never positioned, asking costs a system call).
//
// Choices made here:
//  - A search pattern of fewer than one byte gives -14 (count below one) at once, with
//    nothing read or stored; null streams, patterns or string outs give -65.
//  - When a read fails for lack of memory, the stream is put back by the bytes it took,
//    so a failed read consumes nothing. The string's first block is had before any
//    byte is taken, so a read that cannot even start needs no putting back.
//  - The readers also read streams that cannot be positioned (pipes). Should memory
//    run out in the middle of such a read, the bytes taken cannot be put back: the
//    result is then -93.
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

    bool start(size_t capacity) {
        data_ = static_cast<char *>(tb::allocate(capacity));
        capacity_ = data_ ? capacity : 0;
        return data_ != nullptr;
    }
    // Adds count bytes; false (the text unchanged) when memory is short.
    bool append(const char *bytes, size_t count) {
        while (length_ + count >= capacity_)
            if (!grow()) return false;
        std::memcpy(data_ + length_, bytes, count);
        length_ += count;
        return true;
    }
    char *take() {
        data_[length_] = '\0';
        char *taken = data_;
        data_ = nullptr;
        return taken;
    }

private:
    bool grow() {
        char *grown = static_cast<char *>(tb::reallocate(data_, 2 * capacity_));
        if (!grown) return false;
        data_ = grown;
        capacity_ *= 2;
        return true;
    }

    char *data_ = nullptr;
    size_t length_ = 0;    // characters held; a terminator always fits behind them
    size_t capacity_ = 0;
};

// A stream locked for the holder's lifetime, read a byte at a time without locking
// each byte again.
class LockedStream {
public:
    explicit LockedStream(FILE *stream) : stream_(stream) {
#ifdef _WIN32
        _lock_file(stream_);
#else
        flockfile(stream_);
#endif
    }
    ~LockedStream() {
#ifdef _WIN32
        _unlock_file(stream_);
#else
        funlockfile(stream_);
#endif
    }
    LockedStream(const LockedStream &) = delete;
    LockedStream &operator=(const LockedStream &) = delete;

    int next() {
#ifdef _WIN32
        return _getc_nolock(stream_);
#else
        return getc_unlocked(stream_);
#endif
    }

private:
    FILE *stream_;
};

// Moves the stream back by count bytes from where it stands; false when it cannot.
bool putBack(FILE *stream, unsigned long long count) {
    while (count > 0) {
        long step = count > LONG_MAX ? LONG_MAX : static_cast<long>(count);
        if (std::fseek(stream, -step, SEEK_CUR) != 0) return false;
        count -= static_cast<unsigned long long>(step);
    }
    return true;
}

// Clears the flags and the string out; -65 for a null stream or string out.
int startRead(FILE *stream, char **string, int *endOfFile, int *maximumReached) {
    if (endOfFile) *endOfFile = 0;
    if (maximumReached) *maximumReached = 0;
    if (string) *string = nullptr;
    return stream && string ? 0 : RTE_UIE_NULL_ARGUMENT;
}

// Why a read stopped.
enum class Stop { Terminator, EndOfFile, Maximum, OutOfMemory };

// Takes the bytes of a string from the stream into text: up to its zero byte (taken,
// not kept), the limit (negative: none) or the end of the file; with toLineEnd also up
// to and including the first "\r\n" the search rule finds, which counts as reaching
// the limit. *consumed receives the bytes taken from the stream. Bytes gather in a
// local chunk first, which the compiler can keep apart from the stream's own fields.
Stop takeText(FILE *stream, HeapText &text, long long limit, bool toLineEnd, unsigned long long *consumed) {
    LockedStream in(stream);
    PatternMatcher lineEnd("\r\n", 2);
    char pending[kReadChunk];
    size_t held = 0;
    unsigned long long taken = 0;
    Stop stop;
    for (;;) {
        if (limit >= 0 && taken == static_cast<unsigned long long>(limit)) {
            stop = Stop::Maximum;
            break;
        }
        int next = in.next();
        if (next == EOF) {
            stop = Stop::EndOfFile;
            break;
        }
        ++taken;
        if (next == '\0') {
            stop = Stop::Terminator;
            break;
        }
        pending[held++] = static_cast<char>(next);
        if (held == sizeof pending) {
            if (!text.append(pending, held)) {
                stop = Stop::OutOfMemory;
                break;
            }
            held = 0;
        }
        if (toLineEnd && lineEnd.feed(static_cast<unsigned char>(next))) {
            stop = Stop::Maximum;
            break;
        }
    }
    *consumed = taken;
    if (stop != Stop::OutOfMemory && !text.append(pending, held)) stop = Stop::OutOfMemory;
    return stop;
}

int readText(FILE *stream, char **string, int maximumLength, int *endOfFile,
             int *maximumReached, bool toLineEnd) {
    int code = startRead(stream, string, endOfFile, maximumReached);
    if (code != 0) return code;
    HeapText text;
    if (!text.start(kReadChunk)) return RTE_UIE_OUT_OF_MEMORY;
    unsigned long long consumed = 0;
    Stop stop = takeText(stream, text, maximumLength, toLineEnd, &consumed);
    if (stop == Stop::OutOfMemory)
        return putBack(stream, consumed) ? RTE_UIE_OUT_OF_MEMORY : RTE_UIE_IO_ERROR;
    if (stop == Stop::EndOfFile && endOfFile) *endOfFile = 1;
    if (stop == Stop::Maximum && maximumReached) *maximumReached = 1;
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
