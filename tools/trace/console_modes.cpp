#include "tools/trace/console_modes.h"

#include <stdio.h>

#include <string>

#include "tools/trace/exit_status.h"
#include "tools/trace/find/device_finder.h"
#include "tools/trace/find/find_command.h"
#include "tools/trace/watch/watch_command.h"

bool RunWithoutWindow(int argc, const char* const* argv, bool watchInWindow, TraceOptions* options,
                      int* status)
{
    std::string error;
    if (!ParseTraceOptions(argc, argv, options, &error)) {
        fprintf(stderr, "ardun-trace: %s\nTry 'ardun-trace --help'.\n", error.c_str());
        *status = TRACE_EXIT_USAGE;
        return true;
    }
    if (options->showHelp) {
        fputs(TraceUsage(SearchTimeText()).c_str(), stdout);
        *status = 0;
        return true;
    }
    if (options->watch && !watchInWindow) {
        *status = RunWatch(*options);
        return true;
    }
    if (options->find) {
        *status = RunFind(*options);
        return true;
    }
    return false;
}
