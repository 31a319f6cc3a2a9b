#include "tools/trace/watch/watch_command.h"

#include <stdio.h>
#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "common/kernel_handle.h"
#include "common/performance_clock.h"
#include "plugin/host_activity_area.h"
#include "plugin/host_activity_ring.h"
#include "plugin/watcher_presence.h"
#include "tools/cli/stop_request.h"
#include "tools/trace/exit_status.h"
#include "tools/trace/out_file.h"
#include "tools/trace/utf8_text.h"
#include "tools/trace/watch/host_area_view.h"
#include "tools/trace/watch/host_watch.h"

namespace {

// How often the areas are read, and how often new hosts are looked for.
const DWORD POLL_MS = 100;
const uint64_t SCAN_MICROSECONDS = 1000000;
// Records copied out of an area at a time, and batches read in one poll: a
// ring's worth and more, and never without end, whatever the area says.
const size_t BATCH_RECORDS = 64;
const int BATCHES_PER_POLL = 2 * HOST_ACTIVITY_RECORD_COUNT / BATCH_RECORDS;
// A record published between the watch's clock reading and its read of the
// area is stamped a little after that reading; one later than this is false.
const uint64_t RECORD_AHEAD_MICROSECONDS = 1000000;

// A copy of the plug-in in a process: the area it publishes.
typedef std::pair<uint32_t, uint32_t> AreaId;  // process id, copy

// "COM5" of "\\.\COM5".
std::string PortOf(const char* path)
{
    const std::string text(path);
    return text.compare(0, 4, "\\\\.\\") == 0 ? text.substr(4) : text;
}

// The running processes by id, with their program names; empty when Windows
// refuses the snapshot (the next scan tries again).
std::map<uint32_t, std::string> RunningProcesses()
{
    std::map<uint32_t, std::string> processes;
    const KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.IsOpen())
        return processes;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.Get(), &entry); more;
         more = Process32Next(snapshot.Get(), &entry))
        processes[entry.th32ProcessID] = entry.szExeFile;
    return processes;
}

struct WatchedHost {
    std::unique_ptr<HostAreaView> view;
    std::unique_ptr<HostActivityReader> reader;
    std::unique_ptr<HostWatch> watch;
    uint32_t processId;
    uint32_t copy;     // of the plug-in in the process, from 1
    std::string name;  // "host.exe 1234", before each line once more than one host was watched
    std::string port;  // "COM5", of its latest Open that succeeded
};

class Watcher {
public:
    Watcher(const TraceOptions& options, const WatchOutput& output) : options(options), output(output) {}
    int Run();

private:
    void Scan(uint64_t now);
    bool Watched(const AreaId& area) const;
    void TryHost(const AreaId& area, const std::string& program, uint64_t now);
    // Says, once, why an area found on two scans running cannot be read.
    void Refused(const AreaId& area, const std::string& program, HostActivityAreaCheck check);
    std::string Prefix(const WatchedHost& host) const;
    // The host's new records; false when its area can no longer be read.
    bool ReadHost(WatchedHost& host, uint64_t now);
    void Say(const WatchedHost& host, const std::vector<std::string>& lines);
    void ShowStatus();

    const TraceOptions& options;
    const WatchOutput& output;
    const PerformanceClock clock;
    std::vector<WatchedHost> hosts;
    bool anyWatched = false;
    uint32_t hostsWatched = 0;                   // over the whole watch: past one, every line names its host
    std::map<uint32_t, uint32_t> copiesWatched;  // by process, over the whole watch
    std::map<AreaId, HostActivityAreaCheck> refusedBefore;  // found unreadable by the latest scan
    std::set<AreaId> refusalSaid;
    bool waitingSaid = false;
};

int Watcher::Run()
{
    const uint64_t start = clock.Microseconds();
    const uint64_t end = start + (uint64_t)options.seconds * 1000000u;
    uint64_t nextScan = start;
    while (!output.stopRequested()) {
        const uint64_t now = clock.Microseconds();
        if (options.seconds != 0 && now >= end) {
            output.say("The watch ends after " + std::to_string(options.seconds) + " s.");
            break;
        }
        if (now >= nextScan) {
            Scan(now);
            nextScan = now + SCAN_MICROSECONDS;
        }
        for (size_t i = 0; i < hosts.size();) {
            WatchedHost& host = hosts[i];
            // Read once more after the end is seen, so the last calls are shown.
            const bool ended = host.view->HostEnded();
            if (!ReadHost(host, now)) {
                Say(host, {std::string("its activity area can no longer be read (") +
                           HostActivityAreaProblem(host.reader->Check()) + "); the watch of it ends"});
            } else if (ended) {
                std::vector<std::string> lines;
                host.watch->HostEnded(now, &lines);
                Say(host, lines);
            } else {
                // Still here: the host's plug-in publishes its requests while this is fresh.
                host.view->SayWatching(WatcherStamp(clock.Microseconds()));
                ++i;
                continue;
            }
            hosts.erase(hosts.begin() + (ptrdiff_t)i);
        }
        ShowStatus();
        if (anyWatched && hosts.empty()) {
            output.say("No host left to watch: the watch ends.");
            break;
        }
        Sleep(POLL_MS);
    }
    return anyWatched ? TRACE_EXIT_OK : TRACE_EXIT_NOTHING;
}

void Watcher::Scan(uint64_t now)
{
    const std::map<uint32_t, std::string> processes = RunningProcesses();
    if (options.pid != 0) {
        const auto found = processes.find(options.pid);
        for (uint32_t copy = 1; copy <= HOST_ACTIVITY_MAX_COPIES; ++copy)
            if (!Watched(AreaId(options.pid, copy)))
                TryHost(AreaId(options.pid, copy), found != processes.end() ? found->second : "", now);
        if (hosts.empty() && !waitingSaid && !anyWatched) {
            output.say(found == processes.end()
                           ? "No process " + std::to_string(options.pid) + " is running; waiting for it."
                           : found->second + " (process " + std::to_string(options.pid) +
                                 ") has no ArdunParser plug-in publishing its calls; waiting for one.");
            waitingSaid = true;
        }
        return;
    }
    for (const auto& process : processes)
        for (uint32_t copy = 1; copy <= HOST_ACTIVITY_MAX_COPIES; ++copy)
            if (process.first != GetCurrentProcessId() && !Watched(AreaId(process.first, copy)))
                TryHost(AreaId(process.first, copy), process.second, now);
    if (hosts.empty() && !waitingSaid) {
        output.say("No host with the ArdunParser plug-in is running; waiting for one to start.");
        waitingSaid = true;
    }
}

bool Watcher::Watched(const AreaId& area) const
{
    return std::any_of(hosts.begin(), hosts.end(), [&area](const WatchedHost& host) {
        return host.processId == area.first && host.copy == area.second;
    });
}

void Watcher::TryHost(const AreaId& area, const std::string& program, uint64_t now)
{
    WatchedHost host;
    host.view.reset(new HostAreaView);
    if (!host.view->Open(area.first, area.second)) {
        refusedBefore.erase(area);
        return;
    }
    host.reader.reset(new HostActivityReader(host.view->Block(), host.view->Size()));
    HostActivityHeader header;
    if (!host.reader->ReadHeader(&header)) {
        // Not an area this watch reads, or not laid out yet: the next scan tries again.
        Refused(area, program, host.reader->Check());
        return;
    }
    refusedBefore.erase(area);
    host.view->SayWatching(WatcherStamp(clock.Microseconds()));
    host.watch.reset(new HostWatch(header, now));
    host.processId = area.first;
    host.copy = area.second;
    host.name = (program.empty() ? std::string("process") : program) + " " + std::to_string(area.first);
    hosts.push_back(std::move(host));
    anyWatched = true;
    ++hostsWatched;
    ++copiesWatched[area.first];
    waitingSaid = false;
    output.say("Watching " + hosts.back().watch->HostLine() +
               (area.second > 1 ? ", copy " + std::to_string(area.second) + " of the plug-in in it" : ""));
}

void Watcher::Refused(const AreaId& area, const std::string& program, HostActivityAreaCheck check)
{
    // A plug-in lays its area out just after making it: once is no evidence.
    const auto before = refusedBefore.find(area);
    const bool again = before != refusedBefore.end() && before->second == check;
    refusedBefore[area] = check;
    if (!again || refusalSaid.count(area) != 0)
        return;
    refusalSaid.insert(area);
    output.say((program.empty() ? std::string("process") : program) + " " + std::to_string(area.first) +
               (area.second > 1 ? " copy " + std::to_string(area.second) : "") +
               ": an activity area this watch cannot read: " + HostActivityAreaProblem(check));
}

bool Watcher::ReadHost(WatchedHost& host, uint64_t now)
{
    HostActivityRecord records[BATCH_RECORDS];
    std::vector<std::string> lines;
    uint32_t misdated = 0, restarted = 0;
    for (int batches = 0; batches < BATCHES_PER_POLL; ++batches) {
        const HostActivityBatch batch = host.reader->Read(records, BATCH_RECORDS,
                                                          clock.Microseconds() + RECORD_AHEAD_MICROSECONDS);
        for (uint32_t i = 0; i < batch.whole; ++i) {
            host.watch->Add(records[i], &lines);
            if (records[i].kind == HOST_ACTIVITY_OPEN && records[i].result >= 0)
                host.port = PortOf(records[i].portPath);
        }
        host.watch->Lost(batch.missed, batch.torn, &lines);
        misdated += batch.misdated;
        restarted += batch.restarted;
        if (batch.whole < BATCH_RECORDS)
            break;
    }
    if (misdated != 0)
        lines.push_back(std::to_string(misdated) +
                        " of the host's calls had times out of order (before the call ahead of them, or "
                        "ahead of this clock): each is shown at the nearest time that fits");
    if (restarted != 0)
        lines.push_back("the activity area's count of calls went back: its calls are read again from the "
                        "oldest it holds");
    host.watch->Tick(now, &lines);
    Say(host, lines);
    return host.reader->Check() == HostActivityAreaCheck::Valid;
}

std::string Watcher::Prefix(const WatchedHost& host) const
{
    if (hostsWatched <= 1)
        return "";
    // Copies of the plug-in in one process: each by its number and port.
    const auto copies = copiesWatched.find(host.processId);
    if (copies == copiesWatched.end() || copies->second <= 1)
        return host.name + ": ";
    return host.name + " (copy " + std::to_string(host.copy) + (host.port.empty() ? "" : ", " + host.port) +
           "): ";
}

void Watcher::Say(const WatchedHost& host, const std::vector<std::string>& lines)
{
    for (const std::string& line : lines)
        output.say(Prefix(host) + line);
}

void Watcher::ShowStatus()
{
    std::vector<HostWatchStatus> statuses;
    std::string finding, late;
    for (const WatchedHost& host : hosts) {
        statuses.push_back(host.watch->Status());
        const std::string prefix = Prefix(host);
        const std::string hostFinding = host.watch->FindingText();
        if (!hostFinding.empty())
            finding += (finding.empty() ? "" : "; ") + prefix + hostFinding;
        if (!host.watch->LateText().empty())
            late += (late.empty() ? "" : "; ") + prefix + host.watch->LateText();
    }
    output.status(statuses, finding, late);
}

}  // namespace

int WatchHosts(const TraceOptions& options, const WatchOutput& output)
{
    Watcher watcher(options, output);
    return watcher.Run();
}

int RunWatch(const TraceOptions& options)
{
    OutFile out;
    if (!out.Open(options.out))
        return TRACE_EXIT_FAILED;
    if (!CatchStopRequests())
        fprintf(stderr, "ardun-trace: Ctrl+C will end the watch without its last lines\n");
    WatchOutput output;
    output.say = [&out](const std::string& line) {
        printf("%s\n", line.c_str());
        (void)fflush(stdout);  // a user watches the lines come; a lost line is only lost
        if (out.File() != NULL) {
            fprintf(out.File(), "%s\n", AnsiToUtf8(line).c_str());
            (void)fflush(out.File());  // the same
        }
    };
    // The console has the lines alone.
    output.status = [](const std::vector<HostWatchStatus>&, const std::string&, const std::string&) {};
    output.stopRequested = StopRequested;
    const int status = WatchHosts(options, output);
    if (status == TRACE_EXIT_NOTHING)
        output.say("No host appeared.");
    return status;
}
