// SecondPort: sends Ardun frames on a second serial port, so that the first
// one (Serial, often the USB port) stays free for uploads and debug text.
// Mega 2560 and Leonardo: Serial1, on pins 18/19 (Mega) or 0/1 (Leonardo).
// Uno: SoftwareSerial, transmitting on pin 3; at 115200 baud it is
// unreliable, so this example uses 38400 on every board. Wire the pin through
// a USB-serial adapter (TX to its RX, ground to ground) to the PC.
//
// Payload, 4 bytes: the sequence number and the reading of A0, both
// little-endian 16-bit. The host opens the adapter's port at 38400 baud and
// asks for 4 bytes.
#include <ArdunFrame.h>
#include <SoftwareSerial.h>

const unsigned long BAUD_RATE = 38400;
const unsigned long FRAME_PERIOD_MS = 100;

#if defined(HAVE_HWSERIAL1) || defined(USBCON)
#define FRAME_PORT Serial1
#else
const uint8_t RX_PIN = 2; // unused: the plug-in never sends
const uint8_t TX_PIN = 3;
SoftwareSerial framePort(RX_PIN, TX_PIN);
#define FRAME_PORT framePort
#endif

uint16_t sequence = 0;

void setup()
{
    Serial.begin(115200);
    FRAME_PORT.begin(BAUD_RATE);
}

void loop()
{
    const uint16_t payload[2] = {sequence, (uint16_t)analogRead(A0)};
    // The result is the bytes the port took: less than the frame's length
    // only when the port refused some, and then the rest was not sent.
    if (ArdunFrameWrite(FRAME_PORT, payload) != ArdunFrameLength(payload, sizeof payload))
        Serial.println("frame cut short");
    ++sequence;
    delay(FRAME_PERIOD_MS);
}
