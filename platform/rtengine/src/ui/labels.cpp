// Control labels: the "__" mnemonic markers and the label's size as drawn, measured in
// the dialog meta font (which cannot be redefined, so a label's size never changes
// under it). An empty label takes no room at all.
#include <cctype>
#include <new>

#include "fonts/fonts.h"
#include "ui/ui_internal.h"

namespace rte::ui {

namespace {

constexpr char kMarker[] = "__";

const fonts::ResolvedFont &labelFont() {
    static const fonts::ResolvedFont *font = [] {
        auto resolved = std::make_unique<fonts::ResolvedFont>();
        int code = fonts::resolveFont(RTE_DIALOG_META_FONT, {}, *resolved);
        if (code != 0) throw std::bad_alloc();  // a predefined font: only memory can fail
        return resolved.release();
    }();
    return *font;
}

}  // namespace

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

Size measureLabel(const std::string &label) {
    std::string shown = labelDisplayText(label);
    if (shown.empty()) return {};
    fonts::TextExtent extent = fonts::measureText(labelFont(), shown.data(), shown.size());
    return {extent.width, extent.height};
}

int labelLineHeight() { return fonts::lineMetrics(labelFont()).lineHeight; }

void Control::setLabel(std::string text) {
    Size size = measureLabel(text);  // may throw: before anything changes
    label = std::move(text);
    labelSize = size;
    if (sizedByCaption) {
        width = labelSize.width + kCaptionPadWidth;
        height = labelLineHeight() + kCaptionPadHeight;
    }
}

}  // namespace rte::ui
