#include "tools/trace/watch_command.h"

#include <stdio.h>
#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

#include <map>
#include <memory>
#include <vector>

#include "common/performance_clock.h"
#include "plugin/host_activity_ring.h"
#include "tools/cli/stop_request.h"
#include "tools/trace/exit_status.h"
#include "tools/trace/host_area_view.h"
#include "tools/trace/host_watch.h"
#include "tools/trace/out_file.h"
#include "tools/trace/utf8_text.h"

namespace {

// How often the areas are read, and how often new hosts are looked for.
const DWORD POLL_MS = 100;
const uint64_t SCAN_MICROSECONDS = 1000000;
// Records copied out of an area at a time.
const size_t BATCH_RECORDS = 64;

// The running processes by id, with their program names; empty when Windows
// refuses the snapshot (the next scan tries again).
std::map<uint32_t, std::string> RunningProcesses()
{
    std::map<uint32_t, std::string> processes;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return processes;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        processes[entry.th32ProcessID] = entry.szExeFile;
    (void)CloseHandle(snapshot);  // a snapshot handle of our own: nothing to report
    return processes;
}

struct WatchedHost {
    std::unique_ptr<HostAreaView> view;
    std::unique_ptr<HostActivityReader> reader;
    std::unique_ptr<HostWatch> watch;
    uint32_t processId;
    std::string name;  // "host.exe 1234", before each line once more than one host was watched
};

class Watcher {
public:
    Watcher(const TraceOptions& options, const WatchOutput& output) : options(options), output(output) {}
    int Run();

private:
    void Scan(uint64_t now);
    void TryHost(uint32_t processId, const std::string& program, uint64_t now);
    // The host's new records; false when its area can no longer be read.
    bool ReadHost(WatchedHost& host, uint64_t now);
    void Say(const WatchedHost& host, const std::vector<std::string>& lines);
    void ShowStatus();

    const TraceOptions& options;
    const WatchOutput& output;
    const PerformanceClock clock;
    std::vector<WatchedHost> hosts;
    bool anyWatched = false;
    uint32_t hostsWatched = 0;  // over the whole watch: past one, every line names its host
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
                Say(host, {"its activity area can no longer be read; the watch of it ends"});
            } else if (ended) {
                Say(host, {"the host has ended"});
            } else {
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
        if (hosts.empty())
            TryHost(options.pid, found != processes.end() ? found->second : "", now);
        if (hosts.empty() && !waitingSaid && !anyWatched) {
            output.say(found == processes.end()
                           ? "No process " + std::to_string(options.pid) + " is running; waiting for it."
                           : found->second + " (process " + std::to_string(options.pid) +
                                 ") has no ArdunParser plug-in publishing its calls; waiting for one.");
            waitingSaid = true;
        }
        return;
    }
    for (const auto& process : processes) {
        bool known = false;
        for (const WatchedHost& host : hosts)
            known = known || host.processId == process.first;
        if (!known && process.first != GetCurrentProcessId())
            TryHost(process.first, process.second, now);
    }
    if (hosts.empty() && !waitingSaid) {
        output.say("No host with the ArdunParser plug-in is running; waiting for one to start.");
        waitingSaid = true;
    }
}

void Watcher::TryHost(uint32_t processId, const std::string& program, uint64_t now)
{
    WatchedHost host;
    host.view.reset(new HostAreaView);
    if (!host.view->Open(processId))
        return;
    host.reader.reset(new HostActivityReader(host.view->Block(), host.view->Size()));
    HostActivityHeader header;
    if (!host.reader->ReadHeader(&header))
        return;  // not an area this watch reads, or not laid out yet: the next scan tries again
    host.watch.reset(new HostWatch(header, now));
    host.processId = processId;
    host.name = (program.empty() ? std::string("process") : program) + " " + std::to_string(processId);
    hosts.push_back(std::move(host));
    anyWatched = true;
    ++hostsWatched;
    waitingSaid = false;
    output.say("Watching " + hosts.back().watch->HostLine());
}

bool Watcher::ReadHost(WatchedHost& host, uint64_t now)
{
    HostActivityRecord records[BATCH_RECORDS];
    std::vector<std::string> lines;
    for (;;) {
        const HostActivityBatch batch = host.reader->Read(records, BATCH_RECORDS);
        for (uint32_t i = 0; i < batch.whole; ++i)
            host.watch->Add(records[i], &lines);
        host.watch->Lost(batch.missed, batch.torn, &lines);
        if (batch.whole < BATCH_RECORDS)
            break;
    }
    host.watch->Tick(now, &lines);
    Say(host, lines);
    return host.reader->Check() == HostActivityAreaCheck::Valid;
}

void Watcher::Say(const WatchedHost& host, const std::vector<std::string>& lines)
{
    for (const std::string& line : lines)
        output.say(hostsWatched > 1 ? host.name + ": " + line : line);
}

void Watcher::ShowStatus()
{
    std::vector<HostWatchStatus> statuses;
    std::string finding, late;
    for (const WatchedHost& host : hosts) {
        statuses.push_back(host.watch->Status());
        const std::string prefix = hostsWatched > 1 ? host.name + ": " : "";
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
