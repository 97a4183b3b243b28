// String utilities: heap strings, trimming, bounded copy and insertion, comparison
// without case, comma-list splicing, strict integer parsing, decimal symbols and
// accelerator escape codes.
#include <gtest/gtest.h>

#include <cctype>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "assertion_capture.h"
#include "toolbox.h"
#include "toolbox_internal.h"

using testing_support::assertionShownBy;

namespace {

// Owns a heap string the library made.
struct HeapString {
    char *text = nullptr;
    ~HeapString() { std::free(text); }
};

// A buffer poisoned with 0xbd, to prove that nothing beyond a limit is written.
struct Poisoned {
    char bytes[32];
    explicit Poisoned(const char *start = "") {
        std::memset(bytes, 0xbd, sizeof bytes);
        std::memcpy(bytes, start, std::strlen(start) + 1);
    }
    bool untouchedFrom(size_t index) const {
        for (size_t i = index; i < sizeof bytes; ++i)
            if (static_cast<unsigned char>(bytes[i]) != 0xbd) return false;
        return true;
    }
};

// --- heap strings ---------------------------------------------------------------

TEST(StrDup, CopiesAndGivesNullForNullOrNoMemory) {
    EXPECT_EQ(StrDup(nullptr), nullptr);
    const char original[] = "text";
    HeapString copy{StrDup(original)};
    ASSERT_NE(copy.text, nullptr);
    EXPECT_NE(copy.text, original);
    EXPECT_STREQ(copy.text, "text");
    tb::failAllocations(0, 1);
    EXPECT_EQ(StrDup("x"), nullptr);
}

// Nothing to append must not create a heap string out of nothing.
TEST(AppendString, NothingToAppendKeepsANullStringNull) {
    char *string = nullptr;
    EXPECT_EQ(AppendString(&string, "abc", 0), 1);
    EXPECT_EQ(AppendString(&string, "", -1), 1);
    EXPECT_EQ(AppendString(&string, nullptr, 5), 1);
    EXPECT_EQ(string, nullptr);
}

// The count limits what is taken, and the terminator limits the count.
TEST(AppendString, CountAndTerminatorBoundTheAppendedText) {
    HeapString s;
    EXPECT_EQ(AppendString(&s.text, "ab", 3), 1);
    EXPECT_STREQ(s.text, "ab");
    EXPECT_EQ(AppendString(&s.text, "abcd", 2), 1);
    EXPECT_STREQ(s.text, "abab");
    EXPECT_EQ(AppendString(&s.text, "xyz", -1), 1);
    EXPECT_STREQ(s.text, "ababxyz");
    // Not terminated: only count characters may be read (the sanitizer build watches).
    const char unterminated[3] = {'p', 'q', 'r'};
    EXPECT_EQ(AppendString(&s.text, unterminated, 3), 1);
    EXPECT_STREQ(s.text, "ababxyzpqr");
}

// A failed resize must leave the old string valid and unchanged.
TEST(AppendString, NoMemoryLeavesTheStringAsItWas) {
    HeapString s{StrDup("keep")};
    tb::failAllocations(0, 1);
    EXPECT_EQ(AppendString(&s.text, "more", -1), 0);
    EXPECT_STREQ(s.text, "keep");
    char *none = nullptr;
    tb::failAllocations(0, 1);
    EXPECT_EQ(AppendString(&none, "x", -1), 0);
    EXPECT_EQ(none, nullptr);
}

// Appending a string to itself reads the text after the block may have moved.
TEST(AppendString, TextInsideTheStringItselfIsAppendedCorrectly) {
    HeapString s{StrDup("abc")};
    for (int i = 0; i < 12; ++i) ASSERT_EQ(AppendString(&s.text, s.text, -1), 1);
    EXPECT_EQ(std::strlen(s.text), 3u << 12);
    EXPECT_EQ(std::string(s.text, 9), "abcabcabc");
    ASSERT_EQ(AppendString(&s.text, s.text + 1, 2), 1);
    EXPECT_EQ(std::string(s.text + (3u << 12)), "bc");
}

TEST(AppendStringDeathTest, NullStringPointerAsserts) {
    std::string shown = assertionShownBy([] { AppendString(nullptr, "x", 1); });
    EXPECT_NE(shown.find("NULL passed to first parameter of AppendString()"), std::string::npos)
        << shown;
    EXPECT_NE(shown.find("of file 'toolbox'"), std::string::npos) << shown;
}

// --- white space ----------------------------------------------------------------

TEST(WhiteSpace, SkippingAndTestingStopAtTheTerminator) {
    const char text[] = " \t\n\v\f\rab cd";
    EXPECT_EQ(SkipWhiteSpace(text), text + 6);
    EXPECT_EQ(SkipNonWhiteSpace(text + 6), text + 8);
    EXPECT_EQ(SkipWhiteSpace(nullptr), nullptr);
    EXPECT_EQ(SkipNonWhiteSpace(nullptr), nullptr);
    const char blank[] = "   ";
    EXPECT_EQ(SkipWhiteSpace(blank), blank + 3);
    const char empty[] = "";
    EXPECT_EQ(SkipNonWhiteSpace(empty), empty);
    EXPECT_EQ(SkipWhiteSpace(empty), empty);
    EXPECT_EQ(HasNonWhiteSpace(blank), 0);
    EXPECT_EQ(HasNonWhiteSpace(""), 0);
    EXPECT_EQ(HasNonWhiteSpace(nullptr), 0);
    EXPECT_EQ(HasNonWhiteSpace("  x "), 1);
}

// Bytes above 127 are classified as unsigned values, never as negative ones.
TEST(WhiteSpace, HighBytesAreOrdinaryCharacters) {
    const char text[] = "\xa0\xff";
    EXPECT_EQ(SkipWhiteSpace(text), text);
    EXPECT_EQ(HasNonWhiteSpace(text), 1);
}

TEST(Trimming, CopyAndInPlaceDropOnlyTheSurroundingWhiteSpace) {
    HeapString a{StrDupWithoutSurrWhiteSpace("  a b \t\n")};
    EXPECT_STREQ(a.text, "a b");
    HeapString blank{StrDupWithoutSurrWhiteSpace(" \t ")};
    EXPECT_STREQ(blank.text, "");
    char buffer[] = "\t x  y \r\n";
    RemoveSurroundingWhiteSpace(buffer);
    EXPECT_STREQ(buffer, "x  y");
    char allWhite[] = "    ";
    RemoveSurroundingWhiteSpace(allWhite);
    EXPECT_STREQ(allWhite, "");
    char plain[] = "plain";
    RemoveSurroundingWhiteSpace(plain);
    EXPECT_STREQ(plain, "plain");
    RemoveSurroundingWhiteSpace(nullptr);
    tb::failAllocations(0, 1);
    EXPECT_EQ(StrDupWithoutSurrWhiteSpace(" x "), nullptr);
}

// --- bounded copy and insertion -------------------------------------------------

TEST(StringCopyMax, NeverWritesPastTheSizeAndAlwaysTerminates) {
    Poisoned cut;
    StringCopyMax(cut.bytes, "abcdef", 4);
    EXPECT_STREQ(cut.bytes, "abc");
    EXPECT_TRUE(cut.untouchedFrom(4));
    Poisoned whole;
    StringCopyMax(whole.bytes, "abcdef", 7);
    EXPECT_STREQ(whole.bytes, "abcdef");
    EXPECT_TRUE(whole.untouchedFrom(7));
    Poisoned one;
    StringCopyMax(one.bytes, "abc", 1);
    EXPECT_STREQ(one.bytes, "");
    EXPECT_TRUE(one.untouchedFrom(1));
}

TEST(StringCopyMax, NoSizeOrNoSourceWritesNothing) {
    Poisoned none;
    StringCopyMax(none.bytes, "abc", 0);
    StringCopyMax(none.bytes, "abc", -5);
    StringCopyMax(none.bytes, nullptr, 10);
    EXPECT_EQ(none.bytes[0], '\0');
    EXPECT_TRUE(none.untouchedFrom(1));
}

// Source and destination in one buffer, both directions.
TEST(StringCopyMax, OverlappingSourceIsCopiedIntact) {
    char buffer[16] = "0123456789";
    StringCopyMax(buffer, buffer + 3, 16);
    EXPECT_STREQ(buffer, "3456789");
    char shifted[16] = "abcdef";
    StringCopyMax(shifted + 2, shifted, 5);
    EXPECT_STREQ(shifted, "ababcd");
}

TEST(StringInsert, CutsTheTextToTheLimitAndPointsBehindIt) {
    Poisoned four("ab");
    char *after = StringInsert(four.bytes, "xyz", 4);
    EXPECT_STREQ(four.bytes, "xyab");
    EXPECT_EQ(after, four.bytes + 2);
    EXPECT_STREQ(after, "ab");
    EXPECT_TRUE(four.untouchedFrom(5));
    Poisoned five("ab");
    after = StringInsert(five.bytes, "xyz", 5);
    EXPECT_STREQ(five.bytes, "xyzab");
    EXPECT_EQ(after, five.bytes + 3);
    EXPECT_TRUE(five.untouchedFrom(6));
    Poisoned empty("");
    EXPECT_EQ(StringInsert(empty.bytes, "", 10), empty.bytes);
    EXPECT_STREQ(empty.bytes, "");
}

// A destination at or beyond its limit is left alone; the result never points before it.
TEST(StringInsert, FullOrOverlongDestinationIsUnchanged) {
    Poisoned full("abcd");
    EXPECT_EQ(StringInsert(full.bytes, "xy", 4), full.bytes);
    EXPECT_STREQ(full.bytes, "abcd");
    EXPECT_EQ(StringInsert(full.bytes, "xy", 2), full.bytes);
    EXPECT_EQ(StringInsert(full.bytes, "xy", -1), full.bytes);
    EXPECT_STREQ(full.bytes, "abcd");
    EXPECT_TRUE(full.untouchedFrom(5));
}

// A text taken from the destination buffer must not be read after it was overwritten.
TEST(StringInsert, TextFromTheSameBufferIsInsertedAsItWas) {
    char suffix[16] = "abcdef";
    StringInsert(suffix, suffix + 3, 15);
    EXPECT_STREQ(suffix, "defabcdef");
    char self[16] = "abc";
    StringInsert(self, self, 15);
    EXPECT_STREQ(self, "abcabc");
    char behind[16] = "ab\0wxyz";
    StringInsert(behind, behind + 3, 15);
    EXPECT_STREQ(behind, "wxyzab");
    char before[16] = "XYab";
    StringInsert(before + 2, before, 13);
    EXPECT_STREQ(before, "XYXYabab");
}

TEST(StringDeathTest, NullDestinationsAndTextsAssertWithTheirMessages) {
    EXPECT_NE(assertionShownBy([] { StringCopyMax(nullptr, "x", 4); })
                  .find("Null string passed to first parameter of StringCopyMax"),
              std::string::npos);
    char buffer[8] = "";
    EXPECT_NE(assertionShownBy([] { StringInsert(nullptr, "x", 4); })
                  .find("NULL string passed to first parameter of StringInsert"),
              std::string::npos);
    EXPECT_NE(assertionShownBy([&] { StringInsert(buffer, nullptr, 4); })
                  .find("NULL string passed to second parameter of StringInsert"),
              std::string::npos);
}

// --- comparison without case ------------------------------------------------------

TEST(StrICmp, FoldsToUpperCaseAndOrdersNullFirst) {
    EXPECT_EQ(StrICmp("abc", "ABC"), 0);
    EXPECT_EQ(StrICmp("ab", "abc"), -1);
    EXPECT_EQ(StrICmp("abc", "ab"), 1);
    EXPECT_EQ(StrICmp(nullptr, ""), -1);
    EXPECT_EQ(StrICmp("", nullptr), 1);
    EXPECT_EQ(StrICmp(nullptr, nullptr), 0);
    // Folding to upper case puts "_" after every letter; folding to lower would not.
    EXPECT_EQ(StrICmp("a_", "AZ"), 1);
    EXPECT_EQ(StrICmp("[", "z"), 1);
    // Bytes above 127 compare as unsigned values.
    EXPECT_EQ(StrICmp("\xe9", "e"), 1);
}

TEST(StrICmpWithoutSurrWhiteSpace, IgnoresOnlyTheSurroundingWhiteSpace) {
    EXPECT_EQ(StrICmpWithoutSurrWhiteSpace("  Hello ", "hello"), 0);
    EXPECT_EQ(StrICmpWithoutSurrWhiteSpace("hello", "\thello\n"), 0);
    EXPECT_EQ(StrICmpWithoutSurrWhiteSpace("hello x", "hello"), 1);
    EXPECT_EQ(StrICmpWithoutSurrWhiteSpace("hello", "hello x"), -1);
    EXPECT_EQ(StrICmpWithoutSurrWhiteSpace("a b", "a  b"), 1);
    EXPECT_EQ(StrICmpWithoutSurrWhiteSpace("   ", ""), 0);
    EXPECT_EQ(StrICmpWithoutSurrWhiteSpace(nullptr, " "), -1);
    EXPECT_EQ(StrICmpWithoutSurrWhiteSpace(" ", nullptr), 1);
    EXPECT_EQ(StrICmpWithoutSurrWhiteSpace(nullptr, nullptr), 0);
    EXPECT_EQ(StrICmpWithoutSurrWhiteSpace(" a_", "az "), 1);
}

// The comparisons as first written, a toupper call for every character: the
// reference the faster loops must agree with.
int referenceStrICmp(const char *a, const char *b) {
    for (;; ++a, ++b) {
        int x = std::toupper(static_cast<unsigned char>(*a)), y = std::toupper(static_cast<unsigned char>(*b));
        if (x != y) return x < y ? -1 : 1;
        if (*a == '\0') return 0;
    }
}

int referenceWithoutSurrWhiteSpace(const char *a, const char *b) {
    auto white = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    auto skip = [&](const char *p) { while (*p && white(*p)) ++p; return p; };
    for (a = skip(a), b = skip(b);; ++a, ++b) {
        if (*a == '\0') return *skip(b) ? -1 : 0;
        if (*b == '\0') return *skip(a) ? 1 : 0;
        int x = std::toupper(static_cast<unsigned char>(*a)), y = std::toupper(static_cast<unsigned char>(*b));
        if (x != y) return x < y ? -1 : 1;
    }
}

// Runs a test in a character-type locale (skipped where it is not installed) and puts
// the program's own back afterwards.
class InLocale : public ::testing::TestWithParam<const char *> {
protected:
    void SetUp() override {
        before_ = std::setlocale(LC_CTYPE, nullptr);
        if (!std::setlocale(LC_CTYPE, GetParam())) GTEST_SKIP() << GetParam() << " is not installed";
    }
    void TearDown() override { std::setlocale(LC_CTYPE, before_.c_str()); }

private:
    std::string before_;
};

// Every function that skips, trims, parses or compares takes white space and upper
// case from the current locale, for every byte value, exactly as isspace and toupper.
TEST_P(InLocale, WhiteSpaceAndFoldingAreTheLocales) {
    for (int c = 1; c < 256; ++c) {
        SCOPED_TRACE(c);
        const char one[2] = {static_cast<char>(c), '\0'};
        const bool white = std::isspace(c) != 0;
        ASSERT_EQ(SkipWhiteSpace(one), one + (white ? 1 : 0));
        ASSERT_EQ(SkipNonWhiteSpace(one), one + (white ? 0 : 1));
        ASSERT_EQ(HasNonWhiteSpace(one), white ? 0 : 1);
        char padded[] = {static_cast<char>(c), 'x', static_cast<char>(c), '\0'};
        const std::string untrimmed = padded;
        RemoveSurroundingWhiteSpace(padded);
        ASSERT_EQ(std::string(padded), white ? "x" : untrimmed);
        HeapString copy{StrDupWithoutSurrWhiteSpace(untrimmed.c_str())};
        ASSERT_EQ(std::string(copy.text), white ? "x" : untrimmed);
        const char number[] = {static_cast<char>(c), '7', static_cast<char>(c), '\0'};
        int value = 0;
        ASSERT_EQ(StrToInt(number, &value), white || (c >= '0' && c <= '9') ? 1 : 0);
        for (int d = 1; d < 256; ++d) {
            const char other[2] = {static_cast<char>(d), '\0'};
            ASSERT_EQ(StrICmp(one, other), referenceStrICmp(one, other)) << d;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Locales, InLocale, ::testing::Values("C", "de_DE.UTF-8", "German_Germany.1252"));

// Over many generated pairs (shared prefixes, case changed here and there, white space
// around, bytes above 127), both comparisons agree with the reference.
TEST(CaseFoldingProperty, AgreesWithToupperOnEveryCharacter) {
    std::mt19937 random(1209);
    const char alphabet[] = "aAbBzZ_[^@` \t\xe9\xc9\xff" "0";
    for (int round = 0; round < 20000; ++round) {
        std::string first;
        for (size_t n = random() % 24; n > 0; --n) first += alphabet[random() % (sizeof alphabet - 1)];
        std::string second = first.substr(0, random() % (first.size() + 1));
        for (char &c : second)
            if (random() % 4 == 0) c = static_cast<char>(std::islower(static_cast<unsigned char>(c)) ? std::toupper(c) : std::tolower(c));
        for (size_t n = random() % 4; n > 0; --n) second += alphabet[random() % (sizeof alphabet - 1)];
        if (round % 2) std::swap(first, second);
        SCOPED_TRACE("\"" + first + "\" / \"" + second + "\"");
        ASSERT_EQ(StrICmp(first.c_str(), second.c_str()), referenceStrICmp(first.c_str(), second.c_str()));
        ASSERT_EQ(StrICmpWithoutSurrWhiteSpace(first.c_str(), second.c_str()),
                  referenceWithoutSurrWhiteSpace(first.c_str(), second.c_str()));
    }
}

// --- comma-separated lists --------------------------------------------------------

struct SpliceCase {
    const char *first;
    const char *second;
    const char *expected;
};

class Splice : public ::testing::TestWithParam<SpliceCase> {};

// Element i is the first list's when non-empty, else the second's; the longer list
// decides the length.
TEST_P(Splice, MergesElementByElement) {
    const SpliceCase &c = GetParam();
    HeapString result;
    result.text = reinterpret_cast<char *>(0xdeadbeef);
    ASSERT_EQ(SpliceCommaSeparatedList(c.first, c.second, &result.text), 0);
    ASSERT_NE(result.text, nullptr);
    EXPECT_STREQ(result.text, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, Splice,
    ::testing::Values(SpliceCase{"a,,c", "x,y,z,w", "a,y,c,w"}, SpliceCase{"a", nullptr, "a"},
                      SpliceCase{nullptr, "a,b", "a,b"}, SpliceCase{"", "", ""},
                      SpliceCase{nullptr, nullptr, ""}, SpliceCase{" ,", "x,y", " ,y"},
                      SpliceCase{",,", "", ",,"}, SpliceCase{"a,b,c", "x", "a,b,c"},
                      SpliceCase{"", "x,", "x,"}, SpliceCase{",b", "a,,c", "a,b,c"}));

// Whichever allocation fails, the partial result is dropped and -12 reported.
TEST(SpliceNoMemory, EveryFailingAllocationGivesMinus12AndNullResult) {
    int failures = 0;
    for (int pass = 0; pass < 64; ++pass) {
        char *result = reinterpret_cast<char *>(0xdeadbeef);
        tb::failAllocations(pass, 1);
        int code = SpliceCommaSeparatedList("aa,,cc,dd", "x,y", &result);
        tb::failAllocations(0, 0);
        if (code == 0) {
            EXPECT_STREQ(result, "aa,y,cc,dd");
            std::free(result);
            break;
        }
        ++failures;
        EXPECT_EQ(code, -12);
        EXPECT_EQ(result, nullptr);
    }
    EXPECT_GT(failures, 0);
    char *empty = reinterpret_cast<char *>(0xdeadbeef);
    tb::failAllocations(0, 1);
    EXPECT_EQ(SpliceCommaSeparatedList("", nullptr, &empty), -12);
    EXPECT_EQ(empty, nullptr);
}

// The splice as the list rule states it, over vectors of elements.
std::string referenceSplice(const char *first, const char *second) {
    auto elements = [](const char *list) {
        std::vector<std::string> out;
        if (!list) return out;
        std::string rest = list;
        for (size_t comma; (comma = rest.find(',')) != std::string::npos; rest.erase(0, comma + 1))
            out.push_back(rest.substr(0, comma));
        out.push_back(rest);
        return out;
    };
    std::vector<std::string> a = elements(first), b = elements(second);
    std::string out;
    for (size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        if (i) out += ',';
        out += i < a.size() && !a[i].empty() ? a[i] : i < b.size() ? b[i] : "";
    }
    return out;
}

// Many generated lists of every shape (null, empty, empty elements, lists of unequal
// lengths, long elements): the result is the reference's.
TEST(SpliceProperty, AgreesWithTheElementRule) {
    std::mt19937 random(77);
    const char alphabet[] = "ab,,, x";
    for (int round = 0; round < 5000; ++round) {
        std::string lists[2];
        for (std::string &list : lists)
            for (size_t n = random() % (round % 50 == 0 ? 3000 : 16); n > 0; --n)
                list += alphabet[random() % (sizeof alphabet - 1)];
        const char *first = round % 7 == 0 ? nullptr : lists[0].c_str();
        const char *second = round % 5 == 0 ? nullptr : lists[1].c_str();
        HeapString result;
        ASSERT_EQ(SpliceCommaSeparatedList(first, second, &result.text), 0);
        ASSERT_EQ(std::string(result.text), referenceSplice(first, second))
            << (first ? first : "(null)") << " | " << (second ? second : "(null)");
    }
}

// --- integer parsing --------------------------------------------------------------

TEST(StrToInt, AcceptsTheStrictFormsAndTheirLimits) {
    int value = 0;
    EXPECT_EQ(StrToInt(" -2147483648 ", &value), 1);
    EXPECT_EQ(value, -2147483647 - 1);
    EXPECT_EQ(StrToInt("2147483647", &value), 1);
    EXPECT_EQ(value, 2147483647);
    EXPECT_EQ(StrToInt("+007", &value), 1);
    EXPECT_EQ(value, 7);
    EXPECT_EQ(StrToInt("-0", &value), 1);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(StrToInt("\t42\n", &value), 1);
    EXPECT_EQ(value, 42);
}

TEST(StrToInt, RejectsEveryOtherFormAndLeavesTheValue) {
    const char *invalid[] = {"2147483648", "-2147483649", "4294967296", "99999999999",
                             "- 5", "5-", "1 2", "0x10", "+", "", "   ", "--1", "+-1",
                             "1e3", "1,000", "1.0", "12a", "\xb2", "-", "5 -"};
    for (const char *text : invalid) {
        SCOPED_TRACE(text);
        int value = static_cast<int>(0xdeadbeef);
        EXPECT_EQ(StrToInt(text, &value), 0);
        EXPECT_EQ(value, static_cast<int>(0xdeadbeef));
    }
}

TEST(StrToUInt, TakesTheWholeUnsignedRangeAndNoSign) {
    unsigned value = 0;
    EXPECT_EQ(StrToUInt("4294967295", &value), 1);
    EXPECT_EQ(value, 4294967295u);
    EXPECT_EQ(StrToUInt(" +12 ", &value), 1);
    EXPECT_EQ(value, 12u);
    for (const char *text : {"4294967296", "-0", "-1", "42949672950", "", "x"}) {
        SCOPED_TRACE(text);
        value = 0xdeadbeef;
        EXPECT_EQ(StrToUInt(text, &value), 0);
        EXPECT_EQ(value, 0xdeadbeef);
    }
}

// Reference: whether text is [space*][sign][digit+][space*] and its value, from a
// 64-bit parse of at most 19 significant digits.
bool referenceParse(const std::string &text, bool *negative, long long *value, bool *huge) {
    size_t i = 0, n = text.size();
    auto space = [&](size_t at) { return std::isspace(static_cast<unsigned char>(text[at])) != 0; };
    while (i < n && space(i)) ++i;
    *negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) *negative = text[i++] == '-';
    size_t digits = i;
    while (i < n && text[i] >= '0' && text[i] <= '9') ++i;
    if (i == digits) return false;
    std::string number = text.substr(digits, i - digits);
    while (i < n && space(i)) ++i;
    if (i != n) return false;
    number.erase(0, std::min(number.find_first_not_of('0'), number.size() - 1));
    *huge = number.size() > 18;
    *value = *huge ? 0 : std::stoll(number);
    return true;
}

// Over many generated texts, both parsers agree with the reference on validity and value.
TEST(StrToIntProperty, AgreesWithA64BitReferenceParse) {
    std::mt19937 random(20261209);
    const char alphabet[] = "0123456789012345678901234567890123456789  +-\tx.";
    int valid = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        if (round % 3 == 0) {
            // Numbers around the limits, written with optional padding and sign.
            long long base = (round % 2 ? 4294967296LL : 2147483648LL) + static_cast<int>(random() % 9) - 4;
            text = std::string(random() % 2, ' ') + (random() % 2 ? "-" : (random() % 2 ? "+" : "")) +
                   std::string(random() % 3, '0') + std::to_string(base) + std::string(random() % 2, '\t');
        } else {
            size_t length = random() % 14;
            for (size_t i = 0; i < length; ++i) text += alphabet[random() % (sizeof alphabet - 1)];
        }
        SCOPED_TRACE("\"" + text + "\"");
        bool negative = false, huge = false;
        long long magnitude = 0;
        bool wellFormed = referenceParse(text, &negative, &magnitude, &huge);
        long long signedValue = negative ? -magnitude : magnitude;
        bool intOk = wellFormed && !huge && signedValue >= -2147483648LL && signedValue <= 2147483647LL;
        bool uintOk = wellFormed && !huge && !negative && magnitude <= 4294967295LL;
        int value = 0x5a5a5a5a;
        ASSERT_EQ(StrToInt(text.c_str(), &value), intOk ? 1 : 0);
        EXPECT_EQ(value, intOk ? signedValue : 0x5a5a5a5a);
        unsigned uvalue = 0x5a5a5a5a;
        ASSERT_EQ(StrToUInt(text.c_str(), &uvalue), uintOk ? 1 : 0);
        EXPECT_EQ(uvalue, uintOk ? static_cast<unsigned>(magnitude) : 0x5a5a5a5au);
        valid += intOk;
    }
    EXPECT_GT(valid, 1000) << "the generator must reach valid numbers too";
}

// --- decimal symbol ---------------------------------------------------------------

class DecimalSymbol : public ::testing::Test {
protected:
    void TearDown() override { RTE_SetDecimalSymbolForTesting(0); }
};

TEST_F(DecimalSymbol, CommaReplacesEveryPointAndBack) {
    RTE_SetDecimalSymbolForTesting(',');
    char text[] = "1.5.2";
    LocalizeNumberString(text);
    EXPECT_STREQ(text, "1,5,2");
    DelocalizeNumberString(text);
    EXPECT_STREQ(text, "1.5.2");
    char grouped[] = "-1'000,25";
    DelocalizeNumberString(grouped);
    EXPECT_STREQ(grouped, "-1'000.25");
}

TEST_F(DecimalSymbol, PointSymbolChangesNothing) {
    RTE_SetDecimalSymbolForTesting('.');
    char text[] = "1.5,2";
    LocalizeNumberString(text);
    EXPECT_STREQ(text, "1.5,2");
    DelocalizeNumberString(text);
    EXPECT_STREQ(text, "1.5,2");
}

// The symbol is read at every call, not remembered from the first.
TEST_F(DecimalSymbol, EachCallReadsTheCurrentSymbol) {
    RTE_SetDecimalSymbolForTesting(',');
    char a[] = "2.5";
    LocalizeNumberString(a);
    RTE_SetDecimalSymbolForTesting('\xb7');
    char b[] = "2.5";
    LocalizeNumberString(b);
    EXPECT_STREQ(a, "2,5");
    EXPECT_STREQ(b, "2\xb7" "5");
    DelocalizeNumberString(b);
    EXPECT_STREQ(b, "2.5");
}

// --- accelerator escape codes -----------------------------------------------------

TEST(Accelerator, FindsOnlyADoubleUnderscoreBeforeACharacter) {
    EXPECT_EQ(AcceleratorEscapeCodeLocation("__File"), 0);
    EXPECT_EQ(AcceleratorEscapeCodeLocation("Save __As"), 5);
    EXPECT_EQ(AcceleratorEscapeCodeLocation("a___b"), -1);
    EXPECT_EQ(AcceleratorEscapeCodeLocation("ab__"), -1);
    EXPECT_EQ(AcceleratorEscapeCodeLocation("___x__y"), 4);
    EXPECT_EQ(AcceleratorEscapeCodeLocation("__"), -1);
    EXPECT_EQ(AcceleratorEscapeCodeLocation(""), -1);
    EXPECT_EQ(AcceleratorEscapeCodeLocation(nullptr), -1);
    EXPECT_EQ(AcceleratorEscapeCodeLocation("x__y__z"), 1);
    EXPECT_EQ(AcceleratorEscapeCodeLocation("_____"), -1);
}

TEST(Accelerator, RemovingTakesOutExactlyTheTwoUnderscores) {
    Poisoned label("Save __As");
    RemoveAcceleratorEscapeCode(label.bytes);
    EXPECT_STREQ(label.bytes, "Save As");
    EXPECT_TRUE(label.untouchedFrom(10));
    char plain[] = "a___b";
    RemoveAcceleratorEscapeCode(plain);
    EXPECT_STREQ(plain, "a___b");
    char first[] = "__F";
    RemoveAcceleratorEscapeCode(first);
    EXPECT_STREQ(first, "F");
    RemoveAcceleratorEscapeCode(nullptr);
}

}  // namespace
