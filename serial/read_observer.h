// Something outside the module that wants every byte the serial port reads,
// as the port received it: a diagnostic program's own record of the line.
// Nothing in the module attaches one.
#pragma once

#include <stdint.h>

class ReadObserver {
public:
    // count bytes just read, at least one; data is valid only during the call.
    virtual void BytesRead(const uint8_t* data, uint32_t count) = 0;

protected:
    ~ReadObserver() {}
};
