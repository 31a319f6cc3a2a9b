// What one packet request of the trace took from the line and made of it, as
// the traced work hands it to the view. Pure logic, no windows.h.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

// How a request ended, as the trace counts it.
enum class RequestOutcome {
    Packet,   // a whole new packet of the size asked for came
    TimeOut,  // no new packet within the time limit
    Failed,   // the port was not open, or was lost in the request
};

struct RequestRecord {
    std::string line;            // the trace's own line: result code and outcome
    uint32_t wanted;             // payload bytes asked for
    bool timeLimitPassed;        // the request ended on its time limit
    std::vector<uint8_t> bytes;  // every byte the request read from the port, in order
    RequestOutcome outcome = RequestOutcome::TimeOut;
};
