// The frame length meter over any bytes, in any pieces: a length it names is
// one that some frame it was fed fits, either as the device library frames
// that many payload bytes (checked against the library's own encoding) or as
// a bare frame of that many bytes up to the next frame start.
#include <fuzzer/FuzzedDataProvider.h>

#include <string.h>

#include <vector>

#include "firmware/frame_bytes.h"
#include "fuzz/fuzz_check.h"
#include "tools/meter/frame_length_meter.h"

namespace {

// Whether the frame starting at `start` (its FF 00) holds `length` payload
// bytes, as the library frames them or as a bare frame.
bool FrameFits(const std::vector<uint8_t>& line, size_t start, uint32_t length)
{
    std::vector<uint8_t> payload;
    size_t at = start + 2;
    while (payload.size() < length && at < line.size()) {
        if (line[at] == 0xFF && (at + 1 >= line.size() || line[at + 1] != 0xFF))
            return false;  // a lone FF ends the frame before its length
        payload.push_back(line[at]);
        at += line[at] == 0xFF ? 2 : 1;
    }
    if (payload.size() < length)
        return false;
    const bool bare = at + 1 < line.size() && line[at] == 0xFF && line[at + 1] == 0x00;
    // The library's frame, less its lead byte, from the frame start on.
    const std::vector<uint8_t> framed = ArdunFrameBytes(payload);
    const bool library = start + framed.size() - 1 <= line.size() &&
                         memcmp(line.data() + start, framed.data() + 1, framed.size() - 1) == 0;
    return bare || library;
}

bool AnyFrameFits(const std::vector<uint8_t>& line, uint32_t length)
{
    for (size_t start = 0; start + 1 < line.size(); ++start)
        if (line[start] == 0xFF && line[start + 1] == 0x00 && FrameFits(line, start, length))
            return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider provider(data, size);
    const size_t piece = provider.ConsumeIntegralInRange<size_t>(1, 300);
    // Bytes 55, FF and 00 far more often than chance, so that frames, the
    // library's bytes around them and hostile payloads abound.
    std::vector<uint8_t> line;
    while (provider.remaining_bytes() > 0) {
        const uint8_t pick = provider.ConsumeIntegral<uint8_t>();
        line.push_back(pick < 48 ? 0xFF : pick < 96 ? 0x00 : pick < 160 ? 0x55 : pick);
    }
    FrameLengthMeter meter;
    for (size_t at = 0; at < line.size(); at += piece)
        meter.Add(line.data() + at, std::min(piece, line.size() - at));

    const FrameLengthVerdict verdict = meter.Verdict();
    FUZZ_REQUIRE(meter.PayloadLength() ==
                 (verdict.finding == FrameLengthFinding::Found ? verdict.payloadLength : 0));
    if (verdict.finding == FrameLengthFinding::Found) {
        FUZZ_REQUIRE(verdict.payloadLength >= 1 && verdict.payloadLength <= 255);
        // Bytes the same in every bare frame may be its trailer: the frames fit with them.
        FUZZ_REQUIRE(AnyFrameFits(line, verdict.payloadLength + (uint32_t)verdict.trailer.size()));
    }
    if (verdict.finding == FrameLengthFinding::LongerThanAnyRequest)
        FUZZ_REQUIRE(verdict.payloadLength > 255);
    return 0;
}
