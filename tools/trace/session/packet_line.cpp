#include "tools/trace/session/packet_line.h"

#include "tools/cli/hex_bytes.h"
#include "tools/cli/result_code_text.h"

// What to do when the port, the baud rate or the size may be wrong.
static const char FIND_HINT[] =
    "\"Find the device\" in the menu (ardun-trace --find) finds the port, rate and size";

// Why a request stored no whole packet, in the words a user can act on.
static std::string LikelyCause(uint32_t wanted, const PacketRequestOutcome& outcome, const uint8_t* payload)
{
    const std::string wantedText = std::to_string(wanted);
    if (outcome.bytesReceived == 0)
        return std::string("no byte at all: is it the right port, is the device on and sending? ") +
               FIND_HINT;
    if (!outcome.frameStarted)
        return std::to_string(outcome.bytesReceived) +
               " bytes but no frame start FF 00: is the baud rate right, does the device send Ardun "
               "frames? " +
               FIND_HINT;
    std::string cause = outcome.timeLimitPassed ? "the time limit passed inside a frame, "
                                                : "a frame cut short, ";
    cause += std::to_string(outcome.stored) + " of " + wantedText + " payload bytes";
    if (outcome.stored > 0)
        cause += ": " + FormatHexBytes(payload, outcome.stored);
    if (outcome.timeLimitPassed)
        return cause + " (is the device or its baud rate too slow for " + wantedText + "-byte packets?)";
    return cause + " (does the device send " + wantedText + "-byte packets? " + FIND_HINT + ")";
}

std::string DescribePacketRequest(uint32_t number, uint32_t wanted, ResultCode result,
                                  const PacketRequestOutcome& outcome, const uint8_t* payload)
{
    // Only a packet that came is labelled a packet; the number counts the requests.
    const std::string request = " (request " + std::to_string(number) + "): " + FormatResultCode(result) +
                                " ";
    // The port opened again for this request, after the device had gone.
    const std::string back = outcome.portBack ? "port back, " : "";
    if (outcome.portLost && outcome.stored == 0)
        return "Port lost" + request + back +
               "the device is gone (unplugged?); each request tries to open the port again";
    if (outcome.portLost)
        return "Port lost" + request + back + "lost after " + std::to_string(outcome.stored) + " of " +
               std::to_string(wanted) + " payload bytes: " + FormatHexBytes(payload, outcome.stored) +
               "; each request tries to open the port again";
    if (result != RESULT_OK && result != RESULT_TIMEOUT)
        return "Failed" + request + back +
               "the port is not open: choose a port in the Port menu, or \"Find the device\"";
    if (result == RESULT_OK && outcome.stored == wanted)
        return "Packet " + std::to_string(number) + ": " + FormatResultCode(result) + " " + back + "ok, " +
               std::to_string(wanted) + " bytes: " + FormatHexBytes(payload, wanted);
    // A packet request that stores nothing keeps the packet before, and when
    // that has the size asked for the host is told it arrived.
    if (result == RESULT_OK)
        return "Nothing new" + request + back + "ok, but " + LikelyCause(wanted, outcome, payload) +
               "; the host is handed the packet before again";
    return "Time-out" + request + back + LikelyCause(wanted, outcome, payload);
}
