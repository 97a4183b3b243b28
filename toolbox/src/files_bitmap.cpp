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
//  - The engine lends the bitmap's own rows for the save (ReadBitmapInPlace): nothing
//    copies the image first. Rows are converted from them bottom-up into one buffer
//    that starts with the headers and the table, and written a buffer at a time (one
//    write for pictures up to 4 MiB); the bytes are those of converting the whole
//    image first. The red/blue swap uses SSSE3 where the processor has it.
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

#if TB_X86_SIMD
#include <immintrin.h>
#endif

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;
constexpr size_t kHeadersSize = kFileHeaderSize + kInfoHeaderSize;

struct FreeBlock {
    void operator()(void *block) const { std::free(block); }
};
using Bytes = std::unique_ptr<unsigned char[], FreeBlock>;

bool isWritableDepth(int depth) {
    return depth == 1 || depth == 4 || depth == 8 || depth == 24 || depth == 32;
}

int colorCount(int depth) { return depth < 24 ? 1 << depth : 0; }

void putLittleEndian(unsigned char *at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

void fillHeaders(unsigned char *header, const BitmapView &picture, uint32_t tableBytes,
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

// The colour table as the file holds it: blue, green, red, 0 per entry, 2^depth entries.
void putColorTable(unsigned char *at, const BitmapView &picture) {
    for (int i = 0; i < colorCount(picture.depth); ++i) {
        uint32_t color = i < picture.colorTableEntries ? uint32_t(picture.colorTable[i]) & 0xFFFFFFu : 0;
        putLittleEndian(at + 4 * i, color, 4);
    }
}

// Bytes that hold a row's pixels; the engine's rows may be longer.
size_t pixelRowBytes(const BitmapView &picture) {
    return (static_cast<size_t>(picture.width) * static_cast<size_t>(picture.depth) + 7) / 8;
}

// A file row: the pixels padded to whole 32-bit words. Readers derive it from width and
// depth alone, so it must not follow a longer engine row.
size_t fileStride(const BitmapView &picture) { return (pixelRowBytes(picture) + 3) & ~static_cast<size_t>(3); }

// The file is written from one buffer of about this many bytes, a buffer at a time
// (the first one starts with the headers and the colour table, so every write but the
// last is whole). Each write costs the file system a fixed amount besides its bytes:
// 64 KiB writes took twice the time of one write of the whole file, and 1 MiB writes
// still a fifth more than one (bench/bitmap_files_bench.cpp). So a picture of up to
// 4 MiB (1448 x 965 at 24 bits) goes out in one write; larger ones in 4 MiB writes.
constexpr size_t kBufferBytes = 4 * 1024 * 1024;

// Rows the buffer holds: all of them when they fit, and always at least one.
size_t rowsPerBuffer(const BitmapView &picture, size_t stride) {
    size_t fitting = stride >= kBufferBytes ? 1 : kBufferBytes / stride;
    return std::min(fitting, size_t(picture.height));
}

// Direct pixels in the file's order: red and blue change places and a 32-bit pixel's
// unused byte becomes 0. Each returns how many pixels it converted; the vector ones
// leave the last few pixels of a row (fewer than a step) to the portable ones.
size_t swapRedBlue24Portable(const unsigned char *from, unsigned char *to, size_t pixels) {
    for (size_t i = 0; i < pixels; ++i, from += 3, to += 3) {
        to[0] = from[2];
        to[1] = from[1];
        to[2] = from[0];
    }
    return pixels;
}

size_t swapRedBlue32Portable(const unsigned char *from, unsigned char *to, size_t pixels) {
    for (size_t i = 0; i < pixels; ++i, from += 4, to += 4) {
        to[0] = from[2];
        to[1] = from[1];
        to[2] = from[0];
        to[3] = 0;
    }
    return pixels;
}

#if TB_X86_SIMD
// The byte of a run of 24-bit pixels that goes to byte `at` of the file's run.
constexpr int swappedSource(int at) { return at - at % 3 + 2 - at % 3; }

// Byte shuffle controls that gather, for 16-byte output register `out` of a 48-byte
// step, the bytes that come from input register `in` (zero elsewhere, to be combined):
// made once, at compile time, for the pairs that meet.
struct GatherControls {
    alignas(16) signed char bytes[3][3][16] = {};
    constexpr GatherControls() {
        for (int out = 0; out < 3; ++out)
            for (int in = 0; in < 3; ++in)
                for (int b = 0; b < 16; ++b) {
                    int source = swappedSource(16 * out + b);
                    bytes[out][in][b] = static_cast<signed char>(source / 16 == in ? source % 16 : -1);
                }
    }
};
constexpr GatherControls kGather;

__attribute__((target("ssse3"))) __m128i gatherControl(int out, int in) {
    return _mm_load_si128(reinterpret_cast<const __m128i *>(kGather.bytes[out][in]));
}

// Sixteen pixels (48 bytes, three registers) a step. A pixel's bytes cross a register
// boundary only between neighbouring registers, so each output register gathers from
// at most three inputs.
__attribute__((target("ssse3"))) size_t swapRedBlue24Ssse3(const unsigned char *from,
                                                            unsigned char *to, size_t pixels) {
    const __m128i c00 = gatherControl(0, 0), c01 = gatherControl(0, 1);
    const __m128i c10 = gatherControl(1, 0), c11 = gatherControl(1, 1), c12 = gatherControl(1, 2);
    const __m128i c21 = gatherControl(2, 1), c22 = gatherControl(2, 2);
    size_t done = 0;
    for (; done + 16 <= pixels; done += 16) {
        const __m128i *in = reinterpret_cast<const __m128i *>(from + 3 * done);
        __m128i *out = reinterpret_cast<__m128i *>(to + 3 * done);
        __m128i a = _mm_loadu_si128(in), b = _mm_loadu_si128(in + 1), c = _mm_loadu_si128(in + 2);
        _mm_storeu_si128(out, _mm_or_si128(_mm_shuffle_epi8(a, c00), _mm_shuffle_epi8(b, c01)));
        _mm_storeu_si128(out + 1, _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a, c10), _mm_shuffle_epi8(b, c11)),
                                               _mm_shuffle_epi8(c, c12)));
        _mm_storeu_si128(out + 2, _mm_or_si128(_mm_shuffle_epi8(b, c21), _mm_shuffle_epi8(c, c22)));
    }
    return done;
}

// Four whole pixels a step; a negative index clears the unused byte.
__attribute__((target("ssse3"))) size_t swapRedBlue32Ssse3(const unsigned char *from,
                                                            unsigned char *to, size_t pixels) {
    const __m128i order = _mm_setr_epi8(2, 1, 0, -1, 6, 5, 4, -1, 10, 9, 8, -1, 14, 13, 12, -1);
    size_t done = 0;
    for (; done + 4 <= pixels; done += 4) {
        __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from + 4 * done));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(to + 4 * done), _mm_shuffle_epi8(four, order));
    }
    return done;
}
#endif

void swapRedBlue(int depth, const unsigned char *from, unsigned char *to, size_t pixels) {
    const size_t size = depth == 24 ? 3 : 4;
    size_t done = 0;
#if TB_X86_SIMD
    if (tb::simdLevel() >= 1)
        done = depth == 24 ? swapRedBlue24Ssse3(from, to, pixels) : swapRedBlue32Ssse3(from, to, pixels);
#endif
    if (depth == 24)
        swapRedBlue24Portable(from + size * done, to + size * done, pixels - done);
    else
        swapRedBlue32Portable(from + size * done, to + size * done, pixels - done);
}

// Rows y down to y - count + 1 as the file holds them (bottom row first, each padded
// with zeros to stride), into rows, read straight from the bitmap's own rows.
void convertRows(const BitmapView &picture, size_t stride, int y, size_t count, unsigned char *rows) {
    const size_t used = pixelRowBytes(picture);
    for (size_t k = 0; k < count; ++k, --y) {
        unsigned char *row = rows + stride * k;
        const unsigned char *source = picture.bits + static_cast<size_t>(picture.rowBytes) * size_t(y);
        if (picture.depth >= 24)
            swapRedBlue(picture.depth, source, row, size_t(picture.width));
        else
            std::memcpy(row, source, used);
        std::memset(row + used, 0, stride - used);
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

// Converts and writes every row, bottom row first, a buffer at a time; the buffer's
// first `lead` bytes (headers and table) go out with the first rows.
bool writeBody(FILE *file, const BitmapView &picture, size_t stride, unsigned char *buffer, size_t lead) {
    const size_t perBuffer = rowsPerBuffer(picture, stride);
    for (int y = picture.height - 1; y >= 0;) {
        size_t count = std::min(perBuffer, size_t(y) + 1);
        convertRows(picture, stride, y, count, buffer + lead);
        if (!writeAll(file, buffer, lead + stride * count)) return false;
        y -= int(count);
        lead = 0;
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

// The stream is unbuffered: every write is a whole buffer already, and a stream
// buffer would only split the first one.
int writeFile(const char *fileName, const BitmapView &picture, size_t stride, unsigned char *buffer,
              size_t lead) {
    FILE *file = std::fopen(fileName, "wb+");
    if (!file) return mapFileErrno(errno);
    std::setvbuf(file, nullptr, _IONBF, 0);
    bool written = writeBody(file, picture, stride, buffer, lead) && std::fflush(file) == 0;
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

// Writes the file from the engine's own rows, lent for the call: no copy of the image.
int saveView(const BitmapView *view, void *fileName) {
    const BitmapView &picture = *view;
    if (!isWritableDepth(picture.depth)) return RTE_UIE_INVALID_PIXEL_DEPTH;
    size_t stride = fileStride(picture);
    size_t imageSize = stride * static_cast<size_t>(picture.height);
    size_t tableBytes = 4 * static_cast<size_t>(colorCount(picture.depth));
    size_t lead = kHeadersSize + tableBytes;
    Bytes buffer(static_cast<unsigned char *>(tb::allocate(lead + stride * rowsPerBuffer(picture, stride))));
    if (!buffer) return RTE_UIE_OUT_OF_MEMORY;
    fillHeaders(buffer.get(), picture, static_cast<uint32_t>(tableBytes), static_cast<uint32_t>(imageSize));
    putColorTable(buffer.get() + kHeadersSize, picture);
    return writeFile(static_cast<const char *>(fileName), picture, stride, buffer.get(), lead);
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
    return ReadBitmapInPlace(bitmap, saveView, const_cast<char *>(fileName));
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
