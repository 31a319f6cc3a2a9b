// ardun-trace --find: the search for a device, its findings on standard
// output (or in the --out file) and, with --save, the port found kept as the
// plug-in's own.
#pragma once

#include <stdio.h>

#include "tools/trace/trace_options.h"

// The exit status: 0 a device was found, 1 --save could not keep it or the
// --out file could not be made, 3 none was found.
int RunFind(const TraceOptions& options);
