// File utilities: the entry points with their path checks and failure reports; the
// platform backends (files_win32.cpp, files_posix.cpp) do the system calls.
#include <cstring>

#include "rte_internal.h"

namespace {

bool isValidPath(const char *path) {
    return path && *path && std::strlen(path) < RTE_MAX_PATHNAME_LEN;
}

int queryValidFile(const char *path, rte::FileFacts &facts) {
    if (!isValidPath(path)) return RTE_FILE_BAD_PATH;
    int code = rte::queryFile(path, facts);
    return code == rte::kTooManyOpenFiles ? RTE_FILE_IO_ERROR : code;
}

int copyFile(const char *source, const char *target) {
    rte::FileFacts facts;
    int code = queryValidFile(source, facts);
    if (code != RTE_FILE_OK) return code;
    if (facts.isDirectory) return RTE_FILE_IS_DIRECTORY;
    code = queryValidFile(target, facts);
    if (code == RTE_FILE_OK && facts.isDirectory) return RTE_FILE_IS_DIRECTORY;
    if (code == RTE_FILE_BAD_PATH) return code;
    return rte::copyFileOnto(source, target);
}

int localModificationTime(const char *path, rte::LocalTime &local) {
    if (!isValidPath(path)) return RTE_FILE_BAD_PATH;
    int code = rte::modificationTime(path, local);
    return code == rte::kTooManyOpenFiles ? RTE_FILE_IO_ERROR : code;
}

void copyPart(char *out, const char *begin, size_t length) {
    if (!out) return;
    std::memcpy(out, begin, length);
    out[length] = '\0';
}

// Reports a failure to the library-error handler; success passes through.
int reported(const char *function, int code) {
    return code == RTE_FILE_OK ? code : rte::fail(function, code);
}

}  // namespace

extern "C" {

int RTE_GetFileSize(const char *path, long long *size) {
    if (!size) return rte::fail("RTE_GetFileSize", RTE_FILE_BAD_PATH);
    rte::FileFacts facts;
    int code = queryValidFile(path, facts);
    if (code == RTE_FILE_OK && facts.isDirectory) code = RTE_FILE_IS_DIRECTORY;
    if (code == RTE_FILE_OK) *size = facts.size;
    return reported("RTE_GetFileSize", code);
}

int GetFileInfo(const char *path, long long *size) {
    if (!isValidPath(path)) return 0;
    rte::FileFacts facts;
    int code = rte::queryEntry(path, facts);
    if (code == rte::kTooManyOpenFiles) return rte::fail("GetFileInfo", -1);
    if (code != RTE_FILE_OK) return 0;
    if (size) *size = facts.size;
    return 1;
}

int RTE_CopyFile(const char *source, const char *target) {
    return reported("RTE_CopyFile", copyFile(source, target));
}

int RTE_SameFile(const char *pathA, const char *pathB) {
    if (!isValidPath(pathA) || !isValidPath(pathB))
        return rte::fail("RTE_SameFile", RTE_FILE_BAD_PATH);
    rte::FileIdentity a, b;
    int code = rte::identifyFile(pathA, a);
    if (code == RTE_FILE_OK) code = rte::identifyFile(pathB, b);
    if (code == RTE_FILE_NOT_FOUND) return 0;
    if (code != RTE_FILE_OK) return rte::fail("RTE_SameFile", code);
    return a == b ? 1 : 0;
}

int RenameFile(const char *oldPath, const char *newPath) {
    if (!isValidPath(oldPath) || !isValidPath(newPath))
        return rte::fail("RenameFile", RTE_FILE_BAD_PATH);
    return reported("RenameFile", rte::renameNoReplace(oldPath, newPath));
}

int SplitPath(const char *path, char *drive, char *folder, char *fileName) {
    if (!path || std::strlen(path) >= RTE_MAX_PATHNAME_LEN)
        return rte::fail("SplitPath", RTE_FILE_BAD_PATH);
    size_t driveLength = rte::drivePrefixLength(path);
    const char *rest = path + driveLength;
    const char *name = rest;
    for (const char *p = rest; *p; ++p)
        if (rte::isPathSeparator(*p)) name = p + 1;
    copyPart(drive, path, driveLength);
    copyPart(folder, rest, static_cast<size_t>(name - rest));
    copyPart(fileName, name, std::strlen(name));
    return 0;
}

int GetFileDate(const char *path, int *month, int *day, int *year) {
    rte::LocalTime local;
    int code = localModificationTime(path, local);
    if (code != RTE_FILE_OK) return rte::fail("GetFileDate", code);
    if (month) *month = local.month;
    if (day) *day = local.day;
    if (year) *year = local.year;
    return RTE_FILE_OK;
}

int RTE_GetFileTime(const char *path, int *hours, int *minutes, int *seconds) {
    rte::LocalTime local;
    int code = localModificationTime(path, local);
    if (code != RTE_FILE_OK) return rte::fail("RTE_GetFileTime", code);
    if (hours) *hours = local.hours;
    if (minutes) *minutes = local.minutes;
    if (seconds) *seconds = local.seconds;
    return RTE_FILE_OK;
}

}  // extern "C"
