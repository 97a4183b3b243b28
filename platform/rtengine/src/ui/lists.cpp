// Lists of rings and list boxes: their items, the selection, a list box's lines, the
// escape codes of list-box labels, and what input does to them.
//
// Choices:
//  - Values are ints, whatever the item; rings and list boxes read as data type int.
//  - A control with items always has one selected (the first item inserted into an
//    empty control, and after a deletion the item that takes the deleted one's index,
//    or the last), so -1 means "empty". The selection follows its item when others are
//    inserted or deleted in front of it.
//  - A list box keeps its selection in view: selecting scrolls just enough. Its first
//    visible line is kept within the items, and may leave empty lines below the last
//    item only when there are fewer items than lines.
//  - Index checks come before anything changes; a bad index is
//    RTE_UIE_INDEX_OUT_OF_RANGE and changes nothing.
//  - Escape codes that do not parse are drawn as text (the escape byte itself takes
//    no room), so a label never fails to insert because of what it holds.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "ui/ui_internal.h"

namespace rte::ui {

namespace {

constexpr char kEscape = '\x1B';
constexpr int kMaxVisibleLines = 1000;

bool isHexDigits(const std::string &s, size_t at, size_t count) {
    if (at + count > s.size()) return false;
    for (size_t k = at; k < at + count; ++k)
        if (!std::isxdigit(static_cast<unsigned char>(s[k]))) return false;
    return true;
}

bool isDecimalDigits(const std::string &s, size_t at, size_t count) {
    if (at + count > s.size()) return false;
    for (size_t k = at; k < at + count; ++k)
        if (!std::isdigit(static_cast<unsigned char>(s[k]))) return false;
    return true;
}

bool startsWith(const std::string &s, size_t at, const char *word) {
    return s.compare(at, std::strlen(word), word) == 0;
}

// The length of the escape code starting at label[at] (the escape byte), with what it
// does in run; 0 when it does not parse.
size_t parseEscape(const std::string &label, size_t at, LineRun &run) {
    size_t k = at + 1;
    if (startsWith(label, k, "drawfilledbox") && isDecimalDigits(label, k + 13, 3) &&
        isHexDigits(label, k + 16, 6)) {
        run = {LineRun::Box, std::stoi(label.substr(k + 13, 3)),
               int(std::stoul(label.substr(k + 16, 6), nullptr, 16)), {}};
        return 1 + 13 + 3 + 6;
    }
    if ((startsWith(label, k, "fg") || startsWith(label, k, "bg")) && isHexDigits(label, k + 2, 6)) {
        run = {label[k] == 'f' ? LineRun::Foreground : LineRun::Background, 0,
               int(std::stoul(label.substr(k + 2, 6), nullptr, 16)), {}};
        return 1 + 2 + 6;
    }
    if (startsWith(label, k, "p")) {
        size_t digits = 0;
        while (digits < 5 && isDecimalDigits(label, k + 1 + digits, 1)) ++digits;
        if (digits > 0 && k + 1 + digits < label.size() && label[k + 1 + digits] == 'l') {
            run = {LineRun::Column, std::stoi(label.substr(k + 1, digits)), 0, {}};
            return 1 + 1 + digits + 1;
        }
    }
    return 0;
}

// ---- Items and selection (lock held) ----

int itemCount(const Control &c) { return int(c.items.size()); }

void clampFirstVisible(Control &c) {
    c.firstVisible = std::clamp(c.firstVisible, 0, std::max(itemCount(c) - 1, 0));
}

void scrollIntoView(Control &c) {
    if (!c.is(kListBox) || c.selected < 0) return;
    if (c.selected < c.firstVisible) c.firstVisible = c.selected;
    if (c.selected >= c.firstVisible + c.visibleLines)
        c.firstVisible = c.selected - c.visibleLines + 1;
}

Control *findList(Model &m, int panel, int control, int &code) {
    Panel *p;
    Control *c = findControl(m, panel, control, p, code);
    if (c && !c->is(kListKinds)) {
        code = RTE_UIE_WRONG_CONTROL_KIND;
        return nullptr;
    }
    return c;
}

bool validIndex(const Control &c, int index) { return index >= 0 && index < itemCount(c); }

// Runs an operation on a ring or list box with the model locked.
template <typename Operation>
int withList(int panel, int control, Operation operation) {
    Model &m = model();
    Guard lock(m.mutex);
    int code;
    Control *c = findList(m, panel, control, code);
    if (!c) return code;
    code = operation(*c);
    if (code == 0) panelLooksChanged(m, panel);
    return code;
}

int insertItem(Control &c, int index, const char *label, int value, ImageRef image = nullptr) {
    if (index == -1) index = itemCount(c);
    if (index < 0 || index > itemCount(c)) return RTE_UIE_INDEX_OUT_OF_RANGE;
    if (!label) return RTE_UIE_NULL_ARGUMENT;
    ListItem item{label, value, std::move(image)};
    c.items.reserve(c.items.size() + 1);  // may throw: nothing has changed yet
    c.items.insert(c.items.begin() + index, std::move(item));
    if (c.selected < 0)
        c.selected = 0;
    else if (c.selected >= index)
        ++c.selected;
    return 0;
}

int deleteItems(Control &c, int index, int count) {
    if (!validIndex(c, index) && !(index == itemCount(c) && count == 0))
        return RTE_UIE_INDEX_OUT_OF_RANGE;
    if (count == -1) count = itemCount(c) - index;
    if (count < 0 || count > itemCount(c) - index) return RTE_UIE_INDEX_OUT_OF_RANGE;
    c.items.erase(c.items.begin() + index, c.items.begin() + index + count);
    if (c.selected >= index + count)
        c.selected -= count;
    else if (c.selected >= index)
        c.selected = std::min(index, itemCount(c) - 1);
    clampFirstVisible(c);
    scrollIntoView(c);
    return 0;
}

// The index a key moves a list's selection to; -2 when the key is not for the list.
int indexForKey(const Control &c, int key) {
    const int count = itemCount(c);
    if (count == 0) return -2;
    const int page = c.is(kListBox) ? std::max(c.visibleLines, 1) : count;
    const int at = c.selected;
    switch (key) {
    case RTE_KEY_UP: return std::max(at - 1, 0);
    case RTE_KEY_DOWN: return std::min(at + 1, count - 1);
    case RTE_KEY_HOME: return 0;
    case RTE_KEY_END: return count - 1;
    case RTE_KEY_PAGE_UP: return std::max(at - page, 0);
    case RTE_KEY_PAGE_DOWN: return std::min(std::max(at, 0) + page, count - 1);
    default: break;
    }
    const int character = key & 0xFF;
    if (!c.is(kListBox) || key != character || character < 0x20) return -2;
    // The next line, after the selected one and wrapping, whose text begins with it.
    for (int step = 1; step <= count; ++step) {
        int index = (at + step) % count;
        std::string text = listLineText(c.items[size_t(index)].label);
        if (!text.empty() && std::tolower(static_cast<unsigned char>(text[0])) ==
                                 std::tolower(character))
            return index;
    }
    return at;
}

}  // namespace

std::vector<LineRun> parseListLine(const std::string &label) {
    std::vector<LineRun> runs;
    std::string text;
    auto flushText = [&] {
        if (text.empty()) return;
        runs.push_back({LineRun::Text, 0, 0, std::move(text)});
        text.clear();
    };
    for (size_t k = 0; k < label.size();) {
        LineRun code;
        size_t length = label[k] == kEscape ? parseEscape(label, k, code) : 0;
        if (length == 0) {
            if (label[k] != kEscape) text += label[k];
            ++k;
            continue;
        }
        flushText();
        runs.push_back(std::move(code));
        k += length;
    }
    flushText();
    return runs;
}

std::string listLineText(const std::string &label) {
    std::string text;
    for (const LineRun &run : parseListLine(label))
        if (run.kind == LineRun::Text) text += run.text;
    return text;
}

int getListValue(const Control &c, AttrValue &v) {
    if (c.selected < 0) return RTE_UIE_INDEX_OUT_OF_RANGE;
    v.d = c.items[size_t(c.selected)].value;
    return 0;
}

int setListValue(Control &c, const AttrValue &v) {
    for (size_t k = 0; k < c.items.size(); ++k) {
        if (c.items[k].value != v.d) continue;
        selectItem(c, int(k));
        return 0;
    }
    return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
}

int setVisibleLines(Control &c, int lines) {
    if (lines < 1 || lines > kMaxVisibleLines) return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
    c.visibleLines = lines;
    c.fitToFont();
    scrollIntoView(c);
    return 0;
}

int setFirstVisibleLine(Control &c, int line) {
    if (line < 0 || line > std::max(itemCount(c) - 1, 0)) return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
    c.firstVisible = line;
    return 0;
}

void heightChanged(Control &c) {
    if (!c.is(kListBox)) return;
    int line = std::max(lineHeightOf(c.textFont.resolved), 1);
    c.visibleLines = std::clamp((c.height - 2 * kListFrame) / line, 1, kMaxVisibleLines);
}

bool selectItem(Control &c, int index) {
    if (!validIndex(c, index)) return false;
    bool changed = c.selected != index;
    c.selected = index;
    scrollIntoView(c);
    return changed;
}

int listIndexAtPress(const Control &c, int x, int y) {
    (void)x;
    if (c.is(kRings)) return itemCount(c) ? (c.selected + 1) % itemCount(c) : -1;
    int line = std::max(lineHeightOf(c.textFont.resolved), 1);
    int offset = y - c.top - kListFrame;
    if (offset < 0) return -1;
    int index = c.firstVisible + offset / line;
    return offset / line < c.visibleLines && validIndex(c, index) ? index : -1;
}

int listIndexForKey(const Control &c, int key) { return indexForKey(c, key); }

int insertImageItem(Control &c, int index, int value, ImageRef image) {
    return insertItem(c, index, "", value, std::move(image));
}

}  // namespace rte::ui

using namespace rte::ui;

extern "C" {

int InsertListItem(int panel, int control, int index, const char *label, int value) {
    return entry("InsertListItem", [&] {
        return withList(panel, control, [&](Control &c) { return insertItem(c, index, label, value); });
    });
}

int ReplaceListItem(int panel, int control, int index, const char *label, int value) {
    return entry("ReplaceListItem", [&] {
        return withList(panel, control, [&](Control &c) {
            if (!validIndex(c, index)) return int(RTE_UIE_INDEX_OUT_OF_RANGE);
            if (!label) return int(RTE_UIE_NULL_ARGUMENT);
            // A picture ring's item keeps its image.
            ListItem item{label, value, c.items[size_t(index)].image};  // may throw
            c.items[size_t(index)] = std::move(item);
            return 0;
        });
    });
}

int DeleteListItem(int panel, int control, int index, int count) {
    return entry("DeleteListItem", [&] {
        return withList(panel, control, [&](Control &c) { return deleteItems(c, index, count); });
    });
}

int ClearListCtrl(int panel, int control) {
    return entry("ClearListCtrl", [&] {
        return withList(panel, control, [&](Control &c) {
            c.items.clear();
            c.selected = -1;
            c.firstVisible = 0;
            return 0;
        });
    });
}

int GetNumListItems(int panel, int control, int *count) {
    return entry("GetNumListItems", [&] {
        return withList(panel, control, [&](Control &c) {
            if (!count) return int(RTE_UIE_NULL_ARGUMENT);
            *count = itemCount(c);
            return 0;
        });
    });
}

int GetLabelLengthFromIndex(int panel, int control, int index, int *length) {
    return entry("GetLabelLengthFromIndex", [&] {
        return withList(panel, control, [&](Control &c) {
            if (!validIndex(c, index)) return int(RTE_UIE_INDEX_OUT_OF_RANGE);
            if (!length) return int(RTE_UIE_NULL_ARGUMENT);
            *length = int(c.items[size_t(index)].label.size());
            return 0;
        });
    });
}

int GetLabelFromIndex(int panel, int control, int index, char *label) {
    return entry("GetLabelFromIndex", [&] {
        return withList(panel, control, [&](Control &c) {
            if (!validIndex(c, index)) return int(RTE_UIE_INDEX_OUT_OF_RANGE);
            if (!label) return int(RTE_UIE_NULL_ARGUMENT);
            const std::string &text = c.items[size_t(index)].label;
            std::memcpy(label, text.c_str(), text.size() + 1);
            return 0;
        });
    });
}

int GetValueFromIndex(int panel, int control, int index, int *value) {
    return entry("GetValueFromIndex", [&] {
        return withList(panel, control, [&](Control &c) {
            if (!validIndex(c, index)) return int(RTE_UIE_INDEX_OUT_OF_RANGE);
            if (!value) return int(RTE_UIE_NULL_ARGUMENT);
            *value = c.items[size_t(index)].value;
            return 0;
        });
    });
}

int GetIndexFromValue(int panel, int control, int *index, int value) {
    return entry("GetIndexFromValue", [&] {
        return withList(panel, control, [&](Control &c) {
            if (!index) return int(RTE_UIE_NULL_ARGUMENT);
            auto found = std::find_if(c.items.begin(), c.items.end(),
                                      [&](const ListItem &item) { return item.value == value; });
            *index = found == c.items.end() ? -1 : int(found - c.items.begin());
            return 0;
        });
    });
}

int GetCtrlIndex(int panel, int control, int *index) {
    return entry("GetCtrlIndex", [&] {
        return withList(panel, control, [&](Control &c) {
            if (!index) return int(RTE_UIE_NULL_ARGUMENT);
            *index = c.selected;
            return 0;
        });
    });
}

int SetCtrlIndex(int panel, int control, int index) {
    return entry("SetCtrlIndex", [&] {
        return withList(panel, control, [&](Control &c) {
            if (!validIndex(c, index)) return int(RTE_UIE_INDEX_OUT_OF_RANGE);
            selectItem(c, index);
            return 0;
        });
    });
}

}  // extern "C"
