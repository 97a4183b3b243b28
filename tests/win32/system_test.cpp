// System information and settings against the real system: every getter is compared
// with the system's own answer (its queries called directly, and reg.exe for the
// user's "Control Panel\Desktop" values); setters round-trip through the getters and
// every setting a case changes is put back when it ends. The loader is watched through
// the system too: its named mutex, held by the test; the loaded modules; and a stand-in
// library (fake_system_library.h) that records what it was given.
#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstring>
#include <functional>
#include <future>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "fake_system_library.h"
#include "system_library_override.h"
#include "test_support.h"
#include "toolbox.h"
#include "toolbox_internal.h"
#include "win32/system_calls.h"
#include "win32_commands.h"

namespace {

constexpr int kSentinel = static_cast<int>(0xdeadbeef);
constexpr unsigned int kUSentinel = 0xdeadbeefu;
constexpr char kDesktopKey[] = "Control Panel\\Desktop";

int systemSetting(UINT action) {
    int value = kSentinel;
    EXPECT_TRUE(SystemParametersInfoA(action, 0, &value, 0)) << "action " << action;
    return value;
}

// Runs its action when the scope ends: how the cases put back what they change.
class Undo {
public:
    explicit Undo(std::function<void()> action) : action_(std::move(action)) {}
    ~Undo() { action_(); }
    Undo(const Undo &) = delete;
    Undo &operator=(const Undo &) = delete;

private:
    std::function<void()> action_;
};

Undo refused(UINT action) {
    tb::failSystemParameter(action);
    return Undo([] { tb::failSystemParameter(0); });
}

Undo savedSetting(UINT getAction, UINT setAction) {
    int value = systemSetting(getAction);
    return Undo([=] { SystemParametersInfoA(setAction, static_cast<UINT>(value), nullptr, SPIF_SENDCHANGE); });
}

Undo savedWallpaper() {
    std::string path(MAX_PATH, '\0');
    SystemParametersInfoA(SPI_GETDESKWALLPAPER, MAX_PATH, &path[0], 0);
    return Undo([=] { SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char *>(path.c_str()), SPIF_SENDCHANGE); });
}

// A value of the user's desktop settings, put back as found or removed if it was absent.
Undo savedDesktopValue(const char *name) {
    DWORD type = REG_NONE, size = 0;
    bool existed = RegGetValueA(HKEY_CURRENT_USER, kDesktopKey, name, RRF_RT_ANY, &type, nullptr, &size) == ERROR_SUCCESS;
    std::vector<BYTE> data(size);
    if (existed) RegGetValueA(HKEY_CURRENT_USER, kDesktopKey, name, RRF_RT_ANY, &type, data.data(), &size);
    return Undo([=] {
        if (existed)
            RegSetKeyValueA(HKEY_CURRENT_USER, kDesktopKey, name, type, data.data(), static_cast<DWORD>(data.size()));
        else
            RegDeleteKeyValueA(HKEY_CURRENT_USER, kDesktopKey, name);
    });
}

// reg.exe, a client independent of the library: runs a command, or reads a key's values.
void regExe(const std::string &arguments) {
    DWORD exitCode = kUSentinel;
    std::string output = testing_support::runCapturing("reg.exe " + arguments, exitCode);
    EXPECT_EQ(exitCode, 0u) << arguments << ": " << output;
}

std::map<std::string, std::pair<std::string, std::string>> regExeValues(const std::string &key) {
    DWORD exitCode = kUSentinel;
    std::string output = testing_support::runCapturing("reg.exe query \"HKCU\\" + key + "\"", exitCode);
    EXPECT_EQ(exitCode, 0u) << output;
    return testing_support::parseRegQuery(output);
}

uint64_t asNumber(UInt64Type value) { return (static_cast<uint64_t>(value.high) << 32) | value.low; }

uint64_t distance(uint64_t a, uint64_t b) { return a > b ? a - b : b - a; }

bool untouchedFrom(const std::vector<char> &buffer, size_t from) {
    for (size_t i = from; i < buffer.size(); ++i)
        if (static_cast<unsigned char>(buffer[i]) != 0xbd) return false;
    return true;
}

// ---------------------------------------------------------------------------------
// Information

// Every display item is the system's colour with red and blue exchanged (some colour
// must differ in red and blue, or the table could not tell); other items and a null
// colour are refused, the null first.
TEST(SystemInfo, WindowsColourIsTheSystemsWithRedAndBlueExchanged) {
    bool someColourful = false;
    for (int item = 0; item <= 20; ++item) {
        DWORD raw = GetSysColor(item);
        someColourful = someColourful || (raw & 0xFF) != ((raw >> 16) & 0xFF);
        int colour = kSentinel;
        EXPECT_EQ(GetWindowsColor(item, &colour), 0) << item;
        EXPECT_EQ(colour, static_cast<int>(((raw & 0xFF) << 16) | (raw & 0xFF00) | ((raw >> 16) & 0xFF)))
            << "item " << item;
    }
    ASSERT_TRUE(someColourful) << "every system colour has red equal to blue";
    for (int item : {-1, 21, INT_MIN, INT_MAX}) {
        int colour = kSentinel;
        EXPECT_EQ(GetWindowsColor(item, &colour), TbErrInvalidDisplayItem) << item;
        EXPECT_EQ(colour, kSentinel);
    }
    EXPECT_EQ(GetWindowsColor(99, nullptr), -65);
}

// Computer name, folders and version are the system's; nothing is written past the
// name's 16 bytes; every optional output may be null.
TEST(SystemInfo, NamesFoldersAndVersionAreTheSystems) {
    char expectedName[64] = "";
    DWORD capacity = 16;
    BOOL named = GetComputerNameA(expectedName, &capacity);
    std::vector<char> name(64, static_cast<char>(0xbd));
    EXPECT_EQ(GetCompName(name.data()), named ? 0 : TbErrUnknownSystem);
    if (named) {
        EXPECT_STREQ(name.data(), expectedName);
    }
    EXPECT_TRUE(untouchedFrom(name, 16));
    EXPECT_EQ(GetCompName(nullptr), -65);

    char windowsExpected[MAX_PATH] = "", systemExpected[MAX_PATH] = "";
    ASSERT_GT(GetWindowsDirectoryA(windowsExpected, MAX_PATH), 0u);
    ASSERT_GT(GetSystemDirectoryA(systemExpected, MAX_PATH), 0u);
    char windowsDir[MAX_PATH] = "untouched", systemDir[MAX_PATH] = "untouched";
    EXPECT_EQ(GetWindowsDirs(windowsDir, nullptr), 0);
    EXPECT_STREQ(windowsDir, windowsExpected);
    EXPECT_STREQ(systemDir, "untouched");
    EXPECT_EQ(GetWindowsDirs(nullptr, systemDir), 0);
    EXPECT_STREQ(systemDir, systemExpected);
    EXPECT_EQ(GetWindowsDirs(nullptr, nullptr), 0);

    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    ASSERT_TRUE(GetVersionExA(&version));
    int got[4] = {kSentinel, kSentinel, kSentinel, kSentinel};
    EXPECT_EQ(GetWinOSVersion(&got[0], &got[1], &got[2], &got[3]), 0);
    EXPECT_EQ(got[0], static_cast<int>(version.dwMajorVersion));
    EXPECT_EQ(got[1], static_cast<int>(version.dwMinorVersion));
    EXPECT_EQ(got[2], static_cast<int>(version.dwBuildNumber & 0xFFFF));
    EXPECT_EQ(got[3], static_cast<int>(version.dwPlatformId));
    EXPECT_EQ(GetWinOSVersion(nullptr, nullptr, nullptr, nullptr), 0);
}

// Keyboard type, function keys, delay and speed are the system's; a refused query
// leaves its own output alone and the others are still filled.
TEST(SystemInfo, KeyboardPreferencesAreTheSystems) {
    const int expected[4] = {GetKeyboardType(0), GetKeyboardType(2), systemSetting(SPI_GETKEYBOARDDELAY),
                             systemSetting(SPI_GETKEYBOARDSPEED)};
    struct Case {
        UINT refusedAction;
        int refusedOutput;  // -1: none
    } cases[] = {{0, -1}, {SPI_GETKEYBOARDDELAY, 2}, {SPI_GETKEYBOARDSPEED, 3}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.refusedAction);
        Undo refusal = refused(c.refusedAction);
        int got[4] = {kSentinel, kSentinel, kSentinel, kSentinel};
        EXPECT_EQ(GetKeyboardPreferences(&got[0], &got[1], &got[2], &got[3]),
                  c.refusedOutput < 0 ? 0 : TbErrUnknownSystem);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(got[i], i == c.refusedOutput ? kSentinel : expected[i]) << i;
    }
    EXPECT_EQ(GetKeyboardPreferences(nullptr, nullptr, nullptr, nullptr), 0);
}

// The user name is the system's. The buffer's last byte is never written, so the name
// needs one byte more than the system's count; a shorter buffer gives -57 and the size
// needed, a null buffer only the size.
TEST(SystemInfo, CurrentUserIsTheSystems) {
    char expected[256] = "";
    DWORD count = sizeof expected;
    ASSERT_TRUE(GetUserNameA(expected, &count));
    const int needed = static_cast<int>(count);  // terminator included
    for (int bufferSize : {needed + 1, needed + 40, needed, 2, 1, 0, -5}) {
        SCOPED_TRACE(bufferSize);
        const bool fits = bufferSize > needed;
        std::vector<char> name(static_cast<size_t>(needed) + 64, static_cast<char>(0xbd));
        int size = kSentinel;
        EXPECT_EQ(GetCurrentUser(name.data(), bufferSize, &size), fits ? 0 : -57);
        EXPECT_EQ(size, needed);
        if (fits) {
            EXPECT_STREQ(name.data(), expected);
        }
        EXPECT_TRUE(untouchedFrom(name, static_cast<size_t>(fits ? needed : std::max(bufferSize - 1, 0))));
        size = kSentinel;
        EXPECT_EQ(GetCurrentUser(nullptr, bufferSize, &size), 0);
        EXPECT_EQ(size, needed);
    }
    EXPECT_EQ(GetCurrentUser(expected, 8, nullptr), -65);
}

// The memory status is the system's: amounts beyond 32 bits are given as the largest
// 32-bit value, never cut to their low bits; the available amounts (which move) are
// the right fields: within their totals and near the system's.
TEST(SystemInfo, MemoryInfoIsTheSystemsSaturated) {
    MEMORYSTATUS status = {};
    status.dwLength = sizeof status;
    GlobalMemoryStatus(&status);
    unsigned int got[7] = {kUSentinel, kUSentinel, kUSentinel, kUSentinel, kUSentinel, kUSentinel, kUSentinel};
    EXPECT_EQ(GetMemoryInfo(&got[0], &got[1], &got[2], &got[3], &got[4], &got[5], &got[6]), 0);
    const SIZE_T system[7] = {status.dwMemoryLoad,  status.dwTotalPhys,     status.dwTotalPageFile,
                              status.dwTotalVirtual, status.dwAvailPhys, status.dwAvailPageFile,
                              status.dwAvailVirtual};
    for (int i = 0; i < 7; ++i) {
        unsigned int expected = system[i] > UINT_MAX ? UINT_MAX : static_cast<unsigned int>(system[i]);
        if (i >= 1 && i <= 3)
            EXPECT_EQ(got[i], expected) << i;
        else
            EXPECT_LE(distance(got[i], expected), i == 0 ? 10u : 512u << 20) << i;
        if (i >= 4) {
            EXPECT_LE(got[i], got[i - 3]) << i;
        }
    }
    unsigned int only = kUSentinel;
    EXPECT_EQ(GetMemoryInfo(nullptr, nullptr, nullptr, &only, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(only, got[3]);
}

// Disk sizes are the system's: the total exactly, the free bytes those available to
// the caller. A folder the system cannot ask about gives -5095 with both outputs
// cleared; null arguments -65 with both untouched.
TEST(SystemInfo, DiskSpaceIsTheSystems) {
    ULARGE_INTEGER available = {}, total = {};
    ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &available, &total, nullptr));
    UInt64Type totalBytes = {kUSentinel, kUSentinel}, freeBytes = {kUSentinel, kUSentinel};
    EXPECT_EQ(GetDiskSpace("C:\\", &totalBytes, &freeBytes), 0);
    EXPECT_EQ(asNumber(totalBytes), total.QuadPart);
    EXPECT_LE(distance(asNumber(freeBytes), available.QuadPart), 1ull << 30);  // others write meanwhile
    EXPECT_EQ(GetDiskSpace("C:\\no such folder\\x\\", &totalBytes, &freeBytes), TbErrUnknownSystem);
    EXPECT_EQ(asNumber(totalBytes) | asNumber(freeBytes), 0u);

    totalBytes = freeBytes = {kUSentinel, kUSentinel};
    EXPECT_EQ(GetDiskSpace(nullptr, &totalBytes, &freeBytes), -65);
    EXPECT_EQ(GetDiskSpace("C:\\", &totalBytes, nullptr), -65);
    EXPECT_EQ(GetDiskSpace("C:\\", nullptr, &freeBytes), -65);
    EXPECT_EQ(asNumber(totalBytes), 0xdeadbeefdeadbeefull);
    EXPECT_EQ(asNumber(freeBytes), 0xdeadbeefdeadbeefull);
}

// Any high word makes the value greater; otherwise the low word is compared unsigned.
TEST(SystemInfo, UInt64Comparison) {
    struct Case {
        UInt64Type value;
        unsigned int number;
        int expected;
    } cases[] = {{{0, 1}, 4294967295u, 1}, {{0, 0}, 0, 0},           {{5, 0}, 5, 0},
                 {{4294967295u, 0}, 1, 1}, {{1, 0}, 4294967295u, -1}, {{0, 0}, 1, -1},
                 {{0x80000000u, 0}, 0x7FFFFFFFu, 1}, {{7, 0x80000000u}, 7, 1}};
    for (const Case &c : cases)
        EXPECT_EQ(UInt64TypeCompareUInt(c.value, c.number), c.expected)
            << c.value.high << ":" << c.value.low << " vs " << c.number;
}

// ---------------------------------------------------------------------------------
// Settings: each case puts back what it changes.

class SystemSettings : public ::testing::Test {
protected:
    Undo delay_ = savedSetting(SPI_GETKEYBOARDDELAY, SPI_SETKEYBOARDDELAY);
    Undo speed_ = savedSetting(SPI_GETKEYBOARDSPEED, SPI_SETKEYBOARDSPEED);
    Undo active_ = savedSetting(SPI_GETSCREENSAVEACTIVE, SPI_SETSCREENSAVEACTIVE);
    Undo timeout_ = savedSetting(SPI_GETSCREENSAVETIMEOUT, SPI_SETSCREENSAVETIMEOUT);
    Undo wallpaper_ = savedWallpaper();
    Undo screenSaverFile_ = savedDesktopValue("SCRNSAVE.EXE");
    Undo tileValue_ = savedDesktopValue("TileWallpaper");
    Undo wallpaperValue_ = savedDesktopValue("Wallpaper");
};

// Delay and speed reach the session and read back through the getter, without the
// user's profile (its registry values) being written. When a step is refused nothing
// changes: a refused speed has the delay put back. (Wine clamps any speed rather than
// refuse it, so refusals are injected.)
TEST_F(SystemSettings, KeyboardPreferencesRoundTrip) {
    const auto profileBefore = regExeValues("Control Panel\\Keyboard");
    const std::pair<int, int> pairs[] = {{0, 0}, {3, 31}, {2, 17}, {1, 10}};
    for (const auto &pair : pairs) {
        SCOPED_TRACE(pair.first * 100 + pair.second);
        ASSERT_EQ(SetKeyboardPreferences(pair.first, pair.second), 0);
        int delay = kSentinel, speed = kSentinel;
        EXPECT_EQ(GetKeyboardPreferences(nullptr, nullptr, &delay, &speed), 0);
        EXPECT_EQ(std::make_pair(delay, speed), pair);
        EXPECT_EQ(std::make_pair(systemSetting(SPI_GETKEYBOARDDELAY), systemSetting(SPI_GETKEYBOARDSPEED)), pair);
    }
    EXPECT_EQ(regExeValues("Control Panel\\Keyboard"), profileBefore);

    for (UINT action : {SPI_SETKEYBOARDSPEED, SPI_SETKEYBOARDDELAY, SPI_GETKEYBOARDDELAY}) {
        SCOPED_TRACE(action);
        Undo refusal = refused(action);
        EXPECT_EQ(SetKeyboardPreferences(3, 25), TbErrUnknownSystem);
        EXPECT_EQ(systemSetting(SPI_GETKEYBOARDDELAY), 1);
        EXPECT_EQ(systemSetting(SPI_GETKEYBOARDSPEED), 10);
    }
}

// The screen saver round-trips: active with a file (which reg.exe then reads among the
// user's desktop values), off without one (the file value stays). Active without a file
// is refused. Reading stops at a refused active state; setting goes on after one.
TEST_F(SystemSettings, ScreenSaverRoundTrip) {
    const std::string file = "C:\\windows\\system32\\toolbox test.scr";
    struct Step {
        int active, timeout;
        const char *file;
        UINT refusedAction;
        int code, activeAfter, timeoutAfter;
    } steps[] = {{1, 600, file.c_str(), 0, 0, 1, 600},
                 {0, 120, nullptr, 0, 0, 0, 120},
                 {1, 300, nullptr, 0, -65, 0, 120},
                 {1, 480, file.c_str(), SPI_SETSCREENSAVEACTIVE, TbErrUnknownSystem, 0, 480},
                 {1, 720, file.c_str(), SPI_SETSCREENSAVETIMEOUT, TbErrUnknownSystem, 1, 480}};
    for (const Step &s : steps) {
        SCOPED_TRACE(s.timeout);
        {
            Undo refusal = refused(s.refusedAction);
            EXPECT_EQ(SetScreenSaver(s.active, s.timeout, s.file), s.code);
        }
        int active = kSentinel, timeout = kSentinel;
        EXPECT_EQ(GetScreenSaver(&active, &timeout), 0);
        EXPECT_EQ(active, s.activeAfter);
        EXPECT_EQ(timeout, s.timeoutAfter);
        EXPECT_EQ(systemSetting(SPI_GETSCREENSAVEACTIVE), s.activeAfter);
        EXPECT_EQ(systemSetting(SPI_GETSCREENSAVETIMEOUT), s.timeoutAfter);
        EXPECT_EQ(regExeValues(kDesktopKey)["SCRNSAVE.EXE"], std::make_pair(std::string("REG_SZ"), file));
    }
    for (UINT action : {SPI_GETSCREENSAVEACTIVE, SPI_GETSCREENSAVETIMEOUT}) {
        Undo refusal = refused(action);
        int active = kSentinel, timeout = kSentinel;
        EXPECT_EQ(GetScreenSaver(&active, &timeout), TbErrUnknownSystem);
        EXPECT_EQ(active, action == SPI_GETSCREENSAVEACTIVE ? kSentinel : 1);
        EXPECT_EQ(timeout, kSentinel) << action;
    }
}

// The wallpaper round-trips through the getter, reg.exe sees both values and the
// session shows the image. A refused image keeps the values stored before it.
TEST_F(SystemSettings, WallpaperRoundTrip) {
    testing_support::ScratchDir folder;
    const std::string tiled = folder.write("tiled image.bmp", "BM");
    const std::string whole = folder.write("whole.bmp", "BM");
    const std::pair<int, std::string> cases[] = {{1, tiled}, {0, whole}, {-7, tiled}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.first);
        ASSERT_EQ(SetWallpaper(c.first, c.second.c_str()), 0);
        int tile = kSentinel;
        std::vector<char> image(MAX_PATH + 8, static_cast<char>(0xbd));
        EXPECT_EQ(GetWallpaper(&tile, image.data()), 0);
        EXPECT_EQ(tile, c.first ? 1 : 0);
        EXPECT_EQ(std::string(image.data()), c.second);
        EXPECT_TRUE(untouchedFrom(image, c.second.size() + 1));
        auto values = regExeValues(kDesktopKey);
        EXPECT_EQ(values["TileWallpaper"], std::make_pair(std::string("REG_SZ"), std::string(c.first ? "1" : "0")));
        EXPECT_EQ(values["Wallpaper"], std::make_pair(std::string("REG_SZ"), c.second));
        char shown[MAX_PATH] = "";
        ASSERT_TRUE(SystemParametersInfoA(SPI_GETDESKWALLPAPER, sizeof shown, shown, 0));
        EXPECT_EQ(std::string(shown), c.second);
    }
    EXPECT_EQ(SetWallpaper(1, nullptr), -65);
    Undo refusal = refused(SPI_SETDESKWALLPAPER);
    EXPECT_EQ(SetWallpaper(1, whole.c_str()), TbErrUnknownSystem);
    EXPECT_EQ(regExeValues(kDesktopKey)["Wallpaper"].second, whole);
}

// Values set up with reg.exe: a one-digit tile reads as its number; a longer,
// non-numeric, empty or missing tile value, or a missing image, gives -5095 with both
// outputs untouched.
TEST_F(SystemSettings, WallpaperValuesThatAreNoSetting) {
    const std::string key = std::string("\"HKCU\\") + kDesktopKey + "\"";
    const std::string image = "C:\\some where\\w.bmp";
    struct Case {
        const char *tileData;   // null: the value is removed
        const char *imageData;  // null: the value is removed
        int tile;               // kSentinel: -5095 expected
    } cases[] = {{"7", image.c_str(), 7},   {"0", image.c_str(), 0},       {"10", image.c_str(), kSentinel},
                 {"x", image.c_str(), kSentinel}, {"", image.c_str(), kSentinel}, {nullptr, image.c_str(), kSentinel},
                 {"1", nullptr, kSentinel}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.tileData ? c.tileData : "(no tile)");
        const std::pair<const char *, const char *> values[] = {{"TileWallpaper", c.tileData},
                                                                {"Wallpaper", c.imageData}};
        for (const auto &value : values) {
            if (value.second)
                regExe("add " + key + " /v " + value.first + " /t REG_SZ /d \"" + value.second + "\" /f");
            else
                regExe("delete " + key + " /v " + value.first + " /f");
        }
        int tile = kSentinel;
        char got[MAX_PATH] = "untouched";
        EXPECT_EQ(GetWallpaper(&tile, got), c.tile == kSentinel ? TbErrUnknownSystem : 0);
        EXPECT_EQ(tile, c.tile);
        EXPECT_EQ(std::string(got), c.tile == kSentinel ? "untouched" : image);
    }
    int tile = kSentinel;
    char got[MAX_PATH];
    EXPECT_EQ(GetWallpaper(nullptr, got), -65);
    EXPECT_EQ(GetWallpaper(&tile, nullptr), -65);
}

// ---------------------------------------------------------------------------------
// The loader

std::string lockName(const char *library) {
    return std::string("Toolbox library lock on ") + library + " handle - " +
           std::to_string(static_cast<int>(GetCurrentProcessId()));
}

bool lockExists(const char *library) {
    HANDLE probe = OpenMutexA(SYNCHRONIZE, FALSE, lockName(library).c_str());
    if (probe) CloseHandle(probe);
    return probe != nullptr;
}

// Runs calls on another thread while the test holds the group's named mutex; says
// whether they finished within the wait. The mutex is released before the test waits
// for a blocked call to end.
bool finishWhileHeld(const char *library, std::function<int()> calls, std::chrono::milliseconds wait,
                     int &code) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, lockName(library).c_str());
    EXPECT_EQ(WaitForSingleObject(mutex, 5000), WAIT_OBJECT_0);
    auto pending = std::async(std::launch::async, std::move(calls));
    bool finished = pending.wait_for(wait) == std::future_status::ready;
    ReleaseMutex(mutex);
    code = pending.get();
    CloseHandle(mutex);
    return finished;
}

// A block of dropped files as the shell hands it over, at point (3, 4).
HDROP makeDrop(const std::vector<std::string> &names) {
    size_t size = sizeof(DROPFILES) + 1;
    for (const std::string &name : names) size += name.size() + 1;
    HGLOBAL block = GlobalAlloc(GHND, size);
    auto *drop = static_cast<DROPFILES *>(GlobalLock(block));
    drop->pFiles = sizeof(DROPFILES);
    drop->pt = {3, 4};
    char *text = reinterpret_cast<char *>(drop + 1);
    for (const std::string &name : names) text = std::strcpy(text, name.c_str()) + name.size() + 1;
    GlobalUnlock(block);
    return static_cast<HDROP>(block);
}

HWND makeWindow() {
    return CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

// Every call-through reaches the system function with its arguments and gives back its
// result (and leaves the system's error): the shell's on a real block of dropped files
// and a real window, the kernel's on a real disk.
TEST(SystemLoader, CallThroughsReachTheSystem) {
    const std::vector<std::string> names = {"C:\\a.txt", "C:\\some folder\\b c.doc", "D:\\x"};
    HDROP drop = makeDrop(names);
    int result = kSentinel;
    ASSERT_EQ(tb::CallDragQueryFile(drop, 0xFFFFFFFFu, nullptr, 0, &result), 0);
    EXPECT_EQ(result, 3);
    for (UINT i = 0; i < names.size(); ++i) {
        char buffer[MAX_PATH] = "";
        EXPECT_EQ(tb::CallDragQueryFile(drop, i, buffer, sizeof buffer, &result), 0);
        EXPECT_EQ(result, static_cast<int>(names[i].size()));
        EXPECT_EQ(std::string(buffer), names[i]);
    }
    POINT point = {-1, -1};
    EXPECT_EQ(tb::CallDragQueryPoint(drop, &point, &result), 0);
    EXPECT_EQ(result, DragQueryPoint(drop, &point));
    EXPECT_EQ(point.x * 10 + point.y, 34);
    EXPECT_EQ(tb::CallDragFinish(drop), 0);
    EXPECT_EQ(GlobalFlags(drop), static_cast<UINT>(GMEM_INVALID_HANDLE)) << "the block was not freed";

    HWND window = makeWindow();
    ASSERT_NE(window, nullptr) << "no window: Wine needs a display or its null graphics driver";
    for (BOOL accept : {TRUE, FALSE}) {
        EXPECT_EQ(tb::CallDragAcceptFiles(window, accept), 0);
        EXPECT_EQ((GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0, accept != FALSE);
    }
    NOTIFYICONDATAA icon = {};
    icon.cbSize = sizeof icon;
    icon.hWnd = window;
    icon.uID = 77;
    EXPECT_EQ(tb::CallShellNotifyIcon(NIM_DELETE, &icon, &result), 0);
    EXPECT_EQ(result, Shell_NotifyIconA(NIM_DELETE, &icon)) << "no such icon";
    DestroyWindow(window);

    ULARGE_INTEGER available = {}, total = {}, directTotal = {};
    ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", nullptr, &directTotal, nullptr));
    EXPECT_EQ(tb::CallGetDiskFreeSpaceEx("C:\\", &available, &total, nullptr, &result), 0);
    EXPECT_EQ(result, TRUE);
    EXPECT_EQ(total.QuadPart, directTotal.QuadPart);
    SetLastError(0);
    EXPECT_EQ(tb::CallGetDiskFreeSpaceEx("C:\\no such folder\\x\\", &available, &total, nullptr, &result), 0);
    DWORD error = GetLastError();
    EXPECT_EQ(result, FALSE);
    EXPECT_NE(error, 0u);
}

// The first call-through of a group waits for the group's named mutex; once the group is
// loaded no call-through makes or waits on any lock, and no loading call leaves the
// mutex behind. (Each call-through thread makes its own window: a window of the waiting
// test thread would need that thread's messages.)
TEST(SystemLoader, ALoadedGroupTakesNoLock) {
    tb::overrideSystemLibrary(tb::SystemGroup::Kernel, nullptr);  // unloaded, whatever ran before
    tb::overrideSystemLibrary(tb::SystemGroup::Shell, nullptr);
    auto diskCall = [] {
        ULARGE_INTEGER available, total;
        int result = 0;
        return tb::CallGetDiskFreeSpaceEx("C:\\", &available, &total, nullptr, &result);
    };
    int code = kSentinel;
    EXPECT_FALSE(finishWhileHeld("KERNEL32.DLL", diskCall, std::chrono::milliseconds(300), code))
        << "the first call did not wait for the named mutex";
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(lockExists("KERNEL32.DLL")) << "the loader left a handle to its mutex open";
    EXPECT_TRUE(finishWhileHeld("KERNEL32.DLL", diskCall, std::chrono::seconds(20), code));
    EXPECT_EQ(code, 0);

    ASSERT_EQ(tb::CallDragFinish(makeDrop({"C:\\x"})), 0);
    EXPECT_FALSE(lockExists("SHELL32.DLL"));
    auto shellCalls = [] {
        HWND window = makeWindow();
        HDROP drop = makeDrop({"C:\\x"});
        int result = 0;
        POINT point;
        NOTIFYICONDATAA icon = {};
        icon.cbSize = sizeof icon;
        icon.hWnd = window;
        int codes = tb::CallDragAcceptFiles(window, TRUE) | tb::CallDragQueryFile(drop, 0, nullptr, 0, &result) |
                    tb::CallDragQueryPoint(drop, &point, &result) | tb::CallDragFinish(drop) |
                    tb::CallShellNotifyIcon(NIM_DELETE, &icon, &result);
        DestroyWindow(window);
        return codes;
    };
    EXPECT_TRUE(finishWhileHeld("SHELL32.DLL", shellCalls, std::chrono::seconds(20), code));
    EXPECT_EQ(code, 0);
}

// Threads that make their group's first call together load the library once: it has to
// be freed once to leave the process. (The stand-in's load is slow, so the threads meet
// at the mutex.)
TEST(SystemLoader, ConcurrentFirstCallsLoadOnce) {
    LibraryOverride override(tb::SystemGroup::Shell, besideTheSuite("fake_system_complete.dll"));
    constexpr int kThreads = 8;
    std::atomic<int> ready{0};
    std::atomic<bool> go{false};
    std::vector<std::future<std::pair<int, int>>> calls;
    for (int i = 0; i < kThreads; ++i)
        calls.push_back(std::async(std::launch::async, [&, i] {
            ++ready;
            while (!go.load()) std::this_thread::yield();
            int result = kSentinel;
            NOTIFYICONDATAA icon = {};
            int code = tb::CallShellNotifyIcon(static_cast<DWORD>(i), &icon, &result);
            return std::make_pair(code, result);
        }));
    while (ready.load() < kThreads) std::this_thread::yield();
    go.store(true);
    for (int i = 0; i < kThreads; ++i)
        EXPECT_EQ(calls[i].get(), std::make_pair(0, FAKE_NOTIFY_RESULT(i))) << "thread " << i;
    EXPECT_EQ(fakeAttaches(), 1);
    EXPECT_EQ(override.unload(), 1) << "loads of the library";
}

// A library without one of the group's entry points: every call-through of the group
// gives -5094, the library does not stay loaded, no lock is left, and each call tries
// the whole load again, so a complete library put in its place is taken by the next
// call; that one and every later call forward their arguments whole (pointer-sized
// handles included) and load nothing more.
TEST(SystemLoader, MissingEntryPointKeepsNothingAndTheNextCallRetries) {
    testing_support::ScratchDir folder;
    const std::string path = folder.path("stand-in shell.dll");
    ASSERT_TRUE(CopyFileA(besideTheSuite("fake_system_incomplete.dll").c_str(), path.c_str(), FALSE));
    LibraryOverride override(tb::SystemGroup::Shell, path);
    const HDROP drop = reinterpret_cast<HDROP>(static_cast<uintptr_t>(0x123456789ABCull));
    const HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x7EDCBA987654ull));
    char buffer[16] = "";
    POINT point = {};
    NOTIFYICONDATAA icon = {};
    int result = kSentinel;
    struct Call {
        std::function<int()> call;
        const char *entry;
        void *handle;
        int result;  // kSentinel: none
    } calls[] = {
        {[&] { return tb::CallDragQueryFile(drop, 2, buffer, sizeof buffer, &result); }, "DragQueryFile", drop,
         static_cast<int>(FAKE_QUERY_FILE_RESULT(2))},
        {[&] { return tb::CallDragQueryPoint(drop, &point, &result); }, "DragQueryPoint", drop, 2},
        {[&] { return tb::CallDragAcceptFiles(window, TRUE); }, "DragAcceptFiles", window, kSentinel},
        {[&] { return tb::CallDragFinish(drop); }, "DragFinish", drop, kSentinel},
        {[&] { return tb::CallShellNotifyIcon(NIM_MODIFY, &icon, &result); }, "Shell_NotifyIconA", nullptr,
         FAKE_NOTIFY_RESULT(NIM_MODIFY)},
    };
    int attempts = 0;
    for (const Call &c : calls) {
        SCOPED_TRACE(c.entry);
        EXPECT_EQ(c.call(), TbErrSystemFunctionMissing);
        EXPECT_EQ(GetModuleHandleA(path.c_str()), nullptr) << "the library was kept";
        EXPECT_EQ(fakeAttaches(), ++attempts) << "the load was not tried again";
        EXPECT_FALSE(lockExists("SHELL32.DLL"));
        EXPECT_EQ(result, kSentinel);
    }

    ASSERT_TRUE(CopyFileA(besideTheSuite("fake_system_complete.dll").c_str(), path.c_str(), FALSE));
    for (const Call &c : calls) {
        SCOPED_TRACE(c.entry);
        result = kSentinel;
        EXPECT_EQ(c.call(), 0);
        FakeSystemCalls *record = override.record();
        ASSERT_NE(record, nullptr);
        EXPECT_STREQ(record->lastEntry, c.entry);
        EXPECT_EQ(record->handle, c.handle);
        EXPECT_EQ(result, c.result);
    }
    EXPECT_STREQ(buffer, "fake");
    EXPECT_EQ(point.x * 10 + point.y, FAKE_POINT_X * 10 + FAKE_POINT_Y);
    EXPECT_EQ(override.record()->data, static_cast<void *>(&icon));
    EXPECT_EQ(fakeAttaches(), attempts + 1);
    EXPECT_EQ(override.unload(), 1);
}

// GetDiskSpace takes the older query when the 64-bit one cannot be had: its library
// does not load (-5093), lacks it (-5094), or has it without the function behind it
// (error 120). Both sizes are the older query's whole products; its failure is -5095
// with both outputs cleared.
TEST(SystemLoader, DiskSpaceFallsBackToTheOlderQuery) {
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    ASSERT_TRUE(GetDiskFreeSpaceA("C:\\", &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters));
    const uint64_t cluster = static_cast<uint64_t>(sectorsPerCluster) * bytesPerSector;
    struct Case {
        const char *library;
        int loaderCode;
    } cases[] = {{"no such library.dll", TbErrSystemDllLoad},
                 {"fake_system_incomplete.dll", TbErrSystemFunctionMissing},
                 {"fake_system_complete.dll", 0}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.library);
        LibraryOverride override(tb::SystemGroup::Kernel, besideTheSuite(c.library));
        ULARGE_INTEGER available, total;
        int result = kSentinel;
        EXPECT_EQ(tb::CallGetDiskFreeSpaceEx("C:\\", &available, &total, nullptr, &result), c.loaderCode);
        DWORD error = GetLastError();
        if (c.loaderCode == 0) {
            EXPECT_EQ(std::make_pair(result, error), std::make_pair(FALSE, DWORD{120}));
        }
        UInt64Type totalBytes = {kUSentinel, kUSentinel}, freeBytes = {kUSentinel, kUSentinel};
        EXPECT_EQ(GetDiskSpace("C:\\", &totalBytes, &freeBytes), 0);
        EXPECT_EQ(asNumber(totalBytes), cluster * clusters);
        EXPECT_LE(distance(asNumber(freeBytes), cluster * freeClusters), 1ull << 30);
        EXPECT_EQ(GetDiskSpace("C:\\no such folder\\x\\", &totalBytes, &freeBytes), TbErrUnknownSystem);
        EXPECT_EQ(asNumber(totalBytes) | asNumber(freeBytes), 0u);
    }
}

}  // namespace
