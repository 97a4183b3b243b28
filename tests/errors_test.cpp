// Assertions and the break-on-library-errors helper.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "assertion_capture.h"
#include "loop_support.h"
#include "test_support.h"
#include "toolbox.h"

using testing_support::Hook;
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

// ---- Discards that may meet objects already gone ----

// Handles of 0 or below do nothing, and the setting is left as it was, on or off.
TEST(DiscardNoBOLE, NothingForHandlesBelowOne) {
    int found = GetBreakOnLibraryErrors();
    int panel = NewPanel(0, "kept", 0, 0, 50, 50);
    int button = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "b", 0, 0);
    for (int setting : {0, 1}) {
        SetBreakOnLibraryErrors(setting);
        for (int handle : {0, -1}) {
            DiscardCtrlNoBOLE(panel, handle, 1);
            DiscardPanelNoBOLE(handle, 1);
            EXPECT_EQ(GetBreakOnLibraryErrors(), setting);
        }
    }
    int visible = -1;
    EXPECT_EQ(GetCtrlAttribute(panel, button, RTE_ATTR_VISIBLE, &visible), 0);
    EXPECT_EQ(DiscardPanel(panel), 0);
    SetBreakOnLibraryErrors(found);
}

// Objects already discarded, or never made, are neither reported nor change the setting.
TEST(DiscardNoBOLE, GoneObjectsAreNotReported) {
    testing_support::LibraryErrorCounter errors;  // breaking on
    int panel = NewPanel(0, "gone", 0, 0, 50, 50);
    int button = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "b", 0, 0);
    DiscardCtrlNoBOLE(panel, button, 0);
    for (int clear : {0, 1}) {
        DiscardCtrlNoBOLE(panel, button, clear);
        DiscardCtrlNoBOLE(panel, 999, clear);
        DiscardPanelNoBOLE(panel, clear);
        DiscardPanelNoBOLE(panel, clear);
        DiscardCtrlNoBOLE(panel, button, clear);
        DiscardPanelNoBOLE(987654, clear);
    }
    EXPECT_EQ(errors.reports(), 0) << errors.lastFunction();
    EXPECT_EQ(GetBreakOnLibraryErrors(), 1);
}

// Clearing the callback first keeps the discard from the callback; on an object with
// chained callbacks the links still hear it (and are freed), only the callback they
// were chained onto does not.
class DiscardNoBOLEChained : public ::testing::TestWithParam<std::tuple<bool, bool, bool>> {};

TEST_P(DiscardNoBOLEChained, OnlyTheBaseCallbackIsLeftOut) {
    auto [isPanel, clearFirst, withLinks] = GetParam();
    testing_support::Hops hops;
    Hook base = hops.hook("base"), a = hops.hook("A"), b = hops.hook("B");
    int panel = NewPanel(0, "p", 0, 0, 50, 50);
    int button = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "b", 0, 0);
    if (isPanel) {
        ASSERT_EQ(InstallPanelCallback(panel, Hook::onPanel, &base), 0);
        if (withLinks) {
            ASSERT_EQ(ChainPanelCallback(panel, Hook::onPanel, &a, "A"), 0);
            ASSERT_EQ(ChainPanelCallback(panel, Hook::onPanel, &b, "B"), 0);
        }
        DiscardPanelNoBOLE(panel, clearFirst);
    } else {
        ASSERT_EQ(InstallCtrlCallback(panel, button, Hook::onControl, &base), 0);
        if (withLinks) {
            ASSERT_EQ(ChainCtrlCallback(panel, button, Hook::onControl, &a, "A"), 0);
            ASSERT_EQ(ChainCtrlCallback(panel, button, Hook::onControl, &b, "B"), 0);
        }
        DiscardCtrlNoBOLE(panel, button, clearFirst);
    }
    std::vector<std::string> expected;
    if (withLinks) expected = {"B:16", "A:16"};
    if (!clearFirst) expected.push_back("base:16");
    EXPECT_EQ(hops.names(), expected);
    EXPECT_EQ(testing_support::panelLinkCount(panel), 0);
    DiscardPanelNoBOLE(panel, 0);
    testing_support::expectNoLeaks();
}

INSTANTIATE_TEST_SUITE_P(PanelsAndControls, DiscardNoBOLEChained,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool(),
                                            ::testing::Bool()));

}  // namespace
