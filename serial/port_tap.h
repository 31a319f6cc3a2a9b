// Something that watches the port at work: each step of the port as the log's
// line, and every byte the port reads as it received it. The edit-control
// log, the trace and the plug-in's host activity publisher are taps. A tap
// says once, as it is made, whether it takes the steps as text: the port
// formats a step only while an attached tap does.
#pragma once

#include <stdint.h>

class PortTap {
public:
    bool TakesSteps() const { return takesSteps; }

    // One step of the port, as the log words it ("KVSerial: Port Closed"),
    // for a tap that takes steps. line is valid only during the call.
    virtual void PortStep(const char* line) { (void)line; }
    // count bytes just read, at least one; data is valid only during the call.
    virtual void BytesRead(const uint8_t* data, uint32_t count)
    {
        (void)data;
        (void)count;
    }

protected:
    explicit PortTap(bool takesSteps) : takesSteps(takesSteps) {}
    ~PortTap() {}

private:
    bool takesSteps;
};
