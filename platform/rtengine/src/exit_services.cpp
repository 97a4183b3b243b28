// Exit services for portable library code: registration of exit routines and the
// detach query, through the program's start-up when it handed them over, else the
// engine's own.
//
// Choices: the engine's own list has no fixed size (only memory bounds it); it runs
// from the C runtime's atexit, registered on the first registration, so it runs before
// the destructors of static objects made before that; a routine registered while the
// list runs is run next; once the list has run, registrations are refused.
#include <cstdlib>
#include <mutex>
#include <vector>

#include "rte_internal.h"
#include "threads/threads_internal.h"

namespace {

using Register = int (*)(RTE_ExitRoutine);
using DetachQuery = int (*)(void);

struct ExitServices {
    std::mutex mutex;
    Register startupRegister = nullptr;
    DetachQuery startupDetachQuery = nullptr;
    std::vector<RTE_ExitRoutine> routines;
    bool armed = false;  // runOwnList is registered with atexit
    bool done = false;   // the list has run
};
ExitServices &services() { return rte::immortal<ExitServices>(); }

void runOwnList() {
    ExitServices &s = services();
    for (;;) {
        RTE_ExitRoutine routine;
        {
            std::lock_guard<std::mutex> guard(s.mutex);
            if (s.routines.empty()) {
                s.done = true;
                return;
            }
            routine = s.routines.back();
            s.routines.pop_back();
        }
        routine();
    }
}

int registerOwn(ExitServices &s, RTE_ExitRoutine routine) {
    std::lock_guard<std::mutex> guard(s.mutex);
    if (s.done) return -1;
    try {
        s.routines.push_back(routine);
    } catch (const std::bad_alloc &) {
        return -1;
    }
    if (!s.armed) {
        if (std::atexit(runOwnList) != 0) {
            s.routines.pop_back();
            return -1;
        }
        s.armed = true;
    }
    return 0;
}

}  // namespace

extern "C" {

int RTE_RegisterExitRoutine(RTE_ExitRoutine routine) {
    if (!routine) return -1;
    ExitServices &s = services();
    Register startupRegister;
    {
        std::lock_guard<std::mutex> guard(s.mutex);
        startupRegister = s.startupRegister;
    }
    // The start-up's list has a lock of its own: called unlocked.
    return startupRegister ? startupRegister(routine) : registerOwn(s, routine);
}

int RTE_HasBeenDetached(void) {
    ExitServices &s = services();
    DetachQuery query;
    {
        std::lock_guard<std::mutex> guard(s.mutex);
        query = s.startupDetachQuery;
    }
    if (query) return query();
    return rte::detachedAfterAttach() ? 1 : 0;
}

void RTE_HandOverExitList(int (*registerExitRoutine)(RTE_ExitRoutine), int (*hasBeenDetached)(void)) {
    if (!registerExitRoutine != !hasBeenDetached) return;
    ExitServices &s = services();
    std::lock_guard<std::mutex> guard(s.mutex);
    s.startupRegister = registerExitRoutine;
    s.startupDetachQuery = hasBeenDetached;
}

}  // extern "C"
