// Registry: typed access to values of the Windows registry. Every member opens the key
// it needs, uses it and closes it on every way out (OpenKey below); nothing is cached
// between calls. Win32 errors become the family's codes in one place (registryCode).
//
// Terminators: a string value stored without its terminator gets one added when the
// caller's buffer has a byte to spare behind the stored data; the reported size stays
// the stored size. Without a spare byte the bytes arrive exactly as stored, and the
// reported size is the caller's only measure of the text.
#include <windows.h>

#include "toolbox_internal.h"

namespace {

// Which step of a registry member failed: the same Win32 error means different codes
// at different steps.
enum class RegStep { OpenForQuery, OpenForWrite, ReadValue };

// The one mapping of Win32 errors to the family's codes. Only "not found" has its own
// code at the steps that read; every other error is the step's general failure.
int registryCode(LONG error, RegStep step) {
    if (error == ERROR_SUCCESS) return 0;
    switch (step) {
    case RegStep::OpenForQuery:
        return error == ERROR_FILE_NOT_FOUND ? TbErrRegKeyMissing : TbErrRegKeyOpen;
    case RegStep::OpenForWrite:
        return TbErrRegKeyOpen;
    case RegStep::ReadValue:
        return error == ERROR_FILE_NOT_FOUND ? TbErrRegValueMissing : TbErrRegValueAccess;
    }
    return TbErrRegValueAccess;
}

// A key handle that is closed when it goes out of scope.
class OpenKey {
public:
    OpenKey() = default;
    ~OpenKey() {
        if (key_) RegCloseKey(key_);
    }
    OpenKey(const OpenKey &) = delete;
    OpenKey &operator=(const OpenKey &) = delete;

    HKEY get() const { return key_; }
    HKEY *receive() { return &key_; }

private:
    HKEY key_ = nullptr;
};

// Roots are the predefined keys by value (0x80000001 current user, ...). They are
// sign-extended on 64-bit Windows, as the system's own constants are.
HKEY rootKey(unsigned int root) {
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(root))));
}

// Opens an existing key for reading values only; never creates one.
int openForQuery(unsigned int root, const char *subkey, OpenKey &key) {
    return registryCode(RegOpenKeyExA(rootKey(root), subkey, 0, KEY_QUERY_VALUE, key.receive()),
                        RegStep::OpenForQuery);
}

// First step of every read: the value's type and stored size, no data.
int queryTypeAndSize(const OpenKey &key, const char *valueName, DWORD &type, DWORD &size) {
    return registryCode(RegQueryValueExA(key.get(), valueName, nullptr, &type, nullptr, &size),
                        RegStep::ReadValue);
}

}  // namespace

extern "C" {

int RegReadString(unsigned int rootKeyValue, const char *subkeyName, const char *valueName,
                  unsigned char *buffer, unsigned int bufferSize, unsigned int *realSize) {
    if (!subkeyName || !realSize) return RTE_UIE_NULL_ARGUMENT;
    OpenKey key;
    int code = openForQuery(rootKeyValue, subkeyName, key);
    if (code != 0) return code;

    DWORD type = REG_NONE;
    DWORD stored = 0;
    code = queryTypeAndSize(key, valueName, type, stored);
    if (code != 0) return code;
    *realSize = stored;
    if (type != REG_SZ) return TbErrRegValueType;
    if (!buffer) return 0;
    if (stored > bufferSize) return RTE_UIE_BUFFER_TOO_SMALL;

    // The value may have grown since the size query: the system then refuses the read
    // (ERROR_MORE_DATA) instead of writing past the size offered.
    DWORD received = stored;
    code = registryCode(RegQueryValueExA(key.get(), valueName, nullptr, nullptr, buffer, &received),
                        RegStep::ReadValue);
    if (code != 0) return code;
    if (received < bufferSize && (received == 0 || buffer[received - 1] != '\0'))
        buffer[received] = '\0';
    return 0;
}

}  // extern "C"
