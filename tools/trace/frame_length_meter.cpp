#include "tools/trace/frame_length_meter.h"

#include <algorithm>
#include <map>

#include "firmware/ArdunFrame/src/ArdunFrame.h"
#include "parser/frame_scanner.h"

namespace {

// Gaps judged together: enough to outvote a misread frame or a lost byte.
const size_t GAPS_JUDGED = 16;
const size_t FEWEST_GAPS = 3;
// A line with no frame start for this long carries no Ardun frames.
const size_t LONGEST_GAP = 1024;

// At least three quarters of the gaps judged.
bool MostOf(size_t agreeing, size_t gaps)
{
    return gaps >= FEWEST_GAPS && agreeing * 4 >= gaps * 3;
}

// The smallest value that most of the gaps agree on; 0 when there is none.
uint32_t AgreedValue(const std::map<uint32_t, size_t>& gapsPerValue, size_t gaps)
{
    const auto agreed = std::find_if(
        gapsPerValue.begin(), gapsPerValue.end(),
        [gaps](const std::pair<const uint32_t, size_t>& value) { return MostOf(value.second, gaps); });
    return agreed == gapsPerValue.end() ? 0 : agreed->first;
}

}  // namespace

void FrameLengthMeter::Add(const uint8_t* bytes, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        AddByte(bytes[i]);
}

void FrameLengthMeter::AddByte(uint8_t byte)
{
    if (byte == ARDUN_MARKER) {
        ++markerRun;
        return;
    }
    // Inside a frame a data FF travels doubled, so an odd run before 00 ends
    // in a frame start's marker.
    if (byte == ARDUN_FRAME_START && markerRun % 2 == 1) {
        ++frameStarts;
        if (afterFrameStart)
            EndGap();
        afterFrameStart = true;
        gap.clear();
        markerRun = 0;
        return;
    }
    if (afterFrameStart) {
        gap.insert(gap.end(), markerRun / 2, ARDUN_MARKER);  // a lone FF is dropped, as the reader does
        gap.push_back(byte);
        if (gap.size() > LONGEST_GAP) {
            afterFrameStart = false;
            gap.clear();
        }
    }
    markerRun = 0;
}

void FrameLengthMeter::EndGap()
{
    Gap whole = {(uint32_t)gap.size(), {}};
    for (size_t i = 1; i + 1 < gap.size(); ++i)
        if (gap[i] == ARDUNFRAME_FILL && gap[i + 1] == ARDUNFRAME_FILL)
            whole.endsAfter.push_back((uint32_t)i);
    latest.push_back(whole);
    if (latest.size() > GAPS_JUDGED)
        latest.pop_front();
}

uint32_t FrameLengthMeter::PayloadLength() const
{
    std::map<uint32_t, size_t> ends;     // a payload length: the gaps it could end
    std::map<uint32_t, size_t> lengths;  // a gap's length: the gaps that long
    for (const Gap& whole : latest) {
        for (const uint32_t end : whole.endsAfter)
            ++ends[end];
        ++lengths[whole.length];
    }
    // The shortest: a payload may hold 55 55 in some frames, never before its end in most.
    const uint32_t end = AgreedValue(ends, latest.size());
    return end != 0 ? end : AgreedValue(lengths, latest.size());
}
