// Helpers for the display-picture suites: an engine bitmap owned by the test and read
// into 0xRRGGBB pixels, and the pictures of controls and panels taken that way.
#ifndef TOOLBOX_PICTURE_SUPPORT_H
#define TOOLBOX_PICTURE_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <vector>

#include "rtengine.h"

namespace testing_support {

// A picture as 0xRRGGBB values, rows top first; width -1 when it could not be read.
struct Pixels {
    int width = -1, height = -1;
    std::vector<int> rgb;
    int at(int x, int y) const { return rgb[size_t(y) * size_t(width) + size_t(x)]; }
    bool operator==(const Pixels &o) const {
        return width == o.width && height == o.height && rgb == o.rgb;
    }
    bool operator!=(const Pixels &o) const { return !(*this == o); }
    // How many pixels of a rectangle have the colour.
    int count(int color, int left = 0, int top = 0, int w = -1, int h = -1) const {
        int n = 0;
        for (int y = top; y < (h < 0 ? height : top + h); ++y)
            for (int x = left; x < (w < 0 ? width : left + w); ++x) n += at(x, y) == color;
        return n;
    }
};
inline std::ostream &operator<<(std::ostream &out, const Pixels &p) {
    return out << p.width << " x " << p.height << " pixels";
}

// The pixels of an engine bitmap of depth 24 or 32.
inline Pixels readEngineBitmap(int bitmap) {
    Pixels out;
    int bitsSize = 0, rowBytes = 0, depth = 0;
    if (GetBitmapInfo(bitmap, nullptr, &bitsSize, nullptr) != 0) return out;
    std::vector<unsigned char> bits(static_cast<size_t>(bitsSize));
    int width = 0, height = 0;
    if (GetBitmapData(bitmap, &rowBytes, &depth, &width, &height, nullptr, bits.data(), nullptr) != 0 ||
        depth < 24)
        return out;
    out.width = width, out.height = height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const unsigned char *p = &bits[size_t(y) * size_t(rowBytes) + size_t(x) * size_t(depth / 8)];
            out.rgb.push_back(p[0] << 16 | p[1] << 8 | p[2]);
        }
    return out;
}

// An engine bitmap discarded when the scope ends.
class ScopedBitmap {
public:
    ScopedBitmap() = default;
    ~ScopedBitmap() {
        if (handle_ > 0) DiscardBitmap(handle_);
    }
    ScopedBitmap(const ScopedBitmap &) = delete;
    ScopedBitmap &operator=(const ScopedBitmap &) = delete;
    int *out() { return &handle_; }
    int get() const { return handle_; }

private:
    int handle_ = 0;
};

inline Pixels ctrlPicture(int panel, int control, bool label = false, int height = 0,
                          int width = 0) {
    ScopedBitmap bitmap;
    int code = GetScaledCtrlDisplayBitmap(panel, control, label, height, width, bitmap.out());
    EXPECT_EQ(code, 0) << "control " << control;
    return code == 0 ? readEngineBitmap(bitmap.get()) : Pixels{};
}

inline Pixels panelPicture(int panel, int scope = RTE_DISPLAY_SCOPE_PANEL,
                           Rect area = {0, 0, RTE_DISPLAY_AREA_ALL, RTE_DISPLAY_AREA_ALL},
                           int height = 0, int width = 0) {
    ScopedBitmap bitmap;
    int code = GetScaledPanelDisplayBitmap(panel, scope, area, height, width, bitmap.out());
    EXPECT_EQ(code, 0) << "panel " << panel;
    return code == 0 ? readEngineBitmap(bitmap.get()) : Pixels{};
}

// A rectangle of a picture (which must hold it).
inline Pixels crop(const Pixels &p, int left, int top, int width, int height) {
    Pixels out;
    out.width = width, out.height = height;
    for (int y = top; y < top + height; ++y)
        for (int x = left; x < left + width; ++x) out.rgb.push_back(p.at(x, y));
    return out;
}

// For each column of a band of rows: whether any pixel there differs from background.
inline std::vector<bool> inkColumns(const Pixels &p, int top, int height, int background) {
    std::vector<bool> ink(size_t(p.width), false);
    for (int y = top; y < top + height; ++y)
        for (int x = 0; x < p.width; ++x)
            if (p.at(x, y) != background) ink[size_t(x)] = true;
    return ink;
}

// The next bitmap handle the engine will give (handles come from a counter).
inline int nextBitmapHandle() {
    ScopedBitmap probe;
    int table[2] = {0, 0xFFFFFF};
    EXPECT_EQ(NewBitmap(RTE_BITMAP_AUTO_ROW_BYTES, 1, 1, 1, table, nullptr, nullptr, probe.out()), 0);
    return probe.get() + 1;
}

}  // namespace testing_support

#endif
