#include "tools/trace/device_finder.h"

#include <stdarg.h>
#include <stdio.h>

#include <algorithm>

#include "parser/performance_clock.h"
#include "settings/port_range.h"
#include "tools/cli/windows_error.h"
#include "tools/trace/frame_length_meter.h"
#include "tools/trace/listening_port.h"

const uint32_t COMMON_BAUD_RATES[COMMON_BAUD_RATE_COUNT] = {9600,   19200,  38400,  57600,  115200,
                                                            230400, 250000, 500000, 921600, 1000000};

namespace {

const double SECONDS_PER_RATE = 1.0;
// A board that resets when its port opens is quiet this long at most.
const double QUIET_ALLOWANCE = 2.0;
const double QUIET_WORTH_SAYING = 0.5;
// Frame starts that make a device, not a chance pattern of bytes.
const uint32_t FEWEST_FRAME_STARTS = 4;
// A device that sends about a frame a second has sent a frame start or two in
// a rate's second: it is given this much longer to send enough. Once a port,
// so that chance frame starts at wrong rates cannot stretch the search.
const double SLOW_DEVICE_SECONDS = 3.0;

struct Heard {
    uint32_t bytes = 0;
    uint32_t payloadLength = 0;  // 0: no frames measured
    uint32_t frameStarts = 0;
    double framesPerSecond = 0;
    double quietSeconds = 0;  // before the first byte
};

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);  // the texts here are far shorter
    va_end(args);
    return text;
}

bool Stopped(const std::atomic<bool>* stop)
{
    return stop != nullptr && *stop;
}

// Listens for `seconds`; with a quiet allowance, the seconds count from the
// first byte, which may be that much later. Up to `patience` seconds more
// when a frame start came but too few to measure.
Heard Listen(ListeningPort& port, double seconds, double quietAllowance, double patience,
             const std::atomic<bool>* stop)
{
    Heard heard;
    FrameLengthMeter meter;
    const PerformanceClock clock;
    const double begin = clock.Seconds();
    double end = begin + seconds + quietAllowance;
    double firstStartAt = 0, lastStartAt = 0;
    uint32_t startsAtFirst = 0, startsAtLast = 0;
    for (double now = begin; !Stopped(stop); now = clock.Seconds()) {
        const uint32_t starts = meter.FrameStarts();
        if (now >= end && (starts == 0 || starts >= FEWEST_FRAME_STARTS || now >= end + patience))
            break;
        uint8_t buffer[256];
        const DWORD count = port.Read(buffer, sizeof buffer);
        if (count == 0)
            continue;
        const double at = clock.Seconds();
        if (heard.bytes == 0) {
            heard.quietSeconds = at - begin;
            end = std::max(begin + seconds, std::min(end, at + seconds));
        }
        heard.bytes += count;
        const uint32_t before = meter.FrameStarts();
        meter.Add(buffer, count);
        if (meter.FrameStarts() != before) {
            if (startsAtFirst == 0) {
                firstStartAt = at;
                startsAtFirst = meter.FrameStarts();
            }
            lastStartAt = at;
            startsAtLast = meter.FrameStarts();
        }
    }
    heard.frameStarts = meter.FrameStarts();
    heard.payloadLength = heard.frameStarts >= FEWEST_FRAME_STARTS ? meter.PayloadLength() : 0;
    if (lastStartAt > firstStartAt)
        heard.framesPerSecond = (startsAtLast - startsAtFirst) / (lastStartAt - firstStartAt);
    return heard;
}

// True with *found when Ardun frames came at one of the rates.
bool FindOnPort(ListeningPort& port, uint32_t number, const SayLine& say, const std::atomic<bool>* stop,
                FoundDevice* found)
{
    say(Format("COM%u: listening for Ardun frames at %u baud rates, about a second each", (unsigned)number,
               (unsigned)COMMON_BAUD_RATE_COUNT));
    uint32_t bytes = 0;
    uint32_t frameStarts = 0;
    double patience = SLOW_DEVICE_SECONDS;
    bool first = true;
    for (const uint32_t rate : COMMON_BAUD_RATES) {
        if (Stopped(stop))
            return false;
        if (!first && !port.SetBaudRate(rate)) {
            say(Format("COM%u: %u baud refused: %s", (unsigned)number, (unsigned)rate,
                       DescribeWindowsError(port.LastError()).c_str()));
            if (!port.IsOpen())
                return false;
            continue;
        }
        // Only the first rate waits for a board that is still starting.
        const Heard heard = Listen(port, SECONDS_PER_RATE, first ? QUIET_ALLOWANCE : 0, patience, stop);
        if (heard.frameStarts > 0)
            patience = 0;
        if (first && heard.bytes > 0 && heard.quietSeconds >= QUIET_WORTH_SAYING)
            say(Format("COM%u: quiet for %.1f s after the port opened, then bytes came: a board that resets "
                       "when its port opens, as an Arduino Uno does",
                       (unsigned)number, heard.quietSeconds));
        first = false;
        bytes += heard.bytes;
        frameStarts += heard.frameStarts;
        if (heard.payloadLength != 0) {
            *found = FoundDevice{number, rate, heard.payloadLength, heard.framesPerSecond};
            say(Format("COM%u: Ardun frames at %u baud: %u payload bytes each, %.1f frames a second",
                       (unsigned)number, (unsigned)rate, (unsigned)heard.payloadLength,
                       heard.framesPerSecond));
            say(DescribeSettingsToUse(*found));
            return true;
        }
    }
    if (bytes == 0)
        say(Format("COM%u: no byte at any baud rate: nothing sends on this port", (unsigned)number));
    else if (frameStarts > 0)
        say(Format("COM%u: %u bytes and %u Ardun frame starts, too few to measure a frame: a device that "
                   "sends less than one frame a second?",
                   (unsigned)number, (unsigned)bytes, (unsigned)frameStarts));
    else
        say(Format("COM%u: %u bytes, but no Ardun frames at any baud rate", (unsigned)number,
                   (unsigned)bytes));
    return false;
}

}  // namespace

std::string DescribeSettingsToUse(const FoundDevice& device)
{
    return Format("  use port COM%u at %u baud, the host asking for %u bytes (P,%u): "
                  "ardun-trace --port %u --baud %u --size %u",
                  (unsigned)device.port, (unsigned)device.baudRate, (unsigned)device.payloadLength,
                  (unsigned)device.payloadLength, (unsigned)device.port, (unsigned)device.baudRate,
                  (unsigned)device.payloadLength);
}

std::vector<FoundDevice> FindDevices(uint32_t port, const SayLine& say, const std::atomic<bool>* stop)
{
    std::vector<FoundDevice> devices;
    const bool everyPort = port == EVERY_COM_PORT;
    const uint32_t first = everyPort ? LOWEST_PORT_NUMBER : port;
    const uint32_t last = everyPort ? HIGHEST_PORT_NUMBER : port;
    bool anyOpened = false;
    for (uint32_t number = first; number <= last && !Stopped(stop); ++number) {
        ListeningPort listening;
        if (!listening.Open(number, COMMON_BAUD_RATES[0])) {
            // Of every port, only those that open are named.
            if (!everyPort)
                say(Format("COM%u could not be opened: %s", (unsigned)number,
                           DescribeWindowsError(listening.LastError()).c_str()));
            continue;
        }
        anyOpened = true;
        FoundDevice found;
        if (FindOnPort(listening, number, say, stop, &found))
            devices.push_back(found);
    }
    if (everyPort && !anyOpened)
        say("No COM port could be opened.");
    return devices;
}
