// What every benchmark needs besides its clock (common/performance_clock.h):
// percentiles, a line describing the machine, the device end of the COM pair
// streaming frames, and the throughput round: a stream queued at the host end,
// then drained by host Read requests.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "testkit/device_port.h"
#include "testkit/plugin_session.h"

// The p-th percentile (0 to 100) of the samples, by nearest rank.
double Percentile(std::vector<double> samples, double p);

// Prints "machine: <processor>, <n> processors, <platform>".
void PrintMachine();

// What each benchmark of the plug-in begins with: the machine printed, the
// host end of the pair drained and named in the settings file beside the
// program, for the plug-in to open.
void PrepareHostSide();

// Payload of frame number sequence, length bytes: the number in the first
// four bytes, then bytes derived from it (0xFF now and then), so that any lost
// or altered byte shows.
std::vector<uint8_t> BenchPayload(uint32_t sequence, size_t length);

// The payload of frame number sequence as the device library sends it.
std::vector<uint8_t> FramedBenchPayload(uint32_t sequence, size_t length);

// A throughput round: frames of STREAM_PAYLOAD payload bytes, as the device
// library sends them, whose bytes after each payload end each request at
// once, so no request waits for silence.
const size_t STREAM_PAYLOAD = 255;
const uint32_t STREAM_ROUND_FRAMES = 60;  // about 15.6 KB: the pair's queues hold it whole

// The stream of one round, its frames numbered from firstSequence.
std::vector<uint8_t> RoundStream(uint32_t firstSequence);

// Queues the stream at the host end and gives it time to pass the pair, so
// that only the reader is timed, not the device.
bool QueueStream(DevicePort& device, const std::vector<uint8_t>& stream);

struct StreamTotals {
    double seconds = 0.0;
    uint64_t bytes = 0;  // bytes taken from the port
    uint64_t payloadBytes = 0;
    uint32_t lost = 0;
    uint32_t altered = 0;
    uint32_t failed = 0;
};

// Host Read requests of STREAM_PAYLOAD bytes, one frame each, until the
// round's stream is drained, every payload checked against what was sent.
void DrainWithReadRequests(PluginSession& session, uint32_t firstSequence, size_t streamBytes,
                           StreamTotals* totals);
