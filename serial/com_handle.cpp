#include "serial/com_handle.h"

ComHandle::ComHandle(ComHandle&& other) noexcept : handle(other.handle)
{
    other.handle = INVALID_HANDLE_VALUE;
}

ComHandle& ComHandle::operator=(ComHandle&& other) noexcept
{
    if (this != &other) {
        Close();
        handle = other.handle;
        other.handle = INVALID_HANDLE_VALUE;
    }
    return *this;
}

DWORD ComHandle::Open(const char* path)
{
    // An exclusive port must be given up before it can be opened again.
    Close();
    // Exclusive: no other program may read the bytes meant for this one.
    // Synchronous: a read blocks for at most the port's read time-out.
    handle = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    return handle == INVALID_HANDLE_VALUE ? ErrorOfFailedCall() : ERROR_SUCCESS;
}

void ComHandle::Close()
{
    if (handle == INVALID_HANDLE_VALUE)
        return;
    // A failed close leaves nothing an owner could do about it; the handle
    // is given up either way.
    (void)CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
}

DWORD ErrorOfFailedCall()
{
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;
}
