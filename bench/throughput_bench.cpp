// Throughput against the floor: over one virtual COM pair, the plug-in's
// packet reader draining a queued stream of frames (host Read requests of 255
// payload bytes, every payload checked), against a bare loop of one-byte
// ReadFile calls draining the same stream from the same port, which is the
// most a reader that takes one byte per system call can get. The two take
// turns over many rounds; each round queues the stream first, so only the
// reader is timed, not the device. Prints both in bytes per second and their
// ratio.
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include <algorithm>
#include <vector>

#include "bench/bench_support.h"
#include "common/performance_clock.h"
#include "testkit/device_port.h"
#include "testkit/plugin_session.h"
#include "testkit/settings_file.h"

namespace {

const int ROUNDS = 80;  // rounds are short: many, for a steady ratio

// What the bare loop reads beside each byte, to show what a clock costs: the
// packet reader reads the tick count per byte, and the performance counter
// only in the last 0.5 s before its time limit.
enum class ClockPerByte { None, PerformanceCounter, TickCount };

// One-byte ReadFile calls until the whole stream is read.
void DrainBare(HANDLE port, size_t streamBytes, ClockPerByte clock, StreamTotals* totals)
{
    uint8_t byte = 0;
    DWORD got = 0;
    size_t read = 0;
    const double start = PerformanceClock().Seconds();
    while (read < streamBytes) {
        if (!ReadFile(port, &byte, 1, &got, NULL) || got == 0)
            break;
        ++read;
        if (clock == ClockPerByte::PerformanceCounter) {
            LARGE_INTEGER counter;
            (void)QueryPerformanceCounter(&counter);  // cannot fail on XP and later
        } else if (clock == ClockPerByte::TickCount) {
            volatile DWORD ticks = GetTickCount();
            (void)ticks;
        }
    }
    totals->seconds += PerformanceClock().Seconds() - start;
    totals->bytes += read;
    if (read < streamBytes)
        ++totals->failed;
}

bool ConfigureBare(HANDLE port)
{
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    COMMTIMEOUTS timeouts = {40, 0, 300, 0, 300};  // the plug-in's own
    if (!GetCommState(port, &dcb))
        return false;
    dcb.BaudRate = 115200;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    return SetCommState(port, &dcb) && SetCommTimeouts(port, &timeouts);
}

}  // namespace

int main()
{
    PrepareHostSide();
    PluginSession session;
    DevicePort device;
    if (!session.Load() || !device.IsOpen()) {
        printf("throughput: the DLL or the device end of the pair is missing\n");
        return 1;
    }

    // The bare loop's totals by what it reads beside each byte.
    StreamTotals bareBy[3], plugin;
    StreamTotals& bare = bareBy[(int)ClockPerByte::None];
    const StreamTotals& bareWithCounter = bareBy[(int)ClockPerByte::PerformanceCounter];
    const StreamTotals& bareWithTicks = bareBy[(int)ClockPerByte::TickCount];
    // The reader against the floor within each round, so that a round the
    // machine slowed down as a whole does not count twice.
    std::vector<double> roundRatios;
    uint32_t sequence = 0;
    for (int round = 0; round < ROUNDS; ++round) {
        const StreamTotals bareBefore = bare, pluginBefore = plugin;
        for (ClockPerByte clock : {ClockPerByte::None, ClockPerByte::PerformanceCounter, ClockPerByte::TickCount}) {
            const std::vector<uint8_t> stream = RoundStream(sequence);
            HANDLE port = CreateFileA(TestPortPath(HOST_SIDE).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                      NULL, OPEN_EXISTING, 0, NULL);
            if (port == INVALID_HANDLE_VALUE || !ConfigureBare(port)) {
                printf("throughput: the host end could not be opened\n");
                return 1;
            }
            if (!QueueStream(device, stream)) {
                printf("throughput: the device end could not send\n");
                return 1;
            }
            DrainBare(port, stream.size(), clock, &bareBy[(int)clock]);
            CloseHandle(port);
            sequence += STREAM_ROUND_FRAMES;
        }

        const std::vector<uint8_t> forPlugin = RoundStream(sequence);
        if (session.Open() != 0) {
            printf("throughput: the plug-in could not open %s\n", TestPortPath(HOST_SIDE).c_str());
            return 1;
        }
        if (!QueueStream(device, forPlugin)) {
            printf("throughput: the device end could not send\n");
            return 1;
        }
        DrainWithReadRequests(session, sequence, forPlugin.size(), &plugin);
        session.Close();
        sequence += STREAM_ROUND_FRAMES;
        const double bareRound = (bare.bytes - bareBefore.bytes) / (bare.seconds - bareBefore.seconds);
        const double pluginRound = (plugin.bytes - pluginBefore.bytes) / (plugin.seconds - pluginBefore.seconds);
        roundRatios.push_back(pluginRound / bareRound);
    }
    std::sort(roundRatios.begin(), roundRatios.end());
    session.Unload();
    DrainHostSide();
    RemoveSettingsFile();

    const double bareRate = bare.bytes / bare.seconds;
    const double pluginRate = plugin.bytes / plugin.seconds;
    const double payloadRate = plugin.payloadBytes / plugin.seconds;
    printf("throughput: %d rounds of %u frames (%u payload bytes each), queued, then drained\n", ROUNDS,
           STREAM_ROUND_FRAMES, (unsigned)STREAM_PAYLOAD);
    printf("throughput: one-byte ReadFile floor %.0f B/s (%u short reads)\n", bareRate, bare.failed);
    printf("throughput: the same with one performance-counter reading per byte %.0f B/s (%.2f of the floor)\n",
           bareWithCounter.bytes / bareWithCounter.seconds, bareWithCounter.bytes / bareWithCounter.seconds / bareRate);
    printf("throughput: the same with one tick-count reading per byte %.0f B/s (%.2f of the floor)\n",
           bareWithTicks.bytes / bareWithTicks.seconds, bareWithTicks.bytes / bareWithTicks.seconds / bareRate);
    printf("throughput: packet reader %.0f B/s from the port, %.0f payload B/s (%u lost, %u altered, %u failed)\n",
           pluginRate, payloadRate, plugin.lost, plugin.altered, plugin.failed);
    printf("throughput: ratio %.2f over the run, %.2f the median of the rounds (%.2f to %.2f); "
           "target at least 0.95\n",
           pluginRate / bareRate, roundRatios[roundRatios.size() / 2], roundRatios.front(), roundRatios.back());
    printf("throughput: payload rate %s the 300000 B/s target\n", payloadRate >= 300000 ? "meets" : "misses");
    return 0;
}
