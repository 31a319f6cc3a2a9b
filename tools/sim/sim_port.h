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
    // Hands the bytes to the port, never waiting long: a device's bytes go out
    // at its rate whatever the other end does. What the port does not take
    // within the write time-out (its queue is full: nobody reads the other
    // end, or a line that is slowed) is lost, not sent again, and so is what
    // its queue still held, which is dropped so that the next frames go out
    // on time: *notTaken and *dropped count each (the queue as far as the
    // driver tells it). False with a reason only when the driver failed.
    bool Send(const std::vector<uint8_t>& bytes, size_t* notTaken, size_t* dropped, std::string* error);
    void Close() { port.Close(); }

private:
    bool SetWriteTimeout(size_t bytes);

    ComHandle port;
    uint32_t rate = 0;
    DWORD writeTimeout = 0;  // the write time-out set, in ms; 0 while none
};
