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

// A query never changes the file it asks about: a file reached by a path longer than
// the engine takes (legal on POSIX) is opened for update, never truncated or removed.
TEST_F(Files, WritabilityOfAFileBeyondTheEnginesPathLimit) {
    std::string path = dir.write(std::string(250, 'w'), "keep me");
    if (testing_support::readFile(path) != "keep me") GTEST_SKIP() << "no such long paths here";
    ASSERT_GE(path.size(), static_cast<size_t>(TB_MAX_PATHNAME_LEN));
    int writable = -7;
    EXPECT_EQ(GetFileWritability(path.c_str(), &writable), 0);
    EXPECT_EQ(writable, 1);
    EXPECT_EQ(testing_support::readFile(path), "keep me");
}

// A dangling link is not a missing file: the link stays and nothing is made through it.
TEST_F(Files, WritabilityOfADanglingLink) {
    std::string link = testing_support::danglingLink(dir, "link");
    if (link.empty()) GTEST_SKIP() << "no symbolic links here";
    int writable = -7;
    EXPECT_EQ(GetFileWritability(link.c_str(), &writable), 0);
    EXPECT_EQ(writable, 0);
    EXPECT_TRUE(fs::is_symlink(link)) << "the link was removed";
    EXPECT_FALSE(fs::exists(link)) << "a file was made where the link points";
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

// Files only, on every platform: an empty folder stays; a link goes, not what it names.
TEST_F(Files, RemoveFileIfExists) {
    std::string path = dir.write("doomed", "x");
    RemoveFileIfExists(path.c_str());
    EXPECT_FALSE(fs::exists(path));
    RemoveFileIfExists(path.c_str());
    RemoveFileIfExists(nullptr);
    fs::create_directory(dir.path("folder"));
    RemoveFileIfExists(dir.path("folder").c_str());
    EXPECT_TRUE(fs::is_directory(dir.path("folder")));
    std::string link = testing_support::danglingLink(dir, "link");
    if (link.empty()) return;
    RemoveFileIfExists(link.c_str());
    EXPECT_FALSE(fs::is_symlink(link));
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

// Nothing is removed when the rename cannot work: a source that is missing, a folder or
// a path the engine refuses (null, empty, too long), and a target that is a folder or a
// path the engine refuses, though on POSIX a long path may still name a file.
TEST_F(Files, DeleteAndRenameChecksBeforeRemovingAnything) {
    const std::string source = dir.write("source", "new");
    const std::string target = dir.write("target", "precious");
    const std::string folder = dir.path("folder");
    fs::create_directory(folder);
    const std::string longTarget = dir.write(std::string(250, 't'), "long and precious");
    const std::string missing = dir.path("missing"), noFolder = dir.path("none/target");
    const std::string tooLong(300, 's');
    struct Case {
        const char *source, *target;
        int code;
    } cases[] = {
        {missing.c_str(), target.c_str(), -94},     {nullptr, target.c_str(), -100},
        {"", target.c_str(), -100},                 {tooLong.c_str(), target.c_str(), -100},
        {folder.c_str(), target.c_str(), -93},      {source.c_str(), folder.c_str(), -93},
        {source.c_str(), longTarget.c_str(), -100}, {source.c_str(), nullptr, -100},
        {source.c_str(), "", -100},                 {source.c_str(), tooLong.c_str(), -100},
        {source.c_str(), noFolder.c_str(), -94},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.source ? c.source : "(null)") + " -> " +
                     (c.target ? c.target : "(null)"));
        EXPECT_EQ(DeleteAndRename(c.source, c.target), c.code);
        EXPECT_EQ(testing_support::readFile(source), "new");
        EXPECT_EQ(testing_support::readFile(target), "precious");
        EXPECT_TRUE(fs::is_directory(folder));
        if (fs::exists(longTarget)) {
            EXPECT_EQ(testing_support::readFile(longTarget), "long and precious");
        }
    }
}

// One file under two names (the same spelling, or another spelling of it) is left as it
// is: the target already holds the source.
TEST_F(Files, DeleteAndRenameOfAFileOntoItselfKeepsIt) {
    const std::string file = dir.write("f", "only copy");
    const std::string other = (fs::path(dir.path()) / "." / "f").string();
    const std::pair<std::string, std::string> cases[] = {{file, file}, {other, file}, {file, other}};
    for (const auto &names : cases) {
        SCOPED_TRACE(names.first + " -> " + names.second);
        EXPECT_EQ(DeleteAndRename(names.first.c_str(), names.second.c_str()), 0);
        EXPECT_EQ(testing_support::readFile(file), "only copy");
    }
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
