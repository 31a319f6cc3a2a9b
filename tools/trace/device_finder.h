// ardun-trace's search for a device: listens on a COM port at each common
// baud rate, about a second each and without sending anything, and measures
// the Ardun frames it hears: their payload length and how many come a second.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

// The rates listened at, in this order.
const size_t COMMON_BAUD_RATE_COUNT = 10;
extern const uint32_t COMMON_BAUD_RATES[COMMON_BAUD_RATE_COUNT];

// FindDevices' port for every COM port the configuration dialog lists.
const uint32_t EVERY_COM_PORT = UINT32_MAX;

struct FoundDevice {
    uint32_t port;  // COM<port>
    uint32_t baudRate;
    uint32_t payloadLength;  // the N the host must ask for
    double framesPerSecond;
};

// Takes each line the search says as it goes.
typedef std::function<void(const std::string&)> SayLine;

// COM<port> only, or, for EVERY_COM_PORT, every COM port of the dialog's range that opens.
// Ends early when *stop turns true (stop may be null).
std::vector<FoundDevice> FindDevices(uint32_t port, const SayLine& say, const std::atomic<bool>* stop);

// The settings to use, as a line: port, baud rate, the N to ask for.
std::string DescribeSettingsToUse(const FoundDevice& device);
