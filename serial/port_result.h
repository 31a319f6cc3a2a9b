// What a port call that can fail says: ERROR_SUCCESS, or the call that failed
// and its Windows error, taken at that call, before a clean-up could change
// it. Every port here opens and sets up its device through calls that give
// this one result (open_com_port.h, line_settings.h).
#pragma once

#include <windows.h>

// The calls that set up a port, to name the one that failed.
enum class PortCall { None, CreateFile, GetCommState, SetCommState, SetCommTimeouts };

struct PortResult {
    PortCall failedCall;
    DWORD error;  // ERROR_SUCCESS exactly when failedCall is None

    bool Succeeded() const { return failedCall == PortCall::None; }
};

const PortResult PORT_SUCCEEDED = {PortCall::None, ERROR_SUCCESS};

// The result of `call`, which has just failed: to be made before anything
// else runs.
PortResult PortCallFailed(PortCall call);
