// File utilities, POSIX backend. Paths are POSIX paths; SplitPath splits on "/" and
// always gives an empty drive.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "rte_internal.h"

namespace {

// The one translation of errno into engine file codes.
int mapErrnoToFileCode(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR: return RTE_FILE_NOT_FOUND;
    case EEXIST:
    case ENOTEMPTY: return RTE_FILE_EXISTS;
    case ENOMEM: return RTE_FILE_OUT_OF_MEMORY;
    case ENAMETOOLONG:
    case EINVAL:
    case ELOOP: return RTE_FILE_BAD_PATH;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY: return RTE_FILE_ACCESS_DENIED;
    case EISDIR: return RTE_FILE_IS_DIRECTORY;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return RTE_FILE_DISK_FULL;
    default: return RTE_FILE_IO_ERROR;
    }
}

bool isValidPath(const char *path) {
    return path && *path && std::strlen(path) < RTE_MAX_PATHNAME_LEN;
}

// stat() with the engine's path checks; 0 or an engine file code.
int statPath(const char *path, struct stat &info) {
    if (!isValidPath(path)) return RTE_FILE_BAD_PATH;
    if (stat(path, &info) != 0) return mapErrnoToFileCode(errno);
    return RTE_FILE_OK;
}

// Closes a descriptor when it goes out of scope.
struct FdGuard {
    int fd;
    explicit FdGuard(int f) : fd(f) {}
    ~FdGuard() {
        if (fd >= 0) close(fd);
    }
    FdGuard(const FdGuard &) = delete;
    FdGuard &operator=(const FdGuard &) = delete;
};

int writeAll(int fd, const char *data, size_t size) {
    while (size > 0) {
        ssize_t written = write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return mapErrnoToFileCode(errno);
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return RTE_FILE_OK;
}

int copyContents(int from, int to) {
    char buffer[64 * 1024];
    for (;;) {
        ssize_t got = read(from, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            return mapErrnoToFileCode(errno);
        }
        if (got == 0) return RTE_FILE_OK;
        int code = writeAll(to, buffer, static_cast<size_t>(got));
        if (code != RTE_FILE_OK) return code;
    }
}

// The copy goes to a temporary file beside the target that then replaces it, so a
// failed copy never leaves a damaged target behind.
int copyFile(const char *source, const char *target) {
    struct stat sourceInfo;
    int code = statPath(source, sourceInfo);
    if (code != RTE_FILE_OK) return code;
    if (S_ISDIR(sourceInfo.st_mode)) return RTE_FILE_IS_DIRECTORY;
    struct stat targetInfo;
    code = statPath(target, targetInfo);
    if (code == RTE_FILE_OK && S_ISDIR(targetInfo.st_mode)) return RTE_FILE_IS_DIRECTORY;
    if (code == RTE_FILE_BAD_PATH) return code;

    FdGuard in(open(source, O_RDONLY | O_CLOEXEC));
    if (in.fd < 0) return mapErrnoToFileCode(errno);
    std::string scratch = std::string(target) + ".rte-XXXXXX";
    FdGuard out(mkostemp(&scratch[0], O_CLOEXEC));
    if (out.fd < 0) return mapErrnoToFileCode(errno);
    code = copyContents(in.fd, out.fd);
    if (code == RTE_FILE_OK && fchmod(out.fd, sourceInfo.st_mode & 07777) != 0)
        code = mapErrnoToFileCode(errno);
    if (code == RTE_FILE_OK && close(out.fd) != 0) code = mapErrnoToFileCode(errno);
    out.fd = -1;
    if (code == RTE_FILE_OK && rename(scratch.c_str(), target) != 0)
        code = mapErrnoToFileCode(errno);
    if (code != RTE_FILE_OK) unlink(scratch.c_str());
    return code;
}

// rename() that refuses to replace an existing target.
int renameNoReplace(const char *oldPath, const char *newPath) {
#if defined(SYS_renameat2)
    constexpr unsigned kRenameNoReplace = 1;
    if (syscall(SYS_renameat2, AT_FDCWD, oldPath, AT_FDCWD, newPath, kRenameNoReplace) == 0)
        return RTE_FILE_OK;
    if (errno != ENOSYS && errno != EINVAL) return mapErrnoToFileCode(errno);
#endif
    struct stat info;
    if (lstat(newPath, &info) == 0) return RTE_FILE_EXISTS;
    if (rename(oldPath, newPath) != 0) return mapErrnoToFileCode(errno);
    return RTE_FILE_OK;
}

int localModificationTime(const char *path, struct tm &local) {
    struct stat info;
    int code = statPath(path, info);
    if (code != RTE_FILE_OK) return code;
    time_t when = info.st_mtime;
    if (!localtime_r(&when, &local)) return RTE_FILE_IO_ERROR;
    return RTE_FILE_OK;
}

void copyPart(char *out, const char *begin, size_t length) {
    if (!out) return;
    std::memcpy(out, begin, length);
    out[length] = '\0';
}

}  // namespace

extern "C" {

int RTE_GetFileSize(const char *path, long long *size) {
    if (!size) return rte::fail("RTE_GetFileSize", RTE_FILE_BAD_PATH);
    struct stat info;
    int code = statPath(path, info);
    if (code == RTE_FILE_OK && S_ISDIR(info.st_mode)) code = RTE_FILE_IS_DIRECTORY;
    if (code != RTE_FILE_OK) return rte::fail("RTE_GetFileSize", code);
    *size = static_cast<long long>(info.st_size);
    return RTE_FILE_OK;
}

int GetFileInfo(const char *path, long long *size) {
    if (!isValidPath(path)) return 0;
    struct stat info;
    if (stat(path, &info) != 0)
        return (errno == EMFILE || errno == ENFILE) ? rte::fail("GetFileInfo", -1) : 0;
    if (size) *size = static_cast<long long>(info.st_size);
    return 1;
}

int RTE_CopyFile(const char *source, const char *target) {
    int code = copyFile(source, target);
    return code == RTE_FILE_OK ? code : rte::fail("RTE_CopyFile", code);
}

int RenameFile(const char *oldPath, const char *newPath) {
    if (!isValidPath(oldPath) || !isValidPath(newPath))
        return rte::fail("RenameFile", RTE_FILE_BAD_PATH);
    int code = renameNoReplace(oldPath, newPath);
    return code == RTE_FILE_OK ? code : rte::fail("RenameFile", code);
}

int SplitPath(const char *path, char *drive, char *folder, char *fileName) {
    if (!path || std::strlen(path) >= RTE_MAX_PATHNAME_LEN)
        return rte::fail("SplitPath", RTE_FILE_BAD_PATH);
    const char *lastSeparator = std::strrchr(path, '/');
    const char *name = lastSeparator ? lastSeparator + 1 : path;
    copyPart(drive, path, 0);
    copyPart(folder, path, static_cast<size_t>(name - path));
    copyPart(fileName, name, std::strlen(name));
    return 0;
}

int GetFileDate(const char *path, int *month, int *day, int *year) {
    struct tm local;
    int code = localModificationTime(path, local);
    if (code != RTE_FILE_OK) return rte::fail("GetFileDate", code);
    if (month) *month = local.tm_mon + 1;
    if (day) *day = local.tm_mday;
    if (year) *year = local.tm_year + 1900;
    return RTE_FILE_OK;
}

int RTE_GetFileTime(const char *path, int *hours, int *minutes, int *seconds) {
    struct tm local;
    int code = localModificationTime(path, local);
    if (code != RTE_FILE_OK) return rte::fail("RTE_GetFileTime", code);
    if (hours) *hours = local.tm_hour;
    if (minutes) *minutes = local.tm_min;
    if (seconds) *seconds = local.tm_sec;
    return RTE_FILE_OK;
}

}  // extern "C"
