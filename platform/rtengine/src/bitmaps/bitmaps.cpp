// Bitmaps: the engine's pictures, copies of the caller's pixels under a handle.
//
// Choices made here:
//  - Every bitmap lives in one table guarded by one lock of its own; bitmaps belong to
//    no thread, so no call needs the user-interface model.
//  - Handles come from a counter and are never reused; a counter that would pass
//    INT_MAX makes NewBitmap fail with -12 rather than hand out a reused handle.
//  - Sizes are checked in 64-bit arithmetic before anything is allocated, and the pixel
//    data is capped (RTE_BITMAP_MAX_BITS_SIZE), so no size computed later can overflow.
//  - Colour-table entries outside 0 .. 0xFFFFFF are refused (-90) rather than masked:
//    a stray high byte is a caller's mistake worth telling.
//  - A record never changes once made and is shared (picture controls hold the same
//    records, image.h), so a reader copies out of it without holding any lock.
#include <climits>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "bitmaps/image.h"
#include "rte_bitmaps.h"
#include "rte_internal.h"

namespace rte::bitmaps {

namespace {

constexpr int kMaxSide = 32767;
constexpr int kMaxColor = 0xFFFFFF;

struct BitmapTable {
    std::mutex lock;
    std::map<int, std::shared_ptr<const Image>> bitmaps;
    int lastHandle = 0;
};

bool isSupportedDepth(int depth) {
    return depth == 1 || depth == 4 || depth == 8 || depth == 24 || depth == 32;
}

int colorCount(int depth) { return depth <= 8 ? 1 << depth : 0; }

int64_t shortestRowBytes(int width, int depth) {
    return (static_cast<int64_t>(width) * depth + 7) / 8;
}

BitmapTable &table() { return rte::immortal<BitmapTable>(); }

}  // namespace

int checkShape(int &rowBytes, int depth, int width, int height, const int *colorTable) {
    if (!isSupportedDepth(depth)) return RTE_UIE_INVALID_PIXEL_DEPTH;
    if (width < 1 || width > kMaxSide || height < 1 || height > kMaxSide)
        return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
    int64_t shortest = shortestRowBytes(width, depth);
    int64_t row = rowBytes == RTE_BITMAP_AUTO_ROW_BYTES ? shortest : rowBytes;
    if (row < shortest || row * height > RTE_BITMAP_MAX_BITS_SIZE)
        return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
    if (depth <= 8) {
        if (!colorTable) return RTE_UIE_NULL_ARGUMENT;
        for (int i = 0; i < colorCount(depth); ++i)
            if (colorTable[i] < 0 || colorTable[i] > kMaxColor)
                return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
    }
    rowBytes = static_cast<int>(row);
    return 0;
}

std::shared_ptr<Image> makeImage(int rowBytes, int depth, int width, int height,
                                 const int *colorTable, const unsigned char *bits,
                                 const unsigned char *mask) {
    auto image = std::make_shared<Image>();
    image->rowBytes = rowBytes;
    image->depth = depth;
    image->width = width;
    image->height = height;
    if (depth <= 8) image->colorTable.assign(colorTable, colorTable + colorCount(depth));
    size_t bitsSize = static_cast<size_t>(rowBytes) * height;
    if (bits)
        image->bits.assign(bits, bits + bitsSize);
    else
        image->bits.assign(bitsSize, 0);
    if (mask) {
        size_t maskBytes = static_cast<size_t>(RTE_BITMAP_MASK_ROW_BYTES(width)) * height;
        image->mask.assign(mask, mask + maskBytes);
    }
    return image;
}

void writeSizes(const Image &image, int *colorTableSize, int *bitsSize, int *maskSize) {
    if (colorTableSize) *colorTableSize = static_cast<int>(image.colorTable.size() * sizeof(int));
    if (bitsSize) *bitsSize = static_cast<int>(image.bits.size());
    if (maskSize) *maskSize = static_cast<int>(image.mask.size());
}

void copyOut(const Image &image, int *rowBytes, int *depth, int *width, int *height,
             int *colorTable, unsigned char *bits, unsigned char *mask) {
    if (rowBytes) *rowBytes = image.rowBytes;
    if (depth) *depth = image.depth;
    if (width) *width = image.width;
    if (height) *height = image.height;
    if (colorTable && !image.colorTable.empty())
        std::memcpy(colorTable, image.colorTable.data(), image.colorTable.size() * sizeof(int));
    if (bits && !image.bits.empty()) std::memcpy(bits, image.bits.data(), image.bits.size());
    if (mask && !image.mask.empty()) std::memcpy(mask, image.mask.data(), image.mask.size());
}

std::shared_ptr<const Image> imageOfBitmap(int bitmap, int &code) {
    BitmapTable &bitmaps = table();
    std::lock_guard<std::mutex> guard(bitmaps.lock);
    auto found = bitmaps.bitmaps.find(bitmap);
    code = found == bitmaps.bitmaps.end() ? RTE_UIE_INVALID_BITMAP : 0;
    return code ? nullptr : found->second;
}

// Files a made record under a new handle: 0 or RTE_UIE_OUT_OF_MEMORY.
int fileImage(std::shared_ptr<const Image> made, int *bitmap) {
    BitmapTable &bitmaps = table();
    std::lock_guard<std::mutex> guard(bitmaps.lock);
    if (bitmaps.lastHandle == INT_MAX) return RTE_UIE_OUT_OF_MEMORY;
    try {
        bitmaps.bitmaps.emplace(bitmaps.lastHandle + 1, std::move(made));
    } catch (const std::bad_alloc &) {
        return RTE_UIE_OUT_OF_MEMORY;
    }
    *bitmap = ++bitmaps.lastHandle;
    return 0;
}

}  // namespace rte::bitmaps

using namespace rte::bitmaps;

int rte::adoptRgbBitmap(int width, int height, std::vector<unsigned char> &&rgb, int *bitmap) {
    if (width < 1 || width > kMaxSide || height < 1 || height > kMaxSide ||
        static_cast<int64_t>(width) * height * 3 > RTE_BITMAP_MAX_BITS_SIZE ||
        rgb.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 3)
        return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
    std::shared_ptr<Image> made;
    try {
        made = std::make_shared<Image>();
    } catch (const std::bad_alloc &) {
        return RTE_UIE_OUT_OF_MEMORY;
    }
    made->rowBytes = width * 3;
    made->depth = 24;
    made->width = width;
    made->height = height;
    made->bits = std::move(rgb);
    return fileImage(std::move(made), bitmap);
}

extern "C" {

int NewBitmap(int rowBytes, int depth, int width, int height, const int *colorTable,
              const unsigned char *bits, const unsigned char *mask, int *bitmap) {
    if (!bitmap) return rte::fail("NewBitmap", RTE_UIE_NULL_ARGUMENT);
    int code = checkShape(rowBytes, depth, width, height, colorTable);
    if (code != 0) return rte::fail("NewBitmap", code);
    std::shared_ptr<const Image> made;
    try {
        made = makeImage(rowBytes, depth, width, height, colorTable, bits, mask);
    } catch (const std::bad_alloc &) {
        return rte::fail("NewBitmap", RTE_UIE_OUT_OF_MEMORY);
    }
    code = fileImage(std::move(made), bitmap);
    return code == 0 ? 0 : rte::fail("NewBitmap", code);
}

int DiscardBitmap(int bitmap) {
    BitmapTable &bitmaps = table();
    std::shared_ptr<const Image> discarded;  // freed after the lock is let go
    {
        std::lock_guard<std::mutex> guard(bitmaps.lock);
        auto found = bitmaps.bitmaps.find(bitmap);
        if (found == bitmaps.bitmaps.end()) return rte::fail("DiscardBitmap", RTE_UIE_INVALID_BITMAP);
        discarded = std::move(found->second);
        bitmaps.bitmaps.erase(found);
    }
    return 0;
}

int GetBitmapInfo(int bitmap, int *colorTableSize, int *bitsSize, int *maskBytes) {
    int code;
    std::shared_ptr<const Image> found = imageOfBitmap(bitmap, code);
    if (!found) return rte::fail("GetBitmapInfo", code);
    writeSizes(*found, colorTableSize, bitsSize, maskBytes);
    return 0;
}

int GetBitmapData(int bitmap, int *rowBytes, int *depth, int *width, int *height,
                  int *colorTable, unsigned char *bits, unsigned char *mask) {
    int code;
    std::shared_ptr<const Image> found = imageOfBitmap(bitmap, code);
    if (!found) return rte::fail("GetBitmapData", code);
    copyOut(*found, rowBytes, depth, width, height, colorTable, bits, mask);
    return 0;
}

int ReadBitmapInPlace(int bitmap, BitmapReaderFn reader, void *readerData) {
    if (!reader) return rte::fail("ReadBitmapInPlace", RTE_UIE_NULL_ARGUMENT);
    int code;
    std::shared_ptr<const Image> found = imageOfBitmap(bitmap, code);  // held for the call
    if (!found) return rte::fail("ReadBitmapInPlace", code);
    const Image &image = *found;
    BitmapView view{image.rowBytes,
                    image.depth,
                    image.width,
                    image.height,
                    static_cast<int>(image.colorTable.size()),
                    image.colorTable.empty() ? nullptr : image.colorTable.data(),
                    image.bits.data(),
                    image.mask.empty() ? nullptr : image.mask.data()};
    return reader(&view, readerData);
}

}  // extern "C"
