// ardun-trace's search for a device: listens on a COM port at each common
// baud rate, about a second each and without sending anything, and measures
// the Ardun frames it hears: their payload length, how many come a second and
// the line's errors. A rate close to one with frames, which a UART may half
// understand, is heard as well, and the frames themselves choose between
// them (see near_rate_choice.h); where they cannot, the search says so.
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

// How long the search of one port may listen, step by step: each entry's
// seconds, at most `times` over. The search counts each step it takes and
// refuses one beyond its times, so a port takes no longer than the plan's sum.
struct SearchStep {
    const char* what;
    double seconds;
    uint32_t times;
};
enum SearchStepIndex {
    EACH_RATE,          // a rate's turn: every rate once, its neighbours and the far rate included
    BOARD_STARTING,     // the first rate waits this long for a board that resets when its port opens
    SLOW_DEVICE,        // once a port, longer for a device that sends about a frame a second
    READ_PAST_THE_END,  // each listen may end one read's time-out late
    SEARCH_STEP_COUNT
};
// The far rate that tells a virtual COM pair is heard only when the first rate
// heard already gave frames, and the search ends after it: its patience takes
// the turns of rates the search then never hears.
extern const SearchStep SEARCH_PLAN[SEARCH_STEP_COUNT];
// The most one port's search listens, in seconds.
double SearchPlanSeconds();
// The same for a user: "at most 15 s a port".
std::string SearchTimeText();

// FindDevices' port for every COM port the configuration dialog lists.
const uint32_t EVERY_COM_PORT = UINT32_MAX;

struct FoundDevice {
    uint32_t port;           // COM<port>
    uint32_t baudRate;       // for anyRate, the rate heard first: any other carries the frames as well
    uint32_t payloadLength;  // the N the host must ask for
    double framesPerSecond;  // 0: not measured
    bool anyRate;            // the port carried the same frames at far apart rates: a virtual pair
    uint32_t otherBaudRate;  // a near rate whose frames were as whole as baudRate's: try each; 0: none
};

// Takes each line the search says as it goes.
typedef std::function<void(const std::string&)> SayLine;

// COM<port> only, or, for EVERY_COM_PORT, every COM port of the dialog's range that opens.
// Ends early when *stop turns true (stop may be null). onlyRate: listen at
// that rate alone, for a device whose rate is not in the list; 0: the list.
std::vector<FoundDevice> FindDevices(uint32_t port, const SayLine& say, const std::atomic<bool>* stop,
                                     uint32_t onlyRate = 0);

// The settings to use, as a line: port, baud rate (the host's own, for a
// virtual pair), the N to ask for.
std::string DescribeSettingsToUse(const FoundDevice& device);
