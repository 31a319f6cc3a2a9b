#include "bench/bench_support.h"

#include <stdio.h>
#include <string.h>
#include <windows.h>

#include <algorithm>

#include "common/performance_clock.h"
#include "firmware/frame_bytes.h"
#include "testkit/settings_file.h"
#include "testkit/test_ports.h"

double Percentile(std::vector<double> samples, double p)
{
    if (samples.empty())
        return 0.0;
    std::sort(samples.begin(), samples.end());
    size_t rank = (size_t)(p / 100.0 * (double)samples.size() + 0.999999);
    rank = rank == 0 ? 1 : std::min(rank, samples.size());
    return samples[rank - 1];
}

void PrintMachine()
{
    char processor[128] = "unknown processor";
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0", 0,
                      KEY_READ, &key) == ERROR_SUCCESS) {
        DWORD size = sizeof processor - 1;
        if (RegQueryValueExA(key, "ProcessorNameString", NULL, NULL, (BYTE*)processor, &size) != ERROR_SUCCESS)
            strcpy(processor, "unknown processor");
        processor[sizeof processor - 1] = '\0';
        RegCloseKey(key);
    }
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    // Wine's ntdll names itself; on Windows the export is absent.
    typedef const char*(__cdecl * WineVersionFn)(void);
    WineVersionFn wineVersion = NULL;
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (ntdll != NULL)
        wineVersion = (WineVersionFn)(void*)GetProcAddress(ntdll, "wine_get_version");
    printf("machine: %s, %lu processors, %s%s\n", processor, (unsigned long)system.dwNumberOfProcessors,
           wineVersion ? "Wine " : "Windows", wineVersion ? wineVersion() : "");
}

void PrepareHostSide()
{
    PrintMachine();
    RemoveSettingsFile();
    DrainHostSide();
    ConfigurePort(TestPortPath(HOST_SIDE));
}

std::vector<uint8_t> BenchPayload(uint32_t sequence, size_t length)
{
    std::vector<uint8_t> payload(length);
    for (size_t i = 0; i < length; ++i)
        payload[i] = (uint8_t)(sequence * 131 + i * 7);
    memcpy(payload.data(), &sequence, std::min(length, sizeof sequence));
    return payload;
}

std::vector<uint8_t> FramedBenchPayload(uint32_t sequence, size_t length)
{
    return ArdunFrameBytes(BenchPayload(sequence, length));
}

std::vector<uint8_t> RoundStream(uint32_t firstSequence)
{
    std::vector<uint8_t> stream;
    for (uint32_t i = 0; i < STREAM_ROUND_FRAMES; ++i) {
        const std::vector<uint8_t> bytes = FramedBenchPayload(firstSequence + i, STREAM_PAYLOAD);
        stream.insert(stream.end(), bytes.begin(), bytes.end());
    }
    return stream;
}

bool QueueStream(DevicePort& device, const std::vector<uint8_t>& stream)
{
    if (!device.Send(stream))
        return false;
    Sleep(150);
    return true;
}

void DrainWithReadRequests(PluginSession& session, uint32_t firstSequence, size_t streamBytes,
                           StreamTotals* totals)
{
    uint8_t buffer[STREAM_PAYLOAD];
    uint32_t frames = 0;
    std::vector<uint32_t> sequences;
    sequences.reserve(STREAM_ROUND_FRAMES);
    const double start = PerformanceClock().Seconds();
    for (uint32_t i = 0; i < STREAM_ROUND_FRAMES; ++i) {
        uint32_t handled = 0;
        if (session.ReadPayload(buffer, STREAM_PAYLOAD, &handled) != 0 || handled != STREAM_PAYLOAD) {
            ++totals->failed;
            continue;
        }
        uint32_t sequence = 0;
        memcpy(&sequence, buffer, sizeof sequence);
        if (memcmp(buffer, BenchPayload(sequence, STREAM_PAYLOAD).data(), STREAM_PAYLOAD) != 0)
            ++totals->altered;
        else
            sequences.push_back(sequence);
        ++frames;
    }
    totals->seconds += PerformanceClock().Seconds() - start;
    totals->bytes += streamBytes;
    totals->payloadBytes += (uint64_t)frames * STREAM_PAYLOAD;
    for (size_t i = 0; i < sequences.size(); ++i)
        if (sequences[i] != firstSequence + i)
            ++totals->lost;
}
