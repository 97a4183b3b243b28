// Private to toolbox: the system entry points that the library looks up at run time
// instead of linking them. Each call-through first makes sure its group's library is
// loaded (once per process, under the group's named lock) and returns 0 when the entry
// point was called, TbErrSystemDllLoad when the lock or the library cannot be had, or
// TbErrSystemFunctionMissing when the library lacks one of the group's entry points.
// Where the system function has a result it goes to *systemResult (may be null), which
// means something only when the code is 0; the system's last error is left as the
// system function set it.
#ifndef TOOLBOX_SYSTEM_CALLS_H
#define TOOLBOX_SYSTEM_CALLS_H

#include <windows.h>

#include <shellapi.h>

namespace tb {

// kernel32: GetDiskFreeSpaceExA.
int CallGetDiskFreeSpaceEx(const char *folder, ULARGE_INTEGER *availableToCaller,
                           ULARGE_INTEGER *totalBytes, ULARGE_INTEGER *totalFreeBytes,
                           int *systemResult);

// shell32: DragQueryFile, DragQueryPoint, DragAcceptFiles, DragFinish, Shell_NotifyIconA.
int CallDragQueryFile(HDROP drop, UINT index, char *buffer, UINT bufferSize, int *systemResult);
int CallDragQueryPoint(HDROP drop, POINT *point, int *systemResult);
int CallDragAcceptFiles(HWND window, BOOL accept);
int CallDragFinish(HDROP drop);
int CallShellNotifyIcon(DWORD message, NOTIFYICONDATAA *iconData, int *systemResult);

// The help viewer's library: HtmlHelpA; *viewerWindow (may be null) receives its result.
int CallHtmlHelp(HWND owner, const char *helpFile, UINT command, DWORD_PTR data, HWND *viewerWindow);

// The groups of entry points, each with its own library and lock.
enum class SystemGroup { Kernel, Shell, Help };

// Test-only (builds with TOOLBOX_FAULT_INJECTION): the group loads libraryName from now
// on (null: its own library again) and forgets that it was loaded, without freeing what
// it had loaded. Only while no call-through of the group runs.
void overrideSystemLibrary(SystemGroup group, const char *libraryName);

// Test-only (builds with TOOLBOX_FAULT_INJECTION): every system-parameters request of
// the family with this action fails, as the system's refusal would; 0 disarms it.
void failSystemParameter(unsigned int action);

}  // namespace tb

#endif
