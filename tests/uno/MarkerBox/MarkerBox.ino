// MarkerBox: a test device whose payloads are full of the marker 0xFF and of
// data pairs FF 00, the bytes a reader out of step takes for a frame start.
// Sent with the ArdunFrame library at 115200 baud, one frame right after the
// other, so that the host's first request after Open begins inside a frame.
//
// Payload, 16 bytes:
//   bytes 0-1    sequence number s, little-endian, counting from 0
//   byte  i      0x00 where (s + i) mod 3 is 2, else 0xFF, for i from 2 on
// so every frame holds pairs FF 00, the last one at index 13, 14 or 15.
#include <ArdunFrame.h>

const size_t PAYLOAD_SIZE = 16;

uint16_t sequence = 0;

void setup()
{
    Serial.begin(115200);
}

void loop()
{
    uint8_t payload[PAYLOAD_SIZE];
    payload[0] = sequence & 0xFF;
    payload[1] = sequence >> 8;
    for (size_t i = 2; i < PAYLOAD_SIZE; ++i)
        payload[i] = (sequence + i) % 3 == 2 ? 0x00 : 0xFF;
    ArdunFrameWrite(Serial, payload, sizeof payload);
    ++sequence;
}
