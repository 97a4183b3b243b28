// vantor start-up: from the process entry to ExitProcess.
//
// Choices made here:
//  - The exit-list lock is a critical section made before anything can register (it
//    is recursive, so an exit function may register another while the list runs). At
//    the end of the process the list is closed instead of the lock being deleted:
//    code that still registers afterwards (library detach code) is refused with -1
//    rather than touching a deleted lock.
//  - A null exit function is refused with -1: running it would crash at exit.
//  - A module file name that does not fit the 260-byte buffer is a failed query: its
//    cut form could name another file.
//  - The engine's pointer checking is not part of this engine, so the _UP_ variants
//    register like RTE_atexit without a pointer check.
#include "startup.h"

#include <cstdio>
#include <cstring>

#include "command_line.h"

HINSTANCE __RTEUserHInst = nullptr;
int __RunningWithPtrCheckingOn = 0;

namespace {

constexpr int kExitSlots = 32;
constexpr char kEngineName[] = "rtengine.dll";
constexpr char kSupportName[] = "rtsupport.dll";

using ExitFunction = void (*)(void);

class ExitList {
public:
    ExitList() { InitializeCriticalSection(&lock_); }
    ExitList(const ExitList &) = delete;
    ExitList &operator=(const ExitList &) = delete;

    int add(ExitFunction function) {
        Guard guard(lock_);
        if (closed_ || !function || count_ == kExitSlots) return -1;
        slots_[count_++] = function;
        return 0;
    }
    // Each function leaves the list before it runs, so one that registers another
    // sees that one run next.
    void run() {
        Guard guard(lock_);
        while (count_ > 0) {
            ExitFunction function = slots_[--count_];
            function();
        }
    }
    void empty() {
        Guard guard(lock_);
        count_ = 0;
    }
    void close() {
        Guard guard(lock_);
        closed_ = true;
    }
    CRITICAL_SECTION &lock() { return lock_; }

private:
    class Guard {
    public:
        explicit Guard(CRITICAL_SECTION &lock) : lock_(lock) { EnterCriticalSection(&lock_); }
        ~Guard() { LeaveCriticalSection(&lock_); }
        Guard(const Guard &) = delete;
        Guard &operator=(const Guard &) = delete;

    private:
        CRITICAL_SECTION &lock_;
    };

    CRITICAL_SECTION lock_;
    ExitFunction slots_[kExitSlots] = {};
    int count_ = 0;
    bool closed_ = false;
};

ExitList &exitList() {
    static ExitList list;
    return list;
}

struct EngineState {
    int attached = 0;
    HMODULE library = nullptr;
};
EngineState engine;

void emptyExitList(void) { exitList().empty(); }

// The engine empties the list through this routine before it ends the process itself,
// so no exit function runs twice.
void handOverToEngine() {
    HMODULE library = GetModuleHandleA(kEngineName);
    if (!library) library = GetModuleHandleA(kSupportName);
    if (!library) return;
    using Register = void (*)(void (*)(void));
    auto registerCleanup =
        reinterpret_cast<Register>(reinterpret_cast<void (*)()>(GetProcAddress(library, "__RegisterAtExitCleanup")));
    if (registerCleanup) registerCleanup(emptyExitList);
}

void *allocateZeroedLocal(std::size_t bytes) { return LocalAlloc(LPTR, bytes); }

// The window-show value of the start-up information, else SW_SHOWDEFAULT.
int showCommand() {
    STARTUPINFOA info = {};
    info.cb = sizeof info;
    GetStartupInfoA(&info);
    return (info.dwFlags & STARTF_USESHOWWINDOW) ? info.wShowWindow : SW_SHOWDEFAULT;
}

}  // namespace

extern "C" {

int _ParseWindowsCommandLine(HINSTANCE instance, char *tail, int *argc, char ***argv) {
    int count = 0;
    char **vector = nullptr;
    if (!vantor::splitArguments(tail, allocateZeroedLocal, &count, &vector)) return 0;

    constexpr DWORD kCapacity = MAX_PATH - 1;
    char moduleName[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(instance, moduleName, kCapacity);
    if (length == 0 || length >= kCapacity) return 0;
    const char *base = vantor::moduleBaseName(moduleName);
    char *name = static_cast<char *>(LocalAlloc(LPTR, std::strlen(base) + 1));
    if (!name) return 0;
    std::strcpy(name, base);
    vector[0] = name;

    *argc = count;
    *argv = vector;
    return 1;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR tail, int) {
    int argc = 0;
    char **argv = nullptr;
    if (!_ParseWindowsCommandLine(instance, tail, &argc, &argv)) return -1;
    if (__RunningWithPtrCheckingOn) {
        using Announce = void (*)(int, char **, int (*)(int, char **));
        HMODULE library = GetModuleHandleA(kEngineName);
        auto announce = library ? reinterpret_cast<Announce>(reinterpret_cast<void (*)()>(
                                      GetProcAddress(library, "__CreatePtrInfoForCommandLine")))
                                : nullptr;
        if (announce) announce(argc, argv, VantorMain);
    }
    return VantorMain(argc, argv);
}

int InitRTEEx(HINSTANCE instance, void *, void *) {
    if (engine.attached) return 1;
    __RTEUserHInst = instance ? instance : GetModuleHandleA(nullptr);
    engine.library = LoadLibraryA(UsingSupportDll() ? kSupportName : kEngineName);
    if (!engine.library) return 0;
    exitList();
    engine.attached = InitRTEDll(__RTEUserHInst, VantorPublicSymbols);
    if (!engine.attached) {
        FreeLibrary(engine.library);
        engine.library = nullptr;
    }
    // Portable library code registers its clean-ups through the engine: they come here.
    if (engine.attached) RTE_HandOverExitList(RTE_atexit, RTEHasBeenDetached);
    return engine.attached;
}

int InitRTE(HINSTANCE instance) { return InitRTEEx(instance, nullptr, nullptr); }

void CloseRTE(void) {
    if (!engine.attached) return;
    if (RTEHasBeenDetached() == 0) CloseRTEDll(__RTEUserHInst);
    if (engine.library) FreeLibrary(engine.library);
    engine.library = nullptr;
    engine.attached = 0;
}

int RTEHasBeenDetached(void) {
    char name[256];
    std::snprintf(name, sizeof name, "%s, %d",
                  UsingSupportDll() ? RTE_DETACH_SHMEM_BASE_SUPPORT : RTE_DETACH_SHMEM_BASE,
                  static_cast<int>(GetCurrentProcessId()));
    HANDLE mapping =
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(LONG), name);
    if (!mapping) return 1;
    int result = 1;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        void *view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(LONG));
        if (view) {
            result = static_cast<int>(*static_cast<volatile LONG *>(view));
            UnmapViewOfFile(view);
        }
    }
    CloseHandle(mapping);
    return result;
}

int RTE_atexit(void (*function)(void)) {
    ExitList &list = exitList();
    EnterCriticalSection(&list.lock());
    int result = list.add(function);
    handOverToEngine();
    LeaveCriticalSection(&list.lock());
    return result;
}

void RTE_exit(int code) {
    exitList().run();
    if (engine.attached) RTEDllAbnormalExit(code);
}

int _UP_atexit(void (*function)(void)) { return RTE_atexit(function); }
int _UP_RTE_atexit(void (*function)(void)) { return RTE_atexit(function); }

void RTEWinMainStartupCode(void) {
    const char *tail = vantor::commandLineTail(GetCommandLineA());
    int show = showCommand();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!InitRTEEx(instance, nullptr, nullptr)) ExitProcess(static_cast<UINT>(-1));
    int result = WinMain(instance, nullptr, const_cast<char *>(tail), show);
    exitList().run();
    exitList().close();
    CloseRTE();
    ExitProcess(static_cast<UINT>(result));
}

}  // extern "C"
