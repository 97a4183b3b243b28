// Handles: relocatable memory blocks. The master record never moves; its storage is
// taken and resized with the library's allocator, and bytes the storage gains are
// zeroed so that a handle never exposes stale heap contents.
//
// The storage pointer of a live handle is never null, not even for size 0 (the
// allocator gives a block for zero bytes), so resizing always goes through realloc.
#include <cstdlib>
#include <cstring>

#include "toolbox_internal.h"

extern "C" {

Handle NewHandle(unsigned int numBytes) {
    void *storage = tb::allocateZeroed(numBytes, 1);
    auto *handle = static_cast<Handle>(tb::allocateZeroed(1, sizeof(HandleRecord)));
    if (!handle || !storage) {
        std::free(storage);
        std::free(handle);
        return nullptr;
    }
    handle->data = storage;
    handle->size = numBytes;
    return handle;
}

void DisposeHandle(Handle handle) {
    if (!handle) return;
    std::free(handle->data);
    std::free(handle);
}

unsigned int GetHandleSize(Handle handle) {
    TB_ASSERT(handle != nullptr, "Parameter 1 to GetHandleSize was NULL.");
    return handle->size;
}

int SetHandleSize(Handle handle, unsigned int newSize) {
    TB_ASSERT(handle != nullptr, "Parameter 1 to SetHandleSize was NULL.");
    unsigned int oldSize = handle->size;
    if (newSize == oldSize) return 1;
    void *storage = handle->data ? tb::reallocate(handle->data, newSize) : tb::allocate(newSize);
    if (!storage) return 0;  // realloc left the old block in place
    if (newSize > oldSize) std::memset(static_cast<char *>(storage) + oldSize, 0, newSize - oldSize);
    handle->data = storage;
    handle->size = newSize;
    return 1;
}

}  // extern "C"
