// Any payload of 0 to 256 bytes, framed by the device library ArdunFrame and
// preceded by bytes that hold no frame start, comes out of the packet reader
// exactly as it went in, with result 0, whatever follows on the line, and the
// request ends on the byte the library sends right after the payload.
#include <string.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <vector>

#include "fuzz/fuzz_check.h"
#include "parser/packet_collector.h"
#include "testkit/frame_stream.h"
#include "testkit/scripted_line.h"

namespace {

// Noise before the frame: random, but never a frame start (0xFF then 0x00).
// It may be empty: the library's lead byte puts the frame start's 0x00 at the
// third byte of a request that begins with the frame.
std::vector<uint8_t> NoiseWithoutFrameStart(std::vector<uint8_t> noise)
{
    for (size_t i = 1; i < noise.size(); ++i) {
        if (noise[i - 1] == 0xFF && noise[i] == 0x00)
            noise[i] = 0x01;
    }
    return noise;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider provider(data, size);
    const size_t noiseLength = provider.ConsumeIntegralInRange<size_t>(0, 64);
    const std::vector<uint8_t> noise =
        NoiseWithoutFrameStart(provider.ConsumeBytes<uint8_t>(noiseLength));
    const size_t payloadLength = provider.ConsumeIntegralInRange<size_t>(0, PACKET_BUFFER_SIZE);
    const std::vector<uint8_t> payload = provider.ConsumeBytes<uint8_t>(payloadLength);
    const std::vector<uint8_t> trailing = provider.ConsumeRemainingBytes<uint8_t>();

    std::vector<uint8_t> stream(noise);
    const FrameLine frame = WriteFrames({payload});
    stream.insert(stream.end(), frame.bytes.begin(), frame.bytes.end());
    stream.insert(stream.end(), trailing.begin(), trailing.end());

    ScriptedLine line(stream);
    HeldPacket held = {};
    const ResultCode result =
        CollectPacket(line, line, 3.0, (uint32_t)payload.size(), PacketRequester::Write, &held);

    FUZZ_REQUIRE(result == RESULT_OK);
    FUZZ_REQUIRE(held.storedCount == payload.size());
    FUZZ_REQUIRE(payload.empty() || memcmp(held.packetBuffer, payload.data(), payload.size()) == 0);
    FUZZ_REQUIRE(payload.empty() || line.Consumed() == noise.size() + frame.places[0].end);
    return 0;
}
