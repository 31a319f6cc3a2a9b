// A long run of packets through the built DLL over a virtual COM pair: a
// device thread streams numbered frames while the host loop asks for them with
// Write (P, N) and collects them with Read, as the host does. Every payload
// the host receives must be one that was sent, whole; frames the host never
// sees are counted and printed; handles and private memory must not grow.
//
// How the device side is laid out, and why frames go missing by design:
// - After the N-th payload byte the reader reads and drops one more byte, and
//   a request trusts a frame start only from its third byte on. So frames are
//   separated by two gap bytes: the first is the byte dropped, the second puts
//   the next frame's 0x00 at the third byte of the next request.
// - Write and Read each run the reader: on a streaming line the Write's frame
//   is replaced by the next one before the host can read it, so one frame in
//   two never reaches the host. That is counted as lost between polls.
// ARDUN_SOAK_PACKETS sets the number of host requests (default 100,000).
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>
// psapi.h needs windows.h first.
#include <psapi.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "firmware/frame_bytes.h"
#include "testkit/device_port.h"
#include "testkit/open_handles.h"
#include "testkit/plugin_session.h"
#include "testkit/seconds_since.h"
#include "testkit/settings_file.h"

namespace {

const uint32_t PAYLOAD_SIZE = 8;
const size_t FRAMES_PER_WRITE = 64;
// Growth allowed over the run once it is warm: far below what one leaked
// allocation or handle per request would add up to.
const size_t MEMORY_GROWTH_LIMIT = 1024 * 1024;

// Payload: sequence number (4 bytes, little-endian), three bytes derived from
// it (0xFF among them now and then, so escaping is exercised), one check byte.
std::vector<uint8_t> PayloadFor(uint32_t sequence)
{
    std::vector<uint8_t> payload(PAYLOAD_SIZE);
    memcpy(payload.data(), &sequence, 4);
    payload[4] = (uint8_t)(sequence * 7 + 0xF9);
    payload[5] = (uint8_t)((sequence >> 3) ^ 0xFF);
    payload[6] = (uint8_t)(0xFF - (sequence & 0x0F));
    uint8_t check = 0xA5;
    for (size_t i = 0; i < 7; ++i)
        check = (uint8_t)(check * 31 + payload[i]);
    payload[7] = check;
    return payload;
}

// True when payload is exactly what the device sent for its sequence number.
bool IsWhole(const uint8_t* payload, uint32_t* sequence)
{
    memcpy(sequence, payload, 4);
    return memcmp(payload, PayloadFor(*sequence).data(), PAYLOAD_SIZE) == 0;
}

// The process's private committed memory. Wine leaves PrivateUsage at 0 but
// keeps PagefileUsage, which counts the same memory on Windows.
size_t PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), (PROCESS_MEMORY_COUNTERS*)&counters, sizeof counters))
        return 0;
    return counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
}

uint32_t PacketCount()
{
    const char* value = getenv("ARDUN_SOAK_PACKETS");
    return value && *value ? (uint32_t)strtoul(value, NULL, 10) : 100000;
}

// Streams numbered frames, from firstSequence on, from the device end until
// told to stop.
class StreamingDevice {
public:
    explicit StreamingDevice(uint32_t firstSequence = 0) : sent(firstSequence), worker([this] { Run(); }) {}
    ~StreamingDevice() { Stop(); }
    void Stop()
    {
        stop = true;
        if (worker.joinable())
            worker.join();
    }
    uint32_t FramesSent() const { return sent; }
    bool Failed() const { return failed; }

private:
    void Run()
    {
        DevicePort port;
        if (!port.IsOpen()) {
            failed = true;
            return;
        }
        std::vector<uint8_t> chunk;
        uint32_t sequence = sent;
        while (!stop) {
            chunk.clear();
            for (size_t i = 0; i < FRAMES_PER_WRITE; ++i) {
                const std::vector<uint8_t> frame = ArdunFrameBytes(PayloadFor(sequence++));
                chunk.insert(chunk.end(), frame.begin(), frame.end());
            }
            // A full line blocks the write until the host has read enough;
            // the port's write time-out lets the loop see the stop request.
            if (!port.Send(chunk) && !stop) {
                failed = true;
                return;
            }
            sent = sequence;
        }
    }
    std::atomic<bool> stop{false};
    std::atomic<bool> failed{false};
    std::atomic<uint32_t> sent;  // the next frame's sequence number
    std::thread worker;
};

struct SoakCounts {
    uint32_t delivered = 0;
    uint32_t broken = 0;     // not a payload the device sent
    uint32_t reordered = 0;  // a sequence number not above the last one
    uint32_t failures = 0;   // a request whose result was not 0
    uint64_t lost = 0;       // frames skipped between delivered ones
};

class Soak : public ::testing::Test {
protected:
    void SetUp() override
    {
        RemoveSettingsFile();
        DrainHostSide();
        ConfigurePort(TestPortPath(HOST_SIDE));
        ASSERT_TRUE(session.Load());
        ASSERT_EQ(0u, session.Open());
    }
    void TearDown() override
    {
        session.Close();
        session.Unload();
        RemoveSettingsFile();
        DrainHostSide();
    }

    // One host request: Write P, N, then Read N.
    void Poll(SoakCounts* counts, uint32_t* lastSequence)
    {
        uint8_t buffer[PAYLOAD_SIZE];
        uint32_t handled = 0;
        if (session.RequestPacket(PAYLOAD_SIZE, &handled) != 0) {
            ++counts->failures;
            return;
        }
        if (session.ReadPayload(buffer, PAYLOAD_SIZE, &handled) != 0 || handled != PAYLOAD_SIZE) {
            ++counts->failures;
            return;
        }
        uint32_t sequence = 0;
        if (!IsWhole(buffer, &sequence)) {
            ++counts->broken;
            return;
        }
        if (counts->delivered > 0) {
            if (sequence <= *lastSequence)
                ++counts->reordered;
            else
                counts->lost += sequence - *lastSequence - 1;
        }
        *lastSequence = sequence;
        ++counts->delivered;
    }

    PluginSession session;
};

TEST_F(Soak, EveryPayloadArrivesWholeAndNothingGrows)
{
    const uint32_t packets = PacketCount();
    const uint32_t warmUp = packets < 1000 ? packets / 10 : 1000;
    SoakCounts counts;
    uint32_t lastSequence = 0;
    // The handles are counted only while the device's thread is stopped: its
    // writes may hold a handle of Wine's for a moment.
    uint32_t warmUpFrames = 0;
    {
        StreamingDevice warmUpDevice;
        // The first request must not meet a line the device has not reached yet.
        for (int tries = 0; tries < 500 && warmUpDevice.FramesSent() == 0 && !warmUpDevice.Failed(); ++tries)
            Sleep(10);
        ASSERT_GT(warmUpDevice.FramesSent(), 0u) << "the device end never got its first frames out";
        for (uint32_t i = 0; i < warmUp; ++i)
            Poll(&counts, &lastSequence);
        warmUpDevice.Stop();
        ASSERT_FALSE(warmUpDevice.Failed());
        warmUpFrames = warmUpDevice.FramesSent();
    }
    const HandleSet handlesBefore = OpenHandles();
    const size_t memoryBefore = PrivateBytes();
    StreamingDevice device(warmUpFrames);
    const auto start = std::chrono::steady_clock::now();

    for (uint32_t i = warmUp; i < packets; ++i)
        Poll(&counts, &lastSequence);

    const double seconds = SecondsSince(start);
    device.Stop();
    const HandleSet handlesAfter = OpenHandles();
    const size_t memoryAfter = PrivateBytes();
    session.PurgeInput();

    printf("soak: %u requests, %u frames sent, %u delivered whole, %u broken, %u out of order, "
           "%u failed requests\n",
           packets, device.FramesSent(), counts.delivered, counts.broken, counts.reordered, counts.failures);
    printf("soak: %llu frames lost between polls (%.2f per delivered frame; Write's frame is "
           "replaced by Read's on a streaming line)\n",
           (unsigned long long)counts.lost, counts.delivered ? (double)counts.lost / counts.delivered : 0.0);
    printf("soak: %.1f s for %u requests (%.0f requests/s); handles %u -> %u; private bytes %u -> %u\n",
           seconds, packets - warmUp, (packets - warmUp) / seconds, (unsigned)handlesBefore.size(),
           (unsigned)handlesAfter.size(), (unsigned)memoryBefore, (unsigned)memoryAfter);

    EXPECT_FALSE(device.Failed());
    EXPECT_EQ(0u, counts.broken) << "a payload that was never sent: a mix of two frames";
    EXPECT_EQ(0u, counts.reordered);
    // A streaming line has a frame ready for every request; only a device
    // thread stalled by a loaded machine for a whole read time-out misses one.
    EXPECT_LE(counts.failures, packets / 1000) << "requests that found no frame on a streaming line";
    EXPECT_EQ(packets, counts.delivered + counts.failures);
    EXPECT_EQ(handlesBefore, handlesAfter) << DescribeHandleChange(handlesBefore, handlesAfter);
    ASSERT_GT(memoryBefore, 0u) << "the memory counters are readable";
    EXPECT_LT(memoryAfter, memoryBefore + MEMORY_GROWTH_LIMIT);
    EXPECT_EQ(0, session.UnbalancedCalls());
}

}  // namespace
