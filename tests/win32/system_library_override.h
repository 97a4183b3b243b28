// Points a group of the library's system loader at a stand-in library
// (fake_system_library.h) for the length of a test, and finds the stand-in beside the
// suite. Test-only: the override exists in builds with TOOLBOX_FAULT_INJECTION.
#ifndef TOOLBOX_SYSTEM_LIBRARY_OVERRIDE_H
#define TOOLBOX_SYSTEM_LIBRARY_OVERRIDE_H

#include <windows.h>

#include <cstdlib>
#include <string>
#include <utility>

#include "fake_system_library.h"
#include "win32/system_calls.h"

namespace {

inline std::string besideTheSuite(const char *name) {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\') + 1) + name;
}

inline int fakeAttaches() {
    char text[16] = "0";
    return GetEnvironmentVariableA(TOOLBOX_FAKE_ATTACHES, text, sizeof text) ? std::atoi(text) : 0;
}

// Points a group at another library while it lives; afterwards the group loads its own
// again, and whatever the test made it load is unloaded.
class LibraryOverride {
public:
    LibraryOverride(tb::SystemGroup group, std::string path) : group_(group), path_(std::move(path)) {
        SetEnvironmentVariableA(TOOLBOX_FAKE_ATTACHES, nullptr);
        tb::overrideSystemLibrary(group_, path_.c_str());
    }
    ~LibraryOverride() {
        tb::overrideSystemLibrary(group_, nullptr);
        unload();
    }
    LibraryOverride(const LibraryOverride &) = delete;
    LibraryOverride &operator=(const LibraryOverride &) = delete;

    // How often the library had to be freed to leave the process: the loads it had.
    int unload() {
        int loads = 0;
        while (HMODULE module = GetModuleHandleA(path_.c_str())) {
            FreeLibrary(module);
            if (++loads > 100) break;
        }
        return loads;
    }
    FakeSystemCalls *record() const {
        HMODULE module = GetModuleHandleA(path_.c_str());
        FARPROC entry = module ? GetProcAddress(module, "FakeSystemRecord") : nullptr;
        return entry ? reinterpret_cast<FakeSystemRecordFn>(reinterpret_cast<void (*)()>(entry))() : nullptr;
    }

private:
    tb::SystemGroup group_;
    std::string path_;
};

}  // namespace

#endif
