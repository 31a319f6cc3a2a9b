// Where the trace's work puts its lines: the port's steps and the bytes it
// read, the search's and the watch's lines, each as one line of text. The
// trace window is the receiver; its work's thread hands the lines over and
// the window shows them in its own.
#pragma once

#include <stdint.h>

#include <string>

class LineReceiver {
public:
    // One line, without a line break.
    virtual void Line(const std::string& line) = 0;

protected:
    ~LineReceiver() {}
};

// The bytes as the plug-in's log dumps them: its heading, then a line of up
// to 16 bytes each, so that the trace's log reads as the module's.
void SendHexDump(LineReceiver* receiver, const uint8_t* data, uint32_t count);
