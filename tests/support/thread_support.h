// Helpers of the engine's thread and event tests: a gate that parks threads, a thread
// that works its engine event queue until told to stop, the processor time of the
// calling thread, and the system id of a thread that never registered with the engine.
#ifndef TOOLBOX_THREAD_SUPPORT_H
#define TOOLBOX_THREAD_SUPPORT_H

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include "rtengine.h"

namespace testing_support {

// Closed until opened once; wait() returns when open.
class Gate {
public:
    void open() {
        std::lock_guard<std::mutex> guard(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    void wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return open_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
};

// Processor time (user and system) the calling thread has used, in seconds.
inline double threadCpuSeconds() {
#if defined(_WIN32)
    FILETIME created, ended, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user);
    auto ticks = [](const FILETIME &t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) * 1e-7;
#else
    rusage usage;
    getrusage(RUSAGE_THREAD, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
#endif
}

// The calling thread's system id, read without the engine (so without registering).
inline unsigned systemThreadIdWithoutEngine() {
#if defined(_WIN32)
    return GetCurrentThreadId();
#else
    return static_cast<unsigned>(syscall(SYS_gettid));
#endif
}

// A thread that registers with the engine and waits for user events, working its
// queue, until stop() (or destruction) ends it. Calls posted to id() run on it.
class EventThread {
public:
    static constexpr int kStopEvent = 0x5707;

    EventThread() : thread_([this] { run(); }) { started_.wait(); }
    ~EventThread() { stop(); }
    EventThread(const EventThread &) = delete;
    EventThread &operator=(const EventThread &) = delete;

    unsigned id() const { return id_; }

    // Asks the thread to end once the calls posted before are done, and joins it.
    void stop() {
        if (!thread_.joinable()) return;
        PostDeferredCallToThread([](void *) { QueueUserEvent(kStopEvent, 0, 0); }, nullptr, id_);
        thread_.join();
    }

private:
    void run() {
        id_ = CmtGetCurrentThreadID();
        started_.open();
        while (GetUserEvent(1, nullptr, nullptr) != kStopEvent) {
        }
    }

    unsigned id_ = 0;
    Gate started_;
    std::thread thread_;
};

}  // namespace testing_support

#endif
