// The registry family in a program whose ANSI code page is UTF-8 (its manifest says
// so), where one character of a name can take up to four bytes.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "registry_key.h"
#include "toolbox.h"

using testing_support::kCurrentUser;
using testing_support::kPoison;
using testing_support::RegistryKey;

namespace {

std::string utf8(const std::wstring &wide) {
    int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                   0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &out[0], size,
                        nullptr, nullptr);
    return out;
}

class RegistryUtf8 : public RegistryKey {
protected:
    void SetUp() override {
        if (GetACP() != CP_UTF8) GTEST_SKIP() << "the system ignored the program's code page";
        RegistryKey::SetUp();
    }
};

// The longest names the system allows, of three-byte characters, are enumerated whole:
// 16383 characters take 49149 bytes here.
TEST_F(RegistryUtf8, LongestNamesOfWideCharactersAreEnumerated) {
    for (size_t characters : {100u, 11000u, 16383u}) {
        SCOPED_TRACE(characters);
        const std::wstring wide(characters, L'\u20ac');
        ASSERT_EQ(RegSetValueExW(key_, wide.c_str(), 0, REG_SZ,
                                 reinterpret_cast<const BYTE *>(L"x"), 2 * sizeof(wchar_t)),
                  ERROR_SUCCESS);
        const std::string expected = utf8(wide);
        std::vector<char> name(expected.size() + 8, static_cast<char>(kPoison));
        unsigned int length = static_cast<unsigned int>(expected.size());
        ASSERT_EQ(RegEnumerateValue(kCurrentUser, subkey(), 0, name.data(), &length, nullptr,
                                    nullptr, nullptr),
                  0);
        EXPECT_EQ(length, expected.size());
        EXPECT_EQ(std::string(name.data()), expected);
        EXPECT_EQ(static_cast<unsigned char>(name[expected.size() + 1]), kPoison);
        RegDeleteValueW(key_, wide.c_str());
    }
}

}  // namespace
