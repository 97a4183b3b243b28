// Runs a call that must fail a library assertion in a death-test child and gives back
// what the child's popup showed, so a test can check the message and not only the
// death. The child writes the popup to a file named after the current test (the name
// is the same in the child, which on Windows is a new process, not a fork).
#ifndef TOOLBOX_ASSERTION_CAPTURE_H
#define TOOLBOX_ASSERTION_CAPTURE_H

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "rtengine.h"
#include "test_support.h"

namespace testing_support {

inline std::string assertionLogPath() {
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    return (std::filesystem::temp_directory_path() /
            (std::string("toolbox-shown-") + test->test_suite_name() + "-" + test->name() + ".txt"))
        .string();
}

inline void writeShownPopup(const char *title, const char *text) {
    if (FILE *log = std::fopen(assertionLogPath().c_str(), "wb")) {
        std::fprintf(log, "%s|%s", title, text);
        std::fclose(log);
    }
}

// "Assert|<whole text>" of the popup the child showed before it died, or "" when it
// showed none.
template <typename Call>
std::string assertionShownBy(Call call) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::string path = assertionLogPath();
    std::remove(path.c_str());
    EXPECT_DEATH(
        {
            RTE_SetPopupPresenter(writeShownPopup);
            call();
        },
        "");
    std::string shown = readFile(path);
    std::remove(path.c_str());
    return shown;
}

}  // namespace testing_support

#endif
