// Control labels: the "__" mnemonic markers and the label's size as drawn.
//
// Until the engine's font family is merged, labels are measured in a fixed cell of
// 7 x 13 pixels per character; measureLabel is the one place that changes then.
#include <cctype>

#include "ui_internal.h"

namespace rte::ui {

namespace {
constexpr char kMarker[] = "__";
constexpr int kCellWidth = 7, kCellHeight = 13;
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
    return {int(shown.size()) * kCellWidth, kCellHeight};
}

int labelLineHeight() { return kCellHeight; }

void Control::setLabel(std::string text) {
    label = std::move(text);
    labelSize = measureLabel(label);
    if (sizedByCaption) {
        width = labelSize.width + kCaptionPadWidth;
        height = labelLineHeight() + kCaptionPadHeight;
    }
}

}  // namespace rte::ui
