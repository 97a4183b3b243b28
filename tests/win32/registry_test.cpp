// Registry reading against the real registry: a fixture makes and deletes its own key
// under HKCU\Software. Sentinels (0xdeadbeef) and poisoned buffers (0xbd) show what a
// call left untouched.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "toolbox.h"

namespace {

constexpr unsigned int kCurrentUser = 0x80000001u;
constexpr unsigned int kSentinel = 0xdeadbeefu;
constexpr unsigned char kPoison = 0xbd;

class RegistryRead : public ::testing::Test {
protected:
    void SetUp() override {
        const ::testing::TestInfo *info = ::testing::UnitTest::GetInstance()->current_test_info();
        subkey_ = std::string("Software\\ToolboxTest\\") + info->name() + "-" +
                  std::to_string(GetCurrentProcessId());
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, subkey_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key_, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        RegCloseKey(key_);
        RegDeleteTreeA(HKEY_CURRENT_USER, subkey_.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, subkey_.c_str());
    }

    void set(const char *name, DWORD type, const void *data, DWORD size) {
        ASSERT_EQ(RegSetValueExA(key_, name, 0, type, static_cast<const BYTE *>(data), size),
                  ERROR_SUCCESS);
    }
    void setString(const char *name, const std::string &text) {
        set(name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
    }

    const char *subkey() const { return subkey_.c_str(); }

    std::string subkey_;
    HKEY key_ = nullptr;
};

std::vector<unsigned char> poisoned(size_t size) { return std::vector<unsigned char>(size, kPoison); }

bool allPoisoned(const std::vector<unsigned char> &buffer, size_t from = 0) {
    for (size_t i = from; i < buffer.size(); ++i)
        if (buffer[i] != kPoison) return false;
    return true;
}

// A null buffer asks for the size only: the stored size, terminator included.
TEST_F(RegistryRead, NullBufferGivesTheStoredSize) {
    setString("v", "abc");
    unsigned int size = kSentinel;
    EXPECT_EQ(RegReadString(kCurrentUser, subkey(), "v", nullptr, 0, &size), 0);
    EXPECT_EQ(size, 4u);
    setString("empty", "");
    EXPECT_EQ(RegReadString(kCurrentUser, subkey(), "empty", nullptr, 100, &size), 0);
    EXPECT_EQ(size, 1u);
}

// A buffer of exactly the stored size succeeds and nothing is written behind it.
TEST_F(RegistryRead, ExactBufferSucceedsWithoutOverrun) {
    setString("v", "C:\\Desktop");
    auto buffer = poisoned(32);
    unsigned int size = kSentinel;
    EXPECT_EQ(RegReadString(kCurrentUser, subkey(), "v", buffer.data(), 11, &size), 0);
    EXPECT_EQ(size, 11u);
    EXPECT_STREQ(reinterpret_cast<char *>(buffer.data()), "C:\\Desktop");
    EXPECT_TRUE(allPoisoned(buffer, 11)) << "written past the stored size";
}

// One byte short: -57, buffer untouched, the size needed reported.
TEST_F(RegistryRead, OneByteShortIsRefusedUntouched) {
    setString("v", "C:\\Desktop");
    auto buffer = poisoned(32);
    unsigned int size = kSentinel;
    EXPECT_EQ(RegReadString(kCurrentUser, subkey(), "v", buffer.data(), 10, &size), -57);
    EXPECT_EQ(size, 11u);
    EXPECT_TRUE(allPoisoned(buffer));
    EXPECT_EQ(RegReadString(kCurrentUser, subkey(), "v", buffer.data(), 0, &size), -57);
    EXPECT_TRUE(allPoisoned(buffer));
}

// Missing key and missing value have their own codes and leave outputs untouched.
TEST_F(RegistryRead, MissingKeyAndValue) {
    auto buffer = poisoned(16);
    unsigned int size = kSentinel;
    std::string absent = subkey_ + "\\absent";
    EXPECT_EQ(RegReadString(kCurrentUser, absent.c_str(), "v", buffer.data(), 16, &size),
              TbErrRegKeyMissing);
    EXPECT_EQ(size, kSentinel);
    EXPECT_EQ(RegReadString(kCurrentUser, subkey(), "absent", buffer.data(), 16, &size),
              TbErrRegValueMissing);
    EXPECT_EQ(size, kSentinel);
    EXPECT_TRUE(allPoisoned(buffer));
}

// A root that is no key cannot be opened: the general open failure, not "missing".
TEST_F(RegistryRead, InvalidRootIsAnOpenFailure) {
    auto buffer = poisoned(16);
    unsigned int size = kSentinel;
    EXPECT_EQ(RegReadString(0x12345678u, "Software", "v", buffer.data(), 16, &size),
              TbErrRegKeyOpen);
    EXPECT_EQ(size, kSentinel);
    EXPECT_TRUE(allPoisoned(buffer));
}

// Every type but the plain string is refused, expandable strings included; the size is
// still reported and the buffer untouched.
TEST_F(RegistryRead, OtherTypesAreRefused) {
    const char expandable[] = "%TEMP%\\x";
    DWORD number = 7;
    const char multi[] = "a\0b\0";
    const unsigned char binary[] = {1, 2, 3};
    set("expand", REG_EXPAND_SZ, expandable, sizeof expandable);
    set("dword", REG_DWORD, &number, sizeof number);
    set("multi", REG_MULTI_SZ, multi, sizeof multi);
    set("binary", REG_BINARY, binary, sizeof binary);
    struct Case {
        const char *name;
        unsigned int size;
    } cases[] = {{"expand", sizeof expandable}, {"dword", 4}, {"multi", sizeof multi}, {"binary", 3}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto buffer = poisoned(64);
        unsigned int size = kSentinel;
        EXPECT_EQ(RegReadString(kCurrentUser, subkey(), c.name, buffer.data(), 64, &size),
                  TbErrRegValueType);
        EXPECT_EQ(size, c.size);
        EXPECT_TRUE(allPoisoned(buffer));
        EXPECT_EQ(RegReadString(kCurrentUser, subkey(), c.name, nullptr, 0, &size), TbErrRegValueType);
    }
}

// A null value name reads the key's default value by the same rules.
TEST_F(RegistryRead, NullValueNameReadsTheDefault) {
    auto buffer = poisoned(16);
    unsigned int size = kSentinel;
    EXPECT_EQ(RegReadString(kCurrentUser, subkey(), nullptr, buffer.data(), 16, &size),
              TbErrRegValueMissing);
    EXPECT_TRUE(allPoisoned(buffer));
    setString(nullptr, "default");
    setString("named", "other");
    EXPECT_EQ(RegReadString(kCurrentUser, subkey(), nullptr, buffer.data(), 16, &size), 0);
    EXPECT_EQ(size, 8u);
    EXPECT_STREQ(reinterpret_cast<char *>(buffer.data()), "default");
    EXPECT_EQ(RegReadString(kCurrentUser, subkey(), nullptr, buffer.data(), 7, &size), -57);
}

// Required pointers are checked before anything else, even before a bad root.
TEST_F(RegistryRead, NullRequiredPointers) {
    auto buffer = poisoned(16);
    unsigned int size = kSentinel;
    EXPECT_EQ(RegReadString(kCurrentUser, nullptr, "v", buffer.data(), 16, &size), -65);
    EXPECT_EQ(RegReadString(0x12345678u, nullptr, "v", buffer.data(), 16, &size), -65);
    EXPECT_EQ(size, kSentinel);
    EXPECT_EQ(RegReadString(kCurrentUser, subkey(), "v", buffer.data(), 16, nullptr), -65);
    EXPECT_TRUE(allPoisoned(buffer));
}

// Text stored without a terminator gets one when the buffer has a byte to spare, and
// arrives exactly as stored when it has not; the reported size is the stored size.
// An empty value stored with no bytes at all is such a text.
TEST_F(RegistryRead, TerminatorAddedOnlyWhenThereIsRoom) {
    set("none", REG_SZ, "abc", 0);
    unsigned int size = kSentinel;
    ASSERT_EQ(RegReadString(kCurrentUser, subkey(), "none", nullptr, 0, &size), 0);
    ASSERT_EQ(size, 0u);
    auto roomy = poisoned(8);
    EXPECT_EQ(RegReadString(kCurrentUser, subkey(), "none", roomy.data(), 8, &size), 0);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(roomy[0], 0) << "no terminator added";
    EXPECT_TRUE(allPoisoned(roomy, 1));
    auto noRoom = poisoned(8);
    EXPECT_EQ(RegReadString(kCurrentUser, subkey(), "none", noRoom.data(), 0, &size), 0);
    EXPECT_TRUE(allPoisoned(noRoom)) << "written past a buffer of size 0";
}

// Wide text of an odd byte count reads as 8-bit text without a terminator here.
TEST_F(RegistryRead, UnterminatedTextGetsATerminatorWhenThereIsRoom) {
    const unsigned char wide[] = {'a', 0, 'b', 0, 'c'};
    ASSERT_EQ(RegSetValueExW(key_, L"odd", 0, REG_SZ, wide, sizeof wide), ERROR_SUCCESS);
    unsigned int size = kSentinel;
    ASSERT_EQ(RegReadString(kCurrentUser, subkey(), "odd", nullptr, 0, &size), 0);
    auto probe = poisoned(16);
    ASSERT_EQ(RegReadString(kCurrentUser, subkey(), "odd", probe.data(), size, &size), 0);
    if (size == 0 || probe[size - 1] == 0)
        GTEST_SKIP() << "this system delivers the text terminated (size " << size << ")";
    EXPECT_TRUE(allPoisoned(probe, size)) << "written past the buffer size given";
    auto roomy = poisoned(16);
    EXPECT_EQ(RegReadString(kCurrentUser, subkey(), "odd", roomy.data(), size + 1, &size), 0);
    EXPECT_EQ(std::memcmp(roomy.data(), probe.data(), size), 0);
    EXPECT_EQ(roomy[size], 0) << "no terminator added";
    EXPECT_TRUE(allPoisoned(roomy, size + 1));
}

// Characters are delivered as stored, spaces and backslashes included, and a long
// value reads whole once the buffer is big enough.
TEST_F(RegistryRead, LongValueRoundTrips) {
    std::string text(2000, 'p');
    text += " \\ end";
    setString("long", text);
    std::vector<unsigned char> buffer(text.size() + 1, kPoison);
    unsigned int size = kSentinel;
    EXPECT_EQ(RegReadString(kCurrentUser, subkey(), "long", buffer.data(),
                            static_cast<unsigned int>(buffer.size()), &size),
              0);
    EXPECT_EQ(size, text.size() + 1);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(buffer.data())), text);
}

// The key is closed on every way out: after many failing and succeeding reads, a new
// key handle gets the same value as one opened before them (handle values are reused,
// so leaked handles would push it up).
TEST_F(RegistryRead, NoKeyHandleLeftOpen) {
    setString("v", "x");
    set("n", REG_DWORD, "\1\0\0\0", 4);
    auto probe = [this]() {
        HKEY probeKey = nullptr;
        EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, subkey(), 0, KEY_QUERY_VALUE, &probeKey),
                  ERROR_SUCCESS);
        RegCloseKey(probeKey);
        return reinterpret_cast<ULONG_PTR>(probeKey);
    };
    ULONG_PTR before = probe();
    unsigned char buffer[4];
    unsigned int size = 0;
    for (int i = 0; i < 200; ++i) {
        RegReadString(kCurrentUser, subkey(), "v", buffer, sizeof buffer, &size);
        RegReadString(kCurrentUser, subkey(), "v", buffer, 1, &size);
        RegReadString(kCurrentUser, subkey(), "v", nullptr, 0, &size);
        RegReadString(kCurrentUser, subkey(), "absent", buffer, sizeof buffer, &size);
        RegReadString(kCurrentUser, subkey(), "n", buffer, sizeof buffer, &size);
    }
    ULONG_PTR after = probe();
    EXPECT_LT(after, before + 64) << "before " << before << ", after " << after;
}

}  // namespace
