// The component's packet reader: one packet request over the component's own
// COM port, timed on the performance counter.
#include "parser/ardun_parser.h"

namespace {

// The precise clock of a request is the performance counter in seconds; the
// tick count is the cheap reading that tells when the precise one is needed.
// The performance-counter queries cannot fail on Windows XP and later, so
// their results are ignored on purpose.
class PerformanceClock {
public:
    PerformanceClock() { (void)QueryPerformanceFrequency(&frequency); }

    double Seconds() const
    {
        LARGE_INTEGER counter;
        (void)QueryPerformanceCounter(&counter);
        return (double)counter.QuadPart / (double)frequency.QuadPart;
    }

    // GetTickCount, not GetTickCount64: the module must load on every
    // Windows the host runs on; the reader copes with its wrap-around.
    uint32_t TickMilliseconds() const { return GetTickCount(); }

private:
    LARGE_INTEGER frequency;
};

}  // namespace

ResultCode MVArdunParser::PacketReader(uint32_t wanted, PacketRequester requester)
{
    PerformanceClock clock;
    const ResultCode result =
        CollectPacket(serialPort, clock, timeLimit, wanted, requester, &held, &lastOutcome);
    if (result == E_FAIL)
        errorFlag = 0;  // the port is not open
    return result;
}
