// Handles: sizes, zeroed growth, kept contents, out-of-memory leaving the handle as it
// was, and the assertions on a null handle.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "test_support.h"
#include "toolbox_internal.h"

namespace {

unsigned char *bytes(Handle handle) { return static_cast<unsigned char *>(handle->data); }

bool allZero(Handle handle, unsigned from, unsigned to) {
    for (unsigned k = from; k < to; ++k)
        if (bytes(handle)[k] != 0) return false;
    return true;
}

struct HandleDeleter {
    void operator()(HandleRecord *handle) const { DisposeHandle(handle); }
};
using HandlePtr = std::unique_ptr<HandleRecord, HandleDeleter>;

class Handles : public ::testing::Test {
protected:
    void TearDown() override { tb::failAllocations(0, 0); }
};

// A new handle must report its size and hold only zero bytes, also for size 0.
TEST_F(Handles, NewHandleIsZeroFilledAndSized) {
    for (unsigned size : {0u, 1u, 7u, 64u, 4099u}) {
        SCOPED_TRACE(size);
        HandlePtr handle(NewHandle(size));
        ASSERT_NE(handle, nullptr);
        EXPECT_EQ(GetHandleSize(handle.get()), size);
        EXPECT_EQ(handle->size, size) << "the record's second field is the size";
        EXPECT_NE(handle->data, nullptr);
        EXPECT_TRUE(allZero(handle.get(), 0, size));
    }
}

// Growing must keep the old bytes and zero exactly the gained ones (8 -> 20).
TEST_F(Handles, GrowingKeepsContentAndZeroesTheRest) {
    HandlePtr handle(NewHandle(8));
    std::memset(handle->data, 0xbd, 8);
    ASSERT_EQ(SetHandleSize(handle.get(), 20), 1);
    EXPECT_EQ(GetHandleSize(handle.get()), 20u);
    for (int k = 0; k < 8; ++k) EXPECT_EQ(bytes(handle.get())[k], 0xbd) << k;
    EXPECT_TRUE(allZero(handle.get(), 8, 20));
}

// Shrinking keeps the leading bytes; growing again must not resurrect the old tail.
TEST_F(Handles, ShrinkingKeepsTheFrontAndRegrowthIsZero) {
    HandlePtr handle(NewHandle(20));
    for (int k = 0; k < 20; ++k) bytes(handle.get())[k] = static_cast<unsigned char>(k + 1);
    ASSERT_EQ(SetHandleSize(handle.get(), 4), 1);
    EXPECT_EQ(GetHandleSize(handle.get()), 4u);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(bytes(handle.get())[k], k + 1);
    ASSERT_EQ(SetHandleSize(handle.get(), 20), 1);
    EXPECT_TRUE(allZero(handle.get(), 4, 20));
}

// Size 0 is a real size: it can be set, and grown from to zero bytes.
TEST_F(Handles, ZeroSizeRoundTrip) {
    HandlePtr handle(NewHandle(0));
    ASSERT_EQ(SetHandleSize(handle.get(), 16), 1);
    EXPECT_TRUE(allZero(handle.get(), 0, 16));
    ASSERT_EQ(SetHandleSize(handle.get(), 0), 1);
    EXPECT_EQ(GetHandleSize(handle.get()), 0u);
}

// Setting the current size must not reallocate (the storage keeps its address) and
// must not allocate at all (an armed failure stays unused).
TEST_F(Handles, SameSizeIsANoOp) {
    HandlePtr handle(NewHandle(12));
    void *before = handle->data;
    tb::failAllocations(0, 1);
    EXPECT_EQ(SetHandleSize(handle.get(), 12), 1);
    EXPECT_EQ(handle->data, before);
    EXPECT_EQ(tb::allocate(1), nullptr) << "the armed failure was not consumed";
}

// Out of memory at either allocation of NewHandle gives null (ASan reports any leak).
TEST_F(Handles, NewHandleFailsCleanly) {
    for (int pass : {0, 1}) {
        SCOPED_TRACE(pass);
        tb::failAllocations(pass, 1);
        EXPECT_EQ(NewHandle(32), nullptr);
    }
    tb::failAllocations(0, 0);
    HandlePtr handle(NewHandle(32));
    EXPECT_NE(handle, nullptr);
}

// A failed resize returns 0 and leaves pointer, size and bytes exactly as they were.
TEST_F(Handles, FailedResizeLeavesHandleUnchanged) {
    HandlePtr handle(NewHandle(8));
    std::memset(handle->data, 0x5a, 8);
    void *before = handle->data;
    for (unsigned newSize : {4u, 4096u}) {
        SCOPED_TRACE(newSize);
        tb::failAllocations(0, 1);
        EXPECT_EQ(SetHandleSize(handle.get(), newSize), 0);
        EXPECT_EQ(handle->data, before);
        EXPECT_EQ(GetHandleSize(handle.get()), 8u);
        for (int k = 0; k < 8; ++k) EXPECT_EQ(bytes(handle.get())[k], 0x5a);
    }
}

TEST_F(Handles, DisposeNullDoesNothing) { DisposeHandle(nullptr); }

// --- Assertions ------------------------------------------------------------------

std::string popupLogPath() {
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    return (std::filesystem::temp_directory_path() /
            (std::string("toolbox-handles-") + test->name() + ".txt"))
        .string();
}

void writePopupToLog(const char *title, const char *text) {
    if (FILE *log = std::fopen(popupLogPath().c_str(), "wb")) {
        std::fprintf(log, "%s|%s", title, text);
        std::fclose(log);
    }
}

class HandlesDeathTest : public ::testing::Test {
protected:
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        std::remove(popupLogPath().c_str());
    }
    void TearDown() override { std::remove(popupLogPath().c_str()); }
    void expectShown(const std::string &message) {
        std::string shown = testing_support::readFile(popupLogPath());
        EXPECT_EQ(shown.rfind("Assert|", 0), 0u) << shown;
        EXPECT_NE(shown.find("\n\n" + message + "\n\n"), std::string::npos) << shown;
        EXPECT_NE(shown.find("of file 'toolbox'"), std::string::npos) << shown;
    }
};

// A null handle must stop the program with the named message, not read through null.
TEST_F(HandlesDeathTest, GetHandleSizeOfNullAsserts) {
    EXPECT_DEATH(
        {
            RTE_SetPopupPresenter(writePopupToLog);
            GetHandleSize(nullptr);
        },
        "");
    expectShown("Parameter 1 to GetHandleSize was NULL.");
}

TEST_F(HandlesDeathTest, SetHandleSizeOfNullAsserts) {
    EXPECT_DEATH(
        {
            RTE_SetPopupPresenter(writePopupToLog);
            SetHandleSize(nullptr, 4);
        },
        "");
    expectShown("Parameter 1 to SetHandleSize was NULL.");
}

}  // namespace
