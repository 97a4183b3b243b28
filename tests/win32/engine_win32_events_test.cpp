// The engine's event loop and thread ends with real Win32 threads and messages: threads
// made with CreateThread end their engine state through the DLL's thread-detach
// notification; event processing pumps the thread's message queue, boundedly; a waiting
// GetUserEvent wakes for a message.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "rtengine.h"
#include "thread_support.h"

namespace {

constexpr UINT kCountMessage = WM_APP + 1;
constexpr UINT kRepostMessage = WM_APP + 2;
constexpr UINT kQueueEventMessage = WM_APP + 3;
constexpr UINT kPostCallMessage = WM_APP + 4;

// What the test window saw; each test thread has its own window, made and used there.
struct WindowLog {
    int counted = 0;
    int reposts = 0;
    std::string calls;
};
thread_local WindowLog windowLog;

LRESULT CALLBACK testWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kCountMessage:
        ++windowLog.counted;
        return 0;
    case kRepostMessage:
        ++windowLog.reposts;
        PostMessageA(window, kRepostMessage, 0, 0);
        return 0;
    case kQueueEventMessage:
        QueueUserEvent(static_cast<int>(wParam), 0, 0);
        return 0;
    case kPostCallMessage:
        PostDeferredCallToThread([](void *) { windowLog.calls += "call"; }, nullptr, CurrThreadId());
        windowLog.calls += "posted;";
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

// A message-only window of the calling thread, destroyed with the object.
class TestWindow {
public:
    TestWindow() {
        static const ATOM windowClass = [] {
            WNDCLASSA description = {};
            description.lpfnWndProc = testWindowProc;
            description.hInstance = GetModuleHandleA(nullptr);
            description.lpszClassName = "EngineEventsTestWindow";
            return RegisterClassA(&description);
        }();
        handle_ = CreateWindowA(MAKEINTATOM(windowClass), "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
        windowLog = WindowLog();
    }
    ~TestWindow() {
        if (handle_) DestroyWindow(handle_);
    }
    TestWindow(const TestWindow &) = delete;
    TestWindow &operator=(const TestWindow &) = delete;
    HWND handle() const { return handle_; }

private:
    HWND handle_ = nullptr;
};

// --- Threads made with CreateThread ---

struct EndedThread {
    DWORD id = 0;
    int tlv = 0;
    std::atomic<DWORD> routineRanOn{0};
    std::atomic<int> routineEvent{0}, routineValue{0}, dropped{0};
    HANDLE mayEnd = nullptr;
};
EndedThread *ended;

// The thread-detach notification ends a CreateThread thread's engine state on that
// thread: its thread-local copy (thread-exit event, contents intact) and its queue
// (a call still queued gets its drop function; later posts find no thread).
TEST(EventLoopWin32, CreateThreadEndRunsRoutinesAndDrops) {
    EndedThread state;
    ended = &state;
    state.mayEnd = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_EQ(CmtNewThreadLocalVar(
                  sizeof(int), nullptr,
                  [](void *copy, int event, void *, unsigned threadId) {
                      ended->routineRanOn = GetCurrentThreadId();
                      ended->routineEvent = event;
                      ended->routineValue = *static_cast<int *>(copy);
                      EXPECT_EQ(threadId, ended->id);
                  },
                  nullptr, &state.tlv),
              0);
    HANDLE started = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void *startedEvent) -> DWORD {
            ended->id = CmtGetCurrentThreadID();
            int *copy = nullptr;
            CmtGetThreadLocalVar(ended->tlv, &copy);
            *copy = 31;
            SetEvent(static_cast<HANDLE>(startedEvent));
            WaitForSingleObject(ended->mayEnd, INFINITE);
            return 0;
        },
        started, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(started, INFINITE);
    ASSERT_EQ(PostDeferredCallToThreadEx([](void *) { ADD_FAILURE() << "a dropped call ran"; }, nullptr,
                                         state.id, [](void *) { ++ended->dropped; }),
              0);
    SetEvent(state.mayEnd);
    WaitForSingleObject(thread, INFINITE);
    EXPECT_EQ(state.routineRanOn.load(), state.id);
    EXPECT_EQ(state.routineEvent.load(), CMT_TLV_EVENT_THREAD_EXIT);
    EXPECT_EQ(state.routineValue.load(), 31);
    EXPECT_EQ(state.dropped.load(), 1);
    EXPECT_EQ(PostDeferredCallToThread([](void *) {}, nullptr, state.id), RTE_UIE_NO_SUCH_THREAD);
    EXPECT_EQ(CmtDiscardThreadLocalVar(state.tlv), 0);
    for (HANDLE handle : {thread, started, state.mayEnd}) CloseHandle(handle);
}

// --- Messages ---

// A pass dispatches the thread's messages; a window procedure's post to its own thread
// does not run inside the procedure but on the next pass.
TEST(EventLoopWin32, ProcessingDispatchesMessagesAndDefersPostsFromAWindowProcedure) {
    TestWindow window;
    ASSERT_NE(window.handle(), nullptr);
    PostMessageA(window.handle(), kCountMessage, 0, 0);
    PostMessageA(window.handle(), kCountMessage, 0, 0);
    PostMessageA(window.handle(), kPostCallMessage, 0, 0);
    EXPECT_EQ(ProcessSystemEvents(), 0);
    EXPECT_EQ(windowLog.counted, 2);
    EXPECT_EQ(windowLog.calls, "posted;");
    EXPECT_EQ(ProcessSystemEvents(), 0);
    EXPECT_EQ(windowLog.calls, "posted;call");
}

// A message that posts itself again cannot hold a pass; WM_QUIT ends the pass and stays
// for the program's own loop.
TEST(EventLoopWin32, PassesAreBoundedAndLeaveQuitToTheProgram) {
    TestWindow window;
    PostMessageA(window.handle(), kRepostMessage, 0, 0);
    for (int pass = 0; pass < 3; ++pass) EXPECT_EQ(ProcessSystemEvents(), 0);
    EXPECT_GE(windowLog.reposts, 3);
    EXPECT_LE(windowLog.reposts, 3 * 512);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
    PostQuitMessage(5);
    PostMessageA(window.handle(), kCountMessage, 0, 0);
    EXPECT_EQ(ProcessSystemEvents(), 0);
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 5u);
}

// A thread waiting in GetUserEvent wakes for a message another thread posts to its
// window; the window procedure's user event ends the wait, without a busy wait.
TEST(EventLoopWin32, WaitingWakesForAMessage) {
    std::atomic<HWND> target{nullptr};
    int event = 0;
    double cpuSeconds = -1;
    std::thread waiter([&] {
        TestWindow window;
        target = window.handle();
        double before = testing_support::threadCpuSeconds();
        event = GetUserEvent(1, nullptr, nullptr);
        cpuSeconds = testing_support::threadCpuSeconds() - before;
    });
    while (!target.load()) Sleep(1);
    Sleep(200);
    PostMessageA(target.load(), kQueueEventMessage, 77, 0);
    waiter.join();
    EXPECT_EQ(event, 77);
    EXPECT_LT(cpuSeconds, testing_support::kIdleWaitCpuLimit);
}

}  // namespace
