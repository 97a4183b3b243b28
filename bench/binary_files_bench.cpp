// Binary stream reading against the usual alternatives on the same file, in the same
// run: reading CR LF lines (ReadLineFromBinaryFile against POSIX getline and
// std::getline), reading zero-terminated strings (ReadStringFromBinaryFile against
// getdelim) and searching for a pattern (FindBytesInFile against reading the file
// whole and searching it with memmem). Prints the ratios library / alternative.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>

#include "toolbox.h"

namespace {

// Test files made once: many short lines, many short zero-terminated strings, and a
// large file with one pattern near its end.
struct Files {
    std::string lines;
    std::string strings;
    std::string haystack;
    Files() {
        char folder[] = "/tmp/tb-bench-XXXXXX";
        std::string root = mkdtemp(folder) ? folder : "/tmp";
        lines = root + "/lines.txt";
        strings = root + "/strings.bin";
        haystack = root + "/haystack.bin";
        std::ofstream l(lines, std::ios::binary), s(strings, std::ios::binary),
            h(haystack, std::ios::binary);
        for (int i = 0; i < 20000; ++i) {
            std::string text = "line " + std::to_string(i) + std::string(i % 90, 'x');
            l << text << "\r\n";
            s << text << '\0';
        }
        std::string block(1 << 20, 'a');
        for (int i = 0; i < 8; ++i) h << block;
        h << "needle!" << block;
    }
    ~Files() {
        std::remove(lines.c_str());
        std::remove(strings.c_str());
        std::remove(haystack.c_str());
        rmdir(lines.substr(0, lines.rfind('/')).c_str());
    }
};

const Files &files() {
    static Files made;
    return made;
}

void ToolboxReadLines(benchmark::State &state) {
    for (auto _ : state) {
        FILE *stream = std::fopen(files().lines.c_str(), "rb");
        int endOfFile = 0, count = 0;
        while (!endOfFile) {
            char *line = nullptr;
            if (ReadLineFromBinaryFile(stream, &line, -1, &endOfFile, nullptr) != 0) break;
            count += line[0] != '\0';
            std::free(line);
        }
        std::fclose(stream);
        benchmark::DoNotOptimize(count);
    }
}

void PosixGetline(benchmark::State &state) {
    for (auto _ : state) {
        FILE *stream = std::fopen(files().lines.c_str(), "rb");
        char *line = nullptr;
        size_t capacity = 0;
        int count = 0;
        while (getline(&line, &capacity, stream) > 0) ++count;
        std::free(line);
        std::fclose(stream);
        benchmark::DoNotOptimize(count);
    }
}

void StdGetline(benchmark::State &state) {
    for (auto _ : state) {
        std::ifstream in(files().lines, std::ios::binary);
        std::string line;
        int count = 0;
        while (std::getline(in, line)) ++count;
        benchmark::DoNotOptimize(count);
    }
}

void ToolboxReadStrings(benchmark::State &state) {
    for (auto _ : state) {
        FILE *stream = std::fopen(files().strings.c_str(), "rb");
        int endOfFile = 0, count = 0;
        while (!endOfFile) {
            char *text = nullptr;
            if (ReadStringFromBinaryFile(stream, &text, -1, &endOfFile, nullptr) != 0) break;
            count += text[0] != '\0';
            std::free(text);
        }
        std::fclose(stream);
        benchmark::DoNotOptimize(count);
    }
}

void PosixGetdelim(benchmark::State &state) {
    for (auto _ : state) {
        FILE *stream = std::fopen(files().strings.c_str(), "rb");
        char *text = nullptr;
        size_t capacity = 0;
        int count = 0;
        while (getdelim(&text, &capacity, '\0', stream) > 0) ++count;
        std::free(text);
        std::fclose(stream);
        benchmark::DoNotOptimize(count);
    }
}

void ToolboxFindBytes(benchmark::State &state) {
    for (auto _ : state) {
        FILE *stream = std::fopen(files().haystack.c_str(), "rb");
        long position = 0;
        benchmark::DoNotOptimize(FindBytesInFile(stream, "needle!", 7, nullptr, &position));
        benchmark::DoNotOptimize(position);
        std::fclose(stream);
    }
}

void ReadWholeAndMemmem(benchmark::State &state) {
    for (auto _ : state) {
        FILE *stream = std::fopen(files().haystack.c_str(), "rb");
        std::string data;
        char chunk[1 << 16];
        for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, stream)) > 0;)
            data.append(chunk, got);
        std::fclose(stream);
        const void *found = memmem(data.data(), data.size(), "needle!", 7);
        benchmark::DoNotOptimize(found);
    }
}

BENCHMARK(ToolboxReadLines)->Unit(benchmark::kMillisecond);
BENCHMARK(PosixGetline)->Unit(benchmark::kMillisecond);
BENCHMARK(StdGetline)->Unit(benchmark::kMillisecond);
BENCHMARK(ToolboxReadStrings)->Unit(benchmark::kMillisecond);
BENCHMARK(PosixGetdelim)->Unit(benchmark::kMillisecond);
BENCHMARK(ToolboxFindBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadWholeAndMemmem)->Unit(benchmark::kMillisecond);

// Shows the usual table and remembers each benchmark's time per iteration.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) times[run.benchmark_name()] = run.GetAdjustedRealTime();
    }
    std::map<std::string, double> times;
};

void printRatio(const RatioReporter &reporter, const char *library, const char *alternative) {
    auto a = reporter.times.find(library);
    auto b = reporter.times.find(alternative);
    if (a == reporter.times.end() || b == reporter.times.end() || b->second <= 0) return;
    std::printf("%-20s / %-20s %6.2f\n", library, alternative, a->second / b->second);
}

}  // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    files();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nratios (library time / alternative time; below 1.0 is faster)\n");
    printRatio(reporter, "ToolboxReadLines", "PosixGetline");
    printRatio(reporter, "ToolboxReadLines", "StdGetline");
    printRatio(reporter, "ToolboxReadStrings", "PosixGetdelim");
    printRatio(reporter, "ToolboxFindBytes", "ReadWholeAndMemmem");
    benchmark::Shutdown();
    return 0;
}
