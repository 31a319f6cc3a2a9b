// A serial line as the field has it, played in time: a device that sends
// library frames at its own rate whatever the reader does, a driver's input
// buffer that keeps what fits and loses the rest (flagging CE_RXOVER, which
// the port's status call then reports once) or, over a pty, makes the
// device's writes wait for room, and a host that asks for a
// packet at a fixed pace through the plug-in's own packet collector. It
// yields the records the plug-in publishes of the host's calls. Pure logic,
// no windows.h.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <deque>
#include <vector>

#include "plugin/host_activity_layout.h"
#include "testkit/uart_buffer_model.h"

// A driver's input buffer of a fixed size with the bytes it holds; what fits,
// what is lost and the overrun flag are the UART model's.
class DriverInputBuffer {
public:
    explicit DriverInputBuffer(size_t capacity) : model(capacity) {}
    // What the line brings: kept while there is room, lost after.
    void Arrive(const std::vector<uint8_t>& bytes);
    // The bytes waiting; *errors gets the CE_ flags since the last call,
    // which clears them, as ClearCommError does.
    uint32_t Status(uint32_t* errors);
    bool Take(uint8_t* byte);
    size_t Room() const { return model.Room(); }
    void Purge();

private:
    UartBufferModel model;
    std::deque<uint8_t> bytes;
};

struct LineModelHost {
    double deviceRate;     // frames a second
    uint32_t payload;      // the device's payload length
    uint32_t bufferBytes;  // the driver's input buffer
    double everySeconds;   // the host asks for a packet this often
    uint32_t asked;        // the host's N
    bool pairs;            // a Write P,N then a Read N; else a Read N alone
    bool purge;            // PurgeInput before each packet
    bool notPN;            // the host's Write is not P,N
    bool deviceWaits;      // the device's writes wait for room, as over a pty: nothing lost, nothing flagged
};

// The records of a host that opens COM5 at 0 s, the device's first frame
// due 1/deviceRate later, and asks until `seconds`; times count from
// originMicroseconds, sequences from 1.
std::vector<HostActivityRecord> PlayLine(const LineModelHost& host, double seconds,
                                         uint64_t originMicroseconds);
