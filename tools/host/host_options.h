// ardun-host's command line. Pure logic, no windows.h.
#pragma once

#include <stdint.h>

#include <string>

enum class HostCommand { None, Info, Config, Stream };

struct HostOptions {
    bool showHelp = false;
    HostCommand command = HostCommand::None;
    std::string dllPath;          // empty: ArdunParser.dll beside ardun-host.exe
    uint32_t baudRate = 115200;   // stream only
    uint32_t size = 16;           // stream only: payload bytes per packet
    uint32_t count = 0;           // stream only: packet requests; 0 = until Ctrl+C
    uint32_t everyMs = 0;         // stream only: one request every this many ms; 0 = one after another
};

// Fills *options from argv[1..]. False with a one-line reason in *error.
bool ParseHostOptions(int argc, const char* const* argv, HostOptions* options, std::string* error);

extern const char* const HOST_USAGE;
