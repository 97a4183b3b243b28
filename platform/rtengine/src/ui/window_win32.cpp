// Win32 backend of panels: a real window for every top-level panel, owned by the
// panel's thread, that follows the model and feeds real input into it.
//
// Choices:
//  - One window class, registered once from the engine's module. The window's extra
//    bytes hold its panel's handle, so the procedure finds its panel however it is
//    reached (dispatched, or called on by a procedure that subclasses the window). The
//    engine never sets GWLP_WNDPROC or GWLP_USERDATA: both are the application's.
//  - Frame: a pop-up window with a caption and a system menu, plus a sizing frame while
//    RTE_ATTR_SIZABLE is 1, top-most while RTE_ATTR_FLOATING is 1. The system's minimum
//    and maximum tracking sizes do not apply: a 10 x 10 panel gets a 10 x 10 client area.
//  - The model holds what the program set. What the engine does to a window is not read
//    back from it; what others do (the user, code calling SetWindowPos or ShowWindow)
//    is, except while a change the program made on another thread is still on its way
//    to the window (the program's later word wins). A minimised window leaves the
//    model's place and size alone.
//  - A move or a size that comes back to the model this way is told to the panel's
//    callback (EVENT_PANEL_MOVE, EVENT_PANEL_SIZE) from the owning thread's next event
//    pass, never from inside the window procedure: the code that moved the window may
//    be another thread waiting in SetWindowPos for the procedure to return.
//  - Requests from other threads are a registered message posted to the window, so they
//    never wait for the owner, and pass through subclassing procedures like any message.
//  - Input: left and right button presses and releases (buttons 1 and 2; the window
//    captures the mouse while the left button is down, so the release comes back), mouse
//    moves, keys (special keys from WM_KEYDOWN/WM_SYSKEYDOWN with the modifiers held;
//    characters from WM_CHAR as themselves; Alt with a character from WM_SYSCHAR; Ctrl
//    with a letter or digit as the lower-case character with RTE_KEY_MOD_CTRL) and
//    WM_CLOSE, which is not passed on, so closing never destroys the window. Activation
//    makes the panel the active one.
//  - Painting: the client area shows the engine's own picture of the panel
//    (GetScaledPanelDisplayBitmap's, unscaled), copied with SetDIBitsToDevice on
//    WM_PAINT and WM_PRINTCLIENT; the background is never erased separately, so nothing
//    flickers. A change of what the panel shows invalidates the whole client area of
//    the top-level window it is drawn in (InvalidateRect never waits for the owner).
#include <windows.h>

#include <cctype>
#include <string>

#include "render/render.h"
#include "ui/ui_internal.h"

namespace rte::ui {

namespace {

constexpr DWORD kFixedFrame = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kSizingFrame = WS_THICKFRAME | WS_MAXIMIZEBOX;
constexpr LONG kLargestTrackSize = 0x7FFF + 0x400;  // the largest panel with any frame

LRESULT CALLBACK panelWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

HINSTANCE engineModule() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&panelWindowProc), &module);
    return module;
}

ATOM panelWindowClass() {
    static const ATOM atom = [] {
        WNDCLASSEXA description = {};
        description.cbSize = sizeof description;
        description.lpfnWndProc = panelWindowProc;
        description.cbWndExtra = sizeof(LONG_PTR);
        description.hInstance = engineModule();
        description.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // the arrow
        description.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        description.lpszClassName = "rtengine panel";
        return RegisterClassExA(&description);
    }();
    return atom;
}

// The message that asks a window to follow its panel's model.
UINT followModelMessage() {
    static const UINT message = RegisterWindowMessageA("rtengine panel: follow the model");
    return message;
}

int panelOf(HWND window) { return static_cast<int>(GetWindowLongPtrA(window, 0)); }

// The window the calling thread is changing from the model; its notifications are not
// read back.
thread_local HWND changingFromModel = nullptr;

class ChangingFromModel {
public:
    explicit ChangingFromModel(HWND window) : previous_(changingFromModel) {
        changingFromModel = window;
    }
    ~ChangingFromModel() { changingFromModel = previous_; }
    ChangingFromModel(const ChangingFromModel &) = delete;
    ChangingFromModel &operator=(const ChangingFromModel &) = delete;

private:
    HWND previous_;
};

// What the model wants the window to be.
struct WantedWindow {
    HWND window = nullptr;
    RECT client = {};
    std::string title;
    bool visible = false, sizable = true, floating = false;
};

void readWanted(const Panel &p, WantedWindow &w) {
    w.window = static_cast<HWND>(p.window.handle);
    w.client = {p.left, p.top, p.left + p.width, p.top + p.height};
    w.title = p.title;
    w.visible = p.visible;
    w.sizable = p.sizable;
    w.floating = p.floating;
}

DWORD frameStyle(bool sizable) { return kFixedFrame | (sizable ? kSizingFrame : 0); }

RECT outerRect(RECT client, DWORD style, DWORD exStyle) {
    AdjustWindowRectEx(&client, style & ~WS_VISIBLE, FALSE, exStyle);
    return client;
}

HWND makeWindow(int panel, const WantedWindow &w) {
    const ATOM windowClass = panelWindowClass();
    if (!windowClass) return nullptr;
    const DWORD style = frameStyle(w.sizable), exStyle = w.floating ? WS_EX_TOPMOST : 0;
    const RECT outer = outerRect(w.client, style, exStyle);
    return CreateWindowExA(exStyle, MAKEINTATOM(windowClass), w.title.c_str(), style, outer.left,
                           outer.top, outer.right - outer.left, outer.bottom - outer.top,
                           nullptr, nullptr, engineModule(),
                           reinterpret_cast<void *>(static_cast<intptr_t>(panel)));
}

bool hasTitle(HWND window, const std::string &title) {
    int length = GetWindowTextLengthA(window);
    if (length != static_cast<int>(title.size())) return false;
    std::string current(size_t(length) + 1, '\0');
    GetWindowTextA(window, &current[0], length + 1);
    current.resize(size_t(length));
    return current == title;
}

// Frame, place, size, z-order band and title, then visibility.
void applyToWindow(const WantedWindow &w) {
    ChangingFromModel changing(w.window);
    const LONG_PTR style = GetWindowLongPtrA(w.window, GWL_STYLE);
    const LONG_PTR exStyle = GetWindowLongPtrA(w.window, GWL_EXSTYLE);
    UINT flags = SWP_NOACTIVATE | SWP_NOOWNERZORDER;
    LONG_PTR wantedStyle = (style & ~LONG_PTR(kSizingFrame)) | (w.sizable ? kSizingFrame : 0);
    if (wantedStyle != style) {
        SetWindowLongPtrA(w.window, GWL_STYLE, wantedStyle);
        flags |= SWP_FRAMECHANGED;
    }
    HWND insertAfter = nullptr;
    if (((exStyle & WS_EX_TOPMOST) != 0) != w.floating)
        insertAfter = w.floating ? HWND_TOPMOST : HWND_NOTOPMOST;
    else
        flags |= SWP_NOZORDER;
    RECT outer = outerRect(w.client, DWORD(wantedStyle),
                           DWORD(w.floating ? exStyle | WS_EX_TOPMOST : exStyle & ~WS_EX_TOPMOST));
    RECT current;
    GetWindowRect(w.window, &current);
    if (IsIconic(w.window) || EqualRect(&outer, &current)) flags |= SWP_NOMOVE | SWP_NOSIZE;
    if ((flags & (SWP_NOMOVE | SWP_NOZORDER)) != (SWP_NOMOVE | SWP_NOZORDER) ||
        (flags & SWP_FRAMECHANGED))
        SetWindowPos(w.window, insertAfter, outer.left, outer.top, outer.right - outer.left,
                     outer.bottom - outer.top, flags);
    if (!hasTitle(w.window, w.title)) SetWindowTextA(w.window, w.title.c_str());
    const bool shown = (GetWindowLongPtrA(w.window, GWL_STYLE) & WS_VISIBLE) != 0;
    if (w.visible != shown) ShowWindow(w.window, w.visible ? SW_SHOW : SW_HIDE);
}

// On the owning thread: the window catches up with the model.
void applyModel(int panel) {
    WantedWindow w;
    {
        Model &m = model();
        Guard lock(m.mutex);
        Panel *p = m.panel(panel);
        if (!p || !p->window.handle || p->discarding) return;
        p->window.syncPosted = false;
        readWanted(*p, w);
    }
    applyToWindow(w);
}

int clampedPosition(LONG v) {
    return static_cast<int>(v < kMinCoordinate ? kMinCoordinate : v > kMaxCoordinate ? kMaxCoordinate : v);
}
int clampedSize(LONG v) { return static_cast<int>(v < 0 ? 0 : v > kMaxSize ? kMaxSize : v); }

// Someone other than the engine moved, sized, showed or hid the window.
void modelFollowsWindow(HWND window, const WINDOWPOS &change) {
    if (changingFromModel == window) return;
    const bool placed = (change.flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE) &&
                        !IsIconic(window);
    POINT origin = {0, 0};
    RECT client = {};
    ClientToScreen(window, &origin);
    GetClientRect(window, &client);
    int panel = 0;
    bool moved = false, sized = false;
    Rect now = {};
    {
        Model &m = model();
        Guard lock(m.mutex);
        Panel *p = m.panel(panelOf(window));
        if (!p || p->window.handle != window || p->discarding) return;
        if (placed && !p->window.syncPosted) {
            now = {clampedPosition(origin.y), clampedPosition(origin.x),
                   clampedSize(client.bottom), clampedSize(client.right)};
            moved = now.top != p->top || now.left != p->left;
            sized = now.height != p->height || now.width != p->width;
            p->top = now.top;
            p->left = now.left;
            p->height = now.height;
            p->width = now.width;
            panel = p->handle;
        }
        if ((change.flags & SWP_SHOWWINDOW) && !p->visible) {
            p->visible = true;
            bringToFront(m, p->handle);
        }
        if ((change.flags & SWP_HIDEWINDOW) && p->visible) hideInModel(m, *p);
    }
    if (moved) windowPlaced(panel, EVENT_PANEL_MOVE, now.top, now.left);
    if (sized) windowPlaced(panel, EVENT_PANEL_SIZE, now.height, now.width);
}

// Forgets a window that is going away, unless the panel has another one already.
void windowGone(HWND window) {
    Model &m = model();
    Guard lock(m.mutex);
    Panel *p = m.panel(panelOf(window));
    if (p && p->window.handle == window) p->window = SystemWindow{};
}

// The panel whose current window this is, 0 for a window being replaced or discarded.
int livePanelOf(HWND window) {
    Model &m = model();
    Guard lock(m.mutex);
    const Panel *p = m.panel(panelOf(window));
    return p && p->window.handle == window && !p->discarding ? p->handle : 0;
}

// ---- Input ----

int heldModifiers() {
    int modifiers = 0;
    if (GetKeyState(VK_SHIFT) < 0) modifiers |= RTE_KEY_MOD_SHIFT;
    if (GetKeyState(VK_CONTROL) < 0) modifiers |= RTE_KEY_MOD_CTRL;
    if (GetKeyState(VK_MENU) < 0) modifiers |= RTE_KEY_MOD_ALT;
    return modifiers;
}

int specialKey(WPARAM virtualKey) {
    switch (virtualKey) {
    case VK_BACK: return RTE_KEY_BACKSPACE;
    case VK_DELETE: return RTE_KEY_DELETE;
    case VK_ESCAPE: return RTE_KEY_ESCAPE;
    case VK_TAB: return RTE_KEY_TAB;
    case VK_RETURN: return RTE_KEY_ENTER;
    case VK_UP: return RTE_KEY_UP;
    case VK_DOWN: return RTE_KEY_DOWN;
    case VK_LEFT: return RTE_KEY_LEFT;
    case VK_RIGHT: return RTE_KEY_RIGHT;
    case VK_HOME: return RTE_KEY_HOME;
    case VK_END: return RTE_KEY_END;
    case VK_PRIOR: return RTE_KEY_PAGE_UP;
    case VK_NEXT: return RTE_KEY_PAGE_DOWN;
    case VK_INSERT: return RTE_KEY_INSERT;
    default:
        if (virtualKey >= VK_F1 && virtualKey <= VK_F12)
            return RTE_KEY_F1 + static_cast<int>(virtualKey - VK_F1) * 0x100;
        return 0;
    }
}

// The key a key-down gives, 0 when its character comes as WM_CHAR instead.
int keyDownKey(WPARAM virtualKey) {
    const int modifiers = heldModifiers();
    if (int special = specialKey(virtualKey)) return special | modifiers;
    const bool letterOrDigit = (virtualKey >= 'A' && virtualKey <= 'Z') ||
                               (virtualKey >= '0' && virtualKey <= '9');
    if (letterOrDigit && (modifiers & RTE_KEY_MOD_CTRL) && !(modifiers & RTE_KEY_MOD_ALT))
        return std::tolower(static_cast<int>(virtualKey)) | modifiers;
    return 0;
}

bool printable(WPARAM character) { return character >= 0x20 && character <= 0xFF && character != 0x7F; }

int mouseX(LPARAM lParam) { return static_cast<short>(LOWORD(lParam)); }
int mouseY(LPARAM lParam) { return static_cast<short>(HIWORD(lParam)); }

// Handles a message for the panel; false passes it on to DefWindowProcA.
bool handleInput(int panel, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOUSEMOVE:
        windowPointerMoved(panel, mouseX(lParam), mouseY(lParam));
        return true;
    case WM_LBUTTONDOWN:
        SetCapture(window);
        windowButton(panel, mouseX(lParam), mouseY(lParam), 1, true);
        return true;
    case WM_LBUTTONUP:
        windowButton(panel, mouseX(lParam), mouseY(lParam), 1, false);
        if (GetCapture() == window) ReleaseCapture();
        return true;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        windowButton(panel, mouseX(lParam), mouseY(lParam), 2, message == WM_RBUTTONDOWN);
        return true;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (int key = keyDownKey(wParam)) windowKey(panel, key);
        return message == WM_KEYDOWN;  // the system keeps Alt+F4 and the like
    case WM_CHAR:
        if (printable(wParam)) windowKey(panel, static_cast<int>(wParam));
        return true;
    case WM_SYSCHAR:
        if (!printable(wParam) || wParam == ' ') return false;  // Alt+Space: the system menu
        windowKey(panel, std::tolower(static_cast<int>(wParam)) | RTE_KEY_MOD_ALT);
        return true;
    case WM_CLOSE:
        windowClose(panel);
        return true;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) windowActivated(panel);
        return false;
    default:
        return false;
    }
}

// Copies the panel's picture to the device context, its top-left corner at the
// client area's.
void paintPanel(int panel, HDC dc) {
    const Rect all = {0, 0, RTE_DISPLAY_AREA_ALL, RTE_DISPLAY_AREA_ALL};
    render::drawPanelPicture(panel, RTE_DISPLAY_SCOPE_PANEL, all, [dc](const render::Canvas &canvas) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = canvas.width();
        info.bmiHeader.biHeight = -canvas.height();  // rows top first, as drawn
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;  // 0x00RRGGBB: blue, green, red, 0 in memory
        info.bmiHeader.biCompression = BI_RGB;
        // A memory or window DC: the copy sends no message, so the model lock may be held.
        SetDIBitsToDevice(dc, 0, 0, DWORD(canvas.width()), DWORD(canvas.height()), 0, 0, 0,
                          UINT(canvas.height()), canvas.pixels().data(), &info, DIB_RGB_COLORS);
        return 0;
    });
}

// Paint messages; false passes the message on.
bool handlePaint(int panel, HWND window, UINT message, WPARAM wParam, LRESULT &result) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        if (HDC dc = BeginPaint(window, &paint)) {
            paintPanel(panel, dc);
            EndPaint(window, &paint);
        }
        result = 0;
        return true;
    }
    case WM_PRINTCLIENT:
        paintPanel(panel, reinterpret_cast<HDC>(wParam));
        result = 0;
        return true;
    case WM_ERASEBKGND:
        result = 1;  // the picture covers the whole client area
        return true;
    default:
        return false;
    }
}

LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCREATE: {
        const auto *creation = reinterpret_cast<const CREATESTRUCTA *>(lParam);
        SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
        break;
    }
    case WM_GETMINMAXINFO: {
        auto *limits = reinterpret_cast<MINMAXINFO *>(lParam);
        limits->ptMinTrackSize = {0, 0};
        limits->ptMaxTrackSize = {kLargestTrackSize, kLargestTrackSize};
        return 0;
    }
    case WM_WINDOWPOSCHANGED:
        modelFollowsWindow(window, *reinterpret_cast<const WINDOWPOS *>(lParam));
        break;
    case WM_NCDESTROY:
        windowGone(window);
        break;
    default:
        if (message == followModelMessage()) {
            if (int panel = livePanelOf(window)) applyModel(panel);
            return 0;
        }
        if (int panel = livePanelOf(window)) {
            LRESULT painted;
            if (handlePaint(panel, window, message, wParam, painted)) return painted;
            if (handleInput(panel, window, message, wParam, lParam)) return 0;
        }
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK panelWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return handleMessage(window, message, wParam, lParam);
    } catch (const std::bad_alloc &) {  // nothing may unwind through the system's frames
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

Size screenSize() {
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    if (width <= 0 || height <= 0) return {RTE_SCREEN_WIDTH, RTE_SCREEN_HEIGHT};
    return {width, height};
}

int openPanelWindow(int panel) {
    WantedWindow w;
    {
        Model &m = model();
        Guard lock(m.mutex);
        const Panel *p = m.panel(panel);
        if (!p) return RTE_UIE_INVALID_PANEL;
        readWanted(*p, w);
    }
    HWND window = makeWindow(panel, w);
    if (!window) return RTE_UIE_OUT_OF_MEMORY;
    {
        Model &m = model();
        Guard lock(m.mutex);
        Panel *p = m.panel(panel);
        if (p) {
            p->window.handle = window;
            return 0;
        }
    }
    DestroyWindow(window);
    return RTE_UIE_INVALID_PANEL;
}

void closePanelWindow(int panel) {
    HWND window;
    {
        Model &m = model();
        Guard lock(m.mutex);
        const Panel *p = m.panel(panel);
        if (!p) return;
        window = static_cast<HWND>(p->window.handle);
    }
    if (window) DestroyWindow(window);  // WM_NCDESTROY forgets it
}

void windowFollowsModel(int panel) {
    HWND window;
    {
        Model &m = model();
        Guard lock(m.mutex);
        Panel *p = m.panel(panel);
        if (!p || !p->window.handle) return;
        window = static_cast<HWND>(p->window.handle);
        if (p->owner != callingThread()) {
            if (p->window.syncPosted) return;  // one request on its way is enough
            p->window.syncPosted = PostMessageA(window, followModelMessage(), 0, 0) != 0;
            return;
        }
    }
    applyModel(panel);
}

void panelLooksChanged(const Model &m, int panel) {
    const Panel *p = m.panel(panel);
    for (int depth = 0; p && p->parent != 0 && depth < 1000; ++depth) p = m.panel(p->parent);
    if (p && p->window.handle) InvalidateRect(static_cast<HWND>(p->window.handle), nullptr, FALSE);
}

void raisePanelWindow(int panel) {
    HWND window;
    {
        Model &m = model();
        Guard lock(m.mutex);
        const Panel *p = m.panel(panel);
        if (!p || !p->window.handle || !p->visible) return;
        window = static_cast<HWND>(p->window.handle);
    }
    ChangingFromModel changing(window);
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

bool windowShowsAttribute(int attribute) {
    switch (attribute) {
    case RTE_ATTR_LEFT:
    case RTE_ATTR_TOP:
    case RTE_ATTR_WIDTH:
    case RTE_ATTR_HEIGHT:
    case RTE_ATTR_TITLE:
    case RTE_ATTR_SIZABLE:
    case RTE_ATTR_FLOATING:
        return true;
    default:
        return false;
    }
}

namespace {

int recreateWindow(int panel) {
    WantedWindow w;
    {
        Model &m = model();
        Guard lock(m.mutex);
        int code;
        const Panel *p = findPanel(m, panel, code);
        if (!p) return code;
        if (p->owner != callingThread()) return RTE_UIE_WRONG_THREAD;
        if (p->parent != 0 || p->discarding) return RTE_UIE_INVALID_PANEL;
        readWanted(*p, w);
    }
    HWND old = w.window;
    w.visible = false;  // shown by applyModel below, in place
    HWND fresh = makeWindow(panel, w);
    if (!fresh) return RTE_UIE_OUT_OF_MEMORY;
    bool taken = false;
    {
        Model &m = model();
        Guard lock(m.mutex);
        Panel *p = m.panel(panel);
        if (p && !p->discarding) {
            p->window.handle = fresh;
            p->window.syncPosted = false;
            taken = true;
        }
    }
    if (!taken) {  // discarded by a message the new window got
        DestroyWindow(fresh);
        return RTE_UIE_INVALID_PANEL;
    }
    applyModel(panel);
    if (old) DestroyWindow(old);
    return 0;
}

}  // namespace

}  // namespace rte::ui

extern "C" int RecreatePanelWindow(int panel) {
    return rte::ui::entry("RecreatePanelWindow", [&] { return rte::ui::recreateWindow(panel); });
}
