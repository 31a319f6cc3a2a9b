#include "tools/sim/line_noise.h"

LineNoise::LineNoise(uint32_t seed) : state(seed != 0 ? seed : 1) {}

std::vector<uint8_t> LineNoise::Next(size_t count)
{
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i) {
        // xorshift32: cheap, and good enough to look like noise on a scope.
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        bytes[i] = static_cast<uint8_t>(state % 0xFF);  // 0x00..0xFE, never the marker
    }
    return bytes;
}
