// The path-name operations over arbitrary paths: the finders return pointers inside
// the path, at the places a plain reading of the separator, dot and drive rules gives;
// the two writers compose exactly head + new part (or refuse a result longer than 259
// characters with the empty string), write only the result and its terminator into a
// buffer of exactly that size (guard zones), and give the same when writing in place.
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "toolbox.h"

using namespace fuzz_support;

namespace {

bool separator(char c) { return c == '\\' || c == ':'; }

// Start of the file name: behind the last separator that is not the last character.
size_t expectedName(const std::string &path) {
    for (size_t i = path.size() >= 2 ? path.size() - 1 : 0; i > 0; --i)
        if (separator(path[i - 1])) return i;
    return 0;
}

// Start of the extension, or the end: the last dot of the name that is not its first
// character and has at most 254 characters behind it.
size_t expectedExtension(const std::string &path) {
    size_t name = expectedName(path);
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot <= name || path.size() - dot - 1 > 254) return path.size();
    return dot + 1;
}

// The extension's dot; else a final dot (a name that is only a dot); else the end.
size_t expectedDot(const std::string &path) {
    size_t lastDot = path.rfind('.');
    if (lastDot != std::string::npos && expectedExtension(path) == lastDot + 1) return lastDot;
    if (!path.empty() && path.back() == '.') return path.size() - 1;
    return path.size();
}

// Calls write into a buffer of exactly the expected result's size, then into a copy
// of the path itself (the output may be the input).
template <typename Writer>
void checkWriter(const std::string &path, const std::string &expected, Writer write, const char *what) {
    GuardedBuffer out(expected.size() + 1, 'u');
    write(path.c_str(), out.data());
    require(out.guardsIntact(), what);
    require(std::memcmp(out.data(), expected.c_str(), expected.size() + 1) == 0, what);

    size_t room = std::max(path.size(), expected.size()) + 1;
    GuardedBuffer inPlace(room, 'u');
    std::memcpy(inPlace.data(), path.c_str(), path.size() + 1);
    std::string before(inPlace.data(), room);
    write(inPlace.data(), inPlace.data());
    std::string after = before;
    after.replace(0, expected.size() + 1, expected + '\0');
    require(inPlace.guardsIntact() && std::string(inPlace.data(), room) == after, what);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::vector<std::string> parts = fields(data, size, 2);
    parts.resize(2);
    for (std::string &part : parts) part = part.c_str();
    const std::string &path = parts[0], &replacement = parts[1];
    // The path in a block of its exact size, so a read past the terminator is caught.
    std::vector<char> exact(path.c_str(), path.c_str() + path.size() + 1);
    const char *p = exact.data();
    const char *end = p + path.size();

    char *name = FindFileName(p);
    require(name >= p && name <= end, "FindFileName points inside the path");
    require(name == p + expectedName(path), "the file name starts behind the last inner separator");
    char *extension = FindFileExtension(p);
    require(extension >= name && extension <= end, "FindFileExtension points inside the file name");
    require(extension == p + expectedExtension(path), "the extension starts behind the name's last dot");
    char *dot = FindFileDotPosition(p);
    require(dot >= name && dot <= end, "FindFileDotPosition points inside the file name");
    require(dot == p + expectedDot(path), "the dot position is the extension's dot or a final dot");

    char *behindDrive = SkipDriveName(p);
    bool drive = path.size() >= 2 && path[1] == ':';
    require(behindDrive == p + (drive ? 2 : 0), "SkipDriveName steps over a character and a colon");
    require(IsAbsolutePath(p) == (path.size() > (drive ? 2u : 0u) && path[drive ? 2 : 0] == '\\' ? 1 : 0),
            "a path is absolute when a backslash follows the optional drive");

    std::string withExtension = path.substr(0, static_cast<size_t>(dot - p)) + '.' + replacement;
    if (withExtension.size() > 259) withExtension.clear();
    checkWriter(path, withExtension,
                [&](const char *in, char *out) { ChangeFileNameExtension(in, out, replacement.c_str()); },
                "ChangeFileNameExtension writes the head, a dot and the extension, nothing more");
    std::string withName = path.substr(0, static_cast<size_t>(name - p)) + replacement;
    if (withName.size() > 259) withName.clear();
    checkWriter(path, withName,
                [&](const char *in, char *out) { ChangeBaseFileName(in, out, replacement.c_str()); },
                "ChangeBaseFileName writes the folders and the new name, nothing more");
    return 0;
}
