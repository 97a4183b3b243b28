// File utilities, POSIX backend. Paths are POSIX paths: "/" separates, there is no
// drive.
#include <cerrno>
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

int statPath(const char *path, struct stat &info) {
    return stat(path, &info) == 0 ? RTE_FILE_OK : mapErrnoToFileCode(errno);
}

// A descriptor closed when it goes out of scope, unless closed before with closeNow.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) close(fd_);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;

    int get() const { return fd_; }
    bool isOpen() const { return fd_ >= 0; }
    // Closes it now; a failed close (data not written) is an engine file code.
    int closeNow() {
        int fd = fd_;
        fd_ = -1;
        return close(fd) == 0 ? RTE_FILE_OK : mapErrnoToFileCode(errno);
    }

private:
    int fd_;
};

// The scratch file of a copy: made beside the target under a short name of its own (so
// any target name fits), removed on every way out unless it became the target.
class ScratchFile {
public:
    explicit ScratchFile(const char *target)
        : path_(scratchPathBeside(target)), descriptor_(mkostemp(&path_[0], O_CLOEXEC)),
          made_(descriptor_.isOpen()) {}
    ~ScratchFile() {
        if (made_ && !renamed_) unlink(path_.c_str());
    }
    ScratchFile(const ScratchFile &) = delete;
    ScratchFile &operator=(const ScratchFile &) = delete;

    Descriptor &descriptor() { return descriptor_; }
    // Closes the file and lets it replace target.
    int replace(const char *target) {
        int code = descriptor_.closeNow();
        if (code != RTE_FILE_OK) return code;
        if (rename(path_.c_str(), target) != 0) return mapErrnoToFileCode(errno);
        renamed_ = true;
        return RTE_FILE_OK;
    }

private:
    static std::string scratchPathBeside(const char *target) {
        const char *slash = std::strrchr(target, '/');
        std::string folder(target, slash ? static_cast<size_t>(slash - target) + 1 : 0);
        return folder + ".rte-copy-XXXXXX";
    }

    std::string path_;
    Descriptor descriptor_;
    bool made_;
    bool renamed_ = false;
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

}  // namespace

namespace rte {

// The copy goes to a scratch file beside the target that then replaces it, so a
// failed copy never leaves a damaged target behind.
int copyFileOnto(const char *source, const char *target) {
    struct stat sourceInfo;
    int code = statPath(source, sourceInfo);
    if (code != RTE_FILE_OK) return code;
    Descriptor in(open(source, O_RDONLY | O_CLOEXEC));
    if (!in.isOpen()) return mapErrnoToFileCode(errno);
    ScratchFile scratch(target);
    Descriptor &out = scratch.descriptor();
    if (!out.isOpen()) return mapErrnoToFileCode(errno);
    code = copyContents(in.get(), out.get());
    if (code != RTE_FILE_OK) return code;
    if (fchmod(out.get(), sourceInfo.st_mode & 07777) != 0) return mapErrnoToFileCode(errno);
    return scratch.replace(target);
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

int queryFile(const char *path, FileFacts &facts) {
    struct stat info;
    if (stat(path, &info) != 0)
        return (errno == EMFILE || errno == ENFILE) ? kTooManyOpenFiles : mapErrnoToFileCode(errno);
    facts.size = static_cast<long long>(info.st_size);
    facts.isDirectory = S_ISDIR(info.st_mode);
    return RTE_FILE_OK;
}

int queryEntry(const char *path, FileFacts &facts) {
    int code = queryFile(path, facts);
    struct stat info;
    if (code != RTE_FILE_NOT_FOUND || lstat(path, &info) != 0 || !S_ISLNK(info.st_mode))
        return code;
    facts = FileFacts();
    return RTE_FILE_OK;
}

int identifyFile(const char *path, FileIdentity &identity) {
    struct stat info;
    int code = statPath(path, info);
    if (code != RTE_FILE_OK) return code;
    identity.volume = static_cast<unsigned long long>(info.st_dev);
    identity.index = static_cast<unsigned long long>(info.st_ino);
    return RTE_FILE_OK;
}

int modificationTime(const char *path, LocalTime &local) {
    struct stat info;
    int code = statPath(path, info);
    if (code != RTE_FILE_OK) return code;
    time_t when = info.st_mtime;
    struct tm parts;
    if (!localtime_r(&when, &parts)) return RTE_FILE_IO_ERROR;
    local = {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
             parts.tm_hour, parts.tm_min, parts.tm_sec};
    return RTE_FILE_OK;
}

size_t drivePrefixLength(const char *) { return 0; }

bool isPathSeparator(char c) { return c == '/'; }

}  // namespace rte
