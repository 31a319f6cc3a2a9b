// Line noise for the gaps between frames: random bytes that never contain the
// marker 0xFF, so no false frame start (0xFF 0x00) can appear in them and no
// stray marker can pair with the frame that follows. Pure logic, no windows.h.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

class LineNoise {
public:
    explicit LineNoise(uint32_t seed);
    // `count` bytes of noise, each in 0x00..0xFE.
    std::vector<uint8_t> Next(size_t count);

private:
    uint32_t state;
};
