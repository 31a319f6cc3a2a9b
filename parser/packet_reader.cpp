// The component's packet reader: one packet request over the component's own
// COM port, timed on the performance counter.
#include "parser/ardun_parser.h"
#include "parser/performance_clock.h"

ResultCode MVArdunParser::PacketReader(uint32_t wanted, PacketRequester requester)
{
    PerformanceClock clock;
    const ResultCode result =
        CollectPacket(serialPort, clock, timeLimit, wanted, requester, &held, &lastOutcome);
    if (result == E_FAIL)
        errorFlag = 0;  // the port is not open
    return result;
}
