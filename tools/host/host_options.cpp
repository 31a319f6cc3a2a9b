#include "tools/host/host_options.h"

#include <string.h>

#include "plugin/host_interfaces.h"
#include "tools/cli/number_argument.h"

const char* const HOST_USAGE =
    "ardun-host: a stand-in for the Movra host. Loads the ArdunParser plug-in DLL\n"
    "and drives it through its exports and interfaces as the host does.\n"
    "\n"
    "Usage: ardun-host COMMAND [--dll PATH] [options]\n"
    "\n"
    "Commands:\n"
    "  info     show the plug-in's, the component's and the hardware's information\n"
    "  config   show the plug-in's port configuration dialog; OK saves the chosen\n"
    "           port into ArdunParser.dat beside the DLL\n"
    "  stream   open the component and read packets: for each packet it writes the\n"
    "           request P,N and reads N bytes, and prints the payload as a\n"
    "           timestamped hex line; a summary follows at the end\n"
    "\n"
    "Options:\n"
    "  --dll PATH   the plug-in DLL, default ArdunParser.dll beside ardun-host.exe\n"
    "  --baud B     stream: baud rate passed to Open, default 115200\n"
    "  --size N     stream: payload bytes per packet, 1 to 255, default 16\n"
    "  --count K    stream: number of packet requests, default 0 = until Ctrl+C\n"
    "  --every MS   stream: one packet request (P,N, then the read) every MS\n"
    "               milliseconds, 1 to 60000, as a host with a slow logging\n"
    "               interval asks; default: one after another\n"
    "  --help       this text\n"
    "\n"
    "The plug-in opens the COM port named in ArdunParser.dat beside the DLL\n"
    "(\\\\.\\COM1 when there is no such file); choose it with 'ardun-host config'.\n"
    "'ardun-trace --find' finds the device's port, baud rate and packet size.\n"
    "A request that brings no whole packet within the plug-in's time limit (3.0 s,\n"
    "tested as bytes arrive, so up to one read time-out more) is printed as a\n"
    "time-out (result 0x800705B4) and the stream goes on. A --size larger than\n"
    "the device's frames is no time-out: its packets end in the device library's\n"
    "bytes 55 55 or the next frame's first bytes, and the sequence numbers jump.\n"
    "So stream measures the frames the plug-in reads and, when they are not the\n"
    "size asked for, says once and after its summary the N to ask for.\n"
    "In PowerShell, run it as .\\ardun-host from its own folder.\n"
    "\n"
    "Exit status: 0 success; 1 the plug-in could not be loaded, lacks an export,\n"
    "or an operation failed (the message names it and its result code); 2 wrong\n"
    "command line; 3 stream: not a single packet arrived.\n";

namespace {

const NumberOption<HostOptions> STREAM_OPTIONS[] = {
    {"--baud", 1, 4000000, &HostOptions::baudRate},
    {"--size", 1, LARGEST_PACKET_SIZE, &HostOptions::size},
    {"--count", 0, 0xFFFFFFFFu, &HostOptions::count},
    {"--every", 1, 60000, &HostOptions::everyMs},
};

const struct {
    const char* name;
    HostCommand command;
} COMMANDS[] = {
    {"info", HostCommand::Info},
    {"config", HostCommand::Config},
    {"stream", HostCommand::Stream},
};

}  // namespace

bool ParseHostOptions(int argc, const char* const* argv, HostOptions* options, std::string* error)
{
    const char* streamOptionGiven = nullptr;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (IsHelpArgument(argument)) {
            options->showHelp = true;
            return true;
        }
        if (strcmp(argument, "--dll") == 0) {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') {
                *error = "--dll needs a path";
                return false;
            }
            options->dllPath = argv[++i];
            continue;
        }
        const NumberOption<HostOptions>* option = FindNumberOption(STREAM_OPTIONS, argument);
        if (option != nullptr) {
            if (!ReadNumberOption(argc, argv, &i, *option, options, error))
                return false;
            streamOptionGiven = argument;
            continue;
        }
        bool isCommand = false;
        for (const auto& command : COMMANDS)
            if (strcmp(argument, command.name) == 0) {
                if (options->command != HostCommand::None) {
                    *error = std::string("only one command at a time, not also '") + argument + "'";
                    return false;
                }
                options->command = command.command;
                isCommand = true;
            }
        if (!isCommand) {
            *error = std::string("unknown argument '") + argument + "'";
            return false;
        }
    }
    if (options->command == HostCommand::None) {
        *error = "no command given (info, config or stream)";
        return false;
    }
    if (streamOptionGiven != nullptr && options->command != HostCommand::Stream) {
        *error = std::string(streamOptionGiven) + " applies to the stream command only";
        return false;
    }
    return true;
}
