// How every tool starts on its command line: a wrong one is said on standard
// error, with the way to the usage, and --help prints the usage; either ends
// the run.
#pragma once

#include <string>

// The exit status of a wrong command line, the same for every tool.
const int EXIT_WRONG_COMMAND_LINE = 2;

// tool: the program's name. parsed and error: what its parser made of the
// command line; showHelp: whether that asked for --help. True, with the exit
// status in *status, when the run ends here.
bool RunEndsAtCommandLine(const char* tool, bool parsed, const std::string& error, bool showHelp,
                          const std::string& usage, int* status);
