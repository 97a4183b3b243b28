// The engine's system attributes: the user's decimal symbol from the platform and the
// test override.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

#include "rtengine.h"
#include "test_support.h"

using testing_support::LibraryErrorCounter;

namespace {

int decimalSymbol() {
    int symbol = static_cast<int>(0xdeadbeef);
    EXPECT_EQ(GetSystemAttribute(RTE_ATTR_DECIMAL_SYMBOL, &symbol), 0);
    return symbol;
}

class SystemAttribute : public ::testing::Test {
protected:
    void TearDown() override { RTE_SetDecimalSymbolForTesting(0); }
};

TEST_F(SystemAttribute, BadArgumentsAreReportedAndLeaveTheValue) {
    LibraryErrorCounter counter;
    int value = static_cast<int>(0xdeadbeef);
    EXPECT_EQ(GetSystemAttribute(1451, &value), RTE_UIE_INVALID_ATTRIBUTE);
    EXPECT_EQ(value, static_cast<int>(0xdeadbeef));
    EXPECT_EQ(GetSystemAttribute(RTE_ATTR_DECIMAL_SYMBOL, nullptr), RTE_UIE_NULL_ARGUMENT);
    EXPECT_EQ(counter.reports(), 2);
    EXPECT_EQ(LibraryErrorCounter::lastFunction(), "GetSystemAttribute");
}

// The override wins while set, keeps only the low byte, and 0 gives the platform back.
TEST_F(SystemAttribute, TestOverrideSetsAndRestoresTheSymbol) {
    int platform = decimalSymbol();
    EXPECT_GT(platform, 0);
    EXPECT_LT(platform, 256);
    RTE_SetDecimalSymbolForTesting(',');
    EXPECT_EQ(decimalSymbol(), ',');
    RTE_SetDecimalSymbolForTesting(0x100 + '\'');
    EXPECT_EQ(decimalSymbol(), '\'');
    RTE_SetDecimalSymbolForTesting(0);
    EXPECT_EQ(decimalSymbol(), platform);
}

#ifdef _WIN32
// The symbol of the user's regional settings, as the system reports it.
TEST_F(SystemAttribute, FollowsTheUsersRegionalSettings) {
    char expected[8] = {0};
    ASSERT_GT(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, expected, sizeof expected), 0);
    EXPECT_EQ(decimalSymbol(), expected[1] ? '.' : expected[0]);
}

// A changed user setting is what a program started afterwards reports (the death-test
// child is such a program: on Windows it is a new process).
TEST_F(SystemAttribute, ReportsAChangedRegionalSetting) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\International", 0,
                            KEY_QUERY_VALUE | KEY_SET_VALUE, &key),
              ERROR_SUCCESS);
    char saved[16] = {0};
    DWORD savedSize = sizeof saved - 1;
    bool hadValue = RegQueryValueExA(key, "sDecimal", nullptr, nullptr,
                                     reinterpret_cast<BYTE *>(saved), &savedSize) == ERROR_SUCCESS;
    ASSERT_EQ(RegSetValueExA(key, "sDecimal", 0, REG_SZ, reinterpret_cast<const BYTE *>(";"), 2),
              ERROR_SUCCESS);
    EXPECT_EXIT(std::exit(decimalSymbol()), ::testing::ExitedWithCode(';'), "");
    if (hadValue)
        RegSetValueExA(key, "sDecimal", 0, REG_SZ, reinterpret_cast<const BYTE *>(saved), savedSize);
    else
        RegDeleteValueA(key, "sDecimal");
    RegCloseKey(key);
}
#else
// Reads the locale the environment names, each call afresh, without switching the
// process locale.
class EnvironmentLocale : public SystemAttribute {
protected:
    void SetUp() override {
        const char *found = std::getenv("LC_ALL");
        hadLcAll_ = found != nullptr;
        if (found) saved_ = found;
    }
    void TearDown() override {
        if (hadLcAll_)
            setenv("LC_ALL", saved_.c_str(), 1);
        else
            unsetenv("LC_ALL");
        SystemAttribute::TearDown();
    }
    bool hadLcAll_ = false;
    std::string saved_;
};

TEST_F(EnvironmentLocale, FollowsTheUsersNumericLocale) {
    setenv("LC_ALL", "C", 1);
    EXPECT_EQ(decimalSymbol(), '.');
    const char *commaLocales[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "nl_NL.UTF-8"};
    for (const char *name : commaLocales) {
        locale_t probe = newlocale(LC_NUMERIC_MASK, name, static_cast<locale_t>(0));
        if (probe == static_cast<locale_t>(0)) continue;
        freelocale(probe);
        setenv("LC_ALL", name, 1);
        EXPECT_EQ(decimalSymbol(), ',') << name;
        EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C") << "process locale untouched";
        return;
    }
    GTEST_SKIP() << "no locale with a decimal comma is installed";
}

TEST_F(EnvironmentLocale, UnknownLocaleGivesThePoint) {
    setenv("LC_ALL", "xx_NOWHERE.none", 1);
    EXPECT_EQ(decimalSymbol(), '.');
}
#endif

}  // namespace
