// NaiveBox: a device written without the ArdunFrame library, as a first
// attempt would be: every 50 ms the frame start, a 14-byte payload with every
// 0xFF doubled, and nothing else, at 115200 baud. The latency benchmark sets
// it beside SensorBox: here nothing ends the host's request until the next
// frame begins.
//
// Payload: the sequence number (two bytes, little-endian), then the bytes
// 0x10 to 0x1B.
const unsigned long FRAME_PERIOD_MS = 50;
const uint8_t PAYLOAD_SIZE = 14;

uint16_t sequence = 0;
unsigned long nextFrameMs = 0;

static void SendEscaped(uint8_t byte)
{
    Serial.write(byte);
    if (byte == 0xFF)
        Serial.write(0xFF);
}

void setup()
{
    Serial.begin(115200);
}

void loop()
{
    if ((long)(millis() - nextFrameMs) < 0)
        return;
    nextFrameMs += FRAME_PERIOD_MS;
    Serial.write(0xFF);
    Serial.write(0x00);
    SendEscaped(sequence & 0xFF);
    SendEscaped(sequence >> 8);
    for (uint8_t i = 2; i < PAYLOAD_SIZE; ++i)
        SendEscaped(0x0E + i);
    ++sequence;
}
