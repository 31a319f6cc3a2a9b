#include "tools/trace/console_modes.h"

#include <string>

#include "tools/cli/command_line_start.h"
#include "tools/trace/exit_status.h"
#include "tools/trace/find/device_finder.h"
#include "tools/trace/find/find_command.h"
#include "tools/trace/watch/watch_command.h"

bool RunWithoutWindow(int argc, const char* const* argv, bool watchInWindow, TraceOptions* options,
                      int* status)
{
    std::string error;
    const bool parsed = ParseTraceOptions(argc, argv, options, &error);
    static_assert(TRACE_EXIT_USAGE == EXIT_WRONG_COMMAND_LINE, "a wrong command line ends every tool alike");
    if (RunEndsAtCommandLine("ardun-trace", parsed, error, options->showHelp, TraceUsage(SearchTimeText()),
                             status))
        return true;
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
