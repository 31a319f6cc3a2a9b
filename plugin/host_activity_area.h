// Where a host's activity area is found: a named shared-memory block in the
// session's own namespace, one per copy of the plug-in in a host process,
// named after the host's process id and the copy. The plug-in makes it;
// ardun-trace --watch opens it to read (and to write the one word that says
// it watches). Pure logic, no windows.h.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "plugin/host_activity_layout.h"

// Room for the longest name and its terminator.
const size_t HOST_ACTIVITY_NAME_CAPACITY = 64;

// The size the plug-in makes the area: the header and the whole ring.
const size_t HOST_ACTIVITY_AREA_SIZE = HostActivityAreaSize(HOST_ACTIVITY_RECORD_COUNT);

// Copies of the plug-in in one process (the same DLL loaded under other
// names) that each publish an area; a copy past these publishes none.
const uint32_t HOST_ACTIVITY_MAX_COPIES = 8;

// Writes "Local\ArdunParser.HostActivity.<processId>" for copy 1 and
// "Local\ArdunParser.HostActivity.<processId>.<copy>" for copies 2 to
// HOST_ACTIVITY_MAX_COPIES, in decimal, into name; false, with an empty name
// where there is room for one, for another copy or too small a capacity.
bool FormatHostActivityAreaName(char* name, size_t capacity, uint32_t processId, uint32_t copy);

// The name of the mark a copy's writer holds while it lives: the area's name
// and ".writer". A copy that finds the mark taken leaves that area to the
// copy that holds it.
bool FormatHostActivityWriterName(char* name, size_t capacity, uint32_t processId, uint32_t copy);
