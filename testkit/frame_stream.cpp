#include "testkit/frame_stream.h"

#include "firmware/frame_bytes.h"
#include "testkit/scripted_line.h"

FrameLine WriteFrames(const std::vector<Bytes>& payloads)
{
    FrameLine line;
    line.payloads = payloads;
    for (const Bytes& payload : payloads) {
        const Bytes frame = ArdunFrameBytes(payload);
        // The lead byte, the frame start, the payload with each 0xFF doubled,
        // then the byte the reader reads past it.
        size_t escaped = 0;
        for (uint8_t byte : payload)
            escaped += byte == 0xFF ? 2 : 1;
        const size_t first = line.bytes.size();
        line.places.push_back({first + 2, first + 3 + escaped + 1, first + frame.size()});
        line.bytes.insert(line.bytes.end(), frame.begin(), frame.end());
    }
    return line;
}

// Moves the places for a byte lost at `position` (by -1) or put in before it
// (by +1): a byte index moves when the byte moves, a bound just past a byte
// when that byte moves.
static FrameLine Shifted(FrameLine line, size_t position, int by)
{
    for (FramePlace& place : line.places) {
        if (place.startZero > position || (by > 0 && place.startZero == position))
            place.startZero += by;
        for (size_t* bound : {&place.end, &place.next})
            if (*bound > position)
                *bound += by;
    }
    return line;
}

FrameLine WithoutByte(FrameLine line, size_t position)
{
    line.bytes.erase(line.bytes.begin() + position);
    return Shifted(line, position, -1);
}

FrameLine WithExtraByte(FrameLine line, size_t position, uint8_t value)
{
    line.bytes.insert(line.bytes.begin() + position, value);
    return Shifted(line, position, +1);
}

static int FrameGot(const FrameLine& line, const HeldPacket& held, ResultCode result, size_t begin,
                    size_t end)
{
    // The last frame start it read is the only one it can have begun with.
    for (size_t m = line.places.size(); m-- > 0;) {
        const FramePlace& place = line.places[m];
        if (place.startZero < begin || place.startZero >= end)
            continue;
        const Bytes& payload = line.payloads[m];
        const bool whole = result == RESULT_OK && held.storedCount == payload.size() &&
                           Bytes(held.packetBuffer, held.packetBuffer + held.storedCount) == payload &&
                           end >= place.end && end <= place.next;
        return whole ? (int)m : MISREAD;
    }
    return MISREAD;
}

std::vector<RequestGot> RunRequests(const FrameLine& line, size_t from, HostPattern pattern,
                                    const std::vector<uint32_t>& wanted)
{
    ScriptedLine source(Bytes(line.bytes.begin() + from, line.bytes.end()));
    HeldPacket held = {};
    std::vector<RequestGot> got;
    for (size_t i = 0;; ++i) {
        const PacketRequester requester = pattern == HostPattern::WriteReadPairs && i % 2 == 0
                                              ? PacketRequester::Write
                                              : PacketRequester::Read;
        const uint32_t n = wanted[i < wanted.size() ? i : wanted.size() - 1];
        const size_t begin = from + source.Consumed();
        PacketRequestOutcome outcome;
        const ResultCode result = CollectPacket(source, source, 3.0, n, requester, &held, &outcome);
        const size_t end = from + source.Consumed();
        if (outcome.stored == 0)
            return got;
        got.push_back({requester, result, FrameGot(line, held, result, begin, end), begin, end});
    }
}

std::vector<int> FramesGot(const std::vector<RequestGot>& requests)
{
    std::vector<int> frames;
    for (const RequestGot& request : requests)
        frames.push_back(request.frame);
    return frames;
}

int FrameReading(const FrameLine& line, size_t position)
{
    for (size_t m = 0; m < line.places.size(); ++m)
        if (position < line.places[m].end)
            return (int)m;
    return (int)line.places.size();
}

bool BackInStep(const std::vector<int>& frames, int first, int upset, int last)
{
    size_t i = 0;
    for (int expected = first; expected < upset; ++expected, ++i)
        if (i == frames.size() || frames[i] != expected)
            return false;
    if (i < frames.size() && frames[i] == MISREAD)
        ++i;
    if (i == frames.size() || (frames[i] != upset && frames[i] != upset + 1))
        return false;
    for (int expected = frames[i]; i < frames.size(); ++expected, ++i)
        if (frames[i] != expected)
            return false;
    return frames.back() == last;
}
