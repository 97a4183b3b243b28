// Date and time: a file's modification time as a calendar time, and the current or a
// file's date and time formatted in the user's default locale.
//
// Only the time category of the locale is switched, and only for one formatting call;
// the program's own setting is copied before the switch (the name setlocale returns is
// overwritten by the next call) and put back on every way out.
//
// Choices made here:
//  - Null buffers and paths give -65; a buffer size below 1 gives 0 with nothing
//    written. A null time output gives -65 before the file is asked about.
//  - A calendar time the C library cannot break down gives 0 with the buffer untouched.
//  - The month, day and year order and the separators are whatever the user's locale
//    gives for "%x" and "%X".
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "toolbox_internal.h"

namespace {

// Selects the user's default time locale while it lives and restores the program's.
class UserTimeLocale {
public:
    UserTimeLocale() {
        const char *current = std::setlocale(LC_TIME, nullptr);
        if (!current) current = "C";
        size_t size = std::strlen(current) + 1;
        saved_ = static_cast<char *>(tb::allocate(size));
        if (!saved_) return;
        std::memcpy(saved_, current, size);
        std::setlocale(LC_TIME, "");
    }
    ~UserTimeLocale() {
        if (!saved_) return;
        std::setlocale(LC_TIME, saved_);
        std::free(saved_);
    }
    UserTimeLocale(const UserTimeLocale &) = delete;
    UserTimeLocale &operator=(const UserTimeLocale &) = delete;

    bool active() const { return saved_ != nullptr; }

private:
    char *saved_ = nullptr;
};

// Formats when in the user's locale; the count strftime gives, or a negative code.
int formatInUserLocale(time_t when, const char *format, char *buffer, int bufferSize) {
    if (bufferSize < 1) return 0;
    UserTimeLocale locale;
    if (!locale.active()) return RTE_UIE_OUT_OF_MEMORY;
    const struct tm *broken = std::localtime(&when);
    if (!broken) return 0;
    return static_cast<int>(std::strftime(buffer, static_cast<size_t>(bufferSize), format, broken));
}

int formatFileTime(const char *path, const char *format, char *buffer, int bufferSize) {
    if (!path || !buffer) return RTE_UIE_NULL_ARGUMENT;
    time_t when = 0;
    int code = GetFileCLibTime(path, &when);
    if (code != 1) return code;
    return formatInUserLocale(when, format, buffer, bufferSize);
}

int formatNow(const char *format, char *buffer, int bufferSize) {
    if (!buffer) return RTE_UIE_NULL_ARGUMENT;
    return formatInUserLocale(std::time(nullptr), format, buffer, bufferSize);
}

}  // namespace

extern "C" {

// Only "not found" and "out of memory" have codes of their own here.
int GetFileCLibTime(const char *path, time_t *fileTime) {
    if (!path || !fileTime) return RTE_UIE_NULL_ARGUMENT;
    tb::BreakingOff quiet;
    int month = 0, day = 0, year = 0;
    int code = tb::mapEngineFileCodeBroadly(GetFileDate(path, &month, &day, &year));
    if (code != 0) return code;
    int hours = 0, minutes = 0, seconds = 0;
    code = tb::mapEngineFileCodeBroadly(RTE_GetFileTime(path, &hours, &minutes, &seconds));
    if (code != 0) return code;

    struct tm broken = {};
    broken.tm_sec = seconds;
    broken.tm_min = minutes;
    broken.tm_hour = hours;
    broken.tm_mday = day;
    broken.tm_mon = month - 1;
    broken.tm_year = year - 1900;
    broken.tm_isdst = -1;
    *fileTime = std::mktime(&broken);
    return *fileTime == static_cast<time_t>(-1) ? 0 : 1;
}

int InternationalFileTime(const char *path, char *buffer, int bufferSize) {
    return formatFileTime(path, "%X", buffer, bufferSize);
}

int InternationalFileDate(const char *path, char *buffer, int bufferSize) {
    return formatFileTime(path, "%x", buffer, bufferSize);
}

int InternationalTime(char *buffer, int bufferSize) {
    return formatNow("%X", buffer, bufferSize);
}

int InternationalDate(char *buffer, int bufferSize) {
    return formatNow("%x", buffer, bufferSize);
}

}  // extern "C"
