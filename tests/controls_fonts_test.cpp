// Ring sizing and meta fonts: ring widths against GetTextDisplaySize of their labels in
// the ring's own font (labels of any length, empty ones, fonts changed by properties),
// rings sized on several threads at once, other styles refused with nothing changed;
// meta font definitions read back through the per-thread hidden panel, which is made
// again when discarded and ends with its thread; which names are meta fonts.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "controls_support.h"
#include "list_support.h"
#include "test_support.h"
#include "toolbox.h"
#include "toolbox_internal.h"
#include "ui_support.h"

using namespace testing_support;

namespace {

struct FontSetting {
    int attribute;
    int value;
};

struct RingCase {
    const char *what;
    int style;
    const char *font;                   // set as the ring's text font (null: the default)
    std::vector<FontSetting> changes;   // properties set after it
    const char *measuredIn;             // a meta font equal to the ring's resulting font
    std::vector<std::string> labels;
};

void PrintTo(const RingCase &c, std::ostream *out) { *out << c.what; }

class RingSizing : public ::testing::TestWithParam<RingCase> {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(CreateMetaFont("RingSerif14", "DejaVu Serif", 14, 1, 0, 1, 0), 0);
        ASSERT_EQ(CreateMetaFont("RingSerif9", "DejaVu Serif", 9, 0, 1, 1, 0), 0);
        ASSERT_EQ(CreateMetaFont("RingSans7", RTE_DIALOG_META_FONT, 7, 0, 0, 0, 0), 0);
    }
};

int widthOf(int panel, int control) { return ctrlInt(panel, control, RTE_ATTR_WIDTH); }

// The width is the widest label in the ring's font plus the arrow: 19 (300) or 21 (301).
TEST_P(RingSizing, WidthFollowsTheWidestLabel) {
    const RingCase &c = GetParam();
    ScopedPanel panel;
    const int ring = NewCtrl(panel, c.style, "Ring", 30, 10);
    if (c.font) {
        ASSERT_EQ(SetCtrlAttribute(panel, ring, RTE_ATTR_TEXT_FONT, c.font), 0);
    }
    for (const FontSetting &s : c.changes) ASSERT_EQ(SetCtrlAttribute(panel, ring, s.attribute, s.value), 0);
    int widest = 0;
    for (const std::string &label : c.labels) {
        ASSERT_EQ(InsertListItem(panel, ring, -1, label.c_str(), 0), 0);
        widest = std::max(widest, textSize(label, c.measuredIn).width);
    }
    ASSERT_EQ(SizeRingCtrlToText(panel, ring), 0);
    EXPECT_EQ(widthOf(panel, ring), widest + (c.style == RTE_CTRL_RING ? 19 : 21));
    // Nothing comes to depend on the ring font: it is left as a useless one.
    char typeface[RTE_MAX_FONT_NAME_LEN];
    int bold, underline, strikeOut, italic, size;
    ASSERT_EQ(GetMetaFontInfo("___RingMetaFont", typeface, &bold, &underline, &strikeOut, &italic, &size), 0);
    EXPECT_STREQ(typeface, "bogusfont");
    EXPECT_EQ((std::vector<int>{bold, underline, strikeOut, italic, size}), (std::vector<int>{1, 1, 1, 1, 6}));
}

const std::string kLong(1000, 'W');

INSTANTIATE_TEST_SUITE_P(
    Labels, RingSizing,
    ::testing::Values(
        RingCase{"DefaultFont", RTE_CTRL_RING, nullptr, {}, RTE_DIALOG_META_FONT,
                 {"Slow", "Medium speed", "", "Fast"}},
        RingCase{"MetaFont", RTE_CTRL_SLIDE_RING, "RingSerif14", {}, "RingSerif14",
                 {"Slow", "Medium speed", "Fast"}},
        RingCase{"PropertiesChanged", RTE_CTRL_RING, "RingSerif14",
                 {{RTE_ATTR_TEXT_POINT_SIZE, 9}, {RTE_ATTR_TEXT_BOLD, 0}, {RTE_ATTR_TEXT_ITALIC, 1}},
                 "RingSerif9", {"Mmmm", "iiiiiiiiiiii"}},
        RingCase{"TypefaceSized", RTE_CTRL_SLIDE_RING, "Arial", {{RTE_ATTR_TEXT_POINT_SIZE, 7}}, "RingSans7",
                 {"one", "three"}},
        RingCase{"AllEmpty", RTE_CTRL_RING, nullptr, {}, RTE_DIALOG_META_FONT, {"", ""}},
        RingCase{"NoLabels", RTE_CTRL_SLIDE_RING, nullptr, {}, RTE_DIALOG_META_FONT, {}},
        RingCase{"LongerThanAnyFixedBuffer", RTE_CTRL_RING, nullptr, {}, RTE_DIALOG_META_FONT,
                 {"short", kLong, kLong.substr(0, 255)}}),
    [](const ::testing::TestParamInfo<RingCase> &param) { return std::string(param.param.what); });

// Other styles get -45 and bad handles the engine's codes; the width stays as it was.
TEST(RingSizingRefusals, OtherStylesChangeNothing) {
    ScopedPanel panel;
    const struct {
        int style;
        const char *label;
    } others[] = {{RTE_CTRL_LIST_BOX, nullptr}, {RTE_CTRL_COMMAND_BUTTON, "b"}, {RTE_CTRL_TEXT_MSG, "t"},
                  {RTE_CTRL_COLOR_NUM, "c"}, {RTE_CTRL_NUMERIC_INDICATOR, "n"}};
    for (const auto &other : others) {
        SCOPED_TRACE(other.style);
        const int c = NewCtrl(panel, other.style, other.label, 0, 0);
        if (other.style == RTE_CTRL_LIST_BOX) InsertListItem(panel, c, -1, "a long line of text", 1);
        const int width = widthOf(panel, c);
        EXPECT_EQ(SizeRingCtrlToText(panel, c), -45);
        EXPECT_EQ(widthOf(panel, c), width);
    }
    int breaking = SetBreakOnLibraryErrors(0);
    EXPECT_EQ(SizeRingCtrlToText(panel, 99), RTE_UIE_INVALID_CONTROL);
    EXPECT_EQ(SizeRingCtrlToText(0, 2), RTE_UIE_INVALID_PANEL);
    SetBreakOnLibraryErrors(breaking);
}

// Rings of different fonts sized on two threads at once each get their own font's width.
TEST(RingSizingThreads, SizedAtOnceEachInItsOwnFont) {
    ASSERT_EQ(CreateMetaFont("RingBig", "DejaVu Serif", 30, 1, 0, 0, 0), 0);
    std::atomic<int> wrong{0};
    auto sizeRepeatedly = [&](const char *font) {
        ScopedPanel panel;
        const int ring = NewCtrl(panel, RTE_CTRL_RING, "r", 0, 0);
        SetCtrlAttribute(panel, ring, RTE_ATTR_TEXT_FONT, font);
        InsertListItem(panel, ring, -1, "Measured label", 0);
        int width = -1;
        GetTextDisplaySize("Measured label", font, nullptr, &width);
        for (int k = 0; k < 200; ++k) {
            if (SizeRingCtrlToText(panel, ring) != 0) ++wrong;
            int got = -1;
            GetCtrlAttribute(panel, ring, RTE_ATTR_WIDTH, &got);
            if (got != width + 19) ++wrong;
        }
    };
    std::thread big(sizeRepeatedly, "RingBig");
    std::thread small(sizeRepeatedly, RTE_FIXED_META_FONT);
    big.join();
    small.join();
    EXPECT_EQ(wrong.load(), 0);
}

struct Definition {
    const char *name;
    const char *typeface;
    std::vector<int> values;  // bold, underline, strike-out, italic, point size
};

// Each output receives its property and typeface the typeface under the font, copied
// exactly (the rest of the buffer untouched); null outputs are skipped.
TEST(MetaFontInfo, ReadsBackDefinitions) {
    ASSERT_EQ(CreateMetaFont("InfoStyled", "bogusfont", 14, 1, 0, 1, 0), 0);
    ASSERT_EQ(CreateMetaFont("InfoBorrower", "InfoStyled", 8, 0, 1, 0, 1), 0);
    const Definition definitions[] = {
        {RTE_DIALOG_META_FONT, RTE_SANS_TYPEFACE, {0, 0, 0, 0, 10}},
        {"titlemetafont", RTE_SANS_TYPEFACE, {1, 0, 0, 0, 12}},
        {RTE_FIXED_META_FONT, RTE_MONO_TYPEFACE, {0, 0, 0, 0, 10}},
        {"InfoStyled", "bogusfont", {1, 1, 0, 0, 14}},
        {"InfoBorrower", "bogusfont", {0, 0, 1, 1, 8}},
        {"Courier New", "Courier New", {0, 0, 0, 0, 10}},
    };
    for (const Definition &d : definitions) {
        SCOPED_TRACE(d.name);
        char typeface[RTE_MAX_FONT_NAME_LEN + 16];
        std::memset(typeface, 0xBD, sizeof typeface);
        std::vector<int> values(5, int(0xDEADBEEF));
        ASSERT_EQ(GetMetaFontInfo(d.name, typeface, &values[0], &values[1], &values[2], &values[3], &values[4]), 0);
        EXPECT_STREQ(typeface, d.typeface);
        for (size_t k = std::strlen(d.typeface) + 1; k < sizeof typeface; ++k)
            ASSERT_EQ(static_cast<unsigned char>(typeface[k]), 0xBD) << "byte " << k;
        EXPECT_EQ(values, d.values);
        int size = -1;
        ASSERT_EQ(GetMetaFontInfo(d.name, nullptr, nullptr, nullptr, nullptr, nullptr, &size), 0);
        EXPECT_EQ(size, d.values[4]);
    }
    int size = 77;
    int breaking = SetBreakOnLibraryErrors(0);
    EXPECT_EQ(GetMetaFontInfo("NoSuchFont", nullptr, nullptr, nullptr, nullptr, nullptr, &size),
              RTE_UIE_UNKNOWN_FONT);
    EXPECT_EQ(GetMetaFontInfo(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &size), RTE_UIE_NULL_ARGUMENT);
    SetBreakOnLibraryErrors(breaking);
    EXPECT_EQ(size, 77);
}

// One hidden panel per thread, kept between calls, made again when discarded from
// outside, and ended by the thread's clean-up when the thread ends.
TEST(MetaFontThreads, HiddenPanelPerThread) {
    ASSERT_EQ(GetMetaFontInfo(RTE_DIALOG_META_FONT, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), 0);
    const int first = tb::threadState()->metaFontPanel;
    ASSERT_GT(first, 0);
    EXPECT_EQ(panelInt(first, RTE_ATTR_VISIBLE), 0);
    ASSERT_EQ(GetMetaFontInfo(RTE_MENU_META_FONT, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(tb::threadState()->metaFontPanel, first);
    ASSERT_EQ(DiscardPanel(first), 0);
    int size = 0;
    ASSERT_EQ(GetMetaFontInfo(RTE_TITLE_META_FONT, nullptr, nullptr, nullptr, nullptr, nullptr, &size), 0);
    EXPECT_EQ(size, 12);
    EXPECT_GT(tb::threadState()->metaFontPanel, first);

    static std::atomic<int> cleanedUp{0};
    cleanedUp = 0;
    tb::observeStateCleanups([](tb::DelayedCallTimer *, int panel) { cleanedUp = panel; });
    int made = 0, other = 0;
    std::thread([&] {
        GetMetaFontInfo(RTE_DIALOG_META_FONT, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
        made = tb::threadState()->metaFontPanel;
        other = tb::threadState()->metaFontPanel != 0 ? 1 : 0;
    }).join();
    tb::observeStateCleanups(nullptr);
    EXPECT_EQ(other, 1);
    EXPECT_NE(made, tb::threadState()->metaFontPanel);
    EXPECT_EQ(cleanedUp.load(), made);
    int visible;
    int breaking = SetBreakOnLibraryErrors(0);
    EXPECT_EQ(GetPanelAttribute(made, RTE_ATTR_VISIBLE, &visible), RTE_UIE_INVALID_PANEL);
    SetBreakOnLibraryErrors(breaking);
}

// Meta fonts answer 1, typefaces and unknown names 0, null -65; nothing is reported
// and breaking on library errors is left as it was.
TEST(IsMetaFontTest, OnlyMetaFontsAnswerOne) {
    ASSERT_EQ(CreateMetaFont("IsMetaMade", "bogusfont", 10, 0, 0, 0, 0), 0);
    const struct {
        const char *name;
        int answer;
    } names[] = {{RTE_DIALOG_META_FONT, 1}, {"MENUMETAFONT", 1}, {"IsMetaMade", 1},
                 {RTE_SANS_TYPEFACE, 0}, {"Arial", 0}, {"bogusfont", 0}, {"", 0},
                 {"DialogMetaFont ", 0}, {nullptr, RTE_UIE_NULL_ARGUMENT}};
    LibraryErrorCounter counter;
    for (const auto &n : names) EXPECT_EQ(IsMetaFont(n.name), n.answer) << (n.name ? n.name : "null");
    EXPECT_EQ(counter.reports(), 0);
    EXPECT_EQ(GetBreakOnLibraryErrors(), 1);
}

}  // namespace
