// A thread waiting for its deferred call on another thread keeps its own window
// messages flowing: a message that thread sends to one of the waiter's windows is
// answered (no deadlock), posted ones are dispatched, and a WM_QUIT met while waiting is
// still there for the program's own loop afterwards.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "rtengine.h"
#include "thread_support.h"
#include "toolbox.h"
#include "ui_support.h"

using testing_support::EventThread;
using testing_support::processUntil;

namespace {

constexpr UINT kSent = WM_APP + 21, kPosted = WM_APP + 22;
constexpr LRESULT kAnswer = 77;

std::vector<UINT> handled;  // by the waiter's window, on the waiter's thread

LRESULT CALLBACK recordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kSent || message == kPosted) {
        handled.push_back(message);
        return kAnswer;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// A plain window of the calling thread, destroyed with the scope.
class WaiterWindow {
public:
    WaiterWindow() {
        static const ATOM atom = [] {
            WNDCLASSA description = {};
            description.lpfnWndProc = recordingProcedure;
            description.hInstance = GetModuleHandleA(nullptr);
            description.lpszClassName = "deferred wait test";
            return RegisterClassA(&description);
        }();
        window_ = CreateWindowExA(0, MAKEINTATOM(atom), "", WS_POPUP, 0, 0, 10, 10, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    ~WaiterWindow() { DestroyWindow(window_); }
    WaiterWindow(const WaiterWindow &) = delete;
    WaiterWindow &operator=(const WaiterWindow &) = delete;
    operator HWND() const { return window_; }

private:
    HWND window_;
};

// What the call on the other thread does to the waiter's window.
struct Job {
    HWND window;
    std::atomic<bool> finished{false};
    LRESULT answer = 0;
};

void postThenSend(void *data) {
    Job *job = static_cast<Job *>(data);
    PostMessageA(job->window, kPosted, 0, 0);
    job->answer = SendMessageA(job->window, kSent, 1, 2);
    job->finished = true;
}

class DeferredCallWaiting : public ::testing::TestWithParam<bool> {};

// With or without a WM_QUIT pending, the call that sends to the waiter's window
// finishes before the wait returns (a waiter deaf to its messages would time out).
TEST_P(DeferredCallWaiting, AnswersMessagesSentToTheWaitersWindows) {
    const bool quitPending = GetParam();
    WaiterWindow window;
    ASSERT_NE(static_cast<HWND>(window), nullptr);
    handled.clear();
    EventThread target;
    Job job{window};
    if (quitPending) PostQuitMessage(5);
    EXPECT_EQ(PostDeferredCallToThreadAndWait(postThenSend, &job, target.id(), 5000), 0);
    EXPECT_TRUE(job.finished.load()) << "the waiter did not answer the message sent to it";
    EXPECT_EQ(job.answer, kAnswer);
    EXPECT_NE(std::find(handled.begin(), handled.end(), kSent), handled.end());
    // Whatever happened above, the other thread must get its answer before it ends.
    processUntil([&] { return job.finished.load(); }, 10.0);
    MSG message;
    const bool quitLeft = PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
    EXPECT_EQ(quitLeft, quitPending);
    if (quitLeft) {
        EXPECT_EQ(message.wParam, 5u);
    }
    if (!quitPending) {  // posted messages were dispatched during the wait
        EXPECT_NE(std::find(handled.begin(), handled.end(), kPosted), handled.end());
    }
    target.stop();
}

INSTANTIATE_TEST_SUITE_P(Quit, DeferredCallWaiting, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool> &tested) {
                             return tested.param ? std::string("QuitPending") : std::string("NoQuit");
                         });

}  // namespace
