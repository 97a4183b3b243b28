// Helpers for suites that drive the user interface: event passes until a condition
// holds, a leak check at a chosen moment, and a recorder of callback calls by name.
#ifndef TOOLBOX_LOOP_SUPPORT_H
#define TOOLBOX_LOOP_SUPPORT_H

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "rtengine.h"
#include "toolbox.h"

namespace testing_support {

// Runs the calling thread's event passes; the second form until done() holds or the
// seconds have passed (true when it holds).
inline void pump(int passes = 3) {
    for (int k = 0; k < passes; ++k) ProcessSystemEvents();
}
template <typename Done>
bool pumpUntil(Done done, double seconds = 5.0) {
    double end = Timer() + seconds;
    while (!done()) {
        if (Timer() > end) return false;
        ProcessSystemEvents();
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

// Fails the test when LeakSanitizer finds memory that nothing points to any more (in
// builds with it; elsewhere nothing is checked).
inline void expectNoLeaks() {
#if defined(__SANITIZE_ADDRESS__)
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0) << "leaked memory (see the report above)";
#endif
}

// The link count of a panel in the panels-with-linked-callbacks list (0: not listed).
inline int panelLinkCount(int panel) {
    ListRef *list = GetPointerToTsvPanelsWithLinkedCallbacksList();
    int count = 0;
    if (list && *list)
        for (int k = 1; k <= ListNumItems(*list); ++k) {
            const int *item = static_cast<const int *>(ListGetPtrToItem(*list, k));
            if (item[0] == panel) count = item[1];
        }
    if (list) ReleasePointerToTsvPanelsWithLinkedCallbacksList();
    return count;
}

// One call of a recorded callback: who was called, with which event and data.
struct Hop {
    std::string who;
    int event;
    intptr_t data1, data2;
    bool operator==(const Hop &o) const {
        return who == o.who && event == o.event && data1 == o.data1 && data2 == o.data2;
    }
};
inline std::ostream &operator<<(std::ostream &out, const Hop &h) {
    return out << h.who << ":" << h.event << "(" << h.data1 << "," << h.data2 << ")";
}

// A callback that writes its calls into a shared list, answers `result` for the event
// `stopEvent` (0 otherwise) and runs `during` inside each call. Its data is the hook.
struct Hook {
    std::vector<Hop> *hops = nullptr;
    std::mutex *mutex = nullptr;
    std::string who;
    int stopEvent = -1;
    int result = 0;
    std::function<void(int event)> during;

    int record(int event, intptr_t data1, intptr_t data2) {
        {
            std::lock_guard<std::mutex> hold(*mutex);
            hops->push_back({who, event, data1, data2});
        }
        if (during) during(event);
        return event == stopEvent ? result : 0;
    }
    static int onControl(int, int, int event, void *data, intptr_t data1, intptr_t data2) {
        return static_cast<Hook *>(data)->record(event, data1, data2);
    }
    static int onPanel(int, int event, void *data, intptr_t data1, intptr_t data2) {
        return static_cast<Hook *>(data)->record(event, data1, data2);
    }
};

// The hops of every hook made by it.
class Hops {
public:
    Hook hook(const std::string &who) {
        Hook made;
        made.hops = &hops_;
        made.mutex = &mutex_;
        made.who = who;
        return made;
    }
    std::vector<Hop> taken() {
        std::lock_guard<std::mutex> hold(mutex_);
        std::vector<Hop> out;
        out.swap(hops_);
        return out;
    }
    // "who:event" of each hop, leaving out the events in `ignored`.
    std::vector<std::string> names(std::vector<int> ignored = {}) {
        std::vector<std::string> out;
        for (const Hop &h : taken()) {
            bool skip = false;
            for (int e : ignored) skip = skip || h.event == e;
            if (!skip) out.push_back(h.who + ":" + std::to_string(h.event));
        }
        return out;
    }

private:
    std::mutex mutex_;
    std::vector<Hop> hops_;
};

}  // namespace testing_support

#endif
