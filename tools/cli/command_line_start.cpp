#include "tools/cli/command_line_start.h"

#include <stdio.h>

bool RunEndsAtCommandLine(const char* tool, bool parsed, const std::string& error, bool showHelp,
                          const std::string& usage, int* status)
{
    if (!parsed) {
        fprintf(stderr, "%s: %s\nTry '%s --help'.\n", tool, error.c_str(), tool);
        *status = EXIT_WRONG_COMMAND_LINE;
        return true;
    }
    if (showHelp) {
        fputs(usage.c_str(), stdout);
        *status = 0;
        return true;
    }
    return false;
}
