// Frames of one length (1 to 255 bytes, any values) written one after another
// by the device library ArdunFrame: a host in step gets every frame whole and
// ends each request right after its frame; a reader begun at any byte, or in
// step when a byte is lost or added, is back in step after at most one
// misread packet, with Reads only and with Write/Read pairs alike.
#include <fuzzer/FuzzedDataProvider.h>

#include <vector>

#include "fuzz/fuzz_check.h"
#include "testkit/frame_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider provider(data, size);
    const size_t length = provider.ConsumeIntegralInRange<size_t>(1, 255);
    const int frames = provider.ConsumeIntegralInRange<int>(3, 5);
    const HostPattern pattern = provider.ConsumeBool() ? HostPattern::ReadsOnly : HostPattern::WriteReadPairs;
    // The upset: a reader begun anywhere, a byte lost, or a byte added.
    const int upsetKind = provider.ConsumeIntegralInRange<int>(0, 2);
    const size_t upsetAt = provider.ConsumeIntegral<uint16_t>();
    const uint8_t extraByte = provider.ConsumeIntegral<uint8_t>();
    // Payload bytes: the input's own, with 0xFF and 0x00 much more often than
    // chance would give them, so that data pairs FF 00 abound.
    std::vector<Bytes> payloads(frames, Bytes(length));
    for (Bytes& payload : payloads)
        for (uint8_t& byte : payload) {
            const uint8_t pick = provider.ConsumeIntegral<uint8_t>();
            byte = pick < 64 ? 0xFF : pick < 128 ? 0x00 : pick;
        }

    const FrameLine line = WriteFrames(payloads);
    const std::vector<uint32_t> wanted(1, (uint32_t)length);
    const std::vector<RequestGot> inStep = RunRequests(line, 0, pattern, wanted);
    FUZZ_REQUIRE(inStep.size() == payloads.size());
    for (size_t m = 0; m < inStep.size(); ++m) {
        FUZZ_REQUIRE(inStep[m].frame == (int)m);
        FUZZ_REQUIRE(inStep[m].result == RESULT_OK);
        FUZZ_REQUIRE(inStep[m].end == line.places[m].end);
    }

    // Upset within the frames before the last, so that the last shows the
    // reader in step again.
    const size_t at = upsetAt % line.places[frames - 2].next;
    const int upset = FrameReading(line, at);
    if (upsetKind == 0) {
        FUZZ_REQUIRE(BackInStep(FramesGot(RunRequests(line, at, pattern, wanted)), upset, upset, frames - 1));
    } else {
        const FrameLine upsetLine = upsetKind == 1 ? WithoutByte(line, at)
                                                   : WithExtraByte(line, at, extraByte);
        FUZZ_REQUIRE(BackInStep(FramesGot(RunRequests(upsetLine, 0, pattern, wanted)), 0, upset, frames - 1));
    }
    return 0;
}
