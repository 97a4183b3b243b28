// List output: frame texts and their numbers, totals, stopping at the first failure,
// refusing frame texts that would read a missing argument, the item writers, and the
// engine's standard output for a null stream.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "huge_list.h"
#include "test_support.h"
#include "toolbox.h"

using testing_support::ScratchDir;

namespace {

struct ListDeleter {
    void operator()(HandleRecord *list) const { ListDispose(list); }
};
using ListPtr = std::unique_ptr<HandleRecord, ListDeleter>;

ListPtr intList(const std::vector<int> &values) {
    ListPtr list(ListCreate(sizeof(int)));
    for (int v : values) ListInsertItem(list.get(), &v, ListPosEnd);
    return list;
}

// A file stream in a scratch folder whose text can be read back after writing.
class OutputFile {
public:
    OutputFile() : path_(dir_.path("out.txt")), stream_(std::fopen(path_.c_str(), "wb")) {}
    ~OutputFile() {
        if (stream_) std::fclose(stream_);
    }
    FILE *stream() const { return stream_; }
    std::string text() {
        std::fclose(stream_);
        stream_ = nullptr;
        return testing_support::readFile(path_);
    }

private:
    ScratchDir dir_;
    std::string path_;
    FILE *stream_;
};

struct Written {
    int result;
    std::string text;
};

Written output(ListRef list, const char *listPrefix, const char *listSuffix, const char *itemPrefix,
               const char *itemSeparator, ItemOutputFn writer = OutputIntegerItem) {
    OutputFile file;
    int result = OutputList(list, file.stream(), listPrefix, listSuffix, itemPrefix, itemSeparator, writer);
    return {result, file.text()};
}

// The count returned must be exactly the characters that reached the stream.
TEST(OutputList, FramesAndTotals) {
    ListPtr empty(ListCreate(sizeof(int)));
    Written w = output(empty.get(), "[", "]", nullptr, nullptr);
    EXPECT_EQ(w.text, "[]");
    EXPECT_EQ(w.result, 2);
    w = output(empty.get(), nullptr, "(%d items)", "never", "never");
    EXPECT_EQ(w.text, "(0 items)");
    EXPECT_EQ(w.result, 9);

    ListPtr list = intList({5, 7, 9});
    w = output(list.get(), nullptr, nullptr, nullptr, ", ");
    EXPECT_EQ(w.text, "5, 7, 9");
    EXPECT_EQ(w.result, 7);
    w = output(nullptr, "<", ">", "x", "y");
    EXPECT_EQ(w.text, "<>") << "a null list has no items";
    EXPECT_EQ(w.result, 2);
}

// Item prefixes number from 1, separators carry the item just written, the suffix the
// count; "%%" comes out as one percent sign.
TEST(OutputList, NumbersInFrameTexts) {
    ListPtr list = intList({10, 20, 30});
    Written w = output(list.get(), "100%% {", "} n=%d", "#%d:", " |%d| ");
    EXPECT_EQ(w.text, "100% {#1:10 |1| #2:20 |2| #3:30} n=3");
    EXPECT_EQ(w.result, static_cast<int>(w.text.size()));
    w = output(list.get(), nullptr, nullptr, "%%d", nullptr);
    EXPECT_EQ(w.text, "%d10%d20%d30") << "an escaped percent is no number";
}

int failAtSecond(FILE *stream, void *item) {
    static int calls = 0;
    if (item == nullptr) return calls = 0;
    return ++calls == 2 ? -17 : OutputIntegerItem(stream, item);
}

// A negative item result stops at once: after the first item's separator, returned as is.
TEST(OutputList, StopsAtTheFirstFailure) {
    ListPtr list = intList({1, 2, 3});
    failAtSecond(nullptr, nullptr);
    Written w = output(list.get(), "[", "]", "<", ",", failAtSecond);
    EXPECT_EQ(w.result, -17);
    EXPECT_EQ(w.text, "[<1,<") << "what was written stays; nothing after the failure";
}

// A stream that refuses writes gives the write's negative result, not a count.
TEST(OutputList, FailingStreamIsReported) {
#ifdef _WIN32
    GTEST_SKIP() << "this runtime reports writes to a read-only stream as done";
#endif
    ScratchDir dir;
    std::string path = dir.write("ro.txt", "");
    FILE *readOnly = std::fopen(path.c_str(), "rb");
    ASSERT_NE(readOnly, nullptr);
    std::setvbuf(readOnly, nullptr, _IONBF, 0);  // so the first write itself fails
    ListPtr list = intList({1, 2});
    int result = OutputList(list.get(), readOnly, "[", "]", nullptr, nullptr, OutputIntegerItem);
    std::fclose(readOnly);
    EXPECT_LT(result, 0);
}

const char *g_nextItem;

int expectNextItem(FILE *, void *item) {
    if (item != g_nextItem) return -1;
    ++g_nextItem;
    return 0;
}

// A list of INT_MAX items: the writer is called once per item, in order, and the walk
// ends with the last one (the suffix carries the count); the item counter must not
// wrap round to INT_MIN and go on.
TEST(OutputList, FullListIsWrittenOncePerItem) {
    if (!testing_support::walksOverAFullListAffordable()) GTEST_SKIP() << "unoptimised build";
    auto list = testing_support::makeFullByteList();
    if (!list) GTEST_SKIP() << "no room for a list of INT_MAX items";
    const char *base = static_cast<const char *>(ListGetDataPtr(list.get()));
    g_nextItem = base;
    Written w = output(list.get(), nullptr, "n=%d", nullptr, nullptr, expectNextItem);
    EXPECT_EQ(w.result, 12);
    EXPECT_EQ(w.text, "n=2147483647");
    EXPECT_EQ(g_nextItem, base + INT_MAX);
}

TEST(OutputList, MissingOutputFunctionIsReportedOnTheStream) {
    ListPtr list = intList({1});
    Written w = output(list.get(), "[", "]", nullptr, nullptr, nullptr);
    EXPECT_EQ(w.text, "Error, no output function specified\n");
    EXPECT_EQ(w.result, 36);
}

// Frame texts with a conversion that would read a missing argument are refused with
// -63 before anything is written.
TEST(OutputList, UnsafeFrameTextsAreRefused) {
    ListPtr list = intList({1, 2});
    struct Case { const char *listPrefix, *listSuffix, *itemPrefix, *itemSeparator; };
    for (Case c : {Case{"%d", nullptr, nullptr, nullptr}, Case{nullptr, "%s", nullptr, nullptr},
                   Case{nullptr, nullptr, "%5d", nullptr}, Case{nullptr, nullptr, nullptr, "%d%d"},
                   Case{nullptr, nullptr, nullptr, "50%"}, Case{"%n", nullptr, nullptr, nullptr},
                   Case{nullptr, "%f", nullptr, nullptr}}) {
        Written w = output(list.get(), c.listPrefix, c.listSuffix, c.itemPrefix, c.itemSeparator);
        EXPECT_EQ(w.result, -63);
        EXPECT_EQ(w.text, "");
    }
}

TEST(ItemWriters, EachTypeAsPrintfWritesIt) {
    OutputFile file;
    int i = -42;
    short s = -7;
    double d = 2.5;
    const char *text = "hi";
    const char *none = nullptr;
    EXPECT_EQ(OutputIntegerItem(file.stream(), &i), 3);
    EXPECT_EQ(OutputShortItem(file.stream(), &s), 2);
    EXPECT_EQ(OutputDoubleItem(file.stream(), &d), 8);
    EXPECT_EQ(OutputStringItem(file.stream(), &text), 2);
    EXPECT_EQ(OutputStringItem(file.stream(), &none), 6);
    EXPECT_EQ(OutputIntegerItem(file.stream(), nullptr), -65);
    EXPECT_EQ(OutputShortItem(file.stream(), nullptr), -65);
    EXPECT_EQ(OutputDoubleItem(file.stream(), nullptr), -65);
    EXPECT_EQ(OutputStringItem(file.stream(), nullptr), -65);
    EXPECT_EQ(file.text(), "-42-72.500000hi(null)");
}

TEST(ItemWriters, WorkAsOutputFunctions) {
    ListPtr shorts(ListCreate(sizeof(short)));
    for (short v : {short(-1), short(300)}) ListInsertItem(shorts.get(), &v, ListPosEnd);
    EXPECT_EQ(output(shorts.get(), nullptr, nullptr, nullptr, " ", OutputShortItem).text, "-1 300");
    ListPtr strings(ListCreate(sizeof(char *)));
    for (const char *v : {"a", "bc"}) ListInsertItem(strings.get(), &v, ListPosEnd);
    EXPECT_EQ(output(strings.get(), "(", ")", nullptr, "+", OutputStringItem).text, "(a+bc)");
}

// The engine's standard streams are the runtime's own, in input/output/error order.
TEST(EngineStreams, ArrayHoldsTheStandardStreams) {
    FILE *const *streams = RTE_GetFilesArray();
    ASSERT_NE(streams, nullptr);
    EXPECT_EQ(streams[RTE_STDIN_INDEX], stdin);
    EXPECT_EQ(streams[RTE_STDOUT_INDEX], stdout);
    EXPECT_EQ(streams[RTE_STDERR_INDEX], stderr);
    EXPECT_EQ(RTE_StdOut(), stdout);
}

// A null stream writes to the engine's standard output.
TEST(OutputList, NullStreamWritesToStandardOutput) {
    ListPtr list = intList({3, 4});
    ::testing::internal::CaptureStdout();
    int result = OutputList(list.get(), nullptr, "[", "]", nullptr, ";", OutputIntegerItem);
    std::fflush(stdout);
    std::string captured = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(captured, "[3;4]");
    EXPECT_EQ(result, 5);
}

}  // namespace
