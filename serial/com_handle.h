// The one owner of a COM device's handle. Every port here, the plug-in's and
// the tools' and the tests', opens its device through Open, the one
// CreateFileA call for a COM port: exclusive, synchronous, the device as it
// is. The handle is held by a KernelHandle, so it is closed by Close, by the
// next Open and by the destructor, on every path; movable, so that an open
// port can be handed on; never copied, so that no handle is closed twice.
//
// Open returns ERROR_SUCCESS or the Windows error of CreateFileA, taken at
// once; a port is opened and set up in one call by OpenComPort
// (open_com_port.h), whose result also names the call that failed. KVSerial's
// own interface keeps the results its callers have always had.
#pragma once

#include <windows.h>

#include "common/kernel_handle.h"

class ComHandle {
public:
    // Closes what is open, then opens the device at path for reading and
    // writing. On failure the owner holds nothing.
    DWORD Open(const char* path);
    void Close() { device.Close(); }
    bool IsOpen() const { return device.IsOpen(); }
    // The handle for the device's calls; INVALID_HANDLE_VALUE while closed,
    // which every such call refuses.
    HANDLE Get() const { return device.IsOpen() ? device.Get() : INVALID_HANDLE_VALUE; }

private:
    KernelHandle device;
};

// GetLastError() right after a call that failed; ERROR_GEN_FAILURE when the
// call set no error, so that a failure never reads as success.
DWORD ErrorOfFailedCall();
