// Panels' real windows: made with the panel on its thread, following the model and
// followed by it (client-area coordinates), destroyed after the discard events, never
// waited for by other threads, re-created on request with WM_DESTROY for the old one,
// still working under subclassing procedures; and real window input (posted messages
// and SendInput) becoming the engine's events, through callback chains too.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "rtengine.h"
#include "screen_support.h"
#include "thread_support.h"
#include "toolbox.h"
#include "ui_support.h"

using testing_support::clientOnScreen;
using testing_support::ctrlInt;
using testing_support::EventLog;
using testing_support::Gate;
using testing_support::panelInt;
using testing_support::processUntil;
using testing_support::ScopedPanel;
using testing_support::TakenUserEvent;
using testing_support::takeUserEvents;
using testing_support::UiEvent;

namespace {

HWND windowOf(int panel) {
    void *window = reinterpret_cast<void *>(0xDEADBEEF);
    EXPECT_EQ(GetPanelAttribute(panel, RTE_ATTR_SYSTEM_WINDOW, &window), 0);
    return static_cast<HWND>(window);
}

// The window shows the panel's place and size as its client area.
void expectWindowShowsModel(int panel) {
    SCOPED_TRACE(testing::Message() << "panel " << panel);
    RECT client = clientOnScreen(windowOf(panel));
    EXPECT_EQ(client.left, panelInt(panel, RTE_ATTR_LEFT));
    EXPECT_EQ(client.top, panelInt(panel, RTE_ATTR_TOP));
    EXPECT_EQ(client.right - client.left, panelInt(panel, RTE_ATTR_WIDTH));
    EXPECT_EQ(client.bottom - client.top, panelInt(panel, RTE_ATTR_HEIGHT));
    EXPECT_EQ(IsWindowVisible(windowOf(panel)) != 0, panelInt(panel, RTE_ATTR_VISIBLE) == 1);
}

LPARAM at(int x, int y) { return MAKELPARAM(x, y); }

// Whether window a lies in front of window b in the system's z-order.
bool inFrontOf(HWND a, HWND b) {
    for (HWND w = GetWindow(a, GW_HWNDNEXT); w; w = GetWindow(w, GW_HWNDNEXT))
        if (w == b) return true;
    return false;
}

// A subclassing procedure that logs the messages it sees and can swallow one.
struct Subclass {
    static thread_local Subclass *current;
    HWND window = nullptr;
    WNDPROC previous = nullptr;
    std::vector<UINT> seen;
    UINT swallowed = 0;

    void install(HWND target) {
        window = target;
        current = this;
        previous = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(target, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&procedure)));
        ASSERT_NE(previous, nullptr);
    }
    bool saw(UINT message) const {
        return std::find(seen.begin(), seen.end(), message) != seen.end();
    }
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        Subclass *self = current;
        self->seen.push_back(message);
        if (message == self->swallowed) return 0;
        if (message == WM_DESTROY && self->onDestroy) self->onDestroy(window);
        return CallWindowProcA(self->previous, window, message, wParam, lParam);
    }
    void (*onDestroy)(HWND) = nullptr;
};
thread_local Subclass *Subclass::current = nullptr;

class PanelWindows : public testing_support::ReleasedInputTest {};

// From NewPanel on, a top-level panel has a hidden window of its thread whose client
// area is the panel, also for tiny, empty and off-screen panels; child panels have none.
TEST_F(PanelWindows, NewPanelMakesAHiddenWindowOfItsThread) {
    const int shapes[][4] = {{100, 120, 50, 80}, {-100, -100, 10, 10}, {0, 0, 0, 0},
                             {30, 40, 2000, 3000}};
    for (const auto &shape : shapes) {
        ScopedPanel panel(0, shape[0], shape[1], shape[2], shape[3]);
        HWND window = windowOf(panel);
        ASSERT_TRUE(IsWindow(window));
        EXPECT_EQ(GetWindowThreadProcessId(window, nullptr), GetCurrentThreadId());
        EXPECT_FALSE(IsWindowVisible(window));
        EXPECT_EQ(panelInt(panel, RTE_ATTR_TOP), shape[0]);
        EXPECT_EQ(panelInt(panel, RTE_ATTR_HEIGHT), shape[2]);
        expectWindowShowsModel(panel);
        char title[64] = {};
        GetWindowTextA(window, title, sizeof title);
        EXPECT_STREQ(title, "test panel");
        ScopedPanel child(panel, 5, 5, 20, 20);
        EXPECT_EQ(windowOf(child), nullptr);
    }
}

// What the program does to the panel the window shows at once on the owning thread:
// display (also of a shown panel: to the front), hide, popups, place (centring on the
// real screen), size, title, frame and top-most band; the engine's procedure stays the
// class's.
TEST_F(PanelWindows, WindowFollowsTheModel) {
    ScopedPanel panel(0, 10, 20, 60, 90);
    HWND window = windowOf(panel);
    const LONG_PTR procedure = GetWindowLongPtrA(window, GWLP_WNDPROC);
    ASSERT_EQ(DisplayPanel(panel), 0);
    expectWindowShowsModel(panel);
    ASSERT_EQ(SetPanelPos(panel, 200, 300), 0);
    ASSERT_EQ(SetPanelAttribute(panel, RTE_ATTR_WIDTH, 150), 0);
    ASSERT_EQ(SetPanelAttribute(panel, RTE_ATTR_HEIGHT, 7), 0);
    expectWindowShowsModel(panel);
    ASSERT_EQ(SetPanelPos(panel, RTE_AUTO_CENTER, RTE_AUTO_CENTER), 0);
    EXPECT_EQ(panelInt(panel, RTE_ATTR_LEFT), (GetSystemMetrics(SM_CXSCREEN) - 150) / 2);
    EXPECT_EQ(panelInt(panel, RTE_ATTR_TOP), (GetSystemMetrics(SM_CYSCREEN) - 7) / 2);
    expectWindowShowsModel(panel);
    ASSERT_EQ(SetPanelAttribute(panel, RTE_ATTR_TITLE, "renamed"), 0);
    char title[64] = {};
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, "renamed");
    ASSERT_EQ(SetPanelAttribute(panel, RTE_ATTR_SIZABLE, 0), 0);
    EXPECT_EQ(GetWindowLongPtrA(window, GWL_STYLE) & WS_THICKFRAME, 0);
    expectWindowShowsModel(panel);  // the thinner frame keeps the client area in place
    ASSERT_EQ(SetPanelAttribute(panel, RTE_ATTR_FLOATING, 1), 0);
    EXPECT_NE(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    ASSERT_EQ(SetPanelAttribute(panel, RTE_ATTR_FLOATING, 0), 0);
    ScopedPanel front(0, 15, 25, 30, 30);
    ASSERT_EQ(DisplayPanel(front), 0);
    EXPECT_TRUE(inFrontOf(windowOf(front), window));
    ASSERT_EQ(DisplayPanel(panel), 0);  // shown already: comes to the front
    EXPECT_TRUE(inFrontOf(window, windowOf(front)));
    ASSERT_EQ(HidePanel(panel), 0);
    expectWindowShowsModel(panel);
    ASSERT_EQ(InstallPopup(panel), 0);
    EXPECT_TRUE(IsWindowVisible(window));
    ASSERT_EQ(RemovePopup(0), 0);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(GetWindowLongPtrA(window, GWLP_WNDPROC), procedure);
}

// What other code or the user does to the window comes back to the model, in
// client-area coordinates; a hidden popup leaves the popup stack.
TEST_F(PanelWindows, ModelFollowsTheWindow) {
    ScopedPanel panel(0, 10, 20, 60, 90), other(0, 400, 400, 50, 50);
    HWND window = windowOf(panel);
    SetWindowPos(window, nullptr, 333, 222, 140, 120, SWP_NOZORDER | SWP_NOACTIVATE);
    expectWindowShowsModel(panel);
    EXPECT_NE(panelInt(panel, RTE_ATTR_LEFT), 333);  // the frame lies outside the client
    ShowWindow(window, SW_SHOWNA);
    EXPECT_EQ(panelInt(panel, RTE_ATTR_VISIBLE), 1);
    ShowWindow(window, SW_HIDE);
    EXPECT_EQ(panelInt(panel, RTE_ATTR_VISIBLE), 0);

    ASSERT_EQ(DisplayPanel(other), 0);
    ASSERT_EQ(InstallPopup(panel), 0);
    ShowWindow(window, SW_HIDE);
    EventLog log;
    log.watchPanel(other);
    ASSERT_EQ(SimulateMouseMove(other, 5, 5), 0);
    ASSERT_EQ(SimulateMouseButton(2, 1), 0);
    ASSERT_TRUE(processUntil([&] { return !log.events().empty(); }));
    EXPECT_EQ(log.numbers(), std::vector<int>{EVENT_RIGHT_CLICK});
    InstallPanelCallback(other, nullptr, nullptr);  // the log goes before the panel
}

// Changes from another thread never wait for the owner (which here processes nothing):
// the model has them at once, the window when the owner next processes events; calls
// that need the window are refused there.
TEST_F(PanelWindows, OtherThreadsNeverWaitForTheOwner) {
    Gate made, changed;
    std::atomic<int> panel{0};
    RECT seenBefore = {}, seenAfter = {};
    std::thread owner([&] {
        panel = NewPanel(0, "owned", 10, 10, 40, 40);
        made.open();
        changed.wait();  // blocked: no messages processed meanwhile
        seenBefore = clientOnScreen(windowOf(panel));
        ProcessSystemEvents();
        seenAfter = clientOnScreen(windowOf(panel));
        DiscardPanel(panel);
    });
    made.wait();
    ASSERT_GT(panel.load(), 0);
    EXPECT_EQ(SetPanelPos(panel, 150, 160), 0);
    EXPECT_EQ(SetPanelAttribute(panel, RTE_ATTR_WIDTH, 70), 0);
    EXPECT_EQ(SetPanelAttribute(panel, RTE_ATTR_TITLE, "from afar"), 0);
    EXPECT_EQ(panelInt(panel, RTE_ATTR_LEFT), 160);
    int breaking = SetBreakOnLibraryErrors(0);
    EXPECT_EQ(DisplayPanel(panel), RTE_UIE_WRONG_THREAD);
    EXPECT_EQ(RecreatePanelWindow(panel), RTE_UIE_WRONG_THREAD);
    SetBreakOnLibraryErrors(breaking);
    changed.open();
    owner.join();
    EXPECT_EQ(seenBefore.left, 10);
    EXPECT_EQ(seenAfter.left, 160);
    EXPECT_EQ(seenAfter.top, 150);
    EXPECT_EQ(seenAfter.right - seenAfter.left, 70);
}

// The panel's callback sees EVENT_DISCARD while the window still exists; then the
// window is destroyed (a subclass sees WM_DESTROY after the event). A thread's end
// discards its panels and destroys their windows on that thread.
TEST_F(PanelWindows, DiscardDestroysTheWindowAfterTheEvent) {
    static std::vector<std::string> order;
    order.clear();
    int panel = NewPanel(0, "doomed", 10, 10, 40, 40);
    HWND window = windowOf(panel);
    Subclass subclass;
    subclass.install(window);
    subclass.onDestroy = [](HWND) { order.push_back("WM_DESTROY"); };
    InstallPanelCallback(
        panel,
        [](int p, int event, void *, intptr_t, intptr_t) {
            if (event == EVENT_DISCARD) {
                void *w = nullptr;
                GetPanelAttribute(p, RTE_ATTR_SYSTEM_WINDOW, &w);
                order.push_back(IsWindow(static_cast<HWND>(w)) ? "discard, window alive"
                                                                : "discard, window gone");
            }
            return 0;
        },
        nullptr);
    ASSERT_EQ(DiscardPanel(panel), 0);
    EXPECT_EQ(order, (std::vector<std::string>{"discard, window alive", "WM_DESTROY"}));
    EXPECT_FALSE(IsWindow(window));

    std::atomic<HWND> threadWindow{nullptr};
    std::atomic<DWORD> discardedOn{0}, endingId{0};
    std::thread ending([&] {
        endingId = GetCurrentThreadId();
        int p = NewPanel(0, "thread's", 10, 10, 40, 40);
        threadWindow = windowOf(p);
        InstallPanelCallback(
            p,
            [](int, int event, void *data, intptr_t, intptr_t) {
                if (event == EVENT_DISCARD)
                    static_cast<std::atomic<DWORD> *>(data)->store(GetCurrentThreadId());
                return 0;
            },
            &discardedOn);
    });
    ending.join();
    EXPECT_EQ(discardedOn.load(), endingId.load());
    EXPECT_FALSE(IsWindow(threadWindow.load()));
}

// Re-creation: the new window is the panel's before the old one gets WM_DESTROY, so a
// subclassing library can subclass the new one from a deferred call posted there; the
// new window has the panel's state. A window destroyed by other code leaves the panel
// without one until it is re-created.
TEST_F(PanelWindows, RecreationHandsOverToTheNewWindow) {
    static int panel;
    static HWND seenInDestroy, resubclassed;
    static Subclass first, second;
    panel = NewPanel(0, "recreated", 50, 60, 70, 80);
    ASSERT_EQ(DisplayPanel(panel), 0);
    HWND old = windowOf(panel);
    first.install(old);
    first.onDestroy = [](HWND) {
        void *now = nullptr;
        GetPanelAttribute(panel, RTE_ATTR_SYSTEM_WINDOW, &now);
        seenInDestroy = static_cast<HWND>(now);
        PostDeferredCallToThread(
            [](void *) {
                void *current = nullptr;
                GetPanelAttribute(panel, RTE_ATTR_SYSTEM_WINDOW, &current);
                resubclassed = static_cast<HWND>(current);
                second.install(resubclassed);
            },
            nullptr, CurrThreadId());
    };
    ASSERT_EQ(RecreatePanelWindow(panel), 0);
    HWND fresh = windowOf(panel);
    EXPECT_NE(fresh, old);
    EXPECT_FALSE(IsWindow(old));
    EXPECT_EQ(seenInDestroy, fresh);
    EXPECT_TRUE(IsWindowVisible(fresh));
    expectWindowShowsModel(panel);
    ProcessSystemEvents();
    EXPECT_EQ(resubclassed, fresh);

    // The engine still works through the new subclass: a posted close reaches the panel.
    EventLog log;
    log.watchPanel(panel);
    PostMessageA(fresh, WM_CLOSE, 0, 0);
    ASSERT_TRUE(processUntil([&] { return !log.events().empty(); }));
    EXPECT_EQ(log.numbers(), std::vector<int>{EVENT_CLOSE});
    EXPECT_TRUE(second.saw(WM_CLOSE));
    EXPECT_TRUE(IsWindow(fresh));  // closing never destroys the window

    DestroyWindow(fresh);
    EXPECT_EQ(windowOf(panel), nullptr);
    ASSERT_EQ(RecreatePanelWindow(panel), 0);
    EXPECT_TRUE(IsWindow(windowOf(panel)));
    expectWindowShowsModel(panel);

    ScopedPanel child(panel, 1, 1, 5, 5);
    int breaking = SetBreakOnLibraryErrors(0);
    EXPECT_EQ(RecreatePanelWindow(child), RTE_UIE_INVALID_PANEL);
    EXPECT_EQ(RecreatePanelWindow(-3), RTE_UIE_INVALID_PANEL);
    SetBreakOnLibraryErrors(breaking);
    EXPECT_EQ(DiscardPanel(panel), 0);
}

// A shown panel with a logged button, for the input cases.
struct Dialog {
    EventLog log;
    ScopedPanel panel{0, 100, 100, 200, 300};
    int button = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "OK", 20, 30);
    int other = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "Other", 120, 30);
    HWND window = windowOf(panel);
    Dialog() {
        log.watch(panel, button);
        log.watch(panel, other);
        log.watchPanel(panel);
        EXPECT_EQ(DisplayPanel(panel), 0);
    }
    int x(int c) const { return ctrlInt(panel, c, RTE_ATTR_LEFT) + 5; }
    int y(int c) const { return ctrlInt(panel, c, RTE_ATTR_TOP) + 5; }
    // Posts the messages and processes events until the callbacks saw `count` events.
    struct Posted {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    std::vector<UiEvent> deliver(std::vector<Posted> messages, size_t count,
                                 double seconds = 2.0) {
        log.clear();
        for (const Posted &m : messages) PostMessageA(window, m.message, m.wParam, m.lParam);
        processUntil([&] { return log.events().size() >= count; }, seconds);
        ProcessSystemEvents();
        return log.events();
    }
};

// Mouse messages on the window are the input driver's clicks: focus, the click with y
// and x, the commit on release (also as a user event), right clicks on the panel, and
// moves that GetRelativeMouseState sees; a subclass that swallows the press stops it.
TEST_F(PanelWindows, MouseMessagesBecomeClicks) {
    Subclass subclass;  // outlives the window it subclasses
    Dialog d;
    const int x = d.x(d.button), y = d.y(d.button);
    std::vector<UiEvent> click = {{d.panel, d.button, EVENT_GOT_FOCUS, 0, 0},
                                  {d.panel, d.button, EVENT_LEFT_CLICK, y, x},
                                  {d.panel, d.button, EVENT_COMMIT, 0, 0}};
    EXPECT_EQ(d.deliver({{WM_LBUTTONDOWN, MK_LBUTTON, at(x, y)},
                         {WM_LBUTTONUP, 0, at(x, y)}},
                        3),
              click);
    EXPECT_EQ(takeUserEvents(), (std::vector<TakenUserEvent>{{EVENT_COMMIT, d.panel, d.button}}));
    EXPECT_EQ(d.deliver({{WM_RBUTTONDOWN, MK_RBUTTON, at(250, 7)},
                         {WM_RBUTTONUP, 0, at(250, 7)}},
                        1),
              (std::vector<UiEvent>{{d.panel, 0, EVENT_RIGHT_CLICK, 7, 250}}));
    d.deliver({{WM_MOUSEMOVE, 0, at(-4, 33)}}, 0);
    int px = 0, py = 0;
    ASSERT_EQ(GetRelativeMouseState(d.panel, 0, &px, &py, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(px, -4);
    EXPECT_EQ(py, 33);
    // A release away from the button does not commit it.
    EXPECT_EQ(d.deliver({{WM_LBUTTONDOWN, MK_LBUTTON, at(x, y)},
                         {WM_LBUTTONUP, 0, at(290, 190)}},
                        1),
              (std::vector<UiEvent>{{d.panel, d.button, EVENT_LEFT_CLICK, y, x}}));

    subclass.install(d.window);
    subclass.swallowed = WM_LBUTTONDOWN;
    EXPECT_TRUE(d.deliver({{WM_LBUTTONDOWN, MK_LBUTTON, at(x, y)},
                           {WM_LBUTTONUP, 0, at(x, y)}},
                          1, 0.3)
                    .empty());
    EXPECT_TRUE(subclass.saw(WM_LBUTTONUP));
    subclass.swallowed = 0;
    EXPECT_EQ(d.deliver({{WM_LBUTTONDOWN, MK_LBUTTON, at(x, y)},
                         {WM_LBUTTONUP, 0, at(x, y)}},
                        2)
                  .back(),
              (UiEvent{d.panel, d.button, EVENT_COMMIT, 0, 0}));
}

// Keys on the window: Tab moves the focus, a letter's key-down reaches the active
// control once (as the character its translation gives), a shortcut key commits, Alt
// with a character carries the Alt bit; WM_CLOSE is the user closing the panel, whose
// close control commits.
TEST_F(PanelWindows, KeysAndClosingBecomeEngineInput) {
    Dialog d;
    ASSERT_EQ(SetActiveCtrl(d.panel, d.button), 0);
    ASSERT_EQ(SetCtrlAttribute(d.panel, d.other, RTE_ATTR_SHORTCUT_KEY, RTE_KEY_F1 + 0x100), 0);
    ASSERT_EQ(SetPanelAttribute(d.panel, RTE_ATTR_CLOSE_CTRL, d.other), 0);
    EXPECT_EQ(d.deliver({{WM_KEYDOWN, VK_TAB, 0}}, 3),
              (std::vector<UiEvent>{{d.panel, d.button, EVENT_KEYPRESS, RTE_KEY_TAB, 0},
                                    {d.panel, d.button, EVENT_LOST_FOCUS, 0, 0},
                                    {d.panel, d.other, EVENT_GOT_FOCUS, 0, 0}}));
    EXPECT_EQ(d.deliver({{WM_KEYDOWN, 'Q', 0}}, 1),  // the pass's TranslateMessage: WM_CHAR
              (std::vector<UiEvent>{{d.panel, d.other, EVENT_KEYPRESS, 'q', 0}}));
    EXPECT_EQ(d.deliver({{WM_KEYDOWN, VK_F2, 0}}, 2),
              (std::vector<UiEvent>{{d.panel, d.other, EVENT_KEYPRESS, RTE_KEY_F1 + 0x100, 0},
                                    {d.panel, d.other, EVENT_COMMIT, 0, 0}}));
    EXPECT_EQ(d.deliver({{WM_SYSCHAR, 'K', 0}}, 1),
              (std::vector<UiEvent>{{d.panel, d.other, EVENT_KEYPRESS, 'k' | RTE_KEY_MOD_ALT, 0}}));
    EXPECT_EQ(d.deliver({{WM_CLOSE, 0, 0}}, 2),
              (std::vector<UiEvent>{{d.panel, 0, EVENT_CLOSE, 0, 0},
                                    {d.panel, d.other, EVENT_COMMIT, 0, 0}}));
    EXPECT_TRUE(IsWindow(d.window));
}

// A real click through the system's input (SendInput on the shown, top-most panel)
// reaches the button's callback chain: the newest link, then the base callback; a link
// that stops the click keeps the commit from happening.
TEST_F(PanelWindows, SendInputClickReachesTheCallbackChain) {
    Dialog d;
    ASSERT_EQ(SetPanelAttribute(d.panel, RTE_ATTR_FLOATING, 1), 0);
    static std::vector<int> linkSaw;
    static int linkStops;
    linkSaw.clear();
    linkStops = 0;
    ASSERT_EQ(ChainCtrlCallback(
                  d.panel, d.button,
                  [](int, int, int event, void *, intptr_t, intptr_t) {
                      linkSaw.push_back(event);
                      return event == EVENT_LEFT_CLICK ? linkStops : 0;
                  },
                  nullptr, "link"),
              0);
    RECT client = clientOnScreen(d.window);
    auto click = [&] {
        const int sx = client.left + d.x(d.button), sy = client.top + d.y(d.button);
        INPUT input[3] = {};
        for (INPUT &i : input) i.type = INPUT_MOUSE;
        input[0].mi.dx = (sx * 65536 + GetSystemMetrics(SM_CXSCREEN) - 1) / GetSystemMetrics(SM_CXSCREEN);
        input[0].mi.dy = (sy * 65536 + GetSystemMetrics(SM_CYSCREEN) - 1) / GetSystemMetrics(SM_CYSCREEN);
        input[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        input[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        input[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        ASSERT_EQ(SendInput(3, input, sizeof(INPUT)), 3u);
    };
    d.log.clear();
    click();
    ASSERT_TRUE(processUntil([&] { return d.log.numbers().size() >= 3; }, 3.0))
        << "events: " << testing::PrintToString(d.log.events());
    EXPECT_EQ(linkSaw, (std::vector<int>{EVENT_GOT_FOCUS, EVENT_LEFT_CLICK, EVENT_COMMIT}));
    EXPECT_EQ(d.log.numbers(), (std::vector<int>{EVENT_GOT_FOCUS, EVENT_LEFT_CLICK, EVENT_COMMIT}));
    EXPECT_EQ(d.log.events()[1], (UiEvent{d.panel, d.button, EVENT_LEFT_CLICK, d.y(d.button), d.x(d.button)}));

    linkSaw.clear();
    d.log.clear();
    linkStops = 1;
    click();
    ASSERT_TRUE(processUntil([&] { return !linkSaw.empty(); }, 3.0));
    for (int pass = 0; pass < 5; ++pass) ProcessSystemEvents();
    EXPECT_EQ(linkSaw, std::vector<int>{EVENT_LEFT_CLICK});
    EXPECT_TRUE(d.log.events().empty());
}

// Moves and sizes as the panel's callback got them, and the threads it got them on.
std::vector<UiEvent> placements;
std::vector<DWORD> placementThreads;
int recordPlacement(int panel, int event, void *, intptr_t data1, intptr_t data2) {
    if (event == EVENT_PANEL_MOVE || event == EVENT_PANEL_SIZE) {
        placements.push_back({panel, 0, event, data1, data2});
        placementThreads.push_back(GetCurrentThreadId());
    }
    return 0;
}

// Moves and sizes done to the window by anyone but the engine (this thread or another)
// reach the panel's callback on its thread, from the next event pass and never inside
// the window procedure, with the new client place (top, left) or size (height, width);
// the program's own changes and changes that change nothing send nothing.
TEST_F(PanelWindows, OutsideMovesAndSizesBecomePanelEvents) {
    ScopedPanel panel(0, 10, 20, 60, 90);
    HWND window = windowOf(panel);
    ASSERT_EQ(InstallPanelCallback(panel, recordPlacement, nullptr), 0);
    const UINT keep = SWP_NOZORDER | SWP_NOACTIVATE;
    auto growBy = [&](int dx, int dy) {
        RECT r;
        GetWindowRect(window, &r);
        MoveWindow(window, r.left, r.top, r.right - r.left + dx, r.bottom - r.top + dy, FALSE);
    };
    struct Case {
        const char *what;
        std::function<void()> act;
        bool moves, sizes, fromOtherThread;
    };
    const Case cases[] = {
        {"moved", [&] { SetWindowPos(window, nullptr, 300, 200, 0, 0, keep | SWP_NOSIZE); }, true,
         false, false},
        {"sized in place", [&] { growBy(30, 20); }, false, true, false},
        {"moved and sized", [&] { SetWindowPos(window, nullptr, 50, 60, 200, 150, keep); }, true,
         true, false},
        {"put where it is", [&] { growBy(0, 0); }, false, false, false},
        {"placed by the program",
         [&] {
             SetPanelPos(panel, 90, 80);
             SetPanelAttribute(panel, RTE_ATTR_WIDTH, 77);
         },
         false, false, false},
        {"re-created in place",
         [&] {
             RecreatePanelWindow(panel);
             window = windowOf(panel);
         },
         false, false, false},
        {"moved by another thread",
         [&] {
             std::atomic<bool> done{false};
             std::thread mover([&] {
                 SetWindowPos(window, nullptr, 400, 300, 0, 0, keep | SWP_NOSIZE);
                 done = true;
             });
             EXPECT_TRUE(processUntil([&] { return done.load(); }));
             mover.join();
         },
         true, false, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ProcessSystemEvents();
        placements.clear();
        placementThreads.clear();
        c.act();
        if (!c.fromOtherThread) {
            EXPECT_TRUE(placements.empty()) << "delivered inside the procedure";
        }
        ProcessSystemEvents();
        ProcessSystemEvents();
        expectWindowShowsModel(panel);
        const RECT client = clientOnScreen(window);
        std::vector<UiEvent> expected;
        if (c.moves) expected.push_back({panel, 0, EVENT_PANEL_MOVE, client.top, client.left});
        if (c.sizes)
            expected.push_back({panel, 0, EVENT_PANEL_SIZE, client.bottom - client.top,
                                client.right - client.left});
        EXPECT_EQ(placements, expected);
        for (DWORD thread : placementThreads) EXPECT_EQ(thread, GetCurrentThreadId());
    }
}

// A thread waiting in GetUserEvent processes its window's messages: a click posted from
// another thread comes back to it as the button's commit.
TEST_F(PanelWindows, WaitingOwnerTakesRealClicks) {
    std::atomic<HWND> window{nullptr};
    std::atomic<int> x{0}, y{0};
    int event = 0, panel = 0, control = 0, button = 0;
    std::thread owner([&] {
        int p = NewPanel(0, "waiting", 10, 10, 100, 100);
        button = NewCtrl(p, RTE_CTRL_COMMAND_BUTTON, "Go", 10, 10);
        DisplayPanel(p);
        x = ctrlInt(p, button, RTE_ATTR_LEFT) + 3;
        y = ctrlInt(p, button, RTE_ATTR_TOP) + 3;
        window = windowOf(p);
        event = GetUserEvent(1, &panel, &control);
        EXPECT_EQ(panel, p);
        DiscardPanel(p);
    });
    while (!window.load()) Sleep(1);
    Sleep(50);
    PostMessageA(window.load(), WM_LBUTTONDOWN, MK_LBUTTON, at(x, y));
    PostMessageA(window.load(), WM_LBUTTONUP, 0, at(x, y));
    owner.join();
    EXPECT_EQ(event, EVENT_COMMIT);
    EXPECT_EQ(control, button);
}

}  // namespace
