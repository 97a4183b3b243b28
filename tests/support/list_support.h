// Helpers for the suites of list controls, colours and fonts: a list's items and
// selection read through the list functions, text sizes measured by the engine's own
// measuring call, and the escape-coded labels the colour popup gives its lines.
#ifndef TOOLBOX_LIST_SUPPORT_H
#define TOOLBOX_LIST_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "rtengine.h"

namespace testing_support {

// A ring's or list box's items (label, value) and selected index, read through the
// list functions; a failed read fails the test.
struct ListState {
    std::vector<std::pair<std::string, int>> items;
    int selected = -99;
    bool operator==(const ListState &o) const { return items == o.items && selected == o.selected; }
};
inline std::ostream &operator<<(std::ostream &out, const ListState &s) {
    out << "{";
    for (const auto &item : s.items) out << "\"" << item.first << "\"=" << item.second << " ";
    return out << "selected " << s.selected << "}";
}
inline ListState listStateOf(int panel, int control) {
    ListState state;
    int count = -1;
    EXPECT_EQ(GetNumListItems(panel, control, &count), 0);
    for (int k = 0; k < count; ++k) {
        int length = -1, value = 0;
        EXPECT_EQ(GetLabelLengthFromIndex(panel, control, k, &length), 0);
        std::string label(size_t(length > 0 ? length : 0) + 1, '\xBD');
        EXPECT_EQ(GetLabelFromIndex(panel, control, k, &label[0]), 0);
        EXPECT_EQ(label.back(), '\0') << "the label must fill its length exactly";
        label.pop_back();
        EXPECT_EQ(GetValueFromIndex(panel, control, k, &value), 0);
        state.items.emplace_back(label, value);
    }
    EXPECT_EQ(GetCtrlIndex(panel, control, &state.selected), 0);
    return state;
}

// Width and height of text in a meta font, by GetTextDisplaySize.
struct TextSize {
    int width = -1, height = -1;
};
inline TextSize textSize(const std::string &text, const char *metaFont = RTE_DIALOG_META_FONT) {
    TextSize size;
    EXPECT_EQ(GetTextDisplaySize(text.c_str(), metaFont, &size.height, &size.width), 0);
    return size;
}

// A colour-list line as the colour popup labels it: the name, a move to the sample
// column, a grey mark and the framed sample box.
inline std::string colorLine(const std::string &name, int column, int boxWidth, int color) {
    char codes[128];
    std::snprintf(codes, sizeof codes,
                  "\x1bp%dl\x1b" "fgCCCCCC\x1b" "drawfilledbox001CCCCCC\x1b" "fg%6.6x\x1b"
                  "drawfilledbox%3.3d%6.6x",
                  column, 0xFFFFFF, boxWidth, color);
    return name + codes;
}

}  // namespace testing_support

#endif
