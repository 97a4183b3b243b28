// File utilities, Win32 backend. Paths are Windows paths: a drive letter may lead,
// and both "\" and "/" separate.
#include <windows.h>

#include "rte_internal.h"

namespace {

// The one translation of Win32 errors into engine file codes.
int mapWin32ErrorToFileCode(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return RTE_FILE_NOT_FOUND;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS: return RTE_FILE_EXISTS;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return RTE_FILE_OUT_OF_MEMORY;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_INVALID_DRIVE:
    case ERROR_DIRECTORY: return RTE_FILE_BAD_PATH;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT: return RTE_FILE_ACCESS_DENIED;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return RTE_FILE_DISK_FULL;
    default: return RTE_FILE_IO_ERROR;
    }
}

// A file handle closed when it goes out of scope.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (isOpen()) CloseHandle(handle_);
    }
    FileHandle(const FileHandle &) = delete;
    FileHandle &operator=(const FileHandle &) = delete;

    HANDLE get() const { return handle_; }
    bool isOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

}  // namespace

namespace rte {

int queryFile(const char *path, FileFacts &facts) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) {
        DWORD error = GetLastError();
        return error == ERROR_TOO_MANY_OPEN_FILES ? kTooManyOpenFiles
                                                  : mapWin32ErrorToFileCode(error);
    }
    facts.size = (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    facts.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return RTE_FILE_OK;
}

// GetFileAttributesExA does not follow a last symbolic link: a link that points
// nowhere is there already.
int queryEntry(const char *path, FileFacts &facts) { return queryFile(path, facts); }

// Opened without access rights, only to ask; folders need the backup-semantics flag.
int identifyFile(const char *path, FileIdentity &identity) {
    FileHandle file(CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.isOpen()) return mapWin32ErrorToFileCode(GetLastError());
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file.get(), &info))
        return mapWin32ErrorToFileCode(GetLastError());
    identity.volume = info.dwVolumeSerialNumber;
    identity.index = (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return RTE_FILE_OK;
}

int copyFileOnto(const char *source, const char *target) {
    return CopyFileA(source, target, FALSE) ? RTE_FILE_OK
                                             : mapWin32ErrorToFileCode(GetLastError());
}

// Without MOVEFILE_REPLACE_EXISTING an existing target is refused.
int renameNoReplace(const char *oldPath, const char *newPath) {
    return MoveFileExA(oldPath, newPath, MOVEFILE_COPY_ALLOWED)
               ? RTE_FILE_OK
               : mapWin32ErrorToFileCode(GetLastError());
}

int modificationTime(const char *path, LocalTime &local) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        return mapWin32ErrorToFileCode(GetLastError());
    SYSTEMTIME utc, parts;
    if (!FileTimeToSystemTime(&data.ftLastWriteTime, &utc) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &parts))
        return RTE_FILE_IO_ERROR;
    local = {parts.wYear, parts.wMonth, parts.wDay, parts.wHour, parts.wMinute, parts.wSecond};
    return RTE_FILE_OK;
}

size_t drivePrefixLength(const char *path) { return (path[0] && path[1] == ':') ? 2 : 0; }

bool isPathSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace rte
