// What the trace window traces, or is to trace next.
#pragma once

#include <stdint.h>

struct TraceChoice {
    uint32_t port;  // COM<port>
    uint32_t baudRate;
    uint32_t size;
    bool find;   // search for the device first, then trace what was found
    bool watch;  // watch the hosts that run the plug-in instead of tracing
};
