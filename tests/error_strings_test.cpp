// The messages of every error code: dispatch by magnitude, the library table, the
// language-file code and the data-acquisition table with its warnings.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <set>
#include <string>

#include "rtengine.h"
#include "toolbox.h"

namespace {

const std::string kNone = "No description available. ";

TEST(ToolboxErrorString, CodeAndNegationGiveTheSameText) {
    EXPECT_STREQ(GetGeneralErrorString(-5071), "Out of memory");
    EXPECT_STREQ(GetGeneralErrorString(5071), "Out of memory");
    EXPECT_STREQ(GetToolboxErrorString(TbErrFileOpenForReading), "Could Not Open File For Reading");
    EXPECT_STREQ(GetToolboxErrorString(-TbErrMsgCallbackInstalled), "Message-callback already installed.");
    EXPECT_STREQ(GetToolboxErrorString(TbErrOperationInProgress),
                 "Could not perform requested action because of an operation currently in progress");
    EXPECT_STREQ(GetToolboxErrorString(TbErrUnknownSystem), "Unknown system error");
}

TEST(ToolboxErrorString, CodesWithoutEntryHaveNoDescription) {
    EXPECT_EQ(GetGeneralErrorString(-5072), kNone);
    EXPECT_EQ(GetToolboxErrorString(-5000), kNone);
    EXPECT_EQ(GetToolboxErrorString(-5999), kNone);
    EXPECT_EQ(GetToolboxErrorString(0), kNone);
    EXPECT_EQ(GetToolboxErrorString(-12), kNone);
    EXPECT_EQ(GetToolboxErrorString(INT_MIN), kNone);
}

// Each of the 38 library codes has its own text, distinct from the others.
TEST(ToolboxErrorString, EveryLibraryCodeHasItsOwnText) {
    std::set<std::string> texts;
    int described = 0;
    for (int code = -5001; code >= -5099; --code) {
        std::string text = GetToolboxErrorString(code);
        if (text == kNone) continue;
        ++described;
        EXPECT_TRUE(texts.insert(text).second) << code << " repeats " << text;
    }
    EXPECT_EQ(described, 38);
}

// User-interface codes come from the engine, passed through unchanged.
TEST(GeneralErrorString, SmallCodesAreTheEnginesTexts) {
    EXPECT_EQ(GetGeneralErrorString(-12), GetUILErrorString(-12));
    EXPECT_STREQ(GetGeneralErrorString(-12), "Out of memory.");
    EXPECT_EQ(GetGeneralErrorString(-999), GetUILErrorString(-999));
    EXPECT_EQ(GetGeneralErrorString(0), GetUILErrorString(0));
    EXPECT_EQ(GetGeneralErrorString(12), GetUILErrorString(12));
}

TEST(GeneralErrorString, LanguageFileAndUnknownRanges) {
    EXPECT_STREQ(GetGeneralErrorString(-6000), "Invalid or corrupt language file");
    EXPECT_STREQ(GetGeneralErrorString(6000), "Invalid or corrupt language file");
    for (int code : {-1000, -4999, -6001, -7000, -9999, -11000, 11000, INT_MIN, INT_MAX}) {
        SCOPED_TRACE(code);
        EXPECT_EQ(GetGeneralErrorString(code), kNone);
    }
}

TEST(GeneralErrorString, AcquisitionTextsQuotedWhole) {
    EXPECT_STREQ(GetGeneralErrorString(-10001),
                 "syntaxErr: An error was detected in the input string; the arrangement or ordering "
                 "of the characters in the string is not consistent with the expected ordering. ");
    EXPECT_STREQ(GetGeneralErrorString(-10003), "invalidValueErr: The value of a numeric parameter is invalid. ");
    EXPECT_STREQ(GetGeneralErrorString(-10800), "timeOutErr: The operation could not complete within the time limit. ");
    EXPECT_STREQ(GetGeneralErrorString(-10608),
                 "noTransferInProgErr: No transfer is in progress for the specified resource. ");
    EXPECT_STREQ(GetGeneralErrorString(10608),
                 "noTransferInProgWarn: No transfer is in progress for the specified resource. ");
    EXPECT_STREQ(GetGeneralErrorString(10025),
                 "limitsOutOfRangeWarn: The voltage limits are out of range for this device in the "
                 "current configuration.\nAlternate limits were selected. ");
    EXPECT_STREQ(GetGeneralErrorString(-10444),
                 "memFullErr: No more system memory is available on the heap;\n or no more memory is "
                 "available on the device;\n or part of the DMA DAQ buffer is in an invalid DMA region "
                 "(above 16M on AT machine)");
}

// A positive code without a warning of its own falls back to its error's text.
TEST(GeneralErrorString, WarningsFirstThenTheMatchingError) {
    EXPECT_EQ(std::string(GetGeneralErrorString(10609)), GetGeneralErrorString(-10609));
    EXPECT_EQ(std::string(GetGeneralErrorString(10609)).rfind("transferInProgErr: ", 0), 0u);
    EXPECT_EQ(std::string(GetGeneralErrorString(10012)).rfind("badRangeWarn: ", 0), 0u);
    EXPECT_EQ(std::string(GetGeneralErrorString(-10012)).rfind("badRangeErr: ", 0), 0u);
    EXPECT_EQ(std::string(GetGeneralErrorString(-10025)).rfind("limitsOutOfRangeErr: ", 0), 0u);
    EXPECT_EQ(GetGeneralErrorString(-10035), kNone);
    EXPECT_EQ(GetGeneralErrorString(10035), kNone);
    EXPECT_EQ(GetGeneralErrorString(-10000), kNone);
}

// The table has 240 entries, each "name: sentence" ending in a blank (the one quoted
// exception aside), 237 errors named ...Err-like and 3 warnings.
TEST(GeneralErrorString, AcquisitionTableShape) {
    int errors = 0, warnings = 0;
    std::set<std::string> names;
    for (int magnitude = 10000; magnitude <= 10999; ++magnitude) {
        std::string error = GetGeneralErrorString(-magnitude);
        std::string warning = GetGeneralErrorString(magnitude);
        if (error != kNone) {
            ++errors;
            size_t colon = error.find(": ");
            ASSERT_NE(colon, std::string::npos) << magnitude;
            EXPECT_TRUE(names.insert(error.substr(0, colon)).second) << error;
            EXPECT_GT(error.size(), colon + 10) << "a sentence follows the name: " << error;
            if (magnitude != 10444) {
                EXPECT_EQ(error.back(), ' ') << error;
            }
        }
        if (warning != error) {
            ++warnings;
            EXPECT_NE(warning.find("Warn: "), std::string::npos) << warning;
            EXPECT_EQ(warning.back(), ' ');
        }
    }
    EXPECT_EQ(errors, 237);
    EXPECT_EQ(warnings, 3);
}

}  // namespace
