/* rtengine: file utilities.
 *
 * Engine file codes, returned by every function here except GetFileInfo and
 * SplitPath:
 *    0 ok                          -5 bad path name (empty, too long, invalid)
 *   -1 file not found              -6 access denied
 *   -2 target exists, not replaced -7 the path is a directory
 *   -3 general I/O error           -8 disk full
 *   -4 out of memory
 * A missing folder on the way to a file counts as "file not found". */
#ifndef RTE_FILES_H
#define RTE_FILES_H

#include "rte_api.h"

enum {
    RTE_FILE_OK = 0,
    RTE_FILE_NOT_FOUND = -1,
    RTE_FILE_EXISTS = -2,
    RTE_FILE_IO_ERROR = -3,
    RTE_FILE_OUT_OF_MEMORY = -4,
    RTE_FILE_BAD_PATH = -5,
    RTE_FILE_ACCESS_DENIED = -6,
    RTE_FILE_IS_DIRECTORY = -7,
    RTE_FILE_DISK_FULL = -8
};

RTE_EXTERN_C_BEGIN

/* Size in bytes of the file at path into *size. On failure *size is untouched. */
RTE_API int RTE_GetFileSize(const char *path, long long *size);

/* 1 when a file or folder exists at path (its size into *size when size is not null),
 * 0 when nothing is there (or the path is not valid), -1 when too many files are open.
 * A symbolic link holds its name even when what it points to is missing (1, size 0). */
RTE_API int GetFileInfo(const char *path, long long *size);

/* Copies source to target, replacing a file already at target. */
RTE_API int RTE_CopyFile(const char *source, const char *target);

/* 1 when both paths name one existing file or folder (the same path, another spelling
 * of it, a link to it, or on POSIX another hard link), 0 when they do not or either is
 * missing; RTE_FILE_BAD_PATH for a path refused here, another code when a file cannot be
 * asked. */
RTE_API int RTE_SameFile(const char *pathA, const char *pathB);

/* Renames (moves) a file. An existing target is not replaced: RTE_FILE_EXISTS. */
RTE_API int RenameFile(const char *oldPath, const char *newPath);

/* Splits path into drive ("C:" on Windows, always "" elsewhere), folder (with its
 * trailing separator) and file name (with its extension). Each output may be null;
 * each given one needs RTE_MAX_PATHNAME_LEN bytes. Returns 0, or RTE_FILE_BAD_PATH
 * (outputs untouched) for a null or too long path. */
RTE_API int SplitPath(const char *path, char *drive, char *folder, char *fileName);

/* Local modification date (month 1-12, day 1-31, four-digit year) of a file. */
RTE_API int GetFileDate(const char *path, int *month, int *day, int *year);

/* Local modification time of day of a file. */
RTE_API int RTE_GetFileTime(const char *path, int *hours, int *minutes, int *seconds);

RTE_EXTERN_C_END

#endif
