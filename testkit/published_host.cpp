// A host whose plug-in publishes its calls, for the trace window's watch case: it makes the
// activity area under its own process id with the plug-in's own publisher, and fills it with the calls of a
// host that opened COM5 at 9600 baud and asks for 16-byte packets while the device's frames hold 12. It
// prints its process id, plays for the seconds given and ends. Usage: published_host SECONDS
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

#include <vector>

#include "firmware/frame_bytes.h"
#include "plugin/host_activity_publisher.h"

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? atoi(argv[1]) : 5;
    HostActivityPublisher publisher;
    if (!publisher.Start()) {
        fprintf(stderr, "published_host: no area (error %lu)\n", GetLastError());
        return 1;
    }
    printf("published %lu\n", GetCurrentProcessId());
    (void)fflush(stdout);  // the test waits for this line

    publisher.Opened("\\\\.\\COM5", 9600, 0);
    const COMMTIMEOUTS timeouts = {40, 0, 300, 0, 300};
    publisher.TimeoutsSet(timeouts, 0);
    publisher.Purged(PortPurge::Input, 0);
    for (uint32_t frame = 0; frame < (uint32_t)seconds * 20; ++frame) {
        std::vector<uint8_t> payload(12);
        for (size_t i = 0; i < payload.size(); ++i)
            payload[i] = (uint8_t)(frame + i);
        const std::vector<uint8_t> bytes = ArdunFrameBytes(payload);
        // As the component does: a request is published only while a watcher is there.
        if (publisher.RequestBegins()) {
            publisher.BytesRead(bytes.data(), (uint32_t)bytes.size());
            publisher.RequestEnded(
                {frame % 2 == 0 ? PortRequestKind::Write : PortRequestKind::Read, 16, 0, 16, 1, 50000, 0, 0});
        }
        Sleep(50);
    }
    publisher.Closed(0);
    return 0;
}
