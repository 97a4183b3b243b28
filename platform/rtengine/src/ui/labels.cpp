// Control labels: the "__" mnemonic markers and the label's size as drawn, measured in
// the dialog meta font (which cannot be redefined, so a label's size never changes
// under it), or for a text message, whose label is its text, in its text font. An
// empty label takes no room at all.
#include <algorithm>
#include <cctype>
#include <new>

#include "fonts/fonts.h"
#include "ui/ui_internal.h"

namespace rte::ui {

namespace {

constexpr char kMarker[] = "__";

}  // namespace

const fonts::ResolvedFont &dialogFont() {
    static const fonts::ResolvedFont *font = [] {
        auto resolved = std::make_unique<fonts::ResolvedFont>();
        int code = fonts::resolveFont(RTE_DIALOG_META_FONT, {}, *resolved);
        if (code != 0) throw std::bad_alloc();  // a predefined font: only memory can fail
        return resolved.release();
    }();
    return *font;
}

std::string labelDisplayText(const std::string &label) {
    std::string shown;
    shown.reserve(label.size());
    for (size_t k = 0; k < label.size(); ++k) {
        if (label.compare(k, 2, kMarker) == 0) {
            ++k;
            continue;
        }
        shown += label[k];
    }
    return shown;
}

int labelMnemonic(const std::string &label) {
    size_t marker = label.find(kMarker);
    if (marker == std::string::npos || marker + 2 >= label.size()) return 0;
    unsigned char c = static_cast<unsigned char>(label[marker + 2]);
    return std::tolower(c);
}

Size measureIn(const fonts::ResolvedFont &font, const std::string &text) {
    std::string shown = labelDisplayText(text);
    if (shown.empty()) return {};
    fonts::TextExtent extent = fonts::measureText(font, shown.data(), shown.size());
    return {extent.width, extent.height};
}

int lineHeightOf(const fonts::ResolvedFont &font) { return fonts::lineMetrics(font).lineHeight; }

Size measureLabel(const std::string &label) { return measureIn(dialogFont(), label); }

int labelLineHeight() { return lineHeightOf(dialogFont()); }

namespace {

// The font a control's label is drawn in.
const fonts::ResolvedFont &labelFontOf(const Control &c) {
    return c.is(kText) ? c.textFont.resolved : dialogFont();
}

}  // namespace

void Control::setLabel(std::string text) {
    const fonts::ResolvedFont &font = labelFontOf(*this);
    Size size = measureIn(font, text);  // may throw: before anything changes
    label = std::move(text);
    labelSize = size;
    if (sizedByCaption) {
        width = std::max(labelSize.width, 0) + kind->padWidth;
        height = std::max(labelSize.height, lineHeightOf(font)) + kind->padHeight;
    }
}

Size Control::labelExtent() const {
    if (!labelRaised || labelSize.width == 0) return labelSize;
    return {labelSize.width + 2 * kRaisedLabelFrame, labelSize.height + 2 * kRaisedLabelFrame};
}

}  // namespace rte::ui
