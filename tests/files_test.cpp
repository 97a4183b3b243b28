// File operations: existence and size, writability, quiet removal, replace-by-rename,
// stream size, and the break-on-library-errors bracket around each.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

#include "test_support.h"
#include "toolbox.h"

using testing_support::LibraryErrorCounter;
using testing_support::ScratchDir;
namespace fs = std::filesystem;

namespace {

void makeReadOnly(const std::string &path) {
#ifdef _WIN32
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
#else
    fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
#endif
}

// Root on POSIX systems (and Wine run by root) may write read-only files: find out
// whether this machine enforces the read-only state before relying on it.
bool readOnlyIsEnforced(const ScratchDir &dir) {
    std::string probe = dir.write("probe.txt", "p");
    makeReadOnly(probe);
    FILE *stream = std::fopen(probe.c_str(), "r+b");
    if (stream) std::fclose(stream);
    return stream == nullptr;
}

class Files : public ::testing::Test {
protected:
    ScratchDir dir;
};

TEST_F(Files, FileExistsReportsPresenceAndSize) {
    int size = 1234;
    EXPECT_EQ(FileExists(dir.write("empty", "").c_str(), &size), 1);
    EXPECT_EQ(size, 0);
    EXPECT_EQ(FileExists(dir.write("three", "abc").c_str(), &size), 1);
    EXPECT_EQ(size, 3);
    EXPECT_EQ(FileExists(dir.path("missing").c_str(), &size), 0);
    EXPECT_EQ(size, -1);
    EXPECT_EQ(FileExists(dir.path("missing/deeper").c_str(), &size), 0);
    EXPECT_EQ(size, -1);
    EXPECT_EQ(FileExists(dir.path("three").c_str(), nullptr), 1);
    EXPECT_EQ(FileExists(dir.path("missing").c_str(), nullptr), 0);
}

// What is not a plain file, and a path the engine refuses, are failures, not absences.
TEST_F(Files, FileExistsFailuresAreIoErrors) {
    int size = 1234;
    EXPECT_EQ(FileExists(dir.path().c_str(), &size), -93);
    EXPECT_EQ(size, -1);
    EXPECT_EQ(FileExists(std::string(300, 'x').c_str(), &size), -93);
    EXPECT_EQ(FileExists(nullptr, &size), -93);
}

// The bracket: a missing file raises no break, and the setting is left as found.
TEST_F(Files, QuietOnFailureAndSettingRestored) {
    std::string missing = dir.path("missing");
    std::string target = dir.path("target");
    int writable = 0;
    long size = 0;
    {
        LibraryErrorCounter counter;
        EXPECT_EQ(FileExists(missing.c_str(), nullptr), 0);
        EXPECT_EQ(GetFileWritability(missing.c_str(), &writable), 0);
        RemoveFileIfExists(missing.c_str());
        EXPECT_EQ(DeleteAndRename(missing.c_str(), target.c_str()), -94);
        EXPECT_EQ(counter.reports(), 0);
        EXPECT_EQ(GetBreakOnLibraryErrors(), 1);
    }
    int found = SetBOLE(0);
    EXPECT_EQ(FileExists(missing.c_str(), nullptr), 0);
    EXPECT_EQ(DeleteAndRename(missing.c_str(), target.c_str()), -94);
    EXPECT_EQ(GetBreakOnLibraryErrors(), 0) << "never switched on when it was off";
    SetBOLE(found);
    (void)size;
}

TEST_F(Files, WritabilityOfMissingAndPresentFiles) {
    int writable = -7;
    std::string missing = dir.path("new.txt");
    EXPECT_EQ(GetFileWritability(missing.c_str(), &writable), 0);
    EXPECT_EQ(writable, 1);
    EXPECT_FALSE(fs::exists(missing)) << "the probe leaves no file behind";

    std::string present = dir.write("present.txt", "keep me");
    writable = -7;
    EXPECT_EQ(GetFileWritability(present.c_str(), &writable), 0);
    EXPECT_EQ(writable, 1);
    EXPECT_EQ(testing_support::readFile(present), "keep me");

    writable = -7;
    EXPECT_EQ(GetFileWritability(dir.path("no-folder/x.txt").c_str(), &writable), 0);
    EXPECT_EQ(writable, 0);
    EXPECT_EQ(GetFileWritability(nullptr, &writable), -65);
    EXPECT_EQ(GetFileWritability(present.c_str(), nullptr), -65);
}

TEST_F(Files, ReadOnlyFileIsNotWritable) {
    if (!readOnlyIsEnforced(dir)) GTEST_SKIP() << "read-only files are writable here (root)";
    std::string path = dir.write("ro.txt", "data");
    makeReadOnly(path);
    int writable = -7;
    EXPECT_EQ(GetFileWritability(path.c_str(), &writable), 0);
    EXPECT_EQ(writable, 0);
    EXPECT_EQ(testing_support::readFile(path), "data");
}

TEST_F(Files, RemoveFileIfExists) {
    std::string path = dir.write("doomed", "x");
    RemoveFileIfExists(path.c_str());
    EXPECT_FALSE(fs::exists(path));
    RemoveFileIfExists(path.c_str());
    RemoveFileIfExists(nullptr);
}

TEST_F(Files, DeleteAndRenameReplacesTheTarget) {
    std::string source = dir.write("source", "new contents");
    std::string target = dir.write("target", "old");
    EXPECT_EQ(DeleteAndRename(source.c_str(), target.c_str()), 0);
    EXPECT_EQ(testing_support::readFile(target), "new contents");
    EXPECT_FALSE(fs::exists(source));
    std::string fresh = dir.path("fresh");
    EXPECT_EQ(DeleteAndRename(target.c_str(), fresh.c_str()), 0);
    EXPECT_EQ(testing_support::readFile(fresh), "new contents");
}

// A missing source must not cost the caller the target.
TEST_F(Files, DeleteAndRenameWithMissingSourceKeepsTheTarget) {
    std::string target = dir.write("target", "precious");
    EXPECT_EQ(DeleteAndRename(dir.path("missing").c_str(), target.c_str()), -94);
    EXPECT_EQ(testing_support::readFile(target), "precious");
}

TEST_F(Files, DeleteAndRenameCodes) {
    std::string source = dir.write("source", "x");
    EXPECT_EQ(DeleteAndRename(source.c_str(), dir.path("none/target").c_str()), -94);
    EXPECT_EQ(DeleteAndRename(source.c_str(), ""), -100);
    EXPECT_EQ(DeleteAndRename(source.c_str(), std::string(300, 't').c_str()), -100);
    EXPECT_EQ(DeleteAndRename(nullptr, dir.path("t").c_str()), -100);
    EXPECT_TRUE(fs::exists(source));
}

TEST_F(Files, BinaryFileSizeKeepsThePosition) {
    std::string path = dir.write("data.bin", std::string(1000, 'z'));
    FILE *stream = std::fopen(path.c_str(), "rb");
    ASSERT_NE(stream, nullptr);
    ASSERT_EQ(std::fseek(stream, 123, SEEK_SET), 0);
    long size = -1;
    EXPECT_EQ(BinaryFileSize(stream, &size), 0);
    EXPECT_EQ(size, 1000);
    EXPECT_EQ(std::ftell(stream), 123);
    EXPECT_EQ(BinaryFileSize(stream, nullptr), -65);
    EXPECT_EQ(BinaryFileSize(nullptr, &size), -65);
    std::fclose(stream);
}

}  // namespace
