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
void registersB() {
    say("[R]");
    RTE_RegisterExitRoutine(routineB);
}
// Late in the process the engine still works: a lock, a deferred call, a pass.
void usesTheEngine() {
    int lock = 0;
    bool works = CmtNewLock(nullptr, 0, &lock) == 0 && CmtGetLock(lock) == 0 && CmtReleaseLock(lock) == 0 &&
                 PostDeferredCallToThread([](void *) { say("[call]"); }, nullptr, CurrThreadId()) == 0 &&
                 ProcessSystemEvents() == 0;
    say(works ? "[engine]" : "[no engine]");
}

class ExitServices : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

// Last registered first, each once, at the normal end of the process; a routine that
// registers another sees it run next; a null routine is refused; routines may use the
// engine.
TEST_F(ExitServices, RoutinesRunAtProcessEndLastFirst) {
    EXPECT_EXIT(
        {
            if (RTE_RegisterExitRoutine(nullptr) != -1) std::_Exit(89);
            for (RTE_ExitRoutine routine : {usesTheEngine, routineA, routineB, registersB, routineA})
                if (RTE_RegisterExitRoutine(routine) != 0) std::_Exit(90);
            std::exit(3);
        },
        ::testing::ExitedWithCode(3), "^\\[A\\]\\[R\\]\\[B\\]\\[B\\]\\[A\\]\\[call\\]\\[engine\\]$");
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
