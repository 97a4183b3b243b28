// Win32 backend of the event loop: the owner sleeps in MsgWaitForMultipleObjectsEx on
// an auto-reset event that posters set, and on its message queue; a pass pumps the
// thread's messages.
//
// Choices: a pass dispatches the messages queued when it began, ending at the first
// one stamped after its start (a message that posts itself again cannot hold the pass)
// and after at most 512; a WM_QUIT ends the pass and is posted again, so that the
// program's own message loop still sees it.
#include <cmath>

#include "loop/event_queue.h"

namespace rte {

EventQueue::EventQueue() : wakeEvent(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}

EventQueue::~EventQueue() {
    if (wakeEvent) CloseHandle(wakeEvent);
}

void signalWake(EventQueue &queue) {
    if (queue.wakeEvent) SetEvent(queue.wakeEvent);
}

void sleepOnQueue(EventQueue &queue, double seconds) {
    {
        std::lock_guard<std::mutex> guard(queue.mutex);
        if (queue.hasWork() || !queue.wakeEvent) {
            queue.wakeRequested = false;
            return;
        }
        queue.sleeping = true;
    }
    DWORD milliseconds = INFINITE;
    if (seconds >= 0) milliseconds = static_cast<DWORD>(std::fmin(std::ceil(seconds * 1000.0), 0x7fffffff));
    MsgWaitForMultipleObjectsEx(1, &queue.wakeEvent, milliseconds, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    std::lock_guard<std::mutex> guard(queue.mutex);
    queue.sleeping = false;
    queue.wakeRequested = false;
}

void pumpWindowMessages() {
    constexpr int kMaxMessagesPerPass = 512;
    if (HIWORD(GetQueueStatus(QS_ALLINPUT)) == 0) return;
    const DWORD start = GetTickCount();
    for (int count = 0; count < kMaxMessagesPerPass; ++count) {
        MSG message;
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return;
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
        if (static_cast<LONG>(message.time - start) > 0) return;
    }
}

}  // namespace rte
