#include "tools/encoder/ardun_encoder.h"

static const uint8_t MARKER = 0xFF;
static const uint8_t FRAME_START = 0x00;

std::vector<uint8_t> EncodeArdunFrame(const uint8_t* payload, size_t length)
{
    std::vector<uint8_t> frame;
    frame.reserve(2 + 2 * length);
    frame.push_back(MARKER);
    frame.push_back(FRAME_START);
    for (size_t i = 0; i < length; ++i) {
        frame.push_back(payload[i]);
        if (payload[i] == MARKER)
            frame.push_back(MARKER);  // a single marker would be taken for framing
    }
    return frame;
}

std::vector<uint8_t> EncodeArdunFrame(const std::vector<uint8_t>& payload)
{
    return EncodeArdunFrame(payload.data(), payload.size());
}
