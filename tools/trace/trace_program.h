// The whole trace: the window, the traced work on a thread of its own (so the
// window stays live while a request waits on the line), and the window's
// messages until the window has gone, the port closed first.
#pragma once

#include <stdio.h>
#include <windows.h>

#include "tools/trace/trace_options.h"

// The exit status: 0 at least one packet arrived, 1 the port could not be
// opened, the window not made or the --out file not made, 3 not a single
// packet arrived. Every line also goes to mirror when it is not null.
int RunTrace(HINSTANCE instance, const TraceOptions& options, FILE* mirror);
