// Images with known pixels for the picture suites: built at any depth from colours,
// read back from a picture control, and compared pixel by pixel.
#ifndef TOOLBOX_IMAGE_SUPPORT_H
#define TOOLBOX_IMAGE_SUPPORT_H

#include <gtest/gtest.h>

#include <vector>

#include "rtengine.h"

namespace testing_support {

// An image in the engine's layout (rte_bitmaps.h).
struct TestImage {
    int rowBytes = 0, depth = 0, width = 0, height = 0;
    std::vector<int> colorTable;
    std::vector<unsigned char> bits, mask;

    const int *table() const { return colorTable.empty() ? nullptr : colorTable.data(); }
    const unsigned char *maskBits() const { return mask.empty() ? nullptr : mask.data(); }

    // The table index (depths 1, 4, 8) or 0x00RRGGBB (24, 32) of pixel (x, y).
    int pixel(int x, int y) const {
        const unsigned char *row = bits.data() + size_t(y) * size_t(rowBytes);
        if (depth <= 8) {
            int perByte = 8 / depth, shift = 8 - depth * (x % perByte + 1);
            return (row[x / perByte] >> shift) & ((1 << depth) - 1);
        }
        const unsigned char *p = row + size_t(x) * size_t(depth / 8);
        return p[0] << 16 | p[1] << 8 | p[2];
    }
    // The colour pixel (x, y) shows.
    int color(int x, int y) const {
        return depth <= 8 ? colorTable[size_t(pixel(x, y))] : pixel(x, y);
    }
    void setPixel(int x, int y, int value) {
        unsigned char *row = bits.data() + size_t(y) * size_t(rowBytes);
        if (depth <= 8) {
            int perByte = 8 / depth, shift = 8 - depth * (x % perByte + 1);
            unsigned char keep = static_cast<unsigned char>(~(((1 << depth) - 1) << shift));
            row[x / perByte] = static_cast<unsigned char>((row[x / perByte] & keep) | value << shift);
            return;
        }
        unsigned char *p = row + size_t(x) * size_t(depth / 8);
        p[0] = static_cast<unsigned char>(value >> 16);
        p[1] = static_cast<unsigned char>(value >> 8);
        p[2] = static_cast<unsigned char>(value);
    }
    bool operator==(const TestImage &o) const {
        return rowBytes == o.rowBytes && depth == o.depth && width == o.width &&
               height == o.height && colorTable == o.colorTable && bits == o.bits && mask == o.mask;
    }
};

// An image of one row, a pixel per value: table indices for depths 1, 4, 8 (the table
// given, filled up to 2^depth with `fill`), colours for 24 and 32. Rows get `padding`
// spare bytes; the spare bytes and the unused fourth byte of 32-bit pixels hold
// 0xA5, so a writer that touches them shows.
inline TestImage makeImage(int depth, const std::vector<int> &values,
                           std::vector<int> table = {}, int padding = 0, int fill = 0) {
    TestImage image;
    image.depth = depth;
    image.width = int(values.size());
    image.height = 1;
    image.rowBytes = (image.width * depth + 7) / 8 + padding;
    image.bits.assign(size_t(image.rowBytes), 0xA5);
    if (depth <= 8) {
        table.resize(size_t(1) << depth, fill);
        image.colorTable = table;
        for (int x = 0; x < image.width; ++x) image.setPixel(x, 0, 0);  // clear used bits
    }
    for (int x = 0; x < image.width; ++x) image.setPixel(x, 0, values[size_t(x)]);
    return image;
}

// A bitmap handle holding the image; 0 (and a failure) when it cannot be made.
inline int bitmapOf(const TestImage &image) {
    int bitmap = 0;
    EXPECT_EQ(NewBitmap(image.rowBytes, image.depth, image.width, image.height, image.table(),
                        image.bits.data(), image.maskBits(), &bitmap),
              0);
    return bitmap;
}

// Puts the image into a picture control's slot with SetImageBits.
inline int putImage(int panel, int control, int index, const TestImage &image) {
    return SetImageBits(panel, control, index, image.rowBytes, image.depth, image.width,
                        image.height, image.table(), image.bits.data(), image.maskBits());
}

// Reads a picture control's image back through GetImageInfo and GetImageBits.
inline TestImage readImage(int panel, int control, int index) {
    TestImage image;
    int tableSize = -1, bitsSize = -1, maskSize = -1;
    EXPECT_EQ(GetImageInfo(panel, control, index, &tableSize, &bitsSize, &maskSize), 0);
    if (tableSize < 0 || bitsSize < 0 || maskSize < 0) return image;
    image.colorTable.resize(size_t(tableSize) / sizeof(int));
    image.bits.resize(size_t(bitsSize));
    image.mask.resize(size_t(maskSize));
    EXPECT_EQ(GetImageBits(panel, control, index, &image.rowBytes, &image.depth, &image.width,
                           &image.height, image.colorTable.data(), image.bits.data(),
                           image.mask.data()),
              0);
    return image;
}

}  // namespace testing_support

#endif
