// The font of a control's own text (text messages, rings, list boxes): the text font
// attributes and what a new font re-sizes.
//
// Choices:
//  - A control resolves its font when the font is set and keeps it: a meta font
//    redefined later (CreateMetaFont) leaves the controls that took it as they are, so
//    their sizes never change under them. Setting a property resolves the name again,
//    as it is defined then.
//  - The font name reads back as set until a property (683-687) is set; from then on
//    it reads the typeface underneath, because the control's font is no longer that
//    meta font. Setting the name again drops the property changes.
//  - Properties are 0/1 (the point size in the engine's range); anything else is
//    refused with RTE_UIE_INVALID_ATTRIBUTE_VALUE.
#include <algorithm>

#include "ui/ui_internal.h"

namespace rte::ui {

namespace {

// The override field an attribute sets, null for the point size and others.
int *flagOverride(fonts::FontOverrides &o, int attribute) {
    switch (attribute) {
    case RTE_ATTR_TEXT_ITALIC: return &o.italic;
    case RTE_ATTR_TEXT_UNDERLINE: return &o.underline;
    case RTE_ATTR_TEXT_STRIKEOUT: return &o.strikeOut;
    case RTE_ATTR_TEXT_BOLD: return &o.bold;
    default: return nullptr;
    }
}

}  // namespace

void Control::fitToFont() {
    const int line = lineHeightOf(textFont.resolved);
    if (is(kListBox)) height = std::min(visibleLines * line + 2 * kListFrame, kMaxSize);
    if (is(kRing)) height = line + kRingPadHeight;
}

void Control::setTextFont(TextFont font) {
    Size size = is(kText) ? measureIn(font.resolved, label) : labelSize;  // may throw
    textFont = std::move(font);
    if (is(kText)) {
        labelSize = size;
        if (sizedByCaption) {
            width = size.width;
            height = std::max(size.height, lineHeightOf(textFont.resolved));
        }
    }
    fitToFont();
}

int getTextFontName(const Control &c, AttrValue &v) {
    v.out = c.textFont.changed ? &c.textFont.resolved.spec.typeface : &c.textFont.name;
    return 0;
}

int getTextFontNameLength(const Control &c, AttrValue &v) {
    AttrValue name;
    getTextFontName(c, name);
    v.i = int(name.out->size());
    return 0;
}

int setTextFontName(Control &c, const AttrValue &v) {
    if (!v.text) return RTE_UIE_NULL_ARGUMENT;
    TextFont font;
    if (int code = fonts::resolveFont(v.text, {}, font.resolved)) return code;
    font.name = v.text;
    c.setTextFont(std::move(font));
    return 0;
}

int getTextFontProperty(const Control &c, int attribute, AttrValue &v) {
    const fonts::FontSpec &font = c.textFont.resolved.spec;
    switch (attribute) {
    case RTE_ATTR_TEXT_ITALIC: v.i = font.italic; break;
    case RTE_ATTR_TEXT_UNDERLINE: v.i = font.underline; break;
    case RTE_ATTR_TEXT_STRIKEOUT: v.i = font.strikeOut; break;
    case RTE_ATTR_TEXT_BOLD: v.i = font.bold; break;
    default: v.i = font.pointSize; break;
    }
    return 0;
}

int setTextFontProperty(Control &c, int attribute, const AttrValue &v) {
    TextFont font = c.textFont;
    if (int *flag = flagOverride(font.overrides, attribute)) {
        if (v.i != 0 && v.i != 1) return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
        *flag = v.i;
    } else {
        font.overrides.pointSize = v.i;  // resolveFont checks the range
    }
    if (int code = fonts::resolveFont(font.name.c_str(), font.overrides, font.resolved))
        return code;
    font.changed = true;
    c.setTextFont(std::move(font));
    return 0;
}

}  // namespace rte::ui
