// The COM ports that open now, as data: the configuration dialog lists them,
// and so does the trace's Port menu.
#pragma once

#include <stdint.h>

#include "settings/port_range.h"

struct PortsThatOpen {
    uint32_t count;
    uint32_t numbers[HIGHEST_PORT_NUMBER - LOWEST_PORT_NUMBER + 1];  // ascending; count of them hold a port

    bool Contains(int32_t number) const;
};

// Probes every port of the range in ascending order. Each probe opens the port
// as the component does, exclusive and at 9600 baud, and closes it again, so a
// port held elsewhere, even by this module's own component, is not among them.
PortsThatOpen ListPortsThatOpen();
