// ardun-sim's line noise: every byte value but the frame marker.
#include "tools/sim/line_noise.h"

#include <gtest/gtest.h>

#include <vector>

TEST(LineNoise, NeverHoldsTheMarker)
{
    LineNoise noise(12345);
    std::vector<uint8_t> bytes = noise.Next(100000);
    int seen[256] = {};
    for (uint8_t b : bytes)
        ++seen[b];
    EXPECT_EQ(0, seen[0xFF]);
    for (int value = 0; value < 0xFF; ++value)
        EXPECT_GT(seen[value], 0) << value;  // otherwise it would hardly be noise
    EXPECT_NE(LineNoise(1).Next(16), LineNoise(2).Next(16));
}
