// What ardun-trace does without a window: a wrong command line, --help,
// --find and, in the console program, --watch. ardun-trace.exe (the window program) and ardun-trace.com (the
// console program that cmd and PowerShell run for "ardun-trace") both run
// them with this one piece of code.
#pragma once

#include "tools/trace/trace_options.h"

// Parses the command line into *options. True, with the exit status in
// *status, when the run needed no window and is done; false when the options
// ask for a trace, or for a watch and watchInWindow is set (the window
// program's, which a shortcut or a double-click starts without a console).
bool RunWithoutWindow(int argc, const char* const* argv, bool watchInWindow, TraceOptions* options,
                      int* status);
