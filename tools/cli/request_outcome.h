// How one packet request ended, as the tools count it. Pure logic, no
// windows.h.
#pragma once

enum class RequestOutcome {
    Packet,   // a whole new packet of the size asked for came
    TimeOut,  // no new packet within the time limit
    Failed,   // the port was not open or was lost, or the call answered with an error
};
