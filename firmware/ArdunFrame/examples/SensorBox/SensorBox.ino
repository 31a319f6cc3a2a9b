// SensorBox: an Arduino Uno that sends its six analog inputs to the
// ArdunParser plug-in 20 times a second, one Ardun frame each, written by the
// ArdunFrame library.
//
// Line: 115200 baud, 8 data bits, no parity, 1 stop bit, no flow control.
// Payload, 14 bytes, every number little-endian:
//   bytes 0-1    sequence number: the frames sent since reset, from 0 (it
//                wraps from 65535 to 0)
//   bytes 2-13   analogRead of A0, A1, ..., A5: 0 to 1023, two bytes each
// The host asks for 14 bytes (Write of P,14, then a Read of 14).
#include <ArdunFrame.h>

const unsigned long BAUD_RATE = 115200;
// 20 frames a second: well inside the plug-in's 300 ms read time-out.
const unsigned long FRAME_PERIOD_MS = 50;
const uint8_t INPUTS[] = {A0, A1, A2, A3, A4, A5};
const size_t PAYLOAD_SIZE = 2 + 2 * sizeof INPUTS;

uint16_t sequence = 0;
unsigned long nextFrameMs = 0;

static void PutLittleEndian(uint8_t* bytes, uint16_t value)
{
    bytes[0] = value & 0xFF;
    bytes[1] = value >> 8;
}

void setup()
{
    Serial.begin(BAUD_RATE);
    nextFrameMs = millis();
}

void loop()
{
    // The rate is kept by the clock, so the time the frame takes to send
    // does not add to the period.
    if ((long)(millis() - nextFrameMs) < 0)
        return;
    nextFrameMs += FRAME_PERIOD_MS;

    uint8_t payload[PAYLOAD_SIZE];
    PutLittleEndian(payload, sequence);
    for (size_t i = 0; i < sizeof INPUTS; ++i)
        PutLittleEndian(payload + 2 + 2 * i, analogRead(INPUTS[i]));
    // A reading of 255 is the data pair FF 00: the library's bytes after the
    // frame keep the plug-in in step all the same.
    ArdunFrameWrite(Serial, payload, sizeof payload);
    ++sequence;
}
