// The registry family against the real registry: a fixture makes and deletes its own
// key under HKCU\Software for every test. Sentinels (0xdeadbeef) and poisoned buffers
// (0xbd) show what a call left untouched; the system's own registry calls and its
// reg.exe are the independent readers of what the library wrote.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <map>
#include <ostream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "registry_key.h"
#include "toolbox.h"
#include "toolbox_internal.h"
#include "win32_commands.h"

using testing_support::allPoisoned;
using testing_support::kCurrentUser;
using testing_support::kPoison;
using testing_support::kSentinel;
using testing_support::poisoned;
using testing_support::RegistryKey;
using testing_support::ValueRewriter;
using testing_support::ValueVersion;

namespace {

class RegistryRead : public RegistryKey {};

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
    ULONG_PTR before = probeHandle();
    unsigned char buffer[4];
    unsigned int size = 0;
    for (int i = 0; i < 200; ++i) {
        RegReadString(kCurrentUser, subkey(), "v", buffer, sizeof buffer, &size);
        RegReadString(kCurrentUser, subkey(), "v", buffer, 1, &size);
        RegReadString(kCurrentUser, subkey(), "v", nullptr, 0, &size);
        RegReadString(kCurrentUser, subkey(), "absent", buffer, sizeof buffer, &size);
        RegReadString(kCurrentUser, subkey(), "n", buffer, sizeof buffer, &size);
    }
    ULONG_PTR after = probeHandle();
    EXPECT_LT(after, before + 64) << "before " << before << ", after " << after;
}

// ---------------------------------------------------------------------------------
// Writing

class RegistryWrite : public RegistryKey {
protected:
    // The class string a key was created with.
    static std::string keyClass(const std::string &path) {
        HKEY probe = nullptr;
        EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &probe),
                  ERROR_SUCCESS);
        char text[64] = "unset";
        DWORD length = sizeof text;
        EXPECT_EQ(RegQueryInfoKeyA(probe, text, &length, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, nullptr, nullptr, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(probe);
        return std::string(text, length);
    }
};

// A written string reads back with its terminator stored: size length + 1, both through
// RegReadString and through the system's own reader.
TEST_F(RegistryWrite, StringIsStoredWithItsTerminator) {
    const char *texts[] = {"hello world", "", "C:\\Users\\x y\\Desktop"};
    for (const char *text : texts) {
        SCOPED_TRACE(text);
        ASSERT_EQ(RegWriteString(kCurrentUser, subkey(), "v", text), 0);
        EXPECT_EQ(rawType("v"), static_cast<DWORD>(REG_SZ));
        std::vector<unsigned char> expected(text, text + std::strlen(text) + 1);
        EXPECT_EQ(rawBytes("v"), expected);
        auto buffer = poisoned(64);
        unsigned int size = kSentinel;
        EXPECT_EQ(RegReadString(kCurrentUser, subkey(), "v", buffer.data(), 64, &size), 0);
        EXPECT_EQ(size, std::strlen(text) + 1);
        EXPECT_STREQ(reinterpret_cast<char *>(buffer.data()), text);
    }
}

// A null value name writes the key's default value, leaving named values alone.
TEST_F(RegistryWrite, NullValueNameWritesTheDefault) {
    setString("named", "keep");
    ASSERT_EQ(RegWriteString(kCurrentUser, subkey(), nullptr, "default"), 0);
    auto buffer = poisoned(16);
    unsigned int size = kSentinel;
    EXPECT_EQ(RegReadString(kCurrentUser, subkey(), nullptr, buffer.data(), 16, &size), 0);
    EXPECT_STREQ(reinterpret_cast<char *>(buffer.data()), "default");
    EXPECT_EQ(RegReadString(kCurrentUser, subkey(), "named", buffer.data(), 16, &size), 0);
    EXPECT_STREQ(reinterpret_cast<char *>(buffer.data()), "keep");
}

// Writers create every missing level; string writers give new keys the class
// "DfltClass", the binary and number writers the empty class.
TEST_F(RegistryWrite, WritersCreateMissingKeysWithTheirClass) {
    const std::string strings = below("a\\b"), array = below("c"), binary = below("d\\e"),
                      number = below("f");
    const char *names[] = {"x"};
    const char *values[] = {"1"};
    const unsigned char bytes[] = {1};
    ASSERT_EQ(RegWriteString(kCurrentUser, strings.c_str(), "x", "1"), 0);
    ASSERT_EQ(RegWriteStringArray(kCurrentUser, array.c_str(), 1, names, values), 0);
    ASSERT_EQ(RegWriteBinary(kCurrentUser, binary.c_str(), "x", bytes, 1), 0);
    ASSERT_EQ(RegWriteULong(kCurrentUser, number.c_str(), "x", 1, 0), 0);
    EXPECT_EQ(keyClass(strings), "DfltClass");
    EXPECT_EQ(keyClass(array), "DfltClass");
    EXPECT_EQ(keyClass(binary), "");
    EXPECT_EQ(keyClass(number), "");
    // An existing key is opened, not replaced: its values stay.
    ASSERT_EQ(RegWriteString(kCurrentUser, strings.c_str(), "y", "2"), 0);
    unsigned int size = 0;
    EXPECT_EQ(RegReadString(kCurrentUser, strings.c_str(), "x", nullptr, 0, &size), 0);
}

// Null required pointers give -65 before anything is created.
TEST_F(RegistryWrite, NullRequiredPointersCreateNothing) {
    const std::string fresh = below("fresh");
    const unsigned char bytes[] = {1};
    const char *names[] = {"x"};
    const char *values[] = {"1"};
    EXPECT_EQ(RegWriteString(kCurrentUser, nullptr, "v", "s"), -65);
    EXPECT_EQ(RegWriteString(kCurrentUser, fresh.c_str(), "v", nullptr), -65);
    EXPECT_EQ(RegWriteStringArray(kCurrentUser, nullptr, 1, names, values), -65);
    EXPECT_EQ(RegWriteStringArray(kCurrentUser, fresh.c_str(), 1, nullptr, values), -65);
    EXPECT_EQ(RegWriteStringArray(kCurrentUser, fresh.c_str(), 1, names, nullptr), -65);
    EXPECT_EQ(RegWriteBinary(kCurrentUser, nullptr, "v", bytes, 1), -65);
    EXPECT_EQ(RegWriteBinary(kCurrentUser, fresh.c_str(), nullptr, bytes, 1), -65);
    EXPECT_EQ(RegWriteBinary(kCurrentUser, fresh.c_str(), "v", nullptr, 1), -65);
    EXPECT_EQ(RegWriteULong(kCurrentUser, nullptr, "v", 1, 0), -65);
    EXPECT_EQ(RegWriteULong(kCurrentUser, fresh.c_str(), nullptr, 1, 0), -65);
    EXPECT_FALSE(keyExists(fresh));
}

// A root that is no key cannot be created or opened for writing.
TEST_F(RegistryWrite, InvalidRootIsAKeyOpenFailure) {
    const unsigned char bytes[] = {1};
    const char *names[] = {"x"};
    const char *values[] = {"1"};
    EXPECT_EQ(RegWriteString(0x12345678u, "Software", "v", "s"), TbErrRegKeyOpen);
    EXPECT_EQ(RegWriteStringArray(0x12345678u, "Software", 1, names, values), TbErrRegKeyOpen);
    EXPECT_EQ(RegWriteBinary(0x12345678u, "Software", "v", bytes, 1), TbErrRegKeyOpen);
    EXPECT_EQ(RegWriteULong(0x12345678u, "Software", "v", 1, 0), TbErrRegKeyOpen);
}

// A value the system refuses to store is reported, not taken for success: names
// longer than the system allows.
TEST_F(RegistryWrite, RefusedValueIsReported) {
    const std::string tooLong(20000, 'n');
    const unsigned char bytes[] = {1};
    HKEY probe = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, subkey(), 0, KEY_SET_VALUE, &probe), ERROR_SUCCESS);
    LONG direct = RegSetValueExA(probe, tooLong.c_str(), 0, REG_BINARY, bytes, 1);
    RegCloseKey(probe);
    if (direct == ERROR_SUCCESS) GTEST_SKIP() << "this system stores names of any length";
    EXPECT_EQ(RegWriteString(kCurrentUser, subkey(), tooLong.c_str(), "s"), TbErrRegValueSet);
    EXPECT_EQ(RegWriteBinary(kCurrentUser, subkey(), tooLong.c_str(), bytes, 1), TbErrRegValueSet);
    EXPECT_EQ(RegWriteULong(kCurrentUser, subkey(), tooLong.c_str(), 1, 0), TbErrRegValueSet);
}

// ---------------------------------------------------------------------------------
// String arrays

// Every pair is stored, a null name as the default value.
TEST_F(RegistryWrite, StringArrayStoresEveryPair) {
    const char *names[] = {"one", "two", nullptr};
    const char *values[] = {"1", "zwei", "default"};
    ASSERT_EQ(RegWriteStringArray(kCurrentUser, subkey(), 3, names, values), 0);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rawType(names[i]), static_cast<DWORD>(REG_SZ));
        std::vector<unsigned char> expected(values[i], values[i] + std::strlen(values[i]) + 1);
        EXPECT_EQ(rawBytes(names[i]), expected);
    }
}

// A null string stops the loop with -65: the values before it stay, none after it is
// written. Only `count` elements are looked at.
TEST_F(RegistryWrite, StringArrayStopsAtANullString) {
    const char *names[] = {"first", "second", "third"};
    const char *values[] = {"1", nullptr, "3"};
    EXPECT_EQ(RegWriteStringArray(kCurrentUser, subkey(), 3, names, values), -65);
    EXPECT_TRUE(valueExists("first"));
    EXPECT_FALSE(valueExists("second"));
    EXPECT_FALSE(valueExists("third"));
    EXPECT_EQ(RegWriteStringArray(kCurrentUser, subkey(), 1, names + 2, values + 2), 0);
    EXPECT_TRUE(valueExists("third"));
    EXPECT_EQ(RegWriteStringArray(kCurrentUser, subkey(), 1, names, values), 0);
}

// A count below 1 gives -14 and creates nothing; null arrays are checked first.
TEST_F(RegistryWrite, StringArrayCountBelowOne) {
    const std::string fresh = below("fresh");
    const char *names[] = {"x"};
    const char *values[] = {"1"};
    EXPECT_EQ(RegWriteStringArray(kCurrentUser, fresh.c_str(), 0, names, values), -14);
    EXPECT_EQ(RegWriteStringArray(kCurrentUser, fresh.c_str(), -1, names, values), -14);
    EXPECT_EQ(RegWriteStringArray(kCurrentUser, fresh.c_str(), 0, nullptr, values), -65);
    EXPECT_EQ(RegWriteStringArray(kCurrentUser, fresh.c_str(), 0, names, nullptr), -65);
    EXPECT_FALSE(keyExists(fresh));
}

// ---------------------------------------------------------------------------------
// Binary values

class RegistryBinary : public RegistryKey, public ::testing::WithParamInterface<unsigned int> {};

// Every size round-trips: the exact buffer is filled and nothing behind it touched;
// one byte less is refused with the buffer untouched; a null buffer asks the size.
TEST_P(RegistryBinary, RoundTripsAtEverySize) {
    const unsigned int size = GetParam();
    std::vector<unsigned char> data(size);
    for (unsigned int i = 0; i < size; ++i) data[i] = static_cast<unsigned char>(i * 7 + 1);
    const unsigned char none = 0;
    ASSERT_EQ(RegWriteBinary(kCurrentUser, subkey(), "bin", size ? data.data() : &none, size), 0);
    EXPECT_EQ(rawType("bin"), static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(rawBytes("bin"), data);

    unsigned int realSize = kSentinel;
    EXPECT_EQ(RegReadBinary(kCurrentUser, subkey(), "bin", nullptr, 0, &realSize), 0);
    EXPECT_EQ(realSize, size);

    auto buffer = poisoned(size + 16);
    realSize = kSentinel;
    EXPECT_EQ(RegReadBinary(kCurrentUser, subkey(), "bin", buffer.data(), size, &realSize), 0);
    EXPECT_EQ(realSize, size);
    EXPECT_EQ(std::vector<unsigned char>(buffer.begin(), buffer.begin() + size), data);
    EXPECT_TRUE(allPoisoned(buffer, size)) << "written past the stored size";

    if (size == 0) return;
    auto shortBuffer = poisoned(size + 16);
    realSize = kSentinel;
    EXPECT_EQ(RegReadBinary(kCurrentUser, subkey(), "bin", shortBuffer.data(), size - 1, &realSize),
              -57);
    EXPECT_EQ(realSize, size);
    EXPECT_TRUE(allPoisoned(shortBuffer));
}

INSTANTIATE_TEST_SUITE_P(Sizes, RegistryBinary, ::testing::Values(0u, 1u, 3u, 4u, 260u, 4096u));

// Binary reads refuse other types, missing values and keys, and null required pointers,
// leaving the buffer untouched.
TEST_F(RegistryRead, BinaryReadFailures) {
    setString("text", "abc");
    auto buffer = poisoned(16);
    unsigned int size = kSentinel;
    EXPECT_EQ(RegReadBinary(kCurrentUser, subkey(), "text", buffer.data(), 16, &size),
              TbErrRegValueType);
    EXPECT_EQ(size, 4u) << "the stored size is still reported";
    size = kSentinel;
    EXPECT_EQ(RegReadBinary(kCurrentUser, subkey(), "absent", buffer.data(), 16, &size),
              TbErrRegValueMissing);
    EXPECT_EQ(RegReadBinary(kCurrentUser, below("absent").c_str(), "v", buffer.data(), 16, &size),
              TbErrRegKeyMissing);
    EXPECT_EQ(size, kSentinel);
    EXPECT_EQ(RegReadBinary(kCurrentUser, nullptr, "v", buffer.data(), 16, &size), -65);
    EXPECT_EQ(RegReadBinary(kCurrentUser, subkey(), nullptr, buffer.data(), 16, &size), -65);
    EXPECT_EQ(RegReadBinary(kCurrentUser, subkey(), "text", buffer.data(), 16, nullptr), -65);
    EXPECT_EQ(size, kSentinel);
    EXPECT_TRUE(allPoisoned(buffer));
}

// ---------------------------------------------------------------------------------
// Numbers

class RegistryNumber
    : public RegistryKey,
      public ::testing::WithParamInterface<std::tuple<unsigned int, int>> {};

// Both number types hold the four bytes in memory order (no swapping either way) and
// read back unchanged with the same flag; the other flag refuses the value untouched.
TEST_P(RegistryNumber, RoundTripsInMemoryOrder) {
    const unsigned int value = std::get<0>(GetParam());
    const int bigEndian = std::get<1>(GetParam());
    ASSERT_EQ(RegWriteULong(kCurrentUser, subkey(), "n", value, bigEndian), 0);
    EXPECT_EQ(rawType("n"), static_cast<DWORD>(bigEndian ? REG_DWORD_BIG_ENDIAN : REG_DWORD));
    std::vector<unsigned char> memoryOrder(4);
    std::memcpy(memoryOrder.data(), &value, 4);
    EXPECT_EQ(rawBytes("n"), memoryOrder);

    unsigned int read = value ^ 0x5a5a5a5au;
    EXPECT_EQ(RegReadULong(kCurrentUser, subkey(), "n", &read, bigEndian), 0);
    EXPECT_EQ(read, value);
    unsigned int untouched = kSentinel;
    EXPECT_EQ(RegReadULong(kCurrentUser, subkey(), "n", &untouched, !bigEndian), TbErrRegValueType);
    EXPECT_EQ(untouched, kSentinel);
}

INSTANTIATE_TEST_SUITE_P(ValuesAndFlags, RegistryNumber,
                         ::testing::Combine(::testing::Values(0u, 1u, 0x12345678u, 0x80000000u,
                                                              0xffffffffu),
                                            ::testing::Values(0, 1)));

// Any nonzero flag means the big-endian type, for writing and for reading.
TEST_F(RegistryWrite, AnyNonzeroFlagIsBigEndian) {
    ASSERT_EQ(RegWriteULong(kCurrentUser, subkey(), "n", 42, -7), 0);
    EXPECT_EQ(rawType("n"), static_cast<DWORD>(REG_DWORD_BIG_ENDIAN));
    unsigned int read = 0;
    EXPECT_EQ(RegReadULong(kCurrentUser, subkey(), "n", &read, 2), 0);
    EXPECT_EQ(read, 42u);
}

// A stored number whose data is not four bytes never reaches the caller's variable:
// longer gives -57, shorter the read failure. Both are written with the raw API.
TEST_F(RegistryRead, NumberOfTheWrongSizeLeavesTheVariableAlone) {
    struct Guarded {
        unsigned int value;
        unsigned char behind[8];
    };
    const unsigned char eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    set("long", REG_DWORD, eight, 8);
    set("longBig", REG_DWORD_BIG_ENDIAN, eight, 8);
    set("short", REG_DWORD, eight, 2);
    set("empty", REG_DWORD, eight, 0);
    struct Case {
        const char *name;
        int bigEndian;
        int expected;
    } cases[] = {{"long", 0, -57}, {"longBig", 1, -57}, {"short", 0, TbErrRegValueAccess},
                 {"empty", 0, TbErrRegValueAccess}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Guarded guarded;
        guarded.value = kSentinel;
        std::memset(guarded.behind, kPoison, sizeof guarded.behind);
        EXPECT_EQ(RegReadULong(kCurrentUser, subkey(), c.name, &guarded.value, c.bigEndian),
                  c.expected);
        EXPECT_EQ(guarded.value, kSentinel);
        for (unsigned char b : guarded.behind) EXPECT_EQ(b, kPoison);
    }
}

// Number reads refuse every other type (a 64-bit number included), missing values and
// keys, and null required pointers, leaving the variable untouched.
TEST_F(RegistryRead, NumberReadFailures) {
    const unsigned char qword[8] = {1, 0, 0, 0, 0, 0, 0, 0};
    set("qword", REG_QWORD, qword, 8);
    set("binary", REG_BINARY, qword, 4);
    setString("text", "123");
    unsigned int value = kSentinel;
    EXPECT_EQ(RegReadULong(kCurrentUser, subkey(), "qword", &value, 0), TbErrRegValueType);
    EXPECT_EQ(RegReadULong(kCurrentUser, subkey(), "binary", &value, 0), TbErrRegValueType);
    EXPECT_EQ(RegReadULong(kCurrentUser, subkey(), "text", &value, 1), TbErrRegValueType);
    EXPECT_EQ(RegReadULong(kCurrentUser, subkey(), "absent", &value, 0), TbErrRegValueMissing);
    EXPECT_EQ(RegReadULong(kCurrentUser, below("absent").c_str(), "n", &value, 0),
              TbErrRegKeyMissing);
    EXPECT_EQ(RegReadULong(0x12345678u, "Software", "n", &value, 0), TbErrRegKeyOpen);
    EXPECT_EQ(RegReadULong(kCurrentUser, nullptr, "n", &value, 0), -65);
    EXPECT_EQ(RegReadULong(kCurrentUser, subkey(), nullptr, &value, 0), -65);
    EXPECT_EQ(RegReadULong(kCurrentUser, subkey(), "qword", nullptr, 0), -65);
    EXPECT_EQ(value, kSentinel);
}

// ---------------------------------------------------------------------------------
// Key information

// Counts and maxima as the system has them: names in characters without terminator,
// data in bytes (the binary value is the largest: the system may count strings in wide
// characters); subkeys' own values do not count.
TEST_F(RegistryRead, KeyInformation) {
    HKEY child = nullptr;
    ASSERT_EQ(RegCreateKeyExA(key_, "a", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
              ERROR_SUCCESS);
    const unsigned char big[300] = {};
    ASSERT_EQ(RegSetValueExA(child, "inside the child", 0, REG_BINARY, big, sizeof big),
              ERROR_SUCCESS);
    RegCloseKey(child);
    ASSERT_EQ(RegCreateKeyExA(key_, "abcdefg", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child,
                              nullptr),
              ERROR_SUCCESS);
    RegCloseKey(child);
    setString("v", "x");
    setString("longest name", "0123456789");
    set("bin", REG_BINARY, big, 40);

    unsigned int subkeys = kSentinel, values = kSentinel, subkeyName = kSentinel,
                 valueName = kSentinel, data = kSentinel;
    ASSERT_EQ(RegQueryInfoOnKey(kCurrentUser, subkey(), &subkeys, &values, &subkeyName,
                                &valueName, &data),
              0);
    EXPECT_EQ(subkeys, 2u);
    EXPECT_EQ(values, 3u);
    EXPECT_EQ(subkeyName, 7u);
    EXPECT_EQ(valueName, 12u);
    EXPECT_EQ(data, 40u);

    // Each output is optional.
    unsigned int only = kSentinel;
    EXPECT_EQ(RegQueryInfoOnKey(kCurrentUser, subkey(), nullptr, nullptr, nullptr, &only, nullptr), 0);
    EXPECT_EQ(only, 12u);
    EXPECT_EQ(RegQueryInfoOnKey(kCurrentUser, subkey(), nullptr, nullptr, nullptr, nullptr, nullptr), 0);
}

// An empty key reports zeros; a missing key, a bad root and a null subkey fail with
// every output untouched.
TEST_F(RegistryRead, KeyInformationOfEmptyAndMissingKeys) {
    unsigned int out[5];
    for (unsigned int &o : out) o = kSentinel;
    ASSERT_EQ(RegQueryInfoOnKey(kCurrentUser, subkey(), &out[0], &out[1], &out[2], &out[3], &out[4]), 0);
    for (unsigned int o : out) EXPECT_EQ(o, 0u);

    for (unsigned int &o : out) o = kSentinel;
    EXPECT_EQ(RegQueryInfoOnKey(kCurrentUser, below("absent").c_str(), &out[0], &out[1], &out[2],
                                &out[3], &out[4]),
              TbErrRegKeyMissing);
    EXPECT_EQ(RegQueryInfoOnKey(0x12345678u, "Software", &out[0], &out[1], &out[2], &out[3], &out[4]),
              TbErrRegKeyOpen);
    EXPECT_EQ(RegQueryInfoOnKey(kCurrentUser, nullptr, &out[0], &out[1], &out[2], &out[3], &out[4]),
              -65);
    for (unsigned int o : out) EXPECT_EQ(o, kSentinel);
}

// ---------------------------------------------------------------------------------
// Enumeration

struct Expected {
    DWORD type;
    std::vector<unsigned char> data;
};

class RegistryEnumerate : public RegistryKey {
protected:
    void SetUp() override {
        RegistryKey::SetUp();
        add("alpha", REG_SZ, std::string("first\0", 6));
        add("b", REG_BINARY, std::string("\x01\x00\xfe\xff", 4));
        add("number", REG_DWORD, std::string("\x78\x56\x34\x12", 4));
        add("", REG_SZ, std::string("default\0", 8));
        add("nothing", REG_BINARY, std::string());
    }
    void add(const std::string &name, DWORD type, const std::string &bytes) {
        set(name.c_str(), type, bytes.data(), static_cast<DWORD>(bytes.size()));
        expected_[name] = Expected{type, std::vector<unsigned char>(bytes.begin(), bytes.end())};
    }
    std::map<std::string, Expected> expected_;
};

// Every index gives one of the values with its name, length, type and data (the order
// is the system's); each value appears once; past the last index the read fails.
TEST_F(RegistryEnumerate, EveryIndexGivesOneValue) {
    std::map<std::string, int> seen;
    const int count = static_cast<int>(expected_.size());
    for (int index = 0; index < count; ++index) {
        SCOPED_TRACE(index);
        char name[64];
        std::memset(name, kPoison, sizeof name);
        unsigned int nameLength = 63;
        auto data = poisoned(64);
        unsigned int dataSize = 64;
        int type = static_cast<int>(kSentinel);
        ASSERT_EQ(RegEnumerateValue(kCurrentUser, subkey(), index, name, &nameLength, data.data(),
                                    &dataSize, &type),
                  0);
        const std::string found(name);
        ASSERT_EQ(expected_.count(found), 1u) << "unexpected name " << found;
        const Expected &want = expected_[found];
        EXPECT_EQ(nameLength, found.size());
        EXPECT_EQ(static_cast<DWORD>(type), want.type);
        EXPECT_EQ(dataSize, want.data.size());
        EXPECT_EQ(std::vector<unsigned char>(data.begin(), data.begin() + dataSize), want.data);
        EXPECT_TRUE(allPoisoned(data, dataSize));
        ++seen[found];
    }
    EXPECT_EQ(seen.size(), expected_.size());

    char name[8];
    unsigned int nameLength = 7, dataSize = kSentinel;
    int type = static_cast<int>(kSentinel);
    EXPECT_EQ(RegEnumerateValue(kCurrentUser, subkey(), count, name, &nameLength, nullptr,
                                &dataSize, &type),
              TbErrRegValueAccess);
    EXPECT_EQ(RegEnumerateValue(kCurrentUser, subkey(), -1, name, &nameLength, nullptr, &dataSize,
                                &type),
              TbErrRegValueAccess);
    EXPECT_EQ(nameLength, 7u);
    EXPECT_EQ(dataSize, kSentinel);
    EXPECT_EQ(type, static_cast<int>(kSentinel));
}

// With null buffers the lengths alone are reported, and the same lengths as with
// buffers; every pointer may be null.
TEST_F(RegistryEnumerate, NullBuffersReportTheLengths) {
    for (int index = 0; index < static_cast<int>(expected_.size()); ++index) {
        SCOPED_TRACE(index);
        char name[64];
        unsigned int nameLength = 63;
        int type = 0;
        ASSERT_EQ(RegEnumerateValue(kCurrentUser, subkey(), index, name, &nameLength, nullptr,
                                    nullptr, &type),
                  0);
        unsigned int lengthOnly = kSentinel, sizeOnly = kSentinel;
        EXPECT_EQ(RegEnumerateValue(kCurrentUser, subkey(), index, nullptr, &lengthOnly, nullptr,
                                    &sizeOnly, nullptr),
                  0);
        EXPECT_EQ(lengthOnly, nameLength);
        EXPECT_EQ(sizeOnly, expected_[name].data.size());
        EXPECT_EQ(RegEnumerateValue(kCurrentUser, subkey(), index, nullptr, nullptr, nullptr,
                                    nullptr, nullptr),
                  0);
    }
}

// A name capacity one short of the name gives -57 with the needed length stored and
// nothing copied; the exact capacity writes the name and its terminator and not one
// byte more.
TEST_F(RegistryEnumerate, NameBufferNeedsCapacityPlusOne) {
    for (int index = 0; index < static_cast<int>(expected_.size()); ++index) {
        unsigned int length = 0;
        ASSERT_EQ(RegEnumerateValue(kCurrentUser, subkey(), index, nullptr, &length, nullptr,
                                    nullptr, nullptr),
                  0);
        SCOPED_TRACE(length);
        if (length > 0) {
            std::vector<char> name(length + 16, static_cast<char>(kPoison));
            unsigned int capacity = length - 1;
            auto data = poisoned(16);
            unsigned int dataSize = 16;
            EXPECT_EQ(RegEnumerateValue(kCurrentUser, subkey(), index, name.data(), &capacity,
                                        data.data(), &dataSize, nullptr),
                      -57);
            EXPECT_EQ(capacity, length);
            for (char c : name) EXPECT_EQ(static_cast<unsigned char>(c), kPoison);
            EXPECT_TRUE(allPoisoned(data)) << "data copied although the name did not fit";
        }
        std::vector<char> name(length + 16, static_cast<char>(kPoison));
        unsigned int capacity = length;
        EXPECT_EQ(RegEnumerateValue(kCurrentUser, subkey(), index, name.data(), &capacity, nullptr,
                                    nullptr, nullptr),
                  0);
        EXPECT_EQ(name[length], '\0');
        EXPECT_EQ(std::strlen(name.data()), length);
        for (size_t i = length + 1; i < name.size(); ++i)
            EXPECT_EQ(static_cast<unsigned char>(name[i]), kPoison) << "byte " << i;
    }
}

// A data capacity one short gives -57 with the size stored and the buffers untouched;
// a value with no data succeeds with a buffer of no room.
TEST_F(RegistryEnumerate, ShortDataBuffer) {
    for (int index = 0; index < static_cast<int>(expected_.size()); ++index) {
        char probeName[64];
        unsigned int probeLength = 63, size = 0;
        ASSERT_EQ(RegEnumerateValue(kCurrentUser, subkey(), index, probeName, &probeLength,
                                    nullptr, &size, nullptr),
                  0);
        SCOPED_TRACE(probeName);
        std::vector<char> name(80, static_cast<char>(kPoison));
        unsigned int nameLength = 63;
        auto data = poisoned(size + 16);
        unsigned int dataSize = size == 0 ? 0 : size - 1;
        int type = static_cast<int>(kSentinel);
        int result = RegEnumerateValue(kCurrentUser, subkey(), index, name.data(), &nameLength,
                                       data.data(), &dataSize, &type);
        if (size == 0) {
            EXPECT_EQ(result, 0);
            EXPECT_STREQ(name.data(), probeName);
            EXPECT_TRUE(allPoisoned(data));
            continue;
        }
        EXPECT_EQ(result, -57);
        EXPECT_EQ(dataSize, size);
        EXPECT_EQ(nameLength, probeLength);
        EXPECT_EQ(type, static_cast<int>(kSentinel));
        EXPECT_TRUE(allPoisoned(data));
        for (char c : name) EXPECT_EQ(static_cast<unsigned char>(c), kPoison);
    }
}

// A buffer without its length pointer is refused before anything is opened; so is a
// null subkey. A missing key has its own code.
TEST_F(RegistryEnumerate, NullPointersAndMissingKey) {
    char name[16];
    unsigned char data[16];
    unsigned int length = 15, size = 16;
    EXPECT_EQ(RegEnumerateValue(kCurrentUser, nullptr, 0, name, &length, data, &size, nullptr), -65);
    EXPECT_EQ(RegEnumerateValue(kCurrentUser, subkey(), 0, name, nullptr, data, &size, nullptr), -65);
    EXPECT_EQ(RegEnumerateValue(kCurrentUser, subkey(), 0, name, &length, data, nullptr, nullptr), -65);
    EXPECT_EQ(RegEnumerateValue(0x12345678u, "Software", 0, name, nullptr, nullptr, nullptr, nullptr),
              -65);
    EXPECT_EQ(length, 15u);
    EXPECT_EQ(size, 16u);
    EXPECT_EQ(RegEnumerateValue(kCurrentUser, below("absent").c_str(), 0, name, &length, data,
                                &size, nullptr),
              TbErrRegKeyMissing);
    EXPECT_EQ(RegEnumerateValue(0x12345678u, "Software", 0, name, &length, data, &size, nullptr),
              TbErrRegKeyOpen);
    EXPECT_EQ(length, 15u);
    EXPECT_EQ(size, 16u);
}

// Types 0 to 10 are reported as they are, any higher code (a 64-bit number, an
// application's own) as 0.
TEST_F(RegistryRead, EnumeratedTypesAboveTenAreReportedAsNone) {
    const unsigned char bytes[8] = {};
    const struct {
        const char *name;
        DWORD stored;
        int reported;
    } cases[] = {{"none", REG_NONE, 0},     {"expand", REG_EXPAND_SZ, 2},
                 {"link", REG_LINK, 6},     {"multi", REG_MULTI_SZ, 7},
                 {"reqs", 10, 10},          {"qword", REG_QWORD, 0},
                 {"own", 0x1234, 0}};
    for (const auto &c : cases) set(c.name, c.stored, bytes, sizeof bytes);
    for (int index = 0; index < 7; ++index) {
        char name[16];
        unsigned int length = 15;
        int type = static_cast<int>(kSentinel);
        ASSERT_EQ(RegEnumerateValue(kCurrentUser, subkey(), index, name, &length, nullptr, nullptr,
                                    &type),
                  0);
        for (const auto &c : cases)
            if (std::strcmp(c.name, name) == 0) {
                EXPECT_EQ(type, c.reported) << name;
            }
    }
}

// A name longer than the private buffer's usual room is still enumerated whole.
TEST_F(RegistryRead, LongValueNamesAreEnumerated) {
    const std::string longName(1000, 'L');
    setString(longName.c_str(), "long");
    std::vector<char> name(longName.size() + 8, static_cast<char>(kPoison));
    unsigned int length = static_cast<unsigned int>(longName.size());
    auto data = poisoned(8);
    unsigned int size = 8;
    ASSERT_EQ(RegEnumerateValue(kCurrentUser, subkey(), 0, name.data(), &length, data.data(), &size,
                                nullptr),
              0);
    EXPECT_EQ(length, longName.size());
    EXPECT_EQ(std::string(name.data()), longName);
    EXPECT_EQ(size, 5u);
    EXPECT_STREQ(reinterpret_cast<char *>(data.data()), "long");
    EXPECT_EQ(static_cast<unsigned char>(name[longName.size() + 1]), kPoison);
    unsigned int longest = 0;
    EXPECT_EQ(RegQueryInfoOnKey(kCurrentUser, subkey(), nullptr, nullptr, nullptr, &longest, nullptr),
              0);
    EXPECT_EQ(longest, longName.size());
}

// When the room for a long name cannot be had, the enumeration says so and copies
// nothing; short names need no allocation at all.
TEST_F(RegistryRead, LongNameWithoutMemoryIsRefusedCleanly) {
    const std::string longName(400, 'M');
    setString(longName.c_str(), "x");
    std::vector<char> name(longName.size() + 8, static_cast<char>(kPoison));
    unsigned int length = static_cast<unsigned int>(longName.size());
    tb::failAllocations(0, 1);
    int result = RegEnumerateValue(kCurrentUser, subkey(), 0, name.data(), &length, nullptr,
                                   nullptr, nullptr);
    tb::failAllocations(0, 0);
    EXPECT_EQ(result, TbErrOutOfMemory);
    for (char c : name) EXPECT_EQ(static_cast<unsigned char>(c), kPoison);

    RegDeleteValueA(key_, longName.c_str());
    setString("short", "x");
    tb::failAllocations(0, 1);
    length = 5;
    result = RegEnumerateValue(kCurrentUser, subkey(), 0, name.data(), &length, nullptr, nullptr,
                               nullptr);
    tb::failAllocations(0, 0);
    EXPECT_EQ(result, 0);
    EXPECT_STREQ(name.data(), "short");
}

// The scratch block a read goes through: values above 256 bytes need the heap, and
// without it the read fails with the buffer untouched; smaller ones need no allocation.
TEST_F(RegistryRead, ReadsWithoutScratchMemoryLeaveTheBuffer) {
    const std::string large(300, 'L');
    setString("large", large);
    set("binary", REG_BINARY, large.data(), 300);
    setString("small", "s");
    struct Case {
        const char *name;
        int (*read)(unsigned int, const char *, const char *, unsigned char *, unsigned int,
                    unsigned int *);
        int code;
    } cases[] = {{"large", RegReadString, TbErrOutOfMemory},
                 {"binary", RegReadBinary, TbErrOutOfMemory},
                 {"small", RegReadString, 0}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto buffer = poisoned(400);
        unsigned int size = kSentinel;
        tb::failAllocations(0, 1);
        int result = c.read(kCurrentUser, subkey(), c.name, buffer.data(), 400, &size);
        tb::failAllocations(0, 0);
        EXPECT_EQ(result, c.code);
        EXPECT_EQ(allPoisoned(buffer), c.code != 0);
    }
}

// Readers while another thread keeps rewriting the value between their two steps (the
// scheduler decides which reads the change falls between; the laws hold for all):
// a read that succeeds delivers exactly one version, its size the size of the data
// delivered; a read that fails leaves the buffer untouched. Enumeration promises only
// the first.
struct ChangingCase {
    const char *name;
    int (*read)(const char *subkey, unsigned char *buffer, unsigned int *size);
    DWORD wanted;
    std::vector<ValueVersion> versions;
    bool untouchedOnFailure;
};

int readString(const char *subkey, unsigned char *buffer, unsigned int *size) {
    return RegReadString(kCurrentUser, subkey, "v", buffer, *size, size);
}
int readBinary(const char *subkey, unsigned char *buffer, unsigned int *size) {
    return RegReadBinary(kCurrentUser, subkey, "v", buffer, *size, size);
}
int enumerate(const char *subkey, unsigned char *buffer, unsigned int *size) {
    char name[8];
    unsigned int length = 7;
    return RegEnumerateValue(kCurrentUser, subkey, 0, name, &length, buffer, size, nullptr);
}

const std::string kShort("short\0", 6), kLong("a much longer text than the other\0", 34);
const std::string kPath("C:\\x\0", 5);

void PrintTo(const ChangingCase &c, std::ostream *out) { *out << c.name; }

class RegistryChanging : public RegistryKey, public ::testing::WithParamInterface<ChangingCase> {};

TEST_P(RegistryChanging, ReadsGiveOneWholeVersionOrNothing) {
    const ChangingCase &c = GetParam();
    set("v", c.versions[0].type, c.versions[0].bytes.data(),
        static_cast<DWORD>(c.versions[0].bytes.size()));
    ValueRewriter writer(subkey_, "v", c.versions);
    ASSERT_TRUE(writer.running());
    int mixed = 0, touched = 0, changedBetween = 0;
    for (int i = 0; i < 1000; ++i) {
        auto buffer = poisoned(64);
        unsigned int size = 64;
        int result = c.read(subkey(), buffer.data(), &size);
        if (result == 0) {
            mixed += !writer.isVersion(c.wanted, buffer.data(), size) || !allPoisoned(buffer, size);
        } else {
            EXPECT_TRUE(result == TbErrRegValueAccess || result == TbErrRegValueType) << result;
            changedBetween += result == TbErrRegValueAccess;
            touched += c.untouchedOnFailure && !allPoisoned(buffer);
        }
    }
    EXPECT_EQ(mixed, 0) << "successful reads that were no whole version";
    EXPECT_EQ(touched, 0) << "failed reads that wrote the buffer, of " << changedBetween
                          << " that found the value changed";
}

INSTANTIATE_TEST_SUITE_P(
    Readers, RegistryChanging,
    ::testing::Values(
        ChangingCase{"StringSize", readString, REG_SZ, {{REG_SZ, kShort}, {REG_SZ, kLong}}, true},
        ChangingCase{"BinarySize", readBinary, REG_BINARY,
                     {{REG_BINARY, kShort}, {REG_BINARY, kLong}}, true},
        ChangingCase{"EnumeratedSize", enumerate, REG_BINARY,
                     {{REG_BINARY, kShort}, {REG_BINARY, kLong}}, false},
        ChangingCase{"StringType", readString, REG_SZ, {{REG_SZ, kPath}, {REG_EXPAND_SZ, kPath}},
                     true},
        ChangingCase{"BinaryType", readBinary, REG_BINARY,
                     {{REG_BINARY, kShort}, {REG_NONE, kShort}}, true}),
    [](const ::testing::TestParamInfo<ChangingCase> &param) { return std::string(param.param.name); });

// ---------------------------------------------------------------------------------
// An independent reader: the system's reg.exe

// What the library writes, reg.exe reads back with the same names, types and data.
TEST_F(RegistryWrite, RegExeSeesWhatTheLibraryWrote) {
    const unsigned char bytes[] = {0x01, 0x02, 0xfe, 0xff};
    const char *names[] = {"array one", "array two"};
    const char *strings[] = {"A", "B b"};
    ASSERT_EQ(RegWriteString(kCurrentUser, subkey(), "text", "hello world"), 0);
    ASSERT_EQ(RegWriteString(kCurrentUser, subkey(), nullptr, "the default"), 0);
    ASSERT_EQ(RegWriteStringArray(kCurrentUser, subkey(), 2, names, strings), 0);
    ASSERT_EQ(RegWriteBinary(kCurrentUser, subkey(), "bin", bytes, sizeof bytes), 0);
    ASSERT_EQ(RegWriteULong(kCurrentUser, subkey(), "number", 0x12345678u, 0), 0);
    ASSERT_EQ(RegWriteULong(kCurrentUser, subkey(), "big", 0x0000beefu, 1), 0);

    DWORD exitCode = kSentinel;
    const std::string output = testing_support::runCapturing("reg.exe query \"HKCU\\" + subkey_ + "\"", exitCode);
    ASSERT_EQ(exitCode, 0u) << output;
    auto values = testing_support::parseRegQuery(output);
    using Line = std::pair<std::string, std::string>;
    EXPECT_EQ(values.size(), 7u) << output;
    EXPECT_EQ(values["text"], Line("REG_SZ", "hello world"));
    EXPECT_EQ(values["(Default)"], Line("REG_SZ", "the default"));
    EXPECT_EQ(values["array one"], Line("REG_SZ", "A"));
    EXPECT_EQ(values["array two"], Line("REG_SZ", "B b"));
    EXPECT_EQ(values["bin"], Line("REG_BINARY", "0102FEFF"));
    EXPECT_EQ(values["number"], Line("REG_DWORD", "0x12345678"));
    // reg.exe shows the four bytes as a number in memory order, which is how the
    // library stores both number types.
    EXPECT_EQ(values["big"], Line("REG_DWORD_BIG_ENDIAN", "0xbeef"));
}

// The key is closed on every way out of every member.
TEST_F(RegistryWrite, NoKeyHandleLeftOpen) {
    setString("s", "x");
    set("n", REG_DWORD, "\1\0\0\0", 4);
    const unsigned char bytes[] = {1, 2};
    const char *names[] = {"a", "b"};
    const char *strings[] = {"1", nullptr};
    ULONG_PTR before = probeHandle();
    unsigned char buffer[4];
    char name[8];
    unsigned int size = 0, value = 0, length = 0;
    for (int i = 0; i < 100; ++i) {
        RegWriteString(kCurrentUser, subkey(), "w", "x");
        RegWriteStringArray(kCurrentUser, subkey(), 2, names, strings);
        RegWriteBinary(kCurrentUser, subkey(), "b", bytes, 2);
        RegWriteULong(kCurrentUser, subkey(), "u", 1, 0);
        RegReadBinary(kCurrentUser, subkey(), "b", buffer, 1, &size);
        RegReadBinary(kCurrentUser, subkey(), "s", buffer, 4, &size);
        RegReadULong(kCurrentUser, subkey(), "n", &value, 0);
        RegReadULong(kCurrentUser, subkey(), "n", &value, 1);
        RegQueryInfoOnKey(kCurrentUser, subkey(), &size, nullptr, nullptr, nullptr, nullptr);
        length = 0;
        RegEnumerateValue(kCurrentUser, subkey(), 0, name, &length, nullptr, nullptr, nullptr);
        length = 7;
        size = 4;
        RegEnumerateValue(kCurrentUser, subkey(), 0, name, &length, buffer, &size, nullptr);
        RegEnumerateValue(kCurrentUser, subkey(), 99, nullptr, nullptr, nullptr, nullptr, nullptr);
    }
    ULONG_PTR after = probeHandle();
    EXPECT_LT(after, before + 64) << "before " << before << ", after " << after;
}

}  // namespace
