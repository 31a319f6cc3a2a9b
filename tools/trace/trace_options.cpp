#include "tools/trace/trace_options.h"

#include <string.h>

#include "plugin/host_interfaces.h"
#include "settings/port_range.h"
#include "tools/cli/number_argument.h"

namespace {

// The help text around how long --find listens on a port at most, which the
// search's own plan tells.
const char* const USAGE_BEFORE_SEARCH_TIME =
    "ardun-trace: shows what the ArdunParser plug-in reads from a COM port, and\n"
    "why a packet does not come, while it asks for packets as the host does.\n"
    "It runs the plug-in's own port, reader and log code, so the window shows\n"
    "exactly what the plug-in takes from the line and what it makes of it.\n"
    "\n"
    "Usage: ardun-trace [--port N] [--baud B] [--size N] [--count K] [--keep C]\n"
    "                   [--log] [--console] [--out FILE]\n"
    "       ardun-trace --find [--port N] [--baud B] [--save | --save-to DIR]\n"
    "                   [--out FILE]\n"
    "       ardun-trace --watch [--pid P] [--seconds S] [--out FILE]\n"
    "\n"
    "  --watch     show what the host running the plug-in asks of it, as it\n"
    "              works: the host's program and process, each Open (port, baud\n"
    "              rate, result), Close, the time-outs set and purges; each\n"
    "              second the packets asked for, ok, time-outs, misreads and the\n"
    "              N asked for; and what is wrong, when it begins, every 10 s\n"
    "              while it lasts and when it ends: frames not the size asked\n"
    "              for, packets late because the device sends faster than the\n"
    "              host asks (and bytes lost once the port's buffer is full),\n"
    "              bytes but no frames (the baud rate), nothing arriving, the\n"
    "              port lost and back, a Write that is not P,N.\n"
    "              Every host whose plug-in publishes is watched; none running:\n"
    "              it waits for one. It ends when the hosts end. It only reads:\n"
    "              the host never waits for it. ardun-trace.exe --watch (a\n"
    "              shortcut's) shows it in the window\n"
    "  --pid P     with --watch: the host with process id P only\n"
    "  --seconds S with --watch: end after S seconds\n"
    "  --find      look for the device first: listen on COM N, or on every COM\n"
    "              port that opens, at each common baud rate (9600 to 1000000),\n"
    "              about a second each, without sending anything; report per\n"
    "              port the baud rate where Ardun frames came, their payload\n"
    "              length, frames per second, and the settings to use: the port,\n"
    "              the baud rate and the N the host must ask for; ";
const char* const USAGE_AFTER_SEARCH_TIME =
    ".\n"
    "              With --baud B it listens at B alone: a device at a rate not\n"
    "              in the list (14400, 31250, 74880)\n"
    "  --save      with --find: keep the port found in ArdunParser.dat beside\n"
    "              ardun-trace.exe, as the plug-in's configuration dialog does;\n"
    "              that copy serves ardun-trace and a plug-in beside it, not the\n"
    "              host's copy of the plug-in in its own folder\n"
    "  --save-to DIR  with --find: keep the port in DIR\\ArdunParser.dat instead,\n"
    "              such as the folder the host loads ArdunParser.dll from\n"
    "  --port N    COM port number, e.g. 9 for COM9; default: the port named in\n"
    "              ArdunParser.dat beside ardun-trace.exe, as the plug-in reads it\n"
    "              (\\\\.\\COM1 when there is no such file)\n"
    "  --baud B    baud rate, default 115200\n"
    "  --size N    payload bytes per packet request, 1 to 255, default 16\n"
    "  --count K   packet requests to run, then end; default 0 = until the window\n"
    "              is closed\n"
    "  --keep C    characters the window keeps, 20000 to 100000000, default\n"
    "              1000000; beyond that its oldest lines are dropped\n"
    "  --log       show the plug-in's own diagnostic log, two lines per byte,\n"
    "              instead of one block per request\n"
    "  --console   also write every line to standard output (from a console, or\n"
    "              redirected into a file)\n"
    "  --out FILE  also write every line to FILE, as UTF-8 text (for a shell that\n"
    "              cannot redirect a window program's output)\n"
    "  --help      this text\n"
    "\n"
    "The window's menu chooses the port (the ports that open, as the plug-in's\n"
    "configuration dialog lists them), the baud rate and the packet size, and\n"
    "\"Find the device\" runs --find over every port; the trace then starts anew\n"
    "with the new choice, or with what was found.\n"
    "\n"
    "Reading the trace: lines that start \"KVSerial: \" are the port's own steps.\n"
    "Each request shows the bytes it read, one kind a line:\n"
    "  skipped  bytes before the frame start, which the reader discards\n"
    "  start    the frame start FF 00\n"
    "  payload  the bytes stored, a data FF (sent as FF FF) shown once\n"
    "  lost     a single FF inside a frame, which the reader drops\n"
    "  dropped  the byte after the payload, which the reader takes and drops\n"
    "  unread   the byte read when the time limit had passed\n"
    "With --log every byte read is \"KVSerial: Read\" and \"0000: XX\", the byte in\n"
    "hex and, at the end, as a character (\".\" when not printable).\n"
    "After each request one line of the trace's own says how it went, with the\n"
    "request's number; only a packet that came is labelled \"Packet\":\n"
    "  Packet 3: 0x00000000 ok, 16 bytes: ...  a whole new packet arrived\n"
    "  Nothing new (request 3): ...            no new frame: the host would get\n"
    "                                          the packet before again\n"
    "  Time-out (request 3): ... no byte at    wrong port, or a device that is\n"
    "            all                           off or not sending\n"
    "  Time-out ...: N bytes but no frame      wrong baud rate, or a device that\n"
    "            start                         sends no Ardun frames\n"
    "  Time-out ...: a frame cut short         the device fell silent inside a\n"
    "                                          frame\n"
    "  Time-out ...: the time limit passed     the device or its baud rate is too\n"
    "            inside a frame                slow for the packet size\n"
    "  Failed (request 3): ... the port is     the port was closed under the trace\n"
    "            not open\n"
    "Where the port, the rate or the size may be wrong, the line says that\n"
    "\"Find the device\" in the menu (ardun-trace --find) finds the port, rate\n"
    "and size.\n"
    "The window counts a packet (ok or misread) once the frames are measured;\n"
    "when the size measured changes, the latest packets move, and a line says so.\n"
    "A wrong --size mostly still gives \"ok\" packets: asked for more than the\n"
    "device sends, a packet ends in the next frame's bytes; asked for fewer, the\n"
    "rest of the frame is skipped. So the trace measures the frames itself and\n"
    "adds a line of its own:\n"
    "  the device's frames look shorter than N bytes: about M\n"
    "      after a packet that holds a frame start, or that ends in the\n"
    "      library's end bytes 55 55 once a frame shows M-byte payloads (a\n"
    "      payload of the size measured is not short, whatever its last bytes)\n"
    "  the device's frames hold about M payload bytes, not the N asked for\n"
    "      once, when the frames measured over the trace are not --size long\n"
    "ardun-trace --find measures the baud rate and the size before any trace.\n"
    "\"Could not open \\\\.\\COMn\" says why, with the Windows error and its text: no\n"
    "such port, another program holds it, or the driver refused the baud rate.\n"
    "\n"
    "Exit status: 0 at least one packet arrived; 1 the port could not be opened,\n"
    "the window could not be made or the --out file not made; 2 wrong command\n"
    "line; 3 not a single packet arrived. With --find: 0 a device was found, 1\n"
    "--save could not keep its port or the --out file not made, 3 none was\n"
    "found. With --watch: 0 a host was watched, 1 the --out file not made, 3\n"
    "no host appeared.\n";

}  // namespace

std::string TraceUsage(const std::string& searchTime)
{
    return USAGE_BEFORE_SEARCH_TIME + searchTime + USAGE_AFTER_SEARCH_TIME;
}

namespace {

const NumberOption<TraceOptions> NUMBER_OPTIONS[] = {
    {"--port", LOWEST_PORT_NUMBER, HIGHEST_PORT_NUMBER, &TraceOptions::port},
    {"--baud", 1, 4000000, &TraceOptions::baudRate},
    {"--size", 1, LARGEST_PACKET_SIZE, &TraceOptions::size},
    {"--count", 0, 0xFFFFFFFFu, &TraceOptions::count},
    {"--keep", 20000, 100000000, &TraceOptions::keepCharacters},
    {"--pid", 1, 0xFFFFFFFFu, &TraceOptions::pid},
    {"--seconds", 1, 0xFFFFFFFFu / 1000000u, &TraceOptions::seconds},
};

// An option without a value: it sets its field.
struct FlagOption {
    const char* name;
    bool TraceOptions::*field;
};

const FlagOption FLAG_OPTIONS[] = {
    {"--console", &TraceOptions::console},  // every line to standard output too
    {"--log", &TraceOptions::log},          // the module's log, not the request view
    {"--find", &TraceOptions::find},        // a search for the device
    {"--save", &TraceOptions::save},        // with --find
    {"--watch", &TraceOptions::watch},      // the host's calls, not a line of our own
};

const FlagOption* FindFlagOption(const char* argument)
{
    for (const FlagOption& flag : FLAG_OPTIONS)
        if (strcmp(argument, flag.name) == 0)
            return &flag;
    return nullptr;
}

}  // namespace

bool ParseTraceOptions(int argc, const char* const* argv, TraceOptions* options, std::string* error)
{
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (IsHelpArgument(argument)) {
            options->showHelp = true;
            return true;
        }
        const FlagOption* flag = FindFlagOption(argument);
        if (flag != nullptr) {
            options->*flag->field = true;
            continue;
        }
        if (strcmp(argument, "--out") == 0 || strcmp(argument, "--save-to") == 0) {
            const bool out = strcmp(argument, "--out") == 0;
            if (i + 1 >= argc || argv[i + 1][0] == '\0') {
                *error = out ? "--out needs a file name" : "--save-to needs a folder";
                return false;
            }
            (out ? options->out : options->saveTo) = argv[++i];
            options->save = options->save || !out;
            continue;
        }
        const NumberOption<TraceOptions>* option = FindNumberOption(NUMBER_OPTIONS, argument);
        if (option == nullptr) {
            *error = std::string("unknown argument '") + argument + "'";
            return false;
        }
        if (!ReadNumberOption(argc, argv, &i, *option, options, error))
            return false;
        options->baudGiven = options->baudGiven || option->field == &TraceOptions::baudRate;
    }
    if ((options->pid != 0 || options->seconds != 0) && !options->watch) {
        *error = options->pid != 0 ? "--pid goes with --watch" : "--seconds goes with --watch";
        return false;
    }
    if (options->watch && options->find) {
        *error = "--watch and --find are two runs: choose one";
        return false;
    }
    if (options->save && !options->find) {
        *error = options->saveTo.empty() ? "--save goes with --find" : "--save-to goes with --find";
        return false;
    }
    return true;
}
