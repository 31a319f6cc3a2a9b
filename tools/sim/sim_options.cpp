#include "tools/sim/sim_options.h"

#include <string.h>

#include "plugin/host_interfaces.h"
#include "settings/port_range.h"
#include "tools/cli/number_argument.h"

const char* const SIM_USAGE =
    "ardun-sim: plays an Ardun device on a COM port, sending framed packets.\n"
    "\n"
    "Usage: ardun-sim --port N [--baud B] [--size S] [--rate R] [--count C] [--noise K]\n"
    "                 [--first F]\n"
    "\n"
    "  --port N    COM port number to send on (required), 0 to 255, e.g. 10 for\n"
    "              COM10: the ports the plug-in's dialog lists\n"
    "  --baud B    baud rate, default 115200 (8 data bits, no parity, 1 stop bit)\n"
    "  --size S    payload bytes per frame, 1 to 255, default 16\n"
    "  --rate R    frames per second, 1 to 1000, default 20\n"
    "  --count C   frames to send, default 0 = until Ctrl+C\n"
    "  --noise K   bytes of line noise before each frame, 0 to 64, default 0\n"
    "              (what a board that sends with ArdunFrame sends); the noise\n"
    "              never holds 0xFF, so it never looks like a frame start\n"
    "  --first F   sequence number of the first frame, default 0\n"
    "  --help      this text\n"
    "\n"
    "Each frame is written by the device library ArdunFrame: the lead byte 0x55,\n"
    "0xFF 0x00, the payload with every data 0xFF sent twice, then 0x55 bytes that\n"
    "end the host's request at once and keep its reader in step.\n"
    "Payload of frame s (s = 0, 1, 2, ... or from --first), cut to the size asked for:\n"
    "  bytes 0-3  s, 32-bit little-endian\n"
    "  byte  4    sensor A = T(s)\n"
    "  byte  5    sensor B = T(s + 128)\n"
    "  byte  6    sensor C = T(3 * s)\n"
    "  byte  i    (s + i) mod 256, for i from 7 on\n"
    "where T(t) climbs 0, 1, ..., 255 and falls back to 0 (period 510):\n"
    "T(t) = t mod 510 if that is at most 255, else 510 - (t mod 510).\n"
    "\n"
    "Like a real device it keeps sending when nobody reads the other end: the\n"
    "bytes the port will not take are dropped, said once and counted at the end.\n"
    "\n"
    "In PowerShell, run it as .\\ardun-sim from its own folder.\n"
    "\n"
    "Exit status: 0 when the frames were sent (or Ctrl+C), 1 when the port could\n"
    "not be opened or a write failed (other than by its time-out), 2 for a wrong\n"
    "command line.\n";

namespace {

const NumberOption<SimOptions> NUMBER_OPTIONS[] = {
    {"--port", LOWEST_PORT_NUMBER, HIGHEST_PORT_NUMBER, &SimOptions::port},
    {"--baud", 1, 4000000, &SimOptions::baudRate},
    {"--size", 1, LARGEST_PACKET_SIZE, &SimOptions::size},
    {"--rate", 1, 1000, &SimOptions::rate},
    {"--count", 0, 0xFFFFFFFFu, &SimOptions::count},
    {"--noise", 0, 64, &SimOptions::noise},
    {"--first", 0, 0xFFFFFFFFu, &SimOptions::first},
};

}  // namespace

bool ParseSimOptions(int argc, const char* const* argv, SimOptions* options, std::string* error)
{
    bool portGiven = false;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (IsHelpArgument(argument)) {
            options->showHelp = true;
            return true;
        }
        const NumberOption<SimOptions>* option = FindNumberOption(NUMBER_OPTIONS, argument);
        if (option == nullptr) {
            *error = std::string("unknown argument '") + argument + "'";
            return false;
        }
        if (!ReadNumberOption(argc, argv, &i, *option, options, error))
            return false;
        if (option->field == &SimOptions::port)
            portGiven = true;
    }
    if (!portGiven) {
        *error = "--port is required (the COM number to send on)";
        return false;
    }
    return true;
}
