// What publishing the host's calls costs the host. Two copies of the DLL are
// loaded side by side: one creates its plug-in while a mutex of ours holds
// the activity area's name, so its CreateFileMapping fails and it runs
// unobserved, exactly as a plug-in that cannot make its area; the other makes
// the area, and ardun-trace --watch, started as a process of its own, reads
// it as a user would. The two take turns over many rounds, on the same COM
// pair: the throughput round of bench_throughput (host Read requests of 255
// payload bytes draining a queued stream), then host Writes of (P, 32), each
// finding its packet already queued, timed one by one. Prints both sides,
// their ratio, and what the watch saw.
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "common/path_beside.h"
#include "common/performance_clock.h"
#include "plugin/host_activity_area.h"
#include "testkit/device_port.h"
#include "testkit/plugin_session.h"
#include "testkit/settings_file.h"

namespace {

const int ROUNDS = 80;  // rounds are short: many, for a steady ratio
const uint8_t WRITE_PAYLOAD = 32;
const uint32_t WRITES_PER_ROUND = 40;
const char UNPUBLISHED_COPY[] = "ArdunParser-unpublished.dll";
const char WATCH_OUT[] = "bench_host_activity-watch.txt";
const DWORD WATCH_START_MS = 10000;

// A file in the program's folder, or "..\" of it for the build tree's tools.
std::string BesideProgram(const char* name)
{
    char path[PATH_BESIDE_CAPACITY];
    return PathBesideModule(NULL, name, path) == 0 ? std::string(path) : std::string(name);
}

bool AreaExists(const char* name)
{
    const HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, name);
    if (mapping == NULL)
        return false;
    (void)CloseHandle(mapping);  // only looked at: nothing to report
    return true;
}

std::string FileText(const std::string& path)
{
    std::string text;
    FILE* file = fopen(path.c_str(), "rb");
    if (file == NULL)
        return text;
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
        text.append(chunk, got);
    (void)fclose(file);  // read only: nothing to lose
    return text;
}

// ardun-trace --watch --pid of this process, its lines in WATCH_OUT and its
// standard output discarded.
class WatchProcess {
public:
    WatchProcess() : process(NULL) {}
    ~WatchProcess() { Stop(); }

    // Starts the watch and waits until it says it watches this process.
    bool Start()
    {
        (void)DeleteFileA(BesideProgram(WATCH_OUT).c_str());  // absent the first time
        SECURITY_ATTRIBUTES inherited = {sizeof inherited, NULL, TRUE};
        const HANDLE discard = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherited, OPEN_EXISTING,
                                           0, NULL);
        if (discard == INVALID_HANDLE_VALUE)
            return false;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = discard;
        startup.hStdOutput = discard;
        startup.hStdError = discard;
        const std::string program = BesideProgram("..\\ardun-trace.com");
        std::string commandLine = "\"" + program + "\" --watch --pid " +
                                  std::to_string(GetCurrentProcessId()) + " --out \"" +
                                  BesideProgram(WATCH_OUT) + "\"";
        PROCESS_INFORMATION started = {};
        const BOOL created = CreateProcessA(program.c_str(), &commandLine[0], NULL, NULL, TRUE, 0, NULL, NULL,
                                            &startup, &started);
        (void)CloseHandle(discard);  // the child holds its own copy now
        if (!created)
            return false;
        (void)CloseHandle(started.hThread);  // never used
        process = started.hProcess;
        for (DWORD waited = 0; waited < WATCH_START_MS; waited += 50) {
            if (FileText(BesideProgram(WATCH_OUT)).find("Watching ") != std::string::npos)
                return true;
            if (WaitForSingleObject(process, 50) == WAIT_OBJECT_0)
                return false;
        }
        return false;
    }

    // Ends the watch the way a user's kill would: the host notices nothing.
    void Stop()
    {
        if (process == NULL)
            return;
        (void)TerminateProcess(process, 0);            // it may have ended by itself
        (void)WaitForSingleObject(process, INFINITE);  // ended either way
        (void)CloseHandle(process);                    // ours, and no longer needed
        process = NULL;
    }

private:
    WatchProcess(const WatchProcess&);
    WatchProcess& operator=(const WatchProcess&);

    HANDLE process;
};

// What the watch's lines say it saw: requests counted each second, and the
// lines that tell of calls it missed or found torn.
struct WatchSummary {
    uint32_t requests = 0;
    uint32_t lossLines = 0;
};

WatchSummary SummarizeWatch(const std::string& text)
{
    WatchSummary summary;
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(begin, end - begin);
        const size_t counts = line.find(" requests ");
        unsigned requests = 0;
        if (counts != std::string::npos && sscanf(line.c_str() + counts, " requests %u,", &requests) == 1)
            summary.requests += requests;
        if (line.find("of the host's calls") != std::string::npos)
            ++summary.lossLines;
        begin = end + 1;
    }
    return summary;
}

// One side of the comparison: a loaded copy of the plug-in and its figures.
struct Side {
    const char* name;
    PluginSession session;
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
        const uint32_t result = side.session.RequestPacket(WRITE_PAYLOAD);
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
    if (side.session.Open() != 0) {
        printf("host activity: the plug-in (%s) could not open %s\n", side.name,
               TestPortPath(HOST_SIDE).c_str());
        return 0.0;
    }
    const std::vector<uint8_t> stream = RoundStream(*sequence);
    const StreamTotals before = side.stream;
    double rate = 0.0;
    if (QueueStream(device, stream)) {
        DrainWithReadRequests(side.session, *sequence, stream.size(), &side.stream);
        side.requests += STREAM_ROUND_FRAMES;
        rate = (side.stream.bytes - before.bytes) / (side.stream.seconds - before.seconds);
    }
    *sequence += STREAM_ROUND_FRAMES;
    if (rate != 0.0 && !TimeWrites(side, device, *sequence))
        rate = 0.0;
    *sequence += WRITES_PER_ROUND;
    (void)side.session.Close();  // opened again next turn, where a failure shows
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

}  // namespace

int main()
{
    PrepareHostSide();
    char areaName[HOST_ACTIVITY_NAME_CAPACITY];
    if (!FormatHostActivityAreaName(areaName, sizeof areaName, GetCurrentProcessId()) ||
        !CopyFileA(BesideProgram("ArdunParser.dll").c_str(), BesideProgram(UNPUBLISHED_COPY).c_str(),
                   FALSE)) {
        printf("host activity: the DLL could not be copied beside the program\n");
        return 1;
    }

    Side off, on;
    off.name = "publisher off";
    on.name = "publisher on, watched";
    // The name taken by another kind of object: the copy's plug-in cannot make
    // its area and must work on without one.
    const HANDLE nameTaken = CreateMutexA(NULL, FALSE, areaName);
    const bool nameWasFree = nameTaken != NULL && GetLastError() != ERROR_ALREADY_EXISTS;
    // What the plug-in's own call meets there.
    const HANDLE refused = CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0,
                                              (DWORD)HOST_ACTIVITY_AREA_SIZE, areaName);
    const DWORD refusal = GetLastError();
    if (refused != NULL)
        (void)CloseHandle(refused);  // not expected; reported below
    const bool offLoaded = off.session.Load(UNPUBLISHED_COPY);
    if (nameTaken != NULL)
        (void)CloseHandle(nameTaken);  // ours; the plug-in tried its one time
    const bool offWithoutArea = !AreaExists(areaName);
    const bool onLoaded = on.session.Load();
    const bool onWithArea = AreaExists(areaName);
    if (!nameWasFree || refused != NULL || !offLoaded || !onLoaded || !offWithoutArea || !onWithArea) {
        printf("host activity: the two plug-ins could not be set up: name free %d, mapping refused %d, "
               "loaded %d and %d, area absent for the first %d, present for the second %d\n",
               nameWasFree, refused == NULL, offLoaded, onLoaded, offWithoutArea, onWithArea);
        return 1;
    }
    printf("host activity: off: with a mutex holding the area's name, CreateFileMapping fails "
           "(error %lu) and that plug-in publishes nothing\n",
           (unsigned long)refusal);
    WatchProcess watch;
    if (!watch.Start()) {
        printf("host activity: ardun-trace --watch did not start watching this process\n");
        return 1;
    }
    DevicePort device;
    if (!device.IsOpen()) {
        printf("host activity: the device end of the pair is missing\n");
        return 1;
    }

    // On against off within each round, so that a round the machine slowed
    // down as a whole does not count twice; the order alternates.
    std::vector<double> roundRatios;
    uint32_t sequence = 0;
    for (int round = 0; round < ROUNDS; ++round) {
        Side& first = round % 2 == 0 ? off : on;
        Side& second = round % 2 == 0 ? on : off;
        const double firstRate = Turn(first, device, &sequence);
        const double secondRate = Turn(second, device, &sequence);
        if (firstRate == 0.0 || secondRate == 0.0)
            return 1;
        roundRatios.push_back(round % 2 == 0 ? secondRate / firstRate : firstRate / secondRate);
    }
    // The watch says each second's counts: one more second for the last.
    Sleep(1500);
    watch.Stop();
    const WatchSummary seen = SummarizeWatch(FileText(BesideProgram(WATCH_OUT)));
    off.session.Unload();
    on.session.Unload();
    (void)DeleteFileA(BesideProgram(UNPUBLISHED_COPY).c_str());  // a stale copy only costs space
    DrainHostSide();
    RemoveSettingsFile();

    std::sort(roundRatios.begin(), roundRatios.end());
    printf("host activity: %d rounds, each one turn of a plug-in that could not make its area (off) "
           "and one of a plug-in publishing to ardun-trace --watch in another process (on), in "
           "alternating order\n",
           ROUNDS);
    printf("host activity: a turn: %u frames of %u payload bytes queued, then drained by host Reads; "
           "%u frames of %u queued, then taken by host Writes one at a time\n",
           STREAM_ROUND_FRAMES, (unsigned)STREAM_PAYLOAD, WRITES_PER_ROUND, (unsigned)WRITE_PAYLOAD);
    PrintSide(off);
    PrintSide(on);
    const double offRate = off.stream.bytes / off.stream.seconds;
    const double onRate = on.stream.bytes / on.stream.seconds;
    printf("host activity: reader on/off %.3f over the run, %.3f the median of the rounds (%.2f to %.2f); "
           "target at least 0.98\n",
           onRate / offRate, roundRatios[roundRatios.size() / 2], roundRatios.front(), roundRatios.back());
    printf("host activity: Write on/off %.3f by the medians, %.3f by the 99th percentiles\n",
           Percentile(on.writeSeconds, 50) / Percentile(off.writeSeconds, 50),
           Percentile(on.writeSeconds, 99) / Percentile(off.writeSeconds, 99));
    printf("host activity: the watch counted %u of the %u requests of the publishing plug-in; "
           "%u lines of calls missed or torn (its log: %s)\n",
           seen.requests, on.requests, seen.lossLines, WATCH_OUT);
    return 0;
}
