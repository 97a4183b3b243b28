// String utilities against the usual alternatives: comparison without case against the
// C library's strcasecmp and GLib's g_ascii_strcasecmp, trimming against g_strstrip,
// decimal parsing against strtol with the same strictness, and splicing comma lists
// against splitting, merging and joining with GLib.
//
// Every call takes the next of 64 inputs, so no branch predictor learns one.
#include <glib.h>
#include <strings.h>

#include <cerrno>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "ratios.h"
#include "toolbox.h"

namespace {

using Texts = bench::Rotation<std::string>;
constexpr int kInputs = 64;

// --- Comparison without case -------------------------------------------------------------

// Pairs of texts of one length that are equal but for letter case (a letter in two of
// three flipped); a third of them differ in one character at a random place.
std::shared_ptr<bench::Rotation<std::pair<std::string, std::string>>> casePairs(size_t length) {
    static const char alphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 _-.,[]";
    std::mt19937 random(static_cast<unsigned>(length));
    std::vector<std::pair<std::string, std::string>> pairs;
    for (int k = 0; k < kInputs; ++k) {
        std::string first(length, ' ');
        for (char &c : first) c = alphabet[random() % (sizeof alphabet - 1)];
        std::string second = first;
        for (char &c : second)
            if (std::isalpha(static_cast<unsigned char>(c)) && random() % 3 != 0)
                c = static_cast<char>(std::isupper(static_cast<unsigned char>(c)) ? std::tolower(c) : std::toupper(c));
        if (k % 3 == 0) second[random() % length] = '#';
        pairs.emplace_back(first, second);
    }
    return std::make_shared<bench::Rotation<std::pair<std::string, std::string>>>(pairs);
}

template <typename Compare>
std::function<void()> compareWork(size_t length, Compare compare) {
    auto inputs = casePairs(length);
    return [inputs, compare] {
        const auto &pair = inputs->next();
        benchmark::DoNotOptimize(compare(pair.first.c_str(), pair.second.c_str()));
    };
}

// --- Trimming ----------------------------------------------------------------------------

// Words of 1 to 40 characters between 64 and 256 white-space characters on each side
// (of those both sides take as white space: GLib's set has no vertical tab).
std::shared_ptr<Texts> paddedTexts() {
    static const char white[] = " \t\n\r\f   ";
    std::mt19937 random(99);
    std::vector<std::string> texts;
    auto padding = [&] {
        std::string pad(64 + random() % 193, ' ');
        for (char &c : pad) c = white[random() % (sizeof white - 1)];
        return pad;
    };
    for (int k = 0; k < kInputs; ++k) {
        std::string word(1 + random() % 40, 'w');
        for (char &c : word) c = static_cast<char>('a' + random() % 26);
        if (word.size() > 2) word[word.size() / 2] = ' ';
        texts.push_back(padding() + word + padding());
    }
    return std::make_shared<Texts>(texts);
}

// Copies the next text into a work buffer (the same cost for both sides), then trims.
template <typename Trim>
std::function<void()> trimWork(Trim trim) {
    auto inputs = paddedTexts();
    auto buffer = std::make_shared<std::vector<char>>(1024);
    return [inputs, buffer, trim] {
        const std::string &text = inputs->next();
        std::memcpy(buffer->data(), text.c_str(), text.size() + 1);
        trim(buffer->data());
        benchmark::DoNotOptimize(buffer->data());
        benchmark::ClobberMemory();
    };
}

// --- Decimal parsing ---------------------------------------------------------------------

// Valid numbers of every length, with and without sign and surrounding white space,
// and a few invalid texts.
std::shared_ptr<Texts> numberTexts() {
    std::mt19937 random(7);
    std::vector<std::string> texts;
    for (int k = 0; k < kInputs; ++k) {
        long long value = static_cast<long long>(random() % 2147483648u) >> (random() % 31);
        std::string text = std::to_string(value);
        if (k % 2) text = "-" + text;
        if (k % 5 == 0) text = "  " + text + " ";
        if (k % 11 == 0) text += "x";
        texts.push_back(text);
    }
    return std::make_shared<Texts>(texts);
}

// strtol held to StrToInt's rules: leading white space and a sign (strtol's own),
// digits, trailing white space, nothing else, and a value that fits an int.
int strictStrtol(const char *text, int *value) {
    const char *start = text;
    while (std::isspace(static_cast<unsigned char>(*start))) ++start;
    if (!(*start == '+' || *start == '-' || (*start >= '0' && *start <= '9'))) return 0;
    if ((*start == '+' || *start == '-') && !(start[1] >= '0' && start[1] <= '9')) return 0;
    char *end;
    errno = 0;
    long parsed = std::strtol(start, &end, 10);
    if (errno || parsed < INT_MIN || parsed > INT_MAX) return 0;
    while (std::isspace(static_cast<unsigned char>(*end))) ++end;
    if (*end) return 0;
    *value = static_cast<int>(parsed);
    return 1;
}

template <typename Parse>
std::function<void()> parseWork(Parse parse) {
    auto inputs = numberTexts();
    return [inputs, parse] {
        int value = 0;
        benchmark::DoNotOptimize(parse(inputs->next().c_str(), &value));
        benchmark::DoNotOptimize(value);
    };
}

// --- Splicing comma-separated lists --------------------------------------------------------

// Two lists of about `bytes` characters each, elements of 0 to 8 characters (some empty).
std::pair<std::string, std::string> commaLists(size_t bytes) {
    std::mt19937 random(static_cast<unsigned>(bytes));
    auto make = [&] {
        std::string list;
        while (list.size() < bytes) {
            if (!list.empty()) list += ',';
            list += std::string(random() % 9, static_cast<char>('a' + random() % 26));
        }
        return list;
    };
    std::string first = make();
    return {first, make()};
}

void spliceWithToolbox(const std::string &first, const std::string &second) {
    char *result = nullptr;
    SpliceCommaSeparatedList(first.c_str(), second.c_str(), &result);
    benchmark::DoNotOptimize(result);
    std::free(result);
}

// The same merge with GLib: split both, take element by element, join.
void spliceWithGlib(const std::string &first, const std::string &second) {
    gchar **a = g_strsplit(first.c_str(), ",", -1);
    gchar **b = g_strsplit(second.c_str(), ",", -1);
    guint na = g_strv_length(a), nb = g_strv_length(b);
    guint count = na > nb ? na : nb;
    std::vector<gchar *> merged(count + 1, nullptr);
    for (guint i = 0; i < count; ++i)
        merged[i] = i < na && a[i][0] ? a[i] : i < nb ? b[i] : const_cast<gchar *>("");
    gchar *result = g_strjoinv(",", merged.data());
    benchmark::DoNotOptimize(result);
    g_free(result);
    g_strfreev(a);
    g_strfreev(b);
}

std::function<void()> spliceWork(size_t bytes, void (*splice)(const std::string &, const std::string &)) {
    auto lists = std::make_shared<std::pair<std::string, std::string>>(commaLists(bytes));
    return [lists, splice] { splice(lists->first, lists->second); };
}

std::vector<bench::Pair> ratioPairs() {
    std::vector<bench::Pair> pairs;
    for (size_t length : {16, 64, 1024}) {
        std::string size = "  " + std::to_string(length) + " chars";
        auto ours = compareWork(length, StrICmp);
        pairs.push_back({"StrICmp / strcasecmp" + size, ours, compareWork(length, strcasecmp),
                         "StrICmp/" + std::to_string(length), "strcasecmp/" + std::to_string(length), kInputs});
        pairs.push_back({"StrICmp / g_ascii_strcasecmp" + size, ours, compareWork(length, g_ascii_strcasecmp),
                         "StrICmp/" + std::to_string(length), "g_ascii_strcasecmp/" + std::to_string(length),
                         kInputs});
    }
    pairs.push_back({"RemoveSurroundingWhiteSpace / g_strstrip  64-256 padding",
                     trimWork(RemoveSurroundingWhiteSpace), trimWork([](char *text) { g_strstrip(text); }), "RemoveSurroundingWhiteSpace",
                     "g_strstrip", kInputs});
    pairs.push_back({"StrDupWithoutSurrWhiteSpace / g_strstrip(g_strdup)",
                     trimWork([](char *text) { std::free(StrDupWithoutSurrWhiteSpace(text)); }),
                     trimWork([](char *text) { g_free(g_strstrip(g_strdup(text))); }), "StrDupWithoutSurrWhiteSpace",
                     "g_strstrip(g_strdup)", kInputs});
    pairs.push_back({"StrToInt / strtol with the same checks", parseWork(StrToInt), parseWork(strictStrtol),
                     "StrToInt", "strtol", kInputs});
    for (size_t bytes : {size_t{4} << 10, size_t{64} << 10, size_t{1} << 20}) {
        std::string size = std::to_string(bytes >> 10) + " KiB";
        pairs.push_back({"SpliceCommaSeparatedList / GLib split+join  2 x " + size,
                         spliceWork(bytes, spliceWithToolbox), spliceWork(bytes, spliceWithGlib),
                         "SpliceCommaSeparatedList/" + size, "g_strsplit+g_strjoinv/" + size});
    }
    return pairs;
}

}  // namespace

int main(int argc, char **argv) { return bench::runAndPrintRatios(argc, argv, ratioPairs()); }
