// Windows message callbacks on panels' real windows: refusals, synchronous callbacks
// that change or swallow messages, deferred callbacks with copies, enabling, removal
// (also from inside a callback) restoring the window's procedure, pointer-sized
// parameters, re-creation of the window, and discarding a subclassed panel.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "rtengine.h"
#include "toolbox.h"
#include "ui_support.h"

using testing_support::EventLog;
using testing_support::ScopedPanel;

namespace {

constexpr UINT kPing = WM_APP + 7, kPong = WM_APP + 8;

HWND windowOf(int panel) {
    void *window = nullptr;
    EXPECT_EQ(GetPanelAttribute(panel, RTE_ATTR_SYSTEM_WINDOW, &window), 0);
    return static_cast<HWND>(window);
}

// What the callbacks and the window's own procedure saw.
struct Seen {
    int panel, message;
    uintptr_t wParam;
    intptr_t lParam;
    void *data;
    bool operator==(const Seen &o) const {
        return panel == o.panel && message == o.message && wParam == o.wParam &&
               lParam == o.lParam && data == o.data;
    }
};
std::ostream &operator<<(std::ostream &out, const Seen &s) {
    return out << "{" << s.panel << ", " << s.message << ", " << s.wParam << ", " << s.lParam
               << ", " << s.data << "}";
}
std::vector<Seen> calls;       // message callbacks
std::vector<Seen> underneath;  // the procedure the library subclassed
int result = 0;                // what the recording callback answers
int removeOnCall = 0;          // a message whose callback the recording callback removes

int recording(int panel, int message, uintptr_t *wParam, intptr_t *lParam, void *data) {
    calls.push_back({panel, message, *wParam, *lParam, data});
    *wParam += 1;  // seen by what comes after a synchronous callback only
    if (removeOnCall) {
        EXPECT_EQ(RemoveWinMsgCallback(panel, removeOnCall), 0);
    }
    return result;
}

// A procedure installed under the library's, as the panel's own one would be. It is a
// Unicode one, so the library reads it back as a handle that only CallWindowProcA can
// call (a direct call would crash).
WNDPROC engineProcedure = nullptr;
LRESULT CALLBACK recordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kPing || message == kPong) {
        underneath.push_back({0, int(message), wParam, lParam, nullptr});
        return 55;
    }
    return CallWindowProcW(engineProcedure, window, message, wParam, lParam);
}

class WinMsg : public ::testing::Test {
protected:
    void SetUp() override {
        calls.clear();
        underneath.clear();
        result = 0;
        removeOnCall = 0;
        window = windowOf(panel);
        engineProcedure = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
            window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&recordingProcedure)));
        underneathAsRead = GetWindowLongPtrA(window, GWLP_WNDPROC);
    }
    int install(int message, int mode, void *data = nullptr) {
        void *handle = nullptr;
        int code = InstallWinMsgCallback(panel, message, recording, mode, data, &handle);
        if (code == 0) {
            EXPECT_EQ(handle, windowOf(panel));
        }
        return code;
    }
    ScopedPanel panel;
    HWND window = nullptr;
    LONG_PTR underneathAsRead = 0;
};

// Refusals, each leaving the window's procedure as it was.
TEST_F(WinMsg, RefusalsLeaveTheWindowAlone) {
    ScopedPanel child(panel, 1, 1, 10, 10);
    void *handle = nullptr;
    int value = 0;
    const LONG_PTR before = GetWindowLongPtrA(window, GWLP_WNDPROC);
    EXPECT_EQ(InstallWinMsgCallback(panel, kPing, recording, 1000, nullptr, nullptr), -65);
    EXPECT_EQ(InstallWinMsgCallback(panel, kPing, nullptr, 1000, nullptr, &handle), -65);
    EXPECT_EQ(InstallWinMsgCallback(panel, kPing, recording, 1003, nullptr, &handle),
              TbErrInvalidMsgCallbackMode);
    EXPECT_EQ(InstallWinMsgCallback(-4, kPing, recording, 1000, nullptr, &handle), -42);
    EXPECT_EQ(InstallWinMsgCallback(child, kPing, recording, 1000, nullptr, &handle),
              TbErrPanelNotTopLevel);
    EXPECT_EQ(GetWindowLongPtrA(window, GWLP_WNDPROC), before);
    EXPECT_EQ(RemoveWinMsgCallback(panel, kPing), TbErrMsgCallbackNotInstalled);
    EXPECT_EQ(GetMsgCallbackAttribute(panel, kPing, TbMsgAttrMode, &value),
              TbErrMsgCallbackNotInstalled);

    ASSERT_EQ(install(kPing, TbMsgModeSynchronous), 0);
    EXPECT_EQ(install(kPing, TbMsgModeDeferred), TbErrMsgCallbackInstalled);
    ScopedPanel other;
    void *otherHandle = nullptr;
    EXPECT_EQ(InstallWinMsgCallback(other, kPing, recording, 1000, nullptr, &otherHandle), 0);
    EXPECT_EQ(RemoveWinMsgCallback(panel, kPong), TbErrMsgCallbackNotInstalled);
    EXPECT_EQ(SetMsgCallbackAttribute(panel, kPing, TbMsgAttrMode, 7), -90);
    EXPECT_EQ(SetMsgCallbackAttribute(panel, kPing, 513, 1), -46);
    EXPECT_EQ(GetMsgCallbackAttribute(panel, kPing, TbMsgAttrEnabled, nullptr), -65);
    EXPECT_EQ(GetMsgCallbackAttribute(panel, kPing, TbMsgAttrMode, &value), 0);
    EXPECT_EQ(value, TbMsgModeSynchronous);
    EXPECT_EQ(RemoveWinMsgCallback(panel, kPing), 0);
    EXPECT_EQ(GetWindowLongPtrA(window, GWLP_WNDPROC), before);
    EXPECT_EQ(RemoveWinMsgCallback(other, kPing), 0);
}

// A synchronous callback's change of *wParam reaches the procedure underneath; a
// non-zero result sends the message to DefWindowProcA instead; parameters are whole
// pointer-sized values; a disabled callback is skipped, and enabled again is called.
TEST_F(WinMsg, SynchronousCallbacksChangeOrSwallowMessages) {
    int data = 0;
    ASSERT_EQ(install(kPing, TbMsgModeSynchronous, &data), 0);
    const uintptr_t wide = sizeof(void *) == 8 ? uintptr_t(0x123456789ULL) : 0x12345678u;
    EXPECT_EQ(SendMessageA(window, kPing, wide, -9), 55);
    EXPECT_EQ(calls, (std::vector<Seen>{{panel, int(kPing), wide, -9, &data}}));
    EXPECT_EQ(underneath, (std::vector<Seen>{{0, int(kPing), wide + 1, -9, nullptr}}));
    SendMessageA(window, kPong, 1, 2);  // another message only passes through
    EXPECT_EQ(calls.size(), 1u);
    EXPECT_EQ(underneath.size(), 2u);

    result = 1;
    EXPECT_EQ(SendMessageA(window, kPing, 1, 2), 0);  // DefWindowProcA's answer
    EXPECT_EQ(calls.size(), 2u);
    EXPECT_EQ(underneath.size(), 2u);

    ASSERT_EQ(SetMsgCallbackAttribute(panel, kPing, TbMsgAttrEnabled, 0), 0);
    SendMessageA(window, kPing, 1, 2);
    EXPECT_EQ(calls.size(), 2u);
    ASSERT_EQ(SetMsgCallbackAttribute(panel, kPing, TbMsgAttrEnabled, 5), 0);
    SendMessageA(window, kPing, 1, 2);
    EXPECT_EQ(calls.size(), 3u);
    EXPECT_EQ(RemoveWinMsgCallback(panel, kPing), 0);
}

// A deferred callback runs from the next event pass with copies: what it changes does
// not reach the window. Switching the mode to deferred works on an installed callback.
TEST_F(WinMsg, DeferredCallbacksRunLaterWithCopies) {
    ASSERT_EQ(install(kPing, TbMsgModeDeferred), 0);
    ASSERT_EQ(install(kPong, TbMsgModeSynchronous), 0);
    ASSERT_EQ(SetMsgCallbackAttribute(panel, kPong, TbMsgAttrMode, TbMsgModeDeferred), 0);
    SendMessageA(window, kPing, 3, 4);
    PostMessageA(window, kPong, 5, 6);
    EXPECT_TRUE(calls.empty());
    ProcessSystemEvents();  // dispatches the posted message, which posts its callback
    ProcessSystemEvents();
    EXPECT_EQ(calls, (std::vector<Seen>{{panel, int(kPing), 3, 4, nullptr},
                                        {panel, int(kPong), 5, 6, nullptr}}));
    EXPECT_EQ(underneath, (std::vector<Seen>{{0, int(kPing), 3, 4, nullptr},
                                             {0, int(kPong), 5, 6, nullptr}}));
    RemoveWinMsgCallback(panel, kPing);
    RemoveWinMsgCallback(panel, kPong);
}

// A callback may remove its own callback, the panel's last: the message still goes on
// to the procedure underneath, and the window has that procedure back.
TEST_F(WinMsg, CallbackRemovesItselfInsideTheProcedure) {
    ASSERT_EQ(install(kPing, TbMsgModeSynchronous), 0);
    ASSERT_EQ(install(kPong, TbMsgModeSynchronous), 0);
    removeOnCall = kPong;  // first another one's, then its own
    SendMessageA(window, kPing, 1, 0);
    removeOnCall = kPing;
    SendMessageA(window, kPing, 2, 0);
    EXPECT_EQ(calls.size(), 2u);
    EXPECT_EQ(underneath.size(), 2u);
    EXPECT_EQ(underneath.back().wParam, 3u);
    EXPECT_EQ(GetWindowLongPtrA(window, GWLP_WNDPROC), underneathAsRead);
    EXPECT_EQ(RemoveWinMsgCallback(panel, kPing), TbErrMsgCallbackNotInstalled);
}

// The engine's real input keeps working through the library's procedure.
TEST_F(WinMsg, EngineInputPassesThrough) {
    EventLog log;
    log.watchPanel(panel);
    ASSERT_EQ(DisplayPanel(panel), 0);
    ASSERT_EQ(install(WM_RBUTTONDOWN, TbMsgModeSynchronous), 0);
    PostMessageA(window, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(12, 34));
    PostMessageA(window, WM_RBUTTONUP, 0, MAKELPARAM(12, 34));
    for (int pass = 0; pass < 3; ++pass) ProcessSystemEvents();
    EXPECT_EQ(calls.size(), 1u);
    EXPECT_EQ(log.numbers(), std::vector<int>{EVENT_RIGHT_CLICK});
    EXPECT_EQ(RemoveWinMsgCallback(panel, WM_RBUTTONDOWN), 0);
    InstallPanelCallback(panel, nullptr, nullptr);  // the log goes before the panel
}

// Re-creating the window: WM_DESTROY's callback is called on the old window, the next
// pass subclasses the new one and tells every callback (enabled or not, each with its
// own data) the new handle; messages to the new window then reach the callbacks.
TEST_F(WinMsg, RecreatedWindowIsSubclassedAgain) {
    int first = 1, second = 2, destroyed = 3;
    ASSERT_EQ(install(kPing, TbMsgModeSynchronous, &first), 0);
    ASSERT_EQ(install(kPong, TbMsgModeSynchronous, &second), 0);
    ASSERT_EQ(install(WM_DESTROY, TbMsgModeSynchronous, &destroyed), 0);
    ASSERT_EQ(SetMsgCallbackAttribute(panel, kPong, TbMsgAttrEnabled, 0), 0);
    ASSERT_EQ(RecreatePanelWindow(panel), 0);
    HWND fresh = windowOf(panel);
    ASSERT_NE(fresh, window);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].message, WM_DESTROY);
    EXPECT_EQ(calls[0].data, &destroyed);
    calls.clear();
    ProcessSystemEvents();
    const uintptr_t handle = reinterpret_cast<uintptr_t>(fresh);
    EXPECT_EQ(calls, (std::vector<Seen>{{panel, TbMsgWindowRecreated, handle, 0, &first},
                                        {panel, TbMsgWindowRecreated, handle, 0, &second},
                                        {panel, TbMsgWindowRecreated, handle, 0, &destroyed}}));
    calls.clear();
    SendMessageA(fresh, kPing, 8, 9);
    EXPECT_EQ(calls, (std::vector<Seen>{{panel, int(kPing), 8, 9, &first}}));
    for (UINT message : {kPing, kPong, UINT(WM_DESTROY)}) RemoveWinMsgCallback(panel, message);
    EXPECT_NE(GetWindowLongPtrA(fresh, GWLP_WNDPROC), 0);
}

// Discarding a subclassed panel removes its callbacks before the window goes; a
// re-subclassing still pending then finds nothing to do.
TEST_F(WinMsg, DiscardRemovesEveryCallback) {
    int doomed = NewPanel(0, "doomed", 0, 0, 20, 20);
    void *handle = nullptr;
    ASSERT_EQ(InstallWinMsgCallback(doomed, kPing, recording, 1000, nullptr, &handle), 0);
    ASSERT_EQ(InstallWinMsgCallback(doomed, WM_DESTROY, recording, 1000, nullptr, &handle), 0);
    ASSERT_EQ(RecreatePanelWindow(doomed), 0);  // posts a re-subclassing
    ASSERT_EQ(DiscardPanel(doomed), 0);
    ProcessSystemEvents();
    EXPECT_EQ(RemoveWinMsgCallback(doomed, kPing), TbErrMsgCallbackNotInstalled);
    for (const Seen &s : calls) EXPECT_NE(s.message, TbMsgWindowRecreated);
}

}  // namespace
