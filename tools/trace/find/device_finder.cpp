#include "tools/trace/find/device_finder.h"

#include <math.h>
#include <stdarg.h>
#include <stdio.h>

#include <algorithm>
#include <iterator>
#include <numeric>

#include "common/performance_clock.h"
#include "settings/port_range.h"
#include "tools/cli/windows_error.h"
#include "tools/meter/frame_length_meter.h"
#include "tools/trace/find/listening_port.h"
#include "tools/trace/find/near_rate_choice.h"

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
    uint32_t libraryFrames = 0;  // exactly the library's frame
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
    heard.libraryFrames = meter.LibraryFrames();
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

// Whether a UART at `other` may half understand a device at `rate` (true of
// the rate itself).
bool IsNeighbour(uint32_t rate, uint32_t other)
{
    return fabs((double)other - rate) <= rate * NEIGHBOUR_FRACTION;
}

RateHeard AsRateHeard(const Heard& heard)
{
    return {HasFrames(heard) && WholeFrames(heard), heard.libraryFrames, heard.errors.reads,
            heard.errors.framing};
}

std::string FramingErrorsText(const Heard& heard)
{
    return Format("framing errors in %u of %u reads", (unsigned)heard.errors.framing,
                  (unsigned)heard.errors.reads);
}

// "230400", or for two near rates alike, "230400 or 250000".
std::string RatesText(const FoundDevice& device)
{
    if (device.otherBaudRate == 0)
        return std::to_string(device.baudRate);
    return std::to_string(std::min(device.baudRate, device.otherBaudRate)) + " or " +
           std::to_string(std::max(device.baudRate, device.otherBaudRate));
}

// Why a rate heard was not taken, against the one taken at takenRate.
std::string PassedOverReason(const Heard& heard, const Heard& taken, uint32_t takenRate)
{
    if (!HasFrames(heard) && heard.errors.framing > 0)
        return "no whole frames, " + FramingErrorsText(heard);
    if (!HasFrames(heard))
        return "no frames";
    if (heard.verdict.finding == FrameLengthFinding::VaryingLengths)
        return VaryingLengthsText(heard.verdict);
    if (!WholeFrames(heard))
        return Format("%u frame starts, too few whole frames", (unsigned)heard.frameStarts);
    if (ClearlyMoreFrames(taken.libraryFrames, heard.libraryFrames))
        return Format("frames, but %u in the library's encoding against %u at %u baud%s",
                      (unsigned)heard.libraryFrames, (unsigned)taken.libraryFrames, (unsigned)takenRate,
                      heard.errors.framing > 0 ? (", " + FramingErrorsText(heard)).c_str() : "");
    return "frames, but " + FramingErrorsText(heard);
}

// One port's search at every rate of its list.
class PortSearch {
public:
    PortSearch(ListeningPort& port, uint32_t number, const std::vector<uint32_t>& rates, const SayLine& say,
               const std::atomic<bool>* stop)
        : port(port), number(number), rates(rates), say(say), stop(stop), heard(rates.size())
    {
    }

    // True with *found when a device's frames came whole at one of the rates.
    bool Run(FoundDevice* found);

private:
    // Listens at a rate in its turn, with the patience given while the plan
    // has it, taken only when used. False when the port was lost or the
    // search stopped.
    bool ListenAt(size_t index, const Patience& patience);
    // Of the rate with frames and its neighbours, what their frames choose;
    // indices into rates.
    RateChoice ChooseAmong(const std::vector<size_t>& candidates);
    bool Report(size_t index, size_t other, bool firstHeard, FoundDevice* found);
    // The rate farthest from `index` that the driver takes, when it carried
    // the same frames; rates.size() when none did.
    size_t SameFramesFarAway(size_t index);
    void SayUnsure(const std::vector<size_t>& bare);
    void SayNothingFound();

    ListeningPort& port;
    uint32_t number;
    const std::vector<uint32_t>& rates;
    const SayLine& say;
    const std::atomic<bool>* stop;
    std::vector<Heard> heard;
    PlanCount plan;
};

bool PortSearch::ListenAt(size_t index, const Patience& patience)
{
    const uint32_t rate = rates[index];
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

RateChoice PortSearch::ChooseAmong(const std::vector<size_t>& candidates)
{
    std::vector<RateHeard> weighed(candidates.size());
    std::transform(candidates.begin(), candidates.end(), weighed.begin(),
                   [this](size_t index) { return AsRateHeard(heard[index]); });
    RateChoice choice = ChooseNearRate(weighed);
    if (choice.kind == RateChoiceKind::NoWholeFrames)
        return {choice.kind, rates.size(), rates.size()};
    choice.best = candidates[choice.best];
    choice.other = candidates[choice.other];
    if (choice.kind == RateChoiceKind::Chosen)
        for (const size_t index : candidates)
            if (index != choice.best && heard[index].listened)
                say(Format("COM%u: %u baud passed over: %s", (unsigned)number, (unsigned)rates[index],
                           PassedOverReason(heard[index], heard[choice.best], rates[choice.best]).c_str()));
    return choice;
}

size_t PortSearch::SameFramesFarAway(size_t index)
{
    // No UART takes whole frames at a rate far from the device's; a virtual
    // pair passes them as at any other. The rates by their distance, farthest first.
    std::vector<size_t> farFirst;
    for (size_t other = 0; other < rates.size(); ++other)
        if (!IsNeighbour(rates[index], rates[other]) && !heard[other].refused && !heard[other].listened)
            farFirst.push_back(other);
    const double rate = rates[index];
    auto distance = [this, rate](size_t other) { return fabs(log(rates[other] / rate)); };
    std::sort(farFirst.begin(), farFirst.end(),
              [&distance](size_t a, size_t b) { return distance(a) > distance(b); });
    for (const size_t farIndex : farFirst) {
        if (!ListenAt(farIndex, FarRatePatience()))
            return rates.size();
        if (!heard[farIndex].listened)
            continue;  // refused: the next farthest
        const FrameLengthVerdict &atFound = heard[index].verdict, &atFar = heard[farIndex].verdict;
        const bool same = atFound.finding == FrameLengthFinding::Found &&
                          atFar.finding == FrameLengthFinding::Found &&
                          atFar.payloadLength == atFound.payloadLength &&
                          NextToNoFramingErrors(heard[farIndex].errors);
        return same ? farIndex : rates.size();
    }
    return rates.size();
}

bool PortSearch::Report(size_t index, size_t other, bool firstHeard, FoundDevice* found)
{
    const uint32_t rate = rates[index];
    const Heard& h = heard[index];
    if (h.verdict.finding == FrameLengthFinding::LongerThanAnyRequest) {
        say(Format(
            "COM%u: Ardun frames at %u baud, but about %u payload bytes each: longer than any host can "
            "ask for (255 at most)",
            (unsigned)number, (unsigned)rate, (unsigned)h.verdict.payloadLength));
        return false;
    }
    const std::string length = DescribeFrameLength(h.verdict);
    *found = FoundDevice{number, rate, h.verdict.payloadLength, h.framesPerSecond, false, 0};
    if (other != index)
        found->otherBaudRate = rates[other];
    const std::string rateText = RatesText(*found);
    if (other != index)
        say(Format("COM%u: %s: both give whole frames; try each", (unsigned)number, rateText.c_str()));
    const size_t farIndex = firstHeard && other == index ? SameFramesFarAway(index) : rates.size();
    if (farIndex != rates.size()) {
        // Nothing limits how fast a virtual pair passes bytes: the figure is as heard.
        found->anyRate = true;
        say(Format("COM%u: the same frames at %u and at %u baud: this port carries bytes at any rate, as a "
                   "virtual COM pair does, so listening cannot tell the device's baud rate",
                   (unsigned)number, (unsigned)rate, (unsigned)rates[farIndex]));
        say(Format("COM%u: Ardun frames at any baud rate: %s each, %.1f frames a second", (unsigned)number,
                   length.c_str(), found->framesPerSecond));
    } else if (RateCarries(rate, found->payloadLength, found->framesPerSecond)) {
        say(Format("COM%u: Ardun frames at %s baud: %s each, %.1f frames a second", (unsigned)number,
                   rateText.c_str(), length.c_str(), found->framesPerSecond));
    } else {
        found->framesPerSecond = 0;
        say(Format("COM%u: Ardun frames at %s baud: %s each (frames a second not measured: they came faster "
                   "than %u baud carries, bytes queued before the listening began)",
                   (unsigned)number, rateText.c_str(), length.c_str(), (unsigned)rate));
    }
    say(DescribeSettingsToUse(*found));
    return true;
}

void PortSearch::SayUnsure(const std::vector<size_t>& bare)
{
    std::string at;
    for (size_t i = 0; i < bare.size(); ++i)
        at += (i == 0 ? "" : i + 1 == bare.size() ? " and " : ", ") + std::to_string(rates[bare[i]]);
    const Heard& first = heard[bare.front()];
    say(Format("COM%u: frame starts with %s at %s baud, but nothing else tells the rate: no library fill "
               "bytes 55 55, no framing errors reported. Unsure of the rate; try it: ardun-trace --port %u "
               "--baud %u --size %u",
               (unsigned)number, DescribeFrameLength(first.verdict).c_str(), at.c_str(), (unsigned)number,
               (unsigned)rates[bare.front()], (unsigned)first.verdict.payloadLength));
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
    else if (rates.size() == 1)
        say(Format("COM%u: %u bytes and %u Ardun frame starts, but no whole frames at %u baud",
                   (unsigned)number, (unsigned)bytes, (unsigned)frameStarts, (unsigned)rates.front()));
    else
        say(Format(
            "COM%u: %u bytes and %u Ardun frame starts, but no rate in the list gives whole frames: "
            "the device may use another rate; --baud R tries it (ardun-trace --find --port %u --baud R)",
            (unsigned)number, (unsigned)bytes, (unsigned)frameStarts, (unsigned)number));
}

bool PortSearch::Run(FoundDevice* found)
{
    say(rates.size() == 1 ? Format("COM%u: listening for Ardun frames at %u baud", (unsigned)number,
                                   (unsigned)rates.front())
                          : Format("COM%u: listening for Ardun frames at %u baud rates, about a second each",
                                   (unsigned)number, (unsigned)rates.size()));
    bool anyHeard = false;
    std::vector<size_t> bare;  // rates whose bare frames told nothing of the rate
    for (size_t index = 0; index < rates.size(); ++index) {
        if (heard[index].listened || heard[index].refused)
            continue;
        const bool firstHeard = !anyHeard;
        if (!ListenAt(index, SLOW_DEVICE_PATIENCE))
            return false;
        anyHeard = anyHeard || heard[index].listened;
        if (!HasFrames(heard[index]))
            continue;
        std::vector<size_t> candidates;
        for (size_t other = 0; other < rates.size(); ++other) {
            if (!IsNeighbour(rates[index], rates[other]) || heard[other].refused)
                continue;
            if (!heard[other].listened && !ListenAt(other, SLOW_DEVICE_PATIENCE))
                return false;
            candidates.push_back(other);
        }
        const RateChoice choice = ChooseAmong(candidates);
        if (choice.kind == RateChoiceKind::Chosen || choice.kind == RateChoiceKind::Tie)
            return Report(choice.best, choice.other, firstHeard && candidates.size() == 1 && rates.size() > 1,
                          found);
        if (choice.kind == RateChoiceKind::Unsure)
            for (const size_t at : {choice.best, choice.other})
                if (std::find(bare.begin(), bare.end(), at) == bare.end())
                    bare.push_back(at);
    }
    if (!bare.empty())
        SayUnsure(bare);
    else
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
    return Format("  use port COM%u at %s baud%s, the host asking for %u bytes (P,%u): "
                  "ardun-trace --port %u --baud %u --size %u",
                  (unsigned)device.port, RatesText(device).c_str(),
                  device.otherBaudRate != 0 ? " (both give whole frames; try each)" : "",
                  (unsigned)device.payloadLength, (unsigned)device.payloadLength, (unsigned)device.port,
                  (unsigned)device.baudRate, (unsigned)device.payloadLength);
}

std::vector<FoundDevice> FindDevices(uint32_t port, const SayLine& say, const std::atomic<bool>* stop,
                                     uint32_t onlyRate)
{
    const std::vector<uint32_t> rates = onlyRate != 0 ? std::vector<uint32_t>{onlyRate}
                                                      : std::vector<uint32_t>(std::begin(COMMON_BAUD_RATES),
                                                                              std::end(COMMON_BAUD_RATES));
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
        if (PortSearch(listening, number, rates, say, stop).Run(&found))
            devices.push_back(found);
    }
    if (everyPort && !anyOpened)
        say("No COM port could be opened.");
    return devices;
}
