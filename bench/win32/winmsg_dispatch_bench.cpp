// What a synchronous message callback costs a message: SendMessage to a panel's window
// that the library subclassed with a callback for the message, against the same
// message sent to a panel window nobody subclassed, in the same run. A second row sends
// a message the subclassed window has no callback for (the library only passes it on).
//
// Timed by the thread's processor time, as the native tables are (the wall clock counts
// whatever else the shared machine runs meanwhile). Under Wine that clock ticks in
// 10 ms steps, so each round lasts at least kRoundSeconds. Options: --rounds=N
// (default 15).
#include <windows.h>

#include <cstdlib>
#include <string>

#include "ratio_rounds.h"
#include "rtengine.h"
#include "toolbox.h"

namespace {

constexpr UINT kWatched = WM_APP + 1, kPassedOn = WM_APP + 2;
constexpr double kRoundSeconds = 0.25;

long callbackCalls = 0;

int countCall(int, int, uintptr_t *, intptr_t *, void *) {
    ++callbackCalls;
    return 0;  // on to the panel's own procedure, as an observing callback does
}

HWND windowOf(int panel) {
    void *window = nullptr;
    GetPanelAttribute(panel, RTE_ATTR_SYSTEM_WINDOW, &window);
    return static_cast<HWND>(window);
}

}  // namespace

int main(int argc, char **argv) {
    int rounds = 15;
    for (int k = 1; k < argc; ++k) {
        std::string arg(argv[k]);
        if (arg.rfind("--rounds=", 0) == 0) rounds = std::max(1, std::atoi(arg.c_str() + 9));
    }
    const int subclassed = NewPanel(0, "subclassed", 0, 0, 10, 10);
    const int plain = NewPanel(0, "plain", 0, 0, 10, 10);
    void *handle = nullptr;
    if (subclassed <= 0 || plain <= 0 ||
        InstallWinMsgCallback(subclassed, kWatched, countCall, TbMsgModeSynchronous, nullptr,
                              &handle) != 0) {
        std::fprintf(stderr, "the panels or the message callback could not be made\n");
        return 1;
    }
    const HWND watched = static_cast<HWND>(handle), unsubclassed = windowOf(plain);
    const std::vector<bench::Pair> pairs = {
        {"SendMessage via a synchronous message callback / unsubclassed",
         [=] { SendMessageA(watched, kWatched, 1, 2); },
         [=] { SendMessageA(unsubclassed, kWatched, 1, 2); }},
        {"SendMessage without callback, window subclassed / unsubclassed",
         [=] { SendMessageA(watched, kPassedOn, 1, 2); },
         [=] { SendMessageA(unsubclassed, kPassedOn, 1, 2); }},
    };
    std::printf("%-66s %7s %11s %11s\n",
                "library / alternative (CPU time, median of interleaved rounds)", "ratio",
                "library", "alternative");
    for (const bench::Pair &pair : pairs) {
        bench::Measured m = bench::measurePair(pair, rounds, kRoundSeconds);
        std::printf("%-66s %7.2f %11s %11s\n", pair.label.c_str(), m.ratio,
                    bench::perCall(m.subject).c_str(), bench::perCall(m.baseline).c_str());
        std::fflush(stdout);
    }
    if (callbackCalls == 0) {
        std::fprintf(stderr, "the message callback was never called\n");
        return 1;
    }
    RemoveWinMsgCallback(subclassed, kWatched);
    DiscardPanel(subclassed);
    DiscardPanel(plain);
    return 0;
}
