#include "tools/sim/sim_payload.h"

static const uint32_t TRIANGLE_PERIOD = 510;

uint8_t SensorTriangle(uint32_t step)
{
    uint32_t phase = step % TRIANGLE_PERIOD;
    return static_cast<uint8_t>(phase <= 255 ? phase : TRIANGLE_PERIOD - phase);
}

std::vector<uint8_t> MakeSimPayload(uint32_t sequence, size_t size)
{
    std::vector<uint8_t> payload(size);
    for (size_t i = 0; i < size; ++i) {
        uint8_t value;
        if (i < 4)
            value = static_cast<uint8_t>(sequence >> (8 * i));
        else if (i == 4)
            value = SensorTriangle(sequence);
        else if (i == 5)
            value = SensorTriangle(sequence % TRIANGLE_PERIOD + 128);
        else if (i == 6)
            value = SensorTriangle(3 * (sequence % TRIANGLE_PERIOD));  // no overflow
        else
            value = static_cast<uint8_t>(sequence + i);
        payload[i] = value;
    }
    return payload;
}
