// Drives the frame scanner the way the component's packet reader does, on a
// byte stream instead of a port: each byte is counted into T (bytes received
// in the request, this one included) before the scanner sees it, payload is
// stored into a 256-byte buffer, the request stops once N bytes are stored
// (or the buffer is full) after reading one more byte, and the end of the
// stream stands for a silent line. The time limit is left out: it only ever
// ends a request earlier.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "parser/frame_scanner.h"

// The component's packet buffer.
const uint32_t READER_BUFFER_SIZE = 256;

struct ReaderOutcome {
    uint32_t stored;  // payload bytes stored in the buffer
    size_t consumed;  // bytes taken from the stream
};

// buffer must hold READER_BUFFER_SIZE bytes.
inline ReaderOutcome DriveReader(const uint8_t* stream, size_t length, uint32_t wanted,
                                 uint8_t* buffer)
{
    ReaderOutcome outcome = {0, 0};
    FrameScanner scanner = {};
    uint32_t received = 0;
    if (length == 0)
        return outcome;  // nothing arrived before the read time-out
    uint8_t byte = stream[outcome.consumed++];
    received = 1;
    for (;;) {
        if (outcome.stored >= wanted || outcome.stored >= READER_BUFFER_SIZE)
            break;
        if (ScanFrameByte(&scanner, byte, received))
            buffer[outcome.stored++] = byte;
        if (outcome.consumed == length)
            break;  // the line fell silent
        byte = stream[outcome.consumed++];
        ++received;
    }
    return outcome;
}
