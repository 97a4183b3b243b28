// The registry suites' fixture (Windows only): a test key of its own under
// HKCU\Software for every test, the system's own view of its values, poisoned buffers
// to prove "untouched" and "no overrun", and a writer thread that keeps rewriting a
// value while a test reads it.
#ifndef TOOLBOX_REGISTRY_KEY_H
#define TOOLBOX_REGISTRY_KEY_H

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

constexpr unsigned int kCurrentUser = 0x80000001u;
constexpr unsigned int kSentinel = 0xdeadbeefu;
constexpr unsigned char kPoison = 0xbd;

class RegistryKey : public ::testing::Test {
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
    std::string below(const char *child) const { return subkey_ + "\\" + child; }

    // Type and bytes of a value as the system itself reports them.
    DWORD rawType(const char *name) {
        DWORD type = 0xdeadbeef;
        EXPECT_EQ(RegQueryValueExA(key_, name, nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
        return type;
    }
    std::vector<unsigned char> rawBytes(const char *name) {
        DWORD size = 0;
        EXPECT_EQ(RegQueryValueExA(key_, name, nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
        std::vector<unsigned char> bytes(size + 1);
        EXPECT_EQ(RegQueryValueExA(key_, name, nullptr, nullptr, bytes.data(), &size), ERROR_SUCCESS);
        bytes.resize(size);
        return bytes;
    }
    bool valueExists(const char *name) {
        return RegQueryValueExA(key_, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    }
    static bool keyExists(const std::string &path) {
        HKEY probe = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &probe) != ERROR_SUCCESS)
            return false;
        RegCloseKey(probe);
        return true;
    }

    // A fresh key handle's value: handle values are reused, so keys a call leaves open
    // push it up.
    ULONG_PTR probeHandle() {
        HKEY probeKey = nullptr;
        EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, subkey(), 0, KEY_QUERY_VALUE, &probeKey),
                  ERROR_SUCCESS);
        RegCloseKey(probeKey);
        return reinterpret_cast<ULONG_PTR>(probeKey);
    }

    std::string subkey_;
    HKEY key_ = nullptr;
};

inline std::vector<unsigned char> poisoned(size_t size) { return std::vector<unsigned char>(size, kPoison); }

inline bool allPoisoned(const std::vector<unsigned char> &buffer, size_t from = 0) {
    for (size_t i = from; i < buffer.size(); ++i)
        if (buffer[i] != kPoison) return false;
    return true;
}

// One version of a value: its type and its bytes.
struct ValueVersion {
    DWORD type;
    std::string bytes;
};

// Rewrites a value of a key with each version in turn, from a thread of its own, for as
// long as it lives: another program changing the value while a test reads it.
class ValueRewriter {
public:
    ValueRewriter(const std::string &subkey, const char *name, std::vector<ValueVersion> versions)
        : subkey_(subkey), name_(name), versions_(std::move(versions)) {
        thread_ = CreateThread(nullptr, 0, &ValueRewriter::run, this, 0, nullptr);
    }
    ~ValueRewriter() {
        if (!thread_) return;
        InterlockedExchange(&stop_, 1);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
    }
    ValueRewriter(const ValueRewriter &) = delete;
    ValueRewriter &operator=(const ValueRewriter &) = delete;

    bool running() const { return thread_ != nullptr; }
    // Whether size bytes of data are exactly one of the versions of the given type.
    bool isVersion(DWORD type, const unsigned char *data, unsigned int size) const {
        for (const ValueVersion &version : versions_)
            if (version.type == type && version.bytes.size() == size &&
                std::memcmp(version.bytes.data(), data, size) == 0)
                return true;
        return false;
    }

private:
    static DWORD WINAPI run(void *context) {
        ValueRewriter *self = static_cast<ValueRewriter *>(context);
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, self->subkey_.c_str(), 0, KEY_SET_VALUE, &key) !=
            ERROR_SUCCESS)
            return 1;
        for (size_t i = 0; !self->stop_; ++i) {
            const ValueVersion &version = self->versions_[i % self->versions_.size()];
            RegSetValueExA(key, self->name_.c_str(), 0, version.type,
                           reinterpret_cast<const BYTE *>(version.bytes.data()),
                           static_cast<DWORD>(version.bytes.size()));
        }
        RegCloseKey(key);
        return 0;
    }

    std::string subkey_, name_;
    std::vector<ValueVersion> versions_;
    volatile LONG stop_ = 0;
    HANDLE thread_ = nullptr;
};

}  // namespace testing_support

#endif
