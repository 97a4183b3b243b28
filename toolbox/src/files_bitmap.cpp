// Bitmap files: an engine bitmap written as an uncompressed BMP file.
//
// Choices made here:
//  - Only the depths a BMP colour table or direct pixels can carry are written: 1, 4
//    and 8 with a table of 2^depth entries, 24 and 32 without. Any other depth the
//    engine might report gives -141 before the file is touched, so no table is ever
//    made up from nothing.
//  - The table written always has 2^depth entries, and the headers say so. Should the
//    engine report a shorter table, the entries it lacks are written as black; a longer
//    one is cut to 2^depth entries.
//  - Direct pixels go from the engine's red, green, blue order to the file's blue,
//    green, red; a 32-bit pixel's fourth byte is unused in the file and written as 0.
//  - A file row holds the row's pixels padded with zero bytes to a multiple of 4, the
//    length every reader derives from width and depth. The engine's rows may be longer
//    than their pixels; rounding that longer length up instead would shift every row
//    after the first, so only the pixel bytes of each row are copied.
//  - Rows are converted bottom-up into a buffer of about 64 KiB and written a buffer
//    at a time, which gives the same bytes as converting the whole image first. A
//    buffer of the whole image would be mapped fresh by the allocator on every save,
//    and faulting its pages in cost more than everything else (measured:
//    bench/bitmap_files_bench.cpp).
//  - A save that fails once the file is open removes the file (when it is a plain
//    file), so no partial picture stays behind under the name. Every write is checked;
//    the stream is flushed before it is closed so that a full disk is told apart
//    (-97) from a failing close (-1).
//  - The display shortcuts take a scaled picture from the engine and save it; the
//    picture is discarded on every way out, the failing save included (a scoped owner
//    holds it), so repeated saves leave no bitmaps behind.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/stat.h>

#include "toolbox_internal.h"

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;
constexpr size_t kHeadersSize = kFileHeaderSize + kInfoHeaderSize;

struct FreeBlock {
    void operator()(void *block) const { std::free(block); }
};
using Bytes = std::unique_ptr<unsigned char[], FreeBlock>;
using Colors = std::unique_ptr<int[], FreeBlock>;

// What the engine tells about one bitmap.
struct Picture {
    int rowBytes = 0;
    int depth = 0;
    int width = 0;
    int height = 0;
    int tableEntries = 0;
    Colors table;
    Bytes bits;
};

bool isWritableDepth(int depth) {
    return depth == 1 || depth == 4 || depth == 8 || depth == 24 || depth == 32;
}

int colorCount(int depth) { return depth < 24 ? 1 << depth : 0; }

int fetchPicture(int bitmap, Picture &picture) {
    int tableSize = 0, bitsSize = 0;
    int code = GetBitmapInfo(bitmap, &tableSize, &bitsSize, nullptr);
    if (code < 0) return code;
    picture.bits.reset(static_cast<unsigned char *>(tb::allocate(static_cast<size_t>(bitsSize))));
    if (!picture.bits) return RTE_UIE_OUT_OF_MEMORY;
    if (tableSize > 0) {
        picture.table.reset(static_cast<int *>(tb::allocate(static_cast<size_t>(tableSize))));
        if (!picture.table) return RTE_UIE_OUT_OF_MEMORY;
        picture.tableEntries = tableSize / static_cast<int>(sizeof(int));
    }
    return GetBitmapData(bitmap, &picture.rowBytes, &picture.depth, &picture.width,
                         &picture.height, picture.table.get(), picture.bits.get(), nullptr);
}

void putLittleEndian(unsigned char *at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

void fillHeaders(unsigned char *header, const Picture &picture, uint32_t tableBytes,
                 uint32_t imageSize) {
    std::memset(header, 0, kHeadersSize);
    header[0] = 'B';
    header[1] = 'M';
    putLittleEndian(header + 2, static_cast<uint32_t>(kHeadersSize) + tableBytes + imageSize, 4);
    putLittleEndian(header + 10, static_cast<uint32_t>(kHeadersSize) + tableBytes, 4);
    putLittleEndian(header + 14, static_cast<uint32_t>(kInfoHeaderSize), 4);
    putLittleEndian(header + 18, static_cast<uint32_t>(picture.width), 4);
    putLittleEndian(header + 22, static_cast<uint32_t>(picture.height), 4);
    putLittleEndian(header + 26, 1, 2);
    putLittleEndian(header + 28, static_cast<uint32_t>(picture.depth), 2);
    putLittleEndian(header + 34, imageSize, 4);
    putLittleEndian(header + 46, static_cast<uint32_t>(colorCount(picture.depth)), 4);
}

// The colour table as the file holds it: blue, green, red, 0 per entry.
Bytes fileColorTable(const Picture &picture) {
    int count = colorCount(picture.depth);
    Bytes entries(static_cast<unsigned char *>(tb::allocateZeroed(static_cast<size_t>(count), 4)));
    if (!entries) return entries;
    for (int i = 0; i < count && i < picture.tableEntries; ++i)
        putLittleEndian(entries.get() + 4 * i, static_cast<uint32_t>(picture.table[i]) & 0xFFFFFFu, 4);
    return entries;
}

// Bytes that hold a row's pixels; the engine's rows may be longer.
size_t pixelRowBytes(const Picture &picture) {
    return (static_cast<size_t>(picture.width) * static_cast<size_t>(picture.depth) + 7) / 8;
}

// A file row: the pixels padded to whole 32-bit words. Readers derive it from width and
// depth alone, so it must not follow a longer engine row.
size_t fileStride(const Picture &picture) { return (pixelRowBytes(picture) + 3) & ~static_cast<size_t>(3); }

// Rows are converted this many bytes at a time (at least one row): small enough to be
// served again from the heap on the next save, where a block of the whole image would
// be mapped fresh and fault in page by page every time, and large enough that each
// write moves many rows.
constexpr size_t kChunkBytes = 64 * 1024;

size_t rowsPerChunk(size_t stride) { return stride >= kChunkBytes ? 1 : kChunkBytes / stride; }

// Rows y down to y - count + 1 as the file holds them (bottom row first, each padded
// with zeros to stride), into chunk.
void convertRows(const Picture &picture, size_t stride, int y, size_t count, unsigned char *chunk) {
    const size_t pixelBytes = picture.depth >= 24 ? size_t(picture.depth / 8) : 0;
    const size_t used = pixelRowBytes(picture);
    for (size_t k = 0; k < count; ++k, --y) {
        unsigned char *row = chunk + stride * k;
        const unsigned char *source = picture.bits.get() + static_cast<size_t>(picture.rowBytes) * size_t(y);
        std::memcpy(row, source, used);
        std::memset(row + used, 0, stride - used);
        if (pixelBytes == 0) continue;
        unsigned char *end = row + pixelBytes * size_t(picture.width);
        for (unsigned char *pixel = row; pixel < end; pixel += pixelBytes) {
            unsigned char red = pixel[0];
            pixel[0] = pixel[2];
            pixel[2] = red;
            if (pixelBytes == 4) pixel[3] = 0;
        }
    }
}

#if TOOLBOX_FAULT_INJECTION
int writesBeforeFailure = -1;
bool injectedWriteFailure() {
    if (writesBeforeFailure < 0) return false;
    if (writesBeforeFailure-- > 0) return false;
    errno = ENOSPC;
    return true;
}
#else
constexpr bool injectedWriteFailure() { return false; }
#endif

bool writeAll(FILE *file, const unsigned char *data, size_t size) {
    if (injectedWriteFailure()) return false;
    return std::fwrite(data, 1, size, file) == size;
}

// Converts and writes every row, bottom row first, a chunk at a time.
bool writeRows(FILE *file, const Picture &picture, size_t stride, unsigned char *chunk) {
    const size_t perChunk = rowsPerChunk(stride);
    for (int y = picture.height - 1; y >= 0;) {
        size_t count = std::min(perChunk, size_t(y) + 1);
        convertRows(picture, stride, y, count, chunk);
        if (!writeAll(file, chunk, stride * count)) return false;
        y -= int(count);
    }
    return true;
}

// One translation of the C library's reasons into the user-interface library's codes.
int mapFileErrno(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR: return RTE_UIE_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return RTE_UIE_ACCESS_DENIED;
    case EMFILE:
    case ENFILE: return RTE_UIE_TOO_MANY_FILES_OPEN;
    case ENAMETOOLONG: return RTE_UIE_BAD_PATH_NAME;
    case ENOSPC: return RTE_UIE_DISK_FULL;
    default: return RTE_UIE_IO_ERROR;
    }
}

// Removes what a failed save left, but never anything but a plain file (a device
// opened by name stays).
void discardPartialFile(const char *fileName) {
    struct stat facts;
    if (stat(fileName, &facts) == 0 && S_ISREG(facts.st_mode)) std::remove(fileName);
}

int writeFile(const char *fileName, const unsigned char *header, const Bytes &table,
              size_t tableBytes, const Picture &picture, size_t stride, const Bytes &chunk) {
    FILE *file = std::fopen(fileName, "wb+");
    if (!file) return mapFileErrno(errno);
    bool written = writeAll(file, header, kHeadersSize) &&
                   (tableBytes == 0 || writeAll(file, table.get(), tableBytes)) &&
                   writeRows(file, picture, stride, chunk.get()) && std::fflush(file) == 0;
    int writeError = errno;
    if (!written) {
        std::fclose(file);
        discardPartialFile(fileName);
        return writeError == ENOSPC ? RTE_UIE_DISK_FULL : RTE_UIE_IO_ERROR;
    }
    if (std::fclose(file) != 0) {
        discardPartialFile(fileName);
        return -1;
    }
    return 0;
}

// Owns an engine bitmap and discards it when it goes.
class OwnedBitmap {
public:
    OwnedBitmap() = default;
    ~OwnedBitmap() {
        if (handle_ > 0) DiscardBitmap(handle_);
    }
    OwnedBitmap(const OwnedBitmap &) = delete;
    OwnedBitmap &operator=(const OwnedBitmap &) = delete;
    int *out() { return &handle_; }
    int get() const { return handle_; }

private:
    int handle_ = 0;
};

// Saves what the engine's picture call made; the call's failure is passed through.
template <typename TakePicture>
int saveDisplay(const char *fileName, TakePicture takePicture) {
    OwnedBitmap picture;
    int code = takePicture(picture.out());
    if (code < 0) return code;
    return SaveBitmapToFile(fileName, picture.get());
}

}  // namespace

namespace tb {
#if TOOLBOX_FAULT_INJECTION
void failBitmapFileWrites(int pass) { writesBeforeFailure = pass; }
#endif
}  // namespace tb

extern "C" {

int SaveBitmapToFile(const char *fileName, int bitmap) {
    if (!fileName) return RTE_UIE_NULL_ARGUMENT;
    if (std::strlen(fileName) >= TB_MAX_PATHNAME_LEN) return RTE_UIE_BAD_PATH_NAME;
    Picture picture;
    int code = fetchPicture(bitmap, picture);
    if (code < 0) return code;
    if (!isWritableDepth(picture.depth)) return RTE_UIE_INVALID_PIXEL_DEPTH;

    size_t stride = fileStride(picture);
    size_t imageSize = stride * static_cast<size_t>(picture.height);
    size_t tableBytes = 4 * static_cast<size_t>(colorCount(picture.depth));
    Bytes table = fileColorTable(picture);
    Bytes chunk(static_cast<unsigned char *>(tb::allocate(stride * rowsPerChunk(stride))));
    if ((tableBytes && !table) || !chunk) return RTE_UIE_OUT_OF_MEMORY;

    unsigned char header[kHeadersSize];
    fillHeaders(header, picture, static_cast<uint32_t>(tableBytes), static_cast<uint32_t>(imageSize));
    return writeFile(fileName, header, table, tableBytes, picture, stride, chunk);
}

int SaveCtrlDisplayToFile(int panel, int control, int includeLabel, int height, int width,
                          const char *fileName) {
    return saveDisplay(fileName, [&](int *bitmap) {
        return GetScaledCtrlDisplayBitmap(panel, control, includeLabel, height, width, bitmap);
    });
}

int SavePanelDisplayToFile(int panel, int scope, Rect area, int height, int width,
                           const char *fileName) {
    return saveDisplay(fileName, [&](int *bitmap) {
        return GetScaledPanelDisplayBitmap(panel, scope, area, height, width, bitmap);
    });
}

}  // extern "C"
