// Date and time: a file's time as a calendar time (round trips in summer and winter
// under a fixed time zone), formatting in the user's locale (German and English where
// installed), the program's own time locale restored, short buffers, missing files,
// null arguments and the breaking setting.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>

#ifdef _WIN32
#include <windows.h>
#include <sys/utime.h>
#else
#include <utime.h>
#endif

#include "test_support.h"
#include "toolbox.h"
#include "toolbox_internal.h"

using testing_support::LibraryErrorCounter;
using testing_support::ScratchDir;

namespace {

// 2026-07-15 10:20:30 UTC (summer) and 2026-01-05 10:20:30 UTC (winter).
constexpr time_t kSummer = 1784110830;
constexpr time_t kWinter = 1767608430;

// Central European time with its daylight-saving rule, understood without tzdata.
constexpr const char *kZone = "CET-1CEST,M3.5.0,M10.5.0/3";

void setVariable(const char *name, const char *value) {
#ifdef _WIN32
    _putenv_s(name, value ? value : "");
#else
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
#endif
}

// An environment variable set for a scope and put back afterwards.
class ScopedVariable {
public:
    ScopedVariable(const char *name, const char *value) : name_(name) {
        const char *old = std::getenv(name);
        hadValue_ = old != nullptr;
        if (old) old_ = old;
        setVariable(name, value);
    }
    ~ScopedVariable() { setVariable(name_, hadValue_ ? old_.c_str() : nullptr); }
    ScopedVariable(const ScopedVariable &) = delete;
    ScopedVariable &operator=(const ScopedVariable &) = delete;

private:
    const char *name_;
    bool hadValue_ = false;
    std::string old_;
};

std::string timeLocale() {
    const char *name = std::setlocale(LC_TIME, nullptr);
    return name ? name : "(null)";
}

class DateTime : public ::testing::Test {
protected:
    void SetUp() override {
        programLocale_ = timeLocale();
#ifndef _WIN32
        zone_.reset(new ScopedVariable("TZ", kZone));
        tzset();
#endif
    }
    void TearDown() override {
        tb::failAllocations(0, 0);
        std::setlocale(LC_TIME, programLocale_.c_str());
        zone_.reset();
#ifndef _WIN32
        tzset();
#endif
    }

    // A file whose modification time is when.
    std::string fileModifiedAt(time_t when, const std::string &name = "dated.txt") {
        std::string path = dir.write(name, "x");
        struct utimbuf times;
        times.actime = when;
        times.modtime = when;
        EXPECT_EQ(utime(path.c_str(), &times), 0);
        return path;
    }

    ScratchDir dir;

private:
    std::string programLocale_;
    std::unique_ptr<ScopedVariable> zone_;
};

// Month and year offsets and the daylight-saving decision all show in a round trip.
TEST_F(DateTime, FileTimeRoundTripsInSummerAndWinter) {
    for (time_t when : {kSummer, kWinter}) {
        SCOPED_TRACE(static_cast<long long>(when));
        std::string path = fileModifiedAt(when);
        time_t got = static_cast<time_t>(0xdeadbeef);
        EXPECT_EQ(GetFileCLibTime(path.c_str(), &got), 1);
        EXPECT_EQ(static_cast<long long>(got), static_cast<long long>(when));
    }
}

// Failures: the engine's "not found" is -94, a path it refuses -93; output untouched.
TEST_F(DateTime, FileTimeFailures) {
    time_t got = static_cast<time_t>(0xdeadbeef);
    EXPECT_EQ(GetFileCLibTime(dir.path("missing").c_str(), &got), -94);
    EXPECT_EQ(GetFileCLibTime(std::string(300, 'x').c_str(), &got), -93);
    EXPECT_EQ(GetFileCLibTime(nullptr, &got), -65) << "a null path is a null argument";
    EXPECT_EQ(got, static_cast<time_t>(0xdeadbeef));
    EXPECT_EQ(GetFileCLibTime(fileModifiedAt(kSummer).c_str(), nullptr), -65);
}

// A missing file: -94 from all three, buffer untouched, no break, setting restored.
TEST_F(DateTime, MissingFileIsQuietAndLeavesTheBuffer) {
    std::string missing = dir.path("missing");
    char buffer[32];
    std::memset(buffer, 0xbd, sizeof buffer);
    time_t got = 0;
    {
        LibraryErrorCounter counter;
        EXPECT_EQ(GetFileCLibTime(missing.c_str(), &got), -94);
        EXPECT_EQ(InternationalFileTime(missing.c_str(), buffer, sizeof buffer), -94);
        EXPECT_EQ(InternationalFileDate(missing.c_str(), buffer, sizeof buffer), -94);
        EXPECT_EQ(counter.reports(), 0);
        EXPECT_EQ(GetBreakOnLibraryErrors(), 1);
        EXPECT_EQ(GetFileCLibTime(fileModifiedAt(kWinter).c_str(), &got), 1);
        EXPECT_EQ(GetBreakOnLibraryErrors(), 1);
    }
    for (unsigned char byte : buffer) ASSERT_EQ(byte, 0xbd);
    int found = SetBOLE(0);
    EXPECT_EQ(InternationalFileDate(missing.c_str(), buffer, sizeof buffer), -94);
    EXPECT_EQ(GetBreakOnLibraryErrors(), 0);
    SetBOLE(found);
}

TEST_F(DateTime, NullArgumentsAndEmptyBuffers) {
    std::string path = fileModifiedAt(kSummer);
    char buffer[8] = {'s', 'e', 'n', 't', 'i', 'n', 'e', 'l'};
    EXPECT_EQ(InternationalFileTime(nullptr, buffer, sizeof buffer), -65);
    EXPECT_EQ(InternationalFileDate(path.c_str(), nullptr, 8), -65);
    EXPECT_EQ(InternationalTime(nullptr, 8), -65);
    EXPECT_EQ(InternationalDate(nullptr, 8), -65);
    EXPECT_EQ(InternationalDate(buffer, 0), 0);
    EXPECT_EQ(InternationalTime(buffer, -1), 0);
    EXPECT_EQ(InternationalFileDate(path.c_str(), buffer, 0), 0);
    EXPECT_EQ(std::string(buffer, 8), "sentinel");
}

// When the program's locale name cannot be kept, nothing is switched: -12.
TEST_F(DateTime, OutOfMemoryLeavesTheLocaleAlone) {
    std::setlocale(LC_TIME, "C");
    std::string path = fileModifiedAt(kSummer);
    char buffer[32];
    std::memset(buffer, 0xbd, sizeof buffer);
    tb::failAllocations(0, 1);
    EXPECT_EQ(InternationalDate(buffer, sizeof buffer), -12);
    tb::failAllocations(0, 1);
    EXPECT_EQ(InternationalFileTime(path.c_str(), buffer, sizeof buffer), -12);
    tb::failAllocations(0, 0);
    EXPECT_EQ(static_cast<unsigned char>(buffer[0]), 0xbd);
    EXPECT_EQ(timeLocale(), "C");
    EXPECT_GT(InternationalDate(buffer, sizeof buffer), 0);
}

// ---- formatting in a chosen user locale (POSIX: the locale variables) -------------

#ifndef _WIN32

// Makes name the user's default locale for a test, or tells why it cannot.
class UserLocale : public DateTime {
protected:
    bool choose(const char *name) {
        std::string before = timeLocale();
        bool available = std::setlocale(LC_TIME, name) != nullptr;
        std::setlocale(LC_TIME, before.c_str());
        if (!available) return false;
        all_.reset(new ScopedVariable("LC_ALL", name));
        return true;
    }
    void TearDown() override {
        all_.reset();
        DateTime::TearDown();
    }

private:
    std::unique_ptr<ScopedVariable> all_;
};

#define REQUIRE_LOCALE(name)                                                          \
    if (!choose(name))                                                                \
    GTEST_SKIP() << "locale " name " is not installed (scripts/test generates it with " \
                    "the locales package)"

std::string fileText(int (*format)(const char *, char *, int), const std::string &path) {
    char buffer[64];
    int count = format(path.c_str(), buffer, sizeof buffer);
    EXPECT_GT(count, 0);
    return count > 0 ? std::string(buffer, static_cast<size_t>(count)) : std::string();
}

// The program's own "C" time locale does not decide the format: the user's does.
TEST_F(UserLocale, GermanFileDateAndTime) {
    REQUIRE_LOCALE("de_DE.UTF-8");
    std::setlocale(LC_TIME, "C");
    std::string path = fileModifiedAt(kSummer);
    EXPECT_EQ(fileText(InternationalFileDate, path), "15.07.2026");
    EXPECT_EQ(fileText(InternationalFileTime, path), "12:20:30");  // CEST
    EXPECT_EQ(timeLocale(), "C");
    std::string winter = fileModifiedAt(kWinter, "winter.txt");
    EXPECT_EQ(fileText(InternationalFileDate, winter), "05.01.2026");
    EXPECT_EQ(fileText(InternationalFileTime, winter), "11:20:30");  // CET
    EXPECT_EQ(timeLocale(), "C");
}

TEST_F(UserLocale, EnglishFileDateAndTime) {
    REQUIRE_LOCALE("en_US.UTF-8");
    std::setlocale(LC_TIME, "C");
    std::string path = fileModifiedAt(kSummer);
    EXPECT_EQ(fileText(InternationalFileDate, path), "07/15/2026");
    EXPECT_EQ(fileText(InternationalFileTime, path), "12:20:30 PM");
    EXPECT_EQ(timeLocale(), "C");
}

// A program with a time locale of its own other than "C" gets it back too.
TEST_F(UserLocale, ProgramsOwnLocaleIsRestored) {
    REQUIRE_LOCALE("de_DE.UTF-8");
    if (!std::setlocale(LC_TIME, "en_US.UTF-8")) GTEST_SKIP() << "en_US.UTF-8 is not installed";
    std::string path = fileModifiedAt(kSummer);
    EXPECT_EQ(fileText(InternationalFileDate, path), "15.07.2026");
    EXPECT_EQ(timeLocale(), "en_US.UTF-8");
    char buffer[64];
    EXPECT_GT(InternationalDate(buffer, sizeof buffer), 0);
    EXPECT_GT(InternationalTime(buffer, sizeof buffer), 0);
    EXPECT_EQ(timeLocale(), "en_US.UTF-8");
    // the program's own formatting is English again
    char own[64];
    struct tm fixed = {};
    fixed.tm_year = 126, fixed.tm_mon = 6, fixed.tm_mday = 15;
    std::strftime(own, sizeof own, "%x", &fixed);
    EXPECT_STREQ(own, "07/15/2026");
}

// The current date and time in the German form, matching the clock.
TEST_F(UserLocale, GermanCurrentDateAndTime) {
    REQUIRE_LOCALE("de_DE.UTF-8");
    std::setlocale(LC_TIME, "C");
    auto german = [](time_t when, bool date) {
        struct tm local = *std::localtime(&when);
        char text[32];
        if (date)
            std::snprintf(text, sizeof text, "%02d.%02d.%04d", local.tm_mday, local.tm_mon + 1,
                          local.tm_year + 1900);
        else
            std::snprintf(text, sizeof text, "%02d:%02d:%02d", local.tm_hour, local.tm_min,
                          local.tm_sec);
        return std::string(text);
    };
    char buffer[64];
    time_t before = std::time(nullptr);
    ASSERT_EQ(InternationalDate(buffer, sizeof buffer), 10);
    std::string date = buffer;
    ASSERT_EQ(InternationalTime(buffer, sizeof buffer), 8);
    std::string clock = buffer;
    time_t after = std::time(nullptr);
    EXPECT_TRUE(date == german(before, true) || date == german(after, true)) << date;
    bool clockMatches = false;
    for (time_t t = before; t <= after; ++t) clockMatches = clockMatches || clock == german(t, false);
    EXPECT_TRUE(clockMatches) << clock;
    EXPECT_EQ(timeLocale(), "C");
}

// A buffer one byte too small gives 0 and nothing is written past its size.
TEST_F(UserLocale, ShortBuffers) {
    REQUIRE_LOCALE("de_DE.UTF-8");
    std::string path = fileModifiedAt(kSummer);
    char buffer[32];
    std::memset(buffer, 0xbd, sizeof buffer);
    EXPECT_EQ(InternationalFileDate(path.c_str(), buffer, 10), 0);  // "15.07.2026" needs 11
    for (size_t i = 10; i < sizeof buffer; ++i) ASSERT_EQ(static_cast<unsigned char>(buffer[i]), 0xbd);
    EXPECT_EQ(InternationalFileDate(path.c_str(), buffer, 11), 10);
    EXPECT_STREQ(buffer, "15.07.2026");
    EXPECT_EQ(InternationalFileTime(path.c_str(), buffer, 8), 0);
    EXPECT_EQ(InternationalDate(buffer, 1), 0);
    EXPECT_EQ(InternationalTime(buffer, 8), 0);
}

#else  // _WIN32

// The user's default formats as Windows reports them for the user's locale.
std::string windowsShortDate(const SYSTEMTIME &when) {
    char text[64] = "";
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &when, nullptr, text, sizeof text);
    return text;
}

std::string windowsTime(const SYSTEMTIME &when) {
    char text[64] = "";
    GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &when, nullptr, text, sizeof text);
    return text;
}

SYSTEMTIME localSystemTime(time_t when) {
    struct tm local = *std::localtime(&when);
    SYSTEMTIME out = {};
    out.wYear = static_cast<WORD>(local.tm_year + 1900);
    out.wMonth = static_cast<WORD>(local.tm_mon + 1);
    out.wDay = static_cast<WORD>(local.tm_mday);
    out.wHour = static_cast<WORD>(local.tm_hour);
    out.wMinute = static_cast<WORD>(local.tm_min);
    out.wSecond = static_cast<WORD>(local.tm_sec);
    return out;
}

// Whatever the program's own time locale, the text is the user's default form.
TEST_F(DateTime, FileDateInTheUsersFormat) {
    std::string path = fileModifiedAt(kSummer);
    SYSTEMTIME when = localSystemTime(kSummer);
    for (const char *programLocale : {"C", "German_Germany.1252", "de-DE"}) {
        if (!std::setlocale(LC_TIME, programLocale)) continue;
        SCOPED_TRACE(programLocale);
        std::string own = timeLocale();
        char buffer[64];
        int count = InternationalFileDate(path.c_str(), buffer, sizeof buffer);
        EXPECT_GT(count, 0);
        EXPECT_EQ(std::string(buffer), windowsShortDate(when));
        count = InternationalFileTime(path.c_str(), buffer, sizeof buffer);
        EXPECT_GT(count, 0);
        EXPECT_EQ(std::string(buffer), windowsTime(when));
        EXPECT_EQ(timeLocale(), own) << "the program's own time locale is restored";
    }
}

TEST_F(DateTime, ShortBuffersAndCurrentTime) {
    std::string path = fileModifiedAt(kSummer);
    std::string full = windowsShortDate(localSystemTime(kSummer));
    int size = static_cast<int>(full.size());
    char buffer[64];
    std::memset(buffer, 0xbd, sizeof buffer);
    EXPECT_EQ(InternationalFileDate(path.c_str(), buffer, size), 0);
    for (size_t i = static_cast<size_t>(size); i < sizeof buffer; ++i)
        ASSERT_EQ(static_cast<unsigned char>(buffer[i]), 0xbd);
    EXPECT_EQ(InternationalFileDate(path.c_str(), buffer, size + 1), size);
    std::setlocale(LC_TIME, "C");
    EXPECT_GT(InternationalDate(buffer, sizeof buffer), 0);
    EXPECT_GT(InternationalTime(buffer, sizeof buffer), 0);
    EXPECT_EQ(timeLocale(), "C");
}

#endif

}  // namespace
