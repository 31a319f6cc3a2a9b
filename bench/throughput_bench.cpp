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

const size_t PAYLOAD = 255;
const uint32_t FRAMES_PER_ROUND = 60;  // about 15.6 KB: the pair's queues hold it whole
const int ROUNDS = 80;  // rounds are short: many, for a steady ratio

// The stream of one round: the frames as the device library sends them, whose
// bytes after each payload end each request at once, so no request waits for
// silence.
std::vector<uint8_t> RoundStream(uint32_t firstSequence)
{
    std::vector<uint8_t> stream;
    for (uint32_t i = 0; i < FRAMES_PER_ROUND; ++i) {
        const std::vector<uint8_t> bytes = FramedBenchPayload(firstSequence + i, PAYLOAD);
        stream.insert(stream.end(), bytes.begin(), bytes.end());
    }
    return stream;
}

// Queues the stream at the host end and gives it time to pass the pair.
bool Queue(DevicePort& device, const std::vector<uint8_t>& stream)
{
    if (!device.Send(stream))
        return false;
    Sleep(150);
    return true;
}

struct Totals {
    double seconds = 0.0;
    uint64_t bytes = 0;  // bytes taken from the port
    uint64_t payloadBytes = 0;
    uint32_t lost = 0;
    uint32_t altered = 0;
    uint32_t failed = 0;
};

// What the bare loop reads beside each byte, to show what a clock costs: the
// packet reader reads the tick count per byte, and the performance counter
// only in the last 0.5 s before its time limit.
enum class ClockPerByte { None, PerformanceCounter, TickCount };

// One-byte ReadFile calls until the whole stream is read.
void DrainBare(HANDLE port, size_t streamBytes, ClockPerByte clock, Totals* totals)
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

// Host Read requests, one frame each, every payload checked.
void DrainPlugin(PluginSession& session, uint32_t firstSequence, size_t streamBytes, Totals* totals)
{
    uint8_t buffer[PAYLOAD];
    uint32_t frames = 0;
    std::vector<uint32_t> sequences;
    sequences.reserve(FRAMES_PER_ROUND);
    const double start = PerformanceClock().Seconds();
    for (uint32_t i = 0; i < FRAMES_PER_ROUND; ++i) {
        uint32_t handled = 0;
        if (session.ReadPayload(buffer, PAYLOAD, &handled) != 0 || handled != PAYLOAD) {
            ++totals->failed;
            continue;
        }
        uint32_t sequence = 0;
        memcpy(&sequence, buffer, sizeof sequence);
        if (memcmp(buffer, BenchPayload(sequence, PAYLOAD).data(), PAYLOAD) != 0)
            ++totals->altered;
        else
            sequences.push_back(sequence);
        ++frames;
    }
    totals->seconds += PerformanceClock().Seconds() - start;
    totals->bytes += streamBytes;
    totals->payloadBytes += (uint64_t)frames * PAYLOAD;
    for (size_t i = 0; i < sequences.size(); ++i)
        if (sequences[i] != firstSequence + i)
            ++totals->lost;
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
    PrintMachine();
    RemoveSettingsFile();
    DrainHostSide();
    ConfigurePort(TestPortPath(HOST_SIDE));
    PluginSession session;
    DevicePort device;
    if (!session.Load() || !device.IsOpen()) {
        printf("throughput: the DLL or the device end of the pair is missing\n");
        return 1;
    }

    // The bare loop's totals by what it reads beside each byte.
    Totals bareBy[3], plugin;
    Totals& bare = bareBy[(int)ClockPerByte::None];
    const Totals& bareWithCounter = bareBy[(int)ClockPerByte::PerformanceCounter];
    const Totals& bareWithTicks = bareBy[(int)ClockPerByte::TickCount];
    // The reader against the floor within each round, so that a round the
    // machine slowed down as a whole does not count twice.
    std::vector<double> roundRatios;
    uint32_t sequence = 0;
    for (int round = 0; round < ROUNDS; ++round) {
        const Totals bareBefore = bare, pluginBefore = plugin;
        for (ClockPerByte clock : {ClockPerByte::None, ClockPerByte::PerformanceCounter, ClockPerByte::TickCount}) {
            const std::vector<uint8_t> stream = RoundStream(sequence);
            HANDLE port = CreateFileA(TestPortPath(HOST_SIDE).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                      NULL, OPEN_EXISTING, 0, NULL);
            if (port == INVALID_HANDLE_VALUE || !ConfigureBare(port)) {
                printf("throughput: the host end could not be opened\n");
                return 1;
            }
            if (!Queue(device, stream)) {
                printf("throughput: the device end could not send\n");
                return 1;
            }
            DrainBare(port, stream.size(), clock, &bareBy[(int)clock]);
            CloseHandle(port);
            sequence += FRAMES_PER_ROUND;
        }

        const std::vector<uint8_t> forPlugin = RoundStream(sequence);
        if (session.Open() != 0) {
            printf("throughput: the plug-in could not open %s\n", TestPortPath(HOST_SIDE).c_str());
            return 1;
        }
        if (!Queue(device, forPlugin)) {
            printf("throughput: the device end could not send\n");
            return 1;
        }
        DrainPlugin(session, sequence, forPlugin.size(), &plugin);
        session.Close();
        sequence += FRAMES_PER_ROUND;
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
           FRAMES_PER_ROUND, (unsigned)PAYLOAD);
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
