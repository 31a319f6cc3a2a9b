// The one owner of a kernel handle that CloseHandle releases: a file mapping,
// a process, a thread, a mutex, a snapshot, a file. Closed by Close, by Reset
// and by the destructor, so it is closed on every path. Movable, so that a
// handle can be handed on; never copied, so that none is closed twice. (ComHandle
// opens a COM device and holds its handle in one of these.)
#pragma once

#include <windows.h>

class KernelHandle {
public:
    KernelHandle() : handle(NULL) {}
    // Takes handle over. Windows' two ways of saying "no handle", NULL and
    // INVALID_HANDLE_VALUE, are both held as none.
    explicit KernelHandle(HANDLE handle) : handle(NULL) { Reset(handle); }
    ~KernelHandle() { Close(); }
    KernelHandle(KernelHandle&& other) noexcept;
    KernelHandle& operator=(KernelHandle&& other) noexcept;
    KernelHandle(const KernelHandle&) = delete;
    KernelHandle& operator=(const KernelHandle&) = delete;

    // Closes what is held, then takes handle over.
    void Reset(HANDLE handle);
    void Close() { Reset(NULL); }
    bool IsOpen() const { return handle != NULL; }
    // NULL while none is held.
    HANDLE Get() const { return handle; }

private:
    HANDLE handle;
};
