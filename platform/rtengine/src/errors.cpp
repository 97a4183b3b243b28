// Error texts of the user-interface library codes and the break-on-library-errors
// switch with its replaceable handler.
#include <atomic>
#include <cstdio>

#include "rte_internal.h"

namespace {

struct CodeText {
    int code;
    const char *text;
};

// The one table of engine and user-interface codes below magnitude 1000.
constexpr CodeText kUILErrorTexts[] = {
    {RTE_UIE_NO_ERROR, "No error."},
    {RTE_UIE_OUT_OF_MEMORY, "Out of memory."},
    {RTE_UIE_COUNT_BELOW_ONE, "The count must be greater than or equal to 1."},
    {RTE_UIE_INVALID_CONTROL, "The control does not exist."},
    {RTE_UIE_INVALID_PANEL, "The panel does not exist."},
    {RTE_UIE_INVALID_ATTRIBUTE, "Invalid attribute."},
    {RTE_UIE_BUFFER_TOO_SMALL, "The buffer is too small."},
    {RTE_UIE_INVALID_FORMAT, "Invalid format string."},
    {RTE_UIE_NULL_ARGUMENT, "Null pointer argument."},
    {RTE_UIE_UNKNOWN_FONT, "Unknown font."},
    {RTE_UIE_INVALID_ATTRIBUTE_VALUE, "Invalid attribute value."},
    {RTE_UIE_TOO_MANY_FILES_OPEN, "Too many files are open."},
    {RTE_UIE_IO_ERROR, "Input/output error."},
    {RTE_UIE_FILE_NOT_FOUND, "File not found."},
    {RTE_UIE_ACCESS_DENIED, "File access permission denied."},
    {RTE_UIE_DISK_FULL, "Disk is full."},
    {RTE_UIE_BAD_PATH_NAME, "Badly formed pathname."},
    {RTE_UIE_INVALID_THREAD_OBJECT, "The lock or variable does not exist."},
    {RTE_UIE_NOT_LOCK_OWNER, "The lock is not held by the calling thread."},
    {RTE_UIE_NO_SUCH_THREAD, "The thread has no event queue."},
    {RTE_UIE_INVALID_EVENT, "Invalid event number."},
    {RTE_UIE_WRONG_THREAD, "The panel belongs to another thread."},
    {RTE_UIE_INVALID_CONTROL_STYLE, "The control style is not known."},
    {RTE_UIE_INDEX_OUT_OF_RANGE, "The list index is out of range."},
    {RTE_UIE_WRONG_CONTROL_KIND, "The operation does not apply to this kind of control."},
    {RTE_UIE_INVALID_BITMAP, "The bitmap does not exist."},
    {RTE_UIE_INVALID_PIXEL_DEPTH, "The pixel depth is not supported."},
};

constexpr const char kUnknownUILError[] = "Unknown user interface library error";

std::atomic<int> breakOnLibraryErrors{0};
std::atomic<RTE_LibraryErrorHandler> libraryErrorHandler{nullptr};

void defaultLibraryErrorHandler(const char *function, int errorCode) {
    std::fprintf(stderr, "rtengine: %s failed with code %d\n", function, errorCode);
}

}  // namespace

namespace rte {

int fail(const char *function, int code) {
    if (breakOnLibraryErrors.load()) {
        RTE_LibraryErrorHandler handler = libraryErrorHandler.load();
        (handler ? handler : defaultLibraryErrorHandler)(function, code);
    }
    return code;
}

}  // namespace rte

extern "C" {

const char *GetUILErrorString(int errorCode) {
    for (const CodeText &entry : kUILErrorTexts)
        if (entry.code == errorCode) return entry.text;
    return kUnknownUILError;
}

int GetBreakOnLibraryErrors(void) { return breakOnLibraryErrors.load(); }

int SetBreakOnLibraryErrors(int on) { return breakOnLibraryErrors.exchange(on ? 1 : 0); }

void EnableBreakOnLibraryErrors(void) { breakOnLibraryErrors.store(1); }

void DisableBreakOnLibraryErrors(void) { breakOnLibraryErrors.store(0); }

RTE_LibraryErrorHandler RTE_SetLibraryErrorHandler(RTE_LibraryErrorHandler handler) {
    RTE_LibraryErrorHandler previous = libraryErrorHandler.exchange(handler);
    return previous ? previous : defaultLibraryErrorHandler;
}

}  // extern "C"
