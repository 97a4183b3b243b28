// The engine's services: error texts, break on library errors, popups, Fmt, file
// codes, SplitPath, the process model and the platform code.
#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "rtengine.h"
#include "test_support.h"

using testing_support::LibraryErrorCounter;
using testing_support::RecordingPresenter;
using testing_support::ScratchDir;

namespace {

// Every code in use has a text of its own; unknown codes share one fixed text.
TEST(UILErrorStrings, EveryCodeInUseHasItsOwnText) {
    const int codes[] = {-12, -14, -42, -45, -46, -57, -63, -65, -89,
                         -90, -91, -93, -94, -95, -97, -100, -130, -131, -132, -133, -134, -135};
    const std::string unknown = GetUILErrorString(-999);
    for (int code : codes) {
        SCOPED_TRACE(code);
        std::string text = GetUILErrorString(code);
        EXPECT_NE(text, unknown);
        EXPECT_FALSE(text.empty());
        for (int other : codes)
            if (other != code) {
                EXPECT_NE(text, GetUILErrorString(other));
            }
    }
    EXPECT_EQ(unknown, "Unknown user interface library error");
    EXPECT_EQ(unknown, GetUILErrorString(12));
    EXPECT_EQ(unknown, GetUILErrorString(-1000));
}

// The switch reports the old setting and the handler hears failures only while on.
TEST(BreakOnLibraryErrors, SwitchAndHandler) {
    int found = GetBreakOnLibraryErrors();
    EXPECT_EQ(SetBreakOnLibraryErrors(1), found);
    EXPECT_EQ(GetBreakOnLibraryErrors(), 1);
    DisableBreakOnLibraryErrors();
    EXPECT_EQ(GetBreakOnLibraryErrors(), 0);
    EnableBreakOnLibraryErrors();
    EXPECT_EQ(SetBreakOnLibraryErrors(0), 1);

    long long size = 0;
    {
        LibraryErrorCounter counter;
        EXPECT_EQ(RTE_GetFileSize("no-such-file.bin", &size), RTE_FILE_NOT_FOUND);
        EXPECT_EQ(counter.reports(), 1);
        EXPECT_EQ(LibraryErrorCounter::lastFunction(), "RTE_GetFileSize");
        EXPECT_EQ(LibraryErrorCounter::lastCode(), RTE_FILE_NOT_FOUND);
        DisableBreakOnLibraryErrors();
        EXPECT_EQ(RTE_GetFileSize("no-such-file.bin", &size), RTE_FILE_NOT_FOUND);
        EXPECT_EQ(counter.reports(), 1);
    }
    SetBreakOnLibraryErrors(found);
}

TEST(Popups, PresenterReceivesTitleAndText) {
    RecordingPresenter recorder;
    EXPECT_EQ(MessagePopup("Title", "Some text"), 0);
    EXPECT_EQ(MessagePopup(nullptr, nullptr), 0);
    ASSERT_EQ(recorder.shown().size(), 2u);
    EXPECT_EQ(recorder.shown()[0].title, "Title");
    EXPECT_EQ(recorder.shown()[0].text, "Some text");
    EXPECT_EQ(recorder.shown()[1].title, "");
    EXPECT_EQ(recorder.shown()[1].text, "");
}

TEST(Fmt, ConcatenatesLiteralTextAndItems) {
    char target[64];
    EXPECT_EQ(Fmt(target, "%s<%s\\%s %s.lnk", "C:\\Desk", "nimbrova", "2.0 beta release"), 37);
    EXPECT_STREQ(target, "C:\\Desk\\nimbrova 2.0 beta release.lnk");
    EXPECT_EQ(Fmt(target, "%s<"), 0);
    EXPECT_STREQ(target, "");
    EXPECT_EQ(Fmt(target, "%s<100%% %s", ""), 5);
    EXPECT_STREQ(target, "100% ");
}

// Anything outside the documented notation is refused and the target kept.
TEST(Fmt, RefusesOtherFormatsAndKeepsTheTarget) {
    const char *refused[] = {"%s", "plain", "%i<1", "%x<%s", "%s<%d", "%s<50%", "%s<%x%s", "%d<%d", "%d<%s%"};
    for (const char *format : refused) {
        SCOPED_TRACE(format);
        char target[16] = "untouched";
        EXPECT_EQ(Fmt(target, format, "a", "b"), RTE_UIE_INVALID_FORMAT);
        EXPECT_STREQ(target, "untouched");
    }
    char target[16] = "untouched";
    EXPECT_EQ(Fmt(target, "%s<%s", static_cast<const char *>(nullptr)), RTE_UIE_NULL_ARGUMENT);
    EXPECT_EQ(Fmt(target, nullptr), RTE_UIE_NULL_ARGUMENT);
    EXPECT_EQ(Fmt(nullptr, "%s<x"), RTE_UIE_NULL_ARGUMENT);
    EXPECT_STREQ(target, "untouched");
}

// The checked form writes only when text and terminator fit.
TEST(Fmt, LimitedFormNeverWritesPastTheSize) {
    char target[8];
    std::memset(target, 0xbd, sizeof target);
    EXPECT_EQ(FmtLimited(target, 5, "%s<%s", "abcd"), 4);
    EXPECT_STREQ(target, "abcd");
    EXPECT_EQ(static_cast<unsigned char>(target[5]), 0xbd);

    std::memset(target, 0xbd, sizeof target);
    EXPECT_EQ(FmtLimited(target, 4, "%s<%s", "abcd"), RTE_UIE_BUFFER_TOO_SMALL);
    EXPECT_EQ(FmtLimited(target, 0, "%s<"), RTE_UIE_BUFFER_TOO_SMALL);
    for (unsigned char byte : target) EXPECT_EQ(byte, 0xbd);
}

// An int target read from the composed text: what is read, what is returned (the
// characters read) and which texts are refused, with the target untouched.
struct IntRead {
    const char *text;
    int result;  // characters read, or the code
    int value;   // stored when result >= 0
};
void PrintTo(const IntRead &read, std::ostream *out) { *out << '"' << read.text << '"'; }
class FmtIntTarget : public ::testing::TestWithParam<IntRead> {};

TEST_P(FmtIntTarget, ReadsOrRefuses) {
    const IntRead &c = GetParam();
    int target = static_cast<int>(0xdeadbeef);
    EXPECT_EQ(Fmt(&target, "%d<%s", c.text), c.result);
    EXPECT_EQ(target, c.result >= 0 ? c.value : static_cast<int>(0xdeadbeef));
}

INSTANTIATE_TEST_SUITE_P(
    Table, FmtIntTarget,
    ::testing::Values(IntRead{"1", 1, 1}, IntRead{"0", 1, 0}, IntRead{"42", 2, 42},
                      IntRead{"  \t\r\n 17", 8, 17}, IntRead{"+8", 2, 8}, IntRead{"-8", 2, -8},
                      IntRead{"007", 3, 7}, IntRead{"12abc", 2, 12}, IntRead{"12 34", 2, 12},
                      IntRead{"0x10", 1, 0}, IntRead{"2147483647", 10, 2147483647},
                      IntRead{"-2147483648", 11, -2147483647 - 1},
                      IntRead{"2147483648", RTE_UIE_INVALID_ATTRIBUTE_VALUE, 0},
                      IntRead{"-2147483649", RTE_UIE_INVALID_ATTRIBUTE_VALUE, 0},
                      IntRead{"99999999999999999999999", RTE_UIE_INVALID_ATTRIBUTE_VALUE, 0},
                      IntRead{"", RTE_UIE_INVALID_ATTRIBUTE_VALUE, 0},
                      IntRead{"   ", RTE_UIE_INVALID_ATTRIBUTE_VALUE, 0},
                      IntRead{"-", RTE_UIE_INVALID_ATTRIBUTE_VALUE, 0},
                      IntRead{"- 5", RTE_UIE_INVALID_ATTRIBUTE_VALUE, 0},
                      IntRead{"+-5", RTE_UIE_INVALID_ATTRIBUTE_VALUE, 0},
                      IntRead{"x1", RTE_UIE_INVALID_ATTRIBUTE_VALUE, 0}),
    [](const ::testing::TestParamInfo<IntRead> &param) { return "Text" + std::to_string(param.index); });

// The int target takes the same items as the text target; the checked form needs room
// for an int; a null source or target is refused.
TEST(Fmt, IntTargetItemsAndLimits) {
    int target = 5;
    EXPECT_EQ(Fmt(&target, "%d<%s%s", "-1", "23"), 4);
    EXPECT_EQ(target, -123);
    EXPECT_EQ(Fmt(&target, "%d<9%%"), 1);
    EXPECT_EQ(target, 9);
    EXPECT_EQ(FmtLimited(&target, sizeof target, "%d<%s", "6"), 1);
    EXPECT_EQ(target, 6);
    EXPECT_EQ(FmtLimited(&target, sizeof target - 1, "%d<%s", "7"), RTE_UIE_BUFFER_TOO_SMALL);
    EXPECT_EQ(Fmt(&target, "%d<%s", static_cast<const char *>(nullptr)), RTE_UIE_NULL_ARGUMENT);
    EXPECT_EQ(Fmt(nullptr, "%d<1"), RTE_UIE_NULL_ARGUMENT);
    EXPECT_EQ(target, 6);
}

// Every engine file code the platform can produce, from each file function.
class EngineFiles : public ::testing::Test {
protected:
    ScratchDir dir;
};

TEST_F(EngineFiles, SizeOfFilesAndTheCodesOfWhatIsNotAFile) {
    long long size = 12345;
    EXPECT_EQ(RTE_GetFileSize(dir.write("five.bin", "12345").c_str(), &size), RTE_FILE_OK);
    EXPECT_EQ(size, 5);
    EXPECT_EQ(RTE_GetFileSize(dir.write("empty.bin", "").c_str(), &size), RTE_FILE_OK);
    EXPECT_EQ(size, 0);

    size = 777;
    EXPECT_EQ(RTE_GetFileSize(dir.path("missing.bin").c_str(), &size), RTE_FILE_NOT_FOUND);
    EXPECT_EQ(RTE_GetFileSize(dir.path("no-folder/missing.bin").c_str(), &size),
              RTE_FILE_NOT_FOUND);
    EXPECT_EQ(RTE_GetFileSize(dir.path().c_str(), &size), RTE_FILE_IS_DIRECTORY);
    EXPECT_EQ(RTE_GetFileSize("", &size), RTE_FILE_BAD_PATH);
    EXPECT_EQ(RTE_GetFileSize(std::string(300, 'x').c_str(), &size), RTE_FILE_BAD_PATH);
    EXPECT_EQ(RTE_GetFileSize(nullptr, &size), RTE_FILE_BAD_PATH);
    EXPECT_EQ(size, 777) << "a failed query leaves the size alone";

    EXPECT_EQ(GetFileInfo(dir.path("five.bin").c_str(), &size), 1);
    EXPECT_EQ(size, 5);
    EXPECT_EQ(GetFileInfo(dir.path().c_str(), nullptr), 1);
    EXPECT_EQ(GetFileInfo(dir.path("missing.bin").c_str(), nullptr), 0);
    EXPECT_EQ(GetFileInfo(nullptr, nullptr), 0);
}

TEST_F(EngineFiles, CopyReplacesTheTargetByteForByte) {
    std::string bytes("a\0b\r\n\xff", 6);
    std::string source = dir.write("source.bin", bytes);
    std::string target = dir.write("target.bin", "old and longer contents");
    EXPECT_EQ(RTE_CopyFile(source.c_str(), target.c_str()), RTE_FILE_OK);
    EXPECT_EQ(testing_support::readFile(target), bytes);
    EXPECT_EQ(RTE_CopyFile(source.c_str(), dir.path("new.bin").c_str()), RTE_FILE_OK);
    EXPECT_EQ(testing_support::readFile(dir.path("new.bin")), bytes);
}

TEST_F(EngineFiles, CopyCodes) {
    std::string source = dir.write("source.bin", "x");
    EXPECT_EQ(RTE_CopyFile(dir.path("missing").c_str(), dir.path("t").c_str()), RTE_FILE_NOT_FOUND);
    EXPECT_EQ(RTE_CopyFile(source.c_str(), dir.path("no-folder/t").c_str()), RTE_FILE_NOT_FOUND);
    EXPECT_EQ(RTE_CopyFile(dir.path().c_str(), dir.path("t").c_str()), RTE_FILE_IS_DIRECTORY);
    EXPECT_EQ(RTE_CopyFile(source.c_str(), dir.path().c_str()), RTE_FILE_IS_DIRECTORY);
    EXPECT_EQ(RTE_CopyFile("", dir.path("t").c_str()), RTE_FILE_BAD_PATH);
    EXPECT_EQ(RTE_CopyFile(source.c_str(), std::string(300, 'y').c_str()), RTE_FILE_BAD_PATH);
    EXPECT_EQ(GetFileInfo(dir.path("t").c_str(), nullptr), 0);
}

// A file another handle holds exclusively (Windows), or a folder without write
// permission (POSIX, unless root), refuses the copy.
TEST_F(EngineFiles, CopyOntoAProtectedTargetIsAccessDenied) {
    std::string source = dir.write("source.bin", "x");
#ifdef _WIN32
    std::string target = dir.write("held.bin", "held");
    HANDLE held = CreateFileA(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(RTE_CopyFile(source.c_str(), target.c_str()), RTE_FILE_ACCESS_DENIED);
    CloseHandle(held);
#else
    if (geteuid() == 0) GTEST_SKIP() << "root is never denied";
    std::filesystem::create_directory(dir.path("locked"));
    std::filesystem::permissions(dir.path("locked"), std::filesystem::perms::owner_read |
                                                         std::filesystem::perms::owner_exec);
    EXPECT_EQ(RTE_CopyFile(source.c_str(), dir.path("locked/t").c_str()), RTE_FILE_ACCESS_DENIED);
#endif
}

TEST_F(EngineFiles, RenameNeverReplaces) {
    std::string a = dir.write("a.txt", "A");
    std::string b = dir.write("b.txt", "B");
    EXPECT_EQ(RenameFile(a.c_str(), b.c_str()), RTE_FILE_EXISTS);
    EXPECT_EQ(testing_support::readFile(b), "B");
    EXPECT_EQ(RenameFile(a.c_str(), dir.path("c.txt").c_str()), RTE_FILE_OK);
    EXPECT_EQ(testing_support::readFile(dir.path("c.txt")), "A");
    EXPECT_EQ(GetFileInfo(a.c_str(), nullptr), 0);
    EXPECT_EQ(RenameFile(a.c_str(), dir.path("d.txt").c_str()), RTE_FILE_NOT_FOUND);
    EXPECT_EQ(RenameFile(b.c_str(), dir.path("none/d.txt").c_str()), RTE_FILE_NOT_FOUND);
    EXPECT_EQ(RenameFile(nullptr, b.c_str()), RTE_FILE_BAD_PATH);
    EXPECT_EQ(RenameFile(b.c_str(), ""), RTE_FILE_BAD_PATH);
}

// A fresh file's modification date and time are now, in local time.
TEST_F(EngineFiles, DateAndTimeOfAFreshFile) {
    std::time_t before = std::time(nullptr);
    std::string path = dir.write("fresh.txt", "x");
    int month = 0, day = 0, year = 0, hours = -1, minutes = -1, seconds = -1;
    ASSERT_EQ(GetFileDate(path.c_str(), &month, &day, &year), RTE_FILE_OK);
    ASSERT_EQ(RTE_GetFileTime(path.c_str(), &hours, &minutes, &seconds), RTE_FILE_OK);
    std::time_t after = std::time(nullptr);
    bool matched = false;
    for (std::time_t t = before - 2; t <= after + 2; ++t) {
        std::tm local = *std::localtime(&t);
        matched |= local.tm_year + 1900 == year && local.tm_mon + 1 == month &&
                   local.tm_mday == day && local.tm_hour == hours &&
                   local.tm_min == minutes && local.tm_sec == seconds;
    }
    EXPECT_TRUE(matched) << year << "-" << month << "-" << day << " " << hours << ":"
                         << minutes << ":" << seconds;
    EXPECT_EQ(GetFileDate(dir.path("missing").c_str(), &month, &day, &year), RTE_FILE_NOT_FOUND);
    EXPECT_EQ(RTE_GetFileTime("", &hours, &minutes, &seconds), RTE_FILE_BAD_PATH);
}

struct SplitCase {
    const char *path, *drive, *folder, *file;
};

void expectSplits(const SplitCase &c) {
    SCOPED_TRACE(c.path);
    char drive[RTE_MAX_PATHNAME_LEN], folder[RTE_MAX_PATHNAME_LEN], file[RTE_MAX_PATHNAME_LEN];
    ASSERT_EQ(SplitPath(c.path, drive, folder, file), 0);
    EXPECT_STREQ(drive, c.drive);
    EXPECT_STREQ(folder, c.folder);
    EXPECT_STREQ(file, c.file);
}

TEST(SplitPath, DriveFolderAndFile) {
#ifdef _WIN32
    const SplitCase cases[] = {
        {"C:\\dir\\sub\\name.ext", "C:", "\\dir\\sub\\", "name.ext"},
        {"C:name.ext", "C:", "", "name.ext"},
        {"C:\\", "C:", "\\", ""},
        {"dir/sub\\x", "", "dir/sub\\", "x"},
        {"name", "", "", "name"},
        {"", "", "", ""},
    };
#else
    const SplitCase cases[] = {
        {"/dir/sub/name.ext", "", "/dir/sub/", "name.ext"},
        {"/", "", "/", ""},
        {"rel/x.y.z", "", "rel/", "x.y.z"},
        {"name", "", "", "name"},
        {"C:\\dir\\x", "", "", "C:\\dir\\x"},
        {"", "", "", ""},
    };
#endif
    for (const SplitCase &c : cases) expectSplits(c);
}

TEST(SplitPath, NullOutputsAreSkippedAndLongPathsRefused) {
    char file[RTE_MAX_PATHNAME_LEN] = "untouched";
    EXPECT_EQ(SplitPath("a/b", nullptr, nullptr, file), 0);
    EXPECT_STREQ(file, "b");
    std::strcpy(file, "untouched");
    EXPECT_EQ(SplitPath(std::string(RTE_MAX_PATHNAME_LEN, 'x').c_str(), nullptr, nullptr, file),
              RTE_FILE_BAD_PATH);
    EXPECT_EQ(SplitPath(nullptr, nullptr, nullptr, file), RTE_FILE_BAD_PATH);
    EXPECT_STREQ(file, "untouched");
    EXPECT_EQ(SplitPath(std::string(RTE_MAX_PATHNAME_LEN - 1, 'x').c_str(), nullptr, nullptr, file),
              0);
    EXPECT_EQ(std::strlen(file), static_cast<size_t>(RTE_MAX_PATHNAME_LEN - 1));
}

int exportedGlobal = 42;
const RTE_PublicSymbol kSymbols[] = {{"exportedGlobal", &exportedGlobal}, {nullptr, nullptr}};

// Attach publishes the detach flag as 0, detach turns it to 1; symbols are found by name.
TEST(ProcessModel, AttachDetachAndTheFlag) {
    EXPECT_EQ(RTE_ReadDetachFlag(), 1) << "never attached reads as detached";
    EXPECT_EQ(CloseRTEDll(nullptr), -1);
    ASSERT_EQ(InitRTEDll(nullptr, kSymbols), 1);
    EXPECT_EQ(InitRTEDll(nullptr, nullptr), 1);
    EXPECT_TRUE(RTE_IsAttached());
    EXPECT_EQ(RTE_ReadDetachFlag(), 0);
    EXPECT_EQ(RTE_FindPublicSymbol("exportedGlobal"), &exportedGlobal);
    EXPECT_EQ(RTE_FindPublicSymbol("missing"), nullptr);
    EXPECT_EQ(UsingSupportDll(), 0);
    EXPECT_EQ(CloseRTEDll(nullptr), 0);
    EXPECT_FALSE(RTE_IsAttached());
    EXPECT_EQ(RTE_ReadDetachFlag(), 1);
    EXPECT_EQ(RTE_FindPublicSymbol("exportedGlobal"), nullptr);
}

void emptyTheList() {
    std::fputs("exit list emptied\n", stderr);
    std::fflush(stderr);
}

// The abnormal exit empties the program's exit list through the handed-over routine
// and ends the process with the given code.
TEST(ProcessModelDeathTest, AbnormalExitEmptiesTheListAndEndsWithTheCode) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            InitRTEDll(nullptr, nullptr);
            __RegisterAtExitCleanup(emptyTheList);
            RTEDllAbnormalExit(7);
        },
        ::testing::ExitedWithCode(7), "exit list emptied");
}

// The platform code matches what the system says of itself: Windows reports the NT
// family (so name lengths come without terminator), everything else is POSIX.
TEST(SystemFacts, PlatformCodeMatchesTheSystem) {
#ifdef _WIN32
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    ASSERT_TRUE(GetVersionExA(&version));
    ASSERT_EQ(version.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
    EXPECT_EQ(GetCurrentPlatform(), RTE_PLATFORM_WINNT);
#else
    EXPECT_EQ(GetCurrentPlatform(), RTE_PLATFORM_POSIX);
#endif
    EXPECT_EQ(RTE_PLATFORM_WIN16, 1);
    EXPECT_EQ(RTE_PLATFORM_WIN95, 2);
    EXPECT_EQ(RTE_PLATFORM_WINNT, 3);
    EXPECT_EQ(RTE_PLATFORM_POSIX, 4);
}

}  // namespace
