// ardun-trace's command line. Pure logic, no windows.h.
#pragma once

#include <stdint.h>

#include <string>

// No --port: the port in the settings file beside the program.
const uint32_t PORT_FROM_SETTINGS = UINT32_MAX;

struct TraceOptions {
    bool showHelp = false;
    uint32_t port = PORT_FROM_SETTINGS;
    uint32_t baudRate = 115200;
    bool baudGiven = false;             // --baud on the command line: --find listens at that rate alone
    uint32_t size = 16;                 // payload bytes per packet request
    uint32_t count = 0;                 // packet requests; 0 = until the window is closed
    uint32_t keepCharacters = 1000000;  // the window drops its oldest lines beyond this
    bool console = false;               // also write every line to standard output
    bool log = false;                   // the module's own log, line by line, not the request view
    bool find = false;                  // search for the device instead of tracing
    bool save = false;                  // with find: keep the port found in the settings file
    std::string saveTo;  // with save: the folder whose settings file takes it; empty: beside the program
    std::string out;                    // a file that also takes the trace, as UTF-8 text
    bool watch = false;                 // show what a running host asks of its plug-in instead of tracing
    uint32_t pid = 0;                   // with watch: the host's process id; 0 = every host that publishes
    uint32_t seconds = 0;               // with watch: end after this many seconds; 0 = when the host ends
};

// Fills *options from argv[1..]. False with a one-line reason in *error.
bool ParseTraceOptions(int argc, const char* const* argv, TraceOptions* options, std::string* error);

// The help text. searchTime says how long --find listens on one port at
// most, such as "at most 15 s a port".
std::string TraceUsage(const std::string& searchTime);
