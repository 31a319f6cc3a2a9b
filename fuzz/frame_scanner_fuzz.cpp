// Random byte streams and random request sizes (any 32-bit N, as a host read
// may ask) through the frame scanner: nothing is ever stored past the 256-byte
// buffer (an exact-size heap buffer, so AddressSanitizer sees any overrun),
// the bytes stored are those an independent decoder of the framing rules
// finds, and the request takes exactly one byte past the last payload byte.
#include <fuzzer/FuzzedDataProvider.h>

#include <memory>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "fuzz/reader_drive.h"

namespace {

struct Decoded {
    uint8_t value;
    size_t position;  // T of the byte that was stored, counted from 1
};

// The framing rules written out state by state, apart from the scanner.
std::vector<Decoded> DecodeReference(const uint8_t* stream, size_t length)
{
    enum State { SEARCHING, SEARCHING_MARKER, IN_FRAME, IN_FRAME_MARKER } state = SEARCHING;
    std::vector<Decoded> out;
    for (size_t i = 0; i < length; ++i) {
        const uint8_t byte = stream[i];
        const size_t position = i + 1;
        switch (state) {
        case SEARCHING:
            state = byte == 0xFF ? SEARCHING_MARKER : SEARCHING;
            break;
        case SEARCHING_MARKER:
            if (byte == 0xFF)
                state = SEARCHING_MARKER;
            else if (byte == 0x00 && position >= 3)
                state = IN_FRAME;
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider provider(data, size);
    // Mostly small sizes, where frames complete; sometimes any 32-bit value.
    const uint32_t wanted = provider.ConsumeBool() ? provider.ConsumeIntegralInRange<uint32_t>(0, 300)
                                                   : provider.ConsumeIntegral<uint32_t>();
    const std::vector<uint8_t> stream = provider.ConsumeRemainingBytes<uint8_t>();

    std::unique_ptr<uint8_t[]> buffer(new uint8_t[READER_BUFFER_SIZE]);
    const ReaderOutcome outcome = DriveReader(stream.data(), stream.size(), wanted, buffer.get());

    const uint32_t limit = wanted < READER_BUFFER_SIZE ? wanted : READER_BUFFER_SIZE;
    FUZZ_REQUIRE(outcome.stored <= limit);

    const std::vector<Decoded> reference = DecodeReference(stream.data(), stream.size());
    const size_t expectedStored = reference.size() < limit ? reference.size() : limit;
    FUZZ_REQUIRE(outcome.stored == expectedStored);
    for (size_t i = 0; i < outcome.stored; ++i)
        FUZZ_REQUIRE(buffer[i] == reference[i].value);

    // The request ends one byte after the byte that completed it (the first
    // byte alone for N = 0), or at the end of the stream.
    size_t expectedConsumed = stream.size();
    if (limit == 0)
        expectedConsumed = stream.empty() ? 0 : 1;
    else if (outcome.stored == limit)
        expectedConsumed = reference[limit - 1].position + 1;
    if (expectedConsumed > stream.size())
        expectedConsumed = stream.size();
    FUZZ_REQUIRE(outcome.consumed == expectedConsumed);
    return 0;
}
