// List-box labels with escape codes: any bytes go into a list box and come back exactly
// (into a buffer of exactly the stated length); typing a character selects the next line
// whose text, read here from the documented codes, begins with it.
//
// Input: fields split at zero bytes; the first is the characters typed, the others are
// the labels (at most 8, each up to its first zero byte).
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "rtengine.h"

using fuzz_support::GuardedBuffer;
using fuzz_support::require;

namespace {

constexpr char kEscape = '\x1B';

bool digitsAt(const std::string &s, size_t at, size_t count, bool hex) {
    if (at + count > s.size()) return false;
    for (size_t k = at; k < at + count; ++k) {
        char c = s[k];
        bool digit = c >= '0' && c <= '9';
        bool letter = (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!digit && !(hex && letter)) return false;
    }
    return true;
}

// The length of the code at s[at] (an escape byte), 0 when none parses.
size_t codeLength(const std::string &s, size_t at) {
    const size_t k = at + 1;
    if (s.compare(k, 13, "drawfilledbox") == 0 && digitsAt(s, k + 13, 3, false) &&
        digitsAt(s, k + 16, 6, true))
        return 23;
    if ((s.compare(k, 2, "fg") == 0 || s.compare(k, 2, "bg") == 0) && digitsAt(s, k + 2, 6, true))
        return 9;
    if (s.compare(k, 1, "p") == 0)
        for (size_t n = 1; n <= 5 && digitsAt(s, k + 1, n, false); ++n)
            if (k + 1 + n < s.size() && s[k + 1 + n] == 'l') return 2 + n + 1;
    return 0;
}

// The text of a line: the codes out, and an escape byte that starts none.
std::string lineText(const std::string &label) {
    std::string text;
    for (size_t k = 0; k < label.size();) {
        if (label[k] != kEscape) {
            text += label[k++];
            continue;
        }
        size_t length = codeLength(label, k);
        k += length ? length : 1;
    }
    return text;
}

int lower(unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::vector<std::string> fields = fuzz_support::fields(data, size, 9);
    const std::string typed = fields[0];
    std::vector<std::string> labels;
    for (size_t k = 1; k < fields.size(); ++k) labels.push_back(fields[k].c_str());  // C strings
    SetBreakOnLibraryErrors(0);
    const int panel = NewPanel(0, "fuzz", 0, 0, 400, 400);
    const int list = NewCtrl(panel, RTE_CTRL_LIST_BOX, nullptr, 0, 0);
    require(panel > 0 && list > 0 && DisplayPanel(panel) == 0, "a list box can be made");
    for (const std::string &label : labels)
        require(InsertListItem(panel, list, -1, label.c_str(), 0) == 0, "any label is taken");
    for (size_t k = 0; k < labels.size(); ++k) {
        int length = -1;
        require(GetLabelLengthFromIndex(panel, list, int(k), &length) == 0 &&
                    size_t(length) == labels[k].size(), "the length is the label's");
        GuardedBuffer buffer(size_t(length) + 1);
        require(GetLabelFromIndex(panel, list, int(k), buffer.data()) == 0 && buffer.guardsIntact() &&
                    std::string(buffer.data()) == labels[k], "the label comes back exactly");
    }
    require(SetActiveCtrl(panel, list) == 0, "a list box takes the focus");
    int selected = labels.empty() ? -1 : 0;
    for (unsigned char c : typed) {
        if (c < 0x20) continue;
        require(SimulateKeyPress(panel, c) == 0, "a character can be typed");
        ProcessSystemEvents();
        ProcessSystemEvents();
        const int count = int(labels.size());
        for (int step = 1; step <= count; ++step) {
            int index = (selected + step) % count;
            std::string text = lineText(labels[size_t(index)]);
            if (!text.empty() && lower(static_cast<unsigned char>(text[0])) == lower(c)) {
                selected = index;
                break;
            }
        }
        int now = -2;
        require(GetCtrlIndex(panel, list, &now) == 0 && now == selected,
                "typing selects the next line that begins with the character");
    }
    DiscardPanel(panel);
    return 0;
}
