// Private to rtengine: what the engine's families share.
#ifndef RTE_INTERNAL_H
#define RTE_INTERNAL_H

#include <cstddef>
#include <new>
#include <vector>

#include "rtengine.h"

namespace rte {

// Engine state: made on first use and never destroyed, so exit routines and thread
// ends that come late in the process still find it.
template <typename T, typename Tag = T>
T &immortal() {
    alignas(T) static unsigned char storage[sizeof(T)];
    static T *instance = new (storage) T();
    return *instance;
}

// Reports a failing engine call to the library-error handler when breaking is on, and
// gives the code back so call sites can write `return fail("Fn", code);`.
int fail(const char *function, int code);

// Makes a 24-bit bitmap (red, green, blue, rows of exactly width * 3 bytes) that takes
// over the pixel bytes without copying them; the handle goes to *bitmap. 0,
// RTE_UIE_INVALID_ATTRIBUTE_VALUE (sizes) or RTE_UIE_OUT_OF_MEMORY; never reports.
int adoptRgbBitmap(int width, int height, std::vector<unsigned char> &&rgb, int *bitmap);

// The presenter MessagePopup uses when none was installed (platform backend).
RTE_PopupPresenter defaultPresenter();

// Platform backend of the detach flag: publish on attach, mark on detach.
bool publishDetachFlag();
void markDetached();
int readPublishedDetachFlag();

// True after CloseRTEDll until the next InitRTEDll (exit services).
bool detachedAfterAttach();

// Ends the process at once with code (platform backend).
[[noreturn]] void endProcess(int code);

// The user's decimal symbol from the platform (backend); '.' when it cannot be read
// or is not a single byte.
char platformDecimalSymbol();

// The speaker's sound (platform backend): sounds hertz, or falls silent when hertz is
// 0; a new tone replaces the one sounding. Called under the port state's lock; it
// only hands the pitch over and never waits for the sound device, whose absence is no
// failure.
void speakerTone(unsigned int hertz);

// The hertz the ports last handed to speakerTone (0: silent).
unsigned int speakerHertz();

// Platform backend of the file utilities (files.cpp holds the entry points). Paths
// reach the backend already checked: not null, not empty, shorter than
// RTE_MAX_PATHNAME_LEN.
struct FileFacts {
    long long size = 0;
    bool isDirectory = false;
};
struct LocalTime {
    int year, month, day, hours, minutes, seconds;
};
// A backend answer that only GetFileInfo tells apart; everywhere else it is an I/O error.
constexpr int kTooManyOpenFiles = -100;
// 0 or an engine file code (or kTooManyOpenFiles). Follows symbolic links.
int queryFile(const char *path, FileFacts &facts);
// Like queryFile, but a symbolic link that points nowhere still holds its name: it is
// there, as a file of size 0.
int queryEntry(const char *path, FileFacts &facts);
// What tells files apart: two paths name one file exactly when their identities are
// equal (device and inode on POSIX, volume and file index on Windows).
struct FileIdentity {
    unsigned long long volume = 0;
    unsigned long long index = 0;
    bool operator==(const FileIdentity &other) const {
        return volume == other.volume && index == other.index;
    }
};
// 0 or an engine file code (RTE_FILE_NOT_FOUND when nothing is there). Follows links.
int identifyFile(const char *path, FileIdentity &identity);
// Copies a file onto target, replacing it; both are known not to be folders.
int copyFileOnto(const char *source, const char *target);
// Renames without replacing an existing target.
int renameNoReplace(const char *oldPath, const char *newPath);
// The file's modification time in local time.
int modificationTime(const char *path, LocalTime &local);
// Length of the drive part that starts path ("C:" on Windows, nothing elsewhere).
size_t drivePrefixLength(const char *path);
bool isPathSeparator(char c);

}  // namespace rte

#endif
