// Binary files: pattern search (with its no-re-examination rule), string and line
// reading across chunks, limits and flags, stream positions after each call, the
// repeated-byte and CR LF writers, short writes, and out-of-memory reads.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "test_support.h"
#include "toolbox.h"
#include "toolbox_internal.h"

using testing_support::LibraryErrorCounter;
using testing_support::ScratchDir;

namespace {

constexpr int kSentinel = static_cast<int>(0xdeadbeef);

// A file with given bytes opened for binary reading, closed at the end.
class BinaryFiles : public ::testing::Test {
protected:
    FILE *open(const std::string &bytes, const char *mode = "rb") {
        std::string path = dir.write("data.bin", bytes);
        stream = std::fopen(path.c_str(), mode);
        EXPECT_NE(stream, nullptr);
        return stream;
    }
    FILE *openForWriting() {
        stream = std::fopen(dir.path("out.bin").c_str(), "wb");
        EXPECT_NE(stream, nullptr);
        return stream;
    }
    std::string written() {
        std::fclose(stream);
        stream = nullptr;
        return testing_support::readFile(dir.path("out.bin"));
    }
    int nextByte() { return std::fgetc(stream); }
    void TearDown() override {
        if (stream) std::fclose(stream);
        tb::failAllocations(0, 0);
    }

    ScratchDir dir;
    FILE *stream = nullptr;
};

// Reads one string and hands back its text (freed here), checking the flags' values.
struct ReadResult {
    int code;
    std::string text;
    bool isNull;
    int endOfFile;
    int maximumReached;
};

template <typename Reader>
ReadResult readWith(Reader reader, FILE *stream, int maximum) {
    char *string = reinterpret_cast<char *>(0x1);
    ReadResult r{};
    r.endOfFile = kSentinel;
    r.maximumReached = kSentinel;
    r.code = reader(stream, &string, maximum, &r.endOfFile, &r.maximumReached);
    r.isNull = string == nullptr;
    if (string && string != reinterpret_cast<char *>(0x1)) {
        r.text = string;
        std::free(string);
    }
    return r;
}

// ---- FindBytesInFile ------------------------------------------------------------

TEST_F(BinaryFiles, FindLeavesTheStreamBehindTheMatch) {
    open("xxABy");
    int offset = kSentinel;
    long position = -7;
    EXPECT_EQ(FindBytesInFile(stream, "AB", 2, &offset, &position), 1);
    EXPECT_EQ(offset, 2);
    EXPECT_EQ(position, 2);
    EXPECT_EQ(nextByte(), 'y');
}

// Offsets count from where the search began; positions from the file's start.
TEST_F(BinaryFiles, FindFromTheMiddleAndChained) {
    open("..AB..AB.");
    ASSERT_EQ(std::fseek(stream, 1, SEEK_SET), 0);
    int offset = kSentinel;
    long position = -7;
    EXPECT_EQ(FindBytesInFile(stream, "AB", 2, &offset, &position), 1);
    EXPECT_EQ(offset, 1);
    EXPECT_EQ(position, 2);
    EXPECT_EQ(FindBytesInFile(stream, "AB", 2, &offset, &position), 1);
    EXPECT_EQ(offset, 2);
    EXPECT_EQ(position, 6);
    EXPECT_EQ(FindBytesInFile(stream, "AB", 2, &offset, &position), 0);
    EXPECT_EQ(offset, 1);  // the one byte that was left
    EXPECT_EQ(position, 9);
    EXPECT_EQ(nextByte(), EOF);
}

TEST_F(BinaryFiles, FindInAnEmptyRestOfFile) {
    open("abc");
    ASSERT_EQ(std::fseek(stream, 0, SEEK_END), 0);
    int offset = kSentinel;
    long position = -7;
    EXPECT_EQ(FindBytesInFile(stream, "a", 1, &offset, &position), 0);
    EXPECT_EQ(offset, 0);
    EXPECT_EQ(position, 3);
    EXPECT_EQ(std::ftell(stream), 3);
}

// The byte that breaks a partial match is not tried as a new start.
TEST_F(BinaryFiles, FindDoesNotReexamineABrokenPartialMatch) {
    open("\x01\x01\x01\x02");
    int offset = kSentinel;
    EXPECT_EQ(FindBytesInFile(stream, "\x01\x01\x02", 3, &offset, nullptr), 0);
    EXPECT_EQ(offset, 4);
    EXPECT_EQ(nextByte(), EOF);
}

// Matches that straddle the 128-byte chunks, and bytes above 127, are found.
TEST_F(BinaryFiles, FindAcrossChunkBoundaries) {
    std::string bytes(300, 'z');
    bytes.replace(126, 4, "\xfe\xff\x80\x7f");
    bytes.replace(255, 3, "end");
    open(bytes);
    int offset = kSentinel;
    EXPECT_EQ(FindBytesInFile(stream, "\xfe\xff\x80\x7f", 4, &offset, nullptr), 1);
    EXPECT_EQ(offset, 126);
    EXPECT_EQ(std::ftell(stream), 130);
    long position = 0;
    EXPECT_EQ(FindBytesInFile(stream, "end", 3, nullptr, &position), 1);
    EXPECT_EQ(position, 255);
    EXPECT_EQ(std::ftell(stream), 258);
}

TEST_F(BinaryFiles, FindZeroBytesInThePattern) {
    open(std::string("ab\0cd", 5));
    int offset = kSentinel;
    EXPECT_EQ(FindBytesInFile(stream, "\0c", 2, &offset, nullptr), 1);
    EXPECT_EQ(offset, 2);
    EXPECT_EQ(nextByte(), 'd');
}

// Bad arguments: a code, nothing read, outputs untouched.
TEST_F(BinaryFiles, FindRefusesBadArguments) {
    open("abc");
    int offset = kSentinel;
    long position = 0x5eed;
    EXPECT_EQ(FindBytesInFile(stream, "a", 0, &offset, &position), -14);
    EXPECT_EQ(FindBytesInFile(stream, "a", -3, &offset, &position), -14);
    EXPECT_EQ(FindBytesInFile(stream, nullptr, 1, &offset, &position), -65);
    EXPECT_EQ(FindBytesInFile(nullptr, "a", 1, &offset, &position), -65);
    EXPECT_EQ(offset, kSentinel);
    EXPECT_EQ(position, 0x5eed);
    EXPECT_EQ(std::ftell(stream), 0);
}

// The search runs with breaking off and leaves the setting as it was.
TEST_F(BinaryFiles, FindKeepsTheBreakingSetting) {
    open("abc");
    LibraryErrorCounter counter;
    EXPECT_EQ(FindBytesInFile(stream, "zz", 2, nullptr, nullptr), 0);
    EXPECT_EQ(GetBreakOnLibraryErrors(), 1);
    SetBOLE(0);
    EXPECT_EQ(FindBytesInFile(stream, "zz", 2, nullptr, nullptr), 0);
    EXPECT_EQ(GetBreakOnLibraryErrors(), 0);
}

// ---- ReadStringFromBinaryFile ---------------------------------------------------

TEST_F(BinaryFiles, ReadStringsAreChained) {
    open(std::string("abc\0def", 7));
    ReadResult first = readWith(ReadStringFromBinaryFile, stream, -1);
    EXPECT_EQ(first.code, 0);
    EXPECT_EQ(first.text, "abc");
    EXPECT_EQ(first.endOfFile, 0);
    EXPECT_EQ(first.maximumReached, 0);
    EXPECT_EQ(std::ftell(stream), 4);
    ReadResult second = readWith(ReadStringFromBinaryFile, stream, -1);
    EXPECT_EQ(second.code, 0);
    EXPECT_EQ(second.text, "def");
    EXPECT_EQ(second.endOfFile, 1);
    EXPECT_EQ(second.maximumReached, 0);
    ReadResult third = readWith(ReadStringFromBinaryFile, stream, -1);
    EXPECT_EQ(third.code, 0);
    EXPECT_EQ(third.text, "");
    EXPECT_FALSE(third.isNull);
    EXPECT_EQ(third.endOfFile, 1);
}

TEST_F(BinaryFiles, ReadStringWithMaximumZero) {
    open("abc");
    ReadResult r = readWith(ReadStringFromBinaryFile, stream, 0);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.text, "");
    EXPECT_FALSE(r.isNull);
    EXPECT_EQ(r.maximumReached, 1);
    EXPECT_EQ(r.endOfFile, 0);
    EXPECT_EQ(std::ftell(stream), 0);
}

// The limit counts bytes consumed; a zero byte exactly at the limit is still a string end.
TEST_F(BinaryFiles, ReadStringLimits) {
    open(std::string("abcdef\0gh\0", 10));
    ReadResult limited = readWith(ReadStringFromBinaryFile, stream, 4);
    EXPECT_EQ(limited.text, "abcd");
    EXPECT_EQ(limited.maximumReached, 1);
    EXPECT_EQ(std::ftell(stream), 4);
    ReadResult exact = readWith(ReadStringFromBinaryFile, stream, 3);
    EXPECT_EQ(exact.text, "ef");
    EXPECT_EQ(exact.maximumReached, 0) << "the zero byte ended it within the limit";
    EXPECT_EQ(std::ftell(stream), 7);
}

// Strings longer than a chunk, and exactly a chunk or two, are read whole.
class LongStrings : public BinaryFiles, public ::testing::WithParamInterface<int> {};

TEST_P(LongStrings, ReadWholeAcrossChunks) {
    int length = GetParam();
    std::string text;
    for (int i = 0; i < length; ++i) text += static_cast<char>('a' + i % 26);
    open(text + std::string(1, '\0') + "rest");
    ReadResult r = readWith(ReadStringFromBinaryFile, stream, -1);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.text, text);
    EXPECT_EQ(std::ftell(stream), length + 1);
    EXPECT_EQ(nextByte(), 'r');
}

INSTANTIATE_TEST_SUITE_P(Lengths, LongStrings, ::testing::Values(1, 127, 128, 129, 256, 1000));

// Running out of memory: null string, -12, and the stream back where it was.
TEST_F(BinaryFiles, ReadStringOutOfMemory) {
    open(std::string(500, 'q'));
    tb::failAllocations(0, 1);
    ReadResult first = readWith(ReadStringFromBinaryFile, stream, -1);
    EXPECT_EQ(first.code, -12);
    EXPECT_TRUE(first.isNull);
    tb::failAllocations(2, 1);  // the start and one growth pass, then a growth fails
    ReadResult later = readWith(ReadStringFromBinaryFile, stream, -1);
    EXPECT_EQ(later.code, -12);
    EXPECT_TRUE(later.isNull);
    EXPECT_EQ(std::ftell(stream), 0);
    tb::failAllocations(0, 0);
    ReadResult ok = readWith(ReadStringFromBinaryFile, stream, -1);
    EXPECT_EQ(ok.text.size(), 500u);
}

TEST_F(BinaryFiles, ReadStringRefusesNullArguments) {
    open("abc");
    int endOfFile = kSentinel;
    int maximumReached = kSentinel;
    EXPECT_EQ(ReadStringFromBinaryFile(stream, nullptr, -1, &endOfFile, &maximumReached), -65);
    char *string = reinterpret_cast<char *>(0x1);
    EXPECT_EQ(ReadStringFromBinaryFile(nullptr, &string, -1, nullptr, nullptr), -65);
    EXPECT_EQ(string, nullptr);
    EXPECT_EQ(std::ftell(stream), 0);
}

// ---- ReadLineFromBinaryFile -----------------------------------------------------

TEST_F(BinaryFiles, ReadLinesWithTheirLineEnds) {
    open("one\r\ntwo");
    ReadResult first = readWith(ReadLineFromBinaryFile, stream, -1);
    EXPECT_EQ(first.code, 0);
    EXPECT_EQ(first.text, "one\r\n");
    EXPECT_EQ(first.maximumReached, 1);
    EXPECT_EQ(first.endOfFile, 0);
    EXPECT_EQ(std::ftell(stream), 5);
    ReadResult second = readWith(ReadLineFromBinaryFile, stream, -1);
    EXPECT_EQ(second.text, "two");
    EXPECT_EQ(second.endOfFile, 1);
    EXPECT_EQ(second.maximumReached, 0);
}

// A carriage return before the line end hides it (the search rule); the rest is read.
TEST_F(BinaryFiles, ReadLineAfterADoubledCarriageReturn) {
    open("a\r\r\nb");
    ReadResult r = readWith(ReadLineFromBinaryFile, stream, -1);
    EXPECT_EQ(r.text, "a\r\r\nb");
    EXPECT_EQ(r.endOfFile, 1);
}

TEST_F(BinaryFiles, ReadLineLimitsAndZeroBytes) {
    open(std::string("abcdef\r\nx\0y\r\nlast\r\n", 19));
    ReadResult shortened = readWith(ReadLineFromBinaryFile, stream, 3);
    EXPECT_EQ(shortened.text, "abc");
    EXPECT_EQ(shortened.maximumReached, 1);
    EXPECT_EQ(std::ftell(stream), 3);
    ReadResult restOfLine = readWith(ReadLineFromBinaryFile, stream, 100);
    EXPECT_EQ(restOfLine.text, "def\r\n");
    ReadResult zero = readWith(ReadLineFromBinaryFile, stream, -1);
    EXPECT_EQ(zero.text, "x");
    EXPECT_EQ(zero.maximumReached, 0);
    EXPECT_EQ(std::ftell(stream), 10) << "behind the zero byte";
    ReadResult tail = readWith(ReadLineFromBinaryFile, stream, -1);
    EXPECT_EQ(tail.text, "y\r\n");
    ReadResult last = readWith(ReadLineFromBinaryFile, stream, -1);
    EXPECT_EQ(last.text, "last\r\n");
    ReadResult none = readWith(ReadLineFromBinaryFile, stream, -1);
    EXPECT_EQ(none.code, 0);
    EXPECT_EQ(none.text, "");
    EXPECT_EQ(none.endOfFile, 1);
}

TEST_F(BinaryFiles, ReadLongLines) {
    std::string line(300, 'L');
    open(line + "\r\n" + line);
    ReadResult first = readWith(ReadLineFromBinaryFile, stream, -1);
    EXPECT_EQ(first.text, line + "\r\n");
    ReadResult second = readWith(ReadLineFromBinaryFile, stream, -1);
    EXPECT_EQ(second.text, line);
    EXPECT_EQ(second.endOfFile, 1);
}

TEST_F(BinaryFiles, ReadLineRefusesNullArguments) {
    open("abc\r\n");
    EXPECT_EQ(ReadLineFromBinaryFile(stream, nullptr, -1, nullptr, nullptr), -65);
    char *string = reinterpret_cast<char *>(0x1);
    EXPECT_EQ(ReadLineFromBinaryFile(nullptr, &string, -1, nullptr, nullptr), -65);
    EXPECT_EQ(string, nullptr);
    EXPECT_EQ(std::ftell(stream), 0);
}

#ifndef _WIN32
// A stream without positions (a pipe). The search must report a position: -93, never a
// made-up one. The readers need none and read on; only when memory runs out in the
// middle of a read, when the bytes taken cannot be put back, do they give -93.
TEST_F(BinaryFiles, StreamsWithoutPositions) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    const std::string longLine = std::string(300, 'p') + "\r\n";
    const std::string bytes = std::string("abc\r\nxyz", 9) + longLine;
    ASSERT_EQ(write(ends[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(ends[1]);
    FILE *pipeStream = fdopen(ends[0], "rb");
    ASSERT_NE(pipeStream, nullptr);
    int offset = kSentinel;
    long position = 0x5eed;
    EXPECT_EQ(FindBytesInFile(pipeStream, "c", 1, &offset, &position), -93);
    EXPECT_EQ(offset, kSentinel);
    EXPECT_EQ(position, 0x5eed);
    ReadResult line = readWith(ReadLineFromBinaryFile, pipeStream, -1);
    EXPECT_EQ(line.code, 0);
    EXPECT_EQ(line.text, "abc\r\n");
    ReadResult text = readWith(ReadStringFromBinaryFile, pipeStream, -1);
    EXPECT_EQ(text.code, 0);
    EXPECT_EQ(text.text, "xyz");
    tb::failAllocations(1, 1);  // the first block, then its growth fails
    ReadResult failed = readWith(ReadLineFromBinaryFile, pipeStream, -1);
    EXPECT_EQ(failed.code, -93);
    EXPECT_TRUE(failed.isNull);
    std::fclose(pipeStream);
}
#endif

// A read that runs out of memory half-way puts the stream back by exactly what it took,
// wherever it started and whatever it read; the same read then succeeds from there.
TEST_F(BinaryFiles, ReadsOutOfMemoryFromTheMiddle) {
    const std::string line = std::string(700, 'm') + "\r\n";
    open("head\r\n" + line + line);
    ASSERT_EQ(readWith(ReadLineFromBinaryFile, stream, -1).text, "head\r\n");
    for (auto reader : {ReadLineFromBinaryFile, ReadStringFromBinaryFile}) {
        for (int pass : {0, 1, 2, 3}) {
            tb::failAllocations(pass, 1);
            ReadResult failed = readWith(reader, stream, -1);
            EXPECT_EQ(failed.code, -12) << pass;
            EXPECT_TRUE(failed.isNull);
            EXPECT_EQ(std::ftell(stream), 6) << pass;
        }
        tb::failAllocations(0, 0);
    }
    EXPECT_EQ(readWith(ReadLineFromBinaryFile, stream, -1).text, line);
    EXPECT_EQ(std::ftell(stream), static_cast<long>(6 + line.size()));
}

// ---- writers ----------------------------------------------------------------------

class FillCounts : public BinaryFiles, public ::testing::WithParamInterface<int> {};

// Exactly count bytes of the given value, for counts around the 64-byte pieces.
TEST_P(FillCounts, WriteByteWritesExactlyCount) {
    int count = GetParam();
    openForWriting();
    std::fputc('<', stream);
    EXPECT_EQ(WriteByteToFile(stream, '\xa5', count), 0);
    std::fputc('>', stream);
    EXPECT_EQ(written(), "<" + std::string(count > 0 ? count : 0, '\xa5') + ">");
}

INSTANTIATE_TEST_SUITE_P(Counts, FillCounts,
                         ::testing::Values(-5, 0, 1, 63, 64, 65, 128, 200, 1000));

TEST_F(BinaryFiles, WriteStringTurnsLineFeedsIntoPairs) {
    openForWriting();
    EXPECT_EQ(WriteStringToFile(stream, "a\nb\n"), 0);
    EXPECT_EQ(WriteStringToFile(stream, "\n\nc"), 0);
    EXPECT_EQ(WriteStringToFile(stream, "d\r\n"), 0);  // an existing CR stays
    EXPECT_EQ(WriteStringToFile(stream, ""), 0);
    EXPECT_EQ(WriteStringToFile(stream, nullptr), 0);
    EXPECT_EQ(written(), "a\r\nb\r\n\r\n\r\ncd\r\r\n");
}

// What WriteStringToFile writes, ReadLineFromBinaryFile reads back line by line.
TEST_F(BinaryFiles, WrittenLinesReadBack) {
    openForWriting();
    ASSERT_EQ(WriteStringToFile(stream, "first\nsecond\n\nfourth"), 0);
    std::fclose(stream);
    stream = std::fopen(dir.path("out.bin").c_str(), "rb");
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(readWith(ReadLineFromBinaryFile, stream, -1).text, "first\r\n");
    EXPECT_EQ(readWith(ReadLineFromBinaryFile, stream, -1).text, "second\r\n");
    EXPECT_EQ(readWith(ReadLineFromBinaryFile, stream, -1).text, "\r\n");
    EXPECT_EQ(readWith(ReadLineFromBinaryFile, stream, -1).text, "fourth");
}

// A stream that cannot be written reports -97 instead of claiming success.
TEST_F(BinaryFiles, ShortWritesAreReported) {
    open("read only", "rb");
    EXPECT_EQ(WriteByteToFile(stream, 'x', 10), -97);
    EXPECT_EQ(WriteStringToFile(stream, "text\n"), -97);
    EXPECT_EQ(WriteStringToFile(stream, "\n"), -97);
    EXPECT_EQ(WriteByteToFile(nullptr, 'x', 1), -65);
    EXPECT_EQ(WriteStringToFile(nullptr, "x"), -65);
}

}  // namespace
