// The hex-dump line with random bytes, byte counts and line capacities: it
// never writes past its capacity (an exact-size heap block), always ends
// terminated, shows at most 16 bytes, and is the full line, or the start of
// it when the capacity is short.
#include <ctype.h>
#include <stdio.h>
#include <string.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "serial/hex_dump_line.h"

namespace {

// The line as the log shows it, built apart from the module's code.
std::string ExpectedLine(const uint8_t* data, size_t shown)
{
    std::string line;
    char piece[4];
    for (size_t i = 0; i < HEX_DUMP_BYTES_PER_LINE; ++i) {
        if (i < shown) {
            snprintf(piece, sizeof piece, "%02X ", data[i]);
            line += piece;
        } else {
            line += "   ";
        }
    }
    for (size_t i = 0; i < shown; ++i)
        line += isprint(data[i]) ? (char)data[i] : '.';
    return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size)
{
    FuzzedDataProvider provider(input, size);
    const size_t capacity = provider.ConsumeIntegralInRange<size_t>(0, 300);
    const size_t count = provider.ConsumeIntegralInRange<size_t>(0, 40);
    const std::vector<uint8_t> bytes = provider.ConsumeRemainingBytes<uint8_t>();
    // The function may read min(count, 16) bytes: give it exactly count.
    std::vector<uint8_t> data(bytes.begin(), bytes.begin() + (bytes.size() < count ? bytes.size() : count));
    data.resize(count, 0x00);

    std::vector<char> line(capacity);
    const size_t shown = BuildHexDumpLine(data.data(), count, line.data(), capacity);
    if (capacity == 0) {
        FUZZ_REQUIRE(shown == 0);
        return 0;
    }
    const size_t expectedShown = count < HEX_DUMP_BYTES_PER_LINE ? count : HEX_DUMP_BYTES_PER_LINE;
    FUZZ_REQUIRE(shown == expectedShown);
    FUZZ_REQUIRE(memchr(line.data(), 0, capacity) != NULL);

    const std::string expected = ExpectedLine(data.data(), shown);
    const size_t kept = expected.size() < capacity - 1 ? expected.size() : capacity - 1;
    FUZZ_REQUIRE(strlen(line.data()) == kept);
    FUZZ_REQUIRE(memcmp(line.data(), expected.data(), kept) == 0);
    if (capacity >= HEX_DUMP_LINE_CAPACITY)
        FUZZ_REQUIRE(kept == HEX_DUMP_HEX_FIELD_WIDTH + shown);  // the log's buffer always holds the whole line
    return 0;
}
