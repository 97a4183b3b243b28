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
#include <climits>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "rte_internal.h"

namespace {

constexpr int kMaxSide = 32767;
constexpr int kMaxColor = 0xFFFFFF;

struct Bitmap {
    int rowBytes = 0;
    int depth = 0;
    int width = 0;
    int height = 0;
    std::vector<int> colorTable;
    std::vector<unsigned char> bits;
    std::vector<unsigned char> mask;  // empty: no mask
};

struct BitmapTable {
    std::mutex lock;
    std::map<int, std::unique_ptr<Bitmap>> bitmaps;
    int lastHandle = 0;
};

BitmapTable &table() { return rte::immortal<BitmapTable>(); }

bool isSupportedDepth(int depth) {
    return depth == 1 || depth == 4 || depth == 8 || depth == 24 || depth == 32;
}

int colorCount(int depth) { return depth <= 8 ? 1 << depth : 0; }

int64_t shortestRowBytes(int width, int depth) {
    return (static_cast<int64_t>(width) * depth + 7) / 8;
}

int maskSize(const Bitmap &bitmap) { return static_cast<int>(bitmap.mask.size()); }

// Checks NewBitmap's arguments; on success rowBytes holds the row length to use.
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

// Builds the bitmap; null when memory runs out.
std::unique_ptr<Bitmap> makeBitmap(int rowBytes, int depth, int width, int height,
                                   const int *colorTable, const unsigned char *bits,
                                   const unsigned char *mask) {
    try {
        auto bitmap = std::make_unique<Bitmap>();
        bitmap->rowBytes = rowBytes;
        bitmap->depth = depth;
        bitmap->width = width;
        bitmap->height = height;
        if (depth <= 8) bitmap->colorTable.assign(colorTable, colorTable + colorCount(depth));
        size_t bitsSize = static_cast<size_t>(rowBytes) * height;
        if (bits)
            bitmap->bits.assign(bits, bits + bitsSize);
        else
            bitmap->bits.assign(bitsSize, 0);
        if (mask) {
            size_t maskBytes = static_cast<size_t>(RTE_BITMAP_MASK_ROW_BYTES(width)) * height;
            bitmap->mask.assign(mask, mask + maskBytes);
        }
        return bitmap;
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

// The bitmap of a handle, or null; the caller holds the table's lock.
const Bitmap *find(BitmapTable &bitmaps, int handle) {
    auto found = bitmaps.bitmaps.find(handle);
    return found == bitmaps.bitmaps.end() ? nullptr : found->second.get();
}

// Files a made bitmap under a new handle: 0 or RTE_UIE_OUT_OF_MEMORY.
int fileBitmap(std::unique_ptr<Bitmap> made, int *bitmap) {
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

}  // namespace

int rte::adoptRgbBitmap(int width, int height, std::vector<unsigned char> &&rgb, int *bitmap) {
    if (width < 1 || width > kMaxSide || height < 1 || height > kMaxSide ||
        static_cast<int64_t>(width) * height * 3 > RTE_BITMAP_MAX_BITS_SIZE ||
        rgb.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 3)
        return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
    std::unique_ptr<Bitmap> made(new (std::nothrow) Bitmap);
    if (!made) return RTE_UIE_OUT_OF_MEMORY;
    made->rowBytes = width * 3;
    made->depth = 24;
    made->width = width;
    made->height = height;
    made->bits = std::move(rgb);
    return fileBitmap(std::move(made), bitmap);
}

extern "C" {

int NewBitmap(int rowBytes, int depth, int width, int height, const int *colorTable,
              const unsigned char *bits, const unsigned char *mask, int *bitmap) {
    if (!bitmap) return rte::fail("NewBitmap", RTE_UIE_NULL_ARGUMENT);
    int code = checkShape(rowBytes, depth, width, height, colorTable);
    if (code != 0) return rte::fail("NewBitmap", code);
    std::unique_ptr<Bitmap> made = makeBitmap(rowBytes, depth, width, height, colorTable, bits, mask);
    if (!made) return rte::fail("NewBitmap", RTE_UIE_OUT_OF_MEMORY);
    code = fileBitmap(std::move(made), bitmap);
    return code == 0 ? 0 : rte::fail("NewBitmap", code);
}

int DiscardBitmap(int bitmap) {
    BitmapTable &bitmaps = table();
    std::unique_ptr<Bitmap> discarded;  // freed after the lock is let go
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
    BitmapTable &bitmaps = table();
    std::lock_guard<std::mutex> guard(bitmaps.lock);
    const Bitmap *found = find(bitmaps, bitmap);
    if (!found) return rte::fail("GetBitmapInfo", RTE_UIE_INVALID_BITMAP);
    if (colorTableSize) *colorTableSize = static_cast<int>(found->colorTable.size() * sizeof(int));
    if (bitsSize) *bitsSize = static_cast<int>(found->bits.size());
    if (maskBytes) *maskBytes = maskSize(*found);
    return 0;
}

int GetBitmapData(int bitmap, int *rowBytes, int *depth, int *width, int *height,
                  int *colorTable, unsigned char *bits, unsigned char *mask) {
    BitmapTable &bitmaps = table();
    std::lock_guard<std::mutex> guard(bitmaps.lock);
    const Bitmap *found = find(bitmaps, bitmap);
    if (!found) return rte::fail("GetBitmapData", RTE_UIE_INVALID_BITMAP);
    if (rowBytes) *rowBytes = found->rowBytes;
    if (depth) *depth = found->depth;
    if (width) *width = found->width;
    if (height) *height = found->height;
    if (colorTable && !found->colorTable.empty())
        std::memcpy(colorTable, found->colorTable.data(), found->colorTable.size() * sizeof(int));
    if (bits) std::memcpy(bits, found->bits.data(), found->bits.size());
    if (mask && !found->mask.empty()) std::memcpy(mask, found->mask.data(), found->mask.size());
    return 0;
}

}  // extern "C"
