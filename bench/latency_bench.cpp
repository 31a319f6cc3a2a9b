// Latency: with the device sending frames, the time from the device's write
// of a frame (its last byte included) to the host's Write (P, N) returning
// with that frame collected. The device sends each frame while the host is
// already waiting in Write, as the device library sends it: the byte the
// reader reads past the payload follows at once.
#include <stdio.h>
#include <windows.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "bench/bench_support.h"
#include "common/performance_clock.h"
#include "firmware/frame_bytes.h"
#include "testkit/device_port.h"
#include "testkit/plugin_session.h"
#include "testkit/settings_file.h"

namespace {

const int SAMPLES = 1000;
const size_t PAYLOAD = 32;

}  // namespace

int main()
{
    PrepareHostSide();
    PluginSession session;
    if (!session.Load() || session.Open() != 0) {
        printf("latency: the plug-in could not open %s\n", TestPortPath(HOST_SIDE).c_str());
        return 1;
    }

    HANDLE hostWaiting = CreateEventA(NULL, FALSE, FALSE, NULL);
    std::unique_ptr<std::atomic<double>[]> written(new std::atomic<double>[SAMPLES]);
    std::thread device([&] {
        DevicePort port;
        for (int i = 0; i < SAMPLES; ++i) {
            if (WaitForSingleObject(hostWaiting, 5000) != WAIT_OBJECT_0)
                return;
            Sleep(2);  // the host is blocked in its read by now
            // The library's bytes end the request at once and lead the next frame.
            const std::vector<uint8_t> bytes = ArdunFrameBytes(BenchPayload(i, PAYLOAD));
            written[i] = PerformanceClock().Seconds();
            port.Send(bytes);
        }
    });

    std::vector<double> latencies;
    int failed = 0;
    for (int i = 0; i < SAMPLES; ++i) {
        SetEvent(hostWaiting);
        const uint32_t result = session.RequestPacket((uint8_t)PAYLOAD);
        const double returned = PerformanceClock().Seconds();
        if (result != 0) {
            ++failed;
            continue;
        }
        latencies.push_back(returned - written[i].load());
    }
    device.join();
    CloseHandle(hostWaiting);
    session.Close();
    session.Unload();
    DrainHostSide();
    RemoveSettingsFile();

    printf("latency: %u frames of %u payload bytes, %d failed; frame written to Write returning: "
           "median %.3f ms, 99th percentile %.3f ms, max %.3f ms\n",
           (unsigned)latencies.size(), (unsigned)PAYLOAD, failed, Percentile(latencies, 50) * 1000,
           Percentile(latencies, 99) * 1000, Percentile(latencies, 100) * 1000);
    return 0;
}
