// A host whose plug-in publishes its calls, for the watch's test: it makes the
// activity area under its own process id, as the plug-in does, with the
// plug-in's own writer, and fills it with the calls of a host that opened
// COM5 at 9600 baud and asks for 16-byte packets while the device's frames
// hold 12. It prints its process id, plays for the seconds given and ends.
// Usage: published_host SECONDS
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

#include <vector>

#include "firmware/frame_bytes.h"
#include "plugin/host_activity_ring.h"

static uint64_t Microseconds()
{
    LARGE_INTEGER counter, frequency;
    (void)QueryPerformanceFrequency(&frequency);  // cannot fail since Windows XP
    (void)QueryPerformanceCounter(&counter);      // the same
    const uint64_t ticks = (uint64_t)counter.QuadPart, perSecond = (uint64_t)frequency.QuadPart;
    return ticks / perSecond * 1000000u + ticks % perSecond * 1000000u / perSecond;
}

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? atoi(argv[1]) : 5;
    const DWORD size = (DWORD)HostActivityAreaSize(HOST_ACTIVITY_RECORD_COUNT);
    char name[64];
    snprintf(name, sizeof name, "Local\\ArdunParser.HostActivity.%lu", GetCurrentProcessId());
    const HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, size, name);
    void* block = mapping != NULL ? MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, size) : NULL;
    HostActivityWriter writer;
    if (block == NULL || !writer.Start(block, size, HOST_ACTIVITY_RECORD_COUNT,
                                       {GetCurrentProcessId(), "published_host.exe", "1.0.0"})) {
        fprintf(stderr, "published_host: no area (error %lu)\n", GetLastError());
        return 1;
    }
    printf("published %lu\n", GetCurrentProcessId());
    (void)fflush(stdout);  // the test waits for this line

    writer.Open(Microseconds(), 0, "\\\\.\\COM5", 9600);
    const uint32_t timeouts[HOST_ACTIVITY_TIMEOUT_COUNT] = {40, 0, 300, 0, 300};
    writer.SetTimeouts(Microseconds(), 0, timeouts);
    writer.Purge(HOST_ACTIVITY_PURGE_INPUT, Microseconds(), 0);
    for (uint32_t frame = 0; frame < (uint32_t)seconds * 20; ++frame) {
        std::vector<uint8_t> payload(12);
        for (size_t i = 0; i < payload.size(); ++i)
            payload[i] = (uint8_t)(frame + i);
        const std::vector<uint8_t> bytes = ArdunFrameBytes(payload);
        const HostActivityRequest request = {16, 16, 1, 50000, 0};
        writer.Request(frame % 2 == 0 ? HOST_ACTIVITY_WRITE : HOST_ACTIVITY_READ, Microseconds(), 0, request,
                       bytes.data(), (uint32_t)bytes.size());
        Sleep(50);
    }
    writer.Close(Microseconds(), 0);
    // The process ends: Windows unmaps the view and closes the mapping.
    return 0;
}
