// Files: existence, size and writability queries, quiet removal, replace-by-rename and
// the size of an open stream, over the engine's file functions. The binary stream
// readers and writers are in files_binary.cpp, temporary files in files_temporary.cpp.
//
// Choices made here:
//  - A file function touches files only, the same on every platform: removal never
//    takes a folder (POSIX remove() would take an empty one), and DeleteAndRename
//    refuses a folder at either path with -93.
//  - GetFileWritability never changes what it asks about. A present file is opened for
//    update; a missing one is created exclusively, and only a file this call created is
//    removed again. A name that turns out to be taken (a file that appeared meanwhile,
//    a path longer than the engine takes, a dangling link) is asked about as present:
//    a dangling link cannot be opened for update, so it is not writable.
//  - DeleteAndRename checks everything it can before it removes the target: both paths
//    as the engine takes them (-100), the source an existing file (-94, or -93 for a
//    folder), the target not a folder (-93). When source and target are one file (the
//    same path, another spelling of it, a link to it, or on POSIX another hard link)
//    nothing is removed or renamed and the result is 0: the target already holds the
//    source, as POSIX rename() treats it.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

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

int mapEngineFileCodeBroadly(int engineCode) {
    int code = mapEngineFileCode(engineCode);
    return (code == 0 || code == RTE_UIE_FILE_NOT_FOUND || code == RTE_UIE_OUT_OF_MEMORY)
               ? code
               : RTE_UIE_IO_ERROR;
}

}  // namespace tb

namespace {

int clampToInt(long long value) { return value > INT_MAX ? INT_MAX : static_cast<int>(value); }

// Whether a present file could be written: opened for update, its contents untouched.
int probePresent(const char *path) {
    FILE *stream = std::fopen(path, "r+b");
    if (!stream) return 0;
    std::fclose(stream);
    return 1;
}

// Whether a missing file could be written: created only if nothing holds the name, and
// then removed again. A name found taken is asked about as present.
int probeMissing(const char *path) {
    int fd = open(path, O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd < 0) return errno == EEXIST ? probePresent(path) : 0;
    close(fd);
    unlink(path);
    return 1;
}

// What the replacement needs, asked before anything is removed: 0 to go on, 1 when
// source and target are one file already, or the code to return.
int checkReplacement(const char *source, const char *target) {
    long long size = 0;
    int code = RTE_GetFileSize(source, &size);
    if (code != RTE_FILE_OK) return tb::mapEngineFileCode(code);
    code = RTE_GetFileSize(target, &size);
    if (code == RTE_FILE_NOT_FOUND) return 0;
    if (code != RTE_FILE_OK) return tb::mapEngineFileCode(code);
    code = RTE_SameFile(source, target);
    return code < 0 ? tb::mapEngineFileCode(code) : code;
}

}  // namespace

extern "C" {

int FileExists(const char *path, int *size) {
    long long fileSize = -1;
    int code;
    {
        tb::BreakingOff quiet;
        code = tb::mapEngineFileCodeBroadly(RTE_GetFileSize(path, &fileSize));
    }
    int result = code == 0 ? 1 : code == RTE_UIE_FILE_NOT_FOUND ? 0 : code;
    if (size) *size = result == 1 ? clampToInt(fileSize) : -1;
    return result;
}

int GetFileWritability(const char *path, int *writable) {
    if (!path || !writable) return RTE_UIE_NULL_ARGUMENT;
    tb::BreakingOff quiet;
    *writable = 0;
    switch (GetFileInfo(path, nullptr)) {
    case -1: return RTE_UIE_TOO_MANY_FILES_OPEN;
    case 0: *writable = probeMissing(path); return 0;
    case 1: *writable = probePresent(path); return 0;
    default: return RTE_UIE_IO_ERROR;
    }
}

// unlink() rather than remove(): it never takes a folder, on any platform.
void RemoveFileIfExists(const char *path) {
    if (!path) return;
    tb::BreakingOff quiet;
    unlink(path);
}

int DeleteAndRename(const char *source, const char *target) {
    tb::BreakingOff quiet;
    int code = checkReplacement(source, target);
    if (code == 1) return 0;
    if (code != 0) return code;
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
