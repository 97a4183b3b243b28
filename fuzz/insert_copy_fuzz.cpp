// StringInsert and StringCopyMax with random limits and sizes, with the text or source
// apart or inside the very buffer being written: the buffer afterwards holds exactly
// what a copy of the text would have given, not one byte beyond the room is written
// (guard zones), the bytes behind the result's terminator keep their old values, and
// the pointer returned is the one expected.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "toolbox.h"

using namespace fuzz_support;

namespace {

// Fills room bytes of buffer: the string first, then filler bytes cycled from filler,
// the last byte a terminator so that any text taken from inside the buffer ends there.
// A filler byte 1 stands for a terminator, so texts inside the buffer vary in length.
void fill(char *buffer, size_t room, const std::string &text, const std::string &filler) {
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    for (size_t i = text.size() + 1, j = 0; i < room; ++i, ++j) {
        char c = filler.empty() ? 'f' : filler[j % filler.size()];
        buffer[i] = c == '\x01' ? '\0' : c;
    }
    buffer[room - 1] = '\0';
}

void checkInsert(const std::string &destination, const std::string &text, const std::string &filler,
                 int limit, bool textInside, size_t where) {
    size_t d = destination.size();
    size_t room = std::max(limit > 0 ? static_cast<size_t>(limit) + 1 : 0, d + 1);
    GuardedBuffer buffer(room);
    fill(buffer.data(), room, destination, filler);
    std::string owned(text);
    const char *textAt = owned.c_str();
    if (textInside) textAt = buffer.data() + where % room;
    std::string before(buffer.data(), room);
    std::string textCopy(textAt);

    std::string expected = before;
    size_t t = 0;
    if (limit > 0 && d < static_cast<size_t>(limit)) {
        t = std::min(textCopy.size(), static_cast<size_t>(limit) - d);
        expected.replace(0, t + d + 1, textCopy.substr(0, t) + destination + '\0');
    }
    char *result = StringInsert(buffer.data(), textAt, limit);
    require(buffer.guardsIntact(), "StringInsert writes only inside limit + 1 bytes");
    require(std::string(buffer.data(), room) == expected,
            "StringInsert puts the cut text in front and moves the rest behind it");
    require(result == buffer.data() + t, "StringInsert returns the place behind the inserted text");
}

void checkCopy(const std::string &source, const std::string &filler, int size, bool sourceInside,
               size_t at, size_t from) {
    constexpr size_t kArena = 2 * 96 + 2;
    GuardedBuffer arena(kArena);
    fill(arena.data(), kArena, "", filler);
    char *destination = arena.data() + at % 96;
    std::string owned(source);
    const char *sourceAt = sourceInside ? arena.data() + from % kArena : owned.c_str();
    std::string before(arena.data(), kArena);
    std::string sourceCopy(sourceAt);

    std::string expected = before;
    if (size > 0) {
        size_t length = std::min(sourceCopy.size(), static_cast<size_t>(size) - 1);
        expected.replace(static_cast<size_t>(destination - arena.data()), length + 1,
                         sourceCopy.substr(0, length) + '\0');
    }
    StringCopyMax(destination, sourceAt, size);
    require(arena.guardsIntact(), "StringCopyMax stays inside the arena");
    require(std::string(arena.data(), kArena) == expected,
            "StringCopyMax writes the cut source and its terminator, nothing else");
    // A null source writes nothing.
    std::string again(arena.data(), kArena);
    StringCopyMax(destination, nullptr, size);
    require(std::string(arena.data(), kArena) == again, "a null source writes nothing");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 4) return 0;
    // Byte 0: bit 0 the function, bit 1 text inside the buffer; byte 1: the limit or
    // size (signed, so refusals are tried too); bytes 2 and 3: offsets.
    unsigned control = data[0];
    int limit = static_cast<signed char>(data[1]) % 96;
    std::vector<std::string> parts = fields(data + 4, size - 4, 3);
    parts.resize(3);
    for (std::string &part : parts) part = part.c_str();
    if (parts[0].size() > 200) return 0;
    if (control & 1)
        checkCopy(parts[0], parts[2], limit, (control & 2) != 0, data[2], data[3]);
    else
        checkInsert(parts[0], parts[1], parts[2], limit, (control & 2) != 0, data[2]);
    return 0;
}
