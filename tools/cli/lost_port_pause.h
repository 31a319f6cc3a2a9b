// While the device is away (a USB adapter pulled out) the plug-in answers each
// packet request at once, having tried to open the port again. A tool that
// asks in a loop pauses this long after such a request, one read time-out of
// the port, as a host's own logging pace would, instead of filling its output
// as fast as it can print.
#pragma once

#include "serial/kv_serial.h"

const unsigned long LOST_PORT_PAUSE_MS = PORT_READ_TIMEOUT_MS;
