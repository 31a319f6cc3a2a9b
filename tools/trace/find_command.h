// ardun-trace --find: the search for a device, its findings on standard
// output and, with --save, the port found kept as the plug-in's own.
#pragma once

#include <stdio.h>

#include "tools/trace/trace_options.h"

// The exit status: 0 a device was found, 3 none.
int RunFind(const TraceOptions& options, FILE* out);
