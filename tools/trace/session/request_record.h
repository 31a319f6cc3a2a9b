// What one packet request of the trace took from the line and made of it, as
// the traced work hands it to the view. Pure logic, no windows.h.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "tools/cli/request_outcome.h"

struct RequestRecord {
    std::string line;            // the trace's own line: result code and outcome
    uint32_t wanted;             // payload bytes asked for
    bool timeLimitPassed;        // the request ended on its time limit
    std::vector<uint8_t> bytes;  // every byte the request read from the port, in order
    RequestOutcome outcome = RequestOutcome::TimeOut;
};
