// The trace's readable view of the module's log: instead of two log lines per
// byte, one block per packet request that tells apart the bytes the reader
// skipped before the frame start, the frame start, the payload it stored (a
// doubled FF shown once) and the byte it dropped after the payload. Pure
// logic, no windows.h: it reads the log's lines as text, and the bytes are
// told apart by the reader's own frame scanner.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

// The bytes one request took, in the order read, classified as the reader
// treated them; each item is a labelled line ("  skipped  3D AB 9D").
// timeLimitPassed: the request ended on its time limit, so its last byte was
// read but never looked at.
std::vector<std::string> DescribeRequestBytes(const std::vector<uint8_t>& bytes, uint32_t wanted,
                                              bool timeLimitPassed);

// Turns the log's lines into the view's, one request at a time.
class RequestView {
public:
    // One line of the module's log; returns the lines the view shows for it
    // now (the port's own steps pass unchanged, a byte read shows nothing yet).
    std::vector<std::string> LogLine(const std::string& line);
    // The request has ended: its block of bytes, then the trace's own line.
    std::vector<std::string> RequestEnded(const std::string& packetLine, uint32_t wanted,
                                          bool timeLimitPassed);

private:
    std::vector<uint8_t> bytes;  // what the current request has read so far
    bool byteFollows = false;    // the last line was "KVSerial: Read"
};
