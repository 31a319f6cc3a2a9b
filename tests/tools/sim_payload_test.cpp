// ardun-sim's payload: the layout its --help documents, and slow sensors.
#include "tools/sim/sim_payload.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <vector>

TEST(SimPayload, TriangleClimbsToFFAndFallsBackToZero)
{
    const struct {
        uint32_t step;
        uint8_t value;
    } points[] = {{0, 0}, {1, 1}, {255, 255}, {256, 254}, {509, 1}, {510, 0}, {765, 255}, {1020, 0}};
    for (const auto& p : points)
        EXPECT_EQ(p.value, SensorTriangle(p.step)) << p.step;
}

TEST(SimPayload, FollowsTheDocumentedLayout)
{
    // Worked by hand from the layout in --help.
    EXPECT_EQ((std::vector<uint8_t>{0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x00, 0x07, 0x08, 0x09}),
              MakeSimPayload(0, 10));
    // s = 255: the sequence starts with the data pair 0xFF 0x00; A = 255,
    // B = T(383) = 127, C = T(765) = 255, then 255 + 7 = 262 -> 0x06.
    EXPECT_EQ((std::vector<uint8_t>{0xFF, 0x00, 0x00, 0x00, 0xFF, 0x7F, 0xFF, 0x06}), MakeSimPayload(255, 8));
    // s = 0x01020304 = 16909060 = 33155 * 510 + 10: A = 10, B = T(138) = 138,
    // C = T(30) = 30, byte 7 = 0x04 + 7 = 0x0B.
    EXPECT_EQ((std::vector<uint8_t>{0x04, 0x03, 0x02, 0x01, 10, 138, 30, 0x0B}),
              MakeSimPayload(0x01020304, 8));
    EXPECT_EQ((std::vector<uint8_t>{0x04, 0x03}), MakeSimPayload(0x01020304, 2));
}

TEST(SimPayload, SensorsVarySlowly)
{
    for (uint32_t s : {0u, 1000u, 0xFFFFF000u}) {
        std::vector<uint8_t> previous = MakeSimPayload(s, 7);
        for (uint32_t step = 1; step < 600; ++step) {
            std::vector<uint8_t> current = MakeSimPayload(s + step, 7);
            for (int sensor = 4; sensor < 7; ++sensor)
                EXPECT_LE(abs(current[sensor] - previous[sensor]), 3) << s + step << " sensor " << sensor;
            previous = current;
        }
    }
}
