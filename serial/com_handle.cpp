#include "serial/com_handle.h"

DWORD ComHandle::Open(const char* path)
{
    // An exclusive port must be given up before it can be opened again.
    Close();
    // Exclusive: no other program may read the bytes meant for this one.
    // Synchronous: a read blocks for at most the port's read time-out.
    const HANDLE opened = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    const DWORD error = opened == INVALID_HANDLE_VALUE ? ErrorOfFailedCall() : ERROR_SUCCESS;
    device.Reset(opened);  // INVALID_HANDLE_VALUE: none held
    return error;
}

DWORD ErrorOfFailedCall()
{
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;
}
