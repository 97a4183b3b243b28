// Colour popup: a modal dialog that edits a list of named colours (a list box of the
// names with a sample of each colour, a colour control for the selected entry, OK,
// Cancel and Default), and the search for the nearest colour of a table.
//
// Choices:
//  - Entry labels are made at their full length: a long name is never cut short and
//    never overruns anything.
//  - Every colour the dialog stores in an entry marks the list changed, whether or not
//    the user commits it afterwards: Cancel then restores it, and OK reports it.
//  - Cancel restores the entries in place. The dialog never adds or removes entries, so
//    in the usual case the restore needs no memory and cannot fail; only when the
//    caller's callback changed the count does it need room, which it makes before it
//    touches the list, so a failure (-12) leaves the list as the callback left it and
//    never empty.
//  - A failure while the dialog runs (a line that cannot be relabelled, the panel
//    discarded from outside) is queued as a user event whose number is the code, and
//    the loop ends on any negative event before it looks at the panel.
//  - An empty list shows an empty dialog with the colour control dimmed: there is no
//    entry to edit. A selected line whose entry no longer exists (the callback removed
//    it) is left alone.
//  - The engine places an automatic label above its control, so the colour control's
//    label is put on its left at the margin, centred on the control's height.
//  - The items of colors must be ColorChangeEntry and their colours 0x00RRGGBB; anything
//    else is refused with TbErrUnrecognizedValue before a dialog is made.
//  - FindClosestColorInTable gives -1 for an empty table.
#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <memory>
#include <new>
#include <string>

#include "toolbox_internal.h"

namespace {

constexpr int kMargin = 8;
constexpr int kContentWidth = 550;
constexpr int kSampleWidth = 130;
constexpr int kRightEdge = kContentWidth + kMargin;
constexpr int kNameColumn = kContentWidth - 5 - kSampleWidth;                 // 415
constexpr int kSampleBoxWidth = kContentWidth - kNameColumn - 3 - 2 - 5 - 16;  // 109
constexpr int kLabelGap = 10;
constexpr int kMaxColor = 0xFFFFFF;

struct ListDisposer {
    void operator()(HandleRecord *list) const { ListDispose(list); }
};
using OwnedList = std::unique_ptr<HandleRecord, ListDisposer>;

struct Dialog {
    int changed = 0;
    int panel = 0, listBox = 0, colorCtrl = 0, ok = 0, cancel = 0, reset = 0;
    ListRef colors = nullptr;
    ColorChangeCallbackFn callback = nullptr;
    void *callbackData = nullptr;
    bool ending = false;  // the dialog discards its own panel
};

// Discards the dialog's panel, whatever was made of it, when the dialog ends.
class DialogPanel {
public:
    explicit DialogPanel(Dialog &dialog) : dialog_(dialog) {}
    ~DialogPanel() {
        if (dialog_.panel <= 0) return;
        tb::BreakingOff quiet;  // a panel discarded from outside is gone already
        dialog_.ending = true;
        DiscardPanel(dialog_.panel);
    }
    DialogPanel(const DialogPanel &) = delete;
    DialogPanel &operator=(const DialogPanel &) = delete;

private:
    Dialog &dialog_;
};

// An engine call of the making or relabelling, which a test build can make fail.
template <typename Call>
int step(Call engineCall) {
    if (int code = tb::dialogStepFailure()) return code;
    return engineCall();
}

ColorChangeEntry *entryAt(ListRef colors, int position) {
    return static_cast<ColorChangeEntry *>(ListGetPtrToItem(colors, position));
}

bool validColor(int color) { return color >= 0 && color <= kMaxColor; }

std::string entryLabel(const ColorChangeEntry &entry) {
    char codes[128];
    std::snprintf(codes, sizeof codes,
                  "\x1bp%dl\x1b" "fgCCCCCC\x1b" "drawfilledbox001CCCCCC\x1b" "fg%6.6x\x1b"
                  "drawfilledbox%3.3d%6.6x",
                  kNameColumn, kMaxColor, kSampleBoxWidth, entry.color);
    return std::string(entry.name ? entry.name : "") + codes;
}

int relabel(const Dialog &d, int position) {
    const ColorChangeEntry *entry = entryAt(d.colors, position);
    if (!entry) return 0;
    try {
        std::string label = entryLabel(*entry);
        return step([&] { return ReplaceListItem(d.panel, d.listBox, position - 1, label.c_str(), position); });
    } catch (const std::bad_alloc &) {
        return RTE_UIE_OUT_OF_MEMORY;
    }
}

// The entry position of the selected line, 0 when no line or no such entry.
int selectedEntry(const Dialog &d) {
    tb::BreakingOff quiet;
    int position = 0;
    if (GetCtrlVal(d.panel, d.listBox, &position) < 0) return 0;
    return entryAt(d.colors, position) ? position : 0;
}

int showSelectedColor(const Dialog &d) {
    const int position = selectedEntry(d);
    if (position == 0) return 0;
    return SetCtrlVal(d.panel, d.colorCtrl, entryAt(d.colors, position)->color);
}

void tell(const Dialog &d, int index) {
    if (d.callback) d.callback(d.colors, d.callbackData, index);
}

// ---- Callbacks of the dialog's controls and panel ----

int listChanged(int, int, int event, void *data, intptr_t, intptr_t) {
    if (event == EVENT_VAL_CHANGED) showSelectedColor(*static_cast<Dialog *>(data));
    return 0;
}

int colorChanged(int, int, int event, void *data, intptr_t, intptr_t) {
    Dialog &d = *static_cast<Dialog *>(data);
    if (event == EVENT_COMMIT) {
        d.changed = 1;
        int line = -1;
        if (GetCtrlIndex(d.panel, d.listBox, &line) == 0 && line != -1) tell(d, line + 1);
    } else if (event == EVENT_VAL_CHANGED) {
        const int position = selectedEntry(d);
        int color = 0;
        if (position == 0 || GetCtrlVal(d.panel, d.colorCtrl, &color) < 0) return 0;
        ColorChangeEntry *entry = entryAt(d.colors, position);
        if (entry->color == color) return 0;
        entry->color = color;
        d.changed = 1;
        if (int code = relabel(d, position)) QueueUserEvent(code, 0, 0);
    }
    return 0;
}

int panelEvent(int, int event, void *data, intptr_t, intptr_t) {
    Dialog &d = *static_cast<Dialog *>(data);
    if (event == EVENT_DISCARD && !d.ending) QueueUserEvent(RTE_UIE_INVALID_PANEL, 0, 0);
    return 0;
}

// ---- Making the dialog ----

int newCtrl(int panel, int style, const char *label, int top, int left, int &id) {
    id = step([&] { return NewCtrl(panel, style, label, top, left); });
    return id < 0 ? id : 0;
}

int setCtrl(int panel, int control, int attribute, int value) {
    return step([&] { return SetCtrlAttribute(panel, control, attribute, value); });
}

int readCtrl(int panel, int control, int attribute, int &value) {
    return step([&] { return GetCtrlAttribute(panel, control, attribute, &value); });
}

int makeControls(Dialog &d) {
    const int p = d.panel;
    int nameText = 0, sampleText = 0;
    int code = step([&] { return SetPanelAttribute(p, RTE_ATTR_FLOATING, 1); });
    if (code == 0) code = newCtrl(p, RTE_CTRL_COMMAND_BUTTON, "__OK", 10, 10, d.ok);
    if (code == 0) code = newCtrl(p, RTE_CTRL_COMMAND_BUTTON, "  __Cancel  ", 10, 10, d.cancel);
    if (code == 0) code = newCtrl(p, RTE_CTRL_COMMAND_BUTTON, "__Default", 10, 10, d.reset);
    if (code == 0) code = newCtrl(p, RTE_CTRL_COLOR_NUM, "Color:", 0, 0, d.colorCtrl);
    if (code == 0) code = newCtrl(p, RTE_CTRL_TEXT_MSG, "Color Name:", kMargin, kMargin, nameText);
    if (code == 0) code = newCtrl(p, RTE_CTRL_TEXT_MSG, "Sample:", kMargin, 0, sampleText);
    if (code == 0) code = setCtrl(p, sampleText, RTE_ATTR_LEFT, kRightEdge - kSampleWidth);
    if (code == 0) code = newCtrl(p, RTE_CTRL_LIST_BOX, nullptr, 0, kMargin, d.listBox);
    int textHeight = 0;
    if (code == 0) code = readCtrl(p, nameText, RTE_ATTR_HEIGHT, textHeight);
    return code < 0 ? code : kMargin + textHeight + 4;
}

int placeList(Dialog &d, int &top) {
    const int p = d.panel, lines = static_cast<int>(Pin(ListNumItems(d.colors), 5, 10));
    int code = step([&] { return InstallCtrlCallback(p, d.listBox, listChanged, &d); });
    if (code == 0) code = setCtrl(p, d.listBox, RTE_ATTR_VISIBLE_LINES, lines);
    if (code == 0) code = setCtrl(p, d.listBox, RTE_ATTR_TOP, top);
    if (code == 0) code = setCtrl(p, d.listBox, RTE_ATTR_WIDTH, kContentWidth);
    int height = 0;
    if (code == 0) code = readCtrl(p, d.listBox, RTE_ATTR_HEIGHT, height);
    top += height + kMargin;
    return code;
}

int placeColorControl(Dialog &d, int top) {
    const int p = d.panel, c = d.colorCtrl;
    int labelWidth = 0, labelHeight = 0, height = 0;
    int code = readCtrl(p, c, RTE_ATTR_LABEL_WIDTH, labelWidth);
    if (code == 0) code = readCtrl(p, c, RTE_ATTR_LABEL_HEIGHT, labelHeight);
    if (code == 0) code = readCtrl(p, c, RTE_ATTR_HEIGHT, height);
    if (code == 0) code = setCtrl(p, c, RTE_ATTR_TOP, top);
    if (code == 0) code = setCtrl(p, c, RTE_ATTR_LEFT, labelWidth + kMargin + kLabelGap);
    if (code == 0) code = setCtrl(p, c, RTE_ATTR_LABEL_LEFT, kMargin);
    if (code == 0) code = setCtrl(p, c, RTE_ATTR_LABEL_TOP, top + (height - labelHeight) / 2);
    if (code == 0) code = setCtrl(p, c, RTE_ATTR_LABEL_RAISED, 0);
    if (code == 0) code = step([&] { return InstallCtrlCallback(p, c, colorChanged, &d); });
    if (code == 0 && ListNumItems(d.colors) == 0) code = setCtrl(p, c, RTE_ATTR_DIMMED, 1);
    return code;
}

int placeButtons(Dialog &d, int &top, int allowDefault) {
    const int p = d.panel;
    int code = step([&] {
        return SetCtrlsToAttributeExtreme(p, RTE_ATTR_WIDTH, 0, 3, d.ok, d.cancel, d.reset);
    });
    if (code == 0)
        code = step([&] { return SetAttributeForCtrls(p, RTE_ATTR_TOP, top, 3, d.ok, d.cancel, d.reset); });
    int width = 0, height = 0;
    if (code == 0) code = readCtrl(p, d.ok, RTE_ATTR_WIDTH, width);
    if (code == 0) code = readCtrl(p, d.ok, RTE_ATTR_HEIGHT, height);
    if (code == 0) code = setCtrl(p, d.cancel, RTE_ATTR_LEFT, kRightEdge - width);
    if (code == 0) code = setCtrl(p, d.ok, RTE_ATTR_LEFT, kRightEdge - 2 * width - 16);
    if (code == 0) code = setCtrl(p, d.reset, RTE_ATTR_LEFT, kRightEdge - 3 * width - 32);
    top += height + kMargin + kMargin;
    if (code == 0) code = step([&] { return SetPanelAttribute(p, RTE_ATTR_HEIGHT, top); });
    if (code == 0)
        code = step([&] { return SetPanelAttribute(p, RTE_ATTR_WIDTH, kContentWidth + 2 * kMargin); });
    if (code == 0) code = step([&] { return SetPanelPos(p, RTE_AUTO_CENTER, RTE_AUTO_CENTER); });
    if (code == 0)
        code = step([&] { return SetCommonDialogShortcutKeys(p, d.ok, d.cancel, d.cancel); });
    if (code == 0 && !allowDefault) code = setCtrl(p, d.reset, RTE_ATTR_VISIBLE, 0);
    return code;
}

int fillList(const Dialog &d) {
    const int count = ListNumItems(d.colors);
    for (int position = 1; position <= count; ++position) {
        std::string label;
        try {
            label = entryLabel(*entryAt(d.colors, position));
        } catch (const std::bad_alloc &) {
            return RTE_UIE_OUT_OF_MEMORY;
        }
        int code = step([&] { return InsertListItem(d.panel, d.listBox, -1, label.c_str(), position); });
        if (code < 0) return code;
    }
    return 0;
}

int build(Dialog &d, const char *title, int allowDefault) {
    d.panel = step([&] { return NewPanel(0, title ? title : "", 30, 30, 200, 200); });
    if (d.panel < 0) return d.panel;
    int code = step([&] { return InstallPanelCallback(d.panel, panelEvent, &d); });
    int top = code == 0 ? makeControls(d) : code;
    code = top < 0 ? top : 0;
    if (code == 0) code = placeList(d, top);
    if (code == 0) code = placeColorControl(d, top);
    if (code == 0) code = placeButtons(d, top, allowDefault);
    if (code == 0) code = fillList(d);
    if (code == 0) code = step([&] { return SetActiveCtrl(d.panel, d.listBox); });
    if (code == 0) code = step([&] { return showSelectedColor(d); });
    if (code == 0) code = step([&] { return InstallPopup(d.panel); });
    return code;
}

// ---- Running it ----

// Puts the saved entries back into colors, which the dialog left at the same count
// (the callback may have changed it); -12 with colors untouched when room is short.
int restore(ListRef colors, ListRef saved) {
    const int count = ListNumItems(saved), now = ListNumItems(colors);
    const char *items = static_cast<const char *>(ListGetDataPtr(saved));
    const size_t size = sizeof(ColorChangeEntry);
    if (now < count && !ListInsertItems(colors, items + size * size_t(now), ListPosEnd, count - now))
        return RTE_UIE_OUT_OF_MEMORY;
    if (now > count) ListRemoveItems(colors, nullptr, count + 1, now - count);
    if (count > 0) ListReplaceItems(colors, items, 1, std::min(now, count));
    return 0;
}

int resetToDefaults(Dialog &d) {
    d.changed = 1;
    const int count = ListNumItems(d.colors);
    for (int position = 1; position <= count; ++position) {
        ColorChangeEntry *entry = entryAt(d.colors, position);
        entry->color = entry->defaultColor;
        if (int code = relabel(d, position)) return code;
    }
    showSelectedColor(d);
    tell(d, -1);
    return 0;
}

// The dialog's loop: the result once OK or Cancel ends it, or a failure's code.
int run(Dialog &d, ListRef saved) {
    for (;;) {
        int panel = 0, control = 0;
        const int event = GetUserEvent(1, &panel, &control);
        if (event < 0) return event;
        if (panel != d.panel || event != EVENT_COMMIT) continue;
        if (control == d.ok) return d.changed;
        if (control == d.cancel) {
            if (d.changed) {
                if (int code = restore(d.colors, saved)) return code;
                tell(d, -1);
            }
            return 0;
        }
        if (control == d.reset) {
            if (int code = resetToDefaults(d)) return code;
        }
    }
}

int checkEntries(ListRef colors) {
    if (ListGetItemSize(colors) != static_cast<int>(sizeof(ColorChangeEntry)))
        return TbErrUnrecognizedValue;
    for (int position = 1; position <= ListNumItems(colors); ++position) {
        const ColorChangeEntry *entry = entryAt(colors, position);
        if (!validColor(entry->color) || !validColor(entry->defaultColor)) return TbErrUnrecognizedValue;
    }
    return 0;
}

}  // namespace

extern "C" {

int ColorChangePopup(const char *title, ListRef colors, int allowDefault,
                     ColorChangeCallbackFn callback, void *callbackData) {
    if (!colors) return RTE_UIE_NULL_ARGUMENT;
    if (int code = checkEntries(colors)) return code;
    OwnedList saved(ListCopy(colors));
    if (!saved) return RTE_UIE_OUT_OF_MEMORY;
    Dialog d;
    d.colors = colors;
    d.callback = callback;
    d.callbackData = callbackData;
    DialogPanel owned(d);
    int result = build(d, title, allowDefault);
    if (result == 0) result = run(d, saved.get());
    return result;
}

int FindClosestColorInTable(int color, const int *table, int count) {
    if (count <= 0) return -1;
    if (!table) return RTE_UIE_NULL_ARGUMENT;
    auto channels = [](int c, int &r, int &g, int &b) {
        r = (c >> 16) & 0xFF;
        g = (c >> 8) & 0xFF;
        b = c & 0xFF;
    };
    int r, g, b;
    channels(color, r, g, b);
    int best = 0;
    uint32_t bestDistance = 0;
    for (int k = 0; k < count; ++k) {
        int r2, g2, b2;
        channels(table[k], r2, g2, b2);
        auto square = [](int v) { return static_cast<uint32_t>(v * v); };
        const uint32_t distance = 3u * (square(r - r2) + square(g - g2) + square(b - b2)) +
                                  square((r2 - g2) - (r - g)) + square((r2 - b2) - (r - b)) +
                                  square((g2 - b2) - (g - b));
        if (k == 0 || distance < bestDistance) {
            best = k;
            bestDistance = distance;
        }
        if (distance == 0) break;
    }
    return best;
}

}  // extern "C"
