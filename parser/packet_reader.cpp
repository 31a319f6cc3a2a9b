// The component's packet reader: one packet request over the component's own
// COM port, timed on the performance counter.
#include "common/performance_clock.h"
#include "parser/ardun_parser.h"

// Opens the lost port again as the host last had it. The port's own log
// lines show the attempt; a failed one leaves the port closed.
bool MVArdunParser::ReopenLostPort()
{
    if (!serialPort.OpenPort(NULL, openBaudRate))  // NULL: the path it had
        return false;
    // The host is not asked again: a refusal leaves the port's own time-outs,
    // which also end every read.
    if (hostTimeoutsSet)
        (void)serialPort.SetPortTimeouts(&hostTimeouts);
    return true;
}

ResultCode MVArdunParser::PacketReader(uint32_t wanted, PacketRequester requester)
{
    // Many hosts open the component once, when logging starts: after a
    // cable knocked out, the requests themselves bring the port back.
    const bool wasLost = portLost;
    requestInputQueue = 0;
    requestLineErrors = 0;
    if (portLost) {
        if (!ReopenLostPort()) {
            held.storedByLastRequest = false;  // this request collected nothing
            lastOutcome = PacketRequestOutcome();
            lastOutcome.portLost = true;
            return RESULT_TIMEOUT;
        }
        portLost = false;
        events.ForEach([](ComponentEvents& receiver) { receiver.PortBack(); });
    }
    // Asked only for a receiver that wants the request: the status call is
    // one more call on the port.
    if (requestObserved)
        requestInputQueue = serialPort.InputQueue(&requestLineErrors);
    PerformanceClock requestClock;
    ResultCode result = CollectPacket(serialPort, requestClock, timeLimit, wanted, requester, &held,
                                      &lastOutcome);
    if (result == E_FAIL)
        errorFlag = 0;  // the port is not open
    // A Write answers from the packet held only when the line was merely
    // quiet: after a failed read, or with the device gone, that packet is not
    // one the host may take for the one it asked for. The port's log says why.
    // A Read still hands out the packet its Write just collected.
    const bool readsFailed = serialPort.ReadFailed() || serialPort.DeviceGone();
    if (result == RESULT_OK && requester == PacketRequester::Write && lastOutcome.stored == 0 && readsFailed)
        result = RESULT_TIMEOUT;
    lastOutcome.portBack = wasLost;
    if (serialPort.DeviceGone()) {
        // The handle is dead for good. Closed now, so that the driver can let
        // the adapter go and the next request can open it when it is back.
        serialPort.ClosePort();
        portLost = true;
        lastOutcome.portLost = true;
        events.ForEach([](ComponentEvents& receiver) { receiver.PortLost(); });
    }
    return result;
}
