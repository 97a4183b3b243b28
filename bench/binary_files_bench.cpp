// Binary stream reading against the usual alternatives on the same files, in the same
// run: reading CR LF lines (ReadLineFromBinaryFile against POSIX getline, with and
// without the strdup that gives each line a block of its own as the library does, and
// std::getline), reading zero-terminated strings (ReadStringFromBinaryFile against
// getdelim with strdup) and searching for a pattern (FindBytesInFile against reading
// the file whole and searching it with memmem).
//
// The line and string files hold about 50 MB of texts of random lengths (0 to 120
// characters); every call reads one file from its start to its end.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>

#include "ratios.h"
#include "toolbox.h"

namespace {

constexpr size_t kTextBytes = 50u << 20;

// Test files made once: many lines, many zero-terminated strings, and a large file
// with one pattern near its end.
struct Files {
    std::string folder;
    std::string lines;
    std::string strings;
    std::string haystack;
    Files() {
        char name[] = "/tmp/tb-bench-XXXXXX";
        folder = mkdtemp(name) ? name : "/tmp";
        lines = folder + "/lines.txt";
        strings = folder + "/strings.bin";
        haystack = folder + "/haystack.bin";
        std::ofstream l(lines, std::ios::binary), s(strings, std::ios::binary), h(haystack, std::ios::binary);
        std::mt19937 random(5);
        for (size_t written = 0; written < kTextBytes;) {
            std::string text(random() % 121, 'x');
            for (char &c : text) c = static_cast<char>(' ' + random() % 95);
            l << text << "\r\n";
            s << text << '\0';
            written += text.size() + 2;
        }
        std::string block(1 << 20, 'a');
        for (int i = 0; i < 8; ++i) h << block;
        h << "needle!" << block;
    }
    ~Files() {
        std::remove(lines.c_str());
        std::remove(strings.c_str());
        std::remove(haystack.c_str());
        rmdir(folder.c_str());
    }
};

const Files &files() {
    static Files made;
    return made;
}

// Reads every line or string of a file with a library reader; counts the non-empty.
void readAllWith(const std::string &path, int (*reader)(FILE *, char **, int, int *, int *)) {
    FILE *stream = std::fopen(path.c_str(), "rb");
    int endOfFile = 0, count = 0;
    while (!endOfFile) {
        char *text = nullptr;
        if (reader(stream, &text, -1, &endOfFile, nullptr) != 0) break;
        count += text[0] != '\0';
        std::free(text);
    }
    std::fclose(stream);
    benchmark::DoNotOptimize(count);
}

// getdelim through a buffer it reuses, with (copy true) or without a strdup per text.
void readAllWithGetdelim(const std::string &path, int delimiter, bool copy) {
    FILE *stream = std::fopen(path.c_str(), "rb");
    char *text = nullptr;
    size_t capacity = 0;
    int count = 0;
    while (getdelim(&text, &capacity, delimiter, stream) > 0) {
        if (copy) {
            char *own = strdup(text);
            benchmark::DoNotOptimize(own);
            std::free(own);
        }
        ++count;
    }
    std::free(text);
    std::fclose(stream);
    benchmark::DoNotOptimize(count);
}

void readAllWithStdGetline(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    int count = 0;
    while (std::getline(in, line)) ++count;
    benchmark::DoNotOptimize(count);
}

void findWithToolbox() {
    FILE *stream = std::fopen(files().haystack.c_str(), "rb");
    long position = 0;
    benchmark::DoNotOptimize(FindBytesInFile(stream, "needle!", 7, nullptr, &position));
    benchmark::DoNotOptimize(position);
    std::fclose(stream);
}

void readWholeAndMemmem() {
    FILE *stream = std::fopen(files().haystack.c_str(), "rb");
    std::string data;
    char chunk[1 << 16];
    for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, stream)) > 0;) data.append(chunk, got);
    std::fclose(stream);
    const void *found = memmem(data.data(), data.size(), "needle!", 7);
    benchmark::DoNotOptimize(found);
}

std::vector<bench::Pair> ratioPairs() {
    const Files &f = files();
    auto readLines = [&f] { readAllWith(f.lines, ReadLineFromBinaryFile); };
    auto readStrings = [&f] { readAllWith(f.strings, ReadStringFromBinaryFile); };
    return {
        {"ReadLineFromBinaryFile / getline + strdup  (50 MB)", readLines,
         [&f] { readAllWithGetdelim(f.lines, '\n', true); }, "ReadLineFromBinaryFile", "getline+strdup"},
        {"ReadLineFromBinaryFile / getline", readLines, [&f] { readAllWithGetdelim(f.lines, '\n', false); },
         "ReadLineFromBinaryFile", "getline"},
        {"ReadLineFromBinaryFile / std::getline on an ifstream", readLines, [&f] { readAllWithStdGetline(f.lines); },
         "ReadLineFromBinaryFile", "std::getline"},
        {"ReadStringFromBinaryFile / getdelim + strdup  (50 MB)", readStrings,
         [&f] { readAllWithGetdelim(f.strings, '\0', true); }, "ReadStringFromBinaryFile", "getdelim+strdup"},
        {"FindBytesInFile / read whole + memmem  (16 MiB)", findWithToolbox, readWholeAndMemmem, "FindBytesInFile",
         "fread+memmem"},
    };
}

}  // namespace

int main(int argc, char **argv) { return bench::runAndPrintRatios(argc, argv, ratioPairs()); }
