// The simulator's command line. Pure logic, no windows.h.
#pragma once

#include <stdint.h>

#include <string>

struct SimOptions {
    bool showHelp = false;
    uint32_t port = 0;        // COM number; required
    uint32_t baudRate = 115200;
    uint32_t size = 16;       // payload bytes per frame
    uint32_t rate = 20;       // frames per second
    uint32_t count = 0;       // frames to send; 0 = until stopped
    uint32_t noise = 0;       // noise bytes before each frame: none, as an ArdunFrame board
    uint32_t first = 0;       // sequence number of the first frame
};

// Fills *options from argv[1..]. False with a one-line reason in *error.
bool ParseSimOptions(int argc, const char* const* argv, SimOptions* options, std::string* error);

extern const char* const SIM_USAGE;
