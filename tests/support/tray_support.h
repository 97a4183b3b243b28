// Windows suites of tray icons: an icon file to load, the family's hidden window, a
// recorder for icon callbacks with scripted answers and actions, and a look at the
// popup menu while the menu's own loop shows it.
#ifndef TOOLBOX_TRAY_SUPPORT_H
#define TOOLBOX_TRAY_SUPPORT_H

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "rtengine.h"
#include "toolbox.h"

namespace testing_support {

// Writes a 16x16 icon with 32-bit pixels of one colour (0xAARRGGBB).
inline void writeIconFile(const std::string &path, uint32_t colour) {
    const int side = 16;
    std::vector<unsigned char> bytes;
    auto put16 = [&](unsigned v) { bytes.push_back(v & 0xFF); bytes.push_back((v >> 8) & 0xFF); };
    auto put32 = [&](uint32_t v) { put16(v & 0xFFFF); put16(v >> 16); };
    const uint32_t pixels = side * side * 4, mask = side * 4, image = 40 + pixels + mask;
    put16(0); put16(1); put16(1);                      // icon file with one image
    bytes.push_back(side); bytes.push_back(side); bytes.push_back(0); bytes.push_back(0);
    put16(1); put16(32); put32(image); put32(6 + 16);  // planes, depth, size, offset
    put32(40); put32(side); put32(side * 2); put16(1); put16(32);
    for (int i = 0; i < 6; ++i) put32(0);              // no compression, sizes, colours
    for (uint32_t i = 0; i < pixels / 4; ++i) put32(colour);
    for (uint32_t i = 0; i < mask; ++i) bytes.push_back(0);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(bytes.data()),
                                                std::streamsize(bytes.size()));
}

// The calling thread's window with this title, or null.
inline HWND threadWindowTitled(const char *title) {
    struct Search {
        const char *title;
        HWND found;
    } search = {title, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM data) -> BOOL {
            auto *s = reinterpret_cast<Search *>(data);
            char text[128] = "";
            GetWindowTextA(window, text, sizeof text);
            if (std::string(text) != s->title) return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

inline HWND trayWindow() { return threadWindowTitled("Tray Icon Message Handler"); }

// Processes events until done() holds or `passes` passes (5 ms apart) have gone by.
inline bool pumpUntil(const std::function<bool()> &done, int passes = 400) {
    for (int pass = 0; pass < passes; ++pass) {
        ProcessSystemEvents();
        if (done()) return true;
        Sleep(5);
    }
    return done();
}
inline void pumpAWhile() {
    for (int pass = 0; pass < 10; ++pass) ProcessSystemEvents();
}

// One menu item as GetMenuItemInfoA reads it.
struct MenuItem {
    UINT id, type, state;
    std::string text;
    bool operator==(const MenuItem &o) const {
        return id == o.id && type == o.type && state == o.state && text == o.text;
    }
};
inline std::ostream &operator<<(std::ostream &out, const MenuItem &m) {
    return out << "{id " << m.id << ", type " << m.type << ", state " << m.state << ", \""
               << m.text << "\"}";
}

inline std::vector<MenuItem> readMenu(HMENU menu) {
    std::vector<MenuItem> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[64] = "";
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = sizeof text;
        if (!GetMenuItemInfoA(menu, UINT(i), TRUE, &info)) break;
        items.push_back({info.wID, info.fType, info.fState, text});
    }
    return items;
}

// While a popup menu is shown (called from a timer inside the menu's loop): its items.
inline std::vector<MenuItem> itemsOfShownMenu() {
    HWND popup = FindWindowA("#32768", nullptr);
    if (!popup) return {};
    auto menu = reinterpret_cast<HMENU>(SendMessageA(popup, 0x01E1 /* MN_GETHMENU */, 0, 0));
    return menu ? readMenu(menu) : std::vector<MenuItem>{};
}

// True while icon is a live icon handle.
inline bool iconAlive(void *icon) {
    ICONINFO info = {};
    if (!GetIconInfo(static_cast<HICON>(icon), &info)) return false;
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return true;
}

// One icon callback call.
struct TrayCall {
    int icon, event, data;
    bool operator==(const TrayCall &o) const {
        return icon == o.icon && event == o.event && data == o.data;
    }
};
inline std::ostream &operator<<(std::ostream &out, const TrayCall &c) {
    return out << "{icon " << c.icon << ", event " << c.event << ", " << c.data << "}";
}

// Records icon callbacks (one recorder per process: the callback has no data). For an
// event it answers what answer() set and runs what act() set first.
class TrayRecorder {
public:
    static TrayRecorder &instance() {
        static TrayRecorder recorder;
        return recorder;
    }
    static int callback(int icon, int event, int data) {
        TrayRecorder &r = instance();
        r.calls_.push_back({icon, event, data});
        auto action = r.actions_.find(event);
        if (action != r.actions_.end()) action->second(icon);
        auto answer = r.answers_.find(event);
        return answer == r.answers_.end() ? 0 : answer->second;
    }
    void answer(int event, int result) { answers_[event] = result; }
    void act(int event, std::function<void(int)> action) { actions_[event] = std::move(action); }
    const std::vector<TrayCall> &calls() const { return calls_; }
    void reset() {
        calls_.clear();
        answers_.clear();
        actions_.clear();
    }

private:
    std::vector<TrayCall> calls_;
    std::map<int, int> answers_;
    std::map<int, std::function<void(int)>> actions_;
};

// Keys for the menu's own loop, posted to the menu's owner before the menu opens.
inline void postMenuKeys(HWND owner, const std::vector<WPARAM> &keys) {
    for (WPARAM key : keys) {
        PostMessageA(owner, WM_KEYDOWN, key, 0);
        PostMessageA(owner, WM_KEYUP, key, 0);
    }
}

// A timer that runs once inside the coming menu loop: what it sees, then the menu ends.
inline std::vector<MenuItem> &seenInMenu() {
    static std::vector<MenuItem> seen;
    return seen;
}
inline void endMenuSoon(bool look) {
    static bool looking;
    looking = look;
    seenInMenu().clear();
    SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        if (looking) seenInMenu() = itemsOfShownMenu();
        EndMenu();
    });
}

}  // namespace testing_support

#endif
