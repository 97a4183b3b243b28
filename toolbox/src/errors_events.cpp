// Errors and diagnostics: the names of user-interface events.
//
// Choice: when the calling thread's library state cannot be had (memory exhausted), a
// number without a name gives the fixed text "Event" rather than a formatted one.
#include <cstdio>

#include "toolbox_internal.h"

namespace {

// Indexed by event number; entry 0 is unused (0 has no name).
const char *const kEventNames[] = {
    nullptr,
    "EVENT_COMMIT",
    "EVENT_VAL_CHANGED",
    "EVENT_LEFT_CLICK",
    "EVENT_LEFT_DOUBLE_CLICK",
    "EVENT_RIGHT_CLICK",
    "EVENT_RIGHT_DOUBLE_CLICK",
    "EVENT_KEYPRESS",
    "EVENT_GOT_FOCUS",
    "EVENT_LOST_FOCUS",
    "EVENT_IDLE",
    "EVENT_CLOSE",
    "EVENT_PANEL_SIZE",
    "EVENT_PANEL_MOVE",
    "EVENT_END_TASK",
    "EVENT_TIMER_TICK",
    "EVENT_DISCARD",
};
constexpr int kLastNamedEvent = static_cast<int>(sizeof kEventNames / sizeof kEventNames[0]) - 1;

char kUnformattedName[] = "Event";

}  // namespace

extern "C" char *UILEventString(int event) {
    if (event >= 1 && event <= kLastNamedEvent) return const_cast<char *>(kEventNames[event]);
    tb::LibraryThreadState *state = tb::threadState();
    if (!state) return kUnformattedName;
    std::snprintf(state->eventName, sizeof state->eventName, "Event %d", event);
    return state->eventName;
}
