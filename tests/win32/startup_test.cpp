// The program's start-up, linked into this suite without the task: argument vector
// from the Windows command line, WinMain, engine attach and detach, the detach query
// over the engine's named shared memory, and the 32-slot exit list.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "startup.h"
#include "test_support.h"

namespace {

// What the stand-in for the task's main received.
struct MainCall {
    int calls = 0;
    std::vector<std::string> args;
    bool terminated = false;
};
MainCall mainCall;

int stubSymbol = 42;

// Records the calls, in the order they run, of the registered exit functions.
std::string exitLog;
void exitA() { exitLog += "A"; }
void exitB() { exitLog += "B"; }
void exitC() { exitLog += "C"; }
void registersC() {
    exitLog += "R";
    RTE_atexit(exitC);
}

std::vector<std::string> vectorOf(int argc, char **argv) {
    std::vector<std::string> out;
    for (int i = 0; i < argc; ++i) out.push_back(argv[i]);
    return out;
}

// Drains the exit list with the engine detached, so that no test leaves functions
// behind for the next one (all cases may share one process).
class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        CloseRTE();
        RTE_exit(0);
        exitLog.clear();
        mainCall = MainCall();
    }
    void TearDown() override {
        CloseRTE();
        RTE_exit(0);
    }
};

}  // namespace

extern "C" int VantorMain(int argc, char *argv[]) {
    ++mainCall.calls;
    mainCall.args = vectorOf(argc, argv);
    mainCall.terminated = argv[argc] == nullptr;
    return 1000 + argc;
}

extern "C" const RTE_PublicSymbol VantorPublicSymbols[] = {
    {"stubSymbol", &stubSymbol},
    {nullptr, nullptr},
};

namespace {

using Args = std::vector<std::string>;

// --- Argument vector ---

// argv[0] is the module's bare file name whatever the tail says; the quoting rules
// hold on the real start-up path as they do in the portable splitter.
TEST_F(StartupTest, ParseGivesBareModuleNameAndUnquotedArguments) {
    char tail[] = "\"C:\\Program Files\\Nimbrova\" C:\\setup \"\" a\\\"b x\\\\\"y z\"";
    int argc = 0;
    char **argv = nullptr;
    ASSERT_EQ(_ParseWindowsCommandLine(GetModuleHandleA(nullptr), tail, &argc, &argv), 1);
    EXPECT_EQ(vectorOf(argc, argv),
              (Args{"startup_test.exe", "C:\\Program Files\\Nimbrova", "C:\\setup", "", "a\"b",
                    "x\\\\y z"}));
    EXPECT_EQ(argv[argc], nullptr);
}

TEST_F(StartupTest, ParseOfAnEmptyTailGivesTheNameAlone) {
    char tail[] = "";
    int argc = 0;
    char **argv = nullptr;
    ASSERT_EQ(_ParseWindowsCommandLine(nullptr, tail, &argc, &argv), 1);
    EXPECT_EQ(vectorOf(argc, argv), (Args{"startup_test.exe"}));
}

// A module-name query that fails makes the whole call fail, outputs untouched.
TEST_F(StartupTest, ParseFailsWhenTheModuleNameCannotBeRead) {
    char tail[] = "a b";
    int argc = static_cast<int>(0xdeadbeef);
    char **argv = reinterpret_cast<char **>(0xdeadbeefu);
    EXPECT_EQ(_ParseWindowsCommandLine(reinterpret_cast<HINSTANCE>(0x1230), tail, &argc, &argv), 0);
    EXPECT_EQ(argc, static_cast<int>(0xdeadbeef));
    EXPECT_EQ(argv, reinterpret_cast<char **>(0xdeadbeefu));
}

// WinMain hands main the split arguments and returns its result unchanged.
TEST_F(StartupTest, WinMainCallsMainWithTheArguments) {
    char tail[] = "one \"two words\" three four";
    EXPECT_EQ(WinMain(GetModuleHandleA(nullptr), nullptr, tail, SW_SHOWDEFAULT), 1005);
    EXPECT_EQ(mainCall.calls, 1);
    EXPECT_EQ(mainCall.args, (Args{"startup_test.exe", "one", "two words", "three", "four"}));
    EXPECT_TRUE(mainCall.terminated);
}

// When the arguments cannot be built, main is not called and the result is -1.
TEST_F(StartupTest, WinMainWithoutArgumentsDoesNotCallMain) {
    char tail[] = "a b c d";
    EXPECT_EQ(WinMain(reinterpret_cast<HINSTANCE>(0x1230), nullptr, tail, 0), -1);
    EXPECT_EQ(mainCall.calls, 0);
}

// --- Engine attach, detach and the detach query ---

// The query follows the engine: detached (or never attached) reads nonzero, attached
// reads 0; attach hands over the program's symbols and instance; attaching twice is
// harmless.
TEST_F(StartupTest, AttachDetachAndTheDetachQuery) {
    EXPECT_NE(RTEHasBeenDetached(), 0);
    ASSERT_NE(InitRTE(nullptr), 0);
    EXPECT_EQ(RTEHasBeenDetached(), 0);
    EXPECT_EQ(RTEHasBeenDetached(), 0) << "the query must not change what it reads";
    EXPECT_EQ(__RTEUserHInst, GetModuleHandleA(nullptr));
    EXPECT_EQ(RTE_FindPublicSymbol("stubSymbol"), &stubSymbol);
    EXPECT_NE(InitRTEEx(nullptr, nullptr, nullptr), 0);
    CloseRTE();
    EXPECT_NE(RTEHasBeenDetached(), 0);
    EXPECT_EQ(RTE_IsAttached(), 0);
    CloseRTE();
    EXPECT_NE(RTEHasBeenDetached(), 0);
    // Attach again after a detach: the flag is published anew.
    ASSERT_NE(InitRTE(nullptr), 0);
    EXPECT_EQ(RTEHasBeenDetached(), 0);
}

// The query reads the engine's own mapping of this process by name: a process-specific
// name, so a mapping of the same base name for another process id is not taken.
TEST_F(StartupTest, DetachQueryIgnoresOtherProcessesMappings) {
    std::string other = std::string(RTE_DETACH_SHMEM_BASE) + ", " +
                        std::to_string(GetCurrentProcessId() + 4);
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4,
                                        other.c_str());
    ASSERT_NE(mapping, nullptr);
    void *view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 4);
    ASSERT_NE(view, nullptr);
    *static_cast<LONG *>(view) = 0;
    EXPECT_NE(RTEHasBeenDetached(), 0);
    UnmapViewOfFile(view);
    CloseHandle(mapping);
}

// --- Exit list ---

// Exit functions run last registered first, each once.
TEST_F(StartupTest, ExitFunctionsRunInReverseOrder) {
    EXPECT_EQ(RTE_atexit(exitA), 0);
    EXPECT_EQ(RTE_atexit(exitB), 0);
    EXPECT_EQ(RTE_atexit(exitA), 0);
    RTE_exit(0);
    EXPECT_EQ(exitLog, "ABA");
    RTE_exit(0);
    EXPECT_EQ(exitLog, "ABA") << "a function ran twice";
}

// 32 slots: the 33rd registration fails and is not run; the others all are.
TEST_F(StartupTest, ThirtyThirdRegistrationFails) {
    for (int i = 0; i < 31; ++i) ASSERT_EQ(RTE_atexit(exitA), 0) << "registration " << i + 1;
    EXPECT_EQ(RTE_atexit(exitB), 0);
    EXPECT_EQ(RTE_atexit(exitC), -1);
    EXPECT_EQ(_UP_atexit(exitC), -1);
    EXPECT_EQ(_UP_RTE_atexit(exitC), -1);
    RTE_exit(0);
    EXPECT_EQ(exitLog, "B" + std::string(31, 'A'));
    EXPECT_EQ(RTE_atexit(exitA), 0) << "the list must accept again once run";
}

// A function registered while the list runs is run too, right after its registrar.
TEST_F(StartupTest, RegistrationDuringTheRunIsRun) {
    RTE_atexit(exitA);
    RTE_atexit(registersC);
    RTE_exit(0);
    EXPECT_EQ(exitLog, "RCA");
}

// A null function would crash the process at exit: it is refused.
TEST_F(StartupTest, NullExitFunctionIsRefused) {
    EXPECT_EQ(RTE_atexit(nullptr), -1);
    EXPECT_EQ(_UP_atexit(nullptr), -1);
    RTE_atexit(exitA);
    RTE_exit(0);
    EXPECT_EQ(exitLog, "A");
}

// --- Exit services handed over to the engine ---

// Once attached, routines registered through the engine land in this list and obey its
// rules (order, 32 slots), and the engine's detach query is this start-up's.
TEST_F(StartupTest, AttachHandsTheExitListToTheEngine) {
    ASSERT_NE(InitRTE(nullptr), 0);
    EXPECT_EQ(RTE_HasBeenDetached(), 0);
    EXPECT_EQ(RTE_RegisterExitRoutine(exitA), 0);
    EXPECT_EQ(RTE_atexit(exitB), 0);
    EXPECT_EQ(RTE_RegisterExitRoutine(exitC), 0);
    for (int i = 3; i < 32; ++i) ASSERT_EQ(RTE_RegisterExitRoutine(exitA), 0) << "registration " << i + 1;
    EXPECT_EQ(RTE_RegisterExitRoutine(exitB), -1) << "the start-up's 33rd slot";
    EXPECT_EQ(RTE_RegisterExitRoutine(nullptr), -1);
    CloseRTE();
    EXPECT_NE(RTE_HasBeenDetached(), 0);
    RTE_exit(0);  // detached: runs the list and returns
    EXPECT_EQ(exitLog, std::string(29, 'A') + "CBA");
}

// --- Ending the process while attached ---

// The file a dying child writes what ran to; the same name in parent and child.
std::string childLogPath() {
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    return (std::filesystem::temp_directory_path() /
            (std::string("startup-exit-") + test->name() + ".txt"))
        .string();
}
void logToFile() {
    if (FILE *log = std::fopen(childLogPath().c_str(), "ab")) {
        std::fputs("ran;", log);
        std::fclose(log);
    }
}

class StartupExitTest : public StartupTest {
protected:
    void SetUp() override {
        StartupTest::SetUp();
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        std::remove(childLogPath().c_str());
    }
    void TearDown() override {
        std::remove(childLogPath().c_str());
        StartupTest::TearDown();
    }
};

// RTE_exit while attached runs the exit functions once, then the engine ends the
// process with the code: the hand-over keeps the engine from running them again.
TEST_F(StartupExitTest, ExitWhileAttachedRunsEachFunctionOnceAndEnds) {
    EXPECT_EXIT(
        {
            if (!InitRTE(nullptr)) std::_Exit(90);
            RTE_atexit(logToFile);
            RTE_atexit(logToFile);
            RTE_exit(7);
            std::_Exit(91);  // RTE_exit must not return while attached
        },
        ::testing::ExitedWithCode(7), "");
    EXPECT_EQ(testing_support::readFile(childLogPath()), "ran;ran;");
}

// The engine's own abnormal exit empties the list through the hand-over: nothing runs.
TEST_F(StartupExitTest, EngineAbnormalExitEmptiesTheList) {
    EXPECT_EXIT(
        {
            if (!InitRTE(nullptr)) std::_Exit(90);
            RTE_atexit(logToFile);
            RTEDllAbnormalExit(5);
            std::_Exit(91);
        },
        ::testing::ExitedWithCode(5), "");
    EXPECT_EQ(testing_support::readFile(childLogPath()), "");
}

}  // namespace
