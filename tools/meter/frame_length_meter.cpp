#include "tools/meter/frame_length_meter.h"

#include <string.h>

#include <algorithm>
#include <map>
#include <numeric>

#include "firmware/ArdunFrame/src/ArdunFrame.h"
#include "tools/cli/hex_bytes.h"

namespace {

// Gaps judged together: enough to outvote a misread frame or a lost byte.
const size_t GAPS_JUDGED = 16;
const size_t FEWEST_GAPS = 3;
// A line with no frame start for this long carries no Ardun frames worth measuring.
const size_t LONGEST_GAP = 1024;
// The longest payload a host can ask for, and so the longest re-encoded. Not
// the library's ARDUNFRAME_MAX_PAYLOAD, which test builds raise.
const uint32_t LONGEST_PAYLOAD = ARDUNFRAME_LARGEST_REQUEST;

// At least three quarters of the gaps judged.
bool MostOf(size_t agreeing, size_t gaps)
{
    return gaps >= FEWEST_GAPS && agreeing * 4 >= gaps * 3;
}

// A frame as the library writes it, gathered from its chunks.
struct EncodedFrame {
    uint8_t bytes[LONGEST_GAP];
    size_t used;
};

size_t Gather(const uint8_t* bytes, size_t count, void* context)
{
    EncodedFrame* frame = static_cast<EncodedFrame*>(context);
    const size_t taken = std::min(count, sizeof frame->bytes - frame->used);
    memcpy(frame->bytes + frame->used, bytes, taken);
    frame->used += taken;
    return taken;
}

// The payload bytes a gap's line bytes stand for, as far as every FF is
// doubled; decodedEnds[i] is where the first i of them end on the line.
struct Decoded {
    std::vector<uint8_t> payload;
    std::vector<size_t> decodedEnds;
    bool whole;  // every byte of the gap decoded: no lone FF
};

Decoded Decode(const std::vector<uint8_t>& line)
{
    Decoded decoded = {{}, {0}, false};
    size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ARDUNFRAME_MARKER) {
            if (i + 1 >= line.size() || line[i + 1] != ARDUNFRAME_MARKER)
                break;
            ++i;
        }
        decoded.payload.push_back(line[i++]);
        decoded.decodedEnds.push_back(i);
    }
    decoded.whole = i == line.size();
    return decoded;
}

// The count that most gaps agree on; 0 when none.
uint32_t AgreedValue(const std::map<uint32_t, size_t>& gapsPerValue, size_t gaps)
{
    const auto agreed = std::find_if(
        gapsPerValue.begin(), gapsPerValue.end(),
        [gaps](const std::pair<const uint32_t, size_t>& value) { return MostOf(value.second, gaps); });
    return agreed == gapsPerValue.end() ? 0 : agreed->first;
}

// The lengths named in a verdict, the most common ones.
const size_t LENGTHS_NAMED = 4;

// The payload length one gap holds, as its fits tell: the library's frame
// exactly, else the longest it starts with, else a bare frame's.
uint32_t GapLength(uint32_t exactFit, const std::vector<uint32_t>& noisyFits, uint32_t bareLength,
                   uint32_t longPayload)
{
    if (exactFit != 0)
        return exactFit;
    if (!noisyFits.empty())
        return noisyFits.back();
    return bareLength != 0 ? bareLength : longPayload;
}

}  // namespace

std::string VaryingLengthsText(const FrameLengthVerdict& verdict)
{
    if (verdict.lengths.size() < 2)
        return "the device's frames vary in length: a host reads one fixed size; send one struct per frame";
    std::string named;
    for (const uint32_t length : verdict.lengths)
        named += (named.empty() ? "" : ", ") + std::to_string(length);
    if (verdict.differentLengths > verdict.lengths.size())
        named += ", ...";
    return "the device sends frames of " + std::to_string(verdict.differentLengths) + " different lengths (" +
           named + "): a host reads one fixed size; send one struct per frame";
}

std::string DescribeFrameLength(const FrameLengthVerdict& verdict)
{
    const std::string length = std::to_string(verdict.payloadLength) + " payload bytes";
    if (verdict.trailer.empty())
        return length;
    return length + ", then " + FormatHexBytes(verdict.trailer.data(), verdict.trailer.size()) +
           " in every frame; " + std::to_string(verdict.payloadLength + verdict.trailer.size()) +
           (verdict.trailer.size() == 1 ? " if that is data" : " if those are data");
}

void FrameLengthMeter::Add(const uint8_t* bytes, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        AddByte(bytes[i]);
}

void FrameLengthMeter::Break()
{
    Skip();
    latest.clear();
}

void FrameLengthMeter::Skip()
{
    afterFrameStart = false;
    gap.clear();
    markerRun = 0;
}

void FrameLengthMeter::AddByte(uint8_t byte)
{
    if (byte == ARDUNFRAME_MARKER) {
        ++markerRun;
        // FFs far beyond any gap kept: the gap is lost already, and only the
        // run's parity still tells whether a 00 after it starts a frame.
        if (markerRun > 2 * LONGEST_GAP) {
            afterFrameStart = false;
            gap.clear();
            markerRun %= 2;
        }
        return;
    }
    // Inside a frame a data FF travels doubled, so an odd run before 00 ends
    // in a frame start's marker; the FFs before it belong to the gap.
    const bool frameStart = byte == ARDUNFRAME_START && markerRun % 2 == 1;
    if (afterFrameStart) {
        gap.insert(gap.end(), frameStart ? markerRun - 1 : markerRun, ARDUNFRAME_MARKER);
        if (!frameStart)
            gap.push_back(byte);
    }
    markerRun = 0;
    if (frameStart) {
        ++frameStarts;
        if (afterFrameStart && gap.size() <= LONGEST_GAP)
            EndGap();
        afterFrameStart = true;
        gap.clear();
    } else if (gap.size() > LONGEST_GAP) {
        afterFrameStart = false;
        gap.clear();
    }
}

void FrameLengthMeter::EndGap()
{
    // The gap's bytes and the frame start's two that end it.
    Gap whole = {0, {}, 0, 0, (uint32_t)gap.size() + 2, {}};
    const Decoded decoded = Decode(gap);
    if (decoded.whole) {
        whole.bareLength = (uint32_t)decoded.payload.size();
        whole.barePayload = decoded.payload;
    }
    // Each payload length whose library frame the gap begins with, the
    // library's own encoder telling what follows the payload. Only where
    // the end and spare bytes 55 55 follow it is it worth encoding.
    const size_t longest = std::min<size_t>(decoded.payload.size(), LONGEST_PAYLOAD);
    for (size_t n = 1; n <= longest; ++n) {
        const size_t payloadEnd = decoded.decodedEnds[n];
        if (payloadEnd + 1 >= gap.size() || gap[payloadEnd] != ARDUNFRAME_FILL ||
            gap[payloadEnd + 1] != ARDUNFRAME_FILL)
            continue;
        EncodedFrame frame = {{}, 0};
        if (ArdunFrameWriteChunks(decoded.payload.data(), n, Gather, &frame) !=
            ArdunFrameLength(decoded.payload.data(), n))
            continue;
        // The frame less its lead and start, then at least the next frame's lead.
        const uint8_t* tail = frame.bytes + 3;
        const size_t tailLength = frame.used - 3;
        if (tailLength + 1 > gap.size() || memcmp(tail, gap.data(), tailLength) != 0 ||
            gap.back() != ARDUNFRAME_FILL)
            continue;
        whole.noisyFits.push_back((uint32_t)n);
        if (tailLength + 1 == gap.size())
            whole.exactFit = (uint32_t)n;
    }
    if (!whole.noisyFits.empty())
        ++libraryFrames;
    // A frame too long to ask for: its bytes before the trailing 55s.
    size_t beforeFill = gap.size();
    while (beforeFill > 0 && gap[beforeFill - 1] == ARDUNFRAME_FILL)
        --beforeFill;
    const Decoded front = Decode(std::vector<uint8_t>(gap.begin(), gap.begin() + beforeFill));
    if (front.payload.size() > LONGEST_PAYLOAD)
        whole.longPayload = (uint32_t)front.payload.size();

    latest.push_back(whole);
    if (latest.size() > GAPS_JUDGED)
        latest.pop_front();
}

FrameLengthVerdict FrameLengthMeter::Verdict() const
{
    const size_t gaps = latest.size();
    if (gaps < FEWEST_GAPS)
        return {FrameLengthFinding::TooFewFrames, 0};
    std::map<uint32_t, size_t> exact, noisy, bare;
    uint32_t longFrames = 0, shortestLong = UINT32_MAX;
    for (const Gap& whole : latest) {
        if (whole.exactFit != 0)
            ++exact[whole.exactFit];
        for (const uint32_t n : whole.noisyFits)
            ++noisy[n];
        if (whole.bareLength != 0)
            ++bare[whole.bareLength];
        if (whole.longPayload != 0) {
            ++longFrames;
            shortestLong = std::min(shortestLong, whole.longPayload);
        }
    }
    const uint32_t exactLength = AgreedValue(exact, gaps);
    if (exactLength != 0)
        return {FrameLengthFinding::Found, exactLength};
    // With bytes after the frame, a payload ending in 55 also fits one byte
    // shorter: the longest of those most gaps fit is the one every gap fits.
    uint32_t noisyLength = 0;
    size_t noisyGaps = 0;
    for (const auto& fit : noisy)
        if (fit.second >= noisyGaps) {
            noisyLength = fit.first;
            noisyGaps = fit.second;
        }
    if (MostOf(noisyGaps, gaps))
        return {FrameLengthFinding::Found, noisyLength};
    const uint32_t bareLength = AgreedValue(bare, gaps);
    if (bareLength != 0 && bareLength <= LONGEST_PAYLOAD) {
        const uint32_t trailer = SameLastBytes(bareLength);
        const std::vector<uint8_t>& some =
            std::find_if(latest.begin(), latest.end(), [bareLength](const Gap& g) {
                return g.bareLength == bareLength;
            })->barePayload;
        FrameLengthVerdict found = {FrameLengthFinding::Found, bareLength - trailer};
        found.trailer.assign(some.end() - trailer, some.end());
        return found;
    }
    if (bareLength != 0)
        return {FrameLengthFinding::LongerThanAnyRequest, bareLength};
    if (MostOf(longFrames, gaps))
        return {FrameLengthFinding::LongerThanAnyRequest, shortestLong};
    FrameLengthVerdict varying = {FrameLengthFinding::VaryingLengths, 0};
    // Each length once, in the order first seen, then the most frames first.
    std::vector<std::pair<uint32_t, size_t>> framesPerLength;
    for (const Gap& whole : latest) {
        const uint32_t length = GapLength(whole.exactFit, whole.noisyFits, whole.bareLength,
                                          whole.longPayload);
        if (length == 0)
            continue;
        auto known = std::find_if(
            framesPerLength.begin(), framesPerLength.end(),
            [length](const std::pair<uint32_t, size_t>& seen) { return seen.first == length; });
        if (known == framesPerLength.end())
            framesPerLength.push_back({length, 1});
        else
            ++known->second;
    }
    std::stable_sort(framesPerLength.begin(), framesPerLength.end(),
                     [](const std::pair<uint32_t, size_t>& a, const std::pair<uint32_t, size_t>& b) {
                         return a.second > b.second;
                     });
    varying.differentLengths = (uint32_t)framesPerLength.size();
    for (size_t i = 0; i < framesPerLength.size() && i < LENGTHS_NAMED; ++i)
        varying.lengths.push_back(framesPerLength[i].first);
    return varying;
}

uint32_t FrameLengthMeter::SameLastBytes(uint32_t bareLength) const
{
    // At least one payload byte is left to ask for.
    uint32_t same = 0;
    const Gap* first = nullptr;
    for (; same + 1 < bareLength; ++same) {
        for (const Gap& whole : latest) {
            if (whole.bareLength != bareLength)
                continue;
            const uint8_t byte = whole.barePayload[bareLength - 1 - same];
            if (first == nullptr)
                first = &whole;
            else if (byte != first->barePayload[bareLength - 1 - same])
                return same;
        }
    }
    return same;
}

uint32_t FrameLengthMeter::PayloadLength() const
{
    const FrameLengthVerdict verdict = Verdict();
    return verdict.finding == FrameLengthFinding::Found ? verdict.payloadLength : 0;
}

uint32_t FrameLengthMeter::LatestLibraryFit() const
{
    return latest.empty() ? 0 : latest.back().exactFit;
}

double FrameLengthMeter::MeanFrameBytes() const
{
    const double bytes = std::accumulate(latest.begin(), latest.end(), 0.0,
                                         [](double sum, const Gap& whole) { return sum + whole.lineBytes; });
    return latest.empty() ? 0 : bytes / (double)latest.size();
}
