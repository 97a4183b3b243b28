// The engine's exit services in a program without our start-up: exit routines run at
// the normal end of the process, last registered first, and can still use the engine;
// the detach query follows attach and detach.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "rtengine.h"

namespace {

void say(const char *text) {
    std::fputs(text, stderr);
    std::fflush(stderr);
}
void routineA() { say("[A]"); }
void routineB() { say("[B]"); }
void routineUsingTheEngine() {
    int lock = 0;
    bool works = CmtNewLock(nullptr, 0, &lock) == 0 && CmtGetLock(lock) == 0 &&
                 CmtReleaseLock(lock) == 0 && PostDeferredCallToThread([](void *) { say("[call]"); }, nullptr,
                                                                       CurrThreadId()) == 0 &&
                 ProcessSystemEvents() == 0;
    say(works ? "[engine]" : "[no engine]");
}
void registersB() {
    say("[R]");
    RTE_RegisterExitRoutine(routineB);
}

class ExitServices : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

// Last registered first, each once, at the normal end of the process; a routine that
// registers another sees it run next.
TEST_F(ExitServices, RoutinesRunAtProcessEndLastFirst) {
    EXPECT_EXIT(
        {
            if (RTE_RegisterExitRoutine(routineA) != 0 || RTE_RegisterExitRoutine(routineB) != 0 ||
                RTE_RegisterExitRoutine(registersB) != 0 || RTE_RegisterExitRoutine(routineA) != 0)
                std::_Exit(90);
            std::exit(3);
        },
        ::testing::ExitedWithCode(3), "^\\[A\\]\\[R\\]\\[B\\]\\[B\\]\\[A\\]$");
}

// The engine still works while the routines run, and a routine may use it.
TEST_F(ExitServices, RoutinesCanUseTheEngine) {
    EXPECT_EXIT(
        {
            CmtGetCurrentThreadID();
            RTE_RegisterExitRoutine(routineUsingTheEngine);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "^\\[call\\]\\[engine\\]$");
}

TEST_F(ExitServices, NullRoutineIsRefused) {
    EXPECT_EQ(RTE_RegisterExitRoutine(nullptr), -1);
    EXPECT_EXIT(
        {
            RTE_RegisterExitRoutine(nullptr);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "^$");
}

// Never attached counts as not detached; attached is not detached; after detach it is,
// until the next attach.
TEST_F(ExitServices, DetachQueryFollowsAttachAndDetach) {
    EXPECT_EQ(RTE_HasBeenDetached(), 0);
    ASSERT_EQ(InitRTEDll(nullptr, nullptr), 1);
    EXPECT_EQ(RTE_HasBeenDetached(), 0);
    ASSERT_EQ(CloseRTEDll(nullptr), 0);
    EXPECT_EQ(RTE_HasBeenDetached(), 1);
    ASSERT_EQ(InitRTEDll(nullptr, nullptr), 1);
    EXPECT_EQ(RTE_HasBeenDetached(), 0);
    ASSERT_EQ(CloseRTEDll(nullptr), 0);
}

}  // namespace
