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
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "toolbox_internal.h"

namespace {

bool isWhite(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

int folded(char c) { return std::toupper(static_cast<unsigned char>(c)); }

const char *skipWhite(const char *text) {
    while (*text && isWhite(*text)) ++text;
    return text;
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
    bool signSeen = false, digitSeen = false, ended = false;
    std::uint32_t value = 0;
    *negative = false;
    for (; *text; ++text) {
        char c = *text;
        if (ended) {
            if (!isWhite(c)) return false;
        } else if (isWhite(c)) {
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
    const char *start = skipWhite(text);
    size_t length = std::strlen(start);
    while (length > 0 && isWhite(start[length - 1])) --length;
    char *copy = static_cast<char *>(tb::allocate(length + 1));
    if (!copy) return nullptr;
    std::memcpy(copy, start, length);
    copy[length] = '\0';
    return copy;
}

char *SkipWhiteSpace(const char *text) {
    return text ? const_cast<char *>(skipWhite(text)) : nullptr;
}

char *SkipNonWhiteSpace(const char *text) {
    if (!text) return nullptr;
    while (*text && !isWhite(*text)) ++text;
    return const_cast<char *>(text);
}

int HasNonWhiteSpace(const char *text) { return text && *skipWhite(text) ? 1 : 0; }

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
    for (;; ++first, ++second) {
        int a = folded(*first), b = folded(*second);
        if (a < b) return -1;
        if (a > b) return 1;
        if (*first == '\0') return 0;
    }
}

void RemoveSurroundingWhiteSpace(char *text) {
    if (!text) return;
    const char *start = skipWhite(text);
    size_t length = std::strlen(start);
    std::memmove(text, start, length);
    while (length > 0 && isWhite(text[length - 1])) --length;
    text[length] = '\0';
}

int StrICmpWithoutSurrWhiteSpace(const char *first, const char *second) {
    if (!first || !second) return first ? 1 : (second ? -1 : 0);
    first = skipWhite(first);
    second = skipWhite(second);
    for (;; ++first, ++second) {
        if (*first == '\0') return *skipWhite(second) ? -1 : 0;
        if (*second == '\0') return *skipWhite(first) ? 1 : 0;
        int a = folded(*first), b = folded(*second);
        if (a != b) return a < b ? -1 : 1;
    }
}

int SpliceCommaSeparatedList(const char *firstList, const char *secondList, char **result) {
    TB_ASSERT(result != nullptr, "NULL passed to third parameter of SpliceCommaSeparatedList()");
    *result = nullptr;
    char *built = nullptr;
    const char *cursors[2] = {firstList, secondList};
    bool ok = true;
    while (ok && (cursors[0] || cursors[1])) {
        size_t lengths[2] = {0, 0};
        bool comma[2] = {false, false};
        for (int list = 0; list < 2; ++list) {
            if (!cursors[list]) continue;
            const char *end = std::strchr(cursors[list], ',');
            comma[list] = end != nullptr;
            lengths[list] = end ? static_cast<size_t>(end - cursors[list]) : std::strlen(cursors[list]);
        }
        int chosen = lengths[0] ? 0 : 1;
        ok = appendCharacters(&built, cursors[chosen] ? cursors[chosen] : "", lengths[chosen]);
        if (ok && (comma[0] || comma[1])) ok = appendCharacters(&built, ",", 1);
        for (int list = 0; list < 2; ++list)
            if (cursors[list]) cursors[list] = comma[list] ? cursors[list] + lengths[list] + 1 : nullptr;
    }
    if (ok && !built) {
        built = static_cast<char *>(tb::allocate(1));
        if (built) built[0] = '\0';
        ok = built != nullptr;
    }
    if (!ok) {
        std::free(built);
        return RTE_UIE_OUT_OF_MEMORY;
    }
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
