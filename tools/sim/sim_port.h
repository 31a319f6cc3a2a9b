// The simulator's end of the serial line: a COM port opened for sending at a
// given baud rate, 8 data bits, no parity, one stop bit, no handshake.
#pragma once

#include <stdint.h>
#include <windows.h>

#include <string>
#include <vector>

class SimPort {
public:
    SimPort();
    ~SimPort();

    // False with a readable reason in *error; the port then stays closed.
    bool Open(uint32_t number, uint32_t baudRate, std::string* error);
    // Writes every byte; false with a reason when the driver failed or took
    // fewer bytes than given within the write time-out.
    bool Send(const std::vector<uint8_t>& bytes, std::string* error);
    void Close();

private:
    SimPort(const SimPort&);
    SimPort& operator=(const SimPort&);

    HANDLE handle;
};
