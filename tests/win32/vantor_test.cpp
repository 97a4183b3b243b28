// The shortcut task end to end: vantor.exe run as a process the way an installer runs
// it (exit code from GetExitCodeProcess), and the task's functions called in-process
// where the fixed buffers are at stake. The shell-folder values of the registry are
// pointed at folders of a scratch directory and restored afterwards; a named mutex
// keeps test processes that share the registry from running at the same time.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "test_support.h"
#include "vantor.h"

using testing_support::ScratchDir;
namespace fs = std::filesystem;

namespace {

constexpr char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char kShortcutName[] = "nimbrova 2.0 beta release.lnk";
constexpr DWORD kExitMinusOne = 0xFFFFFFFFu;

// One registry value as it was before a test: its type and bytes, or absent.
struct SavedValue {
    SavedValue(HKEY rootKey, const char *valueName) : root(rootKey), name(valueName) {}
    HKEY root;
    const char *name;
    bool present = false;
    DWORD type = 0;
    std::vector<BYTE> data;
};

class ShellFolderValues {
public:
    ShellFolderValues() {
        mutex_ = CreateMutexA(nullptr, FALSE, "toolbox vantor test shell folders");
        if (mutex_) WaitForSingleObject(mutex_, 120000);
        for (SavedValue &value : saved_) save(value);
    }
    ~ShellFolderValues() {
        for (SavedValue &value : saved_) restore(value);
        if (mutex_) {
            ReleaseMutex(mutex_);
            CloseHandle(mutex_);
        }
    }
    ShellFolderValues(const ShellFolderValues &) = delete;
    ShellFolderValues &operator=(const ShellFolderValues &) = delete;

    static void set(HKEY root, const char *name, const std::string &path, DWORD type = REG_SZ) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(root, kShellFolders, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE *>(path.c_str()),
                       static_cast<DWORD>(path.size() + 1));
        RegCloseKey(key);
    }
    static void remove(HKEY root, const char *name) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(root, kShellFolders, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
        RegDeleteValueA(key, name);
        RegCloseKey(key);
    }

private:
    static void save(SavedValue &value) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(value.root, kShellFolders, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return;
        DWORD size = 0;
        if (RegQueryValueExA(key, value.name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
            value.data.resize(size);
            value.present = RegQueryValueExA(key, value.name, nullptr, &value.type,
                                             value.data.data(), &size) == ERROR_SUCCESS;
            value.data.resize(size);
        }
        RegCloseKey(key);
    }
    static void restore(const SavedValue &value) {
        HKEY key = nullptr;
        if (RegCreateKeyExA(value.root, kShellFolders, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            return;
        if (value.present)
            RegSetValueExA(key, value.name, 0, value.type, value.data.data(),
                           static_cast<DWORD>(value.data.size()));
        else
            RegDeleteValueA(key, value.name);
        RegCloseKey(key);
    }

    HANDLE mutex_ = nullptr;
    SavedValue saved_[4] = {{HKEY_CURRENT_USER, "Desktop"},
                            {HKEY_LOCAL_MACHINE, "Common Desktop"},
                            {HKEY_LOCAL_MACHINE, "Common Programs"},
                            {HKEY_CURRENT_USER, "Programs"}};
};

std::string ownFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH - 1);
    return fs::path(path).parent_path().string();
}

// Runs vantor.exe with a command line (program name included) and gives its exit code
// as a parent process sees it.
DWORD runVantor(const std::string &commandLine, const char *application = nullptr) {
    std::string exe = ownFolder() + "\\vantor.exe";
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(application ? application : exe.c_str(), line.data(), nullptr, nullptr,
                        FALSE, 0, nullptr, nullptr, &startup, &process)) {
        ADD_FAILURE() << "CreateProcessA failed: " << GetLastError();
        return 0xdeadbeef;
    }
    DWORD code = 0xdeadbeef;
    if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "vantor.exe did not end";
        TerminateProcess(process.hProcess, 99);
    }
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

std::string quotedExe() { return "\"" + ownFolder() + "\\vantor.exe\""; }

// Four folders in a scratch directory, registered as the shell folders.
class VantorTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char *name : {"desktop", "common desktop", "common programs", "programs"})
            fs::create_directories(dir.path(name));
        ShellFolderValues::set(HKEY_CURRENT_USER, "Desktop", desktop());
        ShellFolderValues::set(HKEY_LOCAL_MACHINE, "Common Desktop", commonDesktop());
        ShellFolderValues::set(HKEY_LOCAL_MACHINE, "Common Programs", commonPrograms());
        ShellFolderValues::set(HKEY_CURRENT_USER, "Programs", programs());
    }

    std::string desktop() const { return dir.path("desktop"); }
    std::string commonDesktop() const { return dir.path("common desktop"); }
    std::string commonPrograms() const { return dir.path("common programs"); }
    std::string programs() const { return dir.path("programs"); }

    // Places group\nimbrova.lnk with content in a programs folder.
    void placeSource(const std::string &programsFolder, const std::string &content) const {
        fs::create_directories(fs::path(programsFolder) / "Nimbrova");
        std::ofstream(fs::path(programsFolder) / "Nimbrova" / "nimbrova.lnk", std::ios::binary)
            << content;
    }
    static std::string placed(const std::string &desktopFolder) {
        return (fs::path(desktopFolder) / kShortcutName).string();
    }
    static size_t entries(const std::string &folder) {
        return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
    }

    ShellFolderValues values;
    ScratchDir dir;
    const std::string allUsersBytes = std::string("L\0\0\0all users\xff\x01", 16);
    const std::string perUserBytes = std::string("L\0\0\0per user\x80", 13);
};

// --- The program as a process ---

// Three arguments (or none) end with -1 before anything is read or written.
TEST_F(VantorTest, FewerThanFourArgumentsExitMinusOneAndTouchNothing) {
    placeSource(commonPrograms(), allUsersBytes);
    EXPECT_EQ(runVantor(quotedExe() + " a b c"), kExitMinusOne);
    EXPECT_EQ(runVantor(quotedExe()), kExitMinusOne);
    EXPECT_EQ(runVantor(quotedExe() + " a \"b c\" d"), kExitMinusOne) << "quoted words are one";
    EXPECT_EQ(entries(desktop()), 0u);
    EXPECT_EQ(entries(commonDesktop()), 0u);
}

// Four arguments copy the all-users shortcut to the desktop byte for byte.
TEST_F(VantorTest, FourArgumentsCopyTheShortcutByteForByte) {
    placeSource(commonPrograms(), allUsersBytes);
    EXPECT_EQ(runVantor(quotedExe() + " \"C:\\Program Files\\Nimbrova\" C:\\setup x y"), 0u);
    EXPECT_EQ(testing_support::readFile(placed(desktop())), allUsersBytes);
    EXPECT_EQ(entries(desktop()), 1u);
    EXPECT_EQ(entries(commonDesktop()), 0u);
}

// The program name on the command line need not be its real name, nor quoted; an
// empty quoted argument counts.
TEST_F(VantorTest, CommandLineNameAndEmptyArgumentsCount) {
    placeSource(commonPrograms(), allUsersBytes);
    std::string exe = ownFolder() + "\\vantor.exe";
    EXPECT_EQ(runVantor("setup.exe a b c", exe.c_str()), kExitMinusOne);
    EXPECT_EQ(runVantor("setup.exe a \"\" \"\" d", exe.c_str()), 0u);
    EXPECT_EQ(testing_support::readFile(placed(desktop())), allUsersBytes);
}

// A program started from a folder with spaces, its quoted name first on the command
// line: the tail starts behind the closing quote, so exactly four arguments remain.
TEST_F(VantorTest, QuotedProgramPathWithSpaces) {
    placeSource(commonPrograms(), allUsersBytes);
    fs::path installed = fs::path(dir.path("Program Files")) / "Nimbrova setup";
    fs::create_directories(installed);
    for (const char *file : {"vantor.exe", "rtengine.dll"})
        fs::copy_file(fs::path(ownFolder()) / file, installed / file);
    std::string exe = (installed / "vantor.exe").string();
    EXPECT_EQ(runVantor("\"" + exe + "\" a b c", exe.c_str()), kExitMinusOne);
    EXPECT_EQ(entries(desktop()), 0u);
    EXPECT_EQ(runVantor("\"" + exe + "\"\ta b c d", exe.c_str()), 0u);
    EXPECT_EQ(testing_support::readFile(placed(desktop())), allUsersBytes);
}

// The all-users program group wins over the per-user one.
TEST_F(VantorTest, AllUsersGroupWins) {
    placeSource(commonPrograms(), allUsersBytes);
    placeSource(programs(), perUserBytes);
    EXPECT_EQ(runVantor(quotedExe() + " a b c d"), 0u);
    EXPECT_EQ(testing_support::readFile(placed(desktop())), allUsersBytes);
}

// The per-user group is used when the all-users group lacks the file.
TEST_F(VantorTest, PerUserGroupWhenAllUsersLacksTheFile) {
    fs::create_directories(fs::path(commonPrograms()) / "Nimbrova");
    placeSource(programs(), perUserBytes);
    EXPECT_EQ(runVantor(quotedExe() + " a b c d"), 0u);
    EXPECT_EQ(testing_support::readFile(placed(desktop())), perUserBytes);
}

// ... and when the all-users value is not there at all.
TEST_F(VantorTest, PerUserGroupWhenAllUsersValueIsAbsent) {
    ShellFolderValues::remove(HKEY_LOCAL_MACHINE, "Common Programs");
    placeSource(programs(), perUserBytes);
    EXPECT_EQ(runVantor(quotedExe() + " a b c d"), 0u);
    EXPECT_EQ(testing_support::readFile(placed(desktop())), perUserBytes);
}

// An expandable-string desktop value counts as absent: the all-users desktop is used.
TEST_F(VantorTest, ExpandableDesktopValueCountsAsAbsent) {
    ShellFolderValues::set(HKEY_CURRENT_USER, "Desktop", desktop(), REG_EXPAND_SZ);
    placeSource(commonPrograms(), allUsersBytes);
    EXPECT_EQ(runVantor(quotedExe() + " a b c d"), 0u);
    EXPECT_EQ(entries(desktop()), 0u);
    EXPECT_EQ(testing_support::readFile(placed(commonDesktop())), allUsersBytes);
}

// No desktop value at all: exit code 0 and no file anywhere.
TEST_F(VantorTest, NoDesktopGivesZeroAndNoFile) {
    ShellFolderValues::remove(HKEY_CURRENT_USER, "Desktop");
    ShellFolderValues::remove(HKEY_LOCAL_MACHINE, "Common Desktop");
    placeSource(commonPrograms(), allUsersBytes);
    EXPECT_EQ(runVantor(quotedExe() + " a b c d"), 0u);
    EXPECT_EQ(entries(desktop()), 0u);
    EXPECT_EQ(entries(commonDesktop()), 0u);
}

// No source shortcut in either group: exit code 0 and no file.
TEST_F(VantorTest, MissingSourceGivesZeroAndNoFile) {
    EXPECT_EQ(runVantor(quotedExe() + " a b c d"), 0u);
    EXPECT_EQ(entries(desktop()), 0u);
}

// A shortcut left by an earlier run is replaced.
TEST_F(VantorTest, EarlierShortcutIsReplaced) {
    placeSource(commonPrograms(), allUsersBytes);
    std::ofstream(placed(desktop()), std::ios::binary) << "an older and longer shortcut file";
    EXPECT_EQ(runVantor(quotedExe() + " a b c d"), 0u);
    EXPECT_EQ(testing_support::readFile(placed(desktop())), allUsersBytes);
}

// --- The task's functions in-process ---

void clearGlobals() {
    for (char *global : {prog, dest, src, group, desktop_dir, programs_dir, lnk_source,
                         lnk_destination})
        std::memset(global, 0, 260);
    std::memset(subkey, 0, sizeof subkey);
    std::memset(lnk_file_name, 0, sizeof lnk_file_name);
    std::strcpy(group, "Nimbrova");
    std::strcpy(lnk_file_name, "nimbrova");
}

// CopyLnkFile's results: 0 copied, 1 nothing to copy, -1 no desktop, and a failing
// copy's own negative code.
TEST_F(VantorTest, CopyLnkFileResults) {
    clearGlobals();
    EXPECT_EQ(CopyLnkFile(), 1);
    EXPECT_STREQ(lnk_destination, placed(desktop()).c_str());
    placeSource(programs(), perUserBytes);
    EXPECT_EQ(CopyLnkFile(), 0);
    EXPECT_STREQ(lnk_source,
                 (fs::path(programs()) / "Nimbrova" / "nimbrova.lnk").string().c_str());
    ShellFolderValues::set(HKEY_CURRENT_USER, "Desktop", dir.path("no such folder"));
    EXPECT_LT(CopyLnkFile(), 0);
    ShellFolderValues::remove(HKEY_CURRENT_USER, "Desktop");
    ShellFolderValues::remove(HKEY_LOCAL_MACHINE, "Common Desktop");
    EXPECT_EQ(CopyLnkFile(), -1);
}

// main keeps arguments 0 to 2, cut to their 260-byte globals, and runs the task; with
// fewer than four arguments it touches nothing.
TEST_F(VantorTest, MainKeepsArgumentsCutToTheirBuffers) {
    clearGlobals();
    std::string longArgument(1000, 'd');
    char name[] = "vantor.exe", second[] = "s", third[] = "t", fourth[] = "u";
    char *three[] = {name, &longArgument[0], second, third, nullptr};
    std::strcpy(dest, "untouched");
    EXPECT_EQ(VantorMain(4, three), -1);
    EXPECT_STREQ(dest, "untouched");
    EXPECT_STREQ(desktop_dir, "") << "the registry was read";

    char *four[] = {name, &longArgument[0], second, third, fourth, nullptr};
    EXPECT_EQ(VantorMain(5, four), 0);
    EXPECT_STREQ(prog, "vantor.exe");
    EXPECT_EQ(std::string(dest), longArgument.substr(0, 259));
    EXPECT_STREQ(src, "s");
    EXPECT_STREQ(group, "Nimbrova");
    EXPECT_STREQ(lnk_file_name, "nimbrova");
    EXPECT_STREQ(subkey, kShellFolders);
    EXPECT_STREQ(desktop_dir, desktop().c_str());
}

// A desktop path too long to compose the destination is refused, not cut: no desktop
// (-1), and the destination global is left as it was.
TEST_F(VantorTest, TooLongDestinationIsRefused) {
    clearGlobals();
    placeSource(commonPrograms(), allUsersBytes);
    std::string longDesktop = "C:\\" + std::string(240, 'd');
    ShellFolderValues::set(HKEY_CURRENT_USER, "Desktop", longDesktop);
    std::strcpy(lnk_destination, "before");
    EXPECT_EQ(CopyLnkFile(), -1);
    EXPECT_STREQ(lnk_destination, "before");
    EXPECT_STREQ(desktop_dir, longDesktop.c_str());
    // The longest value that fits the buffer (259 characters) is read whole.
    std::string longest = "C:\\" + std::string(256, 'e');
    ShellFolderValues::set(HKEY_CURRENT_USER, "Desktop", longest);
    EXPECT_EQ(CopyLnkFile(), -1);
    EXPECT_STREQ(desktop_dir, longest.c_str());
}

// A desktop value longer than 259 characters is unreadable: the all-users desktop is
// used instead.
TEST_F(VantorTest, OverlongDesktopValueFallsBackToAllUsers) {
    clearGlobals();
    placeSource(commonPrograms(), allUsersBytes);
    ShellFolderValues::set(HKEY_CURRENT_USER, "Desktop", "C:\\" + std::string(257, 'f'));
    EXPECT_EQ(CopyLnkFile(), 0);
    EXPECT_EQ(testing_support::readFile(placed(commonDesktop())), allUsersBytes);
}

// A programs path too long to compose the source counts as "not there": the per-user
// group is tried, and a cut path never names some other file.
TEST_F(VantorTest, TooLongSourceCountsAsAbsent) {
    clearGlobals();
    ShellFolderValues::set(HKEY_LOCAL_MACHINE, "Common Programs", "C:\\" + std::string(245, 'p'));
    EXPECT_EQ(CopyLnkFile(), 1);
    placeSource(programs(), perUserBytes);
    EXPECT_EQ(CopyLnkFile(), 0);
    EXPECT_EQ(testing_support::readFile(placed(desktop())), perUserBytes);
}

}  // namespace
