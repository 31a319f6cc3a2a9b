#include "testkit/uart_rate_model.h"

void UartLine::Send(const std::vector<uint8_t>& bytes, size_t idleBits)
{
    for (const uint8_t byte : bytes) {
        levels.push_back(0);  // start
        for (int bit = 0; bit < 8; ++bit)
            levels.push_back((byte >> bit) & 1);
        levels.push_back(1);  // stop
    }
    levels.insert(levels.end(), idleBits, 1);
}

int UartLine::Level(double at) const
{
    return at < 0 || at >= (double)levels.size() ? 1 : levels[(size_t)at];
}

std::vector<ReceivedByte> UartLine::Receive(double deviceRate, double readerRate, double fromBit) const
{
    const double bit = deviceRate / readerRate;  // a reader's bit, in the device's bit times
    const double tick = bit / 16;                // the receiver looks at the line 16 times a bit
    std::vector<ReceivedByte> received;
    for (double at = fromBit; at < (double)levels.size(); at += tick) {
        // A start bit: low now and still low at its middle.
        if (Level(at) != 0 || Level(at + bit / 2) != 0)
            continue;
        ReceivedByte byte = {0, false};
        for (int data = 0; data < 8; ++data)
            byte.value |= (uint8_t)(Level(at + (data + 1.5) * bit) << data);
        at += 9.5 * bit;  // the stop bit's middle: the next start is looked for from there
        byte.framingError = Level(at) == 0;
        received.push_back(byte);
    }
    return received;
}
