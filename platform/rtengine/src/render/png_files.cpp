// PNG files of engine bitmaps, encoded by stb_image_write.
//
// Choices:
//  - Every depth is written as 8-bit RGB: table depths through their colour table,
//    32-bit pixels without their unused byte. The mask is not written.
//  - The file is encoded in memory, then written with one call and flushed before it
//    is closed; when anything fails after the file was opened, it is removed, so a
//    failed save leaves no partial picture under the name.
//  - errno after a failed open or write becomes an engine code in one place
//    (fileCodeOf).
#include <cerrno>
#include <cstdio>
#include <vector>

#include "render/render.h"
#include "stb_image_write.h"

namespace rte::render {

namespace {

int fileCodeOf(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR: return RTE_UIE_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return RTE_UIE_ACCESS_DENIED;
    case EMFILE:
    case ENFILE: return RTE_UIE_TOO_MANY_FILES_OPEN;
    case ENOSPC: return RTE_UIE_DISK_FULL;
    case ENAMETOOLONG:
    case EINVAL: return RTE_UIE_BAD_PATH_NAME;
    case ENOMEM: return RTE_UIE_OUT_OF_MEMORY;
    default: return RTE_UIE_IO_ERROR;
    }
}

// The bitmap as rows of red, green, blue bytes.
int readAsRgb(int bitmap, std::vector<unsigned char> &rgb, int &width, int &height) {
    int tableSize = 0, bitsSize = 0;
    if (int code = GetBitmapInfo(bitmap, &tableSize, &bitsSize, nullptr)) return code;
    std::vector<int> table(static_cast<size_t>(tableSize) / sizeof(int));
    std::vector<unsigned char> bits(static_cast<size_t>(bitsSize));
    int rowBytes = 0, depth = 0;
    if (int code = GetBitmapData(bitmap, &rowBytes, &depth, &width, &height,
                                 table.empty() ? nullptr : table.data(), bits.data(), nullptr))
        return code;
    rgb.resize(size_t(width) * size_t(height) * 3);
    for (int y = 0; y < height; ++y) {
        const unsigned char *row = &bits[size_t(y) * size_t(rowBytes)];
        unsigned char *out = &rgb[size_t(y) * size_t(width) * 3];
        for (int x = 0; x < width; ++x, out += 3) {
            if (depth >= 24) {
                const unsigned char *pixel = row + size_t(x) * size_t(depth / 8);
                out[0] = pixel[0], out[1] = pixel[1], out[2] = pixel[2];
                continue;
            }
            int bit = x * depth, shift = 8 - depth - bit % 8;
            int index = (row[bit / 8] >> shift) & ((1 << depth) - 1);
            int color = table[size_t(index)];
            out[0] = (unsigned char)(color >> 16), out[1] = (unsigned char)(color >> 8),
            out[2] = (unsigned char)color;
        }
    }
    return 0;
}

void appendBytes(void *context, void *data, int size) {
    auto *out = static_cast<std::vector<unsigned char> *>(context);
    const auto *bytes = static_cast<const unsigned char *>(data);
    out->insert(out->end(), bytes, bytes + size);
}

int writeWhole(const char *path, const std::vector<unsigned char> &bytes) {
    errno = 0;
    std::FILE *file = std::fopen(path, "wb");
    if (!file) return fileCodeOf(errno);
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() &&
                   std::fflush(file) == 0;
    int error = errno;
    if (std::fclose(file) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written) return 0;
    std::remove(path);
    return fileCodeOf(error);
}

int savePng(int bitmap, const char *path) {
    if (!path) return RTE_UIE_NULL_ARGUMENT;
    if (!*path) return RTE_UIE_BAD_PATH_NAME;
    std::vector<unsigned char> rgb, encoded;
    int width = 0, height = 0;
    if (int code = readAsRgb(bitmap, rgb, width, height)) return code;
    if (!stbi_write_png_to_func(appendBytes, &encoded, width, height, 3, rgb.data(), width * 3))
        return RTE_UIE_OUT_OF_MEMORY;
    return writeWhole(path, encoded);
}

}  // namespace

}  // namespace rte::render

extern "C" int SaveBitmapToPngFile(int bitmap, const char *path) {
    return rte::ui::entry("SaveBitmapToPngFile", [&] { return rte::render::savePng(bitmap, path); });
}
