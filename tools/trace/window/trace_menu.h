// The trace window's menu: the port (the configuration dialog's list of the
// ports that open), the baud rate and the packet size to trace, and Find,
// which searches every port for the device and traces what it finds.
#pragma once

#include <windows.h>

#include "tools/trace/trace_choice.h"

// The menu bar, its lists of baud rates and sizes filled; null when Windows
// refuses.
HMENU CreateTraceMenu();

// Before a list of the menu opens: the ports probed anew into the port list,
// with a note on what a port in braces is when the list shows one, and the
// current choice checked in each list.
void PrepareTraceMenu(HMENU menu, HMENU opening, const TraceChoice& current);

// The choice a menu command makes of the current one; false for a command
// that is not the menu's.
bool ChoiceOfCommand(UINT command, const TraceChoice& current, TraceChoice* chosen);
