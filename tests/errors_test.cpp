// Assertions and the break-on-library-errors helper.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "assertion_capture.h"
#include "test_support.h"
#include "toolbox.h"

using testing_support::RecordingPresenter;

namespace {

// Runs DoAssert(0, ...) in a child that must abort and returns what it showed.
std::string shownBy(const char *file, int line, const char *message) {
    return testing_support::assertionShownBy([&] { DoAssert(0, file, line, message); });
}

TEST(Assert, PassingCheckHasNoEffect) {
    RecordingPresenter recorder;
    DoAssert(1, "toolbox", 10, "never shown");
    DoAssert(-3, nullptr, 0, nullptr);
    EXPECT_TRUE(recorder.shown().empty());
}

TEST(AssertDeathTest, NullMessageShowsTheDefaultTextLineAndFile) {
    EXPECT_EQ(shownBy("toolbox", 120, nullptr),
              "Assert|Assert!\n\nProgramming error detected.\n\nThe error was detected on line "
              "120 of file 'toolbox'.\n\nProgram aborting.");
}

TEST(AssertDeathTest, OwnMessageIsShownWhole) {
    std::string message(182 - 3 - 7, 'm');  // the most that fits with line 120 and "toolbox"
    std::string shown = shownBy("toolbox", 120, message.c_str());
    EXPECT_EQ(shown.size(), 7 + 255u);
    EXPECT_NE(shown.find("\n\n" + message + "\n\n"), std::string::npos);
}

// A message too long for the 256-byte text is shortened, never the line or file.
TEST(AssertDeathTest, LongMessageIsShortenedAndMarked) {
    std::string message(400, 'm');
    std::string shown = shownBy("toolbox", 120, message.c_str());
    EXPECT_EQ(shown.size(), 7 + 255u);
    EXPECT_NE(shown.find("m...\n\nThe error was detected on line 120 of file 'toolbox'."
                         "\n\nProgram aborting."),
              std::string::npos)
        << shown;
}

// With a file name that alone overfills the text, the text is cut at the buffer's end.
TEST(AssertDeathTest, HugeFileNameIsCutAtTheEnd) {
    std::string file(300, 'f');
    std::string shown = shownBy(file.c_str(), 5, "short");
    EXPECT_EQ(shown.size(), 7 + 255u);
    EXPECT_EQ(shown.compare(0, 22, "Assert|Assert!\n\nshort\n"), 0);
}

TEST(SetBOLE, ReturnsThePreviousSettingAndLeavesTheNewOne) {
    int found = GetBreakOnLibraryErrors();
    EnableBreakOnLibraryErrors();
    EXPECT_NE(SetBOLE(0), 0);
    EXPECT_EQ(GetBreakOnLibraryErrors(), 0);
    EXPECT_EQ(SetBOLE(0), 0);
    EXPECT_EQ(SetBOLE(1), 0);
    EXPECT_NE(GetBreakOnLibraryErrors(), 0);
    SetBOLE(found);
}

}  // namespace
