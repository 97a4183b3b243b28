// System information and settings: checked wrappers around the system's queries and
// settings, and the loader of the system entry points that the library looks up at run
// time (system_calls.h).
//
// Loader. A group (kernel, shell, help viewer) is loaded once per process: the first call-through
// takes the group's named mutex ("Toolbox library lock on <LIBRARY> handle - <process
// id>"), loads the library, looks up every entry point and only then sets the group's
// loaded flag, which every later call reads without locking. Each loading call opens a
// handle of its own to the mutex, waits on it once and releases and closes it before it
// returns: no handle is shared between threads, so none is ever closed while another
// thread waits on it, and the loader holds no handle to the mutex between loads. A library
// that lacks an entry point is freed again and the group stays unloaded, so the next
// call-through tries the whole load again; a loaded library is never freed.
//
// Choices:
//  - An output whose system query fails is left as it was (GetWindowsDirs empties a
//    folder it cannot fill, so the buffer never holds stale text).
//  - GetWallpaper writes its outputs only when both values were read and the tile value
//    is a number; a value that is not gives TbErrUnknownSystem like a failed read.
//  - GetDiskSpace: where only the older disk query exists, both sizes are the full
//    products of sector size, sectors per cluster and cluster counts, high words
//    included; cutting them to 32 bits would report a wrong size for any disk above
//    4 GB (the older query itself stays below that on the systems that have only it).
//  - GetMemoryInfo: the system's amounts are pointer-sized on 64-bit Windows; one too
//    large for the 32-bit output is given as 4294967295, as the system does for
//    32-bit programs.
//  - GetCurrentUser offers the system a capacity of 0 when there is no name buffer or
//    it has fewer than 2 bytes: the system then reports the size needed and writes
//    nothing.
#include "win32/system_calls.h"

#include <windows.h>

#include <atomic>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "toolbox_internal.h"

namespace {

// ---------------------------------------------------------------------------------
// The loader

constexpr size_t kMaxEntries = 5;
constexpr char kLockNameFormat[] = "Toolbox library lock on %s handle - %d";

struct EntryGroup {
    const char *ownLibrary;  // what the group loads
    const char *lockLabel;   // the library's name in the lock's name
    const char *const *entryNames;
    size_t entryCount;
    const char *library;  // ownLibrary, unless a test points the group elsewhere
    std::atomic<bool> loaded{false};
    HMODULE module = nullptr;
    FARPROC entries[kMaxEntries] = {};
};

enum KernelEntry : size_t { kGetDiskFreeSpaceEx };
constexpr const char *kKernelEntryNames[] = {"GetDiskFreeSpaceExA"};

enum ShellEntry : size_t { kDragQueryFile, kDragQueryPoint, kDragAcceptFiles, kDragFinish, kShellNotifyIcon };
constexpr const char *kShellEntryNames[] = {"DragQueryFile", "DragQueryPoint", "DragAcceptFiles",
                                            "DragFinish", "Shell_NotifyIconA"};

EntryGroup kernelGroup{"kernel32.dll", "KERNEL32.DLL", kKernelEntryNames, std::size(kKernelEntryNames),
                       "kernel32.dll"};
EntryGroup shellGroup{"shell32.dll", "SHELL32.DLL", kShellEntryNames, std::size(kShellEntryNames),
                      "shell32.dll"};
enum HelpEntry : size_t { kHtmlHelp };
constexpr const char *kHelpEntryNames[] = {"HtmlHelpA"};
EntryGroup helpGroup{"Hhctrl.ocx", "HHCTRL.OCX", kHelpEntryNames, std::size(kHelpEntryNames), "Hhctrl.ocx"};

static_assert(std::size(kShellEntryNames) <= kMaxEntries, "room for every entry point of a group");

// One loading call's hold on the group's named mutex: its own handle, waited on once,
// released and closed on every way out.
class LoadingLock {
public:
    LoadingLock() = default;
    ~LoadingLock() {
        if (owned_) ReleaseMutex(mutex_);
        if (mutex_) CloseHandle(mutex_);
    }
    LoadingLock(const LoadingLock &) = delete;
    LoadingLock &operator=(const LoadingLock &) = delete;

    int acquire(const char *lockLabel) {
        char name[96];
        std::snprintf(name, sizeof name, kLockNameFormat, lockLabel,
                      static_cast<int>(GetCurrentProcessId()));
        mutex_ = CreateMutexA(nullptr, FALSE, name);
        if (!mutex_) return TbErrSystemDllLoad;
        // An owner that ended without releasing hands the mutex over abandoned; the
        // group is still consistent then, because its loaded flag is set last.
        DWORD waited = WaitForSingleObject(mutex_, INFINITE);
        if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) return TbErrSystemDllLoad;
        owned_ = true;
        return 0;
    }

private:
    HANDLE mutex_ = nullptr;
    bool owned_ = false;
};

// A library freed on every way out unless it is kept.
class LibraryHold {
public:
    explicit LibraryHold(HMODULE module) : module_(module) {}
    ~LibraryHold() {
        if (module_) FreeLibrary(module_);
    }
    LibraryHold(const LibraryHold &) = delete;
    LibraryHold &operator=(const LibraryHold &) = delete;

    HMODULE get() const { return module_; }
    HMODULE keep() {
        HMODULE kept = module_;
        module_ = nullptr;
        return kept;
    }

private:
    HMODULE module_;
};

int ensureLoaded(EntryGroup &group) {
    if (group.loaded.load(std::memory_order_acquire)) return 0;
    LoadingLock lock;
    int code = lock.acquire(group.lockLabel);
    if (code != 0) return code;
    if (group.loaded.load(std::memory_order_acquire)) return 0;  // loaded meanwhile

    LibraryHold library(LoadLibraryA(group.library));
    if (!library.get()) return TbErrSystemDllLoad;
    FARPROC found[kMaxEntries] = {};
    for (size_t i = 0; i < group.entryCount; ++i) {
        found[i] = GetProcAddress(library.get(), group.entryNames[i]);
        if (!found[i]) return TbErrSystemFunctionMissing;
    }
    std::memcpy(group.entries, found, sizeof found);
    group.module = library.keep();
    group.loaded.store(true, std::memory_order_release);
    return 0;
}

// The group's entry point as the function type it has.
template <typename Function>
Function entryPoint(const EntryGroup &group, size_t index) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(group.entries[index]));
}

void storeResult(int *systemResult, int value) {
    if (systemResult) *systemResult = value;
}

// ---------------------------------------------------------------------------------
// Settings

constexpr unsigned int kCurrentUser = 0x80000001u;
constexpr char kDesktopKey[] = "Control Panel\\Desktop";
constexpr UINT kQuietly = 0;                     // no profile update, no broadcast
constexpr UINT kTellPrograms = SPIF_SENDCHANGE;  // broadcast, profile not updated
constexpr int kLastDisplayItem = 20;

#if TOOLBOX_FAULT_INJECTION
std::atomic<unsigned int> refusedAction{0};
bool refusedForTesting(UINT action) { return action != 0 && refusedAction.load() == action; }
#else
constexpr bool refusedForTesting(UINT) { return false; }
#endif

// Every system-parameters request of the family goes through here.
bool systemParameter(UINT action, UINT value, void *data, UINT flags) {
    if (refusedForTesting(action)) return false;
    return SystemParametersInfoA(action, value, data, flags) != FALSE;
}

// Reads one number-valued setting into *output when output is given; false on failure
// (output untouched).
bool readSetting(UINT action, int *output) {
    if (!output) return true;
    int value = 0;
    if (!systemParameter(action, 0, &value, 0)) return false;
    *output = value;
    return true;
}

// A folder query of the system into a 260-byte buffer; an empty buffer on failure.
bool readFolder(UINT(WINAPI *query)(LPSTR, UINT), char *folder) {
    UINT length = query(folder, TB_MAX_PATHNAME_LEN);
    if (length > 0 && length < TB_MAX_PATHNAME_LEN) return true;
    folder[0] = '\0';
    return false;
}

// Red and blue exchanged: the system's 0xBBGGRR and the library's 0xRRGGBB.
int swapRedAndBlue(DWORD colour) {
    return static_cast<int>(((colour & 0xFFu) << 16) | (colour & 0xFF00u) | ((colour >> 16) & 0xFFu));
}

unsigned int saturated(SIZE_T amount) {
    return amount > UINT_MAX ? UINT_MAX : static_cast<unsigned int>(amount);
}

UInt64Type toUInt64(uint64_t value) {
    return UInt64Type{static_cast<unsigned int>(value), static_cast<unsigned int>(value >> 32)};
}

// bytes per cluster × clusters of the older query, saturated in the unlikely case that
// three 32-bit factors exceed 64 bits.
uint64_t clusterBytes(DWORD sectorsPerCluster, DWORD bytesPerSector, DWORD clusters) {
    uint64_t bytesPerCluster = static_cast<uint64_t>(sectorsPerCluster) * bytesPerSector;
    uint64_t total = 0;
    if (__builtin_mul_overflow(bytesPerCluster, static_cast<uint64_t>(clusters), &total))
        return UINT64_MAX;
    return total;
}

// The older disk query, for systems without the 64-bit one.
int olderDiskSpace(const char *folder, UInt64Type *totalBytes, UInt64Type *freeBytes) {
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (!GetDiskFreeSpaceA(folder, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters))
        return TbErrUnknownSystem;
    *totalBytes = toUInt64(clusterBytes(sectorsPerCluster, bytesPerSector, clusters));
    *freeBytes = toUInt64(clusterBytes(sectorsPerCluster, bytesPerSector, freeClusters));
    return 0;
}

}  // namespace

namespace tb {

int CallGetDiskFreeSpaceEx(const char *folder, ULARGE_INTEGER *availableToCaller,
                           ULARGE_INTEGER *totalBytes, ULARGE_INTEGER *totalFreeBytes,
                           int *systemResult) {
    int code = ensureLoaded(kernelGroup);
    if (code != 0) return code;
    using Function = BOOL(WINAPI *)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
    BOOL result = entryPoint<Function>(kernelGroup, kGetDiskFreeSpaceEx)(folder, availableToCaller,
                                                                         totalBytes, totalFreeBytes);
    storeResult(systemResult, result);
    return 0;
}

int CallDragQueryFile(HDROP drop, UINT index, char *buffer, UINT bufferSize, int *systemResult) {
    int code = ensureLoaded(shellGroup);
    if (code != 0) return code;
    using Function = UINT(WINAPI *)(HDROP, UINT, LPSTR, UINT);
    UINT result = entryPoint<Function>(shellGroup, kDragQueryFile)(drop, index, buffer, bufferSize);
    storeResult(systemResult, static_cast<int>(result));
    return 0;
}

int CallDragQueryPoint(HDROP drop, POINT *point, int *systemResult) {
    int code = ensureLoaded(shellGroup);
    if (code != 0) return code;
    using Function = BOOL(WINAPI *)(HDROP, POINT *);
    BOOL result = entryPoint<Function>(shellGroup, kDragQueryPoint)(drop, point);
    storeResult(systemResult, result);
    return 0;
}

int CallDragAcceptFiles(HWND window, BOOL accept) {
    int code = ensureLoaded(shellGroup);
    if (code != 0) return code;
    using Function = void(WINAPI *)(HWND, BOOL);
    entryPoint<Function>(shellGroup, kDragAcceptFiles)(window, accept);
    return 0;
}

int CallDragFinish(HDROP drop) {
    int code = ensureLoaded(shellGroup);
    if (code != 0) return code;
    using Function = void(WINAPI *)(HDROP);
    entryPoint<Function>(shellGroup, kDragFinish)(drop);
    return 0;
}

int CallShellNotifyIcon(DWORD message, NOTIFYICONDATAA *iconData, int *systemResult) {
    int code = ensureLoaded(shellGroup);
    if (code != 0) return code;
    using Function = BOOL(WINAPI *)(DWORD, NOTIFYICONDATAA *);
    BOOL result = entryPoint<Function>(shellGroup, kShellNotifyIcon)(message, iconData);
    storeResult(systemResult, result);
    return 0;
}

int CallHtmlHelp(HWND owner, const char *helpFile, UINT command, DWORD_PTR data, HWND *viewerWindow) {
    int code = ensureLoaded(helpGroup);
    if (code != 0) return code;
    using Function = HWND(WINAPI *)(HWND, LPCSTR, UINT, DWORD_PTR);
    HWND result = entryPoint<Function>(helpGroup, kHtmlHelp)(owner, helpFile, command, data);
    if (viewerWindow) *viewerWindow = result;
    return 0;
}

#if TOOLBOX_FAULT_INJECTION
void overrideSystemLibrary(SystemGroup group, const char *libraryName) {
    EntryGroup &entries = group == SystemGroup::Kernel ? kernelGroup
                          : group == SystemGroup::Shell ? shellGroup
                                                        : helpGroup;
    entries.library = libraryName ? libraryName : entries.ownLibrary;
    entries.module = nullptr;
    std::memset(entries.entries, 0, sizeof entries.entries);
    entries.loaded.store(false);
}

void failSystemParameter(unsigned int action) { refusedAction.store(action); }
#endif

}  // namespace tb

extern "C" {

int GetWindowsColor(int displayItem, int *colour) {
    if (!colour) return RTE_UIE_NULL_ARGUMENT;
    if (displayItem < 0 || displayItem > kLastDisplayItem) return TbErrInvalidDisplayItem;
    *colour = swapRedAndBlue(GetSysColor(displayItem));
    return 0;
}

int GetCompName(char *name) {
    if (!name) return RTE_UIE_NULL_ARGUMENT;
    DWORD capacity = MAX_COMPUTERNAME_LENGTH + 1;
    return GetComputerNameA(name, &capacity) ? 0 : TbErrUnknownSystem;
}

int GetWindowsDirs(char *windowsDir, char *systemDir) {
    int code = 0;
    if (systemDir && !readFolder(GetSystemDirectoryA, systemDir)) code = TbErrUnknownSystem;
    if (windowsDir && !readFolder(GetWindowsDirectoryA, windowsDir)) code = TbErrUnknownSystem;
    return code;
}

int GetWinOSVersion(int *major, int *minor, int *build, int *platform) {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version)) return TbErrUnknownSystem;
    if (major) *major = static_cast<int>(version.dwMajorVersion);
    if (minor) *minor = static_cast<int>(version.dwMinorVersion);
    if (build) *build = static_cast<int>(version.dwBuildNumber & 0xFFFFu);
    if (platform) *platform = static_cast<int>(version.dwPlatformId);
    return 0;
}

int GetKeyboardPreferences(int *keyboardType, int *functionKeys, int *repeatDelay,
                           int *repeatSpeed) {
    int code = 0;
    if (keyboardType) *keyboardType = GetKeyboardType(0);
    if (functionKeys) {
        int keys = GetKeyboardType(2);
        if (keys != 0)
            *functionKeys = keys;
        else
            code = TbErrUnknownSystem;
    }
    if (!readSetting(SPI_GETKEYBOARDDELAY, repeatDelay)) code = TbErrUnknownSystem;
    if (!readSetting(SPI_GETKEYBOARDSPEED, repeatSpeed)) code = TbErrUnknownSystem;
    return code;
}

int SetKeyboardPreferences(int repeatDelay, int repeatSpeed) {
    int delayBefore = 0;
    if (!systemParameter(SPI_GETKEYBOARDDELAY, 0, &delayBefore, 0)) return TbErrUnknownSystem;
    if (!systemParameter(SPI_SETKEYBOARDDELAY, static_cast<UINT>(repeatDelay), nullptr, kQuietly))
        return TbErrUnknownSystem;
    if (!systemParameter(SPI_SETKEYBOARDSPEED, static_cast<UINT>(repeatSpeed), nullptr, kQuietly)) {
        systemParameter(SPI_SETKEYBOARDDELAY, static_cast<UINT>(delayBefore), nullptr, kQuietly);
        return TbErrUnknownSystem;
    }
    return 0;
}

int GetScreenSaver(int *active, int *timeout) {
    if (!readSetting(SPI_GETSCREENSAVEACTIVE, active)) return TbErrUnknownSystem;
    return readSetting(SPI_GETSCREENSAVETIMEOUT, timeout) ? 0 : TbErrUnknownSystem;
}

int SetScreenSaver(int active, int timeout, const char *screenSaverFile) {
    if (active) {
        if (!screenSaverFile) return RTE_UIE_NULL_ARGUMENT;
        if (RegWriteString(kCurrentUser, kDesktopKey, "SCRNSAVE.EXE", screenSaverFile) != 0)
            return TbErrUnknownSystem;
    }
    int code = 0;
    if (!systemParameter(SPI_SETSCREENSAVEACTIVE, active ? TRUE : FALSE, nullptr, kTellPrograms))
        code = TbErrUnknownSystem;
    if (!systemParameter(SPI_SETSCREENSAVETIMEOUT, static_cast<UINT>(timeout), nullptr, kTellPrograms))
        code = TbErrUnknownSystem;
    return code;
}

int SetWallpaper(int tile, const char *imageFile) {
    if (!imageFile) return RTE_UIE_NULL_ARGUMENT;
    if (RegWriteString(kCurrentUser, kDesktopKey, "TileWallpaper", tile ? "1" : "0") != 0 ||
        RegWriteString(kCurrentUser, kDesktopKey, "Wallpaper", imageFile) != 0)
        return TbErrUnknownSystem;
    return systemParameter(SPI_SETDESKWALLPAPER, 0, const_cast<char *>(imageFile), kTellPrograms)
               ? 0
               : TbErrUnknownSystem;
}

int GetWallpaper(int *tile, char *imageFile) {
    if (!tile || !imageFile) return RTE_UIE_NULL_ARGUMENT;
    // Two bytes: only a one-character value (and its terminator) fits.
    // Two bytes: only a one-character value and its terminator fit. Two characters
    // stored without a terminator fit as well, and are refused here.
    unsigned char tileText[2] = {};
    unsigned int size = 0;
    if (RegReadString(kCurrentUser, kDesktopKey, "TileWallpaper", tileText, sizeof tileText, &size) != 0 ||
        std::memchr(tileText, '\0', sizeof tileText) == nullptr)
        return TbErrUnknownSystem;
    int tileValue = 0;
    if (Fmt(&tileValue, "%d<%s", reinterpret_cast<char *>(tileText)) < 0) return TbErrUnknownSystem;
    // A path stored without a terminator that fills the whole buffer is no path the
    // caller could use.
    char image[TB_MAX_PATHNAME_LEN] = {};
    if (RegReadString(kCurrentUser, kDesktopKey, "Wallpaper", reinterpret_cast<unsigned char *>(image),
                      sizeof image, &size) != 0 ||
        std::memchr(image, '\0', sizeof image) == nullptr)
        return TbErrUnknownSystem;
    std::memcpy(imageFile, image, std::strlen(image) + 1);
    *tile = tileValue;
    return 0;
}

int GetDiskSpace(const char *folder, UInt64Type *totalBytes, UInt64Type *freeBytes) {
    if (!folder || !freeBytes || !totalBytes) return RTE_UIE_NULL_ARGUMENT;
    *totalBytes = UInt64Type{0, 0};
    *freeBytes = UInt64Type{0, 0};
    ULARGE_INTEGER available = {}, total = {}, totalFree = {};
    int succeeded = 0;
    int code = tb::CallGetDiskFreeSpaceEx(folder, &available, &total, &totalFree, &succeeded);
    if (code != 0 || (!succeeded && GetLastError() == ERROR_CALL_NOT_IMPLEMENTED))
        return olderDiskSpace(folder, totalBytes, freeBytes);
    if (!succeeded) return TbErrUnknownSystem;
    *totalBytes = toUInt64(total.QuadPart);
    *freeBytes = toUInt64(available.QuadPart);
    return 0;
}

int UInt64TypeCompareUInt(UInt64Type value, unsigned int number) {
    if (value.high != 0) return 1;
    if (value.low == number) return 0;
    return value.low > number ? 1 : -1;
}

int GetMemoryInfo(unsigned int *memoryLoad, unsigned int *totalPhysical,
                  unsigned int *totalPageFile, unsigned int *totalVirtual,
                  unsigned int *availablePhysical, unsigned int *availablePageFile,
                  unsigned int *availableVirtual) {
    MEMORYSTATUS status = {};
    status.dwLength = sizeof status;
    GlobalMemoryStatus(&status);
    if (memoryLoad) *memoryLoad = status.dwMemoryLoad;
    if (totalPhysical) *totalPhysical = saturated(status.dwTotalPhys);
    if (totalPageFile) *totalPageFile = saturated(status.dwTotalPageFile);
    if (totalVirtual) *totalVirtual = saturated(status.dwTotalVirtual);
    if (availablePhysical) *availablePhysical = saturated(status.dwAvailPhys);
    if (availablePageFile) *availablePageFile = saturated(status.dwAvailPageFile);
    if (availableVirtual) *availableVirtual = saturated(status.dwAvailVirtual);
    return 0;
}

int GetCurrentUser(char *name, int bufferSize, int *realSize) {
    if (!realSize) return RTE_UIE_NULL_ARGUMENT;
    DWORD count = name && bufferSize > 1 ? static_cast<DWORD>(bufferSize - 1) : 0;
    *realSize = static_cast<int>(count);
    BOOL got = GetUserNameA(count > 0 ? name : nullptr, &count);
    *realSize = static_cast<int>(count);
    if (!got && name) return RTE_UIE_BUFFER_TOO_SMALL;
    return 0;
}

}  // extern "C"
