// Saving a bitmap file: SaveBitmapToFile of a 1024 x 768 24-bit engine bitmap against
// stb_image_write's BMP writer on the same pixels, against one fwrite of as many bytes
// as the saved file holds (the floor: the bytes have to reach the file somehow), and
// against a copy of those bytes into a buffer kept between calls followed by one fwrite
// (the floor of any writer that has to rearrange the bytes before writing them, as a
// BMP writer must: the file holds blue, green, red, bottom row first).
// Every call writes (and replaces) a file in a temporary folder.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ratios.h"
#include "rte_bitmaps.h"
#include "toolbox.h"

namespace {

constexpr int kWidth = 1024, kHeight = 768;

struct Fixture {
    std::string folder, ours, theirs, floor, staged;
    std::vector<unsigned char> pixels;  // red, green, blue, rows top first
    std::vector<unsigned char> fileBytes;
    std::vector<unsigned char> stagingBuffer;
    int bitmap = 0;

    Fixture() {
        char name[] = "/tmp/tb-bench-bmp-XXXXXX";
        folder = mkdtemp(name) ? name : "/tmp";
        ours = folder + "/toolbox.bmp";
        theirs = folder + "/stb.bmp";
        floor = folder + "/floor.bmp";
        staged = folder + "/staged.bmp";
        pixels.resize(size_t(kWidth) * kHeight * 3);
        unsigned seed = 12345;
        for (unsigned char &byte : pixels) byte = static_cast<unsigned char>((seed = seed * 1103515245u + 12345u) >> 24);
        if (NewBitmap(-1, 24, kWidth, kHeight, nullptr, pixels.data(), nullptr, &bitmap) != 0) std::abort();
        if (SaveBitmapToFile(ours.c_str(), bitmap) != 0) std::abort();
        FILE *saved = std::fopen(ours.c_str(), "rb");
        std::fseek(saved, 0, SEEK_END);
        fileBytes.resize(size_t(std::ftell(saved)));
        stagingBuffer.resize(fileBytes.size());
        std::fclose(saved);
    }
    ~Fixture() {
        for (const std::string *path : {&ours, &theirs, &floor, &staged}) std::remove(path->c_str());
        rmdir(folder.c_str());
    }
};

Fixture &fixture() {
    static Fixture f;
    return f;
}

void saveWithToolbox() {
    benchmark::DoNotOptimize(SaveBitmapToFile(fixture().ours.c_str(), fixture().bitmap));
}

void saveWithStb() {
    Fixture &f = fixture();
    benchmark::DoNotOptimize(stbi_write_bmp(f.theirs.c_str(), kWidth, kHeight, 3, f.pixels.data()));
}

void writeTheBytes() {
    Fixture &f = fixture();
    FILE *file = std::fopen(f.floor.c_str(), "wb");
    benchmark::DoNotOptimize(std::fwrite(f.fileBytes.data(), 1, f.fileBytes.size(), file));
    std::fclose(file);
}

void copyThenWriteTheBytes() {
    Fixture &f = fixture();
    std::memcpy(f.stagingBuffer.data(), f.fileBytes.data(), f.fileBytes.size());
    FILE *file = std::fopen(f.staged.c_str(), "wb");
    benchmark::DoNotOptimize(std::fwrite(f.stagingBuffer.data(), 1, f.stagingBuffer.size(), file));
    std::fclose(file);
}

std::vector<bench::Pair> ratioPairs() {
    return {
        {"SaveBitmapToFile / stbi_write_bmp  (1024 x 768, 24-bit)", saveWithToolbox, saveWithStb,
         "SaveBitmapToFile", "stbi_write_bmp"},
        {"SaveBitmapToFile / one fwrite of the file's bytes", saveWithToolbox, writeTheBytes,
         "SaveBitmapToFile", "fwrite"},
        {"SaveBitmapToFile / memcpy to a kept buffer + one fwrite", saveWithToolbox,
         copyThenWriteTheBytes, "SaveBitmapToFile", "memcpy+fwrite"},
        {"memcpy to a kept buffer + one fwrite / one fwrite", copyThenWriteTheBytes, writeTheBytes,
         "memcpy+fwrite", "fwrite"},
    };
}

}  // namespace

int main(int argc, char **argv) { return bench::runAndPrintRatios(argc, argv, ratioPairs()); }
