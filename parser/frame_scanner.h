// Recognises an Ardun frame in a byte stream, one byte at a time: the frame
// start ARDUNFRAME_MARKER ARDUNFRAME_START (0xFF 0x00), then payload in which
// a data 0xFF travels doubled. The frame bytes are the device library's own,
// so the reader and the device cannot disagree on them. Pure logic without
// windows.h, so it also builds natively (fuzzing).
#pragma once

#include <stdint.h>

#include "firmware/ArdunFrame/src/ArdunFrame.h"

// The scanner's state; a request starts from a value-initialised one
// (searching, no marker pending).
struct FrameScanner {
    bool inFrame;     // the frame start has been seen
    bool markerSeen;  // the previous byte was a single marker not yet resolved
};

// Examines the next byte. bytesReceived counts the bytes received so far in
// the request, this one included: a frame start only counts when its 0x00 is
// the third byte or later. True when the byte is payload to be stored.
bool ScanFrameByte(FrameScanner* scanner, uint8_t byte, uint32_t bytesReceived);
