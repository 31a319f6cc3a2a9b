// ardun-trace's exit status, the same in every mode.
#pragma once

enum TraceExitStatus : int {
    TRACE_EXIT_OK = 0,       // packets came, the device was found, a host was watched
    TRACE_EXIT_FAILED = 1,   // a port or the --out file could not be had, or the window not made
    TRACE_EXIT_USAGE = 2,    // a wrong command line
    TRACE_EXIT_NOTHING = 3,  // no packet, no device, no host appeared
};
