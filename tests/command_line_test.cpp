// Command-line splitting of the program's start-up: the tail behind the program name,
// the quoting rules, argument counting, the bare module name and allocation failure.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "command_line.h"

namespace {

using vantor::argumentEnd;
using vantor::commandLineTail;
using vantor::countArguments;
using vantor::moduleBaseName;
using vantor::splitArguments;
using vantor::unquoteArgument;

// Zero-filled blocks that stay alive for the whole test program (as the start-up's
// never-freed memory does) and are released at its end; can be told to fail.
class Arena {
public:
    static void *allocate(std::size_t bytes) {
        if (failAfter() == 0) return nullptr;
        if (failAfter() > 0) --failAfter();
        void *block = std::calloc(1, bytes);
        if (block) blocks().push_back(block);
        return block;
    }
    // The next `n` allocations succeed, the ones after fail; -1 never fails.
    static void failAfterCount(int n) { failAfter() = n; }

private:
    struct Blocks : std::vector<void *> {
        ~Blocks() {
            for (void *block : *this) std::free(block);
        }
    };
    static Blocks &blocks() {
        static Blocks value;
        return value;
    }
    static int &failAfter() {
        static int value = -1;
        return value;
    }
};

std::vector<std::string> split(const char *tail) {
    Arena::failAfterCount(-1);
    int argc = -7;
    char **argv = nullptr;
    EXPECT_TRUE(splitArguments(tail, Arena::allocate, &argc, &argv));
    std::vector<std::string> out;
    if (!argv) return out;
    EXPECT_STREQ(argv[0], "") << "slot 0 is left for the program name";
    for (int i = 1; i < argc; ++i) out.push_back(argv[i]);
    EXPECT_EQ(argv[argc], nullptr) << "the vector must end with a null pointer";
    EXPECT_EQ(countArguments(tail) + 1, argc);
    return out;
}

using Args = std::vector<std::string>;

// --- The tail behind the program name ---

struct TailCase {
    const char *line;
    const char *tail;
};

class CommandLineTail : public ::testing::TestWithParam<TailCase> {};

// Each line must yield exactly the tail the start-up hands to WinMain.
TEST_P(CommandLineTail, StartsBehindTheProgramName) {
    EXPECT_STREQ(commandLineTail(GetParam().line), GetParam().tail);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CommandLineTail,
    ::testing::Values(TailCase{"vantor.exe a b", "a b"},
                      TailCase{"\"C:\\Program Files\\vantor.exe\" a b", "a b"},
                      // No space between the closing quote and the first argument.
                      TailCase{"\"quoted name\"a b", "a b"},
                      // An unclosed quoted name runs to the end.
                      TailCase{"\"never closed a b", ""},
                      TailCase{"vantor.exe", ""},
                      TailCase{"", ""},
                      TailCase{"vantor.exe \t\r\n  a", "a"},
                      // Bytes 0x80-0xFF belong to an unquoted name and are kept at
                      // the start of the first argument.
                      TailCase{"C:\\Jos\xe9\\vantor.exe a", "a"},
                      TailCase{"vantor.exe \xe9t\xe9 a", "\xe9t\xe9 a"},
                      TailCase{"vantor.exe \x01\x1f a", "a"},
                      // Inside quotes they are part of the name.
                      TailCase{"\"v\xe9 x\" a", "a"}));

TEST(CommandLineTailNull, NullLineGivesEmptyTail) { EXPECT_STREQ(commandLineTail(nullptr), ""); }

// --- Quoting rules ---

// Quoted words with a space are one argument without their quotes.
TEST(SplitArguments, QuotedWordsAreOneArgument) {
    EXPECT_EQ(split("\"two words\" b c d"), (Args{"two words", "b", "c", "d"}));
    EXPECT_EQ(split("pre\"fix and\"post"), (Args{"prefix andpost"}));
}

// Two adjacent quotes between blanks are an empty argument that counts.
TEST(SplitArguments, AdjacentQuotesMakeAnEmptyArgument) {
    EXPECT_EQ(split("a \"\" b"), (Args{"a", "", "b"}));
    EXPECT_EQ(split("\"\""), (Args{""}));
}

// One backslash before a quote makes it literal and goes; two both stay and the quote
// still quotes; backslashes elsewhere are never touched.
TEST(SplitArguments, BackslashesBeforeQuotes) {
    EXPECT_EQ(split("a\\\"b"), (Args{"a\"b"}));
    EXPECT_EQ(split("a\\\\\"b c\""), (Args{"a\\\\b c"}));
    EXPECT_EQ(split("a\\\\\\\"b"), (Args{"a\\\\\"b"}));
    EXPECT_EQ(split("C:\\dir\\ x\\\\y"), (Args{"C:\\dir\\", "x\\\\y"}));
    // An escaped quote does not open a quoted part: the space still separates.
    EXPECT_EQ(split("\\\"a b"), (Args{"\"a", "b"}));
}

// A character between a backslash and a quote cancels the escape.
TEST(SplitArguments, EscapeOnlyDirectlyBeforeTheQuote) {
    EXPECT_EQ(split("a\\x\"b c\""), (Args{"a\\xb c"}));
    EXPECT_EQ(split("\"a\\ \"b"), (Args{"a\\ b"}));
}

// Tabs split like spaces; line feeds and carriage returns only between arguments.
TEST(SplitArguments, SeparatorsAndLineBreaks) {
    EXPECT_EQ(split("a\tb  c"), (Args{"a", "b", "c"}));
    EXPECT_EQ(split(" \r\n a \n b \r"), (Args{"a", "b"}));
    EXPECT_EQ(split("a\nb"), (Args{"a\nb"}));
    EXPECT_EQ(split("\"a\tb\""), (Args{"a\tb"}));
}

// An unterminated quoted part runs to the end of the line.
TEST(SplitArguments, UnclosedQuoteRunsToTheEnd) {
    EXPECT_EQ(split("a \"b c d"), (Args{"a", "b c d"}));
}

TEST(SplitArguments, EmptyAndNullTails) {
    EXPECT_EQ(split(""), Args{});
    EXPECT_EQ(split("   \t "), Args{});
    EXPECT_EQ(split(nullptr), Args{});
}

// A long argument is copied whole into a block of its own size.
TEST(SplitArguments, LongArgumentKeptWhole) {
    std::string longArgument(5000, 'x');
    std::string line = "a " + longArgument + " \"" + longArgument + " y\"";
    EXPECT_EQ(split(line.c_str()), (Args{"a", longArgument, longArgument + " y"}));
}

TEST(ArgumentEnd, StopsAtTheFirstBlankOutsideQuotes) {
    const char *text = "ab\"c d\"e f";
    EXPECT_EQ(argumentEnd(text) - text, 8);
    const char *escaped = "a\\\" b";
    EXPECT_EQ(argumentEnd(escaped) - escaped, 3);
    EXPECT_EQ(*argumentEnd("\"open"), '\0');
}

// In-place unquoting never lengthens the text and always terminates it.
TEST(UnquoteArgument, ShrinksInPlace) {
    char text[] = "\"a\"\\\"\"b\"";
    unquoteArgument(text);
    EXPECT_STREQ(text, "a\"b");
    char onlyQuotes[] = "\"\"\"\"";
    unquoteArgument(onlyQuotes);
    EXPECT_STREQ(onlyQuotes, "");
}

// --- Module name ---

TEST(ModuleBaseName, PartBehindTheLastBackslashOrColon) {
    EXPECT_STREQ(moduleBaseName("C:\\Program Files\\Nimbrova\\vantor.exe"), "vantor.exe");
    EXPECT_STREQ(moduleBaseName("C:vantor.exe"), "vantor.exe");
    EXPECT_STREQ(moduleBaseName("vantor.exe"), "vantor.exe");
    EXPECT_STREQ(moduleBaseName("C:\\dir\\"), "");
    EXPECT_STREQ(moduleBaseName("\\\\?\\C:\\a\\b.exe"), "b.exe");
    EXPECT_STREQ(moduleBaseName("/unix/style"), "/unix/style");
}

// --- Allocation failure ---

// Every allocation that can fail makes the whole split fail, outputs untouched.
TEST(SplitArguments, AnyFailedAllocationFailsTheSplit) {
    const char *tail = "one \"two three\" four";
    // The vector, slot 0 and three arguments: five allocations.
    for (int pass = 0; pass < 5; ++pass) {
        SCOPED_TRACE("allocations allowed: " + std::to_string(pass));
        Arena::failAfterCount(pass);
        int argc = 0xdeadbeef;
        char **argv = reinterpret_cast<char **>(0xdeadbeefu);
        EXPECT_FALSE(splitArguments(tail, Arena::allocate, &argc, &argv));
        EXPECT_EQ(argc, static_cast<int>(0xdeadbeef));
        EXPECT_EQ(argv, reinterpret_cast<char **>(0xdeadbeefu));
    }
    Arena::failAfterCount(5);
    int argc = 0;
    char **argv = nullptr;
    EXPECT_TRUE(splitArguments(tail, Arena::allocate, &argc, &argv));
    EXPECT_EQ(argc, 4);
    Arena::failAfterCount(-1);
}

}  // namespace
