// File utilities, Win32 backend. Paths are Windows paths; SplitPath knows drive
// letters and both "\" and "/" as separators.
#include <windows.h>

#include <cstring>

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

bool isValidPath(const char *path) {
    return path && *path && std::strlen(path) < RTE_MAX_PATHNAME_LEN;
}

// Attributes of path; 0 or an engine file code.
int queryAttributes(const char *path, WIN32_FILE_ATTRIBUTE_DATA &data) {
    if (!isValidPath(path)) return RTE_FILE_BAD_PATH;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        return mapWin32ErrorToFileCode(GetLastError());
    return RTE_FILE_OK;
}

bool isDirectory(const WIN32_FILE_ATTRIBUTE_DATA &data) {
    return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

int copyFile(const char *source, const char *target) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    int code = queryAttributes(source, data);
    if (code != RTE_FILE_OK) return code;
    if (isDirectory(data)) return RTE_FILE_IS_DIRECTORY;
    code = queryAttributes(target, data);
    if (code == RTE_FILE_OK && isDirectory(data)) return RTE_FILE_IS_DIRECTORY;
    if (code == RTE_FILE_BAD_PATH) return code;
    if (!CopyFileA(source, target, FALSE)) return mapWin32ErrorToFileCode(GetLastError());
    return RTE_FILE_OK;
}

int localModificationTime(const char *path, SYSTEMTIME &local) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    int code = queryAttributes(path, data);
    if (code != RTE_FILE_OK) return code;
    SYSTEMTIME utc;
    if (!FileTimeToSystemTime(&data.ftLastWriteTime, &utc) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        return RTE_FILE_IO_ERROR;
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
    WIN32_FILE_ATTRIBUTE_DATA data;
    int code = queryAttributes(path, data);
    if (code == RTE_FILE_OK && isDirectory(data)) code = RTE_FILE_IS_DIRECTORY;
    if (code != RTE_FILE_OK) return rte::fail("RTE_GetFileSize", code);
    *size = (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return RTE_FILE_OK;
}

int GetFileInfo(const char *path, long long *size) {
    if (!isValidPath(path)) return 0;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        return GetLastError() == ERROR_TOO_MANY_OPEN_FILES ? rte::fail("GetFileInfo", -1) : 0;
    if (size) *size = (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return 1;
}

int RTE_CopyFile(const char *source, const char *target) {
    int code = copyFile(source, target);
    return code == RTE_FILE_OK ? code : rte::fail("RTE_CopyFile", code);
}

int RenameFile(const char *oldPath, const char *newPath) {
    if (!isValidPath(oldPath) || !isValidPath(newPath))
        return rte::fail("RenameFile", RTE_FILE_BAD_PATH);
    if (!MoveFileExA(oldPath, newPath, MOVEFILE_COPY_ALLOWED))
        return rte::fail("RenameFile", mapWin32ErrorToFileCode(GetLastError()));
    return RTE_FILE_OK;
}

int SplitPath(const char *path, char *drive, char *folder, char *fileName) {
    if (!path || std::strlen(path) >= RTE_MAX_PATHNAME_LEN)
        return rte::fail("SplitPath", RTE_FILE_BAD_PATH);
    size_t driveLength = (path[0] && path[1] == ':') ? 2 : 0;
    const char *rest = path + driveLength;
    const char *name = rest;
    for (const char *p = rest; *p; ++p)
        if (*p == '\\' || *p == '/') name = p + 1;
    copyPart(drive, path, driveLength);
    copyPart(folder, rest, static_cast<size_t>(name - rest));
    copyPart(fileName, name, std::strlen(name));
    return 0;
}

int GetFileDate(const char *path, int *month, int *day, int *year) {
    SYSTEMTIME local;
    int code = localModificationTime(path, local);
    if (code != RTE_FILE_OK) return rte::fail("GetFileDate", code);
    if (month) *month = local.wMonth;
    if (day) *day = local.wDay;
    if (year) *year = local.wYear;
    return RTE_FILE_OK;
}

int RTE_GetFileTime(const char *path, int *hours, int *minutes, int *seconds) {
    SYSTEMTIME local;
    int code = localModificationTime(path, local);
    if (code != RTE_FILE_OK) return rte::fail("RTE_GetFileTime", code);
    if (hours) *hours = local.wHour;
    if (minutes) *minutes = local.wMinute;
    if (seconds) *seconds = local.wSecond;
    return RTE_FILE_OK;
}

}  // extern "C"
