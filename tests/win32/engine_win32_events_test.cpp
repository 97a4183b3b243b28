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

enum : UINT { kCount = WM_APP + 1, kRepost, kQueueEvent, kPostCall };

// What the test window of the calling thread saw.
thread_local int counted, reposts;
thread_local std::string callLog;

LRESULT CALLBACK testWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kCount:
        ++counted;
        return 0;
    case kRepost:
        ++reposts;
        PostMessageA(window, kRepost, 0, 0);
        return 0;
    case kQueueEvent:
        QueueUserEvent(static_cast<int>(wParam), 0, 0);
        return 0;
    case kPostCall:
        PostDeferredCallToThread([](void *) { callLog += "call"; }, nullptr, CurrThreadId());
        callLog += "posted;";
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

// A message-only window of the calling thread.
HWND makeTestWindow() {
    static const ATOM windowClass = [] {
        WNDCLASSA description = {};
        description.lpfnWndProc = testWindowProc;
        description.hInstance = GetModuleHandleA(nullptr);
        description.lpszClassName = "EngineEventsTestWindow";
        return RegisterClassA(&description);
    }();
    return CreateWindowA(MAKEINTATOM(windowClass), "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

struct EndedThread {
    unsigned id = 0;
    int tlv = 0;
    DWORD routineRanOn = 0;
    int routineEvent = 0, routineValue = 0, dropped = 0;
    HANDLE started = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE mayEnd = CreateEventA(nullptr, TRUE, FALSE, nullptr);
} ended;

// The thread-detach notification ends a CreateThread thread's engine state on that
// thread: its thread-local copy (thread-exit event, contents intact) and its queue (a
// call still queued gets its drop function; later posts find no thread).
TEST(EventLoopWin32, CreateThreadEndRunsRoutinesAndDrops) {
    auto routine = [](void *copy, int event, void *, unsigned) {
        ended.routineRanOn = GetCurrentThreadId();
        ended.routineEvent = event;
        ended.routineValue = *static_cast<int *>(copy);
    };
    ASSERT_EQ(CmtNewThreadLocalVar(sizeof(int), nullptr, routine, nullptr, &ended.tlv), 0);
    auto body = [](void *) -> DWORD {
        ended.id = CmtGetCurrentThreadID();
        int *copy = nullptr;
        CmtGetThreadLocalVar(ended.tlv, &copy);
        *copy = 31;
        SetEvent(ended.started);
        WaitForSingleObject(ended.mayEnd, INFINITE);
        return 0;
    };
    HANDLE thread = CreateThread(nullptr, 0, body, nullptr, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(ended.started, INFINITE);
    ASSERT_EQ(PostDeferredCallToThreadEx([](void *) { ADD_FAILURE() << "a dropped call ran"; }, nullptr,
                                         ended.id, [](void *) { ++ended.dropped; }),
              0);
    SetEvent(ended.mayEnd);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_EQ(ended.routineRanOn, ended.id);
    EXPECT_EQ(ended.routineEvent, CMT_TLV_EVENT_THREAD_EXIT);
    EXPECT_EQ(ended.routineValue, 31);
    EXPECT_EQ(ended.dropped, 1);
    EXPECT_EQ(PostDeferredCallToThread([](void *) {}, nullptr, ended.id), RTE_UIE_NO_SUCH_THREAD);
    // A get keeps the caller's last error (the system's TLS read would clear it).
    int *copy = nullptr;
    for (int get = 0; get < 2; ++get) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        ASSERT_EQ(CmtGetThreadLocalVar(ended.tlv, &copy), 0);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND)) << "get " << get;
    }
}

// A pass dispatches the thread's messages; a window procedure's post to its own thread
// runs on the next pass, not inside the procedure; a message that posts itself again
// cannot hold a pass; WM_QUIT ends the pass and stays for the program's own loop.
TEST(EventLoopWin32, PassesPumpMessagesBoundedly) {
    HWND window = makeTestWindow();
    ASSERT_NE(window, nullptr);
    for (UINT message : {kCount, kCount, kPostCall}) PostMessageA(window, message, 0, 0);
    ProcessSystemEvents();
    EXPECT_EQ(counted, 2);
    EXPECT_EQ(callLog, "posted;");
    ProcessSystemEvents();
    EXPECT_EQ(callLog, "posted;call");
    PostMessageA(window, kRepost, 0, 0);
    for (int pass = 0; pass < 3; ++pass) ProcessSystemEvents();
    EXPECT_GE(reposts, 3);
    EXPECT_LE(reposts, 3 * 512);
    DestroyWindow(window);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
    PostQuitMessage(5);
    ProcessSystemEvents();
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 5u);
}

// A thread waiting in GetUserEvent wakes, without a busy wait, for a message another
// thread posts to its window; the window procedure's user event ends the wait.
TEST(EventLoopWin32, WaitingWakesForAMessage) {
    std::atomic<HWND> target{nullptr};
    int event = 0;
    double cpuSeconds = -1;
    std::thread waiter([&] {
        target = makeTestWindow();
        double before = testing_support::threadCpuSeconds();
        event = GetUserEvent(1, nullptr, nullptr);
        cpuSeconds = testing_support::threadCpuSeconds() - before;
        DestroyWindow(target.load());
    });
    while (!target.load()) Sleep(1);
    Sleep(200);
    PostMessageA(target.load(), kQueueEvent, 77, 0);
    waiter.join();
    EXPECT_EQ(event, 77);
    EXPECT_LT(cpuSeconds, testing_support::kIdleWaitCpuLimit);
}

}  // namespace
