// What a UART set to one baud rate receives from a device sending at
// another: the device's bytes as line levels (8N1, the line high between
// bursts), and a receiver that takes a low level after a stop bit as the
// next start bit, as a 16550 does, samples each bit at its middle by its
// own clock and flags a stop bit it finds low. Pure logic, for tests.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

struct ReceivedByte {
    uint8_t value;
    bool framingError;  // handed over all the same, as a UART does
};

class UartLine {
public:
    // The bytes back to back, then the line high for `idleBits` bit times.
    void Send(const std::vector<uint8_t>& bytes, size_t idleBits);
    // What a receiver at readerRate hears of a device at deviceRate, from
    // `fromBit` (in the device's bit times: a reader that began mid-frame).
    std::vector<ReceivedByte> Receive(double deviceRate, double readerRate, double fromBit) const;

private:
    int Level(double at) const;

    std::vector<uint8_t> levels;  // one per device bit time
};
