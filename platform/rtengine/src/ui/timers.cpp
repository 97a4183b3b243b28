// Timer controls and the threads that own panels.
//
// Each thread that makes a panel gets one loop source that ticks the enabled timer
// controls of its panels, hidden panels included, and only while the thread processes
// events. A pass ticks a due timer once; its countdown restarts from the pass's time
// before its callback runs, so an interval of 0.0 ticks once per pass and a callback
// may set a new interval (restarting from then). A timer whose callback is still running
// does not tick again from a nested pass. When the thread ends, its panels still alive
// are discarded there (their callbacks get EVENT_DISCARD) and its source goes away.
#include <algorithm>
#include <limits>

#include "loop/event_loop.h"
#include "ui/ui_internal.h"

namespace rte::ui {

namespace {

class TimerSource final : public LoopSource {
public:
    explicit TimerSource(unsigned thread) : thread_(thread) {}

    double nextDue() const override {
        double earliest = std::numeric_limits<double>::infinity();
        Model &m = model();
        Guard lock(m.mutex);
        forEachTimer(m, [&](Control &c) {
            if (c.timer.enabled && !c.timer.ticking) earliest = std::min(earliest, c.timer.due);
        });
        return earliest;
    }

    void dispatchDue(double now) override {
        std::vector<TimerRef> due;
        {
            Model &m = model();
            Guard lock(m.mutex);
            due.reserve(m.timers[thread_].size());
            for (const TimerRef &ref : m.timers[thread_]) {
                Control *c = timerAt(m, ref);
                if (!c || !c->timer.enabled || c->timer.ticking || c->timer.due > now) continue;
                c->timer.ticking = true;
                c->timer.due = now + c->timer.interval;
                due.push_back(ref);
            }
        }
        for (const TimerRef &ref : due) {
            double tickTime = now;
            deliverToControl(ref.panel, ref.control, EVENT_TIMER_TICK,
                             reinterpret_cast<intptr_t>(&tickTime), 0);
            Model &m = model();
            Guard lock(m.mutex);
            if (Control *c = timerAt(m, ref)) c->timer.ticking = false;
        }
    }

private:
    static Control *timerAt(const Model &m, const TimerRef &ref) {
        const Panel *p = m.panel(ref.panel);
        Control *c = p ? p->control(ref.control) : nullptr;
        return c && !c->discarding && !p->discarding ? c : nullptr;
    }

    template <typename Visit>
    void forEachTimer(Model &m, Visit visit) const {
        auto found = m.timers.find(thread_);
        if (found == m.timers.end()) return;
        for (const TimerRef &ref : found->second)
            if (Control *c = timerAt(m, ref)) visit(*c);
    }

    unsigned thread_;
};

// The sources by thread; each is made by its thread and removed by its thread's end.
std::unordered_map<unsigned, TimerSource *> &sources() {
    static auto *bySource = new std::unordered_map<unsigned, TimerSource *>;
    return *bySource;
}

// The first top-level panel the thread still owns that is not being discarded.
int firstPanelOwnedBy(unsigned thread) {
    Model &m = model();
    Guard lock(m.mutex);
    for (const auto &entry : m.panels) {
        const Panel &p = *entry.second;
        if (p.owner == thread && p.parent == 0 && !p.discarding) return p.handle;
    }
    return 0;
}

void endOfThread(ThreadLoop &loop) {
    const unsigned thread = loop.threadId();
    while (int panel = firstPanelOwnedBy(thread)) discardPanel(panel);
    TimerSource *source = nullptr;
    {
        Model &m = model();
        Guard lock(m.mutex);
        auto found = sources().find(thread);
        if (found != sources().end()) {
            source = found->second;
            sources().erase(found);
        }
        m.timers.erase(thread);
        m.popups.erase(thread);
    }
    if (source) loop.removeSource(source);
    delete source;
}

}  // namespace

bool prepareOwningThread() {
    ThreadLoop *loop = currentThreadLoop();
    if (!loop) return false;
    static const bool hooked = addThreadEndHook(endOfThread);
    if (!hooked) return false;
    const unsigned thread = loop->threadId();
    Model &m = model();
    {
        Guard lock(m.mutex);
        if (sources().count(thread)) return true;
    }
    auto source = std::make_unique<TimerSource>(thread);
    Guard lock(m.mutex);
    sources().reserve(sources().size() + 1);
    if (!loop->addSource(source.get())) return false;
    sources().emplace(thread, source.release());
    return true;
}

void wakeOwner(unsigned owner) { wakeThread(owner); }

}  // namespace rte::ui
