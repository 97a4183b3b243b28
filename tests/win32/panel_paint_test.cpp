// A panel's real window paints the engine's own picture of the panel: asked to print
// its client area into a memory DC (WM_PRINTCLIENT, PrintWindow), it gives exactly the
// pixels of GetScaledPanelDisplayBitmap; a change of what the panel shows makes the
// window due for painting again.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <vector>

#include "picture_support.h"
#include "rtengine.h"
#include "ui_support.h"

using testing_support::panelPicture;
using testing_support::Pixels;
using testing_support::ScopedPanel;

namespace {

HWND windowOf(int panel) {
    void *window = nullptr;
    EXPECT_EQ(GetPanelAttribute(panel, RTE_ATTR_SYSTEM_WINDOW, &window), 0);
    return static_cast<HWND>(window);
}

// What the window draws of its client area into a 32-bit DIB section, as 0xRRGGBB.
Pixels printed(HWND window, int width, int height, const std::function<void(HWND, HDC)> &print) {
    Pixels out;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP section = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!dc || !section) return out;
    HGDIOBJ previous = SelectObject(dc, section);
    const auto *pixels = static_cast<const unsigned *>(bits);
    std::fill_n(static_cast<unsigned *>(bits), size_t(width) * size_t(height), 0x00FF00FFu);
    print(window, dc);
    GdiFlush();
    out.width = width, out.height = height;
    for (int k = 0; k < width * height; ++k) out.rgb.push_back(int(pixels[k] & 0xFFFFFF));
    SelectObject(dc, previous);
    DeleteObject(section);
    DeleteDC(dc);
    return out;
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

}  // namespace
