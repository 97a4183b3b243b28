// vantor: the post-setup task. The desktop comes from the current user first, the
// program group from all users first; a FileExists error counts as "not there".
//
// Fixed buffers: arguments longer than 259 characters are cut to fit prog, dest and src
// (the task keeps them only as public copies and never reads them). Composed paths are
// refused instead of cut, since a cut path names another file: a destination that does
// not fit means no usable desktop (-1), a source that does not fit counts as absent.
// Registry text is taken only when it ends within its buffer.
#include "vantor.h"

#include <cstring>

#include "rtengine.h"
#include "startup.h"
#include "toolbox.h"

char prog[260];
char dest[260];
char src[260];
char group[260];
char subkey[101];
char desktop_dir[260];
char programs_dir[260];
char lnk_source[260];
char lnk_destination[260];
char lnk_file_name[257];

extern "C" const RTE_PublicSymbol VantorPublicSymbols[] = {
    {"prog", prog},
    {"dest", dest},
    {"src", src},
    {"group", group},
    {"subkey", subkey},
    {"desktop_dir", desktop_dir},
    {"programs_dir", programs_dir},
    {"lnk_source", lnk_source},
    {"lnk_destination", lnk_destination},
    {"lnk_file_name", lnk_file_name},
    {"__RTEUserHInst", &__RTEUserHInst},
    {"__RunningWithPtrCheckingOn", &__RunningWithPtrCheckingOn},
    {nullptr, nullptr},
};

namespace {

constexpr unsigned int kCurrentUser = 0x80000001u;
constexpr unsigned int kLocalMachine = 0x80000002u;
constexpr char kVersionSuffix[] = "2.0 beta release";

// Copies text into a fixed buffer, cut to fit, always terminated.
template <size_t N>
void copyCut(char (&target)[N], const char *text) {
    size_t length = text ? strnlen(text, N - 1) : 0;
    std::memcpy(target, text ? text : "", length);
    target[length] = '\0';
}

// Reads a folder value into a 260-byte global. The global is taken only when the
// value's text ends inside it; otherwise it is cleared and the read counts as failed.
template <size_t N>
bool readFolder(unsigned int root, const char *valueName, char (&folder)[N]) {
    unsigned int size = 0;
    if (RegReadString(root, subkey, valueName, reinterpret_cast<unsigned char *>(folder), N,
                      &size) != 0)
        return false;
    if (std::memchr(folder, '\0', N)) return true;
    folder[0] = '\0';
    return false;
}

// Composes the program group's shortcut path from programs_dir and copies it when it
// is there. Returns the copy's result, or 1 when there is nothing to copy.
int copyFromProgramsDir() {
    if (FmtLimited(lnk_source, sizeof lnk_source, "%s<%s\\%s\\%s.lnk", programs_dir, group,
                   lnk_file_name) < 0)
        return 1;
    if (FileExists(lnk_source, nullptr) != 1) return 1;
    return RTE_CopyFile(lnk_source, lnk_destination);
}

}  // namespace

extern "C" {

int VantorMain(int argc, char *argv[]) {
    if (argc < 5) return -1;
    copyCut(prog, argv[0]);
    copyCut(dest, argv[1]);
    copyCut(src, argv[2]);
    copyCut(group, "Nimbrova");
    copyCut(lnk_file_name, "nimbrova");
    CopyLnkFile();
    return 0;
}

int CopyLnkFile(void) {
    copyCut(subkey, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
    if (!readFolder(kCurrentUser, "Desktop", desktop_dir) &&
        !readFolder(kLocalMachine, "Common Desktop", desktop_dir))
        return -1;
    if (FmtLimited(lnk_destination, sizeof lnk_destination, "%s<%s\\%s %s.lnk", desktop_dir,
                   lnk_file_name, kVersionSuffix) < 0)
        return -1;

    if (readFolder(kLocalMachine, "Common Programs", programs_dir)) {
        int result = copyFromProgramsDir();
        if (result != 1) return result;
    }
    if (!readFolder(kCurrentUser, "Programs", programs_dir)) return 1;
    return copyFromProgramsDir();
}

}  // extern "C"
