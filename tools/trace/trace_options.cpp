#include "tools/trace/trace_options.h"

#include <string.h>

#include "tools/cli/number_argument.h"

const char* const TRACE_USAGE =
    "ardun-trace: shows the ArdunParser plug-in's own diagnostic log in a window\n"
    "while it reads packets from the COM port, as the host's packet requests do.\n"
    "It runs the plug-in's own port, reader and log code, so the window shows\n"
    "exactly what the plug-in takes from the line and what it makes of it.\n"
    "\n"
    "Usage: ardun-trace [--port N] [--baud B] [--size N] [--count K] [--keep C]\n"
    "                   [--console]\n"
    "\n"
    "  --port N    COM port number, e.g. 9 for COM9; default: the port named in\n"
    "              ArdunParser.dat beside ardun-trace.exe, as the plug-in reads it\n"
    "              (\\\\.\\COM1 when there is no such file)\n"
    "  --baud B    baud rate, default 115200\n"
    "  --size N    payload bytes per packet request, 1 to 255, default 16\n"
    "  --count K   packet requests to run, then end; default 0 = until the window\n"
    "              is closed\n"
    "  --keep C    characters the window keeps, 20000 to 100000000, default\n"
    "              1000000; beyond that its oldest lines are dropped\n"
    "  --console   also write every line to standard output (to keep it in a file)\n"
    "  --help      this text\n"
    "\n"
    "Reading the log: lines that start \"KVSerial: \" are the port's own steps.\n"
    "Every byte the reader takes shows as \"KVSerial: Read\" and a line\n"
    "\"0000: XX\" with the byte in hex and, at the end, as a character (\".\" when\n"
    "not printable). A packet starts with FF 00; inside it a data FF comes twice.\n"
    "After each request one line of the trace's own says how it went:\n"
    "  Packet 3: 0x00000000 ok, 16 bytes: ...           a whole packet arrived\n"
    "  Packet 4: 0x800705B4 time-out: no byte at all    wrong port, or a device\n"
    "                                                   that is off or not sending\n"
    "  ... time-out: N bytes but no frame start         wrong baud rate, or a\n"
    "                                                   device that sends no frames\n"
    "  ... time-out: a frame cut short                  the device sends shorter\n"
    "                                                   packets than --size\n"
    "Bytes before the FF 00 are discarded by the reader; one byte after each packet\n"
    "is taken and dropped.\n"
    "\n"
    "Exit status: 0 at least one packet arrived; 1 the port could not be opened\n"
    "or the window could not be made; 2 wrong command line; 3 not a single packet\n"
    "arrived.\n";

namespace {

const NumberOption<TraceOptions> NUMBER_OPTIONS[] = {
    {"--port", 1, 9999, &TraceOptions::port},
    {"--baud", 1, 4000000, &TraceOptions::baudRate},
    {"--size", 1, 255, &TraceOptions::size},
    {"--count", 0, 0xFFFFFFFFu, &TraceOptions::count},
    {"--keep", 20000, 100000000, &TraceOptions::keepCharacters},
};

}  // namespace

bool ParseTraceOptions(int argc, const char* const* argv, TraceOptions* options, std::string* error)
{
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (IsHelpArgument(argument)) {
            options->showHelp = true;
            return true;
        }
        if (strcmp(argument, "--console") == 0) {
            options->console = true;
            continue;
        }
        const NumberOption<TraceOptions>* option = FindNumberOption(NUMBER_OPTIONS, argument);
        if (option == nullptr) {
            *error = std::string("unknown argument '") + argument + "'";
            return false;
        }
        if (!ReadNumberOption(argc, argv, &i, *option, options, error))
            return false;
    }
    return true;
}
