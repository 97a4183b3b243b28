// Registry: typed access to values of the Windows registry. Every member opens the key
// it needs, uses it and closes it on every way out (OpenKey below); nothing is cached
// between calls. Required pointers are checked in argument order before any key is
// opened. Win32 errors become the family's codes in one place (registryCode).
//
// Terminators: a string value stored without its terminator gets one added by
// RegReadString when the caller's buffer has a byte to spare behind the stored data; the
// reported size stays the stored size. Without a spare byte the bytes arrive exactly as
// stored, and the reported size is the caller's only measure of the text.
//
// The string writers always store the terminator (size = length + 1), whatever the
// platform: a plain string value without it breaks every other reader of the registry.
// The terminator allowance (GetCurrentPlatform: 0 on the NT family, 1 elsewhere) only
// adjusts the name lengths that RegQueryInfoOnKey and RegEnumerateValue report, for
// systems that count the terminator in them; on every Windows we run on it is 0.
//
// Keys created for writing get the class "DfltClass" from the string writers and the
// empty class from the binary and number writers; they are kept across restarts.
//
// Numbers: both number types (4 and the big-endian 5) hold the four bytes as they lie in
// memory; no byte is swapped either way. RegReadULong reads into a local first, so the
// caller's variable is written only with exactly four bytes: stored data longer than
// four bytes gives -57, shorter gives TbErrRegValueAccess (such a value is no 32-bit
// number, and zero-extending it would invent a result).
//
// Reads that find the value changed between the size query and the data read (grown,
// another type, another name during enumeration) give TbErrRegValueAccess. The readers
// read the data into a scratch block (inline up to 256 bytes, else from the heap:
// TbErrOutOfMemory when it cannot be had) and copy it to the caller's buffer only when
// the read succeeded, so a failed read leaves the buffer untouched: a value that turned
// REG_EXPAND_SZ for RegReadString, or REG_NONE (any other type) for RegReadBinary, is
// refused with TbErrRegValueAccess and nothing written. A value that shrank meanwhile
// is delivered, string or binary, and *realSize then says how many bytes came.
//
// Enumeration copies the name through a private buffer: 260 bytes serve almost every
// name; a longer name (the system allows up to 16383 characters, up to four bytes each
// in the program's code page) is fetched again into a heap buffer of the largest size
// instead of failing (TbErrOutOfMemory only when that buffer cannot be had). Types
// above 10 are reported as 0.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "toolbox_internal.h"

namespace {

// Which step of a registry member failed: the same Win32 error means different codes
// at different steps.
enum class RegStep { OpenForQuery, OpenForWrite, WriteValue, ReadValue };

// The one mapping of Win32 errors to the family's codes. Only "not found" has its own
// code at the steps that read; every other error is the step's general failure.
int registryCode(LONG error, RegStep step) {
    if (error == ERROR_SUCCESS) return 0;
    switch (step) {
    case RegStep::OpenForQuery:
        return error == ERROR_FILE_NOT_FOUND ? TbErrRegKeyMissing : TbErrRegKeyOpen;
    case RegStep::OpenForWrite:
        return TbErrRegKeyOpen;
    case RegStep::WriteValue:
        return TbErrRegValueSet;
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

// Class strings of the keys the writers create.
char kStringKeyClass[] = "DfltClass";
char kPlainKeyClass[] = "";

// Creates the key (every missing level) or opens it, for setting values only.
int openForWrite(unsigned int root, const char *subkey, char *keyClass, OpenKey &key) {
    SECURITY_ATTRIBUTES security = {};
    security.nLength = sizeof security;
    security.lpSecurityDescriptor = nullptr;
    security.bInheritHandle = FALSE;
    DWORD disposition = 0;
    return registryCode(RegCreateKeyExA(rootKey(root), subkey, 0, keyClass,
                                        REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, &security,
                                        key.receive(), &disposition),
                        RegStep::OpenForWrite);
}

int setValue(const OpenKey &key, const char *valueName, DWORD type, const void *data,
             DWORD size) {
    return registryCode(RegSetValueExA(key.get(), valueName, 0, type,
                                       static_cast<const BYTE *>(data), size),
                        RegStep::WriteValue);
}

// A plain string value with its terminator. A text too long for a value's size field
// is refused rather than cut.
int storeString(const OpenKey &key, const char *valueName, const char *text) {
    size_t length = std::strlen(text);
    if (length >= MAXDWORD) return TbErrRegValueSet;
    return setValue(key, valueName, REG_SZ, text, static_cast<DWORD>(length + 1));
}

// First step of every read: the value's type and stored size, no data.
int queryTypeAndSize(const OpenKey &key, const char *valueName, DWORD &type, DWORD &size) {
    return registryCode(RegQueryValueExA(key.get(), valueName, nullptr, &type, nullptr, &size),
                        RegStep::ReadValue);
}

// Second step: the data into buffer, offering `size` bytes. A value that grew meanwhile
// is refused by the system (nothing written past size); one whose type changed is
// refused here. `size` receives the bytes delivered.
int readData(const OpenKey &key, const char *valueName, DWORD expectedType, void *buffer,
             DWORD &size) {
    DWORD type = REG_NONE;
    int code = registryCode(RegQueryValueExA(key.get(), valueName, nullptr, &type,
                                             static_cast<BYTE *>(buffer), &size),
                            RegStep::ReadValue);
    if (code != 0) return code == TbErrRegValueMissing ? TbErrRegValueAccess : code;
    return type == expectedType ? 0 : TbErrRegValueAccess;
}

struct FreeDeleter {
    void operator()(void *block) const { std::free(block); }
};

// Room for a value's data on its way to the caller: an inline block serves most values;
// larger ones come from the library's allocator (data() is null when they could not be
// had).
class DataScratch {
public:
    static constexpr DWORD kInline = 256;

    explicit DataScratch(DWORD size) {
        if (size > kInline) large_.reset(static_cast<unsigned char *>(tb::allocate(size)));
        data_ = size > kInline ? large_.get() : small_;
    }
    DataScratch(const DataScratch &) = delete;
    DataScratch &operator=(const DataScratch &) = delete;

    unsigned char *data() const { return data_; }

private:
    unsigned char small_[kInline];
    std::unique_ptr<unsigned char, FreeDeleter> large_;
    unsigned char *data_ = nullptr;
};

// The two-step read of RegReadString, RegReadBinary and RegReadULong: *realSize receives
// the stored size once the value is found; the data is read only when the buffer holds
// it, into a scratch block that reaches the buffer only when the read succeeded (a type
// that changed meanwhile shows only after the read). *realSize then holds the bytes
// delivered, which are fewer when the value shrank meanwhile.
int readSized(unsigned int root, const char *subkey, const char *valueName, DWORD wantedType,
              unsigned char *buffer, unsigned int bufferSize, unsigned int *realSize) {
    OpenKey key;
    int code = openForQuery(root, subkey, key);
    if (code != 0) return code;

    DWORD type = REG_NONE;
    DWORD stored = 0;
    code = queryTypeAndSize(key, valueName, type, stored);
    if (code != 0) return code;
    *realSize = stored;
    if (type != wantedType) return TbErrRegValueType;
    if (!buffer) return 0;
    if (stored > bufferSize) return RTE_UIE_BUFFER_TOO_SMALL;

    DataScratch scratch(stored);
    if (!scratch.data()) return TbErrOutOfMemory;
    DWORD size = stored;
    code = readData(key, valueName, wantedType, scratch.data(), size);
    if (code != 0) return code;
    std::memcpy(buffer, scratch.data(), size);
    *realSize = size;
    return 0;
}

// Subtracted from the name lengths the system reports: 1 where it counts the
// terminator in them, 0 on the NT family.
unsigned int terminatorAllowance() { return GetCurrentPlatform() == RTE_PLATFORM_WINNT ? 0 : 1; }

unsigned int withoutAllowance(DWORD reported, unsigned int allowance) {
    return reported >= allowance ? reported - allowance : 0;
}

// A value name during enumeration: a small buffer serves almost every name; grow()
// moves to a heap buffer that holds the longest name the system allows, in any code
// page: 16383 characters of up to four bytes each (UTF-8 as the program's code page
// takes three for most, four for a pair), and the terminator.
class NameBuffer {
public:
    static constexpr DWORD kSmall = 260;
    static constexpr DWORD kLargest = 4 * 16383 + 1;

    char *data() { return large_ ? large_.get() : small_; }
    DWORD capacity() const { return large_ ? kLargest : kSmall; }
    bool isLarge() const { return static_cast<bool>(large_); }
    bool grow() {
        large_.reset(static_cast<char *>(tb::allocate(kLargest)));
        return static_cast<bool>(large_);
    }

private:
    char small_[kSmall];
    std::unique_ptr<char, FreeDeleter> large_;
};

// What one enumeration at an index reported.
struct Enumerated {
    DWORD nameSize = 0;  // characters, as the system reports them
    DWORD type = REG_NONE;
    DWORD dataSize = 0;
};

// One RegEnumValueA: the name into `name`, the data into `data` when given (at most
// dataCapacity bytes), else only the data size.
LONG enumerateOnce(HKEY key, DWORD index, NameBuffer &name, unsigned char *data,
                   DWORD dataCapacity, Enumerated &out) {
    out.nameSize = name.capacity();
    out.dataSize = data ? dataCapacity : 0;
    return RegEnumValueA(key, index, name.data(), &out.nameSize, nullptr, &out.type, data,
                         &out.dataSize);
}

// First enumeration, sizes only. Without data the only "more data" is a name longer
// than the small buffer: fetched again with the large one.
int enumerateSizes(HKEY key, DWORD index, NameBuffer &name, Enumerated &out) {
    LONG error = enumerateOnce(key, index, name, nullptr, 0, out);
    if (error == ERROR_MORE_DATA && !name.isLarge()) {
        if (!name.grow()) return TbErrOutOfMemory;
        error = enumerateOnce(key, index, name, nullptr, 0, out);
    }
    return error == ERROR_SUCCESS ? 0 : TbErrRegValueAccess;
}

unsigned int toCallerType(DWORD type) { return type <= REG_RESOURCE_REQUIREMENTS_LIST ? type : REG_NONE; }

}  // namespace

extern "C" {

int RegReadString(unsigned int rootKeyValue, const char *subkeyName, const char *valueName,
                  unsigned char *buffer, unsigned int bufferSize, unsigned int *realSize) {
    if (!subkeyName || !realSize) return RTE_UIE_NULL_ARGUMENT;
    int code = readSized(rootKeyValue, subkeyName, valueName, REG_SZ, buffer, bufferSize,
                         realSize);
    if (code != 0 || !buffer) return code;
    const unsigned int received = *realSize;
    if (received < bufferSize && (received == 0 || buffer[received - 1] != '\0'))
        buffer[received] = '\0';
    return 0;
}

int RegWriteString(unsigned int rootKeyValue, const char *subkeyName, const char *valueName,
                   const char *string) {
    if (!subkeyName || !string) return RTE_UIE_NULL_ARGUMENT;
    OpenKey key;
    int code = openForWrite(rootKeyValue, subkeyName, kStringKeyClass, key);
    if (code != 0) return code;
    return storeString(key, valueName, string);
}

int RegWriteStringArray(unsigned int rootKeyValue, const char *subkeyName, int count,
                        const char *valueNames[], const char *strings[]) {
    if (!subkeyName || !valueNames || !strings) return RTE_UIE_NULL_ARGUMENT;
    if (count < 1) return RTE_UIE_COUNT_BELOW_ONE;
    OpenKey key;
    int code = openForWrite(rootKeyValue, subkeyName, kStringKeyClass, key);
    if (code != 0) return code;
    // The first bad element ends the loop; what was stored before it stays stored.
    for (int i = 0; i < count; ++i) {
        if (!strings[i]) return RTE_UIE_NULL_ARGUMENT;
        code = storeString(key, valueNames[i], strings[i]);
        if (code != 0) return code;
    }
    return 0;
}

int RegWriteBinary(unsigned int rootKeyValue, const char *subkeyName, const char *valueName,
                   const unsigned char *data, unsigned int size) {
    if (!subkeyName || !valueName || !data) return RTE_UIE_NULL_ARGUMENT;
    OpenKey key;
    int code = openForWrite(rootKeyValue, subkeyName, kPlainKeyClass, key);
    if (code != 0) return code;
    return setValue(key, valueName, REG_BINARY, data, size);
}

int RegReadBinary(unsigned int rootKeyValue, const char *subkeyName, const char *valueName,
                  unsigned char *buffer, unsigned int bufferSize, unsigned int *realSize) {
    if (!subkeyName || !valueName || !realSize) return RTE_UIE_NULL_ARGUMENT;
    return readSized(rootKeyValue, subkeyName, valueName, REG_BINARY, buffer, bufferSize,
                     realSize);
}

int RegWriteULong(unsigned int rootKeyValue, const char *subkeyName, const char *valueName,
                  unsigned int value, int bigEndian) {
    if (!subkeyName || !valueName) return RTE_UIE_NULL_ARGUMENT;
    OpenKey key;
    int code = openForWrite(rootKeyValue, subkeyName, kPlainKeyClass, key);
    if (code != 0) return code;
    DWORD bytes = value;
    return setValue(key, valueName, bigEndian ? REG_DWORD_BIG_ENDIAN : REG_DWORD, &bytes,
                    sizeof bytes);
}

int RegReadULong(unsigned int rootKeyValue, const char *subkeyName, const char *valueName,
                 unsigned int *value, int bigEndian) {
    if (!subkeyName || !valueName || !value) return RTE_UIE_NULL_ARGUMENT;
    const DWORD wanted = bigEndian ? REG_DWORD_BIG_ENDIAN : REG_DWORD;
    // Read into a local: the caller's variable is written only with exactly four bytes.
    DWORD bytes = 0;
    unsigned int received = 0;
    int code = readSized(rootKeyValue, subkeyName, valueName, wanted,
                         reinterpret_cast<unsigned char *>(&bytes), sizeof bytes, &received);
    if (code != 0) return code;
    if (received != sizeof bytes) return TbErrRegValueAccess;
    *value = bytes;
    return 0;
}

int RegQueryInfoOnKey(unsigned int rootKeyValue, const char *subkeyName,
                      unsigned int *subkeyCount, unsigned int *valueCount,
                      unsigned int *longestSubkeyName, unsigned int *longestValueName,
                      unsigned int *largestValueData) {
    if (!subkeyName) return RTE_UIE_NULL_ARGUMENT;
    OpenKey key;
    int code = openForQuery(rootKeyValue, subkeyName, key);
    if (code != 0) return code;

    DWORD subkeys = 0, subkeyNameMax = 0, values = 0, valueNameMax = 0, valueDataMax = 0;
    LONG error = RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subkeys, &subkeyNameMax,
                                  nullptr, &values, &valueNameMax, &valueDataMax, nullptr,
                                  nullptr);
    if (error != ERROR_SUCCESS) return TbErrRegValueAccess;
    if (subkeyCount) *subkeyCount = subkeys;
    if (valueCount) *valueCount = values;
    if (longestSubkeyName)
        *longestSubkeyName = withoutAllowance(subkeyNameMax, terminatorAllowance());
    if (longestValueName) *longestValueName = valueNameMax;
    if (largestValueData) *largestValueData = valueDataMax;
    return 0;
}

int RegEnumerateValue(unsigned int rootKeyValue, const char *subkeyName, int index,
                      char *nameBuffer, unsigned int *nameLength, unsigned char *dataBuffer,
                      unsigned int *dataSize, int *type) {
    const unsigned int allowance = terminatorAllowance();
    if (!subkeyName) return RTE_UIE_NULL_ARGUMENT;
    if (nameBuffer && !nameLength) return RTE_UIE_NULL_ARGUMENT;
    if (dataBuffer && !dataSize) return RTE_UIE_NULL_ARGUMENT;
    const unsigned int nameCapacity = nameBuffer ? *nameLength : 0;
    const unsigned int dataCapacity = dataBuffer ? *dataSize : 0;

    OpenKey key;
    int code = openForQuery(rootKeyValue, subkeyName, key);
    if (code != 0) return code;
    if (index < 0) return TbErrRegValueAccess;

    NameBuffer name;
    Enumerated first;
    code = enumerateSizes(key.get(), static_cast<DWORD>(index), name, first);
    if (code != 0) return code;
    const unsigned int length = withoutAllowance(first.nameSize, allowance);
    if (nameLength) *nameLength = length;
    if (dataSize) *dataSize = first.dataSize;
    if ((nameBuffer && length > nameCapacity) || (dataBuffer && first.dataSize > dataCapacity))
        return RTE_UIE_BUFFER_TOO_SMALL;

    if (dataBuffer && first.dataSize > 0) {
        // The data comes with a second enumeration; the value must still be the one
        // measured (same name, type and size), else it changed in between.
        NameBuffer again;
        if (name.isLarge() && !again.grow()) return TbErrOutOfMemory;
        Enumerated second;
        if (enumerateOnce(key.get(), static_cast<DWORD>(index), again, dataBuffer, dataCapacity,
                          second) != ERROR_SUCCESS)
            return TbErrRegValueAccess;
        if (second.type != first.type || second.nameSize != first.nameSize ||
            second.dataSize != first.dataSize ||
            std::memcmp(again.data(), name.data(), first.nameSize) != 0)
            return TbErrRegValueAccess;
    }
    if (nameBuffer) {
        std::memcpy(nameBuffer, name.data(), length);
        nameBuffer[length] = '\0';
    }
    if (type) *type = static_cast<int>(toCallerType(first.type));
    return 0;
}

}  // extern "C"
