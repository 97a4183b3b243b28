// Path names: component, extension and dot finding as tables of Windows paths, the two
// writers (exact output, no overrun, aliasing, over-long results), drive skipping,
// absolute paths, and the assertions on null paths.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "assertion_capture.h"
#include "test_support.h"
#include "toolbox.h"

namespace {

// Where a path points into its string, as an index, so a failure prints something
// readable and a pointer outside the string cannot pass.
long indexIn(const char *path, const char *result) { return static_cast<long>(result - path); }

struct FindCase {
    const char *path;
    const char *fileName;   // what FindFileName points at
    const char *extension;  // what FindFileExtension points at
    const char *fromDot;    // what FindFileDotPosition points at
};

class FindParts : public ::testing::TestWithParam<FindCase> {};

// Each finder points into the caller's string at the expected text.
TEST_P(FindParts, PointsAtTheExpectedPart) {
    const FindCase &c = GetParam();
    size_t length = std::strlen(c.path);
    auto expectSuffix = [&](const char *found, const char *expected, const char *what) {
        SCOPED_TRACE(what);
        ASSERT_GE(indexIn(c.path, found), 0);
        ASSERT_LE(indexIn(c.path, found), static_cast<long>(length));
        EXPECT_STREQ(found, expected);
        EXPECT_EQ(indexIn(c.path, found), static_cast<long>(length - std::strlen(expected)));
    };
    expectSuffix(FindFileName(c.path), c.fileName, "FindFileName");
    expectSuffix(FindFileExtension(c.path), c.extension, "FindFileExtension");
    expectSuffix(FindFileDotPosition(c.path), c.fromDot, "FindFileDotPosition");
}

INSTANTIATE_TEST_SUITE_P(
    Table, FindParts,
    ::testing::Values(FindCase{"C:\\dir\\file.txt", "file.txt", "txt", ".txt"},
                      FindCase{"C:file.txt", "file.txt", "txt", ".txt"},
                      FindCase{"file.txt", "file.txt", "txt", ".txt"},
                      FindCase{"C:\\dir\\", "dir\\", "", ""},
                      FindCase{"", "", "", ""},
                      FindCase{"\\", "\\", "", ""},
                      FindCase{"x", "x", "", ""},
                      // a dot in a folder name is not an extension
                      FindCase{"a\\b.c\\d", "d", "", ""},
                      // a name ending in a dot: empty extension, the dot is found
                      FindCase{"file.", "file.", "", "."},
                      // a leading dot does not start an extension
                      FindCase{".profile", ".profile", "", ""},
                      FindCase{"C:\\dir\\.profile", ".profile", "", ""},
                      FindCase{"C:\\dir\\a.b.c", "a.b.c", "c", ".c"},
                      FindCase{"a..", "a..", "", "."},
                      // a forward slash is an ordinary character
                      FindCase{"C:/dir/file.txt", "/dir/file.txt", "txt", ".txt"},
                      FindCase{"dir/sub.d/name", "dir/sub.d/name", "d/name", ".d/name"},
                      // the colon of a stream name separates too
                      FindCase{"C:\\f.txt:stream", "stream", "", ""}));

// The extension may be at most 254 characters long.
TEST(PathNames, LongestExtensionIs254Characters) {
    std::string fits = "C:\\dir\\name." + std::string(254, 'e');
    EXPECT_EQ(std::strlen(FindFileExtension(fits.c_str())), 254u);
    EXPECT_EQ(*FindFileDotPosition(fits.c_str()), '.');

    std::string tooLong = "C:\\dir\\name." + std::string(255, 'e');
    EXPECT_STREQ(FindFileExtension(tooLong.c_str()), "");
    EXPECT_STREQ(FindFileDotPosition(tooLong.c_str()), "");
}

struct ChangeCase {
    const char *fileName;
    const char *replacement;
    const char *expected;
};

class ChangeExtension : public ::testing::TestWithParam<ChangeCase> {};
class ChangeBase : public ::testing::TestWithParam<ChangeCase> {};

// Runs writer into a poisoned buffer and checks the result and that nothing beyond its
// terminator was written.
template <typename Writer>
void expectWritten(Writer writer, const ChangeCase &c) {
    char out[TB_MAX_PATHNAME_LEN + 16];
    std::memset(out, 0xbd, sizeof out);
    writer(c.fileName, out, c.replacement);
    EXPECT_STREQ(out, c.expected);
    for (size_t i = std::strlen(c.expected) + 1; i < sizeof out; ++i)
        ASSERT_EQ(static_cast<unsigned char>(out[i]), 0xbd) << "byte " << i << " written";
}

TEST_P(ChangeExtension, WritesExactlyTheResult) {
    expectWritten(ChangeFileNameExtension, GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Table, ChangeExtension,
    ::testing::Values(ChangeCase{"C:\\dir\\a.b.c", "txt", "C:\\dir\\a.b.txt"},
                      ChangeCase{"C:\\dir\\name", "txt", "C:\\dir\\name.txt"},
                      ChangeCase{".profile", "txt", ".profile.txt"},
                      ChangeCase{"name.txt", "", "name."},
                      ChangeCase{"name.", "c", "name.c"},
                      ChangeCase{"a\\b.c\\d", "e", "a\\b.c\\d.e"},
                      ChangeCase{"", "txt", ".txt"},
                      ChangeCase{"C:\\dir\\", "txt", "C:\\dir\\.txt"},
                      ChangeCase{"file.verylongextension", "c", "file.c"}));

TEST_P(ChangeBase, WritesExactlyTheResult) { expectWritten(ChangeBaseFileName, GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    Table, ChangeBase,
    ::testing::Values(ChangeCase{"C:\\dir\\old.txt", "new.dat", "C:\\dir\\new.dat"},
                      ChangeCase{"C:old.txt", "new", "C:new"},
                      ChangeCase{"old.txt", "new.dat", "new.dat"},
                      ChangeCase{"C:\\dir\\", "x", "C:\\x"},
                      ChangeCase{"C:\\dir\\old", "", "C:\\dir\\"},
                      ChangeCase{"", "new", "new"},
                      ChangeCase{"C:\\a\\averyverylongname.txt", "b", "C:\\a\\b"}));

// A buffer sized for a shorter result is not overrun by copying the whole source first.
TEST(PathNames, WritersNeedRoomOnlyForTheResult) {
    const char *source = "C:\\d\\name.longextension";
    char out[16];
    std::memset(out, 0xbd, sizeof out);
    ChangeFileNameExtension(source, out, "c");  // "C:\d\name.c" is 11 characters
    EXPECT_STREQ(out, "C:\\d\\name.c");
    EXPECT_EQ(static_cast<unsigned char>(out[12]), 0xbd);

    std::memset(out, 0xbd, sizeof out);
    ChangeBaseFileName("C:\\d\\averyverylongname.txt", out, "b");
    EXPECT_STREQ(out, "C:\\d\\b");
    EXPECT_EQ(static_cast<unsigned char>(out[7]), 0xbd);
}

// The output may be the source itself, in place.
TEST(PathNames, WritersWorkInPlace) {
    char path[TB_MAX_PATHNAME_LEN] = "C:\\dir\\report.txt";
    ChangeFileNameExtension(path, path, "bak");
    EXPECT_STREQ(path, "C:\\dir\\report.bak");
    ChangeBaseFileName(path, path, "summary.csv");
    EXPECT_STREQ(path, "C:\\dir\\summary.csv");
    // the replacement taken from the output buffer itself
    char same[TB_MAX_PATHNAME_LEN] = "C:\\x\\name.abc";
    ChangeFileNameExtension(same, same, FindFileExtension(same) - 5);  // "name.abc"
    EXPECT_STREQ(same, "C:\\x\\name.name.abc");
}

// Results longer than a path may be are refused as "", and nothing more is written.
TEST(PathNames, OverlongResultsAreRefused) {
    std::string folder = "C:\\" + std::string(250, 'f') + "\\";  // 254 characters
    char out[TB_MAX_PATHNAME_LEN + 8];

    std::memset(out, 0xbd, sizeof out);
    ChangeBaseFileName((folder + "x").c_str(), out, "12345");  // 259: fits
    EXPECT_EQ(std::strlen(out), 259u);
    std::memset(out, 0xbd, sizeof out);
    ChangeBaseFileName((folder + "x").c_str(), out, "123456");  // 260: refused
    EXPECT_STREQ(out, "");
    EXPECT_EQ(static_cast<unsigned char>(out[1]), 0xbd);

    std::memset(out, 0xbd, sizeof out);
    ChangeFileNameExtension((folder + "n").c_str(), out, "abc");  // 259
    EXPECT_EQ(std::strlen(out), 259u);
    std::memset(out, 0xbd, sizeof out);
    ChangeFileNameExtension((folder + "n").c_str(), out, "abcd");  // 260
    EXPECT_STREQ(out, "");
    EXPECT_EQ(static_cast<unsigned char>(out[1]), 0xbd);
}

TEST(PathNames, SkipDriveName) {
    const char *path = "C:\\dir";
    EXPECT_EQ(SkipDriveName(path), path + 2);
    const char *digit = "1:abc";  // the drive letter is not checked
    EXPECT_STREQ(SkipDriveName(digit), "abc");
    const char *bare = "C:";
    EXPECT_EQ(SkipDriveName(bare), bare + 2);
    const char *none = "\\dir";
    EXPECT_EQ(SkipDriveName(none), none);
    const char *single = "C";
    EXPECT_EQ(SkipDriveName(single), single);
    const char *empty = "";
    EXPECT_EQ(SkipDriveName(empty), empty);
    const char *colonFirst = ":x";
    EXPECT_EQ(SkipDriveName(colonFirst), colonFirst);
    EXPECT_EQ(SkipDriveName(nullptr), nullptr);
}

struct AbsoluteCase {
    const char *path;
    int expected;
};

class Absolute : public ::testing::TestWithParam<AbsoluteCase> {};

TEST_P(Absolute, Verdict) { EXPECT_EQ(IsAbsolutePath(GetParam().path), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(Table, Absolute,
                         ::testing::Values(AbsoluteCase{"C:\\x", 1}, AbsoluteCase{"\\x", 1},
                                           AbsoluteCase{"\\\\server\\share", 1},
                                           AbsoluteCase{"C:x", 0}, AbsoluteCase{"x\\y", 0},
                                           AbsoluteCase{"/usr/x", 0}, AbsoluteCase{"C:/x", 0},
                                           AbsoluteCase{"C:", 0}, AbsoluteCase{"", 0},
                                           AbsoluteCase{nullptr, 0}));

// ---- assertions on null arguments ----------------------------------------------

// What the last call checked with EXPECT_ASSERTS showed before its child died.
std::string lastShown;
std::string shown() { return lastShown; }

#define EXPECT_ASSERTS(statement) \
    (lastShown = testing_support::assertionShownBy([&] { statement; }))

TEST(PathNamesDeathTest, FindersAssertOnNullPath) {
    EXPECT_ASSERTS(FindFileName(nullptr));
    EXPECT_NE(shown().find("Null pathString parameter passed to FindFileName"), std::string::npos);
    EXPECT_ASSERTS(FindFileExtension(nullptr));
    EXPECT_NE(shown().find("Null pathString parameter passed to FindFileExtension"),
              std::string::npos);
    EXPECT_ASSERTS(FindFileDotPosition(nullptr));
    EXPECT_NE(shown().find("Null pathString parameter passed to FindFileDotPosition"),
              std::string::npos);
}

TEST(PathNamesDeathTest, WritersAssertOnNullArguments) {
    char out[TB_MAX_PATHNAME_LEN];
    EXPECT_ASSERTS(ChangeFileNameExtension(nullptr, out, "txt"));
    EXPECT_NE(shown().find("Null parameters passed to ChangeFileNameExtension"),
              std::string::npos);
    EXPECT_ASSERTS(ChangeFileNameExtension("a.b", nullptr, "txt"));
    EXPECT_NE(shown().find("Null parameters passed to ChangeFileNameExtension"),
              std::string::npos);
    EXPECT_ASSERTS(ChangeFileNameExtension("a.b", out, nullptr));
    EXPECT_NE(shown().find("ChangeFileNameExtension"), std::string::npos);
    EXPECT_ASSERTS(ChangeBaseFileName("a.b", out, nullptr));
    EXPECT_NE(shown().find("Null parameters passed to ChangeBaseFileName"), std::string::npos);
    EXPECT_ASSERTS(ChangeBaseFileName(nullptr, out, "x"));
    EXPECT_NE(shown().find("Assert|"), std::string::npos);
}

}  // namespace
