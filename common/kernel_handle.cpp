#include "common/kernel_handle.h"

KernelHandle::KernelHandle(KernelHandle&& other) noexcept : handle(other.handle)
{
    other.handle = NULL;
}

KernelHandle& KernelHandle::operator=(KernelHandle&& other) noexcept
{
    if (this != &other) {
        Reset(other.handle);
        other.handle = NULL;
    }
    return *this;
}

void KernelHandle::Reset(HANDLE newHandle)
{
    // A failed close leaves nothing an owner could do about it; the handle
    // is given up either way.
    if (handle != NULL)
        (void)CloseHandle(handle);
    handle = newHandle == INVALID_HANDLE_VALUE ? NULL : newHandle;
}
