// Temporary files: the first free name of the form <folder><prefix><n>.<extension>,
// n from 0 to 999, in the folder of a location path, opened with the caller's mode.
//
// Choices made here:
//  - A name that would not fit in the 260-byte name buffer is never written: the
//    search stops with -100 (bad path name) at the first candidate that is too long,
//    and a location path the engine refuses gives -100 as well.
//  - Null arguments give -65 with nothing written.
//  - A name held by a symbolic link is taken, even when the link points nowhere: the
//    open would make a file wherever the link points.
#include <cstdio>
#include <cstring>

#include "toolbox_internal.h"

namespace {

constexpr int kTemporaryNames = 1000;
constexpr size_t kPrefixCharacters = 5;

}  // namespace

extern "C" {

int CreateAndOpenTemporaryFile(const char *location, const char *prefix, const char *extension,
                               const char *mode, char *fileName, FILE **stream) {
    if (!location || !prefix || !extension || !mode || !fileName || !stream)
        return RTE_UIE_NULL_ARGUMENT;
    tb::BreakingOff quiet;
    char drive[RTE_MAX_PATHNAME_LEN];
    char folder[RTE_MAX_PATHNAME_LEN];
    int code = SplitPath(location, drive, folder, nullptr);
    if (code != 0) return tb::mapEngineFileCode(code);
    char shortPrefix[kPrefixCharacters + 1] = {};
    std::strncpy(shortPrefix, prefix, kPrefixCharacters);

    char candidate[TB_MAX_PATHNAME_LEN];
    for (int n = 0; n < kTemporaryNames; ++n) {
        int length = std::snprintf(candidate, sizeof candidate, "%s%s%s%d.%s", drive, folder,
                                   shortPrefix, n, extension);
        if (length < 0 || static_cast<size_t>(length) >= sizeof candidate)
            return RTE_UIE_BAD_PATH_NAME;
        std::memcpy(fileName, candidate, static_cast<size_t>(length) + 1);
        switch (GetFileInfo(fileName, nullptr)) {
        case 0: {
            FILE *opened = std::fopen(fileName, mode);
            if (!opened) return TbErrTempFileCreate;
            *stream = opened;
            return 0;
        }
        case 1: continue;
        case -1: return RTE_UIE_TOO_MANY_FILES_OPEN;
        default: return RTE_UIE_IO_ERROR;
        }
    }
    return TbErrNoTempFileName;
}

}  // extern "C"
