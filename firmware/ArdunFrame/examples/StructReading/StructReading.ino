// StructReading: sends a struct as the payload, in one call, about 10 times
// a second. The host asks for sizeof(Reading) bytes: 9 here, on every board.
//
// Line: 115200 baud, 8 data bits, no parity, 1 stop bit.
//
// Padding: a compiler may put unused bytes between the fields of a struct so
// that each field starts where the processor likes it. An 8-bit AVR (Uno,
// Mega, Leonardo) never does; a 32-bit board (ESP32, RP2040, SAMD, STM32)
// would make this struct 12 bytes, with a gap after `highInputs` and two
// bytes at the end, and the host would then have to ask for 12. Declaring it
// packed keeps it 9 bytes, laid out exactly as below, on every board. Every
// board here is little-endian, so the numbers go out low byte first.
#include <ArdunFrame.h>

struct __attribute__((packed)) Reading {
    uint16_t sequence;  // bytes 0-1: frames sent since reset, from 0
    uint8_t highInputs; // byte 2: bit i set when analogRead(Ai) is above 511
    uint32_t sum;       // bytes 3-6: the sum of A0 to A5's readings
    int16_t difference; // bytes 7-8: A0's reading less A1's
};

const unsigned long BAUD_RATE = 115200;
const unsigned long FRAME_PERIOD_MS = 100;
const uint8_t INPUTS[] = {A0, A1, A2, A3, A4, A5};

Reading reading = {0, 0, 0, 0};

void setup()
{
    Serial.begin(BAUD_RATE);
}

void loop()
{
    int values[sizeof INPUTS];
    reading.highInputs = 0;
    reading.sum = 0;
    for (uint8_t i = 0; i < sizeof INPUTS; ++i) {
        values[i] = analogRead(INPUTS[i]);
        if (values[i] > 511)
            reading.highInputs |= 1 << i;
        reading.sum += values[i];
    }
    reading.difference = values[0] - values[1];
    // The whole struct, its size taken by the library. The result is the
    // bytes Serial took: the frame's length, 14 or more (each FF in the
    // payload goes out twice).
    ArdunFrameWrite(Serial, reading);
    ++reading.sequence;
    delay(FRAME_PERIOD_MS);
}
