// Latency on an emulated Arduino Uno: the time from a frame's last byte
// leaving the emulated UART to the host's Read returning with that frame.
// The harness (bench/uno_latency.sh starts it) runs the firmware in simavr at
// the wall clock's pace and logs the wall-clock time of every byte its UART
// sends; this program is the host, Open then Write P,N / Read N pairs through
// the DLL, and notes the wall-clock time each Read returns. Both clocks are
// the system's real-time clock (Wine's precise system time is the Linux one).
//   bench_uno_latency.exe NAME COM_NUMBER SIZE READS BYTE_LOG
// NAME labels the output; BYTE_LOG is the harness's log as a Windows path,
// read once the Reads are done.
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "testkit/frame_stream.h"
#include "testkit/plugin_session.h"
#include "testkit/settings_file.h"

namespace {

struct Packet {
    Bytes payload;
    double returned;  // Unix seconds
};

// The system time in Unix seconds, to 100 ns.
double UnixSecondsNow()
{
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    const ULONGLONG ticks = ((ULONGLONG)now.dwHighDateTime << 32) | now.dwLowDateTime;
    const ULONGLONG unixEpochTicks = 116444736000000000ULL;  // 1970-01-01 in 100 ns steps from 1601
    return (double)(ticks - unixEpochTicks) / 1e7;
}

// The harness's log: one "SECONDS HEX" line per byte sent.
bool ReadByteLog(const char* path, Bytes* bytes, std::vector<double>* times)
{
    FILE* log = fopen(path, "r");
    if (log == NULL)
        return false;
    double seconds = 0;
    unsigned value = 0;
    while (fscanf(log, "%lf %x", &seconds, &value) == 2) {
        bytes->push_back((uint8_t)value);
        times->push_back(seconds);
    }
    fclose(log);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 6) {
        fprintf(stderr, "usage: bench_uno_latency NAME COM_NUMBER SIZE READS BYTE_LOG\n");
        return 2;
    }
    const char* name = argv[1];
    const std::string port = std::string("\\\\.\\COM") + argv[2];
    const uint32_t size = (uint32_t)atoi(argv[3]);
    const int reads = atoi(argv[4]);
    PrintMachine();
    RemoveSettingsFile();
    ConfigurePort(port);
    PluginSession session;
    if (!session.Load() || session.Open() != 0) {
        printf("%s: the plug-in could not open %s\n", name, port.c_str());
        return 1;
    }
    session.PurgeInput();  // always 0

    std::vector<Packet> packets;
    int failed = 0;
    for (int i = 0; i < reads; ++i) {
        Bytes buffer(size);
        uint32_t handled = 0;
        const bool collected = session.RequestPacket((uint8_t)size) == 0 &&
                               session.ReadPayload(buffer.data(), size, &handled) == 0 && handled == size;
        const double returned = UnixSecondsNow();
        if (collected)
            packets.push_back({buffer, returned});
        else
            ++failed;
    }
    session.Close();
    session.Unload();
    RemoveSettingsFile();

    Bytes line;
    std::vector<double> times;
    Sleep(200);  // the harness writes its log in blocks
    if (!ReadByteLog(argv[5], &line, &times)) {
        printf("%s: cannot read the byte log %s\n", name, argv[5]);
        return 1;
    }
    // Each packet's frame on the line: the frame start and the payload as
    // the wire carries it; its last byte is the frame's last.
    const std::string haystack(line.begin(), line.end());
    std::vector<double> latencies;
    int misread = 0;
    for (const Packet& packet : packets) {
        const FrameLine frame = WriteFrames({packet.payload});
        const Bytes wire(frame.bytes.begin() + frame.places[0].startZero - 1,
                         frame.bytes.begin() + frame.places[0].end - 1);
        const size_t at = haystack.find(std::string(wire.begin(), wire.end()));
        if (at == std::string::npos) {
            ++misread;
            continue;
        }
        latencies.push_back(packet.returned - times[at + wire.size() - 1]);
    }
    printf("%s: %u packets of %u bytes from %d Write/Read pairs (%d failed, %d not sent as read); "
           "frame's last byte sent to Read returning: median %.3f ms, 90th percentile %.3f ms, max %.3f ms\n",
           name, (unsigned)latencies.size(), size, reads, failed, misread, Percentile(latencies, 50) * 1000,
           Percentile(latencies, 90) * 1000, Percentile(latencies, 100) * 1000);
    return latencies.empty() ? 1 : 0;
}
