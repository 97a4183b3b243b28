// Saving a bitmap file: SaveBitmapToFile of a 1024 x 768 24-bit engine bitmap against
// stb_image_write's BMP writer on the same pixels, and against one fwrite of as many
// bytes as the saved file holds (the floor: the bytes have to reach the file somehow).
// Every call writes (and replaces) a file in a temporary folder.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ratios.h"
#include "rte_bitmaps.h"
#include "toolbox.h"

namespace {

constexpr int kWidth = 1024, kHeight = 768;

struct Fixture {
    std::string folder, ours, theirs, floor;
    std::vector<unsigned char> pixels;  // red, green, blue, rows top first
    std::vector<unsigned char> fileBytes;
    int bitmap = 0;

    Fixture() {
        char name[] = "/tmp/tb-bench-bmp-XXXXXX";
        folder = mkdtemp(name) ? name : "/tmp";
        ours = folder + "/toolbox.bmp";
        theirs = folder + "/stb.bmp";
        floor = folder + "/floor.bmp";
        pixels.resize(size_t(kWidth) * kHeight * 3);
        unsigned seed = 12345;
        for (unsigned char &byte : pixels) byte = static_cast<unsigned char>((seed = seed * 1103515245u + 12345u) >> 24);
        if (NewBitmap(-1, 24, kWidth, kHeight, nullptr, pixels.data(), nullptr, &bitmap) != 0) std::abort();
        if (SaveBitmapToFile(ours.c_str(), bitmap) != 0) std::abort();
        FILE *saved = std::fopen(ours.c_str(), "rb");
        std::fseek(saved, 0, SEEK_END);
        fileBytes.resize(size_t(std::ftell(saved)));
        std::fclose(saved);
    }
    ~Fixture() {
        for (const std::string *path : {&ours, &theirs, &floor}) std::remove(path->c_str());
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

std::vector<bench::Pair> ratioPairs() {
    return {
        {"SaveBitmapToFile / stbi_write_bmp  (1024 x 768, 24-bit)", saveWithToolbox, saveWithStb,
         "SaveBitmapToFile", "stbi_write_bmp"},
        {"SaveBitmapToFile / one fwrite of the file's bytes", saveWithToolbox, writeTheBytes,
         "SaveBitmapToFile", "fwrite"},
    };
}

}  // namespace

int main(int argc, char **argv) { return bench::runAndPrintRatios(argc, argv, ratioPairs()); }
