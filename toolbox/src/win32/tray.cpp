// System tray icons: icon records with their notification data, the hidden panel
// whose window receives the shell's notifications, the deferred handler that turns them
// into icon events, and the icons' popup menus.
//
// Choices:
//  - The records the shell and the menus are given carry the system's own structure
//    sizes (sizeof NOTIFYICONDATAA and MENUITEMINFOA of the build), with pointer-sized
//    window and icon handles. Tooltips are cut to 64 characters and always terminated
//    in the record, so a length is never read past them; reading one back needs a
//    65-byte buffer.
//  - Records are found again by icon handle after every call that leaves the family
//    (the shell, an icon callback, the menu's own message loop), and the shell is
//    handed a copy of the record. So a callback may remove its own icon, or install
//    others, while its notification is being handled: what follows the callback then
//    finds the icon gone and stops (no menu, no menu event). A notification that is
//    still queued when its icon (or the whole tray) is removed does nothing.
//  - Menu items are appended at the end; an item's number is its position from 1 and
//    also the identifier the menu reports when it is chosen.
//  - Attaching a menu to an icon that has one destroys the former menu.
//  - The menu is tracked with the right button as well (the shell's users open tray
//    menus with it), aligned by its bottom right corner to the cursor position read
//    when the notification is handled. The hidden window is made the foreground
//    window before tracking and is posted a null message after, so the menu closes when
//    the user clicks elsewhere.
//  - An item whose state cannot be read is left as it is: the item attribute call
//    fails without writing a state or a value.
//  - An installation the shell refuses leaves no hidden panel behind when no other icon
//    exists, as the removal of the last icon does.
//  - When the engine gives the hidden panel a new window, every icon is deleted from
//    the shell under the old window and added again under the new one.
//  - The shell's notifications keep their fixed message number, which lies among the
//    numbers the system hands out for registered messages; it is only ever sent to the
//    hidden window, whose own procedure registers none.
//  - No lock: the family belongs to the thread that installed the first icon, like
//    the hidden panel and its notifications.
#include <windows.h>

#include <shellapi.h>

#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <vector>

#include "toolbox_internal.h"
#include "win32/system_calls.h"

namespace {

constexpr const char *kHiddenPanelTitle = "Tray Icon Message Handler";
constexpr UINT kNoticeFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
constexpr UINT kIconLoadFlags = LR_LOADFROMFILE | LR_DEFAULTSIZE;
constexpr UINT kMenuTrackFlags =
    TPM_RETURNCMD | TPM_NONOTIFY | TPM_BOTTOMALIGN | TPM_RIGHTALIGN | TPM_RIGHTBUTTON;
constexpr UINT kDimmedBits = MFS_DISABLED | MFS_GRAYED;

struct IconDeleter {
    void operator()(HICON icon) const { DestroyIcon(icon); }
};
struct MenuDeleter {
    void operator()(HMENU menu) const { DestroyMenu(menu); }
};
using OwnedIcon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;
using OwnedMenu = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDeleter>;

struct IconRecord {
    int menuVisible = 0;
    int handle = 0;
    OwnedMenu menu;
    TrayIconCallbackFn callback = nullptr;
    OwnedIcon image;          // the icon the notice shows
    NOTIFYICONDATAA notice;   // what the shell was last given
};

struct TrayState {
    int panel = 0;
    HWND window = nullptr;
    std::vector<std::unique_ptr<IconRecord>> icons;
};

std::unique_ptr<TrayState> tray;
bool menuShowing = false;  // a tray menu's own message loop is running

static_assert(sizeof(NOTIFYICONDATAA{}.szTip) > TbTrayMaxToolTipLength,
              "the notice holds the longest tooltip and its terminator");

void copyToolTip(NOTIFYICONDATAA &notice, const char *text) {
    std::strncpy(notice.szTip, text, TbTrayMaxToolTipLength);
    notice.szTip[TbTrayMaxToolTipLength] = '\0';
}

IconRecord *findIcon(int handle) {
    if (!tray) return nullptr;
    for (auto &icon : tray->icons)
        if (icon->handle == handle) return icon.get();
    return nullptr;
}

int smallestFreeHandle() {
    for (int candidate = 1;; ++candidate)
        if (!findIcon(candidate)) return candidate;
}

// The shell's answer as a code: 0, the loader's code, or TbErrUnknownSystem for false.
int notifyShell(DWORD message, NOTIFYICONDATAA notice) {
    int accepted = 0;
    int code = tb::CallShellNotifyIcon(message, &notice, &accepted);
    if (code != 0) return code;
    return accepted ? 0 : TbErrUnknownSystem;
}

HICON loadIcon(const char *file) {
    return static_cast<HICON>(LoadImageA(nullptr, file, IMAGE_ICON, 0, 0, kIconLoadFlags));
}

// ---- The hidden panel ----

void discardHiddenPanel(int panel) {
    tb::BreakingOff quiet;
    RemoveWinMsgCallback(panel, TbTrayCallbackMessage);
    DiscardPanel(panel);
}

void dismantleWhenEmpty() {
    if (!tray || !tray->icons.empty()) return;
    const int panel = tray->panel;
    tray.reset();
    discardHiddenPanel(panel);
}

int onNotification(int panel, int message, uintptr_t *wParam, intptr_t *lParam, void *data);

int makeTray() {
    if (tray) return 0;
    std::unique_ptr<TrayState> made(new (std::nothrow) TrayState);
    if (!made) return RTE_UIE_OUT_OF_MEMORY;
    {
        tb::BreakingOff quiet;
        made->panel = NewPanel(0, kHiddenPanelTitle, 0, 0, 10, 10);
    }
    if (made->panel <= 0) return RTE_UIE_OUT_OF_MEMORY;
    void *window = nullptr;
    if (tb::installWinMsgCallback(made->panel, TbTrayCallbackMessage, onNotification,
                                  TbMsgModeDeferred, nullptr, &window) != 0) {
        discardHiddenPanel(made->panel);
        return RTE_UIE_OUT_OF_MEMORY;
    }
    made->window = static_cast<HWND>(window);
    tray = std::move(made);
    return 0;
}

// The engine re-created the hidden window: the shell learns of the icons again.
void adoptWindow(HWND window) {
    if (!tray) return;
    tray->window = window;
    for (size_t i = 0; tray && i < tray->icons.size(); ++i) {
        IconRecord &icon = *tray->icons[i];
        NOTIFYICONDATAA notice = icon.notice;
        icon.notice.hWnd = window;
        notifyShell(NIM_DELETE, notice);
        notice.hWnd = window;
        notifyShell(NIM_ADD, notice);
    }
}

// ---- Notifications ----

int eventForNotification(intptr_t notification) {
    switch (notification) {
    case WM_LBUTTONDOWN: return EVENT_LEFT_CLICK;
    case WM_LBUTTONUP: return TbEventLeftMouseUp;
    case WM_LBUTTONDBLCLK: return EVENT_LEFT_DOUBLE_CLICK;
    case WM_RBUTTONDOWN: return EVENT_RIGHT_CLICK;
    case WM_RBUTTONUP: return TbEventRightMouseUp;
    case WM_RBUTTONDBLCLK: return EVENT_RIGHT_DOUBLE_CLICK;
    default: return 0;
    }
}

// Sets the menu-showing flag for a scope.
class MenuShowing {
public:
    MenuShowing() { menuShowing = true; }
    ~MenuShowing() { menuShowing = false; }
    MenuShowing(const MenuShowing &) = delete;
    MenuShowing &operator=(const MenuShowing &) = delete;
};

void showMenu(int handle, TrayIconCallbackFn callback, POINT at) {
    const IconRecord *icon = findIcon(handle);
    if (!icon || !icon->menu || !icon->menuVisible || icon->callback != callback) return;
    HWND owner = tray->window;
    MenuShowing showing;
    SetForegroundWindow(owner);
    const int chosen = int(TrackPopupMenu(icon->menu.get(), kMenuTrackFlags, at.x, at.y, 0, owner, nullptr));
    PostMessageA(owner, WM_NULL, 0, 0);
    if (!findIcon(handle)) return;  // removed while the menu was open
    callback(handle, TbTrayEventMenuItemSelected, chosen);
}

int onNotification(int, int message, uintptr_t *wParam, intptr_t *lParam, void *) {
    if (message == TbMsgWindowRecreated) {
        adoptWindow(reinterpret_cast<HWND>(*wParam));
        return 0;
    }
    if (menuShowing) return 0;
    POINT at = {};
    GetCursorPos(&at);
    const int handle = int(*wParam);
    const int event = eventForNotification(*lParam);
    const IconRecord *icon = findIcon(handle);
    if (!icon || !event) return 0;  // a late notification, or a move
    const bool menuWanted = *lParam == WM_RBUTTONDOWN && icon->menu;
    const TrayIconCallbackFn callback = icon->callback;
    if (callback(handle, event, 0) == 0 && menuWanted) showMenu(handle, callback, at);
    return 0;
}

// ---- Menus ----

// The icon's menu, or the family's code for a missing icon or menu.
int menuOf(int iconHandle, IconRecord **icon) {
    *icon = findIcon(iconHandle);
    if (!*icon) return TbErrInvalidTrayIcon;
    return (*icon)->menu ? 0 : TbErrNoTrayMenu;
}

MENUITEMINFOA itemInfo(UINT mask) {
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = mask;
    return info;
}

// The item's state, after the checks every item attribute makes.
int readItemState(int iconHandle, int item, HMENU *menu, UINT *state) {
    IconRecord *icon = nullptr;
    int code = menuOf(iconHandle, &icon);
    if (code != 0) return code;
    const int count = GetMenuItemCount(icon->menu.get());
    if (item < 1 || item > count) return TbErrInvalidTrayMenuItem;
    MENUITEMINFOA info = itemInfo(MIIM_STATE);
    if (!GetMenuItemInfoA(icon->menu.get(), UINT(item), FALSE, &info)) return TbErrUnknownSystem;
    *menu = icon->menu.get();
    *state = info.fState;
    return 0;
}

UINT withBits(UINT state, UINT bits, int on) { return on ? (state | bits) : (state & ~bits); }

int setToolTip(int iconHandle, const char *text) {
    NOTIFYICONDATAA notice = findIcon(iconHandle)->notice;
    copyToolTip(notice, text);
    int code = notifyShell(NIM_MODIFY, notice);
    if (code != 0) return code;
    IconRecord *icon = findIcon(iconHandle);
    if (!icon) return TbErrInvalidTrayIcon;
    icon->notice = notice;
    return 0;
}

int setImage(int iconHandle, const char *file) {
    OwnedIcon fresh(loadIcon(file));
    if (!fresh) return TbErrIconLoad;
    NOTIFYICONDATAA notice = findIcon(iconHandle)->notice;
    notice.hIcon = fresh.get();
    int code = notifyShell(NIM_MODIFY, notice);
    if (code != 0) return code;
    IconRecord *icon = findIcon(iconHandle);
    if (!icon) return TbErrInvalidTrayIcon;
    icon->notice.hIcon = fresh.get();
    icon->image = std::move(fresh);
    return 0;
}

// A new record, not yet listed, with the handle it will have.
std::unique_ptr<IconRecord> newRecord(const char *iconFile, const char *toolTipText,
                                      TrayIconCallbackFn callback) {
    std::unique_ptr<IconRecord> record(new (std::nothrow) IconRecord);
    if (!record) return record;
    record->handle = smallestFreeHandle();
    record->callback = callback;
    record->image.reset(loadIcon(iconFile));
    NOTIFYICONDATAA &notice = record->notice;
    std::memset(&notice, 0, sizeof notice);
    notice.cbSize = sizeof notice;
    notice.hWnd = tray->window;
    notice.uID = UINT(record->handle);
    notice.uFlags = kNoticeFlags;
    notice.uCallbackMessage = TbTrayCallbackMessage;
    notice.hIcon = record->image.get();
    copyToolTip(notice, toolTipText);
    return record;
}

void eraseIcon(int handle) {
    if (!tray) return;
    auto &icons = tray->icons;
    for (auto it = icons.begin(); it != icons.end(); ++it) {
        if ((*it)->handle == handle) {
            icons.erase(it);
            return;
        }
    }
}

}  // namespace

extern "C" {

int InstallSysTrayIcon(const char *iconFile, const char *toolTipText, TrayIconCallbackFn callback,
                       int *iconHandle) {
    TB_ASSERT(iconFile && toolTipText && callback && iconHandle,
              "a tray icon needs a file, a tooltip, a callback and a place for its handle");
    int code = makeTray();
    if (code != 0) return code;
    std::unique_ptr<IconRecord> record = newRecord(iconFile, toolTipText, callback);
    if (!record) {
        dismantleWhenEmpty();
        return RTE_UIE_OUT_OF_MEMORY;
    }
    const int handle = record->handle;
    const NOTIFYICONDATAA notice = record->notice;
    try {
        tray->icons.push_back(std::move(record));
    } catch (const std::bad_alloc &) {
        dismantleWhenEmpty();
        return RTE_UIE_OUT_OF_MEMORY;
    }
    code = notifyShell(NIM_ADD, notice);
    if (code != 0) {
        eraseIcon(handle);
        dismantleWhenEmpty();
        return code;
    }
    *iconHandle = handle;
    return 0;
}

int RemoveSysTrayIcon(int iconHandle) {
    IconRecord *icon = findIcon(iconHandle);
    if (!icon) return TbErrInvalidTrayIcon;
    icon->menu.reset();
    const NOTIFYICONDATAA notice = icon->notice;
    notifyShell(NIM_DELETE, notice);  // an icon the shell lost is removed all the same
    eraseIcon(iconHandle);
    dismantleWhenEmpty();
    return 0;
}

int SetTrayIconAttr(int iconHandle, int attribute, const char *value) {
    if (!value) return RTE_UIE_NULL_ARGUMENT;
    if (!findIcon(iconHandle)) return TbErrInvalidTrayIcon;
    switch (attribute) {
    case TbTrayAttrImageFile: return setImage(iconHandle, value);
    case TbTrayAttrToolTipText: return setToolTip(iconHandle, value);
    default: return RTE_UIE_INVALID_ATTRIBUTE;
    }
}

int GetTrayIconAttr(int iconHandle, int attribute, void *value) {
    if (!value) return RTE_UIE_NULL_ARGUMENT;
    const IconRecord *icon = findIcon(iconHandle);
    if (!icon) return TbErrInvalidTrayIcon;
    const char *tip = icon->notice.szTip;
    switch (attribute) {
    case TbTrayAttrToolTipText:
        std::memcpy(value, tip, std::strlen(tip) + 1);
        return 0;
    case TbTrayAttrToolTipTextLength:
        *static_cast<int *>(value) = int(std::strlen(tip));
        return 0;
    default:
        return RTE_UIE_INVALID_ATTRIBUTE;
    }
}

int AttachTrayIconMenu(int iconHandle) {
    IconRecord *icon = findIcon(iconHandle);
    if (!icon) return TbErrInvalidTrayIcon;
    OwnedMenu menu(CreatePopupMenu());
    if (!menu) {
        icon->menuVisible = 0;
        return TbErrUnknownSystem;
    }
    icon->menu = std::move(menu);
    icon->menuVisible = 1;
    return 0;
}

int DetachTrayIconMenu(int iconHandle) {
    IconRecord *icon = nullptr;
    int code = menuOf(iconHandle, &icon);
    if (code != 0) return code;
    icon->menu.reset();
    icon->menuVisible = 0;
    return 0;
}

int InsertTrayIconMenuItem(int iconHandle, const char *itemText, int *itemIndex) {
    if (!itemIndex) return RTE_UIE_NULL_ARGUMENT;
    IconRecord *icon = nullptr;
    int code = menuOf(iconHandle, &icon);
    if (code != 0) return code;
    const int count = GetMenuItemCount(icon->menu.get());
    if (count < 0) return TbErrUnknownSystem;
    MENUITEMINFOA info = itemInfo(MIIM_ID | MIIM_TYPE);
    info.wID = UINT(count + 1);
    if (itemText) {
        info.fType = MFT_STRING;
        info.dwTypeData = const_cast<char *>(itemText);
        info.cch = UINT(std::strlen(itemText));
    } else {
        info.fType = MFT_SEPARATOR;
    }
    if (!InsertMenuItemA(icon->menu.get(), UINT(count), TRUE, &info)) return TbErrUnknownSystem;
    *itemIndex = count + 1;
    return 0;
}

int SetTrayIconMenuAttr(int iconHandle, int attribute, int value) {
    IconRecord *icon = nullptr;
    int code = menuOf(iconHandle, &icon);
    if (code != 0) return code;
    switch (attribute) {
    case TbTrayMenuAttrDefaultItem:
        if (value < 0 || value > GetMenuItemCount(icon->menu.get())) return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
        if (!SetMenuDefaultItem(icon->menu.get(), value == 0 ? UINT(-1) : UINT(value), FALSE))
            return TbErrUnknownSystem;
        return 0;
    case TbTrayMenuAttrVisible:
        icon->menuVisible = value != 0;
        return 0;
    default:
        return RTE_UIE_INVALID_ATTRIBUTE;
    }
}

int GetTrayIconMenuAttr(int iconHandle, int attribute, int *value) {
    if (!value) return RTE_UIE_NULL_ARGUMENT;
    IconRecord *icon = nullptr;
    int code = menuOf(iconHandle, &icon);
    if (code != 0) return code;
    switch (attribute) {
    case TbTrayMenuAttrDefaultItem: {
        const UINT item = GetMenuDefaultItem(icon->menu.get(), FALSE, GMDI_USEDISABLED);
        *value = item == UINT(-1) ? 0 : int(item);
        return 0;
    }
    case TbTrayMenuAttrVisible:
        *value = icon->menuVisible;
        return 0;
    default:
        return RTE_UIE_INVALID_ATTRIBUTE;
    }
}

int SetTrayIconMenuItemAttr(int iconHandle, int itemIndex, int attribute, int value) {
    HMENU menu = nullptr;
    UINT state = 0;
    int code = readItemState(iconHandle, itemIndex, &menu, &state);
    if (code != 0) return code;
    switch (attribute) {
    case TbTrayMenuItemAttrDimmed: state = withBits(state, kDimmedBits, value); break;
    case TbTrayMenuItemAttrChecked: state = withBits(state, MFS_CHECKED, value); break;
    default: return RTE_UIE_INVALID_ATTRIBUTE;
    }
    MENUITEMINFOA info = itemInfo(MIIM_STATE);
    info.fState = state;
    return SetMenuItemInfoA(menu, UINT(itemIndex), FALSE, &info) ? 0 : TbErrUnknownSystem;
}

int GetTrayIconMenuItemAttr(int iconHandle, int itemIndex, int attribute, int *value) {
    if (!value) return RTE_UIE_NULL_ARGUMENT;
    HMENU menu = nullptr;
    UINT state = 0;
    int code = readItemState(iconHandle, itemIndex, &menu, &state);
    if (code != 0) return code;
    switch (attribute) {
    case TbTrayMenuItemAttrDimmed: *value = (state & kDimmedBits) != 0; return 0;
    case TbTrayMenuItemAttrChecked: *value = (state & MFS_CHECKED) != 0; return 0;
    default: return RTE_UIE_INVALID_ATTRIBUTE;
    }
}

}  // extern "C"
