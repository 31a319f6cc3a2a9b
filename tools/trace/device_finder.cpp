#include "tools/trace/device_finder.h"

#include <math.h>
#include <stdarg.h>
#include <stdio.h>

#include <algorithm>
#include <iterator>
#include <numeric>

#include "common/performance_clock.h"
#include "settings/port_range.h"
#include "tools/cli/windows_error.h"
#include "tools/trace/frame_length_meter.h"
#include "tools/trace/listening_port.h"

const uint32_t COMMON_BAUD_RATES[COMMON_BAUD_RATE_COUNT] = {9600,   19200,  38400,  57600,  115200,
                                                            230400, 250000, 500000, 921600, 1000000};

// A device that sends a frame a second sends its first frame start within a
// rate's turn (or the read that ends it), and the four a length needs within
// the slow device's seconds more.
const SearchStep SEARCH_PLAN[SEARCH_STEP_COUNT] = {
    {"each baud rate", 0.9, COMMON_BAUD_RATE_COUNT},
    {"a board starting after its port opens", 1.5, 1},
    {"a device that sends about a frame a second", 3.4, 1},
    {"a read's time-out past the end of each listen", 0.1, COMMON_BAUD_RATE_COUNT},
};

double SearchPlanSeconds()
{
    return std::accumulate(
        std::begin(SEARCH_PLAN), std::end(SEARCH_PLAN), 0.0,
        [](double seconds, const SearchStep& step) { return seconds + step.seconds * step.times; });
}

std::string SearchTimeText()
{
    return "at most " + std::to_string((int)(SearchPlanSeconds() + 0.5)) + " s a port";
}

namespace {

const double QUIET_WORTH_SAYING = 0.5;
// Frame starts that make a device, not a chance pattern of bytes.
const uint32_t FEWEST_FRAME_STARTS = 4;
// Rates this close to one with frames are heard too: a UART 8 % off still
// takes most FF and 00 bytes, so frame starts come through at the wrong one.
const double NEIGHBOUR_FRACTION = 0.10;
// Framing errors in at most one read in this many count as next to none.
const uint32_t READS_PER_FRAMING_ERROR = 20;
// Bits a byte takes on the line: start, eight data bits, stop.
const uint32_t BITS_PER_BYTE = 10;

// Counts the steps of the plan the search has taken, and refuses one beyond
// its times.
class PlanCount {
public:
    uint32_t Left(SearchStepIndex step) const { return SEARCH_PLAN[step].times - taken[step]; }
    bool Take(SearchStepIndex step, uint32_t times = 1)
    {
        if (Left(step) < times)
            return false;
        taken[step] += times;
        return true;
    }

private:
    uint32_t taken[SEARCH_STEP_COUNT] = {};
};

// What a listen may spend past its turn, and the step of the plan that pays.
struct Patience {
    SearchStepIndex step;
    uint32_t times;
    bool forFirstStart;  // the device is known to send: its first frame start is waited for too
};

// Once a port, a rate whose first frame starts came without framing errors
// waits for a device that sends about a frame a second.
const Patience SLOW_DEVICE_PATIENCE = {SLOW_DEVICE, 1, false};

// The far rate, heard just after a device's frames and last, waits in the
// turns of the rates the search never hears: for a first frame start and
// the slow device's wait after it.
Patience FarRatePatience()
{
    return {EACH_RATE, (uint32_t)ceil(SEARCH_PLAN[SLOW_DEVICE].seconds / SEARCH_PLAN[EACH_RATE].seconds),
            true};
}

struct Heard {
    uint32_t bytes = 0;
    uint32_t frameStarts = 0;
    FrameLengthVerdict verdict = {FrameLengthFinding::TooFewFrames, 0};
    double framesPerSecond = 0;
    double quietSeconds = 0;    // before the first byte
    double longestSilence = 0;  // between reads with bytes, after the first
    uint32_t readsWithBytes = 0;
    LineErrors errors = {};
    bool refused = false;  // the driver did not take the rate
    bool listened = false;
    bool waitedForMore = false;  // listened past its turn, with the patience given
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

bool HasFrames(const Heard& heard)
{
    return heard.frameStarts >= FEWEST_FRAME_STARTS;
}

bool WholeFrames(const Heard& heard)
{
    return heard.verdict.finding == FrameLengthFinding::Found ||
           heard.verdict.finding == FrameLengthFinding::LongerThanAnyRequest;
}

bool NextToNoFramingErrors(const LineErrors& errors)
{
    return errors.framing * READS_PER_FRAMING_ERROR <= errors.reads;
}

uint32_t LineErrorCount(const Heard& heard)
{
    return heard.errors.framing + heard.errors.overrun + heard.errors.parity + heard.errors.breaks;
}

// Listens for `seconds`; with a quiet allowance, the seconds count from the
// first byte, which may be that much later. Up to `patience` seconds more
// when a frame start came (or, with forFirstStart, none yet) but too few to
// measure, and the line reports next to no framing errors: a wrong rate's
// chance frame starts are not waited for.
Heard Listen(ListeningPort& port, double seconds, double quietAllowance, double patience, bool forFirstStart,
             const std::atomic<bool>* stop)
{
    Heard heard;
    heard.listened = true;
    FrameLengthMeter meter;
    const PerformanceClock clock;
    const double begin = clock.Seconds();
    double end = begin + seconds + quietAllowance;
    double firstStartAt = 0, lastStartAt = 0, lastBytesAt = 0;
    uint32_t startsAtFirst = 0, startsAtLast = 0;
    for (double now = begin; !Stopped(stop); now = clock.Seconds()) {
        const uint32_t starts = meter.FrameStarts();
        if (now >= end) {
            if ((starts == 0 && !forFirstStart) || starts >= FEWEST_FRAME_STARTS || now >= end + patience ||
                !NextToNoFramingErrors(port.Errors()))
                break;
            heard.waitedForMore = true;
        }
        uint8_t buffer[256];
        const DWORD count = port.Read(buffer, sizeof buffer);
        if (count == 0)
            continue;
        const double at = clock.Seconds();
        if (heard.bytes == 0) {
            heard.quietSeconds = at - begin;
            end = std::max(begin + seconds, std::min(end, at + seconds));
        } else {
            heard.longestSilence = std::max(heard.longestSilence, at - lastBytesAt);
        }
        lastBytesAt = at;
        ++heard.readsWithBytes;
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
    heard.verdict = meter.Verdict();
    heard.errors = port.Errors();
    if (lastStartAt > firstStartAt)
        heard.framesPerSecond = (startsAtLast - startsAtFirst) / (lastStartAt - firstStartAt);
    return heard;
}

// A frames-a-second figure that needs more bits than the rate carries came
// from bytes queued before the listening began, not from the device.
bool RateCarries(uint32_t baudRate, uint32_t payloadLength, double framesPerSecond)
{
    // The fewest bytes a frame takes on the wire: the start FF 00 and the payload.
    return framesPerSecond * (payloadLength + 2) * BITS_PER_BYTE <= baudRate;
}

// Whether a UART at `other` may half understand a device at `index`'s rate
// (true of the rate itself).
bool IsNeighbour(size_t index, size_t other)
{
    const double rate = COMMON_BAUD_RATES[index];
    return fabs(COMMON_BAUD_RATES[other] - rate) <= rate * NEIGHBOUR_FRACTION;
}

// Why a rate heard was not taken.
std::string PassedOverReason(const Heard& heard)
{
    if (!HasFrames(heard) && heard.errors.framing > 0)
        return Format("no whole frames, framing errors in %u of %u reads", (unsigned)heard.errors.framing,
                      (unsigned)heard.errors.reads);
    if (!HasFrames(heard))
        return "no frames";
    if (heard.verdict.finding == FrameLengthFinding::VaryingLengths)
        return VaryingLengthsText(heard.verdict);
    if (!WholeFrames(heard))
        return Format("%u frame starts, too few whole frames", (unsigned)heard.frameStarts);
    if (!NextToNoFramingErrors(heard.errors))
        return Format("frames, but framing errors in %u of %u reads", (unsigned)heard.errors.framing,
                      (unsigned)heard.errors.reads);
    return Format("frames, but %u line errors, more than at the rate taken", (unsigned)LineErrorCount(heard));
}

// One port's search at every rate.
class PortSearch {
public:
    PortSearch(ListeningPort& port, uint32_t number, const SayLine& say, const std::atomic<bool>* stop)
        : port(port), number(number), say(say), stop(stop)
    {
    }

    // True with *found when a device's frames came whole at one of the rates.
    bool Run(FoundDevice* found);

private:
    // Listens at a rate in its turn, with the patience given while the plan
    // has it, taken only when used. False when the port was lost or the
    // search stopped.
    bool ListenAt(size_t index, const Patience& patience);
    // Of the rate with frames and its neighbours, the index of the one with
    // whole frames and the fewest errors; COMMON_BAUD_RATE_COUNT when none.
    size_t ChooseAmong(const std::vector<size_t>& candidates);
    bool Report(size_t index, bool firstHeard, FoundDevice* found);
    // The rate farthest from `index` that the driver takes, when it carried
    // the same frames; COMMON_BAUD_RATE_COUNT when none did.
    size_t SameFramesFarAway(size_t index);
    void SayNothingFound();

    ListeningPort& port;
    uint32_t number;
    const SayLine& say;
    const std::atomic<bool>* stop;
    Heard heard[COMMON_BAUD_RATE_COUNT];
    PlanCount plan;
};

bool PortSearch::ListenAt(size_t index, const Patience& patience)
{
    const uint32_t rate = COMMON_BAUD_RATES[index];
    if (Stopped(stop))
        return false;
    if (plan.Left(EACH_RATE) == 0 || plan.Left(READ_PAST_THE_END) == 0)
        return true;  // the plan's turns are spent: the rate stays unheard
    if (!port.SetBaudRate(rate)) {
        heard[index].refused = true;
        say(Format("COM%u: %u baud refused: %s", (unsigned)number, (unsigned)rate,
                   DescribeWindowsError(port.LastError()).c_str()));
        return port.IsOpen();
    }
    (void)plan.Take(EACH_RATE);          // left, as checked above
    (void)plan.Take(READ_PAST_THE_END);  // left, as checked above
    // Only the first rate taken waits for a board that is still starting.
    const bool firstListen = plan.Take(BOARD_STARTING);
    const double quiet = firstListen ? SEARCH_PLAN[BOARD_STARTING].seconds : 0;
    const double patienceSeconds = plan.Left(patience.step) >= patience.times
                                       ? SEARCH_PLAN[patience.step].seconds * patience.times
                                       : 0;
    heard[index] = Listen(port, SEARCH_PLAN[EACH_RATE].seconds, quiet, patienceSeconds,
                          patience.forFirstStart, stop);
    const Heard& now = heard[index];
    if (now.waitedForMore)
        (void)plan.Take(patience.step, patience.times);  // left, as checked before the listen
    // A board that resets is quiet, then streams: its silences after that
    // are shorter than the quiet start. A device that sends a frame now and
    // then is quiet at first too, and as long again between frames.
    if (firstListen && now.quietSeconds >= QUIET_WORTH_SAYING && now.readsWithBytes >= 3 &&
        now.longestSilence < now.quietSeconds / 2)
        say(Format("COM%u: quiet for %.1f s after the port opened, then a steady stream: a board that resets "
                   "when its port opens, as an Arduino Uno does",
                   (unsigned)number, now.quietSeconds));
    return !Stopped(stop);
}

size_t PortSearch::ChooseAmong(const std::vector<size_t>& candidates)
{
    size_t best = COMMON_BAUD_RATE_COUNT;
    for (const size_t index : candidates) {
        const Heard& h = heard[index];
        if (!HasFrames(h) || !WholeFrames(h) || !NextToNoFramingErrors(h.errors))
            continue;
        if (best == COMMON_BAUD_RATE_COUNT || LineErrorCount(h) < LineErrorCount(heard[best]))
            best = index;
    }
    for (const size_t index : candidates)
        if (index != best && heard[index].listened)
            say(Format("COM%u: %u baud passed over: %s", (unsigned)number, (unsigned)COMMON_BAUD_RATES[index],
                       PassedOverReason(heard[index]).c_str()));
    return best;
}

size_t PortSearch::SameFramesFarAway(size_t index)
{
    // No UART takes whole frames at a rate far from the device's; a virtual
    // pair passes them as at any other. The rates by their distance, farthest first.
    std::vector<size_t> farFirst;
    for (size_t other = 0; other < COMMON_BAUD_RATE_COUNT; ++other)
        if (!IsNeighbour(index, other) && !heard[other].refused && !heard[other].listened)
            farFirst.push_back(other);
    const double rate = COMMON_BAUD_RATES[index];
    auto distance = [rate](size_t other) { return fabs(log(COMMON_BAUD_RATES[other] / rate)); };
    std::sort(farFirst.begin(), farFirst.end(),
              [&distance](size_t a, size_t b) { return distance(a) > distance(b); });
    for (const size_t farIndex : farFirst) {
        if (!ListenAt(farIndex, FarRatePatience()))
            return COMMON_BAUD_RATE_COUNT;
        if (!heard[farIndex].listened)
            continue;  // refused: the next farthest
        const FrameLengthVerdict atFound = heard[index].verdict, atFar = heard[farIndex].verdict;
        const bool same = atFound.finding == FrameLengthFinding::Found &&
                          atFar.finding == FrameLengthFinding::Found &&
                          atFar.payloadLength == atFound.payloadLength &&
                          NextToNoFramingErrors(heard[farIndex].errors);
        return same ? farIndex : COMMON_BAUD_RATE_COUNT;
    }
    return COMMON_BAUD_RATE_COUNT;
}

bool PortSearch::Report(size_t index, bool firstHeard, FoundDevice* found)
{
    const uint32_t rate = COMMON_BAUD_RATES[index];
    const Heard& h = heard[index];
    if (h.verdict.finding == FrameLengthFinding::LongerThanAnyRequest) {
        say(Format(
            "COM%u: Ardun frames at %u baud, but about %u payload bytes each: longer than any host can "
            "ask for (255 at most)",
            (unsigned)number, (unsigned)rate, (unsigned)h.verdict.payloadLength));
        return false;
    }
    *found = FoundDevice{number, rate, h.verdict.payloadLength, h.framesPerSecond, false};
    const size_t farIndex = firstHeard ? SameFramesFarAway(index) : COMMON_BAUD_RATE_COUNT;
    if (farIndex != COMMON_BAUD_RATE_COUNT) {
        // Nothing limits how fast a virtual pair passes bytes: the figure is as heard.
        found->anyRate = true;
        say(Format("COM%u: the same frames at %u and at %u baud: this port carries bytes at any rate, as a "
                   "virtual COM pair does, so listening cannot tell the device's baud rate",
                   (unsigned)number, (unsigned)rate, (unsigned)COMMON_BAUD_RATES[farIndex]));
        say(Format("COM%u: Ardun frames at any baud rate: %u payload bytes each, %.1f frames a second",
                   (unsigned)number, (unsigned)found->payloadLength, found->framesPerSecond));
    } else if (RateCarries(rate, found->payloadLength, found->framesPerSecond)) {
        say(Format("COM%u: Ardun frames at %u baud: %u payload bytes each, %.1f frames a second",
                   (unsigned)number, (unsigned)rate, (unsigned)found->payloadLength, found->framesPerSecond));
    } else {
        found->framesPerSecond = 0;
        say(Format(
            "COM%u: Ardun frames at %u baud: %u payload bytes each (frames a second not measured: they "
            "came faster than %u baud carries, bytes queued before the listening began)",
            (unsigned)number, (unsigned)rate, (unsigned)found->payloadLength, (unsigned)rate));
    }
    say(DescribeSettingsToUse(*found));
    return true;
}

void PortSearch::SayNothingFound()
{
    uint32_t bytes = 0, frameStarts = 0;
    bool anyFrames = false;
    const Heard* varying = nullptr;  // the rate with the most frames of varying length
    for (const Heard& h : heard) {
        bytes += h.bytes;
        frameStarts += h.frameStarts;
        anyFrames = anyFrames || HasFrames(h);
        if (h.verdict.finding == FrameLengthFinding::VaryingLengths &&
            (varying == nullptr || h.frameStarts > varying->frameStarts))
            varying = &h;
    }
    if (varying != nullptr)
        say(Format("COM%u: %s", (unsigned)number, VaryingLengthsText(varying->verdict).c_str()));
    else if (bytes == 0)
        say(Format("COM%u: no byte at any baud rate: nothing sends on this port", (unsigned)number));
    else if (frameStarts > 0 && !anyFrames)
        say(Format("COM%u: %u bytes and %u Ardun frame starts, too few at any rate to measure a frame: a "
                   "device that sends less than one frame a second?",
                   (unsigned)number, (unsigned)bytes, (unsigned)frameStarts));
    else if (frameStarts > 0)
        say(Format("COM%u: %u bytes and %u Ardun frame starts, but no rate with whole frames",
                   (unsigned)number, (unsigned)bytes, (unsigned)frameStarts));
    else
        say(Format("COM%u: %u bytes, but no Ardun frames at any baud rate", (unsigned)number,
                   (unsigned)bytes));
}

bool PortSearch::Run(FoundDevice* found)
{
    say(Format("COM%u: listening for Ardun frames at %u baud rates, about a second each", (unsigned)number,
               (unsigned)COMMON_BAUD_RATE_COUNT));
    bool anyHeard = false;
    for (size_t index = 0; index < COMMON_BAUD_RATE_COUNT; ++index) {
        if (heard[index].listened || heard[index].refused)
            continue;
        const bool firstHeard = !anyHeard;
        if (!ListenAt(index, SLOW_DEVICE_PATIENCE))
            return false;
        anyHeard = anyHeard || heard[index].listened;
        if (!HasFrames(heard[index]))
            continue;
        std::vector<size_t> candidates;
        for (size_t other = 0; other < COMMON_BAUD_RATE_COUNT; ++other) {
            if (!IsNeighbour(index, other) || heard[other].refused)
                continue;
            if (!heard[other].listened && !ListenAt(other, SLOW_DEVICE_PATIENCE))
                return false;
            candidates.push_back(other);
        }
        const size_t chosen = ChooseAmong(candidates);
        if (chosen != COMMON_BAUD_RATE_COUNT)
            return Report(chosen, firstHeard && candidates.size() == 1, found);
    }
    SayNothingFound();
    return false;
}

}  // namespace

std::string DescribeSettingsToUse(const FoundDevice& device)
{
    if (device.anyRate)
        return Format(
            "  use port COM%u at any baud rate (a virtual pair carries every rate): use the host's, "
            "the host asking for %u bytes (P,%u): ardun-trace --port %u --size %u",
            (unsigned)device.port, (unsigned)device.payloadLength, (unsigned)device.payloadLength,
            (unsigned)device.port, (unsigned)device.payloadLength);
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
        if (!listening.Open(number)) {
            // Of every port, only those that open are named.
            if (!everyPort)
                say(Format("COM%u could not be opened: %s", (unsigned)number,
                           DescribeWindowsError(listening.LastError()).c_str()));
            continue;
        }
        anyOpened = true;
        FoundDevice found;
        if (PortSearch(listening, number, say, stop).Run(&found))
            devices.push_back(found);
    }
    if (everyPort && !anyOpened)
        say("No COM port could be opened.");
    return devices;
}
