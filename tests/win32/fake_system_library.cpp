// The stand-in system library of the system suite (fake_system_library.h). Two variants
// are built from this file: fake_system_complete.def exports every entry point the
// library looks up; fake_system_incomplete.def lacks "Shell_NotifyIconA",
// "GetDiskFreeSpaceExA" and "HtmlHelpA".
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fake_system_library.h"

namespace {

FakeSystemCalls record;

void note(const char *entry, void *handle, unsigned int index, unsigned int size, int flag, void *data) {
    std::snprintf(record.lastEntry, sizeof record.lastEntry, "%s", entry);
    record.handle = handle;
    record.index = index;
    record.size = size;
    record.flag = flag;
    record.data = data;
}

void countAttach() {
    char text[16] = "0";
    GetEnvironmentVariableA(TOOLBOX_FAKE_ATTACHES, text, sizeof text);
    std::snprintf(text, sizeof text, "%d", std::atoi(text) + 1);
    SetEnvironmentVariableA(TOOLBOX_FAKE_ATTACHES, text);
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        countAttach();
        // A slow load gives concurrent first calls time to pile up behind the loader.
        Sleep(50);
    }
    return TRUE;
}

FakeSystemCalls *fakeRecord(void) { return &record; }

UINT WINAPI fakeDragQueryFile(HANDLE drop, UINT index, char *buffer, UINT size) {
    note("DragQueryFile", drop, index, size, 0, buffer);
    if (buffer && size > 0) std::snprintf(buffer, size, "fake");
    return FAKE_QUERY_FILE_RESULT(index);
}

BOOL WINAPI fakeDragQueryPoint(HANDLE drop, POINT *point) {
    note("DragQueryPoint", drop, 0, 0, 0, point);
    point->x = FAKE_POINT_X;
    point->y = FAKE_POINT_Y;
    return 2;
}

void WINAPI fakeDragAcceptFiles(HWND window, BOOL accept) {
    note("DragAcceptFiles", window, 0, 0, accept, nullptr);
}

void WINAPI fakeDragFinish(HANDLE drop) { note("DragFinish", drop, 0, 0, 0, nullptr); }

BOOL WINAPI fakeShellNotifyIcon(DWORD message, void *iconData) {
    note("Shell_NotifyIconA", nullptr, message, 0, 0, iconData);
    char refused[16] = "";
    if (GetEnvironmentVariableA(TOOLBOX_FAKE_REFUSED_NOTICE, refused, sizeof refused) &&
        std::atoi(refused) == int(message))
        return FALSE;
    if (const auto *notice = static_cast<const NOTIFYICONDATAA *>(iconData)) {
        record.noticeSize = notice->cbSize;
        record.noticeId = notice->uID;
        record.noticeFlags = notice->uFlags;
        record.noticeMessage = notice->uCallbackMessage;
        record.noticeWindow = notice->hWnd;
        record.noticeIcon = notice->hIcon;
        std::snprintf(record.noticeTip, sizeof record.noticeTip, "%.*s",
                      int(sizeof notice->szTip), notice->szTip);
    }
    if (message < 3) ++record.notifyCalls[message];
    return FAKE_NOTIFY_RESULT(message);
}

HWND WINAPI fakeHtmlHelp(HWND owner, const char *file, UINT command, DWORD_PTR data) {
    note("HtmlHelpA", owner, command, 0, 0, reinterpret_cast<void *>(data));
    std::snprintf(record.text, sizeof record.text, "%s", file ? file : "(null)");
    return FAKE_HELP_WINDOW;
}

// A system that has the entry point but not the function behind it.
BOOL WINAPI fakeGetDiskFreeSpaceEx(const char *, void *, void *, void *) {
    note("GetDiskFreeSpaceExA", nullptr, 0, 0, 0, nullptr);
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
}

}  // extern "C"
