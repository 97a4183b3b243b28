// Tray icons: handles, the hidden panel, tooltips, menus and their attributes read back
// from the menu itself, notifications turned into events, the menu chosen by keys or
// ended, suppressed menus, late notifications and callbacks that remove their icon.
//
// The TrayIcons suites run against a stand-in shell headless, and against the real
// shell when TOOLBOX_TRAY_DISPLAY=1 (a display and Wine's virtual desktop; scripts/test
// runs them so with --gtest_filter='*TrayIcons*:-*DeathTest*'). TrayFakeShell looks at
// what the shell is given; TrayHeadless checks the real shell's refusal without a
// display.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "assertion_capture.h"
#include "system_library_override.h"
#include "test_support.h"
#include "toolbox.h"
#include "tray_support.h"

using testing_support::MenuItem;
using testing_support::TrayCall;
using testing_support::TrayRecorder;
using testing_support::trayWindow;

namespace {

bool onDisplay() {
    char value[8] = "";
    return GetEnvironmentVariableA("TOOLBOX_TRAY_DISPLAY", value, sizeof value) && value[0] == '1';
}

constexpr int kRightDown = WM_RBUTTONDOWN, kRightUp = WM_RBUTTONUP, kLeftUp = WM_LBUTTONUP;
constexpr int kSentinel = int(0xDEADBEEF);

TrayRecorder &recorder() { return TrayRecorder::instance(); }

template <typename Case>
std::string nameOf(const ::testing::TestParamInfo<Case> &given) {
    return given.param.name;
}

bool called(int event) {
    for (const TrayCall &c : recorder().calls())
        if (c.event == event) return true;
    return false;
}

// Icons from a scratch folder, removed at the end; the stand-in shell unless on a display.
class TrayIcons : public ::testing::Test {
protected:
    void SetUp() override {
        if (!onDisplay())
            shell = std::make_unique<LibraryOverride>(tb::SystemGroup::Shell,
                                                      besideTheSuite("fake_system_complete.dll"));
        recorder().reset();
        testing_support::writeIconFile(red, 0xFFFF0000u);
        testing_support::writeIconFile(blue, 0xFF0000FFu);
    }
    void TearDown() override {
        for (int handle = 1; handle <= 12; ++handle) RemoveSysTrayIcon(handle);
        EXPECT_EQ(trayWindow(), nullptr) << "the hidden panel outlived the last icon";
        recorder().reset();
        shell.reset();
    }
    int install(const char *tip = "tray test") {
        int handle = kSentinel;
        EXPECT_EQ(InstallSysTrayIcon(red.c_str(), tip, TrayRecorder::callback, &handle), 0);
        return handle;
    }
    // A notification as the shell sends it.
    void notify(int icon, int notification) {
        ASSERT_TRUE(PostMessageA(trayWindow(), TbTrayCallbackMessage, WPARAM(icon), notification));
    }
    // Posts the notification, then a left button release on `marker` as a marker, and
    // gives back the calls up to the marker's.
    std::vector<TrayCall> notifyThenMark(int icon, int notification, int marker) {
        notify(icon, notification);
        notify(marker, kLeftUp);
        EXPECT_TRUE(testing_support::pumpUntil([&] {
            const auto &calls = recorder().calls();
            return !calls.empty() && calls.back() == TrayCall{marker, TbEventLeftMouseUp, 0};
        }));
        std::vector<TrayCall> calls = recorder().calls();
        if (!calls.empty()) calls.pop_back();
        return calls;
    }
    // An icon with a menu of the given items (null: separator).
    int withMenu(const std::vector<const char *> &items) {
        const int icon = install();
        EXPECT_EQ(AttachTrayIconMenu(icon), 0);
        for (size_t i = 0; i < items.size(); ++i) {
            int index = kSentinel;
            EXPECT_EQ(InsertTrayIconMenuItem(icon, items[i], &index), 0);
            EXPECT_EQ(index, int(i) + 1);
        }
        return icon;
    }
    // A right click (button down, then up) and the calls until the button-up event.
    std::vector<TrayCall> rightClick(int icon) {
        notify(icon, kRightDown);
        notify(icon, kRightUp);
        EXPECT_TRUE(testing_support::pumpUntil([] { return called(TbEventRightMouseUp); }));
        return recorder().calls();
    }

    testing_support::ScratchDir scratch;
    std::string red = scratch.path("red.ico"), blue = scratch.path("blue.ico");
    std::unique_ptr<LibraryOverride> shell;
};

// Handles are the smallest free numbers; the hidden panel exists exactly while icons do.
TEST_F(TrayIcons, HandlesAreTheSmallestFreeAndThePanelLivesWithTheIcons) {
    EXPECT_EQ(trayWindow(), nullptr);
    EXPECT_EQ(install(), 1);
    HWND hidden = trayWindow();
    ASSERT_NE(hidden, nullptr);
    EXPECT_FALSE(IsWindowVisible(hidden));
    EXPECT_EQ(install(), 2);
    EXPECT_EQ(install(), 3);
    EXPECT_EQ(RemoveSysTrayIcon(2), 0);
    EXPECT_EQ(RemoveSysTrayIcon(2), TbErrInvalidTrayIcon);
    EXPECT_EQ(install(), 2);
    EXPECT_EQ(install(), 4);
    for (int handle : {3, 1, 4, 2}) EXPECT_EQ(RemoveSysTrayIcon(handle), 0) << handle;
    EXPECT_EQ(trayWindow(), nullptr);
    EXPECT_EQ(install(), 1);
    EXPECT_NE(trayWindow(), nullptr);
}

// Every refusal has its code and writes nothing.
TEST_F(TrayIcons, BadInputGetsItsCode) {
    const int bare = install();
    const int menu = withMenu({"One", "Two"});
    const std::string missing = scratch.path("missing.ico");
    int value = kSentinel, index = kSentinel;
    char text[80];
    std::memset(text, 0xBD, sizeof text);
    struct Case {
        const char *what;
        int code, expected;
    };
    const Case cases[] = {
        {"set null value", SetTrayIconAttr(bare, TbTrayAttrToolTipText, nullptr), -65},
        {"set unknown icon", SetTrayIconAttr(99, TbTrayAttrToolTipText, "x"), TbErrInvalidTrayIcon},
        {"set length", SetTrayIconAttr(bare, TbTrayAttrToolTipTextLength, "x"), -46},
        {"set unreadable image", SetTrayIconAttr(bare, TbTrayAttrImageFile, missing.c_str()), TbErrIconLoad},
        {"get null value", GetTrayIconAttr(bare, TbTrayAttrToolTipText, nullptr), -65},
        {"get unknown icon", GetTrayIconAttr(99, TbTrayAttrToolTipTextLength, &value), TbErrInvalidTrayIcon},
        {"get image", GetTrayIconAttr(bare, TbTrayAttrImageFile, text), -46},
        {"remove 0", RemoveSysTrayIcon(0), TbErrInvalidTrayIcon},
        {"remove -1", RemoveSysTrayIcon(-1), TbErrInvalidTrayIcon},
        {"attach unknown", AttachTrayIconMenu(99), TbErrInvalidTrayIcon},
        {"detach unknown", DetachTrayIconMenu(99), TbErrInvalidTrayIcon},
        {"detach none", DetachTrayIconMenu(bare), TbErrNoTrayMenu},
        {"insert null index", InsertTrayIconMenuItem(menu, "x", nullptr), -65},
        {"insert unknown", InsertTrayIconMenuItem(99, "x", &index), TbErrInvalidTrayIcon},
        {"insert no menu", InsertTrayIconMenuItem(bare, "x", &index), TbErrNoTrayMenu},
        {"menu attr unknown icon", SetTrayIconMenuAttr(99, TbTrayMenuAttrVisible, 1), TbErrInvalidTrayIcon},
        {"menu attr no menu", SetTrayIconMenuAttr(bare, TbTrayMenuAttrDefaultItem, 0), TbErrNoTrayMenu},
        {"default past count", SetTrayIconMenuAttr(menu, TbTrayMenuAttrDefaultItem, 3), -90},
        {"default negative", SetTrayIconMenuAttr(menu, TbTrayMenuAttrDefaultItem, -1), -90},
        {"menu attr unknown", SetTrayIconMenuAttr(menu, 777, 1), -46},
        {"get menu attr null", GetTrayIconMenuAttr(menu, TbTrayMenuAttrDefaultItem, nullptr), -65},
        {"get menu attr no menu", GetTrayIconMenuAttr(bare, TbTrayMenuAttrVisible, &value), TbErrNoTrayMenu},
        {"get menu attr unknown", GetTrayIconMenuAttr(menu, 777, &value), -46},
        {"item 0", SetTrayIconMenuItemAttr(menu, 0, TbTrayMenuItemAttrDimmed, 1), TbErrInvalidTrayMenuItem},
        {"item past count", SetTrayIconMenuItemAttr(menu, 3, TbTrayMenuItemAttrDimmed, 1), TbErrInvalidTrayMenuItem},
        {"item attr unknown", SetTrayIconMenuItemAttr(menu, 1, 777, 1), -46},
        {"item no menu", SetTrayIconMenuItemAttr(bare, 1, TbTrayMenuItemAttrChecked, 1), TbErrNoTrayMenu},
        {"item unknown icon", SetTrayIconMenuItemAttr(99, 1, TbTrayMenuItemAttrChecked, 1), TbErrInvalidTrayIcon},
        {"get item null", GetTrayIconMenuItemAttr(menu, 1, TbTrayMenuItemAttrDimmed, nullptr), -65},
        {"get item past count", GetTrayIconMenuItemAttr(menu, 3, TbTrayMenuItemAttrChecked, &value), TbErrInvalidTrayMenuItem},
        {"get item attr unknown", GetTrayIconMenuItemAttr(menu, 2, 777, &value), -46},
    };
    for (const Case &c : cases) EXPECT_EQ(c.code, c.expected) << c.what;
    EXPECT_EQ(value, kSentinel);
    EXPECT_EQ(index, kSentinel);
    EXPECT_EQ(text[0], char(0xBD));
}

// Menu items land at the end in order, numbered by position; default, dimmed and
// checked read back through the library and from the menu itself while it is shown.
TEST_F(TrayIcons, MenuItemsAndTheirAttributesReachTheMenu) {
    const int icon = withMenu({"Open", nullptr, "Exit"});
    int value = kSentinel;
    EXPECT_EQ(GetTrayIconMenuAttr(icon, TbTrayMenuAttrVisible, &value), 0);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(GetTrayIconMenuAttr(icon, TbTrayMenuAttrDefaultItem, &value), 0);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(SetTrayIconMenuAttr(icon, TbTrayMenuAttrDefaultItem, 3), 0);
    EXPECT_EQ(SetTrayIconMenuItemAttr(icon, 1, TbTrayMenuItemAttrDimmed, 1), 0);
    EXPECT_EQ(SetTrayIconMenuItemAttr(icon, 3, TbTrayMenuItemAttrChecked, 5), 0);
    struct Read {
        int item, attribute, expected;
    };
    for (const Read &r : {Read{1, TbTrayMenuItemAttrDimmed, 1}, Read{1, TbTrayMenuItemAttrChecked, 0},
                          Read{3, TbTrayMenuItemAttrChecked, 1}, Read{3, TbTrayMenuItemAttrDimmed, 0},
                          Read{2, TbTrayMenuItemAttrDimmed, 0}}) {
        value = kSentinel;
        EXPECT_EQ(GetTrayIconMenuItemAttr(icon, r.item, r.attribute, &value), 0);
        EXPECT_EQ(value, r.expected) << "item " << r.item << " attribute " << r.attribute;
    }
    EXPECT_EQ(GetTrayIconMenuAttr(icon, TbTrayMenuAttrDefaultItem, &value), 0);
    EXPECT_EQ(value, 3);

    recorder().act(EVENT_RIGHT_CLICK, [](int) { testing_support::endMenuSoon(true); });
    rightClick(icon);
    EXPECT_EQ(testing_support::seenInMenu(),
              (std::vector<MenuItem>{{1, MFT_STRING, MFS_GRAYED, "Open"},
                                     {2, MFT_SEPARATOR, 0, ""},
                                     {3, MFT_STRING, MFS_CHECKED | MFS_DEFAULT, "Exit"}}));

    // Cleared again: no default, nothing dimmed or checked.
    EXPECT_EQ(SetTrayIconMenuAttr(icon, TbTrayMenuAttrDefaultItem, 0), 0);
    EXPECT_EQ(SetTrayIconMenuItemAttr(icon, 1, TbTrayMenuItemAttrDimmed, 0), 0);
    EXPECT_EQ(SetTrayIconMenuItemAttr(icon, 3, TbTrayMenuItemAttrChecked, 0), 0);
    EXPECT_EQ(GetTrayIconMenuAttr(icon, TbTrayMenuAttrDefaultItem, &value), 0);
    EXPECT_EQ(value, 0);
    recorder().reset();
    recorder().act(EVENT_RIGHT_CLICK, [](int) { testing_support::endMenuSoon(true); });
    rightClick(icon);
    EXPECT_EQ(testing_support::seenInMenu(),
              (std::vector<MenuItem>{{1, MFT_STRING, 0, "Open"}, {2, MFT_SEPARATOR, 0, ""},
                                     {3, MFT_STRING, 0, "Exit"}}));

    // Attaching again starts an empty menu; detaching leaves none.
    EXPECT_EQ(AttachTrayIconMenu(icon), 0);
    int index = kSentinel;
    EXPECT_EQ(InsertTrayIconMenuItem(icon, "Only", &index), 0);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(SetTrayIconMenuAttr(icon, TbTrayMenuAttrVisible, 7), 0);
    EXPECT_EQ(GetTrayIconMenuAttr(icon, TbTrayMenuAttrVisible, &value), 0);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(DetachTrayIconMenu(icon), 0);
    EXPECT_EQ(GetTrayIconMenuAttr(icon, TbTrayMenuAttrVisible, &value), TbErrNoTrayMenu);
}

// ---- Tooltips ----

class TrayIconsToolTips : public TrayIcons, public ::testing::WithParamInterface<int> {
protected:
    // The tooltip reads back as its first 64 characters, terminated, and nothing past.
    void expectToolTip(int icon, const std::string &given) {
        const size_t kept = std::min<size_t>(given.size(), TbTrayMaxToolTipLength);
        int length = kSentinel;
        EXPECT_EQ(GetTrayIconAttr(icon, TbTrayAttrToolTipTextLength, &length), 0);
        EXPECT_EQ(length, int(kept));
        char text[TbTrayMaxToolTipLength + 16];
        std::memset(text, 0xBD, sizeof text);
        EXPECT_EQ(GetTrayIconAttr(icon, TbTrayAttrToolTipText, text), 0);
        EXPECT_EQ(std::string(text), given.substr(0, kept));
        for (size_t i = kept + 1; i < sizeof text; ++i) ASSERT_EQ(text[i], char(0xBD)) << "byte " << i;
        if (shell) {
            EXPECT_STREQ(shell->record()->noticeTip, given.substr(0, kept).c_str());
        }
    }
};

TEST_P(TrayIconsToolTips, AreCutToTheLimit) {
    std::string installed(size_t(GetParam()), 'a'), changed(size_t(GetParam()), 'b');
    for (size_t i = 0; i < installed.size(); ++i) installed[i] = char('a' + i % 26);
    const int icon = install(installed.c_str());
    expectToolTip(icon, installed);
    EXPECT_EQ(SetTrayIconAttr(icon, TbTrayAttrToolTipText, changed.c_str()), 0);
    expectToolTip(icon, changed);
}
INSTANTIATE_TEST_SUITE_P(Lengths, TrayIconsToolTips, ::testing::Values(0, 1, 63, 64, 65, 127, 300));

// ---- Notifications ----

struct Mapping {
    int notification, event;  // event 0: nothing is called
};

class TrayIconsNotifications : public TrayIcons, public ::testing::WithParamInterface<Mapping> {};

// Each mouse notification calls the icon's own callback with its event; others nothing.
TEST_P(TrayIconsNotifications, BecomeEvents) {
    const int first = install(), second = install();
    const Mapping m = GetParam();
    std::vector<TrayCall> expected;
    if (m.event) expected.push_back({second, m.event, 0});
    EXPECT_EQ(notifyThenMark(second, m.notification, first), expected);
}
INSTANTIATE_TEST_SUITE_P(Mouse, TrayIconsNotifications,
                         ::testing::Values(Mapping{WM_LBUTTONDOWN, EVENT_LEFT_CLICK},
                                           Mapping{WM_LBUTTONUP, TbEventLeftMouseUp},
                                           Mapping{WM_LBUTTONDBLCLK, EVENT_LEFT_DOUBLE_CLICK},
                                           Mapping{WM_RBUTTONDOWN, EVENT_RIGHT_CLICK},
                                           Mapping{WM_RBUTTONUP, TbEventRightMouseUp},
                                           Mapping{WM_RBUTTONDBLCLK, EVENT_RIGHT_DOUBLE_CLICK},
                                           Mapping{WM_MOUSEMOVE, 0}, Mapping{WM_MBUTTONDOWN, 0},
                                           Mapping{WM_USER, 0}));

// ---- Choosing from the menu ----

struct Choice {
    const char *name;
    std::vector<WPARAM> keys;  // none: the menu is ended from a timer
    int chosen;
};

class TrayIconsChoice : public TrayIcons, public ::testing::WithParamInterface<Choice> {};

// A right click shows the menu after event 5 and reports the item chosen (0: none)
// before the button-up event.
TEST_P(TrayIconsChoice, IsReportedAfterTheRightClick) {
    const int icon = withMenu({"One", "Two", "Three"});
    const Choice c = GetParam();
    recorder().act(EVENT_RIGHT_CLICK, [keys = c.keys](int) {
        if (keys.empty())
            testing_support::endMenuSoon(false);
        else
            testing_support::postMenuKeys(trayWindow(), keys);
    });
    EXPECT_EQ(rightClick(icon), (std::vector<TrayCall>{{icon, EVENT_RIGHT_CLICK, 0},
                                                       {icon, TbTrayEventMenuItemSelected, c.chosen},
                                                       {icon, TbEventRightMouseUp, 0}}));
}
INSTANTIATE_TEST_SUITE_P(
    Keys, TrayIconsChoice,
    ::testing::Values(Choice{"First", {VK_DOWN, VK_RETURN}, 1},
                      Choice{"Third", {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}, 3},
                      Choice{"Escape", {VK_ESCAPE}, 0}, Choice{"Ended", {}, 0}),
    nameOf<Choice>);

struct Suppression {
    const char *name;
    void (*prepare)(int icon);
};

class TrayIconsSuppressedMenu : public TrayIcons, public ::testing::WithParamInterface<Suppression> {};

// A non-zero answer to event 5, an invisible menu or no menu keep the menu shut.
TEST_P(TrayIconsSuppressedMenu, StaysShut) {
    const int icon = withMenu({"One"});
    GetParam().prepare(icon);
    // Should the menu open after all, it is ended and reported, and the test fails.
    recorder().act(EVENT_RIGHT_CLICK, [](int) { testing_support::endMenuSoon(false); });
    EXPECT_EQ(rightClick(icon), (std::vector<TrayCall>{{icon, EVENT_RIGHT_CLICK, 0},
                                                       {icon, TbEventRightMouseUp, 0}}));
}
INSTANTIATE_TEST_SUITE_P(
    Ways, TrayIconsSuppressedMenu,
    ::testing::Values(
        Suppression{"CallbackAnswer", [](int) { recorder().answer(EVENT_RIGHT_CLICK, 1); }},
        Suppression{"Invisible", [](int icon) { EXPECT_EQ(SetTrayIconMenuAttr(icon, TbTrayMenuAttrVisible, 0), 0); }},
        Suppression{"Detached", [](int icon) { EXPECT_EQ(DetachTrayIconMenu(icon), 0); }}),
    nameOf<Suppression>);

// ---- Notifications that outlive their icon, callbacks that remove it ----

// Dispatches what was posted to the hidden window without running deferred calls, so
// the notifications wait in the engine's queue.
void dispatchWindowMessagesOnly() {
    MSG message;
    while (PeekMessageA(&message, trayWindow(), 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

// A notification queued before its icon was removed does nothing when it runs, also
// when the whole tray went with the icon.
TEST_F(TrayIcons, LateNotificationsDoNothing) {
    const int kept = install(), removed = install();
    notify(removed, kLeftUp);
    dispatchWindowMessagesOnly();
    EXPECT_EQ(RemoveSysTrayIcon(removed), 0);
    EXPECT_EQ(notifyThenMark(77, kLeftUp, kept), std::vector<TrayCall>{});

    recorder().reset();
    notify(kept, kLeftUp);
    dispatchWindowMessagesOnly();
    EXPECT_EQ(RemoveSysTrayIcon(kept), 0);
    EXPECT_EQ(trayWindow(), nullptr);
    testing_support::pumpAWhile();
    EXPECT_EQ(recorder().calls(), std::vector<TrayCall>{});
    EXPECT_EQ(install(), 1);  // the tray starts afresh
}

constexpr int kWhileMenuOpen = -1;  // removed from a timer inside the menu's loop

struct SelfRemoval {
    const char *name;
    int removedAt;  // the event whose callback removes the icon, or kWhileMenuOpen
    bool lastIcon;
};

int removedByTimer = 0;  // the icon the timer removes after ending the menu

class TrayIconsSelfRemoval : public TrayIcons, public ::testing::WithParamInterface<SelfRemoval> {};

// Removing the icon whose notification is being handled ends that handling safely:
// removed at event 5 no menu opens; removed while the menu is open, or when the menu
// reported, nothing follows.
TEST_P(TrayIconsSelfRemoval, IsSafe) {
    const SelfRemoval p = GetParam();
    const int other = p.lastIcon ? 0 : install();
    const int icon = withMenu({"Exit"});
    recorder().act(EVENT_RIGHT_CLICK, [p](int self) {
        if (p.removedAt == EVENT_RIGHT_CLICK) {
            EXPECT_EQ(RemoveSysTrayIcon(self), 0);
        } else if (p.removedAt == kWhileMenuOpen) {
            removedByTimer = self;
            SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR timer, DWORD) {
                KillTimer(nullptr, timer);
                EndMenu();
                EXPECT_EQ(RemoveSysTrayIcon(removedByTimer), 0);
            });
        } else {
            testing_support::postMenuKeys(trayWindow(), {VK_DOWN, VK_RETURN});
        }
    });
    if (p.removedAt != EVENT_RIGHT_CLICK && p.removedAt != kWhileMenuOpen)
        recorder().act(p.removedAt, [](int self) { EXPECT_EQ(RemoveSysTrayIcon(self), 0); });
    notify(icon, kRightDown);
    std::vector<TrayCall> expected{{icon, EVENT_RIGHT_CLICK, 0}};
    if (p.removedAt == TbTrayEventMenuItemSelected) expected.push_back({icon, TbTrayEventMenuItemSelected, 1});
    if (other) {
        notify(other, kLeftUp);
        expected.push_back({other, TbEventLeftMouseUp, 0});
    }
    EXPECT_TRUE(testing_support::pumpUntil([&] { return recorder().calls().size() >= expected.size(); }));
    testing_support::pumpAWhile();
    EXPECT_EQ(recorder().calls(), expected);
    EXPECT_EQ(RemoveSysTrayIcon(icon), TbErrInvalidTrayIcon);
    EXPECT_EQ(trayWindow() != nullptr, !p.lastIcon);
}
INSTANTIATE_TEST_SUITE_P(
    Events, TrayIconsSelfRemoval,
    ::testing::Values(SelfRemoval{"AtRightClick", EVENT_RIGHT_CLICK, false},
                      SelfRemoval{"AtRightClickLastIcon", EVENT_RIGHT_CLICK, true},
                      SelfRemoval{"AtMenuChoice", TbTrayEventMenuItemSelected, false},
                      SelfRemoval{"AtMenuChoiceLastIcon", TbTrayEventMenuItemSelected, true},
                      SelfRemoval{"WhileMenuOpen", kWhileMenuOpen, false},
                      SelfRemoval{"WhileMenuOpenLastIcon", kWhileMenuOpen, true}),
    nameOf<SelfRemoval>);

// Icons installed from inside a callback do not disturb the notification being handled.
TEST_F(TrayIcons, CallbacksMayInstallIcons) {
    const int icon = withMenu({"One"});
    std::vector<int> added;
    recorder().act(EVENT_RIGHT_CLICK, [&](int) {
        for (int i = 0; i < 8; ++i) added.push_back(install());
        testing_support::postMenuKeys(trayWindow(), {VK_DOWN, VK_RETURN});
    });
    EXPECT_EQ(rightClick(icon), (std::vector<TrayCall>{{icon, EVENT_RIGHT_CLICK, 0},
                                                       {icon, TbTrayEventMenuItemSelected, 1},
                                                       {icon, TbEventRightMouseUp, 0}}));
    EXPECT_EQ(added, (std::vector<int>{2, 3, 4, 5, 6, 7, 8, 9}));
}

// A new image replaces the old one; an unreadable one leaves it.
TEST_F(TrayIcons, ImagesChange) {
    const int icon = install();
    void *before = shell ? shell->record()->noticeIcon : nullptr;
    EXPECT_EQ(SetTrayIconAttr(icon, TbTrayAttrImageFile, scratch.path("none.ico").c_str()), TbErrIconLoad);
    EXPECT_EQ(SetTrayIconAttr(icon, TbTrayAttrImageFile, blue.c_str()), 0);
    if (!shell) return;
    EXPECT_EQ(shell->record()->notifyCalls[NIM_MODIFY], 1) << "the unreadable file reached the shell";
    EXPECT_NE(shell->record()->noticeIcon, nullptr);
    EXPECT_NE(shell->record()->noticeIcon, before);
    EXPECT_FALSE(testing_support::iconAlive(before)) << "the old image was not destroyed";
}

// A real left click on the icon in the shell's tray reaches its callback (display only:
// the shell relays the mouse messages it gets to the hidden window).
TEST_F(TrayIcons, RealClicksReachTheCallback) {
    if (!onDisplay()) GTEST_SKIP() << "needs the shell's tray on a display";
    const int icon = install();
    HWND shellTray = FindWindowA("Shell_TrayWnd", nullptr);
    ASSERT_NE(shellTray, nullptr);
    RECT area = {};
    GetWindowRect(shellTray, &area);
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    // The icon's place is the shell's choice: try along the tray from its right end.
    for (LONG x = area.right - 4; x > area.right - 200 && recorder().calls().empty(); x -= 8) {
        INPUT input[3] = {};
        for (INPUT &i : input) i.type = INPUT_MOUSE;
        input[0].mi.dx = x * 65535 / (screenWidth - 1);
        input[0].mi.dy = (area.top + area.bottom) / 2 * 65535 / (screenHeight - 1);
        input[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        input[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        input[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        ASSERT_EQ(SendInput(3, input, sizeof(INPUT)), 3u);
        testing_support::pumpUntil([] { return called(TbEventLeftMouseUp); }, 40);
    }
    EXPECT_EQ(recorder().calls(), (std::vector<TrayCall>{{icon, EVENT_LEFT_CLICK, 0},
                                                         {icon, TbEventLeftMouseUp, 0}}));
}

// ---- What the shell is given, and its refusals (stand-in shell only) ----

class TrayFakeShell : public TrayIcons {
protected:
    void SetUp() override {
        TrayIcons::SetUp();
        if (onDisplay()) GTEST_SKIP() << "the real shell is in use";
    }
    void TearDown() override {
        SetEnvironmentVariableA(TOOLBOX_FAKE_REFUSED_NOTICE, nullptr);
        TrayIcons::TearDown();
    }
    FakeSystemCalls &seen() { return *shell->record(); }
};

// The notice has the system's own size, the icon's number, the hidden window and the
// callback message; removal deletes the same icon.
TEST_F(TrayFakeShell, NoticesCarryTheSystemLayout) {
    install();
    const int icon = install("second");
    EXPECT_EQ(seen().noticeSize, sizeof(NOTIFYICONDATAA));
    EXPECT_EQ(seen().noticeId, unsigned(icon));
    EXPECT_EQ(seen().noticeFlags, unsigned(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(seen().noticeMessage, unsigned(TbTrayCallbackMessage));
    EXPECT_EQ(seen().noticeWindow, trayWindow());
    EXPECT_NE(seen().noticeIcon, nullptr);
    EXPECT_STREQ(seen().noticeTip, "second");
    EXPECT_EQ(seen().notifyCalls[NIM_ADD], 2);
    EXPECT_EQ(RemoveSysTrayIcon(1), 0);
    EXPECT_EQ(seen().notifyCalls[NIM_DELETE], 1);
    EXPECT_EQ(seen().noticeId, 1u);
}

// A refusal changes nothing: no icon and no panel after a refused addition, the
// tooltip and image kept after a refused change; a refused deletion still removes.
TEST_F(TrayFakeShell, RefusalsChangeNothing) {
    SetEnvironmentVariableA(TOOLBOX_FAKE_REFUSED_NOTICE, "0");
    int handle = kSentinel;
    EXPECT_EQ(InstallSysTrayIcon(red.c_str(), "x", TrayRecorder::callback, &handle), TbErrUnknownSystem);
    EXPECT_EQ(handle, kSentinel);
    EXPECT_EQ(trayWindow(), nullptr);

    SetEnvironmentVariableA(TOOLBOX_FAKE_REFUSED_NOTICE, nullptr);
    const int icon = install("kept");
    void *image = seen().noticeIcon;
    SetEnvironmentVariableA(TOOLBOX_FAKE_REFUSED_NOTICE, "1");
    EXPECT_EQ(SetTrayIconAttr(icon, TbTrayAttrToolTipText, "lost"), TbErrUnknownSystem);
    EXPECT_EQ(SetTrayIconAttr(icon, TbTrayAttrImageFile, blue.c_str()), TbErrUnknownSystem);
    char text[TbTrayMaxToolTipLength + 1] = "";
    EXPECT_EQ(GetTrayIconAttr(icon, TbTrayAttrToolTipText, text), 0);
    EXPECT_STREQ(text, "kept");
    SetEnvironmentVariableA(TOOLBOX_FAKE_REFUSED_NOTICE, nullptr);
    EXPECT_EQ(SetTrayIconAttr(icon, TbTrayAttrToolTipText, "again"), 0);
    EXPECT_EQ(seen().noticeIcon, image);
    EXPECT_TRUE(testing_support::iconAlive(image));

    SetEnvironmentVariableA(TOOLBOX_FAKE_REFUSED_NOTICE, "2");
    EXPECT_EQ(RemoveSysTrayIcon(icon), 0);
    EXPECT_EQ(RemoveSysTrayIcon(icon), TbErrInvalidTrayIcon);
    EXPECT_EQ(trayWindow(), nullptr);
}

// The panel of a window, searched among the panel handles in use.
int panelOfWindow(HWND window) {
    const int breaking = SetBreakOnLibraryErrors(0);
    int found = 0;
    for (int panel = 1; panel < 4096 && !found; ++panel) {
        void *own = nullptr;
        if (GetPanelAttribute(panel, RTE_ATTR_SYSTEM_WINDOW, &own) == 0 && own == window) found = panel;
    }
    SetBreakOnLibraryErrors(breaking);
    return found;
}

// When the engine gives the hidden panel a new window, the shell learns every icon
// again under it, and notifications sent there reach the callbacks.
TEST_F(TrayFakeShell, ANewHiddenWindowTakesTheIconsAlong) {
    const int first = install(), second = install();
    HWND before = trayWindow();
    const int panel = panelOfWindow(before);
    ASSERT_GT(panel, 0);
    const int adds = seen().notifyCalls[NIM_ADD], deletes = seen().notifyCalls[NIM_DELETE];
    ASSERT_EQ(RecreatePanelWindow(panel), 0);
    EXPECT_TRUE(testing_support::pumpUntil([&] { return seen().notifyCalls[NIM_ADD] == adds + 2; }));
    EXPECT_EQ(seen().notifyCalls[NIM_DELETE], deletes + 2);
    HWND after = trayWindow();
    ASSERT_NE(after, nullptr);
    EXPECT_NE(after, before);
    EXPECT_EQ(seen().noticeWindow, after);
    EXPECT_EQ(seen().noticeId, unsigned(second));
    EXPECT_EQ(notifyThenMark(second, WM_LBUTTONDOWN, first),
              (std::vector<TrayCall>{{second, EVENT_LEFT_CLICK, 0}}));
    EXPECT_EQ(RemoveSysTrayIcon(first), 0);
    EXPECT_EQ(seen().noticeWindow, after);
}

// A shell without the entry point: the loader's code, and nothing left behind.
TEST(TrayLoader, MissingEntryPointGivesTheLoadersCode) {
    if (onDisplay()) GTEST_SKIP() << "the real shell is in use";
    LibraryOverride incomplete(tb::SystemGroup::Shell, besideTheSuite("fake_system_incomplete.dll"));
    testing_support::ScratchDir scratch;
    const std::string file = scratch.path("i.ico");
    testing_support::writeIconFile(file, 0xFF00FF00u);
    int handle = kSentinel;
    EXPECT_EQ(InstallSysTrayIcon(file.c_str(), "x", TrayRecorder::callback, &handle), TbErrSystemFunctionMissing);
    EXPECT_EQ(handle, kSentinel);
    EXPECT_EQ(trayWindow(), nullptr);
}

// Without a display the real shell refuses the icon; nothing is left behind.
TEST(TrayHeadless, TheShellRefusesWithoutADisplay) {
    if (onDisplay()) GTEST_SKIP() << "a display is in use";
    testing_support::ScratchDir scratch;
    const std::string file = scratch.path("i.ico");
    testing_support::writeIconFile(file, 0xFF00FF00u);
    int handle = kSentinel;
    EXPECT_EQ(InstallSysTrayIcon(file.c_str(), "x", TrayRecorder::callback, &handle), TbErrUnknownSystem);
    EXPECT_EQ(handle, kSentinel);
    EXPECT_EQ(trayWindow(), nullptr);
}

// Each missing argument of an installation is a programming error.
TEST(TrayIconsDeathTest, InstallationNeedsEveryArgument) {
    int handle = 0;
    const char *file = "x.ico";
    TrayIconCallbackFn callback = TrayRecorder::callback;
    struct Call {
        const char *file, *tip;
        TrayIconCallbackFn callback;
        int *handle;
    };
    for (const Call &c : {Call{nullptr, "t", callback, &handle}, Call{file, nullptr, callback, &handle},
                          Call{file, "t", nullptr, &handle}, Call{file, "t", callback, nullptr}}) {
        std::string shown = testing_support::assertionShownBy(
            [&] { InstallSysTrayIcon(c.file, c.tip, c.callback, c.handle); });
        EXPECT_EQ(shown.rfind("Assert|", 0), 0u) << shown;
    }
}

}  // namespace
