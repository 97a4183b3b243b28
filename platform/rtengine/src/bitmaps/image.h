// Private to the engine: the pixel record behind a bitmap handle, also held by picture
// controls, with the checks and copies the bitmap calls and the image calls share.
// Layout and limits are those rte_bitmaps.h documents.
#ifndef RTE_BITMAPS_IMAGE_H
#define RTE_BITMAPS_IMAGE_H

#include <memory>
#include <vector>

namespace rte::bitmaps {

struct Image {
    int rowBytes = 0;
    int depth = 0;
    int width = 0;
    int height = 0;
    std::vector<int> colorTable;      // 2^depth entries for depths 1, 4, 8; else empty
    std::vector<unsigned char> bits;  // rowBytes * height
    std::vector<unsigned char> mask;  // empty: no mask
};

// Checks the shape of new pixels; on success rowBytes holds the row length to use
// (RTE_BITMAP_AUTO_ROW_BYTES resolved). 0 or an RTE_UIE_ code.
int checkShape(int &rowBytes, int depth, int width, int height, const int *colorTable);

// Copies checked pixels into a new record (bits null: all zero; mask null: no mask).
// Throws std::bad_alloc when memory runs out.
std::shared_ptr<Image> makeImage(int rowBytes, int depth, int width, int height,
                                 const int *colorTable, const unsigned char *bits,
                                 const unsigned char *mask);

// Sizes in bytes of the colour table, the bits and the mask; any output may be null.
void writeSizes(const Image &image, int *colorTableSize, int *bitsSize, int *maskSize);

// Copies the record out; any output may be null (a table or mask buffer is left alone
// when the record has none).
void copyOut(const Image &image, int *rowBytes, int *depth, int *width, int *height,
             int *colorTable, unsigned char *bits, unsigned char *mask);

// The pixels of a bitmap handle, shared (never changed once made); null with
// RTE_UIE_INVALID_BITMAP in code.
std::shared_ptr<const Image> imageOfBitmap(int bitmap, int &code);

}  // namespace rte::bitmaps

#endif
