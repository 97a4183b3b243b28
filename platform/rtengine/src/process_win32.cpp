// Win32 backend of the process model: the detach flag is published in a named,
// page-file backed mapping that anyone in the process can open by name; the default
// popup presenter is a message box when the process has a visible window station.
#include <windows.h>

#include <cstdio>

#include "rte_internal.h"

namespace {

HANDLE flagMapping = nullptr;
volatile LONG *flagView = nullptr;

bool hasVisibleWindowStation() {
    HWINSTA station = GetProcessWindowStation();
    USEROBJECTFLAGS flags = {};
    if (!station || !GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, nullptr))
        return false;
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

void messageBoxPresenter(const char *title, const char *text) {
    MessageBoxA(nullptr, text, title, MB_OK | MB_ICONEXCLAMATION | MB_TASKMODAL);
}

}  // namespace

namespace rte {

bool publishDetachFlag() {
    if (flagView) {
        InterlockedExchange(flagView, 0);
        return true;
    }
    char name[256];
    if (RTE_DetachFlagName(GetCurrentProcessId(), name, sizeof name) < 0) return false;
    flagMapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                     sizeof(LONG), name);
    if (!flagMapping) return false;
    flagView = static_cast<volatile LONG *>(
        MapViewOfFile(flagMapping, FILE_MAP_WRITE, 0, 0, sizeof(LONG)));
    if (!flagView) {
        CloseHandle(flagMapping);
        flagMapping = nullptr;
        return false;
    }
    InterlockedExchange(flagView, 0);
    return true;
}

// The mapping stays open after detach so that the flag still reads "detached".
void markDetached() {
    if (flagView) InterlockedExchange(flagView, 1);
}

int readPublishedDetachFlag() { return flagView ? static_cast<int>(*flagView) : 1; }

void endProcess(int code) {
    std::fflush(nullptr);
    ExitProcess(static_cast<UINT>(code));
}

RTE_PopupPresenter defaultPresenter() {
    static const RTE_PopupPresenter chosen =
        hasVisibleWindowStation() ? messageBoxPresenter : RTE_StderrPopupPresenter;
    return chosen;
}

}  // namespace rte
