// The deferred call's signal on Windows: an event the waiter sleeps on together with
// its thread's message queue, so that while it waits its windows keep working and a
// SendMessage from another thread (perhaps the very thread running the call) is
// answered instead of deadlocking.
//
// Choices:
//  - Sent messages are always answered. Posted messages are dispatched too, at most
//    kMaxMessagesPerRound before the signal is looked at again, as a modal loop would:
//    window procedures, and what the library hooks into them, may run during the wait.
//  - WM_QUIT ends the dispatching of posted messages (sent ones are still answered) and
//    is posted again when the wait ends, so the program's own loop still sees it.
//  - Once the time-out has run out nothing more is dispatched: the signal is looked at
//    one last time.
#include <windows.h>

#include <cstdlib>
#include <new>

#include "delayed_signal.h"
#include "toolbox_internal.h"

namespace tb {

namespace {

constexpr int kMaxMessagesPerRound = 512;

// Dispatches what is queued; false when WM_QUIT came (its code in quitCode).
bool dispatchQueued(int &quitCode) {
    for (int count = 0; count < kMaxMessagesPerRound; ++count) {
        MSG message;
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return true;
        if (message.message == WM_QUIT) {
            quitCode = static_cast<int>(message.wParam);
            return false;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return true;
}

// Answers the messages other threads sent, leaving posted ones queued.
void answerSent() {
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

}  // namespace

struct CallSignal::State {
    HANDLE event;
};

CallSignal::CallSignal() : state_(nullptr) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!event) return;
    void *storage = allocate(sizeof(State));
    if (!storage) {
        CloseHandle(event);
        return;
    }
    state_ = new (storage) State{event};
}

CallSignal::~CallSignal() {
    if (!state_) return;
    CloseHandle(state_->event);
    std::free(state_);
}

void CallSignal::raise() { SetEvent(state_->event); }

bool CallSignal::await(int timeoutMs) {
    const bool limited = timeoutMs != -1;
    const ULONGLONG deadline = GetTickCount64() + ULONGLONG(timeoutMs < 0 ? 0 : timeoutMs);
    bool quitSeen = false;
    int quitCode = 0;
    bool raised = false;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        if (limited && now >= deadline) {
            raised = WaitForSingleObject(state_->event, 0) == WAIT_OBJECT_0;
            break;
        }
        const DWORD wait = limited ? DWORD(deadline - now) : INFINITE;
        const DWORD woke = MsgWaitForMultipleObjectsEx(
            1, &state_->event, wait, quitSeen ? QS_SENDMESSAGE : QS_ALLINPUT,
            quitSeen ? 0 : MWMO_INPUTAVAILABLE);
        if (woke == WAIT_OBJECT_0) {
            raised = true;
            break;
        }
        if (woke == WAIT_FAILED) {  // no message wait to be had: a plain one
            raised = WaitForSingleObject(state_->event, wait) == WAIT_OBJECT_0;
            break;
        }
        if (woke != WAIT_OBJECT_0 + 1) continue;  // the time ran out: looked at above
        if (quitSeen)
            answerSent();
        else
            quitSeen = !dispatchQueued(quitCode);
    }
    if (quitSeen) PostQuitMessage(quitCode);
    return raised;
}

}  // namespace tb
