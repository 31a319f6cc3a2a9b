// One packet request of the reader itself, over random byte streams, random
// arrival times, any 32-bit N (as a host read may ask), an open or closed
// port, a Write or a Read, and whatever an earlier request left held. It is
// checked against the request worked out from the framing rules with the
// precise clock tested on every pass: the same bytes stored and consumed,
// nothing stored past the 256-byte buffer (UBSan checks the index), a time
// limit passed at byte k ends the request at that byte, and the result is 0
// exactly when the held count is N and, for a Read that stored nothing, the
// request before it stored the payload. What the request reports having seen
// (bytes, frame start, payload stored) matches too.
#include <string.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <vector>

#include "fuzz/fuzz_check.h"
#include "parser/packet_collector.h"
#include "testkit/scripted_line.h"

namespace {

const double LIMIT = 3.0;

struct Decoded {
    uint8_t value;
    size_t position;  // T of the byte that was stored, counted from 1
};

// The framing rules written out state by state, apart from the scanner.
// *frameStart is the position of the 0x00 that started the frame, 0 for none.
std::vector<Decoded> DecodeReference(const std::vector<uint8_t>& stream, size_t* frameStart)
{
    *frameStart = 0;
    enum State { SEARCHING, SEARCHING_MARKER, IN_FRAME, IN_FRAME_MARKER } state = SEARCHING;
    std::vector<Decoded> out;
    for (size_t i = 0; i < stream.size(); ++i) {
        const uint8_t byte = stream[i];
        const size_t position = i + 1;
        switch (state) {
        case SEARCHING:
            state = byte == 0xFF ? SEARCHING_MARKER : SEARCHING;
            break;
        case SEARCHING_MARKER:
            if (byte == 0xFF)
                state = SEARCHING_MARKER;
            else if (byte == 0x00 && position >= 3) {
                state = IN_FRAME;
                *frameStart = position;
            }
            else
                state = SEARCHING;
            break;
        case IN_FRAME:
            if (byte == 0xFF)
                state = IN_FRAME_MARKER;
            else
                out.push_back({byte, position});
            break;
        case IN_FRAME_MARKER:
            out.push_back({byte, position});
            state = IN_FRAME;
            break;
        }
    }
    return out;
}

struct Expected {
    size_t consumed;
    uint32_t stored;  // payload bytes stored by this request
    bool timedOut;
    size_t scanned;   // bytes examined for framing: a dropped last byte is not
};

// The request as the rules describe it, over a stream of `length` bytes that
// decodes to `decoded`, the precise clock read on every pass.
Expected ReferenceRequest(const std::vector<Decoded>& decoded, size_t length, const ScriptedLine& line,
                          uint32_t wanted)
{
    const size_t limit = wanted < PACKET_BUFFER_SIZE ? wanted : PACKET_BUFFER_SIZE;
    if (length == 0 || limit == 0)
        return {length == 0 ? 0u : 1u, 0, false, 0};  // no pass tests the clock
    // The passes run for bytes 1 to `last`; the byte after `last`, if any, is
    // read and dropped once the payload is complete.
    const bool completes = decoded.size() >= limit;
    const size_t last = completes ? decoded[limit - 1].position : length;
    for (size_t k = 1; k <= last; ++k) {
        // The request started at time 0.
        if (line.ArrivalOf(k - 1) > LIMIT) {
            uint32_t stored = 0;
            while (stored < decoded.size() && decoded[stored].position < k)
                ++stored;
            return {k, stored, true, k - 1};
        }
    }
    const size_t consumed = completes && last < length ? last + 1 : length;
    return {consumed, (uint32_t)(completes ? limit : decoded.size()), false, last};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider provider(data, size);
    const bool open = provider.ConsumeIntegralInRange<int>(0, 15) != 0;
    const PacketRequester requester = provider.ConsumeBool() ? PacketRequester::Read : PacketRequester::Write;
    // Mostly small sizes, where frames complete; sometimes any 32-bit value.
    const uint32_t wanted = provider.ConsumeBool() ? provider.ConsumeIntegralInRange<uint32_t>(0, 300)
                                                   : provider.ConsumeIntegral<uint32_t>();
    HeldPacket before;
    memset(before.packetBuffer, provider.ConsumeIntegral<uint8_t>(), sizeof before.packetBuffer);
    before.storedCount = provider.ConsumeIntegralInRange<uint32_t>(0, PACKET_BUFFER_SIZE);
    before.storedByLastRequest = provider.ConsumeBool();
    // Arrival times in whole milliseconds (so exactly 3.0 s can occur): a
    // steady step with one jump; a coarse tick of up to 400 ms, well within
    // the reader's 500 ms margin, starting anywhere (across its wrap-around).
    const uint32_t stepMs = provider.ConsumeIntegralInRange<uint32_t>(0, 40);
    const size_t jumpAt = provider.ConsumeIntegralInRange<size_t>(0, 300);
    const uint32_t jumpMs = provider.ConsumeIntegralInRange<uint32_t>(0, 4000);
    const uint32_t tickMs = provider.ConsumeIntegralInRange<uint32_t>(1, 400);
    const uint32_t firstTick = provider.ConsumeIntegral<uint32_t>();
    const std::vector<uint8_t> stream = provider.ConsumeRemainingBytes<uint8_t>();

    std::vector<double> arrivals;
    for (size_t i = 0; i < stream.size(); ++i)
        arrivals.push_back((i * stepMs + (i >= jumpAt ? jumpMs : 0)) / 1000.0);
    ScriptedLine line(stream, arrivals, tickMs, open, firstTick);
    HeldPacket held = before;
    PacketRequestOutcome outcome;
    memset(&outcome, 0xA5, sizeof outcome);  // every field must be written
    const ResultCode result = CollectPacket(line, line, LIMIT, wanted, requester, &held, &outcome);

    FUZZ_REQUIRE(held.storedCount <= PACKET_BUFFER_SIZE);
    if (!open) {
        FUZZ_REQUIRE(result == E_FAIL && line.Consumed() == 0);
        FUZZ_REQUIRE(held.storedCount == before.storedCount && !held.storedByLastRequest);
        FUZZ_REQUIRE(memcmp(held.packetBuffer, before.packetBuffer, PACKET_BUFFER_SIZE) == 0);
        FUZZ_REQUIRE(outcome.bytesReceived == 0 && !outcome.frameStarted && outcome.stored == 0 &&
                     !outcome.timeLimitPassed);
        return 0;
    }

    size_t frameStart = 0;
    const std::vector<Decoded> decoded = DecodeReference(stream, &frameStart);
    const Expected expected = ReferenceRequest(decoded, stream.size(), line, wanted);
    FUZZ_REQUIRE(line.Consumed() == expected.consumed);
    // What the diagnosis of a time-out rests on.
    FUZZ_REQUIRE(outcome.bytesReceived == expected.consumed && outcome.stored == expected.stored);
    FUZZ_REQUIRE(outcome.timeLimitPassed == expected.timedOut);
    FUZZ_REQUIRE(outcome.frameStarted == (frameStart != 0 && frameStart <= expected.scanned));
    FUZZ_REQUIRE(held.storedCount == (expected.stored > 0 ? expected.stored : before.storedCount));
    FUZZ_REQUIRE(held.storedByLastRequest == (expected.stored > 0));
    for (uint32_t i = 0; i < expected.stored; ++i)
        FUZZ_REQUIRE(held.packetBuffer[i] == decoded[i].value);
    for (uint32_t i = expected.stored; i < PACKET_BUFFER_SIZE; ++i)
        FUZZ_REQUIRE(held.packetBuffer[i] == before.packetBuffer[i]);

    // A Read that stored nothing may stand on the payload only when the
    // request before it stored that payload.
    const bool allowed = requester == PacketRequester::Write || expected.stored > 0 ||
                         before.storedByLastRequest;
    FUZZ_REQUIRE((result == RESULT_OK) == (!expected.timedOut && held.storedCount == wanted && allowed));
    FUZZ_REQUIRE(result == RESULT_OK || result == RESULT_TIMEOUT);
    return 0;
}
