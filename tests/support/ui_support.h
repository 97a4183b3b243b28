// Helpers for the user-interface suites: a callback recorder, a panel that discards
// itself, and attribute readers that fail the test when the read fails.
#ifndef TOOLBOX_UI_SUPPORT_H
#define TOOLBOX_UI_SUPPORT_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <mutex>
#include <ostream>
#include <vector>

#include "rtengine.h"

namespace testing_support {

// One callback call as a callback saw it; control 0 for a panel callback.
struct UiEvent {
    int panel, control, event;
    intptr_t data1, data2;
    bool operator==(const UiEvent &o) const {
        return panel == o.panel && control == o.control && event == o.event &&
               data1 == o.data1 && data2 == o.data2;
    }
};
inline std::ostream &operator<<(std::ostream &out, const UiEvent &e) {
    return out << "{panel " << e.panel << ", control " << e.control << ", event " << e.event
               << ", " << e.data1 << ", " << e.data2 << "}";
}

// Records the events of the callbacks it is installed on and answers with the result
// set for the event (0 unless stop() was called for it).
class EventLog {
public:
    static int onControl(int panel, int control, int event, void *data, intptr_t data1,
                         intptr_t data2) {
        return static_cast<EventLog *>(data)->record({panel, control, event, data1, data2});
    }
    static int onPanel(int panel, int event, void *data, intptr_t data1, intptr_t data2) {
        return static_cast<EventLog *>(data)->record({panel, 0, event, data1, data2});
    }

    void watch(int panel, int control) {
        ASSERT_EQ(InstallCtrlCallback(panel, control, &EventLog::onControl, this), 0);
    }
    void watchPanel(int panel) {
        ASSERT_EQ(InstallPanelCallback(panel, &EventLog::onPanel, this), 0);
    }
    void stop(int event, int result = 1) {
        std::lock_guard<std::mutex> lock(mutex_);
        results_[event] = result;
    }

    std::vector<UiEvent> events() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }
    // The event numbers in order, leaving out the events in `ignored`.
    std::vector<int> numbers(std::vector<int> ignored = {}) const {
        std::vector<int> out;
        for (const UiEvent &e : events())
            if (std::find(ignored.begin(), ignored.end(), e.event) == ignored.end())
                out.push_back(e.event);
        return out;
    }
    // (control, event) pairs of one event number, in order.
    std::vector<int> controlsGetting(int event) const {
        std::vector<int> out;
        for (const UiEvent &e : events())
            if (e.event == event) out.push_back(e.control);
        return out;
    }
    void clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.clear();
    }

private:
    int record(const UiEvent &e) {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(e);
        auto found = results_.find(e.event);
        return found == results_.end() ? 0 : found->second;
    }

    mutable std::mutex mutex_;
    std::vector<UiEvent> events_;
    std::map<int, int> results_;
};

// A panel of the calling thread, discarded when the scope ends unless already gone.
class ScopedPanel {
public:
    explicit ScopedPanel(int parent = 0, int top = 100, int left = 100, int height = 300,
                         int width = 400)
        : handle_(NewPanel(parent, "test panel", top, left, height, width)) {
        EXPECT_GT(handle_, 0);
    }
    ~ScopedPanel() {
        int ignored;
        int breaking = SetBreakOnLibraryErrors(0);
        if (GetPanelAttribute(handle_, RTE_ATTR_VISIBLE, &ignored) == 0) DiscardPanel(handle_);
        SetBreakOnLibraryErrors(breaking);
    }
    ScopedPanel(const ScopedPanel &) = delete;
    ScopedPanel &operator=(const ScopedPanel &) = delete;
    operator int() const { return handle_; }

private:
    int handle_;
};

inline int ctrlInt(int panel, int control, int attribute) {
    int value = int(0xDEADBEEF);
    EXPECT_EQ(GetCtrlAttribute(panel, control, attribute, &value), 0) << "attribute " << attribute;
    return value;
}
inline int panelInt(int panel, int attribute) {
    int value = int(0xDEADBEEF);
    EXPECT_EQ(GetPanelAttribute(panel, attribute, &value), 0) << "attribute " << attribute;
    return value;
}

// The controls of a panel in chain order, walked through 612 and 613.
inline std::vector<int> chainOf(int panel) {
    std::vector<int> chain;
    for (int c = panelInt(panel, RTE_ATTR_PANEL_FIRST_CTRL); c > 0 && chain.size() < 1000;
         c = ctrlInt(panel, c, RTE_ATTR_NEXT_CTRL))
        chain.push_back(c);
    return chain;
}

// The controls of a panel ordered by an index attribute (610 or 612).
inline std::vector<int> orderBy(int panel, const std::vector<int> &controls, int attribute) {
    std::vector<int> order(controls.size(), 0);
    for (int c : controls) {
        int index = ctrlInt(panel, c, attribute);
        if (index >= 0 && size_t(index) < order.size()) order[size_t(index)] = c;
    }
    return order;
}

// Runs the calling thread's event passes until done() holds or `seconds` have passed;
// gives done()'s last answer.
template <typename Done>
bool processUntil(Done done, double seconds = 5.0) {
    double end = Timer() + seconds;
    while (!done()) {
        if (Timer() > end) return false;
        ProcessSystemEvents();
    }
    return true;
}

// Takes every user event the calling thread has pending (after one more pass).
struct TakenUserEvent {
    int event, panel, control;
    bool operator==(const TakenUserEvent &o) const {
        return event == o.event && panel == o.panel && control == o.control;
    }
};
inline std::ostream &operator<<(std::ostream &out, const TakenUserEvent &e) {
    return out << "{event " << e.event << ", panel " << e.panel << ", control " << e.control << "}";
}
inline std::vector<TakenUserEvent> takeUserEvents() {
    std::vector<TakenUserEvent> taken;
    for (int k = 0; k < 10000; ++k) {
        TakenUserEvent e{0, -1, -1};
        e.event = GetUserEvent(0, &e.panel, &e.control);
        if (e.event == 0) break;
        taken.push_back(e);
    }
    return taken;
}

// A case that starts and ends with no buttons or modifiers held by the input driver
// and no user events pending, so no case sees what another left behind.
class ReleasedInputTest : public ::testing::Test {
protected:
    void SetUp() override { releaseEverything(); }
    void TearDown() override { releaseEverything(); }
    static void releaseEverything() {
        SimulateMouseButton(1, 0);
        SimulateMouseButton(2, 0);
        SimulateModifierKeys(0);
        takeUserEvents();
    }
};

}  // namespace testing_support

#endif
