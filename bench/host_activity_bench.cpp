// What publishing the host's calls costs the host. Two copies of the DLL are
// loaded side by side: one creates its plug-in while a mutex of ours holds
// the activity area's name, so its CreateFileMapping fails and it runs
// unobserved, exactly as the build before publishing; the other makes the
// area. First nobody watches it; then ardun-trace --watch, started as a
// process of its own, reads it as a user would. In each phase the two take
// turns over many rounds, on the same COM pair: the throughput round of
// bench_throughput (host Read requests of 255 payload bytes draining a queued
// stream), then host Writes of (P, 32), each finding its packet already
// queued, timed one by one. Prints every side, the ratios, and what the watch
// saw.
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "common/kernel_handle.h"
#include "common/path_beside.h"
#include "common/performance_clock.h"
#include "plugin/host_activity_area.h"
#include "testkit/device_port.h"
#include "testkit/plugin_session.h"
#include "testkit/settings_file.h"
#include "testkit/watch_process.h"

namespace {

const int ROUNDS = 40;  // of each phase; rounds are short: many, for a steady ratio
const uint8_t WRITE_PAYLOAD = 32;
const uint32_t WRITES_PER_ROUND = 40;
const char UNPUBLISHED_COPY[] = "ArdunParser-unpublished.dll";
const char WATCH_OUT[] = "bench_host_activity-watch.txt";

// A file in the program's folder, or "..\" of it for the build tree's tools.
std::string BesideProgram(const char* name)
{
    char path[PATH_BESIDE_CAPACITY];
    return PathBesideModule(NULL, name, path) == 0 ? std::string(path) : std::string(name);
}

bool AreaExists(const char* name)
{
    // Only looked at, and closed again.
    return KernelHandle(OpenFileMappingA(FILE_MAP_READ, FALSE, name)).IsOpen();
}

// What the watch's lines say it saw: requests counted each second, and the
// lines that tell of calls it missed or found torn.
struct WatchSummary {
    uint32_t requests = 0;
    uint32_t lossLines = 0;
};

WatchSummary SummarizeWatch(const std::vector<std::string>& lines)
{
    WatchSummary summary;
    for (const std::string& line : lines) {
        const size_t counts = line.find(" requests ");
        unsigned requests = 0;
        if (counts != std::string::npos && sscanf(line.c_str() + counts, " requests %u,", &requests) == 1)
            summary.requests += requests;
        if (line.find("of the host's calls") != std::string::npos)
            ++summary.lossLines;
    }
    return summary;
}

// One side of the comparison: a loaded copy of the plug-in and its figures.
struct Side {
    Side(const char* name, PluginSession* session) : name(name), session(session) {}
    const char* name;
    PluginSession* session;
    StreamTotals stream;
    std::vector<double> writeSeconds;
    uint32_t writesFailed = 0;
    uint32_t requests = 0;  // Read and Write requests made
};

// Host Writes of (P, WRITE_PAYLOAD), each finding its frame already queued.
bool TimeWrites(Side& side, DevicePort& device, uint32_t firstSequence)
{
    std::vector<uint8_t> frames;
    for (uint32_t i = 0; i < WRITES_PER_ROUND; ++i) {
        const std::vector<uint8_t> bytes = FramedBenchPayload(firstSequence + i, WRITE_PAYLOAD);
        frames.insert(frames.end(), bytes.begin(), bytes.end());
    }
    if (!QueueStream(device, frames))
        return false;
    const PerformanceClock clock;
    for (uint32_t i = 0; i < WRITES_PER_ROUND; ++i) {
        const double start = clock.Seconds();
        const uint32_t result = side.session->RequestPacket(WRITE_PAYLOAD);
        const double seconds = clock.Seconds() - start;
        if (result != 0)
            ++side.writesFailed;
        else
            side.writeSeconds.push_back(seconds);
    }
    side.requests += WRITES_PER_ROUND;
    return true;
}

// One side's turn of a round; its rate from the port, or 0 when the pair or
// the plug-in failed it.
double Turn(Side& side, DevicePort& device, uint32_t* sequence)
{
    if (side.session->Open() != 0) {
        printf("host activity: the plug-in (%s) could not open %s\n", side.name,
               TestPortPath(HOST_SIDE).c_str());
        return 0.0;
    }
    const std::vector<uint8_t> stream = RoundStream(*sequence);
    const StreamTotals before = side.stream;
    double rate = 0.0;
    if (QueueStream(device, stream)) {
        DrainWithReadRequests(*side.session, *sequence, stream.size(), &side.stream);
        side.requests += STREAM_ROUND_FRAMES;
        rate = (side.stream.bytes - before.bytes) / (side.stream.seconds - before.seconds);
    }
    *sequence += STREAM_ROUND_FRAMES;
    if (rate != 0.0 && !TimeWrites(side, device, *sequence))
        rate = 0.0;
    *sequence += WRITES_PER_ROUND;
    (void)side.session->Close();  // opened again next turn, where a failure shows
    if (rate == 0.0)
        printf("host activity: the device end could not send\n");
    return rate;
}

void PrintSide(const Side& side)
{
    const StreamTotals& totals = side.stream;
    printf("host activity: %s: packet reader %.0f B/s from the port, %.0f payload B/s (%u lost, %u altered, "
           "%u failed)\n",
           side.name, totals.bytes / totals.seconds, totals.payloadBytes / totals.seconds, totals.lost,
           totals.altered, totals.failed);
    printf("host activity: %s: Write (P, %u) to a ready packet, %u timed (%u failed): median %.1f us, "
           "99th percentile %.1f us, max %.1f us\n",
           side.name, (unsigned)WRITE_PAYLOAD, (unsigned)side.writeSeconds.size(), side.writesFailed,
           Percentile(side.writeSeconds, 50) * 1e6, Percentile(side.writeSeconds, 99) * 1e6,
           Percentile(side.writeSeconds, 100) * 1e6);
}

// Rounds of the two sides, each one turn of each in alternating order, so
// that a round the machine slowed down as a whole does not count twice; the
// rounds' ratios of second to first, sorted. Empty when a turn failed.
std::vector<double> Rounds(Side& off, Side& on, DevicePort& device, uint32_t* sequence)
{
    std::vector<double> ratios;
    for (int round = 0; round < ROUNDS; ++round) {
        Side& first = round % 2 == 0 ? off : on;
        Side& second = round % 2 == 0 ? on : off;
        const double firstRate = Turn(first, device, sequence);
        const double secondRate = Turn(second, device, sequence);
        if (firstRate == 0.0 || secondRate == 0.0)
            return std::vector<double>();
        ratios.push_back(round % 2 == 0 ? secondRate / firstRate : firstRate / secondRate);
    }
    std::sort(ratios.begin(), ratios.end());
    return ratios;
}

double ReaderRate(const Side& side)
{
    return side.stream.bytes / side.stream.seconds;
}

void PrintComparison(const Side& off, const Side& on, const std::vector<double>& ratios)
{
    printf("host activity: reader %s/off %.3f over the phase, %.3f the median of the rounds (%.2f to %.2f)\n",
           on.name, ReaderRate(on) / ReaderRate(off), ratios[ratios.size() / 2], ratios.front(),
           ratios.back());
    printf("host activity: Write %s/off %.3f by the medians, %.3f by the 99th percentiles\n", on.name,
           Percentile(on.writeSeconds, 50) / Percentile(off.writeSeconds, 50),
           Percentile(on.writeSeconds, 99) / Percentile(off.writeSeconds, 99));
}

}  // namespace

int main()
{
    PrepareHostSide();
    char areaName[HOST_ACTIVITY_NAME_CAPACITY];
    if (!FormatHostActivityAreaName(areaName, sizeof areaName, GetCurrentProcessId(), 1) ||
        !CopyFileA(BesideProgram("ArdunParser.dll").c_str(), BesideProgram(UNPUBLISHED_COPY).c_str(),
                   FALSE)) {
        printf("host activity: the DLL could not be copied beside the program\n");
        return 1;
    }

    PluginSession offSession, onSession;
    // The name taken by another kind of object: the copy's plug-in cannot make
    // its area and must work on without one, as the build before did.
    const HANDLE mutex = CreateMutexA(NULL, FALSE, areaName);
    const bool nameWasFree = mutex != NULL && GetLastError() != ERROR_ALREADY_EXISTS;
    KernelHandle nameTaken(mutex);
    // What the plug-in's own call meets there: a refusal; a mapping made is
    // not expected, and reported below.
    const HANDLE made = CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0,
                                           (DWORD)HOST_ACTIVITY_AREA_SIZE, areaName);
    const DWORD refusal = GetLastError();
    KernelHandle area(made);
    const bool areaMade = area.IsOpen();
    area.Close();
    const bool offLoaded = offSession.Load(UNPUBLISHED_COPY);
    nameTaken.Close();  // ours; the plug-in tried its one time
    const bool offWithoutArea = !AreaExists(areaName);
    const bool onLoaded = onSession.Load();
    const bool onWithArea = AreaExists(areaName);
    if (!nameWasFree || areaMade || !offLoaded || !onLoaded || !offWithoutArea || !onWithArea) {
        printf("host activity: the two plug-ins could not be set up: name free %d, mapping refused %d, "
               "loaded %d and %d, area absent for the first %d, present for the second %d\n",
               nameWasFree, !areaMade, offLoaded, onLoaded, offWithoutArea, onWithArea);
        return 1;
    }
    printf("host activity: off: with a mutex holding the area's name, CreateFileMapping fails "
           "(error %lu) and that plug-in publishes nothing, as the build before publishing did\n",
           (unsigned long)refusal);
    DevicePort device;
    if (!device.IsOpen()) {
        printf("host activity: the device end of the pair is missing\n");
        return 1;
    }

    // Phase 1: the area made, nobody watching. Phase 2: ardun-trace --watch
    // watching it from another process.
    Side off1("off (phase 1)", &offSession), unwatched("on, unwatched", &onSession);
    Side off2("off (phase 2)", &offSession), watched("on, watched", &onSession);
    uint32_t sequence = 0;
    const std::vector<double> unwatchedRatios = Rounds(off1, unwatched, device, &sequence);
    if (unwatchedRatios.empty())
        return 1;
    WatchProcess watch;
    if (!watch.Start(BesideProgram("..\\ardun-trace.com"), BesideProgram(WATCH_OUT))) {
        printf("host activity: ardun-trace --watch did not start watching this process\n");
        return 1;
    }
    const std::vector<double> watchedRatios = Rounds(off2, watched, device, &sequence);
    if (watchedRatios.empty())
        return 1;
    // The watch says each second's counts: one more second for the last.
    Sleep(1500);
    watch.Stop();
    const WatchSummary seen = SummarizeWatch(watch.Lines());
    offSession.Unload();
    onSession.Unload();
    (void)DeleteFileA(BesideProgram(UNPUBLISHED_COPY).c_str());  // a stale copy only costs space
    DrainHostSide();
    RemoveSettingsFile();

    printf("host activity: two phases of %d rounds, each round one turn of a plug-in that could not make its "
           "area (off) and one of a plug-in that made it (on), in alternating order; in phase 1 nobody "
           "watches, in phase 2 ardun-trace --watch does from another process\n",
           ROUNDS);
    printf("host activity: a turn: %u frames of %u payload bytes queued, then drained by host Reads; "
           "%u frames of %u queued, then taken by host Writes one at a time\n",
           STREAM_ROUND_FRAMES, (unsigned)STREAM_PAYLOAD, WRITES_PER_ROUND, (unsigned)WRITE_PAYLOAD);
    PrintSide(off1);
    PrintSide(unwatched);
    PrintSide(off2);
    PrintSide(watched);
    PrintComparison(off1, unwatched, unwatchedRatios);
    PrintComparison(off2, watched, watchedRatios);
    printf("host activity: the watch counted %u of the %u requests of the watched plug-in; "
           "%u lines of calls missed or torn (its log: %s)\n",
           seen.requests, watched.requests, seen.lossLines, WATCH_OUT);
    return 0;
}
