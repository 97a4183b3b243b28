// Temporary files: the candidate names in the location's folder, the five-character
// prefix, running past taken names, all 1000 taken, names too long for the buffer,
// open failures, null arguments, and the breaking bracket.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "test_support.h"
#include "toolbox.h"

using testing_support::LibraryErrorCounter;
using testing_support::ScratchDir;
namespace fs = std::filesystem;

namespace {

FILE *const kUntouchedStream = reinterpret_cast<FILE *>(0xdeadbeef);

class TemporaryFiles : public ::testing::Test {
protected:
    // A location path in the scratch folder; its file-name part must be ignored.
    std::string location() const { return dir.path("ignored.dat"); }
    std::string expected(const std::string &file) const { return dir.path(file); }

    // Calls with a poisoned name buffer (with room to spare, to catch overruns).
    int create(const std::string &where, const char *prefix, const char *extension,
               const char *mode = "wb") {
        std::memset(name, 0xbd, sizeof name);
        stream = kUntouchedStream;
        return CreateAndOpenTemporaryFile(where.c_str(), prefix, extension, mode, name, &stream);
    }
    void closeStream() {
        if (stream && stream != kUntouchedStream) std::fclose(stream);
        stream = kUntouchedStream;
    }
    void TearDown() override { closeStream(); }

    ScratchDir dir;
    char name[TB_MAX_PATHNAME_LEN + 32];
    FILE *stream = kUntouchedStream;
};

// The example: drive and folder of the location, five prefix characters, 0, the
// extension; the file is created and the stream writes to it.
TEST_F(TemporaryFiles, FirstNameIsNumberZeroWithAFivePrefix) {
    ASSERT_EQ(create(location(), "abcdefgh", "tmp"), 0);
    EXPECT_STREQ(name, expected("abcde0.tmp").c_str());
    ASSERT_NE(stream, kUntouchedStream);
    ASSERT_NE(stream, nullptr);
    EXPECT_GE(std::fputs("written", stream), 0);
    closeStream();
    EXPECT_EQ(testing_support::readFile(expected("abcde0.tmp")), "written");
    // nothing beyond the name's terminator was written
    for (size_t i = std::strlen(name) + 1; i < sizeof name; ++i)
        ASSERT_EQ(static_cast<unsigned char>(name[i]), 0xbd) << "byte " << i;
}

// Taken names are skipped; an untaken gap is used before later numbers.
TEST_F(TemporaryFiles, TakenNamesAreSkipped) {
    dir.write("abcde0.tmp", "taken");
    ASSERT_EQ(create(location(), "abcdefgh", "tmp"), 0);
    EXPECT_STREQ(name, expected("abcde1.tmp").c_str());
    closeStream();
    EXPECT_EQ(testing_support::readFile(expected("abcde0.tmp")), "taken");
    dir.write("ab2.x", "");
    ASSERT_EQ(create(location(), "ab", "x"), 0);
    EXPECT_STREQ(name, expected("ab0.x").c_str());
    closeStream();
    ASSERT_EQ(create(location(), "ab", "x"), 0);
    EXPECT_STREQ(name, expected("ab1.x").c_str());
    closeStream();
    ASSERT_EQ(create(location(), "ab", "x"), 0);
    EXPECT_STREQ(name, expected("ab3.x").c_str());
}

// A folder that is there counts as a taken name too.
TEST_F(TemporaryFiles, AFolderTakesAName) {
    fs::create_directory(dir.path("t0.e"));
    ASSERT_EQ(create(location(), "t", "e"), 0);
    EXPECT_STREQ(name, expected("t1.e").c_str());
}

// A dangling link holds its name: nothing is made where it points.
TEST_F(TemporaryFiles, ADanglingLinkTakesAName) {
    std::string link = testing_support::danglingLink(dir, "t0.e");
    if (link.empty()) GTEST_SKIP() << "no symbolic links here";
    ASSERT_EQ(create(location(), "t", "e"), 0);
    EXPECT_STREQ(name, expected("t1.e").c_str());
    EXPECT_FALSE(fs::exists(link)) << "a file was made through the link";
}

// An empty prefix and an empty extension are allowed.
TEST_F(TemporaryFiles, EmptyPrefixAndExtension) {
    ASSERT_EQ(create(location(), "", ""), 0);
    EXPECT_STREQ(name, expected("0.").c_str());
}

// Number 999 is the last candidate; with all 1000 taken the result is
// TbErrNoTempFileName and the buffer holds the last name tried.
TEST_F(TemporaryFiles, AllThousandNamesTaken) {
    for (int n = 0; n < 999; ++n) dir.write("p" + std::to_string(n) + ".t", "");
    ASSERT_EQ(create(location(), "p", "t"), 0);
    EXPECT_STREQ(name, expected("p999.t").c_str());
    closeStream();
    EXPECT_EQ(create(location(), "p", "t"), TbErrNoTempFileName);
    EXPECT_STREQ(name, expected("p999.t").c_str());
    EXPECT_EQ(stream, kUntouchedStream);
    EXPECT_FALSE(fs::exists(expected("p1000.t")));
}

// A free name that cannot be opened: TbErrTempFileCreate, the stream untouched.
TEST_F(TemporaryFiles, OpenFailure) {
    std::string missingFolder = (fs::path(dir.path("no-such-folder")) / "x").string();
    EXPECT_EQ(create(missingFolder, "abc", "tmp"), TbErrTempFileCreate);
    EXPECT_EQ(stream, kUntouchedStream);
#ifndef _WIN32
    // a mode the C library refuses (some Windows C runtimes end the process instead)
    EXPECT_EQ(create(location(), "abc", "tmp", "q"), TbErrTempFileCreate);
    EXPECT_EQ(stream, kUntouchedStream);
#endif
}

// Names that would not fit in 259 characters are never written: -100.
TEST_F(TemporaryFiles, NamesTooLongForTheBuffer) {
    std::string folder = dir.path();
    std::string separator = location().substr(folder.size(), 1);
    size_t room = TB_MAX_PATHNAME_LEN - 1 - folder.size() - separator.size();
    // prefix "p", number "0", "." and the extension exactly fill 259 characters
    std::string fits(room - 3, 'e');
    ASSERT_EQ(create(location(), "p", fits.c_str()), 0);
    EXPECT_EQ(std::strlen(name), 259u);
    closeStream();
    std::remove(name);

    std::string tooLong(room - 2, 'e');
    EXPECT_EQ(create(location(), "p", tooLong.c_str()), -100);
    EXPECT_EQ(stream, kUntouchedStream);
    EXPECT_EQ(static_cast<unsigned char>(name[0]), 0xbd) << "nothing written";

    // the one-digit names fit, but number 10 would not
    std::string exact(room - 3, 'e');
    for (int n = 0; n < 10; ++n) dir.write("p" + std::to_string(n) + "." + exact, "");
    EXPECT_EQ(create(location(), "p", exact.c_str()), -100);
    EXPECT_EQ(stream, kUntouchedStream);
    EXPECT_STREQ(name, expected("p9." + exact).c_str()) << "the last name that fitted";
    for (size_t i = 260; i < sizeof name; ++i)
        ASSERT_EQ(static_cast<unsigned char>(name[i]), 0xbd) << "byte " << i;

    // a location the engine refuses
    EXPECT_EQ(create(std::string(300, 'L'), "p", "t"), -100);
}

TEST_F(TemporaryFiles, NullArgumentsAreRefused) {
    const std::string where = location();
    EXPECT_EQ(create(where, nullptr, "t"), -65);
    EXPECT_EQ(create(where, "p", nullptr), -65);
    EXPECT_EQ(create(where, "p", "t", nullptr), -65);
    EXPECT_EQ(static_cast<unsigned char>(name[0]), 0xbd);
    EXPECT_EQ(stream, kUntouchedStream);
    EXPECT_EQ(CreateAndOpenTemporaryFile(nullptr, "p", "t", "wb", name, &stream), -65);
    EXPECT_EQ(CreateAndOpenTemporaryFile(where.c_str(), "p", "t", "wb", nullptr, &stream), -65);
    EXPECT_EQ(CreateAndOpenTemporaryFile(where.c_str(), "p", "t", "wb", name, nullptr), -65);
    EXPECT_EQ(stream, kUntouchedStream);
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

// Asking about names that are not there raises no break; the setting is kept.
TEST_F(TemporaryFiles, QuietAndSettingRestored) {
    {
        LibraryErrorCounter counter;
        EXPECT_EQ(create(location(), "q", "t"), 0);
        closeStream();
        EXPECT_EQ(create((fs::path(dir.path("none")) / "x").string(), "q", "t"),
                  TbErrTempFileCreate);
        EXPECT_EQ(counter.reports(), 0);
        EXPECT_EQ(GetBreakOnLibraryErrors(), 1);
    }
    int found = SetBOLE(0);
    EXPECT_EQ(create(location(), "q", "t"), 0);
    EXPECT_EQ(GetBreakOnLibraryErrors(), 0);
    SetBOLE(found);
}

}  // namespace
