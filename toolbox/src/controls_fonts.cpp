// Ring sizing and meta fonts: a ring made as wide as its widest label, the definition
// of a meta font read back through a hidden text control, and whether a name is a
// meta font.
//
// Choices:
//  - Labels are read at their own length (the engine says it first), so a label of
//    any length is measured whole and no buffer is overrun.
//  - Rings are measured in the meta font "___RingMetaFont", one name for the process;
//    the library serialises its sizings, so two threads sizing rings at once each
//    measure in their own ring's font. After measuring the name is redefined as a
//    deliberately useless font, so nothing else comes to depend on it.
//  - A failure in the middle leaves the ring's width as it was.
//  - IsMetaFont answers 1 for meta fonts only (predefined or made with
//    CreateMetaFont). A plain typeface name is no meta font and answers 0, as does a
//    name the engine does not know; any other failure is returned.
//  - GetMetaFontInfo's typeface buffer must hold RTE_MAX_FONT_NAME_LEN bytes, which
//    every name the engine reports fits; the name's length is checked before it is
//    copied. The hidden panel is per thread; one discarded by someone else is made
//    again. The thread's clean-up discards it when the thread ends.
#include <cstdlib>
#include <memory>
#include <mutex>
#include <new>
#include <string>

#include "toolbox_internal.h"

namespace {

constexpr const char *kRingFont = "___RingMetaFont";
constexpr int kRingArrowWidth = 19;
constexpr int kSlideRingArrowWidth = 21;
constexpr int kNotARing = RTE_UIE_INVALID_PANEL;  // -45: the code callers know for it

std::mutex &ringFontMutex() {
    static std::mutex *mutex = new std::mutex;  // never destroyed: used by exit-time code
    return *mutex;
}

// A control attribute read as a string of the length the engine states first.
int readString(int panel, int control, int lengthAttribute, int attribute, std::string &out) {
    int length = 0;
    int code = GetCtrlAttribute(panel, control, lengthAttribute, &length);
    if (code < 0) return code;
    try {
        out.assign(static_cast<size_t>(length) + 1, '\0');
    } catch (const std::bad_alloc &) {
        return RTE_UIE_OUT_OF_MEMORY;
    }
    code = GetCtrlAttribute(panel, control, attribute, &out[0]);
    out.resize(static_cast<size_t>(length));
    return code;
}

int readLabel(int panel, int control, int index, std::string &out) {
    int length = 0;
    int code = GetLabelLengthFromIndex(panel, control, index, &length);
    if (code < 0) return code;
    try {
        out.assign(static_cast<size_t>(length) + 1, '\0');
    } catch (const std::bad_alloc &) {
        return RTE_UIE_OUT_OF_MEMORY;
    }
    code = GetLabelFromIndex(panel, control, index, &out[0]);
    out.resize(static_cast<size_t>(length));
    return code;
}

// Defines the ring font from the ring's text font and its properties.
int defineRingFont(int panel, int control) {
    std::string fontName;
    int code = readString(panel, control, RTE_ATTR_TEXT_FONT_NAME_LENGTH, RTE_ATTR_TEXT_FONT, fontName);
    if (code < 0) return code;
    const int attributes[] = {RTE_ATTR_TEXT_POINT_SIZE, RTE_ATTR_TEXT_BOLD, RTE_ATTR_TEXT_ITALIC,
                              RTE_ATTR_TEXT_UNDERLINE, RTE_ATTR_TEXT_STRIKEOUT};
    int values[5] = {0, 0, 0, 0, 0};
    for (int k = 0; k < 5; ++k) {
        code = GetCtrlAttribute(panel, control, attributes[k], &values[k]);
        if (code < 0) return code;
    }
    return CreateMetaFont(kRingFont, fontName.c_str(), values[0], values[1], values[2], values[3],
                          values[4]);
}

int widestLabel(int panel, int control, int &widest) {
    int count = 0;
    int code = GetNumListItems(panel, control, &count);
    std::string label;
    for (int index = 0; code == 0 && index < count; ++index) {
        code = readLabel(panel, control, index, label);
        int width = 0;
        if (code == 0) code = GetTextDisplaySize(label.c_str(), kRingFont, nullptr, &width);
        if (code == 0 && width > widest) widest = width;
    }
    return code;
}

// The calling thread's hidden panel and text control, made when missing.
int metaFontSample(int &panel, int &sample) {
    tb::LibraryThreadState *state = tb::threadState();
    if (!state) return RTE_UIE_OUT_OF_MEMORY;
    int style = 0;
    {
        tb::BreakingOff quiet;
        if (state->metaFontPanel > 0 &&
            GetCtrlAttribute(state->metaFontPanel, state->metaFontTextCtrl, RTE_ATTR_CTRL_STYLE,
                             &style) == 0 &&
            style == RTE_CTRL_TEXT_MSG) {
            panel = state->metaFontPanel;
            sample = state->metaFontTextCtrl;
            return 0;
        }
        if (state->metaFontPanel > 0) DiscardPanel(state->metaFontPanel);
        state->metaFontPanel = 0;
        state->metaFontTextCtrl = 0;
    }
    int made = NewPanel(0, "Metafont info panel", -1000, -1000, 10, 10);
    if (made < 0) return made;
    int text = NewCtrl(made, RTE_CTRL_TEXT_MSG, "Sample", 0, 0);
    if (text < 0) {
        tb::BreakingOff quiet;
        DiscardPanel(made);
        return text;
    }
    state->metaFontPanel = panel = made;
    state->metaFontTextCtrl = sample = text;
    return 0;
}

}  // namespace

extern "C" {

int SizeRingCtrlToText(int panel, int control) {
    int style = 0;
    int code = GetCtrlAttribute(panel, control, RTE_ATTR_CTRL_STYLE, &style);
    if (code < 0) return code;
    int extra;
    if (style == RTE_CTRL_RING)
        extra = kRingArrowWidth;
    else if (style == RTE_CTRL_SLIDE_RING)
        extra = kSlideRingArrowWidth;
    else
        return kNotARing;
    std::lock_guard<std::mutex> hold(ringFontMutex());
    code = defineRingFont(panel, control);
    int widest = 0;
    if (code == 0) code = widestLabel(panel, control, widest);
    if (code == 0) code = SetCtrlAttribute(panel, control, RTE_ATTR_WIDTH, widest + extra);
    if (code == 0) code = CreateMetaFont(kRingFont, "bogusfont", 6, 1, 1, 1, 1);
    return code;
}

int GetMetaFontInfo(const char *metaFont, char *typeface, int *bold, int *underline,
                    int *strikeOut, int *italic, int *pointSize) {
    if (!metaFont) return RTE_UIE_NULL_ARGUMENT;
    int panel = 0, sample = 0;
    int code = metaFontSample(panel, sample);
    if (code == 0) code = SetCtrlAttribute(panel, sample, RTE_ATTR_TEXT_FONT, metaFont);
    const struct {
        int *out;
        int attribute;
    } outputs[] = {{bold, RTE_ATTR_TEXT_BOLD},
                   {underline, RTE_ATTR_TEXT_UNDERLINE},
                   {strikeOut, RTE_ATTR_TEXT_STRIKEOUT},
                   {italic, RTE_ATTR_TEXT_ITALIC},
                   {pointSize, RTE_ATTR_TEXT_POINT_SIZE}};
    for (const auto &output : outputs)
        if (code == 0 && output.out) code = GetCtrlAttribute(panel, sample, output.attribute, output.out);
    if (code == 0 && typeface) {
        // Any property change makes the font attribute read the typeface underneath.
        code = SetCtrlAttribute(panel, sample, RTE_ATTR_TEXT_POINT_SIZE, 2);
        int length = 0;
        if (code == 0) code = GetCtrlAttribute(panel, sample, RTE_ATTR_TEXT_FONT_NAME_LENGTH, &length);
        if (code == 0 && length >= RTE_MAX_FONT_NAME_LEN) code = RTE_UIE_BUFFER_TOO_SMALL;
        if (code == 0) code = GetCtrlAttribute(panel, sample, RTE_ATTR_TEXT_FONT, typeface);
    }
    return code;
}

int IsMetaFont(const char *fontName) {
    tb::BreakingOff quiet;
    int code = GetTextDisplaySize("sample", fontName, nullptr, nullptr);
    if (code == RTE_UIE_UNKNOWN_FONT) return 0;
    return code < 0 ? code : 1;
}

}  // extern "C"
