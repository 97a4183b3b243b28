// A panel's real window paints the engine's own picture of the panel: asked to print
// its client area into a memory DC (WM_PRINTCLIENT, PrintWindow), it gives exactly the
// pixels of GetScaledPanelDisplayBitmap; a change of what the panel shows makes the
// window due for painting again.
//
// On a display (TOOLBOX_DISPLAY=1: scripts/test runs the PanelOnScreen cases on Xvfb
// with Wine's virtual desktop) the screen itself is compared: its pixels under the
// client area, read back through the screen's DC and once by ImageMagick's import from
// the X server, are the engine's picture after every change and after a window in
// front goes away. Without a display those cases skip.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "loop_support.h"
#include "picture_support.h"
#include "rtengine.h"
#include "screen_support.h"
#include "ui_support.h"

using testing_support::drawnPixels;
using testing_support::panelPicture;
using testing_support::Pixels;
using testing_support::ScopedPanel;

namespace {

HWND windowOf(int panel) {
    void *window = nullptr;
    EXPECT_EQ(GetPanelAttribute(panel, RTE_ATTR_SYSTEM_WINDOW, &window), 0);
    return static_cast<HWND>(window);
}

// What the window draws of its client area into a 32-bit DIB section.
Pixels printed(HWND window, int width, int height, const std::function<void(HWND, HDC)> &print) {
    return drawnPixels(width, height, [&](HDC dc) { print(window, dc); });
}

void printClient(HWND window, HDC dc) { SendMessageA(window, WM_PRINTCLIENT, WPARAM(dc), PRF_CLIENT); }

struct PanelFixture : testing::Test {
    ScopedPanel panel{0, 40, 40, 120, 200};
    void SetUp() override {
        int color = NewCtrl(panel, RTE_CTRL_COLOR_NUM, "Colour", 30, 10);
        ASSERT_EQ(SetCtrlVal(panel, color, 0x3366CC), 0);
        ASSERT_GE(NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "__Paint", 70, 90), 2);
        list = NewCtrl(panel, RTE_CTRL_LIST_BOX, "", 10, 100);
        ASSERT_EQ(InsertListItem(panel, list, -1, "\033fgFF0000red", 1), 0);
    }
    int list = 0;
};

// The printed client area is the engine's picture, pixel for pixel, hidden or shown.
TEST_F(PanelFixture, PrintedClientAreaIsTheEnginePicture) {
    HWND window = windowOf(panel);
    ASSERT_NE(window, nullptr);
    Pixels expected = panelPicture(panel);
    EXPECT_EQ(printed(window, 200, 120, printClient), expected);
    ASSERT_EQ(DisplayPanel(panel), 0);
    EXPECT_EQ(printed(window, 200, 120, printClient), expected);
    Pixels whole = printed(window, 200, 120, [](HWND w, HDC dc) { PrintWindow(w, dc, PW_CLIENTONLY); });
    EXPECT_EQ(whole, expected);
}

// Changing what the panel shows makes the window due for painting; painting it
// validates it, and the next print shows the change.
TEST_F(PanelFixture, ChangesInvalidateTheWindow) {
    HWND window = windowOf(panel);
    ASSERT_EQ(DisplayPanel(panel), 0);
    int child = 0;
    const std::vector<std::function<int()>> changes = {
        [&] { return InsertListItem(panel, list, -1, "second", 2); },
        [&] { return SetCtrlAttribute(panel, list, RTE_ATTR_DIMMED, 1); },
        [&] { return NewCtrl(panel, RTE_CTRL_TEXT_MSG, "new text", 100, 10) >= 2 ? 0 : -1; },
        [&] { return SetCtrlIndex(panel, list, 1); },
        [&] {
            child = NewPanel(panel, "", 10, 150, 40, 40);
            return child > 0 ? DisplayPanel(child) : child;
        },
        [&] { return SetPanelPos(child, 60, 120); },  // drawn in the parent's window
    };
    for (size_t k = 0; k < changes.size(); ++k) {
        SCOPED_TRACE(testing::Message() << "change " << k);
        UpdateWindow(window);
        ASSERT_FALSE(GetUpdateRect(window, nullptr, FALSE));
        Pixels before = printed(window, 200, 120, printClient);
        ASSERT_EQ(changes[k](), 0);
        EXPECT_TRUE(GetUpdateRect(window, nullptr, FALSE));
        Pixels after = printed(window, 200, 120, printClient);
        EXPECT_NE(after, before);
        EXPECT_EQ(after, panelPicture(panel));
    }
}

// Sizes the window as a user or other code would, by its frame; 0 or -1.
int resizedWindow(HWND window, int wider, int taller) {
    RECT outer;
    GetWindowRect(window, &outer);
    return SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left + wider,
                        outer.bottom - outer.top + taller, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE)
               ? 0
               : -1;
}

Rect boundsOf(int panel, int control) {
    Rect r = {};
    EXPECT_EQ(GetCtrlBoundingRect(panel, control, &r.top, &r.left, &r.height, &r.width), 0);
    return r;
}

// A left click through the system's input at a point of a rectangle of the client
// area (percent of its width and height from its top-left corner); 0 or -1.
int clickAt(HWND window, const Rect &in, int xPercent, int yPercent) {
    const RECT client = testing_support::clientOnScreen(window);
    const int x = client.left + in.left + in.width * xPercent / 100;
    const int y = client.top + in.top + in.height * yPercent / 100;
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input[3] = {};
    for (INPUT &i : input) i.type = INPUT_MOUSE;
    input[0].mi.dx = (x * 65536 + width - 1) / width;
    input[0].mi.dy = (y * 65536 + height - 1) / height;
    input[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    return SendInput(3, input, sizeof(INPUT)) == 3 ? 0 : -1;
}

// A panel on a real display, in front of every other window, with controls of several
// kinds; the screen's pixels of its client area are compared with the engine's picture.
class PanelOnScreen : public testing::Test {
protected:
    void SetUp() override {
        if (!testing_support::onDisplay())
            GTEST_SKIP() << "needs a display (TOOLBOX_DISPLAY=1, as scripts/test's display step "
                            "sets on Xvfb); Wine's null driver shows nothing on a screen";
        HDC screen = GetDC(nullptr);
        const int depth = GetDeviceCaps(screen, BITSPIXEL);
        ReleaseDC(nullptr, screen);
        ASSERT_GE(depth, 24) << "a screen of fewer colours cannot show the picture exactly";
        owned = std::make_unique<ScopedPanel>(0, 80, 60, 150, 260);
        panel = *owned;
        ASSERT_GT(text = NewCtrl(panel, RTE_CTRL_TEXT_MSG, "Shown as drawn", 6, 10), 0);
        ASSERT_GT(button = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "__Paint", 28, 10), 0);
        ASSERT_GT(number = NewCtrl(panel, RTE_CTRL_NUMERIC_INDICATOR, "Level", 28, 120), 0);
        ASSERT_EQ(SetCtrlVal(panel, number, 21.5), 0);
        ASSERT_GT(colour = NewCtrl(panel, RTE_CTRL_COLOR_NUM, "Colour", 80, 200), 0);
        ASSERT_EQ(SetCtrlVal(panel, colour, 0x3366CC), 0);
        ASSERT_GT(list = NewCtrl(panel, RTE_CTRL_LIST_BOX, "", 80, 10), 0);
        ASSERT_EQ(InsertListItem(panel, list, -1, "\033fgFF0000red", 1), 0);
        ASSERT_EQ(InsertListItem(panel, list, -1, "plain", 2), 0);
        ASSERT_EQ(SetPanelAttribute(panel, RTE_ATTR_FLOATING, 1), 0);
        ASSERT_EQ(DisplayPanel(panel), 0);
        window = windowOf(panel);
        ASSERT_NE(window, nullptr);
    }

    // Fails, with both pictures saved, unless the screen comes to show the panel as the
    // engine draws it now.
    void expectShownAsDrawn(const std::string &name) {
        Pixels wanted;
        Pixels shot = testing_support::screenOnceItShows(window, [&] { return panelPicture(panel); }, wanted);
        std::string mismatch = testing_support::pictureMismatch(shot, wanted, name);
        EXPECT_TRUE(mismatch.empty()) << name << ": " << mismatch;
        const RECT client = testing_support::clientOnScreen(window);
        EXPECT_EQ(client.left, testing_support::panelInt(panel, RTE_ATTR_LEFT)) << name;
        EXPECT_EQ(client.top, testing_support::panelInt(panel, RTE_ATTR_TOP)) << name;
    }

    std::unique_ptr<ScopedPanel> owned;
    int panel = 0, text = 0, button = 0, number = 0, colour = 0, list = 0;
    HWND window = nullptr;
};

// Every change of what the panel shows reaches the screen by itself: the case lets
// the window paint only what the engine made due, so a change that does not
// invalidate the window leaves the old pixels on the screen.
TEST_F(PanelOnScreen, ScreenShowsTheEnginePictureThroughChanges) {
    expectShownAsDrawn("shown");
    int child = 0;
    const struct {
        const char *name;
        std::function<int()> change;
        bool changesPicture = true;
    } changes[] = {
        {"control-colour", [&] { return SetCtrlVal(panel, colour, 0xCC3366); }},
        {"panel-colour", [&] { return SetPanelAttribute(panel, RTE_ATTR_BACK_COLOR, 0xD8E8F8); }},
        {"numeric-value", [&] { return SetCtrlVal(panel, number, 73.25); }},
        {"list-item", [&] { return InsertListItem(panel, list, 0, "\033fg008000first", 3); }},
        {"dimmed", [&] { return SetCtrlAttribute(panel, button, RTE_ATTR_DIMMED, 1); }},
        {"label", [&] { return SetCtrlAttribute(panel, button, RTE_ATTR_LABEL_TEXT, "Again"); }},
        {"control-moved", [&] { return SetCtrlAttribute(panel, text, RTE_ATTR_LEFT, 90); }},
        {"child-shown", [&] {
             child = NewPanel(panel, "", 60, 120, 40, 70);
             return child > 0 ? DisplayPanel(child) : child;
         }},
        {"child-colour", [&] { return SetPanelAttribute(child, RTE_ATTR_BACK_COLOR, 0x406040); }},
        {"child-moved", [&] { return SetPanelPos(child, 20, 150); }},
        {"child-frame", [&] { return SetPanelAttribute(child, RTE_ATTR_FRAME_COLOR, 0xC02020); }},
        {"child-hidden", [&] { return HidePanel(child); }},
        {"other-thread", [&] {
             int code = -1;
             std::thread([&] { code = SetCtrlVal(panel, number, -4.0); }).join();
             return code;
         }},
        {"changed-while-hidden", [&] {
             int code = HidePanel(panel);
             code = code ? code : SetCtrlVal(panel, colour, 0x993300);
             return code ? code : DisplayPanel(panel);
         }},
        {"clicked", [&] { return clickAt(window, boundsOf(panel, list), 10, 50); }},  // "plain"
        {"minimised-restored", [&] {
             ShowWindow(window, SW_MINIMIZE);
             testing_support::pump();
             const bool minimised = IsIconic(window);
             ShowWindow(window, SW_RESTORE);
             return minimised && !IsIconic(window) ? 0 : -1;
         }, false},
        {"control-gone", [&] { return DiscardCtrl(panel, list); }},
        {"panel-sized", [&] {
             int code = SetPanelAttribute(panel, RTE_ATTR_HEIGHT, 170);
             return code ? code : SetPanelAttribute(panel, RTE_ATTR_WIDTH, 300);
         }},
        {"panel-moved", [&] { return SetPanelPos(panel, 120, 90); }, false},
        {"frame-fixed", [&] { return SetPanelAttribute(panel, RTE_ATTR_SIZABLE, 0); }, false},
        {"window-grown", [&] { return resizedWindow(window, 40, 30); }},
        {"window-shrunk", [&] { return resizedWindow(window, -90, -60); }},
        {"window-recreated", [&] {
             int code = RecreatePanelWindow(panel);
             window = windowOf(panel);
             return code;
         }, false},
    };
    for (const auto &c : changes) {
        SCOPED_TRACE(c.name);
        Pixels before = panelPicture(panel);
        ASSERT_EQ(c.change(), 0);
        if (c.changesPicture) {
            ASSERT_TRUE(testing_support::pumpUntil([&] { return panelPicture(panel) != before; }, 2.0))
                << "the change shows nothing";
        }
        expectShownAsDrawn(c.name);
    }
    // The same pixels as a program outside Wine reads them from the X server.
    if (testing_support::underWine()) {
        std::string why;
        Pixels outside = testing_support::screenPixelsFromOutside(testing_support::clientOnScreen(window), &why);
        std::string mismatch = testing_support::pictureMismatch(outside, panelPicture(panel), "outside");
        EXPECT_TRUE(mismatch.empty()) << "read from outside Wine: " << why << (why.empty() ? "" : "; ") << mismatch;
    }
}

// A plain top-most window of one colour over part of the screen, gone with the scope.
class CoveringWindow {
public:
    static constexpr int kColour = 0xFF00FF;  // in no picture of the panel
    explicit CoveringWindow(const RECT &area) {
        static const ATOM windowClass = [] {
            WNDCLASSA description = {};
            description.lpfnWndProc = DefWindowProcA;
            description.hInstance = GetModuleHandleA(nullptr);
            description.hbrBackground = CreateSolidBrush(RGB(0xFF, 0x00, 0xFF));
            description.lpszClassName = "panel paint test cover";
            return RegisterClassA(&description);
        }();
        window_ = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
                                  MAKEINTATOM(windowClass), "", WS_POPUP, area.left, area.top,
                                  area.right - area.left, area.bottom - area.top, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
        if (window_) ShowWindow(window_, SW_SHOWNOACTIVATE);
    }
    ~CoveringWindow() {
        if (window_) DestroyWindow(window_);
    }
    CoveringWindow(const CoveringWindow &) = delete;
    CoveringWindow &operator=(const CoveringWindow &) = delete;
    HWND get() const { return window_; }

private:
    HWND window_ = nullptr;
};

// Waits until the screen shows the cover over all of its part of the client area.
bool coverShown(HWND panelWindow, const CoveringWindow &cover, const RECT &covered) {
    const RECT client = testing_support::clientOnScreen(panelWindow);
    const int left = covered.left - client.left, top = covered.top - client.top;
    const int width = covered.right - covered.left, height = covered.bottom - covered.top;
    return testing_support::pumpUntil([&] {
        UpdateWindow(cover.get());
        Pixels shot = testing_support::screenPixels(client);
        return shot.width > 0 &&
               shot.count(CoveringWindow::kColour, left, top, width, height) == width * height;
    }, 2.0);
}

// What a window in front hid is painted again when it goes, also when the panel
// changed while it was hidden.
TEST_F(PanelOnScreen, ScreenShowsWhatACoveringWindowHid) {
    expectShownAsDrawn("before-cover");
    const RECT client = testing_support::clientOnScreen(window);
    const RECT covered = {client.left + 100, client.top + 20, client.right, client.bottom};
    const RECT area = {covered.left, covered.top, covered.right + 40, covered.bottom + 40};
    for (bool changeWhileCovered : {false, true}) {
        SCOPED_TRACE(changeWhileCovered ? "changed while covered" : "unchanged");
        {
            CoveringWindow cover(area);
            ASSERT_NE(cover.get(), nullptr);
            ASSERT_TRUE(coverShown(window, cover, covered)) << "the cover never reached the screen";
            if (changeWhileCovered) {
                ASSERT_EQ(SetCtrlVal(panel, colour, 0x22AA44), 0);
            }
        }
        expectShownAsDrawn(changeWhileCovered ? "changed-under-cover" : "uncovered");
    }
}

}  // namespace
