// A COM port opened only to listen, whose baud rate can change while it stays
// open: a board that resets when its port opens resets once, not at every
// rate tried. The line settings are the plug-in's own. After every read it
// asks the driver for the line's errors, which tell a wrong baud rate that
// still lets frames through.
#pragma once

#include <stdint.h>
#include <windows.h>

#include "serial/com_handle.h"

// What the driver reported since the rate was set, each error counted once a
// read: the driver keeps a flag per kind of error, not a count.
struct LineErrors {
    uint32_t reads;  // reads checked
    uint32_t framing;
    uint32_t overrun;  // the driver's buffer or the UART's own
    uint32_t parity;
    uint32_t breaks;
};

class ListeningPort {
public:
    // "\\.\COM<number>", exclusive; false with the port closed and the error
    // in LastError(). No baud rate is set yet: SetBaudRate sets the first.
    bool Open(uint32_t number);
    // The new rate, the bytes received before it discarded and the line's
    // errors counted afresh. False with the error in LastError(): a rate the
    // driver refuses leaves the port open at the old one; any other failure
    // closes it.
    bool SetBaudRate(uint32_t baudRate);
    bool IsOpen() const { return port.IsOpen(); }
    // Waits up to about 100 ms for bytes; the count read, 0 on silence or
    // failure.
    DWORD Read(uint8_t* buffer, DWORD capacity);
    // The line's errors since the rate was set.
    const LineErrors& Errors() const { return errors; }
    void Close() { port.Close(); }
    DWORD LastError() const { return lastError; }

private:
    bool Fail();
    void CountLineErrors();

    ComHandle port;
    DWORD lastError = ERROR_SUCCESS;
    LineErrors errors = {};
};
