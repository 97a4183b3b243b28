// Throughput of ConvertDataToText / ConvertTextToData against GLib's base64 (a similar
// 6-bit text encoding) and against memcpy of the same data size (the limit).
//
// Blocks are allocated once and coded again and again: a fresh large allocation costs
// a page fault per 4 KiB on these machines, which would hide the coding work. Every
// coder allocates its output per call (as the library and GLib do); memcpy writes into
// a buffer made once, placed half a page apart from its source: with source and
// target at the same offset in their pages the C library's copy runs several times
// slower (its loads and stores alias), which would make the limit look low.
#include <glib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "ratios.h"
#include "toolbox.h"

namespace {

using Bytes = std::vector<unsigned char>;

std::shared_ptr<Bytes> randomBlock(size_t size) {
    auto block = std::make_shared<Bytes>(size);
    std::mt19937 random(42);
    for (auto &b : *block) b = static_cast<unsigned char>(random());
    return block;
}

std::function<void()> encodeToolbox(size_t size) {
    auto block = randomBlock(size);
    return [block] {
        char *text = nullptr;
        ConvertDataToText(block->data(), static_cast<int>(block->size()), &text);
        benchmark::DoNotOptimize(text);
        std::free(text);
    };
}

std::function<void()> encodeGlib(size_t size) {
    auto block = randomBlock(size);
    return [block] {
        gchar *text = g_base64_encode(block->data(), block->size());
        benchmark::DoNotOptimize(text);
        g_free(text);
    };
}

std::function<void()> decodeToolbox(size_t size) {
    auto block = randomBlock(size);
    char *made = nullptr;
    ConvertDataToText(block->data(), static_cast<int>(block->size()), &made);
    std::shared_ptr<char> text(made, std::free);
    return [text] {
        unsigned char *data = nullptr;
        int decoded = 0;
        ConvertTextToData(text.get(), &decoded, &data);
        benchmark::DoNotOptimize(data);
        std::free(data);
    };
}

std::function<void()> decodeGlib(size_t size) {
    auto block = randomBlock(size);
    std::shared_ptr<gchar> text(g_base64_encode(block->data(), block->size()), g_free);
    return [text] {
        gsize decoded = 0;
        guchar *data = g_base64_decode(text.get(), &decoded);
        benchmark::DoNotOptimize(data);
        g_free(data);
    };
}

// The target half a page (plus a cache line) apart from the source.
unsigned char *placedApart(Bytes &area, const unsigned char *source) {
    const uintptr_t page = 4096;
    uintptr_t wanted = (reinterpret_cast<uintptr_t>(source) + page / 2 + 64) % page;
    uintptr_t at = reinterpret_cast<uintptr_t>(area.data()) % page;
    return area.data() + (wanted + page - at) % page;
}

std::function<void()> copyMemcpy(size_t size) {
    auto block = randomBlock(size);
    auto area = std::make_shared<Bytes>(size + 4096);
    unsigned char *target = placedApart(*area, block->data());
    return [block, area, target] {
        std::memcpy(target, block->data(), block->size());
        benchmark::DoNotOptimize(target);
        benchmark::ClobberMemory();
    };
}

std::string blockName(size_t size) {
    return size >= (1u << 20) ? std::to_string(size >> 20) + " MiB"
           : size >= 1024     ? std::to_string(size >> 10) + " KiB"
                              : std::to_string(size) + " B";
}

std::vector<bench::Pair> ratioPairs() {
    std::vector<bench::Pair> pairs;
    for (size_t size : {size_t{64}, size_t{64} << 10, size_t{4} << 20}) {
        std::string name = blockName(size);
        auto encode = encodeToolbox(size), decode = decodeToolbox(size), copy = copyMemcpy(size);
        pairs.push_back({"ConvertDataToText / g_base64_encode  " + name, encode, encodeGlib(size),
                         "encode/toolbox/" + name, "encode/glib/" + name});
        pairs.push_back({"ConvertTextToData / g_base64_decode  " + name, decode, decodeGlib(size),
                         "decode/toolbox/" + name, "decode/glib/" + name});
        pairs.push_back({"ConvertDataToText / memcpy  " + name, encode, copy, "encode/toolbox/" + name,
                         "copy/memcpy/" + name});
        pairs.push_back({"ConvertTextToData / memcpy  " + name, decode, copy, "decode/toolbox/" + name,
                         "copy/memcpy/" + name});
    }
    return pairs;
}

}  // namespace

int main(int argc, char **argv) { return bench::runAndPrintRatios(argc, argv, ratioPairs()); }
