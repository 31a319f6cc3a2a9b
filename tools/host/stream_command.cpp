#include "tools/host/stream_command.h"

#include <stdio.h>
#include <windows.h>

#include "common/performance_clock.h"
#include "tools/cli/hex_bytes.h"
#include "tools/cli/lost_port_pause.h"
#include "tools/cli/request_outcome.h"
#include "tools/cli/stop_request.h"
#include "tools/host/component_access.h"
#include "tools/host/configured_port.h"
#include "tools/host/port_read_tap.h"

static std::string TimeOfDay()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[16];
    snprintf(text, sizeof text, "%02u:%02u:%02u.%03u", now.wHour, now.wMinute, now.wSecond,
             now.wMilliseconds);
    return text;
}

namespace {

struct StreamTally {
    uint32_t requests = 0;
    uint32_t packets = 0;
    uint32_t timeouts = 0;
    unsigned long long payloadBytes = 0;
};

// The command that chooses the port, for the plug-in the user named.
std::string ConfigCommand(const HostOptions& options)
{
    if (options.dllPath.empty())
        return "ardun-host config";
    return "ardun-host config --dll \"" + options.dllPath + "\"";  // quoted for a path with blanks
}

// What the frames measured on the line say of the size asked for; empty while
// they say nothing, or when they are that size.
std::string SizeAdvice(const FrameLengthVerdict& verdict, uint32_t asked)
{
    const uint32_t measured = verdict.payloadLength;
    const std::string frames = "the device's frames hold " + DescribeFrameLength(verdict);
    if (verdict.finding == FrameLengthFinding::LongerThanAnyRequest)
        return frames + ", longer than any host can ask for (" + std::to_string(LARGEST_PACKET_SIZE) +
               " at most)";
    if (verdict.finding == FrameLengthFinding::VaryingLengths)
        return VaryingLengthsText(verdict);
    if (verdict.finding != FrameLengthFinding::Found || measured == asked)
        return "";
    return frames + ", not the " + std::to_string(asked) + " asked for: ask for " + std::to_string(measured) +
           " (--size " + std::to_string(measured) + ")";
}

// One packet request: Write P,N then Read N. Prints what happened.
RequestOutcome RequestPacket(IMVDataAcqIO* component, uint32_t size, uint32_t number, StreamTally* tally)
{
    uint8_t request[PACKET_REQUEST_LENGTH] = {PACKET_REQUEST_LETTER, static_cast<uint8_t>(size)};
    uint32_t handled = 0;
    MVIORequest write = {0, request, sizeof request, &handled};
    ResultCode result = component->Write(&write);
    if (result == RESULT_TIMEOUT) {
        printf("%s #%u time-out %s in Write: no whole %u-byte packet in time\n", TimeOfDay().c_str(),
               number, FormatResultCode(result).c_str(), size);
        return RequestOutcome::TimeOut;
    }
    if (result != RESULT_OK) {
        printf("%s #%u Write (IMVDataAcqIO slot 9) failed with %s; %s\n", TimeOfDay().c_str(), number,
               FormatResultCode(result).c_str(), DescribeLastError(component).c_str());
        return RequestOutcome::Failed;
    }

    // One byte more than any size asked for, so a count beyond the request is
    // noticed instead of trusted.
    uint8_t payload[256] = {};
    uint32_t received = 0;
    MVIORequest read = {0, payload, size, &received};
    result = component->Read(&read);
    if (result == RESULT_TIMEOUT) {
        // A whole packet held with a time-out is the packet before: nothing new came.
        if (received == size)
            printf("%s #%u time-out %s in Read: no new packet (the %u bytes held are the packet before)\n",
                   TimeOfDay().c_str(), number, FormatResultCode(result).c_str(), received);
        else
            printf("%s #%u time-out %s in Read: %u of %u bytes held\n", TimeOfDay().c_str(), number,
                   FormatResultCode(result).c_str(), received, size);
        return RequestOutcome::TimeOut;
    }
    if (result != RESULT_OK) {
        printf("%s #%u Read (IMVDataAcqIO slot 10) failed with %s; %s\n", TimeOfDay().c_str(), number,
               FormatResultCode(result).c_str(), DescribeLastError(component).c_str());
        return RequestOutcome::Failed;
    }
    if (received > size) {
        printf("%s #%u Read reported %u bytes for a %u-byte request; showing %u\n", TimeOfDay().c_str(),
               number, received, size, size);
        received = size;
    }
    printf("%s #%u %u bytes: %s\n", TimeOfDay().c_str(), number, received,
           FormatHexBytes(payload, received).c_str());
    tally->payloadBytes += received;
    return RequestOutcome::Packet;
}

// A host that asks at a fixed pace: waits until the request's time; a Ctrl+C
// ends the wait within a tenth of a second.
void WaitForRequestTime(const PerformanceClock& clock, double requestTime)
{
    for (double left = requestTime - clock.Seconds(); left > 0 && !StopRequested();
         left = requestTime - clock.Seconds())
        Sleep(left > 0.1 ? 100 : (DWORD)(left * 1000.0));
}

// The time of the request after one that began at requestStart: one period
// after the one planned, so that the waits' delays do not add up; but a
// request that began late (the one before took longer than the period) is not
// made up by a burst of quicker ones, as a host's logging timer does not.
double NextRequestTime(double planned, double requestStart, double period)
{
    return planned + period >= requestStart ? planned + period : requestStart + period;
}

}  // namespace

int RunStreamCommand(const PluginLibrary& library, IMVPlugin* plugin, const HostOptions& options)
{
    std::string error;
    IMVDataAcqIO* component = GetDataAcqComponent(plugin, &error);
    if (component == nullptr) {
        fprintf(stderr, "ardun-host: %s\n", error.c_str());
        return 1;
    }
    std::string port = DescribeConfiguredPort(library);
    // A wrong size still gives "ok" packets, so the frames on the line are
    // measured as the plug-in reads them, from before the open on.
    const PortReadTap tap(library.Module());
    if (!tap.IsMeasuring())
        fprintf(stderr, "ardun-host: the frames' size cannot be measured: the plug-in's reads cannot be "
                        "watched\n");
    MVOpenParams params = {OPEN_KIND_SERIAL, options.baudRate};
    ResultCode result = component->Open(&params);
    if (result != RESULT_OK) {
        fprintf(stderr,
                "ardun-host: Open (IMVDataAcqIO slot 7) failed with %s; %s\n"
                "ardun-host: the configured port is %s; choose another with '%s'\n",
                FormatResultCode(result).c_str(), DescribeLastError(component).c_str(), port.c_str(),
                ConfigCommand(options).c_str());
        return 1;
    }
    // Whatever the line held before this open is stale.
    component->PurgeInput();  // always 0
    printf("Opened %s at %u baud; requesting %u-byte packets, %s\n", port.c_str(), options.baudRate,
           options.size,
           options.count == 0 ? "until Ctrl+C" : (std::to_string(options.count) + " times").c_str());
    fflush(stdout);
    if (!CatchStopRequests())
        fprintf(stderr, "ardun-host: Ctrl+C will end the program without a summary\n");

    StreamTally tally;
    bool sizeAdviceShown = false;
    bool failed = false;
    const PerformanceClock clock;
    const double start = clock.Seconds();
    const double period = options.everyMs / 1000.0;
    double requestTime = start;
    while ((options.count == 0 || tally.requests < options.count) && !StopRequested()) {
        if (options.everyMs != 0)
            WaitForRequestTime(clock, requestTime);
        ++tally.requests;
        const double requestStart = clock.Seconds();
        requestTime = NextRequestTime(requestTime, requestStart, period);
        RequestOutcome outcome = RequestPacket(component, options.size, tally.requests, &tally);
        const std::string advice = SizeAdvice(tap.Meter().Verdict(), options.size);
        if (!sizeAdviceShown && !advice.empty()) {
            printf("%s #%u %s\n", TimeOfDay().c_str(), tally.requests, advice.c_str());
            sizeAdviceShown = true;
        }
        fflush(stdout);
        if (outcome == RequestOutcome::Packet) {
            ++tally.packets;
        } else if (outcome == RequestOutcome::TimeOut) {
            ++tally.timeouts;
            // Sooner than a read time-out could end it: the port is gone.
            if (clock.Seconds() - requestStart < LOST_PORT_PAUSE_MS / 1000.0)
                Sleep(LOST_PORT_PAUSE_MS);
        } else {
            failed = true;
            break;
        }
    }
    const double seconds = clock.Seconds() - start;
    component->Close();  // always 0

    printf("Summary: %u packets, %u time-outs in %u requests; %llu payload bytes in %.2f s (%.1f bytes/s)\n",
           tally.packets, tally.timeouts, tally.requests, tally.payloadBytes, seconds,
           seconds > 0 ? tally.payloadBytes / seconds : 0.0);
    const FrameLengthVerdict verdict = tap.Meter().Verdict();
    const std::string advice = SizeAdvice(verdict, options.size);
    if (verdict.finding == FrameLengthFinding::Found && verdict.payloadLength == options.size)
        printf("Frames measured on the line: %s, the size asked for\n", DescribeFrameLength(verdict).c_str());
    else if (!advice.empty())
        printf("Frames measured on the line: %s\n", advice.c_str());
    if (failed)
        return 1;
    if (tally.packets == 0 && tally.requests > 0) {
        fprintf(stderr,
                "ardun-host: no packet arrived. Check the port (%s), the baud rate (%u) and that "
                "the device sends Ardun frames.\n",
                port.c_str(), options.baudRate);
        return 3;
    }
    return 0;
}
