// NaiveBox: the SensorBox example written without the ArdunFrame library, as
// a first attempt would be: the frame start, the payload with every 0xFF
// doubled, and nothing else, 20 frames a second at 115200 baud. The latency
// benchmark compares it with SensorBox; nothing ends the host's request until
// the next frame begins.
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
    Serial.begin(115200);
    nextFrameMs = millis();
}

void loop()
{
    if ((long)(millis() - nextFrameMs) < 0)
        return;
    nextFrameMs += FRAME_PERIOD_MS;

    uint8_t payload[PAYLOAD_SIZE];
    PutLittleEndian(payload, sequence);
    for (size_t i = 0; i < sizeof INPUTS; ++i)
        PutLittleEndian(payload + 2 + 2 * i, analogRead(INPUTS[i]));
    Serial.write(0xFF);
    Serial.write(0x00);
    for (size_t i = 0; i < sizeof payload; ++i) {
        Serial.write(payload[i]);
        if (payload[i] == 0xFF)
            Serial.write(0xFF);
    }
    ++sequence;
}
