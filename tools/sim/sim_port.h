// The simulator's end of the serial line: a COM port opened for sending at a
// given baud rate with the line settings of a device's sending end (8 data
// bits, no parity, one stop bit, no handshake).
#pragma once

#include <stdint.h>
#include <windows.h>

#include <string>
#include <vector>

#include "serial/com_handle.h"

class SimPort {
public:
    // False with a readable reason in *error; the port then stays closed.
    bool Open(uint32_t number, uint32_t baudRate, std::string* error);
    // Hands the bytes to the port. When it does not take them all within the
    // write time-out (nobody reads the other end and its queue is full), the
    // rest and the port's queue are dropped, as a device's bytes are gone once
    // sent, and *taken is false. False with a reason only when the driver
    // failed.
    bool Send(const std::vector<uint8_t>& bytes, bool* taken, std::string* error);
    void Close() { port.Close(); }

private:
    ComHandle port;
};
