// The one way every port here opens its device: the open (ComHandle::Open),
// the line settings and the time-outs in one call, with one result that names
// the call that failed. On failure the port is left closed.
#pragma once

#include <windows.h>

#include "serial/com_handle.h"
#include "serial/line_settings.h"
#include "serial/port_result.h"

struct PortSetup {
    DWORD baudRate;
    LineEnd end;
    COMMTIMEOUTS timeouts;
};

// Opens path into *port (closing what it held) and sets it up.
PortResult OpenComPort(ComHandle* port, const char* path, const PortSetup& setup);
// The same with the time-outs alone, the line left as the device has it: for
// a port whose rate is set later (SetLineSettings).
PortResult OpenComPortKeepingLine(ComHandle* port, const char* path, const COMMTIMEOUTS& timeouts);
