#include "parser/ardun_parser.h"

#include <string.h>

#include "common/bounded_text.h"
#include "common/version.h"
#include "plugin/host_answers.h"
#include "settings/port_setting.h"

namespace {

const double PACKET_TIME_LIMIT_SECONDS = 3.0;

const char COMPONENT_GUID[] = "7E94B2C1-06DA-4c38-B571-2F8E6A0D93B4";

}  // namespace

MVArdunParser::MVArdunParser()
    : errorFlag(0),
      held(),
      lastOutcome(),
      timeLimit(PACKET_TIME_LIMIT_SECONDS),
      portLost(false),
      openBaudRate(0),
      hostTimeoutsSet(false),
      hostTimeouts(),
      requestObserved(false),
      requestWanted(),
      requestInputQueue(0),
      requestLineErrors(0)
{
    errorText[0] = '\0';
}

MVArdunParser::~MVArdunParser()
{
    serialPort.ClosePort();
}

int32_t MVArdunParser::GetComponentType()
{
    return MV_COMPONENT_TYPE_DATA_ACQ;
}

int32_t MVArdunParser::GetComponentInfo(MVComponentInfo* info)
{
    if (!info)
        return 0;
    WriteGuidFromText(COMPONENT_GUID, &info->componentId);
    // A cut text is not reported to the host: the results are ignored on purpose.
    (void)BoundedCopy(info->name, sizeof info->name, "Ardun Packet Parser Component");
    (void)BoundedCopy(info->description, sizeof info->description,
                      "This component parses Ardun 1 and Ardun 3 data packets.");
    (void)BoundedCopy(info->version, sizeof info->version, ARDUN_VERSION_TEXT);
    info->trailer1 = 1;
    info->trailer2 = 1;
    info->trailer3 = 0;
    return 1;
}

int32_t MVArdunParser::ShowConfig(MVConfigRequest* request)
{
    return ShowConfigForHost(request);
}

int32_t MVArdunParser::ComponentReserved(uint32_t, uint32_t, uint32_t)
{
    return 0;
}

const char* MVArdunParser::GetLastErrorText(int32_t* flag)
{
    // A host that passes no flag pointer still gets the text.
    if (flag)
        *flag = errorFlag;
    return errorText;
}

ResultCode MVArdunParser::GetHardwareInfo(MVHardwareInfo* info)
{
    if (!info)
        return E_INVALIDARG;
    (void)BoundedCopy(info->name, sizeof info->name, "Fake Data Acq Hardware");  // cut not reported
    info->terminatorByte = 0;
    return RESULT_OK;
}

ResultCode MVArdunParser::Open(MVOpenParams* params)
{
    if (!params)
        return RESULT_OK;
    if (params->kind != OPEN_KIND_SERIAL) {
        errorFlag = 0;
        events.ForEach(
            [params](ComponentEvents& receiver) { receiver.Opened(PortSetting, params->baudRate, E_FAIL); });
        return E_FAIL;
    }
    CloseForHost();
    // Whatever is held came before this open: a Read on the new port must
    // not hand it out as its own packet.
    held.storedByLastRequest = false;
    openBaudRate = params->baudRate;
    hostTimeoutsSet = false;
    ResultCode result = RESULT_OK;
    if (!serialPort.OpenPort(PortSetting, params->baudRate)) {
        // A path too long for the text is cut; the message stays useful either way.
        (void)BoundedPrintf(errorText, sizeof errorText, "Could not open %s", PortSetting);
        errorFlag = 1;
        result = E_FAIL;
    }
    events.ForEach([this, params, result](ComponentEvents& receiver) {
        receiver.Opened(serialPort.PortPath(), params->baudRate, result);
    });
    return result;
}

void MVArdunParser::CloseForHost()
{
    portLost = false;  // the host's close ends the wait for the device too
    serialPort.ClosePort();
}

ResultCode MVArdunParser::Close()
{
    CloseForHost();
    events.ForEach([](ComponentEvents& receiver) { receiver.Closed(RESULT_OK); });
    return RESULT_OK;
}

uint64_t MVArdunParser::BeginRequest()
{
    // Each receiver is asked, so that each knows where its request begins.
    requestObserved = false;
    for (size_t slot = 0; slot < RECEIVER_SLOTS; ++slot) {
        ComponentEvents* receiver = events.At(slot);
        requestWanted[slot] = receiver != NULL && receiver->RequestBegins();
        requestObserved = requestObserved || requestWanted[slot];
    }
    return requestObserved ? clock.Microseconds() : 0;
}

void MVArdunParser::ReportRequest(PortRequestKind kind, uint32_t requested, ResultCode result, bool collected,
                                  uint64_t startMicroseconds)
{
    PortRequestEvent event = {kind, requested, result, 0, 0, 0, 0, 0};
    if (collected) {
        event.stored = lastOutcome.stored;
        event.skipped = lastOutcome.skipped;
        event.inputQueue = requestInputQueue;
        event.lineErrors = requestLineErrors;
    }
    // A request lasts seconds at most: the difference fits.
    event.durationMicroseconds = (uint32_t)(clock.Microseconds() - startMicroseconds);
    for (size_t slot = 0; slot < RECEIVER_SLOTS; ++slot)
        if (requestWanted[slot] && events.At(slot) != NULL)
            events.At(slot)->RequestEnded(event);
}

ResultCode MVArdunParser::Write(MVIORequest* request)
{
    const uint64_t start = BeginRequest();
    if (!request || !request->buffer || request->length == 0) {
        errorFlag = 0;
        if (requestObserved)
            ReportRequest(PortRequestKind::Write, 0, E_INVALIDARG, false, start);
        return E_INVALIDARG;
    }
    // Nothing is sent to the line: a write only chooses the size of the next packet.
    ResultCode result = RESULT_OK;
    uint32_t handled = 0;
    uint32_t wanted = 0;
    if (request->length == PACKET_REQUEST_LENGTH && request->buffer[0] == PACKET_REQUEST_LETTER) {
        wanted = request->buffer[1];
        result = PacketReader(wanted, PacketRequester::Write);
        handled = PACKET_REQUEST_LENGTH;  // the host counts the request as taken, whatever came
    }
    if (request->handledCount)
        *request->handledCount = handled;
    if (requestObserved)
        ReportRequest(PortRequestKind::Write, wanted, result, handled != 0, start);
    return result;
}

ResultCode MVArdunParser::Read(MVIORequest* request)
{
    const uint64_t start = BeginRequest();
    if (!request) {
        errorFlag = 0;
        if (requestObserved)
            ReportRequest(PortRequestKind::Read, 0, E_INVALIDARG, false, start);
        return E_INVALIDARG;
    }
    ResultCode result = RESULT_OK;
    uint32_t reported = held.storedCount;
    const bool collects = request->buffer && request->length != 0;
    if (collects) {
        result = PacketReader(request->length, PacketRequester::Read);
        // Even after a time-out the host gets what is held, but never more
        // than its buffer takes: a longer held payload is cut to the length.
        reported = held.storedCount < request->length ? held.storedCount : request->length;
        if (reported != 0)
            memcpy(request->buffer, held.packetBuffer, reported);
    }
    if (request->handledCount)
        *request->handledCount = reported;
    if (requestObserved)
        ReportRequest(PortRequestKind::Read, request->length, result, collects, start);
    return result;
}

ResultCode MVArdunParser::SetTimeouts(MVTimeouts* timeouts)
{
    COMMTIMEOUTS values = {};
    ResultCode result = E_FAIL;
    if (timeouts) {
        values = {timeouts->readIntervalTimeout, timeouts->readTotalTimeoutMultiplier,
                  timeouts->readTotalTimeoutConstant, timeouts->writeTotalTimeoutMultiplier,
                  timeouts->writeTotalTimeoutConstant};
        if (serialPort.SetPortTimeouts(&values)) {
            hostTimeouts = values;
            hostTimeoutsSet = true;
            result = RESULT_OK;
        }
    }
    if (result != RESULT_OK)
        errorFlag = 0;
    events.ForEach([&values, result](ComponentEvents& receiver) { receiver.TimeoutsSet(values, result); });
    return result;
}

ResultCode MVArdunParser::GetTimeouts(MVTimeouts* timeouts)
{
    if (!timeouts)
        return E_FAIL;
    COMMTIMEOUTS values;
    if (!serialPort.GetPortTimeouts(&values))
        return E_FAIL;
    timeouts->readIntervalTimeout = values.ReadIntervalTimeout;
    timeouts->readTotalTimeoutMultiplier = values.ReadTotalTimeoutMultiplier;
    timeouts->readTotalTimeoutConstant = values.ReadTotalTimeoutConstant;
    timeouts->writeTotalTimeoutMultiplier = values.WriteTotalTimeoutMultiplier;
    timeouts->writeTotalTimeoutConstant = values.WriteTotalTimeoutConstant;
    return RESULT_OK;
}

ResultCode MVArdunParser::PurgeOutput()
{
    // The host is not told about a failed purge, also not on a closed port.
    (void)serialPort.PurgePort(true, false);
    events.ForEach([](ComponentEvents& receiver) { receiver.Purged(PortPurge::Output, RESULT_OK); });
    return RESULT_OK;
}

ResultCode MVArdunParser::PurgeInput()
{
    (void)serialPort.PurgePort(false, true);  // outcome not reported, as for PurgeOutput
    events.ForEach([](ComponentEvents& receiver) { receiver.Purged(PortPurge::Input, RESULT_OK); });
    return RESULT_OK;
}
