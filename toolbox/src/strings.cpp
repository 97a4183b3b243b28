// String utilities on zero-terminated 8-bit strings. Heap strings come from the
// library allocator (the C heap) and are freed by callers with free().
//
// Choices made here:
//  - StringInsert on a destination already longer than its limit inserts nothing and
//    returns the destination itself (never a pointer before it).
//  - AppendString and StringInsert accept a text that lies inside the string they
//    change: the text is read from where the resize or the move has put it, so the
//    result is what a copy of the text would have given.
//  - The decimal symbol is taken as "." (nothing changes) when the engine cannot give
//    one or reports the terminator, so localizing never cuts a text short.
//  - The integer scanner takes only the ASCII digits 0 to 9, whatever else the
//    locale's isdigit accepts, since only they have a digit value.
//  - A character that folds onto the terminator (no locale has one) ends a comparison
//    without case as the terminator does, so neither string is read past its end.
//
// Speed: white space and upper case come from the current locale's tables, fetched
// once per call, where the C library exposes the very tables its isspace and toupper
// read (glibc); elsewhere those functions are called, and comparison without case
// calls toupper only for bytes that differ. Splicing measures the result first and then writes it into
// one block of exactly that size, so it is linear in the lists' lengths.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "toolbox_internal.h"

namespace {

// The current locale's white space and upper case, as isspace and toupper give them.
class LocaleTables {
public:
#if defined(__GLIBC__)
    static constexpr bool kFoldingIsCheap = true;  // a table look-up
    LocaleTables() : classes_(*__ctype_b_loc()), upper_(*__ctype_toupper_loc()) {}
    bool isWhite(char c) const { return (classes_[static_cast<unsigned char>(c)] & _ISspace) != 0; }
    int upper(char c) const { return upper_[static_cast<unsigned char>(c)]; }

private:
    const unsigned short *classes_;
    const int32_t *upper_;
#else
    static constexpr bool kFoldingIsCheap = false;  // a call
    bool isWhite(char c) const { return std::isspace(static_cast<unsigned char>(c)) != 0; }
    int upper(char c) const { return std::toupper(static_cast<unsigned char>(c)); }
#endif
};

const char *skipWhite(const LocaleTables &locale, const char *text) {
    while (*text && locale.isWhite(*text)) ++text;
    return text;
}

// The length of text without its trailing white space.
size_t lengthWithoutTrailingWhite(const LocaleTables &locale, const char *text, size_t length) {
    while (length > 0 && locale.isWhite(text[length - 1])) --length;
    return length;
}

// -1, 0 or 1 for the folded characters at which first and second differ, or 0 when
// both end together. With a table every byte is folded: one well-predicted branch per
// character, where skipping equal bytes would branch on how the cases happen to mix.
// Folding by calls skips the bytes that are equal.
int compareFolded(const LocaleTables &locale, const char *first, const char *second) {
    for (;; ++first, ++second) {
        if (!LocaleTables::kFoldingIsCheap && *first == *second) {
            if (*first == '\0') return 0;
            continue;
        }
        const int a = locale.upper(*first), b = locale.upper(*second);
        if ((a != b) | (a == 0)) return (a > b) - (a < b);
    }
}

// True when [inner, inner + innerSize) overlaps [outer, outer + outerSize), compared
// as addresses so that unrelated objects are not compared with < on pointers.
bool overlaps(const void *inner, size_t innerSize, const void *outer, size_t outerSize) {
    auto a = reinterpret_cast<std::uintptr_t>(inner);
    auto b = reinterpret_cast<std::uintptr_t>(outer);
    return innerSize && outerSize && a < b + outerSize && b < a + innerSize;
}

// Characters of text before its terminator, but at most limit; never reads past
// either.
size_t boundedLength(const char *text, size_t limit) {
    size_t length = 0;
    while (length < limit && text[length]) ++length;
    return length;
}

// Appends count characters of text (count known not to reach past its terminator);
// text may point into *string. Exactly old length + count + 1 bytes afterwards.
int appendCharacters(char **string, const char *text, size_t count) {
    if (count == 0) return 1;
    size_t oldLength = *string ? std::strlen(*string) : 0;
    // A text inside the old block is found again at the same offset in the new one.
    bool inside = *string && overlaps(text, 1, *string, oldLength + 1);
    size_t offset = inside ? static_cast<size_t>(text - *string) : 0;
    char *grown = static_cast<char *>(*string ? tb::reallocate(*string, oldLength + count + 1)
                                              : tb::allocate(count + 1));
    if (!grown) return 0;
    if (inside) text = grown + offset;
    std::memmove(grown + oldLength, text, count);
    grown[oldLength + count] = '\0';
    *string = grown;
    return 1;
}

// The decimal symbol the engine reports, or '.' when there is none to use.
char decimalSymbol() {
    int symbol = '.';
    if (GetSystemAttribute(RTE_ATTR_DECIMAL_SYMBOL, &symbol) != 0) return '.';
    char c = static_cast<char>(symbol & 0xFF);
    return c ? c : '.';
}

void replaceAll(char *text, char from, char to) {
    if (from == to) return;
    for (; *text; ++text)
        if (*text == from) *text = to;
}

// The scanner shared by StrToInt and StrToUInt: sign and magnitude of a strict
// decimal number, or false when text is not one.
bool scanDecimal(const char *text, bool *negative, std::uint32_t *magnitude) {
    const LocaleTables locale;
    bool signSeen = false, digitSeen = false, ended = false;
    std::uint32_t value = 0;
    *negative = false;
    for (; *text; ++text) {
        char c = *text;
        if (ended) {
            if (!locale.isWhite(c)) return false;
        } else if (locale.isWhite(c)) {
            if (signSeen || digitSeen) ended = true;
        } else if (c == '+' || c == '-') {
            if (signSeen || digitSeen) return false;
            signSeen = true;
            if (c == '-') *negative = true;
        } else if (c >= '0' && c <= '9') {
            // Only the ASCII digits: isdigit of some locales accepts more.
            unsigned digit = static_cast<unsigned>(c - '0');
            if (value > 429496729u || (value == 429496729u && digit > 5)) return false;
            value = value * 10 + digit;
            digitSeen = true;
        } else {
            return false;
        }
    }
    if (!digitSeen) return false;
    *magnitude = value;
    return true;
}

// The next element of a comma-separated list; a null list has none left.
class CommaList {
public:
    explicit CommaList(const char *list) : at_(list) {}
    bool done() const { return at_ == nullptr; }
    // The element's start and length (nothing for a list that is done), and moves on.
    const char *take(size_t *length) {
        const char *element = at_;
        if (!at_) {
            *length = 0;
            return "";
        }
        const char *comma = std::strchr(at_, ',');
        *length = comma ? static_cast<size_t>(comma - at_) : std::strlen(at_);
        at_ = comma ? comma + 1 : nullptr;
        return element;
    }

private:
    const char *at_;
};

// Splices the two lists element by element into out (null: only measures) and gives
// the result's length. Element i is the first list's when non-empty, else the
// second's; a comma follows when either list has one after its element.
size_t splice(const char *firstList, const char *secondList, char *out) {
    CommaList first(firstList), second(secondList);
    size_t written = 0;
    while (!first.done() || !second.done()) {
        size_t lengths[2];
        const char *elements[2] = {first.take(&lengths[0]), second.take(&lengths[1])};
        const int chosen = lengths[0] ? 0 : 1;
        if (out) std::memcpy(out + written, elements[chosen], lengths[chosen]);
        written += lengths[chosen];
        // A list with a comma after this element is not done yet.
        if (!first.done() || !second.done()) {
            if (out) out[written] = ',';
            ++written;
        }
    }
    return written;
}

}  // namespace

extern "C" {

char *StrDup(const char *text) {
    if (!text) return nullptr;
    size_t size = std::strlen(text) + 1;
    char *copy = static_cast<char *>(tb::allocate(size));
    if (copy) std::memcpy(copy, text, size);
    return copy;
}

int AppendString(char **string, const char *text, int count) {
    TB_ASSERT(string != nullptr, "NULL passed to first parameter of AppendString()");
    if (!text) return 1;
    size_t number = count < 0 ? std::strlen(text) : boundedLength(text, static_cast<size_t>(count));
    return appendCharacters(string, text, number);
}

char *StrDupWithoutSurrWhiteSpace(const char *text) {
    TB_ASSERT(text != nullptr, "NULL passed to first parameter of StrDupWithoutSurrWhiteSpace()");
    const LocaleTables locale;
    const char *start = skipWhite(locale, text);
    size_t length = lengthWithoutTrailingWhite(locale, start, std::strlen(start));
    char *copy = static_cast<char *>(tb::allocate(length + 1));
    if (!copy) return nullptr;
    std::memcpy(copy, start, length);
    copy[length] = '\0';
    return copy;
}

char *SkipWhiteSpace(const char *text) {
    return text ? const_cast<char *>(skipWhite(LocaleTables(), text)) : nullptr;
}

char *SkipNonWhiteSpace(const char *text) {
    if (!text) return nullptr;
    const LocaleTables locale;
    while (*text && !locale.isWhite(*text)) ++text;
    return const_cast<char *>(text);
}

int HasNonWhiteSpace(const char *text) { return text && *skipWhite(LocaleTables(), text) ? 1 : 0; }

void StringCopyMax(char *destination, const char *source, int destinationSize) {
    TB_ASSERT(destination != nullptr, "Null string passed to first parameter of StringCopyMax");
    if (!source || destinationSize <= 0) return;
    size_t size = static_cast<size_t>(destinationSize);
    // Only as much of the source is measured as can be copied.
    size_t length = boundedLength(source, size);
    if (length < size) {
        std::memmove(destination, source, length + 1);
    } else {
        std::memmove(destination, source, size - 1);
        destination[size - 1] = '\0';
    }
}

char *StringInsert(char *destination, const char *text, int limit) {
    TB_ASSERT(destination != nullptr, "NULL string passed to first parameter of StringInsert");
    TB_ASSERT(text != nullptr, "NULL string passed to second parameter of StringInsert");
    if (limit <= 0) return destination;
    // Only as much of the destination is measured as the limit allows.
    size_t d = boundedLength(destination, static_cast<size_t>(limit));
    if (d >= static_cast<size_t>(limit)) return destination;
    size_t t = std::min(std::strlen(text), static_cast<size_t>(limit) - d);
    if (t == 0) return destination;
    // The move writes [destination, destination + d + t]. A text inside the old string
    // moves with it; a text elsewhere in that range would be overwritten, so it is
    // copied aside first.
    std::unique_ptr<char, decltype(&std::free)> aside(nullptr, &std::free);
    bool inString = overlaps(text, 1, destination, d + 1);
    if (!inString && overlaps(text, t, destination, d + t + 1)) {
        aside.reset(static_cast<char *>(tb::allocate(t)));
        if (!aside) return destination;  // nothing inserted rather than a garbled text
        std::memcpy(aside.get(), text, t);
        text = aside.get();
    }
    std::memmove(destination + t, destination, d + 1);
    if (inString) text += t;
    std::memmove(destination, text, t);
    return destination + t;
}

int StrICmp(const char *first, const char *second) {
    if (!first || !second) return first ? 1 : (second ? -1 : 0);
    return compareFolded(LocaleTables(), first, second);
}

void RemoveSurroundingWhiteSpace(char *text) {
    if (!text) return;
    const LocaleTables locale;
    const char *start = skipWhite(locale, text);
    size_t length = std::strlen(start);
    std::memmove(text, start, length);
    text[lengthWithoutTrailingWhite(locale, text, length)] = '\0';
}

int StrICmpWithoutSurrWhiteSpace(const char *first, const char *second) {
    if (!first || !second) return first ? 1 : (second ? -1 : 0);
    const LocaleTables locale;
    first = skipWhite(locale, first);
    second = skipWhite(locale, second);
    for (;; ++first, ++second) {
        if (*first == '\0') return *skipWhite(locale, second) ? -1 : 0;
        if (*second == '\0') return *skipWhite(locale, first) ? 1 : 0;
        if (!LocaleTables::kFoldingIsCheap && *first == *second) continue;
        int a = locale.upper(*first), b = locale.upper(*second);
        if (a != b) return a < b ? -1 : 1;
    }
}

int SpliceCommaSeparatedList(const char *firstList, const char *secondList, char **result) {
    TB_ASSERT(result != nullptr, "NULL passed to third parameter of SpliceCommaSeparatedList()");
    *result = nullptr;
    size_t length = splice(firstList, secondList, nullptr);
    char *built = static_cast<char *>(tb::allocate(length + 1));
    if (!built) return RTE_UIE_OUT_OF_MEMORY;
    splice(firstList, secondList, built);
    built[length] = '\0';
    *result = built;
    return 0;
}

int StrToInt(const char *text, int *value) {
    TB_ASSERT(text != nullptr, "NULL passed to first parameter of StrToInt()");
    TB_ASSERT(value != nullptr, "NULL passed to second parameter of StrToInt()");
    bool negative;
    std::uint32_t magnitude;
    if (!scanDecimal(text, &negative, &magnitude)) return 0;
    if (negative) {
        if (magnitude > 2147483648u) return 0;
        *value = static_cast<int>(-static_cast<std::int64_t>(magnitude));
    } else {
        if (magnitude > 2147483647u) return 0;
        *value = static_cast<int>(magnitude);
    }
    return 1;
}

int StrToUInt(const char *text, unsigned int *value) {
    TB_ASSERT(text != nullptr, "NULL passed to first parameter of StrToUInt()");
    TB_ASSERT(value != nullptr, "NULL passed to second parameter of StrToUInt()");
    bool negative;
    std::uint32_t magnitude;
    if (!scanDecimal(text, &negative, &magnitude) || negative) return 0;
    *value = magnitude;
    return 1;
}

void LocalizeNumberString(char *text) {
    TB_ASSERT(text != nullptr, "NULL passed to LocalizeNumberString()");
    replaceAll(text, '.', decimalSymbol());
}

void DelocalizeNumberString(char *text) {
    TB_ASSERT(text != nullptr, "NULL passed to DelocalizeNumberString()");
    replaceAll(text, decimalSymbol(), '.');
}

int AcceleratorEscapeCodeLocation(const char *label) {
    if (!label) return -1;
    size_t length = std::strlen(label);
    size_t i = 0;
    while (length - i >= 3) {
        if (label[i] == '_' && label[i + 1] == '_') {
            if (label[i + 2] != '_') return i <= 0x7fffffff ? static_cast<int>(i) : -1;
            // Three or more underscores are text: skip the run and the character after.
            while (length - i > 2 && label[i] == '_') ++i;
            ++i;
        } else {
            ++i;
        }
    }
    return -1;
}

void RemoveAcceleratorEscapeCode(char *label) {
    int at = AcceleratorEscapeCodeLocation(label);
    if (at < 0) return;
    char *code = label + at;
    std::memmove(code, code + 2, std::strlen(code + 2) + 1);
}

}  // extern "C"
