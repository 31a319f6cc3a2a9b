// A COM port opened only to listen, whose baud rate can change while it stays
// open: a board that resets when its port opens resets once, not at every
// rate tried. The line settings are the plug-in's own.
#pragma once

#include <stdint.h>
#include <windows.h>

class ListeningPort {
public:
    ListeningPort() : handle(INVALID_HANDLE_VALUE) {}
    ~ListeningPort() { Close(); }

    // "\\.\COM<number>", exclusive, at baudRate; false with the port closed
    // and the error in LastError().
    bool Open(uint32_t number, uint32_t baudRate);
    // The new rate, and the bytes received at the old one discarded. False
    // with the error in LastError(): a rate the driver refuses leaves the
    // port open at the old one; any other failure closes it.
    bool SetBaudRate(uint32_t baudRate);
    bool IsOpen() const { return handle != INVALID_HANDLE_VALUE; }
    // Waits up to about 100 ms for bytes; the count read, 0 on silence or
    // failure.
    DWORD Read(uint8_t* buffer, DWORD capacity);
    void Close();
    DWORD LastError() const { return lastError; }

private:
    ListeningPort(const ListeningPort&);
    ListeningPort& operator=(const ListeningPort&);

    bool Fail();

    HANDLE handle;
    DWORD lastError = ERROR_SUCCESS;
};
