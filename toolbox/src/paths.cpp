// Path names: pure string work on Windows path names, the same on every platform.
// The separators are the backslash and, for a drive, the colon; a forward slash is an
// ordinary character. Nothing here touches the file system.
//
// Choices made here:
//  - The two writers have no size argument. They write exactly the result and its
//    terminator, never more (an extension shorter than the one it replaces does not
//    make them copy the whole source first), so a buffer sized for the result is
//    enough. A result longer than 259 characters, which could not be a path in the
//    library's 260-byte buffers, is refused: the output becomes the empty string.
//  - The result is composed before it is written, so the output may be the source
//    string itself (or overlap it).
//  - A null argument to either writer is a programming error and asserts.
#include <cstring>

#include "toolbox_internal.h"

namespace {

constexpr size_t kLongestPath = TB_MAX_PATHNAME_LEN - 1;

// A dot followed by more characters than this does not start an extension.
constexpr int kLongestExtension = 254;

bool isSeparator(char c) { return c == '\\' || c == ':'; }

// The result of the two writers: head (the first headLength bytes of the source),
// an optional dot, then tail. Composed in a private buffer first, so the output may
// overlap the inputs; refused (empty output) when longer than a path may be.
void writeComposed(char *out, const char *head, size_t headLength, bool dot, const char *tail) {
    size_t tailLength = std::strlen(tail);
    size_t total = headLength + (dot ? 1 : 0) + tailLength;
    if (total > kLongestPath) {
        out[0] = '\0';
        return;
    }
    char result[TB_MAX_PATHNAME_LEN];
    std::memcpy(result, head, headLength);
    if (dot) result[headLength] = '.';
    std::memcpy(result + headLength + (dot ? 1 : 0), tail, tailLength);
    result[total] = '\0';
    std::memcpy(out, result, total + 1);
}

}  // namespace

extern "C" {

char *FindFileName(const char *path) {
    TB_ASSERT(path != nullptr, "Null pathString parameter passed to FindFileName");
    size_t length = std::strlen(path);
    // The last character is never taken as the separator: C:\dir\ names dir\.
    for (size_t position = length ? length - 1 : 0; position > 0; --position)
        if (isSeparator(path[position - 1])) return const_cast<char *>(path + position);
    return const_cast<char *>(path);
}

char *FindFileExtension(const char *path) {
    TB_ASSERT(path != nullptr, "Null pathString parameter passed to FindFileExtension");
    char *name = FindFileName(path);
    size_t length = std::strlen(name);
    char *end = name + length;
    int notDots = 0;
    // Backwards from the last character; the first one is never examined, so a
    // leading dot (.profile) does not start an extension.
    for (size_t position = length; position > 1; --position) {
        if (name[position - 1] == '.') return name + position;
        if (++notDots > kLongestExtension) break;
    }
    return end;
}

char *FindFileDotPosition(const char *path) {
    TB_ASSERT(path != nullptr, "Null pathString parameter passed to FindFileDotPosition");
    char *extension = FindFileExtension(path);
    if (extension != path && extension[-1] == '.') return extension - 1;
    return extension;
}

void ChangeFileNameExtension(const char *fileName, char *newFileName, const char *extension) {
    TB_ASSERT(fileName != nullptr && newFileName != nullptr,
              "Null parameters passed to ChangeFileNameExtension");
    TB_ASSERT(extension != nullptr, "Null extension passed to ChangeFileNameExtension");
    const char *dot = FindFileDotPosition(fileName);
    writeComposed(newFileName, fileName, static_cast<size_t>(dot - fileName), true, extension);
}

void ChangeBaseFileName(const char *fileName, char *newFileName, const char *newName) {
    TB_ASSERT(fileName != nullptr && newFileName != nullptr && newName != nullptr,
              "Null parameters passed to ChangeBaseFileName");
    const char *name = FindFileName(fileName);
    writeComposed(newFileName, fileName, static_cast<size_t>(name - fileName), false, newName);
}

char *SkipDriveName(const char *path) {
    if (path && path[0] != '\0' && path[1] == ':') return const_cast<char *>(path + 2);
    return const_cast<char *>(path);
}

int IsAbsolutePath(const char *path) {
    if (!path || path[0] == '\0') return 0;
    return *SkipDriveName(path) == '\\' ? 1 : 0;
}

}  // extern "C"
