// The help window: the help viewer's entry point, looked up at run time through the
// system loader (system_calls.h), which loads its library once per process and keeps
// nothing after a failed lookup.
//
// Choices:
//  - The data argument is pointer-sized, as the viewer's entry takes it: commands that
//    pass a file name or a structure there keep the whole pointer on 64-bit Windows.
//  - The viewer's own result (a window, or none) is not examined: the viewer reports
//    its failures to the user itself.
#include "toolbox_internal.h"
#include "win32/system_calls.h"

extern "C" {

int ShowHtmlHelp(const char *helpFile, unsigned int command, uintptr_t data) {
    return tb::CallHtmlHelp(nullptr, helpFile, command, static_cast<DWORD_PTR>(data), nullptr);
}

}  // extern "C"
