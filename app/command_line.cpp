// Command-line splitting. The rules differ on purpose from the C runtime's: runs of
// backslashes are never halved, and a line feed or carriage return only separates
// arguments when it stands between them.
#include "command_line.h"

#include <cstring>

namespace vantor {

namespace {

bool isSeparator(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Bytes are compared unsigned: read as signed, 0x80-0xFF would end an unquoted name
// in the middle (C:\Users\Jos\xe9\vantor.exe) and be dropped from the start of the
// first argument, giving a wrong argument count and lost text.
bool isNameByte(char c) { return static_cast<unsigned char>(c) > 32; }
bool isBlankAfterName(char c) { return !isNameByte(c); }

const char *skipSeparators(const char *p) {
    while (isSeparator(*p)) ++p;
    return p;
}

}  // namespace

const char *commandLineTail(const char *line) {
    if (!line) return "";
    const char *p = line;
    if (*p == '"') {
        ++p;
        while (*p && *p != '"') ++p;
        if (*p == '"') ++p;
    } else {
        while (isNameByte(*p)) ++p;
    }
    while (*p && isBlankAfterName(*p)) ++p;
    return p;
}

const char *moduleBaseName(const char *path) {
    const char *base = path;
    for (const char *p = path; *p; ++p)
        if (*p == '\\' || *p == ':') base = p + 1;
    return base;
}

const char *argumentEnd(const char *argument) {
    bool escaped = false;
    bool quoted = false;
    const char *p = argument;
    for (; *p; ++p) {
        if (*p == '\\') {
            escaped = !escaped;
        } else if (*p == '"') {
            if (!escaped) quoted = !quoted;
            escaped = false;
        } else if ((*p == ' ' || *p == '\t') && !quoted) {
            break;
        } else {
            escaped = false;
        }
    }
    return p;
}

int countArguments(const char *tail) {
    int count = 0;
    if (!tail) return 0;
    const char *p = skipSeparators(tail);
    while (*p) {
        p = argumentEnd(p);
        ++count;
        p = skipSeparators(p);
    }
    return count;
}

void unquoteArgument(char *argument) {
    bool escaped = false;
    char *out = argument;
    for (const char *in = argument; *in; ++in) {
        if (*in == '"') {
            // An escaped quote takes the place of the backslash written just before it.
            if (escaped) out[-1] = '"';
            escaped = false;
            continue;
        }
        escaped = *in == '\\' ? !escaped : false;
        *out++ = *in;
    }
    *out = '\0';
}

bool splitArguments(const char *tail, ZeroedAllocator allocate, int *argc, char ***argv) {
    if (!tail) tail = "";
    int count = countArguments(tail) + 1;
    char **vector = static_cast<char **>(allocate((static_cast<std::size_t>(count) + 1) * sizeof(char *)));
    if (!vector) return false;
    vector[0] = static_cast<char *>(allocate(1));
    if (!vector[0]) return false;

    const char *p = skipSeparators(tail);
    for (int slot = 1; slot < count; ++slot) {
        const char *end = argumentEnd(p);
        std::size_t length = static_cast<std::size_t>(end - p);
        char *copy = static_cast<char *>(allocate(length + 1));
        if (!copy) return false;
        std::memcpy(copy, p, length);
        unquoteArgument(copy);
        vector[slot] = copy;
        p = skipSeparators(end);
    }
    *argc = count;
    *argv = vector;
    return true;
}

}  // namespace vantor
