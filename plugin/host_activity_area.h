// Where a host's activity area is found: a named shared-memory block in the
// session's own namespace, one per host process, named after the host's
// process id. The plug-in makes it; ardun-trace --watch opens it read-only.
// Pure logic, no windows.h.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "plugin/host_activity_layout.h"

// Room for the longest name and its terminator.
const size_t HOST_ACTIVITY_NAME_CAPACITY = 48;

// The size the plug-in makes the area: the header and the whole ring.
const size_t HOST_ACTIVITY_AREA_SIZE = HostActivityAreaSize(HOST_ACTIVITY_RECORD_COUNT);

// Writes "Local\ArdunParser.HostActivity.<processId in decimal>" into name;
// false, with an empty name where there is room for one, when capacity is
// too small.
bool FormatHostActivityAreaName(char* name, size_t capacity, uint32_t processId);
