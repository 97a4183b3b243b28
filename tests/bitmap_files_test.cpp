// Engine bitmaps and the BMP files made of them. Every saved file is read back by an
// independent reader (ImageMagick natively, the system's LoadImageA and GetDIBits on
// Windows) and compared with what the bitmap holds.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bitmap_reader.h"
#include "test_support.h"
#include "toolbox.h"
#include "toolbox_internal.h"

using testing_support::BitmapReading;
using testing_support::LibraryErrorCounter;
using testing_support::readBitmapFile;
using testing_support::readFile;
using testing_support::ScratchDir;

namespace {

struct Shape {
    const char *name;
    int depth, width, height;
    int rowBytes;  // RTE_BITMAP_AUTO_ROW_BYTES or a longer row
    bool masked;
    int vectorLevel = 2;  // the widest vector path the save may take (0: portable only)
};

// A bitmap's content made up from its shape: no two neighbouring bytes alike.
struct Content {
    int rowBytes = 0;
    std::vector<int> table;
    std::vector<unsigned char> bits;
    std::vector<unsigned char> mask;
};

Content contentFor(const Shape &shape) {
    Content content;
    content.rowBytes = shape.rowBytes != RTE_BITMAP_AUTO_ROW_BYTES
                           ? shape.rowBytes
                           : (shape.width * shape.depth + 7) / 8;
    if (shape.depth <= 8)
        for (int i = 0; i < (1 << shape.depth); ++i)
            content.table.push_back((i * 0x3F1D7 + 0x102030) & 0xFFFFFF);
    for (int i = 0; i < content.rowBytes * shape.height; ++i)
        content.bits.push_back(static_cast<unsigned char>(i * 37 + 11));
    if (shape.masked)
        for (int i = 0; i < RTE_BITMAP_MASK_ROW_BYTES(shape.width) * shape.height; ++i)
            content.mask.push_back(static_cast<unsigned char>(0xA5 ^ i));
    return content;
}

// The colour 0xRRGGBB the bitmap shows at (x, y), read the way its header says.
int colorAt(const Shape &shape, const Content &content, int x, int y) {
    const unsigned char *row = content.bits.data() + content.rowBytes * y;
    if (shape.depth >= 24) {
        const unsigned char *pixel = row + x * (shape.depth / 8);
        return pixel[0] << 16 | pixel[1] << 8 | pixel[2];
    }
    int bit = x * shape.depth;
    int index = (row[bit / 8] >> (8 - shape.depth - bit % 8)) & ((1 << shape.depth) - 1);
    return content.table[index];
}

uint32_t field(const std::string &file, size_t offset, int bytes) {
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(file[offset + i]);
    return value;
}

class SavedBitmap : public testing::TestWithParam<Shape> {
protected:
    void SetUp() override { tb::capSimd(GetParam().vectorLevel); }
    void TearDown() override { tb::capSimd(2); }
    ScratchDir dir;
};

// Round trip through the engine, then the file: headers at their offsets, zero row
// padding, and the pixels an outside reader sees equal the bitmap's colours.
TEST_P(SavedBitmap, EngineKeepsItAndTheFileShowsIt) {
    const Shape &shape = GetParam();
    Content content = contentFor(shape);
    int bitmap = 0;
    ASSERT_EQ(0, NewBitmap(shape.rowBytes, shape.depth, shape.width, shape.height,
                           content.table.empty() ? nullptr : content.table.data(), content.bits.data(),
                           shape.masked ? content.mask.data() : nullptr, &bitmap));

    int tableSize = -1, bitsSize = -1, maskSize = -1;
    ASSERT_EQ(0, GetBitmapInfo(bitmap, &tableSize, &bitsSize, &maskSize));
    EXPECT_EQ(static_cast<int>(content.table.size() * 4), tableSize);
    EXPECT_EQ(static_cast<int>(content.bits.size()), bitsSize);
    EXPECT_EQ(static_cast<int>(content.mask.size()), maskSize);
    std::vector<int> table(content.table.size() + 1, 0x0BADBEEF);
    std::vector<unsigned char> bits(content.bits.size() + 1, 0xBD), mask(content.mask.size() + 1, 0xBD);
    int rowBytes = 0, depth = 0, width = 0, height = 0;
    ASSERT_EQ(0, GetBitmapData(bitmap, &rowBytes, &depth, &width, &height, table.data(), bits.data(),
                               mask.data()));
    EXPECT_EQ(content.rowBytes, rowBytes);
    EXPECT_EQ(shape.depth, depth);
    EXPECT_EQ(shape.width, width);
    EXPECT_EQ(shape.height, height);
    EXPECT_EQ(0x0BADBEEF, table.back());
    EXPECT_EQ(0xBD, bits.back());
    EXPECT_EQ(0xBD, mask.back());
    table.pop_back(), bits.pop_back(), mask.pop_back();
    EXPECT_EQ(content.table, table);
    EXPECT_EQ(content.bits, bits);
    EXPECT_EQ(content.mask, mask);

    std::string path = dir.path("picture.bmp");
    ASSERT_EQ(0, SaveBitmapToFile(path.c_str(), bitmap));
    ASSERT_EQ(0, DiscardBitmap(bitmap));
    std::string file = readFile(path);
    size_t stride = ((shape.width * shape.depth + 7) / 8 + 3) / 4 * 4;
    size_t pixelBytes = (shape.width * shape.depth + 7) / 8;
    size_t colors = shape.depth < 24 ? 1u << shape.depth : 0;
    size_t offset = 54 + 4 * colors;
    ASSERT_EQ(offset + stride * shape.height, file.size());
    EXPECT_EQ("BM", file.substr(0, 2));
    EXPECT_EQ(file.size(), field(file, 2, 4));
    EXPECT_EQ(0u, field(file, 6, 4));
    EXPECT_EQ(offset, field(file, 10, 4));
    EXPECT_EQ(40u, field(file, 14, 4));
    EXPECT_EQ(static_cast<uint32_t>(shape.width), field(file, 18, 4));
    EXPECT_EQ(static_cast<uint32_t>(shape.height), field(file, 22, 4));
    EXPECT_EQ(1u, field(file, 26, 2));
    EXPECT_EQ(static_cast<uint32_t>(shape.depth), field(file, 28, 2));
    EXPECT_EQ(0u, field(file, 30, 4));
    EXPECT_EQ(stride * shape.height, field(file, 34, 4));
    EXPECT_EQ(colors, field(file, 46, 4));
    for (int row = 0; row < shape.height; ++row)
        for (size_t pad = pixelBytes; pad < stride; ++pad)
            EXPECT_EQ(0, file[offset + row * stride + pad]) << "row " << row << " byte " << pad;
    if (shape.depth == 32) {  // the unused fourth byte of each pixel
        for (int i = 0; i < shape.width * shape.height; ++i) EXPECT_EQ(0, file[offset + 4 * i + 3]);
    }

    BitmapReading reading;
    ASSERT_TRUE(readBitmapFile(path, reading)) << "the outside reader could not read " << path;
    EXPECT_EQ(shape.width, reading.width);
    EXPECT_EQ(shape.height, reading.height);
    if (colors) {
        EXPECT_EQ(static_cast<int>(colors), reading.colormapEntries);
    }
    for (int y = 0; y < shape.height; ++y)
        for (int x = 0; x < shape.width; ++x)
            EXPECT_EQ(colorAt(shape, content, x, y), reading.pixels[static_cast<size_t>(y) * shape.width + x])
                << "pixel " << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(
    Depths, SavedBitmap,
    testing::Values(Shape{"Rgb1x2", 24, 1, 2, RTE_BITMAP_AUTO_ROW_BYTES, false},
                    Shape{"Rgb5x3OddRow", 24, 5, 3, RTE_BITMAP_AUTO_ROW_BYTES, false},
                    Shape{"Rgb2x2LongRows", 24, 2, 2, 9, false},
                    Shape{"Rgbx3x3", 32, 3, 3, RTE_BITMAP_AUTO_ROW_BYTES, true},
                    Shape{"Mono13x3", 1, 13, 3, RTE_BITMAP_AUTO_ROW_BYTES, true},
                    Shape{"Nibble5x4", 4, 5, 4, RTE_BITMAP_AUTO_ROW_BYTES, false},
                    Shape{"Indexed7x5", 8, 7, 5, RTE_BITMAP_AUTO_ROW_BYTES, false},
                    Shape{"Indexed3x2Masked", 8, 3, 2, 5, true},
                    Shape{"Rgb100x250", 24, 100, 250, RTE_BITMAP_AUTO_ROW_BYTES, false},
                    Shape{"Rgbx16000x2WideRows", 32, 16000, 2, 64003, false},
                    // Rows long enough for the vector steps with a remainder, and the
                    // same through the portable loops only.
                    Shape{"Rgb53x4VectorSteps", 24, 53, 4, RTE_BITMAP_AUTO_ROW_BYTES, false},
                    Shape{"Rgb53x4Portable", 24, 53, 4, RTE_BITMAP_AUTO_ROW_BYTES, false, 0},
                    Shape{"Rgbx23x3LongRowsPortable", 32, 23, 3, 95, true, 0}),
    [](const testing::TestParamInfo<Shape> &shape) { return std::string(shape.param.name); });

// Bad shapes are refused with their code, before anything is made or written.
TEST(EngineBitmaps, BadShapesGiveCodes) {
    const int table[256] = {0, 0xFFFFFF};
    const int badColor[2] = {0, 0x1000000};
    struct Bad {
        int rowBytes, depth, width, height;
        const int *colorTable;
        int code;
    } cases[] = {
        {-1, 16, 2, 2, table, RTE_UIE_INVALID_PIXEL_DEPTH},  // no table of 65536 made up
        {-1, 0, 2, 2, table, RTE_UIE_INVALID_PIXEL_DEPTH},
        {-1, 2, 2, 2, table, RTE_UIE_INVALID_PIXEL_DEPTH},
        {-1, 64, 2, 2, nullptr, RTE_UIE_INVALID_PIXEL_DEPTH},
        {-1, 24, 0, 2, nullptr, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
        {-1, 24, 2, -1, nullptr, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
        {-1, 24, 32768, 1, nullptr, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
        {5, 24, 2, 2, nullptr, RTE_UIE_INVALID_ATTRIBUTE_VALUE},        // rows shorter than pixels
        {-2, 8, 2, 2, table, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
        {-1, 32, 32767, 32767, nullptr, RTE_UIE_INVALID_ATTRIBUTE_VALUE},  // 4 GiB of pixels
        {1 << 30, 8, 1, 1, table, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
        {-1, 8, 2, 2, nullptr, RTE_UIE_NULL_ARGUMENT},
        {-1, 1, 2, 2, badColor, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
    };
    for (const Bad &bad : cases) {
        SCOPED_TRACE(testing::Message() << "depth " << bad.depth << " " << bad.width << "x" << bad.height
                                        << " row " << bad.rowBytes);
        int bitmap = 0x0BADBEEF;
        EXPECT_EQ(bad.code, NewBitmap(bad.rowBytes, bad.depth, bad.width, bad.height, bad.colorTable,
                                      nullptr, nullptr, &bitmap));
        EXPECT_EQ(0x0BADBEEF, bitmap);
    }
    EXPECT_EQ(RTE_UIE_NULL_ARGUMENT, NewBitmap(-1, 24, 1, 1, nullptr, nullptr, nullptr, nullptr));
}

int neverCalled(const BitmapView *, void *) {
    ADD_FAILURE() << "a reader was called for a bitmap that does not exist";
    return 0;
}

// What a reader of a bitmap in place sees, and what it does while it has the view.
struct InPlaceReading {
    BitmapView view{};
    std::vector<unsigned char> bits, mask;
    std::vector<int> table;
    bool discard = false;
    int discardCode = 1;
};

int readInPlace(const BitmapView *view, void *data) {
    InPlaceReading &reading = *static_cast<InPlaceReading *>(data);
    reading.view = *view;
    if (reading.discard) reading.discardCode = DiscardBitmap(reading.discardCode);
    // Read only after a discard, so that a view of freed memory shows (sanitizers).
    reading.bits.assign(view->bits, view->bits + size_t(view->rowBytes) * size_t(view->height));
    if (view->mask)
        reading.mask.assign(view->mask, view->mask + RTE_BITMAP_MASK_ROW_BYTES(view->width) * view->height);
    if (view->colorTable) reading.table.assign(view->colorTable, view->colorTable + view->colorTableEntries);
    return 4321;
}

// A bitmap lent in place shows what GetBitmapData copies out, the reader's result comes
// back, and a discard from inside the reader leaves the view whole until it returns.
TEST(EngineBitmaps, InPlaceReadersSeeTheBitmapForTheWholeCall) {
    for (const Shape &shape : {Shape{"", 4, 5, 3, 4, true}, Shape{"", 24, 7, 2, 23, false}}) {
        SCOPED_TRACE(shape.depth);
        Content content = contentFor(shape);
        int bitmap = 0;
        ASSERT_EQ(0, NewBitmap(shape.rowBytes, shape.depth, shape.width, shape.height,
                               content.table.empty() ? nullptr : content.table.data(), content.bits.data(),
                               shape.masked ? content.mask.data() : nullptr, &bitmap));
        InPlaceReading reading;
        reading.discard = true;
        reading.discardCode = bitmap;
        EXPECT_EQ(4321, ReadBitmapInPlace(bitmap, readInPlace, &reading));
        EXPECT_EQ(0, reading.discardCode);
        EXPECT_EQ(content.rowBytes, reading.view.rowBytes);
        EXPECT_EQ(shape.depth, reading.view.depth);
        EXPECT_EQ(shape.width, reading.view.width);
        EXPECT_EQ(shape.height, reading.view.height);
        EXPECT_EQ(static_cast<int>(content.table.size()), reading.view.colorTableEntries);
        EXPECT_EQ(content.bits, reading.bits);
        EXPECT_EQ(content.mask, reading.mask);
        EXPECT_EQ(content.table, reading.table);
        EXPECT_EQ(RTE_UIE_INVALID_BITMAP, ReadBitmapInPlace(bitmap, readInPlace, &reading));
    }
    int bitmap = 0;
    ASSERT_EQ(0, NewBitmap(-1, 8, 1, 1, std::vector<int>(256).data(), nullptr, nullptr, &bitmap));
    EXPECT_EQ(RTE_UIE_NULL_ARGUMENT, ReadBitmapInPlace(bitmap, nullptr, nullptr));
    EXPECT_EQ(0, DiscardBitmap(bitmap));
}

// A handle never made, or discarded, is refused by every call (and reported), and the
// save leaves no file; null bits make black pixels, and handles are not reused.
TEST(EngineBitmaps, HandlesAreCheckedAndNeverReused) {
    int first = 0, second = 0;
    ASSERT_EQ(0, NewBitmap(-1, 24, 2, 1, nullptr, nullptr, nullptr, &first));
    unsigned char bits[6] = {1, 1, 1, 1, 1, 1};
    int maskSize = -1;
    ASSERT_EQ(0, GetBitmapInfo(first, nullptr, nullptr, &maskSize));
    EXPECT_EQ(0, maskSize);
    ASSERT_EQ(0, GetBitmapData(first, nullptr, nullptr, nullptr, nullptr, nullptr, bits, nullptr));
    EXPECT_EQ(std::vector<unsigned char>(6, 0), std::vector<unsigned char>(bits, bits + 6));
    ASSERT_EQ(0, DiscardBitmap(first));
    ASSERT_EQ(0, NewBitmap(-1, 24, 2, 1, nullptr, nullptr, nullptr, &second));
    EXPECT_GT(second, first);

    ScratchDir dir;
    std::string path = dir.path("never.bmp");
    LibraryErrorCounter reports;
    for (int handle : {first, 0, -1, second + 1000}) {
        SCOPED_TRACE(handle);
        int size = 77;
        EXPECT_EQ(RTE_UIE_INVALID_BITMAP, GetBitmapInfo(handle, &size, &size, &size));
        EXPECT_EQ(77, size);
        EXPECT_EQ(RTE_UIE_INVALID_BITMAP,
                  GetBitmapData(handle, &size, &size, &size, &size, nullptr, bits, nullptr));
        EXPECT_EQ(RTE_UIE_INVALID_BITMAP, DiscardBitmap(handle));
        EXPECT_EQ(RTE_UIE_INVALID_BITMAP, SaveBitmapToFile(path.c_str(), handle));
        EXPECT_FALSE(std::filesystem::exists(path));
        EXPECT_EQ(RTE_UIE_INVALID_BITMAP, ReadBitmapInPlace(handle, neverCalled, nullptr));
    }
    EXPECT_EQ(20, reports.reports());
    EXPECT_EQ(0, DiscardBitmap(second));
}

class BitmapSaveFailure : public testing::Test {
protected:
    void SetUp() override {
        const int table[2] = {0x000000, 0xFFFFFF};
        ASSERT_EQ(0, NewBitmap(-1, 1, 9, 4, table, nullptr, nullptr, &bitmap));
    }
    void TearDown() override {
        tb::failAllocations(0, 0);
        tb::failBitmapFileWrites(-1);
        DiscardBitmap(bitmap);
    }
    int bitmap = 0;
    ScratchDir dir;
};

// Failures before the file is opened leave the folder as it was.
TEST_F(BitmapSaveFailure, BeforeOpeningNothingIsMade) {
    EXPECT_EQ(RTE_UIE_NULL_ARGUMENT, SaveBitmapToFile(nullptr, bitmap));
    EXPECT_EQ(RTE_UIE_BAD_PATH_NAME, SaveBitmapToFile(std::string(300, 'a').c_str(), bitmap));
    EXPECT_EQ(RTE_UIE_FILE_NOT_FOUND, SaveBitmapToFile(dir.path("missing/x.bmp").c_str(), bitmap));
    std::filesystem::create_directory(dir.path("folder"));
    EXPECT_EQ(RTE_UIE_ACCESS_DENIED, SaveBitmapToFile(dir.path("folder").c_str(), bitmap));
    EXPECT_TRUE(std::filesystem::is_directory(dir.path("folder")));
    // Every allocation of a save in turn fails, until the save needs no more.
    std::string path = dir.path("low.bmp");
    int failures = 0;
    for (int allocation = 0; failures < 100; ++allocation, ++failures) {
        SCOPED_TRACE(allocation);
        tb::failAllocations(allocation, 1);
        int code = SaveBitmapToFile(path.c_str(), bitmap);
        tb::failAllocations(0, 0);
        if (code == 0) break;
        EXPECT_EQ(RTE_UIE_OUT_OF_MEMORY, code);
        EXPECT_FALSE(std::filesystem::exists(path));
    }
    EXPECT_GE(failures, 1);
    std::filesystem::remove(path);
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(dir.path()),
                               std::filesystem::directory_iterator()));  // "folder" alone
}

// A write that fails at any point takes the partial file away, also one that replaced
// an older file; a good save replaces a longer file completely.
TEST_F(BitmapSaveFailure, FailedWriteLeavesNoFileAndGoodSaveReplaces) {
    // Over 4 MiB of pixels, so that the file takes more than one write.
    const Shape shape{"", 32, 1100, 1000, RTE_BITMAP_AUTO_ROW_BYTES, false};
    Content content = contentFor(shape);
    int large = 0;
    ASSERT_EQ(0, NewBitmap(-1, 32, 1100, 1000, nullptr, content.bits.data(), nullptr, &large));
    std::string path = dir.path("old.bmp");
    int failures = 0;
    for (int write = 0; failures < 100; ++write, ++failures) {
        SCOPED_TRACE(write);
        dir.write("old.bmp", std::string(5000, 'x'));
        tb::failBitmapFileWrites(write);
        int code = SaveBitmapToFile(path.c_str(), large);
        tb::failBitmapFileWrites(-1);
        if (code == 0) break;
        EXPECT_EQ(RTE_UIE_DISK_FULL, code);
        EXPECT_FALSE(std::filesystem::exists(path));
    }
    EXPECT_GE(failures, 2);
    // Rows on both sides of every write's end are where they belong.
    std::string file = readFile(path);
    ASSERT_EQ(54u + 4400 * 1000, file.size());
    for (int y = 0; y < shape.height; ++y)
        for (int x = 0; x < shape.width; ++x) {
            size_t at = 54 + size_t(shape.height - 1 - y) * 4400 + size_t(x) * 4;
            int color = static_cast<unsigned char>(file[at + 2]) << 16 |
                        static_cast<unsigned char>(file[at + 1]) << 8 | static_cast<unsigned char>(file[at]);
            if (color != colorAt(shape, content, x, y)) FAIL() << "pixel " << x << "," << y;
        }
    dir.write("old.bmp", std::string(5000, 'x'));
    ASSERT_EQ(0, SaveBitmapToFile(path.c_str(), bitmap));
    EXPECT_EQ(54u + 8 + 16, std::filesystem::file_size(path));
    EXPECT_EQ(0, DiscardBitmap(large));
}

}  // namespace
