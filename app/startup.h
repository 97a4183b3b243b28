/* vantor start-up: process entry, engine attach and detach, command line, exit list.
 *
 * The C runtime owns the names main, atexit and exit, so the program's own versions
 * live under distinct names: the runtime's entry (main in entry.cpp) hands control to
 * RTEWinMainStartupCode at once, the task's main is VantorMain, and the exit list is
 * RTE_atexit / RTE_exit. The runtime's own atexit and exit are left alone. */
#ifndef VANTOR_STARTUP_H
#define VANTOR_STARTUP_H

#include <windows.h>

#include "rtengine.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Provided by the program: its main (reached from WinMain) and its table of public
 * symbols, ending with a null name, handed to the engine at attach. */
int VantorMain(int argc, char *argv[]);
extern const RTE_PublicSymbol VantorPublicSymbols[];

/* The program's module instance; zero until attach. */
extern HINSTANCE __RTEUserHInst;
/* Zero unless the engine runs the program with its pointer checking. */
extern int __RunningWithPtrCheckingOn;

/* Process entry: attach, WinMain, exit functions, detach, ExitProcess. Never returns. */
__declspec(noreturn) void RTEWinMainStartupCode(void);

/* Builds argc/argv from the tail and returns VantorMain's result, or -1 when the
 * arguments could not be built. The previous instance and show command are not used. */
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR tail, int showCommand);

/* 1 with argc/argv built (argv[0]: the module's bare file name), 0 on a failed
 * allocation or module-name query (outputs untouched). Memory is never given back. */
int _ParseWindowsCommandLine(HINSTANCE instance, char *tail, int *argc, char ***argv);

/* Attaches the engine (instance null: the running program). Nonzero when attached.
 * The two further pointers are not used. */
int InitRTEEx(HINSTANCE instance, void *reserved1, void *reserved2);
int InitRTE(HINSTANCE instance);
/* Detaches the engine when attached and releases the library loaded at attach. */
void CloseRTE(void);

/* 0 while the engine is attached; nonzero when it has been detached or cannot tell. */
int RTEHasBeenDetached(void);

/* Registers an exit function: 0, or -1 when 32 are registered already, the function
 * is null, or the list has been closed at the end of the process. */
int RTE_atexit(void (*function)(void));
/* Runs the exit functions, last registered first; then, while the engine is attached,
 * hands code to the engine's abnormal exit (which ends the process); else returns. */
void RTE_exit(int code);
/* The variants the engine's pointer checking calls. */
int _UP_atexit(void (*function)(void));
int _UP_RTE_atexit(void (*function)(void));

#ifdef __cplusplus
}
#endif

#endif
