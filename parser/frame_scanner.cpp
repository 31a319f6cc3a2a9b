#include "parser/frame_scanner.h"

// The device's first bytes in a request may be the tail of an earlier frame,
// so a frame start is only trusted from the third byte on.
static const uint32_t FIRST_FRAME_START_POSITION = 3;

bool ScanFrameByte(FrameScanner* scanner, uint8_t byte, uint32_t bytesReceived)
{
    if (!scanner->inFrame) {
        if (byte == ARDUNFRAME_MARKER) {
            scanner->markerSeen = true;  // any number of markers may precede the 0x00
            return false;
        }
        if (scanner->markerSeen && byte == ARDUNFRAME_START && bytesReceived >= FIRST_FRAME_START_POSITION)
            scanner->inFrame = true;
        scanner->markerSeen = false;
        return false;
    }
    if (byte == ARDUNFRAME_MARKER && !scanner->markerSeen) {
        scanner->markerSeen = true;
        return false;
    }
    // A doubled marker is one data 0xFF; after a single marker the byte is
    // payload and the marker is lost (a frame start inside a frame stores 0x00).
    scanner->markerSeen = false;
    return true;
}
