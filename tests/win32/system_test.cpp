// System information and settings against the real system: every getter is compared
// with the system's own answer (its queries called directly, and reg.exe for the
// user's "Control Panel\Desktop" values); setters round-trip through the getters and
// every setting a case changes is put back by a guard. The loader is watched through
// the system too: its named mutex, held by the test; the loaded modules; and a stand-in
// library (fake_system_library.h) that records what it was given.
#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstring>
#include <functional>
#include <future>
#include <map>
#include <utility>
#include <string>
#include <thread>
#include <vector>

#include "fake_system_library.h"
#include "test_support.h"
#include "toolbox.h"
#include "toolbox_internal.h"
#include "win32/system_calls.h"
#include "win32_commands.h"

namespace {

using testing_support::parseRegQuery;
using testing_support::runCapturing;

constexpr int kSentinel = static_cast<int>(0xdeadbeef);
constexpr unsigned int kUSentinel = 0xdeadbeefu;
constexpr char kDesktopKey[] = "Control Panel\\Desktop";

int systemColourSwapped(int item) {
    DWORD colour = GetSysColor(item);
    return static_cast<int>(((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF));
}

int systemSetting(UINT action) {
    int value = kSentinel;
    EXPECT_TRUE(SystemParametersInfoA(action, 0, &value, 0)) << "action " << action;
    return value;
}

// Makes every request of one system-parameters action fail while it lives.
class RefusedParameter {
public:
    explicit RefusedParameter(UINT action) { tb::failSystemParameter(action); }
    ~RefusedParameter() { tb::failSystemParameter(0); }
    RefusedParameter(const RefusedParameter &) = delete;
    RefusedParameter &operator=(const RefusedParameter &) = delete;
};

// A number setting of the session, put back as found.
class SavedSetting {
public:
    SavedSetting(UINT getAction, UINT setAction)
        : setAction_(setAction), value_(systemSetting(getAction)) {}
    ~SavedSetting() { SystemParametersInfoA(setAction_, static_cast<UINT>(value_), nullptr, SPIF_SENDCHANGE); }
    SavedSetting(const SavedSetting &) = delete;
    SavedSetting &operator=(const SavedSetting &) = delete;

private:
    UINT setAction_;
    int value_;
};

// A value of the user's "Control Panel\Desktop", put back as found (or removed when it
// was not there).
class SavedDesktopValue {
public:
    explicit SavedDesktopValue(const char *name) : name_(name) {
        HKEY key = open(KEY_QUERY_VALUE);
        DWORD size = 0;
        existed_ = key && RegQueryValueExA(key, name, nullptr, &type_, nullptr, &size) == ERROR_SUCCESS;
        if (existed_) {
            data_.resize(size);
            RegQueryValueExA(key, name, nullptr, &type_, data_.data(), &size);
        }
        if (key) RegCloseKey(key);
    }
    ~SavedDesktopValue() {
        HKEY key = open(KEY_SET_VALUE);
        if (!key) return;
        if (existed_)
            RegSetValueExA(key, name_, 0, type_, data_.data(), static_cast<DWORD>(data_.size()));
        else
            RegDeleteValueA(key, name_);
        RegCloseKey(key);
    }
    SavedDesktopValue(const SavedDesktopValue &) = delete;
    SavedDesktopValue &operator=(const SavedDesktopValue &) = delete;

private:
    static HKEY open(REGSAM access) {
        HKEY key = nullptr;
        RegCreateKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, access, nullptr, &key, nullptr);
        return key;
    }
    const char *name_;
    bool existed_ = false;
    DWORD type_ = REG_NONE;
    std::vector<BYTE> data_;
};

// The session's wallpaper, put back as found.
class SavedWallpaper {
public:
    SavedWallpaper() { SystemParametersInfoA(SPI_GETDESKWALLPAPER, sizeof path_, path_, 0); }
    ~SavedWallpaper() { SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, path_, SPIF_SENDCHANGE); }
    SavedWallpaper(const SavedWallpaper &) = delete;
    SavedWallpaper &operator=(const SavedWallpaper &) = delete;

private:
    char path_[MAX_PATH] = "";
};

// A registry key's values as reg.exe, a client independent of the library, reads them.
std::map<std::string, std::pair<std::string, std::string>> regExeValues(const std::string &key) {
    DWORD exitCode = kUSentinel;
    std::string output = runCapturing("reg.exe query \"HKCU\\" + key + "\"", exitCode);
    EXPECT_EQ(exitCode, 0u) << output;
    return parseRegQuery(output);
}

DWORD runRegExe(const std::string &arguments) {
    DWORD exitCode = kUSentinel;
    std::string output = runCapturing("reg.exe " + arguments, exitCode);
    EXPECT_EQ(exitCode, 0u) << arguments << ": " << output;
    return exitCode;
}

// ---------------------------------------------------------------------------------
// Information

// Every display item is the system's colour with red and blue exchanged; the table would
// not notice a missing exchange if every colour were grey, so that is checked first.
TEST(SystemInfo, WindowsColourIsTheSystemColourWithRedAndBlueExchanged) {
    bool someColourful = false;
    for (int item = 0; item <= 20; ++item) {
        DWORD raw = GetSysColor(item);
        someColourful = someColourful || (raw & 0xFF) != ((raw >> 16) & 0xFF);
        int colour = kSentinel;
        EXPECT_EQ(GetWindowsColor(item, &colour), 0) << item;
        EXPECT_EQ(colour, systemColourSwapped(item)) << "item " << item << ", system " << std::hex << raw;
    }
    ASSERT_TRUE(someColourful) << "every system colour has red equal to blue";

    for (int item : {-1, 21, INT_MIN, INT_MAX}) {
        int colour = kSentinel;
        EXPECT_EQ(GetWindowsColor(item, &colour), TbErrInvalidDisplayItem) << item;
        EXPECT_EQ(colour, kSentinel);
    }
    EXPECT_EQ(GetWindowsColor(0, nullptr), -65);
    EXPECT_EQ(GetWindowsColor(99, nullptr), -65) << "the null colour is checked first";
}

// The computer name is the system's, and nothing is written past 16 bytes.
TEST(SystemInfo, ComputerNameIsTheSystemsWithinSixteenBytes) {
    char expected[64] = "";
    DWORD capacity = 16;
    BOOL direct = GetComputerNameA(expected, &capacity);
    char name[64];
    std::memset(name, 0xbd, sizeof name);
    EXPECT_EQ(GetCompName(name), direct ? 0 : TbErrUnknownSystem);
    if (direct) {
        EXPECT_STREQ(name, expected);
    }
    for (size_t i = 16; i < sizeof name; ++i)
        ASSERT_EQ(static_cast<unsigned char>(name[i]), 0xbd) << "byte " << i << " written";
    EXPECT_EQ(GetCompName(nullptr), -65);
}

// Both folders are the system's; each is optional and both null does nothing.
TEST(SystemInfo, WindowsDirsAreTheSystemsAndEachIsOptional) {
    char windowsExpected[MAX_PATH] = "", systemExpected[MAX_PATH] = "";
    ASSERT_GT(GetWindowsDirectoryA(windowsExpected, MAX_PATH), 0u);
    ASSERT_GT(GetSystemDirectoryA(systemExpected, MAX_PATH), 0u);
    char windowsDir[MAX_PATH] = "untouched", systemDir[MAX_PATH] = "untouched";
    EXPECT_EQ(GetWindowsDirs(windowsDir, nullptr), 0);
    EXPECT_STREQ(windowsDir, windowsExpected);
    EXPECT_STREQ(systemDir, "untouched");
    EXPECT_EQ(GetWindowsDirs(nullptr, systemDir), 0);
    EXPECT_STREQ(systemDir, systemExpected);
    std::strcpy(windowsDir, "x");
    std::strcpy(systemDir, "y");
    EXPECT_EQ(GetWindowsDirs(windowsDir, systemDir), 0);
    EXPECT_STREQ(windowsDir, windowsExpected);
    EXPECT_STREQ(systemDir, systemExpected);
    EXPECT_EQ(GetWindowsDirs(nullptr, nullptr), 0);
}

// The version is the system's, the build cut to 16 bits; every output is optional.
TEST(SystemInfo, OsVersionIsTheSystems) {
    OSVERSIONINFOA expected = {};
    expected.dwOSVersionInfoSize = sizeof expected;
    ASSERT_TRUE(GetVersionExA(&expected));
    int major = kSentinel, minor = kSentinel, build = kSentinel, platform = kSentinel;
    EXPECT_EQ(GetWinOSVersion(&major, &minor, &build, &platform), 0);
    EXPECT_EQ(major, static_cast<int>(expected.dwMajorVersion));
    EXPECT_EQ(minor, static_cast<int>(expected.dwMinorVersion));
    EXPECT_EQ(build, static_cast<int>(expected.dwBuildNumber & 0xFFFF));
    EXPECT_EQ(platform, static_cast<int>(expected.dwPlatformId));
    int only = kSentinel;
    EXPECT_EQ(GetWinOSVersion(nullptr, nullptr, &only, nullptr), 0);
    EXPECT_EQ(only, build);
    EXPECT_EQ(GetWinOSVersion(nullptr, nullptr, nullptr, nullptr), 0);
}

// Keyboard type, function keys, delay and speed are the system's; a refused query
// leaves its output alone and the others are still filled.
TEST(SystemInfo, KeyboardPreferencesAreTheSystems) {
    int type = kSentinel, keys = kSentinel, delay = kSentinel, speed = kSentinel;
    EXPECT_EQ(GetKeyboardPreferences(&type, &keys, &delay, &speed), 0);
    EXPECT_EQ(type, GetKeyboardType(0));
    EXPECT_EQ(keys, GetKeyboardType(2));
    EXPECT_EQ(delay, systemSetting(SPI_GETKEYBOARDDELAY));
    EXPECT_EQ(speed, systemSetting(SPI_GETKEYBOARDSPEED));
    EXPECT_EQ(GetKeyboardPreferences(nullptr, nullptr, nullptr, nullptr), 0);

    for (UINT refused : {SPI_GETKEYBOARDDELAY, SPI_GETKEYBOARDSPEED}) {
        SCOPED_TRACE(refused);
        RefusedParameter refusal(refused);
        int got[4] = {kSentinel, kSentinel, kSentinel, kSentinel};
        EXPECT_EQ(GetKeyboardPreferences(&got[0], &got[1], &got[2], &got[3]), TbErrUnknownSystem);
        EXPECT_EQ(got[0], type);
        EXPECT_EQ(got[1], keys);
        EXPECT_EQ(got[2], refused == SPI_GETKEYBOARDDELAY ? kSentinel : delay);
        EXPECT_EQ(got[3], refused == SPI_GETKEYBOARDSPEED ? kSentinel : speed);
    }
}

// The user name is the system's. The buffer's last byte is never written, so a name
// needs a buffer one longer than the system's count; a short buffer gives -57 with the
// size needed, and a null buffer asks for the size only.
TEST(SystemInfo, CurrentUserIsTheSystemsAndTheSizeIsReported) {
    char expected[256] = "";
    DWORD expectedCount = sizeof expected;
    ASSERT_TRUE(GetUserNameA(expected, &expectedCount));
    const int needed = static_cast<int>(expectedCount);  // terminator included

    int size = kSentinel;
    EXPECT_EQ(GetCurrentUser(nullptr, 0, &size), 0);
    EXPECT_EQ(size, needed);
    size = kSentinel;
    EXPECT_EQ(GetCurrentUser(nullptr, 500, &size), 0);
    EXPECT_EQ(size, needed);

    struct Case {
        int bufferSize;
        int code;
    } cases[] = {{needed + 1, 0}, {needed + 40, 0}, {needed, -57}, {2, -57}, {1, -57}, {0, -57}, {-5, -57}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.bufferSize);
        std::vector<char> name(static_cast<size_t>(needed) + 64, static_cast<char>(0xbd));
        size = kSentinel;
        EXPECT_EQ(GetCurrentUser(name.data(), c.bufferSize, &size), c.code);
        if (c.code == 0) {
            EXPECT_STREQ(name.data(), expected);
            EXPECT_EQ(size, needed);
        } else {
            EXPECT_EQ(size, needed) << "the size needed";
        }
        size_t untouchedFrom = c.bufferSize > 1 ? static_cast<size_t>(c.bufferSize) - 1 : 0;
        if (c.code == 0) untouchedFrom = static_cast<size_t>(needed);
        for (size_t i = untouchedFrom; i < name.size(); ++i)
            ASSERT_EQ(static_cast<unsigned char>(name[i]), 0xbd) << "byte " << i << " written";
    }
    char name[8];
    EXPECT_EQ(GetCurrentUser(name, sizeof name, nullptr), -65);
}

// The memory status is the system's; amounts beyond 32 bits are given as the largest
// 32-bit value, never cut to their low bits.
TEST(SystemInfo, MemoryInfoIsTheSystemsSaturated) {
    unsigned int got[7];
    for (unsigned int &value : got) value = kUSentinel;
    MEMORYSTATUS before = {};
    before.dwLength = sizeof before;
    GlobalMemoryStatus(&before);
    EXPECT_EQ(GetMemoryInfo(&got[0], &got[1], &got[2], &got[3], &got[4], &got[5], &got[6]), 0);
    auto expect = [](SIZE_T amount) {
        return amount > UINT_MAX ? UINT_MAX : static_cast<unsigned int>(amount);
    };
    EXPECT_LE(got[0], 100u);
    EXPECT_EQ(got[1], expect(before.dwTotalPhys));
    EXPECT_EQ(got[2], expect(before.dwTotalPageFile));
    EXPECT_EQ(got[3], expect(before.dwTotalVirtual));
    // The available amounts move while the test runs; they must still be the right
    // fields: no more than their totals, and close to what the system said.
    const unsigned int slack = 512u << 20;
    for (int i = 4; i < 7; ++i) EXPECT_LE(got[i], got[i - 3]) << "output " << i;
    auto nearSystem = [&](unsigned int value, SIZE_T amount) {
        unsigned int reference = expect(amount);
        return (value > reference ? value - reference : reference - value) <= slack;
    };
    EXPECT_TRUE(nearSystem(got[4], before.dwAvailPhys)) << got[4];
    EXPECT_TRUE(nearSystem(got[5], before.dwAvailPageFile)) << got[5];
    EXPECT_TRUE(nearSystem(got[6], before.dwAvailVirtual)) << got[6];

    unsigned int only = kUSentinel;
    EXPECT_EQ(GetMemoryInfo(nullptr, nullptr, nullptr, &only, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(only, got[3]);
    EXPECT_EQ(GetMemoryInfo(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), 0);
}

uint64_t asNumber(UInt64Type value) { return (static_cast<uint64_t>(value.high) << 32) | value.low; }

// Disk sizes are the system's, total exactly, the free bytes those available to the
// caller; a folder the system cannot ask about gives -5095 with both outputs cleared.
TEST(SystemInfo, DiskSpaceIsTheSystems) {
    ULARGE_INTEGER available = {}, total = {}, totalFree = {};
    ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &available, &total, &totalFree));
    UInt64Type totalBytes = {kUSentinel, kUSentinel}, freeBytes = {kUSentinel, kUSentinel};
    EXPECT_EQ(GetDiskSpace("C:\\", &totalBytes, &freeBytes), 0);
    EXPECT_EQ(asNumber(totalBytes), total.QuadPart);
    const uint64_t slack = 1ull << 30;  // other programs write to the disk meanwhile
    uint64_t freeNow = asNumber(freeBytes);
    EXPECT_LE(freeNow, asNumber(totalBytes));
    EXPECT_LE(freeNow > available.QuadPart ? freeNow - available.QuadPart : available.QuadPart - freeNow, slack);

    totalBytes = freeBytes = {kUSentinel, kUSentinel};
    EXPECT_EQ(GetDiskSpace("C:\\no such folder\\below\\", &totalBytes, &freeBytes), TbErrUnknownSystem);
    EXPECT_EQ(asNumber(totalBytes), 0u);
    EXPECT_EQ(asNumber(freeBytes), 0u);

    // Null arguments: -65 before anything is written.
    totalBytes = freeBytes = {kUSentinel, kUSentinel};
    EXPECT_EQ(GetDiskSpace(nullptr, &totalBytes, &freeBytes), -65);
    EXPECT_EQ(GetDiskSpace("C:\\", &totalBytes, nullptr), -65);
    EXPECT_EQ(GetDiskSpace("C:\\", nullptr, &freeBytes), -65);
    EXPECT_EQ(totalBytes.low, kUSentinel);
    EXPECT_EQ(freeBytes.high, kUSentinel);
}

// Any high word makes the value greater; otherwise the low word is compared unsigned.
TEST(SystemInfo, UInt64Comparison) {
    struct Case {
        UInt64Type value;
        unsigned int number;
        int expected;
    } cases[] = {
        {{0, 1}, 4294967295u, 1},     {{0, 0}, 0, 0},          {{5, 0}, 5, 0},
        {{4294967295u, 0}, 1, 1},     {{1, 0}, 4294967295u, -1}, {{0, 0}, 1, -1},
        {{0x80000000u, 0}, 0x7FFFFFFFu, 1}, {{7, 0x80000000u}, 7, 1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(UInt64TypeCompareUInt(c.value, c.number), c.expected)
            << c.value.high << ":" << c.value.low << " vs " << c.number;
}

// ---------------------------------------------------------------------------------
// Settings: each case puts back what it changes.

class SystemSettings : public ::testing::Test {
protected:
    SavedSetting delay_{SPI_GETKEYBOARDDELAY, SPI_SETKEYBOARDDELAY};
    SavedSetting speed_{SPI_GETKEYBOARDSPEED, SPI_SETKEYBOARDSPEED};
    SavedSetting screenSaverActive_{SPI_GETSCREENSAVEACTIVE, SPI_SETSCREENSAVEACTIVE};
    SavedSetting screenSaverTimeout_{SPI_GETSCREENSAVETIMEOUT, SPI_SETSCREENSAVETIMEOUT};
    SavedWallpaper wallpaper_;
    SavedDesktopValue screenSaverFile_{"SCRNSAVE.EXE"};
    SavedDesktopValue tileValue_{"TileWallpaper"};
    SavedDesktopValue wallpaperValue_{"Wallpaper"};
};

// Delay and speed reach the session and read back through the getter; the user's
// profile (its registry values) is not written.
TEST_F(SystemSettings, KeyboardPreferencesRoundTripWithoutTheProfile) {
    auto profile = [] { return regExeValues("Control Panel\\Keyboard"); };
    const auto profileBefore = profile();
    const int pairs[][2] = {{0, 0}, {3, 31}, {2, 17}, {1, 5}};
    for (const auto &pair : pairs) {
        SCOPED_TRACE(pair[0] * 100 + pair[1]);
        ASSERT_EQ(SetKeyboardPreferences(pair[0], pair[1]), 0);
        int delay = kSentinel, speed = kSentinel;
        EXPECT_EQ(GetKeyboardPreferences(nullptr, nullptr, &delay, &speed), 0);
        EXPECT_EQ(delay, pair[0]);
        EXPECT_EQ(speed, pair[1]);
        EXPECT_EQ(systemSetting(SPI_GETKEYBOARDDELAY), pair[0]);
        EXPECT_EQ(systemSetting(SPI_GETKEYBOARDSPEED), pair[1]);
    }
    EXPECT_EQ(profile(), profileBefore);
}

// When the speed is refused the delay found before is put back; a refused delay
// changes nothing. (Wine takes any speed, clamping it, so the refusal is injected.)
TEST_F(SystemSettings, KeyboardDelayIsPutBackWhenTheSpeedIsRefused) {
    ASSERT_EQ(SetKeyboardPreferences(1, 10), 0);
    for (UINT refused : {SPI_SETKEYBOARDSPEED, SPI_SETKEYBOARDDELAY, SPI_GETKEYBOARDDELAY}) {
        SCOPED_TRACE(refused);
        RefusedParameter refusal(refused);
        EXPECT_EQ(SetKeyboardPreferences(3, 25), TbErrUnknownSystem);
        EXPECT_EQ(systemSetting(SPI_GETKEYBOARDDELAY), 1);
        EXPECT_EQ(systemSetting(SPI_GETKEYBOARDSPEED), 10);
    }
    // A speed the system clamps is taken, not refused.
    EXPECT_EQ(SetKeyboardPreferences(2, 1000), 0);
    EXPECT_EQ(systemSetting(SPI_GETKEYBOARDDELAY), 2);
}

// The screen saver round-trips: active with a file (which reg.exe then reads in the
// user's desktop values), and off without one, which leaves the file value alone.
TEST_F(SystemSettings, ScreenSaverRoundTrip) {
    const std::string file = "C:\\windows\\system32\\toolbox test.scr";
    ASSERT_EQ(SetScreenSaver(1, 600, file.c_str()), 0);
    int active = kSentinel, timeout = kSentinel;
    EXPECT_EQ(GetScreenSaver(&active, &timeout), 0);
    EXPECT_EQ(active, 1);
    EXPECT_EQ(timeout, 600);
    EXPECT_EQ(systemSetting(SPI_GETSCREENSAVEACTIVE), 1);
    EXPECT_EQ(systemSetting(SPI_GETSCREENSAVETIMEOUT), 600);
    auto values = regExeValues(kDesktopKey);
    EXPECT_EQ(values["SCRNSAVE.EXE"], std::make_pair(std::string("REG_SZ"), file));

    ASSERT_EQ(SetScreenSaver(0, 120, nullptr), 0);
    EXPECT_EQ(GetScreenSaver(&active, &timeout), 0);
    EXPECT_EQ(active, 0);
    EXPECT_EQ(timeout, 120);
    EXPECT_EQ(regExeValues(kDesktopKey)["SCRNSAVE.EXE"].second, file);

    // Active without a file: -65, nothing changed.
    EXPECT_EQ(SetScreenSaver(1, 300, nullptr), -65);
    EXPECT_EQ(systemSetting(SPI_GETSCREENSAVEACTIVE), 0);
    EXPECT_EQ(systemSetting(SPI_GETSCREENSAVETIMEOUT), 120);
    int only = kSentinel;
    EXPECT_EQ(GetScreenSaver(nullptr, &only), 0);
    EXPECT_EQ(only, 120);
}

// Reading stops at a refused active state; setting goes on to the timeout after one.
TEST_F(SystemSettings, ScreenSaverStepsWhenRefused) {
    ASSERT_EQ(SetScreenSaver(0, 240, nullptr), 0);
    {
        RefusedParameter refusal(SPI_GETSCREENSAVEACTIVE);
        int active = kSentinel, timeout = kSentinel;
        EXPECT_EQ(GetScreenSaver(&active, &timeout), TbErrUnknownSystem);
        EXPECT_EQ(active, kSentinel);
        EXPECT_EQ(timeout, kSentinel) << "the timeout is not read after a failure";
    }
    {
        RefusedParameter refusal(SPI_GETSCREENSAVETIMEOUT);
        int active = kSentinel, timeout = kSentinel;
        EXPECT_EQ(GetScreenSaver(&active, &timeout), TbErrUnknownSystem);
        EXPECT_EQ(active, 0);
        EXPECT_EQ(timeout, kSentinel);
    }
    {
        RefusedParameter refusal(SPI_SETSCREENSAVEACTIVE);
        EXPECT_EQ(SetScreenSaver(1, 480, "C:\\x.scr"), TbErrUnknownSystem);
        EXPECT_EQ(systemSetting(SPI_GETSCREENSAVEACTIVE), 0);
        EXPECT_EQ(systemSetting(SPI_GETSCREENSAVETIMEOUT), 480) << "the timeout is still set";
    }
    {
        RefusedParameter refusal(SPI_SETSCREENSAVETIMEOUT);
        EXPECT_EQ(SetScreenSaver(1, 720, "C:\\x.scr"), TbErrUnknownSystem);
        EXPECT_EQ(systemSetting(SPI_GETSCREENSAVEACTIVE), 1);
        EXPECT_EQ(systemSetting(SPI_GETSCREENSAVETIMEOUT), 480);
    }
}

// The wallpaper round-trips through the getter, reg.exe sees both values, and the
// session shows the image. A refused image keeps the stored values.
TEST_F(SystemSettings, WallpaperRoundTrip) {
    testing_support::ScratchDir folder;
    const std::string tiled = folder.write("tiled image.bmp", "BM");
    const std::string whole = folder.write("whole.bmp", "BM");
    struct Case {
        int tile;
        const std::string &image;
        const char *stored;
    } cases[] = {{1, tiled, "1"}, {0, whole, "0"}, {-7, tiled, "1"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.tile);
        ASSERT_EQ(SetWallpaper(c.tile, c.image.c_str()), 0);
        int tile = kSentinel;
        char image[MAX_PATH + 8];
        std::memset(image, 0xbd, sizeof image);
        EXPECT_EQ(GetWallpaper(&tile, image), 0);
        EXPECT_EQ(tile, c.tile ? 1 : 0);
        EXPECT_EQ(std::string(image), c.image);
        auto values = regExeValues(kDesktopKey);
        EXPECT_EQ(values["TileWallpaper"], std::make_pair(std::string("REG_SZ"), std::string(c.stored)));
        EXPECT_EQ(values["Wallpaper"], std::make_pair(std::string("REG_SZ"), c.image));
        char shown[MAX_PATH] = "";
        ASSERT_TRUE(SystemParametersInfoA(SPI_GETDESKWALLPAPER, sizeof shown, shown, 0));
        EXPECT_EQ(std::string(shown), c.image);
    }
    EXPECT_EQ(SetWallpaper(1, nullptr), -65);
    {
        RefusedParameter refusal(SPI_SETDESKWALLPAPER);
        EXPECT_EQ(SetWallpaper(1, whole.c_str()), TbErrUnknownSystem);
        EXPECT_EQ(regExeValues(kDesktopKey)["Wallpaper"].second, whole) << "stored before the refusal";
    }
}

// Values the library did not write: a one-digit tile reads as its number; a longer,
// non-numeric, empty or missing tile value, or a missing image, gives -5095 with both
// outputs untouched. The values are set up with reg.exe.
TEST_F(SystemSettings, WallpaperValuesThatAreNoSetting) {
    const std::string key = std::string("\"HKCU\\") + kDesktopKey + "\"";
    runRegExe("add " + key + " /v Wallpaper /t REG_SZ /d \"C:\\some where\\w.bmp\" /f");
    struct Case {
        const char *tileData;  // null: the value is removed
        int code;
        int tile;
    } cases[] = {{"7", 0, 7},  {"0", 0, 0},   {"10", TbErrUnknownSystem, 0}, {"x", TbErrUnknownSystem, 0},
                 {"", TbErrUnknownSystem, 0}, {nullptr, TbErrUnknownSystem, 0}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.tileData ? c.tileData : "(missing)");
        if (c.tileData)
            runRegExe("add " + key + " /v TileWallpaper /t REG_SZ /d \"" + c.tileData + "\" /f");
        else
            runRegExe("delete " + key + " /v TileWallpaper /f");
        int tile = kSentinel;
        char image[MAX_PATH] = "untouched";
        EXPECT_EQ(GetWallpaper(&tile, image), c.code);
        EXPECT_EQ(tile, c.code == 0 ? c.tile : kSentinel);
        EXPECT_STREQ(image, c.code == 0 ? "C:\\some where\\w.bmp" : "untouched");
    }
    runRegExe("add " + key + " /v TileWallpaper /t REG_SZ /d 1 /f");
    runRegExe("delete " + key + " /v Wallpaper /f");
    int tile = kSentinel;
    char image[MAX_PATH] = "untouched";
    EXPECT_EQ(GetWallpaper(&tile, image), TbErrUnknownSystem);
    EXPECT_EQ(tile, kSentinel);
    EXPECT_STREQ(image, "untouched");
    EXPECT_EQ(GetWallpaper(nullptr, image), -65);
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
    if (!probe) return false;
    CloseHandle(probe);
    return true;
}

// The test's own hold on a group's named mutex.
class HeldLock {
public:
    explicit HeldLock(const char *library) : mutex_(CreateMutexA(nullptr, FALSE, lockName(library).c_str())) {
        EXPECT_NE(mutex_, nullptr);
        EXPECT_EQ(WaitForSingleObject(mutex_, 5000), WAIT_OBJECT_0);
    }
    ~HeldLock() {
        release();
        CloseHandle(mutex_);
    }
    HeldLock(const HeldLock &) = delete;
    HeldLock &operator=(const HeldLock &) = delete;
    void release() {
        if (held_) ReleaseMutex(mutex_);
        held_ = false;
    }

private:
    HANDLE mutex_;
    bool held_ = true;
};

std::string besideTheSuite(const char *name) {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\') + 1) + name;
}

int fakeAttaches() {
    char text[16] = "0";
    if (!GetEnvironmentVariableA(TOOLBOX_FAKE_ATTACHES, text, sizeof text)) return 0;
    return std::atoi(text);
}

FakeSystemCalls *fakeRecord(const std::string &path) {
    HMODULE module = GetModuleHandleA(path.c_str());
    if (!module) return nullptr;
    auto record = reinterpret_cast<FakeSystemRecordFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "FakeSystemRecord")));
    return record ? record() : nullptr;
}

// Points a group at another library while it lives; afterwards the group loads its own
// again, and whatever the test made it load is unloaded.
class LibraryOverride {
public:
    LibraryOverride(tb::SystemGroup group, std::string path) : group_(group), path_(std::move(path)) {
        SetEnvironmentVariableA(TOOLBOX_FAKE_ATTACHES, nullptr);
        tb::overrideSystemLibrary(group_, path_.c_str());
    }
    ~LibraryOverride() {
        tb::overrideSystemLibrary(group_, nullptr);
        while (HMODULE module = GetModuleHandleA(path_.c_str())) FreeLibrary(module);
    }
    LibraryOverride(const LibraryOverride &) = delete;
    LibraryOverride &operator=(const LibraryOverride &) = delete;

    // How often the library had to be freed to leave the process: the loads it had.
    int unload() {
        int loads = 0;
        while (HMODULE module = GetModuleHandleA(path_.c_str())) {
            FreeLibrary(module);
            if (++loads > 100) break;
        }
        return loads;
    }

private:
    tb::SystemGroup group_;
    std::string path_;
};

// A block of dropped files as the shell hands it over: three names at point (3, 4).
HGLOBAL makeDrop(const std::vector<std::string> &names) {
    size_t size = sizeof(DROPFILES) + 1;
    for (const std::string &name : names) size += name.size() + 1;
    HGLOBAL block = GlobalAlloc(GHND, size);
    auto *drop = static_cast<DROPFILES *>(GlobalLock(block));
    drop->pFiles = sizeof(DROPFILES);
    drop->pt = {3, 4};
    drop->fNC = FALSE;
    drop->fWide = FALSE;
    char *text = reinterpret_cast<char *>(drop + 1);
    for (const std::string &name : names) {
        std::memcpy(text, name.c_str(), name.size() + 1);
        text += name.size() + 1;
    }
    *text = '\0';
    GlobalUnlock(block);
    return block;
}

// Every call-through reaches the system function with its arguments and gives back its
// result: the shell's on a real block of dropped files and a real window, the kernel's
// on a real disk.
TEST(SystemLoader, CallThroughsReachTheSystem) {
    const std::vector<std::string> names = {"C:\\a.txt", "C:\\some folder\\b c.doc", "D:\\x"};
    HDROP drop = static_cast<HDROP>(makeDrop(names));
    int result = kSentinel;
    ASSERT_EQ(tb::CallDragQueryFile(drop, 0xFFFFFFFFu, nullptr, 0, &result), 0);
    EXPECT_EQ(result, 3);
    for (UINT i = 0; i < names.size(); ++i) {
        char buffer[MAX_PATH] = "";
        EXPECT_EQ(tb::CallDragQueryFile(drop, i, buffer, sizeof buffer, &result), 0);
        EXPECT_EQ(result, static_cast<int>(names[i].size()));
        EXPECT_EQ(std::string(buffer), names[i]);
    }
    char small[4] = "";
    EXPECT_EQ(tb::CallDragQueryFile(drop, 1, small, sizeof small, &result), 0);
    EXPECT_EQ(result, static_cast<int>(DragQueryFileA(drop, 1, small, sizeof small)));
    POINT point = {-1, -1};
    EXPECT_EQ(tb::CallDragQueryPoint(drop, &point, &result), 0);
    EXPECT_EQ(result, DragQueryPoint(drop, &point));
    EXPECT_EQ(point.x, 3);
    EXPECT_EQ(point.y, 4);
    EXPECT_EQ(tb::CallDragFinish(drop), 0);
    EXPECT_EQ(GlobalFlags(drop), static_cast<UINT>(GMEM_INVALID_HANDLE)) << "the block was not freed";

    HWND window = CreateWindowExA(0, "STATIC", "drop target", WS_POPUP, 0, 0, 10, 10, nullptr,
                                  nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr) << "no window: Wine needs a display or its null graphics driver";
    EXPECT_EQ(tb::CallDragAcceptFiles(window, TRUE), 0);
    EXPECT_TRUE(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    EXPECT_EQ(tb::CallDragAcceptFiles(window, FALSE), 0);
    EXPECT_FALSE(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    NOTIFYICONDATAA icon = {};
    icon.cbSize = sizeof icon;
    icon.hWnd = window;
    icon.uID = 77;
    result = kSentinel;
    EXPECT_EQ(tb::CallShellNotifyIcon(NIM_DELETE, &icon, &result), 0);
    EXPECT_EQ(result, Shell_NotifyIconA(NIM_DELETE, &icon)) << "no such icon";
    DestroyWindow(window);

    ULARGE_INTEGER available = {}, total = {}, totalFree = {}, directTotal = {};
    ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", nullptr, &directTotal, nullptr));
    EXPECT_EQ(tb::CallGetDiskFreeSpaceEx("C:\\", &available, &total, &totalFree, &result), 0);
    EXPECT_EQ(result, TRUE);
    EXPECT_EQ(total.QuadPart, directTotal.QuadPart);
    EXPECT_LE(available.QuadPart, total.QuadPart);
    SetLastError(0);
    EXPECT_EQ(tb::CallGetDiskFreeSpaceEx("C:\\no such folder\\x\\", &available, &total, &totalFree, &result), 0);
    EXPECT_EQ(result, FALSE);
    EXPECT_NE(GetLastError(), 0u) << "the system's error is left for the caller";
}

// Runs a call-through on another thread and says whether it finished within the wait.
template <typename Call>
bool finishesWhileLockHeld(HeldLock &lock, Call call, std::chrono::milliseconds wait, int &code) {
    auto pending = std::async(std::launch::async, call);
    bool finished = pending.wait_for(wait) == std::future_status::ready;
    lock.release();  // a blocked call must end before the test does
    code = pending.get();
    return finished;
}

// The first call-through of a group waits for the group's named mutex; once the group is
// loaded no call-through makes or waits on any lock, and no loading call leaves the
// mutex behind.
TEST(SystemLoader, ALoadedGroupTakesNoLock) {
    // Earlier cases of this process may have loaded the groups already.
    tb::overrideSystemLibrary(tb::SystemGroup::Kernel, nullptr);
    tb::overrideSystemLibrary(tb::SystemGroup::Shell, nullptr);
    ULARGE_INTEGER available, total, totalFree;
    auto diskCall = [&] {
        int result = 0;
        return tb::CallGetDiskFreeSpaceEx("C:\\", &available, &total, &totalFree, &result);
    };
    int code = kSentinel;
    {
        HeldLock lock("KERNEL32.DLL");
        EXPECT_FALSE(finishesWhileLockHeld(lock, diskCall, std::chrono::milliseconds(300), code))
            << "the first call did not wait for the named mutex";
        EXPECT_EQ(code, 0);
    }
    EXPECT_FALSE(lockExists("KERNEL32.DLL")) << "the loader left a handle to its mutex open";
    {
        HeldLock lock("KERNEL32.DLL");
        EXPECT_TRUE(finishesWhileLockHeld(lock, diskCall, std::chrono::seconds(20), code))
            << "a call-through of a loaded group waited for the mutex";
        EXPECT_EQ(code, 0);
    }

    ASSERT_EQ(tb::CallDragFinish(static_cast<HDROP>(makeDrop({"C:\\x"}))), 0);
    EXPECT_FALSE(lockExists("SHELL32.DLL"));
    HeldLock lock("SHELL32.DLL");
    // The window belongs to the calling thread: a window of the waiting test thread
    // would need that thread's messages pumped.
    auto shellCalls = [] {
        HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                      nullptr, nullptr);
        HDROP drop = static_cast<HDROP>(makeDrop({"C:\\x"}));
        int result = 0;
        POINT point;
        NOTIFYICONDATAA icon = {};
        icon.cbSize = sizeof icon;
        icon.hWnd = window;
        int codes = tb::CallDragAcceptFiles(window, TRUE);
        codes |= tb::CallDragQueryFile(drop, 0, nullptr, 0, &result);
        codes |= tb::CallDragQueryPoint(drop, &point, &result);
        codes |= tb::CallDragFinish(drop);
        codes |= tb::CallShellNotifyIcon(NIM_DELETE, &icon, &result);
        DestroyWindow(window);
        return codes;
    };
    EXPECT_TRUE(finishesWhileLockHeld(lock, shellCalls, std::chrono::seconds(20), code))
        << "a call-through of a loaded group waited for the mutex";
    EXPECT_EQ(code, 0);
}

// Threads that make their group's first call together load the library once: it has to
// be freed once to leave the process. (The stand-in's load is slow, so the threads meet
// at the mutex.)
TEST(SystemLoader, ConcurrentFirstCallsLoadOnce) {
    const std::string path = besideTheSuite("fake_system_complete.dll");
    LibraryOverride override(tb::SystemGroup::Shell, path);
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
    for (int i = 0; i < kThreads; ++i) {
        auto [code, result] = calls[i].get();
        EXPECT_EQ(code, 0) << "thread " << i;
        EXPECT_EQ(result, FAKE_NOTIFY_RESULT(i)) << "thread " << i;
    }
    EXPECT_EQ(fakeAttaches(), 1);
    EXPECT_EQ(override.unload(), 1) << "loads of the library";
}

// A library without one of the group's entry points: every call-through of the group
// gives -5094, the library does not stay loaded, no lock is left, and each call tries
// the whole load again, so a complete library in its place is taken by the next call,
// which forwards the arguments whole (pointer-sized handles included).
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
    const std::vector<std::function<int()>> calls = {
        [&] { return tb::CallDragQueryFile(drop, 2, buffer, sizeof buffer, &result); },
        [&] { return tb::CallDragQueryPoint(drop, &point, &result); },
        [&] { return tb::CallDragAcceptFiles(window, TRUE); },
        [&] { return tb::CallDragFinish(drop); },
        [&] { return tb::CallShellNotifyIcon(NIM_MODIFY, &icon, &result); },
    };
    int attempt = 0;
    for (const auto &call : calls) {
        SCOPED_TRACE(attempt);
        EXPECT_EQ(call(), TbErrSystemFunctionMissing);
        EXPECT_EQ(GetModuleHandleA(path.c_str()), nullptr) << "the library was kept";
        EXPECT_EQ(fakeAttaches(), ++attempt) << "the load was not tried again";
        EXPECT_FALSE(lockExists("SHELL32.DLL"));
        EXPECT_EQ(result, kSentinel);
    }

    ASSERT_TRUE(CopyFileA(besideTheSuite("fake_system_complete.dll").c_str(), path.c_str(), FALSE));
    EXPECT_EQ(tb::CallDragQueryFile(drop, 2, buffer, sizeof buffer, &result), 0);
    EXPECT_EQ(fakeAttaches(), attempt + 1);
    EXPECT_EQ(result, static_cast<int>(FAKE_QUERY_FILE_RESULT(2)));
    EXPECT_STREQ(buffer, "fake");
    FakeSystemCalls *record = fakeRecord(path);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->handle, static_cast<void *>(drop));
    EXPECT_EQ(record->size, sizeof buffer);

    EXPECT_EQ(tb::CallDragQueryPoint(drop, &point, &result), 0);
    EXPECT_EQ(result, 2);
    EXPECT_EQ(point.x, FAKE_POINT_X);
    EXPECT_EQ(point.y, FAKE_POINT_Y);
    EXPECT_EQ(tb::CallDragAcceptFiles(window, TRUE), 0);
    EXPECT_STREQ(record->lastEntry, "DragAcceptFiles");
    EXPECT_EQ(record->handle, static_cast<void *>(window));
    EXPECT_EQ(record->flag, TRUE);
    EXPECT_EQ(tb::CallDragFinish(drop), 0);
    EXPECT_STREQ(record->lastEntry, "DragFinish");
    EXPECT_EQ(record->handle, static_cast<void *>(drop));
    EXPECT_EQ(tb::CallShellNotifyIcon(NIM_MODIFY, &icon, &result), 0);
    EXPECT_EQ(record->data, static_cast<void *>(&icon));
    EXPECT_EQ(result, FAKE_NOTIFY_RESULT(NIM_MODIFY));
    EXPECT_EQ(fakeAttaches(), attempt + 1) << "a loaded group loaded again";
    EXPECT_EQ(override.unload(), 1);
}

// GetDiskSpace takes the older query when the 64-bit one cannot be had: its library
// does not load (-5093), lacks it (-5094), or has it without the function behind it
// (error 120). Both sizes are the older query's whole products.
TEST(SystemLoader, DiskSpaceFallsBackToTheOlderQuery) {
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    ASSERT_TRUE(GetDiskFreeSpaceA("C:\\", &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters));
    const uint64_t cluster = static_cast<uint64_t>(sectorsPerCluster) * bytesPerSector;
    const uint64_t expectedTotal = cluster * clusters;
    const uint64_t expectedFree = cluster * freeClusters;

    struct Case {
        const char *library;
        int loaderCode;
    } cases[] = {{"no such library.dll", TbErrSystemDllLoad},
                 {"fake_system_incomplete.dll", TbErrSystemFunctionMissing},
                 {"fake_system_complete.dll", 0}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.library);
        LibraryOverride override(tb::SystemGroup::Kernel, besideTheSuite(c.library));
        ULARGE_INTEGER available, total, totalFree;
        int result = kSentinel;
        EXPECT_EQ(tb::CallGetDiskFreeSpaceEx("C:\\", &available, &total, &totalFree, &result), c.loaderCode);
        if (c.loaderCode == 0) {
            EXPECT_EQ(result, FALSE);
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
        }
        UInt64Type totalBytes = {kUSentinel, kUSentinel}, freeBytes = {kUSentinel, kUSentinel};
        EXPECT_EQ(GetDiskSpace("C:\\", &totalBytes, &freeBytes), 0);
        EXPECT_EQ(asNumber(totalBytes), expectedTotal);
        uint64_t freeNow = asNumber(freeBytes);
        EXPECT_LE(freeNow > expectedFree ? freeNow - expectedFree : expectedFree - freeNow, 1ull << 30);
        totalBytes = freeBytes = {kUSentinel, kUSentinel};
        EXPECT_EQ(GetDiskSpace("C:\\no such folder\\x\\", &totalBytes, &freeBytes), TbErrUnknownSystem);
        EXPECT_EQ(asNumber(totalBytes), 0u);
        EXPECT_EQ(asNumber(freeBytes), 0u);
    }
}

}  // namespace
