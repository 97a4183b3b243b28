// Extended mouse events: mouse moves and button releases for chosen controls, found by
// polling the mouse through a delayed call and sent through the control's callback
// chain, and the conversion of panel coordinates into a control's.
//
// Choices:
//  - Polling runs on the thread that enabled the events, from its event processing (a
//    delayed call never changes threads): that thread must process events, and the
//    control's callbacks then run there for the library's events. The record is shared
//    with the click watcher, which runs on the panel's thread, so every field of it is
//    read and written under library lock 1, never held while a callback runs.
//  - Polling stops while the events are disabled: the polling call does not post itself
//    again, and enabling starts it anew (on the enabling thread). A record whose polling
//    has stopped is freed by the watcher when the control is discarded; while polling
//    runs, the next polling call frees it. A polling call dropped because its thread
//    ended counts as stopped.
//  - An interval below 0, or one that is not a finite number, is refused with -90
//    (nothing changes).
//  - Pinning keeps a point inside the control's pixels: x from left to left + width - 1,
//    y from top to top + height - 1 (the engine's PointPinnedToRect).
//  - Enabling holds lock 1 while it chains the watcher, which takes lock 0: the two are
//    always taken in that order, never lock 0 before lock 1.
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "toolbox_internal.h"

namespace {

constexpr uint32_t kMouseSignature = 0x4D455654u;  // "MEVT"
constexpr char kMouseLinkType[] = "MouseEvents";

// One per control; every field after control is guarded by library lock 1.
struct MouseRecord {
    uint32_t signature;
    int panel;
    int control;
    int rightDown;    // a right press on the control waits for its release
    int leftDown;     // a left press on the control waits for its release
    int discarded;    // the control has been discarded
    int x, y;         // last position sent, panel coordinates
    double interval;  // seconds between samples
    int enabled;      // events are to be sent
    int polling;      // a polling call is queued or running
};

// Polling has stopped (a polling call queued no successor, or one was dropped because
// its thread ended): the record goes now when its control is gone, else with it.
void stopPolling(MouseRecord *record) {
    bool gone;
    {
        tb::LibraryLock lock1(1);
        record->polling = 0;
        gone = record->discarded != 0;
    }
    if (gone) std::free(record);
}

void pollDropped(void *data) { stopPolling(static_cast<MouseRecord *>(data)); }

// What one sample found to send.
struct Sample {
    bool moved = false, leftUp = false, rightUp = false;
    int x = 0, y = 0;
};

// Reads the mouse and updates the record (lock 1 held). A failing read sends nothing.
Sample takeSample(MouseRecord *record) {
    Sample sample;
    int left = 0, right = 0;
    {
        tb::BreakingOff quiet;
        if (GetRelativeMouseState(record->panel, 0, &sample.x, &sample.y, &left, &right, nullptr) <
            0)
            return sample;
    }
    if (sample.x != record->x || sample.y != record->y) {
        record->x = sample.x;
        record->y = sample.y;
        sample.moved = true;
    }
    if (record->leftDown && !left) {
        record->leftDown = 0;
        sample.leftUp = true;
    }
    if (record->rightDown && !right) {
        record->rightDown = 0;
        sample.rightUp = true;
    }
    return sample;
}

// Sends what a sample found through the control's chain, y in event data 1, x in 2.
void send(int panel, int control, const Sample &sample) {
    if (sample.moved)
        CallCtrlCallback(panel, control, TbEventMouseMove, sample.y, sample.x, nullptr);
    if (sample.leftUp)
        CallCtrlCallback(panel, control, TbEventLeftMouseUp, sample.y, sample.x, nullptr);
    if (sample.rightUp)
        CallCtrlCallback(panel, control, TbEventRightMouseUp, sample.y, sample.x, nullptr);
}

// The polling call: queues its successor first, then samples while events are enabled.
// While it runs the record counts as polling, so the watcher leaves it alone.
void poll(void *data) {
    MouseRecord *record = static_cast<MouseRecord *>(data);
    Sample sample;
    bool queued = false;
    {
        tb::LibraryLock lock1(1);
        if (!record->discarded && !record->enabled) {
            record->polling = 0;
            return;
        }
        if (!record->discarded) {
            queued = tb::postDelayedCall(poll, record, record->interval, pollDropped) != 0;
            sample = takeSample(record);
        }
    }
    if (queued) {
        send(record->panel, record->control, sample);
        return;
    }
    int panel = record->panel, control = record->control;
    bool discarded = false;
    {
        tb::LibraryLock lock1(1);
        discarded = record->discarded != 0;
    }
    if (!discarded) send(panel, control, sample);
    stopPolling(record);
}

// Starts polling unless a polling call is queued or running (lock 1 held).
void startPolling(MouseRecord *record) {
    if (record->polling) return;
    record->polling = 1;
    if (!tb::postDelayedCall(poll, record, record->interval, pollDropped)) record->polling = 0;
}

// The chained control callback: notes presses on the control and its discard.
int watchClicks(int, int, int event, void *data, intptr_t, intptr_t) {
    MouseRecord *record = static_cast<MouseRecord *>(data);
    bool gone = false;
    {
        tb::LibraryLock lock1(1);
        if (event == EVENT_LEFT_CLICK) record->leftDown = 1;
        if (event == EVENT_RIGHT_CLICK) record->rightDown = 1;
        if (event == EVENT_DISCARD) {
            record->discarded = 1;
            gone = record->polling == 0;
        }
    }
    if (gone) std::free(record);
    return 0;
}

// The control's record, made and chained when it has none (lock 1 held).
int recordOf(int panel, int control, MouseRecord **record) {
    void *found = nullptr;
    int code = tb::findChainedCallbackData(panel, control, kMouseLinkType, &found);
    if (code < 0) return code;
    if (code == 1) {
        *record = static_cast<MouseRecord *>(found);
        return 0;
    }
    MouseRecord *made = static_cast<MouseRecord *>(tb::allocateZeroed(1, sizeof(MouseRecord)));
    if (!made) return RTE_UIE_OUT_OF_MEMORY;
    made->signature = kMouseSignature;
    made->panel = panel;
    made->control = control;
    code = ChainCtrlCallback(panel, control, watchClicks, made, kMouseLinkType);
    if (code < 0) {
        std::free(made);
        return code;
    }
    *record = made;
    return 0;
}

int readAttribute(int panel, int control, int attribute, int *value) {
    return GetCtrlAttribute(panel, control, attribute, value);
}

}  // namespace

extern "C" {

int EnableExtendedMouseEvents(int panel, int control, double interval) {
    if (!(interval >= 0.0) || !std::isfinite(interval)) return RTE_UIE_INVALID_ATTRIBUTE_VALUE;
    tb::LibraryLock lock1(1);
    MouseRecord *record = nullptr;
    int code = recordOf(panel, control, &record);
    if (code < 0) return code;
    record->enabled = 1;
    record->interval = interval;
    startPolling(record);
    tb::BreakingOff quiet;
    if (GetRelativeMouseState(panel, 0, &record->x, &record->y, &record->leftDown,
                              &record->rightDown, nullptr) < 0) {
        record->x = 0;
        record->y = 0;
    }
    return 0;
}

int DisableExtendedMouseEvents(int panel, int control) {
    tb::LibraryLock lock1(1);
    void *found = nullptr;
    int code = GetChainedCallbackData(panel, control, kMouseLinkType, &found);
    if (code < 0) return code;
    static_cast<MouseRecord *>(found)->enabled = 0;
    return 0;
}

int ConvertMouseCoordinates(int panel, int control, int relativeToControl, int pinToControl, int *x,
                            int *y) {
    Point point = MakePoint(x ? *x : 0, y ? *y : 0);
    int top = 0, left = 0;
    if (relativeToControl) {
        int code = readAttribute(panel, control, RTE_ATTR_TOP, &top);
        if (code >= 0) code = readAttribute(panel, control, RTE_ATTR_LEFT, &left);
        if (code < 0) return code;
        point.y -= top;
        point.x -= left;
    }
    if (pinToControl) {
        int width = 0, height = 0;
        int code = readAttribute(panel, control, RTE_ATTR_WIDTH, &width);
        if (code >= 0) code = readAttribute(panel, control, RTE_ATTR_HEIGHT, &height);
        if (code >= 0 && !relativeToControl) {
            code = readAttribute(panel, control, RTE_ATTR_TOP, &top);
            if (code >= 0) code = readAttribute(panel, control, RTE_ATTR_LEFT, &left);
        }
        if (code < 0) return code;
        if (relativeToControl) top = left = 0;
        point = PointPinnedToRect(point, MakeRect(top, left, height, width));
    }
    if (x) *x = point.x;
    if (y) *y = point.y;
    return 0;
}

}  // extern "C"
