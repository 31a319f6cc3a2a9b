// ardun-trace's line for one packet request: the result, what the request
// saw of the line, and the likely cause.
#include "tools/trace/session/packet_line.h"

#include <gtest/gtest.h>

#include "common/result_codes.h"

TEST(TracePacketLine, NamesTheResultAndTheLikelyCause)
{
    static const uint8_t PAYLOAD[] = {0x01, 0xFF};
    static const struct {
        ResultCode result;
        PacketRequestOutcome outcome;
        const char* line;
    } CASES[] = {
        {RESULT_OK, {5, true, 2, false}, "Packet 7: 0x00000000 ok, 2 bytes: 01 FF"},
        {RESULT_OK,
         {4, false, 0, false},
         "Nothing new (request 7): 0x00000000 ok, but 4 bytes but no frame start FF 00: is the baud rate "
         "right, does the device send Ardun frames? \"Find the device\" in the menu (ardun-trace --find) "
         "finds the port, rate and size; the host is handed the packet before again"},
        {RESULT_TIMEOUT,
         {9, true, 1, true},
         "Time-out (request 7): 0x800705B4 the time limit passed inside a frame, 1 of 2 payload bytes: 01 "
         "(is "
         "the device or its baud rate too slow for 2-byte packets?)"},
        {RESULT_TIMEOUT,
         {3, true, 0, false},
         "Time-out (request 7): 0x800705B4 a frame cut short, 0 of 2 payload bytes (does the device send "
         "2-byte packets? \"Find the device\" in the menu (ardun-trace --find) finds the port, rate and "
         "size)"},
        {E_FAIL,
         {0, false, 0, false},
         "Failed (request 7): 0x80004005 the port is not open: choose a port in the Port menu, or "
         "\"Find the device\""},
        {RESULT_TIMEOUT,
         {0, false, 0, false, true, false},
         "Port lost (request 7): 0x800705B4 the device is gone (unplugged?); each request tries to open the "
         "port again"},
        {RESULT_TIMEOUT,
         {4, true, 1, false, true, true},
         "Port lost (request 7): 0x800705B4 port back, lost after 1 of 2 payload bytes: 01; each request "
         "tries to "
         "open the port again"},
        {RESULT_OK, {5, true, 2, false, false, true}, "Packet 7: 0x00000000 port back, ok, 2 bytes: 01 FF"},
        {RESULT_TIMEOUT,
         {0, false, 0, false},
         "Time-out (request 7): 0x800705B4 no byte at all: is it the right port, is the device on and "
         "sending? \"Find the device\" in the menu (ardun-trace --find) finds the port, rate and size"},
    };
    for (const auto& c : CASES)
        EXPECT_EQ(c.line, DescribePacketRequest(7, 2, c.result, c.outcome, PAYLOAD));
}
