// Files: existence, size and writability queries, quiet removal, replace-by-rename and
// the size of an open stream, over the engine's file functions. The binary stream
// readers and writers are in files_binary.cpp, temporary files in files_temporary.cpp.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "toolbox_internal.h"

namespace tb {

int mapEngineFileCode(int engineCode) {
    switch (engineCode) {
    case RTE_FILE_OK: return 0;
    case RTE_FILE_NOT_FOUND: return RTE_UIE_FILE_NOT_FOUND;
    case RTE_FILE_EXISTS: return RTE_UIE_ACCESS_DENIED;
    case RTE_FILE_OUT_OF_MEMORY: return RTE_UIE_OUT_OF_MEMORY;
    case RTE_FILE_BAD_PATH: return RTE_UIE_BAD_PATH_NAME;
    case RTE_FILE_ACCESS_DENIED: return RTE_UIE_ACCESS_DENIED;
    case RTE_FILE_DISK_FULL: return RTE_UIE_DISK_FULL;
    default: return RTE_UIE_IO_ERROR;
    }
}

}  // namespace tb

namespace {

int clampToInt(long long value) { return value > INT_MAX ? INT_MAX : static_cast<int>(value); }

// Whether a missing or present file could be written, without changing it.
int probeWritability(const char *path, bool exists) {
    FILE *stream = std::fopen(path, exists ? "r+b" : "wb");
    if (!stream) return 0;
    std::fclose(stream);
    if (!exists) std::remove(path);
    return 1;
}

}  // namespace

extern "C" {

int FileExists(const char *path, int *size) {
    long long fileSize = -1;
    int result;
    {
        tb::BreakingOff quiet;
        switch (RTE_GetFileSize(path, &fileSize)) {
        case RTE_FILE_OK: result = 1; break;
        case RTE_FILE_NOT_FOUND: result = 0; break;
        case RTE_FILE_OUT_OF_MEMORY: result = RTE_UIE_OUT_OF_MEMORY; break;
        default: result = RTE_UIE_IO_ERROR; break;
        }
    }
    if (size) *size = result == 1 ? clampToInt(fileSize) : -1;
    return result;
}

int GetFileWritability(const char *path, int *writable) {
    if (!path || !writable) return RTE_UIE_NULL_ARGUMENT;
    tb::BreakingOff quiet;
    *writable = 0;
    switch (GetFileInfo(path, nullptr)) {
    case -1: return RTE_UIE_TOO_MANY_FILES_OPEN;
    case 0: *writable = probeWritability(path, false); return 0;
    case 1: *writable = probeWritability(path, true); return 0;
    default: return RTE_UIE_IO_ERROR;
    }
}

void RemoveFileIfExists(const char *path) {
    if (!path) return;
    tb::BreakingOff quiet;
    std::remove(path);
}

int DeleteAndRename(const char *source, const char *target) {
    tb::BreakingOff quiet;
    // A missing source must not cost the caller the target it was to replace.
    if (source && GetFileInfo(source, nullptr) == 0) return RTE_UIE_FILE_NOT_FOUND;
    RemoveFileIfExists(target);
    return tb::mapEngineFileCode(RenameFile(source, target));
}

int BinaryFileSize(FILE *stream, long *size) {
    if (!stream || !size) return RTE_UIE_NULL_ARGUMENT;
    long start = std::ftell(stream);
    if (start == -1L) return RTE_UIE_IO_ERROR;
    if (std::fseek(stream, 0L, SEEK_END) != 0) return RTE_UIE_IO_ERROR;
    long end = std::ftell(stream);
    if (end == -1L) return RTE_UIE_IO_ERROR;
    *size = end;
    if (std::fseek(stream, start, SEEK_SET) != 0) return RTE_UIE_IO_ERROR;
    return 0;
}

}  // extern "C"
